// Selection by mouse and keyboard in the thumbnail grid.
#include <algorithm>
#include <vector>

#include "tests/imaging/view/grid_fixture.h"
#include "vcl/runtime/win.h"

using namespace imaging;
using grid_fixture::GridWindow;

namespace {

class GridSelection : public GridWindow {
 protected:
  // 4 columns of 100 x 100 cells with 4-pixel borders, 12 images.
  void MakeSelectionGrid(bool multi, int32_t options = 0) {
    MakeGrid();
    grid->SetGridWidth(4);
    grid->SetEnableMultiSelect(multi);
    grid->SetMultiSelectionOptions(options);
    AddImages(12);
    grid->Update();
  }
  // The centre of image i's cell, in client coordinates.
  POINT Centre(int32_t i) { return POINT{grid->GetImageX(i) - grid->ViewX() + 50, grid->GetImageY(i) - grid->ViewY() + 50}; }
  void Send(UINT message, POINT p, WPARAM keys) {
    ::SendMessageW(grid->Handle(), message, keys, MAKELPARAM(p.x, p.y));
    grid_fixture::Pump();
  }
  void Click(int32_t i, WPARAM keys = 0) {
    Send(WM_LBUTTONDOWN, Centre(i), keys | MK_LBUTTON);
    Send(WM_LBUTTONUP, Centre(i), keys);
  }
  void Drag(int32_t from, int32_t to) {
    Send(WM_LBUTTONDOWN, Centre(from), MK_LBUTTON);
    Send(WM_MOUSEMOVE, Centre(to), MK_LBUTTON);
    Send(WM_LBUTTONUP, Centre(to), 0);
  }
  std::vector<int32_t> Selection() {
    std::vector<int32_t> list;
    for (int32_t i = 0; i < grid->MultiSelectedImagesCount(); ++i) list.push_back(grid->MultiSelectedImages(i));
    std::sort(list.begin(), list.end());
    return list;
  }
  void Key(WORD key) {
    ::SendMessageW(grid->Handle(), WM_KEYDOWN, key, 0);
    grid_fixture::Pump();
  }
};

struct ClickStep {
  int32_t image;
  WPARAM keys;
};

struct MouseCase {
  const char* name;
  bool multi;
  int32_t options;
  std::vector<ClickStep> clicks;
  int32_t current;
  std::vector<int32_t> selected;  // the multiple selection (empty without it)
};

TEST_F(GridSelection, ClicksSelectAsTheModifiersSay) {
  const MouseCase cases[] = {
      {"a click selects one image", false, 0, {{5, 0}}, 5, {}},
      {"a second click moves the selection", false, 0, {{5, 0}, {2, 0}}, 2, {}},
      {"ctrl adds to the multiple selection", true, 0, {{1, 0}, {4, MK_CONTROL}, {6, MK_CONTROL}}, 6, {1, 4, 6}},
      {"ctrl on a selected image removes it and leaves no current image", true, 0,
       {{1, 0}, {4, MK_CONTROL}, {4, MK_CONTROL}}, -1, {1}},
      {"leave-one keeps the only selected image", true, iemoLeaveOneSelected, {{3, 0}, {3, MK_CONTROL}}, 3, {3}},
      {"shift selects the range from the last click", true, 0, {{2, 0}, {7, MK_SHIFT}}, 7, {2, 3, 4, 5, 6, 7}},
      {"shift backwards", true, 0, {{9, 0}, {6, MK_SHIFT}}, 6, {6, 7, 8, 9}},
      {"shift with region selects the rectangle", true, iemoRegion, {{2, 0}, {7, MK_SHIFT}}, 7, {2, 3, 6, 7}},
      {"a plain click replaces a multiple selection", true, 0, {{1, 0}, {4, MK_CONTROL}, {8, 0}}, 8, {8}},
      {"selection on release", true, iemoSelectOnMouseUp, {{5, 0}}, 5, {5}},
      {"shift without multiple selection selects one", false, 0, {{2, 0}, {7, MK_SHIFT}}, 7, {}},
  };
  for (const MouseCase& c : cases) {
    SCOPED_TRACE(c.name);
    MakeSelectionGrid(c.multi, c.options);
    for (const ClickStep& step : c.clicks) Click(step.image, step.keys);
    EXPECT_EQ(grid->SelectedImage(), c.current);
    EXPECT_EQ(Selection(), c.selected);
  }
}

TEST_F(GridSelection, DraggingSelectsTheRangeFromThePressedImage) {
  MakeSelectionGrid(true);
  Drag(1, 6);
  EXPECT_EQ(Selection(), (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));
  MakeSelectionGrid(true, iemoRegion);
  Drag(9, 2);
  EXPECT_EQ(Selection(), (std::vector<int32_t>{1, 2, 5, 6, 9, 10}));
  // With selection on release a drag selects the range, and the release adds nothing more.
  MakeSelectionGrid(true, iemoSelectOnMouseUp);
  Send(WM_LBUTTONDOWN, Centre(0), MK_LBUTTON);
  EXPECT_EQ(grid->SelectedImage(), -1);
  Send(WM_LBUTTONUP, Centre(0), 0);
  EXPECT_EQ(grid->SelectedImage(), 0);
}

TEST_F(GridSelection, ClicksBesideTheCellsSelectNothing) {
  MakeSelectionGrid(false);
  Click(3);
  Send(WM_LBUTTONDOWN, POINT{105, 50}, MK_LBUTTON);  // the gap between cells 0 and 1
  Send(WM_LBUTTONUP, POINT{105, 50}, 0);
  EXPECT_EQ(grid->SelectedImage(), 3);
  Send(WM_LBUTTONDOWN, POINT{450, 350}, MK_LBUTTON);  // right of the last column
  Send(WM_LBUTTONUP, POINT{450, 350}, 0);
  EXPECT_EQ(grid->SelectedImage(), 3);
}

TEST_F(GridSelection, OnlyTheUserFiresSelectionEvents) {
  MakeSelectionGrid(true);
  std::vector<std::pair<char, int32_t>> events;
  grid->OnImageSelect = [&](vcl::TObject*, int32_t i) { events.push_back({'+', i}); };
  grid->OnImageDeselect = [&](vcl::TObject*, int32_t i) { events.push_back({'-', i}); };
  grid->SetSelectedImage(4);
  EXPECT_TRUE(events.empty());
  Click(6);
  EXPECT_EQ(events, (std::vector<std::pair<char, int32_t>>{{'-', 4}, {'+', 6}}));
}

TEST_F(GridSelection, DoubleClickKeepsWhatTheFirstClickSelected) {
  MakeSelectionGrid(false);
  int32_t doubleClicks = 0;
  grid->OnDblClick = [&](vcl::TObject*) { ++doubleClicks; };
  Click(2);
  Send(WM_LBUTTONDBLCLK, Centre(2), MK_LBUTTON);
  Send(WM_LBUTTONUP, Centre(2), 0);
  EXPECT_EQ(doubleClicks, 1);
  EXPECT_EQ(grid->SelectedImage(), 2);
}

TEST_F(GridSelection, KeysMoveTheSelection) {
  struct Case {
    const char* name;
    int32_t gridWidth;
    int32_t start;
    WORD key;
    int32_t expected;
  } cases[] = {
      {"right", 4, 5, VK_RIGHT, 6},
      {"left", 4, 5, VK_LEFT, 4},
      {"left at the first image stays", 4, 0, VK_LEFT, 0},
      {"down a row", 4, 5, VK_DOWN, 9},
      {"down past the last row stays", 4, 9, VK_DOWN, 9},
      {"up a row", 4, 5, VK_UP, 1},
      {"up from the first row stays", 4, 2, VK_UP, 2},
      {"home", 4, 7, VK_HOME, 0},
      {"end", 4, 2, VK_END, 11},
      {"page down is a page of rows", 4, 1, VK_NEXT, 11},  // 3 whole rows fit: 12 images a page
      {"page up", 4, 10, VK_PRIOR, 0},
      {"down in one row moves right", 0, 5, VK_DOWN, 6},
      {"up in one row moves left", 0, 5, VK_UP, 4},
      {"page down in one row does not move", 0, 5, VK_NEXT, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeSelectionGrid(false);
    grid->SetGridWidth(c.gridWidth);
    grid->SetSelectedImage(c.start);
    Key(c.key);
    EXPECT_EQ(grid->SelectedImage(), c.expected);
  }
}

TEST_F(GridSelection, MovingTheSelectionScrollsItIntoView) {
  MakeSelectionGrid(false);
  grid->Clear();
  AddImages(40);  // 10 rows in a 400-pixel client
  grid->SetSelectedImage(0);
  Key(VK_END);
  EXPECT_EQ(grid->SelectedImage(), 39);
  EXPECT_EQ(grid->ImageVisibility(39), 2);
  Key(VK_HOME);
  EXPECT_EQ(grid->ViewY(), 0);
}

TEST_F(GridSelection, DraggingWithScrollMovesTheViewOppositeTheMouse) {
  MakeGrid();
  grid->SetGridWidth(4);
  grid->SetMouseInteract(mmiScroll);
  AddImages(40);
  grid->Update();
  grid->SetViewY(200);
  Send(WM_LBUTTONDOWN, POINT{200, 200}, MK_LBUTTON);
  Send(WM_MOUSEMOVE, POINT{200, 150}, MK_LBUTTON);
  EXPECT_EQ(grid->ViewY(), 250);
  Send(WM_MOUSEMOVE, POINT{200, 390}, MK_LBUTTON);
  EXPECT_EQ(grid->ViewY(), 10);
  Send(WM_MOUSEMOVE, POINT{200, 399}, MK_LBUTTON);
  Send(WM_LBUTTONUP, POINT{200, 399}, 0);
  EXPECT_EQ(grid->ViewY(), 1);
  EXPECT_EQ(grid->SelectedImage(), -1);
}

}  // namespace
