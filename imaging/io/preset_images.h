// The library's preset images: four PNG pictures kept in the program, each with a rectangle
// of interest. Built by the library's shared start-up (slot ieshPresetIm) and freed by its
// shut-down.
#pragma once

#include <cstdint>
#include <vector>

#include "vcl/runtime/win.h"

namespace imaging {

struct TIEPresetImage {
  int32_t Size = 0;                // bytes of Data
  const uint8_t* Data = nullptr;   // the encoded picture, owned by the list
  int32_t FileType = 0;            // 8, PNG
  RECT Rect{0, 0, 0, 0};           // left, top, right, bottom
};

// The four preset images after the start-up, in their order; empty before and after.
const std::vector<TIEPresetImage>& IEPresetImages();

void IEPresetImStaticInit();
void IEPresetImStaticFinalize();

}  // namespace imaging
