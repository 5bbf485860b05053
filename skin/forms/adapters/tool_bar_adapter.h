// TacToolBarWnd: the adapter of the platform's tool bars inside standard dialogs (the file
// dialogs carry one). The bar and each button are composed from the skin: the bar's section,
// "TOOLBUTTON" for buttons in their state, "DIVIDER" for separators, the button images and texts.
#pragma once

#include "skin/forms/adapters/main_wnd.h"

namespace skin {

class TacToolBarWnd : public TacMainWnd {
 public:
  using TacMainWnd::TacMainWnd;
  void WndProc(vcl::TMessage& message) override;

  RECT ClientBox{};
  int32_t FrameWidth = 0;
  // Composes the whole bar (cache and buttons) as the window shows it.
  void PaintToDC(HDC dc);
  // The state a button is drawn in: 0 normal or disabled, 1 under the mouse, 2 pressed.
  int ButtonState(const TBBUTTON& button, const RECT& rect) const;

 protected:
  void PrepareCache();
  void PaintNonClient();
  bool Updating();
  void PaintButton(vcl::TBitmap* target, int index);
};

}  // namespace skin
