// Scroll bars drawn by the engine itself: TArrowBar is a horizontal or vertical bar with an
// arrow button at each end and a track with an optional handle, hover highlighting and an
// auto-repeat timer (600 ms before the first repeat, then every 100 ms; 150 ms checks while the
// pointer hovers). TCustomRangeBar adds the model: a range, a visible window and a fractional
// position, moved by the buttons, by paging, by dragging the handle and by the wheel.
// TArrowBarAccess sets the look of two bars at once. The bars draw with the platform's
// visual style when one is active, classically otherwise, or in a flat look of their own.
#pragma once

#include <cstdint>

#include "bitmap/engine/custom_map.h"
#include "vcl/controls/controls.h"
#include "vcl/controls/forms.h"

namespace vcl {
class TTimer;
}

namespace bitmap {

enum TBarZone { zoneNone, zoneFirstButton, zoneTrackBefore, zoneHandle, zoneTrackAfter, zoneLastButton };
enum TBarArrowDirection { bdLeft, bdUp, bdRight, bdDown };
enum TRBBackgnd { bgPattern, bgSolid };
enum TRBStyle { rbsDefault, rbsMac };
using vcl::TScrollBarKind;

// What the repeat timer is doing.
enum TArrowBarTimerMode { tmNone = 0, tmWaitForRepeat = 1, tmRepeating = 2, tmHovering = 3 };

// Colour helpers of the flat look (platform colours; system colours are resolved first).
// Each of red, green and blue plus `delta`, clamped to 0..255.
vcl::TColor AdjustColor(vcl::TColor color, int delta);
// Per channel (weight * a + (255 - weight) * b) >> 8; a weight above 255 raises
// EAssertionFailed.
vcl::TColor MixColors(vcl::TColor a, vcl::TColor b, int weight);
// Fills `r` with c1, or, when the colours differ, with an 8 x 8 two-colour checker pattern.
void FillPatternRect(HDC dc, const RECT& r, vcl::TColor c1, vcl::TColor c2);

class TArrowBar : public vcl::TCustomControl {
  VCL_CLASS(TArrowBar, vcl::TCustomControl)
  // 100 x 16, the scroll-bar colour, a single border.
  explicit TArrowBar(vcl::TComponent* owner);
  ~TArrowBar() override;

  TRBBackgnd Backgnd() const { return backgnd_; }
  void SetBackgnd(TRBBackgnd value);
  vcl::TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(vcl::TBorderStyle value);
  // 0: as thick as the bar (at most 32).
  int ButtonSize() const { return buttonSize_; }
  void SetButtonSize(int value);
  vcl::TColor HandleColor() const { return handleColor_; }
  void SetHandleColor(vcl::TColor value);
  TScrollBarKind Kind() const { return kind_; }
  void SetKind(TScrollBarKind value);
  bool ShowArrows() const { return showArrows_; }
  void SetShowArrows(bool value);
  bool ShowHandleGrip() const { return showHandleGrip_; }
  void SetShowHandleGrip(bool value);
  TRBStyle Style() const { return style_; }
  void SetStyle(TRBStyle value);

  // Geometry in client coordinates.
  int GetBorderWidth() const { return borderStyle_ == vcl::bsSingle ? 1 : 0; }
  int GetButtonSize();
  RECT GetTrackRect();
  TBarZone GetZone(int x, int y);
  RECT GetZoneRect(TBarZone zone);

  TBarZone PressedZone() const { return pressedZone_; }
  TBarZone HoverZone() const { return hoverZone_; }
  TArrowBarTimerMode TimerMode() const { return timerMode_; }
  // Set while a change made by the user is reported.
  bool FromUser() const { return fromUser_; }

  void Dispatch(vcl::TMessage& message) override;

  TNotifyEvent OnChange;
  // Fired after OnChange for the changes the user made.
  TNotifyEvent OnUserChange;

 protected:
  virtual void DoChange();
  virtual void DrawArrow(const RECT& r, TBarArrowDirection direction, bool pressed, bool enabled, bool hot);
  // The handle.
  virtual void DrawButton(const RECT& r, bool horizontal, bool pressed, bool hot);
  // A part of the track.
  virtual void DrawZone(const RECT& r, TBarArrowDirection direction, bool pressed, bool enabled, bool hot);
  virtual bool CanScroll();
  virtual RECT GetHandleRect();
  virtual void CancelTracking();
  virtual void TimerTick();

  void Paint() override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void CMEnabledChanged(vcl::TMessage& message) override;
  void CMMouseLeave(vcl::TMessage& message) override;
  void WMNCCalcSize(vcl::TWMNCCalcSize& message) override;
  void WMNCPaint(vcl::TMessage& message) override;
  // The sunken frame round the whole window; `dc` 0 takes and releases the window's own.
  void DrawNCArea(HDC dc, HRGN clip);

  void StartRepeat();
  void StopRepeat();
  void StartHover();
  void StopHover();
  // The pointer in client coordinates.
  POINT CursorClientPos();
  // The length of the client area along the bar and its thickness across it.
  int ClientLength();
  int ClientThickness();
  vcl::TTimer* RepeatTimer() const { return timer_; }

  TBarArrowDirection FirstDirection() const { return kind_ == vcl::sbHorizontal ? bdLeft : bdUp; }
  TBarArrowDirection LastDirection() const { return kind_ == vcl::sbHorizontal ? bdRight : bdDown; }

  bool fromUser_ = false;
  TBarZone pressedZone_ = zoneNone;
  TBarZone hoverZone_ = zoneNone;
  POINT pressPoint_{0, 0};
  float positionAtPress_ = 0;

 private:
  void DrawThemedArrow(HDC dc, const RECT& r, TBarArrowDirection direction, bool pressed, bool enabled, bool hot);
  void DrawMacArrow(HDC dc, const RECT& r, TBarArrowDirection direction, bool pressed, bool enabled);
  void DrawMacZone(HDC dc, const RECT& r, TBarArrowDirection direction, bool pressed, bool enabled);

  TRBBackgnd backgnd_ = bgPattern;
  vcl::TBorderStyle borderStyle_ = vcl::bsSingle;
  int buttonSize_ = 0;
  vcl::TColor handleColor_ = vcl::clBtnShadow;
  TScrollBarKind kind_ = vcl::sbHorizontal;
  bool showArrows_ = true;
  bool showHandleGrip_ = true;
  TRBStyle style_ = rbsDefault;
  vcl::TTimer* timer_ = nullptr;  // owned as a component
  TArrowBarTimerMode timerMode_ = tmNone;
};

class TCustomRangeBar : public TArrowBar {
  VCL_CLASS(TCustomRangeBar, TArrowBar)
  explicit TCustomRangeBar(vcl::TComponent* owner);
  ~TCustomRangeBar() override;

  // A changed range or window keeps the centre of the visible window where it was (relative
  // to the range), and so does a resize.
  bool Centered() const { return centered_; }
  void SetCentered(bool value) { centered_ = value; }
  // Window when it is above 0, else the bar's own length.
  int32_t EffectiveWindow() const;
  uint16_t Increment() const { return increment_; }
  void SetIncrement(uint16_t value) { increment_ = value; }
  float Position() const { return position_; }
  // Clamped into 0 .. Range - EffectiveWindow; a real change repaints and fires OnChange.
  void SetPosition(float value);
  int32_t Range() const { return range_; }
  void SetRange(int32_t value) { SetParams(value, window_); }
  int32_t Window() const { return window_; }
  void SetWindow(int32_t value) { SetParams(range_, value); }
  // Negative values become 0; repaints, fires no change event.
  void SetParams(int32_t newRange, int32_t newWindow);

 protected:
  bool CanScroll() override;
  RECT GetHandleRect() override;
  void TimerTick() override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  bool DoMouseWheel(vcl::TShiftState shift, int wheelDelta, vcl::TPoint mousePos) override;
  void Resize() override;

  void AdjustPosition();
  // Remembers the current effective window as the one the position was centred for.
  void UpdateEffectiveWindow() { lastWindow_ = EffectiveWindow(); }

 private:
  // Sets Position with FromUser raised, so that OnUserChange fires too.
  void SetPositionFromUser(float value);
  // Moves the position so that the window's centre keeps its fraction of the range.
  void Recentre(int32_t oldWindow, int32_t oldRange);

  bool centered_ = false;
  uint16_t increment_ = 8;
  float position_ = 0;
  int32_t range_ = 0;
  int32_t window_ = 0;
  int32_t lastWindow_ = 0;
};

// The range bar form data creates.
class TRangeBar : public TCustomRangeBar {
  VCL_CLASS(TRangeBar, TCustomRangeBar)
  explicit TRangeBar(vcl::TComponent* owner);
  ~TRangeBar() override;
};

// Sets the look of a master bar and, when there is one, of a slave bar at once; reads the
// master.
class TArrowBarAccess : public vcl::TPersistent {
  VCL_CLASS(TArrowBarAccess, vcl::TPersistent)
  TArrowBarAccess(TArrowBar* master, TArrowBar* slave) : master_(master), slave_(slave) {}

  TArrowBar* Master() const { return master_; }
  TArrowBar* Slave() const { return slave_; }

  vcl::TColor Color() const { return master_->Color(); }
  void SetColor(vcl::TColor value);
  TRBBackgnd Backgnd() const { return master_->Backgnd(); }
  void SetBackgnd(TRBBackgnd value);
  int ButtonSize() const { return master_->ButtonSize(); }
  void SetButtonSize(int value);
  vcl::TColor HandleColor() const { return master_->HandleColor(); }
  void SetHandleColor(vcl::TColor value);
  bool ShowArrows() const { return master_->ShowArrows(); }
  void SetShowArrows(bool value);
  bool ShowHandleGrip() const { return master_->ShowHandleGrip(); }
  void SetShowHandleGrip(bool value);
  TRBStyle Style() const { return master_->Style(); }
  void SetStyle(TRBStyle value);

 private:
  template <class F>
  void ForBoth(F&& set) {
    set(master_);
    if (slave_) set(slave_);
  }

  TArrowBar* master_;
  TArrowBar* slave_;
};

}  // namespace bitmap
