// Painting: the paint cycle of windowed controls (their own content, then their graphic
// children in z-order), double buffering, PaintTo, and the canvases of controls.
#include <algorithm>
#include <vector>

#include "vcl/controls/application.h"
#include "vcl/controls/controls.h"
#include "vcl/runtime/scope_exit.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {

namespace {

// Moves a DC's origin by (dx, dy) in addition to where it already is.
void MoveWindowOrg(HDC dc, int dx, int dy) {
  POINT org{};
  GetWindowOrgEx(dc, &org);
  SetWindowOrgEx(dc, org.x - dx, org.y - dy, nullptr);
}

// Canvases that hold a window DC outside a paint cycle, oldest first. Only a few DCs are
// kept; the oldest canvas gives its DC back when a new one is needed.
constexpr size_t CanvasListCacheSize = 4;
std::vector<TControlCanvas*>& CanvasList() {
  static std::vector<TControlCanvas*> list;
  return list;
}
CRITICAL_SECTION& CanvasListLock() {
  static CRITICAL_SECTION lock = [] {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    return cs;
  }();
  return lock;
}
struct CanvasListGuard {
  CanvasListGuard() { EnterCriticalSection(&CanvasListLock()); }
  ~CanvasListGuard() { LeaveCriticalSection(&CanvasListLock()); }
};

// Fills `r` with a system colour.
void FillSysColor(HDC dc, const RECT& r, int index) {
  if (r.right > r.left && r.bottom > r.top) FillRect(dc, &r, GetSysColorBrush(index));
}

// One of the window's own scroll bars in `r`: the two arrow buttons, the track and the thumb.
void DrawScrollBar(HWND wnd, HDC dc, const RECT& r, bool vertical) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  if (!GetScrollInfo(wnd, vertical ? SB_VERT : SB_HORZ, &info)) info = SCROLLINFO{sizeof(info), 0, 0, 0, 0, 0, 0};
  int length = vertical ? r.bottom - r.top : r.right - r.left;
  int arrow = std::min(vertical ? r.right - r.left : r.bottom - r.top, length / 2);
  RECT first = r, second = r;
  if (vertical) {
    first.bottom = r.top + arrow;
    second.top = r.bottom - arrow;
  } else {
    first.right = r.left + arrow;
    second.left = r.right - arrow;
  }
  UINT span = static_cast<UINT>(std::max(info.nMax - info.nMin + 1, 0));
  bool active = IsWindowEnabled(wnd) && span > std::max(info.nPage, 1u);
  UINT inactive = active ? 0 : DFCS_INACTIVE;
  DrawFrameControl(dc, &first, DFC_SCROLL, (vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | inactive);
  DrawFrameControl(dc, &second, DFC_SCROLL, (vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | inactive);
  RECT track = r;
  if (vertical) {
    track.top = first.bottom;
    track.bottom = second.top;
  } else {
    track.left = first.right;
    track.right = second.left;
  }
  FillSysColor(dc, track, COLOR_SCROLLBAR);
  int trackLength = length - 2 * arrow;
  if (!active || trackLength <= 0) return;
  int minThumb = GetSystemMetrics(vertical ? SM_CYVTHUMB : SM_CXHTHUMB);
  int thumb = info.nPage ? MulDiv(trackLength, static_cast<int>(info.nPage), static_cast<int>(span)) : minThumb;
  thumb = std::min(std::max(thumb, minThumb), trackLength);
  int positions = static_cast<int>(span) - static_cast<int>(std::max(info.nPage, 1u));
  int offset = positions > 0 ? MulDiv(trackLength - thumb, info.nPos - info.nMin, positions) : 0;
  offset = std::clamp(offset, 0, trackLength - thumb);
  RECT box = track;
  if (vertical) {
    box.top = track.top + offset;
    box.bottom = box.top + thumb;
  } else {
    box.left = track.left + offset;
    box.right = box.left + thumb;
  }
  DrawEdge(dc, &box, EDGE_RAISED, BF_RECT | BF_MIDDLE);
}

// Fills the ring of the given widths just inside `r`, and moves `r` inside it.
void FillRing(HDC dc, RECT& r, int cx, int cy, int colorIndex) {
  if (cx <= 0 && cy <= 0) return;
  cx = std::max(cx, 0);
  cy = std::max(cy, 0);
  FillSysColor(dc, {r.left, r.top, r.right, r.top + cy}, colorIndex);
  FillSysColor(dc, {r.left, r.bottom - cy, r.right, r.bottom}, colorIndex);
  FillSysColor(dc, {r.left, r.top + cy, r.left + cx, r.bottom - cy}, colorIndex);
  FillSysColor(dc, {r.right - cx, r.top + cy, r.right, r.bottom - cy}, colorIndex);
  InflateRect(&r, -cx, -cy);
}

// Draws the window's non-client area as the platform shows it, into `dc` with the window's
// top-left corner at (0, 0), from the outside in: the raised edge of a sizing or dialog frame
// and the sizing border, the thin border, a static edge, the caption bar, the menu bar's place,
// the client edge, the scroll bars and the strip of the control's BorderWidth (in
// `borderBrush`). Returns the client rectangle in the same coordinates.
RECT DrawNonClient(HWND wnd, HDC dc, HBRUSH borderBrush, int borderWidth) {
  RECT window{}, client{};
  GetWindowRect(wnd, &window);
  GetClientRect(wnd, &client);
  MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
  OffsetRect(&client, -window.left, -window.top);
  OffsetRect(&window, -window.left, -window.top);
  LONG style = static_cast<LONG>(GetWindowLongPtrA(wnd, GWL_STYLE));
  LONG exStyle = static_cast<LONG>(GetWindowLongPtrA(wnd, GWL_EXSTYLE));
  bool active = !(style & WS_CHILD) && GetActiveWindow() == wnd;

  RECT r = window;
  bool thick = (style & WS_THICKFRAME) != 0;
  if (thick || (style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    if (thick)
      FillRing(dc, r, GetSystemMetrics(SM_CXFRAME) - GetSystemMetrics(SM_CXEDGE) - GetSystemMetrics(SM_CXBORDER),
               GetSystemMetrics(SM_CYFRAME) - GetSystemMetrics(SM_CYEDGE) - GetSystemMetrics(SM_CYBORDER),
               active ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER);
  }
  if ((style & (WS_BORDER | WS_DLGFRAME)) || (exStyle & WS_EX_DLGMODALFRAME)) {
    // The thin line: the face colour next to 3-D edges, the frame colour on its own.
    int color = (exStyle & (WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE)) ? COLOR_3DFACE
                : (exStyle & WS_EX_STATICEDGE)                       ? COLOR_WINDOWFRAME
                : (style & (WS_DLGFRAME | WS_THICKFRAME))            ? COLOR_3DFACE
                                                                     : COLOR_WINDOWFRAME;
    FillRing(dc, r, GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER), color);
  }
  if (exStyle & WS_EX_STATICEDGE) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  if ((style & WS_CAPTION) == WS_CAPTION) {
    bool tool = (exStyle & WS_EX_TOOLWINDOW) != 0;
    int height = GetSystemMetrics(tool ? SM_CYSMCAPTION : SM_CYCAPTION);
    RECT caption{r.left, r.top, r.right, std::min<LONG>(r.top + height, r.bottom)};
    UINT flags = DC_TEXT | DC_GRADIENT | (tool ? DC_SMALLCAP : 0) | (active ? DC_ACTIVE : 0);
    if ((style & WS_SYSMENU) && !tool) flags |= DC_ICON;
    DrawCaption(wnd, dc, &caption, flags);
    r.top = caption.bottom;
  }
  // Inside the client edge: the scroll bars and the BorderWidth strip round the client area.
  RECT framed = client;
  InflateRect(&framed, borderWidth, borderWidth);
  int edge = (exStyle & WS_EX_CLIENTEDGE) ? 2 : 0;
  // What lies between the caption and the client edge is the menu bar.
  FillSysColor(dc, {r.left, r.top, r.right, std::max(r.top, framed.top - edge)}, COLOR_MENU);
  r.top = std::max(r.top, framed.top - edge);
  if (edge) DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  bool vertical = (style & WS_VSCROLL) && r.right - r.left > framed.right - framed.left;
  bool horizontal = (style & WS_HSCROLL) && r.bottom > framed.bottom;
  bool barOnLeft = vertical && framed.left > r.left;
  if (vertical)
    DrawScrollBar(wnd, dc, barOnLeft ? RECT{r.left, framed.top, framed.left, framed.bottom} : RECT{framed.right, framed.top, r.right, framed.bottom}, true);
  if (horizontal) DrawScrollBar(wnd, dc, {framed.left, framed.bottom, framed.right, r.bottom}, false);
  if (vertical && horizontal)
    FillSysColor(dc, barOnLeft ? RECT{r.left, framed.bottom, framed.left, r.bottom} : RECT{framed.right, framed.bottom, r.right, r.bottom}, COLOR_BTNFACE);
  if (borderWidth > 0) {
    int saved = SaveDC(dc);
    ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    FillRect(dc, &framed, borderBrush);
    RestoreDC(dc, saved);
  }
  return client;
}

}  // namespace

// ---- TWinControl painting ---------------------------------------------------------------------

void TWinControl::WMPaint(TWMPaint& message) {
  if (!doubleBuffered_ || message.DC()) {
    if (!controlState_.Contains(csCustomPaint) && ControlCount() == 0)
      DefaultHandler(message);
    else
      PaintHandler(message);
    return;
  }
  // Paint into a bitmap and show it at once, so that nothing flickers.
  RECT client{};
  GetClientRect(handle_, &client);
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1));
  ReleaseDC(nullptr, screen);
  HDC memDC = CreateCompatibleDC(nullptr);
  HGDIOBJ oldBitmap = SelectObject(memDC, bitmap);
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(handle_, &ps);
  TScopeExit cleanup([&] {
    EndPaint(handle_, &ps);
    SelectObject(memDC, oldBitmap);
    DeleteDC(memDC);
    DeleteObject(bitmap);
  });
  Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(memDC), reinterpret_cast<LPARAM>(memDC));
  TWMPaint inner = message;
  inner.WParam = reinterpret_cast<WPARAM>(memDC);
  WMPaint(inner);
  BitBlt(dc, 0, 0, client.right, client.bottom, memDC, 0, 0, SRCCOPY);
}

void TWinControl::PaintHandler(TWMPaint& message) {
  HDC dc = message.DC();
  PAINTSTRUCT ps{};
  if (!dc) dc = BeginPaint(handle_, &ps);
  TScopeExit endPaint([&] {
    if (!message.DC()) EndPaint(handle_, &ps);
  });
  if (controls_.empty()) {
    PaintWindow(dc);
  } else {
    // Opaque graphic children cover their part: the window need not paint under them.
    int saved = SaveDC(dc);
    TScopeExit restore([&] { RestoreDC(dc, saved); });
    int clip = SIMPLEREGION;
    for (TControl* c : controls_) {
      if (ShowsInPaint(c) && c->controlStyle_.Contains(csOpaque)) {
        clip = ExcludeClipRect(dc, c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height());
        if (clip == NULLREGION) break;
      }
    }
    if (clip != NULLREGION) PaintWindow(dc);
  }
  PaintControls(dc, nullptr);
}

bool TWinControl::ShowsInPaint(TControl* control) {
  return control->Visible() || (control->ComponentState().Contains(csDesigning) &&
                                !control->ControlStyle().Contains(csNoDesignVisible));
}

void TWinControl::PaintWindow(HDC dc) {
  TMessage message(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  DefaultHandler(message);
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
  auto it = controls_.begin();
  if (first) {
    it = std::find(controls_.begin(), controls_.end(), first);
    if (it == controls_.end()) it = controls_.begin();
  }
  // A copy: painting may change the children.
  std::vector<TControl*> order(it, controls_.end());
  for (TControl* c : order) {
    if (!ShowsInPaint(c)) continue;
    TRect r = c->BoundsRect();
    if (!RectVisible(dc, &r)) continue;
    if (controlState_.Contains(csPaintCopy)) c->controlState_.Include(csPaintCopy);
    int saved = SaveDC(dc);
    TScopeExit restore([&] {
      RestoreDC(dc, saved);
      c->controlState_.Exclude(csPaintCopy);
    });
    MoveWindowOrg(dc, c->Left(), c->Top());
    IntersectClipRect(dc, 0, 0, c->Width(), c->Height());
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  }
  // Framed windowed children get the 3-D frame drawn round them on this surface.
  for (TWinControl* w : winControls_) {
    if (!w->ctl3D_ || !w->controlStyle_.Contains(csFramed) || !ShowsInPaint(w)) continue;
    HBRUSH shadow = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(clBtnShadow)));
    RECT outer{w->Left() - 1, w->Top() - 1, w->Left() + w->Width(), w->Top() + w->Height()};
    FrameRect(dc, &outer, shadow);
    DeleteObject(shadow);
    HBRUSH highlight = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(clBtnHighlight)));
    RECT inner{w->Left(), w->Top(), w->Left() + w->Width() + 1, w->Top() + w->Height() + 1};
    FrameRect(dc, &inner, highlight);
    DeleteObject(highlight);
  }
}

void TWinControl::WMEraseBkgnd(TWMEraseBkgnd& message) {
  // A double-buffered control erases in its paint cycle, into the bitmap (wParam = lParam).
  if (!doubleBuffered_ || message.WParam == static_cast<WPARAM>(message.LParam)) {
    RECT client{};
    GetClientRect(handle_, &client);
    FillRect(message.DC(), &client, brush_->Handle());
  }
  message.Result = 1;
}

void TWinControl::WMPrintClient(TMessage& message) {
  if (message.Result == 1 || ((message.LParam & PRF_CHECKVISIBLE) && !Visible())) {
    DefaultHandler(message);
    return;
  }
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  int saved = SaveDC(dc);
  TScopeExit restore([&] { RestoreDC(dc, saved); });
  TWMPaint paint = MessageAs<TWMPaint>(message);
  PaintHandler(paint);
}

void TWinControl::WMPrint(TMessage& message) {
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  LPARAM flags = message.LParam;
  if (!handle_ || !dc) {
    DefaultHandler(message);
    return;
  }
  if ((flags & PRF_CHECKVISIBLE) && !IsWindowVisible(handle_)) return;
  // The platform's default prints no frame and puts the client area at the corner of the DC:
  // the frame is drawn here, and the client area printed inside it.
  POINT origin{0, 0};
  if (flags & PRF_NONCLIENT) {
    int saved = SaveDC(dc);
    TScopeExit restore([&] { RestoreDC(dc, saved); });
    RECT client = DrawNonClient(handle_, dc, brush_->Handle(), borderWidth_);
    origin = {client.left, client.top};
  }
  if (flags & (PRF_ERASEBKGND | PRF_CLIENT)) {
    int saved = SaveDC(dc);
    TScopeExit restore([&] { RestoreDC(dc, saved); });
    RECT client{};
    GetClientRect(handle_, &client);
    MoveWindowOrg(dc, origin.x, origin.y);
    IntersectClipRect(dc, 0, 0, client.right, client.bottom);
    TMessage inner(WM_PRINT, message.WParam, flags & ~(PRF_NONCLIENT | PRF_CHILDREN | PRF_CHECKVISIBLE));
    DefaultHandler(inner);
    message.Result = inner.Result;
  }
  if (!(flags & PRF_CHILDREN) || !handle_) return;
  // The platform's default leaves the child windows out: they are printed here, bottom of
  // the z-order first, each at its place in this window.
  int originX = origin.x;
  int originY = origin.y;
  for (HWND child = GetWindow(GetWindow(handle_, GW_CHILD), GW_HWNDLAST); child; child = GetWindow(child, GW_HWNDPREV)) {
    if (!IsWindowVisible(child)) continue;
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, handle_, reinterpret_cast<POINT*>(&r), 2);
    int saved = SaveDC(dc);
    TScopeExit restore([&] { RestoreDC(dc, saved); });
    MoveWindowOrg(dc, originX + r.left, originY + r.top);
    IntersectClipRect(dc, 0, 0, r.right - r.left, r.bottom - r.top);
    SendMessageA(child, WM_PRINT, message.WParam, message.LParam | PRF_NONCLIENT);
  }
}

void TWinControl::PaintTo(HDC dc, int x, int y) {
  controlState_.Include(csPaintCopy);
  int saved = SaveDC(dc);
  TScopeExit restore([&] {
    RestoreDC(dc, saved);
    controlState_.Exclude(csPaintCopy);
  });
  MoveWindowOrg(dc, x, y);
  IntersectClipRect(dc, 0, 0, width_, height_);
  // The border as the window has it: sunken client edge or a plain line.
  UINT edge = 0, flags = 0;
  HWND wnd = Handle();
  if (GetWindowLongPtrA(wnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) {
    edge = EDGE_SUNKEN;
    flags = BF_RECT | BF_ADJUST;
  } else if (GetWindowLongPtrA(wnd, GWL_STYLE) & WS_BORDER) {
    edge = BDR_OUTER;
    flags = BF_RECT | BF_ADJUST | BF_MONO;
  }
  if (flags) {
    RECT r{0, 0, width_, height_};
    DrawEdge(dc, &r, edge, flags);
    MoveWindowOrg(dc, r.left, r.top);
    IntersectClipRect(dc, 0, 0, r.right - r.left, r.bottom - r.top);
  }
  Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  std::vector<TWinControl*> children = winControls_;
  for (TWinControl* child : children)
    if (child->Visible()) child->PaintTo(dc, child->Left(), child->Top());
}

HDC TWinControl::GetDeviceContext(HWND& windowHandle) {
  HDC dc = GetDC(Handle());
  if (!dc) throw EOutOfResources("Out of system resources");
  windowHandle = handle_;
  return dc;
}

// ---- TControlCanvas ---------------------------------------------------------------------------

TCanvasBinding::TCanvasBinding(TCanvas* canvas, HDC dc) : canvas_(canvas) {
  canvas_->Lock();
  canvas_->SetHandle(dc);
}

TCanvasBinding::~TCanvasBinding() {
  canvas_->SetHandle(nullptr);
  canvas_->Unlock();
}

TControlStateScope::TControlStateScope(TControl* control, TControlStateItem item) : control_(control), item_(item) {
  control_->SetControlState(control_->ControlState() + TControlState{item});
}

TControlStateScope::~TControlStateScope() { control_->SetControlState(control_->ControlState() - TControlState{item_}); }

TControlCanvas::~TControlCanvas() {
  Lock();
  FreeHandle();
  Unlock();
}

void TControlCanvas::SetControl(TControl* control) {
  if (control_ == control) return;
  FreeHandle();
  control_ = control;
}

void TControlCanvas::CreateHandle() {
  if (!control_) {
    TCanvas::CreateHandle();
    return;
  }
  if (!deviceContext_) {
    CanvasListGuard guard;
    std::vector<TControlCanvas*>& list = CanvasList();
    if (list.size() >= CanvasListCacheSize) {
      // The oldest canvas nobody is drawing on gives its DC back.
      for (TControlCanvas* canvas : list) {
        if (canvas->TryLock()) {
          canvas->FreeHandle();
          canvas->Unlock();
          break;
        }
      }
    }
    deviceContext_ = control_->GetDeviceContext(windowHandle_);
    list.push_back(this);
  }
  SetHandle(deviceContext_);
  UpdateTextFlags();
}

void TControlCanvas::FreeHandle() {
  if (!deviceContext_) return;
  SetHandle(nullptr);
  ReleaseDC(windowHandle_, deviceContext_);
  deviceContext_ = nullptr;
  windowHandle_ = nullptr;
  CanvasListGuard guard;
  std::erase(CanvasList(), this);
}

void TControlCanvas::UpdateTextFlags() {}

void FreeDeviceContexts(HWND wnd) {
  std::vector<TControlCanvas*> list;
  {
    CanvasListGuard guard;
    list = CanvasList();
  }
  for (TControlCanvas* canvas : list) {
    if (wnd && canvas->windowHandle_ != wnd) continue;
    // A canvas that another thread draws on keeps its DC until it is done.
    if (canvas->TryLock()) {
      canvas->FreeHandle();
      canvas->Unlock();
    }
  }
}

// ---- TGraphicControl --------------------------------------------------------------------------

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
}

TGraphicControl::~TGraphicControl() {
  if (GetCaptureControl() == this) SetCaptureControl(nullptr);
  canvas_.reset();
}

void TGraphicControl::WMPaint(TWMPaint& message) {
  if (!message.DC()) return;
  TCanvasBinding binding(canvas_.get(), message.DC());
  Paint();
}

void TGraphicControl::Dispatch(TMessage& message) {
  if (message.Msg == WM_PAINT)
    CallMessageHandler<TWMPaint>(message, this, &TGraphicControl::WMPaint);
  else
    TControl::Dispatch(message);
}

// ---- TCustomControl ---------------------------------------------------------------------------

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
}

TCustomControl::~TCustomControl() {
  // The window goes before the canvas that may hold one of its DCs.
  if (WindowHandle()) FreeDeviceContexts(WindowHandle());
}

void TCustomControl::WMPaint(TWMPaint& message) {
  TControlStateScope customPaint(this, csCustomPaint);
  TWinControl::WMPaint(message);
}

void TCustomControl::PaintWindow(HDC dc) {
  TCanvasBinding binding(canvas_.get(), dc);
  canvas_->UpdateTextFlags();
  Paint();
}

void TCustomControl::Dispatch(TMessage& message) {
  if (message.Msg == WM_PAINT)
    CallMessageHandler<TWMPaint>(message, this, &TCustomControl::WMPaint);
  else
    TWinControl::Dispatch(message);
}

}  // namespace vcl
