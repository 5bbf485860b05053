#include "imaging/transitions/transition_frames.h"

#include <algorithm>
#include <cmath>

#include "imaging/transitions/transition_effect_table.h"
#include "imaging/transitions/transition_timing.h"
#include "vcl/runtime/parallel_bands.h"
#include "vcl/runtime/win.h"

namespace imaging {

namespace {
std::unique_ptr<vcl::TBitmap> OnePixelPicture() {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetSize(1, 1);
  bitmap->SetPixelFormat(vcl::pf24bit);
  return bitmap;
}

void BuildRows(vcl::TBitmap* bitmap, std::vector<uint8_t*>& rows) {
  rows.resize(bitmap->Height());
  for (int32_t y = 0; y < bitmap->Height(); ++y) rows[y] = static_cast<uint8_t*>(bitmap->ScanLine(y));
}
}  // namespace

TTransitionFrames::TTransitionFrames()
    : source_(OnePixelPicture()), target_(OnePixelPicture()), frame_(OnePixelPicture()) {}

TTransitionFrames::~TTransitionFrames() = default;

void TTransitionFrames::Prepare(int32_t width, int32_t height) {
  width_ = std::max(width, 1);
  height_ = std::max(height, 1);
  for (vcl::TBitmap* bitmap : {source_.get(), target_.get(), frame_.get()}) {
    bitmap->SetPixelFormat(vcl::pf24bit);
    bitmap->SetSize(width_, height_);
  }
  BuildRows(source_.get(), sourceRows_);
  BuildRows(target_.get(), targetRows_);
  BuildRows(frame_.get(), frameRows_);
  itemCount_ = 0;
  // The stretching effects draw in bands on the shared worker threads, which are made on their
  // first use: made here, before the run, their start does not hold up the first frame.
  vcl::ParallelRowThreads();
}

void TTransitionFrames::Shrink() {
  sourceRows_.clear();
  targetRows_.clear();
  frameRows_.clear();
  frame_->SetSize(1, 1);
  source_->SetSize(1, 1);
  target_->SetSize(1, 1);
  width_ = height_ = 0;
}

void TTransitionFrames::SetPanZoom(TIEBitmap* bitmap, const vcl::TRect& start, const vcl::TRect& end) {
  panZoomBitmap_ = bitmap;
  panZoomStart_ = start;
  panZoomEnd_ = end;
}

void TTransitionFrames::DrawFrame(int32_t type, int32_t step) {
  // Only a prepared run has row tables that match the pictures.
  if (!Prepared()) return;
  step = std::clamp(step, 0, TransitionStepMax);
  if ((type >= iettCrossDissolve && type <= iettCenterZoom2) || type == iettPanZoom)
    DrawBuiltInEffect(type, step);
  else
    DrawTableEffect(type, step);
}

void TTransitionFrames::DrawTableEffect(int32_t type, int32_t step) {
  if (!Prepared()) return;
  step = std::clamp(step, 0, TransitionStepMax);
  if (step == 0) {
    // The frame becomes the source; both have the run's size and format, so a row copy does
    // what a full Assign would without replacing the frame's pixel memory.
    ResetToSource();
    return;
  }
  const TEffect* effect = FindTransitionEffect(type);
  if (!effect || !effect->Proc) return;
  vcl::TCanvas* canvas = frame_->Canvas();
  SetStretchBltMode(canvas->Handle(), HALFTONE);
  const int32_t progress = TransitionProgress(step);
  effect->Proc(canvas, source_.get(), target_.get(), vcl::Rect(0, 0, width_, height_), 1, progress);
}

}  // namespace imaging
