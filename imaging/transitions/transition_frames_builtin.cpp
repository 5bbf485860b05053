// The transitions the player draws itself: pixel blends and moves on the row tables (integer
// arithmetic on the 1/1024 step scale), wipes, slides, random boxes and centre effects with
// block transfers, random points, and the pan-and-zoom over an image-library bitmap.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/model/bitmap_render.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/colour_routines.h"
#include "imaging/transitions/halftone_blit.h"
#include "imaging/transitions/step_blend_rows.h"
#include "imaging/transitions/transition_frames.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

namespace imaging {

namespace {
int32_t RoundToInt(double value) { return static_cast<int32_t>(std::nearbyint(value)); }
}  // namespace

void TTransitionFrames::ResetToSource() {
  GdiFlush();
  for (int32_t y = 0; y < height_; ++y) std::memcpy(frameRows_[y], sourceRows_[y], size_t(width_) * 3);
}

void TTransitionFrames::Reveal(int32_t x, int32_t y, int32_t w, int32_t h) {
  if (w <= 0 || h <= 0) return;
  BitBlt(frame_->Canvas()->Handle(), x, y, w, h, target_->Canvas()->Handle(), x, y, SRCCOPY);
}

void TTransitionFrames::RedLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  vcl::TCanvas* canvas = frame_->Canvas();
  canvas->Pen()->SetColor(vcl::clRed);
  canvas->MoveTo(x1, y1);
  canvas->LineTo(x2, y2);
}

void TTransitionFrames::DrawBuiltInEffect(int32_t type, int32_t step) {
  if (!Prepared()) return;
  step = std::clamp(step, 0, TransitionStepMax);
  if (type >= iettCrossDissolve && type <= iettFadeOutIn) return DrawBlend(type, step);
  if (type >= iettLeftRight1 && type <= iettDownUp2) return DrawWipe(type, step);
  if (type >= iettFromUpLeft && type <= iettFromBottomRight) return DrawSlide(type, step);
  if (type >= iettMoveLeftRight1 && type <= iettMoveDownUp2) return DrawMove(type, step);
  if (type == iettRandomPoints) return DrawRandomPoints(step);
  if (type == iettRandomBoxes) return DrawRandomBoxes(step);
  if (type >= iettCenter1 && type <= iettCenterZoom2) return DrawCentre(type, step);
  if (type == iettPanZoom) return DrawPanZoom(step);
}

void TTransitionFrames::DrawBlend(int32_t type, int32_t step) {
  GdiFlush();
  if (type == iettFadeOutIn) {
    if (step < 512) {
      type = iettFadeOut;
      step *= 2;
    } else {
      type = iettFadeIn;
      step = step * 2 - 1024;
    }
  }
  TRGB colour;
  ColorToRGBTriple(background_, colour);
  const int32_t bytes = width_ * 3;
  // The fades blend with a row of the background colour.
  std::vector<uint8_t> plain;
  if (type != iettCrossDissolve) {
    plain.resize(bytes);
    for (int32_t x = 0; x < width_; ++x) std::memcpy(&plain[3 * x], &colour, 3);
  }
  for (int32_t y = 0; y < height_; ++y) {
    switch (type) {
      case iettCrossDissolve: BlendStepRow(frameRows_[y], sourceRows_[y], targetRows_[y], bytes, step); break;
      case iettFadeOut: BlendStepRow(frameRows_[y], sourceRows_[y], plain.data(), bytes, step); break;
      default: BlendStepRow(frameRows_[y], plain.data(), targetRows_[y], bytes, step); break;
    }
  }
}

void TTransitionFrames::DrawWipe(int32_t type, int32_t step) {
  if (step == 0) ResetToSource();
  const int32_t w = width_, h = height_;
  // The red edge line of the second variants marks a moving edge: at the first and the last
  // step there is none, and a line there would leave a red column or row on a finished picture.
  const bool line = step > 0 && step < TransitionStepMax;
  switch (type) {
    case iettLeftRight1:
    case iettLeftRight2: {
      const int32_t x = (step * w) >> 10;
      Reveal(0, 0, x, h);
      if (type == iettLeftRight2 && line) RedLine(x, 0, x, h);
      break;
    }
    case iettRightLeft1:
    case iettRightLeft2: {
      const int32_t x = RoundToInt(w * (1024 - step) / 1024.0);
      Reveal(x, 0, RoundToInt(step * w / 1024.0), h);
      if (type == iettRightLeft2 && line) RedLine(x, 0, x, h);
      break;
    }
    case iettUpDown1:
    case iettUpDown2: {
      const int32_t y = RoundToInt(step * h / 1024.0);
      Reveal(0, 0, w, y);
      if (type == iettUpDown2 && line) RedLine(0, y, w, y);
      break;
    }
    default: {
      const int32_t y = RoundToInt(h * (1024 - step) / 1024.0);
      Reveal(0, y, w, RoundToInt(step * h / 1024.0));
      if (type == iettDownUp2 && line) RedLine(0, y, w, y);
      break;
    }
  }
}

void TTransitionFrames::DrawSlide(int32_t type, int32_t step) {
  if (step == 0) ResetToSource();
  const int32_t dx = ((1024 - step) * width_) >> 10, dy = ((1024 - step) * height_) >> 10;
  const int32_t x = (type == iettFromUpLeft || type == iettFromBottomLeft) ? -dx : dx;
  const int32_t y = (type == iettFromUpLeft || type == iettFromUpRight) ? -dy : dy;
  BitBlt(frame_->Canvas()->Handle(), x, y, width_, height_, target_->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TTransitionFrames::DrawMove(int32_t type, int32_t step) {
  GdiFlush();
  const int32_t w = width_, h = height_;
  const size_t rowBytes = size_t(w) * 3;
  auto row = [](uint8_t* dst, const uint8_t* first, int32_t firstFrom, int32_t c, const uint8_t* second,
                int32_t rest) {
    std::memcpy(dst, first + firstFrom * 3, size_t(c) * 3);
    std::memcpy(dst + c * 3, second, size_t(rest) * 3);
  };
  switch (type) {
    case iettMoveLeftRight1:
    case iettMoveLeftRight2: {
      const int32_t c = (step * w) >> 10;
      const int32_t from = type == iettMoveLeftRight1 ? w - c : 0;
      for (int32_t y = 0; y < h; ++y) row(frameRows_[y], targetRows_[y], from, c, sourceRows_[y], w - c);
      break;
    }
    case iettMoveRightLeft1:
    case iettMoveRightLeft2: {
      const int32_t c = ((1024 - step) * w) >> 10;
      const int32_t from = type == iettMoveRightLeft1 ? w - c : 0;
      for (int32_t y = 0; y < h; ++y) row(frameRows_[y], sourceRows_[y], from, c, targetRows_[y], w - c);
      break;
    }
    case iettMoveUpDown1:
    case iettMoveUpDown2: {
      const int32_t n = (step * h) >> 10;
      for (int32_t y = 0; y < n; ++y)
        std::memcpy(frameRows_[y], targetRows_[type == iettMoveUpDown1 ? h - n + y : y], rowBytes);
      for (int32_t y = n; y < h; ++y) std::memcpy(frameRows_[y], sourceRows_[y - n], rowBytes);
      break;
    }
    default: {
      const int32_t n = ((1024 - step) * h) >> 10;
      for (int32_t y = 0; y < n; ++y) std::memcpy(frameRows_[y], sourceRows_[h - n + y], rowBytes);
      for (int32_t y = n; y < h; ++y)
        std::memcpy(frameRows_[y], targetRows_[type == iettMoveDownUp1 ? y - n : y], rowBytes);
      break;
    }
  }
}

namespace {
// The process's random generator (vcl::Random) stepped in place: thousands of draws a frame
// cost no call each. The seed goes back to vcl::RandSeed, so the sequence stays the one every
// other draw of the process continues.
struct TLocalRandom {
  uint32_t seed = vcl::RandSeed;
  ~TLocalRandom() { vcl::RandSeed = seed; }
  int32_t Next(int32_t range) {
    seed = seed * 134775813u + 1;
    return static_cast<int32_t>((uint64_t(seed) * uint32_t(range)) >> 32);
  }
};
}  // namespace

void TTransitionFrames::DrawRandomPoints(int32_t step) {
  if (step == 0) {
    ResetToSource();
    return;
  }
  GdiFlush();
  const int32_t n = RoundToInt(double(step * width_) * (step / 180.0) / 1024);
  const int32_t d = n - itemCount_;
  itemCount_ = n;
  TLocalRandom random;
  for (int32_t y = 0; y < height_; ++y) {
    uint8_t* dst = frameRows_[y];
    const uint8_t* src = targetRows_[y];
    for (int32_t i = 0; i < d; ++i) {
      const int32_t x = random.Next(width_) * 3;
      dst[x] = src[x];
      dst[x + 1] = src[x + 1];
      dst[x + 2] = src[x + 2];
    }
  }
}

void TTransitionFrames::DrawRandomBoxes(int32_t step) {
  if (step == 0) {
    ResetToSource();
    return;
  }
  GdiFlush();
  const int32_t n = RoundToInt(double(int64_t(step) * ((int64_t(width_) * height_) / 64)) * (step / 180.0) / 1024);
  const int32_t d = n - itemCount_;
  itemCount_ = n;
  TLocalRandom random;
  for (int32_t i = 0; i < d; ++i) {
    // An 8 x 8 box of the target, cut at the right and bottom edges.
    const int32_t x = random.Next(width_) & ~7;
    const int32_t y = random.Next(height_) & ~7;
    const size_t bytes = size_t(std::min(8, width_ - x)) * 3;
    for (int32_t row = y; row < std::min(y + 8, height_); ++row)
      std::memcpy(frameRows_[row] + x * 3, targetRows_[row] + x * 3, bytes);
  }
}

void TTransitionFrames::DrawCentre(int32_t type, int32_t step) {
  const int32_t w = width_, h = height_, halfW = w / 2, halfH = h / 2;
  HDC dc = frame_->Canvas()->Handle();
  HDC target = target_->Canvas()->Handle();
  if (type == iettCenter1 || type == iettCenterZoom1) {
    if (step == 0) ResetToSource();
    const int32_t x = halfW - ((step * halfW) >> 10), y = halfH - ((step * halfH) >> 10);
    const int32_t cw = (step * w) >> 10, ch = (step * h) >> 10;
    if (type == iettCenter1) return Reveal(x, y, cw, ch);
    if (cw <= 0 || ch <= 0) return;
    HalftoneBlt(dc, x, y, cw, ch, target, 0, 0, w, h);
    return;
  }
  BitBlt(dc, 0, 0, w, h, target, 0, 0, SRCCOPY);
  const int32_t d = 1024 - step;
  const int32_t x = halfW - ((d * halfW) >> 10), y = halfH - ((d * halfH) >> 10);
  const int32_t cw = (d * w) >> 10, ch = (d * h) >> 10;
  if (cw <= 0 || ch <= 0) return;
  HDC source = source_->Canvas()->Handle();
  if (type == iettCenter2 || (cw == w && ch == h)) {
    BitBlt(dc, x, y, cw, ch, source, x, y, SRCCOPY);
  } else {
    HalftoneBlt(dc, x, y, cw, ch, source, 0, 0, w, h);
  }
}

vcl::TRect TTransitionFrames::PanZoomRect(int32_t step) const {
  auto at = [step](int32_t start, int32_t end) {
    const double q = (double(start) - double(end)) / 1024;
    return static_cast<int32_t>(std::trunc(start - step * q));
  };
  return vcl::Rect(at(panZoomStart_.left, panZoomEnd_.left), at(panZoomStart_.top, panZoomEnd_.top),
                   at(panZoomStart_.right, panZoomEnd_.right), at(panZoomStart_.bottom, panZoomEnd_.bottom));
}

void TTransitionFrames::DrawPanZoom(int32_t step) {
  TIEBitmap* bitmap = panZoomBitmap_;
  if (!bitmap || bitmap->Width() <= 0 || bitmap->Height() <= 0) return;
  const vcl::TRect r = PanZoomRect(step);
  int32_t x = r.left, y = r.top, w = r.right - r.left, h = r.bottom - r.top;
  bool clipped = false;
  if (x < 0) { w += x; x = 0; clipped = true; }
  if (y < 0) { h += y; y = 0; clipped = true; }
  // Cut on every side: a window reaching past the right or bottom edge would read past the
  // bitmap's pixels.
  if (x + w > bitmap->Width()) { w = bitmap->Width() - x; clipped = true; }
  if (y + h > bitmap->Height()) { h = bitmap->Height() - y; clipped = true; }
  if (w <= 0 || h <= 0) return;
  int32_t dx = 0, dy = 0, dw = width_, dh = height_;
  if (clipped) {
    // Keep the window's aspect ratio, centred on the background.
    const double k = double(w) / width_ > double(h) / height_ ? double(width_) / w : double(height_) / h;
    dw = RoundToInt(w * k);
    dh = RoundToInt(h * k);
    dx = static_cast<int32_t>(std::trunc(width_ / 2.0 - dw / 2.0));
    dy = static_cast<int32_t>(std::trunc(height_ / 2.0 - dh / 2.0));
    vcl::TCanvas* canvas = frame_->Canvas();
    if (backgroundPainter_) {
      backgroundPainter_(canvas);
    } else {
      canvas->Brush()->SetColor(background_);
      canvas->Brush()->SetStyle(vcl::bsSolid);
      canvas->FillRect(vcl::Rect(0, 0, width_, height_));
    }
  }
  RenderToVclBitmap(bitmap, frame_.get(), dx, dy, dw, dh, x, y, w, h, 255, rfNone, ieopCopy);
}

}  // namespace imaging
