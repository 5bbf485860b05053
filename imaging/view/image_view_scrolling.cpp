// Scrolling and zooming by the user's means: the scroll bars and their messages, the mouse
// wheel, zooming at a point, fitting, and smooth scrolling on a timer.
#include <algorithm>
#include <cmath>

#include "imaging/base/number_helpers.h"
#include "imaging/base/system_info.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/view/image_view.h"
#include "imaging/view/scroll_bars.h"
#include "imaging/view/view_params.h"
#include "vcl/controls/timer.h"
#include "vcl/runtime/win.h"

namespace imaging {

namespace {

bool AllowsHorizontal(vcl::TScrollStyle style) { return style == vcl::ssHorizontal || style == vcl::ssBoth; }
bool AllowsVertical(vcl::TScrollStyle style) { return style == vcl::ssVertical || style == vcl::ssBoth; }

}  // namespace

// The bars always span 0 .. 65535; the ratio turns zoomed pixels into bar units, so that
// pictures wider than 65536 zoomed pixels still scroll with 16-bit thumb positions.
void TImageView::ConfigureScrollBars(int32_t maxX, int32_t maxY) {
  if (!HandleAllocated()) return;
  HWND window = Handle();
  struct TAxis {
    int32_t bar, max, view, origin;
    double* ratio;
    bool* shown;
    bool allowed;
  };
  const TAxis axes[2] = {
      {SB_HORZ, maxX, GetViewWidth(), viewX_, &hRatio_, &hBarShown_, AllowsHorizontal(scrollBars_)},
      {SB_VERT, maxY, GetViewHeight(), viewY_, &vRatio_, &vBarShown_, AllowsVertical(scrollBars_)}};
  for (const TAxis& a : axes) {
    if (!a.allowed) continue;
    if (a.max < 1) {
      if (keepScrollBars_) {
        *a.shown = true;
        EnableScrollBarArrows(window, a.bar, ESB_DISABLE_BOTH, flatScrollBars_);
        ShowWindowScrollBar(window, a.bar, true, flatScrollBars_);
      } else if (a.bar == SB_HORZ) {
        HideHorzScrollBar();
      } else {
        HideVertScrollBar();
      }
      continue;
    }
    *a.shown = true;
    *a.ratio = (a.view + a.max) / 65536.0;
    SetScrollBarInfo(window, a.bar, 0, 65535, TruncCoordinate(a.view / *a.ratio), TruncCoordinate(a.origin / *a.ratio),
                     true, flatScrollBars_);
    EnableScrollBarArrows(window, a.bar, ESB_ENABLE_BOTH, flatScrollBars_);
    ShowWindowScrollBar(window, a.bar, true, flatScrollBars_);
  }
}

void TImageView::HideHorzScrollBar() {
  if (!hBarShown_) return;
  hBarShown_ = false;
  if (HandleAllocated()) ShowWindowScrollBar(Handle(), SB_HORZ, false, flatScrollBars_);
}

void TImageView::HideVertScrollBar() {
  if (!vBarShown_) return;
  vBarShown_ = false;
  if (HandleAllocated()) ShowWindowScrollBar(Handle(), SB_VERT, false, flatScrollBars_);
}

void TImageView::SetScrollBars(vcl::TScrollStyle value) {
  scrollBars_ = value;
  if (HandleAllocated()) {
    if (!AllowsVertical(value)) ShowWindowScrollBar(Handle(), SB_VERT, false, flatScrollBars_);
    if (!AllowsHorizontal(value)) ShowWindowScrollBar(Handle(), SB_HORZ, false, flatScrollBars_);
  }
  if (!AllowsVertical(value)) vBarShown_ = false;
  if (!AllowsHorizontal(value)) hBarShown_ = false;
  updateKind_ = 4;
  Update();
}

void TImageView::SetFlatScrollBars(bool value) {
  if (value == flatScrollBars_) return;
  flatScrollBars_ = value;
  if (!HandleAllocated()) return;
  HWND window = Handle();
  if (!value) {
    UninitializeFlatSB(window);
    return;
  }
  SetScrollBarRange(window, SB_HORZ, 0, 65535, false, false);
  SetScrollBarRange(window, SB_VERT, 0, 65535, false, false);
  InitializeFlatSB(window);
  // The bars stay hidden until the next Update: the size messages their hiding sends must not
  // run one at once.
  const bool running = updateRunning_;
  updateRunning_ = true;
  ShowWindowScrollBar(window, SB_HORZ, false, true);
  ShowWindowScrollBar(window, SB_VERT, false, true);
  updateRunning_ = running;
  hBarShown_ = vBarShown_ = false;
}

// ---- scroll messages ----

void TImageView::WMHScroll(vcl::TWMScroll& message) {
  HScrollAction(message.ScrollCode(), static_cast<uint16_t>(HIWORD(message.WParam)));
}

void TImageView::WMVScroll(vcl::TWMScroll& message) {
  VScrollAction(message.ScrollCode(), static_cast<uint16_t>(HIWORD(message.WParam)));
}

void TImageView::HScrollAction(int32_t code, uint16_t position) { ScrollAction(true, code, position); }

void TImageView::VScrollAction(int32_t code, uint16_t position) { ScrollAction(false, code, position); }

void TImageView::ScrollAction(bool horizontal, int32_t code, uint16_t position) {
  const TIEScrollBarParams* params = horizontal ? hScrollParams_.get() : vScrollParams_.get();
  const int32_t origin = horizontal ? viewX_ : viewY_;
  const int32_t viewSize = horizontal ? GetViewWidth() : GetViewHeight();
  const double zoom = horizontal ? zoomX_ : zoomY_;
  const double ratio = horizontal ? hRatio_ : vRatio_;
  const int32_t unit = std::max(TruncCoordinate(zoom / 100), 1);
  const int32_t line = unit * (params->LineStep() == -1 ? 1 : params->LineStep());
  const int32_t page = params->PageStep() == -1 ? viewSize : unit * params->PageStep();
  int32_t target;
  switch (code) {
    case SB_LINELEFT:
      target = origin - line;
      break;
    case SB_LINERIGHT:
      target = origin + line;
      break;
    case SB_PAGELEFT:
      target = origin - page;
      break;
    case SB_PAGERIGHT:
      target = origin + page;
      break;
    case SB_THUMBTRACK:
      if (!params->Tracking()) return;
      target = RoundCoordinate(position * ratio);
      break;
    case SB_THUMBPOSITION: target = RoundCoordinate(position * ratio); break;
    case SB_LEFT:
      target = 0;
      break;
    case SB_RIGHT: {
      int32_t maxX, maxY;
      GetMaxViewXY(maxX, maxY);
      target = horizontal ? maxX : maxY;
      break;
    }
    default:
      target = origin;
  }
  if (horizontal)
    SetViewX(target);
  else
    SetViewY(target);
}

// ---- the wheel ----

void TImageView::WMMouseWheel(vcl::TWMMouseWheel& message) {
  TIEView::WMMouseWheel(message);
  POINT p{message.XPos(), message.YPos()};
  if (HandleAllocated()) ::ScreenToClient(Handle(), &p);
  HandleMouseWheel(message.WheelDelta(), p.x, p.y, GetKeyState(VK_CONTROL) < 0);
}

void TImageView::HandleMouseWheel(int32_t delta, int32_t x, int32_t y, bool controlDown) {
  const TIEMouseWheelParams* params = wheelParams_.get();
  // A turn of no size (some drivers send one) has no direction: it does nothing.
  if (params->Action() == iemwNone || autoFit_ || delta == 0) return;
  int32_t d = delta > 0 ? -1 : 1;
  if (params->InvertWheel()) d = -d;
  const int32_t step = params->StepValue();
  if (params->Action() == iemwScroll) {
    int32_t maxX, maxY;
    GetMaxViewXY(maxX, maxY);
    const bool horizontal = controlDown || (maxX > 0 && maxY == 0);
    const int32_t origin = horizontal ? viewX_ : viewY_;
    const double zoom = horizontal ? zoomX_ : zoomY_;
    const int32_t viewSize = horizontal ? GetViewWidth() : GetViewHeight();
    int32_t target;
    if (params->StepKind() == iemwAbsolute)
      target = origin + d * step * std::max(TruncCoordinate(zoom / 100), 1);
    else if (params->StepKind() == iemwPercentage)
      target = origin + d * std::max(RoundCoordinate(static_cast<double>(viewSize) * step / 100), 1);
    else
      return;
    if (horizontal)
      SetViewX(target);
    else
      SetViewY(target);
    return;
  }
  if (params->Action() != iemwZoom) return;
  double z = zoomX_;
  if (params->StepKind() == iemwAbsolute)
    z = zoomX_ + d * step;
  else if (params->StepKind() == iemwPercentage)
    z = zoomX_ + d * std::max(RoundCoordinate(step * zoomX_ / 100), 1);
  if (z > zoomX_)
    FireZoomIn(z);
  else if (z < zoomX_)
    FireZoomOut(z);
  if (params->ZoomAtCursor())
    ZoomAt(x, y, z, false);
  else
    SetZoom(z);
}

// ---- zoom at a point, fit ----

void TImageView::ZoomAt(int32_t x, int32_t y, double zoom, bool centre) {
  if (navigator_) navigator_->LockPaint();
  // The client coordinates go out as the changing values, as programs have always seen them.
  ViewChanging(2, x);
  ViewChanging(2, y);
  LockPaint();
  const int32_t bx = ClientToBitmapX(x), by = ClientToBitmapY(y);
  try {
    SetZoom(zoom);
    const double f = zoomX_ / 100;
    if (centre)
      SetViewXY(TruncCoordinate(bx * f - GetViewWidth() / 2), TruncCoordinate(by * f - GetViewHeight() / 2));
    else
      SetViewXY(TruncCoordinate(bx * f - x + f), TruncCoordinate(by * f - y + f));
  } catch (...) {
    UnlockPaintNoUpdate();
    if (navigator_) navigator_->UnlockPaintNoUpdate();
    throw;
  }
  UnlockPaint();
  UpdateViewRect();
  UpdateZoomTables();
  if (navigator_) {
    navigator_->UnlockPaintNoUpdate();
    navigator_->Update();
    SyncNavigator();
  }
}

void TImageView::Fit() {
  if (imageWidth_ == 0 || imageHeight_ == 0) return;
  HideHorzScrollBar();
  HideVertScrollBar();
  SetZoom(GetFitZoom());
}

void TImageView::ZoomSelection(bool uniform, bool fireEvents) {
  if (!selected_) return;
  const int32_t x1 = GetSelX1(), y1 = GetSelY1(), x2 = GetSelX2(), y2 = GetSelY2();
  if (x1 < 0 || y1 < 0) return;
  const int32_t w = x2 + 1 - x1, h = y2 + 1 - y1;
  if (w < 2 || h < 2) return;
  ClearSelection();
  double z = std::min(Height() / (h / 100.0), Width() / (w / 100.0));
  if (fireEvents) FireZoomIn(z);
  if (uniform) {
    SetZoom(z);
  } else {
    SetZoomX(Width() / (w / 100.0));
    SetZoomY(Height() / (h / 100.0));
  }
  SetViewXY(TruncCoordinate(x1 * zoomX_ / 100) - (GetViewWidth() - TruncCoordinate(w * zoomX_ / 100)) / 2,
            TruncCoordinate(y1 * zoomY_ / 100) - (GetViewHeight() - TruncCoordinate(h * zoomY_ / 100)) / 2);
}

// ---- smooth scrolling ----

bool TImageView::SmoothScrolling() const { return smoothTimer_ && smoothTimer_->Enabled(); }

void TImageView::SmoothScrollTo(int32_t x, int32_t y) {
  smoothTargetX_ = x;
  smoothTargetY_ = y;
  // Without a divisor there are no steps: the view goes to the target at once.
  if (smoothDivisor_ == 0) {
    StopSmoothScroll();
    SetViewXY(x, y);
    return;
  }
  if (SmoothScrolling()) return;
  if (!smoothTimer_) {
    smoothTimer_ = new vcl::TTimer(this);
    smoothTimer_->SetEnabled(false);
    smoothTimer_->SetInterval(30);
    smoothTimer_->OnTimer = [this](vcl::TObject*) { SmoothScrollStep(); };
  }
  smoothTimer_->SetEnabled(true);
  SmoothScrollStep();
}

// Each step goes 1/divisor of the way, and at least one pixel, so the last steps, which
// would round to no move, still reach the target.
void TImageView::SmoothScrollStep() {
  auto step = [this](int32_t current, int32_t target) {
    if (current == target) return current;
    int32_t next = RoundCoordinate(current - static_cast<double>(current - target) / smoothDivisor_);
    if (next == current) next += target > current ? 1 : -1;
    return next;
  };
  const int32_t oldX = viewX_, oldY = viewY_;
  if (smoothDivisor_ != 0) SetViewXY(step(viewX_, smoothTargetX_), step(viewY_, smoothTargetY_));
  if ((viewX_ == oldX && viewY_ == oldY) || IsLeftButtonDown()) StopSmoothScroll();
}

// The timer is only stopped here: this may run inside its own tick.
void TImageView::StopSmoothScroll() {
  if (smoothTimer_) smoothTimer_->SetEnabled(false);
}

}  // namespace imaging
