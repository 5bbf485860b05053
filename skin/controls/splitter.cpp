#include "skin/controls/splitter.h"

#include "skin/controls/skin_commands.h"
#include "skin/engine/bitmap_ops.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/keyed_copies.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"

namespace skin {

TsSplitter::TsSplitter(vcl::TComponent* owner) : vcl::TSplitter(owner), glyph_(std::make_unique<vcl::TBitmap>()) {
  skinData_ = std::make_unique<TsCommonData>(this, true);
  skinData_->ControlCode = ccSplitter;
  SetControlStyle(vcl::TControlStyle{vcl::csAcceptsControls, vcl::csCaptureMouse, vcl::csClickEvents, vcl::csOpaque,
                                     vcl::csDoubleClicks});
  SetWidth(6);
}

TsSplitter::~TsSplitter() = default;

void TsSplitter::AfterConstruction() {
  vcl::TSplitter::AfterConstruction();
  skinData_->Loaded();
}

void TsSplitter::Loaded() {
  vcl::TSplitter::Loaded();
  skinData_->Loaded();
}

void TsSplitter::SetGlyph(vcl::TBitmap* value) {
  glyph_->Assign(value);
  Repaint();
}

void TsSplitter::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  SuspendHints();
  if (AutoSnap() && Parent()) {
    // A neighbour collapsed to nothing is put back beside the bar before the drag starts.
    vcl::TWinControl* parent = Parent();
    for (int i = 0; i < parent->ControlCount(); ++i) {
      vcl::TControl* c = parent->Controls(i);
      if (c == this) continue;
      if (Align() == vcl::alTop && c->Height() == 0) c->SetTop(Top());
      if (Align() == vcl::alLeft && c->Width() == 0) c->SetLeft(Left());
    }
  }
  vcl::TSplitter::MouseDown(button, shift, x, y);
  sizing_ = true;
  if (ResizeStyle() == vcl::rsUpdate) Repaint();
}

void TsSplitter::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  vcl::TSplitter::MouseUp(button, shift, x, y);
  sizing_ = false;
  if (ResizeStyle() == vcl::rsUpdate) Repaint();
  RestoreHints();
}

void TsSplitter::PaintGlyph(vcl::TBitmap* target, const TsBackgroundInfo& info) {
  if (glyph_->Empty()) return;
  const int32_t x = (Width() - glyph_->Width()) / 2, y = (Height() - glyph_->Height()) / 2;
  if (glyph_->PixelFormat() == vcl::pf32bit) {
    CopyTransparentOnBg(vcl::TRect{x, y, x + glyph_->Width(), y + glyph_->Height()},
                        vcl::TRect{0, 0, glyph_->Width(), glyph_->Height()}, target, true, info, glyph_.get());
  } else {
    if (glyph_->PixelFormat() != vcl::pf24bit) glyph_->SetPixelFormat(vcl::pf24bit);
    const uint32_t bottomLeft = uint32_t(GetPixel(glyph_->Canvas()->Handle(), 0, glyph_->Height() - 1));
    CopyWithKeyColor(target, glyph_.get(), x, vcl::TColor(bottomLeft), y);
  }
}

void TsSplitter::Paint() {
  TsCommonData* link = skinData_.get();
  if (!link->IsSkinned(false)) {
    vcl::TSplitter::Paint();
    if (!glyph_->Empty()) {
      // The glyph over what the platform painted.
      auto area = CreateBmp24(Width(), Height());
      BitBlt(area->Canvas()->Handle(), 0, 0, Width(), Height(), Canvas()->Handle(), 0, 0, SRCCOPY);
      TsBackgroundInfo info;
      FillBmpBgInfo(area.get(), 0, 0, info);
      PaintGlyph(area.get(), info);
      BitBlt(Canvas()->Handle(), 0, 0, Width(), Height(), area->Canvas()->Handle(), 0, 0, SRCCOPY);
    }
    return;
  }
  link->InitCacheBmp24();
  const int32_t state = sizing_ && ResizeStyle() == vcl::rsUpdate ? 2 : link->InHotState() ? 1 : 0;
  TsBackgroundRequest request;
  RequestCtrlBackground(request, Parent(), false);
  TsBackgroundInfo bg;
  BgRequestToBgInfo(request, bg);
  vcl::TBitmap* cache = link->CacheBitmap.get();
  PaintSkinDataItem(link, bg, true, false, cache, vcl::TPoint{Left(), Top()}, vcl::TRect{0, 0, Width(), Height()},
                    state);
  TsBackgroundInfo self;
  FillBmpBgInfo(cache, 0, 0, self);
  PaintGlyph(cache, self);
  BitBlt(Canvas()->Handle(), 0, 0, Width(), Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
  // The splitter keeps no image between paints.
  cache->SetSize(0, 0);
  if (IsDesigning(this)) {
    HDC dc = Canvas()->Handle();
    HPEN pen = CreatePen(PS_DOT, 1, RGB(0xCE, 0xD8, 0xFF));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
    int oldRop = SetROP2(dc, R2_XORPEN);
    Rectangle(dc, 0, 0, Width(), Height());
    SetROP2(dc, oldRop);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
  }
  if (OnPaint) OnPaint(this);
}

void TsSplitter::WndProc(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  if (IsCommonSkinCommand(message)) {
    const TSkinNewsSteps repaint{.After = [this](bool) {
      Repaint();
      return true;
    }};
    if (AnswerSkinCommand(this, message, link, {.SkinSet = repaint, .SkinRemoved = repaint, .SkinRefresh = repaint}))
      return;
  }
  if (!ControlReadyToPaint(this) || !link->IsSkinned(false)) {
    if (message.Msg == vcl::CM_MOUSEENTER && OnMouseEnter) OnMouseEnter(this);
    vcl::TSplitter::WndProc(message);
    if (message.Msg == vcl::CM_MOUSELEAVE && OnMouseLeave) OnMouseLeave(this);
    return;
  }
  switch (message.Msg) {
    case WM_MOVE:
    case WM_SIZE:
    case WM_MOUSEWHEEL:
    case vcl::CM_VISIBLECHANGED:
    case vcl::CM_ENABLEDCHANGED:
      link->CacheStale = true;
      break;
    case WM_ERASEBKGND:
    case WM_NCPAINT:
      message.Result = 1;
      return;
    case WM_CANCELMODE:
      // The drag ended without a release here (capture taken away): hints come back.
      RestoreHints();
      break;
    case vcl::CM_MOUSEENTER:
      if (OnMouseEnter) OnMouseEnter(this);
      break;
  }
  if (IsAlphaCmd(message, cmdRepaint) && link->UpdatePending) {
    link->UpdatePending = false;
    Repaint();
    return;
  }
  if (!PreprocessControlMessage(message, link)) vcl::TSplitter::WndProc(message);
  switch (message.Msg) {
    case vcl::CM_MOUSEENTER:
    case vcl::CM_MOUSELEAVE:
      if (!link->HasFocus && !IsDesigning(this)) {
        link->MouseOver = message.Msg == vcl::CM_MOUSEENTER;
        link->CacheStale = true;
        Repaint();
      }
      if (message.Msg == vcl::CM_MOUSELEAVE && OnMouseLeave) OnMouseLeave(this);
      break;
  }
}

VCL_PUBLISHED(TsSplitter, p) {
  using C = TsSplitter;
  p.Integer("Width", &C::Width, &C::SetWidth, 6)
      .Object("Glyph", &C::Glyph, &C::SetGlyph)
      .Object("SkinData", &C::SkinData)
      .Event("OnMouseEnter", &C::OnMouseEnter)
      .Event("OnMouseLeave", &C::OnMouseLeave);
}

}  // namespace skin
