// Helpers shared by the runtime library's tests: a temporary folder for real files, an object
// that counts its live instances, and the message of an expected exception.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "vcl/system.h"
#include "vcl/win.h"

// A fresh folder under the system's temporary path; the folder and the files made in it are
// removed afterwards.
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

// Counts the live instances in a counter of the test's own, to see what a container frees.
class TLifeCounter : public vcl::TObject {
  VCL_CLASS(TLifeCounter, vcl::TObject)
  explicit TLifeCounter(int& alive) : alive_(alive) { ++alive_; }
  ~TLifeCounter() override { --alive_; }

 private:
  int& alive_;
};

// The message of the E that `action` raises, or "(no error)".
template <class E>
std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& e) {
    return e.Message();
  }
  return "(no error)";
}
