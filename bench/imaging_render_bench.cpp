// Rendering speed of the image view's inner loop: a 4096 x 4096 24-bit image drawn into a
// 1920 x 1080 24-bit view at 33 %, 100 % and 300 % zoom (the centre of the image, as much as
// the view shows), next to the platform's StretchBlt doing the same from a DIB section into a
// DIB section with the HALFTONE and the COLORONCOLOR stretch modes. Ours renders by nearest
// pixel as the view does without a zoom filter, once as a plain call and once with the row
// reuse a view asks for over a solid background. Rates are megapixels of view per second.
//
// Run: WINEPREFIX=<build>/wineprefix tools/wine-test <build>/bench/imaging_render_bench.exe
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/bench_common.h"
#include "imaging/model/bitmap_render.h"
#include "imaging/model/ie_bitmap.h"
#include "vcl/runtime/win.h"

using namespace imaging;

namespace {

constexpr int kImage = 4096;
constexpr int kViewWidth = 1920;
constexpr int kViewHeight = 1080;
constexpr int kZooms[] = {33, 100, 300};

// The part of the image a view shows at a zoom, and where it lands in the view.
struct ViewRect {
  int sx, sy, sw, sh;
  int dx, dy, dw, dh;
};

ViewRect AtZoom(int percent) {
  const double zoom = percent / 100.0;
  ViewRect r{};
  r.sw = std::min(kImage, int(kViewWidth / zoom));
  r.sh = std::min(kImage, int(kViewHeight / zoom));
  r.dw = std::min(kViewWidth, int(std::lround(r.sw * zoom)));
  r.dh = std::min(kViewHeight, int(std::lround(r.sh * zoom)));
  r.sx = (kImage - r.sw) / 2;
  r.sy = (kImage - r.sh) / 2;
  r.dx = (kViewWidth - r.dw) / 2;
  r.dy = (kViewHeight - r.dh) / 2;
  return r;
}

// Photo-like pixels: smooth shading, hard edges and some grain.
void PaintPixel(int x, int y, uint32_t& state, uint8_t* bgr) {
  const double fx = x / double(kImage), fy = y / double(kImage);
  const double shade = 0.5 + 0.5 * std::sin(fx * 7.0 + std::cos(fy * 5.0) * 2.0);
  const bool edge = ((x / 256) + (y / 320)) % 3 == 0;
  const int grain = int(bench::Noise(state) & 15) - 8;
  auto channel = [&](double v) { return uint8_t(std::clamp(int(v * 255.0) + grain, 0, 255)); };
  bgr[0] = channel(edge ? 0.2 : 0.8 - 0.6 * fx);
  bgr[1] = channel(0.3 + 0.5 * fy * shade);
  bgr[2] = channel(edge ? 0.9 - 0.6 * shade : shade);
}

// A bottom-up 24-bit DIB section selected into its own memory DC.
struct Dib {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  uint8_t* bits = nullptr;
  int stride = 0;

  Dib(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    dc = CreateCompatibleDC(nullptr);
    void* pixels = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    previous = SelectObject(dc, bitmap);
    bits = static_cast<uint8_t*>(pixels);
    stride = (width * 3 + 3) & ~3;
  }
  ~Dib() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  // Row y counted from the top.
  uint8_t* Row(int y, int height) { return bits + size_t(height - 1 - y) * stride; }
};

struct Images {
  TIEBitmap ours{kImage, kImage, ie24RGB};
  Dib platform{kImage, kImage};

  Images() {
    uint32_t state = 0x2545F491u;
    for (int y = 0; y < kImage; ++y) {
      auto* row = static_cast<uint8_t*>(ours.GetScanline(y));
      for (int x = 0; x < kImage; ++x) PaintPixel(x, y, state, row + 3 * x);
      std::memcpy(platform.Row(y, kImage), row, size_t(kImage) * 3);
    }
  }
};

Images& TheImages() {
  static Images images;
  return images;
}

void SetRate(benchmark::State& state, const ViewRect& r) {
  state.counters["Mpix/s"] =
      benchmark::Counter(double(r.dw) * r.dh * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
}

void OursBench(benchmark::State& state, int zoom, bool reuseRows) {
  TIEBitmap& source = TheImages().ours;
  TIEBitmap view(kViewWidth, kViewHeight, ie24RGB);
  view.Fill(0);
  const ViewRect r = AtZoom(zoom);
  // A view keeps its tables from one paint to the next.
  TIERowAddressTable rows;
  TIEIndexTable columnIndex, rowIndex;
  for (auto _ : state) {
    RenderToTIEBitmapFull(&source, &view, &rows, &columnIndex, &rowIndex, nullptr, r.dx, r.dy, r.dw, r.dh, r.sx, r.sy,
                          r.sw, r.sh, true, reuseRows, 255, rfNone, false, ieopCopy);
    benchmark::DoNotOptimize(view.GetScanline(kViewHeight / 2));
  }
  SetRate(state, r);
}

void StretchBltBench(benchmark::State& state, int zoom, int mode) {
  Dib& source = TheImages().platform;
  Dib view(kViewWidth, kViewHeight);
  SetStretchBltMode(view.dc, mode);
  SetBrushOrgEx(view.dc, 0, 0, nullptr);
  const ViewRect r = AtZoom(zoom);
  for (auto _ : state) {
    StretchBlt(view.dc, r.dx, r.dy, r.dw, r.dh, source.dc, r.sx, r.sy, r.sw, r.sh, SRCCOPY);
    GdiFlush();
    benchmark::DoNotOptimize(view.bits);
  }
  SetRate(state, r);
}

std::string Name(const char* who, int zoom) { return std::string(who) + "/" + std::to_string(zoom) + "%"; }

}  // namespace

int main(int argc, char** argv) {
  for (int zoom : kZooms) {
    benchmark::RegisterBenchmark(Name("Ours", zoom).c_str(), OursBench, zoom, false)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(Name("OursReusingRows", zoom).c_str(), OursBench, zoom, true)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(Name("StretchBltHalftone", zoom).c_str(), StretchBltBench, zoom, HALFTONE)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(Name("StretchBltColorOnColor", zoom).c_str(), StretchBltBench, zoom, COLORONCOLOR)
        ->Unit(benchmark::kMillisecond);
  }

  benchmark::Initialize(&argc, argv);
  bench::RateReporter reporter("Mpix/s");
  benchmark::RunSpecifiedBenchmarks(&reporter);

  auto rate = [&](const char* who, int zoom) { return reporter.Rate(Name(who, zoom)); };
  std::printf("\n4096 x 4096 24-bit image into a 1920 x 1080 view; rates in Mpix/s of view, ratio = ours / peer\n");
  std::printf("%-6s %10s %14s %10s %10s %14s %10s\n", "zoom", "ours", "reusing rows", "HALFTONE", "ratio",
              "COLORONCOLOR", "ratio");
  for (int zoom : kZooms) {
    const double ours = rate("Ours", zoom), reusing = rate("OursReusingRows", zoom);
    const double halftone = rate("StretchBltHalftone", zoom), colour = rate("StretchBltColorOnColor", zoom);
    if (ours == 0 || halftone == 0 || colour == 0) continue;  // filtered out
    std::printf("%-6s %10.0f %14.0f %10.0f %10.2f %14.0f %10.2f\n", (std::to_string(zoom) + "%").c_str(), ours,
                reusing, halftone, ours / halftone, colour, ours / colour);
  }
  benchmark::Shutdown();
  return 0;
}
