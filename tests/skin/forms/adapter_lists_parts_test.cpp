// The parts the list adapters add over the plain scroll adapter: the empty list box's answers,
// the list view's row-wise thumb scrolling and its skinned header, the combo box's button,
// field cache and dropped list, the tree's and the grid's colours, and a clean detach when
// controls go or move while the skin changes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/combo_box_wnd.h"
#include "skin/forms/adapters/control_adapters.h"
#include "skin/forms/adapters/grid_wnd.h"
#include "skin/forms/adapters/list_view_wnd.h"
#include "skin/forms/adapters/tree_view_wnd.h"
#include "tests/skin/forms/adapter_skin_fixture.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/window_subclass.h"
#include "vcl/graphics/colours.h"
#include "vcl/stdctrls/comctrls.h"
#include "vcl/stdctrls/extctrls.h"
#include "vcl/stdctrls/grids.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;

namespace {

// Records the messages a window receives at its outermost procedure.
class MessageSpy : public vcl::TWindowSubclass {
 public:
  explicit MessageSpy(HWND wnd) { Attach(wnd); }
  std::vector<UINT> seen;
  bool Saw(UINT msg) const { return std::find(seen.begin(), seen.end(), msg) != seen.end(); }

 protected:
  LRESULT SubclassProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    seen.push_back(msg);
    return CallPrevious(msg, wParam, lParam);
  }
};

// A 32-bit memory DC of the given size filled with one colour.
class MemoryDC {
 public:
  MemoryDC(int w, int h, COLORREF fill) : w_(w) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateDIBSection(screen, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(dc_, bitmap_);
    HBRUSH brush = CreateSolidBrush(fill);
    RECT r{0, 0, w, h};
    FillRect(dc_, &r, brush);
    DeleteObject(brush);
  }
  ~MemoryDC() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  // As a COLORREF (red in the low byte).
  COLORREF Pixel(int x, int y) const {
    GdiFlush();
    const uint32_t p = bits_[y * w_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  std::vector<uint32_t> Row(int y, int from, int to) const {
    GdiFlush();
    return std::vector<uint32_t>(bits_ + y * w_ + from, bits_ + y * w_ + to);
  }

 private:
  int w_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  uint32_t* bits_ = nullptr;
};

constexpr COLORREF kMagenta = RGB(255, 0, 255);

class ListParts : public ::testing::Test {
 protected:
  void SetUp() override {
    manager = adapter_test::LoadInternalSkin();
    ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
    form.reset(new vcl::TForm(nullptr));
    form->SetBounds(0, 0, 400, 320);
  }
  void TearDown() override {
    adapter_test::RemoveFormProvider(form.get());
    form.reset();
    manager.reset();
  }
  template <class C>
  C* Place(int w, int h, vcl::TWinControl* parent = nullptr) {
    auto* control = new C(form.get());
    control->SetParent(parent ? parent : form.get());
    control->SetBounds(10, 10, w, h);
    return control;
  }
  void Adapt() {
    form->Show();
    adapters = adapter_test::AdaptFormControls(form.get(), manager.get());
  }
  template <class T>
  T* AdapterOf(vcl::TWinControl* control) {
    return dynamic_cast<T*>(adapter_test::ItemAdapterOf(adapters, control));
  }
  vcl::TListView* ReportView(int items) {
    auto* view = Place<vcl::TListView>(300, 160);
    view->SetViewStyle(vcl::vsReport);
    view->AddColumn("Name", 90);
    view->AddColumn("Size", 70);
    view->AddColumn("Kind", 70);
    for (int i = 0; i < items; ++i) view->AddItem("Item " + std::to_string(i), {std::to_string(i), "x"});
    return view;
  }
  static SCROLLINFO Scroll(HWND wnd, int bar) {
    SCROLLINFO info{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(wnd, bar, &info);
    return info;
  }

  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<vcl::TForm> form;
  TacCtrlAdapter* adapters = nullptr;
};

TEST_F(ListParts, EmptyListBoxAnswersNoTopItemAndPrintsWithoutPainting) {
  auto* list = Place<vcl::TListBox>(150, 100);
  Adapt();
  HWND wnd = list->Handle();
  ASSERT_NE(AdapterOf<TacEditWnd>(list), nullptr);
  EXPECT_EQ(SendMessageA(wnd, LB_GETTOPINDEX, 0, 0), -1);

  MemoryDC image(150, 100, kMagenta);
  {
    MessageSpy spy(wnd);
    SendMessageA(wnd, WM_PRINT, WPARAM(image.dc()), PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND);
    EXPECT_TRUE(spy.Saw(WM_ERASEBKGND));
    EXPECT_TRUE(spy.Saw(WM_PRINTCLIENT));
    EXPECT_FALSE(spy.Saw(WM_PAINT)) << "a list without items is not asked to paint";
  }
  EXPECT_NE(image.Pixel(0, 50), kMagenta) << "the skinned border is printed";

  list->Items()->Add("One");
  EXPECT_EQ(SendMessageA(wnd, LB_GETTOPINDEX, 0, 0), 0);
  MessageSpy spy(wnd);
  SendMessageA(wnd, WM_PRINT, WPARAM(image.dc()), PRF_CLIENT | PRF_NONCLIENT);
  EXPECT_TRUE(spy.Saw(WM_PAINT));
}

// A thumb-track code scrolls the list to the tracked position in its own scroll unit: rows in
// report view, columns in list view; an unchanged position does nothing.
TEST_F(ListParts, ListViewThumbTrackScrollsToTheTrackedPosition) {
  auto* report = ReportView(100);
  auto* columns = Place<vcl::TListView>(200, 100);
  columns->SetViewStyle(vcl::vsList);
  for (int i = 0; i < 120; ++i) columns->AddItem("Entry " + std::to_string(i));
  columns->SetTop(180);
  Adapt();
  struct Case {
    vcl::TListView* view;
    UINT msg;
    int bar;
    int from, to;
  } const cases[] = {
      {report, WM_VSCROLL, SB_VERT, 0, 10}, {report, WM_VSCROLL, SB_VERT, 10, 10}, {report, WM_VSCROLL, SB_VERT, 10, 3},
      {columns, WM_HSCROLL, SB_HORZ, 0, 2}, {columns, WM_HSCROLL, SB_HORZ, 2, 1},
  };
  for (const Case& c : cases) {
    HWND wnd = c.view->Handle();
    ASSERT_NE(AdapterOf<TacListViewWnd>(c.view), nullptr);
    ASSERT_EQ(Scroll(wnd, c.bar).nPos, c.from);
    ScrollTracking.LastTrackPos = c.from;
    SendScrollCode(wnd, c.msg, SB_THUMBTRACK, c.to);
    EXPECT_EQ(Scroll(wnd, c.bar).nPos, c.to) << c.from << " -> " << c.to;
    if (c.bar == SB_VERT) { EXPECT_EQ(SendMessageA(wnd, LVM_GETTOPINDEX, 0, 0), c.to); }
  }
  ScrollTracking.LastTrackPos = -1;
}

TEST_F(ListParts, ListViewThumbDraggedToTheEndShowsTheLastRows) {
  auto* view = ReportView(100);
  Adapt();
  auto* adapter = AdapterOf<TacListViewWnd>(view);
  ASSERT_NE(adapter, nullptr);
  ASSERT_TRUE(adapter->VertBar->Shown);
  HWND wnd = view->Handle();
  const RECT bar = adapter->VertBarRect();
  int32_t length = 0, start = 0;
  adapter->CalcThumb(*adapter->VertBar, bar, length, start);
  const int x = (bar.left + bar.right) / 2;
  SendMessageA(wnd, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(x, start + length / 2));
  ASSERT_TRUE(adapter->ThumbTracking);
  // Moved as the platform delivers it: the drag reads the message's cursor position.
  SetCursorPos(x, bar.bottom + 50);
  PostMessageA(wnd, WM_MOUSEMOVE, 0, 0);
  MSG msg;
  while (PeekMessageA(&msg, wnd, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE)) DispatchMessageA(&msg);
  SendMessageA(wnd, WM_LBUTTONUP, 0, 0);
  const SCROLLINFO info = Scroll(wnd, SB_VERT);
  const int last = info.nMax - int(info.nPage) + 1;
  EXPECT_EQ(info.nPos, last);
  EXPECT_EQ(SendMessageA(wnd, LVM_GETTOPINDEX, 0, 0), last);
}

TEST_F(ListParts, HeaderHoverFollowsReorderedColumnsAndLeavesOnTheListBody) {
  auto* view = ReportView(10);
  Adapt();
  auto* adapter = AdapterOf<TacListViewWnd>(view);
  ASSERT_NE(adapter, nullptr);
  HWND header = adapter->HeaderWnd;
  ASSERT_NE(header, nullptr);
  int order[3] = {2, 0, 1};
  SendMessageA(header, HDM_SETORDERARRAY, 3, LPARAM(order));
  struct Case {
    int position;
    int item;
  } const cases[] = {{0, 2}, {1, 0}, {2, 1}};
  for (const Case& c : cases) {
    const RECT r = adapter->GetSectionRect(c.position);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(header, &p);
    SendMessageA(header, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
    EXPECT_EQ(adapter->HoverColumn, c.item) << "position " << c.position;
    EXPECT_EQ(adapter->SectionState(c.item), kHeaderHot);
  }
  SendMessageA(view->Handle(), WM_NCHITTEST, 0, 0);
  EXPECT_EQ(adapter->HoverColumn, -1);
}

TEST_F(ListParts, HeaderSectionsAndTheRestArePaintedFromTheSkin) {
  auto* view = ReportView(10);
  Adapt();
  auto* adapter = AdapterOf<TacListViewWnd>(view);
  ASSERT_NE(adapter, nullptr);
  HWND header = adapter->HeaderWnd;
  ASSERT_NE(header, nullptr);
  RECT window{};
  GetWindowRect(header, &window);
  const int w = window.right - window.left, h = window.bottom - window.top;
  ASSERT_GT(w, 230);

  auto paintWithFormat = [&](int format) {
    HDITEMA item{};
    item.mask = HDI_FORMAT;
    item.fmt = HDF_STRING | format;
    SendMessageA(header, HDM_SETITEMA, 0, LPARAM(&item));
    MemoryDC image(w, h, kMagenta);
    adapter->PaintHeader(image.dc());
    return std::make_pair(image.Pixel(w - 3, h / 2), image.Row(h / 2, 0, 90));
  };
  const auto plain = paintWithFormat(0);
  EXPECT_NE(plain.first, kMagenta) << "the header right of its last section is an empty section";
  for (uint32_t pixel : plain.second) ASSERT_NE(pixel & 0xFFFFFF, 0xFF00FFu);
  const auto down = paintWithFormat(HDF_SORTDOWN);
  const auto up = paintWithFormat(HDF_SORTUP);
  const auto both = paintWithFormat(HDF_SORTDOWN | HDF_SORTUP);
  EXPECT_NE(down.second, plain.second) << "a sorted column shows a glyph";
  EXPECT_NE(down.second, up.second);
  EXPECT_EQ(both.second, down.second) << "both sort bits show the sort-down glyph";
}

TEST_F(ListParts, ANewHeaderReplacesTheHookedOne) {
  auto* view = ReportView(5);
  form->Show();
  HWND first = FindWindowExA(view->Handle(), nullptr, "SysHeader32", nullptr);
  ASSERT_NE(first, nullptr);
  const LONG_PTR plainProc = GetWindowLongPtrA(first, GWLP_WNDPROC);
  Adapt();
  auto* adapter = AdapterOf<TacListViewWnd>(view);
  ASSERT_NE(adapter, nullptr);
  ASSERT_EQ(adapter->HeaderWnd, first);
  HWND second = CreateWindowExA(0, "SysHeader32", "", WS_CHILD, 0, 0, 100, 20, view->Handle(), nullptr, nullptr, nullptr);
  ASSERT_NE(second, nullptr);
  SendMessageA(view->Handle(), WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, 0), LPARAM(second));
  EXPECT_EQ(adapter->HeaderWnd, second);
  SendMessageA(view->Handle(), WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, 0), LPARAM(second));
  EXPECT_EQ(adapter->HeaderWnd, second) << "a second notice of the same header keeps it hooked";
  EXPECT_EQ(GetWindowLongPtrA(first, GWLP_WNDPROC), plainProc) << "the first header got its procedure back";
  DestroyWindow(second);
  EXPECT_EQ(adapter->HeaderWnd, nullptr);
}

TEST_F(ListParts, SkinRemovalGivesTheListViewItsColoursAndHeaderBack) {
  auto* view = ReportView(5);
  form->Show();
  HWND wnd = view->Handle();
  HWND header = FindWindowExA(wnd, nullptr, "SysHeader32", nullptr);
  ASSERT_NE(header, nullptr);
  const LRESULT back = SendMessageA(wnd, LVM_GETBKCOLOR, 0, 0), text = SendMessageA(wnd, LVM_GETTEXTCOLOR, 0, 0);
  const LONG_PTR headerProc = GetWindowLongPtrA(header, GWLP_WNDPROC);
  Adapt();
  auto* adapter = AdapterOf<TacListViewWnd>(view);
  ASSERT_NE(adapter, nullptr);
  SendMessageA(wnd, WM_PAINT, 0, 0);
  const TsGeneralData& section = manager->Sections[size_t(adapter->SkinLink->SectionIndex)];
  EXPECT_EQ(COLORREF(SendMessageA(wnd, LVM_GETBKCOLOR, 0, 0)), vcl::ColorToRGB(section.Color));
  EXPECT_NE(GetWindowLongPtrA(header, GWLP_WNDPROC), headerProc);
  manager->SetActive(false);
  EXPECT_EQ(SendMessageA(wnd, LVM_GETBKCOLOR, 0, 0), back);
  EXPECT_EQ(SendMessageA(wnd, LVM_GETTEXTCOLOR, 0, 0), text);
  EXPECT_EQ(GetWindowLongPtrA(header, GWLP_WNDPROC), headerProc);
}

// ---- Combo boxes -----------------------------------------------------------------------------

TEST_F(ListParts, ComboButtonSitsByStyleAndReadingDirection) {
  form->Show();
  struct Case {
    DWORD style, exStyle;
    bool button, atLeft;
  } const cases[] = {
      {CBS_SIMPLE, 0, false, false},
      {CBS_DROPDOWN, 0, true, false},
      {CBS_DROPDOWNLIST, 0, true, false},
      {CBS_DROPDOWNLIST, WS_EX_RTLREADING, true, true},
  };
  for (const Case& c : cases) {
    HWND wnd = CreateWindowExA(c.exStyle, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | c.style, 10, 10, 160, 120,
                               form->Handle(), nullptr, nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    auto* adapter = MakeAdapter<TacComboBoxWnd>(true, wnd, std::string("COMBOBOX"), manager.get(), nullptr);
    RECT window{}, b{};
    GetWindowRect(wnd, &window);
    adapter->GetButtonRect(b);
    const int width = c.button ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    EXPECT_EQ(b.right - b.left, width) << c.style;
    EXPECT_EQ(b.left, c.atLeft ? 2 : (window.right - window.left) - width - 2) << c.style;
    EXPECT_EQ(b.top, 2);
    EXPECT_EQ(b.bottom, (window.bottom - window.top) - 2);
    if (c.style == CBS_SIMPLE) {
      adapter->PrepareSimpleCache();
      EXPECT_EQ(adapter->SkinLink->CacheBitmap->Height(), SendMessageA(wnd, CB_GETITEMHEIGHT, WPARAM(-1), 0) + 8);
    }
    TacMainWnd* base = adapter;
    RemoveAdapter(wnd, true, false, base);
    DestroyWindow(wnd);
  }
}

TEST_F(ListParts, ComboItemTextIsReadWhateverItsLength) {
  form->Show();
  HWND wnd = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 100, 100, form->Handle(), nullptr,
                             nullptr, nullptr);
  const std::string longText(2000, 'x');
  for (const std::string& text : {std::string(), std::string("short"), longText})
    SendMessageA(wnd, CB_ADDSTRING, 0, LPARAM(text.c_str()));
  EXPECT_EQ(ComboItemText(wnd, 0), "");
  EXPECT_EQ(ComboItemText(wnd, 1), "short");
  EXPECT_EQ(ComboItemText(wnd, 2), longText);
  EXPECT_EQ(ComboItemText(wnd, 3), "");
  EXPECT_EQ(ComboItemText(wnd, -1), "");
  DestroyWindow(wnd);
}

TEST_F(ListParts, FocusedDropDownListPrintsItsTextOnTheHighlight) {
  auto* listStyle = Place<vcl::TComboBox>(150, 24);
  listStyle->SetStyle(vcl::csDropDownList);
  auto* editable = Place<vcl::TComboBox>(150, 24);
  editable->SetTop(60);
  for (auto* combo : {listStyle, editable}) {
    combo->Items()->Add("Chosen");
    combo->SetItemIndex(0);
  }
  Adapt();
  SetForegroundWindow(form->Handle());
  for (auto* combo : {listStyle, editable}) {
    HWND wnd = combo->Handle();
    combo->SetFocus();
    ASSERT_TRUE(combo->Focused());
    RECT r{};
    GetWindowRect(wnd, &r);
    MemoryDC image(r.right - r.left, r.bottom - r.top, kMagenta);
    SendMessageA(wnd, WM_PRINT, WPARAM(image.dc()), PRF_CLIENT | PRF_NONCLIENT);
    const bool highlighted = image.Pixel(r.right - r.left - 30, (r.bottom - r.top) / 2) == COLORREF(vcl::ColorToRGB(vcl::clHighlight));
    EXPECT_EQ(highlighted, combo == listStyle) << (combo == listStyle ? "drop-down list" : "drop-down");
  }
}

TEST_F(ListParts, DroppedListIsAdaptedKeepsItsColoursAndIsGivenBack) {
  auto* combo = Place<vcl::TComboBox>(150, 24);
  combo->SetStyle(vcl::csDropDownList);
  for (int i = 0; i < 30; ++i) combo->Items()->Add("Choice " + std::to_string(i));
  combo->SetItemIndex(4);
  Adapt();
  auto* adapter = AdapterOf<TacComboBoxWnd>(combo);
  ASSERT_NE(adapter, nullptr);
  HWND wnd = combo->Handle();
  combo->SetDroppedDown(true);
  HWND list = combo->ListHandle();
  ASSERT_NE(list, nullptr);
  UpdateWindow(list);
  ASSERT_EQ(adapter->ListWnd, list);
  ASSERT_NE(adapter->ListAdapter, nullptr);
  EXPECT_EQ(GetWndAdapter(list), adapter->ListAdapter.get());
  EXPECT_EQ(adapter->ButtonState(), 2);

  // Every colour request is answered, with the one brush of the adapter.
  HDC dc = GetDC(list);
  const LRESULT first = SendMessageA(wnd, WM_CTLCOLORLISTBOX, WPARAM(dc), LPARAM(list));
  const LRESULT second = SendMessageA(wnd, WM_CTLCOLORLISTBOX, WPARAM(dc), LPARAM(list));
  ReleaseDC(list, dc);
  EXPECT_NE(first, 0);
  EXPECT_EQ(first, second);

  // A click on the list's frame outside its bars does nothing.
  RECT r{};
  GetWindowRect(list, &r);
  EXPECT_EQ(SendMessageA(list, WM_NCLBUTTONDOWN, HTBORDER, MAKELPARAM(r.left, r.top)), 0);
  EXPECT_TRUE(SendMessageA(wnd, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(SendMessageA(wnd, CB_GETCURSEL, 0, 0), 4);
  combo->SetDroppedDown(false);

  manager->SetActive(false);
  EXPECT_EQ(GetWndAdapter(list), nullptr);
  EXPECT_FALSE(WndAnswersAlphaCmd(list, cmdIsSkinned));
  combo->SetDroppedDown(true);
  EXPECT_TRUE(SendMessageA(wnd, CB_GETDROPPEDSTATE, 0, 0));
  combo->SetDroppedDown(false);
}

// ---- Edits --------------------------------------------------------------------------------------

TEST_F(ListParts, EditsTakeTheSkinColoursAndGiveTheirOwnBack) {
  auto* memo = Place<vcl::TMemo>(150, 80);
  memo->SetColor(vcl::clYellow);
  memo->Font()->SetColor(vcl::clRed);
  auto* custom = Place<vcl::TListBox>(150, 80);
  custom->SetTop(100);
  custom->SetColor(vcl::clAqua);
  Adapt();
  auto* memoAdapter = AdapterOf<TacEditWnd>(memo);
  auto* customAdapter = AdapterOf<TacEditWnd>(custom);
  ASSERT_NE(memoAdapter, nullptr);
  ASSERT_NE(customAdapter, nullptr);
  customAdapter->SkinLink->SetCustomColor(true);
  customAdapter->SkinLink->SetCustomFont(true);
  custom->SetColor(vcl::clLime);
  for (TacEditWnd* adapter : {memoAdapter, customAdapter}) adapter->ApplySkinParams();
  const TsGeneralData& section = manager->Sections[size_t(memoAdapter->SkinLink->SectionIndex)];
  EXPECT_EQ(memo->Color(), memoAdapter->SkinLink->BgColorForState(0, memo->Handle()));
  EXPECT_EQ(memo->Font()->Color(), vcl::TColor(section.HotFontColor[0]));
  EXPECT_EQ(custom->Color(), vcl::clLime) << "a custom colour stays";

  manager->SetActive(false);
  EXPECT_EQ(memo->Color(), vcl::clYellow);
  EXPECT_EQ(memo->Font()->Color(), vcl::clRed);
  EXPECT_EQ(custom->Color(), vcl::clAqua);
}

// The focused frame is drawn only for an owner that takes the focus by tab.
TEST_F(ListParts, FocusFrameOnlyForTabStopOwners) {
  auto* tabbed = Place<vcl::TMemo>(150, 60);
  auto* untabbed = Place<vcl::TMemo>(150, 60);
  untabbed->SetTop(100);
  untabbed->SetTabStop(false);
  Adapt();
  SetForegroundWindow(form->Handle());
  ASSERT_NE(AdapterOf<TacEditWnd>(tabbed), nullptr);
  if (!HasMultiStateBorder(AdapterOf<TacEditWnd>(tabbed)->SkinLink)) GTEST_SKIP() << "the skin's edit border has one state";
  TacEditWnd* tabbedAdapter = AdapterOf<TacEditWnd>(tabbed);
  TacEditWnd* untabbedAdapter = AdapterOf<TacEditWnd>(untabbed);
  ASSERT_NE(untabbedAdapter, nullptr);
  untabbed->SetFocus();
  ASSERT_TRUE(untabbed->Focused());
  EXPECT_FALSE(untabbedAdapter->SkinLink->HasFocus) << "no tab stop, no focus frame";
  EXPECT_FALSE(tabbedAdapter->SkinLink->HasFocus);
  tabbed->SetFocus();
  EXPECT_TRUE(tabbedAdapter->SkinLink->HasFocus);
  untabbed->SetFocus();
  EXPECT_FALSE(tabbedAdapter->SkinLink->HasFocus);
}

// ---- Tree views and grids --------------------------------------------------------------------

TEST_F(ListParts, TreeAndGridTakeTheSkinColoursAndGiveThemBack) {
  auto* tree = Place<vcl::TTreeView>(150, 100);
  tree->AddNode(-1, "Node");
  auto* grid = Place<vcl::TStringGrid>(200, 100);
  grid->SetTop(150);
  grid->SetFixedColor(vcl::TColor(0x123456));
  form->Show();
  HWND treeWnd = tree->Handle();
  const LRESULT treeBack = SendMessageA(treeWnd, TVM_GETBKCOLOR, 0, 0);
  Adapt();
  auto* treeAdapter = AdapterOf<TacTreeViewWnd>(tree);
  ASSERT_NE(treeAdapter, nullptr);
  ASSERT_NE(AdapterOf<TacGridWnd>(grid), nullptr);
  SendMessageA(treeWnd, WM_PAINT, 0, 0);
  const TsGeneralData& section = manager->Sections[size_t(treeAdapter->SkinLink->SectionIndex)];
  EXPECT_EQ(COLORREF(SendMessageA(treeWnd, TVM_GETBKCOLOR, 0, 0)), vcl::ColorToRGB(section.HotColor));
  SendMessageA(grid->Handle(), WM_PAINT, 0, 0);
  EXPECT_EQ(grid->FixedColor(), manager->GetGlobalColor());

  // With its own colour the tree keeps its background.
  SendMessageA(treeWnd, TVM_SETBKCOLOR, 0, LPARAM(RGB(1, 2, 3)));
  treeAdapter->SkinLink->SetCustomColor(true);
  treeAdapter->ApplySkinParams();
  EXPECT_EQ(COLORREF(SendMessageA(treeWnd, TVM_GETBKCOLOR, 0, 0)), RGB(1, 2, 3));

  manager->SetActive(false);
  EXPECT_EQ(SendMessageA(treeWnd, TVM_GETBKCOLOR, 0, 0), treeBack);
  EXPECT_EQ(grid->FixedColor(), vcl::TColor(0x123456));
}

// ---- Life ------------------------------------------------------------------------------------

// Controls made, freed and moved to another parent while the skin goes and comes twice leave
// no adapter behind and keep working.
TEST_F(ListParts, ControlsComingGoingAndMovingLeaveNoAdapterBehind) {
  auto* panel = Place<vcl::TPanel>(150, 150);
  panel->SetLeft(220);
  auto* doomedCombo = Place<vcl::TComboBox>(120, 24);
  for (int i = 0; i < 20; ++i) doomedCombo->Items()->Add("Item " + std::to_string(i));
  auto* doomedView = ReportView(5);
  auto* movedList = Place<vcl::TListBox>(100, 80);
  movedList->Items()->Add("Moves");
  auto* movedTree = Place<vcl::TTreeView>(100, 80);
  Adapt();
  doomedCombo->SetDroppedDown(true);
  UpdateWindow(doomedCombo->ListHandle());

  for (int round = 0; round < 2; ++round) {
    manager->SetActive(false);
    EXPECT_EQ(adapter_test::ItemCount(adapter_test::FormCtrlAdapter(form.get())), 0);
    manager->SetActive(true);
    EXPECT_NE(adapter_test::ItemAdapterOf(adapter_test::FormCtrlAdapter(form.get()), movedList), nullptr);
  }
  delete doomedCombo;
  delete doomedView;
  movedList->SetParent(panel);
  movedTree->SetParent(panel);
  auto* late = Place<vcl::TListView>(100, 80, panel);
  SendMessageA(form->Handle(), SM_ALPHACMD, MAKEWPARAM(0, cmdControlLoaded), 0);
  EXPECT_NE(adapter_test::ItemAdapterOf(adapter_test::FormCtrlAdapter(form.get()), late), nullptr);

  manager->SetActive(false);
  EXPECT_EQ(adapter_test::ItemCount(adapter_test::FormCtrlAdapter(form.get())), 0);
  for (vcl::TWinControl* control : std::initializer_list<vcl::TWinControl*>{movedList, movedTree, late}) {
    EXPECT_EQ(GetWndAdapter(control->Handle()), nullptr) << control->ClassName();
    EXPECT_FALSE(WndAnswersAlphaCmd(control->Handle(), cmdIsSkinned)) << control->ClassName();
  }
  SendMessageA(movedList->Handle(), LB_SETCURSEL, 0, 0);
  EXPECT_EQ(SendMessageA(movedList->Handle(), LB_GETCURSEL, 0, 0), 0);
}

}  // namespace
