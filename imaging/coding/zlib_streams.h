// zlib data through streams: TZCompressionStream deflates what is written to it into a
// destination stream, TZDecompressionStream inflates a source stream as it is read, and
// InflateBuffer inflates a whole buffer at once. Both streams touch the other stream only in
// 64 KB blocks, and each goes back to where it last left that stream, so several may share one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

namespace imaging {

class EZLibError : public vcl::Exception {
  VCL_CLASS(EZLibError, vcl::Exception)
  using Exception::Exception;
};
VCL_EXCEPTION(EZCompressionError, EZLibError)
VCL_EXCEPTION(EZDecompressionError, EZLibError)

class TCustomZStream : public vcl::TStream {
  VCL_CLASS(TCustomZStream, vcl::TStream)
  ~TCustomZStream() override;

  // Fired after each 64 KB block that moves between this stream and the other one.
  std::function<void(vcl::TObject* sender)> OnProgress;

 protected:
  // Remembers the stream (not owned) and its position.
  explicit TCustomZStream(vcl::TStream* stream);
  virtual void Progress(vcl::TObject* sender);
  // Seeks the other stream back to where this one left it, when someone moved it.
  void RestorePosition();

  struct TState;  // zlib's stream record and the 64 KB buffer, in one block
  vcl::TStream* stream_;
  int64_t streamPosition_;
  std::unique_ptr<TState> state_;
};

class TZCompressionStream : public TCustomZStream {
  VCL_CLASS(TZCompressionStream, TCustomZStream)
  // levelIndex 0..3 selects zlib level 0, 1, the default or 9; others raise EZCompressionError.
  TZCompressionStream(vcl::TStream* destination, int32_t levelIndex);
  // Completes the zlib data; the stream must be destroyed for the data to be whole.
  ~TZCompressionStream() override;

  // Raises EZCompressionError "Invalid ZStream operation!".
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  // Ignores its arguments: the number of uncompressed bytes written so far.
  int64_t Seek(int64_t offset, vcl::TSeekOrigin origin) override;

  // Finishes the zlib data now (the destructor's work, but errors reach the caller); later
  // writes raise EZCompressionError "Invalid ZStream operation!".
  void Finish();

 private:
  bool finished_ = false;
};

class TZDecompressionStream : public TCustomZStream {
  VCL_CLASS(TZDecompressionStream, TCustomZStream)
  explicit TZDecompressionStream(vcl::TStream* source);
  ~TZDecompressionStream() override;

  // The bytes produced (short at the end of the zlib data); corrupt data raises
  // EZDecompressionError. At the end the source is left just after the compressed data.
  int32_t Read(void* buffer, int32_t count) override;
  // Raises EZDecompressionError "Invalid ZStream operation!".
  int32_t Write(const void* buffer, int32_t count) override;
  // 0 from the beginning restarts at source position 0; forward moves read and discard;
  // 0 from the end reads to the end; anything else raises "Invalid ZStream operation!".
  // Returns the uncompressed bytes read so far.
  int64_t Seek(int64_t offset, vcl::TSeekOrigin origin) override;
};

// Inflates a whole zlib buffer into `output`, which starts with room for `outputSizeHint` bytes
// (0: the input size rounded up to 256) and grows in steps of that size. At most `maxOutput`
// bytes are produced: data that would inflate beyond them is cut there (so a damaged or hostile
// buffer cannot claim unbounded memory). Corrupt data raises EZDecompressionError with zlib's
// text ("data error"); data that ends before the zlib stream does raises "buffer error".
void InflateBuffer(const uint8_t* data, int32_t dataSize, std::vector<uint8_t>& output,
                   int32_t outputSizeHint, int64_t maxOutput);

}  // namespace imaging
