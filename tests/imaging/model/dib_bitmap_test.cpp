// The DIB-section bitmap and the work bitmap.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/model/dib_bitmap.h"
#include "imaging/model/ie_bitmap.h"

using namespace imaging;

TEST(DibBitmap, GeometryAndRows) {
  TIEDibbitmap dib;
  EXPECT_EQ(ieNull, dib.GetPixelFormat());
  ASSERT_TRUE(dib.AllocateDIB(3, 2, 24));
  EXPECT_EQ(12, dib.GetRowLen());
  EXPECT_EQ(ie24RGB, dib.GetPixelFormat());
  EXPECT_EQ(static_cast<uint8_t*>(dib.Bits()) + 12, dib.GetScanline(0));
  EXPECT_EQ(dib.Bits(), dib.GetScanline(1));
  ASSERT_TRUE(dib.Allocate(33, 4, ie1g));
  EXPECT_EQ(8, dib.GetRowLen());
  EXPECT_EQ(1, dib.GetBitCount());
  EXPECT_EQ(0, dib.GetPaletteLen());
  EXPECT_EQ(nullptr, dib.GetPalette());
}

TEST(DibBitmap, RefusedRequestsKeepTheImage) {
  TIEDibbitmap dib;
  ASSERT_TRUE(dib.AllocateDIB(4, 4, 24));
  void* bits = dib.Bits();
  EXPECT_FALSE(dib.Allocate(10, 10, ie8g));
  EXPECT_FALSE(dib.AllocateDIB(0, 5, 24));
  EXPECT_FALSE(dib.AllocateDIB(5, 5, 8));
  EXPECT_EQ(bits, dib.Bits());
  EXPECT_EQ(4, dib.GetWidth());
}

TEST(DibBitmap, DrawingOnItsDCReachesTheRows) {
  TIEDibbitmap dib;
  ASSERT_TRUE(dib.AllocateDIB(4, 4, 24));
  std::memset(dib.Bits(), 0, size_t(dib.GetRowLen()) * 4);
  RECT rect{0, 0, 4, 1};
  HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(dib.DC(), &rect, brush);
  DeleteObject(brush);
  GdiFlush();
  auto* top = static_cast<uint8_t*>(dib.GetScanline(0));
  EXPECT_EQ(255, top[2]);  // red of the top row
  EXPECT_EQ(0, static_cast<uint8_t*>(dib.GetScanline(1))[2]);
}

TEST(DibBitmap, AssignCopiesOnlyOtherDibs) {
  TIEDibbitmap source, target;
  ASSERT_TRUE(source.AllocateDIB(2, 2, 24));
  std::memset(source.Bits(), 0x11, 16);
  TIEBitmap library(5, 5, ie24RGB);
  target.Assign(&library);
  EXPECT_EQ(0, target.GetWidth());
  target.Assign(&source);
  EXPECT_EQ(2, target.GetWidth());
  EXPECT_EQ(0x11, static_cast<uint8_t*>(target.GetScanline(1))[5]);
  EXPECT_NE(source.Bits(), target.Bits());

  // An empty DIB bitmap gives nothing to copy: the target keeps its image and its rows.
  TIEDibbitmap empty;
  void* bits = target.Bits();
  target.Assign(&empty);
  EXPECT_EQ(2, target.GetWidth());
  EXPECT_EQ(24, target.GetBitCount());
  EXPECT_EQ(bits, target.Bits());
  EXPECT_EQ(0x11, static_cast<uint8_t*>(target.GetScanline(1))[5]);
  EXPECT_EQ(0, empty.GetWidth());
}

TEST(DibBitmap, FreeImageReleasesTheHandles) {
  TIEDibbitmap dib;
  ASSERT_TRUE(dib.AllocateDIB(8, 8, 1));
  HBITMAP handle = dib.Handle();
  HDC dc = dib.DC();
  ASSERT_NE(nullptr, handle);
  dib.FreeImage();
  EXPECT_EQ(nullptr, dib.DC());
  EXPECT_EQ(0, dib.GetWidth());
  EXPECT_EQ(0, GetObjectType(handle));  // deleted
  EXPECT_EQ(0, GetObjectType(dc));
}

TEST(WorkBitmap, AllocatesOnceForOneGeometry) {
  TIEWorkBitmap empty(0, 10, 8);
  EXPECT_EQ(nullptr, empty.Bits());
  EXPECT_EQ(0, empty.Height());
  TIEWorkBitmap work(0, 0, 0);
  ASSERT_TRUE(work.Allocate(4, 4, 8));
  void* bits = work.Bits();
  ASSERT_TRUE(work.Allocate(4, 4, 8));
  EXPECT_EQ(bits, work.Bits());
  EXPECT_EQ(4, work.RowLen());
  EXPECT_EQ(static_cast<uint8_t*>(bits) + 12, work.GetScanline(0));
  ASSERT_TRUE(work.Allocate(5, 2, 24));
  EXPECT_EQ(16, work.RowLen());
  work.FreeImage();
  EXPECT_EQ(nullptr, work.Bits());
  EXPECT_EQ(0, work.Width());
}

TEST(WorkBitmap, ImpossibleRequestsLeaveItEmpty) {
  TIEWorkBitmap work(2, 2, 8);
  EXPECT_FALSE(work.Allocate(-1, 5, 8));
  EXPECT_EQ(nullptr, work.Bits());
  EXPECT_EQ(0, work.Width());
  EXPECT_FALSE(work.Allocate(2000000000, 2000000000, 32));
  EXPECT_EQ(0, work.Height());
  EXPECT_TRUE(work.Allocate(2, 2, 8));  // and a later call tries again
}
