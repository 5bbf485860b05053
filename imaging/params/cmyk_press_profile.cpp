// No CMYK press profile of the library's own: these empty definitions give way to the strong
// ones generated from a named profile (tools/embed-cmyk-profile). A build that names one for
// the program leaves them out altogether (MERGEON_CMYK_PROFILE in the top CMakeLists.txt).
#include "imaging/params/cmyk_press_profile.h"

#ifndef MERGEON_BUILT_IN_CMYK_PROFILE
namespace imaging {

extern const uint8_t kCMYKPressProfileStored[] __attribute__((weak)) = {0};
extern const int32_t kCMYKPressProfileStoredBytes __attribute__((weak)) = 0;
extern const int32_t kCMYKPressProfileSize __attribute__((weak)) = 0;

}  // namespace imaging
#endif
