// TImageIO itself: the target and its attachments, the aborting flag, progress and finish-work
// reporting, and the workers.
#include "imaging/io/image_io.h"

#include <algorithm>
#include <utility>

#include "imaging/base/startup.h"
#include "imaging/io/avi_state.h"
#include "imaging/io/open_documents.h"
#include "imaging/io/preset_images.h"
#include "imaging/io/io_startup.h"
#include "imaging/io/io_thread.h"
#include "imaging/io/io_workers.h"
#include "imaging/io/media_file.h"
#include "imaging/io/scanner_params.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/io_settings.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/gdiobjects.h"
#include "vcl/graphics/picture.h"
#include "vcl/stdctrls/extctrls.h"

namespace imaging {

namespace {
// The module's settings and registry belong to the library's shared start-up.
const bool kHooksRegistered = [] {
  IERegisterStaticHooks(ieshImageIO, ImageIOStaticInit, ImageIOStaticFinalize);
  IERegisterStaticHooks(ieshPresetIm, IEPresetImStaticInit, IEPresetImStaticFinalize);
  return true;
}();
}  // namespace

// Lets queued reports find the object, or find that it is gone.
struct TImageIO::TUIRelay {
  std::atomic<TImageIO*> io{nullptr};
};

TImageIO::TImageIO(vcl::TComponent* owner)
    : vcl::TComponent(owner),
      params_(std::make_unique<TIOParamsVals>(this)),
      workers_(std::make_shared<TWorkers>()),
      relay_(std::make_shared<TUIRelay>()) {
  ieBitmap_ = new TIEBitmap();
  ownsBitmap_ = true;
  relay_->io = this;
  twainParams_ = std::make_unique<TIETWainParams>(this);
  printPreviewParams_ = std::make_unique<TIOPrintPreviewParams>();
  previewFont_ = std::make_unique<vcl::TFont>();
}

std::unique_ptr<TImageIO> TImageIO::CreateFromBitmap(TIEBitmap* bitmap) {
  auto io = std::make_unique<TImageIO>(nullptr);
  io->SetAttachedIEBitmap(bitmap);
  return io;
}

TImageIO::~TImageIO() {
  WaitThreads(false);
  CloseMediaFile();
  // The capture graph may still post to the view, and the service link reports to this object.
  directShow_.reset();
  wia_.reset();
  CloseAVIFile();
  try {
    ClosePSFile();
    ClosePDFFile();
  } catch (...) {
    // A document that cannot be finished is lost with the object; nothing may leave a destructor.
  }
  // Reports still queued for the user-interface thread are dropped from now on.
  relay_->io = nullptr;
  DetachFromView();
  if (attachedTImage_) RemoveFreeNotification(attachedTImage_);
  params_.reset();
  if (ownsBitmap_) delete ieBitmap_;
  ieBitmap_ = nullptr;
}

// ---- the target ----

void TImageIO::SetWorkBitmap(TIEBitmap* bitmap) {
  vclBitmap_ = nullptr;
  if (ownsBitmap_) delete ieBitmap_;
  ieBitmap_ = bitmap;
  ownsBitmap_ = false;
}

void TImageIO::DetachFromView() {
  if (!attachedImage_) return;
  if (bitmapChangeHandle_ >= 0) attachedImage_->RemoveBitmapChangeHandler(bitmapChangeHandle_);
  bitmapChangeHandle_ = -1;
  if (vcl::TComponent* component = attachedImage_->ViewComponent()) RemoveFreeNotification(component);
  attachedImage_ = nullptr;
}

void TImageIO::SetAttachedImage(TIEAttachedView* view) {
  DetachFromView();
  if (ownsBitmap_) delete ieBitmap_;
  ieBitmap_ = nullptr;
  ownsBitmap_ = false;
  vclBitmap_ = nullptr;
  if (!view) {
    ieBitmap_ = new TIEBitmap();
    ownsBitmap_ = true;
    return;
  }
  attachedImage_ = view;
  if (TIEBitmap* bitmap = view->GetIEBitmap()) {
    ieBitmap_ = bitmap;
  } else {
    // A view that shows a platform bitmap only: work on that bitmap in place.
    vclBitmap_ = view->GetTBitmap();
    ieBitmap_ = new TIEBitmap();
    ownsBitmap_ = true;
    if (vclBitmap_) ieBitmap_->AttachVclBitmap(vclBitmap_, true);
  }
  if (vcl::TComponent* component = view->ViewComponent()) FreeNotification(component);
  if (attachedTImage_) {
    RemoveFreeNotification(attachedTImage_);
    attachedTImage_ = nullptr;
  }
  bitmapChangeHandle_ = view->AddBitmapChangeHandler([this](bool destroying) { ViewBitmapChanged(destroying); });
}

void TImageIO::SetAttachedTImage(vcl::TImage* image) {
  DetachFromView();
  if (attachedTImage_ && attachedTImage_ != image) RemoveFreeNotification(attachedTImage_);
  attachedTImage_ = image;
  if (!ieBitmap_ || !ownsBitmap_) {
    // The target was somebody else's: work on an own bitmap over the control's picture.
    ieBitmap_ = new TIEBitmap();
    ownsBitmap_ = true;
  }
  if (image) {
    vclBitmap_ = image->Picture()->Bitmap();
    ieBitmap_->AttachVclBitmap(vclBitmap_, true);
    FreeNotification(image);
  } else {
    vclBitmap_ = nullptr;
    ieBitmap_->FreeImage(true);
  }
}

void TImageIO::SetAttachedIEBitmap(TIEBitmap* bitmap) {
  // Asked before detaching: nil with a view or image control attached only leaves the view.
  const bool onlyDetach = !bitmap && (attachedImage_ || attachedTImage_);
  DetachFromView();
  if (onlyDetach) return;
  if (!bitmap) {
    // Back to an own empty bitmap rather than no target at all.
    SetWorkBitmap(nullptr);
    ieBitmap_ = new TIEBitmap();
    ownsBitmap_ = true;
    return;
  }
  SetWorkBitmap(bitmap);
  if (attachedTImage_) RemoveFreeNotification(attachedTImage_);
  attachedTImage_ = nullptr;
}

void TImageIO::ViewBitmapChanged(bool destroying) {
  if (destroying) {
    bitmapChangeHandle_ = -1;
    attachedImage_ = nullptr;
    return;
  }
  if (!attachedImage_) return;
  if (TIEBitmap* bitmap = attachedImage_->GetIEBitmap()) {
    if (ownsBitmap_) delete ieBitmap_;
    ieBitmap_ = bitmap;
    ownsBitmap_ = false;
    vclBitmap_ = nullptr;
  }
  params_->DpiX = attachedImage_->GetDpiX();
  params_->DpiY = attachedImage_->GetDpiY();
}

void TImageIO::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  vcl::TComponent::Notification(component, operation);
  if (operation != vcl::opRemove) return;
  if (attachedImage_ && attachedImage_->ViewComponent() == component) {
    // The view is going: its handler list goes with it.
    bitmapChangeHandle_ = -1;
    attachedImage_ = nullptr;
  }
  if (attachedTImage_ && static_cast<vcl::TComponent*>(attachedTImage_) == component) {
    attachedTImage_ = nullptr;
    if (ieBitmap_ && ieBitmap_->Location() == ieTBitmap && ieBitmap_->VclBitmapExternal()) ieBitmap_->FreeImage(true);
    vclBitmap_ = nullptr;
  }
}

vcl::TBitmap* TImageIO::GetVclBitmap() {
  if (ieBitmap_ && ieBitmap_->Location() == ieTBitmap) return ieBitmap_->VclBitmap();
  return vclBitmap_;
}

bool TImageIO::CheckBitmap(std::initializer_list<TIEPixelFormat> formats) {
  if (!ieBitmap_) return false;
  // The platform bitmap may have changed size or format since it was attached.
  if (vclBitmap_) ieBitmap_->AttachVclBitmap(vclBitmap_, false);
  if (formats.size() == 0) return true;
  return std::find(formats.begin(), formats.end(), ieBitmap_->PixelFormat()) != formats.end();
}

void TImageIO::UpdateAttached() {
  if (vclBitmap_ && ieBitmap_) ieBitmap_->RemoveAlphaChannel(false, 0);
  if (attachedImage_ && ViewMessagesApply()) PostMessageW(attachedImage_->ViewHandle(), IEM_UPDATE, 0, 0);
  RunOnUIThread([posted = attachedImage_ && ViewMessagesApply()](TImageIO& io) {
    if (io.attachedImage_) {
      if (!posted) io.attachedImage_->Update();
      io.attachedImage_->ImageChange();
    } else if (io.vclBitmap_) {
      // Repaints the control that shows the bitmap.
      io.vclBitmap_->SetModified(true);
    }
  });
}

// ---- state and settings ----

bool TImageIO::Aborting() const { return aborting_.load(); }

void TImageIO::SetAborting(bool value) { aborting_.store(value); }

vcl::TColor TImageIO::GetBackground() { return attachedImage_ ? attachedImage_->GetBackground() : background_; }

void TImageIO::SetBackground(vcl::TColor colour) {
  if (!attachedImage_) background_ = colour;
}

void TImageIO::SetBilevelConversion(uint8_t value) {
  bilevelConversion_ = value;
  if (ieBitmap_) ieBitmap_->SetConvertTo1BitMethod(value);
}

// ---- the parameter block's owner ----

bool TImageIO::GetTargetPlatformBitmapSize(int32_t& width, int32_t& height) {
  vcl::TBitmap* bitmap = vclBitmap_;
  if (!bitmap) return false;
  width = bitmap->Width();
  height = bitmap->Height();
  return true;
}

void TImageIO::DpiXChanged(int32_t dpiX) {
  if (loadsRunning_ > 0 || !attachedImage_) return;
  RunOnUIThread([dpiX](TImageIO& io) {
    if (io.attachedImage_) io.attachedImage_->SetDpiX(dpiX);
  });
}

void TImageIO::DpiYChanged(int32_t dpiY) {
  if (loadsRunning_ > 0 || !attachedImage_) return;
  RunOnUIThread([dpiY](TImageIO& io) {
    if (io.attachedImage_) io.attachedImage_->SetDpiY(dpiY);
  });
}

void TImageIO::UpdateViewDPI(int32_t dpiX, int32_t dpiY) {
  if (!attachedImage_) return;
  RunOnUIThread([dpiX, dpiY](TImageIO& io) {
    if (!io.attachedImage_) return;
    io.attachedImage_->SetDpiX(dpiX);
    io.attachedImage_->SetDpiY(dpiY);
  });
}

// ---- progress and finish-work ----

bool TImageIO::ViewMessagesApply() {
  return attachedImage_ && attachedImage_->HasParentWindow() && IsInsideWorker();
}

void TImageIO::ProgressThunk(void* data, vcl::TObject* sender, int32_t percent) {
  static_cast<TImageIO*>(data)->DoProgress(sender, percent);
}

TCodecProgress TImageIO::MakeProgress(bool withEvents) {
  TCodecProgress progress;
  if (withEvents) {
    progress.OnProgressCode = ProgressThunk;
    progress.OnProgressData = this;
    progress.Sender = this;
  }
  progress.Aborting = &aborting_;
  return progress;
}

void TImageIO::DoProgress(vcl::TObject* sender, int32_t per) {
  if (!OnProgress) return;
  if (ViewMessagesApply()) {
    PostMessageW(attachedImage_->ViewHandle(), IEM_PROGRESS, static_cast<WPARAM>(per), 0);
    return;
  }
  RunOnUIThread([sender, per](TImageIO& io) {
    // A copy: the handler may free the object, and the event with it.
    if (TIEProgressEvent handler = io.OnProgress) handler(sender, per);
  });
}

void TImageIO::DoFinishWork() {
  // A call made inside another reports nothing: the outer call ends with the one report.
  if (innerCalls_ > 0) return;
  DoProgress(this, 100);
  if (!OnFinishWork) return;
  if (ViewMessagesApply()) {
    PostMessageW(attachedImage_->ViewHandle(), IEM_FINISHWORK, 0, 0);
    return;
  }
  RunOnUIThread([](TImageIO& io) {
    if (vcl::TNotifyEvent handler = io.OnFinishWork) handler(&io);
  });
}

void TImageIO::DoAcquireBitmapEvent(TIEBitmap* bitmap, bool& handled) {
  if (OnAcquireBitmap) OnAcquireBitmap(this, bitmap, handled);
}

// ---- workers ----

bool TImageIO::IsInsideWorker() {
  const uint32_t current = GetCurrentThreadId();
  EnterCriticalSection(&workers_->lock);
  bool inside = false;
  for (TIEIOThread* worker : workers_->list)
    if (worker->ThreadID() == current) inside = true;
  LeaveCriticalSection(&workers_->lock);
  return inside;
}

bool TImageIO::HandToWorker(std::function<void()> call) {
  if (ownsBitmap_ || !asynchronous_ || IsInsideWorker()) return false;
  vcl::NewThread<TIEIOThread>(this, std::move(call));
  return true;
}

void TImageIO::RunOnUIThread(std::function<void(TImageIO& io)> call) {
  if (!IsInsideWorker()) {
    call(*this);
    return;
  }
  std::shared_ptr<TUIRelay> relay = relay_;
  vcl::TThread::Queue(nullptr, [relay, call = std::move(call)] {
    if (TImageIO* io = relay->io.load()) call(*io);
  });
}

void TImageIO::WaitThreads(bool abort) {
  EnterCriticalSection(&workers_->lock);
  for (;;) {
    if (abort) {
      SetAborting(true);
      for (TIEIOThread* worker : workers_->list) worker->Cancel();
    }
    if (workers_->list.empty()) break;
    // Workers never wait for the user-interface thread (their reports are posted or queued),
    // so blocking it here cannot deadlock.
    SleepConditionVariableCS(&workers_->changed, &workers_->lock, INFINITE);
  }
  LeaveCriticalSection(&workers_->lock);
}

}  // namespace imaging
