// File names, files and folders over the platform's file functions.
#include "vcl/runtime/sysutils.h"

#include <vector>

#include "vcl/runtime/file_handle.h"
#include "vcl/runtime/win.h"

namespace vcl {

namespace {

constexpr std::string_view kPathAndDrive = "\\/:";

bool IsPathDelimiter(char c) { return c == '\\' || c == '/'; }

// The name as a zero-terminated text for the platform; false for a name the platform would
// misread (empty, or with a NUL inside that would cut it short).
bool PlatformName(std::string_view name, std::string& out) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return false;
  out.assign(name);
  return true;
}

int32_t ToDosDateTime(const FILETIME& utc) {
  FILETIME local;
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &time)) return -1;
  return static_cast<int32_t>((static_cast<uint32_t>(date) << 16) | time);
}

}  // namespace

// --- File names ---------------------------------------------------------------------------------

std::string ExtractFilePath(std::string_view fileName) {
  return std::string(fileName.substr(0, LastDelimiter(kPathAndDrive, fileName)));
}

std::string ExtractFileDir(std::string_view fileName) {
  int i = LastDelimiter(kPathAndDrive, fileName);
  // Keep the delimiter of a root ("C:\", "\"), drop any other.
  if (i > 1 && IsPathDelimiter(fileName[i - 1]) && !IsDelimiter(kPathAndDrive, fileName, i - 1)) --i;
  return std::string(fileName.substr(0, i));
}

std::string ExtractFileName(std::string_view fileName) {
  return std::string(fileName.substr(LastDelimiter(kPathAndDrive, fileName)));
}

std::string ExtractFileExt(std::string_view fileName) {
  int i = LastDelimiter(".\\/:", fileName);
  if (i > 0 && fileName[i - 1] == '.') return std::string(fileName.substr(i - 1));
  return std::string();
}

std::string ExtractFileDrive(std::string_view fileName) {
  if (fileName.size() >= 2 && fileName[1] == ':') return std::string(fileName.substr(0, 2));
  if (fileName.size() >= 2 && IsPathDelimiter(fileName[0]) && IsPathDelimiter(fileName[1])) {
    // "\\server\share": up to the delimiter after the share name.
    int delimiters = 0;
    size_t i = 2;
    for (; i < fileName.size(); ++i) {
      if (IsPathDelimiter(fileName[i]) && ++delimiters == 2) break;
    }
    return std::string(fileName.substr(0, i));
  }
  return std::string();
}

std::string ChangeFileExt(std::string_view fileName, std::string_view extension) {
  int i = LastDelimiter(".\\/:", fileName);
  size_t keep = (i > 0 && fileName[i - 1] == '.') ? static_cast<size_t>(i - 1) : fileName.size();
  std::string result(fileName.substr(0, keep));
  result.append(extension);
  return result;
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string result(path);
  if (result.empty() || !IsPathDelimiter(result.back())) result += '\\';
  return result;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
  std::string result(path);
  if (!result.empty() && IsPathDelimiter(result.back())) result.pop_back();
  return result;
}

std::string ExpandFileName(std::string_view fileName) {
  std::string name;
  if (!PlatformName(fileName, name)) return std::string();
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    char* filePart = nullptr;
    DWORD length = GetFullPathNameA(name.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &filePart);
    if (length == 0) return std::string();
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(length + 1);  // the needed size, with the terminator
  }
}

// --- Files and folders -------------------------------------------------------------------------

bool FileExists(std::string_view fileName) {
  std::string name;
  if (!PlatformName(fileName, name)) return false;
  DWORD attr = GetFileAttributesA(name.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(std::string_view path) {
  std::string name;
  if (!PlatformName(path, name)) return false;
  DWORD attr = GetFileAttributesA(name.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool DeleteFile(std::string_view fileName) {
  std::string name;
  return PlatformName(fileName, name) && DeleteFileA(name.c_str());
}

bool RenameFile(std::string_view oldName, std::string_view newName) {
  std::string from, to;
  return PlatformName(oldName, from) && PlatformName(newName, to) && MoveFileA(from.c_str(), to.c_str());
}

bool CreateDir(std::string_view path) {
  std::string name;
  return PlatformName(path, name) && CreateDirectoryA(name.c_str(), nullptr);
}

bool ForceDirectories(std::string_view path) {
  if (path.empty()) throw EInOutError("Unable to create directory");
  std::string dir = ExcludeTrailingPathDelimiter(path);
  if (dir.empty()) return DirectoryExists(path);  // the root of the current drive
  if (DirectoryExists(dir)) return true;
  std::string parent = ExtractFilePath(dir);
  // A drive or root cannot be created; it exists or it does not.
  if (parent == dir) return false;
  if (!parent.empty() && !ForceDirectories(parent)) return false;
  // Another process may create it at the same moment: what counts is that it exists.
  return CreateDir(dir) || DirectoryExists(dir);
}

bool RemoveDir(std::string_view path) {
  std::string name;
  return PlatformName(path, name) && RemoveDirectoryA(name.c_str());
}

std::string GetCurrentDir() {
  DWORD needed = GetCurrentDirectoryA(0, nullptr);
  if (needed == 0) return std::string();
  std::vector<char> buffer(needed);
  DWORD length = GetCurrentDirectoryA(needed, buffer.data());
  if (length == 0 || length >= needed) return std::string();
  return std::string(buffer.data(), length);
}

bool SetCurrentDir(std::string_view path) {
  std::string name;
  return PlatformName(path, name) && SetCurrentDirectoryA(name.c_str());
}

int32_t FileAge(std::string_view fileName) {
  // Attributes rather than a folder search, so that a name with wildcards matches nothing.
  std::string name;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!PlatformName(fileName, name) || !GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return -1;
  return ToDosDateTime(data.ftLastWriteTime);
}

int FileGetAttr(std::string_view fileName) {
  std::string name;
  if (!PlatformName(fileName, name)) return -1;
  return static_cast<int>(GetFileAttributesA(name.c_str()));
}

int FileSetAttr(std::string_view fileName, int attr) {
  std::string name;
  if (!PlatformName(fileName, name)) return ERROR_INVALID_NAME;
  return SetFileAttributesA(name.c_str(), static_cast<DWORD>(attr)) ? 0 : static_cast<int>(GetLastError());
}

// --- Folder listings ---------------------------------------------------------------------------

namespace {

// Skips entries with excluded attributes and fills the record from the first one left.
int MatchingEntry(TSearchRec& rec, WIN32_FIND_DATAA& data) {
  while (data.dwFileAttributes & static_cast<DWORD>(rec.ExcludeAttr)) {
    if (!FindNextFileA(rec.FindHandle, &data)) return static_cast<int>(GetLastError());
  }
  rec.Time = ToDosDateTime(data.ftLastWriteTime);
  rec.Size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  rec.Attr = static_cast<int>(data.dwFileAttributes);
  rec.Name = data.cFileName;
  return 0;
}

}  // namespace

TSearchRec::TSearchRec(TSearchRec&& other) noexcept
    : Time(other.Time),
      Size(other.Size),
      Attr(other.Attr),
      Name(std::move(other.Name)),
      ExcludeAttr(other.ExcludeAttr),
      FindHandle(other.FindHandle) {
  other.FindHandle = INVALID_HANDLE_VALUE;
}

TSearchRec& TSearchRec::operator=(TSearchRec&& other) noexcept {
  if (this != &other) {
    FindClose(*this);
    Time = other.Time;
    Size = other.Size;
    Attr = other.Attr;
    Name = std::move(other.Name);
    ExcludeAttr = other.ExcludeAttr;
    FindHandle = other.FindHandle;
    other.FindHandle = INVALID_HANDLE_VALUE;
  }
  return *this;
}

TSearchRec::~TSearchRec() { FindClose(*this); }

int FindFirst(std::string_view path, int attr, TSearchRec& searchRec) {
  FindClose(searchRec);  // a record reused for a new search must not leak the old one
  std::string name;
  if (!PlatformName(path, name)) return ERROR_INVALID_NAME;
  searchRec.ExcludeAttr = ~attr & (faHidden | faSysFile | faVolumeID | faDirectory);
  WIN32_FIND_DATAA data;
  searchRec.FindHandle = FindFirstFileA(name.c_str(), &data);
  if (searchRec.FindHandle == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
  int result = MatchingEntry(searchRec, data);
  if (result != 0) FindClose(searchRec);
  return result;
}

int FindNext(TSearchRec& searchRec) {
  if (searchRec.FindHandle == INVALID_HANDLE_VALUE) return ERROR_NO_MORE_FILES;
  WIN32_FIND_DATAA data;
  if (!FindNextFileA(searchRec.FindHandle, &data)) return static_cast<int>(GetLastError());
  return MatchingEntry(searchRec, data);
}

void FindClose(TSearchRec& searchRec) {
  if (searchRec.FindHandle != INVALID_HANDLE_VALUE) {
    ::FindClose(searchRec.FindHandle);
    searchRec.FindHandle = INVALID_HANDLE_VALUE;
  }
}

// --- Files by handle ---------------------------------------------------------------------------

intptr_t FileOpen(std::string_view fileName, uint32_t mode) {
  static const DWORD kAccess[3] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  static const DWORD kShare[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
  const uint32_t access = mode & 3, share = (mode & 0xF0) >> 4;
  std::string name;
  if (access > 2 || share > 4 || !PlatformName(fileName, name)) return -1;
  HANDLE h = CreateFileA(name.c_str(), kAccess[access], kShare[share], nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  return reinterpret_cast<intptr_t>(h);
}

intptr_t FileCreate(std::string_view fileName) {
  std::string name;
  if (!PlatformName(fileName, name)) return -1;
  HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  return reinterpret_cast<intptr_t>(h);
}

int32_t FileRead(intptr_t handle, void* buffer, int32_t count) {
  if (count <= 0) return 0;  // a negative count must not become a huge unsigned one
  DWORD done = 0;
  if (!ReadFile(PlatformFileHandle(handle), buffer, static_cast<DWORD>(count), &done, nullptr)) return -1;
  return static_cast<int32_t>(done);
}

int32_t FileWrite(intptr_t handle, const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  DWORD done = 0;
  if (!WriteFile(PlatformFileHandle(handle), buffer, static_cast<DWORD>(count), &done, nullptr)) return -1;
  return static_cast<int32_t>(done);
}

int64_t FileSeek(intptr_t handle, int64_t offset, int origin) {
  if (origin < 0 || origin > 2) return -1;
  LARGE_INTEGER distance, position;
  distance.QuadPart = offset;
  if (!SetFilePointerEx(PlatformFileHandle(handle), distance, &position, static_cast<DWORD>(origin))) return -1;
  return position.QuadPart;
}

void FileClose(intptr_t handle) {
  if (handle != -1 && handle != 0) CloseHandle(PlatformFileHandle(handle));
}

}  // namespace vcl
