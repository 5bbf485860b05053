// WM_PRINT with the non-client area: a window printed into a DC shows its frame, and its client
// area inside the frame, as the window shows them on the screen; printed with its parent, a
// child lands there at its place with its frame.
#include <gtest/gtest.h>

#include <string>

#include "tests/vcl/controls/controls_test_util.h"
#include "vcl/classes/typeinfo.h"

using namespace vcl;
using namespace controls_test;

namespace {

// A windowed control with the frame styles it is given, its client area in one colour.
class TFramedControl : public TCustomControl {
  VCL_CLASS(TFramedControl, TCustomControl)
  explicit TFramedControl(TComponent* owner) : TCustomControl(owner) {}
  DWORD ExtraStyle = 0;
  DWORD ExtraExStyle = 0;
  int Paints() const { return paints_; }

 protected:
  void CreateParams(TCreateParams& params) override {
    TCustomControl::CreateParams(params);
    params.Style |= ExtraStyle;
    params.ExStyle |= ExtraExStyle;
  }
  void Paint() override {
    ++paints_;
    Canvas()->Brush()->SetColor(clYellow);
    Canvas()->FillRect(ClientRect());
  }

 private:
  int paints_ = 0;
};

// The window as the screen shows it, frame included.
void CopyWindow(HWND wnd, TPixelSurface& surface) {
  HDC dc = GetWindowDC(wnd);
  BitBlt(surface.DC(), 0, 0, surface.Width(), surface.Height(), dc, 0, 0, SRCCOPY);
  ReleaseDC(wnd, dc);
}

// Where `printed` (from its point `at` on) differs from `screen`: empty when it does not.
std::string Differences(const TPixelSurface& screen, const TPixelSurface& printed, POINT at = {0, 0}) {
  int count = 0;
  std::string first;
  for (int y = 0; y < screen.Height(); ++y)
    for (int x = 0; x < screen.Width(); ++x) {
      TColor want = screen.Pixel(x, y), got = printed.Pixel(at.x + x, at.y + y);
      if (want == got) continue;
      if (count++ == 0)
        first = "(" + std::to_string(x) + "," + std::to_string(y) + ") printed " + std::to_string(got) + " on screen " +
                std::to_string(want);
    }
  return count ? std::to_string(count) + " pixels differ, first " + first : "";
}

class PrintTest : public ControlsTest {};

TEST_F(PrintTest, BorderedChildPrintsItsFrameAndItsClientInsideIt) {
  struct Case {
    const char* name;
    DWORD style, exStyle;
    int borderWidth;
  } cases[] = {
      {"client edge", 0, WS_EX_CLIENTEDGE, 0},
      {"static edge", 0, WS_EX_STATICEDGE, 0},
      {"border", WS_BORDER, 0, 0},
      {"border and client edge", WS_BORDER, WS_EX_CLIENTEDGE, 0},
      {"client edge and BorderWidth", 0, WS_EX_CLIENTEDGE, 3},
      {"dialog frame", WS_DLGFRAME, 0, 0},
      {"sizing frame", WS_THICKFRAME, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto form = NewTestForm(200, 120);
    form->SetBorderStyle(bsNone);
    form->SetColor(clLime);
    auto* child = new TFramedControl(form.get());
    child->ExtraStyle = c.style;
    child->ExtraExStyle = c.exStyle;
    child->SetBorderWidth(c.borderWidth);
    child->SetParent(form.get());
    child->SetBounds(10, 10, 60, 40);
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return child->Paints() > 0; }));
    HWND wnd = child->Handle();
    RECT client{};
    GetClientRect(wnd, &client);
    POINT inside{0, 0};
    MapWindowPoints(wnd, form->Handle(), &inside, 1);
    ASSERT_GT(inside.x, 10);  // the frame takes room: the test needs one

    TPixelSurface screen(60, 40);
    CopyWindow(wnd, screen);
    ASSERT_EQ(screen.Pixel(inside.x - 10, inside.y - 10), clYellow);

    // The child alone: frame at the corner of the DC, client area inside it.
    TPixelSurface printed(60, 40);
    printed.Fill(clFuchsia);
    SendMessageA(wnd, WM_PRINT, reinterpret_cast<WPARAM>(printed.DC()), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
    EXPECT_EQ(Differences(screen, printed), "");

    // With its parent: at its place, with its frame.
    TPixelSurface whole(200, 120);
    whole.Fill(clFuchsia);
    SendMessageA(form->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(whole.DC()),
                 PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    EXPECT_EQ(Differences(screen, whole, {10, 10}), "");
    EXPECT_EQ(whole.Pixel(5, 5), clLime);
    EXPECT_EQ(whole.Pixel(inside.x + client.right - 1, inside.y + client.bottom - 1), clYellow);
  }
}

// Without PRF_NONCLIENT the client area alone is printed, at the corner of the DC.
TEST_F(PrintTest, ClientOnlyPrintStaysAtTheCorner) {
  auto form = NewTestForm(200, 120);
  form->SetBorderStyle(bsNone);
  auto* child = new TFramedControl(form.get());
  child->ExtraExStyle = WS_EX_CLIENTEDGE;
  child->SetParent(form.get());
  child->SetBounds(10, 10, 60, 40);
  form->Show();
  ASSERT_TRUE(PumpUntil([&] { return child->Paints() > 0; }));
  TPixelSurface printed(60, 40);
  printed.Fill(clFuchsia);
  SendMessageA(child->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(printed.DC()), PRF_CLIENT | PRF_ERASEBKGND);
  EXPECT_EQ(printed.Pixel(0, 0), clYellow);
  EXPECT_EQ(printed.Pixel(55, 35), clYellow);  // the client is 56 x 36
  EXPECT_EQ(printed.Pixel(57, 37), clFuchsia);
  // A hidden window asked with PRF_CHECKVISIBLE prints nothing.
  child->Hide();
  printed.Fill(clFuchsia);
  SendMessageA(child->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(printed.DC()),
               PRF_CHECKVISIBLE | PRF_NONCLIENT | PRF_CLIENT);
  EXPECT_EQ(printed.Pixel(0, 0), clFuchsia);
  EXPECT_EQ(printed.Pixel(20, 20), clFuchsia);
}

// The window's scroll bars take their place in the print (drawn plainly: the platform's own
// look of them is its business), between the client edge and the client area.
TEST_F(PrintTest, ScrollBarsArePrintedInTheirPlace) {
  auto form = NewTestForm(200, 120);
  form->SetBorderStyle(bsNone);
  auto* child = new TFramedControl(form.get());
  child->ExtraStyle = WS_VSCROLL | WS_HSCROLL;
  child->ExtraExStyle = WS_EX_CLIENTEDGE;
  child->SetParent(form.get());
  child->SetBounds(10, 10, 100, 80);
  form->Show();
  ASSERT_TRUE(PumpUntil([&] { return child->Paints() > 0; }));
  HWND wnd = child->Handle();
  SCROLLINFO info{sizeof(info), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 20, 40, 0};
  SetScrollInfo(wnd, SB_VERT, &info, TRUE);
  RECT client{};
  GetClientRect(wnd, &client);
  TPixelSurface screen(100, 80);
  CopyWindow(wnd, screen);
  TPixelSurface printed(100, 80);
  printed.Fill(clFuchsia);
  SendMessageA(wnd, WM_PRINT, reinterpret_cast<WPARAM>(printed.DC()), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 100; ++x) {
      bool edge = x < 2 || y < 2 || x >= 98 || y >= 78;
      bool inClient = x >= 2 && y >= 2 && x < 2 + client.right && y < 2 + client.bottom;
      if (edge || inClient)
        ASSERT_EQ(printed.Pixel(x, y), screen.Pixel(x, y)) << x << "," << y;
      else
        ASSERT_NE(printed.Pixel(x, y), clFuchsia) << x << "," << y;
    }
  // The thumb halfway down the track (position 40 of 80), the bare track above it.
  int barX = 2 + client.right + (98 - 2 - client.right) / 2;
  int top = 2 + GetSystemMetrics(SM_CYVSCROLL), bottom = 2 + client.bottom - GetSystemMetrics(SM_CYVSCROLL);
  EXPECT_EQ(printed.Pixel(barX, (top + bottom) / 2), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(printed.Pixel(barX, top + 1), static_cast<TColor>(GetSysColor(COLOR_SCROLLBAR)));
}

// A top-level form prints its frame and caption bar round its client area.
TEST_F(PrintTest, FormPrintsItsFrameAroundTheClientArea) {
  for (TFormBorderStyle border : {bsSingle, bsSizeable, bsDialog, bsToolWindow}) {
    SCOPED_TRACE(static_cast<int>(border));
    auto form = NewTestForm(200, 120);
    form->SetBorderStyle(border);
    form->SetColor(clLime);
    form->Show();
    Application->ProcessMessages();
    HWND wnd = form->Handle();
    RECT window{}, client{};
    GetWindowRect(wnd, &window);
    GetClientRect(wnd, &client);
    POINT origin{0, 0};
    ClientToScreen(wnd, &origin);
    int left = origin.x - window.left, top = origin.y - window.top;
    int width = window.right - window.left, height = window.bottom - window.top;
    TPixelSurface screen(width, height);
    CopyWindow(wnd, screen);
    TPixelSurface printed(width, height);
    printed.Fill(clFuchsia);
    SendMessageA(wnd, WM_PRINT, reinterpret_cast<WPARAM>(printed.DC()), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
    // The client area inside the frame; the frame's left, right and bottom sides as on the
    // screen; the caption bar drawn (its buttons are the platform's own and are left out).
    EXPECT_EQ(printed.Pixel(left, top), clLime);
    EXPECT_EQ(printed.Pixel(left + client.right - 1, top + client.bottom - 1), clLime);
    for (int y = top; y < height; ++y) {
      for (int x : {0, left - 1, width - 1}) EXPECT_EQ(printed.Pixel(x, y), screen.Pixel(x, y)) << x << "," << y;
    }
    for (int x = 0; x < width; ++x) EXPECT_EQ(printed.Pixel(x, height - 1), screen.Pixel(x, height - 1)) << x;
    for (int x = left; x < width / 2; ++x)
      EXPECT_NE(printed.Pixel(x, top - 2), clFuchsia) << x;
  }
}

}  // namespace
