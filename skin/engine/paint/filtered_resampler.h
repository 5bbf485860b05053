// A separable filtered resampler for small skin pictures (glyphs of the alpha image lists,
// track-bar thumbs): two passes, horizontal then vertical, driven by contribution lists of
// 16.16 fixed-point weights computed once per pass.
#pragma once

#include <cstdint>
#include <vector>

#include "vcl/graphics/bitmap.h"

namespace skin {

// Filter indexes of the resampler.
enum : int32_t {
  rfBox = 0,
  rfTriangle = 1,
  rfHermite = 2,
  rfBell = 3,
  rfBSpline = 4,
  rfWindowedSine = 5,
  rfMitchell = 6,  // what every caller uses
};

// One source pixel's share in a destination pixel: its byte offset from the start of the
// source line (or column) and its weight in 16.16 fixed point.
struct TContributor {
  int32_t Offset = 0;
  int32_t Weight = 0;
};

// The contributors of one destination pixel.
struct TContributorList {
  int32_t Count = 0;
  const TContributor* First = nullptr;
};

// The lists of one pass: per destination pixel a header, and one block of `Capacity` entries
// per destination pixel behind them, all in one allocation.
struct TContributions {
  std::vector<TContributorList> Lists;
  std::vector<TContributor> Entries;
  int32_t Capacity = 0;  // entries per destination pixel
};

// The filter's support radius; an unknown index raises vcl::Exception "Unknown resampling filter".
float FilterSupport(int32_t filter);
// The filter's weight at distance h >= 0 (`signedDistance` decides the box filter's edge).
float FilterWeight(int32_t filter, float h, float signedDistance);

// Builds the lists of one pass of `destinationCount` pixels from `sourceCount` pixels that lie
// `stride` bytes apart. The weights are not normalised; source indexes beyond the edges are
// mirrored and then kept inside the source, however far a shrinking filter reaches. Returns the
// capacity in bytes per destination pixel. Counts below 1 give empty lists.
int32_t BuildContributions(TContributions& lists, int32_t destinationCount, int32_t sourceCount, int32_t stride,
                           int32_t filter);
void FreeContributions(TContributions& lists);

// One line or column of `count` destination pixels of 3 or 4 channels: each channel is the sum
// of weight x source byte over the pixel's contributors, saturated to 0..255. The destination
// address advances by `destinationStep` bytes after each pixel.
void ResampleLine24(int32_t destinationStep, uint8_t* destination, const uint8_t* source,
                    const TContributions& lists, int32_t count);
void ResampleLine32(int32_t destinationStep, uint8_t* destination, const uint8_t* source,
                    const TContributions& lists, int32_t count);

// Resizes `source` into `destination` (which may be the source itself) at newWidth x newHeight.
// A source narrower or lower than 2 pixels raises vcl::Exception "Source bitmap is too small"
// before anything changes. The work is done in 32 bits per pixel when the source is 32-bit and
// in 24 bits otherwise; the source is converted to that format in place and the destination
// ends in it. A new width or height below 1 leaves the destination empty.
void ResampleBmp(vcl::TBitmap* source, vcl::TBitmap* destination, int32_t newWidth, int32_t filter,
                 int32_t newHeight);

}  // namespace skin
