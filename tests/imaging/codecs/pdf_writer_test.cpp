// The PDF writer: every compression renders in pdftoppm to the pixels written (exactly for the
// lossless codings, closely for DCT), qpdf finds the files clean, pages of one document share
// their resources, and a full disk fails the save.
#include "imaging/codecs/pdf/pdf_writer.h"

#include <gtest/gtest.h>

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

Bytes WritePDF(TIEBitmap* bitmap, TIOParamsVals& params) {
  return codec_runs::WriteToMemory(
      [&](auto* stream, TCodecProgress& progress) { WritePDFStream(stream, bitmap, params, progress); });
}

std::string WriteTemp(const Bytes& document) {
  const std::string name = test_files::MakeTempDir() + "/in.pdf";
  test_files::WriteFileBytes(name, document);
  return name;
}

// pdftoppm's rendering of every page, one pixel per point: drawn at four times that (pdftoppm
// smooths images drawn at their own size) and sampled at the middle of each 4 x 4 block.
std::vector<TNetpbmImage> PdfRender(const Bytes& document) {
  const std::string name = WriteTemp(document);
  const std::string prefix = name.substr(0, name.size() - 6) + "page";
  std::string output;
  if (test_files::RunShell("pdftoppm -r 288 '" + name + "' '" + prefix + "'", &output) != 0) {
    ADD_FAILURE() << output;
    return {};
  }
  std::vector<TNetpbmImage> pages;
  for (int number = 1;; ++number) {
    const Bytes bytes = test_files::ReadFileBytes(prefix + "-" + std::to_string(number) + ".ppm");
    if (bytes.empty()) break;
    const TNetpbmImage large = ParseNetpbm(bytes);
    TNetpbmImage page = large;
    page.width = large.width / 4;
    page.height = large.height / 4;
    page.samples.clear();
    for (int32_t y = 0; y < page.height; ++y)
      for (int32_t x = 0; x < page.width; ++x)
        for (int32_t c = 0; c < large.depth; ++c)
          page.samples.push_back(large.samples[(size_t(4 * y + 2) * large.width + 4 * x + 2) * large.depth + c]);
    pages.push_back(page);
  }
  return pages;
}

void ExpectClean(const Bytes& document, const char* name) {
  std::string output;
  EXPECT_EQ(test_files::RunShell("qpdf --check '" + WriteTemp(document) + "'", &output), 0) << name << "\n" << output;
  EXPECT_NE(output.find("No syntax or stream encoding errors found"), std::string::npos) << name << "\n" << output;
}

class PDFWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTools({"pdftoppm", "qpdf"})) GTEST_SKIP() << "pdftoppm and qpdf are needed";
  }
};

}  // namespace

TEST_F(PDFWriter, EveryCompressionRendersToThePixelsWritten) {
  auto colour = test_pictures::Gradient(40, 24);
  auto smooth = test_pictures::Smooth(40, 24);
  auto bilevel = test_pictures::Checker1Bit(45, 22);
  struct Case {
    const char* name;
    TIEBitmap* bitmap;
    uint8_t compression;
    const char* filter;  // nil: none
    int tolerance;
  } cases[] = {
      {"colour, none", colour.get(), 0, nullptr, 0},
      {"colour, RunLength asked: none", colour.get(), 1, nullptr, 0},
      {"colour, DCT", smooth.get(), 4, "/DCTDecode", 16},
      {"colour, LZW", colour.get(), 5, "/LZWDecode", 0},
      {"bilevel, none", bilevel.get(), 0, nullptr, 0},
      {"bilevel, RunLength", bilevel.get(), 1, "/RunLengthDecode", 0},
      {"bilevel, Group 4", bilevel.get(), 2, "/CCITTFaxDecode", 0},
      {"bilevel, Group 3", bilevel.get(), 3, "/CCITTFaxDecode", 0},
      {"bilevel, DCT asked: Group 3", bilevel.get(), 4, "/CCITTFaxDecode", 0},
      {"bilevel, LZW", bilevel.get(), 5, "/LZWDecode", 0},
  };
  for (const Case& c : cases) {
    TIOParamsVals params(nullptr);
    params.PDFPaperWidth = c.bitmap->Width();
    params.PDFPaperHeight = c.bitmap->Height();
    params.PDFCompression = c.compression;
    const Bytes document = WritePDF(c.bitmap, params);
    ASSERT_FALSE(document.empty()) << c.name;
    const std::string text = test_files::ToText(document);
    if (c.filter)
      EXPECT_NE(text.find(c.filter), std::string::npos) << c.name;
    else
      EXPECT_EQ(text.find("/Filter"), std::string::npos) << c.name;
    ExpectClean(document, c.name);
    const auto pages = PdfRender(document);
    ASSERT_EQ(pages.size(), 1u) << c.name;
    const int difference = MaxDifference(PixelsOf(pages[0]), PixelsOf(c.bitmap));
    EXPECT_GE(difference, 0) << c.name;
    EXPECT_LE(difference, c.tolerance) << c.name;
  }
}

TEST_F(PDFWriter, ImageAndContentsOfAPageOnA4) {
  auto picture = test_pictures::Gradient(100, 50);
  TIOParamsVals params(nullptr);
  params.PDFCompression = 0;
  const std::string text = test_files::ToText(WritePDF(picture.get(), params));
  for (const char* part : {"/Type /XObject", "/Subtype /Image", "/ColorSpace /DeviceRGB", "/BitsPerComponent 8",
                           "/Width 100", "/Height 50", "q\n595 0 0 297 0 545 cm\n/lm1 Do\nQ",
                           "/MediaBox [0 0 595 842 ]", "/ProcSet [/PDF /ImageB ]"})
    EXPECT_NE(text.find(part), std::string::npos) << part;
  // With no texts given, the information holds only the creation date.
  const size_t info = text.find("/CreationDate (D:");
  ASSERT_NE(info, std::string::npos);
  for (const char* key : {"/Title", "/Author", "/Subject", "/Keywords", "/Creator", "/Producer"})
    EXPECT_EQ(text.find(key), std::string::npos) << key;
}

TEST_F(PDFWriter, BilevelDCTBecomesGroup3InTheBlock) {
  auto picture = test_pictures::Checker1Bit(30, 20);
  TIOParamsVals params(nullptr);
  params.PDFCompression = 4;
  const std::string text = test_files::ToText(WritePDF(picture.get(), params));
  EXPECT_EQ(params.PDFCompression, 3);
  EXPECT_NE(text.find("/K 1"), std::string::npos);
  EXPECT_NE(text.find("/DeviceGray"), std::string::npos);
}

TEST_F(PDFWriter, InformationTextsAndGreyAndCMYKJPEGSettings) {
  auto picture = test_pictures::Smooth(32, 16);
  for (uint8_t colourSpace : {1, 3, 4}) {
    TIOParamsVals params(nullptr);
    params.PDFPaperWidth = 32;
    params.PDFPaperHeight = 16;
    params.PDFCompression = 4;
    params.JPEGColorSpace = colourSpace;
    params.PDFTitle = "A (title)";
    params.PDFProducer = "Tests";
    const Bytes document = WritePDF(picture.get(), params);
    const std::string text = test_files::ToText(document);
    EXPECT_NE(text.find("/Title (A \\(title\\))"), std::string::npos);
    EXPECT_NE(text.find("/Producer (Tests)"), std::string::npos);
    EXPECT_NE(text.find(colourSpace == 1 ? "/DeviceGray" : "/DeviceRGB"), std::string::npos) << int(colourSpace);
    ExpectClean(document, "jpeg");
    const auto pages = PdfRender(document);
    ASSERT_EQ(pages.size(), 1u);
    if (colourSpace == 1) {
      // A grey page: compare the luminance loosely.
      const TRGB corner = picture->GetPixelRGB(31, 15);
      const uint32_t rendered = pages[0].PackedRGB(31, 15);
      EXPECT_NEAR(int(rendered & 255), (corner.r * 299 + corner.g * 587 + corner.b * 114) / 1000, 24);
    } else {
      EXPECT_LE(MaxDifference(PixelsOf(pages[0]), PixelsOf(picture.get())), 16) << int(colourSpace);
    }
  }
}

TEST_F(PDFWriter, PagesOfOneDocumentShareTheResources) {
  auto first = test_pictures::Gradient(40, 20);
  auto second = test_pictures::Checker1Bit(40, 20);
  TIOParamsVals params(nullptr);
  params.PDFPaperWidth = 40;
  params.PDFPaperHeight = 20;
  vcl::TMemoryStream stream;
  codec_runs::TAbortableProgress progress;
  auto document = NewPDFDocument();
  AddPDFPage(document.get(), first.get(), params, progress);
  AddPDFPage(document.get(), second.get(), params, progress);
  ASSERT_TRUE(EndPDFDocument(std::move(document), &stream, params));
  ASSERT_FALSE(progress.aborting);
  const Bytes bytes = test_files::StreamBytes(&stream);
  const std::string text = test_files::ToText(bytes);
  EXPECT_NE(text.find("/lm1 Do"), std::string::npos);
  EXPECT_NE(text.find("/lm2 Do"), std::string::npos);
  const size_t xobjects = text.find("/XObject <<");
  ASSERT_NE(xobjects, std::string::npos);
  const size_t end = text.find(">>", xobjects);
  EXPECT_NE(text.substr(xobjects, end - xobjects).find("/lm1"), std::string::npos);
  EXPECT_NE(text.substr(xobjects, end - xobjects).find("/lm2"), std::string::npos);
  ExpectClean(bytes, "two pages");
  const auto pages = PdfRender(bytes);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(PixelsOf(pages[0]), PixelsOf(first.get()));
  EXPECT_EQ(PixelsOf(pages[1]), PixelsOf(second.get()));
  EXPECT_TRUE(EndPDFDocument(nullptr, &stream, params));
}

TEST(PDFWriterErrors, MissingLZWCoderAndFullDisk) {
  auto picture = test_pictures::Gradient(20, 10);
  // Without an LZW coder the image is stored as it is.
  TIOParamsVals params(nullptr);
  params.PDFCompression = 5;
  params.TIFFLZWCompress = nullptr;
  const std::string text = test_files::ToText(WritePDF(picture.get(), params));
  EXPECT_NE(text.find("/Width 20"), std::string::npos);
  EXPECT_EQ(text.find("/Filter"), std::string::npos);

  class TFullDisk : public vcl::TStream {
   public:
    int32_t Read(void*, int32_t) override { return 0; }
    int32_t Write(const void*, int32_t) override { return 0; }
    int64_t Seek(int64_t offset, vcl::TSeekOrigin origin) override { return origin == vcl::soBeginning ? offset : 0; }
  };
  TFullDisk disk;
  TIOParamsVals defaults(nullptr);
  codec_runs::TAbortableProgress progress;
  EXPECT_NO_THROW(WritePDFStream(&disk, picture.get(), defaults, progress));
  EXPECT_TRUE(progress.aborting);
}
