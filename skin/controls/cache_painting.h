// What the skinned controls share when they copy their cached image to the screen: the test
// whether a cache must be composed again before a full paint.
#pragma once

#include <functional>

#include "skin/engine/common_data.h"
#include "vcl/controls/controls.h"

namespace skin {

// Whether the control lies wholly, edges included, inside its parent's client rectangle.
bool ControlInsideParent(vcl::TControl* control);
// Before a full-image paint: marks the cache stale when it was partly hidden at the last
// paint or the parent says it was, then records whether it is partly hidden now. Returns
// whether the cache must be composed.
bool UpdateStaleBeforePaint(TsCommonData* link);
// Whether a cached control's image must be composed again before it is copied to the DC (stale,
// missing or of another size, or partly hidden last time); also notes whether the DC's clip
// hides part of a control that shows its parent's image.
bool CacheNeedsRedraw(TsCommonData* link, HDC dc, int32_t width, int32_t height);

// The full-image paint of an edit-like control: validates the window (unless an animation
// runs), paints into `dc` or the window DC, composes a stale cache with `prepareCache` (not
// while the cache is frozen when `respectFrozen`), restores the transparent corners and copies
// the whole cache; `afterCopy` may draw over it (a child button). Nothing while updating. The
// DC it takes is restored and released, also when painting fails.
void PaintWholeCache(vcl::TWinControl* control, TsCommonData* link, HDC dc, bool respectFrozen,
                     const std::function<void()>& prepareCache, const std::function<void(HDC)>& afterCopy = {});

}  // namespace skin
