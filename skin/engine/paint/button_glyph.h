// A button's glyph drawn for its state: a single picture, or a strip of frames (normal, hot,
// pressed, ...), transparent where it has the colour of its bottom-left pixel.
#pragma once

#include <cstdint>

#include "vcl/controls/controls.h"
#include "vcl/graphics/bitmap.h"

namespace skin {

// How a single-picture glyph looks while disabled: faded halfway into the button, grey, or both.
enum TsDisabledGlyphKindItem : uint8_t { dgBlended, dgGrayed };
using TsDisabledGlyphKind = vcl::TEnumSet<TsDisabledGlyphKindItem>;

// Draws `glyph` (`count` frames side by side) at the top left of `rect` on `target`. State 0 is
// normal, 1 hot, 2 pressed; `down` picks the pressed frame of a strip (down + 2). A single
// picture in the normal state fades into the button by `blendPercent`. The glyph itself is
// left unchanged.
void DrawBtnGlyphBmp(vcl::TBitmap* glyph, vcl::TBitmap* target, const vcl::TRect& rect, int32_t count, bool enabled,
                     TsDisabledGlyphKind disabledKind, int32_t state, int32_t blendPercent, int32_t down);

}  // namespace skin
