// Subclassing one window at the platform level: an object put into the window's procedure
// chain (GWL_WNDPROC) sees each message and passes it on to the procedure it replaced.
//
// Other code may subclass the same window before or after us and take itself out again in any
// order. The object may even be destroyed inside its own SubclassProc: the message in flight
// still ends safely. When this object detaches while someone else has chained in after it, the procedure
// that someone calls next must stay valid: the link is left in place as a plain pass-through
// to the procedure it replaced, and is freed only with the window (WM_NCDESTROY). Attaching to
// a window again reuses such a pass-through link where it sits in the chain.
//
// This is for windows without a control of the component library (the platform's dialogs and
// menus). A control's window is subclassed through the control's WindowProc chain instead (a
// wlWindow link, window_proc_chain.h): that link has the same place in front of the control's
// message handling, and stays when the control recreates its window.
#pragma once

#include "vcl/runtime/win.h"

namespace vcl {

struct TSubclassLink;
struct TSubclassFrame;

class TWindowSubclass {
 public:
  TWindowSubclass() = default;
  // Detaches.
  virtual ~TWindowSubclass();
  TWindowSubclass(const TWindowSubclass&) = delete;
  TWindowSubclass& operator=(const TWindowSubclass&) = delete;

  // Puts this object into the procedure chain of `wnd` (detaching from another window first).
  // False when `wnd` is no window, or another subclass object of this kind is already attached
  // to it (one per window).
  bool Attach(HWND wnd);
  // Takes this object out of the chain: the replaced procedure is set back when this object's
  // procedure is still the window's, otherwise the link stays as a pass-through.
  void Detach();
  bool Attached() const { return link_ != nullptr; }
  // The window attached to, 0 when none.
  HWND Window() const;
  // Whether the window's current procedure is this object's (nobody chained in after it).
  bool IsOutermost() const;
  // A message is running through SubclassProc now.
  bool Dispatching() const { return dispatching_ != nullptr; }

 protected:
  // Sees every message of the window while attached; the usual body does its work and calls
  // CallPrevious. Exceptions that leave it go to HandleException, never into the platform.
  // It may detach or destroy this object; after a destroy it must not touch members.
  virtual LRESULT SubclassProc(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
  // Runs inside a catch block for an exception that left SubclassProc; rethrow (`throw;`) to
  // look at it. The message's result is then 0. The default drops it.
  virtual void HandleException() {}
  // Told after the window was destroyed (WM_NCDESTROY passed on); this object is detached.
  virtual void WindowDestroyed() {}
  // Passes a message to the procedure that this object replaced; inside SubclassProc also
  // after a Detach there, so that the message still reaches the window.
  LRESULT CallPrevious(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  friend struct TSubclassLink;
  TSubclassLink* link_ = nullptr;
  TSubclassFrame* dispatching_ = nullptr;  // the innermost message running through this object
};

}  // namespace vcl
