// Draw grids and string grids on a real form: cells painted (fixed, selected, owner-drawn,
// texts), scrolling through the window's scroll bars as any sender of WM_VSCROLL/WM_HSCROLL
// drives it, the current cell and the selection by keys and mouse, and form data.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/vcl/stdctrls/stdctrls_test_util.h"
#include "vcl/classes/filer.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/streams.h"
#include "vcl/stdctrls/grids.h"

using namespace vcl;

namespace {

template <class T>
T* PlaceGrid(TForm* form, int width = 300, int height = 200) {
  auto* grid = new T(form);
  grid->SetParent(form);
  grid->SetBounds(10, 10, width, height);
  return grid;
}

// The grid's client area painted into a 32-bit bitmap by its own WM_PAINT.
std::unique_ptr<TBitmap> Paint(TCustomGrid* grid) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(pf32bit);
  bitmap->SetSize(grid->ClientWidth(), grid->ClientHeight());
  grid->Perform(WM_PAINT, reinterpret_cast<WPARAM>(bitmap->Canvas()->Handle()), 0);
  return bitmap;
}

// A rectangle as {left, top, right, bottom}, for comparing.
std::vector<LONG> Box(const TRect& r) { return {r.left, r.top, r.right, r.bottom}; }

TColor PixelAt(TBitmap* bitmap, int x, int y) { return bitmap->Canvas()->Pixels(x, y); }

void Key(TWinControl* control, WORD key) { SendMessageA(control->Handle(), WM_KEYDOWN, key, 1); }

void KeyWith(TWinControl* control, WORD key, BYTE modifier) {
  BYTE state[256] = {};
  GetKeyboardState(state);
  BYTE saved = state[modifier];
  state[modifier] = 0x80;
  SetKeyboardState(state);
  Key(control, key);
  state[modifier] = saved;
  SetKeyboardState(state);
}

int ScrollPos(HWND wnd, int bar) {
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_POS;
  GetScrollInfo(wnd, bar, &info);
  return info.nPos;
}

}  // namespace

class Grids : public StdCtrlsTest {};

TEST_F(Grids, DrawCellsWithTheirStateFixedColourAndHighlight) {
  TForm* form = NewForm(400, 300);
  auto* grid = PlaceGrid<TDrawGrid>(form);
  grid->SetFixedColor(clYellow);
  std::vector<std::string> drawn;
  grid->OnDrawCell = [&](TObject* sender, int col, int row, TRect rect, TGridDrawState state) {
    EXPECT_EQ(sender, grid);
    if (col < 4) { EXPECT_EQ(Box(rect), Box(grid->CellRect(col, row))); }  // CellRect clips the last
    if (row == 0 && col < 3) drawn.push_back("fixed " + std::to_string(col) + (state.Contains(gdFixed) ? " F" : ""));
    if (row == 1 && col == 1) drawn.push_back(std::string("current") + (state.Contains(gdSelected) ? " S" : ""));
  };
  form->Show();
  EXPECT_EQ(Box(grid->CellRect(1, 1)), (std::vector<LONG>{65, 25, 129, 49}));  // 64 x 24 cells, 1-pixel lines
  // The focused current cell gets a focus frame; the rest of the selection is highlighted.
  grid->SetSelection(TGridRect{1, 1, 2, 2});
  std::unique_ptr<TBitmap> image = Paint(grid);
  EXPECT_EQ(drawn, (std::vector<std::string>{"fixed 0 F", "fixed 1 F", "fixed 2 F", "current S"}));
  EXPECT_EQ(ColorToRGB(PixelAt(image.get(), 30, 12)), ColorToRGB(clYellow));          // fixed
  EXPECT_EQ(ColorToRGB(PixelAt(image.get(), 90, 36)), ColorToRGB(clHighlight));       // selected
  EXPECT_EQ(ColorToRGB(PixelAt(image.get(), 150, 60)), ColorToRGB(clWindow));         // current, focused
  EXPECT_EQ(ColorToRGB(PixelAt(image.get(), 160, 90)), ColorToRGB(clWindow));         // plain
  EXPECT_EQ(ColorToRGB(PixelAt(image.get(), 129, 60)), ColorToRGB(clSilver));         // line
  EXPECT_EQ(ColorToRGB(PixelAt(image.get(), grid->ClientWidth() - 2, 60)), ColorToRGB(clWindow));  // beyond

  // Without default drawing the cells are the program's alone.
  grid->SetDefaultDrawing(false);
  grid->OnDrawCell = [&](TObject*, int col, int row, TRect rect, TGridDrawState) {
    grid->Canvas()->Brush()->SetColor(col == 2 && row == 2 ? clRed : clBlue);
    grid->Canvas()->FillRect(rect);
  };
  image = Paint(grid);
  EXPECT_EQ(ColorToRGB(PixelAt(image.get(), 140, 60)), ColorToRGB(clRed));
  EXPECT_EQ(ColorToRGB(PixelAt(image.get(), 90, 36)), ColorToRGB(clBlue));
}

TEST_F(Grids, AStringGridWritesItsCellsAndKeepsThemWhenItGrows) {
  TForm* form = NewForm(400, 300);
  auto* grid = PlaceGrid<TStringGrid>(form);
  grid->SetCells(0, 0, "Name");
  grid->SetCells(2, 3, "Opacity");
  auto* tag = new TStringGrid(nullptr);
  std::unique_ptr<TStringGrid> freeTag(tag);
  grid->SetObjects(2, 3, tag);
  form->Show();
  std::unique_ptr<TBitmap> image = Paint(grid);
  TRect cell = grid->CellRect(2, 3);
  int dark = 0;
  for (int y = cell.top; y < cell.bottom; ++y)
    for (int x = cell.left; x < cell.right; ++x)
      if (ColorToRGB(PixelAt(image.get(), x, y)) == ColorToRGB(clWindowText)) ++dark;
  EXPECT_GT(dark, 10);

  grid->SetColCount(8);
  grid->SetRowCount(2);
  EXPECT_EQ(grid->Cells(0, 0), "Name");
  EXPECT_EQ(grid->Cells(2, 3), "");  // that row is gone
  grid->SetRowCount(6);
  EXPECT_EQ(grid->Cells(2, 3), "");
  EXPECT_EQ(grid->Objects(2, 3), nullptr);
  EXPECT_EQ(grid->Cells(9, 9), "");
  EXPECT_THROW(grid->SetCells(8, 0, "x"), EInvalidGridOperation);
  EXPECT_THROW(grid->SetFixedCols(8), EInvalidGridOperation);
  EXPECT_THROW(grid->SetRow(6), EInvalidGridOperation);
}

// The scroll messages move the rows and columns in view, whoever sends them (the platform's
// bars or code that paints its own), and the bars show where the view is.
TEST_F(Grids, ScrollMessagesMoveTheViewAndTheBarsFollow) {
  TForm* form = NewForm(400, 300);
  auto* grid = PlaceGrid<TStringGrid>(form);
  grid->SetRowCount(100);
  grid->SetColCount(20);
  int moves = 0;
  grid->OnTopLeftChanged = [&](TObject*) { ++moves; };
  form->Show();
  HWND wnd = grid->Handle();
  EXPECT_TRUE(GetWindowLongA(wnd, GWL_STYLE) & WS_VSCROLL);
  EXPECT_EQ(grid->TopRow(), 1);
  const int page = grid->VisibleRowCount();
  EXPECT_GT(page, 3);

  SendMessageA(wnd, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(grid->TopRow(), 2);
  SendMessageA(wnd, WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(grid->TopRow(), 2 + page);
  SendMessageA(wnd, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 40), 0);
  EXPECT_EQ(grid->TopRow(), 41);
  EXPECT_EQ(ScrollPos(wnd, SB_VERT), 40);
  // Tracking moves only with goThumbTracking.
  SendMessageA(wnd, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 10), 0);
  EXPECT_EQ(grid->TopRow(), 41);
  grid->SetOptions(grid->Options() + TGridOptions{goThumbTracking});
  SendMessageA(wnd, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 10), 0);
  EXPECT_EQ(grid->TopRow(), 11);
  SendMessageA(wnd, WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(grid->TopRow() + page - 1, 99);  // the last row is the last in view
  SendMessageA(wnd, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(grid->TopRow() + page - 1, 99);
  SendMessageA(wnd, WM_HSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(grid->LeftCol(), 2);
  EXPECT_EQ(ScrollPos(wnd, SB_HORZ), 1);
  SendMessageA(wnd, WM_VSCROLL, SB_TOP, 0);
  SendMessageA(wnd, WM_HSCROLL, SB_TOP, 0);
  EXPECT_EQ(grid->TopRow(), 1);
  EXPECT_EQ(grid->LeftCol(), 1);
  EXPECT_EQ(moves, 8);

  // The fixed row stays; the scrolled rows follow it.
  EXPECT_EQ(grid->CellRect(1, 0).top, 0);
  grid->SetTopRow(30);
  EXPECT_EQ(grid->CellRect(1, 30).top, 25);
  EXPECT_EQ(Box(grid->CellRect(1, 5)), (std::vector<LONG>{0, 0, 0, 0}));
  EXPECT_EQ(grid->MouseCoord(70, 30), (TGridCoord{1, 30}));

  // Without scroll bars the window has none; with them again it has them back.
  grid->SetScrollBars(ssNone);
  EXPECT_FALSE(GetWindowLongA(grid->Handle(), GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL));
  grid->SetScrollBars(ssBoth);
  EXPECT_TRUE(GetWindowLongA(grid->Handle(), GWL_STYLE) & WS_VSCROLL);
}

TEST_F(Grids, KeysMoveTheCurrentCellAndKeepItInView) {
  TForm* form = NewForm(400, 300);
  auto* grid = PlaceGrid<TStringGrid>(form);
  grid->SetRowCount(50);
  grid->SetColCount(10);
  int clicks = 0;
  grid->OnClick = [&](TObject*) { ++clicks; };
  form->Show();
  grid->SetFocus();
  EXPECT_EQ(SendMessageA(grid->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTARROWS, DLGC_WANTARROWS);
  Key(grid, VK_DOWN);
  Key(grid, VK_RIGHT);
  EXPECT_EQ(grid->Row(), 2);
  EXPECT_EQ(grid->Col(), 2);
  Key(grid, VK_UP);
  Key(grid, VK_UP);  // stops at the first scrolled row
  EXPECT_EQ(grid->Row(), 1);
  KeyWith(grid, VK_END, VK_CONTROL);
  EXPECT_EQ(grid->Row(), 49);
  EXPECT_GE(grid->TopRow() + grid->VisibleRowCount() - 1, 49);
  Key(grid, VK_END);
  EXPECT_EQ(grid->Col(), 9);
  EXPECT_GE(grid->LeftCol() + grid->VisibleColCount() - 1, 9);
  Key(grid, VK_HOME);
  EXPECT_EQ(grid->Col(), 1);
  EXPECT_EQ(grid->LeftCol(), 1);
  KeyWith(grid, VK_HOME, VK_CONTROL);
  EXPECT_EQ(grid->TopRow(), 1);
  EXPECT_GT(clicks, 5);

  // Shift widens the selection from where it started.
  KeyWith(grid, VK_DOWN, VK_SHIFT);
  KeyWith(grid, VK_RIGHT, VK_SHIFT);
  EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 2, 2}));
  Key(grid, VK_DOWN);
  EXPECT_EQ(grid->Selection(), (TGridRect{2, 3, 2, 3}));
  // Whole rows with goRowSelect.
  grid->SetOptions(grid->Options() + TGridOptions{goRowSelect});
  EXPECT_EQ(grid->Selection(), (TGridRect{1, 3, 9, 3}));
}

TEST_F(Grids, TheMouseSelectsACellOrABlockAndSelectCellMayRefuse) {
  TForm* form = NewForm(400, 300);
  auto* grid = PlaceGrid<TDrawGrid>(form);
  int clicks = 0;
  grid->OnClick = [&](TObject*) { ++clicks; };
  grid->OnSelectCell = [](TObject*, int col, int row, bool& canSelect) { canSelect = !(col == 4 && row == 4); };
  form->Show();
  HWND wnd = grid->Handle();
  auto at = [&](int col, int row) {
    TRect r = grid->CellRect(col, row);
    return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  };
  SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, at(2, 2));
  SendMessageA(wnd, WM_LBUTTONUP, 0, at(2, 2));
  EXPECT_EQ(grid->Col(), 2);
  EXPECT_EQ(grid->Row(), 2);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(GetFocus(), wnd);

  SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, at(1, 1));
  SendMessageA(wnd, WM_MOUSEMOVE, MK_LBUTTON, at(3, 2));
  SendMessageA(wnd, WM_LBUTTONUP, 0, at(3, 2));
  EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 3, 2}));
  EXPECT_EQ(clicks, 2);

  // A refused cell does not become current; a fixed cell is no target.
  SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, at(4, 4));
  SendMessageA(wnd, WM_LBUTTONUP, 0, at(4, 4));
  SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, at(0, 2));
  SendMessageA(wnd, WM_LBUTTONUP, 0, at(0, 2));
  EXPECT_EQ(grid->Col(), 3);
  EXPECT_EQ(grid->Row(), 2);
}

TEST_F(Grids, FormDataKeepsTheLayoutAndTheAdaptersReachItsColoursByName) {
  TForm* form = NewForm();
  form->SetName("GridForm");
  auto* grid = PlaceGrid<TStringGrid>(form);
  grid->SetName("Layers");
  grid->SetColCount(3);
  grid->SetFixedCols(0);
  grid->SetColWidths(1, 120);
  grid->SetOptions(grid->Options() + TGridOptions{goRowSelect});
  grid->SetScrollBars(ssVertical);
  SetOrdProp(grid, GetPropInfo(grid, "FixedColor"), clNavy);
  TStringStream out;
  WriteComponent(&out, form);
  std::string text = out.DataString();
  std::erase(text, '\r');
  EXPECT_NE(text.find("    ColCount = 3\n"), std::string::npos) << text;
  EXPECT_NE(text.find("    FixedColor = clNavy\n"), std::string::npos) << text;
  EXPECT_NE(text.find("    ScrollBars = ssVertical\n"), std::string::npos) << text;
  EXPECT_NE(text.find("goRangeSelect, goRowSelect]"), std::string::npos) << text;
  EXPECT_NE(text.find("    ColWidths = (\n      64\n      120\n      64)\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("RowHeights"), std::string::npos);

  TForm copy(nullptr);
  TStringStream in(text);
  ReadComponent(&in, &copy);
  auto* read = dynamic_cast<TStringGrid*>(copy.FindComponent("Layers"));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->ColCount(), 3);
  EXPECT_EQ(read->FixedCols(), 0);
  EXPECT_EQ(read->ColWidths(1), 120);
  EXPECT_EQ(read->ColWidths(2), 64);
  EXPECT_EQ(read->FixedColor(), clNavy);
  EXPECT_EQ(read->ScrollBars(), ssVertical);
  EXPECT_TRUE(read->Options().Contains(goRowSelect));
  EXPECT_EQ(GetOrdProp(read, GetPropInfo(read, "FixedColor")), clNavy);
  EXPECT_EQ(GetPropInfo(read, "TitleFont"), nullptr);  // what grids here do not have
}
