// The program's own skin, "ShineWhite (internal)", as the build draws and packs it: loaded from
// form data as a stored skin, it must hold every section and mask that the skinned forms,
// controls, adapters and menus look up, in shapes their painters can use, and stay readable.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "skin/engine/skin_convertor.h"
#include "skin/engine/skin_manager.h"
#include "tests/skin/engine/test_skin.h"
#include "vcl/classes/filer.h"
#include "vcl/runtime/streams.h"

using namespace skin;

namespace {

const char* const InternalSkinName = "ShineWhite (internal)";

// The container the build wrote; its path is a Unix path, read through Wine's root drive.
std::string InternalSkinBytes() {
  std::string path = MERGEON_INTERNAL_SKIN;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  vcl::TMemoryStream data;
  data.LoadFromFile(path);
  return std::string(static_cast<const char*>(data.Memory()), size_t(data.Size()));
}

class InternalSkin : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { bytes = new std::string(InternalSkinBytes()); }
  static void TearDownTestSuite() {
    delete bytes;
    bytes = nullptr;
  }
  void SetUp() override {
    // The main form's manager: the skin stored in its form data, the skin folder of the
    // program (which holds no skin of that name here).
    vcl::TStringStream stream(skin_test::StoredSkinFormText(InternalSkinName, *bytes, "c:\\Skins"));
    manager.reset(static_cast<TsSkinManager*>(vcl::ReadComponent(&stream, nullptr)));
    ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
  }

  const TsMaskData* Mask(const std::string& section, const std::string& property) const {
    int index = manager->FindMaskIndex(manager->FindSectionIndex(section), section, property);
    return manager->IsMaskIndexValid(index) ? &manager->Masks[size_t(index)] : nullptr;
  }
  const TsGeneralData* Section(const std::string& name) const {
    int index = manager->FindSectionIndex(name);
    return manager->IsSectionIndexValid(index) ? &manager->Sections[size_t(index)] : nullptr;
  }
  vcl::TBitmap* BitmapOf(const TsMaskData& mask) const {
    return mask.Image ? mask.Image.get() : manager->MasterBitmap();
  }

  static std::string* bytes;
  std::unique_ptr<TsSkinManager> manager;
};

std::string* InternalSkin::bytes = nullptr;

TEST_F(InternalSkin, LoadsFromFormDataAsAStoredContainerOfOptionsAndTenImages) {
  EXPECT_EQ(manager->SkinName(), InternalSkinName);
  EXPECT_TRUE(manager->ImagesFromContainer);
  EXPECT_TRUE(manager->LastLoadError().empty());
  EXPECT_DOUBLE_EQ(manager->SkinData()->Version, 6.5);  // no version notice
  EXPECT_EQ(manager->SkinData()->MaxHeight, manager->SkinData()->TitleHeight);
  EXPECT_GT(manager->MasterBitmap()->Width(), 0);

  vcl::TMemoryStream stream;
  stream.WriteBuffer(bytes->data(), int32_t(bytes->size()));
  TacSkinConvertor container;
  container.SetPackedStream(&stream, false);
  container.Parse();
  ASSERT_TRUE(container.OptionsStream);
  EXPECT_EQ(container.ImageItems.size(), 10u);
  for (const TacImageItem& item : container.ImageItems) EXPECT_TRUE(item.IsBitmap) << item.Name;
}

// The sections the skinned forms, controls, adapters and menus ask for by name, with the masks
// their painters take from them (inherited along PARENTCLASS where the lookup inherits) and the
// number of state frames the painters select from (normal, hot or focused, pressed).
struct TSectionNeed {
  const char* section;
  std::vector<const char*> masks;
  int frames;
};

const TSectionNeed SectionNeeds[] = {
    // Forms, dialogs and their frames.
    {"FORM", {"BORDERSMASK"}, 2},
    {"FORMTITLE", {}, 0},
    {"DIALOG", {"BORDERSMASK"}, 2},
    {"MENULINE", {}, 0},
    {"MDIAREA", {}, 0},
    // Default sections of the skinned controls by their control codes.
    {"EDIT", {"BORDERSMASK"}, 3},
    {"COMBOBOX", {"BORDERSMASK", "GLYPHMASK"}, 3},
    {"BAR", {}, 0},
    {"BARTITLE", {}, 0},
    {"CHECKBOX", {}, 0},
    {"RADIOBUTTON", {}, 0},
    {"PANEL", {}, 0},
    {"PANEL_LOW", {"BORDERSMASK"}, 1},
    {"TOOLBAR", {}, 0},
    {"DRAGBAR", {}, 0},
    {"TABSHEET", {}, 0},
    {"GROUPBOX", {"BORDERSMASK"}, 1},
    {"SPLITTER", {}, 0},
    {"SPEEDBUTTON", {"BORDERSMASK"}, 3},
    {"BUTTON", {"BORDERSMASK"}, 3},
    {"TOOLBUTTON", {"BORDERSMASK"}, 3},
    {"PAGECONTROL", {"BORDERSMASK"}, 1},
    {"STATUSBAR", {}, 0},
    {"GAUGE", {"BORDERSMASK"}, 1},
    {"TRACKBAR", {"SLIDERCHANNEL", "SLIDERMASK", "SLIDERVMASK", "TICKHORZ", "TICKVERT"}, 1},
    // Sections the adapters and painters name themselves.
    {"SPEEDBUTTON_SMALL", {"BORDERSMASK"}, 3},
    {"UPDOWNBTN", {"BORDERSMASK"}, 3},
    {"WEBBUTTON", {}, 0},
    {"COMBOBTN", {"BORDERSMASK"}, 3},
    {"PAGECONTROLBOTTOM", {"BORDERSMASK"}, 1},
    {"PAGECONTROLLEFT", {"BORDERSMASK"}, 1},
    {"PAGECONTROLRIGHT", {"BORDERSMASK"}, 1},
    {"TABTOP", {"BORDERSMASK"}, 3},
    {"TABBOTTOM", {"BORDERSMASK"}, 3},
    {"TABLEFT", {"BORDERSMASK"}, 3},
    {"TABRIGHT", {"BORDERSMASK"}, 3},
    {"SCROLLBTNTOP", {"BORDERSMASK", "GLYPHMASK"}, 3},
    {"SCROLLBTNBOTTOM", {"BORDERSMASK", "GLYPHMASK"}, 3},
    {"SCROLLBTNLEFT", {"BORDERSMASK", "GLYPHMASK"}, 3},
    {"SCROLLBTNRIGHT", {"BORDERSMASK", "GLYPHMASK"}, 3},
    {"SCROLLSLIDERV", {"BORDERSMASK"}, 3},
    {"SCROLLSLIDERH", {"BORDERSMASK"}, 3},
    {"SCROLLBAR1H", {}, 0},
    {"SCROLLBAR1V", {}, 0},
    {"SCROLLBAR2H", {}, 0},
    {"SCROLLBAR2V", {}, 0},
    {"MAINMENU", {"BORDERSMASK"}, 1},
    {"MENUITEM", {"BORDERSMASK"}, 2},
    {"ICOLINE", {}, 0},
    {"EXTRALINE", {}, 0},
    {"DIVIDER", {"BORDERSMASK"}, 1},
    {"DIVIDERV", {"BORDERSMASK"}, 1},
    {"HINT", {"BORDERSMASK"}, 1},
    // The program's own sections: image views, list headers, sunken panels.
    {"ALPHAEDIT", {"BORDERSMASK"}, 3},
    {"COLHEADER", {"BORDERSMASK"}, 3},
    // The skin-wide glyphs: check marks, title buttons, the size grip.
    {"GLOBALINFO",
     {"BOXCHECKED", "BOXUNCHECKED", "BOXGRAYED", "RADIOCHECKED", "RADIOUNCHECKED", "RADIOGRAYED", "SMALLCHECKED",
      "SMALLUNCHECKED", "SMALLGRAYED", "BICONCLOSE", "BICONMAX", "BICONMIN", "BICONNORM", "BICONHELP", "SICONCLOSE",
      "SICONMAX", "SICONMIN", "SICONNORM", "SICONHELP", "TITLEBUTTON"},
     3},
    {"GLOBALINFO", {"CHECK"}, 2},
    {"GLOBALINFO", {"GRIPIMAGE"}, 1},
};

TEST_F(InternalSkin, HoldsEverySectionAndMaskThePaintersAskFor) {
  for (const TSectionNeed& need : SectionNeeds) {
    SCOPED_TRACE(need.section);
    ASSERT_NE(Section(need.section), nullptr);
    for (const char* property : need.masks) {
      SCOPED_TRACE(property);
      const TsMaskData* mask = Mask(need.section, property);
      ASSERT_NE(mask, nullptr);
      EXPECT_GE(mask->ImageCount, need.frames);
      const int fw = MaskFrameWidth(*mask), fh = MaskFrameHeight(*mask);
      ASSERT_GT(fw, 0);
      ASSERT_GT(fh, 0);
      // The rectangle lies in its bitmap, and the nine-slice margins leave a middle to lay.
      vcl::TBitmap* bitmap = BitmapOf(*mask);
      EXPECT_GE(mask->ImageRect.left, 0);
      EXPECT_GE(mask->ImageRect.top, 0);
      EXPECT_LE(mask->ImageRect.right, bitmap->Width());
      EXPECT_LE(mask->ImageRect.bottom, bitmap->Height());
      if (mask->ImgType == itisaBorder) {
        EXPECT_LT(mask->WL + mask->WR, fw);
        EXPECT_LT(mask->WT + mask->WB, fh);
      }
      // A mask half under every frame: smooth edges, and a faded look for inactive and
      // disabled glyphs (the painters let more of the surface through the mask half).
      EXPECT_EQ(mask->MaskType, 1);
      // Painters measure a mask of its own image as three frames over a mask half.
      if (mask->Image) {
        EXPECT_EQ(mask->ImageCount, 3);
        EXPECT_EQ(fw * 3, mask->Image->Width());
      }
    }
  }
}

TEST_F(InternalSkin, ResolvesEveryCommonIndexThePaintersUse) {
  const TacCommonIndexes& c = manager->CommonIndexes;
  EXPECT_TRUE(manager->IsSectionIndexValid(c.GlobalInfoIndex));
  for (int16_t mask : c.CheckGlyphMasks) EXPECT_TRUE(manager->IsMaskIndexValid(mask));
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(manager->IsSectionIndexValid(c.TabSections[size_t(i)]));
    EXPECT_TRUE(manager->IsMaskIndexValid(c.TabBorderMasks[size_t(i)]));
    EXPECT_TRUE(manager->IsSectionIndexValid(c.ScrollBtnSections[size_t(i)]));
    EXPECT_TRUE(manager->IsMaskIndexValid(c.ScrollBtnBorderMasks[size_t(i)]));
    EXPECT_TRUE(manager->IsMaskIndexValid(c.ScrollBtnGlyphMasks[size_t(i)]));
    EXPECT_TRUE(manager->IsSectionIndexValid(c.ScrollBarSections[size_t(i)]));
  }
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(manager->IsSectionIndexValid(c.SliderSections[size_t(i)]));
    EXPECT_TRUE(manager->IsMaskIndexValid(c.SliderBorderMasks[size_t(i)]));
  }
  EXPECT_TRUE(manager->IsSectionIndexValid(c.ComboBtnSection));
  EXPECT_TRUE(manager->IsMaskIndexValid(c.ComboBtnBorderMask));  // looked up by name only
  EXPECT_TRUE(manager->IsMaskIndexValid(c.ComboGlyphMask));
  // Border and corner indexes of the sections point into the mask array.
  for (const TsGeneralData& g : manager->Sections)
    for (int32_t index : {g.BorderIndex, g.CornerTopLeft, g.CornerTopRight, g.CornerBottomLeft, g.CornerBottomRight})
      EXPECT_TRUE(index == -1 || manager->IsMaskIndexValid(index)) << g.SectionName;
}

// WCAG contrast ratio of two colours in the skin's colour layout (red in the low byte).
double Contrast(int32_t a, int32_t b) {
  auto luminance = [](int32_t colour) {
    double sum = 0;
    const double weights[3] = {0.2126, 0.7152, 0.0722};
    for (int i = 0; i < 3; ++i) {
      double c = ((colour >> (8 * i)) & 0xFF) / 255.0;
      c = c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
      sum += weights[i] * c;
    }
    return sum;
  };
  double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST_F(InternalSkin, TextKeepsItsContrastOnEverySurface) {
  const TsGeneralData* global = Section("GLOBALINFO");
  ASSERT_NE(global, nullptr);
  for (const TsGeneralData& g : manager->Sections) {
    SCOPED_TRACE(g.SectionName);
    // A transparent section shows its parent: the form's surface.
    int32_t normal = g.Transparency >= 100 ? global->Color : g.Color;
    int32_t hot = g.HotTransparency >= 100 ? global->Color : g.HotColor;
    EXPECT_GE(Contrast(g.FontColor[0], normal), 4.5);
    EXPECT_GE(Contrast(g.HotFontColor[0], hot), 4.5);
  }
}

// The average colour of one frame's picture half, key pixels left out.
struct TFrameColour {
  double r = 0, g = 0, b = 0;
  int count = 0;
};

TFrameColour FrameColour(vcl::TBitmap* bitmap, const TsMaskData& mask, int frame) {
  TFrameColour out;
  const int fw = MaskFrameWidth(mask), fh = MaskFrameHeight(mask);
  for (int y = mask.ImageRect.top; y < mask.ImageRect.top + fh; ++y) {
    const uint8_t* row = static_cast<const uint8_t*>(bitmap->ScanLine(y));
    const uint8_t* mrow = static_cast<const uint8_t*>(bitmap->ScanLine(y + fh));
    for (int x = mask.ImageRect.left + fw * frame; x < mask.ImageRect.left + fw * (frame + 1); ++x) {
      const uint8_t* p = row + x * 3;
      if (p[0] == 0xFF && p[1] == 0 && p[2] == 0xFF) continue;
      if (mrow[x * 3] == 0xFF) continue;  // fully see-through
      out.b += p[0];
      out.g += p[1];
      out.r += p[2];
      ++out.count;
    }
  }
  if (out.count) {
    out.r /= out.count;
    out.g /= out.count;
    out.b /= out.count;
  }
  return out;
}

TEST_F(InternalSkin, FocusedAndPressedFramesStandOutInTheAccentColour) {
  struct Case {
    const char* section;
    const char* property;
    int frame;
  } cases[] = {
      {"EDIT", "BORDERSMASK", 1},      {"BUTTON", "BORDERSMASK", 1},   {"BUTTON", "BORDERSMASK", 2},
      {"GLOBALINFO", "BOXCHECKED", 1}, {"TABTOP", "BORDERSMASK", 2},   {"SCROLLBTNTOP", "GLYPHMASK", 1},
      {"COMBOBOX", "GLYPHMASK", 1},    {"MENUITEM", "BORDERSMASK", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + " " + c.property + " " + std::to_string(c.frame));
    const TsMaskData* mask = Mask(c.section, c.property);
    ASSERT_NE(mask, nullptr);
    vcl::TBitmap* bitmap = BitmapOf(*mask);
    ASSERT_EQ(bitmap->PixelFormat(), vcl::pf24bit);
    TFrameColour normal = FrameColour(bitmap, *mask, 0), marked = FrameColour(bitmap, *mask, c.frame);
    ASSERT_GT(marked.count, 0);
    // The marked frame is bluer than the rest state: the accent shows.
    EXPECT_GT(marked.b - (marked.r + marked.g) / 2, normal.b - (normal.r + normal.g) / 2 + 20);
  }
}

// The darkest mostly opaque pixel of one frame's picture half, as red, green, blue.
std::array<int, 3> DarkestPixel(vcl::TBitmap* bitmap, const TsMaskData& mask, int frame) {
  std::array<int, 3> darkest{255, 255, 255};
  const int fw = MaskFrameWidth(mask), fh = MaskFrameHeight(mask);
  for (int y = mask.ImageRect.top; y < mask.ImageRect.top + fh; ++y) {
    const uint8_t* row = static_cast<const uint8_t*>(bitmap->ScanLine(y));
    const uint8_t* mrow = static_cast<const uint8_t*>(bitmap->ScanLine(y + fh));
    for (int x = mask.ImageRect.left + fw * frame; x < mask.ImageRect.left + fw * (frame + 1); ++x) {
      const uint8_t* p = row + x * 3;
      if ((p[0] == 0xFF && p[1] == 0 && p[2] == 0xFF) || mrow[x * 3] >= 128) continue;
      if (p[0] + p[1] + p[2] < darkest[0] + darkest[1] + darkest[2]) darkest = {p[2], p[1], p[0]};
    }
  }
  return darkest;
}

TEST_F(InternalSkin, DisabledGlyphFramesArePaleGreyButStillVisible) {
  const int32_t surface = Section("GLOBALINFO")->Color;
  struct Case {
    const char* section;
    const char* property;
  } cases[] = {
      {"GLOBALINFO", "BOXCHECKED"},   {"GLOBALINFO", "BOXUNCHECKED"},   {"GLOBALINFO", "BOXGRAYED"},
      {"GLOBALINFO", "RADIOCHECKED"}, {"GLOBALINFO", "RADIOUNCHECKED"}, {"GLOBALINFO", "SMALLCHECKED"},
      {"SCROLLBTNTOP", "GLYPHMASK"},  {"COMBOBOX", "GLYPHMASK"},        {"TRACKBAR", "SLIDERMASK"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + " " + c.property);
    const TsMaskData* mask = Mask(c.section, c.property);
    ASSERT_NE(mask, nullptr);
    // Normal, hot (or focused), pressed, disabled.
    ASSERT_EQ(mask->ImageCount, 4);
    vcl::TBitmap* bitmap = BitmapOf(*mask);
    std::array<int, 3> normal = DarkestPixel(bitmap, *mask, 0), disabled = DarkestPixel(bitmap, *mask, 3);
    EXPECT_GT(disabled[0] + disabled[1] + disabled[2], normal[0] + normal[1] + normal[2]);  // paler
    EXPECT_LE(*std::max_element(disabled.begin(), disabled.end()) - *std::min_element(disabled.begin(), disabled.end()),
              24);  // grey, without the accent
    EXPECT_GE(Contrast(disabled[0] | (disabled[1] << 8) | (disabled[2] << 16), surface), 1.2);  // still there
  }
}

TEST_F(InternalSkin, RoundedFramesLeaveTheirCornersToTheParent) {
  for (const char* section : {"BUTTON", "EDIT", "FORM", "GROUPBOX", "TABTOP"}) {
    SCOPED_TRACE(section);
    const TsMaskData* mask = Mask(section, "BORDERSMASK");
    ASSERT_NE(mask, nullptr);
    vcl::TBitmap* bitmap = BitmapOf(*mask);
    const uint8_t* p = static_cast<const uint8_t*>(bitmap->ScanLine(mask->ImageRect.top)) + mask->ImageRect.left * 3;
    // The outermost corner pixel is the key colour: it shows the parent's background and is
    // cut out of a window region.
    EXPECT_EQ(p[0], 0xFF);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(p[2], 0xFF);
    // The middle of the frame is not key-coloured: the section's own background shows there.
    const int fw = MaskFrameWidth(*mask), fh = MaskFrameHeight(*mask);
    const uint8_t* mid = static_cast<const uint8_t*>(bitmap->ScanLine(mask->ImageRect.top + fh / 2)) +
                         (mask->ImageRect.left + fw / 2) * 3;
    EXPECT_FALSE(mid[0] == 0xFF && mid[1] == 0 && mid[2] == 0xFF);
  }
}

}  // namespace
