// Buttons driven by actions on a real form: caption and enabled state in the button's window,
// Checked in check boxes and speed buttons, the action's picture on a speed button, pressing
// the button executes the action, and OnUpdate deciding the state while the program is idle.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/dialog_answerer.h"
#include "tests/vcl/stdctrls/stdctrls_test_util.h"
#include "vcl/controls/actions.h"
#include "vcl/controls/timer.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/imagelist.h"
#include "vcl/stdctrls/buttons.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace vcl;

namespace {

// Runs the loop with its idle work until `done`; a timer keeps it from waiting for ever.
bool IdleUntil(const std::function<bool()>& done) {
  TTimer ticker(nullptr);
  ticker.SetInterval(10);
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > 5000) return false;
    Application->HandleMessage();
  }
  return true;
}

}  // namespace

class ButtonActions : public StdCtrlsTest {
 protected:
  void SetUp() override {
    StdCtrlsTest::SetUp();
    form = NewForm();
    list = new TActionList(form);
    action = new TAction(form);
    action->SetActionList(list);
    action->SetCaption("&Save");
  }
  TForm* form = nullptr;
  TActionList* list = nullptr;
  TAction* action = nullptr;
};

TEST_F(ButtonActions, AButtonShowsTheActionsCaptionAndStateAndPressingItExecutesIt) {
  auto* button = Place<TButton>(form, 10, 10, 75, 25);
  int executed = 0;
  action->OnExecute = [&](TObject*) { ++executed; };
  button->SetAction(action);
  form->Show();
  HWND wnd = button->Handle();
  EXPECT_EQ(WindowText(wnd), "&Save");
  action->SetCaption("Save &as");
  EXPECT_EQ(WindowText(wnd), "Save &as");
  action->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(wnd));
  action->SetEnabled(true);
  EXPECT_TRUE(IsWindowEnabled(wnd));
  SendMessageA(wnd, BM_CLICK, 0, 0);
  Pump();
  EXPECT_EQ(executed, 1);
  action->SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(wnd));
}

TEST_F(ButtonActions, ACheckBoxShowsCheckedWithoutBeingClickedAndItsClickTogglesTheAction) {
  auto* box = Place<TCheckBox>(form, 10, 10, 120, 20);
  int boxClicks = 0;
  action->SetAutoCheck(true);
  action->OnExecute = [](TObject*) {};
  action->SetChecked(true);
  box->SetAction(action);
  form->Show();
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(SendMessageA(box->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  box->OnClick = [&](TObject*) { ++boxClicks; };
  action->SetChecked(false);
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(SendMessageA(box->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(boxClicks, 0);  // set through the action, not clicked

  // The user's click: the box's own handler runs; without one the action executes.
  box->OnClick = nullptr;
  SendMessageA(box->Handle(), BM_CLICK, 0, 0);
  Pump();
  EXPECT_TRUE(box->Checked());
  EXPECT_TRUE(action->Checked());
}

TEST_F(ButtonActions, ASpeedButtonOfAGroupIsDownWhileItsActionIsChecked) {
  auto* speed = Place<TSpeedButton>(form, 10, 10, 25, 25);
  speed->SetAllowAllUp(true);
  action->SetGroupIndex(3);
  speed->SetAction(action);
  EXPECT_EQ(speed->GroupIndex(), 3);
  EXPECT_FALSE(speed->Down());
  action->SetChecked(true);
  EXPECT_TRUE(speed->Down());
  action->SetChecked(false);
  EXPECT_FALSE(speed->Down());
  action->SetEnabled(false);
  EXPECT_FALSE(speed->Enabled());
  EXPECT_EQ(speed->Caption(), "&Save");
}

TEST_F(ButtonActions, ASpeedButtonWithoutAGlyphTakesTheActionsPicture) {
  auto* images = new TImageList(form);
  images->SetWidth(16);
  images->SetHeight(16);
  TBitmap picture;
  picture.SetPixelFormat(pf24bit);
  picture.SetSize(16, 16);
  picture.Canvas()->Brush()->SetColor(clGreen);
  picture.Canvas()->FillRect(Rect(0, 0, 16, 16));
  images->AddMasked(&picture, clNone);
  list->SetImages(images);
  action->SetImageIndex(0);

  auto* speed = Place<TSpeedButton>(form, 10, 10, 25, 25);
  speed->SetAction(action);
  ASSERT_FALSE(speed->Glyph()->Empty());
  EXPECT_EQ(speed->Glyph()->Width(), 16);
  EXPECT_EQ(ColorToRGB(speed->Glyph()->Canvas()->Pixels(8, 8)), ColorToRGB(clGreen));

  // A button with a picture of its own keeps it.
  auto* own = Place<TSpeedButton>(form, 40, 10, 25, 25);
  TBitmap glyph;
  glyph.SetSize(8, 8);
  own->SetGlyph(&glyph);
  own->SetAction(action);
  EXPECT_EQ(own->Glyph()->Width(), 8);
}

// The handler decides the state while the program waits for input.
TEST_F(ButtonActions, OnUpdateDecidesTheButtonsStateWhileIdle) {
  auto* button = Place<TButton>(form, 10, 10, 75, 25);
  bool documentOpen = false;
  int updates = 0;
  action->OnUpdate = [&](TObject*) {
    ++updates;
    action->SetEnabled(documentOpen);
  };
  action->OnExecute = [](TObject*) {};
  button->SetAction(action);
  form->Show();
  ASSERT_TRUE(IdleUntil([&] { return updates > 0; }));
  EXPECT_FALSE(IsWindowEnabled(button->Handle()));
  documentOpen = true;
  ASSERT_TRUE(IdleUntil([&] { return IsWindowEnabled(button->Handle()) != FALSE; }));
  EXPECT_TRUE(button->Enabled());
}
