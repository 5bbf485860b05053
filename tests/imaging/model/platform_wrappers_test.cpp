#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "imaging/model/drawdib.h"
#include "imaging/model/gaussian_profile.h"

using namespace imaging;

TEST(DrawDib, DrawsADibIntoADeviceContext) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO target{};
  target.bmiHeader = {sizeof(BITMAPINFOHEADER), 4, 4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* targetBits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &target, DIB_RGB_COLORS, &targetBits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);

  BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  uint8_t pixels[16] = {};  // rows of 2 pixels padded to 8 bytes, bottom-up
  for (int row = 0; row < 2; ++row)
    for (int x = 0; x < 2; ++x) {
      pixels[row * 8 + x * 3 + 0] = 0x30;  // blue
      pixels[row * 8 + x * 3 + 1] = 0x20;  // green
      pixels[row * 8 + x * 3 + 2] = 0x10;  // red
    }
  HDRAWDIB drawer = IEDrawDibOpen();
  ASSERT_NE(drawer, nullptr);
  EXPECT_TRUE(IEDrawDibDraw(drawer, dc, 0, 0, 4, 4, &header, pixels, 0, 0, 2, 2, 0));
  GdiFlush();
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0x10, 0x20, 0x30));
  EXPECT_EQ(GetPixel(dc, 3, 3), RGB(0x10, 0x20, 0x30));
  EXPECT_GE(IEDrawDibRealize(drawer, dc, false), 0);
  EXPECT_TRUE(IEDrawDibClose(drawer));

  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

TEST(GaussianProfile, PeaksInTheMiddle) {
  std::vector<double> stripes = GaussianProfile(4, 130, 255, 0.5);
  ASSERT_EQ(stripes.size(), 4u);
  const int expected[] = {240, 251, 255, 251};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(static_cast<int>(std::trunc(stripes[i])), expected[i]) << i;

  std::vector<double> brushed = GaussianProfile(100, 160, 208, 3);
  EXPECT_DOUBLE_EQ(brushed[50], 208);
  EXPECT_NEAR(brushed[0], 160, 1);
  EXPECT_LT(brushed[10], brushed[40]);
  EXPECT_TRUE(GaussianProfile(0, 1, 2, 1).empty());
}
