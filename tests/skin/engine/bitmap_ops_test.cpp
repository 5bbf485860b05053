// The shared bitmap operations, checked pixel by pixel against the arithmetic they promise,
// with rectangles that reach outside the bitmaps and formats they must refuse.
#include <gtest/gtest.h>

#include <functional>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/skin_types.h"
#include "vcl/controls/controls.h"
#include "vcl/stdctrls/extctrls.h"

using namespace skin;

namespace {

// Pixel (x, y) as a colour (red low), whatever the format; the alpha byte of 32-bit pixels in
// bits 24-31.
uint32_t BitmapPixel(vcl::TBitmap* b, int x, int y) {
  const uint8_t* p = static_cast<uint8_t*>(b->ScanLine(y)) + x * (b->PixelFormat() == vcl::pf32bit ? 4 : 3);
  uint32_t v = p[2] | (p[1] << 8) | (p[0] << 16);
  if (b->PixelFormat() == vcl::pf32bit) v |= uint32_t(p[3]) << 24;
  return v;
}

void SetPixel(vcl::TBitmap* b, int x, int y, uint32_t v) {
  uint8_t* p = static_cast<uint8_t*>(b->ScanLine(y)) + x * (b->PixelFormat() == vcl::pf32bit ? 4 : 3);
  p[0] = uint8_t(v >> 16), p[1] = uint8_t(v >> 8), p[2] = uint8_t(v);
  if (b->PixelFormat() == vcl::pf32bit) p[3] = uint8_t(v >> 24);
}

std::unique_ptr<vcl::TBitmap> BitmapFilled(vcl::TPixelFormat format, int w, int h, std::function<uint32_t(int, int)> f) {
  auto b = format == vcl::pf32bit ? CreateBmp32(w, h) : CreateBmp24(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) SetPixel(b.get(), x, y, f(x, y));
  return b;
}

std::unique_ptr<vcl::TBitmap> BitmapSolid(vcl::TPixelFormat format, int w, int h, uint32_t v) {
  return BitmapFilled(format, w, h, [v](int, int) { return v; });
}

uint32_t Grey(uint8_t v) { return v * 0x010101u; }

TEST(BitmapOps, WorkBitmapsHaveTheirFormatAndSize) {
  EXPECT_EQ(CreateBmp24(3, 2)->PixelFormat(), vcl::pf24bit);
  auto b = CreateBmp32(5, 4);
  EXPECT_EQ(b->PixelFormat(), vcl::pf32bit);
  EXPECT_EQ(b->HandleType(), vcl::bmDIB);
  auto like = CreateBmpLike(b.get());
  EXPECT_EQ(like->Width(), 5);
  EXPECT_EQ(like->Height(), 4);
  EXPECT_EQ(like->PixelFormat(), vcl::pf32bit);
  EXPECT_EQ(CreateBmp24(-3, 2)->Width(), 0);
}

TEST(BitmapOps, BlendColorsRoundsToEvenAndKeepsTheFirstHighByte) {
  struct Case {
    uint32_t c1, c2;
    double f;
    uint32_t result;
  } cases[] = {{0x00FFFFFF, 0, 0.5, 0x808080}, {0x02FFFFFF, 0x01000000, 0.5, 0x02808080},
               {0x0000FF, 0xFF0000, 1.0, 0x0000FF}, {0x0000FF, 0xFF0000, 0.0, 0xFF0000},
               {0x000003, 0, 0.5, 0x000002},    {0x000001, 0, 0.5, 0x000000}};
  for (const Case& c : cases)
    EXPECT_EQ(uint32_t(BlendColors(vcl::TColor(c.c1), vcl::TColor(c.c2), c.f)), c.result) << std::hex << c.c1;
}

TEST(BitmapOps, BlendByFactorMixesKeysAndClipsToBothBitmaps) {
  // White source (key pixels at column 0) over a black target.
  auto source = BitmapFilled(vcl::pf24bit, 4, 4, [](int x, int) { return x == 0 ? 0xFF00FFu : 0xFFFFFFu; });
  struct Case {
    vcl::TPixelFormat targetFormat;
    int x, y;
    vcl::TColor key;
    vcl::TRect rect;
    // Expected red of target pixels (x, y) for x, y in 0..5, by a function.
    std::function<uint32_t(int, int)> expected;
  } cases[] = {
      // Key off: the key pixels blend too; 0.4 of black over white gives 153.
      {vcl::pf24bit, 1, 1, -1, {0, 0, 3, 3},
       [](int x, int y) -> uint32_t {
         if (x < 1 || y < 1 || x > 4 || y > 4) return 0;
         return x == 1 ? 0x990099 : Grey(153);
       }},
      // Key on: column 0 of the source is skipped.
      {vcl::pf24bit, 1, 1, 0xFF00FF, {0, 0, 3, 3},
       [](int x, int y) -> uint32_t { return x >= 2 && x <= 4 && y >= 1 && y <= 4 ? Grey(153) : 0; }},
      // A target point left of and above the target draws the visible part only.
      {vcl::pf24bit, -2, -1, 0xFF00FF, {0, 0, 3, 3},
       [](int x, int y) -> uint32_t { return x <= 1 && y <= 2 ? Grey(153) : 0; }},
      // A source rectangle larger than the source, at the target's far corner.
      {vcl::pf24bit, 4, 4, -1, {-1, -1, 40, 40},
       [](int x, int y) -> uint32_t { return x >= 5 && y >= 5 ? 0x990099 : 0; }},
      // A 32-bit target keeps its alpha bytes (0x7F here) and reads the 24-bit source right.
      {vcl::pf32bit, 0, 0, 0xFF00FF, {1, 0, 3, 0},
       [](int x, int y) -> uint32_t { return (x <= 2 && y == 0 ? Grey(153) : 0) | 0x7F000000u; }},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    auto target = BitmapSolid(c.targetFormat, 6, 6, c.targetFormat == vcl::pf32bit ? 0x7F000000u : 0);
    BlendBmpByFactor(target.get(), c.x, c.y, c.key, 0.4, c.rect, source.get());
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 6; ++x) ASSERT_EQ(BitmapPixel(target.get(), x, y), c.expected(x, y)) << i << ": " << x << "," << y;
  }
}

TEST(BitmapOps, RectanglesAndPointsOfAnyExtentWriteNothingOutside) {
  auto source = BitmapSolid(vcl::pf24bit, 4, 4, 0xFFFFFF);
  const int32_t big = INT32_MAX, small = INT32_MIN;
  struct Case {
    int32_t x, y;
    vcl::TRect rect;
  } cases[] = {{small, small, {0, 0, 3, 3}},       {big, big, {0, 0, 3, 3}},         {0, 0, {small, small, big, big}},
               {small, 0, {big, 0, big, 3}},        {0, 0, {big, big, small, small}}, {big, small, {small, 0, 3, big}},
               {-1, -1, {small + 1, small + 1, 0, 0}}};
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    auto target = BitmapSolid(vcl::pf24bit, 4, 4, 0);
    BlendBmpByFactor(target.get(), c.x, c.y, -1, 0.0, c.rect, source.get());
    MixBitmapRect(target.get(), source.get(), 0, {c.x, c.y}, c.rect);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) {
        uint32_t v = BitmapPixel(target.get(), x, y);
        ASSERT_TRUE(v == 0 || v == 0xFFFFFF || v == Grey(254)) << i;
      }
  }
  // The whole source over the whole target, from a rectangle far larger than both.
  auto target = BitmapSolid(vcl::pf24bit, 4, 4, 0);
  BlendBmpByFactor(target.get(), 0, 0, -1, 0.0, {0, 0, big, big}, source.get());
  EXPECT_EQ(BitmapPixel(target.get(), 3, 3), 0xFFFFFFu);
}

TEST(BitmapOps, KeyOfA32BitSourceIsMatchedByColourWhateverItsAlpha) {
  auto source = BitmapFilled(vcl::pf32bit, 2, 2, [](int x, int) { return x == 0 ? 0x800000FFu : 0x80FFFFFFu; });
  auto target = BitmapSolid(vcl::pf24bit, 2, 2, 0);
  BlendBmpByFactor(target.get(), 0, 0, 0x0000FF, 0.0, {0, 0, 1, 1}, source.get());
  EXPECT_EQ(BitmapPixel(target.get(), 0, 0), 0u);
  EXPECT_EQ(BitmapPixel(target.get(), 1, 1), 0xFFFFFFu);
}

TEST(BitmapOps, TintAndGreyRefuseFormatsTheyCannotStepThrough) {
  auto tinted = BitmapFilled(vcl::pf24bit, 2, 1, [](int x, int) { return x == 0 ? 0xFF00FFu : 0x102030u; });
  TintBitmap(tinted.get(), 0x0000FF, 0xFF00FF, 1.0);
  EXPECT_EQ(BitmapPixel(tinted.get(), 1, 0), 0x102030u);
  TintBitmap(tinted.get(), 0x0000FF, 0xFF00FF, 0.0);
  EXPECT_EQ(BitmapPixel(tinted.get(), 0, 0), 0xFF00FFu);
  EXPECT_EQ(BitmapPixel(tinted.get(), 1, 0), 0x0000FFu);
  auto tinted32 = BitmapSolid(vcl::pf32bit, 2, 2, 0x44FFFFFF);
  TintBitmap(tinted32.get(), 0, 0xFF00FF, 0.5);
  EXPECT_EQ(BitmapPixel(tinted32.get(), 1, 1), 0x44808080u);  // 127.5 to the even 128

  // Blue 10, green 20, red 31 averages to 20.
  auto grey = BitmapSolid(vcl::pf24bit, 3, 2, 0x0A141F);
  EXPECT_TRUE(GrayscaleBmp(grey.get()));
  EXPECT_EQ(BitmapPixel(grey.get(), 2, 1), Grey(20));
  auto grey32 = BitmapFilled(vcl::pf32bit, 2, 2, [](int x, int) { return x == 0 ? 0x99FF00FFu : 0x990A141Fu; });
  EXPECT_TRUE(GrayscaleBmpExcept(grey32.get(), 0xFF00FF));
  EXPECT_EQ(BitmapPixel(grey32.get(), 0, 0), 0x99FF00FFu);
  EXPECT_EQ(BitmapPixel(grey32.get(), 1, 0), 0x99000000u | Grey(20));

  for (vcl::TPixelFormat format : {vcl::pf1bit, vcl::pf4bit, vcl::pf8bit, vcl::pf16bit}) {
    vcl::TBitmap narrow;
    narrow.SetPixelFormat(format);
    narrow.SetSize(3, 3);
    std::vector<uint8_t> before(static_cast<uint8_t*>(narrow.ScanLine(0)), static_cast<uint8_t*>(narrow.ScanLine(0)) + 1);
    EXPECT_FALSE(GrayscaleBmp(&narrow)) << format;
    TintBitmap(&narrow, 0xFFFFFF, -1, 0.0);  // must not write over the narrow rows
    EXPECT_EQ(static_cast<uint8_t*>(narrow.ScanLine(0))[0], before[0]);
  }
}

TEST(BitmapOps, MixBitmapRectClipsThePointAndNeedsOneFormat) {
  auto source = BitmapFilled(vcl::pf24bit, 10, 10, [](int x, int y) { return uint32_t(x * 20 + y); });
  auto target = BitmapSolid(vcl::pf24bit, 10, 10, 0xFFFFFF);
  MixBitmapRect(target.get(), source.get(), 0, {-3, 0}, {0, 0, 10, 10});  // alpha 0: the source
  for (int x = 0; x < 10; ++x) {
    uint32_t red = (((x + 3) * 20 + 4) * 255 + 127) >> 8;  // divided by 256: one step below
    EXPECT_EQ(BitmapPixel(target.get(), x, 4), x <= 6 ? red : 0xFFFFFFu) << x;
  }
  auto half = BitmapSolid(vcl::pf24bit, 4, 4, 0);
  auto white = BitmapSolid(vcl::pf24bit, 4, 4, 0xFFFFFF);
  MixBitmapRect(half.get(), white.get(), 128, {1, 1}, {0, 0, 2, 2});
  EXPECT_EQ(BitmapPixel(half.get(), 1, 1), Grey((255 * 127 + 127) / 256));
  EXPECT_EQ(BitmapPixel(half.get(), 0, 0), 0u);
  EXPECT_EQ(BitmapPixel(half.get(), 3, 3), 0u);
  auto wide = BitmapSolid(vcl::pf32bit, 4, 4, 0xFFFFFFFF);
  MixBitmapRect(half.get(), wide.get(), 0, {0, 0}, {0, 0, 4, 4});
  EXPECT_EQ(BitmapPixel(half.get(), 0, 0), 0u);
  MixBitmaps(half.get(), white.get(), 0);
  EXPECT_EQ(BitmapPixel(half.get(), 3, 3), Grey(254));
  MixBitmaps(half.get(), BitmapSolid(vcl::pf24bit, 5, 4, 0).get(), 0);  // another size: nothing
  EXPECT_EQ(BitmapPixel(half.get(), 3, 3), Grey(254));
}

TEST(BitmapOps, MixThroughMaskNeedsOneSizeAndA32BitTarget) {
  auto a = BitmapSolid(vcl::pf24bit, 3, 3, 0xFFFFFF);
  auto b = BitmapSolid(vcl::pf24bit, 3, 3, 0);
  auto target = BitmapSolid(vcl::pf32bit, 3, 3, 0x11000000);
  MixThroughMask(target.get(), a.get(), b.get(), 64, nullptr);
  EXPECT_EQ(BitmapPixel(target.get(), 2, 2), 0x11000000u | Grey(63));
  auto mask = BitmapFilled(vcl::pf24bit, 3, 3, [](int x, int) { return x == 0 ? 0u : 0xFFFFFFu; });
  MixThroughMask(target.get(), a.get(), b.get(), 64, mask.get());
  EXPECT_EQ(BitmapPixel(target.get(), 0, 1), 0x11000000u);
  EXPECT_EQ(BitmapPixel(target.get(), 1, 1), 0x11000000u | Grey(254));
  // Mismatched sizes or a narrower target: nothing is written.
  auto small = BitmapSolid(vcl::pf32bit, 2, 2, 0x22000000);
  MixThroughMask(small.get(), a.get(), b.get(), 64, nullptr);
  EXPECT_EQ(BitmapPixel(small.get(), 1, 1), 0x22000000u);
  MixThroughMask(target.get(), a.get(), b.get(), 200, BitmapSolid(vcl::pf24bit, 2, 3, 0).get());
  EXPECT_EQ(BitmapPixel(target.get(), 0, 1), 0x11000000u);
  auto target24 = BitmapSolid(vcl::pf24bit, 3, 3, 0x123456);
  MixThroughMask(target24.get(), a.get(), b.get(), 64, nullptr);
  EXPECT_EQ(BitmapPixel(target24.get(), 1, 1), 0x123456u);
}

TEST(BitmapOps, ColourThroughMaskAndTheSoftRoundHighlight) {
  auto picture = BitmapSolid(vcl::pf24bit, 2, 1, 0xC8C8C8);  // 200
  auto mask = BitmapFilled(vcl::pf24bit, 2, 1, [](int x, int) { return x == 0 ? 0xFFFFFFu : 0u; });
  BlendColorThroughMask(picture.get(), mask.get(), 0x000000);
  EXPECT_EQ(BitmapPixel(picture.get(), 0, 0), Grey(199));  // white keeps it, less one step
  EXPECT_EQ(BitmapPixel(picture.get(), 1, 0), 0u);          // black gives the colour
  auto dark = BitmapSolid(vcl::pf24bit, 1, 1, 0);
  BlendColorThroughMask(dark.get(), BitmapSolid(vcl::pf24bit, 1, 1, Grey(128)).get(), 0x0000FF);
  EXPECT_EQ(BitmapPixel(dark.get(), 0, 0), 0x00007Fu);  // 255 + floor(-255 * 128 / 256) = 255 - 128
  // A highlight of white at 0 %: the centre is white, the edge keeps the picture.
  auto bitmap = BitmapSolid(vcl::pf24bit, 30, 20, 0);
  BlendSoftRoundRect(bitmap.get(), {-5, 0, 30, 20}, 0, 0, 4, 0xFFFFFF);
  EXPECT_EQ(BitmapPixel(bitmap.get(), 15, 10), 0xFFFFFFu);
  for (auto [x, y] : {std::pair{0, 10}, {29, 10}, {15, 0}, {15, 19}}) EXPECT_EQ(BitmapPixel(bitmap.get(), x, y), 0u) << x << "," << y;
  uint32_t band = BitmapPixel(bitmap.get(), 2, 10) & 0xFF;
  EXPECT_GT(band, 0u);
  EXPECT_LT(band, 255u);
}

TEST(BitmapOps, SolidFramesAndThreeDimensionalLines) {
  auto b = BitmapSolid(vcl::pf24bit, 10, 10, 0);
  PaintSolidFrame(b->Canvas()->Handle(), {0, 0, 10, 10}, 1, 2, 3, 4, 0xFFFFFF);
  GdiFlush();
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      bool filled = y <= 1 || x == 0 || y >= 6 || (x >= 7 && y >= 2 && y <= 5);
      ASSERT_EQ(BitmapPixel(b.get(), x, y), filled ? 0xFFFFFFu : 0u) << x << "," << y;
    }
  auto c = BitmapSolid(vcl::pf24bit, 20, 10, 0);
  vcl::TRect r{0, 0, 20, 10};
  int32_t count = 2;
  Draw3DFrameLines(c->Canvas()->Handle(), r, 0xFFFFFF, count, 0x0000FF);
  GdiFlush();
  EXPECT_EQ(r.left, 2);
  EXPECT_EQ(r.top, 2);
  EXPECT_EQ(r.right, 18);
  EXPECT_EQ(r.bottom, 8);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(BitmapPixel(c.get(), 0, 5), 0xFFFFFFu);   // outer light left edge
  EXPECT_EQ(BitmapPixel(c.get(), 1, 5), 0xFFFFFFu);   // inner light left edge
  EXPECT_EQ(BitmapPixel(c.get(), 19, 5), 0x0000FFu);  // outer shadow right edge
  EXPECT_EQ(BitmapPixel(c.get(), 10, 8), 0x0000FFu);  // inner shadow bottom edge
  EXPECT_EQ(BitmapPixel(c.get(), 10, 5), 0u);
  auto d = BitmapSolid(vcl::pf24bit, 4, 4, 0);
  PaintSolidRect(d->Canvas()->Handle(), {1, 1, 3, 3}, 0x00FF00);
  GdiFlush();
  EXPECT_EQ(BitmapPixel(d.get(), 1, 1), 0x00FF00u);
  EXPECT_EQ(BitmapPixel(d.get(), 3, 3), 0u);
}

TEST(BitmapOps, BorderStripsComeFromTheSamePlaceInTheSource) {
  auto source = BitmapFilled(vcl::pf24bit, 12, 12, [](int x, int y) { return uint32_t(x + y * 16); });
  auto target = BitmapSolid(vcl::pf24bit, 12, 12, 0xFFFFFF);
  CopyBorderStrips(target->Canvas()->Handle(), 1, 1, 10, 8, source->Canvas()->Handle(), 2, 3, 2);
  GdiFlush();
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      bool inside = x >= 1 && x < 11 && y >= 1 && y < 9;
      bool strip = inside && (x < 3 || x >= 9 || y < 3 || y >= 7);
      uint32_t expected = strip ? uint32_t((x - 1 + 2) + (y - 1 + 3) * 16) : 0xFFFFFFu;
      ASSERT_EQ(BitmapPixel(target.get(), x, y), expected) << x << "," << y;
    }
}

TEST(BitmapOps, ChannelCopiesBetween32And8BitBitmaps) {
  auto wide = BitmapSolid(vcl::pf32bit, 3, 2, 0x40302010);
  vcl::TBitmap eight;
  eight.SetPixelFormat(vcl::pf8bit);
  eight.SetSize(3, 2);
  CopyChannel8(wide.get(), &eight, 3, true);
  EXPECT_EQ(static_cast<uint8_t*>(eight.ScanLine(1))[2], 0x40);
  static_cast<uint8_t*>(eight.ScanLine(0))[1] = 0x99;
  CopyChannel8(wide.get(), &eight, 0, false);  // byte 0 is blue
  EXPECT_EQ(BitmapPixel(wide.get(), 1, 0), 0x40992010u);
  EXPECT_EQ(BitmapPixel(wide.get(), 0, 0), 0x40402010u);
  vcl::TBitmap other;
  other.SetPixelFormat(vcl::pf8bit);
  other.SetSize(2, 2);
  CopyChannel8(wide.get(), &other, 0, false);  // another size: nothing
  CopyChannel8(wide.get(), &eight, 4, true);   // no such channel: nothing
  EXPECT_EQ(BitmapPixel(wide.get(), 2, 1), 0x40402010u);
}

class TsSplitter : public vcl::TGraphicControl {
  VCL_CLASS(TsSplitter, vcl::TGraphicControl)
  explicit TsSplitter(vcl::TComponent* owner) : vcl::TGraphicControl(owner) {}
};

TEST(BitmapOps, GraphicChildrenAreKeptOutOfTheClipButSplittersAndWindowsAreNot) {
  vcl::TPanel panel(nullptr);
  panel.SetBounds(0, 0, 40, 20);
  auto* bevel = new vcl::TBevel(&panel);
  bevel->SetParent(&panel);
  bevel->SetBounds(2, 2, 5, 5);
  auto* hidden = new vcl::TBevel(&panel);
  hidden->SetParent(&panel);
  hidden->SetBounds(10, 2, 5, 5);
  hidden->SetVisible(false);
  auto* splitter = new TsSplitter(&panel);
  splitter->SetParent(&panel);
  splitter->SetBounds(20, 2, 5, 5);
  auto* window = new vcl::TPanel(&panel);
  window->SetParent(&panel);
  window->SetBounds(30, 2, 5, 5);
  for (bool covers : {false, true}) {
    auto b = BitmapSolid(vcl::pf24bit, 40, 20, 0);
    HDC dc = b->Canvas()->Handle();
    int saved = SaveDC(dc);
    CacheCoversGraphicChildren = covers;
    ExcludeGraphicControls(dc, &panel, 1, 0);
    CacheCoversGraphicChildren = false;
    PaintSolidRect(dc, {0, 0, 40, 20}, 0xFFFFFF);
    RestoreDC(dc, saved);
    GdiFlush();
    EXPECT_EQ(BitmapPixel(b.get(), 4, 4), covers ? 0xFFFFFFu : 0u);  // the bevel, moved right by 1
    EXPECT_EQ(BitmapPixel(b.get(), 2, 4), 0xFFFFFFu);
    EXPECT_EQ(BitmapPixel(b.get(), 12, 4), 0xFFFFFFu);
    EXPECT_EQ(BitmapPixel(b.get(), 22, 4), 0xFFFFFFu);
    EXPECT_EQ(BitmapPixel(b.get(), 32, 4), 0xFFFFFFu);
  }
}

}  // namespace
