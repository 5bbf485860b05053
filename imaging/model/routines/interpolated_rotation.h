// Rotation by inverse mapping with bilinear or bicubic interpolation. The image is framed by
// 3 pixels of background before it is sampled, so that its edges blend into the background,
// and the frame is cut off again afterwards. Angles are degrees, positive counter-clockwise
// as the image is seen.
#pragma once

#include <cstdint>

#include "imaging/base/defs.h"
#include "imaging/model/ie_bitmap.h"
#include "vcl/graphics/colours.h"

namespace imaging {

enum TRotateQuality : uint8_t { rqShear, rqBilinear, rqBicubic };

// The turned size: Round(|sin a (H + 5)| + |cos a (W + 5)|) - 6 by
// Round(|cos a (H + 5)| + |sin a (W + 5)|) - 6, at least 1 by 1.
void InterpolatedRotatedSize(int32_t width, int32_t height, double angle, int32_t& rotatedWidth,
                             int32_t& rotatedHeight);

// In place for an ie24RGB bitmap (others are left alone): quality rqBicubic interpolates
// bicubically, anything else bilinearly. Pixels sampled from outside read as the background.
// The bitmap's alpha channel is turned the same way, sampling 0 (transparent) outside.
// Progress after each row.
void RotateInterpolated24(TIEBitmap* bitmap, vcl::TColor background, TRotateQuality quality, vcl::TObject* sender,
                          const TIEProgressEvent& onProgress, double angle);
// The same on one byte per pixel for ie8g and ie8p bitmaps (format and palette kept, alpha
// channel turned along), without progress.
void RotateInterpolated8(TIEBitmap* bitmap, uint8_t background, TRotateQuality quality, double angle);

}  // namespace imaging
