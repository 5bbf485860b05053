// What the screen shows of skinned scroll bars, under the X11 driver on a virtual display (run
// the test program with a DISPLAY, e.g. under xvfb-run; skipped without one): the bars of a
// form with AutoScroll and of a tree view that gets its items while it is shown are the skinned
// ones on the screen, without the mouse ever coming near them.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "skin/forms/adapters/scroll_wnd.h"
#include "skin/forms/skin_provider.h"
#include "tests/skin/forms/adapter_skin_fixture.h"
#include "tests/skin/forms/provider_fixture.h"
#include "tests/support/screen_capture.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/comctrls.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;

namespace {

// The pixels of a screen rectangle as the screen shows them (none when it cannot be read).
std::vector<uint32_t> OnScreen(const RECT& r) { return screen_test::CaptureScreen(r).pixels; }

int Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  if (a.empty() || a.size() != b.size()) return -1;
  int n = 0;
  for (size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
  return n;
}

// The pixels of the bar that differ between the screen now and the screen once the adapter has
// painted its bars: none when the skinned bars are what the screen shows.
int NotSkinned(TacScrollWnd* adapter, const RECT& bar) {
  const std::vector<uint32_t> before = OnScreen(bar);
  adapter->UpdateScrollInfo(true);
  GdiFlush();
  return Differing(before, OnScreen(bar));
}
class ScrollBarsOnScreen : public provider_test::ProviderTest {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    provider_test::ProviderTest::SetUp();
    // The shared manager gets the standard classes for this test only.
    for (int i = 0; i < ThirdPartyCount; ++i) savedLists[size_t(i)] = manager->ThirdPartyLists[size_t(i)]->Text();
    adapter_test::ListStandardClasses(manager);
    // The mouse stays away from every bar.
    SetCursorPos(1200, 780);
  }
  void TearDown() override {
    provider_test::ProviderTest::TearDown();
    if (!manager) return;
    for (int i = 0; i < ThirdPartyCount; ++i) manager->ThirdPartyLists[size_t(i)]->SetText(savedLists[size_t(i)]);
  }
  std::array<std::string, ThirdPartyCount> savedLists;
};

TEST_F(ScrollBarsOnScreen, AFormWithAutoScrollShowsSkinnedBars) {
  vcl::TForm* form = NewSkinnedForm(360, 260);
  form->SetLeft(30);
  form->SetTop(30);
  auto* distant = new vcl::TButton(form);
  distant->SetParent(form);
  distant->SetBounds(500, 400, 90, 28);
  ShowForm(form);
  provider_test::KeepOnScreen("1");
  TacScrollWnd* adapter = TsSkinProvider::FromForm(form)->ScrollAdapter();
  ASSERT_NE(adapter, nullptr);
  ASSERT_TRUE(adapter->VertBar->Shown);
  ASSERT_TRUE(adapter->HorzBar->Shown);
  for (const RECT& bar : {adapter->VertBarRect(), adapter->HorzBarRect()})
    EXPECT_EQ(NotSkinned(adapter, bar), 0) << "the platform's bar is on the screen";
}

TEST_F(ScrollBarsOnScreen, ATreeViewFilledWhileShownShowsSkinnedBarsWithoutTheMouse) {
  vcl::TForm* form = NewSkinnedForm(360, 260);
  form->SetLeft(30);
  form->SetTop(30);
  auto* tree = new vcl::TTreeView(form);
  tree->SetParent(form);
  tree->SetBounds(10, 10, 200, 150);
  ShowForm(form);
  provider_test::KeepOnScreen("1");
  for (int i = 0; i < 60; ++i) tree->AddNode(-1, "Node " + std::to_string(i));
  provider_test::KeepOnScreen("1");
  auto* adapter = dynamic_cast<TacScrollWnd*>(GetWndAdapter(tree->Handle()));
  ASSERT_NE(adapter, nullptr);
  ASSERT_TRUE(adapter->VertBar->Shown);
  const RECT bar = adapter->VertBarRect();
  EXPECT_EQ(NotSkinned(adapter, bar), 0) << "the platform's bar is on the screen";
}

}  // namespace
