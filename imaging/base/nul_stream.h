// TNulStream: a stream that throws its data away and keeps only position and size, to learn
// how many bytes a writer produces.
#pragma once

#include <cstdint>

#include "vcl/runtime/streams.h"

namespace imaging {

class TNulStream : public vcl::TStream {
  VCL_CLASS(TNulStream, vcl::TStream)
  TNulStream() = default;

  // Neither touches the buffer: the position advances by count and the size follows it.
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  // From the beginning or the current position the size grows to a position past it; from the
  // end the offset is added to the size, which stays (Seek(-4, soEnd) is four bytes before the
  // end, as on every stream of the platform).
  int64_t Seek(int64_t offset, vcl::TSeekOrigin origin) override;

 private:
  void Advance(int64_t newPosition);

  int64_t position_ = 0;
  int64_t size_ = 0;
};

}  // namespace imaging
