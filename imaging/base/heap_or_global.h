// Memory blocks of the library bitmap, the work bitmap and the JPEG codec: large blocks come
// from the platform's global memory, small ones from the heap, and a marker before each block
// tells the two apart when it is freed.
#pragma once

#include <cstdint>

#include "vcl/runtime/win.h"

namespace imaging {

// Zero-filled fixed global memory; nil on failure.
HGLOBAL GlobalAllocZeroed(SIZE_T size);
void GlobalFreeAndNil(HGLOBAL& handle);
// A block of size bytes: from the heap below 1 MiB (global memory when the heap has none),
// zero-filled global memory from 1 MiB on; nil when neither can give it or the size is negative.
void* AllocHeapOrGlobal(int64_t size);
// Frees a block of AllocHeapOrGlobal and sets the variable to nil; nothing for nil.
void FreeHeapOrGlobal(void*& block);
// A heap block of size bytes, or nil when the heap has none.
void TryGetMem(void*& block, int64_t size);

}  // namespace imaging
