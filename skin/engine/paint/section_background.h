// The background of a skin section painted into a rectangle of an off-screen bitmap: the
// section colour, a gradient and a texture over it, and as much of what lies behind the
// control as the section's transparency lets through.
//
// `offset` is the rectangle's place within the background: the background pixel behind
// target pixel (x, y) of the rectangle is (info.X + offset.x + x - rect.left,
// info.Y + offset.y + y - rect.top).
#pragma once

#include <cstdint>
#include <string>

#include "skin/engine/skin_painting.h"

namespace skin {

// The custom colour (and key colour of the background info) that means none.
constexpr vcl::TColor NoCustomColor = 0xFF00FF;

// Paints section `sectionIndex` (named `sectionName`) of the manager (nil: the default one)
// into `rect` of the target, with the hot keys when `hot`. A custom colour other than
// NoCustomColor paints a flat fill of it. Texture indexes of -1 are looked up by the section's
// "PATTERN" / "HOTPATTERN" key. Nothing is painted without a manager, for an invalid section
// or an empty rectangle.
void PaintSectionBg(int32_t sectionIndex, const std::string& sectionName, const TsBackgroundInfo& info,
                    vcl::TColor customColor, int32_t hotTextureIndex, int32_t textureIndex, TsSkinManager* manager,
                    vcl::TBitmap* target, vcl::TPoint offset, const vcl::TRect& rect, bool hot);

// The variant for scroll-bar parts: textures only by the given indexes (as masks), the
// state's keys always read, and a part whose gradient and texture shares pass 100 % painted
// in the section colour.
void PaintPartBg(int32_t sectionIndex, int32_t textureIndex, int32_t hotTextureIndex, TsSkinManager* manager,
                 vcl::TBitmap* target, vcl::TPoint offset, const vcl::TRect& rect, bool hot,
                 const TsBackgroundInfo& info, const std::string& sectionName);

}  // namespace skin
