// What a transition draws with: the source, target and frame pictures (24-bit, the run's size)
// with their pixel-row tables, the count of random items drawn so far and what the pan-and-zoom
// effect reads. It draws one frame of any transition type at a step from 0 to 1024, so the
// effects can be driven and checked on plain bitmaps, without a view.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "imaging/transitions/transition_types.h"
#include "vcl/graphics/bitmap.h"

namespace imaging {

class TIEBitmap;

class TTransitionFrames {
 public:
  // Three 1 x 1 pictures, no row tables.
  TTransitionFrames();
  ~TTransitionFrames();

  vcl::TBitmap* Source() { return source_.get(); }
  vcl::TBitmap* Target() { return target_.get(); }
  vcl::TBitmap* Frame() { return frame_.get(); }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }

  // Sizes the three pictures (24-bit) to width x height (each at least 1), builds their row
  // tables and sets the item count to 0. Source and target are then filled by the caller.
  // The worker threads the stretches draw on are started here when they are not yet.
  void Prepare(int32_t width, int32_t height);
  // Back to 1 x 1 pictures; the row tables are dropped with them.
  void Shrink();
  bool Prepared() const { return !frameRows_.empty(); }

  // Draws one frame of `type` at `step` (clamped to 0 .. 1024) into the frame picture. Types
  // without an effect (iettNone, values past iettPanZoom) leave the frame as it is.
  void DrawFrame(int32_t type, int32_t step);
  // A table effect: at step 0 the frame becomes a copy of the source, else the table's
  // procedure draws over the previous frame at progress Round(step / 1024 * 100).
  void DrawTableEffect(int32_t type, int32_t step);
  // A built-in effect (1 to 30, iettPanZoom) on the row tables and with block transfers.
  void DrawBuiltInEffect(int32_t type, int32_t step);

  // Random points and boxes drawn so far in the run (0 from Prepare).
  int32_t ItemCount() const { return itemCount_; }
  void SetItemCount(int32_t value) { itemCount_ = value; }
  // The colour the fades pass through and pan-and-zoom letterboxes on.
  vcl::TColor Background() const { return background_; }
  void SetBackground(vcl::TColor value) { background_ = value; }
  // Paints the pan-and-zoom letterbox over the whole frame, as the view paints its own
  // background (style, chessboard, wallpaper); without one the letterbox is the background
  // colour.
  void SetBackgroundPainter(std::function<void(vcl::TCanvas*)> painter) { backgroundPainter_ = std::move(painter); }

  // iettPanZoom moves a window from the start to the end rectangle (pixels of `bitmap`, right
  // and bottom exclusive). The bitmap is not owned.
  TIEBitmap* PanZoomBitmap() const { return panZoomBitmap_; }
  void SetPanZoom(TIEBitmap* bitmap, const vcl::TRect& start, const vcl::TRect& end);
  // The rectangle of the pan-zoom bitmap that `step` shows.
  vcl::TRect PanZoomRect(int32_t step) const;

 private:
  void DrawBlend(int32_t type, int32_t step);
  void DrawWipe(int32_t type, int32_t step);
  void DrawSlide(int32_t type, int32_t step);
  void DrawMove(int32_t type, int32_t step);
  void DrawRandomPoints(int32_t step);
  void DrawRandomBoxes(int32_t step);
  void DrawCentre(int32_t type, int32_t step);
  void DrawPanZoom(int32_t step);
  // Shows the source in the frame (the start of the effects that draw over earlier frames).
  void ResetToSource();
  // The w x h block at (x, y) of the target to the same place of the frame.
  void Reveal(int32_t x, int32_t y, int32_t w, int32_t h);
  void RedLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

  std::unique_ptr<vcl::TBitmap> source_, target_, frame_;
  std::vector<uint8_t*> sourceRows_, targetRows_, frameRows_;
  int32_t width_ = 0, height_ = 0;
  int32_t itemCount_ = 0;
  vcl::TColor background_ = vcl::clBlack;
  std::function<void(vcl::TCanvas*)> backgroundPainter_;
  TIEBitmap* panZoomBitmap_ = nullptr;
  vcl::TRect panZoomStart_{}, panZoomEnd_{};
};

}  // namespace imaging
