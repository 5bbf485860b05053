// Talking to windows and controls with the skinning message: senders, broadcasts down a tree
// of controls or windows, background colours, and the form, frame and geometry look-ups that
// the skin link and the painters share.
#pragma once

#include <cstdint>

#include "skin/engine/skin_types.h"
#include "vcl/controls/controls.h"
#include "vcl/controls/messages.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/win.h"

namespace vcl {
class TComponent;
class TCustomForm;
class TCustomFrame;
}  // namespace vcl

namespace skin {

class IacProviderOwner;

// ---- Sending SM_ALPHACMD (wParam = MAKEWPARAM(argument, command)) ----
inline WPARAM AlphaCmdParam(uint16_t command, uint16_t argument = 0) { return MAKEWPARAM(argument, command); }
LRESULT SendAlphaCmdWnd(HWND window, uint16_t command, LPARAM lParam);
// A windowed control through its window (0 while it is being destroyed or has none), a
// windowless one through its dispatch.
LRESULT SendAlphaCmdCtrl(vcl::TControl* control, uint16_t command, LPARAM lParam);
inline LRESULT SendAlphaCodeCtrl(vcl::TControl* control, uint16_t command) {
  return SendAlphaCmdCtrl(control, command, 0);
}
// True exactly when the window answers the command with 1.
bool WndAnswersAlphaCmd(HWND window, uint16_t command);
// Tells the control's top-level form that a windowed skinnable control was created or loaded.
void SendControlLoaded(vcl::TControl* control);
// cmdRepaint to the container's children that are windowed, not being destroyed and showing;
// nothing while AnimationInProgress.
void SendRepaintToChildren(vcl::TWinControl* container);
// cmdRepaint to every child window (WS_CHILD) of the window, in z-order.
void SendRepaintToChildWindows(HWND window);
// Passes the message down the tree: windowless children and windows without a handle get it
// by Perform, skinned windows by SendMessage (they pass it on themselves), other windows by
// recursion. A child on its way out is skipped; its later siblings still get the message.
void PassMessageToChildControls(vcl::TWinControl* container, vcl::TMessage& message);
// Sends the message to every direct child window of the window.
void PassMessageToChildWindows(HWND window, const vcl::TMessage& message);
// cmdFastFlags with lParam 1 down the container's tree (as PassMessageToChildControls): each
// skinned child reads again whether it needs its parent's image to paint.
void SendFastFlagsReread(vcl::TWinControl* container);

// ---- Colours ----
// The colour behind a control's children: a skinned control's own answer, else its Color;
// 0xFF00FF for no control.
int32_t GetControlBgColor(vcl::TControl* control);
// The colour behind a window's children: a skinned window's answer; an unskinned window's
// class brush colour, or the button-face colour without one; 0xFF00FF for no window.
int32_t GetWindowBgColor(HWND window);

// ---- Tree and geometry ----
// False for no control, a windowed control without a window, one being created, read, loaded
// or destroyed, and one without a parent.
bool ControlReadyToPaint(vcl::TControl* control);
vcl::TCustomForm* GetOwnerForm(vcl::TComponent* component);
vcl::TCustomFrame* GetOwnerFrame(vcl::TComponent* component);
// DrawText flags for the alignment: DT_LEFT, DT_RIGHT or DT_CENTER with DT_EXPANDTABS and
// DT_VCENTER, and the control's reading order.
int32_t AlignToDrawTextFlags(vcl::TControl* control, vcl::TAlignment alignment);
// The client rectangle in window coordinates.
void GetClientRectInWindow(HWND window, vcl::TRect& rect);
// Heights (alTop, alBottom) or widths (alLeft, alRight) of the visible children of that align.
int32_t SumAlignedControlsSize(vcl::TWinControl* container, vcl::TAlign align, bool includeGraphic);
HWND GetTopParentWindow(HWND window);
void GetMouseCursorPos(vcl::TPoint& point);

// ---- Painting ----
// Paints the container's visible windowless children into the DC, shifted by the offset, each
// over what lies behind it. An empty clip box marks the container partly hidden instead.
void PaintGraphicControlsToDC(HDC dc, vcl::TWinControl* container, vcl::TPoint offset);
// Paints a control with all its windowed descendants into the bitmap at (x, y); an invisible
// control leaves its parent's background there.
void PaintControlToBitmap(vcl::TBitmap* bitmap, vcl::TControl* control, int32_t x, IacProviderOwner* provider,
                          int32_t y);

// The platform's theme switch, looked up at start-up; null when the library is missing.
using TSetWindowThemeFunc = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
extern HMODULE UxThemeLibrary;
extern TSetWindowThemeFunc SetWindowThemeFunc;

// A hidden popup window that show animations draw into: it never erases its background or
// paints a frame.
class TOutputWindow : public vcl::TCustomControl {
  VCL_CLASS(TOutputWindow, vcl::TCustomControl)
  explicit TOutputWindow(vcl::TComponent* owner);
  ~TOutputWindow() override;

 protected:
  void CreateParams(vcl::TCreateParams& params) override;
  void WndProc(vcl::TMessage& message) override;
};

}  // namespace skin
