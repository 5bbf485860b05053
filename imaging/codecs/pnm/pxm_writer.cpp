#include <memory>
#include <string>
#include <vector>

#include "imaging/base/stream_encoders.h"
#include "imaging/codecs/pnm/pxm_codec.h"
#include "imaging/codecs/writer_bitmaps.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/colour_conversion.h"
#include "imaging/params/io_params.h"
#include "vcl/runtime/streams.h"

namespace imaging {

void WritePXMStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress) {
  const int32_t width = Bitmap->Width();
  const int32_t height = Bitmap->Height();
  if (width <= 0 || height <= 0) return Progress.Abort();
  bool error = false;
  auto put = [&](const void* data, size_t count) { StreamWriteChecked(Stream, error, data, int32_t(count)); };
  std::string comments;
  for (int32_t i = 0; i < Params.PXMComments.Count(); ++i) comments += "\n# " + Params.PXMComments.Strings(i) + "\n";
  auto putHeader = [&](const char* magic, const std::string& maxval) {
    const std::string text = std::string(magic) + " " + comments + std::to_string(width) + " " +
                             std::to_string(height) + maxval + "\n";
    put(text.data(), text.size());
  };
  Progress.Per1 = 100.0 / height;
  Progress.Val = 0;
  auto rowDone = [&] {
    ++Progress.Val;
    Progress.Report();
  };

  const TIEPixelFormat format = Bitmap->PixelFormat();
  std::unique_ptr<TIEBitmap> copy;
  std::vector<uint8_t> row;
  if ((Params.BitsPerSample == 1 && Params.SamplesPerPixel == 1) || format == ie1g) {
    TIEBitmap* source = Bitmap;
    if (format != ie1g) source = (copy = ConvertedCopy(Bitmap, ie1g)).get();
    putHeader("P4", "");
    const size_t bytes = (size_t(width) + 7) / 8;
    row.resize(bytes);
    for (int32_t y = 0; y < height; ++y) {
      const auto* in = static_cast<const uint8_t*>(source->GetScanline(y));
      for (size_t i = 0; i < bytes; ++i) row[i] = uint8_t(~in[i]);
      // The padding bits of the last byte are written as zeros.
      if (width % 8) row[bytes - 1] &= uint8_t(0xFF00 >> (width % 8));
      put(row.data(), bytes);
      rowDone();
    }
  } else if (format == ie16g && Params.SamplesPerPixel == 1) {
    // A 16-bit grey image keeps its depth.
    putHeader("P5", " 65535");
    row.resize(size_t(width) * 2);
    for (int32_t y = 0; y < height; ++y) {
      const auto* in = static_cast<const uint16_t*>(Bitmap->GetScanline(y));
      for (int32_t x = 0; x < width; ++x) row[x * 2] = uint8_t(in[x] >> 8), row[x * 2 + 1] = uint8_t(in[x]);
      put(row.data(), row.size());
      rowDone();
    }
  } else if (Params.SamplesPerPixel == 1) {
    TIEBitmap* source = Bitmap;
    if (format != ie24RGB && format != ie8g) source = (copy = ConvertedCopy(Bitmap, ie24RGB)).get();
    putHeader("P5", " 255");
    row.resize(size_t(width));
    for (int32_t y = 0; y < height; ++y) {
      const void* in = source->GetScanline(y);
      if (source->PixelFormat() == ie8g)
        put(in, size_t(width));
      else {
        IEConvertColorHook(in, 1, row.data(), 5, width, &Params);
        put(row.data(), row.size());
      }
      rowDone();
    }
  } else if (format == ieRGB48 || Params.BitsPerSample == 16) {
    TIEBitmap* source = Bitmap;
    if (format != ieRGB48 && format != ie24RGB) source = (copy = ConvertedCopy(Bitmap, ie24RGB)).get();
    putHeader("P6", " 65535");
    row.resize(size_t(width) * 6);
    for (int32_t y = 0; y < height; ++y) {
      const void* in = source->GetScanline(y);
      for (int32_t x = 0; x < width; ++x) {
        uint16_t rgb[3];
        if (source->PixelFormat() == ieRGB48) {
          const auto* w = static_cast<const uint16_t*>(in) + x * 3;
          rgb[0] = w[0], rgb[1] = w[1], rgb[2] = w[2];
        } else {
          const auto* b = static_cast<const uint8_t*>(in) + x * 3;
          rgb[0] = uint16_t(b[2] * 257), rgb[1] = uint16_t(b[1] * 257), rgb[2] = uint16_t(b[0] * 257);
        }
        for (int s = 0; s < 3; ++s) row[x * 6 + s * 2] = uint8_t(rgb[s] >> 8), row[x * 6 + s * 2 + 1] = uint8_t(rgb[s]);
      }
      put(row.data(), row.size());
      rowDone();
    }
  } else {
    // Every other image goes out as an 8-bit pixmap of its colours.
    TIEBitmap* source = Bitmap;
    if (format != ie24RGB) source = (copy = ConvertedCopy(Bitmap, ie24RGB)).get();
    putHeader("P6", " 255");
    row.resize(size_t(width) * 3);
    for (int32_t y = 0; y < height; ++y) {
      const auto* in = static_cast<const uint8_t*>(source->GetScanline(y));
      for (int32_t x = 0; x < width; ++x)
        row[x * 3] = in[x * 3 + 2], row[x * 3 + 1] = in[x * 3 + 1], row[x * 3 + 2] = in[x * 3];
      put(row.data(), row.size());
      rowDone();
    }
  }
  if (error) Progress.Abort();
}

}  // namespace imaging
