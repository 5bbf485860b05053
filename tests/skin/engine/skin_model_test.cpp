// Look-ups and edits of a loaded skin that need no files: masks without frames, CommonSections,
// recolouring and the older stored format.
#include <gtest/gtest.h>

#include "skin/engine/colour_hsv.h"
#include "skin/engine/skin_manager.h"
#include "tests/skin/engine/test_skin.h"
#include "tests/support/temp_folder.h"
#include "vcl/classes/filer.h"

using namespace skin;
using namespace skin_test;

namespace {

TEST(SkinModel, MaskMarginsOfAMaskWithoutFramesAgreeOnBothSidesAndChangeNothing) {
  auto m = skin_test::NewManager();
  TsMaskData mask;
  mask.ImageRect = {0, 0, 30, 20};
  mask.ImageCount = 0;
  mask.MaskType = -1;
  m->Masks.push_back(mask);
  EXPECT_EQ(m->MaskMarginRight(0), 30);
  EXPECT_EQ(m->MaskMarginLeft(0), 30);
  EXPECT_EQ(m->Masks[0].ImageCount, 0);
  EXPECT_EQ(m->MaskMarginTop(0), 0);
  EXPECT_EQ(MaskFrameWidth(m->Masks[0]), 0);
  EXPECT_EQ(MaskFrameHeight(m->Masks[0]), 0);
  int32_t w, h;
  TsMaskData own;
  own.Image = std::make_shared<vcl::TBitmap>();
  own.ImageRect = {0, 0, 40, 30};
  own.ImageCount = 4;
  own.MaskType = 2;
  m->Masks.push_back(own);
  m->MaskFrameSize(1, w, h);  // its own frame count, not a fixed third
  EXPECT_EQ(w, 10);
  EXPECT_EQ(h, 10);
  EXPECT_EQ(m->MaskMarginLeft(7), 0);
  EXPECT_FALSE(m->IsMaskIndexValid(-1));
}

TEST(SkinModel, MarginsOfAMaskTurnedInsideOutAreZeroNotNegative) {
  auto m = skin_test::NewManager();
  struct Row {
    vcl::TRect rect;
    int16_t count, type;
    int32_t left, top, right, bottom;
  } rows[] = {
      {{30, 20, 0, 0}, 3, 1, 0, 0, 0, 0},  // right left of left, bottom above top
      {{30, 0, 0, 20}, 0, 0, 0, 20, 0, 20},
      {{0, 0, 30, 20}, 3, 1, 10, 10, 10, 10},
  };
  for (const Row& r : rows) {
    TsMaskData mask;
    mask.ImageRect = r.rect;
    mask.ImageCount = r.count;
    mask.MaskType = r.type;
    m->Masks.push_back(mask);
    const int i = int(m->Masks.size()) - 1;
    SCOPED_TRACE(i);
    EXPECT_EQ(m->MaskMarginLeft(i), r.left);
    EXPECT_EQ(m->MaskMarginTop(i), r.top);
    EXPECT_EQ(m->MaskMarginRight(i), r.right);
    EXPECT_EQ(m->MaskMarginBottom(i), r.bottom);
  }
}

TEST(SkinModel, TheBuiltInShadowReachesOnePixelFurtherWhileTheDesktopComposes) {
  TestTempFolder temp;
  WriteSkinFolder(temp.File("Skin"), TestSkinEntries());
  for (bool composing : {false, true}) {
    SCOPED_TRACE(composing);
    ThreadHookProcs.CompositionEnabled = composing ? +[] { return true; } : +[] { return false; };
    auto m = skin_test::NewManager();
    m->SetExtendedBorders(true);
    m->SetSkinDirectory(temp.Path());
    m->SetSkinName("Skin");
    if (!m->GetExtendedBorders()) GTEST_SKIP() << "no layered windows";
    EXPECT_EQ(m->ShadowMargins,
              composing ? (std::array<int32_t, 4>{12, 8, 12, 12}) : (std::array<int32_t, 4>{11, 7, 11, 11}));
  }
  ThreadHookProcs.CompositionEnabled = nullptr;
}

TEST(SkinModel, ALongParentChainInheritsFromItsFarEnd) {
  // 800 sections, each the parent of the one before; only the last writes its values.
  TestTempFolder temp;
  std::string options = TestOptions;
  const int count = 800;
  for (int i = 0; i < count; ++i) {
    options += "[CHAIN" + std::to_string(i) + "]\r\n";
    if (i + 1 < count)
      options += "PARENTCLASS=CHAIN" + std::to_string(i + 1) + "\r\n";
    else
      options += "COLOR=4660\r\nGRADIENTDATA=1;2;50;0;0\r\nBORDERSMASK=^0000^0016^0048^0032^0004^0004^0004^0004^3^1^0^0\r\n";
  }
  WriteSkinFolder(temp.File("Chain"), TestSkinEntries(options));
  auto m = skin_test::NewManager();
  m->SetSkinDirectory(temp.Path());
  m->SetSkinName("Chain");
  ASSERT_TRUE(m->SkinData()->Active);
  const int last = m->FindSectionIndex("CHAIN799");
  for (const char* name : {"CHAIN0", "CHAIN400", "CHAIN798"}) {
    SCOPED_TRACE(name);
    const TsGeneralData& g = m->Sections[size_t(m->FindSectionIndex(name))];
    EXPECT_EQ(g.Color, 4660);
    EXPECT_EQ(g.GradientArray.size(), 1u);
    EXPECT_EQ(g.FadingIterations, 5);
    EXPECT_EQ(g.BorderIndex, m->Sections[size_t(last)].BorderIndex);
    EXPECT_GE(g.BorderIndex, 0);
  }
}

TEST(SkinModel, ASkinWithoutGlobalInfoGivesTheSystemColours) {
  auto m = skin_test::NewManager();
  m->ResolveCommonIndexes();
  EXPECT_EQ(m->GetGlobalColor(), vcl::ColorToRGB(vcl::clBtnFace));
  EXPECT_EQ(m->GetGlobalFontColor(), SkinKeyColor);
  EXPECT_EQ(m->GetMenuHighlightColor(), vcl::clHighlight);
  EXPECT_EQ(m->CommonIndexes.CheckGlyphMasks[3], -1);
  EXPECT_EQ(m->FindSectionIndex("GLOBALINFO"), -1);
  EXPECT_EQ(m->FindMaskIndex(-1, "X", "Y"), -1);
}

class LoadedSkin : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteSkinFolder(temp.File("Skin"), TestSkinEntries());
    m = skin_test::NewManager();
    m->SetSkinDirectory(temp.Path());
    m->SetSkinName("Skin");
    ASSERT_TRUE(m->SkinData()->Active) << m->LastLoadError();
  }
  const TsGeneralData& Section(const char* name) { return m->Sections[size_t(m->FindSectionIndex(name))]; }
  TestTempFolder temp;
  std::unique_ptr<TsSkinManager> m;
};

TEST_F(LoadedSkin, CommonSectionsAddSectionsTheSkinLacksAndLeaveItsOwn) {
  vcl::TStringList extra;
  extra.SetText(
      "; extra sections\n[ALPHAEDIT]\nPARENTCLASS = base\nGLOW=-1\nFADINGITERATIONS=9\n"
      "[PANEL]\nCOLOR=1\n[PANEL_LOW]\nCOLOR=77\n");
  m->SetCommonSections(&extra);
  ASSERT_TRUE(m->SkinData()->Active) << m->LastLoadError();
  EXPECT_EQ(m->CommonSections()->Strings(2), "PARENTCLASS=base");  // spaces removed
  const TsGeneralData& alpha = Section("ALPHAEDIT");
  EXPECT_EQ(alpha.ParentClass, "BASE");
  EXPECT_EQ(alpha.Color, 12345);  // from the parent
  EXPECT_EQ(alpha.GlowCount, 2);  // -1: the parent's
  EXPECT_EQ(alpha.FadingIterations, 9);
  EXPECT_EQ(Section("PANEL").Color, 12345);  // the skin's own section is unchanged
  EXPECT_EQ(Section("PANEL_LOW").Color, 77);
  EXPECT_EQ(Section("PANEL_LOW").FadingIterations, 5);
}

TEST_F(LoadedSkin, CommonSectionsTakeWhatTheirParentInheritsAndGlowSizesOnlyWhenAsked) {
  // PANEL writes neither colour nor glow: it inherits them from BUTTON and BASE.
  vcl::TStringList extra;
  extra.SetText(
      "[PLAIN]\nPARENTCLASS=panel\n"
      "[ASKING]\nPARENTCLASS=PANEL\nGLOW=-1\nGLOWMARGIN=3\nHGSIZE=-1\nGSIZE=x\nFONTCOLOR=-1\nTCTOP=9\n"
      "[ORPHAN]\nGLOW=-1\nCOLOR=-1\n");
  m->SetCommonSections(&extra);
  ASSERT_TRUE(m->SkinData()->Active) << m->LastLoadError();
  const TsGeneralData& panel = Section("PANEL");
  struct Row {
    const char* section;
    int32_t color, font, contourLeft, contourTop, fading, glow, glowMargin;
    bool showFocus;
  } rows[] = {
      {"PLAIN", 12345, 255, 16, -1, 7, 0, 0, true},   // a glow only when written
      {"ASKING", 12345, 255, 16, 9, 7, 2, 3, true},   // -1 asks the parent, inherited values included
      {"ORPHAN", 0xFFFFFF, 0, -1, -1, 5, 0, 0, false},  // no parent: the defaults
  };
  EXPECT_EQ(panel.Color, 12345);
  EXPECT_EQ(panel.GlowCount, 2);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.section);
    const TsGeneralData& g = Section(r.section);
    EXPECT_EQ(g.Color, r.color);
    EXPECT_EQ(g.FontColor[0], r.font);
    EXPECT_EQ(g.FontColor[1], r.contourLeft);
    EXPECT_EQ(g.FontColor[2], r.contourTop);
    EXPECT_EQ(g.FadingIterations, r.fading);
    EXPECT_EQ(g.GlowCount, r.glow);
    EXPECT_EQ(g.GlowMargin, r.glowMargin);
    EXPECT_EQ(g.ShowFocus, r.showFocus);
    EXPECT_EQ(g.HotGlowSize, 0);
    EXPECT_EQ(g.GlowSize, 0);
  }
  // The parent's gradient comes along, parsed.
  EXPECT_EQ(Section("PLAIN").GradientData, panel.GradientData);
  ASSERT_EQ(Section("PLAIN").GradientArray.size(), 1u);
  EXPECT_EQ(Section("PLAIN").GradientArray[0].Color1, 12632256);
  EXPECT_EQ(Section("PLAIN").ParentClass, "PANEL");
  EXPECT_EQ(Section("PLAIN").BorderIndex, panel.BorderIndex);  // masks inherit along the parent too
}

TEST_F(LoadedSkin, HueAndSaturationRecolourSectionsGradientsAndSkinColoursOnEveryReload) {
  std::string plain = DescribeModel(*m);
  m->SetHueOffset(120);
  EXPECT_EQ(Section("BASE").Color, ShiftColorHue(120, 12345));
  EXPECT_EQ(Section("BASE").FontColor[2], -1);  // "none" stays none
  EXPECT_EQ(Section("BUTTON").GradientArray[0].Color1, ShiftColorHue(120, 12632256));
  EXPECT_EQ(m->SkinData()->BorderColor, ShiftColorHue(120, 0x112233));
  m->SetHueOffset(0);
  EXPECT_EQ(DescribeModel(*m), plain);
  m->SetSaturation(150);  // -(150 mod 101) = -49
  EXPECT_EQ(Section("BASE").Color, ChangeColorSaturation(12345, -49));
  EXPECT_EQ(Section("BASE").GlowColor, 0xFFFFFF);
  m->SetSaturation(0);
  EXPECT_EQ(DescribeModel(*m), plain);
}

TEST_F(LoadedSkin, RecolouringSkipsKeyAndGreyPixelsOfTheMasterImage) {
  vcl::TBitmap* master = m->MasterBitmap();
  auto* row = static_cast<uint8_t*>(master->ScanLine(0));
  row[0] = 0xFF, row[1] = 0, row[2] = 0xFF;
  row[3] = row[4] = row[5] = 90;
  row[6] = 0, row[7] = 0, row[8] = 255;
  m->ApplyHueOffset(120);
  m->ApplySaturation(30);
  row = static_cast<uint8_t*>(master->ScanLine(0));
  EXPECT_EQ((std::vector<int>{row[0], row[1], row[2], row[3], row[4], row[5]}),
            (std::vector<int>{0xFF, 0, 0xFF, 90, 90, 90}));
  vcl::TColor green = ChangeColorSaturation(ShiftColorHue(120, 0x0000FF), -30);
  EXPECT_EQ(row[6] | row[7] << 8 | row[8] << 16, int(green & 0xFF) << 16 | (green & 0xFF00) | ((green >> 16) & 0xFF));
}

TEST(StoredSkins, TheOlderStoredFormatLoadsFromItsCollections) {
  const char* text =
      "object M: TsSkinManager\n"
      "  InternalSkins = <\n"
      "    item\n"
      "      Name = 'Old'\n"
      "      GeneralData = <\n"
      "        item\n"
      "          SectionName = 'GLOBALINFO'\n"
      "          Color = 255\n"
      "          FontColor = '0 -1 -1 -1 -1'\n"
      "          HotFontColor = '1 2 3 4 5'\n"
      "          GradientData = '1;2;30;0;0'\n"
      "          FadingIterations = 4\n"
      "        end\n"
      "        item\n"
      "          SectionName = 'BUTTON'\n"
      "          ParentClass = 'GLOBALINFO'\n"
      "        end>\n"
      "      Images = <\n"
      "        item\n"
      "          SectionName = 'button'\n"
      "          PropertyName = 'bordersmask'\n"
      "          Left = 0\n"
      "          Top = 0\n"
      "          Right = 30\n"
      "          Bottom = 12\n"
      "        end>\n"
      "      Version = 5.5\n"
      "      Author = 'Someone'\n"
      "      Data = {}\n"
      "    end>\n"
      "  SkinDirectory = 'c:\\NoSkinsHere'\n"
      "  SkinName = 'Old'\n"
      "end\n";
  vcl::TStringStream stream(text);
  std::unique_ptr<TsSkinManager> m(static_cast<TsSkinManager*>(vcl::ReadComponent(&stream, nullptr)));
  ASSERT_TRUE(m->SkinData()->Active) << m->LastLoadError();
  EXPECT_FALSE(m->ImagesFromContainer);
  EXPECT_DOUBLE_EQ(m->SkinData()->Version, 5.5);
  EXPECT_EQ(m->SkinData()->Author, "Someone");
  EXPECT_EQ(m->SkinData()->BorderColor, 0xFF00FF);  // the older format's default
  EXPECT_EQ(m->SkinData()->Shadow1Blur, -1);
  ASSERT_EQ(m->Sections.size(), 2u);
  const TsGeneralData& g = m->Sections[0];
  EXPECT_EQ(g.Color, 255);
  EXPECT_EQ(g.HotFontColor[4], 5);
  EXPECT_EQ(g.FontColor[1], -1);
  EXPECT_EQ(m->Sections[1].FontColor[1], -1);  // empty: 0, -1, -1, -1, -1
  EXPECT_EQ(g.GradientArray.size(), 1u);
  ASSERT_EQ(m->Masks.size(), 1u);
  const TsMaskData& k = m->Masks[0];
  EXPECT_EQ(k.SectionName, "BUTTON");
  EXPECT_EQ(k.PropertyName, "BORDERSMASK");
  EXPECT_EQ(k.ImageCount, 3);  // 0 means three frames with a mask half
  EXPECT_EQ(k.MaskType, 1);
  EXPECT_EQ(k.WL, 30 / 9);
  EXPECT_EQ(k.WT, 12 / 6);
  EXPECT_EQ(m->Sections[1].BorderIndex, 0);
  EXPECT_EQ(m->SkinInfo(), "5.5");

  // Assigning another collection to InternalSkins changes nothing.
  TsStoredSkins other(m.get());
  other.Add()->SetName("Other");
  m->SetInternalSkins(&other);
  EXPECT_EQ(m->InternalSkins()->Count(), 1);
}

}  // namespace

namespace {

uint32_t MasterPixel(TsSkinManager& m, int x, int y) {
  auto* row = static_cast<const uint8_t*>(m.MasterBitmap()->ScanLine(y));
  return row[x * 3] | row[x * 3 + 1] << 8 | row[x * 3 + 2] << 16;
}

TEST(TitleIcons, BiKeepHueDecidesWhichTitleButtonIconsKeepTheirHue) {
  struct Case {
    int keep;
    bool closeKept, maxKept;
  } cases[] = {{0, false, false}, {2, true, false}, {1, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keep);
    TestTempFolder temp;
    std::string options = std::string(TestOptions) + "[GLOBALINFO]\r\nBIKEEPHUE=" + std::to_string(c.keep) +
                          "\r\nBICONCLOSE=@0000@0000@0008@0008@1@0\r\nBICONMAX=@0008@0000@0016@0008@1@0\r\n";
    WriteSkinFolder(temp.File("Skin"), TestSkinEntries(options));
    auto m = skin_test::NewManager();
    m->SetSkinDirectory(temp.Path());
    m->SetSkinName("Skin");
    ASSERT_TRUE(m->SkinData()->Active) << m->LastLoadError();
    uint32_t close = MasterPixel(*m, 3, 3), max = MasterPixel(*m, 11, 3), body = MasterPixel(*m, 40, 40);
    m->SetHueOffset(120);
    EXPECT_EQ(MasterPixel(*m, 3, 3) == close, c.closeKept);
    EXPECT_EQ(MasterPixel(*m, 11, 3) == max, c.maxKept);
    EXPECT_NE(MasterPixel(*m, 40, 40), body);
  }
}

}  // namespace

namespace {

TEST(MaskValues, FrameCountsBelowOneAndNegativeMaskTypesDivideNothingByZero) {
  TestTempFolder temp;
  std::string options = std::string(TestOptions) +
                        "[ZERO]\r\n"
                        "A=^0000^0000^0030^0012^0000^0000^0000^0000^0^0^0^0\r\n"
                        "B=!frame.BMP!0!-1!0\r\n"
                        "C=!frame.BMP!3!1!9!1!2!3!4\r\n";
  WriteSkinFolder(temp.File("Skin"), TestSkinEntries(options));
  auto m = skin_test::NewManager();
  m->SetSkinDirectory(temp.Path());
  m->SetSkinName("Skin");
  ASSERT_TRUE(m->SkinData()->Active) << m->LastLoadError();
  struct Row {
    const char* property;
    int wl, wt, wr, wb;
    TacImgType type;
  } rows[] = {
      {"A", 10, 4, 10, 4, itisaBorder},       // 30 / (1 x 3), 12 / (1 x 3)
      {"B", 12, 8, 12, 8, itisaBorder},       // 36 / (1 x 3), 24 / (1 x 3)
      {"C", 1, 2, 3, 4, itisaPngGlyph},       // margins as written; image types above 4 count as 4
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.property);
    int i = m->FindMaskIndexByName("ZERO", r.property);
    ASSERT_GE(i, 0);
    const TsMaskData& k = m->Masks[size_t(i)];
    EXPECT_EQ(k.WL, r.wl);
    EXPECT_EQ(k.WT, r.wt);
    EXPECT_EQ(k.WR, r.wr);
    EXPECT_EQ(k.WB, r.wb);
    EXPECT_EQ(k.ImgType, r.type);
  }
}

}  // namespace
