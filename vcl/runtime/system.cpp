#include "vcl/runtime/system.h"

#include <strings.h>

#include "vcl/runtime/exceptions.h"

namespace vcl {

bool TMetaClass::ClassNameIs(const std::string& name) const {
  return strcasecmp(name_, name.c_str()) == 0;
}

namespace detail {
void RaiseInvalidCast() { throw EInvalidCast("Invalid class typecast"); }
}  // namespace detail

}  // namespace vcl
