#include "bitmap/controls/layers.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "bitmap/engine/transfer.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/controls/screen.h"

namespace bitmap {

namespace {

// Round half to even, kept inside the integer range so that a far-away float cannot overflow.
int32_t RoundToInt(double value) {
  const double rounded = std::nearbyint(value);
  if (!(rounded >= double(std::numeric_limits<int32_t>::min()))) return std::numeric_limits<int32_t>::min();
  if (rounded > double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  return int32_t(rounded);
}

uint8_t ButtonBit(vcl::TMouseButton button) {
  switch (button) {
    case vcl::mbLeft: return 1;
    case vcl::mbRight: return 2;
    case vcl::mbMiddle: return 4;
  }
  return 0;
}

void SetScreenCursor(vcl::TCursor cursor) {
  if (vcl::Screen) vcl::Screen->SetCursor(cursor);
}

}  // namespace

// ---- TLayerCollection ----

TLayerCollection::TLayerCollection(vcl::TPersistent* owner) : owner_(owner) {}

TLayerCollection::~TLayerCollection() {
  updateCount_ = 1;  // nothing is reported while the collection dies
  Clear();
}

TCustomLayer* TLayerCollection::Add(TLayerClass layerClass) { return layerClass->Create(this); }

void TLayerCollection::Clear() {
  BeginUpdate();
  try {
    while (items_.Count() > 0) delete static_cast<TCustomLayer*>(items_.Last());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TLayerCollection::Assign(vcl::TPersistent* source) {
  auto* other = dynamic_cast<TLayerCollection*>(source);
  if (!other) {
    inherited::Assign(source);
    return;
  }
  BeginUpdate();
  try {
    while (items_.Count() > 0) delete static_cast<TCustomLayer*>(items_.Last());
    for (int i = 0; i < other->Count(); ++i) {
      TCustomLayer* original = other->Items(i);
      Add(original->LayerClassType())->Assign(original);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TLayerCollection::BeginUpdate() {
  if (updateCount_ == 0) NotifyChanging();
  ++updateCount_;
}

void TLayerCollection::EndUpdate() {
  vcl::Assert(updateCount_ > 0, "Unpaired EndUpdate");
  if (--updateCount_ == 0) NotifyChanged();
}

void TLayerCollection::NotifyChanged() {
  // Inside an update bracket the one notice comes from the last EndUpdate.
  if (updateCount_ == 0 && OnChange) OnChange(this);
}

void TLayerCollection::NotifyChanging() {
  // Inside an update bracket the first BeginUpdate has told of it already.
  if (updateCount_ == 0 && OnChanging) OnChanging(this);
}

void TLayerCollection::OverlayUpdate() {
  if (updateCount_ == 0 && OnOverlayUpdate) OnOverlayUpdate(this);
}

TCustomLayer* TLayerCollection::Items(int index) const {
  return static_cast<TCustomLayer*>(items_.Items(index));
}

void TLayerCollection::AttachLayer(TCustomLayer* layer) {
  BeginUpdate();
  items_.Add(layer);
  layer->collection_ = this;
  EndUpdate();
}

void TLayerCollection::DetachLayer(TCustomLayer* layer) {
  BeginUpdate();
  items_.Remove(layer);
  layer->collection_ = nullptr;
  EndUpdate();
}

TCustomLayer* TLayerCollection::LayerAt(int X, int Y, uint32_t optionMask) {
  for (int i = items_.Count() - 1; i >= 0; --i) {
    TCustomLayer* layer = Items(i);
    if ((layer->Options() & optionMask) != 0 && layer->HitTestWithEvent(X, Y)) return layer;
  }
  return nullptr;
}

void TLayerCollection::SetCapturingLayer(TCustomLayer* layer) {
  if (layer == capturingLayer_) return;
  if (capturingLayer_) capturingLayer_->pressedButtons_ = 0;
  capturingLayer_ = layer;
}

TCustomLayer* TLayerCollection::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int X,
                                          int Y) {
  TCustomLayer* target = capturingLayer_ ? capturingLayer_ : LayerAt(X, Y, loMouseEvents);
  if (button == vcl::mbLeft && target != capturingLayer_ &&
      (!target || (target->Options() & loNoCapture) == 0))
    SetCapturingLayer(target);
  if (capturingLayer_) {
    capturingLayer_->pressedButtons_ |= ButtonBit(button);
    capturingLayer_->MouseDown(button, shift, X, Y);
  }
  return target;
}

TCustomLayer* TLayerCollection::MouseMove(vcl::TShiftState shift, int X, int Y) {
  TCustomLayer* target = capturingLayer_ ? capturingLayer_ : LayerAt(X, Y, loMouseEvents);
  if (target)
    target->MouseMove(shift, X, Y);
  else if (auto* control = dynamic_cast<vcl::TControl*>(owner_))
    SetScreenCursor(control->Cursor());
  return target;
}

TCustomLayer* TLayerCollection::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int X,
                                        int Y) {
  TCustomLayer* target = capturingLayer_ ? capturingLayer_ : LayerAt(X, Y, loMouseEvents);
  if (target) {
    target->pressedButtons_ &= uint8_t(~ButtonBit(button));
    target->MouseUp(button, shift, X, Y);
  }
  if (capturingLayer_ && (capturingLayer_->pressedButtons_ & 7) == 0) SetCapturingLayer(nullptr);
  return target;
}

// ---- TCustomLayer ----

TLayerClass TCustomLayer::LayerClass() {
  static const TLayerClassInfo info(StaticClass(), [](TLayerCollection* c) -> TCustomLayer* {
    return new TCustomLayer(c);
  });
  return &info;
}

TCustomLayer::TCustomLayer(TLayerCollection* collection) {
  SetCollection(collection);
  options_ = loVisible;
}

TCustomLayer::~TCustomLayer() {
  NotifyDestroying();
  if (notifyList_) {
    // A layer told here may take itself off the list, or drop the whole list.
    for (int i = notifyList_->Count() - 1; notifyList_ && i >= 0; --i)
      if (i < notifyList_->Count()) static_cast<TCustomLayer*>(notifyList_->Items(i))->Notification(this);
    delete notifyList_;
    notifyList_ = nullptr;
  }
  try {
    SetCollection(nullptr);
  } catch (...) {
    // An owner's change handler failed while the layer left; the layer is gone either way.
  }
}

void TCustomLayer::NotifyDestroying() {
  if (destroying_) return;
  destroying_ = true;
  if (OnDestroy) {
    try {
      OnDestroy(this);
    } catch (...) {
      // A destructor must not fail; the layer is freed whatever the handler did.
    }
  }
}

void TCustomLayer::SetCollection(TLayerCollection* value) {
  if (value == collection_) return;
  if (collection_) {
    if (collection_->CapturingLayer() == this) collection_->SetCapturingLayer(nullptr);
    collection_->DetachLayer(this);
  }
  if (value) value->AttachLayer(this);
}

int TCustomLayer::Index() const { return collection_ ? collection_->items_.IndexOf(const_cast<TCustomLayer*>(this)) : -1; }

void TCustomLayer::SetIndex(int value) {
  if (!collection_) return;
  const int current = Index();
  if (value == current) return;
  value = std::clamp(value, 0, collection_->Count() - 1);
  if (value == current) return;
  if (IsVisible()) {
    collection_->BeginUpdate();
    collection_->items_.Move(current, value);
    collection_->EndUpdate();
  } else {
    collection_->items_.Move(current, value);
  }
}

void TCustomLayer::SetOptions(uint32_t value) {
  if (value == options_) return;
  const bool wasVisible = IsVisible();
  LayerChanging();
  options_ = value;
  // A layer that was just hidden must still be taken off the screen.
  if (wasVisible && !IsVisible() && collection_ && (options_ & loSilent) == 0)
    collection_->NotifyChanged();
  else
    LayerChanged();
}

void TCustomLayer::AddNotification(TCustomLayer* layer) {
  if (!notifyList_) notifyList_ = new vcl::TList;
  if (notifyList_->IndexOf(layer) < 0) notifyList_->Add(layer);
}

void TCustomLayer::RemoveNotification(TCustomLayer* layer) {
  if (notifyList_) notifyList_->Remove(layer);
}

bool TCustomLayer::HitTestWithEvent(int X, int Y) {
  bool passed = HitTest(X, Y);
  if (OnHitTest) OnHitTest(this, X, Y, passed);
  return passed;
}

void TCustomLayer::PaintWithEvent(TBitmap32* buffer) {
  Paint(buffer);
  if (OnPaint) OnPaint(this, buffer);
}

void TCustomLayer::LayerChanging() {
  if (IsVisible() && collection_ && (options_ & loSilent) == 0) collection_->NotifyChanging();
}

void TCustomLayer::LayerChanged() {
  if (!collection_ || (options_ & loSilent) != 0) return;
  if (IsVisible())
    collection_->NotifyChanged();
  else if ((options_ & loCanvasOverlay) != 0)
    collection_->OverlayUpdate();
}

void TCustomLayer::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, X, Y);
}

void TCustomLayer::MouseMove(vcl::TShiftState shift, int X, int Y) {
  SetScreenCursor(cursor_);
  if (OnMouseMove) OnMouseMove(this, shift, X, Y);
}

void TCustomLayer::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int X, int Y) {
  SetScreenCursor(vcl::crDefault);
  if (OnMouseUp) OnMouseUp(this, button, shift, X, Y);
}

// ---- TPositionedLayer ----

TPositionedLayer::TPositionedLayer(TLayerCollection* collection) : TCustomLayer(collection) {
  SetDefaultOptions(loVisible | loMouseEvents);
}

TPositionedLayer::~TPositionedLayer() { NotifyDestroying(); }

void TPositionedLayer::SetLocation(const TFloatRect& value) {
  LayerChanging();
  StoreLocation(value);
  LayerChanged();
}

void TPositionedLayer::SetScaled(bool value) {
  if (value == scaled_) return;
  LayerChanging();
  scaled_ = value;
  LayerChanged();
}

TFloatRect TPositionedLayer::ScreenLocation() const {
  const TViewTransform* transform = Collection() ? Collection()->ViewTransform() : nullptr;
  if (!scaled_ || !transform) return location_;
  auto mapX = [&](float x) { return float(double(transform->ScaleX) * x / 65536.0 + transform->OffsetX); };
  auto mapY = [&](float y) { return float(double(transform->ScaleY) * y / 65536.0 + transform->OffsetY); };
  return TFloatRect{mapX(location_.Left), mapY(location_.Top), mapX(location_.Right),
                    mapY(location_.Bottom)};
}

bool TPositionedLayer::HitTest(int X, int Y) {
  const TFloatRect r = ScreenLocation();
  return X >= r.Left && X < r.Right && Y >= r.Top && Y < r.Bottom;
}

// ---- TBitmapLayer ----

TBitmapLayer::TBitmapLayer(TLayerCollection* collection)
    : TPositionedLayer(collection), bitmap_(std::make_unique<TBitmap32>()) {
  bitmap_->OnChange = [this](vcl::TObject* sender) { BitmapChangedHandler(sender); };
}

TBitmapLayer::~TBitmapLayer() {
  NotifyDestroying();
  bitmap_->OnChange = nullptr;
  bitmap_.reset();
}

void TBitmapLayer::SetCropToBitmap(bool value) {
  if (value == cropToBitmap_) return;
  LayerChanging();
  cropToBitmap_ = value;
  LayerChanged();
}

bool TBitmapLayer::HitTest(int X, int Y) {
  const bool inside = TPositionedLayer::HitTest(X, Y);
  if (!inside || !hitByAlpha_) return inside;
  const TFloatRect r = ScreenLocation();
  const int32_t w = RoundToInt(double(r.Right) - r.Left), h = RoundToInt(double(r.Bottom) - r.Top);
  if (w < 1 || h < 1) return false;
  const int32_t bx = RoundToInt((X - double(r.Left)) * bitmap_->Width() / w);
  const int32_t by = RoundToInt((Y - double(r.Top)) * bitmap_->Height() / h);
  return AlphaOf(bitmap_->GetPixelSafe(bx, by)) != 0;
}

void TBitmapLayer::Paint(TBitmap32* buffer) {
  if (bitmap_->IsEmpty() || !buffer || buffer->IsEmpty()) return;
  const TFloatRect location = ScreenLocation();
  const TRect dstRect{RoundToInt(location.Left), RoundToInt(location.Top), RoundToInt(location.Right),
                      RoundToInt(location.Bottom)};
  TRect clip = buffer->BoundsRect();
  auto* owner = Collection() ? dynamic_cast<ILayerOwner*>(Collection()->GetOwner()) : nullptr;
  if (cropToBitmap_ && owner && !owner->PaintToActive()) {
    if (int64_t(dstRect.Right) - dstRect.Left < 1 || int64_t(dstRect.Bottom) - dstRect.Top < 1) return;
    IntersectRects(clip, clip, owner->GetBitmapRect());
  }
  GdiFlush();  // platform drawing into the layer's bitmap must have reached its pixels
  TransferRect(buffer, dstRect, clip, bitmap_.get(), bitmap_->BoundsRect(), bitmap_->StretchFilter(),
               bitmap_->DrawMode(), bitmap_->OnPixelCombine);
}

}  // namespace bitmap
