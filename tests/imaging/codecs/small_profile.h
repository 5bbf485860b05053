// A colour profile small enough to build in a test, for the codecs that carry profiles.
#pragma once

#include <cstdint>

#include "tests/support/file_helpers.h"

namespace codec_profiles {

// An RGB display profile: header, a table of one tag and the white point it names, padded with
// zeros to `size` bytes (at least its own 164), which its header gives as the whole size.
test_files::Bytes SmallProfile(uint32_t size = 164);

}  // namespace codec_profiles
