#include "imaging/acquire/direct_show.h"

#include <algorithm>
#include <cstring>

#include "imaging/acquire/sample_grabber_callback.h"
#include "imaging/model/ie_bitmap.h"

namespace imaging {

namespace {

// Not exported by the platform's identifier library.
const IID kIAMAnalogVideoDecoder = {0xc6e13350, 0x30ac, 0x11d0, {0xa1, 0x8c, 0x00, 0xa0, 0xc9, 0x11, 0x89, 0x56}};
// Physical pin types of a crossbar.
constexpr LONG kPhysicalTuner = 0x1000, kPhysicalVideoDecoder = 0x1009;

const WCHAR* W(const char16_t* text) { return reinterpret_cast<const WCHAR*>(text); }

std::u16string LowerExtension(const std::u16string& name) {
  const size_t dot = name.find_last_of(u'.');
  const size_t slash = name.find_last_of(u"\\/");
  if (dot == std::u16string::npos || (slash != std::u16string::npos && slash > dot)) return {};
  std::u16string ext = name.substr(dot);
  for (char16_t& c : ext)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return ext;
}

GUID FourCCSubtype(const char* code) {
  const uint32_t fourcc = uint32_t(uint8_t(code[0])) | uint32_t(uint8_t(code[1])) << 8 |
                          uint32_t(uint8_t(code[2])) << 16 | uint32_t(uint8_t(code[3])) << 24;
  return GUID{fourcc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
}

void FreeMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return;
  if (type->cbFormat && type->pbFormat) CoTaskMemFree(type->pbFormat);
  type->pbFormat = nullptr;
  type->cbFormat = 0;
  if (type->pUnk) type->pUnk->Release();
  type->pUnk = nullptr;
}

// The video-info header of a media type, when it has one of full size.
const VIDEOINFOHEADER* VideoInfo(const AM_MEDIA_TYPE& type) {
  if (!IsEqualGUID(type.formattype, FORMAT_VideoInfo) || !type.pbFormat || type.cbFormat < sizeof(VIDEOINFOHEADER))
    return nullptr;
  return reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
}

const GUID* TimeFormatGuid(TIETimeFormat format) {
  switch (format) {
    case ietfNone: return &TIME_FORMAT_NONE;
    case ietfFrame: return &TIME_FORMAT_FRAME;
    case ietfSample: return &TIME_FORMAT_SAMPLE;
    case ietfField: return &TIME_FORMAT_FIELD;
    case ietfByte: return &TIME_FORMAT_BYTE;
    case ietfMediaTime: return &TIME_FORMAT_MEDIA_TIME;
  }
  return nullptr;
}

}  // namespace

std::string IEVideoSubtypeName(const GUID& subtype) {
  static const char* const fourccs[] = {"CLPL", "YUYV", "IYUV", "YVU9", "Y411", "Y41P", "YUY2", "YVYU", "UYVY",
                                        "Y211", "YV12", "CLJR", "IF09", "CPLA", "MJPG", "TVMJ", "WAKE", "CFCC",
                                        "IJPG", "Plum", "DVCS", "DVSD", "MDVF", "AYUV", "AI44", "IA44"};
  for (const char* code : fourccs) {
    const GUID guid = FourCCSubtype(code);
    if (IsEqualGUID(subtype, guid)) return code;
  }
  static const struct {
    const GUID* guid;
    const char* name;
  } rgb[] = {{&MEDIASUBTYPE_RGB1, "RGB1"},         {&MEDIASUBTYPE_RGB4, "RGB4"},
             {&MEDIASUBTYPE_RGB8, "RGB8"},         {&MEDIASUBTYPE_RGB565, "RGB565"},
             {&MEDIASUBTYPE_RGB555, "RGB555"},     {&MEDIASUBTYPE_RGB24, "RGB24"},
             {&MEDIASUBTYPE_RGB32, "RGB32"},       {&MEDIASUBTYPE_ARGB1555, "ARGB1555"},
             {&MEDIASUBTYPE_ARGB4444, "ARGB4444"}, {&MEDIASUBTYPE_ARGB32, "ARGB32"}};
  for (const auto& row : rgb)
    if (IsEqualGUID(subtype, *row.guid)) return row.name;
  return {};
}

std::string IEVideoStandardNames(uint32_t mask) {
  static const struct {
    uint32_t bit;
    const char* name;
  } standards[] = {{0x1, "NTSC_M"},        {0x2, "NTSC_M_J"},     {0x4, "NTSC_433"},     {0x10, "PAL_B"},
                   {0x20, "PAL_D"},        {0x80, "PAL_H"},       {0x100, "PAL_I"},      {0x200, "PAL_M"},
                   {0x400, "PAL_N"},       {0x800, "PAL_60"},     {0x1000, "SECAM_B"},   {0x2000, "SECAM_D"},
                   {0x4000, "SECAM_G"},    {0x8000, "SECAM_H"},   {0x10000, "SECAM_K"},  {0x20000, "SECAM_K1"},
                   {0x40000, "SECAM_L"},   {0x80000, "SECAM_L1"}, {0x100000, "PAL_N_COMBO"}};
  std::string names;
  for (const auto& row : standards)
    if (mask & row.bit) {
      if (!names.empty()) names += ' ';
      names += row.name;
    }
  return names;
}

TIEDirectShow::TIEDirectShow() { oleInitialized_ = SUCCEEDED(OleInitialize(nullptr)); }

TIEDirectShow::~TIEDirectShow() {
  Disconnect();
  audioInput_.Release();
  videoInput_.Release();
  fileSource_.Release();
  videoCompressor_.Release();
  audioCompressor_.Release();
  VideoFormats.clear();
  if (oleInitialized_) OleUninitialize();
}

bool TIEDirectShow::AddNew(const CLSID& clsid, const char16_t* name, TComRef<IBaseFilter>& filter) {
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IBaseFilter,
                              filter.put_void())))
    return false;
  AddFilter(filter.get(), name);
  return true;
}

void TIEDirectShow::AddFilter(IBaseFilter* filter, const char16_t* name) {
  if (graph_ && filter) graph_->AddFilter(filter, W(name));
}

void TIEDirectShow::Connect() {
  // A graph built before would keep running, hold its devices and post to the same window.
  Disconnect();
  NotificationsEnabled.store(true);
  framePending_.store(false);
  if (!DVDPath.empty())
    BuildDVDGraph();
  else
    BuildGraph();
}

void TIEDirectShow::BuildGraph() {
  const DWORD context = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, context, IID_IGraphBuilder, graph_.put_void()))) return;
  if (SUCCEEDED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, context, IID_ICaptureGraphBuilder2,
                                 builder_.put_void())))
    builder_->SetFiltergraph(graph_.get());
  AddFilter(videoInput_.get(), u"VideoCapture");
  AddFilter(audioInput_.get(), u"AudioCapture");
  std::u16string sourceExtension;
  if (!SourceFileName.empty()) {
    std::u16string name = SourceFileName.substr(0, 2048);
    if (SUCCEEDED(graph_->AddSourceFilter(W(name.c_str()), W(u"FileFilter"), fileSource_.put())))
      sourceExtension = LowerExtension(SourceFileName);
  }
  AddFilter(videoCompressor_.get(), u"VideoCodec");
  AddFilter(audioCompressor_.get(), u"AudioCodec");

  IBaseFilter* writer = nullptr;
  TComRef<IBaseFilter> multiplexer;
  if (!OutputFileName.empty() && builder_) {
    const std::u16string ext = LowerExtension(OutputFileName);
    const GUID* subtype = ext == u".avi" ? &MEDIASUBTYPE_Avi : ext == u".asf" ? &MEDIASUBTYPE_Asf : nullptr;
    if (subtype && SUCCEEDED(builder_->SetOutputFileName(subtype, W(OutputFileName.c_str()), multiplexer.put(), nullptr)))
      writer = multiplexer.get();
  }

  IBaseFilter* intermediate = videoCompressor_.get();
  if (!intermediate && AddNew(CLSID_Colour, u"ColorConverter", colourConverter_)) intermediate = colourConverter_.get();
  if (SampleGrabberEnabled && !videoCompressor_ && AddNew(CLSID_SampleGrabber, u"SampleGrabber", grabberFilter_)) {
    if (SUCCEEDED(grabberFilter_->QueryInterface(IID_ISampleGrabber, grabber_.put_void()))) {
      grabber_->SetBufferSamples(TRUE);
      AM_MEDIA_TYPE type{};
      type.majortype = MEDIATYPE_Video;
      type.subtype = MEDIASUBTYPE_RGB24;
      grabber_->SetMediaType(&type);
      // The callback also counts samples, so that a seek can wait for its frame; it posts
      // only while there is a window to tell.
      TIESampleGrabberCB* callback = new TIESampleGrabberCB(this);
      grabber_->SetCallback(callback, 1);
      callbacks_.push_back(callback);
    }
    intermediate = grabberFilter_.get();
  }

  IBaseFilter* renderer = writer;
  if (RenderToVMR) {
    CreateVMR();
    if (vmr_) renderer = vmr_.get();
  }
  if (!renderer && AddNew(CLSID_NullRenderer, u"NullRenderer", nullRenderer_)) renderer = nullRenderer_.get();
  AddNew(CLSID_AVIDec, u"AVI Decompressor", aviDecompressor_);

  IBaseFilter* source = nullptr;
  if (builder_) {
    if (videoInput_) {
      if (writer && writer != renderer) {
        RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoInput_.get(), intermediate, writer);
        RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, videoInput_.get(), nullptr, renderer);
      } else {
        RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoInput_.get(), intermediate, renderer);
      }
      source = videoInput_.get();
    }
    if (audioInput_)
      RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audioInput_.get(), audioCompressor_.get(),
                             renderer);
    if (fileSource_) {
      // Through the decompressor into the intermediate filter; without one (the colour
      // converter may be missing) the call would hand the video to a default renderer window.
      if (sourceExtension != u".mov" && intermediate) {
        RenderStream(nullptr, nullptr, fileSource_.get(), aviDecompressor_.get(), intermediate);
        RenderStream(nullptr, nullptr, intermediate, nullptr, renderer);
      }
      // Untyped and with no filter between, the file's raw byte stream would go straight into
      // the null renderer, which takes anything: nothing would ever be decoded.
      if (intermediate) RenderStream(nullptr, nullptr, fileSource_.get(), intermediate, renderer);
      RenderStream(nullptr, &MEDIATYPE_Video, fileSource_.get(), intermediate, renderer);
      if (audioCompressor_)
        RenderStream(nullptr, nullptr, fileSource_.get(), audioCompressor_.get(), renderer);
      source = fileSource_.get();
    }
    if (RenderAudio && source) RenderStream(nullptr, &MEDIATYPE_Audio, source, nullptr, nullptr);
  }

  QueryControls();
  if (videoCompressor_) videoCompressor_->QueryInterface(IID_IAMVideoCompression, videoCompression_.put_void());
  if (builder_ && source) {
    builder_->FindInterface(nullptr, nullptr, source, IID_IAMStreamConfig, streamConfig_.put_void());
    if (SUCCEEDED(builder_->FindInterface(nullptr, nullptr, source, IID_IAMCrossbar, crossbar_.put_void())))
      crossbar_->QueryInterface(IID_IBaseFilter, crossbarFilter_.put_void());
    if (SUCCEEDED(builder_->FindInterface(nullptr, nullptr, source, IID_IAMTVTuner, tuner_.put_void()))) {
      tuner_->QueryInterface(IID_IBaseFilter, tunerFilter_.put_void());
      RouteCrossbar();
    }
    builder_->FindInterface(nullptr, nullptr, source, kIAMAnalogVideoDecoder, analogDecoder_.put_void());
  }
  graph_->QueryInterface(IID_IVideoFrameStep, frameStep_.put_void());

  if (ClockKind != 0) {
    TComRef<IMediaFilter> mediaFilter;
    if (SUCCEEDED(graph_->QueryInterface(IID_IMediaFilter, mediaFilter.put_void()))) {
      TComRef<IReferenceClock> clock;
      IBaseFilter* clockFilter = nullptr;
      TComRef<IBaseFilter> audioRenderer;
      switch (ClockKind) {
        case 2:
          if (SUCCEEDED(CoCreateInstance(CLSID_SystemClock, nullptr, context, IID_IReferenceClock,
                                         referenceClock_.put_void())))
            clock.Reset(referenceClock_.get());
          break;
        case 3: clockFilter = videoInput_.get(); break;
        case 4: clockFilter = vmr_.get(); break;
        case 5: clockFilter = audioInput_.get(); break;
        case 6:
          if (SUCCEEDED(graph_->FindFilterByName(W(u"Audio Renderer"), audioRenderer.put())))
            clockFilter = audioRenderer.get();
          break;
        default: break;
      }
      if (clockFilter) clockFilter->QueryInterface(IID_IReferenceClock, clock.put_void());
      mediaFilter->SetSyncSource(clock.get());
    }
  }
  if (builder_ && source &&
      SUCCEEDED(builder_->FindInterface(nullptr, nullptr, source, IID_IAMClockSlave, clockSlave_.put_void())) &&
      ClockTolerance >= 0)
    clockSlave_->SetErrorTolerance(static_cast<DWORD>(ClockTolerance));
  FillVideoFormats();
  FillVideoInputs();
}

void TIEDirectShow::RenderStream(const GUID* category, const GUID* type, IBaseFilter* source,
                                 IBaseFilter* intermediate, IBaseFilter* sink) {
  // Without a source there is nothing to render, and the platform's builder was seen to fault
  // on such a call rather than refuse it. That happens when a filter could not be made (the
  // colour converter is missing on some systems).
  if (!builder_ || !source) return;
  builder_->RenderStream(category, type, source, intermediate, sink);
}

void TIEDirectShow::QueryControls() {
  graph_->QueryInterface(IID_IMediaControl, control_.put_void());
  graph_->QueryInterface(IID_IMediaSeeking, seeking_.put_void());
  graph_->QueryInterface(IID_IMediaEventEx, events_.put_void());
  if (notifyWindow_ && events_)
    events_->SetNotifyWindow(reinterpret_cast<OAHWND>(notifyWindow_), static_cast<long>(eventMessage_),
                             reinterpret_cast<LONG_PTR>(this));
}

void TIEDirectShow::CreateVMR() {
  if (vmr_) {
    graph_->RemoveFilter(vmr_.get());
    vmr_.Release();
  }
  vmrConfig_.Release();
  vmrControl_.Release();
  if (!AddNew(CLSID_VideoMixingRenderer, u"Video Mixing Renderer", vmr_)) return;
  bool windowless = false;
  if (SUCCEEDED(vmr_->QueryInterface(IID_IVMRFilterConfig, vmrConfig_.put_void()))) {
    vmrConfig_->SetNumberOfStreams(1);
    windowless = SUCCEEDED(vmrConfig_->SetRenderingMode(VMRMode_Windowless));
  }
  if (!windowless) {
    // Without a display device that can present video (no 3D device, as under a display-less
    // driver) the mixer cannot render windowless, and the platform's renderer faults when used
    // so. It leaves the graph; the video goes to the null renderer instead.
    graph_->RemoveFilter(vmr_.get());
    vmrConfig_.Release();
    vmr_.Release();
    return;
  }
  if (SUCCEEDED(vmr_->QueryInterface(IID_IVMRWindowlessControl, vmrControl_.put_void()))) {
    vmrControl_->SetVideoClippingWindow(notifyWindow_);
    vmrControl_->SetAspectRatioMode(VMR_ARMODE_NONE);
  }
  if (notifyWindow_) InvalidateRect(notifyWindow_, nullptr, FALSE);
}

void TIEDirectShow::RouteCrossbar() {
  if (!crossbar_) return;
  LONG outputs = 0, inputs = 0;
  if (FAILED(crossbar_->get_PinCounts(&outputs, &inputs))) return;
  LONG output = -1, input = -1;
  for (LONG i = 0; i < outputs; ++i) {
    LONG related = 0, type = 0;
    if (SUCCEEDED(crossbar_->get_CrossbarPinInfo(FALSE, i, &related, &type)) && type == kPhysicalVideoDecoder)
      output = i;
  }
  for (LONG i = 0; i < inputs; ++i) {
    LONG related = 0, type = 0;
    if (SUCCEEDED(crossbar_->get_CrossbarPinInfo(TRUE, i, &related, &type)) && type == kPhysicalTuner) input = i;
  }
  if (output >= 0 && input >= 0) crossbar_->Route(output, input);
}

void TIEDirectShow::FillVideoFormats() {
  VideoFormats.clear();
  if (!streamConfig_) return;
  int count = 0, size = 0;
  if (FAILED(streamConfig_->GetNumberOfCapabilities(&count, &size)) || count <= 0 || size <= 0) return;
  // The capability record must hold at least the fields read from it.
  std::vector<uint8_t> caps(std::max<size_t>(size, sizeof(VIDEO_STREAM_CONFIG_CAPS)));
  for (int i = 0; i < count; ++i) {
    AM_MEDIA_TYPE* type = nullptr;
    if (FAILED(streamConfig_->GetStreamCaps(i, &type, caps.data())) || !type) continue;
    const auto* c = reinterpret_cast<const VIDEO_STREAM_CONFIG_CAPS*>(caps.data());
    auto format = std::make_unique<TIEVideoFormat>();
    format->Format = IEVideoSubtypeName(type->subtype);
    if (const VIDEOINFOHEADER* info = VideoInfo(*type)) format->BitRate = static_cast<int32_t>(info->dwBitRate);
    format->VideoStandards = IEVideoStandardNames(c->VideoStandard);
    format->MinWidth = c->MinOutputSize.cx;
    format->MinHeight = c->MinOutputSize.cy;
    format->MaxWidth = c->MaxOutputSize.cx;
    format->MaxHeight = c->MaxOutputSize.cy;
    format->GranularityX = c->OutputGranularityX;
    format->GranularityY = c->OutputGranularityY;
    VideoFormats.push_back(std::move(format));
    FreeMediaType(type);
    CoTaskMemFree(type);
  }
}

void TIEDirectShow::FillVideoInputs() {
  VideoInputs.Clear();
  if (!crossbarFilter_) return;
  TComRef<IEnumPins> pins;
  if (FAILED(crossbarFilter_->EnumPins(pins.put()))) return;
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_INFO info{};
    if (SUCCEEDED(pin->QueryPinInfo(&info))) {
      if (info.dir == PINDIR_INPUT) {
        std::string name;
        for (const WCHAR* c = info.achName; *c && c < info.achName + MAX_PIN_NAME; ++c)
          name += static_cast<char>(*c < 0x80 ? *c : '?');
        VideoInputs.Add(name);
      }
      if (info.pFilter) info.pFilter->Release();
    }
    pin->Release();
  }
}

void TIEDirectShow::BuildDVDGraph() {
  const DWORD context = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, context, IID_IGraphBuilder, graph_.put_void()))) return;
  if (AddNew(CLSID_DVDNavigator, u"DVD Navigator", dvdNavigator_)) {
    RenderToVMR = true;
    CreateVMR();
    TComRef<IEnumPins> pins;
    if (SUCCEEDED(dvdNavigator_->EnumPins(pins.put()))) {
      IPin* pin = nullptr;
      while (pins->Next(1, &pin, nullptr) == S_OK) {
        graph_->Render(pin);
        pin->Release();
      }
    }
  }
  QueryControls();
  if (dvdNavigator_ && SUCCEEDED(dvdNavigator_->QueryInterface(IID_IDvdControl2, dvdControl_.put_void()))) {
    std::u16string lower = DVDPath;
    for (char16_t& c : lower)
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (lower != u"default") dvdControl_->SetDVDDirectory(W(DVDPath.c_str()));
    dvdNavigator_->QueryInterface(IID_IDvdInfo2, dvdInfo_.put_void());
  }
}

void TIEDirectShow::Disconnect() {
  if (control_) {
    const uint8_t state = GetState();
    if (state == State_Running || state == State_Paused) control_->Stop();
  }
  // Stopped: no streaming thread calls the callbacks any more.
  for (TIESampleGrabberCB* callback : callbacks_) {
    callback->Detach();
    callback->Release();
  }
  callbacks_.clear();
  if (grabber_) grabber_->SetCallback(nullptr, 1);
  if (events_) events_->SetNotifyWindow(0, 0, 0);
  // Notices already queued carry this object; they must not reach a receiver after it is gone.
  if (notifyWindow_ && (newFrameMessage_ || eventMessage_)) {
    std::vector<MSG> others;
    MSG msg;
    for (UINT message : {newFrameMessage_, eventMessage_}) {
      if (!message) continue;
      while (PeekMessageW(&msg, notifyWindow_, message, message, PM_REMOVE))
        if (msg.lParam != reinterpret_cast<LPARAM>(this)) others.push_back(msg);
    }
    for (const MSG& m : others) PostMessageW(m.hwnd, m.message, m.wParam, m.lParam);
  }
  framePending_.store(false);
  dvdInfo_.Release();
  dvdControl_.Release();
  dvdNavigator_.Release();
  referenceClock_.Release();
  clockSlave_.Release();
  analogDecoder_.Release();
  frameStep_.Release();
  tuner_.Release();
  tunerFilter_.Release();
  crossbar_.Release();
  crossbarFilter_.Release();
  streamConfig_.Release();
  videoCompression_.Release();
  vmrControl_.Release();
  vmrConfig_.Release();
  vmr_.Release();
  aviDecompressor_.Release();
  nullRenderer_.Release();
  grabber_.Release();
  grabberFilter_.Release();
  colourConverter_.Release();
  fileSource_.Release();
  events_.Release();
  seeking_.Release();
  control_.Release();
  builder_.Release();
  graph_.Release();
}

void TIEDirectShow::Run() {
  if (control_) control_->Run();
}

void TIEDirectShow::Pause() {
  if (control_) control_->Pause();
}

void TIEDirectShow::Stop() {
  if (control_) control_->Stop();
}

uint8_t TIEDirectShow::GetState() {
  if (!control_) return 0;
  OAFilterState state = State_Stopped;
  control_->GetState(100, &state);
  return static_cast<uint8_t>(state & 0xFF);
}

void TIEDirectShow::SetTimeFormat(TIETimeFormat format) {
  const GUID* guid = TimeFormatGuid(format);
  if (seeking_ && guid) seeking_->SetTimeFormat(guid);
}

TIETimeFormat TIEDirectShow::GetTimeFormat() {
  GUID guid{};
  if (!seeking_ || FAILED(seeking_->GetTimeFormat(&guid))) return ietfNone;
  for (uint8_t f = ietfNone; f <= ietfMediaTime; ++f)
    if (IsEqualGUID(guid, *TimeFormatGuid(static_cast<TIETimeFormat>(f)))) return static_cast<TIETimeFormat>(f);
  return ietfNone;
}

int64_t TIEDirectShow::GetDuration() {
  LONGLONG value = 0;
  if (!seeking_ || FAILED(seeking_->GetDuration(&value))) return 0;
  return value;
}

int64_t TIEDirectShow::GetPosition() {
  LONGLONG value = 0;
  if (!seeking_ || FAILED(seeking_->GetCurrentPosition(&value))) return 0;
  return value;
}

void TIEDirectShow::SetPosition(int64_t position) {
  if (!seeking_) return;
  LONGLONG current = position;
  seeking_->SetPositions(&current, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  if (!control_) return;
  const DWORD start = GetTickCount();
  for (;;) {
    OAFilterState state = State_Stopped;
    const HRESULT hr = control_->GetState(100, &state);
    if (hr == S_OK || hr == VFW_S_CANT_CUE) break;
    if (GetTickCount() - start >= SettleTimeout) break;
  }
}

void TIEDirectShow::GetVideoFormat(int32_t& width, int32_t& height, std::string& format) {
  if (streamConfig_) {
    AM_MEDIA_TYPE* type = nullptr;
    if (SUCCEEDED(streamConfig_->GetFormat(&type)) && type) {
      if (const VIDEOINFOHEADER* info = VideoInfo(*type)) {
        width = info->bmiHeader.biWidth;
        height = info->bmiHeader.biHeight;
      }
      format = IEVideoSubtypeName(type->subtype);
      FreeMediaType(type);
      CoTaskMemFree(type);
    }
    return;
  }
  if (grabber_) {
    AM_MEDIA_TYPE type{};
    if (SUCCEEDED(grabber_->GetConnectedMediaType(&type))) {
      if (const VIDEOINFOHEADER* info = VideoInfo(type)) {
        width = info->bmiHeader.biWidth;
        height = info->bmiHeader.biHeight;
      }
      FreeMediaType(&type);
    }
  }
}

int64_t TIEDirectShow::GetFrameDuration() {
  int64_t duration = 0;
  if (streamConfig_) {
    AM_MEDIA_TYPE* type = nullptr;
    if (SUCCEEDED(streamConfig_->GetFormat(&type)) && type) {
      if (const VIDEOINFOHEADER* info = VideoInfo(*type)) duration = info->AvgTimePerFrame;
      FreeMediaType(type);
      CoTaskMemFree(type);
    }
  } else if (grabber_) {
    AM_MEDIA_TYPE type{};
    if (FAILED(grabber_->GetConnectedMediaType(&type))) return 0;
    const VIDEOINFOHEADER* info = VideoInfo(type);
    if (info) duration = info->AvgTimePerFrame;
    FreeMediaType(&type);
    if (!info) return 0;
  }
  if (duration != 0 || !seeking_) return duration;
  // Measured by playing: the distance between the first two positions seen. A source whose
  // position never moves gives 0 after the time limit instead of waiting for ever.
  const TIETimeFormat saved = GetTimeFormat();
  SetTimeFormat(ietfMediaTime);
  Run();
  int64_t first = 0;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < SettleTimeout) {
    const int64_t position = GetPosition();
    if (first == 0) {
      first = position;
    } else if (position != first) {
      duration = position - first;
      break;
    }
    Sleep(10);
  }
  Pause();
  SetTimeFormat(saved);
  return duration;
}

bool TIEDirectShow::GrabFrame(TIEBitmap* bitmap) {
  if (!bitmap) return false;
  if (vmrControl_) {
    BYTE* dib = nullptr;
    if (SUCCEEDED(vmrControl_->GetCurrentImage(&dib)) && dib) {
      const bool ok = PackedDIBToBitmap(dib, bitmap);
      CoTaskMemFree(dib);
      return ok;
    }
    return false;
  }
  if (grabber_) return CopyGrabberFrame(nullptr, 0, bitmap);
  return false;
}

bool TIEDirectShow::CopyGrabberFrame(const void* buffer, int32_t size, TIEBitmap* bitmap) {
  if (!grabber_ || !bitmap) return false;
  AM_MEDIA_TYPE type{};
  if (FAILED(grabber_->GetConnectedMediaType(&type))) return false;
  const VIDEOINFOHEADER* info = VideoInfo(type);
  const int32_t width = info ? info->bmiHeader.biWidth : 0;
  const int32_t dibHeight = info ? info->bmiHeader.biHeight : 0;
  const int32_t height = std::abs(dibHeight);
  FreeMediaType(&type);
  if (width <= 0 || height <= 0 || width > 65536 || height > 65536) return false;
  const int64_t rowLength = (static_cast<int64_t>(width) * 24 + 31) / 32 * 4;
  const int64_t frameSize = rowLength * height;
  std::vector<uint8_t> own;
  if (!buffer) {
    LONG needed = 0;
    if (FAILED(grabber_->GetCurrentBuffer(&needed, nullptr)) || needed <= 0) return false;
    own.resize(static_cast<size_t>(needed));
    if (FAILED(grabber_->GetCurrentBuffer(&needed, reinterpret_cast<LONG*>(own.data())))) return false;
    own.resize(std::min<size_t>(own.size(), static_cast<size_t>(std::max<LONG>(needed, 0))));
    buffer = own.data();
    size = static_cast<int32_t>(own.size());
  }
  // A sample shorter than the frame is refused rather than read past its end.
  if (size < frameSize) return false;
  if (bitmap->Location() == ieFile) bitmap->SetLocation(ieMemory);
  if (bitmap->Width() != width || bitmap->Height() != height || bitmap->PixelFormat() != ie24RGB)
    if (!bitmap->Allocate(width, height, ie24RGB)) return false;
  CopyVideoFrameRows(static_cast<const uint8_t*>(buffer), width, dibHeight, bitmap);
  return true;
}

void CopyVideoFrameRows(const uint8_t* rows, int32_t width, int32_t dibHeight, TIEBitmap* bitmap) {
  const int32_t height = std::abs(dibHeight);
  const int64_t rowLength = (static_cast<int64_t>(width) * 24 + 31) / 32 * 4;
  // A negative height is a top-down frame: its first row is the top one.
  const bool bottomUp = dibHeight > 0;
  for (int32_t k = 0; k < height; ++k)
    std::memcpy(bitmap->Scanline(bottomUp ? height - 1 - k : k), rows + k * rowLength, static_cast<size_t>(width) * 3);
}

bool TIEDirectShow::PackedDIBToBitmap(const uint8_t* dib, TIEBitmap* bitmap) {
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib);
  if (header->biSize < sizeof(BITMAPINFOHEADER) || header->biWidth <= 0 || header->biHeight == 0 ||
      header->biWidth > 65536 || std::abs(header->biHeight) > 65536)
    return false;
  const int32_t width = header->biWidth, height = std::abs(header->biHeight);
  // Drawn into a 24-bit section, which takes every depth the renderer may give.
  BITMAPINFO target{};
  target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  target.bmiHeader.biWidth = width;
  target.bmiHeader.biHeight = -height;
  target.bmiHeader.biPlanes = 1;
  target.bmiHeader.biBitCount = 24;
  target.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!section) return false;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, section);
  size_t colours = header->biClrUsed ? header->biClrUsed : (header->biBitCount <= 8 ? (1u << header->biBitCount) : 0);
  if (header->biCompression == BI_BITFIELDS) colours = 3;
  const uint8_t* pixels = dib + header->biSize + colours * sizeof(RGBQUAD);
  SetDIBitsToDevice(dc, 0, 0, width, height, 0, 0, 0, height, pixels, reinterpret_cast<const BITMAPINFO*>(dib),
                    DIB_RGB_COLORS);
  GdiFlush();
  bool ok = bitmap->Allocate(width, height, ie24RGB);
  const int32_t rowLength = (width * 3 + 3) & ~3;
  for (int32_t y = 0; ok && y < height; ++y)
    std::memcpy(bitmap->Scanline(y), static_cast<const uint8_t*>(bits) + static_cast<size_t>(y) * rowLength,
                static_cast<size_t>(width) * 3);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(section);
  return ok;
}

void TIEDirectShow::SetNotifyTarget(HWND window, UINT newFrameMessage, UINT eventMessage) {
  notifyWindow_ = window;
  newFrameMessage_ = newFrameMessage;
  eventMessage_ = eventMessage;
  if (events_)
    events_->SetNotifyWindow(reinterpret_cast<OAHWND>(window), static_cast<long>(eventMessage),
                             reinterpret_cast<LONG_PTR>(this));
}

bool TIEDirectShow::WaitForSample(uint64_t since, DWORD timeout) {
  const DWORD start = GetTickCount();
  while (sampleCount_.load() == since) {
    if (GetTickCount() - start >= timeout) return false;
    Sleep(5);
  }
  return true;
}

void TIEDirectShow::SampleArrived() {
  sampleCount_.fetch_add(1);
  HWND window = notifyWindow_;
  if (!NotificationsEnabled.load() || !window) return;
  // Only one notice at a time: the receiver clears the flag when it has handled it.
  if (framePending_.exchange(true)) return;
  if (!PostMessageW(window, newFrameMessage_, 0, reinterpret_cast<LPARAM>(this))) framePending_.store(false);
}

void TIEDirectShow::SetVideoPosition(const RECT* source, const RECT* destination) {
  if (vmrControl_) vmrControl_->SetVideoPosition(source, destination);
}

void TIEDirectShow::GetNativeVideoSize(int32_t& width, int32_t& height) {
  if (!vmrControl_) return;
  LONG w = 0, h = 0;
  if (SUCCEEDED(vmrControl_->GetNativeVideoSize(&w, &h, nullptr, nullptr))) {
    width = w;
    height = h;
  }
}

void TIEDirectShow::RepaintVideo(HWND window, HDC dc) {
  if (vmrControl_) vmrControl_->RepaintVideo(window, dc);
}

}  // namespace imaging
