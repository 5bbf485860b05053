// The panel kinds: the colour grid (cells from text, selection kept inside the grid), the drag
// bar, and the splitter that resizes its neighbour.
#include <gtest/gtest.h>

#include "skin/controls/colours_panel.h"
#include "skin/controls/drag_bar.h"
#include "skin/controls/splitter.h"
#include "tests/skin/controls/controls_fixture.h"
#include "vcl/stdctrls/extctrls.h"

using namespace skin;
using controls_test::SkinnedControls;

namespace {

class PanelKinds : public SkinnedControls {};

TEST_F(PanelKinds, AnEmptyColourGridFillsWithWhiteLines) {
  auto* panel = Add<TsColorsPanel>(nullptr, 10, 10, 140, 60);
  ASSERT_EQ(panel->Cells().size(), 10u);
  EXPECT_EQ(panel->ColorCount(), 10);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(panel->Colors()->Strings(i), "FFFFFF");
    EXPECT_EQ(uint32_t(panel->Cells()[size_t(i)].Color), 0xFFFFFFu);
  }
  EXPECT_EQ(uint32_t(panel->SelectedColor()), 0xFFFFFFu);
}

TEST_F(PanelKinds, ColourLinesReadAsRedGreenBlue) {
  auto* panel = Add<TsColorsPanel>(nullptr, 10, 10, 140, 60);
  const struct {
    const char* line;
    uint32_t colour;  // red in the low byte
  } cases[] = {{"FF0000", 0x0000FF}, {"ff0000h", 0x0000FF}, {"00FF00 grass", 0x00FF00},
               {"0000FF", 0xFF0000}, {"12G456", 0x000000}};
  for (const auto& c : cases) {
    vcl::TStringList lines;
    lines.Add(c.line);
    panel->SetColors(&lines);
    EXPECT_EQ(uint32_t(panel->Cells()[0].Color), c.colour) << c.line;
  }
}

TEST_F(PanelKinds, TheSelectionStaysInsideTheGrid) {
  auto* panel = Add<TsColorsPanel>(nullptr, 10, 10, 140, 60);
  int changes = 0;
  panel->OnChange = [&](vcl::TObject*) { ++changes; };
  // More colour lines than cells: an index past the cells selects nothing.
  for (int i = 0; i < 20; ++i) panel->Colors()->Add("00FF00");
  panel->SetItemIndex(15);
  EXPECT_EQ(panel->ItemIndex(), -1);
  panel->SetItemIndex(3);
  EXPECT_EQ(panel->ItemIndex(), 3);
  EXPECT_EQ(changes, 1);
  // Shrinking the grid drops a selection that no longer has a cell.
  panel->SetRowCount(1);
  panel->SetColCount(2);
  EXPECT_EQ(panel->ItemIndex(), -1);
  EXPECT_EQ(uint32_t(panel->SelectedColor()), 0xFFFFFFu);
}

TEST_F(PanelKinds, ClicksBetweenCellsPickTheLowerIndexAndOutsideDeselects) {
  auto* panel = Add<TsColorsPanel>(nullptr, 10, 10, 140, 60);
  int changes = 0;
  panel->OnChange = [&](vcl::TObject*) { ++changes; };
  // Cell 0 spans 6..27, cell 1 33..54: the 6-pixel gap belongs to both grown rectangles.
  panel->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 10));
  panel->Perform(WM_LBUTTONUP, 0, MAKELPARAM(30, 10));
  EXPECT_EQ(panel->ItemIndex(), 0);
  panel->SetWidth(200);
  panel->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(190, 10));
  panel->Perform(WM_LBUTTONUP, 0, MAKELPARAM(190, 10));
  EXPECT_EQ(panel->ItemIndex(), -1);
  EXPECT_EQ(changes, 2);
  ActivateSkin();
  form->Repaint();
  Pump();
}

TEST_F(PanelKinds, ADragBarWithoutDraggedControlDoesNothing) {
  auto* bar = Add<TsDragBar>(nullptr, 0, 0, 200, 20);
  EXPECT_EQ(bar->Align(), vcl::alTop);
  EXPECT_EQ(bar->Height(), 20);
  EXPECT_EQ(bar->DraggedControl(), nullptr);
  RECT before{};
  GetWindowRect(form->Handle(), &before);
  bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  bar->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  RECT after{};
  GetWindowRect(form->Handle(), &after);
  EXPECT_TRUE(EqualRect(&before, &after));
}

TEST_F(PanelKinds, SplittersResizeTheirNeighbourAndShowThePressedLookWhileDragging) {
  for (bool skinned : {false, true}) {
    if (skinned) ActivateSkin();
    auto* left = Add<vcl::TPanel>(nullptr, 0, 0, 100, 100);
    left->SetAlign(vcl::alLeft);
    auto* splitter = Add<TsSplitter>(nullptr, 100, 0, 6, 100);
    splitter->SetAlign(vcl::alLeft);
    splitter->SetResizeStyle(vcl::rsUpdate);
    vcl::Application->SetShowHint(true);
    Pump();
    splitter->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 50));
    EXPECT_TRUE(splitter->Sizing());
    EXPECT_FALSE(vcl::Application->ShowHint());
    splitter->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(43, 50));
    splitter->Perform(WM_LBUTTONUP, 0, MAKELPARAM(43, 50));
    EXPECT_FALSE(splitter->Sizing());
    EXPECT_TRUE(vcl::Application->ShowHint());
    EXPECT_EQ(left->Width(), 140) << "skinned " << skinned;
    delete splitter;
    delete left;
  }
}

TEST_F(PanelKinds, StartingADragBesideACollapsedNeighbourPutsItBackFirst) {
  auto* left = Add<vcl::TPanel>(nullptr, 0, 0, 0, 100);
  auto* splitter = Add<TsSplitter>(nullptr, 60, 0, 6, 100);
  splitter->SetAlign(vcl::alLeft);
  left->SetLeft(30);
  splitter->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 50));
  EXPECT_EQ(left->Left(), splitter->Left());
  splitter->Perform(WM_LBUTTONUP, 0, MAKELPARAM(3, 50));
}

}  // namespace
