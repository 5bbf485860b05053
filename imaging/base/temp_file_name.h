// Names for the library's temporary files: folder + prefix + "-" + eight hexadecimal digits +
// ".tmp".
#pragma once

#include <string>

namespace imaging {

// A name of that form that no file has yet. The folder must end with a path separator. The
// name is only free when it is made: open the file with CREATE_NEW and ask again if that fails.
void MakeTempFileName(const std::string& prefix, const std::string& folder, std::string& name);

}  // namespace imaging
