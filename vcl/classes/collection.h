// TCollection: an owned, ordered list of items of one class (TCollectionItem), such as a
// status bar's panels or the stored skins of a skin manager. Form data stores a collection as
// `< item ... end >`, each item with its published properties.
#pragma once

#include <string>
#include <vector>

#include "vcl/runtime/persistent.h"

namespace vcl {

class TCollection;

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollectionItem : public TPersistent {
  VCL_CLASS(TCollectionItem, TPersistent)
  // Takes its place at the end of `collection` (when given) without telling it: items are
  // made by TCollection::Add and Insert, which then announce them.
  explicit TCollectionItem(TCollection* collection);
  // Leaves the collection.
  ~TCollectionItem() override;

  TCollection* Collection() const { return collection_; }
  // Moves the item into another collection (or out of any with nullptr). The item must be of
  // that collection's item class: EListError "Invalid property value" otherwise.
  void SetCollection(TCollection* value);
  // A number unique within the collection, given in order of arrival.
  int ID() const { return id_; }
  // The position in the collection (-1 without one); setting moves it there (EListError
  // "List index out of bounds (%d)" outside 0..Count-1).
  int Index() const;
  virtual void SetIndex(int value);
  std::string DisplayName() { return GetDisplayName(); }
  virtual void SetDisplayName(const std::string& value);

  TPersistent* GetOwner() override;

 protected:
  // The class name, unless a class has a better text.
  virtual std::string GetDisplayName();
  // Tells the collection that this item (or, with allItems, every item) changed.
  void Changed(bool allItems);

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int id_ = 0;
};

// The class of a collection's items and how to make one: TCollectionItemClass::Of<TMyItem>().
// Items are made with New<T>, so that an item's AfterConstruction runs whether code adds it or
// form data does.
struct TCollectionItemClass {
  const TMetaClass* Meta = nullptr;
  TCollectionItem* (*Create)(TCollection* collection) = nullptr;

  template <class T>
  static TCollectionItemClass Of() {
    return {T::StaticClass(), [](TCollection* c) -> TCollectionItem* { return New<T>(c); }};
  }
};

class TCollection : public TPersistent {
  VCL_CLASS(TCollection, TPersistent)
  explicit TCollection(TCollectionItemClass itemClass);
  // Frees the items (no Update is called).
  ~TCollection() override;

  // A new item at the end, or at `index` (0..Count).
  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  // Frees the item at `index`.
  void Delete(int index);
  // Frees every item, as one update.
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  // Items(i) outside 0..Count-1 raises EListError "List index out of bounds (%d)". SetItems
  // copies `value` into the item there.
  TCollectionItem* Items(int index) const;
  void SetItems(int index, TCollectionItem* value);
  TCollectionItem* FindItemID(int id) const;
  const TMetaClass* ItemClass() const { return itemClass_.Meta; }

  // Changes between BeginUpdate and the last EndUpdate are announced once, by Update(nullptr)
  // at the end. EndUpdate without BeginUpdate raises EAssertionFailed "Unpaired EndUpdate".
  virtual void BeginUpdate();
  virtual void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // Copies the items of another collection (each new item assigned from its source item).
  void Assign(TPersistent* source) override;

  // Called when `item` changed, or with nullptr when the collection as a whole did.
  virtual void Update(TCollectionItem* item) {}

 protected:
  // Told when an item joins, is taken out, or is about to be freed by Delete.
  virtual void Notify(TCollectionItem* item, TCollectionNotification action) {}
  // Update(nullptr) unless an update is running.
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);
  void CheckIndex(int index) const;

  TCollectionItemClass itemClass_;
  std::vector<TCollectionItem*> items_;
  int updateCount_ = 0;
  int nextID_ = 0;
};

// Keeps a collection in one update (BeginUpdate ... EndUpdate) for a scope.
using TCollectionUpdate = TUpdateScope<TCollection>;

// A collection that answers GetOwner with the object it belongs to, so that the form writer
// and designers can tell whose property it is.
class TOwnedCollection : public TCollection {
  VCL_CLASS(TOwnedCollection, TCollection)
  TOwnedCollection(TPersistent* owner, TCollectionItemClass itemClass)
      : TCollection(itemClass), owner_(owner) {}
  TPersistent* GetOwner() override { return owner_; }

 private:
  TPersistent* owner_;
};

// A collection of one item class that belongs to one object: typed Add and Items, and GetOwner
// answers the owner. It adds no class to the class chain: a collection built on it names
// TCollection as its base in VCL_CLASS, so class names and InheritsFrom stay as they are.
// The owner is kept as a TPersistent so that TOwner may still be incomplete where the
// collection class is declared.
template <class TItem, class TOwner>
class TTypedCollection : public TCollection {
 public:
  explicit TTypedCollection(TOwner* owner) : TCollection(TCollectionItemClass::Of<TItem>()), owner_(owner) {}

  TItem* Add() { return static_cast<TItem*>(TCollection::Add()); }
  TItem* Items(int index) const { return static_cast<TItem*>(TCollection::Items(index)); }
  TPersistent* GetOwner() override { return owner_; }

 protected:
  TOwner* OwnerObject() const { return static_cast<TOwner*>(owner_); }

 private:
  TPersistent* owner_;
};

}  // namespace vcl
