// The component library's own window messages and the message records its controls dispatch.
//
// CM_* messages travel between controls (a property changed, the mouse entered, a key is
// offered to the form); CN_* messages are notifications a parent reflects back to the child
// control that caused them (WM_COMMAND from a button arrives at the button as CN_COMMAND).
// Their numbers are fixed: skinning code and stored expectations compare them as numbers.
//
// A message record is a TMessage (number, wParam, lParam, Result) with typed accessors for the
// parameters of one message family; handlers take the record type and set Result.
#pragma once

#include <cstdint>

#include "vcl/runtime/win.h"

namespace vcl {

// ---- CM_*: the library's control messages, consecutive from CM_BASE ------------------------
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_GOTFOCUS = CM_BASE + 2;
constexpr UINT CM_LOSTFOCUS = CM_BASE + 3;
constexpr UINT CM_CANCELMODE = CM_BASE + 4;
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_HITTEST = CM_BASE + 10;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr UINT CM_CTL3DCHANGED = CM_BASE + 16;
constexpr UINT CM_PARENTCTL3DCHANGED = CM_BASE + 17;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_MENUCHANGED = CM_BASE + 21;
constexpr UINT CM_APPKEYDOWN = CM_BASE + 22;
constexpr UINT CM_APPSYSCOMMAND = CM_BASE + 23;
constexpr UINT CM_BUTTONPRESSED = CM_BASE + 24;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr UINT CM_ENTER = CM_BASE + 26;
constexpr UINT CM_EXIT = CM_BASE + 27;
constexpr UINT CM_DESIGNHITTEST = CM_BASE + 28;
constexpr UINT CM_ICONCHANGED = CM_BASE + 29;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 30;
constexpr UINT CM_INVOKEHELP = CM_BASE + 31;
constexpr UINT CM_WINDOWHOOK = CM_BASE + 32;
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 36;
constexpr UINT CM_WININICHANGE = CM_BASE + 37;
constexpr UINT CM_FONTCHANGE = CM_BASE + 38;
constexpr UINT CM_TIMECHANGE = CM_BASE + 39;
constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 40;
constexpr UINT CM_UIACTIVATE = CM_BASE + 41;
constexpr UINT CM_UIDEACTIVATE = CM_BASE + 42;
constexpr UINT CM_DOCWINDOWACTIVATE = CM_BASE + 43;
constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 44;
constexpr UINT CM_GETDATALINK = CM_BASE + 45;
constexpr UINT CM_CHILDKEY = CM_BASE + 46;
constexpr UINT CM_DRAG = CM_BASE + 47;
constexpr UINT CM_HINTSHOW = CM_BASE + 48;
constexpr UINT CM_DIALOGHANDLE = CM_BASE + 49;
constexpr UINT CM_ISTOOLCONTROL = CM_BASE + 50;
constexpr UINT CM_RECREATEWND = CM_BASE + 51;
constexpr UINT CM_INVALIDATE = CM_BASE + 52;
constexpr UINT CM_SYSFONTCHANGED = CM_BASE + 53;
constexpr UINT CM_CONTROLCHANGE = CM_BASE + 54;
constexpr UINT CM_CHANGED = CM_BASE + 55;
constexpr UINT CM_DOCKCLIENT = CM_BASE + 56;
constexpr UINT CM_UNDOCKCLIENT = CM_BASE + 57;
constexpr UINT CM_FLOAT = CM_BASE + 58;
constexpr UINT CM_BORDERCHANGED = CM_BASE + 59;
constexpr UINT CM_BIDIMODECHANGED = CM_BASE + 60;
constexpr UINT CM_PARENTBIDIMODECHANGED = CM_BASE + 61;
constexpr UINT CM_ALLCHILDRENFLIPPED = CM_BASE + 62;
constexpr UINT CM_ACTIONUPDATE = CM_BASE + 63;
constexpr UINT CM_ACTIONEXECUTE = CM_BASE + 64;
constexpr UINT CM_HINTSHOWPAUSE = CM_BASE + 65;
constexpr UINT CM_DOCKNOTIFICATION = CM_BASE + 66;
constexpr UINT CM_MOUSEWHEEL = CM_BASE + 67;
constexpr UINT CM_ISSHORTCUT = CM_BASE + 68;
// CM_BASE + 69 belongs to another windowing back end and is never sent here.
constexpr UINT CM_INVALIDATEDOCKHOST = CM_BASE + 70;
constexpr UINT CM_SETACTIVECONTROL = CM_BASE + 71;
constexpr UINT CM_POPUPHWNDDESTROY = CM_BASE + 72;
constexpr UINT CM_CREATEPOPUP = CM_BASE + 73;
constexpr UINT CM_DESTROYHANDLE = CM_BASE + 74;
constexpr UINT CM_MOUSEACTIVATE = CM_BASE + 75;
constexpr UINT CM_CONTROLLISTCHANGING = CM_BASE + 76;

// ---- CN_*: notifications reflected from the parent, WM_* + CN_BASE -----------------------
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_CHARTOITEM = CN_BASE + WM_CHARTOITEM;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_DELETEITEM = CN_BASE + WM_DELETEITEM;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_PARENTNOTIFY = CN_BASE + WM_PARENTNOTIFY;
constexpr UINT CN_VKEYTOITEM = CN_BASE + WM_VKEYTOITEM;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;

// ---- Message records -----------------------------------------------------------------------

// Every message as the controls see it. The typed records below add no data, only names for
// the packed parameters, so a TMessage converts to any of them and back without loss.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;

  TMessage() = default;
  TMessage(UINT msg, WPARAM wParam, LPARAM lParam) : Msg(msg), WParam(wParam), LParam(lParam) {}

  WORD WParamLo() const { return LOWORD(WParam); }
  WORD WParamHi() const { return HIWORD(WParam); }
  WORD LParamLo() const { return LOWORD(LParam); }
  WORD LParamHi() const { return HIWORD(LParam); }
};

// Builds a typed record from a plain one; the handler's changes are copied back by the caller.
template <class Rec>
Rec MessageAs(const TMessage& message) {
  Rec rec;
  static_cast<TMessage&>(rec) = message;
  return rec;
}

// Calls a handler that takes a typed record with a copy of the message, then copies the
// handler's changes (Result, and parameters it rewrote) back. The handler may free its own
// object: nothing here touches the object afterwards.
template <class Rec, class Obj, class Handler>
void CallMessageHandler(TMessage& message, Obj* obj, Handler handler) {
  Rec rec = MessageAs<Rec>(message);
  (obj->*handler)(rec);
  message = rec;
}

namespace message_detail {
inline int SignedLo(LPARAM v) { return static_cast<short>(LOWORD(v)); }
inline int SignedHi(LPARAM v) { return static_cast<short>(HIWORD(v)); }
}  // namespace message_detail

struct TWMNoParams : TMessage {};

// Mouse buttons and moves: key flags in wParam, client position as signed words in lParam.
struct TWMMouse : TMessage {
  UINT Keys() const { return static_cast<UINT>(WParam); }
  int XPos() const { return message_detail::SignedLo(LParam); }
  int YPos() const { return message_detail::SignedHi(LParam); }
  POINT Pos() const { return POINT{XPos(), YPos()}; }
};
using TWMLButtonDown = TWMMouse;
using TWMLButtonUp = TWMMouse;
using TWMLButtonDblClk = TWMMouse;
using TWMRButtonDown = TWMMouse;
using TWMRButtonUp = TWMMouse;
using TWMMButtonDown = TWMMouse;
using TWMMButtonUp = TWMMouse;
using TWMMouseMove = TWMMouse;

// The wheel: key flags and a signed delta (multiples of WHEEL_DELTA) in wParam, the cursor in
// screen coordinates in lParam.
struct TWMMouseWheel : TMessage {
  UINT Keys() const { return LOWORD(WParam); }
  int WheelDelta() const { return static_cast<short>(HIWORD(WParam)); }
  int XPos() const { return message_detail::SignedLo(LParam); }
  int YPos() const { return message_detail::SignedHi(LParam); }
};

// CM_MOUSEWHEEL: the same packing as the window message, with the library's shift state
// (TShiftState bits) in place of the key flags. Result non-zero means handled.
using TCMMouseWheel = TWMMouseWheel;

// Keys: virtual key (or character) in wParam, repeat count and flags in lParam.
struct TWMKey : TMessage {
  WORD CharCode() const { return static_cast<WORD>(WParam); }
  void SetCharCode(WORD code) { WParam = code; }
  LPARAM KeyData() const { return LParam; }
};
using TWMKeyDown = TWMKey;
using TWMKeyUp = TWMKey;
using TWMChar = TWMKey;
using TWMSysKeyDown = TWMKey;
using TWMSysKeyUp = TWMKey;
using TWMSysChar = TWMKey;
using TCMDialogKey = TWMKey;
using TCMDialogChar = TWMKey;
using TCMWantSpecialKey = TWMKey;

// CM_CHILDKEY: the key in wParam, the control that got it in lParam.
struct TCMChildKey : TMessage {
  WORD CharCode() const { return static_cast<WORD>(WParam); }
};

struct TWMPaint : TMessage {
  HDC DC() const { return reinterpret_cast<HDC>(WParam); }
};
struct TWMEraseBkgnd : TMessage {
  HDC DC() const { return reinterpret_cast<HDC>(WParam); }
};
struct TWMPrint : TMessage {
  HDC DC() const { return reinterpret_cast<HDC>(WParam); }
  UINT Flags() const { return static_cast<UINT>(LParam); }
};
struct TWMNCPaint : TMessage {
  HRGN RGN() const { return reinterpret_cast<HRGN>(WParam); }
};

struct TWMSize : TMessage {
  UINT SizeType() const { return static_cast<UINT>(WParam); }
  int Width() const { return LOWORD(LParam); }
  int Height() const { return HIWORD(LParam); }
};
struct TWMMove : TMessage {
  int XPos() const { return message_detail::SignedLo(LParam); }
  int YPos() const { return message_detail::SignedHi(LParam); }
};
struct TWMWindowPosMsg : TMessage {
  WINDOWPOS* WindowPos() const { return reinterpret_cast<WINDOWPOS*>(LParam); }
};
using TWMWindowPosChanged = TWMWindowPosMsg;
using TWMWindowPosChanging = TWMWindowPosMsg;
struct TWMGetMinMaxInfo : TMessage {
  MINMAXINFO* MinMaxInfo() const { return reinterpret_cast<MINMAXINFO*>(LParam); }
};
struct TWMNCCalcSize : TMessage {
  bool CalcValidRects() const { return WParam != 0; }
  NCCALCSIZE_PARAMS* CalcSize_Params() const { return reinterpret_cast<NCCALCSIZE_PARAMS*>(LParam); }
};
// WM_NCHITTEST and CM_HITTEST: a point as signed words in lParam (screen coordinates for the
// window message, client coordinates for CM_HITTEST).
struct TWMNCHitTest : TMessage {
  int XPos() const { return message_detail::SignedLo(LParam); }
  int YPos() const { return message_detail::SignedHi(LParam); }
};
using TCMHitTest = TWMNCHitTest;
using TCMDesignHitTest = TWMMouse;

struct TWMSetCursor : TMessage {
  HWND CursorWnd() const { return reinterpret_cast<HWND>(WParam); }
  int HitTest() const { return message_detail::SignedLo(LParam); }
  UINT MouseMsg() const { return HIWORD(LParam); }
};

struct TWMSetFocus : TMessage {
  HWND FocusedWnd() const { return reinterpret_cast<HWND>(WParam); }
};
struct TWMKillFocus : TMessage {
  HWND FocusedWnd() const { return reinterpret_cast<HWND>(WParam); }
};
struct TWMActivate : TMessage {
  UINT Active() const { return LOWORD(WParam); }
  bool Minimized() const { return HIWORD(WParam) != 0; }
  HWND ActiveWindow() const { return reinterpret_cast<HWND>(LParam); }
};
struct TWMActivateApp : TMessage {
  bool Active() const { return WParam != 0; }
};
struct TWMMouseActivate : TMessage {
  HWND TopLevel() const { return reinterpret_cast<HWND>(WParam); }
  int HitTestCode() const { return message_detail::SignedLo(LParam); }
  UINT MouseMsg() const { return HIWORD(LParam); }
};
struct TWMNCActivate : TMessage {
  bool Active() const { return WParam != 0; }
};

struct TWMCommand : TMessage {
  WORD ItemID() const { return LOWORD(WParam); }
  WORD NotifyCode() const { return HIWORD(WParam); }
  HWND Ctl() const { return reinterpret_cast<HWND>(LParam); }
};
struct TWMNotify : TMessage {
  WPARAM IDCtrl() const { return WParam; }
  NMHDR* NMHdr() const { return reinterpret_cast<NMHDR*>(LParam); }
};
struct TWMDrawItem : TMessage {
  UINT Ctl() const { return static_cast<UINT>(WParam); }
  DRAWITEMSTRUCT* DrawItemStruct() const { return reinterpret_cast<DRAWITEMSTRUCT*>(LParam); }
};
struct TWMMeasureItem : TMessage {
  UINT IDCtl() const { return static_cast<UINT>(WParam); }
  MEASUREITEMSTRUCT* MeasureItemStruct() const {
    return reinterpret_cast<MEASUREITEMSTRUCT*>(LParam);
  }
};
struct TWMDeleteItem : TMessage {
  DELETEITEMSTRUCT* DeleteItemStruct() const { return reinterpret_cast<DELETEITEMSTRUCT*>(LParam); }
};
struct TWMCompareItem : TMessage {
  COMPAREITEMSTRUCT* CompareItemStruct() const {
    return reinterpret_cast<COMPAREITEMSTRUCT*>(LParam);
  }
};
// WM_CTLCOLOR*: the child's DC in wParam, the child window in lParam; Result is the brush.
struct TWMCtlColor : TMessage {
  HDC ChildDC() const { return reinterpret_cast<HDC>(WParam); }
  HWND ChildWnd() const { return reinterpret_cast<HWND>(LParam); }
};
// WM_HSCROLL/WM_VSCROLL: the code and the 16-bit thumb position in wParam, the bar in lParam.
struct TWMScroll : TMessage {
  int ScrollCode() const { return static_cast<short>(LOWORD(WParam)); }
  int Pos() const { return static_cast<short>(HIWORD(WParam)); }
  HWND ScrollBar() const { return reinterpret_cast<HWND>(LParam); }
};
using TWMHScroll = TWMScroll;
using TWMVScroll = TWMScroll;

struct TWMTimer : TMessage {
  UINT_PTR TimerID() const { return WParam; }
};
struct TWMSetText : TMessage {
  const char* Text() const { return reinterpret_cast<const char*>(LParam); }
};
struct TWMGetText : TMessage {
  int TextMax() const { return static_cast<int>(WParam); }
  char* Text() const { return reinterpret_cast<char*>(LParam); }
};
struct TWMSysCommand : TMessage {
  UINT CmdType() const { return static_cast<UINT>(WParam); }
  int XPos() const { return message_detail::SignedLo(LParam); }
  int YPos() const { return message_detail::SignedHi(LParam); }
};
struct TWMContextMenu : TMessage {
  HWND hWnd() const { return reinterpret_cast<HWND>(WParam); }
  int XPos() const { return message_detail::SignedLo(LParam); }
  int YPos() const { return message_detail::SignedHi(LParam); }
};
struct TWMShowWindow : TMessage {
  bool Show() const { return WParam != 0; }
  int Status() const { return static_cast<int>(LParam); }
};
struct TWMGetDlgCode : TMessage {};
struct TWMClose : TMessage {};
struct TWMDestroy : TMessage {};
struct TWMNCDestroy : TMessage {};
struct TWMCancelMode : TMessage {};
struct TWMQueryEndSession : TMessage {};
struct TWMEnable : TMessage {
  bool Enabled() const { return WParam != 0; }
};
struct TWMSetFont : TMessage {
  HFONT Font() const { return reinterpret_cast<HFONT>(WParam); }
  bool Redraw() const { return LParam != 0; }
};
struct TWMParentNotify : TMessage {
  UINT Event() const { return LOWORD(WParam); }
  WORD ChildID() const { return HIWORD(WParam); }
  HWND ChildWnd() const { return reinterpret_cast<HWND>(LParam); }
  int XPos() const { return message_detail::SignedLo(LParam); }
  int YPos() const { return message_detail::SignedHi(LParam); }
};

class TControl;
class TWinControl;

// CM_ messages that carry the control concerned in lParam: CM_MOUSEENTER/CM_MOUSELEAVE (the
// child the mouse moved over, 0 for the control itself), CM_FOCUSCHANGED (the control that got
// the focus), CM_CANCELMODE (the control that asks), CM_BUTTONPRESSED, CM_CHILDKEY.
struct TCMSenderMessage : TMessage {
  TControl* Sender() const { return reinterpret_cast<TControl*>(LParam); }
};
using TCMFocusChanged = TCMSenderMessage;
using TCMCancelMode = TCMSenderMessage;
using TCMMouseEnterLeave = TCMSenderMessage;

// CM_CONTROLLISTCHANGE and CM_CONTROLCHANGE: the control in wParam, whether it is being
// inserted (rather than removed) in lParam.
struct TCMControlListChange : TMessage {
  TControl* Control() const { return reinterpret_cast<TControl*>(WParam); }
  bool Inserting() const { return LParam != 0; }
};
using TCMControlChange = TCMControlListChange;
using TCMEnter = TWMNoParams;
using TCMExit = TWMNoParams;

// Packs a point the way mouse messages carry it.
inline LPARAM PointToLParam(int x, int y) {
  return static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y))));
}

}  // namespace vcl
