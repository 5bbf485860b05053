#include "skin/controls/calc_form.h"

#include <algorithm>
#include <cmath>

#include "skin/controls/num_edit.h"
#include "skin/controls/panel.h"
#include "skin/controls/speed_button.h"
#include "skin/engine/paint/corner_rects.h"
#include "skin/engine/skin_manager.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/graphics/clipboard.h"
#include "vcl/runtime/sysutils.h"

namespace skin {

namespace {

constexpr int32_t kButtonWidth = 31;
constexpr int32_t kButtonHeight = 20;
constexpr int32_t kColumns[] = {5, 38, 71, 104, 137, 170};
constexpr int32_t kDragBarHeight = 24;

// The system's own texts for the title buttons ("Minimize" 900, "Close" 905), read once.
const std::string& SystemText(UINT id) {
  static std::string minimise, close;
  static bool loaded = false;
  if (!loaded) {
    loaded = true;
    if (HMODULE user32 = LoadLibraryA("User32")) {
      char text[128] = {};
      if (LoadStringA(user32, 900, text, sizeof(text)) > 0) minimise = text;
      if (LoadStringA(user32, 905, text, sizeof(text)) > 0) close = text;
      FreeLibrary(user32);
    }
  }
  return id == 900 ? minimise : close;
}

}  // namespace

TsCalcForm::TsCalcForm(vcl::TComponent* owner) : vcl::TForm(owner) {
  SetTag(-98);  // the skin's window hooks leave this form alone
  SetBorderStyle(vcl::bsNone);
  SetKeyPreview(true);
  SetColor(vcl::clBtnFace);
  SetShowHint(true);
  SetClientWidth(214);
  SetClientHeight(172);
  BuildLayout();
  display_ = "0";
  UpdateDisplay();
  OnDeactivate = [this](vcl::TObject*) { Close(); };
}

TsCalcForm::~TsCalcForm() = default;

void TsCalcForm::CreateParams(vcl::TCreateParams& params) {
  vcl::TForm::CreateParams(params);
  params.WindowClass.style |= CS_DROPSHADOW;
}

vcl::TSpeedButton* TsCalcForm::AddButton(vcl::TWinControl* parent, const std::string& caption, int left, int top,
                                         int width, char key) {
  auto* button = vcl::New<TsSpeedButton>(this);
  button->SkinData()->SetSkinSection("SPEEDBUTTON_SMALL");
  button->SetParent(parent);
  button->SetBounds(left, top, width, kButtonHeight);
  button->SetCaption(caption);
  button->SetCursor(vcl::crHandPoint);
  if (key != 0) button->OnClick = [this, key](vcl::TObject*) { CalcKey(key); };
  return button;
}

vcl::TPanel* TsCalcForm::NewPanel(const char* section) {
  auto* panel = vcl::New<TsPanel>(this);
  panel->SkinData()->SetSkinSection(section);
  return panel;
}

void TsCalcForm::BuildLayout() {
  mainPanel_ = NewPanel("PANEL");
  mainPanel_->SetParent(this);
  mainPanel_->SetAlign(vcl::alClient);
  mainPanel_->SetBorderWidth(2);
  mainPanel_->SetCaption("");

  dragBar_ = NewPanel("DRAGBAR");
  dragBar_->SetParent(mainPanel_);
  dragBar_->SetAlign(vcl::alTop);
  dragBar_->SetHeight(kDragBarHeight);
  dragBar_->SetCaption("Calculator");
  auto* minimise = AddButton(dragBar_, "_", 150, 2, 22, 0);
  minimise->SetHint(SystemText(900));
  minimise->OnClick = [](vcl::TObject*) { vcl::Application->Minimize(); };
  auto* close = AddButton(dragBar_, "X", 174, 2, 22, 0);
  close->SetHint(SystemText(905));
  close->OnClick = [this](vcl::TObject*) { Close(); };

  calculatorPanel_ = NewPanel("PANEL");
  calculatorPanel_->SetParent(mainPanel_);
  calculatorPanel_->SetAlign(vcl::alBottom);
  calculatorPanel_->SetBounds(0, 0, 208, 142);
  calculatorPanel_->SetBorderWidth(4);
  calculatorPanel_->SetCaption("");

  displayPanel_ = NewPanel("EDIT");
  displayPanel_->SetParent(calculatorPanel_);
  displayPanel_->SetAlign(vcl::alTop);
  displayPanel_->SetHeight(21);
  displayPanel_->SetAlignment(vcl::taRightJustify);
  displayPanel_->SetBevelOuter(vcl::bvLowered);
  displayPanel_->Font()->SetName("System");
  displayPanel_->Font()->SetHeight(-15);
  displayPanel_->Font()->SetStyle(vcl::TFontStyles{vcl::fsBold});
  displayPanel_->Font()->SetColor(vcl::TColor(5723991));

  memoryPanel_ = NewPanel("PANEL");
  memoryPanel_->SetParent(calculatorPanel_);
  memoryPanel_->SetBounds(5, 29, 81, 19);
  memoryPanel_->SetBevelOuter(vcl::bvLowered);
  memoryPanel_->SetCaption("");

  AddButton(calculatorPanel_, "<-", 89, 29, 55, '\b');
  AddButton(calculatorPanel_, "C", 146, 29, 55, 'C');
  struct Key {
    const char* caption;
    char key;
  };
  const Key rows[4][6] = {
      {{"MC", 0}, {"7", '7'}, {"8", '8'}, {"9", '9'}, {"/", '/'}, {"sqrt", 'Q'}},
      {{"MR", 0}, {"4", '4'}, {"5", '5'}, {"6", '6'}, {"*", '*'}, {"%", '%'}},
      {{"MS", 0}, {"1", '1'}, {"2", '2'}, {"3", '3'}, {"-", '-'}, {"1/%", 'R'}},
      {{"MP", 0}, {"0", '0'}, {"\xB1", '_'}, {".", '.'}, {"+", '+'}, {"=", '='}},
  };
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 6; ++column) {
      const Key& k = rows[row][column];
      auto* button = AddButton(calculatorPanel_, k.caption, kColumns[column], 51 + 22 * row, kButtonWidth, k.key);
      if (k.key >= '0' && k.key <= '9') button->SetTag(k.key - '0');
    }
  ButtonOf("1/%")->SetVisible(false);
  ButtonOf("MC")->OnClick = [this](vcl::TObject*) { MemoryClear(); };
  ButtonOf("MR")->OnClick = [this](vcl::TObject*) { MemoryRecall(); };
  ButtonOf("MS")->OnClick = [this](vcl::TObject*) { MemoryStore(); };
  ButtonOf("MP")->OnClick = [this](vcl::TObject*) { MemoryPlus(); };

  popupMenu_ = new vcl::TPopupMenu(this);
  auto addItem = [this](const char* caption, vcl::TShortCut shortCut, bool visible, vcl::TNotifyEvent onClick) {
    auto* item = new vcl::TMenuItem(this);
    item->SetCaption(caption);
    item->SetShortCut(shortCut);
    item->SetVisible(visible);
    item->OnClick = std::move(onClick);
    popupMenu_->Items()->Add(item);
    return item;
  };
  addItem("&Copy", vcl::scCtrl | VK_INSERT, true, [this](vcl::TObject*) { CopyToClipboard(); });
  vcl::TMenuItem* paste = addItem("&Paste", vcl::scShift | VK_INSERT, true, [this](vcl::TObject*) {
    PasteFromClipboard();
  });
  addItem("OK", VK_RETURN, false, [this](vcl::TObject*) {
    if (status_ != csError) SetDisplayValue(DisplayValue());
  });
  addItem("Cancel", VK_ESCAPE, false, [](vcl::TObject*) {});
  popupMenu_->OnPopup = [paste](vcl::TObject*) { paste->SetEnabled(IsClipboardFormatAvailable(CF_TEXT) != FALSE); };
  mainPanel_->SetPopupMenu(popupMenu_);
  displayPanel_->SetPopupMenu(popupMenu_);
}

vcl::TSpeedButton* TsCalcForm::ButtonOf(const std::string& caption) const {
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* button = dynamic_cast<vcl::TSpeedButton*>(Components(i)); button && button->Caption() == caption)
      return button;
  return nullptr;
}

// ---- Display ---------------------------------------------------------------------------------

int32_t TsCalcForm::MaxDigits() const { return std::max<int32_t>(2, precision_); }

void TsCalcForm::UpdateDisplay() {
  if (displayPanel_) displayPanel_->SetCaption(display_ + " ");
}

void TsCalcForm::SetDisplay(const std::string& value) {
  if (value == display_) return;
  display_ = value;
  UpdateDisplay();
}

long double TsCalcForm::DisplayValue() const {
  if (status_ == csError) return 0;
  try {
    return vcl::StrToFloat(vcl::Trim(display_));
  } catch (const vcl::EConvertError&) {
    return 0;
  }
}

void TsCalcForm::SetDisplayValue(long double value) {
  SetDisplay(vcl::FloatToStrF(value, vcl::ffGeneral, MaxDigits(), 0));
}

void TsCalcForm::StartEntry() {
  if (status_ != csFirst) return;
  status_ = csValid;
  SetDisplay("0");
}

void TsCalcForm::ClearAll() {
  status_ = csFirst;
  SetDisplayValue(0);
  pendingOperator_ = '=';
}

void TsCalcForm::Error() {
  status_ = csError;
  SetDisplay("Error");
  if (beepOnError_) MessageBeep(0);
}

void TsCalcForm::Refuse() {
  if (beepOnError_) MessageBeep(0);
}

// ---- Keys ------------------------------------------------------------------------------------

void TsCalcForm::HandOver() {
  if (!edit_) return;
  // "Error" (a division by zero just before "=") is no value for the edit: the calculator stays
  // open showing it, and only 'C' goes on.
  long double value = 0;
  if (status_ == csError || !vcl::TryStrToFloat(vcl::Trim(display_), value)) {
    if (status_ != csError) Error();
    return;
  }
  edit_->SetValue(value);
  if (edit_->CanFocus()) edit_->SetFocus();
  if (edit_->AutoSelect()) edit_->SelectAll();
  if (edit_->OnChange) edit_->OnChange(edit_);
  Close();
}

void TsCalcForm::Operator(char key) {
  if (status_ == csValid) {
    status_ = csFirst;
    long double x = DisplayValue();
    if (key == '%') {
      if (pendingOperator_ == '*' || pendingOperator_ == '/')
        x = x / 100;
      else if (pendingOperator_ == '+' || pendingOperator_ == '-')
        x = operand_ * x / 100;
    }
    switch (pendingOperator_) {
      case '*': SetDisplayValue(operand_ * x); break;
      case '+': SetDisplayValue(operand_ + x); break;
      case '-': SetDisplayValue(operand_ - x); break;
      case '/':
        if (x == 0)
          Error();
        else
          SetDisplayValue(operand_ / x);
        break;
      default: break;
    }
  }
  pendingOperator_ = key;
  operand_ = DisplayValue();
  if (key == '=' && edit_) HandOver();
}

void TsCalcForm::CalcKey(char key) {
  key = static_cast<char>(std::toupper(static_cast<unsigned char>(key)));
  if (status_ == csError && key != 'C') return;
  switch (key) {
    case 3:
      CopyToClipboard();
      return;
    case '\b':
      StartEntry();
      if (display_.size() == 1 || (display_.size() == 2 && display_[0] == '-'))
        SetDisplay("0");
      else
        SetDisplay(display_.substr(0, display_.size() - 1));
      return;
    case ',':
    case '.':
      StartEntry();
      if (display_.find(vcl::FormatSettings.DecimalSeparator) == std::string::npos)
        SetDisplay(display_ + vcl::FormatSettings.DecimalSeparator);
      return;
    case 22:
      PasteFromClipboard();
      return;
    case '\x1b':
      if (display_ != "0") {
        ClearAll();
      } else {
        if (edit_ && edit_->CanFocus()) edit_->SetFocus();
        Close();
      }
      return;
    case 'C':
      ClearAll();
      return;
    case 'Q':
    case 'R': {
      status_ = csFirst;
      const long double x = DisplayValue();
      if (key == 'Q' ? x < 0 : x == 0)
        Error();
      else
        SetDisplayValue(key == 'Q' ? std::sqrt(x) : 1 / x);
      return;
    }
    case '_':
      SetDisplayValue(-DisplayValue());
      return;
    case '\r':
      if (status_ == csFirst) {
        HandOver();
        return;
      }
      Operator(key);
      return;
    case '+':
    case '-':
    case '*':
    case '/':
    case '%':
    case '=':
      Operator(key);
      return;
    default:
      break;
  }
  if (key >= '0' && key <= '9') {
    StartEntry();
    std::string display = display_ == "0" ? "" : display_;
    if (display.find('E') != std::string::npos) return;
    const size_t limit = size_t(MaxDigits()) + (!display.empty() && display[0] == '-' ? 1 : 0);
    if (display.size() < limit)
      SetDisplay(display + key);
    else
      Refuse();
  }
}

void TsCalcForm::KeyPress(char& key) {
  vcl::TForm::KeyPress(key);
  if (key != 0) CalcKey(key);
  key = 0;
}

// ---- Memory and clipboard --------------------------------------------------------------------

void TsCalcForm::UpdateMemoryPanel() { memoryPanel_->SetCaption(memory_ != 0 ? "M" : ""); }

void TsCalcForm::MemoryClear() {
  memory_ = 0;
  UpdateMemoryPanel();
}

void TsCalcForm::MemoryStore() {
  if (status_ == csError) return;
  status_ = csFirst;
  memory_ = DisplayValue();
  UpdateMemoryPanel();
}

void TsCalcForm::MemoryPlus() {
  if (status_ == csError) return;
  status_ = csFirst;
  memory_ += DisplayValue();
  UpdateMemoryPanel();
}

void TsCalcForm::MemoryRecall() {
  if (status_ == csError) return;
  status_ = csFirst;
  StartEntry();
  SetDisplayValue(memory_);
}

void TsCalcForm::CopyToClipboard() { vcl::Clipboard()->SetAsText(display_); }

void TsCalcForm::PasteFromClipboard() {
  if (!IsClipboardFormatAvailable(CF_TEXT)) return;
  std::string text = vcl::Clipboard()->AsText();
  // A text such as "$12.50": the currency string is no part of the number.
  const std::string& currency = vcl::FormatSettings.CurrencyString;
  if (!currency.empty())
    for (size_t at = text.find(currency); at != std::string::npos; at = text.find(currency, at))
      text.erase(at, currency.size());
  try {
    SetDisplayValue(vcl::StrToFloat(vcl::Trim(text)));
  } catch (const vcl::EConvertError&) {
    SetDisplay("0");
  }
}

// ---- Form events -----------------------------------------------------------------------------

void TsCalcForm::DoShow() {
  if (edit_) SetDisplayValue(edit_->Value());
  SetColor(DefaultManager && DefaultManager->Active() ? DefaultManager->GetGlobalColor() : vcl::clBtnFace);
  vcl::TForm::DoShow();
}

// The form's corners follow the main panel's border mask: its transparent corner runs are cut
// out of the window region. Set again only when the size or the mask changes.
void TsCalcForm::UpdateRegion() {
  auto* panel = dynamic_cast<TsPanel*>(mainPanel_);
  TsSkinManager* manager = edit_ ? edit_->SkinData()->GetSkinManager() : DefaultManager;
  if (!panel || !manager || !manager->Active() || !HandleAllocated()) return;
  const int32_t mask = panel->SkinData()->BorderMaskIndex;
  if (!manager->IsMaskIndexValid(mask)) return;
  const vcl::TRect shaped{mask, 0, Width(), Height()};
  if (shaped.left == regionShape_.left && shaped.right == regionShape_.right && shaped.bottom == regionShape_.bottom)
    return;
  regionShape_ = shaped;
  const TsMaskData& data = manager->Masks[size_t(mask)];
  TAOR runs;
  CollectCornerRects(runs, Width(), data, false, 0);
  CollectCornerRects(runs, Width(), data, true, Height() - data.WB);
  HRGN region = CreateRectRgn(0, 0, Width(), Height());
  for (const vcl::TRect& r : runs) {
    HRGN cut = CreateRectRgn(r.left, r.top, r.right, r.bottom);
    CombineRgn(region, region, cut, RGN_DIFF);
    DeleteObject(cut);
  }
  // The window owns the region from here on.
  SetWindowRgn(Handle(), region, FALSE);
}

void TsCalcForm::WndProc(vcl::TMessage& message) {
  if (message.Msg == WM_ERASEBKGND && DefaultManager && DefaultManager->Active()) {
    message.Result = 1;
    return;
  }
  if (message.Msg == WM_NCPAINT) UpdateRegion();
  vcl::TForm::WndProc(message);
}

vcl::TCustomForm* CreateCalculatorPopup(TsCustomNumEdit* edit) {
  // Its buttons start no hover fades while they are made.
  const bool noFading = NoFading;
  NoFading = true;
  auto* form = new TsCalcForm(edit);
  NoFading = noFading;
  form->SetPosition(vcl::poDefault);
  form->DragBar()->SetVisible(false);
  form->SetHeight(form->Height() - kDragBarHeight);
  form->SetPrecision(16);
  form->SetEdit(edit);
  form->SetDisplay(edit->Text());
  form->OnClose = [](vcl::TObject*, vcl::TCloseAction& action) { action = vcl::caFree; };
  return form;
}

VCL_PUBLISHED(TsCalcForm, p) { (void)p; }

}  // namespace skin
