// Copies, rectangles, fills, size changes, pixel access and the whole-image tests of the
// library bitmap.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/model/cmyk_conversion.h"
#include "imaging/model/dib_bitmap.h"
#include "imaging/model/ie_bitmap.h"
#include "tests/support/ie_bitmap_checks.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/exceptions.h"

using namespace imaging;
using namespace ie_bitmap_test;

namespace {

const TIELocation kIeBitmapCopyLocations[] = {ieMemory, ieFile, ieTBitmap};

// An 8-bit grey bitmap whose pixel (x, y) is 10 y + x.
std::unique_ptr<TIEBitmap> IeBitmapCopyNumbered(TIELocation location, int32_t width, int32_t height) {
  auto bitmap = MakeIn(location, width, height, ie8g);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) bitmap->SetPixel8(x, y, uint8_t(10 * y + x));
  return bitmap;
}

std::vector<uint8_t> Row8(TIEBitmap& bitmap, int32_t y) { return RowBytes(bitmap, y, bitmap.GetWidth()); }

}  // namespace

// ---- whole-image copies ----

TEST(IEBitmapCopy, AssignCopiesPixelsPaletteAlphaAndSettingsBetweenAllLocations) {
  for (TIELocation from : kIeBitmapCopyLocations) {
    for (TIELocation to : kIeBitmapCopyLocations) {
      auto source = MakeIn(from, 11, 6, ie8p);
      FillPattern(*source);
      source->SetPaletteColor(9, MakeRGB(1, 2, 3));
      source->SetAlphaAt(2, 3, 77);
      source->SetConvertTo1BitMethod(0);
      auto target = EmptyIn(to);
      target->Assign(source.get());
      std::string where = std::string(LocationName(from)) + " -> " + LocationName(to);
      EXPECT_EQ(ie8p, target->GetPixelFormat()) << where;
      EXPECT_EQ(11, target->GetWidth()) << where;
      EXPECT_TRUE(HasPattern(*target)) << where;
      EXPECT_EQ(3, target->GetPaletteColor(9).b) << where;
      EXPECT_EQ(77, target->GetAlphaAt(2, 3)) << where;
      EXPECT_EQ(0, target->ConvertTo1BitMethod()) << where;
      EXPECT_TRUE(HasPattern(*source)) << where;  // the source is as it was
    }
  }
}

TEST(IEBitmapCopy, AssignFromASourceWithoutAlphaRemovesTheAlpha) {
  TIEBitmap source(2, 2, ie24RGB), target(2, 2, ie24RGB);
  target.SetAlphaAt(0, 0, 1);
  target.Assign(&source);
  EXPECT_FALSE(target.HasAlphaChannel());
}

TEST(IEBitmapCopy, AssignIntoThePlatformBitmapConvertsFormatsItCannotHold) {
  auto source = MakeIn(ieMemory, 2, 1, ieRGB48);
  SetRowBytes(*source, 0, {0x00, 0xFF, 0x00, 0x80, 0x00, 0x01, 0, 0, 0, 0, 0, 0});
  auto target = EmptyIn(ieTBitmap);
  target->Assign(source.get());
  EXPECT_EQ(ie24RGB, target->GetPixelFormat());
  EXPECT_EQ(8, target->GetRowLen());
  EXPECT_EQ(0xFF8001u, Packed(target->GetPixelRGB(0, 0)));
}

TEST(IEBitmapCopy, AssignOfAnEmptySourceIntoThePlatformBitmapChangesNothing) {
  auto target = MakeIn(ieTBitmap, 3, 3, ie24RGB);
  TIEBitmap empty;
  target->Assign(&empty);
  EXPECT_EQ(3, target->GetWidth());
}

TEST(IEBitmapCopy, AssignTakesTheFullFlagOfAnAlphaSource) {
  TIEBitmap source(4, 4, ie8g), target;
  source.Fill(255);
  ASSERT_TRUE(source.Full());
  target.Assign(&source);
  EXPECT_TRUE(target.Full());
}

TEST(IEBitmapCopy, CopyWithoutAlphaLeavesTheAlphaAndMethodAlone) {
  TIEBitmap source(3, 3, ie24RGB), target(3, 3, ie24RGB);
  FillPattern(source);
  source.SetAlphaAt(0, 0, 9);
  source.SetConvertTo1BitMethod(0);
  target.SetAlphaAt(1, 1, 44);
  target.CopyWithoutAlpha(&source);
  EXPECT_TRUE(HasPattern(target));
  EXPECT_EQ(44, target.GetAlphaAt(1, 1));
  EXPECT_EQ(255, target.GetAlphaAt(0, 0));
  EXPECT_EQ(1, target.ConvertTo1BitMethod());
  EXPECT_FALSE(target.Full());
  TIEBitmap empty;
  target.CopyWithoutAlpha(&empty);
  EXPECT_EQ(3, target.GetWidth());
}

TEST(IEBitmapCopy, CopyFromVclBitmapByPlatformFormat) {
  struct Case {
    vcl::TPixelFormat platform;
    TIEPixelFormat expected;
    uint32_t white;  // 15 and 16 bits scale their channels by 8 (and 4)
  } cases[] = {{vcl::pf1bit, ie1g, 0xFFFFFF},     {vcl::pf4bit, ie8p, 0xFFFFFF},   {vcl::pf8bit, ie8p, 0xFFFFFF},
               {vcl::pf15bit, ie24RGB, 0xF8F8F8}, {vcl::pf16bit, ie24RGB, 0xF8FCF8}, {vcl::pf24bit, ie24RGB, 0xFFFFFF},
               {vcl::pf32bit, ie32RGB, 0xFFFFFF}, {vcl::pfDevice, ie24RGB, 0xFFFFFF}};
  for (const Case& c : cases) {
    vcl::TBitmap platform;
    platform.SetSize(5, 4);
    platform.SetPixelFormat(c.platform);
    platform.Canvas()->Brush()->SetColor(vcl::clWhite);
    platform.Canvas()->FillRect(vcl::Rect(0, 0, 5, 4));
    platform.Canvas()->SetPixels(2, 1, vcl::clBlack);
    TIEBitmap bitmap;
    bitmap.CopyFromVclBitmap(&platform);
    EXPECT_EQ(c.expected, bitmap.GetPixelFormat()) << c.platform;
    EXPECT_EQ(5, bitmap.GetWidth());
    EXPECT_EQ(c.white, Packed(bitmap.GetPixelRGB(0, 0))) << c.platform;
    EXPECT_EQ(0u, Packed(bitmap.GetPixelRGB(2, 1))) << c.platform;
    EXPECT_EQ(c.platform, platform.PixelFormat());  // the caller's bitmap is not changed
  }
}

TEST(IEBitmapCopy, CopyFromVclBitmapSixteenBitWhite) {
  vcl::TBitmap platform;
  platform.SetPixelFormat(vcl::pf16bit);
  platform.SetSize(1, 1);
  static_cast<uint16_t*>(platform.ScanLine(0))[0] = 0xFFFF;
  TIEBitmap bitmap;
  bitmap.CopyFromVclBitmap(&platform);
  TRGB pixel = bitmap.GetPixel24(0, 0);
  EXPECT_EQ(248, pixel.b);
  EXPECT_EQ(252, pixel.g);
  EXPECT_EQ(248, pixel.r);
}

TEST(IEBitmapCopy, CopyFromVclBitmapIntoThePlatformLocationLeavesTheCallersBitmap) {
  vcl::TBitmap platform;
  platform.SetPixelFormat(vcl::pf8bit);
  platform.SetSize(3, 3);
  auto bitmap = EmptyIn(ieTBitmap);
  bitmap->CopyFromVclBitmap(&platform);
  EXPECT_EQ(vcl::pf8bit, platform.PixelFormat());
  EXPECT_EQ(3, bitmap->GetWidth());
  EXPECT_NE(&platform, bitmap->GetVclBitmap());
}

TEST(IEBitmapCopy, CopyFromDIBTakesItsRows) {
  TIEDibbitmap dib;
  ASSERT_TRUE(dib.AllocateDIB(3, 2, 24));
  std::memset(dib.GetScanline(1), 0x42, 9);
  TIEBitmap bitmap;
  bitmap.CopyFromDIB(&dib);
  EXPECT_EQ(ie24RGB, bitmap.GetPixelFormat());
  EXPECT_EQ(0x424242u, Packed(bitmap.GetPixelRGB(2, 1)));
  bitmap.CopyFromDIB(nullptr);
  EXPECT_EQ(3, bitmap.GetWidth());
}

// ---- rectangles ----

TEST(IEBitmapCopy, CopyRectToClipsToBothBitmaps) {
  struct Case {
    const char* name;
    int32_t sx, sy, dx, dy, w, h;
    std::vector<uint8_t> row0;  // destination row 0 after the copy (destination starts at 0)
  } cases[] = {
      {"negative destination x", 0, 0, -3, 0, 6, 1, {3, 4, 5, 0, 0, 0}},
      {"inside", 1, 0, 2, 0, 2, 1, {0, 0, 1, 2, 0, 0}},
      {"past the right edge", 0, 0, 4, 0, 6, 1, {0, 0, 0, 0, 0, 1}},
      {"source past its edge", 4, 0, 0, 0, 6, 1, {4, 5, 0, 0, 0, 0}},
      {"destination outside", 0, 0, 6, 0, 2, 1, {0, 0, 0, 0, 0, 0}},
      {"nothing to copy", 0, 0, 0, 0, 0, 1, {0, 0, 0, 0, 0, 0}},
      {"negative destination y", 0, 1, 0, -1, 3, 2, {20, 21, 22, 0, 0, 0}},
  };
  for (TIELocation location : {ieMemory, ieFile}) {
    for (const Case& c : cases) {
      auto source = IeBitmapCopyNumbered(location, 6, 3);
      auto destination = MakeIn(location, 6, 3, ie8g);
      destination->Fill(0);
      source->CopyRectTo(destination.get(), c.sx, c.sy, c.dx, c.dy, c.w, c.h);
      EXPECT_EQ(c.row0, Row8(*destination, 0)) << c.name << " in " << LocationName(location);
    }
  }
}

TEST(IEBitmapCopy, CopyRectToWithinOneBitmapCopiesTheOriginalPixels) {
  // Overlapping rectangles of one bitmap: every destination pixel takes the source pixel as it
  // was before the copy, in memory and in the temporary file (where fetching the destination
  // row unmaps the source row's view) alike.
  struct Case {
    const char* name;
    int32_t sx, sy, dx, dy, w, h;
  } cases[] = {
      {"down by one", 1, 10, 1, 11, 5, 4},  {"up by one", 1, 11, 1, 10, 5, 4},   {"right by two", 0, 3, 2, 3, 6, 5},
      {"left by two", 2, 3, 0, 3, 6, 5},    {"down and right", 0, 0, 3, 2, 5, 9}, {"up and left", 3, 5, 1, 2, 5, 9},
      {"onto itself", 2, 2, 2, 2, 4, 4},    {"down, clipped", 0, 12, 0, 15, 8, 8},
  };
  constexpr int32_t kWidth = 8, kHeight = 20;
  for (TIELocation location : kIeBitmapCopyLocations) {
    for (const Case& c : cases) {
      const std::string where = std::string(c.name) + " in " + LocationName(location);
      auto bitmap = IeBitmapCopyNumbered(location, kWidth, kHeight);
      ASSERT_EQ(location, bitmap->Location()) << where;
      bitmap->CopyRectTo(bitmap.get(), c.sx, c.sy, c.dx, c.dy, c.w, c.h);
      for (int32_t y = 0; y < kHeight; ++y) {
        std::vector<uint8_t> expected(kWidth);
        for (int32_t x = 0; x < kWidth; ++x) {
          const bool inside = x >= c.dx && x < c.dx + c.w && y >= c.dy && y < c.dy + c.h &&
                              c.sx + x - c.dx < kWidth && c.sy + y - c.dy < kHeight;
          expected[x] = inside ? uint8_t(10 * (c.sy + y - c.dy) + c.sx + x - c.dx) : uint8_t(10 * y + x);
        }
        if (expected != Row8(*bitmap, y)) {
          ADD_FAILURE() << where << ": row " << y << " differs";
          break;
        }
      }
    }
  }
  // Pixels of several bytes and single bits, each moved down and sideways over themselves.
  for (TIELocation location : {ieMemory, ieFile}) {
    auto rgb = MakeIn(location, 5, 6, ie24RGB);
    for (int32_t y = 0; y < 6; ++y)
      for (int32_t x = 0; x < 5; ++x) rgb->SetPixel24(x, y, TRGB{uint8_t(x), uint8_t(y), uint8_t(x * y)});
    rgb->CopyRectTo(rgb.get(), 0, 0, 1, 1, 4, 5);
    for (int32_t y = 1; y < 6; ++y)
      for (int32_t x = 1; x < 5; ++x)
        EXPECT_EQ(Packed(TRGB{uint8_t(x - 1), uint8_t(y - 1), uint8_t((x - 1) * (y - 1))}), Packed(rgb->GetPixel24(x, y)))
            << LocationName(location) << " at " << x << "," << y;

    auto bits = MakeIn(location, 20, 4, ie1g);
    for (int32_t y = 0; y < 4; ++y) SetRowBytes(*bits, y, {uint8_t(0xA5 ^ y), 0x3C, 0xF0});
    bits->CopyRectTo(bits.get(), 0, 0, 3, 1, 17, 3);
    auto bit = [&](int32_t x, int32_t y) {
      const uint8_t row[3] = {uint8_t(0xA5 ^ y), 0x3C, 0xF0};
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    };
    for (int32_t y = 1; y < 4; ++y) {
      const auto* row = static_cast<const uint8_t*>(bits->GetScanline(y));
      for (int32_t x = 0; x < 20; ++x)
        EXPECT_EQ(x < 3 ? bit(x, y) : bit(x - 3, y - 1), (row[x >> 3] >> (7 - (x & 7))) & 1)
            << LocationName(location) << " bit " << x << "," << y;
    }
  }
}

TEST(IEBitmapCopy, CopyRectToMovesWholePixelsOfEachFormat) {
  for (TIEPixelFormat format : {ie8p, ie16g, ie24RGB, ie32f, ieCMYK, ieRGB48, ieCIELab, ie32RGB}) {
    TIEBitmap source(3, 1, format), destination(3, 1, format);
    FillPattern(source);
    std::memset(destination.GetScanline(0), 0, size_t(destination.GetRowLen()));
    source.CopyRectTo(&destination, 1, 0, 0, 0, 2, 1);
    int32_t bytes = IEBytesPerPixel(format);
    EXPECT_EQ(std::vector<uint8_t>(static_cast<uint8_t*>(source.GetScanline(0)) + bytes,
                                   static_cast<uint8_t*>(source.GetScanline(0)) + 3 * bytes),
              RowBytes(destination, 0, 2 * bytes))
        << format;
    EXPECT_EQ(std::vector<uint8_t>(bytes, 0), std::vector<uint8_t>(static_cast<uint8_t*>(destination.GetScanline(0)) + 2 * bytes,
                                                                   static_cast<uint8_t*>(destination.GetScanline(0)) + 3 * bytes));
  }
}

TEST(IEBitmapCopy, CopyRectToBitsAndExpandedBits) {
  TIEBitmap source(10, 1, ie1g), bits(10, 1, ie1g), rgb(3, 1, ie24RGB);
  SetRowBytes(source, 0, {0b10110000, 0b01000000});
  bits.Fill(0);
  source.CopyRectTo(&bits, 2, 0, 5, 0, 8, 1);  // bits 2..9 (1, 1, 0, 0, 0, 0, 0, 1) to 5..9
  EXPECT_EQ((std::vector<uint8_t>{0b00000110, 0b00000000}), RowBytes(bits, 0, 2));
  source.CopyRectTo(&rgb, 0, 0, 0, 0, 3, 1);
  EXPECT_EQ((std::vector<uint8_t>{255, 255, 255, 0, 0, 0, 255, 255, 255}), RowBytes(rgb, 0, 9));
  TIEBitmap grey(3, 1, ie8g);
  grey.Fill(5);
  rgb.CopyRectTo(&grey, 0, 0, 0, 0, 3, 1);  // other pairs copy nothing
  EXPECT_EQ((std::vector<uint8_t>{5, 5, 5}), RowBytes(grey, 0, 3));
}

TEST(IEBitmapCopy, MergeAlphaRectKeepsTheLargerAlpha) {
  TIEBitmap source(3, 1, ie24RGB), destination(3, 1, ie24RGB);
  source.SetAlphaAt(0, 0, 10);
  source.SetAlphaAt(1, 0, 200);
  destination.SetAlphaAt(0, 0, 50);
  destination.SetAlphaAt(1, 0, 60);
  destination.SetAlphaAt(2, 0, 70);
  source.SetAlphaAt(2, 0, 0);
  source.MergeAlphaRect(&destination, 0, 0, 0, 0, 3, 1);
  EXPECT_EQ((std::vector<uint8_t>{50, 200, 70}), Row8(*destination.GetAlphaChannel(), 0));
}

TEST(IEBitmapCopy, MoveRectFillsWhatItLeaves) {
  auto bitmap = IeBitmapCopyNumbered(ieMemory, 5, 1);
  bitmap->MoveRect(0, 0, 1, 0, 3, 0, 99, true);
  EXPECT_EQ((std::vector<uint8_t>{99, 99, 2, 0, 1}), Row8(*bitmap, 0));
}

// ---- filling ----

TEST(IEBitmapCopy, FillWritesEveryPixelAndSetsFull) {
  struct Case {
    TIEPixelFormat format;
    double value;
    std::vector<uint8_t> pixel;
    bool full;
  } cases[] = {
      {ie1g, 1, {0xFF}, true},
      {ie1g, 0, {0x00}, false},
      {ie8g, 255, {255}, true},
      {ie8p, 7, {7}, false},
      {ie16g, 65535, {0xFF, 0xFF}, true},
      {ie16g, 258, {0x02, 0x01}, false},
      {ie24RGB, vcl::clWhite, {255, 255, 255}, true},
      {ie24RGB, 0x0000FF, {0, 0, 255}, false},  // a platform colour: red in the low byte
      {ie32f, 0.5, {0, 0, 0, 0x3F}, false},
      {ie32f, 1.0, {0, 0, 0x80, 0x3F}, true},
      {ieRGB48, 0x00FF00, {0, 0, 0xFF, 0xFF, 0, 0}, false},
      {ieCMYK, vcl::clWhite, {255, 255, 255, 255}, true},
  };
  for (TIELocation location : {ieMemory, ieFile}) {
    for (const Case& c : cases) {
      auto bitmap = MakeIn(location, 3, 10, c.format);
      bitmap->Fill(c.value);
      EXPECT_EQ(c.full, bitmap->Full()) << c.format << " " << c.value;
      for (int32_t y : {0, 9})
        EXPECT_EQ(c.pixel, RowBytes(*bitmap, y, int32_t(c.pixel.size()))) << c.format << " " << c.value;
    }
  }
}

TEST(IEBitmapCopy, Fill32RGBKeepsTheFourthByteOfEveryRow) {
  for (TIELocation location : {ieMemory, ieFile}) {
    auto bitmap = MakeIn(location, 2, 10, ie32RGB);
    for (int32_t y = 0; y < 10; ++y) std::memset(bitmap->GetScanline(y), y, 8);
    bitmap->Fill(0x332211);
    for (int32_t y = 0; y < 10; ++y)
      EXPECT_EQ((std::vector<uint8_t>{0x33, 0x22, 0x11, uint8_t(y), 0x33, 0x22, 0x11, uint8_t(y)}),
                RowBytes(*bitmap, y, 8))
          << LocationName(location) << " row " << y;
  }
}

TEST(IEBitmapCopy, FillRectOfFloatsStoresTheTruncatedValue) {
  TIEBitmap bitmap(2, 2, ie32f);
  bitmap.Fill(0.5);
  EXPECT_FLOAT_EQ(0.5f, bitmap.GetPixelFloat(1, 1));
  bitmap.FillRect(0, 0, 1, 1, 0.5);
  EXPECT_FLOAT_EQ(0.0f, bitmap.GetPixelFloat(1, 1));
}

TEST(IEBitmapCopy, FillRectIsClampedToTheImage) {
  auto bitmap = IeBitmapCopyNumbered(ieMemory, 4, 2);
  bitmap->FillRect(-5, 1, 1, 40, 0);
  EXPECT_EQ((std::vector<uint8_t>{0, 0, 12, 13}), Row8(*bitmap, 1));
  EXPECT_EQ((std::vector<uint8_t>{0, 1, 2, 3}), Row8(*bitmap, 0));
  bitmap->FillRect(3, 0, 2, 1, 9);  // x2 < x1: nothing
  EXPECT_EQ((std::vector<uint8_t>{0, 1, 2, 3}), Row8(*bitmap, 0));
  TIEBitmap bits(10, 1, ie1g);
  bits.Fill(0);
  bits.FillRect(2, 0, 4, 0, 1);
  EXPECT_EQ((std::vector<uint8_t>{0b00111000, 0}), RowBytes(bits, 0, 2));
}

// ---- size ----

TEST(IEBitmapCopy, SetWidthAndHeightKeepTheTopLeft) {
  for (TIELocation location : kIeBitmapCopyLocations) {
    auto bitmap = IeBitmapCopyNumbered(location, 4, 3);
    bitmap->SetAlphaAt(1, 1, 33);
    bitmap->SetWidth(2);
    bitmap->SetHeight(5);
    EXPECT_EQ(2, bitmap->GetWidth()) << LocationName(location);
    EXPECT_EQ(5, bitmap->GetHeight());
    EXPECT_EQ((std::vector<uint8_t>{20, 21}), Row8(*bitmap, 2)) << LocationName(location);
    EXPECT_EQ(2, bitmap->GetAlphaChannel()->GetWidth());
    EXPECT_EQ(5, bitmap->GetAlphaChannel()->GetHeight());
    EXPECT_EQ(33, bitmap->GetAlphaAt(1, 1));
  }
}

TEST(IEBitmapCopy, SetWidthKeepsThePalette) {
  TIEBitmap bitmap(3, 3, ie8p);
  bitmap.SetPaletteColor(4, MakeRGB(1, 2, 3));
  bitmap.SetWidth(6);
  EXPECT_EQ(3, bitmap.GetPaletteColor(4).b);
}

TEST(IEBitmapCopy, ResizeAlignsTheOldContent) {
  struct Case {
    const char* name;
    int32_t width, height;
    uint8_t horizontal, vertical;
    std::vector<std::vector<uint8_t>> rows;
  } cases[] = {
      {"wider, centred", 8, 2, 1, 0, {{9, 9, 0, 1, 2, 3, 9, 9}, {9, 9, 10, 11, 12, 13, 9, 9}}},
      {"wider, at the end", 6, 2, 2, 0, {{9, 9, 0, 1, 2, 3}, {9, 9, 10, 11, 12, 13}}},
      {"wider, at the start", 5, 2, 0, 0, {{0, 1, 2, 3, 9}, {10, 11, 12, 13, 9}}},
      {"narrower, centred", 2, 2, 1, 0, {{1, 2}, {11, 12}}},
      {"narrower, at the end", 3, 2, 2, 0, {{1, 2, 3}, {11, 12, 13}}},
      {"taller, at the end", 4, 3, 0, 2, {{9, 9, 9, 9}, {0, 1, 2, 3}, {10, 11, 12, 13}}},
      {"shorter, at the end", 4, 1, 0, 2, {{10, 11, 12, 13}}},
  };
  for (const Case& c : cases) {
    auto bitmap = IeBitmapCopyNumbered(ieMemory, 4, 2);
    bitmap->SetAlphaAt(0, 0, 100);
    bitmap->Resize(c.width, c.height, 9, 0, c.horizontal, c.vertical);
    ASSERT_EQ(c.width, bitmap->GetWidth()) << c.name;
    ASSERT_EQ(c.height, bitmap->GetHeight()) << c.name;
    for (int32_t y = 0; y < c.height; ++y) EXPECT_EQ(c.rows[y], Row8(*bitmap, y)) << c.name << " row " << y;
    // New alpha pixels get the alpha fill value.
    EXPECT_EQ(c.width, bitmap->GetAlphaChannel()->GetWidth()) << c.name;
  }
  auto bitmap = IeBitmapCopyNumbered(ieMemory, 4, 4);
  bitmap->SetAlphaAt(0, 0, 100);
  bitmap->Resize(8, 4, 9, 7, 1, 0);
  EXPECT_EQ((std::vector<uint8_t>{7, 7, 100, 255, 255, 255, 7, 7}), Row8(*bitmap->GetAlphaChannel(), 0));
}

TEST(IEBitmapCopy, SetRowAlignmentRepacksTheRows) {
  auto bitmap = IeBitmapCopyNumbered(ieMemory, 3, 3);
  bitmap->SetRowAlignment(8);
  EXPECT_EQ(3, bitmap->GetRowLen());
  EXPECT_EQ((std::vector<uint8_t>{20, 21, 22}), Row8(*bitmap, 2));
  bitmap->SetRowAlignment(64);
  EXPECT_EQ(8, bitmap->GetRowLen());
  EXPECT_EQ((std::vector<uint8_t>{20, 21, 22}), Row8(*bitmap, 2));
  for (int32_t bad : {0, -32, 12, 128}) EXPECT_THROW(bitmap->SetRowAlignment(bad), vcl::EInvalidArgument) << bad;
}

// ---- pixels ----

TEST(IEBitmapCopy, PixelAccessorsAndTheFullFlag) {
  TIEBitmap grey(2, 1, ie8g);
  grey.Fill(255);
  grey.SetPixel8(0, 0, 255);
  EXPECT_TRUE(grey.Full());
  grey.SetPixel8(1, 0, 4);
  EXPECT_FALSE(grey.Full());
  EXPECT_EQ(4, grey.GetPixel8(1, 0));

  TIEBitmap words(2, 1, ie16g);
  words.Fill(65535);
  words.SetPixel16(0, 0, 1000);
  EXPECT_FALSE(words.Full());
  EXPECT_EQ(1000, words.GetPixel16(0, 0));

  TIEBitmap floats(1, 1, ie32f);
  floats.Fill(1.0);
  floats.SetPixelFloat(0, 0, 1.5f);
  EXPECT_TRUE(floats.Full());
  floats.SetPixelFloat(0, 0, 0.25f);
  EXPECT_FALSE(floats.Full());

  TIEBitmap wide(1, 1, ieRGB48);
  wide.SetPixel48(0, 0, {1, 2, 3});
  EXPECT_EQ(3, wide.GetPixel48(0, 0).b);

  TIEBitmap cmyk(1, 1, ieCMYK);
  cmyk.SetPixel32(0, 0, 0x7F7F7F7F);
  EXPECT_EQ(0x7F7F7F7F, cmyk.GetPixel32(0, 0));

  TIEBitmap rgb(2, 1, ie24RGB);
  rgb.SetPixel24(1, 0, MakeRGB(1, 2, 3));
  EXPECT_EQ(rgb.GetRGBPixelPtr(1, 0)->r, 1);
}

TEST(IEBitmapCopy, GetPixelRGBOfEveryFormat) {
  struct Case {
    TIEPixelFormat format;
    std::vector<uint8_t> bytes;
    uint32_t expected;
  } cases[] = {
      {ie1g, {0x80}, 0xFFFFFF},          {ie8g, {0x40}, 0x404040},
      {ie16g, {0x00, 0x80}, 0x808080},   {ie24RGB, {1, 2, 3}, 0x030201},
      {ie32f, {0, 0, 0x80, 0x3F}, 0xFFFFFF}, {ieRGB48, {0, 0x10, 0, 0x20, 0, 0x30}, 0x102030},
      {ie32RGB, {1, 2, 3, 4}, 0x030201},  {ieCMYK, {255, 255, 255, 255}, 0xFFFFFF},
  };
  for (const Case& c : cases) {
    TIEBitmap bitmap(1, 1, c.format);
    SetRowBytes(bitmap, 0, c.bytes);
    EXPECT_EQ(c.expected, Packed(bitmap.GetPixelRGB(0, 0))) << c.format;
  }
  TIEBitmap paletted(1, 1, ie8p);
  paletted.SetPaletteColor(3, MakeRGB(7, 8, 9));
  paletted.SetPixel8(0, 0, 3);
  EXPECT_EQ(0x070809u, Packed(paletted.GetPixelRGB(0, 0)));
  TIEBitmap empty;
  EXPECT_EQ(0u, Packed(empty.GetPixelRGB(0, 0)));
}

TEST(IEBitmapCopy, SetAlphaAtCreatesTheAlphaChannel) {
  TIEBitmap bitmap(2, 2, ie24RGB);
  bitmap.SetFull(true);
  bitmap.SetAlphaAt(0, 0, 0);
  ASSERT_TRUE(bitmap.HasAlphaChannel());
  EXPECT_EQ(0, bitmap.GetAlphaAt(0, 0));
  EXPECT_EQ(255, bitmap.GetAlphaAt(1, 1));
  EXPECT_FALSE(bitmap.GetAlphaChannel()->Full());
  EXPECT_FALSE(bitmap.Full());
}

// ---- whole-image tests ----

TEST(IEBitmapCopy, WholeImageTestsLookAtPixelBytesOnly) {
  TIEBitmap bits(9, 2, ie1g);  // 2 pixel bytes of 4
  for (int32_t y = 0; y < 2; ++y) SetRowBytes(bits, y, {0xFF, 0xFF, 0x00, 0x00});
  bits.UpdateFullFlag();
  EXPECT_TRUE(bits.Full());
  TIEBitmap zero(3, 2, ie8g);
  for (int32_t y = 0; y < 2; ++y) SetRowBytes(zero, y, {0, 0, 0, 77});
  EXPECT_TRUE(zero.IsAllZero());
  zero.SetPixel8(2, 1, 1);
  EXPECT_FALSE(zero.IsAllZero());
  zero.UpdateFullFlag();
  EXPECT_FALSE(zero.Full());
}

TEST(IEBitmapCopy, IsGrayScale) {
  TIEBitmap rgb(2, 1, ie24RGB);
  SetRowBytes(rgb, 0, {5, 5, 5, 9, 9, 9});
  EXPECT_TRUE(rgb.IsGrayScale());
  rgb.SetPixel24(1, 0, MakeRGB(9, 9, 8));
  EXPECT_FALSE(rgb.IsGrayScale());
  TIEBitmap paletted(1, 1, ie8p);
  EXPECT_TRUE(paletted.IsGrayScale());
  paletted.SetPaletteColor(100, MakeRGB(1, 0, 0));
  EXPECT_FALSE(paletted.IsGrayScale());
  TIEBitmap wide(1, 1, ieRGB48);
  wide.SetPixel48(0, 0, {7, 7, 8});
  EXPECT_FALSE(wide.IsGrayScale());
  TIEBitmap grey(1, 1, ie16g);
  EXPECT_TRUE(grey.IsGrayScale());
}
