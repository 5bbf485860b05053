// Where the library bitmap's pixels go when a large allocation fails: from one memory block to
// several smaller ones, from memory to the temporary file, from an unusable temporary file to
// memory, and to an empty bitmap when nothing can be had. Each path is forced through the
// bitmap's block allocator and the temporary folder, and the image is then used as usual.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "imaging/base/startup.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/temp_block_store.h"
#include "tests/support/ie_bitmap_checks.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace ie_bitmap_test;

namespace {

// Requests of at least this many bytes fail; smaller ones get memory as usual.
int64_t failFrom = std::numeric_limits<int64_t>::max();
// Every request the bitmap made, by size.
std::vector<int64_t> requests;

void* LimitedAllocator(uint8_t kind, int64_t size) {
  requests.push_back(size);
  return size >= failFrom ? nullptr : IEDefaultBlockAllocator(kind, size);
}

class BitmapFallback : public ::testing::Test {
 protected:
  void SetUp() override {
    failFrom = std::numeric_limits<int64_t>::max();
    requests.clear();
    IEBitmapBlockAllocator = LimitedAllocator;
  }
  void TearDown() override {
    IEBitmapBlockAllocator = IEDefaultBlockAllocator;
    BitmapFileFallback = true;
    BitmapBlockRetry = true;
    DefaultTempDirectory = savedTempDirectory_;
  }

  // A bitmap that asks for memory (or for the file) whatever its size.
  static std::unique_ptr<TIEBitmap> Asking(TIELocation location) {
    auto bitmap = std::make_unique<TIEBitmap>();
    bitmap->SetMemoryThreshold(location == ieFile ? 0 : std::numeric_limits<int64_t>::max());
    bitmap->SetLocation(ieMemory);
    return bitmap;
  }

  // A folder that does not exist: no temporary file can be made there.
  static void MakeTemporaryFolderUnusable() { DefaultTempDirectory = "C:\\no such folder\\mergeon\\"; }

 private:
  std::string savedTempDirectory_ = DefaultTempDirectory;
};

constexpr int32_t kIeBitmapFallbackWidth = 301, kHeight = 203;  // rows of 903 bytes, padded to 904

TRGB PixelAt(int32_t x, int32_t y) { return MakeRGB(uint8_t(x * 7 + y), uint8_t(y * 3), uint8_t(x ^ y)); }

// Writes a pattern into every pixel and reads it back, copies the image out and in again,
// converts a copy and fills it: what any caller does with a freshly allocated image.
void ExpectAWorkingImage(TIEBitmap& bitmap, const std::string& what) {
  ASSERT_EQ(kIeBitmapFallbackWidth, bitmap.GetWidth()) << what;
  ASSERT_EQ(kHeight, bitmap.GetHeight()) << what;
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kIeBitmapFallbackWidth; ++x) bitmap.SetPixel24(x, y, PixelAt(x, y));
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kIeBitmapFallbackWidth; ++x)
      ASSERT_EQ(Packed(PixelAt(x, y)), Packed(bitmap.GetPixel24(x, y))) << what << " at " << x << "," << y;

  // Rows in memory never share bytes, wherever a block ends (a row of the temporary file is a
  // view of its own, valid until the next row is asked for).
  for (int32_t y = 0; y + 1 < kHeight && bitmap.Location() == ieMemory; ++y) {
    const auto* row = static_cast<const uint8_t*>(bitmap.GetScanline(y));
    const auto* next = static_cast<const uint8_t*>(bitmap.GetScanline(y + 1));
    ASSERT_TRUE(row + bitmap.GetRowLen() <= next || next + bitmap.GetRowLen() <= row) << what << " row " << y;
  }

  TIEBitmap copy;
  copy.SetLocation(ieMemory);
  copy.Assign(&bitmap);
  EXPECT_EQ(Packed(PixelAt(300, 202)), Packed(copy.GetPixel24(300, 202))) << what;
  bitmap.SetAlphaAt(5, 200, 7);
  EXPECT_EQ(7, bitmap.GetAlphaAt(5, 200)) << what;

  vcl::TMemoryStream raw;
  bitmap.SaveRawToStream(&raw);
  raw.SetPosition(0);
  TIEBitmap back;
  ASSERT_TRUE(back.LoadRawFromStream(&raw)) << what;
  EXPECT_EQ(Packed(PixelAt(150, 101)), Packed(back.GetPixel24(150, 101))) << what;

  bitmap.Fill(0x102030);
  EXPECT_EQ(0x302010u, Packed(bitmap.GetPixel24(300, 0))) << what;
  EXPECT_EQ(0x302010u, Packed(bitmap.GetPixel24(0, 202))) << what;
  copy.CopyRectTo(&bitmap, 10, 150, 10, 150, 50, 53);
  EXPECT_EQ(Packed(PixelAt(59, 202)), Packed(bitmap.GetPixel24(59, 202))) << what;
  bitmap.SetPixelFormat(ie8g);
  EXPECT_EQ(ie8g, bitmap.GetPixelFormat()) << what;
  const uint8_t grey = GrayLevel(PixelAt(20, 160).r, PixelAt(20, 160).g, PixelAt(20, 160).b);
  EXPECT_EQ(grey, bitmap.GetPixel8(20, 160)) << what;
  bitmap.Resize(kIeBitmapFallbackWidth + 9, kHeight + 7, 77, 255, 0, 0);
  EXPECT_EQ(grey, bitmap.GetPixel8(20, 160)) << what;
  EXPECT_EQ(77, bitmap.GetPixel8(kIeBitmapFallbackWidth + 8, kHeight + 6)) << what;
  EXPECT_EQ(7, bitmap.GetAlphaAt(5, 200)) << what;
  EXPECT_EQ(255, bitmap.GetAlphaAt(kIeBitmapFallbackWidth + 8, kHeight + 6)) << what;
}

}  // namespace

TEST_F(BitmapFallback, OneBlockWhenMemoryAllows) {
  auto bitmap = Asking(ieMemory);
  ASSERT_TRUE(bitmap->Allocate(kIeBitmapFallbackWidth, kHeight, ie24RGB));
  EXPECT_EQ(ieMemory, bitmap->Location());
  EXPECT_EQ(0, bitmap->BlockCount());
  ASSERT_FALSE(requests.empty());
  EXPECT_GE(requests.front(), int64_t(904) * kHeight);
  ExpectAWorkingImage(*bitmap, "one block");
}

TEST_F(BitmapFallback, SeveralBlocksWhenOneLargeBlockFails) {
  failFrom = int64_t(904) * kHeight;  // the whole image in one block fails, a quarter of it does not
  auto bitmap = Asking(ieMemory);
  ASSERT_TRUE(bitmap->Allocate(kIeBitmapFallbackWidth, kHeight, ie24RGB));
  EXPECT_EQ(ieMemory, bitmap->Location());
  EXPECT_EQ(4, bitmap->BlockCount());
  EXPECT_FALSE(bitmap->FileBuffer()->IsAllocated());
  ExpectAWorkingImage(*bitmap, "four blocks");

  // Handed on whole, the blocks go with the image.
  TIEBitmap taker;
  bitmap->SetPixelFormat(ie24RGB);
  bitmap->SetPixel24(300, 202, MakeRGB(1, 2, 3));
  bitmap->MoveContentTo(&taker);
  EXPECT_EQ(4, taker.BlockCount());
  EXPECT_EQ(0x010203u, Packed(taker.GetPixel24(300, 202)));
  EXPECT_TRUE(bitmap->IsEmpty());
}

TEST_F(BitmapFallback, TheTemporaryFileWhenNoMemoryCanBeHad) {
  failFrom = 1024;  // every block of the image fails, the small helpers' blocks do not
  for (bool blockRetry : {true, false}) {
    BitmapBlockRetry = blockRetry;
    requests.clear();
    auto bitmap = Asking(ieMemory);
    ASSERT_TRUE(bitmap->Allocate(kIeBitmapFallbackWidth, kHeight, ie24RGB)) << blockRetry;
    EXPECT_EQ(ieFile, bitmap->Location()) << blockRetry;
    EXPECT_TRUE(bitmap->FileBuffer()->IsAllocated()) << blockRetry;
    EXPECT_EQ(0, bitmap->BlockCount());
    // The one large block, then (with the retry) the first of four smaller ones; blocks too
    // small to be worth another round are not tried.
    EXPECT_EQ(blockRetry ? 2u : 1u, requests.size()) << blockRetry;
    ExpectAWorkingImage(*bitmap, blockRetry ? "file after blocks" : "file at once");
  }
}

TEST_F(BitmapFallback, MemoryWhenTheTemporaryFileCannotBeMade) {
  MakeTemporaryFolderUnusable();
  auto bitmap = Asking(ieFile);
  ASSERT_TRUE(bitmap->Allocate(kIeBitmapFallbackWidth, kHeight, ie24RGB));
  EXPECT_EQ(ieMemory, bitmap->Location());
  EXPECT_FALSE(bitmap->FileBuffer()->IsAllocated());
  ExpectAWorkingImage(*bitmap, "memory instead of the file");
}

TEST_F(BitmapFallback, NothingLeftGivesAnEmptyBitmapThatCanTryAgain) {
  struct Case {
    const char* what;
    bool fileFallback;
    bool unusableFolder;
    TIELocation asked;
  } cases[] = {
      {"memory without the file fallback", false, false, ieMemory},
      {"memory, then no folder for the file", true, true, ieMemory},
      {"file without a folder, then no memory", true, true, ieFile},
  };
  for (const Case& c : cases) {
    SetUp();
    BitmapFileFallback = c.fileFallback;
    if (c.unusableFolder) MakeTemporaryFolderUnusable();
    auto bitmap = Asking(c.asked);
    ASSERT_TRUE(bitmap->Allocate(20, 10, ie24RGB)) << c.what;
    bitmap->SetPixel24(0, 0, MakeRGB(9, 9, 9));
    failFrom = 1024;
    EXPECT_FALSE(bitmap->Allocate(kIeBitmapFallbackWidth, kHeight, ie24RGB)) << c.what;
    EXPECT_TRUE(bitmap->IsEmpty()) << c.what;
    EXPECT_EQ(0, bitmap->GetWidth()) << c.what;
    EXPECT_EQ(0, bitmap->GetRowLen()) << c.what;
    EXPECT_EQ(0, bitmap->BlockCount()) << c.what;
    EXPECT_FALSE(bitmap->FileBuffer()->IsAllocated()) << c.what;

    // With memory back, the same request succeeds: nothing of the failure is left over.
    failFrom = std::numeric_limits<int64_t>::max();
    ASSERT_TRUE(bitmap->Allocate(kIeBitmapFallbackWidth, kHeight, ie24RGB)) << c.what;
    ExpectAWorkingImage(*bitmap, c.what);
    TearDown();
  }
}
