#include "skin/engine/menu_support.h"

#include "skin/engine/published_field.h"
#include "vcl/classes/typeinfo.h"

namespace skin {


TacMenuSupport::TacMenuSupport() : extraLineFont_(std::make_unique<vcl::TFont>()) {}
TacMenuSupport::~TacMenuSupport() = default;

VCL_PUBLISHED(TacMenuSupport, p) {
  using C = TacMenuSupport;
  p.String("IcoLineSkin", SKIN_FIELD(C, IcoLineSkin))
      .Bool("UseExtraLine", SKIN_FIELD(C, UseExtraLine), false)
      .Integer("ExtraLineWidth", SKIN_FIELD(C, ExtraLineWidth), 32)
      .Object("ExtraLineFont", &C::ExtraLineFont, &C::SetExtraLineFont);
}

}  // namespace skin
