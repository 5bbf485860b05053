#include "skin/engine/paint/section_background.h"

#include <memory>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/common_data.h"
#include "skin/engine/fast_pixels.h"
#include "skin/engine/graphics/gradient_paint.h"
#include "skin/engine/paint/background_fill.h"
#include "skin/engine/paint/section_textures.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"
#include "vcl/controls/forms.h"

namespace skin {

namespace {

// What one section paints in one state.
struct TSectionLayers {
  vcl::TColor colour = 0;   // C
  int32_t transparency = 0;  // T, percent
  int32_t gradientShare = 0;  // G, percent
  int32_t textureShare = 0;   // I, percent
  const TsGradArray* gradient = nullptr;
  const TsMaskData* mask = nullptr;        // texture from a mask, or
  const TsPatternData* pattern = nullptr;  // from a JPEG pattern
  bool partVariant = false;                // the scroll-part rules of the colour layer
};

bool IsColourBackground(const TsBackgroundInfo& b) { return !b.Ready; }

// The background as seen from the rectangle: its origin moved so that target pixel (x, y)
// finds its background pixel at (X + x, Y + y).
TsBackgroundInfo BackgroundAt(const TsBackgroundInfo& info, vcl::TPoint offset, const vcl::TRect& rect) {
  TsBackgroundInfo b = info;
  b.X += offset.x - rect.left;
  b.Y += offset.y - rect.top;
  return b;
}

std::unique_ptr<vcl::TBitmap> WorkBitmapLike(vcl::TBitmap* target, int32_t w, int32_t h) {
  return target->PixelFormat() == vcl::pf32bit ? CreateBmp32(w, h) : CreateBmp24(w, h);
}

// The opaque section fill: texture, gradient over it, colour over both.
void PaintSectionFill(vcl::TBitmap* target, const vcl::TRect& rect, const TSectionLayers& s,
                      const TsBackgroundInfo& b) {
  const int32_t w = rect.right - rect.left, h = rect.bottom - rect.top;
  bool texturePainted = false;
  if (s.textureShare > 0) {
    vcl::TRect r = rect;
    if (s.pattern && s.pattern->Image) {
      TileGraphic(target->Canvas(), r, s.pattern->Image.get());
      r = AllCovered;
      texturePainted = true;
    } else if (s.mask && s.mask->MaskType == 0) {
      PaintTexture(target->Canvas(), r, s.mask->Image.get(), s.mask->StretchMode, *s.mask);
      texturePainted = true;
    } else if (s.mask) {
      PaintMaskedTexture(target, r, b, s.mask->StretchMode, *s.mask);
      texturePainted = true;
    }
    if (!IsAllCovered(r)) FillRectWithColour(target, r, s.colour);
  }

  if (s.gradientShare > 0) {
    const bool hasGradient = s.gradient && !s.gradient->empty();
    if (texturePainted) {
      auto layer = WorkBitmapLike(target, w, h);
      if (hasGradient)
        PaintGradient(layer.get(), vcl::TRect{0, 0, w, h}, *s.gradient);
      else
        FillRectWithColour(layer.get(), vcl::TRect{0, 0, w, h}, s.colour);
      // The texture keeps its share; every column takes the gradient, the last one included.
      MixBitmapRect(target, layer.get(), LimitToByte(s.textureShare * 255 / 100), vcl::TPoint{rect.left, rect.top},
                    vcl::TRect{0, 0, w, h});
    } else if (hasGradient) {
      PaintGradient(target, rect, *s.gradient);
    } else {
      FillRectWithColour(target, rect, s.colour);
    }
  }

  const int32_t share = s.gradientShare + s.textureShare;
  const bool colourBehind = IsColourBackground(b);
  if (share >= 1 && share <= 99) {
    BlendRectWithColor(target, vcl::TRect{rect.left, rect.top, rect.right - 1, rect.bottom - 1},
                       static_cast<uint8_t>(share), s.colour);
  } else if (share == 0 || (s.partVariant && share > 100)) {
    if (s.partVariant)
      FillRectWithColour(target, rect, colourBehind && s.transparency == 100 ? b.FillColor : s.colour);
    else if (colourBehind && s.transparency != 0)
      FillRectWithColour(target, rect,
                         s.transparency == 100 ? b.FillColor
                                               : BlendColors(b.FillColor, s.colour, s.transparency / 100.0));
    else
      FillRectWithColour(target, rect, s.colour);
  }
}

// The fill, seen through the section's transparency over what lies behind.
void Compose(vcl::TBitmap* target, const vcl::TRect& rect, const TSectionLayers& s, const TsBackgroundInfo& b) {
  const int32_t t = s.transparency;
  const bool colourBehind = IsColourBackground(b);
  if ((colourBehind && b.FillColor == NoCustomColor && !s.partVariant) || t <= 0 || (s.partVariant && colourBehind)) {
    PaintSectionFill(target, rect, s, b);
    return;
  }
  if (t >= 100) {
    PutBackground(target, rect, b);
    return;
  }
  const int32_t w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (!colourBehind || s.gradientShare + s.textureShare != 0) {
    auto layer = WorkBitmapLike(target, w, h);
    PaintSectionFill(layer.get(), vcl::TRect{0, 0, w, h}, s, BackgroundAt(b, vcl::TPoint{rect.left, rect.top}, vcl::TRect{}));
    PutBackground(target, rect, b);
    MixBitmapRect(target, layer.get(), LimitToByte(t * 255 / 100), vcl::TPoint{rect.left, rect.top},
                  vcl::TRect{0, 0, w, h});
    return;
  }
  FillRectWithColour(target, rect, BlendColors(b.FillColor, s.colour, t / 100.0));
}

bool SectionPaintable(TsSkinManager*& manager, int32_t sectionIndex, vcl::TBitmap* target, const vcl::TRect& rect) {
  if (!manager) manager = DefaultManager;
  return manager && manager->IsSectionIndexValid(sectionIndex) && target && !target->Empty() &&
         rect.right > rect.left && rect.bottom > rect.top;
}

const TsMaskData* ValidMask(const TsSkinManager* manager, int32_t index) {
  return manager->IsMaskIndexValid(index) ? &manager->Masks[index] : nullptr;
}

// A mask with a transparency half that tiles above the last row, painted once more over the
// normal state.
const TsMaskData* OverlayMask(const TsSkinManager* manager, int32_t index) {
  const TsMaskData* m = ValidMask(manager, index);
  return m && m->MaskType > 0 && m->StretchMode == tdTileAboveLastRow ? m : nullptr;
}

}  // namespace

void PaintSectionBg(int32_t sectionIndex, const std::string& sectionName, const TsBackgroundInfo& info,
                    vcl::TColor customColor, int32_t hotTextureIndex, int32_t textureIndex, TsSkinManager* manager,
                    vcl::TBitmap* target, vcl::TPoint offset, const vcl::TRect& rect, bool hot) {
  if (!SectionPaintable(manager, sectionIndex, target, rect)) return;
  const TsGeneralData& section = manager->Sections[sectionIndex];
  TSectionLayers s;
  if (customColor != NoCustomColor) {
    s.colour = customColor;
  } else {
    s.colour = hot ? section.HotColor : section.Color;
    s.transparency = hot ? section.HotTransparency : section.Transparency;
    if (s.transparency != 100) {
      s.textureShare = hot ? section.HotImagePercent : section.ImagePercent;
      s.gradientShare = hot ? section.HotGradientPercent : section.GradientPercent;
    }
    if (s.textureShare > 0) {
      const std::string key = hot ? "HOTPATTERN" : "PATTERN";
      int32_t index = hot ? hotTextureIndex : textureIndex;
      const TsMaskData* given = ValidMask(manager, index);
      // An index whose mask has a transparency half is not taken: the name decides.
      if (!given || given->MaskType != 0) index = manager->FindMaskIndex(sectionIndex, sectionName, key);
      s.mask = ValidMask(manager, index);
      if (!s.mask) {
        const int32_t pattern = manager->FindPatternIndex(sectionIndex, sectionName, key);
        if (pattern >= 0 && pattern < static_cast<int32_t>(manager->Patterns.size()))
          s.pattern = &manager->Patterns[pattern];
      }
    }
    if (s.gradientShare != 0) s.gradient = hot ? &section.HotGradientArray : &section.GradientArray;
  }
  const TsBackgroundInfo b = BackgroundAt(info, offset, rect);
  Compose(target, rect, s, b);

  if (hot) return;
  const TsMaskData* overlay = OverlayMask(manager, textureIndex);
  const TsMaskData* given = ValidMask(manager, textureIndex);
  if (!overlay && (!given || given->MaskType == 0)) overlay = OverlayMask(manager, hotTextureIndex);
  if (overlay) {
    vcl::TRect r = rect;
    PaintMaskedTexture(target, r, b, tdTileAboveLastRow, *overlay);
  }
}

void PaintPartBg(int32_t sectionIndex, int32_t textureIndex, int32_t hotTextureIndex, TsSkinManager* manager,
                 vcl::TBitmap* target, vcl::TPoint offset, const vcl::TRect& rect, bool hot,
                 const TsBackgroundInfo& info, const std::string&) {
  if (!SectionPaintable(manager, sectionIndex, target, rect)) return;
  const TsGeneralData& section = manager->Sections[sectionIndex];
  TSectionLayers s;
  s.partVariant = true;
  s.colour = hot ? section.HotColor : section.Color;
  s.transparency = hot ? section.HotTransparency : section.Transparency;
  s.textureShare = hot ? section.HotImagePercent : section.ImagePercent;
  s.gradientShare = hot ? section.HotGradientPercent : section.GradientPercent;
  s.gradient = hot ? &section.HotGradientArray : &section.GradientArray;
  s.mask = ValidMask(manager, hot ? hotTextureIndex : textureIndex);
  Compose(target, rect, s, BackgroundAt(info, offset, rect));
}

void PaintSkinDataBg(TsCommonData* link, const TsBackgroundInfo& info, bool hot, vcl::TBitmap* target,
                     vcl::TPoint offset, const vcl::TRect& rect) {
  if (!link) return;
  vcl::TColor custom = NoCustomColor;
  if (link->CustomColor()) {
    // A form provider's link takes the form's colour, any other link its control's.
    vcl::TControl* owner = link->Provider() ? static_cast<vcl::TControl*>(link->Provider()->ProviderForm())
                                            : link->LinkedControl;
    if (owner) custom = vcl::ColorToRGB(owner->Color());
  }
  PaintSectionBg(link->SectionIndex, link->SkinSection(), info, custom, link->HotPatternIndex, link->PatternIndex,
                 link->GetSkinManager(), target, offset, rect, hot);
}

}  // namespace skin
