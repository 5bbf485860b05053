#include "imaging/view/scroll_bars.h"

namespace imaging {

namespace {

void SetInfo(HWND window, int32_t bar, const SCROLLINFO& info, bool redraw, bool flat) {
  if (flat)
    FlatSB_SetScrollInfo(window, bar, const_cast<SCROLLINFO*>(&info), redraw);
  else
    SetScrollInfo(window, bar, &info, redraw);
}

SCROLLINFO EmptyInfo(UINT mask) {
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = mask;
  return info;
}

}  // namespace

void SetScrollBarInfo(HWND window, int32_t bar, int32_t minimum, int32_t maximum, int32_t page, int32_t position,
                      bool redraw, bool flat) {
  SCROLLINFO info = EmptyInfo(SIF_RANGE | SIF_PAGE | SIF_POS);
  info.nMin = minimum;
  info.nMax = maximum;
  info.nPage = static_cast<UINT>(page);
  info.nPos = position;
  SetInfo(window, bar, info, redraw, flat);
}

int32_t SetScrollBarRange(HWND window, int32_t bar, int32_t minimum, int32_t maximum, bool redraw, bool flat) {
  SCROLLINFO info = EmptyInfo(SIF_RANGE);
  info.nMin = minimum;
  info.nMax = maximum;
  SetInfo(window, bar, info, redraw, flat);
  return -1;
}

void SetScrollBarPos(HWND window, int32_t bar, int32_t position, bool redraw, bool flat) {
  SCROLLINFO info = EmptyInfo(SIF_POS);
  info.nPos = position;
  SetInfo(window, bar, info, redraw, flat);
}

void EnableScrollBarArrows(HWND window, int32_t bar, uint32_t arrows, bool flat) {
  if (flat)
    FlatSB_EnableScrollBar(window, bar, arrows);
  else
    EnableScrollBar(window, static_cast<UINT>(bar), arrows);
}

void ShowWindowScrollBar(HWND window, int32_t bar, bool show, bool flat) {
  if (flat)
    FlatSB_ShowScrollBar(window, bar, show);
  else
    ShowScrollBar(window, bar, show);
}

}  // namespace imaging
