// Services beside the geometry: the I/O and processing objects made on demand, the event forwarding to it,
// keeping the image inside a platform bitmap or not, showing a bitmap owned elsewhere, and the
// navigator link.
#include <algorithm>
#include <cmath>

#include "imaging/base/number_helpers.h"
#include "imaging/io/image_io.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/proc/image_proc.h"
#include "imaging/view/image_view.h"
#include "imaging/view/view_params.h"
#include "vcl/graphics/bitmap.h"

namespace imaging {

TImageIO* TImageView::GetIO() {
  if (!io_) {
    io_ = new TImageIO(this);
    io_->FreeNotification(this);
    io_->SetAttachedImage(this);
    io_->OnProgress = [this](vcl::TObject* sender, int32_t per) {
      if (OnProgress) OnProgress(sender, per);
    };
    io_->OnFinishWork = [this](vcl::TObject* sender) {
      if (OnFinishWork) OnFinishWork(sender);
    };
  }
  return io_;
}

TImageProc* TImageView::GetProc() {
  if (!proc_) {
    proc_ = new TImageProc(this);
    proc_->FreeNotification(this);
    proc_->SetAttachedImage(this);
    // Forwarders, so that handlers set on the view later reach the processing object too.
    proc_->OnProgress = [this](vcl::TObject* sender, int32_t per) {
      if (OnProgress) OnProgress(sender, per);
    };
    proc_->OnFinishWork = [this](vcl::TObject* sender) {
      if (OnFinishWork) OnFinishWork(sender);
    };
    proc_->OnSaveUndo = [this](vcl::TObject* sender, TIEUndoSource source) {
      if (OnSaveUndo) OnSaveUndo(sender, source);
    };
  }
  return proc_;
}

void TImageView::SetLegacyBitmap(bool value) {
  if (value == legacyBitmap_) return;
  TIELayer* layer = layers_[layersCurrent_].get();
  if (!value) {
    // The pixels leave the view's platform bitmap for a store of their own.
    auto* own = new TIEBitmap();
    own->SetLocation(ieFile);
    own->Assign(ieBitmap_);
    layer->SetBitmap(own, true);
    ieBitmap_ = own;
    vclBitmap_ = nullptr;
  } else {
    ieBitmap_->SetLocation(ieTBitmap);
    vclBitmap_ = ieBitmap_->VclBitmap();
  }
  legacyBitmap_ = value;
  NotifyBitmapChange();
  Update();
}

void TImageView::AttachExternalBitmap(TIEBitmap* bitmap) {
  if (layersCurrent_ < 0) return;
  TIELayer* layer = layers_[layersCurrent_].get();
  if (!bitmap) {
    // The layer gets a bitmap of its own at once, so that nothing here can free the bitmap it
    // was showing (a target view's, for a navigator).
    auto* own = new TIEBitmap();
    vcl::TBitmap* platform = nullptr;
    if (legacyBitmap_) {
      platform = new vcl::TBitmap();
      platform->SetPixelFormat(vcl::pf24bit);
      own->AttachVclBitmap(platform, false);
    }
    layer->SetBitmap(own, true);
    ieBitmap_ = own;
    vclBitmap_ = platform;
    return;
  }
  layer->SetBitmap(bitmap, false);
  ieBitmap_ = bitmap;
  vclBitmap_ = bitmap->VclBitmapExternal() ? bitmap->VclBitmap() : nullptr;
  NotifyBitmapChange();
  Update();
}

vcl::TBitmap* TImageView::GetBackBuffer() { return backBuffer_ ? backBuffer_->GetVclBitmap() : nullptr; }

void TImageView::SetInteractionHint(const std::string& text, int32_t x, int32_t y, const std::string& templ) {
  hintText_ = text;
  hintX_ = x;
  hintY_ = y;
  hintTemplate_ = templ;
}

// ---- the navigator ----

void TImageView::DetachNavigator() {
  if (!navigator_) return;
  TImageView* navigator = navigator_;
  navigator_ = nullptr;
  RemoveBitmapChangeHandler(navigatorHandle_);
  navigatorHandle_ = 0;
  navigator->OnSelectionChanging = nullptr;
  if (linkOptions_ & ienoMouseWheelZoom) navigator->OnMouseWheel = nullptr;
  linkOptions_ = 0;
  navigator->RemoveFreeNotification(this);
  navigator->AttachExternalBitmap(nullptr);
  navigator->isNavigator_ = false;
  navigator->navigatorOptions_ = 0;
}

void TImageView::SetNavigator(TImageView* navigator, uint8_t options) {
  DetachNavigator();
  if (!navigator || navigator == this) return;
  navigator_ = navigator;
  linkOptions_ = options;
  navigator->isNavigator_ = true;
  // The navigator paints by its own options (the shading); the target keeps them to undo the link.
  navigator->navigatorOptions_ = options;
  navigator->SetEnableAlphaChannel(enableAlphaChannel_);
  navigator->SetAutoFit(true);
  navigator->SetMouseInteract(miSelect);
  navigator->SetSelectionBase(iesbBitmap);
  navigator->SetSelectionOptions(iesoMoveable | iesoCanScroll);
  navigator->AttachExternalBitmap(ieBitmap_);
  // The navigator shows this view's current bitmap: whenever that changes (another layer made
  // current, layers removed, cleared or loaded) it is attached again, never left dangling.
  navigatorHandle_ = AddBitmapChangeHandler([this](bool destroying) {
    if (!destroying) NavigatorBitmapChanged();
  });
  navigator->OnSelectionChanging = [this](vcl::TObject* sender) { NavigatorSelectionChanging(sender); };
  if (options & ienoMouseWheelZoom)
    navigator->OnMouseWheel = [this](vcl::TObject* sender, vcl::TShiftState shift, int delta, vcl::TPoint pos,
                                     bool& handled) { NavigatorMouseWheel(sender, shift, delta, pos, handled); };
  navigator->FreeNotification(this);
  navigator->Update();
  SyncNavigator();
}

void TImageView::SyncNavigator() {
  if (!navigator_ || navigatorSync_ || paintLock_ > 0) return;
  navigatorSync_ = true;
  try {
    PaintNow();
    const int32_t x1 = ClientToBitmapX(offsetX_), y1 = ClientToBitmapY(offsetY_);
    const int32_t x2 = ClientToBitmapX(offsetX_ + extentX_), y2 = ClientToBitmapY(offsetY_ + extentY_);
    navigator_->SetFixedSelectionSize(x2 - x1, y2 - y1);
    navigator_->SetFixedSelectionRatio(0);
    navigator_->Select(x1, y1, x2, y2, 0);
  } catch (...) {
    navigatorSync_ = false;
    throw;
  }
  navigatorSync_ = false;
}

void TImageView::NavigatorSelectionChanging(vcl::TObject*) {
  if (!navigator_ || navigatorSync_ || !navigator_->Selected()) return;
  navigatorSync_ = true;
  auto origin = [](int32_t bitmap, double zoom) { return RoundCoordinate(bitmap * zoom / 100); };
  try {
    SetViewXY(origin(navigator_->GetSelX1(), zoomX_), origin(navigator_->GetSelY1(), zoomY_));
  } catch (...) {
    navigatorSync_ = false;
    throw;
  }
  navigatorSync_ = false;
}

void TImageView::NavigatorMouseWheel(vcl::TObject*, vcl::TShiftState, int wheelDelta, vcl::TPoint mousePos,
                                     bool& handled) {
  // A turn of no notches has no direction: it zooms neither way.
  if (!navigator_ || wheelDelta == 0) return;
  TIEMouseWheelParams* params = navigator_->MouseWheelParams();
  int32_t d = wheelDelta <= 0 ? 1 : -1;
  if (params->InvertWheel()) d = -d;
  const double step = params->StepValue();
  double z = zoomX_;
  if (params->StepKind() == iemwAbsolute)
    z = zoomX_ + d * step;
  else if (params->StepKind() == iemwPercentage)
    z = zoomX_ + d * std::max(RoundCoordinate(step * zoomX_ / 100), 1);
  if (z > zoomX_)
    FireZoomIn(z);
  else if (z < zoomX_)
    FireZoomOut(z);
  if (params->ZoomAtCursor())
    ZoomAt(mousePos.x, mousePos.y, z, false);
  else
    SetZoom(z);
  handled = true;
}

void TImageView::NavigatorBitmapChanged() {
  if (navigator_ && navigator_->GetIEBitmap() != ieBitmap_) navigator_->AttachExternalBitmap(ieBitmap_);
}

}  // namespace imaging
