// Scroll bars, group boxes, labels and static texts, and the published properties of every
// standard control.
#include "vcl/stdctrls/stdctrls.h"

#include <algorithm>

#include "vcl/classes/typeinfo.h"

namespace vcl {

TSize ScreenTextExtent(TFont* font, const std::string& text) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font->Handle());
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return size;
}

// ---- TScrollBar ------------------------------------------------------------------------------

TScrollBar::TScrollBar(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(TControlStyle{csFramed, csDoubleClicks, csOpaque});
  SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
  SetTabStop(true);
}

void TScrollBar::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, "SCROLLBAR");
  params.Style |= kind_ == sbHorizontal ? SBS_HORZ : SBS_VERT;
}

void TScrollBar::CreateWnd() {
  TWinControl::CreateWnd();
  UpdateWindow();
}

void TScrollBar::UpdateWindow() {
  if (!HandleAllocated()) return;
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  info.nMin = min_;
  info.nMax = max_;
  info.nPage = static_cast<UINT>(pageSize_);
  info.nPos = position_;
  SetScrollInfo(Handle(), SB_CTL, &info, TRUE);
}

void TScrollBar::SetKind(TScrollBarKind value) {
  if (kind_ == value) return;
  kind_ = value;
  // The bar turns: width and height swap (outside form data, which sets both).
  if (!ComponentState().Contains(csLoading)) SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TScrollBar::SetParams(int position, int min, int max) {
  if (max < min || max < pageSize_) throw EInvalidOperation("Scroll bar property out of range");
  position = std::clamp(position, min, max);
  bool changed = position != position_;
  min_ = min;
  max_ = max;
  position_ = position;
  UpdateWindow();
  if (changed) Change();
}

void TScrollBar::SetPageSize(int value) {
  if (value < 0 || value > max_ - min_ + 1) throw EInvalidOperation("Scroll bar property out of range");
  pageSize_ = value;
  UpdateWindow();
}

void TScrollBar::Change() {
  Changed();
  if (OnChange) OnChange(this);
}

void TScrollBar::Scroll(TScrollCode scrollCode, int& scrollPos) {
  if (OnScroll) OnScroll(this, scrollCode, scrollPos);
}

void TScrollBar::DoScroll(TWMScroll& message) {
  int scrollPos = position_;
  TScrollCode code = scEndScroll;
  switch (message.ScrollCode()) {
    case SB_LINEUP: code = scLineUp; scrollPos -= smallChange_; break;
    case SB_LINEDOWN: code = scLineDown; scrollPos += smallChange_; break;
    case SB_PAGEUP: code = scPageUp; scrollPos -= largeChange_; break;
    case SB_PAGEDOWN: code = scPageDown; scrollPos += largeChange_; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      code = message.ScrollCode() == SB_THUMBTRACK ? scTrack : scPosition;
      // The message carries 16 bits; the bar knows the whole position.
      SCROLLINFO info{};
      info.cbSize = sizeof(info);
      info.fMask = SIF_TRACKPOS;
      scrollPos = GetScrollInfo(Handle(), SB_CTL, &info) ? info.nTrackPos : message.Pos();
      break;
    }
    case SB_TOP: code = scTop; scrollPos = min_; break;
    case SB_BOTTOM: code = scBottom; scrollPos = max_; break;
    default: break;
  }
  int last = std::max(min_, max_ - std::max(pageSize_ - 1, 0));
  scrollPos = std::clamp(scrollPos, min_, last);
  Scroll(code, scrollPos);
  SetPosition(scrollPos);
}

void TScrollBar::Dispatch(TMessage& message) {
  if (message.Msg == CN_HSCROLL || message.Msg == CN_VSCROLL) {
    auto rec = MessageAs<TWMScroll>(message);
    DoScroll(rec);
    message.Result = 0;
    return;
  }
  TWinControl::Dispatch(message);
}

// ---- TCustomGroupBox -------------------------------------------------------------------------

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks,
                                csReplicatable, csParentBackground});
  SetBounds(0, 0, 185, 105);
}

void TCustomGroupBox::SetBevelWidth(int value) {
  if (value < 1 || bevelWidth_ == value) return;
  bevelWidth_ = value;
  Invalidate();
}

void TCustomGroupBox::AdjustClientRect(TRect& rect) {
  TCustomControl::AdjustClientRect(rect);
  rect.top += ScreenTextExtent(Font(), "0").cy;
  InflateRect(&rect, -1, -1);
  if (Ctl3D()) InflateRect(&rect, -1, -1);
}

void TCustomGroupBox::Paint() {
  TCanvas* canvas = Canvas();
  canvas->Font()->Assign(Font());
  int textHeight = canvas->TextHeight("0");
  TRect frame{0, textHeight / 2 - 1, Width(), Height()};
  if (Ctl3D()) {
    ++frame.left;
    ++frame.top;
    canvas->Brush()->SetColor(clBtnHighlight);
    canvas->FrameRect(frame);
    OffsetRect(&frame, -1, -1);
    canvas->Brush()->SetColor(clBtnShadow);
  } else {
    canvas->Brush()->SetColor(clWindowFrame);
  }
  canvas->FrameRect(frame);
  std::string text = Caption();
  if (text.empty()) return;
  HDC dc = canvas->Handle();
  HGDIOBJ oldFont = SelectObject(dc, canvas->Font()->Handle());
  RECT textRect{8, 0, 0, textHeight};
  DrawTextA(dc, text.c_str(), -1, &textRect, DT_CALCRECT | DT_SINGLELINE);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(Color())));
  SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Enabled() ? Font()->Color() : clGrayText)));
  DrawTextA(dc, text.c_str(), -1, &textRect, DT_SINGLELINE);
  SelectObject(dc, oldFont);
}

void TCustomGroupBox::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CM_TEXTCHANGED:
      Invalidate();
      break;
    case CM_FONTCHANGED:
      TCustomControl::Dispatch(message);
      Realign();
      return;
    case CM_DIALOGCHAR:
      if (IsAccel(LOWORD(message.WParam), Caption()) && CanFocus()) {
        SelectNext(this, true, true);
        message.Result = 1;
        return;
      }
      break;
    default:
      break;
  }
  TCustomControl::Dispatch(message);
}

// ---- TCustomLabel ----------------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csOpaque, csReplicatable});
  SetBounds(0, 0, 65, 17);
  SetAutoSize(true);
}

void TCustomLabel::SetAlignment(TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout value) {
  if (layout_ == value) return;
  layout_ = value;
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool value) {
  if (wordWrap_ == value) return;
  wordWrap_ = value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value) {
  if (showAccelChar_ == value) return;
  showAccelChar_ = value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetTransparent(bool value) {
  if (Transparent() == value) return;
  if (value)
    SetControlStyle(ControlStyle() - TControlStyle{csOpaque});
  else
    SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
  Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* value) {
  if (focusControl_) focusControl_->RemoveFreeNotification(this);
  focusControl_ = value;
  if (value) value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == focusControl_) focusControl_ = nullptr;
}

void TCustomLabel::SetAutoSize(bool value) {
  bool changed = value != AutoSize();
  TGraphicControl::SetAutoSize(value);
  if (changed) AdjustBounds();
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TCustomLabel::DoDrawText(TRect& rect, UINT flags) {
  std::string text = GetLabelText();
  // An empty caption still has the height of a line.
  if ((flags & DT_CALCRECT) && (text.empty() || (showAccelChar_ && text == "&"))) text += " ";
  if (!showAccelChar_) flags |= DT_NOPREFIX;
  if (flags & DT_CALCRECT) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    DrawTextA(dc, text.c_str(), -1, &rect, flags);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return;
  }
  TCanvas* canvas = Canvas();
  canvas->Font()->Assign(Font());
  HDC dc = canvas->Handle();
  HGDIOBJ oldFont = SelectObject(dc, canvas->Font()->Handle());
  int oldMode = SetBkMode(dc, TRANSPARENT);
  if (!Enabled()) {
    // Disabled text is embossed: a light copy below right, the shadow on top.
    RECT offset = rect;
    OffsetRect(&offset, 1, 1);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(clBtnHighlight)));
    DrawTextA(dc, text.c_str(), -1, &offset, flags);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(clBtnShadow)));
  } else {
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Font()->Color())));
  }
  DrawTextA(dc, text.c_str(), -1, &rect, flags);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
}

void TCustomLabel::Paint() {
  TCanvas* canvas = Canvas();
  TRect rect = ClientRect();
  if (!Transparent()) {
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(rect);
  }
  UINT flags = DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0);
  flags |= alignment_ == taRightJustify ? DT_RIGHT : alignment_ == taCenter ? DT_CENTER : DT_LEFT;
  if (layout_ != tlTop) {
    TRect calc = rect;
    DoDrawText(calc, flags | DT_CALCRECT);
    int textHeight = calc.bottom - calc.top;
    if (layout_ == tlBottom)
      OffsetRect(&rect, 0, (rect.bottom - rect.top) - textHeight);
    else
      OffsetRect(&rect, 0, ((rect.bottom - rect.top) - textHeight) / 2);
  }
  DoDrawText(rect, flags);
}

void TCustomLabel::AdjustBounds() {
  if (ComponentState().Contains(csLoading) || !AutoSize()) return;
  TRect rect = ClientRect();
  DoDrawText(rect, DT_EXPANDTABS | DT_CALCRECT | (wordWrap_ ? DT_WORDBREAK : 0));
  int left = Left();
  int newWidth = rect.right - rect.left;
  if (!wordWrap_) {
    if (alignment_ == taRightJustify) left += Width() - newWidth;
    if (alignment_ == taCenter) left += (Width() - newWidth) / 2;
  } else {
    newWidth = Width();
  }
  SetBounds(left, Top(), newWidth, rect.bottom - rect.top);
}

void TCustomLabel::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CM_TEXTCHANGED:
      Invalidate();
      AdjustBounds();
      break;
    case CM_FONTCHANGED:
      TGraphicControl::Dispatch(message);
      AdjustBounds();
      return;
    case CM_DIALOGCHAR:
      if (focusControl_ && Enabled() && showAccelChar_ && IsAccel(LOWORD(message.WParam), Caption()) &&
          focusControl_->CanFocus()) {
        focusControl_->SetFocus();
        message.Result = 1;
        return;
      }
      break;
    default:
      break;
  }
  TGraphicControl::Dispatch(message);
}

// ---- TStaticText -----------------------------------------------------------------------------

TStaticText::TStaticText(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csReplicatable, csDoubleClicks});
  SetBounds(0, 0, 65, 17);
}

void TStaticText::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, "STATIC");
  params.Style |= SS_NOTIFY;
  params.Style |= alignment_ == taRightJustify ? SS_RIGHT : alignment_ == taCenter ? SS_CENTER : SS_LEFT;
  if (!showAccelChar_) params.Style |= SS_NOPREFIX;
  if (borderStyle_ == sbsSingle) params.Style |= WS_BORDER;
  if (borderStyle_ == sbsSunken) params.Style |= SS_SUNKEN;
}

void TStaticText::SetAlignment(TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  RecreateWnd();
}

void TStaticText::SetBorderStyle(TStaticBorderStyle value) {
  if (borderStyle_ == value) return;
  borderStyle_ = value;
  RecreateWnd();
}

void TStaticText::SetShowAccelChar(bool value) {
  if (showAccelChar_ == value) return;
  showAccelChar_ = value;
  RecreateWnd();
}

void TStaticText::SetFocusControl(TWinControl* value) {
  if (focusControl_) focusControl_->RemoveFreeNotification(this);
  focusControl_ = value;
  if (value) value->FreeNotification(this);
}

void TStaticText::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == focusControl_) focusControl_ = nullptr;
}

void TStaticText::Dispatch(TMessage& message) {
  if (message.Msg == CM_DIALOGCHAR && focusControl_ && Enabled() && showAccelChar_ &&
      IsAccel(LOWORD(message.WParam), Caption()) && focusControl_->CanFocus()) {
    focusControl_->SetFocus();
    message.Result = 1;
    return;
  }
  if (message.Msg == CN_COMMAND) {
    if (HIWORD(message.WParam) == STN_CLICKED) Click();
    if (HIWORD(message.WParam) == STN_DBLCLK) DblClick();
    return;
  }
  TWinControl::Dispatch(message);
}

// ---- Published properties --------------------------------------------------------------------

namespace {
const TEnumNames kAlignmentNames{"taLeftJustify", "taRightJustify", "taCenter"};
const TEnumNames kBorderStyleNames{"bsNone", "bsSingle"};
const TEnumNames kCharCaseNames{"ecNormal", "ecUpperCase", "ecLowerCase"};

TBorderStyle EditBorderStyle(TCustomEdit* edit) { return edit->BorderStyle(); }
void SetEditBorderStyle(TCustomEdit* edit, TBorderStyle value) { edit->SetBorderStyle(value); }
TBorderStyle ListBorderStyle(TCustomListBox* list) { return list->BorderStyle(); }
void SetListBorderStyle(TCustomListBox* list, TBorderStyle value) { list->SetBorderStyle(value); }
}  // namespace

VCL_PUBLISHED(TButtonControl, p) { p.Bool("WordWrap", &TButtonControl::WordWrap, &TButtonControl::SetWordWrap, false); }

VCL_PUBLISHED(TButton, p) {
  p.Bool("Cancel", &TButton::Cancel, &TButton::SetCancel, false)
      .Bool("Default", &TButton::Default, &TButton::SetDefault, false)
      .Integer("ModalResult", &TButton::ModalResult, &TButton::SetModalResult, mrNone)
      .Bool("TabStop", &TButton::TabStop, &TButton::SetTabStop, true);
}

VCL_PUBLISHED(TCustomCheckBox, p) {
  p.Enum("Alignment", &TCustomCheckBox::Alignment, &TCustomCheckBox::SetAlignment, kAlignmentNames, taRightJustify)
      .Bool("AllowGrayed", &TCustomCheckBox::AllowGrayed, &TCustomCheckBox::SetAllowGrayed, false)
      .Bool("Checked", &TCustomCheckBox::Checked, &TCustomCheckBox::SetChecked, false)
      .Stored(false)
      .Enum("State", &TCustomCheckBox::State, &TCustomCheckBox::SetState, {"cbUnchecked", "cbChecked", "cbGrayed"},
            cbUnchecked)
      .Bool("TabStop", &TCustomCheckBox::TabStop, &TCustomCheckBox::SetTabStop, true);
}

VCL_PUBLISHED(TCheckBox, p) { (void)p; }

VCL_PUBLISHED(TRadioButton, p) {
  p.Enum("Alignment", &TRadioButton::Alignment, &TRadioButton::SetAlignment, kAlignmentNames, taRightJustify)
      .Bool("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked, false);
}

VCL_PUBLISHED(TCustomEdit, p) {
  p.Bool("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect, true)
      .Bool("AutoSize", &TCustomEdit::AutoSize, &TCustomEdit::SetAutoSize, true)
      .Enum("BorderStyle", EditBorderStyle, SetEditBorderStyle, kBorderStyleNames, bsSingle)
      .Enum("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase, kCharCaseNames, ecNormal)
      .Integer("Color", &TCustomEdit::Color, &TCustomEdit::SetColor, clWindow)
      .Idents(ColorToIdent, IdentToColor)
      .Bool("ParentColor", &TCustomEdit::ParentColor, &TCustomEdit::SetParentColor, false)
      .Bool("HideSelection", &TCustomEdit::HideSelection, &TCustomEdit::SetHideSelection, true)
      .Integer("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength, 0)
      .Bool("OEMConvert", &TCustomEdit::OEMConvert, &TCustomEdit::SetOEMConvert, false)
      .Char("PasswordChar", &TCustomEdit::PasswordChar, &TCustomEdit::SetPasswordChar, '\0')
      .Bool("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly, false)
      .Bool("TabStop", &TCustomEdit::TabStop, &TCustomEdit::SetTabStop, true)
      .String("Text", &TCustomEdit::Text, &TCustomEdit::SetText)
      .Event("OnChange", &TCustomEdit::OnChange);
}

VCL_PUBLISHED(TEdit, p) { (void)p; }

VCL_PUBLISHED(TMemo, p) {
  p.Enum("Alignment", &TMemo::Alignment, &TMemo::SetAlignment, kAlignmentNames, taLeftJustify)
      .Bool("AutoSize", &TMemo::AutoSize, &TMemo::SetAutoSize, false)
      .Object("Lines", &TMemo::Lines, &TMemo::SetLines)
      .Enum("ScrollBars", &TMemo::ScrollBars, &TMemo::SetScrollBars, {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"},
            ssNone)
      .Bool("WantReturns", &TMemo::WantReturns, &TMemo::SetWantReturns, true)
      .Bool("WantTabs", &TMemo::WantTabs, &TMemo::SetWantTabs, false)
      .Bool("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap, true)
      .String("Text", &TMemo::Text, &TMemo::SetText)
      .Stored(false);
}

VCL_PUBLISHED(TCustomComboBox, p) {
  p.Bool("AutoDropDown", &TCustomComboBox::AutoDropDown, &TCustomComboBox::SetAutoDropDown, false)
      .Enum("Style", &TCustomComboBox::Style, &TCustomComboBox::SetStyle,
            {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable"}, csDropDown)
      .Enum("CharCase", &TCustomComboBox::CharCase, &TCustomComboBox::SetCharCase, kCharCaseNames, ecNormal)
      .Integer("Color", &TCustomComboBox::Color, &TCustomComboBox::SetColor, clWindow)
      .Idents(ColorToIdent, IdentToColor)
      .Bool("ParentColor", &TCustomComboBox::ParentColor, &TCustomComboBox::SetParentColor, false)
      .Integer("DropDownCount", &TCustomComboBox::DropDownCount, &TCustomComboBox::SetDropDownCount, 8)
      .Integer("ItemHeight", &TCustomComboBox::ItemHeight, &TCustomComboBox::SetItemHeight, 16)
      .Integer("MaxLength", &TCustomComboBox::MaxLength, &TCustomComboBox::SetMaxLength, 0)
      .Bool("Sorted", &TCustomComboBox::Sorted, &TCustomComboBox::SetSorted, false)
      .Bool("TabStop", &TCustomComboBox::TabStop, &TCustomComboBox::SetTabStop, true)
      .String("Text", &TCustomComboBox::Text, &TCustomComboBox::SetText)
      .Object("Items", &TCustomComboBox::Items, &TCustomComboBox::SetItems)
      .Integer("ItemIndex", &TCustomComboBox::ItemIndex, &TCustomComboBox::SetItemIndex, -1)
      .Event("OnChange", &TCustomComboBox::OnChange)
      .Event("OnCloseUp", &TCustomComboBox::OnCloseUp)
      .Event("OnDrawItem", &TCustomComboBox::OnDrawItem)
      .Event("OnDropDown", &TCustomComboBox::OnDropDown)
      .Event("OnMeasureItem", &TCustomComboBox::OnMeasureItem)
      .Event("OnSelect", &TCustomComboBox::OnSelect);
}

VCL_PUBLISHED(TComboBox, p) { (void)p; }

VCL_PUBLISHED(TCustomListBox, p) {
  p.Enum("BorderStyle", ListBorderStyle, SetListBorderStyle, kBorderStyleNames, bsSingle)
      .Integer("Color", &TCustomListBox::Color, &TCustomListBox::SetColor, clWindow)
      .Idents(ColorToIdent, IdentToColor)
      .Bool("ParentColor", &TCustomListBox::ParentColor, &TCustomListBox::SetParentColor, false)
      .Integer("Columns", &TCustomListBox::Columns, &TCustomListBox::SetColumns, 0)
      .Bool("ExtendedSelect", &TCustomListBox::ExtendedSelect, &TCustomListBox::SetExtendedSelect, true)
      .Bool("IntegralHeight", &TCustomListBox::IntegralHeight, &TCustomListBox::SetIntegralHeight, false)
      .Integer("ItemHeight", &TCustomListBox::ItemHeight, &TCustomListBox::SetItemHeight, 16)
      .Object("Items", &TCustomListBox::Items, &TCustomListBox::SetItems)
      .Bool("MultiSelect", &TCustomListBox::MultiSelect, &TCustomListBox::SetMultiSelect, false)
      .Bool("Sorted", &TCustomListBox::Sorted, &TCustomListBox::SetSorted, false)
      .Enum("Style", &TCustomListBox::Style, &TCustomListBox::SetStyle,
            {"lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable"}, lbStandard)
      .Bool("TabStop", &TCustomListBox::TabStop, &TCustomListBox::SetTabStop, true)
      .Event("OnDrawItem", &TCustomListBox::OnDrawItem)
      .Event("OnMeasureItem", &TCustomListBox::OnMeasureItem);
}

VCL_PUBLISHED(TListBox, p) { (void)p; }

VCL_PUBLISHED(TScrollBar, p) {
  p.Enum("Kind", &TScrollBar::Kind, &TScrollBar::SetKind, {"sbHorizontal", "sbVertical"}, sbHorizontal)
      .Integer("LargeChange", &TScrollBar::LargeChange, &TScrollBar::SetLargeChange, 1)
      .Integer("Max", &TScrollBar::Max, &TScrollBar::SetMax, 100)
      .Integer("Min", &TScrollBar::Min, &TScrollBar::SetMin, 0)
      .Integer("PageSize", &TScrollBar::PageSize, &TScrollBar::SetPageSize, 0)
      .Integer("Position", &TScrollBar::Position, &TScrollBar::SetPosition, 0)
      .Integer("SmallChange", &TScrollBar::SmallChange, &TScrollBar::SetSmallChange, 1)
      .Bool("TabStop", &TScrollBar::TabStop, &TScrollBar::SetTabStop, true)
      .Event("OnChange", &TScrollBar::OnChange)
      .Event("OnScroll", &TScrollBar::OnScroll);
}

VCL_PUBLISHED(TCustomGroupBox, p) {
  p.Integer("BevelWidth", &TCustomGroupBox::BevelWidth, &TCustomGroupBox::SetBevelWidth, 1);
}

VCL_PUBLISHED(TGroupBox, p) { (void)p; }

VCL_PUBLISHED(TCustomLabel, p) {
  p.Enum("Alignment", &TCustomLabel::Alignment, &TCustomLabel::SetAlignment, kAlignmentNames, taLeftJustify)
      .Bool("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize, true)
      .Component("FocusControl", &TCustomLabel::FocusControl, &TCustomLabel::SetFocusControl)
      .Enum("Layout", &TCustomLabel::Layout, &TCustomLabel::SetLayout, {"tlTop", "tlCenter", "tlBottom"}, tlTop)
      .Bool("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar, true)
      .Bool("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent, false)
      .Bool("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap, false);
}

VCL_PUBLISHED(TLabel, p) { (void)p; }

VCL_PUBLISHED(TStaticText, p) {
  p.Enum("Alignment", &TStaticText::Alignment, &TStaticText::SetAlignment, kAlignmentNames, taLeftJustify)
      .Enum("BorderStyle", &TStaticText::BorderStyle, &TStaticText::SetBorderStyle, {"sbsNone", "sbsSingle", "sbsSunken"},
            sbsNone)
      .Component("FocusControl", &TStaticText::FocusControl, &TStaticText::SetFocusControl)
      .Bool("ShowAccelChar", &TStaticText::ShowAccelChar, &TStaticText::SetShowAccelChar, true);
}

}  // namespace vcl
