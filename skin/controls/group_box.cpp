#include "skin/controls/group_box.h"

#include <algorithm>

#include "skin/controls/skin_commands.h"
#include "skin/engine/bitmap_ops.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/paint/text_routines.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/runtime/scope_exit.h"
#include "vcl/runtime/sysutils.h"

namespace skin {

TsGroupBox::TsGroupBox(vcl::TComponent* owner) : vcl::TGroupBox(owner) {
  skinData_ = std::make_unique<TsCommonData>(this, true);
  skinData_->ControlCode = ccGroupBox;
  vcl::TControlStyle style = ControlStyle();
  SetControlStyle(style.Exclude(vcl::csOpaque));
}

TsGroupBox::~TsGroupBox() = default;

void TsGroupBox::AfterConstruction() {
  vcl::TGroupBox::AfterConstruction();
  skinData_->Loaded();
}

void TsGroupBox::Loaded() {
  vcl::TGroupBox::Loaded();
  skinData_->Loaded();
}

void TsGroupBox::SetCaptionLayout(TsCaptionLayoutKind value) {
  if (captionLayout_ == value) return;
  captionLayout_ = value;
  if (!Caption().empty()) skinData_->Invalidate();
}

void TsGroupBox::SetCaptionYOffset(int32_t value) {
  if (captionYOffset_ == value) return;
  captionYOffset_ = value;
  skinData_->Invalidate();
  if (HandleAllocated()) Realign();
}

void TsGroupBox::SetCaptionSkin(const std::string& value) {
  if (captionSkin_ == value) return;
  captionSkin_ = value;
  skinData_->Invalidate();
}

int32_t TsGroupBox::CaptionHeight() {
  skinData_->InitCacheBmp24();
  vcl::TCanvas* canvas = skinData_->CacheBitmap->Canvas();
  canvas->SetFont(Font());
  return std::max(4, TextHeightOf(canvas, "W")) + 2;
}

vcl::TRect TsGroupBox::CaptionRect() {
  skinData_->InitCacheBmp24();
  vcl::TCanvas* canvas = skinData_->CacheBitmap->Canvas();
  canvas->SetFont(Font());
  const int32_t tw = TextWidthOf(canvas, Caption());
  vcl::TRect r{0, 0, 0, CaptionHeight()};
  if (skinData_->IsSkinned()) {
    r.top = captionYOffset_ < 0 ? captionYOffset_ : 0;
    r.bottom = CaptionHeight() + captionYOffset_;
  }
  const bool rtl = UseRightToLeftAlignment();
  if (captionLayout_ == clTopCenter)
    r.left = (Width() - tw - 10) / 2;
  else if ((captionLayout_ == clTopLeft && !rtl) || (captionLayout_ == clTopRight && rtl))
    r.left = 6;
  else
    r.left = Width() - tw - 14;
  r.left = std::max(r.left, 0);
  r.right = std::min(r.left + tw + 8, Width());
  if (r.right - r.left < 2 * BevelWidth()) {
    r.left -= BevelWidth();
    r.right += BevelWidth();
  }
  return r;
}

void TsGroupBox::AdjustClientRect(vcl::TRect& rect) {
  if (IsDestroying(this)) return;
  vcl::TGroupBox::AdjustClientRect(rect);
  rect.top += captionYOffset_;
}

void TsGroupBox::Paint() {
  if (skinData_->IsSkinned())
    PaintSkinned(Canvas()->Handle());
  else
    vcl::TGroupBox::Paint();
}

void TsGroupBox::PaintCaptionBox(const vcl::TRect& c) {
  TsSkinManager* m = skinData_->GetSkinManager();
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  if (!captionSkin_.empty()) {
    std::string name = vcl::UpperCase(captionSkin_);
    TsBackgroundInfo info;
    FillBmpBgInfo(cache, 0, 0, info);
    PaintSectionItem(m->FindSectionIndex(name), name, info, -1, -1, m, cache, vcl::TPoint{c.left, c.top}, c,
                     HandleAllocated() && Focused() ? 1 : 0, true);
  } else {
    TsBackgroundInfo parent;
    skinData_->GetParentBgInfo(parent);
    if (parent.Ready) {
      PaintSectionItem(m->FindSectionIndex("CHECKBOX"), "CHECKBOX", parent, -1, -1, m, cache,
                       vcl::TPoint{Left() + c.left, Top() + c.top}, c, 0, true);
    } else {
      PaintSolidRect(cache->Canvas()->Handle(), c, vcl::TColor(parent.FillColor));
    }
  }
  vcl::TCanvas* canvas = cache->Canvas();
  canvas->SetFont(Font());
  canvas->Brush()->SetStyle(vcl::bsClear);
  WriteSkinDataText(canvas, Caption(), Enabled(), false, skinData_.get(), DT_CENTER | DT_VCENTER | DT_SINGLELINE, c);
}

void TsGroupBox::PrepareCache() {
  TsCommonData* link = skinData_.get();
  link->InitCacheBmp24();
  vcl::TBitmap* cache = link->CacheBitmap.get();
  TsBackgroundInfo bg;
  link->GetParentBgInfo(bg);
  const vcl::TRect c = CaptionRect();
  if (bg.Ready && bg.Bitmap) {
    BitBlt(cache->Canvas()->Handle(), 0, 0, Width(), c.bottom - c.top, bg.Bitmap->Canvas()->Handle(), bg.X + Left(),
           bg.Y + Top(), SRCCOPY);
  } else if (Parent()) {
    PaintSolidRect(cache->Canvas()->Handle(), vcl::TRect{0, 0, Width(), c.bottom}, vcl::TColor(bg.FillColor));
  }
  const int32_t y0 = captionYOffset_ < 0 ? 0 : (c.bottom - c.top) / 2;
  PaintSkinDataItem(link, bg, false, false, cache, vcl::TPoint{Left(), Top() + y0},
                    vcl::TRect{0, y0, Width(), Height()}, 0);
  if (!Caption().empty()) PaintCaptionBox(c);
  link->CacheStale = false;
}

void TsGroupBox::PaintSkinned(HDC dc) {
  TsCommonData* link = skinData_.get();
  if (painting_ || !link->IsSkinned() || IsDestroying(this) || (!Visible() && !IsDesigning(this))) return;
  // A child asking for the background behind it may make this box paint again: once at a time.
  painting_ = true;
  vcl::TScopeExit done([this] { painting_ = false; });
  link->UpdatePending = link->IsUpdating();
  if (link->UpdatePending) return;
  if (link->ShowsParentImage() && Parent()) {
    vcl::TRect client = Parent()->ClientRect();
    POINT a{Left() + 1, Top() + 1}, b{Left() + Width() - 1, Top() + Height() - 1};
    link->PartlyHidden = !PtInRect(&client, a) || !PtInRect(&client, b);
  } else {
    link->PartlyHidden = false;
  }
  if (!link->ParentImageForced) PrepareCache();
  const vcl::TRect whole{0, 0, Width(), Height()};
  CopyCacheExceptChildren(this, link, whole, whole, dc, false, 0, 0);
  PaintGraphicControlsToDC(dc, this, vcl::TPoint{0, 0});
  SendRepaintToChildren(this);
}

void TsGroupBox::WndProc(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  if (IsCommonSkinCommand(message)) {
    // The children hear every manager's news: before the box when a skin is set, between its
    // skin link and its repaint otherwise.
    const TSkinNewsSteps afterTheLink{.After =
                                          [&](bool own) {
                                            PassMessageToChildControls(this, message);
                                            if (own) Repaint();
                                            return true;
                                          },
                                      .EveryManager = true};
    AnswerSkinCommand(this, message, link,
                      {.SkinSet = {.Before = [&](bool) { PassMessageToChildControls(this, message); },
                                   .After =
                                       [this](bool) {
                                         Invalidate();
                                         return true;
                                       },
                                   .EveryManager = true},
                       .SkinRemoved = afterTheLink,
                       .SkinRefresh = afterTheLink});
    return;
  }
  if (message.Msg == SM_ALPHACMD) {
    switch (AlphaCommand(message)) {
      case cmdGetBackground:
        if (!captionSkin_.empty()) {
          if (auto* request = reinterpret_cast<TsBackgroundRequest*>(message.LParam)) {
            if (link->CacheStale) PrepareCache();
            request->Kind = bkBitmap;
            request->Bitmap = link->CacheBitmap.get();
            request->OffsetX = request->OffsetY = 0;
            message.Result = 1;
          }
          return;
        }
        break;
    }
  }
  if (!ControlReadyToPaint(this) || !link->IsSkinned()) {
    vcl::TGroupBox::WndProc(message);
    return;
  }
  if (message.Msg == SM_ALPHACMD) {
    switch (AlphaCommand(message)) {
      case cmdRepaint:
        if (link->UpdatePending) {
          link->UpdatePending = link->IsUpdating();
          if (Showing() && !link->UpdatePending)
            RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
          return;
        }
        break;
      case cmdSetParentImage:
        PreprocessControlMessage(message, link);
        if (link->ParentImageForced) PrepareCache();
        return;
      case cmdGetStale:
        message.Result = link->CacheStale || link->IsUpdating() ? 1 : 0;
        return;
      default:
        ProcessAlphaCmd(message, link);
        return;
    }
  } else {
    switch (message.Msg) {
      case WM_MOVE:
        link->CacheStale = link->CacheStale || link->ShowsParentImage();
        break;
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
        vcl::TGroupBox::WndProc(message);
        return;
      case WM_PAINT: {
        PAINTSTRUCT ps{};
        HDC paintDC = BeginPaint(Handle(), &ps);
        HDC dc = message.WParam ? reinterpret_cast<HDC>(message.WParam) : paintDC;
        PaintSkinned(dc);
        EndPaint(Handle(), &ps);
        message.Result = 0;
        return;
      }
      case WM_ERASEBKGND:
        message.Result = 1;
        if (IsDesigning(this)) vcl::TGroupBox::WndProc(message);
        return;
      case WM_WINDOWPOSCHANGED:
      case vcl::CM_VISIBLECHANGED:
        link->CacheStale = true;
        break;
      case WM_PRINT:
        link->UpdatePending = false;
        PaintSkinned(reinterpret_cast<HDC>(message.WParam));
        return;
      case vcl::CM_TEXTCHANGED:
        link->Invalidate();
        return;
      case vcl::CM_FONTCHANGED:
        vcl::TGroupBox::WndProc(message);
        if (!Caption().empty()) link->Invalidate();
        return;
    }
  }
  PreprocessControlMessage(message, link);
  vcl::TGroupBox::WndProc(message);
  if (message.Msg == WM_SIZE && IsDesigning(this)) Perform(WM_PAINT, 0, 0);
}

VCL_PUBLISHED(TsGroupBox, p) {
  using C = TsGroupBox;
  p.Enum("CaptionLayout", &C::CaptionLayout, &C::SetCaptionLayout, {"clTopLeft", "clTopCenter", "clTopRight"},
         clTopLeft)
      .Integer("CaptionYOffset", &C::CaptionYOffset, &C::SetCaptionYOffset, 0)
      .Object("SkinData", &C::SkinData)
      .String("CaptionSkin", &C::CaptionSkin, &C::SetCaptionSkin);
}

}  // namespace skin
