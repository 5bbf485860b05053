#include "imaging/params/file_formats.h"

#include <gtest/gtest.h>

#include "imaging/params/wic_availability.h"

namespace imaging {
namespace {

class FileFormatRegistry : public ::testing::Test {
 protected:
  void SetUp() override { RegisterInternalFileFormats(); }
  void TearDown() override { FreeFileFormats(); }
};

struct Row {
  int32_t fileType;
  const char* fullName;
  const char* extensions;
  uint16_t dialogPage;
  bool reads;
  bool writes;
};

const Row kRows[] = {
    {1, "TIFF Bitmap", "TIF;TIFF;FAX;G3N;G3F;XIF", 8, true, true},
    {2, "CompuServe Bitmap", "GIF", 16, true, true},
    {3, "JPEG Bitmap", "JPG;JPEG;JPE;JIF", 4, true, true},
    {4, "PaintBrush", "PCX", 64, true, true},
    {5, "Windows Bitmap", "BMP;DIB;RLE", 32, true, true},
    {21, "Raw Bitmap", "", 0, true, true},
    {6, "Windows Icon", "ICO", 0, true, true},
    {7, "Windows Cursor", "CUR", 0, true, false},
    {8, "Portable Network Graphics", "PNG", 128, true, true},
    {28, "DICOM Bitmap", "DCM;DIC;DICOM", 0, true, false},
    {9, "Windows Metafile", "WMF", 0, true, false},
    {10, "Enhanced Windows Metafile", "EMF", 0, true, false},
    {11, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX", 256, true, true},
    {12, "Portable Pixmap, GrayMap, BitMap", "PXM;PPM;PGM;PBM", 0, true, true},
    {16, "Wireless Bitmap", "WBMP", 0, true, true},
    {13, "JPEG2000", "JP2", 512, true, true},
    {14, "JPEG2000 Code Stream", "J2K;JPC;J2C", 512, true, true},
    {17, "PostScript Level 2", "PS;EPS", 0, false, true},
    {18, "Adobe PDF", "PDF", 0, false, true},
    {19, "Multipage PCX", "DCX", 0, true, true},
    {20, "Camera RAW", "CRW;CR2;NEF;RAW;PEF;RAF;X3F;BAY;ORF;SRF;MRW;DCR;SR2", 0, true, false},
    {24, "Photoshop PSD", "PSD", 0, true, true},
    {25, "Vectorial objects", "IEV", 0, true, true},
    {26, "Layers", "LYR", 0, true, true},
    {27, "Layers and objects", "ALL", 0, true, true},
    {29, "Microsoft HD Photo", "WDP;HDP", 0, true, true},
};

TEST_F(FileFormatRegistry, HoldsTheBuiltInRowsInOrder) {
  const int32_t expectedCount = IsWICAvailable() ? 26 : 25;
  ASSERT_EQ(GetFileFormatCount(), expectedCount);
  for (int32_t i = 0; i < expectedCount; ++i) {
    const Row& row = kRows[i];
    SCOPED_TRACE(row.fullName);
    const TIEFileFormatInfo* info = GetFileFormatByIndex(i);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info, GetFileFormatInfo(row.fileType));
    EXPECT_EQ(info->FileType, row.fileType);
    EXPECT_EQ(info->FullName, row.fullName);
    EXPECT_EQ(info->Extensions, row.extensions);
    EXPECT_EQ(info->DialogPage, row.dialogPage);
    EXPECT_TRUE(info->InternalFormat);
    EXPECT_EQ(info->ReadFunction != nullptr, row.reads);
    EXPECT_EQ(info->WriteFunction != nullptr, row.writes);
    EXPECT_EQ(info->TryFunction, &NoTryFunction);
    EXPECT_FALSE(info->TryFunction(nullptr, row.fileType));
  }
  EXPECT_EQ(GetFileFormatByIndex(expectedCount), nullptr);
  EXPECT_EQ(GetFileFormatByIndex(-1), nullptr);
  EXPECT_EQ(GetFileFormatInfo(15), nullptr);  // AVI is detected by content only
  EXPECT_EQ(GetFileFormatInfo(0), nullptr);
}

TEST_F(FileFormatRegistry, FindsFormatsByExtension) {
  struct Case {
    const char* extension;
    int32_t fileType;  // 0: no entry
  };
  const Case cases[] = {
      {".JPG", 3}, {"jpeg", 3}, {"Jif", 3}, {".tif", 1}, {"xif", 1}, {"PIX", 11}, {".sr2", 20},
      {"dicom", 28}, {"pbm", 12}, {"", 0}, {".", 0}, {"..jpg", 0}, {"xyz", 0}, {"jp", 0}, {"tif;gif", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.extension);
    const TIEFileFormatInfo* info = FindFileFormatByExtension(c.extension);
    EXPECT_EQ(info ? info->FileType : 0, c.fileType);
  }
  EXPECT_EQ(FindFileFormatByExtension("hdp") != nullptr, IsWICAvailable());
}

TEST_F(FileFormatRegistry, ListsExtensionsByIndex) {
  struct Case {
    int32_t fileType;
    int32_t index;
    const char* extension;
  };
  const Case cases[] = {
      {1, 0, "TIF"}, {1, 5, "XIF"}, {1, 6, ""}, {1, -1, ""}, {20, 12, "SR2"}, {21, 0, ""}, {99, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fileType << "/" << c.index);
    EXPECT_EQ(GetFileExtension(c.fileType, c.index), c.extension);
  }
  EXPECT_EQ(GetFileExtensionCount(1), 6);
  EXPECT_EQ(GetFileExtensionCount(20), 13);
  EXPECT_EQ(GetFileExtensionCount(21), 0);
  EXPECT_EQ(GetFileExtensionCount(99), 0);
}

TEST_F(FileFormatRegistry, PlugInEntriesComeAndGo) {
  auto first = std::make_unique<TIEFileFormatInfo>();
  first->FileType = 100;
  first->FullName = "First";
  first->Extensions = "ABC;;DEF;";
  auto second = std::make_unique<TIEFileFormatInfo>();
  second->FileType = 100;
  second->FullName = "Second";
  second->Extensions = "JPG";
  RegisterFileFormat(std::move(first));
  RegisterFileFormat(std::move(second));
  RegisterFileFormat(nullptr);

  // Items are cut at each ";": an empty item between two separators counts, a trailing ";" not.
  EXPECT_EQ(GetFileExtensionCount(100), 3);
  EXPECT_EQ(GetFileExtension(100, 1), "");
  EXPECT_EQ(GetFileExtension(100, 2), "DEF");
  ASSERT_NE(FindFileFormatByExtension("def"), nullptr);
  EXPECT_FALSE(FindFileFormatByExtension("def")->InternalFormat);
  EXPECT_EQ(FindFileFormatByExtension(""), nullptr);  // the empty item matches nothing
}

TEST_F(FileFormatRegistry, UnregisterRemovesTheFirstEntryOfTheType) {
  for (const char* name : {"First", "Second"}) {
    auto info = std::make_unique<TIEFileFormatInfo>();
    info->FileType = 100;
    info->FullName = name;
    RegisterFileFormat(std::move(info));
  }
  const int32_t count = GetFileFormatCount();
  UnregisterFileFormat(100);
  EXPECT_EQ(GetFileFormatCount(), count - 1);
  ASSERT_NE(GetFileFormatInfo(100), nullptr);
  EXPECT_EQ(GetFileFormatInfo(100)->FullName, "Second");
  UnregisterFileFormat(100);
  UnregisterFileFormat(100);  // none left: nothing happens
  EXPECT_EQ(GetFileFormatInfo(100), nullptr);
  EXPECT_EQ(GetFileFormatCount(), count - 2);
}

TEST_F(FileFormatRegistry, AnEmptyRegistryAnswersNothing) {
  FreeFileFormats();
  EXPECT_EQ(GetFileFormatCount(), 0);
  EXPECT_EQ(GetFileFormatInfo(3), nullptr);
  EXPECT_EQ(FindFileFormatByExtension("jpg"), nullptr);
  EXPECT_EQ(GetFileExtensionCount(3), 0);
  EXPECT_EQ(GetFileExtension(3, 0), "");
}

}  // namespace
}  // namespace imaging
