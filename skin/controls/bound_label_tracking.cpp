#include "skin/controls/bound_label_tracking.h"

namespace skin {

void TrackBoundLabel(TsBoundLabel* bound, vcl::TWinControl* edit, TsDisabledKind disabledKind,
                     const vcl::TMessage& message) {
  if (!bound || !bound->Active()) return;
  vcl::TCustomLabel* label = bound->LabelControl();
  switch (message.Msg) {
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
      break;
    case vcl::CM_VISIBLECHANGED:
      label->SetVisible(edit->Visible());
      break;
    case vcl::CM_ENABLEDCHANGED:
      label->SetEnabled(edit->Enabled() || !disabledKind.Contains(dkBlended));
      break;
    case vcl::CM_BIDIMODECHANGED:
      label->SetBiDiMode(edit->BiDiMode());
      break;
    default:
      return;
  }
  bound->AlignLabel();
}

}  // namespace skin
