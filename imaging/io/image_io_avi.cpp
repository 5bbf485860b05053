// TImageIO's AVI frames, read through the platform's video file library: open a file's first
// video stream, hand out a frame by index, close.
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "imaging/io/avi_state.h"
#include "imaging/io/image_io.h"
#include "imaging/io/io_startup.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/dib_import.h"
#include "imaging/params/io_settings.h"
#include "vcl/runtime/sysutils.h"

namespace imaging {

namespace {

// The library is started by whichever thread opens the first file, and ended by the I/O
// module's shut-down (ReleaseAVILibrary).
struct TAVILibrary {
  std::mutex lock;
  bool started = false;
};

TAVILibrary& AVILibrary() {
  static TAVILibrary library;
  return library;
}

void StartAVILibrary() {
  TAVILibrary& library = AVILibrary();
  std::lock_guard<std::mutex> guard(library.lock);
  if (library.started) return;
  AVIFileInit();
  library.started = true;
}

// The bytes a packed DIB spans (header, masks, colour table, rows), or 0 when its header makes
// no sense. The frame reader hands the DIB over without its size.
size_t PackedDIBSize(const BITMAPINFOHEADER* header) {
  if (header->biSize < sizeof(BITMAPINFOHEADER) || header->biSize > 1024 || header->biWidth <= 0 ||
      header->biHeight == 0 || header->biPlanes != 1)
    return 0;
  const int64_t width = header->biWidth, height = std::llabs(static_cast<int64_t>(header->biHeight));
  const int64_t bits = header->biBitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return 0;
  int64_t colours = header->biClrUsed;
  if (colours == 0 && bits <= 8) colours = int64_t(1) << bits;
  if (colours > 256) return 0;
  const int64_t masks = header->biCompression == BI_BITFIELDS && header->biSize == sizeof(BITMAPINFOHEADER) ? 12 : 0;
  const int64_t rowLength = ((width * bits + 31) / 32) * 4;
  int64_t image = rowLength * height;
  if (header->biCompression != BI_RGB && header->biCompression != BI_BITFIELDS) image = header->biSizeImage;
  const int64_t total = header->biSize + masks + colours * 4 + image;
  if (image <= 0 || total > (int64_t(1) << 31)) return 0;
  return static_cast<size_t>(total);
}

// Milliseconds per frame; 0 for a rate or scale a damaged file leaves at 0.
int32_t FrameDelay(const AVISTREAMINFOW& info) {
  if (info.dwRate == 0 || info.dwScale == 0) return 0;
  return static_cast<int32_t>(1000.0 / (static_cast<double>(info.dwRate) / info.dwScale));
}

}  // namespace

bool AVILibraryStarted() {
  TAVILibrary& library = AVILibrary();
  std::lock_guard<std::mutex> guard(library.lock);
  return library.started;
}

void ReleaseAVILibrary() {
  TAVILibrary& library = AVILibrary();
  std::lock_guard<std::mutex> guard(library.lock);
  if (!library.started) return;
  AVIFileExit();
  library.started = false;
}

bool TImageIO::IsAVIFileOpen() const { return avi_ && avi_->file; }

int32_t TImageIO::OpenAVIFile(const std::u16string& name) {
  SetAborting(false);
  CloseAVIFile();
  params_->AVIFrameCount = 0;
  params_->FileName = name;
  params_->FileType = 0;
  StartAVILibrary();
  auto state = std::make_unique<TAVIState>();
  state->comInitialised = SUCCEEDED(CoInitialize(nullptr));
  state->thread = GetCurrentThreadId();
  const std::u16string path = name + u'\0';
  bool opened = AVIFileOpenW(&state->file, reinterpret_cast<LPCWSTR>(path.c_str()), OF_READ, nullptr) == 0;
  if (opened) opened = AVIFileGetStream(state->file, &state->stream, streamtypeVIDEO, 0) == 0;
  if (opened) opened = AVIStreamInfoW(state->stream, &state->info, sizeof state->info) == 0;
  if (opened) state->frames = AVIStreamGetFrameOpen(state->stream, nullptr);
  if (!state->frames) {
    if (state->stream) AVIStreamRelease(state->stream);
    if (state->file) AVIFileRelease(state->file);
    if (state->comInitialised) CoUninitialize();
    SetAborting(true);
    return 0;
  }
  avi_ = std::move(state);
  const int32_t count = static_cast<int32_t>(std::min<DWORD>(avi_->info.dwLength, INT32_MAX));
  params_->AVIFrameCount = count;
  params_->AVIFrameDelayTime = FrameDelay(avi_->info);
  return count;
}

void TImageIO::LoadAVIFrame(int32_t index) {
  if (HandToWorker([this, index] { LoadAVIFrame(index); })) return;
  SetAborting(false);
  try {
    if (!CheckBitmap() || !IsAVIFileOpen() || !avi_->frames || index < 0 ||
        index >= static_cast<int64_t>(avi_->info.dwLength)) {
      // Nothing to read is a failed load, not a silent one.
      SetAborting(true);
    } else {
      AVIStreamInfoW(avi_->stream, &avi_->info, sizeof avi_->info);
      params_->AVIFrameCount = static_cast<int32_t>(std::min<DWORD>(avi_->info.dwLength, INT32_MAX));
      params_->AVIFrameDelayTime = FrameDelay(avi_->info);
      auto* header = static_cast<BITMAPINFOHEADER*>(AVIStreamGetFrame(avi_->frames, index));
      const size_t size = header ? PackedDIBSize(header) : 0;
      TIEBitmap frame;
      if (size > 0) PackedDIBToIEBitmap(header, size, &frame);
      if (frame.IsEmpty()) {
        SetAborting(true);
      } else {
        const int32_t bitCount = header->biBitCount;
        TIOParamsVals& p = *params_;
        p.BitsPerSample = bitCount == 1 ? 1 : bitCount == 4 ? 4 : bitCount == 8 ? 8 : bitCount == 15 ? 5 : 8;
        p.SamplesPerPixel = bitCount <= 8 ? 1 : 3;
        p.DpiX = IEDefaultDpiX;
        p.DpiY = IEDefaultDpiY;
        p.Width = p.StoredWidth = frame.Width();
        p.Height = p.StoredHeight = frame.Height();
        p.FreeColorMap();
        TIEBitmap* target = ieBitmap_;
        if (target->Location() == ieTBitmap || target->MemoryExternal()) {
          target->RemoveAlphaChannel(false, 0);
          target->Assign(&frame);
        } else {
          frame.MoveContentTo(target);
        }
        UpdateAttached();
      }
    }
  } catch (...) {
    // A frame the decoder refuses is a failed load.
    SetAborting(true);
  }
  DoFinishWork();
}

void TImageIO::CloseAVIFile() {
  if (!avi_) return;
  if (avi_->frames) AVIStreamGetFrameClose(avi_->frames);
  if (avi_->stream) AVIStreamRelease(avi_->stream);
  if (avi_->file) AVIFileRelease(avi_->file);
  if (avi_->comInitialised && avi_->thread == GetCurrentThreadId()) CoUninitialize();
  avi_.reset();
}

}  // namespace imaging
