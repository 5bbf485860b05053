// A filter graph for three uses: capture from a video (and audio) input with preview, playback of
// a video file whose frames are read one by one, and DVD playback. Video goes to a window through
// the windowless mixing renderer or to a null renderer; a sample grabber taps frames as 24-bit
// RGB and tells a window about them by posted messages.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vcl/classes/stringlist.h"
#include "vcl/runtime/system.h"
#include "vcl/runtime/win.h"

// The platform's message-cracker macros would rename methods of the graphics classes.
#define _INC_WINDOWSX
// The platform's A/W macro would rename the seeking interface's and the graph's time-format
// getters.
#undef GetTimeFormat
#include <dshow.h>
#include <qedit.h>

namespace imaging {

class TIEBitmap;

enum TIETimeFormat : uint8_t { ietfNone, ietfFrame, ietfSample, ietfField, ietfByte, ietfMediaTime };

// One capture capability of the input device.
class TIEVideoFormat : public vcl::TObject {
  VCL_CLASS(TIEVideoFormat, vcl::TObject)
  TIEVideoFormat() = default;
  std::string Format;
  int32_t BitRate = 0;
  std::string VideoStandards;
  int32_t MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
  int32_t GranularityX = 0, GranularityY = 0;
};

// The name of a video media subtype ("RGB24", "YUY2", ...); empty for one not in the table.
std::string IEVideoSubtypeName(const GUID& subtype);
// Copies a 24-bit frame of rows padded to 32 bits into a bitmap of its size: bottom-up rows for
// a positive DIB height, top-down rows for a negative one (its size is the absolute value).
void CopyVideoFrameRows(const uint8_t* rows, int32_t width, int32_t dibHeight, TIEBitmap* bitmap);
// The names of the set bits of an analog video standard mask, separated by one blank.
std::string IEVideoStandardNames(uint32_t mask);

// Small owning wrapper of a COM interface pointer.
template <class T>
class TComRef {
 public:
  TComRef() = default;
  TComRef(const TComRef&) = delete;
  TComRef& operator=(const TComRef&) = delete;
  ~TComRef() { Release(); }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** put() {
    Release();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  void Reset(T* p) {
    if (p) p->AddRef();
    Release();
    p_ = p;
  }
  void Release() {
    if (p_) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

class TIESampleGrabberCB;

class TIEDirectShow : public vcl::TObject {
  VCL_CLASS(TIEDirectShow, vcl::TObject)
  TIEDirectShow();
  ~TIEDirectShow() override;

  // Builds the graph (the DVD graph when DVDPath is set); a graph built before is torn down
  // first, so that it cannot keep running and posting.
  void Connect();
  // Stops a running or paused graph and releases everything the graph building made; the
  // owner's inputs and compressors stay. Frame notices still queued for this object go.
  void Disconnect();
  bool Connected() const { return static_cast<bool>(graph_); }
  // The filter graph manager while connected.
  IGraphBuilder* FilterGraph() const { return graph_.get(); }

  void Run();
  void Pause();
  void Stop();
  // 0 stopped, 1 paused, 2 running; 0 without a graph.
  uint8_t GetState();
  void SetTimeFormat(TIETimeFormat format);
  TIETimeFormat GetTimeFormat();
  int64_t GetDuration();
  int64_t GetPosition();
  // Seeks and waits for the graph to settle, at most SettleTimeout milliseconds.
  void SetPosition(int64_t position);
  void GetVideoFormat(int32_t& width, int32_t& height, std::string& format);
  // The average time per frame in 100-nanosecond units, measured by playing when the format
  // does not tell it; 0 when the position does not move within SettleTimeout.
  int64_t GetFrameDuration();
  // The current frame into the bitmap; false when no frame could be taken.
  bool GrabFrame(TIEBitmap* bitmap);
  bool CopyGrabberFrame(const void* buffer, int32_t size, TIEBitmap* bitmap);

  void SetNotifyTarget(HWND window, UINT newFrameMessage, UINT eventMessage);
  HWND NotifyWindow() const { return notifyWindow_; }
  UINT NewFrameMessage() const { return newFrameMessage_; }
  UINT EventMessage() const { return eventMessage_; }
  // Whether video is drawn into the notify window by the windowless renderer.
  bool WindowlessVideo() const { return static_cast<bool>(vmrControl_); }
  void SetVideoPosition(const RECT* source, const RECT* destination);
  void GetNativeVideoSize(int32_t& width, int32_t& height);
  void RepaintVideo(HWND window, HDC dc);

  // Owner-set inputs; held with a reference.
  void SetVideoInput(IBaseFilter* filter) { videoInput_.Reset(filter); }
  void SetAudioInput(IBaseFilter* filter) { audioInput_.Reset(filter); }
  void SetVideoCompressor(IBaseFilter* filter) { videoCompressor_.Reset(filter); }
  void SetAudioCompressor(IBaseFilter* filter) { audioCompressor_.Reset(filter); }

  // Whether a frame notice may be posted. The receiver calls FrameNoticeHandled after
  // handling one: only one notice is in flight at a time, however slowly it is handled.
  std::atomic<bool> NotificationsEnabled{true};
  void FrameNoticeHandled() { framePending_.store(false); }
  // Called by the grabber's callback on a streaming thread for every sample: counts it and
  // posts the new-frame notice.
  void SampleArrived();
  // Samples the grabber has passed since the graph was built.
  uint64_t SampleCount() const { return sampleCount_.load(); }
  // Waits until the grabber passed a sample after the count `since`; false after `timeout` ms.
  bool WaitForSample(uint64_t since, DWORD timeout);

  std::u16string SourceFileName;
  std::u16string OutputFileName;
  std::u16string DVDPath;
  bool SampleGrabberEnabled = false;
  bool RenderToVMR = false;
  bool RenderAudio = false;
  uint8_t ClockKind = 0;
  int32_t ClockTolerance = -1;
  // Owner lists nothing in this system fills.
  vcl::TStringList VideoInputDevices, AudioInputDevices, VideoCodecs, AudioCodecs;
  std::vector<std::unique_ptr<TIEVideoFormat>> VideoFormats;
  vcl::TStringList VideoInputs;

  static constexpr DWORD SettleTimeout = 10000;

 private:
  void BuildGraph();
  void BuildDVDGraph();
  void CreateVMR();
  void RouteCrossbar();
  void FillVideoFormats();
  void FillVideoInputs();
  void QueryControls();
  void RenderStream(const GUID* category, const GUID* type, IBaseFilter* source, IBaseFilter* intermediate,
                    IBaseFilter* sink);
  bool PackedDIBToBitmap(const uint8_t* dib, TIEBitmap* bitmap);
  bool AddNew(const CLSID& clsid, const char16_t* name, TComRef<IBaseFilter>& filter);
  void AddFilter(IBaseFilter* filter, const char16_t* name);

  bool oleInitialized_ = false;
  TComRef<IBaseFilter> colourConverter_, audioInput_, videoInput_, fileSource_, videoCompressor_, audioCompressor_;
  TComRef<IAMVideoCompression> videoCompression_;
  TComRef<IGraphBuilder> graph_;
  TComRef<ICaptureGraphBuilder2> builder_;
  TComRef<IMediaControl> control_;
  TComRef<IMediaSeeking> seeking_;
  TComRef<IMediaEventEx> events_;
  TComRef<IAMStreamConfig> streamConfig_;
  TComRef<IBaseFilter> crossbarFilter_, tunerFilter_;
  TComRef<IAMCrossbar> crossbar_;
  TComRef<IAMTVTuner> tuner_;
  TComRef<IVideoFrameStep> frameStep_;
  // The platform headers declare the analog decoder interface without its methods; nothing
  // here calls them, so it is held as what it is found as.
  TComRef<IUnknown> analogDecoder_;
  TComRef<IAMClockSlave> clockSlave_;
  TComRef<IBaseFilter> grabberFilter_;
  TComRef<ISampleGrabber> grabber_;
  TComRef<IBaseFilter> nullRenderer_, aviDecompressor_;
  TComRef<IBaseFilter> vmr_;
  TComRef<IVMRFilterConfig> vmrConfig_;
  TComRef<IVMRWindowlessControl> vmrControl_;
  TComRef<IReferenceClock> referenceClock_;
  TComRef<IBaseFilter> dvdNavigator_;
  TComRef<IDvdControl2> dvdControl_;
  TComRef<IDvdInfo2> dvdInfo_;
  HWND notifyWindow_ = nullptr;
  UINT newFrameMessage_ = 0;
  UINT eventMessage_ = 0;
  std::atomic<bool> framePending_{false};
  std::atomic<uint64_t> sampleCount_{0};
  // Callbacks given to the grabber; detached before the graph goes.
  std::vector<TIESampleGrabberCB*> callbacks_;
};

}  // namespace imaging
