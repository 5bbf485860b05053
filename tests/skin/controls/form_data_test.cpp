// The skinned controls as the compositor's form data names them: every class is created by
// name and its published properties and sub-properties are set from the text.
#include <gtest/gtest.h>

#include <memory>

#include "skin/controls/bevel.h"
#include "skin/controls/button.h"
#include "skin/controls/group_box.h"
#include "skin/controls/labels.h"
#include "skin/controls/panel.h"
#include "skin/controls/radio_group.h"
#include "skin/controls/register_controls.h"
#include "skin/controls/scroll_box.h"
#include "skin/controls/speed_button.h"
#include "skin/controls/track_bar.h"
#include "tests/skin/controls/controls_fixture.h"
#include "vcl/classes/filer.h"
#include "vcl/runtime/streams.h"

using namespace skin;
using controls_test::SkinnedControls;

namespace {

const char* const PanelText = R"(object Back: TsPanel
  Left = 0
  Top = 0
  Width = 400
  Height = 300
  Align = alClient
  BevelOuter = bvNone
  Caption = 'Back'
  SkinData.SkinSection = 'PANEL'
  object Title: TsLabel
    Left = 10
    Top = 8
    Width = 60
    Height = 13
    Caption = 'Opacity'
    Font.Style = [fsBold]
  end
  object Link: TsWebLabel
    Left = 10
    Top = 24
    Width = 80
    Height = 13
    Caption = 'home page'
    URL = 'https://example.org/'
    HoverFont.Style = [fsUnderline]
  end
  object Rotate: TsSpeedButton
    Left = 10
    Top = 40
    Width = 29
    Height = 29
    Hint = 'Rotate 90'
    Flat = True
    ShowHint = True
    SkinData.SkinSection = 'SPEEDBUTTON'
  end
  object Opacity: TsTrackBar
    Left = 10
    Top = 80
    Width = 182
    Height = 27
    Max = 255
    Position = 200
    Frequency = 1
    TickStyle = tsNone
    SkinData.SkinSection = 'TRACKBAR'
  end
  object Mode: TsRadioGroup
    Left = 10
    Top = 110
    Width = 166
    Height = 65
    Caption = 'Overlay'
    ItemIndex = 1
    Items.Strings = (
      'Stretch To Fit'
      'Tile Image')
  end
  object Frame: TsGroupBox
    Left = 200
    Top = 10
    Width = 150
    Height = 80
    Caption = 'Base'
    CaptionLayout = clTopCenter
  end
  object Rule: TsBevel
    Left = 0
    Top = 180
    Width = 400
    Height = 2
    Shape = bsTopLine
  end
  object Box: TsScrollBox
    Left = 200
    Top = 100
    Width = 150
    Height = 100
    AutoScroll = False
    BorderStyle = bsNone
    SkinData.SkinSection = 'PANEL_LOW'
  end
  object Ok: TsButton
    Left = 224
    Top = 220
    Width = 75
    Height = 25
    Caption = 'OK'
  end
end
)";

class FormData : public SkinnedControls {};

TEST_F(FormData, ReadsEveryControlOfTheMainFormWithItsProperties) {
  RegisterSkinnedControls();
  ActivateSkin();
  vcl::TStringStream stream(PanelText);
  std::unique_ptr<TsPanel> owner(static_cast<TsPanel*>(vcl::ReadComponent(&stream)));
  TsPanel* panel = owner.get();
  ASSERT_NE(panel, nullptr);
  panel->SetParent(form.get());
  Pump();
  EXPECT_EQ(panel->ClassName(), "TsPanel");
  EXPECT_EQ(panel->SkinData()->SkinSection(), "PANEL");
  EXPECT_EQ(panel->BevelOuter(), vcl::bvNone);

  auto* label = static_cast<TsLabel*>(panel->FindComponent("Title"));
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(label->Font()->Style().Contains(vcl::fsBold));
  auto* link = static_cast<TsWebLabel*>(panel->FindComponent("Link"));
  EXPECT_EQ(link->URL(), "https://example.org/");
  EXPECT_TRUE(link->HoverFont()->Style().Contains(vcl::fsUnderline));

  auto* rotate = static_cast<TsSpeedButton*>(panel->FindComponent("Rotate"));
  EXPECT_TRUE(rotate->Flat());
  EXPECT_EQ(rotate->Hint(), "Rotate 90");
  EXPECT_EQ(rotate->SkinData()->SkinSection(), "SPEEDBUTTON");

  auto* opacity = static_cast<TsTrackBar*>(panel->FindComponent("Opacity"));
  EXPECT_EQ(opacity->Max(), 255);
  EXPECT_EQ(opacity->Position(), 200);
  EXPECT_EQ(opacity->TickStyle(), vcl::tsNone);

  auto* mode = static_cast<TsRadioGroup*>(panel->FindComponent("Mode"));
  ASSERT_EQ(mode->ButtonCount(), 2);
  EXPECT_EQ(mode->ItemIndex(), 1);
  EXPECT_TRUE(mode->Buttons(1)->Checked());
  EXPECT_EQ(mode->Buttons(0)->Caption(), "Stretch To Fit");

  EXPECT_EQ(static_cast<TsGroupBox*>(panel->FindComponent("Frame"))->CaptionLayout(), clTopCenter);
  EXPECT_EQ(static_cast<TsBevel*>(panel->FindComponent("Rule"))->Shape(), vcl::bsTopLine);
  auto* box = static_cast<TsScrollBox*>(panel->FindComponent("Box"));
  EXPECT_FALSE(box->AutoScroll());
  EXPECT_EQ(box->BorderStyle(), vcl::bsNone);
  EXPECT_EQ(static_cast<TsButton*>(panel->FindComponent("Ok"))->Caption(), "OK");

  // Everything paints with the skin active.
  form->Repaint();
  Pump();
  panel->SetParent(nullptr);
}

}  // namespace
