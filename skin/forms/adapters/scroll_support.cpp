#include "skin/forms/adapters/scroll_support.h"
#include "vcl/runtime/proc_address.h"

namespace skin {

const TacScrollSupport& ScrollSupport() {
  static const TacScrollSupport support = [] {
    TacScrollSupport s;
    // Both libraries stay loaded for the life of the process: the entries are kept.
    if (HMODULE user = LoadLibraryA("user32.dll"))
      s.GetScrollBarInfo = vcl::GetProcAddressAs<decltype(s.GetScrollBarInfo)>(user, "GetScrollBarInfo");
    if (HMODULE comctl = LoadLibraryA("comctl32.dll")) {
      s.InitializeFlatSB = vcl::GetProcAddressAs<decltype(s.InitializeFlatSB)>(comctl, "InitializeFlatSB");
      s.UninitializeFlatSB =
          vcl::GetProcAddressAs<decltype(s.UninitializeFlatSB)>(comctl, "UninitializeFlatSB");
    }
    return s;
  }();
  return support;
}

}  // namespace skin
