// The selection: a point list of one or more polygons (what the user draws) and the mask filled
// from it when a selection is finished (what processing and the outline use). Rectangles,
// ellipses, polygons and the magic wand build it; grips resize a rectangle; a selection moves.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "imaging/base/distances.h"
#include "imaging/base/number_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/proc/magic_wand.h"
#include "imaging/view/image_view.h"

namespace imaging {

namespace {

constexpr int32_t kSeparator = TIEMask::PolygonSeparator;

bool IsSeparator(const POINT& p) { return p.x == kSeparator; }

// Calls the event with the user's selection base in SelectionBase while the mouse code has put
// its own there; the mouse code's base comes back also when the handler raises.
template <class F>
void WithUserBase(TIESelectionBase& base, TIESelectionBase& saved, bool swap, F&& fire) {
  if (swap) std::swap(base, saved);
  try {
    fire();
  } catch (...) {
    if (swap) std::swap(base, saved);
    throw;
  }
  if (swap) std::swap(base, saved);
}

}  // namespace

// ---- events ----

void TImageView::DoSelectionChanging() {
  WithUserBase(selectionBase_, savedSelectionBase_, baseNesting_ > 0, [this] {
    if (OnSelectionChanging) OnSelectionChanging(this);
  });
}

void TImageView::DoBeforeSelectionChange() {
  WithUserBase(selectionBase_, savedSelectionBase_, baseNesting_ > 0, [this] {
    if (OnBeforeSelectionChange) OnBeforeSelectionChange(this);
  });
}

void TImageView::DoSelectionChange() {
  WithUserBase(selectionBase_, savedSelectionBase_, baseNesting_ > 0, [this] {
    if (OnSelectionChange) OnSelectionChange(this);
  });
}

// ---- helpers ----

void TImageView::PaintUnlessLocked() {
  if (paintLock_ == 0) PaintNow();
}

int32_t TImageView::ToBitmapX(int32_t x) {
  return layersCurrent_ >= 0 ? layers_[layersCurrent_]->ClientToLayerX(x) : ClientToBitmapX(x);
}

int32_t TImageView::ToBitmapY(int32_t y) {
  return layersCurrent_ >= 0 ? layers_[layersCurrent_]->ClientToLayerY(y) : ClientToBitmapY(y);
}

bool TImageView::IsAxisRectangle() const {
  if (polygon_.size() != 4) return false;
  int32_t kinds[4];
  for (int i = 0; i < 4; ++i) {
    const POINT& a = polygon_[i];
    const POINT& b = polygon_[(i + 1) % 4];
    if (a.y == b.y && a.x != b.x)
      kinds[i] = 0;
    else if (a.x == b.x && a.y != b.y)
      kinds[i] = 1;
    else
      return false;
  }
  return kinds[0] != kinds[1] && kinds[1] != kinds[2] && kinds[2] != kinds[3];
}

// ---- point list ----

void TImageView::ClearPolygon() {
  polygon_.clear();
  polygon_.shrink_to_fit();
  PaintUnlessLocked();
}

void TImageView::AppendPolygonPoint(int32_t x, int32_t y) {
  polygon_.push_back(POINT{x, y});
  const size_t n = polygon_.size();
  if (n == 2) {
    const POINT& a = polygon_[0];
    polygonBox_ = vcl::TRect{std::min(a.x, x), std::min(a.y, y), std::max(a.x, x), std::max(a.y, y)};
  } else if (n >= 3) {
    polygonBox_.left = std::min(polygonBox_.left, x);
    polygonBox_.top = std::min(polygonBox_.top, y);
    polygonBox_.right = std::max(polygonBox_.right, x);
    polygonBox_.bottom = std::max(polygonBox_.bottom, y);
  }
  selected_ = true;
}

void TImageView::AppendPolygonPointAndPaint(int32_t x, int32_t y) {
  AppendPolygonPoint(x, y);
  PaintUnlessLocked();
}

void TImageView::AddPolygonSeparator() {
  if (!polygon_.empty() && IsSeparator(polygon_.back())) return;
  polygon_.push_back(POINT{kSeparator, kSeparator});
}

void TImageView::StartNewSubPolygon() {
  if (!polygon_.empty()) AddPolygonSeparator();
}

void TImageView::DropLastPolygonPoint() {
  if (polygon_.empty()) return;
  polygon_.pop_back();
  while (!polygon_.empty() && IsSeparator(polygon_.back())) polygon_.pop_back();
}

void TImageView::RemoveLastSubPolygon() {
  auto last = std::find_if(polygon_.rbegin(), polygon_.rend(), IsSeparator);
  if (last == polygon_.rend()) {
    ClearPolygon();
    return;
  }
  polygon_.resize(static_cast<size_t>(polygon_.rend() - last - 1));
  PaintUnlessLocked();
}

void TImageView::AddPolygonPoint(int32_t x, int32_t y) {
  if (selectionBase_ == iesbClientArea) {
    x = std::clamp(ToBitmapX(x), 0, ieBitmap_->Width());
    y = std::clamp(ToBitmapY(y), 0, ieBitmap_->Height());
  }
  AppendPolygonPointAndPaint(x, y);
  ShowSelection(true);
}

void TImageView::AddSelectionPoint(int32_t x, int32_t y) {
  AddPolygonPoint(x, y);
  backBufferDirty_ = true;
  PaintNow();
}

// ---- the selection as a whole ----

void TImageView::EndSelect() {
  if (mask_->Width() != ieBitmap_->Width() || mask_->Height() != ieBitmap_->Height())
    mask_->Resize(ieBitmap_->Width(), ieBitmap_->Height());
  if (!polygon_.empty())
    mask_->FillPolygons(selectionIntensity_, polygon_.data(), static_cast<int32_t>(polygon_.size()));
  if (mask_->IsEmpty()) {
    selected_ = false;
    polygon_.clear();
  }
}

void TImageView::ClearSelection() {
  if (selected_) {
    selected_ = false;
    HideSelection(true);
  }
  polygon_.clear();
  mask_->Clear();
  polygonDrawing_ = lassoDrawing_ = rectDrawing_ = circleDrawing_ = false;
  selGrip_ = 0;
  moveState_ = -1;
  movingRect_ = false;
  RestoreCursor();
  updateKind_ = 3;
  Update();
}

void TImageView::SetSelectionOptions(int32_t value) {
  selectionOptions_ = value;
  selection_.animated = (value & iesoAnimated) != 0;
  selection_.sizeable = (value & iesoSizeable) != 0;
  updateKind_ = 3;
  Update();
}

void TImageView::SetSelectionColor1(vcl::TColor colour) { selection_.colour1 = colour; }

void TImageView::SetSelectionColor2(vcl::TColor colour) { selection_.colour2 = colour; }

void TImageView::ShowSelection(bool redraw) {
  selection_.visible = true;
  if (redraw) DrawSelection(this, true);
}

void TImageView::HideSelection(bool repaint) {
  selection_.visible = false;
  if (repaint && paintLock_ == 0) PaintNow();
}

void TImageView::SetFixedSelectionSize(int32_t width, int32_t height) {
  fixedSelWidth_ = width;
  fixedSelHeight_ = height;
}

void TImageView::SetSelectionGridSize(int32_t value) {
  selectionGridSize_ = value;
  Invalidate();
}

int32_t TImageView::GetSelX1() {
  return polygonDrawing_ || rectDrawing_ || circleDrawing_ || selGrip_ || movingRect_ ? polygonBox_.left : mask_->X1();
}

int32_t TImageView::GetSelY1() {
  return polygonDrawing_ || rectDrawing_ || circleDrawing_ || selGrip_ || movingRect_ ? polygonBox_.top : mask_->Y1();
}

int32_t TImageView::GetSelX2() {
  return polygonDrawing_ || rectDrawing_ || circleDrawing_ || selGrip_ || movingRect_ ? polygonBox_.right - 1
                                                                                      : mask_->X2();
}

int32_t TImageView::GetSelY2() {
  return polygonDrawing_ || rectDrawing_ || circleDrawing_ || selGrip_ || movingRect_ ? polygonBox_.bottom - 1
                                                                                      : mask_->Y2();
}

// ---- rectangles ----

void TImageView::Select(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t operation) {
  // A rectangle without area leaves the selection as it was (it would otherwise clear a
  // selection the polygon does not describe, such as a flood fill).
  if (x1 == x2 || y1 == y2) return;
  if (isNavigator_) LockPaint();
  try {
    SelectRectCore(x1, y1, x2, y2, operation, false, false);
    if (operation == 0) mask_->Clear();
    EndSelect();
  } catch (...) {
    if (isNavigator_) UnlockPaintNoUpdate();
    throw;
  }
  if (!isNavigator_) {
    backBufferDirty_ = true;
    PaintNow();
  } else {
    UnlockPaintNoUpdate();
    backBufferDirty_ = true;
    DrawSelection(this, true);
    PaintNow();
    DrawSelection(this, true);
  }
}

void TImageView::SelectRectCore(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t operation, bool square,
                                bool moveInside) {
  if (x1 == x2 || y1 == y2) return;
  if (selectionBase_ == iesbClientArea) {
    x1 = ToBitmapX(x1);
    y1 = ToBitmapY(y1);
    x2 = ToBitmapX(x2);
    y2 = ToBitmapY(y2);
  }
  selected_ = true;
  if (operation == 1 && !polygon_.empty())
    AddPolygonSeparator();
  else
    ClearPolygon();
  if (operation == 0) mask_->Clear();
  const int32_t width = ieBitmap_->Width(), height = ieBitmap_->Height();
  const double r = selectionAspectRatio_;
  if (square && r == -1) {
    y2 = y1 + (x2 - x1);
  } else if (r > 0) {
    y2 = RoundCoordinate((x2 - x1) * r) + y1;
    if (y2 >= height)
      x2 = RoundCoordinate((height - y1 - 1 + x1 * r) / r);
    else if (y2 < 0)
      x2 = RoundCoordinate((x1 * r - y1) / r);
  }
  if (moveInside) {
    // The rectangle keeps its size and is pushed inside the bitmap.
    if (x1 < 0) {
      x2 -= x1;
      x1 = 0;
    }
    if (y1 < 0) {
      y2 -= y1;
      y1 = 0;
    }
    if (x2 >= width) {
      x1 += width - x2 - 1;
      x2 = width - 1;
    }
    if (y2 >= height) {
      y1 += height - y2 - 1;
      y2 = height - 1;
    }
  }
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  x1 = std::clamp(x1, 0, std::max(width - 1, 0));
  y1 = std::clamp(y1, 0, std::max(height - 1, 0));
  x2 = std::clamp(x2, 0, width);
  y2 = std::clamp(y2, 0, height);
  AppendPolygonPoint(x1, y1);
  AppendPolygonPoint(x2, y1);
  AppendPolygonPoint(x2, y2);
  AppendPolygonPoint(x1, y2);
  ShowSelection(true);
}

void TImageView::DragRectSelection(int32_t x, int32_t y, vcl::TShiftState shift) {
  DragAutoScroll();
  int32_t ax = anchor_.x, ay = anchor_.y;
  if (selectionAspectRatio_ == 0) {
    // A rectangle of the fixed size centred on the mouse.
    const int32_t hw = RoundCoordinate(fixedSelWidth_ * zoomX_ / 100) / 2,
                  hh = RoundCoordinate(fixedSelHeight_ * zoomY_ / 100) / 2;
    ax = anchor_.x = x - hw;
    ay = anchor_.y = y - hh;
    x = x + hw - 1;
    y = y + hh - 1;
  }
  int32_t operation = 0;
  if (shift.Contains(vcl::ssShift) && multiSelect_) {
    if (GetSelectionPolygonCount() != countAtDown_) RemoveLastSubPolygon();
    operation = 1;
  }
  SelectRectCore(ax, ay, x, y, operation, AltHeld(shift), !(selectionOptions_ & iesoSizeable));
  DoSelectionChanging();
}

// ---- ellipses ----

void TImageView::DragCircleSelection(int32_t x, int32_t y, vcl::TShiftState shift) {
  DragAutoScroll();
  int32_t ax = anchor_.x, ay = anchor_.y;
  if (selectionAspectRatio_ == 0) {
    const int32_t hw = RoundCoordinate(fixedSelWidth_ * zoomX_ / 100) / 2,
                  hh = RoundCoordinate(fixedSelHeight_ * zoomY_ / 100) / 2;
    ax = anchor_.x = x;
    ay = anchor_.y = y;
    x += hw;
    y += hh;
  }
  if (shift.Contains(vcl::ssShift) && multiSelect_) {
    if (GetSelectionPolygonCount() != countAtDown_) RemoveLastSubPolygon();
    StartNewSubPolygon();
  } else {
    ClearPolygon();
  }
  const int32_t dx = std::abs(x - ax), dy = std::abs(y - ay);
  int32_t rx = dx, ry = dy;
  if (AltHeld(shift) && selectionAspectRatio_ == -1) {
    rx = ry = std::max(dx, dy);
  } else if (selectionAspectRatio_ > 0) {
    rx = std::max(dx, dy);
    ry = RoundCoordinate(rx * selectionAspectRatio_);
  }
  const int32_t ex = TruncCoordinate(rx * 100 / zoomX_), ey = TruncCoordinate(ry * 100 / zoomY_);
  const double twoPi = 2 * std::numbers::pi;
  const int32_t n = std::max(50, TruncCoordinate(std::min(ex, ey) * twoPi));
  const int32_t cx = selectionBase_ == iesbClientArea ? ToBitmapX(ax) : ax;
  const int32_t cy = selectionBase_ == iesbClientArea ? ToBitmapY(ay) : ay;
  const int32_t width = ieBitmap_->Width(), height = ieBitmap_->Height();
  polygon_.reserve(polygon_.size() + static_cast<size_t>(n));
  for (int32_t k = 0; k < n; ++k) {
    const double a = twoPi * k / n;
    AppendPolygonPoint(std::clamp(RoundCoordinate(cx + std::cos(a) * ex), 0, width),
                       std::clamp(RoundCoordinate(cy + std::sin(a) * ey), 0, height));
  }
  DrawSelection(this, true);
  DoSelectionChanging();
}

// ---- the magic wand ----

void TImageView::SelectMagicWand(int32_t x, int32_t y, bool add) {
  if (selectionBase_ == iesbClientArea) {
    x = ToBitmapX(x);
    y = ToBitmapY(y);
  }
  const int32_t width = ieBitmap_->Width(), height = ieBitmap_->Height();
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  const POINT seed{x, y};
  const TMagicWandTolerance tolerance(magicWandTolerance_);
  const TMagicWandFilter filter = magicWandMaxFilter_ ? TMagicWandFilter::Maximum : TMagicWandFilter::None;
  if (magicWandMode_ == 0) {
    std::vector<POINT> outline = MagicWandOutline(ieBitmap_, seed, tolerance, filter);
    if (!outline.empty()) {
      selected_ = true;
      if (add && !polygon_.empty()) {
        AddPolygonSeparator();
      } else {
        ClearPolygon();
        mask_->Clear();
      }
      for (const POINT& p : outline) AppendPolygonPoint(std::clamp<int32_t>(p.x, 0, width), std::clamp<int32_t>(p.y, 0, height));
      if (!add) mask_->Clear();
      EndSelect();
      ShowSelection(true);
    }
  } else if (magicWandMode_ == 1 || magicWandMode_ == 2) {
    // The selection is the mask alone; the point list stays as it was.
    if (!add) {
      polygon_.clear();
      mask_->Clear();
    }
    if (mask_->Width() != width || mask_->Height() != height) mask_->Resize(width, height);
    if (magicWandMode_ == 1)
      MagicWandFloodFill(ieBitmap_, seed, selectionIntensity_, mask_.get(), tolerance, filter);
    else
      MagicWandSelectSimilar(ieBitmap_, seed, selectionIntensity_, mask_.get(), tolerance);
    selected_ = !mask_->IsEmpty();
    ShowSelection(true);
  }
  backBufferDirty_ = true;
  PaintNow();
}

// ---- grips and moves ----

int32_t TImageView::GripAtPoint(int32_t x, int32_t y) {
  if (!selection_.visible || !selection_.sizeable || !IsAxisRectangle() || rectDrawing_ || layersCurrent_ < 0)
    return 0;
  TIELayer* layer = layers_[layersCurrent_].get();
  POINT c[4];
  for (int i = 0; i < 4; ++i) c[i] = POINT{layer->LayerToClientX(polygon_[i].x), layer->LayerToClientY(polygon_[i].y)};
  const int32_t s = selGripSize_;
  for (int i = 0; i < 4; ++i)
    if (x >= c[i].x - s && x <= c[i].x + s && y >= c[i].y - s && y <= c[i].y + s) return i + 1;
  // Left, right, top, bottom.
  const POINT edges[4][2] = {{c[0], c[3]}, {c[1], c[2]}, {c[0], c[1]}, {c[3], c[2]}};
  for (int i = 0; i < 4; ++i)
    if (DistanceToSegment(x, y, edges[i][0].x, edges[i][0].y, edges[i][1].x, edges[i][1].y) < 3.0) return i + 5;
  return 0;
}

int32_t TImageView::GripAtPointUnlessShift(int32_t x, int32_t y, vcl::TShiftState shift) {
  return shift.Contains(vcl::ssShift) ? 0 : GripAtPoint(x, y);
}

int32_t TImageView::MoveHitTest(int32_t x, int32_t y, vcl::TShiftState shift) {
  if (shift.Contains(vcl::ssShift) || mask_->IsEmpty() || rectDrawing_ || polygonDrawing_ || circleDrawing_) return -1;
  return mask_->IsPixelSet(ToBitmapX(x), ToBitmapY(y)) && (selectionOptions_ & iesoMoveable) ? 0 : -1;
}

namespace {

// Steps `moving` by `step` while `outside` holds for the dependent value, at most a bitmap's
// worth of steps, so that an extreme ratio cannot hold the loop.
template <class Dependent, class Outside>
int32_t StepWhile(int32_t& moving, int32_t step, Dependent dependent, Outside outside) {
  int32_t value = dependent(moving);
  for (int32_t i = 0; i < 1 << 20 && outside(value); ++i) {
    moving += step;
    value = dependent(moving);
  }
  return value;
}

}  // namespace

int32_t TImageView::ResizeSelectionByGrip(int32_t grip, int32_t cx, bool keepAspect, int32_t cy) {
  if (!IsAxisRectangle() || grip < 1 || grip > 8) return grip;
  int32_t x = ToBitmapX(cx), y = ToBitmapY(cy);
  const int32_t width = ieBitmap_->Width(), height = ieBitmap_->Height();
  const int32_t bx1 = gripBox_.left, by1 = gripBox_.top, bx2 = gripBox_.right, by2 = gripBox_.bottom;
  double q = 0;
  if (keepAspect) {
    const int32_t h0 = by2 - by1 + 1;
    if (h0 == 0) return grip;
    q = selectionAspectRatio_ > 0 ? 1 / selectionAspectRatio_ : static_cast<double>(bx2 - bx1 + 1) / h0;
    if (!(q > 0) || !std::isfinite(q)) return grip;
    auto below0 = [](int32_t v) { return v < 0; };
    switch (grip) {
      case 1:
      case 5:
        y = StepWhile(
            x, 1, [&](int32_t v) { return RoundCoordinate(by2 + 1 + (v - bx2 - 1) / q); }, below0);
        grip = 1;
        break;
      case 2:
        y = StepWhile(
            x, -1, [&](int32_t v) { return RoundCoordinate(by2 + (bx1 - v - 1) / q); }, below0);
        break;
      case 3:
      case 6:
        y = RoundCoordinate(by1 + (x - bx1 + 1) / q - 1);
        grip = 3;
        break;
      case 4:
        y = StepWhile(
            x, 1, [&](int32_t v) { return RoundCoordinate(by1 + 1 + (bx2 - v + 1) / q); },
            [&](int32_t v) { return v > height; });
        break;
      case 7:
        x = StepWhile(
            y, 1, [&](int32_t v) { return RoundCoordinate(bx2 + 1 - q * by2 + q * v - q); }, below0);
        grip = 1;
        break;
      case 8:
        x = StepWhile(
            y, -1, [&](int32_t v) { return RoundCoordinate(q + q * v - q * by1 + bx1 - 1); },
            [&](int32_t v) { return v > width; });
        grip = 3;
        break;
      default:
        break;
    }
  }
  if (grip == 2 || grip == 3 || grip == 6) ++x;
  if (grip == 3 || grip == 4 || grip == 8) ++y;
  int32_t x1 = polygonBox_.left, y1 = polygonBox_.top, x2 = polygonBox_.right, y2 = polygonBox_.bottom;
  if (grip == 2 || grip == 3 || grip == 6) x2 = x == x1 ? x + 1 : x;
  if (grip == 1 || grip == 4 || grip == 5) x1 = x == x2 ? x - 1 : x;
  if (grip == 1 || grip == 2 || grip == 7) y1 = y == y2 ? y - 1 : y;
  if (grip == 3 || grip == 4 || grip == 8) y2 = y == y1 ? y + 1 : y;
  if (x2 < x1) {
    static const int32_t kMirror[9] = {0, 2, 1, 4, 3, 6, 5, 7, 8};
    grip = kMirror[grip];
  }
  if (y2 < y1) {
    static const int32_t kMirror[9] = {0, 4, 3, 2, 1, 5, 6, 8, 7};
    grip = kMirror[grip];
  }
  ClearPolygon();
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  if (keepAspect && q > 0) {
    // The first side that left the bitmap comes back, the other side following the ratio.
    const bool rightMoves = grip == 2 || grip == 3 || grip == 6;
    const bool bottomMoves = grip == 3 || grip == 4 || grip == 8;
    if (y2 > height || y1 < 0) {
      if (y2 > height) y2 = height;
      if (y1 < 0) y1 = 0;
      const int32_t w = RoundCoordinate((y2 - y1) * q);
      if (rightMoves) x2 = x1 + w; else x1 = x2 - w;
    } else if (x2 > width || x1 < 0) {
      if (x2 > width) x2 = width;
      if (x1 < 0) x1 = 0;
      const int32_t h = RoundCoordinate((x2 - x1) / q);
      if (bottomMoves) y2 = y1 + h; else y1 = y2 - h;
    }
  }
  x1 = std::clamp(x1, 0, width);
  x2 = std::clamp(x2, 0, width);
  y1 = std::clamp(y1, 0, height);
  y2 = std::clamp(y2, 0, height);
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  AppendPolygonPoint(x1, y1);
  AppendPolygonPoint(x2, y1);
  AppendPolygonPoint(x2, y2);
  AppendPolygonPoint(x1, y2);
  ShowSelection(true);
  return grip;
}

void TImageView::MoveSelection(int32_t dx, int32_t dy, bool cutBorders) {
  movingRect_ = IsAxisRectangle();
  // A rectangle's mask is filled again from its corners when the move ends.
  if (movingRect_)
    mask_->Clear();
  else
    mask_->Translate(dx, dy, cutBorders);
  if (dx == 0 && dy == 0) return;
  MovePolygon(dx, dy, cutBorders, ieBitmap_->Width(), ieBitmap_->Height());
  DrawSelection(this, true);
  if (isNavigator_) {
    PaintNow();
    DrawSelection(this, true);
  }
}

void TImageView::MovePolygon(int32_t dx, int32_t dy, bool cutBorders, int32_t width, int32_t height) {
  PaintUnlessLocked();
  const vcl::TRect b = polygonBox_;
  auto keepInside = [](int32_t lo, int32_t hi, int32_t limit, int32_t& d) {
    if (lo + d < 0) d = -lo;
    if (hi + d > limit) d = limit - hi;
  };
  const bool outsideX = b.left + dx >= width || b.right + dx <= 0;
  const bool outsideY = b.top + dy >= height || b.bottom + dy <= 0;
  if (!cutBorders || outsideX) keepInside(b.left, b.right, width, dx);
  if (!cutBorders || outsideY) keepInside(b.top, b.bottom, height, dy);
  // A box larger than the bitmap can still end up outside: then nothing moves.
  if (b.left + dx >= width || b.top + dy >= height || b.right + dx <= 0 || b.bottom + dy <= 0) return;
  polygonBox_ = vcl::TRect{std::clamp(b.left + dx, 0, width), std::clamp(b.top + dy, 0, height),
                           std::clamp(b.right + dx, 0, width), std::clamp(b.bottom + dy, 0, height)};
  for (POINT& p : polygon_) {
    if (IsSeparator(p)) continue;
    p.x = std::clamp<int32_t>(p.x + dx, 0, width);
    p.y = std::clamp<int32_t>(p.y + dy, 0, height);
  }
}

void TImageView::MoveSelectionBy(int32_t dx, int32_t dy) {
  MoveSelection(dx, dy, (selectionOptions_ & iesoCutBorders) != 0);
  movingRect_ = false;
  EndSelect();
}

void TImageView::EndPolygonSelection(bool add, bool dropLastPoint) {
  if (dropLastPoint) DropLastPolygonPoint();
  if (!(add && multiSelect_)) mask_->Clear();
  EndSelect();
  updateKind_ = 3;
  Update();
  polygonDrawing_ = false;
  lassoDrawing_ = false;
  DoSelectionChange();
}

}  // namespace imaging
