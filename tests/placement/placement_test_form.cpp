#include "tests/placement/placement_test_form.h"

#include "vcl/classes/typeinfo.h"

namespace placement_test {

VCL_PUBLISHED(TPlacementTestForm, p) {
  p.Field("FormStorage1", &TPlacementTestForm::FormStorage1)
      .Field("GadgetBase", &TPlacementTestForm::GadgetBase)
      .Field("GadgetOverlay", &TPlacementTestForm::GadgetOverlay)
      .Method("FormShow", &TPlacementTestForm::FormShow)
      .Method("FormCloseQuery", &TPlacementTestForm::FormCloseQuery)
      .Method("FormDestroy", &TPlacementTestForm::FormDestroy);
}

}  // namespace placement_test
