// TIEMemStream: a read-only stream over a block of the caller's memory, which it never frees
// or resizes.
#pragma once

#include <cstdint>

#include "vcl/runtime/streams.h"

namespace imaging {

class TIEMemStream : public vcl::TCustomMemoryStream {
  VCL_CLASS(TIEMemStream, vcl::TCustomMemoryStream)
  TIEMemStream(void* memory, int64_t size);

  // Ignored: the block is the caller's.
  void SetSize(int64_t newSize) override;
  // Writes nothing and returns 0, so WriteBuffer raises the stream write error.
  int32_t Write(const void* buffer, int32_t count) override;
};

}  // namespace imaging
