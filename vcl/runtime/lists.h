// TList, a growable list of untyped pointers (which may also hold small integers), and
// TObjectList, a list of objects that can own and free them.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "vcl/runtime/system.h"

namespace vcl {

// What a sorted list (of strings, or a thread list) does with an item it already holds.
enum TDuplicates { dupIgnore, dupAccept, dupError };

// What happened to an item, told to TList::Notify.
enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// Three-way compare of two items: negative, zero or positive like strcmp.
using TListSortCompare = std::function<int(void* item1, void* item2)>;

// The largest count and capacity a list accepts.
constexpr int MaxListSize = 0x7FFFFFFF / 16;

class TList : public TObject {
  VCL_CLASS(TList, TObject)
  TList() = default;
  // Frees the slots. Notify is not called from here: a derived class that must act on its
  // items (TObjectList) clears itself in its own destructor.
  ~TList() override = default;

  // Appends an item; returns its index.
  int Add(void* item);
  // Inserts before `index` (0..Count).
  void Insert(int index, void* item);
  // Removes the item at `index`.
  void Delete(int index);
  // Removes the first occurrence of `item`; returns its former index, or -1.
  int Remove(void* item);
  // Takes the first occurrence of `item` out of the list without deleting it (lnExtracted);
  // returns the item, or nil when it is not in the list.
  void* Extract(void* item);
  // The first index holding `item`, or -1.
  int IndexOf(void* item) const;
  void Exchange(int index1, int index2);
  // Moves the item at `curIndex` so that it ends up at `newIndex`.
  void Move(int curIndex, int newIndex);
  // Removes every nil item.
  void Pack();
  // Orders the items by `compare`. The sort is stable and stays within the list whatever the
  // compare function answers.
  void Sort(const TListSortCompare& compare);
  // Removes every item (told to Notify as deleted) and releases the storage.
  virtual void Clear();
  // The first and the last item; an empty list raises the index error.
  void* First() const;
  void* Last() const;
  // Makes room for one more item when the list is full; returns the list.
  TList* Expand();

  int Capacity() const { return capacity_; }
  // Raises EListError "List capacity out of bounds (%d)" below Count or above MaxListSize.
  void SetCapacity(int newCapacity);
  int Count() const { return static_cast<int>(items_.size()); }
  // Growing fills the new slots with nil; shrinking deletes the items past the new count.
  // Raises EListError "List count out of bounds (%d)" below 0 or above MaxListSize.
  void SetCount(int newCount);
  // Raise EListError "List index out of bounds (%d)" for an index outside 0..Count-1.
  void* Items(int index) const;
  void SetItems(int index, void* item);
  // The slots themselves (Count of them), for fast access; valid until the list changes size.
  void** List() { return items_.data(); }
  void* const* List() const { return items_.data(); }

 protected:
  // Told of every non-nil item that enters or leaves the list.
  virtual void Notify(void* ptr, TListNotification action) {}

  // Raises EListError with `format` (one %d) filled with `data`.
  [[noreturn]] static void Error(const char* format, int data);

 private:
  void Grow();
  void CheckIndex(int index) const;

  std::vector<void*> items_;
  int capacity_ = 0;
};

// A list of objects. While OwnsObjects is set (the default), deleting an item, clearing the list,
// replacing an item through SetItems and destroying the list free the objects; Extract hands an
// object back without freeing it.
class TObjectList : public TList {
  VCL_CLASS(TObjectList, TList)
  explicit TObjectList(bool ownsObjects = true) : ownsObjects_(ownsObjects) {}
  ~TObjectList() override;

  int Add(TObject* object) { return TList::Add(object); }
  void Insert(int index, TObject* object) { TList::Insert(index, object); }
  int IndexOf(TObject* object) const { return TList::IndexOf(object); }
  int Remove(TObject* object) { return TList::Remove(object); }
  TObject* Extract(TObject* object) { return static_cast<TObject*>(TList::Extract(object)); }
  TObject* Items(int index) const { return static_cast<TObject*>(TList::Items(index)); }
  void SetItems(int index, TObject* object) { TList::SetItems(index, object); }
  TObject* First() const { return static_cast<TObject*>(TList::First()); }
  TObject* Last() const { return static_cast<TObject*>(TList::Last()); }

  bool OwnsObjects() const { return ownsObjects_; }
  void SetOwnsObjects(bool value) { ownsObjects_ = value; }

 protected:
  void Notify(void* ptr, TListNotification action) override;

 private:
  bool ownsObjects_;
};

}  // namespace vcl
