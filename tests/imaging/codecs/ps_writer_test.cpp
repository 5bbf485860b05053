// The PostScript writer: its documents render in Ghostscript to the pixels written (exactly for
// the lossless codings, closely for DCT), its comments say what document readers need (page
// count, bounding box, byte counts that lead to "%%EndData"), and a full disk fails the save.
#include "imaging/codecs/postscript/ps_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "imaging/model/ie_bitmap.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/codecs/codec_runs.h"
#include "tests/imaging/codecs/netpbm_util.h"
#include "tests/support/file_helpers.h"
#include "tests/support/test_pictures.h"

using namespace imaging;
using namespace netpbm_test;

namespace {

Bytes WritePS(TIEBitmap* bitmap, TIOParamsVals& params) {
  return codec_runs::WriteToMemory(
      [&](auto* stream, TCodecProgress& progress) { WritePSStream(stream, bitmap, params, progress); });
}

// Ghostscript's rendering of every page at 72 dpi on paper of the given size in points.
std::vector<TNetpbmImage> PsRender(const Bytes& document, int32_t width, int32_t height) {
  const std::string dir = test_files::MakeTempDir();
  test_files::WriteFileBytes(dir + "/in.ps", document);
  const std::string command = "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=ppmraw -r72 -dDEVICEWIDTHPOINTS=" +
                              std::to_string(width) + " -dDEVICEHEIGHTPOINTS=" + std::to_string(height) +
                              " -dFIXEDMEDIA -o '" + dir + "/page%d.ppm' '" + dir + "/in.ps'";
  std::string output;
  if (test_files::RunShell(command, &output) != 0) {
    ADD_FAILURE() << output;
    return {};
  }
  std::vector<TNetpbmImage> pages;
  for (int page = 1;; ++page) {
    const Bytes bytes = test_files::ReadFileBytes(dir + "/page" + std::to_string(page) + ".ppm");
    if (bytes.empty()) break;
    pages.push_back(ParseNetpbm(bytes));
  }
  return pages;
}

// A paper exactly the picture's size, so that one pixel is one point.
void PaperOfPicture(TIOParamsVals& params, TIEBitmap* bitmap) {
  params.PSPaperWidth = bitmap->Width();
  params.PSPaperHeight = bitmap->Height();
}

class PostScriptWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTools({"gs"})) GTEST_SKIP() << "Ghostscript is needed";
  }
};

}  // namespace

TEST_F(PostScriptWriter, PagesRenderToThePixelsWritten) {
  auto colour = test_pictures::Gradient(40, 24);
  auto smooth = test_pictures::Smooth(40, 24);
  auto bilevel = test_pictures::Checker1Bit(45, 22);
  struct Case {
    const char* name;
    TIEBitmap* bitmap;
    uint8_t compression;
    const char* filterLine;
    int tolerance;
  } cases[] = {
      {"colour, RunLength", colour.get(), 0, "{currentfile /ASCII85Decode filter /RunLengthDecode filter rstr", 0},
      {"colour, CCITT asked: RunLength", colour.get(), 1, "true 3", 0},
      {"colour, DCT", smooth.get(), 3, "/DCTDecode filter", 16},
      {"bilevel, RunLength", bilevel.get(), 0, "currentfile /ASCII85Decode filter /RunLengthDecode filter", 0},
      {"bilevel, Group 4", bilevel.get(), 1, "<< /K -1 /BlackIs1 true /Columns 45 /Rows 22", 0},
      {"bilevel, Group 3", bilevel.get(), 2, "<< /K 1 /BlackIs1 true /Columns 45 /Rows 22", 0},
      {"bilevel, 3 as Group 3", bilevel.get(), 3, "<< /K 1 /BlackIs1 true", 0},
  };
  for (const Case& c : cases) {
    TIOParamsVals params(nullptr);
    PaperOfPicture(params, c.bitmap);
    params.PSCompression = c.compression;
    const Bytes document = WritePS(c.bitmap, params);
    ASSERT_FALSE(document.empty()) << c.name;
    EXPECT_NE(test_files::ToText(document).find(c.filterLine), std::string::npos) << c.name;
    const auto pages = PsRender(document, c.bitmap->Width(), c.bitmap->Height());
    ASSERT_EQ(pages.size(), 1u) << c.name;
    const int difference = MaxDifference(PixelsOf(pages[0]), PixelsOf(c.bitmap));
    EXPECT_GE(difference, 0) << c.name;
    EXPECT_LE(difference, c.tolerance) << c.name;
  }
}

TEST_F(PostScriptWriter, GreyAndCMYKJPEGSettingsStillMakeColourPages) {
  auto picture = test_pictures::Smooth(32, 16);
  for (uint8_t colourSpace : {1, 3, 4}) {
    TIOParamsVals params(nullptr);
    PaperOfPicture(params, picture.get());
    params.PSCompression = 3;
    params.JPEGColorSpace = colourSpace;
    const Bytes document = WritePS(picture.get(), params);
    EXPECT_EQ(params.JPEGColorSpace, colourSpace);
    const auto pages = PsRender(document, 32, 16);
    ASSERT_EQ(pages.size(), 1u) << int(colourSpace);
    EXPECT_LE(MaxDifference(PixelsOf(pages[0]), PixelsOf(picture.get())), 16) << int(colourSpace);
  }
}

TEST_F(PostScriptWriter, APageOnA4FitsFromTheTopLeftCorner) {
  auto picture = test_pictures::Gradient(100, 50);
  TIOParamsVals params(nullptr);
  params.PSTitle = "Gradient";
  const std::string text = test_files::ToText(WritePS(picture.get(), params));
  for (const char* line : {"%!PS-Adobe-3.0\r\n", "%%Creator: Imaging by Corvanta\r\n", "%%Title: Gradient\r\n",
                           "%%Pages: 1     \r\n", "%%BoundingBox: 0 0 594 841\r\n", "%%Page: 1 1\r\n",
                           "0 842 translate\r\n", "595 -297 scale\r\n", "100 50 8\r\n", "[ 100 0 0 50 0 0 ]\r\n",
                           "/rstr 100 string def\r\n", "true 3\r\n", "colorimage\r\n", "%%Trailer\r\n%%EOF\r\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
  EXPECT_EQ(params.BitsPerSample, 8);
  EXPECT_EQ(params.SamplesPerPixel, 3);

  // The paper is white below the image, which fills its width.
  const auto pages = PsRender(Bytes(text.begin(), text.end()), 595, 842);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_NE(pages[0].PackedRGB(590, 5), 0xFFFFFFu);
  EXPECT_EQ(pages[0].PackedRGB(300, 400), 0xFFFFFFu);
}

TEST_F(PostScriptWriter, BeginDataCountsTheBytesUpToEndData) {
  auto colour = test_pictures::Gradient(30, 30);
  auto bilevel = test_pictures::Checker1Bit(30, 30);
  for (TIEBitmap* bitmap : {colour.get(), bilevel.get()})
    for (uint8_t compression : {0, 1, 3}) {
      TIOParamsVals params(nullptr);
      params.PSCompression = compression;
      const std::string text = test_files::ToText(WritePS(bitmap, params));
      const size_t begin = text.find("%%BeginData:");
      ASSERT_NE(begin, std::string::npos);
      const size_t lineEnd = text.find("\r\n", begin) + 2;
      const long count = std::atol(text.c_str() + begin + 12);
      EXPECT_EQ(text.compare(lineEnd + size_t(count), 11, "%%EndData\r\n"), 0) << int(compression);
    }
}

TEST_F(PostScriptWriter, DocumentsOfSeveralPages) {
  auto first = test_pictures::Gradient(40, 20);
  auto second = test_pictures::Checker1Bit(40, 20);
  TIOParamsVals params(nullptr);
  params.PSPaperWidth = 40;
  params.PSPaperHeight = 20;
  vcl::TMemoryStream stream;
  codec_runs::TAbortableProgress progress;
  auto document = BeginPSDocument(&stream, params);
  AddPSPage(document.get(), &stream, first.get(), params, progress);
  AddPSPage(document.get(), &stream, second.get(), params, progress);
  ASSERT_TRUE(EndPSDocument(std::move(document), &stream));
  ASSERT_FALSE(progress.aborting);
  const Bytes bytes = test_files::StreamBytes(&stream);
  const std::string text = test_files::ToText(bytes);
  EXPECT_NE(text.find("%%Pages: 2     \r\n"), std::string::npos);
  EXPECT_NE(text.find("%%Page: 2 2\r\n"), std::string::npos);
  // A 1-bit page whose block still says 8 bits is written with 1.
  EXPECT_NE(text.find("40 20 1\r\n"), std::string::npos);
  const auto pages = PsRender(bytes, 40, 20);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(PixelsOf(pages[0]), PixelsOf(first.get()));
  EXPECT_EQ(PixelsOf(pages[1]), PixelsOf(second.get()));
  // Ending no document does nothing.
  EXPECT_TRUE(EndPSDocument(nullptr, &stream));
}

TEST(PostScriptWriterErrors, AFullDiskFailsTheSave) {
  // A stream that takes nothing.
  class TFullDisk : public vcl::TStream {
   public:
    int32_t Read(void*, int32_t) override { return 0; }
    int32_t Write(const void*, int32_t) override { return 0; }
    int64_t Seek(int64_t offset, vcl::TSeekOrigin origin) override { return origin == vcl::soBeginning ? offset : 0; }
  };
  auto colour = test_pictures::Gradient(20, 10);
  auto bilevel = test_pictures::Checker1Bit(20, 10);
  for (TIEBitmap* bitmap : {colour.get(), bilevel.get()}) {
    TFullDisk disk;
    TIOParamsVals params(nullptr);
    codec_runs::TAbortableProgress progress;
    EXPECT_NO_THROW(WritePSStream(&disk, bitmap, params, progress));
    EXPECT_TRUE(progress.aborting);
  }
}
