// TsButton: a push button that answers the mouse and the keyboard as the platform's does,
// skinned or not, and paints each state from its skin section.
#include <gtest/gtest.h>

#include "skin/controls/button.h"
#include "tests/skin/controls/controls_fixture.h"

using namespace skin;
using controls_test::SkinnedControls;

namespace {

class Buttons : public SkinnedControls {};

TEST_F(Buttons, ClickFiresOnClickOnceSkinnedOrNot) {
  for (bool skinned : {false, true}) {
    if (skinned) ActivateSkin();
    auto* button = Add<TsButton>(nullptr, 10, 10, 90, 28);
    button->SetCaption("OK");
    int clicks = 0;
    button->OnClick = [&](vcl::TObject*) { ++clicks; };
    SendMessageA(button->Handle(), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(clicks, 1) << "skinned " << skinned;
    LONG style = GetWindowLongA(button->Handle(), GWL_STYLE) & 0x0F;
    EXPECT_EQ(style == BS_OWNERDRAW, skinned);
    delete button;
  }
}

}  // namespace
