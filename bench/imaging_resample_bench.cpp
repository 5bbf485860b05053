// Resampling speed of the image library: a 4000 x 3000 24-bit photo-like bitmap resized to
// 1000 x 750 (reduce) and to 8000 x 6000 (enlarge) with the box (rfNearest), triangle,
// Lanczos3 and Mitchell kernels through ResampleBitmap, next to pixman's separable
// convolution doing the same resizes on the same pixels (r8g8b8, edges padded) with the
// nearest kernel it offers: box, linear, Lanczos3 and its cubic. As ours does, the kernel
// reconstructs the source when enlarging and samples it (widened by the scale) when reducing.
// Rates are megapixels of output per second, measured on the wall clock.
//
// Run: WINEPREFIX=<build>/wineprefix tools/wine-test <build>/bench/imaging_resample_bench.exe
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/base/system_info.h"
#include "imaging/model/routines/resample.h"

using namespace imaging;

namespace {

constexpr int kSourceWidth = 4000;
constexpr int kSourceHeight = 3000;
struct Size {
  int width, height;
};
constexpr Size kSizes[] = {{1000, 750}, {8000, 6000}};
constexpr TResampleFilter kFilters[] = {rfNearest, rfTriangle, rfLanczos3, rfMitchell};
const char* const kFilterNames[] = {"box", "triangle", "lanczos3", "mitchell"};
constexpr pixman_kernel_t kPeerKernels[] = {PIXMAN_KERNEL_BOX, PIXMAN_KERNEL_LINEAR, PIXMAN_KERNEL_LANCZOS3,
                                            PIXMAN_KERNEL_CUBIC};

uint32_t Noise(uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

// Smooth shading, hard edges and some grain, as a photograph has. pixman sees the same rows
// (from the lowest address up, so upside down, which costs it nothing).
struct Source {
  TIEBitmap bitmap;
  pixman_image_t* image = nullptr;

  Source() {
    bitmap.SetLocation(ieMemory);
    bitmap.Allocate(kSourceWidth, kSourceHeight, ie24RGB);
    uint32_t state = 0x2545F491u;
    for (int y = 0; y < kSourceHeight; ++y) {
      uint8_t* row = static_cast<uint8_t*>(bitmap.GetScanline(y));
      for (int x = 0; x < kSourceWidth; ++x) {
        const double fx = x / double(kSourceWidth), fy = y / double(kSourceHeight);
        const double shade = 0.5 + 0.5 * std::sin(fx * 7.0 + std::cos(fy * 5.0) * 2.0);
        const bool edge = ((x / 256) + (y / 320)) % 3 == 0;
        const int grain = int(Noise(state) & 15) - 8;
        auto channel = [&](double v) { return uint8_t(std::min(std::max(int(v * 255.0) + grain, 0), 255)); };
        row[3 * x] = channel(edge ? 0.2 : 0.8 - 0.6 * fx);
        row[3 * x + 1] = channel(0.3 + 0.5 * fy * shade);
        row[3 * x + 2] = channel(edge ? 0.9 - 0.6 * shade : shade);
      }
    }
    const int stride = bitmap.RowLen();
    image = pixman_image_create_bits(PIXMAN_r8g8b8, kSourceWidth, kSourceHeight,
                                     static_cast<uint32_t*>(bitmap.GetScanline(kSourceHeight - 1)), stride);
    pixman_image_set_repeat(image, PIXMAN_REPEAT_PAD);
  }
  ~Source() { pixman_image_unref(image); }
};

Source& TheSource() {
  static Source source;
  return source;
}

void SetRate(benchmark::State& state, const Size& size) {
  state.counters["Mpix/s"] = benchmark::Counter(double(size.width) * size.height * 1e-6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

void OursBench(benchmark::State& state, int filter, Size size) {
  Source& source = TheSource();
  TIEBitmap dest;
  dest.SetLocation(ieMemory);
  dest.Allocate(size.width, size.height, ie24RGB);
  for (auto _ : state) {
    ResampleBitmap(&source.bitmap, &dest, kFilters[filter], nullptr, nullptr);
    benchmark::DoNotOptimize(dest.GetScanline(0));
  }
  SetRate(state, size);
}

void PixmanBench(benchmark::State& state, int filter, Size size) {
  Source& source = TheSource();
  const int stride = (size.width * 3 + 3) / 4 * 4;
  std::vector<uint32_t> pixels(size_t(stride / 4) * size.height);
  pixman_image_t* target = pixman_image_create_bits(PIXMAN_r8g8b8, size.width, size.height, pixels.data(), stride);
  const double scaleX = double(kSourceWidth) / size.width, scaleY = double(kSourceHeight) / size.height;
  pixman_transform_t transform;
  pixman_transform_init_scale(&transform, pixman_double_to_fixed(scaleX), pixman_double_to_fixed(scaleY));
  pixman_image_set_transform(source.image, &transform);
  const pixman_kernel_t kernel = kPeerKernels[filter];
  const bool reducing = scaleX > 1;
  const pixman_kernel_t reconstruct = reducing ? PIXMAN_KERNEL_IMPULSE : kernel;
  const pixman_kernel_t sample = reducing ? kernel : PIXMAN_KERNEL_IMPULSE;
  int count = 0;
  pixman_fixed_t* params =
      pixman_filter_create_separable_convolution(&count, pixman_double_to_fixed(scaleX), pixman_double_to_fixed(scaleY),
                                                 reconstruct, reconstruct, sample, sample, 4, 4);
  pixman_image_set_filter(source.image, PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params, count);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, source.image, nullptr, target, 0, 0, 0, 0, 0, 0, size.width, size.height);
    benchmark::DoNotOptimize(pixels.data());
  }
  free(params);
  pixman_image_set_filter(source.image, PIXMAN_FILTER_NEAREST, nullptr, 0);
  pixman_image_set_transform(source.image, nullptr);
  pixman_image_unref(target);
  SetRate(state, size);
}

// Keeps the console output and remembers each run's rate for the closing table.
class RateReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> rates;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const auto it = run.counters.find("Mpix/s");
      if (it == run.counters.end() || run.run_type != Run::RT_Iteration) continue;
      // The wall-clock runs carry a "/real_time" suffix that the table's names do not.
      std::string name = run.benchmark_name();
      const std::string suffix = "/real_time";
      if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        name.resize(name.size() - suffix.size());
      rates[name] = it->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

std::string SizeName(const Size& size) { return std::to_string(size.width) + "x" + std::to_string(size.height); }

std::string Name(const char* who, int filter, const Size& size) {
  return std::string(who) + "/" + kFilterNames[filter] + "/" + SizeName(size);
}

}  // namespace

int main(int argc, char** argv) {
  for (int f = 0; f < 4; ++f)
    for (const Size& size : kSizes) {
      benchmark::RegisterBenchmark(Name("Ours", f, size).c_str(), OursBench, f, size)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
      benchmark::RegisterBenchmark(Name("Pixman", f, size).c_str(), PixmanBench, f, size)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    }

  benchmark::Initialize(&argc, argv);
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  auto rate = [&](const std::string& name) {
    const auto it = reporter.rates.find(name);
    return it == reporter.rates.end() ? 0.0 : it->second;
  };
  std::printf("\n4000 x 3000 24-bit resized; ours on %d worker threads (horizontal pass), pixman on one\n",
              int(GetProcessorCoreCount()));
  std::printf("%-10s %-10s %12s %12s %8s\n", "filter", "to", "ours Mpix/s", "pixman", "ratio");
  for (int f = 0; f < 4; ++f)
    for (const Size& size : kSizes) {
      const double ours = rate(Name("Ours", f, size)), peer = rate(Name("Pixman", f, size));
      if (ours == 0 || peer == 0) continue;  // filtered out
      std::printf("%-10s %-10s %12.1f %12.1f %8.2f\n", kFilterNames[f], SizeName(size).c_str(), ours, peer,
                  ours / peer);
    }
  benchmark::Shutdown();
  return 0;
}
