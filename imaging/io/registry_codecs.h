// The codec functions of the format registry as the I/O object calls them, for the formats
// whose codecs register themselves in their registry rows.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/params/file_formats.h"

namespace imaging {

// The row's reader or writer, copied out (a plug-in leaving meanwhile does not pull it from
// under a running call); nil when the row is missing, has none, or holds the do-nothing function
// of a built-in format whose codec has not registered itself.
TIEReadFunction RegistryReader(int32_t fileType);
TIEWriteFunction RegistryWriter(int32_t fileType);
// The file type of the registry row that lists the extension (any case, with or without its
// dot); 0 when none does.
int32_t FileTypeOfExtension(const std::string& extension);

}  // namespace imaging
