// Layout: alignment of children (Align), anchors, size constraints, AutoSize and scaling.
#include <algorithm>
#include <vector>

#include "vcl/controls/controls.h"
#include "vcl/classes/filer.h"
#include "vcl/runtime/scope_exit.h"

namespace vcl {

namespace {

// The anchors that alignment implies; a control whose anchors differ also keeps its anchors.
TAnchors AnchorAlign(TAlign align) {
  switch (align) {
    case alTop: return {akLeft, akTop, akRight};
    case alBottom: return {akLeft, akRight, akBottom};
    case alLeft: return {akLeft, akTop, akBottom};
    case alRight: return {akRight, akTop, akBottom};
    case alClient: return {akLeft, akTop, akRight, akBottom};
    default: return {akLeft, akTop};
  }
}

// Which of two controls of one alignment goes first: the one nearer its edge.
bool InsertBefore(TControl* c1, TControl* c2, TAlign align) {
  switch (align) {
    case alTop: return c1->Top() < c2->Top();
    case alBottom: return c1->Top() + c1->Height() >= c2->Top() + c2->Height();
    case alLeft: return c1->Left() < c2->Left();
    case alRight: return c1->Left() + c1->Width() >= c2->Left() + c2->Width();
    default: return false;
  }
}

}  // namespace

// Moves a child for the layout: its anchors keep the distances they had.
void TWinControl::MoveByLayout(TControl* control, int left, int top, int width, int height) {
  control->anchorMove_ = true;
  TScopeExit done([control] { control->anchorMove_ = false; });
  control->SetBounds(left, top, width, height);
}

namespace {

bool ShowsForLayout(TControl* c) {
  return c->Visible() ||
         (c->ComponentState().Contains(csDesigning) && !c->ControlStyle().Contains(csNoDesignVisible));
}

}  // namespace

// ---- Size checks ------------------------------------------------------------------------------

bool TControl::CanResize(int& newWidth, int& newHeight) {
  bool resize = true;
  if (OnCanResize) OnCanResize(this, newWidth, newHeight, resize);
  return resize;
}

bool TControl::CanAutoSize(int&, int&) { return true; }

void TControl::ConstrainedResize(int& minWidth, int& minHeight, int& maxWidth, int& maxHeight) {
  if (OnConstrainedResize) OnConstrainedResize(this, minWidth, minHeight, maxWidth, maxHeight);
}

void TControl::DoConstrainedResize(int& newWidth, int& newHeight) {
  int minWidth = constraints_->MinWidth(), minHeight = constraints_->MinHeight();
  int maxWidth = constraints_->MaxWidth(), maxHeight = constraints_->MaxHeight();
  ConstrainedResize(minWidth, minHeight, maxWidth, maxHeight);
  if (maxWidth > 0 && newWidth > maxWidth)
    newWidth = maxWidth;
  else if (minWidth > 0 && newWidth < minWidth)
    newWidth = minWidth;
  if (maxHeight > 0 && newHeight > maxHeight)
    newHeight = maxHeight;
  else if (minHeight > 0 && newHeight < minHeight)
    newHeight = minHeight;
}

bool TControl::CheckNewSize(int& newWidth, int& newHeight) {
  auto doCanResize = [this](int& w, int& h) {
    if (!CanResize(w, h)) return false;
    DoConstrainedResize(w, h);
    return true;
  };
  int w = newWidth, h = newHeight;
  if (!doCanResize(w, h)) return false;
  int w2 = w, h2 = h;
  bool ok = true;
  if (autoSize_) {
    // AutoSize gives the content's size along the sides the alignment leaves free.
    int aw = w2, ah = h2;
    bool can = CanAutoSize(aw, ah);
    if (align_ == alNone || align_ == alLeft || align_ == alRight) w2 = aw;
    if (align_ == alNone || align_ == alTop || align_ == alBottom) h2 = ah;
    ok = (can && w2 == w && h2 == h) || doCanResize(w2, h2);
  }
  if (ok) {
    newWidth = w2;
    newHeight = h2;
  }
  return ok;
}

void TControl::ConstraintsChanged() { AdjustSize(); }

void TControl::AdjustSize() {
  if (ComponentState().Contains(csLoading)) return;
  int w = width_, h = height_;
  if (CheckNewSize(w, h) && (w != width_ || h != height_)) SetBounds(left_, top_, w, h);
}

void TWinControl::AdjustSize() {
  if (ComponentState().Contains(csLoading)) return;
  if (handle_) {
    SetWindowPos(handle_, nullptr, 0, 0, width_, height_, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOZORDER);
    RequestAlign();
    return;
  }
  int w = width_, h = height_;
  if (CheckNewSize(w, h) && (w != width_ || h != height_)) {
    width_ = w;
    height_ = h;
    UpdateAnchorRules();
    RequestAlign();
  }
}

void TWinControl::ConstraintsChanged() { AdjustSize(); }

bool TWinControl::CanAutoSize(int& newWidth, int& newHeight) {
  // The extent of the visible children, plus the margins the content keeps inside the client
  // area on the far sides (a bevel, a border) and what the frame takes. Without visible
  // children the size stays: there is nothing to fit.
  bool any = false;
  TRect extents{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (!ShowsForLayout(c)) continue;
    any = true;
    extents.left = std::min<LONG>(extents.left, c->Left());
    extents.top = std::min<LONG>(extents.top, c->Top());
    extents.right = std::max<LONG>(extents.right, c->Left() + c->Width());
    extents.bottom = std::max<LONG>(extents.bottom, c->Top() + c->Height());
  }
  if (!any) return true;
  TRect client = handle_ ? ClientRect() : Rect(0, 0, width_, height_);
  TRect content = client;
  AdjustClientRect(content);
  int frameX = width_ - (client.right - client.left);
  int frameY = height_ - (client.bottom - client.top);
  newWidth = extents.right + (client.right - content.right) - std::min<LONG>(extents.left, 0) + frameX;
  newHeight = extents.bottom + (client.bottom - content.bottom) - std::min<LONG>(extents.top, 0) + frameY;
  return true;
}

// ---- Anchors ---------------------------------------------------------------------------------

void TControl::UpdateAnchorRules() {
  if (anchorMove_ || ComponentState().Contains(csLoading)) return;
  if (anchors_ == TAnchors{akLeft, akTop}) {
    originalParentSize_ = Point(0, 0);
    return;
  }
  if (anchors_.Contains(akRight))
    anchorRules_.x = anchors_.Contains(akLeft) ? width_ : left_;
  else
    anchorRules_.x = left_ + width_ / 2;
  if (anchors_.Contains(akBottom))
    anchorRules_.y = anchors_.Contains(akTop) ? height_ : top_;
  else
    anchorRules_.y = top_ + height_ / 2;
  if (!parent_) return;
  if (parent_->ComponentState().Contains(csReading)) {
    // While the parent is read its client size is the one the form data was written with.
    if (parent_->designSize_.x > 0) originalParentSize_ = parent_->designSize_;
  } else if (parent_->HandleAllocated()) {
    TRect r = parent_->ClientRect();
    originalParentSize_ = Point(r.right - r.left, r.bottom - r.top);
  } else {
    originalParentSize_ = Point(parent_->Width(), parent_->Height());
  }
}

void TWinControl::DefineProperties(TFiler* filer) {
  TControl::DefineProperties(filer);
  // The client size the children's anchors were measured against.
  auto needsDesignSize = [this] {
    for (int i = 0; i < ControlCount(); ++i) {
      TAnchors a = Controls(i)->Anchors();
      if (a.Contains(akRight) || a.Contains(akBottom)) return true;
    }
    return false;
  };
  filer->DefineProperty(
      "DesignSize",
      [this](TReader* reader) {
        reader->ReadListBegin();
        designSize_.x = reader->ReadInteger();
        designSize_.y = reader->ReadInteger();
        reader->ReadListEnd();
      },
      [this](TWriter* writer) {
        TPoint size = designSize_;
        if (handle_) {
          TRect r = ClientRect();
          size = Point(r.right, r.bottom);
        }
        writer->WriteListBegin();
        writer->WriteInteger(size.x);
        writer->WriteInteger(size.y);
        writer->WriteListEnd();
      },
      needsDesignSize());
}

// ---- Alignment -------------------------------------------------------------------------------

void TWinControl::DisableAlign() { ++alignLevel_; }

void TWinControl::EnableAlign() {
  --alignLevel_;
  if (alignLevel_ == 0 && controlState_.Contains(csAlignmentNeeded)) Realign();
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AlignControl(TControl* control) {
  // Layout follows the window: without one there is no client area to fill yet.
  if (!handle_ || ComponentState().Contains(csDestroying)) return;
  if (alignLevel_ != 0) {
    controlState_.Include(csAlignmentNeeded);
    return;
  }
  WithAlignDisabled([&] {
    TScopeExit aligned([this] { controlState_.Exclude(csAlignmentNeeded); });
    TRect rect = ClientRect();
    AlignControls(control, rect);
  });
}

void TWinControl::AdjustClientRect(TRect&) {}

void TWinControl::AlignControls(TControl* control, TRect& rect) {
  bool work = false;
  for (int i = ControlCount() - 1; i >= 0 && !work; --i) {
    TControl* c = Controls(i);
    work = c->Align() != alNone || !(c->Anchors() == TAnchors{akLeft, akTop});
  }
  if (!work) return;
  AdjustClientRect(rect);

  std::vector<TControl*> list;
  auto doPosition = [&](TControl* c, TAlign align) {
    if (align == alNone || !(c->Anchors() == AnchorAlign(align))) {
      // Anchors keep their distances to the parent's sides as the parent's size changes.
      if (c->originalParentSize_.x != 0 && c->originalParentSize_.y != 0) {
        int newLeft = c->Left(), newTop = c->Top(), newWidth = c->Width(), newHeight = c->Height();
        TPoint parentSize;
        if (handle_) {
          TRect client = ClientRect();
          parentSize = Point(client.right, client.bottom);
        } else {
          parentSize = Point(Width(), Height());
        }
        TAnchors a = c->Anchors();
        if (a.Contains(akRight)) {
          if (a.Contains(akLeft))
            newWidth = parentSize.x - (c->originalParentSize_.x - c->anchorRules_.x);
          else
            newLeft = parentSize.x - (c->originalParentSize_.x - c->anchorRules_.x);
        } else if (!a.Contains(akLeft)) {
          newLeft = MulDiv(c->anchorRules_.x, parentSize.x, c->originalParentSize_.x) - newWidth / 2;
        }
        if (a.Contains(akBottom)) {
          if (a.Contains(akTop))
            newHeight = parentSize.y - (c->originalParentSize_.y - c->anchorRules_.y);
          else
            newTop = parentSize.y - (c->originalParentSize_.y - c->anchorRules_.y);
        } else if (!a.Contains(akTop)) {
          newTop = MulDiv(c->anchorRules_.y, parentSize.y, c->originalParentSize_.y) - newHeight / 2;
        }
        MoveByLayout(c, newLeft, newTop, newWidth, newHeight);
      }
      if (align == alNone) return;
    }
    int newWidth = rect.right - rect.left;
    if (newWidth < 0 || align == alLeft || align == alRight || align == alCustom) newWidth = c->Width();
    int newHeight = rect.bottom - rect.top;
    if (newHeight < 0 || align == alTop || align == alBottom || align == alCustom) newHeight = c->Height();
    int newLeft = rect.left, newTop = rect.top;
    switch (align) {
      case alTop: rect.top += newHeight; break;
      case alBottom:
        rect.bottom -= newHeight;
        newTop = rect.bottom;
        break;
      case alLeft: rect.left += newWidth; break;
      case alRight:
        rect.right -= newWidth;
        newLeft = rect.right;
        break;
      case alCustom:
        newLeft = c->Left();
        newTop = c->Top();
        break;
      default: break;
    }
    MoveByLayout(c, newLeft, newTop, newWidth, newHeight);
    // A control that did not take the size it was given (constraints, AutoSize) leaves the
    // rest of the area to the next ones.
    if (c->Width() != newWidth || c->Height() != newHeight) {
      // One aligned to the far side stays against it.
      auto keepAt = [&](int left, int top) { MoveByLayout(c, left, top, c->Width(), c->Height()); };
      switch (align) {
        case alTop: rect.top -= newHeight - c->Height(); break;
        case alBottom:
          rect.bottom += newHeight - c->Height();
          keepAt(c->Left(), rect.bottom);
          break;
        case alLeft: rect.left -= newWidth - c->Width(); break;
        case alRight:
          rect.right += newWidth - c->Width();
          keepAt(rect.right, c->Top());
          break;
        case alClient:
          rect.right += c->Width() - newWidth;
          rect.bottom += c->Height() - newHeight;
          break;
        default: break;
      }
    }
  };
  auto doAlign = [&](TAlign align) {
    list.clear();
    // The control whose change started the layout keeps its place against the others.
    if (control && control->Align() == align && (align == alNone || ShowsForLayout(control))) list.push_back(control);
    for (int i = 0; i < ControlCount(); ++i) {
      TControl* c = Controls(i);
      if (c->Align() != align || c == control) continue;
      bool shows = align == alNone || c->Visible() ||
                   (c->ControlStyle().Contains(csAcceptsControls) && c->ControlStyle().Contains(csNoDesignVisible)) ||
                   (c->ComponentState().Contains(csDesigning) && !c->ControlStyle().Contains(csNoDesignVisible));
      if (!shows) continue;
      size_t j = 0;
      while (j < list.size() && !InsertBefore(c, list[j], align)) ++j;
      list.insert(list.begin() + static_cast<std::ptrdiff_t>(j), c);
    }
    // A copy: positioning a control may change the children.
    std::vector<TControl*> order = list;
    for (TControl* c : order) doPosition(c, align);
  };
  doAlign(alTop);
  doAlign(alBottom);
  doAlign(alLeft);
  doAlign(alRight);
  doAlign(alClient);
  doAlign(alCustom);
  doAlign(alNone);
  ControlsAligned();
  if (Showing()) AdjustSize();
}

// ---- Scaling ---------------------------------------------------------------------------------

void TWinControl::ChangeScale(int multiplier, int divider) {
  if (multiplier == divider || divider == 0) return;
  WithAlignDisabled([&] {
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->ChangeScale(multiplier, divider);
    TControl::ChangeScale(multiplier, divider);
  });
}

}  // namespace vcl
