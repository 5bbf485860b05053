#include "imaging/view/ie_view.h"

#include <algorithm>

namespace imaging {

TIEView::TIEView(vcl::TComponent* owner) : vcl::TCustomControl(owner) {
  SetControlStyle(ControlStyle() + vcl::TControlStyle{vcl::csAcceptsControls, vcl::csOpaque, vcl::csReplicatable});
}

TIEView::~TIEView() { NotifyViewDestroying(); }

void TIEView::NotifyViewDestroying() {
  // Handlers may remove themselves (or others) while being told, so take them one at a time.
  while (!handlers_.empty()) {
    TIEBitmapChangeHandler handler = std::move(handlers_.front().second);
    handlers_.erase(handlers_.begin());
    if (handler) handler(true);
  }
}

void TIEView::SetBorderStyle(vcl::TBorderStyle value) {
  if (value == borderStyle_) return;
  borderStyle_ = value;
  RecreateWnd();
}

void TIEView::SetDpiX(int32_t value) {
  if (value != 0) dpiX_ = value;
}

void TIEView::SetDpiY(int32_t value) {
  if (value != 0) dpiY_ = value;
}

void TIEView::SetDPI(int32_t x, int32_t y) {
  SetDpiX(x);
  SetDpiY(y);
}

int32_t TIEView::AddBitmapChangeHandler(TIEBitmapChangeHandler handler) {
  int32_t handle = nextHandle_++;
  handlers_.emplace_back(handle, std::move(handler));
  return handle;
}

void TIEView::RemoveBitmapChangeHandler(int32_t handle) {
  auto it = std::find_if(handlers_.begin(), handlers_.end(), [&](const auto& h) { return h.first == handle; });
  if (it != handlers_.end()) handlers_.erase(it);
}

void TIEView::NotifyBitmapChange() {
  // A copy: a handler may register or remove handlers while it runs.
  auto handlers = handlers_;
  for (auto& [handle, handler] : handlers)
    if (handler) handler(false);
}

void TIEView::CreateParams(vcl::TCreateParams& params) {
  vcl::TCustomControl::CreateParams(params);
  if (borderStyle_ == vcl::bsSingle) {
    if (vcl::NewStyleControls && Ctl3D())
      params.ExStyle |= WS_EX_CLIENTEDGE;
    else
      params.Style |= WS_BORDER;
  }
  // No full repaint on resizing: the view draws everything through its back buffer.
  params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

}  // namespace imaging
