// The program's answer time on a 4000 x 3000 picture, on its real main window under the X11
// driver: from a command (a blend-mode change, an opacity step, the fit and 100 % views, a PNG
// loaded into the base slot) to the moment the message loop is idle again with everything
// repainted. Next to each: the merge pipeline alone (the command's handler without the loop
// that paints), and for the load libpng decoding the same file.
//
// Run under a virtual display with a prefix that uses the X11 driver:
//   tools/make-wineprefix <build>/wineprefix-x11 x11   (once, under xvfb-run -a)
//   xvfb-run -a env WINEPREFIX=<build>/wineprefix-x11 <build>/bench/app_answer_bench.exe
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/main_form.h"
#include "bench/bench_common.h"
#include "bench/codec_peers.h"
#include "formats/file_format_list.h"
#include "skin/controls/register_controls.h"
#include "vcl/controls/application.h"
#include "vcl/runtime/win.h"

namespace {

constexpr int kWidth = 4000, kHeight = 3000;
constexpr int kRepeats = 5;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Runs the message loop until nothing but timers is left to do: every paint the command
// caused has been done. The display server is then asked for a pixel, which returns only once
// it has drawn what was sent before.
void RunUntilIdle() {
  for (;;) {
    vcl::Application->ProcessMessages();
    if ((GetQueueStatus(QS_ALLINPUT) & ~QS_TIMER) == 0) {
      MSG msg;
      if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) break;
      if (msg.message == WM_TIMER) break;
    }
  }
  GdiFlush();
  HDC screen = GetDC(nullptr);
  (void)GetPixel(screen, 0, 0);
  ReleaseDC(nullptr, screen);
}

// The median of kRepeats runs of `step`, each ended by an idle loop when `untilIdle`; `prepare`
// runs untimed before each.
double MedianMs(const std::function<void(int)>& step, bool untilIdle,
                const std::function<void(int)>& prepare = {}) {
  std::vector<double> times;
  for (int i = 0; i < kRepeats; ++i) {
    if (prepare) {
      prepare(i);
      RunUntilIdle();
    }
    const Clock::time_point start = Clock::now();
    step(i);
    if (untilIdle) RunUntilIdle();
    times.push_back(Seconds(start) * 1000.0);
    if (!untilIdle) RunUntilIdle();
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Smooth colour ramps with noise: a picture a PNG encoder neither wastes nor spares much on.
std::vector<std::vector<uint8_t>> Picture(uint32_t seed) {
  std::vector<std::vector<uint8_t>> rows(kHeight, std::vector<uint8_t>(kWidth * 3));
  uint32_t state = seed;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t noise = bench::Noise(state);
      uint8_t* p = &rows[y][x * 3];
      p[0] = uint8_t(x * 255 / kWidth + (noise & 15));
      p[1] = uint8_t(y * 255 / kHeight + (noise >> 8 & 15));
      p[2] = uint8_t((x + y) * 255 / (kWidth + kHeight) + (noise >> 16 & 15));
    }
  return rows;
}

peers::Bytes EncodePng(std::vector<std::vector<uint8_t>>& rows) {
  std::vector<uint8_t*> pointers;
  for (auto& row : rows) pointers.push_back(row.data());
  peers::Bytes file;
  if (!peers::WritePNG({kWidth, kHeight, pointers.data()}, 6, 1, file)) std::abort();
  return file;
}

std::string Save(const peers::Bytes& file, const std::string& unixPath) {
  std::ofstream(unixPath, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
  return "Z:" + unixPath;
}

struct Row {
  std::string what;
  double ours, peer;
  const char* peerName;
};

}  // namespace

int main() {
  try {
    vcl::Application->Initialize();
    formats::RegisterPictureFormats();
    skin::RegisterSkinnedControls();
    app::TForm1* form = nullptr;
    vcl::Application->CreateForm(form);
    form->Show();
    RunUntilIdle();

    const std::string folder = "/tmp/mergeon-answer-bench-" + std::to_string(getpid());
    if (std::system(("mkdir -p " + folder).c_str()) != 0) return 1;
    auto basePixels = Picture(1), overlayPixels = Picture(2);
    const peers::Bytes basePng = EncodePng(basePixels), overlayPng = EncodePng(overlayPixels);
    const std::string basePath = Save(basePng, folder + "/base.png");
    const std::string overlayPath = Save(overlayPng, folder + "/overlay.png");

    std::vector<Row> rows;
    // The load: libpng decoding the same file into rows of its own.
    std::vector<std::vector<uint8_t>> decoded(kHeight, std::vector<uint8_t>(kWidth * 3));
    std::vector<uint8_t*> decodedRows;
    for (auto& row : decoded) decodedRows.push_back(row.data());
    const double peerLoad = MedianMs(
        [&](int) {
          if (!peers::ReadPNG(basePng, {kWidth, kHeight, decodedRows.data()})) std::abort();
        },
        false);
    form->LoadOverlay(overlayPath);
    RunUntilIdle();
    const double load = MedianMs([&](int) { form->LoadBase(basePath); }, true);
    rows.push_back({"PNG load into the base slot", load, peerLoad, "libpng decode"});

    auto blendChange = [&](int i) {
      form->BlendComboBox->SetItemIndex(1 + i % 3);
      form->BlendComboBoxChange(form->BlendComboBox);
    };
    const double blendPipeline = MedianMs(blendChange, false);
    const double blend = MedianMs(blendChange, true);
    rows.push_back({"blend-mode change", blend, blendPipeline, "pipeline alone"});

    // A drag moves the bar and the bar tells the form.
    // The same change as a user makes it: a click opens the mode box's list on its palette, a
    // click on an item closes it and runs the change; timed from the second click.
    form->OverlayEditBtnClick(form->OverlayEditBtn);
    RunUntilIdle();
    auto click = [](POINT at) {
      SetCursorPos(at.x, at.y);
      INPUT input[2] = {};
      input[0].type = input[1].type = INPUT_MOUSE;
      input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
      input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
      SendInput(2, input, sizeof(INPUT));
    };
    // The mode box's list opens from its arrow button (a click on its text only places the caret).
    RECT box{};
    std::vector<int> modes;  // the mode before each click, then the last
    const auto openList = [&](int) {
      modes.push_back(form->BlendComboBox->ItemIndex());
      GetWindowRect(form->BlendComboBox->Handle(), &box);
      click({box.right - (box.bottom - box.top) / 2, (box.top + box.bottom) / 2});
    };
    const double clicked = MedianMs(
        [&](int i) {
          const int item = (box.bottom - box.top) - 4;  // about one item's height
          click({(box.left + box.right) / 2, box.bottom + item * (2 + i % 3) + item / 2});
        },
        true, openList);
    rows.push_back({"blend-mode change by clicks", clicked, blendPipeline, "pipeline alone"});
    modes.push_back(form->BlendComboBox->ItemIndex());
    int changes = 0;
    for (size_t k = 1; k < modes.size(); ++k) changes += modes[k] != modes[k - 1];
    // A click that missed the list times something else: the row counts only when all changed it.
    std::fprintf(stderr, "the clicks changed the blend mode %d of %d times\n", changes, kRepeats);

    auto opacityStep = [&](int i) {
      form->OpacityBar->SetPosition(250 - i * 5);
      form->OpacityBarChange(form->OpacityBar);
    };
    const double opacityPipeline = MedianMs(opacityStep, false);
    const double opacity = MedianMs(opacityStep, true);
    rows.push_back({"opacity drag step", opacity, opacityPipeline, "pipeline alone"});

    auto views = [&](int i) {
      if (i % 2)
        form->Zoom100BtnClick(form->Zoom100Btn);
      else
        form->ZoomFitBtnClick(form->ZoomFitBtn);
    };
    const double viewsHandler = MedianMs(views, false);
    const double viewsIdle = MedianMs(views, true);
    rows.push_back({"fit / 100% view", viewsIdle, viewsHandler, "handler alone"});

    std::printf("%d x %d picture, X11 driver; median of %d, ms from the command to an idle, repainted window\n",
                kWidth, kHeight, kRepeats);
    std::printf("%-28s | %9s | %9s %-15s | %6s\n", "what", "ours", "peer", "", "x");
    for (const Row& row : rows)
      std::printf("%-28s | %9.1f | %9.1f %-15s | %6.2f\n", row.what.c_str(), row.ours, row.peer, row.peerName,
                  row.ours / row.peer);
    std::fflush(stdout);
    (void)std::system(("rm -rf " + folder).c_str());
    delete form;
  } catch (...) {
    std::fprintf(stderr, "app_answer_bench: an exception ended the run\n");
    return 1;
  }
  return 0;
}
