#include "imaging/base/wide_file.h"

#include "imaging/base/startup.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/sysutils.h"

namespace imaging {

namespace {

const WCHAR* Wide(const std::u16string& name) { return reinterpret_cast<const WCHAR*>(name.c_str()); }

bool IsCreateMode(uint16_t mode) { return (mode & 0xFF00) == 0xFF00; }

intptr_t OpenOrRaise(const std::u16string& name, uint16_t mode) {
  bool create = IsCreateMode(mode);
  HANDLE handle = create ? WideFileCreate(name) : WideFileOpen(name, mode);
  if (handle != INVALID_HANDLE_VALUE) return reinterpret_cast<intptr_t>(handle);
  DWORD error = GetLastError();
  std::string path = vcl::ExpandFileName(vcl::Utf16ToAnsi(name));
  std::string reason = vcl::SysErrorMessage(error);
  if (create) throw vcl::EFCreateError("Cannot create file \"" + path + "\". " + reason);
  throw vcl::EFOpenError("Cannot open file \"" + path + "\". " + reason);
}

}  // namespace

HANDLE WideCreateFile(const std::u16string& name, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                      DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile) {
  return CreateFileW(Wide(name), access, shareMode, security, creationDisposition, flagsAndAttributes, templateFile);
}

HANDLE WideFileCreate(const std::u16string& name) {
  return WideCreateFile(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE WideFileOpen(const std::u16string& name, uint16_t mode) {
  if ((mode & 3) > 2 || (mode & 0xF0) > 0x40) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  static const DWORD kAccess[3] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  static const DWORD kShare[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
  return WideCreateFile(name, kAccess[mode & 3], kShare[(mode & 0xF0) >> 4], nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool WideFileExists(const std::u16string& name) {
  DWORD attributes = IEWideAPI ? GetFileAttributesW(Wide(name)) : GetFileAttributesA(vcl::Utf16ToAnsi(name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IEFileExists(const std::string& name) {
  DWORD attributes = GetFileAttributesA(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TIEWideFileStream::TIEWideFileStream(const std::u16string& name, uint16_t mode)
    : vcl::THandleStream(OpenOrRaise(name, mode)) {}

TIEWideFileStream::~TIEWideFileStream() {
  if (reinterpret_cast<HANDLE>(handle_) != INVALID_HANDLE_VALUE) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

}  // namespace imaging
