#include "vcl/classes/collection.h"

#include <algorithm>

#include "vcl/runtime/sysutils.h"

namespace vcl {

// ---- TCollectionItem -------------------------------------------------------------------------

TCollectionItem::TCollectionItem(TCollection* collection) {
  if (!collection) return;
  collection->items_.push_back(this);
  collection_ = collection;
  id_ = collection->nextID_++;
}

TCollectionItem::~TCollectionItem() {
  if (collection_) collection_->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* value) {
  if (value == collection_) return;
  if (value && !InheritsFrom(value->ItemClass())) throw EListError("Invalid property value");
  if (collection_) collection_->RemoveItem(this);
  if (value) value->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (!collection_) return -1;
  auto& items = collection_->items_;
  return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int value) {
  int current = Index();
  if (current < 0 || current == value) return;
  collection_->CheckIndex(value);
  auto& items = collection_->items_;
  items.erase(items.begin() + current);
  items.insert(items.begin() + value, this);
  Changed(true);
}

void TCollectionItem::SetDisplayName(const std::string&) { Changed(false); }

std::string TCollectionItem::GetDisplayName() { return ClassName(); }

TPersistent* TCollectionItem::GetOwner() { return collection_; }

void TCollectionItem::Changed(bool allItems) {
  if (collection_ && collection_->updateCount_ == 0) collection_->Update(allItems ? nullptr : this);
}

// ---- TCollection -----------------------------------------------------------------------------

TCollection::TCollection(TCollectionItemClass itemClass) : itemClass_(itemClass) {
  if (!itemClass_.Meta || !itemClass_.Create) throw EInvalidArgument("A collection needs an item class");
}

TCollection::~TCollection() {
  // The derived parts are gone: no Update may reach them while the items leave.
  updateCount_ = 1;
  while (!items_.empty()) delete items_.back();
}

TCollectionItem* TCollection::Add() {
  TCollectionItem* item = itemClass_.Create(this);
  Notify(item, cnAdded);
  Changed();
  return item;
}

TCollectionItem* TCollection::Insert(int index) {
  if (index < 0 || index > Count()) throw EListError(Format("List index out of bounds (%d)", index));
  TCollectionItem* item = Add();
  item->SetIndex(index);
  return item;
}

void TCollection::Delete(int index) {
  CheckIndex(index);
  TCollectionItem* item = items_[size_t(index)];
  Notify(item, cnDeleting);
  delete item;
}

void TCollection::Clear() {
  if (items_.empty()) return;
  TCollectionUpdate update(this);
  while (!items_.empty()) delete items_.back();
}

TCollectionItem* TCollection::Items(int index) const {
  CheckIndex(index);
  return items_[size_t(index)];
}

void TCollection::SetItems(int index, TCollectionItem* value) { Items(index)->Assign(value); }

TCollectionItem* TCollection::FindItemID(int id) const {
  for (TCollectionItem* item : items_)
    if (item->id_ == id) return item;
  return nullptr;
}

void TCollection::BeginUpdate() { ++updateCount_; }

void TCollection::EndUpdate() {
  if (updateCount_ <= 0) throw EAssertionFailed("Unpaired EndUpdate");
  --updateCount_;
  Changed();
}

void TCollection::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TCollection*>(source);
  if (!other) return TPersistent::Assign(source);
  TCollectionUpdate update(this);
  Clear();
  for (TCollectionItem* item : other->items_) Add()->Assign(item);
}

void TCollection::Changed() {
  if (updateCount_ == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item) {
  items_.push_back(item);
  item->collection_ = this;
  item->id_ = nextID_++;
  Notify(item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
  Notify(item, cnExtracting);
  items_.erase(std::find(items_.begin(), items_.end(), item));
  item->collection_ = nullptr;
  Changed();
}

void TCollection::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
}

}  // namespace vcl
