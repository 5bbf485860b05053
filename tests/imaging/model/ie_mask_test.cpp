// The selection mask: storage and pixels, the full flag and the box, polygon fills and their
// combinations, moves, copies through the mask and the three ways of drawing it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "tests/support/ie_bitmap_checks.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"
#include "vcl/runtime/exceptions.h"

using namespace imaging;
using namespace ie_bitmap_test;

namespace {

struct Box {
  int32_t x1, y1, x2, y2;
  bool operator==(const Box&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Box& b) {
  return out << "(" << b.x1 << ", " << b.y1 << ", " << b.x2 << ", " << b.y2 << ")";
}

Box BoxOf(const TIEMask& mask) { return Box{mask.X1(), mask.Y1(), mask.X2(), mask.Y2()}; }

const Box kEmpty{TIEMask::kEmptyBox, TIEMask::kEmptyBox, 0, 0};

// The mask's rows as text, '#' for a set pixel.
std::vector<std::string> IeMaskPicture(const TIEMask& mask) {
  std::vector<std::string> rows;
  for (int32_t y = 0; y < mask.Height(); ++y) {
    std::string row;
    for (int32_t x = 0; x < mask.Width(); ++x) row += mask.IsPixelSet(x, y) ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

std::vector<POINT> RectPoints(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
}

// A white 24-bit platform bitmap.
std::unique_ptr<vcl::TBitmap> WhiteBitmap(int32_t width, int32_t height) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(width, height);
  for (int32_t y = 0; y < height; ++y) std::memset(bitmap->ScanLine(y), 255, size_t(width) * 3);
  return bitmap;
}

uint32_t PixelOf(vcl::TBitmap& bitmap, int32_t x, int32_t y) {
  return Packed(static_cast<const TRGB*>(bitmap.ScanLine(y))[x]);
}

}  // namespace

// ---- storage and pixels ----

TEST(IEMask, NewMaskIsEmpty) {
  TIEMask mask;
  EXPECT_TRUE(mask.IsEmpty());
  EXPECT_EQ(mask.Width(), 0);
  EXPECT_EQ(mask.GetPixel(0, 0), 0);
  EXPECT_FALSE(mask.Full());
  EXPECT_EQ(mask.Bits(), nullptr);
}

TEST(IEMask, AllocateLaysRowsBottomUpPaddedTo32Bits) {
  struct Case {
    int32_t width, height, bits, rowLen;
  } cases[] = {{10, 3, 1, 4}, {33, 3, 1, 8}, {10, 3, 8, 12}, {0, 5, 8, 0}};
  for (const Case& c : cases) {
    TIEMask mask;
    mask.Allocate(c.width, c.height, c.bits);
    EXPECT_EQ(mask.RowLen(), c.rowLen) << c.width << "x" << c.bits;
    if (c.rowLen > 0) {
      EXPECT_EQ(mask.GetScanline(0), mask.Bits() + (c.height - 1) * c.rowLen);
      EXPECT_EQ(mask.GetScanline(c.height - 1), mask.Bits());
    }
    EXPECT_TRUE(mask.IsEmpty());
  }
  TIEMask mask;
  EXPECT_THROW(mask.Allocate(4, 4, 4), vcl::EInvalidArgument);
  EXPECT_THROW(mask.Allocate(-1, 4, 8), vcl::EInvalidArgument);
}

TEST(IEMask, PixelsOfBothDepths) {
  struct Case {
    int32_t bits, x, value, expected;
  } cases[] = {{1, 0, 1, 128}, {1, 7, 1, 1}, {1, 9, 200, 64}, {8, 3, 77, 77}, {8, 4, 300, 44}};
  for (const Case& c : cases) {
    TIEMask mask;
    mask.Allocate(10, 4, c.bits);
    mask.SetPixel(c.x, 2, c.value);
    EXPECT_EQ(mask.GetPixel(c.x, 2), c.expected) << c.bits << " " << c.x;
    EXPECT_EQ(BoxOf(mask), (Box{c.x, 2, c.x, 2}));
  }
}

TEST(IEMask, ClearingAPixelKeepsTheBoxUntilSynchronised) {
  TIEMask mask;
  mask.Allocate(10, 10, 1);
  mask.SetPixel(2, 3, 1);
  mask.SetPixel(7, 8, 1);
  mask.SetPixel(7, 8, 0);
  EXPECT_EQ(mask.GetPixel(7, 8), 0);
  EXPECT_EQ(BoxOf(mask), (Box{2, 3, 7, 8}));
  mask.SyncBoundingBox();
  EXPECT_EQ(BoxOf(mask), (Box{2, 3, 2, 3}));
  // Outside the mask nothing changes, not even the box.
  for (auto [x, y] : {std::pair{-1, 0}, std::pair{10, 0}, std::pair{0, 10}}) mask.SetPixel(x, y, 1);
  EXPECT_EQ(BoxOf(mask), (Box{2, 3, 2, 3}));
  EXPECT_EQ(mask.GetPixel(-1, 0), 0);
}

TEST(IEMask, FullFlag) {
  TIEMask mask;
  mask.Allocate(10, 2, 1);
  mask.Fill(255);
  EXPECT_TRUE(mask.Full());
  mask.SetPixel(3, 1, 0);
  EXPECT_FALSE(mask.Full());
  mask.Fill(255);
  mask.Fill(0);
  EXPECT_FALSE(mask.Full());
  mask.Fill(255);
  mask.Clear();
  EXPECT_FALSE(mask.Full());
  EXPECT_TRUE(mask.IsEmpty());

  // Every pixel set by runs: full, whatever the padding bits hold.
  for (int32_t y = 0; y < 2; ++y) EXPECT_EQ(mask.FillSpan(1, 0, 9, y), 10);
  mask.UpdateFullFlag();
  EXPECT_TRUE(mask.Full());

  TIEMask grey;
  grey.Allocate(3, 3, 8);
  grey.Fill(255);
  EXPECT_TRUE(grey.Full());
  grey.SetPixel(1, 1, 254);
  EXPECT_FALSE(grey.Full());
  grey.SetPixel(1, 1, 255);
  grey.UpdateFullFlag();
  EXPECT_TRUE(grey.Full());
}

TEST(IEMask, SpansAreClampedToTheRowAndOutsideRowsWriteNothing) {
  struct Case {
    int32_t x1, x2, y, written;
    const char* row0;
    const char* row3;
  } cases[] = {
      {2, 5, 0, 4, "..####....", ".........."},
      {-3, 2, 3, 3, "..........", "###......."},
      {8, 40, 0, 2, "........##", ".........."},
      {3, 6, -1, 0, "..........", ".........."},
      {3, 6, 4, 0, "..........", ".........."},
      {12, 15, 0, 0, "..........", ".........."},
  };
  for (const Case& c : cases) {
    TIEMask mask;
    mask.Allocate(10, 4, 1);
    EXPECT_EQ(mask.FillSpan(1, c.x1, c.x2, c.y), c.written) << c.x1 << ".." << c.x2 << " row " << c.y;
    EXPECT_EQ(IeMaskPicture(mask)[0], c.row0) << c.x1 << ".." << c.x2 << " row " << c.y;
    EXPECT_EQ(IeMaskPicture(mask)[3], c.row3) << c.x1 << ".." << c.x2 << " row " << c.y;
    EXPECT_TRUE(mask.IsEmpty());
  }
}

TEST(IEMask, ResizeKeepsTheTopLeftAndTheBoxInside) {
  TIEMask mask;
  mask.Allocate(10, 10, 8);
  mask.SetPixel(1, 1, 9);
  mask.SetPixel(8, 8, 9);
  mask.Resize(5, 6);
  EXPECT_EQ(mask.Width(), 5);
  EXPECT_EQ(mask.GetPixel(1, 1), 9);
  EXPECT_EQ(BoxOf(mask), (Box{1, 1, 4, 5}));
  mask.Resize(12, 12);
  EXPECT_EQ(mask.GetPixel(1, 1), 9);
  EXPECT_EQ(mask.GetPixel(8, 8), 0);
}

// ---- polygons ----

TEST(IEMask, TriangleFillsRowsDownToItsBottomEdge) {
  TIEMask mask;
  mask.Allocate(20, 20, 1);
  std::vector<POINT> triangle{{0, 0}, {10, 0}, {0, 10}};
  mask.FillPolygons(1, triangle.data(), 3);
  auto picture = IeMaskPicture(mask);
  EXPECT_EQ(picture[0], "##########..........");
  EXPECT_EQ(picture[5], "#####...............");
  EXPECT_EQ(picture[9], "#...................");
  EXPECT_EQ(picture[10], "....................");
  EXPECT_EQ(BoxOf(mask), (Box{0, 0, 9, 9}));
  EXPECT_FALSE(mask.Full());
}

TEST(IEMask, PolygonShapesAndCombinations) {
  struct Case {
    const char* name;
    int32_t value;  // applied to the polygons after a first rectangle (1, 1)-(7, 6) was filled
    std::vector<POINT> points;
    std::vector<std::string> picture;
  } cases[] = {
      {"rectangle: top and left inclusive, bottom and right exclusive",
       1, RectPoints(4, 3, 8, 5),
       {"........", ".######.", ".######.", ".#######", ".#######", ".######.", "........"}},
      {"subtracting with value 0", 0, RectPoints(3, 2, 5, 4),
       {"........", ".######.", ".##..##.", ".##..##.", ".######.", ".######.", "........"}},
      {"two polygons, the second separated", 0,
       {{0, 0}, {3, 0}, {3, 3}, {0, 3}, {TIEMask::PolygonSeparator, 0}, {5, 4}, {8, 4}, {8, 7}, {5, 7}},
       {"........", "...####.", "...####.", ".######.", ".####...", ".####...", "........"}},
      {"a diamond", 0, {{4, 0}, {8, 4}, {4, 8}, {0, 4}},
       {"........", ".##..##.", ".#....#.", "........", "........", "........", "........"}},
  };
  for (const Case& c : cases) {
    TIEMask mask;
    mask.Allocate(8, 7, 1);
    auto first = RectPoints(1, 1, 7, 6);
    mask.FillPolygons(1, first.data(), 4);
    mask.FillPolygons(c.value, c.points.data(), int32_t(c.points.size()));
    EXPECT_EQ(IeMaskPicture(mask), c.picture) << c.name;
    EXPECT_FALSE(mask.IsEmpty()) << c.name;
  }
}

TEST(IEMask, FlatPolygonFillsNothingAndLeavesTheBoxAsItWas) {
  std::vector<POINT> flat{{1, 4}, {6, 4}, {3, 4}};
  TIEMask fresh;
  fresh.Allocate(10, 10, 1);
  fresh.FillPolygons(1, flat.data(), 3);
  EXPECT_TRUE(fresh.IsEmpty());

  // After a selection, a flat second polygon does not lose it.
  TIEMask selected;
  selected.Allocate(10, 10, 1);
  auto square = RectPoints(2, 2, 5, 5);
  std::vector<POINT> points = square;
  points.push_back({TIEMask::PolygonSeparator, 0});
  points.insert(points.end(), flat.begin(), flat.end());
  selected.FillPolygons(1, points.data(), int32_t(points.size()));
  EXPECT_EQ(BoxOf(selected), (Box{2, 2, 4, 4}));
}

TEST(IEMask, PolygonsReachingOutsideTheMaskFillOnlyTheRowsInside) {
  TIEMask mask;
  mask.Allocate(6, 4, 8);
  auto tall = RectPoints(1, -5, 3, 20);
  mask.FillPolygons(255, tall.data(), 4);
  for (const std::string& row : IeMaskPicture(mask)) EXPECT_EQ(row, ".##...");
  EXPECT_EQ(BoxOf(mask), (Box{1, 0, 2, 3}));

  // Far outside: nothing is written onto the edge rows, and the work ends at once.
  TIEMask other;
  other.Allocate(6, 4, 1);
  auto above = RectPoints(0, -2000000000, 5, -1999999000);
  auto below = RectPoints(0, 100, 5, 2000000000);
  other.FillPolygons(1, above.data(), 4);
  other.FillPolygons(1, below.data(), 4);
  for (const std::string& row : IeMaskPicture(other)) EXPECT_EQ(row, "......");
  EXPECT_TRUE(other.IsEmpty());
}

// ---- moves ----

TEST(IEMask, TranslateShortensOrClipsTheMove) {
  struct Case {
    bool clip;
    int32_t dx, dy;
    int32_t usedDx, usedDy;
    const char* row;
    Box box;
  } cases[] = {
      {false, -5, 0, -2, 0, "#######...", {0, 1, 6, 1}},
      {true, -5, 0, -5, 0, "####......", {0, 1, 3, 1}},
      {false, 3, 0, 1, 0, "...#######", {3, 1, 9, 1}},
      {true, 3, 0, 3, 0, ".....#####", {5, 1, 9, 1}},
      {true, -20, 0, -20, 0, "..........", kEmpty},
  };
  for (int32_t bits : {1, 8}) {
    for (const Case& c : cases) {
      TIEMask mask;
      mask.Allocate(10, 3, bits);
      mask.FillSpan(bits == 1 ? 1 : 200, 2, 8, 1);
      mask.SyncBoundingBox();
      int32_t dx = c.dx, dy = c.dy;
      mask.Translate(dx, dy, c.clip);
      EXPECT_EQ(dx, c.usedDx) << bits << " " << c.dx << " clip " << c.clip;
      EXPECT_EQ(dy, c.usedDy);
      EXPECT_EQ(IeMaskPicture(mask)[1], c.row) << bits << " " << c.dx << " clip " << c.clip;
      EXPECT_EQ(BoxOf(mask), c.box) << bits << " " << c.dx << " clip " << c.clip;
    }
  }
}

TEST(IEMask, TranslateMovesRowsAndValues) {
  TIEMask mask;
  mask.Allocate(12, 12, 8);
  mask.SetPixel(3, 4, 77);
  mask.SetPixel(5, 6, 200);
  int32_t dx = 4, dy = -2;
  mask.Translate(dx, dy, true);
  EXPECT_EQ(mask.GetPixel(7, 2), 77);
  EXPECT_EQ(mask.GetPixel(9, 4), 200);
  EXPECT_EQ(mask.GetPixel(3, 4), 0);
  EXPECT_EQ(BoxOf(mask), (Box{7, 2, 9, 4}));
}

// ---- transfer ----

TEST(IEMask, CopyThroughAOneBitMaskByPixelFormat) {
  struct Case {
    TIEPixelFormat source, dest;
    bool copied;
  } cases[] = {
      {ie24RGB, ie24RGB, true}, {ie8g, ie8g, true},     {ie8p, ie8p, true},     {ie16g, ie16g, true},
      {ie32f, ie32f, true},     {ieCMYK, ieCMYK, true}, {ieRGB48, ieRGB48, true}, {ieCIELab, ieCIELab, true},
      {ie32RGB, ie32RGB, true}, {ie24RGB, ie8g, false}, {ie8g, ie16g, false},
  };
  for (const Case& c : cases) {
    TIEMask mask;
    mask.Allocate(4, 2, 1);
    mask.SetPixel(1, 0, 1);
    mask.SetPixel(2, 1, 1);
    auto source = MakeIn(ieMemory, 4, 2, c.source);
    FillPattern(*source);
    auto dest = MakeIn(ieMemory, 4, 2, c.dest);
    const int32_t bytes = IEBytesPerPixel(c.dest);
    for (int32_t y = 0; y < 2; ++y) std::memset(dest->GetScanline(y), 0, size_t(dest->RowLen()));
    source->GetAlphaChannel()->SetPixel8(1, 0, 99);
    mask.CopyBitmapThroughMask(dest.get(), source.get(), true, false, false);
    auto sourceRow = RowBytes(*source, 0, 4 * IEBytesPerPixel(c.source));
    auto destRow = RowBytes(*dest, 0, 4 * bytes);
    bool same = std::equal(destRow.begin() + bytes, destRow.begin() + 2 * bytes, sourceRow.begin() + bytes);
    EXPECT_EQ(same, c.copied) << c.source << " -> " << c.dest;
    EXPECT_EQ(destRow[0], 0) << c.source << " -> " << c.dest;  // clear pixels stay
    // The alpha channel follows the mask either way.
    EXPECT_EQ(dest->GetAlphaAt(1, 0), 99);
    EXPECT_EQ(dest->GetAlphaAt(2, 1), 255);
    EXPECT_EQ(dest->GetAlphaAt(2, 0), 0);  // in the box, not selected
    EXPECT_FALSE(dest->GetAlphaChannel()->Full());
  }
}

TEST(IEMask, CoverageMaskBlendsColours) {
  struct Case {
    uint8_t coverage, dest, source, expected;
  } cases[] = {{128, 0, 200, 100}, {255, 0, 255, 255}, {64, 100, 20, 80}, {0, 7, 200, 7}};
  for (const Case& c : cases) {
    TIEMask mask;
    mask.Allocate(1, 1, 8);
    mask.SetPixel(0, 0, c.coverage);
    mask.SetBox(0, 0, 0, 0);
    auto source = MakeIn(ieMemory, 1, 1, ie24RGB);
    source->SetPixel24(0, 0, TRGB{c.source, c.source, c.source});
    auto dest = MakeIn(ieMemory, 1, 1, ie24RGB);
    dest->SetPixel24(0, 0, TRGB{c.dest, c.dest, c.dest});
    mask.CopyBitmapThroughMask(dest.get(), source.get(), true, false, false);
    EXPECT_EQ(dest->GetPixel24(0, 0).g, c.expected) << int(c.coverage);
    EXPECT_EQ(dest->GetAlphaAt(0, 0), c.coverage) << int(c.coverage);  // min(255, coverage)
  }
}

TEST(IEMask, CopyThroughTheBoxStaysWithinBothBitmaps) {
  TIEMask mask;
  mask.Allocate(20, 20, 1);
  auto square = RectPoints(5, 5, 15, 15);
  mask.FillPolygons(1, square.data(), 4);
  // The source holds the box only; the destination, in mask coordinates, is smaller than it.
  auto source = MakeIn(ieMemory, 10, 10, ie8g);
  source->Fill(60);
  auto dest = MakeIn(ieMemory, 8, 8, ie8g);
  dest->Fill(0);
  mask.CopyBitmapThroughMask(dest.get(), source.get(), false, true, false);
  EXPECT_EQ(dest->GetPixel8(5, 5), 60);
  EXPECT_EQ(dest->GetPixel8(7, 7), 60);
  EXPECT_EQ(dest->GetPixel8(4, 4), 0);
  // Both in box coordinates: the box's corner is pixel (0, 0).
  auto boxed = MakeIn(ieMemory, 3, 3, ie8g);
  boxed->Fill(0);
  mask.CopyBitmapThroughMask(boxed.get(), source.get(), false, true, true);
  EXPECT_EQ(boxed->GetPixel8(0, 0), 60);
  EXPECT_EQ(boxed->GetPixel8(2, 2), 60);
}

// ---- drawing ----

TEST(IEMask, InvertedFillInvertsTheSelectedPixels) {
  TIEMask mask;
  mask.Allocate(10, 10, 1);
  auto square = RectPoints(2, 3, 5, 6);
  mask.FillPolygons(1, square.data(), 4);
  auto bitmap = WhiteBitmap(10, 10);
  mask.DrawInvertedFill(bitmap->Canvas(), 0, 0, 10, 10, 0, 0, 10, 10);
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 10; ++x)
      EXPECT_EQ(PixelOf(*bitmap, x, y), mask.IsPixelSet(x, y) ? 0u : 0xFFFFFFu) << x << "," << y;
}

TEST(IEMask, OutlineDrawsMarchingAntsAlongTheBorder) {
  struct Case {
    int32_t zoom;
    int32_t ringPixels;
    RECT out;
  } cases[] = {{1, 12, RECT{4, 4, 7, 7}}, {2, 28, RECT{7, 7, 14, 14}}};
  for (const Case& c : cases) {
    TIEMask mask;
    mask.Allocate(10, 10, 1);
    auto square = RectPoints(3, 3, 7, 7);
    mask.FillPolygons(1, square.data(), 4);
    const int32_t size = 10 * c.zoom;
    for (int32_t phase : {0, 4}) {
      auto bitmap = WhiteBitmap(size, size);
      RECT out{};
      mask.DrawOutline(bitmap->Canvas(), 0, 0, size, size, 0, 0, 10, 10, phase, vcl::clRed, vcl::clBlue, &out);
      EXPECT_EQ(out.left, c.out.left);
      EXPECT_EQ(out.bottom, c.out.bottom);
      int32_t drawn = 0;
      for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
          uint32_t pixel = PixelOf(*bitmap, x, y);
          if (pixel == 0xFFFFFF) continue;
          ++drawn;
          const bool second = (x + y + phase) % 8 < 4;
          EXPECT_EQ(pixel, second ? 0x0000FFu : 0xFF0000u) << x << "," << y;
          const int32_t inner = 3 * c.zoom, outer = 7 * c.zoom - 1;
          EXPECT_TRUE(x == inner || x == outer || y == inner || y == outer) << x << "," << y;
        }
      EXPECT_EQ(drawn, c.ringPixels) << c.zoom;
    }
  }
}

TEST(IEMask, OutlineAtAZoomBeyondTheFixedPointStep) {
  TIEMask mask;
  mask.Allocate(4, 4, 1);
  mask.SetPixel(1, 1, 1);
  auto bitmap = WhiteBitmap(32, 4);
  // 20000 screen pixels for one image pixel: the 14-bit step would be 0.
  mask.DrawOutline(bitmap->Canvas(), 0, 0, 20000, 4, 1, 1, 1, 1, 0, vcl::clBlack, vcl::clBlack);
  EXPECT_NE(PixelOf(*bitmap, 9, 0), 0xFFFFFFu);
}

TEST(IEMask, OuterMarkChangesOnlyClearPixels) {
  TIEMask mask;
  mask.Allocate(6, 6, 1);
  auto square = RectPoints(2, 2, 4, 4);
  mask.FillPolygons(1, square.data(), 4);
  auto chequer = WhiteBitmap(6, 6);
  mask.DrawOuterMark(chequer.get(), 0, 0, 6, 6, 0, 0, 6, 6, -1, vcl::clBlack);
  auto tinted = WhiteBitmap(6, 6);
  mask.DrawOuterMark(tinted.get(), 0, 0, 6, 6, 0, 0, 6, 6, 102, vcl::clBlack);  // 40 %
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 6; ++x) {
      if (mask.IsPixelSet(x, y)) {
        EXPECT_EQ(PixelOf(*chequer, x, y), 0xFFFFFFu) << x << "," << y;
        EXPECT_EQ(PixelOf(*tinted, x, y), 0xFFFFFFu) << x << "," << y;
      } else {
        EXPECT_EQ(PixelOf(*chequer, x, y), (x + y) % 2 == 0 ? 0x616161u : 0xFFFFFFu) << x << "," << y;
        EXPECT_EQ(PixelOf(*tinted, x, y), 0x999999u) << x << "," << y;  // trunc(0.6 x 255) = 153
      }
    }

  // A rectangle starting before the bitmap is cut to it.
  auto shifted = WhiteBitmap(6, 6);
  mask.DrawOuterMark(shifted.get(), -2, -2, 6, 6, 0, 0, 6, 6, -1, vcl::clBlack);
  EXPECT_EQ(PixelOf(*shifted, 0, 0), 0xFFFFFFu);  // image pixel (2, 2) is selected
  EXPECT_EQ(PixelOf(*shifted, 3, 3), 0x616161u);  // image pixel (5, 5)
  EXPECT_EQ(PixelOf(*shifted, 5, 5), 0xFFFFFFu);  // beyond the image
}

// ---- copies between a mask and a library bitmap ----

TEST(IEMaskBitmapCopy, MaskBecomesAGreyImageOfItsDepth) {
  struct Case {
    int32_t bitsPerPixel;
    TIEPixelFormat format;
  };
  for (const Case& c : {Case{1, ie1g}, Case{8, ie8g}}) {
    for (TIELocation location : {ieMemory, ieFile}) {
      TIEMask mask;
      mask.Allocate(11, 3, c.bitsPerPixel);
      mask.SetPixel(0, 0, 255);
      mask.SetPixel(10, 2, c.bitsPerPixel == 1 ? 1 : 77);
      auto bitmap = MakeIn(location, 2, 2, ie24RGB);
      bitmap->CopyFromMask(&mask);
      ASSERT_EQ(c.format, bitmap->PixelFormat()) << c.bitsPerPixel;
      ASSERT_EQ(11, bitmap->Width());
      ASSERT_EQ(3, bitmap->Height());
      const int32_t bytes = std::min(mask.RowLen(), bitmap->RowLen());
      for (int32_t y = 0; y < 3; ++y) {
        const auto* maskRow = static_cast<const uint8_t*>(mask.GetScanline(y));
        EXPECT_EQ(RowBytes(*bitmap, y, bytes), std::vector<uint8_t>(maskRow, maskRow + bytes))
            << c.bitsPerPixel << " " << LocationName(location) << " row " << y;
      }
      EXPECT_FALSE(bitmap->Full());
    }
  }
}

TEST(IEMaskBitmapCopy, FullFlagAndNoMask) {
  TIEMask mask;
  mask.Allocate(4, 2, 8);
  mask.Fill(255);
  ASSERT_TRUE(mask.Full());
  TIEBitmap bitmap;
  bitmap.CopyFromMask(&mask);
  EXPECT_TRUE(bitmap.Full());
  EXPECT_EQ(255, bitmap.GetPixel8(3, 1));

  // No mask: everything is selected.
  TIEBitmap grey(3, 2, ie8g);
  grey.Fill(0);
  grey.CopyFromMask(nullptr);
  EXPECT_EQ(ie8g, grey.PixelFormat());
  EXPECT_EQ(255, grey.GetPixel8(0, 0));
  EXPECT_EQ(255, grey.GetPixel8(2, 1));

  // A mask of no known depth changes nothing.
  TIEMask none;
  grey.CopyFromMask(&none);
  EXPECT_EQ(3, grey.Width());
  EXPECT_EQ(ie8g, grey.PixelFormat());
}

TEST(IEMaskBitmapCopy, GreyImagesBecomeMasksWithTheirBox) {
  struct Case {
    TIEPixelFormat format;
    int32_t bitsPerPixel;
  };
  for (const Case& c : {Case{ie1g, 1}, Case{ie8g, 8}}) {
    for (TIELocation location : {ieMemory, ieFile}) {
      auto bitmap = MakeIn(location, 12, 4, c.format);
      bitmap->Fill(0);
      if (c.format == ie1g) {
        static_cast<uint8_t*>(bitmap->GetScanline(1))[0] = 0x20;  // pixel (2, 1)
        static_cast<uint8_t*>(bitmap->GetScanline(3))[1] = 0x10;  // pixel (11, 3)
      } else {
        bitmap->SetPixel8(2, 1, 90);
        bitmap->SetPixel8(11, 3, 255);
      }
      bitmap->SetFull(false);
      TIEMask mask;
      bitmap->CopyToMask(&mask);
      ASSERT_EQ(c.bitsPerPixel, mask.BitsPerPixel()) << LocationName(location);
      ASSERT_EQ(12, mask.Width());
      ASSERT_EQ(4, mask.Height());
      EXPECT_TRUE(mask.IsPixelSet(2, 1));
      EXPECT_TRUE(mask.IsPixelSet(11, 3));
      EXPECT_FALSE(mask.IsPixelSet(3, 1));
      if (c.format == ie8g) { EXPECT_EQ(90, mask.GetPixel(2, 1)); }
      EXPECT_EQ((Box{2, 1, 11, 3}), BoxOf(mask)) << LocationName(location);
      EXPECT_FALSE(mask.Full());
    }
  }
}

TEST(IEMaskBitmapCopy, ColourImageGivesFullRangeCoverage) {
  // Grey levels with the library's weights (21, 71, 8), over the whole 0 .. 255 range: white
  // selects completely.
  struct Case {
    uint8_t r, g, b;
    int32_t coverage;
  };
  const Case cases[] = {{255, 255, 255, 255}, {0, 0, 0, 0}, {255, 0, 0, 53}, {0, 255, 0, 181}, {0, 0, 255, 20},
                        {128, 128, 128, 128}};
  TIEBitmap bitmap(6, 1, ie24RGB);
  for (int32_t x = 0; x < 6; ++x) bitmap.SetPixel24(x, 0, TRGB{cases[x].b, cases[x].g, cases[x].r});
  TIEMask mask;
  bitmap.CopyToMask(&mask);
  ASSERT_EQ(8, mask.BitsPerPixel());
  for (int32_t x = 0; x < 6; ++x) EXPECT_EQ(cases[x].coverage, mask.GetPixel(x, 0)) << x;
  EXPECT_FALSE(mask.Full());
  EXPECT_EQ((Box{0, 0, 5, 0}), BoxOf(mask));

  TIEBitmap white(3, 2, ie24RGB);
  white.Fill(vcl::clWhite);
  white.CopyToMask(&mask);
  EXPECT_EQ(255, mask.GetPixel(2, 1));
  EXPECT_TRUE(mask.Full());
}

TEST(IEMaskBitmapCopy, OtherFormatsAndNoMaskLeaveTheMask) {
  TIEMask mask;
  mask.Allocate(2, 2, 1);
  for (TIEPixelFormat format : {ie8p, ie16g, ie32f, ie32RGB, ieCMYK, ieRGB48, ieCIELab}) {
    TIEBitmap bitmap(5, 5, format);
    bitmap.CopyToMask(&mask);
    EXPECT_EQ(2, mask.Width()) << format;
    EXPECT_EQ(1, mask.BitsPerPixel());
  }
  TIEBitmap bitmap(5, 5, ie8g);
  bitmap.CopyToMask(nullptr);  // nothing to write into
}
