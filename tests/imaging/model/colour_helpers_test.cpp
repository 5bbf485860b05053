#include <gtest/gtest.h>

#include <cstdlib>

#include "imaging/model/colour_helpers.h"

using namespace imaging;

TEST(ColourHelpers, RecordsAndSwaps) {
  TRGB p = MakeRGB(1, 2, 3);
  EXPECT_EQ(reinterpret_cast<uint8_t*>(&p)[0], 3);  // blue first in memory
  EXPECT_EQ(reinterpret_cast<uint8_t*>(&p)[2], 1);
  EXPECT_EQ(SwapRedBlue(0x11223344), 0x11443322);
  TRGB row[2] = {MakeRGB(10, 20, 30), MakeRGB(40, 50, 60)};
  SwapRBInRow(row, 2);
  EXPECT_EQ(row[0].r, 30);
  EXPECT_EQ(row[0].b, 10);
  EXPECT_EQ(row[1].r, 60);
  EXPECT_EQ(row[1].g, 50);
}

TEST(ColourHelpers, CIELabEndPoints) {
  TRGB white = CIELabToRGB(TCIELab{255, 0, 0});
  EXPECT_EQ(white.r, 255);
  EXPECT_EQ(white.g, 255);
  EXPECT_EQ(white.b, 255);
  TRGB black = CIELabToRGB(TCIELab{0, 0, 0});
  EXPECT_EQ(black.r + black.g + black.b, 0);
  TCIELab labBlack = RGBToCIELab(MakeRGB(0, 0, 0));
  EXPECT_EQ(labBlack.l, 0);
  EXPECT_EQ(labBlack.a, 0);
  EXPECT_EQ(labBlack.b, 0);
  TCIELab labWhite = RGBToCIELab(MakeRGB(255, 255, 255));
  EXPECT_GE(labWhite.l, 254);
  EXPECT_EQ(labWhite.a, 0);
  EXPECT_EQ(labWhite.b, 0);
}

TEST(ColourHelpers, CIELabRoundTripsStayClose) {
  const TRGB colours[] = {MakeRGB(255, 0, 0), MakeRGB(0, 255, 0), MakeRGB(0, 0, 255), MakeRGB(128, 128, 128),
                          MakeRGB(200, 150, 100), MakeRGB(10, 20, 30), MakeRGB(255, 255, 0)};
  for (const TRGB& c : colours) {
    TRGB back = CIELabToRGB(RGBToCIELab(c));
    // 8-bit Lab keeps whole a/b units only, and pure primaries lie outside its +-127 range.
    EXPECT_LE(std::abs(back.r - c.r), 40) << int(c.r) << "," << int(c.g) << "," << int(c.b);
    EXPECT_LE(std::abs(back.g - c.g), 40);
    EXPECT_LE(std::abs(back.b - c.b), 40);
  }
  TRGB grey = CIELabToRGB(RGBToCIELab(MakeRGB(128, 128, 128)));
  EXPECT_LE(std::abs(grey.r - 128), 1);
  EXPECT_EQ(grey.r, grey.g);
  EXPECT_EQ(grey.g, grey.b);
}

TEST(ColourHelpers, CIELabOfKnownColours) {
  TCIELab red = RGBToCIELab(MakeRGB(255, 0, 0));
  EXPECT_EQ(red.l, 135);  // L* 53.24
  EXPECT_EQ(red.a, 80);   // trunc(80.09)
  EXPECT_EQ(red.b, 67);   // trunc(67.20)
  TCIELab green = RGBToCIELab(MakeRGB(0, 255, 0));
  EXPECT_EQ(green.a, static_cast<int8_t>(-86));
}

TEST(ColourHelpers, YCbCr) {
  struct Case {
    int y, cb, cr;
    uint8_t r, g, b;
  } cases[] = {{0, 128, 255, 178, 0, 0}, {255, 128, 128, 255, 255, 255}, {0, 128, 128, 0, 0, 0},
               {128, 0, 128, 128, 172, 0}};
  for (const Case& c : cases) {
    TRGB p{};
    YCbCrToBGR(p, c.y, c.cb, c.cr);
    EXPECT_EQ(p.r, c.r) << c.y << "," << c.cb << "," << c.cr;
    EXPECT_EQ(p.g, c.g);
    EXPECT_EQ(p.b, c.b);
  }
}
