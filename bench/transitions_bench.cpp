// Frame cost of every transition at full HD: one frame of each effect on 1920 x 1080 pictures
// at progress 0.25, 0.5 and 0.75, next to a plain BitBlt of the whole frame (the least any
// frame costs, since the player copies each frame onto the view that way). Each effect's
// counter "x_blit" is its frame time over the BitBlt's; the goal is at most 4, so that any
// effect keeps 60 frames per second on one core. The closing table lists the effects over it.
//
// The halftone stretch the expand, shrink, build-up, push-and-squeeze and page-flip effects
// draw with is the platform's; its cost grows with the pixels it writes, so "HalftoneStretch"
// (the whole frame squeezed to three quarters of its width: push and squeeze at 25) shows the
// floor those frames cannot go below while they keep the platform's pictures.
//
// Random points and boxes draw only the items added since the previous frame: each timed frame
// follows an untimed one a sixtieth of a one-second run earlier.
//
// Run: WINEPREFIX=<build>/wineprefix tools/wine-test <build>/bench/transitions_bench.exe
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/transitions/transition_effect_table.h"
#include "imaging/transitions/transition_frames.h"
#include "vcl/runtime/win.h"

using namespace imaging;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr double kProgresses[] = {0.25, 0.5, 0.75};
// One frame of a one-second run at 60 frames per second, in steps.
constexpr int32_t kFrameSteps = 1024 / 60;
// The most a frame may take, so that a busy machine still draws 60 frames per second with room.
constexpr double kFrameGoalSeconds = 0.008;

using Clock = std::chrono::steady_clock;

void FillNoise(vcl::TBitmap* bitmap, uint32_t seed) {
  GdiFlush();
  for (int y = 0; y < bitmap->Height(); ++y) {
    auto* row = static_cast<uint8_t*>(bitmap->ScanLine(y));
    for (int i = 0; i < bitmap->Width() * 3; ++i) row[i] = uint8_t(bench::Noise(seed));
  }
}

// Pan and zoom moves over a picture of twice the frame's size, from its top-left quarter to
// the whole picture.
TIEBitmap& PanZoomPicture() {
  static TIEBitmap picture(2 * kWidth, 2 * kHeight, ie24RGB);
  static bool filled = false;
  if (!filled) {
    uint32_t seed = 0x2468ACE;
    for (int y = 0; y < picture.Height(); ++y)
      for (int x = 0; x < picture.Width(); ++x) {
        const uint32_t v = bench::Noise(seed);
        picture.SetPixel24(x, y, TRGB{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)});
      }
    filled = true;
  }
  return picture;
}

TTransitionFrames& Frames() {
  static TTransitionFrames frames;
  if (!frames.Prepared()) {
    frames.Prepare(kWidth, kHeight);
    FillNoise(frames.Source(), 0x1234567);
    FillNoise(frames.Target(), 0x7654321);
    frames.SetBackground(vcl::clNavy);
    frames.SetPanZoom(&PanZoomPicture(), vcl::Rect(0, 0, kWidth, kHeight), vcl::Rect(0, 0, 2 * kWidth, 2 * kHeight));
  }
  return frames;
}

double BlitSeconds() {
  TTransitionFrames& frames = Frames();
  HDC dst = frames.Frame()->Canvas()->Handle(), src = frames.Target()->Canvas()->Handle();
  std::vector<double> times;
  for (int i = 0; i < 60; ++i) {
    const auto start = Clock::now();
    BitBlt(dst, 0, 0, kWidth, kHeight, src, 0, 0, SRCCOPY);
    GdiFlush();
    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

double gBlitSeconds = 0;
std::map<std::string, double> gRatios;
// The slowest frame of each effect, in seconds.
std::map<std::string, double> gWorstFrame;

void BlitBench(benchmark::State& state) {
  TTransitionFrames& frames = Frames();
  HDC dst = frames.Frame()->Canvas()->Handle(), src = frames.Target()->Canvas()->Handle();
  for (auto _ : state) {
    BitBlt(dst, 0, 0, kWidth, kHeight, src, 0, 0, SRCCOPY);
    GdiFlush();
  }
}

void HalftoneStretchBench(benchmark::State& state) {
  TTransitionFrames& frames = Frames();
  HDC dst = frames.Frame()->Canvas()->Handle(), src = frames.Target()->Canvas()->Handle();
  SetStretchBltMode(dst, HALFTONE);
  double total = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    StretchBlt(dst, 0, 0, kWidth * 3 / 4, kHeight, src, 0, 0, kWidth, kHeight, SRCCOPY);
    GdiFlush();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    total += seconds;
  }
  state.counters["x_blit"] = total / state.iterations() / gBlitSeconds;
}

void EffectBench(benchmark::State& state, int32_t type, int32_t step, std::string name) {
  TTransitionFrames& frames = Frames();
  const bool accumulates = type == iettRandomPoints || type == iettRandomBoxes;
  // The effects that draw over earlier frames start from the source.
  frames.DrawFrame(type, 0);
  double total = 0;
  for (auto _ : state) {
    if (accumulates) {
      frames.DrawFrame(type, 0);
      frames.DrawFrame(type, step - kFrameSteps);
    }
    const auto start = Clock::now();
    frames.DrawFrame(type, step);
    GdiFlush();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    total += seconds;
  }
  const double ratio = total / state.iterations() / gBlitSeconds;
  state.counters["x_blit"] = ratio;
  gRatios[name] = ratio;
  const std::string effect = name.substr(0, name.find('/'));
  gWorstFrame[effect] = std::max(gWorstFrame[effect], total / state.iterations());
}

std::string EffectName(int32_t type) {
  const TEffect* effect = FindTransitionEffect(type);
  std::string name = effect ? effect->Name : "Pan Zoom";
  for (char& c : name)
    if (c == ' ') c = '_';
  char prefix[8];
  std::snprintf(prefix, sizeof prefix, "%03d_", type);
  return prefix + name;
}

}  // namespace

int main(int argc, char** argv) {
  gBlitSeconds = BlitSeconds();
  benchmark::RegisterBenchmark("BitBlt_full_frame", BlitBench)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("HalftoneStretch_three_quarter_frame", HalftoneStretchBench)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  for (int32_t type = 1; type <= iettPanZoom; ++type) {
    for (double progress : kProgresses) {
      const int32_t step = static_cast<int32_t>(progress * TransitionStepMax);
      const std::string name = EffectName(type) + "/" + std::to_string(int(progress * 100));
      benchmark::RegisterBenchmark(name.c_str(), EffectBench, type, step, name)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::ConsoleReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\nFull-frame BitBlt: %.3f ms. Effects over 4x of it:\n", gBlitSeconds * 1000);
  int over = 0;
  for (const auto& [name, ratio] : gRatios)
    if (ratio > 4) {
      std::printf("  %-60s %6.2fx\n", name.c_str(), ratio);
      ++over;
    }
  if (over == 0) std::printf("  none\n");
  std::printf("\nEffects whose slowest frame takes over %.0f ms:\n", kFrameGoalSeconds * 1000);
  int slow = 0;
  for (const auto& [effect, seconds] : gWorstFrame)
    if (seconds > kFrameGoalSeconds) {
      std::printf("  %-56s %7.2f ms %8.2fx\n", effect.c_str(), seconds * 1000, seconds / gBlitSeconds);
      ++slow;
    }
  if (slow == 0) std::printf("  none\n");
  benchmark::Shutdown();
  return 0;
}
