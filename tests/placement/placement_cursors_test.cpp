// The placement library's two cursors: compiled into the program's resources, loaded by name,
// drawn as a hand and a grabbing hand, and registered under their numbers at start-up.
#include <gtest/gtest.h>

#include <vector>

#include "placement/window_hook.h"
#include "vcl/controls/screen.h"

using namespace placement;

namespace {

// One pixel of a monochrome cursor: its AND bit (1: transparent) and XOR bit (1: white).
struct MaskBits {
  int andBit, xorBit;
  bool operator==(const MaskBits&) const = default;
};

// The AND mask over the XOR mask, as the platform keeps a monochrome cursor.
class CursorMasks {
 public:
  explicit CursorMasks(HBITMAP mask) {
    BITMAP bm{};
    GetObjectA(mask, sizeof bm, &bm);
    width = bm.bmWidth;
    height = bm.bmHeight;
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colours[2];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = -height;  // top-down
    info.header.biPlanes = 1;
    info.header.biBitCount = 1;
    rows_.resize(size_t(height) * 4);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, mask, 0, UINT(height), rows_.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
  }
  MaskBits At(int x, int y) const { return MaskBits{Bit(x, y), Bit(x, y + height / 2)}; }
  int width = 0, height = 0;

 private:
  int Bit(int x, int y) const { return rows_[size_t(y) * 4 + size_t(x / 8)] >> (7 - x % 8) & 1; }
  std::vector<uint8_t> rows_;
};

constexpr MaskBits kClear{1, 0}, kBlack{0, 0}, kWhite{0, 1};

TEST(PlacementCursors, LoadFromTheProgramsResourcesAsDrawn) {
  const struct {
    const char* name;
    DWORD hotX, hotY;
    // Pixels that show the drawing: the corner, an outline pixel and an inside pixel.
    int outlineX, outlineY, insideX, insideY;
  } cursors[] = {
      {"RX_HANDCUR", 5, 0, 5, 0, 5, 1},    // the tip of the pointing finger
      {"RX_DRAGCUR", 10, 9, 6, 4, 10, 9},  // the knuckles, the palm
  };
  HINSTANCE program = GetModuleHandleA(nullptr);
  for (const auto& c : cursors) {
    SCOPED_TRACE(c.name);
    HCURSOR cursor = LoadCursorA(program, c.name);
    ASSERT_NE(cursor, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, c.hotX);
    EXPECT_EQ(info.yHotspot, c.hotY);
    EXPECT_EQ(info.hbmColor, nullptr);  // black and white
    CursorMasks masks(info.hbmMask);
    EXPECT_EQ(masks.width, 32);
    EXPECT_EQ(masks.height, 64);
    EXPECT_EQ(masks.At(0, 0), kClear);
    EXPECT_EQ(masks.At(31, 31), kClear);
    EXPECT_EQ(masks.At(c.outlineX, c.outlineY), kBlack);
    EXPECT_EQ(masks.At(c.insideX, c.insideY), kWhite);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
  }
}

TEST(PlacementCursors, StartUpRegistersThemUnderTheirNumbers) {
  ASSERT_NE(vcl::Screen, nullptr);
  HINSTANCE program = GetModuleHandleA(nullptr);
  RegisterPlacementCursors();
  const HCURSOR hand = vcl::Screen->Cursors(crHandCursor);
  const HCURSOR drag = vcl::Screen->Cursors(crDragCursor);
  EXPECT_EQ(hand, LoadCursorA(program, "RX_HANDCUR"));
  EXPECT_EQ(drag, LoadCursorA(program, "RX_DRAGCUR"));
  EXPECT_NE(hand, vcl::Screen->Cursors(vcl::crDefault));
  EXPECT_NE(drag, vcl::Screen->Cursors(vcl::crDefault));
  EXPECT_NE(hand, drag);
}

}  // namespace
