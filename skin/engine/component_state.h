// The component states the skinning tests on the forms and controls it serves. A missing
// component has none of them.
#pragma once

#include "vcl/classes/component.h"

namespace skin {

inline bool HasComponentState(const vcl::TComponent* c, vcl::TComponentStateItem item) {
  return c && c->ComponentState().Contains(item);
}
inline bool IsDestroying(const vcl::TComponent* c) { return HasComponentState(c, vcl::csDestroying); }
inline bool IsDesigning(const vcl::TComponent* c) { return HasComponentState(c, vcl::csDesigning); }
// Being read from a form file counts as loading.
inline bool IsLoading(const vcl::TComponent* c) {
  return HasComponentState(c, vcl::csLoading) || HasComponentState(c, vcl::csReading);
}

}  // namespace skin
