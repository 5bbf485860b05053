// The windowed base of the image library's views: background colour, border, resolution, the
// mouse enter and leave events and the bitmap-change handlers that other components register
// (the I/O object, the processing object, a navigator). It offers itself to the I/O object and
// to the processing object through their view interfaces, whose common members it overrides once. Mouse enter and leave events and Ctl3D are the control's own. The single-image view and the thumbnail grid fill in its
// abstract operations.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "imaging/io/attached_view.h"
#include "imaging/proc/proc_view.h"
#include "vcl/controls/controls.h"

namespace imaging {

class TIEView : public vcl::TCustomControl, public TIEAttachedView, public TIEProcView {
  VCL_CLASS(TIEView, vcl::TCustomControl)
  explicit TIEView(vcl::TComponent* owner);
  // Tells every handler still registered, once, that the view goes (see NotifyViewDestroying).
  ~TIEView() override;

  vcl::TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(vcl::TBorderStyle value);
  vcl::TColor Background() const { return background_; }
  void SetBackground(vcl::TColor colour) override { background_ = colour; }

  // ---- TIEAttachedView ----
  vcl::TComponent* ViewComponent() override { return this; }
  TIEBitmap* GetIEBitmap() override { return nullptr; }
  vcl::TBitmap* GetTBitmap() override { return nullptr; }
  HWND ViewHandle() override { return HandleAllocated() ? Handle() : nullptr; }
  bool HasParentWindow() override { return Parent() != nullptr || ParentWindow() != nullptr; }
  void ImageChange() override {}
  vcl::TColor GetBackground() override { return background_; }
  int32_t GetDpiX() override { return dpiX_; }
  int32_t GetDpiY() override { return dpiY_; }
  // A value of 0 is ignored.
  void SetDpiX(int32_t value) override;
  void SetDpiY(int32_t value) override;
  int32_t AddBitmapChangeHandler(TIEBitmapChangeHandler handler) override;
  // An unknown handle is ignored.
  void RemoveBitmapChangeHandler(int32_t handle) override;

  virtual void SetDPI(int32_t x, int32_t y);
  virtual TIEBitmap* GetAlphaChannel() = 0;
  virtual bool HasAlphaChannel() = 0;
  virtual void RemoveAlphaChannel(bool merge) = 0;
  virtual void LockPaint() = 0;
  virtual int32_t UnlockPaint() = 0;
  virtual int32_t UnlockPaintNoUpdate() = 0;
  // Calls every handler, in the order they were registered, with destroying = false.
  virtual void NotifyBitmapChange();
  vcl::TCanvas* GetCanvas() { return Canvas(); }

 protected:
  // Calls every handler with destroying = true and drops them all. A derived view calls it
  // first thing in its destructor, while its bitmap and layers still exist.
  void NotifyViewDestroying();
  void CreateParams(vcl::TCreateParams& params) override;

 private:
  vcl::TBorderStyle borderStyle_ = vcl::bsSingle;
  std::vector<std::pair<int32_t, TIEBitmapChangeHandler>> handlers_;
  int32_t nextHandle_ = 1;
  vcl::TColor background_ = static_cast<vcl::TColor>(0x8000000F);
  int32_t dpiX_ = 0;
  int32_t dpiY_ = 0;
};

}  // namespace imaging
