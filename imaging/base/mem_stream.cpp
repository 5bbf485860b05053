#include "imaging/base/mem_stream.h"

namespace imaging {

TIEMemStream::TIEMemStream(void* memory, int64_t size) {
  SetPointer(memory, size < 0 ? 0 : size);
  position_ = 0;
}

void TIEMemStream::SetSize(int64_t) {}

int32_t TIEMemStream::Write(const void*, int32_t) { return 0; }

}  // namespace imaging
