#include "vcl/controls/window_subclass.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace vcl;

namespace {

constexpr UINT kWindowSubclassProbe = WM_USER + 77;

// What the window's own procedure saw.
std::vector<UINT> g_baseMessages;

LRESULT CALLBACK BaseProcA(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kWindowSubclassProbe) {
    g_baseMessages.push_back(msg);
    return 1000 + static_cast<LRESULT>(wParam);
  }
  return DefWindowProcA(wnd, msg, wParam, lParam);
}

LRESULT CALLBACK BaseProcW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kWindowSubclassProbe) {
    g_baseMessages.push_back(msg);
    return 1000 + static_cast<LRESULT>(wParam);
  }
  return DefWindowProcW(wnd, msg, wParam, lParam);
}

HWND MakeWindow(bool unicode) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA a{};
    a.lpfnWndProc = BaseProcA;
    a.hInstance = GetModuleHandleA(nullptr);
    a.lpszClassName = "SubclassTestA";
    RegisterClassA(&a);
    WNDCLASSW w{};
    w.lpfnWndProc = BaseProcW;
    w.hInstance = GetModuleHandleA(nullptr);
    w.lpszClassName = reinterpret_cast<LPCWSTR>(u"SubclassTestW");
    RegisterClassW(&w);
    registered = true;
  }
  if (unicode)
    return CreateWindowExW(0, reinterpret_cast<LPCWSTR>(u"SubclassTestW"), reinterpret_cast<LPCWSTR>(u""), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  return CreateWindowExA(0, "SubclassTestA", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

WNDPROC CurrentProc(HWND wnd) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd, GWLP_WNDPROC)); }

// A subclass that records what it sees and passes everything on.
class WindowSubclassRecorder : public TWindowSubclass {
 public:
  std::vector<UINT> seen;
  bool throwOnProbe = false;
  bool detachOnProbe = false;
  int exceptions = 0;
  int destroyed = 0;

 protected:
  LRESULT SubclassProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == kWindowSubclassProbe) {
      seen.push_back(msg);
      if (throwOnProbe) throw std::runtime_error("boom");
      if (detachOnProbe) Detach();
    }
    return CallPrevious(msg, wParam, lParam);
  }
  void HandleException() override {
    try {
      throw;
    } catch (const std::runtime_error&) {
      ++exceptions;
    }
  }
  void WindowDestroyed() override { ++destroyed; }
};

// Another party subclassing with GWL_WNDPROC directly, as other code of the program does.
struct Foreign {
  static Foreign* current;
  HWND wnd = nullptr;
  WNDPROC previous = nullptr;
  int seen = 0;

  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kWindowSubclassProbe) ++current->seen;
    return CallWindowProcA(current->previous, wnd, msg, wParam, lParam);
  }
  void Install(HWND w) {
    current = this;
    wnd = w;
    previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc)));
  }
  // Takes itself out the only way a plain subclasser can: by putting back what it found.
  void Remove() { SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous)); }
};
Foreign* Foreign::current = nullptr;

class WindowSubclassTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    g_baseMessages.clear();
    wnd = MakeWindow(GetParam());
    ASSERT_NE(wnd, nullptr);
    baseProc = CurrentProc(wnd);
  }
  void TearDown() override {
    if (IsWindow(wnd)) DestroyWindow(wnd);
  }
  LRESULT Probe(WPARAM n = 1) { return SendMessageA(wnd, kWindowSubclassProbe, n, 0); }

  HWND wnd = nullptr;
  WNDPROC baseProc = nullptr;
};

}  // namespace

TEST_P(WindowSubclassTest, SeesMessagesAndRestoresTheWindowProcedure) {
  WindowSubclassRecorder rec;
  ASSERT_TRUE(rec.Attach(wnd));
  EXPECT_TRUE(rec.Attached());
  EXPECT_EQ(rec.Window(), wnd);
  EXPECT_TRUE(rec.IsOutermost());
  EXPECT_EQ(Probe(5), 1005);
  EXPECT_EQ(rec.seen.size(), 1u);
  EXPECT_EQ(g_baseMessages.size(), 1u);

  rec.Detach();
  EXPECT_FALSE(rec.Attached());
  EXPECT_EQ(CurrentProc(wnd), baseProc);
  EXPECT_EQ(Probe(), 1001);
  EXPECT_EQ(rec.seen.size(), 1u);
  EXPECT_EQ(g_baseMessages.size(), 2u);
}

// Every order of putting in and taking out our subclass and a foreign one keeps the window
// working; a plain foreign subclasser always keeps its own procedure in the chain.
TEST_P(WindowSubclassTest, ChainsAndUnchainsInAnyOrderWithAForeignSubclass) {
  struct Order {
    bool oursFirst;
    bool oursRemovedFirst;
  };
  const Order orders[] = {{true, true}, {true, false}, {false, true}, {false, false}};
  for (const Order& order : orders) {
    SCOPED_TRACE(testing::Message() << "ours first " << order.oursFirst << ", removed first "
                                    << order.oursRemovedFirst);
    HWND w = MakeWindow(GetParam());
    WNDPROC original = CurrentProc(w);
    g_baseMessages.clear();
    {
      WindowSubclassRecorder rec;
      Foreign foreign;
      if (order.oursFirst) {
        ASSERT_TRUE(rec.Attach(w));
        foreign.Install(w);
      } else {
        foreign.Install(w);
        ASSERT_TRUE(rec.Attach(w));
      }
      EXPECT_EQ(SendMessageA(w, kWindowSubclassProbe, 2, 0), 1002);
      EXPECT_EQ(rec.seen.size(), 1u);
      EXPECT_EQ(foreign.seen, 1);

      if (order.oursRemovedFirst) {
        rec.Detach();
        EXPECT_EQ(SendMessageA(w, kWindowSubclassProbe, 3, 0), 1003);
        if (order.oursFirst) {
          EXPECT_EQ(CurrentProc(w), &Foreign::Proc);
        }
        foreign.Remove();
      } else {
        foreign.Remove();
        EXPECT_EQ(SendMessageA(w, kWindowSubclassProbe, 3, 0), 1003);
        rec.Detach();
      }
      EXPECT_EQ(SendMessageA(w, kWindowSubclassProbe, 4, 0), 1004);
      // A foreign subclasser that was there first puts back what it found when it goes, which
      // cuts out everything chained after it: ours then sees no more messages, harmlessly.
      EXPECT_EQ(rec.seen.size(), order.oursFirst && !order.oursRemovedFirst ? 2u : 1u);
      EXPECT_EQ(g_baseMessages.size(), 3u);
      // Taken out in reverse order, both are gone; otherwise our link may stay as a
      // pass-through, which the window's own procedure still follows.
      if (order.oursFirst != order.oursRemovedFirst) {
        EXPECT_EQ(CurrentProc(w), original);
      }
    }
    // The object is gone; the window still works and is destroyed cleanly.
    EXPECT_EQ(SendMessageA(w, kWindowSubclassProbe, 6, 0), 1006);
    EXPECT_TRUE(DestroyWindow(w));
  }
}

TEST_P(WindowSubclassTest, ReattachingTakesThePlaceOfItsPassThrough) {
  WindowSubclassRecorder rec;
  Foreign foreign;
  ASSERT_TRUE(rec.Attach(wnd));
  foreign.Install(wnd);
  rec.Detach();
  EXPECT_EQ(Probe(), 1001);
  EXPECT_TRUE(rec.seen.empty());

  // Back into its old place, below the foreign procedure; no second link is chained.
  ASSERT_TRUE(rec.Attach(wnd));
  EXPECT_FALSE(rec.IsOutermost());
  EXPECT_EQ(Probe(7), 1007);
  EXPECT_EQ(rec.seen.size(), 1u);
  EXPECT_EQ(foreign.seen, 2);
  foreign.Remove();
  EXPECT_TRUE(rec.IsOutermost());
  rec.Detach();
  EXPECT_EQ(CurrentProc(wnd), baseProc);
}

TEST_P(WindowSubclassTest, OneSubclassObjectPerWindow) {
  WindowSubclassRecorder first, second;
  ASSERT_TRUE(first.Attach(wnd));
  EXPECT_FALSE(second.Attach(wnd));
  EXPECT_FALSE(second.Attached());
  EXPECT_TRUE(first.Attach(wnd));  // again on its own window: nothing changes
  first.Detach();
  EXPECT_TRUE(second.Attach(wnd));
  EXPECT_FALSE(second.Attach(nullptr));  // no window: stays where it is
  EXPECT_TRUE(second.Attached());
}

TEST_P(WindowSubclassTest, MovesFromOneWindowToAnother) {
  HWND other = MakeWindow(GetParam());
  WNDPROC otherProc = CurrentProc(other);
  WindowSubclassRecorder rec;
  ASSERT_TRUE(rec.Attach(wnd));
  ASSERT_TRUE(rec.Attach(other));
  EXPECT_EQ(CurrentProc(wnd), baseProc);
  EXPECT_EQ(rec.Window(), other);
  SendMessageA(other, kWindowSubclassProbe, 0, 0);
  EXPECT_EQ(rec.seen.size(), 1u);
  rec.Detach();
  EXPECT_EQ(CurrentProc(other), otherProc);
  DestroyWindow(other);
}

TEST_P(WindowSubclassTest, WindowDestroyedWhileAttached) {
  WindowSubclassRecorder rec;
  Foreign foreign;
  ASSERT_TRUE(rec.Attach(wnd));
  foreign.Install(wnd);
  EXPECT_TRUE(DestroyWindow(wnd));
  EXPECT_EQ(rec.destroyed, 1);
  EXPECT_FALSE(rec.Attached());
  rec.Detach();  // nothing left to do
  EXPECT_FALSE(rec.Attach(wnd));
}

TEST_P(WindowSubclassTest, AnExceptionStopsAtTheWindowProcedure) {
  WindowSubclassRecorder rec;
  rec.throwOnProbe = true;
  ASSERT_TRUE(rec.Attach(wnd));
  EXPECT_EQ(Probe(), 0);
  EXPECT_EQ(rec.exceptions, 1);
  rec.throwOnProbe = false;
  EXPECT_EQ(Probe(), 1001);
}

TEST_P(WindowSubclassTest, DetachingInsideAMessageStillPassesItOn) {
  WindowSubclassRecorder rec;
  rec.detachOnProbe = true;
  ASSERT_TRUE(rec.Attach(wnd));
  EXPECT_EQ(Probe(9), 1009);
  EXPECT_FALSE(rec.Attached());
  EXPECT_EQ(CurrentProc(wnd), baseProc);
  EXPECT_EQ(g_baseMessages.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(AnsiAndUnicode, WindowSubclassTest, ::testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "Unicode" : "Ansi");
                         });

// An object freed inside its own procedure: the message still reaches the window, the window
// gets its procedure back, and later messages go straight to it.
TEST_P(WindowSubclassTest, AnObjectFreedInsideItsOwnProcedureLeavesTheWindowWhole) {
  class SelfFreeing : public TWindowSubclass {
   protected:
    LRESULT SubclassProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
      if (msg != kWindowSubclassProbe) return CallPrevious(msg, wParam, lParam);
      const LRESULT result = CallPrevious(msg, wParam, lParam);
      delete this;
      return result;
    }
  };
  auto* subclass = new SelfFreeing;
  ASSERT_TRUE(subclass->Attach(wnd));
  EXPECT_EQ(Probe(3), 1003);
  EXPECT_EQ(CurrentProc(wnd), baseProc);
  EXPECT_EQ(Probe(4), 1004);
  EXPECT_EQ(g_baseMessages.size(), 2u);
}
