#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "skin/engine/graphics/gradient_paint.h"

using namespace skin;

namespace {

constexpr uint8_t kGradientUntouched = 0x5A;

std::unique_ptr<vcl::TBitmap> GradientMakeBitmap(vcl::TPixelFormat format, int width, int height) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(format);
  bitmap->SetSize(width, height);
  const int bytes = format == vcl::pf32bit ? 4 : format == vcl::pf24bit ? 3 : 1;
  for (int y = 0; y < height; ++y) std::memset(bitmap->ScanLine(y), kGradientUntouched, width * bytes);
  return bitmap;
}

// Blue, green, red (and alpha) of a pixel, as a colour value with alpha on top.
uint32_t PixelAt(vcl::TBitmap* bitmap, int x, int y) {
  const bool wide = bitmap->PixelFormat() == vcl::pf32bit;
  const uint8_t* p = static_cast<uint8_t*>(bitmap->ScanLine(y)) + x * (wide ? 4 : 3);
  return p[2] | (p[1] << 8) | (p[0] << 16) | (wide ? uint32_t(p[3]) << 24 : 0);
}

constexpr uint32_t kUntouchedPixel = 0x5A5A5A;

// One stretch of a gradient along its axis, from `first` to `last` inclusive.
struct Span {
  int first, last;
  int32_t from, to;
};

// The colour at position `at` of the spans, later spans painting over earlier ones; the
// untouched value where no span reaches.
uint32_t GradientExpected(const std::vector<Span>& spans, int at) {
  uint32_t result = kUntouchedPixel;
  for (const Span& s : spans) {
    if (at < s.first || at > s.last) continue;
    result = 0;
    for (int c = 0; c < 3; ++c) {
      const int a = (s.from >> (8 * c)) & 0xFF, b = (s.to >> (8 * c)) & 0xFF;
      const double value = a + double(b - a) * (at - s.first) / (s.last - s.first);
      result |= uint32_t(std::nearbyint(value)) << (8 * c);
    }
  }
  return result;
}

TsGradArray GradientParse(const char* text) {
  TsGradArray data;
  ParseGradientData(text, data);
  return data;
}

}  // namespace

TEST(GradientPaint, StripesMatchTheirSegments) {
  // Colours are picked so that no channel lands on a half: rounding is then unambiguous.
  const int32_t a = 0x0050C80A, b = 0x0932FA00, c = 0x00C8503C, d = 0x00A07814;
  struct Case {
    const char* name;
    TsGradArray data;
    int width, height;
    vcl::TRect rect;
    bool vertical;
    std::vector<Span> spans;  // along the axis, in bitmap coordinates
  } cases[] = {
      // The last segment always reaches the end, whatever its share.
      {"one vertical segment of 0 %", {{a, b, 0, 0}}, 3, 8, {0, 0, 3, 8}, true, {{0, 7, a, b}}},
      // The second segment starts on the row where the first ended.
      {"two vertical halves", {{a, b, 50, 0}, {c, d, 50, 0}}, 2, 10, {0, 0, 2, 10}, true,
       {{0, 5, a, b}, {5, 9, c, d}}},
      // Shares of the width, rounded: 2 + 4.4 -> 6, 6 + 3.3 -> 9, then to the last column.
      {"three horizontal segments", {{a, b, 40, 1}, {b, c, 30, 1}, {c, d, 0, 1}}, 14, 4, {2, 1, 13, 3}, false,
       {{2, 6, a, b}, {6, 9, b, c}, {9, 12, c, d}}},
      // The rectangle is clipped to the bitmap before the shares are taken.
      {"clipped vertical", {{a, c, 100, 0}}, 3, 6, {-4, -2, 9, 40}, true, {{0, 5, a, c}}},
  };
  for (const Case& t : cases) {
    for (vcl::TPixelFormat format : {vcl::pf24bit, vcl::pf32bit}) {
      auto bitmap = GradientMakeBitmap(format, t.width, t.height);
      PaintGradient(bitmap.get(), t.rect, t.data);
      const int left = std::max<int>(t.rect.left, 0), top = std::max<int>(t.rect.top, 0);
      const int right = std::min<int>(t.rect.right, t.width), bottom = std::min<int>(t.rect.bottom, t.height);
      for (int y = 0; y < t.height; ++y) {
        for (int x = 0; x < t.width; ++x) {
          const bool inside = x >= left && x < right && y >= top && y < bottom;
          uint32_t expected = inside ? GradientExpected(t.spans, t.vertical ? y : x) : kUntouchedPixel;
          uint32_t got = PixelAt(bitmap.get(), x, y);
          if (format == vcl::pf32bit) {
            EXPECT_EQ(got >> 24, expected == kUntouchedPixel ? kGradientUntouched : 255u) << t.name << " " << x << "," << y;
            got &= 0xFFFFFF;
          }
          EXPECT_EQ(got, expected) << t.name << " at " << x << "," << y << " format " << format;
        }
      }
    }
  }
}

TEST(GradientPaint, NothingIsPaintedForUnpaintableInput) {
  struct Case {
    const char* name;
    vcl::TPixelFormat format;
    TsGradArray data;
    vcl::TRect rect;
  } cases[] = {
      {"empty array", vcl::pf24bit, {}, {0, 0, 4, 4}},
      {"unknown mode", vcl::pf24bit, {{0xFF, 0xFF00, 50, 3}}, {0, 0, 4, 4}},
      {"empty rectangle", vcl::pf24bit, {{0xFF, 0xFF00, 50, 0}}, {3, 3, 3, 4}},
      {"outside the bitmap", vcl::pf32bit, {{0xFF, 0xFF00, 50, 1}}, {5, 0, 9, 4}},
      // An 8-bit row is a third as wide as a 24-bit one: nothing may be written into it.
      {"8-bit vertical", vcl::pf8bit, {{0xFF, 0xFF00, 50, 0}}, {0, 0, 4, 4}},
      {"8-bit horizontal", vcl::pf8bit, {{0xFF, 0xFF00, 50, 1}}, {0, 0, 4, 4}},
  };
  for (const Case& c : cases) {
    auto bitmap = GradientMakeBitmap(c.format, 4, 4);
    PaintGradient(bitmap.get(), c.rect, c.data);
    for (int y = 0; y < 4; ++y) {
      const auto* row = static_cast<const uint8_t*>(bitmap->ScanLine(y));
      const int bytes = c.format == vcl::pf32bit ? 16 : c.format == vcl::pf24bit ? 12 : 4;
      for (int i = 0; i < bytes; ++i) ASSERT_EQ(row[i], kGradientUntouched) << c.name << " row " << y;
    }
  }
  PaintGradient(nullptr, {0, 0, 4, 4}, GradientParse("1;2;3;0;0"));
}

TEST(GradientPaint, FourCornersUseThePlatformTriangleFill) {
  GradientsStartUp();
  // One element: every vertex takes its first colour, so the whole rectangle is that colour.
  auto bitmap = GradientMakeBitmap(vcl::pf32bit, 12, 10);
  PaintGradient(bitmap.get(), {2, 1, 10, 9}, GradientParse("4227327;0;50;2;0"));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 12; ++x) {
      const bool inside = x >= 2 && x < 10 && y >= 1 && y < 9;
      EXPECT_EQ(PixelAt(bitmap.get(), x, y), inside ? 0xFF4080FFu : 0x5A5A5A5Au) << x << "," << y;
    }

  // Five elements: the corners and the centre take the first colours of elements 0..4.
  auto corners = GradientMakeBitmap(vcl::pf24bit, 41, 41);
  PaintGradient(corners.get(), {0, 0, 41, 41},
                GradientParse("255;0;0;2;0;65280;0;0;2;0;16711680;0;0;2;0;16777215;0;0;2;0;0;0;0;2;0"));
  auto closeTo = [&](int x, int y, uint32_t colour) {
    const uint32_t got = PixelAt(corners.get(), x, y);
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(int((got >> (8 * c)) & 0xFF), int((colour >> (8 * c)) & 0xFF), 16) << x << "," << y;
  };
  closeTo(0, 0, 0x0000FF);
  closeTo(20, 20, 0x00FF00);
  closeTo(40, 0, 0xFF0000);
  closeTo(40, 40, 0xFFFFFF);
  closeTo(0, 40, 0x000000);

  // Without the platform's fill, four-corner gradients leave the bitmap alone.
  GradientsShutDown();
  auto untouched = GradientMakeBitmap(vcl::pf24bit, 6, 6);
  PaintGradient(untouched.get(), {0, 0, 6, 6}, GradientParse("255;0;0;2;0"));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(PixelAt(untouched.get(), x, y), kUntouchedPixel);
}
