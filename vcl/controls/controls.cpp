// TControl: properties, text, visibility, message dispatch and the mouse.
#include "vcl/controls/controls.h"

#include <algorithm>
#include <cstring>

#include "vcl/controls/actions.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/menus.h"
#include "vcl/controls/screen.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {

namespace {

}  // namespace

// ---- Shift states and hints ------------------------------------------------------------------

TShiftState KeysToShiftState(WORD keys) {
  TShiftState shift;
  if (keys & MK_SHIFT) shift.Include(ssShift);
  if (keys & MK_CONTROL) shift.Include(ssCtrl);
  if (keys & MK_LBUTTON) shift.Include(ssLeft);
  if (keys & MK_RBUTTON) shift.Include(ssRight);
  if (keys & MK_MBUTTON) shift.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
  return shift;
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
  constexpr LPARAM AltMask = 0x20000000;
  TShiftState shift;
  if (GetKeyState(VK_SHIFT) < 0) shift.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) shift.Include(ssCtrl);
  if (keyData & AltMask) shift.Include(ssAlt);
  return shift;
}

TShiftState KeyboardStateToShiftState(const BYTE* keyboardState) {
  TShiftState shift;
  if (keyboardState[VK_SHIFT] & 0x80) shift.Include(ssShift);
  if (keyboardState[VK_CONTROL] & 0x80) shift.Include(ssCtrl);
  if (keyboardState[VK_MENU] & 0x80) shift.Include(ssAlt);
  if (keyboardState[VK_LBUTTON] & 0x80) shift.Include(ssLeft);
  if (keyboardState[VK_RBUTTON] & 0x80) shift.Include(ssRight);
  if (keyboardState[VK_MBUTTON] & 0x80) shift.Include(ssMiddle);
  return shift;
}

TShiftState KeyboardStateToShiftState() {
  BYTE state[256] = {};
  GetKeyboardState(state);
  return KeyboardStateToShiftState(state);
}

std::string GetShortHint(const std::string& hint) {
  size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(0, bar);
}

std::string GetLongHint(const std::string& hint) {
  size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

// ---- Cursor names ----------------------------------------------------------------------------

namespace {
struct CursorName {
  TCursor cursor;
  const char* name;
};
constexpr CursorName CursorNames[] = {
    {crDefault, "crDefault"},     {crNone, "crNone"},         {crArrow, "crArrow"},
    {crCross, "crCross"},         {crIBeam, "crIBeam"},       {crSizeNESW, "crSizeNESW"},
    {crSizeNS, "crSizeNS"},       {crSizeNWSE, "crSizeNWSE"}, {crSizeWE, "crSizeWE"},
    {crUpArrow, "crUpArrow"},     {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},
    {crNoDrop, "crNoDrop"},       {crHSplit, "crHSplit"},     {crVSplit, "crVSplit"},
    {crMultiDrag, "crMultiDrag"}, {crSQLWait, "crSQLWait"},   {crNo, "crNo"},
    {crAppStart, "crAppStart"},   {crHelp, "crHelp"},         {crHandPoint, "crHandPoint"},
    {crSizeAll, "crSizeAll"},
};
}  // namespace

bool CursorToIdent(int32_t cursor, std::string& ident) {
  for (const CursorName& c : CursorNames)
    if (c.cursor == cursor) {
      ident = c.name;
      return true;
    }
  return false;
}

bool IdentToCursor(const std::string& ident, int32_t& cursor) {
  for (const CursorName& c : CursorNames)
    if (SameText(ident, c.name)) {
      cursor = c.cursor;
      return true;
    }
  return false;
}

// ---- TSizeConstraints ------------------------------------------------------------------------

void TSizeConstraints::Assign(TPersistent* source) {
  if (auto* other = dynamic_cast<TSizeConstraints*>(source)) {
    minHeight_ = other->minHeight_;
    maxHeight_ = other->maxHeight_;
    minWidth_ = other->minWidth_;
    maxWidth_ = other->maxWidth_;
    Change();
    return;
  }
  inherited::Assign(source);
}

namespace {
void CheckConstraint(int value) {
  if (value < 0) throw EInvalidArgument("Size constraints cannot be negative");
}
}  // namespace

void TSizeConstraints::SetMaxHeight(int value) {
  CheckConstraint(value);
  if (value == maxHeight_) return;
  maxHeight_ = value;
  if (value > 0 && value < minHeight_) minHeight_ = value;
  Change();
}

void TSizeConstraints::SetMaxWidth(int value) {
  CheckConstraint(value);
  if (value == maxWidth_) return;
  maxWidth_ = value;
  if (value > 0 && value < minWidth_) minWidth_ = value;
  Change();
}

void TSizeConstraints::SetMinHeight(int value) {
  CheckConstraint(value);
  if (value == minHeight_) return;
  minHeight_ = value;
  if (maxHeight_ > 0 && value > maxHeight_) maxHeight_ = value;
  Change();
}

void TSizeConstraints::SetMinWidth(int value) {
  CheckConstraint(value);
  if (value == minWidth_) return;
  minWidth_ = value;
  if (maxWidth_ > 0 && value > maxWidth_) maxWidth_ = value;
  Change();
}

void TSizeConstraints::Change() {
  if (control_) control_->ConstraintsChanged();
  if (OnChange) OnChange(this);
}

// ---- TControl: life ---------------------------------------------------------------------------

TControl::TControl(TComponent* owner)
    : TComponent(owner), WindowProc(this), font_(std::make_unique<TFont>()),
      constraints_(std::make_unique<TSizeConstraints>(this)) {
  font_->OnChange = [this](TObject* sender) { FontChanged(sender); };
}

TControl::~TControl() {
  if (Application) Application->ControlDestroyed(this);
  if (GetCaptureControl() == this) SetCaptureControl(nullptr);
  if (parent_) {
    if (parent_->ComponentState().Contains(csDestroying))
      parent_->Remove(this);
    else
      SetParent(nullptr);
  }
}

void TControl::Loaded() {
  inherited::Loaded();
  // Limits read from form data apply to the size read before them.
  TSizeConstraints* c = constraints_.get();
  if (c->MinWidth() || c->MinHeight() || c->MaxWidth() || c->MaxHeight()) AdjustSize();
  UpdateAnchorRules();
  if (TBasicAction* action = Action()) ActionChange(action, true);
}

void TControl::ReadState(TReader* reader) {
  controlState_.Include(csReadingState);
  inherited::ReadState(reader);
  controlState_.Exclude(csReadingState);
  // What the children take from the parent was held back while they were read.
  if (parent_) {
    Perform(CM_PARENTCOLORCHANGED, 0, 0);
    Perform(CM_PARENTFONTCHANGED, 0, 0);
    Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
  }
}

void TControl::SetName(const std::string& newName) {
  // A control that still shows its name as caption follows a rename.
  bool changeText = controlStyle_.Contains(csSetCaption) && !ComponentState().Contains(csLoading) &&
                    Name() == GetText() &&
                    !(Owner() && dynamic_cast<TControl*>(Owner()) &&
                      Owner()->ComponentState().Contains(csLoading));
  inherited::SetName(newName);
  if (changeText) SetText(newName);
}

void TControl::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation == opRemove && component == popupMenu_) popupMenu_ = nullptr;
  if (operation == opRemove && component && component == Action()) SetAction(nullptr);
}

// ---- TControl: parent -------------------------------------------------------------------------

void TControl::SetParent(TWinControl* parent) {
  if (parent_ == parent) return;
  // Checked before anything moves: a control cannot hold itself, directly or further down.
  for (TControl* p = parent; p; p = p->Parent())
    if (p == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (parent_) parent_->RemoveControl(this);
  if (parent) {
    parent->InsertControl(this);
    UpdateAnchorRules();
  }
}

TComponent* TControl::GetParentComponent() const { return parent_; }

void TControl::SetParentComponent(TComponent* value) {
  if (auto* parent = dynamic_cast<TWinControl*>(value)) SetParent(parent);
}

// ---- TControl: bounds -------------------------------------------------------------------------

void TControl::SetBounds(int left, int top, int width, int height) {
  if (!CheckNewSize(width, height)) return;
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  InvalidateControl(visible_, false);
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  UpdateAnchorRules();
  Invalidate();
  Perform(WM_WINDOWPOSCHANGED, 0, 0);
  RequestAlign();
  if (!ComponentState().Contains(csLoading)) Resize();
}

TRect TControl::ClientRect() { return Rect(0, 0, width_, height_); }

void TControl::SetClientWidth(int value) { SetWidth(width_ - ClientWidth() + value); }
void TControl::SetClientHeight(int value) { SetHeight(height_ - ClientHeight() + value); }

TPoint TControl::ClientOrigin() {
  if (!parent_) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  TPoint origin = parent_->ClientOrigin();
  return Point(origin.x + left_, origin.y + top_);
}

TPoint TControl::ClientToScreen(const TPoint& point) {
  TPoint origin = ClientOrigin();
  return Point(point.x + origin.x, point.y + origin.y);
}

TPoint TControl::ScreenToClient(const TPoint& point) {
  TPoint origin = ClientOrigin();
  return Point(point.x - origin.x, point.y - origin.y);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::RequestAlign() {
  if (parent_) parent_->AlignControl(this);
}

// ---- TControl: visibility and state ---------------------------------------------------------

void TControl::SetVisible(bool value) {
  if (visible_ == value) return;
  VisibleChanging();
  visible_ = value;
  Perform(CM_VISIBLECHANGED, value ? 1 : 0, 0);
  RequestAlign();
}

void TControl::Show() {
  if (parent_) parent_->ShowControl(this);
  if (!ComponentState().Contains(csDesigning) || controlStyle_.Contains(csNoDesignVisible))
    SetVisible(true);
}

void TControl::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::CMVisibleChanged(TMessage&) {
  InvalidateControl(true, visible_ && controlStyle_.Contains(csOpaque));
}

void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }

// ---- TControl: appearance ---------------------------------------------------------------------

void TControl::SetColor(TColor value) {
  if (color_ == value) return;
  color_ = value;
  parentColor_ = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool value) {
  if (parentColor_ == value) return;
  parentColor_ = value;
  if (parent_ && !ComponentState().Contains(csReading)) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::SetFont(TFont* value) { font_->Assign(value); }

void TControl::FontChanged(TObject*) {
  parentFont_ = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetParentFont(bool value) {
  if (parentFont_ == value) return;
  parentFont_ = value;
  if (parent_ && !ComponentState().Contains(csReading)) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::CMFontChanged(TMessage&) { Invalidate(); }
void TControl::CMColorChanged(TMessage&) { Invalidate(); }

void TControl::CMParentColorChanged(TMessage& message) {
  if (!parentColor_) return;
  // wParam 1 carries the colour itself (a parent that is not a control has no Color).
  TColor color = message.WParam ? static_cast<TColor>(message.LParam) : parent_ ? parent_->Color() : color_;
  SetColor(color);
  parentColor_ = true;
}

void TControl::CMParentFontChanged(TMessage& message) {
  if (!parentFont_) return;
  TFont* source = message.WParam ? reinterpret_cast<TFont*>(message.LParam) : parent_ ? parent_->Font() : nullptr;
  if (source) {
    font_->Assign(source);
    parentFont_ = true;
  }
}

void TControl::SetShowHint(bool value) {
  if (showHint_ == value) return;
  showHint_ = value;
  parentShowHint_ = false;
  Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool value) {
  if (parentShowHint_ == value) return;
  parentShowHint_ = value;
  if (parent_ && !ComponentState().Contains(csReading)) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::CMParentShowHintChanged(TMessage&) {
  if (!parentShowHint_) return;
  SetShowHint(parent_ ? parent_->ShowHint() : showHint_);
  parentShowHint_ = true;
}

void TControl::SetCursor(TCursor value) {
  if (cursor_ == value) return;
  cursor_ = value;
  Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetPopupMenu(TPopupMenu* value) {
  popupMenu_ = value;
  if (value) value->FreeNotification(this);
}

// ---- TControl: text ---------------------------------------------------------------------------

int TControl::GetTextLen() { return static_cast<int>(Perform(WM_GETTEXTLENGTH, 0, 0)); }

std::string TControl::GetTextBuf() {
  int len = GetTextLen();
  if (len <= 0) return {};
  std::string buffer(static_cast<size_t>(len) + 1, '\0');
  LRESULT got = Perform(WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  buffer.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, len)));
  return buffer;
}

std::string TControl::GetText() { return GetTextBuf(); }

void TControl::SetText(const std::string& value) {
  if (GetText() != value) DoSetText(value);
}

void TControl::DoSetText(const std::string& value) {
  Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
  Perform(CM_TEXTCHANGED, 0, 0);
}

// ---- TControl: layout properties ------------------------------------------------------------

void TControl::SetAlign(TAlign value) {
  if (align_ == value) return;
  align_ = value;
  anchors_ = [value]() -> TAnchors {
    switch (value) {
      case alTop: return {akLeft, akTop, akRight};
      case alBottom: return {akLeft, akRight, akBottom};
      case alLeft: return {akLeft, akTop, akBottom};
      case alRight: return {akRight, akTop, akBottom};
      case alClient: return {akLeft, akTop, akRight, akBottom};
      default: return {akLeft, akTop};
    }
  }();
  RequestAlign();
}

void TControl::SetAnchors(TAnchors value) {
  if (anchors_ == value) return;
  anchors_ = value;
  if (!ComponentState().Contains(csLoading)) UpdateAnchorRules();
}

void TControl::SetAutoSize(bool value) {
  if (autoSize_ == value) return;
  autoSize_ = value;
  if (value) AdjustSize();
}

// ---- TControl: painting ---------------------------------------------------------------------

void TControl::InvalidateControl(bool isVisible, bool isOpaque) {
  bool showing = isVisible || (ComponentState().Contains(csDesigning) && !controlStyle_.Contains(csNoDesignVisible));
  if (!showing || !parent_ || !parent_->HandleAllocated()) return;
  TRect rect = BoundsRect();
  // Nothing of the parent shows through when an opaque sibling below covers the whole rect.
  auto backgroundClipped = [&]() {
    const std::vector<TControl*>& list = parent_->controls_;
    auto it = std::find(list.begin(), list.end(), this);
    while (it != list.begin()) {
      --it;
      TControl* c = *it;
      if (c->Visible() && c->controlStyle_.Contains(csOpaque)) {
        TRect bounds = c->BoundsRect(), r;
        IntersectRect(&r, &rect, &bounds);
        if (EqualRect(&r, &rect)) return true;
      }
    }
    return false;
  };
  bool erase = !(isOpaque || parent_->controlStyle_.Contains(csOpaque) || backgroundClipped());
  InvalidateRect(parent_->Handle(), &rect, erase);
}

void TControl::Invalidate() { InvalidateControl(visible_, controlStyle_.Contains(csOpaque)); }

void TControl::Update() {
  if (parent_) parent_->Update();
}

void TControl::Repaint() {
  bool showing = visible_ || (ComponentState().Contains(csDesigning) && !controlStyle_.Contains(csNoDesignVisible));
  if (!showing || !parent_ || !parent_->HandleAllocated()) return;
  if (controlStyle_.Contains(csOpaque)) {
    HWND wnd = parent_->Handle();
    HDC dc = GetDC(wnd);
    IntersectClipRect(dc, left_, top_, left_ + width_, top_ + height_);
    parent_->PaintControls(dc, this);
    ReleaseDC(wnd, dc);
  } else {
    // Painted now through the window itself: Update may mean something else in a control
    // that overrides it.
    Invalidate();
    UpdateWindow(parent_->Handle());
  }
}

HDC TControl::GetDeviceContext(HWND& windowHandle) {
  if (!parent_) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  HDC dc = parent_->GetDeviceContext(windowHandle);
  SetViewportOrgEx(dc, left_, top_, nullptr);
  IntersectClipRect(dc, 0, 0, width_, height_);
  return dc;
}

void TControl::SetZOrder(bool topMost) {
  if (!parent_) return;
  SetZOrderPosition(topMost ? static_cast<int>(parent_->controls_.size()) - 1 : 0);
}

void TControl::SetZOrderPosition(int position) {
  if (!parent_) return;
  std::vector<TControl*>& list = parent_->controls_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  int current = static_cast<int>(it - list.begin());
  position = std::clamp(position, 0, static_cast<int>(list.size()) - 1);
  if (position == current) return;
  list.erase(it);
  list.insert(list.begin() + position, this);
  InvalidateControl(visible_, true);
}

// ---- TControl: messages -----------------------------------------------------------------------

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage message(msg, wParam, lParam);
  WindowProc(message);
  return message.Result;
}

void TControl::WndProc(TMessage& message) {
  if (message.Msg >= WM_MOUSEFIRST && message.Msg <= WM_MOUSELAST) {
    if (!controlStyle_.Contains(csDoubleClicks)) {
      switch (message.Msg) {
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
          message.Msg -= WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
          break;
      }
    }
    switch (message.Msg) {
      case WM_MOUSEMOVE:
        if (Application) Application->HintMouseMessage(this, message);
        break;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        controlState_.Include(csLButtonDown);
        break;
      case WM_LBUTTONUP:
        controlState_.Exclude(csLButtonDown);
        break;
    }
  }
  Dispatch(message);
}

void TControl::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_LBUTTONDOWN: CallMessageHandler<TWMMouse>(message, this, &TControl::WMLButtonDown); break;
    case WM_LBUTTONDBLCLK: CallMessageHandler<TWMMouse>(message, this, &TControl::WMLButtonDblClk); break;
    case WM_LBUTTONUP: CallMessageHandler<TWMMouse>(message, this, &TControl::WMLButtonUp); break;
    case WM_RBUTTONDOWN: CallMessageHandler<TWMMouse>(message, this, &TControl::WMRButtonDown); break;
    case WM_RBUTTONDBLCLK: CallMessageHandler<TWMMouse>(message, this, &TControl::WMRButtonDblClk); break;
    case WM_RBUTTONUP: CallMessageHandler<TWMMouse>(message, this, &TControl::WMRButtonUp); break;
    case WM_MBUTTONDOWN: CallMessageHandler<TWMMouse>(message, this, &TControl::WMMButtonDown); break;
    case WM_MBUTTONDBLCLK: CallMessageHandler<TWMMouse>(message, this, &TControl::WMMButtonDblClk); break;
    case WM_MBUTTONUP: CallMessageHandler<TWMMouse>(message, this, &TControl::WMMButtonUp); break;
    case WM_MOUSEMOVE: CallMessageHandler<TWMMouse>(message, this, &TControl::WMMouseMove); break;
    case WM_MOUSEWHEEL: CallMessageHandler<TWMMouseWheel>(message, this, &TControl::WMMouseWheel); break;
    case WM_CANCELMODE: CallMessageHandler<TWMCancelMode>(message, this, &TControl::WMCancelMode); break;
    case WM_WINDOWPOSCHANGED: CallMessageHandler<TWMWindowPosMsg>(message, this, &TControl::WMWindowPosChanged); break;
    case WM_CONTEXTMENU: CallMessageHandler<TWMContextMenu>(message, this, &TControl::WMContextMenu); break;
    case CM_VISIBLECHANGED: CMVisibleChanged(message); break;
    case CM_ENABLEDCHANGED: CMEnabledChanged(message); break;
    case CM_FONTCHANGED: CMFontChanged(message); break;
    case CM_COLORCHANGED: CMColorChanged(message); break;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(message); break;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(message); break;
    case CM_PARENTSHOWHINTCHANGED: CMParentShowHintChanged(message); break;
    case CM_HITTEST: CallMessageHandler<TCMHitTest>(message, this, &TControl::CMHitTest); break;
    case CM_MOUSEENTER: CMMouseEnter(message); break;
    case CM_MOUSELEAVE: CMMouseLeave(message); break;
    case CM_MOUSEWHEEL: CallMessageHandler<TCMMouseWheel>(message, this, &TControl::CMMouseWheel); break;
    case CM_TEXTCHANGED: CMTextChanged(message); break;
    case CM_HINTSHOW: CMHintShow(message); break;
    case CM_BIDIMODECHANGED: CMBiDiModeChanged(message); break;
    case CM_PARENTBIDIMODECHANGED: CMParentBiDiModeChanged(message); break;
    default: DefaultHandler(message); break;
  }
}

void TControl::DefaultHandler(TMessage& message) {
  switch (message.Msg) {
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<char*>(message.LParam);
      size_t room = static_cast<size_t>(message.WParam);
      if (!buffer || room == 0) {
        message.Result = 0;
        break;
      }
      size_t n = std::min(text_.size(), room - 1);
      std::memcpy(buffer, text_.data(), n);
      buffer[n] = '\0';
      message.Result = static_cast<LRESULT>(n);
      break;
    }
    case WM_GETTEXTLENGTH:
      message.Result = static_cast<LRESULT>(text_.size());
      break;
    case WM_SETTEXT: {
      auto* text = reinterpret_cast<const char*>(message.LParam);
      text_ = text ? text : "";
      message.Result = 1;
      break;
    }
    default:
      break;
  }
}

void TControl::CMHitTest(TCMHitTest& message) { message.Result = HTCLIENT; }

bool TControl::IsHitTestVisible(const TPoint& clientPoint) {
  return Perform(CM_HITTEST, 0, PointToLParam(clientPoint.x, clientPoint.y)) != 0;
}

void TControl::CMMouseEnter(TMessage& message) {
  // The parents learn which of their children the mouse entered.
  if (parent_) parent_->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(this));
  if (message.LParam == 0 && OnMouseEnter) OnMouseEnter(this);
}

void TControl::CMMouseLeave(TMessage& message) {
  if (parent_) parent_->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(this));
  if (message.LParam == 0 && OnMouseLeave) OnMouseLeave(this);
}

// ---- TControl: mouse --------------------------------------------------------------------------

bool TControl::MouseCapture() { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool value) {
  if (MouseCapture() == value) return;
  SetCaptureControl(value ? this : nullptr);
}

void TControl::SendCancelMode(TControl* sender) {
  for (TControl* control = this; control; control = control->parent_)
    if (auto* form = dynamic_cast<TCustomForm*>(control)) form->SendCancelMode(sender);
}

void TControl::DoMouseDown(TWMMouse& message, TMouseButton button, TShiftState shift) {
  if (controlStyle_.Contains(csNoStdEvents)) return;
  MouseDown(button, KeysToShiftState(static_cast<WORD>(message.Keys())) + shift, message.XPos(), message.YPos());
}

void TControl::DoMouseUp(TWMMouse& message, TMouseButton button) {
  if (controlStyle_.Contains(csNoStdEvents)) return;
  MouseUp(button, KeysToShiftState(static_cast<WORD>(message.Keys())), message.XPos(), message.YPos());
}

void TControl::WMLButtonDown(TWMMouse& message) {
  SendCancelMode(this);
  DefaultHandler(message);
  if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (controlStyle_.Contains(csClickEvents)) controlState_.Include(csClicked);
  DoMouseDown(message, mbLeft, {});
}

void TControl::WMLButtonDblClk(TWMMouse& message) {
  SendCancelMode(this);
  DefaultHandler(message);
  if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (controlStyle_.Contains(csClickEvents)) DblClick();
  DoMouseDown(message, mbLeft, {ssDouble});
}

void TControl::WMLButtonUp(TWMMouse& message) {
  DefaultHandler(message);
  if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(false);
  if (controlState_.Contains(csClicked)) {
    controlState_.Exclude(csClicked);
    TRect client = ClientRect();
    TPoint pos = message.Pos();
    if (PtInRect(&client, pos)) Click();
  }
  DoMouseUp(message, mbLeft);
}

void TControl::WMRButtonDown(TWMMouse& message) {
  SendCancelMode(this);
  DefaultHandler(message);
  DoMouseDown(message, mbRight, {});
}

void TControl::WMRButtonDblClk(TWMMouse& message) {
  SendCancelMode(this);
  DefaultHandler(message);
  DoMouseDown(message, mbRight, {ssDouble});
}

void TControl::WMRButtonUp(TWMMouse& message) {
  DefaultHandler(message);
  DoMouseUp(message, mbRight);
}

void TControl::WMMButtonDown(TWMMouse& message) {
  SendCancelMode(this);
  DefaultHandler(message);
  DoMouseDown(message, mbMiddle, {});
}

void TControl::WMMButtonDblClk(TWMMouse& message) {
  SendCancelMode(this);
  DefaultHandler(message);
  DoMouseDown(message, mbMiddle, {ssDouble});
}

void TControl::WMMButtonUp(TWMMouse& message) {
  DefaultHandler(message);
  DoMouseUp(message, mbMiddle);
}

void TControl::WMMouseMove(TWMMouse& message) {
  DefaultHandler(message);
  if (!controlStyle_.Contains(csNoStdEvents))
    MouseMove(KeysToShiftState(static_cast<WORD>(message.Keys())), message.XPos(), message.YPos());
}

void TControl::WMCancelMode(TWMCancelMode& message) {
  DefaultHandler(message);
  if (MouseCapture()) {
    SetMouseCapture(false);
    // A press in progress ends as a release outside the control, which clicks nothing.
    if (controlState_.Contains(csLButtonDown)) Perform(WM_LBUTTONUP, 0, static_cast<LPARAM>(0xFFFFFFFF));
  } else {
    controlState_.Exclude(csLButtonDown);
  }
}

void TControl::WMWindowPosChanged(TWMWindowPosMsg& message) { DefaultHandler(message); }

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::Click() {
  // A copy: the handler may free this control, and with it the event. A handler of the
  // control's own goes before its action; without one the action executes.
  TNotifyEvent handler = OnClick;
  if (actionLink_ && !handler && !ComponentState().Contains(csDesigning))
    actionLink_->Execute(this);
  else if (handler)
    handler(this);
}

void TControl::DblClick() {
  if (TNotifyEvent handler = OnDblClick) handler(this);
}

// ---- TControl: wheel --------------------------------------------------------------------------

void TControl::WMMouseWheel(TWMMouseWheel& message) {
  // The library's wheel message carries the shift state in place of the key flags.
  TShiftState shift = KeysToShiftState(static_cast<WORD>(message.Keys()));
  message.WParam = MAKEWPARAM(shift.Bits(), HIWORD(message.WParam));
  MouseWheelHandler(message);
  if (message.Result == 0) DefaultHandler(message);
}

void TControl::MouseWheelHandler(TMessage& message) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != static_cast<TControl*>(this))
    static_cast<TControl*>(form)->MouseWheelHandler(message);
  else
    message.Result = Perform(CM_MOUSEWHEEL, message.WParam, message.LParam);
}

void TControl::CMMouseWheel(TCMMouseWheel& message) {
  message.Result = 0;
  TShiftState shift = TShiftState::FromBits(static_cast<uint16_t>(message.Keys()));
  if (DoMouseWheel(shift, message.WheelDelta(), Point(message.XPos(), message.YPos())))
    message.Result = 1;
  else if (parent_)
    message.Result = parent_->Perform(CM_MOUSEWHEEL, message.WParam, message.LParam);
}

bool TControl::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
  if (handled) return true;
  // Notches are counted whole; a part of one waits for the rest of it.
  wheelAccumulator_ += wheelDelta;
  while (std::abs(wheelAccumulator_) >= WHEEL_DELTA) {
    bool down = wheelAccumulator_ < 0;
    wheelAccumulator_ = std::abs(wheelAccumulator_) - WHEEL_DELTA;
    if (down) {
      wheelAccumulator_ = -wheelAccumulator_;
      handled = DoMouseWheelDown(shift, mousePos);
    } else {
      handled = DoMouseWheelUp(shift, mousePos);
    }
  }
  return handled;
}

bool TControl::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
  bool handled = false;
  if (OnMouseWheelDown) OnMouseWheelDown(this, shift, mousePos, handled);
  return handled;
}

bool TControl::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
  bool handled = false;
  if (OnMouseWheelUp) OnMouseWheelUp(this, shift, mousePos, handled);
  return handled;
}

// ---- TControl: context menu -------------------------------------------------------------------

TMenuHooks MenuHooks;

void TControl::DoContextPopup(TPoint mousePos, bool& handled) {
  if (OnContextPopup) OnContextPopup(this, mousePos, handled);
}

void TControl::WMContextMenu(TWMContextMenu& message) {
  if (message.Result != 0) return;
  TPoint pt = Point(message.XPos(), message.YPos());
  // (-1, -1) is a request from the keyboard: no position.
  bool fromKeyboard = pt.x == -1 && pt.y == -1;
  TPoint local = pt;
  if (!fromKeyboard) {
    local = ScreenToClient(pt);
    TRect client = ClientRect();
    if (!PtInRect(&client, local)) {
      DefaultHandler(message);
      return;
    }
  }
  bool handled = false;
  DoContextPopup(local, handled);
  message.Result = handled ? 1 : 0;
  if (handled) return;
  TPopupMenu* menu = GetPopupMenu();
  if (menu && MenuHooks.PopupMenu) {
    SendCancelMode(nullptr);
    if (fromKeyboard) pt = ClientToScreen(Point(0, 0));
    if (MenuHooks.PopupMenu(menu, this, pt)) message.Result = 1;
  }
  if (message.Result == 0) DefaultHandler(message);
}

// ---- TControl: scaling -------------------------------------------------------------------------

void TControl::ScaleBy(int multiplier, int divider) { ChangeScale(multiplier, divider); }

void TControl::ChangeScale(int multiplier, int divider) {
  if (multiplier == divider || divider == 0) return;
  TRect r = BoundsRect();
  int l = MulDiv(r.left, multiplier, divider);
  int t = MulDiv(r.top, multiplier, divider);
  int w = controlStyle_.Contains(csFixedWidth) ? width_ : MulDiv(r.right, multiplier, divider) - l;
  int h = controlStyle_.Contains(csFixedHeight) ? height_ : MulDiv(r.bottom, multiplier, divider) - t;
  SetBounds(l, t, w, h);
  if (!parentFont_) font_->SetSize(MulDiv(font_->Size(), multiplier, divider));
}

// ---- The mouse ---------------------------------------------------------------------------------

namespace {
TMouse theMouse;
}
TMouse* Mouse = &theMouse;

TPoint TMouse::CursorPos() const {
  POINT p{0, 0};
  GetCursorPos(&p);
  return p;
}

void TMouse::SetCursorPos(const TPoint& pos) { ::SetCursorPos(pos.x, pos.y); }
HWND TMouse::Capture() const { return GetCapture(); }

void TMouse::SetCapture(HWND wnd) {
  if (wnd)
    ::SetCapture(wnd);
  else
    ReleaseCapture();
}

bool TMouse::WheelPresent() const { return GetSystemMetrics(SM_MOUSEWHEELPRESENT) != 0; }

int TMouse::WheelScrollLines() const {
  UINT lines = 3;
  SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  return static_cast<int>(lines);
}

// ---- Capture -----------------------------------------------------------------------------------

namespace {
// A graphic control that captured the mouse through its parent's window.
TControl* captureControl = nullptr;
}

TControl* GetCaptureControl() {
  TControl* result = FindControl(GetCapture());
  if (result && captureControl && captureControl->Parent() == result) result = captureControl;
  return result;
}

void SetCaptureControl(TControl* control) {
  ReleaseCapture();
  captureControl = nullptr;
  if (!control) return;
  auto* win = dynamic_cast<TWinControl*>(control);
  if (!win) {
    if (!control->Parent()) return;
    captureControl = control;
    win = control->Parent();
  }
  SetCapture(win->Handle());
}

// ---- Finding controls -------------------------------------------------------------------------

TCustomForm* GetParentForm(TControl* control) {
  if (!control) return nullptr;
  while (control->Parent()) control = control->Parent();
  return dynamic_cast<TCustomForm*>(control);
}

TCustomForm* ValidParentForm(TControl* control) {
  TCustomForm* form = GetParentForm(control);
  if (!form) throw EInvalidOperation("Control '" + (control ? control->Name() : std::string()) + "' has no parent form");
  return form;
}

TWinControl* FindVCLWindow(const TPoint& pos) {
  HWND wnd = WindowFromPoint(pos);
  while (wnd) {
    if (auto* control = dynamic_cast<TWinControl*>(FindControl(wnd))) return control;
    wnd = GetParent(wnd);
  }
  return nullptr;
}

TControl* FindDragTarget(const TPoint& pos, bool allowDisabled) {
  TWinControl* window = FindVCLWindow(pos);
  if (!window) return nullptr;
  TControl* control = window->ControlAtPos(window->ScreenToClient(pos), allowDisabled);
  return control ? control : window;
}

// ---- Published properties --------------------------------------------------------------------

VCL_PUBLISHED(TControl, p) {
  p.Integer("Left", &TControl::Left, &TControl::SetLeft)
      .Integer("Top", &TControl::Top, &TControl::SetTop)
      .Integer("Width", &TControl::Width, &TControl::SetWidth)
      .Integer("Height", &TControl::Height, &TControl::SetHeight)
      .Enum("Align", &TControl::Align, &TControl::SetAlign,
            {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"}, alNone)
      .Set("Anchors", &TControl::Anchors, &TControl::SetAnchors, {"akLeft", "akTop", "akRight", "akBottom"},
           TAnchors{akLeft, akTop})
      .Bool("AutoSize", &TControl::AutoSize, &TControl::SetAutoSize, false)
      .Object("Constraints", &TControl::Constraints, &TControl::SetConstraints)
      .String("Caption", &TControl::Caption, &TControl::SetCaption)
      .Integer("Color", &TControl::Color, &TControl::SetColor)
      .Idents(ColorToIdent, IdentToColor)
      .Stored([](TControl* c) { return !c->ParentColor(); })
      .Bool("ParentColor", &TControl::ParentColor, &TControl::SetParentColor, true)
      .Object("Font", &TControl::Font, &TControl::SetFont)
      .Stored([](TControl* c) { return !c->ParentFont(); })
      .Bool("ParentFont", &TControl::ParentFont, &TControl::SetParentFont, true)
      .Integer("Cursor", &TControl::Cursor, &TControl::SetCursor, crDefault)
      .Idents(CursorToIdent, IdentToCursor)
      .Bool("Enabled", &TControl::Enabled, &TControl::SetEnabled, true)
      .String("Hint", &TControl::Hint, &TControl::SetHint)
      .Bool("ShowHint", &TControl::ShowHint, &TControl::SetShowHint)
      .Stored([](TControl* c) { return !c->ParentShowHint(); })
      .Bool("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint, true)
      .Bool("Visible", &TControl::Visible, &TControl::SetVisible, true)
      .Component("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu)
      .Integer("HelpContext", &TControl::HelpContext, &TControl::SetHelpContext, 0)
      .Component("Action", &TControl::Action, &TControl::SetAction)
      .Enum("BiDiMode", &TControl::BiDiMode, &TControl::SetBiDiMode,
            {"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign", "bdRightToLeftReadingOnly"}, bdLeftToRight)
      .Stored([](TControl* c) { return !c->ParentBiDiMode(); })
      .Bool("ParentBiDiMode", &TControl::ParentBiDiMode, &TControl::SetParentBiDiMode, true)
      .Integer("DragCursor", &TControl::DragCursor, &TControl::SetDragCursor, crDrag)
      .Idents(CursorToIdent, IdentToCursor)
      .Enum("DragKind", &TControl::DragKind, &TControl::SetDragKind, {"dkDrag", "dkDock"}, dkDrag)
      .Enum("DragMode", &TControl::DragMode, &TControl::SetDragMode, {"dmManual", "dmAutomatic"}, dmManual)
      .Event("OnClick", &TControl::OnClick)
      .Event("OnDblClick", &TControl::OnDblClick)
      .Event("OnResize", &TControl::OnResize)
      .Event("OnMouseDown", &TControl::OnMouseDown)
      .Event("OnMouseMove", &TControl::OnMouseMove)
      .Event("OnMouseUp", &TControl::OnMouseUp)
      .Event("OnMouseEnter", &TControl::OnMouseEnter)
      .Event("OnMouseLeave", &TControl::OnMouseLeave)
      .Event("OnMouseWheel", &TControl::OnMouseWheel)
      .Event("OnMouseWheelDown", &TControl::OnMouseWheelDown)
      .Event("OnMouseWheelUp", &TControl::OnMouseWheelUp)
      .Event("OnCanResize", &TControl::OnCanResize)
      .Event("OnConstrainedResize", &TControl::OnConstrainedResize)
      .Event("OnContextPopup", &TControl::OnContextPopup);
}

VCL_PUBLISHED(TSizeConstraints, p) {
  p.Integer("MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight, 0)
      .Integer("MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth, 0)
      .Integer("MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight, 0)
      .Integer("MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth, 0);
}

}  // namespace vcl
