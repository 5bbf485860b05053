#include "imaging/view/thumbnail_grid_io.h"

#include <algorithm>
#include <string>

#include "imaging/io/adjust_bitmap_dpi.h"
#include "imaging/io/image_io.h"
#include "imaging/io/scanner_params.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/io_params.h"
#include "imaging/view/thumbnail_grid.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/graphics/gdiobjects.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

[[noreturn]] void RaiseIndexError(int32_t index) {
  throw vcl::EListError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace

TImageMIO::TImageMIO(vcl::TComponent* owner)
    : vcl::TComponent(owner),
      twainParams_(std::make_unique<TIETWainParams>(this)),
      previewFont_(std::make_unique<vcl::TFont>()),
      printPreviewParams_(std::make_unique<TIOPrintPreviewParams>()) {}

TImageMIO::~TImageMIO() {
  Detach();
  acquireIO_.reset();
  params_.clear();
}

VCL_PUBLISHED(TImageMIO, p) {
  p.Bool("SimplifiedParamsDialogs", &TImageMIO::SimplifiedParamsDialogs, &TImageMIO::SetSimplifiedParamsDialogs, true)
      .Bool("AutoAdjustDPI", &TImageMIO::AutoAdjustDPI, &TImageMIO::SetAutoAdjustDPI, false)
      .Bool("FilteredAdjustDPI", &TImageMIO::FilteredAdjustDPI, &TImageMIO::SetFilteredAdjustDPI, false)
      .Enum("DialogsMeasureUnit", &TImageMIO::DialogsMeasureUnit, &TImageMIO::SetDialogsMeasureUnit,
            {"ieduInches", "ieduCm", "ieduSelectableDefInches", "ieduSelectableDefCm"}, ieduInches)
      .Object("PreviewFont", &TImageMIO::PreviewFont, &TImageMIO::SetPreviewFont)
      .Event("OnProgress", &TImageMIO::OnProgress)
      .Event("OnFinishWork", &TImageMIO::OnFinishWork)
      .Event("OnAcquireBitmap", &TImageMIO::OnAcquireBitmap)
      .Event("OnAfterAcquireBitmap", &TImageMIO::OnAfterAcquireBitmap)
      .Event("OnDoPreviews", &TImageMIO::OnDoPreviews);
}

TImageMView* TImageMIO::Grid() const { return dynamic_cast<TImageMView*>(attachedView_); }

void TImageMIO::Detach() {
  if (!attachedView_) return;
  attachedView_->RemoveBitmapChangeHandler(changeHandle_);
  attachedView_->RemoveFreeNotification(this);
  attachedView_ = nullptr;
  changeHandle_ = 0;
}

void TImageMIO::SetAttachedMView(TIEView* view) {
  Detach();
  if (!view) return;
  // Checked before anything is registered, so that a wrong view leaves no handler behind.
  auto* grid = vcl::As<TImageMView>(view);
  attachedView_ = grid;
  grid->FreeNotification(this);
  changeHandle_ = grid->AddBitmapChangeHandler([this](bool destroying) { ViewChanged(destroying); });
  while (ParamsCount() < grid->ImageCount()) InsertParams(ParamsCount());
}

void TImageMIO::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  vcl::TComponent::Notification(component, operation);
  if (operation == vcl::opRemove && attachedView_ && component == attachedView_) {
    attachedView_->RemoveBitmapChangeHandler(changeHandle_);
    attachedView_ = nullptr;
    changeHandle_ = 0;
  }
}

TIOParamsVals* TImageMIO::GetParams(int32_t index) const {
  return index >= 0 && index < ParamsCount() ? params_[index].get() : nullptr;
}

void TImageMIO::InsertParams(int32_t index) {
  auto block = std::make_unique<TIOParamsVals>(nullptr);
  if (!params_.empty()) {
    const int32_t from = index >= 0 && index < ParamsCount() ? index : ParamsCount() - 1;
    block->AssignCompressionParams(*params_[from]);
  }
  if (index < 0 || index >= ParamsCount())
    params_.push_back(std::move(block));
  else
    params_.insert(params_.begin() + index, std::move(block));
}

void TImageMIO::DeleteParams(int32_t index) {
  if (index < 0) RaiseIndexError(index);
  if (index < ParamsCount()) params_.erase(params_.begin() + index);
}

void TImageMIO::MoveParams(int32_t index, int32_t newIndex) {
  if (index < 0 || index >= ParamsCount() || newIndex < 0 || index == newIndex) return;
  auto block = std::move(params_[index]);
  params_.erase(params_.begin() + index);
  if (newIndex < ParamsCount())
    params_.insert(params_.begin() + newIndex, std::move(block));
  else
    params_.push_back(std::move(block));
}

void TImageMIO::SwapParams(int32_t index1, int32_t index2) {
  if (index1 < 0 || index1 >= ParamsCount()) RaiseIndexError(index1);
  if (index2 < 0 || index2 >= ParamsCount()) RaiseIndexError(index2);
  std::swap(params_[index1], params_[index2]);
}

void TImageMIO::ViewChanged(bool destroying) {
  if (destroying) {
    if (attachedView_) attachedView_->RemoveFreeNotification(this);
    attachedView_ = nullptr;
    changeHandle_ = 0;
    return;
  }
  TImageMView* grid = Grid();
  if (!grid) return;
  switch (grid->GetLastChange()) {
    case 1:
      InsertParams(grid->GetLastChangeIndex());
      break;
    case 2:
      DeleteParams(grid->GetLastChangeIndex());
      break;
    case 3:
      MoveParams(grid->GetLastChangeIndex(), grid->GetLastChangeIndex2());
      break;
    case 4:
      SwapParams(grid->GetLastChangeIndex(), grid->GetLastChangeIndex2());
      break;
    default:
      break;
  }
}

void TImageMIO::DoAcquireBitmap(TIEBitmap* bitmap, TIOParamsVals*& params) {
  bool handled = false;
  if (OnAcquireBitmap) OnAcquireBitmap(this, bitmap, handled);
  TImageMView* grid = Grid();
  if (handled || !grid || !bitmap) return;
  const int32_t i = std::clamp(acquisitionIndex_, 0, grid->ImageCount());
  acquisitionIndex_ = i;
  grid->InsertImage(i);
  params = GetParams(i);
  TIEBitmap* stored = bitmap;
  if (autoAdjustDPI_ && params) stored = AdjustBitmapDPI(bitmap, *params, filteredAdjustDPI_);
  grid->SetImageEx(i, stored);
  if (stored != bitmap) delete stored;
  grid->SetImageDelayTime(i, 100);
  if (OnAfterAcquireBitmap) OnAfterAcquireBitmap(this, i);
  acquisitionIndex_ = i + 1;
}

void TImageMIO::DoFinishWork() {
  if (OnProgress) OnProgress(this, 100);
  if (OnFinishWork) OnFinishWork(this);
}

vcl::TObject* TImageMIO::GetWia() {
  if (!acquireIO_) {
    acquireIO_ = std::make_unique<TImageIO>(nullptr);
    acquireIO_->OnProgress = [this](vcl::TObject*, int32_t per) {
      if (OnProgress) OnProgress(this, per);
    };
    acquireIO_->OnAcquireBitmap = [this](vcl::TObject*, TIEBitmap* bitmap, bool& handled) {
      TIOParamsVals* params = nullptr;
      DoAcquireBitmap(bitmap, params);
      handled = true;
    };
  }
  return acquireIO_->GetWia();
}

bool TImageMIO::WiaProgress(int32_t percent) {
  if (OnProgress) OnProgress(this, percent);
  return !aborting_;
}

void TImageMIO::SetPreviewFont(vcl::TFont* font) {
  if (font) previewFont_->Assign(font);
}

}  // namespace imaging
