// Grids: a table of cells drawn by the control itself.
//
// TCustomGrid lays out ColCount x RowCount cells, the first FixedCols columns and FixedRows
// rows fixed (they stay in place and are drawn in FixedColor), the others scrolled through the
// window's own scroll bars (WM_HSCROLL/WM_VSCROLL, whoever sends them). One cell is current
// (Col, Row); the selection is the current cell or, with goRangeSelect, the rectangle from
// where a selection started to it (whole rows with goRowSelect). The mouse and the keys
// (arrows, Page Up/Down, Home/End, Tab with goTabs) move the current cell and keep it in view.
// Each visible cell is painted by DrawCell: TDrawGrid hands it to OnDrawCell, TStringGrid
// writes the cell's text first. Editing in place, and sizing or moving rows and columns with
// the mouse, are not offered: goEditing, goRowSizing and the like are kept but do nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vcl/controls/controls.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/stdctrls/stdctrls.h"

namespace vcl {

// A grid refused an index, a size or a fixed count ("Grid index out of range").
VCL_EXCEPTION(EInvalidGridOperation, Exception)

enum TGridOption {
  goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected, goRowSizing,
  goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect, goAlwaysShowEditor, goThumbTracking
};
using TGridOptions = TEnumSet<TGridOption, uint16_t>;
inline constexpr TGridOptions DefaultGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine,
                                                 goRangeSelect};

enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TEnumSet<TGridDrawStateItem, uint8_t>;

// A cell by column (X) and row (Y); -1 for none.
struct TGridCoord {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};
// A block of cells, corners included.
struct TGridRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

using TDrawCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;

class TCustomGrid : public TCustomControl {
  VCL_CLASS(TCustomGrid, TCustomControl)
  explicit TCustomGrid(TComponent* owner);
  ~TCustomGrid() override;

  // ---- the table
  int ColCount() const { return colCount_; }
  void SetColCount(int value);
  int RowCount() const { return rowCount_; }
  void SetRowCount(int value);
  // Raise EInvalidGridOperation "Fixed column count must be less than column count" (or the
  // row counterpart) when they would leave no scrolling cells.
  int FixedCols() const { return fixedCols_; }
  void SetFixedCols(int value);
  int FixedRows() const { return fixedRows_; }
  void SetFixedRows(int value);
  int DefaultColWidth() const { return defaultColWidth_; }
  void SetDefaultColWidth(int value);
  int DefaultRowHeight() const { return defaultRowHeight_; }
  void SetDefaultRowHeight(int value);
  int ColWidths(int index) const;
  void SetColWidths(int index, int value);
  int RowHeights(int index) const;
  void SetRowHeights(int index, int value);
  int GridLineWidth() const { return gridLineWidth_; }
  void SetGridLineWidth(int value);

  // ---- look
  TColor FixedColor() const { return fixedColor_; }
  void SetFixedColor(TColor value);
  TGridOptions Options() const { return options_; }
  void SetOptions(TGridOptions value);
  // Which scroll bars the window has; they show while there is something to scroll.
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle value);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  // Whether the grid fills each cell (and writes a string grid's text) before DrawCell.
  bool DefaultDrawing() const { return defaultDrawing_; }
  void SetDefaultDrawing(bool value);

  // ---- the current cell, the selection and the view
  int Col() const { return current_.X; }
  void SetCol(int value);
  int Row() const { return current_.Y; }
  void SetRow(int value);
  TGridRect Selection() const;
  // Selects the block: its top-left corner is where the selection started, its bottom-right
  // the current cell.
  void SetSelection(const TGridRect& value);
  // The first scrolling row and column in view.
  int TopRow() const { return topLeft_.Y; }
  void SetTopRow(int value);
  int LeftCol() const { return topLeft_.X; }
  void SetLeftCol(int value);
  // How many scrolling columns and rows are wholly in view.
  int VisibleColCount();
  int VisibleRowCount();

  // ---- where things are
  // The cell's rectangle in client coordinates; empty when it is out of view.
  TRect CellRect(int col, int row);
  // The cell under a client point; -1, -1 when there is none.
  TGridCoord MouseCoord(int x, int y);
  void MouseToCell(int x, int y, int& col, int& row);
  void InvalidateCell(int col, int row);

  void Dispatch(TMessage& message) override;
  void DefineProperties(TFiler* filer) override;

  TDrawCellEvent OnDrawCell;
  TSelectCellEvent OnSelectCell;
  TNotifyEvent OnTopLeftChanged;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Paint() override;
  // Paints one cell after the grid filled it (when DefaultDrawing).
  virtual void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {}
  // Whether the cell may become current: OnSelectCell decides.
  virtual bool SelectCell(int col, int row);
  virtual void TopLeftChanged();
  // The table's size changed (a string grid keeps its texts in step).
  virtual void SizeChanged(int oldColCount, int oldRowCount) {}
  void KeyDown(WORD& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  // One direction of the layout: cell extents, the fixed count and the first scrolled cell.
  struct TAxis {
    std::vector<int> extents;
    int fixed = 0;
    int first = 0;       // first scrolled cell in view
    int lineWidth = 0;   // the line after each cell
  };
  TAxis HorzAxis() const;
  TAxis VertAxis() const;
  // The start of each cell in view along an axis (-1 for cells out of view) within `limit`.
  static std::vector<int> Positions(const TAxis& axis, int limit);
  // The furthest first scrolled cell that still fills the client.
  static int MaxFirst(const TAxis& axis, int limit);
  TGridCoord MaxTopLeft();
  void UpdateScrollBars();
  void ScrollMessage(TMessage& message, bool vertical);
  void MoveTopLeft(int left, int top);
  // Makes (col, row) current; moveAnchor starts a new selection there.
  void FocusCell(int col, int row, bool moveAnchor);
  void ScrollIntoView(int col, int row);
  void InvalidateSelection(const TGridRect& a, const TGridRect& b);
  void InvalidateGridRect(const TGridRect& r);
  void ChangeSize(int newColCount, int newRowCount);

  int colCount_ = 5;
  int rowCount_ = 5;
  int fixedCols_ = 1;
  int fixedRows_ = 1;
  int defaultColWidth_ = 64;
  int defaultRowHeight_ = 24;
  int gridLineWidth_ = 1;
  std::vector<int> colWidths_;   // empty: every column DefaultColWidth
  std::vector<int> rowHeights_;  // empty: every row DefaultRowHeight
  TColor fixedColor_ = clBtnFace;
  TGridOptions options_ = DefaultGridOptions;
  TScrollStyle scrollBars_ = ssBoth;
  TBorderStyle borderStyle_ = bsSingle;
  bool defaultDrawing_ = true;
  TGridCoord current_{1, 1};
  TGridCoord anchor_{1, 1};
  TGridCoord topLeft_{1, 1};
  bool selecting_ = false;
};

// A grid whose cells the program draws in OnDrawCell.
class TDrawGrid : public TCustomGrid {
  VCL_CLASS(TDrawGrid, TCustomGrid)
  explicit TDrawGrid(TComponent* owner);
  ~TDrawGrid() override;

 protected:
  void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
};

// A grid of texts: each cell holds a string (and an object pointer the program may attach),
// written into the cell before OnDrawCell.
class TStringGrid : public TDrawGrid {
  VCL_CLASS(TStringGrid, TDrawGrid)
  explicit TStringGrid(TComponent* owner);
  ~TStringGrid() override;

  // A cell outside the table reads as "" (nullptr) and raises EInvalidGridOperation
  // "Grid index out of range" when written.
  std::string Cells(int col, int row) const;
  void SetCells(int col, int row, const std::string& value);
  TObject* Objects(int col, int row) const;
  void SetObjects(int col, int row, TObject* value);

 protected:
  void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
  void SizeChanged(int oldColCount, int oldRowCount) override;

 private:
  size_t CellIndex(int col, int row) const;
  std::vector<std::string> cells_;
  std::vector<TObject*> objects_;
};

}  // namespace vcl
