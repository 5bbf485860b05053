#include "skin/forms/dwm_services.h"
#include "vcl/runtime/proc_address.h"

namespace skin {

namespace {

using TDwmIsCompositionEnabled = HRESULT(WINAPI*)(BOOL*);
using TDwmSetWindowAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

struct TDwmEntries {
  TDwmIsCompositionEnabled isEnabled = nullptr;
  TDwmSetWindowAttribute setAttribute = nullptr;
};

// Loaded once; the library stays loaded for the life of the process.
const TDwmEntries& Entries() {
  static const TDwmEntries entries = [] {
    TDwmEntries e;
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExA(&version) || version.dwMajorVersion < 6) return e;
    if (HMODULE dll = LoadLibraryA("DWMAPI.DLL")) {
      e.isEnabled = vcl::GetProcAddressAs<TDwmIsCompositionEnabled>(dll, "DwmIsCompositionEnabled");
      e.setAttribute = vcl::GetProcAddressAs<TDwmSetWindowAttribute>(dll, "DwmSetWindowAttribute");
    }
    return e;
  }();
  return entries;
}

constexpr DWORD kTransitionsForceDisabled = 3;

}  // namespace

bool IsCompositionEnabled() {
  const TDwmEntries& e = Entries();
  BOOL enabled = FALSE;
  return e.isEnabled && SUCCEEDED(e.isEnabled(&enabled)) && enabled;
}

void ForceDisableDwmTransitions(HWND window, bool on) {
  if (!window || !IsCompositionEnabled() || !Entries().setAttribute) return;
  BOOL value = on ? TRUE : FALSE;
  Entries().setAttribute(window, kTransitionsForceDisabled, &value, sizeof(value));
}

}  // namespace skin
