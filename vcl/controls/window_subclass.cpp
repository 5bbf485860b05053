#include "vcl/controls/window_subclass.h"

namespace vcl {

// One per subclassed window, held in a window property. It outlives its client when the
// client detaches while another procedure calls it, and while a message is being dispatched
// through it.
struct TSubclassLink {
  HWND wnd = nullptr;
  bool unicode = false;
  WNDPROC previous = nullptr;
  TWindowSubclass* client = nullptr;  // nullptr: a plain pass-through
  int depth = 0;                      // messages being dispatched through this link
  bool unchained = false;             // out of the chain: freed when depth reaches 0

  static LRESULT Dispatch(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, bool unicode);
};

// One message on its way through a client; `gone` is set when the client is destroyed inside it.
struct TSubclassFrame {
  TSubclassLink* link;
  TSubclassFrame* outer;
  bool gone;
};

namespace {

constexpr const char* kLinkProperty = "MergeonSubclassLink";

LRESULT CALLBACK SubclassWindowProcA(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return TSubclassLink::Dispatch(wnd, msg, wParam, lParam, false);
}

LRESULT CALLBACK SubclassWindowProcW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return TSubclassLink::Dispatch(wnd, msg, wParam, lParam, true);
}

WNDPROC OurProc(bool unicode) { return unicode ? SubclassWindowProcW : SubclassWindowProcA; }

WNDPROC CurrentProc(HWND wnd, bool unicode) {
  return reinterpret_cast<WNDPROC>(unicode ? GetWindowLongPtrW(wnd, GWLP_WNDPROC)
                                           : GetWindowLongPtrA(wnd, GWLP_WNDPROC));
}

void SetProc(HWND wnd, bool unicode, WNDPROC proc) {
  if (unicode)
    SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
  else
    SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
}

TSubclassLink* FindLink(HWND wnd) { return static_cast<TSubclassLink*>(GetPropA(wnd, kLinkProperty)); }

// Frees a link that is out of the chain once no message runs through it any more.
void ReleaseIfDone(TSubclassLink* link) {
  if (link->unchained && link->depth == 0) delete link;
}

LRESULT CallPreviousOf(TSubclassLink* link, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (link->previous == nullptr)
    return link->unicode ? DefWindowProcW(link->wnd, msg, wParam, lParam)
                         : DefWindowProcA(link->wnd, msg, wParam, lParam);
  return link->unicode ? CallWindowProcW(link->previous, link->wnd, msg, wParam, lParam)
                       : CallWindowProcA(link->previous, link->wnd, msg, wParam, lParam);
}

}  // namespace

LRESULT TSubclassLink::Dispatch(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, bool unicode) {
  TSubclassLink* link = FindLink(wnd);
  if (link == nullptr)
    return unicode ? DefWindowProcW(wnd, msg, wParam, lParam) : DefWindowProcA(wnd, msg, wParam, lParam);

  ++link->depth;
  LRESULT result = 0;
  TWindowSubclass* client = link->client;
  if (client != nullptr) {
    TSubclassFrame frame{link, client->dispatching_, false};
    client->dispatching_ = &frame;
    try {
      result = client->SubclassProc(msg, wParam, lParam);
    } catch (...) {
      if (!frame.gone) {
        try {
          client->HandleException();
        } catch (...) {
        }
      }
    }
    if (!frame.gone) client->dispatching_ = frame.outer;
  } else {
    result = CallPreviousOf(link, msg, wParam, lParam);
  }
  --link->depth;

  if (msg == WM_NCDESTROY && !link->unchained) {
    // The window is gone: nothing can call this link any more.
    RemovePropA(wnd, kLinkProperty);
    link->unchained = true;
    TWindowSubclass* owner = link->client;
    link->client = nullptr;
    if (owner != nullptr) {
      owner->link_ = nullptr;
      try {
        owner->WindowDestroyed();
      } catch (...) {
      }
    }
  }
  ReleaseIfDone(link);
  return result;
}

TWindowSubclass::~TWindowSubclass() {
  for (TSubclassFrame* frame = dispatching_; frame != nullptr; frame = frame->outer) frame->gone = true;
  Detach();
}

bool TWindowSubclass::Attach(HWND wnd) {
  if (link_ != nullptr && link_->wnd == wnd) return true;
  if (wnd == nullptr || !IsWindow(wnd)) return false;
  TSubclassLink* existing = FindLink(wnd);
  if (existing != nullptr && existing->client != nullptr) return false;
  Detach();
  if (existing != nullptr) {
    // A pass-through left by an earlier detach: take its place in the chain.
    existing->client = this;
    link_ = existing;
    return true;
  }
  auto* link = new TSubclassLink;
  link->wnd = wnd;
  link->unicode = IsWindowUnicode(wnd) != FALSE;
  link->client = this;
  if (!SetPropA(wnd, kLinkProperty, link)) {
    delete link;
    return false;
  }
  link->previous = CurrentProc(wnd, link->unicode);
  SetProc(wnd, link->unicode, OurProc(link->unicode));
  link_ = link;
  return true;
}

void TWindowSubclass::Detach() {
  TSubclassLink* link = link_;
  if (link == nullptr) return;
  link_ = nullptr;
  link->client = nullptr;
  if (IsWindow(link->wnd) && CurrentProc(link->wnd, link->unicode) == OurProc(link->unicode)) {
    SetProc(link->wnd, link->unicode, link->previous);
    RemovePropA(link->wnd, kLinkProperty);
    link->unchained = true;
    ReleaseIfDone(link);
  }
  // Otherwise another procedure chained in after ours and calls it: the link stays as a
  // pass-through until the window is destroyed.
}

HWND TWindowSubclass::Window() const { return link_ != nullptr ? link_->wnd : nullptr; }

bool TWindowSubclass::IsOutermost() const {
  return link_ != nullptr && IsWindow(link_->wnd) &&
         CurrentProc(link_->wnd, link_->unicode) == OurProc(link_->unicode);
}

LRESULT TWindowSubclass::CallPrevious(UINT msg, WPARAM wParam, LPARAM lParam) {
  // A message being dispatched keeps its way to the replaced procedure through its link.
  TSubclassLink* link = dispatching_ != nullptr ? dispatching_->link : link_;
  if (link == nullptr) return 0;
  return CallPreviousOf(link, msg, wParam, lParam);
}

}  // namespace vcl
