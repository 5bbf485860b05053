#include "skin/engine/paint/item_painters.h"

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/common_data.h"
#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/paint/section_background.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"

namespace skin {

namespace {

bool RectInside(const vcl::TRect& rect, const vcl::TBitmap* target) {
  return rect.left >= 0 && rect.top >= 0 && rect.right <= target->Width() && rect.bottom <= target->Height() &&
         rect.left < rect.right && rect.top < rect.bottom;
}

bool ItemPaintable(TsSkinManager*& manager, int32_t sectionIndex, vcl::TBitmap* target, const vcl::TRect& rect) {
  if (!manager) manager = DefaultManager;
  return target && manager && manager->IsSectionIndexValid(sectionIndex) && RectInside(rect, target);
}

TsBackgroundInfo Shifted(TsBackgroundInfo info, vcl::TPoint offset) {
  info.X += offset.x;
  info.Y += offset.y;
  return info;
}

void PaintBorder(TsSkinManager* manager, int32_t maskIndex, vcl::TBitmap* target, const vcl::TRect& rect,
                 bool paintCentre, const TsBackgroundInfo& info, int32_t state) {
  if (manager->IsMaskIndexValid(maskIndex))
    PaintSlicedMask(target, rect, paintCentre, info, manager->Masks[maskIndex], state, true);
}

}  // namespace

void PaintSectionCorners(TsSkinManager* manager, int32_t sectionIndex, vcl::TBitmap* target, const vcl::TRect& rect,
                         int32_t state) {
  if (!manager || !manager->IsSectionIndexValid(sectionIndex) || !target) return;
  const TsGeneralData& section = manager->Sections[sectionIndex];
  TsBackgroundInfo self;
  FillBmpBgInfo(target, 0, 0, self);
  const struct {
    int32_t index;
    bool right, bottom;
  } corners[] = {{section.CornerTopLeft, false, false},
                 {section.CornerTopRight, true, false},
                 {section.CornerBottomLeft, false, true},
                 {section.CornerBottomRight, true, true}};
  for (const auto& c : corners) {
    if (!manager->IsMaskIndexValid(c.index)) continue;
    int32_t w = 0, h = 0;
    manager->MaskFrameSize(c.index, w, h);
    const vcl::TPoint at{c.right ? rect.right - w : rect.left, c.bottom ? rect.bottom - h : rect.top};
    PaintMaskGlyph(target, at, state, self, manager->Masks[c.index], kGlyphNormal);
  }
}

void PaintSectionItem(int32_t sectionIndex, const std::string& sectionName, const TsBackgroundInfo& info,
                      int32_t hotTextureIndex, int32_t textureIndex, TsSkinManager* manager, vcl::TBitmap* target,
                      vcl::TPoint offset, const vcl::TRect& rect, int32_t state, bool paintCentre) {
  if (!ItemPaintable(manager, sectionIndex, target, rect)) return;
  PaintSectionBg(sectionIndex, sectionName, info, NoCustomColor, hotTextureIndex, textureIndex, manager, target,
                 offset, rect, state != 0);
  PaintSectionCorners(manager, sectionIndex, target, rect, state);
  PaintBorder(manager, manager->Sections[sectionIndex].BorderIndex, target, rect, paintCentre, Shifted(info, offset),
              state);
}

void PaintSectionItemToDC(int32_t sectionIndex, const std::string& sectionName, const TsBackgroundInfo& info,
                          TsSkinManager* manager, HDC dc, vcl::TPoint offset, const vcl::TRect& rect, int32_t state,
                          bool paintCentre) {
  if (!manager) manager = DefaultManager;
  const int32_t w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (!manager || !dc || !manager->IsSectionIndexValid(sectionIndex) || rect.left < 0 || rect.top < 0 || w < 1 ||
      h < 1)
    return;
  // Restores the DC however the painting ends.
  struct TSavedDC {
    HDC dc;
    int saved;
    ~TSavedDC() { RestoreDC(dc, saved); }
  } guard{dc, SaveDC(dc)};
  auto work = CreateBmp24(w, h);
  PaintSectionItem(sectionIndex, sectionName, info, -1, -1, manager, work.get(), offset, vcl::TRect{0, 0, w, h}, state,
                   paintCentre);
  BitBlt(dc, rect.left, rect.top, w, h, work->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void PaintItemByIndexes(int32_t sectionIndex, int32_t borderMaskIndex, int32_t textureIndex, TsSkinManager* manager,
                        vcl::TBitmap* target, vcl::TPoint offset, const vcl::TRect& rect, int32_t state,
                        bool paintCentre, TsBackgroundInfo& info, const std::string& sectionName,
                        int32_t hotTextureIndex) {
  if (!ItemPaintable(manager, sectionIndex, target, rect)) return;
  PaintPartBg(sectionIndex, textureIndex, hotTextureIndex, manager, target, offset, rect, state != 0, info,
              sectionName);
  PaintBorder(manager, borderMaskIndex, target, rect, paintCentre, Shifted(info, offset), state);
}

int32_t PaintNamedSectionItem(vcl::TBitmap* target, const std::string& sectionName, const std::string& fallbackName,
                              HDC dc, vcl::TColor bgColour, const vcl::TRect& rect, TsSkinManager* manager,
                              int32_t state) {
  if (!manager) manager = DefaultManager;
  if (!manager) return -1;
  std::string name = sectionName;
  int32_t index = manager->FindSectionIndex(name);
  if (!manager->IsSectionIndexValid(index)) {
    name = fallbackName;
    index = manager->FindSectionIndex(name);
    if (!manager->IsSectionIndexValid(index)) return index;
  }
  if (!target || target->Empty()) return index;
  TsBackgroundInfo info{nullptr, 0, 0, bgColour, false};
  if (dc) {
    BitBlt(target->Canvas()->Handle(), 0, 0, target->Width(), target->Height(), dc, rect.left, rect.top, SRCCOPY);
    info.Bitmap = target;
    info.Ready = true;
  }
  PaintSectionItem(index, name, info, -1, -1, manager, target, vcl::TPoint{0, 0},
                   vcl::TRect{0, 0, target->Width(), target->Height()}, state, true);
  return index;
}

void PaintSkinDataItem(TsCommonData* link, const TsBackgroundInfo& info, bool paintCentre, bool cornersOnParent,
                       vcl::TBitmap* target, vcl::TPoint offset, const vcl::TRect& rect, int32_t state) {
  if (!link) return;
  TsSkinManager* manager = link->GetSkinManager();
  if (!manager || !ItemPaintable(manager, link->SectionIndex, target, rect)) return;
  PaintSkinDataBg(link, info, state != 0, target, offset, rect);
  const int32_t border = link->BorderMaskIndex;
  // A border that paints nothing in the normal state is left out there.
  if (manager->IsMaskIndexValid(border) && !(state == 0 && (manager->Masks[border].StretchMode & 2)))
    PaintSlicedMask(target, rect, paintCentre, Shifted(info, offset), manager->Masks[border], state, cornersOnParent);
  PaintSectionCorners(manager, link->SectionIndex, target, rect, state);
}

void PaintSkinDataItemFromParent(TsCommonData* link, vcl::TControl* parent, bool paintCentre, bool cornersOnParent,
                                 vcl::TBitmap* target, vcl::TPoint offset, const vcl::TRect& rect, int32_t state) {
  // The key colour as the background colour says that nothing is known behind.
  TsBackgroundInfo info{nullptr, 0, 0, SkinKeyColor, false};
  if (parent) {
    TsBackgroundRequest request;
    RequestCtrlBackground(request, parent, false);
    BgRequestToBgInfo(request, info);
  }
  PaintSkinDataItem(link, info, paintCentre, cornersOnParent, target, offset, rect, state);
}

}  // namespace skin
