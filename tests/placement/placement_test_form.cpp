#include "placement_test_form.h"

#include "vcl/typeinfo.h"

namespace placement_test {

VCL_PUBLISHED(TPlacementTestForm, p) {
  p.Field("FormStorage1", &TPlacementTestForm::FormStorage1)
      .Field("GadgetBase", &TPlacementTestForm::GadgetBase)
      .Field("GadgetOverlay", &TPlacementTestForm::GadgetOverlay);
}

}  // namespace placement_test
