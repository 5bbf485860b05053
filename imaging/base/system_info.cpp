#include "imaging/base/system_info.h"

#include <cpuid.h>

#include <cstring>
#include <vector>

#include "vcl/runtime/win.h"
#include "vcl/runtime/proc_address.h"

namespace imaging {

namespace {
int32_t coreCountCache = -1;
}

uint8_t GetWindowsVersionCode() {
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof(info));
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExA(&info)) return 9;
  DWORD major = info.dwMajorVersion, minor = info.dwMinorVersion;
  if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && major == 4) {
    if (minor == 0) return 0;
    if (minor == 10) return 1;
    if (minor == 90) return 2;
  } else if (info.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    if (major == 4 && minor == 0) return 3;
    if (major == 5 && minor <= 2) return static_cast<uint8_t>(4 + minor);
    if (major == 6 && minor <= 1) return static_cast<uint8_t>(7 + minor);
  }
  return 9;
}

bool CPUHasMMX() {
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  return (edx & (1u << 23)) != 0;
}

int32_t GetProcessorCoreCount() {
  if (coreCountCache != -1) return coreCountCache;
  coreCountCache = 1;
  HMODULE kernel = LoadLibraryA("Kernel32.dll");
  if (!kernel) return coreCountCache;
  using InfoFn = BOOL(WINAPI*)(PSYSTEM_LOGICAL_PROCESSOR_INFORMATION, PDWORD);
  auto query = vcl::GetProcAddressAs<InfoFn>(kernel, "GetLogicalProcessorInformation");
  DWORD length = 0;
  if (query && !query(nullptr, &length) && GetLastError() == ERROR_INSUFFICIENT_BUFFER && length > 0) {
    std::vector<SYSTEM_LOGICAL_PROCESSOR_INFORMATION> records(length / sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION) +
                                                               1);
    length = static_cast<DWORD>(records.size() * sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION));
    if (query(records.data(), &length)) {
      int32_t cores = 0;
      size_t n = length / sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION);
      for (size_t i = 0; i < n; ++i)
        if (records[i].Relationship == RelationProcessorCore) ++cores;
      if (cores > 0) coreCountCache = cores;
    }
  }
  FreeLibrary(kernel);
  return coreCountCache;
}

void ResetProcessorCoreCount() { coreCountCache = -1; }

bool IsRemoteSession() { return GetSystemMetrics(SM_REMOTESESSION) != 0; }

bool IsLeftButtonDown() {
  bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
  return (!swapped && (GetAsyncKeyState(VK_LBUTTON) & 0x8000)) || (swapped && (GetAsyncKeyState(VK_RBUTTON) & 0x8000));
}

bool OpenClipboardRetry() {
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(20);
  }
  return false;
}

bool SameGUID(const void* a, const void* b) { return std::memcmp(a, b, 16) == 0; }

}  // namespace imaging
