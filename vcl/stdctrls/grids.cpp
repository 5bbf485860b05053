// TCustomGrid, TDrawGrid, TStringGrid: layout, painting, scrolling, the current cell and the
// selection.
#include "vcl/stdctrls/grids.h"

#include <algorithm>
#include <utility>

#include "vcl/classes/filer.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/runtime/sysutils.h"

namespace vcl {

namespace {

[[noreturn]] void IndexOutOfRange() { throw EInvalidGridOperation("Grid index out of range"); }

bool Contains(const TGridRect& r, int col, int row) {
  return col >= r.Left && col <= r.Right && row >= r.Top && row <= r.Bottom;
}

}  // namespace

// ---- Life -------------------------------------------------------------------------------------

TCustomGrid::TCustomGrid(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(TControlStyle{csCaptureMouse, csOpaque, csDoubleClicks});
  SetBounds(0, 0, 320, 120);
  SetColor(clWindow);
  SetParentColor(false);
  SetTabStop(true);
}

TCustomGrid::~TCustomGrid() = default;

void TCustomGrid::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style |= WS_TABSTOP;
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) params.Style |= WS_VSCROLL;
  if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) params.Style |= WS_HSCROLL;
  params.WindowClass.style = CS_DBLCLKS;
  if (borderStyle_ == bsSingle) {
    if (NewStyleControls && Ctl3D())
      params.ExStyle |= WS_EX_CLIENTEDGE;
    else
      params.Style |= WS_BORDER;
  }
}

void TCustomGrid::CreateWnd() {
  TCustomControl::CreateWnd();
  UpdateScrollBars();
}

// ---- The table --------------------------------------------------------------------------------

void TCustomGrid::ChangeSize(int newColCount, int newRowCount) {
  const int oldCols = colCount_, oldRows = rowCount_;
  colCount_ = newColCount;
  rowCount_ = newRowCount;
  if (!colWidths_.empty()) colWidths_.resize(static_cast<size_t>(colCount_), defaultColWidth_);
  if (!rowHeights_.empty()) rowHeights_.resize(static_cast<size_t>(rowCount_), defaultRowHeight_);
  auto clampCell = [&](TGridCoord& c) {
    c.X = std::clamp(c.X, fixedCols_, colCount_ - 1);
    c.Y = std::clamp(c.Y, fixedRows_, rowCount_ - 1);
  };
  clampCell(current_);
  clampCell(anchor_);
  clampCell(topLeft_);
  SizeChanged(oldCols, oldRows);
  TGridCoord maxTopLeft = MaxTopLeft();
  topLeft_.X = std::min(topLeft_.X, maxTopLeft.X);
  topLeft_.Y = std::min(topLeft_.Y, maxTopLeft.Y);
  UpdateScrollBars();
  Invalidate();
}

void TCustomGrid::SetColCount(int value) {
  value = std::max(value, 1);
  if (value == colCount_) return;
  if (value <= fixedCols_) fixedCols_ = value - 1;
  ChangeSize(value, rowCount_);
  if (options_.Contains(goRowSelect)) anchor_.X = colCount_ - 1;
}

void TCustomGrid::SetRowCount(int value) {
  value = std::max(value, 1);
  if (value == rowCount_) return;
  if (value <= fixedRows_) fixedRows_ = value - 1;
  ChangeSize(colCount_, value);
}

void TCustomGrid::SetFixedCols(int value) {
  if (value == fixedCols_) return;
  if (value < 0) IndexOutOfRange();
  if (value >= colCount_) throw EInvalidGridOperation("Fixed column count must be less than column count");
  fixedCols_ = value;
  current_.X = anchor_.X = topLeft_.X = value;
  if (options_.Contains(goRowSelect)) anchor_.X = colCount_ - 1;
  UpdateScrollBars();
  Invalidate();
}

void TCustomGrid::SetFixedRows(int value) {
  if (value == fixedRows_) return;
  if (value < 0) IndexOutOfRange();
  if (value >= rowCount_) throw EInvalidGridOperation("Fixed row count must be less than row count");
  fixedRows_ = value;
  current_.Y = anchor_.Y = topLeft_.Y = value;
  UpdateScrollBars();
  Invalidate();
}

void TCustomGrid::SetDefaultColWidth(int value) {
  if (value == defaultColWidth_ && colWidths_.empty()) return;
  defaultColWidth_ = value;
  colWidths_.clear();
  UpdateScrollBars();
  Invalidate();
}

void TCustomGrid::SetDefaultRowHeight(int value) {
  if (value == defaultRowHeight_ && rowHeights_.empty()) return;
  defaultRowHeight_ = value;
  rowHeights_.clear();
  UpdateScrollBars();
  Invalidate();
}

int TCustomGrid::ColWidths(int index) const {
  if (index < 0 || index >= colCount_) return defaultColWidth_;
  return colWidths_.empty() ? defaultColWidth_ : colWidths_[static_cast<size_t>(index)];
}

void TCustomGrid::SetColWidths(int index, int value) {
  if (index < 0 || index >= colCount_) IndexOutOfRange();
  if (colWidths_.empty()) colWidths_.assign(static_cast<size_t>(colCount_), defaultColWidth_);
  colWidths_[static_cast<size_t>(index)] = std::max(value, 0);
  UpdateScrollBars();
  Invalidate();
}

int TCustomGrid::RowHeights(int index) const {
  if (index < 0 || index >= rowCount_) return defaultRowHeight_;
  return rowHeights_.empty() ? defaultRowHeight_ : rowHeights_[static_cast<size_t>(index)];
}

void TCustomGrid::SetRowHeights(int index, int value) {
  if (index < 0 || index >= rowCount_) IndexOutOfRange();
  if (rowHeights_.empty()) rowHeights_.assign(static_cast<size_t>(rowCount_), defaultRowHeight_);
  rowHeights_[static_cast<size_t>(index)] = std::max(value, 0);
  UpdateScrollBars();
  Invalidate();
}

void TCustomGrid::SetGridLineWidth(int value) {
  value = std::max(value, 0);
  if (value == gridLineWidth_) return;
  gridLineWidth_ = value;
  UpdateScrollBars();
  Invalidate();
}

void TCustomGrid::SetFixedColor(TColor value) {
  if (value == fixedColor_) return;
  fixedColor_ = value;
  Invalidate();
}

void TCustomGrid::SetOptions(TGridOptions value) {
  if (value == options_) return;
  options_ = value;
  if (options_.Contains(goRowSelect)) {
    current_.X = fixedCols_;
    anchor_.X = colCount_ - 1;
  } else if (!options_.Contains(goRangeSelect)) {
    anchor_ = current_;
  }
  UpdateScrollBars();
  Invalidate();
}

void TCustomGrid::SetScrollBars(TScrollStyle value) {
  if (value == scrollBars_) return;
  scrollBars_ = value;
  RecreateWnd();
}

void TCustomGrid::SetBorderStyle(TBorderStyle value) {
  if (value == borderStyle_) return;
  borderStyle_ = value;
  RecreateWnd();
}

void TCustomGrid::SetDefaultDrawing(bool value) {
  if (value == defaultDrawing_) return;
  defaultDrawing_ = value;
  Invalidate();
}

// ---- Layout -----------------------------------------------------------------------------------

TCustomGrid::TAxis TCustomGrid::HorzAxis() const {
  TAxis axis;
  for (int i = 0; i < colCount_; ++i) axis.extents.push_back(ColWidths(i));
  axis.fixed = fixedCols_;
  axis.first = topLeft_.X;
  axis.lineWidth = options_.Contains(goVertLine) ? gridLineWidth_ : 0;
  return axis;
}

TCustomGrid::TAxis TCustomGrid::VertAxis() const {
  TAxis axis;
  for (int i = 0; i < rowCount_; ++i) axis.extents.push_back(RowHeights(i));
  axis.fixed = fixedRows_;
  axis.first = topLeft_.Y;
  axis.lineWidth = options_.Contains(goHorzLine) ? gridLineWidth_ : 0;
  return axis;
}

std::vector<int> TCustomGrid::Positions(const TAxis& axis, int limit) {
  const int count = static_cast<int>(axis.extents.size());
  std::vector<int> positions(axis.extents.size(), -1);
  int at = 0;
  for (int i = 0; i < axis.fixed && i < count; ++i) {
    positions[static_cast<size_t>(i)] = at;
    at += axis.extents[static_cast<size_t>(i)] + axis.lineWidth;
  }
  for (int i = std::max(axis.first, axis.fixed); i < count && at < limit; ++i) {
    positions[static_cast<size_t>(i)] = at;
    at += axis.extents[static_cast<size_t>(i)] + axis.lineWidth;
  }
  return positions;
}

int TCustomGrid::MaxFirst(const TAxis& axis, int limit) {
  const int count = static_cast<int>(axis.extents.size());
  int available = limit;
  for (int i = 0; i < axis.fixed && i < count; ++i) available -= axis.extents[static_cast<size_t>(i)] + axis.lineWidth;
  int first = count;
  while (first > axis.fixed) {
    int extent = axis.extents[static_cast<size_t>(first - 1)] + axis.lineWidth;
    if (extent > available) break;
    available -= extent;
    --first;
  }
  // At least one scrolled cell stays in view, however little room there is.
  return std::clamp(first, axis.fixed, std::max(axis.fixed, count - 1));
}

TGridCoord TCustomGrid::MaxTopLeft() {
  TRect client = ClientRect();
  return TGridCoord{MaxFirst(HorzAxis(), client.right), MaxFirst(VertAxis(), client.bottom)};
}

int TCustomGrid::VisibleColCount() {
  TAxis axis = HorzAxis();
  int at = 0;
  for (int i = 0; i < axis.fixed; ++i) at += axis.extents[static_cast<size_t>(i)] + axis.lineWidth;
  int count = 0;
  const int limit = ClientRect().right;
  for (int i = axis.first; i < colCount_ && at + axis.extents[static_cast<size_t>(i)] <= limit; ++i, ++count)
    at += axis.extents[static_cast<size_t>(i)] + axis.lineWidth;
  return count;
}

int TCustomGrid::VisibleRowCount() {
  TAxis axis = VertAxis();
  int at = 0;
  for (int i = 0; i < axis.fixed; ++i) at += axis.extents[static_cast<size_t>(i)] + axis.lineWidth;
  int count = 0;
  const int limit = ClientRect().bottom;
  for (int i = axis.first; i < rowCount_ && at + axis.extents[static_cast<size_t>(i)] <= limit; ++i, ++count)
    at += axis.extents[static_cast<size_t>(i)] + axis.lineWidth;
  return count;
}

TRect TCustomGrid::CellRect(int col, int row) {
  if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_) return TRect{0, 0, 0, 0};
  TRect client = ClientRect();
  int x = Positions(HorzAxis(), client.right)[static_cast<size_t>(col)];
  int y = Positions(VertAxis(), client.bottom)[static_cast<size_t>(row)];
  if (x < 0 || y < 0) return TRect{0, 0, 0, 0};
  return TRect{x, y, std::min<int>(x + ColWidths(col), client.right), std::min<int>(y + RowHeights(row), client.bottom)};
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) {
  TRect client = ClientRect();
  auto find = [](const TAxis& axis, const std::vector<int>& positions, int at) {
    for (size_t i = 0; i < positions.size(); ++i)
      if (positions[i] >= 0 && at >= positions[i] && at < positions[i] + axis.extents[i] + axis.lineWidth)
        return static_cast<int>(i);
    return -1;
  };
  TAxis horz = HorzAxis(), vert = VertAxis();
  TGridCoord cell{find(horz, Positions(horz, client.right), x), find(vert, Positions(vert, client.bottom), y)};
  if (cell.X < 0 || cell.Y < 0 || x >= client.right || y >= client.bottom) return TGridCoord{-1, -1};
  return cell;
}

void TCustomGrid::MouseToCell(int x, int y, int& col, int& row) {
  TGridCoord cell = MouseCoord(x, y);
  col = cell.X;
  row = cell.Y;
}

void TCustomGrid::InvalidateCell(int col, int row) { InvalidateGridRect(TGridRect{col, row, col, row}); }

void TCustomGrid::InvalidateGridRect(const TGridRect& r) {
  HWND wnd = WindowHandle();
  if (!wnd) return;
  TRect topLeft = CellRect(std::max(r.Left, 0), std::max(r.Top, 0));
  TRect bottomRight = CellRect(std::min(r.Right, colCount_ - 1), std::min(r.Bottom, rowCount_ - 1));
  // Cells out of view are not drawn; invalidating the whole window is the safe answer then.
  if (IsRectEmpty(&topLeft) || IsRectEmpty(&bottomRight)) {
    InvalidateRect(wnd, nullptr, FALSE);
    return;
  }
  RECT area{topLeft.left, topLeft.top, bottomRight.right + gridLineWidth_, bottomRight.bottom + gridLineWidth_};
  InvalidateRect(wnd, &area, FALSE);
}

void TCustomGrid::InvalidateSelection(const TGridRect& a, const TGridRect& b) {
  InvalidateGridRect(a);
  InvalidateGridRect(b);
}

// ---- Painting ---------------------------------------------------------------------------------

void TCustomGrid::Paint() {
  TCanvas* canvas = Canvas();
  const TRect client = ClientRect();
  const TAxis horz = HorzAxis(), vert = VertAxis();
  const std::vector<int> xs = Positions(horz, client.right);
  const std::vector<int> ys = Positions(vert, client.bottom);
  const TGridRect selection = Selection();
  const bool focused = Focused();

  // What lies right of and below the last cell shows the grid's colour.
  int gridRight = 0, gridBottom = 0;
  for (size_t i = 0; i < xs.size(); ++i)
    if (xs[i] >= 0) gridRight = std::max(gridRight, xs[i] + horz.extents[i] + horz.lineWidth);
  for (size_t i = 0; i < ys.size(); ++i)
    if (ys[i] >= 0) gridBottom = std::max(gridBottom, ys[i] + vert.extents[i] + vert.lineWidth);
  canvas->Brush()->SetColor(Color());
  canvas->Brush()->SetStyle(bsSolid);
  if (gridRight < client.right) canvas->FillRect(TRect{gridRight, 0, client.right, client.bottom});
  if (gridBottom < client.bottom) canvas->FillRect(TRect{0, gridBottom, std::min<int>(gridRight, client.right), client.bottom});

  for (int row = 0; row < rowCount_; ++row) {
    const int y = ys[static_cast<size_t>(row)];
    if (y < 0) continue;
    const int height = vert.extents[static_cast<size_t>(row)];
    for (int col = 0; col < colCount_; ++col) {
      const int x = xs[static_cast<size_t>(col)];
      if (x < 0) continue;
      const int width = horz.extents[static_cast<size_t>(col)];
      const TRect cell{x, y, x + width, y + height};
      const bool fixed = col < fixedCols_ || row < fixedRows_;
      TGridDrawState state;
      if (fixed) {
        state.Include(gdFixed);
      } else {
        if (focused && col == current_.X && row == current_.Y) state.Include(gdFocused);
        if (Contains(selection, col, row)) state.Include(gdSelected);
      }

      // The lines after the cell: black between fixed cells, silver between the others.
      const bool vertLine = fixed ? options_.Contains(goFixedVertLine) : options_.Contains(goVertLine);
      const bool horzLine = fixed ? options_.Contains(goFixedHorzLine) : options_.Contains(goHorzLine);
      const TColor lineColor = fixed ? clBlack : (Ctl3D() ? clSilver : clBlack);
      const TColor cellColor = fixed ? fixedColor_ : Color();
      if (horz.lineWidth > 0) {
        canvas->Brush()->SetColor(vertLine ? lineColor : cellColor);
        canvas->FillRect(TRect{cell.right, cell.top, cell.right + horz.lineWidth, cell.bottom + vert.lineWidth});
      }
      if (vert.lineWidth > 0) {
        canvas->Brush()->SetColor(horzLine ? lineColor : cellColor);
        canvas->FillRect(TRect{cell.left, cell.bottom, cell.right, cell.bottom + vert.lineWidth});
      }

      canvas->SetFont(Font());
      if (defaultDrawing_) {
        const bool highlight = state.Contains(gdSelected) &&
                               (!state.Contains(gdFocused) || options_.Contains(goDrawFocusSelected) ||
                                options_.Contains(goRowSelect));
        if (fixed) {
          canvas->Brush()->SetColor(fixedColor_);
        } else if (highlight) {
          canvas->Brush()->SetColor(clHighlight);
          canvas->Font()->SetColor(clHighlightText);
        } else {
          canvas->Brush()->SetColor(Color());
        }
        canvas->FillRect(cell);
      }
      {
        // What DrawCell draws stays inside its cell.
        HDC dc = canvas->Handle();
        int saved = SaveDC(dc);
        IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);
        try {
          DrawCell(col, row, cell, state);
        } catch (...) {
          RestoreDC(dc, saved);
          throw;
        }
        RestoreDC(dc, saved);
      }
      if (defaultDrawing_ && fixed && Ctl3D() && options_.Contains(goFixedVertLine) &&
          options_.Contains(goFixedHorzLine)) {
        RECT edge = cell;
        DrawEdge(canvas->Handle(), &edge, BDR_RAISEDINNER, BF_RECT);
      }
      if (defaultDrawing_ && state.Contains(gdFocused) && !options_.Contains(goRowSelect)) {
        canvas->Font()->SetColor(Font()->Color());
        canvas->DrawFocusRect(cell);
      }
    }
  }
}

// ---- The current cell and the view ------------------------------------------------------------

TGridRect TCustomGrid::Selection() const {
  return TGridRect{std::min(anchor_.X, current_.X), std::min(anchor_.Y, current_.Y),
                   std::max(anchor_.X, current_.X), std::max(anchor_.Y, current_.Y)};
}

void TCustomGrid::SetSelection(const TGridRect& value) {
  if (value.Left < 0 || value.Top < 0 || value.Right >= colCount_ || value.Bottom >= rowCount_) IndexOutOfRange();
  TGridRect old = Selection();
  anchor_ = TGridCoord{value.Left, value.Top};
  current_ = TGridCoord{value.Right, value.Bottom};
  InvalidateSelection(old, Selection());
}

bool TCustomGrid::SelectCell(int col, int row) {
  bool canSelect = true;
  if (TSelectCellEvent handler = OnSelectCell) handler(this, col, row, canSelect);
  return canSelect;
}

void TCustomGrid::FocusCell(int col, int row, bool moveAnchor) {
  if (col < 0 || row < 0 || col >= colCount_ || row >= rowCount_) IndexOutOfRange();
  if (!SelectCell(col, row)) return;
  TGridRect old = Selection();
  current_ = TGridCoord{col, row};
  if (moveAnchor || !options_.Contains(goRangeSelect)) {
    anchor_ = current_;
    if (options_.Contains(goRowSelect)) anchor_.X = colCount_ - 1;
  }
  if (options_.Contains(goRowSelect)) current_.X = fixedCols_;
  ScrollIntoView(current_.X, current_.Y);
  InvalidateSelection(old, Selection());
}

void TCustomGrid::SetCol(int value) {
  if (value == current_.X) return;
  FocusCell(value, current_.Y, true);
  Click();
}

void TCustomGrid::SetRow(int value) {
  if (value == current_.Y) return;
  FocusCell(current_.X, value, true);
  Click();
}

void TCustomGrid::ScrollIntoView(int col, int row) {
  TGridCoord topLeft = topLeft_;
  const TRect client = ClientRect();
  // The first cell in view that still shows `cell` whole at the end of the axis.
  auto firstShowing = [](const TAxis& axis, int cell, int limit) {
    int available = limit;
    for (int i = 0; i < axis.fixed; ++i) available -= axis.extents[static_cast<size_t>(i)] + axis.lineWidth;
    int first = cell;
    available -= axis.extents[static_cast<size_t>(cell)];
    while (first > axis.fixed) {
      int extent = axis.extents[static_cast<size_t>(first - 1)] + axis.lineWidth;
      if (extent > available) break;
      available -= extent;
      --first;
    }
    return first;
  };
  if (col >= fixedCols_) {
    if (col < topLeft.X)
      topLeft.X = col;
    else
      topLeft.X = std::max(topLeft.X, firstShowing(HorzAxis(), col, client.right));
  }
  if (row >= fixedRows_) {
    if (row < topLeft.Y)
      topLeft.Y = row;
    else
      topLeft.Y = std::max(topLeft.Y, firstShowing(VertAxis(), row, client.bottom));
  }
  MoveTopLeft(topLeft.X, topLeft.Y);
}

void TCustomGrid::SetTopRow(int value) { MoveTopLeft(topLeft_.X, value); }
void TCustomGrid::SetLeftCol(int value) { MoveTopLeft(value, topLeft_.Y); }

void TCustomGrid::MoveTopLeft(int left, int top) {
  TGridCoord maxTopLeft = MaxTopLeft();
  left = std::clamp(left, fixedCols_, std::max(fixedCols_, maxTopLeft.X));
  top = std::clamp(top, fixedRows_, std::max(fixedRows_, maxTopLeft.Y));
  if (left == topLeft_.X && top == topLeft_.Y) return;
  topLeft_ = TGridCoord{left, top};
  Invalidate();
  UpdateScrollBars();
  TopLeftChanged();
}

void TCustomGrid::TopLeftChanged() {
  if (TNotifyEvent handler = OnTopLeftChanged) handler(this);
}

// ---- Scroll bars ------------------------------------------------------------------------------

void TCustomGrid::UpdateScrollBars() {
  HWND wnd = WindowHandle();
  if (!wnd) return;
  // Showing or hiding a bar changes the client area and with it the range of the other: a
  // second pass settles it.
  for (int pass = 0; pass < 2; ++pass) {
    TGridCoord maxTopLeft = MaxTopLeft();
    auto update = [&](int bar, int count, int fixed, int first, int maxFirst) {
      SCROLLINFO info{};
      info.cbSize = sizeof(info);
      info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
      const int scrolled = count - fixed;
      if (scrolled > 0 && maxFirst > fixed) {
        info.nMax = scrolled - 1;
        info.nPage = static_cast<UINT>(count - maxFirst);
        info.nPos = first - fixed;
      }
      SetScrollInfo(wnd, bar, &info, TRUE);
    };
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth)
      update(SB_VERT, rowCount_, fixedRows_, topLeft_.Y, maxTopLeft.Y);
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth)
      update(SB_HORZ, colCount_, fixedCols_, topLeft_.X, maxTopLeft.X);
  }
}

void TCustomGrid::ScrollMessage(TMessage& message, bool vertical) {
  const int fixed = vertical ? fixedRows_ : fixedCols_;
  const int first = vertical ? topLeft_.Y : topLeft_.X;
  const TGridCoord maxTopLeft = MaxTopLeft();
  const int last = vertical ? maxTopLeft.Y : maxTopLeft.X;
  const int page = std::max(1, vertical ? VisibleRowCount() : VisibleColCount());
  const int position = static_cast<short>(HIWORD(message.WParam)) >= 0 ? HIWORD(message.WParam) : 0;
  int target = first;
  switch (LOWORD(message.WParam)) {
    case SB_LINEUP: target = first - 1; break;
    case SB_LINEDOWN: target = first + 1; break;
    case SB_PAGEUP: target = first - page; break;
    case SB_PAGEDOWN: target = first + page; break;
    case SB_THUMBTRACK:
      if (!options_.Contains(goThumbTracking)) return;
      target = fixed + position;
      break;
    case SB_THUMBPOSITION: target = fixed + position; break;
    case SB_TOP: target = fixed; break;
    case SB_BOTTOM: target = last; break;
    default: return;
  }
  if (vertical)
    MoveTopLeft(topLeft_.X, target);
  else
    MoveTopLeft(target, topLeft_.Y);
  message.Result = 0;
}

// ---- Keys and the mouse -----------------------------------------------------------------------

void TCustomGrid::KeyDown(WORD& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key == 0) return;
  int col = current_.X, row = current_.Y;
  const int rowPage = std::max(1, VisibleRowCount());
  const bool ctrl = shift.Contains(ssCtrl);
  switch (key) {
    case VK_UP: --row; break;
    case VK_DOWN: ++row; break;
    case VK_LEFT:
      if (options_.Contains(goRowSelect)) return SetLeftCol(topLeft_.X - 1);
      --col;
      break;
    case VK_RIGHT:
      if (options_.Contains(goRowSelect)) return SetLeftCol(topLeft_.X + 1);
      ++col;
      break;
    case VK_PRIOR: row -= rowPage; break;
    case VK_NEXT: row += rowPage; break;
    case VK_HOME:
      if (ctrl) row = fixedRows_;
      else col = fixedCols_;
      break;
    case VK_END:
      if (ctrl) row = rowCount_ - 1;
      else col = colCount_ - 1;
      break;
    case VK_TAB:
      if (!options_.Contains(goTabs)) return;
      // Along the row, then on to the next (or previous) row.
      if (shift.Contains(ssShift)) {
        if (--col < fixedCols_) {
          col = colCount_ - 1;
          --row;
        }
      } else if (++col >= colCount_) {
        col = fixedCols_;
        ++row;
      }
      if (row < fixedRows_ || row >= rowCount_) return;
      break;
    default: return;
  }
  col = std::clamp(col, fixedCols_, colCount_ - 1);
  row = std::clamp(row, fixedRows_, rowCount_ - 1);
  if (options_.Contains(goRowSelect)) col = fixedCols_;
  if (col == current_.X && row == current_.Y) return;
  const bool extend = shift.Contains(ssShift) && key != VK_TAB && options_.Contains(goRangeSelect);
  FocusCell(col, row, !extend);
  Click();
}

void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && !ComponentState().Contains(csDesigning)) {
    if (CanFocus() && !Focused()) SetFocus();
    TGridCoord cell = MouseCoord(x, y);
    if (cell.X >= fixedCols_ && cell.Y >= fixedRows_) {
      const bool extend = shift.Contains(ssShift) && options_.Contains(goRangeSelect);
      FocusCell(cell.X, cell.Y, !extend);
      selecting_ = true;
    }
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomGrid::MouseMove(TShiftState shift, int x, int y) {
  if (selecting_ && options_.Contains(goRangeSelect)) {
    // Dragging widens the selection; past the edge the grid scrolls on.
    TRect client = ClientRect();
    TGridCoord cell = MouseCoord(std::clamp<int>(x, 0, client.right - 1), std::clamp<int>(y, 0, client.bottom - 1));
    if (cell.X >= fixedCols_ && cell.Y >= fixedRows_ && !(cell == current_)) FocusCell(cell.X, cell.Y, false);
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TCustomGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  // A press on a cell is a click when it ends.
  const bool clicked = selecting_ && button == mbLeft;
  selecting_ = false;
  if (clicked) Click();
  TCustomControl::MouseUp(button, shift, x, y);
}

// ---- Messages ---------------------------------------------------------------------------------

void TCustomGrid::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL:
      // The grid's own bars (lParam 0); a scroll bar control sends its own.
      if (message.LParam == 0) {
        ScrollMessage(message, message.Msg == WM_VSCROLL);
        return;
      }
      break;
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS;
      if (options_.Contains(goTabs)) message.Result |= DLGC_WANTTAB;
      return;
    case WM_SIZE: {
      TCustomControl::Dispatch(message);
      // A larger window may show cells that were scrolled out: the view moves back.
      MoveTopLeft(topLeft_.X, topLeft_.Y);
      UpdateScrollBars();
      return;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TCustomControl::Dispatch(message);
      InvalidateGridRect(Selection());
      return;
    case WM_CANCELMODE:
      selecting_ = false;
      break;
    default: break;
  }
  TCustomControl::Dispatch(message);
}

// ---- Form data --------------------------------------------------------------------------------

void TCustomGrid::DefineProperties(TFiler* filer) {
  TCustomControl::DefineProperties(filer);
  // Widths and heights set one by one are stored as a list; by default none is.
  auto define = [&](const char* name, std::vector<int>& extents, bool columns) {
    filer->DefineProperty(
        name,
        [this, columns](TReader* reader) {
          reader->ReadListBegin();
          // Values past the table (form data of another size) are read and dropped.
          for (int i = 0; !reader->EndOfList(); ++i) {
            int value = reader->ReadInteger();
            if (columns && i < colCount_) SetColWidths(i, value);
            if (!columns && i < rowCount_) SetRowHeights(i, value);
          }
          reader->ReadListEnd();
        },
        [&extents](TWriter* writer) {
          writer->WriteListBegin();
          for (int value : extents) writer->WriteInteger(value);
          writer->WriteListEnd();
        },
        !extents.empty());
  };
  define("ColWidths", colWidths_, true);
  define("RowHeights", rowHeights_, false);
}

// ---- TDrawGrid --------------------------------------------------------------------------------

TDrawGrid::TDrawGrid(TComponent* owner) : TCustomGrid(owner) {}
TDrawGrid::~TDrawGrid() = default;

void TDrawGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
  if (TDrawCellEvent handler = OnDrawCell) handler(this, col, row, rect, state);
}

// ---- TStringGrid ------------------------------------------------------------------------------

TStringGrid::TStringGrid(TComponent* owner) : TDrawGrid(owner) {
  cells_.resize(static_cast<size_t>(ColCount() * RowCount()));
  objects_.resize(cells_.size(), nullptr);
}

TStringGrid::~TStringGrid() = default;

size_t TStringGrid::CellIndex(int col, int row) const {
  return static_cast<size_t>(row) * static_cast<size_t>(ColCount()) + static_cast<size_t>(col);
}

std::string TStringGrid::Cells(int col, int row) const {
  if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount()) return {};
  return cells_[CellIndex(col, row)];
}

void TStringGrid::SetCells(int col, int row, const std::string& value) {
  if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount()) IndexOutOfRange();
  cells_[CellIndex(col, row)] = value;
  InvalidateCell(col, row);
}

TObject* TStringGrid::Objects(int col, int row) const {
  if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount()) return nullptr;
  return objects_[CellIndex(col, row)];
}

void TStringGrid::SetObjects(int col, int row, TObject* value) {
  if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount()) IndexOutOfRange();
  objects_[CellIndex(col, row)] = value;
}

void TStringGrid::SizeChanged(int oldColCount, int oldRowCount) {
  std::vector<std::string> cells(static_cast<size_t>(ColCount() * RowCount()));
  std::vector<TObject*> objects(cells.size(), nullptr);
  for (int row = 0; row < std::min(oldRowCount, RowCount()); ++row)
    for (int col = 0; col < std::min(oldColCount, ColCount()); ++col) {
      size_t from = static_cast<size_t>(row) * static_cast<size_t>(oldColCount) + static_cast<size_t>(col);
      cells[CellIndex(col, row)] = std::move(cells_[from]);
      objects[CellIndex(col, row)] = objects_[from];
    }
  cells_ = std::move(cells);
  objects_ = std::move(objects);
}

void TStringGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
  if (DefaultDrawing()) {
    Canvas()->Brush()->SetStyle(bsClear);
    Canvas()->TextRect(rect, rect.left + 2, rect.top + 2, Cells(col, row));
    Canvas()->Brush()->SetStyle(bsSolid);
  }
  TDrawGrid::DrawCell(col, row, rect, state);
}

// ---- Published properties ---------------------------------------------------------------------

VCL_PUBLISHED(TDrawGrid, p) {
  p.Enum("BorderStyle", &TDrawGrid::BorderStyle, &TDrawGrid::SetBorderStyle,
         {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}, bsSingle)
      .Integer("Color", &TDrawGrid::Color, &TDrawGrid::SetColor, clWindow)
      .Idents(ColorToIdent, IdentToColor)
      .Stored([](TDrawGrid* g) { return !g->ParentColor(); })
      .Integer("ColCount", &TDrawGrid::ColCount, &TDrawGrid::SetColCount, 5)
      .Integer("DefaultColWidth", &TDrawGrid::DefaultColWidth, &TDrawGrid::SetDefaultColWidth, 64)
      .Integer("DefaultRowHeight", &TDrawGrid::DefaultRowHeight, &TDrawGrid::SetDefaultRowHeight, 24)
      .Bool("DefaultDrawing", &TDrawGrid::DefaultDrawing, &TDrawGrid::SetDefaultDrawing, true)
      .Integer("FixedColor", &TDrawGrid::FixedColor, &TDrawGrid::SetFixedColor, clBtnFace)
      .Idents(ColorToIdent, IdentToColor)
      .Integer("FixedCols", &TDrawGrid::FixedCols, &TDrawGrid::SetFixedCols, 1)
      .Integer("RowCount", &TDrawGrid::RowCount, &TDrawGrid::SetRowCount, 5)
      .Integer("FixedRows", &TDrawGrid::FixedRows, &TDrawGrid::SetFixedRows, 1)
      .Integer("GridLineWidth", &TDrawGrid::GridLineWidth, &TDrawGrid::SetGridLineWidth, 1)
      .Set("Options", &TDrawGrid::Options, &TDrawGrid::SetOptions,
           {"goFixedVertLine", "goFixedHorzLine", "goVertLine", "goHorzLine", "goRangeSelect", "goDrawFocusSelected",
            "goRowSizing", "goColSizing", "goRowMoving", "goColMoving", "goEditing", "goTabs", "goRowSelect",
            "goAlwaysShowEditor", "goThumbTracking"},
           DefaultGridOptions)
      .Enum("ScrollBars", &TDrawGrid::ScrollBars, &TDrawGrid::SetScrollBars,
            {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}, ssBoth)
      .Bool("TabStop", &TDrawGrid::TabStop, &TDrawGrid::SetTabStop, true)
      .Event("OnDrawCell", &TDrawGrid::OnDrawCell)
      .Event("OnSelectCell", &TDrawGrid::OnSelectCell)
      .Event("OnTopLeftChanged", &TDrawGrid::OnTopLeftChanged);
}

VCL_PUBLISHED(TStringGrid, p) { (void)p; }

}  // namespace vcl
