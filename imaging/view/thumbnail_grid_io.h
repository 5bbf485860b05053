// TImageMIO: the I/O companion of a thumbnail grid. It keeps one parameter block per image of
// the attached grid, in step with the grid's list (through the grid's bitmap-change
// notifications), and appends acquired images to the grid.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/base/word_tables.h"
#include "vcl/classes/component.h"
#include "vcl/graphics/gdiobjects.h"

namespace imaging {

class TIEBitmap;
class TIEView;
class TImageIO;
class TImageMView;
class TIOParamsVals;
class TIETWainParams;
class TIOPrintPreviewParams;

enum TIEDialogsMeasureUnit : uint8_t { ieduInches, ieduCm, ieduSelectableDefInches, ieduSelectableDefCm };

using TIEMIOAcquireBitmapEvent = std::function<void(vcl::TObject* sender, TIEBitmap* bitmap, bool& handled)>;
using TIEAfterAcquireBitmapEvent = std::function<void(vcl::TObject* sender, int32_t index)>;
using TIEMIODoPreviewsEvent = std::function<void(vcl::TObject* sender, bool& handled)>;

class TImageMIO : public vcl::TComponent {
  VCL_CLASS(TImageMIO, vcl::TComponent)
  explicit TImageMIO(vcl::TComponent* owner);
  ~TImageMIO() override;

  // The grid; nil detaches. A view that is not a thumbnail grid raises EInvalidCast and
  // leaves the companion detached.
  TIEView* AttachedMView() const { return attachedView_; }
  void SetAttachedMView(TIEView* view);

  int32_t ParamsCount() const { return static_cast<int32_t>(params_.size()); }
  // Nil out of range.
  TIOParamsVals* GetParams(int32_t index) const;
  // A new block at index (appended past the end) with the compression settings of the block
  // now there (or of the last).
  void InsertParams(int32_t index);
  // Out of range does nothing.
  void DeleteParams(int32_t index);
  void MoveParams(int32_t index, int32_t newIndex);
  void SwapParams(int32_t index1, int32_t index2);
  // The grid's change handler: follows its inserts, deletes, moves and swaps.
  void ViewChanged(bool destroying);

  // An acquired image: unless OnAcquireBitmap handles it, it is inserted into the grid at the
  // acquisition index (which then moves on), with a delay time of 100 ms; `params` points at
  // its parameter block. The bitmap stays the caller's.
  virtual void DoAcquireBitmap(TIEBitmap* bitmap, TIOParamsVals*& params);
  virtual void ClearAborting() { abortStatus_ = 0; }
  virtual void DoFinishWork();
  // The acquisition service link (nil while the acquisition library is not installed); what
  // it acquires comes to DoAcquireBitmap.
  virtual vcl::TObject* GetWia();
  bool WiaProgress(int32_t percent);
  int32_t AcquisitionIndex() const { return acquisitionIndex_; }
  void SetAcquisitionIndex(int32_t value) { acquisitionIndex_ = value; }

  // ---- stored settings ----
  bool Aborting() const { return aborting_; }
  void SetAborting(bool value) { aborting_ = value; }
  bool SimplifiedParamsDialogs() const { return simplifiedParamsDialogs_; }
  void SetSimplifiedParamsDialogs(bool v) { simplifiedParamsDialogs_ = v; }
  TMsgLanguage MsgLanguage() const { return msgLanguage_; }
  void SetMsgLanguage(TMsgLanguage v) { msgLanguage_ = v; }
  uint8_t PreviewsParams() const { return previewsParams_; }
  void SetPreviewsParams(uint8_t v) { previewsParams_ = v; }
  vcl::TFont* PreviewFont() const { return previewFont_.get(); }
  void SetPreviewFont(vcl::TFont* font);
  bool AutoAdjustDPI() const { return autoAdjustDPI_; }
  void SetAutoAdjustDPI(bool v) { autoAdjustDPI_ = v; }
  bool FilteredAdjustDPI() const { return filteredAdjustDPI_; }
  void SetFilteredAdjustDPI(bool v) { filteredAdjustDPI_ = v; }
  TIEDialogsMeasureUnit DialogsMeasureUnit() const { return measureUnit_; }
  void SetDialogsMeasureUnit(TIEDialogsMeasureUnit v) { measureUnit_ = v; }
  TIETWainParams& TWainParams() { return *twainParams_; }
  TIOPrintPreviewParams& PrintPreviewParams() { return *printPreviewParams_; }

  TIEProgressEvent OnProgress;
  vcl::TNotifyEvent OnFinishWork;
  TIEMIOAcquireBitmapEvent OnAcquireBitmap;
  TIEAfterAcquireBitmapEvent OnAfterAcquireBitmap;
  TIEMIODoPreviewsEvent OnDoPreviews;

 protected:
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

 private:
  TImageMView* Grid() const;
  void Detach();

  TIEView* attachedView_ = nullptr;
  int32_t changeHandle_ = 0;
  std::vector<std::unique_ptr<TIOParamsVals>> params_;
  bool simplifiedParamsDialogs_ = true;
  std::unique_ptr<TIETWainParams> twainParams_;
  // Carries the acquisition service link, which hands its images to an I/O object.
  std::unique_ptr<TImageIO> acquireIO_;
  TMsgLanguage msgLanguage_ = msSystem;
  uint8_t previewsParams_ = 0;
  std::unique_ptr<vcl::TFont> previewFont_;
  int32_t acquisitionIndex_ = 0;
  bool autoAdjustDPI_ = false, filteredAdjustDPI_ = false;
  TIEDialogsMeasureUnit measureUnit_ = ieduInches;
  int32_t abortStatus_ = 0;
  std::unique_ptr<TIOPrintPreviewParams> printPreviewParams_;
  bool aborting_ = false;
};

}  // namespace imaging
