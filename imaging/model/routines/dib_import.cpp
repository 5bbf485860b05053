#include "imaging/model/routines/dib_import.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/base/bit_helpers.h"
#include "imaging/base/defs.h"
#include "imaging/model/dib_bitmap.h"
#include "imaging/model/drawdib.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/yuv_decoders.h"
#include "vcl/graphics/bmp_format.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

constexpr int64_t kMaxPixelBytes = 0x7FFFFFFF;  // what a DIB header's 32-bit sizes can describe

[[noreturn]] void InvalidDIB() { throw vcl::EInvalidGraphic("Bitmap image is not valid"); }

inline uint32_t ReadU32(const uint8_t* p) {
  uint32_t value;
  std::memcpy(&value, p, 4);
  return value;
}

// What the header says, checked against the memory it came in.
struct DibView {
  int32_t width = 0;
  int32_t height = 0;  // always positive
  bool topDown = false;
  int32_t bitCount = 0;
  uint32_t compression = BI_RGB;
  const uint8_t* header = nullptr;
  const RGBQUAD* table = nullptr;
  int32_t tableEntries = 0;
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue
  const uint8_t* pixels = nullptr;
  size_t pixelBytes = 0;  // readable from `pixels`
};

bool IsPlainOrBitFields(const DibView& dib) {
  return dib.compression == BI_RGB || (dib.compression == BI_BITFIELDS && (dib.bitCount == 16 || dib.bitCount == 32));
}

DibView ParseDIB(const uint8_t* data, size_t size, const uint8_t* bits, size_t bitsSize) {
  DibView dib;
  if (size < sizeof(BITMAPINFOHEADER)) InvalidDIB();
  BITMAPINFOHEADER h;
  std::memcpy(&h, data, sizeof h);
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > size) InvalidDIB();
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) InvalidDIB();
  dib.header = data;
  dib.width = h.biWidth;
  dib.topDown = h.biHeight < 0;
  dib.height = dib.topDown ? -h.biHeight : h.biHeight;
  dib.bitCount = h.biBitCount;
  dib.compression = h.biCompression;
  if (dib.topDown && (dib.compression == BI_RLE8 || dib.compression == BI_RLE4)) InvalidDIB();

  // After the header: the three masks of a bit-field DIB (inside longer headers already), then
  // the colour table of biClrUsed entries (for up to 8 bits all of them when 0).
  size_t offset = h.biSize;
  if (dib.compression == BI_BITFIELDS && (dib.bitCount == 16 || dib.bitCount == 32)) {
    if (size < sizeof(BITMAPINFOHEADER) + 12) InvalidDIB();
    for (int i = 0; i < 3; ++i) dib.masks[i] = ReadU32(data + sizeof(BITMAPINFOHEADER) + 4 * i);
    if (h.biSize == sizeof(BITMAPINFOHEADER)) offset += 12;
  } else if (dib.bitCount == 16) {
    dib.masks[0] = 0x7C00, dib.masks[1] = 0x03E0, dib.masks[2] = 0x001F;
  } else if (dib.bitCount == 32) {
    dib.masks[0] = 0xFF0000, dib.masks[1] = 0xFF00, dib.masks[2] = 0xFF;
  }
  if (h.biClrUsed > 256) InvalidDIB();
  int32_t entries = static_cast<int32_t>(h.biClrUsed);
  // A YUV frame has no implied colour table, whatever its bit count says (CLJR declares 8).
  if (dib.bitCount >= 1 && dib.bitCount <= 8 && entries == 0 && !IsYUVCompression(dib.compression))
    entries = 1 << dib.bitCount;
  if (offset + size_t(entries) * sizeof(RGBQUAD) > size) InvalidDIB();
  dib.table = reinterpret_cast<const RGBQUAD*>(data + offset);
  dib.tableEntries = entries;
  offset += size_t(entries) * sizeof(RGBQUAD);

  if (bits) {
    dib.pixels = bits;
    dib.pixelBytes = bitsSize;
  } else {
    dib.pixels = data + offset;
    dib.pixelBytes = size - offset;
  }
  if (h.biSizeImage != 0 && h.biSizeImage < dib.pixelBytes && !IsPlainOrBitFields(dib)) dib.pixelBytes = h.biSizeImage;

  const int64_t rowBytes = AlignedRowSize(dib.width, dib.bitCount > 0 ? dib.bitCount : 1, 32);
  const int64_t need = IsPlainOrBitFields(dib) ? rowBytes * dib.height : 0;
  if (rowBytes * dib.height > kMaxPixelBytes || int64_t(dib.width) * 3 * dib.height > kMaxPixelBytes) InvalidDIB();
  if (need > int64_t(dib.pixelBytes)) InvalidDIB();
  if (IsYUVCompression(dib.compression) && YUVFrameSize(dib.compression, dib.width, dib.height) > int64_t(dib.pixelBytes))
    InvalidDIB();
  return dib;
}

// The rows of the DIB in the order of the bitmap (row 0 at the top).
inline const uint8_t* DibRow(const DibView& dib, int32_t y) {
  const int64_t rowBytes = AlignedRowSize(dib.width, dib.bitCount, 32);
  return dib.pixels + rowBytes * (dib.topDown ? y : dib.height - 1 - y);
}

inline TRGB TableColour(const DibView& dib, uint32_t index) {
  if (index >= uint32_t(dib.tableEntries)) return TRGB{0, 0, 0};
  const RGBQUAD& q = dib.table[index];
  return TRGB{q.rgbBlue, q.rgbGreen, q.rgbRed};
}

// One channel of a bit-field pixel as a byte: the field's top eight bits, or its bits
// followed by zeros when it is narrower (a 5-bit 31 gives 248).
inline uint8_t MaskedChannel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  int32_t shift = 0;
  while (!(mask & (1u << shift))) ++shift;
  const int32_t width = BitMaskRunLength(mask);
  const uint32_t value = (pixel & mask) >> shift;
  return static_cast<uint8_t>(width >= 8 ? value >> (width - 8) : value << (8 - width));
}

// A 1-bit DIB whose colour table puts the lighter colour first stores white as 0.
bool InvertedBilevelTable(const DibView& dib) {
  if (dib.tableEntries < 2) return false;
  const TRGB c0 = TableColour(dib, 0), c1 = TableColour(dib, 1);
  return GrayLevel(c0.r, c0.g, c0.b) > GrayLevel(c1.r, c1.g, c1.b);
}

// The index rows of an RLE4 or RLE8 DIB, bottom row first, decoded with the bounds of the
// image and of the data checked.
std::vector<uint8_t> DecodeRunLengths(const DibView& dib) {
  vcl::bmp::ParsedDib parsed;
  parsed.layout.width = dib.width;
  parsed.layout.height = dib.height;
  parsed.layout.bitCount = dib.bitCount;
  parsed.fileCompression = dib.compression;
  parsed.pixels = dib.pixels;
  parsed.pixelBytes = dib.pixelBytes;
  std::vector<uint8_t> indexes(static_cast<size_t>(AlignedRowSize(dib.width, dib.bitCount, 32) * dib.height));
  vcl::bmp::DecodePixels(parsed, indexes.data());
  return indexes;
}

// The pixel format the DIB is decoded into. A YUV frame always decodes to 24 bits, whatever
// bit count its header claims: the header comes from the clipboard or a capture device, and a
// frame that says 1 bit must not get a 1-bit target that the decoder then fills with 3-byte
// pixels.
TIEPixelFormat TargetFormat(const DibView& dib) {
  if (IsYUVCompression(dib.compression)) return ie24RGB;
  return dib.bitCount == 1 ? ie1g : ie24RGB;
}

bool Decodable(const DibView& dib) {
  switch (dib.compression) {
    case BI_RGB: return dib.bitCount == 1 || dib.bitCount == 4 || dib.bitCount == 8 || dib.bitCount == 16 ||
                        dib.bitCount == 24 || dib.bitCount == 32;
    case BI_RLE8: return dib.bitCount == 8;
    case BI_RLE4: return dib.bitCount == 4;
    case BI_BITFIELDS: return dib.bitCount == 16 || dib.bitCount == 32;
    default: return IsYUVCompression(dib.compression);
  }
}

void DecodeRows(const DibView& dib, const std::vector<uint8_t>& runLengthRows, TIEBitmap* target) {
  const int32_t width = dib.width, height = dib.height;
  if (IsYUVCompression(dib.compression)) {
    DecodeYUVFrame(dib.compression, dib.pixels, target);
    return;
  }
  if (dib.bitCount == 1) {
    const size_t bytes = static_cast<size_t>((int64_t(width) + 7) / 8);
    const bool invert = InvertedBilevelTable(dib);
    for (int32_t y = 0; y < height; ++y) {
      uint8_t* row = static_cast<uint8_t*>(target->GetScanline(y));
      std::memcpy(row, DibRow(dib, y), bytes);
      if (invert)
        for (size_t i = 0; i < bytes; ++i) row[i] = uint8_t(~row[i]);
    }
    return;
  }
  const int64_t indexRowBytes = AlignedRowSize(width, dib.bitCount, 32);
  for (int32_t y = 0; y < height; ++y) {
    TRGB* row = static_cast<TRGB*>(target->GetScanline(y));
    const uint8_t* from = runLengthRows.empty() ? DibRow(dib, y) : runLengthRows.data() + indexRowBytes * (height - 1 - y);
    switch (dib.bitCount) {
      case 4:
        for (int32_t x = 0; x < width; ++x)
          row[x] = TableColour(dib, (x & 1) ? from[x >> 1] & 0x0F : from[x >> 1] >> 4);
        break;
      case 8:
        for (int32_t x = 0; x < width; ++x) row[x] = TableColour(dib, from[x]);
        break;
      case 16:
        for (int32_t x = 0; x < width; ++x) {
          const uint32_t p = uint32_t(from[x * 2]) | (uint32_t(from[x * 2 + 1]) << 8);
          row[x] = TRGB{MaskedChannel(p, dib.masks[2]), MaskedChannel(p, dib.masks[1]), MaskedChannel(p, dib.masks[0])};
        }
        break;
      case 24:
        std::memcpy(row, from, size_t(width) * 3);
        break;
      case 32:
        for (int32_t x = 0; x < width; ++x) {
          const uint32_t p = ReadU32(from + int64_t(x) * 4);
          row[x] = TRGB{MaskedChannel(p, dib.masks[2]), MaskedChannel(p, dib.masks[1]), MaskedChannel(p, dib.masks[0])};
        }
        break;
      default:
        break;
    }
  }
}

int32_t ImportToIEBitmap(const uint8_t* data, size_t size, TIEBitmap* target, const void* bits, size_t bitsSize) {
  if (!data) return 0;
  const DibView dib = ParseDIB(data, size, static_cast<const uint8_t*>(bits), bitsSize);
  if (!Decodable(dib)) {
    target->FreeImage(true);
    return dib.bitCount;
  }
  // Run-length data is decoded before the target is touched: damaged data raises and the
  // target keeps its picture.
  std::vector<uint8_t> runLengthRows;
  if (dib.compression == BI_RLE8 || dib.compression == BI_RLE4) runLengthRows = DecodeRunLengths(dib);
  if (!target->Allocate(dib.width, dib.height, TargetFormat(dib))) throw vcl::EOutOfMemory("Out of memory");
  if (target->HasAlphaChannel()) target->RemoveAlphaChannel(false, 0);
  DecodeRows(dib, runLengthRows, target);
  return dib.bitCount;
}

int32_t ImportToDibbitmap(const uint8_t* data, size_t size, TIEDibbitmap* target, const void* bits, size_t bitsSize) {
  if (!data) return 0;
  const DibView dib = ParseDIB(data, size, static_cast<const uint8_t*>(bits), bitsSize);
  if (IsYUVCompression(dib.compression)) {
    // Decoded here, from the checked frame, rather than by a platform codec that would read
    // as much as the header's bit count claims.
    TIEBitmap frame;
    frame.SetLocation(ieMemory);
    if (!frame.Allocate(dib.width, dib.height, ie24RGB)) throw vcl::EOutOfMemory("Out of memory");
    DecodeYUVFrame(dib.compression, dib.pixels, &frame);
    if (!target->AllocateDIB(dib.width, dib.height, 24)) return dib.bitCount;
    for (int32_t y = 0; y < dib.height; ++y)
      std::memcpy(target->GetScanline(y), frame.GetScanline(y), size_t(dib.width) * 3);
    return dib.bitCount;
  }
  int32_t targetBits;
  switch (dib.bitCount) {
    case 1: targetBits = 1; break;
    case 4: case 8: case 16: case 24: case 32: targetBits = 24; break;
    default: return dib.bitCount;
  }
  // Damaged run-length data raises here instead of being handed to the platform's decoder.
  if (dib.compression == BI_RLE8 || dib.compression == BI_RLE4) DecodeRunLengths(dib);
  if (!target->AllocateDIB(dib.width, dib.height, targetBits)) return dib.bitCount;
  HDRAWDIB drawDib = IEDrawDibOpen();
  if (!drawDib) return dib.bitCount;
  BITMAPINFOHEADER* header = reinterpret_cast<BITMAPINFOHEADER*>(const_cast<uint8_t*>(dib.header));
  IEDrawDibDraw(drawDib, target->DC(), 0, 0, dib.width, dib.height, header, const_cast<uint8_t*>(dib.pixels), 0, 0,
                dib.width, dib.height, 0);
  IEDrawDibClose(drawDib);
  return dib.bitCount;
}

// Locks a global-memory DIB for the duration of an import.
class LockedDIB {
 public:
  explicit LockedDIB(HGLOBAL handle)
      : handle_(handle), data_(handle ? static_cast<const uint8_t*>(GlobalLock(handle)) : nullptr),
        size_(data_ ? GlobalSize(handle) : 0) {}
  ~LockedDIB() {
    if (data_) GlobalUnlock(handle_);
  }
  LockedDIB(const LockedDIB&) = delete;
  LockedDIB& operator=(const LockedDIB&) = delete;
  const uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }

 private:
  HGLOBAL handle_;
  const uint8_t* data_;
  size_t size_;
};

}  // namespace

int32_t PackedDIBToIEBitmap(HGLOBAL dib, TIEBitmap* target, const void* bits, size_t bitsSize) {
  LockedDIB locked(dib);
  return ImportToIEBitmap(locked.Data(), locked.Size(), target, bits, bitsSize);
}

int32_t PackedDIBToIEBitmap(const void* dib, size_t dibSize, TIEBitmap* target, const void* bits, size_t bitsSize) {
  return ImportToIEBitmap(static_cast<const uint8_t*>(dib), dibSize, target, bits, bitsSize);
}

int32_t PackedDIBToDibbitmap(HGLOBAL dib, TIEDibbitmap* target, const void* bits, size_t bitsSize) {
  LockedDIB locked(dib);
  return ImportToDibbitmap(locked.Data(), locked.Size(), target, bits, bitsSize);
}

int32_t PackedDIBToDibbitmap(const void* dib, size_t dibSize, TIEDibbitmap* target, const void* bits,
                             size_t bitsSize) {
  return ImportToDibbitmap(static_cast<const uint8_t*>(dib), dibSize, target, bits, bitsSize);
}

}  // namespace imaging
