// The standard controls driven through their real windows: button clicks, default and cancel
// buttons in a modal form, check and radio buttons, edits, combo and list boxes, scroll bars,
// labels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/vcl/stdctrls/stdctrls_test_util.h"
#include "vcl/stdctrls/stdctrls.h"
#include "vcl/classes/typeinfo.h"

using namespace vcl;

namespace {

template <class T>
T* Make(TForm* form, int left = 10, int top = 10) {
  auto* control = new T(form);
  control->SetParent(form);
  control->SetLeft(left);
  control->SetTop(top);
  return control;
}

}  // namespace

class StdCtrls : public StdCtrlsTest {};

TEST_F(StdCtrls, ControlsRunOnThePlatformWindowClasses) {
  TForm* form = NewForm();
  // Each platform class answers WM_GETDLGCODE with its own mark.
  struct Case {
    TWinControl* control;
    LRESULT dialogCode;
  } cases[] = {
      {Make<TButton>(form), DLGC_BUTTON},         {Make<TCheckBox>(form), DLGC_BUTTON},
      {Make<TRadioButton>(form), DLGC_RADIOBUTTON}, {Make<TEdit>(form), DLGC_HASSETSEL},
      {Make<TMemo>(form), DLGC_HASSETSEL},        {Make<TComboBox>(form), DLGC_WANTCHARS},
      {Make<TListBox>(form), DLGC_WANTCHARS},     {Make<TScrollBar>(form), DLGC_WANTARROWS},
      {Make<TStaticText>(form), DLGC_STATIC},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WindowClass(c.control->Handle()), c.control->ClassName());
    EXPECT_TRUE(SendMessageA(c.control->Handle(), WM_GETDLGCODE, 0, 0) & c.dialogCode) << c.control->ClassName();
  }
}

TEST_F(StdCtrls, ButtonClickFiresOnClickOnce) {
  TForm* form = NewForm();
  auto* button = Make<TButton>(form);
  button->SetCaption("&Load");
  int clicks = 0;
  button->OnClick = [&](TObject* sender) {
    EXPECT_EQ(sender, button);
    ++clicks;
  };
  form->Show();
  SendMessageA(button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
  // The accelerator presses it too.
  EXPECT_NE(form->Perform(CM_DIALOGCHAR, 'L', 0), 0);
  EXPECT_EQ(clicks, 2);
  button->SetEnabled(false);
  SendMessageA(button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 2);
  form->Hide();
}

namespace {
// Waits for the form to show, then presses a key in the focused control of its thread.
struct KeyJob {
  HWND target;
  WPARAM key;
};
DWORD WINAPI PressWhenVisible(void* param) {
  auto* job = static_cast<KeyJob*>(param);
  for (int round = 0; round < 1500 && !IsWindowVisible(GetAncestor(job->target, GA_ROOT)); ++round) Sleep(20);
  Sleep(50);
  PostMessageA(job->target, WM_KEYDOWN, job->key, 1);
  PostMessageA(job->target, WM_KEYUP, job->key, 0xC0000001);
  return 0;
}
}  // namespace

TEST_F(StdCtrls, DefaultAndCancelButtonsAnswerEnterAndEscapeInAModalForm) {
  struct Case {
    WPARAM key;
    TModalResult expected;
  } cases[] = {{VK_RETURN, mrOk}, {VK_ESCAPE, mrCancel}};
  for (const Case& c : cases) {
    TForm* form = NewForm();
    auto* edit = Make<TEdit>(form, 10, 10);
    auto* ok = Make<TButton>(form, 10, 50);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    auto* cancel = Make<TButton>(form, 100, 50);
    cancel->SetCaption("Cancel");
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    int okClicks = 0;
    ok->OnClick = [&](TObject*) { ++okClicks; };
    form->SetActiveControl(edit);

    KeyJob job{edit->Handle(), c.key};
    HANDLE thread = CreateThread(nullptr, 0, PressWhenVisible, &job, 0, nullptr);
    int result = form->ShowModal();
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(result, c.expected) << c.key;
    EXPECT_EQ(okClicks, c.expected == mrOk ? 1 : 0);
  }
}

TEST_F(StdCtrls, AFocusedButtonTakesEnterFromTheDefaultOne) {
  TForm* form = NewForm();
  auto* first = Make<TButton>(form, 10, 10);
  first->SetDefault(true);
  auto* second = Make<TButton>(form, 100, 10);
  form->Show();
  EXPECT_EQ(GetWindowLongA(first->Handle(), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
  second->SetFocus();
  EXPECT_EQ(GetWindowLongA(first->Handle(), GWL_STYLE) & 0x0F, BS_PUSHBUTTON);
  EXPECT_EQ(GetWindowLongA(second->Handle(), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
  form->Hide();
}

TEST_F(StdCtrls, CheckBoxCyclesItsStates) {
  TForm* form = NewForm();
  auto* box = Make<TCheckBox>(form);
  int clicks = 0;
  box->OnClick = [&](TObject*) { ++clicks; };
  form->Show();
  struct Step {
    bool allowGrayed;
    TCheckBoxState expected;
  } steps[] = {{false, cbChecked}, {false, cbUnchecked}, {true, cbGrayed}, {true, cbChecked}, {true, cbUnchecked}};
  int expectedClicks = 0;
  for (const Step& step : steps) {
    box->SetAllowGrayed(step.allowGrayed);
    SendMessageA(box->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(box->State(), step.expected);
    EXPECT_EQ(SendMessageA(box->Handle(), BM_GETCHECK, 0, 0), static_cast<LRESULT>(step.expected));
    EXPECT_EQ(clicks, ++expectedClicks);
  }
  // Setting Checked from code fires OnClick as well, but only on a change.
  box->SetChecked(true);
  box->SetChecked(true);
  EXPECT_EQ(clicks, expectedClicks + 1);
  form->Hide();
}

// Check marks sit left of their text (the text is right-justified against the box) until
// right-to-left alignment is in use, which this program's locales never are.
TEST_F(StdCtrls, CheckAndRadioButtonsKeepTheirBoxOnTheLeft) {
  TForm* form = NewForm();
  auto* box = Make<TCheckBox>(form);
  auto* radio = Make<TRadioButton>(form, 10, 40);
  auto* button = Make<TButton>(form, 10, 70);
  for (TLeftRight alignment : {taLeftJustify, taRightJustify}) {
    box->SetAlignment(alignment);
    radio->SetAlignment(alignment);
    EXPECT_EQ(box->GetControlsAlignment(), taRightJustify);
    EXPECT_EQ(radio->GetControlsAlignment(), taRightJustify);
  }
  EXPECT_EQ(button->GetControlsAlignment(), taLeftJustify);
}

TEST_F(StdCtrls, RadioButtonsOfOneParentAreExclusive) {
  TForm* form = NewForm();
  std::vector<TRadioButton*> buttons;
  std::vector<int> clicks(3, 0);
  for (int i = 0; i < 3; ++i) {
    buttons.push_back(Make<TRadioButton>(form, 10, 10 + 25 * i));
    buttons[i]->OnClick = [&clicks, i](TObject*) { ++clicks[static_cast<std::size_t>(i)]; };
  }
  buttons[0]->SetChecked(true);
  form->Show();
  SendMessageA(buttons[2]->Handle(), BM_CLICK, 0, 0);
  EXPECT_FALSE(buttons[0]->Checked());
  EXPECT_TRUE(buttons[2]->Checked());
  EXPECT_EQ(SendMessageA(buttons[0]->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageA(buttons[2]->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(clicks, (std::vector<int>{1, 0, 1}));
  // Clicking the checked one again changes nothing.
  SendMessageA(buttons[2]->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks[2], 1);
  EXPECT_TRUE(buttons[2]->TabStop());
  EXPECT_FALSE(buttons[0]->TabStop());
  form->Hide();
}

TEST_F(StdCtrls, EditTextChangesFireOnChange) {
  TForm* form = NewForm();
  auto* edit = Make<TEdit>(form);
  std::vector<std::string> seen;
  edit->OnChange = [&](TObject*) { seen.push_back(edit->Text()); };
  form->Show();
  SendMessageA(edit->Handle(), WM_CHAR, 'a', 1);
  SendMessageA(edit->Handle(), WM_CHAR, 'b', 1);
  EXPECT_TRUE(edit->Modified());
  edit->SetText("xyz");
  EXPECT_EQ(seen, (std::vector<std::string>{"a", "ab", "xyz"}));
  EXPECT_FALSE(edit->Modified());

  edit->SetMaxLength(4);
  edit->SetText("");
  for (char c : std::string("123456")) SendMessageA(edit->Handle(), WM_CHAR, static_cast<WPARAM>(c), 1);
  EXPECT_EQ(edit->Text(), "1234");
  edit->SetSelStart(1);
  edit->SetSelLength(2);
  EXPECT_EQ(edit->SelText(), "23");
  edit->SetSelText("x");
  EXPECT_EQ(edit->Text(), "1x4");
  form->Hide();
}

// Wrapping code (skinned edits and combo boxes) learns of a change from CM_CHANGED, sent
// before OnChange with the control in lParam.
TEST_F(StdCtrls, EditsAndCombosTellEachChangeAsCMChanged) {
  TForm* form = NewForm();
  auto* edit = Make<TEdit>(form);
  auto* combo = Make<TComboBox>(form, 10, 50);
  std::vector<std::string> log;
  for (TWinControl* control : std::vector<TWinControl*>{edit, combo}) {
    TWndMethod previous = control->WindowProc;
    control->WindowProc = [&log, control, previous](TMessage& m) {
      if (m.Msg == CM_CHANGED) log.push_back(m.LParam == reinterpret_cast<LPARAM>(control) ? "changed" : "other");
      previous(m);
    };
  }
  edit->OnChange = [&](TObject*) { log.push_back("edit"); };
  combo->OnChange = [&](TObject*) { log.push_back("combo"); };
  form->Show();
  SendMessageA(edit->Handle(), WM_CHAR, 'a', 1);
  combo->SetText("typed");
  SendMessageA(combo->Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(combo->Handle()));
  EXPECT_EQ(log, (std::vector<std::string>{"changed", "edit", "changed", "combo"}));
  form->Hide();
}

TEST_F(StdCtrls, EditStylesReachTheWindow) {
  TForm* form = NewForm();
  auto* edit = Make<TEdit>(form);
  edit->SetPasswordChar('*');
  edit->SetReadOnly(true);
  edit->SetCharCase(ecUpperCase);
  edit->SetText("secret");
  HWND wnd = edit->Handle();
  DWORD style = static_cast<DWORD>(GetWindowLongA(wnd, GWL_STYLE));
  EXPECT_TRUE(style & ES_READONLY);
  EXPECT_TRUE(style & ES_UPPERCASE);
  EXPECT_EQ(SendMessageA(wnd, EM_GETPASSWORDCHAR, 0, 0), '*');
  EXPECT_EQ(edit->Text(), "SECRET");
  EXPECT_TRUE(GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
}

TEST_F(StdCtrls, MemoLinesFollowTheText) {
  TForm* form = NewForm();
  auto* memo = Make<TMemo>(form);
  memo->Lines()->Add("first");
  memo->Lines()->Add("second");
  memo->Lines()->Insert(1, "middle");
  EXPECT_EQ(memo->Text(), "first\r\nmiddle\r\nsecond");
  EXPECT_EQ(memo->Lines()->Count(), 3);
  memo->Lines()->Delete(0);
  EXPECT_EQ(memo->Lines()->Strings(0), "middle");
  EXPECT_THROW(memo->Lines()->Strings(5), EStringListError);
  EXPECT_TRUE(GetWindowLongA(memo->Handle(), GWL_STYLE) & ES_MULTILINE);
  EXPECT_EQ(SendMessageA(memo->Handle(), EM_GETLINECOUNT, 0, 0), 2);
}

TEST_F(StdCtrls, ComboSelectionFiresItsEventsOnce) {
  TForm* form = NewForm();
  auto* combo = Make<TComboBox>(form);
  combo->SetStyle(csDropDownList);
  for (const char* name : {"Linear", "Diagonal", "Radial"}) combo->Items()->Add(name);
  int changes = 0, selects = 0, clicks = 0;
  combo->OnChange = [&](TObject*) { ++changes; };
  combo->OnClick = [&](TObject*) { ++clicks; };
  combo->SetItemIndex(0);  // from code: no event
  form->Show();
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(combo->Text(), "Linear");

  // Without OnSelect a selection is a change.
  PressKey(combo->Handle(), VK_DOWN);
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(combo->Text(), "Diagonal");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(clicks, 1);

  combo->OnSelect = [&](TObject*) { ++selects; };
  PressKey(combo->Handle(), VK_DOWN);
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(selects, 1);
  EXPECT_EQ(changes, 1);
  form->Hide();
}

TEST_F(StdCtrls, ComboDropDownAndCloseUpEvents) {
  TForm* form = NewForm();
  auto* combo = Make<TComboBox>(form);
  for (int i = 0; i < 20; ++i) combo->Items()->Add("Item " + std::to_string(i));
  std::vector<std::string> events;
  combo->OnDropDown = [&](TObject*) { events.push_back("drop"); };
  combo->OnCloseUp = [&](TObject*) { events.push_back("close"); };
  form->Show();
  combo->SetDroppedDown(true);
  EXPECT_TRUE(combo->DroppedDown());
  ASSERT_NE(combo->ListHandle(), nullptr);
  EXPECT_EQ(WindowClass(combo->ListHandle()), "ComboLBox");
  RECT list{};
  GetWindowRect(combo->ListHandle(), &list);
  EXPECT_LE(list.bottom - list.top, combo->ItemHeight() * combo->DropDownCount() + 8);
  combo->SetDroppedDown(false);
  EXPECT_EQ(events, (std::vector<std::string>{"drop", "close"}));
  EXPECT_NE(combo->EditHandle(), nullptr);
  form->Hide();
}

TEST_F(StdCtrls, ComboFreedWithItsListDroppedLeavesCleanly) {
  TForm* form = NewForm();
  auto* combo = Make<TComboBox>(form);
  for (int i = 0; i < 20; ++i) combo->Items()->Add("Item " + std::to_string(i));
  form->Show();
  combo->SetDroppedDown(true);
  HWND list = combo->ListHandle();
  ASSERT_NE(list, nullptr);
  delete combo;
  EXPECT_FALSE(IsWindow(list));
  form->Hide();
}

TEST_F(StdCtrls, ComboItemsSurviveTheWindow) {
  TForm* form = NewForm();
  auto* combo = Make<TComboBox>(form);
  combo->Items()->Add("b");
  combo->Items()->Add("a");
  combo->SetItemIndex(1);
  combo->Handle();
  EXPECT_EQ(SendMessageA(combo->Handle(), CB_GETCOUNT, 0, 0), 2);
  combo->SetSorted(true);
  EXPECT_EQ(combo->Items()->Strings(0), "a");
  char text[16] = {};
  SendMessageA(combo->Handle(), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "a");
  combo->SetItemIndex(1);
  combo->SetStyle(csDropDownList);  // a new window
  EXPECT_EQ(SendMessageA(combo->Handle(), CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(combo->ItemIndex(), 1);
  combo->Items()->Delete(1);
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_THROW(combo->Items()->Delete(4), EStringListError);
}

TEST_F(StdCtrls, OwnerDrawnComboDrawsThroughItsEvent) {
  TForm* form = NewForm();
  auto* combo = Make<TComboBox>(form);
  combo->SetStyle(csOwnerDrawFixed);
  combo->SetItemHeight(20);
  combo->Items()->Add("one");
  combo->SetItemIndex(0);
  std::vector<int> drawn;
  combo->OnDrawItem = [&](TWinControl* control, int index, TRect rect, TOwnerDrawState state) {
    EXPECT_EQ(control, combo);
    drawn.push_back(index);
    combo->Canvas()->FillRect(rect);
    (void)state;
  };
  form->Show();
  UpdateWindow(form->Handle());
  RedrawWindow(combo->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.back(), 0);
  EXPECT_EQ(SendMessageA(combo->Handle(), CB_GETITEMHEIGHT, 0, 0), 20);
  form->Hide();
}

TEST_F(StdCtrls, ListBoxSelectionFiresOnClickOnce) {
  TForm* form = NewForm();
  auto* list = Make<TListBox>(form);
  for (const char* name : {"Stretch To Fit", "Tile Image", "Center"}) list->Items()->Add(name);
  int clicks = 0;
  list->OnClick = [&](TObject*) { ++clicks; };
  list->SetItemIndex(0);
  form->Show();
  list->SetFocus();
  PressKey(list->Handle(), VK_DOWN);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(list->Selected(1));
  EXPECT_EQ(list->SelCount(), -1);

  TRect second = list->ItemRect(2);
  EXPECT_EQ(list->ItemAtPos(TPoint{second.left + 2, second.top + 2}, true), 2);
  EXPECT_EQ(list->ItemAtPos(TPoint{2, 1000}, true), -1);
  form->Hide();
}

TEST_F(StdCtrls, MultiSelectListKeepsItsSelectionAcrossWindows) {
  TForm* form = NewForm();
  auto* list = Make<TListBox>(form);
  list->SetMultiSelect(true);
  for (const char* name : {"a", "b", "c", "d"}) list->Items()->Add(name);
  list->SetSelected(1, true);
  list->SetSelected(3, true);
  EXPECT_EQ(list->SelCount(), 2);
  list->Handle();
  EXPECT_EQ(SendMessageA(list->Handle(), LB_GETSELCOUNT, 0, 0), 2);
  list->SetExtendedSelect(false);  // a new window
  EXPECT_TRUE(list->Selected(1));
  EXPECT_FALSE(list->Selected(2));
  EXPECT_TRUE(list->Selected(3));
  EXPECT_THROW(list->Selected(9), EListError);
}

TEST_F(StdCtrls, ScrollBarFollowsItsWindowAndChecksItsRange) {
  TForm* form = NewForm();
  auto* bar = Make<TScrollBar>(form);
  bar->SetLargeChange(10);
  int changes = 0;
  std::vector<TScrollCode> codes;
  bar->OnChange = [&](TObject*) { ++changes; };
  bar->OnScroll = [&](TObject*, TScrollCode code, int&) { codes.push_back(code); };
  form->Show();
  struct Step {
    WORD code;
    int expected;
  } steps[] = {{SB_LINEDOWN, 1}, {SB_PAGEDOWN, 11}, {SB_LINEUP, 10}, {SB_BOTTOM, 100}, {SB_LINEDOWN, 100}, {SB_TOP, 0}};
  for (const Step& step : steps) {
    SendMessageA(form->Handle(), WM_HSCROLL, MAKEWPARAM(step.code, 0), reinterpret_cast<LPARAM>(bar->Handle()));
    EXPECT_EQ(bar->Position(), step.expected) << step.code;
    EXPECT_EQ(GetScrollPos(bar->Handle(), SB_CTL), step.expected);
  }
  EXPECT_EQ(changes, 5);
  EXPECT_EQ(codes.size(), 6u);
  EXPECT_THROW(bar->SetParams(0, 10, 5), EInvalidOperation);
  bar->SetPosition(500);
  EXPECT_EQ(bar->Position(), 100);
  form->Hide();
}

TEST_F(StdCtrls, LabelSizesItselfToItsText) {
  TForm* form = NewForm();
  auto* label = Make<TLabel>(form);
  label->SetCaption("Layer Opacity");
  int oneLine = label->Height();
  int width = label->Width();
  EXPECT_GT(width, 20);
  EXPECT_GT(oneLine, 5);
  label->SetCaption("Layer Opacity, a longer text");
  EXPECT_GT(label->Width(), width);
  EXPECT_EQ(label->Height(), oneLine);
  label->SetCaption("");
  EXPECT_EQ(label->Height(), oneLine);  // an empty caption keeps a line's height

  label->SetAutoSize(false);
  label->SetWidth(10);
  label->SetCaption("No longer sized");
  EXPECT_EQ(label->Width(), 10);
  EXPECT_TRUE(label->ControlStyle().Contains(csOpaque));
  label->SetTransparent(true);
  EXPECT_FALSE(label->ControlStyle().Contains(csOpaque));
}

TEST_F(StdCtrls, LabelAcceleratorFocusesItsControl) {
  TForm* form = NewForm();
  auto* label = Make<TLabel>(form);
  label->SetCaption("&Width");
  auto* edit = Make<TEdit>(form, 10, 40);
  label->SetFocusControl(edit);
  form->Show();
  EXPECT_NE(form->Perform(CM_DIALOGCHAR, 'w', 0), 0);
  EXPECT_TRUE(edit->Focused());
  form->Hide();
}

TEST_F(StdCtrls, GroupBoxClientLiesBelowItsCaption) {
  TForm* form = NewForm();
  auto* group = Make<TGroupBox>(form);
  group->SetCaption(" Base ");
  auto* inner = Make<TButton>(form);
  inner->SetParent(group);
  inner->SetAlign(alTop);
  EXPECT_GT(inner->Top(), 5);
  EXPECT_TRUE(group->ControlStyle().Contains(csAcceptsControls));
}

TEST_F(StdCtrls, AcceleratorsMatchTheMarkedLetter) {
  struct Case {
    WORD key;
    const char* caption;
    bool expected;
  } cases[] = {{'L', "&Load", true},     {'l', "&Load", true},  {'o', "&Load", false},
               {'A', "Save && &As", true}, {'S', "Save && &As", false}, {'X', "Plain", false},
               {'X', "Trailing&", false}};
  for (const Case& c : cases) EXPECT_EQ(IsAccel(c.key, c.caption), c.expected) << c.caption;
}

TEST_F(StdCtrls, FormDataSetsThePublishedProperties) {
  TForm* form = NewForm();
  auto* button = Make<TButton>(form);
  SetPropValue(button, "Default", "True");
  SetPropValue(button, "ModalResult", "1");
  auto* combo = Make<TComboBox>(form);
  SetPropValue(combo, "Style", "csDropDownList");
  SetPropValue(combo, "DropDownCount", "12");
  SetPropValue(combo, "Text", "Choose Mode ...");
  auto* label = Make<TLabel>(form);
  SetPropValue(label, "Layout", "tlCenter");
  SetPropValue(label, "Transparent", "True");
  auto* check = Make<TCheckBox>(form);
  SetPropValue(check, "State", "cbGrayed");
  EXPECT_TRUE(button->Default());
  EXPECT_EQ(button->ModalResult(), mrOk);
  EXPECT_EQ(combo->Style(), csDropDownList);
  EXPECT_EQ(combo->DropDownCount(), 12);
  EXPECT_EQ(label->Layout(), tlCenter);
  EXPECT_TRUE(label->Transparent());
  EXPECT_EQ(check->State(), cbGrayed);
  EXPECT_EQ(GetPropValue(check, "Alignment"), "taRightJustify");
  EXPECT_NE(GetPropInfo(combo, "OnDrawItem"), nullptr);
  EXPECT_NE(GetPropInfo(label, "FocusControl"), nullptr);
}

namespace {

// A 32-bit surface to print into.
struct PrintSurface {
  PrintSurface(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc = CreateCompatibleDC(nullptr);
    old = SelectObject(dc, bitmap);
    RECT all{0, 0, width, height};
    HBRUSH fuchsia = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(dc, &all, fuchsia);
    DeleteObject(fuchsia);
  }
  ~PrintSurface() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
};

}  // namespace

// A bordered edit printed with its form (show animations and control caches take such
// snapshots) shows its sunken frame at its place and its text area inside it, as the screen
// does: not its text area at the frame's place with the form showing past its far corner.
TEST_F(StdCtrls, EditPrintedWithItsFormHasItsFrame) {
  TForm* form = NewForm(200, 100);
  form->SetBorderStyle(bsNone);
  form->SetColor(clLime);
  auto* edit = Make<TEdit>(form, 10, 10);
  edit->SetColor(clYellow);
  form->Show();
  Pump();
  HWND wnd = edit->Handle();
  RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW);
  HideCaret(wnd);  // the caret is the screen's, not the window's
  int width = edit->Width(), height = edit->Height();

  PrintSurface printed(200, 100);
  SendMessageA(form->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(printed.dc),
               PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
  HDC screen = GetWindowDC(wnd);
  int differ = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (GetPixel(printed.dc, 10 + x, 10 + y) != GetPixel(screen, x, y)) ++differ;
  EXPECT_EQ(differ, 0);
  EXPECT_EQ(GetPixel(screen, 0, 0), GetSysColor(COLOR_BTNSHADOW));
  ReleaseDC(wnd, screen);
  EXPECT_EQ(GetPixel(printed.dc, 10, 10), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(GetPixel(printed.dc, 10 + width - 1, 10 + height - 1), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(GetPixel(printed.dc, 14, 14), static_cast<COLORREF>(RGB(255, 255, 0)));
  EXPECT_EQ(GetPixel(printed.dc, 5, 5), static_cast<COLORREF>(RGB(0, 255, 0)));
}
