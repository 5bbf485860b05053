#include "skin/engine/stored_skins.h"

#include "skin/engine/skin_manager.h"
#include "vcl/classes/filer.h"
#include "skin/engine/published_field.h"
#include "vcl/classes/typeinfo.h"

namespace skin {


TsSkinGeneral::TsSkinGeneral(vcl::TCollection* collection) : vcl::TCollectionItem(collection) {}
TsSkinGeneral::~TsSkinGeneral() = default;

void TsSkinGeneral::Assign(vcl::TPersistent* source) {
  auto* s = dynamic_cast<TsSkinGeneral*>(source);
  if (!s) return inherited::Assign(source);
  SectionName = s->SectionName; ParentClass = s->ParentClass; Name = s->Name; Color = s->Color;
  ReservedBoolean = s->ReservedBoolean; FontColor = s->FontColor; HotFontColor = s->HotFontColor;
  Transparency = s->Transparency; GlowCount = s->GlowCount; GlowMargin = s->GlowMargin;
  GradientPercent = s->GradientPercent; GradientData = s->GradientData; ImagePercent = s->ImagePercent;
  ShowFocus = s->ShowFocus; FadingEnabled = s->FadingEnabled; FadingIterations = s->FadingIterations;
  HotColor = s->HotColor; HotTransparency = s->HotTransparency; HotGradientPercent = s->HotGradientPercent;
  HotGradientData = s->HotGradientData; HotImagePercent = s->HotImagePercent; GiveOwnFont = s->GiveOwnFont;
  HotGlowColor = s->HotGlowColor; GlowColor = s->GlowColor; HotGlowSize = s->HotGlowSize; GlowSize = s->GlowSize;
}

TsSkinImage::TsSkinImage(vcl::TCollection* collection)
    : vcl::TCollectionItem(collection), image_(std::make_unique<vcl::TBitmap>()) {}
TsSkinImage::~TsSkinImage() = default;

void TsSkinImage::Assign(vcl::TPersistent* source) {
  auto* s = dynamic_cast<TsSkinImage*>(source);
  if (!s) return inherited::Assign(source);
  SectionName = s->SectionName; Name = s->Name; PropertyName = s->PropertyName;
  image_->Assign(s->image_.get());
  Left = s->Left; Top = s->Top; Right = s->Right; Bottom = s->Bottom;
  ImageCount = s->ImageCount; MaskType = s->MaskType; BorderWidth = s->BorderWidth; StretchMode = s->StretchMode;
  ImgType = s->ImgType; WL = s->WL; WR = s->WR; WT = s->WT; WB = s->WB;
}

TsSkinPattern::TsSkinPattern(vcl::TCollection* collection)
    : vcl::TCollectionItem(collection), image_(std::make_unique<vcl::TJPEGImage>()) {}
TsSkinPattern::~TsSkinPattern() = default;

void TsSkinPattern::Assign(vcl::TPersistent* source) {
  auto* s = dynamic_cast<TsSkinPattern*>(source);
  if (!s) return inherited::Assign(source);
  SectionName = s->SectionName; Name = s->Name; PropertyName = s->PropertyName;
  image_->Assign(s->image_.get());
}

TsSkinGenerals::TsSkinGenerals(TsStoredSkin* owner) : TTypedCollection(owner) {}
TsSkinImages::TsSkinImages(TsStoredSkin* owner) : TTypedCollection(owner) {}
TsSkinPatterns::TsSkinPatterns(TsStoredSkin* owner) : TTypedCollection(owner) {}

TsStoredSkin::TsStoredSkin(vcl::TCollection* collection)
    : vcl::TCollectionItem(collection),
      generals_(std::make_unique<TsSkinGenerals>(this)),
      images_(std::make_unique<TsSkinImages>(this)),
      patterns_(std::make_unique<TsSkinPatterns>(this)),
      masterBitmap_(std::make_unique<vcl::TBitmap>()),
      data_(std::make_unique<vcl::TMemoryStream>()) {}

TsStoredSkin::~TsStoredSkin() = default;

void TsStoredSkin::Assign(vcl::TPersistent* source) {
  auto* s = dynamic_cast<TsStoredSkin*>(source);
  if (!s) return inherited::Assign(source);
  data_->LoadFromStream(s->data_.get());
  name_ = s->name_;
  generals_->Assign(s->generals_.get());
  images_->Assign(s->images_.get());
  patterns_->Assign(s->patterns_.get());
  masterBitmap_->Assign(s->masterBitmap_.get());
  Shadow1Color = s->Shadow1Color; Shadow1Offset = s->Shadow1Offset; Shadow1Blur = s->Shadow1Blur;
  Shadow1Transparency = s->Shadow1Transparency; BorderColor = s->BorderColor; Version = s->Version;
  Author = s->Author; Description = s->Description;
}

void TsStoredSkin::DefineProperties(vcl::TFiler* filer) {
  inherited::DefineProperties(filer);
  filer->DefineBinaryProperty(
      "Data", [this](vcl::TStream* stream) { data_->LoadFromStream(stream); },
      [this](vcl::TStream* stream) { data_->SaveToStream(stream); }, true);
}

TsStoredSkins::TsStoredSkins(TsSkinManager* owner) : TTypedCollection(owner) {}

void TsStoredSkins::Assign(vcl::TPersistent*) {}

int TsStoredSkins::IndexOf(const std::string& name) const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Name() == name) return i;
  return -1;
}

VCL_PUBLISHED(TsSkinGeneral, p) {
  using C = TsSkinGeneral;
  p.String("SectionName", SKIN_FIELD(C, SectionName))
      .String("ParentClass", SKIN_FIELD(C, ParentClass))
      .Integer("Color", SKIN_FIELD(C, Color))
      .Bool("ReservedBoolean", SKIN_FIELD(C, ReservedBoolean))
      .String("FontColor", SKIN_FIELD(C, FontColor))
      .String("HotFontColor", SKIN_FIELD(C, HotFontColor))
      .Integer("Transparency", SKIN_FIELD(C, Transparency))
      .Integer("GlowCount", SKIN_FIELD(C, GlowCount))
      .Integer("GlowMargin", SKIN_FIELD(C, GlowMargin))
      .Integer("GradientPercent", SKIN_FIELD(C, GradientPercent))
      .String("GradientData", SKIN_FIELD(C, GradientData))
      .Integer("ImagePercent", SKIN_FIELD(C, ImagePercent))
      .Bool("ShowFocus", SKIN_FIELD(C, ShowFocus))
      .Bool("FadingEnabled", SKIN_FIELD(C, FadingEnabled))
      .Integer("FadingIterations", SKIN_FIELD(C, FadingIterations))
      .Integer("HotColor", SKIN_FIELD(C, HotColor))
      .Integer("HotTransparency", SKIN_FIELD(C, HotTransparency))
      .Integer("HotGradientPercent", SKIN_FIELD(C, HotGradientPercent))
      .String("HotGradientData", SKIN_FIELD(C, HotGradientData))
      .Integer("HotImagePercent", SKIN_FIELD(C, HotImagePercent))
      .String("Name", SKIN_FIELD(C, Name))
      .Bool("GiveOwnFont", SKIN_FIELD(C, GiveOwnFont))
      .Integer("HotGlowColor", SKIN_FIELD(C, HotGlowColor))
      .Integer("GlowColor", SKIN_FIELD(C, GlowColor))
      .Integer("HotGlowSize", SKIN_FIELD(C, HotGlowSize))
      .Integer("GlowSize", SKIN_FIELD(C, GlowSize));
}

VCL_PUBLISHED(TsSkinImage, p) {
  using C = TsSkinImage;
  p.String("SectionName", SKIN_FIELD(C, SectionName))
      .Object("Image", &C::Image, &C::SetImage)
      .String("Name", SKIN_FIELD(C, Name))
      .String("PropertyName", SKIN_FIELD(C, PropertyName))
      .Integer("Left", SKIN_FIELD(C, Left))
      .Integer("Top", SKIN_FIELD(C, Top))
      .Integer("Right", SKIN_FIELD(C, Right))
      .Integer("Bottom", SKIN_FIELD(C, Bottom))
      .Integer("ImageCount", SKIN_FIELD(C, ImageCount))
      .Integer("MaskType", SKIN_FIELD(C, MaskType))
      .Integer("BorderWidth", SKIN_FIELD(C, BorderWidth))
      .Integer("StretchMode", SKIN_FIELD(C, StretchMode))
      .Enum("ImgType", SKIN_FIELD(C, ImgType),
            {"itisaBorder", "itisaTexture", "itisaGlyph", "itisaGlow", "itisaPngGlyph"})
      .Integer("WL", SKIN_FIELD(C, WL))
      .Integer("WR", SKIN_FIELD(C, WR))
      .Integer("WT", SKIN_FIELD(C, WT))
      .Integer("WB", SKIN_FIELD(C, WB));
}

VCL_PUBLISHED(TsSkinPattern, p) {
  using C = TsSkinPattern;
  p.String("SectionName", SKIN_FIELD(C, SectionName))
      .Object("Image", &C::Image, &C::SetImage)
      .String("Name", SKIN_FIELD(C, Name))
      .String("PropertyName", SKIN_FIELD(C, PropertyName));
}

VCL_PUBLISHED(TsStoredSkin, p) {
  using C = TsStoredSkin;
  p.String("Name", &C::Name, &C::SetName)
      .Object("GeneralData", &C::GeneralData, &C::SetGeneralData)
      .Object("Images", &C::Images, &C::SetImages)
      .Object("Patterns", &C::Patterns, &C::SetPatterns)
      .Object("MasterBitmap", &C::MasterBitmap, &C::SetMasterBitmap)
      .Integer("Shadow1Color", SKIN_FIELD(C, Shadow1Color))
      .Integer("Shadow1Offset", SKIN_FIELD(C, Shadow1Offset))
      .Integer("Shadow1Blur", SKIN_FIELD(C, Shadow1Blur), -1)
      .Integer("Shadow1Transparency", SKIN_FIELD(C, Shadow1Transparency))
      .Integer("BorderColor", SKIN_FIELD(C, BorderColor), 0xFF00FF)
      .Float("Version", SKIN_FIELD(C, Version))
      .String("Author", SKIN_FIELD(C, Author))
      .String("Description", SKIN_FIELD(C, Description));
}

}  // namespace skin
