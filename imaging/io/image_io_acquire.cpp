// TImageIO's media-file frames and the hand-over of acquired images.
#include <cmath>
#include <memory>

#include "imaging/io/image_io.h"
#include "imaging/io/media_file.h"
#include "imaging/model/ie_bitmap.h"

namespace imaging {

int32_t TImageIO::OpenMediaFile(const std::u16string& name) {
  CloseMediaFile();
  SetAborting(true);
  if (!IEMediaFileFactory) return 0;
  std::unique_ptr<TIEMediaFile> media = IEMediaFileFactory();
  if (!media || !media->Open(name)) return 0;
  const int64_t duration = media->MediaDuration();
  if (duration <= 0) {
    // The file stays open, as a source that reports no time yet may still give frames.
    mediaFile_ = std::move(media);
    return 0;
  }
  const TIEMediaFrames frames = MediaFrames(duration, media->FrameDuration(), media->AverageFrameTime());
  mediaFrameStep_ = frames.Step;
  mediaFrameDelay_ = frames.Delay;
  mediaFile_ = std::move(media);
  SetAborting(false);
  TIOParamsVals& p = *params_;
  p.MediaFileFrameCount = static_cast<int32_t>(frames.Count);
  p.FileType = 0;
  p.FileName = name;
  int32_t width = 0, height = 0;
  mediaFile_->VideoSize(width, height);
  p.Width = p.StoredWidth = width;
  p.Height = p.StoredHeight = height;
  return static_cast<int32_t>(frames.Count);
}

void TImageIO::CloseMediaFile() {
  if (!mediaFile_) return;
  mediaFile_->Close();
  mediaFile_.reset();
}

void TImageIO::LoadMediaFrame(int32_t index) {
  if (!mediaFile_ || !CheckBitmap()) return;
  params_->SetImageIndex(index);
  mediaFile_->Seek(index * mediaFrameStep_);
  if (!mediaFile_->GrabFrame(ieBitmap_)) {
    SetAborting(true);
    return;
  }
  params_->MediaFileFrameDelayTime = static_cast<int32_t>(std::nearbyint(mediaFrameDelay_));
  UpdateAttached();
}

void TImageIO::DoAcquireBitmap(TIEBitmap* bitmap, TIOParamsVals*& params) {
  if (!bitmap || !CheckBitmap()) return;
  bool handled = false;
  DoAcquireBitmapEvent(bitmap, handled);
  if (handled) return;
  params = params_.get();
  ieBitmap_->Assign(bitmap);
  ++acquisitionCount_;
  if (autoAdjustDPI_) AdjustDPI();
  UpdateAttached();
}

vcl::TObject* TImageIO::GetWia() {
  if (!wia_ && IEAcquisitionFactories.Wia) wia_ = IEAcquisitionFactories.Wia(*this);
  return wia_.get();
}

bool TImageIO::WiaProgress(int32_t per) {
  DoProgress(this, per);
  return !Aborting();
}

namespace {
constexpr UINT kNewFrameMessage = 0x1F59, kGraphEventMessage = 0x1F5A;
}

vcl::TObject* TImageIO::GetDirectShow() {
  if (!directShow_ && IEAcquisitionFactories.DirectShow) {
    directShow_ = IEAcquisitionFactories.DirectShow(*this);
    if (directShow_ && attachedImage_ && IEAcquisitionFactories.NotifyDirectShow) {
      directShowWindow_ = attachedImage_->ViewHandle();
      IEAcquisitionFactories.NotifyDirectShow(*directShow_, directShowWindow_, kNewFrameMessage, kGraphEventMessage);
    }
  }
  return directShow_.get();
}

void TImageIO::UpdateDirectShowNotifyWindow() {
  if (!directShow_ || !attachedImage_ || !IEAcquisitionFactories.NotifyDirectShow) return;
  const HWND window = attachedImage_->ViewHandle();
  if (window == directShowWindow_) return;
  directShowWindow_ = window;
  IEAcquisitionFactories.NotifyDirectShow(*directShow_, window, kNewFrameMessage, kGraphEventMessage);
}

}  // namespace imaging
