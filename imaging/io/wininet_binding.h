// The platform's internet library, loaded at run time by the I/O module's start-up (a program
// that never downloads does not need it to start) and freed by its shut-down.
#pragma once

#include "vcl/runtime/win.h"

#include <wininet.h>

namespace imaging {

struct TWinInet {
  HMODULE Module = nullptr;
  decltype(&::InternetOpenA) InternetOpenA = nullptr;
  decltype(&::InternetCloseHandle) InternetCloseHandle = nullptr;
  decltype(&::InternetConnectA) InternetConnectA = nullptr;
  decltype(&::HttpOpenRequestA) HttpOpenRequestA = nullptr;
  decltype(&::HttpSendRequestA) HttpSendRequestA = nullptr;
  decltype(&::HttpQueryInfoA) HttpQueryInfoA = nullptr;
  decltype(&::InternetReadFile) InternetReadFile = nullptr;
  decltype(&::InternetReadFileExA) InternetReadFileExA = nullptr;
  decltype(&::InternetQueryOptionA) InternetQueryOptionA = nullptr;
  decltype(&::InternetSetOptionA) InternetSetOptionA = nullptr;
  decltype(&::InternetGetLastResponseInfoA) InternetGetLastResponseInfoA = nullptr;
  decltype(&::FtpOpenFileA) FtpOpenFileA = nullptr;
  // Every entry a download calls was found.
  bool Complete() const;
};

// Loads "wininet.dll" and takes its entry points; nothing when it is loaded already. A missing
// module leaves every entry nil.
void LoadWinInet();
// Frees the module; every entry becomes nil.
void UnloadWinInet();
// The binding as it stands (a copy: a shut-down does not pull entries from under a download
// that took them).
TWinInet WinInet();

}  // namespace imaging
