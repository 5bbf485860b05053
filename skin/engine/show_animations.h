// Animated appearance of a window: its final image is rendered off screen and shown in an
// overlay that fades in (or grows from the centre), after which the window is redrawn
// underneath. Forms get a layered overlay window; other controls, and every window where the
// platform has no layered windows, cross-fade a snapshot of the screen into the image inside an
// output window. One animation runs at a time; its overlay and bitmaps live in the globals below.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "skin/engine/anim_effects.h"
#include "vcl/controls/controls.h"
#include "vcl/graphics/bitmap.h"

namespace skin {

// The window the frames are shown in, or null; cleared when it is freed with its owner.
extern vcl::TWinControl* AnimOverlayWindow;
extern std::unique_ptr<vcl::TBitmap> AnimImage;     // the window's final image
extern HDC AnimImageDC;                             // the image's DC while it is rendered into
extern std::unique_ptr<vcl::TBitmap> AnimSnapshot;  // the screen under the window

// Frames of an animation of `time` milliseconds: steps + 1, with 8 ms between them.
constexpr int32_t AnimStepsFor(uint16_t time) { return time / 8; }
// Forms are shown through a layered overlay only where the platform offers layered windows.
bool LayeredAnimationAvailable();

// One update of a layered overlay: what the screen would show.
struct TAnimOverlayUpdate {
  int32_t Frame = -1;              // 0..steps inside the frame loop; -1 for the update that shows the overlay
  uint8_t Alpha = 0;               // the constant alpha the bitmap is shown with
  vcl::TRect Target;               // where the window's image lies in the bitmap
  vcl::TBitmap* Bitmap = nullptr;  // valid during the call only
  HWND Overlay = nullptr;
};
// Called after each layered overlay update when set, so that the frames can be checked without
// watching the screen.
extern std::function<void(const TAnimOverlayUpdate&)> AnimOverlayObserver;

// Shows the control animated (`maxAlpha` is the final opacity of layered overlays). However it
// ends, AnimationInProgress is cleared, the control is thawed and the overlay and bitmaps are
// freed. The call blocks for about `time` milliseconds and handles no messages meanwhile.
void AnimShowControl(vcl::TWinControl* control, uint16_t time, uint8_t maxAlpha, TacAnimType mode);
// Takes the screen snapshot under the control and shows an output window over it (each only
// when missing). False when the control has no window to cover.
bool ShowOutputWindowOver(vcl::TWinControl* control);

// What the animated dialog show needs of a skinned dialog's frame (form skinning implements it
// for the windows it skins without a form).
class IacDialogFrame {
 public:
  virtual HWND DialogWindow() const = 0;
  virtual void RenderFrameCache() = 0;
  virtual vcl::TBitmap* FrameImage() const = 0;  // the rendered frame, the window's size
  virtual int32_t CaptionHeight(bool useSkin) const = 0;
  virtual int32_t ClientOffsetX() const = 0;
  virtual int32_t ClientOffsetY() const = 0;
  virtual vcl::TRect GetShadowMargins() const = 0;
  virtual void SetWindowRegion(bool redraw) = 0;
  // Prints the visible child windows into the DC at their client places.
  virtual void PrintChildren(HDC dc) = 0;

 protected:
  ~IacDialogFrame() = default;
};

// Shows a skinned dialog animated through a layered overlay: its frame and its printed children
// fade in (or grow from the centre), then the dialog is redrawn under the overlay, which goes.
// Blocks for about `time` milliseconds and handles no messages meanwhile.
void AnimShowDialog(IacDialogFrame* dialog, uint16_t time, uint8_t maxAlpha, TacAnimType mode);

// What the show animation of a form with an extended border window needs of that border.
class IacBorderFrame {
 public:
  // The form the border surrounds.
  virtual vcl::TWinControl* BorderOwner() const = 0;
  // The border window's picture rendered now: the whole frame with its shadow alpha and the
  // client background.
  virtual vcl::TBitmap* RenderBorderImage() = 0;
  // Where the picture's top-left corner lies on the screen, and where the client area lies in it.
  virtual vcl::TPoint BorderOrigin() const = 0;
  virtual vcl::TPoint BorderClientOffset() const = 0;
  // Places and shows the border window at the opacity.
  virtual void ShowBorder(uint8_t alpha) = 0;
  // Puts the shown border window back just below its form in Z order.
  virtual void KeepBelowOwner() = 0;

 protected:
  ~IacBorderFrame() = default;
};

// Shows a form with an extended border animated: the border's picture with the form's children
// printed over its client area fades in (or grows from the centre) in a layered overlay; then
// the border window is shown at the final opacity, the form redrawn under the overlay, which
// goes. Blocks for about `time` milliseconds and handles no messages meanwhile.
void AnimShowBorderForm(IacBorderFrame* border, uint16_t time, uint8_t maxAlpha, TacAnimType mode);

}  // namespace skin
