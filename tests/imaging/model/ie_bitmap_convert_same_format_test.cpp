#include <gtest/gtest.h>

#include <cstring>

#include "imaging/model/ie_bitmap.h"

using namespace imaging;

// Converting to the format a bitmap already has keeps the pixels (a new allocation's contents
// must never show through).
TEST(IEBitmapSameFormat, ConvertToItsOwnFormatKeepsThePixels) {
  for (TIEPixelFormat format : {ie24RGB, ie8g, ie32f}) {
    TIEBitmap source;
    ASSERT_TRUE(source.Allocate(37, 21, format));
    for (int y = 0; y < 21; ++y) {
      auto* row = static_cast<uint8_t*>(source.Scanline(y));
      for (int i = 0; i < source.GetRowLen(); ++i) row[i] = static_cast<uint8_t>(y * 31 + i * 7);
    }
    TIEBitmap converted;
    converted.Assign(&source);
    converted.ConvertTo(format);
    for (int y = 0; y < 21; ++y)
      EXPECT_EQ(std::memcmp(converted.Scanline(y), source.Scanline(y), source.GetRowLen()), 0) << format << " row " << y;
  }
}
