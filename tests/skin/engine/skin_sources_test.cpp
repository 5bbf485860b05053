// One skin, written as a folder, packed into a ".asz" file and stored in form data, loads to
// the same model through all three sources, with the values the format gives it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "skin/engine/paint/layered_windows.h"
#include "skin/engine/skin_manager.h"
#include "tests/skin/engine/png/png_samples.h"
#include "tests/skin/engine/test_skin.h"
#include "tests/support/temp_folder.h"
#include "vcl/classes/filer.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/runtime/streams.h"

using namespace skin;
using namespace skin_test;

namespace {

std::unique_ptr<TsSkinManager> ReadManager(const std::string& formText) {
  vcl::TStringStream stream(formText);
  return std::unique_ptr<TsSkinManager>(static_cast<TsSkinManager*>(vcl::ReadComponent(&stream, nullptr)));
}

class SkinSources : public ::testing::Test {
 protected:
  void SetUp() override {
    entries = TestSkinEntries();
    WriteSkinFolder(temp.File("Folder skin"), entries);
    vcl::TMemoryStream packed;
    PackSkinFolder(temp.File("Folder skin"), &packed);
    packed.SaveToFile(temp.File("Packed skin.asz"));
    packedBytes = PackEntries(entries);
  }
  TestTempFolder temp;
  std::vector<TacPackEntry> entries;
  std::string packedBytes;
};

TEST_F(SkinSources, FolderPackedFileAndFormDataGiveTheSameModel) {
  auto folder = skin_test::NewManager();
  folder->SetSkinDirectory(temp.Path());
  folder->SetSkinName("Folder skin");
  ASSERT_TRUE(folder->SkinData()->Active) << folder->LastLoadError();
  EXPECT_FALSE(folder->ImagesFromContainer);

  auto packed = skin_test::NewManager();
  packed->SetSkinDirectory(temp.Path());
  packed->SetSkinName("Packed skin");
  ASSERT_TRUE(packed->SkinData()->Active) << packed->LastLoadError();
  EXPECT_TRUE(packed->ImagesFromContainer);

  auto stored = ReadManager(StoredSkinFormText("Test (internal)", packedBytes));
  ASSERT_TRUE(stored->SkinData()->Active) << stored->LastLoadError();
  EXPECT_EQ(stored->SkinName(), "Test (internal)");
  EXPECT_TRUE(stored->ImagesFromContainer);

  std::string model = DescribeModel(*folder);
  EXPECT_EQ(DescribeModel(*packed), model);
  EXPECT_EQ(DescribeModel(*stored), model);
}

TEST_F(SkinSources, TheModelHoldsTheKeysInheritanceAndDefaultsOfTheSkin) {
  auto m = skin_test::NewManager();
  m->SetSkinDirectory(temp.Path());
  m->SetSkinName("Packed skin");
  ASSERT_TRUE(m->SkinData()->Active) << m->LastLoadError();

  const TsSkinData& d = *m->SkinData();
  EXPECT_DOUBLE_EQ(d.Version, 6.5);
  EXPECT_EQ(d.Author, "Test author");
  EXPECT_EQ(d.TitleHeight, 24);
  EXPECT_EQ(d.MaxHeight, 24);  // 0 means the title height
  EXPECT_EQ(d.BorderWidth, 4);
  EXPECT_EQ(d.FormOffset, 8);
  EXPECT_EQ(d.BorderColor, 0x112233);
  EXPECT_EQ(d.Shadow1Blur, 3);
  EXPECT_EQ(d.Shadow1Offset, 0);
  EXPECT_EQ(m->MasterBitmap()->Width(), 64);
  EXPECT_EQ(m->SkinInfo(), "6.5");

  struct Row {
    const char* section;
    int32_t color, hot, font0, font1, glow, fading;
    bool focus;
    const char* gradient;
    size_t segments;
  };
  const Row rows[] = {
      {"GLOBALINFO", 15790320, 0xFFEEDD, 0, -1, 0, 5, false, " ", 0},
      {"BUTTON", 12345, 0xABCDEF, 255, 16, 2, 7, true, "12632256;15132390;62;1;0", 1},  // COLOR -1: the parent's
      {"BASE", 12345, 0xABCDEF, 255, 16, 2, 7, true, " ", 0},
      {"PANEL", 12345, 0xABCDEF, 255, 16, 2, 7, true, "12632256;15132390;62;1;0", 1},  // two levels up
      {"LOOPA", 0xFFFFFF, 0xFFFFFF, 0, -1, 0, 5, false, " ", 0},  // a cycle ends in the defaults
      {"SELF", 0xFFFFFF, 0xFFFFFF, 0, -1, 0, 5, false, " ", 0},   // names itself in another case
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.section);
    int i = m->FindSectionIndex(r.section);
    ASSERT_GE(i, 0);
    const TsGeneralData& g = m->Sections[size_t(i)];
    EXPECT_EQ(g.Color, r.color);
    EXPECT_EQ(g.HotColor, r.hot);
    EXPECT_EQ(g.FontColor[0], r.font0);
    EXPECT_EQ(g.FontColor[1], r.font1);
    EXPECT_EQ(g.FontColor[2], -1);
    EXPECT_EQ(g.GlowCount, r.glow);
    EXPECT_EQ(g.FadingIterations, r.fading);
    EXPECT_EQ(g.ShowFocus, r.focus);
    EXPECT_EQ(g.GradientData, r.gradient);
    EXPECT_EQ(g.GradientArray.size(), r.segments);
  }
  const TsGradPie& pie = m->Sections[size_t(m->FindSectionIndex("BUTTON"))].GradientArray[0];
  EXPECT_EQ(pie.Color1, 12632256);
  EXPECT_EQ(pie.Color2, 15132390);
  EXPECT_EQ(pie.Percent, 62);
  EXPECT_EQ(pie.Mode, 1);

  struct MaskRow {
    const char* section;
    const char* property;
    TacImgType type;
    RECT rect;
    int count, maskType, stretch, wl, wt;
    bool ownImage;
  };
  const MaskRow masks[] = {
      {"GLOBALINFO", "CHECK", itisaGlyph, {0, 0, 16, 16}, 2, 1, 0, 0, 0, false},
      {"BUTTON", "BORDERSMASK", itisaBorder, {0, 16, 48, 32}, 3, 1, 0, 4, 4, false},
      {"BASE", "PATTERN", itisaTexture, {0, 0, 8, 8}, 1, 1, 1, 0, 0, false},
      {"BASE", "BORDERSMASK", itisaBorder, {0, 0, 36, 24}, 3, 1, 4, 4, 4, true},  // 36 / 9, 24 / 6
      {"PANEL", "IMGTOPLEFT", itisaBorder, {0, 0, 12, 12}, 3, 1, 0, 1, 2, true},
      {"PANEL", "LEGACY", itisaBorder, {0, 0, 16, 16}, 2, 1, 0, 3, 3, false},
      {"PANEL", "TEXTURE", itisaTexture, {0, 0, 0, 0}, 1, 0, 0, 0, 0, true},  // a small JPEG becomes a mask
  };
  ASSERT_EQ(m->Masks.size(), std::size(masks)) << DescribeModel(*m);  // the lower-case ".png" value is no mask
  for (size_t i = 0; i < std::size(masks); ++i) {
    const MaskRow& r = masks[i];
    const TsMaskData& k = m->Masks[i];
    SCOPED_TRACE(std::string(r.section) + "." + r.property);
    EXPECT_EQ(k.SectionName, r.section);
    EXPECT_EQ(k.PropertyName, r.property);
    EXPECT_EQ(k.ImgType, r.type);
    EXPECT_EQ(k.ImageRect.left, r.rect.left);
    EXPECT_EQ(k.ImageRect.top, r.rect.top);
    EXPECT_EQ(k.ImageRect.right, r.rect.right);
    EXPECT_EQ(k.ImageRect.bottom, r.rect.bottom);
    EXPECT_EQ(k.ImageCount, r.count);
    EXPECT_EQ(k.MaskType, r.maskType);
    EXPECT_EQ(k.StretchMode, r.stretch);
    EXPECT_EQ(k.WL, r.wl);
    EXPECT_EQ(k.WT, r.wt);
    EXPECT_EQ(k.WR, r.wl);
    EXPECT_EQ(k.WB, r.wt);
    EXPECT_EQ(k.Image != nullptr, r.ownImage);
    EXPECT_EQ(k.Manager, m.get());
  }
  EXPECT_EQ(m->Masks[6].Image->Width(), 20);
  ASSERT_EQ(m->Patterns.size(), 1u);  // 300 x 300 stays a pattern
  EXPECT_EQ(m->Patterns[0].SectionName, "PANEL");
  EXPECT_EQ(m->Patterns[0].PropertyName, "BIGTEX");

  // Masks are found up the PARENTCLASS chain, not by name alone.
  int panel = m->FindSectionIndex("PANEL");
  EXPECT_EQ(m->FindMaskIndex(panel, "PANEL", "BORDERSMASK"), 1);
  EXPECT_EQ(m->FindMaskIndexByName("PANEL", "BORDERSMASK"), -1);
  EXPECT_EQ(m->Sections[size_t(panel)].BorderIndex, 1);
  EXPECT_EQ(m->Sections[size_t(panel)].CornerTopLeft, 4);
  EXPECT_EQ(m->FindTextureMaskIndex(panel, "PANEL", "PATTERN"), 2);
  EXPECT_EQ(m->FindPatternIndex(panel, "PANEL", "BIGTEX"), 0);
  EXPECT_EQ(m->FindMaskIndex(m->FindSectionIndex("LOOPA"), "LOOPA", "BORDERSMASK"), -1);
  EXPECT_EQ(m->Sections[size_t(m->FindSectionIndex("GLOBALINFO"))].BorderIndex, -1);
  EXPECT_EQ(m->CommonIndexes.GlobalInfoIndex, 0);
  EXPECT_EQ(m->CommonIndexes.CheckGlyphMasks[0], -1);
}

TEST_F(SkinSources, FormDataSetsTheManagersPropertiesByName) {
  auto m = ReadManager(StoredSkinFormText("Test (internal)", packedBytes));
  EXPECT_TRUE(m->ExtendedBorders());
  EXPECT_EQ(m->GetExtendedBorders(), CanUseLayeredWindows());
  EXPECT_EQ(m->SkinDirectory(), "c:\\NoSkinsHere");
  EXPECT_EQ(m->MenuSupport()->IcoLineSkin, "ICOLINE");
  EXPECT_EQ(m->ThirdPartyLists[0]->Count(), 3);
  EXPECT_EQ(m->ThirdPartyLists[0]->Strings(1), "TEdit");
  EXPECT_EQ(m->ThirdParty()->GetByIndex(17), " ");
  EXPECT_EQ(m->InternalSkins()->Count(), 1);
  EXPECT_EQ(m->InternalSkins()->IndexOf("Test (internal)"), 0);
  EXPECT_EQ(m->InternalSkins()->IndexOf("test (internal)"), -1);

  std::vector<std::string> published;
  for (const auto& prop : vcl::GetPropList(m.get())) published.push_back(prop->Name);
  for (const char* name : {"ExtendedBorders", "SkinnedPopups", "AllowGlowing", "AnimEffects", "IsDefault", "Active",
                           "CommonSections", "Saturation", "HueOffset", "InternalSkins", "MenuSupport",
                           "SkinDirectory", "SkinName", "SkinInfo", "SkinningRules", "ThirdParty", "Version",
                           "OnAfterChange", "OnBeforeChange", "OnGetMenuExtraLineData"})
    EXPECT_NE(std::find(published.begin(), published.end(), name), published.end()) << name;

  // Written back, the stored skin keeps its container, and Version is never written.
  vcl::TStringStream out;
  vcl::WriteDescendent(&out, m.get(), nullptr);
  EXPECT_NE(out.DataString().find("Data = {"), std::string::npos);
  EXPECT_EQ(out.DataString().find("Version"), std::string::npos);
  auto again = ReadManager(out.DataString());
  EXPECT_EQ(DescribeModel(*again), DescribeModel(*m));
}

}  // namespace

// A mask whose image is a PNG loads through the engine's own PNG reader, from a folder and from a
// packed skin alike; a damaged PNG is left out like a missing image.
TEST_F(SkinSources, PngMasksLoadThroughTheEnginesReader) {
  using namespace png_samples;
  // 12 x 8 RGBA, alpha varying along the row.
  Bytes raw;
  for (int y = 0; y < 8; ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < 12; ++x) {
      const uint8_t pixel[] = {uint8_t(20 * x), uint8_t(30 * y), 200, uint8_t(255 - 20 * x)};
      raw.insert(raw.end(), pixel, pixel + 4);
    }
  }
  const Bytes png = MakePng(12, 8, 8, 6, raw);
  const std::string options = "[BUTTON]\r\nBORDERSMASK=!frame.PNG!3!1!0\r\n[PANEL]\r\nBORDERSMASK=!broken.PNG!3!1!0\r\n";
  std::vector<TacPackEntry> skinEntries = {{"Options.dat", options},
                                           {"frame.PNG", std::string(png.begin(), png.end())},
                                           {"broken.PNG", std::string(png.begin(), png.begin() + 40)}};
  WriteSkinFolder(temp.File("Png skin"), skinEntries);
  vcl::TMemoryStream packed;
  PackSkin(skinEntries, &packed);
  packed.SaveToFile(temp.File("Packed png skin.asz"));

  for (const char* name : {"Png skin", "Packed png skin"}) {
    SCOPED_TRACE(name);
    auto m = skin_test::NewManager();
    m->SetSkinDirectory(temp.Path());
    m->SetSkinName(name);
    ASSERT_TRUE(m->SkinData()->Active) << m->LastLoadError();
    ASSERT_EQ(m->Masks.size(), 1u) << DescribeModel(*m);
    const TsMaskData& mask = m->Masks[0];
    EXPECT_EQ(mask.SectionName, "BUTTON");
    EXPECT_EQ(mask.ImageRect.right - mask.ImageRect.left, 12);
    EXPECT_EQ(mask.ImageRect.bottom - mask.ImageRect.top, 8);
  }
}
