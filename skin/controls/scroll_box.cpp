#include "skin/controls/scroll_box.h"

#include "skin/controls/skin_commands.h"
#include "skin/controls/cache_painting.h"
#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/disabled_look.h"
#include "skin/engine/graphics/skinned_borders.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/graphics/colours.h"

namespace skin {

namespace {
// Set while a wheel turn is handed to the focused control, so that it does not come back.
bool forwardingWheel = false;
// The scroll position before the step that is under way.
int savedScrollPos = 0;
}  // namespace

WORD ShiftStateToKeys(vcl::TShiftState shift) {
  WORD keys = 0;
  if (shift.Contains(vcl::ssShift)) keys |= MK_SHIFT;
  if (shift.Contains(vcl::ssCtrl)) keys |= MK_CONTROL;
  if (shift.Contains(vcl::ssLeft)) keys |= MK_LBUTTON;
  if (shift.Contains(vcl::ssRight)) keys |= MK_RBUTTON;
  if (shift.Contains(vcl::ssMiddle)) keys |= MK_MBUTTON;
  return keys;
}

TsScrollBox::TsScrollBox(vcl::TComponent* owner) : vcl::TScrollBox(owner), canvas_(std::make_unique<vcl::TControlCanvas>()) {
  skinData_ = std::make_unique<TsCommonData>(this, true);
  skinData_->ControlCode = ccScrollBox;
  canvas_->SetControl(this);
  vcl::TControlStyle style = ControlStyle();
  SetControlStyle(style.Include(vcl::csAcceptsControls));
}

TsScrollBox::~TsScrollBox() = default;

void TsScrollBox::AfterConstruction() {
  vcl::TScrollBox::AfterConstruction();
  skinData_->Loaded();
}

void TsScrollBox::Loaded() {
  vcl::TScrollBox::Loaded();
  skinData_->Loaded();
}

void TsScrollBox::SetParent(vcl::TWinControl* parent) {
  vcl::TScrollBox::SetParent(parent);
  if (parent && !IsLoading(this)) skinData_->Loaded();
}

int32_t TsScrollBox::BorderSize() const {
  return BorderStyle() == vcl::bsSingle ? BorderWidth() + 2 : BorderWidth();
}

bool TsScrollBox::UsesCache() const { return (skinData_->CacheRequired() && !skinData_->CustomColor()) || OnPaint; }

void TsScrollBox::PrepareCache() {
  TsCommonData* link = skinData_.get();
  link->InitCacheBmp24();
  PaintSkinDataItemFromParent(link, Parent(), true, false, link->CacheBitmap.get(), vcl::TPoint{Left(), Top()},
                              vcl::TRect{0, 0, Width(), Height()}, 0);
  link->CacheStale = false;
  if (OnPaint) OnPaint(link->CacheBitmap.get());
}

void TsScrollBox::PaintBorder(HDC dc) {
  HDC own = nullptr;
  if (!dc) dc = own = GetDC(Handle());
  TsCommonData* link = skinData_.get();
  const int32_t bw = BorderSize();
  if (UsesCache()) {
    link->UpdatePending = link->IsUpdating();
    if (!link->UpdatePending) {
      const bool redo = CacheNeedsRedraw(link, dc, Width(), Height());
      if (redo) PrepareCache();
      PaintTransparentCorners(link, 0);
      CopyCacheExceptChildren(this, link, vcl::TRect{bw, bw, Width() - bw, Height() - bw},
                              vcl::TRect{0, 0, Width() - 2 * bw, Height() - 2 * bw}, dc, false, 0, 0);
      PaintGraphicControlsToDC(dc, this, vcl::TPoint{0, 0});
    }
  } else {
    link->UpdatePending = false;
    TsSkinManager* m = link->GetSkinManager();
    const TsGeneralData& s = m->Sections[size_t(link->SectionIndex)];
    const int32_t b = link->GetBorderWidth();
    int saved = SaveDC(dc);
    ExcludeGraphicControls(dc, this, 0, 0);
    SetWindowOrgEx(dc, bw, bw, nullptr);
    const vcl::TRect whole{0, 0, Width(), Height()};
    TsBackgroundRequest request;
    if (link->CustomColor()) {
      request.Kind = bkColor;
      request.Color = vcl::ColorToRGB(Color());
    } else {
      RequestCtrlBackground(request, Parent(), false);
    }
    vcl::TRect inner = whole;
    if (s.Transparency == 100 && request.Kind == bkBitmap && request.Bitmap) {
      HDC source = request.Bitmap->Canvas()->Handle();
      const int32_t x = request.OffsetX + Left(), y = request.OffsetY + Top();
      if (b > 0) {
        PaintSkinnedBorder(dc, whole, b, 0, link, inner);
        BitBlt(dc, b, b, Width() - 2 * b, Height() - 2 * b, source, x + b, y + b, SRCCOPY);
      } else {
        BitBlt(dc, 0, 0, Width(), Height(), source, x, y, SRCCOPY);
      }
    } else {
      vcl::TColor fill = vcl::TColor(link->CustomColor() ? vcl::ColorToRGB(Color()) : link->BgColorForState(0));
      if (b > 0) {
        PaintSkinnedBorder(dc, whole, b, 0, link, inner);
        PaintSolidRect(dc, inner, fill);
      } else {
        PaintSolidRect(dc, whole, fill);
      }
    }
    RestoreDC(dc, saved);
    PaintGraphicControlsToDC(dc, this, vcl::TPoint{0, 0});
    if (link->CacheBitmap) link->CacheBitmap->SetSize(0, 0);
  }
  SendRepaintToChildren(this);
  if (own) ReleaseDC(Handle(), own);
}

void TsScrollBox::PaintNonClient() {
  TsCommonData* link = skinData_.get();
  const int32_t bw = BorderSize();
  if (bw <= 0 || !HandleAllocated()) return;
  HDC dc = GetWindowDC(Handle());
  if (UsesCache()) {
    link->UpdatePending = link->IsUpdating();
    if (!link->UpdatePending && ControlReadyToPaint(this)) {
      if (link->CacheStale || !link->CacheBitmap || link->CacheBitmap->Width() != Width()) PrepareCache();
      PaintTransparentCorners(link, 0);
      CopyBorderStrips(dc, 0, 0, Width(), Height(), link->CacheBitmap->Canvas()->Handle(), 0, 0, bw);
    }
  } else {
    vcl::TRect inner{};
    PaintSkinnedBorder(dc, vcl::TRect{0, 0, Width(), Height()}, bw, 0, link, inner);
    if (link->CacheBitmap) link->CacheBitmap->SetSize(0, 0);
  }
  ReleaseDC(Handle(), dc);
}

bool TsScrollBox::DoMouseWheel(vcl::TShiftState shift, int wheelDelta, vcl::TPoint mousePos) {
  if (!autoMouseWheel_) return vcl::TScrollBox::DoMouseWheel(shift, wheelDelta, mousePos);
  if (forwardingWheel) return false;
  vcl::TCustomForm* form = vcl::GetParentForm(this);
  vcl::TWinControl* active = form ? form->ActiveControl() : nullptr;
  LRESULT handled = 0;
  if (active && active != this && active->HandleAllocated()) {
    // The receiver reads the platform's key flags in the low word, not our shift set.
    WPARAM wParam = WPARAM(ShiftStateToKeys(shift)) | WPARAM(WORD(short(wheelDelta))) << 16;
    LPARAM lParam = LPARAM(WORD(short(mousePos.x))) | LPARAM(WORD(short(mousePos.y))) << 16;
    forwardingWheel = true;
    try {
      handled = SendMessageA(active->Handle(), WM_MOUSEWHEEL, wParam, lParam);
    } catch (...) {
      forwardingWheel = false;
      throw;
    }
    forwardingWheel = false;
  }
  if (handled == 0) {
    vcl::TControlScrollBar* bar = VertScrollBar();
    bar->SetPosition(bar->Position() - (wheelDelta / WHEEL_DELTA) * bar->Increment());
  }
  return true;
}

void TsScrollBox::ScrollStep(vcl::TWMScroll& message, bool vertical) {
  TsCommonData* link = skinData_.get();
  const bool skinned = link->IsSkinned() && HandleAllocated();
  vcl::TControlScrollBar* bar = vertical ? VertScrollBar() : HorzScrollBar();
  const bool tracking = message.ScrollCode() == SB_THUMBTRACK;
  const bool cached = skinned && UsesCache();
  if (OnBeforeScroll) OnBeforeScroll(this);
  savedScrollPos = bar->Position();
  // While the thumb is dragged a cached box stops drawing until the step is done.
  if (cached && tracking) SendMessageA(Handle(), WM_SETREDRAW, 0, 0);
  if (vertical)
    vcl::TScrollBox::WMVScroll(message);
  else
    vcl::TScrollBox::WMHScroll(message);
  if (cached) {
    if (tracking) SendMessageA(Handle(), WM_SETREDRAW, 1, 0);
    RedrawWindow(Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | (tracking ? RDW_ALLCHILDREN | RDW_FRAME : 0));
  } else if (skinned && tracking) {
    const int32_t d = savedScrollPos - bar->Position();
    RECT strip;
    if (vertical)
      strip = d < 0 ? RECT{0, Height() + d, Width(), Height()} : RECT{0, 0, Width(), d};
    else
      strip = d < 0 ? RECT{Width() + d, 0, Width(), Height()} : RECT{0, 0, d, Height()};
    RedrawWindow(Handle(), &strip, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
  if (OnAfterScroll) OnAfterScroll(this);
}

void TsScrollBox::WMHScroll(vcl::TWMScroll& message) { ScrollStep(message, false); }
void TsScrollBox::WMVScroll(vcl::TWMScroll& message) { ScrollStep(message, true); }

void TsScrollBox::WndProc(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  if (IsCommonSkinCommand(message)) {
    auto redrawAll = [this] {
      if (HandleAllocated())
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    };
    // The children hear every manager's news: before the box when a skin is set, after it
    // otherwise.
    AnswerSkinCommand(this, message, link,
                      {.SkinSet = {.Before = [&](bool) { PassMessageToChildControls(this, message); },
                                   .After =
                                       [&](bool) {
                                         redrawAll();
                                         return true;
                                       },
                                   .EveryManager = true},
                       .SkinRemoved = {.After =
                                           [&](bool own) {
                                             if (own && !IsDestroying(this)) {
                                               link->SectionIndex = link->BorderMaskIndex = -1;
                                               SetControlStyle(ControlStyle().Exclude(vcl::csOpaque));
                                               redrawAll();
                                             }
                                             PassMessageToChildControls(this, message);
                                             return true;
                                           },
                                       .EveryManager = true},
                       .SkinRefresh = {.After =
                                           [&](bool own) {
                                             if (own) {
                                               link->UpdatePending = link->IsUpdating();
                                               if (HandleAllocated())
                                                 RedrawWindow(Handle(), nullptr, nullptr,
                                                              RDW_INVALIDATE | RDW_ERASE | RDW_FRAME |
                                                                  (!link->UpdatePending && !AnimationInProgress
                                                                       ? RDW_UPDATENOW
                                                                       : 0));
                                             }
                                             PassMessageToChildControls(this, message);
                                             return true;
                                           },
                                       .EveryManager = true}});
    return;
  }
  if (message.Msg == SM_ALPHACMD) {
    switch (AlphaCommand(message)) {
      case cmdRepaint:
        if (link->UpdatePending) {
          if (HandleAllocated()) RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
          link->UpdatePending = false;
          return;
        }
        break;
      case cmdUpdateImage:
        if (HandleAllocated())
          RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        break;
    }
  }
  if (message.Msg == vcl::CM_MOUSEENTER && OnMouseEnter) OnMouseEnter(this);
  if (message.Msg == vcl::CM_MOUSELEAVE && OnMouseLeave) OnMouseLeave(this);
  if (!ControlReadyToPaint(this)) {
    vcl::TScrollBox::WndProc(message);
    return;
  }
  if (link->IsSkinned()) {
    if (message.Msg == SM_ALPHACMD) {
      switch (AlphaCommand(message)) {
        case cmdGetStale:
          message.Result = UsesCache() && link->UpdatePending ? 1 : 0;
          return;
        case cmdGetBackground: {
          auto* request = reinterpret_cast<TsBackgroundRequest*>(message.LParam);
          if (!request) return;
          if (UsesCache() && (link->CacheStale || !link->CacheBitmap || link->CacheBitmap->Width() != Width()))
            PrepareCache();
          link->ProvideBgInfo(*request, 0, Handle());
          // Children lie inside the border.
          if (request->Kind == bkBitmap && !request->DrawIntoDC) {
            request->OffsetX += BorderSize();
            request->OffsetY += BorderSize();
          }
          message.Result = 1;
          return;
        }
        default:
          ProcessAlphaCmd(message, link);
          return;
      }
    }
    switch (message.Msg) {
      case WM_PAINT: {
        if (UsesCache()) {
          PAINTSTRUCT ps{};
          HDC dc = BeginPaint(Handle(), &ps);
          PaintBorder(message.WParam ? reinterpret_cast<HDC>(message.WParam) : dc);
          EndPaint(Handle(), &ps);
        } else {
          InvalidateRect(Handle(), nullptr, TRUE);
          PAINTSTRUCT ps{};
          HDC dc = BeginPaint(Handle(), &ps);
          PaintGraphicControlsToDC(dc, this, vcl::TPoint{0, 0});
          EndPaint(Handle(), &ps);
        }
        message.Result = 0;
        return;
      }
      case WM_ERASEBKGND: {
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        const TsGeneralData& s = link->GetSkinManager()->Sections[size_t(link->SectionIndex)];
        const bool parentFast =
            Parent() && (SendAlphaCmdCtrl(Parent(), cmdFastFlags, 0) & pfFastPaint) != 0;
        if (dc && (s.Transparency == 0 || parentFast)) PaintBorder(dc);
        message.Result = 1;
        return;
      }
      case WM_NCPAINT:
        if (BorderStyle() != vcl::bsNone && Visible() && !AnimationInProgress) {
          PaintNonClient();
          return;
        }
        break;
      case WM_PRINT: {
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        if (!dc) return;
        link->UpdatePending = false;
        const int32_t bw = BorderSize();
        PrepareCache();
        PaintTransparentCorners(link, 0);
        if (bw > 0) CopyBorderStrips(dc, 0, 0, Width(), Height(), link->CacheBitmap->Canvas()->Handle(), 0, 0, bw);
        POINT old{};
        OffsetWindowOrgEx(dc, -bw, -bw, &old);
        int saved = SaveDC(dc);
        IntersectClipRect(dc, 0, 0, Width() - 2 * bw, Height() - 2 * bw);
        link->PartlyHidden = false;
        PaintBorder(dc);
        RestoreDC(dc, saved);
        SetWindowOrgEx(dc, old.x, old.y, nullptr);
        return;
      }
      case vcl::CM_VISIBLECHANGED:
        link->CacheStale = true;
        break;
    }
  }
  PreprocessControlMessage(message, link);
  vcl::TScrollBox::WndProc(message);
  if (message.Msg == WM_SIZE && link->IsSkinned() && HandleAllocated())
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

VCL_PUBLISHED(TsScrollBox, p) {
  using C = TsScrollBox;
  p.Bool("AutoMouseWheel", &C::AutoMouseWheel, &C::SetAutoMouseWheel, false)
      .Object("SkinData", &C::SkinData)
      .Event("OnPaint", &C::OnPaint)
      .Event("OnBeforeScroll", &C::OnBeforeScroll)
      .Event("OnAfterScroll", &C::OnAfterScroll)
      .Event("OnMouseEnter", &C::OnMouseEnter)
      .Event("OnMouseLeave", &C::OnMouseLeave);
}

}  // namespace skin
