#include "skin/controls/spin_edit.h"

#include <algorithm>
#include <string>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/runtime/sysutils.h"

namespace skin {

namespace {

constexpr int32_t kPairWidth = 18;
constexpr uint32_t kFirstRepeatDelay = 400;
constexpr uint32_t kRepeatInterval = 100;

bool IsOwnManager(const vcl::TMessage& message, TsCommonData* link) {
  return message.LParam == LPARAM(link->GetSkinManager());
}

}  // namespace

// ---- TsTimerSpeedButton ----------------------------------------------------------------------

TsTimerSpeedButton::TsTimerSpeedButton(TsSpinButton* owner, bool up) : TsSpeedButton(owner), pair_(owner), up_(up) {
  SkinData()->SetSkinSection("SPEEDBUTTON_SMALL");
  SetNumGlyphs(1);
  SetFlat(false);
  SetTransparent(true);
}

TsTimerSpeedButton::~TsTimerSpeedButton() = default;

void TsTimerSpeedButton::SetFocusMarked(bool value) {
  if (focusMarked_ == value) return;
  focusMarked_ = value;
  Invalidate();
}

vcl::TColor TsTimerSpeedButton::ArrowColour() {
  TsCommonData* link = SkinData();
  if (!link->IsSkinned()) return Enabled() ? Font()->Color() : vcl::clGrayText;
  TsSkinManager* manager = link->GetSkinManager();
  if (CurrentState() != 0) return vcl::TColor(manager->Sections[size_t(link->SectionIndex)].FontColor[0]);
  // The normal arrow takes the edit's text colour, so it reads like the edit's text.
  TsEdit* edit = pair_->Edit();
  if (edit && edit->SkinData()->IsSkinned())
    return vcl::TColor(manager->Sections[size_t(edit->SkinData()->SectionIndex)].FontColor[0]);
  return vcl::TColor(manager->Sections[size_t(link->SectionIndex)].FontColor[0]);
}

void TsTimerSpeedButton::PaintArrow(vcl::TCanvas* canvas, vcl::TColor colour) {
  const int x0 = (Width() - 9) / 2;
  const int y0 = (Height() - 5) / 2;
  canvas->Pen()->SetColor(colour);
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(colour);
  if (up_)
    canvas->Polygon({vcl::TPoint{x0 + 1, y0 + 4}, vcl::TPoint{x0 + 7, y0 + 4}, vcl::TPoint{x0 + 4, y0 + 1}});
  else
    canvas->Polygon({vcl::TPoint{x0 + 1, y0 + 1}, vcl::TPoint{x0 + 7, y0 + 1}, vcl::TPoint{x0 + 4, y0 + 4}});
}

void TsTimerSpeedButton::PaintGlyph(vcl::TCanvas* canvas) {
  if (Glyph() && !Glyph()->Empty()) {
    TsSpeedButton::PaintGlyph(canvas);
    return;
  }
  // Without a canvas the glyph goes into the skinned image being composed.
  PaintArrow(canvas ? canvas : SkinData()->CacheBitmap->Canvas(), ArrowColour());
}

void TsTimerSpeedButton::Paint() {
  TsSpeedButton::Paint();
  // The plain button draws only its own glyph bitmap; the arrow goes on top of it.
  if (!SkinData()->IsSkinned() && (!Glyph() || Glyph()->Empty())) PaintArrow(Canvas(), ArrowColour());
  if (focusMarked_) {
    const int shift = state_ == vcl::bsDown ? 1 : 0;
    RECT r{3 + shift, 3 + shift, Width() - 3 + shift, Height() - 3 + shift};
    DrawFocusRect(Canvas()->Handle(), &r);
  }
}

void TsTimerSpeedButton::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TsSpeedButton::MouseDown(button, shift, x, y);
  if (button == vcl::mbLeft) pair_->ButtonPressed(this);
  if (button == vcl::mbLeft && autoRepeat_ && Enabled()) {
    if (!repeatTimer_) {
      repeatTimer_ = std::make_unique<vcl::TTimer>(nullptr);
      repeatTimer_->OnTimer = [this](vcl::TObject*) { TimerTick(); };
    }
    repeatTimer_->SetEnabled(false);
    repeatTimer_->SetInterval(kFirstRepeatDelay);
    repeatTimer_->SetEnabled(true);
  }
}

void TsTimerSpeedButton::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (repeatTimer_) repeatTimer_->SetEnabled(false);
  TsSpeedButton::MouseUp(button, shift, x, y);
}

void TsTimerSpeedButton::TimerTick() {
  repeatTimer_->SetInterval(kRepeatInterval);
  // Repeats only while this button still holds the mouse; a lost capture ends it.
  if (state_ != vcl::bsDown || vcl::GetCaptureControl() != this) {
    repeatTimer_->SetEnabled(false);
    return;
  }
  try {
    Click();
  } catch (...) {
    repeatTimer_->SetEnabled(false);
    throw;
  }
}

// ---- TsSpinButton ----------------------------------------------------------------------------

TsSpinButton::TsSpinButton(vcl::TComponent* owner) : vcl::TWinControl(owner) {
  SetControlStyle(ControlStyle() - vcl::TControlStyle{vcl::csAcceptsControls, vcl::csSetCaption});
  up_ = new TsTimerSpeedButton(this, true);
  up_->SetParent(this);
  up_->OnClick = [this](vcl::TObject*) {
    if (OnUpClick) OnUpClick(this);
  };
  down_ = new TsTimerSpeedButton(this, false);
  down_->SetParent(this);
  down_->OnClick = [this](vcl::TObject*) {
    if (OnDownClick) OnDownClick(this);
  };
  focused_ = up_;
  vcl::TWinControl::SetBounds(0, 0, kPairWidth, 25);
  ArrangeButtons();
}

TsSpinButton::~TsSpinButton() = default;

TsEdit* TsSpinButton::Edit() const { return dynamic_cast<TsEdit*>(Owner()); }

void TsSpinButton::SetFocusedButton(TsTimerSpeedButton* button) {
  if (!button || button == focused_) return;
  const bool focused = HandleAllocated() && GetFocus() == Handle();
  focused_->SetFocusMarked(false);
  focused_ = button;
  focused_->SetFocusMarked(focused);
}

void TsSpinButton::SetBounds(int left, int top, int width, int height) {
  vcl::TWinControl::SetBounds(left, top, width, height);
  ArrangeButtons();
}

void TsSpinButton::Loaded() {
  vcl::TWinControl::Loaded();
  if (TsEdit* edit = Edit(); edit && edit->SkinData()->HasOwnManager()) {
    up_->SkinData()->SetSkinManager(edit->SkinData()->SkinManager());
    down_->SkinData()->SetSkinManager(edit->SkinData()->SkinManager());
  }
  ArrangeButtons();
}

void TsSpinButton::ArrangeButtons() {
  if (ComponentState().Contains(vcl::csLoading) || Height() == 0) return;
  const int width = std::max(Width(), 15);
  const int half = Height() / 2;
  up_->SetBounds(0, 0, width, half);
  down_->SetBounds(0, half, width, Height() - half);
}

void TsSpinButton::ButtonPressed(TsTimerSpeedButton* button) {
  SetFocusedButton(button);
  vcl::TWinControl* target = focusControl_;
  if (target && target->TabStop() && target->CanFocus() && !target->Focused())
    target->SetFocus();
  else if (!target && TabStop() && CanFocus() && !Focused())
    SetFocus();
}

void TsSpinButton::WndProc(vcl::TMessage& message) {
  if (message.Msg == SM_ALPHACMD) {
    TsEdit* edit = Edit();
    switch (HIWORD(message.WParam)) {
      case cmdGetStale:
        message.Result = edit ? edit->SkinData()->UpdatePending : 0;
        return;
      case cmdGetBackground:
        if (edit) {
          auto* request = reinterpret_cast<TsBackgroundRequest*>(message.LParam);
          TsCommonData* link = edit->SkinData();
          request->Color = int32_t(edit->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdGetBgColor), 0));
          if (link->IsSkinned() && link->CacheBitmap && !link->CacheBitmap->Empty()) {
            // The pair lies inside the edit's border, so its origin is 2 pixels further in.
            request->Kind = bkBitmap;
            request->Bitmap = link->CacheBitmap.get();
            request->OffsetX = Left() + 2;
            request->OffsetY = Top() + 2;
          } else {
            request->Kind = bkColor;
          }
          message.Result = 1;
          return;
        }
        break;
      default:
        break;
    }
  }
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS;
      return;
    case WM_SETFOCUS:
      focused_->SetFocusMarked(true);
      break;
    case WM_KILLFOCUS:
      focused_->SetFocusMarked(false);
      break;
    default:
      break;
  }
  vcl::TWinControl::WndProc(message);
}

// ---- TsBaseSpinEdit --------------------------------------------------------------------------

TsBaseSpinEdit::TsBaseSpinEdit(vcl::TComponent* owner) : TsEdit(owner) {
  SetControlStyle(ControlStyle() - vcl::TControlStyle{vcl::csSetCaption});
  button_ = new TsSpinButton(this);
  button_->SetVisible(false);
  button_->SetParent(this);
  button_->SetFocusControl(this);
  button_->OnUpClick = [this](vcl::TObject* sender) { UpClick(sender); };
  button_->OnDownClick = [this](vcl::TObject* sender) { DownClick(sender); };
  button_->SetVisible(true);
}

TsBaseSpinEdit::~TsBaseSpinEdit() = default;

void TsBaseSpinEdit::CreateParams(vcl::TCreateParams& params) {
  TsEdit::CreateParams(params);
  // A multi-line edit takes a formatting rectangle, which leaves room for the pair.
  params.Style = (params.Style & ~DWORD(WS_BORDER)) | WS_CLIPCHILDREN | ES_MULTILINE;
}

void TsBaseSpinEdit::CreateWnd() {
  TsEdit::CreateWnd();
  SetEditRect();
}

void TsBaseSpinEdit::Loaded() {
  TsEdit::Loaded();
  SetEditRect();
}

void TsBaseSpinEdit::PlaceButton() {
  if (!HandleAllocated()) return;
  button_->SetBounds(Width() - button_->Width() - 4, 0, button_->Width(), std::max(Height() - 4, 0));
}

void TsBaseSpinEdit::SetEditRect() {
  if (!HandleAllocated()) return;
  PlaceButton();
  RECT rect{0, 0, Width() - button_->Width() - 3, ClientHeight() + 1};
  SendMessageA(Handle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&rect));
}

int32_t TsBaseSpinEdit::InnerBorder() { return FrameWidth(); }

bool TsBaseSpinEdit::IsValidChar(char key) {
  const unsigned char c = static_cast<unsigned char>(key);
  bool valid = key == '+' || key == '-' || (key >= '0' && key <= '9') || key == vcl::FormatSettings.DecimalSeparator ||
               (c < 0x20 && key != '\r');
  if (!editorEnabled_ && (c >= 0x20 || key == '\b')) valid = false;
  return valid;
}

void TsBaseSpinEdit::KeyDown(WORD& key, vcl::TShiftState shift) {
  if (key == VK_UP)
    UpClick(this);
  else if (key == VK_DOWN)
    DownClick(this);
  TsEdit::KeyDown(key, shift);
  if (key != 0) SetEditRect();
}

void TsBaseSpinEdit::KeyPress(char& key) {
  if (!IsValidChar(key)) {
    key = 0;
    MessageBeep(0);
  }
  if (key != 0) TsEdit::KeyPress(key);
}

void TsBaseSpinEdit::PrepareCache() {
  ComposeCache();
  if (!Enabled() && button_) {
    // The pair is hidden while the edit is disabled; its image goes into the cache instead.
    const int32_t b = InnerBorder();
    vcl::TCanvas* canvas = SkinData()->CacheBitmap->Canvas();
    for (TsTimerSpeedButton* button : {button_->UpButton(), button_->DownButton()}) {
      button->ComposeImage();
      BitBlt(canvas->Handle(), b + button_->Left() + button->Left(), b + button_->Top() + button->Top(),
             button->Width(), button->Height(), button->SkinData()->CacheBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
    }
  }
  FinishCache();
}

void TsBaseSpinEdit::ForwardSkinCommand(vcl::TMessage& message) {
  for (TsTimerSpeedButton* button : {button_->UpButton(), button_->DownButton()}) {
    button->Perform(message.Msg, message.WParam, message.LParam);
    if (HIWORD(message.WParam) == cmdSkinSet)
      button->SetEnabled(true);
    else
      button->Invalidate();
  }
}

void TsBaseSpinEdit::WndProc(vcl::TMessage& message) {
  TsCommonData* link = SkinData();
  if (message.Msg == SM_ALPHACMD) {
    switch (HIWORD(message.WParam)) {
      case cmdGetBgColor:
        if (link->IsSkinned()) {
          int32_t colour = link->BgColorForState(0);
          if (!Enabled()) colour = BlendColors(colour, GetControlBgColor(Parent()), 0.5);
          message.Result = colour;
          return;
        }
        break;
      case cmdGetBackground:
        link->ProvideBgInfo(*reinterpret_cast<TsBackgroundRequest*>(message.LParam), 0, nullptr);
        message.Result = 1;
        return;
      default:
        break;
    }
  }
  switch (message.Msg) {
    case WM_PASTE:
    case WM_CUT:
      if (!editorEnabled_ || ReadOnly()) return;
      break;
    case WM_PAINT:
      if (link->IsSkinned() && Enabled() && !link->IsUpdating()) {
        button_->UpButton()->SkinData()->CacheStale = true;
        button_->DownButton()->SkinData()->CacheStale = true;
      }
      break;
    default:
      break;
  }
  TsEdit::WndProc(message);
  switch (message.Msg) {
    case WM_SIZE:
    case vcl::CM_FONTCHANGED:
      SetEditRect();
      break;
    case WM_SETFOCUS:
      if (AutoSelect() && HandleAllocated()) SendMessageA(Handle(), EM_SETSEL, 0, -1);
      break;
    case vcl::CM_ENABLEDCHANGED:
      if (link->IsSkinned()) {
        // A disabled skinned edit shows its buttons inside its cached, disabled image.
        button_->SetVisible(Enabled());
      } else {
        button_->SetVisible(true);
      }
      button_->SetEnabled(Enabled());
      button_->UpButton()->SetEnabled(Enabled());
      button_->DownButton()->SetEnabled(Enabled());
      break;
    case vcl::CM_MOUSEENTER:
    case vcl::CM_MOUSELEAVE:
      for (TsTimerSpeedButton* button : {button_->UpButton(), button_->DownButton()}) {
        button->SkinData()->MouseOver = false;
        button->Invalidate();
      }
      break;
    default:
      if (message.Msg == SM_ALPHACMD) {
        const uint16_t command = HIWORD(message.WParam);
        if ((command == cmdSkinSet || command == cmdSkinRemoved || command == cmdSkinRefresh) &&
            IsOwnManager(message, link)) {
          ForwardSkinCommand(message);
          SetEditRect();
        } else if (command == cmdRepaint) {
          button_->Repaint();
        }
      }
      break;
  }
}

// ---- TsSpinEdit ------------------------------------------------------------------------------

TsSpinEdit::TsSpinEdit(vcl::TComponent* owner) : TsBaseSpinEdit(owner) {}

TsSpinEdit::~TsSpinEdit() = default;

int32_t TsSpinEdit::CheckValue(int32_t value) const {
  if (minValue_ == maxValue_) return value;
  if (value < minValue_) return minValue_;
  if (value > maxValue_) return maxValue_;
  return value;
}

int32_t TsSpinEdit::Value() {
  const std::string text = Text();
  int32_t value = minValue_;
  if (text.empty() || !vcl::TryStrToInt(text, value)) return minValue_;
  return value;
}

void TsSpinEdit::SetValue(int32_t value) {
  if (ComponentState().Contains(vcl::csLoading)) {
    // Dropping it would lose the value that form data stores for the edit.
    loadedValue_ = value;
    return;
  }
  SetText(vcl::IntToStr(CheckValue(value)));
}

void TsSpinEdit::Loaded() {
  TsBaseSpinEdit::Loaded();
  if (loadedValue_) SetValue(*loadedValue_);
  loadedValue_.reset();
}

bool TsSpinEdit::IsValidChar(char key) {
  const unsigned char c = static_cast<unsigned char>(key);
  bool valid = (key >= '0' && key <= '9') || (c < 0x20 && key != '\r');
  if (!EditorEnabled() && (c >= 0x20 || key == '\b')) valid = false;
  return valid;
}

void TsSpinEdit::UpClick(vcl::TObject* sender) {
  if (ReadOnly()) {
    MessageBeep(0);
  } else if (OnUpClick) {
    OnUpClick(this);
  } else {
    SetValue(Value() + increment_);
  }
}

void TsSpinEdit::DownClick(vcl::TObject* sender) {
  if (ReadOnly()) {
    MessageBeep(0);
  } else if (OnDownClick) {
    OnDownClick(this);
  } else {
    SetValue(Value() - increment_);
  }
}

void TsSpinEdit::WndProc(vcl::TMessage& message) {
  TsBaseSpinEdit::WndProc(message);
  switch (message.Msg) {
    case vcl::CM_EXIT:
      // Leaving puts what was typed back within the range.
      if (CheckValue(Value()) != Value()) SetValue(Value());
      break;
    case vcl::CM_MOUSEWHEEL:
      if (!ReadOnly()) {
        const int notches = static_cast<vcl::TCMMouseWheel&>(message).WheelDelta() / WHEEL_DELTA;
        if (notches != 0) SetValue(Value() + notches * increment_);
        message.Result = 1;
      }
      break;
    default:
      break;
  }
}

// ---- Published properties --------------------------------------------------------------------

VCL_PUBLISHED(TsTimerSpeedButton, p) { (void)p; }

VCL_PUBLISHED(TsSpinButton, p) {
  using C = TsSpinButton;
  p.Object("UpGlyph", &C::UpGlyph, &C::SetUpGlyph)
      .Object("DownGlyph", &C::DownGlyph, &C::SetDownGlyph)
      .Event("OnUpClick", &C::OnUpClick)
      .Event("OnDownClick", &C::OnDownClick);
}

VCL_PUBLISHED(TsBaseSpinEdit, p) {
  using C = TsBaseSpinEdit;
  p.Bool("EditorEnabled", &C::EditorEnabled, &C::SetEditorEnabled, true)
      .Event("OnUpClick", &C::OnUpClick)
      .Event("OnDownClick", &C::OnDownClick);
}

VCL_PUBLISHED(TsSpinEdit, p) {
  using C = TsSpinEdit;
  p.Integer("Increment", &C::Increment, &C::SetIncrement, 1)
      .Integer("MaxValue", &C::MaxValue, &C::SetMaxValue, 0)
      .Integer("MinValue", &C::MinValue, &C::SetMinValue, 0)
      .Integer("Value", &C::Value, &C::SetValue)
      .Stored(false);
}

}  // namespace skin
