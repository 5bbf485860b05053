// The common controls driven through their comctl32 windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/vcl/stdctrls/stdctrls_test_util.h"
#include "vcl/stdctrls/comctrls.h"
#include "vcl/classes/typeinfo.h"

using namespace vcl;

namespace {

void ComctrlsClickAt(HWND wnd, int x, int y) {
  SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

}  // namespace

class ComCtrls : public StdCtrlsTest {};

TEST_F(ComCtrls, TrackBarFollowsItsWindowAndTheKeyboard) {
  TForm* form = NewForm();
  auto* bar = Place<TTrackBar>(form, 2, 102, 182, 27);
  bar->SetMax(255);
  bar->SetPosition(255);
  bar->SetTickStyle(tsNone);
  bar->SetThumbLength(10);
  std::vector<int> changes;
  bar->OnChange = [&](TObject*) { changes.push_back(bar->Position()); };
  form->Show();
  HWND wnd = bar->Handle();
  EXPECT_EQ(WindowClass(wnd), "TTrackBar");
  EXPECT_EQ(SendMessageA(wnd, TBM_GETPOS, 0, 0), 255);
  EXPECT_EQ(SendMessageA(wnd, TBM_GETRANGEMAX, 0, 0), 255);
  EXPECT_TRUE(GetWindowLongA(wnd, GWL_STYLE) & TBS_NOTICKS);
  EXPECT_TRUE(changes.empty());  // set from code: no event

  SendMessageA(wnd, TBM_SETPOS, TRUE, 100);
  EXPECT_EQ(bar->Position(), 100);

  bar->SetFocus();
  PressKey(wnd, VK_LEFT);
  EXPECT_EQ(bar->Position(), 99);
  PressKey(wnd, VK_HOME);
  EXPECT_EQ(bar->Position(), 0);
  PressKey(wnd, VK_HOME);  // already at the start: nothing changes
  EXPECT_EQ(changes, (std::vector<int>{99, 0}));
  form->Hide();
}

TEST_F(ComCtrls, TrackBarRangeAndSelectionReachTheWindow) {
  TForm* form = NewForm();
  auto* bar = Place<TTrackBar>(form, 0, 0, 150, 45);
  struct Case {
    int min, max, position, expected;
  } cases[] = {{0, 100, 50, 50}, {10, 20, 50, 20}, {10, 20, 0, 10}, {-5, 5, -3, -3}};
  for (const Case& c : cases) {
    bar->SetMin(c.min);
    bar->SetMax(c.max);
    bar->SetPosition(c.position);
    EXPECT_EQ(bar->Position(), c.expected);
    EXPECT_EQ(SendMessageA(bar->Handle(), TBM_GETPOS, 0, 0), c.expected);
    EXPECT_EQ(SendMessageA(bar->Handle(), TBM_GETRANGEMIN, 0, 0), c.min);
  }
  bar->SetSelStart(-2);
  bar->SetSelEnd(3);
  EXPECT_EQ(SendMessageA(bar->Handle(), TBM_GETSELSTART, 0, 0), -2);
  EXPECT_EQ(SendMessageA(bar->Handle(), TBM_GETSELEND, 0, 0), 3);
  // Recreating the window keeps the state.
  bar->SetOrientation(trVertical);
  EXPECT_EQ(bar->Position(), -3);
  EXPECT_TRUE(GetWindowLongA(bar->Handle(), GWL_STYLE) & TBS_VERT);
}

TEST_F(ComCtrls, UpDownStepsItsBuddy) {
  TForm* form = NewForm();
  auto* edit = Place<TEdit>(form, 10, 10, 60, 21);
  auto* updown = Place<TUpDown>(form, 70, 10, 16, 21);
  updown->SetMin(0);
  updown->SetMax(10);
  updown->SetPosition(5);
  updown->SetAssociate(edit);
  std::vector<TUDBtnType> clicks;
  updown->OnClick = [&](TObject*, TUDBtnType button) { clicks.push_back(button); };
  form->Show();
  EXPECT_EQ(WindowClass(updown->Handle()), "TUpDown");
  EXPECT_EQ(edit->Text(), "5");
  edit->SetFocus();
  PressKey(edit->Handle(), VK_UP);
  EXPECT_EQ(updown->Position(), 6);
  EXPECT_EQ(edit->Text(), "6");
  EXPECT_EQ(clicks, std::vector<TUDBtnType>{btNext});
  bool allow = false;
  updown->OnChanging = [&](TObject*, bool& allowChange) { allowChange = allow; };
  PressKey(edit->Handle(), VK_UP);
  EXPECT_EQ(updown->Position(), 6);
  form->Hide();
}

TEST_F(ComCtrls, ProgressBarSteps) {
  TForm* form = NewForm();
  auto* bar = Place<TProgressBar>(form, 0, 0, 150, 16);
  bar->SetStep(30);
  bar->StepIt();
  bar->StepIt();
  EXPECT_EQ(bar->Position(), 60);
  EXPECT_EQ(SendMessageA(bar->Handle(), PBM_GETPOS, 0, 0), 60);
  bar->StepBy(-10);
  EXPECT_EQ(bar->Position(), 50);
  bar->SetPosition(500);
  EXPECT_EQ(bar->Position(), 100);
  EXPECT_EQ(WindowClass(bar->Handle()), "TProgressBar");
}

TEST_F(ComCtrls, PageControlShowsOnePageAtATime) {
  TForm* form = NewForm();
  auto* pages = Place<TPageControl>(form, 0, 0, 300, 200);
  std::vector<TTabSheet*> sheets;
  for (const char* caption : {"JPEG", "TIFF", "GIF"}) {
    auto* sheet = new TTabSheet(form);
    sheet->SetPageControl(pages);
    sheet->SetCaption(caption);
    sheets.push_back(sheet);
  }
  pages->SetActivePage(sheets[0]);
  int changes = 0;
  pages->OnChange = [&](TObject*) { ++changes; };
  form->Show();
  HWND wnd = pages->Handle();
  ASSERT_EQ(SendMessageA(wnd, TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_TRUE(sheets[0]->Visible());
  EXPECT_FALSE(sheets[1]->Visible());
  TRect display = pages->DisplayRect();
  EXPECT_EQ(sheets[0]->Top(), display.top);

  pages->SetFocus();
  PressKey(wnd, VK_RIGHT);
  EXPECT_EQ(pages->ActivePage(), sheets[1]);
  EXPECT_TRUE(sheets[1]->Visible());
  EXPECT_FALSE(sheets[0]->Visible());
  EXPECT_EQ(changes, 1);

  bool allow = false;
  pages->OnChanging = [&](TObject*, bool& allowChange) { allowChange = allow; };
  PressKey(wnd, VK_RIGHT);
  EXPECT_EQ(pages->ActivePage(), sheets[1]);

  // A hidden tab leaves the list; the pages keep their order.
  sheets[0]->SetTabVisible(false);
  EXPECT_EQ(SendMessageA(wnd, TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(sheets[1]->TabIndex(), 0);
  EXPECT_EQ(sheets[2]->PageIndex(), 2);
  delete sheets[1];
  EXPECT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(pages->ActivePage(), sheets[2]);
  form->Hide();
}

TEST_F(ComCtrls, TabControlTabsAndIndex) {
  TForm* form = NewForm();
  auto* tabs = Place<TTabControl>(form, 0, 0, 300, 100);
  tabs->Tabs()->Add("One");
  tabs->Tabs()->Add("Two");
  tabs->SetTabIndex(1);
  EXPECT_EQ(SendMessageA(tabs->Handle(), TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(tabs->TabIndex(), 1);
  tabs->SetMultiLine(true);  // a new window
  EXPECT_EQ(tabs->TabIndex(), 1);
  EXPECT_EQ(SendMessageA(tabs->Handle(), TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(WindowClass(tabs->Handle()), "TTabControl");
}

TEST_F(ComCtrls, StatusBarPanelsBecomeParts) {
  TForm* form = NewForm();
  auto* bar = new TStatusBar(form);
  bar->SetParent(form);
  TStatusPanel* first = bar->Panels()->Add();
  first->SetText("Ready");
  first->SetWidth(120);
  TStatusPanel* second = bar->Panels()->Add();
  second->SetText("640 x 480");
  second->SetAlignment(taCenter);
  form->Show();
  HWND wnd = bar->Handle();
  int edges[4] = {};
  ASSERT_EQ(SendMessageA(wnd, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 2);
  EXPECT_EQ(edges[0], 120);
  EXPECT_EQ(edges[1], -1);
  char text[64] = {};
  SendMessageA(wnd, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "Ready");
  first->SetText("Busy");
  SendMessageA(wnd, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "Busy");
  bar->SetSimpleText("Loading");
  bar->SetSimplePanel(true);
  EXPECT_TRUE(SendMessageA(wnd, SB_ISSIMPLE, 0, 0));
  EXPECT_EQ(bar->Top() + bar->Height(), form->ClientHeight());  // aligned to the bottom
  form->Hide();
}

TEST_F(ComCtrls, ToolButtonsAreTheBarsEntries) {
  TForm* form = NewForm();
  auto* bar = new TToolBar(form);
  bar->SetParent(form);
  bar->SetShowCaptions(true);
  std::vector<std::string> clicks;
  std::vector<TToolButton*> buttons;
  for (const char* caption : {"Open", "Save", "Grid"}) {
    auto* button = new TToolButton(form);
    button->SetLeft(static_cast<int>(buttons.size()) * 50);
    button->SetCaption(caption);
    button->SetParent(bar);
    button->OnClick = [&clicks, caption](TObject*) { clicks.push_back(caption); };
    buttons.push_back(button);
  }
  buttons[2]->SetStyle(tbsCheck);
  int customDraws = 0;
  bar->OnAdvancedCustomDraw = [&](TToolBar*, const TRect&, TCustomDrawStage, bool&) { ++customDraws; };
  form->Show();
  HWND wnd = bar->Handle();
  EXPECT_EQ(WindowClass(wnd), "TToolBar");
  ASSERT_EQ(SendMessageA(wnd, TB_BUTTONCOUNT, 0, 0), 3);
  EXPECT_EQ(bar->Buttons(1), buttons[1]);
  EXPECT_EQ(buttons[1]->Index(), 1);

  RECT rect{};
  SendMessageA(wnd, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&rect));
  EXPECT_EQ(buttons[1]->Left(), rect.left);
  ComctrlsClickAt(wnd, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  SendMessageA(wnd, TB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&rect));
  ComctrlsClickAt(wnd, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  EXPECT_EQ(clicks, (std::vector<std::string>{"Save", "Grid"}));
  EXPECT_TRUE(buttons[2]->Down());

  RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_GT(customDraws, 0);
  delete buttons[0];
  EXPECT_EQ(SendMessageA(wnd, TB_BUTTONCOUNT, 0, 0), 2);
  form->Hide();
}

TEST_F(ComCtrls, ListAndTreeViewsHoldTheirItems) {
  TForm* form = NewForm();
  auto* list = Place<TListView>(form, 0, 0, 200, 100);
  list->SetViewStyle(vsReport);
  list->AddColumn("Name", 100);
  list->AddColumn("Size", 60);
  list->AddItem("a.bmp", {"10"});
  list->AddItem("b.bmp", {"20"});
  int listChanges = 0;
  list->OnChange = [&](TObject*) { ++listChanges; };
  auto* tree = Place<TTreeView>(form, 0, 110, 200, 100);
  int root = tree->AddNode(-1, "Layers");
  int child = tree->AddNode(root, "Base");
  int treeChanges = 0;
  tree->OnChange = [&](TObject*) { ++treeChanges; };
  form->Show();

  EXPECT_EQ(WindowClass(list->Handle()), "TListView");
  EXPECT_EQ(SendMessageA(list->Handle(), LVM_GETITEMCOUNT, 0, 0), 2);
  list->SetItemIndex(1);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(listChanges, 1);
  list->SetViewStyle(vsList);  // a new window with the same items
  EXPECT_EQ(SendMessageA(list->Handle(), LVM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(list->ItemIndex(), 1);

  EXPECT_EQ(SendMessageA(tree->Handle(), TVM_GETCOUNT, 0, 0), 2);
  tree->SetSelected(child);
  EXPECT_EQ(tree->Selected(), child);
  EXPECT_EQ(treeChanges, 1);
  EXPECT_EQ(tree->NodeParent(child), root);
  EXPECT_THROW(tree->AddNode(7, "x"), EListError);
  form->Hide();
}

TEST_F(ComCtrls, HeaderSectionsAndTheirClicks) {
  TForm* form = NewForm();
  auto* header = new THeaderControl(form);
  header->SetParent(form);
  THeaderSection* name = header->Sections()->Add();
  name->SetText("Name");
  name->SetWidth(100);
  header->Sections()->Add()->SetText("Size");
  std::vector<std::string> clicked;
  header->OnSectionClick = [&](THeaderControl*, THeaderSection* section) { clicked.push_back(section->Text()); };
  form->Show();
  HWND wnd = header->Handle();
  ASSERT_EQ(SendMessageA(wnd, HDM_GETITEMCOUNT, 0, 0), 2);
  RECT rect{};
  SendMessageA(wnd, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rect));
  EXPECT_EQ(rect.right - rect.left, 100);
  ComctrlsClickAt(wnd, 115, (rect.top + rect.bottom) / 2);  // in "Size", away from its divider
  EXPECT_EQ(clicked, std::vector<std::string>{"Size"});
  form->Hide();
}

TEST_F(ComCtrls, PublishedPropertiesOfTheCommonControls) {
  TForm* form = NewForm();
  auto* bar = Place<TTrackBar>(form, 0, 0, 100, 30);
  SetPropValue(bar, "Max", "255");
  SetPropValue(bar, "Position", "255");
  SetPropValue(bar, "TickStyle", "tsNone");
  SetPropValue(bar, "ThumbLength", "10");
  EXPECT_EQ(bar->Position(), 255);
  EXPECT_EQ(bar->TickStyle(), tsNone);
  EXPECT_EQ(GetPropValue(bar, "Frequency"), "1");
  auto* pages = Place<TPageControl>(form, 0, 0, 100, 100);
  EXPECT_NE(GetPropInfo(pages, "ActivePage"), nullptr);
  auto* status = new TStatusBar(form);
  EXPECT_EQ(GetPropValue(status, "Align"), "alBottom");
}
