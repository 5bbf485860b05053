// A skinned form left on the screen for a while, so that a screenshot shows the frame, title
// and title buttons as a user sees them. It runs only when MERGEON_SHOWCASE_SECONDS is set (for
// instance under the screenshot tool with the X11 driver); the normal test run skips it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/skin/forms/provider_fixture.h"

using namespace provider_test;

namespace {

TEST_F(ProviderTest, Showcase) {
  const char* seconds = std::getenv("MERGEON_SHOWCASE_SECONDS");
  if (!seconds) GTEST_SKIP() << "set MERGEON_SHOWCASE_SECONDS to show the form";
  vcl::TForm* form = NewSkinnedForm(480, 320);
  form->SetCaption("Mergeon - skinned form");
  ShowWithAButton(form);
  KeepOnScreen(seconds);
}

}  // namespace
