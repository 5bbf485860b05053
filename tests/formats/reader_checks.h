// Helpers of the reader tests: netpbm pictures made in the test, pictures loaded through the
// picture loader and read back as RGB(A) pixels, and readers fed damaged copies of their samples.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vcl/graphics/bitmap.h"

namespace reader_checks {

using Bytes = std::vector<uint8_t>;

// A binary PPM (P6) or PGM (P5) with maxval 255: pixel (x, y) gets rgb(x, y) (grey takes red).
Bytes MakePnm(bool grey, int width, int height, const std::function<uint32_t(int x, int y)>& rgb);
// The pixels of a netpbm picture (P5 or P6, maxval up to 255, scaled to 255) as 0xRRGGBB values, row by row.
std::vector<uint32_t> PnmPixels(const Bytes& pnm, int* width = nullptr, int* height = nullptr);

struct TLoaded {
  std::string className;
  vcl::TPixelFormat format = vcl::pfDevice;
  int width = 0, height = 0;
  std::vector<uint32_t> rgb;    // 0xRRGGBB, row by row from the top
  std::vector<uint8_t> alpha;   // for 32-bit bitmaps
};

// Loads the bytes as a file with the extension through TPicture::LoadFromFile.
TLoaded LoadAs(const std::string& extension, const Bytes& file);
// After the last shut-down of the picture formats: the platform's own classes registered again
// as the platform registers them, for the tests that follow.
void RestorePlatformFormats();
TLoaded Pixels(vcl::TBitmap* bitmap);

// Both pixel lists (0xRRGGBB) of one size, every channel of one within `tolerance` of the
// other's; the failure names the first pixel that is not.
testing::AssertionResult ChannelsWithin(const std::vector<uint32_t>& expected, const std::vector<uint32_t>& actual,
                                        int tolerance);
// "Class: message" of the vcl exception the action raises; empty when it raises none.
std::string ErrorOf(const std::function<void()>& action);

// Feeds truncations and damaged copies of the sample to a new graphic of the class made by
// `make`; only vcl exceptions may come out.
void FuzzReader(const char* what, const Bytes& valid, unsigned seed,
                const std::function<vcl::TBitmap*()>& make);

}  // namespace reader_checks
