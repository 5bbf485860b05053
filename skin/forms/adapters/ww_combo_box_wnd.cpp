#include "skin/forms/adapters/ww_combo_box_wnd.h"

#include "vcl/stdctrls/stdctrls.h"

namespace skin {

TacWWComboBoxWnd::TacWWComboBoxWnd(vcl::TWinControl* control, const std::string& section, TsSkinManager* manager,
                                   TsCommonData* skinLink)
    : TacComboBoxWnd(control->Handle(), section, manager, skinLink) {
  if (control->ClassName() == "TComboBox")
    if (auto* combo = dynamic_cast<vcl::TCustomComboBox*>(control))
      HasButton = combo->Style() == vcl::csDropDown || combo->Style() == vcl::csDropDownList;
}

void TacWWComboBoxWnd::GetButtonRect(RECT& rect) {
  RECT window{};
  GetWindowRect(Wnd, &window);
  const int w = window.right - window.left, h = window.bottom - window.top;
  const int button = HasButton ? GetSystemMetrics(SM_CXVSCROLL) : 0;
  rect.left = (GetWindowLongA(Wnd, GWL_EXSTYLE) & WS_EX_RTLREADING) ? 2 : w - button - 2;
  rect.top = 2;
  rect.right = rect.left + button;
  rect.bottom = h - 2;
}

}  // namespace skin
