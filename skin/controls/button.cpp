#include "skin/controls/button.h"

#include <algorithm>

#include "skin/controls/push_button_messages.h"
#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/skinned_borders.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/paint/text_routines.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"
#include "vcl/runtime/scope_exit.h"

namespace skin {

namespace {
// Focus changes are handled with redrawing off; the platform's own focus drawing must never
// reach the screen, and one change must not start another inside it.
bool inFocusChange = false;
}  // namespace

TsButton::TsButton(vcl::TComponent* owner) : vcl::TButton(owner) {
  skinData_ = std::make_unique<TsCommonData>(this, true);
  skinData_->ControlCode = ccButton;
  vcl::TButton::SetWordWrap(true);
  vcl::TControlStyle style = ControlStyle();
  style.Exclude(vcl::csOpaque).Exclude(vcl::csDoubleClicks);
  SetControlStyle(style);
}

TsButton::~TsButton() { StopFadeTimer(fadeTimer_, skinData_.get()); }

void TsButton::AfterConstruction() {
  vcl::TButton::AfterConstruction();
  skinData_->Loaded();
}

void TsButton::Loaded() {
  vcl::TButton::Loaded();
  skinData_->Loaded();
  if (HandleAllocated()) SetOwnerDrawn(ShouldBeOwnerDrawn());
}

bool TsButton::Skinned() const { return skinData_ && skinData_->IsSkinned(); }

bool TsButton::ShouldBeOwnerDrawn() const {
  TsSkinManager* m = skinData_ ? skinData_->GetSkinManager() : nullptr;
  return m && m->Active() && !m->SkinName().empty() && m->SkinData()->Active &&
         !(IsDesigning(this) && GetOwnerFrame(const_cast<TsButton*>(this)));
}

void TsButton::CreateParams(vcl::TCreateParams& params) {
  vcl::TButton::CreateParams(params);
  if (ShouldBeOwnerDrawn()) params.Style = (params.Style & ~DWORD(0x0F)) | BS_OWNERDRAW;
}

void TsButton::SetOwnerDrawn(bool value) {
  if (!HandleAllocated()) return;
  LONG style = GetWindowLongA(Handle(), GWL_STYLE);
  LONG wanted = value ? (style & ~0x0F) | BS_OWNERDRAW : (style & ~0x0F) | (Default() ? BS_DEFPUSHBUTTON : 0);
  if (wanted != style) SendMessageA(Handle(), BM_SETSTYLE, wanted & 0xFFFF, 1);
}

void TsButton::SetButtonStyle(bool isDefault) {
  // The window keeps its owner-drawn style while skinned; the default look is painted.
  if (!Skinned()) vcl::TButton::SetButtonStyle(isDefault);
  if (defaultFlag_ == isDefault) return;
  defaultFlag_ = isDefault;
  skinData_->Invalidate();
}

void TsButton::SetDown(bool value) {
  if (down_ == value) return;
  down_ = value;
  region_.Stale = true;
  if (!IsLoading(this)) skinData_->Invalidate();
}

void TsButton::SetDisabledKind(TsDisabledKind value) {
  if (disabledKind_ == value) return;
  disabledKind_ = value;
  if (!IsLoading(this)) skinData_->Invalidate();
}

void TsButton::SetShowFocus(bool value) {
  if (showFocus_ == value) return;
  showFocus_ = value;
  skinData_->Invalidate();
}

void TsButton::SetWordWrap(bool value) {
  if (WordWrap() == value) return;
  vcl::TButton::SetWordWrap(value);
  if (!IsLoading(this)) skinData_->Invalidate();
}

// ---- State ----

int32_t TsButton::CurrentState() {
  bool pushed = HandleAllocated() && (SendMessageA(Handle(), BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
  if (down_ || ((pushed || ForcePressed) &&
                (skinData_->MouseOver || !ControlState().Contains(vcl::csLButtonDown))))
    return 2;
  bool defStyle = HandleAllocated() && (GetWindowLongA(Handle(), GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON;
  if (defaultFlag_ || defStyle || skinData_->InHotState() || (IsDesigning(this) && Default())) return 1;
  return 0;
}

// ---- Composition ----

vcl::TPoint TsButton::GetTextSize() {
  std::string caption = Caption();
  int32_t areaWidth = caption.empty() ? 0 : Width() - 2;
  vcl::TCanvas* canvas = skinData_->CacheBitmap->Canvas();
  canvas->SetFont(Font());
  RECT r{0, 0, areaWidth, 0};
  UINT flags = DT_CALCRECT | DT_EXPANDTABS | DT_CENTER | (WordWrap() ? DT_WORDBREAK : DT_SINGLELINE);
  if (!caption.empty()) DrawTextA(canvas->Handle(), caption.c_str(), int(caption.size()), &r, flags);
  return vcl::TPoint{r.right - r.left, r.bottom - r.top};
}

vcl::TRect TsButton::CaptionRect() {
  vcl::TPoint size = GetTextSize();
  int32_t dx = (Width() - size.x) / 2, dy = (Height() - size.y) / 2;
  vcl::TRect r{dx - 1, dy, Width() - dx + 2, Height() - dy};
  if (CurrentState() == 2) OffsetRect(&r, 1, 1);
  return r;
}

void TsButton::DrawCaption(const vcl::TRect& rect, uint32_t flags) {
  WriteSkinDataText(skinData_->CacheBitmap->Canvas(), Caption(), true, CurrentState() != 0, skinData_.get(), flags,
                    rect);
}

void TsButton::PaintCaption() {
  vcl::TCanvas* canvas = skinData_->CacheBitmap->Canvas();
  canvas->SetFont(Font());
  canvas->Brush()->SetStyle(vcl::bsClear);
  vcl::TRect rect = CaptionRect();
  DrawCaption(rect, DT_EXPANDTABS | DT_CENTER | (WordWrap() ? DT_WORDBREAK : 0));
  TsSkinManager* m = skinData_->GetSkinManager();
  bool sectionFocus = m && m->IsSectionIndexValid(skinData_->SectionIndex) &&
                      m->Sections[size_t(skinData_->SectionIndex)].ShowFocus;
  if (Enabled() && HandleAllocated() && Focused() && !Caption().empty() && sectionFocus && showFocus_) {
    InflateRect(&rect, focusMargin_, focusMargin_);
    DrawDottedFocusRect(canvas, rect);
  }
}

void TsButton::PrepareCache() {
  TsBackgroundInfo bg;
  skinData_->GetParentBgInfo(bg);
  skinData_->InitCacheBmp24();
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  const int32_t state = CurrentState();
  const vcl::TRect whole{0, 0, Width(), Height()};
  PaintSkinDataBg(skinData_.get(), bg, state != 0, cache, vcl::TPoint{Left(), Top()}, whole);
  region_.Begin(Width(), Height());
  TsSkinManager* m = skinData_->GetSkinManager();
  if (m && m->IsMaskIndexValid(skinData_->BorderMaskIndex)) {
    const TsMaskData& mask = m->Masks[size_t(skinData_->BorderMaskIndex)];
    // Some masks draw their borders only in the hot and pressed states.
    if (state != 0 || !(mask.StretchMode & 2)) PaintMaskBorderRgn(cache, region_.Pending(), false, state, mask);
  }
  PaintCaption();
  if (!Enabled()) ApplyDisabledKind(cache, disabledKind_, Parent(), vcl::TPoint{Left(), Top()}, bg);
  skinData_->CacheStale = false;
}

void TsButton::PaintHandler(HDC dc, bool printing) {
  PAINTSTRUCT ps{};
  const bool own = dc == nullptr;
  if (own) dc = BeginPaint(Handle(), &ps);
  vcl::TScopeExit end([&] {
    if (own) EndPaint(Handle(), &ps);
  });
  TsCommonData* link = skinData_.get();
  link->UpdatePending = link->IsUpdating();
  // A running fade shows its own frames; a print asks for the look itself.
  if (!printing && (link->UpdatePending || (fadeTimer_ && fadeTimer_->Enabled()))) return;
  if (!link->CacheStale && !link->PartlyHidden && Parent() && Parent()->HandleAllocated())
    link->CacheStale = SendAlphaCmdWnd(Parent()->Handle(), cmdGetPartlyHidden, 0) != 0;
  link->CacheStale = link->CacheStale || link->PartlyHidden;
  link->PartlyHidden = !LiesInsideParent(this);
  if (region_.Stale) link->CacheStale = true;
  if (link->CacheStale) PrepareCache();
  if (region_.Stale) {
    PaintTransparentCorners(link, CurrentState());
    if (!ControlState().Contains(vcl::csAlignmentNeeded) && !IsDesigning(this)) {
      TsBackgroundInfo bg;
      link->GetParentBgInfo(bg);
      region_.Apply(this, link, bg.Ready);
    }
  }
  region_.Drop();
  int saved = SaveDC(dc);
  BitBlt(dc, 0, 0, Width(), Height(), link->CacheBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
  RestoreDC(dc, saved);
}

// ---- Mouse ----

void TsButton::FadeTo(TacAnimatEvent event, bool halve) {
  FadeOnEvent(fadeTimer_, skinData_.get(), animatEvents_, event, halve);
}

void TsButton::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (Skinned() && Enabled() && !IsDesigning(this)) {
    skinData_->UpdatePending = false;
    if (button == vcl::mbLeft) SuspendHints();
    pressed_ = true;
    if (button == vcl::mbLeft && !down_) {
      region_.Stale = true;
      skinData_->UpdatePending = skinData_->IsUpdating();
      skinData_->CacheStale = false;
      FadeTo(aeMouseDown, true);
    }
    // A push button keeps hints off only while it handles the press.
    RestoreHints();
  }
  vcl::TButton::MouseDown(button, shift, x, y);
}

void TsButton::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (!Skinned() || !Enabled() || IsDesigning(this)) {
    vcl::TButton::MouseUp(button, shift, x, y);
    return;
  }
  if (button == vcl::mbLeft) RestoreHints();
  if (!pressed_ || IsDestroying(this)) return;
  pressed_ = false;
  if (button == vcl::mbLeft && Enabled()) {
    PushButtonReleased(this, fadeTimer_, skinData_.get(), region_, animatEvents_);
  }
  vcl::TButton::MouseUp(button, shift, x, y);
}

// ---- Messages ----

void TsButton::WndProc(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  if (message.Msg == WM_KILLFOCUS && IsDestroying(this)) return;
  if (message.Msg == SM_ALPHACMD) {
    TSkinNewsSteps skinSet{.Before =
                               [&](bool) {
                                 region_.Stale = true;
                                 StopFadeTimer(fadeTimer_, link);
                               },
                           .After = [this](bool) {
                             SetOwnerDrawn(ShouldBeOwnerDrawn());
                             Invalidate();
                             return true;
                           }};
    TSkinNewsSteps skinRemoved{.Before = [&](bool) { StopFadeTimer(fadeTimer_, link); },
                               .After =
                                   [this](bool) {
                                     SetOwnerDrawn(false);
                                     region_.Remove(this);
                                     Repaint();
                                     return true;
                                   },
                               .WhileDestroying = false};
    if (PushButtonCommand(this, message, fadeTimer_, link, region_, [this] { PrepareCache(); }, std::move(skinSet),
                          std::move(skinRemoved)))
      return;
  }
  if (!ControlReadyToPaint(this) || !Skinned()) {
    if ((message.Msg == vcl::CM_MOUSEENTER || message.Msg == vcl::CM_MOUSELEAVE) && Enabled() && !IsDesigning(this)) {
      const vcl::TNotifyEvent& event = message.Msg == vcl::CM_MOUSEENTER ? OnMouseEnter : OnMouseLeave;
      if (event) event(this);
    }
    if (message.Msg == WM_PAINT && !Parent() && HandleAllocated()) {
      // Parented by handle only: nothing to paint, but the update region must be validated.
      ValidateRect(Handle(), nullptr);
      return;
    }
    vcl::TButton::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_MOVE: {
      const TsGeneralData& s = link->GetSkinManager()->Sections[size_t(link->SectionIndex)];
      if (s.Transparency > 0 || (s.HotTransparency > 0 && link->InHotState())) {
        link->CacheStale = true;
        Repaint();
      }
      break;
    }
    case WM_SIZE:
      region_.Stale = true;
      break;
    case WM_SETFOCUS:
    case vcl::CM_ENTER:
      if (IsDesigning(this) || !Visible()) break;
      if (Enabled() && !IsDestroying(this) && !inFocusChange) {
        {
          Perform(WM_SETREDRAW, 0, 0);
          inFocusChange = true;
          vcl::TScopeExit done([&] {
            inFocusChange = false;
            Perform(WM_SETREDRAW, 1, 0);
          });
          vcl::TButton::WndProc(message);
        }
        if (fadeTimer_)
          fadeTimer_->FadeStep();
        else
          link->Invalidate();
        return;
      }
      vcl::TButton::WndProc(message);
      return;
    case WM_KILLFOCUS:
    case vcl::CM_EXIT:
      if (IsDesigning(this) || !Visible()) break;
      if (Enabled() && !IsDestroying(this)) {
        StopFadeTimer(fadeTimer_, link);
        Perform(WM_SETREDRAW, 0, 0);
        {
          vcl::TScopeExit done([&] { Perform(WM_SETREDRAW, 1, 0); });
          vcl::TButton::WndProc(message);
        }
        if (Skinned()) {
          link->HasFocus = false;
          region_.Stale = true;
          link->Invalidate();
        }
        return;
      }
      vcl::TButton::WndProc(message);
      return;
    case WM_ENABLE:
      return;
    case WM_PAINT:
      if (!Visible() && !IsDesigning(this)) break;
      PaintHandler(reinterpret_cast<HDC>(message.WParam));
      message.Result = 0;
      if (IsDesigning(this)) break;
      return;
    case WM_ERASEBKGND:
    case WM_UPDATEUISTATE:
      if (Visible() || IsDesigning(this)) {
        message.Result = 1;
        return;
      }
      break;
    case WM_WINDOWPOSCHANGING:
      region_.Stale = true;
      break;
    case WM_WINDOWPOSCHANGED:
      region_.Stale = true;
      link->CacheStale = true;
      break;
    case WM_PRINT:
      region_.Stale = true;
      link->UpdatePending = false;
      PaintHandler(reinterpret_cast<HDC>(message.WParam), true);
      return;
    case WM_KEYUP:
      vcl::TButton::WndProc(message);
      if (message.WParam == VK_SPACE && Skinned()) {
        region_.Stale = true;
        link->CacheStale = true;
        Repaint();
      }
      return;
    case vcl::CM_TEXTCHANGED:
      if (!IsDestroying(this)) link->Invalidate();
      return;
    case vcl::CM_MOUSEENTER:
    case vcl::CM_MOUSELEAVE: {
      const bool entered = message.Msg == vcl::CM_MOUSEENTER;
      PushButtonHover(this, link, entered, entered ? OnMouseEnter : OnMouseLeave, fadeTimer_, animatEvents_);
      break;
    }
    case vcl::CN_DRAWITEM: {
      // The platform asks for a new look on press and release (also from the keyboard).
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
      if (item && item->hDC && !(fadeTimer_ && fadeTimer_->Enabled())) {
        link->CacheStale = true;
        PaintHandler(item->hDC);
      }
      message.Result = 1;
      return;
    }
    case vcl::CN_MEASUREITEM:
      if (auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam)) {
        item->itemWidth = UINT(Width());
        item->itemHeight = UINT(Height());
      }
      return;
  }
  if (message.Msg == SM_ALPHACMD && AlphaCommand(message) == cmdRepaint && link->IsUpdating()) {
    link->UpdatePending = false;
    Repaint();
    return;
  }
  if (PreprocessControlMessage(message, link)) return;
  vcl::TButton::WndProc(message);
  switch (message.Msg) {
    case WM_SETFONT:
      if (Visible() || IsDesigning(this)) {
        link->UpdatePending = false;
        link->Invalidate();
      }
      break;
    case vcl::CM_VISIBLECHANGED:
      if (!IsDestroying(this)) {
        link->CacheStale = true;
        link->UpdatePending = false;
        if (Visible() || IsDesigning(this)) Repaint();
      }
      break;
    case vcl::CM_ENABLEDCHANGED:
      if ((Visible() || IsDesigning(this)) && !IsDestroying(this)) {
        link->UpdatePending = false;
        link->Invalidate();
      }
      break;
  }
}

VCL_PUBLISHED(TsButton, p) {
  using C = TsButton;
  p.Set("AnimatEvents", &C::AnimatEvents, &C::SetAnimatEvents, AnimatEventNames, DefaultAnimatEvents)
      .Set("DisabledKind", &C::DisabledKind, &C::SetDisabledKind, DisabledKindNames, TsDisabledKind{dkBlended})
      .Bool("Down", &C::Down, &C::SetDown, false)
      .Integer("FocusMargin", &C::FocusMargin, &C::SetFocusMargin, 1)
      .Bool("ShowFocus", &C::ShowFocus, &C::SetShowFocus, true)
      .Object("SkinData", &C::SkinData)
      .Bool("WordWrap", &C::WordWrap, &C::SetWordWrap, true)
      .Event("OnMouseEnter", &C::OnMouseEnter)
      .Event("OnMouseLeave", &C::OnMouseLeave);
}

}  // namespace skin
