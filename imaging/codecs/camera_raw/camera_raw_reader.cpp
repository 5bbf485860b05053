#include "imaging/codecs/camera_raw/camera_raw_reader.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/number_helpers.h"
#include "imaging/base/text_helpers.h"
#include "imaging/codecs/camera_raw/ciff_metadata.h"
#include "imaging/codecs/helper_job.h"
#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/codecs/tiff/exif_buffer.h"
#include "imaging/metadata/exif_block.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/histogram_match.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/file_formats.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_settings.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

// The starts of the camera raw files LibRaw recognises by content: TIFF-structured files (and
// their variants with other magic numbers), CIFF heaps, and the containers of their own. Files
// the decoder knows only by their size are found by their extension instead.
bool HasCameraRawSignature(const uint8_t* head, size_t size) {
  auto at = [&](size_t offset, const char* text, size_t length) {
    return size >= offset + length && std::memcmp(head + offset, text, length) == 0;
  };
  static const struct {
    size_t offset;
    const char* text;
    size_t length;
  } kSignatures[] = {
      {0, "II*\0", 4},   {0, "MM\0*", 4},    {0, "IIRO", 4},     {0, "IIRS", 4},   {0, "MMOR", 4},
      {0, "IIU\0", 4},   {6, "HEAPCCDR", 8}, {0, "FUJIFILM", 8}, {0, "\0MRM", 4}, {0, "FOVb", 4},
      {4, "ftypcrx ", 8}, {0, "ARRI", 4},     {0, "NOKIARAW", 8},
  };
  for (const auto& s : kSignatures)
    if (at(s.offset, s.text, s.length)) return true;
  return false;
}

// The camera raw job of the helper process over the rest of the stream.
bool RunCameraRaw(vcl::TStream* stream, codec_helper_request& request, const TCodecProgress* progress,
                  THelperAnswer& answer) {
  const std::vector<uint8_t> data = ReadStreamRest(stream);
  return !data.empty() && RunHelperJob(request, data.data(), data.size(), progress, answer);
}

bool HasThumbnail(TIOParamsVals& params) { return params.EXIFThumbnail && !params.EXIFThumbnail->IsEmpty(); }

// The JPEG thumbnail the decoder found in the file, when the TIFF or CIFF metadata gave none.
void TakeEmbeddedThumbnail(const THelperAnswer& answer, TIOParamsVals& params) {
  const uint64_t size = answer.Reply().thumbnail_size;
  if (!answer.Answer.thumbnail || size == 0 || size > uint64_t(1) << 30) return;
  vcl::TMemoryStream stream;
  stream.WriteBuffer(answer.Answer.thumbnail, int32_t(size));
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

std::string TextOf(const char (&field)[64]) { return std::string(field, strnlen(field, sizeof(field))); }

void ReadCameraRaw(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress,
                   bool preview) {
  ReadCameraRawStream(stream, bitmap, params, progress, preview);
}

bool TryCameraRaw(vcl::TStream* stream, int32_t) { return IsCameraRawStream(stream); }

}  // namespace

bool IsCameraRawStream(vcl::TStream* Stream) {
  // Every file no other test claimed comes here: only a raw-like start pays for the decoder,
  // and the decoder runs outside the program.
  const int64_t start = Stream->Position();
  uint8_t head[16] = {};
  const int32_t read = Stream->Read(head, sizeof head);
  Stream->SetPosition(start);
  if (read <= 0 || !HasCameraRawSignature(head, size_t(read))) return false;
  codec_helper_request request{};
  request.job = CODEC_HELPER_RAW_IDENTIFY;
  THelperAnswer answer;
  return RunCameraRaw(Stream, request, nullptr, answer);
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

  const bool matchThumbnail = Params.CameraRawMatchThumbnailColors && HasThumbnail(Params);
  const double brightness = matchThumbnail ? 0.5 : Params.CameraRawBrightness;
  const double gamma = Params.CameraRawGamma;
  codec_helper_request request{};
  request.job = CODEC_HELPER_RAW_READ;
  request.decode = Preview ? 0 : 1;
  request.want_thumbnail = HasThumbnail(Params) ? 0 : 1;
  request.gamma = float(gamma);
  request.brightness = float(brightness);
  request.red_scale = float(Params.CameraRawRedScale);
  request.blue_scale = float(Params.CameraRawBlueScale);
  request.half_size = Params.CameraRawHalfSize ? 1 : 0;
  request.four_color_rgb = Params.CameraRawFourColorRGB ? 1 : 0;
  request.auto_wb = Params.CameraRawUseAutoWB ? 1 : 0;
  request.camera_wb = Params.CameraRawUseCameraWB ? 1 : 0;
  if (!Preview) Progress.Report(0);
  THelperAnswer answer;
  if (!RunCameraRaw(Stream, request, &Progress, answer)) return Progress.Abort();
  const codec_helper_reply& info = answer.Reply();
  if (!HasThumbnail(Params)) TakeEmbeddedThumbnail(answer, Params);
  Params.CameraRawOptionsText = TrimString(TextOf(info.make) + " " + TextOf(info.model));
  if (!resolution) {
    Params.SetDpiX(IEDefaultDpiX);
    Params.SetDpiY(IEDefaultDpiY);
  }
  Params.FreeColorMap();
  Params.Width = Params.StoredWidth = info.raw_width - 2;
  Params.Height = Params.StoredHeight = info.raw_height - 2;
  if (Preview) return Progress.Report(100);
  Progress.Report(85);

  const int32_t width = info.width, height = info.height;
  const auto* image = reinterpret_cast<const uint16_t*>(answer.Answer.data);
  // A half-size decode has no colour filter array left to trim the border of.
  const int32_t trim = info.has_cfa && !Params.CameraRawHalfSize ? 1 : 0;
  const int32_t outWidth = width - 2 * trim, outHeight = height - 2 * trim;
  if (!image || outWidth <= 0 || outHeight <= 0 ||
      info.data_size != uint64_t(width) * uint64_t(height) * 3 * sizeof(uint16_t))
    return Progress.Abort();
  Params.SetImageCount(1);

  // Per pixel a brightness of half the colour's length; its histogram sets the white point.
  const int64_t pixels = int64_t(width) * height;
  std::vector<uint16_t> bright(static_cast<size_t>(pixels));
  std::vector<int64_t> histogram(8192, 0);
  for (int64_t i = 0; i < pixels; ++i) {
    const double r = image[i * 3], g = image[i * 3 + 1], b = image[i * 3 + 2];
    bright[size_t(i)] = uint16_t(std::min(65535.0, std::floor(std::sqrt(r * r + g * g + b * b) / 2)));
    ++histogram[bright[size_t(i)] >> 3];
  }
  const double p = TextOf(info.make) == "FUJIFILM" ? 0.005 : 0.01;
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
        const double value = std::min(top, std::trunc(image[i * 3 + c] * factor));
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
  // The decode ran at half brightness: the thumbnail's colours set the levels.
  if (matchThumbnail) MatchBitmapHistogram(Params.EXIFThumbnail.get(), Bitmap);
  Progress.Report(100);
}

void RegisterCameraRawFormat() {
  if (TIEFileFormatInfo* info = GetFileFormatInfo(20)) {
    info->ReadFunction = ReadCameraRaw;
    info->TryFunction = TryCameraRaw;
  }
}

}  // namespace imaging
