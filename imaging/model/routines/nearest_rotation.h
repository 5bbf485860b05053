// Rotation by nearest pixel: an inverse mapping from each destination pixel to the source
// pixel under it, for every pixel format (RotateBitmapInto, RotateBitmapInPlace) and the
// in-place 1-bit and 8-bit variants of the rotation engine. Angles are degrees, positive
// counter-clockwise as the image is seen; quarter and half turns are exact pixel moves.
#pragma once

#include <cstdint>

#include "imaging/base/bit_helpers.h"
#include "imaging/base/defs.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/progress_context.h"

namespace imaging {

// Bit 7 - (index mod 8) of byte index div 8: non-zero when set (a set bit is white).
inline bool GetBitAt(const uint8_t* buffer, int64_t index) { return GetBitFromBuffer(buffer, index) != 0; }
inline void SetBitAt(uint8_t* buffer, int64_t index, bool value) { SetBitInBuffer(buffer, index, value); }

struct TRotatedSize {
  int32_t width;
  int32_t height;
};
// Round(|sin a * H| + |cos a * W|) by Round(|sin a * W| + |cos a * H|).
TRotatedSize NearestRotatedSize(int32_t width, int32_t height, double angle);
// With c and s the cosine and sine of -a, each cut to 4 decimals:
// Trunc(|W c| + |H s|) by Trunc(|W s| + |H c|).
TRotatedSize CutRotatedSize(int32_t width, int32_t height, double angle);

// In place, for ie1g bitmaps (others are left alone). Exactly 90, -90 / 270 and 180 / -180
// are quarter and half turns and multiples of 360 leave the bitmap as it is; other angles map
// each destination pixel to the source pixel nearest to its exact source position, and pixels
// from outside the source take backgroundBit. The alpha channel turns along (0 outside the
// source). Progress, when given, after each row.
void RotateBitmap1Bit(TIEBitmap* bitmap, bool backgroundBit, const ProgressContext* progress, double angle);
// The same for ie8g and ie8p bitmaps (others are left alone), without progress.
void RotateGray8Nearest(TIEBitmap* bitmap, uint8_t background, double angle);

// Dest receives the turned Source at the turned size, in the source's pixel format (palette
// copied). Whole multiples of 90 are exact turns (0: a copy); other angles fill Dest with
// `background` (a value as TIEBitmap::Fill takes it: a colour for colour formats, the sample
// for grey ones; 1-bit destinations start all 0) and copy the nearest source pixel into every
// destination pixel whose source position lies inside. Dest's alpha channel is the source's,
// turned the same way (0 where nothing lands), or none when the source has none. Source and
// Dest must differ.
void RotateBitmapInto(TIEBitmap* source, TIEBitmap* dest, double background, vcl::TObject* sender,
                      const TIEProgressEvent& onProgress, double angle);
// RotateBitmapInto through a temporary bitmap that then replaces the pixels and the alpha
// channel.
void RotateBitmapInPlace(TIEBitmap* bitmap, double background, vcl::TObject* sender,
                         const TIEProgressEvent& onProgress, double angle);

}  // namespace imaging
