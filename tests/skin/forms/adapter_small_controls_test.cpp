// The up-down buttons and the windowless speed-button handler: states under the mouse, glyph
// and caption layout, and the control's own handling given back.
#include <gtest/gtest.h>

#include <memory>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/control_adapters.h"
#include "skin/forms/adapters/speed_button_handler.h"
#include "skin/forms/adapters/spin_adapter.h"
#include "tests/skin/forms/adapter_skin_fixture.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/buttons.h"

using namespace skin;

namespace {

class SmallControls : public ::testing::Test {
 protected:
  void SetUp() override {
    manager = adapter_test::LoadInternalSkin();
    ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
    form.reset(new vcl::TForm(nullptr));
    form->SetBounds(0, 0, 300, 250);
    form->Show();
  }
  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<vcl::TForm> form;
};

TEST_F(SmallControls, UpDownPressedFirstButtonShowsPressedAndTheOtherNormal) {
  HWND wnd = CreateWindowExA(0, UPDOWN_CLASSA, "", WS_CHILD | WS_VISIBLE, 20, 20, 18, 30, form->Handle(), nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(wnd, nullptr);
  TacMainWnd* base = MakeAdapter<TacSpinWnd>(true, wnd, std::string("SPEEDBUTTON_SMALL"), manager.get(), nullptr);
  auto* spin = static_cast<TacSpinWnd*>(base);
  EXPECT_TRUE(spin->IsVertical());
  RECT r{};
  GetWindowRect(wnd, &r);
  SetCursorPos(r.left + 5, r.top + 3);
  spin->MouseDown = true;
  SendMessageA(wnd, WM_PRINT, 0, 0);
  SendMessageA(wnd, WM_PAINT, 0, 0);
  EXPECT_EQ(spin->FirstState, 2);
  EXPECT_EQ(spin->SecondState, 0);
  SetCursorPos(r.left + 5, r.bottom - 3);
  SendMessageA(wnd, WM_PAINT, 0, 0);
  EXPECT_EQ(spin->FirstState, 0);
  EXPECT_EQ(spin->SecondState, 2);
  RemoveAdapter(wnd, true, false, base);
  DestroyWindow(wnd);
}

TEST_F(SmallControls, SpeedButtonHandlerLaysOutGlyphAndCaptionAndGivesTheControlBack) {
  auto* button = new vcl::TSpeedButton(form.get());
  button->SetParent(form.get());
  button->SetBounds(10, 10, 80, 60);
  button->SetCaption("Go");
  auto glyph = CreateBmp24(64, 16);  // four frames of 16 x 16
  button->SetGlyph(glyph.get());
  button->SetNumGlyphs(4);
  button->SetLayout(vcl::blGlyphTop);
  const int links = button->WindowProc.LinkCount();
  TsCommonData link(button, true);
  link.SetSkinSection("SPEEDBUTTON");
  link.ResolveSkinIndexes();
  {
    TacSpeedButtonHandler handler(button, "SPEEDBUTTON", manager.get(), &link);
    EXPECT_EQ(button->WindowProc.LinkCount(), links + 1);
    EXPECT_EQ(button->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdIsSkinned), 0), 1);
    // Margin -1 centres glyph and caption as one block, Spacing apart.
    const vcl::TRect g = handler.GlyphRect(), c = handler.CaptionRect();
    EXPECT_EQ(g.right - g.left, 16);
    EXPECT_EQ(c.top, g.bottom + button->Spacing());
    EXPECT_EQ((60 - (g.bottom - g.top) - button->Spacing() - (c.bottom - c.top)) / 2, g.top);
    // Pressed: one pixel right and down.
    button->SetGroupIndex(1);
    button->SetDown(true);
    EXPECT_EQ(handler.State(), 2);
    const vcl::TRect pressed = handler.GlyphRect();
    EXPECT_EQ(pressed.left, g.left + 1);
    EXPECT_EQ(pressed.top, g.top + 1);
    form->Repaint();
  }
  EXPECT_EQ(button->WindowProc.LinkCount(), links);
  EXPECT_EQ(button->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdIsSkinned), 0), 0);
}

TEST_F(SmallControls, SpeedButtonsOfTheManagersListGetTheHandlerAndLoseItWithTheSkin) {
  manager->ThirdPartyLists[17]->Add("TSpeedButton");
  auto* listed = new vcl::TSpeedButton(form.get());
  listed->SetParent(form.get());
  listed->SetBounds(10, 10, 60, 24);
  auto* freed = new vcl::TSpeedButton(form.get());
  freed->SetParent(form.get());
  freed->SetBounds(80, 10, 60, 24);
  TacCtrlAdapter* adapters = adapter_test::AdaptFormControls(form.get(), manager.get());
  ASSERT_NE(adapter_test::ItemHandlerOf(adapters, listed), nullptr);
  EXPECT_EQ(listed->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdIsSkinned), 0), 1);
  form->Repaint();
  delete freed;  // its handler lets go without touching it
  manager->SetActive(false);
  EXPECT_EQ(adapter_test::ItemHandlerOf(adapter_test::FormCtrlAdapter(form.get()), listed), nullptr);
  EXPECT_EQ(listed->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdIsSkinned), 0), 0);
}

}  // namespace
