// The form the placement tests show, save and restore: a form storage (section "User",
// minimum tracking size 775 x 585) keeping two gadgets' properties, and handlers of the form's
// own for the events the storage takes over.
#pragma once

#include "placement/form_storage.h"
#include "tests/placement/stored_components.h"
#include "vcl/controls/forms.h"

namespace placement_test {

class TPlacementTestForm : public vcl::TForm {
  VCL_CLASS(TPlacementTestForm, vcl::TForm)
  explicit TPlacementTestForm(vcl::TComponent* owner) : vcl::TForm(owner) {}

  placement::TFormStorage* FormStorage1 = nullptr;
  TGadget* GadgetBase = nullptr;
  TGadget* GadgetOverlay = nullptr;

  void FormShow(vcl::TObject* sender) { ++shows; }
  void FormCloseQuery(vcl::TObject* sender, bool& canClose) {
    ++closeQueries;
    canClose = allowClose;
  }
  void FormDestroy(vcl::TObject* sender) {
    if (destroyed != nullptr) ++*destroyed;
  }

  int shows = 0;
  int closeQueries = 0;
  bool allowClose = true;
  int* destroyed = nullptr;
};

}  // namespace placement_test
