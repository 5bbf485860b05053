// The library's own extra controls: panels, bevels, shapes, images, paint boxes, splitters and
// radio groups. They draw themselves (panels on their own window, the rest on the parent's).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vcl/controls/controls.h"
#include "vcl/graphics/gdiobjects.h"
#include "vcl/graphics/picture.h"
#include "vcl/stdctrls/stdctrls.h"
#include "vcl/classes/stringlist.h"

namespace vcl {

// Draws a frame `width` pixels wide inside `rect` (top-left in topColor, bottom-right in
// bottomColor) and shrinks `rect` to what lies inside it.
void Frame3D(TCanvas* canvas, TRect& rect, TColor topColor, TColor bottomColor, int width);

// ---- TCustomPanel, TPanel --------------------------------------------------------------------

class TCustomPanel : public TCustomControl {
  VCL_CLASS(TCustomPanel, TCustomControl)
  explicit TCustomPanel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut value);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int value);
  // bsSingle adds the platform's border (sunken with Ctl3D) outside the client area.
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  bool FullRepaint() const { return fullRepaint_; }
  void SetFullRepaint(bool value) { fullRepaint_ = value; }

  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void AdjustClientRect(TRect& rect) override;
  void Paint() override;

 private:
  TAlignment alignment_ = taCenter;
  TBevelCut bevelInner_ = bvNone;
  TBevelCut bevelOuter_ = bvRaised;
  int bevelWidth_ = 1;
  TBorderStyle borderStyle_ = bsNone;
  bool fullRepaint_ = true;
};

class TPanel : public TCustomPanel {
  VCL_CLASS(TPanel, TCustomPanel)
  explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
};

// ---- TBevel ----------------------------------------------------------------------------------

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
  VCL_CLASS(TBevel, TGraphicControl)
  explicit TBevel(TComponent* owner);

  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape value);
  TBevelStyle Style() const { return style_; }
  void SetStyle(TBevelStyle value);

 protected:
  void Paint() override;

 private:
  TBevelShape shape_ = bsBox;
  TBevelStyle style_ = bsLowered;
};

// ---- TShape ----------------------------------------------------------------------------------

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public TGraphicControl {
  VCL_CLASS(TShape, TGraphicControl)
  explicit TShape(TComponent* owner);
  ~TShape() override;

  TShapeType Shape() const { return shape_; }
  void SetShape(TShapeType value);
  TPen* Pen() const { return pen_.get(); }
  void SetPen(TPen* value) { pen_->Assign(value); }
  TBrush* Brush() const { return brush_.get(); }
  void SetBrush(TBrush* value) { brush_->Assign(value); }

 protected:
  void Paint() override;

 private:
  TShapeType shape_ = stRectangle;
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
};

// ---- TImage ----------------------------------------------------------------------------------

class TImage : public TGraphicControl {
  VCL_CLASS(TImage, TGraphicControl)
  explicit TImage(TComponent* owner);
  ~TImage() override;

  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(TPicture* value) { picture_->Assign(value); }
  // Drawing on the image's canvas turns its picture into a bitmap first.
  TCanvas* Canvas();
  bool Center() const { return center_; }
  void SetCenter(bool value);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value);
  // With Stretch: keeps the aspect ratio (and never enlarges).
  bool Proportional() const { return proportional_; }
  void SetProportional(bool value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  bool IncrementalDisplay() const { return incrementalDisplay_; }
  void SetIncrementalDisplay(bool value) { incrementalDisplay_ = value; }
  // Where the picture lands in the control.
  TRect DestRect();

 protected:
  bool CanAutoSize(int& newWidth, int& newHeight) override;
  void Paint() override;
  virtual void PictureChanged(TObject* sender);

 private:
  std::unique_ptr<TPicture> picture_;
  bool center_ = false;
  bool stretch_ = false;
  bool proportional_ = false;
  bool transparent_ = false;
  bool incrementalDisplay_ = false;
  bool drawing_ = false;
};

// ---- TPaintBox -------------------------------------------------------------------------------

class TPaintBox : public TGraphicControl {
  VCL_CLASS(TPaintBox, TGraphicControl)
  explicit TPaintBox(TComponent* owner);
  TNotifyEvent OnPaint;

 protected:
  void Paint() override;
};

// ---- TSplitter -------------------------------------------------------------------------------

enum TResizeStyle { rsNone, rsLine, rsUpdate, rsPattern };
using TCanResizeSplitterEvent = std::function<void(TObject* Sender, int& NewSize, bool& Accept)>;

class TSplitter : public TGraphicControl {
  VCL_CLASS(TSplitter, TGraphicControl)
  explicit TSplitter(TComponent* owner);

  bool AutoSnap() const { return autoSnap_; }
  void SetAutoSnap(bool value) { autoSnap_ = value; }
  bool Beveled() const { return beveled_; }
  void SetBeveled(bool value);
  int MinSize() const { return minSize_; }
  void SetMinSize(int value) { minSize_ = value < 1 ? 1 : value; }
  TResizeStyle ResizeStyle() const { return resizeStyle_; }
  void SetResizeStyle(TResizeStyle value) { resizeStyle_ = value; }

  TCanResizeSplitterEvent OnCanResize;
  TNotifyEvent OnMoved;
  TNotifyEvent OnPaint;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  virtual bool CanResize(int& newSize);
  virtual bool DoCanResize(int& newSize);
  void Notification(TComponent* component, TOperation operation) override;

 private:
  // The control on the splitter's aligned side that it resizes.
  TControl* FindControl();
  void CalcSplitSize(int x, int y, int& newSize, int& split);
  void UpdateSize(int x, int y);
  void UpdateControlSize();
  void DrawLine();
  void StopSizing();

  TControl* control_ = nullptr;
  TPoint downPos_{0, 0};
  int maxSize_ = 0;
  int newSize_ = 0;
  int oldSize_ = -1;
  int split_ = 0;
  bool sizing_ = false;
  bool lineVisible_ = false;
  HDC lineDC_ = nullptr;
  HBRUSH brush_ = nullptr;
  HGDIOBJ prevBrush_ = nullptr;
  bool autoSnap_ = true;
  bool beveled_ = false;
  int minSize_ = 30;
  TResizeStyle resizeStyle_ = rsPattern;
};

// ---- TCustomRadioGroup, TRadioGroup ----------------------------------------------------------

class TCustomRadioGroup : public TCustomGroupBox {
  VCL_CLASS(TCustomRadioGroup, TCustomGroupBox)
  explicit TCustomRadioGroup(TComponent* owner);
  ~TCustomRadioGroup() override;

  TStrings* Items() const { return items_.get(); }
  void SetItems(TStrings* value) { items_->Assign(value); }
  // The checked item, -1 for none. A change from code fires no OnClick.
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int value);
  int Columns() const { return columns_; }
  void SetColumns(int value);
  // The radio button of an item.
  TRadioButton* Buttons(int index) const;

  // The buttons belong to the group: they are neither streamed nor mirrored.
  void GetChildren(const TGetChildProc& proc, TComponent* root) override {}

 protected:
  void Loaded() override;
  void ReadState(TReader* reader) override;
  void Dispatch(TMessage& message) override;

 private:
  friend class TGroupButton;
  void ItemsChanged(TObject* sender);
  void UpdateButtons();
  void ArrangeButtons();
  void ButtonClicked(int index);

  std::unique_ptr<TStringList> items_;
  std::vector<TRadioButton*> buttons_;
  int itemIndex_ = -1;
  int columns_ = 1;
  bool reading_ = false;
  bool updating_ = false;
};

class TRadioGroup : public TCustomRadioGroup {
  VCL_CLASS(TRadioGroup, TCustomRadioGroup)
  explicit TRadioGroup(TComponent* owner) : TCustomRadioGroup(owner) {}
};

}  // namespace vcl
