#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/codecs/pcx/pcx_codec.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_settings.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

constexpr int32_t kPCXHeaderSize = 128;
constexpr int32_t kPaletteSize = 768;
// A run byte yields at most 63 bytes from two: data that would need more is not this image.
constexpr int64_t kLargestExpansion = 32;

// The file's red, green, blue entries in the library's colour order.
void ToLibraryPalette(const uint8_t* entries, int32_t count, TRGB* palette) {
  for (int32_t i = 0; i < count; ++i) palette[i] = TRGB{entries[i * 3 + 2], entries[i * 3 + 1], entries[i * 3]};
}

// Plane lines from the image data. A run may go on past the end of a line into the next line
// (and plane): what is left of it is carried.
class TLineDecoder {
 public:
  TLineDecoder(const std::vector<uint8_t>& data, bool rle) : data_(data), rle_(rle) {}

  // Fills `count` bytes; false when the data ends first.
  bool PCXDecodeLine(uint8_t* line, int32_t count) {
    if (!rle_) {
      if (int64_t(data_.size()) - at_ < count) return false;
      std::memcpy(line, data_.data() + at_, size_t(count));
      at_ += count;
      return true;
    }
    int32_t filled = 0;
    while (filled < count) {
      if (carry_ > 0) {
        const int32_t n = std::min(carry_, count - filled);
        std::memset(line + filled, carryValue_, size_t(n));
        filled += n;
        carry_ -= n;
        continue;
      }
      if (at_ >= int64_t(data_.size())) return false;
      const uint8_t byte = data_[size_t(at_++)];
      if (byte >= 192) {
        if (at_ >= int64_t(data_.size())) return false;
        carryValue_ = data_[size_t(at_++)];
        carry_ = byte & 63;
      } else {
        line[filled++] = byte;
      }
    }
    return true;
  }

 private:
  const std::vector<uint8_t>& data_;
  bool rle_;
  int64_t at_ = 0;
  int32_t carry_ = 0;
  uint8_t carryValue_ = 0;
};

}  // namespace

void ReadPCXStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, int64_t Size,
                   TCodecProgress& Progress, bool Preview) {
  try {
    const int64_t start = Stream->Position();
    // The image cannot reach past the stream, whatever the caller says.
    Size = std::min(Size, Stream->Size() - start);
    uint8_t header[kPCXHeaderSize];
    if (Size < kPCXHeaderSize || Stream->Read(header, kPCXHeaderSize) != kPCXHeaderSize) return Progress.Abort();
    const int32_t bits = header[3];
    const int32_t encoding = header[2];
    if (header[0] != 10 || bits > 8 || encoding > 1) return Progress.Abort();
    const int64_t width = int64_t(vcl::le::U16(header + 8)) - vcl::le::U16(header + 4) + 1;
    const int64_t height = int64_t(vcl::le::U16(header + 10)) - vcl::le::U16(header + 6) + 1;
    const int32_t planes = header[65];
    const int32_t bytesPerLine = int32_t(vcl::le::U16(header + 66));
    if (width <= 0 || height <= 0) return Progress.Abort();

    // The layouts that have pixels; a plane line must hold a whole row of them.
    int32_t lineBits = 0;
    if (planes == 1 && (bits == 1 || bits == 4 || bits == 8))
      lineBits = bits;
    else if (planes == 3 && bits == 8)
      lineBits = 8;
    else if (planes == 4 && bits == 1)
      lineBits = 1;
    if (lineBits == 0 || bytesPerLine < (width * lineBits + 7) / 8) return Progress.Abort();
    const bool paletted256 = planes == 1 && bits > 4;
    if (paletted256 && Size < kPCXHeaderSize + kPaletteSize) return Progress.Abort();

    Params.SetImageCount(1);
    int32_t dpiX = int32_t(vcl::le::U16(header + 12)), dpiY = int32_t(vcl::le::U16(header + 14));
    if (dpiX == 0 || dpiY == 0) dpiX = IEDefaultDpiX, dpiY = IEDefaultDpiY;
    Params.SetDpiX(dpiX);
    Params.SetDpiY(dpiY);

    TRGB headerPalette[16];
    ToLibraryPalette(header + 16, 16, headerPalette);
    TRGB palette256[256] = {};
    if (paletted256) {
      uint8_t entries[kPaletteSize];
      Stream->SetPosition(start + Size - kPaletteSize);
      if (Stream->Read(entries, kPaletteSize) != kPaletteSize) return Progress.Abort();
      ToLibraryPalette(entries, 256, palette256);
      Stream->SetPosition(start + kPCXHeaderSize);
    }

    Params.BitsPerSample = bits;
    Params.SamplesPerPixel = planes;
    Params.Width = Params.StoredWidth = int32_t(width);
    Params.Height = Params.StoredHeight = int32_t(height);
    Params.PCXVersion = header[1];
    Params.FreeColorMap();
    if (bits == 8 && planes == 1) {
      Params.ColorMap.assign(palette256, palette256 + 256);
    } else if (bits == 1 && planes == 4) {
      Params.ColorMap.assign(headerPalette, headerPalette + 16);
      Params.BitsPerSample = 4;
      Params.SamplesPerPixel = 1;
    } else if (bits < 8) {
      Params.ColorMap.assign(headerPalette, headerPalette + (1 << bits));
    }
    Params.ColorMapCount = int32_t(Params.ColorMap.size());
    if (Preview) return;

    // The whole image data, without the palette of 256-colour images.
    const int64_t dataSize = Size - kPCXHeaderSize - (paletted256 ? kPaletteSize : 0);
    const int64_t decodedSize = int64_t(bytesPerLine) * planes * height;
    if (encoding == 0 ? decodedSize > dataSize : decodedSize > (dataSize + 1) * kLargestExpansion)
      return Progress.Abort();
    std::vector<uint8_t> data(size_t(std::max<int64_t>(dataSize, 0)));
    if (!data.empty() && Stream->Read(data.data(), int32_t(data.size())) != int32_t(data.size()))
      return Progress.Abort();

    if (!Bitmap->Allocate(int32_t(width), int32_t(height), planes == 1 && bits == 1 ? ie1g : ie24RGB))
      return Progress.Abort();
    Bitmap->Fill(0);
    std::vector<uint8_t> lines(size_t(bytesPerLine) * planes);
    TLineDecoder decoder(data, encoding == 1);
    Progress.Per1 = 100.0 / double(height);
    int32_t lastPercent = -1;
    for (int32_t y = 0; y < height; ++y) {
      if (Progress.OnProgressCode) {
        const int32_t percent = int32_t(y * Progress.Per1);
        if (percent != lastPercent) Progress.Report(percent);
        lastPercent = percent;
      }
      if (Progress.IsAborting()) return;
      for (int32_t p = 0; p < planes; ++p)
        if (!decoder.PCXDecodeLine(lines.data() + size_t(p) * bytesPerLine, bytesPerLine)) return Progress.Abort();
      auto* out = static_cast<uint8_t*>(Bitmap->GetScanline(y));
      auto* pixels = reinterpret_cast<TRGB*>(out);
      const uint8_t* line = lines.data();
      if (planes == 1 && bits == 8) {
        for (int32_t x = 0; x < width; ++x) pixels[x] = palette256[line[x]];
      } else if (planes == 1 && bits == 4) {
        for (int32_t x = 0; x < width; ++x)
          pixels[x] = headerPalette[(x & 1) ? line[x / 2] & 15 : line[x / 2] >> 4];
      } else if (planes == 1) {
        std::memcpy(out, line, size_t((width + 7) / 8));
      } else if (planes == 3) {
        for (int32_t x = 0; x < width; ++x)
          pixels[x] = TRGB{line[2 * bytesPerLine + x], line[bytesPerLine + x], line[x]};
      } else {
        for (int32_t x = 0; x < width; ++x) {
          int32_t index = 0;
          for (int32_t k = 0; k < 4; ++k)
            if (line[k * bytesPerLine + x / 8] & (0x80 >> (x % 8))) index |= 1 << k;
          pixels[x] = headerPalette[index];
        }
      }
    }
  } catch (...) {
    // A stream that cannot be read is a failed read, not a crash of the caller.
    Progress.Abort();
  }
}

}  // namespace imaging
