// Soft glow behind captions: the text is drawn black on white into an 8-bit mask, the mask is
// blurred, and the glow colour is laid into the target where the mask is dark.
#pragma once

#include <cstdint>
#include <memory>

#include "vcl/graphics/bitmap.h"

namespace skin {

// Offset flags of DrawGlowingText: extra copies of the text one pixel to each side.
enum : uint32_t { goLeft = 1, goUp = 2, goRight = 4, goDown = 8, goAll = 15 };

// Two-pass Gaussian blur in place of an 8-bit device-independent bitmap whose bytes are grey
// levels; edge pixels repeat. The weights are cut where the tails fall below half a level and
// sum exactly to one, so a flat picture stays as it is. Anything else, or a radius that is not
// positive, is left alone.
void GaussBlur8(vcl::TBitmap* bitmap, float radius);

// Blends the blurred glow of `text` into a 24- or 32-bit target (other formats are left). The
// mask covers `rect` grown by radius + 4 on every side; a cached mask of that size is used as
// it is, otherwise the cache is (re)made. The text is drawn in the target canvas's font.
// A nil text draws nothing.
void DrawGlowingText(vcl::TBitmap* target, const char* text, const vcl::TRect& rect,
                     std::unique_ptr<vcl::TBitmap>& cache, vcl::TColor colour, int32_t radius, uint32_t offsetFlags,
                     uint32_t format);

}  // namespace skin
