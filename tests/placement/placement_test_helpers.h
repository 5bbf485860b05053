// Helpers of the placement tests: a fresh temporary folder for settings files.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "vcl/runtime/win.h"

// A folder under the system's temporary path; the files named through File() and the folder
// are removed afterwards.
class SettingsFolder {
 public:
  SettingsFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    for (int attempt = 0; path_.empty(); ++attempt) {
      std::string candidate =
          std::string(base) + "placement-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
      if (CreateDirectoryA(candidate.c_str(), nullptr)) path_ = candidate;
    }
  }
  SettingsFolder(const SettingsFolder&) = delete;
  SettingsFolder& operator=(const SettingsFolder&) = delete;
  ~SettingsFolder() {
    // The profile functions may hold a file until told to let go.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr);
    for (const std::string& file : files_) DeleteFileA(file.c_str());
    RemoveDirectoryA(path_.c_str());
  }

  std::string File(const std::string& name) {
    files_.push_back(path_ + "\\" + name);
    return files_.back();
  }

 private:
  std::string path_;
  std::vector<std::string> files_;
};

// Writes raw bytes as a file (damaged or hand-made settings files).
inline void WriteRawFile(const std::string& name, const std::string& bytes) {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, name.c_str());
  HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

// The whole text of a file.
inline std::string ReadRawFile(const std::string& name) {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, name.c_str());
  HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
  CloseHandle(file);
  return text;
}

// Rectangles compared and printed in test expectations.
inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline void PrintTo(const RECT& r, std::ostream* out) {
  *out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}
