// The WindowProc chain: links installed on a control see its messages outermost first, leave
// in any order without disturbing the others, stay through a recreated window, and live side
// by side with code that assigns and restores WindowProc as a plain procedure.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "tests/vcl/controls/controls_test_util.h"
#include "vcl/classes/typeinfo.h"

using namespace vcl;
using namespace controls_test;

namespace {

constexpr UINT kWindowProcProbe = WM_USER + 401;
constexpr LRESULT kControlAnswer = 77;

using Log = std::vector<std::string>;

// A windowed control whose own message procedure answers the probe.
class TProbeControl : public TCustomControl {
  VCL_CLASS(TProbeControl, TCustomControl)
  explicit TProbeControl(TComponent* owner) : TCustomControl(owner) {}
  Log* log = nullptr;

  void WndProc(TMessage& message) override {
    if (message.Msg == kWindowProcProbe) {
      if (log) log->push_back("control");
      message.Result = kControlAnswer;
      return;
    }
    TCustomControl::WndProc(message);
  }
};

// What one subclasser keeps: its link, and the record it writes to. The link is installed
// with a procedure that reaches the subclasser through a pointer, so a procedure called
// after its subclasser is gone would show as a fault.
struct Subclasser {
  std::string name;
  Log* log;
  TWindowProcLink link;

  void Install(TControl* control, TWindowProcLevel level = wlWindowProc) {
    link = control->WindowProc.Install(
        [this](TMessage& m, const TWindowProcNext& next) {
          if (m.Msg == kWindowProcProbe) log->push_back(name);
          next(m);
        },
        level);
  }
};

class WindowProcChainTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = NewTestForm();
    control = new TProbeControl(form.get());
    control->SetParent(form.get());
    control->log = &log;
    form->Show();
  }
  void TearDown() override {
    form.reset();
    ControlsTest::TearDown();
  }

  // The probe through the window and through Perform: what each saw, and the answer.
  Log ThroughWindow() {
    log.clear();
    EXPECT_EQ(SendMessageA(control->Handle(), kWindowProcProbe, 0, 0), kControlAnswer);
    return log;
  }
  Log ThroughPerform() {
    log.clear();
    EXPECT_EQ(control->Perform(kWindowProcProbe, 0, 0), kControlAnswer);
    return log;
  }

  std::unique_ptr<TForm> form;
  TProbeControl* control = nullptr;
  Log log;
};

// Three links, taken out in each of the six orders, the window recreated after each removal:
// the links still in see every message in their order, the ones taken out see nothing more
// (their subclassers are freed as they go), and the control answers throughout.
TEST_F(WindowProcChainTest, LinksLeaveInEveryOrderAcrossRecreatedWindows) {
  std::array<int, 3> order{0, 1, 2};
  const std::string names[] = {"a", "b", "c"};
  do {
    std::string orderText = names[order[0]] + names[order[1]] + names[order[2]];
    SCOPED_TRACE("removed in the order " + orderText);
    std::array<std::unique_ptr<Subclasser>, 3> links;
    for (int i = 0; i < 3; ++i) {
      links[i] = std::make_unique<Subclasser>(Subclasser{names[i], &log, {}});
      links[i]->Install(control);
    }
    EXPECT_EQ(control->WindowProc.LinkCount(), 3);
    EXPECT_EQ(ThroughWindow(), (Log{"c", "b", "a", "control"}));
    EXPECT_TRUE(links[2]->link.Outermost());

    for (int step = 0; step < 3; ++step) {
      int gone = order[step];
      // Every other step the subclasser simply goes, its link with it.
      if (step % 2 == 0)
        links[gone]->link.Remove();
      else
        links[gone].reset();
      if (links[gone]) {
        EXPECT_FALSE(links[gone]->link.Installed());
        links[gone].reset();
      }
      HWND before = control->Handle();
      control->RecreateWnd();
      ASSERT_NE(control->Handle(), before);

      Log expected;
      for (int i = 2; i >= 0; --i)
        if (links[i]) {
          expected.push_back(names[i]);
          EXPECT_TRUE(links[i]->link.Installed());
        }
      expected.push_back("control");
      EXPECT_EQ(ThroughWindow(), expected) << "after step " << step;
      EXPECT_EQ(ThroughPerform(), expected) << "after step " << step;
      EXPECT_EQ(control->WindowProc.LinkCount(), 2 - step);
      // The highest link still in is the outermost one.
      for (int i = 2; i >= 0; --i)
        if (links[i]) {
          EXPECT_TRUE(links[i]->link.Outermost());
          break;
        }
    }
  } while (std::next_permutation(order.begin(), order.end()));
}

TEST_F(WindowProcChainTest, WindowLevelLinksSeeWindowMessagesOnlyAndFirst) {
  Subclasser inner{"inner", &log, {}};
  Subclasser window{"window", &log, {}};
  window.Install(control, wlWindow);
  inner.Install(control);  // later, but at the lower level
  EXPECT_EQ(ThroughWindow(), (Log{"window", "inner", "control"}));
  EXPECT_EQ(ThroughPerform(), (Log{"inner", "control"}));
  EXPECT_TRUE(window.link.Outermost());
  EXPECT_TRUE(inner.link.Outermost());
}

TEST_F(WindowProcChainTest, ALinkThatSwallowsAMessageStopsItThere) {
  Subclasser below{"below", &log, {}};
  below.Install(control);
  TWindowProcLink swallower = control->WindowProc.Install([this](TMessage& m, const TWindowProcNext& next) {
    if (m.Msg != kWindowProcProbe) return next(m);
    log.push_back("swallower");
    m.Result = 5;
  });
  log.clear();
  EXPECT_EQ(SendMessageA(control->Handle(), kWindowProcProbe, 0, 0), 5);
  EXPECT_EQ(log, (Log{"swallower"}));
}

// A link taking itself (or the one below it) out while it handles a message still passes the
// message on to what remains.
TEST_F(WindowProcChainTest, ALinkMayRemoveLinksWhileItRuns) {
  Subclasser bottom{"bottom", &log, {}};
  Subclasser middle{"middle", &log, {}};
  bottom.Install(control);
  middle.Install(control);
  TWindowProcLink top;
  top = control->WindowProc.Install([&](TMessage& m, const TWindowProcNext& next) {
    if (m.Msg == kWindowProcProbe) {
      log.push_back("top");
      top.Remove();
      middle.link.Remove();
    }
    next(m);
  });
  EXPECT_EQ(ThroughWindow(), (Log{"top", "bottom", "control"}));
  EXPECT_FALSE(top.Installed());
  EXPECT_EQ(ThroughWindow(), (Log{"bottom", "control"}));
}

// Code that saves WindowProc, assigns its own procedure and restores the saved one later
// works as it always did, and restoring leaves the links installed meanwhile in place.
TEST_F(WindowProcChainTest, AssignedProceduresAndLinksLiveSideBySide) {
  TWndMethod saved = control->WindowProc;
  control->WindowProc = [&](TMessage& m) {
    if (m.Msg == kWindowProcProbe) log.push_back("assigned");
    saved(m);
  };
  Subclasser link{"link", &log, {}};
  link.Install(control);
  EXPECT_EQ(ThroughPerform(), (Log{"link", "assigned", "control"}));
  // A copy taken now does not run what is installed later.
  TWndMethod snapshot = control->WindowProc;
  Subclasser later{"later", &log, {}};
  later.Install(control);
  log.clear();
  TMessage probe(kWindowProcProbe, 0, 0);
  snapshot(probe);
  EXPECT_EQ(log, (Log{"link", "assigned", "control"}));
  later.link.Remove();

  control->WindowProc = saved;  // the assigned procedure goes, the link stays
  EXPECT_TRUE(link.link.Installed());
  EXPECT_EQ(ThroughPerform(), (Log{"link", "control"}));
  EXPECT_EQ(ThroughWindow(), (Log{"link", "control"}));
  // An empty procedure takes off every assigned one, and only those.
  control->WindowProc = [&](TMessage& m) { saved(m); };
  control->WindowProc = nullptr;
  EXPECT_EQ(control->WindowProc.LinkCount(), 1);
  // A copy of the chain is a value: it takes no procedure.
  TWindowProcChain copy = control->WindowProc;
  EXPECT_THROW(copy = TWndMethod([](TMessage&) {}), EInvalidOperation);
}

// Links and copies may outlive their control: they are then no longer installed, and
// removing them or calling a copy does nothing.
TEST_F(WindowProcChainTest, LinksAndCopiesOutliveTheirControl) {
  auto* other = new TProbeControl(form.get());
  other->SetParent(form.get());
  Subclasser link{"link", &log, {}};
  link.Install(other);
  TWndMethod copy = other->WindowProc;
  other->WindowProc = [copy](TMessage& m) { copy(m); };  // a procedure that holds a copy
  delete other;
  EXPECT_FALSE(link.link.Installed());
  EXPECT_FALSE(link.link.Outermost());
  link.link.Remove();
  log.clear();
  TMessage probe(kWindowProcProbe, 0, 0);
  copy(probe);
  EXPECT_TRUE(log.empty());
}

}  // namespace
