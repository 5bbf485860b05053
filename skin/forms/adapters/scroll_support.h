// The platform entry points the skinned scroll bars use when they exist: GetScrollBarInfo
// (user32), InitializeFlatSB and UninitializeFlatSB (comctl32). Looked up once, on first use;
// a missing one is null and its callers skip the call.
#pragma once

#include "vcl/runtime/win.h"

namespace skin {

struct TacScrollSupport {
  BOOL(WINAPI* GetScrollBarInfo)(HWND, LONG, PSCROLLBARINFO) = nullptr;
  BOOL(WINAPI* InitializeFlatSB)(HWND) = nullptr;
  HRESULT(WINAPI* UninitializeFlatSB)(HWND) = nullptr;
};

const TacScrollSupport& ScrollSupport();

}  // namespace skin
