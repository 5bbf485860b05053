// TsSkinProvider: moving and sizing with an outline (ResizeMode rmBorder). The form stays where
// it is while an inverted outline drawn on the desktop follows the mouse; the form moves or
// takes the outline's size when the button is released.
//
// The platform's own move and size loop would move the form live, so in outline mode the
// provider runs the drag itself: it captures the mouse instead of passing the press or the
// SC_MOVE / SC_SIZE command on.
#include <algorithm>

#include "skin/forms/skin_provider.h"

namespace skin {

namespace {

// One drag at a time in the whole program.
struct TOutlineDrag {
  bool Running = false;
  bool FirstMove = false;
  bool Moving = false;
  int32_t Edge = 0;
  HWND Desktop = nullptr;
  HDC DC = nullptr;
  int SavedState = 0;
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  vcl::TPoint Last{};
  vcl::TPoint Start{};
  int32_t MinWidth = 0, MinHeight = 0;
  TsSkinProvider* Owner = nullptr;
};

TOutlineDrag& Drag() {
  static TOutlineDrag drag;
  return drag;
}

bool IsSizingCode(int32_t code) { return code >= HTLEFT && code <= HTBOTTOMRIGHT; }

}  // namespace

bool TsSkinProvider::OutlineDragRunning() const { return Drag().Running && Drag().Owner == this; }

bool TsSkinProvider::StartOutlineDrag(int32_t code, int32_t x, int32_t y) {
  TOutlineDrag& d = Drag();
  bool moving = code == HTCAPTION;
  if (resizeMode_ != rmBorder || d.Running || !FormHandle() || (!moving && !IsSizingCode(code))) return false;
  SetCapture(FormHandle());
  d.FirstMove = true;
  d.Moving = moving;
  d.Edge = moving ? 0 : code;
  d.Owner = this;
  d.Running = true;
  d.Desktop = GetDesktopWindow();
  d.DC = GetDC(d.Desktop);
  d.SavedState = SaveDC(d.DC);
  SetROP2(d.DC, R2_NOT);
  SelectObject(d.DC, GetStockObject(BLACK_PEN));
  d.Left = form_->Left();
  d.Top = form_->Top();
  d.Start = vcl::TPoint{x, y};
  d.Last = d.Start;
  if (!moving) {
    d.MinWidth = form_->Constraints()->MinWidth();
    d.MinHeight = form_->Constraints()->MinHeight();
    d.Right = d.Left + form_->Width();
    d.Bottom = d.Top + form_->Height();
  }
  DrawDragOutline();
  return true;
}

void TsSkinProvider::DrawDragOutline() {
  TOutlineDrag& d = Drag();
  if (!d.DC) return;
  int32_t right = d.Moving ? d.Left + form_->Width() : d.Right;
  int32_t bottom = d.Moving ? d.Top + form_->Height() : d.Bottom;
  POINT points[5] = {{d.Left, d.Top}, {right, d.Top}, {right, bottom}, {d.Left, bottom}, {d.Left, d.Top}};
  // An MDI child's bounds are in its MDI client's coordinates; the outline is drawn on the
  // desktop.
  HWND wnd = FormHandle();
  if (form_->FormStyle() == vcl::fsMDIChild && wnd)
    if (HWND client = GetParent(wnd)) MapWindowPoints(client, nullptr, points, 5);
  Polyline(d.DC, points, 5);
}

void TsSkinProvider::FollowOutlineDrag(int32_t x, int32_t y) {
  TOutlineDrag& d = Drag();
  if (!OutlineDragRunning()) return;
  if (d.Moving) {
    d.FirstMove = false;
    DrawDragOutline();
    d.Left += x - d.Last.x;
    d.Top += y - d.Last.y;
    d.Last = vcl::TPoint{x, y};
    DrawDragOutline();
    return;
  }
  if (d.FirstMove && x == d.Start.x && y == d.Start.y) return;
  d.FirstMove = false;
  DrawDragOutline();
  int32_t formLeft = form_->Left(), formTop = form_->Top();
  int32_t code = d.Edge;
  bool top = code == HTTOP || code == HTTOPLEFT || code == HTTOPRIGHT;
  bool left = code == HTLEFT || code == HTTOPLEFT || code == HTBOTTOMLEFT;
  bool bottom = code == HTBOTTOM || code == HTBOTTOMLEFT || code == HTBOTTOMRIGHT;
  bool right = code == HTRIGHT || code == HTTOPRIGHT || code == HTBOTTOMRIGHT;
  if (top) d.Top = std::min(y + formTop - d.Start.y, d.Bottom - d.MinHeight);
  if (bottom) d.Bottom = std::max(y + formTop + form_->Height() - d.Start.y, formTop + d.MinHeight);
  if (left) d.Left = std::min(formLeft + x - d.Start.x, d.Right - d.MinWidth);
  if (right) d.Right = std::max(formLeft + form_->Width() + x - d.Start.x, formLeft + d.MinWidth);
  DrawDragOutline();
}

void TsSkinProvider::EndOutlineDrag() {
  TOutlineDrag& d = Drag();
  if (!OutlineDragRunning()) return;
  d.Running = false;
  ReleaseCapture();
  DrawDragOutline();
  RestoreDC(d.DC, d.SavedState);
  ReleaseDC(d.Desktop, d.DC);
  d.DC = nullptr;
  d.Owner = nullptr;
  d.Edge = 0;
  bool moved = !d.FirstMove;
  d.FirstMove = false;
  HWND wnd = FormHandle();
  if (!wnd) return;
  // A press released where it began leaves the form as it was.
  if (d.Moving)
    MoveWindow(wnd, d.Left, d.Top, form_->Width(), form_->Height(), TRUE);
  else if (moved)
    MoveWindow(wnd, d.Left, d.Top, d.Right - d.Left, d.Bottom - d.Top, TRUE);
}

void TsSkinProvider::CancelOutlineDragOf(TsSkinProvider* provider) {
  TOutlineDrag& d = Drag();
  if (d.Owner != provider) return;
  if (d.DC) {
    RestoreDC(d.DC, d.SavedState);
    ReleaseDC(d.Desktop, d.DC);
  }
  d = TOutlineDrag{};
}

}  // namespace skin
