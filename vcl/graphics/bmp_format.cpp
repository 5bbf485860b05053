// BMP files and packed DIBs. Every size, offset and count in a header is checked against the
// data before it is used; compressed rows are decoded with every write clipped to the image.
#include "vcl/graphics/bmp_format.h"

#include <algorithm>
#include <cstring>

#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace vcl::bmp {

namespace {

using le::Put16;
using le::Put32;
using le::U16;
using le::U32;

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kCoreHeaderSize = 12;
constexpr size_t kInfoHeaderSize = 40;
constexpr DWORD kAlphaBitFields = 6;  // BI_ALPHABITFIELDS: four masks after a 40-byte header
// The largest pixel block a DIB may claim (GDI's own limit is of this order).
constexpr int64_t kMaxPixelBytes = 0x7FFFFFFF;


// OS/2 2.x headers (16 to 64 bytes) share the first fields of the Windows header; the Windows
// ones are 40, 52, 56, 108 and 124 bytes.
bool IsWindowsHeader(size_t size) { return size == 40 || size == 52 || size == 56 || size == 108 || size == 124; }
bool IsKnownHeaderSize(size_t size) {
  return size == kCoreHeaderSize || (size >= 16 && size <= 64 && size % 4 == 0) || IsWindowsHeader(size);
}

// What the info header says, before anything after it is looked at.
struct HeaderInfo {
  size_t headerSize = 0;
  int width = 0;
  int height = 0;
  bool topDown = false;
  int bitCount = 0;
  DWORD compression = BI_RGB;
  uint32_t sizeImage = 0;
  uint32_t clrUsed = 0;
  bool os2Core = false;
  size_t masksAfterHeader = 0;  // mask bytes between the header and the colour table
  size_t entrySize = 4;         // bytes of one colour-table entry
  size_t tableEntries = 0;      // entries stored in the file
  size_t tableEntriesUsed = 0;  // entries that go into the bitmap's colour table
  size_t pixelStart = 0;        // from the start of the info header
  int64_t pixelNeed = 0;        // bytes of uncompressed pixels; 0 for compressed data
};

// Parses the info header (the first `size` bytes hold at least the header itself).
HeaderInfo ParseHeader(const uint8_t* data, size_t size, size_t pixelOffset) {
  HeaderInfo h;
  if (size < 4) RaiseInvalidBitmap();
  h.headerSize = U32(data);
  if (!IsKnownHeaderSize(h.headerSize) || size < h.headerSize) RaiseInvalidBitmap();
  int64_t width, height;
  if (h.headerSize == kCoreHeaderSize) {
    h.os2Core = true;
    width = U16(data + 4);
    height = U16(data + 6);
    h.bitCount = U16(data + 10);
    h.entrySize = 3;
  } else {
    width = static_cast<int32_t>(U32(data + 4));
    height = static_cast<int32_t>(U32(data + 8));
    h.bitCount = U16(data + 14);
    if (h.headerSize >= 20) h.compression = U32(data + 16);
    if (h.headerSize >= 24) h.sizeImage = U32(data + 20);
    if (h.headerSize >= 36) h.clrUsed = U32(data + 32);
  }
  if (width <= 0 || height == 0) RaiseInvalidBitmap();
  h.topDown = height < 0;
  if (h.topDown) height = -height;
  h.width = static_cast<int>(width);
  h.height = static_cast<int>(height);

  switch (h.bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: RaiseInvalidBitmap();
  }
  // OS/2 2.x numbers its compressions 3 and 4 for Huffman and RLE24, which are not supported.
  bool windows = IsWindowsHeader(h.headerSize);
  switch (h.compression) {
    case BI_RGB: break;
    case BI_RLE8: if (h.bitCount != 8 || h.topDown) RaiseInvalidBitmap(); break;
    case BI_RLE4: if (h.bitCount != 4 || h.topDown) RaiseInvalidBitmap(); break;
    case BI_BITFIELDS:
    case kAlphaBitFields:
      if (!windows || (h.bitCount != 16 && h.bitCount != 32)) RaiseInvalidBitmap();
      // A 40-byte header is followed by the masks; the longer ones hold them.
      if (h.headerSize == kInfoHeaderSize) h.masksAfterHeader = h.compression == BI_BITFIELDS ? 12 : 16;
      break;
    default: RaiseInvalidBitmap();
  }

  const int64_t stride = RowStride(h.width, h.bitCount);
  if (stride * h.height > kMaxPixelBytes) RaiseInvalidBitmap();

  size_t tableStart = h.headerSize + h.masksAfterHeader;
  if (h.bitCount <= 8) {
    size_t full = size_t(1) << h.bitCount;
    if (h.os2Core) {
      // The core header has no colour count: the table runs up to the pixels.
      h.tableEntries = full;
      if (pixelOffset > tableStart) h.tableEntries = std::min(full, (pixelOffset - tableStart) / 3);
    } else {
      h.tableEntries = h.clrUsed == 0 ? full : std::min<size_t>(h.clrUsed, full);
    }
    h.tableEntriesUsed = h.tableEntries;
    if (h.tableEntriesUsed == 0) RaiseInvalidBitmap();
  } else if (h.clrUsed != 0) {
    // An optional table for palette devices; skipped, but it may lie before the pixels.
    if (h.clrUsed > 256) RaiseInvalidBitmap();
    h.tableEntries = h.clrUsed;
  }
  size_t tableEnd = tableStart + h.tableEntries * h.entrySize;
  h.pixelStart = pixelOffset ? pixelOffset : tableEnd;
  // The pixels never overlap the header, the masks or the colours that are used.
  if (h.pixelStart < tableStart + h.tableEntriesUsed * h.entrySize) RaiseInvalidBitmap();
  if (h.compression == BI_RGB || h.compression == BI_BITFIELDS || h.compression == kAlphaBitFields)
    h.pixelNeed = stride * h.height;
  return h;
}

// Rows of run-length coded data are written through this, which clips to the image.
class RleTarget {
 public:
  RleTarget(uint8_t* dest, int width, int height, int bitCount)
      : dest_(dest), width_(width), height_(height), bitCount_(bitCount),
        stride_(RowStride(width, bitCount)) {}

  bool Done() const { return y_ >= height_; }
  void Put(uint8_t index) {
    if (x_ < width_ && y_ < height_) {
      uint8_t* row = dest_ + y_ * stride_;
      if (bitCount_ == 8) {
        row[x_] = index;
      } else if (x_ & 1) {
        row[x_ >> 1] = uint8_t((row[x_ >> 1] & 0xF0) | (index & 0x0F));
      } else {
        row[x_ >> 1] = uint8_t((row[x_ >> 1] & 0x0F) | (index << 4));
      }
    }
    ++x_;
  }
  void NextLine() {
    x_ = 0;
    ++y_;
  }
  void Move(int dx, int dy) {
    x_ += dx;
    y_ += dy;
  }

 private:
  uint8_t* dest_;
  int width_, height_, bitCount_;
  int64_t stride_;
  int64_t x_ = 0;
  int64_t y_ = 0;
};

void DecodeRle(const ParsedDib& dib, uint8_t* dest) {
  const bool rle4 = dib.fileCompression == BI_RLE4;
  RleTarget target(dest, dib.layout.width, dib.layout.height, dib.layout.bitCount);
  const uint8_t* p = dib.pixels;
  const uint8_t* end = p + dib.pixelBytes;
  while (!target.Done()) {
    // Data that ends before the end-of-bitmap code, with rows still missing, is truncated.
    if (end - p < 2) RaiseInvalidBitmap();
    uint8_t count = p[0], value = p[1];
    p += 2;
    if (count > 0) {
      // An encoded run: one index, or two alternating indexes for four bits per pixel.
      for (int i = 0; i < count; ++i) target.Put(rle4 ? ((i & 1) ? value & 0x0F : value >> 4) : value);
    } else if (value == 0) {
      target.NextLine();
    } else if (value == 1) {
      return;
    } else if (value == 2) {
      if (end - p < 2) RaiseInvalidBitmap();
      target.Move(p[0], p[1]);
      p += 2;
    } else {
      // An absolute run of `value` indexes, padded to a 16-bit boundary.
      size_t bytes = rle4 ? (value + 1) / 2 : value;
      size_t padded = (bytes + 1) & ~size_t(1);
      if (size_t(end - p) < bytes) RaiseInvalidBitmap();
      for (int i = 0; i < value; ++i) target.Put(rle4 ? ((i & 1) ? p[i / 2] & 0x0F : p[i / 2] >> 4) : p[i]);
      p += std::min(padded, size_t(end - p));
    }
  }
}

}  // namespace

void RaiseInvalidBitmap() { throw EInvalidGraphic("Bitmap image is not valid"); }

int64_t RowStride(int width, int bitCount) { return ((int64_t(width) * bitCount + 31) / 32) * 4; }

ParsedDib ParseDib(const uint8_t* data, size_t size, size_t pixelOffset) {
  HeaderInfo h = ParseHeader(data, size, pixelOffset);
  ParsedDib dib;
  DibLayout& layout = dib.layout;
  layout.width = h.width;
  layout.height = h.height;
  layout.bitCount = h.bitCount;
  layout.os2 = h.os2Core;
  dib.topDown = h.topDown;
  dib.fileCompression = h.compression;

  if (h.compression == BI_BITFIELDS || h.compression == kAlphaBitFields) {
    size_t at = h.masksAfterHeader ? h.headerSize : 40;
    if (size < at + 12) RaiseInvalidBitmap();
    DWORD r = U32(data + at), g = U32(data + at + 4), b = U32(data + at + 8);
    DWORD limit = h.bitCount == 16 ? 0xFFFF : 0xFFFFFFFF;
    if (!r || !g || !b || (r | g | b) > limit || (r & g) || (r & b) || (g & b)) RaiseInvalidBitmap();
    // The usual layouts are the plain ones the bitmap reports as pf15bit and pf32bit.
    bool plain = h.bitCount == 16 ? (r == 0x7C00 && g == 0x03E0 && b == 0x001F)
                                  : (r == 0xFF0000 && g == 0xFF00 && b == 0xFF);
    if (!plain) {
      layout.compression = BI_BITFIELDS;
      layout.masks[0] = r;
      layout.masks[1] = g;
      layout.masks[2] = b;
    }
  }

  if (h.tableEntriesUsed) {
    size_t start = h.headerSize + h.masksAfterHeader;
    if (size < start + h.tableEntriesUsed * h.entrySize) RaiseInvalidBitmap();
    layout.colors.resize(h.tableEntriesUsed);
    for (size_t i = 0; i < h.tableEntriesUsed; ++i) {
      const uint8_t* e = data + start + i * h.entrySize;
      layout.colors[i] = RGBQUAD{e[0], e[1], e[2], 0};
    }
  }

  if (h.pixelStart > size) RaiseInvalidBitmap();
  dib.pixels = data + h.pixelStart;
  size_t available = size - h.pixelStart;
  if (h.pixelNeed) {
    if (available < static_cast<uint64_t>(h.pixelNeed)) RaiseInvalidBitmap();
    dib.pixelBytes = static_cast<size_t>(h.pixelNeed);
  } else {
    dib.pixelBytes = h.sizeImage ? std::min<size_t>(h.sizeImage, available) : available;
  }
  return dib;
}

void DecodePixels(const ParsedDib& dib, uint8_t* dest) {
  if (dib.fileCompression == BI_RLE8 || dib.fileCompression == BI_RLE4) return DecodeRle(dib, dest);
  const size_t stride = static_cast<size_t>(RowStride(dib.layout.width, dib.layout.bitCount));
  const int height = dib.layout.height;
  if (!dib.topDown) {
    std::memcpy(dest, dib.pixels, stride * height);
    return;
  }
  // Top-down files are kept bottom-up like every other bitmap.
  for (int row = 0; row < height; ++row)
    std::memcpy(dest + size_t(height - 1 - row) * stride, dib.pixels + size_t(row) * stride, stride);
}

std::vector<uint8_t> ReadFileBytes(TStream* stream) {
  const int64_t available = stream->Size() - stream->Position();
  std::vector<uint8_t> file(kFileHeaderSize + 4);
  if (available < int64_t(file.size()) || stream->Read(file.data(), int32_t(file.size())) != int32_t(file.size()))
    RaiseInvalidBitmap();
  if (file[0] != 'B' || file[1] != 'M') RaiseInvalidBitmap();
  size_t headerSize = U32(file.data() + kFileHeaderSize);
  if (!IsKnownHeaderSize(headerSize) || available < int64_t(kFileHeaderSize + headerSize)) RaiseInvalidBitmap();
  file.resize(kFileHeaderSize + headerSize);
  stream->ReadBuffer(file.data() + kFileHeaderSize + 4, int32_t(headerSize - 4));

  // The pixels start at the file header's offset; files that leave it 0 have them right after
  // the colour table.
  uint32_t offBits = U32(file.data() + 10);
  if (offBits != 0 && offBits < kFileHeaderSize + headerSize) RaiseInvalidBitmap();
  size_t pixelOffset = offBits ? offBits - kFileHeaderSize : 0;
  HeaderInfo h = ParseHeader(file.data() + kFileHeaderSize, headerSize, pixelOffset);
  int64_t total = int64_t(kFileHeaderSize + h.pixelStart);
  if (h.pixelNeed) total += h.pixelNeed;
  else total = h.sizeImage ? total + h.sizeImage : available;
  // What is not there is left out here and found missing by the parser.
  total = std::min(total, available);
  if (total > int64_t(file.size())) {
    size_t have = file.size();
    file.resize(size_t(total));
    int32_t got = stream->Read(file.data() + have, int32_t(total - int64_t(have)));
    file.resize(have + size_t(std::max(got, 0)));
  }
  return file;
}

ParsedDib ParseFile(const std::vector<uint8_t>& file) {
  if (file.size() < kFileHeaderSize) RaiseInvalidBitmap();
  uint32_t offBits = U32(file.data() + 10);
  if (offBits != 0 && offBits < kFileHeaderSize) RaiseInvalidBitmap();
  size_t pixelOffset = offBits ? offBits - kFileHeaderSize : 0;
  return ParseDib(file.data() + kFileHeaderSize, file.size() - kFileHeaderSize, pixelOffset);
}

std::vector<uint8_t> PackDib(const DibLayout& layout, const uint8_t* bits) {
  const bool core = layout.os2 && layout.compression == BI_RGB &&
                    (layout.bitCount == 1 || layout.bitCount == 4 || layout.bitCount == 8 || layout.bitCount == 24);
  const size_t pixelBytes = static_cast<size_t>(RowStride(layout.width, layout.bitCount) * layout.height);
  std::vector<uint8_t> out;
  out.reserve(kInfoHeaderSize + 12 + layout.colors.size() * 4 + pixelBytes);
  if (core) {
    Put32(out, kCoreHeaderSize);
    Put16(out, uint16_t(layout.width));
    Put16(out, uint16_t(layout.height));
    Put16(out, 1);
    Put16(out, uint16_t(layout.bitCount));
    for (const RGBQUAD& c : layout.colors) out.insert(out.end(), {c.rgbBlue, c.rgbGreen, c.rgbRed});
  } else {
    Put32(out, kInfoHeaderSize);
    Put32(out, uint32_t(layout.width));
    Put32(out, uint32_t(layout.height));
    Put16(out, 1);
    Put16(out, uint16_t(layout.bitCount));
    Put32(out, layout.compression);
    Put32(out, uint32_t(pixelBytes));
    Put32(out, 0);  // no resolution recorded
    Put32(out, 0);
    Put32(out, uint32_t(layout.colors.size()));
    Put32(out, 0);
    if (layout.compression == BI_BITFIELDS)
      for (DWORD mask : layout.masks) Put32(out, mask);
    for (const RGBQUAD& c : layout.colors) out.insert(out.end(), {c.rgbBlue, c.rgbGreen, c.rgbRed, 0});
  }
  out.insert(out.end(), bits, bits + pixelBytes);
  return out;
}

void WriteFile(TStream* stream, const DibLayout& layout, const uint8_t* bits) {
  std::vector<uint8_t> dib = PackDib(layout, bits);
  const size_t pixelBytes = static_cast<size_t>(RowStride(layout.width, layout.bitCount) * layout.height);
  std::vector<uint8_t> header;
  header.push_back('B');
  header.push_back('M');
  Put32(header, uint32_t(kFileHeaderSize + dib.size()));
  Put32(header, 0);
  Put32(header, uint32_t(kFileHeaderSize + dib.size() - pixelBytes));
  stream->WriteBuffer(header.data(), int32_t(header.size()));
  stream->WriteBuffer(dib.data(), int32_t(dib.size()));
}

}  // namespace vcl::bmp
