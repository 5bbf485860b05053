// The virtual image list: block layout, the cache of mapped blocks, borrowing bitmaps with and
// without writing back, reuse of freed space in either order, growth and shrinking of the
// store, and images inserted and deleted while others are borrowed.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/model/virtual_image_list.h"
#include "tests/support/ie_bitmap_checks.h"

using namespace imaging;
using namespace ie_bitmap_test;

namespace {

std::unique_ptr<TIEBitmap> VirtualPatterned(int32_t width, int32_t height, TIEPixelFormat format, bool withAlpha = false,
                                     TIELocation location = ieMemory) {
  auto bitmap = MakeIn(location, width, height, format);
  FillPattern(*bitmap);
  if (withAlpha) {
    TIEBitmap* alpha = bitmap->GetAlphaChannel();
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) alpha->SetPixel8(x, y, uint8_t(x * 3 + y));
    alpha->SetFull(false);
  }
  return bitmap;
}

bool SamePixels(TIEBitmap& a, TIEBitmap& b) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.GetPixelFormat() != b.GetPixelFormat())
    return false;
  const int32_t bytes = int32_t((int64_t(a.GetWidth()) * a.GetBitCount() + 7) / 8);
  for (int32_t y = 0; y < a.GetHeight(); ++y)
    if (RowBytes(a, y, bytes) != RowBytes(b, y, bytes)) return false;
  return true;
}

}  // namespace

TEST(VirtualImageList, BlocksHoldRowsPaletteAndAlpha) {
  struct Case {
    int32_t width, height;
    TIEPixelFormat format;
    bool alpha;
    int64_t size;
  } cases[] = {
      {100, 100, ie24RGB, false, 30000},
      {100, 100, ie24RGB, true, 30000 + 1 + 10000},
      {10, 4, ie8p, false, 4 * 12 + 768},
      {10, 4, ie1g, true, 4 * 4 + 1 + 4 * 12},
  };
  for (bool useFile : {true, false}) {
    TIEVirtualImageList list("ILIST", useFile);
    for (const Case& c : cases) {
      auto bitmap = VirtualPatterned(c.width, c.height, c.format, c.alpha);
      TIEVirtualImage* image = list.AddImage(bitmap.get());
      ASSERT_NE(image, nullptr);
      EXPECT_EQ(image->size, c.size) << c.format;
      EXPECT_EQ(image->width, c.width);
      EXPECT_EQ(image->origHeight, c.height);
      EXPECT_EQ(image->pixelFormat, c.format);
      EXPECT_EQ(image->hasAlpha, c.alpha);
      // The stored rows start with the bottom row.
      const int32_t rowBytes = int32_t((int64_t(c.width) * bitmap->GetBitCount() + 7) / 8);
      auto bottom = RowBytes(*bitmap, c.height - 1, rowBytes);
      const auto* bits = static_cast<const uint8_t*>(list.GetImageBits(image));
      ASSERT_NE(bits, nullptr);
      EXPECT_EQ(std::vector<uint8_t>(bits, bits + rowBytes), bottom) << c.format;

      TIEBitmap* copy = list.AcquireBitmap(image);
      ASSERT_NE(copy, nullptr);
      EXPECT_TRUE(SamePixels(*copy, *bitmap)) << c.format << " file " << useFile;
      EXPECT_EQ(copy->HasAlphaChannel(), c.alpha);
      if (c.alpha) {
        EXPECT_TRUE(SamePixels(*copy->GetAlphaChannel(), *bitmap->GetAlphaChannel()));
      }
      list.ReleaseBitmap(copy, false);
    }
    EXPECT_EQ(list.ImageCount(), 4);
  }
}

TEST(VirtualImageList, PaletteFollowsTheRows) {
  TIEVirtualImageList list("ILIST", true);
  auto bitmap = VirtualPatterned(10, 4, ie8p);
  bitmap->SetPaletteColor(0, MakeRGB(1, 2, 3));
  bitmap->SetPaletteColor(255, MakeRGB(9, 8, 7));
  TIEVirtualImage* image = list.AddImage(bitmap.get());
  const auto* palette = static_cast<const TRGB*>(list.GetImagePalette(image));
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(palette), static_cast<const uint8_t*>(list.GetImageBits(image)) + 48);
  EXPECT_EQ(Packed(palette[0]), 0x010203u);
  EXPECT_EQ(Packed(palette[255]), 0x090807u);
  TIEBitmap* copy = list.AcquireBitmap(image);
  EXPECT_EQ(Packed(copy->GetPaletteColor(255)), 0x090807u);
  list.ReleaseBitmap(copy, false);
  // A grey image has no palette to point at.
  auto grey = VirtualPatterned(4, 4, ie8g);
  EXPECT_EQ(list.GetImagePalette(list.AddImage(grey.get())), nullptr);
}

TEST(VirtualImageList, AlphaPointerOnlyForAlphaThatIsNotOpaque) {
  TIEVirtualImageList list("ILIST", true);
  auto opaque = VirtualPatterned(5, 5, ie24RGB);
  opaque->GetAlphaChannel()->Fill(255);
  opaque->GetAlphaChannel()->SetFull(true);
  auto translucent = VirtualPatterned(5, 5, ie24RGB, true);
  auto none = VirtualPatterned(5, 5, ie24RGB);
  TIEVirtualImage* a = list.AddImage(opaque.get());
  TIEVirtualImage* b = list.AddImage(translucent.get());
  TIEVirtualImage* c = list.AddImage(none.get());
  EXPECT_EQ(list.GetImageAlpha(a), nullptr);
  EXPECT_EQ(list.GetImageAlpha(c), nullptr);
  const auto* alpha = static_cast<const uint8_t*>(list.GetImageAlpha(b));
  ASSERT_NE(alpha, nullptr);
  EXPECT_EQ(alpha[1], translucent->GetAlphaAt(1, 4));  // the bottom row first
  // Borrowed, the opaque image's bitmap has no alpha channel.
  TIEBitmap* copy = list.AcquireBitmap(a);
  EXPECT_FALSE(copy->HasAlphaChannel());
  list.ReleaseBitmap(copy, false);
}

TEST(VirtualImageList, OnlyTheCacheSizePlusOneBlocksStayMapped) {
  TIEVirtualImageList list("ICACHE", true);
  std::vector<TIEVirtualImage*> images;
  auto bitmap = VirtualPatterned(8, 8, ie24RGB);
  for (int i = 0; i < 12; ++i) images.push_back(list.AddImage(bitmap.get()));
  for (TIEVirtualImage* image : images) list.GetImageBits(image);
  EXPECT_EQ(list.MappedCount(), 11);
  EXPECT_EQ(images[0]->address, nullptr);
  ASSERT_NE(images[11]->address, nullptr);
  // The first again: mapped anew for reading, the least recently used one goes.
  EXPECT_NE(list.GetImageBits(images[0]), nullptr);
  EXPECT_EQ(images[0]->access, 1);
  EXPECT_EQ(images[1]->address, nullptr);
  EXPECT_EQ(list.MappedCount(), 11);
}

TEST(VirtualImageList, BorrowingTwiceSharesOneBitmap) {
  TIEVirtualImageList list("ILIST", true);
  auto bitmap = VirtualPatterned(6, 3, ie8g);
  TIEVirtualImage* image = list.AddImage(bitmap.get());
  TIEBitmap* first = list.AcquireBitmap(image);
  TIEBitmap* second = list.AcquireBitmap(image);
  EXPECT_EQ(first, second);
  EXPECT_TRUE(image->locked);
  EXPECT_EQ(list.FindLockedIndex(image), 0);
  list.ReleaseBitmap(first, false);
  EXPECT_EQ(list.FindLockedIndex(image), 0);
  list.ReleaseImage(image, false);
  EXPECT_EQ(list.FindLockedIndex(image), -1);
  EXPECT_FALSE(image->locked);
  // A bitmap the list did not lend is ignored.
  list.ReleaseBitmap(bitmap.get(), true);
  list.ReleaseBitmap(nullptr, true);
}

TEST(VirtualImageList, WritingBackAChangedBitmapStoresIt) {
  struct Case {
    const char* change;
    TIEPixelFormat from;
    int32_t width, height;
    TIEPixelFormat format;
  } cases[] = {
      {"same geometry", ie8g, 6, 4, ie8g},
      {"resized", ie8g, 9, 7, ie8g},
      {"grey to palette at the same depth", ie8g, 6, 4, ie8p},
      {"colour to Lab at the same depth", ie24RGB, 6, 4, ieCIELab},
  };
  for (const Case& c : cases) {
    TIEVirtualImageList list("ILIST", true);
    auto original = VirtualPatterned(6, 4, c.from);
    TIEVirtualImage* image = list.AddImage(original.get());
    TIEVirtualImage* neighbour = list.AddImage(original.get());
    TIEBitmap* copy = list.AcquireBitmap(image);
    copy->Allocate(c.width, c.height, c.format);
    FillPattern(*copy);
    if (c.format == ie8p) copy->SetPaletteColor(7, MakeRGB(70, 71, 72));
    auto expected = VirtualPatterned(c.width, c.height, c.format);
    list.ReleaseBitmap(copy, true);
    EXPECT_EQ(list.GetImageWidth(image), c.width) << c.change;
    EXPECT_EQ(list.GetImageHeight(image), c.height) << c.change;
    EXPECT_EQ(list.GetImagePixelFormat(image), c.format) << c.change;
    EXPECT_EQ(image->size, TIEVirtualImageList::BlockSize(c.width, c.height, IEBitsPerPixel(c.format), c.format, false));
    TIEBitmap* again = list.AcquireBitmap(image);
    EXPECT_TRUE(SamePixels(*again, *expected)) << c.change;
    if (c.format == ie8p) {
      EXPECT_EQ(Packed(again->GetPaletteColor(7)), 0x464748u);
    }
    list.ReleaseBitmap(again, false);
    // The neighbour's block is untouched.
    TIEBitmap* other = list.AcquireBitmap(neighbour);
    EXPECT_TRUE(SamePixels(*other, *original)) << c.change;
    list.ReleaseBitmap(other, false);
  }
}

TEST(VirtualImageList, WithoutWriteBackChangesAreDropped) {
  TIEVirtualImageList list("ILIST", true);
  auto original = VirtualPatterned(5, 5, ie24RGB);
  TIEVirtualImage* image = list.AddImage(original.get());
  TIEBitmap* copy = list.AcquireBitmap(image);
  copy->Fill(0);
  list.ReleaseBitmap(copy, false);
  TIEBitmap* again = list.AcquireBitmap(image);
  EXPECT_TRUE(SamePixels(*again, *original));
  list.ReleaseBitmap(again, false);
}

TEST(VirtualImageList, NeighboursFreedInEitherOrderAreReusedTogether) {
  for (bool reverse : {false, true}) {
    TIEVirtualImageList list("ILIST", true);
    auto small = VirtualPatterned(100, 100, ie24RGB);  // 30000 bytes
    TIEVirtualImage* first = list.AddImage(small.get());
    TIEVirtualImage* second = list.AddImage(small.get());
    TIEVirtualImage* third = list.AddImage(small.get());
    const int64_t position = first->position, end = list.End(), fileSize = list.FileSize();
    list.DeleteImage(reverse ? second : first);
    list.DeleteImage(reverse ? first : second);
    EXPECT_EQ(list.FreeBlockCount(), 2);
    auto combined = VirtualPatterned(200, 100, ie24RGB);  // 60000 bytes
    TIEVirtualImage* image = list.AddImage(combined.get());
    EXPECT_EQ(image->position, position) << "reverse " << reverse;
    EXPECT_EQ(list.End(), end);
    EXPECT_EQ(list.FileSize(), fileSize);
    EXPECT_EQ(list.FreeBlockCount(), 0);
    TIEBitmap* kept = list.AcquireBitmap(third);
    EXPECT_TRUE(SamePixels(*kept, *small));
    list.ReleaseBitmap(kept, false);
  }
}

TEST(VirtualImageList, TheStoreGrowsInStepsAndShrinksWhenEmptied) {
  TIEVirtualImageList list("ILIST", true);
  EXPECT_EQ(list.FileSize(), 262144);
  EXPECT_NE(list.FileBuffer()->FileName().find("ILIST-"), std::string::npos);
  auto small = VirtualPatterned(100, 100, ie24RGB);
  std::vector<TIEVirtualImage*> images;
  for (int i = 0; i < 9; ++i) images.push_back(list.AddImage(small.get()));
  EXPECT_EQ(list.End(), 270000);
  EXPECT_EQ(list.FileSize(), 524288);
  // A block larger than the step widens it: the previous block's size plus its own.
  auto large = VirtualPatterned(400, 300, ie24RGB);  // 360000 bytes
  images.push_back(list.AddImage(large.get()));
  EXPECT_EQ(list.GrowthStep(), 30000 + 360000);
  EXPECT_EQ(list.FileSize(), 524288 + 390000);
  for (TIEVirtualImage* image : images) list.DeleteImage(image);
  EXPECT_EQ(list.ImageCount(), 0);
  EXPECT_EQ(list.FileSize(), 390000);
  EXPECT_EQ(list.End(), 0);
  EXPECT_EQ(list.FreeBlockCount(), 0);
}

TEST(VirtualImageList, InsertingAndDeletingWhileBorrowed) {
  TIEVirtualImageList list("ILIST", true);
  auto original = VirtualPatterned(50, 40, ie24RGB, true);
  TIEVirtualImage* borrowedImage = list.AddImage(original.get());
  TIEBitmap* borrowed = list.AcquireBitmap(borrowedImage);
  // Others come and go, the store grows and blocks are reused, the cache turns over.
  auto filler = VirtualPatterned(200, 200, ie24RGB);
  std::vector<TIEVirtualImage*> others;
  for (int i = 0; i < 15; ++i) others.push_back(list.AddImage(filler.get()));
  for (int i = 0; i < 15; i += 2) list.DeleteImage(others[i]);
  for (int i = 0; i < 5; ++i) list.AddImage(filler.get());
  EXPECT_TRUE(SamePixels(*borrowed, *original));
  EXPECT_EQ(list.GetImageWidth(borrowedImage), 50);

  // Deleting the borrowed image itself leaves the bitmap with its borrower until released.
  list.DeleteImage(borrowedImage);
  EXPECT_TRUE(SamePixels(*borrowed, *original));
  EXPECT_EQ(list.FindLockedIndex(borrowedImage), -1);
  list.ReleaseBitmap(borrowed, true);

  // Handles the list does not know are ignored.
  TIEVirtualImage stranger;
  EXPECT_EQ(list.AcquireBitmap(&stranger), nullptr);
  EXPECT_EQ(list.GetImageBits(&stranger), nullptr);
  EXPECT_EQ(list.GetImageWidth(nullptr), 0);
  list.DeleteImage(&stranger);
  list.DeleteImage(nullptr);
  EXPECT_EQ(list.AddImage(nullptr), nullptr);
  TIEBitmap empty;
  EXPECT_EQ(list.AddImage(&empty), nullptr);
}

TEST(VirtualImageList, ImagesFromATemporaryFileBitmap) {
  TIEVirtualImageList list("ICACHE", false);
  auto inFile = VirtualPatterned(30, 20, ie24RGB, true, ieFile);
  ASSERT_EQ(inFile->Location(), ieFile);
  TIEVirtualImage* image = list.AddImage(inFile.get());
  TIEBitmap* copy = list.AcquireBitmap(image);
  EXPECT_EQ(copy->Location(), ieMemory);
  EXPECT_TRUE(SamePixels(*copy, *inFile));
  // While borrowed, the direct pointers point into the bitmap.
  EXPECT_EQ(list.GetImageBits(image), copy->GetScanline(19));
  EXPECT_EQ(list.GetImageAlpha(image), copy->GetAlphaChannel()->GetScanline(19));
  list.ReleaseBitmap(copy, false);
}
