#include "vcl/stdctrls/mask.h"

#include <cctype>

#include "vcl/classes/typeinfo.h"

namespace vcl {

namespace {
constexpr const char* kInvalidInput = "Invalid input value.  Use escape key to abandon changes";

bool IsLetter(unsigned char c) { return std::isalpha(c) || c >= 0x80; }
bool IsAlphaNum(unsigned char c) { return IsLetter(c) || std::isdigit(c); }
}  // namespace

// ---- TEditMask -------------------------------------------------------------------------------

TEditMask::TEditMask(const std::string& mask) {
  // The fields are split at the semicolons that are not marked literal.
  std::vector<std::string> fields(1);
  for (std::size_t i = 0; i < mask.size(); ++i) {
    if (mask[i] == '\\' && i + 1 < mask.size()) {
      fields.back() += mask.substr(i, 2);
      ++i;
    } else if (mask[i] == ';' && fields.size() < 3) {
      fields.emplace_back();
    } else {
      fields.back() += mask[i];
    }
  }
  if (fields.size() > 1 && !fields[1].empty()) saveLiterals_ = fields[1][0] != '0';
  if (fields.size() > 2 && !fields[2].empty()) blank_ = fields[2][0];

  const std::string& chars = fields[0];
  TCase charCase = ccAsTyped;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    char c = chars[i];
    auto add = [&](TKind kind, bool required) { positions_.push_back(TPosition{kind, required, charCase, '\0'}); };
    switch (c) {
      case '!': break;  // where blanks go when the text is short: nothing to store here
      case '>':
        if (i + 1 < chars.size() && chars[i + 1] == '<') {
          charCase = ccAsTyped;
          ++i;
        } else {
          charCase = ccUpper;
        }
        break;
      case '<': charCase = ccLower; break;
      case '\\':
        if (i + 1 < chars.size()) positions_.push_back(TPosition{mkLiteral, false, ccAsTyped, chars[++i]});
        break;
      case 'L': add(mkLetter, true); break;
      case 'l': add(mkLetter, false); break;
      case 'A': add(mkAlphaNum, true); break;
      case 'a': add(mkAlphaNum, false); break;
      case 'C': add(mkAnyChar, true); break;
      case 'c': add(mkAnyChar, false); break;
      case '0': add(mkDigit, true); break;
      case '9': add(mkDigit, false); break;
      case '#': add(mkDigitOrSign, false); break;
      case '_': positions_.push_back(TPosition{mkLiteral, false, ccAsTyped, ' '}); break;
      default: positions_.push_back(TPosition{mkLiteral, false, ccAsTyped, c}); break;
    }
  }
}

bool TEditMask::IsLiteral(int position) const {
  return position >= 0 && position < Length() && positions_[static_cast<std::size_t>(position)].kind == mkLiteral;
}

bool TEditMask::Required(int position) const {
  return position >= 0 && position < Length() && positions_[static_cast<std::size_t>(position)].required;
}

bool TEditMask::Accepts(int position, char& c) const {
  if (position < 0 || position >= Length()) return false;
  const TPosition& p = positions_[static_cast<std::size_t>(position)];
  auto u = static_cast<unsigned char>(c);
  bool ok = false;
  switch (p.kind) {
    case mkLiteral: return false;
    case mkLetter: ok = IsLetter(u); break;
    case mkAlphaNum: ok = IsAlphaNum(u); break;
    case mkAnyChar: ok = u >= 32; break;
    case mkDigit: ok = std::isdigit(u) != 0; break;
    case mkDigitOrSign: ok = std::isdigit(u) || c == '+' || c == '-'; break;
  }
  if (!ok) return false;
  if (p.charCase == ccUpper) c = static_cast<char>(std::toupper(u));
  if (p.charCase == ccLower) c = static_cast<char>(std::tolower(u));
  return true;
}

std::string TEditMask::Format(const std::string& text) const {
  // A text that already has the mask's shape keeps every character in its place.
  bool shaped = static_cast<int>(text.size()) == Length();
  for (int i = 0; shaped && i < Length(); ++i)
    if (IsLiteral(i) && text[static_cast<std::size_t>(i)] != positions_[static_cast<std::size_t>(i)].literal) shaped = false;

  std::string result;
  if (shaped) {
    for (int i = 0; i < Length(); ++i) {
      char c = text[static_cast<std::size_t>(i)];
      if (!IsLiteral(i) && (c == ' ' || c == blank_ || !Accepts(i, c))) c = blank_;
      result += c;
    }
    return result;
  }

  std::size_t j = 0;
  for (int i = 0; i < Length(); ++i) {
    const TPosition& p = positions_[static_cast<std::size_t>(i)];
    if (p.kind == mkLiteral) {
      result += p.literal;
      if (saveLiterals_ && j < text.size() && text[j] == p.literal) ++j;
      continue;
    }
    char c = j < text.size() ? text[j++] : blank_;
    if (c == ' ' || c == blank_ || !Accepts(i, c)) c = blank_;
    result += c;
  }
  return result;
}

std::string TEditMask::Unformat(const std::string& editText) const {
  std::string result;
  for (int i = 0; i < Length(); ++i) {
    const TPosition& p = positions_[static_cast<std::size_t>(i)];
    char c = i < static_cast<int>(editText.size()) ? editText[static_cast<std::size_t>(i)] : blank_;
    if (p.kind == mkLiteral) {
      if (saveLiterals_) result += p.literal;
    } else if (c == blank_) {
      if (saveLiterals_) result += ' ';
    } else {
      result += c;
    }
  }
  return result;
}

int TEditMask::NextEditable(int position) const {
  while (position < Length() && IsLiteral(position)) ++position;
  return std::min(position, Length());
}

int TEditMask::PreviousEditable(int position) const {
  while (position >= 0 && IsLiteral(position)) --position;
  return position;
}

bool TEditMask::Complete(const std::string& editText) const {
  for (int i = 0; i < Length(); ++i) {
    if (!Required(i)) continue;
    char c = i < static_cast<int>(editText.size()) ? editText[static_cast<std::size_t>(i)] : blank_;
    if (c == blank_ || c == ' ') return false;
  }
  return true;
}

// ---- TCustomMaskEdit -------------------------------------------------------------------------

TCustomMaskEdit::TCustomMaskEdit(TComponent* owner) : TCustomEdit(owner) {
  // The caption is not the component's name here: a mask has no room for it.
  SetControlStyle(ControlStyle() - TControlStyle{csSetCaption});
}

void TCustomMaskEdit::SetEditMask(const std::string& value) {
  std::string stored = MaskedText();
  editMask_ = value;
  mask_ = TEditMask(value);
  SetMaxLength(mask_.Length());
  SetEditText(IsMasked() ? mask_.Format(stored) : stored);
}

std::string TCustomMaskEdit::GetText() { return IsMasked() ? mask_.Unformat(EditText()) : EditText(); }

std::string TCustomMaskEdit::EditText() {
  if (!HandleAllocated()) return TCustomEdit::GetText();
  int length = GetWindowTextLengthA(WindowHandle());
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  GetWindowTextA(WindowHandle(), text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

void TCustomMaskEdit::SetEditText(const std::string& value) { SetText(IsMasked() ? mask_.Format(value) : value); }

std::string TCustomMaskEdit::MaskedText() { return IsMasked() ? mask_.Unformat(EditText()) : EditText(); }

void TCustomMaskEdit::SetMaskedText(const std::string& value) { SetEditText(value); }

void TCustomMaskEdit::Reset() {
  SetEditText(textOnEnter_);
  SetModified(false);
}

void TCustomMaskEdit::ValidateEdit() {
  if (IsMasked() && !mask_.Complete(EditText())) throw EDBEditError(kInvalidInput);
}

void TCustomMaskEdit::CreateWnd() {
  TCustomEdit::CreateWnd();
  if (IsMasked()) {
    SetMaxLength(mask_.Length());
    SetText(mask_.Format(EditText()));
  }
}

void TCustomMaskEdit::SetCaret(int position) {
  SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(position), position);
}

void TCustomMaskEdit::TypeChar(char c) {
  std::string text = EditText();
  int start = SelStart();
  int length = SelLength();
  for (int i = start; i < start + length && i < mask_.Length(); ++i)
    if (!mask_.IsLiteral(i)) text[static_cast<std::size_t>(i)] = mask_.BlankChar();
  int position = mask_.NextEditable(start);
  if (CharCase() == ecUpperCase) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (CharCase() == ecLowerCase) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (position >= mask_.Length() || !mask_.Accepts(position, c)) {
    MessageBeep(0);
    return;
  }
  text[static_cast<std::size_t>(position)] = c;
  SetText(text);
  SetModified(true);
  SetCaret(mask_.NextEditable(position + 1));
}

void TCustomMaskEdit::ClearSelection(bool backwards) {
  std::string text = EditText();
  int start = SelStart();
  int length = SelLength();
  int caret = start;
  if (length > 0) {
    for (int i = start; i < start + length && i < mask_.Length(); ++i)
      if (!mask_.IsLiteral(i)) text[static_cast<std::size_t>(i)] = mask_.BlankChar();
  } else if (backwards) {
    int position = mask_.PreviousEditable(start - 1);
    if (position < 0) return;
    text[static_cast<std::size_t>(position)] = mask_.BlankChar();
    caret = position;
  } else {
    int position = mask_.NextEditable(start);
    if (position >= mask_.Length()) return;
    text[static_cast<std::size_t>(position)] = mask_.BlankChar();
  }
  SetText(text);
  SetModified(true);
  SetCaret(caret);
}

void TCustomMaskEdit::KeyDown(WORD& key, TShiftState shift) {
  if (IsMasked() && !ReadOnly()) {
    if (key == VK_DELETE) {
      ClearSelection(false);
      key = 0;
    } else if (key == VK_ESCAPE && Modified()) {
      Reset();
      key = 0;
    }
  }
  TCustomEdit::KeyDown(key, shift);
}

void TCustomMaskEdit::KeyPress(char& key) {
  TCustomEdit::KeyPress(key);
  if (!IsMasked() || key == 0 || ReadOnly()) return;
  if (key == '\b') {
    ClearSelection(true);
    key = 0;
  } else if (static_cast<unsigned char>(key) >= 32) {
    TypeChar(key);
    key = 0;
  }
}

void TCustomMaskEdit::CMEnter(TMessage& message) {
  textOnEnter_ = EditText();
  TCustomEdit::CMEnter(message);
  if (IsMasked() && !AutoSelect()) SetCaret(mask_.NextEditable(0));
}

void TCustomMaskEdit::CMExit(TMessage& message) {
  try {
    ValidateEdit();
  } catch (...) {
    // The user stays in the edit to complete it.
    SetFocus();
    throw;
  }
  TCustomEdit::CMExit(message);
}

void TCustomMaskEdit::Dispatch(TMessage& message) {
  if (IsMasked() && message.Msg == WM_SETTEXT && message.LParam) {
    // Any text set from outside takes the mask's shape.
    std::string formatted = mask_.Format(reinterpret_cast<const char*>(message.LParam));
    message.LParam = reinterpret_cast<LPARAM>(formatted.c_str());
    TCustomEdit::Dispatch(message);
    return;
  }
  if (IsMasked() && message.Msg == WM_PASTE && !ReadOnly()) {
    std::string pasted;
    if (OpenClipboard(WindowHandle())) {
      if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* text = static_cast<const char*>(GlobalLock(data))) {
          pasted = text;
          GlobalUnlock(data);
        }
      }
      CloseClipboard();
    }
    for (char c : pasted) TypeChar(c);
    message.Result = 0;
    return;
  }
  TCustomEdit::Dispatch(message);
}

// ---- Published properties --------------------------------------------------------------------

VCL_PUBLISHED(TCustomMaskEdit, p) {
  p.String("EditMask", &TCustomMaskEdit::EditMask, &TCustomMaskEdit::SetEditMask);
}

VCL_PUBLISHED(TMaskEdit, p) { (void)p; }

}  // namespace vcl
