#include "skin/controls/skinned_edit.h"

#include <string>

#include "skin/controls/bound_label_tracking.h"
#include "skin/controls/cache_painting.h"
#include "skin/controls/skin_commands.h"
#include "skin/engine/bitmap_ops.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/runtime/scope_exit.h"

namespace skin {

TsEdit::TsEdit(vcl::TComponent* owner)
    : vcl::TEdit(owner), skinData_(std::make_unique<TsCommonData>(this, true)) {
  skinData_->ControlCode = ccEdit;
  boundLabel_ = std::make_unique<TsBoundLabel>(skinData_.get());
}

TsEdit::~TsEdit() {
  boundLabel_.reset();
  skinData_.reset();
}

void TsEdit::AfterConstruction() {
  vcl::TEdit::AfterConstruction();
  skinData_->Loaded();
}

void TsEdit::Loaded() {
  vcl::TEdit::Loaded();
  skinData_->Loaded();
}

void TsEdit::SetDisabledKind(TsDisabledKind value) {
  if (disabledKind_ == value) return;
  disabledKind_ = value;
  skinData_->Invalidate();
}

int32_t TsEdit::FrameWidth() { return BorderStyle() != vcl::bsNone ? (Ctl3D() ? 2 : 1) : 0; }

void TsEdit::WndProc(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  if (message.Msg == SM_ALPHACMD) {
    const TSkinNewsSteps linkOnly{.After = [](bool) { return true; }};
    if (AnswerSkinCommand(this, message, link,
                          {.SkinSet = linkOnly,
                           .SkinRemoved = linkOnly,
                           .SkinRefresh = {.After = [this](bool) {
                             if (!AnimationInProgress && HandleAllocated())
                               RedrawWindow(Handle(), nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
                             return true;
                           }}}))
      return;
    switch (HIWORD(message.WParam)) {
      case cmdGetShowsParent:
        message.Result = 0;
        return;
      case cmdGetBgColor:
        if (!link->IsSkinned()) {
          message.Result = vcl::ColorToRGB(Color());
          return;
        }
        break;
      default:
        break;
    }
  }
  if (!ControlReadyToPaint(this) || !link->IsSkinned(false)) {
    vcl::TEdit::WndProc(message);
    UpdateBoundLabel(message);
    return;
  }
  switch (message.Msg) {
    case WM_PAINT:
      PaintSkinned(message);
      return;
    case WM_ERASEBKGND:
    case vcl::CN_DRAWITEM:
      if (AnimationInProgress) return;
      link->UpdatePending = link->IsUpdating();
      if (link->UpdatePending) return;
      // A disabled edit is drawn from the cache; erasing would only flicker.
      if (Enabled()) vcl::TEdit::WndProc(message);
      return;
    case WM_NCPAINT:
      if (!AnimationInProgress) PaintBorder();
      return;
    case WM_PRINT:
      PrintSkinned(message);
      return;
    case vcl::CM_COLORCHANGED:
      if (link->CustomColor()) link->CacheStale = true;
      break;
    default:
      break;
  }
  if (PreprocessControlMessage(message, link)) return;
  vcl::TEdit::WndProc(message);
  switch (message.Msg) {
    case WM_SIZE:
      if (HandleAllocated()) Perform(WM_NCPAINT, 0, 0);
      break;
    case WM_KILLFOCUS:
    case vcl::CM_EXIT:
      link->HasFocus = false;
      link->MouseOver = false;
      link->CacheStale = true;
      if (Visible()) Repaint();
      break;
    case WM_SETTEXT:
    case WM_SETFONT:
    case vcl::CM_VISIBLECHANGED:
    case vcl::CM_ENABLEDCHANGED:
    case vcl::CM_TEXTCHANGED:
      if (!ComponentState().Contains(vcl::csLoading) && !AnimationInProgress) {
        link->Invalidate();
        if (HandleAllocated()) Perform(WM_NCPAINT, 0, 0);
      }
      break;
    default:
      if (message.Msg == SM_ALPHACMD && HIWORD(message.WParam) == cmdRepaint && link->UpdatePending) {
        link->UpdatePending = false;
        Repaint();
        Perform(WM_NCPAINT, 0, 0);
      }
      break;
  }
  UpdateBoundLabel(message);
}

void TsEdit::ChooseStateColours() {
  TsCommonData* link = skinData_.get();
  const TsGeneralData& section = link->GetSkinManager()->Sections[size_t(link->SectionIndex)];
  const bool hot = link->InHotState();
  const vcl::TColor colour = vcl::TColor(hot ? section.HotColor : section.Color);
  const vcl::TColor fontColour = vcl::TColor(hot ? section.HotFontColor[0] : section.FontColor[0]);
  if (!link->CustomColor() && Color() != colour) SetColor(colour);
  if (!link->CustomFont() && Font()->Color() != fontColour) Font()->SetColor(fontColour);
}

void TsEdit::PaintSkinned(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  link->UpdatePending = link->IsUpdating();
  if (AnimationInProgress || link->UpdatePending) {
    PAINTSTRUCT ps;
    BeginPaint(Handle(), &ps);
    EndPaint(Handle(), &ps);
    return;
  }
  ChooseStateColours();
  if (Enabled())
    vcl::TEdit::WndProc(message);
  else
    PaintFromCache(reinterpret_cast<HDC>(message.WParam));
}

// The composed frame with the platform's own client area inside it, put together off screen so
// that neither covers the other.
void TsEdit::PrintSkinned(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  link->UpdatePending = false;
  PrepareCache();
  PaintTransparentCorners(link, 0);
  const int32_t b = FrameWidth();
  auto image = CreateBmp24(Width(), Height());
  HDC imageDC = image->Canvas()->Handle();
  BitBlt(imageDC, 0, 0, Width(), Height(), link->CacheBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
  if (Enabled() && Width() > 2 * b && Height() > 2 * b) {
    auto client = CreateBmp24(Width() - 2 * b, Height() - 2 * b);
    vcl::TMessage inner(WM_PRINT, reinterpret_cast<WPARAM>(client->Canvas()->Handle()),
                        message.LParam & (PRF_CLIENT | PRF_ERASEBKGND));
    vcl::TEdit::WndProc(inner);
    BitBlt(imageDC, b, b, client->Width(), client->Height(), client->Canvas()->Handle(), 0, 0, SRCCOPY);
  }
  BitBlt(dc, 0, 0, Width(), Height(), imageDC, 0, 0, SRCCOPY);
  message.Result = 0;
}

void TsEdit::PaintFromCache(HDC dc) {
  PaintWholeCache(this, skinData_.get(), dc, true, [this] { PrepareCache(); });
}

void TsEdit::PaintBorder() {
  TsCommonData* link = skinData_.get();
  if (AnimationInProgress || !HandleAllocated()) return;
  link->UpdatePending = link->IsUpdating();
  if (link->UpdatePending) return;
  HDC dc = GetWindowDC(Handle());
  int saved = SaveDC(dc);
  vcl::TScopeExit release([&] {
    RestoreDC(dc, saved);
    ReleaseDC(Handle(), dc);
  });
  if (link->CacheStale) PrepareCache();
  PaintTransparentCorners(link, 0);
  CopyBorderStrips(dc, 0, 0, Width(), Height(), link->CacheBitmap->Canvas()->Handle(), 0, 0, FrameWidth());
}

void TsEdit::PrepareCache() {
  ComposeCache();
  FinishCache();
}

void TsEdit::ComposeCache() {
  TsCommonData* link = skinData_.get();
  link->PrepareCacheBmp();
  TsBackgroundInfo info;
  link->GetParentBgInfo(info);
  PaintSkinDataItem(link, info, true, true, link->CacheBitmap.get(), vcl::TPoint{Left(), Top()},
                    vcl::TRect{0, 0, Width(), Height()}, link->InHotState() ? 1 : 0);
  PaintText();
}

void TsEdit::FinishCache() {
  TsCommonData* link = skinData_.get();
  if (!Enabled()) {
    TsBackgroundInfo parentInfo;
    link->GetParentBgInfo(parentInfo);
    ApplyDisabledKind(link->CacheBitmap.get(), disabledKind_, Parent(), vcl::TPoint{Left(), Top()}, parentInfo);
  }
  link->CacheStale = false;
}

void TsEdit::PaintText() {
  TsCommonData* link = skinData_.get();
  vcl::TCanvas* canvas = link->CacheBitmap->Canvas();
  canvas->Font()->Assign(Font());
  const int32_t n = FrameWidth();
  const vcl::TRect rect{n + 1, n + 1, Width() - n, Height() - n};
  std::string text = Text();
  if (PasswordChar() != '\0') text = std::string(text.size(), PasswordChar());
  WriteSkinDataText(canvas, text, true, link->InHotState(), link, DT_SINGLELINE | DT_NOPREFIX, rect);
}

void TsEdit::UpdateBoundLabel(const vcl::TMessage& message) {
  TrackBoundLabel(boundLabel_.get(), this, disabledKind_, message);
}

VCL_PUBLISHED(TsEdit, p) {
  using C = TsEdit;
  p.Object("SkinData", &C::SkinData, nullptr)
      .Set("DisabledKind", &C::DisabledKind, &C::SetDisabledKind, {"dkBlended", "dkGrayed"}, TsDisabledKind{dkBlended})
      .Object("BoundLabel", &C::BoundLabel, nullptr);
}

}  // namespace skin
