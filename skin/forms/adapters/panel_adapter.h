// TacDlgPanelWnd: the adapter of a class-library panel inside a standard dialog. A plain panel
// takes the skin's global colour and the CHECKBOX section, any other the GROUPBOX section; the
// panel paints its own contents inset by 6 pixels over the skinned background.
//
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

class TacDlgPanelWnd : public TacMainWnd {
 public:
  TacDlgPanelWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  void ApplySkinParams() override;
  void WndProc(vcl::TMessage& message) override;

  // The class-library control of the window, or null.
  vcl::TWinControl* PanelControl = nullptr;

 protected:
  virtual void PrepareCache();

 private:
  void SetPanelColour();
  void PaintClient(HDC dc);
  void PaintNonClient(HDC dc);
  bool IsPlainPanel() const;
};

}  // namespace skin
