// The platform handle behind the component library's integer file handles (FileOpen, FileCreate,
// THandleStream).
#pragma once

#include <cstdint>

#include "vcl/runtime/win.h"

namespace vcl {

inline HANDLE PlatformFileHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace vcl
