// TacSpinWnd: the adapter of the platform's up-down buttons. Both buttons are composed from a
// skin section with the scroll arrows' glyphs, in the state the mouse gives each one.
#pragma once

#include "skin/forms/adapters/main_wnd.h"

namespace skin {

class TacSpinWnd : public TacMainWnd {
 public:
  TacSpinWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  void WndProc(vcl::TMessage& message) override;
  bool IsVertical() const;

  int32_t ButtonOffset = 0;  // columns left free before the buttons
  bool MouseDown = false;
  int32_t FirstState = 0, SecondState = 0;

 protected:
  void Paint(HDC given);
  void PrepareCache();
};

}  // namespace skin
