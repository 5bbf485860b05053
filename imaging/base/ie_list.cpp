#include "imaging/base/ie_list.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

// Bytes for n items, refusing sizes that do not fit the address space.
size_t BlockBytes(int32_t items, int32_t itemSize) {
  if (items < 0 || itemSize < 0) throw vcl::ERangeError("Range check error");
  return static_cast<size_t>(items) * static_cast<size_t>(itemSize);
}

uint8_t* AllocateBlock(int32_t items, int32_t itemSize) {
  size_t bytes = BlockBytes(items, itemSize);
  return bytes ? new uint8_t[bytes] : nullptr;
}

}  // namespace

TIEList::TIEList() { TIEList::Clear(); }

TIEList::~TIEList() { FreeBlock(); }

void TIEList::FreeBlock() {
  delete[] data_;
  data_ = nullptr;
}

void TIEList::SetCount(int32_t n) {
  if (n < 0) throw vcl::EListError("List count out of bounds (" + std::to_string(n) + ")");
  if (n > capacity_) {
    int32_t grown = capacity_ > std::numeric_limits<int32_t>::max() / 2 ? n : std::max(2 * capacity_, n);
    uint8_t* block = AllocateBlock(grown, itemSize_);
    size_t kept = BlockBytes(std::min(count_, n), itemSize_);
    if (kept) std::memcpy(block, data_, kept);
    FreeBlock();
    data_ = block;
    capacity_ = grown;
  }
  count_ = n;
  flags_ |= kChanged;
}

int32_t TIEList::AddItem(const void* item) {
  int32_t index = count_;
  SetCount(count_ + 1);
  if (itemSize_ > 0) std::memcpy(data_ + static_cast<size_t>(index) * itemSize_, item, itemSize_);
  flags_ |= kChanged;
  return index;
}

void* TIEList::GetItemPtr(int32_t index) const {
  if (index < 0 || index >= count_)
    throw vcl::EListError("List index out of bounds (" + std::to_string(index) + ")");
  return data_ + static_cast<size_t>(index) * itemSize_;
}

void TIEList::Delete(int32_t index) {
  if (index < 0 || index >= count_) return;
  int32_t remaining = count_ - 1;
  uint8_t* block = AllocateBlock(remaining, itemSize_);
  size_t before = BlockBytes(index, itemSize_);
  size_t after = BlockBytes(remaining - index, itemSize_);
  if (before) std::memcpy(block, data_, before);
  if (after) std::memcpy(block + before, data_ + before + itemSize_, after);
  FreeBlock();
  data_ = block;
  count_ = remaining;
  capacity_ = remaining;
  flags_ |= kChanged;
}

void TIEList::Clear() {
  FreeBlock();
  capacity_ = 0;
  count_ = 0;
  flags_ = 0;
}

void TIEList::Assign(const TIEList* source) {
  if (!source || source == this) return;
  uint8_t* block = AllocateBlock(source->count_, source->itemSize_);
  size_t bytes = BlockBytes(source->count_, source->itemSize_);
  if (bytes) std::memcpy(block, source->data_, bytes);
  FreeBlock();
  data_ = block;
  count_ = source->count_;
  itemSize_ = source->itemSize_;
  flags_ = source->flags_;
  capacity_ = count_;
}

// The kinds set their item size in Clear, which their constructors run once the kind exists.

TIEDoubleList::TIEDoubleList() { TIEDoubleList::Clear(); }

void TIEDoubleList::Clear() {
  TIEList::Clear();
  itemSize_ = sizeof(double);
  std::fill(std::begin(Values), std::end(Values), 0.0);
}

void TIEDoubleList::Assign(const TIEList* source) {
  if (!source) return;
  const auto* list = dynamic_cast<const TIEDoubleList*>(source);
  if (!list) throw vcl::EInvalidCast("Invalid class typecast");
  TIEList::Assign(source);
  std::copy(std::begin(list->Values), std::end(list->Values), std::begin(Values));
}

TIEIntegerList::TIEIntegerList() { TIEIntegerList::Clear(); }

void TIEIntegerList::Clear() {
  TIEList::Clear();
  itemSize_ = sizeof(int32_t);
  std::fill(std::begin(Values), std::end(Values), 0);
}

void TIEIntegerList::Assign(const TIEList* source) {
  if (!source) return;
  const auto* list = dynamic_cast<const TIEIntegerList*>(source);
  if (!list) throw vcl::EInvalidCast("Invalid class typecast");
  TIEList::Assign(source);
  std::copy(std::begin(list->Values), std::end(list->Values), std::begin(Values));
}

TIERecordList::TIERecordList(int32_t recordSize) {
  if (recordSize < 0) throw vcl::ERangeError("Range check error");
  itemSize_ = recordSize;
}

}  // namespace imaging
