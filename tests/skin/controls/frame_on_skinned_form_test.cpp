// A frame on a form skinned by a provider: the application decides whether the frame is
// skinned; an accepted frame gets a frame adapter of its own (section "GROUPBOX") and no item
// of the control adapter, and only one however often the form's controls are adapted.
#include <gtest/gtest.h>

#include <memory>

#include "skin/controls/frame_adapter.h"
#include "skin/controls/register_controls.h"
#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/control_adapters.h"
#include "skin/forms/skin_provider.h"
#include "tests/skin/controls/skinned_form_fixture.h"
#include "vcl/controls/forms.h"

using namespace skin;

namespace {

int FrameFrameAdapters(vcl::TCustomFrame* frame) {
  int count = 0;
  for (int i = 0; i < frame->ComponentCount(); ++i)
    if (dynamic_cast<TsFrameAdapter*>(frame->Components(i))) ++count;
  return count;
}

TsFrameAdapter* FrameAdapterOf(vcl::TCustomFrame* frame) {
  for (int i = 0; i < frame->ComponentCount(); ++i)
    if (auto* adapter = dynamic_cast<TsFrameAdapter*>(frame->Components(i))) return adapter;
  return nullptr;
}

TEST(FrameOnSkinnedForm, AnAcceptedFrameGetsOneFrameAdapterAndNoItem) {
  RegisterSkinnedControls();
  auto manager = controls_test::LoadInternalSkin();
  ASSERT_TRUE(manager->SkinData()->Active);
  std::unique_ptr<vcl::TForm> form(new vcl::TForm(nullptr));
  form->SetBounds(0, 0, 400, 300);
  auto makeFrame = [&](int top) {
    auto* frame = new vcl::TFrame(form.get());
    frame->SetParent(form.get());
    frame->SetBounds(10, top, 200, 100);
    return frame;
  };
  vcl::TFrame* accepted = makeFrame(10);
  vcl::TFrame* refused = makeFrame(150);
  auto* provider = vcl::New<TsSkinProvider>(form.get());
  provider->SkinData()->SetSkinManager(manager.get());
  provider->OnSkinItem = [&](vcl::TComponent* item, bool& canBeAdded, std::string&) {
    if (item == refused) canBeAdded = false;
  };
  form->Show();
  provider->AdaptControls();
  ASSERT_NE(provider->CtrlAdapter(), nullptr);

  TsFrameAdapter* adapter = FrameAdapterOf(accepted);
  ASSERT_NE(adapter, nullptr);
  EXPECT_EQ(adapter->SkinData()->SkinSection(), "GROUPBOX");
  EXPECT_TRUE(WndAnswersAlphaCmd(accepted->Handle(), cmdIsSkinned));
  EXPECT_EQ(FrameFrameAdapters(refused), 0);
  EXPECT_FALSE(WndAnswersAlphaCmd(refused->Handle(), cmdIsSkinned));
  for (auto& item : provider->CtrlAdapter()->AdapterItems) {
    EXPECT_NE(item->Control, accepted);
    EXPECT_NE(item->Control, refused);
  }

  provider->CtrlAdapter()->AddAllItems();
  EXPECT_EQ(FrameFrameAdapters(accepted), 1);
  delete provider;
  form.reset();
}

}  // namespace
