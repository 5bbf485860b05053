// TacStatusBarWnd: the adapter of a status bar. The bar, its panels with the skin's panel mask
// (or dividers between them) and the panel texts are composed in the skin link's cache and
// copied to the screen on erase.
#pragma once

#include <string>

#include "skin/forms/adapters/main_wnd.h"

namespace vcl {
class TStatusBar;
}

namespace skin {

class TacStatusBarWnd : public TacMainWnd {
 public:
  TacStatusBarWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  void WndProc(vcl::TMessage& message) override;

  // The text of part i: empty when the bar has no parts or no panel i, the window text in
  // simple mode (the owner's simple text), the owner's panel texts otherwise.
  std::string GetPanelText(int index);
  void PaintClient(HDC dc);
  void PaintNonClient(HDC dc);

 protected:
  void PrepareCache();
  void PaintPanel(int index, RECT rect);
  bool Simple() const;

 private:
  vcl::TStatusBar* bar_ = nullptr;
};

}  // namespace skin
