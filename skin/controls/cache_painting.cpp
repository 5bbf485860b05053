#include "skin/controls/cache_painting.h"

#include "skin/engine/graphics/disabled_look.h"
#include "skin/engine/window_messages.h"
#include "vcl/runtime/scope_exit.h"

namespace skin {

bool ControlInsideParent(vcl::TControl* control) {
  vcl::TWinControl* parent = control ? control->Parent() : nullptr;
  if (!parent) return true;
  vcl::TRect client = parent->ClientRect();
  return control->Left() >= client.left && control->Top() >= client.top &&
         control->Left() + control->Width() <= client.right && control->Top() + control->Height() <= client.bottom;
}

bool UpdateStaleBeforePaint(TsCommonData* link) {
  vcl::TControl* control = link->LinkedControl;
  link->CacheStale = link->CacheStale || link->PartlyHidden ||
                     (control && control->Parent() && SendAlphaCmdCtrl(control->Parent(), cmdGetPartlyHidden, 0) != 0);
  link->PartlyHidden = !ControlInsideParent(control);
  return link->CacheStale;
}

bool CacheNeedsRedraw(TsCommonData* link, HDC dc, int32_t width, int32_t height) {
  const bool redo = link->PartlyHidden || link->CacheStale || !link->CacheBitmap ||
                    link->CacheBitmap->Width() != width || link->CacheBitmap->Height() != height;
  if (link->ShowsParentImage()) {
    RECT clip{};
    GetClipBox(dc, &clip);
    link->PartlyHidden = clip.right - clip.left != width || clip.bottom - clip.top != height;
  } else {
    link->PartlyHidden = false;
  }
  return redo;
}

void PaintWholeCache(vcl::TWinControl* control, TsCommonData* link, HDC dc, bool respectFrozen,
                     const std::function<void()>& prepareCache, const std::function<void(HDC)>& afterCopy) {
  if (!control->HandleAllocated()) return;
  HWND window = control->Handle();
  PAINTSTRUCT ps{};
  const bool paintStarted = !AnimationInProgress;
  if (paintStarted) BeginPaint(window, &ps);
  HDC target = dc ? dc : GetWindowDC(window);
  const int saved = dc ? 0 : SaveDC(target);
  vcl::TScopeExit finish([&] {
    if (!dc) {
      RestoreDC(target, saved);
      ReleaseDC(window, target);
    }
    if (paintStarted) EndPaint(window, &ps);
  });
  link->UpdatePending = link->IsUpdating();
  if (link->UpdatePending) return;
  if (UpdateStaleBeforePaint(link) && !(respectFrozen && link->ParentImageForced)) prepareCache();
  PaintTransparentCorners(link, 0);
  BitBlt(target, 0, 0, control->Width(), control->Height(), link->CacheBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
  if (afterCopy) afterCopy(target);
}

}  // namespace skin
