// The PSD members of TImageIO: the merged image, or the layers into an attached image view
// (through the exchange the view registers, view_formats.h), and a save of the view's layers.
#include <algorithm>
#include <memory>

#include "imaging/codecs/psd/psd_codec.h"
#include "imaging/io/codec_call.h"
#include "imaging/io/image_io.h"
#include "imaging/io/view_formats.h"
#include "imaging/model/ie_bitmap.h"

namespace imaging {

namespace {

constexpr int32_t kPSDType = 24;

// The layer's transparency as the bitmap's alpha channel, at the layer's place: transparent
// where the layer does not reach.
void TakeLayerAlpha(TIEBitmap* bitmap, TPSDLayer& layer) {
  TIEBitmap* source = layer.Bitmap.get();
  if (!source || source->IsEmpty()) return;
  const int32_t width = bitmap->Width(), height = bitmap->Height();
  const bool placed = layer.PosX == 0 && layer.PosY == 0 && source->Width() == width && source->Height() == height;
  if (placed && !source->HasAlphaChannel()) return;
  TIEBitmap* alpha = bitmap->GetAlphaChannel();
  if (!placed) alpha->Fill(0);
  const int32_t x0 = std::max(0, layer.PosX), y0 = std::max(0, layer.PosY);
  const int32_t x1 = std::min(width, layer.PosX + source->Width());
  const int32_t y1 = std::min(height, layer.PosY + source->Height());
  for (int32_t y = y0; y < y1; ++y)
    for (int32_t x = x0; x < x1; ++x)
      alpha->SetAlphaAt(x, y,
                        source->HasAlphaChannel() ? source->GetAlphaAt(x - layer.PosX, y - layer.PosY) : uint8_t(255));
  alpha->UpdateFullFlag();
}

}  // namespace

void TImageIO::LoadPSDFromStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { LoadPSDFromStream(stream); })) return;
  RunLoad(stream, kPSDType, nullptr, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    ReadPSDImage(source, bitmap, progress);
  });
}

void TImageIO::LoadPSDFromFile(const std::u16string& name) {
  if (HandToWorker([this, name] { LoadPSDFromFile(name); })) return;
  RunLoadByName(name, kPSDType, false, [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    ReadPSDImage(source, bitmap, progress);
  });
}

void TImageIO::ReadPSDImage(vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress) {
  const TIEPSDLayerExchange exchange = PSDLayerExchange();
  const bool intoView = params_->PSDImportLayers && attachedImage_ && exchange.TakesView &&
                        exchange.TakesView(attachedImage_) && exchange.ImportLayers;
  TPSDLayers layers;
  CallCodec(progress, [&] { ReadPSDStream(stream, bitmap, *params_, progress, intoView, &layers); });
  if (progress.IsAborting()) return;
  if (intoView) {
    // The view's layers go only once the file has been read: a failed load leaves them.
    const bool replace = params_->PSDReplaceViewLayers;
    if (layers.empty()) {
      // A file without layers is its merged image, loaded as any other.
      return;
    }
    if (replace && exchange.ClearLayers) exchange.ClearLayers(attachedImage_);
    exchange.ImportLayers(attachedImage_, layers, replace, params_->Width, params_->Height);
    readIntoView_ = true;
    return;
  }
  if (layers.size() == 1 && !params_->LoadEXIFThumbnail && !bitmap->IsEmpty()) TakeLayerAlpha(bitmap, layers[0]);
}

void TImageIO::SavePSDToStream(vcl::TStream* stream) {
  if (HandToWorker([this, stream] { SavePSDToStream(stream); })) return;
  RunSave(stream, kPSDType, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    WritePSDImage(target, bitmap, progress);
  });
}

void TImageIO::SavePSDToFile(const std::u16string& name) {
  if (HandToWorker([this, name] { SavePSDToFile(name); })) return;
  RunSaveByName(name, kPSDType, [&](vcl::TStream* target, TIEBitmap* bitmap, TCodecProgress& progress) {
    WritePSDImage(target, bitmap, progress);
  });
}

void TImageIO::WritePSDImage(vcl::TStream* stream, TIEBitmap* bitmap, TCodecProgress& progress) {
  const TIEPSDLayerExchange exchange = PSDLayerExchange();
  TPSDLayers layers;
  TIEBitmap merged;
  const bool fromView =
      attachedImage_ && exchange.TakesView && exchange.TakesView(attachedImage_) && exchange.ExportLayers;
  CallCodec(progress, [&] {
    if (fromView) exchange.ExportLayers(attachedImage_, layers, merged);
    TIEBitmap* image = fromView && !merged.IsEmpty() ? &merged : bitmap;
    WritePSDStream(stream, *params_, progress, image, layers);
  });
}

}  // namespace imaging
