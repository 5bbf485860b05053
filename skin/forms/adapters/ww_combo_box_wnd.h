// TacWWComboBoxWnd: the combo adapter of the controls the skin manager's wwEdit list names
// (data-aware combo edits of other sets). It is made from the control itself; its drop-down
// button is as wide as a scroll bar, except for a plain TComboBox of the simple kind, which has
// none.
#pragma once

#include "skin/forms/adapters/combo_box_wnd.h"

namespace skin {

class TacWWComboBoxWnd : public TacComboBoxWnd {
 public:
  TacWWComboBoxWnd(vcl::TWinControl* control, const std::string& section, TsSkinManager* manager,
                   TsCommonData* skinLink);

  void GetButtonRect(RECT& rect) override;

  bool HasButton = true;
};

}  // namespace skin
