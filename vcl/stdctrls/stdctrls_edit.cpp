// Edits and memos over the platform's EDIT window.
#include <algorithm>

#include "vcl/stdctrls/stdctrls.h"
#include "vcl/runtime/sysutils.h"

namespace vcl {

namespace {

// The lines of a memo: its text split at line breaks, read and written through the control.
class TMemoStrings : public TStrings {
  VCL_CLASS(TMemoStrings, TStrings)
  explicit TMemoStrings(TMemo* memo) : memo_(memo) {}

  void Insert(int index, const std::string& s) override {
    std::vector<std::string> lines = Lines();
    if (index < 0 || index > static_cast<int>(lines.size())) Error(index);
    lines.insert(lines.begin() + index, s);
    Store(lines);
  }
  void Delete(int index) override {
    std::vector<std::string> lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size())) Error(index);
    lines.erase(lines.begin() + index);
    Store(lines);
  }
  void Clear() override { memo_->SetText(""); }
  void SetText(const std::string& text) override { memo_->SetText(AdjustLineBreaks(text)); }

 protected:
  std::string Get(int index) const override {
    std::vector<std::string> lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size())) Error(index);
    return lines[static_cast<std::size_t>(index)];
  }
  int GetCount() const override { return static_cast<int>(Lines().size()); }
  void Put(int index, const std::string& s) override {
    std::vector<std::string> lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size())) Error(index);
    lines[static_cast<std::size_t>(index)] = s;
    Store(lines);
  }

 private:
  [[noreturn]] static void Error(int index) {
    throw EStringListError(Format("List index out of bounds (%d)", index));
  }
  // A text ending in a line break has no empty last line.
  std::vector<std::string> Lines() const {
    std::string text = memo_->Text();
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find_first_of("\r\n", start);
      if (end == std::string::npos) {
        lines.push_back(text.substr(start));
        break;
      }
      lines.push_back(text.substr(start, end - start));
      start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return lines;
  }
  void Store(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i) text += "\r\n";
      text += lines[i];
    }
    memo_->SetText(text);
  }

  TMemo* memo_;
};

}  // namespace

// ---- TCustomEdit -----------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(TControlStyle{csClickEvents, csSetCaption, csDoubleClicks, csFixedHeight});
  SetBounds(0, 0, 121, 25);
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
  SetAutoSize(true);
}

void TCustomEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, "EDIT");
  params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  if (borderStyle_ == bsSingle) {
    if (Ctl3D())
      params.ExStyle |= WS_EX_CLIENTEDGE;
    else
      params.Style |= WS_BORDER;
  }
  if (charCase_ == ecUpperCase) params.Style |= ES_UPPERCASE;
  if (charCase_ == ecLowerCase) params.Style |= ES_LOWERCASE;
  if (!hideSelection_) params.Style |= ES_NOHIDESEL;
  if (oemConvert_) params.Style |= ES_OEMCONVERT;
  if (readOnly_) params.Style |= ES_READONLY;
  if (passwordChar_ != '\0') params.Style |= ES_PASSWORD;
}

void TCustomEdit::CreateWnd() {
  creating_ = true;
  try {
    TWinControl::CreateWnd();
  } catch (...) {
    creating_ = false;
    throw;
  }
  creating_ = false;
  SendMessageA(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
  if (passwordChar_ != '\0') SendMessageA(Handle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(passwordChar_), 0);
  SendMessageA(Handle(), EM_SETMODIFY, modified_ ? TRUE : FALSE, 0);
  AdjustHeight();
}

void TCustomEdit::DestroyWnd() {
  modified_ = Modified();
  TWinControl::DestroyWnd();
}

// The height of one line of the font plus the frame, as the platform's edits have.
bool TCustomEdit::CanAutoSize(int& newWidth, int& newHeight) {
  (void)newWidth;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  int frame = borderStyle_ == bsNone ? 0 : Ctl3D() ? GetSystemMetrics(SM_CYEDGE) * 4 : GetSystemMetrics(SM_CYBORDER) * 6;
  newHeight = metrics.tmHeight + frame;
  return true;
}

void TCustomEdit::AdjustHeight() {
  if (AutoSize()) AdjustSize();
}

void TCustomEdit::SetBorderStyle(TBorderStyle value) {
  if (borderStyle_ == value) return;
  borderStyle_ = value;
  RecreateWnd();
}

void TCustomEdit::SetCharCase(TEditCharCase value) {
  if (charCase_ == value) return;
  charCase_ = value;
  RecreateWnd();
}

void TCustomEdit::SetHideSelection(bool value) {
  if (hideSelection_ == value) return;
  hideSelection_ = value;
  RecreateWnd();
}

void TCustomEdit::SetMaxLength(int value) {
  maxLength_ = std::max(value, 0);
  if (HandleAllocated()) SendMessageA(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TCustomEdit::SetOEMConvert(bool value) {
  if (oemConvert_ == value) return;
  oemConvert_ = value;
  RecreateWnd();
}

void TCustomEdit::SetPasswordChar(char value) {
  if (passwordChar_ == value) return;
  passwordChar_ = value;
  if (HandleAllocated()) {
    // Turning the mask on or off changes the window's style.
    RecreateWnd();
  }
}

void TCustomEdit::SetReadOnly(bool value) {
  readOnly_ = value;
  if (HandleAllocated()) SendMessageA(Handle(), EM_SETREADONLY, value ? TRUE : FALSE, 0);
}

bool TCustomEdit::Modified() {
  if (HandleAllocated()) return SendMessageA(Handle(), EM_GETMODIFY, 0, 0) != 0;
  return modified_;
}

void TCustomEdit::SetModified(bool value) {
  modified_ = value;
  if (HandleAllocated()) SendMessageA(Handle(), EM_SETMODIFY, value ? TRUE : FALSE, 0);
}

int TCustomEdit::SelStart() {
  DWORD start = 0;
  SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  return static_cast<int>(start);
}

void TCustomEdit::SetSelStart(int value) { SendMessageA(Handle(), EM_SETSEL, value, value); }

int TCustomEdit::SelLength() {
  DWORD start = 0, end = 0;
  SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

void TCustomEdit::SetSelLength(int value) {
  DWORD start = 0;
  SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  SendMessageA(Handle(), EM_SETSEL, start, static_cast<LPARAM>(start) + value);
  SendMessageA(Handle(), EM_SCROLLCARET, 0, 0);
}

std::string TCustomEdit::SelText() {
  std::string text = Text();
  int start = std::clamp(SelStart(), 0, static_cast<int>(text.size()));
  int length = std::clamp(SelLength(), 0, static_cast<int>(text.size()) - start);
  return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length));
}

void TCustomEdit::SetSelText(const std::string& value) {
  SendMessageA(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(value.c_str()));
}

void TCustomEdit::SelectAll() {
  if (HandleAllocated()) SendMessageA(Handle(), EM_SETSEL, 0, -1);
}

void TCustomEdit::Clear() { SetText(""); }
void TCustomEdit::ClearSelection() { SendMessageA(Handle(), WM_CLEAR, 0, 0); }
void TCustomEdit::CopyToClipboard() { SendMessageA(Handle(), WM_COPY, 0, 0); }
void TCustomEdit::CutToClipboard() { SendMessageA(Handle(), WM_CUT, 0, 0); }
void TCustomEdit::PasteFromClipboard() { SendMessageA(Handle(), WM_PASTE, 0, 0); }
bool TCustomEdit::CanUndo() { return HandleAllocated() && SendMessageA(Handle(), EM_CANUNDO, 0, 0) != 0; }
void TCustomEdit::Undo() { SendMessageA(Handle(), WM_UNDO, 0, 0); }
void TCustomEdit::ClearUndo() { SendMessageA(Handle(), EM_EMPTYUNDOBUFFER, 0, 0); }

void TCustomEdit::Change() {
  if (ComponentState().Contains(csLoading) || ComponentState().Contains(csReading)) return;
  Changed();
  if (OnChange) OnChange(this);
}

void TCustomEdit::CMEnter(TMessage& message) {
  // Entering by keyboard selects everything; a click puts the caret where it falls.
  if (autoSelect_ && !ControlState().Contains(csLButtonDown) &&
      (GetWindowLongA(Handle(), GWL_STYLE) & ES_MULTILINE) == 0)
    SelectAll();
  TWinControl::CMEnter(message);
}

void TCustomEdit::CMTextChanged(TMessage& message) {
  TWinControl::CMTextChanged(message);
  if (!HandleAllocated() || (GetWindowLongA(WindowHandle(), GWL_STYLE) & ES_MULTILINE)) Change();
}

void TCustomEdit::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CN_COMMAND:
      if (HIWORD(message.WParam) == EN_CHANGE && !creating_) Change();
      return;
    case CM_FONTCHANGED:
      TWinControl::Dispatch(message);
      if (HandleAllocated()) AdjustHeight();
      return;
    default:
      TWinControl::Dispatch(message);
  }
}

// ---- TMemo -----------------------------------------------------------------------------------

TMemo::TMemo(TComponent* owner) : TCustomEdit(owner), lines_(std::make_unique<TMemoStrings>(this)) {
  SetControlStyle(ControlStyle() - TControlStyle{csFixedHeight});
  SetAutoSize(false);
  SetBounds(0, 0, 185, 89);
}

TMemo::~TMemo() = default;

void TMemo::CreateParams(TCreateParams& params) {
  TCustomEdit::CreateParams(params);
  params.Style |= ES_MULTILINE;
  if (wordWrap_) params.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) params.Style |= WS_VSCROLL;
  if ((scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) && !wordWrap_) params.Style |= WS_HSCROLL;
  if (alignment_ == taRightJustify) params.Style |= ES_RIGHT;
  if (alignment_ == taCenter) params.Style |= ES_CENTER;
}

void TMemo::SetAlignment(TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  RecreateWnd();
}

void TMemo::SetScrollBars(TScrollStyle value) {
  if (scrollBars_ == value) return;
  scrollBars_ = value;
  RecreateWnd();
}

void TMemo::SetWordWrap(bool value) {
  if (wordWrap_ == value) return;
  wordWrap_ = value;
  RecreateWnd();
}

void TMemo::Dispatch(TMessage& message) {
  TCustomEdit::Dispatch(message);
  if (message.Msg == WM_GETDLGCODE) {
    // Tab and Enter belong to the memo only when it wants them.
    if (wantTabs_)
      message.Result |= DLGC_WANTTAB;
    else
      message.Result &= ~static_cast<LRESULT>(DLGC_WANTTAB);
    if (!wantReturns_) message.Result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
  }
}

}  // namespace vcl
