// Freeing controls that others point at: a focused edit that a label focuses, the panel that
// holds it, the form around them, in several orders. Nothing may keep a pointer to a freed
// control (the form's active and focused control, the screen's active control, the label's
// FocusControl, the parent's lists).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/vcl/stdctrls/stdctrls_test_util.h"
#include "vcl/controls/screen.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace vcl;

namespace {

struct Scene {
  std::unique_ptr<TForm> form;
  TWinControl* panel = nullptr;
  TEdit* edit = nullptr;
  TEdit* other = nullptr;
  TLabel* label = nullptr;
};

// A shown form with a label whose FocusControl is an edit, a second edit, and (with
// `inPanel`) the first edit inside a panel. `ownedByForm` false leaves the controls without an
// owner, so that only their parents free them.
Scene MakeScene(bool inPanel, bool ownedByForm) {
  Scene s;
  s.form = std::make_unique<TForm>(nullptr);
  s.form->SetBounds(100, 100, 300, 200);
  TComponent* owner = ownedByForm ? s.form.get() : nullptr;
  TWinControl* parent = s.form.get();
  if (inPanel) {
    auto* panel = new TGroupBox(owner);
    panel->SetParent(s.form.get());
    panel->SetBounds(0, 0, 200, 100);
    s.panel = panel;
    parent = panel;
  }
  s.label = new TLabel(owner);
  s.label->SetParent(s.form.get());
  s.label->SetCaption("&Name");
  s.label->SetBounds(10, 120, 60, 17);
  s.edit = new TEdit(owner);
  s.edit->SetParent(parent);
  s.edit->SetBounds(20, 20, 100, 21);
  s.other = new TEdit(owner);
  s.other->SetParent(s.form.get());
  s.other->SetBounds(10, 150, 100, 21);
  s.label->SetFocusControl(s.edit);
  s.form->Show();
  s.edit->SetFocus();
  return s;
}

class Lifecycle : public StdCtrlsTest {};

TEST_F(Lifecycle, FreedFocusedEditLeavesNoPointerBehind) {
  struct Case {
    const char* name;
    bool inPanel;
    bool ownedByForm;
    bool freePanel;  // free the panel that holds the edit rather than the edit itself
  } cases[] = {
      {"owned edit on the form", false, true, false},
      {"unowned edit on the form", false, false, false},
      {"owned edit in a panel", true, true, false},
      {"unowned edit in a panel", true, false, false},
      {"panel holding the owned edit", true, true, true},
      {"panel holding the unowned edit", true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene s = MakeScene(c.inPanel, c.ownedByForm);
    ASSERT_TRUE(s.edit->Focused());
    ASSERT_EQ(Screen->ActiveControl(), s.edit);
    if (c.freePanel)
      delete s.panel;
    else
      delete s.edit;
    Pump();
    EXPECT_EQ(s.label->FocusControl(), nullptr);
    EXPECT_EQ(s.form->ActiveControl(), nullptr);
    EXPECT_NE(Screen->ActiveControl(), static_cast<TWinControl*>(s.edit));
    EXPECT_EQ(s.form->ControlCount(), c.inPanel && !c.freePanel ? 3 : 2);
    // The form can still move the focus and be freed with what is left.
    s.other->SetFocus();
    EXPECT_TRUE(s.other->Focused());
    s.form.reset();
    Pump();
  }
}

TEST_F(Lifecycle, FreedEditOfAnInactiveFormIsForgottenByTheScreen) {
  // The focus leaves for a window of no form: the screen still names the edit as its active
  // control until the edit is freed.
  Scene s = MakeScene(false, true);
  HWND outside = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(outside, nullptr);
  SetActiveWindow(outside);
  SetFocus(outside);
  Pump();
  delete s.edit;
  EXPECT_NE(Screen->ActiveControl(), static_cast<TWinControl*>(s.edit));
  EXPECT_EQ(s.form->ActiveControl(), nullptr);
  s.form.reset();
  DestroyWindow(outside);
  Pump();
}

TEST_F(Lifecycle, FormFreesItsControlsInAnyOrder) {
  // The label, the edit and the form go in each order; each step leaves the rest usable.
  enum Step { FreeLabel, FreeEdit, FreeForm };
  const std::vector<std::vector<Step>> orders = {
      {FreeForm},
      {FreeLabel, FreeForm},
      {FreeEdit, FreeForm},
      {FreeLabel, FreeEdit, FreeForm},
      {FreeEdit, FreeLabel, FreeForm},
  };
  for (bool ownedByForm : {true, false})
    for (const auto& order : orders) {
      SCOPED_TRACE(::testing::Message() << "owned " << ownedByForm << ", steps " << order.size());
      Scene s = MakeScene(false, ownedByForm);
      for (Step step : order) {
        switch (step) {
          case FreeLabel:
            delete s.label;
            s.label = nullptr;
            break;
          case FreeEdit:
            delete s.edit;
            s.edit = nullptr;
            if (s.label) {
              EXPECT_EQ(s.label->FocusControl(), nullptr);
            }
            break;
          case FreeForm:
            s.form.reset();
            break;
        }
        Pump();
      }
      EXPECT_EQ(Screen->ActiveControl(), nullptr);
    }
}

}  // namespace
