#include "skin/engine/show_animations.h"

#include <algorithm>
#include <cmath>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/common_data.h"
#include "skin/engine/fast_pixels.h"
#include "skin/engine/graphics/glow_effects.h"
#include "skin/engine/paint/layered_windows.h"
#include "skin/engine/skin_types.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/component.h"
#include "vcl/controls/forms.h"

namespace skin {

vcl::TWinControl* AnimOverlayWindow = nullptr;
std::unique_ptr<vcl::TBitmap> AnimImage;
HDC AnimImageDC = nullptr;
std::unique_ptr<vcl::TBitmap> AnimSnapshot;
std::function<void(const TAnimOverlayUpdate&)> AnimOverlayObserver;

namespace {

// The control being animated; cleared when it is freed while its image is rendered (a paint
// handler may free its own form).
vcl::TWinControl* AnimatedControl = nullptr;

// Forgets the overlay and the animated control when they are freed before the animation ends.
class TOverlayWatcher : public vcl::TComponent {
 public:
  TOverlayWatcher() : vcl::TComponent(nullptr) {}
  void Watch(vcl::TComponent* component) { component->FreeNotification(this); }

 protected:
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override {
    vcl::TComponent::Notification(component, operation);
    if (operation != vcl::opRemove) return;
    if (component == AnimOverlayWindow) AnimOverlayWindow = nullptr;
    if (component == AnimatedControl) AnimatedControl = nullptr;
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

// Ends the animation on every path: the flag is cleared, the control (unless it was freed)
// thawed, the overlay and the bitmaps freed.
class TAnimationScope {
 public:
  explicit TAnimationScope(vcl::TWinControl* control) {
    AnimationInProgress = true;
    AnimatedControl = control;
    if (control) Watcher().Watch(control);
  }
  ~TAnimationScope() {
    AnimationInProgress = false;
    vcl::TWinControl* control = AnimatedControl;
    AnimatedControl = nullptr;
    if (control) {
      control->RemoveFreeNotification(&Watcher());
      if (control->HandleAllocated()) SendMessageA(control->Handle(), WM_SETREDRAW, 1, 0);
    }
    FreeOverlay();
  }
  TAnimationScope(const TAnimationScope&) = delete;
  TAnimationScope& operator=(const TAnimationScope&) = delete;
};

bool MajorVersionAbove5() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  return GetVersionExA(&info) && info.dwMajorVersion > 5;
}

constexpr UINT kFinalRedrawFlags = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;

// Shows the bitmap in the layered overlay with the constant alpha; the bitmap's own alpha says
// which pixels are covered.
void UpdateOverlay(HWND overlay, POINT position, vcl::TBitmap* bitmap, uint8_t alpha, const vcl::TRect& target,
                   int32_t frame) {
  SIZE size{bitmap->Width(), bitmap->Height()};
  POINT origin{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
  HDC screen = GetDC(nullptr);
  UpdateLayeredWindowFunc(overlay, screen, &position, &size, bitmap->Canvas()->Handle(), &origin, 0, &blend,
                          ULW_ALPHA);
  ReleaseDC(nullptr, screen);
  if (AnimOverlayObserver) AnimOverlayObserver({frame, alpha, target, bitmap, overlay});
}

// The frames of a layered overlay: Steps + 1 of them, 8 ms apart, all made from the one
// rendered image. atFading changes only the constant alpha; atAero also stretches the image
// from the middle half of the overlay to all of it.
void RunLayeredFrames(HWND overlay, POINT position, vcl::TBitmap* image, int32_t steps, double alphaStep,
                      uint8_t maxAlpha, TacAnimType mode) {
  const int32_t w = image->Width(), h = image->Height();
  if (steps <= 0) return;
  // Outside the image's rectangle the overlay stays fully transparent.
  auto frame = CreateBmp32(w, h);
  for (int32_t y = 0; y < h; ++y) std::fill_n(static_cast<uint32_t*>(frame->ScanLine(y)), w, 0u);
  HDC frameDC = frame->Canvas()->Handle();
  HDC imageDC = image->Canvas()->Handle();
  const vcl::TRect whole{0, 0, w, h};
  double alpha = 0;
  double left = w / 4.0, top = h / 4.0, right = w / 2.0 + w / 4.0, bottom = h / 2.0 + h / 4.0;
  const double dx = w / (4.0 * steps), dy = h / (4.0 * steps);
  for (int32_t i = 0; i <= steps; ++i) {
    alpha = std::min(double(maxAlpha), alpha + alphaStep);
    vcl::TRect target = whole;
    if (mode == atAero) {
      if (left >= 0 && top >= 0) {
        target = {int32_t(std::lround(left)), int32_t(std::lround(top)), int32_t(std::lround(right)),
                  int32_t(std::lround(bottom))};
        StretchBlt(frameDC, target.left, target.top, target.right - target.left, target.bottom - target.top, imageDC,
                   0, 0, w, h, SRCCOPY);
      } else {
        BitBlt(frameDC, 0, 0, w, h, imageDC, 0, 0, SRCCOPY);
      }
    } else if (i == 0) {
      BitBlt(frameDC, 0, 0, w, h, imageDC, 0, 0, SRCCOPY);
    }
    GdiFlush();
    UpdateOverlay(overlay, position, frame.get(), uint8_t(std::lround(alpha)), target, i);
    if (mode == atAero) {
      left -= dx, top -= dy, right += dx, bottom += dy;
    }
    Sleep(8);
  }
}

// Renders the form's final image, frame included, into AnimImage with every pixel opaque. The
// provider, when there is one, renders its frame afresh. False when the form was freed on the
// way (a handler that closes its own form).
bool RenderFormImage(vcl::TWinControl* form, IacProviderOwner* provider, int32_t w, int32_t h) {
  if (provider) provider->DiscardFrameCache();
  if (!AnimatedControl) return false;
  AnimImage = CreateBmp32(w, h);
  AnimImageDC = AnimImage->Canvas()->Handle();
  PaintControlToBitmap(AnimImage.get(), form, 0, provider, 0);
  AnimImageDC = nullptr;
  if (!AnimatedControl) return false;
  GdiFlush();
  SetRectAlpha32(AnimImage.get(), {0, 0, w, h}, 255);
  return true;
}

// A borderless layered overlay that never takes the focus, placed over `wnd` at `bounds`.
vcl::TForm* MakeOverlayFor(HWND wnd, const RECT& bounds, LONG extraExStyle) {
  const bool topmost = GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST;
  HWND above = GetWindow(wnd, GW_HWNDPREV);
  auto* overlay = new vcl::TForm(nullptr);
  AnimOverlayWindow = overlay;
  Watcher().Watch(overlay);
  overlay->SetTag(kAuxiliaryFormTag);
  overlay->SetBorderStyle(vcl::bsNone);
  if (topmost) overlay->SetFormStyle(vcl::fsStayOnTop);
  const int32_t w = bounds.right - bounds.left, h = bounds.bottom - bounds.top;
  overlay->SetBounds(bounds.left, bounds.top, w, h);
  HWND handle = overlay->Handle();
  if (!handle) return nullptr;
  HWND insertAfter = topmost ? HWND_TOPMOST : above ? above : HWND_TOP;
  SetWindowPos(handle, insertAfter, bounds.left, bounds.top, w, h, SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOCOPYBITS);
  SetWindowLongA(handle, GWL_EXSTYLE,
                 GetWindowLongA(handle, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_NOACTIVATE | extraExStyle);
  return overlay;
}

// Starts AnimImage as a 32-bit copy of a frame picture, its device context open so that the
// children can be printed over it; returns the client rectangle of the window inside the frame.
RECT StartAnimImageFromFrame(vcl::TBitmap* frame, HWND wnd) {
  const int32_t w = frame->Width(), h = frame->Height();
  AnimImage = CreateBmp32(w, h);
  AnimImageDC = AnimImage->Canvas()->Handle();
  BitBlt(AnimImageDC, 0, 0, w, h, frame->Canvas()->Handle(), 0, 0, SRCCOPY);
  RECT client{};
  GetClientRect(wnd, &client);
  return client;
}

// Shows AnimImage in a tool-window overlay over `wnd` at `bounds` and fades it in to maxAlpha,
// ending on the whole image; the overlay's handle, or 0 when none could be made.
HWND FadeInOverlay(HWND wnd, const RECT& bounds, uint16_t time, uint8_t maxAlpha, TacAnimType mode) {
  vcl::TForm* overlay = MakeOverlayFor(wnd, bounds, WS_EX_TOOLWINDOW);
  if (!overlay) return nullptr;
  HWND overlayHandle = overlay->Handle();
  const POINT position{bounds.left, bounds.top};
  const vcl::TRect whole{0, 0, AnimImage->Width(), AnimImage->Height()};
  const int32_t steps = AnimStepsFor(time);
  UpdateOverlay(overlayHandle, position, AnimImage.get(), steps > 0 ? 0 : maxAlpha, whole, -1);
  ShowWindow(overlayHandle, SW_SHOWNOACTIVATE);
  RunLayeredFrames(overlayHandle, position, AnimImage.get(), steps, double(maxAlpha) / (steps + 1), maxAlpha, mode);
  UpdateOverlay(overlayHandle, position, AnimImage.get(), maxAlpha, whole, steps + 1);
  return overlayHandle;
}

// The layered path for a form with a window.
void AnimShowForm(vcl::TWinControl* form, uint16_t time, uint8_t maxAlpha, TacAnimType mode) {
  HWND handle = form->Handle();
  RECT bounds{};
  if (!GetWindowRect(handle, &bounds)) return;
  const int32_t w = bounds.right - bounds.left, h = bounds.bottom - bounds.top;
  if (w < 1 || h < 1) return;
  auto* provider = reinterpret_cast<IacProviderOwner*>(SendAlphaCmdWnd(handle, cmdGetProvider, 0));
  if (!RenderFormImage(form, provider, w, h)) return;

  vcl::TForm* overlay = MakeOverlayFor(handle, bounds, 0);
  if (!overlay) return;
  HWND overlayHandle = overlay->Handle();
  POINT position{bounds.left, bounds.top};

  const int32_t steps = AnimStepsFor(time);
  const vcl::TRect whole{0, 0, w, h};
  UpdateOverlay(overlayHandle, position, AnimImage.get(), steps > 0 ? 0 : maxAlpha, whole, -1);
  ShowWindow(overlayHandle, SW_SHOWNOACTIVATE);
  RunLayeredFrames(overlayHandle, position, AnimImage.get(), steps, steps > 0 ? double(maxAlpha) / steps : 0,
                   maxAlpha, mode);

  // The window is repainted under the overlay before the overlay goes, so nothing flickers.
  AnimationInProgress = false;
  SendMessageA(handle, WM_SETREDRAW, 1, 0);
  RedrawWindow(handle, nullptr, nullptr, kFinalRedrawFlags);
}

}  // namespace

void AnimShowDialog(IacDialogFrame* dialog, uint16_t time, uint8_t maxAlpha, TacAnimType mode) {
  if (!dialog || !LayeredAnimationAvailable()) return;
  HWND wnd = dialog->DialogWindow();
  RECT bounds{};
  if (!wnd || !GetWindowRect(wnd, &bounds)) return;
  TAnimationScope scope(nullptr);
  dialog->RenderFrameCache();
  vcl::TBitmap* frame = dialog->FrameImage();
  if (!frame || frame->Empty()) return;
  const int32_t w = frame->Width(), h = frame->Height();

  // The frame, and the children printed over it at the client's place and clipped to it.
  const RECT client = StartAnimImageFromFrame(frame, wnd);
  const int32_t x = dialog->ClientOffsetX(), y = dialog->ClientOffsetY();
  const int saved = SaveDC(AnimImageDC);
  IntersectClipRect(AnimImageDC, x, y, x + client.right, y + client.bottom);
  SetWindowOrgEx(AnimImageDC, -x, -y, nullptr);
  dialog->PrintChildren(AnimImageDC);
  RestoreDC(AnimImageDC, saved);
  AnimImageDC = nullptr;
  GdiFlush();
  const vcl::TRect whole{0, 0, w, h};
  SetRectAlpha32(AnimImage.get(), whole, 255);

  const vcl::TRect margins = dialog->GetShadowMargins();
  const RECT overlayBounds{bounds.left - margins.left, bounds.top - margins.top, bounds.left - margins.left + w,
                           bounds.top - margins.top + h};
  HWND overlayHandle = FadeInOverlay(wnd, overlayBounds, time, maxAlpha, mode);
  if (!overlayHandle) return;

  // The dialog is drawn under the overlay before the overlay goes, so nothing flickers.
  SendMessageA(wnd, WM_SETREDRAW, 1, 0);
  AnimationInProgress = false;
  dialog->SetWindowRegion(false);
  RedrawWindow(wnd, nullptr, nullptr, kFinalRedrawFlags);
  SetWindowPos(overlayHandle, wnd, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void AnimShowBorderForm(IacBorderFrame* border, uint16_t time, uint8_t maxAlpha, TacAnimType mode) {
  if (!border || !LayeredAnimationAvailable()) return;
  vcl::TWinControl* form = border->BorderOwner();
  if (!form || !form->HandleAllocated()) return;
  HWND wnd = form->Handle();
  TAnimationScope scope(form);
  vcl::TBitmap* frame = border->RenderBorderImage();
  if (!AnimatedControl || !frame || frame->Empty()) return;
  const int32_t w = frame->Width(), h = frame->Height();

  // The border's picture, and the form's windowed children printed over its client area.
  const RECT client = StartAnimImageFromFrame(frame, wnd);
  const vcl::TPoint at = border->BorderClientOffset();
  const int saved = SaveDC(AnimImageDC);
  IntersectClipRect(AnimImageDC, at.x, at.y, at.x + client.right, at.y + client.bottom);
  for (int i = 0; i < form->ControlCount() && AnimatedControl; ++i) {
    auto* child = dynamic_cast<vcl::TWinControl*>(form->Controls(i));
    if (!child || !child->Visible()) continue;
    const int childSaved = SaveDC(AnimImageDC);
    SetViewportOrgEx(AnimImageDC, at.x + child->Left(), at.y + child->Top(), nullptr);
    PaintControlToBitmap(AnimImage.get(), child, 0, nullptr, 0);
    RestoreDC(AnimImageDC, childSaved);
  }
  RestoreDC(AnimImageDC, saved);
  AnimImageDC = nullptr;
  if (!AnimatedControl) return;
  GdiFlush();
  // The client area is opaque; the shadow keeps its own alpha.
  SetRectAlpha32(AnimImage.get(), vcl::TRect{at.x, at.y, at.x + client.right, at.y + client.bottom}, 255);

  const vcl::TPoint origin = border->BorderOrigin();
  const RECT overlayBounds{origin.x, origin.y, origin.x + w, origin.y + h};
  HWND overlayHandle = FadeInOverlay(wnd, overlayBounds, time, maxAlpha, mode);
  if (!overlayHandle) return;
  if (!AnimatedControl) return;

  // The border and the form are drawn under the overlay before the overlay goes.
  AnimationInProgress = false;
  SendMessageA(wnd, WM_SETREDRAW, 1, 0);
  border->ShowBorder(maxAlpha);
  if (!AnimatedControl) return;
  RedrawWindow(wnd, nullptr, nullptr, kFinalRedrawFlags);
  SetWindowPos(overlayHandle, wnd, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // On a real display the platform restacks the border over the form when the overlay goes
  // below the form: the border goes back under it.
  border->KeepBelowOwner();
}

bool LayeredAnimationAvailable() { return CanUseLayeredWindows(); }

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

void AnimShowControl(vcl::TWinControl* control, uint16_t time, uint8_t maxAlpha, TacAnimType mode) {
  if (!control) return;
  TAnimationScope scope(control);
  if (LayeredAnimationAvailable() && dynamic_cast<vcl::TCustomForm*>(control)) {
    if (control->HandleAllocated()) AnimShowForm(control, time, maxAlpha, mode);
    return;
  }
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
  if (MajorVersionAbove5()) RedrawWindow(control->Handle(), nullptr, nullptr, kFinalRedrawFlags);
  SetWindowPos(overlay, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOZORDER |
                                                 SWP_NOMOVE | SWP_NOSIZE);
}

}  // namespace skin
