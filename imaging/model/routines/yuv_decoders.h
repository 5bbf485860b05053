// Decoders of the YUV frame layouts that video capture hands over as packed DIBs, identified by
// the four characters of the header's compression field (first character in the low byte).
// Samples are 8 bits, converted with the studio-range BT.601 formula.
//
// Rows hold `width` pixels without padding; a width that is not a multiple of a layout's group
// of pixels ends each row with a whole group whose extra pixels are not used. Planar layouts
// have chroma planes of the rounded-up halved (quartered) size.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/model/colour_helpers.h"

namespace imaging {

class TIEBitmap;

// One studio-range YUV sample as a pixel: C = (Y - 16) x 1.164, D = U - 128, E = V - 128;
// blue C + 2.018 D, green C - 0.813 E - 0.391 D, red C + 1.596 E, each rounded and clamped.
TRGB YUVToRGB24(int32_t y, int32_t u, int32_t v);

// Whether the compression value names a layout decoded here.
bool IsYUVCompression(uint32_t compression);
// Bytes a frame of the layout needs; 0 for an unknown layout.
int64_t YUVFrameSize(uint32_t compression, int32_t width, int32_t height);
// Decodes a frame of YUVFrameSize bytes into an ie24RGB bitmap of width x height; a target of
// another format raises EInvalidArgument.
void DecodeYUVFrame(uint32_t compression, const uint8_t* data, TIEBitmap* target);

}  // namespace imaging
