#include "tests/support/test_deadline.h"

#include <cstdio>

#include "vcl/runtime/win.h"

namespace test_support {

struct TestDeadline::Thread {
  static DWORD WINAPI Run(void* self) {
    auto* deadline = static_cast<TestDeadline*>(self);
    if (WaitForSingleObject(deadline->met_, deadline->milliseconds_) == WAIT_OBJECT_0) return 0;
    std::fprintf(stderr, "%s did not end within %u ms: the program ends here\n", deadline->what_,
                 unsigned(deadline->milliseconds_));
    std::fflush(stderr);
    ExitProcess(3);
  }
};

TestDeadline::TestDeadline(uint32_t milliseconds, const char* what) : milliseconds_(milliseconds), what_(what) {
  met_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, &Thread::Run, this, 0, nullptr);
}

TestDeadline::~TestDeadline() {
  SetEvent(met_);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  CloseHandle(met_);
}

}  // namespace test_support
