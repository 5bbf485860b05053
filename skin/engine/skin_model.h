// The loaded skin: skin-wide values (TsSkinData), one TsGeneralData per section, the masks
// (rectangles of the master image or images of their own) and the JPEG patterns. Indexes into
// the arrays are signed; -1 means none.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "skin/engine/gradient_data.h"
#include "skin/engine/skin_types.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"
#include "vcl/graphics/jpeg.h"

namespace skin {

class TsSkinManager;

class TsSkinData {
 public:
  std::string SkinFolder;  // ends in a backslash; empty for a stored skin without container
  bool Active = false;
  double Version = 0;
  std::string Author;
  std::string Description;
  int32_t Shadow1Color = 0;
  int16_t Shadow1Offset = 0;
  int16_t Shadow1Blur = -1;
  int16_t Shadow1Transparency = 0;
  int16_t BorderWidth = 4;
  int16_t TitleHeight = 30;
  int16_t MaxHeight = 30;
  int16_t FormOffset = 8;
  int16_t CenterOffset = 0;
  int16_t BorderMode = 0;
  int32_t BorderColor = 0;
  int16_t BiSpace = 0;
  int16_t BiVAlign = 0;
  int16_t BiRight = 0;
  int16_t BiLeft = 0;
  int16_t BiKeepHue = 0;
  int16_t CloseGlow = 0;
  int16_t CloseGlowMargin = 0;
  int16_t MaxGlow = 0;
  int16_t MaxGlowMargin = 0;
  int16_t MinGlow = 0;
  int16_t MinGlowMargin = 0;
};

struct TsGeneralData {
  std::string ParentClass;
  std::string SectionName;
  int32_t Color = 0xFFFFFF;
  int32_t FontColor[5] = {0, -1, -1, -1, -1};     // text, then contours left, top, right, bottom
  int32_t HotFontColor[5] = {0, -1, -1, -1, -1};
  bool GiveOwnFont = false;
  int32_t GlowCount = 0;
  int32_t GlowMargin = 0;
  bool ReservedBoolean = false;
  int32_t Transparency = 0;
  int32_t GradientPercent = 0;
  std::string GradientData = " ";
  TsGradArray GradientArray;
  int32_t ImagePercent = 0;
  bool ShowFocus = false;
  bool FadingEnabled = false;
  int32_t FadingIterations = 5;
  int32_t HotColor = 0xFFFFFF;
  int32_t HotTransparency = 0;
  int32_t HotGradientPercent = 0;
  std::string HotGradientData;
  TsGradArray HotGradientArray;
  int32_t HotImagePercent = 0;
  int32_t HotGlowColor = 0xFFFFFF;
  int32_t GlowColor = 0xFFFFFF;
  uint8_t HotGlowSize = 0;
  uint8_t GlowSize = 0;
  // -1 for GLOBALINFO too: mask 0 is a real mask, so 0 would paint it as the border.
  int32_t BorderIndex = -1;
  int32_t CornerTopLeft = -1;
  int32_t CornerTopRight = -1;
  int32_t CornerBottomLeft = -1;
  int32_t CornerBottomRight = -1;
};

struct TsMaskData {
  std::shared_ptr<vcl::TBitmap> Image;  // none: a rectangle of the master image
  std::string SectionName;
  std::string PropertyName;
  vcl::TRect ImageRect{};
  int16_t ImageCount = 0;
  int16_t MaskType = 0;
  int16_t BorderWidth = 0;
  int16_t StretchMode = 0;
  TacImgType ImgType = itisaBorder;
  TsSkinManager* Manager = nullptr;
  int16_t WL = 0, WT = 0, WR = 0, WB = 0;
};

struct TsPatternData {
  std::shared_ptr<vcl::TJPEGImage> Image;
  std::string SectionName;   // upper case
  std::string PropertyName;  // upper case
};

using TsGeneralDataArray = std::vector<TsGeneralData>;
using TsMaskArray = std::vector<TsMaskData>;
using TsPatternArray = std::vector<TsPatternData>;

// The width of one state frame of a mask (0 when ImageCount is 0) and the height of one row
// (0 when MaskType is -1).
int32_t MaskFrameWidth(const TsMaskData& mask);
int32_t MaskFrameHeight(const TsMaskData& mask);

}  // namespace skin
