// Drawing the selection straight onto the window, over the composed picture: the marching ants
// of the point list while a selection is drawn, the mask's outline once it is finished, the
// grips and grid of a rectangle, and the timer that moves the ants.
#include <algorithm>
#include <cmath>

#include "imaging/base/number_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_canvas.h"
#include "imaging/model/ie_mask.h"
#include "imaging/view/image_view.h"
#include "vcl/controls/timer.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/win.h"

namespace imaging {

namespace {

// Four pixels of each colour; the counter carries the pattern from one segment to the next.
struct TAntsPen {
  HDC dc;
  int32_t* counter;
  COLORREF colour1, colour2;
};

void CALLBACK MarchingAntsPixel(int x, int y, LPARAM data) {
  auto* pen = reinterpret_cast<TAntsPen*>(data);
  int32_t& c = *pen->counter;
  COLORREF colour;
  if (c >= 7) {
    colour = pen->colour2;
    c = 0;
  } else {
    colour = c <= 3 ? pen->colour1 : pen->colour2;
    ++c;
  }
  SetPixelV(pen->dc, x, y, colour);
}

}  // namespace

void TImageView::EnsureSelectionTimer() {
  if (selectionTimer_) return;
  selectionTimer_ = new vcl::TTimer(this);
  selectionTimer_->SetEnabled(false);
  selectionTimer_->SetInterval(210);
  selectionTimer_->OnTimer = [this](vcl::TObject* sender) { AnimationTimerTick(sender); };
}

// A tick never lets an error out into the timer's window procedure: the next tick tries again.
void TImageView::AnimationTimerTick(vcl::TObject* sender) {
  try {
    DrawSelection(sender, true);
  } catch (...) {
  }
}

void TImageView::DrawMarchingLine(vcl::TCanvas* canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  TAntsPen pen{canvas->Handle(), &selection_.dashCounter, static_cast<COLORREF>(vcl::ColorToRGB(selection_.colour1)),
               static_cast<COLORREF>(vcl::ColorToRGB(selection_.colour2))};
  LineDDA(x1, y1, x2, y2, MarchingAntsPixel, reinterpret_cast<LPARAM>(&pen));
}

void TImageView::DrawSelectionGrips(vcl::TCanvas* canvas) {
  TIELayer* layer = layers_[layersCurrent_].get();
  POINT c[4];
  for (int i = 0; i < 4; ++i) c[i] = POINT{layer->LayerToClientX(polygon_[i].x), layer->LayerToClientY(polygon_[i].y)};
  int32_t left = c[0].x, top = c[0].y, right = c[0].x, bottom = c[0].y;
  for (const POINT& p : c) {
    left = std::min<int32_t>(left, p.x);
    top = std::min<int32_t>(top, p.y);
    right = std::max<int32_t>(right, p.x);
    bottom = std::max<int32_t>(bottom, p.y);
  }
  {
    TIECanvas grips(canvas);
    grips.Brush()->SetStyle(selGripBrushStyle_);
    grips.Brush()->SetColor(selGripBrush_);
    grips.Pen()->SetColor(selGripPen_);
    const int32_t s = selGripSize_;
    auto grip = [&](int32_t x, int32_t y) {
      if (selGripShape_ == 0)
        grips.Rectangle(x - s, y - s, x + s, y + s);
      else
        grips.Ellipse(x - s, y - s, x + s, y + s);
    };
    for (const POINT& p : c) grip(p.x, p.y);
    if (selEdgeGrips_) {
      const int32_t mx = (left + right) / 2, my = (top + bottom) / 2;
      grip(left, my);
      grip(right, my);
      grip(mx, top);
      grip(mx, bottom);
    }
  }
  DrawSelectionGrid(left, top, right, bottom);
}

void TImageView::DrawSelectionGrid(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const int32_t n = selectionGridSize_;
  if (n < 2 || !HandleAllocated()) return;
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  vcl::TCanvas* canvas = Canvas();
  canvas->Pen()->SetColor(0xA0A0A0);
  canvas->Pen()->SetMode(vcl::pmCopy);
  canvas->Pen()->SetStyle(vcl::psSolid);
  canvas->Pen()->SetWidth(1);
  for (int32_t k = 1; k < n; ++k) {
    const int32_t y = y1 + static_cast<int32_t>(int64_t(k) * (y2 - y1) / n);
    canvas->MoveTo(x1, y);
    canvas->LineTo(x2, y);
    const int32_t x = x1 + static_cast<int32_t>(int64_t(k) * (x2 - x1) / n);
    canvas->MoveTo(x, y1);
    canvas->LineTo(x, y2);
  }
}

void TImageView::DrawPolygonRubberLine() {
  if (!polygonDrawing_ || lassoDrawing_ || polygon_.empty() || !HandleAllocated() || layersCurrent_ < 0) return;
  const POINT& last = polygon_.back();
  if (last.x == TIEMask::PolygonSeparator) return;
  TIELayer* layer = layers_[layersCurrent_].get();
  vcl::TCanvas* canvas = Canvas();
  canvas->Pen()->SetMode(vcl::pmNot);
  canvas->Pen()->SetWidth(1);
  canvas->Pen()->SetStyle(vcl::psSolid);
  canvas->MoveTo(lastPoint_.x, lastPoint_.y);
  canvas->LineTo(layer->LayerToClientX(last.x), layer->LayerToClientY(last.y));
  canvas->Pen()->SetMode(vcl::pmCopy);
}

void TImageView::DrawSelection(vcl::TObject* sender, bool checkCanvasLock) {
  if (!HasParentWindow() || !selectionVisible_ || !HandleAllocated() || layersCurrent_ < 0) return;
  const bool fromTimer = sender != nullptr && sender == selectionTimer_;
  const bool drawing = rectDrawing_ || polygonDrawing_ || circleDrawing_;
  if (selection_.visible) {
    if (selection_.animated && !drawing && selGrip_ == 0 && moveState_ == -1 && fromTimer) {
      selection_.phase = (selection_.phase + 1) % 10;
      ++maskOutlinePhase_;
    }
    vcl::TCanvas* canvas = Canvas();
    RECT clip{};
    const bool clipEmpty = GetClipBox(canvas->Handle(), &clip) == NULLREGION;
    const bool skip = clipEmpty || paintLock_ > 0 || (checkCanvasLock && canvas->LockCount() > 0) || autoScrolling_;
    if (!skip) {
      TIELayer* layer = layers_[layersCurrent_].get();
      if (selection_.sizeable && IsAxisRectangle() && !rectDrawing_ && moveState_ == -1) DrawSelectionGrips(canvas);
      if (!mask_->IsEmpty() && selGrip_ == 0 && !drawing && !movingRect_) {
        if (!(skipOutlineWhileMoving_ && outlinePauseCountdown_ > 0)) {
          const auto& d = layer->DrawnDest;
          const auto& s = layer->DrawnSource;
          RECT shown{};
          const DWORD start = GetTickCount();
          mask_->DrawOutline(canvas, d[0], d[1], d[2], d[3], s[0], s[1], s[2], s[3], maskOutlinePhase_,
                             selection_.colour1, selection_.colour2, &shown);
          shownRect_ = vcl::TRect{shown.left, shown.top, shown.right, shown.bottom};
          // The outline may take a while on a large mask: the animation slows down so that it
          // keeps to about a fifth of the time.
          if (animationBudget_ < 0 && (hasOwner_ || HasParentWindow())) {
            EnsureSelectionTimer();
            const double elapsed = GetTickCount() - start;
            selectionTimer_->SetInterval(
                static_cast<uint32_t>(std::max(210, RoundCoordinate(elapsed * 100 / -animationBudget_))));
          }
        }
      } else if (!polygon_.empty()) {
        selection_.dashCounter = selection_.phase;
        canvas->Pen()->SetMode(vcl::pmCopy);
        auto client = [&](const POINT& p) {
          return POINT{layer->LayerToClientX(p.x), layer->LayerToClientY(p.y)};
        };
        if (IsAxisRectangle()) {
          const POINT a = client(polygon_[0]);
          const POINT b = client(polygon_[2]);
          const int32_t x1 = a.x, y1 = a.y, x2 = b.x - 1, y2 = b.y - 1;
          shownRect_ = vcl::TRect{x1, y1, x2, y2};
          DrawMarchingLine(canvas, x1, y1, x2, y1);
          if (OnDrawPolygon) OnDrawPolygon(this, 0, 1, canvas, x2, y1);
          DrawMarchingLine(canvas, x2, y1, x2, y2);
          if (OnDrawPolygon) OnDrawPolygon(this, 0, 2, canvas, x2, y2);
          DrawMarchingLine(canvas, x2, y2, x1, y2);
          if (OnDrawPolygon) OnDrawPolygon(this, 0, 3, canvas, x1, y2);
          DrawMarchingLine(canvas, x1, y1, x1, y2);
          if (rectDrawing_ || movingRect_) DrawSelectionGrid(x1, y1, x2, y2);
          if (OnDrawPolygon) OnDrawPolygon(this, 0, 0, canvas, x1, y1);
        } else {
          const size_t n = polygon_.size();
          size_t first = 0;
          for (size_t i = 1; i < n; ++i) {
            if (polygon_[i].x == TIEMask::PolygonSeparator) {
              // Close this polygon; the next one starts after the separator.
              if (i - 1 > first || polygon_[first].x != TIEMask::PolygonSeparator) {
                const POINT p = client(polygon_[i - 1]), q = client(polygon_[first]);
                DrawMarchingLine(canvas, p.x, p.y, q.x, q.y);
              }
              first = i + 1;
              ++i;
              continue;
            }
            const POINT p = client(polygon_[i - 1]), q = client(polygon_[i]);
            DrawMarchingLine(canvas, p.x, p.y, q.x, q.y);
            if (OnDrawPolygon) OnDrawPolygon(this, 0, static_cast<int32_t>(i - 1), canvas, p.x, p.y);
          }
          if (!polygonDrawing_ && first < n) {
            const POINT p = client(polygon_[n - 1]), q = client(polygon_[first]);
            DrawMarchingLine(canvas, p.x, p.y, q.x, q.y);
          }
        }
      }
    }
  }
  if (hasOwner_ || HasParentWindow()) {
    EnsureSelectionTimer();
    const bool animate = selection_.visible && selection_.animated && (selected_ || !polygon_.empty());
    selectionTimer_->SetEnabled(delayedFilterCountdown_ > 0 || outlinePauseCountdown_ > 0 || animate);
  }
  // The countdowns that zoom and scroll start run on the timer's ticks.
  if (fromTimer) {
    if (delayedFilterCountdown_ > 0 && --delayedFilterCountdown_ == 0) Update();
    if (outlinePauseCountdown_ > 0) --outlinePauseCountdown_;
  }
}

}  // namespace imaging
