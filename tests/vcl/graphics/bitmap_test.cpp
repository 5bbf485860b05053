// TBitmap: DIB memory shared by canvas and ScanLine, pixel formats and their conversions,
// handles, palettes, transparency.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "tests/vcl/graphics/graphics_test_util.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

using namespace vcl;
using graphics_test::MakeBitmap;
using graphics_test::Pixel;
using graphics_test::Rows;

namespace {

TEST(BitmapScanLine, RowsAreBottomUpAndPaddedTo32Bits) {
  auto bitmap = MakeBitmap(3, 4, pf24bit);
  auto* row0 = static_cast<uint8_t*>(bitmap->ScanLine(0));
  auto* row1 = static_cast<uint8_t*>(bitmap->ScanLine(1));
  auto* row3 = static_cast<uint8_t*>(bitmap->ScanLine(3));
  EXPECT_EQ(row0 - row1, 12);  // 9 bytes of pixels padded to 12
  EXPECT_EQ(row0 - row3, 36);  // the top row lies at the highest address
  // One block: the bottom row starts the DIB's memory.
  BITMAP bm;
  ASSERT_EQ(GetObjectA(bitmap->Handle(), sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmBits, row3);
}

TEST(BitmapScanLine, CanvasAndScanLineShareThePixels) {
  auto bitmap = MakeBitmap(4, 4, pf24bit);
  bitmap->Canvas()->SetPixels(2, 1, TColor(0x112233));
  auto* row = static_cast<uint8_t*>(bitmap->ScanLine(1));
  EXPECT_EQ(row[6], 0x11);  // blue, green, red
  EXPECT_EQ(row[7], 0x22);
  EXPECT_EQ(row[8], 0x33);
  row[0] = 0x01;
  row[1] = 0x02;
  row[2] = 0x03;
  EXPECT_EQ(Pixel(*bitmap, 0, 1), 0x010203u);
}

TEST(BitmapScanLine, RowOutOfRangeRaises) {
  auto bitmap = MakeBitmap(4, 4, pf8bit);
  for (int row : {-1, 4, 1000}) {
    try {
      bitmap->ScanLine(row);
      ADD_FAILURE() << row;
    } catch (const EInvalidGraphicOperation& e) {
      EXPECT_EQ(e.Message(), "Scan line index out of range");
    }
  }
  TBitmap empty;
  EXPECT_THROW(empty.ScanLine(0), EInvalidGraphicOperation);
}

TEST(BitmapFormat, ANewBitmapIsDeviceDependentUntilGivenAFormat) {
  TBitmap bitmap;
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.PixelFormat(), pfDevice);
  EXPECT_EQ(bitmap.HandleType(), bmDDB);
  bitmap.SetSize(5, 5);
  EXPECT_EQ(bitmap.PixelFormat(), pfDevice);
  EXPECT_EQ(Pixel(bitmap, 4, 4), 0xFFFFFFu);  // a new bitmap is white
  bitmap.SetHandleType(bmDIB);
  EXPECT_EQ(bitmap.PixelFormat(), pf32bit);
  bitmap.SetPixelFormat(pfDevice);
  EXPECT_EQ(bitmap.HandleType(), bmDDB);

  // The format survives an empty size, as when sized 1 x 1, formatted, then sized in full.
  TBitmap sized;
  sized.SetSize(1, 1);
  sized.SetPixelFormat(pf8bit);
  sized.SetSize(0, 0);
  sized.SetSize(30, 20);
  EXPECT_EQ(sized.PixelFormat(), pf8bit);
  EXPECT_EQ(sized.Width(), 30);
}

TEST(BitmapFormat, CustomFormatCannotBeChosen) {
  TBitmap bitmap;
  try {
    bitmap.SetPixelFormat(pfCustom);
    FAIL() << "no exception";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Invalid pixel format");
  }
}

// A pixel of a colour converted from one format into another, read back through the canvas.
struct Conversion {
  TPixelFormat from;
  TColor color;
  TPixelFormat to;
  uint32_t expected;
};

TEST(BitmapFormat, ConversionsGiveThePlatformsValues) {
  const Conversion cases[] = {
      {pf24bit, 0x123456, pf32bit, 0x123456},
      {pf32bit, 0x123456, pf24bit, 0x123456},
      // Five bits a channel: the low bits go; back in eight bits the top bits repeat below.
      {pf24bit, 0x123456, pf15bit, 0x103152},
      {pf24bit, 0x123456, pf16bit, 0x103452},
      {pf15bit, 0x7BDEF7, pf24bit, 0x7BDEF7},
      {pf16bit, 0xFFFFFF, pf24bit, 0xFFFFFF},
      // Palettes: the nearest entry.
      {pf24bit, 0xFFFFFF, pf1bit, 0xFFFFFF},
      {pf24bit, 0x202020, pf1bit, 0x000000},
      {pf24bit, 0xE0E0E0, pf1bit, 0xFFFFFF},
      {pf24bit, 0x0000FF, pf4bit, 0x0000FF},
      {pf24bit, 0x0000F0, pf4bit, 0x0000FF},
      {pf24bit, 0xC0C0C0, pf4bit, 0xC0C0C0},
      {pf24bit, 0x000000, pf8bit, 0x000000},
      {pf24bit, 0xFFFFFF, pf8bit, 0xFFFFFF},
      {pf8bit, 0xFFFFFF, pf1bit, 0xFFFFFF},
      {pf8bit, 0x000000, pf1bit, 0x000000},
      {pf1bit, 0xFFFFFF, pf24bit, 0xFFFFFF},
      {pf4bit, 0x008080, pf8bit, 0x008080},
      {pf8bit, 0xFF0000, pf4bit, 0xFF0000},
  };
  for (const Conversion& k : cases) {
    auto bitmap = MakeBitmap(4, 2, k.from, k.color);
    bitmap->SetPixelFormat(k.to);
    EXPECT_EQ(bitmap->PixelFormat(), k.to);
    EXPECT_EQ(Pixel(*bitmap, 3, 1), k.expected)
        << "from " << k.from << " to " << k.to << " colour " << std::hex << k.color;
  }
}

TEST(BitmapFormat, EightBitsGetTheHalftonePaletteAndOneBitBlackAndWhite) {
  auto eight = MakeBitmap(2, 2, pf8bit);
  PALETTEENTRY entries[256];
  ASSERT_EQ(GetPaletteEntries(eight->Palette(), 0, 256, entries), 256u);
  HDC screen = GetDC(nullptr);
  HPALETTE halftone = CreateHalftonePalette(screen);
  ReleaseDC(nullptr, screen);
  PALETTEENTRY expected[256];
  ASSERT_EQ(GetPaletteEntries(halftone, 0, 256, expected), 256u);
  DeleteObject(halftone);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(entries[i].peRed, expected[i].peRed) << i;
    EXPECT_EQ(entries[i].peGreen, expected[i].peGreen) << i;
    EXPECT_EQ(entries[i].peBlue, expected[i].peBlue) << i;
  }

  auto one = MakeBitmap(2, 2, pf1bit);
  RGBQUAD table[2];
  ASSERT_EQ(GetDIBColorTable(one->Canvas()->Handle(), 0, 2, table), 2u);
  EXPECT_EQ(table[0].rgbRed + table[0].rgbGreen + table[0].rgbBlue, 0);
  EXPECT_EQ(table[1].rgbRed + table[1].rgbGreen + table[1].rgbBlue, 3 * 255);
  EXPECT_TRUE(one->Monochrome());
}

TEST(BitmapFormat, ThirtyTwoBitGainsAlphaZeroAndLosesItGoingTo24) {
  auto bitmap = MakeBitmap(2, 1, pf24bit, TColor(0x102030));
  bitmap->SetPixelFormat(pf32bit);
  auto* row = static_cast<uint8_t*>(bitmap->ScanLine(0));
  EXPECT_EQ(row[0], 0x10);  // blue
  EXPECT_EQ(row[3], 0x00);
  row[3] = 0x80;
  bitmap->SetPixelFormat(pf24bit);
  bitmap->SetPixelFormat(pf32bit);
  EXPECT_EQ(static_cast<uint8_t*>(bitmap->ScanLine(0))[3], 0x00);
}

TEST(BitmapAssign, KeepsThe32BitAlphaAndCopiesIndependently) {
  auto source = MakeBitmap(3, 2, pf32bit);
  for (int y = 0; y < 2; ++y) {
    auto* row = static_cast<uint8_t*>(source->ScanLine(y));
    for (int i = 0; i < 12; ++i) row[i] = uint8_t(y * 40 + i * 7);
  }
  source->SetTransparent(true);
  source->SetTransparentColor(clLime);
  TBitmap copy;
  copy.Assign(source.get());
  EXPECT_EQ(copy.PixelFormat(), pf32bit);
  EXPECT_EQ(Rows(copy), Rows(*source));
  EXPECT_TRUE(copy.Transparent());
  EXPECT_EQ(copy.TransparentMode(), tmFixed);
  EXPECT_NE(copy.Handle(), source->Handle());
  static_cast<uint8_t*>(source->ScanLine(0))[3] = 0xEE;
  EXPECT_NE(static_cast<uint8_t*>(copy.ScanLine(0))[3], 0xEE);

  copy.Assign(nullptr);
  EXPECT_TRUE(copy.Empty());
}

TEST(BitmapSize, KeepsThePixelsAtTheTopLeftAndFillsWithTheBrush) {
  auto bitmap = MakeBitmap(3, 3, pf32bit, clRed);
  static_cast<uint8_t*>(bitmap->ScanLine(0))[3] = 0x7F;  // alpha survives a resize
  bitmap->Canvas()->Brush()->SetColor(clBlue);
  bitmap->SetSize(5, 4);
  EXPECT_EQ(Pixel(*bitmap, 2, 2), 0x0000FFu);
  EXPECT_EQ(Pixel(*bitmap, 4, 0), 0xFF0000u);
  EXPECT_EQ(Pixel(*bitmap, 0, 3), 0xFF0000u);
  EXPECT_EQ(static_cast<uint8_t*>(bitmap->ScanLine(0))[3], 0x7F);
  bitmap->SetWidth(2);
  EXPECT_EQ(bitmap->Width(), 2);
  EXPECT_EQ(Pixel(*bitmap, 1, 1), 0x0000FFu);
  bitmap->SetSize(-4, 2);
  EXPECT_TRUE(bitmap->Empty());
}

TEST(BitmapMonochrome, SwitchesToABlackAndWhiteDeviceBitmap) {
  auto bitmap = MakeBitmap(4, 4, pf24bit, clWhite);
  bitmap->Canvas()->SetPixels(1, 1, clNavy);
  bitmap->SetMonochrome(true);
  EXPECT_TRUE(bitmap->Monochrome());
  EXPECT_EQ(bitmap->PixelFormat(), pfDevice);
  EXPECT_EQ(Pixel(*bitmap, 1, 1), 0x000000u);
  EXPECT_EQ(Pixel(*bitmap, 2, 2), 0xFFFFFFu);
  bitmap->SetHandleType(bmDIB);
  EXPECT_EQ(bitmap->PixelFormat(), pf1bit);
  bitmap->SetMonochrome(false);
  EXPECT_EQ(bitmap->PixelFormat(), pfDevice);
  EXPECT_FALSE(bitmap->Monochrome());
  EXPECT_EQ(Pixel(*bitmap, 1, 1), 0x000000u);
}

TEST(BitmapPalette, SettingItReplacesTheColourTableButNotTheIndexes) {
  auto bitmap = MakeBitmap(2, 1, pf8bit);
  auto* row = static_cast<uint8_t*>(bitmap->ScanLine(0));
  row[0] = 5;
  row[1] = 250;
  std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
  log->palVersion = 0x300;
  log->palNumEntries = 256;
  for (int i = 0; i < 256; ++i) log->palPalEntry[i] = PALETTEENTRY{BYTE(i), BYTE(i), BYTE(i), 0};
  HPALETTE grey = CreatePalette(log);
  bitmap->SetPalette(grey);
  EXPECT_EQ(bitmap->Palette(), grey);
  EXPECT_TRUE(bitmap->PaletteModified());
  EXPECT_EQ(static_cast<uint8_t*>(bitmap->ScanLine(0))[0], 5);
  EXPECT_EQ(Pixel(*bitmap, 0, 0), 0x050505u);
  EXPECT_EQ(Pixel(*bitmap, 1, 0), 0xFAFAFAu);

  // Released, the palette is the caller's; the colour table stays.
  HPALETTE released = bitmap->ReleasePalette();
  EXPECT_EQ(released, grey);
  EXPECT_EQ(Pixel(*bitmap, 1, 0), 0xFAFAFAu);
  EXPECT_NE(bitmap->Palette(), grey);
  DeleteObject(released);
}

// A palette of `count` colours that no standard table has.
HPALETTE OddPalette(int count) {
  std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
  log->palVersion = 0x300;
  log->palNumEntries = WORD(count);
  for (int i = 0; i < count; ++i)
    log->palPalEntry[i] = PALETTEENTRY{BYTE(i * 13 + 1), BYTE(200 - i * 11), BYTE(i * 7 + 3), 0};
  return CreatePalette(log);
}

TEST(BitmapPalette, MoreBitsKeepTheColoursOfTheSmallerTable) {
  const struct {
    TPixelFormat from;
    int colors;
    TPixelFormat to;
  } cases[] = {{pf1bit, 2, pf4bit}, {pf1bit, 2, pf8bit}, {pf4bit, 16, pf8bit}};
  for (const auto& k : cases) {
    auto bitmap = MakeBitmap(k.colors, 1, k.from);
    bitmap->SetPalette(OddPalette(k.colors));
    // Pixel x has colour index x.
    auto* row = static_cast<uint8_t*>(bitmap->ScanLine(0));
    std::memset(row, 0, 8);  // the whole row of the widest case
    for (int x = 0; x < k.colors; ++x) {
      if (k.from == pf1bit) row[0] = uint8_t(row[0] | (x << (7 - x)));
      else row[x / 2] = uint8_t(row[x / 2] | (x << (x % 2 ? 0 : 4)));
    }
    std::vector<uint32_t> before;
    for (int x = 0; x < k.colors; ++x) before.push_back(Pixel(*bitmap, x, 0));

    bitmap->SetPixelFormat(k.to);
    for (int x = 0; x < k.colors; ++x)
      EXPECT_EQ(Pixel(*bitmap, x, 0), before[x]) << "from " << k.from << " to " << k.to << " pixel " << x;
    // The new table starts with the old colours.
    PALETTEENTRY entries[256];
    ASSERT_EQ(GetPaletteEntries(bitmap->Palette(), 0, 256, entries), 1u << (k.to == pf4bit ? 4 : 8));
    for (int i = 0; i < k.colors; ++i)
      EXPECT_EQ(RGB(entries[i].peRed, entries[i].peGreen, entries[i].peBlue), before[i]) << i;
  }
}

TEST(BitmapPalette, AColourTableSetThroughTheCanvasIsKeptEverywhere) {
  RGBQUAD grey[256];
  for (int i = 0; i < 256; ++i) grey[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
  const struct {
    const char* what;
    std::function<uint32_t(TBitmap&)> pixelAfter;  // the colour of pixel (0, 0) after the step
  } steps[] = {
      {"drawn", [](TBitmap& b) { return Pixel(b, 0, 0); }},
      {"saved and loaded",
       [](TBitmap& b) {
         TMemoryStream stream;
         b.SaveToStream(&stream);
         stream.SetPosition(0);
         TBitmap loaded;
         loaded.LoadFromStream(&stream);
         return Pixel(loaded, 0, 0);
       }},
      {"resized", [](TBitmap& b) { b.SetSize(5, 3); return Pixel(b, 0, 0); }},
      {"copied", [](TBitmap& b) { TBitmap copy; copy.Assign(&b); return Pixel(copy, 0, 0); }},
      {"made dormant", [](TBitmap& b) { b.Dormant(); return Pixel(b, 0, 0); }},
      {"converted to 24 bits", [](TBitmap& b) { b.SetPixelFormat(pf24bit); return Pixel(b, 0, 0); }},
  };
  for (const auto& step : steps) {
    auto bitmap = MakeBitmap(4, 2, pf8bit);
    HPALETTE palette = bitmap->Palette();  // handed out before the table changes
    static_cast<uint8_t*>(bitmap->ScanLine(0))[0] = 10;
    ASSERT_EQ(SetDIBColorTable(bitmap->Canvas()->Handle(), 0, 256, grey), 256u);
    EXPECT_EQ(step.pixelAfter(*bitmap), 0x0A0A0Au) << step.what;
    if (bitmap->PixelFormat() == pf8bit) {
      EXPECT_EQ(bitmap->Palette(), palette) << step.what;
      PALETTEENTRY entry;
      ASSERT_EQ(GetPaletteEntries(palette, 10, 1, &entry), 1u);
      EXPECT_EQ(RGB(entry.peRed, entry.peGreen, entry.peBlue), 0x0A0A0Au) << step.what;
    }
  }
}

TEST(BitmapPalette, TheSharedSixteenColourPaletteIsCopiedNotTakenOver) {
  HPALETTE shared = SystemPalette16();
  ASSERT_EQ(SystemPalette16(), shared);
  PALETTEENTRY entries[16];
  ASSERT_EQ(GetPaletteEntries(shared, 0, 16, entries), 16u);
  EXPECT_EQ(RGB(entries[7].peRed, entries[7].peGreen, entries[7].peBlue), 0xC0C0C0u);
  EXPECT_EQ(RGB(entries[9].peRed, entries[9].peGreen, entries[9].peBlue), 0x0000FFu);

  {
    auto bitmap = MakeBitmap(2, 1, pf4bit);
    bitmap->SetPalette(shared);
    EXPECT_NE(bitmap->Palette(), shared);
  }
  // The bitmap is gone and the shared palette still answers.
  EXPECT_EQ(GetPaletteEntries(shared, 0, 16, entries), 16u);
}

TEST(BitmapPalette, PaletteIndexColoursDrawThroughTheBitmapsPalette) {
  auto bitmap = MakeBitmap(4, 4, pf8bit);
  bitmap->Canvas()->Brush()->SetColor(static_cast<TColor>(PALETTEINDEX(255)));
  bitmap->Canvas()->FillRect(Rect(0, 0, 4, 4));
  EXPECT_EQ(static_cast<uint8_t*>(bitmap->ScanLine(2))[2], 255);
}

TEST(BitmapTransparency, AutomaticColourIsTheBottomLeftPixel) {
  auto bitmap = MakeBitmap(3, 3, pf24bit, clWhite);
  bitmap->Canvas()->SetPixels(0, 2, clLime);
  EXPECT_EQ(bitmap->TransparentMode(), tmAuto);
  EXPECT_EQ(bitmap->TransparentColor(), clLime | 0x02000000);
  bitmap->SetTransparentColor(clRed);
  EXPECT_EQ(bitmap->TransparentMode(), tmFixed);
  EXPECT_EQ(bitmap->TransparentColor(), clRed | 0x02000000);
  bitmap->SetTransparentMode(tmAuto);
  EXPECT_EQ(bitmap->TransparentColor(), clLime | 0x02000000);

  auto mono = MakeBitmap(2, 2, pf24bit, clBlack);
  mono->SetMonochrome(true);
  EXPECT_EQ(mono->TransparentColor(), clWhite | 0x02000000);
}

TEST(BitmapTransparency, DrawingLeavesOutTheTransparentColour) {
  auto picture = MakeBitmap(4, 4, pf24bit, clLime);
  picture->Canvas()->SetPixels(1, 1, clRed);
  picture->SetTransparent(true);
  auto target = MakeBitmap(4, 4, pf24bit, clBlue);
  target->Canvas()->Draw(0, 0, picture.get());
  EXPECT_EQ(Pixel(*target, 1, 1), 0x0000FFu);
  EXPECT_EQ(Pixel(*target, 2, 2), 0xFF0000u);

  picture->SetTransparent(false);
  target->Canvas()->Draw(0, 0, picture.get());
  EXPECT_EQ(Pixel(*target, 2, 2), 0x00FF00u);
}

TEST(BitmapHandles, TheHandleCanBeSelectedElsewhereBetweenDrawings) {
  auto bitmap = MakeBitmap(4, 4, pf24bit);
  bitmap->Canvas()->SetPixels(0, 0, clRed);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap->Handle());
  ASSERT_NE(old, nullptr);
  SetPixel(dc, 1, 1, RGB(0, 0, 255));
  SelectObject(dc, old);
  DeleteDC(dc);
  bitmap->Canvas()->SetPixels(2, 2, clLime);
  EXPECT_EQ(Pixel(*bitmap, 0, 0), 0x0000FFu);
  EXPECT_EQ(Pixel(*bitmap, 1, 1), 0xFF0000u);
  EXPECT_EQ(Pixel(*bitmap, 2, 2), 0x00FF00u);
}

TEST(BitmapHandles, DormantKeepsThePixels) {
  auto bitmap = MakeBitmap(5, 3, pf24bit, TColor(0x445566));
  std::vector<uint8_t> before = Rows(*bitmap);
  bitmap->Dormant();
  EXPECT_FALSE(bitmap->HandleAllocated());
  EXPECT_EQ(bitmap->Width(), 5);
  EXPECT_EQ(Rows(*bitmap), before);
  EXPECT_TRUE(bitmap->HandleAllocated());
}

TEST(BitmapHandles, TakesOverDibSectionsAndDeviceBitmaps) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 3, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  static_cast<uint8_t*>(bits)[2] = 0xAB;  // red of the bottom-left pixel
  TBitmap bitmap;
  bitmap.SetHandle(dib);
  EXPECT_EQ(bitmap.Handle(), dib);
  EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(Pixel(bitmap, 0, 1), 0x0000ABu);

  HDC screen = GetDC(nullptr);
  HBITMAP ddb = CreateCompatibleBitmap(screen, 4, 4);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, ddb);
  SetPixel(dc, 2, 2, RGB(10, 20, 30));
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  bitmap.SetHandle(ddb);
  EXPECT_EQ(bitmap.PixelFormat(), pfDevice);
  EXPECT_EQ(Pixel(bitmap, 2, 2), uint32_t(RGB(10, 20, 30)));

  HBITMAP released = bitmap.ReleaseHandle();
  EXPECT_NE(released, nullptr);
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.PixelFormat(), pfDevice);
  EXPECT_TRUE(DeleteObject(released));

  bitmap.SetSize(2, 2);
  bitmap.SetHandle(nullptr);
  EXPECT_TRUE(bitmap.Empty());
}

}  // namespace

namespace {

// A large bitmap's memory may serve the next bitmap of its size: that one must start as a
// fresh one does, whatever the first held. A small bitmap (never kept) shows the fresh bytes.
TEST(BitmapMemory, ABitmapAfterALargeOneOfItsSizeStartsFresh) {
  constexpr int kWidth = 2048, kHeight = 1536;  // 9 MB and 12 MB
  for (const TPixelFormat format : {pf24bit, pf32bit}) {
    SCOPED_TRACE(int(format));
    auto made = [&](int width, int height) {
      auto bitmap = std::make_unique<TBitmap>();
      bitmap->SetPixelFormat(format);
      bitmap->SetSize(width, height);
      return bitmap;
    };
    const std::vector<uint8_t> fresh = Rows(*made(1, 1));
    const size_t pixelBytes = format == pf32bit ? 4 : 3;
    {
      auto first = MakeBitmap(kWidth, kHeight, format);
      for (int y = 0; y < kHeight; ++y) std::memset(first->ScanLine(y), 0xAB, kWidth * pixelBytes);
    }
    auto second = made(kWidth, kHeight);
    for (const int y : {0, kHeight / 2, kHeight - 1}) {
      const auto* row = static_cast<const uint8_t*>(second->ScanLine(y));
      for (const int x : {0, kWidth - 1})
        EXPECT_EQ(0, std::memcmp(row + x * pixelBytes, fresh.data(), pixelBytes)) << x << "," << y;
    }
  }
}

}  // namespace
