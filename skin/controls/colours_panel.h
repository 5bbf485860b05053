// TsColorsPanel: a grid of colour cells, one per line of Colors (six hexadecimal digits, red,
// green, blue), with one selected cell; the colour dialog's palettes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "skin/controls/panel.h"
#include "vcl/classes/stringlist.h"

namespace skin {

class TsColorsPanel : public TsPanel {
  VCL_CLASS(TsColorsPanel, TsPanel)
 public:
  struct TColorCell {
    int32_t Index = 0;
    vcl::TColor Color = vcl::TColor(0xFFFFFF);  // red in the low byte
    vcl::TRect Rect{};
    bool Selected = false;
  };

  explicit TsColorsPanel(vcl::TComponent* owner);
  ~TsColorsPanel() override;

  vcl::TStrings* Colors() const { return colors_.get(); }
  void SetColors(vcl::TStrings* value);
  int32_t ItemIndex() const { return itemIndex_; }
  // -1 or the index of an existing cell; anything else selects nothing.
  void SetItemIndex(int32_t value);
  int32_t ItemWidth() const { return itemWidth_; }
  void SetItemWidth(int32_t value);
  int32_t ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int32_t value);
  int32_t ItemMargin() const { return itemMargin_; }
  void SetItemMargin(int32_t value);
  int32_t ColCount() const { return colCount_; }
  void SetColCount(int32_t value);
  int32_t RowCount() const { return rowCount_; }
  void SetRowCount(int32_t value);

  vcl::TNotifyEvent OnChange;

  int32_t ColorCount() const { return colors_->Count(); }
  const std::vector<TColorCell>& Cells() const { return cells_; }
  // The first cell whose rectangle grown by ItemMargin holds the point; -1 for none.
  int32_t ItemAtPoint(int32_t x, int32_t y) const;
  // White without a selection.
  vcl::TColor SelectedColor() const;
  void GenerateColors();

  void AfterConstruction() override;
  void PaintPanel(HDC dc, bool repaintChildren) override;
  bool UsesCache() const override { return true; }
  void WndProc(vcl::TMessage& message) override;

 protected:
  void Loaded() override;
  void Paint() override;
  void PrepareCache() override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;

 private:
  void PaintItems(HDC dc);
  void PaintSelection(HDC dc);
  void SetGridValue(int32_t& field, int32_t value);

  std::unique_ptr<vcl::TStringList> colors_;
  int32_t itemIndex_ = -1;
  int32_t itemWidth_ = 21;
  int32_t itemHeight_ = 21;
  int32_t itemMargin_ = 6;
  int32_t colCount_ = 5;
  int32_t rowCount_ = 2;
  int32_t previousIndex_ = -1;
  std::vector<TColorCell> cells_;
  bool generating_ = false;
};

}  // namespace skin
