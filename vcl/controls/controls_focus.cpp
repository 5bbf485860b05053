// Focus and keyboard: taking the focus, tab order, key events with the form's key preview,
// and the special keys (Tab, arrows, Enter, Escape) offered to the form as dialog keys.
#include <algorithm>

#include "vcl/controls/controls.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/menus.h"

namespace vcl {

// ---- Focus ------------------------------------------------------------------------------------

void TWinControl::SetFocus() {
  if (TCustomForm* form = GetParentForm(this))
    form->FocusControl(this);
  else if (parentWindow_)
    ::SetFocus(Handle());
  else
    ValidParentForm(this);
}

bool TWinControl::CanFocus() {
  TCustomForm* form = GetParentForm(this);
  if (!form) return false;
  for (TWinControl* control = this; control != form; control = control->parent_)
    if (!control->Visible() || !control->Enabled()) return false;
  return true;
}

bool TWinControl::Focused() { return handle_ && GetFocus() == handle_; }

void TWinControl::RemoveFocus(bool removing) {
  TCustomForm* form = GetParentForm(this);
  if (form && !form->ComponentState().Contains(csDestroying)) form->DefocusControl(this, removing);
}

void TWinControl::WMSetFocus(TWMSetFocus& message) { DefaultHandler(message); }
void TWinControl::WMKillFocus(TWMKillFocus& message) { DefaultHandler(message); }

void TWinControl::CMEnter(TMessage&) { DoEnter(); }
void TWinControl::CMExit(TMessage&) { DoExit(); }

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::CMFocusChanged(TCMFocusChanged& message) { Broadcast(message); }

// ---- Tab order --------------------------------------------------------------------------------

int TWinControl::TabOrder() const {
  if (!parent_) return tabOrder_;
  auto it = std::find(parent_->tabList_.begin(), parent_->tabList_.end(), this);
  return it == parent_->tabList_.end() ? -1 : static_cast<int>(it - parent_->tabList_.begin());
}

void TWinControl::SetTabOrder(int value) {
  // While form data is read the order waits until all siblings are there.
  if (controlState_.Contains(csReadingState) || ComponentState().Contains(csReading) || !parent_) {
    tabOrder_ = value;
    return;
  }
  std::vector<TWinControl*>& list = parent_->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  int count = static_cast<int>(list.size());
  value = std::clamp(value, 0, count - 1);
  list.erase(it);
  list.insert(list.begin() + value, this);
}

void TWinControl::FixupTabList() {
  size_t count = winControls_.size();
  std::vector<TWinControl*> ordered(count, nullptr);
  for (TWinControl* child : winControls_)
    if (child->tabOrder_ >= 0 && static_cast<size_t>(child->tabOrder_) < count) ordered[static_cast<size_t>(child->tabOrder_)] = child;
  for (size_t i = 0; i < count; ++i)
    if (ordered[i]) {
      ordered[i]->tabOrder_ = -1;
      ordered[i]->SetTabOrder(static_cast<int>(i));
    }
}

void TWinControl::SetTabStop(bool value) {
  if (tabStop_ == value) return;
  tabStop_ = value;
  if (handle_) {
    LONG_PTR style = GetWindowLongPtrA(handle_, GWL_STYLE);
    SetWindowLongPtrA(handle_, GWL_STYLE, value ? (style | WS_TABSTOP) : (style & ~LONG_PTR(WS_TABSTOP)));
  }
  Perform(CM_TABSTOPCHANGED, 0, 0);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) {
  for (TWinControl* control : tabList_) {
    list.push_back(control);
    control->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  int count = static_cast<int>(list.size());
  int start = -1;
  for (int i = 0; i < count; ++i)
    if (list[static_cast<size_t>(i)] == current) start = i;
  if (start < 0) start = goForward ? count - 1 : 0;
  int i = start;
  do {
    if (goForward) {
      if (++i == count) i = 0;
    } else {
      if (i == 0) i = count;
      --i;
    }
    TWinControl* candidate = list[static_cast<size_t>(i)];
    if (candidate != current && candidate->CanFocus() && (!checkTabStop || candidate->TabStop()) &&
        (!checkParent || candidate->parent_ == this))
      return candidate;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
  TWinControl* next = FindNextControl(current, goForward, checkTabStop, !checkTabStop);
  if (next) next->SetFocus();
}

// ---- Keys -------------------------------------------------------------------------------------

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

// The form sees a key first when it previews keys; a key set to 0 goes no further.
bool TWinControl::DoKeyDown(TWMKey& message) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != static_cast<TControl*>(this) && form->KeyPreview() &&
      static_cast<TWinControl*>(form)->DoKeyDown(message))
    return true;
  if (!controlStyle_.Contains(csNoStdEvents)) {
    WORD key = message.CharCode();
    KeyDown(key, KeyDataToShiftState(message.KeyData()));
    message.SetCharCode(key);
    if (key == 0) return true;
  }
  return false;
}

bool TWinControl::DoKeyUp(TWMKey& message) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != static_cast<TControl*>(this) && form->KeyPreview() &&
      static_cast<TWinControl*>(form)->DoKeyUp(message))
    return true;
  if (!controlStyle_.Contains(csNoStdEvents)) {
    WORD key = message.CharCode();
    KeyUp(key, KeyDataToShiftState(message.KeyData()));
    message.SetCharCode(key);
    if (key == 0) return true;
  }
  return false;
}

bool TWinControl::DoKeyPress(TWMKey& message) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != static_cast<TControl*>(this) && form->KeyPreview() &&
      static_cast<TWinControl*>(form)->DoKeyPress(message))
    return true;
  if (!controlStyle_.Contains(csNoStdEvents)) {
    char ch = static_cast<char>(message.CharCode());
    KeyPress(ch);
    message.SetCharCode(static_cast<unsigned char>(ch));
    if (ch == 0) return true;
  }
  return false;
}

void TWinControl::WMKeyDown(TWMKey& message) {
  if (!DoKeyDown(message)) DefaultHandler(message);
}

void TWinControl::WMKeyUp(TWMKey& message) {
  if (!DoKeyUp(message)) DefaultHandler(message);
}

void TWinControl::WMChar(TWMKey& message) {
  if (!DoKeyPress(message)) DefaultHandler(message);
}

void TWinControl::WMSysKeyDown(TWMKey& message) {
  if (!DoKeyDown(message)) DefaultHandler(message);
}

void TWinControl::WMSysKeyUp(TWMKey& message) {
  if (!DoKeyUp(message)) DefaultHandler(message);
}

void TWinControl::WMSysChar(TWMKey& message) { DefaultHandler(message); }

// Menu shortcuts come before everything else the key may mean: those of the popup menus of
// the control and its parents (the nearest first), then those of the form's main menu.
bool TWinControl::IsMenuKey(TWMKey& message) {
  if (ComponentState().Contains(csDesigning)) return false;
  for (TControl* control = this; control; control = control->Parent())
    if (TPopupMenu* popup = control->PopupMenu(); popup && popup->IsShortCut(message)) return true;
  TCustomForm* form = GetParentForm(this);
  return form && form->IsShortCut(message);
}

// The application loop sends key messages first as CN_* to the control of this library that
// has the focus; a Result of 1 means the key was taken and the message is not dispatched.
void TWinControl::CNKeyDown(TWMKey& message) {
  message.Result = 1;
  if (IsMenuKey(message)) return;
  if (!ComponentState().Contains(csDesigning)) {
    if (Perform(CM_CHILDKEY, message.CharCode(), reinterpret_cast<LPARAM>(this)) != 0) return;
    UINT mask = 0;
    switch (message.CharCode()) {
      case VK_TAB: mask = DLGC_WANTTAB; break;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN: mask = DLGC_WANTARROWS; break;
      case VK_RETURN:
      case VK_EXECUTE:
      case VK_ESCAPE:
      case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
    }
    if (mask && Perform(CM_WANTSPECIALKEY, message.CharCode(), 0) == 0 &&
        (Perform(WM_GETDLGCODE, 0, 0) & mask) == 0) {
      TCustomForm* form = GetParentForm(this);
      if (form && form->Perform(CM_DIALOGKEY, message.CharCode(), message.KeyData()) != 0) return;
    }
  }
  message.Result = 0;
}

void TWinControl::CNKeyUp(TWMKey& message) { message.Result = 0; }

void TWinControl::CNChar(TWMKey& message) {
  if (ComponentState().Contains(csDesigning)) return;
  message.Result = 1;
  if ((Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) == 0) {
    TCustomForm* form = GetParentForm(this);
    if (form && form->Perform(CM_DIALOGCHAR, message.CharCode(), message.KeyData()) != 0) return;
  }
  message.Result = 0;
}

void TWinControl::CNSysKeyDown(TWMKey& message) {
  message.Result = 1;
  if (IsMenuKey(message)) return;
  if (!ComponentState().Contains(csDesigning)) {
    if (Perform(CM_CHILDKEY, message.CharCode(), reinterpret_cast<LPARAM>(this)) != 0) return;
    TCustomForm* form = GetParentForm(this);
    if (form && form->Perform(CM_DIALOGKEY, message.CharCode(), message.KeyData()) != 0) return;
  }
  message.Result = 0;
}

void TWinControl::CNSysChar(TWMKey& message) {
  if (ComponentState().Contains(csDesigning) || message.CharCode() == VK_SPACE) return;
  if (TCustomForm* form = GetParentForm(this))
    message.Result = form->Perform(CM_DIALOGCHAR, message.CharCode(), message.KeyData());
}

void TWinControl::CMDialogKey(TCMDialogKey& message) { Broadcast(message); }
void TWinControl::CMDialogChar(TCMDialogChar& message) { Broadcast(message); }

void TWinControl::CMChildKey(TCMChildKey& message) {
  // Containers up the chain may take a child's key first.
  if (parent_) message.Result = parent_->Perform(CM_CHILDKEY, message.WParam, message.LParam);
}

}  // namespace vcl
