// The extended border: a layered window below the skinned form shows its frame and shadow,
// follows the form through moves, sizes and window states, answers the mouse on the frame for
// the form and lets it through over the shadow; the title buttons fade in and out over it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/paint/layered_windows.h"
#include "skin/engine/show_animations.h"
#include "skin/forms/border_form.h"
#include "skin/forms/title_animation.h"
#include "tests/skin/forms/provider_fixture.h"

using namespace skin;
using namespace provider_test;

namespace {

class BorderForm : public ProviderTest {
 protected:
  void SetUp() override {
    ProviderTest::SetUp();
    if (!CanUseLayeredWindows()) GTEST_SKIP() << "no layered windows";
    manager->SetExtendedBorders(true);
  }
  void TearDown() override {
    forms.clear();
    manager->SetExtendedBorders(false);
    ProviderTest::TearDown();
  }

  // A shown skinned form with its extended border.
  vcl::TForm* NewBorderedForm(int width = 360, int height = 260, vcl::TFormBorderStyle style = vcl::bsSizeable) {
    vcl::TForm* form = NewSkinnedForm(width, height, style);
    ShowForm(form);
    return form;
  }
  static TsSkinProvider* Provider(vcl::TForm* form) { return TsSkinProvider::FromForm(form); }
  static TacBorderForm* Border(vcl::TForm* form) { return Provider(form)->BorderForm(); }
  static RECT WindowRect(HWND wnd) {
    RECT r{};
    GetWindowRect(wnd, &r);
    return r;
  }
  // The screen point of a point of the frame image.
  static POINT OnBorder(vcl::TForm* form, int x, int y) {
    RECT r = WindowRect(Border(form)->Handle());
    return POINT{r.left + x, r.top + y};
  }
  static POINT Centre(vcl::TForm* form, const vcl::TRect& rect) {
    return OnBorder(form, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  }
  static LRESULT SendToBorder(vcl::TForm* form, UINT msg, WPARAM wParam, POINT p) {
    return SendMessageA(Border(form)->Handle(), msg, wParam, MAKELPARAM(p.x, p.y));
  }
  // The border window lies around the form where its offsets say, just below it.
  void ExpectBorderAroundForm(vcl::TForm* form, const std::string& what) {
    SCOPED_TRACE(what);
    TacBorderForm* border = Border(form);
    ASSERT_NE(border, nullptr);
    HWND wnd = border->Handle();
    ASSERT_TRUE(IsWindowVisible(wnd));
    RECT owner = WindowRect(form->Handle()), box = WindowRect(wnd);
    EXPECT_EQ(box.left, owner.left - border->LeftOffset());
    EXPECT_EQ(box.top, owner.top - border->TopOffset());
    vcl::TBitmap* image = Provider(form)->SkinData()->CacheBitmap.get();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(box.right - box.left, image->Width());
    EXPECT_EQ(GetWindow(form->Handle(), GW_HWNDNEXT), wnd) << "just below the form";
  }
};

TEST_F(BorderForm, LayeredWindowShowsTheFrameWithItsShadow) {
  vcl::TForm* form = NewBorderedForm();
  TsSkinProvider* provider = Provider(form);
  ASSERT_TRUE(provider->HasExtBorder());
  HWND wnd = Border(form)->Handle();
  LONG ex = GetWindowLongA(wnd, GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_LAYERED);
  EXPECT_TRUE(ex & WS_EX_NOACTIVATE);
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
  ExpectBorderAroundForm(form, "shown");

  // The frame image is 32 bits deep: see-through shadow outside the frame, opaque frame.
  vcl::TBitmap* image = provider->SkinData()->CacheBitmap.get();
  ASSERT_EQ(image->PixelFormat(), vcl::pf32bit);
  vcl::TRect m = provider->GetShadowMargins();
  ASSERT_GT(m.left, 0);
  auto alpha = [&](int x, int y) { return static_cast<const uint8_t*>(image->ScanLine(y))[4 * x + 3]; };
  EXPECT_EQ(alpha(0, 0), 0) << "the outer corner of the shadow";
  EXPECT_GT(alpha(m.left - 1, image->Height() / 2), 0) << "the shadow next to the frame";
  EXPECT_LT(alpha(m.left - 1, image->Height() / 2), 255);
  EXPECT_EQ(alpha(image->Width() / 2, m.top + 2), 255) << "the title";
  EXPECT_EQ(alpha(m.left + 1, image->Height() / 2), 255) << "the left border";

  // The form keeps only its client area: its region starts below its own title.
  RECT region{};
  ASSERT_NE(GetWindowRgnBox(form->Handle(), &region), ERROR);
  EXPECT_EQ(region.top, provider->CaptionHeight(false) + provider->WndBorderWidth(false));

  // Switching extended borders off gives the form its own frame back.
  manager->SetExtendedBorders(false);
  EXPECT_FALSE(provider->HasExtBorder());
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_EQ(provider->SkinData()->CacheBitmap ? provider->SkinData()->CacheBitmap->PixelFormat() : vcl::pf24bit,
            vcl::pf24bit);
}

// Moving, sizing, the window states and hiding leave the border where the form is.
TEST_F(BorderForm, FollowsTheFormThroughItsStates) {
  vcl::TForm* form = NewBorderedForm();
  HWND wnd = form->Handle();
  HWND border = Border(form)->Handle();
  struct Case {
    const char* what;
    void (*act)(vcl::TForm*);
    bool visible;
  };
  const Case cases[] = {
      {"moved", [](vcl::TForm* f) { f->SetBounds(120, 90, f->Width(), f->Height()); }, true},
      {"sized", [](vcl::TForm* f) { f->SetBounds(f->Left(), f->Top(), 420, 300); }, true},
      {"maximised", [](vcl::TForm* f) { ShowWindow(f->Handle(), SW_MAXIMIZE); }, true},
      {"restored from maximised", [](vcl::TForm* f) { ShowWindow(f->Handle(), SW_RESTORE); }, true},
      {"minimised", [](vcl::TForm* f) { ShowWindow(f->Handle(), SW_MINIMIZE); }, false},
      {"restored from minimised", [](vcl::TForm* f) { ShowWindow(f->Handle(), SW_RESTORE); }, true},
      {"hidden", [](vcl::TForm* f) { f->Hide(); }, false},
      {"shown again", [](vcl::TForm* f) { f->Show(); }, true},
  };
  for (const Case& c : cases) {
    c.act(form);
    ProcessMessages();
    UpdateWindow(wnd);
    ProcessMessages();
    if (c.visible) {
      ExpectBorderAroundForm(form, c.what);
    } else {
      EXPECT_FALSE(IsWindowVisible(border)) << c.what;
    }
  }
}

TEST_F(BorderForm, MaximisedFormCoversTheWorkAreaAndShowsNoBottomShadow) {
  vcl::TForm* form = NewBorderedForm();
  TsSkinProvider* provider = Provider(form);
  ShowWindow(form->Handle(), SW_MAXIMIZE);
  ProcessMessages();
  vcl::TRect work = TsSkinProvider::GetFormWorkArea(form);
  RECT client{};
  GetClientRect(form->Handle(), &client);
  MapWindowPoints(form->Handle(), nullptr, reinterpret_cast<POINT*>(&client), 2);
  EXPECT_EQ(client.left, work.left);
  EXPECT_EQ(client.right, work.right);
  EXPECT_EQ(client.bottom, work.bottom);
  // The title of the border window lies inside the work area.
  RECT box = WindowRect(Border(form)->Handle());
  vcl::TRect m = provider->GetShadowMargins();
  EXPECT_GE(box.top + m.top, work.top - provider->WndBorderWidth(false));
  // The image is cut below the form.
  vcl::TBitmap* image = provider->SkinData()->CacheBitmap.get();
  EXPECT_EQ(box.bottom - box.top, image->Height() - m.bottom - provider->WndBorderWidth(true));
}

TEST_F(BorderForm, ScreenSnapPutsTheVisibleFrameOnTheWorkAreaEdge) {
  vcl::TForm* form = NewBorderedForm();
  TsSkinProvider* provider = Provider(form);
  provider->SetScreenSnap(true);
  vcl::TRect work = TsSkinProvider::GetFormWorkArea(form);
  const int e = provider->ExtBorderExcess();
  struct Case {
    const char* what;
    int left, top;      // where the form is moved to
    int wantLeft, wantTop;
  };
  const int w = form->Width(), h = form->Height();
  const Case cases[] = {
      {"right edge", work.right - w - e - 6, 200, work.right - w - e, 200},
      {"bottom edge", 150, work.bottom - h - e + 7, 150, work.bottom - h - e},
      {"left edge", work.left + e + 4, 200, work.left + e, 200},
      {"far from every edge", 150, 160, 150, 160},
  };
  for (const Case& c : cases) {
    SetWindowPos(form->Handle(), nullptr, c.left, c.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ProcessMessages();
    RECT r = WindowRect(form->Handle());
    EXPECT_EQ(r.left, c.wantLeft) << c.what;
    EXPECT_EQ(r.top, c.wantTop) << c.what;
    ExpectBorderAroundForm(form, c.what);
  }
}

// The border window tests points of the frame for the form; over the shadow the mouse goes
// through to what lies below.
TEST_F(BorderForm, HitTestsTheFrameForTheForm) {
  vcl::TForm* form = NewBorderedForm();
  TsSkinProvider* provider = Provider(form);
  TacBorderForm* border = Border(form);
  provider->LayoutTitleButtons();
  vcl::TRect m = provider->GetShadowMargins();
  RECT box = WindowRect(border->Handle());
  const int w = box.right - box.left, h = box.bottom - box.top;
  const int f = provider->WndBorderWidth(false);
  struct Case {
    const char* what;
    POINT at;
    int32_t code;
  };
  const Case cases[] = {
      {"close button", Centre(form, provider->ButtonClose.Rect), HTCLOSE},
      {"maximise button", Centre(form, provider->ButtonMax.Rect), HTMAXBUTTON},
      {"minimise button", Centre(form, provider->ButtonMin.Rect), HTMINBUTTON},
      {"title icon", Centre(form, provider->TitleIconRect()), HTSYSMENU},
      {"title", OnBorder(form, w / 3, m.top + provider->CaptionHeight(true) / 2), HTCAPTION},
      {"left edge", OnBorder(form, m.left + 1, h / 2), HTLEFT},
      {"right edge", OnBorder(form, w - m.right - 1, h / 2), HTRIGHT},
      {"bottom edge", OnBorder(form, w / 2, h - m.bottom - 1), HTBOTTOM},
      {"top left corner", OnBorder(form, m.left + 1, m.top + 1), HTTOPLEFT},
      {"bottom right corner", OnBorder(form, w - m.right - f + 1, h - m.bottom - 1), HTBOTTOMRIGHT},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(border->HitTest(vcl::TPoint{c.at.x, c.at.y}), c.code) << c.what;
    EXPECT_EQ(SendToBorder(form, WM_NCHITTEST, 0, c.at), HTOBJECT) << c.what;
  }
  POINT shadow = OnBorder(form, 1, h / 2);
  EXPECT_TRUE(border->InShadow(WM_NCHITTEST, MAKELPARAM(shadow.x, shadow.y)));
  EXPECT_NE(SendToBorder(form, WM_NCHITTEST, 0, shadow), HTOBJECT);
  EXPECT_EQ(SendMessageA(border->Handle(), WM_MOUSEACTIVATE, WPARAM(form->Handle()), MAKELPARAM(HTOBJECT, WM_LBUTTONDOWN)),
            MA_NOACTIVATE);
}

// Over the shadow the border window passes mouse clicks to the window below it, and prints
// the whole picture it shows.
TEST_F(BorderForm, ShadowLetsClicksThroughToTheWindowBelow) {
  vcl::TForm* form = NewBorderedForm();
  TacBorderForm* border = Border(form);
  RECT box = WindowRect(border->Handle());
  // A plain window below the left shadow.
  int clicks = 0;
  auto below = std::make_unique<vcl::TForm>(nullptr);
  below->SetTag(kAuxiliaryTag);
  below->SetBorderStyle(vcl::bsNone);
  below->SetBounds(box.left - 20, box.top + 40, 40, 40);
  below->OnMouseDown = [&](vcl::TObject*, vcl::TMouseButton, vcl::TShiftState, int, int) { ++clicks; };
  below->Show();
  SetWindowPos(below->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ProcessMessages();
  const int x = 2, y = 60;  // in the border window, inside the shadow
  ASSERT_TRUE(border->InShadow(WM_LBUTTONDOWN, MAKELPARAM(x, y)));
  SendMessageA(border->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageA(border->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  EXPECT_EQ(clicks, 1);
  // Over the frame nothing goes below.
  const int frameX = Provider(form)->GetShadowMargins().left + 2;
  ASSERT_FALSE(border->InShadow(WM_LBUTTONDOWN, MAKELPARAM(frameX, y)));
  SendMessageA(border->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(frameX, y));
  EXPECT_EQ(clicks, 1);

  // The form prints as the border window shows it.
  vcl::TBitmap* image = Provider(form)->SkinData()->CacheBitmap.get();
  auto printed = NewSurface(image->Width(), image->Height());
  SendMessageA(form->Handle(), WM_PRINT, WPARAM(printed->Canvas()->Handle()), PRF_NONCLIENT | PRF_CLIENT);
  GdiFlush();
  const int titleY = Provider(form)->GetShadowMargins().top + 4;
  EXPECT_EQ(PixelAt(printed.get(), image->Width() / 2, titleY), PixelAt(image, image->Width() / 2, titleY));
}

// Each button is hit by its own code, whichever buttons come before it (help without a
// maximise button is not the minimise button).
TEST_F(BorderForm, EveryTitleButtonAnswersWithItsOwnCode) {
  vcl::TForm* form = NewSkinnedForm(360, 260, vcl::bsSingle);
  form->SetBorderIcons(vcl::TBorderIcons{vcl::biSystemMenu, vcl::biMinimize, vcl::biHelp});
  ShowForm(form);
  TsSkinProvider* provider = Provider(form);
  ASSERT_TRUE(provider->HasExtBorder());
  provider->LayoutTitleButtons();
  ASSERT_FALSE(provider->SystemMenu()->VisibleMax());
  TacBorderForm* border = Border(form);
  POINT help = Centre(form, provider->ButtonHelp.Rect);
  POINT min = Centre(form, provider->ButtonMin.Rect);
  EXPECT_EQ(border->HitTest(vcl::TPoint{help.x, help.y}), HTHELP);
  EXPECT_EQ(border->HitTest(vcl::TPoint{min.x, min.y}), HTMINBUTTON);
}

TEST_F(BorderForm, ClicksOnTheBorderWindowActForTheForm) {
  vcl::TForm* form = NewBorderedForm();
  TsSkinProvider* provider = Provider(form);
  HWND wnd = form->Handle();
  auto click = [&](const vcl::TRect& rect) {
    provider->LayoutTitleButtons();
    POINT p = Centre(form, rect);
    SendToBorder(form, WM_NCLBUTTONDOWN, HTOBJECT, p);
    SendToBorder(form, WM_NCLBUTTONUP, HTOBJECT, p);
    ProcessMessages();
  };
  click(provider->ButtonMax.Rect);
  EXPECT_TRUE(IsZoomed(wnd));
  ExpectBorderAroundForm(form, "maximised by its button");
  click(provider->ButtonMax.Rect);
  EXPECT_FALSE(IsZoomed(wnd));

  // A double click on the title maximises and restores.
  RECT box = WindowRect(Border(form)->Handle());
  POINT title = OnBorder(form, (box.right - box.left) / 3, provider->GetShadowMargins().top + 8);
  SendToBorder(form, WM_NCLBUTTONDBLCLK, HTOBJECT, title);
  ProcessMessages();
  EXPECT_TRUE(IsZoomed(wnd));
  box = WindowRect(Border(form)->Handle());
  title = OnBorder(form, (box.right - box.left) / 3, provider->GetShadowMargins().top + 8);
  SendToBorder(form, WM_NCLBUTTONDBLCLK, HTOBJECT, title);
  ProcessMessages();
  EXPECT_FALSE(IsZoomed(wnd));

  click(provider->ButtonMin.Rect);
  EXPECT_TRUE(IsIconic(wnd));
  ShowWindow(wnd, SW_RESTORE);
  ProcessMessages();

  click(provider->ButtonClose.Rect);
  EXPECT_FALSE(IsWindowVisible(wnd));
  EXPECT_FALSE(IsWindowVisible(Border(form)->Handle()));
}

// A double click on the icon of a form that frees itself on closing: the form, its provider and
// its border window go, and nothing runs on them afterwards.
TEST_F(BorderForm, DoubleClickOnTheIconFreesACaFreeForm) {
  for (bool skinnedPopups : {true, false}) {
    SCOPED_TRACE(skinnedPopups ? "skinned popups" : "platform popups");
    bool saved = manager->SkinnedPopups();
    manager->SetSkinnedPopups(skinnedPopups);
    bool freed = false;
    vcl::TForm* form = NewSelfFreeingForm(300, 200, freed);
    ShowForm(form);
    HWND wnd = form->Handle();
    HWND border = Border(form)->Handle();
    POINT icon = Centre(form, Provider(form)->TitleIconRect());
    if (!skinnedPopups) SendToBorder(form, WM_NCLBUTTONDOWN, HTOBJECT, icon);
    SendToBorder(form, WM_NCLBUTTONDBLCLK, HTOBJECT, icon);
    for (int i = 0; i < 20 && !freed; ++i) ProcessMessages();
    EXPECT_TRUE(freed);
    EXPECT_FALSE(IsWindow(wnd));
    ProcessMessages();
    EXPECT_FALSE(IsWindow(border));
    manager->SetSkinnedPopups(saved);
  }
}

// A hot button fades its picture in over the frame in steps and out again once it turns
// normal; every step of either fade changes the opacity, and the last one frees the window.
TEST_F(BorderForm, TitleButtonFadesInAndOut) {
  vcl::TForm* form = NewBorderedForm();
  TsSkinProvider* provider = Provider(form);
  provider->LayoutTitleButtons();
  POINT close = Centre(form, provider->ButtonClose.Rect);
  ASSERT_EQ(Border(form)->HitTest(vcl::TPoint{close.x, close.y}), HTCLOSE);
  TacSBAnimation* fade = provider->ButtonClose.Timer;
  ASSERT_NE(fade, nullptr);
  EXPECT_EQ(fade->State, 1);
  EXPECT_TRUE(fade->Enabled());
  ASSERT_NE(fade->GlowWindow, nullptr);
  HWND glow = fade->GlowWindow->Handle();
  EXPECT_TRUE(IsWindowVisible(glow));
  EXPECT_TRUE(GetWindowLongA(glow, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
  // The hot picture differs from the normal one in the frame.
  ASSERT_NE(fade->Image, nullptr);

  int steps = 0;
  while (fade->StepCount != -1 && steps < 20) {
    fade->AnimStep();
    ++steps;
  }
  EXPECT_EQ(fade->StepCount, -1) << "the fade-in completed";
  EXPECT_LE(steps, 11);

  // Turning normal again fades out: the step is never 0, so the fade ends.
  provider->SetHotItem(0, true);
  EXPECT_EQ(fade->State, 0);
  EXPECT_GT(fade->StepAlpha(), 0);
  steps = 0;
  while (fade->State != -1 && steps < 40) {
    fade->AnimStep();
    ++steps;
  }
  EXPECT_EQ(fade->State, -1) << "the fade-out completed";
  EXPECT_FALSE(fade->Enabled());
  EXPECT_EQ(fade->GlowWindow, nullptr);
  EXPECT_FALSE(IsWindow(glow));

  // Moving the form frees every fade.
  form->SetBounds(form->Left() + 10, form->Top(), form->Width(), form->Height());
  ProcessMessages();
  EXPECT_EQ(provider->ButtonClose.Timer, nullptr);
}

// A press shows the pressed picture at once, whatever the fade before it.
TEST_F(BorderForm, PressShowsThePressedPictureAtOnce) {
  vcl::TForm* form = NewBorderedForm();
  TsSkinProvider* provider = Provider(form);
  provider->LayoutTitleButtons();
  POINT max = Centre(form, provider->ButtonMax.Rect);
  ASSERT_EQ(Border(form)->HitTest(vcl::TPoint{max.x, max.y}), HTMAXBUTTON);
  provider->SetPressedItem(HTMAXBUTTON);
  TacSBAnimation* fade = provider->ButtonMax.Timer;
  ASSERT_NE(fade, nullptr);
  EXPECT_EQ(fade->State, 2);
  EXPECT_EQ(fade->StepAlpha(), 255);
  fade->AnimStep();
  fade->AnimStep();
  EXPECT_EQ(fade->StepCount, -1);
  ASSERT_NE(fade->GlowWindow, nullptr);
  EXPECT_TRUE(IsWindowVisible(fade->GlowWindow->Handle()));
}

// The animated show of a form with an extended border fades in the border's picture, shadow
// included, and ends with the border window shown around the form.
TEST_F(BorderForm, AnimatedShowFadesInTheBorderPicture) {
  TacFormShow* show = manager->AnimEffects()->FormShow();
  const bool active = show->Active;
  const uint16_t time = show->Time;
  const TacAnimType mode = show->Mode;
  show->Active = true;
  show->Time = 24;
  show->Mode = atFading;
  std::vector<int> alphas;
  int width = 0, height = 0, shadowAlpha = -1, clientAlpha = -1;
  bool borderShownDuringFade = false;
  vcl::TForm* form = NewSkinnedForm(320, 220);
  AnimOverlayObserver = [&](const TAnimOverlayUpdate& update) {
    alphas.push_back(update.Alpha);
    width = update.Bitmap->Width();
    height = update.Bitmap->Height();
    auto alpha = [&](int x, int y) { return static_cast<const uint8_t*>(update.Bitmap->ScanLine(y))[4 * x + 3]; };
    shadowAlpha = alpha(0, 0);
    clientAlpha = alpha(width / 2, height / 2);
    TacBorderForm* border = Provider(form)->BorderForm();
    if (border && border->Handle() && IsWindowVisible(border->Handle())) borderShownDuringFade = true;
  };
  ShowForm(form);
  AnimOverlayObserver = nullptr;
  show->Active = active;
  show->Time = time;
  show->Mode = mode;

  ASSERT_GE(alphas.size(), 3u);
  EXPECT_EQ(alphas.front(), 0);
  EXPECT_TRUE(std::is_sorted(alphas.begin(), alphas.end()));
  EXPECT_EQ(alphas.back(), 255);
  EXPECT_EQ(shadowAlpha, 0) << "the outer corner of the shadow stays clear";
  EXPECT_EQ(clientAlpha, 255);
  EXPECT_FALSE(borderShownDuringFade);
  vcl::TBitmap* image = Provider(form)->SkinData()->CacheBitmap.get();
  EXPECT_EQ(width, image->Width());
  EXPECT_EQ(height, image->Height());
  ExpectBorderAroundForm(form, "after the animated show");
  EXPECT_EQ(AnimOverlayWindow, nullptr);
  EXPECT_FALSE(AnimationInProgress);
}

// A form with its extended border left on the screen for a while, so that a screenshot shows
// the shadow, the frame and the title as a user sees them. It runs only when
// MERGEON_SHOWCASE_SECONDS is set; the normal test run skips it.
TEST_F(BorderForm, Showcase) {
  const char* seconds = std::getenv("MERGEON_SHOWCASE_SECONDS");
  if (!seconds) GTEST_SKIP() << "set MERGEON_SHOWCASE_SECONDS to show the form";
  // A light desktop behind, so that the shadow shows.
  std::unique_ptr<vcl::TForm> desk(new vcl::TForm(nullptr));
  desk->SetTag(kAuxiliaryTag);
  desk->SetBorderStyle(vcl::bsNone);
  desk->SetColor(vcl::TColor(0xE8E0D8));
  desk->SetBounds(0, 0, 760, 560);
  desk->Show();
  vcl::TForm* form = NewSkinnedForm(480, 320);
  form->SetBounds(120, 100, 480, 320);
  form->SetCaption("Mergeon - extended border");
  ShowWithAButton(form);
  // The close button is hot, so that its faded-in picture shows too.
  TsSkinProvider* provider = Provider(form);
  provider->LayoutTitleButtons();
  POINT close = Centre(form, provider->ButtonClose.Rect);
  Border(form)->HitTest(vcl::TPoint{close.x, close.y});
  // Where the display cannot blend layered windows, the frame image blended over the light
  // desktop shows what a user sees.
  if (const char* picture = std::getenv("MERGEON_SHOWCASE_PICTURE")) {
    vcl::TBitmap* image = provider->SkinData()->CacheBitmap.get();
    auto shown = NewSurface(image->Width(), image->Height());
    PaintSolidRect(shown->Canvas()->Handle(), vcl::TRect{0, 0, shown->Width(), shown->Height()},
                   vcl::TColor(0xE8E0D8));
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(shown->Canvas()->Handle(), 0, 0, image->Width(), image->Height(), image->Canvas()->Handle(), 0, 0,
               image->Width(), image->Height(), blend);
    shown->SaveToFile(picture);
  }
  KeepOnScreen(seconds);
}

}  // namespace
