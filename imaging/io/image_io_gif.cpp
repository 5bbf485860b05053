// The GIF members of TImageIO: the frame asked for, composed over the frames before it as the
// animation shows it, and the single-frame save.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "imaging/codecs/gif/gif_codec.h"
#include "imaging/io/codec_call.h"
#include "imaging/io/gif_composition.h"
#include "imaging/io/image_io.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/io_params.h"

namespace imaging {

int32_t TImageIO::ReadGIFFrames(vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress) {
  TIOParamsVals& p = *params_;
  const int32_t wanted = p.GIFImageIndex;
  const int32_t last = std::max(wanted, 0);
  const int64_t start = stream->Position();
  // The reader reports its own progress only when it reads the one frame asked for; the
  // frames of a composition are counted here instead.
  TCodecProgress frameProgress = progress;
  if (last > 0) frameProgress.OnProgressCode = nullptr;

  int32_t count = 0;
  TIEPixelFormat frameFormat = ie24RGB;
  std::unique_ptr<TIEBitmap> single;
  TGIFComposition composition;
  for (int32_t index = 0; index <= last; ++index) {
    stream->SetPosition(start);
    // Only the GIF index moves: the indexes of the other formats are the caller's.
    p.GIFImageIndex = index;
    auto frame = std::make_unique<TIEBitmap>();
    TReaderMask mask;
    CallCodec(progress,
              [&] { ReadGIFStream(stream, frame.get(), count, p, frameProgress, false, mask.Slot(), false); });
    if (progress.IsAborting()) break;
    // A frame the file does not hold is a failed load, not the last frame instead.
    if (wanted >= count) {
      progress.Abort();
      break;
    }
    mask.MoveInto(frame.get());
    FixMissingDPI();
    frameFormat = frame->PixelFormat();
    if (count == 1) {
      single = std::move(frame);
    } else if (!composition.AddFrame(frame.get(), TGIFFramePlace{p.GIFLeft, p.GIFTop, p.GIFDisposal},
                                     p.GIFScreenWidth, p.GIFScreenHeight, p.GIFBackground)) {
      progress.Abort();
      break;
    }
    progress.Report(static_cast<int32_t>(index * (100.0 / count)));
  }
  p.GIFImageIndex = wanted;
  if (progress.IsAborting()) return count;

  std::unique_ptr<TIEBitmap> picture = count == 1 ? std::move(single) : composition.TakePicture();
  if (count > 1) {
    // The block describes the composed picture, which covers the whole screen.
    p.GIFDisposal = 2;
    p.GIFLeft = 0;
    p.GIFTop = 0;
    p.Width = picture->Width();
    p.Height = picture->Height();
    if (picture->PixelFormat() != frameFormat) picture->ConvertTo(frameFormat);
  }
  picture->MoveContentTo(bitmap);
  return count;
}

int32_t TImageIO::LoadGIFFromStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { LoadGIFFromStream(stream); })) return -1;
  int32_t frames = 0;
  RunLoad(stream, 2, nullptr, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    frames = ReadGIFFrames(source, bitmap, progress);
    if (!progress.IsAborting()) TakeBackgroundOf(2);
  });
  return frames;
}

int32_t TImageIO::LoadGIFFromFile(const std::u16string& name) {
  if (HandToWorker([this, name] { LoadGIFFromFile(name); })) return -1;
  int32_t frames = 0;
  RunLoadByName(name, 2, true, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    frames = ReadGIFFrames(source, bitmap, progress);
    if (!progress.IsAborting()) TakeBackgroundOf(2);
  });
  return frames;
}

void TImageIO::SaveGIFToStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { SaveGIFToStream(stream); })) return;
  RunSave(stream, 2, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { WriteGIFStream(target, bitmap, *params_, progress); });
  });
}

void TImageIO::SaveGIFToFile(const std::u16string& name) {
  if (HandToWorker([this, name] { SaveGIFToFile(name); })) return;
  RunSaveByName(name, 2, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { WriteGIFStream(target, bitmap, *params_, progress); });
  });
}

}  // namespace imaging
