#include "vcl/runtime/lists.h"

#include <algorithm>
#include <utility>

#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/sysutils.h"

namespace vcl {

namespace {

// Stable merge sort of items[lo, hi) through a three-way compare. Every index stays within the
// range whatever the compare answers, so an inconsistent compare cannot run off the list.
void MergeSort(std::vector<void*>& items, std::vector<void*>& scratch, size_t lo, size_t hi,
               const TListSortCompare& compare) {
  if (hi - lo < 2) return;
  size_t mid = lo + (hi - lo) / 2;
  MergeSort(items, scratch, lo, mid, compare);
  MergeSort(items, scratch, mid, hi, compare);
  if (compare(items[mid - 1], items[mid]) <= 0) return;  // already in order
  size_t left = lo, right = mid, out = lo;
  while (left < mid && right < hi)
    scratch[out++] = compare(items[right], items[left]) < 0 ? items[right++] : items[left++];
  while (left < mid) scratch[out++] = items[left++];
  while (right < hi) scratch[out++] = items[right++];
  std::copy(scratch.begin() + lo, scratch.begin() + hi, items.begin() + lo);
}

}  // namespace

void TList::Error(const char* format, int data) { throw EListError(Format(format, data)); }

void TList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
}

// Grows by 4 slots while small, by 16 up to 64, then by a quarter.
void TList::Grow() {
  int delta = capacity_ > 64 ? capacity_ / 4 : capacity_ > 8 ? 16 : 4;
  SetCapacity(capacity_ > MaxListSize - delta ? MaxListSize : capacity_ + delta);
}

int TList::Add(void* item) {
  int index = Count();
  if (index == capacity_) Grow();
  items_.push_back(item);
  if (item) Notify(item, lnAdded);
  return index;
}

void TList::Insert(int index, void* item) {
  if (index < 0 || index > Count()) Error("List index out of bounds (%d)", index);
  if (Count() == capacity_) Grow();
  items_.insert(items_.begin() + index, item);
  if (item) Notify(item, lnAdded);
}

void TList::Delete(int index) {
  CheckIndex(index);
  void* item = items_[index];
  items_.erase(items_.begin() + index);
  if (item) Notify(item, lnDeleted);
}

int TList::Remove(void* item) {
  int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* item) {
  int index = IndexOf(item);
  if (index < 0) return nullptr;
  items_.erase(items_.begin() + index);
  Notify(item, lnExtracted);
  return item;
}

int TList::IndexOf(void* item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i] == item) return static_cast<int>(i);
  return -1;
}

void TList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(items_[index1], items_[index2]);
}

void TList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  CheckIndex(curIndex);
  CheckIndex(newIndex);
  void* item = items_[curIndex];
  items_.erase(items_.begin() + curIndex);
  items_.insert(items_.begin() + newIndex, item);
}

void TList::Pack() { std::erase(items_, nullptr); }

void TList::Sort(const TListSortCompare& compare) {
  if (items_.size() < 2) return;
  std::vector<void*> scratch(items_.size());
  MergeSort(items_, scratch, 0, items_.size(), compare);
}

void TList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

void* TList::First() const { return Items(0); }

void* TList::Last() const { return Items(Count() - 1); }

TList* TList::Expand() {
  if (Count() == capacity_) Grow();
  return this;
}

void TList::SetCapacity(int newCapacity) {
  if (newCapacity < Count() || newCapacity > MaxListSize)
    Error("List capacity out of bounds (%d)", newCapacity);
  if (newCapacity == capacity_) return;
  if (newCapacity < capacity_) {
    std::vector<void*> smaller;
    smaller.reserve(newCapacity);
    smaller.assign(items_.begin(), items_.end());
    items_.swap(smaller);
  } else {
    items_.reserve(newCapacity);
  }
  capacity_ = newCapacity;
}

void TList::SetCount(int newCount) {
  if (newCount < 0 || newCount > MaxListSize) Error("List count out of bounds (%d)", newCount);
  if (newCount > capacity_) SetCapacity(newCount);
  if (newCount > Count()) {
    items_.resize(newCount, nullptr);
  } else {
    // Deleting from the end tells Notify of each item, as Delete does.
    for (int i = Count() - 1; i >= newCount; --i) Delete(i);
  }
}

void* TList::Items(int index) const {
  CheckIndex(index);
  return items_[index];
}

void TList::SetItems(int index, void* item) {
  CheckIndex(index);
  void* old = items_[index];
  if (old == item) return;
  items_[index] = item;
  if (old) Notify(old, lnDeleted);
  if (item) Notify(item, lnAdded);
}

TObjectList::~TObjectList() { Clear(); }

void TObjectList::Notify(void* ptr, TListNotification action) {
  if (ownsObjects_ && action == lnDeleted) delete static_cast<TObject*>(ptr);
  TList::Notify(ptr, action);
}

}  // namespace vcl
