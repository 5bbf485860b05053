#include "skin/controls/cache_painting.h"

#include "skin/engine/window_messages.h"

namespace skin {

bool ControlInsideParent(vcl::TControl* control) {
  vcl::TWinControl* parent = control ? control->Parent() : nullptr;
  if (!parent) return true;
  vcl::TRect client = parent->ClientRect();
  return control->Left() >= client.left && control->Top() >= client.top &&
         control->Left() + control->Width() <= client.right && control->Top() + control->Height() <= client.bottom;
}

bool UpdateStaleBeforePaint(TsCommonData* link) {
  vcl::TControl* control = link->LinkedControl;
  link->CacheStale = link->CacheStale || link->PartlyHidden ||
                     (control && control->Parent() && SendAlphaCmdCtrl(control->Parent(), cmdGetPartlyHidden, 0) != 0);
  link->PartlyHidden = !ControlInsideParent(control);
  return link->CacheStale;
}

}  // namespace skin
