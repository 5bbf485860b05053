#include "tests/support/xwd_picture.h"

#include <cstddef>

namespace screen_test {

namespace {

// Fields of the dump's header, 32-bit words in the writer's byte order (most significant first).
enum XwdHeaderField {
  kXwdHeaderSize = 0,
  kXwdFileVersion = 1,
  kXwdPixmapFormat = 2,
  kXwdWidth = 4,
  kXwdHeight = 5,
  kXwdByteOrder = 7,
  kXwdBitsPerPixel = 11,
  kXwdBytesPerLine = 12,
  kXwdVisualClass = 13,
  kXwdRedMask = 14,
  kXwdGreenMask = 15,
  kXwdBlueMask = 16,
  kXwdColourCount = 19,
  kXwdFieldCount = 25
};
constexpr uint32_t kXwdVersion = 7, kXwdZPixmap = 2, kXwdTrueColour = 4, kXwdDirectColour = 5;
constexpr size_t kXwdColourEntrySize = 12;

uint32_t XwdWord(const std::vector<uint8_t>& file, size_t offset) {
  return uint32_t(file[offset]) << 24 | uint32_t(file[offset + 1]) << 16 | uint32_t(file[offset + 2]) << 8 |
         uint32_t(file[offset + 3]);
}

// The 8-bit value of a colour channel given by its mask within a pixel.
uint32_t XwdChannel(uint32_t pixel, uint32_t mask) {
  if (!mask) return 0;
  int shift = 0;
  while (!(mask >> shift & 1)) ++shift;
  const uint32_t top = mask >> shift;
  const uint32_t value = (pixel & mask) >> shift;
  return top == 0xFF ? value : value * 255 / top;
}

}  // namespace

bool ReadXwdPicture(const std::vector<uint8_t>& file, XwdPicture& picture) {
  picture = XwdPicture{};
  if (file.size() < kXwdFieldCount * 4) return false;
  auto field = [&](XwdHeaderField f) { return XwdWord(file, size_t(f) * 4); };
  const uint32_t bitsPerPixel = field(kXwdBitsPerPixel), visual = field(kXwdVisualClass);
  if (field(kXwdFileVersion) != kXwdVersion || field(kXwdPixmapFormat) != kXwdZPixmap ||
      (bitsPerPixel != 24 && bitsPerPixel != 32) || (visual != kXwdTrueColour && visual != kXwdDirectColour))
    return false;
  const uint64_t width = field(kXwdWidth), height = field(kXwdHeight), rowBytes = field(kXwdBytesPerLine);
  const uint64_t bytesPerPixel = bitsPerPixel / 8;
  if (width == 0 || height == 0 || width > 32768 || height > 32768 || rowBytes < width * bytesPerPixel) return false;
  const uint64_t start = uint64_t(field(kXwdHeaderSize)) + uint64_t(field(kXwdColourCount)) * kXwdColourEntrySize;
  if (start < kXwdFieldCount * 4 || start > file.size() || (file.size() - start) / rowBytes < height) return false;

  const bool mostFirst = field(kXwdByteOrder) != 0;
  const uint32_t red = field(kXwdRedMask), green = field(kXwdGreenMask), blue = field(kXwdBlueMask);
  picture.width = int(width);
  picture.height = int(height);
  picture.pixels.resize(size_t(width * height));
  for (uint64_t y = 0; y < height; ++y) {
    const uint8_t* row = file.data() + start + y * rowBytes;
    for (uint64_t x = 0; x < width; ++x) {
      const uint8_t* p = row + x * bytesPerPixel;
      uint32_t pixel = 0;
      for (uint64_t i = 0; i < bytesPerPixel; ++i)
        pixel |= uint32_t(p[mostFirst ? i : bytesPerPixel - 1 - i]) << (8 * (bytesPerPixel - 1 - i));
      picture.pixels[size_t(y * width + x)] =
          XwdChannel(pixel, red) << 16 | XwdChannel(pixel, green) << 8 | XwdChannel(pixel, blue);
    }
  }
  return true;
}

}  // namespace screen_test
