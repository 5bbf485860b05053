// A skinned form holding one of each button, panel, label, group, bar and box of this library,
// read from form data: a showcase to look at, not a test. It runs only when asked for, and with
// MERGEON_SHOWCASE_SECONDS set it stays on screen that long for a screenshot under a real
// display (one command line):
//   MERGEON_SHOWCASE_SECONDS=8 shared/tools/screenshot out.png 6 build/tests/skin_controls_tests.exe
//     --gtest_also_run_disabled_tests --gtest_filter=ButtonShowcase.*
#include <gtest/gtest.h>

#include <cstdlib>

#include "skin/controls/bit_button.h"
#include "skin/controls/register_controls.h"
#include "skin/controls/speed_button.h"
#include "tests/skin/controls/controls_fixture.h"
#include "vcl/classes/filer.h"
#include "vcl/runtime/streams.h"

using namespace skin;
using controls_test::SkinnedControls;

namespace {

const char* const kButtonShowcase = R"(object Form: TForm
  Left = 40
  Top = 40
  Width = 520
  Height = 360
  Caption = 'Skinned controls'
  object Back: TsPanel
    Left = 0
    Top = 0
    Width = 512
    Height = 40
    Align = alTop
    Caption = 'TsPanel (PANEL)'
    object Rotate: TsSpeedButton
      Left = 6
      Top = 5
      Width = 29
      Height = 29
      Hint = 'Rotate 90'
      Flat = True
      ShowHint = True
      SkinData.SkinSection = 'SPEEDBUTTON'
    end
    object Flip: TsSpeedButton
      Left = 38
      Top = 5
      Width = 29
      Height = 29
      GroupIndex = 1
      Down = True
      Caption = 'On'
    end
    object Menu: TsSpeedButton
      Left = 400
      Top = 8
      Width = 90
      Height = 25
      Caption = 'Drop'
      ButtonStyle = tbsDropDown
    end
  end
  object Rule: TsBevel
    Left = 0
    Top = 40
    Width = 512
    Height = 2
    Align = alTop
    Shape = bsTopLine
  end
  object Work: TsScrollBox
    Left = 0
    Top = 42
    Width = 512
    Height = 290
    Align = alClient
    AutoScroll = False
    BorderStyle = bsNone
    SkinData.SkinSection = 'PANEL_LOW'
    object Title: TsLabel
      Left = 12
      Top = 8
      Width = 120
      Height = 13
      Caption = 'TsLabel on PANEL_LOW'
      Font.Style = [fsBold]
    end
    object Link: TsWebLabel
      Left = 12
      Top = 28
      Width = 120
      Height = 13
      Caption = 'TsWebLabel link'
      URL = 'https://example.org/'
    end
    object Opacity: TsTrackBar
      Left = 10
      Top = 50
      Width = 182
      Height = 27
      Max = 255
      Position = 160
      TickStyle = tsNone
      SkinData.SkinSection = 'TRACKBAR'
    end
    object Ticks: TsTrackBar
      Left = 10
      Top = 85
      Width = 182
      Height = 40
      Max = 10
      Position = 3
      SelStart = 2
      SelEnd = 6
      TickMarks = tmBoth
    end
    object Mode: TsRadioGroup
      Left = 10
      Top = 135
      Width = 180
      Height = 65
      Caption = 'TsRadioGroup'
      ItemIndex = 0
      Items.Strings = (
        'Stretch To Fit'
        'Tile Image')
    end
    object Frame: TsGroupBox
      Left = 210
      Top = 10
      Width = 280
      Height = 120
      Caption = 'TsGroupBox'
      object Ok: TsButton
        Left = 16
        Top = 30
        Width = 75
        Height = 25
        Caption = 'OK'
        Default = True
      end
      object Cancel: TsButton
        Left = 100
        Top = 30
        Width = 75
        Height = 25
        Caption = 'Cancel'
      end
      object Off: TsButton
        Left = 184
        Top = 30
        Width = 75
        Height = 25
        Caption = 'Disabled'
        Enabled = False
      end
      object Apply: TsBitBtn
        Left = 184
        Top = 66
        Width = 80
        Height = 28
        Caption = 'Apply'
      end
      object Radio: TsRadioButton
        Left = 16
        Top = 70
        Width = 120
        Height = 20
        Caption = 'TsRadioButton'
        Checked = True
      end
    end
    object Colours: TsColorsPanel
      Left = 210
      Top = 140
      Width = 140
      Height = 60
      ItemIndex = 2
      Colors.Strings = (
        'FF0000'
        '00FF00'
        '0000FF'
        'FFFF00'
        '00FFFF')
    end
    object Bar: TsSplitter
      Left = 360
      Top = 140
      Width = 6
      Height = 60
      Align = alNone
    end
  end
end
)";

class ButtonShowcase : public SkinnedControls {};

TEST_F(ButtonShowcase, DISABLED_EveryControlPaintsFromItsSection) {
  RegisterSkinnedControls();
  ActivateSkin();
  form.reset(new vcl::TForm(nullptr));
  vcl::TStringStream stream(kButtonShowcase);
  vcl::ReadComponent(&stream, form.get());
  vcl::TBitmap glyph;
  glyph.SetPixelFormat(vcl::pf24bit);
  glyph.SetSize(16, 16);
  glyph.Canvas()->Brush()->SetColor(vcl::clFuchsia);
  glyph.Canvas()->FillRect(vcl::TRect{0, 0, 16, 16});
  glyph.Canvas()->Brush()->SetColor(vcl::TColor(0x2060C0));
  glyph.Canvas()->Ellipse(2, 2, 14, 14);
  static_cast<TsSpeedButton*>(form->FindComponent("Rotate"))->SetGlyph(&glyph);
  static_cast<TsBitBtn*>(form->FindComponent("Apply"))->SetGlyph(&glyph);
  form->Show();
  form->Repaint();
  Pump();
  for (int i = 0; i < form->ComponentCount(); ++i) {
    auto* linked = dynamic_cast<IacSkinLinked*>(form->Components(i));
    if (linked) {
      EXPECT_TRUE(linked->SkinLink()->IsSkinned()) << form->Components(i)->Name();
    }
  }
  if (const char* seconds = std::getenv("MERGEON_SHOWCASE_SECONDS")) {
    const DWORD until = GetTickCount() + DWORD(std::atoi(seconds)) * 1000;
    while (GetTickCount() < until) {
      Pump();
      Sleep(20);
    }
  }
}

}  // namespace
