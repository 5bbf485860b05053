// TsScrollBox: a scrolling container whose background and border come from its skin section
// ("PANEL_LOW" by default). It composes its image in the link's cache when the skin needs one
// (or when the application paints on it through OnPaint), paints its border into the
// non-client area from that image, and can hand wheel turns to the form's focused control.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "skin/controls/control_support.h"
#include "skin/engine/common_data.h"
#include "vcl/controls/forms.h"

namespace skin {

// Fired with the cache bitmap after the background was painted into it.
using TsPaintEvent = std::function<void(vcl::TBitmap* ControlBmp)>;

// The platform's key flags (MK_SHIFT, MK_CONTROL, MK_LBUTTON, ...) of a shift state: what the
// low word of a WM_MOUSEWHEEL's wParam holds.
WORD ShiftStateToKeys(vcl::TShiftState shift);

class TsScrollBox : public vcl::TScrollBox, public IacSkinLinked {
  VCL_CLASS(TsScrollBox, vcl::TScrollBox)
 public:
  explicit TsScrollBox(vcl::TComponent* owner);
  ~TsScrollBox() override;

  TsCommonData* SkinData() const { return skinData_.get(); }
  TsCommonData* SkinLink() const override { return skinData_.get(); }
  vcl::TCanvas* Canvas() const { return canvas_.get(); }
  // Wheel turns go first to the form's focused control; the box scrolls only when it ignores them.
  bool AutoMouseWheel() const { return autoMouseWheel_; }
  void SetAutoMouseWheel(bool value) { autoMouseWheel_ = value; }

  TsPaintEvent OnPaint;
  vcl::TNotifyEvent OnBeforeScroll, OnAfterScroll, OnMouseEnter, OnMouseLeave;

  // The width of the border around the client area.
  int32_t BorderSize() const;
  virtual void PrepareCache();
  // Paints the client area into the DC (the client DC when null).
  virtual void PaintBorder(HDC dc);
  void AfterConstruction() override;
  void SetParent(vcl::TWinControl* parent) override;
  void WndProc(vcl::TMessage& message) override;

 protected:
  void Loaded() override;
  void PaintWindow(HDC dc) override {}
  bool DoMouseWheel(vcl::TShiftState shift, int wheelDelta, vcl::TPoint mousePos) override;
  void WMHScroll(vcl::TWMScroll& message) override;
  void WMVScroll(vcl::TWMScroll& message) override;

 private:
  bool UsesCache() const;
  void PaintNonClient();
  void ScrollStep(vcl::TWMScroll& message, bool vertical);

  std::unique_ptr<TsCommonData> skinData_;
  std::unique_ptr<vcl::TControlCanvas> canvas_;
  bool autoMouseWheel_ = false;
};

}  // namespace skin
