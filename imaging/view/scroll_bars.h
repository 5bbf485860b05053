// The views' scroll-bar calls, going to the standard or the flat scroll-bar functions.
#pragma once

#include <cstdint>

#include "vcl/runtime/win.h"

namespace imaging {

// Range, page and position of one bar (SB_HORZ / SB_VERT).
void SetScrollBarInfo(HWND window, int32_t bar, int32_t minimum, int32_t maximum, int32_t page, int32_t position,
                      bool redraw, bool flat);
// Range only; always answers -1.
int32_t SetScrollBarRange(HWND window, int32_t bar, int32_t minimum, int32_t maximum, bool redraw, bool flat);
void SetScrollBarPos(HWND window, int32_t bar, int32_t position, bool redraw, bool flat);
// ESB_* arrow flags.
void EnableScrollBarArrows(HWND window, int32_t bar, uint32_t arrows, bool flat);
void ShowWindowScrollBar(HWND window, int32_t bar, bool show, bool flat);

}  // namespace imaging
