#include "imaging/view/thumbnail_grid.h"

#include <algorithm>

#include "imaging/base/geometry.h"
#include "imaging/io/image_io.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/nearest_stretch.h"
#include "imaging/model/routines/resample.h"
#include "imaging/model/routines/resample_fast.h"
#include "imaging/proc/bitmap_edits.h"
#include "imaging/proc/image_proc.h"
#include "imaging/view/thumbnail_grid_io.h"
#include "imaging/view/thumbnail_grid_loader.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/gdiobjects.h"
#include "vcl/graphics/picture.h"

namespace imaging {

using TLockScope = TGridLockScope;

// ---- TIEMText ----

TIEMText::TIEMText(TImageMView* owner, uint8_t position)
    : Background(owner ? owner->Background() : static_cast<vcl::TColor>(0x8000000F)),
      font_(std::make_unique<vcl::TFont>()),
      owner_(owner),
      position_(position) {
  if (owner) {
    vcl::TFont* source = position == 0 ? owner->TopTextFont() : position == 1 ? owner->BottomTextFont()
                                                                              : owner->InfoTextFont();
    if (source) font_->Assign(source);
  }
}

TIEMText::~TIEMText() = default;

// ---- construction ----

TImageMView::TImageMView(vcl::TComponent* owner) : TIEView(owner) {
  backBuffer_ = std::make_unique<TIEBitmap>();
  backBuffer_->SetLocation(ieTBitmap);
  SetBackground(static_cast<vcl::TColor>(0x8000000F));
  SetHeight(90);
  SetWidth(180);
  topTextFont_ = std::make_unique<vcl::TFont>();
  bottomTextFont_ = std::make_unique<vcl::TFont>();
  infoTextFont_ = std::make_unique<vcl::TFont>();
  io_ = new TImageIO(this);
  hScrollParams_ = std::make_unique<TIEScrollBarParams>();
  vScrollParams_ = std::make_unique<TIEScrollBarParams>();
  const bool useFile = !ComponentState().Contains(vcl::csDesigning);
  imageList_ = std::make_unique<TIEVirtualImageList>("ILIST", useFile);
  imageList_->SetCacheSize(imageCacheSize_);
  cacheList_ = std::make_unique<TIEVirtualImageList>("ICACHE", useFile);
  wallPaper_ = std::make_unique<vcl::TPicture>();
  loaderSettings_ = CurrentLoaderSettings();
}

TImageMView::~TImageMView() {
  destroying_ = true;
  // Whoever watches the grid (the companion, a processing object) lets go first, rather than
  // following every image out one by one.
  NotifyViewDestroying();
  DeselectNoUpdate();
  // Every job is cancelled and waited for, then the workers end, and only then do the records
  // and lists they refer to go.
  StopLoading();
  StopLoadWorkers();
  FreeFrameIOs();
  delete mio_;
  mio_ = nullptr;
  delete proc_;
  proc_ = nullptr;
  for (int32_t i = ImageCount() - 1; i >= 0; --i) DeleteImage(i);
  delete io_;
  io_ = nullptr;
}

VCL_PUBLISHED(TImageMView, p) {
  p.Integer("ThumbWidth", &TImageMView::ThumbWidth, &TImageMView::SetThumbWidth, 100)
      .Integer("ThumbHeight", &TImageMView::ThumbHeight, &TImageMView::SetThumbHeight, 100)
      .Integer("HorizBorder", &TImageMView::HorizBorder, &TImageMView::SetHorizBorder, 4)
      .Integer("VertBorder", &TImageMView::VertBorder, &TImageMView::SetVertBorder, 4)
      .Integer("UpperGap", &TImageMView::UpperGap, &TImageMView::SetUpperGap, 0)
      .Integer("BottomGap", &TImageMView::BottomGap, &TImageMView::SetBottomGap, 0)
      .Integer("GridWidth", &TImageMView::GridWidth, &TImageMView::SetGridWidth, 0)
      .Enum("ScrollBars", &TImageMView::ScrollBars, &TImageMView::SetScrollBars,
            {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}, vcl::ssBoth)
      .Bool("FlatScrollBars", &TImageMView::FlatScrollBars, &TImageMView::SetFlatScrollBars, false)
      .Enum("StoreType", &TImageMView::StoreType, &TImageMView::SetStoreType, {"ietNormal", "ietThumb"}, ietNormal)
      .Enum("DisplayMode", &TImageMView::DisplayMode, &TImageMView::SetDisplayMode, {"mdGrid", "mdSingle"}, mdGrid)
      .Enum("Style", &TImageMView::Style, &TImageMView::SetStyle, {"iemsFlat", "iemsACD"}, iemsACD)
      .Enum("SelectionStyle", &TImageMView::SelectionStyle, &TImageMView::SetSelectionStyle,
            {"iessAround", "iessACD"}, iessAround)
      .Bool("VisibleSelection", &TImageMView::VisibleSelection, &TImageMView::SetVisibleSelection, true)
      .Integer("SelectionWidth", &TImageMView::SelectionWidth, &TImageMView::SetSelectionWidth, 2)
      .Integer("SelectionWidthNoFocus", &TImageMView::SelectionWidthNoFocus,
               &TImageMView::SetSelectionWidthNoFocus, 1)
      .Bool("SelectionAntialias", &TImageMView::SelectionAntialias, &TImageMView::SetSelectionAntialias, true)
      .Integer("SelectionColor", &TImageMView::SelectionColor, &TImageMView::SetSelectionColor, 0xFFA0A0)
      .Idents(vcl::ColorToIdent, vcl::IdentToColor)
      .Integer("SelectionBackColor", &TImageMView::SelectionBackColor, &TImageMView::SetSelectionBackColor,
               0x8000000D)
      .Idents(vcl::ColorToIdent, vcl::IdentToColor)
      .Integer("SelectionFontColor", &TImageMView::SelectionFontColor, &TImageMView::SetSelectionFontColor,
               0x8000000E)
      .Idents(vcl::ColorToIdent, vcl::IdentToColor)
      .Bool("RemoveCorrupted", &TImageMView::RemoveCorrupted, &TImageMView::SetRemoveCorrupted, false)
      .Bool("DrawImageBackground", &TImageMView::DrawImageBackground, &TImageMView::SetDrawImageBackground, false)
      .Bool("EnableAlphaChannel", &TImageMView::EnableAlphaChannel, &TImageMView::SetEnableAlphaChannel, true)
      .Enum("BackgroundStyle", &TImageMView::BackgroundStyle, &TImageMView::SetBackgroundStyle,
            {"iebsSolid", "iebsHorizontal", "iebsVertical", "iebsFDiagonal", "iebsBDiagonal", "iebsCross",
             "iebsDiagCross", "iebsChessboard", "iebsDiagonals", "iebsCropped", "iebsCropShadow", "iebsGradient",
             "iebsSoftShadow", "iebsPhotoLike"},
            iebsSolid)
      .Enum("ThumbnailsBackgroundStyle", &TImageMView::ThumbnailsBackgroundStyle,
            &TImageMView::SetThumbnailsBackgroundStyle,
            {"iebsSolid", "iebsHorizontal", "iebsVertical", "iebsFDiagonal", "iebsBDiagonal", "iebsCross",
             "iebsDiagCross", "iebsChessboard", "iebsDiagonals", "iebsCropped", "iebsCropShadow", "iebsGradient",
             "iebsSoftShadow", "iebsPhotoLike"},
            iebsSolid)
      .Bool("EnableMultiSelect", &TImageMView::EnableMultiSelect, &TImageMView::SetEnableMultiSelect, false)
      .Set("MultiSelectionOptions", &TImageMView::MultiSelectionOptions, &TImageMView::SetMultiSelectionOptions,
           {"iemoRegion", "iemoSelectOnMouseUp", "iemoLeaveOneSelected"}, 0)
      .Integer("ThumbnailsBorderWidth", &TImageMView::ThumbnailsBorderWidth, &TImageMView::SetThumbnailsBorderWidth,
               0)
      .Integer("ThumbnailsBorderColor", &TImageMView::ThumbnailsBorderColor, &TImageMView::SetThumbnailsBorderColor,
               0x8000000F)
      .Idents(vcl::ColorToIdent, vcl::IdentToColor)
      .Bool("ThumbnailsInternalBorder", &TImageMView::ThumbnailsInternalBorder,
            &TImageMView::SetThumbnailsInternalBorder, false)
      .Integer("ThumbnailsInternalBorderColor", &TImageMView::ThumbnailsInternalBorderColor,
               &TImageMView::SetThumbnailsInternalBorderColor, 0)
      .Idents(vcl::ColorToIdent, vcl::IdentToColor)
      .Integer("ThumbnailsBackground", &TImageMView::ThumbnailsBackground, &TImageMView::SetThumbnailsBackground,
               0x8000000F)
      .Idents(vcl::ColorToIdent, vcl::IdentToColor)
      .Object("WallPaper", &TImageMView::WallPaper, &TImageMView::SetWallPaper)
      .Enum("WallPaperStyle", &TImageMView::WallPaperStyle, &TImageMView::SetWallPaperStyle,
            {"iewoNormal", "iewoStretch", "iewoTile"}, iewoNormal)
      .Integer("ImageCacheSize", &TImageMView::ImageCacheSize, &TImageMView::SetImageCacheSize, 10)
      .Set("MouseInteract", &TImageMView::MouseInteract, &TImageMView::SetMouseInteract, {"mmiScroll", "mmiSelect"},
           mmiSelect)
      .Set("KeyInteract", &TImageMView::KeyInteract, &TImageMView::SetKeyInteract, {"mkiMoveSelected"},
           mkiMoveSelected)
      .Integer("ThreadPoolSize", &TImageMView::ThreadPoolSize, &TImageMView::SetThreadPoolSize, 5)
      .Bool("EnableAdjustOrientation", &TImageMView::EnableAdjustOrientation,
            &TImageMView::SetEnableAdjustOrientation, false)
      .Bool("EnableLoadEXIFThumbnails", &TImageMView::EnableLoadEXIFThumbnails,
            &TImageMView::SetEnableLoadEXIFThumbnails, true)
      .Bool("FillThumbnail", &TImageMView::FillThumbnail, &TImageMView::SetFillThumbnail, true)
      .Bool("StretchSmallImages", &TImageMView::StretchSmallImages, &TImageMView::SetStretchSmallImages, true)
      .Bool("EnableImageCaching", &TImageMView::EnableImageCaching, &TImageMView::SetEnableImageCaching, true)
      .Bool("ShowText", &TImageMView::ShowText, &TImageMView::SetShowText, true)
      .Bool("UseFileIconOnError", &TImageMView::UseFileIconOnError, &TImageMView::SetUseFileIconOnError, true)
      .Bool("PlayLoop", &TImageMView::PlayLoop, &TImageMView::SetPlayLoop, true)
      .Integer("ThumbnailRoundness", &TImageMView::ThumbnailRoundness, &TImageMView::SetThumbnailRoundness, 0)
      .Integer("MaintainInvisibleImages", &TImageMView::MaintainInvisibleImages,
               &TImageMView::SetMaintainInvisibleImages, 15)
      .Integer("LookAhead", &TImageMView::LookAhead, &TImageMView::SetLookAhead, 0)
      .Integer("TransitionDuration", &TImageMView::TransitionDuration, &TImageMView::SetTransitionDuration, 1000)
      .String("ImageVersion", &TImageMView::ImageVersion, &TImageMView::SetImageVersion)
      .Event("OnViewChange", &TImageMView::OnViewChange)
      .Event("OnImageSelect", &TImageMView::OnImageSelect)
      .Event("OnImageDeselect", &TImageMView::OnImageDeselect)
      .Event("OnImageIDRequest", &TImageMView::OnImageIDRequest)
      .Event("OnImageIDRequestEx", &TImageMView::OnImageIDRequestEx)
      .Event("OnBeforeImageDraw", &TImageMView::OnBeforeImageDraw)
      .Event("OnBeforeImageDrawEx", &TImageMView::OnBeforeImageDrawEx)
      .Event("OnImageDraw", &TImageMView::OnImageDraw)
      .Event("OnImageDraw2", &TImageMView::OnImageDraw2)
      .Event("OnDrawProgress", &TImageMView::OnDrawProgress)
      .Event("OnAllDisplayed", &TImageMView::OnAllDisplayed)
      .Event("OnWrongImage", &TImageMView::OnWrongImage)
      .Event("OnIOProgress", &TImageMView::OnIOProgress)
      .Event("OnPlayFrame", &TImageMView::OnPlayFrame);
}

// ---- settings ----

void TImageMView::SetThumbWidth(int32_t v) {
  thumbWidth_ = v;
  ClearCache();
  Update();
}
void TImageMView::SetThumbHeight(int32_t v) {
  thumbHeight_ = v;
  ClearCache();
  Update();
}
void TImageMView::SetHorizBorder(int32_t v) {
  horizBorder_ = v;
  Update();
}
void TImageMView::SetVertBorder(int32_t v) {
  vertBorder_ = v;
  Update();
}
void TImageMView::SetUpperGap(int32_t v) {
  upperGap_ = altUpperGap_ = v;
  Update();
}
void TImageMView::SetBottomGap(int32_t v) {
  bottomGap_ = altBottomGap_ = v;
  Update();
}
void TImageMView::SetGridWidth(int32_t v) {
  gridWidth_ = v;
  Update();
}
void TImageMView::SetVisibleSelection(bool v) {
  visibleSelection_ = v;
  Update();
}
void TImageMView::SetSelectionWidth(int32_t v) {
  selectionWidth_ = v;
  Update();
}
void TImageMView::SetSelectionColor(vcl::TColor v) {
  selectionColor_ = v;
  Update();
}
void TImageMView::SetRemoveCorrupted(bool v) {
  removeCorrupted_ = v;
  Update();
}
void TImageMView::SetDrawImageBackground(bool v) {
  drawImageBackground_ = v;
  Update();
}
void TImageMView::SetEnableAlphaChannel(bool v) {
  enableAlphaChannel_ = v;
  Update();
}
void TImageMView::SetBackgroundStyle(TIEBackgroundStyle v) {
  backgroundStyle_ = v;
  Update();
}
void TImageMView::SetThumbnailsBackgroundStyle(TIEBackgroundStyle v) {
  thumbsBackgroundStyle_ = v;
  Update();
}
void TImageMView::SetStyle(TIEMStyle v) { SetAndUpdate(style_, v); }
void TImageMView::SetSelectionStyle(TIESStyle v) { SetAndUpdate(selectionStyle_, v); }
void TImageMView::SetEnableMultiSelect(bool v) { SetAndUpdate(enableMultiSelect_, v); }
void TImageMView::SetThumbnailsBorderWidth(int32_t v) { SetAndUpdate(thumbsBorderWidth_, v); }
void TImageMView::SetThumbnailsBorderColor(vcl::TColor v) { SetAndUpdate(thumbsBorderColor_, v); }
void TImageMView::SetThumbnailsInternalBorder(bool v) { SetAndUpdate(thumbsInternalBorder_, v); }
void TImageMView::SetThumbnailsInternalBorderColor(vcl::TColor v) { SetAndUpdate(thumbsInternalBorderColor_, v); }
void TImageMView::SetWallPaper(vcl::TPicture* picture) {
  wallPaper_->Assign(picture);
  Update();
}
void TImageMView::SetWallPaperStyle(TIEWallPaperStyle v) { SetAndUpdate(wallPaperStyle_, v); }
void TImageMView::SetImageCacheSize(int32_t v) {
  imageCacheSize_ = v;
  TLockScope hold(lock_);
  imageList_->SetCacheSize(v);
}
void TImageMView::SetBackground(vcl::TColor colour) {
  TIEView::SetBackground(colour);
  Update();
}
void TImageMView::SetDisplayMode(TIEMDisplayMode v) {
  if (playing_) {
    savedDisplayMode_ = v;
    return;
  }
  displayMode_ = v;
  Update();
}
void TImageMView::SetThreadPoolSize(int32_t v) {
  threadPoolSize_ = std::max(v, 0);
  TLockScope hold(lock_);
  loaderSettings_.poolSize = threadPoolSize_;
  SignalLoadWorkers(false);
}

void TImageMView::SetOnProgress(TIEProgressEvent event) {
  onProgress_ = std::move(event);
  if (mio_) mio_->OnProgress = onProgress_;
  if (proc_) proc_->OnProgress = onProgress_;
}

void TImageMView::SetOnFinishWork(vcl::TNotifyEvent event) {
  onFinishWork_ = std::move(event);
  if (mio_) mio_->OnFinishWork = onFinishWork_;
  if (proc_) proc_->OnFinishWork = onFinishWork_;
}

// ---- companions ----

TImageMIO* TImageMView::GetMIO() {
  if (!mio_) {
    mio_ = new TImageMIO(this);
    mio_->SetAttachedMView(this);
    mio_->OnProgress = onProgress_;
    mio_->OnFinishWork = onFinishWork_;
  }
  return mio_;
}

TImageProc* TImageMView::GetProc() {
  if (!proc_) {
    proc_ = new TImageProc(this);
    proc_->SetAttachedImage(this);
    proc_->OnProgress = onProgress_;
    proc_->OnFinishWork = onFinishWork_;
  }
  if (selectedImage_ < 0 && ImageCount() > 0) SetSelectedImage(0);
  return proc_;
}

// ---- the image list ----

int32_t TImageMView::IndexOfRecord(const TIEMImageRecord* record) const {
  for (int32_t i = 0; i < ImageCount(); ++i)
    if (records_[i].get() == record) return i;
  return -1;
}

void TImageMView::StopPlayingForEdit() { SetPlaying(false); }

void TImageMView::InsertImage(int32_t index) {
  StopPlayingForEdit();
  auto record = std::make_unique<TIEMImageRecord>();
  record->owner = this;
  record->background = Background();
  record->topText = std::make_unique<TIEMText>(this, 0);
  record->bottomText = std::make_unique<TIEMText>(this, 1);
  record->infoText = std::make_unique<TIEMText>(this, 2);
  {
    TLockScope hold(lock_);
    if (index < 0 || index >= ImageCount()) {
      index = ImageCount();
      records_.push_back(std::move(record));
    } else {
      records_.insert(records_.begin() + index, std::move(record));
    }
  }
  // The selected index stays, so the borrowed bitmap (of the image that moved on) is given
  // back: the index and the bitmap must name the same image.
  if (selectedImage_ >= 0 && index <= selectedImage_ && selectedBitmap_) {
    TLockScope hold(lock_);
    imageList_->ReleaseBitmap(selectedBitmap_, true);
    selectedBitmap_ = nullptr;
  }
  lastChange_ = 1;
  changeIndex_ = index;
  NotifyBitmapChange();
  RefreshLayout(false);
}

int32_t TImageMView::AppendImage() {
  InsertImage(ImageCount());
  return ImageCount() - 1;
}

void TImageMView::DeleteRecordImages(TIEMImageRecord* record) {
  TLockScope hold(lock_);
  if (record->image) imageList_->DeleteImage(record->image);
  if (record->cacheImage) cacheList_->DeleteImage(record->cacheImage);
  record->image = nullptr;
  record->cacheImage = nullptr;
}

bool TImageMView::DeleteImage(int32_t index) {
  StopPlayingForEdit();
  if (index < 0 || index >= ImageCount()) return false;
  CancelImageLoad(index);
  const int32_t previous = selectedImage_;
  DeselectNoUpdate();
  {
    TLockScope hold(lock_);
    TIEMImageRecord* record = records_[index].get();
    DeleteRecordImages(record);
    wanted_.erase(record);
    records_.erase(records_.begin() + index);
  }
  // Multiple selections keep naming the same images.
  if (previous >= 0) {
    if (index == previous && index >= ImageCount())
      DoSelectImage(ImageCount() - 1);
    else if (index < previous)
      DoSelectImage(previous - 1);
    else
      DoSelectImage(previous);
  }
  lastChange_ = 2;
  changeIndex_ = index;
  NotifyBitmapChange();
  RefreshLayout(false);
  return true;
}

void TImageMView::Clear() {
  LockPaint();
  for (int32_t i = ImageCount() - 1; i >= 0; --i) DeleteImage(i);
  viewX_ = viewY_ = 0;
  UnlockPaint();
}

void TImageMView::MoveImage(int32_t index, int32_t newIndex) {
  if (index < 0 || index >= ImageCount() || newIndex < 0 || index == newIndex) return;
  StopPlayingForEdit();
  DeselectNoUpdate();
  {
    TLockScope hold(lock_);
    auto record = std::move(records_[index]);
    records_.erase(records_.begin() + index);
    if (newIndex >= ImageCount())
      records_.push_back(std::move(record));
    else
      records_.insert(records_.begin() + newIndex, std::move(record));
  }
  lastChange_ = 3;
  changeIndex_ = index;
  changeIndex2_ = newIndex;
  NotifyBitmapChange();
  RefreshLayout(false);
}

void TImageMView::SwapImages(int32_t index1, int32_t index2) {
  if (!Record(index1) || !Record(index2) || index1 == index2) return;
  StopPlayingForEdit();
  DeselectNoUpdate();
  {
    TLockScope hold(lock_);
    std::swap(records_[index1], records_[index2]);
  }
  lastChange_ = 4;
  changeIndex_ = index1;
  changeIndex2_ = index2;
  NotifyBitmapChange();
  RefreshLayout(false);
}

namespace {

// The thumbnail of `source` for a cell, or nil when the source is stored as it is.
std::unique_ptr<TIEBitmap> MakeThumbnail(TIEBitmap* source, TIEStoreType storeType, int32_t cellWidth,
                                         int32_t cellHeight, bool stretchSmall, TResampleFilter filter,
                                         bool convertFirst) {
  if (storeType != ietThumb) return nullptr;
  const int32_t w = source->Width(), h = source->Height();
  if (!stretchSmall && w <= cellWidth && h <= cellHeight) return nullptr;
  int32_t tw = cellWidth, th = cellHeight;
  if (w != 0 && h != 0) ScaleSizeToFit(w, h, cellWidth, cellHeight, tw, th);
  if (tw == w && th == h) return nullptr;
  if (tw < 1 || th < 1) return nullptr;
  auto thumb = std::make_unique<TIEBitmap>(tw, th, ie24RGB);
  // Transparent pixels turn grey in a copy: the caller's image stays as it was.
  std::unique_ptr<TIEBitmap> filled;
  TIEBitmap* from = source;
  if (source->HasAlphaChannel() && source->PixelFormat() == ie24RGB) {
    filled = std::make_unique<TIEBitmap>();
    filled->Assign(source);
    FillTransparentPixels(filled.get(), 0x808080);
    from = filled.get();
  }
  std::unique_ptr<TIEBitmap> converted;
  if (from->PixelFormat() == ie1g) {
    Resample1BitToGray24(from, 0, 0, w - 1, h - 1, thumb.get());
  } else {
    if (convertFirst && from->PixelFormat() != ie24RGB && filter != rfNone) {
      converted = std::make_unique<TIEBitmap>();
      converted->Assign(from);
      converted->RemoveAlphaChannel(false, 0);
      converted->ConvertTo(ie24RGB);
      from = converted.get();
    }
    if (from->PixelFormat() == ie24RGB && filter != rfNone) {
      ResampleBitmap(from, thumb.get(), filter, nullptr, nullptr);
    } else {
      thumb->Allocate(tw, th, from->PixelFormat());
      ResampleNearest(from, thumb.get(), nullptr, nullptr);
    }
  }
  if (source->HasAlphaChannel()) {
    auto alpha = TIEBitmap::CreateAlphaChannel(tw, th, ieMemory);
    ResampleGray8(source->GetAlphaChannel(), alpha.get(), filter == rfNone ? rfFastLinear : filter);
    alpha->SetFull(source->GetAlphaChannel()->Full());
    thumb->AttachAlphaChannel(std::move(alpha));
  }
  return thumb;
}

}  // namespace

std::unique_ptr<TIEBitmap> MakeGridThumbnail(TIEBitmap* source, TIEStoreType storeType, int32_t cellWidth,
                                             int32_t cellHeight, bool stretchSmall, TResampleFilter filter) {
  return MakeThumbnail(source, storeType, cellWidth, cellHeight, stretchSmall, filter, true);
}

void TImageMView::SetImage(int32_t index, vcl::TBitmap* bitmap) {
  if (!bitmap) return;
  TIEBitmap copy;
  copy.CopyFromVclBitmap(bitmap);
  SetImageEx(index, &copy);
}

void TImageMView::SetImageEx(int32_t index, TIEBitmap* bitmap) {
  if (!bitmap) return;
  TIEMImageRecord* record = Record(index);
  if (record) {
    std::unique_ptr<TIEBitmap> thumb = MakeThumbnail(bitmap, storeType_, thumbWidth_, thumbHeight_,
                                                     stretchSmallImages_, thumbResampleFilter_, false);
    TLockScope hold(lock_);
    if (record->image) {
      // The selected image's bitmap is borrowed from the entry that goes.
      if (index == selectedImage_ && selectedBitmap_) {
        imageList_->ReleaseBitmap(selectedBitmap_, false);
        selectedBitmap_ = nullptr;
      }
      imageList_->DeleteImage(record->image);
      record->image = nullptr;
      ClearImageCache(index);
    }
    record->image = imageList_->AddImage(thumb ? thumb.get() : bitmap);
    if (record->image) {
      imageList_->SetImageOrigWidth(record->image, bitmap->Width());
      imageList_->SetImageOrigHeight(record->image, bitmap->Height());
    }
  }
  if (index == selectedImage_ && index >= 0) {
    selectedBitmap_ = nullptr;
    NotifyBitmapChange();
  }
}

TIEBitmap* TImageMView::GetTIEBitmap(int32_t index) {
  TLockScope hold(lock_);
  TIEMImageRecord* record = Record(index);
  if (!record) return nullptr;
  if (!record->image) LoadImage(index);
  record = Record(index);  // an event of the load may have edited the list
  if (!record || !record->image) return nullptr;
  return imageList_->AcquireBitmap(record->image);
}

void TImageMView::ReleaseBitmap(TIEBitmap* bitmap, bool writeBack) {
  if (!bitmap) return;
  TLockScope hold(lock_);
  imageList_->ReleaseBitmap(bitmap, writeBack);
}

std::u16string TImageMView::GetImageFileName(int32_t index) const {
  return RecordField(index, &TIEMImageRecord::fileName, std::u16string());
}

void TImageMView::SetImageFileName(int32_t index, const std::u16string& name) {
  TIEMImageRecord* record = Record(index);
  if (!record) return;
  CancelImageLoad(index);
  TLockScope hold(lock_);
  record->fileName = name;
  if (record->image && index != selectedImage_) {
    imageList_->DeleteImage(record->image);
    record->image = nullptr;
  }
  ClearImageCache(index);
  Invalidate();
}

int32_t TImageMView::GetImageID(int32_t index) const { return RecordField(index, &TIEMImageRecord::ID, -1); }

void TImageMView::SetImageID(int32_t index, int32_t id) {
  if (TIEMImageRecord* record = Record(index)) record->ID = id;
}

int32_t TImageMView::GetImageRow(int32_t index) const { return RecordField(index, &TIEMImageRecord::row, 0); }
int32_t TImageMView::GetImageCol(int32_t index) const { return RecordField(index, &TIEMImageRecord::column, 0); }
int32_t TImageMView::GetImageX(int32_t index) const { return RecordField(index, &TIEMImageRecord::X, 0); }
int32_t TImageMView::GetImageY(int32_t index) const { return RecordField(index, &TIEMImageRecord::Y, 0); }
int32_t TImageMView::GetImageDelayTime(int32_t index) const {
  return RecordField(index, &TIEMImageRecord::delayTime, 0);
}
void TImageMView::SetImageDelayTime(int32_t index, int32_t ms) {
  if (TIEMImageRecord* record = Record(index)) record->delayTime = ms;
}
vcl::TColor TImageMView::GetImageBackground(int32_t index) const {
  return RecordField(index, &TIEMImageRecord::background, 0);
}
TIEMText* TImageMView::GetImageTopText(int32_t index) const {
  const TIEMImageRecord* record = Record(index);
  return record ? record->topText.get() : nullptr;
}
TIEMText* TImageMView::GetImageBottomText(int32_t index) const {
  const TIEMImageRecord* record = Record(index);
  return record ? record->bottomText.get() : nullptr;
}
TIEMText* TImageMView::GetImageInfoText(int32_t index) const {
  const TIEMImageRecord* record = Record(index);
  return record ? record->infoText.get() : nullptr;
}
vcl::TRect TImageMView::GetImageRect(int32_t index) const {
  return RecordField(index, &TIEMImageRecord::imageRect, vcl::TRect{0, 0, 0, 0});
}

bool TImageMView::IsImageLoaded(int32_t index) {
  TLockScope hold(lock_);
  const TIEMImageRecord* record = Record(index);
  return record && (record->image || record->cacheImage);
}

void TImageMView::SetImageOriginalWidth(int32_t index, int32_t value) {
  TLockScope hold(lock_);
  TIEMImageRecord* record = Record(index);
  if (record && record->image) imageList_->SetImageOrigWidth(record->image, value);
}
void TImageMView::SetImageOriginalHeight(int32_t index, int32_t value) {
  TLockScope hold(lock_);
  TIEMImageRecord* record = Record(index);
  if (record && record->image) imageList_->SetImageOrigHeight(record->image, value);
}
int32_t TImageMView::GetImageOriginalWidth(int32_t index) {
  TLockScope hold(lock_);
  TIEMImageRecord* record = Record(index);
  return record && record->image ? imageList_->GetImageOrigWidth(record->image) : 0;
}
int32_t TImageMView::GetImageOriginalHeight(int32_t index) {
  TLockScope hold(lock_);
  TIEMImageRecord* record = Record(index);
  return record && record->image ? imageList_->GetImageOrigHeight(record->image) : 0;
}

void TImageMView::ClearImageCache(int32_t index) {
  TLockScope hold(lock_);
  TIEMImageRecord* record = Record(index);
  if (record && record->cacheImage) {
    cacheList_->DeleteImage(record->cacheImage);
    record->cacheImage = nullptr;
  }
}

void TImageMView::ClearCache() {
  TLockScope hold(lock_);
  for (int32_t i = 0; i < ImageCount(); ++i) ClearImageCache(i);
}

// ---- TIEView ----

TIEBitmap* TImageMView::GetIEBitmap() {
  if (selectedImage_ < 0) return nullptr;
  if (!selectedBitmap_) selectedBitmap_ = GetTIEBitmap(selectedImage_);
  return selectedBitmap_;
}

vcl::TBitmap* TImageMView::GetTBitmap() {
  TIEBitmap* bitmap = GetIEBitmap();
  return bitmap ? bitmap->VclBitmap() : nullptr;
}

void TImageMView::LockPaint() { ++paintLock_; }

int32_t TImageMView::UnlockPaint() {
  if (paintLock_ > 0) {
    --paintLock_;
    if (paintLock_ == 0) Update();
  }
  return paintLock_;
}

int32_t TImageMView::UnlockPaintNoUpdate() {
  if (paintLock_ > 0) --paintLock_;
  return paintLock_;
}

void TImageMView::NotifyBitmapChange() {
  TIEView::NotifyBitmapChange();
  lastChange_ = 0;
}

void TImageMView::Update() { RefreshLayout(true); }

}  // namespace imaging
