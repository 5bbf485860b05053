// The theme service under the test prefix's visual style (Wine's light theme): themed drawing is
// on, the scroll-bar theme is open and draws what the platform draws, the service follows the
// theme-change message and can be shut down and made again.
#include <gtest/gtest.h>

#include <vector>

#include "bitmap/controls/theme.h"
#include "bitmap/engine/bitmap32.h"
#include "vcl/runtime/proc_address.h"

// After the platform's headers, which it needs.
#include <vsstyle.h>

using namespace bitmap;

namespace {

// The platform's theme library, reached without the service.
class PlatformThemes {
 public:
  PlatformThemes() : module_(LoadLibraryA("uxtheme.dll")) {
    if (!module_) return;
    Resolve(isThemeActive_, "IsThemeActive");
    Resolve(isAppThemed_, "IsAppThemed");
    Resolve(openThemeData_, "OpenThemeData");
    Resolve(closeThemeData_, "CloseThemeData");
    Resolve(drawThemeBackground_, "DrawThemeBackground");
    if (openThemeData_) theme_ = openThemeData_(nullptr, reinterpret_cast<LPCWSTR>(u"SCROLLBAR"));
  }
  ~PlatformThemes() {
    if (theme_) closeThemeData_(theme_);
    if (module_) FreeLibrary(module_);
  }
  bool Active() const { return isThemeActive_ && isAppThemed_ && isThemeActive_() && isAppThemed_(); }
  // A scroll-bar part drawn by the platform onto `dc`.
  void Draw(HDC dc, int part, int state, const RECT& r) const {
    if (theme_) drawThemeBackground_(theme_, dc, part, state, &r, nullptr);
  }

 private:
  template <class F>
  void Resolve(F& entry, const char* name) {
    entry = vcl::GetProcAddressAs<F>(module_, name);
  }
  HMODULE module_;
  TThemeLibrary::TIsThemeActive isThemeActive_ = nullptr;
  TThemeLibrary::TIsAppThemed isAppThemed_ = nullptr;
  TThemeLibrary::TOpenThemeData openThemeData_ = nullptr;
  TThemeLibrary::TCloseThemeData closeThemeData_ = nullptr;
  TThemeLibrary::TDrawThemeBackground drawThemeBackground_ = nullptr;
  HTHEME theme_ = nullptr;
};

std::vector<TColor32> Pixels(const TBitmap32& b) {
  return std::vector<TColor32>(b.Bits(), b.Bits() + b.Width() * b.Height());
}

TEST(ThemeService, UsesThePlatformsVisualStyle) {
  const PlatformThemes platform;
  ASSERT_TRUE(platform.Active()) << "the test prefix has a visual style";
  TThemeNexus& nexus = ThemeNexus();
  ASSERT_NE(nexus.WindowHandle(), nullptr);
  EXPECT_TRUE(UseThemes());
  EXPECT_NE(ScrollbarTheme(), nullptr);

  // A part drawn through the service is the platform's drawing of that part and state.
  const RECT r{0, 0, 17, 17};
  for (int state : {ABS_UPNORMAL, ABS_UPPRESSED, ABS_RIGHTDISABLED}) {
    TBitmap32 service, direct;
    for (TBitmap32* b : {&service, &direct}) {
      b->SetSize(17, 17);
      b->FillColor(0xFF123456);
    }
    DrawScrollbarThemePart(service.DC(), SBP_ARROWBTN, state, r);
    platform.Draw(direct.DC(), SBP_ARROWBTN, state, r);
    GdiFlush();
    EXPECT_NE(service.GetPixelSafe(8, 8), 0xFF123456u) << state;  // something was drawn
    EXPECT_EQ(Pixels(service), Pixels(direct)) << state;
  }

  // A theme change closes the themes and opens them again.
  SendMessageA(nexus.WindowHandle(), WM_THEMECHANGED, 0, 0);
  EXPECT_TRUE(UseThemes());
  EXPECT_NE(ScrollbarTheme(), nullptr);
}

TEST(ThemeService, ShutDownAndMadeAgain) {
  HWND first = ThemeNexus().WindowHandle();
  ShutDownThemeService();
  EXPECT_FALSE(IsWindow(first));
  HWND second = ThemeNexus().WindowHandle();
  EXPECT_TRUE(IsWindow(second));
  EXPECT_TRUE(UseThemes());
}

}  // namespace
