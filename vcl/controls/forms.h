// Forms and scrolling containers.
//
// TScrollingWinControl scrolls its children with the window's own scroll bars
// (HorzScrollBar/VertScrollBar), growing the range to cover them when AutoScroll is on;
// TScrollBox is the bordered one placed on forms. TCustomFrame is a reusable container built
// from its own form data. TCustomForm is a top-level window: it is created empty (the
// constructor) and then, for a class of its own, filled from the form data of its class
// (NewForm<T> or Application->CreateForm), shown modeless (Show) or modal (ShowModal), keeps
// track of the focused control, offers Tab, Enter, Escape and the arrow keys to its controls,
// and closes through CloseQuery/OnClose with the action the handler chooses.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vcl/controls/controls.h"
#include "vcl/graphics/icon.h"
#include "vcl/controls/modalresult.h"

namespace vcl {

class TCustomForm;
class TMenuItem;

// ---- TControlScrollBar -----------------------------------------------------------------------

enum TScrollBarKind { sbHorizontal, sbVertical };
class TScrollingWinControl;

// One of the two scroll bars of a scrolling control: Range is the extent of the content,
// Position the part scrolled out of view at the left or top.
class TControlScrollBar : public TPersistent {
  VCL_CLASS(TControlScrollBar, TPersistent)
  TControlScrollBar(TScrollingWinControl* control, TScrollBarKind kind);

  void Assign(TPersistent* source) override;

  TScrollBarKind Kind() const { return kind_; }
  int Increment() const { return increment_; }
  void SetIncrement(int value);
  int Margin() const { return margin_; }
  void SetMargin(int value);
  int Position() const { return position_; }
  // Scrolls the children; the value is kept within 0 .. Range - the client size.
  void SetPosition(int value);
  int Range() const { return range_; }
  // Setting the range switches the control's AutoScroll off.
  void SetRange(int value);
  bool Tracking() const { return tracking_; }
  void SetTracking(bool value) { tracking_ = value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  bool Smooth() const { return smooth_; }
  void SetSmooth(bool value) { smooth_ = value; }
  // Whether the bar shows at present.
  bool IsScrollBarVisible();
  // The furthest position: Range - the client size, at least 0.
  int ScrollPos() const { return visible_ ? position_ : 0; }

  // Applies a WM_HSCROLL/WM_VSCROLL of the control's own bar.
  void ScrollMessage(TWMScroll& message);

 private:
  friend class TScrollingWinControl;
  void CalcAutoRange();
  int ControlSize(bool controlSB, bool assumeSB);
  bool NeedsScrollBarVisible();
  void DoSetRange(int value);
  void Update(bool controlSB, bool assumeSB);

  TScrollingWinControl* control_;
  TScrollBarKind kind_;
  int increment_ = 8;
  int margin_ = 0;
  int position_ = 0;
  int range_ = 0;
  int calcRange_ = 0;
  bool tracking_ = false;
  bool visible_ = true;
  bool smooth_ = false;
};

// ---- TScrollingWinControl, TScrollBox ------------------------------------------------------

class TScrollingWinControl : public TWinControl {
  VCL_CLASS(TScrollingWinControl, TWinControl)
  explicit TScrollingWinControl(TComponent* owner);
  ~TScrollingWinControl() override;

  TControlScrollBar* HorzScrollBar() const { return horzScrollBar_.get(); }
  TControlScrollBar* VertScrollBar() const { return vertScrollBar_.get(); }
  void SetHorzScrollBar(TControlScrollBar* value) { horzScrollBar_->Assign(value); }
  void SetVertScrollBar(TControlScrollBar* value) { vertScrollBar_->Assign(value); }
  bool AutoScroll() const { return autoScroll_; }
  void SetAutoScroll(bool value);
  // Scrolls so that the control (a child at any depth) is wholly in view, margins included.
  void ScrollInView(TControl* control);
  // Moves the window's content and every child by the deltas.
  void ScrollBy(int deltaX, int deltaY);
  void DisableAutoRange() { ++autoRangeCount_; }
  void EnableAutoRange();
  void Dispatch(TMessage& message) override;

 protected:
  friend class TControlScrollBar;
  friend class TCustomForm;

  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void AlignControls(TControl* control, TRect& rect) override;
  virtual bool AutoScrollEnabled();
  virtual void AutoScrollInView(TControl* control);
  void CalcAutoRange();
  void UpdateScrollBars();
  void ChangeScale(int multiplier, int divider) override;
  void WMSize(TWMSize& message) override;
  virtual void WMHScroll(TWMScroll& message);
  virtual void WMVScroll(TWMScroll& message);
  bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;

 private:
  std::unique_ptr<TControlScrollBar> horzScrollBar_;
  std::unique_ptr<TControlScrollBar> vertScrollBar_;
  bool autoScroll_ = true;
  bool updatingScrollBars_ = false;
  int autoRangeCount_ = 0;
};

class TScrollBox : public TScrollingWinControl {
  VCL_CLASS(TScrollBox, TScrollingWinControl)
  explicit TScrollBox(TComponent* owner);

  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CMCtl3DChanged(TMessage& message) override;

 private:
  TBorderStyle borderStyle_ = bsSingle;
};

// ---- TCustomFrame, TFrame ---------------------------------------------------------------------

class TCustomFrame : public TScrollingWinControl {
  VCL_CLASS(TCustomFrame, TScrollingWinControl)
  // An empty frame; NewFrame<T> fills a frame class of its own from its form data.
  explicit TCustomFrame(TComponent* owner);

  // Reads the form data of the frame's class (for a class of its own); raises EResNotFound
  // "Resource %s not found" when the class has none.
  virtual void AfterConstruction();
  void GetChildren(const TGetChildProc& proc, TComponent* root) override;
};

class TFrame : public TCustomFrame {
  VCL_CLASS(TFrame, TCustomFrame)
  explicit TFrame(TComponent* owner) : TCustomFrame(owner) {}
};

// Creates a frame of class T and reads its form data.
template <class T, class... Args>
T* NewFrame(Args&&... args) {
  return New<T>(std::forward<Args>(args)...);
}

// ---- TCustomForm, TForm ----------------------------------------------------------------------

enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TEnumSet<TBorderIcon, uint8_t>;
enum TPosition {
  poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
  poMainFormCenter, poOwnerFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
// How Tile lays out the children of an MDI form: one above the other, or side by side.
enum TTileMode { tbHorizontal, tbVertical };
enum TFormStateItem { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = TEnumSet<TFormStateItem, uint8_t>;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TScrollingWinControl {
  VCL_CLASS(TCustomForm, TScrollingWinControl)
  // An empty form (the platform's CreateNew): 320 x 240, sizeable, hidden. A form class with
  // form data is made with NewForm<T> or Application->CreateForm, which read it.
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;

  // Runs after construction (NewForm does it): reads the form data of the class when it has
  // its own (EResNotFound when there is none), fires OnCreate, and shows the form when the
  // form data made it visible.
  virtual void AfterConstruction();

  // ---- showing and closing
  void Show();
  void Hide() { SetVisible(false); }
  // Shows the form modally: every other window of the program is disabled until ModalResult
  // is set (by a button, Close, or the code), and the result is returned. Raises
  // EInvalidOperation "Cannot make a visible window modal" for a visible or disabled form.
  virtual int ShowModal();
  // Asks CloseQuery, then OnClose for the action: caHide hides, caFree releases, caMinimize
  // minimises; closing the main form ends the program. A modal form only sets ModalResult.
  void Close();
  virtual bool CloseQuery();
  // Frees the form once the messages now queued for it are handled.
  void Release();

  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult value) { modalResult_ = value; }
  TFormState FormState() const { return formState_; }
  bool Active() const { return active_; }

  // ---- focus
  TWinControl* ActiveControl() const { return activeControl_; }
  // Raises EInvalidOperation "Cannot focus a disabled or invisible window" for a control that
  // is not on this form or cannot take the focus.
  void SetActiveControl(TWinControl* control);
  void FocusControl(TWinControl* control);
  void DefocusControl(TWinControl* control, bool removing);
  // Records that the control got the focus: fires CM_DEACTIVATE/CM_ACTIVATE between forms,
  // CM_EXIT and CM_ENTER along the way, and CM_FOCUSCHANGED. False when a handler moved the
  // focus elsewhere meanwhile.
  bool SetFocusedControl(TWinControl* control);
  void SetFocus() override;
  bool CanFocus() override { return Visible() && Enabled(); }
  // Tells the active control that a press elsewhere starts (CM_CANCELMODE).
  void SendCancelMode(TControl* sender);
  // Runs the item of the form's main menu whose shortcut the key is; true when one ran. The
  // focused control asks it for every key before the key goes anywhere else.
  virtual bool IsShortCut(TWMKey& message);
  void MouseWheelHandler(TMessage& message) override;
  // Lets the actions of the form's visible controls update themselves (the idle loop calls it
  // for visible, enabled forms).
  virtual void UpdateActions();

  // ---- frame and placement
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle value);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons value);
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle value);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition value) { position_ = value; }
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState value);
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool value) { keyPreview_ = value; }
  int PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int value);
  bool Scaled() const { return scaled_; }
  void SetScaled(bool value);
  TMainMenu* Menu() const { return menu_; }
  void SetMenu(TMainMenu* value);
  // ---- MDI (forms_mdi.cpp)
  // An MDI form (fsMDIForm) hosts its children in a client window of the platform's MDI
  // class, which fills the client area left by the aligned controls; an MDI child (fsMDIChild)
  // lives in the client window of the application's MDI form. The client window of an MDI
  // form, 0 for other forms or before the form has its window.
  HWND ClientHandle() const { return clientHandle_; }
  // The child the MDI client shows as active, nullptr when none (or not an MDI form).
  TCustomForm* ActiveMDIChild() const;
  // The MDI children, the active one first, then down the z-order.
  int MDIChildCount() const;
  TCustomForm* MDIChildren(int index) const;
  TTileMode TileMode() const { return tileMode_; }
  void SetTileMode(TTileMode value) { tileMode_ = value; }
  // Arrange the children (MDI forms only; nothing otherwise).
  void Tile();
  void Cascade();
  void ArrangeIcons();
  // Activate the next or the previous child in the z-order.
  void Next();
  void Previous();
  // The menu item whose submenu lists the children (the window menu), nullptr for none.
  TMenuItem* WindowMenu() const { return windowMenu_; }
  void SetWindowMenu(TMenuItem* value);
  // The form's caption-bar icon; an empty one shows the application's.
  TIcon* Icon() const { return icon_.get(); }
  void SetIcon(TIcon* value);
  // The whole window translucent: AlphaBlendValue 0 (clear) to 255 (opaque).
  bool AlphaBlend() const { return alphaBlend_; }
  void SetAlphaBlend(bool value);
  uint8_t AlphaBlendValue() const { return alphaBlendValue_; }
  void SetAlphaBlendValue(uint8_t value);
  // The canvas of the form's client area (bound while it paints).
  TCanvas* Canvas() const { return canvas_.get(); }
  // For a frame painter that draws the caption itself in WM_NCPAINT (from a link in the form's
  // WindowProc): the platform's default procedure draws the caption straight onto the window,
  // with no WM_NCPAINT, when the text changes (WM_SETTEXT) and when the form is activated or
  // deactivated (WM_NCACTIVATE), over the painter's caption. While this is set the form handles
  // both without that drawing and then sends itself WM_NCPAINT, so that the painter draws anew.
  bool OwnerDrawnFrame() const { return ownerDrawnFrame_; }
  void SetOwnerDrawnFrame(bool value) { ownerDrawnFrame_ = value; }

  void SetVisible(bool value);
  void Dispatch(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  void GetChildren(const TGetChildProc& proc, TComponent* root) override;
  // "TextHeight": kept from form data and written back.
  void DefineProperties(TFiler* filer) override;

  // Form data gives a form its client size; while it is read the size waits for the frame.
  int StoredClientWidth();
  int StoredClientHeight();
  void SetStoredClientWidth(int value);
  void SetStoredClientHeight(int value);
  // Kept for form data that carries it; the order of OnCreate is always after reading.
  bool OldCreateOrder() const { return oldCreateOrder_; }
  void SetOldCreateOrder(bool value) { oldCreateOrder_ = value; }

  // ---- events
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

 protected:
  friend class TApplication;
  friend class TScreen;
  friend class TWinControl;

  void Loaded() override;
  void ReadState(TReader* reader) override;
  void Notification(TComponent* component, TOperation operation) override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void PaintWindow(HDC dc) override;
  virtual void Paint();
  virtual void Activate();
  virtual void Deactivate();
  virtual void DoCreate();
  virtual void DoDestroy();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& action);
  void VisibleChanging() override;
  void SetActive(bool value);
  void SetWindowFocus();
  // What ShowModal does when ModalResult became non-zero: asks CloseQuery and OnClose.
  void CloseModal();

  void WMPaint(TWMPaint& message) override;
  void WMSize(TWMSize& message) override;
  void CMShowingChanged(TMessage& message) override;
  void CMDialogKey(TCMDialogKey& message) override;
  virtual void WMActivate(TWMActivate& message);
  virtual void WMClose(TWMClose& message);
  virtual void WMQueryEndSession(TWMQueryEndSession& message);
  virtual void WMGetMinMaxInfo(TWMGetMinMaxInfo& message);
  virtual void WMMenuMessage(TMessage& message);
  // An MDI child hears that it became (or stopped being) the active child.
  virtual void WMMDIActivate(TMessage& message);
  virtual void CMActivate(TMessage& message);
  virtual void CMDeactivate(TMessage& message);
  virtual void CMRelease(TMessage& message);
  // The main form's minimise minimises the application (forms_actions.cpp).
  virtual void WMSysCommand(TMessage& message);
  // An action looking for a target: the active control, the form, then its other controls.
  virtual void CMActionExecute(TMessage& message);
  virtual void CMActionUpdate(TMessage& message);

 private:
  void ApplyPosition();
  // Gives the window the form's icon, or the application's.
  void UpdateIcon();
  // Makes the window layered with the blend value, or plain again.
  void UpdateLayered();
  void ApplyScaling();
  // MDI helpers (forms_mdi.cpp).
  static TCustomForm* FindMDIForm();
  static WNDPROC MDIFrameDefaultProc();
  void CreateMDIClient();
  void DestroyMDIClient();
  void AlignMDIClient(const TRect& rect);
  void MDIChildCreateParams(TCreateParams& params);
  void ActivateMDIChild();
  void UpdateMDIMenu();
  void MergeMenuIntoMDIForm(bool merge);
  TCustomForm* MDIFormOfChild() const;
  bool IsActiveMDIChild() const;
  HWND MDIChildWindow(int index) const;
  void AlignControls(TControl* control, TRect& rect) override;
  void CreateWindowHandle(const TCreateParams& params) override;
  void DestroyWindowHandle() override;

  std::unique_ptr<TControlCanvas> canvas_;
  TWinControl* activeControl_ = nullptr;
  TWinControl* focusedControl_ = nullptr;
  TMainMenu* menu_ = nullptr;
  TMenuItem* windowMenu_ = nullptr;
  HWND clientHandle_ = nullptr;
  TTileMode tileMode_ = tbHorizontal;
  std::unique_ptr<TIcon> icon_;
  TFormBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
  TFormStyle formStyle_ = fsNormal;
  TPosition position_ = poDesigned;
  TWindowState windowState_ = wsNormal;
  TFormState formState_;
  TModalResult modalResult_ = mrNone;
  int pixelsPerInch_;
  // The resolution form data was written at, applied (scaling) once the form is read.
  int readPixelsPerInch_ = 0;
  int textHeight_ = 0;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  bool oldCreateOrder_ = false;
  bool alphaBlend_ = false;
  uint8_t alphaBlendValue_ = 255;
  bool scaled_ = true;
  bool keyPreview_ = false;
  bool active_ = false;
  bool ownerDrawnFrame_ = false;
};

class TForm : public TCustomForm {
  VCL_CLASS(TForm, TCustomForm)
  explicit TForm(TComponent* owner) : TCustomForm(owner) {}
};

// Creates a form of class T (its constructor takes the owner) and reads its form data.
template <class T, class... Args>
T* NewForm(Args&&... args) {
  return New<T>(std::forward<Args>(args)...);
}

// Disables every visible, enabled top-level window of this thread except `activeWindow`, and
// returns them so that EnableTaskWindows can give them back.
std::vector<HWND> DisableTaskWindows(HWND activeWindow);
void EnableTaskWindows(const std::vector<HWND>& windows);

}  // namespace vcl
