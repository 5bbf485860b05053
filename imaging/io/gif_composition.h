// The frames of a GIF animation drawn one over the other as a viewer shows them: each frame at
// its place through its transparency, after the disposal the frame before it asked for
// (2: its rectangle back to the background, 3: back to what it covered).
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/model/colour_helpers.h"
#include "vcl/graphics/colours.h"

namespace imaging {

class TIEBitmap;

struct TGIFFramePlace {
  int32_t Left = 0;
  int32_t Top = 0;
  uint8_t Disposal = 0;  // of this frame, applied before the next one is drawn
};

class TGIFComposition {
 public:
  // The largest picture composed, in pixels: a damaged screen size must not ask for a huge one.
  static constexpr int64_t kLargestPixels = int64_t(1) << 27;

  TGIFComposition();
  ~TGIFComposition();
  TGIFComposition(const TGIFComposition&) = delete;
  TGIFComposition& operator=(const TGIFComposition&) = delete;

  // Draws `frame` (its alpha channel, when it has one, marks the transparent pixels). The
  // picture is as large as the logical screen and every frame drawn so far; new area is the
  // background colour and transparent. False when the picture would be too large to make.
  bool AddFrame(TIEBitmap* frame, const TGIFFramePlace& place, int32_t screenWidth, int32_t screenHeight,
                const TRGB& background);
  // The picture so far (24-bit, with its alpha channel); nil before the first frame.
  TIEBitmap* Picture() { return picture_.get(); }
  // Hands the picture to the caller.
  std::unique_ptr<TIEBitmap> TakePicture();

 private:
  void DisposePrevious(vcl::TColor background);

  std::unique_ptr<TIEBitmap> picture_;
  // What the previous frame covered, kept for a disposal to the previous content.
  std::unique_ptr<TIEBitmap> covered_;
  TGIFFramePlace previous_;
  int32_t previousWidth_ = 0;
  int32_t previousHeight_ = 0;
};

}  // namespace imaging
