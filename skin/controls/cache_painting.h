// What the skinned controls share when they copy their cached image to the screen: the test
// whether a cache must be composed again before a full paint.
#pragma once

#include "skin/engine/common_data.h"
#include "vcl/controls/controls.h"

namespace skin {

// Whether the control lies wholly, edges included, inside its parent's client rectangle.
bool ControlInsideParent(vcl::TControl* control);
// Before a full-image paint: marks the cache stale when it was partly hidden at the last
// paint or the parent says it was, then records whether it is partly hidden now. Returns
// whether the cache must be composed.
bool UpdateStaleBeforePaint(TsCommonData* link);

}  // namespace skin
