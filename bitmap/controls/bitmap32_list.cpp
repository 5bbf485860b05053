#include "bitmap/controls/bitmap32_list.h"

#include "vcl/classes/typeinfo.h"

namespace bitmap {

TBitmap32Item::TBitmap32Item(vcl::TCollection* collection)
    : TCollectionItem(collection), bitmap_(std::make_unique<TBitmap32>()) {}

TBitmap32Item::~TBitmap32Item() = default;

void TBitmap32Item::Assign(vcl::TPersistent* source) {
  if (auto* item = dynamic_cast<TBitmap32Item*>(source)) {
    bitmap_->Assign(item->Bitmap());
    return;
  }
  TCollectionItem::Assign(source);
}

TBitmap32Collection::TBitmap32Collection(vcl::TPersistent* owner)
    : TOwnedCollection(owner, vcl::TCollectionItemClass::Of<TBitmap32Item>()) {}

TBitmap32Collection::~TBitmap32Collection() = default;

TBitmap32List::TBitmap32List(vcl::TComponent* owner)
    : TComponent(owner), bitmaps_(std::make_unique<TBitmap32Collection>(this)) {}

TBitmap32List::~TBitmap32List() { bitmaps_.reset(); }

VCL_PUBLISHED(TBitmap32Item, p) { p.Object("Bitmap", &TBitmap32Item::Bitmap, &TBitmap32Item::SetBitmap); }

VCL_PUBLISHED(TBitmap32Collection, p) { (void)p; }

VCL_PUBLISHED(TBitmap32List, p) { p.Object("Bitmaps", &TBitmap32List::Bitmaps, &TBitmap32List::SetBitmaps); }

}  // namespace bitmap
