// The TIFF writer, checked by independent readers: every layout and compression is decoded by
// libtiff's tools and compared with the source pixels, the metadata is read back by exiftool,
// and the file structure (strips, appended pages, offsets) is checked byte by byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/coding/lzw_procs.h"
#include "imaging/codecs/tiff/tiff_writer.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/model/cmyk_conversion.h"
#include "imaging/model/ie_bitmap.h"
#include "tests/support/test_pictures.h"
#include "tests/imaging/codecs/tiff_reader_test_util.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace test_files;
using test_pictures::Checker1Bit;
using test_pictures::FewColours;
using test_pictures::Gradient;

namespace {

// The decoded picture: 8-bit red, green, blue and alpha per pixel, rows top-down.
struct Decoded {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> RGBA;
};

// Reads one PNM (P5 or P6, 8-bit) file.
bool ReadPNM(const std::string& path, int channels, int32_t& w, int32_t& h, std::vector<uint8_t>& pixels) {
  Bytes bytes = ReadFileBytes(path);
  std::string text(bytes.begin(), bytes.end());
  size_t pos = 0;
  auto token = [&]() {
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
    size_t start = pos;
    while (pos < text.size() && !std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
    return text.substr(start, pos - start);
  };
  const std::string magic = token();
  if (magic != (channels == 3 ? "P6" : "P5")) return false;
  w = std::stoi(token());
  h = std::stoi(token());
  if (std::stoi(token()) != 255) return false;
  ++pos;
  if (text.size() - pos < size_t(w) * h * channels) return false;
  pixels.assign(bytes.begin() + pos, bytes.begin() + pos + size_t(w) * h * channels);
  return true;
}

// libtiff's RGBA reader, which handles every photometric interpretation, turns the file into
// 8-bit RGBA; netpbm's reader then hands over colour and alpha.
bool DecodeWithLibtiff(const std::string& tiff, Decoded& out, std::string* log) {
  const std::string rgba = tiff + ".rgba.tif";
  if (RunShell("tiff2rgba -c none '" + tiff + "' '" + rgba + "'", log) != 0) return false;
  if (RunShell("tifftopnm -alphaout='" + tiff + ".alpha.pgm' '" + rgba + "' > '" + tiff + ".ppm'", log) != 0)
    return false;
  std::vector<uint8_t> rgb, alpha;
  int32_t w = 0, h = 0, aw = 0, ah = 0;
  if (!ReadPNM(tiff + ".ppm", 3, w, h, rgb) || !ReadPNM(tiff + ".alpha.pgm", 1, aw, ah, alpha)) return false;
  out.Width = w;
  out.Height = h;
  out.RGBA.resize(size_t(w) * h * 4);
  for (size_t i = 0; i < size_t(w) * h; ++i) {
    std::memcpy(&out.RGBA[4 * i], &rgb[3 * i], 3);
    out.RGBA[4 * i + 3] = alpha[i];
  }
  return true;
}

class TiffWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("tiffinfo") || !HaveTool("tiff2rgba") || !HaveTool("tifftopnm"))
      GTEST_SKIP() << "libtiff-tools and netpbm are needed (tools/install-deps)";
    dir_ = MakeTempDir();
    progress_.Aborting = &aborting_;
  }
  void TearDown() override {
    if (!dir_.empty()) RunShell("rm -rf '" + dir_ + "'");
  }

  // Writes a new TIFF and returns its bytes (empty when the writer failed).
  Bytes Write(TIEBitmap* bitmap, TIOParamsVals& params) {
    vcl::TMemoryStream stream;
    aborting_ = false;
    const int32_t pages = WriteTIFFStream(&stream, false, bitmap, params, progress_);
    if (aborting_ || pages != 1) return {};
    return StreamBytes(&stream);
  }

  std::string Save(const std::string& name, const Bytes& bytes) {
    const std::string path = dir_ + "/" + name;
    WriteFileBytes(path, bytes);
    return path;
  }

  // tiffinfo's report of the file's first directory; it must read the file without a warning.
  std::string Info(const std::string& path, const std::string& options = "") {
    std::string output;
    EXPECT_EQ(RunShell("tiffinfo " + options + " '" + path + "' 2>&1", &output), 0) << output;
    EXPECT_EQ(output.find("Warning"), std::string::npos) << output;
    EXPECT_EQ(output.find("Error"), std::string::npos) << output;
    return output;
  }

  std::string dir_;
  std::atomic<bool> aborting_{false};
  TCodecProgress progress_;
};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// ---- source images ----

std::unique_ptr<TIEBitmap> GreyRamp(int32_t w, int32_t h, TIEPixelFormat format) {
  auto bitmap = std::make_unique<TIEBitmap>(w, h, format);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint8_t level = uint8_t((x * 9 + y * 5) & 0xFF);
      if (format == ie24RGB) bitmap->SetPixel24(x, y, MakeRGB(level, level, level));
      else if (format == ie16g) bitmap->SetPixel16(x, y, uint16_t(level * 257 + (x & 0x7F)));
      else bitmap->SetPixel8(x, y, level);
    }
  return bitmap;
}

// The colour a reader should see for a pixel of the source image.
TRGB SourceColour(TIEBitmap* bitmap, int32_t x, int32_t y) { return bitmap->GetPixelRGB(x, y); }

void ExpectPixels(TIEBitmap* source, const Decoded& decoded, int32_t tolerance, const std::string& what,
                  const std::function<TRGB(int32_t, int32_t)>& expected = nullptr) {
  ASSERT_EQ(decoded.Width, source->GetWidth()) << what;
  ASSERT_EQ(decoded.Height, source->GetHeight()) << what;
  int32_t worst = 0;
  for (int32_t y = 0; y < decoded.Height; ++y)
    for (int32_t x = 0; x < decoded.Width; ++x) {
      const TRGB want = expected ? expected(x, y) : SourceColour(source, x, y);
      const uint8_t* got = &decoded.RGBA[4 * (size_t(y) * decoded.Width + x)];
      worst = std::max({worst, std::abs(got[0] - want.r), std::abs(got[1] - want.g), std::abs(got[2] - want.b)});
      if (worst > tolerance) {
        ADD_FAILURE() << what << ": pixel " << x << "," << y << " is " << int(got[0]) << "," << int(got[1]) << ","
                      << int(got[2]) << " for " << int(want.r) << "," << int(want.g) << "," << int(want.b);
        return;
      }
    }
}

}  // namespace

// Each layout is written with every general-purpose compression; libtiff must read every file
// without complaint and decode the source's pixels.
TEST_F(TiffWriterTest, LayoutsDecodeToTheSourcePixelsInEveryCompression) {
  struct Layout {
    const char* name;
    std::function<std::unique_ptr<TIEBitmap>()> make;
    int32_t bits, samples;
    uint8_t photometric;
    const char* tiffinfoPhotometric;
    const char* bitsLine;
    const char* samplesLine;
    int32_t tolerance;
    // Expected colour when it is not the source's own (reduced depths, 16-bit high bytes).
    std::function<TRGB(TIEBitmap*, int32_t, int32_t)> expected;
  };
  const Layout layouts[] = {
      {"rgb", [] { return Gradient(37, 23); }, 8, 3, 2, "RGB color", "Bits/Sample: 8", "Samples/Pixel: 3", 0, nullptr},
      {"palette8", [] { return FewColours(41, 17, 60); }, 8, 1, 2, "palette color", "Bits/Sample: 8",
       "Samples/Pixel: 1", 0, nullptr},
      {"palette4", [] { return FewColours(41, 17, 11); }, 4, 1, 2, "palette color", "Bits/Sample: 4",
       "Samples/Pixel: 1", 0, nullptr},
      {"palette2", [] { return FewColours(13, 9, 3); }, 2, 1, 2, "palette color", "Bits/Sample: 2",
       "Samples/Pixel: 1", 0, nullptr},
      {"grey8", [] { return GreyRamp(33, 19, ie24RGB); }, 8, 1, 2, "min-is-black", "Bits/Sample: 8",
       "Samples/Pixel: 1", 0, nullptr},
      {"grey4", [] { return GreyRamp(33, 19, ie24RGB); }, 4, 1, 2, "min-is-black", "Bits/Sample: 4",
       "Samples/Pixel: 1", 0,
       [](TIEBitmap* b, int32_t x, int32_t y) {
         const uint8_t v = uint8_t(b->GetPixelRGB(x, y).r * 16 / 256 * 17);
         return MakeRGB(v, v, v);
       }},
      {"ie8g", [] { return GreyRamp(33, 19, ie8g); }, 8, 1, 2, "min-is-black", "Bits/Sample: 8", "Samples/Pixel: 1",
       0, nullptr},
      {"ie8p", [] {
         auto b = std::make_unique<TIEBitmap>(21, 12, ie8p);
         for (int32_t i = 0; i < 256; ++i) b->SetPaletteColor(i, MakeRGB(uint8_t(i), uint8_t(255 - i), uint8_t(i * 3)));
         for (int32_t y = 0; y < 12; ++y)
           for (int32_t x = 0; x < 21; ++x) b->SetPixel8(x, y, uint8_t(x * 12 + y));
         return b;
       }, 8, 1, 2, "palette color", "Bits/Sample: 8", "Samples/Pixel: 1", 0, nullptr},
      {"ie16g", [] { return GreyRamp(33, 19, ie16g); }, 16, 1, 2, "min-is-black", "Bits/Sample: 16",
       "Samples/Pixel: 1", 0,
       [](TIEBitmap* b, int32_t x, int32_t y) {
         const uint8_t v = uint8_t(b->GetPixel16(x, y) >> 8);
         return MakeRGB(v, v, v);
       }},
      {"cmyk", [] {
         auto rgb = Gradient(29, 15);
         auto b = std::make_unique<TIEBitmap>(29, 15, ieCMYK);
         b->CopyAndConvertFormat(rgb.get());
         return b;
       }, 8, 4, 5, "separated", "Bits/Sample: 8", "Samples/Pixel: 4", 2,
       // libtiff shows inks by the plain formula, not through the library's press profile.
       [](TIEBitmap* b, int32_t x, int32_t y) {
         TRGB pixel{};
         IECMYKToRGBArithmetic(b->GetPixel32(x, y), pixel);
         return pixel;
       }},
      {"rgb48", [] {
         auto b = std::make_unique<TIEBitmap>(19, 11, ieRGB48);
         for (int32_t y = 0; y < 11; ++y)
           for (int32_t x = 0; x < 19; ++x)
             b->SetPixel48(x, y, {uint16_t(x * 3000 + 17), uint16_t(y * 5000 + 3), uint16_t(40000 + x * y)});
         return b;
       }, 16, 3, 2, "RGB color", "Bits/Sample: 16", "Samples/Pixel: 3", 1,
       [](TIEBitmap* b, int32_t x, int32_t y) {
         const auto p = b->GetPixel48(x, y);
         return MakeRGB(uint8_t(p.r >> 8), uint8_t(p.g >> 8), uint8_t(p.b >> 8));
       }},
      // libtiff shows CIELab through a display model whose black level crushes the darkest
      // tones, so light greys are compared (a wrong white point would tint them).
      {"cielab", [] {
         auto b = std::make_unique<TIEBitmap>(23, 13, ie24RGB);
         for (int32_t y = 0; y < 13; ++y)
           for (int32_t x = 0; x < 23; ++x) {
             const uint8_t level = uint8_t(96 + (x * 7 + y * 3) % 160);
             b->SetPixel24(x, y, MakeRGB(level, level, level));
           }
         return b;
       }, 8, 3, 7, "CIE L*a*b*", "Bits/Sample: 8", "Samples/Pixel: 3", 6, nullptr},
      {"bilevel", [] { return Checker1Bit(45, 21); }, 1, 1, 2, "min-is-black", "Bits/Sample: 1", "Samples/Pixel: 1",
       0, nullptr},
  };
  // The block's compression and the tag value written for it (10 is deflate under its
  // registered number 8, 9 under the older 32946).
  const std::pair<uint8_t, int32_t> compressions[] = {{0, 1}, {5, 5}, {8, 32773}, {9, 32946}, {10, 8}};
  for (const Layout& layout : layouts) {
    auto source = layout.make();
    for (const auto& [compression, tagValue] : compressions) {
      const std::string what = std::string(layout.name) + " compression " + std::to_string(compression);
      TIOParamsVals params(nullptr);
      params.BitsPerSample = layout.bits;
      params.SamplesPerPixel = layout.samples;
      params.TIFFPhotometric = layout.photometric;
      params.TIFFCompression = compression;
      Bytes file = Write(source.get(), params);
      ASSERT_FALSE(file.empty()) << what;
      const std::string path = Save(std::string(layout.name) + "-" + std::to_string(compression) + ".tif", file);
      const std::string info = Info(path);
      std::string dump;
      RunShell("tiffdump '" + path + "'", &dump);
      EXPECT_TRUE(Contains(dump, "Compression (259) SHORT (3) 1<" + std::to_string(tagValue) + ">")) << what << dump;
      EXPECT_TRUE(Contains(info, std::string("Photometric Interpretation: ") + layout.tiffinfoPhotometric))
          << what << "\n" << info;
      EXPECT_TRUE(Contains(info, layout.bitsLine)) << what << "\n" << info;
      EXPECT_TRUE(Contains(info, layout.samplesLine)) << what << "\n" << info;
      Decoded decoded;
      std::string log;
      ASSERT_TRUE(DecodeWithLibtiff(path, decoded, &log)) << what << "\n" << log;
      TIEBitmap* s = source.get();
      ExpectPixels(s, decoded, layout.tolerance, what,
                   layout.expected ? std::function<TRGB(int32_t, int32_t)>(
                                         [&](int32_t x, int32_t y) { return layout.expected(s, x, y); })
                                   : nullptr);
      // The block tells what was written.
      EXPECT_EQ(params.SamplesPerPixel, std::stoi(info.substr(info.find("Samples/Pixel: ") + 15))) << what;
    }
  }
}

// The four fax codings of a 1-bit image in both bit orders: white is zero in the file, the
// fax tags are set, and libtiff decodes the source's pixels.
TEST_F(TiffWriterTest, FaxCodingsOfABilevelImage) {
  auto source = Checker1Bit(203, 37);
  const struct {
    uint8_t compression;
    const char* scheme;
    const char* options;
  } codings[] = {{1, "CCITT RLE", nullptr},
                 {2, "CCITT Group 3", "Group 3 Options: (0 = 0x0)"},
                 {3, "CCITT Group 3", "Group 3 Options: 2-d encoding (1 = 0x1)"},
                 {4, "CCITT Group 4", "Group 4 Options: (0 = 0x0)"}};
  for (const auto& coding : codings) {
    for (int32_t fillOrder : {1, 2}) {
      const std::string what = std::string(coding.scheme) + " fill order " + std::to_string(fillOrder);
      TIOParamsVals params(nullptr);
      params.BitsPerSample = 1;
      params.SamplesPerPixel = 1;
      params.TIFFCompression = coding.compression;
      params.TIFFFillOrder = fillOrder;
      Bytes file = Write(source.get(), params);
      ASSERT_FALSE(file.empty()) << what;
      const std::string path =
          Save("fax" + std::to_string(coding.compression) + "-" + std::to_string(fillOrder) + ".tif", file);
      const std::string info = Info(path);
      EXPECT_TRUE(Contains(info, std::string("Compression Scheme: ") + coding.scheme)) << what << info;
      EXPECT_TRUE(Contains(info, "Photometric Interpretation: min-is-white")) << what << info;
      EXPECT_TRUE(Contains(info, fillOrder == 1 ? "FillOrder: msb-to-lsb" : "FillOrder: lsb-to-msb")) << what << info;
      EXPECT_TRUE(Contains(info, "Planar Configuration: single image plane")) << what << info;
      if (coding.options) { EXPECT_TRUE(Contains(info, coding.options)) << what << info; }
      Decoded decoded;
      std::string log;
      ASSERT_TRUE(DecodeWithLibtiff(path, decoded, &log)) << what << log;
      ExpectPixels(source.get(), decoded, 0, what);
    }
  }
  // The caller's bitmap is not inverted by the writer.
  EXPECT_EQ(source->GetPixelRGB(0, 0).r, 255);
}

// JPEG compression in the new and the old style, for each colour space: libtiff decodes an
// image close to the source.
TEST_F(TiffWriterTest, JPEGCompressionInEachColourSpace) {
  // A smooth image, so that chroma subsampling loses little.
  auto source = std::make_unique<TIEBitmap>(48, 32, ie24RGB);
  for (int32_t y = 0; y < 32; ++y)
    for (int32_t x = 0; x < 48; ++x) source->SetPixel24(x, y, MakeRGB(uint8_t(x * 5), uint8_t(y * 7), uint8_t(x + y * 3)));
  const struct {
    uint8_t compression;
    uint8_t colourSpace;
    const char* photometric;
  } cases[] = {{7, 2, "YCbCr"}, {7, 0, "RGB color"}, {7, 4, "RGB color"}, {7, 1, "min-is-black"},
               {7, 3, "separated"}, {6, 2, "YCbCr"}};
  for (const auto& c : cases) {
    const std::string what = "compression " + std::to_string(c.compression) + " colour space " +
                             std::to_string(c.colourSpace);
    TIOParamsVals params(nullptr);
    params.TIFFCompression = c.compression;
    params.TIFFJPEGColorSpace = c.colourSpace;
    params.TIFFJPEGQuality = 95;
    Bytes file = Write(source.get(), params);
    ASSERT_FALSE(file.empty()) << what;
    const std::string path = Save("jpeg" + std::to_string(c.compression) + std::to_string(c.colourSpace) + ".tif", file);
    std::string info;
    RunShell("tiffinfo '" + path + "' 2>&1", &info);
    EXPECT_TRUE(Contains(info, std::string("Photometric Interpretation: ") + c.photometric)) << what << info;
    Decoded decoded;
    std::string log;
    ASSERT_TRUE(DecodeWithLibtiff(path, decoded, &log)) << what << log;
    if (c.colourSpace == 1) {
      ExpectPixels(source.get(), decoded, 12, what, [&](int32_t x, int32_t y) {
        const uint8_t v = decoded.RGBA[4 * (size_t(y) * decoded.Width + x)];
        const TRGB s = source->GetPixelRGB(x, y);
        const int grey = (s.r * 299 + s.g * 587 + s.b * 114) / 1000;
        return std::abs(v - grey) <= 12 ? MakeRGB(v, v, v) : MakeRGB(uint8_t(grey), uint8_t(grey), uint8_t(grey));
      });
    } else {
      ExpectPixels(source.get(), decoded, 24, what);
    }
  }
}

// JPEG-compressed CMYK holds the ink amounts, as in every other CMYK TIFF: a solid colour comes
// back as itself through libtiff and through the library's reader, and the reader agrees with
// libtiff's own JPEG-CMYK files.
TEST_F(TiffWriterTest, JPEGCompressedCMYKHoldsTheInks) {
  if (!HaveTool("tiffcp")) GTEST_SKIP() << "tiffcp is needed";
  const TRGB colour = MakeRGB(200, 40, 90);
  auto source = std::make_unique<TIEBitmap>(24, 16, ie24RGB);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 24; ++x) source->SetPixel24(x, y, colour);
  auto closeTo = [&](const TRGB& got) {
    return std::abs(got.r - colour.r) <= 6 && std::abs(got.g - colour.g) <= 6 && std::abs(got.b - colour.b) <= 6;
  };
  auto describe = [](const TRGB& c) {
    return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
  };
  // The library's reader over a file: the colour of its middle pixel.
  auto readBack = [&](const Bytes& file, TRGB& got) {
    TIEBitmap back;
    TIOParamsVals read(nullptr);
    tiff_test::ReadResult result;
    tiff_test::Read(file, back, read, result);
    if (result.aborting || back.GetWidth() != 24 || back.GetHeight() != 16) return false;
    got = back.GetPixelRGB(12, 8);
    return true;
  };

  TIOParamsVals params(nullptr);
  params.TIFFCompression = 7;
  params.TIFFJPEGColorSpace = 3;
  params.TIFFJPEGQuality = 95;
  Bytes file = Write(source.get(), params);
  ASSERT_FALSE(file.empty());
  const std::string path = Save("jpeg-cmyk.tif", file);
  EXPECT_TRUE(Contains(Info(path), "Photometric Interpretation: separated"));
  Decoded decoded;
  std::string log;
  ASSERT_TRUE(DecodeWithLibtiff(path, decoded, &log)) << log;
  const uint8_t* middle = &decoded.RGBA[4 * (8 * 24 + 12)];
  const TRGB libtiff = MakeRGB(middle[0], middle[1], middle[2]);
  EXPECT_TRUE(closeTo(libtiff)) << "libtiff reads " << describe(libtiff);
  TRGB ours{};
  ASSERT_TRUE(readBack(file, ours));
  EXPECT_TRUE(closeTo(ours)) << "the reader reads " << describe(ours);

  // libtiff's JPEG compression of the same inks, written uncompressed first.
  TIOParamsVals plain(nullptr);
  plain.TIFFPhotometric = 5;
  const std::string uncompressed = Save("cmyk.tif", Write(source.get(), plain));
  const std::string recompressed = dir_ + "/cmyk-jpeg.tif";
  ASSERT_EQ(RunShell("tiffcp -c jpeg:95 '" + uncompressed + "' '" + recompressed + "' 2>&1", &log), 0) << log;
  ASSERT_TRUE(readBack(ReadFileBytes(recompressed), ours));
  EXPECT_TRUE(closeTo(ours)) << "the reader reads libtiff's file as " << describe(ours);
}

// Rows are grouped into strips of about 512 KiB: 1000 rows of 3,000 bytes give 5 strips of 200.
TEST_F(TiffWriterTest, StripsHoldAboutHalfAMegabyte) {
  auto source = Gradient(1000, 1000);
  TIOParamsVals params(nullptr);
  const std::string path = Save("strips.tif", Write(source.get(), params));
  const std::string info = Info(path, "-s");
  EXPECT_TRUE(Contains(info, "Rows/Strip: 200")) << info;
  EXPECT_TRUE(Contains(info, "5 Strips:")) << info;
  // Deflate writes the whole image as one strip.
  params.TIFFCompression = 9;
  const std::string deflated = Info(Save("deflate.tif", Write(source.get(), params)), "-s");
  EXPECT_TRUE(Contains(deflated, "Rows/Strip: 1000")) << deflated;
  EXPECT_TRUE(Contains(deflated, "1 Strips:")) << deflated;
}

// A colour image asked for 1 bit: with exactly two colours the brighter one becomes the set
// (white) bits; with more it is converted.
TEST_F(TiffWriterTest, ReductionToOneBit) {
  auto twoColours = std::make_unique<TIEBitmap>(20, 10, ie24RGB);
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 20; ++x)
      twoColours->SetPixel24(x, y, (x + y) % 3 ? MakeRGB(200, 180, 20) : MakeRGB(90, 0, 10));
  auto many = Gradient(20, 10);
  for (TIEBitmap* source : {twoColours.get(), many.get()}) {
    TIOParamsVals params(nullptr);
    params.BitsPerSample = 1;
    params.SamplesPerPixel = 1;
    const std::string path = Save("bilevel.tif", Write(source, params));
    const std::string info = Info(path);
    EXPECT_TRUE(Contains(info, "Bits/Sample: 1")) << info;
    EXPECT_TRUE(Contains(info, "min-is-black")) << info;
    Decoded decoded;
    ASSERT_TRUE(DecodeWithLibtiff(path, decoded, nullptr));
    if (source == twoColours.get())
      ExpectPixels(source, decoded, 0, "two colours", [&](int32_t x, int32_t y) {
        return (x + y) % 3 ? MakeRGB(255, 255, 255) : MakeRGB(0, 0, 0);
      });
  }
}

// An image with an alpha channel keeps it as a fourth, unassociated sample; a grey image
// reduced to one sample writes no colour map and a coloured one a full one.
TEST_F(TiffWriterTest, AlphaAndColourMapTags) {
  auto source = Gradient(16, 8);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 16; ++x) source->SetAlphaAt(x, y, uint8_t(x * 16 + y));
  for (uint8_t compression : {0, 5, 8, 9}) {
    TIOParamsVals params(nullptr);
    params.TIFFCompression = compression;
    const std::string path = Save("alpha.tif", Write(source.get(), params));
    const std::string info = Info(path);
    EXPECT_TRUE(Contains(info, "Samples/Pixel: 4")) << info;
    EXPECT_TRUE(Contains(info, "Extra Samples: 1<unassoc-alpha>")) << info;
    EXPECT_FALSE(Contains(info, "Predictor")) << info;
    std::string dump;
    RunShell("tifftopnm -alphaout='" + path + ".a.pgm' '" + path + "' > '" + path + ".ppm'", &dump);
    std::vector<uint8_t> alpha, rgb;
    int32_t w = 0, h = 0;
    ASSERT_TRUE(ReadPNM(path + ".a.pgm", 1, w, h, alpha)) << dump;
    ASSERT_TRUE(ReadPNM(path + ".ppm", 3, w, h, rgb)) << dump;
    // netpbm hands the colour over premultiplied by the alpha.
    for (int32_t y = 0; y < 8; ++y)
      for (int32_t x = 0; x < 16; ++x) {
        const int32_t a = x * 16 + y;
        ASSERT_EQ(alpha[size_t(y) * 16 + x], a);
        ASSERT_NEAR(rgb[3 * (size_t(y) * 16 + x)], source->GetPixelRGB(x, y).r * a / 255.0, 1.0);
      }
  }
  TIOParamsVals grey(nullptr);
  grey.SamplesPerPixel = 1;
  const std::string greyInfo = Info(Save("grey.tif", Write(GreyRamp(8, 8, ie24RGB).get(), grey)), "-c");
  EXPECT_TRUE(Contains(greyInfo, "min-is-black")) << greyInfo;
  EXPECT_FALSE(Contains(greyInfo, "Color Map")) << greyInfo;
  TIOParamsVals colour(nullptr);
  colour.SamplesPerPixel = 1;
  const std::string colourInfo = Info(Save("colour.tif", Write(FewColours(8, 8, 5).get(), colour)), "-c");
  EXPECT_TRUE(Contains(colourInfo, "Color Map:")) << colourInfo;
  EXPECT_TRUE(Contains(colourInfo, " 255:")) << colourInfo;
  EXPECT_FALSE(Contains(colourInfo, " 256:")) << colourInfo;
}

// LZW uses the block's coder, else the library-wide one; without either the image is written
// uncompressed and without a predictor. With a coder, RGB rows get the horizontal predictor.
TEST_F(TiffWriterTest, LZWFallsBackToUncompressedWithoutACoder) {
  auto source = Gradient(30, 20);
  TIOParamsVals params(nullptr);
  params.TIFFCompression = 5;
  params.TIFFLZWCompress = IETIFFLZWCompressProc;
  const std::string withCoder = Info(Save("lzw.tif", Write(source.get(), params)));
  EXPECT_TRUE(Contains(withCoder, "Compression Scheme: LZW")) << withCoder;
  EXPECT_TRUE(Contains(withCoder, "Predictor: horizontal differencing 2")) << withCoder;

  const TTIFFLZWCompressProc saved = IETIFFLZWCompressProc;
  IETIFFLZWCompressProc = nullptr;
  params.TIFFCompression = 5;
  params.TIFFLZWCompress = nullptr;
  Bytes file = Write(source.get(), params);
  IETIFFLZWCompressProc = saved;
  const std::string path = Save("nolzw.tif", file);
  const std::string info = Info(path);
  EXPECT_TRUE(Contains(info, "Compression Scheme: None")) << info;
  EXPECT_FALSE(Contains(info, "Predictor")) << info;
  EXPECT_EQ(params.TIFFCompression, 0);
  Decoded decoded;
  ASSERT_TRUE(DecodeWithLibtiff(path, decoded, nullptr));
  ExpectPixels(source.get(), decoded, 0, "uncompressed fallback");
}

// The page tags of the block: names, positions, page number; and the IPTC, XMP and
// description metadata, read back by exiftool.
TEST_F(TiffWriterTest, PageAndMetadataTags) {
  if (!HaveTool("exiftool")) GTEST_SKIP() << "exiftool is needed";
  TIOParamsVals params(nullptr);
  params.DpiX = 150;
  params.DpiY = 75;
  params.TIFFDocumentName = "Scans";
  params.TIFFImageDescription = "A gradient";
  params.TIFFPageName = "Front";
  params.TIFFPageNumber = 2;
  params.TIFFPageCount = 5;
  params.TIFFHorizPosition = 3;
  params.XMPPacket = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
                     "<rdf:Description xmlns:dc='http://purl.org/dc/elements/1.1/'><dc:format>image/tiff</dc:format>"
                     "</rdf:Description></rdf:RDF></x:xmpmeta>";
  const std::string caption = "Sunset over the bay";
  params.IPTCInfoList.AddItem(2, 120, int32_t(caption.size()), caption.data());
  const std::string path = Save("tags.tif", Write(Gradient(10, 10).get(), params));
  Info(path);
  std::string output;
  ASSERT_EQ(RunShell("exiftool -s -s -s -f -DocumentName -ImageDescription -PageName -PageNumber -XResolution "
                     "-YResolution -ResolutionUnit -XPosition -IPTC:Caption-Abstract -XMP:Format '" + path + "'",
                     &output), 0);
  EXPECT_EQ(output, "Scans\nA gradient\nFront\n2 5\n150\n75\ninches\n3\nSunset over the bay\nimage/tiff\n");
}

// EXIF and GPS data of the block go into their own directories (at even offsets), read back
// by exiftool; the signed values keep their sign.
TEST_F(TiffWriterTest, ExifAndGPSDirectories) {
  if (!HaveTool("exiftool")) GTEST_SKIP() << "exiftool is needed";
  TIOParamsVals params(nullptr);
  params.EXIFPresent = true;
  params.SetTIFFOrientation(6);
  params.SetEXIFXResolution(240);
  params.SetEXIFYResolution(240);
  params.EXIFMake = "Mergeon";
  params.EXIFModel = "Test Camera 2";
  params.EXIFDateTime = "2026:12:10 10:11:12";
  params.EXIFSoftware = "Mergeon";
  params.EXIFArtist = "Someone";
  params.EXIFXPRating = 3;
  params.EXIFXPTitle = u"Title \u00e9";
  params.SetEXIFExposureTime(0.008);
  params.SetEXIFFNumber(2.8);
  params.SetEXIFExposureBiasValue(-0.5);
  params.SetEXIFFlash(16);
  params.SetEXIFColorSpace(1);
  params.EXIFISOSpeedRatings = {200, 0};
  params.EXIFExifVersion = "0220";
  params.EXIFDateTimeOriginal = "2026:12:09 08:00:00";
  params.EXIFUserComment = u"Hello";
  params.EXIFUserCommentCode = "ASCII";
  params.EXIFWhiteBalance = 1;
  params.EXIFDigitalZoomRatio = 1.5;
  params.EXIFGPSVersionID = "2.2.0.0";
  params.EXIFGPSLatitudeRef = "N";
  params.EXIFGPSLatitudeDegrees = 45;
  params.EXIFGPSLatitudeMinutes = 30;
  params.EXIFGPSLatitudeSeconds = 15.5;
  params.EXIFGPSLongitudeRef = "W";
  params.EXIFGPSLongitudeDegrees = 7;
  params.EXIFGPSAltitudeRef = "1";
  params.EXIFGPSAltitude = 12.25;
  params.EXIFGPSMapDatum = "WGS-84";
  params.EXIFGPSDateStamp = "2026:12:09";
  Bytes file = Write(Gradient(12, 8).get(), params);
  const std::string path = Save("exif.tif", file);
  std::string output;
  RunShell("tiffinfo '" + path + "' 2>&1", &output);
  // libtiff knows neither the rating nor the XP tags; nothing else may trouble it.
  EXPECT_FALSE(Contains(output, "incorrect count")) << output;
  EXPECT_FALSE(Contains(output, "Error")) << output;
  ASSERT_EQ(RunShell("exiftool -s -s -s -f -n -Orientation -ResolutionUnit -XResolution -Make -Model -ModifyDate "
                     "-Software -Artist -Rating -XPTitle -ExposureTime -FNumber -ExposureCompensation -Flash "
                     "-ColorSpace -ISO -ExifVersion -DateTimeOriginal -UserComment -WhiteBalance -DigitalZoomRatio "
                     "-GPSVersionID -GPSLatitudeRef -GPSLatitude -GPSLongitudeRef -GPSAltitudeRef -GPSAltitude "
                     "-GPSMapDatum -GPSDateStamp '" + path + "'", &output), 0);
  EXPECT_EQ(output,
            "6\n2\n240\nMergeon\nTest Camera 2\n2026:12:10 10:11:12\nMergeon\nSomeone\n3\nTitle \xc3\xa9\n0.008\n2.8\n"
            "-0.5\n16\n1\n200\n0220\n2026:12:09 08:00:00\nHello\n1\n1.5\n2 2 0 0\nN\n45.5043055555556\nW\n1\n-12.25\n"
            "WGS-84\n2026:12:09\n");
  std::string warnings;
  RunShell("exiftool -validate -warning -a '" + path + "'", &warnings);
  EXPECT_FALSE(Contains(warnings, "odd offset")) << warnings;

  // The EXIF directory begins at an even offset.
  const auto le32 = [&](size_t at) { return file[at] | file[at + 1] << 8 | file[at + 2] << 16 | uint32_t(file[at + 3]) << 24; };
  const uint32_t ifd = le32(4);
  const uint16_t count = uint16_t(file[ifd] | file[ifd + 1] << 8);
  bool found = false;
  for (uint16_t i = 0; i < count; ++i) {
    const size_t entry = ifd + 2 + 12 * size_t(i);
    if ((file[entry] | file[entry + 1] << 8) == 34665) {
      found = true;
      EXPECT_EQ(le32(entry + 8) % 2, 0u);
    }
  }
  EXPECT_TRUE(found);
}

// A nil bitmap writes a directory of the metadata alone.
TEST_F(TiffWriterTest, NilBitmapWritesOnlyTheMetadataDirectory) {
  TIOParamsVals params(nullptr);
  params.DpiX = 300;
  params.DpiY = 300;
  params.TIFFImageDescription = "Only metadata";
  vcl::TMemoryStream stream;
  EXPECT_EQ(WriteTIFFStream(&stream, false, nullptr, params, progress_), 1);
  EXPECT_FALSE(aborting_);
  const std::string path = Save("meta.tif", StreamBytes(&stream));
  std::string dump;
  ASSERT_EQ(RunShell("tiffdump '" + path + "'", &dump), 0) << dump;
  EXPECT_TRUE(Contains(dump, "Directory 0: offset 38 (0x26) next 0 (0)\n"
                             "ImageDescription (270) ASCII (2) 14<Only metadata\\0>\n"
                             "XResolution (282) RATIONAL (5) 1<300>\n"
                             "YResolution (283) RATIONAL (5) 1<300>\n"
                             "ResolutionUnit (296) SHORT (3) 1<2>\n"))
      << dump;
}

// A TIFF written after other data is the same TIFF: its offsets count from its own header.
TEST_F(TiffWriterTest, TIFFWrittenAfterOtherDataIsWhole) {
  auto source = Gradient(40, 30);
  TIOParamsVals params(nullptr);
  params.EXIFPresent = true;
  params.EXIFMake = "Mergeon";
  params.EXIFGPSVersionID = "2.2.0.0";
  params.TIFFCompression = 8;
  const Bytes atStart = Write(source.get(), params);
  vcl::TMemoryStream stream;
  const Bytes prefix(101, 0xAB);
  stream.WriteBuffer(prefix.data(), int32_t(prefix.size()));
  ASSERT_EQ(WriteTIFFStream(&stream, false, source.get(), params, progress_), 1);
  const Bytes all = StreamBytes(&stream);
  EXPECT_EQ(stream.Position(), int64_t(all.size()));
  ASSERT_EQ(all.size(), prefix.size() + atStart.size());
  EXPECT_TRUE(std::equal(atStart.begin(), atStart.end(), all.begin() + prefix.size()));
}

namespace {

// Appends a page to a file held in memory; the result and the aborting flag.
int32_t Append(Bytes& file, TIEBitmap* bitmap, int32_t index, std::atomic<bool>& aborting) {
  vcl::TMemoryStream stream;
  stream.WriteBuffer(file.data(), int32_t(file.size()));
  stream.SetPosition(0);
  TIOParamsVals params(nullptr);
  params.TIFFImageIndex = index;
  TCodecProgress progress;
  aborting = false;
  progress.Aborting = &aborting;
  const int32_t pages = WriteTIFFStream(&stream, true, bitmap, params, progress);
  file = StreamBytes(&stream);
  return pages;
}

std::vector<std::string> PageSizes(const std::string& path) {
  std::string info;
  RunShell("tiffinfo '" + path + "' 2>&1 | grep 'Image Width'", &info);
  std::vector<std::string> sizes;
  size_t at = 0;
  while ((at = info.find("Image Width: ", at)) != std::string::npos) {
    const size_t end = info.find(' ', at + 13);
    sizes.push_back(info.substr(at + 13, end - at - 13));
    at = end;
  }
  return sizes;
}

}  // namespace

// Pages are inserted at the requested index (or appended past the last), and the following
// pages keep their order.
TEST_F(TiffWriterTest, AppendInsertsPagesAtTheIndex) {
  TIOParamsVals params(nullptr);
  Bytes file = Write(Gradient(11, 5).get(), params);
  std::atomic<bool> aborting{false};
  EXPECT_EQ(Append(file, Gradient(12, 5).get(), 99, aborting), 2);
  EXPECT_EQ(Append(file, Gradient(13, 5).get(), 2, aborting), 3);
  EXPECT_EQ(PageSizes(Save("three.tif", file)), (std::vector<std::string>{"11", "12", "13"}));
  EXPECT_EQ(Append(file, Gradient(14, 5).get(), 0, aborting), 4);
  EXPECT_FALSE(aborting);
  EXPECT_EQ(PageSizes(Save("four.tif", file)), (std::vector<std::string>{"14", "11", "12", "13"}));
  EXPECT_EQ(Append(file, Gradient(15, 5).get(), 2, aborting), 5);
  const std::string path = Save("five.tif", file);
  EXPECT_EQ(PageSizes(path), (std::vector<std::string>{"14", "11", "15", "12", "13"}));
  Info(path);
}

// An append refuses a stream that is not a little-endian TIFF, or whose page chain leaves the
// file or loops, and leaves the stream as it was.
TEST_F(TiffWriterTest, AppendRefusesBadFiles) {
  TIOParamsVals params(nullptr);
  const Bytes good = Write(Gradient(6, 4).get(), params);
  Bytes looping = good;
  {
    // The first directory's next pointer leads back to itself through a second copy of it.
    const uint32_t ifd = looping[4] | looping[5] << 8 | looping[6] << 16 | uint32_t(looping[7]) << 24;
    const uint16_t count = uint16_t(looping[ifd] | looping[ifd + 1] << 8);
    const size_t next = ifd + 2 + 12 * size_t(count);
    const size_t copy = looping.size() + (looping.size() & 1);
    looping.resize(copy, 0);
    looping.insert(looping.end(), looping.begin() + ifd, looping.begin() + next + 4);
    PutLE32(looping, 0);
    for (int i = 0; i < 4; ++i) looping[next + i] = uint8_t(copy >> (8 * i));
    const size_t copyNext = copy + 2 + 12 * size_t(count);
    for (int i = 0; i < 4; ++i) looping[copyNext + i] = uint8_t(ifd >> (8 * i));
  }
  Bytes beyond = good;
  {
    const uint32_t ifd = beyond[4] | beyond[5] << 8 | beyond[6] << 16 | uint32_t(beyond[7]) << 24;
    const size_t next = ifd + 2 + 12 * size_t(beyond[ifd] | beyond[ifd + 1] << 8);
    beyond[next] = 0xF0;
    beyond[next + 1] = 0xFF;
  }
  Bytes bigEndian = good;
  bigEndian[0] = bigEndian[1] = 'M';
  const struct {
    const char* name;
    Bytes bytes;
  } cases[] = {{"empty", {}},        {"short", {'I', 'I'}},       {"big-endian", bigEndian},
               {"not a TIFF", ToBytes("GIF89a and more bytes")}, {"looping chain", looping},
               {"chain past the end", beyond}};
  for (const auto& c : cases) {
    Bytes file = c.bytes;
    std::atomic<bool> aborting{false};
    EXPECT_EQ(Append(file, Gradient(6, 4).get(), 5, aborting), 0) << c.name;
    EXPECT_TRUE(aborting) << c.name;
    EXPECT_EQ(file, c.bytes) << c.name;
  }
}

namespace {

// A stream that takes only so many bytes, as a full disk would.
class LimitedStream : public vcl::TMemoryStream {
 public:
  explicit LimitedStream(int64_t limit) : limit_(limit) {}
  int32_t Write(const void* buffer, int32_t count) override {
    const int64_t room = std::max<int64_t>(limit_ - Position(), 0);
    return vcl::TMemoryStream::Write(buffer, static_cast<int32_t>(std::min<int64_t>(count, room)));
  }

 private:
  int64_t limit_;
};

}  // namespace

// A write that falls short anywhere (header, strips, tag data, directory) fails the save.
TEST_F(TiffWriterTest, ShortWritesFailTheSave) {
  auto source = Gradient(50, 40);
  for (uint8_t compression : {0, 4, 5, 8, 9}) {
    TIOParamsVals params(nullptr);
    params.TIFFCompression = compression;
    if (compression == 4) {
      params.BitsPerSample = 1;
      params.SamplesPerPixel = 1;
    }
    const Bytes whole = Write(source.get(), params);
    ASSERT_FALSE(whole.empty());
    for (int64_t limit : {int64_t(0), int64_t(5), int64_t(whole.size() / 2), int64_t(whole.size() - 1)}) {
      LimitedStream stream(limit);
      TIOParamsVals again(nullptr);
      again.TIFFCompression = compression;
      again.BitsPerSample = params.BitsPerSample;
      again.SamplesPerPixel = params.SamplesPerPixel;
      aborting_ = false;
      EXPECT_EQ(WriteTIFFStream(&stream, false, source.get(), again, progress_), 0)
          << "compression " << int(compression) << " limit " << limit;
      EXPECT_TRUE(aborting_) << "compression " << int(compression) << " limit " << limit;
    }
  }
}

// An empty bitmap is not an image.
TEST_F(TiffWriterTest, EmptyBitmapIsRefused) {
  TIEBitmap empty;
  TIOParamsVals params(nullptr);
  vcl::TMemoryStream stream;
  EXPECT_EQ(WriteTIFFStream(&stream, false, &empty, params, progress_), 0);
  EXPECT_TRUE(aborting_);
  EXPECT_EQ(stream.Size(), 0);
}

TEST(TiffPackBits, RunsAndLiterals) {
  const struct {
    Bytes row;
    Bytes coded;
  } cases[] = {
      {{}, {}},
      {{7}, {0, 7}},
      {{1, 2, 3}, {2, 1, 2, 3}},
      {{5, 5, 5}, {2, 5, 5, 5}},          // three equal bytes stay literal
      {{5, 5, 5, 5}, {0xFD, 5}},          // four make a run
      {{1, 2, 9, 9, 9, 9, 9, 3}, {1, 1, 2, 0xFC, 9, 0, 3}},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> out;
    PackBitsEncodeRow(c.row.data(), int32_t(c.row.size()), out);
    EXPECT_EQ(out, c.coded);
  }
  // Long runs split at 128; long literal stretches at 128 bytes.
  Bytes run(300, 0x42);
  std::vector<uint8_t> out;
  PackBitsEncodeRow(run.data(), 300, out);
  EXPECT_EQ(out, (Bytes{0x81, 0x42, 0x81, 0x42, 0xD5, 0x42}));
  Bytes literal(130);
  for (size_t i = 0; i < literal.size(); ++i) literal[i] = uint8_t(i);
  out.clear();
  PackBitsEncodeRow(literal.data(), 130, out);
  ASSERT_EQ(out.size(), 132u);
  EXPECT_EQ(out[0], 127);
  EXPECT_EQ(out[129], 1);
}

// What the writer writes, the library's own reader reads back: pixels of each layout and
// compression, and the EXIF and GPS fields.
TEST(TiffWriterRoundTrip, ReaderGetsBackPixelsAndMetadata) {
  const struct {
    const char* name;
    std::function<std::unique_ptr<TIEBitmap>()> make;
    int32_t bits, samples;
    uint8_t compression;
  } cases[] = {
      {"rgb none", [] { return Gradient(31, 17); }, 8, 3, 0},
      {"rgb lzw", [] { return Gradient(31, 17); }, 8, 3, 5},
      {"rgb packbits", [] { return Gradient(31, 17); }, 8, 3, 8},
      {"rgb deflate", [] { return Gradient(31, 17); }, 8, 3, 10},
      {"palette", [] { return FewColours(31, 17, 40); }, 8, 1, 5},
      {"grey", [] { return GreyRamp(31, 17, ie24RGB); }, 8, 1, 9},
      {"bilevel g4", [] { return Checker1Bit(61, 17); }, 1, 1, 4},
      {"bilevel g3 2d", [] { return Checker1Bit(61, 17); }, 1, 1, 3},
  };
  for (const auto& c : cases) {
    auto source = c.make();
    TIOParamsVals params(nullptr);
    params.BitsPerSample = c.bits;
    params.SamplesPerPixel = c.samples;
    params.TIFFCompression = c.compression;
    params.EXIFPresent = true;
    params.EXIFMake = "Mergeon";
    params.SetEXIFExposureTime(0.004);
    params.EXIFGPSVersionID = "2.2.0.0";
    params.EXIFGPSLatitudeRef = "S";
    params.EXIFGPSLatitudeDegrees = 33;
    vcl::TMemoryStream stream;
    std::atomic<bool> aborting{false};
    TCodecProgress progress;
    progress.Aborting = &aborting;
    ASSERT_EQ(WriteTIFFStream(&stream, false, source.get(), params, progress), 1) << c.name;

    TIEBitmap back;
    TIOParamsVals read(nullptr);
    tiff_test::ReadResult result;
    tiff_test::Read(StreamBytes(&stream), back, read, result);
    ASSERT_FALSE(result.aborting) << c.name;
    ASSERT_EQ(back.GetWidth(), source->GetWidth()) << c.name;
    ASSERT_EQ(back.GetHeight(), source->GetHeight()) << c.name;
    for (int32_t y = 0; y < back.GetHeight(); ++y)
      for (int32_t x = 0; x < back.GetWidth(); ++x) {
        const TRGB a = source->GetPixelRGB(x, y), b = back.GetPixelRGB(x, y);
        ASSERT_TRUE(a.r == b.r && a.g == b.g && a.b == b.b) << c.name << " at " << x << "," << y;
      }
    EXPECT_EQ(read.EXIFMake, "Mergeon") << c.name;
    EXPECT_DOUBLE_EQ(read.EXIFExposureTime, 0.004) << c.name;
    EXPECT_EQ(read.EXIFGPSLatitudeRef, "S") << c.name;
    EXPECT_DOUBLE_EQ(read.EXIFGPSLatitudeDegrees, 33) << c.name;
  }
}
