// TsButton: a push button that answers the mouse and the keyboard as the platform's does,
// skinned or not, and paints each state from its skin section.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "skin/controls/button.h"
#include "tests/skin/controls/controls_fixture.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;
using controls_test::SkinnedControls;

namespace {

class Buttons : public SkinnedControls {
 protected:
  // What the button shows, printed into a bitmap.
  std::unique_ptr<vcl::TBitmap> Print(vcl::TWinControl* control) {
    auto image = CreateBmp24(control->Width(), control->Height());
    SendMessageA(control->Handle(), WM_PRINT, WPARAM(image->Canvas()->Handle()), PRF_CLIENT);
    return image;
  }
  static uint32_t At(vcl::TBitmap* b, int x, int y) { return uint32_t(GetPixel(b->Canvas()->Handle(), x, y)); }
  static std::vector<uint32_t> Pixels(vcl::TBitmap* b) {
    std::vector<uint32_t> out;
    for (int y = 0; y < b->Height(); ++y)
      for (int x = 0; x < b->Width(); ++x) out.push_back(At(b, x, y));
    return out;
  }
};

void PostKey(HWND wnd, WORD key) {
  PostMessageA(wnd, WM_KEYDOWN, key, 1);
  PostMessageA(wnd, WM_KEYUP, key, 0xC0000001);
}

TEST_F(Buttons, AnswerClicksAndKeysAsThePlatformButtonSkinnedOrNot) {
  enum Input { Click, Space, EnterOnDefault, EscapeOnCancel };
  for (bool skinned : {false, true}) {
    if (skinned) ActivateSkin();
    for (Input input : {Click, Space, EnterOnDefault, EscapeOnCancel}) {
      auto* edit = Add<vcl::TEdit>(nullptr, 10, 60, 100, 22);
      auto* button = Add<TsButton>(nullptr, 10, 10, 90, 28);
      button->SetCaption("OK");
      button->SetDefault(input == EnterOnDefault);
      button->SetCancel(input == EscapeOnCancel);
      int clicks = 0;
      button->OnClick = [&](vcl::TObject*) { ++clicks; };
      Pump();
      switch (input) {
        case Click:
          SendMessageA(button->Handle(), BM_CLICK, 0, 0);
          break;
        case Space:
          button->SetFocus();
          PostKey(button->Handle(), VK_SPACE);
          break;
        case EnterOnDefault:
          edit->SetFocus();
          PostKey(edit->Handle(), VK_RETURN);
          break;
        case EscapeOnCancel:
          edit->SetFocus();
          PostKey(edit->Handle(), VK_ESCAPE);
          break;
      }
      PumpUntil([&] { return clicks > 0; }, 500);
      EXPECT_EQ(clicks, 1) << "skinned " << skinned << " input " << input;
      EXPECT_EQ((GetWindowLongA(button->Handle(), GWL_STYLE) & 0x0F) == BS_OWNERDRAW, skinned);
      delete button;
      delete edit;
    }
  }
}

TEST_F(Buttons, PaintEachStateFromTheSkinSection) {
  ActivateSkin();
  auto* button = Add<TsButton>(nullptr, 20, 20, 100, 30);
  button->SetCaption("Go");
  button->SkinData()->SetSkinSection("BUTTON");
  Pump();
  auto normal = Print(button);
  button->Perform(vcl::CM_MOUSEENTER, 0, 0);
  EXPECT_EQ(button->CurrentState(), 1);
  auto hot = Print(button);
  button->Perform(vcl::CM_MOUSELEAVE, 0, 0);
  button->SetDown(true);
  EXPECT_EQ(button->CurrentState(), 2);
  auto pressed = Print(button);
  // Three states, three looks (hot and pressed share the hot face; their borders differ).
  std::set<std::vector<uint32_t>> looks{Pixels(normal.get()), Pixels(hot.get()), Pixels(pressed.get())};
  EXPECT_EQ(looks.size(), 3u);
  EXPECT_NE(At(normal.get(), 8, 15), At(hot.get(), 8, 15));
  // The face is the section's own, not the platform's button colour.
  EXPECT_NE(At(normal.get(), 8, 15), uint32_t(GetSysColor(COLOR_BTNFACE)));
}

TEST_F(Buttons, TheSkinCutsCornersThatRemovingItGivesBack) {
  ActivateSkin();
  auto* button = Add<TsButton>(nullptr, 20, 20, 100, 30);
  button->SetCaption("Round");
  Pump();
  RedrawWindow(button->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(GetWindowRgn(button->Handle(), region), ERROR);
  // The skin's button mask has transparent corners: the corner pixel is outside the window.
  EXPECT_FALSE(PtInRegion(region, 0, 0));
  RemoveSkin();
  Pump();
  EXPECT_EQ(GetWindowRgn(button->Handle(), region), ERROR);
  EXPECT_NE(GetWindowLongA(button->Handle(), GWL_STYLE) & 0x0F, BS_OWNERDRAW);
  DeleteObject(region);
}

TEST_F(Buttons, AnEmptyCaptionIsMeasuredAsNothing) {
  ActivateSkin();
  auto* button = Add<TsButton>(nullptr, 20, 20, 80, 30);
  button->SetCaption("");
  button->SetFocus();
  Pump();
  // Composing with focus and no caption draws no focus frame and does not fail.
  auto image = Print(button);
  EXPECT_EQ(image->Width(), 80);
}

}  // namespace
