// Whole skinned items (a control face, a menu line, a scroll-bar part, a header): the section
// background, the section's four corner images and its border mask in nine pieces.
//
// `state` is 0 for normal, 1 and above for the hot and further frames of the masks; any state
// but 0 paints the hot background. `offset` is the item's place within the background.
#pragma once

#include <cstdint>
#include <string>

#include "skin/engine/skin_painting.h"

namespace skin {

// Background, corners, then the border. Nothing unless the manager (nil: the default one)
// exists, the section is valid, and the rectangle is not empty and lies inside the target.
void PaintSectionItem(int32_t sectionIndex, const std::string& sectionName, const TsBackgroundInfo& info,
                      int32_t hotTextureIndex, int32_t textureIndex, TsSkinManager* manager, vcl::TBitmap* target,
                      vcl::TPoint offset, const vcl::TRect& rect, int32_t state, bool paintCentre);

// PaintSectionItem through a 24-bit work bitmap, copied onto the DC at the rectangle; the DC
// is left as it was, also when painting fails.
void PaintSectionItemToDC(int32_t sectionIndex, const std::string& sectionName, const TsBackgroundInfo& info,
                          TsSkinManager* manager, HDC dc, vcl::TPoint offset, const vcl::TRect& rect, int32_t state,
                          bool paintCentre);

// A scroll-bar part from its index triple: PaintPartBg and the border mask. The caller's
// background info is left as it was.
void PaintItemByIndexes(int32_t sectionIndex, int32_t borderMaskIndex, int32_t textureIndex, TsSkinManager* manager,
                        vcl::TBitmap* target, vcl::TPoint offset, const vcl::TRect& rect, int32_t state,
                        bool paintCentre, TsBackgroundInfo& info, const std::string& sectionName,
                        int32_t hotTextureIndex);

// Paints the whole target as an item of the named section, or of the fallback section when
// the first name is unknown; returns the section index used (invalid when neither exists, and
// then nothing is painted). With a DC, the DC's area at the rectangle's top-left is the
// background; without one, `bgColour` is.
int32_t PaintNamedSectionItem(vcl::TBitmap* target, const std::string& sectionName, const std::string& fallbackName,
                              HDC dc, vcl::TColor bgColour, const vcl::TRect& rect, TsSkinManager* manager,
                              int32_t state);

// A whole skinned control from its skin link: PaintSkinDataBg, the border mask (not in state 0
// when the mask paints nothing normally), then the corner images. Nothing unless the link's
// manager exists, its section is valid and the rectangle lies inside the target.
void PaintSkinDataItem(TsCommonData* link, const TsBackgroundInfo& info, bool paintCentre, bool cornersOnParent,
                       vcl::TBitmap* target, vcl::TPoint offset, const vcl::TRect& rect, int32_t state);
// The same, asking `parent` first for what lies behind (no parent: nothing is known behind).
void PaintSkinDataItemFromParent(TsCommonData* link, vcl::TControl* parent, bool paintCentre, bool cornersOnParent,
                                 vcl::TBitmap* target, vcl::TPoint offset, const vcl::TRect& rect, int32_t state);

// The section's corner images in the state at the rectangle's corners, over the target itself
// as their background.
void PaintSectionCorners(TsSkinManager* manager, int32_t sectionIndex, vcl::TBitmap* target, const vcl::TRect& rect,
                         int32_t state);

}  // namespace skin
