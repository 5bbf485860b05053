#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/model/dib_bitmap.h"
#include "imaging/model/routines/dib_export.h"
#include "imaging/model/routines/dib_import.h"
#include "imaging/model/routines/yuv_decoders.h"
#include "tests/imaging/model/routines/routines_test_support.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/win.h"

using namespace imaging;
using namespace routines_test;

namespace {

constexpr uint32_t FourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | (uint32_t(uint8_t(b)) << 8) | (uint32_t(uint8_t(c)) << 16) | (uint32_t(uint8_t(d)) << 24);
}

// A packed DIB: header, the given masks and colour table, then the pixel bytes.
std::vector<uint8_t> MakeDib(int32_t width, int32_t height, int bits, uint32_t compression,
                             const std::vector<RGBQUAD>& table, const std::vector<uint8_t>& pixels,
                             const std::vector<uint32_t>& masks = {}, uint32_t clrUsed = 0) {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = WORD(bits);
  h.biCompression = compression;
  h.biClrUsed = clrUsed;
  // Compressed pixels say how many bytes they take.
  if (compression == BI_RLE8 || compression == BI_RLE4) h.biSizeImage = DWORD(pixels.size());
  std::vector<uint8_t> dib(sizeof h);
  std::memcpy(dib.data(), &h, sizeof h);
  for (uint32_t m : masks) dib.insert(dib.end(), reinterpret_cast<uint8_t*>(&m), reinterpret_cast<uint8_t*>(&m) + 4);
  for (const RGBQUAD& q : table) dib.insert(dib.end(), reinterpret_cast<const uint8_t*>(&q), reinterpret_cast<const uint8_t*>(&q) + 4);
  dib.insert(dib.end(), pixels.begin(), pixels.end());
  return dib;
}

// A copy of a packed DIB in global memory, as the clipboard holds one.
HGLOBAL ToGlobal(const std::vector<uint8_t>& dib) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, dib.size());
  std::memcpy(GlobalLock(block), dib.data(), dib.size());
  GlobalUnlock(block);
  return block;
}

std::vector<uint8_t> FromGlobal(HGLOBAL block) {
  const uint8_t* data = static_cast<const uint8_t*>(GlobalLock(block));
  std::vector<uint8_t> bytes(data, data + GlobalSize(block));
  GlobalUnlock(block);
  return bytes;
}

// The platform's own reading of a packed DIB: drawn with StretchDIBits into a 32-bit DIB
// section, top row first.
std::vector<TRGB> DrawWithPlatform(const std::vector<uint8_t>& dib) {
  BITMAPINFOHEADER h;
  std::memcpy(&h, dib.data(), sizeof h);
  const int32_t width = h.biWidth, height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  size_t offset = h.biSize + (h.biCompression == BI_BITFIELDS ? 12 : 0);
  const uint32_t entries = h.biClrUsed ? h.biClrUsed : (h.biBitCount <= 8 ? 1u << h.biBitCount : 0);
  offset += entries * 4;

  BITMAPINFO target{};
  target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  target.bmiHeader.biWidth = width;
  target.bmiHeader.biHeight = -height;
  target.bmiHeader.biPlanes = 1;
  target.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP section = CreateDIBSection(dc, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, section);
  StretchDIBits(dc, 0, 0, width, height, 0, 0, width, height, dib.data() + offset,
                reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS, SRCCOPY);
  GdiFlush();
  std::vector<TRGB> pixels(size_t(width) * height);
  for (size_t i = 0; i < pixels.size(); ++i) std::memcpy(&pixels[i], static_cast<uint8_t*>(bits) + i * 4, 3);
  SelectObject(dc, old);
  DeleteObject(section);
  DeleteDC(dc);
  return pixels;
}

// The importer's reading of a packed DIB.
std::unique_ptr<TIEBitmap> Import(const std::vector<uint8_t>& dib, int32_t* bitCount = nullptr) {
  auto bitmap = MakeBitmap(1, 1, ie24RGB);
  const int32_t bits = PackedDIBToIEBitmap(dib.data(), dib.size(), bitmap.get());
  if (bitCount) *bitCount = bits;
  return bitmap;
}

void ExpectSamePixels(TIEBitmap* bitmap, const std::vector<TRGB>& expected, const char* what) {
  ASSERT_EQ(size_t(bitmap->GetWidth()) * bitmap->GetHeight(), expected.size()) << what;
  for (int32_t y = 0; y < bitmap->GetHeight(); ++y)
    for (int32_t x = 0; x < bitmap->GetWidth(); ++x) {
      const TRGB a = bitmap->GetPixelRGB(x, y), b = expected[size_t(y) * bitmap->GetWidth() + x];
      ASSERT_TRUE(SameColour(a, b)) << what << " at " << x << "," << y << ": " << int(a.r) << " " << int(a.g) << " "
                                    << int(a.b) << " vs " << int(b.r) << " " << int(b.g) << " " << int(b.b);
    }
}

// A bitmap of the format with varied pixels.
std::unique_ptr<TIEBitmap> Sample(TIEPixelFormat format, int32_t width, int32_t height) {
  auto bitmap = MakeBitmap(width, height, format);
  for (int i = 0; i < 256; ++i) bitmap->SetPaletteColor(i, MakeRGB(uint8_t(i * 7), uint8_t(255 - i), uint8_t(i ^ 0x5A)));
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = static_cast<uint8_t*>(bitmap->GetScanline(y));
    for (int32_t i = 0; i < bitmap->GetRowLen(); ++i) row[i] = uint8_t(y * 31 + i * 13 + 5);
  }
  return bitmap;
}

std::vector<TRGB> PixelsOf(TIEBitmap* bitmap) {
  std::vector<TRGB> pixels;
  for (int32_t y = 0; y < bitmap->GetHeight(); ++y)
    for (int32_t x = 0; x < bitmap->GetWidth(); ++x) pixels.push_back(bitmap->GetPixelRGB(x, y));
  return pixels;
}

}  // namespace

TEST(DibExport, HeaderAndRowsOfA24BitImage) {
  auto bitmap = MakeRGB24(3, 2, [](int32_t x, int32_t y) { return MakeRGB(uint8_t(x), uint8_t(y), 9); });
  HGLOBAL block = _CopyBitmaptoDIBEx(bitmap.get(), 0, 0, 0, 0, 96, 300);
  ASSERT_TRUE(block);
  std::vector<uint8_t> dib = FromGlobal(block);
  GlobalFree(block);
  ASSERT_GE(dib.size(), 44u + 24u);
  BITMAPINFOHEADER h;
  std::memcpy(&h, dib.data(), sizeof h);
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biWidth, 3);
  EXPECT_EQ(h.biHeight, 2);
  EXPECT_EQ(h.biPlanes, 1);
  EXPECT_EQ(h.biBitCount, 24);
  EXPECT_EQ(h.biCompression, DWORD(BI_RGB));
  EXPECT_EQ(h.biXPelsPerMeter, 3779);
  EXPECT_EQ(h.biYPelsPerMeter, 11811);
  EXPECT_EQ(h.biClrUsed, 0u);
  // 12-byte rows (9 bytes and padding), bottom row first.
  const uint8_t* rows = dib.data() + 40;
  EXPECT_EQ(rows[0], 9);   // blue of (0, 1)
  EXPECT_EQ(rows[1], 1);   // green: row 1
  EXPECT_EQ(rows[5], 1);   // red of (1, 1)
  EXPECT_EQ(rows[9], 0);   // padding
  EXPECT_EQ(rows[12 + 1], 0);  // then row 0
}

TEST(DibExport, RoundTripsThroughThePlatformAndTheImporter) {
  struct Case {
    TIEPixelFormat format;
    int bits;
  } cases[] = {{ie1g, 1}, {ie8p, 8}, {ie8g, 8}, {ie24RGB, 24}, {ie16g, 24}, {ie32RGB, 24}, {ieRGB48, 24}, {ieCMYK, 24},
               {ie32f, 24}, {ieCIELab, 24}};
  for (const Case& c : cases) {
    auto bitmap = Sample(c.format, 13, 5);
    if (c.format == ie32f)
      for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 13; ++x) bitmap->SetPixelFloat(x, y, float((x + y) % 7) / 6);
    // Other formats are exported as their 24-bit conversion.
    TIEBitmap expected;
    expected.Assign(bitmap.get());
    if (c.bits == 24) expected.SetPixelFormat(ie24RGB);
    HGLOBAL block = _CopyBitmaptoDIBEx(bitmap.get(), 0, 0, 0, 0, 72, 72);
    ASSERT_TRUE(block) << c.format;
    std::vector<uint8_t> dib = FromGlobal(block);
    EXPECT_EQ(reinterpret_cast<BITMAPINFOHEADER*>(dib.data())->biBitCount, c.bits) << c.format;
    ExpectSamePixels(&expected, DrawWithPlatform(dib), "platform");
    auto imported = MakeBitmap(1, 1, ie8g);
    EXPECT_EQ(PackedDIBToIEBitmap(block, imported.get()), c.bits);
    ExpectSamePixels(imported.get(), PixelsOf(&expected), "importer");
    GlobalFree(block);
  }
}

TEST(DibExport, ThroughTheClipboard) {
  auto bitmap = Sample(ie24RGB, 7, 4);
  HGLOBAL block = _CopyBitmaptoDIBEx(bitmap.get(), 0, 0, 0, 0, 96, 96);
  ASSERT_TRUE(block);
  bool opened = false;
  for (int attempt = 0; attempt < 50 && !opened; ++attempt) {
    opened = OpenClipboard(nullptr);
    if (!opened) Sleep(20);
  }
  ASSERT_TRUE(opened);
  EmptyClipboard();
  ASSERT_TRUE(SetClipboardData(CF_DIB, block));  // the clipboard owns it now
  CloseClipboard();

  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE dib = GetClipboardData(CF_DIB);
  ASSERT_TRUE(dib);
  auto pasted = MakeBitmap(1, 1, ie8g);
  EXPECT_EQ(PackedDIBToIEBitmap(static_cast<HGLOBAL>(dib), pasted.get()), 24);
  // The platform's own bitmap made from it has the same pixels.
  HBITMAP handle = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  ASSERT_TRUE(handle);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 7;
  info.bmiHeader.biHeight = -4;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<uint8_t> pixels(7 * 4 * 4);
  HDC dc = GetDC(nullptr);
  EXPECT_EQ(GetDIBits(dc, handle, 0, 4, pixels.data(), &info, DIB_RGB_COLORS), 4);
  ReleaseDC(nullptr, dc);
  EmptyClipboard();
  CloseClipboard();

  ExpectSamePixels(pasted.get(), PixelsOf(bitmap.get()), "pasted DIB");
  std::vector<TRGB> fromBitmap(28);
  for (size_t i = 0; i < fromBitmap.size(); ++i) std::memcpy(&fromBitmap[i], pixels.data() + i * 4, 3);
  ExpectSamePixels(bitmap.get(), fromBitmap, "platform bitmap");
}

TEST(DibExport, RectanglesAreClipped) {
  auto bits = MakeBitmap(64, 3, ie1g);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 64; ++x) SetBit(bits.get(), x, y, (x * 7 + y) % 5 < 2);
  struct Case {
    int32_t x1, y1, x2, y2;
    int32_t left, top, width, height;  // the rectangle exported; width 0: none
  } cases[] = {
      {3, 0, 0, 0, 3, 0, 61, 3},    // rows start with source bit 3
      {40, 1, 64, 3, 40, 1, 24, 2},  // a DIB row narrower than the bitmap's row
      {-5, -5, 10, 2, 0, 0, 10, 2}, {60, 0, 99, 99, 60, 0, 4, 3},
      {10, 0, 10, 3, 0, 0, 0, 0},    {70, 0, 80, 3, 0, 0, 0, 0}, {5, 2, 9, 1, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    HGLOBAL block = _CopyBitmaptoDIBEx(bits.get(), c.x1, c.y1, c.x2, c.y2, 0, 0);
    if (c.width == 0) {
      EXPECT_FALSE(block) << c.x1;
      continue;
    }
    ASSERT_TRUE(block);
    auto imported = MakeBitmap(1, 1, ie24RGB);
    EXPECT_EQ(PackedDIBToIEBitmap(block, imported.get()), 1);
    GlobalFree(block);
    ASSERT_EQ(imported->GetWidth(), c.width);
    ASSERT_EQ(imported->GetHeight(), c.height);
    for (int32_t y = 0; y < c.height; ++y)
      for (int32_t x = 0; x < c.width; ++x)
        EXPECT_EQ(BitAt(imported.get(), x, y), BitAt(bits.get(), c.left + x, c.top + y)) << c.x1 << ": " << x << "," << y;
  }
}

TEST(DibExport, AnEmptyBitmapGivesAHeaderOnlyDib) {
  // 44 bytes (header and spare bytes) plus the colour table of the format: 8 for 1 bit, 1024
  // for 8 bits, none for 24 bits and every format exported as 24 bits.
  struct Case {
    const char* what;
    TIEPixelFormat format;  // ieNull: a bitmap never allocated
    size_t size;
    int bits;
  } cases[] = {{"never allocated", ieNull, 44, 24}, {"24-bit", ie24RGB, 44, 24},  {"32-bit", ie32RGB, 44, 24},
               {"16-bit grey", ie16g, 44, 24},      {"1-bit", ie1g, 52, 1},       {"grey", ie8g, 1068, 8},
               {"palette", ie8p, 1068, 8}};
  for (const Case& c : cases) {
    TIEBitmap empty;
    if (c.format != ieNull) {
      ASSERT_TRUE(empty.Allocate(2, 2, c.format)) << c.what;
      empty.FreeImage(true);
    }
    ASSERT_TRUE(empty.IsEmpty()) << c.what;
    HGLOBAL block = _CopyBitmaptoDIBEx(&empty, 0, 0, 0, 0, 96, 200);
    ASSERT_TRUE(block) << c.what;
    const std::vector<uint8_t> dib = FromGlobal(block);
    GlobalFree(block);
    ASSERT_EQ(dib.size(), c.size) << c.what;
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib.data(), sizeof h);
    EXPECT_EQ(h.biSize, 40u) << c.what;
    EXPECT_EQ(h.biWidth, 0) << c.what;
    EXPECT_EQ(h.biHeight, 0) << c.what;
    EXPECT_EQ(h.biPlanes, 1) << c.what;
    EXPECT_EQ(h.biBitCount, c.bits) << c.what;
    EXPECT_EQ(h.biCompression, DWORD(BI_RGB)) << c.what;
    EXPECT_EQ(h.biXPelsPerMeter, 3779) << c.what;
    EXPECT_EQ(h.biYPelsPerMeter, 7874) << c.what;
    // A DIB of no pixels is no picture: the importer refuses it and keeps its target.
    auto target = MakeBitmap(3, 3, ie24RGB);
    EXPECT_THROW(PackedDIBToIEBitmap(dib.data(), dib.size(), target.get()), vcl::EInvalidGraphic) << c.what;
    EXPECT_EQ(target->GetWidth(), 3) << c.what;
  }
  EXPECT_FALSE(_CopyBitmaptoDIBEx(nullptr, 0, 0, 0, 0, 96, 96));
}

TEST(DibImport, DepthsAndLayouts) {
  const std::vector<RGBQUAD> table = {{10, 20, 30, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}, {1, 2, 3, 0}};
  struct Case {
    const char* what;
    std::vector<uint8_t> dib;
    std::vector<TRGB> expected;  // top row first
  } cases[] = {
      // 5 pixels of 4 bits: every pixel set, the sixth nibble ignored.
      {"4-bit", MakeDib(5, 1, 4, BI_RGB, table, {0x01, 0x23, 0x1F, 0}, {}, 4),
       {MakeRGB(30, 20, 10), MakeRGB(60, 50, 40), MakeRGB(90, 80, 70), MakeRGB(3, 2, 1), MakeRGB(60, 50, 40)}},
      {"8-bit", MakeDib(2, 2, 8, BI_RGB, table, {2, 9, 0, 0, 1, 3, 0, 0}, {}, 4),  // index 9 is past the table
       {MakeRGB(60, 50, 40), MakeRGB(3, 2, 1), MakeRGB(90, 80, 70), MakeRGB(0, 0, 0)}},
      // 16 bits 5-5-5: 0x7FFF is 248 in every channel, no low bits repeated.
      {"16-bit", MakeDib(2, 1, 16, BI_RGB, {}, {0xFF, 0x7F, 0x1F, 0x00}), {Grey(248), MakeRGB(0, 0, 248)}},
      {"16-bit 5-6-5", MakeDib(2, 1, 16, BI_BITFIELDS, {}, {0xE0, 0x07, 0x00, 0xF8}, {0xF800, 0x07E0, 0x001F}),
       {MakeRGB(0, 252, 0), MakeRGB(248, 0, 0)}},
      {"24-bit", MakeDib(1, 2, 24, BI_RGB, {}, {1, 2, 3, 0, 4, 5, 6, 0}), {MakeRGB(6, 5, 4), MakeRGB(3, 2, 1)}},
      {"32-bit", MakeDib(1, 1, 32, BI_RGB, {}, {1, 2, 3, 99}), {MakeRGB(3, 2, 1)}},
      {"32-bit fields", MakeDib(1, 1, 32, BI_BITFIELDS, {}, {1, 2, 3, 99}, {0xFF0000, 0xFF00, 0xFF}), {MakeRGB(3, 2, 1)}},
      {"32-bit swapped fields", MakeDib(1, 1, 32, BI_BITFIELDS, {}, {1, 2, 3, 99}, {0xFF, 0xFF00, 0xFF0000}),
       {MakeRGB(1, 2, 3)}},
      {"top-down", MakeDib(1, -2, 24, BI_RGB, {}, {1, 2, 3, 0, 4, 5, 6, 0}), {MakeRGB(3, 2, 1), MakeRGB(6, 5, 4)}},
      {"24-bit with a colour table", MakeDib(1, 1, 24, BI_RGB, table, {7, 8, 9, 0}, {}, 4), {MakeRGB(9, 8, 7)}},
  };
  for (const Case& c : cases) {
    int32_t bitCount = 0;
    auto bitmap = Import(c.dib, &bitCount);
    EXPECT_EQ(bitCount, reinterpret_cast<const BITMAPINFOHEADER*>(c.dib.data())->biBitCount) << c.what;
    EXPECT_EQ(bitmap->GetPixelFormat(), ie24RGB) << c.what;
    ExpectSamePixels(bitmap.get(), c.expected, c.what);
  }
}

TEST(DibImport, RunLengthsDecodeAsThePlatformDoes) {
  const std::vector<RGBQUAD> table = {{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}};
  struct Case {
    const char* what;
    std::vector<uint8_t> dib;
  } cases[] = {
      // RLE8: a run, an absolute run, end of line, a delta, end of bitmap.
      {"RLE8", MakeDib(6, 3, 8, BI_RLE8, table, {3, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 2, 1, 2, 3, 0, 1}, {}, 4)},
      {"RLE4", MakeDib(6, 2, 4, BI_RLE4, table, {5, 0x12, 0, 0, 0, 4, 0x31, 0x23, 0, 1}, {}, 4)},
  };
  for (const Case& c : cases) {
    auto bitmap = Import(c.dib);
    ExpectSamePixels(bitmap.get(), DrawWithPlatform(c.dib), c.what);
  }
}

TEST(DibImport, OneBitDibs) {
  const std::vector<uint8_t> rows = {0xA0, 0, 0, 0, 0x40, 0, 0, 0};  // 3 x 2, bottom row first
  auto plain = Import(MakeDib(3, 2, 1, BI_RGB, {{0, 0, 0, 0}, {255, 255, 255, 0}}, rows));
  ASSERT_EQ(plain->GetPixelFormat(), ie1g);
  EXPECT_FALSE(BitAt(plain.get(), 0, 0));
  EXPECT_TRUE(BitAt(plain.get(), 1, 0));
  EXPECT_TRUE(BitAt(plain.get(), 0, 1));
  EXPECT_TRUE(BitAt(plain.get(), 2, 1));
  // A table with white first stores white as 0: the picture still comes out the same way up.
  auto inverted = Import(MakeDib(3, 2, 1, BI_RGB, {{255, 255, 255, 0}, {0, 0, 0, 0}}, rows));
  EXPECT_TRUE(BitAt(inverted.get(), 0, 0));
  EXPECT_FALSE(BitAt(inverted.get(), 1, 0));
}

TEST(DibImport, YUVFrames) {
  // A 4 x 2 YUY2 frame: two 4-byte groups per row, top row first; Y 16, U = V = 128 is black.
  std::vector<uint8_t> yuy2 = {16, 128, 16, 128, 235, 128, 235, 128, 235, 128, 235, 128, 16, 128, 16, 128};
  auto frame = Import(MakeDib(4, 2, 16, FourCC('Y', 'U', 'Y', '2'), {}, yuy2));
  const TRGB black = Grey(0), white = Grey(255);
  ExpectSamePixels(frame.get(), {black, black, white, white, white, white, black, black}, "YUY2");

  // Distinct luma per pixel shows where each layout keeps each pixel; 3 pixels wide and 2 high
  // (not whole groups).
  const uint8_t l[6] = {16, 60, 100, 140, 180, 235};  // pixels (0,0) (1,0) (2,0) (0,1) (1,1) (2,1)
  auto lumaGrey = [](uint8_t y) { return YUVToRGB24(y, 128, 128); };
  struct Case {
    const char* code;
    std::vector<uint8_t> data;
  } cases[] = {
      {"UYVY", {128, l[0], 128, l[1], 128, l[2], 128, 0, 128, l[3], 128, l[4], 128, l[5], 128, 0}},
      {"YVYU", {l[0], 128, l[1], 128, l[2], 128, 0, 128, l[3], 128, l[4], 128, l[5], 128, 0, 128}},
      {"cyuv", {128, l[3], 128, l[4], 128, l[5], 128, 0, 128, l[0], 128, l[1], 128, l[2], 128, 0}},  // bottom row first
      {"IYU2", {128, l[0], 128, 128, l[1], 128, 128, l[2], 128, 128, l[3], 128, 128, l[4], 128, 128, l[5], 128}},
      {"IYU1", {128, l[0], l[1], 128, l[2], 0, 128, l[3], l[4], 128, l[5], 0}},
      {"Y41P", {128, l[3], 128, l[4], 128, l[5], 128, 0, 0, 0, 0, 0, 128, l[0], 128, l[1], 128, l[2], 128, 0, 0, 0, 0, 0}},
      {"I420", {l[0], l[1], l[2], l[3], l[4], l[5], 128, 128, 128, 128}},
      {"YV12", {l[0], l[1], l[2], l[3], l[4], l[5], 128, 128, 128, 128}},
      {"YVU9", {l[0], l[1], l[2], l[3], l[4], l[5], 128, 128}},
  };
  for (const Case& c : cases) {
    const uint32_t code = FourCC(c.code[0], c.code[1], c.code[2], c.code[3]);
    EXPECT_EQ(YUVFrameSize(code, 3, 2), int64_t(c.data.size())) << c.code;
    auto bitmap = Import(MakeDib(3, 2, 16, code, {}, c.data));
    std::vector<TRGB> expected;
    for (uint8_t y : l) expected.push_back(lumaGrey(y));
    ExpectSamePixels(bitmap.get(), expected, c.code);
  }
  // Y211 halves the luma; CLJR's 5-bit luma and 6-bit chroma are spread over 8 bits.
  auto y211 = Import(MakeDib(4, 1, 16, FourCC('Y', '2', '1', '1'), {}, {l[1], 128, l[4], 128}));
  ExpectSamePixels(y211.get(), {lumaGrey(l[1]), lumaGrey(l[1]), lumaGrey(l[4]), lumaGrey(l[4])}, "Y211");
  const uint32_t word = 32u | (32u << 6) | (31u << 12) | (31u << 17) | (0u << 22) | (16u << 27);
  std::vector<uint8_t> cljr(4);
  std::memcpy(cljr.data(), &word, 4);
  auto clear = Import(MakeDib(4, 1, 16, FourCC('C', 'L', 'J', 'R'), {}, cljr));
  ExpectSamePixels(clear.get(), {YUVToRGB24(255, 130, 130), YUVToRGB24(255, 130, 130), YUVToRGB24(0, 130, 130),
                                 YUVToRGB24(132, 130, 130)},
                   "CLJR");
}

TEST(DibImport, YUVFramesDecodeTo24BitsWhateverBitCountTheHeaderDeclares) {
  // A 4 x 2 YUY2 frame and a 4 x 1 CLJR word, declared with every bit count a header may carry:
  // each decodes to the same 24-bit pixels (a 1-bit target would be overrun by 3-byte pixels,
  // and an 8-bit count must not make a colour table of the frame's first bytes).
  const std::vector<uint8_t> yuy2 = {16, 128, 16, 128, 235, 128, 235, 128, 235, 128, 235, 128, 16, 128, 16, 128};
  const TRGB black = Grey(0), white = Grey(255);
  const std::vector<TRGB> yuy2Pixels = {black, black, white, white, white, white, black, black};
  const uint32_t word = 32u | (32u << 6) | (31u << 12) | (31u << 17) | (0u << 22) | (16u << 27);
  std::vector<uint8_t> cljr(4);
  std::memcpy(cljr.data(), &word, 4);
  const std::vector<TRGB> cljrPixels = {YUVToRGB24(255, 130, 130), YUVToRGB24(255, 130, 130), YUVToRGB24(0, 130, 130),
                                        YUVToRGB24(132, 130, 130)};
  for (int bits : {0, 1, 4, 8, 16, 24, 32}) {
    const std::string what = "declared " + std::to_string(bits) + " bits";
    int32_t returned = -1;
    auto frame = Import(MakeDib(4, 2, bits, FourCC('Y', 'U', 'Y', '2'), {}, yuy2), &returned);
    EXPECT_EQ(returned, bits) << what;
    ASSERT_EQ(frame->GetPixelFormat(), ie24RGB) << what;
    ExpectSamePixels(frame.get(), yuy2Pixels, what.c_str());
    auto clear = Import(MakeDib(4, 1, bits, FourCC('C', 'L', 'J', 'R'), {}, cljr));
    ASSERT_EQ(clear->GetPixelFormat(), ie24RGB) << what;
    ExpectSamePixels(clear.get(), cljrPixels, what.c_str());

    // The route through a DIB bitmap decodes the checked frame itself, into 24 bits.
    const std::vector<uint8_t> dib = MakeDib(4, 2, bits, FourCC('Y', 'U', 'Y', '2'), {}, yuy2);
    TIEDibbitmap drawn;
    EXPECT_EQ(PackedDIBToDibbitmap(dib.data(), dib.size(), &drawn), bits) << what;
    ASSERT_EQ(drawn.GetBitCount(), 24) << what;
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t x = 0; x < 4; ++x)
        EXPECT_TRUE(SameColour(static_cast<const TRGB*>(drawn.GetScanline(y))[x], yuy2Pixels[size_t(y) * 4 + x]))
            << what << " at " << x << "," << y;
    // A frame one byte short is refused on both routes, the targets kept.
    const std::vector<uint8_t> shortFrame(dib.begin(), dib.end() - 1);
    EXPECT_THROW(PackedDIBToIEBitmap(shortFrame.data(), shortFrame.size(), frame.get()), vcl::EInvalidGraphic) << what;
    EXPECT_EQ(frame->GetWidth(), 4) << what;
    EXPECT_THROW(PackedDIBToDibbitmap(shortFrame.data(), shortFrame.size(), &drawn), vcl::EInvalidGraphic) << what;
    EXPECT_EQ(drawn.GetWidth(), 4) << what;
  }
  // The decoder itself writes 3-byte pixels only into a 24-bit bitmap.
  auto bilevel = MakeBitmap(4, 2, ie1g);
  EXPECT_THROW(DecodeYUVFrame(FourCC('Y', 'U', 'Y', '2'), yuy2.data(), bilevel.get()), vcl::EInvalidArgument);
}

TEST(DibImport, YUVToRGB) {
  struct Case {
    int y, u, v;
    int red, green, blue;
  } cases[] = {{16, 128, 128, 0, 0, 0}, {235, 128, 128, 255, 255, 255}, {81, 90, 240, 254, 0, 0},
               {0, 128, 128, 0, 0, 0}, {255, 255, 255, 255, 125, 255}};
  for (const Case& c : cases) {
    const TRGB p = YUVToRGB24(c.y, c.u, c.v);
    EXPECT_EQ(p.r, c.red) << c.y;
    EXPECT_EQ(p.g, c.green) << c.y;
    EXPECT_EQ(p.b, c.blue) << c.y;
  }
}

TEST(DibImport, DamagedDibsRaiseAndKeepTheTarget) {
  const std::vector<uint8_t> good = MakeDib(2, 2, 24, BI_RGB, {}, std::vector<uint8_t>(16, 7));
  auto withHeader = [&](const std::function<void(BITMAPINFOHEADER&)>& change) {
    std::vector<uint8_t> dib = good;
    change(*reinterpret_cast<BITMAPINFOHEADER*>(dib.data()));
    return dib;
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> dib;
  } cases[] = {
      {"truncated pixels", std::vector<uint8_t>(good.begin(), good.end() - 1)},
      {"truncated header", std::vector<uint8_t>(good.begin(), good.begin() + 30)},
      {"huge width", withHeader([](BITMAPINFOHEADER& h) { h.biWidth = 0x7FFFFFFF; })},
      {"huge height", withHeader([](BITMAPINFOHEADER& h) { h.biHeight = -0x7FFFFFFF; })},
      {"no width", withHeader([](BITMAPINFOHEADER& h) { h.biWidth = 0; })},
      {"no height", withHeader([](BITMAPINFOHEADER& h) { h.biHeight = 0; })},
      {"header size", withHeader([](BITMAPINFOHEADER& h) { h.biSize = 12; })},
      {"header size past the block", withHeader([](BITMAPINFOHEADER& h) { h.biSize = 4000; })},
      {"colour count", withHeader([](BITMAPINFOHEADER& h) { h.biClrUsed = 300; })},
      {"table past the block", MakeDib(2, 2, 8, BI_RGB, {{0, 0, 0, 0}}, {0, 0, 0, 0}, {}, 0)},
      {"bit fields without masks", MakeDib(1, 1, 32, BI_BITFIELDS, {}, {})},
      {"truncated run lengths", MakeDib(4, 2, 8, BI_RLE8, {{0, 0, 0, 0}}, {4, 0, 0, 0}, {}, 1)},
      {"top-down run lengths", MakeDib(4, -2, 8, BI_RLE8, {{0, 0, 0, 0}}, {0, 1}, {}, 1)},
      {"short YUV frame", MakeDib(4, 2, 16, FourCC('Y', 'U', 'Y', '2'), {}, std::vector<uint8_t>(15, 128))},
  };
  for (const Case& c : cases) {
    auto target = MakeRGB24(3, 3, [](int32_t, int32_t) { return MakeRGB(1, 2, 3); });
    EXPECT_THROW(PackedDIBToIEBitmap(c.dib.data(), c.dib.size(), target.get()), vcl::EInvalidGraphic) << c.what;
    EXPECT_EQ(target->GetWidth(), 3) << c.what;
    EXPECT_TRUE(SameColour(target->GetPixel24(2, 2), MakeRGB(1, 2, 3))) << c.what;
  }
}

TEST(DibImport, NothingOrUndecodableDibs) {
  auto target = MakeRGB24(3, 3, [](int32_t, int32_t) { return Grey(1); });
  EXPECT_EQ(PackedDIBToIEBitmap(static_cast<HGLOBAL>(nullptr), target.get()), 0);
  EXPECT_EQ(PackedDIBToIEBitmap(nullptr, 0, target.get()), 0);
  EXPECT_EQ(target->GetWidth(), 3);
  // A JPEG inside a DIB is not decoded here: the target is left empty.
  const std::vector<uint8_t> jpeg = MakeDib(2, 2, 0, BI_JPEG, {}, {0xFF, 0xD8, 0xFF, 0xD9});
  EXPECT_EQ(PackedDIBToIEBitmap(jpeg.data(), jpeg.size(), target.get()), 0);
  EXPECT_TRUE(target->IsEmpty());
}

TEST(DibImport, SeparatePixelBlock) {
  const std::vector<uint8_t> header = MakeDib(2, 1, 24, BI_RGB, {}, {});
  const std::vector<uint8_t> pixels = {1, 2, 3, 4, 5, 6, 0, 0};
  auto bitmap = MakeBitmap(1, 1, ie24RGB);
  EXPECT_EQ(PackedDIBToIEBitmap(header.data(), header.size(), bitmap.get(), pixels.data(), pixels.size()), 24);
  ExpectSamePixels(bitmap.get(), {MakeRGB(3, 2, 1), MakeRGB(6, 5, 4)}, "separate pixels");
  EXPECT_THROW(PackedDIBToIEBitmap(header.data(), header.size(), bitmap.get(), pixels.data(), 5), vcl::EInvalidGraphic);
}

TEST(DibImport, IntoADibBitmapThroughThePlatform) {
  const std::vector<RGBQUAD> table = {{10, 20, 30, 0}, {40, 50, 60, 0}};
  const std::vector<uint8_t> dib = MakeDib(3, 2, 8, BI_RGB, table, {0, 1, 0, 0, 1, 1, 0, 0}, {}, 2);
  TIEDibbitmap target;
  EXPECT_EQ(PackedDIBToDibbitmap(dib.data(), dib.size(), &target), 8);
  ASSERT_EQ(target.GetBitCount(), 24);
  ASSERT_EQ(target.GetWidth(), 3);
  const TRGB* top = static_cast<const TRGB*>(target.GetScanline(0));
  const TRGB* bottom = static_cast<const TRGB*>(target.GetScanline(1));
  EXPECT_TRUE(SameColour(top[0], MakeRGB(60, 50, 40)));
  EXPECT_TRUE(SameColour(bottom[0], MakeRGB(30, 20, 10)));
  EXPECT_TRUE(SameColour(bottom[1], MakeRGB(60, 50, 40)));

  HGLOBAL bilevel = ToGlobal(MakeDib(9, 1, 1, BI_RGB, {{0, 0, 0, 0}, {255, 255, 255, 0}}, {0x80, 0x80, 0, 0}));
  TIEDibbitmap bits;
  EXPECT_EQ(PackedDIBToDibbitmap(bilevel, &bits), 1);
  GlobalFree(bilevel);
  ASSERT_EQ(bits.GetBitCount(), 1);
  const uint8_t* row = static_cast<const uint8_t*>(bits.GetScanline(0));
  EXPECT_EQ(row[0], 0x80);
  EXPECT_EQ(row[1] & 0x80, 0x80);

  const std::vector<uint8_t> truncated(dib.begin(), dib.end() - 2);
  EXPECT_THROW(PackedDIBToDibbitmap(truncated.data(), truncated.size(), &target), vcl::EInvalidGraphic);
}
