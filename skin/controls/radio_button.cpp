#include "skin/controls/radio_button.h"

#include <algorithm>

#include "skin/controls/skin_commands.h"
#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/keyed_copies.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/paint/text_routines.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/runtime/scope_exit.h"

namespace skin {

TsRadioButton::TsRadioButton(vcl::TComponent* owner)
    : vcl::TRadioButton(owner),
      glyphUnChecked_(std::make_unique<vcl::TBitmap>()),
      glyphChecked_(std::make_unique<vcl::TBitmap>()) {
  skinData_ = std::make_unique<TsCommonData>(this, false);
  skinData_->ControlCode = ccRadioButton;
  skinData_->LinkedControl = this;
  SetAutoSize(true);
}

TsRadioButton::~TsRadioButton() { StopFadeTimer(fadeTimer_, skinData_.get()); }

void TsRadioButton::AfterConstruction() {
  vcl::TRadioButton::AfterConstruction();
  skinData_->Loaded();
}

void TsRadioButton::Loaded() {
  vcl::TRadioButton::Loaded();
  skinData_->Loaded();
  AdjustSize();
}

vcl::TAlignment TsRadioButton::GetControlsAlignment() {
  if (!UseRightToLeftAlignment()) return Alignment();
  return Alignment() == vcl::taRightJustify ? vcl::taLeftJustify : vcl::taRightJustify;
}

void TsRadioButton::Invalidate() {
  vcl::TRadioButton::Invalidate();
  if (AutoSize() && WordWrap()) vcl::TRadioButton::SetWordWrap(false);
}

void TsRadioButton::SetWordWrap(bool value) {
  if (WordWrap() == value) return;
  vcl::TRadioButton::SetWordWrap(value);
  skinData_->CacheStale = true;
  if (AutoSize()) SetAutoSize(false);
  Repaint();
}

void TsRadioButton::SetDisabledKind(TsDisabledKind value) {
  if (disabledKind_ == value) return;
  disabledKind_ = value;
  skinData_->Invalidate();
}

void TsRadioButton::SetGlyphChecked(vcl::TBitmap* value) {
  glyphChecked_->Assign(value);
  if (AutoSize()) AdjustSize();
  if (Checked()) skinData_->Invalidate();
}

void TsRadioButton::SetGlyphUnChecked(vcl::TBitmap* value) {
  glyphUnChecked_->Assign(value);
  if (AutoSize()) AdjustSize();
  if (!Checked()) skinData_->Invalidate();
}

void TsRadioButton::SetTextIndent(int32_t value) {
  if (textIndent_ == value) return;
  textIndent_ = value;
  if (AutoSize()) AdjustSize();
  Invalidate();
}

void TsRadioButton::SetMargin(int32_t value) {
  if (margin_ == value) return;
  margin_ = value;
  if (AutoSize()) AdjustSize();
  Invalidate();
}

void TsRadioButton::SetShowFocus(bool value) {
  if (showFocus_ == value) return;
  showFocus_ = value;
  Invalidate();
}

// ---- Geometry ----

vcl::TBitmap* TsRadioButton::CustomGlyph() {
  vcl::TBitmap* glyph = Checked() ? glyphChecked_.get() : glyphUnChecked_.get();
  return glyph->Empty() ? nullptr : glyph;
}

int TsRadioButton::CheckMaskIndex(bool checked) {
  TsSkinManager* m = skinData_->GetSkinManager();
  if (!m) return -1;
  return m->FindMaskIndex(m->CommonIndexes.GlobalInfoIndex, "GLOBALINFO", checked ? "RADIOCHECKED" : "RADIOUNCHECKED");
}

vcl::TRect TsRadioButton::GlyphRect() {
  int32_t w = 0, h = 0;
  if (vcl::TBitmap* glyph = CustomGlyph()) {
    h = glyph->Height();
    w = glyph->Width();
    // A strip of square frames shows one frame per state; any other picture is one frame.
    if (h > 0 && w % h == 0) w = h;
  } else {
    TsSkinManager* m = skinData_->GetSkinManager();
    int mask = skinData_->IsSkinned() ? CheckMaskIndex(Checked()) : -1;
    if (!m || !m->IsMaskIndexValid(mask)) return vcl::TRect{0, 0, 16, 16};
    w = MaskFrameWidth(m->Masks[size_t(mask)]);
    h = MaskFrameHeight(m->Masks[size_t(mask)]);
  }
  int32_t x = MarkAtLeft() ? margin_ : Width() - w - margin_;
  int32_t y = (Height() - h) / 2;
  return vcl::TRect{x, y, x + w, y + h};
}

int32_t TsRadioButton::MarkState() {
  if (pressed_) return 2;
  return skinData_->InHotState() && !GetReadOnly() ? 1 : 0;
}

bool TsRadioButton::CanAutoSize(int& newWidth, int& newHeight) {
  vcl::TSize extent{0, 0};
  std::string caption = Caption();
  if (!caption.empty()) extent = vcl::ScreenTextExtent(Font(), caption);
  if (skinData_->IsSkinned()) {
    if (IsLoading(this) || !AutoSize()) return false;
    vcl::TRect g = GlyphRect();
    const int32_t gw = g.right - g.left, gh = g.bottom - g.top;
    newWidth = gw + 2 * margin_ + (caption.empty() ? 0 : extent.cx + textIndent_ + 8);
    newHeight = std::max(gh, (caption.empty() ? 0 : extent.cy) + 2 * margin_) + 2;
    return true;
  }
  if (AutoSize()) {
    newWidth = extent.cx + 20;
    newHeight = std::max(int(extent.cy) + 4, 20);
    return false;
  }
  return vcl::TRadioButton::CanAutoSize(newWidth, newHeight);
}

// ---- Composition ----

void TsRadioButton::PaintText() {
  std::string caption = Caption();
  if (caption.empty()) return;
  vcl::TCanvas* canvas = skinData_->CacheBitmap->Canvas();
  vcl::TRect g = GlyphRect();
  const int32_t aw = Width() - (g.right - g.left) - textIndent_ - 2 * margin_ - 2;
  RECT calc{0, 0, aw, 0};
  DrawTextA(canvas->Handle(), caption.c_str(), int(caption.size()), &calc,
            DT_CALCRECT | (WordWrap() ? DT_WORDBREAK : DT_SINGLELINE));
  const int32_t tw = calc.right - calc.left, th = calc.bottom - calc.top;
  vcl::TRect r;
  r.top = std::max((Height() - th) / 2, margin_);
  r.bottom = r.top + th;
  if (MarkAtLeft()) {
    r.left = Width() - aw - margin_ + 2;
    r.right = Width() - margin_;
  } else {
    r.left = margin_;
    r.right = aw + margin_;
  }
  OffsetRect(&r, WordWrap() ? -1 : 0, -1);
  WriteSkinDataText(canvas, caption, true, skinData_->InHotState() && !GetReadOnly(), skinData_.get(),
                    WordWrap() ? DT_WORDBREAK | DT_CENTER : DT_SINGLELINE, r);
  if (HandleAllocated() && Focused() && showFocus_) {
    vcl::TRect f = r;
    f.top += 1;
    if (!WordWrap()) f.bottom -= 1;
    f.right = f.left + tw;
    InflateRect(&f, 1, 1);
    DrawDottedFocusRect(canvas, f);
  }
}

void TsRadioButton::PaintGlyph() {
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  if (cache->Width() == 0) return;
  vcl::TRect r = GlyphRect();
  if (vcl::TBitmap* glyph = CustomGlyph()) {
    const int32_t w = r.right - r.left, h = r.bottom - r.top;
    const int32_t frames = w > 0 ? glyph->Width() / w : 1;
    int32_t frame = pressed_ ? std::min(2, frames - 1)
                    : skinData_->InHotState() && !GetReadOnly() ? std::min(1, frames - 1)
                                                                : 0;
    if (glyph->HandleType() != vcl::bmDIB) glyph->SetHandleType(vcl::bmDIB);
    if (glyph->PixelFormat() != vcl::pf32bit && glyph->PixelFormat() != vcl::pf24bit)
      glyph->SetPixelFormat(vcl::pf24bit);
    TsBackgroundInfo info;
    FillBmpBgInfo(cache, 0, 0, info);
    CopyKeyedRect(cache, glyph, r.left, false, info, vcl::TColor(SkinKeyColor),
                  vcl::TRect{frame * w, 0, w * (frame + 1) - 1, h - 1}, r.top);
    return;
  }
  TsSkinManager* m = skinData_->GetSkinManager();
  int mask = CheckMaskIndex(Checked());
  if (!m || !m->IsMaskIndexValid(mask)) return;
  TsBackgroundInfo info;
  FillBmpBgInfo(cache, 0, 0, info);
  PaintMaskGlyph(cache, vcl::TPoint{r.left, r.top}, MarkState(), info, m->Masks[size_t(mask)], kGlyphNormal);
}

void TsRadioButton::PrepareCache() {
  TsCommonData* link = skinData_.get();
  link->InitCacheBmp24();
  vcl::TBitmap* cache = link->CacheBitmap.get();
  cache->Canvas()->SetFont(Font());
  const vcl::TRect whole{0, 0, Width(), Height()};
  // The parent paints what lies behind the button straight into the cache.
  TsBackgroundRequest request;
  request.DrawIntoDC = true;
  request.DC = cache->Canvas()->Handle();
  request.OffsetX = Left();
  request.OffsetY = Top();
  request.Rect = whole;
  cache->Canvas()->Lock();
  RequestCtrlBackground(request, Parent(), true);
  cache->Canvas()->Unlock();
  TsBackgroundInfo info;
  FillBmpBgInfo(cache, 0, 0, info);
  PaintSkinDataItem(link, info, true, false, cache, vcl::TPoint{0, 0}, whole,
                    link->InHotState() && !GetReadOnly() ? 1 : 0);
  PaintText();
  PaintGlyph();
  if (!Enabled()) {
    TsBackgroundInfo parent;
    link->GetParentBgInfo(parent);
    ApplyDisabledKind(cache, disabledKind_, Parent(), vcl::TPoint{Left(), Top()}, parent);
  }
  link->CacheStale = false;
}

void TsRadioButton::PaintToDC(HDC dc) {
  // Asking the parent to paint what lies behind may come back here: one paint at a time.
  if (painting_ || skinData_->IsUpdating() || (fadeTimer_ && fadeTimer_->Enabled())) return;
  painting_ = true;
  vcl::TScopeExit done([this] { painting_ = false; });
  skinData_->PartlyHidden = !LiesInsideParent(this);
  PrepareCache();
  PaintTransparentCorners(skinData_.get(), 0);
  BitBlt(dc, 0, 0, Width(), Height(), skinData_->CacheBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TsRadioButton::PaintHandler(HDC dc) {
  PAINTSTRUCT ps{};
  const bool own = dc == nullptr;
  if (own) dc = BeginPaint(Handle(), &ps);
  int saved = SaveDC(dc);
  if (skinData_->IsUpdating())
    skinData_->UpdatePending = true;
  else
    PaintToDC(dc);
  RestoreDC(dc, saved);
  if (own) EndPaint(Handle(), &ps);
}

// ---- Input ----

void TsRadioButton::FadeTo(TacAnimatEvent event, bool halve) {
  FadeOnEvent(fadeTimer_, skinData_.get(), animatEvents_, event, halve);
}

void TsRadioButton::FocusWithoutClick() {
  if (Focused() || !CanFocus()) return;
  SetClicksDisabled(true);
  SetFocus();
  SetClicksDisabled(false);
}

void TsRadioButton::WndProc(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  if (AnswerRadioSkinCommand(message)) return;
  if (message.Msg == SM_ALPHACMD) {
    switch (AlphaCommand(message)) {
      case cmdStopFade:
        StopFadeTimer(fadeTimer_, link);
        return;
      case cmdPaintToCache:
        PrepareCache();
        break;
    }
  }
  const bool skinned = link->IsSkinned();
  if (skinned && HandleSkinnedFocusAndHover(message)) return;
  if (!ControlReadyToPaint(this)) {
    vcl::TRadioButton::WndProc(message);
    return;
  }
  if (PreprocessControlMessage(message, link)) return;
  if (skinned ? HandleSkinnedMessage(message) : FilterUnskinnedMessage(message)) return;
  vcl::TRadioButton::WndProc(message);
}

// The skin commands every skinned control answers, with a radio button's own steps around them.
bool TsRadioButton::AnswerRadioSkinCommand(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  if (IsCommonSkinCommand(message)) {
    auto stopFade = [&](bool) { StopFadeTimer(fadeTimer_, link); };
    if (AnswerSkinCommand(this, message, link,
                          {.SkinSet = {.Before = stopFade,
                                       .After =
                                           [this](bool) {
                                             if (AutoSize()) AdjustSize();
                                             Invalidate();
                                             return true;
                                           }},
                           .SkinRemoved = {.Before = stopFade,
                                           .After =
                                               [this](bool) {
                                                 if (HandleAllocated()) {
                                                   SendMessageA(Handle(), BM_SETCHECK,
                                                                Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
                                                   if (!IsDesigning(this) && SetWindowThemeFunc)
                                                     SetWindowThemeFunc(Handle(), nullptr, nullptr);
                                                 }
                                                 Repaint();
                                                 return true;
                                               }},
                           .SkinRefresh = {.Before = stopFade, .After = [this](bool) {
                             if (AutoSize()) AdjustSize();
                             Repaint();
                             return true;
                           }}}))
      return true;
  }
  return false;
}

// Focus and the mouse over a skinned button fade it in and out, before it is ready to paint.
bool TsRadioButton::HandleSkinnedFocusAndHover(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  switch (message.Msg) {
    case WM_SETFOCUS:
    case vcl::CM_ENTER:
      if (IsDesigning(this)) return false;
      if (!Enabled()) return true;
      vcl::TRadioButton::WndProc(message);
      link->CacheStale = true;
      if (fadeTimer_)
        fadeTimer_->FadeStep();
      else
        Repaint();
      return true;
    case WM_KILLFOCUS:
    case vcl::CM_EXIT:
      if (IsDesigning(this) || !Enabled()) return false;
      StopFadeTimer(fadeTimer_, link);
      Perform(WM_SETREDRAW, 0, 0);
      vcl::TRadioButton::WndProc(message);
      Perform(WM_SETREDRAW, 1, 0);
      link->HasFocus = false;
      link->MouseOver = false;
      link->Invalidate();
      return true;
    case vcl::CM_MOUSEENTER:
      if (Enabled() && !IsDesigning(this) && !link->MouseOver) {
        link->MouseOver = true;
        FadeTo(aeMouseEnter, false);
      }
      return false;
    case vcl::CM_MOUSELEAVE:
      if (Enabled() && !IsDesigning(this)) {
        link->MouseOver = false;
        pressed_ = false;
        FadeTo(aeMouseLeave, false);
      }
      return false;
  }
  return false;
}

// A skinned button paints itself and follows the keyboard and the mouse; true when answered.
bool TsRadioButton::HandleSkinnedMessage(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  const bool active = !IsDesigning(this) && Enabled();
  switch (message.Msg) {
    case WM_ENABLE:
    case WM_NCPAINT:
    case BM_SETSTATE:
      return true;
    case WM_PAINT:
      PaintHandler(reinterpret_cast<HDC>(message.WParam));
      if (IsDesigning(this)) return false;
      return true;
    case WM_ERASEBKGND:
      message.Result = 1;
      return true;
    case BM_SETCHECK:
      vcl::TRadioButton::WndProc(message);
      link->CacheStale = true;
      if (fadeTimer_ && fadeTimer_->FadeStepNo < fadeTimer_->FadeSteps) {
        fadeTimer_->SetEnabled(false);
        Repaint();
      }
      if (message.WParam == BST_UNCHECKED) SetChecked(false);
      if (message.WParam == BST_CHECKED) SetChecked(true);
      if (IsDesigning(this))
        link->Invalidate();
      else
        FadeTo(aeMouseUp, true);
      return true;
    case WM_KEYDOWN:
      if (message.WParam != VK_SPACE || !active) return false;
      if (GetReadOnly()) return true;
      pressed_ = true;
      FocusWithoutClick();
      Repaint();
      if (OnKeyDown) {
        WORD key = WORD(message.WParam);
        OnKeyDown(this, key, vcl::KeyDataToShiftState(message.LParam));
      }
      return true;
    case WM_KEYUP:
      if (!active) return false;
      if (GetReadOnly()) return true;
      if (pressed_) {
        pressed_ = false;
        if (CanModify()) SetChecked(true);
      }
      Repaint();
      if (OnKeyUp) {
        WORD key = WORD(message.WParam);
        OnKeyUp(this, key, vcl::KeyDataToShiftState(message.LParam));
      }
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!active || DragMode() != vcl::dmManual) return false;
      if (GetReadOnly()) return true;
      pressed_ = true;
      FadeTo(aeMouseDown, true);
      FocusWithoutClick();
      if (message.Msg == WM_LBUTTONDBLCLK) {
        if (OnDblClick) OnDblClick(this);
      } else if (OnMouseDown) {
        OnMouseDown(this, vcl::mbLeft, vcl::KeysToShiftState(WORD(message.WParam)), short(LOWORD(message.LParam)),
                    short(HIWORD(message.LParam)));
      }
      return true;
    case WM_LBUTTONUP:
      if (!active) return false;
      if (!GetReadOnly() && CanModify() && pressed_) SetChecked(true);
      pressed_ = false;
      Repaint();
      if (OnMouseUp)
        OnMouseUp(this, vcl::mbLeft, vcl::KeysToShiftState(WORD(message.WParam)), short(LOWORD(message.LParam)),
                  short(HIWORD(message.LParam)));
      return true;
    case WM_PRINT:
      link->UpdatePending = false;
      PaintHandler(reinterpret_cast<HDC>(message.WParam));
      return false;
    case vcl::CM_ENABLEDCHANGED:
      vcl::TRadioButton::WndProc(message);
      Repaint();
      return true;
    case vcl::CM_TEXTCHANGED:
      if (AutoSize()) AdjustSize();
      Repaint();
      return true;
  }
  if (message.Msg == SM_ALPHACMD && AlphaCommand(message) == cmdRepaint && (link->IsUpdating() || link->PartlyHidden)) {
    link->UpdatePending = false;
    PaintHandler(nullptr);
    return true;
  }
  return false;
}

// Without a skin the platform's button does the work; a read-only one refuses changes.
bool TsRadioButton::FilterUnskinnedMessage(vcl::TMessage& message) {
  switch (message.Msg) {
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
      pressed_ = true;
      return false;
    case WM_KEYUP:
    case WM_LBUTTONUP:
      pressed_ = false;
      return false;
    case BM_SETCHECK:
    case BM_SETSTATE:
      if (!ControlState().Contains(vcl::csCreating) && pressed_ && GetReadOnly()) return true;
      return false;
    case WM_LBUTTONDBLCLK:
      if (GetReadOnly()) return true;
      return false;
    case vcl::CN_COMMAND:
      // The platform's click while read-only changes nothing.
      if (GetReadOnly() || !CanModify()) return true;
      return false;
  }
  return false;
}

VCL_PUBLISHED(TsRadioButton, p) {
  using C = TsRadioButton;
  p.Bool("AutoSize", &C::AutoSize, &C::SetAutoSize, true)
      .Integer("Margin", &C::Margin, &C::SetMargin, 2)
      .Set("AnimatEvents", &C::AnimatEvents, &C::SetAnimatEvents, AnimatEventNames, DefaultAnimatEvents)
      .Set("DisabledKind", &C::DisabledKind, &C::SetDisabledKind, DisabledKindNames, TsDisabledKind{dkBlended})
      .Object("GlyphChecked", &C::GlyphChecked, &C::SetGlyphChecked)
      .Object("GlyphUnChecked", &C::GlyphUnChecked, &C::SetGlyphUnChecked)
      .Bool("ReadOnly", &C::ReadOnly, &C::SetReadOnly, false)
      .Bool("ShowFocus", &C::ShowFocus, &C::SetShowFocus, true)
      .Object("SkinData", &C::SkinData)
      .Integer("TextIndent", &C::TextIndent, &C::SetTextIndent, 0)
      .Bool("WordWrap", &C::WordWrap, &C::SetWordWrap, false);
}

}  // namespace skin
