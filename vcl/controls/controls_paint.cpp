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
  DefaultHandler(message);
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  if (!(message.LParam & PRF_CHILDREN) || !handle_ || !dc) return;
  // The platform's default leaves the child windows out: they are printed here, bottom of
  // the z-order first, each at its place in this window.
  RECT window{};
  GetWindowRect(handle_, &window);
  POINT client{0, 0};
  ::ClientToScreen(handle_, &client);
  int originX = (message.LParam & PRF_NONCLIENT) ? client.x - window.left : 0;
  int originY = (message.LParam & PRF_NONCLIENT) ? client.y - window.top : 0;
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
