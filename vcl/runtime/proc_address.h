// Functions of a module found at run time, typed as the caller declares them.
#pragma once

#include "vcl/runtime/win.h"

namespace vcl {

// GetProcAddress answers a FARPROC of no particular type. The cast goes through void*, so the
// compiler does not take it for a mismatch of function types; the caller's type is the contract.
// Null when the module is null or lacks the function.
template <typename F>
F GetProcAddressAs(HMODULE module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace vcl
