// The thumbnail grid's layout: cell positions, the view position, the scroll bars, the
// scroll and wheel messages and the mapping of client points to images.
#include <algorithm>
#include <cmath>

#include "imaging/base/geometry.h"
#include "imaging/base/number_helpers.h"
#include "imaging/view/scroll_bars.h"
#include "imaging/view/thumbnail_grid.h"
#include "vcl/controls/forms.h"

namespace imaging {

namespace {

bool HasHorizontalBar(vcl::TScrollStyle style) { return style == vcl::ssHorizontal || style == vcl::ssBoth; }
bool HasVerticalBar(vcl::TScrollStyle style) { return style == vcl::ssVertical || style == vcl::ssBoth; }

}  // namespace

int32_t TImageMView::ColumnCount() {
  if (gridWidth_ != -1) return gridWidth_;
  const int32_t step = thumbWidth_ + horizBorder_;
  return step > 0 ? (ClientWidth() - horizBorder_) / step : 0;
}

void TImageMView::LayoutImages() {
  const int32_t columns = ColumnCount();
  layoutWidth_ = 0;
  layoutHeight_ = 0;
  int32_t c = 0, r = 0;
  for (auto& record : records_) {
    record->X = c * (thumbWidth_ + horizBorder_);
    record->Y = r * (thumbHeight_ + vertBorder_);
    if (displayMode_ == mdGrid) {
      record->X += horizBorder_;
      record->Y += vertBorder_;
    }
    record->row = r;
    record->column = c;
    layoutWidth_ = std::max(layoutWidth_, record->X);
    layoutHeight_ = std::max(layoutHeight_, record->Y);
    ++c;
    if (displayMode_ == mdSingle) {
      c = 0;
      r = 0;
    } else if (c == columns) {
      c = 0;
      ++r;
    }
  }
  layoutWidth_ += thumbWidth_ + horizBorder_;
  layoutHeight_ += thumbHeight_ + vertBorder_;
}

void TImageMView::GetMaxViewXY(int32_t& maxX, int32_t& maxY) {
  maxX = std::max(layoutWidth_ - ClientWidth(), 0);
  maxY = std::max(layoutHeight_ - ClientHeight(), 0);
}

void TImageMView::SetViewX(int32_t x) {
  if (x == viewX_) return;
  int32_t maxX, maxY;
  GetMaxViewXY(maxX, maxY);
  viewX_ = std::clamp(x, 0, maxX);
  Invalidate();
  if (HasHorizontalBar(scrollBars_) && HandleAllocated())
    SetScrollBarPos(Handle(), SB_HORZ, TruncCoordinate(viewX_ / hScale_), true, flatScrollBars_);
}

void TImageMView::SetViewY(int32_t y) {
  if (y == viewY_) return;
  int32_t maxX, maxY;
  GetMaxViewXY(maxX, maxY);
  viewY_ = std::clamp(y, 0, maxY);
  Invalidate();
  if (HasVerticalBar(scrollBars_) && HandleAllocated())
    SetScrollBarPos(Handle(), SB_VERT, TruncCoordinate(viewY_ / vScale_), true, flatScrollBars_);
}

void TImageMView::SetViewXY(int32_t x, int32_t y) {
  if (x == viewX_ && y == viewY_) return;
  int32_t maxX, maxY;
  GetMaxViewXY(maxX, maxY);
  viewX_ = std::clamp(x, 0, maxX);
  viewY_ = std::clamp(y, 0, maxY);
  Invalidate();
  if (!HandleAllocated()) return;
  if (HasHorizontalBar(scrollBars_))
    SetScrollBarPos(Handle(), SB_HORZ, TruncCoordinate(viewX_ / hScale_), true, flatScrollBars_);
  if (HasVerticalBar(scrollBars_))
    SetScrollBarPos(Handle(), SB_VERT, TruncCoordinate(viewY_ / vScale_), true, flatScrollBars_);
}

void TImageMView::UpdateScrollBars() {
  int32_t maxX, maxY;
  GetMaxViewXY(maxX, maxY);
  const HWND window = Handle();
  if (HasHorizontalBar(scrollBars_)) {
    try {
      if (maxX > 0) {
        hScale_ = (ClientWidth() + maxX - 1) / 65536.0;
        SetScrollBarInfo(window, SB_HORZ, 0, 65535, TruncCoordinate(ClientWidth() / hScale_),
                         TruncCoordinate(viewX_ / hScale_), true, flatScrollBars_);
        EnableScrollBarArrows(window, SB_HORZ, ESB_ENABLE_BOTH, flatScrollBars_);
        ShowWindowScrollBar(window, SB_HORZ, true, flatScrollBars_);
      } else if (scrollBarsAlwaysVisible_) {
        EnableScrollBarArrows(window, SB_HORZ, ESB_DISABLE_BOTH, flatScrollBars_);
        ShowWindowScrollBar(window, SB_HORZ, true, flatScrollBars_);
      } else {
        ShowWindowScrollBar(window, SB_HORZ, false, flatScrollBars_);
      }
    } catch (...) {
    }
  }
  if (HasVerticalBar(scrollBars_)) {
    try {
      if (maxY > 0) {
        vScale_ = (ClientHeight() + maxY - 1) / 65536.0;
        SetScrollBarInfo(window, SB_VERT, 0, 65535, TruncCoordinate(ClientHeight() / vScale_),
                         TruncCoordinate(viewY_ / vScale_), true, flatScrollBars_);
        EnableScrollBarArrows(window, SB_VERT, ESB_ENABLE_BOTH, flatScrollBars_);
        ShowWindowScrollBar(window, SB_VERT, true, flatScrollBars_);
      } else if (scrollBarsAlwaysVisible_) {
        EnableScrollBarArrows(window, SB_VERT, ESB_DISABLE_BOTH, flatScrollBars_);
        ShowWindowScrollBar(window, SB_VERT, true, flatScrollBars_);
      } else {
        ShowWindowScrollBar(window, SB_VERT, false, flatScrollBars_);
      }
    } catch (...) {
    }
  }
}

void TImageMView::RefreshLayout(bool clearCache) {
  if (paintLock_ > 0 || renderLock_ > 0 || refreshRunning_ || destroying_ || !HandleAllocated()) return;
  const vcl::TComponentState state = ComponentState();
  const bool designing = state.Contains(vcl::csDesigning);
  if (!(state.Empty() || state == vcl::TComponentState{vcl::csDesigning} ||
        state == vcl::TComponentState{vcl::csFreeNotification}))
    return;
  if (!Parent() && !ParentWindow()) return;
  if (!designing) {
    refreshRunning_ = true;
    try {
      if (clearCache) ClearCache();
      LayoutImages();
      for (int32_t pass = 0; pass < 9; ++pass) {
        const int32_t width = ClientWidth(), height = ClientHeight();
        int32_t maxX, maxY;
        GetMaxViewXY(maxX, maxY);
        bool changed = false;
        if (viewX_ > maxX) {
          viewX_ = maxX;
          changed = true;
        }
        if (viewY_ > maxY) {
          viewY_ = maxY;
          changed = true;
        }
        if (changed) ViewChange(0);
        UpdateScrollBars();
        if (width == ClientWidth() && height == ClientHeight()) break;
        // A bar that came or went changed the client area: the columns may differ now.
        LayoutImages();
      }
      NotifyBitmapChange();
    } catch (...) {
      refreshRunning_ = false;
      throw;
    }
    refreshRunning_ = false;
  }
  Invalidate();
  ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
}

void TImageMView::SetScrollBars(vcl::TScrollStyle value) {
  scrollBars_ = value;
  if ((Parent() || ParentWindow()) && HandleAllocated()) {
    if (!HasVerticalBar(value)) ShowWindowScrollBar(Handle(), SB_VERT, false, flatScrollBars_);
    if (!HasHorizontalBar(value)) ShowWindowScrollBar(Handle(), SB_HORZ, false, flatScrollBars_);
    RefreshLayout(false);
  }
}

void TImageMView::SetFlatScrollBars(bool value) {
  if (value == flatScrollBars_) return;
  flatScrollBars_ = value;
  if (!HandleAllocated()) return;
  if (!value) {
    ::UninitializeFlatSB(Handle());
  } else {
    SetScrollBarRange(Handle(), SB_HORZ, 0, 65535, false, false);
    SetScrollBarRange(Handle(), SB_VERT, 0, 65535, false, false);
    ::InitializeFlatSB(Handle());
    ShowWindowScrollBar(Handle(), SB_HORZ, false, true);
    ShowWindowScrollBar(Handle(), SB_VERT, false, true);
  }
}

void TImageMView::SetScrollBarsAlwaysVisible(bool value) {
  scrollBarsAlwaysVisible_ = value;
  RefreshLayout(false);
}

void TImageMView::ScrollAction(bool horizontal, int32_t code, uint16_t position) {
  const TIEScrollBarParams* params = horizontal ? hScrollParams_.get() : vScrollParams_.get();
  const int32_t origin = horizontal ? viewX_ : viewY_;
  const int32_t line = params->LineStep() == -1 ? (horizontal ? thumbWidth_ + horizBorder_ : thumbHeight_ + vertBorder_)
                                                : params->LineStep();
  const int32_t page = params->PageStep() == -1 ? (horizontal ? ClientWidth() : ClientHeight()) : params->PageStep();
  int32_t maxX, maxY;
  GetMaxViewXY(maxX, maxY);
  int32_t target = origin;
  switch (code) {
    case SB_LINEUP:
      target = origin - line;
      break;
    case SB_LINEDOWN:
      target = origin + line;
      break;
    case SB_PAGEUP:
      target = origin - page;
      break;
    case SB_PAGEDOWN:
      target = origin + page;
      break;
    case SB_THUMBTRACK:
      if (!params->Tracking()) return;
      [[fallthrough]];
    case SB_THUMBPOSITION: target = TruncCoordinate(position * (horizontal ? hScale_ : vScale_)); break;
    case SB_TOP:
      target = 0;
      break;
    case SB_BOTTOM:
      target = horizontal ? maxX : maxY;
      break;
    default:
      break;
  }
  if (horizontal)
    SetViewX(target);
  else
    SetViewY(target);
  ViewChange(0);
}

void TImageMView::WMMouseWheel(vcl::TWMMouseWheel& message) {
  TIEView::WMMouseWheel(message);
  const bool previous = userAction_;
  userAction_ = true;
  try {
    // A turn of no size (some drivers send one) has no direction: it scrolls nothing.
    if (message.WheelDelta() > 0)
      SetViewY(viewY_ - (thumbHeight_ + vertBorder_));
    else if (message.WheelDelta() < 0)
      SetViewY(viewY_ + (thumbHeight_ + vertBorder_));
    ViewChange(0);
  } catch (...) {
    userAction_ = previous;
    throw;
  }
  userAction_ = previous;
}

int32_t TImageMView::ImageAtGridPos(int32_t row, int32_t column) { return column + row * ColumnCount(); }

int32_t TImageMView::ImageAtPos(int32_t x, int32_t y) {
  if (displayMode_ == mdSingle) return Record(singleIndex_) ? singleIndex_ : -1;
  const int32_t rowStep = vertBorder_ + thumbHeight_, columnStep = horizBorder_ + thumbWidth_;
  if (rowStep <= 0 || columnStep <= 0) return -1;
  const int32_t row = (y + viewY_) / rowStep;
  const int32_t column = (x + viewX_) / columnStep;
  // A point left of or above the first cell has no image (not a negative index).
  if (x + viewX_ < 0 || y + viewY_ < 0) return -1;
  int32_t index = ImageAtGridPos(row, column);
  if (index < 0 || index >= ImageCount()) return -1;
  const TIEMImageRecord* record = Record(index);
  // Without wrapping (GridWidth 0) a row holds every image, so the column decides alone.
  if (record->row != row || record->column != column) return -1;
  const int32_t cx = record->X - viewX_, cy = record->Y - viewY_;
  if (!PointInRect(x, y, cx, cy, cx + thumbWidth_ - 1, cy + thumbHeight_ - 1)) return -1;
  return index;
}

bool TImageMView::IsImageVisible(int32_t index) {
  const TIEMImageRecord* record = Record(index);
  if (!record) return false;
  const int32_t cx = record->X - viewX_, cy = record->Y - viewY_;
  return RectsIntersect(cx, cy, cx + thumbWidth_ - 1, cy + thumbHeight_ - 1, 0, 0, Width() - 1, Height() - 1);
}

int32_t TImageMView::ImageVisibility(int32_t index) {
  const TIEMImageRecord* record = Record(index);
  if (!record) return 0;
  const int32_t cx = record->X - viewX_, cy = record->Y - viewY_;
  const int32_t x2 = cx + thumbWidth_ - 1, y2 = cy + thumbHeight_ - 1;
  const int32_t state = RectInsideState(0, 0, ClientWidth() - 1, ClientHeight() - 1, cx, cy, x2, y2);
  // A cell larger than the client area that covers it is as visible as it can be.
  if (state == 0 && cx <= 0 && cy <= 0 && x2 >= ClientWidth() - 1 && y2 >= ClientHeight() - 1) return 1;
  return state;
}

}  // namespace imaging
