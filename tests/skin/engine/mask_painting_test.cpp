#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "skin/engine/graphics/mask_painting.h"

using namespace skin;

namespace {

std::shared_ptr<vcl::TBitmap> MaskMakeBitmap(vcl::TPixelFormat format, int width, int height) {
  auto bitmap = std::make_shared<vcl::TBitmap>();
  bitmap->SetPixelFormat(format);
  bitmap->SetSize(width, height);
  return bitmap;
}

uint32_t& Pixel32(vcl::TBitmap* bitmap, int x, int y) { return static_cast<uint32_t*>(bitmap->ScanLine(y))[x]; }

void Set24(vcl::TBitmap* bitmap, int x, int y, uint32_t colour) {
  uint8_t* p = static_cast<uint8_t*>(bitmap->ScanLine(y)) + x * 3;
  p[0] = uint8_t(colour >> 16), p[1] = uint8_t(colour >> 8), p[2] = uint8_t(colour);
}

constexpr uint32_t kKeyPixel = 0x00FF00FF;  // blue, green, red of the key in memory order
constexpr uint32_t kPlain = 0x11111111;

// A background whose every pixel tells its position.
std::shared_ptr<vcl::TBitmap> MaskBackground(int width, int height) {
  auto bg = MaskMakeBitmap(vcl::pf32bit, width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) Pixel32(bg.get(), x, y) = 0xA0000000u | (y << 8) | x;
  return bg;
}

}  // namespace

TEST(MaskPainting, KeyPixelsOfTheTargetTakeTheBackground) {
  struct Case {
    const char* name;
    vcl::TRect rect;
    vcl::TPoint origin;
  } cases[] = {
      {"inside", {1, 1, 5, 4}, {2, 0}},
      {"background ends early", {0, 0, 6, 5}, {5, 4}},
      // Rectangles and origins from skin margins may reach outside: everything is clipped.
      {"rectangle past the target", {-2, -1, 9, 9}, {0, 0}},
      {"origin before the background", {0, 0, 6, 5}, {-3, -2}},
  };
  for (const Case& c : cases) {
    auto target = MaskMakeBitmap(vcl::pf32bit, 6, 5);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 6; ++x) Pixel32(target.get(), x, y) = (x + y) % 2 ? kKeyPixel | 0x7F000000 : kPlain;
    auto bg = MaskBackground(7, 6);
    FillKeyColorFromBg(target.get(), bg.get(), c.rect, c.origin, -1, nullptr, 13);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 6; ++x) {
        const int bx = c.origin.x + x - c.rect.left, by = c.origin.y + y - c.rect.top;
        const bool inRect = x >= c.rect.left && x < c.rect.right && y >= c.rect.top && y < c.rect.bottom;
        const bool inBg = bx >= 0 && bx < 7 && by >= 0 && by < 6;
        uint32_t expected = (x + y) % 2 ? kKeyPixel | 0x7F000000 : kPlain;
        if ((x + y) % 2 && inRect && inBg) expected = 0xA0000000u | (by << 8) | bx;  // alpha ignored in the test
        EXPECT_EQ(Pixel32(target.get(), x, y), expected) << c.name << " at " << x << "," << y;
      }
  }
}

TEST(MaskPainting, CornerCodeChoosesTheTestedCornerOfTheFirstFrame) {
  TsSkinManager manager(nullptr);
  TsMaskData mask;
  // Two frames of 6 x 6 with right and bottom margins of 2; each corner area has one key
  // pixel at its own place, so the changed target pixel tells which corner was tested.
  mask.Image = MaskMakeBitmap(vcl::pf24bit, 12, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 12; ++x) Set24(mask.Image.get(), x, y, 0x404040);
  Set24(mask.Image.get(), 0, 0, 0xFF00FF);  // top-left area at (0, 0): offset (0, 0)
  Set24(mask.Image.get(), 5, 0, 0xFF00FF);  // top-right area at (4, 0): offset (1, 0)
  Set24(mask.Image.get(), 0, 5, 0xFF00FF);  // bottom-left area at (0, 4): offset (0, 1)
  Set24(mask.Image.get(), 5, 5, 0xFF00FF);  // bottom-right area at (4, 4): offset (1, 1)
  mask.ImageRect = {0, 0, 12, 6};
  mask.ImageCount = 2;
  mask.WL = mask.WT = mask.WR = mask.WB = 2;
  mask.Manager = &manager;
  manager.Masks.push_back(mask);

  struct Case {
    int code, x, y;
  } cases[] = {{13, 0, 0}, {14, 1, 0}, {16, 0, 1}, {17, 1, 1}, {15, 0, 0}};
  for (const Case& c : cases) {
    auto target = MaskMakeBitmap(vcl::pf32bit, 4, 4);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) Pixel32(target.get(), x, y) = kPlain;
    auto bg = MaskBackground(4, 4);
    FillKeyColorFromBg(target.get(), bg.get(), {1, 1, 3, 3}, {0, 2}, 0, &manager, c.code);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) {
        const bool hit = x == 1 + c.x && y == 1 + c.y;
        EXPECT_EQ(Pixel32(target.get(), x, y), hit ? 0xA0000000u | ((2 + c.y) << 8) | c.x : kPlain)
            << "code " << c.code << " at " << x << "," << y;
      }
  }
  // A mask index the manager does not have changes nothing.
  auto target = MaskMakeBitmap(vcl::pf32bit, 4, 4);
  Pixel32(target.get(), 0, 0) = kKeyPixel;
  auto bg = MaskBackground(4, 4);
  FillKeyColorFromBg(target.get(), bg.get(), {0, 0, 4, 4}, {0, 0}, 5, &manager, 13);
  EXPECT_EQ(Pixel32(target.get(), 0, 0), kKeyPixel);
}

namespace {

uint32_t Get24(vcl::TBitmap* bitmap, int x, int y) {
  const uint8_t* p = static_cast<uint8_t*>(bitmap->ScanLine(y)) + x * 3;
  return p[2] | (p[1] << 8) | (p[0] << 16);
}

// A 4 x 4 glyph over its 4 x 4 mask half: image pixel (x, y) is grey 40 * (x + 1) with a key
// pixel at (1, 1); the mask weight varies by column.
struct GlyphMask {
  TsMaskData mask;
  static constexpr uint8_t kWeights[4] = {0, 64, 200, 255};
  GlyphMask() {
    mask.Image = MaskMakeBitmap(vcl::pf24bit, 4, 8);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) {
        Set24(mask.Image.get(), x, y, uint32_t(40 * (x + 1)) * 0x010101);
        Set24(mask.Image.get(), x, y + 4, kWeights[x] * 0x010101u);
      }
    Set24(mask.Image.get(), 1, 1, 0xFF00FF);
    mask.ImageRect = {0, 0, 4, 8};
    mask.ImageCount = 1;
    mask.MaskType = 1;
  }
};

}  // namespace

TEST(MaskPainting, GlyphThroughMaskHalfMatchesTheMixPerPixel) {
  struct Case {
    const char* name;
    vcl::TPixelFormat format;
    int fade;
    vcl::TRect targetRect, sourceRect;
  } cases[] = {
      {"normal 24-bit", vcl::pf24bit, 1, {1, 0, 4, 3}, {0, 0, 3, 3}},
      {"faded 24-bit", vcl::pf24bit, 2, {1, 0, 4, 3}, {0, 0, 3, 3}},
      {"normal 32-bit", vcl::pf32bit, 1, {0, 1, 3, 4}, {0, 0, 3, 3}},
      // Left of the target: the first columns are skipped in both rectangles.
      {"cut on the left", vcl::pf24bit, 1, {-2, 0, 1, 3}, {0, 0, 3, 3}},
      // A source rectangle reaching into the mask half copies only the rows above it.
      {"rows limited by the mask half", vcl::pf24bit, 0, {0, 0, 3, 7}, {0, 0, 3, 7}},
  };
  const uint32_t targetGrey = 0xF0;
  for (const Case& c : cases) {
    GlyphMask g;
    auto target = MaskMakeBitmap(c.format, 6, 6);
    const int bytes = c.format == vcl::pf32bit ? 4 : 3;
    for (int y = 0; y < 6; ++y) std::memset(target->ScanLine(y), int(targetGrey), 6 * bytes);
    CopyGlyphThroughMask(c.targetRect, c.sourceRect, target.get(), g.mask, c.fade, g.mask.Image.get());
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 6; ++x) {
        const int sx = x - c.targetRect.left + c.sourceRect.left, sy = y - c.targetRect.top + c.sourceRect.top;
        const bool copied = x >= c.targetRect.left && sx >= 0 && sx < 4 && y >= c.targetRect.top && sy >= 0 &&
                            sy < 4 && !(sx == 1 && sy == 1);
        uint32_t expected = targetGrey;
        if (copied) {
          int m = GlyphMask::kWeights[sx];
          if (c.fade != 1) m = std::min(m + 100, 255);
          const int s = 40 * (sx + 1);
          expected = uint32_t((m * (int(targetGrey) - s) + s * 256) / 256);
        }
        const uint8_t* p = static_cast<uint8_t*>(target->ScanLine(y)) + x * bytes;
        EXPECT_EQ(p[0], expected) << c.name << " at " << x << "," << y;
        EXPECT_EQ(p[2], expected) << c.name << " at " << x << "," << y;
        if (bytes == 4) {
          EXPECT_EQ(p[3], copied ? 255 : targetGrey) << c.name << " at " << x << "," << y;
        }
      }
  }
}

TEST(MaskPainting, FadedGlyphOverWhiteWithABlackMaskKeepsAHundredParts) {
  GlyphMask g;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) Set24(g.mask.Image.get(), x, y + 4, 0), Set24(g.mask.Image.get(), x, y, 0);
  auto target = MaskMakeBitmap(vcl::pf24bit, 4, 4);
  for (int y = 0; y < 4; ++y) std::memset(target->ScanLine(y), 255, 12);
  CopyGlyphThroughMask({0, 0, 3, 3}, {0, 0, 3, 3}, target.get(), g.mask, 0, g.mask.Image.get());
  EXPECT_EQ(Get24(target.get(), 2, 2), 0x636363u);  // 255 * 100 / 256
  CopyGlyphThroughMask({0, 0, 3, 3}, {0, 0, 3, 3}, target.get(), g.mask, 1, g.mask.Image.get());
  EXPECT_EQ(Get24(target.get(), 2, 2), 0u);  // normal: the black glyph alone
}

TEST(MaskPainting, KeyColourGlyphSkipsItsKeyPixels) {
  GlyphMask g;
  g.mask.MaskType = 0;
  g.mask.ImageRect = {0, 0, 4, 4};
  auto target = MaskMakeBitmap(vcl::pf32bit, 5, 5);
  for (int y = 0; y < 5; ++y) std::memset(target->ScanLine(y), 0x33, 20);
  CopyGlyphThroughMask({1, 1, 4, 4}, {0, 0, 3, 3}, target.get(), g.mask, 1, g.mask.Image.get());
  EXPECT_EQ(Pixel32(target.get(), 2, 2), 0x33333333u);  // the key pixel leaves the target
  EXPECT_EQ(Pixel32(target.get(), 1, 1), 0xFF282828u);
  EXPECT_EQ(Pixel32(target.get(), 4, 4), 0xFFA0A0A0u);
  EXPECT_EQ(Pixel32(target.get(), 0, 0), 0x33333333u);
}
