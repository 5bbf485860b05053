// What every part of form skinning shares: the skinning commands that only form skinning uses,
// the title-button record and hit codes, and the settled names of things that different pieces
// of the toolkit call differently.
//
// Decisions that hold for the whole of form skinning:
// - The skin link of a provider or an adapter is TsCommonData with the engine's field names
//   (UpdatePending = "updating", ParentImageForced = "cache frozen", PaintFlags = "flag word").
//   Command 9 sets ParentImageForced; a provider renders its frame when it is set.
// - "The frame cache" / FrameCache is the provider's skin link's CacheBitmap. "The cached frame
//   bitmap that a section change frees" is the provider's TitleImage. "The lock mark set while
//   the forms' redraw is locked" is the provider's SkinChangeLocked flag; the WM_SETREDRAW
//   nesting is a separate counter.
// - A form answers cmdGetProvider with its provider as IacProviderOwner* (the engine's view);
//   TsSkinProvider::FromForm turns that answer back into the provider.
// - The thread hook's list of automatic providers has one owner, the hook unit; the skin
//   manager only asks it to clear. A provider on a form is owned by that form, always.
// - The menu flag that the menu painter sets while it draws a skinned popup item is
//   MenuDrawing (the skinned menus own it); the provider clears it on WM_INITMENUPOPUP.
// - Tag -98 marks the toolkit's own windows and forms (kAuxiliaryTag).
// - The delayed system menu of a click on the title icon waits on the form's window timer,
//   never in a nested message loop: a double click that closes the form in between kills the
//   timer, and a freed form takes its timer with its window.
#pragma once

#include <cstdint>

#include "vcl/graphics/canvas.h"
#include "vcl/runtime/win.h"

namespace skin {

// Commands of the skinning message that only form skinning sends or answers.
enum TacFormCommand : uint16_t {
  cmdCheckBoxPaint = 5,
  cmdComboDropped = 14,
  cmdMenuDropped = 14,  // the same number, to a popup menu window: it is shown now
  cmdDisabledPaint = 35,
  cmdRepositionBorder = 37,
  cmdBeforeScroll = 51,
  cmdAfterScroll = 52,
  cmdClientOffsets = 61,
};

// How a title's caption text is drawn: one line, centred vertically, cut with an ellipsis.
constexpr uint32_t kCaptionTextFlags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;

// Tag of the toolkit's own auxiliary forms and windows.
constexpr int kAuxiliaryTag = -98;

// Hit codes of the title buttons: the platform's for the system buttons, the toolkit's for the
// buttons of a maximised MDI child in the menu line and for user title buttons.
constexpr int32_t kHitMinButton = 8;     // HTMINBUTTON
constexpr int32_t kHitMaxButton = 9;     // HTMAXBUTTON
constexpr int32_t kHitClose = 20;        // HTCLOSE
constexpr int32_t kHitHelp = 21;         // HTHELP
constexpr int32_t kHitChildClose = 101;
constexpr int32_t kHitChildRestore = 102;
constexpr int32_t kHitChildMinimize = 103;
constexpr int32_t kHitUserButton = 1000;  // + the user button's index

// Asked of a window before its first frame paint: one that answers kKeepRegionAnswer keeps
// its own window region.
constexpr uint32_t kKeepRegionQuery = 0xBC4D;
constexpr uintptr_t kKeepRegionAnswer = 0x41A2;

// The signed screen or client coordinates packed into a mouse message's lParam.
inline int32_t MessageX(LPARAM lParam) { return int16_t(LOWORD(lParam)); }
inline int32_t MessageY(LPARAM lParam) { return int16_t(HIWORD(lParam)); }

// The form's window timer of a system menu that waits for a possible double click on the
// title icon.
constexpr UINT_PTR kSystemMenuTimer = 0xAC31;

class TacSBAnimation;

// One title button: a system button of a provider or dialog frame, or a user title button.
struct TitleButtonData {
  int32_t State = -1;      // 0 normal, 1 hot, 2 pressed, -1 not painted
  int32_t MaskIndex = -1;  // the skin mask that draws it
  vcl::TRect Rect{};       // in the frame image
  bool BigIcon = false;    // one of the big "BICON..." masks
  int32_t GlowID = -1;     // the glow window over it
  TacSBAnimation* Timer = nullptr;
  int32_t HitCode = 0;
};

}  // namespace skin
