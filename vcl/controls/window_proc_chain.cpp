#include "vcl/controls/window_proc_chain.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "vcl/controls/controls.h"
#include "vcl/runtime/exceptions.h"

namespace vcl {

// A link. Keys grow with every install: a link stands above every link with a smaller key of
// its level, and a copy of the chain is the set of keys below a bound.
struct TWindowProcNode {
  uint64_t key;
  TWindowProcLevel level;
  bool assigned;  // put on by assigning a procedure to WindowProc, not by Install
  bool installed;
  TWindowProcHook hook;
};

// Shared by the control's chain, its copies and its links, so that each of them can outlive
// the control safely: the chain clears `control` and drops its links when the control goes.
struct TWindowProcState {
  TControl* control;
  uint64_t nextKey = 1;
  std::vector<std::shared_ptr<TWindowProcNode>> nodes;  // the installed links, keys ascending
};

namespace {

constexpr uint64_t AllKeys = std::numeric_limits<uint64_t>::max();

void Unlink(TWindowProcState& state, TWindowProcNode* node) {
  node->installed = false;
  std::erase_if(state.nodes, [node](const std::shared_ptr<TWindowProcNode>& n) { return n.get() == node; });
}

}  // namespace

// Runs the message from the highest link of `level` below `below` down to the control. The
// node being called is held, so that a link may remove itself (or be removed) while it runs;
// the nodes are looked up afresh at each step, so that links may come and go meanwhile.
void TWindowProcChain::Run(TWindowProcState* state, TWindowProcLevel level, uint64_t below, TMessage& message) {
  for (;;) {
    std::shared_ptr<TWindowProcNode> node;
    for (auto it = state->nodes.rbegin(); it != state->nodes.rend(); ++it) {
      if ((*it)->level == level && (*it)->key < below) {
        node = *it;
        break;
      }
    }
    if (node) {
      node->hook(message, TWindowProcNext(state, level, node->key));
      return;
    }
    if (level == wlWindowProc) break;
    level = wlWindowProc;
    below = AllKeys;
  }
  if (state->control) state->control->WndProc(message);
}

// ---- TWindowProcNext -------------------------------------------------------------------------

void TWindowProcNext::operator()(TMessage& message) const { TWindowProcChain::Run(state_, level_, below_, message); }

// ---- TWindowProcLink -------------------------------------------------------------------------

TWindowProcLink::TWindowProcLink(const std::shared_ptr<TWindowProcState>& state, std::shared_ptr<TWindowProcNode> node)
    : state_(state), node_(std::move(node)) {}

TWindowProcLink::~TWindowProcLink() { Remove(); }

TWindowProcLink::TWindowProcLink(TWindowProcLink&& other) noexcept
    : state_(std::move(other.state_)), node_(std::move(other.node_)) {}

TWindowProcLink& TWindowProcLink::operator=(TWindowProcLink&& other) noexcept {
  if (this != &other) {
    Remove();
    state_ = std::move(other.state_);
    node_ = std::move(other.node_);
  }
  return *this;
}

void TWindowProcLink::Remove() {
  std::shared_ptr<TWindowProcNode> node = std::move(node_);
  std::shared_ptr<TWindowProcState> state = state_.lock();
  state_.reset();
  if (node && state) Unlink(*state, node.get());
}

bool TWindowProcLink::Installed() const { return node_ && node_->installed && !state_.expired(); }

bool TWindowProcLink::Outermost() const {
  std::shared_ptr<TWindowProcState> state = state_.lock();
  if (!state || !node_ || !node_->installed) return false;
  return std::none_of(state->nodes.begin(), state->nodes.end(), [this](const std::shared_ptr<TWindowProcNode>& n) {
    return n->level == node_->level && n->key > node_->key;
  });
}

// ---- TWindowProcChain ------------------------------------------------------------------------

TWindowProcChain::TWindowProcChain(TControl* control)
    : state_(std::make_shared<TWindowProcState>()), bound_(AllKeys), copy_(false) {
  state_->control = control;
}

TWindowProcChain::TWindowProcChain(const TWindowProcChain& other)
    : state_(other.state_), bound_(other.copy_ ? other.bound_ : other.state_->nextKey), copy_(true) {}

TWindowProcChain& TWindowProcChain::operator=(const TWindowProcChain& other) {
  if (copy_) {
    bound_ = other.copy_ ? other.bound_ : other.state_->nextKey;
    state_ = other.state_;
    return *this;
  }
  return *this = TWndMethod(other);
}

TWindowProcChain& TWindowProcChain::operator=(TWndMethod proc) {
  if (copy_) throw EInvalidOperation("A copy of WindowProc cannot take a procedure");
  const TWindowProcChain* saved = proc ? proc.target<TWindowProcChain>() : nullptr;
  if (!proc || (saved && saved->state_ == state_)) {
    // Restoring what was saved: the procedures assigned since are taken off.
    uint64_t bound = proc ? saved->bound_ : 0;
    std::vector<std::shared_ptr<TWindowProcNode>> gone;
    for (const std::shared_ptr<TWindowProcNode>& node : state_->nodes)
      if (node->assigned && node->key >= bound) gone.push_back(node);
    for (const std::shared_ptr<TWindowProcNode>& node : gone) Unlink(*state_, node.get());
    return *this;
  }
  auto hook = [proc = std::move(proc)](TMessage& message, const TWindowProcNext&) { proc(message); };
  state_->nodes.push_back(std::make_shared<TWindowProcNode>(
      TWindowProcNode{state_->nextKey++, wlWindowProc, true, true, std::move(hook)}));
  return *this;
}

TWindowProcChain::~TWindowProcChain() {
  if (copy_) return;
  // The control is going. Its links are dropped here: a link's procedure may hold a copy of
  // this chain, and the links would otherwise keep each other alive.
  state_->control = nullptr;
  std::vector<std::shared_ptr<TWindowProcNode>> nodes = std::move(state_->nodes);
  state_->nodes.clear();
  for (const std::shared_ptr<TWindowProcNode>& node : nodes) node->installed = false;
}

void TWindowProcChain::operator()(TMessage& message) const {
  std::shared_ptr<TWindowProcState> keep = state_;  // the control may be freed by the message
  Run(keep.get(), wlWindowProc, copy_ ? bound_ : AllKeys, message);
}

void TWindowProcChain::WindowMessage(TMessage& message) const {
  std::shared_ptr<TWindowProcState> keep = state_;
  Run(keep.get(), wlWindow, AllKeys, message);
}

TWindowProcLink TWindowProcChain::Install(TWindowProcHook hook, TWindowProcLevel level) {
  if (!hook) return TWindowProcLink();
  auto node = std::make_shared<TWindowProcNode>(TWindowProcNode{state_->nextKey++, level, false, true, std::move(hook)});
  state_->nodes.push_back(node);
  return TWindowProcLink(state_, std::move(node));
}

int TWindowProcChain::LinkCount() const { return static_cast<int>(state_->nodes.size()); }

}  // namespace vcl
