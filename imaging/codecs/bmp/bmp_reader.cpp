#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/codecs/bmp/bmp_codec.h"
#include "imaging/codecs/bmp/bmp_rle.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_settings.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

// The most that run-length data may expand to: beyond it a size is taken as damage, not as a
// picture, so that a few damaged bytes cannot ask for gigabytes.
constexpr int64_t kMaxRLEExpansion = 4096;
constexpr int64_t kMaxPixels = int64_t(1) << 30;

// The file's own names for the shared byte-order helpers.
constexpr auto LE32 = vcl::le::U32;
constexpr auto LE16 = vcl::le::U16;

bool ReadExact(vcl::TStream* stream, void* buffer, int64_t count) {
  return count >= 0 && count <= INT32_MAX && stream->Read(buffer, int32_t(count)) == count;
}

// Pixels per metre to dots per inch, 0 when there is none.
int32_t MetreToDpi(int32_t perMetre) {
  if (perMetre <= 0) return 0;
  return static_cast<int32_t>(std::nearbyint(perMetre / 100.0 * 2.54));
}

// One colour field of a bit-field pixel: shifted down to its lowest bit, then its top bits
// placed in the top bits of a byte (low bits 0).
struct TBitField {
  uint32_t mask = 0;
  int32_t shift = 0;
  int32_t width = 0;
  explicit TBitField(uint32_t m) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1)) ++shift;
    uint32_t v = m >> shift;
    while (v & 1) {
      ++width;
      v >>= 1;
    }
  }
  uint8_t Take(uint32_t pixel) const {
    if (!width) return 0;
    const uint32_t v = (pixel & mask) >> shift;
    return width >= 8 ? uint8_t(v >> (width - 8)) : uint8_t(v << (8 - width));
  }
};

// The reported percentage, sent only when it changes (the first always goes out).
struct TRowProgress {
  TCodecProgress& progress;
  int32_t last = -1;
  bool Step(int32_t done) {
    const int32_t percent = static_cast<int32_t>(done * progress.Per1);
    if (percent != last) {
      progress.Report(percent);
      last = percent;
    }
    return !progress.IsAborting();
  }
};

}  // namespace

void ReadBMPStream(vcl::TStream* Stream, TIEBitmap* Bitmap, int64_t Size, TIOParamsVals& Params,
                   TCodecProgress& Progress, bool Preview, bool NoFileHeader, TIEMask*& AlphaMask,
                   bool IgnoreAlpha) {
  const int64_t start = Stream->Position();
  const int64_t streamSize = Stream->Size();
  auto fail = [&] { Progress.Abort(); };

  uint32_t fileSize = 0;
  uint32_t pixelOffset = 0;
  if (Params.BMPNoFileHeader || NoFileHeader) {
    fileSize = uint32_t(std::min<int64_t>(streamSize - start, UINT32_MAX));
  } else {
    uint8_t fileHeader[14];
    if (!ReadExact(Stream, fileHeader, 14) || LE16(fileHeader) != 0x4D42) return fail();
    fileSize = LE32(fileHeader + 2);
    pixelOffset = LE32(fileHeader + 10);
  }
  if (fileSize > 0 && Size <= 0) Size = fileSize;
  // The block never reaches past the stream, whatever the header says.
  Size = std::min(Size, streamSize - start);

  uint8_t header[64] = {};
  if (!ReadExact(Stream, header, 4)) return fail();
  const uint32_t headerSize = LE32(header);
  if (headerSize != 12 && (headerSize < 16 || headerSize > streamSize - Stream->Position() + 4)) return fail();
  Params.FreeColorMap();

  int32_t width = 0, height = 0, bitCount = 0;
  uint32_t compression = 0, imageSize = 0;
  bool topDown = false;
  std::vector<TRGB> palette;
  TRGB fullPalette[256] = {};
  int32_t paletteCount = 0;
  uint32_t masks[4] = {0, 0, 0, 0};

  if (headerSize == 12) {
    if (!ReadExact(Stream, header + 4, 8)) return fail();
    Params.BMPVersion = 2;
    width = LE16(header + 4);
    height = LE16(header + 6);
    bitCount = LE16(header + 10);
    Params.SetDpiX(IEDefaultDpiX);
    Params.SetDpiY(IEDefaultDpiY);
    if (bitCount <= 8) {
      paletteCount = 1 << bitCount;
      std::vector<uint8_t> entries(paletteCount * 3);
      if (!ReadExact(Stream, entries.data(), int64_t(entries.size()))) return fail();
      for (int32_t i = 0; i < paletteCount; ++i)
        fullPalette[i] = TRGB{entries[i * 3], entries[i * 3 + 1], entries[i * 3 + 2]};
    }
  } else {
    const uint32_t taken = std::min<uint32_t>(headerSize, 64);
    if (!ReadExact(Stream, header + 4, taken - 4)) return fail();
    if (headerSize > 64) Stream->Seek(headerSize - 64, vcl::soCurrent);
    Params.BMPVersion = headerSize == 64 ? 3 : headerSize == 40 ? 1 : 0;
    width = int32_t(LE32(header + 4));
    height = int32_t(LE32(header + 8));
    if (height < 0) {
      if (height == INT32_MIN) return fail();
      height = -height;
      topDown = true;
    }
    bitCount = LE16(header + 14);
    compression = LE32(header + 16);
    imageSize = LE32(header + 20);
    const int32_t dpiX = MetreToDpi(int32_t(LE32(header + 24)));
    const int32_t dpiY = MetreToDpi(int32_t(LE32(header + 28)));
    Params.SetDpiX(dpiX ? dpiX : IEDefaultDpiX);
    Params.SetDpiY(dpiY ? dpiY : IEDefaultDpiY);
    uint32_t used = LE32(header + 32);
    if (used > 256) used = 0;
    if (used == 0 && bitCount <= 8) used = 1u << bitCount;
    paletteCount = int32_t(used);
    if (paletteCount > 0) {
      std::vector<uint8_t> entries(paletteCount * 4);
      if (!ReadExact(Stream, entries.data(), int64_t(entries.size()))) return fail();
      for (int32_t i = 0; i < paletteCount; ++i)
        fullPalette[i] = TRGB{entries[i * 4], entries[i * 4 + 1], entries[i * 4 + 2]};
    }
    if (compression == 3) {
      // Headers of 52 bytes and more carry the masks themselves; shorter ones are followed by them.
      if (headerSize >= 52) {
        masks[0] = LE32(header + 40), masks[1] = LE32(header + 44), masks[2] = LE32(header + 48);
        if (headerSize >= 56) masks[3] = LE32(header + 52);
      } else {
        uint8_t m[12];
        if (!ReadExact(Stream, m, 12)) return fail();
        masks[0] = LE32(m), masks[1] = LE32(m + 4), masks[2] = LE32(m + 8);
      }
    }
  }
  if (width < 0) return fail();
  palette.assign(fullPalette, fullPalette + paletteCount);
  Params.ColorMap = palette;
  Params.ColorMapCount = paletteCount;

  Params.Width = Params.StoredWidth = width;
  Params.Height = Params.StoredHeight = height;
  Params.SetImageCount(1);
  if (compression == 0 || compression == 3)
    Params.BMPCompression = 0;
  else if (compression == 1 || compression == 2)
    Params.BMPCompression = 1;

  // Which layouts can be decoded: anything else is refused rather than shown as garbage.
  bool supported = false;
  switch (bitCount) {
    case 1: supported = compression == 0; break;
    case 4: supported = compression == 0 || compression == 2; break;
    case 8: supported = compression == 0 || compression == 1; break;
    case 16:
    case 32: supported = compression == 0 || compression == 3; break;
    case 24: supported = compression == 0; break;
  }
  if (!supported) return fail();

  if (pixelOffset > 0) {
    if (int64_t(pixelOffset) > streamSize - start) return fail();
    Stream->SetPosition(start + pixelOffset);
  }
  const int64_t here = Stream->Position();
  int64_t dataSize = Size > 0 ? Size - (here - start) : imageSize;
  dataSize = std::min(dataSize, streamSize - here);

  switch (bitCount) {
    case 1: Params.BitsPerSample = 1, Params.SamplesPerPixel = 1; break;
    case 4: Params.BitsPerSample = 4, Params.SamplesPerPixel = 1; break;
    case 8: Params.BitsPerSample = 8, Params.SamplesPerPixel = 1; break;
    case 16: Params.BitsPerSample = 5, Params.SamplesPerPixel = 3; break;
    case 24: Params.BitsPerSample = 8, Params.SamplesPerPixel = 3; break;
    case 32: Params.BitsPerSample = 8, Params.SamplesPerPixel = 4; break;
  }
  if (width == 0 || height == 0 || Preview) return;

  const int64_t rowLen = ((int64_t(width) * bitCount + 31) / 32) * 4;
  const bool rle = compression == 1 || compression == 2;
  if (int64_t(width) * height > kMaxPixels) return fail();
  if (rle ? (dataSize <= 0 || int64_t(width) * height > dataSize * kMaxRLEExpansion)
          : rowLen * height > streamSize - here)
    return fail();

  // A 1-bit palette of two other colours is decoded through it, as deeper palettes are: a
  // bilevel image would lose the colours.
  auto isGrey = [](const TRGB& c, uint8_t v) { return c.r == v && c.g == v && c.b == v; };
  const bool blackWhite = isGrey(fullPalette[0], 0) && isGrey(fullPalette[1], 255);
  const bool whiteBlack = isGrey(fullPalette[0], 255) && isGrey(fullPalette[1], 0);
  const bool bilevel = bitCount == 1 && (paletteCount < 2 || blackWhite || whiteBlack);
  const bool indexed = bitCount == 4 || bitCount == 8 || (bitCount == 1 && !bilevel);
  const bool native = Params.KeepNativePixelFormat && indexed;
  const TIEPixelFormat format = bilevel ? ie1g : native ? ie8p : ie24RGB;
  TIEBitmap work;
  if (!work.Allocate(width, height, format)) return fail();
  work.Fill(0);
  if (native) {
    for (int32_t i = 0; i < 256; ++i) work.SetPaletteColor(i, fullPalette[i]);
    work.SetPaletteUsed(1 << bitCount);
  }
  Progress.Val = 0;
  Progress.Per1 = 100.0 / height;
  TRowProgress report{Progress};

  std::unique_ptr<TIEMask> mask;
  bool anyAlpha = false;
  std::vector<uint8_t> row(size_t(rowLen) + 4);
  auto imageRow = [&](int32_t fileRow) { return topDown ? fileRow : height - 1 - fileRow; };

  if (rle) {
    std::vector<uint8_t> data(static_cast<size_t>(dataSize));
    if (!ReadExact(Stream, data.data(), dataSize)) return fail();
    const TRGB* colours = native ? nullptr : fullPalette;
    const TBMPRLEResult result = bitCount == 4
                                     ? DecodeRLE4(&work, data.data(), dataSize, colours, Progress, topDown)
                                     : DecodeRLE8(&work, data.data(), dataSize, colours, Progress, topDown);
    if (result == TBMPRLEResult::DataEnded) return fail();
  } else {
    TBitField fields[3] = {TBitField(masks[0]), TBitField(masks[1]), TBitField(masks[2])};
    if (bitCount == 16 && compression == 0)
      fields[0] = TBitField(0x7C00), fields[1] = TBitField(0x03E0), fields[2] = TBitField(0x001F);
    const TBitField alphaField(masks[3]);
    const bool alpha32 = bitCount == 32 && !IgnoreAlpha && (compression == 0 || masks[3] != 0);
    if (alpha32) {
      mask = std::make_unique<TIEMask>();
      mask->Allocate(width, height, 8);
      mask->Fill(255);
    }
    for (int32_t y = 0; y < height; ++y) {
      if (!report.Step(y)) break;
      auto* out = static_cast<uint8_t*>(work.GetScanline(imageRow(y)));
      if (bitCount == 24) {
        // The file's row is the bitmap's: read in place, then the padding.
        const int64_t pixelBytes = int64_t(width) * 3;
        if (!ReadExact(Stream, out, pixelBytes) || !ReadExact(Stream, row.data(), rowLen - pixelBytes))
          return fail();
        continue;
      }
      if (!ReadExact(Stream, row.data(), rowLen)) return fail();
      const uint8_t* in = row.data();
      switch (bitCount) {
        case 1:
          if (bilevel) {
            std::memcpy(out, in, (width + 7) / 8);
            break;
          }
          for (int32_t x = 0; x < width; ++x) {
            const uint8_t index = (in[x / 8] >> (7 - x % 8)) & 1;
            if (native)
              out[x] = index;
            else
              std::memcpy(out + x * 3, &fullPalette[index], 3);
          }
          break;
        case 4:
          for (int32_t x = 0; x < width; ++x) {
            const uint8_t index = (x & 1) ? (in[x / 2] & 15) : (in[x / 2] >> 4);
            if (native)
              out[x] = index;
            else
              std::memcpy(out + x * 3, &fullPalette[index], 3);
          }
          break;
        case 8:
          for (int32_t x = 0; x < width; ++x) {
            if (native)
              out[x] = in[x];
            else
              std::memcpy(out + x * 3, &fullPalette[in[x]], 3);
          }
          break;
        case 16:
          for (int32_t x = 0; x < width; ++x) {
            const uint32_t pixel = LE16(in + x * 2);
            out[x * 3] = fields[2].Take(pixel);
            out[x * 3 + 1] = fields[1].Take(pixel);
            out[x * 3 + 2] = fields[0].Take(pixel);
          }
          break;
        case 32:
          for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = in + x * 4;
            uint8_t a = p[3];
            if (compression == 3) {
              const uint32_t pixel = LE32(p);
              out[x * 3] = fields[2].Take(pixel);
              out[x * 3 + 1] = fields[1].Take(pixel);
              out[x * 3 + 2] = fields[0].Take(pixel);
              a = alphaField.Take(pixel);
            } else {
              out[x * 3] = p[0], out[x * 3 + 1] = p[1], out[x * 3 + 2] = p[2];
            }
            if (mask) {
              mask->SetPixel(x, imageRow(y), a);
              anyAlpha |= a != 0;
            }
          }
          break;
      }
    }
    if (Progress.IsAborting()) return;
    // A palette of white then black: the bits are turned so that a set bit means white.
    if (bilevel && paletteCount == 2 && whiteBlack) {
      const int32_t bytes = (width + 7) / 8;
      for (int32_t y = 0; y < height; ++y) {
        auto* out = static_cast<uint8_t*>(work.GetScanline(y));
        for (int32_t i = 0; i < bytes; ++i) out[i] = uint8_t(~out[i]);
      }
    }
  }
  if (Progress.IsAborting()) return;

  if (mask) {
    mask->UpdateFullFlag();
    // Alpha bytes that are all 0 are unused by the writer that made them, not transparency.
    if (!anyAlpha || mask->Full()) mask.reset();
  }
  if (Bitmap->Location() == ieTBitmap)
    Bitmap->Assign(&work);
  else
    work.MoveContentTo(Bitmap);
  if (mask) {
    if (AlphaMask) {
      AlphaMask->Allocate(width, height, 8);
      for (int32_t y = 0; y < height; ++y)
        std::memcpy(AlphaMask->GetScanline(y), mask->GetScanline(y), size_t(width));
      AlphaMask->UpdateFullFlag();
    } else {
      AlphaMask = mask.release();
    }
  } else if (bitCount == 32 && !IgnoreAlpha && AlphaMask) {
    // A given mask that receives nothing is handed back as nil, as when none was given.
    delete AlphaMask;
    AlphaMask = nullptr;
  }
}

}  // namespace imaging
