// The desktop composition services, loaded at run time on first need: whether composition is
// on, and switching a window's show and hide transitions off while it is skinned.
#pragma once

#include "vcl/runtime/win.h"

namespace skin {

// True only when the composition library is present and reports composition enabled.
bool IsCompositionEnabled();
// Transitions force-disabled (on) or allowed again; nothing while composition is off.
void ForceDisableDwmTransitions(HWND window, bool on);

}  // namespace skin
