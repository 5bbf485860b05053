// What the I/O object needs of a video playback object to read single frames of a media file.
// The playback itself belongs to the acquisition library, which installs its factory here; the
// I/O object only turns the playback's durations into frames and asks for them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "vcl/runtime/system.h"
#include "vcl/runtime/win.h"

namespace imaging {

class TIEBitmap;

class TIEMediaFile {
 public:
  virtual ~TIEMediaFile() = default;
  // Opens the file with frame grabbing on and pauses it; false when it cannot be played.
  virtual bool Open(const std::u16string& name) = 0;
  // The duration in media time (100-nanosecond units) and as the source counts frames (equal
  // to the media time when the source counts no frames).
  virtual int64_t MediaDuration() = 0;
  virtual int64_t FrameDuration() = 0;
  // The grabbed stream's average time per frame, in 100-nanosecond units (0: unknown).
  virtual int64_t AverageFrameTime() = 0;
  virtual void VideoSize(int32_t& width, int32_t& height) = 0;
  // Seeks to the position (frames when the source counts them, else media time) and waits
  // for the playback to settle.
  virtual void Seek(int64_t position) = 0;
  // The current frame into the bitmap; false when there is none.
  virtual bool GrabFrame(TIEBitmap* target) = 0;
  virtual void Close() = 0;
};

// Makes the playback object of a media file; empty while no acquisition library is present.
using TIEMediaFileFactory = std::function<std::unique_ptr<TIEMediaFile>()>;
extern TIEMediaFileFactory IEMediaFileFactory;

// The acquisition objects of an I/O object, made by the acquisition library when it is
// installed: the service link (with the I/O object's progress routine) and the capture graph,
// and how the graph's notifications are pointed at a window.
class TImageIO;
struct TIEAcquisitionFactories {
  std::function<std::unique_ptr<vcl::TObject>(TImageIO& io)> Wia;
  std::function<std::unique_ptr<vcl::TObject>(TImageIO& io)> DirectShow;
  std::function<void(vcl::TObject& directShow, HWND window, UINT newFrameMessage, UINT eventMessage)> NotifyDirectShow;
};
extern TIEAcquisitionFactories IEAcquisitionFactories;

// The frames of a media file from its durations: the number of frames, the seek distance of
// one frame and the milliseconds per frame.
struct TIEMediaFrames {
  int64_t Count = 0;
  int64_t Step = 1;
  double Delay = 0;
};
// A source that counts frames reports another duration in frames than in media time: its
// step is 1. One that does not is divided by its average frame time, when it has one. A
// frame count of 0 gives no delay rather than a division by zero.
TIEMediaFrames MediaFrames(int64_t mediaDuration, int64_t frameDuration, int64_t averageFrameTime);

}  // namespace imaging
