// Texts and exceptions for failures of the platform, and the platform's identity.
#include "vcl/runtime/sysutils.h"

#include "vcl/runtime/win.h"

namespace vcl {

std::string SysErrorMessage(unsigned long errorCode) {
  char* buffer = nullptr;
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(errorCode), 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text;
  if (buffer) {
    text.assign(buffer, length);
    LocalFree(buffer);
  }
  // The system ends its texts with a period and a line break; callers put the text inside
  // sentences of their own.
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) text.pop_back();
  return text;
}

void RaiseLastOSError(unsigned long errorCode) {
  if (errorCode == 0) throw EOSError("A call to an OS function failed", 0);
  throw EOSError(Format("System Error.  Code: %d.\r\n%s", errorCode, SysErrorMessage(errorCode)), errorCode);
}

std::string GetEnvironmentVariable(std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return std::string();
  std::string key(name);
  DWORD needed = GetEnvironmentVariableA(key.c_str(), nullptr, 0);
  // The value may change between the two calls; ask again until it fits.
  while (needed > 0) {
    std::string value(needed, '\0');
    DWORD length = GetEnvironmentVariableA(key.c_str(), value.data(), needed);
    if (length < needed) {
      value.resize(length);
      return value;
    }
    needed = length;
  }
  return std::string();
}

void RaiseLastOSError() { RaiseLastOSError(GetLastError()); }

void OleCheck(int32_t result) {
  if (result >= 0) return;
  std::string text = SysErrorMessage(static_cast<uint32_t>(result));
  if (text.empty()) text = Format("OLE error %.8x", static_cast<uint32_t>(result));
  throw EOleSysError(text, result);
}

namespace detail {
void RaiseInvalidIntegerResult() { throw EInvalidArgument("Invalid floating point operation"); }
}  // namespace detail

}  // namespace vcl
