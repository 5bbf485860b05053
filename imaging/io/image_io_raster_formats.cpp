// The BMP, icon and cursor, PNG, PXM and WBMP members of TImageIO: each a reader or writer of
// its codec inside the shared load and save frames (image_io_formats.cpp), with what differs
// per format: which alpha a reader hands back and how, the PNG background, the icon sizes.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "imaging/codecs/bmp/bmp_codec.h"
#include "imaging/codecs/ico/ico_reader.h"
#include "imaging/codecs/ico/ico_writer.h"
#include "imaging/codecs/png/png_codec.h"
#include "imaging/codecs/pnm/pxm_codec.h"
#include "imaging/codecs/wbmp/wbmp_codec.h"
#include "imaging/io/codec_call.h"
#include "imaging/io/image_io.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/model/routines/colour_routines.h"
#include "imaging/params/io_params.h"

namespace imaging {

namespace {

using TCodecStep = std::function<void(vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress)>;

// ---- readers ----

// A reader that hands its transparency back as a mask.
template <class Read>
TCodecStep MaskReader(Read read) {
  return [read](vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress) {
    TReaderMask mask;
    CallCodec(progress, [&] { read(stream, bitmap, progress, mask.Slot()); });
    if (!progress.IsAborting()) mask.MoveInto(bitmap);
  };
}

TCodecStep BMPReader(TIOParamsVals& params) {
  return MaskReader([&params](vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress, TIEMask*& mask) {
    ReadBMPStream(stream, bitmap, 0, params, progress, false, false, mask, !params.BMPAlphaByte);
  });
}

TCodecStep ICOReader(TIOParamsVals& params) {
  return MaskReader([&params](vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress, TIEMask*& mask) {
    ReadICOStream(stream, bitmap, params, false, progress, mask, false);
  });
}

TCodecStep CURReader(TIOParamsVals& params) {
  return MaskReader([&params](vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress, TIEMask*& mask) {
    ReadCURStream(stream, bitmap, params, false, progress, mask, false);
  });
}

// PNG transparency arrives in the bitmap's own alpha channel.
TCodecStep PNGReader(TIOParamsVals& params) {
  return [&params](vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { ReadPNGStream(stream, bitmap, params, progress, false); });
  };
}

TCodecStep PXMReader(TIOParamsVals& params) {
  return [&params](vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { ReadPXMStream(stream, bitmap, params, progress, false); });
  };
}

TCodecStep WBMPReader(TIOParamsVals& params) {
  return [&params](vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { ReadWBMPStream(stream, bitmap, params, progress, false); });
  };
}

// ---- writers ----

TCodecStep BMPWriter(TIOParamsVals& params) {
  return [&params](vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { WriteBMPStream(stream, bitmap, params, progress, params.BMPAlphaByte); });
  };
}

// The leading entries of ICOWriteSizes with a positive width, with their depths.
TCodecStep ICOWriter(TIOParamsVals& params) {
  return [&params](vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress) {
    size_t count = 0;
    while (count < params.ICOWriteSizes.size() && params.ICOWriteSizes[count].Width > 0) ++count;
    const std::span<const TIOICOSize> sizes(params.ICOWriteSizes.data(), count);
    const std::span<const int32_t> bitCounts(params.ICOWriteBitCounts.data(), count);
    CallCodec(progress, [&] { WriteICOStream(stream, bitmap, params, progress, sizes, bitCounts); });
  };
}

// The alpha channel goes to the writer as a mask; an image without one is written opaque.
TCodecStep PNGWriter(TIOParamsVals& params) {
  return [&params](vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress) {
    std::unique_ptr<TIEMask> mask;
    if (bitmap->HasAlphaChannel()) {
      mask = std::make_unique<TIEMask>();
      bitmap->AlphaChannel()->CopyToMask(mask.get());
      // The channel's own flag may be stale; the writer leaves transparency out of a full mask.
      mask->UpdateFullFlag();
    }
    CallCodec(progress, [&] { WritePNGStream(stream, bitmap, params, progress, mask.get()); });
  };
}

TCodecStep PXMWriter(TIOParamsVals& params) {
  return [&params](vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { WritePXMStream(stream, bitmap, params, progress); });
  };
}

TCodecStep WBMPWriter() {
  return [](vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress) {
    CallCodec(progress, [&] { WriteWBMPStream(stream, bitmap, progress); });
  };
}

}  // namespace

void TImageIO::TakeBackgroundOf(int32_t fileType) {
  const TIOParamsVals& p = *params_;
  if (fileType == 8) SetBackground(RGBTripleToColor(p.PNGBackground));
  if (fileType == 2)
    SetBackground(RGBTripleToColor(p.GIFHasTransparentColor ? p.GIFTransparentColor : p.GIFBackground));
}

// ---- BMP ----

void TImageIO::LoadBMPFromStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { LoadBMPFromStream(stream); })) return;
  RunLoad(stream, 5, nullptr, BMPReader(*params_));
}

void TImageIO::LoadBMPFromFile(const std::u16string& name) {
  if (HandToWorker([this, name] { LoadBMPFromFile(name); })) return;
  RunLoadByName(name, 5, true, BMPReader(*params_));
}

void TImageIO::SaveBMPToStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { SaveBMPToStream(stream); })) return;
  RunSave(stream, 5, BMPWriter(*params_));
}

void TImageIO::SaveBMPToFile(const std::u16string& name) {
  if (HandToWorker([this, name] { SaveBMPToFile(name); })) return;
  RunSaveByName(name, 5, BMPWriter(*params_));
}

// ---- icons and cursors ----

void TImageIO::LoadICOFromStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { LoadICOFromStream(stream); })) return;
  RunLoad(stream, 6, nullptr, ICOReader(*params_));
}

void TImageIO::LoadICOFromFile(const std::u16string& name) {
  if (HandToWorker([this, name] { LoadICOFromFile(name); })) return;
  RunLoadByName(name, 6, true, ICOReader(*params_));
}

void TImageIO::LoadCURFromStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { LoadCURFromStream(stream); })) return;
  RunLoad(stream, 7, nullptr, CURReader(*params_));
}

void TImageIO::LoadCURFromFile(const std::u16string& name) {
  if (HandToWorker([this, name] { LoadCURFromFile(name); })) return;
  RunLoadByName(name, 7, true, CURReader(*params_));
}

void TImageIO::SaveICOToStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { SaveICOToStream(stream); })) return;
  RunSave(stream, 6, ICOWriter(*params_));
}

void TImageIO::SaveICOToFile(const std::u16string& name) {
  if (HandToWorker([this, name] { SaveICOToFile(name); })) return;
  RunSaveByName(name, 6, ICOWriter(*params_));
}

// ---- PNG ----

void TImageIO::LoadPNGFromStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { LoadPNGFromStream(stream); })) return;
  const TCodecStep read = PNGReader(*params_);
  RunLoad(stream, 8, nullptr, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    read(source, bitmap, progress);
    if (!progress.IsAborting()) TakeBackgroundOf(8);
  });
}

void TImageIO::LoadPNGFromFile(const std::u16string& name) {
  if (HandToWorker([this, name] { LoadPNGFromFile(name); })) return;
  const TCodecStep read = PNGReader(*params_);
  RunLoadByName(name, 8, true, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    // A file without a background of its own leaves the object's.
    ColorToRGBTriple(GetBackground(), params_->PNGBackground);
    read(source, bitmap, progress);
    if (!progress.IsAborting()) TakeBackgroundOf(8);
  });
}

void TImageIO::SavePNGToStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { SavePNGToStream(stream); })) return;
  RunSave(stream, 8, PNGWriter(*params_));
}

void TImageIO::SavePNGToFile(const std::u16string& name) {
  if (HandToWorker([this, name] { SavePNGToFile(name); })) return;
  RunSaveByName(name, 8, PNGWriter(*params_));
}

// ---- PBM, PGM, PPM ----

void TImageIO::LoadPXMFromStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { LoadPXMFromStream(stream); })) return;
  RunLoad(stream, 12, nullptr, PXMReader(*params_));
}

void TImageIO::LoadPXMFromFile(const std::u16string& name) {
  if (HandToWorker([this, name] { LoadPXMFromFile(name); })) return;
  RunLoadByName(name, 12, true, PXMReader(*params_));
}

void TImageIO::SavePXMToStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { SavePXMToStream(stream); })) return;
  RunSave(stream, 12, PXMWriter(*params_));
}

void TImageIO::SavePXMToFile(const std::u16string& name) {
  if (HandToWorker([this, name] { SavePXMToFile(name); })) return;
  RunSaveByName(name, 12, PXMWriter(*params_));
}

// ---- WBMP ----

void TImageIO::LoadWBMPFromStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { LoadWBMPFromStream(stream); })) return;
  RunLoad(stream, 16, nullptr, WBMPReader(*params_));
}

void TImageIO::LoadWBMPFromFile(const std::u16string& name) {
  if (HandToWorker([this, name] { LoadWBMPFromFile(name); })) return;
  RunLoadByName(name, 16, true, WBMPReader(*params_));
}

void TImageIO::SaveWBMPToStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { SaveWBMPToStream(stream); })) return;
  RunSave(stream, 16, WBMPWriter());
}

void TImageIO::SaveWBMPToFile(const std::u16string& name) {
  if (HandToWorker([this, name] { SaveWBMPToFile(name); })) return;
  RunSaveByName(name, 16, WBMPWriter());
}

}  // namespace imaging
