// Settings objects that a view owns and reads when it handles scroll-bar and mouse-wheel
// messages. How a view applies them is the view's business; these only hold the values.
#pragma once

#include <cstdint>

#include "vcl/runtime/system.h"

namespace imaging {

// One scroll bar of a view.
class TIEScrollBarParams : public vcl::TObject {
  VCL_CLASS(TIEScrollBarParams, vcl::TObject)
  TIEScrollBarParams() = default;

  // Units scrolled by a line step; -1: one unit.
  int32_t LineStep() const { return lineStep_; }
  void SetLineStep(int32_t value) { lineStep_ = value; }
  // Units scrolled by a page step; -1: the visible extent.
  int32_t PageStep() const { return pageStep_; }
  void SetPageStep(int32_t value) { pageStep_ = value; }
  // False: dragging the scroll box scrolls only when it is released (thumb tracking ignored).
  bool Tracking() const { return tracking_; }
  void SetTracking(bool value) { tracking_ = value; }

 private:
  int32_t lineStep_ = -1;
  int32_t pageStep_ = -1;
  bool tracking_ = true;
};

enum TIEMouseWheelAction : uint8_t { iemwNone, iemwScroll, iemwZoom };
enum TIEMouseWheelStepKind : uint8_t { iemwAbsolute, iemwPercentage };

// What the mouse wheel does in a view.
class TIEMouseWheelParams : public vcl::TObject {
  VCL_CLASS(TIEMouseWheelParams, vcl::TObject)
  TIEMouseWheelParams() = default;

  // Reverses the wheel's direction.
  bool InvertWheel() const { return invertWheel_; }
  void SetInvertWheel(bool value) { invertWheel_ = value; }
  TIEMouseWheelAction Action() const { return action_; }
  void SetAction(TIEMouseWheelAction value) { action_ = value; }
  // Whether StepValue is in pixels (absolute) or in percent (percentage).
  TIEMouseWheelStepKind StepKind() const { return stepKind_; }
  void SetStepKind(TIEMouseWheelStepKind value) { stepKind_ = value; }
  // Per wheel notch.
  int32_t StepValue() const { return stepValue_; }
  void SetStepValue(int32_t value) { stepValue_ = value; }
  // Zoom around the mouse position instead of the view's centre.
  bool ZoomAtCursor() const { return zoomAtCursor_; }
  void SetZoomAtCursor(bool value) { zoomAtCursor_ = value; }

 private:
  bool invertWheel_ = false;
  TIEMouseWheelAction action_ = iemwZoom;
  TIEMouseWheelStepKind stepKind_ = iemwPercentage;
  int32_t stepValue_ = 8;
  bool zoomAtCursor_ = false;
};

}  // namespace imaging
