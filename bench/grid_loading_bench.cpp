// Loading speed of the thumbnail grid: a grid of 140 x 140 cells filled with large JPEG files
// (made here from generated pictures), against libjpeg-turbo alone decoding the same files at
// 1/8 scale on as many threads as the grid's pool has.
//   GridVisible / PeerVisible: until every thumbnail visible at first is there (painted, for
//     the grid).
//   GridAll / PeerAll: until every file is loaded (the grid looks ahead over all of them).
// Times in milliseconds; ratio = ours / peer (above 1: slower than the peer).
//
// Run: WINEPREFIX=<build>/wineprefix tools/wine-test <build>/bench/imaging_grid_bench.exe
// MERGEON_GRID_BENCH_FILES sets the number of files (default 96, each 2400 x 1600).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_common.h"
#include "bench/codec_peers.h"
#include "bench/jpeg_scaled_peer.h"
#include "imaging/view/thumbnail_grid.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"
#include "vcl/runtime/threads.h"
#include "vcl/runtime/win.h"

using namespace imaging;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPictureWidth = 2400, kPictureHeight = 1600;
constexpr int kClientWidth = 1200, kClientHeight = 800;
constexpr int kCell = 140;

int Threads() { return static_cast<int>(std::max(1u, std::min(8u, std::thread::hardware_concurrency()))); }

int FileCount() {
  const char* value = std::getenv("MERGEON_GRID_BENCH_FILES");
  const int n = value ? std::atoi(value) : 96;
  return std::max(n, 1);
}

struct Files {
  std::string unixDir;
  std::vector<std::string> unixNames;
  std::vector<std::u16string> names;

  Files() {
    char pattern[] = "/tmp/mergeon-grid-bench-XXXXXX";
    unixDir = mkdtemp(pattern) ? pattern : "/tmp";
    std::vector<uint8_t> pixels(size_t(kPictureWidth) * kPictureHeight * 3);
    std::vector<uint8_t*> rows(kPictureHeight);
    for (int y = 0; y < kPictureHeight; ++y) rows[y] = pixels.data() + size_t(y) * kPictureWidth * 3;
    peers::Bytes jpeg;
    for (int i = 0; i < FileCount(); ++i) {
      uint32_t state = 0x9E3779B9u + i;
      for (int y = 0; y < kPictureHeight; ++y) {
        uint8_t* p = rows[y];
        for (int x = 0; x < kPictureWidth; ++x, p += 3) {
          const int grain = int(bench::Noise(state) & 31);
          p[0] = uint8_t((x * (i + 1)) >> 5);
          p[1] = uint8_t((y >> 3) + grain);
          p[2] = uint8_t(((x + y) >> 4) ^ (i * 37));
        }
      }
      peers::WriteJPEG(peers::Picture{kPictureWidth, kPictureHeight, rows.data()}, 85, jpeg);
      const std::string unixName = unixDir + "/picture" + std::to_string(i) + ".jpg";
      std::ofstream(unixName, std::ios::binary).write(reinterpret_cast<const char*>(jpeg.data()), jpeg.size());
      unixNames.push_back(unixName);
      std::string windowsName = "Z:" + unixName;
      std::replace(windowsName.begin(), windowsName.end(), '/', '\\');
      names.emplace_back(windowsName.begin(), windowsName.end());
    }
  }
  ~Files() { (void)std::system(("rm -rf '" + unixDir + "'").c_str()); }
};

Files& TheFiles() {
  static Files files;
  return files;
}

// The times of the last run of each side, for the closing table.
double gridVisibleMs = 0, gridAllMs = 0, peerVisibleMs = 0, peerAllMs = 0;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The images the grid shows before any scrolling.
int VisibleCount() {
  const int columns = (kClientWidth - 4) / (kCell + 4);
  const int rows = (kClientHeight - 4 + kCell + 3) / (kCell + 4);
  return std::min(columns * rows, FileCount());
}

void GridLoad(benchmark::State& state) {
  Files& files = TheFiles();
  double visibleMs = 0, allMs = 0;
  for (auto _ : state) {
    auto form = std::make_unique<vcl::TForm>(nullptr);
    form->SetBorderStyle(vcl::bsNone);
    form->SetBounds(0, 0, kClientWidth, kClientHeight);
    auto* grid = new TImageMView(form.get());
    grid->SetParent(form.get());
    grid->SetBorderStyle(vcl::bsNone);
    grid->SetScrollBars(vcl::ssNone);
    grid->SetBounds(0, 0, kClientWidth, kClientHeight);
    grid->SetThumbWidth(kCell);
    grid->SetThumbHeight(kCell);
    grid->SetGridWidth(-1);
    grid->SetStoreType(ietThumb);
    grid->SetThreadPoolSize(Threads());
    grid->SetLookAhead(FileCount());
    form->Show();
    grid->LockPaint();
    for (const std::u16string& name : files.names) grid->SetImageFileName(grid->AppendImage(), name);
    grid->UnlockPaint();
    const int visible = VisibleCount();
    auto loaded = [&](int upTo) {
      for (int i = 0; i < upTo; ++i)
        if (!grid->IsImageLoaded(i)) return false;
      return true;
    };
    const auto start = Clock::now();
    bool visibleDone = false;
    grid->Invalidate();
    for (;;) {
      // Paints as a message loop would: when finished jobs invalidated the grid.
      ::UpdateWindow(grid->Handle());
      // One message at a time, as a message loop takes them (ProcessMessages would not come
      // back while jobs keep finishing), then the calls the finished jobs queued.
      MSG msg;
      if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
      vcl::CheckSynchronize(1);
      if (!visibleDone && loaded(visible)) {
        // The paint that follows shows them all.
        grid->Invalidate();
        ::UpdateWindow(grid->Handle());
        visibleMs = Ms(Clock::now() - start);
        visibleDone = true;
      }
      if (visibleDone && loaded(FileCount())) break;
    }
    allMs = Ms(Clock::now() - start);
    state.SetIterationTime(allMs / 1000);
    form.reset();
  }
  state.counters["visible_ms"] = visibleMs;
  state.counters["all_ms"] = allMs;
  gridVisibleMs = visibleMs;
  gridAllMs = allMs;
}

class TDecodeWorker : public vcl::TThread {
 public:
  TDecodeWorker(std::atomic<int>& next, std::atomic<int>& done) : vcl::TThread(false), next_(next), done_(done) {}

 protected:
  void Execute() override {
    Files& files = TheFiles();
    std::vector<uint8_t> pixels;
    for (int i = next_++; i < int(files.unixNames.size()); i = next_++) {
      std::ifstream in(files.unixNames[i], std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      int w = 0, h = 0;
      peers::DecodeJPEGScaled(bytes, 8, w, h, pixels);
      ++done_;
    }
  }

 private:
  std::atomic<int>& next_;
  std::atomic<int>& done_;
};

void PeerLoad(benchmark::State& state) {
  TheFiles();
  double visibleMs = 0, allMs = 0;
  for (auto _ : state) {
    std::atomic<int> next{0}, done{0};
    const auto start = Clock::now();
    std::vector<TDecodeWorker*> workers;
    for (int t = 0; t < Threads(); ++t) workers.push_back(vcl::NewThread<TDecodeWorker>(next, done));
    bool visibleDone = false;
    while (done < FileCount()) {
      if (!visibleDone && done >= VisibleCount()) {
        visibleMs = Ms(Clock::now() - start);
        visibleDone = true;
      }
      ::Sleep(0);
    }
    if (!visibleDone) visibleMs = Ms(Clock::now() - start);
    for (TDecodeWorker* worker : workers) {
      worker->WaitFor();
      delete worker;
    }
    allMs = Ms(Clock::now() - start);
    state.SetIterationTime(allMs / 1000);
  }
  state.counters["visible_ms"] = visibleMs;
  state.counters["all_ms"] = allMs;
  peerVisibleMs = visibleMs;
  peerAllMs = allMs;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::RegisterBenchmark("GridLoad", GridLoad)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
  benchmark::RegisterBenchmark("PeerLoad", PeerLoad)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
  benchmark::Initialize(&argc, argv);
  std::printf("Making %d JPEG files of %d x %d...\n", FileCount(), kPictureWidth, kPictureHeight);
  TheFiles();
  benchmark::RunSpecifiedBenchmarks();
  std::printf("\n%d files of %d x %d, %d visible at first, %d threads; milliseconds, ratio = grid / libjpeg at 1/8\n",
              FileCount(), kPictureWidth, kPictureHeight, VisibleCount(), Threads());
  if (gridAllMs > 0 && peerAllMs > 0) {
    std::printf("visible thumbnails painted: grid %8.1f  peer %8.1f  ratio %.2f\n", gridVisibleMs, peerVisibleMs,
                gridVisibleMs / peerVisibleMs);
    std::printf("all images loaded:          grid %8.1f  peer %8.1f  ratio %.2f\n", gridAllMs, peerAllMs,
                gridAllMs / peerAllMs);
  }
  benchmark::Shutdown();
  return 0;
}
