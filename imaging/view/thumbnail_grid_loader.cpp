#include "imaging/view/thumbnail_grid_loader.h"

#include <algorithm>

#include "imaging/base/text_helpers.h"
#include "imaging/codecs/ico/shell_icons.h"
#include "imaging/io/image_io.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/file_formats.h"
#include "imaging/view/thumbnail_grid_io.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/gdiobjects.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

namespace imaging {

bool IsMetafileName(const std::u16string& name) {
  const std::u16string ext = ExtractFileExtLowerW(name, true);
  return ext == u".emf" || ext == u".wmf";
}

void ApplyGridReaderSettings(TImageIO* io, const TIEMLoaderSettings& settings) {
  TIOParamsVals& params = io->Params();
  if (settings.storeType == ietThumb) {
    params.JPEGLoadScale = 0;
    params.Width = settings.thumbWidth;
    params.Height = settings.thumbHeight;
    params.JPEGDCTMethod = 1;
    const bool exif = settings.thumbWidth <= 200 && settings.thumbHeight <= 200 && settings.loadEXIFThumbnails;
    params.SetLoadEXIFThumbnail(exif);
    params.SetRAWLoadEXIFThumbnail(exif);
  } else {
    params.JPEGLoadScale = 1;
  }
  params.SetEnableAdjustOrientation(settings.adjustOrientation);
}

namespace {

// The size the image has in its file: a reduced JPEG decode reports its reduced size.
void NominalSize(TIOParamsVals& params, int32_t& width, int32_t& height) {
  width = params.Width;
  height = params.Height;
  if (params.JPEGLoadScaleDenominator > 1 && params.StoredWidth > 0 && params.StoredHeight > 0) {
    width = params.StoredWidth;
    height = params.StoredHeight;
  }
}

}  // namespace

// ---- the load workers ----

TIEMLoadWorker::TIEMLoadWorker(TImageMView* grid)
    : vcl::TThread(false), grid_(grid), event_(std::make_unique<vcl::TEvent>(false, false)) {}

TIEMLoadWorker::~TIEMLoadWorker() = default;

void TIEMLoadWorker::Signal() { event_->SetEvent(); }

void TIEMLoadWorker::Execute() {
  while (!Terminated()) {
    TIEMLoadJob* job = nullptr;
    try {
      job = grid_->TakeLoadJob();
    } catch (...) {
      // A job that could not be made is retried when the image is asked for again.
    }
    if (!job) {
      event_->WaitFor();
      continue;
    }
    job->Run();
    grid_->JobFinished(job, this);
  }
}

TIEMLoadJob* TImageMView::TakeLoadJob() {
  TGridLockScope hold(lock_);
  CleanupJobs();
  PruneQueue();
  const TIEMLoaderSettings& settings = loaderSettings_;
  const auto running =
      std::count_if(jobs_.begin(), jobs_.end(), [](TIEMLoadJob* job) { return !job->Done(); });
  if (queue_.empty() || running >= settings.poolSize) return nullptr;
  TIEMImageRecord* record = queue_.front();
  auto job = std::make_unique<TIEMLoadJob>(this, record, record->fileName, record->background, settings);
  jobs_.push_back(job.get());
  queue_.pop_front();
  return job.release();
}

void TImageMView::SignalLoadWorkers(bool makeMissing) {
  TGridLockScope hold(workersLock_);
  // Workers are made on the user-interface thread only, up to the pool's size; they stay.
  if (makeMissing && !destroying_) {
    while (static_cast<int32_t>(workers_.size()) < threadPoolSize_)
      workers_.push_back(vcl::NewThread<TIEMLoadWorker>(this));
  }
  for (TIEMLoadWorker* worker : workers_) worker->Signal();
}

void TImageMView::StopLoadWorkers() {
  std::vector<TIEMLoadWorker*> workers;
  {
    TGridLockScope hold(workersLock_);
    workers.swap(workers_);
  }
  for (TIEMLoadWorker* worker : workers) {
    worker->Terminate();
    worker->Signal();
  }
  for (TIEMLoadWorker* worker : workers) {
    worker->WaitFor();
    delete worker;
  }
}

// ---- one load job ----

TIEMLoadJob::TIEMLoadJob(TImageMView* grid, TIEMImageRecord* record, const std::u16string& fileName,
                         vcl::TColor background, const TIEMLoaderSettings& settings)
    : grid_(grid),
      record_(record),
      fileName_(fileName),
      settings_(settings),
      bitmap_(std::make_unique<TIEBitmap>()),
      background_(background) {}

TIEMLoadJob::~TIEMLoadJob() {
  // The job is done (the grid waits for it); the I/O object lets go of the bitmap first.
  io_.reset();
}

void TIEMLoadJob::WaitUntilDone() {
  if (done_) return;
  if (GetCurrentThreadId() != vcl::MainThreadID) {
    doneEvent_.WaitFor();
    return;
  }
  HANDLE handles[2] = {doneEvent_.Handle(), vcl::SyncEvent()};
  while (!done_) {
    const DWORD result = MsgWaitForMultipleObjects(2, handles, FALSE, INFINITE, QS_SENDMESSAGE);
    if (result == WAIT_OBJECT_0 || result == WAIT_FAILED) break;
    if (result == WAIT_OBJECT_0 + 1) {
      try {
        vcl::CheckSynchronize();
      } catch (...) {
        // A queued call's failure is not the job's; the wait goes on.
      }
    } else {
      // Lets messages sent by other threads' windows through without taking posted ones.
      MSG msg;
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    }
  }
}

void TIEMLoadJob::Cancel() {
  record_ = nullptr;
  cancelled_ = true;
  TGridLockScope hold(ioLock_);
  if (io_) io_->SetAborting(true);
}

void TIEMLoadJob::Run() {
  try {
    // The reader is made here rather than by the loader thread, which holds the grid's lock
    // while it starts jobs.
    {
      TGridLockScope hold(ioLock_);
      if (!cancelled_) {
        io_ = std::make_unique<TImageIO>(nullptr);
        io_->SetAttachedIEBitmap(bitmap_.get());
        io_->SetBackground(background_);
        ApplyGridReaderSettings(io_.get(), settings_);
      }
    }
    if (io_ && !cancelled_) {
      if (IsMetafileName(fileName_))
        io_->ImportMetafileFromFile(fileName_, settings_.thumbWidth, -1, true);
      else
        io_->LoadFromFileAuto(fileName_);
    }
    failed_ = cancelled_ || !io_ || io_->Aborting();
  } catch (...) {
    failed_ = true;
  }
  if (!failed_ && !cancelled_) {
    try {
      thumbnail_ = MakeGridThumbnail(bitmap_.get(), settings_.storeType, settings_.thumbWidth,
                                     settings_.thumbHeight, settings_.stretchSmallImages, settings_.filter);
    } catch (...) {
      // Stored whole; the grid reduces it when it stores it.
      thumbnail_.reset();
    }
  }
}

// ---- the grid's side ----

TIEMLoaderSettings TImageMView::CurrentLoaderSettings() const {
  TIEMLoaderSettings s;
  s.storeType = storeType_;
  s.thumbWidth = thumbWidth_;
  s.thumbHeight = thumbHeight_;
  s.stretchSmallImages = stretchSmallImages_;
  s.filter = thumbResampleFilter_;
  s.loadEXIFThumbnails = enableLoadEXIFThumbnails_;
  s.adjustOrientation = enableAdjustOrientation_;
  s.poolSize = threadPoolSize_;
  s.maintainInvisible = maintainInvisibleImages_;
  return s;
}

bool TImageMView::IsWanted(TIEMImageRecord* record) const {
  return wanted_.count(record) != 0 ||
         std::find(lookAheadList_.begin(), lookAheadList_.end(), record) != lookAheadList_.end();
}

void TImageMView::PruneQueue() {
  TGridLockScope hold(lock_);
  if (loaderSettings_.maintainInvisible == -1) return;
  std::erase_if(queue_, [this](TIEMImageRecord* record) { return !IsWanted(record); });
}

void TImageMView::CleanupJobs() {
  TGridLockScope hold(lock_);
  for (TIEMLoadJob* job : jobs_)
    if (job->Record() && !job->Done() && !IsWanted(job->Record())) job->Cancel();
}

bool TImageMView::HasImageSource(int32_t index) {
  const TIEMImageRecord* record = Record(index);
  if (!record) return false;
  return (record->ID >= 0 && (OnImageIDRequest || OnImageIDRequestEx)) || !record->fileName.empty();
}

int32_t TImageMView::QueueIndexOf(int32_t index) {
  TGridLockScope hold(lock_);
  TIEMImageRecord* record = Record(index);
  if (!record) return -1;
  auto it = std::find(queue_.begin(), queue_.end(), record);
  return it == queue_.end() ? -1 : static_cast<int32_t>(it - queue_.begin());
}

int32_t TImageMView::JobCount() {
  TGridLockScope hold(lock_);
  return static_cast<int32_t>(jobs_.size());
}

bool TImageMView::IsInLookAhead(int32_t index) {
  TGridLockScope hold(lock_);
  TIEMImageRecord* record = Record(index);
  return record && std::find(lookAheadList_.begin(), lookAheadList_.end(), record) != lookAheadList_.end();
}

bool TImageMView::RequestLoad(int32_t index, int32_t position) {
  TIEMImageRecord* record = Record(index);
  if (!record) return false;
  // Frames of one file share an I/O object: they are always read synchronously.
  if (record->fileName.find(u"::") != std::u16string::npos) return false;
  bool result = false;
  {
    TGridLockScope hold(lock_);
    // The loader thread reads its settings here, not when it starts a job: a job reads by the
    // settings of the last request before its start (and keeps them, see StoreJobResult).
    loaderSettings_ = CurrentLoaderSettings();
    if (record->image) {
      result = true;
    } else {
      wanted_.insert(record);
      PruneQueue();
      // A position past the end appends (rather than going before the last queued image): the
      // painter asks cell by cell with the number of cells drawn so far, so the first cell
      // asked for must stay first, not be pushed back behind every later one.
      if (position > -1) position = std::min(position, static_cast<int32_t>(queue_.size()));
      auto queued = std::find(queue_.begin(), queue_.end(), record);
      if (queued != queue_.end()) {
        if (position > -1) {
          queue_.erase(queued);
          queue_.insert(queue_.begin() + std::min<size_t>(position, queue_.size()), record);
        }
        result = true;
      } else if (std::any_of(jobs_.begin(), jobs_.end(),
                             [record](TIEMLoadJob* job) { return job->Record() == record; })) {
        // Running, or finished and waiting to be stored: not to be read a second time.
        result = true;
      } else {
        CleanupJobs();
        if (record->ID >= 0 && (OnImageIDRequest || OnImageIDRequestEx)) {
          result = false;  // images by ID are asked for synchronously
        } else if (!record->fileName.empty()) {
          if (position < 0)
            queue_.push_back(record);
          else
            queue_.insert(queue_.begin() + std::min<size_t>(position, queue_.size()), record);
          result = true;
        }
      }
    }
  }
  SignalLoadWorkers(true);
  return result;
}

void TImageMView::CancelRecordLoad(TIEMImageRecord* record) {
  TGridLockScope hold(lock_);
  std::erase(queue_, record);
  std::erase(lookAheadList_, record);
  for (TIEMLoadJob* job : jobs_)
    if (job->Record() == record) job->Cancel();
}

void TImageMView::CancelImageLoad(int32_t index) {
  if (TIEMImageRecord* record = Record(index)) CancelRecordLoad(record);
}

// Unlike a wait of at most a second, this waits for every running job to end: a job
// still reading after the wait would store into (or read) a grid that may be freed next.
void TImageMView::StopLoading() {
  std::vector<TIEMLoadJob*> jobs;
  {
    TGridLockScope hold(lock_);
    lookAheadList_.clear();
    queue_.clear();
    for (TIEMLoadJob* job : jobs_)
      if (job->Record()) job->Cancel();
    jobs = jobs_;
  }
  // Every job ends before anything it uses can go, however long its reader takes to notice
  // the cancellation. Finished jobs are freed only after the waits (the waits run the calls
  // queued for this thread).
  const bool wasProcessing = processingJobs_;
  processingJobs_ = true;
  for (TIEMLoadJob* job : jobs) job->WaitUntilDone();
  processingJobs_ = wasProcessing;
  if (!wasProcessing) ProcessFinishedJobs();
}

void TImageMView::JobFinished(TIEMLoadJob* job, TIEMLoadWorker* worker) {
  // No lock is taken here: a handler of the grid that waits for its jobs while holding the
  // lock cannot stall them. Once marked done the job belongs to the grid, which may free it.
  job->done_ = true;
  job->doneEvent_.SetEvent();
  SignalLoadWorkers(false);
  // The result is stored on the user-interface thread: the application's events, the
  // companion and the bitmap-change handlers all run there, and the grid is repainted once
  // the image is in. The call belongs to the worker, which outlives every job.
  TImageMView* grid = this;
  vcl::TThread::Queue(worker, [grid] {
    try {
      grid->ProcessFinishedJobs();
    } catch (...) {
    }
  });
}

void TImageMView::ProcessFinishedJobs() {
  if (processingJobs_) {
    processAgain_ = true;
    return;
  }
  processingJobs_ = true;
  try {
    do {
      processAgain_ = false;
      std::vector<TIEMLoadJob*> finished;
      {
        TGridLockScope hold(lock_);
        for (TIEMLoadJob* job : jobs_)
          if (job->Done()) finished.push_back(job);
        std::erase_if(jobs_, [](TIEMLoadJob* job) { return job->Done(); });
      }
      for (TIEMLoadJob* job : finished) {
        job->WaitUntilDone();
        try {
          if (!destroying_) StoreJobResult(job);
        } catch (...) {
          // The image is asked for again on the next paint.
        }
        delete job;
      }
    } while (processAgain_);
  } catch (...) {
  }
  processingJobs_ = false;
}

void TImageMView::StoreJobResult(TIEMLoadJob* job) {
  TGridLockScope hold(lock_);
  TIEMImageRecord* record = job->Record();
  // A cancelled job stores nothing, not even a placeholder.
  if (!record || job->Cancelled() || !job->IO()) return;
  int32_t index = IndexOfRecord(record);
  if (index < 0) return;
  if (job->Failed()) {
    DoWrongImage(job->Bitmap(), index);
    index = IndexOfRecord(record);
    if (index < 0) return;
  } else if (TIOParamsVals* params = GetMIO()->GetParams(index)) {
    params->Assign(job->IO()->Params());
  }
  record->background = job->IO()->GetBackground();
  // The job made its thumbnail by the settings of its start. When the store type or the cell
  // changed while it read, the image as read is stored and SetImageEx reduces it by the present
  // settings, as a thumbnail made now would be. (The reader's own settings, such as a JPEG
  // decoded at a reduced scale, stay those of the start: the image is not read again.)
  const TIEMLoaderSettings now = CurrentLoaderSettings();
  const TIEMLoaderSettings& then = job->settings_;
  const bool sameThumbnail = now.storeType == then.storeType && now.thumbWidth == then.thumbWidth &&
                             now.thumbHeight == then.thumbHeight && now.stretchSmallImages == then.stretchSmallImages &&
                             now.filter == then.filter;
  SetImageEx(index, job->Thumbnail() && sameThumbnail ? job->Thumbnail() : job->Bitmap());
  if (!job->Failed()) {
    int32_t width, height;
    NominalSize(job->IO()->Params(), width, height);
    SetImageOriginalWidth(index, width);
    SetImageOriginalHeight(index, height);
  }
  Invalidate();
}

bool TImageMView::LoadImage(int32_t index) {
  TGridLockScope hold(lock_);
  TIEMImageRecord* record = Record(index);
  if (!record) return false;
  bool result = true;
  if (record->ID >= 0 && OnImageIDRequest) {
    vcl::TBitmap* bitmap = nullptr;
    OnImageIDRequest(this, record->ID, bitmap);
    SetImage(index, bitmap);
  } else if (record->ID >= 0 && OnImageIDRequestEx) {
    TIEBitmap* bitmap = nullptr;
    OnImageIDRequestEx(this, record->ID, bitmap);
    SetImageEx(index, bitmap);
  } else if (!record->fileName.empty()) {
    const std::u16string name = record->fileName;
    int32_t frame = 0;
    const bool isFrame = name.find(u"::") != std::u16string::npos;
    TImageIO* io = isFrame ? GetFrameIO(name, frame) : io_;
    TIEBitmap bitmap;
    io->SetBackground(record->background);
    io->SetAttachedIEBitmap(&bitmap);
    io->OnProgress = OnIOProgress;
    ApplyGridReaderSettings(io, CurrentLoaderSettings());
    if (mio_) io->SetAutoAdjustDPI(mio_->AutoAdjustDPI());
    bool aborted = false;
    try {
      if (isFrame) {
        int32_t delay = 0;
        LoadFrame(io, frame, delay);
        record->delayTime = delay;
      } else if (IsMetafileName(name)) {
        io->ImportMetafileFromFile(name, thumbWidth_, -1, true);
      } else {
        io->LoadFromFileAuto(name);
      }
      aborted = io->Aborting();
    } catch (...) {
      aborted = true;
    }
    if (aborted) {
      DoWrongImage(&bitmap, index);
      result = false;
      index = IndexOfRecord(record);  // the event may have edited the list
    }
    if (index >= 0) {
      if (!aborted) {
        if (TIOParamsVals* params = GetMIO()->GetParams(index)) params->Assign(io->Params());
      }
      record->background = io->GetBackground();
      SetImageEx(index, &bitmap);
      if (!aborted) {
        int32_t width, height;
        NominalSize(io->Params(), width, height);
        SetImageOriginalWidth(index, width);
        SetImageOriginalHeight(index, height);
      }
    }
    io->SetAttachedIEBitmap(nullptr);
  }
  return result;
}

TImageIO* TImageMView::GetFrameIO(const std::u16string& name, int32_t& frame) {
  const size_t split = name.find(u"::");
  const std::u16string file = name.substr(0, split);
  frame = 0;
  if (split != std::u16string::npos) {
    const std::u16string number = name.substr(split + 2);
    int32_t value = 0;
    bool valid = !number.empty() && number.size() <= 9;
    for (char16_t c : number) {
      if (c < u'0' || c > u'9') {
        valid = false;
        break;
      }
      value = value * 10 + (c - u'0');
    }
    frame = valid ? value : 0;
  }
  for (auto& io : frameIOs_)
    if (io->Params().FileName == file) return io.get();
  auto io = std::make_unique<TImageIO>(nullptr);
  io->Params().FileName = file;
  frameIOs_.push_back(std::move(io));
  return frameIOs_.back().get();
}

void TImageMView::LoadFrame(TImageIO* io, int32_t frame, int32_t& delay) {
  delay = 0;
  const std::u16string file = io->Params().FileName;
  TIEFileFormatInfo* info = FindFileFormatByExtension(vcl::Utf16ToAnsi(ExtractFileExtLowerW(file, false)));
  const int32_t type = info ? info->FileType : 0;
  if (info && type != 0 && type != 15 && type != 22 && type != 23) {
    io->Params().SetImageIndex(frame);
    io->LoadFromFileAuto(file);
    io->Params().FileName = file;
    if (type == 2) delay = io->Params().GIFDelayTime * 10;
  } else {
    if (!io->IsMediaFileOpen()) io->OpenMediaFile(file);
    io->LoadMediaFrame(frame);
    io->Params().FileName = file;
    delay = io->Params().MediaFileFrameDelayTime * 10;
  }
}

void TImageMView::FreeFrameIOs() { frameIOs_.clear(); }

void TImageMView::DoWrongImage(TIEBitmap* bitmap, int32_t index) {
  bool handled = false;
  if (OnWrongImage) {
    bitmap->Allocate(thumbWidth_, thumbHeight_, ie24RGB);
    bitmap->Fill(0xFFFFFF);
    OnWrongImage(this, bitmap, index, handled);
  }
  if (handled) return;
  if (useFileIconOnError_) {
    bitmap->Allocate(32, 32, ie24RGB);
    bitmap->Fill(0xFFFFFF);
    GetFileIconBitmap(vcl::Utf16ToAnsi(GetImageFileName(index)), bitmap);
    return;
  }
  // A grey-shadowed blue question mark on white.
  vcl::TBitmap dib;
  dib.SetPixelFormat(vcl::pf24bit);
  dib.SetWidth(thumbWidth_);
  dib.SetHeight(thumbHeight_);
  vcl::TCanvas* canvas = dib.Canvas();
  canvas->Brush()->SetColor(0xFFFFFF);
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->FillRect(vcl::TRect{0, 0, thumbWidth_, thumbHeight_});
  canvas->Font()->SetName("Arial");
  canvas->Font()->SetSize(thumbHeight_);
  canvas->Font()->SetStyle(vcl::TFontStyles{vcl::fsBold});
  canvas->Brush()->SetStyle(vcl::bsClear);
  const int32_t tw = canvas->TextWidth("?"), th = canvas->TextHeight("?");
  const int32_t x = (thumbWidth_ - tw) / 2, y = (thumbHeight_ - th) / 2;
  canvas->Font()->SetColor(0x808080);
  canvas->TextOut(x + 3, y + 3, "?");
  canvas->Font()->SetColor(0xFF0000);
  canvas->TextOut(x, y, "?");
  bitmap->RemoveAlphaChannel(false, 0);
  bitmap->CopyFromVclBitmap(&dib);
}

}  // namespace imaging
