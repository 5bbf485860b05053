// Resampling speed: a 2048 x 2048 photo-like bitmap resized to 1365 x 1365 (shrink) and to
// 3000 x 3000 (enlarge) with each stretch filter through TransferRect (dmOpaque), next to
// pixman doing the same resizes (PIXMAN_OP_SRC, edges padded): its nearest filter for
// sfNearest, its bilinear filter for sfLinear, and separable convolutions for the kernel
// filters (Lanczos3 for sfLanczos, the cubic for sfMitchell, linear for sfSpline), with the
// kernel reconstructing when enlarging and sampling when shrinking, as ours does), and libvips
// resizing the same pixels to the same size with the same kernel where it has one (nearest,
// linear, Mitchell, Lanczos3; no B-spline). Ours and libvips run on one thread and on all;
// pixman on one. Rates are megapixels of output per second, on the wall clock.
//
// Run: WINEPREFIX=<build>/wineprefix tools/wine-test <build>/bench/bitmap_resample_bench.exe
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "bench/vips_peer.h"
#include "bitmap/engine/bitmap32.h"
#include "bitmap/engine/parallel_rows.h"
#include "bitmap/engine/transfer.h"

using namespace bitmap;

namespace {

constexpr int kSource = 2048;
constexpr int kSizes[] = {1365, 3000};
constexpr TStretchFilter kFilters[] = {sfNearest, sfLinear, sfSpline, sfLanczos, sfMitchell};
const char* const kFilterNames[] = {"sfNearest", "sfLinear", "sfSpline", "sfLanczos", "sfMitchell"};

// Opaque (so that pixman's premultiplied pixels are the same bytes): smooth shading, soft
// blobs, a few hard edges and some grain, as a photograph has.
struct Source {
  TBitmap32 bitmap;
  pixman_image_t* image = nullptr;

  Source() {
    bitmap.SetSize(kSource, kSource);
    uint32_t state = 0x2545F491u;
    for (int y = 0; y < kSource; ++y)
      for (int x = 0; x < kSource; ++x) {
        const double fx = x / double(kSource), fy = y / double(kSource);
        const double shade = 0.5 + 0.5 * std::sin(fx * 7.0 + std::cos(fy * 5.0) * 2.0);
        const bool edge = ((x / 256) + (y / 320)) % 3 == 0;
        const int grain = int(bench::Noise(state) & 15) - 8;
        auto channel = [&](double v) { return uint8_t(std::clamp(int(v * 255.0) + grain, 0, 255)); };
        *bitmap.PixelPtr(x, y) =
            MakeColor32(channel(edge ? 0.9 - 0.6 * shade : shade), channel(0.3 + 0.5 * fy * shade),
                        channel(edge ? 0.2 : 0.8 - 0.6 * fx), 255);
      }
    image = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSource, kSource, bitmap.Bits(), kSource * 4);
    pixman_image_set_repeat(image, PIXMAN_REPEAT_PAD);
  }
  ~Source() { pixman_image_unref(image); }
};

Source& TheSource() {
  static Source source;
  return source;
}

void SetRate(benchmark::State& state, int size) {
  state.counters["Mpix/s"] =
      benchmark::Counter(double(size) * size * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
}

void OursBench(benchmark::State& state, TStretchFilter filter, int size, int threads) {
  Source& source = TheSource();
  SetParallelRowThreadLimit(threads);
  TBitmap32 target;
  target.SetSize(size, size);
  const TRect whole{0, 0, size, size};
  for (auto _ : state) {
    TransferRect(&target, whole, whole, &source.bitmap, source.bitmap.BoundsRect(), filter,
                 dmOpaque, {});
    benchmark::DoNotOptimize(target.Bits());
  }
  SetParallelRowThreadLimit(0);
  SetRate(state, size);
}

// libvips's kernel for each filter, where it has one.
std::optional<bench::vips::Kernel> VipsKernel(TStretchFilter filter) {
  switch (filter) {
    case sfNearest: return bench::vips::Kernel::Nearest;
    case sfLinear: return bench::vips::Kernel::Linear;
    case sfLanczos: return bench::vips::Kernel::Lanczos3;
    case sfMitchell: return bench::vips::Kernel::Mitchell;
    default: return std::nullopt;
  }
}

void VipsBench(benchmark::State& state, bench::vips::Kernel kernel, int size, int threads) {
  Source& source = TheSource();
  bench::vips::SetThreads(threads);
  const auto* pixels = reinterpret_cast<const uint8_t*>(source.bitmap.Bits());
  for (auto _ : state)
    if (!bench::vips::Resize(pixels, kSource, kSource, kSource * 4, 4, size, size, kernel))
      state.SkipWithError("libvips failed");
  SetRate(state, size);
}

// pixman's separable convolution for a kernel filter: the kernel reconstructs the source when
// enlarging and samples it (widened by the scale) when shrinking.
std::vector<pixman_fixed_t> ConvolutionFor(TStretchFilter filter, double scale) {
  pixman_kernel_t kernel = PIXMAN_KERNEL_LINEAR;
  if (filter == sfLanczos) kernel = PIXMAN_KERNEL_LANCZOS3;
  if (filter == sfMitchell) kernel = PIXMAN_KERNEL_CUBIC;
  const bool shrinking = scale > 1.0;
  // The B-spline is two tents convolved: linear in both roles.
  const pixman_kernel_t reconstruct =
      filter == sfSpline ? PIXMAN_KERNEL_LINEAR : shrinking ? PIXMAN_KERNEL_IMPULSE : kernel;
  const pixman_kernel_t sample =
      filter == sfSpline ? PIXMAN_KERNEL_LINEAR : shrinking ? kernel : PIXMAN_KERNEL_IMPULSE;
  int count = 0;
  const pixman_fixed_t s = pixman_double_to_fixed(scale);
  pixman_fixed_t* params = pixman_filter_create_separable_convolution(
      &count, s, s, reconstruct, reconstruct, sample, sample, 4, 4);
  std::vector<pixman_fixed_t> result(params, params + count);
  free(params);
  return result;
}

void PixmanBench(benchmark::State& state, TStretchFilter filter, int size) {
  Source& source = TheSource();
  std::vector<uint32_t> pixels(size_t(size) * size);
  pixman_image_t* target =
      pixman_image_create_bits(PIXMAN_a8r8g8b8, size, size, pixels.data(), size * 4);
  const double scale = double(kSource) / size;
  pixman_transform_t transform;
  pixman_transform_init_scale(&transform, pixman_double_to_fixed(scale), pixman_double_to_fixed(scale));
  pixman_image_set_transform(source.image, &transform);
  std::vector<pixman_fixed_t> params;
  if (filter == sfNearest) {
    pixman_image_set_filter(source.image, PIXMAN_FILTER_NEAREST, nullptr, 0);
  } else if (filter == sfLinear) {
    pixman_image_set_filter(source.image, PIXMAN_FILTER_BILINEAR, nullptr, 0);
  } else {
    params = ConvolutionFor(filter, scale);
    pixman_image_set_filter(source.image, PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params.data(),
                            int(params.size()));
  }
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, source.image, nullptr, target, 0, 0, 0, 0, 0, 0,
                             size, size);
    benchmark::DoNotOptimize(pixels.data());
  }
  pixman_image_set_transform(source.image, nullptr);
  pixman_image_unref(target);
  SetRate(state, size);
}

std::string Name(const char* who, int filter, int size, int threads = 1) {
  return std::string(who) + "/" + kFilterNames[filter] + "/" + std::to_string(size) + "/T" +
         std::to_string(threads);
}

}  // namespace

int main(int argc, char** argv) {
  const bool vips = bench::vips::Start(argv[0]);
  const int all = ParallelRowThreads();
  for (int f = 0; f < 5; ++f)
    for (int size : kSizes) {
      for (int threads : {1, all})
        benchmark::RegisterBenchmark(Name("Ours", f, size, threads).c_str(), OursBench, kFilters[f],
                                     size, threads)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
      benchmark::RegisterBenchmark(Name("Pixman", f, size).c_str(), PixmanBench, kFilters[f], size)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
      if (const auto kernel = VipsKernel(kFilters[f]); kernel && vips)
        for (int threads : {1, all})
          benchmark::RegisterBenchmark(Name("Vips", f, size, threads).c_str(), VipsBench, *kernel,
                                       size, threads)
              ->Unit(benchmark::kMillisecond)
              ->UseRealTime();
    }

  benchmark::Initialize(&argc, argv);
  bench::RateReporter reporter("Mpix/s");
  benchmark::RunSpecifiedBenchmarks(&reporter);

  auto rate = [&](const std::string& name) { return reporter.Rate(name + "/real_time"); };
  auto cell = [](double v) { return v > 0 ? std::to_string(int(v + 0.5)) : std::string("-"); };
  auto ratio = [](double a, double b) {
    char text[16] = "-";
    if (a > 0 && b > 0) std::snprintf(text, sizeof text, "%.2f", a / b);
    return std::string(text);
  };
  std::printf("\n2048 x 2048 resized, Mpix/s of output; ours and libvips on 1 and on %d threads, "
              "pixman on 1\n", all);
  std::printf("%-11s %-11s | %7s %7s %6s %7s %6s | %7s %7s %6s\n", "filter", "to", "ours1", "vips1",
              "x", "pixman", "x", "oursN", "vipsN", "x");
  for (int f = 0; f < 5; ++f)
    for (int size : kSizes) {
      const double ours = rate(Name("Ours", f, size)), oursN = rate(Name("Ours", f, size, all));
      if (ours == 0 && oursN == 0) continue;  // filtered out
      const double peer = rate(Name("Pixman", f, size));
      const double v1 = rate(Name("Vips", f, size)), vN = rate(Name("Vips", f, size, all));
      const std::string to = std::to_string(size) + " x " + std::to_string(size);
      std::printf("%-11s %-11s | %7s %7s %6s %7s %6s | %7s %7s %6s\n", kFilterNames[f], to.c_str(),
                  cell(ours).c_str(), cell(v1).c_str(), ratio(ours, v1).c_str(), cell(peer).c_str(),
                  ratio(ours, peer).c_str(), cell(oursN).c_str(), cell(vN).c_str(), ratio(oursN, vN).c_str());
    }
  benchmark::Shutdown();
  return 0;
}
