#include "imaging/model/colour_hash.h"

namespace imaging {

THash1::THash1(int32_t bits)
    : bits_(bits),
      bucketCount_(1u << (static_cast<uint32_t>(bits) % 32)),
      values_(bucketCount_, 0),
      chains_(bucketCount_, nullptr),
      states_(bucketCount_, 0),
      data_(bucketCount_, nullptr) {}

THash1::~THash1() {
  for (uint32_t i = 0; i < bucketCount_; ++i) {
    if (states_[i] != 2) continue;
    for (THash1Item* item = chains_[i]; item;) {
      THash1Item* next = item->Next;
      delete item;
      item = next;
    }
  }
}

bool THash1::Insert(uint32_t value, int32_t& bucketIndex, THash1Item*& newItem) {
  newItem = nullptr;
  bucketIndex = BucketIndex(value);
  uint32_t b = static_cast<uint32_t>(bucketIndex);
  switch (states_[b]) {
    case 0:
      states_[b] = 1;
      values_[b] = value;
      break;
    case 1: {
      if (values_[b] == value) return false;
      auto* added = new THash1Item;
      added->Value = value;
      auto* held = new THash1Item;
      held->Value = values_[b];
      held->Next = added;
      held->Data = data_[b];
      chains_[b] = held;
      states_[b] = 2;
      newItem = added;
      break;
    }
    default: {
      THash1Item* last = chains_[b];
      for (THash1Item* item = last; item; item = item->Next) {
        if (item->Value == value) return false;
        last = item;
      }
      auto* added = new THash1Item;
      added->Value = value;
      last->Next = added;
      newItem = added;
      break;
    }
  }
  ++count_;
  return true;
}

bool THash1::AddValue(uint32_t value) {
  int32_t bucket;
  THash1Item* item;
  return Insert(value, bucket, item);
}

}  // namespace imaging
