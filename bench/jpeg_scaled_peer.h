// The peer of the thumbnail-grid benchmark: libjpeg-turbo decoding a file held in memory at a
// reduced scale, as a thumbnail loader that does nothing else would. Plain types only, so that
// libjpeg's header (which clashes with the platform's) stays inside jpeg_scaled_peer.cpp.
#pragma once

#include <cstdint>
#include <vector>

namespace peers {

// Decodes at 1/denominator (1, 2, 4 or 8) with the fast integer DCT into rows of blue, green,
// red; false on anything unexpected.
bool DecodeJPEGScaled(const std::vector<uint8_t>& file, int denominator, int& width, int& height,
                      std::vector<uint8_t>& pixels);

}  // namespace peers
