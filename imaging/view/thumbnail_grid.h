// TImageMView: the thumbnail grid. A scrollable grid of cells, each showing one image of an
// ordered list with up to three lines of text, a current image (optionally many selected), and
// a loader that reads image files on worker threads and reduces them to thumbnails.
//
// Images live outside the records, in two virtual image lists: "ILIST" holds each image as
// stored (whole, or thumbnail-sized with ietThumb) and "ICACHE" the copy drawn at cell size.
// Both lists, the records' image handles and the loader's lists are guarded by the grid's lock.
//
// Loading. A record names its source (a file, a frame "name::N" of a multi-frame or video file,
// or an ID answered by an event). The painter asks for missing visible images; the load
// workers (TIEMLoadWorker, threads kept for the grid's life) run up to ThreadPoolSize jobs at a
// time, each reading its file with an I/O object of its own and making the thumbnail. A job is tied to its record, not to a
// position, so edits of the list while it runs never send its image to another record. The
// finished job is handed to the user-interface thread, which stores the image, fires the
// application's events and frees the job once it is done.
//
// This header holds the class; its aspects live in thumbnail_grid_*.cpp (layout and
// scrolling, painting, loading, selection and interaction).
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <unordered_set>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/model/virtual_image_list.h"
#include "imaging/view/ie_view.h"
#include "imaging/view/view_background.h"
#include "imaging/view/view_params.h"
#include "vcl/runtime/threads.h"
#include "vcl/stdctrls/stdctrls.h"

namespace vcl {
class TBitmap;
class TCanvas;
class TFont;
class TPicture;
}  // namespace vcl

namespace imaging {

class TImageIO;
class TImageProc;
class TImageMIO;
class TImageMView;
class TIEMLoadWorker;
class TIEMLoadJob;

enum TIEStoreType : uint8_t { ietNormal, ietThumb };
enum TIEMDisplayMode : uint8_t { mdGrid, mdSingle };
enum TIEMStyle : uint8_t { iemsFlat, iemsACD };
enum TIESStyle : uint8_t { iessAround, iessACD };

// MouseInteract, KeyInteract and MultiSelectionOptions are sets of these bits.
enum TIEMMouseInteractItems : int32_t { mmiScroll = 0x01, mmiSelect = 0x02 };
enum TIEMKeyInteractItems : int32_t { mkiMoveSelected = 0x01 };
enum TIEMultiSelectionOptionItems : int32_t {
  iemoRegion = 0x01,
  iemoSelectOnMouseUp = 0x02,
  iemoLeaveOneSelected = 0x04,
};

using TViewChangeEvent = std::function<void(vcl::TObject* sender, int32_t change)>;
using TIEImageSelectEvent = std::function<void(vcl::TObject* sender, int32_t idx)>;
using TIEImageIDRequestEvent = std::function<void(vcl::TObject* sender, int32_t id, vcl::TBitmap*& bitmap)>;
using TIEImageIDRequestExEvent = std::function<void(vcl::TObject* sender, int32_t id, TIEBitmap*& bitmap)>;
using TIEImageDrawEvent =
    std::function<void(vcl::TObject* sender, int32_t idx, int32_t left, int32_t top, vcl::TCanvas* canvas)>;
using TIEImageDrawEventEx = std::function<void(vcl::TObject* sender, int32_t idx, int32_t left, int32_t top,
                                               vcl::TBitmap* dest, vcl::TRect& thumbRect)>;
using TIEImageDraw2Event = std::function<void(vcl::TObject* sender, int32_t idx, int32_t left, int32_t top,
                                              const vcl::TRect& imageRect, vcl::TCanvas* canvas)>;
using TIEMProgressEvent = std::function<void(vcl::TObject* sender, int32_t per, int32_t idx)>;
using TIEWrongImageEvent =
    std::function<void(vcl::TObject* sender, TIEBitmap* outBitmap, int32_t idx, bool& handled)>;
using TIEPlayFrameEvent = std::function<void(vcl::TObject* sender, int32_t frameIndex)>;

// Holds a lock for a scope.
class TGridLockScope {
 public:
  explicit TGridLockScope(vcl::TCriticalSection& lock) : lock_(lock) { lock_.Enter(); }
  ~TGridLockScope() { lock_.Leave(); }
  TGridLockScope(const TGridLockScope&) = delete;
  TGridLockScope& operator=(const TGridLockScope&) = delete;

 private:
  vcl::TCriticalSection& lock_;
};

// One text line of a cell.
class TIEMText : public vcl::TObject {
  VCL_CLASS(TIEMText, vcl::TObject)
  // position: 0 top, 1 bottom, 2 info; the font is a copy of the grid's font for it.
  TIEMText(TImageMView* owner, uint8_t position);
  ~TIEMText() override;

  std::u16string Caption;
  vcl::TFont* Font() const { return font_.get(); }
  vcl::TColor Background;
  vcl::TBrushStyle BackgroundStyle = vcl::bsSolid;
  TImageMView* Owner() const { return owner_; }
  uint8_t Position() const { return position_; }
  // 0: a too long caption loses its end and gets "..." appended; 1: loses its start and gets
  // "..." in front; anything else: never shortened.
  uint8_t Truncation = 1;

 private:
  std::unique_ptr<vcl::TFont> font_;
  TImageMView* owner_;
  uint8_t position_;
};

// The drop shadow under each thumbnail.
struct TIEVSoftShadow {
  bool Enabled = false;
  double Radius = 3.0;
  int32_t OffsetX = 3;
  int32_t OffsetY = 3;
  int32_t Intensity = 100;
  TRGB ShadowColor{0, 0, 0};
};

// What a load job needs of the grid's settings, copied under the lock on the user-interface
// thread so that the loader never reads the grid's fields.
struct TIEMLoaderSettings {
  TIEStoreType storeType = ietNormal;
  int32_t thumbWidth = 100, thumbHeight = 100;
  bool stretchSmallImages = true;
  TResampleFilter filter = rfFastLinear;
  bool loadEXIFThumbnails = true;
  bool adjustOrientation = false;
  int32_t poolSize = 5;
  int32_t maintainInvisible = 15;
};

// Gives an I/O object the reader settings of the grid: reduced JPEG decoding and embedded
// thumbnails for thumbnail storage, full size otherwise.
void ApplyGridReaderSettings(TImageIO* io, const TIEMLoaderSettings& settings);

// The caption shortened until it fits `width` on the canvas: truncation 0 drops characters at
// its end and appends "...", 1 drops them at its start and puts "..." in front; other values
// keep it whole.
std::u16string FitThumbnailCaption(vcl::TCanvas* canvas, const std::u16string& caption, uint8_t truncation,
                                   int32_t width);

// One image of the grid.
struct TIEMImageRecord {
  TImageMView* owner = nullptr;
  TIEVirtualImage* image = nullptr;       // in "ILIST"; nil when not loaded or released
  TIEVirtualImage* cacheImage = nullptr;  // in "ICACHE"
  int32_t X = 0, Y = 0;
  int32_t row = 0, column = 0;
  vcl::TColor background = 0;
  std::u16string fileName;  // empty: none
  int32_t ID = -1;
  int32_t delayTime = 0;
  std::unique_ptr<TIEMText> topText, bottomText, infoText;
  vcl::TRect imageRect{0, 0, 0, 0};
  int32_t userData1 = 0, userData2 = 0;
};

class TImageMView : public TIEView {
  VCL_CLASS(TImageMView, TIEView)
  explicit TImageMView(vcl::TComponent* owner);
  // Waits for every load job and the loader thread before anything they use goes.
  ~TImageMView() override;

  // ---- the image list ----
  int32_t ImageCount() const { return static_cast<int32_t>(records_.size()); }
  // An empty record at index (appended when index is past the end or negative).
  void InsertImage(int32_t index);
  // Appends an empty record; returns its index.
  int32_t AppendImage();
  // False for an index out of range.
  bool DeleteImage(int32_t index);
  void Clear();
  // Stores a copy of the image (reduced to the cell with ietThumb). The caller's bitmap is
  // never changed. Nil does nothing.
  void SetImage(int32_t index, vcl::TBitmap* bitmap);
  void SetImageEx(int32_t index, TIEBitmap* bitmap);
  // The image borrowed from "ILIST", loaded first when absent; nil when there is none.
  TIEBitmap* GetTIEBitmap(int32_t index);
  // Gives a bitmap of GetTIEBitmap back, storing changes with writeBack.
  void ReleaseBitmap(TIEBitmap* bitmap, bool writeBack);
  std::u16string GetImageFileName(int32_t index) const;
  // The file (or "file::N" frame) the image is loaded from; drops the image stored so far.
  void SetImageFileName(int32_t index, const std::u16string& name);
  int32_t GetImageID(int32_t index) const;
  void SetImageID(int32_t index, int32_t id);
  int32_t GetImageRow(int32_t index) const;
  int32_t GetImageCol(int32_t index) const;
  int32_t GetImageX(int32_t index) const;
  int32_t GetImageY(int32_t index) const;
  int32_t GetImageDelayTime(int32_t index) const;
  void SetImageDelayTime(int32_t index, int32_t ms);
  void SetImageOriginalWidth(int32_t index, int32_t value);
  void SetImageOriginalHeight(int32_t index, int32_t value);
  int32_t GetImageOriginalWidth(int32_t index);
  int32_t GetImageOriginalHeight(int32_t index);
  vcl::TColor GetImageBackground(int32_t index) const;
  // The three texts of a cell; nil out of range.
  TIEMText* GetImageTopText(int32_t index) const;
  TIEMText* GetImageBottomText(int32_t index) const;
  TIEMText* GetImageInfoText(int32_t index) const;
  // Whether the record holds a stored image or a drawn copy.
  bool IsImageLoaded(int32_t index);
  // The image rectangle inside the drawn thumbnail (set by the painter).
  vcl::TRect GetImageRect(int32_t index) const;
  // Moves an image (with its record) to newIndex; swaps two images.
  void MoveImage(int32_t index, int32_t newIndex);
  void SwapImages(int32_t index1, int32_t index2);
  int32_t GetLastChange() const { return lastChange_; }
  int32_t GetLastChangeIndex() const { return changeIndex_; }
  int32_t GetLastChangeIndex2() const { return changeIndex2_; }
  void ClearImageCache(int32_t index);
  void ClearCache();

  // ---- companions ----
  virtual TImageMIO* GetMIO();
  virtual TImageProc* GetProc();
  // Guards the records' images, both image lists and the loader's lists (re-entrant).
  vcl::TCriticalSection& GridLock() { return lock_; }
  // The grid's own I/O object of synchronous loads.
  TImageIO* IO() const { return io_; }

  // ---- TIEView ----
  TIEBitmap* GetIEBitmap() override;
  vcl::TBitmap* GetTBitmap() override;
  TIEBitmap* GetAlphaChannel() override { return nullptr; }
  bool HasAlphaChannel() override { return false; }
  void RemoveAlphaChannel(bool) override {}
  void LockPaint() override;
  int32_t UnlockPaint() override;
  int32_t UnlockPaintNoUpdate() override;
  void NotifyBitmapChange() override;
  void SetBackground(vcl::TColor colour) override;
  // Lays the grid out again and drops the drawn copies.
  void Update() override;
  void Assign(vcl::TPersistent*) override {}

  // ---- layout and scrolling ----
  void LayoutImages();
  void GetMaxViewXY(int32_t& maxX, int32_t& maxY);
  int32_t ViewX() const { return viewX_; }
  int32_t ViewY() const { return viewY_; }
  void SetViewX(int32_t x);
  void SetViewY(int32_t y);
  void SetViewXY(int32_t x, int32_t y);
  void RefreshLayout(bool clearCache);
  // The image under the client point, -1 for none (also in the gaps between cells).
  int32_t ImageAtPos(int32_t x, int32_t y);
  int32_t ImageAtGridPos(int32_t row, int32_t column);
  bool IsImageVisible(int32_t index);
  // 0 outside (or out of range), 1 partly, 2 wholly inside the client area.
  int32_t ImageVisibility(int32_t index);
  int32_t LayoutWidth() const { return layoutWidth_; }
  int32_t LayoutHeight() const { return layoutHeight_; }
  // The number of columns the layout uses.
  int32_t ColumnCount();
  vcl::TScrollStyle ScrollBars() const { return scrollBars_; }
  virtual void SetScrollBars(vcl::TScrollStyle value);
  bool FlatScrollBars() const { return flatScrollBars_; }
  void SetFlatScrollBars(bool value);
  bool ScrollBarsAlwaysVisible() const { return scrollBarsAlwaysVisible_; }
  void SetScrollBarsAlwaysVisible(bool value);
  TIEScrollBarParams* HScrollBarParams() const { return hScrollParams_.get(); }
  TIEScrollBarParams* VScrollBarParams() const { return vScrollParams_.get(); }

  // ---- painting ----
  // Renders the whole client area into a 24-bit platform bitmap of the client size.
  virtual void PaintTo(vcl::TBitmap* bitmap);
  bool IsInLookAhead(int32_t index);
  TIEBitmap* BackBuffer() const { return backBuffer_.get(); }

  // ---- loading ----
  // True when the image is there, queued or being read. position -1 appends; a position at or
  // past the queue's end appends too. The jobs started read by the settings of this request;
  // the store type and cell size of the moment the image is stored decide its thumbnail.
  bool RequestLoad(int32_t index, int32_t position);
  // Synchronous load; false when the reader failed (the placeholder is stored then).
  bool LoadImage(int32_t index);
  void CancelImageLoad(int32_t index);
  // Cancels everything and waits until no job is left, however long a reader takes to stop
  // (no time limit: a job outliving the wait could touch a grid that is freed next).
  virtual void StopLoading();
  // Position of the index in the loader's queue, -1 when not queued.
  int32_t QueueIndexOf(int32_t index);
  bool HasImageSource(int32_t index);
  // Load jobs not yet freed (running, or finished and waiting for the user-interface thread).
  int32_t JobCount();
  // Stores the images of finished jobs and frees them; runs on the user-interface thread
  // (queued there by each finishing job, callable directly).
  void ProcessFinishedJobs();
  // Fills the bitmap with the placeholder of an unreadable image of record `index`.
  virtual void DoWrongImage(TIEBitmap* bitmap, int32_t index);
  // The frame-file I/O object of "name::N" (created on first use); frame gets N.
  TImageIO* GetFrameIO(const std::u16string& name, int32_t& frame);
  void LoadFrame(TImageIO* io, int32_t frame, int32_t& delay);
  void FreeFrameIOs();

  // ---- selection ----
  int32_t SelectedImage() const { return selectedImage_; }
  void SetSelectedImage(int32_t index);
  void DoSelectImage(int32_t index);
  bool SelectAtPos(int32_t x, int32_t y, vcl::TShiftState shift);
  void DeselectNoUpdate();
  void Deselect();
  bool IsSelected(int32_t index);
  void MoveSelection(int32_t kind);
  // The multiple selection, in selection order.
  int32_t MultiSelectedImagesCount() const { return static_cast<int32_t>(multiSelected_.size()); }
  int32_t MultiSelectedImages(int32_t i) const;
  virtual void ImageSelect(int32_t index);
  virtual void ImageDeselect(int32_t index);
  virtual void ViewChange(int32_t change);

  // ---- play mode ----
  bool Playing() const { return playing_; }
  void SetPlaying(bool on);
  void PlayFrame();
  // The interval of the waiting frame's timer in milliseconds, 0 when none waits.
  int32_t PlayInterval() const;
  int32_t DisplayImage() const { return singleIndex_; }
  void SetDisplayImage(int32_t index);

  // ---- published settings ----
  int32_t ThumbWidth() const { return thumbWidth_; }
  void SetThumbWidth(int32_t v);
  int32_t ThumbHeight() const { return thumbHeight_; }
  void SetThumbHeight(int32_t v);
  int32_t HorizBorder() const { return horizBorder_; }
  void SetHorizBorder(int32_t v);
  int32_t VertBorder() const { return vertBorder_; }
  void SetVertBorder(int32_t v);
  int32_t UpperGap() const { return upperGap_; }
  void SetUpperGap(int32_t v);
  int32_t BottomGap() const { return bottomGap_; }
  void SetBottomGap(int32_t v);
  int32_t GridWidth() const { return gridWidth_; }
  void SetGridWidth(int32_t v);
  bool VisibleSelection() const { return visibleSelection_; }
  void SetVisibleSelection(bool v);
  int32_t SelectionWidth() const { return selectionWidth_; }
  void SetSelectionWidth(int32_t v);
  int32_t SelectionWidthNoFocus() const { return selectionWidthNoFocus_; }
  void SetSelectionWidthNoFocus(int32_t v) { selectionWidthNoFocus_ = v; }
  vcl::TColor SelectionColor() const { return selectionColor_; }
  void SetSelectionColor(vcl::TColor v);
  bool SelectionAntialias() const { return selectionAntialias_; }
  void SetSelectionAntialias(bool v) { selectionAntialias_ = v; }
  vcl::TColor SelectionBackColor() const { return selectionBackColor_; }
  void SetSelectionBackColor(vcl::TColor v) { selectionBackColor_ = v; }
  vcl::TColor SelectionFontColor() const { return selectionFontColor_; }
  void SetSelectionFontColor(vcl::TColor v) { selectionFontColor_ = v; }
  bool RemoveCorrupted() const { return removeCorrupted_; }
  void SetRemoveCorrupted(bool v);
  bool DrawImageBackground() const { return drawImageBackground_; }
  void SetDrawImageBackground(bool v);
  bool EnableAlphaChannel() const { return enableAlphaChannel_; }
  void SetEnableAlphaChannel(bool v);
  TIEBackgroundStyle BackgroundStyle() const { return backgroundStyle_; }
  void SetBackgroundStyle(TIEBackgroundStyle v);
  TIEBackgroundStyle ThumbnailsBackgroundStyle() const { return thumbsBackgroundStyle_; }
  void SetThumbnailsBackgroundStyle(TIEBackgroundStyle v);
  TIEMStyle Style() const { return style_; }
  void SetStyle(TIEMStyle v);
  TIESStyle SelectionStyle() const { return selectionStyle_; }
  void SetSelectionStyle(TIESStyle v);
  bool EnableMultiSelect() const { return enableMultiSelect_; }
  void SetEnableMultiSelect(bool v);
  int32_t MultiSelectionOptions() const { return multiSelectionOptions_; }
  void SetMultiSelectionOptions(int32_t v) { multiSelectionOptions_ = v; }
  int32_t ThumbnailsBorderWidth() const { return thumbsBorderWidth_; }
  void SetThumbnailsBorderWidth(int32_t v);
  vcl::TColor ThumbnailsBorderColor() const { return thumbsBorderColor_; }
  void SetThumbnailsBorderColor(vcl::TColor v);
  bool ThumbnailsInternalBorder() const { return thumbsInternalBorder_; }
  void SetThumbnailsInternalBorder(bool v);
  vcl::TColor ThumbnailsInternalBorderColor() const { return thumbsInternalBorderColor_; }
  void SetThumbnailsInternalBorderColor(vcl::TColor v);
  vcl::TColor ThumbnailsBackground() const { return thumbsBackground_; }
  void SetThumbnailsBackground(vcl::TColor v) { thumbsBackground_ = v; }
  int32_t ThumbnailRoundness() const { return thumbnailRoundness_; }
  void SetThumbnailRoundness(int32_t v) { thumbnailRoundness_ = v; }
  vcl::TPicture* WallPaper() const { return wallPaper_.get(); }
  void SetWallPaper(vcl::TPicture* picture);
  TIEWallPaperStyle WallPaperStyle() const { return wallPaperStyle_; }
  void SetWallPaperStyle(TIEWallPaperStyle v);
  int32_t ImageCacheSize() const { return imageCacheSize_; }
  void SetImageCacheSize(int32_t v);
  int32_t MouseInteract() const { return mouseInteract_; }
  virtual void SetMouseInteract(int32_t v) { mouseInteract_ = v; }
  int32_t KeyInteract() const { return keyInteract_; }
  virtual void SetKeyInteract(int32_t v) { keyInteract_ = v; }
  TIEMDisplayMode DisplayMode() const { return displayMode_; }
  void SetDisplayMode(TIEMDisplayMode v);
  TIEStoreType StoreType() const { return storeType_; }
  void SetStoreType(TIEStoreType v) { storeType_ = v; }
  int32_t ThreadPoolSize() const { return threadPoolSize_; }
  void SetThreadPoolSize(int32_t v);
  TResampleFilter ThumbnailResampleFilter() const { return thumbResampleFilter_; }
  void SetThumbnailResampleFilter(TResampleFilter v) { thumbResampleFilter_ = v; }
  TResampleFilter ThumbnailDisplayFilter() const { return thumbDisplayFilter_; }
  void SetThumbnailDisplayFilter(TResampleFilter v) { thumbDisplayFilter_ = v; }
  bool FillThumbnail() const { return fillThumbnail_; }
  void SetFillThumbnail(bool v) { fillThumbnail_ = v; }
  bool StretchSmallImages() const { return stretchSmallImages_; }
  void SetStretchSmallImages(bool v) { stretchSmallImages_ = v; }
  bool EnableAdjustOrientation() const { return enableAdjustOrientation_; }
  void SetEnableAdjustOrientation(bool v) { enableAdjustOrientation_ = v; }
  bool EnableLoadEXIFThumbnails() const { return enableLoadEXIFThumbnails_; }
  void SetEnableLoadEXIFThumbnails(bool v) { enableLoadEXIFThumbnails_ = v; }
  bool EnableImageCaching() const { return enableImageCaching_; }
  void SetEnableImageCaching(bool v) { enableImageCaching_ = v; }
  bool ShowText() const { return showText_; }
  void SetShowText(bool v) { showText_ = v; }
  bool UseFileIconOnError() const { return useFileIconOnError_; }
  void SetUseFileIconOnError(bool v) { useFileIconOnError_ = v; }
  int32_t MaintainInvisibleImages() const { return maintainInvisibleImages_; }
  void SetMaintainInvisibleImages(int32_t v) { maintainInvisibleImages_ = v; }
  int32_t LookAhead() const { return lookAhead_; }
  void SetLookAhead(int32_t v) { lookAhead_ = v; }
  bool PlayLoop() const { return playLoop_; }
  void SetPlayLoop(bool v) { playLoop_ = v; }
  int32_t RenderLock() const { return renderLock_; }
  void SetRenderLock(int32_t v) { renderLock_ = v; }
  int32_t TransitionEffect() const { return transitionEffect_; }
  void SetTransitionEffect(int32_t v) { transitionEffect_ = v; }
  int32_t TransitionDuration() const { return transitionDuration_; }
  void SetTransitionDuration(int32_t v) { transitionDuration_ = v; }
  vcl::TFont* TopTextFont() const { return topTextFont_.get(); }
  vcl::TFont* BottomTextFont() const { return bottomTextFont_.get(); }
  vcl::TFont* InfoTextFont() const { return infoTextFont_.get(); }
  TIEVSoftShadow& SoftShadow() { return softShadow_; }
  // Frame bitmaps drawn behind each cell (both must be set); owned.
  TIEBitmap* ThumbnailFrame() const { return thumbnailFrame_.get(); }
  void SetThumbnailFrame(std::unique_ptr<TIEBitmap> bitmap) { thumbnailFrame_ = std::move(bitmap); }
  TIEBitmap* ThumbnailFrameSelected() const { return thumbnailFrameSelected_.get(); }
  void SetThumbnailFrameSelected(std::unique_ptr<TIEBitmap> bitmap) { thumbnailFrameSelected_ = std::move(bitmap); }
  vcl::TRect ThumbnailFrameRect() const { return thumbnailFrameRect_; }
  void SetThumbnailFrameRect(const vcl::TRect& r) { thumbnailFrameRect_ = r; }
  // Always "3.1.1"; setting it does nothing.
  std::string ImageVersion() const { return "3.1.1"; }
  void SetImageVersion(const std::string&) {}

  virtual void SetOnProgress(TIEProgressEvent event);
  virtual const TIEProgressEvent& GetOnProgress() const { return onProgress_; }
  virtual void SetOnFinishWork(vcl::TNotifyEvent event);
  virtual const vcl::TNotifyEvent& GetOnFinishWork() const { return onFinishWork_; }

  // ---- events ----
  TViewChangeEvent OnViewChange;
  TIEImageSelectEvent OnImageSelect;
  TIEImageSelectEvent OnImageDeselect;
  TIEImageIDRequestEvent OnImageIDRequest;
  TIEImageIDRequestExEvent OnImageIDRequestEx;
  TIEImageDrawEvent OnBeforeImageDraw;
  TIEImageDrawEventEx OnBeforeImageDrawEx;
  TIEImageDrawEvent OnImageDraw;
  TIEImageDraw2Event OnImageDraw2;
  TIEMProgressEvent OnDrawProgress;
  vcl::TNotifyEvent OnAllDisplayed;
  TIEWrongImageEvent OnWrongImage;
  TIEProgressEvent OnIOProgress;
  TIEPlayFrameEvent OnPlayFrame;

 protected:
  void Paint() override;
  void Dispatch(vcl::TMessage& message) override;
  void WMSize(vcl::TWMSize& message) override;
  void WMEraseBkgnd(vcl::TWMEraseBkgnd& message) override;
  void WMSetFocus(vcl::TWMSetFocus& message) override;
  void WMKillFocus(vcl::TWMKillFocus& message) override;
  void WMMouseWheel(vcl::TWMMouseWheel& message) override;
  void WMLButtonDblClk(vcl::TWMMouse& message) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, vcl::TShiftState shift) override;
  virtual void DrawThumbnail(vcl::TBitmap* bitmap, TIEMImageRecord* record, int32_t index, bool selected);

 private:
  friend class TIEMLoadWorker;
  friend class TIEMLoadJob;
  friend class TIEMText;

  // A property whose change lays the grid out and paints it again.
  template <class T>
  void SetAndUpdate(T& field, T value) {
    if (field == value) return;
    field = value;
    Update();
  }

  TIEMImageRecord* Record(int32_t index) const {
    return index >= 0 && index < ImageCount() ? records_[index].get() : nullptr;
  }
  // A field of the record at `index`; `otherwise` when there is no such record.
  template <class T>
  T RecordField(int32_t index, T TIEMImageRecord::*field, const std::type_identity_t<T>& otherwise) const {
    const TIEMImageRecord* record = Record(index);
    return record ? record->*field : otherwise;
  }
  int32_t IndexOfRecord(const TIEMImageRecord* record) const;
  void StopPlayingForEdit();
  void ScrollAction(bool horizontal, int32_t code, uint16_t position);
  void UpdateScrollBars();
  // ---- loading ----
  TIEMLoaderSettings CurrentLoaderSettings() const;
  // Whether the loader still wants the record (visible or looked ahead), from the snapshot.
  bool IsWanted(TIEMImageRecord* record) const;
  void PruneQueue();
  // Cancels running jobs of records no longer wanted.
  void CleanupJobs();
  // On a load worker: the next job to run (now counted as running), or nil when none may start.
  TIEMLoadJob* TakeLoadJob();
  // Called on the worker's thread as a job ends.
  void JobFinished(TIEMLoadJob* job, TIEMLoadWorker* worker);
  // Wakes the workers; with makeMissing (on the user-interface thread, where images are asked
  // for) it first makes those the pool's size lacks.
  void SignalLoadWorkers(bool makeMissing);
  void StopLoadWorkers();
  void CancelRecordLoad(TIEMImageRecord* record);
  void StoreJobResult(TIEMLoadJob* job);
  void DeleteRecordImages(TIEMImageRecord* record);
  // ---- painting ----
  void DrawCellTexts(vcl::TCanvas* canvas, TIEMImageRecord* record, bool selected, int32_t x, int32_t y, int32_t w,
                     int32_t h, int32_t bottom, int32_t infoH, int32_t& textSpace);
  // The steps of drawing one cell (x, y, w, h): its picture, from the image list or the cache,
  // placed at l, m and sized o x t; the image's border and the plain margins around it; the
  // cell's border; the selection frame.
  void DrawCellImage(vcl::TBitmap* bitmap, TIEMImageRecord* record, int32_t x, int32_t y, int32_t w, int32_t h,
                     int32_t upper, int32_t availH, int32_t& l, int32_t& m, int32_t& o, int32_t& t);
  void DrawAroundCellImage(vcl::TCanvas* canvas, TIEMImageRecord* record, vcl::TColor cellColour, int32_t x, int32_t y,
                           int32_t w, int32_t h, int32_t l, int32_t m, int32_t o, int32_t t);
  void DrawCellBorder(vcl::TCanvas* canvas, int32_t x, int32_t y, int32_t w, int32_t h);
  void DrawSelectionFrame(vcl::TCanvas* canvas, int32_t x, int32_t y, int32_t w, int32_t h);
  void PaintWallPaper(vcl::TCanvas* canvas);
  TIEBackgroundParams CellBackgroundParams(vcl::TColor colour) const;
  // ---- selection ----
  void SelectRangeTo(int32_t anchor, int32_t x, int32_t y);
  bool HasFocusNow();
  void WMTimer();

  vcl::TCriticalSection lock_;
  std::vector<std::unique_ptr<TIEMImageRecord>> records_;
  std::unique_ptr<TIEBitmap> backBuffer_;
  std::unique_ptr<TIEVirtualImageList> imageList_;  // "ILIST"
  std::unique_ptr<TIEVirtualImageList> cacheList_;  // "ICACHE"
  TImageIO* io_ = nullptr;    // owned (component owner: the grid)
  TImageMIO* mio_ = nullptr;  // owned (component owner: the grid)
  TImageProc* proc_ = nullptr;
  std::unique_ptr<TIEScrollBarParams> hScrollParams_, vScrollParams_;
  std::unique_ptr<vcl::TPicture> wallPaper_;
  std::unique_ptr<vcl::TFont> topTextFont_, bottomTextFont_, infoTextFont_;
  std::unique_ptr<TIEBitmap> thumbnailFrame_, thumbnailFrameSelected_;
  vcl::TRect thumbnailFrameRect_{0, 0, 0, 0};
  TIEVSoftShadow softShadow_;

  // layout
  vcl::TScrollStyle scrollBars_ = vcl::ssBoth;
  double hScale_ = 1.0, vScale_ = 1.0;
  int32_t viewX_ = 0, viewY_ = 0;
  int32_t layoutWidth_ = 0, layoutHeight_ = 0;
  bool refreshRunning_ = false;
  bool flatScrollBars_ = false;
  bool scrollBarsAlwaysVisible_ = false;

  // settings
  TIEStoreType storeType_ = ietNormal;
  int32_t thumbWidth_ = 100, thumbHeight_ = 100;
  int32_t horizBorder_ = 4, vertBorder_ = 4;
  int32_t bottomGap_ = 0, upperGap_ = 0, altBottomGap_ = 0, altUpperGap_ = 0;
  TIEMDisplayMode displayMode_ = mdGrid;
  int32_t gridWidth_ = 0;
  int32_t paintLock_ = 0;
  int32_t renderLock_ = 0;
  bool removeCorrupted_ = false, drawImageBackground_ = false;
  TResampleFilter thumbResampleFilter_ = rfFastLinear;
  TResampleFilter thumbDisplayFilter_ = rfNone;
  bool destroying_ = false;
  TIEMStyle style_ = iemsACD;
  TIESStyle selectionStyle_ = iessAround;
  vcl::TColor thumbsBackground_ = static_cast<vcl::TColor>(0x8000000F);
  int32_t thumbsBorderWidth_ = 0;
  vcl::TColor thumbsBorderColor_ = static_cast<vcl::TColor>(0x8000000F);
  bool thumbsInternalBorder_ = false;
  vcl::TColor thumbsInternalBorderColor_ = 0;
  int32_t thumbnailRoundness_ = 0;
  bool enableAdjustOrientation_ = false, enableLoadEXIFThumbnails_ = true;
  bool enableAlphaChannel_ = true;
  TIEBackgroundStyle backgroundStyle_ = iebsSolid, thumbsBackgroundStyle_ = iebsSolid;
  bool fillThumbnail_ = true, stretchSmallImages_ = true;
  int32_t threadPoolSize_ = 5;
  TIEWallPaperStyle wallPaperStyle_ = iewoNormal;
  bool visibleSelection_ = true;
  int32_t selectionWidth_ = 2, selectionWidthNoFocus_ = 1;
  bool selectionAntialias_ = true;
  vcl::TColor selectionColor_ = 0xFFA0A0;
  vcl::TColor selectionBackColor_ = static_cast<vcl::TColor>(0x8000000D);
  vcl::TColor selectionFontColor_ = static_cast<vcl::TColor>(0x8000000E);
  int32_t mouseInteract_ = mmiSelect, keyInteract_ = mkiMoveSelected;
  int32_t imageCacheSize_ = 10;
  int32_t lastChange_ = 0, changeIndex_ = 0, changeIndex2_ = 0;
  int32_t transitionEffect_ = 0, transitionDuration_ = 1000;
  bool enableImageCaching_ = true, showText_ = true;
  int32_t maintainInvisibleImages_ = 15, lookAhead_ = 0;
  bool allDisplayed_ = false;
  bool useFileIconOnError_ = true;
  TIEProgressEvent onProgress_;
  vcl::TNotifyEvent onFinishWork_;

  // selection and interaction
  int32_t selectedImage_ = -1;
  TIEBitmap* selectedBitmap_ = nullptr;  // borrowed from "ILIST"
  std::vector<int32_t> multiSelected_;
  bool enableMultiSelect_ = false;
  int32_t multiSelectionOptions_ = 0;
  bool extendSelection_ = false, noToggle_ = false;
  bool userAction_ = false;
  bool ignoreNextPress_ = false;
  int32_t pressX_ = 0, pressY_ = 0, pressViewX_ = 0, pressViewY_ = 0;
  int32_t pressIndex_ = -1, dragIndex_ = -1, lastClicked_ = -1;
  bool pressPending_ = false, rangeDrag_ = false, selectionChanged_ = false;
  // play mode
  bool playing_ = false, inPlayStep_ = false, playLoop_ = true, playTimer_ = false;
  int32_t singleIndex_ = 0;
  TIEMDisplayMode savedDisplayMode_ = mdGrid;
  int32_t savedSelection_ = -1;
  int32_t lastShownFrame_ = -1;

  // loading, all guarded by lock_
  std::deque<TIEMImageRecord*> queue_;
  std::vector<TIEMLoadJob*> jobs_;
  std::vector<TIEMImageRecord*> lookAheadList_;
  // The records the painter showed or looked ahead at last: the loader thread's view of what
  // is still wanted (it never reads the layout itself).
  std::unordered_set<TIEMImageRecord*> wanted_;
  TIEMLoaderSettings loaderSettings_;
  std::vector<std::unique_ptr<TImageIO>> frameIOs_;
  // The load workers; their list has a lock of its own, which workers take as jobs end.
  std::vector<TIEMLoadWorker*> workers_;
  vcl::TCriticalSection workersLock_;
  // The user-interface side of ProcessFinishedJobs: a run in progress, and a request that came
  // while it ran.
  bool processingJobs_ = false, processAgain_ = false;
};

}  // namespace imaging
