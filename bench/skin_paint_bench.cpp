// Painting speed of the skin painters: a 1920 x 1080 form background (a tiled texture with
// the section colour laid over it at half strength) and 200 nine-part buttons (corners copied,
// edges and centre stretched from the border mask), from a small skin made here. The peer is
// the platform doing the same copies itself: BitBlt tiles and AlphaBlend of the colour for the
// background, a solid fill and nine StretchBlt copies (halftone) per button. The ratio is the
// platform's time over ours: 1.0 or more means we are no slower.
//
// Run: WINEPREFIX=<build>/wineprefix tools/wine-test <build>/bench/skin_paint_bench.exe
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "bench/bench_common.h"
#include "skin/engine/bitmap_ops.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/section_background.h"
#include "skin/engine/skin_manager.h"
#include "vcl/runtime/win.h"

using namespace skin;

namespace {

constexpr int kWidth = 1920, kHeight = 1080;
constexpr int kButtons = 200, kColumns = 20;
constexpr int kButtonWidth = 88, kButtonHeight = 30;
constexpr int kTexture = 32, kFrame = 24, kMargin = 6;
constexpr vcl::TColor kFormColour = 0x00D8C8B8, kButtonColour = 0x00E0E0E0;

vcl::TRect ButtonRect(int i) {
  const int x = 8 + (i % kColumns) * (kButtonWidth + 8), y = 40 + (i / kColumns) * (kButtonHeight + 60);
  return vcl::TRect{x, y, x + kButtonWidth, y + kButtonHeight};
}

// The test skin: FORM with a tiled 32 x 32 texture at half strength, BUTTON with a 24 x 24
// border mask whose edges and centre stretch.
struct BenchSkin {
  std::unique_ptr<TsSkinManager> manager{vcl::New<TsSkinManager>(nullptr)};

  BenchSkin() {
    vcl::TBitmap* master = manager->MasterBitmap();
    master->SetPixelFormat(vcl::pf24bit);
    master->SetSize(kTexture + kFrame, kTexture);
    uint32_t noise = 0x9E3779B9u;
    for (int y = 0; y < kTexture; ++y) {
      auto* row = static_cast<uint8_t*>(master->ScanLine(y));
      for (int x = 0; x < kTexture + kFrame; ++x)
        for (int c = 0; c < 3; ++c) row[3 * x + c] = uint8_t(96 + (bench::Noise(noise) & 127));
    }
    TsMaskData texture, border;
    texture.Manager = border.Manager = manager.get();
    texture.ImageRect = {0, 0, kTexture, kTexture};
    texture.ImageCount = 1;
    border.ImageRect = {kTexture, 0, kTexture + kFrame, kFrame};
    border.ImageCount = 1;
    border.WL = border.WT = border.WR = border.WB = kMargin;
    border.StretchMode = 1 | 4;  // stretched edges and centre, the centre the mask's own
    manager->Masks = {texture, border};
    TsGeneralData form, button;
    form.SectionName = "FORM";
    form.Color = kFormColour;
    form.ImagePercent = 50;
    button.SectionName = "BUTTON";
    button.Color = kButtonColour;
    button.BorderIndex = 1;
    manager->Sections = {form, button};
  }
};

BenchSkin& TheSkin() {
  static BenchSkin skin;
  return skin;
}

void SetRate(benchmark::State& state) {
  state.counters["frames/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

void OursBench(benchmark::State& state) {
  BenchSkin& skin = TheSkin();
  auto form = CreateBmp24(kWidth, kHeight);
  const TsBackgroundInfo nothingBehind{nullptr, 0, 0, 0xFF00FF, false};
  TsBackgroundInfo formBehind;
  formBehind.Bitmap = form.get();
  formBehind.Ready = true;
  for (auto _ : state) {
    PaintSectionBg(0, "FORM", nothingBehind, NoCustomColor, -1, 0, skin.manager.get(), form.get(), {0, 0},
                   vcl::TRect{0, 0, kWidth, kHeight}, false);
    for (int i = 0; i < kButtons; ++i) {
      const vcl::TRect r = ButtonRect(i);
      PaintSectionItem(1, "BUTTON", formBehind, -1, -1, skin.manager.get(), form.get(), {0, 0}, r, 0, true);
    }
    GdiFlush();
    benchmark::DoNotOptimize(form->ScanLine(kHeight / 2));
  }
  SetRate(state);
}

void PlatformBench(benchmark::State& state) {
  BenchSkin& skin = TheSkin();
  auto form = CreateBmp24(kWidth, kHeight);
  HDC dc = form->Canvas()->Handle();
  HDC source = skin.manager->MasterBitmap()->Canvas()->Handle();
  // The colour layer as a one-pixel 32-bit picture blended over everything at half strength.
  auto colour = CreateBmp32(1, 1);
  auto* pixel = static_cast<uint8_t*>(colour->ScanLine(0));
  pixel[0] = 0xB8, pixel[1] = 0xC8, pixel[2] = 0xD8, pixel[3] = 0;
  HDC colourDC = colour->Canvas()->Handle();
  const BLENDFUNCTION half{AC_SRC_OVER, 0, 127, 0};
  HBRUSH buttonBrush = CreateSolidBrush(kButtonColour);
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  for (auto _ : state) {
    for (int x = 0; x < kWidth; x += kTexture)
      for (int y = 0; y < kHeight; y += kTexture)
        BitBlt(dc, x, y, std::min(kTexture, kWidth - x), std::min(kTexture, kHeight - y), source, 0, 0, SRCCOPY);
    AlphaBlend(dc, 0, 0, kWidth, kHeight, colourDC, 0, 0, 1, 1, half);
    for (int i = 0; i < kButtons; ++i) {
      const vcl::TRect r = ButtonRect(i);
      FillRect(dc, &r, buttonBrush);
      const int sx = kTexture, m = kMargin, mid = kFrame - 2 * m;
      const int w = r.right - r.left, h = r.bottom - r.top;
      const int xs[3] = {r.left, r.left + m, r.right - m}, ws[3] = {m, w - 2 * m, m};
      const int ys[3] = {r.top, r.top + m, r.bottom - m}, hs[3] = {m, h - 2 * m, m};
      const int sxs[3] = {sx, sx + m, sx + kFrame - m}, sws[3] = {m, mid, m};
      const int sys[3] = {0, m, kFrame - m}, shs[3] = {m, mid, m};
      for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b)
          StretchBlt(dc, xs[a], ys[b], ws[a], hs[b], source, sxs[a], sys[b], sws[a], shs[b], SRCCOPY);
    }
    GdiFlush();
    benchmark::DoNotOptimize(form->ScanLine(kHeight / 2));
  }
  DeleteObject(buttonBrush);
  SetRate(state);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::RegisterBenchmark("Ours", OursBench)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Platform", PlatformBench)->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  bench::RateReporter reporter("frames/s");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double ours = reporter.Rate("Ours"), platform = reporter.Rate("Platform");
  if (ours > 0 && platform > 0) {
    std::printf("\n1920 x 1080 form background and %d nine-part buttons; frames per second\n", kButtons);
    std::printf("%10s %10s %10s\n", "ours", "platform", "ratio");
    std::printf("%10.1f %10.1f %10.2f\n", ours, platform, ours / platform);
  }
  benchmark::Shutdown();
  return 0;
}
