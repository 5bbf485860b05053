// The inflating stream of packed skins: reads one zlib stream out of a larger source and leaves
// the source positioned on the first byte after it, so that the next entry of a container can
// follow without its compressed length being stored.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

namespace skin::zlibex {

// A zlib failure; Code() is zlib's result code.
class EZLibError : public vcl::Exception {
  VCL_CLASS(EZLibError, vcl::Exception)
  EZLibError(int code, std::string message) : vcl::Exception(std::move(message)), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

class EZDecompressionError : public EZLibError {
  VCL_CLASS(EZDecompressionError, EZLibError)
  using EZLibError::EZLibError;
};

// Raises EZDecompressionError with zlib's text for a negative result; returns the code otherwise.
int ZDecompressCheck(int code);

class TCustomZStream : public vcl::TStream {
  VCL_CLASS(TCustomZStream, vcl::TStream)
  std::function<void(vcl::TObject* sender)> OnProgress;

 protected:
  explicit TCustomZStream(vcl::TStream* source);
  ~TCustomZStream() override;

  vcl::TStream* source_;  // not owned
  int64_t sourcePosition_;
  struct State;
  std::unique_ptr<State> state_;
};

class TZDecompressionStream : public TCustomZStream {
  VCL_CLASS(TZDecompressionStream, TCustomZStream)
  explicit TZDecompressionStream(vcl::TStream* source);
  ~TZDecompressionStream() override;

  // Bytes produced, fewer than asked at the end of the zlib stream or of the source.
  int32_t Read(void* buffer, int32_t count) override;
  // Raises "Invalid ZStream operation!".
  int32_t Write(const void* buffer, int32_t count) override;
  // Forward only: (0, soBeginning) starts again; skipping forward inflates and discards; (0,
  // soEnd) inflates to the end. Returns the bytes produced so far.
  int64_t Seek(int64_t offset, vcl::TSeekOrigin origin) override;

  // The inflated stream ended with its checksum.
  bool Finished() const;

 private:
  void Skip(int64_t count);
};

}  // namespace skin::zlibex
