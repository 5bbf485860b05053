#include "imaging/model/owner_window.h"

#include "vcl/component.h"
#include "vcl/controls.h"

namespace imaging {

HWND FindOwnerWindowHandle(vcl::TComponent* component) {
  for (vcl::TComponent* c = component; c; c = c->Owner()) {
    if (auto* control = dynamic_cast<vcl::TWinControl*>(c))
      return control->HandleAllocated() ? control->Handle() : nullptr;
  }
  return nullptr;
}

}  // namespace imaging
