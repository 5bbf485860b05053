#include <gtest/gtest.h>

#include <clocale>
#include <memory>
#include <string>

#include "imaging/metadata/pdf_objects.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace test_files;

namespace {

std::string Written(TIEPDFObject& object) {
  vcl::TMemoryStream stream;
  object.WriteTo(&stream);
  Bytes bytes = StreamBytes(&stream);
  return std::string(bytes.begin(), bytes.end());
}

std::string PdfText(vcl::TStream& stream) {
  Bytes bytes = StreamBytes(&stream);
  return std::string(bytes.begin(), bytes.end());
}

// An object that counts its destructions, to see who frees what.
class TCountedNumber : public TIEPDFNumericObject {
 public:
  TCountedNumber(int* counter) : TIEPDFNumericObject(1), counter_(counter) {}
  ~TCountedNumber() override { ++*counter_; }

 private:
  int* counter_;
};

// A one-page document: a 2 x 1 RGB image (red, blue) drawn over the whole 20 x 10 point page.
struct TImageDocument {
  TIEPDFObjectList objects;
  TIEPDFObject* info = nullptr;

  TImageDocument() {
    CreatePDFCatalog(objects);
    const uint8_t pixels[] = {255, 0, 0, 0, 0, 255};
    auto* image = new TIEPDFStreamObject(pixels, sizeof pixels);
    auto* d = image->Dictionary();
    d->SetItem("Type", new TIEPDFNameObject("XObject"));
    d->SetItem("Subtype", new TIEPDFNameObject("Image"));
    d->SetItem("Width", new TIEPDFNumericObject(2));
    d->SetItem("Height", new TIEPDFNumericObject(1));
    d->SetItem("ColorSpace", new TIEPDFNameObject("DeviceRGB"));
    d->SetItem("BitsPerComponent", new TIEPDFNumericObject(8));
    AddPDFObject(objects, image);
    std::string drawing = "q 20 0 0 10 0 0 cm /Im#201 Do Q";
    auto* contents = new TIEPDFStreamObject(drawing.data(), static_cast<int32_t>(drawing.size()));
    AddPDFObject(objects, contents);
    auto* xobjects = new TIEPDFDictionaryObject;
    // A name with a blank, which must be escaped to stay one name.
    xobjects->SetItem("Im 1", new TIEPDFRefObject(image->ObjectNumber, 0));
    auto* resources = new TIEPDFDictionaryObject;
    resources->SetItem("XObject", xobjects);
    AddPDFObject(objects, resources);
    auto* mediaBox = new TIEPDFArrayObject;
    for (double v : {0.0, 0.0, 20.0, 10.0}) mediaBox->Add(new TIEPDFNumericObject(v));
    TIEPDFPageList pages;
    CreatePDFPage(objects, pages, resources, contents->ObjectNumber, mediaBox);
    CreatePDFPageTree(objects, pages);
    auto* infoDictionary = new TIEPDFDictionaryObject;
    infoDictionary->SetItem("Producer", new TIEPDFStringObject("Mergeon (test) \\ \x01"));
    infoDictionary->SetItem("Title", new TIEPDFStringObject("line\r\nfeed\ttab"));
    info = AddPDFObject(objects, infoDictionary);
  }

  Bytes Write() {
    vcl::TMemoryStream stream;
    WritePDFHeader(&stream);
    WritePDFObjects(&stream, objects);
    WritePDFTrailer(&stream, objects, info);
    return StreamBytes(&stream);
  }
};

}  // namespace

TEST(PDFObjects, SimpleKindsWriteTheirText) {
  struct Case {
    std::unique_ptr<TIEPDFObject> object;
    std::string expected;
  };
  Case cases[] = {
      {std::make_unique<TIEPDFRefObject>(12, 0), "12 0 R"},
      {std::make_unique<TIEPDFBooleanObject>(true), "true"},
      {std::make_unique<TIEPDFBooleanObject>(false), "false"},
      {std::make_unique<TIEPDFStringObject>("a(b)c\\d"), "(a\\(b\\)c\\\\d)"},
      {std::make_unique<TIEPDFStringObject>(std::string("\b\t\n\f\r\x01\xE9", 7)), std::string("(\\b\\t\\n\\f\\r\x01\xE9)", 14)},
      {std::make_unique<TIEPDFNameObject>("Type"), "/Type"},
      // The number sign and the delimiters must be escaped too, or the name reads differently.
      {std::make_unique<TIEPDFNameObject>("A B#"), "/A#20B#23"},
      {std::make_unique<TIEPDFNameObject>("a/b(c)[d]<e>{f}%g"), "/a#2Fb#28c#29#5Bd#5D#3Ce#3E#7Bf#7D#25g"},
      {std::make_unique<TIEPDFNameObject>(std::string("\x7F\xFF~!", 4)), "/#7F#FF~!"},
      {std::make_unique<TIEPDFArrayObject>(), "[]"},
  };
  for (Case& c : cases) EXPECT_EQ(Written(*c.object), c.expected);
}

TEST(PDFObjects, NumbersArePlainDecimalWhateverTheLocale) {
  const char* oldLocale = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = oldLocale ? oldLocale : "C";
  // A locale with a decimal comma, where one is installed.
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  struct Case {
    double value;
    const char* expected;
  } cases[] = {
      {0.5, "0.5"},         {3, "3"},           {-2.25, "-2.25"},     {0, "0"},
      {-0.0, "0"},          {1e-5, "0.00001"},  {1e20, "100000000000000000000"},
      {612.0, "612"},       {0.1, "0.1"},       {1.0 / 3, "0.333333333333333"},
      {123456.789, "123456.789"},               {1e-50, "0"},
  };
  for (const Case& c : cases) {
    TIEPDFNumericObject number(c.value);
    EXPECT_EQ(Written(number), c.expected) << c.value;
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(PDFObjects, ArraysAndDictionaries) {
  TIEPDFArrayObject array;
  array.Add(new TIEPDFNumericObject(1));
  array.Add(new TIEPDFNumericObject(2));
  EXPECT_EQ(Written(array), "[1 2 ]");
  EXPECT_THROW(array.Items(2), vcl::EListError);

  TIEPDFDictionaryObject dictionary;
  dictionary.SetItem("Type", new TIEPDFNameObject("Page"));
  dictionary.SetItem("Count", new TIEPDFNumericObject(1));
  // Setting a key again replaces its value in place: a dictionary holds each key once.
  dictionary.SetItem("Type", new TIEPDFNameObject("Pages"));
  dictionary.SetItem("Kids", nullptr);
  EXPECT_EQ(Written(dictionary), "<< /Type /Pages\n/Count 1\n/Kids null\n>>");
  EXPECT_EQ(dictionary.Count(), 3);
  EXPECT_EQ(dictionary.IndexOf("Count"), 1);
  EXPECT_EQ(dictionary.IndexOf("count"), -1);
  EXPECT_EQ(dictionary.GetItem("Missing"), nullptr);
}

TEST(PDFObjects, StreamWritesItsLengthAndData) {
  const char data[] = "0123456789";
  TIEPDFStreamObject stream(data, 10);
  EXPECT_EQ(Written(stream), "<< /Length 10\n>>\nstream\n0123456789\nendstream");
  // The length follows the data whenever the object is written.
  stream.SetData("ab", 2);
  stream.Dictionary()->SetItem("Filter", new TIEPDFNameObject("ASCIIHexDecode"));
  EXPECT_EQ(Written(stream), "<< /Length 2\n/Filter /ASCIIHexDecode\n>>\nstream\nab\nendstream");
  TIEPDFStreamObject empty;
  EXPECT_EQ(Written(empty), "<< /Length 0\n>>\nstream\n\nendstream");
}

TEST(PDFObjects, ContainersFreeOnlyUnsharedItems) {
  int freed = 0;
  auto shared = std::make_unique<TCountedNumber>(&freed);
  shared->Shared = true;
  {
    TIEPDFArrayObject array;
    array.Add(shared.get());
    array.Add(new TCountedNumber(&freed));
    TIEPDFDictionaryObject dictionary;
    dictionary.SetItem("A", shared.get());
    dictionary.SetItem("B", new TCountedNumber(&freed));
  }
  EXPECT_EQ(freed, 2);
  EXPECT_EQ(Written(*shared), "1");
}

TEST(PDFObjects, PageTreeLinksCatalogPagesAndParents) {
  TIEPDFObjectList objects;
  TIEPDFDictionaryObject* catalog = CreatePDFCatalog(objects);
  auto* contents = AddPDFObject(objects, new TIEPDFStreamObject);
  TIEPDFPageList pages;
  CreatePDFPage(objects, pages, nullptr, contents->ObjectNumber, new TIEPDFArrayObject);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(Written(*pages[0]), "<< /Type /Page\n/MediaBox []\n/Contents 2 0 R\n>>");
  TIEPDFDictionaryObject* tree = CreatePDFPageTree(objects, pages);
  EXPECT_EQ(tree->ObjectNumber, 4);
  EXPECT_EQ(Written(*tree), "<< /Type /Pages\n/Kids [3 0 R ]\n/Count 1\n>>");
  EXPECT_EQ(Written(*pages[0]), "<< /Type /Page\n/MediaBox []\n/Contents 2 0 R\n/Parent 4 0 R\n>>");
  EXPECT_EQ(Written(*catalog), "<< /Type /Catalog\n/Pages 4 0 R\n>>");
}

TEST(PDFObjects, HeaderObjectsAndTrailer) {
  TIEPDFObjectList objects;
  CreatePDFCatalog(objects);
  auto* contents = AddPDFObject(objects, new TIEPDFStreamObject);
  TIEPDFPageList pages;
  CreatePDFPage(objects, pages, nullptr, contents->ObjectNumber, new TIEPDFArrayObject);
  CreatePDFPageTree(objects, pages);
  TIEPDFObject* info = AddPDFObject(objects, new TIEPDFDictionaryObject);

  vcl::TMemoryStream stream;
  WritePDFHeader(&stream);
  EXPECT_EQ(PdfText(stream), "%PDF-1.4\n%\xC8\xD2\xF0\xFE\n");
  WritePDFObjects(&stream, objects);
  std::string body = PdfText(stream);
  for (auto& object : objects) {
    std::string head = std::to_string(object->ObjectNumber) + " 0 obj\n";
    EXPECT_EQ(body.substr(object->Offset, head.size()), head);
  }
  int64_t xref = stream.Position();
  WritePDFTrailer(&stream, objects, info);
  std::string trailer = PdfText(stream).substr(xref);
  std::string expected = "xref\n0 6\n0000000000 65535 f \n";
  for (auto& object : objects) expected += PadLeft(std::to_string(object->Offset), 10, '0') + " 00000 n \n";
  expected += "trailer\n<< /Size 6\n/Root 1 0 R\n/Info 5 0 R\n>>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  EXPECT_EQ(trailer, expected);
  // Six cross-reference entries of 20 bytes each.
  size_t tableStart = trailer.find("0000000000 65535 f \n");
  EXPECT_EQ(trailer.find("trailer") - tableStart, 6u * 20);

  // An offset that the ten digits of an entry cannot hold is refused, not wrapped.
  objects[0]->Offset = 10000000000LL;
  EXPECT_THROW(WritePDFTrailer(&stream, objects, info), vcl::EWriteError);
}

TEST(PDFObjects, PadLeft) {
  EXPECT_EQ(PadLeft("42", 5, '0'), "00042");
  EXPECT_EQ(PadLeft("123456", 3, '0'), "123456");
  EXPECT_EQ(PadLeft("", 2, ' '), "  ");
}

TEST(PDFObjects, DocumentPassesTheCheckerAndRenders) {
  if (!HaveTool("qpdf") || !HaveTool("pdftoppm")) GTEST_SKIP() << "qpdf or pdftoppm is not installed";
  TImageDocument document;
  std::string dir = MakeTempDir();
  std::string pdf = dir + "/image.pdf";
  WriteFileBytes(pdf, document.Write());

  std::string output;
  EXPECT_EQ(RunShell("qpdf --check '" + pdf + "'", &output), 0) << output;
  EXPECT_NE(output.find("No syntax or stream encoding errors"), std::string::npos) << output;
  EXPECT_EQ(output.find("WARNING"), std::string::npos) << output;

  // The info string comes back as written, its escapes undone.
  if (HaveTool("pdfinfo")) {
    EXPECT_EQ(RunShell("pdfinfo '" + pdf + "'", &output), 0) << output;
    EXPECT_NE(output.find("Mergeon (test) \\ "), std::string::npos) << output;
  }

  // 20 x 10 points at 72 dpi: the left half red, the right half blue.
  ASSERT_EQ(RunShell("pdftoppm -r 72 -aa no -aaVector no '" + pdf + "' '" + dir + "/page'", &output), 0) << output;
  Bytes ppm = ReadFileBytes(dir + "/page-1.ppm");
  std::string header = "P6\n20 10\n255\n";
  ASSERT_EQ(ppm.size(), header.size() + 20 * 10 * 3);
  EXPECT_EQ(std::string(ppm.begin(), ppm.begin() + header.size()), header);
  auto pixel = [&](int x, int y) {
    size_t at = header.size() + (y * 20 + x) * 3;
    return Bytes(ppm.begin() + at, ppm.begin() + at + 3);
  };
  EXPECT_EQ(pixel(2, 5), (Bytes{255, 0, 0}));
  EXPECT_EQ(pixel(17, 5), (Bytes{0, 0, 255}));
}
