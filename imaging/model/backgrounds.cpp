#include "imaging/model/backgrounds.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/model/gaussian_profile.h"
#include "vcl/runtime/sysutils.h"

namespace imaging {

namespace {

void MakeRgb24(vcl::TBitmap* bitmap, int32_t width, int32_t height) {
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(width, height);
}

}  // namespace

void PaintStripedBackground(vcl::TBitmap* bitmap, int32_t width, int32_t height) {
  MakeRgb24(bitmap, width, height);
  std::vector<double> levels = GaussianProfile(4, 130, 255, 0.5);
  for (int32_t y = 0; y < height; ++y) {
    auto grey = static_cast<uint8_t>(std::trunc(levels[y % 4]));
    std::memset(bitmap->ScanLine(y), grey, 3 * static_cast<size_t>(width));
  }
}

void PaintBrushedBackground(vcl::TBitmap* bitmap, int32_t width, int32_t height) {
  MakeRgb24(bitmap, width, height);
  std::vector<double> levels = GaussianProfile(width, 160, 208, 3);
  int32_t offset = 0;  // carried from row to row
  for (int32_t y = 0; y < height; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap->ScanLine(y));
    int32_t count = 0;
    for (int32_t x = 0; x < width; ++x) {
      auto grey = static_cast<uint8_t>((offset + static_cast<int32_t>(std::trunc(levels[x]))) % 256);
      row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = grey;
      int32_t r = vcl::Random(width);
      if (++count > r + 100) {
        offset = vcl::Random(11);
        count = 0;
      }
    }
  }
}

}  // namespace imaging
