#include "imaging/base/heap_or_global.h"

#include <cstdlib>
#include <limits>

namespace imaging {

namespace {
// The marker sits in the last byte of a header that keeps the block 16-byte aligned.
constexpr size_t kHeader = 16;
constexpr int64_t kGlobalFrom = 0x100000;
constexpr uint8_t kHeap = 0, kGlobal = 1;

void* Mark(void* raw, uint8_t kind) {
  auto* bytes = static_cast<uint8_t*>(raw);
  bytes[kHeader - 1] = kind;
  return bytes + kHeader;
}
}  // namespace

HGLOBAL GlobalAllocZeroed(SIZE_T size) { return GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size); }

void GlobalFreeAndNil(HGLOBAL& handle) {
  if (handle) GlobalFree(handle);
  handle = nullptr;
}

void* AllocHeapOrGlobal(int64_t size) {
  if (size < 0 || static_cast<uint64_t>(size) > std::numeric_limits<SIZE_T>::max() - kHeader) return nullptr;
  SIZE_T total = static_cast<SIZE_T>(size) + kHeader;
  if (size < kGlobalFrom) {
    if (void* raw = std::malloc(total)) return Mark(raw, kHeap);
  }
  if (HGLOBAL raw = GlobalAllocZeroed(total)) return Mark(raw, kGlobal);  // GMEM_FIXED: the handle is the address
  return nullptr;
}

void FreeHeapOrGlobal(void*& block) {
  if (!block) return;
  uint8_t* raw = static_cast<uint8_t*>(block) - kHeader;
  if (raw[kHeader - 1] == kGlobal) {
    HGLOBAL handle = raw;
    GlobalFreeAndNil(handle);
  } else {
    std::free(raw);
  }
  block = nullptr;
}

void TryGetMem(void*& block, int64_t size) {
  block = nullptr;
  if (size < 0 || static_cast<uint64_t>(size) > std::numeric_limits<size_t>::max()) return;
  block = std::malloc(size > 0 ? static_cast<size_t>(size) : 1);
}

}  // namespace imaging
