// The thumbnail grid's selection and interaction: the current image and the multiple
// selection, mouse and keyboard, the window messages, and play mode.
#include <algorithm>

#include "imaging/model/ie_bitmap.h"
#include "imaging/view/thumbnail_grid.h"
#include "vcl/controls/messages.h"

namespace imaging {

namespace {

// Sets a flag for a scope and gives it its old value back on every way out.
class TFlagScope {
 public:
  TFlagScope(bool& flag, bool value) : flag_(flag), old_(flag) { flag_ = value; }
  ~TFlagScope() { flag_ = old_; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& flag_;
  bool old_;
};

constexpr UINT_PTR kPlayTimer = 1;

}  // namespace

// ---- messages ----

void TImageMView::Dispatch(vcl::TMessage& message) {
  switch (message.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL: {
      TFlagScope action(userAction_, true);
      ScrollAction(message.Msg == WM_HSCROLL, static_cast<int16_t>(LOWORD(message.WParam)),
                   static_cast<uint16_t>(HIWORD(message.WParam)));
      message.Result = 0;
      return;
    }
    case vcl::CM_WANTSPECIALKEY:
      TIEView::Dispatch(message);
      // Arrows and page keys move the selection instead of the focus.
      if (message.WParam >= VK_PRIOR && message.WParam <= VK_DOWN) message.Result = 1;
      return;
    case WM_TIMER:
      if (message.WParam == kPlayTimer) {
        try {
          PlayFrame();
        } catch (...) {
        }
        return;
      }
      TIEView::Dispatch(message);
      return;
    case WM_PALETTECHANGED:
    case WM_QUERYNEWPALETTE:
      TIEView::Dispatch(message);
      Invalidate();
      message.Result = 1;
      return;
    default:
      TIEView::Dispatch(message);
  }
}

void TImageMView::WMSize(vcl::TWMSize& message) {
  TIEView::WMSize(message);
  RefreshLayout(false);
}

void TImageMView::WMEraseBkgnd(vcl::TWMEraseBkgnd& message) { message.Result = 0; }

void TImageMView::WMSetFocus(vcl::TWMSetFocus& message) {
  TIEView::WMSetFocus(message);
  Invalidate();
}

void TImageMView::WMKillFocus(vcl::TWMKillFocus& message) {
  TIEView::WMKillFocus(message);
  Invalidate();
}

void TImageMView::WMLButtonDblClk(vcl::TWMMouse& message) {
  ignoreNextPress_ = true;
  TIEView::WMLButtonDblClk(message);
}

bool TImageMView::HasFocusNow() { return HandleAllocated() && Focused(); }

// ---- events ----

void TImageMView::ImageSelect(int32_t index) {
  if (OnImageSelect && userAction_) OnImageSelect(this, index);
}

void TImageMView::ImageDeselect(int32_t index) {
  if (OnImageDeselect && userAction_ && !destroying_) OnImageDeselect(this, index);
}

void TImageMView::ViewChange(int32_t change) {
  if (OnViewChange && userAction_) OnViewChange(this, change);
}

// ---- selection ----

int32_t TImageMView::MultiSelectedImages(int32_t i) const {
  return i >= 0 && i < MultiSelectedImagesCount() ? multiSelected_[i] : -1;
}

bool TImageMView::IsSelected(int32_t index) {
  return index == selectedImage_ || std::find(multiSelected_.begin(), multiSelected_.end(), index) != multiSelected_.end();
}

void TImageMView::DoSelectImage(int32_t p) {
  selectionChanged_ = false;
  if (playing_ || !Record(p)) return;
  if (selectedImage_ >= 0 && selectedBitmap_) {
    // Changes made to the borrowed bitmap are kept.
    TGridLockScope hold(lock_);
    imageList_->ReleaseBitmap(selectedBitmap_, true);
    selectedBitmap_ = nullptr;
  }
  if (enableMultiSelect_) {
    if (!extendSelection_) {
      const std::vector<int32_t> previous = std::move(multiSelected_);
      multiSelected_.clear();
      for (int32_t i : previous) ImageDeselect(i);
      selectionChanged_ = true;
    } else {
      auto listed = std::find(multiSelected_.begin(), multiSelected_.end(), p);
      if (listed != multiSelected_.end() &&
          (!(multiSelectionOptions_ & iemoLeaveOneSelected) || multiSelected_.size() > 1)) {
        multiSelected_.erase(listed);
        ImageDeselect(p);
        selectionChanged_ = true;
        if (!noToggle_) {
          selectedImage_ = -1;
          return;
        }
      }
    }
    if (std::find(multiSelected_.begin(), multiSelected_.end(), p) == multiSelected_.end()) multiSelected_.push_back(p);
    selectionChanged_ = true;
  }
  selectedImage_ = p;
  selectionChanged_ = true;
  selectedBitmap_ = nullptr;
  NotifyBitmapChange();
  ImageSelect(p);
}

void TImageMView::SetSelectedImage(int32_t index) {
  if (playing_ || (!extendSelection_ && index == selectedImage_) || !Record(index)) return;
  DoSelectImage(index);
  RefreshLayout(false);
}

void TImageMView::DeselectNoUpdate() {
  if (selectedImage_ >= 0 && selectedBitmap_) {
    TGridLockScope hold(lock_);
    imageList_->ReleaseBitmap(selectedBitmap_, true);
  }
  selectedBitmap_ = nullptr;
  if (enableMultiSelect_) {
    const std::vector<int32_t> previous = std::move(multiSelected_);
    multiSelected_.clear();
    for (int32_t i : previous) ImageDeselect(i);
  } else {
    ImageDeselect(selectedImage_);
  }
  selectedImage_ = -1;
}

void TImageMView::Deselect() {
  DeselectNoUpdate();
  RefreshLayout(false);
}

bool TImageMView::SelectAtPos(int32_t x, int32_t y, vcl::TShiftState shift) {
  const bool previous = extendSelection_;
  if (shift.Contains(vcl::ssCtrl) || shift.Contains(vcl::ssShift)) extendSelection_ = true;
  const int32_t k = ImageAtPos(x, y);
  if (k >= 0) {
    if (enableMultiSelect_ && (k != selectedImage_ || extendSelection_) && shift.Contains(vcl::ssShift)) {
      const int32_t a = selectedImage_;
      auto listed = [this](int32_t i) {
        return std::find(multiSelected_.begin(), multiSelected_.end(), i) != multiSelected_.end();
      };
      if (multiSelectionOptions_ & iemoRegion) {
        const int32_t r1 = std::min(GetImageRow(a), GetImageRow(k)), r2 = std::max(GetImageRow(a), GetImageRow(k));
        const int32_t c1 = std::min(GetImageCol(a), GetImageCol(k)), c2 = std::max(GetImageCol(a), GetImageCol(k));
        for (int32_t row = r1; row <= r2; ++row)
          for (int32_t column = c1; column <= c2; ++column) {
            const int32_t i = ImageAtGridPos(row, column);
            if (i != selectedImage_ && i != k && !listed(i)) DoSelectImage(i);
          }
      } else if (a != k) {
        const int32_t step = a < k ? 1 : -1;
        for (int32_t i = a + step; i != k; i += step)
          if (!listed(i)) DoSelectImage(i);
      }
    }
    DoSelectImage(k);
    if (visibleSelection_) RefreshLayout(false);
    NotifyBitmapChange();
  }
  extendSelection_ = previous;
  return previous;
}

// Selects the range (or region) from `anchor` to the image under (x, y), replacing the
// selection: what a shift-click and a drag both do.
void TImageMView::SelectRangeTo(int32_t anchor, int32_t x, int32_t y) {
  const bool previousNoToggle = noToggle_;
  {
    TFlagScope extend(extendSelection_, false);
    noToggle_ = true;
    DeselectNoUpdate();
    DoSelectImage(anchor < 0 ? 0 : anchor);
  }
  SelectAtPos(x, y, vcl::TShiftState{vcl::ssShift});
  noToggle_ = previousNoToggle;
  rangeDrag_ = true;
}

void TImageMView::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TIEView::MouseDown(button, shift, x, y);
  TFlagScope action(userAction_, true);
  if (ignoreNextPress_) {
    ignoreNextPress_ = false;
    return;
  }
  if (CanFocus()) SetFocus();
  pressX_ = x;
  pressY_ = y;
  pressViewX_ = viewX_;
  pressViewY_ = viewY_;
  pressIndex_ = dragIndex_ = ImageAtPos(x, y);
  rangeDrag_ = false;
  pressPending_ = true;
  selectionChanged_ = false;
  if ((multiSelectionOptions_ & iemoSelectOnMouseUp) || button != vcl::mbLeft || !(mouseInteract_ & mmiSelect)) return;
  const int32_t k = pressIndex_;
  if (shift.Contains(vcl::ssShift) && enableMultiSelect_) {
    SelectRangeTo(lastClicked_, x, y);
  } else if (k >= 0 && IsSelected(k)) {
    lastClicked_ = k;  // the release decides
  } else {
    lastClicked_ = k;
    SelectAtPos(x, y, shift);
  }
}

void TImageMView::MouseMove(vcl::TShiftState shift, int x, int y) {
  TIEView::MouseMove(shift, x, y);
  TFlagScope action(userAction_, true);
  if (!pressPending_ || !MouseCapture()) return;
  if ((mouseInteract_ & mmiSelect) && enableMultiSelect_) {
    const int32_t k = ImageAtPos(x, y);
    if (k != -1 && k != dragIndex_) {
      dragIndex_ = k;
      SelectRangeTo(pressIndex_, x, y);
    }
  }
  if ((mouseInteract_ & mmiScroll) && (x != pressX_ || y != pressY_)) {
    SetViewXY(pressViewX_ + pressX_ - x, pressViewY_ + pressY_ - y);
    ViewChange(0);
  }
}

void TImageMView::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TIEView::MouseUp(button, shift, x, y);
  TFlagScope action(userAction_, true);
  if (!pressPending_) return;
  pressPending_ = false;
  if (playing_ || button != vcl::mbLeft) return;
  const bool onRelease = multiSelectionOptions_ & iemoSelectOnMouseUp;
  if (onRelease && !rangeDrag_ && (mouseInteract_ & mmiSelect)) SelectAtPos(x, y, shift);
  if (!onRelease && !selectionChanged_ && (mouseInteract_ & mmiSelect)) SelectAtPos(x, y, shift);
  if (mouseInteract_ & mmiScroll) SetViewXY(pressViewX_ + pressX_ - x, pressViewY_ + pressY_ - y);
}

void TImageMView::KeyDown(WORD& key, vcl::TShiftState shift) {
  TIEView::KeyDown(key, shift);
  TFlagScope action(userAction_, true);
  if (playing_ || !(keyInteract_ & mkiMoveSelected)) return;
  TFlagScope extend(extendSelection_, extendSelection_);
  TFlagScope noToggle(noToggle_, noToggle_);
  if (enableMultiSelect_ && (shift.Contains(vcl::ssCtrl) || shift.Contains(vcl::ssShift))) {
    extendSelection_ = true;
    noToggle_ = true;
  }
  int32_t kind;
  switch (key) {
    case VK_PRIOR: kind = 7; break;
    case VK_NEXT: kind = 6; break;
    case VK_END: kind = 5; break;
    case VK_HOME: kind = 4; break;
    case VK_LEFT: kind = 0; break;
    case VK_UP: kind = 2; break;
    case VK_RIGHT: kind = 1; break;
    case VK_DOWN: kind = 3; break;
    default: return;
  }
  MoveSelection(kind);
  ViewChange(0);
  RefreshLayout(false);
}

void TImageMView::MoveSelection(int32_t kind) {
  const int32_t count = ImageCount();
  if (count == 0) return;
  const int32_t columns = ColumnCount();
  const int32_t rowStep = vertBorder_ + thumbHeight_;
  const int32_t page = rowStep > 0 ? columns * ((ClientHeight() - vertBorder_) / rowStep) : 0;
  const int32_t s = selectedImage_;
  auto fullyVisible = [this] { return ImageVisibility(selectedImage_) == 2; };
  auto current = [this] { return Record(selectedImage_); };
  auto scrollUp = [&] {
    if (TIEMImageRecord* r = current(); r && !fullyVisible()) {
      SetViewY(r->Y - vertBorder_);
      if (!fullyVisible()) SetViewX(r->X - horizBorder_);
    }
  };
  auto scrollDown = [&] {
    if (TIEMImageRecord* r = current(); r && !fullyVisible()) {
      SetViewY(r->Y + thumbHeight_ + vertBorder_ - ClientHeight());
      if (!fullyVisible()) SetViewX(r->X + thumbWidth_ + horizBorder_ - ClientWidth());
    }
  };
  switch (kind) {
    case 0:
      if (s < 0) return;
      SetSelectedImage(s - 1);
      if (TIEMImageRecord* r = current(); r && !fullyVisible()) SetViewXY(r->X - horizBorder_, r->Y - vertBorder_);
      break;
    case 1:
      SetSelectedImage(s + 1);
      if (TIEMImageRecord* r = current(); r && !fullyVisible())
        SetViewXY(r->X + thumbWidth_ + horizBorder_ - ClientWidth(), r->Y + thumbHeight_ + vertBorder_ - ClientHeight());
      break;
    case 2:
      if (s < 0) return;
      if (gridWidth_ == 0)
        SetSelectedImage(s - 1);
      else if (s - columns >= 0)
        SetSelectedImage(s - columns);
      scrollUp();
      break;
    case 3:
      if (gridWidth_ == 0)
        SetSelectedImage(s + 1);
      else if (s + columns < count)
        SetSelectedImage(s + columns);
      scrollDown();
      break;
    case 4:
      SetSelectedImage(0);
      if (!fullyVisible()) SetViewXY(0, 0);
      break;
    case 5:
      SetSelectedImage(count - 1);
      scrollDown();
      break;
    case 6:
      SetSelectedImage(std::min(s + page, count - 1));
      scrollDown();
      break;
    case 7:
      if (s < 0) return;
      SetSelectedImage(std::max(s - page, 0));
      scrollUp();
      break;
    default:
      break;
  }
}

// ---- play mode ----

void TImageMView::SetDisplayImage(int32_t index) {
  singleIndex_ = index;
  if (displayMode_ == mdSingle) Invalidate();
}

void TImageMView::SetPlaying(bool on) {
  if (on == playing_) return;
  if (on) {
    savedDisplayMode_ = displayMode_;
    savedSelection_ = selectedImage_;
    Deselect();
    playing_ = true;
    PlayFrame();
  } else {
    playing_ = false;
    if (playTimer_ && HandleAllocated()) ::KillTimer(Handle(), kPlayTimer);
    playTimer_ = false;
    SetDisplayMode(savedDisplayMode_);
    SetSelectedImage(savedSelection_);
  }
}

void TImageMView::PlayFrame() {
  if (inPlayStep_ || destroying_) return;
  TFlagScope step(inPlayStep_, true);
  if (playTimer_) {
    if (HandleAllocated()) ::KillTimer(Handle(), kPlayTimer);
    playTimer_ = false;
  }
  if (!playing_) return;
  if (displayMode_ != mdSingle) {
    displayMode_ = mdSingle;  // the field itself: the setter keeps values for after play
    Update();
  }
  singleIndex_ = std::min(singleIndex_, ImageCount() - 1);
  if (singleIndex_ < 0) return;
  const int32_t shown = singleIndex_;
  lastShownFrame_ = shown;
  if (OnPlayFrame) OnPlayFrame(this, shown);
  if (HandleAllocated()) {
    Paint();
    ::ValidateRect(Handle(), nullptr);
  }
  if (shown >= ImageCount() - 1) {
    singleIndex_ = 0;
    NotifyBitmapChange();
    if (!playLoop_) {
      playing_ = false;
      return;
    }
  } else {
    singleIndex_ = shown + 1;
  }
  if (HandleAllocated()) {
    ::SetTimer(Handle(), kPlayTimer, static_cast<UINT>(std::max(GetImageDelayTime(shown), 10)), nullptr);
    playTimer_ = true;
  }
}

int32_t TImageMView::PlayInterval() const { return playTimer_ ? std::max(GetImageDelayTime(lastShownFrame_), 10) : 0; }

}  // namespace imaging
