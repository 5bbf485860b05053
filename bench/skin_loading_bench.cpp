// Loading time of a skin whose sections form one long PARENTCLASS chain (each section the
// parent of the one before, only the last writing its values), at 100, 200, 400 and 800
// sections: the whole load of the folder skin (values, inheritance, masks and the resolved
// indexes). The peer is the platform's own INI reader going over the same Options.dat, every
// key of every section once. Time per section staying flat as the chain grows shows the load
// growing linearly with the file.
//
// Run: WINEPREFIX=<build>/wineprefix tools/wine-test <build>/bench/skin_loading_bench.exe
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "skin/engine/skin_manager.h"
#include "vcl/runtime/win.h"

using namespace skin;

namespace {

constexpr int kSizes[] = {100, 200, 400, 800};

std::string TempRoot() {
  static const std::string root = [] {
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    std::string dir = std::string(path) + "mergeon-skin-loading-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
  }();
  return root;
}

std::string SkinName(int sections) { return "Chain" + std::to_string(sections); }

// The folder skin of `sections` chained sections; returns its Options.dat.
std::string WriteChainSkin(int sections) {
  const std::string folder = TempRoot() + SkinName(sections);
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string text = "[GLOBALINFO]\r\nVERSION=6.5\r\nCOLOR=15790320\r\n";
  for (int i = 0; i < sections; ++i) {
    text += "[CHAIN" + std::to_string(i) + "]\r\n";
    if (i + 1 < sections) {
      text += "PARENTCLASS=CHAIN" + std::to_string(i + 1) + "\r\n";
    } else {
      text += "COLOR=4660\r\nFONTCOLOR=255\r\nGLOW=2\r\nGRADIENTDATA=1;2;50;0;0\r\n";
      text += "BORDERSMASK=^0000^0016^0048^0032^0004^0004^0004^0004^3^1^0^0\r\n";
    }
  }
  const std::string file = folder + "\\Options.dat";
  // Through the platform: the C++ library would take the drive-letter path for a Unix one.
  HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(handle, text.data(), DWORD(text.size()), &written, nullptr);
  CloseHandle(handle);
  return file;
}

void OursBench(benchmark::State& state) {
  const int sections = int(state.range(0));
  WriteChainSkin(sections);
  std::unique_ptr<TsSkinManager> manager(vcl::New<TsSkinManager>(nullptr));
  manager->SetSkinDirectory(TempRoot());
  for (auto _ : state) {
    manager->SetSkinName(SkinName(sections));
    benchmark::DoNotOptimize(manager->Sections.data());
  }
  if (manager->Sections.size() != size_t(sections) + 1)
    state.SkipWithError(("the skin did not load: " + std::to_string(manager->Sections.size()) + " sections " + manager->LastLoadError()).c_str());
  state.counters["sections/s"] = benchmark::Counter(sections, benchmark::Counter::kIsIterationInvariantRate);
}

void PlatformBench(benchmark::State& state) {
  const int sections = int(state.range(0));
  const std::string file = WriteChainSkin(sections);
  std::vector<char> names(1 << 20), keys(1 << 16);
  for (auto _ : state) {
    const DWORD length = GetPrivateProfileSectionNamesA(names.data(), DWORD(names.size()), file.c_str());
    for (const char* name = names.data(); name < names.data() + length && *name; name += std::strlen(name) + 1)
      benchmark::DoNotOptimize(GetPrivateProfileSectionA(name, keys.data(), DWORD(keys.size()), file.c_str()));
  }
  state.counters["sections/s"] = benchmark::Counter(sections, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

int main(int argc, char** argv) {
  for (int sections : kSizes) {
    benchmark::RegisterBenchmark(("Ours/" + std::to_string(sections)).c_str(), OursBench)
        ->Arg(sections)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Platform/" + std::to_string(sections)).c_str(), PlatformBench)
        ->Arg(sections)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  bench::RateReporter reporter("sections/s");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nA chain of PARENTCLASS sections loaded whole; microseconds per section\n");
  std::printf("%10s %10s %10s\n", "sections", "ours", "platform");
  for (int sections : kSizes) {
    const std::string arg = "/" + std::to_string(sections) + "/" + std::to_string(sections);
    const double ours = reporter.Rate("Ours" + arg), platform = reporter.Rate("Platform" + arg);
    if (ours > 0 && platform > 0) std::printf("%10d %10.1f %10.1f\n", sections, 1e6 / ours, 1e6 / platform);
  }
  benchmark::Shutdown();
  return 0;
}
