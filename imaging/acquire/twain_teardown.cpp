#include "imaging/acquire/twain_teardown.h"

#include <cstring>
#include <mutex>

#include "imaging/params/io_settings.h"
#include "vcl/runtime/sysutils.h"

namespace imaging {

const char* const IETwainSourceManagerName = "TWAIN_32.DLL";
const char* const IETwainEntryName = "DSM_Entry";

namespace {

void SetText(TW_STR32& field, const char* text) {
  std::memset(field, 0, sizeof field);
  std::strncpy(field, text, sizeof field - 1);
}

std::mutex& TwainLogLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

TIETwainSession InitTwainSession(TIETWainParams::TTwainShared& shared, HWND window) {
  TIETwainSession session;
  session.State = shared.SourceManager ? 2 : 1;
  session.Module = shared.SourceManager;
  session.Entry = shared.Entry;
  TW_IDENTITY& id = session.AppId;
  id.Id = 0;
  id.Version.MajorNum = 1;
  id.Version.MinorNum = 0;
  id.Version.Language = static_cast<TW_UINT16>(TWLG_USERLOCALE);
  id.Version.Country = TWCY_USA;
  SetText(id.Version.Info, " ");
  id.ProtocolMajor = 1;
  id.ProtocolMinor = 9;
  id.SupportedGroups = DG_CONTROL | DG_IMAGE;
  SetText(id.Manufacturer, " ");
  SetText(id.ProductFamily, " ");
  SetText(id.ProductName, " ");
  session.Parent = GetActiveWindow();
  session.Shared = &shared;
  session.Caller = window;
  return session;
}

void DestroyProxyWindow(TIETwainSession& session, bool force) {
  WriteTwainLog("DestroyProxyWindow");
  if (!force) {
    WriteTwainLog("  DestroyProxyWindow : not destroyed, for future uses");
    return;
  }
  if (session.Shared) {
    if (session.Shared->ProxyWindow && IsWindow(session.Shared->ProxyWindow))
      DestroyWindow(session.Shared->ProxyWindow);
    session.Shared->ProxyWindow = nullptr;
  }
  WriteTwainLog("  DestroyProxyWindow : destroyed");
}

bool UnloadSourceManager(TIETwainSession& session, bool force) {
  WriteTwainLog("IETW_UnloadSourceManager");
  if (force && session.Shared && session.Shared->SourceManager) {
    FreeLibrary(session.Shared->SourceManager);
    session.Shared->SourceManager = nullptr;
    session.Shared->Entry = nullptr;
    session.Module = nullptr;
    session.Entry = nullptr;
    session.State = 1;
    WriteTwainLog("  IETW_UnloadSourceManager : Unload OK");
  } else if (session.State == 2) {
    session.Module = nullptr;
    session.Entry = nullptr;
    session.State = 1;
    WriteTwainLog("  IETW_UnloadSourceManager not Unloaded, for future uses");
  }
  return session.State == 1;
}

void TwainTeardown(TIETWainParams::TTwainShared& shared, HWND window) {
  TIETwainSession session = InitTwainSession(shared, window);
  if (shared.ProxyWindow) DestroyProxyWindow(session, true);
  if (shared.SourceManager) UnloadSourceManager(session, true);
}

void WriteTwainLog(const std::string& message) {
  try {
    std::lock_guard<std::mutex> guard(TwainLogLock());
    if (IETwainLogFile.empty()) return;
    HANDLE file = CreateFileA(IETwainLogFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const vcl::TDateTime now = vcl::Now();
    const std::string line = vcl::DateToStr(now) + " " + vcl::TimeToStr(now) + " : " + message + "\r\n";
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
  } catch (...) {
    // A log must never fail the teardown that writes to it.
  }
}

}  // namespace imaging
