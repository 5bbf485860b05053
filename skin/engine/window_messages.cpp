#include "skin/engine/window_messages.h"

#include "vcl/classes/component.h"
#include "vcl/controls/forms.h"
#include "vcl/graphics/colours.h"

namespace skin {

namespace {

WPARAM Command(uint16_t command) { return MAKEWPARAM(0, command); }

bool Destroying(const vcl::TComponent* component) {
  return component->ComponentState().Contains(vcl::csDestroying);
}

}  // namespace

LRESULT SendAlphaCmdWnd(HWND window, uint16_t command, LPARAM lParam) {
  return window ? SendMessageA(window, SM_ALPHACMD, Command(command), lParam) : 0;
}

LRESULT SendAlphaCmdCtrl(vcl::TControl* control, uint16_t command, LPARAM lParam) {
  if (!control) return 0;
  if (auto* win = dynamic_cast<vcl::TWinControl*>(control)) {
    if (Destroying(win) || !win->HandleAllocated()) return 0;
    return SendMessageA(win->Handle(), SM_ALPHACMD, Command(command), lParam);
  }
  return control->Perform(SM_ALPHACMD, Command(command), lParam);
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
    SendMessageA(form->Handle(), SM_ALPHACMD, Command(cmdControlLoaded), LPARAM(control));
}

void SendRepaintToChildren(vcl::TWinControl* container) {
  if (!container || AnimationInProgress) return;
  for (int i = 0; i < container->ControlCount(); ++i) {
    auto* child = dynamic_cast<vcl::TWinControl*>(container->Controls(i));
    if (!child || Destroying(child)) continue;
    if (child->HandleAllocated()) {
      if (child->Showing()) SendMessageA(child->Handle(), SM_ALPHACMD, Command(cmdRepaint), 0);
    } else {
      child->Perform(SM_ALPHACMD, Command(cmdRepaint), 0);
    }
  }
}

void SendRepaintToChildWindows(HWND window) {
  for (HWND child = GetTopWindow(window); child; child = GetWindow(child, GW_HWNDNEXT))
    if (GetWindowLongA(child, GWL_STYLE) & WS_CHILD) SendMessageA(child, SM_ALPHACMD, Command(cmdRepaint), 0);
}

void PassMessageToChildControls(vcl::TWinControl* container, vcl::TMessage& message) {
  if (!container) return;
  // The count is read again before every child: a handler may add or remove children.
  for (int i = 0; i < container->ControlCount(); ++i) {
    vcl::TControl* child = container->Controls(i);
    if (!child || Destroying(child)) continue;
    auto* win = dynamic_cast<vcl::TWinControl*>(child);
    if (!win || !win->HandleAllocated()) {
      child->Perform(message.Msg, message.WParam, message.LParam);
    } else if (uint8_t(SendMessageA(win->Handle(), SM_ALPHACMD, Command(cmdIsSkinned), 0)) != 0) {
      SendMessageA(win->Handle(), message.Msg, message.WParam, message.LParam);
    } else {
      PassMessageToChildControls(win, message);
    }
  }
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
  if (control->Perform(SM_ALPHACMD, Command(cmdIsSkinned), 0) == 1)
    return vcl::ColorToRGB(vcl::TColor(control->Perform(SM_ALPHACMD, Command(cmdGetBgColor), SkinKeyColor)));
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
