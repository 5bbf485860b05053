#include "skin/engine/section_values.h"

#include <array>
#include <functional>

#include "skin/engine/chain_inheritance.h"
#include "skin/engine/gradient_data.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/sysutils.h"

namespace skin {

namespace {

// The keys of a section record, in the order the record is read.
enum TSlot : int {
  sColor,
  sReservedBoolean,
  sGiveOwnFont,
  sGlow,
  sGlowMargin,
  sFontColor,                     // five: text, then contours left, top, right, bottom
  sHotFontColor = sFontColor + 5,  // five
  sTransparency = sHotFontColor + 5,
  sGradientPercent,
  sImagePercent,
  sGradientData,
  sShowFocus,
  sFadingEnabled,
  sFadingIterations,
  sHotColor,
  sHotTransparency,
  sHotGradientPercent,
  sHotGradientData,
  sHotImagePercent,
  sHotGlowColor,
  sHotGlowSize,
  sGlowColor,
  sGlowSize,
  SlotCount
};

constexpr std::array<const char*, SlotCount> SlotKeys{
    "COLOR",           "RESERVEDBOOLEAN", "GIVEOWNFONT",        "GLOW",           "GLOWMARGIN",
    "FONTCOLOR",       "TCLEFT",          "TCTOP",              "TCRIGHT",        "TCBOTTOM",
    "HOTFONTCOLOR",    "HOTTCLEFT",       "HOTTCTOP",           "HOTTCRIGHT",     "HOTTCBOTTOM",
    "TRANSPARENCY",    "GRADIENTPERCENT", "IMAGEPERCENT",       "GRADIENTDATA",   "SHOWFOCUS",
    "FADINGENABLED",   "FADINGITERATIONS", "HOTCOLOR",          "HOTTRANSPARENCY", "HOTGRADIENTPERCENT",
    "HOTGRADIENTDATA", "HOTIMAGEPERCENT", "HGCOL",              "HGSIZE",         "GCOL",
    "GSIZE"};

bool IsTextSlot(int slot) {
  return slot == sReservedBoolean || slot == sGiveOwnFont || slot == sGradientData || slot == sShowFocus ||
         slot == sFadingEnabled || slot == sHotGradientData;
}

// A section's own value of a key, or null when it counts as missing.
const std::string* OwnValue(const TacSkinIni& ini, int section, int slot) {
  const TacSkinIni::TKey* key = ini.FindKeyIn(section, SlotKeys[size_t(slot)]);
  if (!key) return nullptr;
  if (IsTextSlot(slot)) return key->Value == "?" ? nullptr : &key->Value;
  int32_t value;
  return ParseSkinInteger(key->Value, value) && value != -1 ? &key->Value : nullptr;
}

int ParentOf(const TacSkinIni& ini, int section) {
  const TacSkinIni::TKey* key = ini.FindKeyIn(section, "PARENTCLASS");
  if (!key || key->Value.empty() || key->Value == "?") return -1;
  return ini.SectionIndex(key->Value);
}

using TValues = std::function<const std::string*(int slot)>;

// The record from the values found (null: keep the base's value).
TsGeneralData ReadSection(const TValues& values, const TsGeneralData& base) {
  TsGeneralData g = base;
  auto integer = [&](int slot, int32_t current) {
    int32_t value;
    const std::string* text = values(slot);
    return text && ParseSkinInteger(*text, value) && value != -1 ? value : current;
  };
  auto boolean = [&](int slot, bool current) {
    const std::string* text = values(slot);
    return text && *text != "?" ? vcl::SameText(*text, "TRUE") : current;
  };
  auto gradient = [&](int slot, std::string& data, TsGradArray& array) {
    const std::string* text = values(slot);
    if (!text || *text == "?") return;
    data = *text;
    array.clear();
    if (data != " ") ParseGradientData(data, array);
  };
  g.Color = vcl::ColorToRGB(integer(sColor, base.Color));
  g.ReservedBoolean = boolean(sReservedBoolean, base.ReservedBoolean);
  g.GiveOwnFont = boolean(sGiveOwnFont, base.GiveOwnFont);
  g.GlowCount = integer(sGlow, base.GlowCount);
  g.GlowMargin = integer(sGlowMargin, base.GlowMargin);
  for (int i = 0; i < 5; ++i) {
    g.FontColor[i] = integer(sFontColor + i, base.FontColor[i]);
    g.HotFontColor[i] = integer(sHotFontColor + i, base.HotFontColor[i]);
  }
  g.Transparency = integer(sTransparency, base.Transparency);
  g.GradientPercent = integer(sGradientPercent, base.GradientPercent);
  g.ImagePercent = integer(sImagePercent, base.ImagePercent);
  gradient(sGradientData, g.GradientData, g.GradientArray);
  g.ShowFocus = boolean(sShowFocus, base.ShowFocus);
  g.FadingEnabled = boolean(sFadingEnabled, base.FadingEnabled);
  g.FadingIterations = integer(sFadingIterations, base.FadingIterations);
  g.HotColor = integer(sHotColor, base.HotColor);
  g.HotTransparency = integer(sHotTransparency, base.HotTransparency);
  g.HotGradientPercent = integer(sHotGradientPercent, base.HotGradientPercent);
  gradient(sHotGradientData, g.HotGradientData, g.HotGradientArray);
  g.HotImagePercent = integer(sHotImagePercent, base.HotImagePercent);
  g.HotGlowColor = vcl::ColorToRGB(integer(sHotGlowColor, base.HotGlowColor));
  g.HotGlowSize = uint8_t(integer(sHotGlowSize, base.HotGlowSize));
  g.GlowColor = vcl::ColorToRGB(integer(sGlowColor, base.GlowColor));
  g.GlowSize = uint8_t(integer(sGlowSize, base.GlowSize));
  return g;
}

// The defaults: a record read from nothing. The hot gradient's empty text is parsed like any
// other text that is not one space.
TsGeneralData DefaultSection() {
  TsGeneralData g;
  ParseGradientData(g.HotGradientData, g.HotGradientArray);
  return g;
}

}  // namespace

void ReadIniSections(const TacSkinIni& ini, TsGeneralDataArray& sections) {
  const size_t count = ini.Sections().size();
  std::vector<int> parent(count);
  std::vector<std::vector<const std::string*>> own(count, std::vector<const std::string*>(SlotCount));
  for (size_t i = 0; i < count; ++i) {
    parent[i] = ParentOf(ini, int(i));
    for (int slot = 0; slot < SlotCount; ++slot) own[i][size_t(slot)] = OwnValue(ini, int(i), slot);
  }
  const auto inherited = InheritAlongChains<const std::string*>(parent, own, nullptr);
  const TsGeneralData defaults = DefaultSection();
  sections.reserve(sections.size() + count);
  for (size_t i = 0; i < count; ++i) {
    TsGeneralData g = ReadSection([&](int slot) { return inherited[i][size_t(slot)]; }, defaults);
    g.SectionName = ini.Sections()[i].Name;
    const TacSkinIni::TKey* parentKey = ini.FindKeyIn(int(i), "PARENTCLASS");
    g.ParentClass = parentKey ? parentKey->Value : std::string();
    sections.push_back(std::move(g));
  }
}

TsGeneralData ReadCommonSection(const TacSkinIni& common, int sectionIndex, const TsGeneralData* parent) {
  const TsGeneralData base = parent ? *parent : DefaultSection();
  TsGeneralData g = ReadSection([&](int slot) { return OwnValue(common, sectionIndex, slot); }, base);
  // These four sizes are 0 unless written; -1 asks the parent.
  auto size = [&](const char* key, int32_t parentValue) {
    const TacSkinIni::TKey* k = common.FindKeyIn(sectionIndex, key);
    int32_t value;
    if (!k || !ParseSkinInteger(k->Value, value)) return 0;
    return value == -1 ? parentValue : value;
  };
  g.GlowCount = size("GLOW", base.GlowCount);
  g.GlowMargin = size("GLOWMARGIN", base.GlowMargin);
  g.HotGlowSize = uint8_t(size("HGSIZE", base.HotGlowSize));
  g.GlowSize = uint8_t(size("GSIZE", base.GlowSize));
  g.SectionName = common.Sections()[size_t(sectionIndex)].Name;
  g.BorderIndex = g.CornerTopLeft = g.CornerTopRight = g.CornerBottomLeft = g.CornerBottomRight = -1;
  return g;
}

}  // namespace skin
