#include "imaging/view/owner_window.h"

#include "vcl/classes/component.h"
#include "vcl/controls/controls.h"

namespace imaging {

HWND FindOwnerWindowHandle(vcl::TComponent* component) {
  for (vcl::TComponent* c = component; c; c = c->Owner()) {
    if (auto* control = dynamic_cast<vcl::TWinControl*>(c))
      return control->HandleAllocated() ? control->Handle() : nullptr;
  }
  return nullptr;
}

}  // namespace imaging
