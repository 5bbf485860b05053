// TWinControl: the window (class registration, creation on demand, the window procedure,
// destruction), the list of children and the dispatch of window messages.
#include <algorithm>
#include <atomic>

#include "vcl/controls/application.h"
#include "vcl/controls/controls.h"
#include "vcl/controls/forms.h"
#include "vcl/runtime/scope_exit.h"
#include "vcl/controls/screen.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/threads.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {

LRESULT CALLBACK ControlWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

namespace {

// The window property that leads from a window to its control.
constexpr const char* ControlProp = "TWinControl.Object";

// The control whose window CreateWindowEx is making on this thread (the innermost one when
// creations nest). It takes the first message of the new window, before CreateWindowEx has
// returned the handle, and it is the child that an owner-drawn list or combo window names
// when it asks its parent for item heights (WM_MEASUREITEM) while it is being created.
thread_local TWinControl* creatingControl = nullptr;

// The thread-local record is reached only through these two, never inlined into a window
// procedure: there the compiler's call that finds thread-local data overwrites registers that
// the platform's calling convention keeps (the message's parameters among them).
[[gnu::noinline]] TWinControl* CreatingControl() { return creatingControl; }
[[gnu::noinline]] void SetCreatingControl(TWinControl* control) { creatingControl = control; }

// Child windows have identifiers unique among their siblings, in place of a menu: WM_MEASUREITEM
// names the asking child by nothing else. They stay within 16 bits, as WM_COMMAND carries
// them in a word, and above the standard dialog identifiers (IDOK ... IDHELP).
constexpr UINT FirstChildId = 0x0100;
constexpr UINT LastChildId = 0x7FFF;

UINT NewChildId(HWND parent) {
  static std::atomic<UINT> counter{0};
  constexpr UINT range = LastChildId - FirstChildId + 1;
  for (UINT tries = 0; tries < range; ++tries) {
    UINT id = FirstChildId + counter++ % range;
    if (!parent || !GetDlgItem(parent, static_cast<int>(id))) return id;
  }
  return 0;  // the parent holds a child of every identifier: this one goes without
}

// The window being created as a child of `parent` with the identifier, or 0.
HWND WindowUnderCreation(HWND parent, UINT id) {
  TWinControl* creating = CreatingControl();
  HWND wnd = creating ? creating->WindowHandle() : nullptr;
  if (wnd && GetParent(wnd) == parent && static_cast<UINT>(GetWindowLongPtrA(wnd, GWLP_ID)) == id) return wnd;
  return nullptr;
}

HINSTANCE ModuleInstance() { return GetModuleHandleA(nullptr); }

// Hands an exception that reached a window procedure to the application.
void HandleWindowException(TObject* sender) {
  if (Application)
    Application->HandleException(sender);
}

}  // namespace

// The window procedure of every window class this library registers.
LRESULT CALLBACK ControlWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* control = static_cast<TWinControl*>(GetPropA(wnd, ControlProp));
  if (!control) {
    control = CreatingControl();
    if (!control || control->handle_) return DefWindowProcA(wnd, msg, wParam, lParam);
    control->handle_ = wnd;
    SetPropA(wnd, ControlProp, control);
  }
  TMessage message(msg, wParam, lParam);
  try {
    control->WindowProc.WindowMessage(message);
  } catch (...) {
    try {
      HandleWindowException(control);
    } catch (...) {
      // Nothing may unwind into the platform.
    }
  }
  if (msg == WM_NCDESTROY) RemovePropA(wnd, ControlProp);
  return message.Result;
}

TControl* FindControl(HWND wnd) {
  if (!wnd) return nullptr;
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if (pid != GetCurrentProcessId()) return nullptr;
  return static_cast<TWinControl*>(GetPropA(wnd, ControlProp));
}

// ---- Life -----------------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner), brush_(std::make_unique<TBrush>()) {
  brush_->SetColor(color_);
}

TWinControl::~TWinControl() {
  Destroying();
  if (parent_) RemoveFocus(true);
  if (handle_) DestroyWindowHandle();
  // No window message can make this control active again from here on.
  if (Screen) Screen->ControlDestroyed(this);
  DestroyChildControls();
  // The parent keeps windowed children in a list of their own: this control leaves it while
  // it is still known as a windowed control.
  if (parent_) {
    if (parent_->ComponentState().Contains(csDestroying))
      parent_->Remove(this);
    else
      SetParent(nullptr);
  }
}

void TWinControl::DestroyChildControls() {
  // The children go with their parent (whoever owns them); they leave the lists first so that
  // none of them talks to a parent that is being destroyed.
  while (ControlCount() > 0) {
    TControl* child = Controls(ControlCount() - 1);
    Remove(child);
    delete child;
  }
}

// ---- The window ------------------------------------------------------------------------------

HWND TWinControl::Handle() {
  HandleNeeded();
  return handle_;
}

void TWinControl::HandleNeeded() {
  if (handle_) return;
  if (parent_) parent_->HandleNeeded();
  CreateHandle();
}

void TWinControl::SetParentWindow(HWND value) {
  if (parent_ || parentWindow_ == value) return;
  if (handle_ && parentWindow_ && value) {
    ::SetParent(handle_, value);
    parentWindow_ = value;
    return;
  }
  DestroyHandle();
  parentWindow_ = value;
  UpdateControlState();
}

void TWinControl::CreateParams(TCreateParams& params) {
  params = TCreateParams{};
  params.Caption = text_;
  params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (controlStyle_.Contains(csAcceptsControls)) {
    params.Style |= WS_CLIPCHILDREN;
    params.ExStyle |= WS_EX_CONTROLPARENT;
  }
  if (!ComponentState().Contains(csDesigning) && !Enabled()) params.Style |= WS_DISABLED;
  if (tabStop_) params.Style |= WS_TABSTOP;
  params.X = left_;
  params.Y = top_;
  params.Width = width_;
  params.Height = height_;
  params.WndParent = parent_ ? parent_->Handle() : parentWindow_;
  params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  params.WindowClass.lpfnWndProc = DefWindowProcA;
  params.WindowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  params.WindowClass.hbrBackground = nullptr;
  params.WindowClass.hInstance = ModuleInstance();
  params.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& params, const char* controlClassName) {
  if (!controlClassName) return;
  constexpr UINT Off = CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS;
  constexpr UINT On = CS_VREDRAW | CS_HREDRAW;
  HINSTANCE saveInstance = params.WindowClass.hInstance;
  if (!GetClassInfoA(ModuleInstance(), controlClassName, &params.WindowClass) &&
      !GetClassInfoA(nullptr, controlClassName, &params.WindowClass))
    GetClassInfoA(params.WindowClass.hInstance, controlClassName, &params.WindowClass);
  params.WindowClass.hInstance = saveInstance;
  params.WindowClass.style = (params.WindowClass.style & ~Off) | On;
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if (!params.WndParent && (params.Style & WS_CHILD)) {
    auto* owner = dynamic_cast<TWinControl*>(Owner());
    if (owner && owner->ComponentState().Contains(csReading))
      params.WndParent = owner->Handle();
    else
      throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  }
  defWndProc_ = params.WindowClass.lpfnWndProc;
  WNDCLASSA existing{};
  bool registered = GetClassInfoA(params.WindowClass.hInstance, params.WinClassName.c_str(), &existing);
  if (!registered || existing.lpfnWndProc != ControlWindowProc) {
    if (registered) UnregisterClassA(params.WinClassName.c_str(), params.WindowClass.hInstance);
    params.WindowClass.lpfnWndProc = ControlWindowProc;
    params.WindowClass.lpszClassName = params.WinClassName.c_str();
    if (!RegisterClassA(&params.WindowClass)) RaiseLastOSError();
  }
  TWinControl* outerCreation = CreatingControl();
  SetCreatingControl(this);
  {
    TScopeExit created([outerCreation] { SetCreatingControl(outerCreation); });
    CreateWindowHandle(params);
  }
  if (!handle_) RaiseLastOSError();
  // The window holds the text from now on.
  text_.clear();
  UpdateBounds();
  Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 1);
  if (AutoSize()) AdjustSize();
}

void TWinControl::CreateWindowHandle(const TCreateParams& params) {
  HMENU childId = nullptr;
  if (params.Style & WS_CHILD) childId = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(NewChildId(params.WndParent)));
  HWND wnd = CreateWindowExA(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(), params.Style,
                             params.X, params.Y, params.Width, params.Height, params.WndParent, childId,
                             params.WindowClass.hInstance, params.Param);
  handle_ = wnd;
}

void TWinControl::CreateHandle() {
  if (handle_) return;
  CreateWnd();
  if (parent_)
    SetWindowPos(handle_, parent_->PrecedingWindow(this), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  for (int i = 0; i < ControlCount(); ++i) Controls(i)->UpdateAnchorRules();
}

HWND TWinControl::PrecedingWindow(TWinControl* control) {
  auto it = std::find(winControls_.begin(), winControls_.end(), control);
  if (it != winControls_.end())
    for (++it; it != winControls_.end(); ++it)
      if ((*it)->handle_) return (*it)->handle_;
  return HWND_TOP;
}

void TWinControl::DestroyWnd() {
  // Keep the text the window held.
  text_ = GetTextBuf();
  FreeDeviceContexts(handle_);
  DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
  controlState_.Include(csDestroyingHandle);
  HWND wnd = handle_;
  if (wnd && !DestroyWindow(wnd) && IsWindow(wnd)) {
    controlState_.Exclude(csDestroyingHandle);
    RaiseLastOSError();
  }
  handle_ = nullptr;
  showing_ = false;
  controlState_.Exclude(csDestroyingHandle);
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  for (TWinControl* child : winControls_) child->DestroyHandle();
  DestroyWnd();
}

void TWinControl::RecreateWnd() {
  if (handle_) Perform(CM_RECREATEWND, 0, 0);
}

void TWinControl::CMRecreateWnd(TMessage&) {
  bool wasFocused = Focused();
  DestroyHandle();
  UpdateControlState();
  if (wasFocused && handle_) ::SetFocus(handle_);
}

void TWinControl::UpdateBounds() {
  RECT r{};
  if (IsIconic(handle_)) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    GetWindowPlacement(handle_, &placement);
    r = placement.rcNormalPosition;
  } else {
    GetWindowRect(handle_, &r);
  }
  if (GetWindowLongPtrA(handle_, GWL_STYLE) & WS_CHILD) {
    HWND parentWnd = GetParent(handle_);
    if (parentWnd) MapWindowPoints(nullptr, parentWnd, reinterpret_cast<POINT*>(&r), 2);
  }
  left_ = r.left;
  top_ = r.top;
  width_ = r.right - r.left;
  height_ = r.bottom - r.top;
}

void TWinControl::UpdateShowing() {
  bool showControl = (Visible() && (!ComponentState().Contains(csDesigning) || !controlStyle_.Contains(csNoDesignVisible)) &&
                      !controlState_.Contains(csReadingState)) ||
                     controlState_.Contains(csDocking);
  if (showControl) {
    if (!handle_) CreateHandle();
    // A copy: showing a child may add or remove children.
    std::vector<TWinControl*> children = winControls_;
    for (TWinControl* child : children) child->UpdateShowing();
  }
  if (handle_ && showing_ != showControl) {
    showing_ = showControl;
    try {
      Perform(CM_SHOWINGCHANGED, 0, 0);
    } catch (...) {
      showing_ = !showControl;
      throw;
    }
  }
}

void TWinControl::UpdateControlState() {
  TWinControl* control = this;
  while (control->parent_) {
    control = control->parent_;
    if (!control->Showing()) return;
  }
  if (dynamic_cast<TCustomForm*>(control) || control->parentWindow_) UpdateShowing();
}

void TWinControl::CMShowingChanged(TMessage&) {
  constexpr UINT Common = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(handle_, nullptr, 0, 0, 0, 0, Common | (showing_ ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TWinControl::CMVisibleChanged(TMessage&) {
  if (!Visible() && parent_) RemoveFocus(false);
  if (!ComponentState().Contains(csDesigning) || controlStyle_.Contains(csNoDesignVisible)) UpdateControlState();
}

void TWinControl::CMEnabledChanged(TMessage&) {
  if (!Enabled() && parent_) RemoveFocus(false);
  if (handle_ && !ComponentState().Contains(csDesigning)) EnableWindow(handle_, Enabled());
}

void TWinControl::CMFontChanged(TMessage& message) {
  TControl::CMFontChanged(message);
  if (handle_) Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 0);
  NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::CMColorChanged(TMessage& message) {
  TControl::CMColorChanged(message);
  brush_->SetColor(color_);
  NotifyControls(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMShowHintChanged(TMessage&) { NotifyControls(CM_PARENTSHOWHINTCHANGED); }

void TWinControl::CMSysColorChange(TMessage&) {
  // System colours are resolved anew; the brush is made again on its next use.
  brush_->SetColor(clBlack);
  brush_->SetColor(color_);
  Invalidate();
}

void TWinControl::SetCtl3D(bool value) {
  if (ctl3D_ == value) return;
  ctl3D_ = value;
  parentCtl3D_ = false;
  Perform(CM_CTL3DCHANGED, 0, 0);
}

void TWinControl::SetParentCtl3D(bool value) {
  if (parentCtl3D_ == value) return;
  parentCtl3D_ = value;
  if (parent_ && !ComponentState().Contains(csReading)) Perform(CM_PARENTCTL3DCHANGED, 0, 0);
}

void TWinControl::CMCtl3DChanged(TMessage&) {
  if (controlStyle_.Contains(csFramed)) RecreateWnd();
  NotifyControls(CM_PARENTCTL3DCHANGED);
}

void TWinControl::CMParentCtl3DChanged(TMessage& message) {
  if (!parentCtl3D_) return;
  if (message.WParam)
    SetCtl3D(message.LParam != 0);
  else if (parent_)
    SetCtl3D(parent_->ctl3D_);
  parentCtl3D_ = true;
}

void TWinControl::SetBorderWidth(int value) {
  if (borderWidth_ == value) return;
  borderWidth_ = value;
  if (handle_)
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                 SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_FRAMECHANGED);
}

// ---- Bounds ---------------------------------------------------------------------------------

void TWinControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  if (!CheckNewSize(width, height)) return;
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  if (handle_ && !IsIconic(handle_)) {
    SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (handle_) {
      WINDOWPLACEMENT placement{};
      placement.length = sizeof(placement);
      GetWindowPlacement(handle_, &placement);
      placement.rcNormalPosition = Bounds(left, top, width, height);
      SetWindowPlacement(handle_, &placement);
    }
  }
  UpdateAnchorRules();
  RequestAlign();
}

TRect TWinControl::ClientRect() {
  RECT r{};
  GetClientRect(Handle(), &r);
  return r;
}

TPoint TWinControl::ClientOrigin() {
  POINT p{0, 0};
  ::ClientToScreen(Handle(), &p);
  return p;
}

void TWinControl::WMSize(TWMSize& message) {
  UpdateBounds();
  DefaultHandler(message);
  Realign();
  if (!ComponentState().Contains(csLoading)) Resize();
}

void TWinControl::WMMove(TWMMove& message) {
  DefaultHandler(message);
  UpdateBounds();
}

void TWinControl::WMWindowPosChanging(TWMWindowPosMsg& message) {
  // Every size change of the window, the user's too, passes the constraints and AutoSize.
  WINDOWPOS* pos = message.WindowPos();
  if (pos && !ComponentState().Contains(csReading) && !ComponentState().Contains(csDestroying) &&
      !(pos->flags & SWP_NOSIZE) && !CheckNewSize(pos->cx, pos->cy))
    pos->flags |= SWP_NOSIZE;
  DefaultHandler(message);
}

void TWinControl::WMWindowPosChanged(TWMWindowPosMsg& message) {
  WINDOWPOS* pos = message.WindowPos();
  UINT flags = pos ? pos->flags : 0;
  bool framed = ctl3D_ && controlStyle_.Contains(csFramed) && parent_ && !(flags & SWP_NOREDRAW);
  bool moved = !(flags & SWP_NOMOVE) && IsWindowVisible(handle_);
  bool sized = !(flags & SWP_NOSIZE) && IsWindowVisible(handle_);
  if (framed && (moved || sized)) InvalidateFrame();
  if (handle_ && !controlState_.Contains(csDestroyingHandle)) UpdateBounds();
  TControl::WMWindowPosChanged(message);
  if (framed && (moved || sized || (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)))) InvalidateFrame();
}

void TWinControl::InvalidateFrame() {
  if (!parent_ || !parent_->handle_) return;
  TRect r = BoundsRect();
  InflateRect(&r, 1, 1);
  InvalidateRect(parent_->handle_, &r, TRUE);
}

void TWinControl::WMNCCalcSize(TWMNCCalcSize& message) {
  DefaultHandler(message);
  if (borderWidth_ > 0) InflateRect(&message.CalcSize_Params()->rgrc[0], -borderWidth_, -borderWidth_);
}

void TWinControl::WMNCPaint(TMessage& message) {
  if (borderWidth_ > 0 && handle_) {
    // The border strip inside the frame takes the control's colour.
    HDC dc = GetWindowDC(handle_);
    RECT client{}, window{};
    GetClientRect(handle_, &client);
    GetWindowRect(handle_, &window);
    MapWindowPoints(nullptr, handle_, reinterpret_cast<POINT*>(&window), 2);
    OffsetRect(&client, -window.left, -window.top);
    ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    RECT border = client;
    InflateRect(&border, borderWidth_, borderWidth_);
    IntersectClipRect(dc, border.left, border.top, border.right, border.bottom);
    FillRect(dc, &border, brush_->Handle());
    ReleaseDC(handle_, dc);
  }
  DefaultHandler(message);
}

// ---- Children ---------------------------------------------------------------------------------

TControl* TWinControl::Controls(int index) const {
  int graphic = static_cast<int>(controls_.size());
  if (index < 0 || index >= ControlCount()) throw EListError(Format("List index out of bounds (%d)", index));
  return index < graphic ? controls_[static_cast<size_t>(index)] : winControls_[static_cast<size_t>(index - graphic)];
}

void TWinControl::Insert(TControl* control) {
  if (!control) return;
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    winControls_.push_back(win);
    tabList_.push_back(win);
  } else {
    controls_.push_back(control);
  }
  control->parent_ = this;
}

void TWinControl::Remove(TControl* control) {
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    std::erase(tabList_, win);
    std::erase(winControls_, win);
  } else {
    std::erase(controls_, control);
  }
  control->parent_ = nullptr;
}

void TWinControl::InsertControl(TControl* control) {
  for (TWinControl* p = this; p; p = p->parent_)
    if (p == control) throw EInvalidOperation("A control cannot have itself as its parent");
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(control), 1);
  Insert(control);
  if (!control->ComponentState().Contains(csReading)) {
    control->Perform(CM_PARENTCOLORCHANGED, 0, 0);
    control->Perform(CM_PARENTFONTCHANGED, 0, 0);
    control->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    control->Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
      win->Perform(CM_PARENTCTL3DCHANGED, 0, 0);
      win->UpdateControlState();
    } else if (handle_) {
      control->Invalidate();
    }
    AlignControl(control);
  }
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(control), 1);
}

void TWinControl::RemoveControl(TControl* control) {
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(control), 0);
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    win->RemoveFocus(true);
    win->DestroyHandle();
  } else if (handle_) {
    control->InvalidateControl(control->Visible(), false);
  }
  Remove(control);
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(control), 0);
  Realign();
}

void TWinControl::SetParent(TWinControl* parent) {
  if (parent && parentWindow_) {
    // A control placed in a foreign window that gets a parent of this library leaves it.
    DestroyHandle();
    parentWindow_ = nullptr;
  }
  TControl::SetParent(parent);
}

void TWinControl::ShowControl(TControl*) {
  if (parent_) parent_->ShowControl(this);
}

bool TWinControl::ContainsControl(TControl* control) const {
  while (control && control != this) control = control->Parent();
  return control == this;
}

TControl* TWinControl::ControlAtPos(const TPoint& pos, bool allowDisabled, bool allowWinControls) {
  auto hit = [&](TControl* c) {
    TPoint p = Point(pos.x - c->Left(), pos.y - c->Top());
    TRect client = c->ClientRect();
    if (!PtInRect(&client, p)) return false;
    if (c->ComponentState().Contains(csDesigning))
      return c->Visible() || !c->ControlStyle().Contains(csNoDesignVisible);
    return c->Visible() && (c->Enabled() || allowDisabled) && c->IsHitTestVisible(p);
  };
  if (allowWinControls)
    for (auto it = winControls_.rbegin(); it != winControls_.rend(); ++it)
      if (hit(*it)) return *it;
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
    if (hit(*it)) return *it;
  return nullptr;
}

TControl* TWinControl::FindChildControl(const std::string& name) const {
  for (int i = 0; i < ControlCount(); ++i)
    if (SameText(Controls(i)->Name(), name)) return Controls(i);
  return nullptr;
}

void TWinControl::Broadcast(TMessage& message) {
  for (int i = 0; i < ControlCount(); ++i) {
    Controls(i)->WindowProc(message);
    if (message.Result != 0) return;
  }
}

void TWinControl::NotifyControls(UINT msg) {
  TMessage message(msg, 0, 0);
  Broadcast(message);
}

void TWinControl::GetChildren(const TGetChildProc& proc, TComponent* root) {
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* child = Controls(i);
    if (child->Owner() == root) proc(child);
  }
}

void TWinControl::SetZOrderPosition(int position) {
  if (!parent_) return;
  std::vector<TWinControl*>& list = parent_->winControls_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  int current = static_cast<int>(it - list.begin());
  position = std::clamp(position, 0, static_cast<int>(list.size()) - 1);
  if (position == current) return;
  list.erase(it);
  list.insert(list.begin() + position, this);
  // The list runs from the bottom of the z-order to its top.
  if (handle_) SetWindowPos(handle_, parent_->PrecedingWindow(this), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::SetZOrder(bool topMost) {
  if (parent_) {
    SetZOrderPosition(topMost ? static_cast<int>(parent_->winControls_.size()) - 1 : 0);
  } else if (handle_) {
    SetWindowPos(handle_, topMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
}

// ---- Loading ---------------------------------------------------------------------------------

void TWinControl::ReadState(TReader* reader) {
  WithAlignDisabled([&] { TControl::ReadState(reader); });
  if (parent_) Perform(CM_PARENTCTL3DCHANGED, 0, 0);
}

void TWinControl::Loaded() {
  TControl::Loaded();
  FixupTabList();
  UpdateControlState();
}

// ---- Messages ---------------------------------------------------------------------------------

void TWinControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_SETFOCUS: {
      TCustomForm* form = GetParentForm(this);
      if (form && !form->SetFocusedControl(this)) return;
      break;
    }
    case WM_KILLFOCUS:
      if (controlState_.Contains(csFocusing)) return;
      break;
    case WM_NCHITTEST: {
      TControl::WndProc(message);
      if (message.Result == HTTRANSPARENT) {
        TPoint p = ScreenToClient(Point(static_cast<short>(LOWORD(message.LParam)), static_cast<short>(HIWORD(message.LParam))));
        if (ControlAtPos(p, false)) message.Result = HTCLIENT;
      }
      return;
    }
    case WM_MOUSEMOVE:
      TrackMouseLeave();
      [[fallthrough]];
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK: {
      TWMMouse mouse = MessageAs<TWMMouse>(message);
      if (IsControlMouseMsg(mouse)) {
        message = mouse;
        // The graphic child may have freed the window (by changing its parent, say).
        if (message.Result == 0 && handle_)
          DefWindowProcA(handle_, message.Msg, message.WParam, message.LParam);
        return;
      }
      break;
    }
    case WM_CANCELMODE: {
      TControl* capture = GetCaptureControl();
      if (GetCapture() == handle_ && capture && capture->Parent() == this) capture->Perform(WM_CANCELMODE, 0, 0);
      break;
    }
  }
  TControl::WndProc(message);
}

bool TWinControl::IsControlMouseMsg(TWMMouse& message) {
  TControl* control = nullptr;
  if (GetCapture() == handle_) {
    TControl* capture = GetCaptureControl();
    if (capture && capture != this && capture->Parent() == this) control = capture;
  } else {
    control = ControlAtPos(message.Pos(), false);
  }
  if (!control) return false;
  int x = message.XPos() - control->Left();
  int y = message.YPos() - control->Top();
  message.Result = control->Perform(message.Msg, message.WParam, PointToLParam(x, y));
  return true;
}

// A context click over a graphic child is the child's first.
void TWinControl::WMContextMenu(TWMContextMenu& message) {
  if (message.Result != 0) return;
  bool fromKeyboard = message.XPos() == -1 && message.YPos() == -1;
  if (!fromKeyboard) {
    TControl* child = ControlAtPos(ScreenToClient(Point(message.XPos(), message.YPos())), false);
    if (child && child->Visible() && child->Enabled()) {
      message.Result = child->Perform(WM_CONTEXTMENU, message.WParam, message.LParam);
      if (message.Result != 0) return;
    }
  }
  TControl::WMContextMenu(message);
}

void TWinControl::TrackMouseLeave() {
  if (trackingMouse_ || !handle_) return;
  TRACKMOUSEEVENT track{};
  track.cbSize = sizeof(track);
  track.dwFlags = TME_LEAVE;
  track.hwndTrack = handle_;
  trackingMouse_ = TrackMouseEvent(&track) != FALSE;
}

void TWinControl::WMMouseLeave(TMessage& message) {
  trackingMouse_ = false;
  DefaultHandler(message);
  // The mouse left this window (for another one, or for no window of the program): the
  // enter/leave tracking catches up at once instead of at the next idle moment.
  if (Application) Application->DoMouseIdle();
}

void TWinControl::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_PAINT: CallMessageHandler<TWMPaint>(message, this, &TWinControl::WMPaint); break;
    case WM_ERASEBKGND: CallMessageHandler<TWMEraseBkgnd>(message, this, &TWinControl::WMEraseBkgnd); break;
    case WM_PRINTCLIENT: WMPrintClient(message); break;
    case WM_PRINT: WMPrint(message); break;
    case WM_NCCALCSIZE: CallMessageHandler<TWMNCCalcSize>(message, this, &TWinControl::WMNCCalcSize); break;
    case WM_NCPAINT: WMNCPaint(message); break;
    case WM_SIZE: CallMessageHandler<TWMSize>(message, this, &TWinControl::WMSize); break;
    case WM_MOVE: CallMessageHandler<TWMMove>(message, this, &TWinControl::WMMove); break;
    case WM_WINDOWPOSCHANGING: CallMessageHandler<TWMWindowPosMsg>(message, this, &TWinControl::WMWindowPosChanging); break;
    case WM_WINDOWPOSCHANGED: CallMessageHandler<TWMWindowPosMsg>(message, this, &TWinControl::WMWindowPosChanged); break;
    case WM_COMMAND: CallMessageHandler<TWMCommand>(message, this, &TWinControl::WMCommand); break;
    case WM_NOTIFY: CallMessageHandler<TWMNotify>(message, this, &TWinControl::WMNotify); break;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
      WMReflected(message);
      break;
    case WM_SETFOCUS: CallMessageHandler<TWMSetFocus>(message, this, &TWinControl::WMSetFocus); break;
    case WM_KILLFOCUS: CallMessageHandler<TWMKillFocus>(message, this, &TWinControl::WMKillFocus); break;
    case WM_KEYDOWN: CallMessageHandler<TWMKey>(message, this, &TWinControl::WMKeyDown); break;
    case WM_KEYUP: CallMessageHandler<TWMKey>(message, this, &TWinControl::WMKeyUp); break;
    case WM_CHAR: CallMessageHandler<TWMKey>(message, this, &TWinControl::WMChar); break;
    case WM_SYSKEYDOWN: CallMessageHandler<TWMKey>(message, this, &TWinControl::WMSysKeyDown); break;
    case WM_SYSKEYUP: CallMessageHandler<TWMKey>(message, this, &TWinControl::WMSysKeyUp); break;
    case WM_SYSCHAR: CallMessageHandler<TWMKey>(message, this, &TWinControl::WMSysChar); break;
    case WM_SETCURSOR: CallMessageHandler<TWMSetCursor>(message, this, &TWinControl::WMSetCursor); break;
    case WM_DESTROY: CallMessageHandler<TWMDestroy>(message, this, &TWinControl::WMDestroy); break;
    case WM_NCDESTROY: CallMessageHandler<TWMNCDestroy>(message, this, &TWinControl::WMNCDestroy); break;
    case WM_MOUSELEAVE: WMMouseLeave(message); break;
    case CN_KEYDOWN: CallMessageHandler<TWMKey>(message, this, &TWinControl::CNKeyDown); break;
    case CN_KEYUP: CallMessageHandler<TWMKey>(message, this, &TWinControl::CNKeyUp); break;
    case CN_CHAR: CallMessageHandler<TWMKey>(message, this, &TWinControl::CNChar); break;
    case CN_SYSKEYDOWN: CallMessageHandler<TWMKey>(message, this, &TWinControl::CNSysKeyDown); break;
    case CN_SYSCHAR: CallMessageHandler<TWMKey>(message, this, &TWinControl::CNSysChar); break;
    case CM_SHOWINGCHANGED: CMShowingChanged(message); break;
    case CM_VISIBLECHANGED: CMVisibleChanged(message); break;
    case CM_ENABLEDCHANGED: CMEnabledChanged(message); break;
    case CM_FONTCHANGED: CMFontChanged(message); break;
    case CM_COLORCHANGED: CMColorChanged(message); break;
    case CM_SHOWHINTCHANGED: CMShowHintChanged(message); break;
    case CM_CTL3DCHANGED: CMCtl3DChanged(message); break;
    case CM_PARENTCTL3DCHANGED: CMParentCtl3DChanged(message); break;
    case CM_DIALOGKEY: CallMessageHandler<TCMDialogKey>(message, this, &TWinControl::CMDialogKey); break;
    case CM_DIALOGCHAR: CallMessageHandler<TCMDialogChar>(message, this, &TWinControl::CMDialogChar); break;
    case CM_FOCUSCHANGED: CallMessageHandler<TCMFocusChanged>(message, this, &TWinControl::CMFocusChanged); break;
    case CM_ENTER: CMEnter(message); break;
    case CM_EXIT: CMExit(message); break;
    case CM_INVALIDATE: CMInvalidate(message); break;
    case CM_CHILDKEY: CallMessageHandler<TCMChildKey>(message, this, &TWinControl::CMChildKey); break;
    case CM_SYSCOLORCHANGE: CMSysColorChange(message); break;
    case CM_RECREATEWND: CMRecreateWnd(message); break;
    case CM_TABSTOPCHANGED: CMTabStopChanged(message); break;
    default: TControl::Dispatch(message); break;
  }
}

void TWinControl::DefaultHandler(TMessage& message) {
  if (!handle_) {
    TControl::DefaultHandler(message);
    return;
  }
  UINT msg = message.Msg;
  if (msg == WM_CONTEXTMENU && parent_) {
    // A context click the control does not answer goes to its parent first.
    message.Result = parent_->Perform(msg, message.WParam, message.LParam);
    if (message.Result != 0) return;
  }
  if (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) {
    // The child answers its own colours (CN_CTLCOLOR*).
    HWND child = reinterpret_cast<HWND>(message.LParam);
    if (FindControl(child)) {
      message.Result = SendMessageA(child, CN_BASE + msg, message.WParam, message.LParam);
      return;
    }
  } else if (msg >= CN_CTLCOLORMSGBOX && msg <= CN_CTLCOLORSTATIC) {
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Font()->Color())));
    SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(brush_->Color())));
    message.Result = reinterpret_cast<LRESULT>(brush_->Handle());
    return;
  }
  message.Result = CallWindowProcA(defWndProc_, handle_, msg, message.WParam, message.LParam);
}

void TWinControl::WMCommand(TWMCommand& message) {
  HWND ctl = message.Ctl();
  if (ctl && FindControl(ctl)) {
    message.Result = SendMessageA(ctl, CN_COMMAND, message.WParam, message.LParam);
    return;
  }
  DefaultHandler(message);
}

void TWinControl::WMNotify(TWMNotify& message) {
  NMHDR* header = message.NMHdr();
  if (header && header->hwndFrom && FindControl(header->hwndFrom)) {
    message.Result = SendMessageA(header->hwndFrom, CN_NOTIFY, message.WParam, message.LParam);
    return;
  }
  DefaultHandler(message);
}

// The window that sent a notification: the record names it, or for measured items the child
// identifier does (the child being created first: it may not be found among the children yet).
void TWinControl::WMReflected(TMessage& message) {
  HWND child = nullptr;
  switch (message.Msg) {
    case WM_DRAWITEM:
      if (auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam); item && item->CtlType != ODT_MENU)
        child = item->hwndItem;
      break;
    case WM_MEASUREITEM:
      if (auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam); item && item->CtlType != ODT_MENU) {
        child = WindowUnderCreation(handle_, item->CtlID);
        if (!child) child = GetDlgItem(handle_, static_cast<int>(item->CtlID));
      }
      break;
    case WM_DELETEITEM:
      if (auto* item = reinterpret_cast<DELETEITEMSTRUCT*>(message.LParam)) child = item->hwndItem;
      break;
    case WM_COMPAREITEM:
      if (auto* item = reinterpret_cast<COMPAREITEMSTRUCT*>(message.LParam)) child = item->hwndItem;
      break;
    default:  // scroll bars, list boxes: the child in lParam
      child = reinterpret_cast<HWND>(message.LParam);
      break;
  }
  if (child && FindControl(child)) {
    message.Result = SendMessageA(child, CN_BASE + message.Msg, message.WParam, message.LParam);
    return;
  }
  DefaultHandler(message);
}

void TWinControl::WMSetCursor(TWMSetCursor& message) {
  if (message.CursorWnd() == handle_ && message.HitTest() == HTCLIENT) {
    TCursor cursor = Screen ? Screen->Cursor() : crDefault;
    if (cursor == crDefault) {
      POINT p{};
      GetCursorPos(&p);
      if (TControl* control = ControlAtPos(ScreenToClient(p), false)) cursor = control->Cursor();
      if (cursor == crDefault) cursor = Cursor();
    }
    if (cursor != crDefault && Screen) {
      ::SetCursor(Screen->Cursors(cursor));
      message.Result = 1;
      return;
    }
  }
  DefaultHandler(message);
}

void TWinControl::WMDestroy(TWMDestroy& message) {
  if (GetCaptureControl() && ContainsControl(GetCaptureControl())) SetCaptureControl(nullptr);
  DefaultHandler(message);
}

void TWinControl::WMNCDestroy(TWMNCDestroy& message) {
  DefaultHandler(message);
  handle_ = nullptr;
  showing_ = false;
  trackingMouse_ = false;
}

void TWinControl::CMInvalidate(TMessage& message) {
  if (!handle_) return;
  if (parent_) parent_->Perform(CM_INVALIDATE, 1, 0);
  if (message.WParam == 0) InvalidateRect(handle_, nullptr, !controlStyle_.Contains(csOpaque));
}

void TWinControl::Invalidate() {
  // The control's message chain runs on the thread of its window only: a worker thread that
  // asks for a repaint posts the request there. With no window there is nothing to repaint.
  HWND wnd = handle_;
  DWORD uiThread = wnd ? GetWindowThreadProcessId(wnd, nullptr) : MainThreadID;
  if (uiThread != GetCurrentThreadId()) {
    if (wnd) PostMessageA(wnd, CM_INVALIDATE, 0, 0);
    return;
  }
  Perform(CM_INVALIDATE, 0, 0);
}

void TWinControl::Update() {
  if (handle_) UpdateWindow(handle_);
}

void TWinControl::Repaint() {
  Invalidate();
  // Painted now through the window itself: Update may mean something else in a control that
  // overrides it.
  if (handle_) UpdateWindow(handle_);
}

// ---- Published properties --------------------------------------------------------------------

VCL_PUBLISHED(TWinControl, p) {
  p.Integer("Color", &TWinControl::Color, &TWinControl::SetColor, clWindow)
      .Idents(ColorToIdent, IdentToColor)
      .Stored([](TWinControl* c) { return !c->ParentColor(); })
      .Integer("BorderWidth", &TWinControl::BorderWidth, &TWinControl::SetBorderWidth, 0)
      .Bool("Ctl3D", &TWinControl::Ctl3D, &TWinControl::SetCtl3D)
      .Stored([](TWinControl* c) { return !c->ParentCtl3D(); })
      .Bool("ParentCtl3D", &TWinControl::ParentCtl3D, &TWinControl::SetParentCtl3D, true)
      .Bool("DoubleBuffered", &TWinControl::DoubleBuffered, &TWinControl::SetDoubleBuffered, false)
      .Integer("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder, -1)
      .Bool("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop, false)
      .Event("OnEnter", &TWinControl::OnEnter)
      .Event("OnExit", &TWinControl::OnExit)
      .Event("OnKeyDown", &TWinControl::OnKeyDown)
      .Event("OnKeyPress", &TWinControl::OnKeyPress)
      .Event("OnKeyUp", &TWinControl::OnKeyUp);
}

}  // namespace vcl
