#include "vcl/system.h"

#include <strings.h>

namespace vcl {

bool TMetaClass::ClassNameIs(const std::string& name) const {
  return strcasecmp(name_, name.c_str()) == 0;
}

}  // namespace vcl
