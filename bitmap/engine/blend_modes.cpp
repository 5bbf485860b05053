#include "bitmap/engine/blend_modes.h"

#include <cmath>

#include "bitmap/engine/blend_mode_math.h"
#include "bitmap/engine/lanes.h"

namespace bitmap {

const std::array<uint8_t, 65536>& SqrtTable() {
  static const std::array<uint8_t, 65536> table = [] {
    std::array<uint8_t, 65536> t{};
    for (int i = 0; i < 65536; ++i) t[i] = uint8_t(std::nearbyint(std::sqrt(double(i))));
    return t;
  }();
  return table;
}

namespace lanes {
ScalarLanes::Int ScalarLanes::SqrtRound(Int a) { return SqrtTable()[uint32_t(a) & 0xFFFF]; }
}  // namespace lanes

namespace {

using lanes::BlendModeId;
using Math = lanes::BlendModeMath<lanes::ScalarLanes>;

template <int Mode>
inline void CombineOne(TColor32 F, TColor32& B, TColor32 M) {
  const uint32_t c = ((F >> 24) * (M & 0xFF)) >> 8;
  if (c == 0) return;
  if constexpr (Mode == lanes::kNormal) {
    if (F == B) return;
  }
  B = Math::Combine<Mode>(F, B, int32_t(c));
}

}  // namespace

void BlendNormal(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kNormal>(F, B, M); }
void BlendMultiply(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kMultiply>(F, B, M); }
void BlendScreen(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kScreen>(F, B, M); }
void BlendOverlay(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kOverlay>(F, B, M); }
void BlendReflect(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kReflect>(F, B, M); }
void BlendSoftLight(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kSoftLight>(F, B, M); }
void BlendBrightLight(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kBrightLight>(F, B, M); }
void BlendHardLight(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kHardLight>(F, B, M); }
void BlendColorDodge(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kColorDodge>(F, B, M); }
void BlendColorBurn(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kColorBurn>(F, B, M); }
void BlendLighten(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kLighten>(F, B, M); }
void BlendDarken(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kDarken>(F, B, M); }
void BlendAdditive(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kAdditive>(F, B, M); }
void BlendSubtractive(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kSubtractive>(F, B, M); }
void BlendAverage(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kAverage>(F, B, M); }
void BlendDifference(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kDifference>(F, B, M); }
void BlendExclusion(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kExclusion>(F, B, M); }
void BlendNegation(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kNegation>(F, B, M); }
void BlendGlow(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kGlow>(F, B, M); }
void BlendHeat(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kHeat>(F, B, M); }
void BlendFreeze(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kFreeze>(F, B, M); }
void BlendRed(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kRed>(F, B, M); }
void BlendGreen(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kGreen>(F, B, M); }
void BlendBlue(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kBlue>(F, B, M); }
void BlendHue(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kHue>(F, B, M); }
void BlendSaturation(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kSaturation>(F, B, M); }
void BlendLightness(TColor32 F, TColor32& B, TColor32 M) { CombineOne<lanes::kLightness>(F, B, M); }

namespace {

struct ModeEntry {
  const char* name;
  TPixelCombineEvent combiner;
};

constexpr ModeEntry kModes[BlendModeCount] = {
    {"Normal", TPixelCombineEvent::Of<&BlendNormal>()},
    {"Multiply", TPixelCombineEvent::Of<&BlendMultiply>()},
    {"Screen", TPixelCombineEvent::Of<&BlendScreen>()},
    {"Overlay", TPixelCombineEvent::Of<&BlendOverlay>()},
    {"Reflect", TPixelCombineEvent::Of<&BlendReflect>()},
    {"Soft Light", TPixelCombineEvent::Of<&BlendSoftLight>()},
    {"Bright Light", TPixelCombineEvent::Of<&BlendBrightLight>()},
    {"Hard Light", TPixelCombineEvent::Of<&BlendHardLight>()},
    {"Color Dodge", TPixelCombineEvent::Of<&BlendColorDodge>()},
    {"Color Burn", TPixelCombineEvent::Of<&BlendColorBurn>()},
    {"Lighten", TPixelCombineEvent::Of<&BlendLighten>()},
    {"Darken", TPixelCombineEvent::Of<&BlendDarken>()},
    {"Additive", TPixelCombineEvent::Of<&BlendAdditive>()},
    {"Subtractive", TPixelCombineEvent::Of<&BlendSubtractive>()},
    {"Average", TPixelCombineEvent::Of<&BlendAverage>()},
    {"Difference", TPixelCombineEvent::Of<&BlendDifference>()},
    {"Exclusion", TPixelCombineEvent::Of<&BlendExclusion>()},
    {"Negation", TPixelCombineEvent::Of<&BlendNegation>()},
    {"Glow", TPixelCombineEvent::Of<&BlendGlow>()},
    {"Heat", TPixelCombineEvent::Of<&BlendHeat>()},
    {"Freeze", TPixelCombineEvent::Of<&BlendFreeze>()},
    {"Red", TPixelCombineEvent::Of<&BlendRed>()},
    {"Green", TPixelCombineEvent::Of<&BlendGreen>()},
    {"Blue", TPixelCombineEvent::Of<&BlendBlue>()},
    {"Hue", TPixelCombineEvent::Of<&BlendHue>()},
    {"Saturation", TPixelCombineEvent::Of<&BlendSaturation>()},
    {"Lightness", TPixelCombineEvent::Of<&BlendLightness>()},
};

// Builds the square-root table during start-up, before any drawing.
const bool g_sqrtTableBuilt = (SqrtTable(), true);

}  // namespace

std::string BlendModeName(int32_t index) {
  return index >= 0 && index < BlendModeCount ? kModes[index].name : "";
}

std::unique_ptr<vcl::TStringList> BlendModeNameList() {
  auto list = std::make_unique<vcl::TStringList>();
  for (int32_t i = 0; i < BlendModeCount; ++i) list->Add(BlendModeName(i));
  return list;
}

TPixelCombineEvent BlendModeCombineEvent(int32_t index) {
  return index >= 0 && index < BlendModeCount ? kModes[index].combiner : TPixelCombineEvent();
}

int32_t BlendModeIndexOf(const TPixelCombineEvent& event) {
  if (!event.Assigned()) return -1;
  for (int32_t i = 0; i < BlendModeCount; ++i)
    if (kModes[i].combiner == event) return i;
  return -1;
}

}  // namespace bitmap
