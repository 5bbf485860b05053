#include "vcl/stdctrls/extctrls.h"

#include <algorithm>
#include <cmath>

#include "vcl/graphics/bitmap.h"
#include "vcl/classes/filer.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {

void Frame3D(TCanvas* canvas, TRect& rect, TColor topColor, TColor bottomColor, int width) {
  canvas->Pen()->SetWidth(1);
  --rect.bottom;
  --rect.right;
  for (int i = 0; i < width; ++i) {
    canvas->Pen()->SetColor(topColor);
    canvas->Polyline({TPoint{rect.left, rect.bottom}, TPoint{rect.left, rect.top}, TPoint{rect.right, rect.top}});
    canvas->Pen()->SetColor(bottomColor);
    canvas->Polyline(
        {TPoint{rect.right, rect.top}, TPoint{rect.right, rect.bottom}, TPoint{rect.left - 1, rect.bottom}});
    InflateRect(&rect, -1, -1);
  }
  ++rect.bottom;
  ++rect.right;
}

// ---- TCustomPanel ----------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque,
                                csDoubleClicks, csReplicatable});
  SetBounds(0, 0, 185, 41);
  SetParentColor(false);
  SetColor(clBtnFace);
}

void TCustomPanel::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  if (borderStyle_ == bsSingle) {
    if (Ctl3D())
      params.ExStyle |= WS_EX_CLIENTEDGE;
    else
      params.Style |= WS_BORDER;
  }
  params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TCustomPanel::SetAlignment(TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut value) {
  if (bevelInner_ == value) return;
  bevelInner_ = value;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut value) {
  if (bevelOuter_ == value) return;
  bevelOuter_ = value;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelWidth(int value) {
  if (value < 1 || bevelWidth_ == value) return;
  bevelWidth_ = value;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle value) {
  if (borderStyle_ == value) return;
  borderStyle_ = value;
  RecreateWnd();
}

void TCustomPanel::AdjustClientRect(TRect& rect) {
  TCustomControl::AdjustClientRect(rect);
  InflateRect(&rect, -BorderWidth(), -BorderWidth());
  int bevelSize = 0;
  if (bevelOuter_ != bvNone) bevelSize += bevelWidth_;
  if (bevelInner_ != bvNone) bevelSize += bevelWidth_;
  InflateRect(&rect, -bevelSize, -bevelSize);
}

namespace {
void BevelColors(TBevelCut cut, TColor& top, TColor& bottom) {
  top = cut == bvLowered ? clBtnShadow : clBtnHighlight;
  bottom = cut == bvLowered ? clBtnHighlight : clBtnShadow;
}
}  // namespace

void TCustomPanel::Paint() {
  TCanvas* canvas = Canvas();
  TRect rect = ClientRect();
  TColor top, bottom;
  if (bevelOuter_ != bvNone) {
    BevelColors(bevelOuter_, top, bottom);
    Frame3D(canvas, rect, top, bottom, bevelWidth_);
  }
  Frame3D(canvas, rect, Color(), Color(), BorderWidth());
  if (bevelInner_ != bvNone) {
    BevelColors(bevelInner_, top, bottom);
    Frame3D(canvas, rect, top, bottom, bevelWidth_);
  }
  canvas->Brush()->SetColor(Color());
  canvas->Brush()->SetStyle(bsSolid);
  canvas->FillRect(rect);

  std::string text = Caption();
  if (text.empty()) return;
  HDC dc = canvas->Handle();
  canvas->Font()->Assign(Font());
  HGDIOBJ oldFont = SelectObject(dc, canvas->Font()->Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Font()->Color())));
  UINT flags = DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE;
  flags |= alignment_ == taLeftJustify ? DT_LEFT : alignment_ == taRightJustify ? DT_RIGHT : DT_CENTER;
  RECT textRect = rect;
  DrawTextA(dc, text.c_str(), -1, &textRect, flags);
  SelectObject(dc, oldFont);
}

void TCustomPanel::Dispatch(TMessage& message) {
  if (message.Msg == CM_TEXTCHANGED) Invalidate();
  if (message.Msg == WM_SIZE && fullRepaint_ && HandleAllocated()) InvalidateRect(Handle(), nullptr, FALSE);
  TCustomControl::Dispatch(message);
}

// ---- TBevel ----------------------------------------------------------------------------------

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
  SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape value) {
  if (shape_ == value) return;
  shape_ = value;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
  if (style_ == value) return;
  style_ = value;
  Invalidate();
}

void TBevel::Paint() {
  TCanvas* canvas = Canvas();
  canvas->Pen()->SetWidth(1);
  TColor color1 = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
  TColor color2 = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
  const int w = Width(), h = Height();
  auto bevelRect = [&](TRect r) {
    canvas->Pen()->SetColor(color1);
    canvas->Polyline({TPoint{r.left, r.bottom}, TPoint{r.left, r.top}, TPoint{r.right, r.top}});
    canvas->Pen()->SetColor(color2);
    canvas->Polyline({TPoint{r.right, r.top}, TPoint{r.right, r.bottom}, TPoint{r.left, r.bottom}});
  };
  auto bevelLine = [&](TColor color, int x1, int y1, int x2, int y2) {
    canvas->Pen()->SetColor(color);
    canvas->MoveTo(x1, y1);
    canvas->LineTo(x2, y2);
  };
  switch (shape_) {
    case bsBox: bevelRect(TRect{0, 0, w - 1, h - 1}); break;
    case bsFrame: {
      TRect inner{1, 1, w - 1, h - 1};
      std::swap(color1, color2);
      bevelRect(inner);
      std::swap(color1, color2);
      bevelRect(TRect{0, 0, w - 2, h - 2});
      break;
    }
    case bsTopLine:
      bevelLine(color1, 0, 0, w, 0);
      bevelLine(color2, 0, 1, w, 1);
      break;
    case bsBottomLine:
      bevelLine(color1, 0, h - 2, w, h - 2);
      bevelLine(color2, 0, h - 1, w, h - 1);
      break;
    case bsLeftLine:
      bevelLine(color1, 0, 0, 0, h);
      bevelLine(color2, 1, 0, 1, h);
      break;
    case bsRightLine:
      bevelLine(color1, w - 2, 0, w - 2, h);
      bevelLine(color2, w - 1, 0, w - 1, h);
      break;
    case bsSpacer: break;
  }
}

// ---- TShape ----------------------------------------------------------------------------------

TShape::TShape(TComponent* owner)
    : TGraphicControl(owner), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
  SetBounds(0, 0, 65, 65);
  pen_->OnChange = [this](TObject*) { Invalidate(); };
  brush_->OnChange = [this](TObject*) { Invalidate(); };
}

TShape::~TShape() = default;

void TShape::SetShape(TShapeType value) {
  if (shape_ == value) return;
  shape_ = value;
  Invalidate();
}

void TShape::Paint() {
  TCanvas* canvas = Canvas();
  canvas->SetPen(pen_.get());
  canvas->SetBrush(brush_.get());
  int penWidth = pen_->Width();
  // The pen runs inside the control.
  int x = penWidth / 2, y = penWidth / 2;
  int w = Width() - penWidth + 1, h = Height() - penWidth + 1;
  if (penWidth == 0) {
    --w;
    --h;
  }
  int s = std::min(w, h);
  if (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle) {
    x += (w - s) / 2;
    y += (h - s) / 2;
    w = s;
    h = s;
  }
  switch (shape_) {
    case stRectangle:
    case stSquare: canvas->Rectangle(x, y, x + w, y + h); break;
    case stRoundRect:
    case stRoundSquare: canvas->RoundRect(x, y, x + w, y + h, s / 4, s / 4); break;
    case stCircle:
    case stEllipse: canvas->Ellipse(x, y, x + w, y + h); break;
  }
}

// ---- TImage ----------------------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<TPicture>()) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
  picture_->OnChange = [this](TObject* sender) { PictureChanged(sender); };
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { picture_->OnChange = nullptr; }

TCanvas* TImage::Canvas() {
  if (picture_->Graphic() == nullptr || !picture_->Graphic()->Is<TBitmap>()) {
    // Drawing needs a bitmap: the current picture is drawn into a new one first.
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(std::max(Width(), 1), std::max(Height(), 1));
    if (TGraphic* graphic = picture_->Graphic()) {
      bitmap->SetSize(graphic->Width(), graphic->Height());
      bitmap->Canvas()->Draw(0, 0, graphic);
    }
    picture_->SetGraphic(bitmap.get());
  }
  return picture_->Bitmap()->Canvas();
}

void TImage::SetCenter(bool value) {
  if (center_ == value) return;
  center_ = value;
  PictureChanged(this);
}

void TImage::SetStretch(bool value) {
  if (stretch_ == value) return;
  stretch_ = value;
  PictureChanged(this);
}

void TImage::SetProportional(bool value) {
  if (proportional_ == value) return;
  proportional_ = value;
  PictureChanged(this);
}

void TImage::SetTransparent(bool value) {
  if (transparent_ == value) return;
  transparent_ = value;
  PictureChanged(this);
}

TRect TImage::DestRect() {
  int w = picture_->Width();
  int h = picture_->Height();
  const int cw = Width();
  const int ch = Height();
  if (stretch_ || (proportional_ && (w > cw || h > ch))) {
    if (proportional_ && w > 0 && h > 0) {
      double xyAspect = static_cast<double>(w) / h;
      if (w > h) {
        w = cw;
        h = static_cast<int>(std::trunc(cw / xyAspect));
        if (h > ch) {
          h = ch;
          w = static_cast<int>(std::trunc(ch * xyAspect));
        }
      } else {
        h = ch;
        w = static_cast<int>(std::trunc(ch * xyAspect));
        if (w > cw) {
          w = cw;
          h = static_cast<int>(std::trunc(cw / xyAspect));
        }
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  TRect rect{0, 0, w, h};
  if (center_) OffsetRect(&rect, (cw - w) / 2, (ch - h) / 2);
  return rect;
}

bool TImage::CanAutoSize(int& newWidth, int& newHeight) {
  if (picture_->Width() <= 0 || picture_->Height() <= 0) return true;
  newWidth = picture_->Width();
  newHeight = picture_->Height();
  return true;
}

void TImage::Paint() {
  TCanvas* canvas = TGraphicControl::Canvas();
  TGraphic* graphic = picture_->Graphic();
  if (graphic == nullptr) return;
  drawing_ = true;
  try {
    canvas->StretchDraw(DestRect(), graphic);
  } catch (...) {
    drawing_ = false;
    throw;
  }
  drawing_ = false;
}

void TImage::PictureChanged(TObject* sender) {
  (void)sender;
  if (AutoSize() && picture_->Width() > 0 && picture_->Height() > 0)
    SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
  if (TGraphic* graphic = picture_->Graphic()) {
    // A bitmap is transparent only when asked; other graphics keep their own setting.
    if (graphic->Is<TBitmap>() || transparent_) graphic->SetTransparent(transparent_);
    if (!drawing_ && (!graphic->Transparent() || (DestRect().right >= Width() && DestRect().bottom >= Height())))
      SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
    else
      SetControlStyle(ControlStyle() - TControlStyle{csOpaque});
  } else {
    SetControlStyle(ControlStyle() - TControlStyle{csOpaque});
  }
  if (!drawing_) Invalidate();
}

// ---- TPaintBox -------------------------------------------------------------------------------

TPaintBox::TPaintBox(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
  SetBounds(0, 0, 105, 105);
}

void TPaintBox::Paint() {
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  canvas->Brush()->SetColor(Color());
  if (OnPaint) OnPaint(this);
}

// ---- TSplitter -------------------------------------------------------------------------------

TSplitter::TSplitter(TComponent* owner) : TGraphicControl(owner) {
  SetAlign(alLeft);
  SetBounds(0, 0, 3, 100);
  SetCursor(crHSplit);
}

void TSplitter::SetBeveled(bool value) {
  if (beveled_ == value) return;
  beveled_ = value;
  Invalidate();
}

void TSplitter::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == control_) control_ = nullptr;
}

void TSplitter::Paint() {
  TCanvas* canvas = Canvas();
  TRect rect = ClientRect();
  canvas->Brush()->SetColor(Color());
  canvas->FillRect(rect);
  if (beveled_) {
    if (Align() == alLeft || Align() == alRight)
      InflateRect(&rect, -1, 2);
    else
      InflateRect(&rect, 2, -1);
    OffsetRect(&rect, 1, 1);
    Frame3D(canvas, rect, clBtnHighlight, clBtnHighlight, 1);
    OffsetRect(&rect, -2, -2);
    Frame3D(canvas, rect, clBtnShadow, clBtnShadow, 1);
  }
  if (OnPaint) OnPaint(this);
}

TControl* TSplitter::FindControl() {
  TWinControl* parent = Parent();
  if (parent == nullptr) return nullptr;
  TPoint p{Left(), Top()};
  switch (Align()) {
    case alLeft: --p.x; break;
    case alRight: p.x += Width(); break;
    case alTop: --p.y; break;
    case alBottom: p.y += Height(); break;
    default: return nullptr;
  }
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* control = parent->Controls(i);
    if (control == this || !control->Visible() || !control->Enabled()) continue;
    TRect r = control->BoundsRect();
    if (r.right - r.left == 0) {
      if (Align() == alTop || Align() == alLeft) --r.left; else ++r.right;
    }
    if (r.bottom - r.top == 0) {
      if (Align() == alTop || Align() == alLeft) --r.top; else ++r.bottom;
    }
    if (PtInRect(&r, p)) return control;
  }
  return nullptr;
}

bool TSplitter::DoCanResize(int& newSize) {
  bool accept = CanResize(newSize);
  if (accept && newSize <= minSize_ && autoSnap_) newSize = 0;
  return accept;
}

bool TSplitter::CanResize(int& newSize) {
  bool accept = true;
  if (OnCanResize) OnCanResize(this, newSize, accept);
  return accept;
}

void TSplitter::CalcSplitSize(int x, int y, int& newSize, int& split) {
  int s = (Align() == alLeft || Align() == alRight) ? x - downPos_.x : y - downPos_.y;
  split = s;
  switch (Align()) {
    case alLeft: s = control_->Width() + split; break;
    case alRight: s = control_->Width() - split; break;
    case alTop: s = control_->Height() + split; break;
    case alBottom: s = control_->Height() - split; break;
    default: break;
  }
  newSize = s;
  if (s < minSize_)
    newSize = minSize_;
  else if (s > maxSize_)
    newSize = maxSize_;
  if (s != newSize) {
    if (Align() == alRight || Align() == alBottom)
      s = s - newSize;
    else
      s = newSize - s;
    split += s;
  }
}

void TSplitter::UpdateSize(int x, int y) { CalcSplitSize(x, y, newSize_, split_); }

void TSplitter::DrawLine() {
  if (lineDC_ == nullptr) return;
  lineVisible_ = !lineVisible_;
  TPoint p{Left(), Top()};
  if (Align() == alLeft || Align() == alRight)
    p.x += split_;
  else
    p.y += split_;
  PatBlt(lineDC_, p.x, p.y, Width(), Height(), PATINVERT);
}

void TSplitter::UpdateControlSize() {
  if (control_ == nullptr || newSize_ == oldSize_) return;
  switch (Align()) {
    case alLeft: control_->SetWidth(newSize_); break;
    case alTop: control_->SetHeight(newSize_); break;
    case alRight: {
      TWinControl* parent = Parent();
      parent->DisableAlign();
      control_->SetLeft(control_->Left() + (control_->Width() - newSize_));
      control_->SetWidth(newSize_);
      parent->EnableAlign();
      break;
    }
    case alBottom: {
      TWinControl* parent = Parent();
      parent->DisableAlign();
      control_->SetTop(control_->Top() + (control_->Height() - newSize_));
      control_->SetHeight(newSize_);
      parent->EnableAlign();
      break;
    }
    default: break;
  }
  Update();
  if (OnMoved) OnMoved(this);
  oldSize_ = newSize_;
}

void TSplitter::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  control_ = FindControl();
  downPos_ = TPoint{x, y};
  if (control_ == nullptr) return;
  control_->FreeNotification(this);
  // The other side keeps at least MinSize.
  TWinControl* parent = Parent();
  if (Align() == alLeft || Align() == alRight) {
    maxSize_ = parent->ClientWidth() - minSize_;
    for (int i = 0; i < parent->ControlCount(); ++i) {
      TControl* c = parent->Controls(i);
      if (c->Visible() && (c->Align() == alLeft || c->Align() == alRight)) maxSize_ -= c->Width();
    }
    maxSize_ += control_->Width();
  } else {
    maxSize_ = parent->ClientHeight() - minSize_;
    for (int i = 0; i < parent->ControlCount(); ++i) {
      TControl* c = parent->Controls(i);
      if (c->Visible() && (c->Align() == alTop || c->Align() == alBottom)) maxSize_ -= c->Height();
    }
    maxSize_ += control_->Height();
  }
  UpdateSize(x, y);
  sizing_ = true;
  if (resizeStyle_ == rsLine || resizeStyle_ == rsPattern) {
    lineDC_ = GetDCEx(parent->Handle(), nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE);
    if (resizeStyle_ == rsPattern) {
      WORD pattern[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
      HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, pattern);
      brush_ = CreatePatternBrush(bitmap);
      DeleteObject(bitmap);
    } else {
      brush_ = CreateSolidBrush(RGB(255, 255, 255));
    }
    prevBrush_ = SelectObject(lineDC_, brush_);
    DrawLine();
  }
}

void TSplitter::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (!sizing_ || !shift.Contains(ssLeft)) return;
  int newSize = 0, split = 0;
  CalcSplitSize(x, y, newSize, split);
  if (!DoCanResize(newSize)) return;
  if (lineVisible_) DrawLine();
  newSize_ = newSize;
  split_ = split;
  if (resizeStyle_ == rsUpdate) UpdateControlSize();
  if (lineDC_) DrawLine();
}

void TSplitter::StopSizing() {
  sizing_ = false;
  if (lineDC_) {
    if (lineVisible_) DrawLine();
    SelectObject(lineDC_, prevBrush_);
    ReleaseDC(Parent()->Handle(), lineDC_);
    lineDC_ = nullptr;
  }
  if (brush_) {
    DeleteObject(brush_);
    brush_ = nullptr;
  }
}

void TSplitter::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (!sizing_) return;
  StopSizing();
  UpdateControlSize();
  if (control_) control_->RemoveFreeNotification(this);
  control_ = nullptr;
}

// ---- TCustomRadioGroup -----------------------------------------------------------------------

// The radio buttons a radio group makes for its items.
class TGroupButton : public TRadioButton {
  VCL_CLASS(TGroupButton, TRadioButton)
  TGroupButton(TCustomRadioGroup* group, int index) : TRadioButton(nullptr), group_(group), index_(index) {
    SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
    SetParent(group);
  }
  int Index() const { return index_; }
  void SetIndex(int index) { index_ = index; }

 public:
  void Click() override {
    if (!group_->updating_) group_->ButtonClicked(index_);
    TRadioButton::Click();
  }

 private:
  TCustomRadioGroup* group_;
  int index_;
};

TCustomRadioGroup::TCustomRadioGroup(TComponent* owner)
    : TCustomGroupBox(owner), items_(std::make_unique<TStringList>()) {
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks, csParentBackground});
  items_->OnChange = [this](TObject* sender) { ItemsChanged(sender); };
}

TCustomRadioGroup::~TCustomRadioGroup() {
  items_->OnChange = nullptr;
  // The buttons are children: the window control frees them with the group.
}

TRadioButton* TCustomRadioGroup::Buttons(int index) const {
  if (index < 0 || index >= static_cast<int>(buttons_.size()))
    throw EListError(Format("List index out of bounds (%d)", index));
  return buttons_[static_cast<std::size_t>(index)];
}

void TCustomRadioGroup::SetItemIndex(int value) {
  if (reading_) {
    itemIndex_ = value;
    return;
  }
  value = std::clamp(value, -1, static_cast<int>(buttons_.size()) - 1);
  if (value == itemIndex_) return;
  updating_ = true;
  if (itemIndex_ >= 0 && itemIndex_ < static_cast<int>(buttons_.size()))
    buttons_[static_cast<std::size_t>(itemIndex_)]->SetChecked(false);
  itemIndex_ = value;
  if (itemIndex_ >= 0) buttons_[static_cast<std::size_t>(itemIndex_)]->SetChecked(true);
  updating_ = false;
}

void TCustomRadioGroup::SetColumns(int value) {
  value = std::clamp(value, 1, 16);
  if (columns_ == value) return;
  columns_ = value;
  ArrangeButtons();
  Invalidate();
}

void TCustomRadioGroup::ButtonClicked(int index) {
  if (updating_) return;
  itemIndex_ = index;
  Click();
}

void TCustomRadioGroup::ItemsChanged(TObject* sender) {
  (void)sender;
  if (reading_) return;
  if (itemIndex_ >= items_->Count()) itemIndex_ = items_->Count() - 1;
  UpdateButtons();
}

void TCustomRadioGroup::UpdateButtons() {
  updating_ = true;
  while (static_cast<int>(buttons_.size()) > items_->Count()) {
    delete buttons_.back();
    buttons_.pop_back();
  }
  while (static_cast<int>(buttons_.size()) < items_->Count())
    buttons_.push_back(new TGroupButton(this, static_cast<int>(buttons_.size())));
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    buttons_[i]->SetCaption(items_->Strings(static_cast<int>(i)));
    buttons_[i]->SetChecked(static_cast<int>(i) == itemIndex_);
  }
  updating_ = false;
  ArrangeButtons();
  Invalidate();
}

void TCustomRadioGroup::ArrangeButtons() {
  if (buttons_.empty()) return;
  int fontHeight = ScreenTextExtent(Font(), "0").cy;
  int count = static_cast<int>(buttons_.size());
  int buttonsPerColumn = (count + columns_ - 1) / columns_;
  int buttonWidth = (Width() - 10) / columns_;
  int topMargin = fontHeight + 2;
  int buttonHeight = (Height() - topMargin - 5) / std::max(buttonsPerColumn, 1);
  for (int i = 0; i < count; ++i) {
    TRadioButton* button = buttons_[static_cast<std::size_t>(i)];
    button->SetBounds((i / buttonsPerColumn) * buttonWidth + 8,
                      (i % buttonsPerColumn) * buttonHeight + topMargin + (buttonHeight - fontHeight - 2) / 2,
                      buttonWidth - 8, std::max(fontHeight + 2, 13));
    button->SetVisible(true);
  }
}

void TCustomRadioGroup::ReadState(TReader* reader) {
  reading_ = true;
  try {
    TCustomGroupBox::ReadState(reader);
  } catch (...) {
    reading_ = false;
    throw;
  }
  reading_ = false;
  UpdateButtons();
}

void TCustomRadioGroup::Loaded() {
  TCustomGroupBox::Loaded();
  ArrangeButtons();
}

void TCustomRadioGroup::Dispatch(TMessage& message) {
  TCustomGroupBox::Dispatch(message);
  if (message.Msg == WM_SIZE || message.Msg == CM_FONTCHANGED) ArrangeButtons();
}

// ---- Published properties --------------------------------------------------------------------

namespace {
const TEnumNames kBevelCutNames{"bvNone", "bvLowered", "bvRaised", "bvSpace"};
TBorderStyle PanelBorderStyle(TCustomPanel* panel) { return panel->BorderStyle(); }
void SetPanelBorderStyle(TCustomPanel* panel, TBorderStyle value) { panel->SetBorderStyle(value); }
}  // namespace

VCL_PUBLISHED(TCustomPanel, p) {
  p.Enum("Alignment", &TCustomPanel::Alignment, &TCustomPanel::SetAlignment,
         {"taLeftJustify", "taRightJustify", "taCenter"}, taCenter)
      .Enum("BevelInner", &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner, kBevelCutNames, bvNone)
      .Enum("BevelOuter", &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter, kBevelCutNames, bvRaised)
      .Integer("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth, 1)
      .Enum("BorderStyle", PanelBorderStyle, SetPanelBorderStyle, {"bsNone", "bsSingle"}, bsNone)
      .Integer("Color", &TCustomPanel::Color, &TCustomPanel::SetColor, clBtnFace)
      .Idents(ColorToIdent, IdentToColor)
      .Bool("ParentColor", &TCustomPanel::ParentColor, &TCustomPanel::SetParentColor, false)
      .Bool("FullRepaint", &TCustomPanel::FullRepaint, &TCustomPanel::SetFullRepaint, true);
}

VCL_PUBLISHED(TPanel, p) { (void)p; }

VCL_PUBLISHED(TBevel, p) {
  p.Enum("Shape", &TBevel::Shape, &TBevel::SetShape,
         {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine", "bsSpacer"}, bsBox)
      .Enum("Style", &TBevel::Style, &TBevel::SetStyle, {"bsLowered", "bsRaised"}, bsLowered);
}

VCL_PUBLISHED(TShape, p) {
  p.Object("Brush", &TShape::Brush, &TShape::SetBrush)
      .Object("Pen", &TShape::Pen, &TShape::SetPen)
      .Enum("Shape", &TShape::Shape, &TShape::SetShape,
            {"stRectangle", "stSquare", "stRoundRect", "stRoundSquare", "stEllipse", "stCircle"}, stRectangle);
}

VCL_PUBLISHED(TImage, p) {
  p.Bool("Center", &TImage::Center, &TImage::SetCenter, false)
      .Bool("IncrementalDisplay", &TImage::IncrementalDisplay, &TImage::SetIncrementalDisplay, false)
      .Object("Picture", &TImage::Picture, &TImage::SetPicture)
      .Bool("Proportional", &TImage::Proportional, &TImage::SetProportional, false)
      .Bool("Stretch", &TImage::Stretch, &TImage::SetStretch, false)
      .Bool("Transparent", &TImage::Transparent, &TImage::SetTransparent, false);
}

VCL_PUBLISHED(TPaintBox, p) { p.Event("OnPaint", &TPaintBox::OnPaint); }

VCL_PUBLISHED(TSplitter, p) {
  p.Enum("Align", &TSplitter::Align, &TSplitter::SetAlign,
         {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"}, alLeft)
      .Bool("AutoSnap", &TSplitter::AutoSnap, &TSplitter::SetAutoSnap, true)
      .Bool("Beveled", &TSplitter::Beveled, &TSplitter::SetBeveled, false)
      .Integer("MinSize", &TSplitter::MinSize, &TSplitter::SetMinSize, 30)
      .Enum("ResizeStyle", &TSplitter::ResizeStyle, &TSplitter::SetResizeStyle,
            {"rsNone", "rsLine", "rsUpdate", "rsPattern"}, rsPattern)
      .Event("OnCanResize", &TSplitter::OnCanResize)
      .Event("OnMoved", &TSplitter::OnMoved)
      .Event("OnPaint", &TSplitter::OnPaint);
}

VCL_PUBLISHED(TCustomRadioGroup, p) {
  p.Integer("Columns", &TCustomRadioGroup::Columns, &TCustomRadioGroup::SetColumns, 1)
      .Integer("ItemIndex", &TCustomRadioGroup::ItemIndex, &TCustomRadioGroup::SetItemIndex, -1)
      .Object("Items", &TCustomRadioGroup::Items, &TCustomRadioGroup::SetItems);
}

VCL_PUBLISHED(TRadioGroup, p) { (void)p; }

}  // namespace vcl
