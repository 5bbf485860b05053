#include "imaging/base/temp_file_name.h"

#include "imaging/base/wide_file.h"
#include "vcl/runtime/sysutils.h"

namespace imaging {

void MakeTempFileName(const std::string& prefix, const std::string& folder, std::string& name) {
  do {
    name = folder + prefix + "-" + vcl::IntToHex(vcl::Random(0x7FFFFFFF), 8) + ".tmp";
  } while (IEFileExists(name));
}

}  // namespace imaging
