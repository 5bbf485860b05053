// Title buttons under real input on the screen: a click on the close button closes the form
// however short it is (a press and release at once, as a touch pad tap or automation gives it)
// or long.
#include <gtest/gtest.h>

#include <string>

#include "skin/forms/skin_provider.h"
#include "tests/support/file_helpers.h"
#include "tests/skin/forms/provider_fixture.h"
#include "tests/support/screen_capture.h"

using namespace skin;
using namespace provider_test;

namespace {

class ScreenTitleButtons : public ProviderTest {
 protected:
  void SetUp() override {
    if (!screen_test::OnScreen()) GTEST_SKIP() << "needs the X11 driver (tools/x11-test)";
    ProviderTest::SetUp();
  }
};

void Press(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof(input));
}

// How the click reaches the program: through the platform's input queue, or as events of the X
// display itself (press and release in one go, as a tap gives them).
enum ClickWay { kPlatformInput, kDisplayEvents };

TEST_F(ScreenTitleButtons, CloseButtonClosesOnQuickAndHeldClicks) {
  const bool display = test_files::HaveTool("xdotool");
  for (ClickWay way : {kPlatformInput, kDisplayEvents})
  for (int holdMs : {0, 200}) {
    if (way == kDisplayEvents && !display) continue;
    SCOPED_TRACE(std::to_string(int(way)) + ", held " + std::to_string(holdMs) + " ms");
    vcl::TForm* form = NewSkinnedForm(360, 240);
    bool closed = false;
    form->OnClose = [&closed](vcl::TObject*, vcl::TCloseAction& action) {
      closed = true;
      action = vcl::caHide;
    };
    ShowForm(form);
    SetForegroundWindow(form->Handle());
    screen_test::Pump(300);
    auto* provider = TsSkinProvider::FromForm(form);
    provider->LayoutTitleButtons();
    const RECT close = provider->ButtonClose.Rect;
    RECT window{};
    GetWindowRect(form->Handle(), &window);
    const int x = window.left + (close.left + close.right) / 2, y = window.top + (close.top + close.bottom) / 2;
    if (way == kPlatformInput) {
      SetCursorPos(x, y);
      screen_test::Pump(100);
      Press(MOUSEEVENTF_LEFTDOWN);
      if (holdMs) screen_test::Pump(holdMs);
      Press(MOUSEEVENTF_LEFTUP);
    } else {
      test_files::RunShell("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y));
      screen_test::Pump(100);
      if (holdMs) {
        test_files::RunShell("xdotool mousedown 1");
        screen_test::Pump(holdMs);
        test_files::RunShell("xdotool mouseup 1");
      } else {
        test_files::RunShell("xdotool click 1");
      }
    }
    EXPECT_TRUE(screen_test::PumpUntil([&] { return closed; }, 2000));
    forms.clear();
    screen_test::Pump(100);
  }
}

}  // namespace
