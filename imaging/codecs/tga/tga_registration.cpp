// The TGA row of the format registry: the registry's reader and writer shapes carry no mask, so
// alpha travels as the bitmap's alpha channel.
#include <memory>

#include "imaging/codecs/tga/tga_codec.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/params/file_formats.h"

namespace imaging {

namespace {

void ReadTGA(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress, bool preview) {
  TIEMask* mask = nullptr;
  ReadTGAStream(stream, bitmap, params, progress, preview, mask, false);
  std::unique_ptr<TIEMask> owned(mask);
  if (owned && !progress.IsAborting()) bitmap->GetAlphaChannel()->CopyFromMask(owned.get());
}

void WriteTGA(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress) {
  std::unique_ptr<TIEMask> mask;
  if (bitmap->HasAlphaChannel()) {
    mask = std::make_unique<TIEMask>();
    bitmap->AlphaChannel()->CopyToMask(mask.get());
  }
  WriteTGAStream(stream, bitmap, params, progress, mask.get());
}

bool TryTGA(vcl::TStream* stream, int32_t) { return IsTGAStream(stream); }

}  // namespace

void RegisterTGAFormat() {
  if (TIEFileFormatInfo* tga = GetFileFormatInfo(11)) {
    tga->ReadFunction = ReadTGA;
    tga->WriteFunction = WriteTGA;
    tga->TryFunction = TryTGA;
  }
}

}  // namespace imaging
