#include "imaging/codecs/ico/ico_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/base/bit_helpers.h"
#include "imaging/codecs/bmp/bmp_codec.h"
#include "imaging/codecs/decoded_mask.h"
#include "imaging/codecs/png/png_codec.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_settings.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

constexpr int32_t kMaxSide = 4096;

struct TIconEntry {
  int32_t width = 0, height = 0;  // a byte of 0 stands for 256
  int32_t colours = 0;
  uint16_t field1 = 0, field2 = 0;  // planes and bit count, or the cursor's hot spot
  uint32_t size = 0, offset = 0;
};

TIconEntry ParseEntry(const uint8_t* e) {
  TIconEntry entry;
  entry.width = e[0] ? e[0] : 256;
  entry.height = e[1] ? e[1] : 256;
  entry.colours = e[2];
  entry.field1 = vcl::le::U16(e + 4);
  entry.field2 = vcl::le::U16(e + 6);
  entry.size = vcl::le::U32(e + 8);
  entry.offset = vcl::le::U32(e + 12);
  return entry;
}

bool IsDirectory(vcl::TStream* stream, uint16_t type) {
  const int64_t start = stream->Position();
  const int64_t size = stream->Size();
  if (size - start <= 22) return false;
  bool ok = false;
  uint8_t header[6];
  if (stream->Read(header, 6) == 6 && vcl::le::U16(header) == 0 && vcl::le::U16(header + 2) == type &&
      vcl::le::U16(header + 4) != 0) {
    ok = true;
    for (int32_t i = 0; ok && i < vcl::le::U16(header + 4); ++i) {
      uint8_t e[16];
      if (stream->Read(e, 16) != 16) {
        ok = false;
        break;
      }
      const TIconEntry entry = ParseEntry(e);
      const int64_t reached = stream->Position() - start;
      ok = e[3] == 0 && entry.size != 0 && entry.offset >= reached && entry.offset + int64_t(entry.size) <= size - start;
    }
  }
  stream->SetPosition(start);
  return ok;
}

// Where the directory leads: an entry to read, a whole BMP file in its place, or damage.
enum class TDirectoryResult { Entry, WholeBMP, Failed };

// The directory header and entries (or, for a bare entry, the cursor's hot spot), the wanted
// entry chosen and the stream placed at its data.
TDirectoryResult ReadDirectory(vcl::TStream* Stream, TIOParamsVals& Params, bool cursor, TIconEntry& entry) {
  const int64_t start = Stream->Position();
  const int64_t streamSize = Stream->Size();
  if (Params.BMPNoFileHeader) {
    if (cursor) {
      uint8_t hotSpot[4];
      if (Stream->Read(hotSpot, 4) != 4) return TDirectoryResult::Failed;
      Params.CURHotSpotX = vcl::le::U16(hotSpot);
      Params.CURHotSpotY = vcl::le::U16(hotSpot + 2);
    }
    Params.SetImageIndex(0);
    return TDirectoryResult::Entry;
  }
  uint8_t header[6];
  if (Stream->Read(header, 6) != 6) return TDirectoryResult::Failed;
  if (!cursor && header[0] == 'B' && header[1] == 'M') {
    Stream->SetPosition(start);
    return TDirectoryResult::WholeBMP;
  }
  if (vcl::le::U16(header) != 0 || vcl::le::U16(header + 2) != (cursor ? 2 : 1)) return TDirectoryResult::Failed;
  const int32_t count = vcl::le::U16(header + 4);
  const int32_t wanted = cursor ? Params.CURImageIndex : Params.ICOImageIndex;
  if (wanted < 0 || wanted >= count) return TDirectoryResult::Failed;
  if (int64_t(count) * 16 > streamSize - Stream->Position()) return TDirectoryResult::Failed;
  std::vector<uint8_t> directory(size_t(count) * 16);
  if (Stream->Read(directory.data(), count * 16) != count * 16) return TDirectoryResult::Failed;
  if (!cursor) {
    Params.ICOWriteSizes.fill(TIOICOSize{});
    for (int32_t i = 0; i < std::min(count, 16); ++i) {
      const TIconEntry e = ParseEntry(&directory[size_t(i) * 16]);
      Params.ICOWriteSizes[i] = TIOICOSize{e.width, e.height};
      Params.ICOWriteBitCounts[i] = e.field2 ? e.field2 : e.colours ? CeilLog2(uint32_t(e.colours)) : 24;
    }
  }
  entry = ParseEntry(&directory[size_t(wanted) * 16]);
  if (cursor) {
    Params.CURHotSpotX = entry.field1;
    Params.CURHotSpotY = entry.field2;
  }
  // An entry must lie inside the stream.
  if (entry.offset < 6 + uint32_t(count) * 16 || int64_t(entry.offset) + entry.size > streamSize - start ||
      entry.size < 40)
    return TDirectoryResult::Failed;
  Stream->SetPosition(start + entry.offset);
  return TDirectoryResult::Entry;
}

// An entry's picture as its information header describes it.
struct TIconLayout {
  int32_t width = 0, height = 0, bits = 0;
  uint32_t used = 0;  // the header's palette count
};

// The entry's information header (the stream is after its 40 bytes in `info`): the size, the
// resolution and the bit depth; the stream is left at the palette.
bool ReadEntryHeader(vcl::TStream* Stream, const uint8_t* info, int64_t dataStart, const TIconEntry& entry, bool cursor,
                     TIOParamsVals& Params, TIconLayout& layout) {
  const uint32_t headerSize = vcl::le::U32(info);
  const int32_t headerWidth = int32_t(vcl::le::U32(info + 4));
  const int32_t headerHeight = int32_t(vcl::le::U32(info + 8));
  const int32_t headerBits = vcl::le::U16(info + 14);
  const uint32_t compression = vcl::le::U32(info + 16);
  layout.used = vcl::le::U32(info + 32);
  if (headerSize < 40 || headerSize > 1024 || compression != 0) return false;
  // The header's size tells how the data is laid out; a directory's bytes are only a hint.
  if (headerWidth <= 0 || headerHeight <= 1 || headerWidth > kMaxSide || headerHeight / 2 > kMaxSide) return false;
  layout.width = headerWidth;
  layout.height = headerHeight / 2;
  if (Params.BMPNoFileHeader) Params.ICOWriteSizes[0] = TIOICOSize{layout.width, layout.height};
  Stream->SetPosition(dataStart + headerSize);

  auto metreToDpi = [](int32_t perMetre, int32_t fallback) {
    return perMetre > 0 ? std::max(1, static_cast<int32_t>(std::nearbyint(perMetre / 100.0 * 2.54))) : fallback;
  };
  Params.SetDpiX(metreToDpi(int32_t(vcl::le::U32(info + 24)), IEDefaultDpiX));
  Params.SetDpiY(metreToDpi(int32_t(vcl::le::U32(info + 28)), IEDefaultDpiY));

  int32_t bits = headerBits ? headerBits : (!cursor && entry.field2) ? entry.field2 : 0;
  if (!bits && entry.colours) bits = CeilLog2(uint32_t(entry.colours));
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
  layout.bits = bits;
  if (bits <= 8 || cursor) {
    Params.BitsPerSample = bits;
    Params.SamplesPerPixel = 1;
  } else {
    Params.BitsPerSample = 8;
    Params.SamplesPerPixel = bits == 32 ? 4 : 3;
  }
  return true;
}

// The palette: the header's count when it is a proper one, else 2^bits; indices past it black.
bool ReadEntryPalette(vcl::TStream* Stream, const TIconLayout& layout, TIOParamsVals& Params, TRGB* palette) {
  Params.FreeColorMap();
  if (layout.bits > 8) return true;
  const int32_t full = 1 << layout.bits;
  const int32_t count = layout.used > 0 && layout.used < uint32_t(full) ? int32_t(layout.used) : full;
  uint8_t raw[1024];
  if (Stream->Read(raw, count * 4) != count * 4) return false;
  for (int32_t i = 0; i < count; ++i) palette[i] = TRGB{raw[i * 4], raw[i * 4 + 1], raw[i * 4 + 2]};
  Params.ColorMap.assign(palette, palette + count);
  Params.ColorMapCount = count;
  return true;
}

// The colour (XOR) rows and the transparency (AND) rows, as read from the file.
struct TIconRows {
  std::vector<uint8_t> xorData, andData;
  int64_t xorRow = 0, andRow = 0;
  bool andPresent = false;
};

// Pixels and transparency from the two masks: the AND mask's transparent pixels take the
// background colour in a 24-bit image and 0 in the mask; 32-bit entries carry their alpha.
void DecodeEntryPixels(const TIconLayout& layout, const TIconRows& rows, const TRGB* palette, bool bilevel,
                       bool native, const TRGB& background, TIEBitmap& work, TIEMask* mask) {
  const int32_t width = layout.width, height = layout.height, bits = layout.bits;
  const bool andPresent = rows.andPresent;
  // File row k is image row height - 1 - k.
  auto andBit = [&](int32_t x, int32_t y) {
    return (rows.andData[size_t((height - 1 - y) * rows.andRow + x / 8)] >> (7 - x % 8)) & 1;
  };
  const bool whiteBackground = background.r == 255 && background.g == 255 && background.b == 255;
  bool allAlphaZero = true;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = rows.xorData.data() + size_t((height - 1 - y) * rows.xorRow);
    auto* out = static_cast<uint8_t*>(work.GetScanline(y));
    for (int32_t x = 0; x < width; ++x) {
      const bool transparent = andPresent && andBit(x, y);
      switch (bits) {
        case 1: {
          int bit = (in[x / 8] >> (7 - x % 8)) & 1;
          if (!bilevel) {
            std::memcpy(out + x * 3, transparent ? &background : &palette[bit], 3);
            if (mask && transparent) mask->SetPixel(x, y, 0);
            break;
          }
          // A transparent black pixel takes the background, a screen-inverting one its opposite.
          if (transparent && whiteBackground) bit ^= 1;
          if (bit)
            out[x / 8] |= uint8_t(0x80 >> (x % 8));
          else
            out[x / 8] &= uint8_t(~(0x80 >> (x % 8)));
          if (mask && transparent) mask->SetPixel(x, y, 0);
          break;
        }
        case 4:
        case 8: {
          const uint8_t index = bits == 8 ? in[x] : (x & 1) ? (in[x / 2] & 15) : (in[x / 2] >> 4);
          if (native)
            out[x] = index;
          else
            std::memcpy(out + x * 3, transparent ? &background : &palette[index], 3);
          if (mask && transparent) mask->SetPixel(x, y, 0);
          break;
        }
        case 24:
          std::memcpy(out + x * 3, in + x * 3, 3);
          if (mask && transparent) mask->SetPixel(x, y, 0);
          break;
        case 32:
          std::memcpy(out + x * 3, in + x * 4, 3);
          allAlphaZero &= in[x * 4 + 3] == 0;
          if (mask) mask->SetPixel(x, y, in[x * 4 + 3]);
          break;
      }
    }
  }
  // 32-bit entries whose alpha bytes are all 0 take their transparency from the AND mask.
  if (bits == 32 && mask && allAlphaZero) {
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) mask->SetPixel(x, y, andPresent && andBit(x, y) ? 0 : 255);
  }
}

// The picture reaches the caller's bitmap and its transparency the caller's mask (an icon's
// full mask is dropped; a given mask that receives nothing goes back as nil).
void HandOverEntry(TIEBitmap& work, std::unique_ptr<TIEMask>& mask, const TIconLayout& layout, bool cursor,
                   TIEBitmap* Bitmap, TIEMask*& AlphaMask, bool IgnoreAlpha) {
  if (mask) {
    mask->UpdateFullFlag();
    if (!cursor && mask->Full()) mask.reset();
  }
  if (Bitmap->Location() == ieTBitmap)
    Bitmap->Assign(&work);
  else
    work.MoveContentTo(Bitmap);
  if (mask) {
    GiveDecodedMask(mask, layout.width, layout.height, AlphaMask);
  } else if (!IgnoreAlpha && AlphaMask) {
    delete AlphaMask;
    AlphaMask = nullptr;
  }
}

// Reads one entry; `cursor` selects the cursor's rules.
void ReadIconOrCursor(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                      TCodecProgress& Progress, TIEMask*& AlphaMask, bool IgnoreAlpha, bool cursor) {
  const int64_t start = Stream->Position();
  const int64_t streamSize = Stream->Size();
  auto fail = [&] { Progress.Abort(); };
  TIconEntry entry;
  switch (ReadDirectory(Stream, Params, cursor, entry)) {
    case TDirectoryResult::Failed: return fail();
    case TDirectoryResult::WholeBMP:
      ReadBMPStream(Stream, Bitmap, streamSize - start, Params, Progress, Preview, false, AlphaMask, IgnoreAlpha);
      return;
    case TDirectoryResult::Entry: break;
  }

  const int64_t dataStart = Stream->Position();
  uint8_t info[40];
  if (Stream->Read(info, 40) != 40) return fail();
  static const uint8_t kPNG[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (std::memcmp(info, kPNG, 8) == 0) {
    Stream->SetPosition(dataStart);
    ReadPNGStream(Stream, Bitmap, Params, Progress, Preview);
    return;
  }
  TIconLayout layout;
  if (!ReadEntryHeader(Stream, info, dataStart, entry, cursor, Params, layout)) return fail();
  TRGB palette[256] = {};
  if (!ReadEntryPalette(Stream, layout, Params, palette)) return fail();
  const int32_t width = layout.width, height = layout.height, bits = layout.bits;
  Params.Width = Params.StoredWidth = width;
  Params.Height = Params.StoredHeight = height;
  if (Preview) return;

  TIconRows rows;
  rows.xorRow = ((int64_t(width) * bits + 31) / 32) * 4;
  rows.andRow = ((int64_t(width) + 31) / 32) * 4;
  const int64_t remaining = streamSize - Stream->Position();
  if (rows.xorRow * height > remaining) return fail();
  rows.andPresent = rows.xorRow * height + rows.andRow * height <= remaining;
  // 1-, 4- and 8-bit images need their mask to show at all.
  if (bits <= 8 && !rows.andPresent) return fail();

  // A 1-bit entry of two other colours than black and white is read through its palette as
  // the deeper ones are: a bilevel image would lose them.
  auto isGrey = [](const TRGB& c, uint8_t v) { return c.r == v && c.g == v && c.b == v; };
  const bool bilevel = bits == 1 && isGrey(palette[0], 0) && isGrey(palette[1], 255);
  const bool native = !cursor && Params.KeepNativePixelFormat && (bits == 4 || bits == 8);
  const TIEPixelFormat format = bilevel ? ie1g : native ? ie8p : ie24RGB;
  TIEBitmap work;
  if (!work.Allocate(width, height, format)) return fail();
  if (native) {
    for (int32_t i = 0; i < 256; ++i) work.SetPaletteColor(i, palette[i]);
    work.SetPaletteUsed(1 << bits);
  }
  rows.xorData.resize(size_t(rows.xorRow * height));
  if (Stream->Read(rows.xorData.data(), int32_t(rows.xorData.size())) != int64_t(rows.xorData.size())) return fail();
  if (rows.andPresent) {
    rows.andData.resize(size_t(rows.andRow * height));
    if (Stream->Read(rows.andData.data(), int32_t(rows.andData.size())) != int64_t(rows.andData.size()))
      return fail();
  }
  std::unique_ptr<TIEMask> mask;
  if (!IgnoreAlpha) {
    mask = std::make_unique<TIEMask>();
    mask->Allocate(width, height, 8);
    mask->Fill(255);
  }
  const TRGB background = cursor ? Params.CURBackground : Params.ICOBackground;
  DecodeEntryPixels(layout, rows, palette, bilevel, native, background, work, mask.get());
  HandOverEntry(work, mask, layout, cursor, Bitmap, AlphaMask, IgnoreAlpha);
}

}  // namespace

bool IsICOStream(vcl::TStream* Stream) { return IsDirectory(Stream, 1); }

bool IsCURStream(vcl::TStream* Stream) { return IsDirectory(Stream, 2); }

void ReadICOStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                   TCodecProgress& Progress, TIEMask*& AlphaMask, bool IgnoreAlpha) {
  ReadIconOrCursor(Stream, Bitmap, Params, Preview, Progress, AlphaMask, IgnoreAlpha, false);
}

void ReadCURStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                   TCodecProgress& Progress, TIEMask*& AlphaMask, bool IgnoreAlpha) {
  ReadIconOrCursor(Stream, Bitmap, Params, Preview, Progress, AlphaMask, IgnoreAlpha, true);
}

}  // namespace imaging
