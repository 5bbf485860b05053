#include "skin/forms/adapters/scroll_support.h"

namespace skin {

const TacScrollSupport& ScrollSupport() {
  static const TacScrollSupport support = [] {
    TacScrollSupport s;
    // Both libraries stay loaded for the life of the process: the entries are kept.
    if (HMODULE user = LoadLibraryA("user32.dll"))
      s.GetScrollBarInfo = reinterpret_cast<decltype(s.GetScrollBarInfo)>(
          reinterpret_cast<void*>(GetProcAddress(user, "GetScrollBarInfo")));
    if (HMODULE comctl = LoadLibraryA("comctl32.dll")) {
      s.InitializeFlatSB = reinterpret_cast<decltype(s.InitializeFlatSB)>(
          reinterpret_cast<void*>(GetProcAddress(comctl, "InitializeFlatSB")));
      s.UninitializeFlatSB = reinterpret_cast<decltype(s.UninitializeFlatSB)>(
          reinterpret_cast<void*>(GetProcAddress(comctl, "UninitializeFlatSB")));
    }
    return s;
  }();
  return support;
}

}  // namespace skin
