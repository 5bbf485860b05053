#include "imaging/model/routines/yuv_decoders.h"

#include <cmath>

#include "imaging/model/ie_bitmap.h"
#include "imaging/base/number_helpers.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

constexpr uint32_t FourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | (uint32_t(uint8_t(b)) << 8) | (uint32_t(uint8_t(c)) << 16) |
         (uint32_t(uint8_t(d)) << 24);
}

enum class Layout { None, IYU1, IYU2, UYVY, YUY2, YVYU, Y41P, Y211, CLJR, YVU9, YV12, I420 };

struct Format {
  Layout layout;
  bool bottomUp;  // the first data row is the bottom row
};

Format FormatOf(uint32_t compression) {
  switch (compression) {
    case FourCC('I', 'Y', 'U', '1'): return {Layout::IYU1, false};
    case FourCC('I', 'Y', 'U', '2'): return {Layout::IYU2, false};
    case FourCC('U', 'Y', 'V', 'Y'):
    case FourCC('U', 'Y', 'N', 'V'): return {Layout::UYVY, false};
    case FourCC('c', 'y', 'u', 'v'): return {Layout::UYVY, true};
    case FourCC('Y', 'U', 'Y', '2'):
    case FourCC('Y', 'U', 'N', 'V'): return {Layout::YUY2, false};
    case FourCC('Y', 'V', 'Y', 'U'): return {Layout::YVYU, false};
    case FourCC('Y', '4', '1', 'P'): return {Layout::Y41P, true};
    case FourCC('Y', '2', '1', '1'): return {Layout::Y211, false};
    case FourCC('C', 'L', 'J', 'R'): return {Layout::CLJR, false};
    case FourCC('Y', 'V', 'U', '9'): return {Layout::YVU9, false};
    case FourCC('Y', 'V', '1', '2'): return {Layout::YV12, false};
    case FourCC('I', '4', '2', '0'):
    case FourCC('I', 'Y', 'U', 'V'): return {Layout::I420, false};
    default: return {Layout::None, false};
  }
}

// Pixels and bytes of one group of a packed layout.
struct Group {
  int32_t pixels;
  int32_t bytes;
};

Group GroupOf(Layout layout) {
  switch (layout) {
    case Layout::IYU1: return {4, 6};
    case Layout::IYU2: return {1, 3};
    case Layout::UYVY: case Layout::YUY2: case Layout::YVYU: return {2, 4};
    case Layout::Y41P: return {8, 12};
    case Layout::Y211: case Layout::CLJR: return {4, 4};
    default: return {0, 0};
  }
}

// Chroma subsampling of a planar layout (1 for packed ones).
int32_t PlanarBlock(Layout layout) {
  switch (layout) {
    case Layout::YVU9: return 4;
    case Layout::YV12: case Layout::I420: return 2;
    default: return 1;
  }
}

inline int64_t RoundUpDivide(int64_t value, int64_t divisor) { return (value + divisor - 1) / divisor; }

// A 5- or 6-bit sample spread over the 8-bit range (its top bits repeated below it).
inline int32_t WidenToByte(uint32_t value, int bits) { return int32_t((value << (8 - bits)) | (value >> (2 * bits - 8))); }

// Writes the group's pixels (up to `count` of them) into `out`.
void DecodeGroup(Layout layout, const uint8_t* g, TRGB* out, int32_t count) {
  int32_t y[8], u[8], v[8];
  switch (layout) {
    case Layout::IYU1:
      y[0] = g[1], y[1] = g[2], y[2] = g[4], y[3] = g[5];
      for (int i = 0; i < 4; ++i) u[i] = g[0], v[i] = g[3];
      break;
    case Layout::IYU2: y[0] = g[1], u[0] = g[0], v[0] = g[2]; break;
    case Layout::UYVY:
      y[0] = g[1], y[1] = g[3], u[0] = u[1] = g[0], v[0] = v[1] = g[2];
      break;
    case Layout::YUY2:
      y[0] = g[0], y[1] = g[2], u[0] = u[1] = g[1], v[0] = v[1] = g[3];
      break;
    case Layout::YVYU:
      y[0] = g[0], y[1] = g[2], v[0] = v[1] = g[1], u[0] = u[1] = g[3];
      break;
    case Layout::Y41P: {
      const int32_t luma[8] = {g[1], g[3], g[5], g[7], g[8], g[9], g[10], g[11]};
      for (int i = 0; i < 8; ++i) {
        y[i] = luma[i];
        u[i] = i < 4 ? g[0] : g[4];
        v[i] = i < 4 ? g[2] : g[6];
      }
      break;
    }
    case Layout::Y211:
      y[0] = y[1] = g[0], y[2] = y[3] = g[2];
      for (int i = 0; i < 4; ++i) u[i] = g[1], v[i] = g[3];
      break;
    case Layout::CLJR: {
      const uint32_t word = uint32_t(g[0]) | (uint32_t(g[1]) << 8) | (uint32_t(g[2]) << 16) | (uint32_t(g[3]) << 24);
      for (int i = 0; i < 4; ++i) {
        y[i] = WidenToByte((word >> (12 + 5 * i)) & 31, 5);
        u[i] = WidenToByte((word >> 6) & 63, 6);
        v[i] = WidenToByte(word & 63, 6);
      }
      break;
    }
    default: return;
  }
  for (int32_t i = 0; i < count; ++i) out[i] = YUVToRGB24(y[i], u[i], v[i]);
}

}  // namespace

TRGB YUVToRGB24(int32_t y, int32_t u, int32_t v) {
  const double c = (y - 16) * 1.164, d = u - 128, e = v - 128;
  auto channel = [](double value) { return ClampByte(static_cast<int32_t>(std::nearbyint(value))); };
  return MakeRGB(channel(c + 1.596 * e), channel(c - 0.813 * e - 0.391 * d), channel(c + 2.018 * d));
}

bool IsYUVCompression(uint32_t compression) { return FormatOf(compression).layout != Layout::None; }

int64_t YUVFrameSize(uint32_t compression, int32_t width, int32_t height) {
  const Layout layout = FormatOf(compression).layout;
  if (layout == Layout::None || width <= 0 || height <= 0) return 0;
  const int32_t block = PlanarBlock(layout);
  if (block > 1)
    return int64_t(width) * height + 2 * RoundUpDivide(width, block) * RoundUpDivide(height, block);
  const Group group = GroupOf(layout);
  return RoundUpDivide(width, group.pixels) * group.bytes * height;
}

void DecodeYUVFrame(uint32_t compression, const uint8_t* data, TIEBitmap* target) {
  // Rows are written as 3-byte pixels: a target of any other format would be overrun.
  if (!target || target->GetPixelFormat() != ie24RGB)
    throw vcl::EInvalidArgument("A YUV frame decodes only into a 24-bit bitmap");
  const Format format = FormatOf(compression);
  const int32_t width = target->GetWidth(), height = target->GetHeight();
  const int32_t block = PlanarBlock(format.layout);
  if (block > 1) {
    const int64_t chromaWidth = RoundUpDivide(width, block), chromaHeight = RoundUpDivide(height, block);
    const uint8_t* luma = data;
    const uint8_t* first = data + int64_t(width) * height;  // V for YVU9 and YV12, U for I420
    const uint8_t* second = first + chromaWidth * chromaHeight;
    const bool vFirst = format.layout != Layout::I420;
    const uint8_t* uPlane = vFirst ? second : first;
    const uint8_t* vPlane = vFirst ? first : second;
    for (int32_t y = 0; y < height; ++y) {
      TRGB* row = static_cast<TRGB*>(target->GetScanline(y));
      const int64_t chromaRow = (y / block) * chromaWidth;
      for (int32_t x = 0; x < width; ++x) {
        const int64_t chroma = chromaRow + x / block;
        row[x] = YUVToRGB24(luma[int64_t(y) * width + x], uPlane[chroma], vPlane[chroma]);
      }
    }
    return;
  }
  const Group group = GroupOf(format.layout);
  const int64_t stride = RoundUpDivide(width, group.pixels) * group.bytes;
  for (int32_t k = 0; k < height; ++k) {
    const uint8_t* source = data + stride * k;
    TRGB* row = static_cast<TRGB*>(target->GetScanline(format.bottomUp ? height - 1 - k : k));
    for (int32_t x = 0; x < width; x += group.pixels)
      DecodeGroup(format.layout, source + int64_t(x / group.pixels) * group.bytes, row + x,
                  IntMin(group.pixels, width - x));
  }
}

}  // namespace imaging
