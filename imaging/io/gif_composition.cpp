#include "imaging/io/gif_composition.h"

#include <algorithm>

#include "imaging/model/bitmap_render.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/colour_routines.h"

namespace imaging {

TGIFComposition::TGIFComposition() = default;

TGIFComposition::~TGIFComposition() = default;

void TGIFComposition::DisposePrevious(vcl::TColor background) {
  const int32_t x = previous_.Left, y = previous_.Top, w = previousWidth_, h = previousHeight_;
  if (previous_.Disposal == 2) {
    picture_->FillRect(x, y, x + w - 1, y + h - 1, background);
    picture_->GetAlphaChannel()->FillRect(x, y, x + w - 1, y + h - 1, 0);
  } else if (previous_.Disposal == 3 && covered_) {
    covered_->CopyRectTo(picture_.get(), 0, 0, x, y, w, h);
    covered_->GetAlphaChannel()->CopyRectTo(picture_->GetAlphaChannel(), 0, 0, x, y, w, h);
  }
  covered_.reset();
}

bool TGIFComposition::AddFrame(TIEBitmap* frame, const TGIFFramePlace& place, int32_t screenWidth,
                               int32_t screenHeight, const TRGB& background) {
  const int32_t frameWidth = frame->Width(), frameHeight = frame->Height();
  // A frame that reaches past the logical screen enlarges the picture rather than being cut.
  const int64_t width = std::max<int64_t>(
      {screenWidth, int64_t(place.Left) + frameWidth, picture_ ? int64_t(picture_->Width()) : 0});
  const int64_t height = std::max<int64_t>(
      {screenHeight, int64_t(place.Top) + frameHeight, picture_ ? int64_t(picture_->Height()) : 0});
  if (frameWidth <= 0 || frameHeight <= 0 || width * height > kLargestPixels) return false;
  const vcl::TColor backgroundColour = RGBTripleToColor(background);

  if (!picture_) {
    picture_ = std::make_unique<TIEBitmap>();
    if (!picture_->Allocate(int32_t(width), int32_t(height), ie24RGB)) {
      picture_.reset();
      return false;
    }
    picture_->Fill(backgroundColour);
    picture_->GetAlphaChannel()->Fill(0);
  } else {
    DisposePrevious(backgroundColour);
    if (width > picture_->Width() || height > picture_->Height())
      picture_->Resize(int32_t(width), int32_t(height), backgroundColour, 0, 0, 0);
  }

  if (place.Disposal == 3) {
    covered_ = std::make_unique<TIEBitmap>();
    if (!covered_->Allocate(frameWidth, frameHeight, ie24RGB)) return false;
    picture_->CopyRectTo(covered_.get(), place.Left, place.Top, 0, 0, frameWidth, frameHeight);
    picture_->GetAlphaChannel()->CopyRectTo(covered_->GetAlphaChannel(), place.Left, place.Top, 0, 0, frameWidth,
                                            frameHeight);
  }
  RenderToTIEBitmapFull(frame, picture_.get(), nullptr, nullptr, nullptr, nullptr, place.Left, place.Top, frameWidth,
                        frameHeight, 0, 0, frameWidth, frameHeight, true, false, 255, rfNone, true, ieopCopy);
  frame->MergeAlphaRect(picture_.get(), 0, 0, place.Left, place.Top, frameWidth, frameHeight);
  previous_ = place;
  previousWidth_ = frameWidth;
  previousHeight_ = frameHeight;
  return true;
}

std::unique_ptr<TIEBitmap> TGIFComposition::TakePicture() {
  if (picture_) picture_->GetAlphaChannel()->UpdateFullFlag();
  covered_.reset();
  return std::move(picture_);
}

}  // namespace imaging
