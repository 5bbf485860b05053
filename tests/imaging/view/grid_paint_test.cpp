// What the thumbnail grid paints.
#include "imaging/model/graphics_helpers.h"
#include "tests/imaging/view/grid_fixture.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/win.h"

using namespace imaging;
using grid_fixture::BufferPixel;
using grid_fixture::GridWindow;
using grid_fixture::SolidBitmap;

namespace {

class GridPaint : public GridWindow {
 protected:
  // Flat cells on white, no gaps, no texts, one column of 100 x 100 cells at (4, 4).
  void MakePlainGrid() {
    MakeGrid();
    grid->SetStyle(iemsFlat);
    grid->SetThumbnailsBackground(0xFFFFFF);
    grid->SetBackground(0xC0C0C0);
    grid->SetThreadPoolSize(0);
  }
};

TEST_F(GridPaint, ImagesAreFittedAndCentredInTheirCells) {
  struct Case {
    const char* name;
    int32_t w, h;
    bool stretch;
    RECT drawn;  // client pixels, right and bottom exclusive
  } cases[] = {
      {"wide image shrinks to the cell width", 600, 300, true, {4, 29, 104, 79}},
      {"small image kept at its size", 40, 30, false, {34, 39, 74, 69}},
      {"small image stretched", 40, 30, true, {4, 16, 104, 91}},
  };
  MakePlainGrid();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    grid->Clear();
    grid->SetStretchSmallImages(c.stretch);
    grid->AppendImage();
    grid->SetImageEx(0, SolidBitmap(c.w, c.h, 0x2040A0).get());
    PaintNow();
    EXPECT_EQ(BufferPixel(grid, c.drawn.left, c.drawn.top), 0x2040A0u);
    EXPECT_EQ(BufferPixel(grid, c.drawn.right - 1, c.drawn.bottom - 1), 0x2040A0u);
    EXPECT_EQ(BufferPixel(grid, c.drawn.left, c.drawn.top - 1), 0xFFFFFFu);
    EXPECT_EQ(BufferPixel(grid, c.drawn.right - 1, c.drawn.bottom), 0xFFFFFFu);
    EXPECT_EQ(BufferPixel(grid, 2, 2), 0xC0C0C0u);  // the client background around the cells
    vcl::TRect r = grid->GetImageRect(0);
    EXPECT_EQ(r.right - r.left, c.drawn.right - c.drawn.left);
    // The second paint draws from the display cache: the same pixels.
    PaintNow();
    EXPECT_EQ(BufferPixel(grid, c.drawn.left, c.drawn.top), 0x2040A0u);
  }
}

TEST_F(GridPaint, AllDisplayedFiresWhenTheLastMissingImageArrives) {
  MakePlainGrid();
  int32_t fired = 0;
  grid->OnAllDisplayed = [&](vcl::TObject*) { ++fired; };
  // Images present from the start were never missing: nothing to announce.
  AddImages(3);
  PaintNow();
  EXPECT_EQ(fired, 0);
  // An image that has to be read first: the paint that reads it (synchronously, with no
  // pool) shows everything again, once.
  grid->AppendImage();
  grid->SetImageFileName(3, u"Z:\\no\\such\\file.bmp");
  PaintNow();
  EXPECT_EQ(fired, 1);
  PaintNow();
  EXPECT_EQ(fired, 1);
  grid->SetImageFileName(1, u"Z:\\no\\such\\other.bmp");
  PaintNow();
  EXPECT_EQ(fired, 2);
}

TEST_F(GridPaint, SingleModeDrawsOnlyTheDisplayedImage) {
  MakePlainGrid();
  AddImages(5);
  int32_t progress = 0;
  std::vector<int32_t> drawn;
  grid->OnDrawProgress = [&](vcl::TObject*, int32_t, int32_t) { ++progress; };
  grid->OnImageDraw = [&](vcl::TObject*, int32_t i, int32_t x, int32_t y, vcl::TCanvas*) {
    drawn.push_back(i);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
  };
  grid->SetDisplayMode(mdSingle);
  grid->SetDisplayImage(3);
  PaintNow();
  EXPECT_EQ(drawn, std::vector<int32_t>{3});
  EXPECT_EQ(progress, 0);
}

TEST_F(GridPaint, HighlightStyleFillsTheSelectedCellInsteadOfFraming) {
  MakePlainGrid();
  AddImages(2, 20, 20);
  grid->SetStretchSmallImages(false);
  grid->SetSelectionStyle(iessACD);
  grid->SetSelectedImage(1);
  PaintNow();
  const uint32_t highlight = static_cast<uint32_t>(vcl::ColorToRGB(static_cast<vcl::TColor>(0x8000000D)));
  const uint32_t highlightRGB = ((highlight & 0xFF) << 16) | (highlight & 0xFF00) | (highlight >> 16);
  EXPECT_EQ(BufferPixel(grid, 108 + 2, 4 + 2), highlightRGB);  // margin of the selected cell (x = 108)
  EXPECT_EQ(BufferPixel(grid, 4 + 2, 4 + 2), 0xFFFFFFu);
  EXPECT_EQ(BufferPixel(grid, 107, 50), 0xC0C0C0u);  // no frame around it
  grid->SetSelectionStyle(iessAround);
  grid->SetSelectionAntialias(false);
  PaintNow();
  EXPECT_NE(BufferPixel(grid, 107, 50), 0xC0C0C0u);  // the frame
}

TEST_F(GridPaint, CellBackgroundsAreClippedToTheClientAreaAndKeepTheirPhase) {
  for (TIEBackgroundStyle style : {iebsChessboard, iebsPhotoLike, iebsGradient, iebsSoftShadow}) {
    SCOPED_TRACE(static_cast<int>(style));
    MakePlainGrid();
    grid->SetGridWidth(8);
    grid->SetThumbnailsBackgroundStyle(style);
    for (int32_t i = 0; i < 48; ++i) grid->AppendImage();  // cells without images show their background
    grid->Update();
    grid->SetViewXY(50, 50);  // the first row and column are cut by the client edges
    PaintNow();
    if (style == iebsChessboard) {
      // Cell 0 starts at client (-46, -46): client (0, 0) is in cell (2, 2) of the board, the
      // background colour; 16 pixels further down the colour is the inverse.
      EXPECT_EQ(BufferPixel(grid, 0, 0), 0xFFFFFFu);
      EXPECT_EQ(BufferPixel(grid, 0, 4), 0x000000u);
      EXPECT_EQ(BufferPixel(grid, 4, 4), 0xFFFFFFu);
    }
  }
}

TEST_F(GridPaint, CaptionsAreShortenedAtTheChosenEnd) {
  vcl::TBitmap bitmap;
  bitmap.SetPixelFormat(vcl::pf24bit);
  bitmap.SetWidth(10);
  bitmap.SetHeight(10);
  vcl::TCanvas* canvas = bitmap.Canvas();
  const std::u16string caption = u"ABCDEFGHIJ";
  const int32_t full = WideTextWidth(canvas, caption);
  for (uint8_t truncation : {0, 1}) {
    for (int32_t width : {full, full - 1, full / 2, 1}) {
      SCOPED_TRACE(testing::Message() << "truncation " << int(truncation) << " width " << width);
      const std::u16string s = FitThumbnailCaption(canvas, caption, truncation, width);
      if (width >= full) {
        EXPECT_EQ(s, caption);
        continue;
      }
      // "..." and the kept part of the caption at the chosen end.
      ASSERT_GE(s.size(), 4u);
      const size_t kept = s.size() - 3;
      const std::u16string part = truncation == 0 ? s.substr(0, kept) : s.substr(3);
      EXPECT_EQ(truncation == 0 ? s.substr(kept) : s.substr(0, 3), u"...");
      EXPECT_EQ(part, truncation == 0 ? caption.substr(0, kept) : caption.substr(caption.size() - kept));
      // It fits, unless nothing shorter is left; one character more would not fit.
      if (kept > 1) { EXPECT_LE(WideTextWidth(canvas, s), width); }
      if (kept < caption.size() - 2 + truncation) {
        const std::u16string longer = truncation == 0 ? caption.substr(0, kept + 1) + u"..."
                                                      : u"..." + caption.substr(caption.size() - kept - 1);
        EXPECT_GT(WideTextWidth(canvas, longer), width);
      }
    }
  }
  EXPECT_EQ(FitThumbnailCaption(canvas, caption, 2, 1), caption);
}

TEST_F(GridPaint, EveryCellStylePaints) {
  MakeGrid();
  grid->SetGridWidth(-1);
  grid->SetThreadPoolSize(0);
  AddImages(8, 60, 40);
  for (int32_t i = 0; i < 8; ++i) {
    grid->GetImageBottomText(i)->Caption = u"Picture number " + std::u16string(1, char16_t(u'A' + i));
    grid->GetImageInfoText(i)->Caption = u"60 x 40";
  }
  grid->SetBottomGap(16);
  grid->SetSelectedImage(2);
  struct Variant {
    TIEMStyle style;
    bool shadow;
    int32_t roundness;
    int32_t border;
    bool internal;
  } variants[] = {
      {iemsFlat, false, 0, 0, false}, {iemsACD, false, 0, 0, false}, {iemsFlat, true, 0, 0, false},
      {iemsACD, false, 8, 2, true},   {iemsFlat, true, 6, 1, true},
  };
  for (const Variant& v : variants) {
    grid->SetStyle(v.style);
    grid->SoftShadow().Enabled = v.shadow;
    grid->SetThumbnailRoundness(v.roundness);
    grid->SetThumbnailsBorderWidth(v.border);
    grid->SetThumbnailsInternalBorder(v.internal);
    grid->Update();
    PaintNow();
    for (int32_t i = 0; i < 8; ++i) EXPECT_TRUE(grid->IsImageLoaded(i));
    if (v.shadow) {
      // The image gave part of its box to the shadow.
      vcl::TRect r = grid->GetImageRect(0);
      EXPECT_GT(r.left, 0);
    }
  }
}

}  // namespace
