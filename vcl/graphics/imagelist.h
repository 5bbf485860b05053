// TCustomImageList / TImageList: a row of same-sized images (with masks) kept in a comctl32
// image list, drawn by index. The image list is made when first needed; changing the size or
// the masking makes a new, empty one.
#pragma once

#include <cstdint>

#include "vcl/graphics/canvas.h"
#include "vcl/classes/component.h"
#include "vcl/runtime/win.h"

namespace vcl {

class TBitmap;
class TIcon;
class TStream;

// dsFocus and dsSelected blend the image with BlendColor; dsTransparent draws through the mask
// whatever BkColor says.
enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };

class TCustomImageList : public TComponent {
  VCL_CLASS(TCustomImageList, TComponent)
  explicit TCustomImageList(TComponent* owner);
  // An image list of images of that size.
  TCustomImageList(TComponent* owner, int width, int height);
  ~TCustomImageList() override;

  // From another image list: its settings and a copy of its images.
  void Assign(TPersistent* source) override;

  // Each returns the new image's index. The bitmaps must be at least Width x Height; a
  // smaller one raises EInvalidOperation "Invalid image size". Add takes a mask bitmap (or
  // none); AddMasked makes the mask from the colour (clNone: no mask).
  int Add(TBitmap* image, TBitmap* mask);
  int AddMasked(TBitmap* image, TColor maskColor);
  int AddIcon(TIcon* image);
  // Raises EInvalidOperation "Unable to Replace Image" for an index that is not there.
  void Replace(int index, TBitmap* image, TBitmap* mask);
  // Raises EInvalidOperation "Invalid ImageList Index" for an index that is not there.
  void Delete(int index);
  void Clear();

  // A disabled image is drawn embossed in the button highlight and shadow colours.
  void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true);
  void Draw(TCanvas* canvas, int x, int y, int index, TDrawingStyle drawingStyle, TImageType imageType,
            bool enabled = true);
  // The image drawn into the bitmap, which takes the list's size; false for no such image.
  bool GetBitmap(int index, TBitmap* image);
  // The icon of the image, given to `image`.
  void GetIcon(int index, TIcon* image);
  void GetIcon(int index, TIcon* image, TDrawingStyle drawingStyle, TImageType imageType);

  int Count() const;
  // The image list, made on first use. The TCustomImageList owns it unless ShareImages.
  HIMAGELIST Handle();
  // Takes over an image list (its image size becomes the list's).
  void SetHandle(HIMAGELIST handle);
  bool HandleAllocated() const { return handle_ != nullptr; }

  int Width() const { return width_; }
  void SetWidth(int width);
  int Height() const { return height_; }
  void SetHeight(int height);
  bool Masked() const { return masked_; }
  void SetMasked(bool value);
  // How many images the list grows by.
  int AllocBy() const { return allocBy_; }
  void SetAllocBy(int value) { allocBy_ = value; }
  // The colour behind images of a masked list (clNone: transparent).
  TColor BkColor() const { return bkColor_; }
  void SetBkColor(TColor color);
  TColor BlendColor() const { return blendColor_; }
  void SetBlendColor(TColor color);
  TDrawingStyle DrawingStyle() const { return drawingStyle_; }
  void SetDrawingStyle(TDrawingStyle style);
  TImageType ImageType() const { return imageType_; }
  void SetImageType(TImageType type);
  // The image list belongs to someone else and is not destroyed with this object.
  bool ShareImages() const { return shareImages_; }
  void SetShareImages(bool value) { shareImages_ = value; }

  // Form data keeps the images as the binary "Bitmap" (the image list's own stream format).
  void DefineProperties(TFiler* filer) override;
  void ReadData(TStream* stream);
  void WriteData(TStream* stream);

  TNotifyEvent OnChange;

 protected:
  virtual void Change();
  // Draws one image with the ILD_xxx style; overridden by lists that draw in their own way.
  virtual void DoDraw(int index, TCanvas* canvas, int x, int y, UINT style, bool enabled);

 private:
  void CreateImageList();
  void FreeHandle();
  // Recreates the image list (empty) after a change of size or masking.
  void RecreateHandle();
  void CheckImage(TBitmap* image) const;

  HIMAGELIST handle_ = nullptr;
  int width_ = 16;
  int height_ = 16;
  bool masked_ = true;
  int allocBy_ = 4;
  TColor bkColor_ = clNone;
  TColor blendColor_ = clNone;
  TDrawingStyle drawingStyle_ = dsNormal;
  TImageType imageType_ = itImage;
  bool shareImages_ = false;
};

class TImageList : public TCustomImageList {
  VCL_CLASS(TImageList, TCustomImageList)
  using TCustomImageList::TCustomImageList;
  ~TImageList() override;
};

}  // namespace vcl
