// A bound on a test that waits inside the platform: when the platform hangs (Wine's media graph
// has been seen to, now and then under load), the test program ends with a message after the
// given time instead of holding the run until CTest's timeout; CTest then runs it again.
#pragma once

#include <cstdint>

namespace test_support {

class TestDeadline {
 public:
  TestDeadline(uint32_t milliseconds, const char* what);
  ~TestDeadline();
  TestDeadline(const TestDeadline&) = delete;
  TestDeadline& operator=(const TestDeadline&) = delete;

 private:
  struct Thread;  // the watching thread's procedure
  void* thread_ = nullptr;
  void* met_ = nullptr;  // an event: set when the test ends in time
  uint32_t milliseconds_;
  const char* what_;
};

}  // namespace test_support
