// What the I/O object needs of the image view it is attached to. The view stands above the I/O
// object in the library's layers (it creates one for itself), so the I/O object sees it only
// through this interface, which the view implements.
#pragma once

#include <cstdint>
#include <functional>

#include "vcl/graphics/colours.h"
#include "vcl/runtime/win.h"

namespace vcl {
class TBitmap;
class TComponent;
}  // namespace vcl

namespace imaging {

class TIEBitmap;

// The messages the I/O object posts to the view's window from its worker threads; the view
// handles them on its own thread.
constexpr UINT IEM_UPDATE = 0x1F58;      // the view calls its Update
constexpr UINT IEM_PROGRESS = 0x1F5B;    // wParam: per cent; the view fires its own OnProgress
constexpr UINT IEM_FINISHWORK = 0x1F5C;  // the view fires its own OnFinishWork

// Called by the view when its bitmap changes, or with `destroying` when the view goes away.
using TIEBitmapChangeHandler = std::function<void(bool destroying)>;

class TIEAttachedView {
 public:
  virtual ~TIEAttachedView() = default;

  // The view as a component, for free notification.
  virtual vcl::TComponent* ViewComponent() = 0;
  // The current layer's bitmap; nil for a view that shows a platform bitmap only.
  virtual TIEBitmap* GetIEBitmap() = 0;
  // The view's platform bitmap; may be nil.
  virtual vcl::TBitmap* GetTBitmap() = 0;
  // The view's window and whether it sits in a parent window (only then are messages posted).
  virtual HWND ViewHandle() = 0;
  virtual bool HasParentWindow() = 0;
  // Refreshes the view from its bitmap; fires its image-changed event.
  virtual void Update() = 0;
  virtual void ImageChange() = 0;
  virtual vcl::TColor GetBackground() = 0;
  virtual int32_t GetDpiX() = 0;
  virtual int32_t GetDpiY() = 0;
  // The view's resolution (0 ignored).
  virtual void SetDpiX(int32_t value) = 0;
  virtual void SetDpiY(int32_t value) = 0;
  // Registers a handler; the returned handle unregisters it.
  virtual int32_t AddBitmapChangeHandler(TIEBitmapChangeHandler handler) = 0;
  virtual void RemoveBitmapChangeHandler(int32_t handle) = 0;
};

}  // namespace imaging
