// Skinned menus: a popup opened while the skin is active is painted from the skin's sections
// (read back from its real #32768 window), keyboard and mouse choose the same items skinned
// as unskinned, and unhooking gives the menus their owner-draw flags and events back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/engine/bitmap_ops.h"
#include "skin/forms/adapters/dialogs_hook.h"
#include "skin/forms/adapters/menu_wnd.h"
#include "skin/forms/skinned_menus.h"
#include "tests/skin/forms/provider_fixture.h"
#include "vcl/controls/menus.h"
#include "vcl/graphics/imagelist.h"

using namespace provider_test;
using skin::TsSkinableMenus;

namespace {

// ---- Driving a popup from inside its menu loop ----

// One step done from a timer while the popup is open: a key, or a click at a point of item i.
struct MenuStep {
  WORD Key = 0;
  int ClickItem = -1;
};

struct MenuRun {
  HMENU Menu = nullptr;
  HWND Popup = nullptr;
  std::vector<MenuStep> Steps;
  size_t Next = 0;
  int Wait = 0;
  // Called once the steps are done, with the popup still open.
  std::function<void(HWND)> Inspect;
};
MenuRun* currentRun = nullptr;

BOOL CALLBACK FindVisiblePopup(HWND wnd, LPARAM) {
  char name[16] = {};
  GetClassNameA(wnd, name, sizeof name);
  if (std::string(name) == "#32768" && IsWindowVisible(wnd)) {
    currentRun->Popup = wnd;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK MenuTick(HWND, UINT, UINT_PTR id, DWORD) {
  MenuRun& run = *currentRun;
  run.Popup = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindVisiblePopup, 0);
  if (!run.Popup) return;
  // Each step gets a few ticks for the menu loop to act on it and repaint.
  if (run.Wait-- > 0) return;
  run.Wait = 2;
  if (run.Next < run.Steps.size()) {
    const MenuStep& step = run.Steps[run.Next++];
    if (step.Key) {
      PostMessageA(run.Popup, WM_KEYDOWN, step.Key, 0);
      PostMessageA(run.Popup, WM_KEYUP, step.Key, 0xC0000000);
    } else {
      RECT r{};
      GetMenuItemRect(nullptr, run.Menu, UINT(step.ClickItem), &r);
      // Synthetic mouse messages carry their screen point in lParam.
      const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
      PostMessageA(run.Popup, WM_MOUSEMOVE, 0, at);
      PostMessageA(run.Popup, WM_LBUTTONDOWN, MK_LBUTTON, at);
      PostMessageA(run.Popup, WM_LBUTTONUP, 0, at);
    }
    return;
  }
  if (run.Inspect) run.Inspect(run.Popup);
  KillTimer(nullptr, id);
  EndMenu();
}

// Shows the menu, plays the steps, inspects, and closes it if the steps did not.
void RunPopup(vcl::TPopupMenu* menu, std::vector<MenuStep> steps, std::function<void(HWND)> inspect = nullptr) {
  MenuRun run;
  run.Menu = menu->Handle();
  run.Steps = std::move(steps);
  run.Inspect = std::move(inspect);
  run.Wait = 2;
  currentRun = &run;
  // The cursor stays clear of the popup, so that only the steps pick its items.
  SetCursorPos(900, 700);
  ProcessMessages();
  const UINT_PTR timer = SetTimer(nullptr, 0, 15, MenuTick);
  menu->Popup(20, 20);
  KillTimer(nullptr, timer);
  currentRun = nullptr;
  ProcessMessages();
}

// ---- A menu with the kinds of items that matter ----

struct SampleMenu {
  explicit SampleMenu(std::string* chosen) : Menu(std::make_unique<vcl::TPopupMenu>(nullptr)) {
    for (const char* caption : {"&Open", "-", "&Checked", "&Disabled", "&Last"}) {
      auto* item = new vcl::TMenuItem(Menu.get());
      item->SetCaption(caption);
      item->OnClick = [chosen](vcl::TObject* sender) { *chosen = static_cast<vcl::TMenuItem*>(sender)->Caption(); };
      Menu->Items()->Add(item);
    }
    Menu->Items()->Items(2)->SetChecked(true);
    Menu->Items()->Items(3)->SetEnabled(false);
  }
  std::unique_ptr<vcl::TPopupMenu> Menu;
};

class MenuSkinningTest : public ProviderTest {
 protected:
  TsSkinableMenus* Menus() { return skin::SkinableMenus(manager); }
};

// ---- Navigation ----

TEST_F(MenuSkinningTest, KeyboardAndMouseChooseTheSameItemsSkinnedAsPlain) {
  struct Case {
    const char* name;
    std::vector<MenuStep> steps;
    const char* expected;  // "" when nothing is chosen
  };
  const std::vector<Case> cases = {
      {"down, enter", {{VK_DOWN}, {VK_RETURN}}, "&Open"},
      {"down twice skips the divider", {{VK_DOWN}, {VK_DOWN}, {VK_RETURN}}, "&Checked"},
      {"up wraps to the last", {{VK_UP}, {VK_RETURN}}, "&Last"},
      {"mnemonic", {{'L'}}, "&Last"},
      {"escape", {{VK_DOWN}, {VK_ESCAPE}}, ""},
      {"click an item", {{0, 2}}, "&Checked"},
      {"click the last item", {{0, 4}}, "&Last"},
      {"click a disabled item", {{0, 3}}, ""},
      {"click the divider", {{0, 1}}, ""},
  };
  for (const Case& c : cases) {
    std::string plainChoice, skinnedChoice;
    SampleMenu plain(&plainChoice), skinned(&skinnedChoice);
    Menus()->HookMenu(skinned.Menu.get(), true);
    RunPopup(plain.Menu.get(), c.steps);
    RunPopup(skinned.Menu.get(), c.steps);
    EXPECT_EQ(plainChoice, c.expected) << c.name;
    EXPECT_EQ(skinnedChoice, plainChoice) << c.name;
    Menus()->HookMenu(skinned.Menu.get(), false);
  }
}

// ---- Pixels ----

struct PopupPixels {
  std::unique_ptr<vcl::TBitmap> Bitmap;
  std::vector<RECT> Items;  // in window coordinates
  uint32_t At(int x, int y) const { return PixelAt(Bitmap.get(), x, y); }
};

// Opens the menu, makes the first item hot and reads the window back.
PopupPixels CapturePopup(vcl::TPopupMenu* menu) {
  PopupPixels pixels;
  RunPopup(menu, {{VK_DOWN}}, [&](HWND popup) {
    RECT box{};
    GetWindowRect(popup, &box);
    pixels.Bitmap = NewSurface(box.right - box.left, box.bottom - box.top);
    HDC dc = GetWindowDC(popup);
    BitBlt(pixels.Bitmap->Canvas()->Handle(), 0, 0, box.right - box.left, box.bottom - box.top, dc, 0, 0, SRCCOPY);
    ReleaseDC(popup, dc);
    for (int i = 0; i < GetMenuItemCount(menu->Handle()); ++i) {
      RECT r{};
      GetMenuItemRect(nullptr, menu->Handle(), UINT(i), &r);
      OffsetRect(&r, -box.left, -box.top);
      pixels.Items.push_back(r);
    }
  });
  return pixels;
}

uint32_t Rgb(int32_t colour) { return uint32_t(colour) & 0xFFFFFF; }

bool Near(uint32_t a, uint32_t b, int tolerance = 6) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
  return true;
}

TEST_F(MenuSkinningTest, PopupShowsTheSkinSectionsForItemsHotItemDividerAndCheckMark) {
  std::string chosen;
  SampleMenu plain(&chosen), skinned(&chosen);
  Menus()->HookMenu(skinned.Menu.get(), true);
  const PopupPixels look = CapturePopup(skinned.Menu.get());
  // Closed, the popup leaves no image behind.
  EXPECT_TRUE(TsSkinableMenus::PopupCache().empty());
  const PopupPixels platform = CapturePopup(plain.Menu.get());
  Menus()->HookMenu(skinned.Menu.get(), false);
  ASSERT_TRUE(look.Bitmap && platform.Bitmap);
  ASSERT_EQ(look.Items.size(), 5u);

  const auto& section = [&](const char* name) { return manager->Sections[size_t(manager->FindSectionIndex(name))]; };
  const uint32_t body = Rgb(section("MAINMENU").Color);
  const uint32_t hot = Rgb(section("MENUITEM").HotColor);
  const uint32_t iconLine = Rgb(section("ICOLINE").Color);
  const RECT hotItem = look.Items[0], divider = look.Items[1], checked = look.Items[2], last = look.Items[4];
  const int midHot = (hotItem.top + hotItem.bottom) / 2;
  const int right = hotItem.right - 12;
  const int lastMid = (last.top + last.bottom) / 2;

  // The hot item is the skin's hot item; a plain item shows the popup body right of the icon
  // line, and the icon line beside it.
  EXPECT_TRUE(Near(look.At(right, midHot), hot)) << std::hex << look.At(right, midHot);
  EXPECT_TRUE(Near(look.At(right, lastMid), body)) << std::hex << look.At(right, lastMid);
  EXPECT_TRUE(Near(look.At(last.left + 6, lastMid), iconLine)) << std::hex << look.At(last.left + 6, lastMid);
  EXPECT_FALSE(Near(platform.At(right, midHot), hot, 2)) << "the platform's own hot item looks different";

  // The divider is drawn by the skin's divider mask: its row differs from the body somewhere
  // right of the icon line.
  bool dividerDrawn = false;
  for (int y = divider.top; y < divider.bottom; ++y)
    for (int x = (divider.left + divider.right) / 2; x < divider.right - 4; ++x)
      dividerDrawn = dividerDrawn || !Near(look.At(x, y), body, 2);
  EXPECT_TRUE(dividerDrawn);

  // The check mark: dark pixels on the icon line of the checked item, none on the last item's.
  auto darkIn = [&](const RECT& item) {
    int dark = 0;
    for (int y = item.top; y < item.bottom; ++y)
      for (int x = item.left; x < item.left + 24; ++x)
        if (!Near(look.At(x, y), iconLine, 60) && !Near(look.At(x, y), body, 60)) ++dark;
    return dark;
  };
  EXPECT_GT(darkIn(checked), 3);
  EXPECT_EQ(darkIn(last), 0);
}

TEST_F(MenuSkinningTest, AdaptedPopupWindowIsSkinnedAndLeavesNothingBehind) {
  std::string chosen;
  SampleMenu plain(&chosen), skinned(&chosen);
  const PopupPixels before = CapturePopup(plain.Menu.get());
  skin::InstallDialogsHook();
  Menus()->HookMenu(skinned.Menu.get(), true);
  HWND popup = nullptr;
  bool adapted = false;
  RunPopup(skinned.Menu.get(), {{VK_DOWN}}, [&](HWND wnd) {
    popup = wnd;
    adapted = dynamic_cast<skin::TacMnuWnd*>(skin::GetWndAdapter(wnd)) != nullptr;
  });
  const PopupPixels look = CapturePopup(skinned.Menu.get());
  Menus()->HookMenu(skinned.Menu.get(), false);
  ASSERT_NE(popup, nullptr);
  EXPECT_TRUE(adapted) << "the hook adapts the popup window while the menus draw its items";
  const RECT hotItem = look.Items[0];
  const uint32_t hot = Rgb(manager->Sections[size_t(manager->FindSectionIndex("MENUITEM"))].HotColor);
  EXPECT_TRUE(Near(look.At(hotItem.right - 12, (hotItem.top + hotItem.bottom) / 2), hot));
  // The platform may keep a popup window for later; once it goes, nothing of the skin stays.
  if (IsWindow(popup)) DestroyWindow(popup);
  EXPECT_TRUE(skin::PopupAdapters.empty());
  EXPECT_TRUE(TsSkinableMenus::PopupCache().empty());
  skin::RemoveDialogsHook();
  const PopupPixels after = CapturePopup(plain.Menu.get());
  ASSERT_TRUE(before.Bitmap && after.Bitmap);
  for (const RECT& item : {before.Items[0], before.Items[2]}) {
    const int x = item.right - 12, y = (item.top + item.bottom) / 2;
    EXPECT_EQ(after.At(x, y), before.At(x, y)) << "an unskinned popup looks as before";
  }
}

// The darkest channel sum of the pixels in a rectangle of the picture.
int Darkest(const PopupPixels& pixels, int left, int top, int right, int bottom) {
  int darkest = 3 * 255;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      const uint32_t p = pixels.At(x, y);
      darkest = std::min(darkest, int(p & 0xFF) + int((p >> 8) & 0xFF) + int((p >> 16) & 0xFF));
    }
  return darkest;
}

TEST_F(MenuSkinningTest, CaptionLinesAndDisabledItemsAndSystemCommandGlyphs) {
  vcl::TPopupMenu menu(nullptr);
  menu.SetName("SysMenu");
  struct Entry {
    const char* caption;
    int tag;
  };
  for (const Entry& entry : {Entry{"Skip", 0}, Entry{"-Tools-", 0}, Entry{"Move", SC_MOVE}, Entry{"Close", SC_CLOSE},
                             Entry{"Disabled", 0}}) {
    auto* item = new vcl::TMenuItem(&menu);
    item->SetCaption(entry.caption);
    item->SetTag(entry.tag);
    menu.Items()->Add(item);
  }
  menu.Items()->Items(4)->SetEnabled(false);
  Menus()->HookMenu(&menu, true);
  const PopupPixels look = CapturePopup(&menu);
  Menus()->HookMenu(&menu, false);
  ASSERT_TRUE(look.Bitmap);
  ASSERT_EQ(look.Items.size(), 5u);
  const auto& section = [&](const char* name) { return manager->Sections[size_t(manager->FindSectionIndex(name))]; };
  const RECT caption = look.Items[1], move = look.Items[2], close = look.Items[3], disabled = look.Items[4];

  // A caption line is a tool-bar strip over the whole item, with its word in the middle.
  const int mid = (caption.top + caption.bottom) / 2;
  EXPECT_TRUE(Near(look.At(caption.right - 6, mid), Rgb(section("TOOLBAR").Color)));
  EXPECT_FALSE(Near(look.At(caption.right - 6, mid), Rgb(section("MAINMENU").Color), 2));
  EXPECT_LT(Darkest(look, (caption.left + caption.right) / 2 - 20, caption.top, (caption.left + caption.right) / 2 + 20,
                    caption.bottom),
            3 * 160)
      << "the caption's word is written";

  // A disabled caption is faded into the background.
  const int textLeft = move.left + 30;
  const int enabledDark = Darkest(look, textLeft, move.top, move.right - 8, move.bottom);
  const int disabledDark = Darkest(look, textLeft, disabled.top, disabled.right - 8, disabled.bottom);
  EXPECT_LT(enabledDark, 3 * 100);
  EXPECT_GT(disabledDark, enabledDark + 3 * 60);

  // Items of the system menu show a glyph for the window commands that have one.
  EXPECT_LT(Darkest(look, close.left + 4, close.top, close.left + 20, close.bottom), 3 * 160);
  // Close is a cross, dark in its middle, and no hollow missing-glyph box (the symbol font here
  // may lack the character).
  const int glyphX = close.left + 4 + 8, glyphY = (close.top + close.bottom) / 2;
  EXPECT_LT(Darkest(look, glyphX - 1, glyphY - 1, glyphX + 2, glyphY + 2), 3 * 160);
  EXPECT_GT(Darkest(look, move.left + 4, move.top, move.left + 20, move.bottom), 3 * 200);
}

// The bar item opened by the keyboard is drawn hot in the window's menu line.
BOOL CALLBACK FindDropDown(HWND wnd, LPARAM found) {
  char name[16] = {};
  GetClassNameA(wnd, name, sizeof name);
  if (std::string(name) != "#32768" || !IsWindowVisible(wnd)) return TRUE;
  *reinterpret_cast<HWND*>(found) = wnd;
  return FALSE;
}

struct BarRun {
  HWND Form = nullptr;
  uint32_t Pixel = 0;
  bool Seen = false;
};
BarRun* barRun = nullptr;

void CALLBACK InspectBar(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dropDown = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDropDown, LPARAM(&dropDown));
  if (!dropDown) return;
  KillTimer(nullptr, id);
  RECT item{}, box{};
  GetMenuItemRect(barRun->Form, GetMenu(barRun->Form), 0, &item);
  GetWindowRect(barRun->Form, &box);
  HDC dc = GetWindowDC(barRun->Form);
  barRun->Pixel = uint32_t(GetPixel(dc, item.right - 2 - box.left, (item.top + item.bottom) / 2 - box.top)) & 0xFFFFFF;
  ReleaseDC(barRun->Form, dc);
  barRun->Seen = true;
  EndMenu();
}

TEST_F(MenuSkinningTest, OpenedMenuBarItemIsDrawnHot) {
  vcl::TForm* form = NewSkinnedForm(320, 200);
  auto* bar = new vcl::TMainMenu(form);
  for (const char* caption : {"&File", "&Edit"}) {
    auto* top = new vcl::TMenuItem(form);
    top->SetCaption(caption);
    bar->Items()->Add(top);
    auto* sub = new vcl::TMenuItem(form);
    sub->SetCaption("Item");
    top->Add(sub);
  }
  form->SetMenu(bar);
  ShowForm(form);
  ASSERT_TRUE(Menus()->OwnsDrawHandler(bar->Items()->Items(0)));
  BarRun run;
  run.Form = form->Handle();
  barRun = &run;
  SetCursorPos(900, 700);
  ProcessMessages();
  const UINT_PTR timer = SetTimer(nullptr, 0, 15, InspectBar);
  SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_KEYMENU, 'f');
  KillTimer(nullptr, timer);
  barRun = nullptr;
  ProcessMessages();
  ASSERT_TRUE(run.Seen);
  const uint32_t hot = Rgb(manager->Sections[size_t(manager->FindSectionIndex("MENUITEM"))].HotColor);
  EXPECT_TRUE(Near(run.Pixel, hot)) << std::hex << run.Pixel << " " << hot;
  form->SetMenu(nullptr);
}

TEST_F(MenuSkinningTest, ItemsHookedByAManagerWithoutSkinAreDrawnPlainAndGivenBack) {
  skin::TsSkinManager unskinned(nullptr);
  ASSERT_FALSE(unskinned.SkinData()->Active);
  std::string chosen;
  SampleMenu hooked(&chosen);
  TsSkinableMenus* menus = skin::SkinableMenus(&unskinned);
  menus->HookMenu(hooked.Menu.get(), true);
  ASSERT_TRUE(menus->OwnsDrawHandler(hooked.Menu->Items()->Items(0)));
  const PopupPixels look = CapturePopup(hooked.Menu.get());
  ASSERT_TRUE(look.Bitmap);
  // The library's own drawing, text included, and the items are the application's again.
  const RECT checked = look.Items[2], last = look.Items[4];
  EXPECT_LT(Darkest(look, checked.left, checked.top, checked.right, checked.bottom), 3 * 100);
  EXPECT_LT(Darkest(look, last.left, last.top, last.right, last.bottom), 3 * 100);
  EXPECT_FALSE(menus->OwnsDrawHandler(hooked.Menu->Items()->Items(0)));
  EXPECT_FALSE(menus->OwnsMeasureHandler(hooked.Menu->Items()->Items(4)));
  EXPECT_TRUE(TsSkinableMenus::PopupCache().empty());
}

// ---- Hooking and giving back ----

TEST_F(MenuSkinningTest, UnhookingGivesBackOwnerDrawFlagsAnimationsAndEvents) {
  vcl::TForm* form = NewSkinnedForm(300, 200);
  auto* mainMenu = new vcl::TMainMenu(form);
  auto* file = new vcl::TMenuItem(form);
  file->SetCaption("&File");
  mainMenu->Items()->Add(file);
  auto* open = new vcl::TMenuItem(form);
  open->SetCaption("&Open");
  file->Add(open);
  int applicationDraws = 0;
  auto* own = new vcl::TMenuItem(form);
  own->SetCaption("Own");
  own->OnAdvancedDrawItem = [&](vcl::TObject*, vcl::TCanvas*, vcl::TRect, vcl::TOwnerDrawState) { ++applicationDraws; };
  file->Add(own);
  auto* barOwnMeasure = [&] {
    file->OnMeasureItem = [](vcl::TObject*, vcl::TCanvas*, int& w, int& h) { w = h = 7; };
    return file;
  }();
  auto* popup = new vcl::TPopupMenu(form);
  auto* copy = new vcl::TMenuItem(form);
  copy->SetCaption("Copy");
  popup->Items()->Add(copy);
  auto* ownerDrawn = new vcl::TPopupMenu(form);
  ownerDrawn->SetOwnerDraw(true);
  form->SetMenu(mainMenu);
  auto* provider = skin::TsSkinProvider::FromForm(form);
  ASSERT_NE(provider, nullptr);

  provider->HookMenus(true);
  ASSERT_NE(provider->SystemMenu(), nullptr);
  ASSERT_NE(provider->SystemMenu()->ItemClose, nullptr);
  EXPECT_TRUE(Menus()->OwnsDrawHandler(provider->SystemMenu()->ItemClose));
  EXPECT_TRUE(popup->OwnerDraw());
  EXPECT_TRUE(popup->MenuAnimation().Contains(vcl::maNone));
  EXPECT_TRUE(Menus()->OwnsDrawHandler(copy));
  EXPECT_TRUE(Menus()->OwnsDrawHandler(open));
  EXPECT_FALSE(Menus()->OwnsDrawHandler(own)) << "an application's handler is never replaced in a popup";
  EXPECT_TRUE(Menus()->OwnsMeasureHandler(barOwnMeasure)) << "the bar's items are the menus' while skinned";
  EXPECT_TRUE(mainMenu->OwnerDraw());

  provider->HookMenus(false);
  EXPECT_FALSE(popup->OwnerDraw());
  EXPECT_TRUE(ownerDrawn->OwnerDraw()) << "an owner-drawn menu of the application stays so";
  EXPECT_FALSE(popup->MenuAnimation().Contains(vcl::maNone));
  EXPECT_FALSE(mainMenu->OwnerDraw());
  for (vcl::TMenuItem* item : {copy, open, file}) {
    EXPECT_FALSE(Menus()->OwnsDrawHandler(item)) << item->Caption();
    EXPECT_FALSE(Menus()->OwnsMeasureHandler(item)) << item->Caption();
  }
  EXPECT_FALSE(copy->OnAdvancedDrawItem);
  EXPECT_FALSE(Menus()->OwnsDrawHandler(provider->SystemMenu()->ItemClose)) << "the system menu is given back too";
  ASSERT_TRUE(own->OnAdvancedDrawItem);
  own->OnAdvancedDrawItem(own, nullptr, {}, {});
  EXPECT_EQ(applicationDraws, 1);
  ASSERT_TRUE(file->OnMeasureItem) << "the bar item's own measure handler is given back";
  int w = 0, h = 0;
  file->OnMeasureItem(file, nullptr, w, h);
  EXPECT_EQ(w, 7);
  form->SetMenu(nullptr);
}

// ---- Popup images ----

TEST_F(MenuSkinningTest, ExtraLineShowsUnlessHiddenOrTheSkinSubmenu) {
  struct Case {
    const char* name;
    const char* firstItemName;
    bool eventHides;
    bool visible;
  };
  const Case cases[] = {
      {"no event: the default line", "", false, true},
      {"event hides it", "", true, false},
      {"skin submenu", "SkinSelectItem", false, false},
  };
  manager->MenuSupport()->UseExtraLine = true;
  for (const Case& c : cases) {
    std::string captionSeen;
    manager->OnGetMenuExtraLineData = [&](vcl::TMenuItem*, std::string&, std::string& caption, vcl::TBitmap*&,
                                          bool& visible) {
      captionSeen = caption;
      if (c.eventHides) visible = false;
    };
    if (!c.eventHides) manager->OnGetMenuExtraLineData = nullptr;
    vcl::TPopupMenu menu(nullptr);
    auto* first = new vcl::TMenuItem(&menu);
    if (*c.firstItemName) first->SetName(c.firstItemName);
    first->SetCaption("First");
    menu.Items()->Add(first);
    TsSkinableMenus::ClearPopupCache();
    skin::PopupImageRecord record;
    ASSERT_TRUE(Menus()->LookupPopupImage(first, true, record, nullptr, 120, 60)) << c.name;
    EXPECT_EQ(record.ExtraLineVisible, c.visible) << c.name;
    EXPECT_EQ(Menus()->VisibleExtraLineWidth(record), c.visible ? manager->MenuSupport()->ExtraLineWidth : 0);
    if (c.eventHides) { EXPECT_EQ(captionSeen, "Use OnGetExtraLineData event"); }
    ASSERT_TRUE(record.Image);
    EXPECT_EQ(record.Image->Width(), 120);
    EXPECT_EQ(record.Image->Height(), 60);
  }
  manager->MenuSupport()->UseExtraLine = false;
  manager->OnGetMenuExtraLineData = nullptr;
  TsSkinableMenus::ClearPopupCache();
}

TEST_F(MenuSkinningTest, PopupsAreCachedPerPopupAndRebuiltWhenTheirSizeChanges) {
  vcl::TPopupMenu menu(nullptr);
  auto* parent = new vcl::TMenuItem(&menu);
  parent->SetCaption("Parent");
  menu.Items()->Add(parent);
  auto* child = new vcl::TMenuItem(&menu);
  child->SetCaption("Child");
  parent->Add(child);
  TsSkinableMenus::ClearPopupCache();
  skin::PopupImageRecord outer, inner, again;
  EXPECT_FALSE(Menus()->LookupPopupImage(parent, false, outer)) << "nothing is built without the build flag";
  ASSERT_TRUE(Menus()->LookupPopupImage(parent, true, outer, nullptr, 100, 40));
  ASSERT_TRUE(Menus()->LookupPopupImage(child, true, inner, nullptr, 80, 30));
  EXPECT_EQ(TsSkinableMenus::PopupCache().size(), 2u) << "a submenu has a record of its own";
  ASSERT_TRUE(Menus()->LookupPopupImage(parent, true, again, nullptr, 100, 40));
  EXPECT_EQ(again.Image, outer.Image) << "the same popup reuses its image";
  ASSERT_TRUE(Menus()->LookupPopupImage(parent, true, again, nullptr, 140, 40));
  EXPECT_EQ(again.Image->Width(), 140) << "a popup of another size gets a new image";
  TsSkinableMenus::ClearPopupCache();
  EXPECT_TRUE(TsSkinableMenus::PopupCache().empty());
}

// A window that answers the "already shown" question of a skinning adapter keeps its region;
// any other popup window gets the skin's border shape.
LRESULT CALLBACK AdaptedWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == skin::SM_ALPHACMD && HIWORD(wParam) == skin::cmdSetUpdating) return 1;
  return DefWindowProcA(wnd, msg, wParam, lParam);
}

TEST_F(MenuSkinningTest, PreparingAPopupWindowSetsItsRegionUnlessAnAdapterAnswers) {
  WNDCLASSA adapted{};
  adapted.lpfnWndProc = AdaptedWndProc;
  adapted.lpszClassName = "MergeonAdaptedPopupTest";
  RegisterClassA(&adapted);
  struct Case {
    const char* className;
    bool regionExpected;
  };
  const Case cases[] = {{"STATIC", true}, {"MergeonAdaptedPopupTest", false}};
  vcl::TPopupMenu menu(nullptr);
  auto* first = new vcl::TMenuItem(&menu);
  first->SetCaption("First");
  menu.Items()->Add(first);
  for (const Case& c : cases) {
    HWND wnd = CreateWindowExA(0, c.className, "", WS_POPUP, 0, 0, 120, 60, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    TsSkinableMenus::ClearPopupCache();
    skin::PopupImageRecord record;
    ASSERT_TRUE(Menus()->LookupPopupImage(first, true, record, wnd, 120, 60));
    EXPECT_EQ(record.Window, wnd);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    const int kind = GetWindowRgn(wnd, region);
    DeleteObject(region);
    EXPECT_EQ(kind != ERROR, c.regionExpected) << c.className;
    // The popup's window procedure answers for its image; the window going empties the cache.
    EXPECT_EQ(SendMessageA(wnd, WM_ERASEBKGND, 0, 0), 1);
    DestroyWindow(wnd);
    EXPECT_TRUE(TsSkinableMenus::PopupCache().empty());
  }
  UnregisterClassA("MergeonAdaptedPopupTest", nullptr);
}

}  // namespace
