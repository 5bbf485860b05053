#include "skin/engine/paint/layered_windows.h"
#include "vcl/runtime/proc_address.h"

#include <memory>

namespace skin {

TUpdateLayeredWindowFunc UpdateLayeredWindowFunc = nullptr;

namespace {

// The unit's start-up and shut-down: user32 is held for as long as its entry point is kept.
class TPaintingUnit {
 public:
  TPaintingUnit() : fast32_(std::make_unique<TacFast32>()) {
    if (UpdateLayeredWindowFunc) return;
    user32_ = LoadLibraryA("user32.dll");
    if (user32_)
      UpdateLayeredWindowFunc =
          vcl::GetProcAddressAs<TUpdateLayeredWindowFunc>(user32_, "UpdateLayeredWindow");
  }
  ~TPaintingUnit() {
    fast32_.reset();
    if (user32_) FreeLibrary(user32_);
  }
  TacFast32* Fast32() { return fast32_.get(); }

 private:
  HMODULE user32_ = nullptr;
  std::unique_ptr<TacFast32> fast32_;
};

TPaintingUnit paintingUnit;

}  // namespace

bool CanUseLayeredWindows() { return UpdateLayeredWindowFunc != nullptr; }

TacFast32* SharedFast32() { return paintingUnit.Fast32(); }

}  // namespace skin
