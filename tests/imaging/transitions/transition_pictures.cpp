#include "tests/imaging/transitions/transition_pictures.h"

#include <cstring>

#include "imaging/transitions/transition_effect_table.h"
#include "vcl/runtime/win.h"

namespace transition_test {

void FillPattern(vcl::TBitmap* bitmap, bool target) {
  GdiFlush();
  for (int32_t y = 0; y < bitmap->Height(); ++y) {
    auto* row = static_cast<uint8_t*>(bitmap->ScanLine(y));
    for (int32_t x = 0; x < bitmap->Width(); ++x) {
      const uint8_t base = target ? 0x80 : 0x00;
      row[3 * x] = base | ((x * 7 + y * 3) & 0x7F);
      row[3 * x + 1] = base | ((x * 5 + y * 11) & 0x7F);
      row[3 * x + 2] = base | ((x * 13 + y * 17 + (target ? 40 : 0)) & 0x7F);
    }
  }
}

void PreparePictures(imaging::TTransitionFrames& frames, int32_t w, int32_t h) {
  frames.Prepare(w, h);
  FillPattern(frames.Source(), false);
  FillPattern(frames.Target(), true);
}

int32_t MatchingPixels(vcl::TBitmap* frame, vcl::TBitmap* picture) {
  GdiFlush();
  int32_t count = 0;
  for (int32_t y = 0; y < frame->Height(); ++y) {
    auto* a = static_cast<uint8_t*>(frame->ScanLine(y));
    auto* b = static_cast<uint8_t*>(picture->ScanLine(y));
    for (int32_t x = 0; x < frame->Width(); ++x)
      if (std::memcmp(a + 3 * x, b + 3 * x, 3) == 0) ++count;
  }
  return count;
}

std::string FirstDifference(vcl::TBitmap* frame, vcl::TBitmap* picture) {
  if (frame->Width() != picture->Width() || frame->Height() != picture->Height()) return "sizes differ";
  GdiFlush();
  int32_t count = 0;
  std::string first;
  for (int32_t y = 0; y < frame->Height(); ++y) {
    auto* a = static_cast<uint8_t*>(frame->ScanLine(y));
    auto* b = static_cast<uint8_t*>(picture->ScanLine(y));
    for (int32_t x = 0; x < frame->Width(); ++x)
      if (std::memcmp(a + 3 * x, b + 3 * x, 3) != 0) {
        if (count++ == 0) first = "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
      }
  }
  return count ? std::to_string(count) + " pixels differ, first at " + first : "";
}

void DrawAtProgress(imaging::TTransitionFrames& frames, int32_t type, int32_t progress) {
  frames.DrawFrame(type, 0);
  imaging::FindTransitionEffect(type)->Proc(frames.Frame()->Canvas(), frames.Source(), frames.Target(),
                                            vcl::Rect(0, 0, frames.Width(), frames.Height()), 1, progress);
}

}  // namespace transition_test
