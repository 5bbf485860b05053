// THash1: a set of 32-bit values in 2^bits buckets, used to count distinct colours. A bucket
// holding one value keeps it inline; only colliding buckets allocate chain items.
#pragma once

#include <cstdint>
#include <vector>

#include "vcl/runtime/system.h"

namespace imaging {

class THash1Item : public vcl::TObject {
  VCL_CLASS(THash1Item, vcl::TObject)
  uint32_t Value = 0;
  THash1Item* Next = nullptr;
  void* Data = nullptr;
};

class THash1 : public vcl::TObject {
  VCL_CLASS(THash1, vcl::TObject)
  // 2^(bits mod 32) buckets.
  explicit THash1(int32_t bits);
  ~THash1() override;

  int32_t BucketIndex(uint32_t value) const { return static_cast<int32_t>(value & (bucketCount_ - 1)); }
  // Adds the value unless it is held; true when it was new. bucketIndex receives the value's
  // bucket, newItem the chain item made for it (nil when the value is held inline or was
  // already there).
  bool Insert(uint32_t value, int32_t& bucketIndex, THash1Item*& newItem);
  bool AddValue(uint32_t value);

  int32_t Count() const { return count_; }
  int32_t Bits() const { return bits_; }
  uint32_t BucketCount() const { return bucketCount_; }
  // Per bucket: 0 empty, 1 one value inline, 2 chained. Data is the caller's pointer per bucket.
  uint8_t BucketState(int32_t index) const { return states_.at(index); }
  void* BucketData(int32_t index) const { return data_.at(index); }
  void SetBucketData(int32_t index, void* data) { data_.at(index) = data; }

 private:
  int32_t bits_;
  uint32_t bucketCount_;
  int32_t count_ = 0;
  std::vector<uint32_t> values_;        // the inline value (state 1)
  std::vector<THash1Item*> chains_;     // the first chain item (state 2)
  std::vector<uint8_t> states_;
  std::vector<void*> data_;
};

}  // namespace imaging
