// A frame painter that draws a form's caption itself keeps it: with OwnerDrawnFrame set, a
// caption change and an activation change are handled without the platform drawing its own
// caption over the painter's, and the painter is asked to paint again.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/vcl/controls/controls_test_util.h"

using namespace vcl;
using namespace controls_test;

namespace {

constexpr COLORREF kPainted = RGB(255, 0, 255);

// The rows above the client area (frame and caption bar), in window coordinates.
RECT TopRows(HWND wnd) {
  RECT window{};
  GetWindowRect(wnd, &window);
  POINT origin{0, 0};
  ClientToScreen(wnd, &origin);
  return RECT{0, 0, window.right - window.left, origin.y - window.top};
}

// Paints the rows above the client area in one colour, after the platform's frame, on every
// WM_NCPAINT of the form.
struct FramePainter {
  int paints = 0;
  TWindowProcLink link;

  void Install(TForm* form) {
    link = form->WindowProc.Install([this, form](TMessage& m, const TWindowProcNext& next) {
      next(m);
      if (m.Msg != WM_NCPAINT) return;
      ++paints;
      HWND wnd = form->Handle();
      RECT rows = TopRows(wnd);
      HDC dc = GetWindowDC(wnd);
      HBRUSH brush = CreateSolidBrush(kPainted);
      FillRect(dc, &rows, brush);
      DeleteObject(brush);
      ReleaseDC(wnd, dc);
    });
  }
};

// How many pixels of the middle row of the caption bar are not the painter's.
int UnpaintedCaptionPixels(HWND wnd) {
  RECT rows = TopRows(wnd);
  int y = rows.bottom - GetSystemMetrics(SM_CYCAPTION) / 2;
  HDC dc = GetWindowDC(wnd);
  int count = 0;
  for (int x = 0; x < rows.right; ++x)
    if (GetPixel(dc, x, y) != kPainted) ++count;
  ReleaseDC(wnd, dc);
  return count;
}

class OwnerDrawnFrameTest : public ControlsTest {};

TEST_F(OwnerDrawnFrameTest, PaintedCaptionSurvivesCaptionAndActivationChanges) {
  struct Case {
    const char* name;
    std::function<void(TForm* form, TForm* other)> change;
  } cases[] = {
      {"caption changed", [](TForm* form, TForm*) { form->SetCaption("Another caption"); }},
      {"deactivated", [](TForm* form, TForm*) { SendMessageA(form->Handle(), WM_NCACTIVATE, FALSE, 0); }},
      {"activated", [](TForm* form, TForm*) { SendMessageA(form->Handle(), WM_NCACTIVATE, TRUE, 0); }},
      {"another form activated", [](TForm*, TForm* other) { other->Show(); }},
  };
  for (const Case& c : cases) {
    for (bool ownerDrawn : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (ownerDrawn ? ", owner-drawn frame" : ", platform's caption"));
      auto form = NewTestForm(300, 200);
      form->SetCaption("Painted caption");
      auto other = NewTestForm(100, 80);
      other->SetLeft(500);
      FramePainter painter;
      painter.Install(form.get());
      form->SetOwnerDrawnFrame(ownerDrawn);
      form->Show();
      Application->ProcessMessages();
      HWND wnd = form->Handle();
      SendMessageA(wnd, WM_NCPAINT, 1, 0);
      ASSERT_EQ(UnpaintedCaptionPixels(wnd), 0);
      int paints = painter.paints;

      c.change(form.get(), other.get());
      Application->ProcessMessages();
      if (ownerDrawn) {
        EXPECT_EQ(UnpaintedCaptionPixels(wnd), 0);
        EXPECT_GT(painter.paints, paints);
      } else {
        // The platform draws its caption over the painter's, and does not ask it again.
        EXPECT_GT(UnpaintedCaptionPixels(wnd), 0);
      }
      EXPECT_TRUE(GetWindowLongPtrA(wnd, GWL_STYLE) & WS_VISIBLE);
      EXPECT_TRUE(IsWindowVisible(wnd));
    }
  }
}

// The messages still do their work: the text is the window's, and activation answers TRUE.
TEST_F(OwnerDrawnFrameTest, MessagesKeepTheirEffect) {
  auto form = NewTestForm(300, 200);
  form->SetOwnerDrawnFrame(true);
  form->Show();
  Application->ProcessMessages();
  form->SetCaption("Stored");
  char text[32] = {};
  GetWindowTextA(form->Handle(), text, sizeof(text));
  EXPECT_STREQ(text, "Stored");
  EXPECT_EQ(form->Caption(), "Stored");
  EXPECT_EQ(SendMessageA(form->Handle(), WM_NCACTIVATE, FALSE, 0), TRUE);
  EXPECT_EQ(SendMessageA(form->Handle(), WM_NCACTIVATE, TRUE, 0), TRUE);
  // A hidden form takes its text the plain way.
  form->Hide();
  form->SetCaption("Hidden");
  GetWindowTextA(form->Handle(), text, sizeof(text));
  EXPECT_STREQ(text, "Hidden");
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
}

}  // namespace
