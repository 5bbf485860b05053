// The mouse on a skinned frame: title buttons act on a press and a release over them, a double
// click on the title maximises and restores, and in outline mode the form moves and sizes only
// when the button is released, within its constraints.
#include <gtest/gtest.h>

#include "skin/forms/title_animation.h"
#include "tests/skin/forms/provider_fixture.h"
#include "vcl/controls/application.h"

using namespace skin;
using namespace provider_test;

namespace {

class ProviderMouse : public ProviderTest {
 protected:
  // The screen point at the middle of a title button.
  POINT ButtonCentre(vcl::TForm* form, const TitleButtonData& button) {
    RECT window;
    GetWindowRect(form->Handle(), &window);
    return POINT{window.left + (button.Rect.left + button.Rect.right) / 2,
                 window.top + (button.Rect.top + button.Rect.bottom) / 2};
  }
  void NcMessage(vcl::TForm* form, UINT msg, int code, POINT screen) {
    SendMessageA(form->Handle(), msg, WPARAM(code), MAKELPARAM(screen.x, screen.y));
  }
  void ClientMessage(vcl::TForm* form, UINT msg, POINT screen) {
    ScreenToClient(form->Handle(), &screen);
    SendMessageA(form->Handle(), msg, 0, MAKELPARAM(screen.x, screen.y));
  }
  void Click(vcl::TForm* form, int code, const TitleButtonData& button) {
    POINT p = ButtonCentre(form, button);
    NcMessage(form, WM_NCLBUTTONDOWN, code, p);
    NcMessage(form, WM_NCLBUTTONUP, code, p);
    ProcessMessages();
  }
};

TEST_F(ProviderMouse, TitleButtonsActOnPressAndRelease) {
  vcl::TForm* form = NewSkinnedForm(360, 260);
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  provider->LayoutTitleButtons();
  HWND wnd = form->Handle();

  Click(form, HTMAXBUTTON, provider->ButtonMax);
  EXPECT_TRUE(IsZoomed(wnd));
  provider->LayoutTitleButtons();
  Click(form, HTMAXBUTTON, provider->ButtonMax);
  EXPECT_FALSE(IsZoomed(wnd));

  provider->LayoutTitleButtons();
  Click(form, HTMINBUTTON, provider->ButtonMin);
  EXPECT_TRUE(IsIconic(wnd));
  ShowWindow(wnd, SW_RESTORE);
  ProcessMessages();

  // A release over the close button without a press on it does nothing.
  provider->LayoutTitleButtons();
  NcMessage(form, WM_NCLBUTTONUP, HTCLOSE, ButtonCentre(form, provider->ButtonClose));
  ProcessMessages();
  EXPECT_TRUE(IsWindowVisible(wnd));
  // A press that leaves the button before the release does nothing either.
  NcMessage(form, WM_NCLBUTTONDOWN, HTCLOSE, ButtonCentre(form, provider->ButtonClose));
  EXPECT_EQ(provider->ButtonClose.State, 2);
  RECT window;
  GetWindowRect(wnd, &window);
  NcMessage(form, WM_NCLBUTTONUP, HTCAPTION, POINT{window.left + 60, window.top + 8});
  ProcessMessages();
  EXPECT_TRUE(IsWindowVisible(wnd));
  EXPECT_EQ(provider->ButtonClose.State, 0);

  Click(form, HTCLOSE, provider->ButtonClose);
  EXPECT_FALSE(IsWindowVisible(wnd));
}

TEST_F(ProviderMouse, DisabledMaximiseCannotBePressed) {
  vcl::TForm* form = NewSkinnedForm(360, 260, vcl::bsSingle);
  form->SetBorderIcons(vcl::TBorderIcons{vcl::biSystemMenu, vcl::biMinimize, vcl::biMaximize});
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  form->SetBorderIcons(vcl::TBorderIcons{vcl::biSystemMenu, vcl::biMinimize});
  provider->SetPressedItem(HTMAXBUTTON);
  EXPECT_NE(provider->ButtonMax.State, 2);
  EXPECT_EQ(provider->CurrentTitleItem(), 0);
}

TEST_F(ProviderMouse, DoubleClickOnTheTitleMaximisesAndRestores) {
  vcl::TForm* form = NewSkinnedForm(360, 260);
  ShowForm(form);
  RECT window;
  GetWindowRect(form->Handle(), &window);
  POINT caption{window.left + 120, window.top + 10};
  NcMessage(form, WM_NCLBUTTONDBLCLK, HTCAPTION, caption);
  ProcessMessages();
  EXPECT_TRUE(IsZoomed(form->Handle()));
  NcMessage(form, WM_NCLBUTTONDBLCLK, HTCAPTION, caption);
  ProcessMessages();
  EXPECT_FALSE(IsZoomed(form->Handle()));
  // Double clicks elsewhere on the frame are swallowed.
  NcMessage(form, WM_NCLBUTTONDBLCLK, HTBOTTOM, POINT{window.left + 100, window.bottom - 1});
  ProcessMessages();
  EXPECT_FALSE(IsZoomed(form->Handle()));
}

TEST_F(ProviderMouse, OutlineDragMovesAndSizesOnRelease) {
  vcl::TForm* form = NewSkinnedForm(300, 220);
  form->Constraints()->SetMinWidth(250);
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  provider->SetResizeMode(rmBorder);
  RECT start;
  GetWindowRect(form->Handle(), &start);

  // Sizing by the right edge: the form keeps its size until the release.
  POINT edge{start.right - 1, start.top + 100};
  NcMessage(form, WM_NCLBUTTONDOWN, HTRIGHT, edge);
  EXPECT_TRUE(provider->OutlineDragRunning());
  ClientMessage(form, WM_MOUSEMOVE, POINT{edge.x + 30, edge.y});
  RECT during;
  GetWindowRect(form->Handle(), &during);
  EXPECT_EQ(during.right, start.right);
  ClientMessage(form, WM_LBUTTONUP, POINT{edge.x + 30, edge.y});
  EXPECT_FALSE(provider->OutlineDragRunning());
  EXPECT_EQ(form->Width(), 330);

  // Released without moving: unchanged.
  GetWindowRect(form->Handle(), &start);
  edge = POINT{start.right - 1, start.top + 100};
  NcMessage(form, WM_NCLBUTTONDOWN, HTRIGHT, edge);
  ClientMessage(form, WM_LBUTTONUP, edge);
  EXPECT_EQ(form->Width(), 330);

  // The outline stops at the minimum width.
  NcMessage(form, WM_NCLBUTTONDOWN, HTRIGHT, edge);
  ClientMessage(form, WM_MOUSEMOVE, POINT{edge.x - 200, edge.y});
  ClientMessage(form, WM_LBUTTONUP, POINT{edge.x - 200, edge.y});
  EXPECT_EQ(form->Width(), 250);

  // Moving by the title.
  GetWindowRect(form->Handle(), &start);
  POINT title{start.left + 100, start.top + 8};
  NcMessage(form, WM_NCLBUTTONDOWN, HTCAPTION, title);
  ClientMessage(form, WM_MOUSEMOVE, POINT{title.x + 25, title.y + 15});
  ClientMessage(form, WM_LBUTTONUP, POINT{title.x + 25, title.y + 15});
  RECT moved;
  GetWindowRect(form->Handle(), &moved);
  EXPECT_EQ(moved.left, start.left + 25);
  EXPECT_EQ(moved.top, start.top + 15);
  EXPECT_EQ(moved.right - moved.left, start.right - start.left);
}

TEST_F(ProviderMouse, FreeingTheProviderDuringADragReleasesTheMouse) {
  vcl::TForm* form = NewSkinnedForm(300, 220);
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  provider->SetResizeMode(rmBorder);
  RECT r;
  GetWindowRect(form->Handle(), &r);
  NcMessage(form, WM_NCLBUTTONDOWN, HTCAPTION, POINT{r.left + 100, r.top + 8});
  ASSERT_TRUE(provider->OutlineDragRunning());
  delete provider;
  ClientMessage(form, WM_MOUSEMOVE, POINT{r.left + 140, r.top + 20});
  ClientMessage(form, WM_LBUTTONUP, POINT{r.left + 140, r.top + 20});
  RECT after;
  GetWindowRect(form->Handle(), &after);
  EXPECT_EQ(after.left, r.left);
}

}  // namespace

namespace {

TEST_F(ProviderMouse, UserTitleButtonsAnswerTheirEventsAndShowTheirHint) {
  vcl::TForm* form = NewSkinnedForm(360, 260);
  auto* provider = TsSkinProvider::FromForm(form);
  TsTitleButton* pin = provider->TitleButtons()->Add();
  pin->SetHint("Keep on top");
  TsTitleButton* off = provider->TitleButtons()->Add();
  off->SetEnabled(false);
  int downs = 0, ups = 0;
  pin->OnMouseDown = [&](vcl::TObject* sender, vcl::TMouseButton, vcl::TShiftState, int, int) {
    EXPECT_EQ(sender, pin);
    ++downs;
  };
  pin->OnMouseUp = [&](vcl::TObject*, vcl::TMouseButton, vcl::TShiftState, int, int) { ++ups; };
  ShowForm(form);
  provider->LayoutTitleButtons();
  ASSERT_FALSE(IsRectEmpty(&pin->Data.Rect));
  // Laid out left of the system buttons, in collection order from the right.
  EXPECT_LT(pin->Data.Rect.right, provider->ButtonMin.Rect.left);
  EXPECT_LT(off->Data.Rect.right, pin->Data.Rect.left);

  POINT centre = ButtonCentre(form, pin->Data);
  EXPECT_EQ(SendMessageA(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(centre.x, centre.y)), kHitUserButton + 0);
  ASSERT_NE(pin->HintWnd, nullptr);
  EXPECT_TRUE(IsWindowVisible(pin->HintWnd->Handle()));
  // A disabled user button answers as the title behind it.
  POINT offCentre = ButtonCentre(form, off->Data);
  EXPECT_NE(SendMessageA(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(offCentre.x, offCentre.y)), kHitUserButton + 1);
  EXPECT_EQ(pin->HintWnd, nullptr) << "leaving the button hides its hint";

  NcMessage(form, WM_NCLBUTTONDOWN, kHitUserButton, centre);
  NcMessage(form, WM_NCLBUTTONUP, kHitUserButton, centre);
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(ups, 1);
}

}  // namespace

namespace {

TEST_F(ProviderMouse, FormFreedByItsCloseButton) {
  bool freed = false;
  vcl::TForm* form = NewSelfFreeingForm(300, 200, freed);
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  provider->LayoutTitleButtons();
  HWND wnd = form->Handle();
  Click(form, HTCLOSE, provider->ButtonClose);
  for (int i = 0; i < 20 && !freed; ++i) ProcessMessages();
  EXPECT_TRUE(freed);
  EXPECT_FALSE(IsWindow(wnd));
}

TEST_F(ProviderMouse, FormFreedWhileAMessagePassesThroughTheProvider) {
  vcl::TForm* form = NewSkinnedForm(300, 200);
  forms.back().release();
  forms.pop_back();
  delete TsSkinProvider::FromForm(form);
  // A link below the provider frees the whole form while the provider passes a message on.
  vcl::TWindowProcLink below = form->WindowProc.Install([form](vcl::TMessage& m, const vcl::TWindowProcNext& next) {
    if (m.Msg == WM_USER + 9) {
      delete form;
      return;
    }
    next(m);
  });
  vcl::New<TsSkinProvider>(form);
  ShowForm(form);
  HWND wnd = form->Handle();
  SendMessageA(wnd, WM_USER + 9, 0, 0);
  EXPECT_FALSE(IsWindow(wnd));
  ProcessMessages();
}

}  // namespace

namespace {

// With popups not skinned, the system menu of a click on the title icon waits for a possible
// second click on a timer; the double click closes the form and the menu never comes.
TEST_F(ProviderMouse, DoubleClickOnTheIconClosesWithoutTheMenu) {
  bool skinnedPopups = manager->SkinnedPopups();
  manager->SetSkinnedPopups(false);
  vcl::TForm* form = NewSkinnedForm(300, 200);
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  HWND wnd = form->Handle();
  RECT window, icon = provider->TitleIconRect();
  GetWindowRect(wnd, &window);
  POINT p{window.left + (icon.left + icon.right) / 2, window.top + (icon.top + icon.bottom) / 2};
  EXPECT_EQ(SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTSYSMENU);
  NcMessage(form, WM_NCLBUTTONDOWN, HTSYSMENU, p);
  NcMessage(form, WM_NCLBUTTONDBLCLK, HTSYSMENU, p);
  EXPECT_FALSE(IsWindowVisible(wnd));
  // The waiting menu's timer is gone.
  EXPECT_FALSE(KillTimer(wnd, kSystemMenuTimer));
  manager->SetSkinnedPopups(skinnedPopups);
}

}  // namespace

namespace {

// Where glowing is allowed, a hot title button of a form without an extended border fades in
// over the form's own frame, at the button's place.
TEST_F(ProviderMouse, HotButtonFadesInOverTheFormsFrame) {
  if (!manager->GetAllowGlowing()) GTEST_SKIP() << "no layered windows";
  vcl::TForm* form = NewSkinnedForm(360, 260);
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  ASSERT_FALSE(provider->HasExtBorder());
  provider->LayoutTitleButtons();
  POINT p = ButtonCentre(form, provider->ButtonMin);
  EXPECT_EQ(SendMessageA(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTMINBUTTON);
  TacSBAnimation* fade = provider->ButtonMin.Timer;
  ASSERT_NE(fade, nullptr);
  ASSERT_NE(fade->GlowWindow, nullptr);
  RECT window, glow;
  GetWindowRect(form->Handle(), &window);
  GetWindowRect(fade->GlowWindow->Handle(), &glow);
  EXPECT_EQ(glow.left, window.left + provider->ButtonMin.Rect.left);
  EXPECT_EQ(glow.top, window.top + provider->ButtonMin.Rect.top);
  EXPECT_EQ(GetWindow(form->Handle(), GW_HWNDPREV), fade->GlowWindow->Handle()) << "just above the form";
  // Leaving the frame fades it out.
  SendMessageA(form->Handle(), WM_NCMOUSELEAVE, 0, 0);
  EXPECT_EQ(fade->State, 0);
  EXPECT_TRUE(fade->Enabled());
}

}  // namespace
