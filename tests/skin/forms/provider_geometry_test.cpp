// The geometry of a skinned form without an extended border: the platform's client area stands,
// the provider's offsets match it, and the non-client hit test answers by the frame's layout
// (title buttons from the right, the title icon from the left, sizing edges of thick frames),
// for a table of sizes, border styles and window states.
#include <gtest/gtest.h>

#include <string>

#include "skin/engine/skin_manager.h"
#include "skin/forms/skinned_menus.h"
#include "tests/skin/forms/provider_fixture.h"
#include "vcl/controls/menus.h"
#include "vcl/controls/ownerdraw.h"

using namespace skin;
using namespace provider_test;

namespace {

struct FrameCase {
  const char* name;
  vcl::TFormBorderStyle style;
  int width, height;
  vcl::TWindowState state;
};

const FrameCase kProviderGeometryCases[] = {
    {"sizeable", vcl::bsSizeable, 360, 260, vcl::wsNormal},
    {"sizeable wide", vcl::bsSizeable, 640, 200, vcl::wsNormal},
    {"sizeable maximised", vcl::bsSizeable, 360, 260, vcl::wsMaximized},
    {"single", vcl::bsSingle, 300, 220, vcl::wsNormal},
    {"dialog", vcl::bsDialog, 300, 220, vcl::wsNormal},
    {"tool window", vcl::bsToolWindow, 260, 180, vcl::wsNormal},
    {"sizeable tool window", vcl::bsSizeToolWin, 260, 180, vcl::wsNormal},
    {"none", vcl::bsNone, 240, 160, vcl::wsNormal},
};

bool Thick(vcl::TFormBorderStyle s) { return s == vcl::bsSizeable || s == vcl::bsSizeToolWin; }
bool Tool(vcl::TFormBorderStyle s) { return s == vcl::bsToolWindow || s == vcl::bsSizeToolWin; }
bool Big(vcl::TFormBorderStyle s) { return s == vcl::bsSizeable || s == vcl::bsSingle; }

int ExpectedBorder(vcl::TFormBorderStyle s) {
  if (s == vcl::bsNone) return 0;
  return GetSystemMetrics(Thick(s) ? SM_CXFRAME : SM_CXDLGFRAME);
}

int ExpectedCaption(vcl::TFormBorderStyle s) {
  if (s == vcl::bsNone) return 0;
  return GetSystemMetrics(Tool(s) ? SM_CYSMCAPTION : SM_CYCAPTION);
}

SIZE GlobalMaskFrame(TsSkinManager* manager, const char* name) {
  int index = manager->FindMaskIndexByName("GLOBALINFO", name);
  if (!manager->IsMaskIndexValid(index)) return SIZE{21, 21};
  const TsMaskData& mask = manager->Masks[size_t(index)];
  return SIZE{MaskFrameWidth(mask), MaskFrameHeight(mask)};
}

class ProviderGeometry : public ProviderTest, public ::testing::WithParamInterface<FrameCase> {
 protected:
  // What the form answers to WM_NCHITTEST at a point of its window.
  LRESULT HitAt(vcl::TForm* form, int x, int y) {
    RECT r;
    GetWindowRect(form->Handle(), &r);
    return SendMessageA(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(r.left + x, r.top + y));
  }
};

TEST_P(ProviderGeometry, ClientAreaAndHitTest) {
  const FrameCase& c = GetParam();
  vcl::TForm* form = NewSkinnedForm(c.width, c.height, c.style);
  form->SetWindowState(c.state);
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  ASSERT_NE(provider, nullptr);
  HWND wnd = form->Handle();
  RECT window, client;
  GetWindowRect(wnd, &window);
  GetClientRect(wnd, &client);
  int width = window.right - window.left, height = window.bottom - window.top;
  int border = ExpectedBorder(c.style), caption = ExpectedCaption(c.style);

  // The platform's client area stands: equal side frames, caption on top.
  EXPECT_EQ(width - client.right, 2 * border);
  EXPECT_EQ(height - client.bottom, 2 * border + caption);
  EXPECT_EQ(provider->CaptionHeight(true), caption);
  EXPECT_EQ(provider->ClientOffsetX(), border);
  EXPECT_EQ(provider->ClientOffsetY(), border + caption);
  EXPECT_EQ(provider->TopFrameHeight(), border + caption);
  EXPECT_EQ(provider->FrameImageWidth(), width);

  // The client area and (unskinned) borderless forms answer as the platform does.
  EXPECT_EQ(HitAt(form, border + client.right / 2, border + caption + client.bottom / 2), HTCLIENT);
  if (c.style == vcl::bsNone) return;

  // Title buttons from the right edge: close, then maximise and minimise on big frames.
  const TsSkinData* data = manager->SkinData();
  SIZE close = GlobalMaskFrame(manager, Big(c.style) ? "BICONCLOSE" : "SICONCLOSE");
  int right = width - data->BiRight - border;
  int top = (border + caption - close.cy) / 2;
  int middleY = top + close.cy / 2;
  EXPECT_EQ(HitAt(form, right - close.cx / 2, middleY), HTCLOSE);
  int left = right - close.cx;
  if (Big(c.style)) {
    SIZE max = GlobalMaskFrame(manager, "BICONMAX");
    int maxRight = left - data->BiSpace;
    // Maximised, the button restores: still the maximise button's code.
    EXPECT_EQ(HitAt(form, maxRight - max.cx / 2, middleY), HTMAXBUTTON);
    SIZE min = GlobalMaskFrame(manager, "BICONMIN");
    int minRight = maxRight - max.cx - data->BiSpace;
    EXPECT_EQ(HitAt(form, minRight - min.cx / 2, middleY), HTMINBUTTON);
    left = minRight - min.cx;
    // The title icon on the left of a big frame.
    int iconLeft = border + data->BiLeft;
    EXPECT_EQ(HitAt(form, iconLeft + 4, border + caption / 2), HTSYSMENU);
  }
  // The rest of the title is caption.
  EXPECT_EQ(HitAt(form, (left + border + 40) / 2 + 10, border + caption / 2), HTCAPTION);

  // Sizing edges only on thick frames that are not maximised.
  bool sizing = Thick(c.style) && c.state != vcl::wsMaximized;
  if (sizing) {
    EXPECT_EQ(HitAt(form, 0, height / 2), HTLEFT);
    EXPECT_EQ(HitAt(form, width - 1, height / 2), HTRIGHT);
    EXPECT_EQ(HitAt(form, width / 2, height - 1), HTBOTTOM);
    EXPECT_EQ(HitAt(form, width / 2, 0), HTTOP);
    EXPECT_EQ(HitAt(form, 0, 0), HTTOPLEFT);
    EXPECT_EQ(HitAt(form, width - 1, height - 1), HTBOTTOMRIGHT);
    EXPECT_EQ(HitAt(form, 0, height - 1), HTBOTTOMLEFT);
    EXPECT_EQ(HitAt(form, width - 1, 0), HTTOPRIGHT);
  } else {
    RECT window2;
    GetWindowRect(wnd, &window2);
    EXPECT_NE(provider->HitTest(vcl::TPoint{window2.left + width / 2, window2.top + height - 1}), HTBOTTOM);
  }
}

INSTANTIATE_TEST_SUITE_P(Frames, ProviderGeometry, ::testing::ValuesIn(kProviderGeometryCases),
                         [](const ::testing::TestParamInfo<FrameCase>& info) {
                           std::string name = info.param.name;
                           for (char& ch : name)
                             if (ch == ' ') ch = '_';
                           return name;
                         });

TEST_F(ProviderTest, MaximiseButtonShowsOnlyWithBiMaximize) {
  vcl::TForm* form = NewSkinnedForm(360, 260);
  form->SetBorderIcons(vcl::TBorderIcons{vcl::biSystemMenu, vcl::biMinimize});
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  provider->LayoutTitleButtons();
  EXPECT_TRUE(IsRectEmpty(&provider->ButtonMax.Rect));
  EXPECT_FALSE(IsRectEmpty(&provider->ButtonMin.Rect));
}

TEST_F(ProviderTest, HelpButtonAnswersHelpWithoutMaximise) {
  // Minimise and help without maximise: the help button must answer as help.
  vcl::TForm* form = NewSkinnedForm(360, 260, vcl::bsSingle);
  form->SetBorderIcons(vcl::TBorderIcons{vcl::biSystemMenu, vcl::biMinimize, vcl::biHelp});
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  provider->LayoutTitleButtons();
  const RECT& help = provider->ButtonHelp.Rect;
  ASSERT_FALSE(IsRectEmpty(&help));
  RECT window;
  GetWindowRect(form->Handle(), &window);
  LRESULT code = SendMessageA(form->Handle(), WM_NCHITTEST, 0,
                              MAKELPARAM(window.left + (help.left + help.right) / 2,
                                         window.top + (help.top + help.bottom) / 2));
  EXPECT_EQ(code, HTHELP);
}

TEST_F(ProviderTest, IconSizeFollowsTheTitleHeight) {
  struct Case {
    int height, size;
  } cases[] = {{-100, 1}, {0, 1}, {8, 1}, {9, 8}, {16, 8}, {17, 16}, {40, 16}};
  for (const Case& c : cases) EXPECT_EQ(TsSkinProvider::IconSizeForCaption(c.height), c.size) << c.height;
}

TEST_F(ProviderTest, RegionLeavesTheTransparentCornersOut) {
  vcl::TForm* form = NewSkinnedForm(360, 260);
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  provider->UpdateWindowRegion();
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(form->Handle(), region), ERROR);
  RECT box;
  GetRgnBox(region, &box);
  EXPECT_EQ(box.right - box.left, form->Width());
  EXPECT_EQ(box.bottom - box.top, form->Height());
  // Every cut-out lies in a corner band of the border mask and is out of the region.
  ASSERT_FALSE(provider->Cutouts.empty());
  int margin = manager->MaskMarginTop(provider->SkinData()->BorderMaskIndex);
  for (const RECT& r : provider->Cutouts) {
    EXPECT_FALSE(PtInRegion(region, r.left, r.top)) << r.left << "," << r.top;
    EXPECT_TRUE(r.top < margin || r.top >= form->Height() - margin) << r.top;
  }
  EXPECT_TRUE(PtInRegion(region, form->Width() / 2, form->Height() / 2));
  DeleteObject(region);
}

}  // namespace

namespace {

TEST_F(ProviderTest, ScreenSnapPullsNearEdgesToTheWorkArea) {
  vcl::TForm* form = NewSkinnedForm(300, 200);
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  provider->SetScreenSnap(true);
  RECT work = TsSkinProvider::GetFormWorkArea(form);
  struct Case {
    int x, y, wantX, wantY;
  } cases[] = {
      {work.right - 300 - 5, 100, work.right - 300, 100},           // within the buffer of the right edge
      {work.right - 300 - 10, 100, work.right - 300 - 10, 100},     // exactly the buffer away: stays
      {work.left + 7, work.bottom - 200 + 3, work.left, work.bottom - 200},
      {0, 0, 0, 0},                                                  // (0, 0) is never snapped
  };
  for (const Case& c : cases) {
    SetWindowPos(form->Handle(), nullptr, c.x, c.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT r;
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.left, c.wantX) << c.x << "," << c.y;
    EXPECT_EQ(r.top, c.wantY) << c.x << "," << c.y;
  }
  provider->SetScreenSnap(false);
  SetWindowPos(form->Handle(), nullptr, work.right - 303, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT r;
  GetWindowRect(form->Handle(), &r);
  EXPECT_EQ(r.left, work.right - 303);
}

}  // namespace

namespace {

TEST_F(ProviderTest, MaximisedFormShowsExactlyTheWorkArea) {
  vcl::TForm* form = NewSkinnedForm(360, 260);
  form->SetWindowState(vcl::wsMaximized);
  ShowForm(form);
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  ProcessMessages();
  RECT window;
  GetWindowRect(form->Handle(), &window);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(form->Handle(), region), ERROR);
  RECT box;
  GetRgnBox(region, &box);
  DeleteObject(region);
  OffsetRect(&box, window.left, window.top);
  RECT work = TsSkinProvider::GetFormWorkArea(form);
  EXPECT_EQ(box.left, work.left);
  EXPECT_EQ(box.top, work.top);
  EXPECT_EQ(box.right, work.right);
  EXPECT_EQ(box.bottom, work.bottom);
}

}  // namespace

namespace {

TEST_F(ProviderTest, SizeGripAnswersAsTheBottomRightCorner) {
  vcl::TForm* form = NewSkinnedForm(360, 260);
  auto* provider = TsSkinProvider::FromForm(form);
  provider->SetGripMode(gmRightBottom);
  ShowForm(form);
  ASSERT_TRUE(provider->GripVisible());
  RECT window;
  GetWindowRect(form->Handle(), &window);
  vcl::TPoint grip = provider->GripPosition();
  int border = provider->WndBorderWidth(true);
  // Inside the grip (still in the client area) and beside it.
  EXPECT_EQ(SendMessageA(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(window.left + grip.x + 2, window.top + grip.y + 2)),
            HTBOTTOMRIGHT);
  EXPECT_EQ(SendMessageA(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(window.left + grip.x - 20, window.top + grip.y + 2)),
            HTCLIENT);
  EXPECT_LT(grip.x, form->Width() - border);
  // Maximised forms show no grip.
  form->SetWindowState(vcl::wsMaximized);
  EXPECT_FALSE(provider->GripVisible());
}

TEST_F(ProviderTest, MenuLineDrawsItsItemsThroughTheirHandlers) {
  vcl::TForm* form = NewSkinnedForm(360, 260);
  auto* menu = new vcl::TMainMenu(form);
  int drawn = 0;
  vcl::TOwnerDrawState seen;
  for (const char* caption : {"&File", "&Edit"}) {
    auto* item = new vcl::TMenuItem(menu);
    item->SetCaption(caption);
    item->OnMeasureItem = [](vcl::TObject*, vcl::TCanvas*, int& width, int& height) {
      width = 40;
      height = 18;
    };
    item->OnAdvancedDrawItem = [](vcl::TObject*, vcl::TCanvas*, vcl::TRect, vcl::TOwnerDrawState) {};
    menu->Items()->Add(item);
  }
  // While skinned, the bar's items are drawn by the skinned menus, which report each one.
  skin::TsSkinableMenus* menus = skin::SkinableMenus(manager);
  menus->OnDrawItem = [&](vcl::TObject* sender, vcl::TCanvas*, vcl::TRect, vcl::TOwnerDrawState state,
                          skin::TsMenuItemType type) {
    EXPECT_EQ(type, skin::mitMainItem);
    EXPECT_EQ(static_cast<vcl::TMenuItem*>(sender)->Parent(), menu->Items());
    ++drawn;
    seen = state;
  };
  auto* plain = new vcl::TMenuItem(menu);
  plain->SetCaption("&Help");
  menu->Items()->Add(plain);
  form->SetMenu(menu);
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  EXPECT_TRUE(provider->MenuPresent());
  EXPECT_EQ(provider->MenuLineCount(), 1);
  EXPECT_EQ(provider->MenuLineHeight(), GetSystemMetrics(SM_CYMENU) - 1);
  provider->RefreshFrame();
  ProcessMessages();
  menus->OnDrawItem = nullptr;
  // The items are drawn as items of the menu line.
  EXPECT_GE(drawn, 2);
  EXPECT_TRUE(seen.Contains(vcl::odNoAccel));
  EXPECT_TRUE(seen.Contains(vcl::odReserved1));
  RECT window;
  GetWindowRect(form->Handle(), &window);
  int border = provider->WndBorderWidth(true), caption = provider->CaptionHeight(true);
  EXPECT_EQ(provider->HitTest(vcl::TPoint{window.left + 100, window.top + border + caption + 3}), HTMENU);
}

}  // namespace
