#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/codecs/bmp/bmp_codec.h"
#include "imaging/codecs/bmp/bmp_rle.h"
#include "imaging/codecs/decoded_mask.h"
#include "imaging/codecs/reader_limits.h"
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

bool ReadBMPBytes(vcl::TStream* stream, void* buffer, int64_t count) {
  return count >= 0 && count <= INT32_MAX && stream->Read(buffer, int32_t(count)) == count;
}

// Pixels per metre to dots per inch, 0 when there is none.
int32_t BMPDpiOf(int32_t perMetre) {
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
struct TBMPRowProgress {
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

// What the headers and the palette say about the pixels that follow.
struct TBMPLayout {
  uint32_t fileSize = 0;
  uint32_t pixelOffset = 0;
  int32_t width = 0, height = 0, bitCount = 0;
  uint32_t compression = 0, imageSize = 0;
  bool topDown = false;
  TRGB fullPalette[256] = {};
  int32_t paletteCount = 0;
  uint32_t masks[4] = {0, 0, 0, 0};
};

// The 14-byte file header, or the whole stream's length for a bare information header.
bool ReadFileHeader(vcl::TStream* Stream, bool noFileHeader, int64_t streamRest, TBMPLayout& layout) {
  if (noFileHeader) {
    layout.fileSize = uint32_t(std::min<int64_t>(streamRest, UINT32_MAX));
    return true;
  }
  uint8_t fileHeader[14];
  if (!ReadBMPBytes(Stream, fileHeader, 14) || vcl::le::U16(fileHeader) != 0x4D42) return false;
  layout.fileSize = vcl::le::U32(fileHeader + 2);
  layout.pixelOffset = vcl::le::U32(fileHeader + 10);
  return true;
}

// The 12-byte core header and its palette of 3-byte entries.
bool ReadCoreHeader(vcl::TStream* Stream, uint8_t* header, TIOParamsVals& Params, TBMPLayout& layout) {
  if (!ReadBMPBytes(Stream, header + 4, 8)) return false;
  Params.BMPVersion = 2;
  layout.width = vcl::le::U16(header + 4);
  layout.height = vcl::le::U16(header + 6);
  layout.bitCount = vcl::le::U16(header + 10);
  Params.SetDpiX(IEDefaultDpiX);
  Params.SetDpiY(IEDefaultDpiY);
  if (layout.bitCount <= 8) {
    layout.paletteCount = 1 << layout.bitCount;
    std::vector<uint8_t> entries(layout.paletteCount * 3);
    if (!ReadBMPBytes(Stream, entries.data(), int64_t(entries.size()))) return false;
    for (int32_t i = 0; i < layout.paletteCount; ++i)
      layout.fullPalette[i] = TRGB{entries[i * 3], entries[i * 3 + 1], entries[i * 3 + 2]};
  }
  return true;
}

// The information header of 16 bytes and more, its palette of 4-byte entries and, for bit
// fields, the masks.
bool ReadInfoHeader(vcl::TStream* Stream, uint8_t* header, uint32_t headerSize, TIOParamsVals& Params,
                    TBMPLayout& layout) {
  const uint32_t taken = std::min<uint32_t>(headerSize, 64);
  if (!ReadBMPBytes(Stream, header + 4, taken - 4)) return false;
  if (headerSize > 64) Stream->Seek(headerSize - 64, vcl::soCurrent);
  Params.BMPVersion = headerSize == 64 ? 3 : headerSize == 40 ? 1 : 0;
  layout.width = int32_t(vcl::le::U32(header + 4));
  layout.height = int32_t(vcl::le::U32(header + 8));
  if (layout.height < 0) {
    if (layout.height == INT32_MIN) return false;
    layout.height = -layout.height;
    layout.topDown = true;
  }
  layout.bitCount = vcl::le::U16(header + 14);
  layout.compression = vcl::le::U32(header + 16);
  layout.imageSize = vcl::le::U32(header + 20);
  const int32_t dpiX = BMPDpiOf(int32_t(vcl::le::U32(header + 24)));
  const int32_t dpiY = BMPDpiOf(int32_t(vcl::le::U32(header + 28)));
  Params.SetDpiX(dpiX ? dpiX : IEDefaultDpiX);
  Params.SetDpiY(dpiY ? dpiY : IEDefaultDpiY);
  uint32_t used = vcl::le::U32(header + 32);
  if (used > 256) used = 0;
  if (used == 0 && layout.bitCount <= 8) used = 1u << layout.bitCount;
  layout.paletteCount = int32_t(used);
  if (layout.paletteCount > 0) {
    std::vector<uint8_t> entries(layout.paletteCount * 4);
    if (!ReadBMPBytes(Stream, entries.data(), int64_t(entries.size()))) return false;
    for (int32_t i = 0; i < layout.paletteCount; ++i)
      layout.fullPalette[i] = TRGB{entries[i * 4], entries[i * 4 + 1], entries[i * 4 + 2]};
  }
  if (layout.compression == 3) {
    uint32_t* masks = layout.masks;
    // Headers of 52 bytes and more carry the masks themselves; shorter ones are followed by them.
    if (headerSize >= 52) {
      masks[0] = vcl::le::U32(header + 40), masks[1] = vcl::le::U32(header + 44), masks[2] = vcl::le::U32(header + 48);
      if (headerSize >= 56) masks[3] = vcl::le::U32(header + 52);
    } else {
      uint8_t m[12];
      if (!ReadBMPBytes(Stream, m, 12)) return false;
      masks[0] = vcl::le::U32(m), masks[1] = vcl::le::U32(m + 4), masks[2] = vcl::le::U32(m + 8);
    }
  }
  return true;
}

// The parameter block's fields from the headers: palette, size, compression.
void SetHeaderParams(const TBMPLayout& layout, TIOParamsVals& Params) {
  Params.ColorMap.assign(layout.fullPalette, layout.fullPalette + layout.paletteCount);
  Params.ColorMapCount = layout.paletteCount;

  Params.Width = Params.StoredWidth = layout.width;
  Params.Height = Params.StoredHeight = layout.height;
  Params.SetImageCount(1);
  if (layout.compression == 0 || layout.compression == 3)
    Params.BMPCompression = 0;
  else if (layout.compression == 1 || layout.compression == 2)
    Params.BMPCompression = 1;
}

// Which layouts can be decoded: anything else is refused rather than shown as garbage.
bool IsDecodable(const TBMPLayout& layout) {
  const uint32_t compression = layout.compression;
  switch (layout.bitCount) {
    case 1: return compression == 0;
    case 4: return compression == 0 || compression == 2;
    case 8: return compression == 0 || compression == 1;
    case 16:
    case 32: return compression == 0 || compression == 3;
    case 24: return compression == 0;
  }
  return false;
}

void SetSampleParams(int32_t bitCount, TIOParamsVals& Params) {
  switch (bitCount) {
    case 1: Params.BitsPerSample = 1, Params.SamplesPerPixel = 1; break;
    case 4: Params.BitsPerSample = 4, Params.SamplesPerPixel = 1; break;
    case 8: Params.BitsPerSample = 8, Params.SamplesPerPixel = 1; break;
    case 16: Params.BitsPerSample = 5, Params.SamplesPerPixel = 3; break;
    case 24: Params.BitsPerSample = 8, Params.SamplesPerPixel = 3; break;
    case 32: Params.BitsPerSample = 8, Params.SamplesPerPixel = 4; break;
  }
}

// How the pixels land in the image.
struct TBMPTarget {
  TIEBitmap& work;
  bool bilevel, whiteBlack, native;
};

// The whole run-length block, decoded; false when the data ends before the bitmap does.
bool DecodeRunLengthBlock(vcl::TStream* Stream, int64_t dataSize, const TBMPLayout& layout, const TBMPTarget& target,
                          TCodecProgress& Progress) {
  std::vector<uint8_t> data(static_cast<size_t>(dataSize));
  if (!ReadBMPBytes(Stream, data.data(), dataSize)) return false;
  const TRGB* colours = target.native ? nullptr : layout.fullPalette;
  const TBMPRLEResult result =
      layout.bitCount == 4 ? DecodeRLE4(&target.work, data.data(), dataSize, colours, Progress, layout.topDown)
                           : DecodeRLE8(&target.work, data.data(), dataSize, colours, Progress, layout.topDown);
  return result != TBMPRLEResult::DataEnded;
}

// Plain rows, one row length at a time in file order; 32-bit alpha goes to `mask` when there is
// one. False when the stream ends first; an abort from the progress stops the loop quietly.
bool ReadPlainRows(vcl::TStream* Stream, const TBMPLayout& layout, const TBMPTarget& target, TIEMask* mask,
                   bool& anyAlpha, TCodecProgress& Progress) {
  const int32_t width = layout.width, height = layout.height, bitCount = layout.bitCount;
  const uint32_t compression = layout.compression;
  const uint32_t* masks = layout.masks;
  const TRGB* fullPalette = layout.fullPalette;
  const bool bilevel = target.bilevel, native = target.native;
  TIEBitmap& work = target.work;
  const int64_t rowLen = ((int64_t(width) * bitCount + 31) / 32) * 4;
  TBMPRowProgress report{Progress};
  std::vector<uint8_t> row(size_t(rowLen) + 4);
  auto imageRow = [&](int32_t fileRow) { return layout.topDown ? fileRow : height - 1 - fileRow; };

  TBitField fields[3] = {TBitField(masks[0]), TBitField(masks[1]), TBitField(masks[2])};
  if (bitCount == 16 && compression == 0)
    fields[0] = TBitField(0x7C00), fields[1] = TBitField(0x03E0), fields[2] = TBitField(0x001F);
  const TBitField alphaField(masks[3]);
  // A palette index stays an index in a native bitmap and becomes its colour otherwise.
  auto placeIndex = [&](uint8_t* out, int32_t x, uint8_t index) {
    if (native)
      out[x] = index;
    else
      std::memcpy(out + x * 3, &fullPalette[index], 3);
  };
  for (int32_t y = 0; y < height; ++y) {
    if (!report.Step(y)) break;
    auto* out = static_cast<uint8_t*>(work.GetScanline(imageRow(y)));
    if (bitCount == 24) {
      // The file's row is the bitmap's: read in place, then the padding.
      const int64_t pixelBytes = int64_t(width) * 3;
      if (!ReadBMPBytes(Stream, out, pixelBytes) || !ReadBMPBytes(Stream, row.data(), rowLen - pixelBytes)) return false;
      continue;
    }
    if (!ReadBMPBytes(Stream, row.data(), rowLen)) return false;
    const uint8_t* in = row.data();
    switch (bitCount) {
      case 1:
        if (bilevel) {
          std::memcpy(out, in, (width + 7) / 8);
          break;
        }
        for (int32_t x = 0; x < width; ++x) placeIndex(out, x, uint8_t((in[x / 8] >> (7 - x % 8)) & 1));
        break;
      case 4:
        for (int32_t x = 0; x < width; ++x) placeIndex(out, x, uint8_t((x & 1) ? (in[x / 2] & 15) : (in[x / 2] >> 4)));
        break;
      case 8:
        for (int32_t x = 0; x < width; ++x) placeIndex(out, x, in[x]);
        break;
      case 16:
        for (int32_t x = 0; x < width; ++x) {
          const uint32_t pixel = vcl::le::U16(in + x * 2);
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
            const uint32_t pixel = vcl::le::U32(p);
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
  if (Progress.IsAborting()) return true;
  // A palette of white then black: the bits are turned so that a set bit means white.
  if (bilevel && layout.paletteCount == 2 && target.whiteBlack) {
    const int32_t bytes = (width + 7) / 8;
    for (int32_t y = 0; y < height; ++y) {
      auto* out = static_cast<uint8_t*>(work.GetScanline(y));
      for (int32_t i = 0; i < bytes; ++i) out[i] = uint8_t(~out[i]);
    }
  }
  return true;
}

// The decoded alpha reaches the caller's mask, or a given mask that receives nothing goes back
// as nil.
void HandOverAlpha(std::unique_ptr<TIEMask>& mask, bool anyAlpha, const TBMPLayout& layout, TIEMask*& AlphaMask,
                   bool IgnoreAlpha) {
  if (mask) {
    mask->UpdateFullFlag();
    // Alpha bytes that are all 0 are unused by the writer that made them, not transparency.
    if (!anyAlpha || mask->Full()) mask.reset();
  }
  if (mask) {
    GiveDecodedMask(mask, layout.width, layout.height, AlphaMask);
  } else if (layout.bitCount == 32 && !IgnoreAlpha && AlphaMask) {
    // A given mask that receives nothing is handed back as nil, as when none was given.
    delete AlphaMask;
    AlphaMask = nullptr;
  }
}

}  // namespace

void ReadBMPStream(vcl::TStream* Stream, TIEBitmap* Bitmap, int64_t Size, TIOParamsVals& Params,
                   TCodecProgress& Progress, bool Preview, bool NoFileHeader, TIEMask*& AlphaMask,
                   bool IgnoreAlpha) {
  const int64_t start = Stream->Position();
  const int64_t streamSize = Stream->Size();
  auto fail = [&] { Progress.Abort(); };

  TBMPLayout layout;
  if (!ReadFileHeader(Stream, Params.BMPNoFileHeader || NoFileHeader, streamSize - start, layout)) return fail();
  if (layout.fileSize > 0 && Size <= 0) Size = layout.fileSize;
  // The block never reaches past the stream, whatever the header says.
  Size = std::min(Size, streamSize - start);

  uint8_t header[64] = {};
  if (!ReadBMPBytes(Stream, header, 4)) return fail();
  const uint32_t headerSize = vcl::le::U32(header);
  if (headerSize != 12 && (headerSize < 16 || headerSize > streamSize - Stream->Position() + 4)) return fail();
  Params.FreeColorMap();
  const bool headerRead = headerSize == 12 ? ReadCoreHeader(Stream, header, Params, layout)
                                           : ReadInfoHeader(Stream, header, headerSize, Params, layout);
  if (!headerRead || layout.width < 0) return fail();
  SetHeaderParams(layout, Params);
  if (!IsDecodable(layout)) return fail();

  const int32_t width = layout.width, height = layout.height, bitCount = layout.bitCount;
  if (layout.pixelOffset > 0) {
    if (int64_t(layout.pixelOffset) > streamSize - start) return fail();
    Stream->SetPosition(start + layout.pixelOffset);
  }
  const int64_t here = Stream->Position();
  int64_t dataSize = Size > 0 ? Size - (here - start) : layout.imageSize;
  dataSize = std::min(dataSize, streamSize - here);

  SetSampleParams(bitCount, Params);
  if (width == 0 || height == 0 || Preview) return;

  const int64_t rowLen = ((int64_t(width) * bitCount + 31) / 32) * 4;
  const bool rle = layout.compression == 1 || layout.compression == 2;
  if (int64_t(width) * height > kMaxReaderPixels) return fail();
  if (rle ? (dataSize <= 0 || int64_t(width) * height > dataSize * kMaxRLEExpansion)
          : rowLen * height > streamSize - here)
    return fail();

  // A 1-bit palette of two other colours is decoded through it, as deeper palettes are: a
  // bilevel image would lose the colours.
  const TRGB* fullPalette = layout.fullPalette;
  auto isGrey = [](const TRGB& c, uint8_t v) { return c.r == v && c.g == v && c.b == v; };
  const bool blackWhite = isGrey(fullPalette[0], 0) && isGrey(fullPalette[1], 255);
  const bool whiteBlack = isGrey(fullPalette[0], 255) && isGrey(fullPalette[1], 0);
  const bool bilevel = bitCount == 1 && (layout.paletteCount < 2 || blackWhite || whiteBlack);
  const bool indexed = bitCount == 4 || bitCount == 8 || (bitCount == 1 && !bilevel);
  const bool native = Params.KeepNativePixelFormat && indexed;
  const TIEPixelFormat format = bilevel ? ie1g : native ? ie8p : ie24RGB;
  TIEBitmap work;
  // Plain rows write every pixel; run-length codes may skip some, which stay 0.
  if (!work.AllocateToOverwrite(width, height, format)) return fail();
  if (rle) work.Fill(0);
  if (native) {
    for (int32_t i = 0; i < 256; ++i) work.SetPaletteColor(i, fullPalette[i]);
    work.SetPaletteUsed(1 << bitCount);
  }
  Progress.Val = 0;
  Progress.Per1 = 100.0 / height;

  const TBMPTarget target{work, bilevel, whiteBlack, native};
  std::unique_ptr<TIEMask> mask;
  bool anyAlpha = false;
  if (rle) {
    if (!DecodeRunLengthBlock(Stream, dataSize, layout, target, Progress)) return fail();
  } else {
    const bool alpha32 =
        bitCount == 32 && !IgnoreAlpha && (layout.compression == 0 || layout.masks[3] != 0);
    if (alpha32) {
      mask = std::make_unique<TIEMask>();
      mask->Allocate(width, height, 8);
      mask->Fill(255);
    }
    if (!ReadPlainRows(Stream, layout, target, mask.get(), anyAlpha, Progress)) return fail();
  }
  if (Progress.IsAborting()) return;

  if (Bitmap->Location() == ieTBitmap)
    Bitmap->Assign(&work);
  else
    work.MoveContentTo(Bitmap);
  HandOverAlpha(mask, anyAlpha, layout, AlphaMask, IgnoreAlpha);
}

}  // namespace imaging
