// TacPanelWnd: the adapter of a class-library panel that holds controls. The panel is painted
// from the section its bevels suggest (or the one it is given): its frame as border strips in
// the non-client paint, its face and caption in the background erase, around its children.
#pragma once

#include "skin/forms/adapters/main_wnd.h"

namespace vcl {
class TCustomPanel;
}

namespace skin {

class TacPanelWnd : public TacMainWnd {
 public:
  TacPanelWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  void WndProc(vcl::TMessage& message) override;
  // The section a panel's bevels and border ask for.
  static std::string SectionForPanel(vcl::TCustomPanel* panel);

 protected:
  void PrepareCache();
  void PaintClient(HDC dc);
  void PaintNonClient(HDC dc);
  vcl::TWinControl* Panel() const;
};

}  // namespace skin
