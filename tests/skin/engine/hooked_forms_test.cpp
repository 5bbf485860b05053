// Hooked forms, broadcasts to the application's forms and the redraw lock, with forms that
// carry a recording provider.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "skin/engine/common_data.h"
#include "skin/engine/hooked_forms.h"
#include "skin/engine/skin_manager.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"

using namespace skin;

namespace {

std::vector<std::string> events;

// A form with a provider: answers cmdGetProvider and cmdIsSkinned, records redraw switches
// and a test message.
class THookedProvidedForm : public vcl::TForm, public IacProviderOwner {
 public:
  THookedProvidedForm(vcl::TComponent* owner, std::string name, TsSkinManager* manager)
      : vcl::TForm(owner), name_(std::move(name)), link_(this, false) {
    link_.SetSkinManager(manager);
    SetBounds(0, 0, 100, 80);
  }
  vcl::TCustomForm* ProviderForm() const override { return const_cast<THookedProvidedForm*>(this); }
  void DiscardFrameCache() override {}
  TsCommonData* ProviderSkinLink() const override { return const_cast<TsCommonData*>(&link_); }
  void SetSkinChangeLock(bool locked) override { events.push_back(name_ + (locked ? ":locked" : ":unlocked")); }
  bool DrawsNonClientArea() const override { return false; }
  void UpdateWindowRegion() override {}
  void WndProc(vcl::TMessage& message) override {
    if (message.Msg == SM_ALPHACMD && HIWORD(message.WParam) == cmdGetProvider) {
      message.Result = LRESULT(static_cast<IacProviderOwner*>(this));
      return;
    }
    if (message.Msg == SM_ALPHACMD && HIWORD(message.WParam) == cmdIsSkinned) {
      message.Result = 1;
      return;
    }
    if (message.Msg == SM_ALPHACMD) events.push_back(name_ + ":cmd" + std::to_string(HIWORD(message.WParam)));
    if (message.Msg == WM_SETREDRAW) events.push_back(name_ + ":redraw" + std::to_string(message.WParam));
    if (message.Msg == WM_USER + 9) events.push_back(name_ + ":user");
    vcl::TForm::WndProc(message);
  }

 private:
  std::string name_;
  TsCommonData link_;
};

class TPlainForm : public vcl::TForm {
 public:
  TPlainForm(vcl::TComponent* owner, std::string name) : vcl::TForm(owner), name_(std::move(name)) {}
  void WndProc(vcl::TMessage& message) override {
    if (message.Msg == WM_USER + 9) events.push_back(name_ + ":user");
    vcl::TForm::WndProc(message);
  }

 private:
  std::string name_;
};

TEST(HookedForms, RegistrationsAreRemovedOneAtATime) {
  vcl::TComponent a(nullptr), b(nullptr), c(nullptr);
  struct Step {
    bool add;
    vcl::TComponent* form;
    std::vector<vcl::TComponent*> after;
  } steps[] = {
      {true, &a, {&a}},
      {false, &a, {}},
      {true, &a, {&a}},
      {true, &b, {&a, &b}},
      {true, &a, {&a, &b, &a}},
      {false, &a, {&a, &b}},  // the last entry moves into the freed place
      {true, &c, {&a, &b, &c}},
      {false, &b, {&a, &c}},
      {false, &b, {&a, &c}},  // not registered: nothing
      {false, &a, {&c}},
      {false, &c, {}},
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    if (steps[i].add)
      RegisterHookedForm(steps[i].form);
    else
      UnregisterHookedForm(steps[i].form);
    EXPECT_EQ(HookedForms, steps[i].after) << i;
  }
}

TEST(HookedForms, ASkinnedFormHearsABroadcastOnce) {
  std::unique_ptr<TsSkinManager> manager(vcl::New<TsSkinManager>(nullptr));
  auto* skinned = new THookedProvidedForm(vcl::Application, "skinned", manager.get());
  auto* plain = new TPlainForm(vcl::Application, "plain");
  skinned->HandleNeeded();
  plain->HandleNeeded();
  RegisterHookedForm(skinned);
  events.clear();
  vcl::TMessage message(WM_USER + 9, 0, 0);
  BroadcastToAppForms(message);
  EXPECT_EQ(events, (std::vector<std::string>{"plain:user", "skinned:user"}));
  UnregisterHookedForm(skinned);
  delete skinned;
  delete plain;
}

TEST(HookedForms, TheRedrawLockNestsAndAlwaysThaws) {
  std::unique_ptr<TsSkinManager> manager(vcl::New<TsSkinManager>(nullptr));
  std::unique_ptr<TsSkinManager> other(vcl::New<TsSkinManager>(nullptr));
  THookedProvidedForm mine(nullptr, "mine", manager.get());
  THookedProvidedForm foreign(nullptr, "foreign", other.get());
  THookedProvidedForm hidden(nullptr, "hidden", manager.get());
  mine.Show();
  foreign.Show();
  hidden.HandleNeeded();
  for (auto* f : {&mine, &foreign, &hidden}) RegisterHookedForm(f);
  events.clear();
  LockFormsRedraw(manager.get());
  LockFormsRedraw(manager.get());  // nested: nothing more
  EXPECT_EQ(events, (std::vector<std::string>{"mine:locked", "mine:redraw0"}));
  UnlockFormsRedraw(manager.get(), false);
  EXPECT_EQ(events.size(), 2u);  // the outer lock still holds
  UnlockFormsRedraw(manager.get(), false);
  EXPECT_EQ(events, (std::vector<std::string>{"mine:locked", "mine:redraw0", "mine:redraw1", "mine:unlocked"}));
  UnlockFormsRedraw(manager.get(), false);  // unbalanced: nothing
  EXPECT_EQ(events.size(), 4u);

  // A scope left by an exception thaws the forms it froze, and the animation flag is cleared.
  manager->SetIsDefault(true);
  events.clear();
  try {
    TacRedrawLock lock(manager.get(), false);
    EXPECT_TRUE(AnimationInProgress);
    throw std::runtime_error("a handler failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_FALSE(AnimationInProgress);
  EXPECT_EQ(events, (std::vector<std::string>{"mine:locked", "mine:redraw0", "mine:redraw1", "mine:unlocked"}));

  // With repaint the forms are shown again through the skin-change animation and redrawn.
  events.clear();
  {
    TacRedrawLock lock(manager.get(), true);
  }
  EXPECT_FALSE(AnimationInProgress);
  EXPECT_EQ(events.back(), "mine:unlocked");
  for (auto* f : {&mine, &foreign, &hidden}) UnregisterHookedForm(f);
  mine.Hide();
  foreign.Hide();
}

TEST(HookedForms, ApplyingASkinFreezesTheSkinnedFormsAroundItsBroadcast) {
  std::unique_ptr<TsSkinManager> manager(vcl::New<TsSkinManager>(nullptr));
  manager->SetIsDefault(true);
  TsGeneralData form;
  form.SectionName = "FORM";
  manager->Sections = {form};
  THookedProvidedForm mine(nullptr, "mine", manager.get());
  mine.Show();
  RegisterHookedForm(&mine);
  events.clear();
  manager->BroadcastSkinApplied(true);
  UnregisterHookedForm(&mine);
  mine.Hide();
  auto at = [&](const std::string& e) { return std::find(events.begin(), events.end(), e) - events.begin(); };
  auto last = [&](const std::string& e) { return events.rend() - std::find(events.rbegin(), events.rend(), e) - 1; };
  const std::vector<std::string> ordered = {"mine:locked", "mine:redraw0", "mine:cmd1", "mine:cmd16", "mine:cmd3"};
  for (size_t i = 0; i + 1 < ordered.size(); ++i) {
    ASSERT_LT(at(ordered[i]), std::ptrdiff_t(events.size())) << ordered[i];
    EXPECT_LT(at(ordered[i]), at(ordered[i + 1])) << ordered[i];
  }
  EXPECT_LT(last("mine:redraw0"), at("mine:cmd1"));  // frozen once, before the news
  EXPECT_GT(last("mine:redraw1"), at("mine:cmd3"));  // thawed after it
  EXPECT_EQ(events.back(), "mine:unlocked");
  EXPECT_FALSE(AnimationInProgress);
}

TEST(HookedForms, TheProgramIconsComeFromTheShellOrAreNone) {
  vcl::TIcon* small = AppIconSmall();
  EXPECT_EQ(small, AppIconSmall());  // loaded once
  if (small) {
    EXPECT_FALSE(small->Empty());
  }
}

}  // namespace
