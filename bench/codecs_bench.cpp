// Codec speed of the image library: a 4000 x 3000 picture saved and loaded as JPEG (quality 90),
// PNG, TIFF (LZW), BMP and GIF through our codecs, each next to its peer library called directly
// on the same pixels in memory (codec_peers.cpp): libjpeg-turbo, libpng, libtiff, giflib, and a
// plain memcpy writer and reader for BMP.
//
// Both sides use the same settings: JPEG baseline, 2x2 chroma, accurate integer DCT, standard
// Huffman tables, blue-green-red rows on both sides; PNG level 6, Paeth on every row, not
// interlaced; TIFF LZW with horizontal differencing and our writer's strip height; GIF 256
// colours, not interlaced, read as palette indexes (KeepNativePixelFormat); BMP 24 bits. Both
// readers of a format read the same file (the peer's), and before timing each side reads the
// other's file to show that they do the same work (lossless formats give back the picture, the
// two JPEG decoders give the same pixels). libtiff takes red, green, blue: its caller turns the
// rows around, on the way in and out, as part of the peer's time.
//
// Memory: saves on both sides write over an output buffer that one untimed save has brought in.
// Our readers build a new bitmap on every load (a failed load leaves the caller's bitmap as it
// was), so loads are timed for the peer twice: into the same bitmap every time ("Peer"), and into
// a new one every time ("PeerNew"), which carries the same cost of fresh memory as ours.
//
// The closing table gives the times and the ratio ours / peer per format and direction (above 1:
// ours is slower). Times are on the wall clock.
//
// Run: WINEPREFIX=<build>/wineprefix tools/wine-test <build>/bench/codecs_bench.exe
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench_common.h"
#include "codec_peers.h"
#include "imaging/codecs/bmp/bmp_codec.h"
#include "imaging/codecs/gif/gif_codec.h"
#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/codecs/png/png_codec.h"
#include "imaging/codecs/tiff/tiff_reader.h"
#include "imaging/codecs/tiff/tiff_writer.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "vcl/runtime/streams.h"

using namespace imaging;

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kJPEGQuality = 90;
constexpr int kPNGLevel = 6;
constexpr int kPNGFilter = 2;  // Paeth
// Our TIFF writer's strips: about 512 KB each.
constexpr int kTIFFRowsPerStrip = kHeight / std::max(1, int(int64_t(kHeight) * kWidth * 3 / 524288));

enum Format { fJPEG, fPNG, fTIFF, fBMP, fGIF };
const char* const kFormatNames[] = {"JPEG", "PNG", "TIFF", "BMP", "GIF"};

// Smooth shading with hard edges, a woven texture and some grain, as a photograph has. The GIF
// picture is the same one mapped onto a 8 x 8 x 4 colour cube, the grain dithering it.
struct Pictures {
  TIEBitmap colour, indexed;
  std::vector<uint8_t*> colourRows, indexRows;
  uint8_t palette[256 * 3];

  Pictures() {
    colour.SetLocation(ieMemory);
    colour.Allocate(kWidth, kHeight, ie24RGB);
    indexed.SetLocation(ieMemory);
    indexed.Allocate(kWidth, kHeight, ie8p);
    for (int i = 0; i < 256; ++i) {
      const TRGB entry{uint8_t((i >> 5) * 255 / 7), uint8_t(((i >> 2) & 7) * 255 / 7), uint8_t((i & 3) * 255 / 3)};
      indexed.SetPaletteColor(i, entry);
      palette[3 * i] = entry.r, palette[3 * i + 1] = entry.g, palette[3 * i + 2] = entry.b;
    }
    uint32_t state = 0x2545F491u;
    for (int y = 0; y < kHeight; ++y) {
      auto* row = static_cast<TRGB*>(colour.GetScanline(y));
      auto* indexes = static_cast<uint8_t*>(indexed.GetScanline(y));
      for (int x = 0; x < kWidth; ++x) {
        const double fx = x / double(kWidth), fy = y / double(kHeight);
        const double shade = 0.5 + 0.5 * std::sin(fx * 7.0 + std::cos(fy * 5.0) * 2.0);
        const bool edge = ((x / 256) + (y / 320)) % 3 == 0;
        const double weave = 0.04 * std::sin(x * 0.9) * std::sin(y * 0.7);
        const int grain = int(bench::Noise(state) & 15) - 8;
        auto channel = [&](double v) {
          return uint8_t(std::min(std::max(int((v + weave) * 255.0) + grain, 0), 255));
        };
        TRGB& p = row[x];
        p.r = channel(edge ? 0.9 - 0.6 * shade : shade);
        p.g = channel(0.3 + 0.5 * fy * shade);
        p.b = channel(edge ? 0.2 : 0.8 - 0.6 * fx);
        auto level = [&](uint8_t v, int levels) {
          return std::min(levels - 1, (v * (levels - 1) + int(bench::Noise(state) % 255)) / 255);
        };
        indexes[x] = uint8_t((level(p.r, 8) << 5) | (level(p.g, 8) << 2) | level(p.b, 4));
      }
      colourRows.push_back(static_cast<uint8_t*>(colour.GetScanline(y)));
      indexRows.push_back(indexes);
    }
  }

  TIEBitmap& Source(Format f) { return f == fGIF ? indexed : colour; }
  peers::Picture PeerSource(Format f) {
    return {kWidth, kHeight, (f == fGIF ? indexRows : colourRows).data()};
  }
};

Pictures& ThePictures() {
  static Pictures pictures;
  return pictures;
}

// A bitmap of the source's layout for a peer to decode into.
struct PeerTarget {
  TIEBitmap bitmap;
  std::vector<uint8_t*> rows;
  explicit PeerTarget(Format f) {
    bitmap.SetLocation(ieMemory);
    bitmap.Allocate(kWidth, kHeight, f == fGIF ? ie8p : ie24RGB);
    for (int y = 0; y < kHeight; ++y) rows.push_back(static_cast<uint8_t*>(bitmap.GetScanline(y)));
  }
  peers::Picture Picture() { return {kWidth, kHeight, rows.data()}; }
};

// ---- our side ----

struct Progress {
  std::atomic<bool> aborting{false};
  TCodecProgress record;
  Progress() { record.Aborting = &aborting; }
};

void SetSaveParams(Format f, TIOParamsVals& params) {
  params.BitsPerSample = 8;
  params.SamplesPerPixel = f == fGIF ? 1 : 3;
  params.JPEGQuality = kJPEGQuality;
  params.JPEGColorSpace = 2;         // YCbCr
  params.JPEGChromaSubsampling = 1;  // 2x2
  params.JPEGDCTMethod = 0;          // accurate integer
  params.JPEGOptimalHuffman = false;
  params.JPEGProgressive = false;
  params.PNGCompression = kPNGLevel;
  params.PNGFilter = kPNGFilter;
  params.PNGInterlaced = false;
  params.TIFFCompression = 5;  // LZW
  params.TIFFPhotometric = 2;  // RGB
  params.GIFInterlaced = false;
  params.BMPVersion = 1;
  params.BMPCompression = 0;
}

// Saves with our codec; false when it reports a failure.
bool OurSave(Format f, TIEBitmap& bitmap, vcl::TMemoryStream& stream) {
  TIOParamsVals params(nullptr);
  SetSaveParams(f, params);
  Progress progress;
  switch (f) {
    case fJPEG: WriteJPEGStream(&stream, &bitmap, params, progress.record); break;
    case fPNG: WritePNGStream(&stream, &bitmap, params, progress.record, nullptr); break;
    case fTIFF: WriteTIFFStream(&stream, false, &bitmap, params, progress.record); break;
    case fBMP: WriteBMPStream(&stream, &bitmap, params, progress.record, false); break;
    case fGIF: WriteGIFStream(&stream, &bitmap, params, progress.record); break;
  }
  return !progress.aborting;
}

// Loads with our codec from the stream's start; false when it reports a failure.
bool OurLoad(Format f, vcl::TMemoryStream& stream, TIEBitmap& bitmap) {
  stream.SetPosition(0);
  TIOParamsVals params(nullptr);
  params.KeepNativePixelFormat = f == fGIF;
  Progress progress;
  TIEMask* mask = nullptr;
  int32_t pages = 0;
  switch (f) {
    case fJPEG:
      ReadJPEGStream(&stream, nullptr, &bitmap, params, progress.record, false, false, true, false, false, false, -1,
                     false);
      break;
    case fPNG: ReadPNGStream(&stream, &bitmap, params, progress.record, false); break;
    case fTIFF:
      ReadTIFFStream(&bitmap, &stream, pages, params, progress.record, false, mask, false, false, false);
      break;
    case fBMP: ReadBMPStream(&stream, &bitmap, 0, params, progress.record, false, false, mask, false); break;
    case fGIF: ReadGIFStream(&stream, &bitmap, pages, params, progress.record, false, mask, false); break;
  }
  delete mask;
  return !progress.aborting;
}

// ---- the peer's side ----

bool PeerSave(Format f, const peers::Picture& picture, peers::Bytes& out) {
  Pictures& pictures = ThePictures();
  switch (f) {
    case fJPEG: return peers::WriteJPEG(picture, kJPEGQuality, out);
    case fPNG: return peers::WritePNG(picture, kPNGLevel, kPNGFilter, out);
    case fTIFF: return peers::WriteTIFF(picture, kTIFFRowsPerStrip, out);
    case fBMP: return peers::WriteBMP(picture, out);
    case fGIF: return peers::WriteGIF(picture, pictures.palette, out);
  }
  return false;
}

bool PeerLoad(Format f, const peers::Bytes& file, const peers::Picture& into) {
  switch (f) {
    case fJPEG: return peers::ReadJPEG(file, into);
    case fPNG: return peers::ReadPNG(file, into);
    case fTIFF: return peers::ReadTIFF(file, into);
    case fBMP: return peers::ReadBMP(file, into);
    case fGIF: return peers::ReadGIF(file, into);
  }
  return false;
}

// ---- the files both readers read, and the checks that both sides do the same work ----

bool SamePixels(TIEBitmap& a, TIEBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat()) return false;
  const size_t bytes = size_t(a.Width()) * (a.PixelFormat() == ie8p ? 1 : 3);
  for (int y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.GetScanline(y), b.GetScanline(y), bytes) != 0) return false;
  return true;
}

struct FormatFiles {
  peers::Bytes peerFile;     // what both readers read
  size_t ourSize = 0;        // the size of our file, for the table
  std::string check = "ok";  // what the cross-reading found
};

FormatFiles& Files(Format f) {
  static FormatFiles files[5];
  static bool made[5] = {};
  if (made[f]) return files[f];
  made[f] = true;
  Pictures& pictures = ThePictures();
  FormatFiles& out = files[f];
  const bool peerSaved = PeerSave(f, pictures.PeerSource(f), out.peerFile);
  vcl::TMemoryStream ours;
  const bool saved = OurSave(f, pictures.Source(f), ours);
  out.ourSize = size_t(ours.Size());
  PeerTarget peerOfOurs(f), peerOfPeers(f);
  TIEBitmap oursOfPeers;
  vcl::TMemoryStream peerStream;
  peerStream.Write(out.peerFile.data(), int32_t(out.peerFile.size()));
  const peers::Bytes ourFile(static_cast<const uint8_t*>(ours.Memory()),
                             static_cast<const uint8_t*>(ours.Memory()) + ours.Size());
  if (!peerSaved || !saved) {
    out.check = "SAVE FAILED";
  } else if (!PeerLoad(f, ourFile, peerOfOurs.Picture()) || !OurLoad(f, peerStream, oursOfPeers) ||
             !PeerLoad(f, out.peerFile, peerOfPeers.Picture())) {
    out.check = "LOAD FAILED";
  } else if (f == fJPEG) {
    // Lossy: the two decoders of one file must agree to the byte.
    if (!SamePixels(oursOfPeers, peerOfPeers.bitmap)) out.check = "DECODERS DIFFER";
  } else if (!SamePixels(oursOfPeers, pictures.Source(f)) || !SamePixels(peerOfOurs.bitmap, pictures.Source(f))) {
    out.check = "PIXELS DIFFER";
  }
  return out;
}

// ---- the benchmarks ----

void SetRate(benchmark::State& state) {
  state.counters["Mpix/s"] =
      benchmark::Counter(double(kWidth) * kHeight * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
}

// Saves write over the same output every time on both sides (ours from the stream's start, the
// peer's into a cleared vector), after one save outside the timing that brings the memory in:
// fresh memory is costly on some machines (page faults), and which side got it would decide the
// race.
void OurSaveBench(benchmark::State& state, Format f) {
  Files(f);
  TIEBitmap& source = ThePictures().Source(f);
  vcl::TMemoryStream stream;
  OurSave(f, source, stream);
  for (auto _ : state) {
    stream.SetPosition(0);
    if (!OurSave(f, source, stream)) state.SkipWithError("save failed");
    benchmark::DoNotOptimize(stream.Memory());
  }
  SetRate(state);
}

void PeerSaveBench(benchmark::State& state, Format f) {
  Files(f);
  const peers::Picture picture = ThePictures().PeerSource(f);
  peers::Bytes file;
  PeerSave(f, picture, file);
  for (auto _ : state) {
    if (!PeerSave(f, picture, file)) state.SkipWithError("save failed");
    benchmark::DoNotOptimize(file.data());
  }
  SetRate(state);
}

void OurLoadBench(benchmark::State& state, Format f) {
  const peers::Bytes& file = Files(f).peerFile;
  vcl::TMemoryStream stream;
  stream.Write(file.data(), int32_t(file.size()));
  TIEBitmap bitmap;
  OurLoad(f, stream, bitmap);
  for (auto _ : state) {
    if (!OurLoad(f, stream, bitmap)) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(bitmap.GetScanline(0));
  }
  SetRate(state);
}

// `fresh`: into a new bitmap on every load, as our readers decode (a failed load must leave the
// caller's bitmap as it was), so that the cost of new memory is on both sides; else into the same
// bitmap every time, as a caller of the library alone may.
void PeerLoadBench(benchmark::State& state, Format f, bool fresh) {
  const peers::Bytes& file = Files(f).peerFile;
  auto reused = std::make_unique<PeerTarget>(f);
  PeerLoad(f, file, reused->Picture());
  for (auto _ : state) {
    std::unique_ptr<PeerTarget> target = fresh ? std::make_unique<PeerTarget>(f) : std::move(reused);
    if (!PeerLoad(f, file, target->Picture())) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(target->rows[0]);
    if (!fresh) reused = std::move(target);
  }
  SetRate(state);
}

void PeerLoadReusedBench(benchmark::State& state, Format f) { PeerLoadBench(state, f, false); }
void PeerLoadFreshBench(benchmark::State& state, Format f) { PeerLoadBench(state, f, true); }

std::string Name(Format f, const char* direction, const char* side) {
  return std::string(kFormatNames[f]) + "/" + direction + "/" + side;
}

}  // namespace

int main(int argc, char** argv) {
  const char* const directions[] = {"Save", "Load"};
  for (int i = 0; i < 5; ++i) {
    const Format f = Format(i);
    auto add = [&](const char* direction, const char* side, void (*fn)(benchmark::State&, Format)) {
      benchmark::RegisterBenchmark(Name(f, direction, side).c_str(), fn, f)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    };
    add("Save", "Ours", OurSaveBench);
    add("Save", "Peer", PeerSaveBench);
    add("Load", "Ours", OurLoadBench);
    add("Load", "Peer", PeerLoadReusedBench);
    add("Load", "PeerNew", PeerLoadFreshBench);
  }

  benchmark::Initialize(&argc, argv);
  bench::RateReporter reporter("Mpix/s");
  benchmark::RunSpecifiedBenchmarks(&reporter);

  const char* const peerNames[] = {"libjpeg-turbo", "libpng", "libtiff", "memcpy BMP", "giflib"};
  std::printf("\n%d x %d picture; loads read the peer's file; ratio = our time / the peer's time.\n"
              "Loads: the peer into the same bitmap every time (peer ms), and into a new one every time as ours\n"
              "does (new ms, ratio new).\n",
              kWidth, kHeight);
  std::printf("%-5s %-5s %-14s %9s %9s %7s %9s %9s %10s %10s  %s\n", "", "", "peer", "ours ms", "peer ms", "ratio",
              "new ms", "ratio new", "our bytes", "peer bytes", "cross-check");
  for (int i = 0; i < 5; ++i) {
    const Format f = Format(i);
    for (const char* direction : directions) {
      const double ours = reporter.Rate(Name(f, direction, "Ours") + "/real_time");
      const double peer = reporter.Rate(Name(f, direction, "Peer") + "/real_time");
      if (ours == 0 || peer == 0) continue;  // filtered out
      const double fresh = reporter.Rate(Name(f, direction, "PeerNew") + "/real_time");
      const double mpix = double(kWidth) * kHeight * 1e-6;
      const FormatFiles& files = Files(f);
      std::printf("%-5s %-5s %-14s %9.1f %9.1f %7.2f", kFormatNames[f], direction, peerNames[f], 1000 * mpix / ours,
                  1000 * mpix / peer, peer / ours);
      if (fresh > 0)
        std::printf(" %9.1f %9.2f", 1000 * mpix / fresh, fresh / ours);
      else
        std::printf(" %9s %9s", "", "");
      std::printf(" %10zu %10zu  %s\n", files.ourSize, files.peerFile.size(), files.check.c_str());
    }
  }
  benchmark::Shutdown();
  return 0;
}
