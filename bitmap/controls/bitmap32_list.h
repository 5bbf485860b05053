// TBitmap32List: a non-visual component that keeps a list of TBitmap32 in form data, each
// item's pixels stored through the bitmap's "Data" property.
#pragma once

#include <memory>

#include "bitmap/engine/bitmap32.h"
#include "vcl/classes/collection.h"
#include "vcl/classes/component.h"

namespace bitmap {

class TBitmap32Item : public vcl::TCollectionItem {
  VCL_CLASS(TBitmap32Item, vcl::TCollectionItem)
  explicit TBitmap32Item(vcl::TCollection* collection);
  ~TBitmap32Item() override;

  TBitmap32* Bitmap() const { return bitmap_.get(); }
  // Copies the value (pixels and drawing settings).
  void SetBitmap(TBitmap32* value) { bitmap_->Assign(value); }
  // Another item's bitmap is copied.
  void Assign(vcl::TPersistent* source) override;

 private:
  std::unique_ptr<TBitmap32> bitmap_;
};

// Items of class TBitmap32Item; answers the owner query with the list it belongs to.
class TBitmap32Collection : public vcl::TOwnedCollection {
  VCL_CLASS(TBitmap32Collection, vcl::TOwnedCollection)
  explicit TBitmap32Collection(vcl::TPersistent* owner);
  ~TBitmap32Collection() override;

  TBitmap32Item* Add() { return static_cast<TBitmap32Item*>(vcl::TCollection::Add()); }
  TBitmap32Item* Items(int index) const { return static_cast<TBitmap32Item*>(vcl::TCollection::Items(index)); }
};

class TBitmap32List : public vcl::TComponent {
  VCL_CLASS(TBitmap32List, vcl::TComponent)
  explicit TBitmap32List(vcl::TComponent* owner);
  // Frees the collection with every item and bitmap.
  ~TBitmap32List() override;

  TBitmap32Collection* Bitmaps() const { return bitmaps_.get(); }
  // Copies the items of `value` into the list's own collection.
  void SetBitmaps(TBitmap32Collection* value) { bitmaps_->Assign(value); }
  // The bitmap of item `index`; a bad index raises EListError "List index out of bounds (%d)".
  TBitmap32* GetBitmap(int index) const { return bitmaps_->Items(index)->Bitmap(); }

 private:
  std::unique_ptr<TBitmap32Collection> bitmaps_;
};

}  // namespace bitmap
