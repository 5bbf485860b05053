// Definitions every module of the image library shares: the luminance weights, the resampling
// filters, the progress event, the previews background and the library version.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "vcl/runtime/system.h"

namespace imaging {

// Weights (in percent) with which the library turns colour into grey; set by the start-up.
extern int32_t GrayWeightRed;
extern int32_t GrayWeightGreen;
extern int32_t GrayWeightBlue;

// (R * GrayWeightRed + G * GrayWeightGreen + B * GrayWeightBlue) div 100.
inline int32_t GrayLevel(int32_t red, int32_t green, int32_t blue) {
  return (red * GrayWeightRed + green * GrayWeightGreen + blue * GrayWeightBlue) / 100;
}

// Background of the I/O parameters preview: 1 striped, 2 brushed, anything else none.
extern uint8_t PreviewsBackground;

enum TResampleFilter {
  rfNone,
  rfTriangle,
  rfHermite,
  rfBell,
  rfBSpline,
  rfLanczos3,
  rfMitchell,
  rfNearest,
  rfLinear,
  rfFastLinear,
  rfBilinear,
  rfBicubic,
  rfProjectBW,
  rfProjectWB
};

// Progress of a long operation: the sender and the percentage done.
using TIEProgressEvent = std::function<void(vcl::TObject* sender, int32_t per)>;

// The library's version, which the views report and can draw.
extern const std::string LibraryVersion;

// Start-up and shut-down hooks of the definitions.
void HYIEDefsStaticInit();
void HYIEDefsStaticFinalize();

}  // namespace imaging
