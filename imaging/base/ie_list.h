// Growable arrays of fixed-size items held in one raw block: TIEList and its kinds for
// doubles, integers and records of any size.
#pragma once

#include <cstdint>

#include "vcl/runtime/system.h"

namespace imaging {

class TIEList : public vcl::TObject {
  VCL_CLASS(TIEList, vcl::TObject)
  TIEList();
  ~TIEList() override;

  // Makes room for n items (doubling the capacity when it grows) and sets the count; new
  // items are not initialised and the block never shrinks here.
  virtual void SetCount(int32_t n);
  // Removes one item; the block is reallocated to the exact new count. Bad indexes are ignored.
  virtual void Delete(int32_t index);
  // Frees the block: capacity and count 0, flags cleared.
  virtual void Clear();
  // Copies count, item size, flags and items of the source into an exact-size block; nil does
  // nothing.
  virtual void Assign(const TIEList* source);

  // Appends a copy of the item (ItemSize bytes) and returns its index.
  int32_t AddItem(const void* item);
  // The address of an item; raises EListError for an index outside 0 .. Count - 1.
  void* GetItemPtr(int32_t index) const;

  int32_t Count() const { return count_; }
  int32_t Capacity() const { return capacity_; }
  int32_t ItemSize() const { return itemSize_; }
  // Bit 0 is set by every change of the items and cleared by Clear.
  uint8_t Flags() const { return flags_; }
  bool Changed() const { return (flags_ & 1) != 0; }

 protected:
  static constexpr uint8_t kChanged = 1;
  int32_t capacity_ = 0;
  int32_t count_ = 0;
  int32_t itemSize_ = 0;
  uint8_t* data_ = nullptr;
  uint8_t flags_ = 0;

 private:
  void FreeBlock();
};

// A list of doubles with four spare values that belong to the list's owner.
class TIEDoubleList : public TIEList {
  VCL_CLASS(TIEDoubleList, TIEList)
  TIEDoubleList();
  void Clear() override;
  // The source must be a TIEDoubleList (EInvalidCast otherwise).
  void Assign(const TIEList* source) override;

  double Values[4] = {0, 0, 0, 0};
};

// A list of int32 with four spare values that belong to the list's owner.
class TIEIntegerList : public TIEList {
  VCL_CLASS(TIEIntegerList, TIEList)
  TIEIntegerList();
  void Clear() override;
  // The source must be a TIEIntegerList (EInvalidCast otherwise).
  void Assign(const TIEList* source) override;

  int32_t Values[4] = {0, 0, 0, 0};
};

// A list of records of the size given at construction.
class TIERecordList : public TIEList {
  VCL_CLASS(TIERecordList, TIEList)
  explicit TIERecordList(int32_t recordSize);
  void* GetRecord(int32_t index) const { return GetItemPtr(index); }
  int32_t AddRecord(const void* record) { return AddItem(record); }
};

}  // namespace imaging
