#include "skin/controls/bevel.h"

#include "skin/controls/skin_commands.h"
#include "skin/engine/bitmap_ops.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"

namespace skin {

namespace {
// The strips of the section's image that a bevel shows.
constexpr int32_t kStrip = 3;
}  // namespace

TsBevel::TsBevel(vcl::TComponent* owner) : vcl::TBevel(owner) {
  skinData_ = std::make_unique<TsCommonData>(this, true);
  skinData_->ControlCode = ccSpeedButton;
}

TsBevel::~TsBevel() = default;

void TsBevel::UpdateSection() {
  lastStyle_ = Style();
  lastShape_ = Shape();
  skinData_->SetSkinSection(Shape() == vcl::bsFrame ? "GROUPBOX" : Style() == vcl::bsRaised ? "PANEL" : "PANEL_LOW");
  skinData_->CacheStale = true;
}

void TsBevel::AfterConstruction() {
  vcl::TBevel::AfterConstruction();
  UpdateSection();
  skinData_->Loaded();
}

void TsBevel::Loaded() {
  vcl::TBevel::Loaded();
  UpdateSection();
  skinData_->Loaded();
}

void TsBevel::Invalidate() {
  if (skinData_ && (Style() != lastStyle_ || Shape() != lastShape_)) UpdateSection();
  vcl::TBevel::Invalidate();
}

void TsBevel::Paint() {
  TsCommonData* link = skinData_.get();
  if (!link->IsSkinned() || Shape() == vcl::bsSpacer) {
    vcl::TBevel::Paint();
    return;
  }
  const int32_t W = Width(), H = Height();
  if (link->CacheStale || !link->CacheBitmap || link->CacheBitmap->Width() != W || link->CacheBitmap->Height() != H) {
    link->InitCacheBmp24();
    TsBackgroundRequest request;
    RequestCtrlBackground(request, Parent(), false);
    TsBackgroundInfo info;
    BgRequestToBgInfo(request, info);
    PaintSectionItem(link->SectionIndex, link->SkinSection(), info, link->HotPatternIndex, link->PatternIndex,
                     link->GetSkinManager(), link->CacheBitmap.get(), vcl::TPoint{Left(), Top()},
                     vcl::TRect{0, 0, W, H}, 0, true);
    link->CacheStale = false;
  }
  HDC dc = Canvas()->Handle();
  HDC source = link->CacheBitmap->Canvas()->Handle();
  switch (Shape()) {
    case vcl::bsBox:
    case vcl::bsFrame:
      CopyBorderStrips(dc, 0, 0, W, H, source, 0, 0, kStrip);
      break;
    case vcl::bsTopLine:
      BitBlt(dc, kStrip, 0, W - 2 * kStrip, kStrip, source, kStrip, 0, SRCCOPY);
      break;
    case vcl::bsBottomLine:
      BitBlt(dc, kStrip, H - kStrip, W - 2 * kStrip, kStrip, source, kStrip, H - kStrip, SRCCOPY);
      break;
    case vcl::bsLeftLine:
      BitBlt(dc, 0, kStrip, kStrip, H - 2 * kStrip, source, 0, kStrip, SRCCOPY);
      break;
    case vcl::bsRightLine:
      BitBlt(dc, W - kStrip, kStrip, kStrip, H - 2 * kStrip, source, W - kStrip, kStrip, SRCCOPY);
      break;
    default:
      break;
  }
}

void TsBevel::WndProc(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  if (IsCommonSkinCommand(message)) {
    auto repaintIfVisible = [this](bool answered) {
      if (Visible()) Repaint();
      return answered;
    };
    if (AnswerSkinCommand(this, message, link,
                          {.SkinSet = {.After = [](bool) { return true; }},
                           .SkinRemoved = {.After = [&](bool) { return repaintIfVisible(false); },
                                           .WhileDestroying = false},
                           .SkinRefresh = {.After = [&](bool) { return repaintIfVisible(true); }}}))
      return;
  }
  if (IsAlphaCmd(message, cmdUpdateImage)) {
    link->UpdatePending = false;
    link->CacheStale = true;
    Repaint();
  }
  if (ControlReadyToPaint(this) && link->IsSkinned()) {
    switch (message.Msg) {
      case WM_SIZE:
      case WM_WINDOWPOSCHANGED:
        if (Visible()) link->CacheStale = true;
        break;
      case WM_ERASEBKGND:
        return;
      default:
        if (PreprocessControlMessage(message, link)) return;
        break;
    }
  }
  vcl::TBevel::WndProc(message);
}

VCL_PUBLISHED(TsBevel, p) { (void)p; }

}  // namespace skin
