// Resampling speed: a 2048 x 2048 photo-like bitmap resized to 1365 x 1365 (shrink) and to
// 3000 x 3000 (enlarge) with each stretch filter through TransferRect (dmOpaque), next to
// pixman doing the same resizes (PIXMAN_OP_SRC, edges padded): its nearest filter for
// sfNearest, its bilinear filter for sfLinear, and separable convolutions for the kernel
// filters (Lanczos3 for sfLanczos, the cubic for sfMitchell, linear for sfSpline), with the
// kernel reconstructing when enlarging and sampling when shrinking, as ours does. Rates are
// megapixels of output per second.
//
// Run: WINEPREFIX=<build>/wineprefix tools/wine-test <build>/bench/bitmap_resample_bench.exe
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_common.h"
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

void OursBench(benchmark::State& state, TStretchFilter filter, int size) {
  Source& source = TheSource();
  TBitmap32 target;
  target.SetSize(size, size);
  const TRect whole{0, 0, size, size};
  for (auto _ : state) {
    TransferRect(&target, whole, whole, &source.bitmap, source.bitmap.BoundsRect(), filter,
                 dmOpaque, {});
    benchmark::DoNotOptimize(target.Bits());
  }
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

std::string Name(const char* who, int filter, int size) {
  return std::string(who) + "/" + kFilterNames[filter] + "/" + std::to_string(size);
}

}  // namespace

int main(int argc, char** argv) {
  for (int f = 0; f < 5; ++f)
    for (int size : kSizes) {
      benchmark::RegisterBenchmark(Name("Ours", f, size).c_str(), OursBench, kFilters[f], size)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(Name("Pixman", f, size).c_str(), PixmanBench, kFilters[f], size)
          ->Unit(benchmark::kMillisecond);
    }

  benchmark::Initialize(&argc, argv);
  bench::RateReporter reporter("Mpix/s");
  benchmark::RunSpecifiedBenchmarks(&reporter);

  auto rate = [&](const std::string& name) { return reporter.Rate(name); };
  std::printf("\n2048 x 2048 resized; ours on up to %d threads, pixman on one\n",
              int(ParallelRowThreads()));
  std::printf("%-11s %-11s %12s %12s %8s\n", "filter", "to", "ours Mpix/s", "pixman", "ratio");
  for (int f = 0; f < 5; ++f)
    for (int size : kSizes) {
      const double ours = rate(Name("Ours", f, size)), peer = rate(Name("Pixman", f, size));
      if (ours == 0 || peer == 0) continue;  // filtered out
      const std::string to = std::to_string(size) + " x " + std::to_string(size);
      std::printf("%-11s %-11s %12.0f %12.0f %8.2f\n", kFilterNames[f], to.c_str(), ours, peer,
                  ours / peer);
    }
  benchmark::Shutdown();
  return 0;
}
