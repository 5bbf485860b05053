// Forms: creation from form data with its events, showing and hiding, the modal loop and its
// result, closing with the action the handler chooses, and release.
#include <gtest/gtest.h>

#include "tests/vcl/controls/controls_test_util.h"
#include "vcl/controls/menus.h"
#include "vcl/controls/screen.h"
#include "vcl/controls/timer.h"
#include "vcl/classes/typeinfo.h"

using namespace vcl;
using namespace controls_test;

namespace {

class TEventForm : public TForm {
  VCL_CLASS(TEventForm, TForm)
  explicit TEventForm(TComponent* owner) : TForm(owner) {}
  TSolidControl* Box = nullptr;
  TSolidControl* Other = nullptr;
  std::vector<std::string> log;
  void FormCreate(TObject*) { log.push_back(std::string("create:") + (Box ? Box->Name() : "none")); }
  void FormShow(TObject*) { log.push_back("show"); }
  void BoxClick(TObject*) { log.push_back("click"); }
};

}  // namespace

VCL_PUBLISHED(TEventForm, p) {
  p.Field("Box", &TEventForm::Box)
      .Field("Other", &TEventForm::Other)
      .Method("FormCreate", &TEventForm::FormCreate)
      .Method("FormShow", &TEventForm::FormShow)
      .Method("BoxClick", &TEventForm::BoxClick);
}

namespace {

class FormTest : public ControlsTest {};

TEST_F(FormTest, FormDataFillsFieldsBindsEventsAndFiresOnCreateAfterReading) {
  std::unique_ptr<TEventForm> form(NewForm<TEventForm>(nullptr));
  ASSERT_NE(form->Box, nullptr);
  EXPECT_EQ(form->log, (std::vector<std::string>{"create:Box"}));
  EXPECT_EQ(form->Caption(), "Events");
  EXPECT_EQ(form->ClientWidth(), 200);
  EXPECT_EQ(form->ClientHeight(), 120);
  // Tab order as the form data gave it, not as the controls were created.
  EXPECT_EQ(form->Other->TabOrder(), 0);
  EXPECT_EQ(form->Box->TabOrder(), 1);
  EXPECT_FALSE(form->Visible());
  form->Show();
  EXPECT_EQ(form->log.back(), "show");
  form->Box->Click();
  EXPECT_EQ(form->log.back(), "click");
  EXPECT_EQ(form->Left(), 120);
  EXPECT_EQ(form->Top(), 80);
}

TEST_F(FormTest, ShowAndHideFireTheirEventsAndShowTheWindow) {
  auto form = NewTestForm();
  std::vector<std::string> log;
  form->OnShow = [&](TObject*) { log.push_back("show"); };
  form->OnHide = [&](TObject*) { log.push_back("hide"); };
  form->Show();
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  EXPECT_TRUE(form->Showing());
  form->Hide();
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  EXPECT_EQ(log, (std::vector<std::string>{"show", "hide"}));
}

TEST_F(FormTest, FormStyleAndBorderBecomeWindowStyles) {
  struct Case {
    TFormBorderStyle border;
    DWORD present, absent;
  } cases[] = {
      {bsSizeable, WS_THICKFRAME | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, WS_CHILD},
      {bsSingle, WS_CAPTION | WS_BORDER, WS_THICKFRAME},
      {bsNone, WS_POPUP, WS_CAPTION | WS_SYSMENU},
      {bsDialog, WS_POPUP | WS_CAPTION, WS_MINIMIZEBOX | WS_THICKFRAME},
  };
  for (const Case& c : cases) {
    auto form = NewTestForm();
    form->SetBorderStyle(c.border);
    DWORD style = static_cast<DWORD>(GetWindowLongPtrA(form->Handle(), GWL_STYLE));
    EXPECT_EQ(style & c.present, c.present) << c.border;
    EXPECT_EQ(style & c.absent, 0u) << c.border;
  }
  auto top = NewTestForm();
  top->SetFormStyle(fsStayOnTop);
  EXPECT_TRUE(GetWindowLongPtrA(top->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(FormTest, ScreenCenterPlacesTheFormInTheWorkArea) {
  auto form = NewTestForm(200, 100);
  form->SetPosition(poScreenCenter);
  form->Show();
  TRect work = Screen->WorkAreaRect();
  EXPECT_EQ(form->Left(), work.left + (work.right - work.left - 200) / 2);
  EXPECT_EQ(form->Top(), work.top + (work.bottom - work.top - 100) / 2);
}

// Ends a modal loop from inside it: the timer fires while ShowModal handles messages.
void AfterModalStarts(TCustomForm* form, std::function<void()> action, std::unique_ptr<TTimer>& timer) {
  timer = std::make_unique<TTimer>(nullptr);
  timer->SetInterval(10);
  timer->OnTimer = [form, action, &timer](TObject*) {
    if (!form->FormState().Contains(fsModal)) return;
    timer->SetEnabled(false);
    action();
  };
}

TEST_F(FormTest, ShowModalReturnsTheModalResultAndDisablesOtherWindows) {
  auto main = NewTestForm();
  main->Show();
  auto dialog = NewTestForm(200, 100);
  bool mainWasDisabled = false;
  std::unique_ptr<TTimer> timer;
  AfterModalStarts(dialog.get(), [&] {
    mainWasDisabled = !IsWindowEnabled(main->Handle());
    dialog->SetModalResult(mrOk);
  }, timer);
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_TRUE(mainWasDisabled);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  EXPECT_FALSE(dialog->Visible());
  EXPECT_FALSE(dialog->FormState().Contains(fsModal));
}

TEST_F(FormTest, CloseInAModalFormCancelsAndCloseQueryCanKeepItOpen) {
  auto dialog = NewTestForm(200, 100);
  int queries = 0;
  dialog->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++queries > 1; };
  // Two closes from inside the loop: CloseQuery refuses the first, the form stays.
  TTimer timer(nullptr);
  timer.SetInterval(10);
  int closes = 0;
  bool openAfterFirst = false;
  timer.OnTimer = [&](TObject*) {
    if (!dialog->FormState().Contains(fsModal)) return;
    if (closes == 1) openAfterFirst = dialog->Visible();
    if (++closes == 2) timer.SetEnabled(false);
    dialog->Close();
  };
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  EXPECT_TRUE(openAfterFirst);
  EXPECT_EQ(queries, 2);
}

TEST_F(FormTest, ShowModalRefusesAVisibleForm) {
  auto form = NewTestForm();
  form->Show();
  EXPECT_THROW(form->ShowModal(), EInvalidOperation);
}

TEST_F(FormTest, CloseActionsHideFreeOrKeep) {
  struct Case {
    TCloseAction action;
    bool visibleAfter;
    bool freed;
  } cases[] = {{caHide, false, false}, {caNone, true, false}, {caFree, false, true}};
  for (const Case& c : cases) {
    auto* form = new TForm(nullptr);
    bool destroyed = false;
    form->OnDestroy = [&](TObject*) { destroyed = true; };
    form->OnClose = [&](TObject*, TCloseAction& action) { action = c.action; };
    form->Show();
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    // Release frees the form only when the messages queued before are handled.
    EXPECT_FALSE(destroyed);
    Application->ProcessMessages();
    EXPECT_EQ(destroyed, c.freed) << c.action;
    if (!c.freed) {
      EXPECT_EQ(form->Visible(), c.visibleAfter) << c.action;
      delete form;
    }
  }
}

TEST_F(FormTest, MainFormCloseEndsTheLoop) {
  // Run with a main form ends when that form closes; a form made by CreateForm is the main
  // one when it is the first.
  ASSERT_EQ(Application->MainForm(), nullptr);
  TForm* main = nullptr;
  Application->CreateForm(main);
  EXPECT_EQ(Application->MainForm(), main);
  std::unique_ptr<TTimer> timer = std::make_unique<TTimer>(nullptr);
  timer->SetInterval(10);
  timer->OnTimer = [&](TObject*) {
    timer->SetEnabled(false);
    main->Close();
  };
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
  delete main;
  EXPECT_EQ(Application->MainForm(), nullptr);
  // Without a main form Run returns at once, leaving the application ready for the next test.
  Application->Run();
  EXPECT_FALSE(Application->Terminated());
}

TEST_F(FormTest, ScreenListsFormsMostRecentlyActiveFirst) {
  int before = Screen->FormCount();
  auto a = NewTestForm();
  auto b = NewTestForm();
  EXPECT_EQ(Screen->FormCount(), before + 2);
  a->Show();
  b->Show();
  a->SetFocus();
  Application->ProcessMessages();
  EXPECT_EQ(Screen->ActiveForm(), a.get());
  EXPECT_EQ(Screen->Forms(0), a.get());
  b.reset();
  EXPECT_EQ(Screen->FormCount(), before + 1);
}

}  // namespace

namespace {

TEST_F(FormTest, FormShowsItsIconOrTheApplications) {
  auto form = NewTestForm();
  form->Show();
  auto iconOf = [&] { return reinterpret_cast<HICON>(SendMessageA(form->Handle(), WM_GETICON, ICON_BIG, 0)); };
  EXPECT_EQ(iconOf(), Application->Icon()->Handle());
  TIcon own;
  own.SetHandle(CopyIcon(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_WARNING))));
  form->SetIcon(&own);
  EXPECT_FALSE(form->Icon()->Empty());
  EXPECT_EQ(iconOf(), form->Icon()->Handle());
  EXPECT_NE(iconOf(), Application->Icon()->Handle());
}

TEST_F(FormTest, AlphaBlendMakesTheWindowLayered) {
  auto form = NewTestForm();
  form->SetAlphaBlendValue(128);
  form->SetAlphaBlend(true);
  form->Show();
  HWND wnd = form->Handle();
  EXPECT_TRUE(GetWindowLongPtrA(wnd, GWL_EXSTYLE) & WS_EX_LAYERED);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(wnd, nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 128);
  EXPECT_TRUE(flags & LWA_ALPHA);
  form->SetAlphaBlend(false);
  EXPECT_FALSE(GetWindowLongPtrA(wnd, GWL_EXSTYLE) & WS_EX_LAYERED);
}

}  // namespace

namespace {

TEST_F(FormTest, MenusAreSetByNameAsFormDataDoes) {
  auto form = NewTestForm();
  form->SetName("MenuForm");
  auto* control = new TSolidControl(form.get());
  control->SetParent(form.get());
  auto* popup = new TPopupMenu(form.get());
  popup->SetName("Popup1");
  auto* bar = new TMainMenu(form.get());
  bar->SetName("Bar1");
  bar->Items()->Add(new TMenuItem(form.get()));
  SetPropValue(control, "PopupMenu", "Popup1");
  SetPropValue(form.get(), "Menu", "Bar1");
  EXPECT_EQ(control->PopupMenu(), popup);
  EXPECT_EQ(form->Menu(), bar);
  form->Show();
  EXPECT_NE(GetMenu(form->Handle()), nullptr);
  // A menu freed before its users leaves no reference behind.
  delete popup;
  EXPECT_EQ(control->PopupMenu(), nullptr);
  delete bar;
  EXPECT_EQ(form->Menu(), nullptr);
  EXPECT_EQ(GetMenu(form->Handle()), nullptr);
}

}  // namespace
