#include "skin/engine/window_messages.h"

#include <algorithm>
#include <vector>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/component_state.h"
#include "skin/engine/skin_painting.h"
#include "vcl/classes/component.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/proc_address.h"
#include "vcl/stdctrls/comctrls.h"

namespace skin {

namespace {



}  // namespace

LRESULT SendAlphaCmdWnd(HWND window, uint16_t command, LPARAM lParam) {
  return window ? SendMessageA(window, SM_ALPHACMD, AlphaCmdParam(command), lParam) : 0;
}

LRESULT SendAlphaCmdCtrl(vcl::TControl* control, uint16_t command, LPARAM lParam) {
  if (!control) return 0;
  if (auto* win = dynamic_cast<vcl::TWinControl*>(control)) {
    if (IsDestroying(win) || !win->HandleAllocated()) return 0;
    return SendMessageA(win->Handle(), SM_ALPHACMD, AlphaCmdParam(command), lParam);
  }
  return control->Perform(SM_ALPHACMD, AlphaCmdParam(command), lParam);
}

bool WndAnswersAlphaCmd(HWND window, uint16_t command) { return SendAlphaCmdWnd(window, command, 0) == 1; }

void SendControlLoaded(vcl::TControl* control) {
  if (!control) return;
  vcl::TComponentState state = control->ComponentState();
  if (state.Contains(vcl::csDesigning) || state.Contains(vcl::csLoading)) return;
  vcl::TCustomForm* form = nullptr;
  for (vcl::TControl* c = control; c; c = c->Parent())
    if (auto* f = dynamic_cast<vcl::TCustomForm*>(c)) form = f;
  if (form && form->HandleAllocated())
    SendMessageA(form->Handle(), SM_ALPHACMD, AlphaCmdParam(cmdControlLoaded), LPARAM(control));
}

void SendRepaintToChildren(vcl::TWinControl* container) {
  if (!container || AnimationInProgress) return;
  for (int i = 0; i < container->ControlCount(); ++i) {
    auto* child = dynamic_cast<vcl::TWinControl*>(container->Controls(i));
    if (!child || IsDestroying(child)) continue;
    if (child->HandleAllocated()) {
      if (child->Showing()) SendMessageA(child->Handle(), SM_ALPHACMD, AlphaCmdParam(cmdRepaint), 0);
    } else {
      child->Perform(SM_ALPHACMD, AlphaCmdParam(cmdRepaint), 0);
    }
  }
}

void SendRepaintToChildWindows(HWND window) {
  for (HWND child = GetTopWindow(window); child; child = GetWindow(child, GW_HWNDNEXT))
    if (GetWindowLongA(child, GWL_STYLE) & WS_CHILD) SendMessageA(child, SM_ALPHACMD, AlphaCmdParam(cmdRepaint), 0);
}

void PassMessageToChildControls(vcl::TWinControl* container, vcl::TMessage& message) {
  if (!container) return;
  // The count is read again before every child: a handler may add or remove children.
  for (int i = 0; i < container->ControlCount(); ++i) {
    vcl::TControl* child = container->Controls(i);
    if (!child || IsDestroying(child)) continue;
    auto* win = dynamic_cast<vcl::TWinControl*>(child);
    if (!win || !win->HandleAllocated()) {
      child->Perform(message.Msg, message.WParam, message.LParam);
    } else if (uint8_t(SendMessageA(win->Handle(), SM_ALPHACMD, AlphaCmdParam(cmdIsSkinned), 0)) != 0) {
      SendMessageA(win->Handle(), message.Msg, message.WParam, message.LParam);
    } else {
      PassMessageToChildControls(win, message);
    }
  }
}

void SendFastFlagsReread(vcl::TWinControl* container) {
  vcl::TMessage message(SM_ALPHACMD, AlphaCmdParam(cmdFastFlags), 1);
  PassMessageToChildControls(container, message);
}

namespace {

struct TChildMessage {
  HWND parent;
  const vcl::TMessage* message;
};

BOOL CALLBACK SendToDirectChild(HWND child, LPARAM data) {
  auto* m = reinterpret_cast<TChildMessage*>(data);
  if (GetParent(child) == m->parent) SendMessageA(child, m->message->Msg, m->message->WParam, m->message->LParam);
  return TRUE;
}

}  // namespace

void PassMessageToChildWindows(HWND window, const vcl::TMessage& message) {
  if (!window) return;
  TChildMessage data{window, &message};
  EnumChildWindows(window, SendToDirectChild, LPARAM(&data));
}

int32_t GetControlBgColor(vcl::TControl* control) {
  if (!control) return SkinKeyColor;
  if (control->Perform(SM_ALPHACMD, AlphaCmdParam(cmdIsSkinned), 0) == 1)
    return vcl::ColorToRGB(vcl::TColor(control->Perform(SM_ALPHACMD, AlphaCmdParam(cmdGetBgColor), SkinKeyColor)));
  return vcl::ColorToRGB(control->Color());
}

int32_t GetWindowBgColor(HWND window) {
  if (!window) return SkinKeyColor;
  if (WndAnswersAlphaCmd(window, cmdIsSkinned))
    return vcl::ColorToRGB(vcl::TColor(SendAlphaCmdWnd(window, cmdGetBgColor, SkinKeyColor)));
  // An unskinned window answers nothing; black would be a guess. Its class brush tells what
  // it erases with.
  auto brush = HBRUSH(GetClassLongPtrA(window, GCLP_HBRBACKGROUND));
  uintptr_t value = uintptr_t(brush);
  if (value > 0 && value <= COLOR_MENUBAR + 1) return int32_t(GetSysColor(int(value - 1)));
  LOGBRUSH logBrush{};
  if (brush && GetObjectA(brush, sizeof logBrush, &logBrush) == sizeof logBrush && logBrush.lbStyle == BS_SOLID)
    return int32_t(logBrush.lbColor);
  return int32_t(GetSysColor(COLOR_BTNFACE));
}

bool ControlReadyToPaint(vcl::TControl* control) {
  if (!control) return false;
  if (auto* win = dynamic_cast<vcl::TWinControl*>(control); win && !win->HandleAllocated()) return false;
  vcl::TControlState controlState = control->ControlState();
  if (controlState.Contains(vcl::csCreating) || controlState.Contains(vcl::csReadingState)) return false;
  vcl::TComponentState state = control->ComponentState();
  if (state.Contains(vcl::csLoading) || state.Contains(vcl::csDestroying)) return false;
  return control->Parent() != nullptr;
}

vcl::TCustomForm* GetOwnerForm(vcl::TComponent* component) {
  for (vcl::TComponent* c = component; c; c = c->Owner())
    if (auto* form = dynamic_cast<vcl::TCustomForm*>(c)) return form;
  return nullptr;
}

vcl::TCustomFrame* GetOwnerFrame(vcl::TComponent* component) {
  for (vcl::TComponent* c = component; c; c = c->Owner())
    if (auto* frame = dynamic_cast<vcl::TCustomFrame*>(c)) return frame;
  return nullptr;
}

int32_t AlignToDrawTextFlags(vcl::TControl* control, vcl::TAlignment alignment) {
  int32_t flags = alignment == vcl::taRightJustify ? DT_RIGHT : alignment == vcl::taCenter ? DT_CENTER : DT_LEFT;
  flags |= DT_EXPANDTABS | DT_VCENTER;
  return control ? control->DrawTextBiDiModeFlags(flags) : flags;
}

void GetClientRectInWindow(HWND window, vcl::TRect& rect) {
  rect = {};
  if (!GetClientRect(window, &rect)) return;
  RECT windowRect{};
  POINT origin{0, 0};
  GetWindowRect(window, &windowRect);
  ClientToScreen(window, &origin);
  OffsetRect(&rect, origin.x - windowRect.left, origin.y - windowRect.top);
}

int32_t SumAlignedControlsSize(vcl::TWinControl* container, vcl::TAlign align, bool includeGraphic) {
  if (!container) return 0;
  const bool vertical = align == vcl::alTop || align == vcl::alBottom;
  if (!vertical && align != vcl::alLeft && align != vcl::alRight) return 0;
  int32_t sum = 0;
  for (int i = 0; i < container->ControlCount(); ++i) {
    vcl::TControl* child = container->Controls(i);
    if (!child || !child->Visible() || child->Align() != align) continue;
    if (!includeGraphic && !dynamic_cast<vcl::TWinControl*>(child)) continue;
    sum += vertical ? child->Height() : child->Width();
  }
  return sum;
}

HWND GetTopParentWindow(HWND window) {
  HWND top = window;
  for (HWND parent = GetParent(top); parent; parent = GetParent(top)) top = parent;
  return top;
}

void GetMouseCursorPos(vcl::TPoint& point) {
  if (!GetCursorPos(&point)) point = {0, 0};
}

}  // namespace skin

namespace skin {

namespace {

struct TUxTheme {
  HMODULE library = LoadLibraryA("UXTHEME");
  ~TUxTheme() {
    if (library) FreeLibrary(library);
  }
} uxTheme;

bool EmptyClip(HDC dc) {
  RECT box{};
  return GetClipBox(dc, &box) == NULLREGION || box.right <= box.left || box.bottom <= box.top;
}

// What lies behind a child at `r` of the container: the answer's colour, or its image part.
void FillFromBackground(HDC dc, const vcl::TRect& r, const TsBackgroundRequest& answer) {
  if (answer.Kind == bkBitmap && answer.Bitmap) {
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, answer.Bitmap->Canvas()->Handle(),
           r.left + answer.OffsetX, r.top + answer.OffsetY, SRCCOPY);
  } else {
    PaintSolidRect(dc, r, vcl::TColor(answer.Color));
  }
}

bool Qualifies(HDC dc, vcl::TControl* child, bool designing) {
  if (dynamic_cast<vcl::TWinControl*>(child) || (!child->Visible() && !designing)) return false;
  if (child->Width() < 1 || child->Height() < 1 || child->ControlStyle().Contains(vcl::csNoDesignVisible)) return false;
  if (child->ComponentState().Contains(vcl::csDestroying)) return false;
  if (auto* button = dynamic_cast<vcl::TToolButton*>(child); button && button->Style() < vcl::tbsSeparator) return false;
  vcl::TRect r = child->BoundsRect();
  return RectVisible(dc, &r);
}

}  // namespace

HMODULE UxThemeLibrary = uxTheme.library;
TSetWindowThemeFunc SetWindowThemeFunc =
    vcl::GetProcAddressAs<TSetWindowThemeFunc>(uxTheme.library, "SetWindowTheme");

void PaintGraphicControlsToDC(HDC dc, vcl::TWinControl* container, vcl::TPoint offset) {
  if (!container || container->ControlCount() == 0) return;
  const bool designing = container->ComponentState().Contains(vcl::csDesigning);
  if (!container->Visible() && !designing) return;
  if (EmptyClip(dc)) {
    if (container->HandleAllocated()) SendAlphaCmdWnd(container->Handle(), cmdSetPartlyHidden, 0);
    return;
  }
  TsBackgroundRequest background;
  RequestCtrlBackground(background, container, false);
  HDC screen = GetDC(nullptr);
  HDC offscreen = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  std::vector<vcl::TControl*> children;
  for (int i = 0; i < container->ControlCount(); ++i) {
    vcl::TControl* child = container->Controls(i);
    if (!child || !Qualifies(dc, child, designing)) continue;
    if (!offscreen) {
      offscreen = CreateCompatibleDC(screen);
      bitmap = CreateCompatibleBitmap(screen, std::max(container->Width(), 1), std::max(container->Height(), 1));
      previous = SelectObject(offscreen, bitmap);
    }
    vcl::TRect r = child->BoundsRect();
    if (child->ControlStyle().Contains(vcl::csOpaque))
      PaintSolidRect(offscreen, r, vcl::TColor(GetControlBgColor(child)));
    else
      FillFromBackground(offscreen, r, background);
    children.push_back(child);
  }
  ReleaseDC(nullptr, screen);
  if (!offscreen) return;
  auto* form = dynamic_cast<vcl::TCustomForm*>(container);
  const bool mdiMain = form && form->FormStyle() == vcl::fsMDIForm;
  for (vcl::TControl* child : children) {
    if (mdiMain && child->Align() != vcl::alNone) child->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdUpdateImage), 0);
    int saved = SaveDC(offscreen);
    POINT origin{};
    GetViewportOrgEx(offscreen, &origin);
    SetViewportOrgEx(offscreen, origin.x + child->Left(), origin.y + child->Top(), nullptr);
    IntersectClipRect(offscreen, 0, 0, child->Width(), child->Height());
    if (container->ControlState().Contains(vcl::csPaintCopy)) {
      vcl::TControlStateScope copy(child, vcl::csPaintCopy);
      child->Perform(WM_PAINT, WPARAM(offscreen), 0);
    } else {
      child->Perform(WM_PAINT, WPARAM(offscreen), 0);
    }
    RestoreDC(offscreen, saved);
  }
  for (vcl::TControl* child : children) {
    vcl::TRect r = child->BoundsRect();
    // A child that left its key colour in its corner shows what lies behind it in the target.
    if (GetPixel(offscreen, r.left, r.top) == RGB(255, 0, 255)) continue;
    BitBlt(dc, r.left + offset.x, r.top + offset.y, r.right - r.left, r.bottom - r.top, offscreen, r.left, r.top,
           SRCCOPY);
  }
  SelectObject(offscreen, previous);
  DeleteObject(bitmap);
  DeleteDC(offscreen);
}

void PaintControlToBitmap(vcl::TBitmap* bitmap, vcl::TControl* control, int32_t x, IacProviderOwner* provider,
                          int32_t y) {
  if (!bitmap || !control) return;
  HDC dc = bitmap->Canvas()->Handle();
  if (!control->Visible()) {
    if (!provider && control->Parent()) {
      TsBackgroundRequest request;
      RequestCtrlBackground(request, control->Parent(), false);
      vcl::TRect area{x, y, x + control->Width(), y + control->Height()};
      if (request.Kind == bkBitmap && request.Bitmap)
        BitBlt(dc, area.left, area.top, control->Width(), control->Height(), request.Bitmap->Canvas()->Handle(),
               control->Left() + request.OffsetX, control->Top() + request.OffsetY, SRCCOPY);
      else
        PaintSolidRect(dc, area, vcl::TColor(request.Color));
    }
    return;
  }
  int saved = SaveDC(dc);
  // Layered border windows are not offered, so no provider has one: the control is clipped.
  IntersectClipRect(dc, 0, 0, control->Width(), control->Height());
  auto* win = dynamic_cast<vcl::TWinControl*>(control);
  if (!win) {
    control->Perform(WM_PRINT, WPARAM(dc), 0);
    RestoreDC(dc, saved);
    return;
  }
  int border = 0;
  if (auto* sheet = dynamic_cast<vcl::TTabSheet*>(control)) border = sheet->BorderWidth();
  POINT origin{};
  if (border) {
    GetViewportOrgEx(dc, &origin);
    SetViewportOrgEx(dc, origin.x + border, origin.y + border, nullptr);
  }
  if (win->HandleAllocated() && WndAnswersAlphaCmd(win->Handle(), cmdIsSkinned))
    SendMessageA(win->Handle(), WM_PRINT, WPARAM(dc), 0);
  else if (win->HandleAllocated())
    win->PaintTo(dc, 0, 0);
  for (int i = 0; i < win->ControlCount(); ++i) {
    auto* child = dynamic_cast<vcl::TWinControl*>(win->Controls(i));
    if (!child || !child->Visible()) continue;
    int childSaved = SaveDC(dc);
    auto* childForm = dynamic_cast<vcl::TCustomForm*>(child);
    if (!childForm || childForm->Parent()) {
      POINT childOrigin{};
      GetViewportOrgEx(dc, &childOrigin);
      SetViewportOrgEx(dc, childOrigin.x + child->Left(), childOrigin.y + child->Top(), nullptr);
    }
    PaintControlToBitmap(bitmap, child, 0, nullptr, 0);
    RestoreDC(dc, childSaved);
  }
  if (border) SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
  RestoreDC(dc, saved);
}

TOutputWindow::TOutputWindow(vcl::TComponent* owner) : vcl::TCustomControl(owner) {
  SetText("acOutputWindow");
  SetVisible(false);
  SetColor(vcl::TColor(0x800080));
}

TOutputWindow::~TOutputWindow() = default;

void TOutputWindow::CreateParams(vcl::TCreateParams& params) {
  inherited::CreateParams(params);
  if (Parent() || ParentWindow()) return;
  params.Style = WS_POPUP;
  auto* ownerWin = dynamic_cast<vcl::TWinControl*>(Owner());
  if (ownerWin && ownerWin->HandleAllocated() && (GetWindowLongA(ownerWin->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST))
    params.ExStyle |= WS_EX_TOPMOST;
  if (vcl::Application) params.WndParent = vcl::Application->Handle();
}

void TOutputWindow::WndProc(vcl::TMessage& message) {
  if (message.Msg == WM_ERASEBKGND) {
    message.Result = 1;
    return;
  }
  if (message.Msg == WM_NCPAINT) {
    message.Result = 0;
    return;
  }
  inherited::WndProc(message);
}

}  // namespace skin
