// The state of an item that its owner draws (menu items, list and combo box items, buttons):
// element i is bit i of the platform's ODS_* flags, so Bits() is the DRAWITEMSTRUCT's
// itemState and FromBits() reads it back.
#pragma once

#include <cstdint>

#include "vcl/controls/controls.h"

namespace vcl {

enum TOwnerDrawStateItem {
  odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odHotLight, odInactive,
  odNoAccel, odNoFocusRect, odReserved1, odReserved2, odComboBoxEdit
};
using TOwnerDrawState = TEnumSet<TOwnerDrawStateItem, uint32_t>;

}  // namespace vcl
