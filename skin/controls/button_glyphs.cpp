#include "skin/controls/button_glyphs.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/alpha_image_list.h"
#include "skin/engine/graphics/image_list_glyphs.h"
#include "skin/engine/paint/keyed_copies.h"
#include "skin/engine/skin_manager.h"
#include "vcl/graphics/colours.h"

namespace skin {

int32_t ImageCount(vcl::TCustomImageList* list) { return list ? list->Count() : 0; }

bool HasListImage(const TButtonGlyphSource& source) {
  return source.Images && source.ImageIndex >= 0 && source.ImageIndex < ImageCount(source.Images);
}

namespace {

// Runs `paint` on a 24-bit copy of the canvas's area under the rectangle, then puts it back:
// the routines that blend into a bitmap can then serve any canvas.
template <class Paint>
void OnCanvasCopy(vcl::TCanvas* canvas, const vcl::TRect& rect, Paint paint) {
  const int32_t w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (w <= 0 || h <= 0) return;
  auto copy = CreateBmp24(w, h);
  BitBlt(copy->Canvas()->Handle(), 0, 0, w, h, canvas->Handle(), rect.left, rect.top, SRCCOPY);
  paint(copy.get());
  BitBlt(canvas->Handle(), rect.left, rect.top, w, h, copy->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void DrawListImage(const TButtonGlyphSource& s, vcl::TBitmap* target, vcl::TPoint at, bool skinned) {
  vcl::TCustomImageList* list = s.Images;
  auto copy = CreateBmp24(list->Width(), list->Height());
  vcl::TColor key = list->BkColor() == vcl::clNone ? vcl::TColor(SkinKeyColor) : list->BkColor();
  PaintSolidRect(copy->Canvas()->Handle(), vcl::TRect{0, 0, list->Width(), list->Height()}, key);
  list->Draw(copy->Canvas(), 0, 0, s.ImageIndex, true);
  key = vcl::TColor(vcl::ColorToRGB(key));
  const bool hot = s.Link && s.Link->InHotState();
  if (s.Enabled) {
    if (skinned && !hot && s.Grayed) GrayscaleBmpExcept(copy.get(), key);
    if (hot || s.Blend < 1 || !skinned)
      CopyWithKeyColor(target, copy.get(), at.x, key, at.y);
    else
      BlendBmpByFactor(target, at.x, at.y, key, s.Blend / 100.0,
                       vcl::TRect{0, 0, copy->Width() - 1, copy->Height() - 1}, copy.get());
    return;
  }
  if (s.DisabledKind.Contains(dgGrayed)) GrayscaleBmpExcept(copy.get(), key);
  if (s.DisabledKind.Contains(dgBlended))
    BlendBmpByFactor(target, at.x, at.y, key, 0.5, vcl::TRect{0, 0, copy->Width() - 1, copy->Height() - 1},
                     copy.get());
  else
    CopyWithKeyColor(target, copy.get(), at.x, key, at.y);
}

}  // namespace

void DrawButtonGlyph(const TButtonGlyphSource& s, vcl::TCanvas* canvas) {
  vcl::TBitmap* cache = s.Link ? s.Link->CacheBitmap.get() : nullptr;
  const bool intoCache = !canvas || (cache && canvas == cache->Canvas());
  if (intoCache && !cache) return;
  const bool grey = (s.State == 0 && s.Grayed) || (!s.Enabled && s.DisabledKind.Contains(dgGrayed));
  vcl::TColor tone = NoTintColor;
  if (grey) {
    TsSkinManager* m = s.Link ? s.Link->GetSkinManager() : nullptr;
    tone = intoCache && m && m->IsSectionIndexValid(s.Link->SectionIndex)
               ? vcl::TColor(m->Sections[size_t(s.Link->SectionIndex)].Color)
               : vcl::TColor(vcl::ColorToRGB(vcl::clBtnFace));
  }
  const vcl::TRect& r = s.Rect;
  const int32_t w = r.right - r.left, h = r.bottom - r.top;
  if (s.Glyph && !s.Glyph->Empty()) {
    vcl::TBitmap* glyph = s.Glyph;
    if (glyph->HandleType() != vcl::bmDIB) glyph->SetHandleType(vcl::bmDIB);
    if (glyph->PixelFormat() == vcl::pf32bit) {
      const int32_t frame = std::min(s.State, std::max(1, s.NumGlyphs) - 1);
      const vcl::TRect source{w * frame, 0, w * frame + w, glyph->Height()};
      const int32_t blend = s.State == 0 ? s.Blend : 0;
      TsBackgroundInfo none;
      auto draw = [&](vcl::TBitmap* target, vcl::TRect at, int32_t percent) {
        CopyAlphaBitmap(at, source, target, s.Reflected, percent, tone, false, none, glyph);
      };
      if (intoCache) {
        draw(cache, r, blend);
      } else {
        int32_t percent = blend;
        if (!s.Enabled && s.DisabledKind.Contains(dgGrayed)) percent = std::max(50, percent);
        OnCanvasCopy(canvas, r, [&](vcl::TBitmap* copy) { draw(copy, vcl::TRect{0, 0, w, h}, percent); });
      }
    } else {
      auto draw = [&](vcl::TBitmap* target, vcl::TRect at) {
        DrawBtnGlyphBmp(glyph, target, at, std::max(1, s.NumGlyphs), s.Enabled, s.DisabledKind, s.State,
                        s.State == 0 ? s.Blend : 0, s.Down ? 1 : 0);
      };
      if (intoCache)
        draw(cache, r);
      else
        OnCanvasCopy(canvas, r, [&](vcl::TBitmap* copy) { draw(copy, vcl::TRect{0, 0, w, h}); });
    }
    return;
  }
  if (!HasListImage(s)) return;
  if (dynamic_cast<TsAlphaImageList*>(s.Images)) {
    // The image holds the button's state frames side by side; a held-down button starts one
    // frame further on.
    const int32_t frame = (s.Down ? 1 : 0) + s.State;
    if (intoCache) {
      DrawImgListGlyph(s.Images, cache, r.left, r.top, s.ImageIndex, std::max(1, s.NumGlyphs), frame, s.Reflected,
                       s.State == 0 ? s.Blend : 0, tone);
    } else {
      const int32_t blend =
          std::max(s.State == 0 ? s.Blend : 0, !s.Enabled && s.DisabledKind.Contains(dgBlended) ? 50 : 0);
      DrawImgListGlyphToDC(s.Images, canvas->Handle(), r.left, r.top, s.ImageIndex, std::max(1, s.NumGlyphs), frame,
                           s.Reflected, blend, tone);
    }
    return;
  }
  if (intoCache)
    DrawListImage(s, cache, vcl::TPoint{r.left, r.top}, true);
  else
    OnCanvasCopy(canvas, r, [&](vcl::TBitmap* copy) { DrawListImage(s, copy, vcl::TPoint{0, 0}, false); });
}

}  // namespace skin
