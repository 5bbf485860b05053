// The message procedure chain of a control (TControl::WindowProc): the procedures that code
// outside the control puts in front of the control's own WndProc to see, change or swallow its
// messages, with that WndProc at the bottom.
//
// A subclasser installs a link and keeps the TWindowProcLink it gets back. A link passes each
// message it does not swallow on through Next: to the link installed before it, or to the
// control. Links leave in any order, each through its own link object (also when that object
// is destroyed), and no neighbour has to be patched: Next always finds what is installed below
// at the time of the call. A link can ask whether it is still installed and whether it is the
// outermost one. The chain belongs to the control, not to its window, so links stay through
// RecreateWnd and see the messages of the new window with nothing to install again.
//
// Links sit at one of two levels. wlWindowProc links see every message that reaches
// WindowProc, those sent with Perform too. wlWindow links stand for a subclass of the window
// itself: they see only the messages that come through the control's window, ahead of every
// wlWindowProc link.
//
// Code written against a plain procedure keeps working: calling WindowProc runs the chain;
// copying it (`TWndMethod previous = control->WindowProc;`) takes the chain as it stands at that
// moment; assigning a procedure puts it on top (`control->WindowProc = [..](TMessage& m) {
// ...; previous(m); };`); assigning back a copy taken earlier takes off the procedures assigned
// since then, as restoring a saved procedure always did, while links installed through Install
// stay where they are.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "vcl/controls/messages.h"

namespace vcl {

class TControl;
struct TWindowProcState;
struct TWindowProcNode;

// A message procedure: what WindowProc was before it became a chain, and what a copy of it is.
using TWndMethod = std::function<void(TMessage& Message)>;

enum TWindowProcLevel { wlWindowProc, wlWindow };

// The rest of the chain below a link. Valid only while the link handles the message it came
// with; a link that does not call it swallows the message.
class TWindowProcNext {
 public:
  void operator()(TMessage& message) const;

 private:
  friend class TWindowProcChain;
  TWindowProcNext(TWindowProcState* state, TWindowProcLevel level, uint64_t below)
      : state_(state), level_(level), below_(below) {}

  TWindowProcState* state_;
  TWindowProcLevel level_;
  uint64_t below_;
};

using TWindowProcHook = std::function<void(TMessage& Message, const TWindowProcNext& Next)>;

// One installed link. Removing it (or destroying this object) takes the link out of the chain;
// a link whose control is gone is simply no longer installed.
class TWindowProcLink {
 public:
  TWindowProcLink() = default;
  ~TWindowProcLink();
  TWindowProcLink(TWindowProcLink&& other) noexcept;
  // Removes the link held so far, then takes over the other one.
  TWindowProcLink& operator=(TWindowProcLink&& other) noexcept;
  TWindowProcLink(const TWindowProcLink&) = delete;
  TWindowProcLink& operator=(const TWindowProcLink&) = delete;

  void Remove();
  bool Installed() const;
  // Installed, and no link of its level was installed after it: messages reach it first.
  bool Outermost() const;

 private:
  friend class TWindowProcChain;
  TWindowProcLink(const std::shared_ptr<TWindowProcState>& state, std::shared_ptr<TWindowProcNode> node);

  std::weak_ptr<TWindowProcState> state_;
  std::shared_ptr<TWindowProcNode> node_;
};

class TWindowProcChain {
 public:
  // The chain of a control (its WindowProc member).
  explicit TWindowProcChain(TControl* control);
  // A copy is the chain as it stands now (or, copied from a copy, as that one stood): calling
  // it runs what was installed at that moment and is still installed, down to the control.
  TWindowProcChain(const TWindowProcChain& other);
  // The control's chain takes the other chain's procedure as one assigned (below); a copy
  // becomes a copy of the other.
  TWindowProcChain& operator=(const TWindowProcChain& other);
  // Puts a procedure on top of the control's chain. A copy of this chain taken earlier takes
  // off instead the procedures assigned after it was taken; an empty procedure takes off every
  // assigned one. Links installed with Install are never taken off this way. A copy of the chain
  // cannot take a procedure (EInvalidOperation).
  TWindowProcChain& operator=(TWndMethod proc);
  ~TWindowProcChain();

  // Runs the message through the wlWindowProc links, outermost first, and the control.
  void operator()(TMessage& message) const;
  // Runs a message that came through the control's window: the wlWindow links first.
  void WindowMessage(TMessage& message) const;

  // Puts a link on top of its level; it stays until the returned object removes it or goes.
  [[nodiscard]] TWindowProcLink Install(TWindowProcHook hook, TWindowProcLevel level = wlWindowProc);
  // The links installed now (assigned procedures included), of both levels.
  int LinkCount() const;

 private:
  friend class TWindowProcNext;
  static void Run(TWindowProcState* state, TWindowProcLevel level, uint64_t below, TMessage& message);

  std::shared_ptr<TWindowProcState> state_;
  // A copy sees the links with keys below this; the control's chain sees them all.
  uint64_t bound_;
  bool copy_;
};

}  // namespace vcl
