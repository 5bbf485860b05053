#include "skin/controls/track_bar.h"

#include <algorithm>
#include <cmath>

#include "skin/controls/skin_commands.h"
#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/text_routines.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/graphics/colours.h"

namespace skin {

namespace {

int32_t RoundEven(double v) { return int32_t(std::nearbyint(v)); }

// Mirrors a bitmap top to bottom (horizontal bar) or left to right (vertical bar).
void Mirror(vcl::TBitmap* bitmap, bool vertical) {
  HDC dc = bitmap->Canvas()->Handle();
  const int w = bitmap->Width(), h = bitmap->Height();
  if (vertical)
    StretchBlt(dc, w - 1, 0, -w, h, dc, 0, 0, w, h, SRCCOPY);
  else
    StretchBlt(dc, 0, h - 1, w, -h, dc, 0, 0, w, h, SRCCOPY);
}

}  // namespace

TsTrackBar::TsTrackBar(vcl::TComponent* owner) : vcl::TTrackBar(owner) {
  skinData_ = std::make_unique<TsCommonData>(this, true);
  skinData_->ControlCode = ccTrackBar;
  SetThumbLength(23);
  vcl::TControlStyle style = ControlStyle();
  SetControlStyle(style.Exclude(vcl::csOpaque));
}

TsTrackBar::~TsTrackBar() { StopFadeTimer(fadeTimer_, skinData_.get()); }

void TsTrackBar::AfterConstruction() {
  vcl::TTrackBar::AfterConstruction();
  skinData_->Loaded();
}

void TsTrackBar::Loaded() {
  vcl::TTrackBar::Loaded();
  skinData_->Loaded();
}

void TsTrackBar::SetDisabledKind(TsDisabledKind value) {
  if (disabledKind_ == value) return;
  disabledKind_ = value;
  skinData_->Invalidate();
}

// ---- Geometry ----

vcl::TRect TsTrackBar::ThumbRect() {
  RECT r{0, 0, 1, 1};
  if (HandleAllocated()) SendMessageA(Handle(), TBM_GETTHUMBRECT, 0, LPARAM(&r));
  return r;
}

vcl::TRect TsTrackBar::ChannelRect() {
  RECT r{0, 0, 0, 0};
  if (HandleAllocated()) SendMessageA(Handle(), TBM_GETCHANNELRECT, 0, LPARAM(&r));
  // The platform reports a vertical bar's channel lying on its side.
  if (Vertical()) r = RECT{r.top, r.left, r.bottom, r.right};
  return r;
}

int32_t TsTrackBar::ValueToPixel(int32_t value) {
  const vcl::TRect channel = ChannelRect(), thumb = ThumbRect();
  const int32_t start = Vertical() ? channel.top : channel.left;
  const int32_t length = Vertical() ? channel.bottom - channel.top : channel.right - channel.left;
  const int32_t thumbLength = Vertical() ? thumb.bottom - thumb.top : thumb.right - thumb.left;
  const int32_t range = Max() - Min();
  if (range <= 0) return start + thumbLength / 2;
  return start + thumbLength / 2 + RoundEven(double(value - Min()) * (length - thumbLength) / range);
}

std::vector<int32_t> TsTrackBar::TickPositions() {
  std::vector<int32_t> positions;
  if (!HandleAllocated() || TickStyle() == vcl::tsNone) return positions;
  const int32_t n = int32_t(SendMessageA(Handle(), TBM_GETNUMTICS, 0, 0));
  // A single tick (or none) has no distance between ticks to divide by.
  if (n < 2) return positions;
  const vcl::TRect channel = ChannelRect(), thumb = ThumbRect();
  const int32_t start = Vertical() ? channel.top : channel.left;
  const int32_t end = Vertical() ? channel.bottom : channel.right;
  const int32_t thumbLength = Vertical() ? thumb.bottom - thumb.top : thumb.right - thumb.left;
  if (TickStyle() == vcl::tsAuto) {
    const double step = double(end - start - thumbLength) / (n - 1);
    for (int32_t i = 0; i < n; ++i) positions.push_back(RoundEven(i * step + start + thumbLength / 2));
  } else {
    positions.push_back(start + thumbLength / 2);
    for (int32_t i = 0; i < n - 2; ++i) positions.push_back(int32_t(SendMessageA(Handle(), TBM_GETTICPOS, i, 0)));
    positions.push_back(end - thumbLength / 2);
  }
  return positions;
}

int32_t TsTrackBar::ThumbState() {
  if (thumbHeld_) return 2;
  return skinData_->InHotState() ? 1 : 0;
}

// ---- Painting ----

void TsTrackBar::PaintTick(int32_t x, int32_t y, int tickMask) {
  vcl::TBitmap* cache = skinData_->CacheBitmap.get();
  TsSkinManager* m = skinData_->GetSkinManager();
  if (m && m->IsMaskIndexValid(tickMask)) {
    const TsMaskData& mask = m->Masks[size_t(tickMask)];
    if (Vertical())
      y -= MaskFrameHeight(mask) / 2;
    else
      x -= MaskFrameWidth(mask) / 2;
    TsBackgroundInfo info;
    FillBmpBgInfo(cache, 0, 0, info);
    PaintMaskGlyph(cache, vcl::TPoint{x, y}, ThumbState(), info, mask, kGlyphNormal);
    return;
  }
  vcl::TRect r = Vertical() ? vcl::TRect{x, y, x + kTickLength, y + 2} : vcl::TRect{x, y, x + 2, y + kTickLength};
  int32_t count = 1;
  Draw3DFrameLines(cache->Canvas()->Handle(), r, vcl::TColor(vcl::ColorToRGB(vcl::clBtnShadow)), count,
                   vcl::TColor(0xFFFFFF));
}

void TsTrackBar::PaintSelectionMarkers(const vcl::TRect& channel, int32_t off) {
  if (SelStart() <= 0 && SelEnd() <= 0) return;
  vcl::TCanvas* canvas = skinData_->CacheBitmap->Canvas();
  TsSkinManager* m = skinData_->GetSkinManager();
  const vcl::TColor colour = m ? m->GetGlobalFontColor() : vcl::clBtnText;
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(colour);
  canvas->Pen()->SetStyle(vcl::psSolid);
  canvas->Pen()->SetColor(colour);
  const bool first = TickMarks() == vcl::tmTopLeft || TickMarks() == vcl::tmBoth;
  const bool second = TickMarks() == vcl::tmBottomRight || TickMarks() == vcl::tmBoth;
  // Through the canvas, which selects its pen and brush into the device first.
  auto triangle = [canvas](vcl::TPoint a, vcl::TPoint b, vcl::TPoint c) { canvas->Polygon({a, b, c}); };
  const int32_t ps = ValueToPixel(SelStart()), pe = ValueToPixel(SelEnd());
  if (!Vertical()) {
    if (first) {
      const int32_t y0 = channel.top - off - kTickLength;
      triangle({ps, y0}, {ps, y0 - 3}, {ps - 3, y0 - 3});
      triangle({pe, y0}, {pe, y0 - 3}, {pe + 3, y0 - 3});
    }
    if (second) {
      const int32_t y0 = channel.bottom + off;
      triangle({ps, y0}, {ps, y0 + 3}, {ps - 3, y0 + 3});
      triangle({pe, y0}, {pe, y0 + 3}, {pe + 3, y0 + 3});
    }
  } else {
    if (first) {
      const int32_t x0 = channel.left - off - kTickLength;
      triangle({x0, ps}, {x0 - 3, ps - 3}, {x0 - 3, ps});
      triangle({x0, pe}, {x0 - 3, pe}, {x0 - 3, pe + 3});
    }
    if (second) {
      const int32_t x0 = channel.right + off;
      triangle({x0, ps}, {x0 + 3, ps - 3}, {x0 + 3, ps});
      triangle({x0, pe}, {x0 + 3, pe}, {x0 + 3, pe + 3});
    }
  }
}

void TsTrackBar::PaintBody() {
  TsCommonData* link = skinData_.get();
  TsSkinManager* m = link->GetSkinManager();
  vcl::TBitmap* cache = link->CacheBitmap.get();
  vcl::TRect channel = ChannelRect();
  const int channelMask = m->FindMaskIndex(link->SectionIndex, link->SkinSection(), "SLIDERCHANNEL");
  if (m->IsMaskIndexValid(channelMask)) {
    int32_t fw = 0, fh = 0;
    m->MaskFrameSize(channelMask, fw, fh);
    if (Vertical()) {
      channel.left += (channel.right - channel.left - (fw - 1)) / 2;
      channel.right = channel.left + fw - 1;
    } else {
      channel.top += (channel.bottom - channel.top - (fh - 1)) / 2;
      channel.bottom = channel.top + fh - 1;
    }
    TsBackgroundInfo info;
    FillBmpBgInfo(cache, 0, 0, info);
    PaintSlicedMask(cache, channel, true, info, m->Masks[size_t(channelMask)], link->InHotState() ? 1 : 0, false);
  }
  const vcl::TRect thumb = ThumbRect();
  const int32_t thumbThickness = Vertical() ? thumb.right - thumb.left : thumb.bottom - thumb.top;
  const int32_t channelThickness = Vertical() ? channel.right - channel.left : channel.bottom - channel.top;
  const int32_t off = (thumbThickness - channelThickness) / 2 + 2;
  if (TickStyle() != vcl::tsNone) {
    const int tickMask = m->FindMaskIndex(link->SectionIndex, link->SkinSection(), Vertical() ? "TICKVERT" : "TICKHORZ");
    const bool selection = SelStart() != 0 || SelEnd() != 0;
    const int32_t selStartPixel = ValueToPixel(SelStart()), selEndPixel = ValueToPixel(SelEnd());
    const bool first = TickMarks() == vcl::tmTopLeft || TickMarks() == vcl::tmBoth;
    const bool second = TickMarks() == vcl::tmBottomRight || TickMarks() == vcl::tmBoth;
    for (int32_t p : TickPositions()) {
      // The selection markers stand where the ticks of its ends would be.
      if (selection && (p == selStartPixel || p == selEndPixel)) continue;
      if (Vertical()) {
        if (first) PaintTick(channel.left - off - kTickLength, p, tickMask);
        if (second) PaintTick(channel.right + off, p, tickMask);
      } else {
        if (first) PaintTick(p, channel.top - off - kTickLength, tickMask);
        if (second) PaintTick(p, channel.bottom + off, tickMask);
      }
    }
  }
  PaintSelectionMarkers(channel, off);
}

void TsTrackBar::PaintThumb() {
  TsCommonData* link = skinData_.get();
  TsSkinManager* m = link->GetSkinManager();
  int mask = -1;
  if (Vertical()) mask = m->FindMaskIndex(link->SectionIndex, link->SkinSection(), "SLIDERVMASK");
  if (!m->IsMaskIndexValid(mask)) mask = m->FindMaskIndex(link->SectionIndex, link->SkinSection(), "SLIDERMASK");
  if (!m->IsMaskIndexValid(mask) || !SliderVisible()) return;
  const TsMaskData& data = m->Masks[size_t(mask)];
  const int32_t fw = MaskFrameWidth(data), fh = MaskFrameHeight(data);
  if (fw <= 0 || fh <= 0) return;
  vcl::TBitmap* cache = link->CacheBitmap.get();
  const vcl::TRect r = ThumbRect();
  const int32_t w = r.right - r.left, h = r.bottom - r.top;
  const int32_t thickness = Vertical() ? w : h;
  const bool mirrored = TickMarks() == vcl::tmTopLeft;
  if ((thickness == 23 || (w == fw && h == fh)) && !mirrored) {
    TsBackgroundInfo info;
    FillBmpBgInfo(cache, 0, 0, info);
    PaintMaskGlyph(cache, vcl::TPoint{r.left + (w - fw) / 2, r.top + (h - fh) / 2}, ThumbState(), info, data,
                   kGlyphNormal);
    return;
  }
  if (w <= 0 || h <= 0) return;
  // The thumb is drawn at its natural size over what lies under it, turned to point up or
  // left when the ticks are there, then fitted to the platform's thumb rectangle.
  auto image = CreateBmp24(fw, fh);
  HDC imageDC = image->Canvas()->Handle();
  HDC cacheDC = cache->Canvas()->Handle();
  SetStretchBltMode(imageDC, HALFTONE);
  StretchBlt(imageDC, 0, 0, fw, fh, cacheDC, r.left, r.top, w, h, SRCCOPY);
  if (mirrored) Mirror(image.get(), Vertical());
  TsBackgroundInfo info;
  FillBmpBgInfo(image.get(), 0, 0, info);
  PaintMaskGlyph(image.get(), vcl::TPoint{0, 0}, ThumbState(), info, data, kGlyphNormal);
  if (mirrored) Mirror(image.get(), Vertical());
  SetStretchBltMode(cacheDC, HALFTONE);
  StretchBlt(cacheDC, r.left, r.top, w, h, imageDC, 0, 0, fw, fh, SRCCOPY);
}

void TsTrackBar::PaintCache() {
  TsCommonData* link = skinData_.get();
  link->InitCacheBmp24();
  vcl::TBitmap* cache = link->CacheBitmap.get();
  TsBackgroundInfo bg;
  link->GetParentBgInfo(bg);
  const vcl::TRect client{0, 0, Width(), Height()};
  PaintSkinDataItem(link, bg, true, false, cache, vcl::TPoint{Left(), Top()}, client, link->InHotState() ? 1 : 0);
  if (showFocus_ && ((HandleAllocated() && Focused()) || thumbHeld_)) {
    vcl::TRect focus = client;
    InflateRect(&focus, -1, -1);
    DrawDottedFocusRect(cache->Canvas(), focus);
  }
  PaintBody();
  if (OnSkinPaint) OnSkinPaint(this, cache->Canvas());
  PaintThumb();
  if (!Enabled()) ApplyDisabledKind(cache, disabledKind_, Parent(), vcl::TPoint{Left(), Top()}, bg);
  link->CacheStale = false;
}

void TsTrackBar::PaintToWindow(HDC dc) {
  TsCommonData* link = skinData_.get();
  if (IsDestroying(this) || !link->IsSkinned()) return;
  link->UpdatePending = link->IsUpdating();
  if (link->UpdatePending || (fadeTimer_ && fadeTimer_->Enabled())) return;
  PaintCache();
  if (link->SectionIndex >= 0) PaintTransparentCorners(link, 0);
  BitBlt(dc, 0, 0, Width(), Height(), link->CacheBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TsTrackBar::PaintWindow(HDC dc) {
  if (!skinData_->IsSkinned(false)) {
    vcl::TTrackBar::PaintWindow(dc);
    return;
  }
  if (fadeTimer_ && fadeTimer_->Enabled()) return;
  HDC own = dc ? nullptr : GetDC(Handle());
  PaintToWindow(dc ? dc : own);
  if (own) ReleaseDC(Handle(), own);
}

bool TsTrackBar::DoMouseWheel(vcl::TShiftState shift, int wheelDelta, vcl::TPoint mousePos) {
  if (vcl::TTrackBar::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
  const int32_t notches = wheelDelta / WHEEL_DELTA;
  if (notches == 0 || !Enabled()) return false;
  const int32_t before = Position();
  // Turning the wheel towards the user moves on, as the Down and Right keys do.
  SetPosition(std::clamp(before - notches * LineSize(), Min(), Max()));
  if (Position() != before) {
    skinData_->CacheStale = true;
    Changed();
    if (OnUserChange) OnUserChange(this);
    Repaint();
  }
  return true;
}

// ---- Messages ----

void TsTrackBar::FadeTo(TacAnimatEvent event, bool halve) {
  FadeOnEvent(fadeTimer_, skinData_.get(), animatEvents_, event, halve);
}

void TsTrackBar::WndProc(vcl::TMessage& message) {
  TsCommonData* link = skinData_.get();
  if (IsCommonSkinCommand(message)) {
    auto stopFade = [&](bool) { StopFadeTimer(fadeTimer_, link); };
    const TSkinNewsSteps repaint{.Before = stopFade, .After = [this](bool) {
                                   Repaint();
                                   return true;
                                 }};
    if (AnswerSkinCommand(this, message, link,
                          {.SkinSet = repaint,
                           .SkinRemoved = {.Before = stopFade,
                                           .After =
                                               [this](bool) {
                                                 // The platform control draws itself again.
                                                 if (HandleAllocated()) RecreateWnd();
                                                 return true;
                                               }},
                           .SkinRefresh = repaint}))
      return;
  }
  if (message.Msg == SM_ALPHACMD) {
    switch (AlphaCommand(message)) {
      case cmdRepaint:
        if (link->UpdatePending) {
          link->UpdatePending = false;
          Repaint();
        }
        break;
      case cmdStopFade:
        StopFadeTimer(fadeTimer_, link);
        return;
      case cmdPaintToCache:
        PaintCache();
        break;
      case cmdFadeFrame: {
        message.Result = 0;
        auto* image = reinterpret_cast<vcl::TBitmap*>(message.LParam);
        if (image && HandleAllocated()) {
          HDC dc = GetWindowDC(Handle());
          BitBlt(dc, 0, 0, Width(), Height(), image->Canvas()->Handle(), 0, 0, SRCCOPY);
          ReleaseDC(Handle(), dc);
          message.Result = 1;
        }
        return;
      }
      case cmdGetApplication:
        message.Result = LRESULT(vcl::Application);
        return;
    }
  }
  const bool scroll = message.Msg == vcl::CN_HSCROLL || message.Msg == vcl::CN_VSCROLL;
  if (ControlReadyToPaint(this) && link->IsSkinned()) {
    const bool active = !IsDesigning(this) && Enabled();
    bool done = false;
    switch (message.Msg) {
      case WM_SETFOCUS:
      case vcl::CM_ENTER:
        if (IsDesigning(this)) break;
        vcl::TTrackBar::WndProc(message);
        if (Enabled()) {
          if (fadeTimer_)
            fadeTimer_->FadeStep();
          else
            Repaint();
        }
        done = true;
        break;
      case WM_KILLFOCUS:
      case vcl::CM_EXIT:
        if (IsDesigning(this)) break;
        vcl::TTrackBar::WndProc(message);
        if (Enabled()) StopFadeTimer(fadeTimer_, link);
        if (!IsDestroying(this)) Repaint();
        done = true;
        break;
      case WM_PAINT: {
        vcl::TControlStateScope customPaint(this, vcl::csCustomPaint);
        PreprocessControlMessage(message, link);
        vcl::TTrackBar::WndProc(message);
        done = true;
        break;
      }
      case WM_ERASEBKGND:
        message.Result = 1;
        return;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        if (!active) break;
        SuspendHints();
        POINT p{short(LOWORD(message.LParam)), short(HIWORD(message.LParam))};
        RECT thumb = ThumbRect();
        if (PtInRect(&thumb, p)) {
          thumbHeld_ = true;
          FadeTo(aeMouseDown, true);
        } else {
          StopFadeTimer(fadeTimer_, link);
        }
        break;
      }
      case WM_LBUTTONUP:
      case WM_CAPTURECHANGED:
      case WM_CANCELMODE:
        if (!active && message.Msg == WM_LBUTTONUP) break;
        // A lost capture (another window took it) ends the press as a release does.
        RestoreHints();
        if (thumbHeld_) {
          thumbHeld_ = false;
          FadeTo(aeMouseUp, true);
        } else if (message.Msg == WM_LBUTTONUP) {
          StopFadeTimer(fadeTimer_, link);
        }
        break;
      case WM_PRINT:
        PaintWindow(reinterpret_cast<HDC>(message.WParam));
        return;
      case vcl::CN_HSCROLL:
      case vcl::CN_VSCROLL:
        StopFadeTimer(fadeTimer_, link);
        link->CacheStale = true;
        break;
    }
    if (!done) {
      if (!PreprocessControlMessage(message, link)) vcl::TTrackBar::WndProc(message);
      if (scroll) Repaint();
      if (message.Msg == WM_MOVE && IsDesigning(this)) Repaint();
      if ((message.Msg == vcl::CM_MOUSEENTER || message.Msg == vcl::CM_MOUSELEAVE) && !IsDesigning(this) &&
          !thumbHeld_) {
        link->MouseOver = message.Msg == vcl::CM_MOUSEENTER;
        link->CacheStale = false;
        FadeTo(link->MouseOver ? aeMouseEnter : aeMouseLeave, false);
      }
    }
  } else {
    vcl::TTrackBar::WndProc(message);
  }
  if (scroll && OnUserChange) OnUserChange(this);
}

VCL_PUBLISHED(TsTrackBar, p) {
  using C = TsTrackBar;
  p.Integer("ThumbLength", &C::ThumbLength, &C::SetThumbLength, 23)
      .Set("AnimatEvents", &C::AnimatEvents, &C::SetAnimatEvents, AnimatEventNames, DefaultAnimatEvents)
      .Set("DisabledKind", &C::DisabledKind, &C::SetDisabledKind, DisabledKindNames, TsDisabledKind{dkBlended})
      .Object("SkinData", &C::SkinData)
      .Bool("ShowFocus", &C::ShowFocus, &C::SetShowFocus, false)
      .Event("OnUserChange", &C::OnUserChange)
      .Event("OnSkinPaint", &C::OnSkinPaint);
}

}  // namespace skin
