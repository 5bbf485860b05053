// Random damage fed to the image codecs: valid samples are made here by the library's own
// writers (and by tiffcp for byte orders and layouts the writer does not make), then each
// truncation and damaged copy goes through the matching reader. Every input must end in a
// picture, a flagged failure or the reader's own exception; never in a crash, a hang, a huge
// allocation or a read past its end (see tests/support/fuzz_driver.h for a longer local run).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/fuzz_driver.h"
#include "imaging/codecs/tiff/exif_buffer.h"
#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/coding/lzw_coders.h"
#include "imaging/codecs/tiff/tiff_content.h"
#include "imaging/codecs/tiff/tiff_reader.h"
#include "imaging/codecs/tiff/tiff_writer.h"
#include "imaging/coding/zlib_streams.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/model/icc_profile.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/metadata/jpeg_markers.h"
#include "tests/support/test_pictures.h"
#include "tests/imaging/codecs/small_profile.h"
#include "tests/imaging/codecs/tiff_reader_test_util.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using fuzz::Bytes;
using fuzz::Fuzz;
using fuzz::TGuardedStream;
using test_pictures::Checker1Bit;
using test_pictures::FewColours;
using test_pictures::Gradient;

namespace {

// ---- pictures ----

std::unique_ptr<TIEBitmap> Grey16(int32_t w, int32_t h) {
  auto bitmap = std::make_unique<TIEBitmap>(w, h, ie16g);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) bitmap->SetPixel16(x, y, uint16_t(x * 2500 + y * 300));
  return bitmap;
}

std::unique_ptr<TIEBitmap> CodecWithAlpha(std::unique_ptr<TIEBitmap> bitmap) {
  for (int32_t y = 0; y < bitmap->Height(); ++y)
    for (int32_t x = 0; x < bitmap->Width(); ++x) bitmap->SetAlphaAt(x, y, uint8_t(x * 10 + y));
  return bitmap;
}

using codec_profiles::SmallProfile;

// EXIF, GPS, IPTC, XMP and a colour profile, as a camera and an editor would leave them.
void AddMetadata(TIOParamsVals& params) {
  params.EXIFPresent = true;
  params.SetTIFFOrientation(1);
  params.EXIFMake = "Mergeon";
  params.EXIFModel = "Fuzz Camera";
  params.EXIFDateTime = "2026:12:10 10:11:12";
  params.EXIFXPTitle = u"Title";
  params.SetEXIFExposureTime(0.008);
  params.SetEXIFFNumber(2.8);
  params.SetEXIFFlash(16);
  params.EXIFISOSpeedRatings = {200, 0};
  params.EXIFExifVersion = "0220";
  params.EXIFDateTimeOriginal = "2026:12:09 08:00:00";
  params.EXIFUserComment = u"Hello";
  params.EXIFUserCommentCode = "ASCII";
  params.EXIFGPSVersionID = "2.2.0.0";
  params.EXIFGPSLatitudeRef = "N";
  params.EXIFGPSLatitudeDegrees = 45;
  params.EXIFGPSLatitudeMinutes = 30;
  params.EXIFGPSLongitudeRef = "W";
  params.EXIFGPSLongitudeDegrees = 7;
  params.EXIFGPSAltitude = 12.25;
  params.EXIFGPSMapDatum = "WGS-84";
  params.XMPPacket = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF/></x:xmpmeta>";
  const std::string caption = "Sunset over the bay";
  params.IPTCInfoList.AddItem(2, 120, int32_t(caption.size()), caption.data());
  const Bytes profile = SmallProfile();
  params.GetInputICCProfile()->LoadFromBuffer(profile.data(), int32_t(profile.size()));
}

// ---- writers ----

Bytes CodecWriteTIFF(TIEBitmap* bitmap, TIOParamsVals& params) {
  vcl::TMemoryStream stream;
  std::atomic<bool> aborting{false};
  TCodecProgress progress;
  progress.Aborting = &aborting;
  WriteTIFFStream(&stream, false, bitmap, params, progress);
  return aborting ? Bytes() : test_files::StreamBytes(&stream);
}

struct TIFFLayout {
  const char* name;
  std::unique_ptr<TIEBitmap> (*make)();
  int32_t bits, samples;
  uint8_t photometric, compression;
  int32_t fillOrder;
};

std::vector<std::pair<std::string, Bytes>> TIFFSamples() {
  const TIFFLayout layouts[] = {
      {"rgb", [] { return Gradient(24, 16); }, 8, 3, 2, 0, 1},
      {"rgb lzw predictor", [] { return Gradient(24, 16); }, 8, 3, 2, 5, 1},
      {"rgb packbits", [] { return Gradient(24, 16); }, 8, 3, 2, 8, 1},
      {"rgb deflate", [] { return Gradient(24, 16); }, 8, 3, 2, 9, 1},
      {"rgb deflate registered", [] { return Gradient(24, 16); }, 8, 3, 2, 10, 1},
      {"rgb jpeg", [] { return Gradient(24, 16); }, 8, 3, 2, 7, 1},
      {"rgb old-style jpeg", [] { return Gradient(24, 16); }, 8, 3, 2, 6, 1},
      {"bilevel", [] { return Checker1Bit(45, 21); }, 1, 1, 2, 0, 1},
      {"fax rle", [] { return Checker1Bit(45, 21); }, 1, 1, 2, 1, 1},
      {"fax g3 1d", [] { return Checker1Bit(45, 21); }, 1, 1, 2, 2, 1},
      {"fax g3 2d reversed", [] { return Checker1Bit(45, 21); }, 1, 1, 2, 3, 2},
      {"fax g4", [] { return Checker1Bit(45, 21); }, 1, 1, 2, 4, 1},
      {"palette8 lzw", [] { return FewColours(21, 13, 60); }, 8, 1, 2, 5, 1},
      {"palette4 packbits", [] { return FewColours(21, 13, 11); }, 4, 1, 2, 8, 1},
      {"grey deflate", [] { return test_pictures::Converted(Gradient(24, 16), ie8g); }, 8, 1, 2, 10, 1},
      {"grey4 lzw", [] { return test_pictures::Converted(Gradient(24, 16), ie8g); }, 4, 1, 2, 5, 1},
      {"grey16 lzw", [] { return Grey16(17, 9); }, 16, 1, 2, 5, 1},
      {"rgb48 packbits", [] { return test_pictures::Converted(Gradient(13, 9), ieRGB48); }, 16, 3, 2, 8, 1},
      {"cmyk lzw", [] { return test_pictures::Converted(Gradient(13, 9), ieCMYK); }, 8, 4, 5, 5, 1},
      {"cielab", [] { return Gradient(13, 9); }, 8, 3, 7, 0, 1},
      {"rgb alpha lzw", [] { return CodecWithAlpha(Gradient(16, 8)); }, 8, 3, 2, 5, 1},
  };
  std::vector<std::pair<std::string, Bytes>> samples;
  for (const TIFFLayout& layout : layouts) {
    TIOParamsVals params(nullptr);
    params.BitsPerSample = layout.bits;
    params.SamplesPerPixel = layout.samples;
    params.TIFFPhotometric = layout.photometric;
    params.TIFFCompression = layout.compression;
    params.TIFFFillOrder = layout.fillOrder;
    auto bitmap = layout.make();
    samples.emplace_back(layout.name, CodecWriteTIFF(bitmap.get(), params));
  }
  {
    TIOParamsVals params(nullptr);
    AddMetadata(params);
    samples.emplace_back("metadata", CodecWriteTIFF(Gradient(12, 8).get(), params));
  }
  {
    TIOParamsVals params(nullptr);
    Bytes file = CodecWriteTIFF(Gradient(12, 8).get(), params);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(file.data(), int32_t(file.size()));
    stream.SetPosition(0);
    std::atomic<bool> aborting{false};
    TCodecProgress progress;
    progress.Aborting = &aborting;
    TIOParamsVals second(nullptr);
    second.TIFFImageIndex = 1;
    second.TIFFCompression = 5;
    auto grey = test_pictures::Converted(Gradient(10, 6), ie8g);
    WriteTIFFStream(&stream, true, grey.get(), second, progress);
    samples.emplace_back("two pages", aborting ? Bytes() : test_files::StreamBytes(&stream));
  }
  // Byte orders and layouts only other writers make, when tiffcp is at hand.
  const std::pair<const char*, const char*> copies[] = {
      {"rgb lzw predictor", "-B"}, {"metadata", "-B"}, {"fax g4", "-B"}, {"rgb", "-t -w 16 -l 16"},
      {"rgb deflate", "-t -w 16 -l 16 -c zip"}, {"grey16 lzw", "-B -t -w 16 -l 16 -c lzw:2"},
      {"rgb", "-p separate -c packbits -r 5"}, {"rgb", "-c jpeg:r -r 8"}, {"rgb", "-c jpeg -t -w 16 -l 16"},
      {"rgb", "-c lzw:2 -r 3"}};
  for (const auto& [source, options] : copies)
    for (const auto& [name, bytes] : std::vector<std::pair<std::string, Bytes>>(samples))
      if (name == source) {
        Bytes copy = tiff_test::Tiffcp(bytes, options);
        if (!copy.empty()) samples.emplace_back(name + " tiffcp " + options, copy);
      }
  return samples;
}

Bytes ExifBlock(bool withHeader) {
  TIOParamsVals params(nullptr);
  AddMetadata(params);
  params.EXIFThumbnail = Gradient(16, 12);
  std::vector<uint8_t> block;
  SaveExifToBuffer(params, block, withHeader);
  return block;
}

Bytes CodecWriteJPEG(TIEBitmap* bitmap, TIOParamsVals& params) {
  vcl::TMemoryStream stream;
  std::atomic<bool> aborting{false};
  TCodecProgress progress;
  progress.Aborting = &aborting;
  WriteJPEGStream(&stream, bitmap, params, progress);
  return aborting ? Bytes() : test_files::StreamBytes(&stream);
}

// ---- readers ----

// One read of page `page`; false when the reader flagged a failure or gave no picture.
bool ReadTIFFPage(uint8_t* data, int32_t size, int32_t page, bool preview) {
  TGuardedStream stream(data, size);
  TIEBitmap bitmap;
  TIOParamsVals params(nullptr);
  params.TIFFImageIndex = page;
  std::atomic<bool> aborting{false};
  TCodecProgress progress;
  progress.Aborting = &aborting;
  int32_t pages = 0;
  TIEMask* mask = nullptr;
  ReadTIFFStream(&bitmap, &stream, pages, params, progress, preview, mask, false, false, false);
  delete mask;
  return !aborting && (preview ? params.Width > 0 : bitmap.Width() > 0);
}

// Full read and parameters-only read of page `page`, then the content tests.
void ReadTIFF(uint8_t* data, int32_t size, int32_t page) {
  for (bool preview : {false, true}) ReadTIFFPage(data, size, page, preview);
  TGuardedStream stream(data, size);
  IsTIFFStream(&stream);
  IsHDPhotoStream(&stream);
  IsTIFFCameraRawStream(&stream);
}

void CodecReadJPEG(uint8_t* data, int32_t size) {
  for (bool headerOnly : {false, true}) {
    TGuardedStream stream(data, size);
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    params.JPEGLoadEXIFThumbnail = true;
    std::atomic<bool> aborting{false};
    TCodecProgress progress;
    progress.Aborting = &aborting;
    ReadJPEGStream(&stream, nullptr, &bitmap, params, progress, headerOnly, false, true, false, false, true, -1,
                   false);
  }
  TGuardedStream stream(data, size);
  JPEGStreamLength(&stream);
  FindJPEGStream(&stream, true);
  TIOParamsVals params(nullptr);
  LoadJPEGICCProfile(&stream, params);
}

}  // namespace

TEST(CodecFuzz, TIFFFiles) {
  unsigned seed = 1000;
  for (const auto& [name, bytes] : TIFFSamples()) {
    ASSERT_FALSE(bytes.empty()) << name;
    Bytes valid = bytes;
    EXPECT_TRUE(ReadTIFFPage(valid.data(), int32_t(valid.size()), 0, false)) << name;
    Fuzz(name.c_str(), bytes, seed++, [](uint8_t* data, int32_t size) { ReadTIFF(data, size, 0); });
  }
}

TEST(CodecFuzz, SecondPagesAndMetadataRewrites) {
  for (const auto& [name, bytes] : TIFFSamples()) {
    if (name == "two pages")
      Fuzz("second page", bytes, 1100, [](uint8_t* data, int32_t size) { ReadTIFF(data, size, 1); });
    if (name != "metadata") continue;
    Fuzz("metadata rewrite", bytes, 1101, [](uint8_t* data, int32_t size) {
      TGuardedStream source(data, size);
      vcl::TMemoryStream target;
      TIOParamsVals params(nullptr);
      AddMetadata(params);
      RewriteTIFFMetadata(&source, &target, "", "", 0, params);
    });
  }
}

TEST(CodecFuzz, JPEGFiles) {
  const Bytes exif = ExifBlock(true);
  ASSERT_FALSE(exif.empty());
  Bytes icc = test_files::ToBytes(std::string("ICC_PROFILE\0\1\1", 14));
  const Bytes profile = SmallProfile();
  icc.insert(icc.end(), profile.begin(), profile.end());
  TIEIPTCInfoList iptcList;
  const std::string caption = "A caption";
  iptcList.AddItem(2, 120, int32_t(caption.size()), caption.data());
  const Bytes iptc = iptcList.SaveToBuffer(true);
  struct Case {
    const char* name;
    uint8_t colorSpace;
    bool progressive;
  } cases[] = {{"baseline", 2, false}, {"progressive", 2, true}, {"grey", 1, false}, {"cmyk", 3, false}};
  unsigned seed = 2000;
  for (const Case& c : cases) {
    TIOParamsVals params(nullptr);
    params.JPEGColorSpace = c.colorSpace;
    params.JPEGProgressive = c.progressive;
    params.JPEGQuality = 60;
    params.JPEGMarkerList.AddMarker(0xE1, exif.data(), uint16_t(exif.size()));
    params.JPEGMarkerList.AddMarker(0xE2, icc.data(), uint16_t(icc.size()));
    params.JPEGMarkerList.AddMarker(0xED, iptc.data(), uint16_t(iptc.size()));
    auto picture = Gradient(24, 16);
    const Bytes jpeg = CodecWriteJPEG(picture.get(), params);
    ASSERT_FALSE(jpeg.empty()) << c.name;
    Fuzz(c.name, jpeg, seed++, &CodecReadJPEG);
  }
}

TEST(CodecFuzz, ExifBlocks) {
  Fuzz("exif block", ExifBlock(true), 3000, [](uint8_t* data, int32_t size) {
    TIOParamsVals params(nullptr);
    LoadExifFromBuffer(data, size, params);
  });
  Fuzz("bare exif structure", ExifBlock(false), 3001, [](uint8_t* data, int32_t size) {
    TGuardedStream stream(data, size);
    TIOParamsVals params(nullptr);
    ReadTIFFExif(&stream, params);
    ReadTIFFExifWithThumbnail(&stream, params);
  });
}

TEST(CodecFuzz, GIFCodeStreams) {
  const int32_t width = 23, height = 11;
  unsigned seed = 4000;
  for (int32_t bits : {1, 4, 8})
    for (bool interlaced : {false, true}) {
      Bytes pixels(size_t(width) * height);
      for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t((i * 7 + i / width) % (1u << bits));
      vcl::TMemoryStream coded;
      GIFEncodeLZW(&coded, height, width, interlaced, pixels.data(), bits);
      Fuzz("gif lzw", test_files::StreamBytes(&coded), seed++, [&](uint8_t* data, int32_t size) {
        TGuardedStream stream(data, size);
        test_files::GuardedBuffer target(Bytes(size_t(width) * height));
        GIFDecodeLZW(&stream, height, width, interlaced, target.data());
      });
    }
}

TEST(CodecFuzz, TIFFLZWCodeStreams) {
  const int32_t rowBytes = 37, rows = 19;
  Bytes rowsData(size_t(rowBytes) * rows);
  for (size_t i = 0; i < rowsData.size(); ++i) rowsData[i] = uint8_t((i % 11) * (i / rowBytes));
  vcl::TMemoryStream coded;
  void* state = nullptr;
  for (int32_t r = 0; r < rows; ++r) TIFFEncodeLZW(rowsData.data() + size_t(r) * rowBytes, rowBytes, &coded, state);
  TIFFEncodeLZW(nullptr, 0, &coded, state);
  for (int32_t fillOrder : {1, 2})
    Fuzz("tiff lzw", test_files::StreamBytes(&coded), 5000 + fillOrder, [&](uint8_t* data, int32_t size) {
      void* decoder = nullptr;
      for (int32_t r = 0; r < rows; ++r)
        if (!TIFFDecodeLZW(data, rowBytes, decoder, fillOrder, size)) break;
      TIFFDecodeLZW(nullptr, 0, decoder, fillOrder, 0);
    });
}

TEST(CodecFuzz, ZlibData) {
  Bytes plain(5000);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = uint8_t((i * i) >> 5);
  vcl::TMemoryStream coded;
  {
    TZCompressionStream compressor(&coded, 2);
    compressor.WriteBuffer(plain.data(), int32_t(plain.size()));
  }
  Fuzz("zlib buffer", test_files::StreamBytes(&coded), 6000, [](uint8_t* data, int32_t size) {
    std::vector<uint8_t> output;
    InflateBuffer(data, size, output, 0, 1 << 20);
  });
  Fuzz("zlib stream", test_files::StreamBytes(&coded), 6001, [](uint8_t* data, int32_t size) {
    TGuardedStream source(data, size);
    TZDecompressionStream stream(&source);
    uint8_t block[1024];
    for (int32_t total = 0; total < (1 << 20);) {
      const int32_t read = stream.Read(block, sizeof block);
      if (read <= 0) break;
      total += read;
    }
  });
}
