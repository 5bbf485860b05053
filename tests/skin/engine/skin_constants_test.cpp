// The constants every part of the skinning toolkit shares: default sections of control codes,
// the code sets, the interface texts and the process-wide defaults.
#include <gtest/gtest.h>

#include "skin/engine/anim_effects.h"
#include "skin/engine/skin_types.h"
#include "vcl/runtime/win.h"

using namespace skin;

namespace {

TEST(SkinConstants, ControlCodesSelectTheirDefaultSection) {
  struct Case {
    int32_t code;
    const char* section;
  } cases[] = {
      {2, "EDIT"},          {8, "EDIT"},         {9, ""},           {41, "EDIT"},        {227, "EDIT"},
      {11, "COMBOBOX"},     {82, "COMBOBOX"},    {19, "BAR"},       {20, "BARTITLE"},    {152, "CHECKBOX"},
      {33, "RADIOBUTTON"},  {73, "PANEL"},       {52, "PANEL_LOW"}, {58, "PANEL_LOW"},   {60, "TOOLBAR"},
      {56, "DRAGBAR"},      {57, "TABSHEET"},    {226, "GROUPBOX"}, {74, "GROUPBOX"},    {75, "SPLITTER"},
      {95, "SPEEDBUTTON"},  {94, "BUTTON"},      {98, "TOOLBUTTON"}, {143, "PAGECONTROL"}, {151, "STATUSBAR"},
      {161, "GAUGE"},       {165, "TRACKBAR"},   {0, ""},           {224, ""},           {-1, ""},
      {100000, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(DefaultSkinSection(c.code), c.section) << c.code;
}

TEST(SkinConstants, CodeSetsHoldTheirRangesAndNothingOutsideZeroTo255) {
  struct Case {
    const TacCodeSet* set;
    int32_t code;
    bool member;
  } cases[] = {
      {&EditLikeCodes, 2, true},     {&EditLikeCodes, 18, true},   {&EditLikeCodes, 19, false},
      {&EditLikeCodes, 41, true},    {&EditLikeCodes, 84, true},   {&EditLikeCodes, 85, false},
      {&EditLikeCodes, 140, true},   {&EditLikeCodes, 141, false}, {&NoHoverCodes, 19, true},
      {&NoHoverCodes, 51, true},     {&NoHoverCodes, 74, true},    {&NoHoverCodes, 75, false},
      {&NoHoverCodes, 110, true},    {&NoHoverCodes, 161, true},   {&NoHoverCodes, 162, false},
      {&NoGlowCodes, 53, false},     {&NoGlowCodes, 54, true},     {&NoGlowCodes, 92, false},
      {&NoGlowCodes, 226, true},     {&NoGlowCodes, 142, false},   {&NoHoverCodes, 256 + 51, false},
      {&EditLikeCodes, -254, false}, {&NoGlowCodes, 1 << 20, false},
  };
  for (const Case& c : cases) EXPECT_EQ(CodeInSet(*c.set, c.code), c.member) << c.code;
}

TEST(SkinConstants, InterfaceTextsComeFromTheStringTable) {
  EXPECT_EQ(SkinText(stRestore), "Restore");
  EXPECT_EQ(SkinText(stInternalSkin), "(internal)");
  EXPECT_EQ(SkinText(58910), "Create");
  EXPECT_EQ(SkinText(58961), "Listbox (%s) style must be virtual in order to set Count");
  EXPECT_EQ(SkinText(58992), "OK");
  EXPECT_EQ(SkinText(58912), "");  // a gap in the numbers
  EXPECT_EQ(SkinText(100), "");
}

TEST(SkinConstants, ProcessWideDefaults) {
  EXPECT_EQ(SM_ALPHACMD, SkinMessageValue);
  EXPECT_EQ(SkinKeyColor, 0xFF00FF);
  EXPECT_EQ(EmptyBackgroundInfo.Bitmap, nullptr);
  EXPECT_EQ(EmptyBackgroundInfo.X, -99);
  EXPECT_EQ(EmptyBackgroundInfo.Y, 0);
  EXPECT_FALSE(EmptyBackgroundInfo.Ready);
  EXPECT_EQ(ScrollBarWidth, GetSystemMetrics(SM_CXHSCROLL));
  EXPECT_FALSE(AnimationInProgress);
  const TacBtnEvent expected[] = {beMouseEnter, beMouseLeave, beMouseDown, beMouseUp, beMouseUp};
  for (int e = aeMouseEnter; e <= aeGlobalDef; ++e) EXPECT_EQ(AnimEventToBtnEvent[e], expected[e]) << e;
}

}  // namespace
