#include "vcl/stdctrls/buttons.h"

#include <algorithm>

#include "vcl/controls/forms.h"
#include "vcl/graphics/pattern_fill.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {

// ---- TButtonGlyph ----------------------------------------------------------------------------

TButtonGlyph::TButtonGlyph() : glyph_(std::make_unique<TBitmap>()) {
  glyph_->OnChange = [this](TObject*) {
    if (OnChange) OnChange(glyph_.get());
  };
}

void TButtonGlyph::SetGlyph(TBitmap* value) {
  if (value)
    glyph_->Assign(value);
  else
    glyph_->SetSize(0, 0);
  // A strip of square images tells how many images it holds.
  if (value && value->Height() > 0 && value->Width() % value->Height() == 0) {
    int count = value->Width() / value->Height();
    if (count >= 1 && count <= 4) numGlyphs_ = count;
  }
  if (OnChange) OnChange(glyph_.get());
}

void TButtonGlyph::SetNumGlyphs(TNumGlyphs value) {
  if (value < 1 || value > 4 || value == numGlyphs_) return;
  numGlyphs_ = value;
  if (OnChange) OnChange(glyph_.get());
}

void TButtonGlyph::CalcLayout(TCanvas* canvas, const TRect& client, const TPoint& offset, const std::string& caption,
                              TButtonLayout layout, int margin, int spacing, TPoint& glyphPos,
                              TRect& textBounds) const {
  TPoint clientSize{client.right - client.left, client.bottom - client.top};
  TPoint textSize{0, 0};
  textBounds = TRect{0, 0, clientSize.x, 0};
  if (!caption.empty()) {
    DrawTextA(canvas->Handle(), caption.c_str(), -1, &textBounds, DT_CALCRECT | DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    textSize = TPoint{textBounds.right - textBounds.left, textBounds.bottom - textBounds.top};
  } else {
    textBounds = TRect{0, 0, 0, 0};
  }
  TPoint glyphSize{0, 0};
  if (!glyph_->Empty()) glyphSize = TPoint{glyph_->Width() / numGlyphs_, glyph_->Height()};

  const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
  TPoint textPos{0, 0};
  glyphPos = TPoint{0, 0};
  if (horizontal) {
    glyphPos.y = (clientSize.y - glyphSize.y + 1) / 2;
    textPos.y = (clientSize.y - textSize.y + 1) / 2;
  } else {
    glyphPos.x = (clientSize.x - glyphSize.x + 1) / 2;
    textPos.x = (clientSize.x - textSize.x + 1) / 2;
  }
  if (textSize.x == 0 || glyphSize.x == 0) spacing = 0;
  if (margin == -1) {
    if (spacing == -1) {
      TPoint total{glyphSize.x + textSize.x, glyphSize.y + textSize.y};
      margin = horizontal ? (clientSize.x - total.x) / 3 : (clientSize.y - total.y) / 3;
      spacing = margin;
    } else {
      TPoint total{glyphSize.x + spacing + textSize.x, glyphSize.y + spacing + textSize.y};
      margin = horizontal ? (clientSize.x - total.x + 1) / 2 : (clientSize.y - total.y + 1) / 2;
    }
  } else if (spacing == -1) {
    TPoint total{clientSize.x - (margin + glyphSize.x), clientSize.y - (margin + glyphSize.y)};
    spacing = horizontal ? (total.x - textSize.x) / 2 : (total.y - textSize.y) / 2;
  }
  switch (layout) {
    case blGlyphLeft:
      glyphPos.x = margin;
      textPos.x = glyphPos.x + glyphSize.x + spacing;
      break;
    case blGlyphRight:
      glyphPos.x = clientSize.x - margin - glyphSize.x;
      textPos.x = glyphPos.x - spacing - textSize.x;
      break;
    case blGlyphTop:
      glyphPos.y = margin;
      textPos.y = glyphPos.y + glyphSize.y + spacing;
      break;
    case blGlyphBottom:
      glyphPos.y = clientSize.y - margin - glyphSize.y;
      textPos.y = glyphPos.y - spacing - textSize.y;
      break;
  }
  glyphPos.x += client.left + offset.x;
  glyphPos.y += client.top + offset.y;
  textBounds = TRect{textPos.x + client.left + offset.x, textPos.y + client.top + offset.y,
                     textPos.x + client.left + offset.x + textSize.x, textPos.y + client.top + offset.y + textSize.y};
}

void TButtonGlyph::DrawGlyph(TCanvas* canvas, const TPoint& pos, TButtonState state, bool transparent) const {
  if (glyph_->Empty()) return;
  const int width = glyph_->Width() / numGlyphs_;
  const int height = glyph_->Height();
  int index = static_cast<int>(state);
  if (state == bsExclusive && numGlyphs_ < 4) index = static_cast<int>(bsDown);
  HDC dest = canvas->Handle();
  HDC source = glyph_->Canvas()->Handle();
  const COLORREF transparentColor = static_cast<COLORREF>(ColorToRGB(glyph_->TransparentColor()) & 0xFFFFFF);
  // States without an image of their own show the up image, except disabled (embossed).
  if (index < numGlyphs_ || state != bsDisabled) {
    int sourceX = index < numGlyphs_ ? index * width : 0;
    if (transparent)
      TransparentBlt(dest, pos.x, pos.y, width, height, source, sourceX, 0, width, height, transparentColor);
    else
      BitBlt(dest, pos.x, pos.y, width, height, source, sourceX, 0, SRCCOPY);
    return;
  }
  // Embossed: a mask of the image's dark pixels, drawn in the highlight colour one pixel down
  // and right, then in the shadow colour.
  HDC maskDC = CreateCompatibleDC(dest);
  HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
  HGDIOBJ oldMask = SelectObject(maskDC, mask);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      COLORREF c = GetPixel(source, x, y);
      int light = (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100;
      bool ink = c != transparentColor && light < 192;
      SetPixel(maskDC, x, y, ink ? RGB(0, 0, 0) : RGB(255, 255, 255));
    }
  COLORREF oldText = SetTextColor(dest, RGB(0, 0, 0));
  COLORREF oldBack = SetBkColor(dest, RGB(255, 255, 255));
  constexpr DWORD kMaskedPattern = 0x00B8074A;  // the pattern where the mask is black
  HBRUSH highlight = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(clBtnHighlight)));
  HGDIOBJ oldBrush = SelectObject(dest, highlight);
  BitBlt(dest, pos.x + 1, pos.y + 1, width, height, maskDC, 0, 0, kMaskedPattern);
  HBRUSH shadow = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(clBtnShadow)));
  SelectObject(dest, shadow);
  BitBlt(dest, pos.x, pos.y, width, height, maskDC, 0, 0, kMaskedPattern);
  SelectObject(dest, oldBrush);
  DeleteObject(highlight);
  DeleteObject(shadow);
  SetTextColor(dest, oldText);
  SetBkColor(dest, oldBack);
  SelectObject(maskDC, oldMask);
  DeleteObject(mask);
  DeleteDC(maskDC);
}

void TButtonGlyph::DrawText(TCanvas* canvas, const std::string& caption, TRect bounds, TButtonState state) const {
  HDC dc = canvas->Handle();
  int oldMode = SetBkMode(dc, TRANSPARENT);
  // The rectangle is the text's own measure: drawing must not clip what leans out of it.
  const UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP;
  if (state == bsDisabled) {
    OffsetRect(&bounds, 1, 1);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(clBtnHighlight)));
    DrawTextA(dc, caption.c_str(), -1, &bounds, flags);
    OffsetRect(&bounds, -1, -1);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(clBtnShadow)));
  } else {
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(canvas->Font()->Color())));
  }
  DrawTextA(dc, caption.c_str(), -1, &bounds, flags);
  SetBkMode(dc, oldMode);
}

TRect TButtonGlyph::Draw(TCanvas* canvas, const TRect& client, const TPoint& offset, const std::string& caption,
                         TButtonLayout layout, int margin, int spacing, TButtonState state, bool transparent) const {
  HDC dc = canvas->Handle();
  HGDIOBJ oldFont = SelectObject(dc, canvas->Font()->Handle());
  TPoint glyphPos;
  TRect textBounds;
  CalcLayout(canvas, client, offset, caption, layout, margin, spacing, glyphPos, textBounds);
  DrawGlyph(canvas, glyphPos, state, transparent);
  if (!caption.empty()) DrawText(canvas, caption, textBounds, state);
  SelectObject(dc, oldFont);
  return textBounds;
}

// ---- TSpeedButton ----------------------------------------------------------------------------

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(TControlStyle{csCaptureMouse, csDoubleClicks});
  SetBounds(0, 0, 23, 22);
  glyph_.OnChange = [this](TObject*) { Invalidate(); };
}

TSpeedButton::~TSpeedButton() { glyph_.OnChange = nullptr; }

void TSpeedButton::SetGroupIndex(int value) {
  if (groupIndex_ == value) return;
  groupIndex_ = value;
  UpdateExclusive();
}

void TSpeedButton::SetDown(bool value) {
  if (groupIndex_ == 0) value = false;
  if (value == down_) return;
  if (down_ && !allowAllUp_) return;
  down_ = value;
  if (value) {
    if (state_ == bsUp) Invalidate();
    state_ = bsExclusive;
  } else {
    state_ = bsUp;
    Repaint();
  }
  if (value) UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool value) {
  if (allowAllUp_ == value) return;
  allowAllUp_ = value;
  UpdateExclusive();
}

void TSpeedButton::SetFlat(bool value) {
  if (flat_ == value) return;
  flat_ = value;
  Invalidate();
}

void TSpeedButton::SetNumGlyphs(TNumGlyphs value) { glyph_.SetNumGlyphs(value); }

void TSpeedButton::SetLayout(TButtonLayout value) {
  if (layout_ == value) return;
  layout_ = value;
  Invalidate();
}

void TSpeedButton::SetMargin(int value) {
  if (margin_ == value || value < -1) return;
  margin_ = value;
  Invalidate();
}

void TSpeedButton::SetSpacing(int value) {
  if (spacing_ == value) return;
  spacing_ = value;
  Invalidate();
}

void TSpeedButton::SetTransparent(bool value) {
  if (transparent_ == value) return;
  transparent_ = value;
  if (value)
    SetControlStyle(ControlStyle() - TControlStyle{csOpaque});
  else
    SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
  Invalidate();
}

void TSpeedButton::UpdateExclusive() {
  TWinControl* parent = Parent();
  if (groupIndex_ == 0 || parent == nullptr) return;
  TMessage message(CM_BUTTONPRESSED, static_cast<WPARAM>(groupIndex_), reinterpret_cast<LPARAM>(this));
  parent->Broadcast(message);
}

void TSpeedButton::ButtonPressed(int groupIndex, TSpeedButton* sender) {
  if (groupIndex != groupIndex_ || sender == nullptr || sender == this) return;
  if (sender->down_ && down_) {
    down_ = false;
    state_ = bsUp;
    Invalidate();
  }
  allowAllUp_ = sender->allowAllUp_;
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

void TSpeedButton::Paint() {
  TCanvas* canvas = Canvas();
  if (!Enabled()) {
    state_ = bsDisabled;
    dragging_ = false;
  } else if (state_ == bsDisabled) {
    state_ = (down_ && groupIndex_ != 0) ? bsExclusive : bsUp;
  }
  canvas->Font()->Assign(Font());
  TRect paintRect{0, 0, Width(), Height()};
  HDC dc = canvas->Handle();
  const bool pressed = state_ == bsDown || state_ == bsExclusive;
  if (!flat_) {
    UINT flags = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (pressed ? DFCS_PUSHED : 0);
    DrawFrameControl(dc, &paintRect, DFC_BUTTON, flags);
  } else {
    if (!transparent_) {
      canvas->Brush()->SetColor(Color());
      canvas->FillRect(paintRect);
    }
    if ((mouseInControl_ && state_ != bsDisabled) || pressed) {
      DrawEdge(dc, &paintRect, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
    InflateRect(&paintRect, -1, -1);
  }
  if (state_ == bsExclusive && (!flat_ || !mouseInControl_)) {
    FillHeldDownFace(dc, paintRect);
  }
  TPoint offset = pressed ? TPoint{1, 1} : TPoint{0, 0};
  glyph_.Draw(canvas, paintRect, offset, Caption(), layout_, margin_, spacing_, state_, true);
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Enabled()) return;
  if (!down_) {
    state_ = bsDown;
    Invalidate();
  }
  dragging_ = true;
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (!dragging_) return;
  TButtonState newState = down_ ? bsExclusive : bsUp;
  if (x >= 0 && x < ClientWidth() && y >= 0 && y <= ClientHeight()) newState = down_ ? bsExclusive : bsDown;
  if (newState != state_) {
    state_ = newState;
    Invalidate();
  }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (!dragging_) return;
  dragging_ = false;
  bool doClick = x >= 0 && x < ClientWidth() && y >= 0 && y <= ClientHeight();
  if (groupIndex_ == 0) {
    state_ = bsUp;
    mouseInControl_ = false;
    Invalidate();
  } else if (doClick) {
    SetDown(!down_);
    if (down_) Repaint();
  } else {
    if (down_) state_ = bsExclusive;
    Repaint();
  }
  if (doClick) Click();
}

void TSpeedButton::CMMouseEnter(TMessage& message) {
  TGraphicControl::CMMouseEnter(message);
  if (!mouseInControl_ && Enabled()) {
    mouseInControl_ = true;
    if (flat_) Invalidate();
  }
}

void TSpeedButton::CMMouseLeave(TMessage& message) {
  TGraphicControl::CMMouseLeave(message);
  if (mouseInControl_) {
    mouseInControl_ = false;
    if (flat_) Invalidate();
  }
}

void TSpeedButton::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CM_BUTTONPRESSED:
      ButtonPressed(static_cast<int>(message.WParam), dynamic_cast<TSpeedButton*>(reinterpret_cast<TControl*>(message.LParam)));
      return;
    case CM_DIALOGCHAR:
      if (IsAccel(LOWORD(message.WParam), Caption()) && Enabled() && Visible() && Parent() && Parent()->Showing()) {
        Click();
        message.Result = 1;
        return;
      }
      break;
    case CM_TEXTCHANGED:
    case CM_SYSCOLORCHANGE:
      Invalidate();
      break;
    case CM_ENABLEDCHANGED:
      if (!Enabled()) mouseInControl_ = false;
      TGraphicControl::Dispatch(message);
      Repaint();
      return;
    default:
      break;
  }
  TGraphicControl::Dispatch(message);
}

// ---- TBitBtn ---------------------------------------------------------------------------------

std::string BitBtnCaption(TBitBtnKind kind) {
  static const char* const captions[] = {"",       "OK",     "Cancel", "&Help",   "&Yes",  "&No",
                                         "&Close", "Abort",  "&Retry", "&Ignore", "&All"};
  return captions[kind];
}

TModalResult BitBtnModalResult(TBitBtnKind kind) {
  static const TModalResult results[] = {mrNone, mrOk,    mrCancel, mrNone,   mrYes, mrNo,
                                         mrNone, mrAbort, mrRetry,  mrIgnore, mrAll};
  return results[kind];
}

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner), canvas_(std::make_unique<TCanvas>()) {
  SetControlStyle(ControlStyle() + TControlStyle{csDoubleClicks});
  glyph_.OnChange = [this](TObject*) { Invalidate(); };
}

TBitBtn::~TBitBtn() { glyph_.OnChange = nullptr; }

void TBitBtn::CreateParams(TCreateParams& params) {
  TButton::CreateParams(params);
  params.Style = (params.Style & ~static_cast<DWORD>(0x0F)) | BS_OWNERDRAW;
}

void TBitBtn::SetKind(TBitBtnKind value) {
  if (kind_ == value) return;
  // The caption follows the kind unless it was set to something of its own.
  bool standardCaption = Caption().empty() || Caption() == BitBtnCaption(kind_) || Caption() == Name();
  kind_ = value;
  if (value != bkCustom) {
    SetDefault(value == bkOK || value == bkYes);
    SetCancel(value == bkCancel || value == bkNo);
    SetModalResult(BitBtnModalResult(value));
    if (standardCaption) SetCaption(BitBtnCaption(value));
  }
  Invalidate();
}

void TBitBtn::SetGlyph(TBitmap* value) {
  glyph_.SetGlyph(value);
  kind_ = bkCustom;
}

void TBitBtn::SetNumGlyphs(TNumGlyphs value) { glyph_.SetNumGlyphs(value); }

void TBitBtn::SetLayout(TButtonLayout value) {
  if (layout_ == value) return;
  layout_ = value;
  Invalidate();
}

void TBitBtn::SetMargin(int value) {
  if (margin_ == value || value < -1) return;
  margin_ = value;
  Invalidate();
}

void TBitBtn::SetSpacing(int value) {
  if (spacing_ == value) return;
  spacing_ = value;
  Invalidate();
}

void TBitBtn::Click() {
  if (kind_ == bkClose) {
    if (TCustomForm* form = GetParentForm(this)) {
      form->Close();
      return;
    }
  }
  TButton::Click();
}

// Owner-drawn: the style bits stay; the default mark is drawn by DrawItem.
void TBitBtn::SetButtonStyle(bool isDefault) {
  if (isDefault == isFocused_) return;
  isFocused_ = isDefault;
  if (HandleAllocated()) Invalidate();
}

void TBitBtn::DrawItem(const DRAWITEMSTRUCT& drawItem) {
  TCanvas* canvas = canvas_.get();
  canvas->SetHandle(drawItem.hDC);
  try {
    const bool isDown = (drawItem.itemState & ODS_SELECTED) != 0;
    const bool hasFocus = (drawItem.itemState & ODS_FOCUS) != 0;
    TRect rect = ClientRect();
    HDC dc = drawItem.hDC;
    if (isFocused_ || hasFocus) {
      // The default button's black frame.
      HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
      HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
      Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
      SelectObject(dc, oldPen);
      SelectObject(dc, oldBrush);
      InflateRect(&rect, -1, -1);
    }
    UINT flags = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (isDown ? DFCS_PUSHED : 0);
    if (drawItem.itemState & ODS_DISABLED) flags |= DFCS_INACTIVE;
    DrawFrameControl(dc, &rect, DFC_BUTTON, flags);
    canvas->Font()->Assign(Font());
    TButtonState state = !Enabled() ? bsDisabled : isDown ? bsDown : bsUp;
    TPoint offset = isDown ? TPoint{1, 1} : TPoint{0, 0};
    glyph_.Draw(canvas, rect, offset, Caption(), layout_, margin_, spacing_, state, true);
    if (hasFocus) {
      TRect focus = ClientRect();
      InflateRect(&focus, -4, -4);
      DrawFocusRect(dc, &focus);
    }
  } catch (...) {
    canvas->SetHandle(nullptr);
    throw;
  }
  canvas->SetHandle(nullptr);
}

void TBitBtn::Dispatch(TMessage& message) {
  if (message.Msg == CN_DRAWITEM) {
    DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam));
    message.Result = TRUE;
    return;
  }
  if (message.Msg == WM_LBUTTONDBLCLK) {
    // A quick second press is a press like the first.
    message.Msg = WM_LBUTTONDOWN;
  }
  TButton::Dispatch(message);
}

// ---- Published properties --------------------------------------------------------------------

namespace {
const TEnumNames kLayoutNames{"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"};
}  // namespace

VCL_PUBLISHED(TSpeedButton, p) {
  p.Bool("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp, false)
      .Integer("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex, 0)
      .Bool("Down", &TSpeedButton::Down, &TSpeedButton::SetDown, false)
      .Bool("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat, false)
      .Object("Glyph", &TSpeedButton::Glyph, &TSpeedButton::SetGlyph)
      .Enum("Layout", &TSpeedButton::Layout, &TSpeedButton::SetLayout, kLayoutNames, blGlyphLeft)
      .Integer("Margin", &TSpeedButton::Margin, &TSpeedButton::SetMargin, -1)
      .Integer("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs, 1)
      .Integer("Spacing", &TSpeedButton::Spacing, &TSpeedButton::SetSpacing, 4)
      .Bool("Transparent", &TSpeedButton::Transparent, &TSpeedButton::SetTransparent, true);
}

VCL_PUBLISHED(TBitBtn, p) {
  p.Object("Glyph", &TBitBtn::Glyph, &TBitBtn::SetGlyph)
      .Enum("Kind", &TBitBtn::Kind, &TBitBtn::SetKind,
            {"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo", "bkClose", "bkAbort", "bkRetry", "bkIgnore",
             "bkAll"},
            bkCustom)
      .Enum("Layout", &TBitBtn::Layout, &TBitBtn::SetLayout, kLayoutNames, blGlyphLeft)
      .Integer("Margin", &TBitBtn::Margin, &TBitBtn::SetMargin, -1)
      .Integer("NumGlyphs", &TBitBtn::NumGlyphs, &TBitBtn::SetNumGlyphs, 1)
      .Integer("Spacing", &TBitBtn::Spacing, &TBitBtn::SetSpacing, 4);
}

}  // namespace vcl
