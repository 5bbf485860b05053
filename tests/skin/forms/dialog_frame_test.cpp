// The skinned frame of windows that are no forms: a real message box opened while the manager
// is active shows the skin's sections in its printed frame, closes through its skinned close
// button and by keyboard, and leaves nothing behind; on plain windows, the styles choose the
// frame kind and the title buttons, each button answers for itself, and a press completes only
// where it started.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/show_animations.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/combo_box_wnd.h"
#include "skin/forms/adapters/dialog_wnd.h"
#include "skin/forms/adapters/dialogs_hook.h"
#include "skin/forms/adapters/edit_wnd.h"
#include "tests/skin/forms/adapter_skin_fixture.h"
#include "tests/skin/forms/provider_fixture.h"
#include "vcl/runtime/sysutils.h"

using namespace skin;
using provider_test::Differences;
using provider_test::NewSurface;
using provider_test::PixelAt;

namespace {

// ---- Pixels ----

std::unique_ptr<vcl::TBitmap> PrintedWindow(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  auto surface = NewSurface(r.right - r.left, r.bottom - r.top);
  PrintWindow(wnd, surface->Canvas()->Handle(), 0);
  GdiFlush();
  return surface;
}

// The frame the skin's sections give, painted here with the engine's painters: the dialog's
// section over the whole window and the title section over the title band.
std::unique_ptr<vcl::TBitmap> DialogExpectedFrame(TsSkinManager* manager, int width, int height, int titleBottom,
                                            bool active) {
  auto image = CreateBmp24(width, height);
  TsCommonData link(nullptr, false);
  link.SetSkinManager(manager);
  link.SetSkinSection("DIALOG");
  TsBackgroundInfo behind = EmptyBackgroundInfo;
  behind.FillColor = vcl::ColorToRGB(vcl::clBtnFace);
  PaintSkinDataItem(&link, behind, true, false, image.get(), vcl::TPoint{0, 0}, vcl::TRect{0, 0, width, height},
                    active ? 1 : 0);
  const int title = manager->FindSectionIndex("FORMTITLE");
  TsBackgroundInfo self;
  FillBmpBgInfo(image.get(), 0, 0, self);
  PaintSectionItem(title, "FORMTITLE", self, -1, -1, manager, image.get(), vcl::TPoint{0, 0},
                   vcl::TRect{0, 0, width, titleBottom}, active ? 1 : 0, true);
  return image;
}

POINT ScreenCentre(HWND wnd, const vcl::TRect& r) {
  RECT window{};
  GetWindowRect(wnd, &window);
  return POINT{window.left + (r.left + r.right) / 2, window.top + (r.top + r.bottom) / 2};
}

LPARAM PointParam(POINT p) { return MAKELPARAM(p.x, p.y); }

// Hovers, presses and releases a title item as the mouse does; the answer of the hit test.
LRESULT ClickTitleItem(HWND wnd, POINT at) {
  const LRESULT code = SendMessageA(wnd, WM_NCHITTEST, 0, PointParam(at));
  SendMessageA(wnd, WM_NCLBUTTONDOWN, WPARAM(code), PointParam(at));
  if (IsWindow(wnd)) SendMessageA(wnd, WM_NCLBUTTONUP, WPARAM(code), PointParam(at));
  return code;
}

// ---- A message box inspected from inside its own modal loop ----

std::function<void(HWND)> boxVisitor;
HWND boxSeen = nullptr;

BOOL CALLBACK FindVisibleDialog(HWND wnd, LPARAM) {
  if (GetWndClassName(wnd) == "#32770" && IsWindowVisible(wnd)) {
    boxSeen = wnd;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK VisitBox(HWND, UINT, UINT_PTR id, DWORD) {
  boxSeen = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindVisibleDialog, 0);
  if (!boxSeen) return;
  KillTimer(nullptr, id);
  auto visit = std::move(boxVisitor);
  boxVisitor = nullptr;
  if (visit) visit(boxSeen);
}

// Opens a modal dialog with `open`; `visit` gets its window once it shows. A cancel closes a
// dialog that the visitor left open, so that a failing test does not hang.
int RunModal(const std::function<int()>& open, std::function<void(HWND)> visit) {
  boxVisitor = [visit](HWND box) {
    visit(box);
    if (IsWindow(box) && IsWindowVisible(box)) PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
  };
  const UINT_PTR timer = SetTimer(nullptr, 0, 10, VisitBox);
  const int answer = open();
  KillTimer(nullptr, timer);
  boxVisitor = nullptr;
  return answer;
}

int RunMessageBox(const char* caption, UINT type, std::function<void(HWND)> visit) {
  return RunModal([&] { return MessageBoxA(nullptr, "The skinned frame", caption, type); }, std::move(visit));
}

int RunColourDialog(std::function<void(HWND)> visit) {
  static COLORREF custom[16] = {};
  CHOOSECOLORA choose{};
  choose.lStructSize = sizeof(choose);
  choose.lpCustColors = custom;
  return RunModal([&] { return int(ChooseColorA(&choose)); }, std::move(visit));
}

// Where the printed frame of a skinned dialog differs from the skin's sections: its left,
// right and bottom borders and its title band right of a short caption; empty when it does not.
std::string FrameDifferences(TsSkinManager* manager, HWND dialog) {
  auto* adapter = dynamic_cast<TacDialogWnd*>(GetWndAdapter(dialog));
  if (!adapter) return "not adapted";
  auto printed = PrintedWindow(dialog);
  const int width = printed->Width(), height = printed->Height();
  const int border = adapter->WndBorderWidth(true);
  const int titleBottom = border + adapter->CaptionHeight(true);
  if (border <= 0 || adapter->CaptionHeight(true) <= 0) return "no frame";
  auto expected = DialogExpectedFrame(manager, width, height, titleBottom, adapter->Active);
  std::string report;
  auto check = [&](const char* part, const RECT& r) {
    const std::string d = Differences(printed.get(), expected.get(), r);
    if (!d.empty()) report += std::string(part) + ": " + d + "; ";
  };
  check("left", RECT{0, titleBottom, border, height});
  check("right", RECT{width - border, titleBottom, width, height});
  check("bottom", RECT{0, height - border, width, height});
  check("title", RECT{width / 2, 0, adapter->CloseButton.Rect.left - 1, titleBottom});
  return report;
}

// The windows' own procedure counts the texts it is given.
int textsSet = 0;
LRESULT CALLBACK CountingWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SETTEXT) ++textsSet;
  return DefWindowProcA(wnd, msg, wParam, lParam);
}

class DialogFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    manager = adapter_test::LoadInternalSkin();
    ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
    // The hook skins dialogs with the default manager: this test's, whatever manager an
    // earlier test left alive.
    previousDefault = DefaultManager;
    DefaultManager = manager.get();
    InstallDialogsHook();
  }
  void TearDown() override {
    for (auto& adapter : adapters) {
      if (adapter) adapter->Detach(IsWindow(adapter->Wnd) != FALSE, false);
    }
    adapters.clear();
    for (HWND wnd : windows)
      if (IsWindow(wnd)) DestroyWindow(wnd);
    RemoveDialogsHook();
    manager.reset();
    DefaultManager = previousDefault;
  }
  TsSkinManager* previousDefault = nullptr;

  // A shown top-level window of the styles with a dialog frame adapter, as the hook makes one.
  TacDialogWnd* NewFramedWindow(DWORD style, DWORD exStyle = 0, bool noClose = false) {
    const char* className = noClose ? "MergeonFrameNoClose" : "MergeonFrame";
    WNDCLASSA wc{};
    wc.style = noClose ? CS_NOCLOSE : 0;
    wc.lpfnWndProc = CountingWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    RegisterClassA(&wc);
    HWND wnd = CreateWindowExA(exStyle, className, "Framed", style, 40, 40, 320, 200, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(wnd, nullptr);
    windows.push_back(wnd);
    auto* adapter = MakeAdapter<TacDialogWnd>(false, wnd, std::string("DIALOG"), manager.get(), nullptr);
    adapters.emplace_back(adapter);
    adapter->InitFromStyles();
    SendMessageA(wnd, SM_ALPHACMD, MAKEWPARAM(0, cmdSkinSet), LPARAM(manager.get()));
    ShowWindow(wnd, SW_SHOWNA);
    UpdateWindow(wnd);
    adapter->RenderFrameCache();
    return adapter;
  }

  std::unique_ptr<TsSkinManager> manager;
  std::vector<std::unique_ptr<TacDialogWnd>> adapters;
  std::vector<HWND> windows;
};

// ---- The real message box ----

TEST_F(DialogFrame, MessageBoxShowsTheSkinsFrameAndClosesThroughItsSkinnedButton) {
  struct Seen {
    bool adapted = false;
    std::string frame, closeGlyph;
    LRESULT closeCode = 0;
    HBRUSH brush = nullptr;
    HBRUSH secondBrush = nullptr;
    HWND box = nullptr;
    bool closedByButton = false;
  } seen;
  const int answer = RunMessageBox("Mx", MB_OK, [&](HWND box) {
    seen.box = box;
    auto* adapter = dynamic_cast<TacDialogWnd*>(GetWndAdapter(box));
    seen.adapted = adapter != nullptr;
    if (!adapter) return;
    seen.frame = FrameDifferences(manager.get(), box);
    auto printed = PrintedWindow(box);
    const int titleBottom = adapter->WndBorderWidth(true) + adapter->CaptionHeight(true);
    auto expected = DialogExpectedFrame(manager.get(), printed->Width(), printed->Height(), titleBottom, adapter->Active);
    const vcl::TRect& close = adapter->CloseButton.Rect;
    // The close button is the skin's close mask over the title band.
    const int mask = adapter->CloseButton.MaskIndex;
    if (manager->IsMaskIndexValid(mask)) {
      TsBackgroundInfo self;
      FillBmpBgInfo(expected.get(), 0, 0, self);
      const bool inactive = !adapter->Active || !adapter->CloseEnabled();
      PaintMaskGlyph(expected.get(), vcl::TPoint{close.left, close.top}, 0, self, manager->Masks[size_t(mask)],
                     inactive ? 2 : kGlyphNormal);
      seen.closeGlyph = Differences(printed.get(), expected.get(), close);
    } else {
      seen.closeGlyph = "the skin has no close mask";
    }
    seen.brush = reinterpret_cast<HBRUSH>(SendMessageA(box, WM_CTLCOLORDLG, 0, 0));
    seen.secondBrush = reinterpret_cast<HBRUSH>(SendMessageA(box, WM_CTLCOLORDLG, 0, 0));
    seen.closeCode = ClickTitleItem(box, ScreenCentre(box, close));
    // The close command reaches the box through its queue.
    MSG msg;
    for (int i = 0; i < 100 && IsWindowVisible(box) && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    seen.closedByButton = !IsWindowVisible(box);
  });
  ASSERT_TRUE(seen.adapted);
  EXPECT_EQ(seen.frame, "");
  EXPECT_EQ(seen.closeGlyph, "") << "close button";
  EXPECT_EQ(seen.closeCode, HTCLOSE);
  EXPECT_TRUE(seen.closedByButton);
  EXPECT_EQ(answer, IDCANCEL) << "the platform's answer for a box closed from its title";
  // One brush served every erase, and it went with the dialog.
  EXPECT_NE(seen.brush, nullptr);
  EXPECT_EQ(seen.brush, seen.secondBrush);
  FreeReleasedProviders();
  EXPECT_TRUE(ProviderList.empty());
  EXPECT_FALSE(IsWindow(seen.box));
  EXPECT_EQ(GetObjectType(seen.brush), 0u) << "the answer brush was deleted";
}

TEST_F(DialogFrame, SkinnedMessageBoxKeepsItsKeyboard) {
  struct Case {
    const char* name;
    std::vector<WPARAM> keys;
    int answer;
  };
  const Case cases[] = {
      {"Enter presses the default button", {VK_RETURN}, IDOK},
      {"Escape cancels", {VK_ESCAPE}, IDCANCEL},
      {"Tab moves to the next button, Enter presses it", {VK_TAB, VK_RETURN}, IDCANCEL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool adapted = false;
    const int answer = RunMessageBox("Keys", MB_OKCANCEL, [&](HWND box) {
      adapted = GetWndAdapter(box) != nullptr;
      HWND focus = GetFocus();
      if (!focus || !IsChild(box, focus)) focus = GetDlgItem(box, IDOK);
      for (WPARAM key : c.keys) {
        PostMessageA(focus, WM_KEYDOWN, key, 1);
        PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
      }
    });
    EXPECT_TRUE(adapted);
    EXPECT_EQ(answer, c.answer);
    FreeReleasedProviders();
    EXPECT_TRUE(ProviderList.empty());
  }
}

TEST_F(DialogFrame, ColourDialogShowsTheSkinsFrameAndLeavesNothingBehind) {
  std::string frame = "not seen";
  bool childrenAdapted = false;
  RunColourDialog([&](HWND dialog) {
    frame = FrameDifferences(manager.get(), dialog);
    childrenAdapted = GetWndAdapter(GetDlgItem(dialog, IDOK)) != nullptr;
  });
  EXPECT_EQ(frame, "");
  EXPECT_TRUE(childrenAdapted);
  FreeReleasedProviders();
  EXPECT_TRUE(ProviderList.empty());
}

// The font dialog's lists: each child class gets the adapter of its kind, and nothing stays.
TEST_F(DialogFrame, FontDialogsListsGetTheAdaptersOfTheirClasses) {
  static LOGFONTA font{};
  CHOOSEFONTA choose{};
  choose.lStructSize = sizeof(choose);
  choose.lpLogFont = &font;
  choose.Flags = CF_SCREENFONTS;
  std::map<std::string, std::set<std::string>> adapters;  // class name -> adapter kinds
  RunModal([&] { return int(ChooseFontA(&choose)); }, [&](HWND dialog) {
    std::function<void(HWND)> visit = [&](HWND parent) {
      for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        TacMainWnd* adapter = GetWndAdapter(child);
        const char* kind = !adapter                                   ? "none"
                           : dynamic_cast<TacComboBoxWnd*>(adapter) ? "combo box"
                           : dynamic_cast<TacEditWnd*>(adapter)     ? "edit"
                                                                    : "other";
        adapters[vcl::LowerCase(GetWndClassName(child))].insert(kind);
        visit(child);
      }
    };
    visit(dialog);
  });
  EXPECT_EQ(adapters["combobox"], std::set<std::string>{"combo box"});
  EXPECT_EQ(adapters["edit"], std::set<std::string>{"edit"});
  FreeReleasedProviders();
  EXPECT_TRUE(ProviderList.empty());
}

TEST_F(DialogFrame, AnimatedShowFadesInTheDialogsOwnImage) {
  TacDialogShow* show = manager->AnimEffects()->DialogShow();
  show->Active = true;
  show->Time = 24;
  show->Mode = atFading;
  std::vector<int> alphas;
  std::unique_ptr<vcl::TBitmap> last;
  AnimOverlayObserver = [&](const TAnimOverlayUpdate& update) {
    alphas.push_back(update.Alpha);
    last = NewSurface(update.Bitmap->Width(), update.Bitmap->Height());
    BitBlt(last->Canvas()->Handle(), 0, 0, last->Width(), last->Height(), update.Bitmap->Canvas()->Handle(), 0, 0,
           SRCCOPY);
  };
  std::string differences = "not seen";
  RunMessageBox("Shown", MB_OK, [&](HWND box) {
    ASSERT_NE(last, nullptr) << "the show was not animated";
    auto printed = PrintedWindow(box);
    ASSERT_EQ(printed->Width(), last->Width());
    ASSERT_EQ(printed->Height(), last->Height());
    differences = Differences(last.get(), printed.get(), RECT{0, 0, last->Width(), last->Height()});
  });
  AnimOverlayObserver = nullptr;
  // The overlay came in at 0, rose with every frame and ended opaque, showing what the dialog
  // itself shows afterwards: frame and children.
  ASSERT_GE(alphas.size(), 3u);
  EXPECT_EQ(alphas.front(), 0);
  EXPECT_TRUE(std::is_sorted(alphas.begin(), alphas.end()));
  EXPECT_EQ(alphas.back(), 255);
  EXPECT_EQ(differences, "");
  EXPECT_EQ(AnimOverlayWindow, nullptr);
  EXPECT_FALSE(AnimationInProgress);
}

// ---- Styles, buttons and hit tests on plain windows ----

TEST_F(DialogFrame, StylesChooseTheFrameKindAndTheButtons) {
  struct Case {
    const char* name;
    DWORD style;
    uint8_t kind;
  };
  const Case cases[] = {
      {"modal frame", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, kFrameDialog},
      {"popup with a border only", WS_POPUP | WS_BORDER | WS_SYSMENU, kFramePopup},
      {"sizeable", WS_OVERLAPPEDWINDOW, kFrameSizeable},
      {"modal frame that can be sized stays sizeable", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_THICKFRAME,
       kFrameSizeable},
      {"caption only", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, kFrameSizeable},
  };
  const int smallClose = manager->FindMaskIndexByName("GLOBALINFO", "SICONCLOSE");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TacDialogWnd* adapter = NewFramedWindow(c.style);
    EXPECT_EQ(adapter->FrameKind, c.kind);
    // The live style lost WS_SYSMENU, so the platform draws no buttons; the saved one keeps it.
    EXPECT_TRUE(adapter->HasSysMenu());
    EXPECT_FALSE(GetWindowLongA(adapter->Wnd, GWL_STYLE) & WS_SYSMENU);
    const bool small = c.kind == kFrameDialog || c.kind == kFramePopup;
    if (small && manager->IsMaskIndexValid(smallClose)) {
      EXPECT_EQ(adapter->CloseButton.MaskIndex, smallClose);
      EXPECT_FALSE(adapter->CloseButton.BigIcon);
    } else {
      EXPECT_TRUE(adapter->CloseButton.BigIcon);
    }
    // A popup without a full caption keeps the window's own shape.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    const int kind = GetWindowRgn(adapter->Wnd, region);
    DeleteObject(region);
    if (c.kind == kFramePopup) { EXPECT_EQ(kind, ERROR); }
  }
  // A modal frame neither sizes nor restores.
  TacDialogWnd* dialog = NewFramedWindow(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_MAXIMIZEBOX);
  EXPECT_FALSE(dialog->MaxEnabled());
  EXPECT_FALSE(dialog->RestoreVisible());
}

TEST_F(DialogFrame, EachTitleButtonAnswersForItself) {
  struct Case {
    const char* name;
    DWORD style, exStyle;
    // The expected answer over the close, maximise, minimise and help buttons (0: not shown).
    LRESULT close, max, min, help;
  };
  const DWORD frame = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  const Case cases[] = {
      {"close only", frame, 0, HTCLOSE, 0, 0, 0},
      {"all three", frame | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX, 0, HTCLOSE, HTMAXBUTTON, HTMINBUTTON, 0},
      {"minimise and help without maximise", frame | WS_MINIMIZEBOX, WS_EX_CONTEXTHELP, HTCLOSE, 0, HTMINBUTTON,
       HTHELP},
      {"maximise and help", frame | WS_THICKFRAME | WS_MAXIMIZEBOX, WS_EX_CONTEXTHELP, HTCLOSE, HTMAXBUTTON, 0, HTHELP},
      {"a modal frame's maximise button is the title", WS_POPUP | frame | DS_MODALFRAME | WS_MAXIMIZEBOX, 0, HTCLOSE,
       HTCAPTION, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TacDialogWnd* adapter = NewFramedWindow(c.style, c.exStyle);
    HWND wnd = adapter->Wnd;
    auto answer = [&](const TitleButtonData& button) {
      return IsRectEmpty(&button.Rect) ? 0 : SendMessageA(wnd, WM_NCHITTEST, 0, PointParam(ScreenCentre(wnd, button.Rect)));
    };
    EXPECT_EQ(answer(adapter->CloseButton), c.close);
    EXPECT_EQ(answer(adapter->MaxButton), c.max);
    EXPECT_EQ(answer(adapter->MinButton), c.min);
    EXPECT_EQ(answer(adapter->HelpButton), c.help);
    // The title between the caption and the buttons is the platform's title.
    const vcl::TRect title{adapter->Width / 2 - 5, adapter->CloseButton.Rect.top, adapter->Width / 2 + 5,
                           adapter->CloseButton.Rect.bottom};
    EXPECT_EQ(SendMessageA(wnd, WM_NCHITTEST, 0, PointParam(ScreenCentre(wnd, title))), HTCAPTION);
    EXPECT_EQ(adapter->HotItem, 0) << "the title clears the hot button";
    // Leaving the window from a button clears it too.
    SendMessageA(wnd, WM_NCHITTEST, 0, PointParam(ScreenCentre(wnd, adapter->CloseButton.Rect)));
    EXPECT_EQ(adapter->HotItem, HTCLOSE);
    EXPECT_EQ(adapter->CloseButton.State, 1);
    SendMessageA(wnd, WM_NCMOUSELEAVE, 0, 0);
    EXPECT_EQ(adapter->HotItem, 0);
    EXPECT_EQ(adapter->CloseButton.State, 0);
  }
}

TEST_F(DialogFrame, APressCompletesOnlyWhereItStayed) {
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  struct Case {
    const char* name;
    bool hoverAwayAndBack;
    bool minimised;
  };
  const Case cases[] = {
      {"released where pressed", false, true},
      {"left and came back before the release", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TacDialogWnd* adapter = NewFramedWindow(style);
    HWND wnd = adapter->Wnd;
    const POINT min = ScreenCentre(wnd, adapter->MinButton.Rect);
    const POINT title = ScreenCentre(wnd, vcl::TRect{60, adapter->MinButton.Rect.top, 70, adapter->MinButton.Rect.bottom});
    ASSERT_EQ(SendMessageA(wnd, WM_NCHITTEST, 0, PointParam(min)), HTMINBUTTON);
    SendMessageA(wnd, WM_NCLBUTTONDOWN, HTMINBUTTON, PointParam(min));
    EXPECT_EQ(adapter->MinButton.State, 2);
    if (c.hoverAwayAndBack) {
      SendMessageA(wnd, WM_NCHITTEST, 0, PointParam(title));
      SendMessageA(wnd, WM_NCHITTEST, 0, PointParam(min));
    }
    SendMessageA(wnd, WM_NCLBUTTONUP, HTMINBUTTON, PointParam(min));
    EXPECT_EQ(IsIconic(wnd) != FALSE, c.minimised);
    EXPECT_NE(adapter->MinButton.State, 2) << "the button does not stay pressed";
  }
}

TEST_F(DialogFrame, DoubleClicksMaximiseOnlyThroughAnEnabledTitle) {
  const DWORD sizeable = WS_OVERLAPPEDWINDOW;
  const DWORD modal = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_MAXIMIZEBOX;
  struct Case {
    const char* name;
    DWORD style;
    WPARAM code;
    bool zoomed;
  };
  const Case cases[] = {
      {"the title of a sizeable window", sizeable, HTCAPTION, true},
      {"a sizing border", sizeable, HTLEFT, false},
      {"the title of a modal frame whose maximise is disabled", modal, HTCAPTION, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TacDialogWnd* adapter = NewFramedWindow(c.style);
    HWND wnd = adapter->Wnd;
    RECT r{};
    GetWindowRect(wnd, &r);
    SendMessageA(wnd, WM_NCLBUTTONDBLCLK, c.code, MAKELPARAM(r.left + 2, r.top + 8));
    EXPECT_EQ(IsZoomed(wnd) != FALSE, c.zoomed);
    EXPECT_TRUE(IsWindow(wnd));
  }
}

// Inside the system menu's own loop: the states of its items, then the menu closes unchosen.
UINT sizeState = 0, closeState = 0, restoreState = 0;
bool menuSeen = false, menuOwnerDrawn = false;
TacSystemMenu* skinnedSystemMenu = nullptr;
// The state of the shown menu's item for a command; -1 when the menu does not hold it.
UINT ShownState(HMENU menu, vcl::TMenuItem* item, UINT platformCommand) {
  if (!item) return GetMenuState(menu, platformCommand, MF_BYCOMMAND);
  return item->Visible() ? GetMenuState(menu, UINT(item->Command()), MF_BYCOMMAND) : UINT(-1);
}
void CALLBACK ReadSystemMenuAndClose(HWND wnd, UINT, UINT_PTR id, DWORD) {
  KillTimer(wnd, id);
  HWND popup = FindWindowA("#32768", nullptr);
  HMENU menu = popup ? reinterpret_cast<HMENU>(SendMessageA(popup, 0x01E1 /* MN_GETHMENU */, 0, 0)) : nullptr;
  menuSeen = menu != nullptr;
  TacSystemMenu* items = skinnedSystemMenu;
  closeState = ShownState(menu, items ? items->ItemClose : nullptr, SC_CLOSE);
  sizeState = ShownState(menu, items ? items->ItemSize : nullptr, SC_SIZE);
  restoreState = ShownState(menu, items ? items->ItemRestore : nullptr, SC_RESTORE);
  menuOwnerDrawn = closeState != UINT(-1) && (closeState & MF_OWNERDRAW) != 0;
  EndMenu();
}

// The platform's system menu, or with the manager's skinned popups the skinned one drawn by
// the skin; either way with the frame's commands.
TEST_F(DialogFrame, TitleIconPopsUpTheSystemMenuWithTheFramesCommands) {
  for (bool skinned : {false, true}) {
    SCOPED_TRACE(skinned ? "skinned popups" : "platform popups");
    manager->SetSkinnedPopups(skinned);
    TacDialogWnd* adapter = NewFramedWindow(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
    HWND wnd = adapter->Wnd;
    const vcl::TRect icon = adapter->TitleIconRect();
    menuSeen = false;
    skinnedSystemMenu = skinned ? adapter->SysMenu() : nullptr;
    SetTimer(wnd, 0x5151, 30, ReadSystemMenuAndClose);
    EXPECT_EQ(ClickTitleItem(wnd, ScreenCentre(wnd, icon)), HTSYSMENU);
    ASSERT_TRUE(menuSeen);
    EXPECT_EQ(menuOwnerDrawn, skinned);
    // A modal frame neither sizes nor restores; it closes. A hidden item counts as greyed.
    EXPECT_TRUE(sizeState == UINT(-1) || (sizeState & MF_GRAYED)) << sizeState;
    EXPECT_TRUE(restoreState == UINT(-1) || (restoreState & MF_GRAYED)) << restoreState;
    EXPECT_NE(closeState, UINT(-1));
    EXPECT_FALSE(closeState & MF_GRAYED);
    EXPECT_TRUE(IsWindow(wnd));
    EXPECT_FALSE(IsZoomed(wnd) || IsIconic(wnd));
  }
}

TEST_F(DialogFrame, CloseButtonFollowsTheClassStyle) {
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  for (bool noClose : {false, true}) {
    SCOPED_TRACE(noClose ? "CS_NOCLOSE" : "plain class");
    TacDialogWnd* adapter = NewFramedWindow(style, 0, noClose);
    HWND wnd = adapter->Wnd;
    EXPECT_EQ(adapter->CloseEnabled(), !noClose);
    EXPECT_EQ(ClickTitleItem(wnd, ScreenCentre(wnd, adapter->CloseButton.Rect)), HTCLOSE);
    // A window that may close is destroyed by its default procedure.
    EXPECT_EQ(IsWindow(wnd) != FALSE, noClose);
  }
}

TEST_F(DialogFrame, DeactivationRepaintsTheTitleInactive) {
  TacDialogWnd* adapter = NewFramedWindow(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU);
  HWND wnd = adapter->Wnd;
  SendMessageA(wnd, WM_NCACTIVATE, TRUE, 0);
  ASSERT_TRUE(adapter->Active);
  auto active = PrintedWindow(wnd);
  SendMessageA(wnd, WM_NCACTIVATE, FALSE, 0);
  EXPECT_FALSE(adapter->Active);
  auto inactive = PrintedWindow(wnd);
  const int titleBottom = adapter->WndBorderWidth(true) + adapter->CaptionHeight(true);
  auto expected = DialogExpectedFrame(manager.get(), adapter->Width, adapter->Height, titleBottom, false);
  const RECT band{adapter->Width / 2, 0, adapter->CloseButton.Rect.left - 1, titleBottom};
  EXPECT_EQ(Differences(inactive.get(), expected.get(), band), "");
  // The platform's own title never shows: the window stays drawn by the skin.
  EXPECT_FALSE(GetWindowLongA(wnd, GWL_STYLE) & WS_SYSMENU);
  EXPECT_TRUE(IsWindowVisible(wnd));
}

TEST_F(DialogFrame, NewTextReachesTheWindowOnceAndShowsInTheTitle) {
  TacDialogWnd* adapter = NewFramedWindow(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU);
  HWND wnd = adapter->Wnd;
  auto before = PrintedWindow(wnd);
  textsSet = 0;
  SetWindowTextA(wnd, "A much longer title than before");
  EXPECT_EQ(textsSet, 1);
  auto after = PrintedWindow(wnd);
  const int titleBottom = adapter->WndBorderWidth(true) + adapter->CaptionHeight(true);
  EXPECT_NE(Differences(after.get(), before.get(), RECT{0, 0, adapter->Width, titleBottom}), "");
}

TEST_F(DialogFrame, MaximisedWindowLetsTheMouseThroughItsOuterEdge) {
  TacDialogWnd* adapter = NewFramedWindow(WS_OVERLAPPEDWINDOW);
  HWND wnd = adapter->Wnd;
  ShowWindow(wnd, SW_MAXIMIZE);
  ASSERT_TRUE(IsZoomed(wnd));
  RECT r{};
  GetWindowRect(wnd, &r);
  const int middleY = (r.top + r.bottom) / 2;
  EXPECT_EQ(SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(r.left + 1, middleY)), HTTRANSPARENT);
  EXPECT_EQ(SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(r.right - 2, middleY)), HTTRANSPARENT);
  EXPECT_EQ(SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM((r.left + r.right) / 2, middleY)), HTCLIENT);
  // Its maximise button shows the restore glyph, and restores.
  adapter->RenderFrameCache();
  const int norm = manager->FindMaskIndexByName("GLOBALINFO", "BICONNORM");
  if (manager->IsMaskIndexValid(norm)) {
    auto printed = PrintedWindow(wnd);
    const int titleBottom = adapter->WndBorderWidth(true) + adapter->CaptionHeight(true);
    auto expected = DialogExpectedFrame(manager.get(), printed->Width(), printed->Height(), titleBottom, adapter->Active);
    TsBackgroundInfo self;
    FillBmpBgInfo(expected.get(), 0, 0, self);
    const vcl::TRect& max = adapter->MaxButton.Rect;
    PaintMaskGlyph(expected.get(), vcl::TPoint{max.left, max.top}, 0, self, manager->Masks[size_t(norm)],
                   adapter->Active ? kGlyphNormal : 2);
    EXPECT_EQ(Differences(printed.get(), expected.get(), max), "");
  }
  EXPECT_TRUE(adapter->RestoreEnabled());
  EXPECT_EQ(ClickTitleItem(wnd, ScreenCentre(wnd, adapter->MaxButton.Rect)), HTMAXBUTTON);
  EXPECT_FALSE(IsZoomed(wnd));
}

TEST_F(DialogFrame, ChildrenGetTheClientPartOfTheFrameImage) {
  TacDialogWnd* adapter = NewFramedWindow(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME);
  HWND wnd = adapter->Wnd;
  RECT window{}, client{};
  GetWindowRect(wnd, &window);
  GetClientRect(wnd, &client);
  POINT origin{0, 0};
  ClientToScreen(wnd, &origin);
  const int x = origin.x - window.left, y = origin.y - window.top;
  EXPECT_EQ(SendMessageA(wnd, SM_ALPHACMD, MAKEWPARAM(0, cmdClientOffsets), 0), MAKELONG(x, y));
  TsBackgroundRequest request;
  EXPECT_EQ(SendMessageA(wnd, SM_ALPHACMD, MAKEWPARAM(0, cmdGetBackground), reinterpret_cast<LPARAM>(&request)), 1);
  if (request.Kind == bkBitmap) {
    EXPECT_EQ(request.Bitmap, adapter->FrameImage());
    EXPECT_EQ(request.OffsetX, x);
    EXPECT_EQ(request.OffsetY, y);
  } else {
    EXPECT_EQ(request.Kind, bkColor);
  }
  // The erased client shows the frame image's client part.
  auto printed = PrintedWindow(wnd);
  const int cx = x + client.right / 2, cy = y + client.bottom / 2;
  EXPECT_EQ(PixelAt(printed.get(), cx, cy), PixelAt(adapter->FrameImage(), cx, cy));
}

TEST_F(DialogFrame, SkinRemovalGivesTheWindowItsOwnFrameBack) {
  TacDialogWnd* adapter = NewFramedWindow(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU);
  HWND wnd = adapter->Wnd;
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  const bool hadRegion = GetWindowRgn(wnd, region) != ERROR;
  adapter->Detach(true, true);
  EXPECT_TRUE(GetWindowLongA(wnd, GWL_STYLE) & WS_SYSMENU);
  EXPECT_EQ(GetWindowRgn(wnd, region), ERROR) << (hadRegion ? "the skin's region stayed" : "");
  DeleteObject(region);
  EXPECT_EQ(GetWndAdapter(wnd), nullptr);
}

}  // namespace
