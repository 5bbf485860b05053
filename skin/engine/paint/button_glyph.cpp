#include "skin/engine/paint/button_glyph.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/paint/keyed_copies.h"
#include "skin/engine/skin_types.h"

namespace skin {

namespace {

// The colour of the bottom pixel of column x of a 24-bit bitmap: the glyph's transparent colour.
vcl::TColor KeyAt(vcl::TBitmap* bitmap, int32_t x) {
  const uint8_t* p = static_cast<const uint8_t*>(bitmap->ScanLine(bitmap->Height() - 1)) + x * 3;
  return static_cast<vcl::TColor>(p[2] | p[1] << 8 | p[0] << 16);
}

int32_t FrameIndex(int32_t count, bool enabled, int32_t state, int32_t down, bool fourBit) {
  if (!enabled || state == 0) return 0;
  const bool fallback = fourBit || FirstGlyphFallback;
  if (state == 1) return fallback ? 0 : 1;
  if (down + 2 < count) return down + 2;
  return fallback ? 0 : std::min(1, count - 1);
}

}  // namespace

void DrawBtnGlyphBmp(vcl::TBitmap* glyph, vcl::TBitmap* target, const vcl::TRect& rect, int32_t count, bool enabled,
                     TsDisabledGlyphKind disabledKind, int32_t state, int32_t blendPercent, int32_t down) {
  if (!glyph || !target || glyph->Empty() || target->Empty()) return;
  const bool fourBit = glyph->PixelFormat() == vcl::pf4bit;
  vcl::TBitmap copy;  // the caller's glyph keeps its format and pixels
  copy.Assign(glyph);
  copy.SetPixelFormat(vcl::pf24bit);
  const int32_t height = copy.Height();
  const double factor = blendPercent / 100.0;

  if (count <= 1) {
    vcl::TColor key = KeyAt(&copy, 0);
    const vcl::TRect whole = vcl::Rect(0, 0, rect.right - rect.left, rect.bottom - rect.top);
    if (enabled) {
      if (state == 0 && blendPercent >= 1)
        BlendBmpByFactor(target, rect.left, rect.top, key, factor, whole, &copy);
      else
        CopyWithKeyColor(target, &copy, rect.left, key, rect.top);
      return;
    }
    // Greying keeps the transparent pixels as they are, so the key still finds them.
    if (disabledKind.Contains(dgGrayed)) GrayscaleBmpExcept(&copy, key);
    if (disabledKind.Contains(dgBlended))
      BlendBmpByFactor(target, rect.left, rect.top, key, 0.5, whole, &copy);
    else
      CopyWithKeyColor(target, &copy, rect.left, key, rect.top);
    return;
  }

  const int32_t frameWidth = copy.Width() / count;
  if (frameWidth < 1) return;
  const int32_t frame = FrameIndex(count, enabled, state, down, fourBit);
  const vcl::TRect source = vcl::Rect(frame * frameWidth, 0, (frame + 1) * frameWidth - 1, height - 1);
  if (!enabled && state == 0 && blendPercent > 0)
    BlendBmpByFactor(target, rect.left, rect.top, KeyAt(&copy, 0), factor, source, &copy);
  else
    CopyKeyedRect24(target, &copy, rect.left, EmptyBackgroundInfo, KeyAt(&copy, frame * frameWidth), source, rect.top);
}

}  // namespace skin
