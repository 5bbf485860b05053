// TIEBufferedReadStream: reads another stream through a memory buffer, so that readers that
// take a few bytes at a time do not call the underlying stream for each of them. Positions are
// absolute, or relative to where the source stood when it was wrapped.
#pragma once

#include <cstdint>
#include <memory>

#include "vcl/runtime/streams.h"

namespace imaging {

class TIEBufferedReadStream : public vcl::TStream {
  VCL_CLASS(TIEBufferedReadStream, vcl::TStream)
  // The source is not owned and must not be used directly while it is wrapped; its size is
  // taken once, here. A buffer size below 1 counts as 1.
  TIEBufferedReadStream(vcl::TStream* source, bool relative, int32_t bufferSize);
  ~TIEBufferedReadStream() override;

  // Reads up to count bytes; a read cut at the end of the source sets EndReached.
  int32_t Read(void* buffer, int32_t count) override;
  // Raises EWriteError "TIEBufferedReadStream cannot write!".
  int32_t Write(const void* buffer, int32_t count) override;
  // From soEnd the offset is added to the size, like every stream of the platform:
  // Seek(-26, soEnd) is 26 bytes before the end (returned relative when the stream is). A
  // position before the start (the wrapping position when relative) is held there; one at or
  // past the end is held at the end and sets EndReached. A seek inside the buffered bytes
  // reads nothing.
  int64_t Seek(int64_t offset, vcl::TSeekOrigin origin) override;

  void SetBufferSize(int32_t size);
  int32_t BufferSize() const { return bufferSize_; }
  // Set by the last Read or Seek when it was cut at the end of the source.
  bool EndReached() const { return endReached_; }

 private:
  void FillBuffer();

  vcl::TStream* source_;
  int64_t current_;          // absolute source position of the next byte
  int32_t bufferPos_ = 0;    // index in the buffer of the next byte
  int32_t filled_ = 0;       // bytes the last fill delivered
  int64_t sourceSize_;
  int64_t origin_;
  bool endReached_ = false;
  std::unique_ptr<uint8_t[]> buffer_;
  int32_t bufferSize_ = 0;
};

}  // namespace imaging
