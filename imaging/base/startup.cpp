#include "imaging/base/startup.h"

#include <array>

#include "imaging/base/cosine_ramp.h"
#include "imaging/base/defs.h"
#include "imaging/base/gdiplus_binding.h"
#include "imaging/base/system_info.h"
#include "imaging/base/word_tables.h"
#include "vcl/runtime/threads.h"
#include "vcl/runtime/win.h"

namespace imaging {

int64_t BitmapMemoryThreshold = -1;
bool BitmapFileFallback = true;
bool BitmapBlockRetry = true;
bool IEWideAPI = true;
void* IEColorManagementModule = nullptr;

namespace {

void DoNothing() {}

struct THooks {
  TIEStaticHook initialize;
  TIEStaticHook finalize;
};

struct TStartupState {
  // The lock lives as long as the process: it is made on first use (by whichever thread
  // comes first, safely) and never deleted under a waiting thread.
  vcl::TCriticalSection lock;
  int32_t useCount = 0;
  std::array<THooks, ieshSlotCount> hooks = {{
      {ResetGDIPlusState, DoNothing},
      {HYIEDefsStaticInit, HYIEDefsStaticFinalize},
      {HYIEUtilsStaticInit, HYIEUtilsStaticFinalize},
  }};
};

TStartupState& State() {
  static TStartupState state;
  return state;
}

class TLockGuard {
 public:
  explicit TLockGuard(vcl::TCriticalSection& lock) : lock_(lock) { lock_.Enter(); }
  ~TLockGuard() { lock_.Leave(); }
  TLockGuard(const TLockGuard&) = delete;
  TLockGuard& operator=(const TLockGuard&) = delete;

 private:
  vcl::TCriticalSection& lock_;
};

void RunFinalizers(TStartupState& state, int fromSlot) {
  for (int slot = fromSlot; slot >= 0; --slot)
    if (state.hooks[slot].finalize) state.hooks[slot].finalize();
}

}  // namespace

void IERegisterStaticHooks(TIEStaticHookSlot slot, TIEStaticHook initialize, TIEStaticHook finalize) {
  if (slot < 0 || slot >= ieshSlotCount) return;
  TStartupState& state = State();
  TLockGuard guard(state.lock);
  state.hooks[slot] = {initialize, finalize};
  if (state.useCount > 0 && initialize) initialize();
}

void IEStaticInitialize() {
  TStartupState& state = State();
  TLockGuard guard(state.lock);
  if (state.useCount == 0) {
    int slot = 0;
    try {
      for (; slot < ieshSlotCount; ++slot)
        if (state.hooks[slot].initialize) state.hooks[slot].initialize();
    } catch (...) {
      // Undo what did start, so that the next attempt starts from a clean state.
      try {
        RunFinalizers(state, slot - 1);
      } catch (...) {
      }
      throw;
    }
  }
  ++state.useCount;
}

void IEStaticFinalize() {
  TStartupState& state = State();
  TLockGuard guard(state.lock);
  if (state.useCount == 0) return;
  if (--state.useCount == 0) RunFinalizers(state, ieshSlotCount - 1);
}

int32_t IEStaticUseCount() {
  TStartupState& state = State();
  TLockGuard guard(state.lock);
  return state.useCount;
}

void HYIEUtilsStaticInit() {
  ResetProcessorCoreCount();
  IEWideAPI = GetWindowsVersionCode() > 2;
  FillLanguageWords();
  BitmapMemoryThreshold = -1;
  BitmapFileFallback = true;
  BitmapBlockRetry = true;
  IEColorManagementModule = nullptr;
  BuildCosineTable();
}

void HYIEUtilsStaticFinalize() {
  if (IEColorManagementModule) {
    FreeLibrary(static_cast<HMODULE>(IEColorManagementModule));
    IEColorManagementModule = nullptr;
  }
}

}  // namespace imaging
