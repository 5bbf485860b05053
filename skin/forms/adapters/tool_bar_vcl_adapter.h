// TacToolBarVCLWnd: the adapter of the component library's tool bar. It paints through the
// bar's own custom-draw events: the bar from the skin link's cache, every button with the skin
// section TOOLBUTTON in its state, the drop-down arrow, the caption and the image. The events
// are taken only when the application left them empty, and given back when the adapter goes.
#pragma once

#include <cstdint>
#include <string>

#include "skin/forms/adapters/main_wnd.h"
#include "vcl/stdctrls/comctrls.h"

namespace skin {

class TacToolBarVCLWnd : public TacMainWnd {
 public:
  TacToolBarVCLWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink);
  ~TacToolBarVCLWnd() override;
  void WndProc(vcl::TMessage& message) override;
  void RestoreInitialState() override;

  void AdvancedCustomDraw(vcl::TToolBar* bar, const vcl::TRect& rect, vcl::TCustomDrawStage stage, bool& defaultDraw);
  void AdvancedCustomDrawButton(vcl::TToolBar* bar, vcl::TToolButton* button, vcl::TCustomDrawState state,
                                vcl::TCustomDrawStage stage, vcl::TTBCustomDrawFlags& flags, bool& defaultDraw);
  // The index of the button under the client point that can be hot (-1 none).
  int ButtonAtPoint(POINT point) const;
  // The bar's events point at this adapter.
  bool OwnsBarEvents() const;
  bool OwnsButtonEvents() const;

  vcl::TToolBar* ToolBar() const { return bar_; }
  vcl::TToolButton* DroppedButton = nullptr;
  int32_t HotButton = -1;

 protected:
  void PrepareCache();
  void PaintNonClient(HDC dc);
  void RepaintButton(int index);
  bool Skinned() const;

 private:
  void GiveEventsBack();
  vcl::TToolBar* bar_ = nullptr;
};

}  // namespace skin
