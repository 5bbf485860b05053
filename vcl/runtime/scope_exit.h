// Runs a cleanup when a scope ends, by return or by exception: the C++ form of a finally
// block. The cleanup must not throw.
#pragma once

#include <utility>

namespace vcl {

template <class F>
class TScopeExit {
 public:
  explicit TScopeExit(F cleanup) : cleanup_(std::move(cleanup)) {}
  ~TScopeExit() { cleanup_(); }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

 private:
  F cleanup_;
};

}  // namespace vcl
