// TacMnuWnd: the adapter of a popup menu window (system class #32768). The thread hook makes
// one for every popup menu window while popups are skinned; it paints the 3-pixel frame around
// the items from the skin (the items themselves are drawn by the menu painter) and keeps the
// process-wide list of popup adapters up to date. It frees itself with its window.
#pragma once

#include <vector>

#include "skin/forms/adapters/scroll_wnd.h"

namespace skin {

// Set by the menu painter while it draws a skinned popup item; cleared when the last popup
// adapter goes and by a provider's WM_INITMENUPOPUP.
extern bool MenuDrawing;

class TacMnuWnd : public TacScrollWnd {
 public:
  TacMnuWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  void WndProc(vcl::TMessage& message) override;
  // The popup has been shown since its background was last painted.
  int32_t MenuShown = 0;

 protected:
  void PrepareCache();
};

// The adapters of the open popup menus (entries are null once their window went).
extern std::vector<TacMnuWnd*> PopupAdapters;
// Frees every popup adapter (their windows are given back).
void ClearPopupAdapters();

}  // namespace skin
