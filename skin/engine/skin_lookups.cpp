// Look-ups in the loaded skin: sections by name, masks and patterns with inheritance along
// PARENTCLASS, mask margins, global colours and the common indexes.
#include <algorithm>
#include <set>
#include <unordered_map>
#include <vector>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/builtin_shadows.h"
#include "skin/engine/chain_inheritance.h"
#include "skin/engine/png/png_drawing.h"
#include "skin/engine/skin_manager.h"
#include "vcl/runtime/sysutils.h"

namespace skin {

int32_t MaskFrameWidth(const TsMaskData& mask) {
  return mask.ImageCount == 0 ? 0 : (mask.ImageRect.right - mask.ImageRect.left) / mask.ImageCount;
}

int32_t MaskFrameHeight(const TsMaskData& mask) {
  return mask.MaskType == -1 ? 0 : (mask.ImageRect.bottom - mask.ImageRect.top) / (mask.MaskType + 1);
}

namespace {

// Searches `match` from the section at `index` up its PARENTCLASS chain; `findSection` gives a
// parent's index. Names compare exactly, and a chain that comes back to a section already
// searched ends with -1.
template <class FindSection, class Match>
int SearchWithInheritance(const TsSkinManager& m, int index, std::string section, FindSection findSection,
                          Match match) {
  std::set<int> visited;
  while (index >= 0 && !section.empty() && m.IsSectionIndexValid(index) && visited.insert(index).second) {
    int found = match(section);
    if (found >= 0) return found;
    const std::string& parent = m.Sections[size_t(index)].ParentClass;
    if (parent.empty() || parent == section) return -1;
    index = findSection(parent);
    section = parent;
  }
  return -1;
}

// The loaded skin indexed by name for the resolutions after a load: each look-up costs the
// same however many sections and masks the skin has. The first of equal names wins, as in
// the manager's own look-ups.
class TModelLookup {
 public:
  explicit TModelLookup(const TsSkinManager& m) : m_(m) {
    for (size_t i = 0; i < m.Sections.size(); ++i) sections_.emplace(m.Sections[i].SectionName, int(i));
    for (size_t i = 0; i < m.Masks.size(); ++i) {
      masks_.emplace(Key(m.Masks[i].SectionName, m.Masks[i].PropertyName), int(i));
      if (m.Masks[i].ImgType == itisaTexture)
        textures_.emplace(Key(m.Masks[i].SectionName, m.Masks[i].PropertyName), int(i));
    }
  }
  int Section(const std::string& name) const { return Find(sections_, name); }
  int Mask(const std::string& section, const std::string& property) const {
    return section.empty() ? -1 : Find(masks_, Key(section, property));
  }
  int MaskInherited(int index, const std::string& section, const std::string& property) const {
    return SearchWithInheritance(
        m_, index, section, [&](const std::string& name) { return Section(name); },
        [&](const std::string& name) { return Find(masks_, Key(name, property)); });
  }
  int TextureInherited(int index, const std::string& section, const std::string& property) const {
    return SearchWithInheritance(
        m_, index, section, [&](const std::string& name) { return Section(name); },
        [&](const std::string& name) { return Find(textures_, Key(name, property)); });
  }

 private:
  static std::string Key(const std::string& section, const std::string& property) {
    return section + '\0' + property;
  }
  static int Find(const std::unordered_map<std::string, int>& map, const std::string& key) {
    auto found = map.find(key);
    return found == map.end() ? -1 : found->second;
  }
  const TsSkinManager& m_;
  std::unordered_map<std::string, int> sections_, masks_, textures_;
};

}  // namespace

int TsSkinManager::FindSectionIndex(const std::string& name) const {
  for (size_t i = 0; i < Sections.size(); ++i)
    if (Sections[i].SectionName == name) return int(i);
  return -1;
}

int TsSkinManager::FindMaskIndexByName(const std::string& section, const std::string& property) const {
  if (section.empty()) return -1;
  for (size_t i = 0; i < Masks.size(); ++i)
    if (Masks[i].SectionName == section && Masks[i].PropertyName == property) return int(i);
  return -1;
}

int TsSkinManager::FindMaskIndex(int sectionIndex, const std::string& section, const std::string& property) const {
  return SearchWithInheritance(
      *this, sectionIndex, section, [&](const std::string& s) { return FindSectionIndex(s); },
      [&](const std::string& s) { return FindMaskIndexByName(s, property); });
}

int TsSkinManager::FindTextureMaskIndex(int sectionIndex, const std::string& section,
                                        const std::string& property) const {
  return SearchWithInheritance(*this, sectionIndex, section, [&](const std::string& s) { return FindSectionIndex(s); },
                               [&](const std::string& s) {
    for (size_t i = 0; i < Masks.size(); ++i)
      if (Masks[i].ImgType == itisaTexture && Masks[i].SectionName == s && Masks[i].PropertyName == property)
        return int(i);
    return -1;
  });
}

int TsSkinManager::FindPatternIndex(int sectionIndex, const std::string& section, const std::string& property) const {
  return SearchWithInheritance(*this, sectionIndex, section, [&](const std::string& s) { return FindSectionIndex(s); },
                               [&](const std::string& s) {
    for (size_t i = 0; i < Patterns.size(); ++i)
      if (Patterns[i].SectionName == s && Patterns[i].PropertyName == property) return int(i);
    return -1;
  });
}

void TsSkinManager::MaskFrameSize(int maskIndex, int32_t& width, int32_t& height) const {
  width = height = 0;
  if (!IsMaskIndexValid(maskIndex)) return;
  const TsMaskData& m = Masks[size_t(maskIndex)];
  width = MaskFrameWidth(m);
  height = MaskFrameHeight(m);
}

namespace {

// A margin the mask does not give is its border width, else one whole frame; a rectangle
// turned inside out has no frame, not a negative one.
int32_t Margin(int16_t own, const TsMaskData& m, int32_t frame) {
  return own > 0 ? own : m.BorderWidth > 0 ? m.BorderWidth : std::max(frame, 0);
}

// Side margins count a frame count of 0 as one frame: the left margin turns such a mask into
// a one-frame mask, and every later question about either side sees that frame.
int32_t SideFrame(const TsMaskData& m) {
  return m.ImageCount == 0 ? m.ImageRect.right - m.ImageRect.left : MaskFrameWidth(m);
}

}  // namespace

int32_t TsSkinManager::MaskMarginLeft(int maskIndex) const {
  if (!IsMaskIndexValid(maskIndex)) return 0;
  const TsMaskData& m = Masks[size_t(maskIndex)];
  return Margin(m.WL, m, SideFrame(m));
}

int32_t TsSkinManager::MaskMarginTop(int maskIndex) const {
  if (!IsMaskIndexValid(maskIndex)) return 0;
  const TsMaskData& m = Masks[size_t(maskIndex)];
  return Margin(m.WT, m, MaskFrameHeight(m));
}

int32_t TsSkinManager::MaskMarginRight(int maskIndex) const {
  if (!IsMaskIndexValid(maskIndex)) return 0;
  const TsMaskData& m = Masks[size_t(maskIndex)];
  return Margin(m.WR, m, SideFrame(m));
}

int32_t TsSkinManager::MaskMarginBottom(int maskIndex) const {
  if (!IsMaskIndexValid(maskIndex)) return 0;
  const TsMaskData& m = Masks[size_t(maskIndex)];
  return Margin(m.WB, m, MaskFrameHeight(m));
}

vcl::TColor TsSkinManager::GetGlobalColor() const {
  int i = CommonIndexes.GlobalInfoIndex;
  return IsSectionIndexValid(i) ? vcl::ColorToRGB(Sections[size_t(i)].Color) : vcl::ColorToRGB(vcl::clBtnFace);
}

vcl::TColor TsSkinManager::GetGlobalFontColor() const {
  int i = CommonIndexes.GlobalInfoIndex;
  return IsSectionIndexValid(i) ? vcl::ColorToRGB(Sections[size_t(i)].FontColor[0]) : SkinKeyColor;
}

vcl::TColor TsSkinManager::GetGlobalHotColor() const {
  int i = CommonIndexes.GlobalInfoIndex;
  return IsSectionIndexValid(i) ? vcl::ColorToRGB(Sections[size_t(i)].HotColor) : vcl::ColorToRGB(vcl::clWindow);
}

vcl::TColor TsSkinManager::GetEditHotFontColor() const {
  int i = FindSectionIndex("EDIT");
  return i >= 0 ? vcl::ColorToRGB(Sections[size_t(i)].HotFontColor[0]) : SkinKeyColor;
}

namespace {
bool Usable(int32_t c) { return c != -1 && c != SkinKeyColor && c != 0xFFFFFF; }
}  // namespace

vcl::TColor TsSkinManager::GetMenuHighlightColor() const {
  int i = FindSectionIndex("MENUITEM");
  if (i >= 0 && Usable(Sections[size_t(i)].HotColor)) return vcl::ColorToRGB(Sections[size_t(i)].HotColor);
  return vcl::clHighlight;
}

vcl::TColor TsSkinManager::GetMenuHighlightTextColor() const {
  int i = FindSectionIndex("MENUITEM");
  if (i >= 0) {
    const TsGeneralData& g = Sections[size_t(i)];
    if (Usable(g.HotFontColor[0]) && g.HotFontColor[0] != 0 && Usable(g.HotColor))
      return vcl::ColorToRGB(g.HotFontColor[0]);
  }
  return vcl::clHighlightText;
}

void TsSkinManager::ResolveCommonIndexes() {
  TacCommonIndexes& c = CommonIndexes;
  // The look-ups below go through the index: same answers, in time that does not grow with
  // the length of a PARENTCLASS chain times the size of the skin.
  const TModelLookup lookup(*this);
  auto mask = [&](int section, const char* sectionName, const char* property) {
    return int16_t(lookup.MaskInherited(section, sectionName, property));
  };
  auto FindSectionIndex = [&](const std::string& name) { return lookup.Section(name); };
  auto FindMaskIndexByName = [&](const std::string& section, const std::string& property) {
    return lookup.Mask(section, property);
  };
  auto FindTextureMaskIndex = [&](int section, const std::string& name, const std::string& property) {
    return lookup.TextureInherited(section, name, property);
  };
  c.GlobalInfoIndex = int16_t(FindSectionIndex("GLOBALINFO"));
  static const char* const checks[9] = {"BOXCHECKED",   "BOXUNCHECKED",   "BOXGRAYED",
                                        "RADIOCHECKED", "RADIOUNCHECKED", "RADIOGRAYED",
                                        "SMALLCHECKED", "SMALLUNCHECKED", "SMALLGRAYED"};
  for (int i = 0; i < 9; ++i) c.CheckGlyphMasks[size_t(i)] = mask(c.GlobalInfoIndex, "GLOBALINFO", checks[i]);
  c.ExBorderMask = mask(c.GlobalInfoIndex, "GLOBALINFO", "EXBORDER");

  c.ComboBtnSection = FindSectionIndex("COMBOBTN");
  c.ComboBtnBorderMask = FindMaskIndexByName("COMBOBTN", "BORDERSMASK");
  c.ComboBtnPattern = FindTextureMaskIndex(c.ComboBtnSection, "COMBOBTN", "PATTERN");
  c.ComboBtnHotPattern = FindTextureMaskIndex(c.ComboBtnSection, "COMBOBTN", "HOTPATTERN");
  c.ComboGlyphMask = FindMaskIndexByName("COMBOBOX", "GLYPHMASK");

  static const char* const tabs[4] = {"TABTOP", "TABBOTTOM", "TABLEFT", "TABRIGHT"};
  static const char* const buttons[4] = {"SCROLLBTNTOP", "SCROLLBTNBOTTOM", "SCROLLBTNLEFT", "SCROLLBTNRIGHT"};
  static const char* const sliders[2] = {"SCROLLSLIDERV", "SCROLLSLIDERH"};
  static const char* const bars[4] = {"SCROLLBAR1H", "SCROLLBAR1V", "SCROLLBAR2H", "SCROLLBAR2V"};
  for (size_t i = 0; i < 4; ++i) {
    c.TabSections[i] = int16_t(FindSectionIndex(tabs[i]));
    c.TabBorderMasks[i] = mask(c.TabSections[i], tabs[i], "BORDERSMASK");
    c.ScrollBtnSections[i] = int16_t(FindSectionIndex(buttons[i]));
    c.ScrollBtnBorderMasks[i] = mask(c.ScrollBtnSections[i], buttons[i], "BORDERSMASK");
    // A missing section leaves no stale index of an earlier skin behind.
    c.ScrollBtnGlyphMasks[i] = mask(c.ScrollBtnSections[i], buttons[i], "GLYPHMASK");
    c.ScrollBtnPatterns[i] = mask(c.ScrollBtnSections[i], buttons[i], "PATTERN");
    c.ScrollBtnHotPatterns[i] = mask(c.ScrollBtnSections[i], buttons[i], "HOTPATTERN");
    c.ScrollBarSections[i] = int16_t(FindSectionIndex(bars[i]));
    c.ScrollBarBorderMasks[i] = mask(c.ScrollBarSections[i], bars[i], "BORDERSMASK");
    c.ScrollBarPatterns[i] = mask(c.ScrollBarSections[i], bars[i], "PATTERN");
    c.ScrollBarHotPatterns[i] = mask(c.ScrollBarSections[i], bars[i], "HOTPATTERN");
  }
  for (size_t i = 0; i < 2; ++i) {
    c.SliderSections[i] = int16_t(FindSectionIndex(sliders[i]));
    c.SliderBorderMasks[i] = mask(c.SliderSections[i], sliders[i], "BORDERSMASK");
    c.SliderGlyphMasks[i] = mask(c.SliderSections[i], sliders[i], "GLYPHMASK");
  }
  c.SliderPatterns[0] = mask(c.SliderSections[1], "SCROLLSLIDERH", "PATTERN");
  c.SliderPatterns[1] = mask(c.SliderSections[1], "SCROLLSLIDERH", "HOTPATTERN");
  c.SliderPatterns[2] = mask(c.SliderSections[0], "SCROLLSLIDERV", "PATTERN");
  c.SliderPatterns[3] = mask(c.SliderSections[0], "SCROLLSLIDERV", "HOTPATTERN");
  ResolveSectionBorders();
  PrepareShadowImages();
}

void TsSkinManager::ResolveSectionBorders() {
  // Every section's border and corner masks at once, each section from its parent's.
  static const char* const properties[5] = {"BORDERSMASK", "IMGTOPLEFT", "IMGTOPRIGHT", "IMGBTMLEFT", "IMGBTMRIGHT"};
  const TModelLookup lookup(*this);
  std::vector<int> parent(Sections.size(), -1);
  std::vector<std::vector<int>> own(Sections.size(), std::vector<int>(5, -1));
  for (size_t i = 0; i < Sections.size(); ++i) {
    const TsGeneralData& g = Sections[i];
    if (g.SectionName.empty()) continue;
    if (!g.ParentClass.empty() && g.ParentClass != g.SectionName) parent[i] = lookup.Section(g.ParentClass);
    for (size_t p = 0; p < 5; ++p) own[i][p] = lookup.Mask(g.SectionName, properties[p]);
  }
  const auto masks = InheritAlongChains<int>(parent, own, -1);
  for (size_t i = 0; i < Sections.size(); ++i) {
    TsGeneralData& g = Sections[i];
    if (g.SectionName == "GLOBALINFO") continue;
    g.BorderIndex = masks[i][0];
    g.CornerTopLeft = masks[i][1];
    g.CornerTopRight = masks[i][2];
    g.CornerBottomLeft = masks[i][3];
    g.CornerBottomRight = masks[i][4];
  }
}

void TsSkinManager::PrepareShadowImages() {
  if (!active_ || !GetExtendedBorders()) {
    ShadowMargins = {0, 0, 0, 0};
    return;
  }
  ShadowActive.reset();
  ShadowInactive.reset();
  const int index = CommonIndexes.ExBorderMask;
  if (IsMaskIndexValid(index) && Masks[size_t(index)].Image) {
    const TsMaskData& mask = Masks[size_t(index)];
    const int32_t offset = skinData_->FormOffset;
    if (skinData_->BorderMode != 0)
      ShadowMargins = {offset, offset, offset, offset};
    else
      ShadowMargins = {mask.WL - offset, mask.WT - offset, mask.WR - offset, mask.WB - offset};
    for (int32_t& margin : ShadowMargins) margin = std::max(margin, 0);
    const int32_t w = MaskFrameWidth(mask), h = MaskFrameHeight(mask);
    auto frame = [&](int32_t column) {
      auto image = CreateBmp32(w, h);
      BitBlt(image->Canvas()->Handle(), 0, 0, w, h, mask.Image->Canvas()->Handle(), column * w, 0, SRCCOPY);
      return image;
    };
    ShadowInactive = frame(0);
    ShadowActive = frame(mask.ImageCount > 1 ? 1 : 0);
  } else {
    ShadowMargins = kBuiltInShadowMargins;
    if (ThreadHookProcs.CompositionEnabled && ThreadHookProcs.CompositionEnabled())
      for (int32_t& margin : ShadowMargins) ++margin;
    ShadowActive = MakeBuiltInShadow(true, skinData_->FormOffset);
    ShadowInactive = MakeBuiltInShadow(false, skinData_->FormOffset);
  }
  png::ClearWhiteTransparent(ShadowActive.get());
  png::ClearWhiteTransparent(ShadowInactive.get());
}

}  // namespace skin
