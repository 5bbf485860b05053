#include "placement/window_hook.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "vcl/controls/application.h"
#include "vcl/classes/filer.h"
#include "vcl/controls/forms.h"
#include "vcl/runtime/streams.h"

using namespace placement;
using namespace vcl;

namespace {

constexpr UINT kProbe = WM_USER + 300;

// A form whose own message procedure records the probes that reach it.
class HookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = new TForm(nullptr);
    form->SetName("HookTestForm");
    TWndMethod own = form->WindowProc;
    form->WindowProc = [this, own](TMessage& m) {
      if (m.Msg == kProbe) {
        log.push_back("window");
        m.Result = 77;
        return;
      }
      own(m);
    };
    form->HandleNeeded();
    Application->OnException = [this](TObject*, Exception* e) { errors.push_back(e->Message()); };
  }
  void TearDown() override {
    delete form;
    Application->OnException = nullptr;
    Application->ProcessMessages();
  }

  TFormWindowHook* MakeHook(const std::string& name, bool handleBefore = false) {
    auto* hook = new TFormWindowHook(form);
    hook->BeforeMessage = [this, name, handleBefore](TObject* sender, TMessage& m, bool& handled) {
      if (m.Msg == kProbe || m.Msg == WM_QUIT || m.Msg == WM_DESTROY) log.push_back(name + ".before");
      if (handleBefore && (m.Msg == kProbe || m.Msg == WM_DESTROY)) handled = true;
    };
    hook->AfterMessage = [this, name](TObject* sender, TMessage& m, bool& handled) {
      if (m.Msg == kProbe || m.Msg == WM_QUIT || m.Msg == WM_DESTROY) log.push_back(name + ".after");
    };
    hook->SetWinControl(form);
    return hook;
  }

  LRESULT Probe() { return SendMessageA(form->Handle(), kProbe, 0, 0); }

  TForm* form = nullptr;
  std::vector<std::string> log;
  std::vector<std::string> errors;
};

using Log = std::vector<std::string>;

}  // namespace

TEST_F(HookTest, HooksSeeMessagesBeforeAndAfterTheWindowLastAttachedFirst) {
  TFormWindowHook* a = MakeHook("a");
  MakeHook("b");
  EXPECT_TRUE(a->Active());
  EXPECT_EQ(a->WinControl(), form);
  EXPECT_EQ(Probe(), 77);
  EXPECT_EQ(log, (Log{"b.before", "a.before", "window", "b.after", "a.after"}));
  // One record and one subclass serve both hooks.
  ASSERT_NE(GetHookList()->FindControlHook(form), nullptr);
  EXPECT_EQ(GetHookList()->FindControlHook(form)->HookCount(), 2);
}

TEST_F(HookTest, AHandledMessageStopsUnlessItIsWmDestroy) {
  MakeHook("a");
  MakeHook("b", true);
  EXPECT_EQ(Probe(), 0);
  EXPECT_EQ(log, (Log{"b.before"}));

  log.clear();
  form->RecreateWnd();  // destroys the window
  // WM_DESTROY reaches the window's own procedure and the after-hooks all the same; once
  // handled, the walk of the after-hooks stops after the first.
  EXPECT_EQ(log, (Log{"b.before", "b.after"}));
}

TEST_F(HookTest, AfterHandlersMayChangeTheResult) {
  auto* hook = MakeHook("a");
  hook->AfterMessage = [](TObject*, TMessage& m, bool&) {
    if (m.Msg == kProbe) m.Result += 1;
  };
  EXPECT_EQ(Probe(), 78);
}

TEST_F(HookTest, WmQuitNeverReachesBeforeHooks) {
  MakeHook("a");
  SendMessageA(form->Handle(), WM_QUIT, 0, 0);
  EXPECT_EQ(log, (Log{"a.after"}));
}

TEST_F(HookTest, InactiveHookIsDetachedAndComesBack) {
  TFormWindowHook* hook = MakeHook("a");
  TControlHook* record = GetHookList()->FindControlHook(form);
  ASSERT_NE(record, nullptr);
  EXPECT_TRUE(record->Subclassed());
  hook->SetActive(false);
  EXPECT_FALSE(hook->Active());
  EXPECT_EQ(hook->WinControl(), form);
  EXPECT_FALSE(record->Subclassed());
  EXPECT_EQ(Probe(), 77);
  EXPECT_EQ(log, (Log{"window"}));
  // The record that lost its only hook goes too, a little later.
  Application->ProcessMessages();
  EXPECT_EQ(GetHookList()->FindControlHook(form), nullptr);
  log.clear();
  hook->SetActive(true);
  Probe();
  EXPECT_EQ(log, (Log{"a.before", "window", "a.after"}));
}

TEST_F(HookTest, RecreatedWindowIsHookedAgain) {
  MakeHook("a");
  HWND before = form->Handle();
  form->RecreateWnd();
  form->HandleNeeded();
  Application->ProcessMessages();
  EXPECT_NE(form->Handle(), before);
  log.clear();
  Probe();
  EXPECT_EQ(log, (Log{"a.before", "window", "a.after"}));
}

TEST_F(HookTest, AForeignSubclassOnTopStaysWhenTheHookGoes) {
  static WNDPROC previous = nullptr;
  static int foreignSeen = 0;
  foreignSeen = 0;
  struct Foreign {
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
      if (m == kProbe) ++foreignSeen;
      return CallWindowProcA(previous, w, m, wp, lp);
    }
  };
  TFormWindowHook* hook = MakeHook("a");
  HWND wnd = form->Handle();
  previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Foreign::Proc)));
  delete hook;
  Application->ProcessMessages();  // the record is freed now
  EXPECT_EQ(GetHookList()->FindControlHook(form), nullptr);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd, GWLP_WNDPROC)), &Foreign::Proc);
  log.clear();
  EXPECT_EQ(Probe(), 77);
  EXPECT_EQ(foreignSeen, 1);
  EXPECT_EQ(log, (Log{"window"}));
  // The foreign party takes itself out later: the window still works.
  SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
  EXPECT_EQ(Probe(), 77);
}

TEST_F(HookTest, MovingTheOnlyHookFreesTheFirstRecordLater) {
  TForm* other = new TForm(nullptr);
  TFormWindowHook* hook = MakeHook("a");
  TControlHook* first = GetHookList()->FindControlHook(form);
  ASSERT_NE(first, nullptr);
  hook->SetWinControl(other);
  EXPECT_EQ(hook->WinControl(), other);
  EXPECT_TRUE(hook->Active());
  EXPECT_TRUE(GetHookList()->Contains(first));  // not inside a message that may run on it
  EXPECT_EQ(first->HookCount(), 0);
  Application->ProcessMessages();
  EXPECT_FALSE(GetHookList()->Contains(first));
  log.clear();
  Probe();
  EXPECT_EQ(log, (Log{"window"}));
  SendMessageA(other->Handle(), kProbe, 0, 0);
  EXPECT_EQ(log, (Log{"window", "a.before", "a.after"}));
  delete other;
  EXPECT_EQ(hook->WinControl(), nullptr);
}

TEST_F(HookTest, FreedControlDetachesItsHooks) {
  TForm* other = new TForm(nullptr);
  auto* hook = new TFormWindowHook(nullptr);
  hook->SetWinControl(other);
  other->HandleNeeded();
  ASSERT_NE(GetHookList()->FindControlHook(other), nullptr);
  delete other;
  EXPECT_EQ(hook->WinControl(), nullptr);
  Application->ProcessMessages();
  delete hook;
}

TEST_F(HookTest, AFailingHookIsReportedAndTheChainGoesOn) {
  MakeHook("a");
  auto* failing = MakeHook("b");
  failing->BeforeMessage = [this](TObject*, TMessage& m, bool&) {
    if (m.Msg == kProbe) throw EInvalidOperation("hook failed");
  };
  EXPECT_EQ(Probe(), 77);
  EXPECT_EQ(errors, (std::vector<std::string>{"hook failed"}));
  EXPECT_EQ(log, (Log{"a.before", "window", "b.after", "a.after"}));
}

TEST_F(HookTest, HookWithoutControlDoesNothing) {
  TFormWindowHook hook(nullptr);
  EXPECT_TRUE(hook.Active());
  EXPECT_EQ(hook.WinControl(), nullptr);
  hook.SetActive(false);
  hook.SetActive(true);
  EXPECT_EQ(GetHookList()->FindControlHook(nullptr), nullptr);
}

// A hook watching its own form is stored as "IsForm", never by the form's name.
TEST_F(HookTest, FormDataStoresTheOwnFormAsIsForm) {
  auto* hook = new TFormWindowHook(form);
  hook->SetName("Hook1");
  hook->SetWinControl(form);
  TStringStream out;
  WriteComponent(&out, form);
  const std::string& text = out.DataString();
  EXPECT_NE(text.find("IsForm = True"), std::string::npos) << text;
  EXPECT_EQ(text.find("WinControl"), std::string::npos) << text;

  TForm* copy = new TForm(nullptr);
  TStringStream in(text);
  ReadComponent(&in, copy);
  auto* readHook = dynamic_cast<TFormWindowHook*>(copy->FindComponent("Hook1"));
  ASSERT_NE(readHook, nullptr);
  EXPECT_EQ(readHook->WinControl(), copy);
  delete copy;

  // Watching nothing, nothing is written.
  hook->SetWinControl(nullptr);
  TStringStream again;
  WriteComponent(&again, form);
  EXPECT_EQ(again.DataString().find("IsForm"), std::string::npos);
}
