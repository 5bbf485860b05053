// The pixel operations with which images and layers are rendered: each combines a source
// pixel (after its display adjustments) with the destination pixel under it. Operations 0 to
// 30 work on each channel alone; the others look at whole pixels.
#pragma once

#include <cstdint>

#include "imaging/model/colour_helpers.h"

namespace imaging {

enum TIEBlendOperation : uint8_t {
  ieopCopy,
  ieopAdd,
  ieopDifference,
  ieopDivide,
  ieopMultiply,
  ieopOr,
  ieopAnd,
  ieopXor,
  ieopMax,
  ieopMin,
  ieopAverage,
  ieopScreen,
  ieopNegation,
  ieopExclusion,
  ieopOverlay,
  ieopHardLight,
  ieopSoftLight,
  ieopSoftLight2,
  ieopColorDodge,
  ieopColorBurn,
  ieopInverseColorDodge,
  ieopInverseColorBurn,
  ieopSoftDodge,
  ieopSoftBurn,
  ieopReflect,
  ieopGlow,
  ieopFreeze,
  ieopHeat,
  ieopLinearBurn,
  ieopCosineSum,
  ieopStamp,
  ieopRedOnly,
  ieopGreenOnly,
  ieopBlueOnly,
  ieopHue,
  ieopSaturation,
  ieopColor,
  ieopHueLightness,
  ieopGrayAnaglyph,
  ieopColorAnaglyph,
  ieopOptimizedAnaglyph,
  ieopEvenRows,
  ieopOddRows
};

// Codes from this one up leave the destination as it is.
constexpr int32_t IEBlendOperationCount = 43;

// Whether the operation combines each channel on its own (codes 0 .. 30).
inline bool IsChannelOperation(uint8_t operation) { return operation <= ieopStamp; }

// The result of a per-channel operation for source channel s and destination channel d, both
// 0 .. 255. Other codes give d.
uint8_t BlendChannel(uint8_t operation, int32_t s, int32_t d);

// out[i] := operation(source[i], dest[i]) for `count` pixels. `out` may be `dest`: every
// pixel's destination is read before its result is written. destRow is the destination row
// number, which the even- and odd-row operations look at.
void BlendPixels(uint8_t operation, const TRGB* source, const TRGB* dest, TRGB* out, int32_t count,
                 int32_t destRow);

}  // namespace imaging
