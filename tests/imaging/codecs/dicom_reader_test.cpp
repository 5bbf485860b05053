// The DICOM reader against dcmtk: data sets made by dump2dcm (every byte order and encoding),
// compressed by dcmcjpeg and dcmcrle, read here to the pixels dcm2pnm shows or that were put in.
// Hand-made lossless JPEG streams and run-length segments cover the decoders' rules; damaged
// files end with the aborting flag.
#include "imaging/codecs/dicom/dicom_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/codecs/dicom/dicom_decoders.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/codecs/codec_runs.h"
#include "tests/imaging/codecs/netpbm_util.h"
#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace netpbm_test;

namespace {

codec_runs::ReadResult ReadDICOM(const Bytes& bytes, TIOParamsVals& params) {
  codec_runs::ReadResult result;
  result.ok = codec_runs::ReadGuarded(bytes, [&](vcl::TStream* stream, TCodecProgress& progress) {
    ReadDICOMStream(stream, params, result.bitmap.get(), progress, false);
  });
  return result;
}

// A picture's samples and the attributes that describe them.
struct TSource {
  int32_t width = 9, height = 7, samples = 1, bitsStored = 8;
  std::string photometric = "MONOCHROME2";
  int32_t frames = 1;
  std::vector<uint32_t> values;  // frames x height x width x samples
  std::string extra;             // more dump lines
  bool planar = false;
  int32_t pixelRepresentation = 0;
};

TSource Grey8(int32_t frames = 1) {
  TSource s;
  s.frames = frames;
  for (int32_t f = 0; f < frames; ++f)
    for (int32_t y = 0; y < s.height; ++y)
      for (int32_t x = 0; x < s.width; ++x) s.values.push_back(uint32_t((x * 31 + y * 7 + f * 50) % 256));
  return s;
}

TSource Grey12() {
  TSource s;
  s.bitsStored = 12;
  for (int32_t y = 0; y < s.height; ++y)
    for (int32_t x = 0; x < s.width; ++x) s.values.push_back(uint32_t(100 + x * 300 + y * 50));
  return s;
}

TSource Rgb(bool planar = false) {
  TSource s;
  s.samples = 3;
  s.photometric = "RGB";
  s.planar = planar;
  for (int32_t y = 0; y < s.height; ++y)
    for (int32_t x = 0; x < s.width; ++x)
      s.values.insert(s.values.end(), {uint32_t(x * 28), uint32_t(y * 40), uint32_t((x * 13 + y * 17) % 256)});
  return s;
}

// dump2dcm's text and raw pixel file, made into a data set with the transfer syntax option.
Bytes MakeDICOM(const TSource& s, const std::string& xfer) {
  const std::string dir = test_files::MakeTempDir();
  Bytes raw;
  const bool wide = s.bitsStored > 8;
  const int64_t plane = int64_t(s.width) * s.height;
  for (int32_t f = 0; f < s.frames; ++f)
    for (int64_t i = 0; i < plane * s.samples; ++i) {
      // Planar frames hold each sample's plane in turn.
      const int64_t k = s.planar ? i / plane : i % s.samples;
      const int64_t p = s.planar ? i % plane : i / s.samples;
      const uint32_t v = s.values[size_t(f * plane * s.samples + p * s.samples + k)];
      if (wide) {
        raw.push_back(uint8_t(v)), raw.push_back(uint8_t(v >> 8));
      } else {
        raw.push_back(uint8_t(v));
      }
    }
  if (raw.size() % 2) raw.push_back(0);
  test_files::WriteFileBytes(dir + "/pixels.raw", raw);
  std::string dump =
      "(0008,0016) UI =SecondaryCaptureImageStorage\n"
      "(0008,0018) UI [1.2.3.4.5]\n"
      "(0010,0010) PN [Test^Patient]\n"
      "(0028,0002) US " + std::to_string(s.samples) + "\n"
      "(0028,0004) CS [" + s.photometric + "]\n" +
      (s.samples == 3 ? "(0028,0006) US " + std::string(s.planar ? "1" : "0") + "\n" : "") +
      (s.frames > 1 ? "(0028,0008) IS [" + std::to_string(s.frames) + "]\n" : "") +
      "(0028,0010) US " + std::to_string(s.height) + "\n"
      "(0028,0011) US " + std::to_string(s.width) + "\n"
      "(0028,0100) US " + std::string(wide ? "16" : "8") + "\n"
      "(0028,0101) US " + std::to_string(s.bitsStored) + "\n"
      "(0028,0102) US " + std::to_string(s.bitsStored - 1) + "\n"
      "(0028,0103) US " + std::to_string(s.pixelRepresentation) + "\n" + s.extra +
      "(7fe0,0010) " + (wide ? "OW" : "OB") + " =" + dir + "/pixels.raw\n";
  test_files::WriteFileBytes(dir + "/set.dump", Bytes(dump.begin(), dump.end()));
  std::string output;
  if (test_files::RunShell("dump2dcm " + xfer + " " + dir + "/set.dump " + dir + "/set.dcm", &output) != 0) {
    ADD_FAILURE() << output;
    return {};
  }
  return test_files::ReadFileBytes(dir + "/set.dcm");
}

// A dcmtk tool run over a data set: the file it writes.
Bytes DicomConverted(const Bytes& dicom, const std::string& tool) {
  const std::string dir = test_files::MakeTempDir();
  test_files::WriteFileBytes(dir + "/in.dcm", dicom);
  std::string output;
  if (test_files::RunShell(tool + " " + dir + "/in.dcm " + dir + "/out.dcm", &output) != 0) {
    ADD_FAILURE() << tool << ": " << output;
    return {};
  }
  return test_files::ReadFileBytes(dir + "/out.dcm");
}

// dcm2pnm's picture of a frame.
TNetpbmImage Dcm2pnm(const Bytes& dicom, int32_t frame = 0) {
  const std::string dir = test_files::MakeTempDir();
  test_files::WriteFileBytes(dir + "/in.dcm", dicom);
  // This dcm2pnm decodes no JPEG data itself: dcmdjpeg and dcmdrle unpack it first.
  const std::string frameOption = "+F " + std::to_string(frame + 1) + " ";
  test_files::RunShell("cd " + dir + " && (dcmdjpeg in.dcm plain.dcm || dcmdrle in.dcm plain.dcm || cp in.dcm plain.dcm) && dcm2pnm " +
                       frameOption + "plain.dcm out.pnm");
  return ParseNetpbm(test_files::ReadFileBytes(dir + "/out.pnm"));
}

std::vector<uint32_t> Expected8(const TSource& s, int32_t frame = 0) {
  std::vector<uint32_t> pixels;
  const size_t plane = size_t(s.width) * s.height;
  for (size_t p = 0; p < plane; ++p) {
    const uint32_t* v = &s.values[(frame * plane + p) * s.samples];
    pixels.push_back(s.samples == 3 ? (v[0] << 16 | v[1] << 8 | v[2]) : (v[0] << 16 | v[0] << 8 | v[0]));
  }
  return pixels;
}

// 16-bit samples stretched from their smallest to their largest value.
std::vector<uint32_t> Stretched(const std::vector<uint32_t>& values, bool inverted) {
  const uint32_t lo = *std::min_element(values.begin(), values.end());
  const uint32_t hi = *std::max_element(values.begin(), values.end());
  std::vector<uint32_t> out;
  for (uint32_t v : values) {
    const uint32_t s = uint32_t(std::trunc(double(v - lo) / double(hi - lo) * 65535));
    out.push_back(inverted ? 65535 - s : s);
  }
  return out;
}

std::vector<uint32_t> Samples16(TIEBitmap* bitmap) {
  std::vector<uint32_t> out;
  for (int32_t y = 0; y < bitmap->Height(); ++y)
    for (int32_t x = 0; x < bitmap->Width(); ++x) out.push_back(bitmap->GetPixel16(x, y));
  return out;
}

// A data set made by dump2dcm in explicit little endian, its transfer syntax changed and its
// pixel data replaced by one encapsulated frame (an empty offset table, then the frame's item).
Bytes Encapsulated(const Bytes& native, const std::string& syntax, const Bytes& frame) {
  if (native.size() < 144 || std::memcmp(&native[128], "DICM", 4) != 0) return {};
  auto le16 = [&](size_t at) { return uint32_t(native[at]) | uint32_t(native[at + 1]) << 8; };
  auto le32 = [&](size_t at) { return le16(at) | le16(at + 2) << 16; };
  const size_t metaEnd = 144 + le32(140);
  Bytes meta;
  for (size_t at = 144; at + 8 <= metaEnd;) {
    const uint32_t tag = le16(at) << 16 | le16(at + 2);
    const std::string vr(native.begin() + ptrdiff_t(at + 4), native.begin() + ptrdiff_t(at + 6));
    const bool longForm = vr == "OB" || vr == "OW" || vr == "UN" || vr == "SQ" || vr == "UT";
    const size_t head = longForm ? 12 : 8;
    const size_t length = longForm ? le32(at + 8) : le16(at + 6);
    if (tag == 0x00020010) {
      std::string uid = syntax;
      if (uid.size() % 2) uid.push_back('\0');
      meta.insert(meta.end(), {0x02, 0x00, 0x10, 0x00, 'U', 'I'});
      test_files::PutLE16(meta, uint32_t(uid.size()));
      meta.insert(meta.end(), uid.begin(), uid.end());
    } else {
      meta.insert(meta.end(), native.begin() + ptrdiff_t(at), native.begin() + ptrdiff_t(at + head + length));
    }
    at += head + length;
  }
  // The pixel data are the last element: (7FE0,0010) OB or OW with a 32-bit length.
  size_t pixels = native.size();
  for (size_t at = metaEnd; at + 8 <= native.size(); ++at)
    if (native[at] == 0xE0 && native[at + 1] == 0x7F && native[at + 2] == 0x10 && native[at + 3] == 0x00 &&
        native[at + 4] == 'O')
      pixels = at;
  if (pixels == native.size()) return {};
  Bytes out(native.begin(), native.begin() + 140);
  test_files::PutLE32(out, uint32_t(meta.size()));
  out.insert(out.end(), native.begin() + 140 + 4, native.begin() + 144);
  out.insert(out.end(), meta.begin(), meta.end());
  out.insert(out.end(), native.begin() + ptrdiff_t(metaEnd), native.begin() + ptrdiff_t(pixels));
  Bytes item = frame;
  if (item.size() % 2) item.push_back(0);
  out.insert(out.end(), {0xE0, 0x7F, 0x10, 0x00, 'O', 'B', 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
  out.insert(out.end(), {0xFE, 0xFF, 0x00, 0xE0, 0, 0, 0, 0});
  out.insert(out.end(), {0xFE, 0xFF, 0x00, 0xE0});
  test_files::PutLE32(out, uint32_t(item.size()));
  out.insert(out.end(), item.begin(), item.end());
  out.insert(out.end(), {0xFE, 0xFF, 0xDD, 0xE0, 0, 0, 0, 0});
  return out;
}

// The source as a PGM or PPM, for opj_compress.
Bytes SourcePNM(const TSource& s) {
  const std::string head = std::string(s.samples == 3 ? "P6\n" : "P5\n") + std::to_string(s.width) + " " +
                           std::to_string(s.height) + "\n255\n";
  Bytes out(head.begin(), head.end());
  for (size_t i = 0; i < size_t(s.width) * s.height * s.samples; ++i) out.push_back(uint8_t(s.values[i]));
  return out;
}

class DicomCodec : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTools({"dump2dcm", "dcmcjpeg", "dcmcrle", "dcm2pnm"})) GTEST_SKIP() << "dcmtk is needed";
  }
};

}  // namespace

TEST_F(DicomCodec, EightBitAndColourSetsReadToTheirPixels) {
  struct Case {
    const char* name;
    TSource (*make)();
    const char* xfer;
    const char* compress;
  } cases[] = {
      {"grey explicit", [] { return Grey8(); }, "+te", nullptr},
      {"grey implicit", [] { return Grey8(); }, "+ti", nullptr},
      {"grey big endian", [] { return Grey8(); }, "+tb", nullptr},
      {"rgb interleaved", [] { return Rgb(); }, "+te", nullptr},
      {"rgb planar", [] { return Rgb(true); }, "+te", nullptr},
      {"grey lossless", [] { return Grey8(); }, "+te", "dcmcjpeg +e1"},
      {"grey lossless, predictor 7", [] { return Grey8(); }, "+te", "dcmcjpeg +el +sv 7"},
      {"rgb lossless", [] { return Rgb(); }, "+te", "dcmcjpeg +e1"},
      {"grey rle", [] { return Grey8(); }, "+te", "dcmcrle"},
      {"rgb rle", [] { return Rgb(); }, "+te", "dcmcrle"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TSource source = c.make();
    Bytes file = MakeDICOM(source, c.xfer);
    if (c.compress) file = DicomConverted(file, c.compress);
    ASSERT_FALSE(file.empty());
    const TNetpbmImage shown = Dcm2pnm(file);
    ASSERT_TRUE(shown.Valid());
    EXPECT_EQ(PixelsOf(shown), Expected8(source));
    TIOParamsVals params(nullptr);
    codec_runs::ReadResult read = ReadDICOM(file, params);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(PixelsOf(read.bitmap.get()), Expected8(source));
    EXPECT_EQ(params.Width, source.width);
    EXPECT_EQ(params.SamplesPerPixel, source.samples);
    EXPECT_GT(params.DICOMTags.Count(), 10);
  }
  // Baseline JPEG: lossy, so within a step of what dcm2pnm decodes.
  const Bytes baseline = DicomConverted(MakeDICOM(Grey8(), "+te"), "dcmcjpeg +eb");
  ASSERT_FALSE(baseline.empty());
  TIOParamsVals params(nullptr);
  codec_runs::ReadResult read = ReadDICOM(baseline, params);
  ASSERT_TRUE(read.ok);
  EXPECT_LE(MaxDifference(PixelsOf(read.bitmap.get()), PixelsOf(Dcm2pnm(baseline))), 2);
}

TEST_F(DicomCodec, SixteenBitGreyIsStretchedOverTheWholeRange) {
  struct Case {
    const char* name;
    const char* xfer;
    const char* compress;
    bool monochrome1;
  } cases[] = {
      {"explicit", "+te", nullptr, false},
      {"implicit", "+ti", nullptr, false},
      {"big endian", "+tb", nullptr, false},
      {"lossless", "+te", "dcmcjpeg +e1", false},
      {"rle", "+te", "dcmcrle", false},
      {"monochrome1", "+te", nullptr, true},
      {"monochrome1 rle", "+te", "dcmcrle", true},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSource source = Grey12();
    if (c.monochrome1) source.photometric = "MONOCHROME1";
    Bytes file = MakeDICOM(source, c.xfer);
    if (c.compress) file = DicomConverted(file, c.compress);
    ASSERT_FALSE(file.empty());
    TIOParamsVals params(nullptr);
    codec_runs::ReadResult read = ReadDICOM(file, params);
    ASSERT_TRUE(read.ok);
    ASSERT_EQ(read.bitmap->PixelFormat(), ie16g);
    EXPECT_EQ(params.BitsPerSample, 12);
    EXPECT_EQ(Samples16(read.bitmap.get()), Stretched(source.values, c.monochrome1));
  }
  // Rescale and window: a window one value wide is a step at its centre, not a division by 0.
  TSource stepped = Grey12();
  stepped.extra = "(0028,1050) DS [2000]\n(0028,1051) DS [1]\n";
  TIOParamsVals params(nullptr);
  codec_runs::ReadResult read = ReadDICOM(MakeDICOM(stepped, "+te"), params);
  ASSERT_TRUE(read.ok);
  for (int32_t y = 0; y < stepped.height; ++y)
    for (int32_t x = 0; x < stepped.width; ++x)
      ASSERT_EQ(read.bitmap->GetPixel16(x, y), stepped.values[size_t(y) * stepped.width + x] < 2000 ? 0 : 65535);
  // A window centre of 0 means no window: the plain stretch.
  TSource unwindowed = Grey12();
  unwindowed.extra = "(0028,1050) DS [0]\n(0028,1051) DS [100]\n";
  read = ReadDICOM(MakeDICOM(unwindowed, "+te"), params);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(Samples16(read.bitmap.get()), Stretched(unwindowed.values, false));
  // One value everywhere: nothing to stretch, the samples stay.
  TSource flat = Grey12();
  std::fill(flat.values.begin(), flat.values.end(), 777u);
  read = ReadDICOM(MakeDICOM(flat, "+te"), params);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(read.bitmap->GetPixel16(3, 3), 777);
}

TEST_F(DicomCodec, FramesOfNativeAndEncapsulatedData) {
  const TSource source = Grey8(3);
  const Bytes native = MakeDICOM(source, "+te");
  for (const char* compress : {(const char*)nullptr, "dcmcrle", "dcmcjpeg +e1", "dcmcjpeg +e1 -ot"}) {
    SCOPED_TRACE(compress ? compress : "native");
    const Bytes file = compress ? DicomConverted(native, compress) : native;
    ASSERT_FALSE(file.empty());
    for (int32_t index : {1, 5}) {
      TIOParamsVals params(nullptr);
      params.SetImageIndex(index);
      codec_runs::ReadResult read = ReadDICOM(file, params);
      ASSERT_TRUE(read.ok);
      const int32_t frame = std::min(index, 2);
      EXPECT_EQ(params.ImageIndex, frame);
      EXPECT_EQ(PixelsOf(read.bitmap.get()), Expected8(source, frame));
      EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(Dcm2pnm(file, frame)));
    }
  }
}

TEST_F(DicomCodec, PaletteColourThroughItsTables) {
  TSource source = Grey8();
  source.photometric = "PALETTE COLOR";
  for (uint32_t& v : source.values) v %= 6;
  const std::string dir = test_files::MakeTempDir();
  Bytes red, green, blue;
  // Six entries each: red rises, green falls, blue is fixed.
  for (int i = 0; i < 6; ++i) {
    for (auto [table, value] : {std::pair{&red, i * 10000}, {&green, 60000 - i * 10000}, {&blue, 257 * 9}})
      table->push_back(uint8_t(value)), table->push_back(uint8_t(value >> 8));
  }
  test_files::WriteFileBytes(dir + "/r.raw", red);
  test_files::WriteFileBytes(dir + "/g.raw", green);
  test_files::WriteFileBytes(dir + "/b.raw", blue);
  source.extra = "(0028,1101) US 6\\0\\16\n(0028,1102) US 6\\0\\16\n(0028,1103) US 6\\0\\16\n"
                 "(0028,1201) OW =" + dir + "/r.raw\n(0028,1202) OW =" + dir + "/g.raw\n(0028,1203) OW =" + dir +
                 "/b.raw\n";
  for (const char* compress : {(const char*)nullptr, "dcmcrle"}) {
    SCOPED_TRACE(compress ? compress : "native");
    Bytes file = MakeDICOM(source, "+te");
    if (compress) file = DicomConverted(file, compress);
    TIOParamsVals params(nullptr);
    codec_runs::ReadResult read = ReadDICOM(file, params);
    ASSERT_TRUE(read.ok);
    std::vector<uint32_t> expected;
    for (uint32_t v : source.values)
      expected.push_back(uint32_t(v * 10000 / 257) << 16 | uint32_t((60000 - v * 10000) / 257) << 8 | 9);
    EXPECT_EQ(PixelsOf(read.bitmap.get()), expected);
  }
  // Indexes past the end of short tables take the last entry, never memory after the table.
  source.extra = "(0028,1201) OW =" + dir + "/r.raw\n";
  for (uint32_t& v : source.values) v = 200;
  TIOParamsVals params(nullptr);
  codec_runs::ReadResult read = ReadDICOM(MakeDICOM(source, "+te"), params);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(PixelsOf(read.bitmap.get())[0] >> 16, uint32_t(50000 / 257));
}

TEST_F(DicomCodec, CompressedSyntaxesWithoutADecoderAreRefused) {
  const Bytes native = MakeDICOM(Grey8(), "+te");
  for (const char* tool : {"dcmcjpeg +ee", "dcmconv +td"}) {
    SCOPED_TRACE(tool);
    const Bytes file = DicomConverted(native, tool);
    ASSERT_FALSE(file.empty());
    TIOParamsVals params(nullptr);
    EXPECT_FALSE(ReadDICOM(file, params).ok);
    // The tags are read all the same.
    EXPECT_GT(params.DICOMTags.Count(), 5);
  }
}

TEST_F(DicomCodec, PreambleAndDetection) {
  const Bytes file = MakeDICOM(Grey8(), "+te");
  fuzz::Bytes copy = file;
  fuzz::TGuardedStream stream(copy.data(), int32_t(copy.size()));
  EXPECT_TRUE(IsDICOMStream(&stream));
  EXPECT_EQ(stream.Position(), 0);
  // Without the preamble and "DICM" the data set is parsed from its first byte.
  const Bytes bare(file.begin() + 132, file.end());
  fuzz::Bytes bareCopy = bare;
  fuzz::TGuardedStream bareStream(bareCopy.data(), int32_t(bareCopy.size()));
  EXPECT_FALSE(IsDICOMStream(&bareStream));
  TIOParamsVals params(nullptr);
  codec_runs::ReadResult read = ReadDICOM(bare, params);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(PixelsOf(read.bitmap.get()), Expected8(Grey8()));
}

TEST_F(DicomCodec, TruncatedAndDamagedFiles) {
  struct Sample {
    const char* name;
    TSource (*make)();
    const char* compress;
  } samples[] = {
      {"16 native", [] { return Grey12(); }, nullptr},
      {"8 lossless", [] { return Grey8(); }, "dcmcjpeg +e1"},
      {"16 lossless", [] { return Grey12(); }, "dcmcjpeg +e1"},
      {"rgb rle", [] { return Rgb(); }, "dcmcrle"},
  };
  unsigned seed = 7500;
  for (auto& s : samples) {
    Bytes file = MakeDICOM(s.make(), "+te");
    if (s.compress) file = DicomConverted(file, s.compress);
    ASSERT_FALSE(file.empty());
    // Cuts inside the pixel data fail; encapsulated data ends with an 8-byte delimiter that
    // nothing needs.
    const size_t complete = file.size() - (s.compress ? 8 : 0);
    for (size_t size = file.size() - 200; size < complete; ++size) {
      TIOParamsVals read(nullptr);
      EXPECT_FALSE(ReadDICOM(Bytes(file.begin(), file.begin() + size), read).ok) << s.name << " cut at " << size;
    }
    fuzz::Fuzz(s.name, file, seed++, [](uint8_t* data, int32_t size) {
      fuzz::TGuardedStream stream(data, size);
      TIEBitmap bitmap;
      TIOParamsVals params(nullptr);
      codec_runs::TAbortableProgress progress;
      ReadDICOMStream(&stream, params, &bitmap, progress, false);
    });
  }
}

// ---- the decoders ----

namespace {

// A lossless JPEG stream: one DHT with one table (id 0) of the given counts and symbols, the
// frame header and the scan header, then the coded bytes and the end marker.
Bytes LosslessStream(uint8_t frameMarker, int32_t precision, int32_t rows, int32_t columns, int32_t components,
                     int32_t transform, const std::vector<uint8_t>& counts, const std::vector<uint8_t>& symbols,
                     const Bytes& coded, int32_t restart = 0, int32_t selection = 1) {
  Bytes b = {0xFF, 0xD8};
  auto segment = [&](uint8_t marker, const Bytes& body) {
    b.insert(b.end(), {0xFF, marker, uint8_t((body.size() + 2) >> 8), uint8_t(body.size() + 2)});
    b.insert(b.end(), body.begin(), body.end());
  };
  Bytes dht = {0x00};
  for (int n = 0; n < 16; ++n) dht.push_back(n < int(counts.size()) ? counts[n] : 0);
  dht.insert(dht.end(), symbols.begin(), symbols.end());
  segment(0xC4, dht);
  Bytes sof = {uint8_t(precision), uint8_t(rows >> 8), uint8_t(rows), uint8_t(columns >> 8), uint8_t(columns),
               uint8_t(components)};
  for (int k = 0; k < components; ++k) sof.insert(sof.end(), {uint8_t(k + 1), 0x11, 0});
  segment(frameMarker, sof);
  if (restart) segment(0xDD, Bytes{uint8_t(restart >> 8), uint8_t(restart)});
  Bytes sos = {uint8_t(components)};
  for (int k = 0; k < components; ++k) sos.insert(sos.end(), {uint8_t(k + 1), 0x00});
  sos.insert(sos.end(), {uint8_t(selection), 0, uint8_t(transform)});
  segment(0xDA, sos);
  b.insert(b.end(), coded.begin(), coded.end());
  b.insert(b.end(), {0xFF, 0xD9});
  return b;
}

// Codes: 00 = category 0, 01 = category 1, 10 = category 16.
const std::vector<uint8_t> kCounts = {0, 3};
const std::vector<uint8_t> kSymbols = {0, 1, 16};

}  // namespace

TEST(DicomDecoders, LosslessJPEGRules) {
  // Category 16 adds 32768: 32768 + 0, then 32768 + 32768 wraps to 0.
  uint16_t out16[4] = {};
  Bytes wraps = LosslessStream(0xC3, 16, 1, 2, 1, 0, kCounts, kSymbols, Bytes{0x2F});
  ASSERT_TRUE(DecodeDICOMLosslessJPEG(wraps.data(), int64_t(wraps.size()), out16, nullptr, {2, 1, 1}, nullptr));
  EXPECT_EQ(out16[0], 32768);
  EXPECT_EQ(out16[1], 0);
  // P 12 with point transform 1 starts from 1024.
  Bytes shifted = LosslessStream(0xC3, 12, 1, 1, 1, 1, kCounts, kSymbols, Bytes{0x3F});
  ASSERT_TRUE(DecodeDICOMLosslessJPEG(shifted.data(), int64_t(shifted.size()), out16, nullptr, {1, 1, 1}, nullptr));
  EXPECT_EQ(out16[0], 1024);
  // One table shared by three components: 128 + 1 for each, then each + 0.
  uint8_t out8[12] = {};
  Bytes shared = LosslessStream(0xC3, 8, 1, 2, 3, 0, kCounts, kSymbols, Bytes{0x6D, 0x81});
  ASSERT_TRUE(DecodeDICOMLosslessJPEG(shared.data(), int64_t(shared.size()), nullptr, out8, {2, 1, 3}, nullptr));
  EXPECT_EQ(Bytes(out8, out8 + 6), (Bytes{129, 129, 129, 129, 129, 129}));
  // A restart interval of one row starts the second row from 128 again, not from above.
  Bytes coded = {0x7F, 0xFF, 0xD0, 0x3F};  // +1 and padding; the marker; 0 and padding
  Bytes restarted = LosslessStream(0xC3, 8, 2, 1, 1, 0, kCounts, kSymbols, coded, 1);
  ASSERT_TRUE(DecodeDICOMLosslessJPEG(restarted.data(), int64_t(restarted.size()), nullptr, out8, {1, 2, 1}, nullptr));
  EXPECT_EQ(out8[0], 129);
  EXPECT_EQ(out8[1], 128);
  // Refused: SOF1 in place of SOF3, a frame other than the array's, too many short codes, a
  // point transform not below the precision, data that ends before the last sample.
  Bytes sof1 = LosslessStream(0xC1, 8, 1, 1, 1, 0, kCounts, kSymbols, Bytes{0x3F});
  EXPECT_FALSE(DecodeDICOMLosslessJPEG(sof1.data(), int64_t(sof1.size()), nullptr, out8, {1, 1, 1}, nullptr));
  Bytes larger = LosslessStream(0xC3, 8, 4, 4, 1, 0, kCounts, kSymbols, Bytes{0x00, 0x00, 0x00, 0x00});
  EXPECT_FALSE(DecodeDICOMLosslessJPEG(larger.data(), int64_t(larger.size()), nullptr, out8, {2, 1, 1}, nullptr));
  Bytes crowded = LosslessStream(0xC3, 8, 1, 1, 1, 0, {3}, {0, 1, 2}, Bytes{0x3F, 0, 0, 0});
  EXPECT_FALSE(DecodeDICOMLosslessJPEG(crowded.data(), int64_t(crowded.size()), nullptr, out8, {1, 1, 1}, nullptr));
  Bytes transform = LosslessStream(0xC3, 8, 1, 1, 1, 8, kCounts, kSymbols, Bytes{0x3F, 0, 0, 0});
  EXPECT_FALSE(DecodeDICOMLosslessJPEG(transform.data(), int64_t(transform.size()), nullptr, out8, {1, 1, 1}, nullptr));
  std::vector<uint8_t> big(64 * 64);
  Bytes shortData = LosslessStream(0xC3, 8, 64, 64, 1, 0, kCounts, kSymbols, Bytes{0x55, 0x55});
  EXPECT_FALSE(DecodeDICOMLosslessJPEG(shortData.data(), int64_t(shortData.size()), nullptr, big.data(), {64, 64, 1},
                                       nullptr));
}

TEST(DicomDecoders, RunLengthSegments) {
  const Bytes segment = {2, 7, 8, 9, 0xFD, 5};
  uint8_t out[16];
  std::memset(out, 0xEE, sizeof(out));
  int64_t produced = 0;
  EXPECT_EQ(DecodeDICOMRLESegment(segment.data(), int64_t(segment.size()), out, 7, &produced), 6);
  EXPECT_EQ(produced, 7);
  EXPECT_EQ(Bytes(out, out + 8), (Bytes{7, 8, 9, 5, 5, 5, 5, 0xEE}));
  // -128 does nothing; output stops at the count, however long the run.
  const Bytes skip = {0x80, 0x81, 3};
  EXPECT_EQ(DecodeDICOMRLESegment(skip.data(), int64_t(skip.size()), out, 5, &produced), 3);
  EXPECT_EQ(produced, 5);
  EXPECT_EQ(Bytes(out, out + 6), (Bytes{3, 3, 3, 3, 3, 5}));
  // A literal that claims more than the data holds takes only what is there.
  const Bytes cut = {10, 1, 2};
  EXPECT_EQ(DecodeDICOMRLESegment(cut.data(), int64_t(cut.size()), out, 16, &produced), 3);
  EXPECT_EQ(produced, 2);
}

TEST_F(DicomCodec, JPEG2000FramesReadThroughTheJPEG2000Reader) {
  if (!HaveTools({"opj_compress", "opj_decompress", "dcmdump"})) GTEST_SKIP() << "OpenJPEG's programs and dcmdump are needed";
  struct Case {
    const char* name;
    TSource (*make)();
    const char* syntax;
    const char* options;
  } cases[] = {
      {"grey, lossless only", [] { return Grey8(); }, "1.2.840.10008.1.2.4.90", ""},
      {"colour, lossless only", [] { return Rgb(); }, "1.2.840.10008.1.2.4.90", ""},
      {"grey, lossy syntax holding lossless data", [] { return Grey8(); }, "1.2.840.10008.1.2.4.91", ""},
      {"colour, lossy", [] { return Rgb(); }, "1.2.840.10008.1.2.4.91", "-r 4 -I"},
      {"grey, lossy", [] { return Grey8(); }, "1.2.840.10008.1.2.4.91", "-r 3 -I"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TSource source = c.make();
    const std::string dir = test_files::MakeTempDir();
    const std::string input = dir + (source.samples == 3 ? "/in.ppm" : "/in.pgm");
    test_files::WriteFileBytes(input, SourcePNM(source));
    ASSERT_EQ(test_files::RunShell("opj_compress -i " + input + " -o " + dir + "/out.j2k -n 2 " + c.options +
                                   " >/dev/null 2>&1"),
              0);
    const Bytes file = Encapsulated(MakeDICOM(source, "+te"), c.syntax, test_files::ReadFileBytes(dir + "/out.j2k"));
    ASSERT_FALSE(file.empty());
    // dcmtk reads the set as encapsulated JPEG 2000.
    test_files::WriteFileBytes(dir + "/set.dcm", file);
    std::string dump;
    ASSERT_EQ(test_files::RunShell("dcmdump -Un " + dir + "/set.dcm", &dump), 0);
    EXPECT_NE(dump.find(c.syntax), std::string::npos) << dump;
    EXPECT_NE(dump.find("PixelSequence"), std::string::npos) << dump;
    TIOParamsVals params(nullptr);
    codec_runs::ReadResult read = ReadDICOM(file, params);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.bitmap->PixelFormat(), source.samples == 3 ? ie24RGB : ie8g);
    // Lossless data give the source's pixels, lossy ones what opj_decompress makes of them.
    if (*c.options == 0) {
      EXPECT_EQ(PixelsOf(read.bitmap.get()), Expected8(source));
    } else {
      ASSERT_EQ(test_files::RunShell("opj_decompress -i " + dir + "/out.j2k -o " + dir + "/back.pnm >/dev/null 2>&1"), 0);
      const TNetpbmImage back = ParseNetpbm(test_files::ReadFileBytes(dir + "/back.pnm"));
      ASSERT_TRUE(back.Valid());
      EXPECT_EQ(PixelsOf(read.bitmap.get()), PixelsOf(back));
      EXPECT_NE(PixelsOf(back), Expected8(source));
    }
  }
}

TEST_F(DicomCodec, RescaledValuesBeyondSixteenBitsKeepTheirOrder) {
  // Slope 40 and intercept -100 take the samples from 3,900 to about 120,000: stretched from
  // their smallest to their largest value, they keep their order (kept to 16 bits first, the
  // larger ones would wrap round below the smaller).
  TSource source = Grey12();
  source.extra = "(0028,1052) DS [-100]\n(0028,1053) DS [40]\n";
  TIOParamsVals params(nullptr);
  codec_runs::ReadResult read = ReadDICOM(MakeDICOM(source, "+te"), params);
  ASSERT_TRUE(read.ok);
  ASSERT_EQ(read.bitmap->PixelFormat(), ie16g);
  const std::vector<uint32_t> samples = Samples16(read.bitmap.get()), expected = Stretched(source.values, false);
  ASSERT_EQ(samples.size(), expected.size());
  for (size_t i = 0; i < samples.size(); ++i) EXPECT_NEAR(double(samples[i]), double(expected[i]), 1.0) << i;
  EXPECT_EQ(*std::max_element(samples.begin(), samples.end()), 65535u);
}
