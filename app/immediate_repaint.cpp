#include "app/immediate_repaint.h"

#include "bitmap/controls/paint_box32.h"
#include "vcl/runtime/scope_exit.h"
#include "vcl/runtime/win.h"

namespace app {

void RepaintNow(vcl::TWinControl* control) {
  control->Repaint();
  // A hidden control is painted when it is shown, as the platform would: until then no one
  // looks at its buffer.
  if (!control->Visible()) return;
  auto* paintBox = dynamic_cast<bitmap::TCustomPaintBox32*>(control);
  if (!paintBox || paintBox->BufferValid()) return;
  HDC scratch = CreateCompatibleDC(nullptr);
  vcl::TScopeExit release([&] { DeleteDC(scratch); });
  paintBox->Perform(WM_PAINT, reinterpret_cast<WPARAM>(scratch), 0);
}

}  // namespace app
