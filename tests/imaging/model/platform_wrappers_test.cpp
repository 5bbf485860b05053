#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "imaging/model/drawdib.h"
#include "imaging/model/gaussian_profile.h"
#include "imaging/model/scroll_bars.h"

using namespace imaging;

namespace {

// A top-level window with both scroll bars, destroyed with the fixture.
class ScrollBarsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateWindowExA(0, "STATIC", "scroll", WS_OVERLAPPEDWINDOW | WS_HSCROLL | WS_VSCROLL, 0, 0, 300, 200,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override { DestroyWindow(window_); }

  SCROLLINFO Info(int bar, bool flat) {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    if (flat)
      FlatSB_GetScrollInfo(window_, bar, &info);
    else
      GetScrollInfo(window_, bar, &info);
    return info;
  }

  HWND window_ = nullptr;
};

}  // namespace

TEST_F(ScrollBarsTest, StandardAndFlatBarsTakeRangePageAndPosition) {
  ASSERT_TRUE(InitializeFlatSB(window_));
  for (bool flat : {false, true}) {
    SetScrollBarInfo(window_, SB_HORZ, 0, 999, 100, 250, true, flat);
    SCROLLINFO info = Info(SB_HORZ, flat);
    EXPECT_EQ(info.nMin, 0) << flat;
    EXPECT_EQ(info.nMax, 999) << flat;
    EXPECT_EQ(info.nPage, 100u) << flat;
    EXPECT_EQ(info.nPos, 250) << flat;

    EXPECT_EQ(SetScrollBarRange(window_, SB_VERT, 10, 500, false, flat), -1);
    SetScrollBarPos(window_, SB_VERT, 42, true, flat);
    info = Info(SB_VERT, flat);
    EXPECT_EQ(info.nMin, 10) << flat;
    EXPECT_EQ(info.nMax, 500) << flat;
    EXPECT_EQ(info.nPos, 42) << flat;
    EnableScrollBarArrows(window_, SB_VERT, ESB_DISABLE_BOTH, flat);
    EnableScrollBarArrows(window_, SB_VERT, ESB_ENABLE_BOTH, flat);
    ShowWindowScrollBar(window_, SB_HORZ, false, flat);
    ShowWindowScrollBar(window_, SB_HORZ, true, flat);
  }
  UninitializeFlatSB(window_);
  ShowWindowScrollBar(window_, SB_VERT, false, false);
  EXPECT_FALSE(GetWindowLongA(window_, GWL_STYLE) & WS_VSCROLL);
}

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
