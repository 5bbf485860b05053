#include "imaging/base/byte_array.h"

#include <cstring>
#include <limits>

#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {
constexpr int32_t kMaxSize = std::numeric_limits<int32_t>::max();
}

TIEByteArray::TIEByteArray(int32_t blockSize) : blockSize_(blockSize < 0 ? 0 : blockSize) {
  capacity_ = blockSize_;
  data_ = new uint8_t[capacity_ > 0 ? capacity_ : 1];
}

TIEByteArray::~TIEByteArray() { delete[] data_; }

void TIEByteArray::Reallocate(int32_t capacity, int32_t keep) {
  uint8_t* block = new uint8_t[capacity > 0 ? capacity : 1];
  if (keep > 0) std::memcpy(block, data_, static_cast<size_t>(keep));
  delete[] data_;
  data_ = block;
  capacity_ = capacity;
}

void TIEByteArray::SetSize(int32_t n) {
  if (n < 0) throw vcl::ERangeError("Range check error");
  // The capacity is n plus one block, limited to what an int32 holds.
  int32_t roomy = n > kMaxSize - blockSize_ ? kMaxSize : n + blockSize_;
  if (n > size_) {
    if (n > capacity_) Reallocate(roomy, size_);
  } else if (n < capacity_ - blockSize_) {
    Reallocate(roomy, n);
  }
  size_ = n;
}

void TIEByteArray::AddByte(uint8_t b) {
  if (size_ == kMaxSize) throw vcl::ERangeError("Range check error");
  SetSize(size_ + 1);
  data_[size_ - 1] = b;
}

int32_t TIEByteArray::AppendFromStream(vcl::TStream* stream, int32_t n) {
  if (!stream || n <= 0) return 0;
  if (n > kMaxSize - size_) throw vcl::ERangeError("Range check error");
  int32_t old = size_;
  SetSize(old + n);
  int32_t got = static_cast<int32_t>(stream->Read(data_ + old, n));
  if (got < 0) got = 0;
  if (got < n) SetSize(old + got);
  return got;
}

}  // namespace imaging
