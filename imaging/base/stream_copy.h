// Bounded copying between streams.
#pragma once

#include <cstdint>

namespace vcl {
class TStream;
}

namespace imaging {

// Copies count bytes from the source's position (count 0: the whole source from its start),
// never more than the source has left, except from streams whose size is not what is left to
// read (compression and hash streams). Returns the bytes copied; a short read raises
// EReadError.
int64_t CopyStreamData(vcl::TStream* destination, vcl::TStream* source, int64_t count);

}  // namespace imaging
