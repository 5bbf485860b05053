// Skins kept in form data: InternalSkins holds TsStoredSkin items, each a packed container in
// its binary "Data", or, in the older format, the skin's sections, masks and textures as
// published collections with a master image and a few skin-wide values.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "vcl/classes/collection.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/jpeg.h"
#include "vcl/runtime/streams.h"

namespace skin {

class TsSkinManager;
class TsStoredSkin;

// One section in the older format. Every property only stores its value.
class TsSkinGeneral : public vcl::TCollectionItem {
  VCL_CLASS(TsSkinGeneral, vcl::TCollectionItem)
  explicit TsSkinGeneral(vcl::TCollection* collection);
  ~TsSkinGeneral() override;
  void Assign(vcl::TPersistent* source) override;

  std::string SectionName, ParentClass, Name;
  int32_t Color = 0;
  bool ReservedBoolean = false;
  std::string FontColor, HotFontColor;  // five numbers separated by spaces
  int32_t Transparency = 0, GlowCount = 0, GlowMargin = 0, GradientPercent = 0;
  std::string GradientData;
  int32_t ImagePercent = 0;
  bool ShowFocus = false, FadingEnabled = false;
  int32_t FadingIterations = 0;
  int32_t HotColor = 0, HotTransparency = 0, HotGradientPercent = 0;
  std::string HotGradientData;
  int32_t HotImagePercent = 0;
  bool GiveOwnFont = false;
  int32_t HotGlowColor = 0, GlowColor = 0, HotGlowSize = 0, GlowSize = 0;
};

// One mask in the older format: a rectangle of the master image, or its own Image when Name
// is set.
class TsSkinImage : public vcl::TCollectionItem {
  VCL_CLASS(TsSkinImage, vcl::TCollectionItem)
  explicit TsSkinImage(vcl::TCollection* collection);
  ~TsSkinImage() override;
  void Assign(vcl::TPersistent* source) override;

  vcl::TBitmap* Image() const { return image_.get(); }
  void SetImage(vcl::TBitmap* value) { image_->Assign(value); }

  std::string SectionName, Name, PropertyName;
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  int32_t ImageCount = 0, MaskType = 0, BorderWidth = 0, StretchMode = 0;
  uint8_t ImgType = 0;
  int32_t WL = 0, WR = 0, WT = 0, WB = 0;

 private:
  std::unique_ptr<vcl::TBitmap> image_;
};

// One JPEG texture in the older format.
class TsSkinPattern : public vcl::TCollectionItem {
  VCL_CLASS(TsSkinPattern, vcl::TCollectionItem)
  explicit TsSkinPattern(vcl::TCollection* collection);
  ~TsSkinPattern() override;
  void Assign(vcl::TPersistent* source) override;

  vcl::TJPEGImage* Image() const { return image_.get(); }
  void SetImage(vcl::TJPEGImage* value) { image_->Assign(value); }
  std::string SectionName, Name, PropertyName;

 private:
  std::unique_ptr<vcl::TJPEGImage> image_;
};

class TsSkinGenerals : public vcl::TTypedCollection<TsSkinGeneral, TsStoredSkin> {
  VCL_CLASS(TsSkinGenerals, vcl::TCollection)
  explicit TsSkinGenerals(TsStoredSkin* owner);
};
class TsSkinImages : public vcl::TTypedCollection<TsSkinImage, TsStoredSkin> {
  VCL_CLASS(TsSkinImages, vcl::TCollection)
  explicit TsSkinImages(TsStoredSkin* owner);
};
class TsSkinPatterns : public vcl::TTypedCollection<TsSkinPattern, TsStoredSkin> {
  VCL_CLASS(TsSkinPatterns, vcl::TCollection)
  explicit TsSkinPatterns(TsStoredSkin* owner);
};

class TsStoredSkin : public vcl::TCollectionItem {
  VCL_CLASS(TsStoredSkin, vcl::TCollectionItem)
  explicit TsStoredSkin(vcl::TCollection* collection);
  ~TsStoredSkin() override;
  // Copies "Data", the name, the collections, the master image and the skin-wide values.
  void Assign(vcl::TPersistent* source) override;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& value) { name_ = value; }
  TsSkinGenerals* GeneralData() const { return generals_.get(); }
  void SetGeneralData(TsSkinGenerals* value) { generals_->Assign(value); }
  TsSkinImages* Images() const { return images_.get(); }
  void SetImages(TsSkinImages* value) { images_->Assign(value); }
  TsSkinPatterns* Patterns() const { return patterns_.get(); }
  void SetPatterns(TsSkinPatterns* value) { patterns_->Assign(value); }
  vcl::TBitmap* MasterBitmap() const { return masterBitmap_.get(); }
  void SetMasterBitmap(vcl::TBitmap* value) { masterBitmap_->Assign(value); }
  // The packed container, empty in the older format.
  vcl::TMemoryStream* PackedData() const { return data_.get(); }

  int32_t Shadow1Color = 0;
  int32_t Shadow1Offset = 0;
  int32_t Shadow1Blur = -1;
  int32_t Shadow1Transparency = 0;
  int32_t BorderColor = 0xFF00FF;
  double Version = 0;
  std::string Author, Description;

 protected:
  // "Data" is always written, even when empty.
  void DefineProperties(vcl::TFiler* filer) override;

 private:
  std::string name_;
  std::unique_ptr<TsSkinGenerals> generals_;
  std::unique_ptr<TsSkinImages> images_;
  std::unique_ptr<TsSkinPatterns> patterns_;
  std::unique_ptr<vcl::TBitmap> masterBitmap_;
  std::unique_ptr<vcl::TMemoryStream> data_;
};

class TsStoredSkins : public vcl::TTypedCollection<TsStoredSkin, TsSkinManager> {
  VCL_CLASS(TsStoredSkins, vcl::TCollection)
  explicit TsStoredSkins(TsSkinManager* owner);
  // Does nothing: stored skins come only from form data and Add.
  void Assign(vcl::TPersistent* source) override;
  // The first item of exactly that name; -1 when none.
  int IndexOf(const std::string& name) const;
};

}  // namespace skin
