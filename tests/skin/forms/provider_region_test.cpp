// The window region of a skinned form follows every way the form's size changes: bounds set by
// the program, SetWindowPos, maximise and restore through the window commands and through a
// double click on the title, with and without a menu line and with scroll bars that come and
// go. A region left at the old size cuts the frame off at the form's former area. Under the
// X11 driver the same paths are checked on the screen: the frame's right and bottom edges and
// the close button show where the skin's frame puts them.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "skin/engine/skin_manager.h"
#include "tests/skin/forms/provider_fixture.h"
#include "tests/support/screen_capture.h"
#include "vcl/controls/menus.h"
#include "vcl/stdctrls/extctrls.h"

using namespace skin;
using namespace provider_test;

namespace {

struct ResizePath {
  const char* name;
  std::function<void(vcl::TForm*)> apply;
};

void DoubleClickTitle(vcl::TForm* form) {
  RECT r{};
  GetWindowRect(form->Handle(), &r);
  SendMessageA(form->Handle(), WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM((r.left + r.right) / 2, r.top + 8));
}

const ResizePath kPaths[] = {
    {"SetBounds larger", [](vcl::TForm* f) { f->SetBounds(f->Left(), f->Top(), 700, 500); }},
    {"SetBounds smaller", [](vcl::TForm* f) { f->SetBounds(f->Left(), f->Top(), 300, 220); }},
    {"SetWindowPos",
     [](vcl::TForm* f) {
       SetWindowPos(f->Handle(), nullptr, 0, 0, 620, 450, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
     }},
    {"maximise", [](vcl::TForm* f) { SendMessageA(f->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0); }},
    {"maximise and restore",
     [](vcl::TForm* f) {
       SendMessageA(f->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
       ProcessMessages();
       SendMessageA(f->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
     }},
    {"window state", [](vcl::TForm* f) { f->SetWindowState(vcl::wsMaximized); }},
    {"title double click", DoubleClickTitle},
    {"title double click twice",
     [](vcl::TForm* f) {
       DoubleClickTitle(f);
       ProcessMessages();
       DoubleClickTitle(f);
     }},
};

enum Furnishing { kPlain, kMenu, kScrollBars };
const char* const kFurnishingNames[] = {"plain", "menu", "scroll bars"};

class RegionTest : public ProviderTest {
 protected:
  vcl::TForm* NewFurnishedForm(Furnishing furnishing) {
    vcl::TForm* form = NewSkinnedForm(400, 300);
    if (furnishing == kMenu) {
      auto* menu = new vcl::TMainMenu(form);
      for (const char* caption : {"&File", "&Edit", "&View"}) {
        auto* item = new vcl::TMenuItem(menu);
        item->SetCaption(caption);
        menu->Items()->Add(item);
      }
      form->SetMenu(menu);
    } else if (furnishing == kScrollBars) {
      // A panel beyond the client area: the bars show at the first size and go when maximised.
      form->SetAutoScroll(true);
      auto* panel = new vcl::TPanel(form);
      panel->SetParent(form);
      panel->SetBounds(500, 380, 60, 40);
    }
    ShowForm(form);
    return form;
  }

  // What is wrong with the region: empty when it covers the window up to the frame's borders.
  static std::string RegionFault(vcl::TForm* form) {
    HWND wnd = form->Handle();
    auto* provider = TsSkinProvider::FromForm(form);
    RECT window{};
    GetWindowRect(wnd, &window);
    const int w = window.right - window.left, h = window.bottom - window.top;
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    const int kind = GetWindowRgn(wnd, region);
    RECT box{};
    GetRgnBox(region, &box);
    DeleteObject(region);
    if (kind == ERROR) return "no region";
    const int border = provider->WndBorderWidth(false);
    if (box.left > border || box.top > border || box.right < w - border || box.bottom < h - border)
      return "region " + std::to_string(box.left) + "," + std::to_string(box.top) + "-" + std::to_string(box.right) +
             "," + std::to_string(box.bottom) + " for a window of " + std::to_string(w) + "x" + std::to_string(h);
    return "";
  }
};

TEST_F(RegionTest, RegionFollowsEveryResizePath) {
  for (Furnishing furnishing : {kPlain, kMenu, kScrollBars}) {
    for (const ResizePath& path : kPaths) {
      SCOPED_TRACE(std::string(kFurnishingNames[furnishing]) + ", " + path.name);
      vcl::TForm* form = NewFurnishedForm(furnishing);
      ASSERT_EQ(RegionFault(form), "") << "as shown";
      path.apply(form);
      ProcessMessages();
      EXPECT_EQ(RegionFault(form), "");
      forms.clear();
      ProcessMessages();
    }
  }
}

// ---- On the screen ----

class ScreenRegion : public RegionTest {
 protected:
  void SetUp() override {
    if (!screen_test::OnScreen()) GTEST_SKIP() << "needs the X11 driver (tools/x11-test)";
    RegionTest::SetUp();
  }
};

// Pixels of the frame rectangle (window coordinates) that the screen shows otherwise than the
// printed frame, counted where the rectangle lies on the screen.
int Mismatches(const screen_test::Capture& shot, vcl::TBitmap* printed, const RECT& window, RECT part) {
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  int count = 0;
  for (int y = part.top; y < part.bottom; ++y)
    for (int x = part.left; x < part.right; ++x) {
      const int sx = window.left + x, sy = window.top + y;
      if (sx < 0 || sy < 0 || sx >= sw || sy >= sh) continue;
      const uint32_t p = PixelAt(printed, x, y);
      const uint32_t want = (p & 0xFF) << 16 | (p & 0xFF00) | (p >> 16 & 0xFF);
      count += shot.At(sx, sy) != want ? 1 : 0;
    }
  return count;
}

TEST_F(ScreenRegion, FrameShowsWholeAfterEveryResizePath) {
  int shots = 0;
  for (Furnishing furnishing : {kPlain, kMenu, kScrollBars}) {
    for (const ResizePath& path : kPaths) {
      const std::string name = std::string(kFurnishingNames[furnishing]) + ", " + path.name;
      SCOPED_TRACE(name);
      vcl::TForm* form = NewFurnishedForm(furnishing);
      SetForegroundWindow(form->Handle());
      screen_test::Pump(100);
      path.apply(form);
      screen_test::Pump(400);
      HWND wnd = form->Handle();
      auto* provider = TsSkinProvider::FromForm(form);
      RECT window{};
      GetWindowRect(wnd, &window);
      const screen_test::Capture shot = screen_test::CaptureWindow(wnd);
      ASSERT_FALSE(shot.Empty());
      screen_test::SaveCapture(shot, "region-" + std::to_string(++shots));
      auto printed = provider_test::PrintedForm(form);
      const int w = form->Width(), h = form->Height();
      const int border = provider->WndBorderWidth(true);
      const int titleBottom = border + provider->CaptionHeight(true);
      provider->LayoutTitleButtons();
      const RECT close = provider->ButtonClose.Rect;
      EXPECT_EQ(Mismatches(shot, printed.get(), window, close), 0) << "the close button";
      if (!IsZoomed(wnd)) {
        EXPECT_EQ(Mismatches(shot, printed.get(), window, RECT{w - border, titleBottom + 8, w, h - 16}), 0)
            << "the right edge";
        EXPECT_EQ(Mismatches(shot, printed.get(), window, RECT{16, h - border, w - 16, h}), 0) << "the bottom edge";
      }
      forms.clear();
      screen_test::Pump(100);
    }
  }
}

}  // namespace
