// The platform's "repaint now" for the main form's image controls. An image control's
// off-screen buffer is brought up to date by its paint; the working image controls lie under
// the scroll box, so the platform may have nothing of them to paint. Their paint then runs
// into a scratch device context, which leaves the buffer as a visible paint would. A hidden
// control (the flatten image) is not painted: its buffer is read by no one.
#pragma once

#include "vcl/controls/controls.h"

namespace app {

void RepaintNow(vcl::TWinControl* control);

}  // namespace app
