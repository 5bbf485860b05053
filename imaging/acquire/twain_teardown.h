// The end of a scanner connection: its proxy window destroyed and its source manager unloaded,
// each step written to the scanner log.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/io/scanner_params.h"
#include "vcl/runtime/win.h"

#include <twain.h>

namespace imaging {

// The source manager's module and entry point names.
extern const char* const IETwainSourceManagerName;
extern const char* const IETwainEntryName;

// What one teardown works on: built from the shared state by InitTwainSession.
struct TIETwainSession {
  // 1 source manager not loaded, 2 loaded.
  int32_t State = 1;
  HMODULE Module = nullptr;
  FARPROC Entry = nullptr;
  TW_IDENTITY AppId{};
  HWND Parent = nullptr;
  TIETWainParams::TTwainShared* Shared = nullptr;
  HWND Caller = nullptr;
};

TIETwainSession InitTwainSession(TIETWainParams::TTwainShared& shared, HWND window);
// Destroys the proxy window of the shared state (with force; without, it is kept for later).
void DestroyProxyWindow(TIETwainSession& session, bool force);
// Unloads the source manager (with force; without, only this session lets go of it). Returns
// whether the session ends with the source manager not loaded.
bool UnloadSourceManager(TIETwainSession& session, bool force);
// Destroys the proxy window and unloads the source manager the shared state holds.
void TwainTeardown(TIETWainParams::TTwainShared& shared, HWND window);

// Appends "date time : message" to the file IETwainLogFile names (nothing while it is empty).
// The file is created when missing; logging never raises, and lines of several threads never
// mix.
void WriteTwainLog(const std::string& message);

}  // namespace imaging
