#include "skin/engine/show_animations.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/skin_types.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/component.h"

namespace skin {

vcl::TWinControl* AnimOverlayWindow = nullptr;
std::unique_ptr<vcl::TBitmap> AnimImage;
HDC AnimImageDC = nullptr;
std::unique_ptr<vcl::TBitmap> AnimSnapshot;

namespace {

// Forgets the overlay when its owner frees it before the animation runs.
class TOverlayWatcher : public vcl::TComponent {
 public:
  TOverlayWatcher() : vcl::TComponent(nullptr) {}
  void Watch(vcl::TComponent* overlay) { overlay->FreeNotification(this); }

 protected:
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override {
    vcl::TComponent::Notification(component, operation);
    if (operation == vcl::opRemove && component == AnimOverlayWindow) AnimOverlayWindow = nullptr;
  }
};

TOverlayWatcher& Watcher() {
  static TOverlayWatcher* watcher = new TOverlayWatcher();  // lives as long as the process
  return *watcher;
}

void FreeOverlay() {
  vcl::TWinControl* overlay = AnimOverlayWindow;
  AnimOverlayWindow = nullptr;
  delete overlay;
  AnimSnapshot.reset();
  AnimImage.reset();
  AnimImageDC = nullptr;
}

// Ends the animation on every path: the flag is cleared, the control thawed, the overlay and
// the bitmaps freed.
class TAnimationScope {
 public:
  explicit TAnimationScope(vcl::TWinControl* control) : control_(control) { AnimationInProgress = true; }
  ~TAnimationScope() {
    AnimationInProgress = false;
    if (control_ && control_->HandleAllocated()) SendMessageA(control_->Handle(), WM_SETREDRAW, 1, 0);
    FreeOverlay();
  }
  TAnimationScope(const TAnimationScope&) = delete;
  TAnimationScope& operator=(const TAnimationScope&) = delete;

 private:
  vcl::TWinControl* control_;
};

bool MajorVersionAbove5() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  return GetVersionExA(&info) && info.dwMajorVersion > 5;
}

}  // namespace

bool ShowOutputWindowOver(vcl::TWinControl* control) {
  if (!control || !control->HandleAllocated()) return false;
  RECT windowRect{};
  GetWindowRect(control->Handle(), &windowRect);
  if (!AnimSnapshot) {
    AnimSnapshot = CreateBmp24(control->Width(), control->Height());
    HDC screen = GetDC(nullptr);
    BitBlt(AnimSnapshot->Canvas()->Handle(), 0, 0, control->Width(), control->Height(), screen, windowRect.left,
           windowRect.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
  }
  if (!AnimOverlayWindow) {
    auto* overlay = new TOutputWindow(control);
    AnimOverlayWindow = overlay;
    Watcher().Watch(overlay);
  }
  vcl::TWinControl* overlay = AnimOverlayWindow;
  if (vcl::TWinControl* parent = control->Parent()) {
    overlay->SetParent(parent);
    overlay->SetBoundsRect(control->BoundsRect());
    SetWindowPos(overlay->Handle(), control->Handle(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(overlay->Handle(), SW_SHOWNA);
  } else {
    overlay->SetBounds(windowRect.left, windowRect.top, windowRect.right - windowRect.left,
                       windowRect.bottom - windowRect.top);
    HWND before = GetWindow(control->Handle(), GW_HWNDPREV);
    SetWindowPos(overlay->Handle(), before ? before : HWND_TOP, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOMOVE);
  }
  return true;
}

void AnimShowControl(vcl::TWinControl* control, uint16_t time, uint8_t, TacAnimType) {
  if (!control) return;
  TAnimationScope scope(control);
  if (!AnimOverlayWindow && !ShowOutputWindowOver(control)) return;
  if (!AnimOverlayWindow || !AnimOverlayWindow->HandleAllocated() || !AnimSnapshot) return;
  const int32_t w = control->Width(), h = control->Height();
  AnimImage = CreateBmp24(w, h);
  AnimImageDC = AnimImage->Canvas()->Handle();
  PaintControlToBitmap(AnimImage.get(), control, 0, nullptr, 0);
  AnimImageDC = nullptr;
  auto frame = CreateBmp32(w, h);
  HWND overlay = AnimOverlayWindow->Handle();
  HDC overlayDC = GetDC(overlay);
  const int32_t steps = AnimStepsFor(time);
  if (steps > 0) {
    const int32_t alphaStep = 255 / steps;
    int32_t b = 255;
    for (int32_t i = 0; i <= steps; ++i) {
      MixThroughMask(frame.get(), AnimSnapshot.get(), AnimImage.get(), uint16_t(std::max(b, 0)), nullptr);
      BitBlt(overlayDC, 0, 0, w, h, frame->Canvas()->Handle(), 0, 0, SRCCOPY);
      b -= alphaStep;
      if (i < steps) Sleep(8);
    }
  }
  BitBlt(overlayDC, 0, 0, w, h, AnimImage->Canvas()->Handle(), 0, 0, SRCCOPY);
  ReleaseDC(overlay, overlayDC);
  AnimationInProgress = false;
  SendMessageA(control->Handle(), WM_SETREDRAW, 1, 0);
  if (MajorVersionAbove5())
    RedrawWindow(control->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
  SetWindowPos(overlay, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOZORDER |
                                                 SWP_NOMOVE | SWP_NOSIZE);
}

}  // namespace skin
