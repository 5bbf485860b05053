// Layers: drawable objects stacked over an image control's bitmap. A TLayerCollection holds
// them in paint order (the first is painted first), hit-tests them, routes mouse input to
// them and tells its owner when they change; TPositionedLayer places a layer by a rectangle
// and TBitmapLayer paints a TBitmap32 there through TransferRect.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "bitmap/engine/bitmap32.h"
#include "vcl/controls/controls.h"
#include "vcl/runtime/lists.h"
#include "vcl/runtime/persistent.h"

namespace vcl {
class TCanvas;
}  // namespace vcl

namespace bitmap {

class TCustomLayer;
class TLayerCollection;

// An image control's mapping from bitmap to control coordinates: control x = ScaleX * x /
// 65536 + OffsetX (scales in 16.16 fixed point, offsets in pixels), likewise for y.
struct TViewTransform {
  int32_t ScaleX = 65536;
  int32_t ScaleY = 65536;
  int32_t OffsetX = 0;
  int32_t OffsetY = 0;
};

// What layers need of the image control that owns their collection.
class ILayerOwner {
 public:
  // Where the control shows its bitmap, in control coordinates.
  virtual TRect GetBitmapRect() = 0;
  // True while the control paints its whole picture into another bitmap.
  virtual bool PaintToActive() const = 0;

 protected:
  ~ILayerOwner() = default;
};

// A layer class: its run-time class and a way to make a layer of it in a collection.
class TLayerClassInfo {
 public:
  TLayerClassInfo(const vcl::TMetaClass* meta, TCustomLayer* (*create)(TLayerCollection*))
      : meta_(meta), create_(create) {}
  TLayerClassInfo(const TLayerClassInfo&) = delete;
  TLayerClassInfo& operator=(const TLayerClassInfo&) = delete;

  const vcl::TMetaClass* Meta() const { return meta_; }
  TCustomLayer* Create(TLayerCollection* collection) const { return create_(collection); }

 private:
  const vcl::TMetaClass* meta_;
  TCustomLayer* (*create_)(TLayerCollection*);
};
using TLayerClass = const TLayerClassInfo*;

// VCL_CLASS plus the class reference: LayerClass() names the class, LayerClassType() a
// layer's own class. Every layer class starts its body with it.
#define BITMAP_LAYER_CLASS(Cls, Base)                                                         \
  VCL_CLASS(Cls, Base)                                                                        \
  static ::bitmap::TLayerClass LayerClass() {                                                 \
    static const ::bitmap::TLayerClassInfo info(                                              \
        StaticClass(), [](::bitmap::TLayerCollection* c) -> ::bitmap::TCustomLayer* { return new Cls(c); }); \
    return &info;                                                                             \
  }                                                                                           \
  ::bitmap::TLayerClass LayerClassType() const override { return LayerClass(); }

// Layer options.
constexpr uint32_t loVisible = 0x80000000u;        // painted by the draw-layers stage
constexpr uint32_t loCanvasOverlay = 0x40000000u;  // PaintOverlay after every blit
constexpr uint32_t loMouseEvents = 0x20000000u;    // takes part in hit-testing
constexpr uint32_t loSilent = 0x10000000u;         // its changes reach nobody
constexpr uint32_t loNoCapture = 0x08000000u;      // a left press does not capture the mouse

using TLayerHitTestEvent = std::function<void(vcl::TObject* Sender, int X, int Y, bool& Passed)>;
using TLayerPaintEvent = std::function<void(vcl::TObject* Sender, TBitmap32* Buffer)>;

class TLayerCollection : public vcl::TPersistent {
  VCL_CLASS(TLayerCollection, vcl::TPersistent)
  // The owner is the image control (an ILayerOwner and a platform control); tests use their
  // own.
  explicit TLayerCollection(vcl::TPersistent* owner);
  // Frees every layer without telling the owner anything.
  ~TLayerCollection() override;

  // A new layer of the class, in this collection.
  TCustomLayer* Add(TLayerClass layerClass);
  template <class T>
  T* Add() {
    return static_cast<T*>(Add(T::LayerClass()));
  }
  // Frees every layer, the last first, in one update bracket.
  void Clear();
  // From another collection: its layers' classes, each copied by the platform's assignment,
  // which the layers here do not support, so a collection with layers raises the
  // assignment error (after the first new layer is in place; the bracket is closed).
  void Assign(vcl::TPersistent* source) override;

  // The first BeginUpdate tells of the coming change; the last EndUpdate tells of the change.
  // EndUpdate without BeginUpdate raises EAssertionFailed "Unpaired EndUpdate".
  void BeginUpdate();
  void EndUpdate();
  int32_t UpdateCount() const { return updateCount_; }
  // Fire OnChange and OnChanging, outside an update bracket only: inside one, the first
  // BeginUpdate and the last EndUpdate tell of all its changes at once.
  void NotifyChanged();
  void NotifyChanging();
  // Fires OnOverlayUpdate outside an update bracket.
  void OverlayUpdate();

  int Count() const { return items_.Count(); }
  // Raises EListError "List index out of bounds (%d)" for a bad index.
  TCustomLayer* Items(int index) const;

  // The topmost layer with one of the options in `optionMask` that the point hits, or nil.
  TCustomLayer* LayerAt(int X, int Y, uint32_t optionMask = loMouseEvents);

  // Mouse input from the owner: each returns the layer the input went to, or nil. A left
  // press on a layer captures the mouse for it until its last button is released.
  TCustomLayer* MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int X, int Y);
  TCustomLayer* MouseMove(vcl::TShiftState shift, int X, int Y);
  TCustomLayer* MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int X, int Y);
  // The owner routes mouse input only while this is set (it is from the start).
  bool MouseEvents() const { return mouseEvents_; }
  void SetMouseEvents(bool value) { mouseEvents_ = value; }
  TCustomLayer* CapturingLayer() const { return capturingLayer_; }
  // The previous capturing layer forgets its pressed buttons.
  void SetCapturingLayer(TCustomLayer* layer);

  // The owner's view transform, read by scaled layers; set by the owner, not owned.
  const TViewTransform* ViewTransform() const { return viewTransform_; }
  void SetViewTransform(const TViewTransform* transform) { viewTransform_ = transform; }

  vcl::TPersistent* GetOwner() override { return owner_; }

  TNotifyEvent OnChanging;
  TNotifyEvent OnChange;
  TNotifyEvent OnOverlayUpdate;

 protected:
  friend class TCustomLayer;
  // Append to or remove from the list, setting or clearing the layer's collection, each in
  // an update bracket.
  void AttachLayer(TCustomLayer* layer);
  void DetachLayer(TCustomLayer* layer);

 private:
  const TViewTransform* viewTransform_ = nullptr;
  vcl::TList items_;
  bool mouseEvents_ = true;
  TCustomLayer* capturingLayer_ = nullptr;
  int32_t updateCount_ = 0;
  vcl::TPersistent* owner_;
};

class TCustomLayer : public vcl::TPersistent {
  VCL_CLASS(TCustomLayer, vcl::TPersistent)
  // The class reference of the root (the derived classes get theirs from BITMAP_LAYER_CLASS).
  static TLayerClass LayerClass();
  virtual TLayerClass LayerClassType() const { return LayerClass(); }

  // Joins the collection (when given); options loVisible.
  explicit TCustomLayer(TLayerCollection* collection);
  // Tells the layers that asked for it, the last first, then leaves the collection (letting
  // go of the mouse first when it captures it).
  ~TCustomLayer() override;

  TLayerCollection* Collection() const { return collection_; }
  // Moves the layer to another collection (or none).
  void SetCollection(TLayerCollection* value);
  // The position in the collection's paint order, -1 without a collection.
  int Index() const;
  // Clamped into the collection; a visible layer's move is reported as a change.
  virtual void SetIndex(int value);

  uint32_t Options() const { return options_; }
  // Reported as a change of the layer, including hiding it.
  void SetOptions(uint32_t value);
  bool IsVisible() const { return (options_ & loVisible) != 0; }
  vcl::TCursor Cursor() const { return cursor_; }
  void SetCursor(vcl::TCursor value) { cursor_ = value; }
  // Bit 0 left, 1 right, 2 middle: the buttons pressed over this layer while it captures.
  uint8_t PressedButtons() const { return pressedButtons_; }

  // `layer` is told through Notification when this layer is destroyed. A layer that asks must
  // take itself off (RemoveNotification) before it is freed itself.
  void AddNotification(TCustomLayer* layer);
  void RemoveNotification(TCustomLayer* layer);

  // HitTest, then OnHitTest may change the answer.
  bool HitTestWithEvent(int X, int Y);
  // Paint, then OnPaint.
  void PaintWithEvent(TBitmap32* buffer);
  // Draws with the control's canvas after every blit (loCanvasOverlay layers); nothing here.
  virtual void PaintOverlay(vcl::TCanvas* canvas) {}

  // The collection's changing and change notices for this layer.
  void LayerChanging();
  void LayerChanged();

  vcl::TPersistent* GetOwner() override { return collection_; }

  TLayerHitTestEvent OnHitTest;
  vcl::TMouseEvent OnMouseDown;
  vcl::TMouseMoveEvent OnMouseMove;
  vcl::TMouseEvent OnMouseUp;
  TLayerPaintEvent OnPaint;
  TNotifyEvent OnDestroy;

 protected:
  friend class TLayerCollection;
  virtual bool HitTest(int X, int Y) { return true; }
  // Fire the mouse events; a move shows the layer's cursor, a release the default one.
  virtual void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int X, int Y);
  virtual void MouseMove(vcl::TShiftState shift, int X, int Y);
  virtual void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int X, int Y);
  // A layer this one asked to be told about is being destroyed.
  virtual void Notification(TCustomLayer* layer) {}
  virtual void Paint(TBitmap32* buffer) {}

  // Fires OnDestroy once, while the whole layer still exists: every layer class calls it
  // first in its destructor.
  void NotifyDestroying();
  // A class's own default options, set in its constructor without any notice.
  void SetDefaultOptions(uint32_t value) { options_ = value; }

 private:
  vcl::TCursor cursor_ = vcl::crDefault;
  vcl::TList* notifyList_ = nullptr;
  TLayerCollection* collection_ = nullptr;
  uint8_t pressedButtons_ = 0;
  uint32_t options_ = 0;
  bool destroying_ = false;
};

class TPositionedLayer : public TCustomLayer {
  BITMAP_LAYER_CLASS(TPositionedLayer, TCustomLayer)
  // Options loVisible and loMouseEvents, location (0, 0, 64, 64).
  explicit TPositionedLayer(TLayerCollection* collection);
  ~TPositionedLayer() override;

  const TFloatRect& Location() const { return location_; }
  void SetLocation(const TFloatRect& value);
  // A scaled layer's location is in bitmap coordinates, mapped by the owner's view transform.
  bool Scaled() const { return scaled_; }
  void SetScaled(bool value);
  // The location in control coordinates.
  TFloatRect ScreenLocation() const;

 protected:
  // The point lies inside the screen location (left and top edges included).
  bool HitTest(int X, int Y) override;
  virtual void StoreLocation(const TFloatRect& value) { location_ = value; }
  void BitmapChangedHandler(vcl::TObject* sender) { LayerChanged(); }

 private:
  TFloatRect location_{0, 0, 64, 64};
  bool scaled_ = false;
};

class TBitmapLayer : public TPositionedLayer {
  BITMAP_LAYER_CLASS(TBitmapLayer, TPositionedLayer)
  explicit TBitmapLayer(TLayerCollection* collection);
  ~TBitmapLayer() override;

  // The layer's own bitmap; its changes are the layer's changes.
  TBitmap32* Bitmap() const { return bitmap_.get(); }
  // Copies the bitmap (pixels and drawing settings).
  void SetBitmap(TBitmap32* value) { bitmap_->Assign(value); }
  // Hit only where the bitmap's pixel under the point is not fully transparent.
  bool HitByAlpha() const { return hitByAlpha_; }
  void SetHitByAlpha(bool value) { hitByAlpha_ = value; }
  // Painted only inside the owner's bitmap rectangle.
  bool CropToBitmap() const { return cropToBitmap_; }
  void SetCropToBitmap(bool value);

 protected:
  bool HitTest(int X, int Y) override;
  // The bitmap, stretched over the screen location by its own filter, draw mode, master alpha
  // and combiner.
  void Paint(TBitmap32* buffer) override;

 private:
  std::unique_ptr<TBitmap32> bitmap_;
  bool hitByAlpha_ = false;
  bool cropToBitmap_ = false;
};

}  // namespace bitmap
