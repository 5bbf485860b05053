#include "skin/controls/combo_edit.h"

#include <algorithm>
#include <array>

#include "skin/controls/cache_painting.h"
#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/disabled_look.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/show_animations.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/screen.h"
#include "vcl/runtime/scope_exit.h"

namespace skin {

// ---- The built-in glyphs ---------------------------------------------------------------------

namespace {

constexpr int32_t kGlyphSize = 16;
constexpr int32_t kGlyphFrames = 3;

// One 16 x 16 frame of a glyph in the ink colour, at x0.
void DrawGlyphFrame(vcl::TCanvas* canvas, int32_t glyph, int32_t x0, int32_t y0, vcl::TColor ink) {
  canvas->Pen()->SetColor(ink);
  canvas->Brush()->SetColor(ink);
  auto line = [&](int ax, int ay, int bx, int by) {
    canvas->MoveTo(x0 + ax, y0 + ay);
    canvas->LineTo(x0 + bx, y0 + by);
  };
  auto box = [&](int l, int t, int r, int b) { canvas->FrameRect(vcl::TRect{x0 + l, y0 + t, x0 + r, y0 + b}); };
  auto dot = [&](int x, int y) { canvas->FillRect(vcl::TRect{x0 + x, y0 + y, x0 + x + 2, y0 + y + 2}); };
  switch (glyph) {
    case dgDocument:
      line(3, 1, 10, 1);
      line(10, 1, 13, 4);
      line(13, 4, 13, 15);
      line(13, 14, 3, 14);
      line(3, 14, 3, 1);
      line(10, 1, 10, 4);
      line(10, 4, 13, 4);
      for (int y = 6; y <= 11; y += 2) line(5, y, 11, y);
      break;
    case dgFolder:
      line(1, 4, 6, 4);
      line(6, 4, 7, 5);
      line(7, 5, 14, 5);
      box(1, 6, 15, 14);
      line(1, 4, 1, 6);
      break;
    case dgCalendar:
      box(1, 2, 15, 15);
      canvas->FillRect(vcl::TRect{x0 + 1, y0 + 2, x0 + 15, y0 + 5});
      for (int y = 7; y <= 11; y += 4)
        for (int x = 3; x <= 11; x += 4) dot(x, y);
      break;
    case dgEllipsis:
      for (int x = 3; x <= 11; x += 4) dot(x, 11);
      break;
    case dgCalculator:
      box(3, 1, 13, 15);
      box(5, 3, 11, 6);
      for (int y = 8; y <= 12; y += 2)
        for (int x = 5; x <= 9; x += 2) canvas->FillRect(vcl::TRect{x0 + x, y0 + y, x0 + x + 1, y0 + y + 1});
      break;
    default:
      break;
  }
}

std::unique_ptr<vcl::TBitmap> MakeGlyphStrip(int32_t glyph) {
  auto strip = CreateBmp24(kGlyphSize * kGlyphFrames, kGlyphSize);
  vcl::TCanvas* canvas = strip->Canvas();
  canvas->Brush()->SetColor(vcl::TColor(SkinKeyColor));
  canvas->FillRect(vcl::TRect{0, 0, strip->Width(), strip->Height()});
  // Normal, hot (brighter ink) and pressed (moved one pixel down and right).
  DrawGlyphFrame(canvas, glyph, 0, 0, vcl::TColor(0x404040));
  DrawGlyphFrame(canvas, glyph, kGlyphSize, 0, vcl::TColor(0xB05000));
  DrawGlyphFrame(canvas, glyph, 2 * kGlyphSize + 1, 1, vcl::TColor(0x202020));
  return strip;
}

std::array<std::unique_ptr<vcl::TBitmap>, 5>& DefaultGlyphStrips() {
  static std::array<std::unique_ptr<vcl::TBitmap>, 5> strips;
  return strips;
}

}  // namespace

int32_t DefaultGlyphCount() { return int32_t(DefaultGlyphStrips().size()); }

vcl::TBitmap* DefaultGlyph(int32_t index) {
  auto& strips = DefaultGlyphStrips();
  if (index < 0 || index >= int32_t(strips.size())) return nullptr;
  if (!strips[size_t(index)]) strips[size_t(index)] = MakeGlyphStrip(index);
  return strips[size_t(index)].get();
}

// ---- TsEditButton ----------------------------------------------------------------------------

TsEditButton::TsEditButton(TsCustomComboEdit* edit) : TsSpeedButton(edit), edit_(edit) {
  SkinData()->SetSkinSection("SPEEDBUTTON_SMALL");
  SetAnimatEvents(TacAnimatEvents((1 << aeMouseEnter) | (1 << aeMouseLeave)));
  SetCursor(vcl::crArrow);
  SetAlign(vcl::alRight);
  SetWidth(22);
  SetFlat(true);
}

TsEditButton::~TsEditButton() = default;

int32_t TsEditButton::SkinState() const {
  if (state_ == vcl::bsDown) return 2;
  return MouseInControl() ? 1 : 0;
}

void TsEditButton::DrawGlyphAt(vcl::TCanvas* canvas, vcl::TPoint origin) {
  TsGlyphMode* mode = edit_->GlyphMode();
  const int32_t w = mode->GlyphWidth();
  const int32_t h = mode->GlyphHeight();
  if (w <= 0 || h <= 0) return;
  const int32_t state = Enabled() ? SkinState() : 0;
  const int32_t x = origin.x + (Width() - w) / 2;
  const int32_t y = origin.y + (Height() - h) / 2;
  if (mode->HasOwnImage()) {
    mode->Images()->Draw(canvas, x, y, mode->ImageIndexFor(state), Enabled());
    return;
  }
  vcl::TBitmap* strip = DefaultGlyph(edit_->DefaultGlyphIndex());
  if (!strip) return;
  const int32_t frame = std::min(state, mode->NumGlyphs() - 1);
  TransparentBlt(canvas->Handle(), x, y, w, h, strip->Canvas()->Handle(), frame * w, 0, w, h, SkinKeyColor);
}

void TsEditButton::PrepareCache() {
  TsCommonData* link = SkinData();
  link->InitCacheBmp24();
  vcl::TBitmap* cache = link->CacheBitmap.get();
  TsCommonData* editLink = edit_->SkinData();
  // The button shows the edit's own image behind its glyph.
  if (editLink->CacheBitmap)
    BitBlt(cache->Canvas()->Handle(), 0, 0, Width(), Height(), editLink->CacheBitmap->Canvas()->Handle(), Left() + 2,
           Top() + 2, SRCCOPY);
  DrawGlyphAt(cache->Canvas(), vcl::TPoint{0, 0});
  link->CacheStale = false;
  if (!Enabled() && editLink->CacheBitmap) {
    TsBackgroundInfo info{editLink->CacheBitmap.get(), Left() + 2, Top() + 2, 0, true};
    ApplyDisabledKind(cache, TsDisabledKind{dkBlended}, edit_, vcl::TPoint{0, 0}, info);
  }
}

void TsEditButton::PaintTo(HDC dc, vcl::TPoint point) {
  if (edit_->SkinData()->IsSkinned()) {
    PrepareCache();
    BitBlt(dc, point.x, point.y, Width(), Height(), SkinData()->CacheBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
  } else {
    const int saved = SaveDC(dc);
    SetWindowOrgEx(dc, -point.x, -point.y, nullptr);
    vcl::TCanvas canvas;
    canvas.SetHandle(dc);
    DrawGlyphAt(&canvas, vcl::TPoint{0, 0});
    canvas.SetHandle(nullptr);
    RestoreDC(dc, saved);
  }
}

void TsEditButton::Paint() {
  if (Width() <= 0) return;
  if (edit_->SkinData()->IsSkinned()) {
    if (AnimationInProgress) return;
    PrepareCache();
    BitBlt(Canvas()->Handle(), 0, 0, Width(), Height(), SkinData()->CacheBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
    return;
  }
  vcl::TSpeedButton::Paint();  // the plain frame; the glyph comes from the glyph mode
  DrawGlyphAt(Canvas(), vcl::TPoint{0, 0});
}

// ---- TsGlyphMode -----------------------------------------------------------------------------

TsGlyphMode::TsGlyphMode(TsCustomComboEdit* edit, TsEditButton* button) : edit_(edit), button_(button) {}
TsGlyphMode::~TsGlyphMode() = default;

void TsGlyphMode::SetImages(vcl::TCustomImageList* value) {
  if (images_ == value) return;
  images_ = value;
  if (value) value->FreeNotification(edit_);
  UpdateButton();
}

void TsGlyphMode::SetImageIndex(int32_t value) {
  imageIndex_ = value;
  UpdateButton();
}
void TsGlyphMode::SetImageIndexHot(int32_t value) { imageIndexHot_ = value; }
void TsGlyphMode::SetImageIndexPressed(int32_t value) { imageIndexPressed_ = value; }

void TsGlyphMode::SetBlend(int32_t value) {
  blend_ = std::clamp(value, 0, 100);
  button_->Invalidate();
}

void TsGlyphMode::SetGrayed(bool value) {
  grayed_ = value;
  button_->Invalidate();
}

std::string TsGlyphMode::Hint() const { return button_->Hint(); }
void TsGlyphMode::SetHint(const std::string& value) { button_->SetHint(value); }

bool TsGlyphMode::HasOwnImage() const { return images_ && imageIndex_ >= 0 && imageIndex_ < images_->Count(); }

int32_t TsGlyphMode::ImageIndexFor(int32_t state) const {
  const int32_t index = state == 2 ? imageIndexPressed_ : state == 1 ? imageIndexHot_ : imageIndex_;
  return images_ && index >= 0 && index < images_->Count() ? index : imageIndex_;
}

int32_t TsGlyphMode::NumGlyphs() const {
  if (HasOwnImage()) return 1;
  vcl::TBitmap* strip = DefaultGlyph(edit_->DefaultGlyphIndex());
  if (!strip || strip->Height() == 0 || strip->Width() % strip->Height() != 0) return 1;
  return strip->Width() / strip->Height();
}

int32_t TsGlyphMode::GlyphWidth() const {
  if (edit_->SkinData()->ControlCode == ccCurrencyEdit) return 0;
  if (HasOwnImage()) return images_->Width();
  vcl::TBitmap* strip = DefaultGlyph(edit_->DefaultGlyphIndex());
  return strip ? strip->Width() / NumGlyphs() : 0;
}

int32_t TsGlyphMode::GlyphHeight() const {
  if (HasOwnImage()) return images_->Height();
  vcl::TBitmap* strip = DefaultGlyph(edit_->DefaultGlyphIndex());
  return strip ? strip->Height() : 0;
}

void TsGlyphMode::UpdateButton() {
  if (!edit_->ShowButton()) return;
  button_->SetWidth(GlyphWidth() + 2);
  button_->SetNumGlyphs(std::clamp(NumGlyphs(), 1, 4));
  button_->Invalidate();
}

// ---- TsCustomComboEdit -----------------------------------------------------------------------

TsCustomComboEdit::TsCustomComboEdit(vcl::TComponent* owner) : TsMaskEdit(owner) {
  SkinData()->ControlCode = ccComboEdit;
  SetAutoSize(false);
  button_ = new TsEditButton(this);
  button_->SetParent(this);
  button_->SetVisible(true);
  button_->OnClick = [this](vcl::TObject*) { DoButtonClick(); };
  glyphMode_ = std::make_unique<TsGlyphMode>(this, button_);
  SetHeight(21);
}

TsCustomComboEdit::~TsCustomComboEdit() {
  OnKeyDown = nullptr;
  glyphMode_.reset();
  if (button_) button_->OnClick = nullptr;
}

void TsCustomComboEdit::AfterConstruction() {
  TsMaskEdit::AfterConstruction();
  SkinData()->Loaded();
}

void TsCustomComboEdit::Loaded() {
  TsMaskEdit::Loaded();
  SkinData()->Loaded();
  UpdateEditRect();
}

void TsCustomComboEdit::CreateWnd() {
  TsMaskEdit::CreateWnd();
  UpdateEditRect();
}

void TsCustomComboEdit::CreateParams(vcl::TCreateParams& params) {
  TsMaskEdit::CreateParams(params);
  // A multi-line edit takes a formatting rectangle, which leaves room for the button.
  params.Style |= ES_MULTILINE | WS_CLIPCHILDREN;
  params.Style &= ~DWORD(ES_RIGHT | ES_CENTER);
  if (editAlignment_ == vcl::taRightJustify) params.Style |= ES_RIGHT;
  if (editAlignment_ == vcl::taCenter) params.Style |= ES_CENTER;
}

void TsCustomComboEdit::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  TsMaskEdit::Notification(component, operation);
  if (operation == vcl::opRemove && glyphMode_ && component == glyphMode_->Images()) glyphMode_->SetImages(nullptr);
  if (operation == vcl::opRemove && component == popup_) popup_ = nullptr;
}

void TsCustomComboEdit::SetReadOnly(bool value) {
  if (readOnly_ == value) return;
  readOnly_ = value;
  TsMaskEdit::SetReadOnly(value || !directInput_);
}

void TsCustomComboEdit::SetDirectInput(bool value) {
  TsMaskEdit::SetReadOnly(!value || readOnly_);
  directInput_ = value;
}

void TsCustomComboEdit::SetEditAlignment(vcl::TAlignment value) {
  if (editAlignment_ == value) return;
  editAlignment_ = value;
  if (HandleAllocated()) RecreateWnd();
  Invalidate();
}

void TsCustomComboEdit::SetShowButton(bool value) {
  if (showButton_ == value) return;
  showButton_ = value;
  Invalidate();
  UpdateEditRect();
}

void TsCustomComboEdit::SetDisabledKind(TsDisabledKind value) {
  if (value == DisabledKind()) return;
  TsMaskEdit::SetDisabledKind(value);
}

void TsCustomComboEdit::SetDefaultGlyphIndex(int32_t value) {
  defaultGlyph_ = value;
  glyphMode_->UpdateButton();
}

int32_t TsCustomComboEdit::ButtonSpace() { return showButton_ ? button_->Width() : 0; }

bool TsCustomComboEdit::PopupVisible() const { return popup_ && popup_->Visible(); }

void TsCustomComboEdit::Invalidate() {
  TsMaskEdit::Invalidate();
  if (!button_ || !glyphMode_) return;
  if (!GlobalSkinChanging) button_->SkinData()->CacheStale = true;
  if (showButton_) {
    button_->SetWidth(glyphMode_->GlyphWidth());
    button_->SetVisible(true);
  } else {
    button_->SetVisible(false);
    button_->SetWidth(0);
  }
  glyphMode_->UpdateButton();
}

void TsCustomComboEdit::UpdateEditRect() {
  if (!Parent() || !HandleAllocated()) return;
  RECT rect{0, 0, ClientWidth() - ButtonSpace(), ClientHeight()};
  SendMessageA(Handle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&rect));
}

void TsCustomComboEdit::DoButtonClick() {
  if (ReadOnly()) return;
  ButtonClick();
}

void TsCustomComboEdit::ButtonClick() {
  if (OnButtonClick) OnButtonClick(this);
  if (PopupVisible())
    PopupCloseUp();
  else
    PopupDropDown(true);
}

void TsCustomComboEdit::SelectAllText() {
  if (HandleAllocated() && !Text().empty()) SendMessageA(Handle(), EM_SETSEL, 0, -1);
}

void TsCustomComboEdit::PopupDropDown(bool disableEdit) {
  if (!popup_ || ReadOnly() || PopupVisible()) return;
  popup_->SetVisible(false);
  popup_->SetWidth(popupWidth_);
  // The window's own corner, not its client area's.
  RECT window{};
  if (HandleAllocated()) GetWindowRect(Handle(), &window);
  int32_t x = window.left;
  const int32_t y0 = window.top;
  RECT desktop{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &desktop, 0);
  const int32_t popupHeight = popup_->Height();
  int32_t y = y0 + Height();
  if (y + popupHeight > desktop.bottom) y = y0 - popupHeight;
  if (popupAlign_ == epaRight) {
    x = x + Width() - popupWidth_;
    if (x < desktop.left) x = x + popupWidth_ - Width();
  } else if (x + popupWidth_ > desktop.right) {
    x = x + Width() - popupWidth_;
  }
  x = std::max<int32_t>(x, desktop.left);
  if (x + popupWidth_ > desktop.right) x = desktop.right - popupWidth_;
  if (vcl::TCustomForm* form = vcl::GetParentForm(this)) {
    if (auto* popupForm = dynamic_cast<vcl::TForm*>(popup_); popupForm && form->FormStyle() == vcl::fsStayOnTop)
      popupForm->SetFormStyle(vcl::fsStayOnTop);
  }
  popup_->SetBounds(x, y, popupWidth_, popupHeight);
  popup_->Show();
  // An owned popup stays above its owner form; it only needs to come to the front.
  if (popup_->HandleAllocated())
    SetWindowPos(popup_->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

void TsCustomComboEdit::PopupCloseUp() {
  if (PopupVisible()) popup_->Close();
}

void TsCustomComboEdit::Change() {
  if (!PopupVisible()) TsMaskEdit::Change();
}

void TsCustomComboEdit::KeyDown(WORD& key, vcl::TShiftState shift) {
  vcl::TShiftState modifiers;
  if (shift.Contains(vcl::ssShift)) modifiers.Include(vcl::ssShift);
  if (shift.Contains(vcl::ssCtrl)) modifiers.Include(vcl::ssCtrl);
  if (shift.Contains(vcl::ssAlt)) modifiers.Include(vcl::ssAlt);
  const vcl::TShortCut pressed = vcl::TShortCut(key | (modifiers.Contains(vcl::ssShift) ? vcl::scShift : 0) |
                                                (modifiers.Contains(vcl::ssCtrl) ? vcl::scCtrl : 0) |
                                                (modifiers.Contains(vcl::ssAlt) ? vcl::scAlt : 0));
  TsMaskEdit::KeyDown(key, shift);
  if (key != 0 && clickKey_ != vcl::scNone && pressed == clickKey_ && glyphMode_->GlyphWidth() > 0) {
    DoButtonClick();
    key = 0;
  }
  UpdateEditRect();
}

void TsCustomComboEdit::KeyPress(char& key) {
  if (key == '\r' || key == '\x1b') {
    // The form's default and cancel buttons act on Enter and Esc first.
    if (vcl::TCustomForm* form = vcl::GetParentForm(this))
      if (form->Perform(vcl::CM_DIALOGKEY, WPARAM(static_cast<unsigned char>(key)), 0) != 0) {
        key = 0;
        return;
      }
  }
  if (key == '\r') {
    TsMaskEdit::KeyPress(key);
    key = 0;
    return;
  }
  TsMaskEdit::KeyPress(key);
}

void TsCustomComboEdit::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (!GlobalSkinChanging) SkinData()->CacheStale = true;
  TsMaskEdit::MouseDown(button, shift, x, y);
  if (PopupVisible()) PopupCloseUp();
  UpdateEditRect();
}

int32_t TsCustomComboEdit::CurrentState() {
  if (SkinData()->InHotState()) return 1;
  return button_ && button_->Visible() && button_->MouseInControl() ? 1 : 0;
}

void TsCustomComboEdit::DrawButtonOver(HDC dc) {
  if (button_ && button_->Visible() && showButton_)
    button_->PaintTo(dc, vcl::TPoint{button_->Left() + 2, button_->Top() + 2});
}

void TsCustomComboEdit::PaintHandler(HDC dc) {
  TsCommonData* link = SkinData();
  if (!link->IsSkinned()) {
    if (!HandleAllocated()) return;
    PrepareCache();
    HDC target = dc ? dc : GetDC(Handle());
    BitBlt(target, 0, 0, Width() - 6, Height() - 6, link->CacheBitmap->Canvas()->Handle(), 3, 3, SRCCOPY);
    DrawButtonOver(target);
    if (!dc) ReleaseDC(Handle(), target);
    return;
  }
  PaintWholeCache(this, link, dc, false, [this] { PrepareCache(); }, [this](HDC target) {
    if (CurrentState() == 0 || target == AnimImageDC) DrawButtonOver(target);
  });
}

void TsCustomComboEdit::PaintBorder(HDC dc) {
  CopyBorderFromCache(dc, [this](HDC target) {
    if (CurrentState() != 0) DrawButtonOver(target);
  });
}

void TsCustomComboEdit::PaintText() {
  TsCommonData* link = SkinData();
  std::string text = ShownText();
  if (text.empty()) return;
  if (PasswordChar() != '\0') text = std::string(text.size(), PasswordChar());
  vcl::TCanvas* canvas = link->CacheBitmap->Canvas();
  canvas->Font()->Assign(Font());
  const int32_t a = BorderWidth();
  const vcl::TRect rect{a, a, Width() - a - ButtonSpace(), Height() - a};
  WriteSkinDataText(canvas, text, Enabled() || link->IsSkinned(), link->InHotState(), link,
                    uint32_t(AlignToDrawTextFlags(this, editAlignment_)) | DT_NOPREFIX, rect);
}

bool TsCustomComboEdit::ComboMessage(vcl::TMessage& message) {
  TsCommonData* link = SkinData();
  if (!link->IsSkinned()) return false;
  switch (message.Msg) {
    case WM_ERASEBKGND:
      if (!Visible()) return false;
      link->UpdatePending = link->IsUpdating();
      return link->UpdatePending;
    case WM_PRINT: {
      HDC dc = reinterpret_cast<HDC>(message.WParam);
      link->UpdatePending = false;
      if (link->CacheStale) PrepareCache();
      PaintTransparentCorners(link, 0);
      const bool visible = button_->Visible();
      button_->SetVisible(false);
      vcl::TScopeExit restore([&] { button_->SetVisible(visible); });
      PaintHandler(dc);
      CopyBorderStrips(dc, 0, 0, Width(), Height(), link->CacheBitmap->Canvas()->Handle(), 0, 0, BorderWidth());
      if (showButton_) button_->PaintTo(dc, vcl::TPoint{button_->Left() + 2, button_->Top() + 2});
      return true;
    }
    default:
      if (message.Msg == SM_ALPHACMD && HIWORD(message.WParam) == cmdGetBackground) {
        auto* request = reinterpret_cast<TsBackgroundRequest*>(message.LParam);
        link->ProvideBgInfo(*request, 0, nullptr);
        request->OffsetX = BorderWidth();
        request->OffsetY = BorderWidth();
        message.Result = 1;
        return true;
      }
      return false;
  }
}

void TsCustomComboEdit::WndProc(vcl::TMessage& message) {
  switch (message.Msg) {
    case WM_PASTE:
    case WM_CUT:
      // Only typed input edits the text.
      if (!directInput_ || ReadOnly()) return;
      break;
    case vcl::CM_CANCELMODE: {
      auto* sender = reinterpret_cast<vcl::TControl*>(message.LParam);
      bool inside = sender == this || sender == button_ || sender == popup_;
      if (auto* win = dynamic_cast<vcl::TWinControl*>(popup_); win && sender && !inside)
        inside = win->ContainsControl(sender);
      if (!inside) PopupCloseUp();
      break;
    }
    case vcl::CM_FOCUSCHANGED:
      if (reinterpret_cast<vcl::TControl*>(message.LParam) != this) PopupCloseUp();
      break;
    default:
      break;
  }
  if (ComboMessage(message)) return;
  TsMaskEdit::WndProc(message);
  TsCommonData* link = SkinData();
  switch (message.Msg) {
    case WM_SIZE:
    case vcl::CM_FONTCHANGED:
      UpdateEditRect();
      break;
    case WM_SETFOCUS:
      if (AutoSelect()) SelectAllText();
      break;
    case vcl::CM_ENABLEDCHANGED:
      button_->SetEnabled(Enabled());
      break;
    case vcl::CM_EXIT:
      Repaint();
      break;
    default:
      if (message.Msg == SM_ALPHACMD) {
        const uint16_t command = HIWORD(message.WParam);
        if ((command == cmdSkinSet || command == cmdSkinRemoved || command == cmdSkinRefresh) &&
            message.LParam == LPARAM(link->GetSkinManager())) {
          button_->Perform(message.Msg, message.WParam, message.LParam);
          UpdateEditRect();
        } else if (command == cmdGetStale) {
          message.Result = 0;
        }
      }
      break;
  }
}

VCL_PUBLISHED(TsGlyphMode, p) {
  using C = TsGlyphMode;
  p.Integer("Blend", &C::Blend, &C::SetBlend, 0)
      .Bool("Grayed", &C::Grayed, &C::SetGrayed, false)
      .String("Hint", &C::Hint, &C::SetHint)
      .Component("Images", &C::Images, &C::SetImages)
      .Integer("ImageIndex", &C::ImageIndex, &C::SetImageIndex, -1)
      .Integer("ImageIndexHot", &C::ImageIndexHot, &C::SetImageIndexHot, -1)
      .Integer("ImageIndexPressed", &C::ImageIndexPressed, &C::SetImageIndexPressed, -1);
}

VCL_PUBLISHED(TsEditButton, p) { (void)p; }

VCL_PUBLISHED(TsCustomComboEdit, p) {
  using C = TsCustomComboEdit;
  p.Bool("ShowButton", &C::ShowButton, &C::SetShowButton, true)
      .Integer("ClickKey", &C::ClickKey, &C::SetClickKey, vcl::scAlt | VK_DOWN)
      .Object("GlyphMode", &C::GlyphMode, nullptr)
      .Bool("DirectInput", &C::DirectInput, &C::SetDirectInput, true)
      .Bool("ReadOnly", &C::ReadOnly, &C::SetReadOnly, false)
      .Event("OnButtonClick", &C::OnButtonClick);
}

}  // namespace skin
