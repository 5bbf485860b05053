// Resampling speed of the image library: a 4000 x 3000 24-bit photo-like bitmap resized to
// 1000 x 750 (reduce) and to 8000 x 6000 (enlarge) with the box (rfNearest), triangle,
// Lanczos3 and Mitchell kernels through ResampleBitmap, next to pixman's separable
// convolution doing the same resizes on the same pixels (r8g8b8, edges padded) with the
// nearest kernel it offers: box, linear, Lanczos3 and its cubic. As ours does, the kernel
// reconstructs the source when enlarging and samples it (widened by the scale) when reducing;
// and libvips resizing the same pixels to the same size with the same kernel where it has one
// (nearest for the box, linear, Lanczos3, Mitchell), with no box pre-shrink. Ours and libvips
// run on one core and on all: ours spreads its work over the runtime's worker threads, so its
// one-core run confines the process to one processor; libvips is given one thread. pixman
// runs on one. The reductions take our shrinking road (a box average by a whole factor, then
// the kernel), libvips's and pixman's filter the whole source.
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
#include "bench/vips_peer.h"
#include "vcl/runtime/win.h"

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

// Confines the process to the first processor (one core), or lets it use all again.
void UseOneCore(bool one) {
  DWORD_PTR process = 0, system = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) return;
  static const DWORD_PTR all = system;
  SetProcessAffinityMask(GetCurrentProcess(), one ? (all & (~all + 1)) : all);
}

void OursBench(benchmark::State& state, int filter, Size size, bool oneCore) {
  Source& source = TheSource();
  UseOneCore(oneCore);
  TIEBitmap dest;
  dest.SetLocation(ieMemory);
  dest.Allocate(size.width, size.height, ie24RGB);
  for (auto _ : state) {
    ResampleBitmap(&source.bitmap, &dest, kFilters[filter], nullptr, nullptr);
    benchmark::DoNotOptimize(dest.GetScanline(0));
  }
  UseOneCore(false);
  SetRate(state, size);
}

constexpr bench::vips::Kernel kVipsKernels[] = {bench::vips::Kernel::Nearest, bench::vips::Kernel::Linear,
                                                bench::vips::Kernel::Lanczos3, bench::vips::Kernel::Mitchell};

// The same rows as pixman sees (lowest address first), three bands.
void VipsBench(benchmark::State& state, int filter, Size size, int threads, bool preShrink) {
  Source& source = TheSource();
  bench::vips::SetThreads(threads);
  const auto* pixels = static_cast<const uint8_t*>(source.bitmap.GetScanline(kSourceHeight - 1));
  for (auto _ : state)
    if (!bench::vips::Resize(pixels, kSourceWidth, kSourceHeight, source.bitmap.RowLen(), 3, size.width,
                             size.height, kVipsKernels[filter], preShrink))
      state.SkipWithError("libvips failed");
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
  const bool vips = bench::vips::Start(argv[0]);
  const int cores = int(GetProcessorCoreCount());
  for (int f = 0; f < 4; ++f)
    for (const Size& size : kSizes) {
      for (bool oneCore : {true, false})
        benchmark::RegisterBenchmark((Name("Ours", f, size) + (oneCore ? "/T1" : "/TN")).c_str(), OursBench, f,
                                     size, oneCore)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
      benchmark::RegisterBenchmark(Name("Pixman", f, size).c_str(), PixmanBench, f, size)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
      if (vips)
        for (int threads : {1, cores})
          for (bool preShrink : {false, true}) {
            if (preShrink && size.width > kSourceWidth) continue;  // only reductions shrink first
            benchmark::RegisterBenchmark(
                (Name(preShrink ? "VipsShrink" : "Vips", f, size) + (threads == 1 ? "/T1" : "/TN")).c_str(),
                VipsBench, f, size, threads, preShrink)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
          }
    }

  benchmark::Initialize(&argc, argv);
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  auto rate = [&](const std::string& name) {
    const auto it = reporter.rates.find(name);
    return it == reporter.rates.end() ? 0.0 : it->second;
  };
  auto cell = [](double v) {
    char text[16] = "-";
    if (v > 0) std::snprintf(text, sizeof text, "%.1f", v);
    return std::string(text);
  };
  auto ratio = [](double a, double b) {
    char text[16] = "-";
    if (a > 0 && b > 0) std::snprintf(text, sizeof text, "%.2f", a / b);
    return std::string(text);
  };
  std::printf("\n4000 x 3000 24-bit resized, Mpix/s of output; ours and libvips on one core and on %d, pixman on one\n",
              cores);
  std::printf("(vips: the kernel alone; vipsS: libvips's own box pre-shrink first, as ours does when reducing)\n");
  std::printf("%-10s %-10s | %7s %7s %6s %7s %6s %7s %6s | %7s %7s %6s %7s %6s\n", "filter", "to", "ours1", "vips1", "x",
              "vipsS1", "x", "pixman", "x", "oursN", "vipsN", "x", "vipsSN", "x");
  for (int f = 0; f < 4; ++f)
    for (const Size& size : kSizes) {
      const double ours = rate(Name("Ours", f, size) + "/T1"), oursN = rate(Name("Ours", f, size) + "/TN");
      if (ours == 0 && oursN == 0) continue;  // filtered out
      const double peer = rate(Name("Pixman", f, size));
      const double v1 = rate(Name("Vips", f, size) + "/T1"), vN = rate(Name("Vips", f, size) + "/TN");
      const double s1 = rate(Name("VipsShrink", f, size) + "/T1"), sN = rate(Name("VipsShrink", f, size) + "/TN");
      std::printf("%-10s %-10s | %7s %7s %6s %7s %6s %7s %6s | %7s %7s %6s %7s %6s\n", kFilterNames[f],
                  SizeName(size).c_str(), cell(ours).c_str(), cell(v1).c_str(), ratio(ours, v1).c_str(),
                  cell(s1).c_str(), ratio(ours, s1).c_str(), cell(peer).c_str(), ratio(ours, peer).c_str(),
                  cell(oursN).c_str(), cell(vN).c_str(), ratio(oursN, vN).c_str(), cell(sN).c_str(),
                  ratio(oursN, sN).c_str());
    }
  benchmark::Shutdown();
  return 0;
}
