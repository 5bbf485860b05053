// Actions: what a control takes from its action, executing it, updating it while the program
// is idle (OnUpdate, or CM_ACTIONUPDATE to the forms), action lists, freeing in any order and
// form data.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/vcl/controls/controls_test_util.h"
#include "vcl/controls/actions.h"
#include "vcl/classes/filer.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/runtime/streams.h"

using namespace vcl;
using namespace controls_test;

namespace {

class ActionsTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = NewTestForm();
    panel = new TTestPanel(form.get());
    panel->SetParent(form.get());
    list = new TActionList(form.get());
    action = new TAction(form.get());
    action->SetActionList(list);
    action->SetCaption("Open");
  }

  std::unique_ptr<TForm> form;
  TTestPanel* panel = nullptr;
  TActionList* list = nullptr;
  TAction* action = nullptr;
};

TEST_F(ActionsTest, AControlShowsItsActionAndFollowsItsChanges) {
  panel->SetAction(action);
  EXPECT_EQ(panel->Action(), action);
  EXPECT_TRUE(panel->ControlStyle().Contains(csActionClient));
  EXPECT_EQ(panel->Caption(), "Open");
  action->SetCaption("Open file");
  action->SetEnabled(false);
  action->SetHint("Opens a file");
  action->SetVisible(false);
  EXPECT_EQ(panel->Caption(), "Open file");
  EXPECT_FALSE(panel->Enabled());
  EXPECT_EQ(panel->Hint(), "Opens a file");
  EXPECT_FALSE(panel->Visible());

  // As on the platform, any change of the action gives every client all of its properties
  // again: a caption changed by hand lasts until then.
  panel->SetCaption("Mine");
  action->SetEnabled(true);
  EXPECT_EQ(panel->Caption(), "Open file");
  EXPECT_TRUE(panel->Enabled());

  panel->SetAction(nullptr);
  EXPECT_FALSE(panel->ControlStyle().Contains(csActionClient));
  EXPECT_EQ(action->ClientCount(), 0);
  action->SetEnabled(false);
  EXPECT_TRUE(panel->Enabled());
}

TEST_F(ActionsTest, ClickingExecutesTheActionUnlessTheControlHasItsOwnHandler) {
  std::vector<std::string> log;
  action->OnExecute = [&](TObject* sender) {
    EXPECT_EQ(sender, action);
    EXPECT_EQ(action->ActionComponent(), panel);
    log.push_back("action");
  };
  panel->SetAction(action);
  panel->Click();
  EXPECT_EQ(action->ActionComponent(), nullptr);
  panel->OnClick = [&](TObject*) { log.push_back("own"); };
  panel->Click();
  // A disabled action does not run.
  panel->OnClick = nullptr;
  action->SetEnabled(false);
  action->OnUpdate = [](TObject*) {};  // keeps it as it is
  panel->Click();
  EXPECT_EQ(log, (std::vector<std::string>{"action", "own"}));
}

TEST_F(ActionsTest, OnUpdateRunsWhileIdleForTheControlsOfVisibleForms) {
  panel->SetAction(action);
  auto hidden = NewTestForm();
  auto* hiddenPanel = new TTestPanel(hidden.get());
  hiddenPanel->SetParent(hidden.get());
  auto* hiddenAction = new TAction(hidden.get());
  int hiddenUpdates = 0;
  hiddenAction->OnUpdate = [&](TObject*) { ++hiddenUpdates; };
  hiddenPanel->SetAction(hiddenAction);

  int updates = 0;
  action->OnUpdate = [&](TObject* sender) {
    EXPECT_EQ(sender, action);
    ++updates;
    action->SetEnabled(false);  // what an update handler does: decide the state
  };
  form->Show();
  ASSERT_TRUE(HandleMessagesUntil([&] { return updates > 0; }));
  EXPECT_FALSE(panel->Enabled());
  EXPECT_EQ(hiddenUpdates, 0);
  EXPECT_TRUE(errors.empty());
}

TEST_F(ActionsTest, TheListsUpdateHandlerAnswersForItsActions) {
  panel->SetAction(action);
  int own = 0, listed = 0;
  action->OnUpdate = [&](TObject*) { ++own; };
  list->OnUpdate = [&](TBasicAction* a, bool& handled) {
    EXPECT_EQ(a, action);
    ++listed;
    handled = true;
  };
  form->Show();
  ASSERT_TRUE(HandleMessagesUntil([&] { return listed > 0; }));
  EXPECT_EQ(own, 0);
}

// Without OnUpdate the action is offered to the forms as CM_ACTIONUPDATE; when none takes it,
// an action that has nothing to run is disabled, one with OnExecute stays enabled.
TEST_F(ActionsTest, AnActionNoOneUpdatesGoesToTheFormsAndIsDisabledWithoutAHandler) {
  auto* runnable = new TAction(form.get());
  runnable->SetActionList(list);
  runnable->OnExecute = [](TObject*) {};
  auto* second = new TTestPanel(form.get());
  second->SetParent(form.get());
  second->SetAction(runnable);
  panel->SetAction(action);

  std::vector<TBasicAction*> offered;
  TWndMethod previous = form->WindowProc;
  form->WindowProc = [&](TMessage& m) {
    if (m.Msg == CM_ACTIONUPDATE) offered.push_back(reinterpret_cast<TBasicAction*>(m.LParam));
    previous(m);
  };
  form->Show();
  SetForegroundWindow(form->Handle());
  ASSERT_TRUE(HandleMessagesUntil([&] { return !action->Enabled(); }));
  EXPECT_FALSE(panel->Enabled());
  EXPECT_TRUE(runnable->Enabled());
  EXPECT_TRUE(second->Enabled());
  EXPECT_NE(std::find(offered.begin(), offered.end(), action), offered.end());
  form->WindowProc = previous;
}

// A control that takes the action as its target answers CM_ACTIONUPDATE: the action is
// handled and stays as it is.
class TTargetAction : public TAction {
  VCL_CLASS(TTargetAction, TAction)
  using TAction::TAction;
  bool HandlesTarget(TObject* target) override { return dynamic_cast<TTestPanel*>(target) != nullptr; }
  void UpdateTarget(TObject* target) override { targets.push_back(target); }
  std::vector<TObject*> targets;
};

TEST_F(ActionsTest, AFormFindsATargetForAnActionAmongItsControls) {
  auto* target = new TTargetAction(form.get());
  const auto offer = reinterpret_cast<LPARAM>(target);
  EXPECT_EQ(form->Perform(CM_ACTIONUPDATE, 0, offer), 0);  // a hidden form has no targets
  form->Show();
  EXPECT_EQ(form->Perform(CM_ACTIONUPDATE, 0, offer), 1);
  EXPECT_EQ(target->targets, (std::vector<TObject*>{panel}));
  EXPECT_TRUE(target->Enabled());
}

TEST_F(ActionsTest, CheckedActionsOfAGroupExcludeEachOther) {
  auto* other = new TAction(form.get());
  other->SetActionList(list);
  action->SetGroupIndex(1);
  other->SetGroupIndex(1);
  action->SetChecked(true);
  other->SetChecked(true);
  EXPECT_FALSE(action->Checked());
  // AutoCheck toggles on execute; in a group a checked action stays checked.
  action->SetAutoCheck(true);
  action->OnExecute = [](TObject*) {};
  action->Execute();
  EXPECT_TRUE(action->Checked());
  EXPECT_FALSE(other->Checked());
  action->Execute();
  EXPECT_TRUE(action->Checked());
}

TEST_F(ActionsTest, FreeingTheActionTheControlOrTheListLeavesNothingDangling) {
  panel->SetAction(action);
  delete action;
  EXPECT_EQ(panel->Action(), nullptr);
  EXPECT_FALSE(panel->ControlStyle().Contains(csActionClient));
  EXPECT_EQ(list->ActionCount(), 0);

  auto* next = new TAction(form.get());
  next->SetActionList(list);
  auto* other = new TTestPanel(form.get());
  other->SetParent(form.get());
  other->SetAction(next);
  EXPECT_EQ(next->ClientCount(), 1);
  delete other;
  EXPECT_EQ(next->ClientCount(), 0);

  panel->SetAction(next);
  delete list;  // a list frees the actions it holds
  EXPECT_EQ(form->FindComponent(next->Name()), nullptr);
  EXPECT_EQ(panel->Action(), nullptr);
  EXPECT_EQ(form->ComponentCount(), 1);

  // A list made after its actions goes first when the form frees its components, and takes
  // them along while the control still shows one.
  auto* early = new TAction(form.get());
  auto* lateList = new TActionList(form.get());
  early->SetActionList(lateList);
  panel->SetAction(early);
  form.reset();
}

TEST_F(ActionsTest, FormDataKeepsTheActionsInTheirListAndTheControlsReference) {
  form->SetName("Form");
  panel->SetName("Panel1");
  list->SetName("ActionList1");
  action->SetName("OpenAction");
  action->SetEnabled(false);
  panel->SetAction(action);
  TStringStream out;
  WriteComponent(&out, form.get());
  std::string text = out.DataString();
  std::erase(text, '\r');
  EXPECT_NE(text.find("    Action = OpenAction"), std::string::npos) << text;
  EXPECT_NE(text.find("  object ActionList1: TActionList\n    object OpenAction: TAction\n      Caption = 'Open'\n"
                      "      Enabled = False\n"),
            std::string::npos)
      << text;

  RegisterClass<TTestPanel>();
  auto copy = std::make_unique<TForm>(nullptr);
  TStringStream in(text);
  ReadComponent(&in, copy.get());
  auto* readPanel = dynamic_cast<TTestPanel*>(copy->FindComponent("Panel1"));
  auto* readList = dynamic_cast<TActionList*>(copy->FindComponent("ActionList1"));
  auto* readAction = dynamic_cast<TAction*>(copy->FindComponent("OpenAction"));
  ASSERT_TRUE(readPanel && readList && readAction);
  EXPECT_EQ(readAction->ActionList(), readList);
  EXPECT_EQ(readPanel->Action(), readAction);
  EXPECT_EQ(readPanel->Caption(), "Open");
  EXPECT_FALSE(readPanel->Enabled());
}

}  // namespace
