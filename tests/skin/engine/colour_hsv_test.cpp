#include <gtest/gtest.h>

#include "skin/engine/colour_hsv.h"
#include "skin/engine/gradient_data.h"
#include "vcl/runtime/exceptions.h"

using namespace skin;

namespace {

vcl::TColor ColourRgb(int r, int g, int b) { return r | g << 8 | b << 16; }

TEST(ColourHsv, ConvertsWithTheGoldenValues) {
  EXPECT_EQ(HsvToRgb(1, 1, 0), ColourRgb(255, 0, 0));
  EXPECT_EQ(HsvToRgb(1, 1, 360), ColourRgb(255, 0, 0));
  EXPECT_EQ(HsvToRgb(0.5, 0, 77), ColourRgb(128, 128, 128));  // 127.5 rounds to even
  TsHsv hsv;
  RgbToHsv(ColourRgb(0, 255, 0), hsv);
  EXPECT_EQ(hsv.Hue, 120);
  EXPECT_DOUBLE_EQ(hsv.Saturation, 1);
  EXPECT_DOUBLE_EQ(hsv.Value, 1);
  RgbToHsv(0, hsv);
  EXPECT_EQ(hsv.Hue, 0);
  EXPECT_DOUBLE_EQ(hsv.Saturation, 0);
  EXPECT_DOUBLE_EQ(hsv.Value, 0);
}

TEST(ColourHsv, ShiftsTheHueByAnyOffset) {
  struct Case {
    int offset;
    vcl::TColor in, out;
  } cases[] = {
      {120, ColourRgb(255, 0, 0), ColourRgb(0, 255, 0)},
      {0, ColourRgb(255, 0, 0), ColourRgb(255, 0, 0)},
      {90, ColourRgb(128, 128, 128), ColourRgb(128, 128, 128)},  // greys stay
      {-120, ColourRgb(255, 0, 0), ColourRgb(0, 0, 255)},        // a negative offset turns the other way
      {240, ColourRgb(255, 0, 0), ColourRgb(0, 0, 255)},
      {-480, ColourRgb(255, 0, 0), ColourRgb(0, 0, 255)},
  };
  for (const Case& c : cases) EXPECT_EQ(ShiftColorHue(c.offset, c.in), c.out) << c.offset;
}

TEST(ColourHsv, ChangesTheSaturationTowardOrAwayFromGrey) {
  EXPECT_EQ(ChangeColorSaturation(ColourRgb(255, 0, 0), 100), ColourRgb(85, 85, 85));
  EXPECT_EQ(ChangeColorSaturation(ColourRgb(255, 0, 0), 0), ColourRgb(255, 0, 0));
  EXPECT_EQ(ChangeColorSaturation(ColourRgb(100, 50, 0), -100), ColourRgb(150, 50, 0));  // distance doubled, limited
}

TEST(ColourHsv, ExchangesRedAndBlue) {
  struct Case {
    vcl::TColor in, out;
  } cases[] = {{0x00123456, 0x00563412}, {ColourRgb(255, 0, 0), ColourRgb(0, 0, 255)}, {0, 0}, {0x00FFFFFF, 0x00FFFFFF}};
  for (const Case& c : cases) {
    EXPECT_EQ(ExchangeRedBlue(c.in), c.out) << std::hex << c.in;
    EXPECT_EQ(ExchangeRedBlue(c.out), c.in) << std::hex << c.out;
  }
}

TEST(GradientData, ParsesSegmentsOfFiveFields) {
  TsGradArray a;
  ParseGradientData(";;12632256;15132390;62;1;0;;15132390;15592941;135;1;0;-5;1;2;", a);
  ASSERT_EQ(a.size(), 2u);  // the three left-over fields are ignored
  EXPECT_EQ(a[0].Color1, 12632256);
  EXPECT_EQ(a[0].Percent, 62);
  EXPECT_EQ(a[0].Mode, 1);
  EXPECT_EQ(a[1].Percent, 100);  // limited
  ParseGradientData("", a);
  EXPECT_TRUE(a.empty());
  ParseGradientData("-7;1;2;0;0", a);
  EXPECT_EQ(a[0].Color1, 0);
  EXPECT_THROW(ParseGradientData("x;1;2;3;4", a), vcl::EConvertError);
}

}  // namespace
