#include "skin/controls/button_region.h"

#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"

namespace skin {

void TacButtonRegion::Begin(int32_t width, int32_t height) {
  if (!Stale) return;
  Drop();
  pending_ = CreateRectRgn(0, 0, width, height);
}

void TacButtonRegion::Drop() {
  if (pending_) DeleteObject(pending_);
  pending_ = nullptr;
}

void TacButtonRegion::Apply(vcl::TWinControl* control, TsCommonData* link, bool parentImageReady) {
  if (!pending_ || !control->HandleAllocated()) return;
  const bool redraw = !applied_ || GlobalSkinChanging;
  SetWindowRgn(control->Handle(), pending_, redraw);
  pending_ = nullptr;
  applied_ = true;
  const vcl::TRect bounds = control->BoundsRect();
  TsSkinManager* m = link->GetSkinManager();
  vcl::TWinControl* parent = control->Parent();
  if (m && m->IsMaskIndexValid(link->BorderMaskIndex) && !parentImageReady && parent && parent->HandleAllocated() &&
      (RectWidth(bounds) < RectWidth(lastBounds_) || RectHeight(bounds) < RectHeight(lastBounds_))) {
    const vcl::TRect& o = lastBounds_;
    const int32_t mask = link->BorderMaskIndex;
    const int32_t mr = m->MaskMarginRight(mask), mt = m->MaskMarginTop(mask);
    const int32_t mb = m->MaskMarginBottom(mask), ml = m->MaskMarginLeft(mask);
    const RECT corners[3] = {{o.right - mr, o.top, o.right, o.top + mt},
                             {o.right - mr, o.bottom - mb, o.right, o.bottom},
                             {o.left, o.bottom - mb, o.left + ml, o.bottom}};
    for (const RECT& r : corners) InvalidateRect(parent->Handle(), &r, TRUE);
  }
  lastBounds_ = bounds;
}

void TacButtonRegion::Remove(vcl::TWinControl* control) {
  Drop();
  if (control->HandleAllocated()) SetWindowRgn(control->Handle(), nullptr, FALSE);
  applied_ = false;
}

}  // namespace skin
