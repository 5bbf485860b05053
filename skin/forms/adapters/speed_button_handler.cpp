#include "skin/forms/adapters/speed_button_handler.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/disabled_look.h"
#include "skin/engine/paint/button_glyph.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/skin_painting.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "vcl/controls/application.h"
#include "vcl/stdctrls/buttons.h"

namespace skin {

namespace {

// A published ordinal of the foreign control, or the default when it has none.
int32_t OrdProp(vcl::TObject* object, const char* name, int32_t fallback) {
  return ControlHasProp(object, name) ? int32_t(GetOrdPropByName(object, name)) : fallback;
}

}  // namespace

TacSpeedButtonHandler::TacSpeedButtonHandler(vcl::TControl* control, const std::string& section,
                                             TsSkinManager* manager, TsCommonData* skinLink)
    : Control(control), Manager(manager ? manager : skinLink ? skinLink->GetSkinManager() : nullptr),
      SkinLink(skinLink) {
  if (SkinLink && (SkinLink->SkinSection().empty() || SkinLink->SkinSection() == "UNKNOWN"))
    SkinLink->SetSkinSection(section);
  if (Control)
    link_ = Control->WindowProc.Install(
        [this](vcl::TMessage& message, const vcl::TWindowProcNext& next) {
          try {
            WndProc(message, next);
          } catch (...) {
            next(message);
          }
        });
}

TacSpeedButtonHandler::~TacSpeedButtonHandler() {
  if (!Restored) link_.Remove();
  Restored = true;
  Manager = nullptr;
}

vcl::TBitmap* TacSpeedButtonHandler::Glyph() const {
  if (auto* button = dynamic_cast<vcl::TSpeedButton*>(Control)) return button->Glyph();
  return dynamic_cast<vcl::TBitmap*>(GetObjPropByName(Control, "Glyph"));
}

int TacSpeedButtonHandler::NumGlyphs() const { return std::max<int32_t>(OrdProp(Control, "NumGlyphs", 1), 1); }

int TacSpeedButtonHandler::State() const {
  bool down = false;
  if (auto* button = dynamic_cast<vcl::TSpeedButton*>(Control))
    down = button->State() == vcl::bsDown || button->State() == vcl::bsExclusive;
  else
    down = OrdProp(Control, "Down", 0) != 0;
  if (down) return 2;
  return SkinLink && SkinLink->InHotState() ? 1 : 0;
}

vcl::TPoint TacSpeedButtonHandler::CaptionSize() const {
  const std::string caption = Control->Caption();
  if (caption.empty()) return {0, 0};
  RECT r{0, 0, 255, 0};
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Control->Font()->Handle());
  DrawTextA(dc, caption.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
  SelectObject(dc, old);
  DeleteDC(dc);
  return {r.right - r.left, r.bottom - r.top};
}

vcl::TRect TacSpeedButtonHandler::GlyphRect() const {
  vcl::TBitmap* glyph = Glyph();
  const int G = glyph && !glyph->Empty() ? glyph->Width() / NumGlyphs() : 0;
  const int H = glyph && !glyph->Empty() ? glyph->Height() : 0;
  const vcl::TPoint text = CaptionSize();
  const int s = text.x > 0 ? OrdProp(Control, "Spacing", 4) : 0;
  const int margin = OrdProp(Control, "Margin", -1);
  const int W = Control->Width(), Ht = Control->Height();
  const int p = State() == 2 ? 1 : 0;
  int x = 0, y = 0;
  switch (OrdProp(Control, "Layout", vcl::blGlyphLeft)) {
    case vcl::blGlyphRight:
      x = W - (margin == -1 ? (W - (G + s + text.x)) / 2 : margin) - G;
      y = (Ht - H) / 2;
      break;
    case vcl::blGlyphTop:
      x = (W - G) / 2;
      y = margin == -1 ? (Ht - (H + s + text.y)) / 2 : margin;
      break;
    case vcl::blGlyphBottom:
      x = (W - G) / 2;
      y = Ht - (margin == -1 ? (Ht - (H + s + text.y)) / 2 : margin) - H;
      break;
    default:
      x = margin == -1 ? (W - (G + s + text.x)) / 2 : margin;
      y = (Ht - H) / 2;
      break;
  }
  return {x + p, y + p, x + G + p, y + H + p};
}

vcl::TRect TacSpeedButtonHandler::CaptionRect() const {
  const vcl::TPoint text = CaptionSize();
  vcl::TBitmap* glyph = Glyph();
  const bool hasGlyph = glyph && !glyph->Empty();
  const int margin = OrdProp(Control, "Margin", -1), spacing = OrdProp(Control, "Spacing", 4);
  const int layout = OrdProp(Control, "Layout", vcl::blGlyphLeft);
  const int W = Control->Width(), Ht = Control->Height();
  const int p = State() == 2 ? 1 : 0;
  int x = 0, y = 0;
  if (!hasGlyph) {
    if (margin == -1) {
      x = p + (W - text.x) / 2;
      y = p + (Ht - text.y) / 2;
    } else if (layout == vcl::blGlyphLeft || layout == vcl::blGlyphRight) {
      x = layout == vcl::blGlyphLeft ? margin : W - margin - text.x;
      y = p + (Ht - text.y) / 2;
    } else {
      x = p + (W - text.x) / 2;
      y = layout == vcl::blGlyphTop ? margin : Ht - margin - text.y;
    }
  } else {
    const vcl::TRect g = GlyphRect();
    switch (layout) {
      case vcl::blGlyphRight:
        x = g.left - spacing - text.x;
        y = p + (Ht - text.y) / 2;
        break;
      case vcl::blGlyphTop:
        x = p + (W - text.x) / 2;
        y = g.bottom + spacing;
        break;
      case vcl::blGlyphBottom:
        x = p + (W - text.x) / 2;
        y = g.top - spacing - text.y;
        break;
      default:
        x = g.right + spacing;
        y = p + (Ht - text.y) / 2;
        break;
    }
  }
  return {x, y, x + text.x, y + text.y};
}

void TacSpeedButtonHandler::WndProc(vcl::TMessage& m, const vcl::TWindowProcNext& next) {
  if (m.Msg == SM_ALPHACMD && SkinLink) {
    const bool ours = m.LParam == LPARAM(Manager);
    switch (m.WParamHi()) {
      case cmdSkinSet:
        if (!ours) break;
        PreprocessControlMessage(m, SkinLink);
        return;
      case cmdSkinRemoved:
        if (!ours || Control->ComponentState().Contains(vcl::csDestroying)) break;
        PreprocessControlMessage(m, SkinLink);
        if (Control->Visible()) Control->Repaint();
        next(m);
        return;
      case cmdSkinRefresh:
        if (!ours) break;
        PreprocessControlMessage(m, SkinLink);
        if (Control->Visible()) Control->Repaint();
        return;
      case cmdRepaint:
        if (!SkinLink->UpdatePending) break;
        SkinLink->UpdatePending = false;
        Control->Repaint();
        return;
      case cmdIsSkinned:
        m.Result = 1;
        return;
      case cmdUpdateImage:
        SkinLink->UpdatePending = false;
        SkinLink->CacheStale = true;
        Control->Repaint();
        break;
      case cmdGetApplication:
        m.Result = LRESULT(vcl::Application);
        return;
      default:
        break;
    }
    next(m);
    return;
  }
  if (!SkinLink || !SkinLink->IsSkinned()) {
    next(m);
    return;
  }
  switch (m.Msg) {
    case WM_PAINT:
      PaintToDC(reinterpret_cast<HDC>(m.WParam));
      m.Result = 0;
      return;
    case vcl::CM_MOUSEENTER:
    case vcl::CM_MOUSELEAVE:
      SkinLink->MouseOver = m.Msg == vcl::CM_MOUSEENTER;
      next(m);
      Control->Repaint();
      return;
    default:
      next(m);
      return;
  }
}

void TacSpeedButtonHandler::PaintToDC(HDC dc) {
  if (!dc) return;
  const int saved = SaveDC(dc);
  PrepareCache();
  PaintTransparentCorners(SkinLink, 0);
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  BitBlt(dc, 0, 0, Control->Width(), Control->Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
  RestoreDC(dc, saved);
}

void TacSpeedButtonHandler::PrepareCache() {
  SkinLink->PrepareCacheBmp();
  if (SkinLink->CacheBitmap->PixelFormat() != vcl::pf24bit) SkinLink->CacheBitmap->SetPixelFormat(vcl::pf24bit);
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  cache->Canvas()->Font()->Assign(Control->Font());
  TsBackgroundRequest request;
  RequestCtrlBackground(request, Control->Parent(), false);
  TsBackgroundInfo info;
  BgRequestToBgInfo(request, info);
  // A parent that is not painted yet has no image to lie on: the cache waits for it.
  if (request.Kind == bkBitmap && request.Bitmap && request.Bitmap->Width() == 0) return;
  const int state = State();
  PaintSkinDataItem(SkinLink, info, true, false, cache, {Control->Left(), Control->Top()},
                    {0, 0, Control->Width(), Control->Height()}, state);
  PaintTransparentCorners(SkinLink, state);
  PaintCaption(state);
  PaintGlyph(state);
  if (!Control->Enabled())
    ApplyDisabledKind(cache, TsDisabledKind{dkBlended}, Control->Parent(), {Control->Left(), Control->Top()}, info);
  SkinLink->CacheStale = false;
}

void TacSpeedButtonHandler::PaintCaption(int state) {
  const std::string caption = Control->Caption();
  if (caption.empty()) return;
  vcl::TCanvas* canvas = SkinLink->CacheBitmap->Canvas();
  canvas->Brush()->SetStyle(vcl::bsClear);
  uint32_t flags = uint32_t(AlignToDrawTextFlags(Control, vcl::taLeftJustify)) | DT_WORDBREAK | DT_EXPANDTABS;
  flags &= ~uint32_t(DT_SINGLELINE);
  WriteSkinDataText(canvas, caption, Control->Enabled(), state != 0, SkinLink, flags, CaptionRect());
}

void TacSpeedButtonHandler::PaintGlyph(int state) {
  vcl::TBitmap* glyph = Glyph();
  if (!glyph || glyph->Empty()) return;
  const vcl::TRect r = GlyphRect();
  const bool down = OrdProp(Control, "Down", 0) != 0;
  DrawBtnGlyphBmp(glyph, SkinLink->CacheBitmap.get(), r, NumGlyphs(), Control->Enabled(), TsDisabledGlyphKind{dgBlended},
                  state, 0, down ? 1 : 0);
}

}  // namespace skin
