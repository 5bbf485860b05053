// Saving over a file without losing it: the data goes into a new file beside the target, which
// replaces the target only once it is complete. A save that fails leaves the old file as it was.
#pragma once

#include <string>

namespace imaging {

class TSafeFileSave {
 public:
  // Makes an empty temporary file in the target's folder ("~" + the target's name + a number
  // + ".tmp"). Raises EFCreateError "Cannot create file "<target>". <reason>" when it cannot.
  explicit TSafeFileSave(const std::u16string& target);
  // Deletes the temporary file unless it was committed.
  ~TSafeFileSave();
  TSafeFileSave(const TSafeFileSave&) = delete;
  TSafeFileSave& operator=(const TSafeFileSave&) = delete;

  const std::u16string& TempName() const { return temp_; }
  // Moves the temporary file (closed by now) over the target. Raises EFCreateError when the
  // target cannot be replaced; the target then stays as it was.
  void Commit();

 private:
  std::u16string target_;
  std::u16string temp_;
  bool committed_ = false;
};

}  // namespace imaging
