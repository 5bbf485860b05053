#include "imaging/io/safe_file_save.h"

#include <cstdio>

#include "imaging/base/wide_file.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

namespace imaging {

namespace {

const WCHAR* Wide(const std::u16string& name) { return reinterpret_cast<const WCHAR*>(name.c_str()); }

[[noreturn]] void RaiseCreateError(const std::u16string& target, DWORD error) {
  std::string path = vcl::ExpandFileName(vcl::Utf16ToAnsi(target));
  throw vcl::EFCreateError("Cannot create file \"" + path + "\". " + vcl::SysErrorMessage(error));
}

// The folder part of a name, with its separator ("" for a bare name).
std::u16string FolderOf(const std::u16string& name) {
  size_t separator = name.find_last_of(u"\\/:");
  return separator == std::u16string::npos ? std::u16string() : name.substr(0, separator + 1);
}

std::u16string BaseOf(const std::u16string& name) { return name.substr(FolderOf(name).size()); }

}  // namespace

TSafeFileSave::TSafeFileSave(const std::u16string& target) : target_(target) {
  const std::u16string stem = FolderOf(target) + u"~" + BaseOf(target) + u".";
  DWORD error = ERROR_FILE_EXISTS;
  // Names that already exist (a save still running elsewhere) are skipped.
  for (uint32_t attempt = 0; attempt < 100; ++attempt) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(GetTickCount() + attempt * 7919u));
    std::u16string candidate = stem;
    for (const char* c = digits; *c; ++c) candidate += static_cast<char16_t>(*c);
    candidate += u".tmp";
    HANDLE handle = WideCreateFile(candidate, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
      temp_ = candidate;
      return;
    }
    error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  RaiseCreateError(target, error);
}

TSafeFileSave::~TSafeFileSave() {
  if (!committed_ && !temp_.empty()) DeleteFileW(Wide(temp_));
}

void TSafeFileSave::Commit() {
  if (MoveFileExW(Wide(temp_), Wide(target_), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    committed_ = true;
    return;
  }
  RaiseCreateError(target_, GetLastError());
}

}  // namespace imaging
