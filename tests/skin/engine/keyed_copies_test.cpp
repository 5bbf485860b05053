#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cmath>
#include <functional>
#include <memory>

#include "skin/engine/paint/keyed_copies.h"
#include "tests/skin/engine/bitmap_pixels.h"

using namespace skin;

namespace {

using KeyedPx = std::array<int, 4>;  // blue, green, red, alpha (alpha 0 for 24-bit)

uint8_t* KeyedAt(vcl::TBitmap* b, int x, int y) { return static_cast<uint8_t*>(b->ScanLine(y)) + skin_test::BytesPerPixel(b) * x; }
KeyedPx KeyedGet(vcl::TBitmap* b, int x, int y) {
  const uint8_t* p = KeyedAt(b, x, y);
  return {p[0], p[1], p[2], skin_test::BytesPerPixel(b) == 4 ? p[3] : 0};
}
void Set(vcl::TBitmap* b, int x, int y, KeyedPx v) {
  uint8_t* p = KeyedAt(b, x, y);
  for (int c = 0; c < skin_test::BytesPerPixel(b); ++c) p[c] = uint8_t(v[c]);
}
// Deterministic varied bytes.
void Scatter(vcl::TBitmap* b, int seed) {
  for (int y = 0; y < b->Height(); ++y)
    for (int x = 0; x < b->Width(); ++x)
      Set(b, x, y, {(x * 37 + y * 11 + seed) % 256, (x * 13 + y * 71 + seed * 3) % 256, (x * 59 + y * 29 + seed * 7) % 256,
                    (x * 23 + y * 43 + seed * 5) % 256});
}
const KeyedPx kKeyedKey{0xFF, 0x00, 0xFF, 0};

// Every pixel of the target compared with expected(x, y, pixel before).
void KeyedExpectPixels(vcl::TBitmap* before, vcl::TBitmap* after, const std::function<KeyedPx(int, int, KeyedPx)>& expected,
                  const char* name) {
  for (int y = 0; y < after->Height(); ++y)
    for (int x = 0; x < after->Width(); ++x) {
      const KeyedPx want = expected(x, y, KeyedGet(before, x, y));
      const KeyedPx got = KeyedGet(after, x, y);
      for (int c = 0; c < skin_test::BytesPerPixel(after); ++c) ASSERT_EQ(got[c], want[c]) << name << " at " << x << "," << y << " byte " << c;
    }
}

std::unique_ptr<vcl::TBitmap> Copy(vcl::TBitmap* b) {
  auto c = std::make_unique<vcl::TBitmap>();
  c->Assign(b);
  return c;
}

bool Inside(const vcl::TRect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

TEST(KeyedCopies, MixesOfOneByte) {
  EXPECT_EQ(MaskMix(200, 100, 0), 200);
  EXPECT_EQ(MaskMix(200, 100, 255), 100);  // (51,200 - 25,500) div 256
  EXPECT_EQ(AlphaMix(255, 0, 128), 127);
  EXPECT_EQ(AlphaMix(0, 255, 0), 255);
}

// A 24-bit picture over its mask half, and a 32-bit picture with alpha, copied into a
// rectangle that reaches past the target's left edge.
TEST(KeyedCopies, TransparentCopyOnTheBackground) {
  auto background = skin_test::MakeBitmap(vcl::pf24bit, 12, 10);
  Scatter(background.get(), 99);
  struct Case {
    const char* name;
    vcl::TPixelFormat source, target;
    bool ready, fill;
  } cases[] = {
      {"mask, ready, fill", vcl::pf24bit, vcl::pf24bit, true, true},
      {"mask, ready", vcl::pf24bit, vcl::pf32bit, true, false},
      {"mask, not ready", vcl::pf24bit, vcl::pf24bit, false, true},
      {"alpha, ready, fill", vcl::pf32bit, vcl::pf32bit, true, true},
      {"alpha, not ready", vcl::pf32bit, vcl::pf24bit, false, false},
  };
  const vcl::TRect targetRect{-1, 1, 5, 5}, sourceRect{1, 0, 7, 4};
  for (const Case& c : cases) {
    auto source = skin_test::MakeBitmap(c.source, 8, 8);  // a 24-bit picture: rows 0-3, mask rows 4-7
    Scatter(source.get(), 1);
    Set(source.get(), 2, 1, kKeyedKey), Set(source.get(), 4, 3, kKeyedKey), Set(source.get(), 1, 0, kKeyedKey);
    auto target = skin_test::MakeBitmap(c.target, 7, 5);
    Scatter(target.get(), 2);
    auto before = Copy(target.get());
    TsBackgroundInfo info{c.ready ? background.get() : nullptr, 3, 2, 0x00FF00, c.ready};
    CopyTransparentOnBg(targetRect, sourceRect, target.get(), c.fill, info, source.get());
    const bool masked = c.source == vcl::pf24bit;
    KeyedExpectPixels(before.get(), target.get(), [&](int x, int y, KeyedPx t) {
      if (!Inside(targetRect, x, y)) return t;
      const int sx = sourceRect.left + x - targetRect.left, sy = sourceRect.top + y - targetRect.top;
      const KeyedPx p = KeyedGet(source.get(), sx, sy);
      const bool key = p[0] == 0xFF && p[1] == 0 && p[2] == 0xFF;
      if (c.ready && key) {
        if (!c.fill) return t;
        KeyedPx b = KeyedGet(background.get(), x + 3, y + 2);
        b[3] = 255;
        return b;
      }
      for (int ch = 0; ch < 3; ++ch) {
        if (masked) {
          const int m = KeyedGet(source.get(), sx, sy + 4)[ch];
          t[ch] = (p[ch] * (256 - m) + t[ch] * m) / 256;
        } else {
          t[ch] = (t[ch] * (256 - p[3]) + p[ch] * p[3]) / 256;
        }
      }
      if (!masked && c.ready) t[3] = 255;
      return t;
    }, c.name);
  }
}

TEST(KeyedCopies, AlphaCopyWithBlendTintAndReflection) {
  auto source = skin_test::MakeBitmap(vcl::pf32bit, 4, 16);
  Scatter(source.get(), 5);
  Set(source.get(), 1, 2, {0xFF, 0, 0xFF, 0});  // the key pixel 0x00FF00FF
  struct Case {
    const char* name;
    int blend;
    vcl::TColor tint;
    bool reflection;
  } cases[] = {{"plain", 0, NoTintColor, false},
               {"half opacity", 50, NoTintColor, false},
               {"white tint", 0, 0xFFFFFF, false},
               {"reflection", 0, NoTintColor, true},
               {"reflection, blended, tinted", 40, 0x3080FF, true}};
  const vcl::TRect targetRect{2, 1, 6, 17}, sourceRect{0, 0, 4, 16};
  for (const Case& c : cases) {
    auto target = skin_test::MakeBitmap(vcl::pf24bit, 8, 30);
    Scatter(target.get(), 6);
    auto before = Copy(target.get());
    CopyAlphaBitmap(targetRect, sourceRect, target.get(), c.reflection, c.blend, c.tint, false, TsBackgroundInfo{},
                    source.get());
    const int tint[3] = {int((c.tint >> 16) & 0xFF), int((c.tint >> 8) & 0xFF), int(c.tint & 0xFF)};
    auto put = [&](KeyedPx p, KeyedPx t, int opacity) {
      for (int ch = 0; ch < 3; ++ch) {
        if (c.tint == NoTintColor) {
          t[ch] = (t[ch] * (256 - opacity) + p[ch] * opacity) / 256;
        } else {
          const int v = std::min(255, int(std::nearbyint((p[0] + p[1] + p[2]) / 3 * tint[ch] / 255.0)));
          t[ch] = t[ch] + int(std::floor((v - t[ch]) * opacity / 256.0));
        }
      }
      return t;
    };
    KeyedExpectPixels(before.get(), target.get(), [&](int x, int y, KeyedPx t) {
      if (x < 2 || x >= 6) return t;
      const int sx = x - 2;
      if (y >= 1 && y < 17) {
        // Without a ready background the key pixel is mixed like any other.
        const KeyedPx p = KeyedGet(source.get(), sx, y - 1);
        return put(p, t, c.blend ? (100 - c.blend) * p[3] / 100 : p[3]);
      }
      const int k = y - 17;  // reflection rows k = 1 .. 7 below the rectangle
      if (!c.reflection || k < 1 || k > 7) return t;
      const KeyedPx p = KeyedGet(source.get(), sx, 16 - k - 1);
      if (p[0] == 0xFF && p[1] == 0 && p[2] == 0xFF && p[3] == 0) return t;
      const int level = 255 - (k - 1) * 31;
      const int weight = c.blend ? ((100 - c.blend) * p[3] / 300) * level / 255 : level * (p[3] / 3) / 255;
      return put(p, t, weight);
    }, c.name);
  }
}

TEST(KeyedCopies, MaskPieceByReadinessAndFillFlag) {
  auto background = skin_test::MakeBitmap(vcl::pf32bit, 10, 10);
  Scatter(background.get(), 42);
  TsMaskData mask;
  mask.ImageRect = vcl::TRect{0, 0, 6, 8};  // picture rows 0-3, mask rows 4-7
  struct Case {
    const char* name;
    bool ready, fill;
    vcl::TPixelFormat target;
  } cases[] = {{"ready, fill", true, true, vcl::pf32bit}, {"ready", true, false, vcl::pf24bit},
               {"fill colour", false, true, vcl::pf32bit}, {"plain", false, false, vcl::pf32bit},
               {"ready, fill, 24", true, true, vcl::pf24bit}};
  const vcl::TRect targetRect{1, 1, 7, 5}, sourceRect{0, 0, 6, 4};
  for (const Case& c : cases) {
    auto source = skin_test::MakeBitmap(vcl::pf24bit, 6, 8);
    Scatter(source.get(), 3);
    Set(source.get(), 0, 0, kKeyedKey), Set(source.get(), 5, 3, kKeyedKey), Set(source.get(), 2, 2, kKeyedKey);
    auto target = skin_test::MakeBitmap(c.target, 6, 6);  // the rectangle reaches past the right and bottom
    Scatter(target.get(), 4);
    auto before = Copy(target.get());
    TsBackgroundInfo info{c.ready ? background.get() : nullptr, 2, 1, 0x102030, c.ready};
    CopyMaskPiece(targetRect, sourceRect, target.get(), mask, c.fill, info, source.get());
    KeyedExpectPixels(before.get(), target.get(), [&](int x, int y, KeyedPx t) {
      if (!Inside(targetRect, x, y)) return t;
      const int sx = x - 1, sy = y - 1;
      const KeyedPx p = KeyedGet(source.get(), sx, sy);
      const bool key = p == kKeyedKey;
      if (key && c.fill) {
        KeyedPx fill = c.ready ? KeyedGet(background.get(), x + 2, y + 1) : KeyedPx{0x10, 0x20, 0x30, 0};
        fill[3] = 255;
        return fill;
      }
      if (key && !c.ready) return t;
      for (int ch = 0; ch < 3; ++ch) {
        const int m = KeyedGet(source.get(), sx, sy + 4)[ch];
        t[ch] = (p[ch] * (256 - m) + t[ch] * m) / 256;
      }
      if (c.ready && c.fill) t[3] = 255;
      return t;
    }, c.name);
  }
}

TEST(KeyedCopies, KeyedCopiesPlacePixelsAndClip) {
  auto source = skin_test::MakeBitmap(vcl::pf24bit, 5, 4);
  Scatter(source.get(), 8);
  Set(source.get(), 3, 1, kKeyedKey), Set(source.get(), 0, 3, kKeyedKey);
  auto colourBg = TsBackgroundInfo{nullptr, 0, 0, 0x0000FF, false};

  // The whole source at (-2, 0) into a 32-bit target: columns 2 and on land at 0 and on.
  auto target = skin_test::MakeBitmap(vcl::pf32bit, 4, 3);
  Scatter(target.get(), 9);
  auto before = Copy(target.get());
  CopyWithKeyColor(target.get(), source.get(), -2, 0xFF00FF, 0);
  KeyedExpectPixels(before.get(), target.get(), [&](int x, int y, KeyedPx t) {
    if (x + 2 >= 5) return t;
    KeyedPx p = KeyedGet(source.get(), x + 2, y);
    if (p == kKeyedKey) return t;
    p[3] = 255;
    return p;
  }, "CopyWithKeyColor");

  struct Case {
    const char* name;
    vcl::TPixelFormat target, background;
    bool fill, ready;
    vcl::TRect rect;
    int x, y;
  } cases[] = {
      {"colour fill, 32-bit", vcl::pf32bit, vcl::pf24bit, false, false, {-1, 0, 4, 3}, 1, 1},
      {"background fill, 32 over 32", vcl::pf32bit, vcl::pf32bit, true, true, {0, 0, 4, 3}, -1, 0},
      {"background fill, 32 over 24", vcl::pf32bit, vcl::pf24bit, true, true, {1, 1, 9, 9}, 2, -1},
      {"ready, no fill, 24", vcl::pf24bit, vcl::pf24bit, false, true, {0, 0, 4, 3}, 0, 0},
  };
  for (const Case& c : cases) {
    auto bg = skin_test::MakeBitmap(c.background, 9, 9);
    Scatter(bg.get(), 11);
    auto t = skin_test::MakeBitmap(c.target, 5, 4);
    Scatter(t.get(), 12);
    auto was = Copy(t.get());
    TsBackgroundInfo info = c.ready ? TsBackgroundInfo{bg.get(), 1, 2, SkinKeyColor, true} : colourBg;
    CopyKeyedRect(t.get(), source.get(), c.x, c.fill, info, 0xFF00FF, c.rect, c.y);
    const vcl::TRect clipped{std::max<LONG>(c.rect.left, 0), std::max<LONG>(c.rect.top, 0), std::min<LONG>(c.rect.right, 4),
                             std::min<LONG>(c.rect.bottom, 3)};
    KeyedExpectPixels(was.get(), t.get(), [&](int x, int y, KeyedPx px) {
      const int sx = clipped.left + x - c.x, sy = clipped.top + y - c.y;
      if (sx < clipped.left || sx > clipped.right || sy < clipped.top || sy > clipped.bottom) return px;
      KeyedPx p = KeyedGet(source.get(), sx, sy);
      if (p == kKeyedKey) {
        if (c.fill && c.ready) p = KeyedGet(bg.get(), x + 1, y + 2);
        else if (!c.ready) p = {0, 0, 255, 0};  // the colour background, red
        else return px;
      }
      p[3] = 255;
      return p;
    }, c.name);
  }

  // The target is the background itself: key pixels stay.
  auto self = skin_test::MakeBitmap(vcl::pf24bit, 5, 4);
  Scatter(self.get(), 13);
  auto selfBefore = Copy(self.get());
  CopyKeyedRect(self.get(), source.get(), 0, true, TsBackgroundInfo{self.get(), 0, 0, SkinKeyColor, true}, 0xFF00FF,
                vcl::TRect{0, 0, 4, 3}, 0);
  EXPECT_EQ(KeyedGet(self.get(), 3, 1), KeyedGet(selfBefore.get(), 3, 1));
  EXPECT_EQ(KeyedGet(self.get(), 2, 1), KeyedGet(source.get(), 2, 1));

  auto t24 = skin_test::MakeBitmap(vcl::pf24bit, 3, 3);
  Scatter(t24.get(), 14);
  auto t24Before = Copy(t24.get());
  CopyKeyedRect24(t24.get(), source.get(), 1, TsBackgroundInfo{}, 0xFF00FF, vcl::TRect{2, 0, 20, 20}, -1);
  KeyedExpectPixels(t24Before.get(), t24.get(), [&](int x, int y, KeyedPx px) {
    const int sx = 2 + x - 1, sy = y + 1;
    if (x < 1 || sx > 4 || sy > 3) return px;
    const KeyedPx p = KeyedGet(source.get(), sx, sy);
    return p == kKeyedKey ? px : p;
  }, "CopyKeyedRect24");
}

TEST(KeyedCopies, OtherFormatsAndMissingBitmapsDrawNothing) {
  auto target = skin_test::MakeBitmap(vcl::pf24bit, 4, 4);
  Scatter(target.get(), 1);
  auto before = Copy(target.get());
  auto eight = skin_test::MakeBitmap(vcl::pf8bit, 4, 4);
  const vcl::TRect all{0, 0, 4, 4};
  TsBackgroundInfo info{eight.get(), 0, 0, 0, true};
  CopyTransparentOnBg(all, all, target.get(), true, info, eight.get());
  CopyMaskPiece(all, all, target.get(), TsMaskData{}, true, info, nullptr);
  CopyKeyedRect(target.get(), eight.get(), 0, true, info, 0, all, 0);
  CopyKeyedRect24(eight.get(), target.get(), 0, info, 0, all, 0);
  CopyWithKeyColor(target.get(), nullptr, 0, 0, 0);
  CopyAlphaBitmap(all, all, target.get(), true, 0, NoTintColor, true, info, nullptr);
  // Rectangles that lie wholly outside, however far.
  auto source = skin_test::MakeBitmap(vcl::pf24bit, 4, 8);
  const vcl::TRect remote{INT32_MIN, INT32_MIN, INT32_MIN + 5, INT32_MIN + 5}, wide{INT32_MIN, 9, INT32_MAX, 12};
  for (const vcl::TRect& r : {remote, wide}) {
    CopyTransparentOnBg(r, all, target.get(), true, TsBackgroundInfo{}, source.get());
    CopyTransparentOnBg(all, r, target.get(), true, TsBackgroundInfo{}, source.get());
    CopyMaskPiece(r, r, target.get(), TsMaskData{}, true, TsBackgroundInfo{}, source.get());
    CopyKeyedRect(target.get(), source.get(), INT32_MIN, false, TsBackgroundInfo{}, 0, r, INT32_MAX);
    CopyKeyedRect24(target.get(), source.get(), INT32_MAX, TsBackgroundInfo{}, 0, r, INT32_MIN);
  }
  KeyedExpectPixels(before.get(), target.get(), [](int, int, KeyedPx t) { return t; }, "untouched");
}

}  // namespace
