#include <gtest/gtest.h>

#include <memory>

#include "skin/engine/graphics/glow_effects.h"

using namespace skin;

namespace {

// A manager with one glow mask for the section "BUTTON": 45 x 45 with margins of 15, its
// pixels half-transparent white.
struct GlowSkin {
  TsSkinManager manager{nullptr};
  GlowSkin() {
    TsMaskData mask;
    mask.Image = std::make_shared<vcl::TBitmap>();
    mask.Image->SetPixelFormat(vcl::pf32bit);
    mask.Image->SetSize(45, 45);
    for (int y = 0; y < 45; ++y)
      for (int x = 0; x < 45; ++x) static_cast<uint32_t*>(mask.Image->ScanLine(y))[x] = 0x80808080u;
    mask.ImageRect = {0, 0, 45, 45};
    mask.ImageCount = 1;
    mask.SectionName = "BUTTON";
    mask.PropertyName = "GLOW0";
    mask.ImgType = itisaGlow;
    mask.Manager = &manager;
    mask.WL = mask.WT = mask.WR = mask.WB = 15;
    manager.Masks.push_back(mask);
  }
  ~GlowSkin() { FreeAllGlowEffects(); }
};

HWND GlowWindow(int index) { return GlowEffects[size_t(index)]->GlowForm->Handle(); }

vcl::TRect WindowRect(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return vcl::TRect{r.left, r.top, r.right, r.bottom};
}

}  // namespace

TEST(GlowEffects, GlowSurroundsTheVisiblePartOfTheControl) {
  ASSERT_TRUE(GlowWindowsAvailable());
  GlowSkin skin;
  struct Case {
    const char* name;
    vcl::TRect visible;
    vcl::TRect window;  // expected, screen coordinates
  } cases[] = {
      // 100 x 30 at (200, 100), margins 15, glow margin 7: 116 x 46, 8 pixels out.
      {"fully visible", {0, 0, 100, 30}, {192, 92, 308, 138}},
      // The left 20 columns hidden: the glow starts 28 columns further right.
      {"left part hidden", {20, 0, 100, 30}, {220, 92, 308, 138}},
      // The bottom 10 rows hidden: the glow ends above them.
      {"bottom part hidden", {0, 0, 100, 20}, {192, 92, 308, 120}},
  };
  for (const Case& c : cases) {
    const int index = CreateGlowEffect({200, 100, 300, 130}, c.visible, "BUTTON", &skin.manager, nullptr, 7, "GLOW");
    ASSERT_GE(index, 0) << c.name;
    HWND glow = GlowWindow(index);
    const vcl::TRect r = WindowRect(glow);
    EXPECT_EQ(r.left, c.window.left) << c.name;
    EXPECT_EQ(r.top, c.window.top) << c.name;
    EXPECT_EQ(r.right, c.window.right) << c.name;
    EXPECT_EQ(r.bottom, c.window.bottom) << c.name;
    const LONG exStyle = GetWindowLongA(glow, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_LAYERED) << c.name;
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW) << c.name;
    EXPECT_TRUE(IsWindowVisible(glow)) << c.name;
    // The glow never takes the mouse or the activation.
    EXPECT_EQ(SendMessageA(glow, WM_NCHITTEST, 0, MAKELPARAM(250, 95)), HTTRANSPARENT) << c.name;
    EXPECT_NE(GetActiveWindow(), glow) << c.name;
    EXPECT_EQ(GlowEffects[size_t(index)]->GlowForm->Tag(), kAuxiliaryFormTag);
    EXPECT_EQ(GlowEffects[size_t(index)]->GlowImage, nullptr);  // freed once shown
  }
}

TEST(GlowEffects, IndexesStayValidUntilAllGlowsGo) {
  GlowSkin skin;
  EXPECT_EQ(CreateGlowEffect({0, 0, 40, 20}, {0, 0, 40, 20}, "BUTTON", &skin.manager, nullptr, 0, "NOSUCHGLOW"), -1);
  EXPECT_EQ(CreateGlowEffect({0, 0, 40, 20}, {0, 0, 40, 20}, "EDIT", &skin.manager, nullptr, 0, "GLOW"), -1);
  const int a = CreateGlowEffect({0, 0, 40, 20}, {0, 0, 40, 20}, "BUTTON", &skin.manager, nullptr, 0, "GLOW");
  const int b = CreateGlowEffect({0, 50, 40, 70}, {0, 0, 40, 20}, "BUTTON", &skin.manager, nullptr, 0, "GLOW");
  const int c = CreateGlowEffect({0, 90, 40, 110}, {0, 0, 40, 20}, "BUTTON", &skin.manager, nullptr, 0, "GLOW");
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 1);
  EXPECT_EQ(c, 2);
  HWND cWindow = GlowWindow(c);
  for (int index : {b, b, -1, 3, 99}) FreeGlowEffect(index);  // twice, and indexes that hold nothing
  EXPECT_EQ(GlowEffects[size_t(b)], nullptr);
  ASSERT_NE(GlowEffects[size_t(c)], nullptr);
  EXPECT_EQ(GlowWindow(c), cWindow);
  FreeAllGlowEffects();
  EXPECT_TRUE(GlowEffects.empty());
  EXPECT_EQ(CreateGlowEffect({0, 0, 40, 20}, {0, 0, 40, 20}, "BUTTON", &skin.manager, nullptr, 0, "GLOW"), 0);
}

TEST(GlowEffects, ImageIsTheMaskAroundATransparentMiddle) {
  GlowSkin skin;
  TacGlowEffect glow;
  glow.Manager = &skin.manager;
  glow.GlowMaskIndex = 0;
  glow.BuildGlowImage(60, 40);
  ASSERT_NE(glow.GlowImage, nullptr);
  ASSERT_EQ(glow.GlowImage->PixelFormat(), vcl::pf32bit);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) {
      const bool middle = x >= 15 && x < 45 && y >= 15 && y < 25;
      EXPECT_EQ(static_cast<uint32_t*>(glow.GlowImage->ScanLine(y))[x], middle ? 0u : 0x80808080u) << x << "," << y;
    }
}
