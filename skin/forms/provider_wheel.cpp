// TsSkinProvider: a mouse wheel that nothing on the form took goes to the skinned scroll box
// under the cursor.
#include "skin/engine/skin_utils.h"
#include "skin/forms/skin_provider.h"

namespace skin {

namespace {

// One routed wheel at a time: the scroll box's own handling may bring the wheel back to the form.
bool RoutingWheel = false;

bool IsScrollBox(const vcl::TObject* object) {
  for (const vcl::TMetaClass* c = object->ClassType(); c; c = c->ClassParent())
    if (c->ClassNameIs("TsScrollBox")) return true;
  return false;
}

}  // namespace

vcl::TWinControl* TsSkinProvider::FindScrollBoxAt(vcl::TWinControl* control, vcl::TPoint screenPoint) {
  while (control && control->HandleAllocated()) {
    if (IsScrollBox(control)) return control;
    POINT p{screenPoint.x, screenPoint.y};
    ScreenToClient(control->Handle(), &p);
    vcl::TWinControl* found = nullptr;
    // The topmost child first: the last one in the list lies over the others.
    for (int i = control->ControlCount() - 1; i >= 0 && !found; --i) {
      auto* child = dynamic_cast<vcl::TWinControl*>(control->Controls(i));
      if (!child || !child->Visible() || !child->Enabled()) continue;
      const vcl::TRect r = child->BoundsRect();
      if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) found = child;
    }
    control = found;
  }
  return nullptr;
}

void TsSkinProvider::RouteMouseWheel(vcl::TMessage& message) {
  if (RoutingWheel || message.Result != 0 || !form_ || FormDestroying()) return;
  const vcl::TPoint at{short(LOWORD(message.LParam)), short(HIWORD(message.LParam))};
  vcl::TWinControl* box = FindScrollBoxAt(form_, at);
  if (!box || GetOrdPropByName(box, "AutoMouseWheel") != 1) return;
  RoutingWheel = true;
  try {
    message.Result = box->Perform(vcl::CM_MOUSEWHEEL, message.WParam, message.LParam) != 0 ? 1 : 0;
  } catch (...) {
    RoutingWheel = false;
    throw;
  }
  RoutingWheel = false;
}

}  // namespace skin
