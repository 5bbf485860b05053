// The image control: a paint box whose buffer is filled from a TBitmap32 and a layer
// collection by a list of paint stages (clear, background, bitmap, layers, frames, custom).
// The bitmap is placed by BitmapAlign and ScaleMode; the placement is kept as a rectangle and a
// 16.16 fixed-point view transform for the layers, and is recomputed only when something that
// affects it changes. Mouse input goes to the layers first. PaintTo renders the whole picture
// into another bitmap. TImage32 is the class form data creates.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "bitmap/engine/bitmap32.h"
#include "bitmap/controls/layers.h"
#include "bitmap/controls/paint_box32.h"

namespace bitmap {

enum TPaintStageKind : uint32_t {
  psCustom = 1,
  psClearBuffer = 2,
  psClearBackground = 3,
  psDrawBitmap = 4,
  psDrawLayers = 5,
  psControlFrame = 6,
  psBitmapFrame = 7,
};

struct TPaintStageRec {
  bool AtDesignTime = false;
  bool AtRunTime = true;
  uint32_t Kind = 0;       // a TPaintStageKind; other values paint nothing
  uint32_t Parameter = 0;  // psDrawLayers: the layer-option mask
};

class TPaintStages : public vcl::TObject {
  VCL_CLASS(TPaintStages, vcl::TObject)
  TPaintStages() = default;
  ~TPaintStages() override;

  // A new stage at the end (at run time only, kind 0), to be filled in; the reference holds
  // until the next Add or Clear.
  TPaintStageRec& Add();
  void Clear() { stages_.clear(); }
  int Count() const { return static_cast<int>(stages_.size()); }
  // Raises EListError "List index out of bounds (%d)" for a bad index.
  TPaintStageRec& Items(int index);

 private:
  std::vector<TPaintStageRec> stages_;
};

enum TBitmapAlign { baTopLeft, baCenter, baTile, baCustom };
enum TScaleMode { smNormal, smStretch, smScale, smResize };

using TImgMouseEvent = std::function<void(vcl::TObject* Sender, vcl::TMouseButton Button, vcl::TShiftState Shift,
                                          int X, int Y, TCustomLayer* Layer)>;
using TImgMouseMoveEvent =
    std::function<void(vcl::TObject* Sender, vcl::TShiftState Shift, int X, int Y, TCustomLayer* Layer)>;
using TPaintStageEvent = std::function<void(vcl::TObject* Sender, TBitmap32* Buffer, uint32_t StageNum)>;

class TCustomImage32 : public TCustomPaintBox32, public ILayerOwner {
  VCL_CLASS(TCustomImage32, TCustomPaintBox32)
  explicit TCustomImage32(vcl::TComponent* owner);
  // No notices while dying; then the stages, the layers and the bitmap go.
  ~TCustomImage32() override;

  TBitmap32* Bitmap() const { return bitmap_.get(); }
  // Copies the value (pixels and drawing settings).
  void SetBitmap(TBitmap32* value);
  TBitmapAlign BitmapAlign() const { return bitmapAlign_; }
  void SetBitmapAlign(TBitmapAlign value);
  // The bitmap's position for baCustom, in control pixels (rounded when placed).
  float BitmapOffsetX() const { return bitmapOffsetX_; }
  void SetBitmapOffsetX(float value);
  float BitmapOffsetY() const { return bitmapOffsetY_; }
  void SetBitmapOffsetY(float value);
  TLayerCollection* Layers() const { return layers_.get(); }
  TPaintStages* PaintStages() const { return paintStages_.get(); }
  // Never below 0.001.
  float Scale() const { return scale_; }
  void SetScale(float value);
  TScaleMode ScaleMode() const { return scaleMode_; }
  void SetScaleMode(TScaleMode value);

  // Changed does nothing while an update is open; neither call repaints.
  virtual void BeginUpdate();
  // Raises EAssertionFailed "Unpaired EndUpdate call" below zero.
  virtual void EndUpdate();
  // Invalidates and fires OnChange, outside an update.
  virtual void Changed();
  int32_t UpdateCount() const { return updateCount_; }

  // The bitmap's rectangle in buffer coordinates and the 16.16 transform, as last placed.
  const TRect& PlacedBitmapRect() const { return placedBitmapRect_; }
  const TViewTransform& ViewTransform() const { return viewTransform_; }
  bool PlacementValid() const { return placementValid_; }
  void InvalidatePlacement() { placementValid_ = false; }

  // The bitmap's size as placed ((0, 0) for an empty bitmap or control).
  virtual SIZE GetBitmapSize();
  // Where the bitmap is placed in the control.
  TRect GetBitmapRect() override;
  bool PaintToActive() const override { return paintToActive_; }

  // Renders the run-time stages into `dest`, with the bitmap mapped onto `destRect`. The next
  // screen paint places the bitmap afresh.
  void PaintTo(TBitmap32* dest, const TRect& destRect);
  using TCustomPaintBox32::PaintTo;

  void Invalidate() override;

  TNotifyEvent OnBitmapResize;
  TNotifyEvent OnChange;
  // Fired once the form data is read: the moment to adjust the stage list.
  TNotifyEvent OnInitStages;
  TImgMouseEvent OnMouseDown;
  TImgMouseMoveEvent OnMouseMove;
  TImgMouseEvent OnMouseUp;
  TPaintStageEvent OnPaintStage;

 protected:
  virtual void BitmapSizeChanged();
  virtual void DoInitStages();
  virtual void ScaleChanged() {}
  virtual void InitDefaultStages();
  virtual void PaintBitmapFrame(TBitmap32* dest, uint32_t stageNum);
  virtual void ClearBuffer(TBitmap32* dest, uint32_t stageNum);
  virtual void ClearBackground(TBitmap32* dest, uint32_t stageNum);
  virtual void PaintControlFrame(TBitmap32* dest, uint32_t stageNum);
  virtual void DoPaintStage(TBitmap32* dest, uint32_t stageNum);
  virtual void PaintBitmap(TBitmap32* dest, uint32_t stageNum);
  virtual void PaintLayers(TBitmap32* dest, uint32_t stageNum);

  void RefreshPlacement();
  // Runs stage `index` against `dest`.
  void RunStage(TBitmap32* dest, uint32_t index);

  void Loaded() override;
  bool CanAutoSize(int& newWidth, int& newHeight) override;
  void DoPaintBuffer() override;
  void DoPaintGDIOverlay() override;
  void Resize() override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void CMMouseLeave(vcl::TMessage& message) override;

 private:
  void ChangedHandler(vcl::TObject*) { Changed(); }
  void OverlayUpdateHandler(vcl::TObject*);
  void BitmapResizedHandler(vcl::TObject*) { BitmapSizeChanged(); }
  // The size AutoSize gives the control: the bitmap's, scaled in smScale.
  SIZE AutoSizeExtent() const;
  // Sets the transform that maps the whole bitmap onto `r` (the identity when either is empty).
  void SetTransformFor(const TRect& r);
  // The control's Color as a pixel.
  TColor32 BackgroundColor();

  std::unique_ptr<TBitmap32> bitmap_;
  TBitmapAlign bitmapAlign_ = baTopLeft;
  std::unique_ptr<TLayerCollection> layers_;
  float bitmapOffsetX_ = 0;
  float bitmapOffsetY_ = 0;
  std::unique_ptr<TPaintStages> paintStages_;
  float scale_ = 1.0f;
  TScaleMode scaleMode_ = smNormal;
  int32_t updateCount_ = 0;
  TRect placedBitmapRect_;
  TViewTransform viewTransform_;
  bool placementValid_ = false;
  bool paintToActive_ = false;
};

class TImage32 : public TCustomImage32 {
  VCL_CLASS(TImage32, TCustomImage32)
  explicit TImage32(vcl::TComponent* owner);
  ~TImage32() override;
};

}  // namespace bitmap
