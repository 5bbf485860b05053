// The window a component belongs to.
#pragma once

#include "vcl/runtime/win.h"

namespace vcl {
class TComponent;
}

namespace imaging {

// The window handle of the component or of its nearest owner that is a windowed control,
// when that control has its handle; 0 otherwise.
HWND FindOwnerWindowHandle(vcl::TComponent* component);

}  // namespace imaging
