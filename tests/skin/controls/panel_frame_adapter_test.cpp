// TsFrameAdapter: a frame made skinned by the component placed on it, and given back when the
// component goes.
#include <gtest/gtest.h>

#include "skin/controls/frame_adapter.h"
#include "skin/controls/speed_button.h"
#include "skin/engine/window_messages.h"
#include "tests/skin/controls/controls_fixture.h"

using namespace skin;
using controls_test::Rgb;
using controls_test::SkinnedControls;

namespace {

class PanelFrameAdapters : public SkinnedControls {};

TEST_F(PanelFrameAdapters, BelongOnAFrameOnly) {
  try {
    TsFrameAdapter adapter(form.get());
    FAIL() << "an adapter on a form was accepted";
  } catch (const vcl::Exception& e) {
    EXPECT_EQ(e.Message(), "TsFrameAdapter adapter must be placed on the handled frame");
  }
}

TEST_F(PanelFrameAdapters, SkinTheFrameWhileTheyLive) {
  ActivateSkin();
  auto* frame = Add<vcl::TFrame>(nullptr, 10, 10, 200, 150);
  auto* adapter = vcl::New<TsFrameAdapter>(frame);
  adapter->SkinData()->SetSkinSection("PANEL");
  Pump();
  EXPECT_EQ(SendAlphaCmdWnd(frame->Handle(), cmdIsSkinned, 0), 1);
  const int panel = manager->FindSectionIndex("PANEL");
  EXPECT_EQ(SendAlphaCmdWnd(frame->Handle(), cmdGetSectionIndex, 0), panel + 1);
  // An opaque section answers its own colour to children asking what lies behind them.
  EXPECT_EQ(uint32_t(SendAlphaCmdWnd(frame->Handle(), cmdGetBgColor, 0)),
            uint32_t(manager->Sections[size_t(panel)].Color));
  form->Repaint();
  Pump();
  EXPECT_EQ(FormPixel(110, 85), Rgb(uint32_t(manager->Sections[size_t(panel)].Color)));
  // Entering the frame clears the hover look of a speed button inside it.
  auto* button = Add<TsSpeedButton>(frame, 5, 5, 29, 29);
  button->SkinData()->MouseOver = true;
  frame->Perform(vcl::CM_MOUSEENTER, 0, 0);
  EXPECT_FALSE(button->SkinData()->MouseOver);
  delete adapter;
  EXPECT_EQ(SendAlphaCmdWnd(frame->Handle(), cmdIsSkinned, 0), 0);
}

}  // namespace
