#include "imaging/model/routines/filter_presets.h"

#include <vector>

#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

struct TNamedPreset {
  const char* name;
  Convolution3x3 preset;
};

const TNamedPreset kBuiltIn[] = {
    {"None", {{0, 0, 0, 0, 1, 0, 0, 0, 0}, 0}},
    {"Blur", {{1, 1, 1, 1, 1, 1, 1, 1, 1}, 9}},
    {"Edges", {{1, 1, 1, 1, -8, 1, 1, 1, 1}, 1}},
    {"Emboss", {{-1, 0, 1, -1, 1, 1, -1, 0, 1}, 1}},
    {"High Pass 1", {{0, -1, 0, -1, 5, -1, 0, -1, 0}, 1}},
    {"High Pass 2", {{-1, -1, -1, -1, 9, -1, -1, -1, -1}, 1}},
    {"High Pass 3", {{1, -2, 1, -2, 5, -2, 1, -2, 1}, 1}},
    {"Low Pass 1", {{1, 1, 1, 1, 1, 1, 1, 1, 1}, 10}},
    {"Low Pass 2", {{1, 2, 1, 2, 4, 2, 1, 2, 1}, 16}},
};

std::vector<Convolution3x3>& Presets() {
  static std::vector<Convolution3x3> presets;
  return presets;
}

std::vector<std::string>& Names() {
  static std::vector<std::string> names;
  return names;
}

void CheckIndex(int32_t index) {
  if (index < 0 || index >= FilterPresetCount())
    throw vcl::EListError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace

void InitFilterPresets() {
  FreeFilterPresets();
  for (const TNamedPreset& entry : kBuiltIn) AddFilterPreset(entry.preset, entry.name);
}

void FreeFilterPresets() {
  Presets().clear();
  Names().clear();
}

int32_t AddFilterPreset(const Convolution3x3& preset, const std::string& name) {
  Presets().push_back(preset);
  Names().push_back(name);
  return static_cast<int32_t>(Presets().size()) - 1;
}

int32_t FilterPresetCount() { return static_cast<int32_t>(Presets().size()); }

const Convolution3x3& FilterPreset(int32_t index) {
  CheckIndex(index);
  return Presets()[index];
}

const std::string& FilterPresetName(int32_t index) {
  CheckIndex(index);
  return Names()[index];
}

const Convolution3x3& BlurFilterPreset() { return kBuiltIn[1].preset; }

}  // namespace imaging
