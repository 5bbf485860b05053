// The scrollable image view: an image control with a horizontal and a vertical range bar and a
// size grip in the corner between them. The bitmap is scaled by Scale and scrolled by moving its
// offset; the bars hold the scroll position (in scaled pixels) and the view derives the offset
// from them. A bitmap smaller than the viewport is centred when Centered is set.
#pragma once

#include <cstdint>
#include <memory>

#include "bitmap/controls/image32.h"
#include "bitmap/controls/range_bars.h"

namespace bitmap {

enum TSizeGripStyle { sgAuto, sgNone, sgAlways };

class TCustomImgView32;

// The look of both bars at once (the horizontal bar is the master), their Increment, and the
// view's bar thickness (Size).
class TIVScrollProperties : public TArrowBarAccess {
  VCL_CLASS(TIVScrollProperties, TArrowBarAccess)
  TIVScrollProperties(TCustomImgView32* view, TArrowBar* horizontal, TArrowBar* vertical);

  TCustomImgView32* ImgView() const { return view_; }
  int Increment() const;
  void SetIncrement(int value);
  // 0: the system's scroll-bar thickness.
  int Size() const;
  void SetSize(int value);

 private:
  TCustomImgView32* view_;
};

class TCustomImgView32 : public TCustomImage32 {
  VCL_CLASS(TCustomImgView32, TCustomImage32)
  // Centered, smScale, baCustom, with both bars laid out.
  explicit TCustomImgView32(vcl::TComponent* owner);
  ~TCustomImgView32() override;

  bool Centered() const { return centered_; }
  void SetCentered(bool value);
  int32_t ScrollBarSize() const { return scrollBarSize_; }
  TIVScrollProperties* ScrollBars() const { return scrollBars_.get(); }
  // Copying the bar settings from another object is not supported: the proxy raises the
  // platform's assignment error.
  void SetScrollBars(TIVScrollProperties* value) { scrollBars_->Assign(value); }
  TSizeGripStyle SizeGrip() const { return sizeGrip_; }
  void SetSizeGrip(TSizeGripStyle value);
  TCustomRangeBar* HScroll() const { return hScroll_; }
  TCustomRangeBar* VScroll() const { return vScroll_; }

  // The thickness of the bars.
  int GetScrollBarSize();
  // The control less the bars: where the buffer, the bitmap and the layers live.
  TRect GetViewportRect() override;
  // The square between the bars, in client coordinates.
  RECT GetSizeGripRect();
  bool IsSizeGripVisible();
  void AlignScrollBars();
  // Scrolls so that the bitmap point (x, y) is in the middle of the viewport.
  void ScrollToCenter(int x, int y);

  TNotifyEvent OnScroll;

 protected:
  friend class TIVScrollProperties;

  virtual void DoScroll();
  virtual void ScrollBarChanged(TCustomRangeBar* bar);
  void DrawSizeGrip(HDC dc, const RECT& r);
  void PaintSizeGrip();
  void UpdateScrollRanges();
  void UpdateBitmapOffset();
  void SetScrollBarSize(int32_t value);

  void Loaded() override;
  void Paint() override;
  void BitmapSizeChanged() override;
  void ScaleChanged() override;
  void Resize() override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;

 private:
  // Draws the grip (or fills the square) on `dc`.
  void DrawSizeGripSquare(HDC dc);

  bool centered_ = true;
  int32_t scrollBarSize_ = 0;
  std::unique_ptr<TIVScrollProperties> scrollBars_;
  TSizeGripStyle sizeGrip_ = sgAuto;
  bool scrollingToCenter_ = false;
  TCustomRangeBar* hScroll_ = nullptr;  // child controls owned by the view
  TCustomRangeBar* vScroll_ = nullptr;
};

class TImgView32 : public TCustomImgView32 {
  VCL_CLASS(TImgView32, TCustomImgView32)
  explicit TImgView32(vcl::TComponent* owner);
  ~TImgView32() override;
};

}  // namespace bitmap
