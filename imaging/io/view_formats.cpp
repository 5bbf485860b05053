#include "imaging/io/view_formats.h"

#include <mutex>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

// Registered once at start-up and read by every load: guarded, since loads run on workers.
struct TRegistrations {
  std::mutex lock;
  std::vector<TIEViewFormat> formats;
  TIEPSDLayerExchange psd;
};

TRegistrations& Registrations() {
  static TRegistrations registrations;
  return registrations;
}

void FillRow(const TIEViewFormat& format) {
  if (TIEFileFormatInfo* row = GetFileFormatInfo(format.FileType)) {
    if (format.Test) row->TryFunction = format.Test;
    if (format.Read) row->ReadFunction = format.Read;
  }
}

// One picture, as the I/O object reads any other file's.
void DescribeComposedPicture(TIOParamsVals& params, TIEBitmap* picture) {
  params.Width = params.StoredWidth = picture->Width();
  params.Height = params.StoredHeight = picture->Height();
  params.BitsPerSample = picture->PixelFormat() == ie1g ? 1 : 8;
  params.SamplesPerPixel = picture->PixelFormat() == ie24RGB ? 3 : 1;
  params.SetImageCount(1);
}

}  // namespace

void ReadComposedPicture(TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress, bool preview,
                         const std::function<TIEBitmap*()>& compose) {
  try {
    TIEBitmap* picture = compose();
    if (!picture || picture->IsEmpty()) return progress.Abort();
    DescribeComposedPicture(params, picture);
    if (!preview) bitmap->Assign(picture);
  } catch (const vcl::Exception&) {
    progress.Abort();
  }
}

void RegisterViewFormat(const TIEViewFormat& format) {
  TRegistrations& r = Registrations();
  {
    std::lock_guard<std::mutex> guard(r.lock);
    bool replaced = false;
    for (TIEViewFormat& known : r.formats)
      if (known.FileType == format.FileType) {
        known = format;
        replaced = true;
      }
    if (!replaced) r.formats.push_back(format);
  }
  FillRow(format);
}

TIEViewFormat FindViewFormat(int32_t fileType) {
  TRegistrations& r = Registrations();
  std::lock_guard<std::mutex> guard(r.lock);
  for (const TIEViewFormat& format : r.formats)
    if (format.FileType == fileType) return format;
  return TIEViewFormat();
}

void ApplyViewFormats() {
  TRegistrations& r = Registrations();
  std::lock_guard<std::mutex> guard(r.lock);
  for (const TIEViewFormat& format : r.formats) FillRow(format);
}

void RegisterPSDLayerExchange(const TIEPSDLayerExchange& exchange) {
  TRegistrations& r = Registrations();
  std::lock_guard<std::mutex> guard(r.lock);
  r.psd = exchange;
}

TIEPSDLayerExchange PSDLayerExchange() {
  TRegistrations& r = Registrations();
  std::lock_guard<std::mutex> guard(r.lock);
  return r.psd;
}

}  // namespace imaging
