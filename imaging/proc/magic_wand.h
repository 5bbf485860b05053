// Magic-wand selection: the pixels whose colour is close to a seed pixel's. A pixel is similar
// when each of its red, green and blue differs from the seed's by at most the tolerance; the
// region is the 4-connected set of similar pixels holding the seed. Every pixel format is
// compared through its RGB colour.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "vcl/runtime/win.h"

namespace imaging {

// Types of their own, so that the tolerance, the mask value and the filter flag cannot be
// passed in each other's place.
struct TMagicWandTolerance {
  explicit constexpr TMagicWandTolerance(int32_t value) : Value(value) {}
  int32_t Value;
};
// Maximum: the region grows by one pixel on every side (a 3 x 3 maximum filter).
enum class TMagicWandFilter : uint8_t { None, Maximum };

// Writes the seed's region into the mask with the value (grown within the bitmap with the
// maximum filter). The mask is not cleared first. Nothing for a seed outside the bitmap.
void MagicWandFloodFill(TIEBitmap* bitmap, POINT seed, int32_t maskValue, TIEMask* mask, TMagicWandTolerance tolerance,
                        TMagicWandFilter filter);
// Writes every similar pixel of the bitmap, connected or not, into the mask.
void MagicWandSelectSimilar(TIEBitmap* bitmap, POINT seed, int32_t maskValue, TIEMask* mask,
                            TMagicWandTolerance tolerance);
// The border of the seed's region as a polygon in pixel-edge coordinates: a region pixel
// (x, y) has its edges at x and x + 1, y and y + 1; a vertex wherever the border turns. With
// the maximum filter the region grows within its own bounding box. Empty for a seed outside
// the bitmap. The border is traced on a four-times magnified lattice of the region that is
// computed where the trace looks, so the memory stays one bit per pixel of the image plus the
// border's length.
std::vector<POINT> MagicWandOutline(TIEBitmap* bitmap, POINT seed, TMagicWandTolerance tolerance,
                                    TMagicWandFilter filter);

}  // namespace imaging
