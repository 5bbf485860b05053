// Choosing a skin's source and reading it into the model: the packed file, the skin folder or
// a stored skin (its container, or the older stored collections).
#include "skin/engine/skin_convertor.h"
#include "skin/engine/skin_images.h"
#include "skin/engine/skin_ini.h"
#include "skin/engine/section_values.h"
#include "skin/engine/skin_manager.h"
#include "vcl/runtime/sysutils.h"

namespace skin {

namespace {

std::string ReadText(vcl::TStream* stream) {
  std::string text(size_t(stream->Size()), '\0');
  stream->SetPosition(0);
  if (!text.empty()) stream->ReadBuffer(text.data(), int32_t(text.size()));
  return text;
}

// The number at 1-based positions [pos, pos + len) of a mask value; EConvertError when the
// value is too short or the text is no number.
int32_t Digits(const std::string& value, size_t pos, size_t len) {
  std::string part = pos - 1 < value.size() ? value.substr(pos - 1, len) : std::string();
  return vcl::StrToInt(part);
}

std::vector<std::string> Split(const std::string& text, const char* separators) {
  std::vector<std::string> words;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of(separators, pos);
    if (end == std::string::npos) end = text.size();
    if (end > pos) words.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return words;
}

// Margins of a mask that gave none: one third of a frame on each side. Frame
// counts below 1 and mask types below 0 count as 1 and 0, so no value divides by zero.
void ComputeMargins(TsMaskData& m) {
  int32_t count = std::max<int32_t>(m.ImageCount, 1);
  int32_t type = std::max<int32_t>(m.MaskType, 0);
  m.WL = m.WR = int16_t((m.ImageRect.right - m.ImageRect.left) / (count * 3));
  m.WT = m.WB = int16_t((m.ImageRect.bottom - m.ImageRect.top) / ((type + 1) * 3));
}

void MarginsFromBorderWidth(TsMaskData& m) {
  if (m.WL == 0 && m.WT == 0 && m.WR == 0 && m.WB == 0) {
    if (m.BorderWidth != 0)
      m.WL = m.WT = m.WR = m.WB = m.BorderWidth;
    else
      ComputeMargins(m);
  }
}

void ReadRect(TsMaskData& m, const std::string& v) {
  m.ImageRect = {Digits(v, 2, 4), Digits(v, 7, 4), Digits(v, 12, 4), Digits(v, 17, 4)};
}

// The legacy "name (l, t, r, b) (count, type, border, stretch)" form.
bool ReadLegacyMask(TsMaskData& m, const std::string& value) {
  std::vector<std::string> words = Split(value, " ()");
  if (words.size() < 3) return false;
  std::vector<std::string> rect = Split(words[1], " ,");
  std::vector<std::string> params = Split(words[2], " ,");
  if (rect.size() < 4 || params.size() < 2) return false;
  m.ImageRect = {vcl::StrToInt(rect[0]), vcl::StrToInt(rect[1]), vcl::StrToInt(rect[2]), vcl::StrToInt(rect[3])};
  m.ImageCount = int16_t(std::max(vcl::StrToInt(params[0]), 1));
  m.MaskType = int16_t(std::max(vcl::StrToInt(params[1]), 0));
  m.BorderWidth = int16_t(params.size() > 2 ? std::max(vcl::StrToInt(params[2]), 0) : 0);
  m.StretchMode = int16_t(params.size() > 3 ? vcl::StrToInt(params[3]) : 1);
  MarginsFromBorderWidth(m);
  return true;
}

}  // namespace

bool TsSkinManager::LoadCurrentSkin(bool fullLoad) {
  struct TSnapshot {
    TsSkinData data;
    TsGeneralDataArray sections;
    TsMaskArray masks;
    TsPatternArray patterns;
    std::unique_ptr<vcl::TBitmap> master;
    bool fromContainer, loaded, active;
    TacCommonIndexes indexes;
  } old{*skinData_, std::move(Sections), std::move(Masks), std::move(Patterns), std::move(masterBitmap_),
        ImagesFromContainer, modelLoaded_, active_, CommonIndexes};
  masterBitmap_ = std::make_unique<vcl::TBitmap>();
  Sections.clear();
  Masks.clear();
  Patterns.clear();
  GlobalSkinChanging = true;
  // A new skin is inactive until command 1 has gone out; a reload keeps its state, since only
  // the refresh follows it.
  if (fullLoad) skinData_->Active = false;
  try {
    std::string packed = skinDirectory_;
    if (packed.empty() || packed.back() != '\\') packed += '\\';
    packed += skinName_ + ".asz";
    ImagesFromContainer = vcl::FileExists(packed);
    if (ImagesFromContainer)
      LoadPackedSkin();
    else
      LoadFolderOrStoredSkin();
    if (active_) {
      modelLoaded_ = true;
      ResolveCommonIndexes();
    }
    lastLoadError_.clear();
    GlobalSkinChanging = false;
    return true;
  } catch (const std::exception& e) {
    // The skin cannot be read: the previous one (or none) stays, with its broadcast state.
    lastLoadError_ = e.what();
    *skinData_ = old.data;
    Sections = std::move(old.sections);
    Masks = std::move(old.masks);
    Patterns = std::move(old.patterns);
    masterBitmap_ = std::move(old.master);
    ImagesFromContainer = old.fromContainer;
    modelLoaded_ = old.loaded;
    active_ = old.active;
    CommonIndexes = old.indexes;
    GlobalSkinChanging = false;
    return false;
  }
}

void TsSkinManager::LoadPackedSkin() {
  std::string packed = skinDirectory_;
  if (packed.empty() || packed.back() != '\\') packed += '\\';
  packed += skinName_ + ".asz";
  std::unique_ptr<TacSkinConvertor> container;
  TacSkinConvertor::LoadFromFile(packed, container);
  // The file went away between the test and the read: no container, no skin.
  if (!container) throw vcl::Exception(NotPackedSkinMessage);
  TacSkinIni ini(ReadText(container->OptionsStream.get()));
  skinData_->SkinFolder = GetFullSkinDirectory();
  LoadFromIni(ini, container.get());
}

void TsSkinManager::LoadFolderOrStoredSkin() {
  std::string folder = GetFullSkinDirectory() + skinName_ + "\\";
  std::string options = folder + "Options.dat";
  if (!skinName_.empty() && vcl::FileExists(options)) {
    ImagesFromContainer = false;
    vcl::TMemoryStream data;
    data.LoadFromFile(options);
    TacSkinIni ini(ReadText(&data));
    skinData_->SkinFolder = folder;
    LoadFromIni(ini, nullptr);
    return;
  }
  skinData_->SkinFolder.clear();
  int index = internalSkins_->IndexOf(skinName_);
  if (index < 0) {
    if (internalSkins_->Count() == 0) {
      active_ = false;
      return;
    }
    index = 0;
    skinName_ = internalSkins_->Items(0)->Name();
  }
  TsStoredSkin* item = internalSkins_->Items(index);
  if (item->PackedData()->Size() > 0) {
    ImagesFromContainer = true;
    TacSkinConvertor container;
    container.SetPackedStream(item->PackedData(), false);
    container.Parse();
    TacSkinIni ini(ReadText(container.OptionsStream.get()));
    LoadFromIni(ini, &container);
  } else {
    ImagesFromContainer = false;
    LoadFromStoredCollections(item);
  }
}

void TsSkinManager::LoadFromIni(const TacSkinIni& ini, TacSkinConvertor* container) {
  const TacSkinIni common(commonSections_->Text());
  LoadMasks(ini, common, container);
  LoadPatterns(ini, common, container);
  LoadSections(ini, common);
}

void TsSkinManager::LoadMasks(const TacSkinIni& ini, const TacSkinIni& common, TacSkinConvertor* container) {
  const std::string& folder = skinData_->SkinFolder;
  std::string masterName = ini.ReadString("GLOBALINFO", "MASTERBITMAP", "");
  if (!masterName.empty())
    if (auto master = LoadSkinImage(masterName, container, folder, false)) masterBitmap_->Assign(master.get());
  masterBitmap_->SetPixelFormat(vcl::pf24bit);
  masterBitmap_->SetTransparentColor(SkinKeyColor);

  auto addOwnImageMask = [&](TsMaskData m, std::shared_ptr<vcl::TBitmap> image) {
    m.ImageRect = {0, 0, image->Width(), image->Height()};
    m.Image = std::move(image);
    m.Manager = this;
    Masks.push_back(std::move(m));
  };
  for (const TacSkinIni::TSection& section : ini.Sections()) {
    const bool global = vcl::SameText(section.Name, "GLOBALINFO");
    for (const TacSkinIni::TKey& key : section.Keys) {
      if (global && vcl::SameText(key.Name, "MASTERBITMAP")) continue;
      const std::string& v = key.Value;
      if (v.empty()) continue;
      TsMaskData m;
      m.SectionName = section.Name;
      m.PropertyName = key.Name;
      m.Manager = this;
      if (v[0] == '@') {
        ReadRect(m, v);
        m.ImageCount = int16_t(Digits(v, 22, 1));
        m.MaskType = int16_t(Digits(v, 24, 1));
        m.ImgType = itisaGlyph;
        Masks.push_back(std::move(m));
      } else if (v[0] == '^') {
        ReadRect(m, v);
        m.WL = int16_t(Digits(v, 22, 4));
        m.WT = int16_t(Digits(v, 27, 4));
        m.WR = int16_t(Digits(v, 32, 4));
        m.WB = int16_t(Digits(v, 37, 4));
        m.ImageCount = int16_t(Digits(v, 42, 1));
        m.MaskType = int16_t(Digits(v, 44, 1));
        m.StretchMode = int16_t(Digits(v, 46, 1));
        m.BorderWidth = int16_t(Digits(v, 48, 1));
        m.ImgType = itisaBorder;
        MarginsFromBorderWidth(m);
        Masks.push_back(std::move(m));
      } else if (v[0] == '~') {
        ReadRect(m, v);
        m.ImageCount = 1;
        m.StretchMode = int16_t(Digits(v, 22, 2));
        m.MaskType = int16_t(v.size() > 24 ? Digits(v, 25, 1) : 0);
        m.ImgType = itisaTexture;
        Masks.push_back(std::move(m));
      } else if (v[0] == '!') {
        std::vector<std::string> words = Split(v, "!");
        if (words.size() < 4) continue;
        if (words[0].find(".BMP") == std::string::npos && words[0].find(".PNG") == std::string::npos) continue;
        m.ImageCount = int16_t(vcl::StrToInt(words[1]));
        m.MaskType = int16_t(vcl::StrToInt(words[2]));
        m.ImgType = TacImgType(std::clamp(vcl::StrToInt(words[3]), 0, 4));
        m.StretchMode = 4;
        auto image = LoadSkinImage(words[0], container, folder, true);
        if (!image) continue;
        if (words[0].find(".BMP") != std::string::npos && m.ImgType != itisaTexture)
          image->SetPixelFormat(vcl::pf24bit);
        m.ImageRect = {0, 0, image->Width(), image->Height()};
        if (words.size() >= 8) {
          m.WL = int16_t(vcl::StrToInt(words[4]));
          m.WT = int16_t(vcl::StrToInt(words[5]));
          m.WR = int16_t(vcl::StrToInt(words[6]));
          m.WB = int16_t(vcl::StrToInt(words[7]));
        } else {
          ComputeMargins(m);
        }
        addOwnImageMask(std::move(m), std::move(image));
      } else if (v.find('#') != std::string::npos && v != "#") {
        m.SectionName = vcl::UpperCase(m.SectionName);
        m.PropertyName = vcl::UpperCase(m.PropertyName);
        if (ReadLegacyMask(m, v)) Masks.push_back(std::move(m));
      } else if (vcl::UpperCase(v).find(".BMP") != std::string::npos) {
        auto image = LoadSkinImage(vcl::UpperCase(v), container, folder, false);
        if (!image) continue;
        image->SetPixelFormat(vcl::pf24bit);
        m.SectionName = vcl::UpperCase(m.SectionName);
        m.PropertyName = vcl::UpperCase(m.PropertyName);
        m.ImageCount = 3;
        m.MaskType = 1;
        m.ImageRect = {0, 0, image->Width(), image->Height()};
        ComputeMargins(m);
        addOwnImageMask(std::move(m), std::move(image));
      }
    }
  }
  for (const TacSkinIni::TSection& section : common.Sections()) {
    if (vcl::SameText(section.Name, "GLOBALINFO")) continue;
    for (const TacSkinIni::TKey& key : section.Keys) {
      TsMaskData m;
      m.SectionName = vcl::UpperCase(section.Name);
      m.PropertyName = vcl::UpperCase(key.Name);
      m.Manager = this;
      if (masterBitmap_->Empty() || key.Value.find('#') == std::string::npos) {
        if (vcl::UpperCase(key.Value).find(".BMP") == std::string::npos) continue;
        auto image = LoadSkinImage(vcl::UpperCase(key.Value), nullptr, folder, false);
        if (!image) continue;
        m.ImageCount = 3;
        m.MaskType = 1;
        m.ImageRect = {0, 0, image->Width(), image->Height()};
        ComputeMargins(m);
        addOwnImageMask(std::move(m), std::move(image));
      } else if (key.Value != "#") {
        if (ReadLegacyMask(m, key.Value)) Masks.push_back(std::move(m));
      }
    }
  }

}

void TsSkinManager::LoadPatterns(const TacSkinIni& ini, const TacSkinIni& common, TacSkinConvertor* container) {
  const std::string& folder = skinData_->SkinFolder;
  auto isJpeg = [](const std::string& upper) {
    return upper.find(".JPG") != std::string::npos || upper.find(".JPEG") != std::string::npos;
  };
  for (const TacSkinIni::TSection& section : ini.Sections()) {
    for (const TacSkinIni::TKey& key : section.Keys) {
      std::string upper = vcl::UpperCase(key.Value);
      if (!isJpeg(upper)) continue;
      auto jpeg = LoadSkinJpeg(upper, container, folder);
      if (!jpeg) continue;
      if (int64_t(jpeg->Width()) * jpeg->Height() >= 90000) {
        Patterns.push_back({jpeg, vcl::UpperCase(section.Name), vcl::UpperCase(key.Name)});
      } else {
        // Small textures are cheaper to paint as masks.
        TsMaskData m;
        m.Image = std::make_shared<vcl::TBitmap>();
        m.Image->Assign(jpeg.get());
        m.ImgType = itisaTexture;
        m.ImageCount = 1;
        m.SectionName = vcl::UpperCase(section.Name);
        m.PropertyName = vcl::UpperCase(key.Name);
        m.Manager = this;
        Masks.push_back(std::move(m));
      }
    }
  }
  for (const TacSkinIni::TSection& section : common.Sections())
    for (const TacSkinIni::TKey& key : section.Keys) {
      std::string upper = vcl::UpperCase(key.Value);
      if (!isJpeg(upper)) continue;
      if (auto jpeg = LoadSkinJpeg(key.Value, nullptr, folder))
        Patterns.push_back({jpeg, vcl::UpperCase(section.Name), vcl::UpperCase(key.Name)});
    }

}

void TsSkinManager::LoadSections(const TacSkinIni& ini, const TacSkinIni& common) {
  TsSkinData& d = *skinData_;
  {
    vcl::TFormatSettings settings = vcl::FormatSettings;
    settings.DecimalSeparator = '.';
    long double version = 0;
    d.Version = vcl::TextToFloat(ini.ReadString("GLOBALINFO", "VERSION", "0"), version, settings) ? double(version) : 0;
  }
  auto int16 = [&](const char* key, int32_t def) { return int16_t(ini.ReadInteger("GLOBALINFO", key, def)); };
  auto converted = [&](const char* key, const char* def) {
    return int16_t(vcl::StrToInt(ini.ReadString("GLOBALINFO", key, def)));
  };
  d.Author = ini.ReadString("GLOBALINFO", "AUTHOR", "");
  d.Description = ini.ReadString("GLOBALINFO", "DESCRIPTION", "");
  d.BorderWidth = int16("BORDERWIDTH", 4);
  d.TitleHeight = int16("TITLEHEIGHT", 30);
  d.MaxHeight = int16("MAXHEIGHT", 0);
  if (d.MaxHeight == 0) d.MaxHeight = d.TitleHeight;
  d.FormOffset = int16("FORMOFFSET", 8);
  d.CenterOffset = int16("CENTEROFFSET", 0);
  d.BorderMode = int16("BORDERMODE", 0);
  d.Shadow1Color = ini.ReadInteger("GLOBALINFO", "SHADOW1COLOR", 0);
  d.Shadow1Offset = converted("SHADOW1OFFSET", "0");
  d.Shadow1Blur = converted("SHADOW1BLUR", "-1");
  d.Shadow1Transparency = converted("SHADOW1TRANSPARENCY", "0");
  d.BiSpace = int16("BISPACE", 0);
  d.BiVAlign = int16("BIVALIGN", 0);
  d.BiRight = int16("BIRIGHT", 0);
  d.BiLeft = int16("BILEFT", 0);
  d.BorderColor = ini.ReadInteger("GLOBALINFO", "BORDERCOLOR", 0);
  d.BiKeepHue = int16("BIKEEPHUE", 0);
  d.CloseGlow = converted("BICONCLOSEGLOW", "0");
  d.CloseGlowMargin = converted("BICONCLOSEGLOWMARGIN", "0");
  d.MaxGlow = converted("BICONMAXGLOW", "0");
  d.MaxGlowMargin = converted("BICONMAXGLOWMARGIN", "0");
  d.MinGlow = converted("BICONMINGLOW", "0");
  d.MinGlowMargin = converted("BICONMINGLOWMARGIN", "0");

  CheckSkinVersion();

  Sections.clear();
  ReadIniSections(ini, Sections);
  // The extra sections the skin does not have yet; what they do not write comes from the skin
  // section their PARENTCLASS names, as that section was loaded.
  const size_t skinSections = Sections.size();
  for (size_t i = 0; i < common.Sections().size(); ++i) {
    const TacSkinIni::TSection& section = common.Sections()[i];
    if (FindSectionIndex(section.Name) >= 0) continue;
    std::string parentName = vcl::UpperCase(common.ReadString(section.Name, "PARENTCLASS", "-1"));
    const int parent = ini.SectionIndex(parentName);
    const TsGeneralData* parentRecord =
        parent >= 0 && size_t(parent) < skinSections ? &Sections[size_t(parent)] : nullptr;
    TsGeneralData g = ReadCommonSection(common, int(i), parentRecord);
    g.ParentClass = std::move(parentName);
    Sections.push_back(std::move(g));
  }

  ResolveSectionBorders();
  ApplyHueOffset(hueOffset_);
  ApplySaturation(saturation_);
}

void TsSkinManager::LoadFromStoredCollections(TsStoredSkin* item) {
  masterBitmap_->Assign(item->MasterBitmap());
  masterBitmap_->SetPixelFormat(vcl::pf24bit);
  masterBitmap_->SetTransparentColor(SkinKeyColor);
  TsSkinImages* images = item->Images();
  for (int i = 0; i < images->Count(); ++i) {
    TsSkinImage* s = images->Items(i);
    TsMaskData m;
    if (!s->Name.empty() && !s->Image()->Empty()) {
      m.Image = std::make_shared<vcl::TBitmap>();
      m.Image->Assign(s->Image());
      m.Image->SetPixelFormat(vcl::pf24bit);
      m.ImageRect = {0, 0, m.Image->Width(), m.Image->Height()};
    } else {
      m.ImageRect = {s->Left, s->Top, s->Right, s->Bottom};
    }
    m.PropertyName = vcl::UpperCase(s->PropertyName);
    m.SectionName = vcl::UpperCase(s->SectionName);
    m.ImageCount = int16_t(s->ImageCount);
    m.MaskType = int16_t(s->MaskType);
    if (m.ImageCount == 0) {
      m.MaskType = 1;
      m.ImageCount = 3;
    }
    m.BorderWidth = int16_t(s->BorderWidth);
    m.StretchMode = int16_t(s->StretchMode);
    m.ImgType = TacImgType(std::min<int>(s->ImgType, 4));
    m.WL = int16_t(s->WL);
    m.WT = int16_t(s->WT);
    m.WR = int16_t(s->WR);
    m.WB = int16_t(s->WB);
    if (m.WL + m.WT + m.WR + m.WB == 0) MarginsFromBorderWidth(m);
    m.Manager = this;
    Masks.push_back(std::move(m));
  }
  TsSkinPatterns* patterns = item->Patterns();
  for (int i = 0; i < patterns->Count(); ++i) {
    TsSkinPattern* s = patterns->Items(i);
    vcl::TJPEGImage* source = s->Image();
    if (source->Empty())
      for (int j = 0; j < patterns->Count(); ++j)
        if (j != i && patterns->Items(j)->Name == s->Name && !patterns->Items(j)->Image()->Empty()) {
          source = patterns->Items(j)->Image();
          break;
        }
    auto jpeg = std::make_shared<vcl::TJPEGImage>();
    if (!source->Empty()) jpeg->Assign(source);
    Patterns.push_back({jpeg, vcl::UpperCase(s->SectionName), vcl::UpperCase(s->PropertyName)});
  }

  TsSkinData& d = *skinData_;
  d.Version = item->Version;
  d.Author = item->Author;
  d.Description = item->Description;
  d.Shadow1Color = item->Shadow1Color;
  d.Shadow1Offset = int16_t(item->Shadow1Offset);
  d.Shadow1Blur = int16_t(item->Shadow1Blur);
  d.Shadow1Transparency = int16_t(item->Shadow1Transparency);
  d.BorderColor = item->BorderColor;

  auto fontColours = [](const std::string& text, int32_t (&colours)[5]) {
    std::vector<std::string> words = Split(text, " ");
    static const int32_t defaults[5] = {0, -1, -1, -1, -1};
    for (int i = 0; i < 5; ++i) colours[i] = words.size() == 5 ? vcl::StrToInt(words[size_t(i)]) : defaults[i];
  };
  TsSkinGenerals* generals = item->GeneralData();
  for (int i = 0; i < generals->Count(); ++i) {
    TsSkinGeneral* s = generals->Items(i);
    TsGeneralData g;
    g.SectionName = s->SectionName;
    g.ParentClass = s->ParentClass;
    g.Color = s->Color;
    g.ReservedBoolean = s->ReservedBoolean;
    g.GiveOwnFont = s->GiveOwnFont;
    g.GlowCount = s->GlowCount;
    g.GlowMargin = s->GlowMargin;
    g.Transparency = s->Transparency;
    g.GradientPercent = s->GradientPercent;
    g.ImagePercent = s->ImagePercent;
    g.GradientData = s->GradientData;
    ParseGradientData(g.GradientData, g.GradientArray);
    g.ShowFocus = s->ShowFocus;
    g.FadingEnabled = s->FadingEnabled;
    g.FadingIterations = s->FadingIterations;
    g.HotColor = s->HotColor;
    g.HotTransparency = s->HotTransparency;
    g.HotGradientPercent = s->HotGradientPercent;
    g.HotGradientData = s->HotGradientData;
    ParseGradientData(g.HotGradientData, g.HotGradientArray);
    g.HotImagePercent = s->HotImagePercent;
    g.HotGlowColor = s->HotGlowColor;
    g.HotGlowSize = uint8_t(s->HotGlowSize);
    g.GlowColor = s->GlowColor;
    g.GlowSize = uint8_t(s->GlowSize);
    fontColours(s->HotFontColor, g.HotFontColor);
    fontColours(s->FontColor, g.FontColor);
    Sections.push_back(std::move(g));
  }
  ResolveSectionBorders();
  ApplyHueOffset(hueOffset_);
  ApplySaturation(saturation_);
}

}  // namespace skin
