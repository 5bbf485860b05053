// What a skinned form does for the skinned controls on it: a wheel nothing on the form took
// scrolls the scroll box under the cursor when that box takes wheels itself, and the mouse
// coming into the form clears the hover look of speed buttons it left too quickly.
#include <gtest/gtest.h>

#include <memory>

#include "skin/controls/scroll_box.h"
#include "skin/controls/speed_button.h"
#include "skin/forms/skin_provider.h"
#include "tests/skin/controls/skinned_form_fixture.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;

namespace {

class ProviderForControls : public ::testing::Test {
 protected:
  void SetUp() override {
    manager = controls_test::LoadInternalSkin();
    ASSERT_TRUE(manager->SkinData()->Active);
    form.reset(new vcl::TForm(nullptr));
    form->SetBounds(40, 40, 400, 300);
    provider = vcl::New<TsSkinProvider>(form.get());
    provider->SkinData()->SetSkinManager(manager.get());
  }
  void TearDown() override {
    form.reset();
    manager.reset();
  }
  // A scroll box with content below its bottom, at the left half of the form.
  TsScrollBox* MakeBox(bool autoWheel) {
    auto* box = new TsScrollBox(form.get());
    box->SetParent(form.get());
    box->SetBounds(10, 10, 180, 150);
    box->SetAutoMouseWheel(autoWheel);
    auto* deep = new vcl::TButton(form.get());
    deep->SetParent(box);
    deep->SetBounds(10, 600, 80, 24);
    return box;
  }
  // The wheel as the form receives it when nothing under the focus took it, over a client point.
  LRESULT Wheel(int x, int y) {
    POINT p{x, y};
    ClientToScreen(form->Handle(), &p);
    return form->Perform(vcl::CM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-WHEEL_DELTA)), MAKELPARAM(p.x, p.y));
  }

  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<vcl::TForm> form;
  TsSkinProvider* provider = nullptr;
};

TEST_F(ProviderForControls, AnUnhandledWheelScrollsTheScrollBoxUnderTheCursor) {
  TsScrollBox* box = MakeBox(true);
  form->Show();
  box->VertScrollBar()->SetPosition(0);
  POINT inside{50, 50};
  ClientToScreen(form->Handle(), &inside);
  EXPECT_EQ(TsSkinProvider::FindScrollBoxAt(form.get(), {inside.x, inside.y}), box);
  POINT outside{300, 250};
  ClientToScreen(form->Handle(), &outside);
  EXPECT_EQ(TsSkinProvider::FindScrollBoxAt(form.get(), {outside.x, outside.y}), nullptr);

  ASSERT_EQ(box->VertScrollBar()->Position(), 0);
  EXPECT_EQ(Wheel(300, 250), 0) << "no scroll box there";
  EXPECT_EQ(box->VertScrollBar()->Position(), 0);
  EXPECT_EQ(Wheel(50, 50), 1);
  EXPECT_GT(box->VertScrollBar()->Position(), 0);
}

TEST_F(ProviderForControls, AScrollBoxThatDoesNotTakeWheelsIsNotScrolled) {
  TsScrollBox* box = MakeBox(false);
  form->Show();
  box->VertScrollBar()->SetPosition(0);
  Wheel(50, 50);
  EXPECT_EQ(box->VertScrollBar()->Position(), 0);
}

TEST_F(ProviderForControls, TheMouseEnteringTheFormClearsSpeedButtonsThatStillShowIt) {
  auto* left = new TsSpeedButton(form.get());
  left->SetParent(form.get());
  left->SetBounds(10, 10, 60, 24);
  auto* entered = new TsSpeedButton(form.get());
  entered->SetParent(form.get());
  entered->SetBounds(80, 10, 60, 24);
  form->Show();
  left->SkinLink()->MouseOver = true;
  entered->SkinLink()->MouseOver = true;
  form->Perform(vcl::CM_MOUSEENTER, 0, LPARAM(entered));
  EXPECT_FALSE(left->SkinLink()->MouseOver);
  EXPECT_TRUE(entered->SkinLink()->MouseOver) << "the control the mouse went into keeps its look";
}

}  // namespace
