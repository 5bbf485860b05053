// TImageProc: the operations. Each runs in the frame of image_proc.cpp: check the working
// bitmap, save an undo entry when AutoUndo is on, change the pixels, notify, finish.
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <vector>

#include "imaging/model/routines/colour_reduction.h"
#include "imaging/model/routines/colour_routines.h"
#include "imaging/model/routines/nearest_rotation.h"
#include "imaging/model/routines/progress_context.h"
#include "imaging/model/routines/shear_rotation.h"
#include "imaging/model/routines/small_routines.h"
#include "imaging/model/routines/work_buffers.h"
#include "imaging/proc/bitmap_edits.h"
#include "imaging/proc/image_proc.h"
#include "imaging/proc/rect_and_channels.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

// Angles in captions: the shortest decimal text that reads back as the same value.
std::string AngleText(double angle) {
  char text[64];
  auto result = std::to_chars(text, text + sizeof text, angle);
  return std::string(text, result.ptr);
}

// Restores AutoUndo when the scope ends, however it ends.
class TAutoUndoOff {
 public:
  explicit TAutoUndoOff(TImageProc* proc) : proc_(proc), saved_(proc->AutoUndo()) { proc->SetAutoUndo(false); }
  ~TAutoUndoOff() { proc_->SetAutoUndo(saved_); }
  TAutoUndoOff(const TAutoUndoOff&) = delete;
  TAutoUndoOff& operator=(const TAutoUndoOff&) = delete;

 private:
  TImageProc* proc_;
  bool saved_;
};

// The size ResampleTo gives for the requested one, or false when it would do nothing.
// Negative values other than -1 count by their absolute value; -1 keeps the aspect ratio,
// computed from the other side once that side is resolved.
bool ResampleTarget(int32_t width, int32_t height, int32_t w, int32_t h, int32_t& targetW, int32_t& targetH) {
  if (width <= 0 || height <= 0 || (w < 0 && h < 0)) return false;
  const int64_t resolvedH = h == 0 ? height : std::abs(int64_t(h));
  int64_t tw;
  if (w == -1)
    tw = resolvedH * width / height;
  else if (w == 0)
    tw = width;
  else
    tw = std::abs(int64_t(w));
  tw = std::clamp<int64_t>(tw, 1, INT32_MAX);
  int64_t th;
  if (h == -1)
    th = tw * height / width;
  else
    th = resolvedH;
  th = std::clamp<int64_t>(th, 1, INT32_MAX);
  targetW = int32_t(tw);
  targetH = int32_t(th);
  return true;
}

}  // namespace

void TImageProc::Fill(vcl::TColor colour) {
  TRGB pixel;
  ColorToRGBTriple(colour, pixel);
  FillRGB(pixel);
}

void TImageProc::FillRGB(TRGB colour) {
  TImageOperation operation;
  if (!BeginImageOperation({}, "Fill", operation)) return;
  FillRectRGB(operation.Work, operation.X1, operation.Y1, operation.X2, operation.Y2, colour, OnProgress, this);
  EndImageOperation(operation);
  DoFinishWork();
}

void TImageProc::Clear() {
  if (!PrepareWorkingBitmap({})) return;
  if (autoUndo_) SaveUndoCaptioned("Clear", ieusImage);
  workingBitmap_->Fill(double(vcl::ColorToRGB(GetBackground())));
  NotifyImageChange();
  DoFinishWork();
}

void TImageProc::ImageResize(int32_t width, int32_t height, TIEHorizontalAlign horizontal,
                             TIEVerticalAlign vertical, int32_t fillAlpha) {
  if (!PrepareWorkingBitmap({}) || width <= 0 || height <= 0) return;
  if (width == workingBitmap_->Width() && height == workingBitmap_->Height()) return;
  if (autoUndo_) SaveUndoCaptioned("ImageResize " + std::to_string(width) + "," + std::to_string(height), ieusImage);
  if (workingBitmap_->Width() < 2 && workingBitmap_->Height() < 2) Clear();
  if (fillAlpha < 255) workingBitmap_->AlphaChannel();
  workingBitmap_->Resize(width, height, double(vcl::ColorToRGB(GetBackground())), fillAlpha,
                         uint8_t(horizontal), uint8_t(vertical));
  NotifyImageChange();
  DoFinishWork();
}

void TImageProc::Resample(int32_t width, int32_t height, TResampleFilter filter) {
  if (!PrepareWorkingBitmap({}) || workingBitmap_->IsEmpty()) return;
  const int32_t currentW = workingBitmap_->Width();
  const int32_t currentH = workingBitmap_->Height();
  int32_t targetW, targetH;
  // Nothing to do is decided before the undo entry, so that a refused size leaves the image
  // and the undo stack as they are.
  if (!ResampleTarget(currentW, currentH, width, height, targetW, targetH)) return;
  if (targetW == currentW && targetH == currentH) return;
  if (autoUndo_) SaveUndoCaptioned("Resample " + std::to_string(width) + "," + std::to_string(height), ieusImage);
  TIEBitmap result;
  AllocateOrRaise(&result, targetW, targetH, workingBitmap_->PixelFormat());
  if (workingBitmap_->PixelFormat() == ie8p) workingBitmap_->CopyPaletteTo(&result);
  ResampleBitmapWithAlpha(workingBitmap_, &result, filter, this, OnProgress);
  workingBitmap_->Assign(&result);
  NotifyImageChange();
  DoFinishWork();
}

void TImageProc::ResampleTo(TIEBitmap* dest, int32_t width, int32_t height, TResampleFilter filter) {
  if (!dest || !PrepareWorkingBitmap({})) return;
  int32_t targetW, targetH;
  if (!ResampleTarget(workingBitmap_->Width(), workingBitmap_->Height(), width, height, targetW, targetH)) return;
  AllocateOrRaise(dest, targetW, targetH, workingBitmap_->PixelFormat());
  if (workingBitmap_->PixelFormat() == ie8p) workingBitmap_->CopyPaletteTo(dest);
  ResampleBitmapWithAlpha(workingBitmap_, dest, filter, this, OnProgress);
  DoFinishWork();
}

void TImageProc::Rotate(TIEDegrees angle, bool antialias, TRotateQuality quality, vcl::TColor background) {
  if (angle.Value == 0 || !PrepareWorkingBitmap({})) return;
  if (autoUndo_) SaveUndoCaptioned("Rotate " + AngleText(angle.Value), ieusImage);
  if (background == -1) background = GetBackground();
  TRGB backgroundPixel;
  ColorToRGBTriple(background, backgroundPixel);
  const TIEPixelFormat format = workingBitmap_->PixelFormat();
  // Every engine turns the alpha channel with the pixels, transparent in the new area.
  if (!antialias || (format != ie24RGB && format != ie1g)) {
    RotateBitmapInPlace(workingBitmap_, double(vcl::ColorToRGB(background)), this, OnProgress, angle.Value);
  } else if (quality != rqShear && !IsMultipleOf90(angle.Value) && format == ie24RGB) {
    RotateInterpolated24(workingBitmap_, vcl::ColorToRGB(background), quality, this, OnProgress, angle.Value);
  } else {
    ShearRotateBitmap(workingBitmap_, true, this, OnProgress, backgroundPixel, angle.Value);
  }
  NotifyImageChange();
  DoFinishWork();
}

void TImageProc::ConvertToGray() {
  TImageOperation operation;
  if (!BeginImageOperation({ie24RGB}, "ConvertToGray", operation)) return;
  ConvertRectToGray24(operation.Work, operation.X1, operation.Y1, operation.X2, operation.Y2, this, OnProgress);
  EndImageOperation(operation);
  DoFinishWork();
}

void TImageProc::ConvertTo(int32_t colours, bool useThreshold) {
  // The undo entry holds the picture as it was, before a conversion to 24 bits.
  if (!WillAcceptFormat({ie24RGB})) return;
  if (autoUndo_) SaveUndoCaptioned("ConvertTo " + std::to_string(colours), ieusImage);
  if (!PrepareWorkingBitmap({ie24RGB})) return;
  if (colours < 3) {
    ProgressContext progress{OnProgress, this};
    if (useThreshold)
      ConvertTo1BitThreshold(workingBitmap_, -1, &progress);
    else
      ConvertTo1BitOrderedDither(workingBitmap_, &progress);
  } else if (colours <= 1024) {
    QuantizeToPalette24(workingBitmap_, colours, {}, this, OnProgress);
  }
  NotifyImageChange();
  DoFinishWork();
}

void TImageProc::ConvertToPalette(int32_t colours, std::span<TRGB> palette, bool useThreshold) {
  if (colours == 0 || !WillAcceptFormat({ie24RGB})) return;
  if (autoUndo_) SaveUndoCaptioned("ConvertToPalette", ieusImage);
  if (!PrepareWorkingBitmap({ie24RGB})) return;
  if (colours < 3) {
    ProgressContext progress{OnProgress, this};
    if (useThreshold)
      ConvertTo1BitThreshold(workingBitmap_, -1, &progress);
    else
      ConvertTo1BitOrderedDither(workingBitmap_, &progress);
    const TRGB blackWhite[2] = {{0, 0, 0}, {255, 255, 255}};
    std::copy_n(blackWhite, std::min<size_t>(2, palette.size()), palette.begin());
  } else if (colours <= 1024) {
    if (palette.size() >= size_t(colours)) {
      QuantizeToPalette24(workingBitmap_, colours, palette.first(colours), this, OnProgress);
    } else {
      // The caller's palette is too small for the colours: reduce into one that fits, hand
      // back what the caller's holds.
      std::vector<TRGB> full(palette.begin(), palette.end());
      full.resize(colours);
      QuantizeToPalette24(workingBitmap_, colours, full, this, OnProgress);
      std::copy_n(full.begin(), palette.size(), palette.begin());
    }
  }
  NotifyImageChange();
  DoFinishWork();
}

void TImageProc::Crop(const TIECropRect& rect) {
  if (!PrepareWorkingBitmap({})) return;
  const int32_t width = workingBitmap_->Width();
  const int32_t height = workingBitmap_->Height();
  // An empty rectangle would leave a 0 x 0 image: it is ignored.
  if (rect.X2 < rect.X1 || rect.Y2 < rect.Y1) return;
  if (rect.X1 == 0 && rect.Y1 == 0 && rect.X2 == width - 1 && rect.Y2 == height - 1) return;
  const int64_t newW = int64_t(rect.X2) - rect.X1 + 1;
  const int64_t newH = int64_t(rect.Y2) - rect.Y1 + 1;
  if (newW > INT32_MAX || newH > INT32_MAX) return;
  if (autoUndo_) SaveUndoCaptioned("Crop", ieusImage);
  // The part of the rectangle inside the image, in image and in result coordinates.
  const int32_t sx = std::max(rect.X1, 0), sy = std::max(rect.Y1, 0);
  const int32_t ex = std::min(rect.X2, width - 1), ey = std::min(rect.Y2, height - 1);
  const int32_t dx = sx - rect.X1, dy = sy - rect.Y1;
  const TIEPixelFormat format = workingBitmap_->PixelFormat();
  TIEBitmap result;
  AllocateOrRaise(&result, int32_t(newW), int32_t(newH), format);
  if (format == ie8p) workingBitmap_->CopyPaletteTo(&result);
  // Where the rectangle reaches past the image the result shows the background.
  if (sx > rect.X1 || sy > rect.Y1 || ex < rect.X2 || ey < rect.Y2) result.Fill(double(vcl::ColorToRGB(GetBackground())));
  if (ex >= sx && ey >= sy) workingBitmap_->CopyRectTo(&result, sx, sy, dx, dy, ex - sx + 1, ey - sy + 1);
  std::unique_ptr<TIEBitmap> alpha;
  if (workingBitmap_->HasAlphaChannel()) {
    alpha = TIEBitmap::CreateAlphaChannel(int32_t(newW), int32_t(newH), ieMemory);
    if (!alpha || alpha->IsEmpty()) throw vcl::EOutOfMemory("Out of memory");
    alpha->Fill(0);
    if (ex >= sx && ey >= sy)
      workingBitmap_->AlphaChannel()->CopyRectTo(alpha.get(), sx, sy, dx, dy, ex - sx + 1, ey - sy + 1);
    alpha->UpdateFullFlag();
  }
  workingBitmap_->CopyWithoutAlpha(&result);
  if (alpha) workingBitmap_->AttachAlphaChannel(std::move(alpha));
  NotifyImageChange();
  DoFinishWork();
}

void TImageProc::CropRect(const vcl::TRect& rect) { Crop(TIECropRect{rect.left, rect.top, rect.right, rect.bottom}); }

void TImageProc::CropToAlphaBounds() {
  if (!PrepareWorkingBitmap({})) return;
  const vcl::TRect bounds = FindAlphaBounds(workingBitmap_);
  // A fully transparent image has no opaque part to crop to: it stays as it is.
  if (bounds.right < bounds.left || bounds.bottom < bounds.top) return;
  TAutoUndoOff noUndo(this);
  CropRect(bounds);
}

}  // namespace imaging
