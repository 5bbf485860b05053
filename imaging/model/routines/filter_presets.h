// The library's named 3 x 3 convolution presets: "None", "Blur", "Edges", "Emboss", three high
// passes and two low passes, built at start-up; more can be added while the program runs.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/model/routines/convolution3x3.h"

namespace imaging {

// Builds the list with the nine built-in presets (dropping any added before).
void InitFilterPresets();
// Empties the list.
void FreeFilterPresets();
// Appends a copy of the preset and its name; returns its index.
int32_t AddFilterPreset(const Convolution3x3& preset, const std::string& name);

int32_t FilterPresetCount();
// Index outside 0 .. count - 1: EListError.
const Convolution3x3& FilterPreset(int32_t index);
const std::string& FilterPresetName(int32_t index);

// The built-in "Blur" preset (index 1): nine weights of 1 over 9.
const Convolution3x3& BlurFilterPreset();

}  // namespace imaging
