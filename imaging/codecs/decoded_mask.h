// Handing a reader's decoded transparency to its caller's mask.
#pragma once

#include <cstdint>
#include <memory>

namespace imaging {

class TIEMask;

// The decoded mask (width x height, 8 bits) is copied into the caller's mask when one was given,
// or becomes the caller's mask when none was.
void GiveDecodedMask(std::unique_ptr<TIEMask>& mask, int32_t width, int32_t height, TIEMask*& AlphaMask);

}  // namespace imaging
