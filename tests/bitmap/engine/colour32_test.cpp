#include "bitmap/engine/colour32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

using namespace bitmap;

TEST(Color32, ComponentsAndIntensity) {
  EXPECT_EQ(MakeColor32(0x12, 0x34, 0x56, 0x78), 0x78123456u);
  EXPECT_EQ(MakeGray32(0x40, 0x80), 0x80404040u);
  EXPECT_EQ(RedOf(0x80FF8040u), 0xFF);
  EXPECT_EQ(GreenOf(0x80FF8040u), 0x80);
  EXPECT_EQ(BlueOf(0x80FF8040u), 0x40);
  EXPECT_EQ(IntensityOf(0xFFFFFFFFu), 255);
  EXPECT_EQ(IntensityOf(0xFF0000FFu), 20);
  EXPECT_EQ(IntensityOf(0x0000FF00u), 173);
  EXPECT_EQ(IntensityOf(0x00FF0000u), 60);
}

TEST(Color32, WithAlphaClampsTheAlpha) {
  const struct { int32_t alpha; TColor32 expected; } cases[] = {
      {300, 0xFF123456u}, {-4, 0x00123456u}, {128, 0x80123456u}, {255, 0xFF123456u}};
  for (const auto& c : cases) EXPECT_EQ(WithAlpha(0x55123456u, c.alpha), c.expected) << c.alpha;
}

TEST(Color32, PlatformColoursBecomeOpaqueArgb) {
  EXPECT_EQ(ColorToColor32(0x000000FF), 0xFFFF0000u);  // pure red
  EXPECT_EQ(ColorToColor32(0x00563412), 0xFF123456u);
  // A system colour is looked up first; the result is always opaque.
  EXPECT_EQ(ColorToColor32(int32_t(0x8000000F)) >> 24, 0xFFu);
}

TEST(Color32, HslOfPureBlue) {
  float h, s, l;
  Color32ToHsl(0xFF0000FFu, h, s, l);
  EXPECT_EQ(h, 2.0f / 3.0f);
  EXPECT_EQ(s, 1.0f);
  EXPECT_EQ(l, 0.5f);
}

TEST(Color32, HslRoundTripKeepsGreysAndPrimaries) {
  std::vector<TColor32> colours;
  for (int i = 0; i < 256; ++i) colours.push_back(MakeGray32(uint8_t(i)));
  for (TColor32 c : {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u, 0xFF00FFFFu, 0xFFFF00FFu})
    colours.push_back(c);
  for (TColor32 c : colours) {
    float h, s, l;
    Color32ToHsl(c, h, s, l);
    EXPECT_EQ(HslToColor32(h, s, l), c | 0xFF000000u) << std::hex << c;
  }
}

TEST(Color32, HslOfAGreyHasNoHueOrSaturation) {
  float h = -1, s = -1, l = -1;
  Color32ToHsl(0x00808080u, h, s, l);
  EXPECT_EQ(h, 0.0f);
  EXPECT_EQ(s, 0.0f);
  EXPECT_EQ(l, float(128.0f / 255.0f));
}

TEST(Color32, HslToColorIsOpaque) {
  EXPECT_EQ(HslToColor32(0.0f, 1.0f, 0.5f), 0xFFFF0000u);
  EXPECT_EQ(HslToColor32(0.5f, 0.0f, 1.0f), 0xFFFFFFFFu);
}

namespace {

// The conversions step by step as documented, each step a single-precision operation: the
// reference for the arrangement the engine computes them in.
void ReferenceHsl(TColor32 c, float& h, float& s, float& l) {
  const float r = float((c >> 16) & 0xFF) / 255.0f, g = float((c >> 8) & 0xFF) / 255.0f,
              b = float(c & 0xFF) / 255.0f;
  const float mx = std::max(std::max(r, g), b), mn = std::min(std::min(r, g), b);
  l = (mx + mn) / 2.0f;
  if (mx == mn) {
    h = s = 0.0f;
    return;
  }
  const float d = mx - mn;
  s = l < 0.5f ? d / (mx + mn) : d / (2.0f - mx - mn);
  if (r == mx) h = (g - b) / d;
  else if (g == mx) h = 2.0f + (b - r) / d;
  else h = 4.0f + (r - g) / d;
  h = h / 6.0f;
  if (h < 0.0f) h = h + 1.0f;
}

int32_t ReferenceChannel(float m1, float m2, float h) {
  h = h - std::floor(h);
  float v;
  if (6.0f * h < 1.0f) v = m1 + (m2 - m1) * h * 6.0f;
  else if (2.0f * h < 1.0f) v = m2;
  else if (3.0f * h < 2.0f) v = m1 + (m2 - m1) * (2.0f / 3.0f - h) * 6.0f;
  else v = m1;
  return std::clamp(int32_t(std::nearbyint(255.0f * v)), 0, 255);
}

TColor32 ReferenceColour(float h, float s, float l) {
  if (s == 0.0f) {
    const uint32_t v = std::clamp(int32_t(std::nearbyint(255.0f * l)), 0, 255);
    return 0xFF000000u | v * 0x010101u;
  }
  const float m2 = l <= 0.5f ? l * (1.0f + s) : (l + s) - l * s;
  const float m1 = 2.0f * l - m2;
  return 0xFF000000u | uint32_t(ReferenceChannel(m1, m2, h + 1.0f / 3.0f)) << 16 |
         uint32_t(ReferenceChannel(m1, m2, h)) << 8 | uint32_t(ReferenceChannel(m1, m2, h - 1.0f / 3.0f));
}

}  // namespace

// Every colour to HSL, bit for bit as the documented steps; and back from mixed parts of
// colours (the HSL blend modes take the hue of one and the rest of another), greys included.
TEST(Color32, HslConversionsFollowTheSinglePrecisionSteps) {
  std::vector<float> hs, ss, ls;
  for (TColor32 c = 0; c < (1u << 24); ++c) {
    float h, s, l, rh, rs, rl;
    Color32ToHsl(c, h, s, l);
    ReferenceHsl(c, rh, rs, rl);
    ASSERT_TRUE(std::memcmp(&h, &rh, 4) == 0 && std::memcmp(&s, &rs, 4) == 0 &&
                std::memcmp(&l, &rl, 4) == 0)
        << std::hex << c;
    if (c % 61 == 0) hs.push_back(h), ss.push_back(s), ls.push_back(l);
  }
  std::mt19937 rng(5);
  for (int i = 0; i < 2000000; ++i) {
    const float h = hs[rng() % hs.size()], s = ss[rng() % ss.size()], l = ls[rng() % ls.size()];
    ASSERT_EQ(HslToColor32(h, s, l), ReferenceColour(h, s, l)) << h << " " << s << " " << l;
  }
}

TEST(Rects, IntersectRects) {
  const struct { TRect a, b, expected; bool result; } cases[] = {
      {{0, 0, 10, 10}, {10, 0, 20, 10}, {10, 0, 10, 10}, true},   // touching: zero width
      {{0, 0, 10, 10}, {11, 0, 20, 10}, {0, 0, 0, 0}, false},
      {{0, 0, 10, 10}, {2, 3, 5, 20}, {2, 3, 5, 10}, true},
      {{-5, -5, 5, 5}, {0, 0, 10, 10}, {0, 0, 5, 5}, true},
      {{0, 0, 10, 10}, {0, 12, 10, 20}, {0, 0, 0, 0}, false},
  };
  for (const auto& c : cases) {
    TRect dst{7, 7, 7, 7};
    EXPECT_EQ(IntersectRects(dst, c.a, c.b), c.result);
    EXPECT_EQ(dst, c.expected);
  }
}

TEST(Rects, MakeRectFromFloat) {
  const struct { TFloatRect in; uint8_t kind; TRect expected; } cases[] = {
      {{0.5f, 0.5f, 2.5f, 2.5f}, 0, {0, 0, 2, 2}},  // halves to even
      {{1.5f, -0.5f, 3.5f, 2.6f}, 0, {2, 0, 4, 3}},
      {{0.5f, 0.5f, 2.5f, 2.5f}, 1, {0, 0, 3, 3}},
      {{0.5f, 0.5f, 2.5f, 2.5f}, 2, {1, 1, 2, 2}},
      {{0.2f, 0.2f, 0.8f, 0.7f}, 2, {1, 1, 1, 1}},  // inward past itself collapses
      {{-1.5f, -1.5f, -0.5f, 4.0f}, 1, {-2, -2, 0, 4}},
      {{1e20f, -1e20f, 0, 0}, 0, {INT32_MAX, INT32_MIN, 0, 0}},  // saturates, no overflow
  };
  for (const auto& c : cases) {
    TRect r;
    MakeRectFromFloat(r, c.in, c.kind);
    EXPECT_EQ(r, c.expected) << int(c.kind);
  }
  TRect untouched{1, 2, 3, 4};
  MakeRectFromFloat(untouched, {0, 0, 9, 9}, 3);
  EXPECT_EQ(untouched, (TRect{1, 2, 3, 4}));
}

TEST(Rects, EmptinessContainmentAndOffset) {
  EXPECT_TRUE(RectIsEmpty({0, 0, 0, 5}));
  EXPECT_TRUE(RectIsEmpty({0, 5, 3, 2}));
  EXPECT_FALSE(RectIsEmpty({0, 0, 1, 1}));
  const TRect r{1, 1, 3, 3};
  EXPECT_TRUE(RectContainsPoint(r, {1, 1}));
  EXPECT_TRUE(RectContainsPoint(r, {2, 2}));
  EXPECT_FALSE(RectContainsPoint(r, {3, 2}));
  EXPECT_FALSE(RectContainsPoint(r, {2, 3}));
  TRect m = r;
  OffsetRectBy(m, -2, 5);
  EXPECT_EQ(m, (TRect{-1, 6, 1, 8}));
  EXPECT_EQ(ClampValue(-3, 0, 10), 0);
  EXPECT_EQ(ClampValue(13, 0, 10), 10);
  EXPECT_EQ(ClampValue(7, 0, 10), 7);
}

TEST(Runs, FillRunAndMoveRun) {
  std::vector<TColor32> cells(8, 1);
  FillRun(cells.data() + 2, 3, 9);
  EXPECT_EQ(cells, (std::vector<TColor32>{1, 1, 9, 9, 9, 1, 1, 1}));
  FillRun(cells.data(), 0, 5);
  FillRun(cells.data(), -3, 5);
  EXPECT_EQ(cells[0], 1u);

  std::vector<TColor32> run{1, 2, 3, 4, 5, 6, 7, 8};
  MoveRun(run.data() + 2, run.data(), 4);  // down, overlapping
  EXPECT_EQ(run, (std::vector<TColor32>{3, 4, 5, 6, 5, 6, 7, 8}));
  run = {1, 2, 3, 4, 5, 6, 7, 8};
  MoveRun(run.data(), run.data() + 2, 4);  // up, overlapping: still an exact copy
  EXPECT_EQ(run, (std::vector<TColor32>{1, 2, 1, 2, 3, 4, 7, 8}));
  MoveRun(run.data(), run.data() + 2, -1);
  EXPECT_EQ(run[2], 1u);
}
