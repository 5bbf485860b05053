// The thumbnail grid's background loading: the grid's load workers, threads made once that
// start load jobs while the pool has room and run them, and the load job, which reads one
// record's file with an I/O object of its own and reduces the image to the thumbnail size.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "imaging/view/thumbnail_grid.h"
#include "vcl/runtime/threads.h"

namespace imaging {

class TImageIO;

// The thumbnail of `source` for a cell of cellWidth x cellHeight, or nil when the source is
// to be stored as it is (whole images, or already of the thumbnail's size). The source is
// never changed.
std::unique_ptr<TIEBitmap> MakeGridThumbnail(TIEBitmap* source, TIEStoreType storeType, int32_t cellWidth,
                                             int32_t cellHeight, bool stretchSmall, TResampleFilter filter);

// Whether a file is read as a metafile (by its extension).
bool IsMetafileName(const std::u16string& name);

class TIEMLoadJob;

// Sleeps on its event whenever no job can start; the grid signals every worker when it queues
// an image, when a job ends, when the pool grows and when it goes. A worker lives as long as
// its grid: starting a thread for each image cost more than reading a small one.
class TIEMLoadWorker : public vcl::TThread {
  VCL_CLASS(TIEMLoadWorker, vcl::TThread)
  explicit TIEMLoadWorker(TImageMView* grid);
  ~TIEMLoadWorker() override;
  void Signal();

 protected:
  void Execute() override;

 private:
  TImageMView* grid_;
  std::unique_ptr<vcl::TEvent> event_;
};

// One image's load, run on a load worker; the grid frees it once it is done and stored.
class TIEMLoadJob {
 public:
  TIEMLoadJob(TImageMView* grid, TIEMImageRecord* record, const std::u16string& fileName, vcl::TColor background,
              const TIEMLoaderSettings& settings);
  ~TIEMLoadJob();
  TIEMLoadJob(const TIEMLoadJob&) = delete;
  TIEMLoadJob& operator=(const TIEMLoadJob&) = delete;

  // Reads the file and makes the thumbnail, on the worker's thread; then marks the job done.
  void Run();
  // Returns once the job is done; on the user-interface thread it runs the calls other
  // threads queue for it meanwhile, as a wait for a thread does.
  void WaitUntilDone();

  // The record the job loads for; nil once cancelled. Read and written under the grid's lock.
  TIEMImageRecord* Record() const { return record_; }
  // Under the grid's lock: the job stores nothing, and its reader is asked to stop.
  void Cancel();
  bool Cancelled() const { return cancelled_; }
  // Set as the job's work ends; from then on only the grid touches the job.
  bool Done() const { return done_; }
  // The reader failed (or was stopped).
  bool Failed() const { return failed_; }
  // Made on the job's thread; nil when it could not be made (or the job was cancelled first).
  TImageIO* IO() const { return io_.get(); }
  TIEBitmap* Bitmap() const { return bitmap_.get(); }
  // The thumbnail made on the job's thread; nil when the bitmap is stored as it is.
  TIEBitmap* Thumbnail() const { return thumbnail_.get(); }

 private:
  friend class TImageMView;
  TImageMView* grid_;
  TIEMImageRecord* record_;
  std::u16string fileName_;
  TIEMLoaderSettings settings_;
  std::unique_ptr<TIEBitmap> bitmap_;
  std::unique_ptr<TIEBitmap> thumbnail_;
  std::unique_ptr<TImageIO> io_;
  vcl::TColor background_;
  // Guards io_ between its creation on the job's thread and a cancellation.
  vcl::TCriticalSection ioLock_;
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> done_{false};
  vcl::TEvent doneEvent_;  // manual reset, set with done_
  bool failed_ = false;
};

}  // namespace imaging
