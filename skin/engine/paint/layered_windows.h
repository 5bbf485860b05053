// Layered helper windows (glows, show animations, extended form borders) are updated through
// the platform's UpdateLayeredWindow, looked up once at start-up: where it is missing, the
// callers take their non-layered paths. The painting unit's start-up also makes the one
// 32-bit pixel accessor the keyed copies share.
#pragma once

#include "skin/engine/fast_pixels.h"
#include "vcl/runtime/win.h"

namespace skin {

using TUpdateLayeredWindowFunc = BOOL(WINAPI*)(HWND window, HDC screen, POINT* position, SIZE* size, HDC source,
                                               POINT* sourcePosition, COLORREF key, BLENDFUNCTION* blend,
                                               DWORD flags);

// The platform's UpdateLayeredWindow, or nil when user32 does not offer it.
extern TUpdateLayeredWindowFunc UpdateLayeredWindowFunc;

// True when UpdateLayeredWindowFunc is present.
bool CanUseLayeredWindows();

// The accessor the keyed copies attach to 32-bit background images. Made at start-up, freed
// at shut-down; for the GUI thread only.
TacFast32* SharedFast32();

}  // namespace skin
