#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "imaging/model/routines/colour_routines.h"
#include "imaging/model/routines/small_routines.h"
#include "vcl/graphics/colours.h"

using namespace imaging;

namespace {

void ExpectPixel(const TRGB& pixel, int red, int green, int blue) {
  EXPECT_EQ(pixel.r, red);
  EXPECT_EQ(pixel.g, green);
  EXPECT_EQ(pixel.b, blue);
}

}  // namespace

TEST(SmallRoutines, FloorToInt) {
  struct Case {
    double x;
    int32_t expected;
  } cases[] = {{2.5, 2}, {-2.5, -3}, {-2.0, -2}, {0.0, 0}, {-0.1, -1}, {1e12, INT_MAX}, {-1e12, INT_MIN}, {NAN, 0}};
  for (const Case& c : cases) EXPECT_EQ(FloorToInt(c.x), c.expected) << c.x;
}

TEST(SmallRoutines, BytesAnglesAndPoints) {
  EXPECT_EQ(PackFourBytes(0x101, 0x02, 0x03, 0xF4), int32_t(0xF4030201));
  EXPECT_EQ(MaxDouble(1, 2), 2);
  EXPECT_EQ(MaxDouble(-0.0, 0.0), -0.0);
  EXPECT_TRUE(std::signbit(MaxDouble(-0.0, 0.0)));  // a on a tie

  uint8_t a = 1, b = 2;
  SwapByte(a, b);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 1);

  struct Angle {
    double angle;
    bool multiple;
  } angles[] = {{0, true}, {90, true}, {-270, true}, {720, true}, {90.5, false}, {45, false}, {1e300, true}, {NAN, false}};
  for (const Angle& c : angles) EXPECT_EQ(IsMultipleOf90(c.angle), c.multiple) << c.angle;

  POINT sum, difference;
  PointAdd(POINT{1, 2}, POINT{10, -20}, sum);
  PointSub(POINT{1, 2}, POINT{10, -20}, difference);
  EXPECT_EQ(sum.x, 11);
  EXPECT_EQ(sum.y, -18);
  EXPECT_EQ(difference.x, -9);
  EXPECT_EQ(difference.y, 22);
}

TEST(ColourRoutines, GrayLevelAndComparisons) {
  EXPECT_EQ(RGBToGrayLevel(0xFF0000), 53);   // 21 x 255 div 100
  EXPECT_EQ(RGBToGrayLevel(0x808080), 128);
  EXPECT_EQ(RGBToGrayLevel(0x7F000000), 0);  // bits above the colour are ignored
  EXPECT_TRUE(SameRGB(0x12345678, 0x00345678));
  EXPECT_FALSE(SameRGB(0x123456, 0x123457));
  EXPECT_EQ(PackRGB(MakeRGB(1, 2, 3)), 0x010203);
  ExpectPixel(UnpackRGB(0x010203), 1, 2, 3);
}

TEST(ColourRoutines, PlatformColoursToPixelsAndBack) {
  TRGB pixel;
  ColorToRGBTriple(0x00332211, pixel);  // red in the low byte
  ExpectPixel(pixel, 0x11, 0x22, 0x33);
  EXPECT_EQ(RGBTripleToColor(pixel), 0x00332211);
  ColorToRGBTriple(vcl::clWindow, pixel);  // system colours are resolved
  EXPECT_EQ(RGBTripleToColor(pixel), vcl::ColorToRGB(vcl::clWindow));
}

TEST(ColourRoutines, NearestPaletteIndex) {
  const TRGB palette[] = {MakeRGB(0, 0, 0), MakeRGB(100, 0, 0), MakeRGB(0, 100, 0), MakeRGB(255, 255, 255)};
  struct Case {
    int32_t colour;
    int32_t count;
    int32_t index;
  } cases[] = {
      {0x000000, 4, 0}, {0xFFFFFF, 4, 3}, {0x5A0000, 4, 1},
      {0x646400, 4, 1},  // as near to entries 1 and 2: the lower index wins
      {0xFFFFFF, 3, 1},  // only the first three entries count
      {0x123456, 0, 0}, {0x123456, -5, 0}};
  for (const Case& c : cases) EXPECT_EQ(FindNearestPaletteIndex(palette, c.count, c.colour), c.index) << std::hex << c.colour;
}

TEST(ColourRoutines, RGBToHSL) {
  struct Case {
    int32_t colour;
    double h, s, l;
  } cases[] = {
      {0xFF0000, 0, 1, 0.5},         {0x00FF00, 1.0 / 3, 1, 0.5}, {0x0000FF, 2.0 / 3, 1, 0.5},
      {0xFF00FF, 5.0 / 6, 1, 0.5},   // negative hue wraps
      {0x808080, 0, 0, 128 / 255.0}, {0x000000, 0, 0, 0},         {0xFFFFFF, 0, 0, 1},
      {0xBF4040, 0, 0.5, 0.5},
  };
  for (const Case& c : cases) {
    double h, s, l;
    RGBToHSL(c.colour, h, s, l);
    EXPECT_NEAR(h, c.h, 1e-12) << std::hex << c.colour;
    EXPECT_NEAR(s, c.s, 0.003) << std::hex << c.colour;
    EXPECT_NEAR(l, c.l, 0.003) << std::hex << c.colour;
  }
}

TEST(ColourRoutines, HSLToRGB) {
  struct Case {
    double h, s, l;
    int red, green, blue;
  } cases[] = {
      {0, 1, 0.5, 255, 0, 0},
      {1.0 / 3, 1, 0.5, 0, 255, 0},
      {2.0 / 3, 1, 0.5, 0, 0, 255},
      {1.5, 1, 0.5, 0, 255, 255},    // hue 1.5 wraps to 0.5 (cyan)
      {-0.5, 1, 0.5, 0, 255, 255},   // and so does -0.5
      {0.25, 0, 0.5, 128, 128, 128}, // no saturation: grey, 127.5 rounds to even 128
      {0, 2, 0.5, 255, 0, 0},        // saturation and lightness are clamped
      {0, 1, -1, 0, 0, 0},
      {0, 1, 7, 255, 255, 255},
  };
  for (const Case& c : cases) {
    TRGB pixel;
    HSLToRGB(c.h, c.s, c.l, pixel);
    ExpectPixel(pixel, c.red, c.green, c.blue);
  }
}

TEST(ColourRoutines, HSLRoundTripsEveryCube) {
  for (int r = 0; r < 256; r += 17)
    for (int g = 0; g < 256; g += 17)
      for (int b = 0; b < 256; b += 17) {
        double h, s, l;
        RGBToHSL((r << 16) | (g << 8) | b, h, s, l);
        TRGB pixel;
        HSLToRGB(h, s, l, pixel);
        ExpectPixel(pixel, r, g, b);
      }
}
