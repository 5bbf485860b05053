// A growable byte buffer that grows and shrinks in steps of a fixed block size.
#pragma once

#include <cstdint>

#include "vcl/runtime/system.h"

namespace vcl {
class TStream;
}

namespace imaging {

class TIEByteArray : public vcl::TObject {
  VCL_CLASS(TIEByteArray, vcl::TObject)
  // Starts empty with one block of blockSize bytes allocated (a negative size counts as 0).
  explicit TIEByteArray(int32_t blockSize);
  ~TIEByteArray() override;

  // Growing past the capacity reallocates to n + block size; shrinking reallocates only when
  // it frees more than one block. A negative size raises ERangeError.
  void SetSize(int32_t n);
  void AddByte(uint8_t b);
  // Reads up to n bytes from the stream's position onto the end; the size grows by what
  // arrived, which is returned.
  int32_t AppendFromStream(vcl::TStream* stream, int32_t n);

  uint8_t* Data() const { return data_; }
  int32_t Size() const { return size_; }
  int32_t Capacity() const { return capacity_; }
  int32_t BlockSize() const { return blockSize_; }

 private:
  void Reallocate(int32_t capacity, int32_t keep);

  int32_t size_ = 0;
  int32_t capacity_ = 0;
  int32_t blockSize_ = 0;
  uint8_t* data_ = nullptr;
};

}  // namespace imaging
