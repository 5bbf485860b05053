#include <gtest/gtest.h>

#include <cstring>

#include "imaging/model/routines/tbitmap_copies.h"
#include "vcl/runtime/win.h"

using namespace imaging;

TEST(TBitmapCopies, CloneKeepsPixelsFormatAndColours) {
  vcl::TBitmap source;
  source.SetPixelFormat(vcl::pf8bit);
  source.SetSize(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) static_cast<uint8_t*>(source.ScanLine(y))[x] = uint8_t(y * 5 + x);
  auto clone = CloneTBitmap(&source);
  ASSERT_EQ(clone->PixelFormat(), vcl::pf8bit);
  ASSERT_EQ(clone->Width(), 5);
  ASSERT_EQ(clone->Height(), 3);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(std::memcmp(clone->ScanLine(y), source.ScanLine(y), 5), 0);
  PALETTEENTRY a[16], b[16];
  ASSERT_EQ(GetPaletteEntries(source.Palette(), 0, 16, a), GetPaletteEntries(clone->Palette(), 0, 16, b));
  EXPECT_EQ(std::memcmp(a, b, sizeof a), 0);
}

TEST(TBitmapCopies, CopyTakesOverSizeAndFormat) {
  vcl::TBitmap source, dest;
  source.SetPixelFormat(vcl::pf24bit);
  source.SetSize(3, 2);
  static_cast<uint8_t*>(source.ScanLine(1))[8] = 0x42;
  dest.SetPixelFormat(vcl::pf32bit);
  dest.SetSize(10, 10);
  CopyTBitmapPixels(&source, &dest);
  EXPECT_EQ(dest.PixelFormat(), vcl::pf24bit);
  EXPECT_EQ(dest.Width(), 3);
  EXPECT_EQ(static_cast<uint8_t*>(dest.ScanLine(1))[8], 0x42);

  vcl::TBitmap empty;
  empty.SetPixelFormat(vcl::pf1bit);
  CopyTBitmapPixels(&empty, &dest);
  EXPECT_EQ(dest.Width(), 1);
  EXPECT_EQ(dest.Height(), 1);
  EXPECT_EQ(dest.PixelFormat(), vcl::pf1bit);
}

TEST(TBitmapCopies, ExpandOneBitToTwentyFourBits) {
  vcl::TBitmap source, dest;
  source.SetPixelFormat(vcl::pf1bit);
  source.SetSize(11, 2);  // one whole byte and three pixels of the next
  static_cast<uint8_t*>(source.ScanLine(0))[0] = 0xA5;
  static_cast<uint8_t*>(source.ScanLine(0))[1] = 0x60;
  static_cast<uint8_t*>(source.ScanLine(1))[0] = 0x00;
  static_cast<uint8_t*>(source.ScanLine(1))[1] = 0xFF;
  ProgressContext progress;
  int events = 0;
  progress.OnProgress = [&](vcl::TObject*, int32_t) { ++events; };
  Expand1BitTo24BitTBitmap(&source, &dest, &progress);
  ASSERT_EQ(dest.PixelFormat(), vcl::pf24bit);
  ASSERT_EQ(dest.Width(), 11);
  EXPECT_EQ(events, 2);
  const bool row0[11] = {1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 1};
  const bool row1[11] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1};
  for (int y = 0; y < 2; ++y) {
    const uint8_t* row = static_cast<const uint8_t*>(dest.ScanLine(y));
    for (int x = 0; x < 11; ++x)
      for (int c = 0; c < 3; ++c) EXPECT_EQ(row[x * 3 + c], (y ? row1 : row0)[x] ? 255 : 0) << x << "," << y;
  }
}
