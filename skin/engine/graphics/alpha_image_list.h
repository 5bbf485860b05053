// An image list that keeps, for every image, the PNG or icon file it came from, and draws its
// images with per-pixel alpha over whatever lies behind them. The platform image list holds
// 32-bit icons made from that data; the kept data survives the form data and lets the list
// rebuild its icons.
#pragma once

#include <cstdint>
#include <memory>

#include "vcl/classes/collection.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/imagelist.h"
#include "vcl/runtime/streams.h"

namespace skin {

enum TsImageFormat : uint8_t { ifPNG = 0, ifICO = 1 };

class TsImgListItem : public vcl::TCollectionItem {
  VCL_CLASS(TsImgListItem, vcl::TCollectionItem)
 public:
  explicit TsImgListItem(vcl::TCollection* collection);
  ~TsImgListItem() override;

  TsImageFormat ImageFormat() const { return imageFormat_; }
  void SetImageFormat(TsImageFormat value) { imageFormat_ = value; }
  // Kept and copied; the images themselves decide their depth.
  vcl::TPixelFormat PixelFormat() const { return pixelFormat_; }
  void SetPixelFormat(vcl::TPixelFormat value) { pixelFormat_ = value; }
  // The bytes of the PNG or icon file.
  vcl::TMemoryStream* DataStream() const { return data_.get(); }

  // Another item's format and bytes; anything else (none included) goes to the inherited
  // assignment, which reports it.
  void Assign(vcl::TPersistent* source) override;
  // The data is stored in form data as the binary property "ImgData".
  void DefineProperties(vcl::TFiler* filer) override;

 protected:
  void AssignTo(vcl::TPersistent* dest) override;

 private:
  TsImageFormat imageFormat_ = ifPNG;
  vcl::TPixelFormat pixelFormat_ = vcl::pf32bit;
  std::unique_ptr<vcl::TMemoryStream> data_;
};

class TsImgListItems : public vcl::TOwnedCollection {
  VCL_CLASS(TsImgListItems, vcl::TOwnedCollection)
 public:
  explicit TsImgListItems(vcl::TPersistent* owner);
  ~TsImgListItems() override;
  TsImgListItem* Add() { return static_cast<TsImgListItem*>(vcl::TCollection::Add()); }
  TsImgListItem* Items(int index) const { return static_cast<TsImgListItem*>(vcl::TCollection::Items(index)); }
};

class TsAlphaImageList : public vcl::TImageList {
  VCL_CLASS(TsAlphaImageList, vcl::TImageList)
 public:
  explicit TsAlphaImageList(vcl::TComponent* owner);
  ~TsAlphaImageList() override;

  // Outside form data: the platform list, and its icons from the items already there.
  void AfterConstruction() override;
  void Loaded() override;
  // Another alpha image list: its settings, size, colours and images; none frees the list.
  void Assign(vcl::TPersistent* source) override;

  TsImgListItems* Items() const { return items_.get(); }
  // Takes over copies of the given collection's items.
  void SetItems(TsImgListItems* value) { items_->Assign(value); }
  // Keep the items once the icons are made (true from construction); otherwise they are
  // dropped to save memory and later drawing uses the icons.
  bool KeepData = true;
  bool IconsGenerated = false;
  bool ChangeGuard = false;  // the list changes itself: Change does nothing
  bool IsDataKept() const;

  // Image `index` as a 32-bit bitmap with alpha: the kept PNG when it has the list's size,
  // else the platform list's icon. False without a platform list, a bitmap or such an image.
  bool GetImageBitmap(int index, vcl::TBitmap* bitmap);
  // Rebuilds the platform list from the items.
  void GenerateIcons();
  void CreateListHandle();
  // Destroys the platform list unless it is shared, leaves none, and reports the change.
  void FreeListHandle();

 protected:
  void AssignTo(vcl::TPersistent* dest) override;
  // Images added to the platform list directly get alpha: opaque except for the key colour.
  void Change() override;
  // PNG images are blended over the canvas by their alpha; icons go through the platform.
  void DoDraw(int index, vcl::TCanvas* canvas, int x, int y, UINT style, bool enabled) override;

 private:
  void CopyImagesFrom(TsAlphaImageList* source);
  std::unique_ptr<TsImgListItems> items_;
};

// A 32-bit bitmap without any alpha becomes opaque except where it has the colour of its
// bottom-left pixel; one with alpha somewhere is left as it is.
void AddAlphaByCornerKey(vcl::TBitmap* bitmap);

// The screen's bits per pixel.
int ScreenBitsPerPixel();

}  // namespace skin
