#include "skin/engine/third_party_list.h"

#include "vcl/classes/typeinfo.h"

namespace skin {

const std::array<const char*, ThirdPartyCount> ThirdPartyCategories = {
    "Edit", "Button", "BitBtn", "CheckBox", "ComboBox", "Grid", "GroupBox", "ListView", "Panel",
    "TreeView", "wwEdit", "GridEh", "VirtualTree", "PageControl", "TabControl", "ToolBar", "StatusBar", "SpeedButton"};

const std::array<const char*, ThirdPartyCount> ThirdPartyDefaults = {
    " ", "TButton", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " "};

ThirdPartyList::ThirdPartyList() = default;
ThirdPartyList::~ThirdPartyList() = default;

std::string ThirdPartyList::GetByIndex(int index) const {
  return index >= 0 && index < ThirdPartyCount ? lists_[size_t(index)] : std::string();
}

void ThirdPartyList::SetByIndex(int index, const std::string& value) {
  if (index >= 0 && index < ThirdPartyCount) lists_[size_t(index)] = value;
}

#define THIRD_PARTY(i) [](ThirdPartyList* o) { return o->GetByIndex(i); }, [](ThirdPartyList* o, const std::string& v) { o->SetByIndex(i, v); }

VCL_PUBLISHED(ThirdPartyList, p) {
  p.String("ThirdEdits", THIRD_PARTY(0))
      .String("ThirdButtons", THIRD_PARTY(1))
      .String("ThirdBitBtns", THIRD_PARTY(2))
      .String("ThirdCheckBoxes", THIRD_PARTY(3))
      .String("ThirdGroupBoxes", THIRD_PARTY(6))
      .String("ThirdListViews", THIRD_PARTY(7))
      .String("ThirdPanels", THIRD_PARTY(8))
      .String("ThirdGrids", THIRD_PARTY(5))
      .String("ThirdTreeViews", THIRD_PARTY(9))
      .String("ThirdComboBoxes", THIRD_PARTY(4))
      .String("ThirdWWEdits", THIRD_PARTY(10))
      .String("ThirdVirtualTrees", THIRD_PARTY(12))
      .String("ThirdGridEh", THIRD_PARTY(11))
      .String("ThirdPageControl", THIRD_PARTY(13))
      .String("ThirdTabControl", THIRD_PARTY(14))
      .String("ThirdToolBar", THIRD_PARTY(15))
      .String("ThirdStatusBar", THIRD_PARTY(16))
      .String("ThirdSpeedButton", THIRD_PARTY(17));
}

}  // namespace skin
