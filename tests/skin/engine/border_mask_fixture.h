// A border mask whose every pixel tells where it came from, and the nine-slice mapping of a
// target pixel to its source pixel, computed on its own, for the mask painters' tests.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_model.h"
#include "vcl/graphics/bitmap.h"

namespace border_mask_fixture {

using namespace skin;

inline constexpr uint32_t kKey = 0xFF00FF;
inline constexpr uint32_t kBackground = 0x123456;

inline std::shared_ptr<vcl::TBitmap> MakeBitmap(int width, int height, uint32_t colour) {
  auto bitmap = std::make_shared<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = static_cast<uint8_t*>(bitmap->ScanLine(y)) + x * 3;
      p[0] = uint8_t(colour >> 16), p[1] = uint8_t(colour >> 8), p[2] = uint8_t(colour);
    }
  return bitmap;
}

inline uint32_t Get(vcl::TBitmap* bitmap, int x, int y) {
  const uint8_t* p = static_cast<uint8_t*>(bitmap->ScanLine(y)) + x * 3;
  return p[2] | (p[1] << 8) | (p[0] << 16);
}

inline void Set(vcl::TBitmap* bitmap, int x, int y, uint32_t colour) {
  uint8_t* p = static_cast<uint8_t*>(bitmap->ScanLine(y)) + x * 3;
  p[0] = uint8_t(colour >> 16), p[1] = uint8_t(colour >> 8), p[2] = uint8_t(colour);
}

// A pixel of frame `frame` at (x, y) of the frame: a colour that tells every source pixel apart.
inline uint32_t FramePixel(int frame, int x, int y) { return uint32_t(0x20 + frame * 0x40) | (x << 8) << 3 | (y << 16) << 3; }

// A mask of `frames` frames of 8 x 8 side by side with margins of 3 and rounded corners: the
// outermost pixel of every corner and its two neighbours are the key colour. One key pixel
// also sits in the top edge.
struct BorderMask {
  TsSkinManager manager{nullptr};
  TsMaskData mask;

  explicit BorderMask(int frames, int stretchMode = 0) {
    mask.Image = MakeBitmap(8 * frames, 8, 0);
    for (int f = 0; f < frames; ++f)
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) Set(mask.Image.get(), 8 * f + x, y, FramePixel(f, x, y));
    for (int f = 0; f < frames; ++f)
      for (auto [cx, cy] : {std::pair{0, 0}, {7, 0}, {0, 7}, {7, 7}}) {
        const int dx = cx ? -1 : 1, dy = cy ? -1 : 1;
        Set(mask.Image.get(), 8 * f + cx, cy, kKey);
        Set(mask.Image.get(), 8 * f + cx + dx, cy, kKey);
        Set(mask.Image.get(), 8 * f + cx, cy + dy, kKey);
      }
    for (int f = 0; f < frames; ++f) Set(mask.Image.get(), 8 * f + 4, 0, kKey);
    mask.ImageRect = {0, 0, 8 * frames, 8};
    mask.ImageCount = int16_t(frames);
    mask.MaskType = 0;
    mask.StretchMode = int16_t(stretchMode);
    mask.Manager = &manager;
    mask.WL = mask.WT = mask.WR = mask.WB = 3;
  }
};

// Where a target coordinate takes its source from along one axis: the near margin as it is,
// the far margin from the frame's far side, the middle repeated.
inline int SourceAlong(int t, int size, int nearMargin, int farMargin, int frame, int sourceNear, int sourceFar) {
  if (t < nearMargin) return t;
  if (t >= size - farMargin) return frame - (size - t);
  const int middle = frame - sourceNear - sourceFar;
  return sourceNear + (t - nearMargin) % middle;
}

inline bool IsCorner(int t, int size, int nearMargin, int farMargin) { return t < nearMargin || t >= size - farMargin; }

}  // namespace border_mask_fixture
