// Blending speed of the 27 blend modes: a 2048 x 2048 overlay with per-pixel alpha drawn over
// a 2048 x 2048 base through TBitmap32::DrawToRect (same size, dmCustom with the mode's
// combiner) at master alpha 255 and 128, on one thread and on all, next to two peers doing
// the nearest operation they have: pixman's operator (one thread; a solid mask for the
// master alpha) and libvips's composite (master 255 only, as it has no master alpha; on the
// same number of threads as ours), and a plain memcpy of the base as the memory-bandwidth
// yardstick, with the same traffic as a blend (two pixels read, one written) done with no
// arithmetic as its ceiling. Each instruction-set build of the row kernels also runs straight
// over the rows on one thread (Kernel/<mode>/<build>), so the builds compare side by side.
//
// Run: WINEPREFIX=<build>/wineprefix tools/wine-test <build>/bench/bitmap_blend_bench.exe
#include <benchmark/benchmark.h>
#include <emmintrin.h>
#include <pixman.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "bench/vips_peer.h"
#include "bitmap/engine/bitmap32.h"
#include "bitmap/engine/blend_modes.h"
#include "bitmap/engine/blend_rows.h"
#include "bitmap/engine/parallel_rows.h"

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

// libvips's composite mode for each mode, where it has one.
std::optional<bench::vips::Blend> VipsBlend(int mode) {
  using bench::vips::Blend;
  switch (mode) {
    case 0: return Blend::Over;
    case 1: return Blend::Multiply;
    case 2: return Blend::Screen;
    case 3: return Blend::Overlay;
    case 5: return Blend::SoftLight;
    case 7: return Blend::HardLight;
    case 8: return Blend::ColourDodge;
    case 9: return Blend::ColourBurn;
    case 10: return Blend::Lighten;
    case 11: return Blend::Darken;
    case 12: return Blend::Add;
    case 15: return Blend::Difference;
    case 16: return Blend::Exclusion;
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

void OursBench(benchmark::State& state, int mode, uint32_t master, int threads) {
  Images& im = TheImages();
  SetParallelRowThreadLimit(threads);
  im.overlay.SetDrawMode(dmCustom);
  im.overlay.OnPixelCombine = BlendModeCombineEvent(mode);
  im.overlay.SetMasterAlpha(master);
  for (auto _ : state) {
    im.overlay.DrawToRect(&im.base, im.base.BoundsRect());
    benchmark::DoNotOptimize(im.base.Bits());
  }
  SetParallelRowThreadLimit(0);
  SetRate(state);
}

// One build's row kernel straight over the rows, one thread: the builds side by side.
void KernelBench(benchmark::State& state, int mode, TKernelSet set) {
  Images& im = TheImages();
  const TBlendRowKernel kernel = BlendModeRowKernel(mode, set);
  for (auto _ : state) {
    for (int y = 0; y < kSize; ++y) kernel(im.overlay.PixelPtr(0, y), im.base.PixelPtr(0, y), kSize, 255);
    benchmark::DoNotOptimize(im.base.Bits());
  }
  SetRate(state);
}

// libvips reads the straight (not premultiplied) pixels, as ours, and writes a new image.
void VipsBench(benchmark::State& state, bench::vips::Blend blend, int threads) {
  Images& im = TheImages();
  bench::vips::SetThreads(threads);
  const auto* base = reinterpret_cast<const uint8_t*>(im.base.Bits());
  const auto* overlay = reinterpret_cast<const uint8_t*>(im.overlay.Bits());
  for (auto _ : state)
    if (!bench::vips::Composite(base, overlay, kSize, kSize, blend)) state.SkipWithError("libvips failed");
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

// The memory traffic of a blend and nothing else: each pixel of a source read, the pixel under
// it read and written back (a byte-wise maximum, which the processor does far faster than the
// memory delivers). A blend moves these 12 bytes per pixel where a copy moves 8, so this is the
// ceiling of any one-thread blend over images this size.
void TrafficBench(benchmark::State& state) {
  Images& im = TheImages();
  const auto* src = reinterpret_cast<const __m128i*>(im.overlay.Bits());
  auto* dst = reinterpret_cast<__m128i*>(im.copyTarget.data());
  const size_t vectors = size_t(kSize) * kSize / 4;
  for (auto _ : state) {
    for (size_t i = 0; i < vectors; ++i)
      _mm_storeu_si128(dst + i, _mm_max_epu8(_mm_loadu_si128(dst + i), _mm_loadu_si128(src + i)));
    benchmark::DoNotOptimize(im.copyTarget.data());
  }
  SetRate(state);
}

std::string Name(const char* who, int mode, uint32_t master, int threads = 1) {
  return std::string(who) + "/" + BlendModeName(mode) + "/M" + std::to_string(master) + "/T" +
         std::to_string(threads);
}

}  // namespace

int main(int argc, char** argv) {
  const bool vips = bench::vips::Start(argv[0]);
  const int all = ParallelRowThreads();
  for (int mode = 0; mode < BlendModeCount; ++mode)
    for (uint32_t master : kMasters) {
      for (int threads : {1, all}) {
        auto* run = benchmark::RegisterBenchmark(Name("Ours", mode, master, threads).c_str(), OursBench, mode,
                                                 master, threads)
                        ->Unit(benchmark::kMillisecond);
        // One thread is timed on its own processor time, as pixman and memcpy are: on a loaded
        // machine the wall clock would count the time other programs held the processor.
        if (threads > 1) run->UseRealTime();
      }
      if (const auto op = PixmanOp(mode))
        benchmark::RegisterBenchmark(Name("Pixman", mode, master).c_str(), PixmanBench, *op, master)
            ->Unit(benchmark::kMillisecond);
      if (const auto blend = VipsBlend(mode); blend && vips && master == 255)
        for (int threads : {1, all})
          benchmark::RegisterBenchmark(Name("Vips", mode, master, threads).c_str(), VipsBench,
                                       *blend, threads)
              ->Unit(benchmark::kMillisecond)
              ->UseRealTime();
    }
  const std::pair<TKernelSet, const char*> kernelSets[] = {
      {TKernelSet::Baseline, "Baseline"}, {TKernelSet::Avx2, "Avx2"}, {TKernelSet::Avx512, "Avx512"}};
  for (int mode = 0; mode < BlendModeCount; ++mode)
    for (const auto& [set, setName] : kernelSets)
      if (KernelSetAvailable(set))
        benchmark::RegisterBenchmark(("Kernel/" + BlendModeName(mode) + "/" + setName).c_str(), KernelBench,
                                     mode, set)
            ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Memcpy/base", MemcpyBench)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Traffic/blend", TrafficBench)->Unit(benchmark::kMillisecond);

  benchmark::Initialize(&argc, argv);
  bench::RateReporter reporter("Mpix/s");
  benchmark::RunSpecifiedBenchmarks(&reporter);

  auto rate = [&](const std::string& name) {
    // Wall-clock runs carry a suffix the table's names do not.
    const double r = reporter.Rate(name + "/real_time");
    return r > 0 ? r : reporter.Rate(name);
  };
  auto cell = [](double v) { return v > 0 ? std::to_string(int(v + 0.5)) : std::string("-"); };
  auto ratio = [](double a, double b) {
    char text[16] = "-";
    if (a > 0 && b > 0) std::snprintf(text, sizeof text, "%.2f", a / b);
    return std::string(text);
  };
  const double copy = rate("Memcpy/base");
  std::printf("\nMpix/s; ours and libvips on 1 and on %d threads, pixman on 1; %%copy: ours on one "
              "thread against memcpy of the base (one thread)\n", all);
  std::printf("%-13s %4s | %7s %6s | %7s %6s | %7s %6s | %7s %7s %6s\n", "mode", "M", "ours1",
              "%copy", "pixman", "x", "vips1", "x", "oursN", "vipsN", "x");
  for (int mode = 0; mode < BlendModeCount; ++mode)
    for (uint32_t master : kMasters) {
      const double ours = rate(Name("Ours", mode, master)), oursN = rate(Name("Ours", mode, master, all));
      if (ours == 0 && oursN == 0) continue;  // filtered out
      const double pix = rate(Name("Pixman", mode, master));
      const double v1 = rate(Name("Vips", mode, master)), vN = rate(Name("Vips", mode, master, all));
      const std::string share = copy > 0 && ours > 0 ? std::to_string(int(100 * ours / copy + 0.5)) : "-";
      std::printf("%-13s %4u | %7s %6s | %7s %6s | %7s %6s | %7s %7s %6s\n", BlendModeName(mode).c_str(),
                  master, cell(ours).c_str(), share.c_str(), cell(pix).c_str(), ratio(ours, pix).c_str(),
                  cell(v1).c_str(), ratio(ours, v1).c_str(), cell(oursN).c_str(), cell(vN).c_str(),
                  ratio(oursN, vN).c_str());
    }
  if (copy > 0) std::printf("memcpy of the base: %.0f Mpix/s\n", copy);
  // A blend's own bytes at memory speed: %copy cannot pass this share on one thread.
  if (const double traffic = rate("Traffic/blend"); traffic > 0 && copy > 0)
    std::printf("blend traffic alone (read two, write one): %.0f Mpix/s, %.0f%% of memcpy\n", traffic,
                100 * traffic / copy);
  benchmark::Shutdown();
  return 0;
}
