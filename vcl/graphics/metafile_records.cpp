#include "vcl/graphics/metafile_records.h"

#include <algorithm>

#include "vcl/runtime/byte_order.h"

namespace vcl::metafile_records {

namespace {

using le::I32;
using le::U16;
using le::U32;

// Record types of an EMF whose contents are checked.
enum : uint32_t {
  kHeader = 1, kPolyBezier = 2, kPolyLineTo = 6, kPolyPolyline = 7, kPolyPolygon = 8, kEOF = 14,
  kSelectObject = 37, kCreatePen = 38, kCreateBrushIndirect = 39, kDeleteObject = 40, kSelectPalette = 48,
  kCreatePalette = 49, kSetPaletteEntries = 50, kResizePalette = 51, kPolyDraw = 56, kGdiComment = 70,
  kFillRgn = 71, kFrameRgn = 72, kInvertRgn = 73, kPaintRgn = 74, kExtSelectClipRgn = 75, kBitBlt = 76,
  kStretchBlt = 77, kMaskBlt = 78, kPlgBlt = 79, kSetDIBitsToDevice = 80, kStretchDIBits = 81,
  kExtCreateFontIndirectW = 82, kExtTextOutA = 83, kExtTextOutW = 84, kPolyBezier16 = 85, kPolyLineTo16 = 89,
  kPolyPolyline16 = 90, kPolyPolygon16 = 91, kPolyDraw16 = 92, kCreateMonoBrush = 93,
  kCreateDIBPatternBrushPt = 94, kExtCreatePen = 95, kPolyTextOutA = 96, kPolyTextOutW = 97,
  kCreateColorSpace = 99, kSetColorSpace = 100, kDeleteColorSpace = 101, kSmallTextOut = 108, kAlphaBlend = 114,
  kTransparentBlt = 116, kGradientFill = 118, kCreateColorSpaceW = 122,
};

constexpr uint32_t kStockObjectFlag = 0x80000000;
constexpr uint32_t kPalColours = 1;  // DIB_PAL_COLORS: the colour table holds 16-bit indexes

// One record; every field is read only after Has says it lies inside.
struct Record {
  const uint8_t* data;
  size_t size;
  bool Has(uint64_t offset, uint64_t length) const { return offset <= size && length <= size - offset; }
  uint32_t At(size_t offset) const { return U32(data + offset); }
};

// The size of the fixed fields the system reads from a record of this type.
size_t FixedSize(uint32_t type) {
  switch (type) {
    case kHeader: return 88;
    case kEOF: return 20;
    case kPolyPolyline: case kPolyPolygon: case kPolyPolyline16: case kPolyPolygon16: return 32;
    case kSelectObject: case kDeleteObject: case kSelectPalette: case kGdiComment: case kCreateColorSpace:
    case kCreateColorSpaceW:
      return 12;
    case kCreatePalette: case kResizePalette: return 16;
    case kSetPaletteEntries: return 20;
    case kCreatePen: return 28;
    case kCreateBrushIndirect: return 24;
    case kFillRgn: return 32;
    case kFrameRgn: return 40;
    case kInvertRgn: case kPaintRgn: return 28;
    case kExtSelectClipRgn: return 16;
    case kBitBlt: return 100;
    case kStretchBlt: case kAlphaBlend: case kTransparentBlt: return 108;
    case kMaskBlt: return 128;
    case kPlgBlt: return 140;
    case kSetDIBitsToDevice: return 76;
    case kStretchDIBits: return 80;
    case kExtCreateFontIndirectW: return 104;
    case kExtTextOutA: case kExtTextOutW: return 76;
    case kCreateMonoBrush: case kCreateDIBPatternBrushPt: return 32;
    case kExtCreatePen: return 52;
    case kPolyTextOutA: case kPolyTextOutW: return 40;
    case kSmallTextOut: return 36;
    case kGradientFill: return 36;
    // State and drawing records of fixed size: numbers, points and rectangles.
    case 16: case 17: case 18: case 19: case 20: case 21: case 22: case 24: case 25: case 34: case 57: case 58:
    case 67: case 98: case kSetColorSpace: case kDeleteColorSpace: case 115:
      return 12;
    case 9: case 10: case 11: case 12: case 13: case 26: case 27: case 54: return 16;
    case 15: return 20;
    case 29: case 30: case 31: case 32: case 42: case 43: case 53: case 62: case 63: case 64: return 24;
    case 41: return 28;
    case 23: case 35: case 44: return 32;
    case 36: return 36;
    case 45: case 46: case 47: case 55: return 40;
    default:
      if ((type >= kPolyBezier && type <= kPolyLineTo) || type == kPolyDraw) return 28;
      if ((type >= kPolyBezier16 && type <= kPolyLineTo16) || type == kPolyDraw16) return 28;
      return 8;
  }
}

// What a bitmap header asks for: the bytes of the header with its colour table, and of the
// pixels (at most `rows` rows are read: SetDIBitsToDevice's scan count). False when the header,
// of at most `available` bytes, is not one the system can read safely.
struct DibNeeds {
  uint64_t infoBytes = 0;
  uint64_t pixelBytes = 0;
};

bool MeasureDib(const uint8_t* h, uint64_t available, uint32_t usage, uint32_t rows, DibNeeds& needs) {
  if (available < 12) return false;
  const uint32_t headerSize = U32(h);
  int64_t width, height;
  uint32_t bitCount, compression = 0, sizeImage = 0, coloursUsed = 0, entrySize;
  if (headerSize == 12) {
    width = U16(h + 4), height = U16(h + 6), bitCount = U16(h + 10), entrySize = 3;
  } else {
    if (headerSize < 40 || headerSize > available) return false;
    width = I32(h + 4), height = I32(h + 8), bitCount = U16(h + 14);
    compression = U32(h + 16), sizeImage = U32(h + 20), coloursUsed = U32(h + 32), entrySize = 4;
  }
  if (usage == kPalColours) entrySize = 2;
  if (width <= 0 || height == 0 || height == INT32_MIN) return false;
  if (height < 0) height = -height;
  uint64_t tableBytes = 0;
  if (bitCount >= 1 && bitCount <= 8) {
    const uint32_t full = 1u << bitCount;
    tableBytes = uint64_t(coloursUsed && coloursUsed < full ? coloursUsed : full) * entrySize;
  }
  const bool bitFields = compression == 3 || compression == 6;
  if (bitFields && headerSize == 40) tableBytes += 12;
  needs.infoBytes = headerSize + tableBytes;
  if (compression == 0 || bitFields) {
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
      return false;
    const uint64_t stride = (uint64_t(width) * bitCount + 31) / 32 * 4;
    needs.pixelBytes = stride * uint64_t(std::min<int64_t>(height, rows));
  } else {
    needs.pixelBytes = sizeImage;
  }
  return true;
}

// A bitmap inside a record: its header and colour table in the first range, its pixels in
// the second.
bool BitmapValid(const Record& r, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits, uint32_t cbBits, uint32_t usage,
                 uint32_t rows = UINT32_MAX) {
  if (!r.Has(offBmi, cbBmi) || !r.Has(offBits, cbBits)) return false;
  DibNeeds needs;
  return MeasureDib(r.data + offBmi, cbBmi, usage, rows, needs) && needs.infoBytes <= cbBmi &&
         needs.pixelBytes <= cbBits;
}

// A packed bitmap (header, colour table, pixels) from `at` to the end of the record.
bool PackedBitmapValid(const Record& r, size_t at, uint32_t usage, uint32_t rows = UINT32_MAX) {
  if (at > r.size) return false;
  DibNeeds needs;
  return MeasureDib(r.data + at, r.size - at, usage, rows, needs) && needs.infoBytes + needs.pixelBytes <= r.size - at;
}

// A bitmap that a record may leave out (offset and size 0).
bool OptionalBitmapValid(const Record& r, size_t at, uint32_t usage) {
  if (r.At(at) == 0 && r.At(at + 4) == 0) return true;
  return BitmapValid(r, r.At(at), r.At(at + 4), r.At(at + 8), r.At(at + 12), usage);
}

// A text (EMRTEXT) at `at`: its characters and, when given, its advances.
bool TextValid(const Record& r, size_t at, uint32_t charSize) {
  if (!r.Has(at, 40)) return false;
  const uint64_t chars = r.At(at + 8), offString = r.At(at + 12), options = r.At(at + 16), offDx = r.At(at + 36);
  if (chars && !r.Has(offString, chars * charSize)) return false;
  const uint64_t dxBytes = chars * 4 * ((options & 0x2000) ? 2 : 1);  // ETO_PDY: x and y advances
  return offDx == 0 || r.Has(offDx, dxBytes);
}

// Region data (RGNDATA) of `bytes` at `at`.
bool RegionValid(const Record& r, size_t at, uint32_t bytes) {
  if (!r.Has(at, bytes) || bytes < 32) return false;
  return 32 + uint64_t(r.At(at + 8)) * 16 <= bytes;
}

bool HandleValid(uint32_t index, uint32_t handles) { return index < handles; }
bool SelectableValid(uint32_t index, uint32_t handles) {
  return (index & kStockObjectFlag) || index < handles;
}

// Polygons: `polys` counts at `at`, then `points` points of `pointSize` bytes; the counts
// may not ask for more points than there are.
bool PolyPolyValid(const Record& r, uint32_t pointSize) {
  const uint64_t polys = r.At(24), points = r.At(28);
  if (!r.Has(32, polys * 4 + points * pointSize)) return false;
  uint64_t total = 0;
  for (uint64_t i = 0; i < polys; ++i) total += r.At(32 + 4 * i);
  return total <= points;
}

bool RecordValid(const Record& r, uint32_t type, uint32_t handles) {
  if (r.size < FixedSize(type)) return false;
  switch (type) {
    case kHeader: {
      const uint64_t chars = r.At(60), offDescription = r.At(64);
      if (chars && !r.Has(offDescription, chars * 2)) return false;
      if (r.size >= 100 && r.At(88) && !r.Has(r.At(92), r.At(88))) return false;
      return true;
    }
    case kEOF: return r.At(8) == 0 || r.Has(r.At(12), uint64_t(r.At(8)) * 4);
    case kPolyPolyline: case kPolyPolygon: return PolyPolyValid(r, 8);
    case kPolyPolyline16: case kPolyPolygon16: return PolyPolyValid(r, 4);
    case kPolyDraw: return r.Has(28, uint64_t(r.At(24)) * 9);
    case kPolyDraw16: return r.Has(28, uint64_t(r.At(24)) * 5);
    case kSelectObject: case kSelectPalette: case kSetColorSpace: return SelectableValid(r.At(8), handles);
    case kDeleteObject: case kCreatePen: case kCreateBrushIndirect: case kResizePalette:
    case kExtCreateFontIndirectW: case kDeleteColorSpace: case kCreateColorSpace: case kCreateColorSpaceW:
      return HandleValid(r.At(8), handles);
    case kCreatePalette: return HandleValid(r.At(8), handles) && r.Has(16, uint64_t(U16(r.data + 14)) * 4);
    case kSetPaletteEntries: return HandleValid(r.At(8), handles) && r.Has(20, uint64_t(r.At(16)) * 4);
    case kGdiComment: return r.Has(12, r.At(8));
    case kFillRgn: case kFrameRgn:
      return HandleValid(r.At(28), handles) && RegionValid(r, type == kFillRgn ? 32 : 40, r.At(24));
    case kInvertRgn: case kPaintRgn: return RegionValid(r, 28, r.At(24));
    case kExtSelectClipRgn: return r.At(8) == 0 || RegionValid(r, 16, r.At(8));
    case kBitBlt: case kStretchBlt: case kAlphaBlend: case kTransparentBlt:
      return OptionalBitmapValid(r, 84, r.At(80));
    case kMaskBlt: return OptionalBitmapValid(r, 84, r.At(80)) && OptionalBitmapValid(r, 112, r.At(108));
    case kPlgBlt: return OptionalBitmapValid(r, 96, r.At(92)) && OptionalBitmapValid(r, 124, r.At(120));
    case kSetDIBitsToDevice: return BitmapValid(r, r.At(48), r.At(52), r.At(56), r.At(60), r.At(64), r.At(72));
    case kStretchDIBits: return BitmapValid(r, r.At(48), r.At(52), r.At(56), r.At(60), r.At(64));
    case kCreateMonoBrush: case kCreateDIBPatternBrushPt:
      return HandleValid(r.At(8), handles) && BitmapValid(r, r.At(16), r.At(20), r.At(24), r.At(28), r.At(12));
    case kExtCreatePen:
      return HandleValid(r.At(8), handles) && r.Has(52, uint64_t(r.At(48)) * 4) && OptionalBitmapValid(r, 12, 0);
    case kExtTextOutA: return TextValid(r, 36, 1);
    case kExtTextOutW: return TextValid(r, 36, 2);
    case kPolyTextOutA: case kPolyTextOutW: {
      const uint64_t count = r.At(36);
      if (!r.Has(40, count * 40)) return false;
      for (uint64_t i = 0; i < count; ++i)
        if (!TextValid(r, size_t(40 + 40 * i), type == kPolyTextOutA ? 1 : 2)) return false;
      return true;
    }
    case kSmallTextOut: {
      const uint32_t options = r.At(20);
      const uint64_t textAt = (options & 0x100) ? 36 : 52;  // ETO_NO_RECT leaves out the clip
      return r.Has(textAt, uint64_t(r.At(16)) * ((options & 0x200) ? 1 : 2));  // ETO_SMALL_CHARS
    }
    case kGradientFill: {
      const uint64_t vertices = r.At(24), shapes = r.At(28), mode = r.At(32);
      return r.Has(36, vertices * 16 + shapes * (mode == 2 ? 12 : 8));
    }
    default:
      if ((type >= kPolyBezier && type <= kPolyLineTo)) return r.Has(28, uint64_t(r.At(24)) * 8);
      if ((type >= kPolyBezier16 && type <= kPolyLineTo16)) return r.Has(28, uint64_t(r.At(24)) * 4);
      return true;
  }
}

// Record functions of a WMF whose contents are checked. Parameters are 16-bit words after
// the six bytes of size and function.
enum : uint16_t {
  kWmfSelectClipRegion = 0x012C, kWmfSelectObject = 0x012D, kWmfInvertRegion = 0x012A, kWmfPaintRegion = 0x012B,
  kWmfDeleteObject = 0x01F0, kWmfSelectPalette = 0x0234, kWmfFillRegion = 0x0228, kWmfFrameRegion = 0x0429,
  kWmfPolygon = 0x0324, kWmfPolyline = 0x0325, kWmfPolyPolygon = 0x0538, kWmfTextOut = 0x0521,
  kWmfExtTextOut = 0x0A32, kWmfEscape = 0x0626, kWmfDibBitBlt = 0x0940, kWmfDibStretchBlt = 0x0B41,
  kWmfStretchDib = 0x0F43, kWmfSetDibToDev = 0x0D33, kWmfDibCreatePatternBrush = 0x0142,
  kWmfCreatePalette = 0x00F7, kWmfCreateRegion = 0x06FF,
};

// A record whose `count` words of parameters are all there.
bool HasWords(const Record& r, uint64_t count) { return r.Has(6, count * 2); }
uint32_t Word(const Record& r, size_t index) { return U16(r.data + 6 + 2 * index); }

bool WindowsRecordValid(const Record& r, uint16_t function, uint32_t objects) {
  switch (function) {
    case kWmfSelectClipRegion: case kWmfSelectObject: case kWmfInvertRegion: case kWmfPaintRegion:
    case kWmfDeleteObject: case kWmfSelectPalette:
      return HasWords(r, 1) && Word(r, 0) < objects;
    case kWmfFillRegion: case kWmfFrameRegion:
      return HasWords(r, 2) && Word(r, 0) < objects && Word(r, 1) < objects;
    case kWmfPolygon: case kWmfPolyline: return HasWords(r, 1) && HasWords(r, 1 + 2 * uint64_t(Word(r, 0)));
    case kWmfPolyPolygon: {
      if (!HasWords(r, 1)) return false;
      const uint64_t polys = Word(r, 0);
      if (!HasWords(r, 1 + polys)) return false;
      uint64_t points = 0;
      for (uint64_t i = 0; i < polys; ++i) points += Word(r, size_t(1 + i));
      return HasWords(r, 1 + polys + 2 * points);
    }
    case kWmfTextOut: return HasWords(r, 1) && HasWords(r, 1 + (uint64_t(Word(r, 0)) + 1) / 2 + 2);
    case kWmfExtTextOut: {
      if (!HasWords(r, 4)) return false;
      const uint64_t chars = Word(r, 2);
      const bool rect = Word(r, 3) & 0x0006;  // ETO_OPAQUE or ETO_CLIPPED: a rectangle follows
      return HasWords(r, 4 + (rect ? 4 : 0) + (chars + 1) / 2);
    }
    case kWmfEscape: return HasWords(r, 2) && r.Has(10, Word(r, 1));
    case kWmfDibBitBlt: return r.size <= 24 || PackedBitmapValid(r, 22, 0);  // 24 bytes: no bitmap
    case kWmfDibStretchBlt: return r.size <= 28 || PackedBitmapValid(r, 26, 0);  // 28 bytes: no bitmap
    case kWmfStretchDib: return HasWords(r, 11) && PackedBitmapValid(r, 28, Word(r, 2));
    case kWmfSetDibToDev: return HasWords(r, 9) && PackedBitmapValid(r, 24, Word(r, 0), Word(r, 1));
    case kWmfDibCreatePatternBrush: return HasWords(r, 2) && PackedBitmapValid(r, 10, Word(r, 1));
    case kWmfCreatePalette: return HasWords(r, 2) && HasWords(r, 2 + 2 * uint64_t(Word(r, 1)));
    case kWmfCreateRegion: return HasWords(r, 10) && r.size >= 26;
    default: return true;
  }
}

}  // namespace

bool EnhancedRecordsValid(const std::vector<uint8_t>& data) {
  if (data.size() < 88) return false;
  const uint32_t handles = U16(&data[56]);
  size_t at = 0;
  while (at + 8 <= data.size()) {
    const uint32_t type = U32(&data[at]), size = U32(&data[at + 4]);
    if (size < 8 || size % 4 != 0 || size > data.size() - at) return false;
    if (!RecordValid(Record{&data[at], size}, type, handles)) return false;
    at += size;
    if (type == kEOF) return true;
  }
  return false;
}

bool WindowsRecordsValid(const std::vector<uint8_t>& data, size_t headerSize) {
  if (data.size() < headerSize || headerSize < 12) return false;
  const uint32_t objects = U16(&data[10]);
  size_t at = headerSize;
  while (at + 6 <= data.size()) {
    const uint64_t size = uint64_t(U32(&data[at])) * 2;
    const uint16_t function = U16(&data[at + 4]);
    if (size < 6 || size > data.size() - at) return false;
    if (function == 0) return true;
    if (!WindowsRecordValid(Record{&data[at], size_t(size)}, function, objects)) return false;
    at += size_t(size);
  }
  return false;
}

}  // namespace vcl::metafile_records
