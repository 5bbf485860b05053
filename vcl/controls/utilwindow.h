// Utility windows: hidden windows whose messages go to a method of some object (a timer's
// WM_TIMER, a hook list's posted notes). They belong to the thread that makes them.
#pragma once

#include <functional>

#include "vcl/controls/messages.h"
#include "vcl/runtime/win.h"

namespace vcl {

// The procedure of a utility window: it sets message.Result. Messages it does not handle
// should go to DefWindowProcA.
using TUtilWindowMethod = std::function<void(TMessage& message)>;

// Makes a hidden window of the class "TPUtilWindow" whose messages are handed to `method`.
// An exception leaving `method` goes to the application's exception handler. Raises EOSError
// when the platform refuses the window.
HWND AllocateHWnd(TUtilWindowMethod method);
// Destroys a window made by AllocateHWnd; nothing for 0. Safe inside the window's own method:
// the method is kept alive until it returns.
void DeallocateHWnd(HWND wnd);

}  // namespace vcl
