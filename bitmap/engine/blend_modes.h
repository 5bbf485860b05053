// The 27 blend modes: per-pixel combiners in the style of a photo editor's layer modes, their
// names in list order, and the square-root table of "Bright Light".
//
// Every combiner mixes B towards the mode's value by c = (alpha of F * low byte of M) >> 8;
// c = 0 leaves B unchanged, and B's alpha is always kept.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "bitmap/engine/colour32.h"
#include "bitmap/engine/pixel_combine.h"
#include "vcl/classes/stringlist.h"

namespace bitmap {

constexpr int32_t BlendModeCount = 27;

void BlendNormal(TColor32 F, TColor32& B, TColor32 M);
void BlendMultiply(TColor32 F, TColor32& B, TColor32 M);
void BlendScreen(TColor32 F, TColor32& B, TColor32 M);
void BlendOverlay(TColor32 F, TColor32& B, TColor32 M);
void BlendReflect(TColor32 F, TColor32& B, TColor32 M);
void BlendSoftLight(TColor32 F, TColor32& B, TColor32 M);
void BlendBrightLight(TColor32 F, TColor32& B, TColor32 M);
void BlendHardLight(TColor32 F, TColor32& B, TColor32 M);
void BlendColorDodge(TColor32 F, TColor32& B, TColor32 M);
void BlendColorBurn(TColor32 F, TColor32& B, TColor32 M);
void BlendLighten(TColor32 F, TColor32& B, TColor32 M);
void BlendDarken(TColor32 F, TColor32& B, TColor32 M);
void BlendAdditive(TColor32 F, TColor32& B, TColor32 M);
void BlendSubtractive(TColor32 F, TColor32& B, TColor32 M);
void BlendAverage(TColor32 F, TColor32& B, TColor32 M);
void BlendDifference(TColor32 F, TColor32& B, TColor32 M);
void BlendExclusion(TColor32 F, TColor32& B, TColor32 M);
void BlendNegation(TColor32 F, TColor32& B, TColor32 M);
void BlendGlow(TColor32 F, TColor32& B, TColor32 M);
void BlendHeat(TColor32 F, TColor32& B, TColor32 M);
void BlendFreeze(TColor32 F, TColor32& B, TColor32 M);
void BlendRed(TColor32 F, TColor32& B, TColor32 M);
void BlendGreen(TColor32 F, TColor32& B, TColor32 M);
void BlendBlue(TColor32 F, TColor32& B, TColor32 M);
void BlendHue(TColor32 F, TColor32& B, TColor32 M);
void BlendSaturation(TColor32 F, TColor32& B, TColor32 M);
void BlendLightness(TColor32 F, TColor32& B, TColor32 M);

// The name of mode `index` ("Normal" ... "Lightness"); empty outside 0..26.
std::string BlendModeName(int32_t index);
// A new list of the 27 names in index order, for the caller to keep (a mode box's items).
std::unique_ptr<vcl::TStringList> BlendModeNameList();
// The combiner of mode `index`; unassigned for -1 and any other value outside 0..26.
TPixelCombineEvent BlendModeCombineEvent(int32_t index);
// The mode whose combiner `event` is, or -1.
int32_t BlendModeIndexOf(const TPixelCombineEvent& event);

// Entry i = Round(sqrt(i)), built once before first use.
const std::array<uint8_t, 65536>& SqrtTable();

}  // namespace bitmap
