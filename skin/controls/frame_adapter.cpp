#include "skin/controls/frame_adapter.h"

#include "skin/controls/speed_button.h"
#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/skinned_borders.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/show_animations.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/sysutils.h"

namespace skin {

TsFrameAdapter::TsFrameAdapter(vcl::TComponent* owner) : vcl::TComponent(owner) {
  frame_ = dynamic_cast<vcl::TCustomFrame*>(owner);
  if (!frame_) throw vcl::Exception("TsFrameAdapter adapter must be placed on the handled frame");
  skinData_ = std::make_unique<TsCommonData>(this, true);
  skinData_->ControlCode = ccFrameAdapter;
  skinData_->LinkedControl = frame_;
  if (skinData_->SkinSection().empty() || skinData_->SkinSection() == vcl::UpperCase(ClassName()))
    skinData_->SetSkinSection("GROUPBOX");
  link_ = frame_->WindowProc.Install(
      [this](vcl::TMessage& message, const vcl::TWindowProcNext& next) { FrameWndProc(message, next); });
}

TsFrameAdapter::~TsFrameAdapter() {
  link_.Remove();
  frame_ = nullptr;
}

void TsFrameAdapter::AfterConstruction() {
  vcl::TComponent::AfterConstruction();
  if (frame_ && (!frame_->HandleAllocated() || WndAnswersAlphaCmd(frame_->Handle(), cmdIsSkinned)))
    skinData_->ResolveSkinIndexes();
}

void TsFrameAdapter::Loaded() {
  vcl::TComponent::Loaded();
  if (!frame_ || !skinData_->GetSkinManager()) return;
  skinData_->ResolveSkinIndexes();
  if (skinData_->IsSkinned() && (skinData_->GetSkinManager()->SkinningRules() & (1u << srThirdParty)))
    SendControlLoaded(frame_);
}

void TsFrameAdapter::Redraw(UINT flags) {
  if (frame_ && frame_->HandleAllocated()) RedrawWindow(frame_->Handle(), nullptr, nullptr, flags);
}

int32_t TsFrameAdapter::BackgroundColour() {
  TsCommonData* link = skinData_.get();
  if (link->CacheRequired()) return SkinKeyColor;
  const TsGeneralData& s = link->GetSkinManager()->Sections[size_t(link->SectionIndex)];
  if (s.Transparency == 0) return s.Color;
  vcl::TWinControl* parent = frame_->Parent();
  int32_t p = vcl::ColorToRGB(frame_->Color());
  if (parent) {
    LRESULT answer = SendAlphaCmdCtrl(parent, cmdGetBgColor, 0);
    p = answer == 0 || int32_t(answer) == SkinKeyColor ? vcl::ColorToRGB(parent->Color()) : int32_t(answer);
  }
  if (s.Transparency == 100) return p;
  // Each channel moves from the section's colour toward the parent's by the transparency.
  int32_t result = 0;
  for (int shift : {0, 8, 16}) {
    const int32_t sc = (s.Color >> shift) & 0xFF, pc = (p >> shift) & 0xFF;
    result |= ((sc + (pc - sc) * s.Transparency / 100) & 0xFF) << shift;
  }
  return result;
}

void TsFrameAdapter::PrepareFrameCache() {
  TsCommonData* link = skinData_.get();
  if (link->CacheRequired()) {
    link->InitCacheBmp24();
    link->CacheBitmap->Canvas()->SetFont(frame_->Font());
    TsBackgroundInfo bg;
    link->GetParentBgInfo(bg);
    PaintSkinDataItem(link, bg, true, false, link->CacheBitmap.get(), vcl::TPoint{frame_->Left(), frame_->Top()},
                      vcl::TRect{0, 0, frame_->Width(), frame_->Height()}, 0);
  }
  link->CacheStale = false;
}

void TsFrameAdapter::PaintContent(HDC dc) {
  if (!dc || (AnimationInProgress && dc != AnimImageDC)) return;
  TsCommonData* link = skinData_.get();
  const vcl::TRect whole{0, 0, frame_->Width(), frame_->Height()};
  if (link->CacheRequired()) {
    int saved = SaveDC(dc);
    link->UpdatePending = link->IsUpdating();
    if (!link->UpdatePending) {
      link->CacheStale = link->CacheStale || link->PartlyHidden;
      vcl::TWinControl* parent = frame_->Parent();
      if (link->ShowsParentImage() && parent) {
        const vcl::TRect client = parent->ClientRect();
        POINT a{frame_->Left() + 1, frame_->Top() + 1};
        POINT b{frame_->Left() + frame_->Width() - 1, frame_->Top() + frame_->Height() - 1};
        link->PartlyHidden = !PtInRect(&client, a) || !PtInRect(&client, b);
      } else {
        link->PartlyHidden = false;
      }
      if ((link->CacheStale || !link->CacheBitmap || link->CacheBitmap->Width() != frame_->Width()) &&
          !link->ParentImageForced)
        PrepareFrameCache();
      CopyCacheExceptChildren(frame_, link, whole, whole, dc, false, 0, 0);
      PaintGraphicControlsToDC(dc, frame_, vcl::TPoint{0, 0});
      SendRepaintToChildren(frame_);
    }
    RestoreDC(dc, saved);
    return;
  }
  link->UpdatePending = false;
  int saved = SaveDC(dc);
  ExcludeGraphicControls(dc, frame_, 0, 0);
  const int32_t b = link->GetBorderWidth();
  const vcl::TColor fill = vcl::TColor(link->BgColorForState(0));
  if (b > 0) {
    vcl::TRect inner = whole;
    PaintSkinnedBorder(dc, whole, b, 0, link, inner);
    PaintSolidRect(dc, inner, fill);
  } else {
    PaintSolidRect(dc, whole, fill);
  }
  RestoreDC(dc, saved);
  PaintGraphicControlsToDC(dc, frame_, vcl::TPoint{0, 0});
  if (link->CacheBitmap) link->CacheBitmap->SetSize(0, 0);
}

void TsFrameAdapter::PaintFrame(HDC dc) {
  TsCommonData* link = skinData_.get();
  if (!link->CacheRequired() && frame_->Parent() && !IsDestroying(frame_))
    InvalidateRect(frame_->Handle(), nullptr, TRUE);
  PAINTSTRUCT ps{};
  HDC paintDC = BeginPaint(frame_->Handle(), &ps);
  if (!dc) dc = paintDC;
  int saved = SaveDC(dc);
  if (link->CacheRequired()) {
    link->UpdatePending = link->IsUpdating();
    if (!link->UpdatePending) PaintContent(dc);
  }
  RestoreDC(dc, saved);
  EndPaint(frame_->Handle(), &ps);
}

bool TsFrameAdapter::AnswerSkinned(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  switch (AlphaCommand(message)) {
    case cmdRepaint:
      if (link->UpdatePending) {
        link->UpdatePending = false;
        Redraw(RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      }
      return true;
    case cmdSetUpdating:
      link->UpdatePending = LOWORD(message.WParam) == 1;
      for (int i = 0; i < frame_->ControlCount(); ++i) frame_->Controls(i)->Perform(message.Msg, message.WParam, 0);
      return true;
    case cmdGetStale:
      message.Result = link->UpdatePending && !(link->PaintFlags & pfFastPaint) ? 1 : 0;
      return true;
    case cmdInvalidateIfTransparent:
      if (link->SectionIsTransparent()) link->CacheStale = true;
      return true;
    case cmdGetShowsParent: {
      const TsGeneralData& s = link->GetSkinManager()->Sections[size_t(link->SectionIndex)];
      const LRESULT answer = s.GradientPercent + s.ImagePercent > 0 || link->ShowsParentImage() ? 1 : 0;
      message.Result = message.LParam = answer;
      return true;
    }
    case cmdGetBgColor:
      message.Result = LRESULT(uint32_t(BackgroundColour()));
      return true;
    default:
      PreprocessControlMessage(message, link);
      return true;
  }
}

void TsFrameAdapter::FrameWndProc(vcl::TMessage& message, const vcl::TWindowProcNext& next) {
  TsCommonData* link = skinData_.get();
  if (IsDesigning(this) || !frame_) {
    next(message);
    return;
  }
  if (message.Msg == SM_ALPHACMD) {
    const bool own = ForOwnManager(message, link);
    switch (AlphaCommand(message)) {
      case cmdSkinSet:
        if (!own) break;
        PassMessageToChildControls(frame_, message);
        PreprocessControlMessage(message, link);
        return;
      case cmdSkinRemoved:
        if (!own) break;
        PreprocessControlMessage(message, link);
        PassMessageToChildControls(frame_, message);
        if (frame_->HandleAllocated())
          SetWindowPos(frame_->Handle(), nullptr, 0, 0, 0, 0,
                       SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Redraw(RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        return;
      case cmdSkinRefresh:
        if (!own) break;
        PreprocessControlMessage(message, link);
        link->ResolveSkinIndexes();
        PassMessageToChildControls(frame_, message);
        Redraw(RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        return;
      case cmdIsSkinned:
        message.Result = 1;
        return;
      case cmdStopFade:
        PassMessageToChildControls(frame_, message);
        break;
      case cmdGetSectionIndex:
        message.Result = link->SectionIndex + 1;
        return;
      case cmdGetBackground:
        if (auto* request = reinterpret_cast<TsBackgroundRequest*>(message.LParam)) {
          if (link->CacheRequired() && (link->CacheStale || !link->CacheBitmap)) PrepareFrameCache();
          link->ProvideBgInfo(*request, 0, frame_->HandleAllocated() ? frame_->Handle() : nullptr);
          message.Result = 1;
        }
        return;
      case cmdGetApplication:
        message.Result = LRESULT(vcl::Application);
        return;
    }
  }
  if (IsDestroying(this) || IsDestroying(frame_) || !link->IsSkinned()) {
    if ((message.Msg == vcl::CM_VISIBLECHANGED || message.Msg == vcl::CM_SHOWINGCHANGED) && frame_->HandleAllocated()) {
      link->ResolveSkinIndexes();
      vcl::TMessage skinSet{};
      skinSet.Msg = SM_ALPHACMD;
      skinSet.WParam = MAKEWPARAM(1, cmdSkinSet);
      skinSet.LParam = LPARAM(link->GetSkinManager());
      PassMessageToChildControls(frame_, skinSet);
    }
    next(message);
    return;
  }
  if (message.Msg == SM_ALPHACMD && AnswerSkinned(message)) return;
  switch (message.Msg) {
    case WM_MOVE:
    case WM_SIZE:
      link->CacheStale = link->CacheStale || message.Msg == WM_SIZE || link->ShowsParentImage();
      if (link->CacheStale)
        for (int i = 0; i < frame_->ControlCount(); ++i) SendAlphaCmdCtrl(frame_->Controls(i), cmdInvalidate, 1);
      if (message.Msg == WM_SIZE && frame_->HandleAllocated()) InvalidateRect(frame_->Handle(), nullptr, TRUE);
      next(message);
      return;
    case WM_PAINT:
      if (IsDesigning(frame_) || !frame_->Parent()) break;
      PaintFrame(reinterpret_cast<HDC>(message.WParam));
      message.Result = 0;
      return;
    case WM_ERASEBKGND:
      if (IsDesigning(frame_) || !frame_->Showing()) break;
      if (!AnimationInProgress) {
        link->UpdatePending = link->IsUpdating();
        if (!link->UpdatePending && (!link->CacheRequired() || !link->CacheStale))
          PaintContent(reinterpret_cast<HDC>(message.WParam));
      }
      message.Result = 1;
      return;
    case WM_NCPAINT:
      if (IsDesigning(frame_)) break;
      link->UpdatePending = link->IsUpdating();
      message.Result = 0;
      return;
    case WM_PRINT:
      link->UpdatePending = false;
      if (ControlReadyToPaint(frame_)) {
        link->CacheStale = true;
        PaintContent(reinterpret_cast<HDC>(message.WParam));
      }
      return;
    case vcl::CM_VISIBLECHANGED:
      link->CacheStale = true;
      next(message);
      if (frame_->HandleAllocated()) SendAlphaCmdWnd(frame_->Handle(), cmdSkinRefresh, LPARAM(link->GetSkinManager()));
      return;
    case vcl::CM_MOUSEENTER:
      next(message);
      for (int i = 0; i < frame_->ControlCount(); ++i) {
        vcl::TControl* child = frame_->Controls(i);
        auto* linked = dynamic_cast<IacSkinLinked*>(child);
        if (LPARAM(child) != message.LParam && dynamic_cast<TsSpeedButton*>(child) && linked &&
            linked->SkinLink() && linked->SkinLink()->MouseOver)
          child->Perform(vcl::CM_MOUSELEAVE, 0, 0);
      }
      if (DefaultManager && frame_->HandleAllocated()) DefaultManager->SetHotWindow(frame_->Handle());
      return;
  }
  next(message);
}

VCL_PUBLISHED(TsFrameAdapter, p) { p.Object("SkinData", &TsFrameAdapter::SkinData); }

}  // namespace skin
