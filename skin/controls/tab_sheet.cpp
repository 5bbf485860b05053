#include "skin/controls/tab_sheet.h"

#include "skin/controls/skin_commands.h"
#include "skin/engine/bitmap_ops.h"
#include "skin/engine/show_animations.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"

namespace skin {

TsTabSkinData::TsTabSkinData() = default;
TsTabSkinData::~TsTabSkinData() = default;

TsTabSheet::TsTabSheet(vcl::TComponent* owner) : vcl::TTabSheet(owner), skinData_(std::make_unique<TsTabSkinData>()) {}

TsTabSheet::~TsTabSheet() = default;

TsCommonData* TsTabSheet::PageLink() const {
  auto* linked = dynamic_cast<IacSkinLinked*>(PageControl());
  return linked ? linked->SkinLink() : nullptr;
}

bool TsTabSheet::PageSkinned() const {
  TsCommonData* link = PageLink();
  return link && PageControl() && !IsDestroying(PageControl()) && link->IsSkinned();
}

void TsTabSheet::SetTabSkin(const std::string& value) {
  if (tabSkin_ == value) return;
  tabSkin_ = value;
  vcl::TPageControl* page = PageControl();
  if (TsCommonData* link = PageLink(); link && page->Visible() && !IsLoading(page)) {
    link->CacheStale = true;
    if (page->HandleAllocated())
      RedrawWindow(page->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  }
}

void TsTabSheet::SetButtonSkin(const std::string& value) {
  if (buttonSkin_ == value) return;
  buttonSkin_ = value;
  if (TsCommonData* link = PageLink()) link->Invalidate();
}

void TsTabSheet::SetUseCloseBtn(bool value) {
  if (useCloseBtn_ == value) return;
  useCloseBtn_ = value;
  if (TsCommonData* link = PageLink()) link->Invalidate();
}

void TsTabSheet::CreateParams(vcl::TCreateParams& params) {
  vcl::TTabSheet::CreateParams(params);
  params.WindowClass.style &= ~UINT(CS_HREDRAW | CS_VREDRAW);
}

// The page area of the page control's image, from the sheet's place in it.
bool TsTabSheet::PaintFromPage(HDC dc) {
  TsCommonData* link = PageLink();
  link->UpdatePending = link->IsUpdating();
  if (!dc || (AnimationInProgress && dc != AnimImageDC)) return true;
  if (!link->UpdatePending && link->CacheBitmap) {
    CopyCacheExceptChildren(this, link, vcl::TRect{Left(), Top(), Left() + Width(), Top() + Height()},
                            vcl::TRect{0, 0, Width(), Height()}, dc, false, 0, 0);
    PaintGraphicControlsToDC(dc, this, vcl::TPoint{0, 0});
  }
  return true;
}

void TsTabSheet::PaintBorder(HDC messageDC) {
  TsCommonData* link = PageLink();
  link->UpdatePending = link->IsUpdating();
  if (link->UpdatePending || !link->CacheBitmap) return;
  const bool animationDC = AnimationInProgress && messageDC == AnimImageDC;
  HDC dc = animationDC ? messageDC : GetWindowDC(Handle());
  CopyBorderStrips(dc, 0, 0, Width(), Height(), link->CacheBitmap->Canvas()->Handle(), Left(), Top(), BorderWidth());
  if (!animationDC) ReleaseDC(Handle(), dc);
}

void TsTabSheet::WndProc(vcl::TMessage& message) {
  vcl::TPageControl* page = PageControl();
  TsCommonData* link = PageLink();
  // The sheet shows its page control's skin link: the news only say whose they are, and the
  // children hear them all; the message then goes on.
  if (page && IsCommonSkinCommand(message) &&
      AnswerSkinCommand(this, message, link,
                        {.SkinSet = {.Before = [&](bool) { PassMessageToChildControls(this, message); },
                                     .After = [](bool) { return false; },
                                     .EveryManager = true},
                         .SkinRemoved = {.After =
                                             [&](bool own) {
                                               if (own) Repaint();
                                               PassMessageToChildControls(this, message);
                                               return false;
                                             },
                                         .EveryManager = true},
                         .SkinRefresh = {.After =
                                             [&](bool own) {
                                               if (own && Visible()) Repaint();
                                               PassMessageToChildControls(this, message);
                                               return false;
                                             },
                                         .EveryManager = true},
                         .LinkTakesNews = false}))
    return;
  if (page && message.Msg == SM_ALPHACMD) {
    switch (AlphaCommand(message)) {
      case cmdRepaint:
        if (HandleAllocated()) RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
        SendRepaintToChildren(this);
        return;
      default:
        if (!PageSkinned()) break;
        switch (AlphaCommand(message)) {
          case cmdGetStale:
            message.Result = link->UpdatePending ? 1 : 0;
            return;
          case cmdGetShowsParent: {
            const TsGeneralData& s = link->GetSkinManager()->Sections[size_t(link->SectionIndex)];
            const LRESULT answer = s.GradientPercent + s.ImagePercent > 0 || link->ShowsParentImage() ? 1 : 0;
            message.Result = message.LParam = answer;
            return;
          }
          case cmdGetBgColor:
            message.Result = page->Perform(SM_ALPHACMD, message.WParam, 0);
            return;
          case cmdGetBackground:
            if (auto* request = reinterpret_cast<TsBackgroundRequest*>(message.LParam)) {
              link->ProvideBgInfo(*request, 0, page->HandleAllocated() ? page->Handle() : nullptr);
              // The page control's image holds the sheet at the sheet's place.
              if (request->Kind == bkBitmap && !request->DrawIntoDC) {
                request->OffsetX += Left();
                request->OffsetY += Top();
              }
              message.Result = 1;
            }
            return;
          case cmdGetSectionIndex:
            message.Result = link->SectionIndex + 1;
            return;
          case cmdFastFlags:
            if (message.LParam == 1) {
              for (int i = 0; i < ControlCount(); ++i) SendAlphaCmdCtrl(Controls(i), cmdFastFlags, 1);
            } else {
              message.Result = link->PaintFlags;
            }
            return;
        }
        break;
    }
  }
  if (page && PageSkinned() && !IsDestroying(this) && Showing()) {
    switch (message.Msg) {
      case WM_ERASEBKGND:
        PaintFromPage(reinterpret_cast<HDC>(message.WParam));
        message.Result = 1;
        return;
      case WM_PRINT:
        PaintFromPage(reinterpret_cast<HDC>(message.WParam));
        message.Result = 0;
        return;
      case WM_NCPAINT:
        if (BorderWidth() != 0) PaintBorder(reinterpret_cast<HDC>(message.WParam));
        message.Result = 1;
        return;
      case WM_PAINT:
        if (Visible()) {
          if (Parent()) InvalidateRect(Handle(), nullptr, TRUE);
          PAINTSTRUCT ps{};
          BeginPaint(Handle(), &ps);
          EndPaint(Handle(), &ps);
          message.Result = 0;
          return;
        }
        break;
      case WM_MOUSEMOVE:
        if (!IsDesigning(this) && DefaultManager) DefaultManager->SetHotWindow(nullptr);
        break;
      case WM_PARENTNOTIFY:
        if (!IsDesigning(this) && !IsLoading(this) &&
            (LOWORD(message.WParam) == WM_CREATE || LOWORD(message.WParam) == WM_DESTROY)) {
          vcl::TTabSheet::WndProc(message);
          if (LOWORD(message.WParam) == WM_CREATE) SendControlLoaded(this);
          return;
        }
        break;
    }
  } else if (message.Msg == WM_NCPAINT && BorderWidth() != 0 && !PageSkinned()) {
    // Without a skinned page control the sheet paints no frame of its own.
    message.Result = 0;
    return;
  }
  vcl::TTabSheet::WndProc(message);
}

VCL_PUBLISHED(TsTabSkinData, p) {
  using C = TsTabSkinData;
  p.Bool("CustomColor", &C::CustomColor, &C::SetCustomColor, false)
      .Bool("CustomFont", &C::CustomFont, &C::SetCustomFont, false)
      .String("SkinSection", &C::SkinSection, &C::SetSkinSection);
}

VCL_PUBLISHED(TsTabSheet, p) {
  using C = TsTabSheet;
  p.String("TabSkin", &C::TabSkin, &C::SetTabSkin)
      .String("ButtonSkin", &C::ButtonSkin, &C::SetButtonSkin)
      .Bool("UseCloseBtn", &C::UseCloseBtn, &C::SetUseCloseBtn, true)
      .Object("SkinData", &C::SkinData);
}

}  // namespace skin
