#include "bitmap/engine/blend_modes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "bitmap/engine/blend_rows.h"

using namespace bitmap;

namespace {
const struct {
  const char* name;
  TColor32 expected;  // F = 0x80FF8040 over B = 0x12345678 at M = 255 (c = 127)
} kGoldens[BlendModeCount] = {
    {"Normal", 0x12986A5C},     {"Multiply", 0x1233404B},   {"Screen", 0x12988089},
    {"Overlay", 0x124D565A},    {"Reflect", 0x12984861},    {"Soft Light", 0x12475668},
    {"Bright Light", 0x12535F68}, {"Hard Light", 0x1298565A}, {"Color Dodge", 0x1298818B},
    {"Color Burn", 0x12342B3C}, {"Lighten", 0x12986A78},    {"Darken", 0x1234565C},
    {"Additive", 0x12989597},   {"Subtractive", 0x12332B3C}, {"Average", 0x1266606A},
    {"Difference", 0x127E4058}, {"Exclusion", 0x127F6A79},  {"Negation", 0x127E9597},
    {"Glow", 0x12985A4A},       {"Heat", 0x12984D3C},       {"Freeze", 0x12483B3C},
    {"Red", 0x12985678},        {"Green", 0x12346A78},      {"Blue", 0x1234565C},
    {"Hue", 0x12555056},        {"Saturation", 0x121A5691}, {"Lightness", 0x12567A9E},
};
}  // namespace

TEST(BlendModes, GoldenPixelOfEveryMode) {
  for (int32_t i = 0; i < BlendModeCount; ++i) {
    EXPECT_EQ(BlendModeName(i), kGoldens[i].name);
    TColor32 b = 0x12345678u;
    BlendModeCombineEvent(i)(0x80FF8040u, b, 255);
    EXPECT_EQ(b, kGoldens[i].expected) << kGoldens[i].name << " gave " << std::hex << b;
  }
}

namespace {

// Overlay of one channel as its formula has it: b < 128: (b * f) >> 7; b >= 128:
// 255 - ((255 - b) * (255 - f)) / 128; then mixed towards by c: b + floor((x - b) * c / 256).
int32_t OverlayChannel(int32_t f, int32_t b, int32_t c) {
  const int32_t x = b < 128 ? (b * f) >> 7 : 255 - ((255 - b) * (255 - f)) / 128;
  const int32_t d = (x - b) * c;
  return b + (d >= 0 ? d / 256 : -((-d + 255) / 256));
}

}  // namespace

// Every pair of channel values, the light half of the base (b >= 128) included, through the
// combiner and through each build of the row kernel, against the formula.
TEST(BlendModes, OverlayFollowsItsFormulaOverEveryBase) {
  for (const TColor32 master : {255u, 128u}) {
    std::vector<TColor32> fs, bs, expected;
    for (int32_t b = 0; b < 256; ++b)
      for (int32_t f = 0; f < 256; ++f) {
        // Red, green and blue take different pairs: (f, b), (255 - f, b), (f, 255 - b).
        const TColor32 alpha = TColor32(0x40 + (f & 0xBF)) << 24;
        const int32_t c = int32_t(((alpha >> 24) * master) >> 8);
        fs.push_back(alpha | TColor32(f) << 16 | TColor32(255 - f) << 8 | TColor32(f));
        bs.push_back(0x5A000000u | TColor32(b) << 16 | TColor32(b) << 8 | TColor32(255 - b));
        expected.push_back(0x5A000000u | TColor32(OverlayChannel(f, b, c)) << 16 |
                           TColor32(OverlayChannel(255 - f, b, c)) << 8 | TColor32(OverlayChannel(f, 255 - b, c)));
      }
    std::vector<TColor32> combined = bs;
    for (size_t i = 0; i < fs.size(); ++i) BlendOverlay(fs[i], combined[i], master);
    for (size_t i = 0; i < fs.size(); ++i)
      ASSERT_EQ(combined[i], expected[i]) << std::hex << fs[i] << " over " << bs[i] << " m " << master;
    for (TKernelSet set : {TKernelSet::Baseline, TKernelSet::Avx2, TKernelSet::Avx512}) {
      if (!KernelSetAvailable(set)) continue;
      std::vector<TColor32> row = bs;
      BlendModeRowKernel(3, set)(fs.data(), row.data(), int32_t(row.size()), master);
      for (size_t i = 0; i < fs.size(); ++i)
        ASSERT_EQ(row[i], expected[i]) << std::hex << fs[i] << " over " << bs[i] << " m " << master << " kernel "
                                       << int(set);
    }
  }
}

TEST(BlendModes, NoWeightLeavesBUnchangedInEveryMode) {
  const struct { TColor32 f, m; } cases[] = {
      {0x80FF8040u, 0},      // master 0
      {0x00FF8040u, 255},    // transparent F
      {0xFFFF8040u, 256},    // only the low byte of M counts
      {0x01FF8040u, 255},    // c = (1 * 255) >> 8 = 0
  };
  for (int32_t i = 0; i < BlendModeCount; ++i)
    for (const auto& c : cases) {
      TColor32 b = 0x12345678u;
      BlendModeCombineEvent(i)(c.f, b, c.m);
      EXPECT_EQ(b, 0x12345678u) << BlendModeName(i) << " m " << c.m;
    }
}

TEST(BlendModes, FullAlphaStillLeavesATraceOfB) {
  TColor32 b = 0x00000000u;
  BlendNormal(0xFFFFFFFFu, b, 255);  // c = 254
  EXPECT_EQ(b, 0x00FDFDFDu);
  b = 0xAB102030u;
  BlendNormal(0xAB102030u, b, 255);  // F = B returns at once
  EXPECT_EQ(b, 0xAB102030u);
}

TEST(BlendModes, DivisorsAtTheirLimits) {
  const struct { void (*combine)(TColor32, TColor32&, TColor32); TColor32 f, b, expected; } cases[] = {
      // f = 255 fixes Reflect and Color Dodge at 255; b = 255 fixes Glow at 255.
      {BlendReflect, 0xFFFFFFFFu, 0x00102030u, 0x00FDFDFDu},
      {BlendColorDodge, 0xFFFFFFFFu, 0x00000000u, 0x00FDFDFDu},
      {BlendGlow, 0xFF000000u, 0x00FFFFFFu, 0x00FEFEFEu}  /* weighs B by 255 - c */,
      // f = 0 fixes Color Burn and Freeze at 0; b = 0 fixes Heat at 0.
      {BlendColorBurn, 0xFF000000u, 0x00FFFFFFu, 0x00010101u},
      {BlendFreeze, 0xFF000000u, 0x00FFFFFFu, 0x00010101u},
      {BlendHeat, 0xFFFFFFFFu, 0x00000000u, 0x00000000u},
      // Subtractive subtracts 256: f + b = 255 gives 0.
      {BlendSubtractive, 0xFF7F7F7Fu, 0x00808080u, 0x00010101u},
  };
  for (const auto& c : cases) {
    TColor32 b = c.b;
    c.combine(c.f, b, 255);
    EXPECT_EQ(b, c.expected) << std::hex << c.f << " over " << c.b;
  }
}

TEST(BlendModes, CombineEventsAreComparableAndUnassignedOutsideTheList) {
  EXPECT_FALSE(BlendModeCombineEvent(-1).Assigned());
  EXPECT_FALSE(BlendModeCombineEvent(27).Assigned());
  EXPECT_EQ(BlendModeCombineEvent(-1), TPixelCombineEvent());
  EXPECT_EQ(BlendModeName(27), "");
  EXPECT_EQ(BlendModeCombineEvent(1), TPixelCombineEvent::Of<&BlendMultiply>());
  EXPECT_NE(BlendModeCombineEvent(1), BlendModeCombineEvent(2));
  EXPECT_EQ(BlendModeCombineEvent(5).Data(), nullptr);  // the combiners have no object
  for (int32_t i = 0; i < BlendModeCount; ++i) EXPECT_EQ(BlendModeIndexOf(BlendModeCombineEvent(i)), i);
  EXPECT_EQ(BlendModeIndexOf(TPixelCombineEvent()), -1);
}

namespace {
struct Tinter {
  TColor32 tint = 0;
  void Combine(TColor32, TColor32& b, TColor32) { b = tint; }
};
}  // namespace

TEST(BlendModes, MethodCombinersCarryTheirObject) {
  Tinter a{0x11}, b{0x22};
  const auto ea = TPixelCombineEvent::Of<&Tinter::Combine>(&a);
  const auto eb = TPixelCombineEvent::Of<&Tinter::Combine>(&b);
  EXPECT_NE(ea, eb);
  EXPECT_EQ(ea, TPixelCombineEvent::Of<&Tinter::Combine>(&a));
  EXPECT_EQ(BlendModeIndexOf(ea), -1);
  TColor32 px = 0;
  eb(0, px, 255);
  EXPECT_EQ(px, 0x22u);
}

TEST(BlendModes, SqrtTable) {
  const auto& t = SqrtTable();
  EXPECT_EQ(t[0], 0);
  EXPECT_EQ(t[2], 1);
  EXPECT_EQ(t[6], 2);   // 2.449
  EXPECT_EQ(t[7], 3);   // 2.646
  EXPECT_EQ(t[65025], 255);
  for (int i = 0; i <= 65025; ++i) ASSERT_EQ(t[i], int(std::lround(std::sqrt(double(i))))) << i;
}

// A fresh list of the names in index order for each call.
TEST(BlendModes, NameListIsANewListEachTime) {
  std::unique_ptr<vcl::TStringList> first = BlendModeNameList();
  ASSERT_EQ(first->Count(), BlendModeCount);
  for (int32_t i = 0; i < BlendModeCount; ++i) EXPECT_EQ(first->Strings(i), kGoldens[i].name);
  first->SetStrings(0, "changed");
  EXPECT_EQ(BlendModeNameList()->Strings(0), "Normal");
}
