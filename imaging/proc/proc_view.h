// What the processing object needs of the view it is attached to. The views stand above the
// processing object in the library's layers (a view creates one for itself), so the processing
// object sees a view only through this interface, which the views implement.
//
// Every view offers the base part: its bitmap, its background, its refresh and the bitmap-change
// handlers. A single-image view also offers its selection and its layers (SingleImageView), and
// the vector view its objects (VectorView); other views answer nil there.
//
// The names and signatures of the base part are those of the I/O object's view interface, so a
// view that implements both overrides each method once.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "vcl/graphics/colours.h"
#include "vcl/runtime/win.h"

namespace vcl {
class TBitmap;
class TComponent;
class TStream;
}  // namespace vcl

namespace imaging {

class TIEBitmap;
class TIEMask;

// Called by the view when its bitmap changes (new image, other current layer), or with
// `destroying` when the view goes away.
using TIEBitmapChangeHandler = std::function<void(bool destroying)>;

// A layer's 16-byte identifier.
using TIELayerId = std::array<uint8_t, 16>;

class TIEProcSingleImageView;
class TIEProcVectorView;

class TIEProcView {
 public:
  virtual ~TIEProcView() = default;

  // The view as a component, for free notification. The processing object keeps this pointer
  // and compares it only: it never calls the view after the view announced its end.
  virtual vcl::TComponent* ViewComponent() = 0;
  // The current layer's bitmap; nil for a view that shows a platform bitmap only.
  virtual TIEBitmap* GetIEBitmap() = 0;
  // The view's platform bitmap; may be nil.
  virtual vcl::TBitmap* GetTBitmap() = 0;
  // Refreshes the view from its bitmap; fires its image-changed event.
  virtual void Update() = 0;
  virtual void ImageChange() = 0;
  virtual vcl::TColor GetBackground() = 0;
  virtual void SetBackground(vcl::TColor colour) = 0;
  // Registers a handler; the returned handle unregisters it. The view calls every handler with
  // destroying = true at the start of its destructor, while it is still whole, and then drops
  // them itself.
  virtual int32_t AddBitmapChangeHandler(TIEBitmapChangeHandler handler) = 0;
  virtual void RemoveBitmapChangeHandler(int32_t handle) = 0;

  virtual TIEProcSingleImageView* SingleImageView() { return nullptr; }
  virtual TIEProcVectorView* VectorView() { return nullptr; }
};

// The selection and the layers of a single-image view.
class TIEProcSingleImageView {
 public:
  virtual ~TIEProcSingleImageView() = default;

  // ---- selection ----
  virtual TIEMask* SelectionMask() = 0;
  virtual bool HasSelection() = 0;
  // The points of the polygon selection (count of them in `count`); nil for none.
  virtual const POINT* GetSelectionPolygon(int32_t& count) = 0;
  virtual void SaveSelectionToStream(vcl::TStream* stream) = 0;
  // mode 1: a selection that no longer fits a smaller bitmap is moved back inside it.
  virtual void LoadSelectionFromStream(vcl::TStream* stream, int32_t mode) = 0;

  // ---- layers ----
  virtual int32_t GetLayerCount() = 0;
  virtual int32_t CurrentLayer() = 0;
  virtual TIEBitmap* GetLayerBitmap(int32_t index) = 0;
  virtual TIELayerId GetLayerId(int32_t index) = 0;
  // One layer record: int32 length of the whole record, the 16-byte identifier, then the
  // layer's own data (its pixels only when asked).
  virtual void SaveLayerToStream(int32_t index, vcl::TStream* stream, bool withPixels) = 0;
  // Reads a record written by SaveLayerToStream back into the layer.
  virtual void LoadLayerFromStream(int32_t index, vcl::TStream* stream) = 0;
  // All layers; imageCode -1: layer images zlib-compressed, -2 raw.
  virtual void SaveLayersToStream(vcl::TStream* stream, int32_t imageCode) = 0;
  // Replaces all layers.
  virtual void LoadLayersFromStream(vcl::TStream* stream) = 0;
};

// The vector objects of the vector view.
class TIEProcVectorView {
 public:
  virtual ~TIEProcVectorView() = default;
  virtual void SaveObjectsToStream(vcl::TStream* stream) = 0;
  virtual void LoadObjectsFromStream(vcl::TStream* stream) = 0;
  // The layers, then the objects; imageCode -1: layer images zlib-compressed.
  virtual void SaveLayersAndObjectsToStream(vcl::TStream* stream, int32_t imageCode) = 0;
  virtual void LoadLayersAndObjectsFromStream(vcl::TStream* stream) = 0;
};

}  // namespace imaging
