#include "tests/imaging/view/mouse_fixture.h"

#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"

namespace view_fixture {

void MouseView::MakeMouseView(int32_t w, int32_t h) {
  MakeView();
  SetImage(w, h, 0x808080);
  Settle();
}

void MouseView::Settle() {
  view->Update();
  Pump();
  view->Paint();
}

void MouseView::Send(UINT message, int32_t x, int32_t y, WPARAM keys) {
  POINT screen{x, y};
  ClientToScreen(view->Handle(), &screen);
  SetCursorPos(screen.x, screen.y);
  // The move of the cursor itself would arrive as a message with the real buttons' state; the
  // message sent below stands for it.
  MSG pending;
  while (PeekMessageW(&pending, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
  }
  SendMessageW(view->Handle(), message, keys, MAKELPARAM(x, y));
  // What the window has to paint meanwhile is painted, as between a user's mouse messages.
  Pump();
}

void MouseView::Drag(const std::vector<POINT>& path, WPARAM keys, bool right) {
  const WPARAM button = right ? MK_RBUTTON : MK_LBUTTON;
  Send(right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, path.front().x, path.front().y, keys | button);
  for (size_t i = 1; i < path.size(); ++i) Send(WM_MOUSEMOVE, path[i].x, path[i].y, keys | button);
  Send(right ? WM_RBUTTONUP : WM_LBUTTONUP, path.back().x, path.back().y, keys);
}

RECT MouseView::MaskBox() {
  imaging::TIEMask* mask = view->SelectionMask();
  if (mask->IsEmpty()) return RECT{-1, -1, -1, -1};
  return RECT{mask->X1(), mask->Y1(), mask->X2(), mask->Y2()};
}

}  // namespace view_fixture
