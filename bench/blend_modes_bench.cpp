// Blending speed of the 27 blend modes: a 2048 x 2048 overlay with per-pixel alpha drawn over
// a 2048 x 2048 base through TBitmap32::DrawToRect (same size, dmCustom with the mode's
// combiner) at master alpha 255 and 128, next to pixman compositing the same images with its
// nearest operator, and a plain memcpy of the base as the memory-bandwidth ceiling.
//
// Run: WINEPREFIX=<build>/wineprefix tools/wine-test <build>/bench/bitmap_blend_bench.exe
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "bitmap/engine/bitmap32.h"
#include "bitmap/engine/blend_modes.h"

using namespace bitmap;

namespace {

constexpr int kSize = 2048;
constexpr double kPixels = double(kSize) * kSize;
constexpr uint32_t kMasters[] = {255, 128};

// pixman's nearest operator for each mode, where it has one.
std::optional<pixman_op_t> PixmanOp(int mode) {
  switch (mode) {
    case 0: return PIXMAN_OP_OVER;
    case 1: return PIXMAN_OP_MULTIPLY;
    case 2: return PIXMAN_OP_SCREEN;
    case 3: return PIXMAN_OP_OVERLAY;
    case 5: return PIXMAN_OP_SOFT_LIGHT;
    case 7: return PIXMAN_OP_HARD_LIGHT;
    case 8: return PIXMAN_OP_COLOR_DODGE;
    case 9: return PIXMAN_OP_COLOR_BURN;
    case 10: return PIXMAN_OP_LIGHTEN;
    case 11: return PIXMAN_OP_DARKEN;
    case 12: return PIXMAN_OP_ADD;
    case 15: return PIXMAN_OP_DIFFERENCE;
    case 16: return PIXMAN_OP_EXCLUSION;
    case 24: return PIXMAN_OP_HSL_HUE;
    case 25: return PIXMAN_OP_HSL_SATURATION;
    case 26: return PIXMAN_OP_HSL_LUMINOSITY;
    default: return std::nullopt;
  }
}

// Deterministic pixels: smooth colour ramps with noise, the overlay's alpha varying per pixel.
struct Images {
  TBitmap32 base, overlay;
  std::vector<uint32_t> pixmanBase, pixmanOverlay, copyTarget;
  pixman_image_t* pBase = nullptr;
  pixman_image_t* pOverlay = nullptr;

  Images() {
    base.SetSize(kSize, kSize);
    overlay.SetSize(kSize, kSize);
    uint32_t state = 0x9E3779B9u;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        const uint32_t n = bench::Noise(state);
        *base.PixelPtr(x, y) = MakeColor32(uint8_t(x / 8 + (n & 15)), uint8_t(y / 8),
                                           uint8_t((x + y) / 16 + (n >> 28)), 255);
        *overlay.PixelPtr(x, y) = MakeColor32(uint8_t(255 - y / 8), uint8_t(n >> 8),
                                              uint8_t(x / 8), uint8_t(n >> 24));
      }
    // pixman works on premultiplied pixels: converted once, outside the timing.
    pixmanBase.assign(base.Bits(), base.Bits() + kSize * kSize);
    pixmanOverlay.resize(size_t(kSize) * kSize);
    for (size_t i = 0; i < pixmanOverlay.size(); ++i) {
      const uint32_t c = overlay.Bits()[i], a = c >> 24;
      auto premultiply = [a](uint32_t v) { return (v * a + 127) / 255; };
      pixmanOverlay[i] = a << 24 | premultiply((c >> 16) & 0xFF) << 16 |
                         premultiply((c >> 8) & 0xFF) << 8 | premultiply(c & 0xFF);
    }
    copyTarget.resize(size_t(kSize) * kSize);
    pBase = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSize, kSize, pixmanBase.data(), kSize * 4);
    pOverlay = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSize, kSize, pixmanOverlay.data(), kSize * 4);
  }
  ~Images() {
    pixman_image_unref(pBase);
    pixman_image_unref(pOverlay);
  }
};

Images& TheImages() {
  static Images images;
  return images;
}

void SetRate(benchmark::State& state) {
  state.counters["Mpix/s"] = benchmark::Counter(kPixels * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
}

void OursBench(benchmark::State& state, int mode, uint32_t master) {
  Images& im = TheImages();
  im.overlay.SetDrawMode(dmCustom);
  im.overlay.OnPixelCombine = BlendModeCombineEvent(mode);
  im.overlay.SetMasterAlpha(master);
  for (auto _ : state) {
    im.overlay.DrawToRect(&im.base, im.base.BoundsRect());
    benchmark::DoNotOptimize(im.base.Bits());
  }
  SetRate(state);
}

void PixmanBench(benchmark::State& state, pixman_op_t op, uint32_t master) {
  Images& im = TheImages();
  pixman_image_t* mask = nullptr;
  if (master < 255) {
    const pixman_color_t grey{0, 0, 0, uint16_t(master * 0x101)};
    mask = pixman_image_create_solid_fill(&grey);
  }
  for (auto _ : state) {
    pixman_image_composite32(op, im.pOverlay, mask, im.pBase, 0, 0, 0, 0, 0, 0, kSize, kSize);
    benchmark::DoNotOptimize(im.pixmanBase.data());
  }
  if (mask) pixman_image_unref(mask);
  SetRate(state);
}

void MemcpyBench(benchmark::State& state) {
  Images& im = TheImages();
  for (auto _ : state) {
    std::memcpy(im.copyTarget.data(), im.base.Bits(), size_t(kSize) * kSize * 4);
    benchmark::DoNotOptimize(im.copyTarget.data());
  }
  SetRate(state);
}

std::string Name(const char* who, int mode, uint32_t master) {
  return std::string(who) + "/" + BlendModeName(mode) + "/M" + std::to_string(master);
}

}  // namespace

int main(int argc, char** argv) {
  for (int mode = 0; mode < BlendModeCount; ++mode)
    for (uint32_t master : kMasters) {
      benchmark::RegisterBenchmark(Name("Ours", mode, master).c_str(), OursBench, mode, master)
          ->Unit(benchmark::kMillisecond);
      if (const auto op = PixmanOp(mode))
        benchmark::RegisterBenchmark(Name("Pixman", mode, master).c_str(), PixmanBench, *op, master)
            ->Unit(benchmark::kMillisecond);
    }
  benchmark::RegisterBenchmark("Memcpy/base", MemcpyBench)->Unit(benchmark::kMillisecond);

  benchmark::Initialize(&argc, argv);
  bench::RateReporter reporter("Mpix/s");
  benchmark::RunSpecifiedBenchmarks(&reporter);

  auto rate = [&](const std::string& name) { return reporter.Rate(name); };
  const double copy = rate("Memcpy/base");
  std::printf("\n%-13s %6s %12s %12s %8s\n", "mode", "master", "ours Mpix/s", "pixman", "ratio");
  for (int mode = 0; mode < BlendModeCount; ++mode)
    for (uint32_t master : kMasters) {
      const double ours = rate(Name("Ours", mode, master));
      const double peer = rate(Name("Pixman", mode, master));
      if (ours == 0) continue;  // filtered out
      if (peer > 0)
        std::printf("%-13s %6u %12.0f %12.0f %8.2f\n", BlendModeName(mode).c_str(), master, ours, peer, ours / peer);
      else
        std::printf("%-13s %6u %12.0f %12s %8s\n", BlendModeName(mode).c_str(), master, ours, "-", "-");
    }
  if (copy > 0) {
    std::printf("memcpy of the base: %.0f Mpix/s", copy);
    const double normal = rate(Name("Ours", 0, 255));
    if (normal > 0) std::printf("; Normal at master 255 is %.2fx slower", copy / normal);
    std::printf("\n");
  }
  benchmark::Shutdown();
  return 0;
}
