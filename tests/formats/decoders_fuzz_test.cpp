// Every decoder over truncated and damaged copies of valid data: each ends in a result or its
// own error, never reading past the packed data or writing past the target (both end at an
// inaccessible page).
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "formats/decoders/ccitt_decoders.h"
#include "formats/decoders/lz77_decoder.h"
#include "formats/decoders/pcd_decoder.h"
#include "formats/decoders/run_length_decoders.h"
#include "formats/decoders/thunder_decoder.h"
#include "formats/decoders/tiff_jpeg_decoder.h"
#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"
#include "tests/support/tiff_strips.h"
#include "vcl/runtime/streams.h"

using namespace formats;
using tiff_strips::Bytes;

namespace {

// Runs the decoder made by `make` over damaged copies of `valid` into a guarded target of
// `unpacked` units of `unitBytes` each.
void FuzzDecoder(const char* what, const Bytes& valid, int32_t unpacked, unsigned seed,
                 const std::function<std::unique_ptr<TDecoder>()>& make, int32_t unitBytes = 1) {
  std::unique_ptr<TDecoder> decoder = make();
  decoder->DecodeInit();
  fuzz::Fuzz(what, valid, seed, [&](uint8_t* data, int32_t size) {
    test_files::GuardedBuffer target(Bytes(static_cast<size_t>(unpacked) * unitBytes, 0));
    const uint8_t* s = data;
    uint8_t* t = target.data();
    decoder->Decode(s, t, size, unpacked);
  });
}

Bytes BilevelPicture(int width, int height) {
  const int rowBytes = (width + 7) / 8;
  Bytes pixels(static_cast<size_t>(rowBytes) * height);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>((i * 37) ^ (i / 5));
  return pixels;
}

// The first strip of the picture coded by tiffcp, with the file's description.
Bytes Strip(const std::string& options, const tiff_strips::TImage& header, const Bytes& pixels,
            tiff_strips::TImage& image) {
  Bytes file;
  if (!tiff_strips::RunTool("tiffcp " + options + " -r 1000 {in} {out}", tiff_strips::MakeTIFF(header, pixels), file))
    return {};
  if (!tiff_strips::ReadTIFF(file, image) || image.strips.empty()) return {};
  return image.strips[0];
}

}  // namespace

TEST(DecodersFuzz, RunLengthKinds) {
  Bytes targa, packbits, pcx, sgi, sgi16, cut, psp, rla;
  for (int i = 0; i < 40; ++i) {
    const auto v = static_cast<uint8_t>(i * 7);
    targa.insert(targa.end(), {0x82, v, v, 1, 0x01, 1, 2, 3, 4, 5, 6});
    packbits.insert(packbits.end(), {0xFD, v, 0x02, 1, 2, 3});
    pcx.insert(pcx.end(), {0xC5, v, 0x11, 0xC1, 0xC2});
    sgi.insert(sgi.end(), {0x83, v, 1, 2, 0x05, v});
    sgi16.insert(sgi16.end(), {0x00, 0x82, v, 1, 2, 3, 0x00, 0x03, v, 9});
    psp.insert(psp.end(), {0x85, v, 0x03, 1, 2, 3});
    rla.insert(rla.end(), {0x04, v, 0xFD, 1, 2, 3});
  }
  cut = {200, 0};
  for (int i = 0; i < 40; ++i) cut.insert(cut.end(), {0x85, static_cast<uint8_t>(i), 0x02, 1, 2});
  cut.push_back(0);
  sgi.push_back(0);
  sgi16.insert(sgi16.end(), {0, 0});
  FuzzDecoder("targa", targa, 200, 1, [] { return std::make_unique<TTargaRLEDecoder>(24); }, 3);
  FuzzDecoder("packbits", packbits, 200, 2, [] { return std::make_unique<TPackbitsRLEDecoder>(); });
  FuzzDecoder("pcx", pcx, 200, 3, [] { return std::make_unique<TPCXRLEDecoder>(); });
  FuzzDecoder("sgi", sgi, 200, 4, [] { return std::make_unique<TSGIRLEDecoder>(8); });
  FuzzDecoder("sgi16", sgi16, 200, 5, [] { return std::make_unique<TSGIRLEDecoder>(16); });
  FuzzDecoder("cut", cut, 200, 6, [] { return std::make_unique<TCUTRLEDecoder>(); });
  FuzzDecoder("psp", psp, 200, 7, [] { return std::make_unique<TPSPRLEDecoder>(); });
  FuzzDecoder("rla", rla, 200, 8, [] { return std::make_unique<TRLADecoder>(); });
  // Targa packets carried from one row into the next.
  FuzzDecoder("targa rows", targa, 7, 9, [] { return std::make_unique<TTargaRLEDecoder>(24); }, 3);
}

TEST(DecodersFuzz, FaxCodings) {
  if (!tiff_strips::HaveTools()) GTEST_SKIP() << "tiffcp is missing";
  const int width = 77, height = 30;
  tiff_strips::TImage header;
  header.width = width;
  header.height = height;
  header.bitsPerSample = 1;
  header.photometric = 0;
  const Bytes pixels = BilevelPicture(width, height);
  const int32_t unpacked = ((width + 7) / 8) * height;
  struct Case {
    const char* options;
    int kind;  // 3 Group 3, 4 Group 4, 2 Modified Huffman
  };
  const Case cases[] = {{"-c g3", 3}, {"-c g3:2d", 3}, {"-c g4", 4}, {"-c g3:fill", 2}};
  unsigned seed = 20;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    tiff_strips::TImage image;
    const Bytes strip = Strip(c.options, header, pixels, image);
    ASSERT_FALSE(strip.empty());
    const uint32_t options = image.t4Options;
    FuzzDecoder(c.options, strip, unpacked, seed++, [&]() -> std::unique_ptr<TDecoder> {
      if (c.kind == 4) return std::make_unique<TCCITTFax4Decoder>(0, false, false, width);
      if (c.kind == 2) return std::make_unique<TCCITTMHDecoder>(0, true, true, width);
      return std::make_unique<TCCITTFax3Decoder>(options, false, false, width);
    });
    // A target smaller than the data: every decoder stops at it.
    FuzzDecoder(c.options, strip, unpacked / 3, seed++, [&]() -> std::unique_ptr<TDecoder> {
      if (c.kind == 4) return std::make_unique<TCCITTFax4Decoder>(0, false, false, width);
      return std::make_unique<TCCITTFax3Decoder>(options, false, false, width);
    });
  }
}

TEST(DecodersFuzz, InflateAndJPEG) {
  if (!tiff_strips::HaveTools()) GTEST_SKIP() << "tiffcp is missing";
  const int width = 40, height = 16;
  tiff_strips::TImage header;
  header.width = width;
  header.height = height;
  header.samplesPerPixel = 3;
  header.photometric = 2;
  Bytes pixels(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 13 / 7);
  tiff_strips::TImage image;
  const Bytes zip = Strip("-c zip", header, pixels, image);
  ASSERT_FALSE(zip.empty());
  FuzzDecoder("inflate", zip, static_cast<int32_t>(pixels.size()), 40, [] {
    return std::make_unique<TLZ77Decoder>(1, true);
  });
  FuzzDecoder("inflate finish", zip, static_cast<int32_t>(pixels.size()), 41, [] {
    return std::make_unique<TLZ77Decoder>(4, false);
  });

  const Bytes jpeg = Strip("-c jpeg", header, pixels, image);
  ASSERT_FALSE(jpeg.empty());
  TImageProperties props;
  props.ImageWidth = width;
  props.ImageHeight = height;
  props.Scheme = scYCbCr;
  props.SampleBits = 8;
  props.SampleCount = 3;
  props.PlanarMode = 1;
  props.RowBytes = width * 3;
  props.StripRows = {static_cast<uint32_t>(height)};
  props.JpegTableData = image.jpegTables;
  FuzzDecoder("jpeg strip", jpeg, static_cast<int32_t>(pixels.size()), 42,
              [&] { return std::make_unique<TTIFFJPEGDecoder>(&props); });
  // Damaged tables too.
  fuzz::Fuzz("jpeg tables", image.jpegTables, 43, [&](uint8_t* data, int32_t size) {
    TImageProperties damaged = props;
    damaged.JpegTableData.assign(data, data + size);
    TTIFFJPEGDecoder decoder(&damaged);
    decoder.DecodeInit();
    test_files::GuardedBuffer target(Bytes(pixels.size(), 0));
    const uint8_t* s = jpeg.data();
    uint8_t* t = target.data();
    decoder.Decode(s, t, static_cast<int32_t>(jpeg.size()), static_cast<int32_t>(pixels.size()));
  });
}

TEST(DecodersFuzz, ThunderScanAndPhotoCD) {
  Bytes thunder;
  for (int i = 0; i < 60; ++i) thunder.insert(thunder.end(), {0xC5, 0x46, 0x9F, 0x05, static_cast<uint8_t>(i)});
  FuzzDecoder("thunderscan", thunder, 100, 50, [] { return std::make_unique<TThunderDecoder>(13); });

  // Photo CD: a table, a sync mark and codes, read from a stream over the damaged bytes.
  Bytes pcd = {0x01, 0x01, 0x40, 0x00, 0x05, 0x01, 0x80, 0x00, 0xFB};
  for (int i = 0; i < 8; ++i) pcd.push_back(0xFF);
  pcd.insert(pcd.end(), {0xFF, 0xFF, 0xFE, 0x00, 0x00, 0x00, 0x00, 0x55, 0xAA, 0x55, 0xAA});
  pcd.insert(pcd.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x04, 0x00, 0x00, 0x00, 0x00});
  const int32_t columns = 16, rows = 8;
  fuzz::Fuzz("photo cd", pcd, 51, [&](uint8_t* data, int32_t size) {
    fuzz::TGuardedStream stream(data, size);
    test_files::GuardedBuffer luma(Bytes(columns * rows, 100));
    test_files::GuardedBuffer chroma1(Bytes(columns * rows / 2, 100));
    test_files::GuardedBuffer chroma2(Bytes(columns * rows / 2, 100));
    TPCDPlanes planes{luma.data(), chroma1.data(), chroma2.data()};
    TPCDDecoder decoder(&stream);
    const uint8_t* s = reinterpret_cast<const uint8_t*>(&planes);
    uint8_t* t = nullptr;
    decoder.Decode(s, t, columns, rows);
  });
}
