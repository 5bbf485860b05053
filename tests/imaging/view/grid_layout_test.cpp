// Layout, scrolling and hit-testing of the thumbnail grid.
#include "tests/imaging/view/grid_fixture.h"
#include "vcl/runtime/win.h"

using namespace imaging;
using grid_fixture::GridWindow;

namespace {

class GridLayout : public GridWindow {};

struct LayoutCase {
  const char* name;
  int32_t gridWidth;
  TIEMDisplayMode mode;
  int32_t images;
  int32_t width, height;       // expected layout size
  int32_t lastRow, lastColumn;  // of the last image
};

TEST_F(GridLayout, CellsFollowTheColumnCountAndDisplayMode) {
  // Client 500 wide, cells 100 + 4: (500 - 4) div 104 = 4 columns.
  const LayoutCase cases[] = {
      {"fit the width", -1, mdGrid, 9, 420, 316, 2, 0},
      {"one row", 0, mdGrid, 9, 9 * 104 + 4, 108, 0, 8},
      {"three columns", 3, mdGrid, 7, 316, 316, 2, 0},
      {"empty grid is one cell", -1, mdGrid, 0, 104, 104, 0, 0},
      {"single mode stacks every cell at the origin", -1, mdSingle, 5, 104, 104, 0, 0},
  };
  MakeGrid();
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    grid->Clear();
    grid->SetGridWidth(c.gridWidth);
    grid->SetDisplayMode(c.mode);
    AddImages(c.images);
    grid->Update();
    EXPECT_EQ(grid->LayoutWidth(), c.width);
    EXPECT_EQ(grid->LayoutHeight(), c.height);
    if (c.images > 0) {
      EXPECT_EQ(grid->GetImageRow(c.images - 1), c.lastRow);
      EXPECT_EQ(grid->GetImageCol(c.images - 1), c.lastColumn);
    }
    if (c.mode == mdSingle) {
      EXPECT_EQ(grid->GetImageX(c.images - 1), 0);
      EXPECT_EQ(grid->GetImageY(c.images - 1), 0);
    }
  }
}

TEST_F(GridLayout, NarrowClientWithFitWidthGivesOneRow) {
  MakeGrid();
  grid->SetWidth(100);  // narrower than 4 + 100 + 4: no whole column
  grid->SetGridWidth(-1);
  AddImages(5);
  grid->Update();
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(grid->GetImageRow(i), 0);
}

TEST_F(GridLayout, PointsMapToImagesButNotToGaps) {
  MakeGrid();
  grid->SetGridWidth(-1);
  AddImages(9);
  grid->Update();
  struct Case {
    int32_t x, y, expected;
  } cases[] = {
      {4, 4, 0},       // top-left pixel of the first cell
      {103, 103, 0},   // its bottom-right pixel
      {105, 50, -1},   // the 4-pixel gap between cells 0 and 1
      {110, 50, 1},    // cell 1
      {2, 2, -1},      // the border before the first cell
      {420, 50, -1},   // right of the last column
      {110, 230, -1},  // row 2 holds only image 8
      {10, 230, 8},
      {-5, 10, -1},
      {10, -5, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(grid->ImageAtPos(c.x, c.y), c.expected) << c.x << "," << c.y;
}

TEST_F(GridLayout, WheelScrollsOneRowPerNotchAndStopsAtTheEdges) {
  MakeGrid();
  grid->SetGridWidth(-1);
  AddImages(40);  // 10 rows of 104: layout 1044 high in a 400 high client
  grid->Update();
  int32_t changes = 0;
  grid->OnViewChange = [&](vcl::TObject*, int32_t) { ++changes; };
  POINT p{10, 10};
  ::ClientToScreen(grid->Handle(), &p);
  auto wheel = [&](int delta) {
    ::SendMessageW(grid->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<int16_t>(delta))),
                   MAKELPARAM(p.x, p.y));
  };
  wheel(-120);
  EXPECT_EQ(grid->ViewY(), 104);
  wheel(-360);  // one notch's worth whatever the delta
  EXPECT_EQ(grid->ViewY(), 208);
  wheel(120);
  wheel(120);
  wheel(120);
  EXPECT_EQ(grid->ViewY(), 0);
  EXPECT_EQ(changes, 5);
  for (int i = 0; i < 20; ++i) wheel(-120);
  int32_t maxX, maxY;
  grid->GetMaxViewXY(maxX, maxY);
  EXPECT_EQ(grid->ViewY(), maxY);
  EXPECT_EQ(maxY, 1044 - 400);
}

TEST_F(GridLayout, ScrollBarsShowOnlyWhenNeededUnlessAlwaysVisible) {
  MakeGrid("    ScrollBars = ssBoth\n");
  grid->SetGridWidth(-1);
  AddImages(4);
  grid->Update();
  EXPECT_FALSE(::GetWindowLongW(grid->Handle(), GWL_STYLE) & WS_VSCROLL);
  EXPECT_EQ(grid->ClientHeight(), 400);
  grid->SetScrollBarsAlwaysVisible(true);
  EXPECT_TRUE(::GetWindowLongW(grid->Handle(), GWL_STYLE) & WS_VSCROLL);
  grid->SetScrollBarsAlwaysVisible(false);
  AddImages(36);
  grid->Update();
  EXPECT_TRUE(::GetWindowLongW(grid->Handle(), GWL_STYLE) & WS_VSCROLL);
  // The bar took room from the client area and the columns follow it.
  EXPECT_LT(grid->ClientWidth(), 500);
  EXPECT_EQ(grid->ColumnCount(), (grid->ClientWidth() - 4) / 104);
}

TEST_F(GridLayout, ScrollMessagesMoveTheViewAndTrackingCanBeOff) {
  MakeGrid("    ScrollBars = ssVertical\n");
  grid->SetGridWidth(-1);
  AddImages(40);
  grid->Update();
  auto scroll = [&](int code, int position = 0) {
    ::SendMessageW(grid->Handle(), WM_VSCROLL, MAKEWPARAM(code, position), 0);
  };
  scroll(SB_LINEDOWN);
  EXPECT_EQ(grid->ViewY(), 104);
  scroll(SB_PAGEDOWN);
  EXPECT_EQ(grid->ViewY(), 104 + grid->ClientHeight());
  scroll(SB_TOP);
  EXPECT_EQ(grid->ViewY(), 0);
  scroll(SB_BOTTOM);
  int32_t maxX, maxY;
  grid->GetMaxViewXY(maxX, maxY);
  EXPECT_EQ(grid->ViewY(), maxY);
  scroll(SB_TOP);
  grid->VScrollBarParams()->SetTracking(false);
  scroll(SB_THUMBTRACK, 30000);
  EXPECT_EQ(grid->ViewY(), 0);
  scroll(SB_THUMBPOSITION, 30000);
  EXPECT_GT(grid->ViewY(), 0);
}

TEST_F(GridLayout, ViewPositionIsClampedWhenTheLayoutShrinks) {
  MakeGrid();
  grid->SetGridWidth(-1);
  AddImages(40);
  grid->Update();
  grid->SetViewY(600);
  EXPECT_EQ(grid->ViewY(), 600);
  for (int32_t i = 39; i >= 8; --i) grid->DeleteImage(i);
  EXPECT_EQ(grid->ViewY(), 0);
}

TEST_F(GridLayout, VisibilityOfCells) {
  MakeGrid();
  grid->SetGridWidth(-1);
  AddImages(20);
  grid->Update();
  EXPECT_EQ(grid->ImageVisibility(0), 2);
  EXPECT_EQ(grid->ImageVisibility(12), 1);  // row 3 crosses the bottom edge (316..415)
  EXPECT_EQ(grid->ImageVisibility(16), 0);
  EXPECT_EQ(grid->ImageVisibility(-1), 0);
  EXPECT_EQ(grid->ImageVisibility(20), 0);
  EXPECT_TRUE(grid->IsImageVisible(12));
  EXPECT_FALSE(grid->IsImageVisible(16));
  // A cell larger than the client area that covers it counts as partly visible.
  grid->SetThumbWidth(800);
  grid->SetThumbHeight(800);
  EXPECT_EQ(grid->ImageVisibility(0), 1);
}

}  // namespace
