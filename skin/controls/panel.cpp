#include "skin/controls/panel.h"

#include "skin/controls/skin_commands.h"
#include "skin/controls/cache_painting.h"
#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/skinned_borders.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/paint/text_routines.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/graphics/colours.h"

namespace skin {

TsPanel::TsPanel(vcl::TComponent* owner) : vcl::TPanel(owner) {
  skinData_ = std::make_unique<TsCommonData>(this, true);
  skinData_->ControlCode = ccPanel;
}

TsPanel::~TsPanel() = default;

void TsPanel::AfterConstruction() {
  vcl::TPanel::AfterConstruction();
  skinData_->Loaded();
}

void TsPanel::Loaded() {
  vcl::TPanel::Loaded();
  skinData_->Loaded();
}

int32_t TsPanel::FrameWidth() const {
  int32_t bevels = (BevelInner() != vcl::bvNone ? 1 : 0) + (BevelOuter() != vcl::bvNone ? 1 : 0);
  return BevelWidth() * bevels + BorderWidth();
}

bool TsPanel::UsesCache() const {
  return (skinData_->CacheRequired() && !skinData_->CustomColor()) || AnimationInProgress;
}

bool TsPanel::ShowingSkinned() const { return skinData_ && skinData_->IsSkinned(false); }

void TsPanel::Paint() {
  vcl::TPanel::Paint();
  if (Showing() && OnPaint) OnPaint(this, Canvas());
}

void TsPanel::PaintWindow(HDC dc) {
  if (!(ControlState().Contains(vcl::csPaintCopy) && ShowingSkinned())) vcl::TPanel::PaintWindow(dc);
  PaintPanel(dc, true);
}

void TsPanel::PaintCaption(vcl::TRect rect, vcl::TCanvas* canvas, HDC dc) {
  std::unique_ptr<vcl::TCanvas> own;
  if (!canvas) {
    if (!dc) return;
    own = std::make_unique<vcl::TCanvas>();
    own->SetHandle(dc);
    canvas = own.get();
  }
  canvas->SetFont(Font());
  canvas->Brush()->SetStyle(vcl::bsClear);
  int32_t h = TextHeightOf(canvas, "W");
  rect.top = (Height() - h) / 2;
  rect.bottom = rect.top + h;
  WriteSkinDataText(canvas, Caption(), Enabled(), false, skinData_.get(),
                    uint32_t(AlignToDrawTextFlags(this, Alignment())), rect);
  if (own) own->SetHandle(nullptr);
}

void TsPanel::PrepareCache() {
  if (!UsesCache() && !dynamic_cast<vcl::TControl*>(this)->ControlState().Contains(vcl::csPaintCopy) &&
      !skinData_->CacheBitmap)
    return;
  TsCommonData* link = skinData_.get();
  link->InitCacheBmp24();
  vcl::TBitmap* cache = link->CacheBitmap.get();
  const vcl::TRect whole{0, 0, Width(), Height()};
  PaintSkinDataItemFromParent(link, Parent(), FillsMaskCentre(), false, cache, vcl::TPoint{Left(), Top()}, whole, 0);
  vcl::TRect content = whole;
  InflateRect(&content, -FrameWidth(), -FrameWidth());
  PaintCaption(content, cache->Canvas(), nullptr);
  if (OnPaint) OnPaint(this, cache->Canvas());
  link->CacheStale = false;
}

void TsPanel::PaintDirect(HDC dc) {
  TsCommonData* link = skinData_.get();
  TsSkinManager* m = link->GetSkinManager();
  const TsGeneralData& s = m->Sections[size_t(link->SectionIndex)];
  link->UpdatePending = false;
  const int32_t b = link->GetBorderWidth();
  const vcl::TRect whole{0, 0, Width(), Height()};
  int saved = SaveDC(dc);
  ExcludeGraphicControls(dc, this, 0, 0);
  TsBackgroundRequest request;
  int32_t parentColour;
  if (link->CustomColor()) {
    request.Kind = bkColor;
    parentColour = vcl::ColorToRGB(Color());
  } else {
    RequestCtrlBackground(request, Parent(), false);
    parentColour = request.Kind == bkBitmap ? SkinKeyColor : vcl::ColorToRGB(request.Color);
  }
  vcl::TRect inner = whole;
  if (s.Transparency == 100 && request.Kind == bkBitmap && request.Bitmap) {
    link->UpdatePending = link->IsUpdating();
    if (!link->UpdatePending) {
      HDC source = request.Bitmap->Canvas()->Handle();
      const int32_t x = request.OffsetX + Left(), y = request.OffsetY + Top();
      if (b == 0) {
        BitBlt(dc, 0, 0, Width(), Height(), source, x, y, SRCCOPY);
      } else {
        PaintSkinnedBorder(dc, whole, b, 0, link, inner);
        BitBlt(dc, b, b, Width() - 2 * b, Height() - 2 * b, source, x + b, y + b, SRCCOPY);
      }
    }
  } else {
    const int32_t own = link->CustomColor() ? vcl::ColorToRGB(Color()) : s.Color;
    int32_t fill = own;
    if (s.Transparency == 100)
      fill = parentColour == SkinKeyColor ? own : parentColour;
    else if (s.Transparency > 0 && parentColour != SkinKeyColor)
      fill = BlendColors(vcl::TColor(parentColour), vcl::TColor(own), s.Transparency / 100.0);
    if (b > 0) {
      PaintSkinnedBorder(dc, whole, b, 0, link, inner);
      PaintSolidRect(dc, inner, vcl::TColor(fill));
    } else {
      PaintSolidRect(dc, whole, vcl::TColor(fill));
    }
  }
  vcl::TRect content = whole;
  InflateRect(&content, -FrameWidth(), -FrameWidth());
  PaintCaption(content, nullptr, dc);
  if (OnPaint) OnPaint(this, Canvas());
  RestoreDC(dc, saved);
  if (!ControlState().Contains(vcl::csPaintCopy)) PaintGraphicControlsToDC(dc, this, vcl::TPoint{0, 0});
  // The direct mode keeps no image.
  if (link->CacheBitmap) link->CacheBitmap->SetSize(0, 0);
}

void TsPanel::PaintPanel(HDC dc, bool repaintChildren) {
  if (!Showing() || !ShowingSkinned()) return;
  if (!dc) dc = Canvas()->Handle();
  TsCommonData* link = skinData_.get();
  if (UsesCache()) {
    link->UpdatePending = link->IsUpdating();
    if (!link->UpdatePending) {
      const bool redo = CacheNeedsRedraw(link, dc, Width(), Height());
      if (redo && !link->ParentImageForced) PrepareCache();
      const vcl::TRect whole{0, 0, Width(), Height()};
      CopyCacheExceptChildren(this, link, whole, whole, dc, false, 0, 0);
      if (!ControlState().Contains(vcl::csPaintCopy)) PaintGraphicControlsToDC(dc, this, vcl::TPoint{0, 0});
    }
  } else {
    PaintDirect(dc);
  }
  if (repaintChildren) SendRepaintToChildren(this);
}

void TsPanel::WndProc(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  if (IsCommonSkinCommand(message)) {
    auto notOpaque = [this] { SetControlStyle(ControlStyle().Exclude(vcl::csOpaque)); };
    auto toChildren = [&] { PassMessageToChildControls(this, message); };
    // The children hear every manager's news: before the panel when a skin is set, after it
    // otherwise.
    AnswerSkinCommand(this, message, link,
                      {.SkinSet = {.Before =
                                       [&](bool) {
                                         notOpaque();
                                         toChildren();
                                       },
                                   .After =
                                       [this](bool) {
                                         Invalidate();
                                         return true;
                                       },
                                   .EveryManager = true},
                       .SkinRemoved = {.Before = [&](bool) { notOpaque(); },
                                       .After =
                                           [&](bool own) {
                                             if (own) Invalidate();
                                             toChildren();
                                             return true;
                                           },
                                       .EveryManager = true},
                       .SkinRefresh = {.After =
                                           [&](bool own) {
                                             if (own && HandleAllocated() && !IsLoading(this)) {
                                               InvalidateRect(Handle(), nullptr, TRUE);
                                               RedrawWindow(Handle(), nullptr, nullptr,
                                                            RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
                                             }
                                             toChildren();
                                             return true;
                                           },
                                       .EveryManager = true}});
    return;
  }
  if (message.Msg == SM_ALPHACMD) {
    switch (AlphaCommand(message)) {
      case cmdGetBackground: {
        if (link->CacheStale && !link->IsUpdating() && UsesCache()) PrepareCache();
        auto* request = reinterpret_cast<TsBackgroundRequest*>(message.LParam);
        if (!request) return;
        link->ProvideBgInfo(*request, 0, HandleAllocated() ? Handle() : nullptr);
        // Children lie in the client area, inside a platform border.
        if (ClientWidth() != Width() && request->Kind == bkBitmap && !request->DrawIntoDC) {
          const int32_t border = (Width() - ClientWidth()) / 2;
          request->OffsetX += border;
          request->OffsetY += border;
        }
        message.Result = 1;
        return;
      }
    }
  }
  if (ControlReadyToPaint(this) && ShowingSkinned()) {
    if (message.Msg == SM_ALPHACMD) {
      switch (AlphaCommand(message)) {
        case cmdRepaint:
          if (link->UpdatePending) {
            link->UpdatePending = link->IsUpdating();
            if (!link->UpdatePending)
              RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
          }
          SendRepaintToChildren(this);
          return;
        case cmdGetStale:
          message.Result = link->IsUpdating() ? 1 : 0;
          return;
        default:
          ProcessAlphaCmd(message, link);
          return;
      }
    }
    switch (message.Msg) {
      case WM_SIZE:
        link->CacheStale = true;
        break;
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
        vcl::TPanel::WndProc(message);
        return;
      case WM_PAINT:
        if (Visible() || IsDesigning(this)) {
          PAINTSTRUCT ps{};
          HDC paintDC = BeginPaint(Handle(), &ps);
          link->UpdatePending = link->IsUpdating();
          HDC dc = message.WParam ? reinterpret_cast<HDC>(message.WParam) : paintDC;
          if (UsesCache() && !link->UpdatePending) {
            vcl::TControlStateScope customPaint(this, vcl::csCustomPaint);
            vcl::TCanvasBinding binding(Canvas(), dc);
            PaintPanel(dc, true);
          } else if (!link->UpdatePending) {
            PaintPanel(dc, true);
          }
          EndPaint(Handle(), &ps);
          message.Result = 0;
          return;
        }
        break;
      case WM_ERASEBKGND: {
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        if (!ControlState().Contains(vcl::csPaintCopy) && message.WParam != WPARAM(message.LParam)) {
          link->UpdatePending = link->IsUpdating();
          if (!UsesCache() && !link->UpdatePending && dc) PaintPanel(dc, true);
        } else if (dc) {
          // A copy of the panel's background is asked for.
          if (link->CacheStale) PrepareCache();
          if (UsesCache() && link->CacheBitmap && !link->CacheStale)
            BitBlt(dc, 0, 0, Width(), Height(), link->CacheBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
          else
            PaintSolidRect(dc, vcl::TRect{0, 0, Width(), Height()}, vcl::TColor(GetWindowBgColor(Handle())));
        }
        message.Result = 1;
        return;
      }
      case WM_WINDOWPOSCHANGING:
        if (link->SectionIsTransparent()) link->CacheStale = true;
        break;
      case WM_PRINT: {
        link->UpdatePending = false;
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        if (dc) {
          PrepareCache();
          if (link->CacheBitmap && link->CacheBitmap->Width() > 0) {
            PaintTransparentCorners(link, 0);
            const vcl::TRect whole{0, 0, Width(), Height()};
            CopyCacheExceptChildren(this, link, whole, whole, dc, false, 0, 0);
            PaintGraphicControlsToDC(dc, this, vcl::TPoint{0, 0});
          } else {
            PaintPanel(dc, false);
          }
        }
        return;
      }
      case vcl::CM_VISIBLECHANGED:
        link->CacheStale = true;
        link->UpdatePending = false;
        vcl::TPanel::WndProc(message);
        return;
      case vcl::CM_COLORCHANGED:
        if (link->CustomColor()) link->CacheStale = true;
        break;
      case vcl::CM_TEXTCHANGED:
        if (Parent()) link->Invalidate();
        return;
    }
    PreprocessControlMessage(message, link);
    vcl::TPanel::WndProc(message);
    if (message.Msg == WM_SETFONT && !Caption().empty()) {
      link->CacheStale = true;
      Repaint();
    } else if (message.Msg == vcl::CM_ENABLEDCHANGED) {
      link->Invalidate();
    }
  } else {
    vcl::TPanel::WndProc(message);
  }
  if (message.Msg == vcl::CM_MOUSEENTER && OnMouseEnter) OnMouseEnter(this);
  if (message.Msg == vcl::CM_MOUSELEAVE && OnMouseLeave) OnMouseLeave(this);
}

VCL_PUBLISHED(TsPanel, p) {
  using C = TsPanel;
  p.Object("SkinData", &C::SkinData)
      .Event("OnPaint", &C::OnPaint)
      .Event("OnMouseEnter", &C::OnMouseEnter)
      .Event("OnMouseLeave", &C::OnMouseLeave);
}

}  // namespace skin
