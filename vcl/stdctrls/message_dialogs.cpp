// The message dialog (a TMessageForm laid out as the platform lays it out) and the text-input
// dialog (a small "#32770" dialog built from an in-memory template, so that the dialog manager
// gives it the platform's keyboard handling).
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "vcl/controls/application.h"
#include "vcl/controls/screen.h"
#include "vcl/stdctrls/dialog_template.h"
#include "vcl/stdctrls/dialogs.h"
#include "vcl/stdctrls/extctrls.h"
#include "vcl/stdctrls/stdctrls.h"
#include "vcl/runtime/sysutils.h"

namespace vcl {

namespace {

// Control identifiers of the input dialog.
constexpr WORD kTextId = 101;
constexpr WORD kEditId = 102;

constexpr DWORD kDialogStyle = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;

// Distances of the message dialog, in dialog units of its font.
constexpr int kHorzMargin = 8;
constexpr int kVertMargin = 8;
constexpr int kHorzSpacing = 10;
constexpr int kVertSpacing = 10;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr int kButtonSpacing = 4;
constexpr int kIconSize = 32;

const TMsgDlgBtn kAllButtons[] = {mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry,
                                  mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp};

const char* ButtonName(TMsgDlgBtn button) {
  switch (button) {
    case mbYes: return "Yes";
    case mbNo: return "No";
    case mbOK: return "OK";
    case mbCancel: return "Cancel";
    case mbAbort: return "Abort";
    case mbRetry: return "Retry";
    case mbIgnore: return "Ignore";
    case mbAll: return "All";
    case mbNoToAll: return "NoToAll";
    case mbYesToAll: return "YesToAll";
    case mbHelp: return "Help";
  }
  return "";
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

// Measures texts in the dialog's font on a screen DC: the form has no window yet.
class TFontMeasure {
 public:
  explicit TFontMeasure(TFont* font) : dc_(GetDC(nullptr)), old_(SelectObject(dc_, font->Handle())) {}
  ~TFontMeasure() {
    SelectObject(dc_, old_);
    ReleaseDC(nullptr, dc_);
  }
  TFontMeasure(const TFontMeasure&) = delete;
  TFontMeasure& operator=(const TFontMeasure&) = delete;

  // The average character: its width over the 52 letters, and the line height.
  TPoint AverageChar() const {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size{};
    GetTextExtentPoint32A(dc_, letters, 52, &size);
    return TPoint{size.cx / 52, size.cy};
  }
  // The rectangle (at 0, 0) a text needs, wrapped at `wrapWidth` when that is not 0.
  RECT TextRect(const std::string& text, int wrapWidth, UINT flags) const {
    RECT r{0, 0, wrapWidth, 0};
    DrawTextA(dc_, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_NOPREFIX | flags);
    return r;
  }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

TMessageForm* BuildMessageDialog(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons,
                                 const TMsgDlgBtn* defaultButton) {
  // A dialog without buttons could only be closed from its frame: it gets "OK".
  if ((buttons - TMsgDlgButtons{mbHelp}).Empty()) buttons.Include(mbOK);

  auto* form = new TMessageForm(Application);
  try {
    form->SetBorderStyle(bsDialog);
    form->SetKeyPreview(true);
    form->Canvas()->SetFont(form->Font());

    TFontMeasure measure(form->Font());
    const TPoint units = measure.AverageChar();
    const int horzMargin = MulDiv(kHorzMargin, units.x, 4);
    const int vertMargin = MulDiv(kVertMargin, units.y, 8);
    const int horzSpacing = MulDiv(kHorzSpacing, units.x, 4);
    const int vertSpacing = MulDiv(kVertSpacing, units.y, 8);
    int buttonWidth = MulDiv(kButtonWidth, units.x, 4);
    for (TMsgDlgBtn button : kAllButtons) {
      if (!buttons.Contains(button)) continue;
      RECT caption = measure.TextRect(MsgDlgButtonCaption(button), 0, DT_LEFT | DT_SINGLELINE);
      buttonWidth = std::max<int>(buttonWidth, caption.right - caption.left + 8);
    }
    const int buttonHeight = MulDiv(kButtonHeight, units.y, 8);
    const int buttonSpacing = MulDiv(kButtonSpacing, units.x, 4);

    // The text wraps at half the screen's width.
    RECT text = measure.TextRect(msg, GetSystemMetrics(SM_CXSCREEN) / 2, DT_EXPANDTABS | DT_WORDBREAK);
    const LPCSTR icon = IconOf(dlgType);
    int iconTextWidth = text.right;
    int iconTextHeight = text.bottom;
    if (icon) {
      iconTextWidth += kIconSize + horzSpacing;
      iconTextHeight = std::max(iconTextHeight, kIconSize);
    }
    int buttonCount = 0;
    for (TMsgDlgBtn button : kAllButtons)
      if (buttons.Contains(button)) ++buttonCount;
    const int buttonGroupWidth = buttonWidth * buttonCount + buttonSpacing * (buttonCount - 1);
    form->SetClientWidth(std::max(iconTextWidth, buttonGroupWidth) + horzMargin * 2);
    form->SetClientHeight(iconTextHeight + buttonHeight + vertSpacing + vertMargin * 2);
    form->SetCaption(MsgDlgCaption(dlgType));

    if (icon) {
      auto* image = new TImage(form);
      image->SetName("Image");
      image->SetParent(form);
      image->Picture()->Icon()->SetHandle(LoadIconA(nullptr, icon));
      image->SetBounds(horzMargin, vertMargin, kIconSize, kIconSize);
    }
    auto* label = new TLabel(form);
    label->SetName("Message");
    label->SetParent(form);
    label->SetWordWrap(true);
    // The text shows as given: an "&" in a message is no accelerator.
    label->SetShowAccelChar(false);
    label->SetCaption(msg);
    label->SetBounds(iconTextWidth - text.right + horzMargin, vertMargin, text.right, text.bottom);

    TMsgDlgBtn defaultBtn = buttons.Contains(mbOK) ? mbOK : buttons.Contains(mbYes) ? mbYes : mbRetry;
    if (defaultButton && buttons.Contains(*defaultButton)) defaultBtn = *defaultButton;
    const TMsgDlgBtn cancelBtn = buttons.Contains(mbCancel) ? mbCancel : buttons.Contains(mbNo) ? mbNo : mbOK;
    int x = (form->ClientWidth() - buttonGroupWidth) / 2;
    for (TMsgDlgBtn b : kAllButtons) {
      if (!buttons.Contains(b)) continue;
      auto* button = new TButton(form);
      button->SetName(ButtonName(b));
      button->SetParent(form);
      button->SetCaption(MsgDlgButtonCaption(b));
      button->SetModalResult(MsgDlgButtonResult(b));
      if (b == defaultBtn) {
        button->SetDefault(true);
        form->SetActiveControl(button);
      }
      if (b == cancelBtn) button->SetCancel(true);
      button->SetBounds(x, iconTextHeight + vertMargin + vertSpacing, buttonWidth, buttonHeight);
      x += buttonWidth + buttonSpacing;
    }
  } catch (...) {
    delete form;
    throw;
  }
  return form;
}

int RunMessageDialog(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpCtx, int x,
                     int y, const TMsgDlgBtn* defaultButton) {
  std::unique_ptr<TMessageForm> form(BuildMessageDialog(msg, dlgType, buttons, defaultButton));
  form->SetHelpContext(helpCtx);
  if (x >= 0) form->SetLeft(x);
  if (y >= 0) form->SetTop(y);
  if (x < 0 && y < 0) form->SetPosition(poScreenCenter);
  return form->ShowModal();
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

TMessageForm::TMessageForm(TComponent* owner) : TForm(owner) {}

TMessageForm::~TMessageForm() = default;

void TMessageForm::KeyDown(WORD& key, TShiftState shift) {
  TForm::KeyDown(key, shift);
  if (key != VK_ESCAPE) return;
  // Without a cancel button Escape still closes the dialog, as "Cancel".
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* button = dynamic_cast<TButton*>(Components(i)); button && button->Cancel()) return;
  SetModalResult(mrCancel);
  key = 0;
}

TMessageForm* CreateMessageDialog(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons) {
  return BuildMessageDialog(msg, dlgType, buttons, nullptr);
}

TMessageForm* CreateMessageDialog(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons,
                                  TMsgDlgBtn defaultButton) {
  return BuildMessageDialog(msg, dlgType, buttons, &defaultButton);
}

int MessageDlg(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpCtx) {
  return RunMessageDialog(msg, dlgType, buttons, helpCtx, -1, -1, nullptr);
}

int MessageDlg(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpCtx,
               TMsgDlgBtn defaultButton) {
  return RunMessageDialog(msg, dlgType, buttons, helpCtx, -1, -1, &defaultButton);
}

int MessageDlgPos(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpCtx, int x,
                  int y) {
  return RunMessageDialog(msg, dlgType, buttons, helpCtx, x, y, nullptr);
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
