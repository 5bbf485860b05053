// TImageProc: construction, attachment to views, bitmaps and TImage controls, and the frame
// every operation runs in.
#include "imaging/proc/image_proc.h"

#include <algorithm>

#include "imaging/base/startup.h"
#include "imaging/model/ie_mask.h"
#include "imaging/proc/proc_startup.h"
#include "imaging/model/routines/progress_context.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/stdctrls/extctrls.h"

namespace imaging {

namespace {

// The module's tables and clipboard format belong to the library's shared start-up.
const bool kHooksRegistered = [] {
  IERegisterStaticHooks(ieshImageProc, ImageProcStaticInit, ImageProcStaticFinalize);
  return true;
}();

// Candidates tried, in order, when an operation does not accept the current pixel format.
const TIEPixelFormatSet& FallbackFormats(TIEPixelFormat format) {
  static const TIEPixelFormatSet table[] = {
      {},                                                    // ieNull
      {ie8g, ie16g, ie32f, ie24RGB},                         // ie1g
      {ie24RGB, ieCMYK, ieRGB48, ieCIELab},                  // ie8p
      {ie16g, ie32f, ie24RGB, ieCMYK, ieRGB48},              // ie8g
      {ie32f, ie8g, ieRGB48, ie24RGB, ieCMYK},               // ie16g
      {ieCMYK, ieCIELab, ieRGB48, ie8p, ie16g, ie8g},        // ie24RGB
      {ie16g, ie8g, ie24RGB, ieRGB48, ieCIELab},             // ie32f
      {ie24RGB, ieRGB48, ieCIELab, ie8g},                    // ieCMYK
      {ie24RGB, ieCMYK, ieCIELab, ie16g},                    // ieRGB48
      {ie24RGB, ieCMYK, ieRGB48, ie8g},                      // ieCIELab
      {ie24RGB, ieCMYK, ieRGB48, ie8g},                      // ie32RGB
  };
  static const TIEPixelFormatSet none;
  return format >= ieNull && format <= ie32RGB ? table[format] : none;
}

bool Contains(const TIEPixelFormatSet& set, TIEPixelFormat format) {
  return std::find(set.begin(), set.end(), format) != set.end();
}

}  // namespace

TImageProc::TImageProc(vcl::TComponent* owner)
    : vcl::TComponent(owner),
      autoUndo_(owner != nullptr),
      previewFont_(std::make_unique<vcl::TFont>()),
      dialogParams_(std::make_unique<TIPDialogParams>()) {
  UseOwnBitmap();
}

std::unique_ptr<TImageProc> TImageProc::CreateFromBitmap(TIEBitmap* bitmap) {
  auto proc = std::make_unique<TImageProc>(nullptr);
  proc->SetAutoUndo(false);
  proc->SetAttachedBitmap(bitmap);
  return proc;
}

TImageProc::~TImageProc() {
  DetachView(true);
  ForgetTImage();
  undo_.Clear();
  redo_.Clear();
}

// ---- working bitmap states ----

void TImageProc::UseOwnBitmap() {
  linkedVclBitmap_ = nullptr;
  ownedBitmap_ = std::make_unique<TIEBitmap>();
  workingBitmap_ = ownedBitmap_.get();
}

void TImageProc::UseWrapperOf(vcl::TBitmap* bitmap) {
  auto wrapper = std::make_unique<TIEBitmap>();
  wrapper->AttachVclBitmap(bitmap, true);
  ownedBitmap_ = std::move(wrapper);
  workingBitmap_ = ownedBitmap_.get();
  linkedVclBitmap_ = bitmap;
}

void TImageProc::SetWorkingBitmap(TIEBitmap* bitmap) {
  linkedVclBitmap_ = nullptr;
  // Handing the component its own bitmap keeps it (and its ownership) as it is.
  if (bitmap && bitmap == ownedBitmap_.get()) return;
  ownedBitmap_.reset();
  workingBitmap_ = bitmap;
}

void TImageProc::DetachView(bool viewAlive) {
  if (!attachedImage_) return;
  if (viewAlive) {
    if (changeHandlerHandle_ >= 0) attachedImage_->RemoveBitmapChangeHandler(changeHandlerHandle_);
    if (attachedViewComponent_) RemoveFreeNotification(attachedViewComponent_);
  }
  changeHandlerHandle_ = -1;
  attachedImage_ = nullptr;
  attachedViewComponent_ = nullptr;
}

void TImageProc::ForgetTImage() {
  if (!attachedTImage_) return;
  RemoveFreeNotification(attachedTImage_);
  attachedTImage_ = nullptr;
}

void TImageProc::SetAttachedBitmap(TIEBitmap* bitmap) {
  if (!bitmap && (attachedImage_ || attachedTImage_)) return;
  DetachView(true);
  ForgetTImage();
  if (bitmap)
    SetWorkingBitmap(bitmap);
  else
    UseOwnBitmap();
}

void TImageProc::SetAttachedImage(TIEProcView* view) {
  if (view == attachedImage_) return;
  DetachView(true);
  ForgetTImage();
  if (!view) {
    UseOwnBitmap();
    return;
  }
  attachedImage_ = view;
  attachedViewComponent_ = view->ViewComponent();
  if (TIEBitmap* bitmap = view->GetIEBitmap())
    SetWorkingBitmap(bitmap);
  else
    UseWrapperOf(view->GetTBitmap());
  if (attachedViewComponent_) FreeNotification(attachedViewComponent_);
  changeHandlerHandle_ = view->AddBitmapChangeHandler([this](bool destroying) { ViewBitmapChanged(destroying); });
}

void TImageProc::SetAttachedTImage(vcl::TImage* image) {
  if (image == attachedTImage_) return;
  DetachView(true);
  ForgetTImage();
  if (!image) {
    // Only the component's own wrapper is released; the picture keeps its pixels.
    UseOwnBitmap();
    return;
  }
  attachedTImage_ = image;
  UseWrapperOf(image->Picture()->Bitmap());
  FreeNotification(image);
}

void TImageProc::ViewBitmapChanged(bool destroying) {
  if (!attachedImage_) return;
  if (destroying) {
    // The view drops its own handler list; nothing of it may be used after this.
    DetachView(false);
    UseOwnBitmap();
    return;
  }
  if (TIEBitmap* bitmap = attachedImage_->GetIEBitmap())
    SetWorkingBitmap(bitmap);
  else
    UseWrapperOf(attachedImage_->GetTBitmap());
}

void TImageProc::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  vcl::TComponent::Notification(component, operation);
  if (operation != vcl::opRemove) return;
  if (attachedImage_ && component == attachedViewComponent_) {
    // The view is already partly destroyed: forget it without calling it.
    DetachView(false);
    UseOwnBitmap();
  }
  if (attachedTImage_ && component == attachedTImage_) {
    attachedTImage_ = nullptr;
    UseOwnBitmap();
  }
}

void TImageProc::RefreshLinkedBitmap() {
  if (!linkedVclBitmap_) return;
  // The picture or the view may have replaced its bitmap object since.
  vcl::TBitmap* current = linkedVclBitmap_;
  if (attachedTImage_)
    current = attachedTImage_->Picture()->Bitmap();
  else if (attachedImage_)
    current = attachedImage_->GetTBitmap();
  if (!current) {
    UseOwnBitmap();
    return;
  }
  linkedVclBitmap_ = current;
  workingBitmap_->AttachVclBitmap(current, false);
}

TIEProcSingleImageView* TImageProc::SingleImageView() {
  return attachedImage_ ? attachedImage_->SingleImageView() : nullptr;
}

TIEProcVectorView* TImageProc::VectorView() { return attachedImage_ ? attachedImage_->VectorView() : nullptr; }

// ---- settings ----

vcl::TColor TImageProc::GetBackground() { return attachedImage_ ? attachedImage_->GetBackground() : background_; }

void TImageProc::SetBackground(vcl::TColor colour) {
  if (attachedImage_)
    attachedImage_->SetBackground(colour);
  else
    background_ = colour;
}

void TImageProc::SetPreviewFont(vcl::TFont* font) {
  if (font) previewFont_->Assign(font);
}

void TImageProc::SetUndoLimit(int32_t limit) { undoLimit_ = std::max(limit, 0); }

// ---- the operation frame ----

bool TImageProc::PrepareWorkingBitmap(const TIEPixelFormatSet& allowed) {
  if (!workingBitmap_) return false;
  RefreshLinkedBitmap();
  return EnsurePixelFormat(allowed);
}

bool TImageProc::EnsurePixelFormat(const TIEPixelFormatSet& allowed) {
  const TIEPixelFormat current = workingBitmap_->PixelFormat();
  if (allowed.empty() || Contains(allowed, current)) return true;
  if (!autoConvertFormat_) return false;
  for (TIEPixelFormat candidate : FallbackFormats(current)) {
    if (Contains(allowed, candidate)) {
      workingBitmap_->SetPixelFormat(candidate);
      return true;
    }
  }
  for (int32_t format = ie32RGB; format >= ieNull; --format) {
    if (Contains(allowed, TIEPixelFormat(format))) {
      workingBitmap_->SetPixelFormat(TIEPixelFormat(format));
      return true;
    }
  }
  return false;
}

bool TImageProc::WillAcceptFormat(const TIEPixelFormatSet& allowed) {
  if (!workingBitmap_) return false;
  RefreshLinkedBitmap();
  if (allowed.empty() || Contains(allowed, workingBitmap_->PixelFormat())) return true;
  return autoConvertFormat_ &&
         std::any_of(allowed.begin(), allowed.end(), [](TIEPixelFormat f) { return f >= ieNull && f <= ie32RGB; });
}

bool TImageProc::GetSelectionArea(TIESelectionArea& area) {
  RefreshLinkedBitmap();
  area = TIESelectionArea{};
  area.X2 = workingBitmap_->Width();
  area.Y2 = workingBitmap_->Height();
  TIEProcSingleImageView* view = SingleImageView();
  if (!view) return false;
  area.Mask = view->SelectionMask();
  if (!view->HasSelection()) return false;
  if (area.Mask && !area.Mask->IsEmpty()) {
    area.X1 = area.Mask->X1();
    area.Y1 = area.Mask->Y1();
    area.X2 = area.Mask->X2() + 1;
    area.Y2 = area.Mask->Y2() + 1;
  }
  area.Polygon = view->GetSelectionPolygon(area.PolygonCount);
  return true;
}

bool TImageProc::BeginImageOperation(const TIEPixelFormatSet& allowed, const std::string& caption,
                                     TImageOperation& operation) {
  if (autoUndo_) SaveUndoCaptioned(caption, ieusImage);
  if (!PrepareWorkingBitmap(allowed)) return false;
  TIESelectionArea area;
  GetSelectionArea(area);
  operation = TImageOperation{};
  operation.Work = workingBitmap_;
  operation.X2 = workingBitmap_->Width();
  operation.Y2 = workingBitmap_->Height();
  if (!area.Mask || area.Mask->IsEmpty()) return true;
  // The selection's box, inclusive corners, worked on in a copy of its own.
  TIEMask* mask = area.Mask;
  const int32_t width = mask->X2() - mask->X1() + 1;
  const int32_t height = mask->Y2() - mask->Y1() + 1;
  auto copy = std::make_unique<TIEBitmap>(width, height, workingBitmap_->PixelFormat());
  if (copy->IsEmpty()) throw vcl::EOutOfMemory("Out of memory");
  if (workingBitmap_->PixelFormat() == ie8p) workingBitmap_->CopyPaletteTo(copy.get());
  workingBitmap_->CopyRectTo(copy.get(), mask->X1(), mask->Y1(), 0, 0, width, height);
  if (workingBitmap_->HasAlphaChannel()) {
    TIEBitmap* alpha = workingBitmap_->AlphaChannel();
    alpha->CopyRectTo(copy->AlphaChannel(), mask->X1(), mask->Y1(), 0, 0, width, height);
    copy->AlphaChannel()->SetFull(alpha->Full());
  }
  operation.Work = copy.get();
  operation.SelectionCopy = std::move(copy);
  operation.Mask = mask;
  operation.X2 = width;
  operation.Y2 = height;
  return true;
}

void TImageProc::EndImageOperation(TImageOperation& operation) {
  if (operation.SelectionCopy) {
    TIEBitmap* copy = operation.SelectionCopy.get();
    operation.Mask->CopyBitmapThroughMask(workingBitmap_, copy, false, true, false);
    if (copy->HasAlphaChannel() && !copy->AlphaChannel()->Full()) {
      operation.Mask->CopyBitmapThroughMask(workingBitmap_->AlphaChannel(), copy->AlphaChannel(), false, true, false);
      workingBitmap_->AlphaChannel()->SetFull(false);
    }
    operation.SelectionCopy.reset();
  }
  NotifyImageChange();
}

void TImageProc::NotifyImageChange() {
  if (linkedVclBitmap_ && workingBitmap_->HasAlphaChannel()) workingBitmap_->RemoveAlphaChannel(false, 0);
  if (attachedImage_) {
    attachedImage_->Update();
    attachedImage_->ImageChange();
  } else if (linkedVclBitmap_) {
    linkedVclBitmap_->SetModified(true);
  }
}

void TImageProc::DoFinishWork() {
  if (OnProgress) OnProgress(this, 100);
  if (OnFinishWork) OnFinishWork(this);
}

void TImageProc::ReportRow(int32_t finishedRows, int32_t rows) {
  ReportRowProgress(OnProgress, this, finishedRows, rows);
}

}  // namespace imaging
