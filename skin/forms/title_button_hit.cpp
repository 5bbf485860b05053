#include "skin/forms/title_button_hit.h"

#include "skin/forms/skin_provider.h"
#include "skin/forms/title_items.h"

namespace skin {

int32_t SystemTitleButtonHit(const TitleButtonsShown& shown, const TitleButtonData& close, const TitleButtonData& max,
                             const TitleButtonData& min, const TitleButtonData& help,
                             const std::function<bool(const vcl::TRect&)>& holds) {
  if (!shown.Close) return HTNOWHERE;
  // Each button answers for itself, whichever buttons show beside it.
  if (holds(close.Rect)) return HTCLOSE;
  if (shown.Max && holds(max.Rect)) return shown.MaxActs ? HTMAXBUTTON : HTCAPTION;
  if (shown.Min && holds(min.Rect)) return shown.MinActs ? HTMINBUTTON : HTCAPTION;
  if (shown.Help && holds(help.Rect)) return HTHELP;
  return HTNOWHERE;
}

int32_t UserTitleButtonHit(TsTitleButtons* buttons, vcl::TPoint p) {
  if (!buttons) return HTNOWHERE;
  for (int i = 0; i < buttons->Count(); ++i) {
    TsTitleButton* item = buttons->Items(i);
    if (item->Visible() && RectHolds(item->Data.Rect, p)) return item->Enabled() ? kHitUserButton + i : HTNOWHERE;
  }
  return HTNOWHERE;
}

}  // namespace skin
