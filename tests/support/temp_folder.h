// A fresh folder of the test's own under /tmp, removed with everything in it at the end. The
// program sees it through the Z: drive that maps the Unix root (Z:\tmp\...); tools run from the
// shell see the Unix path.
#pragma once

#include <cstdlib>
#include <string>

class TestTempFolder {
 public:
  TestTempFolder() {
    char pattern[] = "/tmp/mergeon-test-XXXXXX";
    if (const char* made = mkdtemp(pattern)) unixPath_ = made;
  }
  TestTempFolder(const TestTempFolder&) = delete;
  TestTempFolder& operator=(const TestTempFolder&) = delete;
  ~TestTempFolder() {
    if (!unixPath_.empty()) (void)std::system(("rm -rf '" + unixPath_ + "'").c_str());
  }

  // The folder and the full name of a file in it, for the program.
  std::string Path() const {
    std::string path = "Z:" + unixPath_;
    for (char& c : path)
      if (c == '/') c = '\\';
    return path;
  }
  std::string File(const std::string& name) const { return Path() + "\\" + name; }
  // The same for a shell command.
  std::string UnixFile(const std::string& name) const { return unixPath_ + "/" + name; }
  // The folder's Unix path; empty when it could not be made.
  const std::string& UnixPath() const { return unixPath_; }

 private:
  std::string unixPath_;
};
