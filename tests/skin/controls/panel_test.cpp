// TsPanel and the labels on it: the panel paints its section, answers its children's
// background requests, and gives windowless labels its section's font colour.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "skin/controls/labels.h"
#include "skin/controls/panel.h"
#include "skin/controls/register_controls.h"
#include "skin/controls/skinned_edit.h"
#include "skin/engine/bitmap_ops.h"
#include "skin/engine/bound_label.h"
#include "skin/engine/skin_painting.h"
#include "skin/engine/window_messages.h"
#include "tests/skin/controls/controls_fixture.h"

using namespace skin;
using controls_test::Rgb;
using controls_test::SkinnedControls;

namespace {

class Panels : public SkinnedControls {
 protected:
  uint32_t SectionColour(const char* name) {
    int i = manager->FindSectionIndex(name);
    return Rgb(uint32_t(manager->Sections[size_t(i)].Color));
  }
  uint32_t SectionFontColour(const char* name) {
    int i = manager->FindSectionIndex(name);
    return uint32_t(manager->Sections[size_t(i)].FontColor[0]);
  }
};

TEST_F(Panels, PaintTheirSectionSkinnedAndThePlatformLookWithout) {
  auto* panel = Add<TsPanel>(nullptr, 0, 0, 200, 120);
  panel->SetBevelOuter(vcl::bvNone);
  panel->SetColor(vcl::TColor(0x123456));
  panel->SetCaption("");
  Pump();
  EXPECT_EQ(FormPixel(100, 60), Rgb(0x123456));
  ActivateSkin();
  Pump();
  EXPECT_EQ(FormPixel(100, 60), SectionColour("PANEL"));
  panel->SkinData()->SetSkinSection("PANEL_LOW");
  Pump();
  EXPECT_EQ(FormPixel(100, 60), SectionColour("PANEL_LOW"));
  RemoveSkin();
  Pump();
  EXPECT_EQ(FormPixel(100, 60), Rgb(0x123456));
}

TEST_F(Panels, AnswerTheirChildrensBackgroundRequests) {
  ActivateSkin();
  auto* panel = Add<TsPanel>(nullptr, 10, 10, 200, 120);
  auto* child = Add<TsPanel>(panel, 20, 20, 50, 40);
  Pump();
  TsBackgroundRequest request;
  RequestCtrlBackground(request, panel, false);
  // A plain section answers with its colour; a see-through child passes the question up.
  EXPECT_NE(request.Kind, bkNone);
  (void)child;
}

TEST_F(Panels, LabelsTakeTheFontColourOfTheirParentsSection) {
  ActivateSkin();
  auto* panel = Add<TsPanel>(nullptr, 0, 0, 200, 120);
  auto* label = Add<TsLabel>(panel, 10, 10, 80, 16);
  label->SetCaption("Opacity");
  label->Font()->SetColor(vcl::clLime);
  Pump();
  label->Repaint();
  EXPECT_EQ(uint32_t(label->Font()->Color()), SectionFontColour("PANEL"));
  RemoveSkin();
  Pump();
  EXPECT_EQ(label->Font()->Color(), vcl::clWindowText);
}

TEST_F(Panels, ADisabledLabelFadesItsTextIntoTheBackground) {
  ActivateSkin();
  auto* panel = Add<TsPanel>(nullptr, 0, 0, 200, 120);
  auto* label = Add<TsLabel>(panel, 10, 10, 120, 20);
  label->SetCaption("WWWWWWWW");
  label->Font()->SetStyle(vcl::TFontStyles{vcl::fsBold});
  label->Font()->SetHeight(-16);
  Pump();
  // The colours the label's text shows, painted now, with how often each appears.
  auto textColours = [&] {
    auto image = CreateBmp24(panel->Width(), panel->Height());
    SendMessageA(panel->Handle(), WM_PRINT, WPARAM(image->Canvas()->Handle()), PRF_CLIENT | PRF_CHILDREN);
    std::map<uint32_t, int> colours;
    for (int y = 10; y < 30; ++y)
      for (int x = 10; x < 130; ++x) ++colours[Rgb(GetPixel(image->Canvas()->Handle(), x, y))];
    return colours;
  };
  const uint32_t fontColour = Rgb(vcl::ColorToRGB(label->Font()->Color()));
  const uint32_t behind = Rgb(uint32_t(GetControlBgColor(panel)));
  ASSERT_NE(fontColour, behind);
  EXPECT_GT(textColours()[fontColour], 0);
  // Disabled, the text takes 40 % of its colour and 60 % of the background's, not the
  // platform's embossed look.
  label->SetEnabled(false);
  Pump();
  auto channel = [](uint32_t c, int shift) { return int(c >> shift & 0xFF); };
  std::map<uint32_t, int> disabled = textColours();
  EXPECT_EQ(disabled.count(fontColour), 0u);
  // The text's strongest colour: the one farthest from the background.
  uint32_t strongest = behind;
  int farthest = 0;
  for (auto [colour, count] : disabled) {
    int distance = 0;
    for (int shift : {0, 8, 16}) distance += std::abs(channel(colour, shift) - channel(behind, shift));
    if (distance > farthest) farthest = distance, strongest = colour;
  }
  for (int shift : {0, 8, 16}) {
    const int expected = (channel(fontColour, shift) * 4 + channel(behind, shift) * 6 + 5) / 10;
    EXPECT_NEAR(channel(strongest, shift), expected, 2) << "channel at bit " << shift;
  }
}

TEST_F(Panels, ALabelThatKeepsItsOwnColourIgnoresTheSkin) {
  ActivateSkin();
  auto* label = Add<TsLabel>(nullptr, 10, 10, 80, 16);
  label->SetUseSkinColor(false);
  label->Font()->SetColor(vcl::clLime);
  label->Repaint();
  EXPECT_EQ(label->Font()->Color(), vcl::clLime);
}

TEST_F(Panels, WebLabelsOpenOnlyWebAndMailAddresses) {
  const struct {
    const char* url;
    bool opens;
  } cases[] = {
      {"https://example.org/", true},   {"HTTP://example.org", true},        {"mailto:someone@example.org", true},
      {"", false},                      {"file:///etc/passwd", false},       {"C:\\windows\\notepad.exe", false},
      {"javascript:alert(1)", false},   {"http://a\nb", false},              {"https://", false},
  };
  std::vector<std::pair<std::string, int>> opened;
  auto saved = TsWebLabel::ShellOpen;
  TsWebLabel::ShellOpen = [&](const std::string& url, int show) { opened.emplace_back(url, show); };
  auto* label = Add<TsWebLabel>(nullptr, 10, 10, 120, 16);
  label->SetShowMode(soShowNA);
  for (const auto& c : cases) {
    opened.clear();
    label->SetURL(c.url);
    label->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    label->Perform(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(opened.size(), c.opens ? 1u : 0u) << c.url;
    if (c.opens && !opened.empty()) {
      EXPECT_EQ(opened[0].first, c.url);
      EXPECT_EQ(opened[0].second, SW_SHOWNA);
    }
  }
  TsWebLabel::ShellOpen = saved;
}

TEST_F(Panels, WebLabelsShowTheirHoverColourUnderTheMouse) {
  auto* label = Add<TsWebLabel>(nullptr, 10, 10, 120, 16);
  label->SetCaption("home page");
  // Without a skin: blue, and red under the mouse, unless the font says otherwise.
  label->NormalFont()->SetColor(vcl::TColor(-1));
  label->HoverFont()->SetColor(vcl::TColor(-1));
  EXPECT_EQ(uint32_t(label->GetCurrentFont()->Color()), 0xFF0000u);
  label->Perform(vcl::CM_MOUSEENTER, 0, 0);
  EXPECT_TRUE(label->Hovered());
  EXPECT_EQ(uint32_t(label->GetCurrentFont()->Color()), 0x0000FFu);
  label->Perform(vcl::CM_MOUSELEAVE, 0, 0);
  ActivateSkin();
  const TsGeneralData& global = manager->Sections[size_t(manager->CommonIndexes.GlobalInfoIndex)];
  EXPECT_EQ(int32_t(label->GetCurrentFont()->Color()), global.FontColor[4]);
  label->Perform(vcl::CM_MOUSEENTER, 0, 0);
  EXPECT_EQ(int32_t(label->GetCurrentFont()->Color()), global.FontColor[2]);
}

}  // namespace

namespace {

TEST_F(Panels, BoundLabelsOfEditsAreSkinnedLabelsThatMayGoFirst) {
  RegisterSkinnedControls();
  ActivateSkin();
  auto* edit = Add<TsEdit>(nullptr, 80, 10, 120, 21);
  edit->BoundLabel()->SetCaption("Width");
  edit->BoundLabel()->SetActive(true);
  auto* label = dynamic_cast<TsEditLabel*>(edit->BoundLabel()->LabelControl());
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->Caption(), "Width");
  // Freed elsewhere, the label is forgotten by its bound label, which stays usable.
  delete label;
  EXPECT_FALSE(edit->BoundLabel()->Active());
  edit->BoundLabel()->SetActive(true);
  EXPECT_TRUE(edit->BoundLabel()->Active());
}

}  // namespace
