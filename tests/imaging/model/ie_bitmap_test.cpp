// The library bitmap's storage: allocation in its locations, row addresses and lengths, row
// views of the temporary file, moving between locations, palette and alpha channel, attached
// platform bitmaps and memory.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/base/startup.h"
#include "imaging/model/temp_block_store.h"
#include "tests/support/ie_bitmap_checks.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/exceptions.h"

using namespace imaging;
using namespace ie_bitmap_test;

namespace {

// Sets BitmapMemoryThreshold for one test and restores it after.
class MemoryThresholdScope {
 public:
  explicit MemoryThresholdScope(int64_t value) : saved_(BitmapMemoryThreshold) { BitmapMemoryThreshold = value; }
  ~MemoryThresholdScope() { BitmapMemoryThreshold = saved_; }

 private:
  int64_t saved_;
};

const TIELocation kIeBitmapLocations[] = {ieMemory, ieFile, ieTBitmap};

}  // namespace

TEST(IEBitmapStorage, NewBitmapIsEmptyAndAsksForTheFile) {
  TIEBitmap bitmap;
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(ieNull, bitmap.GetPixelFormat());
  EXPECT_EQ(ieFile, bitmap.Location());
  EXPECT_EQ(3, bitmap.Access());
  EXPECT_EQ(1, bitmap.ConvertTo1BitMethod());
  EXPECT_EQ(256, bitmap.PaletteUsed());
  EXPECT_EQ(32, bitmap.RowAlignment());
  EXPECT_EQ(2, bitmap.AllocatorKind());
  EXPECT_GT(bitmap.MemoryThreshold(), 0);
}

TEST(IEBitmapStorage, SmallImageLandsInMemoryBottomUpAndAligned) {
  TIEBitmap bitmap(100, 100, ie24RGB);
  EXPECT_EQ(ieMemory, bitmap.Location());
  EXPECT_EQ(300, bitmap.GetRowLen());
  auto* row0 = static_cast<uint8_t*>(bitmap.GetScanline(0));
  auto* row99 = static_cast<uint8_t*>(bitmap.GetScanline(99));
  // Row 0 is the last row of the block; the block starts on a 64-byte boundary.
  EXPECT_EQ(99 * 300, row0 - row99);
  EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(row99) % 64);
}

TEST(IEBitmapStorage, ImageAboveTheThresholdLandsInTheFileTopDown) {
  TIEBitmap bitmap;
  bitmap.SetMemoryThreshold(1000);
  ASSERT_TRUE(bitmap.Allocate(100, 100, ie24RGB));
  EXPECT_EQ(ieFile, bitmap.Location());
  ASSERT_TRUE(bitmap.FileBuffer()->IsAllocated());
  std::memset(bitmap.GetScanline(0), 0xAB, 300);
  std::memset(bitmap.GetScanline(1), 0xCD, 300);  // unmaps (and writes back) row 0
  auto* view = static_cast<uint8_t*>(bitmap.FileBuffer()->Map(ieaRead, 0, 301));
  EXPECT_EQ(0xAB, view[0]);
  EXPECT_EQ(0xAB, view[299]);
  bitmap.FileBuffer()->Unmap(view);
}

TEST(IEBitmapStorage, ThresholdEqualToTheSizeKeepsTheRequestedLocation) {
  TIEBitmap inFile;
  inFile.SetMemoryThreshold(300 * 100);
  ASSERT_TRUE(inFile.Allocate(100, 100, ie24RGB));
  EXPECT_EQ(ieFile, inFile.Location());
  TIEBitmap inMemory;
  inMemory.SetLocation(ieMemory);
  inMemory.SetMemoryThreshold(300 * 100);
  ASSERT_TRUE(inMemory.Allocate(100, 100, ie24RGB));
  EXPECT_EQ(ieMemory, inMemory.Location());
}

TEST(IEBitmapStorage, ZeroLibraryThresholdSendsEveryImageToTheFile) {
  MemoryThresholdScope scope(0);
  TIEBitmap bitmap(1, 1, ie8g);
  EXPECT_EQ(0, bitmap.MemoryThreshold());
  EXPECT_EQ(ieFile, bitmap.Location());
}

TEST(IEBitmapStorage, RowLengths) {
  struct Case {
    int32_t width;
    TIEPixelFormat format;
    int32_t alignment;
    int32_t rowLen;
  } cases[] = {
      {3, ie8p, 32, 4},    {33, ie1g, 32, 8},     {33, ie1g, 8, 5},     {1, ie24RGB, 32, 4},
      {5, ie16g, 32, 12},  {5, ie16g, 16, 10},    {3, ieRGB48, 64, 24}, {7, ie32f, 32, 28},
      {2, ieCIELab, 8, 6}, {3, ie32RGB, 32, 12},  {9, ieCMYK, 32, 36},  {3, ie8g, 64, 8},
  };
  for (const Case& c : cases) {
    TIEBitmap bitmap;
    bitmap.SetRowAlignment(c.alignment);
    ASSERT_TRUE(bitmap.Allocate(c.width, 2, c.format));
    EXPECT_EQ(c.rowLen, bitmap.GetRowLen()) << c.width << " px, format " << c.format << ", " << c.alignment;
    EXPECT_EQ(IEBitsPerPixel(c.format), bitmap.GetBitCount());
    EXPECT_EQ(IEChannelsPerPixel(c.format), bitmap.GetChannelCount());
  }
}

TEST(IEBitmapStorage, SecondAllocateOfTheSameGeometryKeepsThePixels) {
  for (TIELocation location : kIeBitmapLocations) {
    auto bitmap = MakeIn(location, 3, 2, ie8g);
    static_cast<uint8_t*>(bitmap->GetScanline(1))[2] = 77;
    EXPECT_TRUE(bitmap->Allocate(3, 2, ie8g));
    EXPECT_EQ(77, static_cast<uint8_t*>(bitmap->GetScanline(1))[2]) << LocationName(location);
  }
}

TEST(IEBitmapStorage, AllocateAfterANewRowAlignmentReallocates) {
  TIEBitmap bitmap(3, 2, ie8g);
  ASSERT_EQ(4, bitmap.GetRowLen());
  bitmap.SetRowAlignment(8);
  EXPECT_EQ(3, bitmap.GetRowLen());  // the content moved to rows of the new length
  ASSERT_TRUE(bitmap.Allocate(3, 2, ie8g));
  EXPECT_EQ(3, bitmap.GetRowLen());
}

TEST(IEBitmapStorage, InvalidGeometryFailsAndLeavesAnEmptyImage) {
  struct Case {
    int32_t width, height;
    TIEPixelFormat format;
  } cases[] = {{0, 5, ie8g}, {5, 0, ie8g}, {-1, 5, ie24RGB}, {5, 5, ieNull}, {5, 5, static_cast<TIEPixelFormat>(11)}};
  for (const Case& c : cases) {
    TIEBitmap bitmap(4, 4, ie24RGB);
    EXPECT_FALSE(bitmap.Allocate(c.width, c.height, c.format));
    EXPECT_TRUE(bitmap.IsEmpty());
    EXPECT_EQ(0, bitmap.GetWidth());
    EXPECT_EQ(0, bitmap.GetHeight());
  }
}

TEST(IEBitmapStorage, ARowLongerThanTwoGigabytesIsRefused) {
  TIEBitmap bitmap;
  EXPECT_FALSE(bitmap.Allocate(400000000, 1, ieRGB48));
  EXPECT_TRUE(bitmap.IsEmpty());
}

TEST(IEBitmapStorage, FreeImageKeepsFormatAndLocation) {
  TIEBitmap bitmap(5, 5, ie16g);
  bitmap.GetAlphaChannel();
  bitmap.FreeImage(true);
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_FALSE(bitmap.HasAlphaChannel());
  EXPECT_EQ(ie16g, bitmap.GetPixelFormat());
  EXPECT_EQ(ieMemory, bitmap.Location());
}

TEST(IEBitmapStorage, AllocatorKindsAllGiveWorkingRows) {
  for (uint8_t kind : {0, 1, 2}) {
    TIEBitmap bitmap;
    bitmap.SetAllocatorKind(kind);
    bitmap.SetLocation(ieMemory);
    ASSERT_TRUE(bitmap.Allocate(600, 600, ie24RGB)) << int(kind);  // above 1 MiB
    FillPattern(bitmap);
    EXPECT_TRUE(HasPattern(bitmap)) << int(kind);
  }
}

// ---- the platform-bitmap location ----

TEST(IEBitmapVclLocation, FormatsTheTBitmapCanHold) {
  struct Case {
    TIEPixelFormat asked;
    bool ok;
    TIEPixelFormat held;
    vcl::TPixelFormat platform;
  } cases[] = {
      {ie1g, true, ie1g, vcl::pf1bit},          {ie8p, true, ie8p, vcl::pf8bit},
      {ie8g, true, ie8g, vcl::pf8bit},          {ie16g, true, ie8g, vcl::pf8bit},
      {ie24RGB, true, ie24RGB, vcl::pf24bit},   {ie32RGB, true, ie32RGB, vcl::pf32bit},
      {ie32f, false, ie32f, vcl::pfDevice},     {ieCMYK, false, ieCMYK, vcl::pfDevice},
      {ieRGB48, false, ieRGB48, vcl::pfDevice}, {ieCIELab, false, ieCIELab, vcl::pfDevice},
  };
  for (const Case& c : cases) {
    auto bitmap = EmptyIn(ieTBitmap);
    EXPECT_EQ(c.ok, bitmap->Allocate(7, 3, c.asked)) << c.asked;
    if (c.ok) {
      EXPECT_EQ(c.held, bitmap->GetPixelFormat());
      EXPECT_EQ(7, bitmap->GetWidth());
      EXPECT_EQ(c.platform, bitmap->GetVclBitmap()->PixelFormat());
      // Rows are the platform bitmap's own.
      EXPECT_EQ(bitmap->GetVclBitmap()->ScanLine(2), bitmap->GetScanline(2));
    } else {
      EXPECT_TRUE(bitmap->IsEmpty());
      EXPECT_EQ(0, bitmap->GetWidth());
    }
  }
}

TEST(IEBitmapVclLocation, RowsFollowThePlatformRowAlignment) {
  auto bitmap = EmptyIn(ieTBitmap);
  bitmap->SetRowAlignment(8);  // the platform bitmap keeps 32-bit rows
  ASSERT_TRUE(bitmap->Allocate(3, 2, ie8g));
  EXPECT_EQ(4, bitmap->GetRowLen());
}

TEST(IEBitmapVclLocation, GreyImagesGetTheGreyColourTable) {
  auto bitmap = MakeIn(ieTBitmap, 4, 4, ie8g);
  PALETTEENTRY entries[256];
  ASSERT_EQ(256u, GetPaletteEntries(bitmap->GetVclBitmap()->Palette(), 0, 256, entries));
  EXPECT_EQ(200, entries[200].peRed);
  EXPECT_EQ(200, entries[200].peBlue);
  EXPECT_EQ(ie8g, bitmap->GetPixelFormat());
}

TEST(IEBitmapVclLocation, AttachedBitmapResizedByItsOwnerReportsTheNewSize) {
  vcl::TBitmap platform;
  platform.SetPixelFormat(vcl::pf24bit);
  platform.SetSize(10, 8);
  TIEBitmap bitmap;
  bitmap.AttachVclBitmap(&platform, true);
  EXPECT_EQ(ieTBitmap, bitmap.Location());
  EXPECT_TRUE(bitmap.VclBitmapExternal());
  EXPECT_EQ(10, bitmap.GetWidth());
  platform.SetSize(33, 21);
  EXPECT_EQ(33, bitmap.GetWidth());
  EXPECT_EQ(21, bitmap.GetHeight());
  EXPECT_EQ(100, bitmap.GetRowLen());
  EXPECT_EQ(platform.ScanLine(20), bitmap.GetScanline(20));
}

TEST(IEBitmapVclLocation, AttachedBitmapOfAFormatWithoutRowsOfOursBecomes24Bit) {
  for (vcl::TPixelFormat format : {vcl::pf4bit, vcl::pf15bit, vcl::pf16bit, vcl::pfDevice}) {
    vcl::TBitmap platform;
    platform.SetSize(5, 3);
    platform.SetPixelFormat(format);
    TIEBitmap bitmap;
    bitmap.AttachVclBitmap(&platform, true);
    EXPECT_EQ(ie24RGB, bitmap.GetPixelFormat()) << format;
    EXPECT_EQ(vcl::pf24bit, platform.PixelFormat());
    EXPECT_EQ(16, bitmap.GetRowLen());
    EXPECT_EQ(platform.ScanLine(0), bitmap.GetScanline(0));
  }
}

TEST(IEBitmapVclLocation, AttachedPalettedBitmapExposesItsColourTable) {
  vcl::TBitmap platform;
  platform.SetPixelFormat(vcl::pf8bit);
  platform.SetSize(4, 4);
  TIEBitmap bitmap;
  bitmap.AttachVclBitmap(&platform, true);
  ASSERT_EQ(ie8p, bitmap.GetPixelFormat());  // the halftone table is no grey ramp
  EXPECT_EQ(256, bitmap.GetPaletteLen());
  bitmap.SetPaletteColor(3, MakeRGB(10, 20, 30));
  bitmap.SyncFromVclBitmap();
  EXPECT_EQ(10, bitmap.GetPaletteColor(3).r);
  EXPECT_EQ(30, bitmap.GetPaletteColor(3).b);
}

TEST(IEBitmapVclLocation, CanvasDrawingAndRowsShareMemory) {
  auto bitmap = MakeIn(ieTBitmap, 8, 8, ie24RGB);
  bitmap->Fill(0);
  vcl::TCanvas* canvas = bitmap->GetCanvas();
  canvas->Brush()->SetColor(vcl::TColor(0x0000FF));  // red
  canvas->FillRect(vcl::Rect(0, 0, 8, 1));
  GdiFlush();
  TRGB pixel = bitmap->GetPixel24(5, 0);
  EXPECT_EQ(255, pixel.r);
  EXPECT_EQ(0, pixel.b);
}

TEST(IEBitmapVclLocation, ReversedRowsFlipTheCanvas) {
  std::vector<uint8_t> memory(4 * 4 * 3, 0);
  auto bitmap = EmptyIn(ieTBitmap);
  bitmap->AttachMemory(memory.data(), 4, 4, ie24RGB, true, true);
  // Moving to the platform bitmap keeps the row numbering; the canvas follows it.
  vcl::TCanvas* canvas = bitmap->GetCanvas();
  canvas->Brush()->SetColor(vcl::TColor(0xFFFFFF));
  canvas->FillRect(vcl::Rect(0, 0, 4, 1));
  GdiFlush();
  EXPECT_EQ(255, bitmap->GetPixel24(0, 0).g);
  EXPECT_EQ(0, bitmap->GetPixel24(0, 3).g);
}

// ---- rows of the temporary file ----

TEST(IEBitmapFileRows, WritesReachTheFileAndReadBack) {
  auto bitmap = MakeIn(ieFile, 50, 40, ie24RGB);
  ASSERT_EQ(ieFile, bitmap->Location());
  FillPattern(*bitmap);
  EXPECT_TRUE(HasPattern(*bitmap));
}

TEST(IEBitmapFileRows, LockedRowsStayValidTogether) {
  auto bitmap = MakeIn(ieFile, 10, 10, ie8g);
  std::vector<uint8_t*> rows;
  for (int32_t y = 0; y < 10; ++y) rows.push_back(static_cast<uint8_t*>(bitmap->LockScanline(y)));
  for (int32_t y = 0; y < 10; ++y) std::memset(rows[y], y * 10, 10);
  for (int32_t y = 0; y < 10; ++y) bitmap->UnlockScanline(y);
  for (int32_t y = 0; y < 10; ++y) EXPECT_EQ(y * 10, static_cast<uint8_t*>(bitmap->GetScanline(y))[9]);
  bitmap->UnlockScanline(3);  // not locked: ignored
}

TEST(IEBitmapFileRows, LockedRowAndScanlineShareOneView) {
  auto bitmap = MakeIn(ieFile, 10, 10, ie8g);
  bitmap->Fill(0);
  auto* locked = static_cast<uint8_t*>(bitmap->LockScanline(4));
  auto* current = static_cast<uint8_t*>(bitmap->GetScanline(4));
  EXPECT_EQ(locked, current);
  current[0] = 1;
  locked[1] = 2;
  bitmap->UnlockScanline(4);
  bitmap->GetScanline(5);
  auto* row = static_cast<uint8_t*>(bitmap->GetScanline(4));
  EXPECT_EQ(1, row[0]);
  EXPECT_EQ(2, row[1]);  // neither write undid the other
}

TEST(IEBitmapFileRows, ReadOnlyAccessDoesNotWriteBack) {
  auto bitmap = MakeIn(ieFile, 4, 4, ie8g);
  bitmap->Fill(9);
  bitmap->SetAccess(ieaRead);
  static_cast<uint8_t*>(bitmap->GetScanline(0))[0] = 100;
  bitmap->GetScanline(1);
  bitmap->SetAccess(3);
  EXPECT_EQ(9, static_cast<uint8_t*>(bitmap->GetScanline(0))[0]);
}

TEST(IEBitmapFileRows, TheTemporaryFileGoesWithTheImage) {
  auto bitmap = MakeIn(ieFile, 16, 16, ie8g);
  std::string name = bitmap->FileBuffer()->FileName();
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(name.c_str()));
  EXPECT_NE(std::string::npos, name.find("IMG-"));
  bitmap->FreeImage(true);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(name.c_str()));
}

// ---- locations ----

TEST(IEBitmapLocations, SetLocationMovesThePixelsBetweenEveryPair) {
  for (TIELocation from : kIeBitmapLocations) {
    for (TIELocation to : kIeBitmapLocations) {
      auto bitmap = MakeIn(from, 13, 7, ie24RGB);
      FillPattern(*bitmap);
      bitmap->SetMemoryThreshold(to == ieFile ? 0 : std::numeric_limits<int64_t>::max());
      bitmap->SetLocation(to);
      EXPECT_EQ(to, bitmap->Location()) << LocationName(from) << " -> " << LocationName(to);
      EXPECT_EQ(13, bitmap->GetWidth());
      EXPECT_TRUE(HasPattern(*bitmap)) << LocationName(from) << " -> " << LocationName(to);
    }
  }
}

TEST(IEBitmapLocations, PaletteAndAlphaMoveAlong) {
  auto bitmap = MakeIn(ieMemory, 4, 4, ie8p);
  bitmap->SetPaletteColor(7, MakeRGB(1, 2, 3));
  bitmap->SetAlphaAt(1, 1, 40);
  bitmap->SetMemoryThreshold(0);
  bitmap->SetLocation(ieFile);
  EXPECT_EQ(3, bitmap->GetPaletteColor(7).b);
  EXPECT_EQ(40, bitmap->GetAlphaAt(1, 1));
}

TEST(IEBitmapLocations, AnImageThePlatformBitmapCannotHoldStaysWhereItWas) {
  auto bitmap = MakeIn(ieMemory, 4, 4, ie32f);
  bitmap->Fill(0.25);
  bitmap->SetLocation(ieTBitmap);
  EXPECT_EQ(ieMemory, bitmap->Location());
  EXPECT_FLOAT_EQ(0.25f, bitmap->GetPixelFloat(3, 3));
  try {
    bitmap->GetVclBitmap();
    FAIL() << "no error";
  } catch (const vcl::EInvalidGraphicOperation& e) {
    EXPECT_EQ("ie32f pixel format not allowed when Location=ieTBitmap Please set TImageView.LegacyBitmap=false.",
              e.Message());
  }
}

TEST(IEBitmapLocations, Grey16MovedToThePlatformBitmapIsConverted) {
  auto bitmap = MakeIn(ieMemory, 2, 1, ie16g);
  bitmap->SetPixel16(0, 0, 0x1234);
  bitmap->SetPixel16(1, 0, 0xFF00);
  bitmap->SetLocation(ieTBitmap);
  EXPECT_EQ(ie8g, bitmap->GetPixelFormat());
  EXPECT_EQ(0x12, bitmap->GetPixel8(0, 0));
  EXPECT_EQ(0xFF, bitmap->GetPixel8(1, 0));
}

TEST(IEBitmapLocations, MoveContentToHandsOverEverything) {
  auto source = MakeIn(ieFile, 6, 5, ie8p);
  FillPattern(*source);
  source->SetPaletteColor(2, MakeRGB(9, 8, 7));
  source->SetAlphaAt(0, 0, 5);
  TIEBitmap destination(3, 3, ie24RGB);
  source->MoveContentTo(&destination);
  EXPECT_TRUE(source->IsEmpty());
  EXPECT_EQ(ieNull, source->GetPixelFormat());
  EXPECT_FALSE(source->HasAlphaChannel());
  EXPECT_EQ(nullptr, source->GetPalette());
  EXPECT_EQ(ieFile, destination.Location());
  EXPECT_EQ(ie8p, destination.GetPixelFormat());
  EXPECT_TRUE(HasPattern(destination));
  EXPECT_EQ(9, destination.GetPaletteColor(2).r);
  EXPECT_EQ(5, destination.GetAlphaAt(0, 0));
  // The source can hold a new image at once.
  EXPECT_TRUE(source->Allocate(2, 2, ie8g));
}

TEST(IEBitmapLocations, AttachedMemoryWithReversedRowsStartsWithRowZero) {
  std::vector<uint8_t> memory = {1, 2, 3, 0, 4, 5, 6, 0};
  TIEBitmap topDown;
  topDown.AttachMemory(memory.data(), 3, 2, ie8g, true, true);
  EXPECT_EQ(memory.data(), topDown.GetScanline(0));
  EXPECT_EQ(4, topDown.GetPixel8(0, 1));
  TIEBitmap bottomUp;
  bottomUp.AttachMemory(memory.data(), 3, 2, ie8g, true, false);
  EXPECT_EQ(memory.data(), bottomUp.GetScanline(1));
  EXPECT_TRUE(bottomUp.MemoryExternal());
}

TEST(IEBitmapLocations, AttachedPalettedMemoryGetsAPalette) {
  std::vector<uint8_t> memory(8);
  TIEBitmap bitmap;
  bitmap.AttachMemory(memory.data(), 2, 2, ie8p, true, false);
  EXPECT_EQ(256, bitmap.GetPaletteLen());
  EXPECT_NE(nullptr, bitmap.GetPalette());
}

// ---- palette ----

TEST(IEBitmapPalette, IndexesOutsideThePaletteAreIgnored) {
  TIEBitmap bitmap(2, 2, ie8p);
  bitmap.SetPaletteColor(0, MakeRGB(1, 1, 1));
  bitmap.SetPaletteColor(-1, MakeRGB(9, 9, 9));
  bitmap.SetPaletteColor(256, MakeRGB(9, 9, 9));
  EXPECT_EQ(0, bitmap.GetPaletteColor(256).r);
  EXPECT_EQ(0, bitmap.GetPaletteColor(-5).r);
  EXPECT_EQ(1, bitmap.GetPaletteColor(0).r);
}

TEST(IEBitmapPalette, CopyPaletteToGivesTheEntriesAndColourCount) {
  TIEBitmap source(2, 2, ie8p);
  source.SetPaletteColor(255, MakeRGB(4, 5, 6));
  source.SetPaletteUsed(16);
  TIEBitmap target(2, 2, ie8p);
  source.CopyPaletteTo(&target);
  EXPECT_EQ(6, target.GetPaletteColor(255).b);
  EXPECT_EQ(16, target.PaletteUsed());
  TIEBitmap none(2, 2, ie24RGB);
  none.CopyPaletteTo(&target);  // a source without entries takes the target's palette away
  EXPECT_EQ(0, target.GetPaletteLen());
  EXPECT_EQ(256, target.PaletteUsed());
}

// ---- alpha channel ----

TEST(IEBitmapAlpha, FirstRequestCreatesAnOpaqueChannelOfTheSameSize) {
  for (TIELocation location : kIeBitmapLocations) {
    auto bitmap = MakeIn(location, 9, 4, ie24RGB);
    EXPECT_FALSE(bitmap->HasAlphaChannel());
    TIEBitmap* alpha = bitmap->GetAlphaChannel();
    ASSERT_NE(nullptr, alpha);
    EXPECT_TRUE(alpha->IsAlphaChannel());
    EXPECT_TRUE(alpha->Full());
    EXPECT_EQ(ie8g, alpha->GetPixelFormat());
    EXPECT_EQ(9, alpha->GetWidth());
    EXPECT_EQ(4, alpha->GetHeight());
    EXPECT_NE(ieTBitmap, alpha->Location());
    EXPECT_EQ(255, alpha->GetPixel8(8, 3));
    EXPECT_EQ(nullptr, alpha->GetAlphaChannel());  // an alpha channel has none of its own
  }
}

TEST(IEBitmapAlpha, MergeBlendsOverTheBackground) {
  struct Case {
    uint8_t alpha;
    TRGB expected;
  } cases[] = {
      {128, MakeRGB(132, 137, 142)},
      {255, MakeRGB(10, 20, 30)},  // opaque pixels keep their colour exactly
      {0, MakeRGB(255, 255, 255)},
  };
  for (TIEPixelFormat format : {ie24RGB, ie32RGB}) {
    for (const Case& c : cases) {
      TIEBitmap bitmap(1, 1, format);
      TRGB pixel = MakeRGB(10, 20, 30);
      std::memcpy(bitmap.GetScanline(0), &pixel, 3);
      bitmap.SetAlphaAt(0, 0, c.alpha);
      bitmap.RemoveAlphaChannel(true, vcl::clWhite);
      EXPECT_FALSE(bitmap.HasAlphaChannel());
      EXPECT_EQ(Packed(c.expected), Packed(bitmap.GetPixelRGB(0, 0))) << int(c.alpha);
    }
  }
}

TEST(IEBitmapAlpha, RemoveWithoutMergeKeepsThePixels) {
  TIEBitmap bitmap(1, 1, ie24RGB);
  bitmap.SetPixel24(0, 0, MakeRGB(10, 20, 30));
  bitmap.SetAlphaAt(0, 0, 0);
  bitmap.RemoveAlphaChannel(false, vcl::clBlack);
  EXPECT_EQ(10, bitmap.GetPixel24(0, 0).r);
}

TEST(IEBitmapAlpha, AttachAlphaChannelMarksIt) {
  TIEBitmap bitmap(2, 2, ie24RGB);
  auto alpha = std::make_unique<TIEBitmap>(2, 2, ie8g);
  alpha->Fill(7);
  bitmap.AttachAlphaChannel(std::move(alpha));
  EXPECT_TRUE(bitmap.HasAlphaChannel());
  EXPECT_TRUE(bitmap.GetAlphaChannel()->IsAlphaChannel());
  EXPECT_EQ(7, bitmap.GetAlphaAt(1, 1));
}

TEST(IEBitmapVclLocation, AttachingDropsThePaletteOfThePreviousImage) {
  TIEBitmap bitmap(2, 2, ie8p);
  vcl::TBitmap platform;
  platform.SetPixelFormat(vcl::pf24bit);
  platform.SetSize(2, 2);
  bitmap.AttachVclBitmap(&platform, false);
  EXPECT_EQ(ie24RGB, bitmap.GetPixelFormat());
  EXPECT_EQ(0, bitmap.GetPaletteLen());
  EXPECT_EQ(ieTBitmap, bitmap.Location());
}

// A large bitmap's memory may serve the next bitmap of its size and kind: that one starts
// zero-filled, as fresh memory does, whatever the first one held.
TEST(IEBitmapStorage, ABitmapAfterALargeOneOfItsSizeStartsZeroFilled) {
  constexpr int32_t kWidth = 2048, kHeight = 1536;  // 9 MB
  MemoryThresholdScope inMemory(std::numeric_limits<int64_t>::max());
  for (const uint8_t kind : {uint8_t{0}, uint8_t{2}}) {  // the heap, the heap or global memory
    SCOPED_TRACE(int(kind));
    {
      TIEBitmap first;
      first.SetLocation(ieMemory);
      first.SetAllocatorKind(kind);
      first.Allocate(kWidth, kHeight, ie24RGB);
      for (int32_t y = 0; y < kHeight; ++y) std::memset(first.GetScanline(y), 0xAB, first.GetRowLen());
    }
    TIEBitmap second;
    second.SetLocation(ieMemory);
    second.SetAllocatorKind(kind);
    second.Allocate(kWidth, kHeight, ie24RGB);
    ASSERT_EQ(ieMemory, second.Location());
    const std::vector<uint8_t> zero(second.GetRowLen(), 0);
    for (const int32_t y : {0, kHeight / 2, kHeight - 1})
      EXPECT_EQ(0, std::memcmp(second.GetScanline(y), zero.data(), zero.size())) << y;
  }
}

// A decoder's bitmap may take a kept block as it stands, since every pixel is written next;
// the bytes after each row's pixels are never written by it and must still start at 0.
TEST(IEBitmapStorage, AllocatingToOverwriteClearsTheBytesAfterEachRowsPixels) {
  constexpr int32_t kHeight = 1536;
  MemoryThresholdScope inMemory(std::numeric_limits<int64_t>::max());
  struct Case {
    int32_t width;
    TIEPixelFormat format;
    int32_t pixelBytes;
  };
  // For 1 bit the byte that holds the last pixel with 7 bits past the width is cleared too.
  const Case cases[] = {{3413, ie24RGB, 3413 * 3}, {9001, ie8p, 9001}, {72001, ie1g, 9000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    {
      TIEBitmap first;
      first.SetLocation(ieMemory);
      first.Allocate(c.width, kHeight, c.format);
      ASSERT_GT(first.GetRowLen(), c.pixelBytes);
      for (int32_t y = 0; y < kHeight; ++y) std::memset(first.GetScanline(y), 0xAB, first.GetRowLen());
    }
    TIEBitmap second;
    second.SetLocation(ieMemory);
    ASSERT_TRUE(second.AllocateToOverwrite(c.width, kHeight, c.format));
    ASSERT_EQ(ieMemory, second.Location());
    const std::vector<uint8_t> zero(second.GetRowLen() - c.pixelBytes, 0);
    for (const int32_t y : {0, kHeight / 2, kHeight - 1}) {
      const auto* row = static_cast<const uint8_t*>(second.GetScanline(y));
      EXPECT_EQ(0, std::memcmp(row + c.pixelBytes, zero.data(), zero.size())) << y;
    }
  }
}
