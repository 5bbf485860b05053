// TImageProc: the non-visual component that edits one image in place, each edit optionally
// recorded for undo. It works on a working bitmap chosen by what it is attached to:
//
// | state        | reached by                          | working bitmap                     | owned |
// |--------------|-------------------------------------|------------------------------------|-------|
// | own          | construction; detaching             | a new empty TIEBitmap              | yes   |
// | given bitmap | CreateFromBitmap, SetAttachedBitmap | the caller's TIEBitmap             | no    |
// | view         | a view that offers a TIEBitmap      | the view's current TIEBitmap       | no    |
// | view-legacy  | a view with a platform bitmap only  | a wrapper of the view's TBitmap    | yes   |
// | TImage       | SetAttachedTImage                   | a wrapper of the picture's TBitmap | yes   |
//
// The component never frees pixels it does not own. When the attached view or image goes away
// it falls back to an own empty bitmap, so no pointer into the dead owner is kept.
//
// Operations run on the caller's thread (the resampling engine may use workers inside one call)
// and report progress there; every operation ends with OnFinishWork.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/base/word_tables.h"
#include "imaging/model/colour_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/interpolated_rotation.h"
#include "imaging/proc/dialog_params.h"
#include "imaging/proc/proc_view.h"
#include "imaging/proc/undo_stack.h"
#include "vcl/classes/component.h"
#include "vcl/graphics/canvas.h"
#include "vcl/graphics/gdiobjects.h"

namespace vcl {
class TImage;
class TForm;
}  // namespace vcl

namespace imaging {

class TIEMask;

using TIESaveUndoEvent = std::function<void(vcl::TObject* sender, TIEUndoSource source)>;
using TIEPreviewEvent = std::function<void(vcl::TObject* sender, vcl::TForm* previewForm)>;

// The preview dialogs' settings, stored only.
enum TPRPreviewsParamsItem : uint8_t { prppShowResetButton, prppHardReset };
using TPRPreviewsParams = uint8_t;  // bits 1 << item
constexpr TPRPreviewsParams kDefaultPreviewsParams = (1u << prppShowResetButton) | (1u << prppHardReset);

// An angle in degrees, positive counter-clockwise as the image is seen. A type of its own so
// that it cannot be swapped with the other numeric arguments of Rotate.
struct TIEDegrees {
  explicit constexpr TIEDegrees(double value) : Value(value) {}
  double Value;
};

// Where ImageResize keeps the old content in each direction.
enum class TIEHorizontalAlign : uint8_t { Left, Center, Right };
enum class TIEVerticalAlign : uint8_t { Top, Center, Bottom };

// A crop rectangle: the first and last column and row, inclusive.
struct TIECropRect {
  int32_t X1, Y1, X2, Y2;
};

// The area an operation works on: x2, y2 exclusive, with the view's selection mask (nil
// without a single-image view) and its polygon.
struct TIESelectionArea {
  int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  TIEMask* Mask = nullptr;
  const POINT* Polygon = nullptr;
  int32_t PolygonCount = 0;
};

// A set of pixel formats; empty accepts every format.
using TIEPixelFormatSet = std::vector<TIEPixelFormat>;

class TImageProc : public vcl::TComponent {
  VCL_CLASS(TImageProc, vcl::TComponent)

  // AutoUndo is on exactly when there is an owner.
  explicit TImageProc(vcl::TComponent* owner);
  // Works on the caller's bitmap, AutoUndo off.
  static std::unique_ptr<TImageProc> CreateFromBitmap(TIEBitmap* bitmap);
  ~TImageProc() override;

  // ---- attachment ----
  TIEProcView* AttachedImage() const { return attachedImage_; }
  void SetAttachedImage(TIEProcView* view);
  vcl::TImage* AttachedTImage() const { return attachedTImage_; }
  void SetAttachedTImage(vcl::TImage* image);
  // Nil while a view or a TImage is attached keeps that attachment.
  void SetAttachedBitmap(TIEBitmap* bitmap);
  TIEBitmap* WorkingBitmap() const { return workingBitmap_; }
  bool OwnsWorkingBitmap() const { return ownedBitmap_ != nullptr; }
  vcl::TBitmap* LinkedVclBitmap() const { return linkedVclBitmap_; }

  // ---- settings ----
  bool AutoUndo() const { return autoUndo_; }
  void SetAutoUndo(bool value) { autoUndo_ = value; }
  bool AutoConvertFormat() const { return autoConvertFormat_; }
  void SetAutoConvertFormat(bool value) { autoConvertFormat_ = value; }
  // The attached view's background, else the component's own.
  vcl::TColor GetBackground();
  void SetBackground(vcl::TColor colour);
  TMsgLanguage MsgLanguage() const { return msgLanguage_; }
  void SetMsgLanguage(TMsgLanguage value) { msgLanguage_ = value; }
  TPRPreviewsParams GetPreviewsParams() const { return previewsParams_; }
  void SetPreviewsParams(TPRPreviewsParams value) { previewsParams_ = value; }
  vcl::TFont* PreviewFont() const { return previewFont_.get(); }
  void SetPreviewFont(vcl::TFont* font);
  TIPDialogParams* DialogParams() const { return dialogParams_.get(); }

  // ---- undo and redo ----
  TIELocation UndoLocation() const { return undoLocation_; }
  void SetUndoLocation(TIELocation location) { undoLocation_ = location; }
  int32_t UndoLimit() const { return undoLimit_; }
  // Stored (a negative limit counts as 0); the stacks are trimmed at the next push only.
  void SetUndoLimit(int32_t limit);
  virtual bool CanUndo() { return UndoCount() > 0; }
  virtual bool CanRedo() { return RedoCount() > 0; }
  virtual int32_t UndoCount() { return undo_.Count(); }
  virtual int32_t RedoCount() { return redo_.Count(); }
  // Position 0 is the newest entry; "" outside the stack.
  virtual std::string GetUndoCaption(int32_t position) { return undo_.CaptionAt(position); }
  virtual std::string GetRedoCaption(int32_t position) { return redo_.CaptionAt(position); }
  // By entry index (0 the oldest); 0 outside the stack.
  TIEUndoSource GetUndoKindAt(int32_t index) { return undo_.KindAtIndex(index); }
  virtual void SaveUndo(TIEUndoSource source);
  virtual void SaveUndoCaptioned(const std::string& caption, TIEUndoSource source);
  virtual void SaveRedo(TIEUndoSource source);
  virtual void SaveRedoCaptioned(const std::string& caption, TIEUndoSource source);
  virtual void ClearOneUndo() { undo_.DeleteAt(0); }
  virtual void ClearAllUndo() { undo_.Clear(); }
  virtual void ClearOneRedo() { redo_.DeleteAt(0); }
  virtual void ClearAllRedo() { redo_.Clear(); }
  void DeleteUndoAt(int32_t position) { undo_.DeleteAt(position); }
  // Restores the entry (it stays on its stack); with saveRedo the present state of the same
  // aspect goes onto the redo stack first.
  virtual void Undo(bool saveRedo) { UndoAt(0, saveRedo); }
  virtual void UndoAt(int32_t position, bool saveRedo);
  virtual void Redo() { RedoAt(0); }
  virtual void RedoAt(int32_t position);

  // ---- operations ----
  void Fill(vcl::TColor colour);
  void FillRGB(TRGB colour);
  void Clear();
  void ImageResize(int32_t width, int32_t height, TIEHorizontalAlign horizontal, TIEVerticalAlign vertical,
                   int32_t fillAlpha);
  void Resample(int32_t width, int32_t height, TResampleFilter filter);
  void ResampleTo(TIEBitmap* dest, int32_t width, int32_t height, TResampleFilter filter);
  // background -1: the component's Background.
  void Rotate(TIEDegrees angle, bool antialias, TRotateQuality quality, vcl::TColor background);
  void ConvertToGray();
  void ConvertTo(int32_t colours, bool useThreshold);
  void ConvertToPalette(int32_t colours, std::span<TRGB> palette, bool useThreshold);
  void Crop(const TIECropRect& rect);
  // Right and Bottom are the last column and row.
  void CropRect(const vcl::TRect& rect);
  void CropToAlphaBounds();

  // ---- the frame every operation runs in ----
  bool PrepareWorkingBitmap(const TIEPixelFormatSet& allowed);
  bool EnsurePixelFormat(const TIEPixelFormatSet& allowed);
  // Whether PrepareWorkingBitmap would succeed, without converting anything.
  bool WillAcceptFormat(const TIEPixelFormatSet& allowed);
  // False: nothing to do. True: `work` is the bitmap to change (the working bitmap, or a
  // temporary copy of the selection's box that EndImageOperation writes back) and x1 .. y2
  // the area (ends exclusive).
  struct TImageOperation {
    TIEBitmap* Work = nullptr;
    std::unique_ptr<TIEBitmap> SelectionCopy;
    TIEMask* Mask = nullptr;
    int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  };
  bool BeginImageOperation(const TIEPixelFormatSet& allowed, const std::string& caption, TImageOperation& operation);
  void EndImageOperation(TImageOperation& operation);
  void NotifyImageChange();
  virtual bool GetSelectionArea(TIESelectionArea& area);
  virtual void DoFinishWork();

  TIEProgressEvent OnProgress;
  vcl::TNotifyEvent OnFinishWork;
  TIESaveUndoEvent OnSaveUndo;
  TIEPreviewEvent OnPreview;

 protected:
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

 private:
  void ViewBitmapChanged(bool destroying);
  // Unregisters from the view (when it is still whole) and forgets it.
  void DetachView(bool viewAlive);
  void ForgetTImage();
  // The working bitmap becomes a new own empty one (an owned previous one is freed).
  void UseOwnBitmap();
  // Owned wrapper of a platform bitmap (the view-legacy and TImage states).
  void UseWrapperOf(vcl::TBitmap* bitmap);
  void SetWorkingBitmap(TIEBitmap* bitmap);
  // Re-reads the linked platform bitmap: the current one of the view or TImage it came from.
  void RefreshLinkedBitmap();
  TIEProcSingleImageView* SingleImageView();
  TIEProcVectorView* VectorView();
  void ReportRow(int32_t finishedRows, int32_t rows);
  // Saves a snapshot of the source onto the stack; true when an entry was pushed.
  bool PushSnapshot(TIEUndoStack& stack, TIEUndoSource source);
  // SaveUndo / SaveRedo; true when an entry was pushed.
  bool SaveSnapshot(TIEUndoStack& stack, TIEUndoSource source, bool fireEvent);
  void Restore(TIEUndoStack& stack, int32_t position, bool saveRedo);
  void RestoreLayers(vcl::TStream* stream);

  bool autoUndo_;
  bool autoConvertFormat_ = true;
  TIEProcView* attachedImage_ = nullptr;
  vcl::TComponent* attachedViewComponent_ = nullptr;
  int32_t changeHandlerHandle_ = -1;
  vcl::TColor background_ = 0;
  TMsgLanguage msgLanguage_ = msSystem;
  TPRPreviewsParams previewsParams_ = kDefaultPreviewsParams;
  std::unique_ptr<vcl::TFont> previewFont_;
  vcl::TImage* attachedTImage_ = nullptr;
  TIEBitmap* workingBitmap_ = nullptr;
  std::unique_ptr<TIEBitmap> ownedBitmap_;
  vcl::TBitmap* linkedVclBitmap_ = nullptr;
  std::unique_ptr<TIPDialogParams> dialogParams_;
  TIEUndoStack undo_;
  TIEUndoStack redo_;
  TIELocation undoLocation_ = ieFile;
  int32_t undoLimit_ = 1;
};

}  // namespace imaging
