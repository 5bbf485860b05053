#include "imaging/codecs/camera_raw/camera_raw_reader.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "clib/raw_bridge.h"
#include "imaging/base/number_helpers.h"
#include "imaging/base/text_helpers.h"
#include "imaging/codecs/camera_raw/ciff_metadata.h"
#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/codecs/tiff/exif_buffer.h"
#include "imaging/metadata/exif_block.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/file_formats.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_settings.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

// LibRaw reads from memory: the data from the stream's position to its end. The position is
// restored.
std::vector<uint8_t> ReadRest(vcl::TStream* stream) {
  const int64_t start = stream->Position();
  const int64_t size = std::max<int64_t>(0, stream->Size() - start);
  std::vector<uint8_t> data(static_cast<size_t>(size));
  for (int64_t done = 0; done < size;) {
    const int32_t chunk = int32_t(std::min<int64_t>(size - done, 1 << 30));
    const int32_t read = stream->Read(data.data() + done, chunk);
    if (read <= 0) {
      data.resize(size_t(done));
      break;
    }
    done += read;
  }
  stream->SetPosition(start);
  return data;
}

struct TRawCloser {
  void operator()(raw_bridge* raw) const { raw_bridge_close(raw); }
};
using TRaw = std::unique_ptr<raw_bridge, TRawCloser>;

int CancelRequested(void* context) { return static_cast<TCodecProgress*>(context)->IsAborting() ? 1 : 0; }

bool HasThumbnail(TIOParamsVals& params) { return params.EXIFThumbnail && !params.EXIFThumbnail->IsEmpty(); }

// The JPEG thumbnail LibRaw finds in the file, when the TIFF or CIFF metadata gave none.
void TakeEmbeddedThumbnail(raw_bridge* raw, TIOParamsVals& params) {
  size_t size = 0;
  const void* jpeg = raw_bridge_jpeg_thumbnail(raw, &size);
  if (!jpeg || size == 0 || size > size_t(1) << 30) return;
  vcl::TMemoryStream stream;
  stream.WriteBuffer(jpeg, int32_t(size));
  stream.SetPosition(0);
  auto thumbnail = std::make_unique<TIEBitmap>();
  TIOParamsVals scratch(nullptr);
  std::atomic<bool> failed{false};
  TCodecProgress progress;
  progress.Aborting = &failed;
  ReadJPEGStream(&stream, nullptr, thumbnail.get(), scratch, progress, false, false, false, false, false, false, -1,
                 false);
  if (!failed && !thumbnail->IsEmpty()) params.EXIFThumbnail = std::move(thumbnail);
}

void ReadCameraRaw(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress,
                   bool preview) {
  ReadCameraRawStream(stream, bitmap, params, progress, preview);
}

bool TryCameraRaw(vcl::TStream* stream, int32_t) { return IsCameraRawStream(stream); }

}  // namespace

bool IsCameraRawStream(vcl::TStream* Stream) {
  const std::vector<uint8_t> data = ReadRest(Stream);
  raw_bridge_info info;
  return !data.empty() && TRaw(raw_bridge_open(data.data(), data.size(), &info)) != nullptr;
}

void ReadCameraRawStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                         bool Preview) {
  const int64_t start = Stream->Position();
  if (Params.CameraRawLoadEXIFThumbnail && !Preview) {
    if (Params.EXIFThumbnail) Params.EXIFThumbnail->FreeImage(true);
    Params.SetRAWLoadEXIFThumbnail(false);
    ReadCameraRawStream(Stream, Bitmap, Params, Progress, true);
    Params.SetRAWLoadEXIFThumbnail(true);
    if (Progress.IsAborting()) return;
    if (HasThumbnail(Params)) {
      Bitmap->Assign(Params.EXIFThumbnail.get());
      Params.Width = Params.StoredWidth = Bitmap->Width();
      Params.Height = Params.StoredHeight = Bitmap->Height();
      return;
    }
    Stream->SetPosition(start);
  }

  // The EXIF metadata of TIFF-structured raw files, with their thumbnail and resolution.
  bool resolution = false;
  const int64_t header = FindTIFFHeaderInStream(Stream);
  if (header >= 0) {
    Stream->SetPosition(start + header);
    if (ReadTIFFExifWithThumbnail(Stream, Params) && Params.EXIFXResolution > 0 && Params.EXIFYResolution > 0) {
      const double f = Params.EXIFResolutionUnit == 3 ? 2.54 : 1;
      Params.SetDpiX(int32_t(std::trunc(Params.EXIFXResolution * f)));
      Params.SetDpiY(int32_t(std::trunc(Params.EXIFYResolution * f)));
      resolution = true;
    }
  } else {
    Stream->SetPosition(start);
    ReadCIFFMetadata(Stream, Params);
  }
  Stream->SetPosition(start);

  const std::vector<uint8_t> data = ReadRest(Stream);
  raw_bridge_info info;
  TRaw raw(data.empty() ? nullptr : raw_bridge_open(data.data(), data.size(), &info));
  if (!raw) return Progress.Abort();
  if (!HasThumbnail(Params)) TakeEmbeddedThumbnail(raw.get(), Params);
  Params.CameraRawOptionsText = TrimString(std::string(info.make) + " " + info.model);
  if (!resolution) {
    Params.SetDpiX(IEDefaultDpiX);
    Params.SetDpiY(IEDefaultDpiY);
  }
  Params.FreeColorMap();
  Params.Width = Params.StoredWidth = info.width - 2;
  Params.Height = Params.StoredHeight = info.height - 2;
  if (Preview) return Progress.Report(100);

  const bool matchThumbnail = Params.CameraRawMatchThumbnailColors && HasThumbnail(Params);
  const double brightness = matchThumbnail ? 0.5 : Params.CameraRawBrightness;
  const double gamma = Params.CameraRawGamma;
  raw_bridge_options options{};
  options.gamma = float(gamma);
  options.brightness = float(brightness);
  options.red_scale = float(Params.CameraRawRedScale);
  options.blue_scale = float(Params.CameraRawBlueScale);
  options.half_size = Params.CameraRawHalfSize ? 1 : 0;
  options.four_color_rgb = Params.CameraRawFourColorRGB ? 1 : 0;
  options.auto_wb = Params.CameraRawUseAutoWB ? 1 : 0;
  options.camera_wb = Params.CameraRawUseCameraWB ? 1 : 0;
  options.cancel = CancelRequested;
  options.cancel_context = &Progress;
  Progress.Report(0);
  if (raw_bridge_decode(raw.get(), &options) != 0) return Progress.Abort();
  Progress.Report(85);
  int width = 0, height = 0;
  const uint16_t* image = raw_bridge_image(raw.get(), &width, &height);
  // A half-size decode has no colour filter array left to trim the border of.
  const int32_t trim = info.has_cfa && !Params.CameraRawHalfSize ? 1 : 0;
  const int32_t outWidth = width - 2 * trim, outHeight = height - 2 * trim;
  if (!image || outWidth <= 0 || outHeight <= 0) return Progress.Abort();
  Params.SetImageCount(1);

  // Per pixel a brightness of half the colour's length; its histogram sets the white point.
  const int64_t pixels = int64_t(width) * height;
  std::vector<uint16_t> bright(static_cast<size_t>(pixels));
  std::vector<int64_t> histogram(8192, 0);
  for (int64_t i = 0; i < pixels; ++i) {
    const double r = image[i * 4], g = image[i * 4 + 1], b = image[i * 4 + 2];
    bright[size_t(i)] = uint16_t(std::min(65535.0, std::floor(std::sqrt(r * r + g * g + b * b) / 2)));
    ++histogram[bright[size_t(i)] >> 3];
  }
  const double p = std::string(info.make) == "FUJIFILM" ? 0.005 : 0.01;
  const int64_t perc = int64_t(std::trunc(p * double(pixels)));
  int64_t sum = 0;
  int32_t v = 0;
  for (int32_t bin = 8191; bin >= 1; --bin) {
    sum += histogram[bin];
    if (sum > perc) {
      v = bin;
      break;
    }
  }
  const double white = v ? 16.0 * v : 1.0;
  const double k = brightness * 442 / white;
  const bool wide = Params.KeepNativePixelFormat;
  std::vector<double> curve(65536, 0.0);
  for (int32_t i = 1; i < 65536; ++i) {
    curve[i] = double(PowerFloat(2.0 * i / white, gamma - 1)) * k;
    if (wide) curve[i] = curve[i] / 255 * 65535;
  }

  if (!Bitmap->Allocate(outWidth, outHeight, wide ? ieRGB48 : ie24RGB)) return Progress.Abort();
  const double top = wide ? 65535 : 255;
  for (int32_t y = 0; y < outHeight; ++y) {
    auto* row = static_cast<uint8_t*>(Bitmap->GetScanline(y));
    for (int32_t x = 0; x < outWidth; ++x) {
      const int64_t i = int64_t(y + trim) * width + (x + trim);
      const double factor = curve[bright[size_t(i)]];
      for (int32_t c = 0; c < 3; ++c) {
        const double value = std::min(top, std::trunc(image[i * 4 + c] * factor));
        if (wide)
          reinterpret_cast<uint16_t*>(row)[x * 3 + c] = uint16_t(value);
        else
          row[x * 3 + 2 - c] = uint8_t(value);
      }
    }
  }
  // The decode's own size: half-size loads and stretched pixels differ from the first guess.
  Params.Width = Params.StoredWidth = outWidth;
  Params.Height = Params.StoredHeight = outHeight;
  Params.BitsPerSample = wide ? 16 : 8;
  Params.SamplesPerPixel = 3;
  Progress.Report(100);
}

void RegisterCameraRawFormat() {
  if (TIEFileFormatInfo* info = GetFileFormatInfo(20)) {
    info->ReadFunction = ReadCameraRaw;
    info->TryFunction = TryCameraRaw;
  }
}

}  // namespace imaging
