#include "skin/forms/adapters/window_link.h"

namespace skin {

// One per subclassed window, held in a window property. It outlives its client while a
// message runs through it and, as a pass-through, while a later subclass still calls it.
struct TacWndLinkNode {
  HWND wnd = nullptr;
  bool unicode = false;
  WNDPROC previous = nullptr;
  TacWindowLink* client = nullptr;  // null: a plain pass-through
  int depth = 0;
  bool unchained = false;  // out of the chain: freed when depth reaches 0

  static LRESULT Dispatch(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, bool unicode);
};

// One message on its way through a client; `gone` is set when the client is destroyed inside it.
struct TacWndLinkFrame {
  TacWndLinkNode* node;
  TacWndLinkFrame* outer;
  bool gone;
};

namespace {

constexpr const char* kNodeProperty = "MergeonSkinWndLink";

LRESULT CALLBACK LinkWindowProcA(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return TacWndLinkNode::Dispatch(wnd, msg, wParam, lParam, false);
}

LRESULT CALLBACK LinkWindowProcW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return TacWndLinkNode::Dispatch(wnd, msg, wParam, lParam, true);
}

WNDPROC OurProc(bool unicode) { return unicode ? LinkWindowProcW : LinkWindowProcA; }

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

TacWndLinkNode* FindNode(HWND wnd) { return static_cast<TacWndLinkNode*>(GetPropA(wnd, kNodeProperty)); }

void ReleaseIfDone(TacWndLinkNode* node) {
  if (node->unchained && node->depth == 0) delete node;
}

LRESULT CallPreviousOf(TacWndLinkNode* node, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (node->previous == nullptr)
    return node->unicode ? DefWindowProcW(node->wnd, msg, wParam, lParam)
                         : DefWindowProcA(node->wnd, msg, wParam, lParam);
  return node->unicode ? CallWindowProcW(node->previous, node->wnd, msg, wParam, lParam)
                       : CallWindowProcA(node->previous, node->wnd, msg, wParam, lParam);
}

}  // namespace

LRESULT TacWndLinkNode::Dispatch(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, bool unicode) {
  TacWndLinkNode* node = FindNode(wnd);
  if (node == nullptr)
    return unicode ? DefWindowProcW(wnd, msg, wParam, lParam) : DefWindowProcA(wnd, msg, wParam, lParam);

  ++node->depth;
  LRESULT result = 0;
  TacWindowLink* client = node->client;
  if (client != nullptr) {
    TacWndLinkFrame frame{node, client->dispatching_, false};
    client->dispatching_ = &frame;
    try {
      result = client->LinkProc(wnd, msg, wParam, lParam);
    } catch (...) {
      result = 0;
    }
    if (!frame.gone) client->dispatching_ = frame.outer;
  } else {
    result = CallPreviousOf(node, msg, wParam, lParam);
  }
  --node->depth;

  if (msg == WM_NCDESTROY && !node->unchained) {
    RemovePropA(wnd, kNodeProperty);
    node->unchained = true;
    if (node->client != nullptr) node->client->node_ = nullptr;
    node->client = nullptr;
  }
  ReleaseIfDone(node);
  return result;
}

TacWindowLink::~TacWindowLink() {
  for (TacWndLinkFrame* frame = dispatching_; frame != nullptr; frame = frame->outer) frame->gone = true;
  DetachWindow();
}

bool TacWindowLink::AttachWindow(HWND wnd) {
  if (node_ != nullptr && node_->wnd == wnd) return true;
  if (wnd == nullptr || !IsWindow(wnd)) return false;
  TacWndLinkNode* existing = FindNode(wnd);
  if (existing != nullptr && existing->client != nullptr) return false;
  DetachWindow();
  if (existing != nullptr) {
    existing->client = this;
    node_ = existing;
    return true;
  }
  auto* node = new TacWndLinkNode;
  node->wnd = wnd;
  node->unicode = IsWindowUnicode(wnd) != FALSE;
  node->client = this;
  if (!SetPropA(wnd, kNodeProperty, node)) {
    delete node;
    return false;
  }
  node->previous = CurrentProc(wnd, node->unicode);
  SetProc(wnd, node->unicode, OurProc(node->unicode));
  node_ = node;
  return true;
}

void TacWindowLink::DetachWindow() {
  TacWndLinkNode* node = node_;
  if (node == nullptr) return;
  node_ = nullptr;
  node->client = nullptr;
  if (IsWindow(node->wnd) && CurrentProc(node->wnd, node->unicode) == OurProc(node->unicode)) {
    SetProc(node->wnd, node->unicode, node->previous);
    RemovePropA(node->wnd, kNodeProperty);
    node->unchained = true;
    ReleaseIfDone(node);
  }
}

LRESULT TacWindowLink::CallReplaced(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // A message being dispatched keeps its way to the replaced procedure through its node.
  TacWndLinkNode* node = dispatching_ != nullptr ? dispatching_->node : node_;
  (void)wnd;
  if (node == nullptr) return 0;
  return CallPreviousOf(node, msg, wParam, lParam);
}

}  // namespace skin
