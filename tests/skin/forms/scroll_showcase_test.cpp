// Shows a skinned form whose controls reach beyond its client area (AutoScroll gives it scroll
// bars) and a tree view with more items than it shows, for a screenshot; skipped unless
// MERGEON_SHOWCASE_SECONDS says how long to show them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "skin/forms/skin_provider.h"
#include "tests/skin/forms/adapter_skin_fixture.h"
#include "tests/skin/forms/provider_fixture.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/comctrls.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;

namespace {

TEST(ScrollShowcase, FormWithAutoScrollAndTreeView) {
  const char* seconds = std::getenv("MERGEON_SHOWCASE_SECONDS");
  if (!seconds) GTEST_SKIP() << "set MERGEON_SHOWCASE_SECONDS to show the form";
  TsSkinManager* manager = provider_test::InternalSkinManager();
  // The showcase runs alone: the shared manager may keep the standard classes.
  adapter_test::ListStandardClasses(manager);
  std::unique_ptr<vcl::TForm> form(new vcl::TForm(nullptr));
  form->SetBounds(40, 40, 420, 320);
  form->SetCaption("Mergeon - scroll bars");
  vcl::New<TsSkinProvider>(form.get());
  auto* distant = new vcl::TButton(form.get());
  distant->SetParent(form.get());
  distant->SetBounds(600, 500, 90, 28);
  distant->SetCaption("Far away");
  auto* tree = new vcl::TTreeView(form.get());
  tree->SetParent(form.get());
  tree->SetBounds(10, 10, 200, 150);
  for (int i = 0; i < 40; ++i) tree->AddNode(-1, "Node " + std::to_string(i));
  auto* later = new vcl::TTreeView(form.get());
  later->SetParent(form.get());
  later->SetBounds(220, 10, 170, 150);
  form->Show();
  provider_test::KeepOnScreen("2");
  // Items that come once the tree is on the screen bring its bars then.
  for (int i = 0; i < 40; ++i) later->AddNode(-1, "Later " + std::to_string(i));
  SendMessageA(tree->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
  provider_test::KeepOnScreen(seconds);
}

}  // namespace
