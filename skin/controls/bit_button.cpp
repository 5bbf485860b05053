#include "skin/controls/bit_button.h"

#include <algorithm>

#include "skin/controls/push_button_messages.h"
#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/skinned_borders.h"
#include "skin/engine/paint/glyph_text_layout.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/paint/text_routines.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/scope_exit.h"

namespace skin {

TsBitBtn::TsBitBtn(vcl::TComponent* owner) : vcl::TBitBtn(owner) {
  skinData_ = std::make_unique<TsCommonData>(this, true);
  skinData_->ControlCode = ccBitButton;
  SetControlStyle(ControlStyle().Exclude(vcl::csOpaque));
}

TsBitBtn::~TsBitBtn() { StopFadeTimer(fadeTimer_, skinData_.get()); }

void TsBitBtn::AfterConstruction() {
  vcl::TBitBtn::AfterConstruction();
  skinData_->Loaded();
}

void TsBitBtn::Loaded() {
  vcl::TBitBtn::Loaded();
  skinData_->Loaded();
  // The image list wins over a stored glyph.
  if (HasListImage() && Glyph()) Glyph()->Assign(nullptr);
}

void TsBitBtn::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  vcl::TBitBtn::Notification(component, operation);
  if (operation == vcl::opRemove && component == images_) images_ = nullptr;
}

void TsBitBtn::SetImages(vcl::TCustomImageList* value) {
  if (images_ == value) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = value;
  if (images_) images_->FreeNotification(this);
  skinData_->Invalidate();
}

void TsBitBtn::SetBlend(int32_t value) { SetAndInvalidate(blend_, std::clamp(value, 0, 100)); }

void TsBitBtn::SetDown(bool value) {
  if (down_ == value) return;
  down_ = value;
  region_.Stale = true;
  skinData_->CacheStale = true;
  Repaint();
}

void TsBitBtn::SetButtonStyle(bool isDefault) {
  vcl::TBitBtn::SetButtonStyle(isDefault);
  if (defaultFlag_ == isDefault) return;
  defaultFlag_ = isDefault;
  skinData_->Invalidate();
}

// ---- State and geometry ----

int32_t TsBitBtn::CurrentState() {
  const bool pushed = HandleAllocated() && (SendMessageA(Handle(), BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
  if (down_ || ((pushed || ForcePressed) && (skinData_->MouseOver || !ControlState().Contains(vcl::csLButtonDown))))
    return 2;
  if (defaultFlag_ || skinData_->InHotState() || (IsDesigning(this) && Default())) return 1;
  return 0;
}

bool TsBitBtn::HasListImage() const { return images_ && imageIndex_ >= 0 && imageIndex_ < ImageCount(images_); }

int32_t TsBitBtn::GlyphWidth() const {
  const int32_t n = std::max(1, NumGlyphs());
  if (HasListImage()) return images_->Width() / n;
  return Glyph() && Glyph()->Width() > 0 ? Glyph()->Width() / n : 0;
}

int32_t TsBitBtn::GlyphHeight() const {
  if (HasListImage()) return images_->Height();
  return Glyph() && Glyph()->Height() > 0 ? Glyph()->Height() : 0;
}

void TsBitBtn::PlaceGlyphAndText(vcl::TPoint& glyphPos, vcl::TRect& textRect) {
  std::string caption = showCaption_ ? Caption() : std::string();
  vcl::TPoint textSize{0, 0};
  if (!caption.empty()) {
    skinData_->InitCacheBmp24();
    vcl::TCanvas* canvas = skinData_->CacheBitmap->Canvas();
    canvas->SetFont(Font());
    int32_t area = Width() - 2 * std::max(0, Margin());
    if ((Layout() == vcl::blGlyphLeft || Layout() == vcl::blGlyphRight) && GlyphWidth() != 0)
      area -= GlyphWidth() + Spacing();
    RECT r{0, 0, std::max(area, 1), 0};
    DrawTextA(canvas->Handle(), caption.c_str(), int(caption.size()), &r,
              uint32_t(AlignToDrawTextFlags(this, textAlignment_)) | DT_CALCRECT | DT_EXPANDTABS |
                  (WordWrap() ? DT_WORDBREAK : 0));
    textSize = vcl::TPoint{r.right - r.left, r.bottom - r.top};
  }
  CalcGlyphTextLayout(vcl::TRect{0, 0, Width(), Height()}, vcl::TPoint{GlyphWidth(), GlyphHeight()}, textSize,
                      int32_t(Layout()), int32_t(alignment_), Margin(), Spacing(), glyphPos, textRect, 0);
}

vcl::TRect TsBitBtn::CaptionRect() {
  vcl::TPoint glyph;
  vcl::TRect text;
  PlaceGlyphAndText(glyph, text);
  if (CurrentState() == 2) OffsetRect(&text, 1, 1);
  return text;
}

vcl::TRect TsBitBtn::GlyphRect() {
  vcl::TPoint glyph;
  vcl::TRect text;
  PlaceGlyphAndText(glyph, text);
  vcl::TRect r{glyph.x, glyph.y, glyph.x + GlyphWidth(), glyph.y + GlyphHeight()};
  if (CurrentState() == 2) OffsetRect(&r, 1, 1);
  // A reflection below the glyph needs room: the glyph moves up by a sixth of its height
  // (of its height, not its width, so that a wide strip stays on the button).
  if (reflected_) OffsetRect(&r, 0, -(GlyphHeight() / 6));
  return r;
}

// ---- Composition ----

TButtonGlyphSource TsBitBtn::GlyphSource(bool intoCache) {
  TButtonGlyphSource s = ButtonGlyphSource(*this);
  s.Down = down_;
  s.State = intoCache ? CurrentState() : (down_ ? 2 : 0);
  return s;
}

void TsBitBtn::PaintCaption(vcl::TCanvas* canvas, bool skinned) {
  if (!showCaption_ || Caption().empty()) return;
  canvas->SetFont(Font());
  canvas->Brush()->SetStyle(vcl::bsClear);
  vcl::TRect r = CaptionRect();
  const uint32_t flags = uint32_t(AlignToDrawTextFlags(this, textAlignment_)) | DT_EXPANDTABS |
                         (WordWrap() ? DT_WORDBREAK : 0);
  if (skinned) {
    WriteSkinDataText(canvas, Caption(), true, CurrentState() != 0, skinData_.get(), flags, r);
    TsSkinManager* m = skinData_->GetSkinManager();
    const bool sectionFocus = m && m->IsSectionIndexValid(skinData_->SectionIndex) &&
                              m->Sections[size_t(skinData_->SectionIndex)].ShowFocus;
    if (Enabled() && HandleAllocated() && Focused() && sectionFocus && showFocus_) {
      InflateRect(&r, focusMargin_, focusMargin_);
      DrawDottedFocusRect(canvas, r);
    }
  } else if (Enabled()) {
    canvas->Font()->SetColor(Font()->Color());
    DrawCanvasText(canvas, Caption(), r, flags);
  } else {
    vcl::TRect moved = r;
    OffsetRect(&moved, 1, 1);
    canvas->Font()->SetColor(vcl::clBtnHighlight);
    DrawCanvasText(canvas, Caption(), moved, flags);
    canvas->Font()->SetColor(vcl::clBtnShadow);
    DrawCanvasText(canvas, Caption(), r, flags);
  }
}

void TsBitBtn::PaintBorder(int32_t state) {
  TsSkinManager* m = skinData_->GetSkinManager();
  if (!m || !m->IsMaskIndexValid(skinData_->BorderMaskIndex)) return;
  const TsMaskData& mask = m->Masks[size_t(skinData_->BorderMaskIndex)];
  if (state != 0 || !(mask.StretchMode & 2))
    PaintMaskBorderRgn(skinData_->CacheBitmap.get(), region_.Pending(), false, state, mask);
}

void TsBitBtn::PrepareCache() {
  TsCommonData* link = skinData_.get();
  TsBackgroundInfo bg;
  link->GetParentBgInfo(bg);
  link->InitCacheBmp24();
  vcl::TBitmap* cache = link->CacheBitmap.get();
  const int32_t state = CurrentState();
  PaintSkinDataBg(link, bg, state != 0, cache, vcl::TPoint{Left(), Top()}, vcl::TRect{0, 0, Width(), Height()});
  region_.Begin(Width(), Height());
  if (drawOverBorder_) PaintBorder(state);
  PaintCaption(cache->Canvas(), true);
  DrawButtonGlyph(GlyphSource(true), nullptr);
  if (!drawOverBorder_) PaintBorder(state);
  if (!Enabled()) ApplyDisabledKind(cache, disabledKind_, Parent(), vcl::TPoint{Left(), Top()}, bg);
  if (OnPaint) OnPaint(this, cache);
  link->CacheStale = false;
}

void TsBitBtn::OwnerDrawUnskinned(const DRAWITEMSTRUCT& item) {
  vcl::TCanvas canvas;
  canvas.SetHandle(item.hDC);
  vcl::TScopeExit detach([&] { canvas.SetHandle(nullptr); });
  HDC dc = item.hDC;
  vcl::TRect rect = ClientRect();
  const bool selected = item.itemState & ODS_SELECTED;
  const bool focused = item.itemState & ODS_FOCUS;
  UINT flags = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (selected ? DFCS_PUSHED : 0) |
               (item.itemState & ODS_DISABLED ? DFCS_INACTIVE : 0);
  if (defaultFlag_ || focused) {
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWFRAME));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    InflateRect(&rect, -1, -1);
  }
  if (selected) {
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HGDIOBJ oldBrush = SelectObject(dc, face);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
  } else {
    DrawFrameControl(dc, &rect, DFC_BUTTON, flags);
  }
  if (defaultFlag_ && focused) {
    RECT focus = ClientRect();
    InflateRect(&focus, -4, -4);
    DrawFocusRect(dc, &focus);
  }
  PaintCaption(&canvas, false);
  DrawButtonGlyph(GlyphSource(false), &canvas);
}

void TsBitBtn::DrawItem(const DRAWITEMSTRUCT& item) {
  TsCommonData* link = skinData_.get();
  if (!Skinned()) {
    // The platform's drawing serves every glyph but one with per-pixel alpha.
    if (!HasListImage() && !(Glyph() && Glyph()->PixelFormat() == vcl::pf32bit))
      vcl::TBitBtn::DrawItem(item);
    else
      OwnerDrawUnskinned(item);
    return;
  }
  link->UpdatePending = link->IsUpdating();
  if (link->UpdatePending || (fadeTimer_ && fadeTimer_->Enabled())) return;
  // Every look is composed anew: the state, the spacing and the layout may all have changed.
  PrepareCache();
  PaintTransparentCorners(link, CurrentState());
  if (!ControlState().Contains(vcl::csAlignmentNeeded) && !IsDesigning(this)) {
    TsBackgroundInfo bg;
    link->GetParentBgInfo(bg);
    region_.Apply(this, link, bg.Ready);
  }
  region_.Drop();
  BitBlt(item.hDC, 0, 0, Width(), Height(), link->CacheBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
}

// ---- Mouse ----

void TsBitBtn::FadeTo(TacAnimatEvent event, bool halve) {
  FadeOnEvent(fadeTimer_, skinData_.get(), animatEvents_, event, halve);
}

void TsBitBtn::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (Skinned() && Enabled() && !IsDesigning(this)) {
    skinData_->UpdatePending = false;
    if (button == vcl::mbLeft) SuspendHints();
    pressed_ = true;
    if (button == vcl::mbLeft && !down_) {
      region_.Stale = true;
      skinData_->CacheStale = false;
      FadeTo(aeMouseDown, true);
    }
    RestoreHints();
  }
  vcl::TBitBtn::MouseDown(button, shift, x, y);
}

void TsBitBtn::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (!Skinned() || !Enabled() || IsDesigning(this)) {
    vcl::TBitBtn::MouseUp(button, shift, x, y);
    return;
  }
  if (button == vcl::mbLeft) RestoreHints();
  if (!pressed_ || IsDestroying(this)) {
    StopFadeTimer(fadeTimer_, skinData_.get());
    vcl::TBitBtn::MouseUp(button, shift, x, y);
    return;
  }
  pressed_ = false;
  if (button == vcl::mbLeft) {
    PushButtonReleased(this, fadeTimer_, skinData_.get(), region_, animatEvents_);
  }
  vcl::TBitBtn::MouseUp(button, shift, x, y);
}

// ---- Messages ----

void TsBitBtn::WndProc(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  if (message.Msg == WM_KILLFOCUS && IsDestroying(this)) return;
  if (message.Msg == SM_ALPHACMD) {
    switch (AlphaCommand(message)) {
      case cmdSkinSet:
        if (!ForOwnManager(message, link)) break;
        region_.Stale = true;
        StopFadeTimer(fadeTimer_, link);
        PreprocessControlMessage(message, link);
        Invalidate();
        return;
      case cmdSkinRemoved:
        if (!ForOwnManager(message, link) || IsDestroying(this)) break;
        StopFadeTimer(fadeTimer_, link);
        PreprocessControlMessage(message, link);
        region_.Remove(this);
        Repaint();
        return;
    }
    if (PushButtonCommand(this, message, fadeTimer_, link, region_, [this] { PrepareCache(); })) return;
  }
  if (!ControlReadyToPaint(this) || !Skinned()) {
    if ((message.Msg == vcl::CM_MOUSEENTER || message.Msg == vcl::CM_MOUSELEAVE) && Enabled() && !IsDesigning(this)) {
      link->MouseOver = message.Msg == vcl::CM_MOUSEENTER;
      const vcl::TNotifyEvent& event = link->MouseOver ? OnMouseEnter : OnMouseLeave;
      if (event) event(this);
    }
    vcl::TBitBtn::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_SIZE:
    case WM_WINDOWPOSCHANGING:
      region_.Stale = true;
      break;
    case WM_WINDOWPOSCHANGED:
      region_.Stale = true;
      link->CacheStale = true;
      break;
    case WM_KILLFOCUS:
    case vcl::CM_EXIT:
      if (!IsDesigning(this) && Visible() && Enabled()) {
        StopFadeTimer(fadeTimer_, link);
        vcl::TBitBtn::WndProc(message);
        link->HasFocus = false;
        link->Invalidate();
        return;
      }
      break;
    case WM_SETTEXT:
      if (Showing()) {
        StopFadeTimer(fadeTimer_, link);
        Perform(WM_SETREDRAW, 0, 0);
        {
          vcl::TScopeExit redraw([&] { Perform(WM_SETREDRAW, 1, 0); });
          vcl::TBitBtn::WndProc(message);
        }
        link->Invalidate();
        return;
      }
      break;
    case WM_KEYUP:
      vcl::TBitBtn::WndProc(message);
      if (message.WParam == VK_SPACE) {
        region_.Stale = true;
        link->CacheStale = true;
        Repaint();
      }
      return;
    case vcl::CM_MOUSEENTER:
    case vcl::CM_MOUSELEAVE: {
      const bool entered = message.Msg == vcl::CM_MOUSEENTER;
      PushButtonHover(this, link, entered, entered ? OnMouseEnter : OnMouseLeave, fadeTimer_, animatEvents_);
      break;
    }
    case vcl::CM_TEXTCHANGED:
      if ((Visible() || IsDesigning(this)) && !IsDestroying(this)) link->Invalidate();
      return;
  }
  if (IsAlphaCmd(message, cmdRepaint) && link->IsUpdating()) {
    link->UpdatePending = false;
    Repaint();
    return;
  }
  if (PreprocessControlMessage(message, link)) return;
  vcl::TBitBtn::WndProc(message);
  if (message.Msg == vcl::CM_ENABLEDCHANGED && (Visible() || IsDesigning(this)) && !IsDestroying(this)) {
    link->UpdatePending = false;
    link->Invalidate();
  }
}

VCL_PUBLISHED(TsBitBtn, p) {
  using C = TsBitBtn;
  p.Set("AnimatEvents", &C::AnimatEvents, &C::SetAnimatEvents, AnimatEventNames, DefaultAnimatEvents)
      .Enum("Alignment", &C::Alignment, &C::SetAlignment, AlignmentNames, vcl::taCenter)
      .Integer("Blend", &C::Blend, &C::SetBlend, 0)
      .Set("DisabledGlyphKind", &C::DisabledGlyphKind, &C::SetDisabledGlyphKind, {"dgBlended", "dgGrayed"},
           TsDisabledGlyphKind{dgBlended})
      .Set("DisabledKind", &C::DisabledKind, &C::SetDisabledKind, DisabledKindNames, TsDisabledKind{dkBlended})
      .Bool("Down", &C::Down, &C::SetDown, false)
      .Bool("DrawOverBorder", &C::DrawOverBorder, &C::SetDrawOverBorder, true)
      .Integer("FocusMargin", &C::FocusMargin, &C::SetFocusMargin, 1)
      .Bool("Grayed", &C::Grayed, &C::SetGrayed, false)
      .Integer("ImageIndex", &C::ImageIndex, &C::SetImageIndex, -1)
      .Component("Images", &C::Images, &C::SetImages)
      .Bool("Reflected", &C::Reflected, &C::SetReflected, false)
      .Bool("ShowCaption", &C::ShowCaption, &C::SetShowCaption, true)
      .Bool("ShowFocus", &C::ShowFocus, &C::SetShowFocus, true)
      .Object("SkinData", &C::SkinData)
      .Enum("TextAlignment", &C::TextAlignment, &C::SetTextAlignment, AlignmentNames, vcl::taCenter)
      .Integer("TextOffset", &C::TextOffset, &C::SetTextOffset, 0)
      .Bool("WordWrap", &C::WordWrap, &C::SetWordWrap, true)
      .Event("OnMouseEnter", &C::OnMouseEnter)
      .Event("OnMouseLeave", &C::OnMouseLeave)
      .Event("OnPaint", &C::OnPaint);
}

}  // namespace skin
