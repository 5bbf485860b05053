#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/vcl/classes/test_components.h"

using namespace vcl;
using namespace classes_test;

namespace {

// Logs what it is told: "+Name" for opInsert, "-Name" for opRemove.
class TWatcher : public TComponent {
  VCL_CLASS(TWatcher, TComponent)
  using TComponent::TComponent;
  std::vector<std::string> log;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (component != this) log.push_back((operation == opInsert ? "+" : "-") + component->Name());
  }
};

// Records whether it was marked as being destroyed when its destructor ran.
class TProbe : public TComponent {
  VCL_CLASS(TProbe, TComponent)
  TProbe(TComponent* owner, std::vector<bool>* marks) : TComponent(owner), marks_(marks) {}
  ~TProbe() override { marks_->push_back(ComponentState().Contains(csDestroying)); }

 private:
  std::vector<bool>* marks_;
};

TWidget* NewWidget(TComponent* owner, const char* name) {
  auto* widget = new TWidget(owner);
  widget->SetName(name);
  return widget;
}

TEST(ComponentOwnership, TheOwnerFreesWhatItOwnsLastCreatedFirst) {
  TWidget::destroyed.clear();
  {
    TTestForm form(nullptr);
    for (const char* name : {"A", "B", "C"}) NewWidget(&form, name);
  }
  EXPECT_EQ(TWidget::destroyed, (std::vector<std::string>{"C", "B", "A"}));
}

TEST(ComponentOwnership, OwnedComponentsAreMarkedDestroyingBeforeAnyGoes) {
  std::vector<bool> marks;
  {
    TComponent owner(nullptr);
    new TProbe(&owner, &marks);
    new TProbe(&owner, &marks);
  }
  EXPECT_EQ(marks, (std::vector<bool>{true, true}));
}

TEST(ComponentOwnership, AFreedComponentLeavesItsOwner) {
  TTestForm form(nullptr);
  NewWidget(&form, "A");
  TWidget* b = NewWidget(&form, "B");
  NewWidget(&form, "C");
  delete b;
  ASSERT_EQ(form.ComponentCount(), 2);
  EXPECT_EQ(form.Components(1)->Name(), "C");
  EXPECT_EQ(form.FindComponent("B"), nullptr);
}

TEST(ComponentOwnership, DestroyComponentsFreesAllAndClearsTheFields) {
  TTestForm form(nullptr);
  NewWidget(&form, "Button1");
  ASSERT_NE(form.Button1, nullptr);
  int live = TWidget::liveCount;
  form.DestroyComponents();
  EXPECT_EQ(form.ComponentCount(), 0);
  EXPECT_EQ(form.Button1, nullptr);
  EXPECT_EQ(TWidget::liveCount, live - 1);
}

TEST(ComponentOwnership, InsertComponentMovesAComponentToAnotherOwner) {
  TTestForm first(nullptr), second(nullptr);
  TWidget* w = NewWidget(&first, "Button1");
  second.InsertComponent(w);
  EXPECT_EQ(w->Owner(), &second);
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(first.Button1, nullptr);
  EXPECT_EQ(second.Button1, w);
  second.RemoveComponent(w);
  EXPECT_EQ(w->Owner(), nullptr);
  EXPECT_EQ(second.Button1, nullptr);
  delete w;
}

TEST(ComponentOwnership, IndexesFollowTheOrderOfJoining) {
  TTestForm form(nullptr);
  TWidget* a = NewWidget(&form, "A");
  TWidget* b = NewWidget(&form, "B");
  TWidget* c = NewWidget(&form, "C");
  EXPECT_EQ(c->ComponentIndex(), 2);
  c->SetComponentIndex(0);
  EXPECT_EQ(form.Components(0), c);
  EXPECT_EQ(form.Components(1), a);
  a->SetComponentIndex(99);  // beyond the end: the last place
  EXPECT_EQ(form.Components(2), a);
  EXPECT_EQ(b->ComponentIndex(), 1);
  EXPECT_EQ(TComponent(nullptr).ComponentIndex(), -1);
  try {
    form.Components(3);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (3)");
  }
}

struct NameCase {
  const char* name;
  bool valid;
};

class ComponentNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(ComponentNames, AreEmptyOrIdentifiers) {
  TComponent component(nullptr);
  component.SetName("Before");
  const NameCase& c = GetParam();
  if (c.valid) {
    component.SetName(c.name);
    EXPECT_EQ(component.Name(), c.name);
    return;
  }
  try {
    component.SetName(c.name);
    FAIL() << c.name;
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), std::string("'") + c.name + "' is not a valid component name");
  }
  EXPECT_EQ(component.Name(), "Before");
}

INSTANTIATE_TEST_SUITE_P(Cases, ComponentNames,
                         ::testing::Values(NameCase{"", true}, NameCase{"_x", true}, NameCase{"Button1", true},
                                           NameCase{"a_1B", true}, NameCase{"1Button", false},
                                           NameCase{"Button 1", false}, NameCase{"Button-1", false},
                                           NameCase{"Form.Button", false}, NameCase{"B\xE4r", false}));

TEST(ComponentNamesInAnOwner, AreUniqueWithoutRegardToCase) {
  TTestForm form(nullptr);
  TWidget* a = NewWidget(&form, "Alpha");
  TWidget* b = NewWidget(&form, "Beta");
  try {
    b->SetName("ALPHA");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "A component named ALPHA already exists");
  }
  EXPECT_EQ(b->Name(), "Beta");
  a->SetName("ALPHA");  // a change of case only
  EXPECT_EQ(form.FindComponent("alpha"), a);
  EXPECT_EQ(form.FindComponent(""), nullptr);
  // Unnamed components may be many.
  NewWidget(&form, "");
  NewWidget(&form, "");
  EXPECT_EQ(form.ComponentCount(), 4);
}

TEST(ComponentNamesInAnOwner, RenamingMovesThePublishedField) {
  TTestForm form(nullptr);
  TWidget* w = NewWidget(&form, "Button1");
  EXPECT_EQ(form.Button1, w);
  w->SetName("Other");
  EXPECT_EQ(form.Button1, nullptr);
  w->SetName("Panel1");
  EXPECT_EQ(form.Panel1, w);
  delete w;
  EXPECT_EQ(form.Panel1, nullptr);
}

TEST(ComponentNamesInAnOwner, AFieldOfAnotherClassRefusesTheName) {
  TTestForm form(nullptr);
  auto* store = new TStore(&form);
  EXPECT_THROW(store->SetName("Button1"), EComponentError);
  EXPECT_EQ(store->Name(), "");
  EXPECT_EQ(form.Button1, nullptr);
}

TEST(Notifications, TheOwnerAndItsComponentsHearOfArrivalsAndDepartures) {
  TWatcher owner(nullptr);
  auto* sibling = new TWatcher(&owner);
  sibling->SetName("Sibling");
  TWidget* w = NewWidget(&owner, "W");
  delete w;
  // Arrivals are announced from TComponent's constructor, before a name can be given.
  EXPECT_EQ(owner.log, (std::vector<std::string>{"+", "+", "-W"}));
  EXPECT_EQ(sibling->log, (std::vector<std::string>{"+", "-W"}));
}

TEST(FreeNotification, ComponentsOfDifferentOwnersAreToldOfEachOthersEnd) {
  TTestForm first(nullptr), second(nullptr);
  TWidget* a = NewWidget(&first, "A");
  TWidget* b = NewWidget(&second, "B");
  a->SetBuddy(b);
  EXPECT_TRUE(a->ComponentState().Contains(csFreeNotification));
  EXPECT_TRUE(b->ComponentState().Contains(csFreeNotification));
  delete b;
  EXPECT_EQ(a->Buddy(), nullptr);
  // And the other way round: b's end must not leave a dangling entry in a.
  TWidget* c = NewWidget(&second, "C");
  c->SetBuddy(a);
  delete a;
  EXPECT_EQ(c->Buddy(), nullptr);
}

TEST(FreeNotification, RemoveFreeNotificationStopsTheNews) {
  auto watcher = std::make_unique<TWatcher>(nullptr);
  auto* w = new TWidget(nullptr);
  w->SetName("W");
  w->FreeNotification(watcher.get());
  w->RemoveFreeNotification(watcher.get());
  delete w;
  EXPECT_TRUE(watcher->log.empty());
}

TEST(ComponentState, DesigningReachesOwnedComponentsAndNewcomers) {
  TTestForm form(nullptr);
  TWidget* w = NewWidget(&form, "W");
  form.SetDesigning(true);
  EXPECT_TRUE(w->ComponentState().Contains(csDesigning));
  TWidget* late = NewWidget(&form, "Late");
  EXPECT_TRUE(late->ComponentState().Contains(csDesigning));
  form.SetDesigning(false, false);
  EXPECT_FALSE(form.ComponentState().Contains(csDesigning));
  EXPECT_TRUE(w->ComponentState().Contains(csDesigning));
  form.Updating();
  EXPECT_EQ(form.ComponentState(), TComponentState{csUpdating});
  form.Updated();
  EXPECT_TRUE(form.ComponentState().Empty());
}

}  // namespace
