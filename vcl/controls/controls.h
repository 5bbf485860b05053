// Controls: the visual components of the library and the tree they form on a form.
//
// TControl is anything placed on a parent: it has bounds, colour, font, text, alignment and
// mouse events, and a message procedure (WindowProc, a chain that other code links into to
// subclass a control) that dispatches the platform's and the library's messages to handler
// methods. TGraphicControl has no window of its own: its parent paints it and hands it the
// mouse messages that fall on it. TWinControl owns a real window: it registers a window class
// named after its class, creates the window on demand from CreateParams, routes the window's
// messages into WindowProc, lays its children out (Align, Anchors), and reflects the
// notifications of its child windows back to them (CN_*). TCustomControl is a windowed control
// that paints itself on its Canvas.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "vcl/graphics/canvas.h"
#include "vcl/graphics/colours.h"
#include "vcl/classes/component.h"
#include "vcl/graphics/gdiobjects.h"
#include "vcl/controls/messages.h"
#include "vcl/controls/window_proc_chain.h"
#include "vcl/runtime/win.h"

namespace vcl {

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;
class TControlCanvas;
class TBasicAction;
class TControlActionLink;

// A small set of enumeration values kept as bits (element i is bit i).
template <class E, class B = uint32_t>
class TEnumSet {
 public:
  using Bits_t = B;
  constexpr TEnumSet() = default;
  constexpr TEnumSet(std::initializer_list<E> items) {
    for (E item : items) bits_ |= Bit(item);
  }
  constexpr bool Contains(E item) const { return (bits_ & Bit(item)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TEnumSet& Include(E item) { bits_ |= Bit(item); return *this; }
  constexpr TEnumSet& Exclude(E item) { bits_ &= static_cast<B>(~Bit(item)); return *this; }
  constexpr B Bits() const { return bits_; }
  static constexpr TEnumSet FromBits(B bits) { TEnumSet s; s.bits_ = bits; return s; }
  friend constexpr TEnumSet operator+(TEnumSet a, TEnumSet b) { return FromBits(a.bits_ | b.bits_); }
  friend constexpr TEnumSet operator-(TEnumSet a, TEnumSet b) { return FromBits(a.bits_ & ~b.bits_); }
  friend constexpr TEnumSet operator*(TEnumSet a, TEnumSet b) { return FromBits(a.bits_ & b.bits_); }
  friend constexpr bool operator==(TEnumSet a, TEnumSet b) { return a.bits_ == b.bits_; }

 private:
  static constexpr B Bit(E item) { return static_cast<B>(B(1) << static_cast<int>(item)); }
  B bits_ = 0;
};

// ---- Enumerations and small types ------------------------------------------------------------

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TEnumSet<TAnchorKind, uint8_t>;

// What a control can do (ControlStyle).
enum TControlStyleItem {
  csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents, csFramed, csSetCaption,
  csOpaque, csDoubleClicks, csFixedWidth, csFixedHeight, csNoDesignVisible, csReplicatable,
  csNoStdEvents, csDisplayDragImage, csReflector, csActionClient, csMenuEvents,
  csNeedsBorderPaint, csParentBackground
};
using TControlStyle = TEnumSet<TControlStyleItem>;

// What a control is doing at the moment (ControlState).
enum TControlStateItem {
  csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded, csFocusing, csCreating,
  csPaintCopy, csCustomPaint, csDestroyingHandle, csDocking
};
using TControlState = TEnumSet<TControlStateItem>;

// Keys and buttons held during a mouse or key event.
enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TEnumSet<TShiftStateItem, uint16_t>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Cursors by number: the built-in ones are negative, a program registers its own under
// positive numbers in Screen->Cursors.
using TCursor = int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crSize = -22;
bool CursorToIdent(int32_t cursor, std::string& ident);
bool IdentToCursor(const std::string& ident, int32_t& cursor);

// Frame styles of forms; scroll boxes and other bordered controls use bsNone and bsSingle.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;

// Bevels of framed controls (panels).
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

using TCaption = std::string;

// Where a text sits in its box; for check boxes, which side of the box the text is on.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
// Reading order and layout of a control's text. Right-to-left modes take effect only under
// middle-eastern system locales (see IsRightToLeft); here they are kept and passed on.
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
// Whether pressing the mouse on a control starts dragging it, and what dragging does. Drag
// and drop itself is not offered: the properties are kept for form data and code that reads them.
enum TDragMode { dmManual, dmAutomatic };
enum TDragKind { dkDrag, dkDock };

// Controls get the platform's 3-D look (client edges rather than plain borders).
inline bool NewStyleControls = true;

// ---- Events ----------------------------------------------------------------------------------

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TMouseWheelEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent = std::function<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
using TCanResizeEvent = std::function<void(TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize)>;
using TConstrainedResizeEvent =
    std::function<void(TObject* Sender, int& MinWidth, int& MinHeight, int& MaxWidth, int& MaxHeight)>;
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;

// An action offered to an action list or the application: Handled true takes it.
using TActionEvent = std::function<void(TBasicAction* Action, bool& Handled)>;

// Menus plug in here: controls and forms know them only through these calls, which the menus
// unit sets. PopupMenu shows a control's popup menu at a screen point (true when shown);
// MenuHandle gives a form's menu bar; FormMessage offers a form the menu messages of its
// window (WM_COMMAND from a menu, WM_INITMENUPOPUP, WM_MENUSELECT, WM_MENUCHAR, and
// WM_DRAWITEM/WM_MEASUREITEM of menu items), true when the menu took it.
class TMainMenu;
struct TMenuHooks {
  bool (*PopupMenu)(TPopupMenu* menu, TControl* sender, const TPoint& screenPos) = nullptr;
  HMENU (*MenuHandle)(TMainMenu* menu) = nullptr;
  bool (*FormMessage)(TCustomForm* form, TMessage& message) = nullptr;
};
extern TMenuHooks MenuHooks;

// ---- Shift states ----------------------------------------------------------------------------

// From the key flags of a mouse message (MK_*).
TShiftState KeysToShiftState(WORD keys);
// From the key data of a key message, with the live state of Shift and Ctrl.
TShiftState KeyDataToShiftState(LPARAM keyData);
// From GetKeyboardState's table.
TShiftState KeyboardStateToShiftState(const BYTE* keyboardState);
// From the keyboard as it is now.
TShiftState KeyboardStateToShiftState();

// The parts of a hint text "short|long"; a hint without '|' is both.
std::string GetShortHint(const std::string& hint);
std::string GetLongHint(const std::string& hint);

// ---- TSizeConstraints ------------------------------------------------------------------------

// Limits on a control's size; 0 means no limit. A change makes the control apply them.
class TSizeConstraints : public TPersistent {
  VCL_CLASS(TSizeConstraints, TPersistent)
  explicit TSizeConstraints(TControl* control) : control_(control) {}

  void Assign(TPersistent* source) override;

  int MaxHeight() const { return maxHeight_; }
  int MaxWidth() const { return maxWidth_; }
  int MinHeight() const { return minHeight_; }
  int MinWidth() const { return minWidth_; }
  // A negative value raises EInvalidArgument; a minimum above the maximum raises the maximum,
  // a maximum below the minimum lowers the minimum.
  void SetMaxHeight(int value);
  void SetMaxWidth(int value);
  void SetMinHeight(int value);
  void SetMinWidth(int value);
  TControl* Control() const { return control_; }

  TNotifyEvent OnChange;

 protected:
  virtual void Change();

 private:
  TControl* control_;
  int maxHeight_ = 0, maxWidth_ = 0, minHeight_ = 0, minWidth_ = 0;
};

// ---- TControl --------------------------------------------------------------------------------

class TControl : public TComponent {
  VCL_CLASS(TControl, TComponent)
  explicit TControl(TComponent* owner);
  ~TControl() override;

  // ---- place in the tree
  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* value) override;

  // ---- bounds (in the parent's client coordinates)
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
  void SetTop(int value) { SetBounds(left_, value, width_, height_); }
  void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
  void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
  // Moves and sizes the control at once; the size is first checked against the constraints,
  // AutoSize and OnCanResize.
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); }
  // The client area in its own coordinates (the whole control for a graphic control).
  virtual TRect ClientRect();
  int ClientWidth() { return ClientRect().right; }
  int ClientHeight() { return ClientRect().bottom; }
  void SetClientWidth(int value);
  void SetClientHeight(int value);
  // Screen position of the client area's top-left corner.
  virtual TPoint ClientOrigin();
  TPoint ClientToScreen(const TPoint& point);
  TPoint ScreenToClient(const TPoint& point);

  // ---- visibility and state
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  void Show();
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool value);

  // ---- appearance
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool value);
  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* value);
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool value);
  // The text: a windowed control keeps it in its window while it has one.
  std::string Caption() { return GetText(); }
  void SetCaption(const std::string& value) { SetText(value); }
  std::string Text() { return GetText(); }
  void SetText(const std::string& value);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& value) { hint_ = value; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool value);
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool value);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value);
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* value);

  // ---- layout
  TAlign Align() const { return align_; }
  void SetAlign(TAlign value);
  TAnchors Anchors() const { return anchors_; }
  void SetAnchors(TAnchors value);
  TSizeConstraints* Constraints() const { return constraints_.get(); }
  void SetConstraints(TSizeConstraints* value) { constraints_->Assign(value); }
  bool AutoSize() const { return autoSize_; }
  virtual void SetAutoSize(bool value);

  TControlStyle ControlStyle() const { return controlStyle_; }
  void SetControlStyle(TControlStyle value) { controlStyle_ = value; }
  TControlState ControlState() const { return controlState_; }
  void SetControlState(TControlState value) { controlState_ = value; }

  // ---- painting
  // Marks the control for repainting (a graphic control: its rectangle in the parent).
  virtual void Invalidate();
  // Paints what is pending now.
  virtual void Update();
  // Paints the control now.
  virtual void Repaint();
  void Refresh() { Repaint(); }
  void BringToFront() { SetZOrder(true); }
  void SendToBack() { SetZOrder(false); }
  // Moves the control to the top (last painted) or the bottom of its parent's children.
  virtual void SetZOrder(bool topMost);

  // ---- messages
  // Sends a message straight into WindowProc and returns its Result.
  LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);
  // Where every message of the control goes first: the chain of procedures that subclass the
  // control, ending in WndProc (see window_proc_chain.h).
  TWindowProcChain WindowProc;
  // The control's own message procedure (the initial WindowProc): pre-processing of mouse and
  // keyboard messages, then Dispatch.
  virtual void WndProc(TMessage& message);
  // Calls the handler of the message's number, or DefaultHandler when there is none.
  virtual void Dispatch(TMessage& message);
  // What happens to a message nobody handles.
  virtual void DefaultHandler(TMessage& message);

  // ---- mouse
  bool MouseCapture();
  void SetMouseCapture(bool value);

  // ---- text helpers
  int GetTextLen();
  std::string GetTextBuf();

  // ---- actions of the user
  virtual void Click();
  virtual void DblClick();

  // ---- events
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnResize;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TMouseWheelEvent OnMouseWheel;
  TMouseWheelUpDownEvent OnMouseWheelDown;
  TMouseWheelUpDownEvent OnMouseWheelUp;
  TCanResizeEvent OnCanResize;
  TConstrainedResizeEvent OnConstrainedResize;
  TContextPopupEvent OnContextPopup;

  // Whether the point (client coordinates) belongs to the control for the mouse.
  bool IsHitTestVisible(const TPoint& clientPoint);

  // The device context of the control's surface for painting outside WM_PAINT: a graphic
  // control's is its parent's, moved to the control and clipped to it. The caller releases it
  // with ReleaseDC on `windowHandle`.
  virtual HDC GetDeviceContext(HWND& windowHandle);

  // Right-to-left layout and reading belong to middle-eastern system locales, which this
  // program does not run under: text is laid out left to right, and DrawText flags pass
  // through unchanged.
  bool IsRightToLeft() const { return false; }
  bool UseRightToLeftAlignment() const { return false; }
  bool UseRightToLeftReading() const { return false; }
  int DrawTextBiDiModeFlags(int flags) const { return flags | DrawTextBiDiModeFlagsReadingOnly(); }
  int DrawTextBiDiModeFlagsReadingOnly() const { return UseRightToLeftReading() ? DT_RTLREADING : 0; }

  // The help topic of the control (kept for form data; there is no help system here).
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int value) { helpContext_ = value; }

  // Applies a scale (multiplier / divider) to bounds and font, as a form read at another
  // resolution does.
  void ScaleBy(int multiplier, int divider);

  // A control whose caption shows its name follows a rename.
  void SetName(const std::string& newName) override;

  // ---- actions, reading order, dragging (controls_actions.cpp)
  // The action whose caption, enabled state, hint and visibility the control shows; clicking
  // the control executes it.
  TBasicAction* Action() const;
  void SetAction(TBasicAction* value);
  TControlActionLink* ActionLink() const { return actionLink_.get(); }
  // Lets the action bring itself up to date (its OnUpdate); the idle loop calls it.
  virtual void InitiateAction();
  // For actions that work on a target: true when the action took this control as one.
  virtual bool UpdateAction(TBasicAction* action);
  virtual bool ExecuteAction(TBasicAction* action);
  TBiDiMode BiDiMode() const { return biDiMode_; }
  void SetBiDiMode(TBiDiMode value);
  bool ParentBiDiMode() const { return parentBiDiMode_; }
  void SetParentBiDiMode(bool value);
  TDragMode DragMode() const { return dragMode_; }
  void SetDragMode(TDragMode value) { dragMode_ = value; }
  TDragKind DragKind() const { return dragKind_; }
  void SetDragKind(TDragKind value) { dragKind_ = value; }
  TCursor DragCursor() const { return dragCursor_; }
  void SetDragCursor(TCursor value) { dragCursor_ = value; }
  // The side its controls (a check box's box) sit on: left-justified by default.
  virtual TAlignment GetControlsAlignment() { return taLeftJustify; }

 protected:
  friend class TWinControl;
  friend class TSizeConstraints;
  friend class TApplication;
  friend class TCustomForm;
  friend class TScrollingWinControl;

  void Loaded() override;
  void ReadState(TReader* reader) override;
  void Notification(TComponent* component, TOperation operation) override;

  // ---- overridable behaviour
  virtual std::string GetText();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos);
  virtual bool DoMouseWheelDown(TShiftState shift, TPoint mousePos);
  virtual bool DoMouseWheelUp(TShiftState shift, TPoint mousePos);
  // Offers a wheel message to the control and then to its parents until one handles it.
  virtual void MouseWheelHandler(TMessage& message);
  virtual void DoContextPopup(TPoint mousePos, bool& handled);
  virtual bool CanAutoSize(int& newWidth, int& newHeight);
  virtual bool CanResize(int& newWidth, int& newHeight);
  virtual void ConstrainedResize(int& minWidth, int& minHeight, int& maxWidth, int& maxHeight);
  // Resizes the control to its content when AutoSize is set.
  virtual void AdjustSize();
  // Runs after every change of size: fires OnResize.
  virtual void Resize();
  // Asks the parent to lay its children out again.
  virtual void RequestAlign();
  virtual void ChangeScale(int multiplier, int divider);
  virtual void VisibleChanging() {}
  virtual void ConstraintsChanged();
  virtual bool GetEnabledForPaint() { return enabled_; }
  // The popup menu the control shows on a context click.
  virtual TPopupMenu* GetPopupMenu() { return popupMenu_; }
  // Invalidates the control's rectangle in the parent (erasing unless it is opaque).
  void InvalidateControl(bool isVisible, bool isOpaque);
  // Records the anchors' distances after a move that was not made by the layout.
  void UpdateAnchorRules();
  // Checks a new size; false leaves the bounds as they are.
  bool CheckNewSize(int& newWidth, int& newHeight);
  void DoConstrainedResize(int& newWidth, int& newHeight);
  // Puts the control at `order` among its parent's children of the same kind.
  virtual void SetZOrderPosition(int position);
  // Moves the focus away when this control is hidden, disabled or removed.
  void SendCancelMode(TControl* sender);

  // ---- message handlers
  virtual void WMLButtonDown(TWMMouse& message);
  virtual void WMLButtonDblClk(TWMMouse& message);
  virtual void WMLButtonUp(TWMMouse& message);
  virtual void WMRButtonDown(TWMMouse& message);
  virtual void WMRButtonDblClk(TWMMouse& message);
  virtual void WMRButtonUp(TWMMouse& message);
  virtual void WMMButtonDown(TWMMouse& message);
  virtual void WMMButtonDblClk(TWMMouse& message);
  virtual void WMMButtonUp(TWMMouse& message);
  virtual void WMMouseMove(TWMMouse& message);
  virtual void WMMouseWheel(TWMMouseWheel& message);
  virtual void WMCancelMode(TWMCancelMode& message);
  virtual void WMWindowPosChanged(TWMWindowPosMsg& message);
  virtual void WMContextMenu(TWMContextMenu& message);
  virtual void CMVisibleChanged(TMessage& message);
  virtual void CMEnabledChanged(TMessage& message);
  virtual void CMFontChanged(TMessage& message);
  virtual void CMColorChanged(TMessage& message);
  virtual void CMParentFontChanged(TMessage& message);
  virtual void CMParentColorChanged(TMessage& message);
  virtual void CMParentShowHintChanged(TMessage& message);
  virtual void CMHitTest(TCMHitTest& message);
  virtual void CMMouseEnter(TMessage& message);
  virtual void CMMouseLeave(TMessage& message);
  virtual void CMMouseWheel(TCMMouseWheel& message);
  virtual void CMTextChanged(TMessage& message) {}
  virtual void CMHintShow(TMessage& message) {}
  virtual void CMBiDiModeChanged(TMessage& message);
  virtual void CMParentBiDiModeChanged(TMessage& message);

  // Tells the control that its value changed: CM_CHANGED, lParam the control.
  void Changed();
  // Takes the action's properties; with checkDefaults (while loading) only into properties
  // still at their defaults.
  virtual void ActionChange(TObject* sender, bool checkDefaults);
  // The link a control of this class keeps to its action.
  virtual std::unique_ptr<TControlActionLink> CreateActionLink();

  void DoMouseDown(TWMMouse& message, TMouseButton button, TShiftState shift);
  void DoMouseUp(TWMMouse& message, TMouseButton button);

  // Fields a subclass may read directly, as the platform's classes do.
  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TControlStyle controlStyle_{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  TControlState controlState_;
  std::string text_;
  TColor color_ = clWindow;

 private:
  void FontChanged(TObject* sender);
  void DoSetText(const std::string& value);

  bool visible_ = true;
  bool enabled_ = true;
  bool parentColor_ = true;
  bool parentFont_ = true;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  bool autoSize_ = false;
  bool anchorMove_ = false;
  int wheelAccumulator_ = 0;
  int helpContext_ = 0;
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TSizeConstraints> constraints_;
  std::string hint_;
  TCursor cursor_ = crDefault;
  TPopupMenu* popupMenu_ = nullptr;
  TAlign align_ = alNone;
  TAnchors anchors_{akLeft, akTop};
  // The anchors' reference: the parent's client size and the distances they keep.
  TPoint anchorRules_{0, 0};
  TPoint originalParentSize_{0, 0};
  std::unique_ptr<TControlActionLink> actionLink_;
  TBiDiMode biDiMode_ = bdLeftToRight;
  bool parentBiDiMode_ = true;
  TDragMode dragMode_ = dmManual;
  TDragKind dragKind_ = dkDrag;
  TCursor dragCursor_ = crDrag;
};

// ---- TWinControl -----------------------------------------------------------------------------

// What CreateWnd passes to CreateWindowEx; CreateParams fills it.
struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  void* Param = nullptr;
  WNDCLASSA WindowClass{};
  std::string WinClassName;
};

class TWinControl : public TControl {
  VCL_CLASS(TWinControl, TControl)
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // ---- the window
  // The window, created first when there is none (with its parents).
  HWND Handle();
  // The window when it exists, 0 otherwise; never creates it.
  HWND WindowHandle() const { return handle_; }
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded();
  // The platform window that is the parent of a control without a Parent.
  HWND ParentWindow() const { return parentWindow_; }
  void SetParentWindow(HWND value);
  // Destroys the window and makes it again (after a change that needs other creation
  // parameters); without a window nothing happens.
  void RecreateWnd();
  // True when the control and all its parents are visible and have windows.
  bool Showing() const { return showing_; }
  // The brush that erases the background (the control's Color).
  TBrush* Brush() const { return brush_.get(); }

  void SetParent(TWinControl* parent) override;
  void SetBounds(int left, int top, int width, int height) override;
  TRect ClientRect() override;
  TPoint ClientOrigin() override;
  HDC GetDeviceContext(HWND& windowHandle) override;
  void Invalidate() override;
  void Update() override;
  void Repaint() override;
  void SetZOrder(bool topMost) override;
  void DefaultHandler(TMessage& message) override;
  void WndProc(TMessage& message) override;
  void Dispatch(TMessage& message) override;

  // ---- children (graphic controls first, then windowed ones, each in z-order)
  int ControlCount() const { return static_cast<int>(controls_.size() + winControls_.size()); }
  TControl* Controls(int index) const;
  void InsertControl(TControl* control);
  // Makes a child visible to the user: a container that shows one child at a time (a page
  // control) switches to the page that holds it; others pass the request up.
  virtual void ShowControl(TControl* control);
  void RemoveControl(TControl* control);
  bool ContainsControl(TControl* control) const;
  // The visible (or, with allowDisabled, also disabled) child at the point (client
  // coordinates), topmost first; windowed children only with allowWinControls.
  TControl* ControlAtPos(const TPoint& pos, bool allowDisabled, bool allowWinControls = false);
  // The child control of that name, or nullptr.
  TControl* FindChildControl(const std::string& name) const;
  // Sends the message to every child (stops at the first that sets a Result).
  void Broadcast(TMessage& message);
  void NotifyControls(UINT msg);

  // ---- layout
  void DisableAlign();
  void EnableAlign();
  bool AlignDisabled() const { return alignLevel_ != 0; }
  // Runs `body` with the layout held back, then lays the children out once, also when the
  // body fails.
  template <class F>
  void WithAlignDisabled(F&& body) {
    DisableAlign();
    try {
      body();
    } catch (...) {
      EnableAlign();
      throw;
    }
    EnableAlign();
  }
  // Lays the children out now.
  void Realign();
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int value);

  // ---- look
  bool DoubleBuffered() const { return doubleBuffered_; }
  void SetDoubleBuffered(bool value) { doubleBuffered_ = value; }
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool value);
  bool ParentCtl3D() const { return parentCtl3D_; }
  void SetParentCtl3D(bool value);

  // ---- focus and keyboard
  int TabOrder() const;
  void SetTabOrder(int value);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool value);
  virtual void SetFocus();
  virtual bool CanFocus();
  virtual bool Focused();
  // The children in tab order, recursively.
  void GetTabOrderList(std::vector<TWinControl*>& list);
  // The next control after `current` that can take the focus (backwards with goForward false).
  TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent);
  void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);

  // ---- painting
  // Paints the control and its children onto `dc` with its top-left corner at (x, y).
  void PaintTo(HDC dc, int x, int y);
  void PaintTo(TCanvas* canvas, int x, int y) { PaintTo(canvas->Handle(), x, y); }
  // Paints the graphic children onto `dc`, from `first` on (all when nullptr).
  void PaintControls(HDC dc, TControl* first);

  // ---- events
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

  // Mirrors the children left to right (positions, left and right alignment and anchors),
  // and with allLevels their children too.
  virtual void FlipChildren(bool allLevels);

  void GetChildren(const TGetChildProc& proc, TComponent* root) override;
  // "DesignSize": the client size that the children's anchors were measured against.
  void DefineProperties(TFiler* filer) override;

 protected:
  friend class TControl;
  friend class TCustomForm;
  friend class TApplication;

  void Loaded() override;
  void ReadState(TReader* reader) override;

  // ---- creation of the window
  virtual void CreateParams(TCreateParams& params);
  // Takes over the window class of a standard control (BUTTON, EDIT, ...): its procedure
  // becomes the default handler of this control's windows.
  void CreateSubClass(TCreateParams& params, const char* controlClassName);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& params);
  virtual void CreateHandle();
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  void DestroyHandle();
  void UpdateBounds();
  void UpdateShowing();
  void UpdateControlState();
  // The window after which a new child window goes in z-order.
  HWND PrecedingWindow(TWinControl* control);

  // ---- layout
  virtual void AlignControls(TControl* control, TRect& rect);
  virtual void AdjustClientRect(TRect& rect);
  virtual void ControlsAligned() {}
  void AlignControl(TControl* control);
  static void MoveByLayout(TControl* control, int left, int top, int width, int height);
  void ChangeScale(int multiplier, int divider) override;
  void SetZOrderPosition(int position) override;
  bool CanAutoSize(int& newWidth, int& newHeight) override;
  void AdjustSize() override;
  void ConstraintsChanged() override;

  // ---- painting
  // The paint cycle: the window, then its graphic children in z-order.
  void PaintHandler(TWMPaint& message);
  // Paints the window's own content into `dc` (the default window procedure here).
  virtual void PaintWindow(HDC dc);

  // ---- keyboard
  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyUp(WORD& key, TShiftState shift);
  virtual void KeyPress(char& key);
  bool DoKeyDown(TWMKey& message);
  bool DoKeyUp(TWMKey& message);
  bool DoKeyPress(TWMKey& message);
  virtual void DoEnter();
  virtual void DoExit();
  // Removes the focus from this control (and its children) on its form.
  void RemoveFocus(bool removing);
  // Runs the menu item whose shortcut the key is: of a popup menu of the control or a parent,
  // or of the form's main menu. True when one ran.
  bool IsMenuKey(TWMKey& message);

  // ---- message handlers
  virtual void WMPaint(TWMPaint& message);
  virtual void WMEraseBkgnd(TWMEraseBkgnd& message);
  virtual void WMSize(TWMSize& message);
  virtual void WMMove(TWMMove& message);
  virtual void WMWindowPosChanging(TWMWindowPosMsg& message);
  void WMWindowPosChanged(TWMWindowPosMsg& message) override;
  virtual void WMCommand(TWMCommand& message);
  virtual void WMNotify(TWMNotify& message);
  virtual void WMReflected(TMessage& message);
  virtual void WMSetFocus(TWMSetFocus& message);
  virtual void WMKillFocus(TWMKillFocus& message);
  virtual void WMKeyDown(TWMKey& message);
  virtual void WMKeyUp(TWMKey& message);
  virtual void WMChar(TWMKey& message);
  virtual void WMSysKeyDown(TWMKey& message);
  virtual void WMSysKeyUp(TWMKey& message);
  virtual void WMSysChar(TWMKey& message);
  virtual void WMSetCursor(TWMSetCursor& message);
  virtual void WMNCDestroy(TWMNCDestroy& message);
  virtual void WMDestroy(TWMDestroy& message);
  virtual void WMMouseLeave(TMessage& message);
  void WMContextMenu(TWMContextMenu& message) override;
  virtual void WMPrintClient(TMessage& message);
  virtual void WMPrint(TMessage& message);
  virtual void CNKeyDown(TWMKey& message);
  virtual void CNKeyUp(TWMKey& message);
  virtual void CNChar(TWMKey& message);
  virtual void CNSysKeyDown(TWMKey& message);
  virtual void CNSysChar(TWMKey& message);
  virtual void CMShowingChanged(TMessage& message);
  void CMVisibleChanged(TMessage& message) override;
  void CMEnabledChanged(TMessage& message) override;
  void CMFontChanged(TMessage& message) override;
  void CMColorChanged(TMessage& message) override;
  virtual void CMCtl3DChanged(TMessage& message);
  virtual void CMParentCtl3DChanged(TMessage& message);
  virtual void CMDialogKey(TCMDialogKey& message);
  virtual void CMDialogChar(TCMDialogChar& message);
  virtual void CMFocusChanged(TCMFocusChanged& message);
  virtual void CMEnter(TMessage& message);
  virtual void CMExit(TMessage& message);
  virtual void CMInvalidate(TMessage& message);
  virtual void CMChildKey(TCMChildKey& message);
  virtual void CMSysColorChange(TMessage& message);
  virtual void CMRecreateWnd(TMessage& message);
  virtual void CMTabStopChanged(TMessage& message) {}
  virtual void CMShowHintChanged(TMessage& message);
  virtual void WMNCCalcSize(TWMNCCalcSize& message);
  virtual void WMNCPaint(TMessage& message);

  // The window procedure of the window class before this library took it over.
  WNDPROC DefWndProc() const { return defWndProc_; }
  // Moves every child to the mirrored place (FlipChildren does the alignments).
  virtual void DoFlipChildren();

 private:
  friend LRESULT CALLBACK ControlWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

  void Insert(TControl* control);
  void Remove(TControl* control);
  bool IsControlMouseMsg(TWMMouse& message);
  void InvalidateFrame();
  void DestroyChildControls();
  void FixupTabList();
  static bool ShowsInPaint(TControl* control);
  void TrackMouseLeave();

  HWND handle_ = nullptr;
  HWND parentWindow_ = nullptr;
  WNDPROC defWndProc_ = nullptr;
  std::vector<TControl*> controls_;     // graphic children, z-order
  std::vector<TWinControl*> winControls_;  // windowed children, z-order
  std::vector<TWinControl*> tabList_;   // windowed children in tab order
  std::unique_ptr<TBrush> brush_;
  int alignLevel_ = 0;
  int borderWidth_ = 0;
  bool showing_ = false;
  bool tabStop_ = false;
  bool ctl3D_ = true;
  bool parentCtl3D_ = true;
  bool doubleBuffered_ = false;
  bool trackingMouse_ = false;
  int tabOrder_ = -1;  // the tab order form data asked for, applied once the parent is read
  TPoint designSize_{0, 0};
};

// ---- TGraphicControl, TCustomControl, TControlCanvas -------------------------------------

// A canvas that draws on a control: bound to the control's DC on first use outside WM_PAINT,
// or to the paint DC while the control paints.
class TControlCanvas : public TCanvas {
  VCL_CLASS(TControlCanvas, TCanvas)
  TControlCanvas() = default;
  ~TControlCanvas() override;

  TControl* Control() const { return control_; }
  void SetControl(TControl* control);
  // Gives the DC back (the next drawing call gets a fresh one).
  void FreeHandle();
  // Right-to-left reading of the control's text.
  void UpdateTextFlags();

 protected:
  void CreateHandle() override;

 private:
  friend void FreeDeviceContexts(HWND wnd);
  TControl* control_ = nullptr;
  HDC deviceContext_ = nullptr;
  HWND windowHandle_ = nullptr;
};

// Binds a canvas to a DC for the length of a scope, locked meanwhile: a control paints its
// Canvas on the DC of a paint cycle this way.
class TCanvasBinding {
 public:
  TCanvasBinding(TCanvas* canvas, HDC dc);
  ~TCanvasBinding();
  TCanvasBinding(const TCanvasBinding&) = delete;
  TCanvasBinding& operator=(const TCanvasBinding&) = delete;

 private:
  TCanvas* canvas_;
};

// Sets a control state (csCustomPaint, csPaintCopy, ...) for the length of a scope.
class TControlStateScope {
 public:
  TControlStateScope(TControl* control, TControlStateItem item);
  ~TControlStateScope();
  TControlStateScope(const TControlStateScope&) = delete;
  TControlStateScope& operator=(const TControlStateScope&) = delete;

 private:
  TControl* control_;
  TControlStateItem item_;
};

// Releases the DCs that control canvases hold on a window (before it is destroyed); with 0,
// every cached DC.
void FreeDeviceContexts(HWND wnd);

// A control without a window: its parent paints it (Paint on Canvas) and passes it the mouse.
class TGraphicControl : public TControl {
  VCL_CLASS(TGraphicControl, TControl)
  explicit TGraphicControl(TComponent* owner);
  ~TGraphicControl() override;

  TCanvas* Canvas() const { return canvas_.get(); }
  void Dispatch(TMessage& message) override;

 protected:
  virtual void Paint() {}
  virtual void WMPaint(TWMPaint& message);

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};

// A windowed control that paints itself: Paint draws on Canvas during WM_PAINT.
class TCustomControl : public TWinControl {
  VCL_CLASS(TCustomControl, TWinControl)
  explicit TCustomControl(TComponent* owner);
  ~TCustomControl() override;

  TCanvas* Canvas() const { return canvas_.get(); }
  void Dispatch(TMessage& message) override;

 protected:
  virtual void Paint() {}
  void PaintWindow(HDC dc) override;
  void WMPaint(TWMPaint& message) override;

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};

// ---- The mouse -------------------------------------------------------------------------------

class TMouse {
 public:
  TPoint CursorPos() const;
  void SetCursorPos(const TPoint& pos);
  HWND Capture() const;
  void SetCapture(HWND wnd);
  bool WheelPresent() const;
  int WheelScrollLines() const;
};
extern TMouse* Mouse;

// ---- Finding controls ------------------------------------------------------------------------

// The control of this library that owns the window, or nullptr.
TControl* FindControl(HWND wnd);
inline bool IsVCLControl(HWND wnd) { return FindControl(wnd) != nullptr; }
// The windowed control under the screen point, or nullptr.
TWinControl* FindVCLWindow(const TPoint& pos);
// The control (windowed or not) under the screen point, or nullptr.
TControl* FindDragTarget(const TPoint& pos, bool allowDisabled);
// The form the control is on (its top-most parent when that is a form), or nullptr.
TCustomForm* GetParentForm(TControl* control);
// As GetParentForm, raising EInvalidOperation "Control '%s' has no parent form" when none.
TCustomForm* ValidParentForm(TControl* control);

// The control that holds the mouse: a graphic control when it captured through its parent.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* control);

}  // namespace vcl
