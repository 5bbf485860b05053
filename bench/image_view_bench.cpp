// Repaint speed of the image view: a 4096 x 4096 view of three layers of one size (one half
// transparent, one multiplied and masked by a fourth, hidden mask layer) in a 1920 x 1080
// client at 33 %, 100 % and 300 %, next to the platform's StretchBlt of the flattened picture
// (COLORONCOLOR and HALFTONE) into a DIB section of the same size at the same zoom.
//   ViewRepaint: everything composed again and copied to the window.
//   ViewScrollByLine: the view scrolled by one line and painted (the composed pixels move,
//     only the line that came into view is composed).
//   ViewCopy: a paint with nothing to compose (the back buffer copied to the window).
// Rates are megapixels of view per second; ratio = ours / peer.
//
// Run: WINEPREFIX=<build>/wineprefix tools/wine-test <build>/bench/imaging_view_bench.exe
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bench/bench_common.h"
#include "imaging/model/blend_operations.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/view/image_view.h"
#include "vcl/controls/forms.h"
#include "vcl/runtime/win.h"

using namespace imaging;

namespace {

constexpr int kImage = 4096;
constexpr int kViewWidth = 1920;
constexpr int kViewHeight = 1080;
constexpr int kZooms[] = {33, 100, 300};

void Pattern(TIEBitmap* bitmap, uint32_t seed, int kind) {
  uint32_t state = seed;
  for (int y = 0; y < kImage; ++y) {
    auto* p = static_cast<uint8_t*>(bitmap->GetScanline(y));
    for (int x = 0; x < kImage; ++x, p += 3) {
      const int grain = int(bench::Noise(state) & 15);
      switch (kind) {
        case 0:
          p[0] = uint8_t(x >> 4);
          p[1] = uint8_t((y >> 4) + grain);
          p[2] = uint8_t(128 + 127 * std::sin(x * 0.01 + y * 0.003));
          break;
        case 1:
          p[0] = p[1] = p[2] = ((x / 64 + y / 64) & 1) ? 230 : uint8_t(40 + grain);
          break;
        case 2:
          p[0] = uint8_t(255 - (y >> 4));
          p[1] = uint8_t(grain * 8);
          p[2] = uint8_t(x >> 4);
          break;
        default:  // the mask: a soft ramp
          p[0] = p[1] = p[2] = uint8_t((x + y) >> 5);
      }
    }
  }
}

struct Scene {
  std::unique_ptr<vcl::TForm> form;
  TImageView* view = nullptr;  // owned by the form
  TIEBitmap flat{kImage, kImage, ie24RGB};
  HDC flatDC = nullptr;
  HBITMAP flatBitmap = nullptr;

  Scene() {
    form = std::make_unique<vcl::TForm>(nullptr);
    form->SetBorderStyle(vcl::bsNone);
    form->SetBounds(0, 0, kViewWidth, kViewHeight);
    view = new TImageView(form.get());
    view->SetParent(form.get());
    view->SetBorderStyle(vcl::bsNone);
    view->SetScrollBars(vcl::ssNone);
    view->SetBounds(0, 0, kViewWidth, kViewHeight);
    form->Show();
    view->SetBackground(0x404040);
    view->SetLayersSync(true);
    view->GetIEBitmap()->Allocate(kImage, kImage, ie24RGB);
    Pattern(view->GetIEBitmap(), 1, 0);
    view->AddLayer();
    Pattern(view->GetIEBitmap(), 2, 1);
    view->CurrentLayer()->Transparency = 140;
    view->AddLayer();
    Pattern(view->GetIEBitmap(), 3, 2);
    view->CurrentLayer()->Operation = ieopMultiply;
    view->AddLayer();
    Pattern(view->GetIEBitmap(), 4, 3);
    view->CurrentLayer()->IsMask = true;
    view->CurrentLayer()->Visible = false;
    view->Update();
    view->RenderLayersTo(&flat);

    // The flattened picture in a DIB section, as a program would hand it to StretchBlt.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kImage;
    info.bmiHeader.biHeight = kImage;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    flatDC = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    flatBitmap = CreateDIBSection(flatDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(flatDC, flatBitmap);
    const int stride = (kImage * 3 + 3) & ~3;
    for (int y = 0; y < kImage; ++y)
      std::memcpy(static_cast<uint8_t*>(bits) + size_t(kImage - 1 - y) * stride, flat.GetScanline(y),
                  size_t(kImage) * 3);
  }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

// The view centred on the picture at the zoom.
void Place(TImageView* view, int zoom) {
  view->SetZoom(zoom);
  int32_t maxX, maxY;
  view->GetMaxViewXY(maxX, maxY);
  view->SetViewXY(maxX / 2, maxY / 2);
}

void SetRate(benchmark::State& state) {
  state.counters["Mpix/s"] = benchmark::Counter(double(kViewWidth) * kViewHeight * 1e-6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

enum TPaintKind { pkRepaint, pkScrollByLine, pkCopy };

void ViewPaint(benchmark::State& state, int zoom, TPaintKind kind) {
  TImageView* view = TheScene().view;
  Place(view, zoom);
  view->Paint();
  int32_t step = 1;
  for (auto _ : state) {
    switch (kind) {
      case pkRepaint:
        view->InvalidateImageRect(vcl::TRect{0, 0, kViewWidth, kViewHeight});
        view->Paint();
        break;
      case pkScrollByLine:
        // Back and forth by one line; the scroll paints at once.
        view->SetViewY(view->ViewY() + step);
        step = -step;
        break;
      case pkCopy:
        view->Paint();
        break;
    }
    GdiFlush();
  }
  SetRate(state);
}

void StretchBltFlat(benchmark::State& state, int zoom, int mode) {
  Scene& scene = TheScene();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = kViewWidth;
  info.bmiHeader.biHeight = kViewHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  HDC dc = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  HBITMAP target = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(dc, target);
  SetStretchBltMode(dc, mode);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  const double z = zoom / 100.0;
  const int sw = std::min(kImage, int(kViewWidth / z)), sh = std::min(kImage, int(kViewHeight / z));
  const int dw = std::min(kViewWidth, int(std::lround(sw * z))), dh = std::min(kViewHeight, int(std::lround(sh * z)));
  for (auto _ : state) {
    StretchBlt(dc, (kViewWidth - dw) / 2, (kViewHeight - dh) / 2, dw, dh, scene.flatDC, (kImage - sw) / 2,
               (kImage - sh) / 2, sw, sh, SRCCOPY);
    GdiFlush();
    benchmark::DoNotOptimize(bits);
  }
  SelectObject(dc, previous);
  DeleteObject(target);
  DeleteDC(dc);
  SetRate(state);
}

std::string Name(const char* who, int zoom) { return std::string(who) + "/" + std::to_string(zoom) + "%"; }

}  // namespace

int main(int argc, char** argv) {
  for (int zoom : kZooms) {
    benchmark::RegisterBenchmark(Name("ViewRepaint", zoom).c_str(), ViewPaint, zoom, pkRepaint)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(Name("ViewScrollByLine", zoom).c_str(), ViewPaint, zoom, pkScrollByLine)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(Name("ViewCopy", zoom).c_str(), ViewPaint, zoom, pkCopy)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(Name("StretchBltColorOnColor", zoom).c_str(), StretchBltFlat, zoom, COLORONCOLOR)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(Name("StretchBltHalftone", zoom).c_str(), StretchBltFlat, zoom, HALFTONE)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  bench::RateReporter reporter("Mpix/s");
  benchmark::RunSpecifiedBenchmarks(&reporter);

  auto rate = [&](const char* who, int zoom) { return reporter.Rate(Name(who, zoom)); };
  std::printf("\nThree 4096 x 4096 layers (opacity, multiply, mask) into a 1920 x 1080 view against StretchBlt of\n"
              "the flattened picture; rates in Mpix/s of view, ratio = ours / peer\n");
  std::printf("%-6s %8s %8s %8s %13s %7s %7s %7s %9s %7s\n", "zoom", "repaint", "scroll", "copy", "COLORONCOLOR",
              "ratio", "scroll", "copy", "HALFTONE", "ratio");
  for (int zoom : kZooms) {
    const double ours = rate("ViewRepaint", zoom), scroll = rate("ViewScrollByLine", zoom);
    const double copy = rate("ViewCopy", zoom);
    const double colour = rate("StretchBltColorOnColor", zoom), halftone = rate("StretchBltHalftone", zoom);
    if (ours == 0 || scroll == 0 || copy == 0 || colour == 0 || halftone == 0) continue;  // filtered out
    std::printf("%-6s %8.0f %8.0f %8.0f %13.0f %7.2f %7.2f %7.2f %9.0f %7.2f\n", (std::to_string(zoom) + "%").c_str(),
                ours, scroll, copy, colour, ours / colour, scroll / colour, copy / colour, halftone, ours / halftone);
  }
  TheScene().form.reset();
  benchmark::Shutdown();
  return 0;
}
