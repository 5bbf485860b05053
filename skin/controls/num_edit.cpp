#include "skin/controls/num_edit.h"

#include <algorithm>
#include <cmath>

#include "skin/controls/calc_form.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/runtime/sysutils.h"

namespace skin {

namespace {

// Characters after the decimal separator, up to an exponent that follows it.
size_t DecimalsIn(const std::string& text, char separator) {
  const size_t at = text.find(separator);
  if (at == std::string::npos) return 0;
  size_t end = text.find_first_of("eE", at);
  if (end == std::string::npos) end = text.size();
  return end - at - 1;
}

}  // namespace

std::string TsCustomNumEdit::NormaliseNumberText(const std::string& text) {
  const char decimal = vcl::FormatSettings.DecimalSeparator;
  const char thousand = vcl::FormatSettings.ThousandSeparator;
  std::string s = vcl::Trim(text);
  if (thousand != decimal) std::erase(s, thousand);
  for (char& c : s) {
    if (c == '.' && decimal != '.' && thousand != '.') c = decimal;
    if (c == ',' && decimal != ',' && thousand != ',') c = decimal;
  }
  if (s.empty()) return "0";
  if (s == "-") return "-0";
  return s;
}

TsCustomNumEdit::TsCustomNumEdit(vcl::TComponent* owner) : TsCustomComboEdit(owner) {
  displayFormat_ = GetDefaultDisplayFormat();
  SetMaxLength(0);
  SetEditAlignment(vcl::taLeftJustify);
  SetDefaultGlyphIndex(dgCalculator);
  vcl::TControl::SetText("");
  ReformatEditText();
  SetPopupWidth(213);
}

TsCustomNumEdit::~TsCustomNumEdit() = default;

long double TsCustomNumEdit::CheckValue(long double value) const {
  if (minValue_ == maxValue_) return value;
  if (minValue_ < maxValue_) return std::clamp(value, minValue_, maxValue_);
  if (maxValue_ == 0) return std::max(value, minValue_);
  if (minValue_ == 0) return std::min(value, maxValue_);
  return value;
}

std::string TsCustomNumEdit::GetText() {
  std::string text = TsCustomComboEdit::GetText();
  std::erase_if(text, [](char c) { return c == '?' || c == '\r' || c == '\n'; });
  return text;
}

void TsCustomNumEdit::ParseText() {
  // The range rule sees the signed value, so a pasted "-5" cannot leave the range.
  value_ = CheckValue(vcl::StrToFloat(NormaliseNumberText(Text())));
}

long double TsCustomNumEdit::Value() {
  if (!ComponentState().Contains(vcl::csDesigning)) {
    try {
      ParseText();
    } catch (const vcl::EConvertError&) {
      value_ = minValue_;
    }
  }
  return value_;
}

void TsCustomNumEdit::SetValue(long double value) {
  value_ = CheckValue(value);
  ReformatEditText();
  SkinData()->Invalidate();
}

void TsCustomNumEdit::SetMinValue(long double value) {
  if (minValue_ == value) return;
  minValue_ = value;
  SetValue(value_);
}

void TsCustomNumEdit::SetMaxValue(long double value) {
  if (maxValue_ == value) return;
  maxValue_ = value;
  SetValue(value_);
}

void TsCustomNumEdit::SetText(const std::string& value) {
  if (ComponentState().Contains(vcl::csReading)) return;
  value_ = CheckValue(vcl::StrToFloat(NormaliseNumberText(value)));
  ReformatEditText();
  SkinData()->Invalidate();
}

void TsCustomNumEdit::SetDecimalPlaces(uint32_t value) {
  if (decimalPlaces_ == value) return;
  decimalPlaces_ = value;
  ReformatEditText();
  SkinData()->Invalidate();
}

void TsCustomNumEdit::SetDisplayFormat(const std::string& value) {
  if (displayFormat_ == value) return;
  displayFormat_ = value;
  ReformatEditText();
  SkinData()->Invalidate();
}

void TsCustomNumEdit::SetAlignment(vcl::TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  SkinData()->Invalidate();
}

void TsCustomNumEdit::SetEditTextQuietly(const std::string& text) {
  reformatting_ = true;
  try {
    vcl::TControl::SetText(text);
  } catch (...) {
    reformatting_ = false;
    throw;
  }
  reformatting_ = false;
}

void TsCustomNumEdit::ReformatEditText() {
  if (!EditMask().empty()) return;
  std::string format = "0";
  if (decimalPlaces_ > 0) format += "." + std::string(decimalPlaces_, '#');
  SetEditTextQuietly(vcl::FormatFloat(format, value_));
}

std::string TsCustomNumEdit::GetDisplayText() {
  if (focused_) return TsCustomComboEdit::GetText();
  long double value = 0;
  try {
    value = vcl::StrToFloat(NormaliseNumberText(Text()));
  } catch (const vcl::EConvertError&) {
    value = minValue_;
  }
  return displayFormat_.empty() ? vcl::FloatToStr(value) : vcl::FormatFloat(displayFormat_, value);
}

void TsCustomNumEdit::Reset() {
  ReformatEditText();
  SelectAll();
}

void TsCustomNumEdit::Clear() { SetText(""); }

bool TsCustomNumEdit::IsValidChar(char key) {
  std::string text = TsCustomComboEdit::GetText();
  int start = 0, length = 0;
  if (HandleAllocated()) {
    start = SelStart();
    length = SelLength();
  }
  start = std::clamp(start, 0, int(text.size()));
  length = std::clamp(length, 0, int(text.size()) - start);
  text.replace(size_t(start), size_t(length), 1, key);
  text = NormaliseNumberText(text);
  if (DecimalsIn(text, vcl::FormatSettings.DecimalSeparator) > decimalPlaces_) return false;
  long double value = 0;
  if (!StrIsFloat(text, value)) return false;
  // A lone "-" reads as -0: the sign itself is what is refused.
  if (minValue_ >= 0 && maxValue_ > 0 && std::signbit(value)) return false;
  return true;
}

void TsCustomNumEdit::KeyPress(char& key) {
  if ((key == ',' || key == '.') && key != vcl::FormatSettings.ThousandSeparator)
    key = vcl::FormatSettings.DecimalSeparator;
  TsCustomComboEdit::KeyPress(key);
  if (key == '\x1b') {
    Reset();
    key = 0;
    return;
  }
  if (key == 0 || static_cast<unsigned char>(key) < 0x20) return;
  if (!IsValidChar(key)) {
    if (beepOnError_) MessageBeep(0);
    key = 0;
  }
}

void TsCustomNumEdit::Change() {
  if (!reformatting_) TsCustomComboEdit::Change();
}

void TsCustomNumEdit::PaintText() {
  TsCommonData* link = SkinData();
  vcl::TCanvas* canvas = link->CacheBitmap->Canvas();
  canvas->Font()->Assign(Font());
  const int32_t a = BorderWidth();
  const vcl::TRect rect{a, a, Width() - a - ButtonSpace(), Height() - a};
  const vcl::TAlignment alignment = link->InHotState() ? vcl::taLeftJustify : alignment_;
  const uint32_t flags = uint32_t(AlignToDrawTextFlags(this, alignment)) | DT_NOPREFIX;
  if (PasswordChar() != '\0') {
    const std::string hidden(TsCustomComboEdit::GetText().size(), PasswordChar());
    WriteSkinDataText(canvas, hidden, true, link->InHotState(), link, flags | DT_SINGLELINE | DT_WORDBREAK, rect);
  } else {
    WriteSkinDataText(canvas, GetDisplayText(), true, link->InHotState(), link, flags, rect);
  }
}

void TsCustomNumEdit::PopupDropDown(bool disableEdit) {
  if (Popup()) return;
  SetPopup(CreateCalculatorPopup(this));
  TsCustomComboEdit::PopupDropDown(disableEdit);
}

void TsCustomNumEdit::HandleEnter(vcl::TMessage& message) {
  focused_ = true;
  if (!(Focused() && AutoSelect())) SkinData()->Invalidate();
  ReformatEditText();
  TsCustomComboEdit::WndProc(message);
}

void TsCustomNumEdit::HandleExit(vcl::TMessage& message) {
  try {
    if (checkOnExit_ && !ComponentState().Contains(vcl::csDesigning))
      vcl::StrToFloat(NormaliseNumberText(TsCustomComboEdit::GetText()));
    ParseText();
  } catch (...) {
    SelectAll();
    if (CanFocus()) SetFocus();
    throw;
  }
  focused_ = false;
  ReformatEditText();
  if (HandleAllocated()) SendMessageA(Handle(), EM_SETSEL, 0, 0);
  TsCustomComboEdit::WndProc(message);
}

void TsCustomNumEdit::HandlePaste(vcl::TMessage& message) {
  const std::string kept = TsCustomComboEdit::GetText();
  try {
    TsCustomComboEdit::WndProc(message);
    ParseText();
  } catch (const vcl::Exception&) {
    SetEditTextQuietly(kept);
    SelectAll();
    if (CanFocus()) SetFocus();
    if (beepOnError_) MessageBeep(0);
  }
}

void TsCustomNumEdit::WndProc(vcl::TMessage& message) {
  switch (message.Msg) {
    case vcl::CM_ENTER:
      HandleEnter(message);
      return;
    case vcl::CM_EXIT:
      HandleExit(message);
      return;
    case WM_PASTE:
      HandlePaste(message);
      return;
    case vcl::CM_MOUSEENTER:
      if (!ComponentState().Contains(vcl::csDesigning) && SkinData()->IsSkinned()) {
        TsCommonData* link = SkinData();
        link->MouseOver = true;
        if (HandleAllocated()) {
          if (TsSkinManager* manager = link->GetSkinManager()) manager->SetHotWindow(Handle());
          link->UpdateGlowEffect(false, Handle());
          link->CacheStale = true;
          Perform(WM_NCPAINT, 0, 0);
        }
        return;
      }
      break;
    default:
      break;
  }
  TsCustomComboEdit::WndProc(message);
}

// ---- TsCurrencyEdit --------------------------------------------------------------------------

TsCurrencyEdit::TsCurrencyEdit(vcl::TComponent* owner) : TsCustomNumEdit(owner) {
  SkinData()->ControlCode = ccCurrencyEdit;
  SetWidth(80);
  // The button stays, without glyph and 2 pixels wide, so that the text keeps its place.
  vcl::TControlState state = ControlState();
  SetControlState(state + vcl::TControlState{vcl::csCreating});
  Button()->SetWidth(0);
  SetControlState(state);
  GlyphMode()->UpdateButton();
}

TsCurrencyEdit::~TsCurrencyEdit() = default;

void TsCurrencyEdit::CreateParams(vcl::TCreateParams& params) {
  TsCustomNumEdit::CreateParams(params);
  params.Style &= ~DWORD(ES_MULTILINE);
}

// ---- Published properties --------------------------------------------------------------------

namespace {
double NumValue(TsCustomNumEdit* e) { return double(e->Value()); }
void SetNumValue(TsCustomNumEdit* e, double v) { e->SetValue(v); }
double NumMin(TsCustomNumEdit* e) { return double(e->MinValue()); }
void SetNumMin(TsCustomNumEdit* e, double v) { e->SetMinValue(v); }
double NumMax(TsCustomNumEdit* e) { return double(e->MaxValue()); }
void SetNumMax(TsCustomNumEdit* e, double v) { e->SetMaxValue(v); }
int32_t NumDecimals(TsCustomNumEdit* e) { return int32_t(e->DecimalPlaces()); }
void SetNumDecimals(TsCustomNumEdit* e, int32_t v) { e->SetDecimalPlaces(uint32_t(std::max(v, 0))); }
std::string NumText(TsCustomNumEdit* e) { return e->Text(); }
void SetNumText(TsCustomNumEdit* e, const std::string& v) { e->SetText(v); }
}  // namespace

VCL_PUBLISHED(TsCustomNumEdit, p) { (void)p; }

VCL_PUBLISHED(TsCurrencyEdit, p) {
  using C = TsCustomNumEdit;
  p.Enum("Alignment", &C::Alignment, &C::SetAlignment, {"taLeftJustify", "taRightJustify", "taCenter"},
         vcl::taRightJustify)
      .Bool("BeepOnError", &C::BeepOnError, &C::SetBeepOnError, true)
      .Bool("CheckOnExit", &C::CheckOnExit, &C::SetCheckOnExit, false)
      .Integer("DecimalPlaces", NumDecimals, SetNumDecimals, 2)
      .String("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat)
      .Stored(&C::IsDisplayFormatStored)
      .Float("MaxValue", NumMax, SetNumMax)
      .Float("MinValue", NumMin, SetNumMin)
      .Float("Value", NumValue, SetNumValue)
      .String("Text", NumText, SetNumText)
      .Stored(false);
}

}  // namespace skin
