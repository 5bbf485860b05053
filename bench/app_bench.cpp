// The compositor's merge pipeline for a 4000 x 3000 base and overlay in each blend mode: the
// merge through the layer, the flatten and the hand-over to the result view, as a change of
// the blend mode runs them on the real main form; next to the bitmap engine blending the
// same pixels directly (the overlay drawn over the base with the mode's combiner). The
// closing table gives the pipeline's time as a multiple of the bare blend's.
//
// Run: WINEPREFIX=<build>/wineprefix tools/wine-test <build>/bench/app_bench.exe
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

#include "app/main_form.h"
#include "bench/bench_common.h"
#include "bitmap/engine/bitmap32.h"
#include "bitmap/engine/blend_modes.h"
#include "formats/file_format_list.h"
#include "skin/controls/register_controls.h"
#include "vcl/controls/application.h"

using namespace bitmap;

namespace {

constexpr int kWidth = 4000, kHeight = 3000;
constexpr double kPixels = double(kWidth) * kHeight;

void FillNoise(TBitmap32& picture, uint32_t seed) {
  picture.SetSize(kWidth, kHeight);
  uint32_t state = seed;
  for (int64_t i = 0; i < int64_t(kWidth) * kHeight; ++i) picture.Bits()[i] = bench::Noise(state) | 0xFF000000u;
}

// A 24-bit BMP of the picture, written where the program can read it.
std::string WriteBmp(const TBitmap32& picture, const std::string& unixPath) {
  const int32_t stride = kWidth * 3;
  std::ofstream out(unixPath, std::ios::binary);
  uint8_t header[54] = {'B', 'M'};
  auto put32 = [&](int at, uint32_t v) { std::memcpy(header + at, &v, 4); };
  put32(2, 54 + stride * kHeight);
  put32(10, 54);
  put32(14, 40);
  put32(18, kWidth);
  put32(22, kHeight);
  header[26] = 1;
  header[28] = 24;
  out.write(reinterpret_cast<const char*>(header), sizeof header);
  std::string row(stride, '\0');
  for (int y = kHeight - 1; y >= 0; --y) {
    for (int x = 0; x < kWidth; ++x) std::memcpy(&row[x * 3], picture.PixelPtr(x, y), 3);
    out.write(row.data(), stride);
  }
  return "Z:" + unixPath;
}

struct Fixture {
  TBitmap32 base, overlay;
  app::TForm1* form = nullptr;

  Fixture() {
    FillNoise(base, 1);
    FillNoise(overlay, 2);
    formats::RegisterPictureFormats();
    skin::RegisterSkinnedControls();
    form = vcl::NewForm<app::TForm1>(nullptr);
    form->Show();
    const std::string folder = "/tmp/mergeon-app-bench-" + std::to_string(getpid());
    std::string command = "mkdir -p " + folder;
    if (std::system(command.c_str()) != 0) std::abort();
    form->LoadBase(WriteBmp(base, folder + "/base.bmp"));
    form->LoadOverlay(WriteBmp(overlay, folder + "/overlay.bmp"));
    command = "rm -rf " + folder;
    (void)std::system(command.c_str());
  }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void SetRate(benchmark::State& state) {
  state.counters["Mpix/s"] = benchmark::Counter(kPixels * double(state.iterations()), benchmark::Counter::kIsRate,
                                                benchmark::Counter::kIs1000);
}

// A change of the blend mode: the merge, the flatten and the show.
void PipelineBench(benchmark::State& state, int mode) {
  Fixture& f = Shared();
  f.form->BlendComboBox->SetItemIndex(mode);
  for (auto _ : state) f.form->BlendComboBoxChange(f.form->BlendComboBox);
  SetRate(state);
}

// The same pixels blended by the engine: the overlay over a copy of the base.
void BareBlendBench(benchmark::State& state, int mode) {
  Fixture& f = Shared();
  TBitmap32 target;
  target.Assign(&f.base);
  TBitmap32 layer;
  layer.Assign(&f.overlay);
  layer.SetDrawMode(dmCustom);
  layer.OnPixelCombine = BlendModeCombineEvent(mode);
  for (auto _ : state) layer.DrawToRect(&target, target.BoundsRect());
  SetRate(state);
}

std::string Name(const char* what, int mode) { return std::string(what) + "/" + BlendModeName(mode); }

}  // namespace

int main(int argc, char** argv) {
  for (int mode = 0; mode < BlendModeCount; ++mode) {
    benchmark::RegisterBenchmark(Name("Pipeline", mode).c_str(), PipelineBench, mode)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(Name("BareBlend", mode).c_str(), BareBlendBench, mode)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
  benchmark::Initialize(&argc, argv);
  bench::RateReporter reporter("Mpix/s");
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\nMpix/s of a %d x %d merge; x: the pipeline's time over the bare blend's (goal: within 3)\n", kWidth,
              kHeight);
  std::printf("%-13s | %9s %9s | %6s\n", "mode", "pipeline", "blend", "x");
  for (int mode = 0; mode < BlendModeCount; ++mode) {
    const double pipeline = reporter.Rate(Name("Pipeline", mode) + "/real_time");
    const double blend = reporter.Rate(Name("BareBlend", mode) + "/real_time");
    if (pipeline == 0 && blend == 0) continue;  // filtered out
    char ratio[16] = "-";
    if (pipeline > 0 && blend > 0) std::snprintf(ratio, sizeof ratio, "%.2f", blend / pipeline);
    std::printf("%-13s | %9.0f %9.0f | %6s\n", BlendModeName(mode).c_str(), pipeline / 1e6, blend / 1e6, ratio);
  }
  delete Shared().form;
  benchmark::Shutdown();
  return 0;
}
