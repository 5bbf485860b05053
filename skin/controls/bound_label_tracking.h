// Keeps an edit's bound label with its edit: re-placed when the edit moves or resizes, shown,
// enabled and mirrored with it. Every skinned edit-like control calls it after its messages,
// skinned or not.
#pragma once

#include "skin/engine/bound_label.h"
#include "skin/engine/graphics/disabled_look.h"
#include "vcl/controls/controls.h"
#include "vcl/controls/messages.h"

namespace skin {

// A disabled edit keeps its label enabled when its disabled look is not blended.
void TrackBoundLabel(TsBoundLabel* bound, vcl::TWinControl* edit, TsDisabledKind disabledKind,
                     const vcl::TMessage& message);

}  // namespace skin
