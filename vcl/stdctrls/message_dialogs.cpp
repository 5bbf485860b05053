// The message dialog and the text-input dialog: small "#32770" dialogs built from an in-memory
// template, so that the dialog manager gives them the platform's keyboard handling (Enter for
// the default button, Escape for the cancel button, Tab between the buttons).
#include <algorithm>
#include <cstring>
#include <vector>

#include "vcl/stdctrls/dialog_template.h"
#include "vcl/stdctrls/dialogs.h"
#include "vcl/runtime/sysutils.h"

namespace vcl {

namespace {

// Control identifiers that are not modal results.
constexpr WORD kIconId = 100;
constexpr WORD kTextId = 101;
constexpr WORD kEditId = 102;
constexpr WORD kHelpButtonId = 12;

constexpr DWORD kDialogStyle = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;

// Distances of the message dialog, in dialog units.
constexpr int kHorzMargin = 8;
constexpr int kVertMargin = 8;
constexpr int kHorzSpacing = 10;
constexpr int kVertSpacing = 10;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr int kButtonSpacing = 4;

const TMsgDlgBtn kAllButtons[] = {mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry,
                                  mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp};

WORD ButtonId(TMsgDlgBtn button) {
  TModalResult result = MsgDlgButtonResult(button);
  return result == mrNone ? kHelpButtonId : static_cast<WORD>(result);
}

struct TMessageDialog {
  std::string text;
  TMsgDlgType type = mtCustom;
  std::vector<TMsgDlgBtn> buttons;
  TModalResult cancelResult = mrCancel;
  int x = -1, y = -1;
};

// Dialog units to pixels of this dialog's font.
int HorzUnits(HWND dlg, int units) {
  RECT r{0, 0, units, 0};
  MapDialogRect(dlg, &r);
  return r.right;
}
int VertUnits(HWND dlg, int units) {
  RECT r{0, 0, 0, units};
  MapDialogRect(dlg, &r);
  return r.bottom;
}

LPCSTR IconOf(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return IDI_EXCLAMATION;
    case mtError: return IDI_HAND;
    case mtInformation: return IDI_ASTERISK;
    case mtConfirmation: return IDI_QUESTION;
    default: return nullptr;
  }
}

// Sizes the dialog to its text and buttons once the dialog manager made its windows.
void LayOutMessageDialog(HWND dlg, const TMessageDialog& data) {
  const int horzMargin = HorzUnits(dlg, kHorzMargin);
  const int vertMargin = VertUnits(dlg, kVertMargin);
  const int horzSpacing = HorzUnits(dlg, kHorzSpacing);
  const int vertSpacing = VertUnits(dlg, kVertSpacing);
  const int buttonWidth = HorzUnits(dlg, kButtonWidth);
  const int buttonHeight = VertUnits(dlg, kButtonHeight);
  const int buttonSpacing = HorzUnits(dlg, kButtonSpacing);

  // The text wraps at half the screen's width.
  RECT textRect{0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0};
  HDC dc = GetDC(dlg);
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(dlg, WM_GETFONT, 0, 0)));
  DrawTextA(dc, data.text.c_str(), -1, &textRect, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  ReleaseDC(dlg, dc);

  const bool hasIcon = IconOf(data.type) != nullptr;
  const int iconSize = hasIcon ? GetSystemMetrics(SM_CXICON) : 0;
  const int textLeft = horzMargin + (hasIcon ? iconSize + horzSpacing : 0);
  const int textWidth = textRect.right - textRect.left;
  const int textHeight = textRect.bottom - textRect.top;
  const int buttonCount = static_cast<int>(data.buttons.size());
  const int buttonsWidth = buttonCount * buttonWidth + (buttonCount - 1) * buttonSpacing;

  const int clientWidth = std::max(textLeft + textWidth + horzMargin, buttonsWidth + 2 * horzMargin);
  const int buttonTop = vertMargin + std::max(iconSize, textHeight) + vertSpacing;
  const int clientHeight = buttonTop + buttonHeight + vertMargin;

  if (hasIcon) {
    HWND icon = GetDlgItem(dlg, kIconId);
    SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, IconOf(data.type))), 0);
    SetWindowPos(icon, nullptr, horzMargin, vertMargin, iconSize, iconSize, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetWindowPos(GetDlgItem(dlg, kTextId), nullptr, textLeft, vertMargin, textWidth, textHeight,
               SWP_NOZORDER | SWP_NOACTIVATE);
  int left = (clientWidth - buttonsWidth) / 2;
  for (TMsgDlgBtn button : data.buttons) {
    SetWindowPos(GetDlgItem(dlg, ButtonId(button)), nullptr, left, buttonTop, buttonWidth, buttonHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    left += buttonWidth + buttonSpacing;
  }

  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(dlg, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongA(dlg, GWL_EXSTYLE)));
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  int x = data.x;
  int y = data.y;
  if (x < 0 || y < 0) {
    x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  }
  SetWindowPos(dlg, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK MessageDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    switch (msg) {
      case WM_INITDIALOG: {
        auto* data = reinterpret_cast<TMessageDialog*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        LayOutMessageDialog(dlg, *data);
        return TRUE;  // the dialog manager focuses the default button
      }
      case WM_COMMAND: {
        auto* data = reinterpret_cast<TMessageDialog*>(GetWindowLongPtrA(dlg, DWLP_USER));
        WORD id = LOWORD(wParam);
        if (HIWORD(wParam) != BN_CLICKED || data == nullptr) return FALSE;
        // Escape arrives as IDCANCEL from no window when there is no "Cancel" button.
        if (id == IDCANCEL && lParam == 0) {
          EndDialog(dlg, data->cancelResult);
          return TRUE;
        }
        for (TMsgDlgBtn button : data->buttons)
          if (ButtonId(button) == id && id != kHelpButtonId) {
            EndDialog(dlg, id);
            return TRUE;
          }
        return FALSE;
      }
      case WM_CLOSE:
        EndDialog(dlg, mrCancel);
        return TRUE;
      default:
        return FALSE;
    }
  } catch (...) {
    // Nothing here raises in practice; a failure must still not unwind into the dialog manager.
    EndDialog(dlg, mrCancel);
    return TRUE;
  }
}

int RunMessageDialog(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int x, int y,
                     const TMsgDlgBtn* defaultButton) {
  // A dialog without buttons could only be closed from its frame: it gets "OK".
  if ((buttons - TMsgDlgButtons{mbHelp}).Empty()) buttons.Include(mbOK);

  TMessageDialog data;
  data.text = msg;
  data.type = dlgType;
  data.x = x;
  data.y = y;
  for (TMsgDlgBtn button : kAllButtons)
    if (buttons.Contains(button)) data.buttons.push_back(button);

  TMsgDlgBtn defaultBtn = buttons.Contains(mbOK) ? mbOK : buttons.Contains(mbYes) ? mbYes : mbRetry;
  if (defaultButton && buttons.Contains(*defaultButton)) defaultBtn = *defaultButton;
  TMsgDlgBtn cancelBtn = buttons.Contains(mbCancel) ? mbCancel : buttons.Contains(mbNo) ? mbNo : mbOK;
  data.cancelResult = buttons.Contains(cancelBtn) ? MsgDlgButtonResult(cancelBtn) : mrCancel;

  TDialogTemplate dialog(kDialogStyle, MsgDlgCaption(dlgType), 100, 50);
  if (IconOf(dlgType)) dialog.AddItem(TDialogTemplate::StaticClass, kIconId, SS_ICON, "", 0, 0, 0, 0);
  dialog.AddItem(TDialogTemplate::StaticClass, kTextId, SS_LEFT | SS_NOPREFIX, msg, 0, 0, 0, 0);
  bool first = true;
  for (TMsgDlgBtn button : data.buttons) {
    DWORD style = WS_TABSTOP | (button == defaultBtn ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | (first ? WS_GROUP : 0);
    first = false;
    dialog.AddItem(TDialogTemplate::ButtonClass, ButtonId(button), style, MsgDlgButtonCaption(button), 0, 0, 0, 0);
  }
  // The default button first in tab order gets the focus from WM_INITDIALOG.
  return static_cast<int>(dialog.Run(GetActiveWindow(), MessageDialogProc, reinterpret_cast<LPARAM>(&data)));
}

struct TInputQuery {
  std::string* value;
};

INT_PTR CALLBACK InputDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    switch (msg) {
      case WM_INITDIALOG: {
        auto* data = reinterpret_cast<TInputQuery*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        HWND edit = GetDlgItem(dlg, kEditId);
        SendMessageA(edit, EM_LIMITTEXT, 255, 0);
        SetWindowTextA(edit, data->value->c_str());
        SendMessageA(edit, EM_SETSEL, 0, -1);
        SetFocus(edit);
        return FALSE;  // the focus is set
      }
      case WM_COMMAND: {
        auto* data = reinterpret_cast<TInputQuery*>(GetWindowLongPtrA(dlg, DWLP_USER));
        if (data == nullptr || HIWORD(wParam) != BN_CLICKED) return FALSE;
        if (LOWORD(wParam) == IDOK) {
          HWND edit = GetDlgItem(dlg, kEditId);
          int length = GetWindowTextLengthA(edit);
          std::string text(static_cast<std::size_t>(length) + 1, '\0');
          GetWindowTextA(edit, text.data(), length + 1);
          text.resize(std::strlen(text.c_str()));
          *data->value = text;
          EndDialog(dlg, mrOk);
          return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
          EndDialog(dlg, mrCancel);
          return TRUE;
        }
        return FALSE;
      }
      default:
        return FALSE;
    }
  } catch (...) {
    EndDialog(dlg, mrCancel);
    return TRUE;
  }
}

}  // namespace

std::string MsgDlgCaption(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return "Warning";
    case mtError: return "Error";
    case mtInformation: return "Information";
    case mtConfirmation: return "Confirm";
    default: return ApplicationTitle();
  }
}

std::string MsgDlgButtonCaption(TMsgDlgBtn button) {
  switch (button) {
    case mbYes: return "&Yes";
    case mbNo: return "&No";
    case mbOK: return "OK";
    case mbCancel: return "Cancel";
    case mbAbort: return "&Abort";
    case mbRetry: return "&Retry";
    case mbIgnore: return "&Ignore";
    case mbAll: return "&All";
    case mbNoToAll: return "N&o to All";
    case mbYesToAll: return "Yes to &All";
    case mbHelp: return "&Help";
  }
  return {};
}

TModalResult MsgDlgButtonResult(TMsgDlgBtn button) {
  switch (button) {
    case mbYes: return mrYes;
    case mbNo: return mrNo;
    case mbOK: return mrOk;
    case mbCancel: return mrCancel;
    case mbAbort: return mrAbort;
    case mbRetry: return mrRetry;
    case mbIgnore: return mrIgnore;
    case mbAll: return mrAll;
    case mbNoToAll: return mrNoToAll;
    case mbYesToAll: return mrYesToAll;
    case mbHelp: return mrNone;
  }
  return mrNone;
}

std::string ApplicationTitle() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name = path;
  std::size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

int MessageDlg(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpCtx) {
  (void)helpCtx;
  return RunMessageDialog(msg, dlgType, buttons, -1, -1, nullptr);
}

int MessageDlg(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpCtx,
               TMsgDlgBtn defaultButton) {
  (void)helpCtx;
  return RunMessageDialog(msg, dlgType, buttons, -1, -1, &defaultButton);
}

int MessageDlgPos(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpCtx, int x,
                  int y) {
  (void)helpCtx;
  return RunMessageDialog(msg, dlgType, buttons, x, y, nullptr);
}

void ShowMessage(const std::string& msg) { MessageDlg(msg, mtCustom, {mbOK}, 0); }

void ShowMessagePos(const std::string& msg, int x, int y) { MessageDlgPos(msg, mtCustom, {mbOK}, 0, x, y); }

bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  std::string text = value;
  TInputQuery data{&text};
  TDialogTemplate dialog(kDialogStyle | DS_CENTER, caption, 180, 63);
  dialog.AddItem(TDialogTemplate::StaticClass, kTextId, SS_LEFT, prompt, 8, 8, 164, 10);
  dialog.AddItem(TDialogTemplate::EditClass, kEditId, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_GROUP, "", 8, 19,
                 164, 12);
  dialog.AddItem(TDialogTemplate::ButtonClass, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, "OK", 38, 41, 50, 14);
  dialog.AddItem(TDialogTemplate::ButtonClass, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, "Cancel", 92, 41, 50, 14);
  if (dialog.Run(GetActiveWindow(), InputDialogProc, reinterpret_cast<LPARAM>(&data)) != mrOk) return false;
  value = text;
  return true;
}

std::string InputBox(const std::string& caption, const std::string& prompt, const std::string& defaultValue) {
  std::string value = defaultValue;
  InputQuery(caption, prompt, value);
  return value;
}

}  // namespace vcl
