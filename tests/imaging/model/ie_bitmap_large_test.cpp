// A 20000 x 20000 24-bit image (1.2 GB) kept in the temporary file: it can be filled, copied
// and converted while only single rows are held in memory.
#include <gtest/gtest.h>

#include "imaging/base/defs.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/temp_block_store.h"
#include "tests/support/ie_bitmap_checks.h"

#include <fstream>
#include <string>

using namespace imaging;
using namespace ie_bitmap_test;

namespace {

// The process's peak resident memory as the host system reports it; -1 when unknown.
int64_t PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6));
  return -1;
}

}  // namespace

TEST(IEBitmapLarge, TwentyThousandSquareLivesInTheTemporaryFile) {
  const int64_t threshold = 64 * 1048576;
  TIEBitmap image;
  image.SetMemoryThreshold(threshold);
  ASSERT_TRUE(image.Allocate(20000, 20000, ie24RGB));
  ASSERT_EQ(ieFile, image.Location());
  image.Fill(0x204060);  // red 0x60, green 0x40, blue 0x20
  image.SetPixel24(19999, 19999, MakeRGB(255, 255, 255));

  TIEBitmap copy;
  copy.SetMemoryThreshold(threshold);
  copy.Assign(&image);
  ASSERT_EQ(ieFile, copy.Location());
  EXPECT_EQ(0x604020u, Packed(copy.GetPixelRGB(0, 0)));
  EXPECT_EQ(0x604020u, Packed(copy.GetPixelRGB(12345, 10000)));
  EXPECT_EQ(0xFFFFFFu, Packed(copy.GetPixelRGB(19999, 19999)));

  copy.SetPixelFormat(ie8g);
  ASSERT_EQ(ie8g, copy.GetPixelFormat());
  EXPECT_EQ(ieFile, copy.Location());
  EXPECT_EQ(GrayLevel(0x60, 0x40, 0x20), copy.GetPixel8(7, 19998));
  EXPECT_EQ(255, copy.GetPixel8(19999, 19999));
  EXPECT_EQ(0x604020u, Packed(image.GetPixelRGB(19998, 19999)));  // the source is unchanged

  // Neither image was ever held whole: the process's peak resident size stays far below
  // their 1.6 GB.
  int64_t peakKiB = PeakResidentKiB();
  ASSERT_GT(peakKiB, 0);
  EXPECT_LT(peakKiB, 800 * 1024);
}
