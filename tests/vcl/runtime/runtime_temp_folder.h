// A fresh folder under the system's temporary path for tests that need real files; the folder
// and the files made in it are removed afterwards.
#pragma once

#include <string>
#include <vector>

#include "vcl/win.h"

class RuntimeTempFolder {
 public:
  RuntimeTempFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    for (int attempt = 0; path_.empty(); ++attempt) {
      std::string candidate = std::string(base) + "rtl-" + std::to_string(GetCurrentProcessId()) + "-" +
                              std::to_string(attempt);
      if (CreateDirectoryA(candidate.c_str(), nullptr)) path_ = candidate;
    }
  }
  RuntimeTempFolder(const RuntimeTempFolder&) = delete;
  RuntimeTempFolder& operator=(const RuntimeTempFolder&) = delete;
  ~RuntimeTempFolder() {
    for (const std::string& file : files_) DeleteFileA(file.c_str());
    RemoveDirectoryA(path_.c_str());
  }

  // The full name of a file in the folder (removed at the end).
  std::string File(const std::string& name) {
    files_.push_back(path_ + "\\" + name);
    return files_.back();
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::vector<std::string> files_;
};
