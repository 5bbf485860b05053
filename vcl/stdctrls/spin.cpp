#include "vcl/stdctrls/spin.h"

#include <algorithm>

#include "vcl/runtime/sysutils.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {

namespace {

// A small arrow picture; its bottom-left pixel (the background) is the transparent colour.
void DrawArrow(TBitmap* glyph, bool up) {
  constexpr int kWidth = 9, kHeight = 6;
  constexpr TColor kBackground = clOlive;
  glyph->SetPixelFormat(pf24bit);
  glyph->SetSize(kWidth, kHeight);
  TCanvas* canvas = glyph->Canvas();
  canvas->Brush()->SetColor(kBackground);
  canvas->FillRect(TRect{0, 0, kWidth, kHeight});
  // Rows 1..4 hold the triangle: 7, 5, 3, 1 pixels wide (or the other way round).
  for (int row = 0; row < 4; ++row) {
    int half = up ? row : 3 - row;
    for (int x = 4 - half; x <= 4 + half; ++x) canvas->SetPixels(x, row + 1, clBlack);
  }
}

}  // namespace

// ---- TSpinButton -----------------------------------------------------------------------------

TSpinButton::TSpinButton(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(ControlStyle() - TControlStyle{csAcceptsControls, csSetCaption} + TControlStyle{csFramed, csOpaque});
  up_ = new TSpeedButton(this);
  up_->SetParent(this);
  DrawArrow(up_->Glyph(), true);
  up_->OnClick = [this](TObject*) {
    if (OnUpClick) OnUpClick(this);
  };
  down_ = new TSpeedButton(this);
  down_->SetParent(this);
  DrawArrow(down_->Glyph(), false);
  down_->OnClick = [this](TObject*) {
    if (OnDownClick) OnDownClick(this);
  };
  TWinControl::SetBounds(0, 0, 15, 20);
  ArrangeButtons();
}

void TSpinButton::SetBounds(int left, int top, int width, int height) {
  TWinControl::SetBounds(left, top, width, height);
  ArrangeButtons();
}

void TSpinButton::ArrangeButtons() {
  int half = Height() / 2;
  up_->SetBounds(0, 0, Width(), half);
  down_->SetBounds(0, half, Width(), Height() - half);
}

// ---- TSpinEdit -------------------------------------------------------------------------------

TSpinEdit::TSpinEdit(TComponent* owner) : TCustomEdit(owner) {
  button_ = new TSpinButton(this);
  button_->SetVisible(true);
  button_->SetParent(this);
  button_->OnUpClick = [this](TObject* sender) { UpClick(sender); };
  button_->OnDownClick = [this](TObject* sender) { DownClick(sender); };
  SetText("0");
  SetControlStyle(ControlStyle() - TControlStyle{csSetCaption});
}

void TSpinEdit::CreateParams(TCreateParams& params) {
  TCustomEdit::CreateParams(params);
  // A multi-line edit takes a formatting rectangle, which leaves room for the arrows.
  params.Style |= ES_MULTILINE | WS_CLIPCHILDREN;
}

void TSpinEdit::CreateWnd() {
  TCustomEdit::CreateWnd();
  PlaceButton();
  SetEditRect();
}

void TSpinEdit::PlaceButton() {
  if (!HandleAllocated()) return;
  RECT client{};
  GetClientRect(Handle(), &client);
  int width = std::min(15, static_cast<int>(client.right));
  button_->SetBounds(client.right - width, 0, width, client.bottom);
}

void TSpinEdit::SetEditRect() {
  if (!HandleAllocated()) return;
  RECT client{};
  GetClientRect(Handle(), &client);
  RECT rect{0, 0, client.right - button_->Width() - 2, client.bottom};
  SendMessageA(Handle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&rect));
}

int TSpinEdit::CheckValue(int value) const {
  if (maxValue_ != minValue_) value = std::clamp(value, std::min(minValue_, maxValue_), std::max(minValue_, maxValue_));
  return value;
}

int TSpinEdit::Value() {
  int32_t value = 0;
  if (!TryStrToInt(Trim(Text()), value)) value = minValue_;
  return CheckValue(value);
}

void TSpinEdit::SetValue(int value) { SetText(IntToStr(CheckValue(value))); }

void TSpinEdit::SetMinValue(int value) {
  minValue_ = value;
  if (!ComponentState().Contains(csLoading)) SetValue(Value());
}

void TSpinEdit::SetMaxValue(int value) {
  maxValue_ = value;
  if (!ComponentState().Contains(csLoading)) SetValue(Value());
}

void TSpinEdit::UpClick(TObject* sender) {
  (void)sender;
  if (ReadOnly()) {
    MessageBeep(0);
    return;
  }
  SetValue(Value() + increment_);
}

void TSpinEdit::DownClick(TObject* sender) {
  (void)sender;
  if (ReadOnly()) {
    MessageBeep(0);
    return;
  }
  SetValue(Value() - increment_);
}

void TSpinEdit::KeyDown(WORD& key, TShiftState shift) {
  if (key == VK_UP) {
    UpClick(this);
    key = 0;
  } else if (key == VK_DOWN) {
    DownClick(this);
    key = 0;
  }
  TCustomEdit::KeyDown(key, shift);
}

// Only what can be part of a whole number is typed in.
void TSpinEdit::KeyPress(char& key) {
  bool valid = key == '-' || key == '+' || (key >= '0' && key <= '9') || static_cast<unsigned char>(key) < 32;
  if (!valid || !editorEnabled_) {
    key = 0;
    MessageBeep(0);
  }
  if (key != 0) TCustomEdit::KeyPress(key);
}

void TSpinEdit::Dispatch(TMessage& message) {
  TCustomEdit::Dispatch(message);
  switch (message.Msg) {
    case WM_SIZE:
      PlaceButton();
      SetEditRect();
      break;
    case WM_GETDLGCODE:
      // Arrows step the value; Enter and Tab belong to the form.
      message.Result = (message.Result | DLGC_WANTARROWS) & ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB);
      break;
    case CM_EXIT:
      // Leaving puts what was typed back within the limits.
      if (CheckValue(Value()) != StrToIntDef(Trim(Text()), minValue_ - 1)) SetValue(Value());
      break;
    default:
      break;
  }
}

// ---- Published properties --------------------------------------------------------------------

VCL_PUBLISHED(TSpinButton, p) { (void)p; }

VCL_PUBLISHED(TSpinEdit, p) {
  p.Bool("EditorEnabled", &TSpinEdit::EditorEnabled, &TSpinEdit::SetEditorEnabled, true)
      .Integer("Increment", &TSpinEdit::Increment, &TSpinEdit::SetIncrement, 1)
      .Integer("MaxValue", &TSpinEdit::MaxValue, &TSpinEdit::SetMaxValue, 0)
      .Integer("MinValue", &TSpinEdit::MinValue, &TSpinEdit::SetMinValue, 0)
      .Integer("Value", &TSpinEdit::Value, &TSpinEdit::SetValue, 0);
}

}  // namespace vcl
