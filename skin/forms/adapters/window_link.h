// Subclassing a window that has no control of the component library (the platform's dialogs,
// their children and popup menus) at the platform level: an object put into the window's
// procedure chain (GWL_WNDPROC) sees each message and passes it on to the procedure it replaced.
//
// Other code may subclass the same window after us and leave in any order. When this object
// detaches while someone else chained in after it, the procedure that one calls next must stay
// valid: the link stays in place as a plain pass-through and is freed with the window. The
// object may be destroyed inside its own message procedure: the link outlives the dispatch.
//
// A control's window is subclassed through the control's WindowProc chain instead (a wlWindow
// link, vcl/controls/window_proc_chain.h).
#pragma once

#include "vcl/runtime/win.h"

namespace skin {

struct TacWndLinkNode;
struct TacWndLinkFrame;

class TacWindowLink {
 public:
  TacWindowLink() = default;
  virtual ~TacWindowLink();
  TacWindowLink(const TacWindowLink&) = delete;
  TacWindowLink& operator=(const TacWindowLink&) = delete;

  // False when `wnd` is no window or another object of this kind is attached to it.
  bool AttachWindow(HWND wnd);
  // Sets the replaced procedure back when ours is still the window's, else leaves a pass-through.
  void DetachWindow();
  bool WindowAttached() const { return node_ != nullptr; }
  bool WindowDispatching() const { return dispatching_ != nullptr; }

 protected:
  // Sees every message while attached. Exceptions never leave it into the platform: they are
  // dropped and the message answers 0.
  virtual LRESULT LinkProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
  // Passes a message to the procedure this object replaced (also after a detach inside
  // LinkProc, so that the message still reaches the window).
  LRESULT CallReplaced(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  friend struct TacWndLinkNode;
  TacWndLinkNode* node_ = nullptr;
  TacWndLinkFrame* dispatching_ = nullptr;  // the innermost message running through this object
};

}  // namespace skin
