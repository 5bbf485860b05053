// Texts and exceptions for failures of the platform, and the platform's identity.
#include "vcl/sysutils.h"

#include "vcl/win.h"

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

namespace detail {
void RaiseInvalidIntegerResult() { throw EInvalidArgument("Invalid floating point operation"); }
}  // namespace detail

}  // namespace vcl
