// The JPEG codec against the system's command-line JPEG tools: files written here decode with
// djpeg, files made by cjpeg read here, and damaged files end with the aborting flag.
#include "imaging/codecs/jpeg/jpeg_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/file_helpers.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_settings.h"
#include "imaging/model/cmyk_conversion.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/icc_profile.h"
#include "imaging/base/mem_stream.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace test_files;

namespace {

// A picture with detail in every channel: gradients and a checker pattern.
std::unique_ptr<TIEBitmap> TestPicture(int32_t width, int32_t height) {
  auto bitmap = std::make_unique<TIEBitmap>(width, height, ie24RGB);
  for (int32_t y = 0; y < height; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap->Scanline(y));
    for (int32_t x = 0; x < width; ++x) {
      row[x * 3 + 0] = static_cast<uint8_t>(x * 255 / std::max(1, width - 1));
      row[x * 3 + 1] = static_cast<uint8_t>(y * 255 / std::max(1, height - 1));
      row[x * 3 + 2] = static_cast<uint8_t>(((x / 16 + y / 16) % 2) ? 200 : 60);
    }
  }
  return bitmap;
}

// A decoded picture: samples per pixel 1 (grey) or 3 (red, green, blue).
struct Picture {
  int32_t width = 0, height = 0, channels = 0;
  Bytes samples;
};

Picture ParsePNM(const Bytes& bytes) {
  Picture picture;
  std::string head(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 64));
  std::istringstream in(head);
  std::string magic;
  int maxValue = 0;
  in >> magic >> picture.width >> picture.height >> maxValue;
  picture.channels = magic == "P5" ? 1 : 3;
  size_t offset = static_cast<size_t>(in.tellg()) + 1;
  picture.samples.assign(bytes.begin() + static_cast<std::ptrdiff_t>(offset), bytes.end());
  return picture;
}

// The bitmap as red, green, blue samples (ie24RGB) or grey ones (ie8g).
Picture FromBitmap(TIEBitmap& bitmap) {
  Picture picture{bitmap.Width(), bitmap.Height(), bitmap.PixelFormat() == ie8g ? 1 : 3, {}};
  for (int32_t y = 0; y < picture.height; ++y) {
    auto* row = static_cast<const uint8_t*>(bitmap.Scanline(y));
    for (int32_t x = 0; x < picture.width; ++x) {
      if (picture.channels == 1) {
        picture.samples.push_back(row[x]);
      } else {
        picture.samples.push_back(row[x * 3 + 2]);
        picture.samples.push_back(row[x * 3 + 1]);
        picture.samples.push_back(row[x * 3 + 0]);
      }
    }
  }
  return picture;
}

int32_t JpegMaxDifference(const Picture& a, const Picture& b) {
  if (a.samples.size() != b.samples.size()) return 256;
  int32_t worst = 0;
  for (size_t i = 0; i < a.samples.size(); ++i) worst = std::max(worst, std::abs(a.samples[i] - b.samples[i]));
  return worst;
}

double MeanDifference(const Picture& a, const Picture& b) {
  if (a.samples.empty() || a.samples.size() != b.samples.size()) return 256;
  double sum = 0;
  for (size_t i = 0; i < a.samples.size(); ++i) sum += std::abs(a.samples[i] - b.samples[i]);
  return sum / static_cast<double>(a.samples.size());
}

// The marker segments of a datastream up to its first scan: code and payload.
struct Segment {
  uint8_t code;
  Bytes payload;
};
std::vector<Segment> Segments(const Bytes& jpeg) {
  std::vector<Segment> segments;
  size_t at = 2;
  while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
    uint8_t code = jpeg[at + 1];
    size_t length = (jpeg[at + 2] << 8) | jpeg[at + 3];
    segments.push_back({code, Bytes(jpeg.begin() + static_cast<std::ptrdiff_t>(at + 4),
                                    jpeg.begin() + static_cast<std::ptrdiff_t>(std::min(jpeg.size(), at + 2 + length)))});
    if (code == 0xDA) break;
    at += 2 + length;
  }
  return segments;
}
const Segment* FindSegment(const std::vector<Segment>& segments, uint8_t code) {
  for (const auto& s : segments)
    if (s.code == code) return &s;
  return nullptr;
}
bool IsFrameCode(uint8_t code) { return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC; }
const Segment* Frame(const std::vector<Segment>& segments) {
  for (const auto& s : segments)
    if (IsFrameCode(s.code)) return &s;
  return nullptr;
}

class JpegCodec : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("cjpeg") || !HaveTool("djpeg")) GTEST_SKIP() << "cjpeg and djpeg are needed";
    dir_ = MakeTempDir();
    progress_.Aborting = &aborting_;
  }
  void TearDown() override {
    if (!dir_.empty()) RunShell("rm -rf '" + dir_ + "'");
  }

  Bytes Write(TIEBitmap& bitmap, TIOParamsVals& params) {
    vcl::TMemoryStream stream;
    aborting_ = false;
    WriteJPEGStream(&stream, &bitmap, params, progress_);
    return StreamBytes(&stream);
  }

  int32_t Read(const Bytes& jpeg, TIEBitmap& bitmap, TIOParamsVals& params, bool native = false,
               bool invertCMYK = false, int32_t lines = -1, bool headerOnly = false) {
    vcl::TMemoryStream stream;
    if (!jpeg.empty()) stream.WriteBuffer(jpeg.data(), static_cast<int32_t>(jpeg.size()));
    stream.SetPosition(0);
    aborting_ = false;
    return ReadJPEGStream(&stream, nullptr, &bitmap, params, progress_, headerOnly, false, false, invertCMYK, false,
                          false, lines, native);
  }

  // The picture djpeg decodes from the bytes.
  Picture Djpeg(const Bytes& jpeg) {
    WriteFileBytes(dir_ + "/in.jpg", jpeg);
    if (RunShell("djpeg -pnm -outfile '" + dir_ + "/out.pnm' '" + dir_ + "/in.jpg'") != 0) return {};
    return ParsePNM(ReadFileBytes(dir_ + "/out.pnm"));
  }

  // A file made by cjpeg with the options from the bitmap (grey: one channel).
  Bytes Cjpeg(TIEBitmap& bitmap, const std::string& options, bool grey = false) {
    Picture picture = FromBitmap(bitmap);
    Bytes pnm = ToBytes((grey ? "P5\n" : "P6\n") + std::to_string(picture.width) + " " +
                        std::to_string(picture.height) + "\n255\n");
    for (size_t i = 0; i < picture.samples.size(); i += 3) {
      if (grey)
        pnm.push_back(picture.samples[i + 1]);
      else
        pnm.insert(pnm.end(), picture.samples.begin() + static_cast<std::ptrdiff_t>(i),
                   picture.samples.begin() + static_cast<std::ptrdiff_t>(i + 3));
    }
    WriteFileBytes(dir_ + "/in.pnm", pnm);
    if (RunShell("cjpeg " + options + " -outfile '" + dir_ + "/c.jpg' '" + dir_ + "/in.pnm'") != 0) return {};
    return ReadFileBytes(dir_ + "/c.jpg");
  }

  std::string dir_;
  std::atomic<bool> aborting_{false};
  TCodecProgress progress_;
};

TEST_F(JpegCodec, WrittenFilesDecodeWithDjpegToTheSamePixels) {
  struct Case {
    uint8_t colorSpace;
    int32_t quality;
    bool progressive;
    int32_t maxMeanDifference;
    const char* what;
  } cases[] = {
      {2, 90, false, 6, "YCbCr"},
      {2, 95, true, 6, "YCbCr progressive"},
      {0, 90, false, 3, "RGB"},
  };
  auto source = TestPicture(67, 45);  // sizes that are no multiple of the block size
  Picture original = FromBitmap(*source);
  for (const auto& c : cases) {
    TIOParamsVals params(nullptr);
    params.JPEGColorSpace = c.colorSpace;
    params.JPEGQuality = c.quality;
    params.JPEGProgressive = c.progressive;
    Bytes jpeg = Write(*source, params);
    ASSERT_FALSE(aborting_) << c.what;
    Picture decoded = Djpeg(jpeg);
    ASSERT_EQ(decoded.width, 67) << c.what;
    ASSERT_EQ(decoded.height, 45) << c.what;
    EXPECT_LT(MeanDifference(decoded, original), c.maxMeanDifference) << c.what;
    // Our own reader gives what djpeg gives.
    TIEBitmap back;
    TIOParamsVals readParams(nullptr);
    EXPECT_EQ(Read(jpeg, back, readParams), 45) << c.what;
    EXPECT_FALSE(aborting_) << c.what;
    EXPECT_LE(JpegMaxDifference(FromBitmap(back), decoded), 1) << c.what;
    EXPECT_EQ(readParams.JPEGColorSpace, c.colorSpace) << c.what;
    EXPECT_EQ(readParams.JPEGProgressive, c.progressive) << c.what;
  }
}

TEST_F(JpegCodec, GreyOutputIsTheLuminanceOfTheRows) {
  auto source = TestPicture(40, 24);
  TIOParamsVals params(nullptr);
  params.JPEGColorSpace = 1;
  params.JPEGQuality = 95;
  Bytes jpeg = Write(*source, params);
  ASSERT_FALSE(aborting_);
  Picture decoded = Djpeg(jpeg);
  ASSERT_EQ(decoded.channels, 1);
  auto segments = Segments(jpeg);
  const Segment* frame = Frame(segments);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->payload[5], 1);  // one component
  // Pure blue-ish and green-ish areas differ in grey: the rows were converted, not copied.
  auto* row = static_cast<uint8_t*>(source->Scanline(20));
  int32_t expected = (row[3 * 30 + 2] * 299 + row[3 * 30 + 1] * 587 + row[3 * 30 + 0] * 114 + 500) / 1000;
  EXPECT_NEAR(decoded.samples[20 * 40 + 30], expected, 8);
}

// The compositor saves with the block's defaults and quality 70.
TEST_F(JpegCodec, DefaultSaveIsBaselineWithTwoByTwoSamplingAndOnlyAJFIFHeader) {
  auto source = TestPicture(32, 32);
  TIOParamsVals params(nullptr);
  params.JPEGQuality = 70;
  Bytes jpeg = Write(*source, params);
  ASSERT_FALSE(aborting_);
  auto segments = Segments(jpeg);
  std::vector<uint8_t> appAndComments;
  for (const auto& s : segments)
    if (s.code >= 0xE0) appAndComments.push_back(s.code);
  EXPECT_EQ(appAndComments, std::vector<uint8_t>{0xE0});
  const Segment* jfif = FindSegment(segments, 0xE0);
  ASSERT_NE(jfif, nullptr);
  EXPECT_EQ(Bytes(jfif->payload.begin(), jfif->payload.begin() + 5), ToBytes(std::string("JFIF\0", 5)));
  EXPECT_EQ(jfif->payload[7], 1);  // dots per inch
  EXPECT_EQ((jfif->payload[8] << 8) | jfif->payload[9], IEDefaultDpiX);
  EXPECT_EQ((jfif->payload[10] << 8) | jfif->payload[11], IEDefaultDpiY);
  const Segment* frame = Frame(segments);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->code, 0xC0);        // baseline
  EXPECT_EQ(frame->payload[5], 3);     // components
  EXPECT_EQ(frame->payload[7], 0x22);  // luma sampled 2 by 2
  EXPECT_EQ(frame->payload[10], 0x11);
  // Quality 70 scales the first entry (16) of the standard luminance table to 10.
  const Segment* tables = FindSegment(segments, 0xDB);
  ASSERT_NE(tables, nullptr);
  EXPECT_EQ(tables->payload[1], 10);
}

TEST_F(JpegCodec, WriterChoicesShowInTheFile) {
  struct Case {
    uint8_t colorSpace;
    uint8_t subsampling;
    bool progressive;
    uint8_t frameCode;
    int32_t components;
    uint8_t lumaSampling;
    bool jfif, adobe;
    const char* what;
  } cases[] = {
      {2, 0, false, 0xC0, 3, 0x21, true, false, "2 by 1"},
      {2, 1, false, 0xC0, 3, 0x22, true, false, "2 by 2"},
      {2, 2, false, 0xC0, 3, 0x11, true, false, "no subsampling"},
      {2, 1, true, 0xC2, 3, 0x22, true, false, "progressive"},
      {0, 1, false, 0xC0, 3, 0x11, false, true, "RGB"},
      {1, 1, false, 0xC0, 1, 0x11, true, false, "grey"},
      {3, 1, false, 0xC0, 4, 0x11, true, true, "CMYK"},
      {4, 1, false, 0xC0, 4, 0x22, false, true, "YCCK"},
  };
  auto source = TestPicture(24, 16);
  for (const auto& c : cases) {
    TIOParamsVals params(nullptr);
    params.JPEGColorSpace = c.colorSpace;
    params.JPEGChromaSubsampling = c.subsampling;
    params.JPEGProgressive = c.progressive;
    Bytes jpeg = Write(*source, params);
    ASSERT_FALSE(aborting_) << c.what;
    auto segments = Segments(jpeg);
    const Segment* frame = Frame(segments);
    ASSERT_NE(frame, nullptr) << c.what;
    EXPECT_EQ(frame->code, c.frameCode) << c.what;
    EXPECT_EQ(frame->payload[5], c.components) << c.what;
    EXPECT_EQ(frame->payload[7], c.lumaSampling) << c.what;
    EXPECT_EQ(FindSegment(segments, 0xE0) != nullptr, c.jfif) << c.what;
    EXPECT_EQ(FindSegment(segments, 0xEE) != nullptr, c.adobe) << c.what;
  }
}

TEST_F(JpegCodec, ResolutionIsWrittenAndReadBack) {
  auto source = TestPicture(8, 8);
  struct Case {
    int32_t dpiX, dpiY, expectX, expectY;
  } cases[] = {{0, 0, IEDefaultDpiX, IEDefaultDpiY}, {72, 150, 72, 150}};
  for (const auto& c : cases) {
    TIOParamsVals params(nullptr);
    params.DpiX = c.dpiX;
    params.DpiY = c.dpiY;
    Bytes jpeg = Write(*source, params);
    TIEBitmap back;
    TIOParamsVals readParams(nullptr);
    Read(jpeg, back, readParams, false, false, -1, true);
    EXPECT_EQ(readParams.DpiX, c.expectX);
    EXPECT_EQ(readParams.DpiY, c.expectY);
  }
  // Dots per centimetre: 118 becomes 299 dots per inch (truncated).
  TIOParamsVals params(nullptr);
  Bytes jpeg = Write(*source, params);
  Bytes perCm = jpeg;
  size_t app0 = 2;
  ASSERT_EQ(perCm[app0 + 1], 0xE0);
  perCm[app0 + 4 + 7] = 2;
  perCm[app0 + 4 + 8] = 0, perCm[app0 + 4 + 9] = 118;
  perCm[app0 + 4 + 10] = 0, perCm[app0 + 4 + 11] = 118;
  TIEBitmap back;
  TIOParamsVals readParams(nullptr);
  Read(perCm, back, readParams, false, false, -1, true);
  EXPECT_EQ(readParams.DpiX, 299);
  EXPECT_EQ(readParams.DpiY, 299);
}

TEST_F(JpegCodec, CjpegFilesRead) {
  struct Case {
    std::string options;
    bool grey, progressive;
    const char* what;
  } cases[] = {
      {"-quality 85", false, false, "baseline"},
      {"-grayscale -quality 90", false, false, "greyscale from colour"},
      {"-quality 90", true, false, "grey input"},
      {"-progressive", false, true, "progressive"},
      {"-optimize", false, false, "optimised tables"},
      {"-restart 1", false, false, "restart every row of blocks"},
      {"-sample 1x1 -progressive -restart 2B", false, true, "progressive with restarts"},
  };
  auto source = TestPicture(61, 37);
  for (const auto& c : cases) {
    Bytes jpeg = Cjpeg(*source, c.options, c.grey);
    ASSERT_FALSE(jpeg.empty()) << c.what;
    Picture expected = Djpeg(jpeg);
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    EXPECT_EQ(Read(jpeg, bitmap, params), 37) << c.what;
    EXPECT_FALSE(aborting_) << c.what;
    EXPECT_EQ(params.JPEGProgressive, c.progressive) << c.what;
    EXPECT_EQ(params.Width, 61) << c.what;
    EXPECT_EQ(params.Height, 37) << c.what;
    EXPECT_EQ(bitmap.PixelFormat(), ie24RGB) << c.what;
    Picture decoded = FromBitmap(bitmap);
    if (expected.channels == 1) {
      // Grey files come out as three equal channels.
      EXPECT_EQ(params.JPEGColorSpace, 1) << c.what;
      EXPECT_EQ(params.SamplesPerPixel, 1) << c.what;
      Picture grey{decoded.width, decoded.height, 1, {}};
      for (size_t i = 0; i < decoded.samples.size(); i += 3) {
        EXPECT_TRUE(decoded.samples[i] == decoded.samples[i + 1] && decoded.samples[i] == decoded.samples[i + 2]);
        grey.samples.push_back(decoded.samples[i]);
      }
      decoded = grey;
    }
    EXPECT_LE(JpegMaxDifference(decoded, expected), 1) << c.what;
  }
}

TEST_F(JpegCodec, NativeGreyKeepsOneSamplePerPixel) {
  auto source = TestPicture(20, 10);
  Bytes jpeg = Cjpeg(*source, "-quality 90", true);
  TIEBitmap bitmap;
  TIOParamsVals params(nullptr);
  EXPECT_EQ(Read(jpeg, bitmap, params, true), 10);
  EXPECT_EQ(bitmap.PixelFormat(), ie8g);
  EXPECT_EQ(JpegMaxDifference(FromBitmap(bitmap), Djpeg(jpeg)), 0);
}

TEST_F(JpegCodec, ReducedSizeLoads) {
  auto big = TestPicture(1600, 1200);
  TIOParamsVals writeParams(nullptr);
  Bytes large = Write(*big, writeParams);
  auto medium = TestPicture(1000, 800);
  Bytes mediumJpeg = Write(*medium, writeParams);
  struct Case {
    const Bytes* jpeg;
    uint8_t scale;
    int32_t wishedWidth, wishedHeight;
    int32_t width, height, denominator, storedWidth, storedHeight;
  } cases[] = {
      {&mediumJpeg, 3, 0, 0, 250, 200, 4, 1000, 800},
      {&mediumJpeg, 2, 0, 0, 500, 400, 2, 1000, 800},
      {&mediumJpeg, 4, 0, 0, 125, 100, 8, 1000, 800},
      {&large, 0, 300, 200, 400, 300, 4, 1600, 1200},
      {&large, 0, 0, 200, 1600, 1200, 1, 1600, 1200},
      {&large, 0, 1500, 1100, 1600, 1200, 1, 1600, 1200},
  };
  for (const auto& c : cases) {
    TIEBitmap bitmap;
    TIOParamsVals params(nullptr);
    params.JPEGLoadScale = c.scale;
    params.Width = c.wishedWidth;
    params.Height = c.wishedHeight;
    EXPECT_EQ(Read(*c.jpeg, bitmap, params), c.height);
    EXPECT_FALSE(aborting_);
    EXPECT_EQ(bitmap.Width(), c.width);
    EXPECT_EQ(bitmap.Height(), c.height);
    EXPECT_EQ(params.Width, c.width);
    EXPECT_EQ(params.Height, c.height);
    EXPECT_EQ(params.JPEGLoadScaleDenominator, c.denominator);
    EXPECT_EQ(params.StoredWidth, c.storedWidth);
    EXPECT_EQ(params.StoredHeight, c.storedHeight);
  }
}

TEST_F(JpegCodec, MarkersAreKeptInFileOrderAndWrittenBackSorted) {
  auto source = TestPicture(16, 16);
  TIOParamsVals params(nullptr);
  Bytes jpeg = Write(*source, params);
  // Inserted after the start of image, so each lands before the previous one.
  jpeg = WithMarker(jpeg, 0xFE, ToBytes("a comment"));
  jpeg = WithMarker(jpeg, 0xED, ToBytes("Photoshop 3.0"));
  jpeg = WithMarker(jpeg, 0xE2, ToBytes("profile bytes"));
  jpeg = WithMarker(jpeg, 0xE1, ToBytes("not an exif block"));
  jpeg = WithMarker(jpeg, 0xE0, ToBytes("JFXX extra"));  // the first APP0 now: left out
  TIEBitmap bitmap;
  TIOParamsVals readParams(nullptr);
  Read(jpeg, bitmap, readParams);
  ASSERT_FALSE(aborting_);
  TIEMarkerList& markers = readParams.JPEGMarkerList;
  std::vector<uint8_t> codes;
  for (int32_t i = 0; i < markers.GetCount(); ++i) codes.push_back(markers.GetMarkerType(i));
  // The file's own JFIF header follows the inserted APP0, so it is the one kept.
  EXPECT_EQ(codes, (std::vector<uint8_t>{0xE1, 0xE2, 0xED, 0xFE, 0xE0}));
  EXPECT_EQ(Bytes(markers.GetMarkerData(3), markers.GetMarkerData(3) + markers.GetMarkerLength(3)),
            ToBytes("a comment"));

  // Written back: after libjpeg's JFIF header, sorted by code, and never an Adobe marker.
  markers.DeleteMarker(4);
  uint8_t adobe[12] = {'A', 'd', 'o', 'b', 'e', 0, 100, 0, 0, 0, 0, 1};
  markers.AddMarker(0xEE, adobe, sizeof adobe);
  Bytes again = Write(bitmap, readParams);
  ASSERT_FALSE(aborting_);
  std::vector<uint8_t> written;
  for (const auto& s : Segments(again))
    if (s.code >= 0xE0) written.push_back(s.code);
  EXPECT_EQ(written, (std::vector<uint8_t>{0xE0, 0xE1, 0xE2, 0xED, 0xFE}));
}

TEST_F(JpegCodec, CMYKRoundTrip) {
  // The plain ink formula, which comes back near the original; a press profile's gamut does not.
  IEUseCMYKProfile = false;
  struct Restore {
    ~Restore() { IEUseCMYKProfile = true; }
  } restore;
  auto source = TestPicture(33, 9);
  for (uint8_t colorSpace : {3, 4}) {
    TIOParamsVals params(nullptr);
    params.JPEGColorSpace = colorSpace;
    params.JPEGQuality = 95;
    Bytes jpeg = Write(*source, params);
    ASSERT_FALSE(aborting_);

    TIEBitmap native, inverted, rgb;
    TIOParamsVals readParams(nullptr);
    EXPECT_EQ(Read(jpeg, native, readParams, true), 9);
    EXPECT_EQ(readParams.JPEGColorSpace, colorSpace);
    EXPECT_EQ(readParams.SamplesPerPixel, 4);
    ASSERT_EQ(native.PixelFormat(), ieCMYK);
    Read(jpeg, inverted, readParams, true, true);
    // Inverting touches every byte of every row, the last pixel's included.
    for (int32_t y = 0; y < 9; ++y) {
      auto* a = static_cast<uint8_t*>(native.Scanline(y));
      auto* b = static_cast<uint8_t*>(inverted.Scanline(y));
      for (int32_t i = 0; i < 33 * 4; ++i) ASSERT_EQ(a[i] + b[i], 255) << "row " << y << " byte " << i;
    }
    // Into blue-green-red the colours come back near the original.
    Read(jpeg, rgb, readParams);
    ASSERT_EQ(rgb.PixelFormat(), ie24RGB);
    EXPECT_LT(MeanDifference(FromBitmap(rgb), FromBitmap(*source)), 6) << int(colorSpace);

    // The native samples are the library's packed CMYK of the source.
    auto* row = static_cast<uint8_t*>(source->Scanline(4));
    auto* cmyk = static_cast<uint8_t*>(native.Scanline(4));
    int32_t expected = IERGBToCMYK((row[5 * 3 + 2] << 16) | (row[5 * 3 + 1] << 8) | row[5 * 3]);
    for (int32_t k = 0; k < 4; ++k) EXPECT_NEAR(cmyk[5 * 4 + k], (expected >> (8 * k)) & 0xFF, 6);

    // With inversion into blue-green-red, every pixel is the converted inverted sample.
    TIEBitmap invertedRGB;
    Read(jpeg, invertedRGB, readParams, false, true);
    auto* last = static_cast<uint8_t*>(inverted.Scanline(8)) + 32 * 4;
    TRGB pixel{};
    IECMYKToRGB(last[0] | (last[1] << 8) | (last[2] << 16) | (static_cast<uint32_t>(last[3]) << 24), pixel);
    auto* lastRGB = static_cast<uint8_t*>(invertedRGB.Scanline(8)) + 32 * 3;
    EXPECT_EQ(lastRGB[0], pixel.b);
    EXPECT_EQ(lastRGB[1], pixel.g);
    EXPECT_EQ(lastRGB[2], pixel.r);
  }
}

TEST_F(JpegCodec, ReaderEdgeCases) {
  auto source = TestPicture(32, 64);
  TIOParamsVals params(nullptr);
  Bytes jpeg = Write(*source, params);
  size_t scan = 2;  // the start of scan marker
  while (scan + 1 < jpeg.size() && !(jpeg[scan] == 0xFF && jpeg[scan + 1] == 0xDA)) ++scan;

  {  // 149 bytes before the datastream still read; 150 do not.
    for (size_t prefix : {149u, 150u}) {
      Bytes shifted(prefix, 0x20);
      shifted.insert(shifted.end(), jpeg.begin(), jpeg.end());
      vcl::TMemoryStream stream;
      stream.WriteBuffer(shifted.data(), static_cast<int32_t>(shifted.size()));
      stream.SetPosition(0);
      EXPECT_EQ(FindJPEGStream(&stream, true), prefix == 149 ? 149 : -1);
      EXPECT_EQ(stream.Position(), 0);
      TIEBitmap bitmap;
      TIOParamsVals readParams(nullptr);
      EXPECT_EQ(Read(shifted, bitmap, readParams), prefix == 149 ? 64 : 0);
      EXPECT_EQ(aborting_, prefix == 150);
    }
  }
  {  // A given number of rows: no failure and no warning.
    TIEBitmap bitmap;
    TIOParamsVals readParams(nullptr);
    EXPECT_EQ(Read(jpeg, bitmap, readParams, false, false, 16), 16);
    EXPECT_FALSE(aborting_);
    EXPECT_EQ(readParams.JPEGWarningCount, 0);
  }
  {  // Cut short in the coded data: decoded to the end with a warning.
    Bytes cut(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(scan + (jpeg.size() - scan) / 2));
    TIEBitmap bitmap;
    TIOParamsVals readParams(nullptr);
    EXPECT_EQ(Read(cut, bitmap, readParams), 64);
    EXPECT_FALSE(aborting_);
    EXPECT_GE(readParams.JPEGWarningCount, 1);
    EXPECT_NE(readParams.JPEGLastWarningCode, 0);
  }
  {  // Nothing at all, and a header only.
    TIEBitmap bitmap;
    TIOParamsVals readParams(nullptr);
    EXPECT_EQ(Read(Bytes{}, bitmap, readParams), 0);
    EXPECT_TRUE(aborting_);
    Bytes header(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(scan + 14));
    EXPECT_EQ(Read(header, bitmap, readParams, false, false, -1, true), 0);
    EXPECT_FALSE(aborting_);
    EXPECT_EQ(readParams.Width, 32);
    EXPECT_EQ(readParams.Height, 64);
  }
}

TEST_F(JpegCodec, StreamIsLeftJustAfterTheDatastream) {
  auto source = TestPicture(16, 16);
  TIOParamsVals params(nullptr);
  Bytes jpeg = Write(*source, params);
  Bytes framed(300, 0x55);  // other data before: more than the search window
  framed.insert(framed.end(), jpeg.begin(), jpeg.end());
  framed.insert(framed.end(), {'N', 'E', 'X', 'T'});
  vcl::TMemoryStream stream;
  stream.WriteBuffer(framed.data(), static_cast<int32_t>(framed.size()));

  for (bool thumbnailFirst : {false, true}) {
    stream.SetPosition(300);
    TIEBitmap bitmap;
    TIOParamsVals readParams(nullptr);
    // Without an EXIF thumbnail the shortcut must come back to this datastream, not to 0.
    readParams.SetLoadEXIFThumbnail(thumbnailFirst);
    aborting_ = false;
    EXPECT_EQ(ReadJPEGStream(&stream, nullptr, &bitmap, readParams, progress_, false, false, false, false, false,
                             false, -1, false),
              16);
    EXPECT_FALSE(aborting_);
    EXPECT_EQ(readParams.JPEGLoadEXIFThumbnail, thumbnailFirst);
    EXPECT_EQ(stream.Position(), static_cast<int64_t>(300 + jpeg.size()));
  }
  stream.SetPosition(300);
  EXPECT_EQ(JPEGStreamLength(&stream), static_cast<int64_t>(jpeg.size()));
  EXPECT_EQ(stream.Position(), 300);
  EXPECT_EQ(FindJPEGStream(&stream, false), 0);
  stream.SetPosition(299);
  EXPECT_EQ(FindJPEGStream(&stream, false), -1);
}

// A decode that stops early because fewer rows were asked for is finished like a whole one:
// the stream stands just after the datastream, where the data that follows it begins.
TEST_F(JpegCodec, PartialDecodeLeavesTheStreamAfterTheDatastream) {
  auto source = TestPicture(40, 64);
  for (bool progressive : {false, true}) {
    TIOParamsVals params(nullptr);
    params.JPEGProgressive = progressive;
    Bytes jpeg = Write(*source, params);
    ASSERT_FALSE(aborting_);
    Bytes framed(300, 0x55);
    framed.insert(framed.end(), jpeg.begin(), jpeg.end());
    framed.insert(framed.end(), {'N', 'E', 'X', 'T'});
    vcl::TMemoryStream stream;
    stream.WriteBuffer(framed.data(), static_cast<int32_t>(framed.size()));
    for (int32_t lines : {0, 1, 16, 63}) {
      SCOPED_TRACE((progressive ? "progressive, lines " : "baseline, lines ") + std::to_string(lines));
      stream.SetPosition(300);
      TIEBitmap bitmap;
      TIOParamsVals readParams(nullptr);
      aborting_ = false;
      EXPECT_EQ(ReadJPEGStream(&stream, nullptr, &bitmap, readParams, progress_, false, false, false, false, false,
                               false, lines, false),
                lines);
      EXPECT_FALSE(aborting_);
      EXPECT_EQ(readParams.JPEGWarningCount, 0);
      EXPECT_EQ(stream.Position(), static_cast<int64_t>(300 + jpeg.size()));
      char next[4] = {};
      EXPECT_EQ(stream.Read(next, 4), 4);
      EXPECT_EQ(std::string(next, 4), "NEXT");
    }
  }
}

TEST_F(JpegCodec, StreamLengthNeedsAnEndMarkerAndSaneSegments) {
  Bytes noEnd = {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x04, 'h', 'i', 0x12, 0x34};
  Bytes zeroLength = {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x00, 0xFF, 0xD9};
  Bytes oneLength = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x01, 0xFF, 0xD9};
  Bytes fillBytes = {0xFF, 0xD8, 0xFF, 0xFF, 0xFF, 0xD9, 0x77};
  struct Case {
    Bytes bytes;
    int64_t length;
  } cases[] = {{noEnd, -1}, {zeroLength, -1}, {oneLength, -1}, {fillBytes, 6}};
  for (auto& c : cases) {
    TIEMemStream stream(c.bytes.data(), static_cast<int64_t>(c.bytes.size()));
    EXPECT_EQ(JPEGStreamLength(&stream), c.length);
    EXPECT_EQ(stream.Position(), 0);
  }
}

// An APP2 chunk of an ICC profile: signature, number (from 1), count, bytes.
Bytes ICCChunk(uint8_t sequence, uint8_t count, const std::string& bytes) {
  Bytes chunk = ToBytes(std::string("ICC_PROFILE\0", 12));
  chunk.push_back(sequence);
  chunk.push_back(count);
  Bytes data = ToBytes(bytes);
  chunk.insert(chunk.end(), data.begin(), data.end());
  return chunk;
}

TEST_F(JpegCodec, ICCProfileChunksAreJoinedOnlyWhenComplete) {
  auto source = TestPicture(8, 8);
  TIOParamsVals params(nullptr);
  Bytes jpeg = Write(*source, params);
  struct Case {
    std::vector<Bytes> chunks;  // in file order
    std::string profile;        // empty: nothing loaded
    const char* what;
  } cases[] = {
      {{ICCChunk(2, 3, "BBB"), ICCChunk(1, 3, "AAA"), ICCChunk(3, 3, "CC")}, "AAABBBCC", "out of order"},
      {{ICCChunk(1, 2, "AA"), ICCChunk(1, 2, "XX"), ICCChunk(2, 2, "BB")}, "AABB", "repeated chunk"},
      {{ICCChunk(0, 2, "ZZ"), ICCChunk(1, 2, "AA"), ICCChunk(3, 2, "ZZ"), ICCChunk(2, 2, "BB")}, "AABB",
       "numbers outside the count"},
      {{ICCChunk(1, 2, "AA"), ICCChunk(2, 3, "ZZ")}, "", "count changes"},
      {{ICCChunk(1, 2, "AA")}, "", "chunk missing"},
      {{ICCChunk(1, 0, "AA")}, "", "count 0"},
      {{ToBytes(std::string("ICC_PROFILE\0\1", 13))}, "", "too short"},
  };
  for (const auto& c : cases) {
    Bytes withChunks = jpeg;
    for (auto it = c.chunks.rbegin(); it != c.chunks.rend(); ++it) withChunks = WithMarker(withChunks, 0xE2, *it);
    TIEMemStream stream(withChunks.data(), static_cast<int64_t>(withChunks.size()));
    TIOParamsVals readParams(nullptr);
    LoadJPEGICCProfile(&stream, readParams);
    EXPECT_EQ(stream.Position(), 0) << c.what;
    std::string loaded;
    if (readParams.InputICCProfile && readParams.InputICCProfile->Raw())
      loaded.assign(reinterpret_cast<const char*>(readParams.InputICCProfile->Raw()),
                    static_cast<size_t>(readParams.InputICCProfile->RawLength()));
    EXPECT_EQ(loaded, c.profile) << c.what;
  }
}

TEST_F(JpegCodec, WriterFailures) {
  TIOParamsVals params(nullptr);
  {  // Nothing to write.
    TIEBitmap empty;
    vcl::TMemoryStream stream;
    aborting_ = false;
    WriteJPEGStream(&stream, &empty, params, progress_);
    EXPECT_TRUE(aborting_);
    EXPECT_EQ(stream.Size(), 0);
  }
  auto source = TestPicture(300, 300);
  {  // A stream that takes only part of what it is given.
    class TShortStream : public vcl::TMemoryStream {
     public:
      int32_t Write(const void* buffer, int32_t count) override {
        return vcl::TMemoryStream::Write(buffer, std::min<int32_t>(count, 1000));
      }
    } stream;
    aborting_ = false;
    WriteJPEGStream(&stream, source.get(), params, progress_);
    EXPECT_TRUE(aborting_);
  }
  {  // A stream that raises: the error passes out after clean-up.
    class TFailingStream : public vcl::TMemoryStream {
     public:
      int32_t Write(const void*, int32_t) override { throw vcl::EWriteError("Stream write error"); }
    } stream;
    aborting_ = false;
    EXPECT_THROW(WriteJPEGStream(&stream, source.get(), params, progress_), vcl::EWriteError);
  }
}

TEST_F(JpegCodec, OtherPixelFormatsAreWrittenFromAConvertedCopy) {
  TIEBitmap grey(20, 12, ie8g);
  for (int32_t y = 0; y < 12; ++y)
    std::memset(grey.Scanline(y), y * 20, 20);
  TIOParamsVals params(nullptr);
  params.JPEGQuality = 95;
  Bytes jpeg = Write(grey, params);
  ASSERT_FALSE(aborting_);
  EXPECT_EQ(grey.PixelFormat(), ie8g);
  Picture decoded = Djpeg(jpeg);
  ASSERT_EQ(decoded.height, 12);
  EXPECT_NEAR(decoded.samples[(6 * 20 + 10) * 3], 120, 3);
}

TEST_F(JpegCodec, ProgressIsReportedOncePerPercentage) {
  auto source = TestPicture(16, 250);
  TIOParamsVals params(nullptr);
  std::vector<int32_t> reports;
  progress_.OnProgressData = &reports;
  progress_.OnProgressCode = [](void* data, vcl::TObject*, int32_t percent) {
    static_cast<std::vector<int32_t>*>(data)->push_back(percent);
  };
  Bytes jpeg = Write(*source, params);
  TIEBitmap bitmap;
  reports.clear();
  Read(jpeg, bitmap, params);
  ASSERT_FALSE(reports.empty());
  EXPECT_TRUE(std::adjacent_find(reports.begin(), reports.end()) == reports.end());
  EXPECT_EQ(reports.back(), 100);
  progress_.OnProgressCode = nullptr;
}

TEST(JpegMessages, TextsOfTheMessageTable) {
  struct Case {
    int32_t code;
    std::string text;
  } cases[] = {
      {53, "Not a JPEG file: starts with 0x? 0x?"},
      {15, "Unsupported JPEG data precision ?"},
      {120, "Premature end of JPEG file"},
      {73, ""},
      {74, ""},
      {124, "Corrupted"},
      {-1, "Corrupted"},
      {5000, "Corrupted"},
  };
  for (const auto& c : cases) EXPECT_EQ(JPEGMessageText(c.code), c.text) << c.code;
}

TEST_F(JpegCodec, DecompressorWrappers) {
  auto source = TestPicture(24, 10);
  Bytes jpeg = Cjpeg(*source, "-quality 90");
  TIEMemStream stream(jpeg.data(), static_cast<int64_t>(jpeg.size()));
  jpeg_decompress_struct* cinfo = IEJpegNewDecompressor();
  jpeg_error_mgr* err = IEJpegNewErrorMgr(cinfo);
  IEJpegCreateDecompress(cinfo);
  IEJpegStreamSource(cinfo, &stream);
  EXPECT_EQ(IEJpegReadHeader(cinfo), 1);  // an image
  EXPECT_TRUE(IEJpegStartDecompress(cinfo));
  EXPECT_EQ(IEJpegOutputWidth(cinfo), 24);
  EXPECT_EQ(IEJpegOutputHeight(cinfo), 10);
  EXPECT_EQ(IEJpegOutputComponents(cinfo), 3);
  uint8_t** rows = IEJpegAllocSampleArray(cinfo, 24 * 3, 1);
  while (IEJpegOutputScanline(cinfo) < 10) ASSERT_EQ(IEJpegReadScanlines(cinfo, rows, 1), 1);
  EXPECT_TRUE(IEJpegFinishDecompress(cinfo));
  IEJpegDestroyDecompress(cinfo);

  // Not a JPEG: libjpeg's failure reaches the caller as an exception.
  Bytes text = ToBytes("hello, this is no picture");
  TIEMemStream other(text.data(), static_cast<int64_t>(text.size()));
  IEJpegCreateDecompress(cinfo);
  IEJpegStreamSource(cinfo, &other);
  try {
    IEJpegReadHeader(cinfo);
    ADD_FAILURE() << "no exception";
  } catch (const EIEJpegException& e) {
    EXPECT_EQ(e.Message(), "Not a JPEG file: starts with 0x? 0x?");
  }
  IEJpegDestroyDecompress(cinfo);
  IEJpegFreeErrorMgr(err);
  IEJpegFreeDecompressor(cinfo);
}

TEST_F(JpegCodec, DamagedFilesEndCleanly) {
  auto source = TestPicture(40, 24);
  std::vector<Bytes> samples;
  TIOParamsVals params(nullptr);
  params.JPEGQuality = 60;
  samples.push_back(Write(*source, params));
  samples.push_back(Cjpeg(*source, "-progressive -restart 1 -quality 60"));
  params.JPEGColorSpace = 4;
  samples.push_back(Write(*source, params));
  for (const Bytes& valid : samples) {
    ASSERT_FALSE(valid.empty());
    ForEachDamagedCopy(valid, 300, [&](const uint8_t* data, int32_t size) {
      TIEMemStream stream(const_cast<uint8_t*>(data), size);
      TIEBitmap bitmap;
      TIOParamsVals readParams(nullptr);
      std::atomic<bool> aborting{false};
      TCodecProgress progress;
      progress.Aborting = &aborting;
      int32_t rows = ReadJPEGStream(&stream, nullptr, &bitmap, readParams, progress, false, false, false, false,
                                    false, true, -1, false);
      EXPECT_GE(rows, 0);
      EXPECT_LE(rows, bitmap.Height());
      TIEMemStream again(const_cast<uint8_t*>(data), size);
      EXPECT_GE(JPEGStreamLength(&again), -1);
    });
  }
}

}  // namespace
