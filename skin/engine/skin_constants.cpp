#include <map>

#include "skin/engine/skin_types.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

namespace skin {

namespace {

TacCodeSet MakeCodeSet(std::initializer_list<std::pair<int, int>> ranges) {
  TacCodeSet set;
  for (auto [low, high] : ranges)
    for (int code = low; code <= high; ++code) set.set(size_t(code));
  return set;
}

bool LocaleShowsFourDigitYear() {
  char format[128] = {};
  if (!GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, format, sizeof format)) return false;
  return vcl::UpperCase(format).find("YYYY") != std::string::npos;
}

}  // namespace

const TacCodeSet EditLikeCodes = MakeCodeSet({{2, 18}, {41, 41}, {76, 84}, {96, 97}, {131, 140}});
const TacCodeSet NoHoverCodes = MakeCodeSet({{19, 19}, {51, 74}, {110, 110}, {141, 161}});
const TacCodeSet NoGlowCodes = MakeCodeSet({{51, 52}, {54, 54}, {56, 60}, {68, 68}, {73, 74}, {110, 110}, {141, 141},
                                            {143, 143}, {151, 151}, {161, 161}, {226, 226}});

bool CodeInSet(const TacCodeSet& set, int32_t code) { return code >= 0 && code < 256 && set.test(size_t(code)); }

std::string DefaultSkinSection(int32_t code) {
  struct Entry {
    std::initializer_list<int32_t> codes;
    const char* section;
  };
  static const Entry table[] = {
      {{2, 3, 4, 5, 6, 7, 8, 10, 41, 76, 78, 83, 84, 96, 97, 131, 140, 227}, "EDIT"},
      {{11, 12, 13, 14, 15, 16, 17, 18, 81, 82}, "COMBOBOX"},
      {{19}, "BAR"},
      {{20}, "BARTITLE"},
      {{32, 152}, "CHECKBOX"},
      {{33}, "RADIOBUTTON"},
      {{51, 59, 68, 73}, "PANEL"},
      {{52, 58}, "PANEL_LOW"},
      {{53, 54, 60}, "TOOLBAR"},
      {{56}, "DRAGBAR"},
      {{57}, "TABSHEET"},
      {{74, 226}, "GROUPBOX"},
      {{75}, "SPLITTER"},
      {{92, 95}, "SPEEDBUTTON"},
      {{93, 94}, "BUTTON"},
      {{98}, "TOOLBUTTON"},
      {{141, 143}, "PAGECONTROL"},
      {{151}, "STATUSBAR"},
      {{161}, "GAUGE"},
      {{165}, "TRACKBAR"},
  };
  for (const Entry& entry : table)
    for (int32_t c : entry.codes)
      if (c == code) return entry.section;
  return {};
}

const TsBackgroundInfo EmptyBackgroundInfo{nullptr, -99, 0, 0, false};

int32_t ScrollBarWidth = [] {
  int width = GetSystemMetrics(SM_CXHSCROLL);
  return width > 0 ? width : 16;
}();
bool AnimationInProgress = false;
bool AlwaysUseCache = false;
bool NoFading = false;
bool CacheCoversGraphicChildren = false;
bool FirstGlyphFallback = false;
std::string ResetSectionName;
bool FourDigitYear = LocaleShowsFourDigitYear();

const std::string& SkinText(uint32_t id) {
  static std::map<uint32_t, std::string> texts;
  auto found = texts.find(id);
  if (found == texts.end()) {
    std::string text = id >= 58910 && id <= 58992 ? vcl::LoadStr(id) : std::string();
    found = texts.emplace(id, std::move(text)).first;
  }
  return found->second;
}

}  // namespace skin
