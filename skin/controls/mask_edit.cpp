#include "skin/controls/mask_edit.h"

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

namespace {
// The platform's client edge is 2 pixels whatever the 3-D look; that is what the frame covers.
constexpr int32_t kPaintedFrame = 2;
}  // namespace

TsMaskEdit::TsMaskEdit(vcl::TComponent* owner)
    : vcl::TMaskEdit(owner), skinData_(std::make_unique<TsCommonData>(this, true)) {
  SetControlStyle(ControlStyle() - vcl::TControlStyle{vcl::csSetCaption});
  skinData_->ControlCode = ccEdit;
  if (skinData_->SkinSection().empty()) skinData_->SetSkinSection("EDIT");
  boundLabel_ = std::make_unique<TsBoundLabel>(skinData_.get());
}

TsMaskEdit::~TsMaskEdit() {
  boundLabel_.reset();
  skinData_.reset();
}

void TsMaskEdit::AfterConstruction() {
  vcl::TMaskEdit::AfterConstruction();
  skinData_->Loaded();
}

void TsMaskEdit::Loaded() {
  vcl::TMaskEdit::Loaded();
  skinData_->Loaded();
}

void TsMaskEdit::SetDisabledKind(TsDisabledKind value) {
  if (disabledKind_ == value) return;
  disabledKind_ = value;
  skinData_->Invalidate();
}

int32_t TsMaskEdit::BorderWidth() { return BorderStyle() != vcl::bsNone ? (Ctl3D() ? 3 : 2) : 0; }

int32_t TsMaskEdit::CurrentState() { return skinData_->InHotState() ? 1 : 0; }

std::string TsMaskEdit::ShownText() { return IsMasked() ? EditText() : Text(); }

bool TsMaskEdit::SkinCommand(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  if (IsCommonSkinCommand(message))
    return AnswerSkinCommand(this, message, link,
                             {.SkinSet = {.After = [](bool) { return true; }},
                              .SkinRemoved = {.After =
                                                  [this](bool) {
                                                    Invalidate();
                                                    return true;
                                                  }},
                              .SkinRefresh = {.After = [this](bool) {
                                if (HandleAllocated()) Perform(WM_NCPAINT, 0, 0);
                                Repaint();
                                return true;
                              }}});
  switch (HIWORD(message.WParam)) {
    case cmdRepaint:
      if (!link->UpdatePending) return false;
      link->UpdatePending = false;
      if (HandleAllocated()) {
        InvalidateRect(Handle(), nullptr, TRUE);
        Perform(WM_NCPAINT, 0, 0);
      }
      return true;
    default:
      return false;
  }
}

void TsMaskEdit::WndProc(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  if (message.Msg == SM_ALPHACMD && SkinCommand(message)) return;
  if (!link->IsSkinned(false) || !ControlReadyToPaint(this)) {
    vcl::TMaskEdit::WndProc(message);
    UpdateBoundLabel(message);
    return;
  }
  if (SkinnedMessage(message)) return;
  PreprocessControlMessage(message, link);
  vcl::TMaskEdit::WndProc(message);
  switch (message.Msg) {
    case WM_SETFOCUS:
      Invalidate();
      break;
    case WM_SETFONT:
    case vcl::CM_VISIBLECHANGED:
    case vcl::CM_ENABLEDCHANGED:
      link->Invalidate();
      break;
    default:
      break;
  }
  UpdateBoundLabel(message);
}

bool TsMaskEdit::SkinnedMessage(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  switch (message.Msg) {
    case WM_SETTEXT:
      // A new text must show in the cached image too, not only at design time.
      link->CacheStale = true;
      return false;
    case WM_PAINT:
      if (CurrentState() != 0) {
        vcl::TMaskEdit::WndProc(message);
        PaintBorder();
      } else {
        PaintHandler(reinterpret_cast<HDC>(message.WParam));
      }
      return true;
    case WM_ERASEBKGND:
    case vcl::CN_DRAWITEM:
      if (AnimationInProgress) return true;
      link->UpdatePending = link->IsUpdating();
      if (!link->UpdatePending) vcl::TMaskEdit::WndProc(message);
      return true;
    case WM_NCPAINT: {
      if (AnimationInProgress) return true;
      link->UpdatePending = link->IsUpdating();
      if (!link->UpdatePending && HandleAllocated()) {
        HDC dc = GetWindowDC(Handle());
        vcl::TScopeExit release([&] { ReleaseDC(Handle(), dc); });
        PaintBorder(dc);
      }
      return true;
    }
    case WM_PRINT: {
      HDC dc = reinterpret_cast<HDC>(message.WParam);
      link->UpdatePending = false;
      if (link->CacheStale) PrepareCache();
      PaintTransparentCorners(link, 0);
      PaintHandler(dc);
      CopyBorderStrips(dc, 0, 0, Width(), Height(), link->CacheBitmap->Canvas()->Handle(), 0, 0, BorderWidth());
      return true;
    }
    case vcl::CM_COLORCHANGED:
    case vcl::CM_CHANGED:
    case vcl::CM_TEXTCHANGED:
      link->CacheStale = true;
      return false;
    default:
      return false;
  }
}

void TsMaskEdit::PaintHandler(HDC dc) {
  PaintWholeCache(this, skinData_.get(), dc, false, [this] { PrepareCache(); });
}

void TsMaskEdit::PaintBorder(HDC dc) {
  if (BorderStyle() == vcl::bsNone) return;
  CopyBorderFromCache(dc);
}

void TsMaskEdit::CopyBorderFromCache(HDC dc, const std::function<void(HDC)>& afterCopy) {
  TsCommonData* link = skinData_.get();
  if (!Parent() || !Visible() || !Parent()->Visible() || ControlState().Contains(vcl::csCreating) ||
      link->IsUpdating() || !HandleAllocated())
    return;
  HDC target = dc ? dc : GetWindowDC(Handle());
  const int saved = SaveDC(target);
  vcl::TScopeExit release([&] {
    RestoreDC(target, saved);
    if (!dc) ReleaseDC(Handle(), target);
  });
  if (link->CacheStale) PrepareCache();
  PaintTransparentCorners(link, 0);
  CopyBorderStrips(target, 0, 0, Width(), Height(), link->CacheBitmap->Canvas()->Handle(), 0, 0, kPaintedFrame);
  if (afterCopy) afterCopy(target);
}

void TsMaskEdit::PrepareCache() {
  TsCommonData* link = skinData_.get();
  link->InitCacheBmp24();
  vcl::TBitmap* cache = link->CacheBitmap.get();
  if (!link->IsSkinned()) {
    cache->Canvas()->Brush()->SetStyle(vcl::bsSolid);
    cache->Canvas()->Brush()->SetColor(Color());
    cache->Canvas()->FillRect(vcl::TRect{0, 0, Width(), Height()});
    PaintText();
    return;
  }
  TsBackgroundInfo info;
  link->GetParentBgInfo(info);
  const vcl::TPoint position{Left(), Top()};
  const vcl::TRect whole{0, 0, Width(), Height()};
  if (BorderStyle() == vcl::bsSingle)
    PaintSkinDataItem(link, info, true, true, cache, position, whole, CurrentState());
  else
    PaintSkinDataBg(link, info, false, cache, position, whole);
  PaintText();
  if (!Enabled()) ApplyDisabledKind(cache, disabledKind_, Parent(), position, info);
  link->CacheStale = false;
}

void TsMaskEdit::PaintText() {
  TsCommonData* link = skinData_.get();
  std::string text = ShownText();
  if (text.empty()) return;
  vcl::TCanvas* canvas = link->CacheBitmap->Canvas();
  canvas->Font()->Assign(Font());
  const int32_t a = BorderWidth();
  const int32_t h = canvas->TextHeight(text);
  const vcl::TRect rect{a, a, Width() - a, a + h + 2};
  uint32_t flags = DT_NOPREFIX | DT_EXTERNALLEADING;
  if (PasswordChar() != '\0') {
    text = std::string(text.size(), PasswordChar());
    flags = uint32_t(AlignToDrawTextFlags(this, vcl::taLeftJustify)) | DT_NOPREFIX;
  }
  WriteSkinDataText(canvas, text, true, CurrentState() != 0, link, flags, rect);
}

void TsMaskEdit::UpdateBoundLabel(const vcl::TMessage& message) {
  TrackBoundLabel(boundLabel_.get(), this, disabledKind_, message);
}

VCL_PUBLISHED(TsMaskEdit, p) {
  using C = TsMaskEdit;
  p.Object("SkinData", &C::SkinData, nullptr)
      .Set("DisabledKind", &C::DisabledKind, &C::SetDisabledKind, {"dkBlended", "dkGrayed"}, TsDisabledKind{dkBlended})
      .Object("BoundLabel", &C::BoundLabel, nullptr);
}

}  // namespace skin
