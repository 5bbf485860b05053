// Push buttons, check boxes and radio buttons over the platform's BUTTON window.
#include <cctype>

#include "vcl/controls/forms.h"
#include "vcl/stdctrls/stdctrls.h"

namespace vcl {

bool IsAccel(WORD charCode, const std::string& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {  // "&&" is a plain ampersand
      ++i;
      continue;
    }
    return std::toupper(static_cast<unsigned char>(caption[i + 1])) == std::toupper(charCode & 0xFF);
  }
  return false;
}

// ---- TButtonControl --------------------------------------------------------------------------

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) {}

void TButtonControl::SetWordWrap(bool value) {
  if (wordWrap_ == value) return;
  wordWrap_ = value;
  RecreateWnd();
}

void TButtonControl::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, "BUTTON");
  if (wordWrap_) params.Style |= BS_MULTILINE;
}

void TButtonControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      // A press that only takes the focus must not click (a radio button would check).
      if (!ComponentState().Contains(csDesigning) && HandleAllocated() && !Focused()) {
        clicksDisabled_ = true;
        ::SetFocus(Handle());
        clicksDisabled_ = false;
        if (!Focused()) return;
      }
      break;
    case CN_COMMAND:
      if (clicksDisabled_) return;
      break;
    default:
      break;
  }
  TWinControl::WndProc(message);
}

// ---- TButton ---------------------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
  SetControlStyle(TControlStyle{csSetCaption});
  SetBounds(0, 0, 75, 25);
  SetTabStop(true);
}

void TButton::CreateParams(TCreateParams& params) {
  TButtonControl::CreateParams(params);
  params.Style |= active_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::CreateWnd() {
  TButtonControl::CreateWnd();
  active_ = default_;
}

void TButton::SetDefault(bool value) {
  if (default_ == value) return;
  default_ = value;
  if (!HandleAllocated()) return;
  // The form works out again which button Enter presses.
  if (TCustomForm* form = GetParentForm(this))
    form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(form->ActiveControl()));
  else
    SetButtonStyle(value);
}

void TButton::SetButtonStyle(bool isDefault) {
  if (!HandleAllocated()) return;
  DWORD style = isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  if ((static_cast<DWORD>(GetWindowLongA(Handle(), GWL_STYLE)) & 0x0F) != style)
    SendMessageA(Handle(), BM_SETSTYLE, style, 1);
}

void TButton::Click() {
  if (modalResult_ != mrNone)
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
  TButtonControl::Click();
}

void TButton::Dispatch(TMessage& message) {
  if (message.Msg == CN_COMMAND) {
    auto rec = MessageAs<TWMCommand>(message);
    CNCommand(rec);
    message = rec;
    return;
  }
  TButtonControl::Dispatch(message);
}

void TButton::CNCommand(TWMCommand& message) {
  if (message.NotifyCode() == BN_CLICKED) Click();
}

void TButton::CMDialogKey(TCMDialogKey& message) {
  WORD key = message.CharCode();
  bool alt = (message.KeyData() & 0x20000000) != 0;
  if (((key == VK_RETURN && active_) || (key == VK_ESCAPE && cancel_)) && !alt && CanFocus()) {
    Click();
    message.Result = 1;
    return;
  }
  TButtonControl::CMDialogKey(message);
}

void TButton::CMDialogChar(TCMDialogChar& message) {
  if (IsAccel(message.CharCode(), Caption()) && CanFocus()) {
    Click();
    message.Result = 1;
    return;
  }
  TButtonControl::CMDialogChar(message);
}

void TButton::CMFocusChanged(TCMFocusChanged& message) {
  TControl* focused = message.Sender();
  // A focused button takes Enter itself; otherwise the default button has it.
  if (focused && focused->Is<TButton>())
    active_ = focused == this;
  else
    active_ = default_;
  SetButtonStyle(active_);
  TButtonControl::CMFocusChanged(message);
}

// ---- TCustomCheckBox -------------------------------------------------------------------------

TCustomCheckBox::TCustomCheckBox(TComponent* owner) : TButtonControl(owner) {
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
  SetBounds(0, 0, 97, 17);
  SetTabStop(true);
}

void TCustomCheckBox::CreateParams(TCreateParams& params) {
  TButtonControl::CreateParams(params);
  params.Style |= BS_3STATE;
  if (alignment_ == taLeftJustify) params.Style |= BS_LEFTTEXT;
}

void TCustomCheckBox::CreateWnd() {
  TButtonControl::CreateWnd();
  SendMessageA(Handle(), BM_SETCHECK, static_cast<WPARAM>(state_), 0);
}

void TCustomCheckBox::SetAlignment(TLeftRight value) {
  if (alignment_ == value) return;
  alignment_ = value;
  RecreateWnd();
}

void TCustomCheckBox::SetState(TCheckBoxState value) {
  if (state_ == value) return;
  state_ = value;
  if (HandleAllocated()) SendMessageA(Handle(), BM_SETCHECK, static_cast<WPARAM>(state_), 0);
  if (!ClicksDisabled()) Click();
}

void TCustomCheckBox::SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }

TAlignment TCustomCheckBox::GetControlsAlignment() {
  if (!UseRightToLeftAlignment()) return taRightJustify;
  return alignment_ == taRightJustify ? taLeftJustify : taRightJustify;
}

void TCustomCheckBox::Toggle() {
  switch (state_) {
    case cbUnchecked: SetState(allowGrayed_ ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
  }
}

void TCustomCheckBox::Dispatch(TMessage& message) {
  if (message.Msg == CN_COMMAND) {
    if (HIWORD(message.WParam) == BN_CLICKED) Toggle();
    return;
  }
  TButtonControl::Dispatch(message);
}

// ---- TRadioButton ----------------------------------------------------------------------------

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner) {
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
  SetBounds(0, 0, 113, 17);
}

void TRadioButton::CreateParams(TCreateParams& params) {
  TButtonControl::CreateParams(params);
  params.Style |= BS_RADIOBUTTON;
  if (alignment_ == taLeftJustify) params.Style |= BS_LEFTTEXT;
}

void TRadioButton::CreateWnd() {
  TButtonControl::CreateWnd();
  SendMessageA(Handle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetAlignment(TLeftRight value) {
  if (alignment_ == value) return;
  alignment_ = value;
  RecreateWnd();
}

TAlignment TRadioButton::GetControlsAlignment() {
  if (!UseRightToLeftAlignment()) return taRightJustify;
  return alignment_ == taRightJustify ? taLeftJustify : taRightJustify;
}

void TRadioButton::SetChecked(bool value) {
  if (checked_ == value) return;
  checked_ = value;
  SetTabStop(value);
  if (HandleAllocated()) SendMessageA(Handle(), BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
  if (!value) return;
  // One radio button per parent is checked.
  if (TWinControl* parent = Parent())
    for (int i = 0; i < parent->ControlCount(); ++i) {
      auto* sibling = dynamic_cast<TRadioButton*>(parent->Controls(i));
      if (sibling && sibling != this) sibling->SetChecked(false);
    }
  if (!ClicksDisabled()) Click();
}

void TRadioButton::Dispatch(TMessage& message) {
  if (message.Msg == CN_COMMAND) {
    switch (HIWORD(message.WParam)) {
      case BN_CLICKED: SetChecked(true); break;
      case BN_DOUBLECLICKED: DblClick(); break;
      default: break;
    }
    return;
  }
  TButtonControl::Dispatch(message);
}

void TRadioButton::CMDialogChar(TCMDialogChar& message) {
  if (IsAccel(message.CharCode(), Caption()) && CanFocus()) {
    SetFocus();
    if (Focused()) SetChecked(true);
    message.Result = 1;
    return;
  }
  TButtonControl::CMDialogChar(message);
}

}  // namespace vcl
