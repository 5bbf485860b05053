#include "skin/controls/colours_panel.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/colour_hsv.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/scope_exit.h"

namespace skin {

TsColorsPanel::TsColorsPanel(vcl::TComponent* owner)
    : TsPanel(owner), colors_(std::make_unique<vcl::TStringList>()) {
  colors_->OnChange = [this](vcl::TObject*) {
    if (generating_) return;
    GenerateColors();
    SkinData()->Invalidate();
  };
  SetCaption(" ");
  SetBounds(Left(), Top(), 140, 60);
}

TsColorsPanel::~TsColorsPanel() { colors_->OnChange = nullptr; }

void TsColorsPanel::AfterConstruction() {
  TsPanel::AfterConstruction();
  GenerateColors();
}

void TsColorsPanel::Loaded() {
  TsPanel::Loaded();
  GenerateColors();
}

void TsColorsPanel::SetColors(vcl::TStrings* value) { colors_->Assign(value); }

void TsColorsPanel::SetGridValue(int32_t& field, int32_t value) {
  if (field == value) return;
  field = value;
  GenerateColors();
  SkinData()->Invalidate();
}

void TsColorsPanel::SetItemWidth(int32_t value) { SetGridValue(itemWidth_, value); }
void TsColorsPanel::SetItemHeight(int32_t value) { SetGridValue(itemHeight_, value); }
void TsColorsPanel::SetItemMargin(int32_t value) { SetGridValue(itemMargin_, value); }
void TsColorsPanel::SetColCount(int32_t value) { SetGridValue(colCount_, std::max(value, 0)); }
void TsColorsPanel::SetRowCount(int32_t value) { SetGridValue(rowCount_, std::max(value, 0)); }

void TsColorsPanel::GenerateColors() {
  if (IsLoading(this)) return;
  cells_.clear();
  const TacCharSet delimiters = MakeCharSet(" \r\n");
  generating_ = true;
  vcl::TScopeExit done([this] { generating_ = false; });
  for (int32_t r = 0; r < rowCount_; ++r)
    for (int32_t c = 0; c < colCount_; ++c) {
      TColorCell cell;
      cell.Index = int32_t(cells_.size());
      if (cell.Index < colors_->Count()) {
        const int64_t rgb = HexToInt64(GetNthWord(1, colors_->Strings(cell.Index), delimiters));
        // The text reads red, green, blue; the platform colour keeps red in the low byte.
        cell.Color = ExchangeRedBlue(vcl::TColor(rgb & 0xFFFFFF));
      } else {
        cell.Color = vcl::TColor(0xFFFFFF);
        colors_->Add("FFFFFF");
      }
      cell.Rect.left = itemMargin_ + (itemWidth_ + itemMargin_) * c;
      cell.Rect.top = itemMargin_ + (itemHeight_ + itemMargin_) * r;
      cell.Rect.right = cell.Rect.left + itemWidth_;
      cell.Rect.bottom = cell.Rect.top + itemHeight_;
      cells_.push_back(cell);
    }
  // A stored selection must name a cell that exists: the colours may hold more lines than the
  // grid has cells.
  if (itemIndex_ >= int32_t(cells_.size())) itemIndex_ = -1;
  for (TColorCell& cell : cells_) cell.Selected = cell.Index == itemIndex_;
}

void TsColorsPanel::SetItemIndex(int32_t value) {
  if (IsLoading(this)) {
    itemIndex_ = value;
    return;
  }
  if (itemIndex_ >= int32_t(cells_.size())) itemIndex_ = -1;
  if (value < -1 || value >= int32_t(cells_.size())) value = -1;
  if (value == itemIndex_) return;
  if (itemIndex_ >= 0) cells_[size_t(itemIndex_)].Selected = false;
  previousIndex_ = itemIndex_;
  itemIndex_ = value;
  if (itemIndex_ >= 0) cells_[size_t(itemIndex_)].Selected = true;
  if (OnChange) OnChange(this);
  Repaint();
}

int32_t TsColorsPanel::ItemAtPoint(int32_t x, int32_t y) const {
  const POINT p{x, y};
  for (const TColorCell& cell : cells_) {
    RECT r = cell.Rect;
    InflateRect(&r, itemMargin_, itemMargin_);
    if (PtInRect(&r, p)) return cell.Index;
  }
  return -1;
}

vcl::TColor TsColorsPanel::SelectedColor() const {
  if (itemIndex_ < 0 || itemIndex_ >= int32_t(cells_.size())) return vcl::TColor(0xFFFFFF);
  return cells_[size_t(itemIndex_)].Color;
}

void TsColorsPanel::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TsPanel::MouseDown(button, shift, x, y);
  if (CanFocus()) SetFocus();
  SetItemIndex(ItemAtPoint(x, y));
}

void TsColorsPanel::PaintItems(HDC dc) {
  for (const TColorCell& cell : cells_) PaintSolidRect(dc, cell.Rect, cell.Color);
}

void TsColorsPanel::PaintSelection(HDC dc) {
  if (itemIndex_ < 0 || itemIndex_ >= int32_t(cells_.size()) || OnPaint) return;
  RECT r = cells_[size_t(itemIndex_)].Rect;
  InflateRect(&r, 1, 1);
  FrameRect(dc, &r, HBRUSH(GetStockObject(WHITE_BRUSH)));
  InflateRect(&r, 1, 1);
  FrameRect(dc, &r, HBRUSH(GetStockObject(BLACK_BRUSH)));
  if (HandleAllocated() && Focused()) {
    InflateRect(&r, 2, 2);
    DrawFocusRect(dc, &r);
  }
}

void TsColorsPanel::PrepareCache() {
  TsCommonData* link = SkinData();
  link->InitCacheBmp24();
  vcl::TBitmap* cache = link->CacheBitmap.get();
  PaintSkinDataItemFromParent(link, Parent(), false, false, cache, vcl::TPoint{Left(), Top()},
                              vcl::TRect{0, 0, Width(), Height()}, 0);
  link->CacheStale = false;
  if (OnPaint)
    OnPaint(this, cache->Canvas());
  else
    PaintItems(cache->Canvas()->Handle());
}

void TsColorsPanel::PaintPanel(HDC dc, bool repaintChildren) {
  if (IsDestroying(this) || !SkinData()->IsSkinned(false)) return;
  if (!dc) dc = Canvas()->Handle();
  TsPanel::PaintPanel(dc, repaintChildren);
  PaintSelection(dc);
}

void TsColorsPanel::Paint() {
  TsPanel::Paint();
  if (SkinData()->IsSkinned(false)) return;
  if (!OnPaint) PaintItems(Canvas()->Handle());
  PaintSelection(Canvas()->Handle());
}

void TsColorsPanel::WndProc(vcl::TMessage& message) {
  TsPanel::WndProc(message);
  if ((message.Msg == WM_SETFOCUS || message.Msg == WM_KILLFOCUS) && itemIndex_ >= 0) Repaint();
}

VCL_PUBLISHED(TsColorsPanel, p) {
  using C = TsColorsPanel;
  p.Integer("ColCount", &C::ColCount, &C::SetColCount, 5)
      .Object("Colors", &C::Colors, &C::SetColors)
      .Integer("ItemIndex", &C::ItemIndex, &C::SetItemIndex, -1)
      .Integer("ItemHeight", &C::ItemHeight, &C::SetItemHeight, 21)
      .Integer("ItemWidth", &C::ItemWidth, &C::SetItemWidth, 21)
      .Integer("ItemMargin", &C::ItemMargin, &C::SetItemMargin, 6)
      .Integer("Height", &C::Height, &C::SetHeight, 60)
      .Integer("RowCount", &C::RowCount, &C::SetRowCount, 2)
      .Integer("Width", &C::Width, &C::SetWidth, 140)
      .Event("OnChange", &C::OnChange);
}

}  // namespace skin
