#include "imaging/model/routines/nearest_rotation.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "imaging/base/number_helpers.h"
#include "imaging/model/routines/quarter_turns.h"
#include "imaging/model/routines/small_routines.h"
#include "imaging/model/routines/work_buffers.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

// Trunc(v * 10000) / 10000.
double CutToFourDecimals(double v) { return std::trunc(v * 10000) / 10000; }

// The exact turn for a whole multiple of 90 (false for any other angle); `angle` is taken
// without reduction when `literal` is set (only 90, -90, 270, 180, -180 and multiples of 360
// count), else by Trunc(angle) mod 360.
bool ExactTurn(double angle, bool literal, bool& identity, TQuarterTurn& turn) {
  identity = false;
  if (literal) {
    if (angle == 90) turn = TQuarterTurn::CounterClockwise;
    else if (angle == -90 || angle == 270) turn = TQuarterTurn::Clockwise;
    else if (angle == 180 || angle == -180) turn = TQuarterTurn::Half;
    else if (std::isfinite(angle) && std::fmod(angle, 360) == 0) identity = true;
    else return false;
    return true;
  }
  if (!IsMultipleOf90(angle)) return false;
  switch (static_cast<int64_t>(std::fmod(std::trunc(angle), 360))) {
    case 90: case -270: turn = TQuarterTurn::CounterClockwise; break;
    case 270: case -90: turn = TQuarterTurn::Clockwise; break;
    case 180: case -180: turn = TQuarterTurn::Half; break;
    default: identity = true; break;
  }
  return true;
}

// The in-place nearest rotation of 1-bit and 8-bit bitmaps by the cut sine and cosine.
void RotateInPlaceCut(TIEBitmap* bitmap, bool oneBit, uint8_t background, const ProgressContext* progress,
                      double angle) {
  bool identity;
  TQuarterTurn turn;
  if (ExactTurn(angle, true, identity, turn)) {
    if (identity) return;
    TIEBitmap turned;
    turned.SetLocation(ieMemory);
    TurnBitmap(bitmap, &turned, turn);
    TakeOverPixels(bitmap, &turned);
    return;
  }
  if (!std::isfinite(angle) || bitmap->IsEmpty()) return;
  // The alpha channel is turned by the same mapping, transparent where the background shows.
  std::unique_ptr<TIEBitmap> alpha = TurnedAlphaChannel(
      bitmap, [&](TIEBitmap* channel) { RotateInPlaceCut(channel, false, 0, nullptr, angle); });
  const int32_t w = bitmap->Width(), h = bitmap->Height();
  const double c = CutToFourDecimals(std::cos(-angle * kDegree));
  const double s = CutToFourDecimals(std::sin(-angle * kDegree));
  const TRotatedSize size = CutRotatedSize(w, h, angle);
  TIEBitmap result;
  result.SetLocation(ieMemory);
  AllocateOrRaise(&result, std::max(size.width, 1), std::max(size.height, 1), bitmap->PixelFormat());
  if (bitmap->PixelFormat() == ie8p) bitmap->CopyPaletteTo(&result);
  const int32_t dw = result.Width(), dh = result.Height();
  const TLockedRows from(bitmap);
  const double sourceCentreX = w / 2.0 - 0.5, sourceCentreY = h / 2.0 - 0.5;
  for (int32_t y = 0; y < dh; ++y) {
    uint8_t* out = static_cast<uint8_t*>(result.GetScanline(y));
    if (oneBit) std::memset(out, 0, result.RowLen());
    const double u = y - (dh / 2.0 - 0.5);
    for (int32_t x = 0; x < dw; ++x) {
      const double v = x - (dw / 2.0 - 0.5);
      // One rounded expression per coordinate: truncating the two terms apart would double
      // the middle column and drop the last one even for a turn by 0.
      const int32_t sx = RoundToInt32(sourceCentreX + s * u + c * v);
      const int32_t sy = RoundToInt32(sourceCentreY + c * u - s * v);
      const bool inside = sx >= 0 && sx < w && sy >= 0 && sy < h;
      if (oneBit) {
        if (inside ? GetBitAt(from[sy], sx) : background != 0) SetBitAt(out, x, true);
      } else {
        out[x] = inside ? from[sy][sx] : background;
      }
    }
    if (progress && progress->OnProgress)
      progress->OnProgress(progress->Sender, static_cast<int32_t>(y * 100.0 / dh));
  }
  if (alpha) result.AttachAlphaChannel(std::move(alpha));
  TakeOverPixels(bitmap, &result);
}

}  // namespace

TRotatedSize NearestRotatedSize(int32_t width, int32_t height, double angle) {
  const double a = angle * kDegree;
  return {RoundToInt32(std::fabs(std::sin(a) * height) + std::fabs(std::cos(a) * width)),
          RoundToInt32(std::fabs(std::sin(a) * width) + std::fabs(std::cos(a) * height))};
}

TRotatedSize CutRotatedSize(int32_t width, int32_t height, double angle) {
  const double c = CutToFourDecimals(std::cos(-angle * kDegree));
  const double s = CutToFourDecimals(std::sin(-angle * kDegree));
  return {static_cast<int32_t>(std::fabs(width * c) + std::fabs(height * s)),
          static_cast<int32_t>(std::fabs(width * s) + std::fabs(height * c))};
}

void RotateBitmap1Bit(TIEBitmap* bitmap, bool backgroundBit, const ProgressContext* progress, double angle) {
  if (!bitmap) throw vcl::EInvalidArgument("Rotation needs a bitmap");
  if (bitmap->PixelFormat() != ie1g) return;
  RotateInPlaceCut(bitmap, true, backgroundBit ? 1 : 0, progress, angle);
}

void RotateGray8Nearest(TIEBitmap* bitmap, uint8_t background, double angle) {
  if (!bitmap) throw vcl::EInvalidArgument("Rotation needs a bitmap");
  if (bitmap->PixelFormat() != ie8g && bitmap->PixelFormat() != ie8p) return;
  RotateInPlaceCut(bitmap, false, background, nullptr, angle);
}

void RotateBitmapInto(TIEBitmap* source, TIEBitmap* dest, double background, vcl::TObject* sender,
                      const TIEProgressEvent& onProgress, double angle) {
  if (!source || !dest || source == dest) throw vcl::EInvalidArgument("Rotation needs a source and another destination");
  if (!std::isfinite(angle)) throw vcl::EInvalidArgument("The rotation angle is not a number");
  bool identity;
  TQuarterTurn turn;
  if (ExactTurn(angle, false, identity, turn)) {
    // Both carry the alpha channel along.
    if (identity)
      dest->Assign(source);
    else
      TurnBitmap(source, dest, turn);
    return;
  }
  if (source->IsEmpty()) return;
  // The alpha channel is turned by the same mapping, transparent where nothing lands.
  std::unique_ptr<TIEBitmap> alpha;
  if (source->HasAlphaChannel()) {
    alpha = std::make_unique<TIEBitmap>();
    RotateBitmapInto(source->GetAlphaChannel(), alpha.get(), 0, nullptr, TIEProgressEvent(), angle);
  }
  const TIEPixelFormat format = source->PixelFormat();
  const int32_t w = source->Width(), h = source->Height();
  const TRotatedSize size = NearestRotatedSize(w, h, angle);
  AllocateOrRaise(dest, std::max(size.width, 1), std::max(size.height, 1), format);
  if (format == ie8p) source->CopyPaletteTo(dest);
  dest->Fill(format == ie1g ? 0 : background);
  const int32_t dw = dest->Width(), dh = dest->Height();
  const int32_t bytes = IEBytesPerPixel(format);
  const double cosA = std::cos(angle * kDegree), sinA = std::sin(angle * kDegree);
  const double csx = (w - 1) / 2.0, csy = (h - 1) / 2.0, cdx = (dw - 1) / 2.0, cdy = (dh - 1) / 2.0;
  const TLockedRows from(source);
  for (int32_t y = 0; y < dh; ++y) {
    uint8_t* out = static_cast<uint8_t*>(dest->GetScanline(y));
    for (int32_t x = 0; x < dw; ++x) {
      const int32_t sx = RoundToInt32((x - cdx) * cosA - (y - cdy) * sinA + csx);
      const int32_t sy = RoundToInt32((x - cdx) * sinA + (y - cdy) * cosA + csy);
      if (sx < 0 || sx >= w || sy < 0 || sy >= h) continue;
      if (format == ie1g) {
        if (GetBitAt(from[sy], sx)) SetBitAt(out, x, true);
      } else {
        std::memcpy(out + size_t(x) * bytes, from[sy] + size_t(sx) * bytes, bytes);
      }
    }
    if (onProgress) onProgress(sender, static_cast<int32_t>(y * 100.0 / dh));
  }
  // A destination that kept an alpha channel of its own (an allocation of an unchanged
  // geometry keeps it) loses it when the source has none.
  if (alpha)
    dest->AttachAlphaChannel(std::move(alpha));
  else
    dest->RemoveAlphaChannel(false, 0);
}

void RotateBitmapInPlace(TIEBitmap* bitmap, double background, vcl::TObject* sender,
                         const TIEProgressEvent& onProgress, double angle) {
  if (!bitmap) throw vcl::EInvalidArgument("Rotation needs a bitmap");
  bool identity;
  TQuarterTurn turn;
  if (ExactTurn(angle, false, identity, turn) && identity) return;
  TIEBitmap turned;
  turned.SetLocation(bitmap->Location() == ieFile ? ieFile : ieMemory);
  RotateBitmapInto(bitmap, &turned, background, sender, onProgress, angle);
  if (turned.IsEmpty()) return;
  TakeOverPixels(bitmap, &turned);
}

}  // namespace imaging
