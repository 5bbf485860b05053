// The built-in CMYK press profile: an ICC output profile for coated-paper offset printing,
// zlib-compressed. The build generates its definition from the profile file that
// tools/install-deps installs (tools/embed-cmyk-profile, driven by the top CMakeLists.txt),
// so the program carries the profile and never looks for it on the system.
#pragma once

#include <cstdint>

namespace imaging {

extern const uint8_t kCMYKPressProfileStored[];
// The compressed byte count, and the size of the profile it inflates to.
extern const int32_t kCMYKPressProfileStoredBytes;
extern const int32_t kCMYKPressProfileSize;

}  // namespace imaging
