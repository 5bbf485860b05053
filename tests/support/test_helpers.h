// Helpers shared by the runtime library's tests: a temporary folder for real files, an object
// that counts its live instances, and the message of an expected exception.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "vcl/runtime/system.h"
#include "vcl/runtime/win.h"

// The name the tests of other folders know the temporary folder by.
using RuntimeTempFolder = TestTempFolder;

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
