// Which title button a point over a skinned title falls on: one rule for the provider's frame,
// the extended border window over it and the skinned dialog frame, which differ only in what
// they know of the window (its system menu or its styles) and in how a point is inside a button.
#pragma once

#include <cstdint>
#include <functional>

#include "skin/forms/form_skinning.h"

namespace skin {

class TsTitleButtons;

// The system title buttons a frame shows, and whether the maximise and minimise buttons act;
// one that shows but does not act answers as the caption.
struct TitleButtonsShown {
  bool Close = false;  // without the close button no system button shows
  bool Max = false;
  bool Min = false;
  bool Help = false;
  bool MaxActs = false;
  bool MinActs = false;
};

// Whether the point lies in the rectangle (right and bottom edges outside).
inline bool RectHolds(const vcl::TRect& r, vcl::TPoint p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// The hit code of the shown system button whose rectangle `holds` the point, in the order
// close, maximise, minimise, help: HTCLOSE, HTMAXBUTTON, HTMINBUTTON, HTHELP, or HTCAPTION
// for a button that does not act; HTNOWHERE when no button holds it.
int32_t SystemTitleButtonHit(const TitleButtonsShown& shown, const TitleButtonData& close, const TitleButtonData& max,
                             const TitleButtonData& min, const TitleButtonData& help,
                             const std::function<bool(const vcl::TRect&)>& holds);

// The first visible user title button whose rectangle holds the point decides: kHitUserButton
// + its index when it is enabled, else HTNOWHERE, as when none holds it.
int32_t UserTitleButtonHit(TsTitleButtons* buttons, vcl::TPoint p);

}  // namespace skin
