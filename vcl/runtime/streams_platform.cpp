// The streams over platform objects: file handles, named files and module resources.
#include <string>

#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/file_handle.h"
#include "vcl/runtime/win.h"

namespace vcl {

namespace {

// The platform's share flags for the share part of a stream mode (fmShare*), or false for a
// share mode that is none of them. Compatibility mode shares nothing, as exclusive does.
bool ShareFlags(uint16_t mode, DWORD& flags) {
  switch (mode & 0xF0) {
    case fmShareCompat:
    case fmShareExclusive: flags = 0; return true;
    case fmShareDenyWrite: flags = FILE_SHARE_READ; return true;
    case fmShareDenyRead: flags = FILE_SHARE_WRITE; return true;
    case fmShareDenyNone: flags = FILE_SHARE_READ | FILE_SHARE_WRITE; return true;
  }
  return false;
}

// The platform's access rights for the open part of a stream mode (fmOpen*), or false.
bool AccessFlags(uint16_t mode, DWORD& flags) {
  switch (mode & 0x03) {
    case fmOpenRead: flags = GENERIC_READ; return true;
    case fmOpenWrite: flags = GENERIC_WRITE; return true;
    case fmOpenReadWrite: flags = GENERIC_READ | GENERIC_WRITE; return true;
  }
  return false;
}

// The full path of a file name, as error messages show it.
std::string FullPath(const std::string& fileName) {
  std::string full = ExpandFileName(fileName);
  return full.empty() ? fileName : full;
}

// How a resource name or type reads in a message: its text, or its number.
std::string ResourceName(const char* name) {
  if (IS_INTRESOURCE(name)) return std::to_string(reinterpret_cast<uintptr_t>(name));
  return name;
}

}  // namespace

// --- THandleStream ---------------------------------------------------------------------------

int32_t THandleStream::Read(void* buffer, int32_t count) {
  DWORD done = 0;
  if (count <= 0 || !ReadFile(PlatformFileHandle(handle_), buffer, static_cast<DWORD>(count), &done, nullptr))
    return 0;
  return static_cast<int32_t>(done);
}

int32_t THandleStream::Write(const void* buffer, int32_t count) {
  DWORD done = 0;
  if (count <= 0 || !WriteFile(PlatformFileHandle(handle_), buffer, static_cast<DWORD>(count), &done, nullptr))
    return 0;
  return static_cast<int32_t>(done);
}

int64_t THandleStream::Seek(int64_t offset, TSeekOrigin origin) {
  DWORD method;
  switch (origin) {
    case soBeginning: method = FILE_BEGIN; break;
    case soCurrent: method = FILE_CURRENT; break;
    case soEnd: method = FILE_END; break;
    default: method = FILE_CURRENT; offset = 0; break;
  }
  LARGE_INTEGER distance, result;
  distance.QuadPart = offset;
  if (!SetFilePointerEx(PlatformFileHandle(handle_), distance, &result, method)) return -1;
  return result.QuadPart;
}

void THandleStream::SetSize(int64_t newSize) {
  // A failed seek must not cut the file at whatever the position happens to be.
  if (newSize < 0) RaiseLastOSError(ERROR_NEGATIVE_SEEK);
  if (Seek(newSize, soBeginning) != newSize || !SetEndOfFile(PlatformFileHandle(handle_))) RaiseLastOSError();
}

// --- TFileStream -----------------------------------------------------------------------------

namespace {

intptr_t OpenFileHandle(const std::string& fileName, uint16_t mode) {
  DWORD share = 0, access = 0;
  bool create = (mode & fmCreate) == fmCreate;
  bool valid = ShareFlags(mode, share) && (create || AccessFlags(mode, access));
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (!valid) {
    SetLastError(ERROR_INVALID_PARAMETER);
  } else if (create) {
    handle = CreateFileA(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  } else {
    handle = CreateFileA(fileName.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  }
  if (handle == INVALID_HANDLE_VALUE) {
    std::string reason = SysErrorMessage(GetLastError());
    if (create)
      throw EFCreateError(Format("Cannot create file \"%s\". %s", FullPath(fileName), reason));
    throw EFOpenError(Format("Cannot open file \"%s\". %s", FullPath(fileName), reason));
  }
  return reinterpret_cast<intptr_t>(handle);
}

}  // namespace

TFileStream::TFileStream(const std::string& fileName, uint16_t mode)
    : THandleStream(OpenFileHandle(fileName, mode)), fileName_(fileName) {}

TFileStream::~TFileStream() { CloseHandle(PlatformFileHandle(handle_)); }

// --- TResourceStream -------------------------------------------------------------------------

TResourceStream::TResourceStream(void* instance, const char* name, const char* type) {
  HMODULE module = static_cast<HMODULE>(instance);
  HRSRC info = FindResourceA(module, name, type);
  HGLOBAL handle = info ? LoadResource(module, info) : nullptr;
  if (!handle) throw EResNotFound(Format("Resource %s not found", ResourceName(name)));
  resource_ = handle;
  SetPointer(LockResource(handle), SizeofResource(module, info));
}

TResourceStream::~TResourceStream() { FreeResource(static_cast<HGLOBAL>(resource_)); }

int32_t TResourceStream::Write(const void*, int32_t) {
  throw EStreamError("Can't write to a read-only resource stream");
}

void TResourceStream::SetSize(int64_t) { throw EStreamError("Can't write to a read-only resource stream"); }

}  // namespace vcl
