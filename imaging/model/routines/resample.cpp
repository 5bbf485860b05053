#include "imaging/model/routines/resample.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>

#include "imaging/base/system_info.h"
#include "imaging/base/thread_pool.h"
#include "imaging/model/routines/work_buffers.h"
#include "imaging/model/routines/resample_fast.h"
#include "imaging/model/routines/resample_filters.h"
#include "imaging/model/routines/resample_interpolated.h"
#include "imaging/model/routines/resample_projection.h"
#include "imaging/model/routines/resample_rows.h"
#include "imaging/model/routines/resample_shrink.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

// The horizontal workers' link to the calling thread: they count the rows they finish, the
// last one to end signals, and the first failure is kept for the caller to raise.
struct ResampleHorizShared {
  std::atomic<int32_t> rowsDone{0};
  std::atomic<int32_t> running{0};
  vcl::TSimpleEvent finished;
  std::mutex failureLock;
  std::exception_ptr failure;

  void Fail(std::exception_ptr error) {
    std::lock_guard<std::mutex> hold(failureLock);
    if (!failure) failure = error;
  }
};

namespace {

// How often the calling thread looks at the workers' row count while it waits.
constexpr uint32_t kProgressPollMs = 15;

void CheckFilter(TResampleFilter filter) {
  if (filter <= rfNone || filter > rfProjectWB)
    throw vcl::EInvalidArgument("The resampling filter has no kernel; copy by nearest neighbour instead");
}

void CheckBitmaps(TIEBitmap* source, TIEBitmap* dest) {
  if (!source || !dest) throw vcl::EInvalidArgument("Resampling needs a source and a destination bitmap");
}

// Reports p when it differs from the last value reported.
class TProgressReporter {
 public:
  TProgressReporter(const TIEProgressEvent& onProgress, vcl::TObject* sender) : event_(onProgress), sender_(sender) {}
  bool Assigned() const { return static_cast<bool>(event_); }
  void Report(int32_t percent) {
    if (!event_ || percent == last_) return;
    last_ = percent;
    event_(sender_, percent);
  }
  void Restart() { last_ = -1; }

 private:
  const TIEProgressEvent& event_;
  vcl::TObject* sender_;
  int32_t last_ = -1;
};

// The vertical pass: mixes the rows of `work` (source height rows of `bytes` bytes) into
// each destination row, which `writeRow` receives.
template <class WriteRow>
void RunVerticalPass(const TWorkRows& work, int32_t sourceHeight, int32_t destHeight, TResampleFilter filter,
                     int32_t bytes, WriteRow writeRow) {
  const TContributorTable lists(sourceHeight, destHeight, filter);
  std::vector<const uint8_t*> rows(static_cast<size_t>(lists.MaxCount()) + 1);
  std::vector<int32_t> weights(static_cast<size_t>(lists.MaxCount()) + 1);
  for (int32_t k = 0; k < destHeight; ++k) {
    const ResampleContributor* list = lists.List(k);
    const int32_t count = lists.Count(k);
    for (int32_t c = 0; c < count; ++c) {
      rows[c] = work.Row(list[c].index);
      weights[c] = list[c].weight;
    }
    writeRow(k, rows.data(), weights.data(), count);
  }
}

// The horizontal pass over rows firstRow .. firstRow + rowCount - 1, each copied first into a
// padded line for the row loop; afterRow runs after each.
template <class AfterRow>
void ResampleHorizontalBand(const ResampleHorizJob& job, int32_t firstRow, int32_t rowCount, AfterRow afterRow) {
  const int32_t rowBytes = job.sourceWidth * 3;
  TWorkRows line(rowBytes, 1);
  for (int32_t y = firstRow; y < firstRow + rowCount; ++y) {
    const uint8_t* row =
        job.sourceRows ? (*job.sourceRows)[y] : static_cast<const uint8_t*>(job.source->GetScanline(y));
    std::memcpy(line.Row(0), row, rowBytes);
    job.lists->Run(line.Row(0), job.work + y * job.workStride);
    afterRow();
  }
}

// The kernel-table path on a 24-bit source: horizontal pass on the workers, vertical pass on
// the calling thread.
void KernelResample24(TIEBitmap* source, TIEBitmap* dest, TResampleFilter filter, const TIEProgressEvent& onProgress,
                      vcl::TObject* sender) {
  const int32_t srcW = source->Width(), srcH = source->Height();
  const int32_t dstW = dest->Width(), dstH = dest->Height();
  if (dstW < 1 || dstH < 1) return;
  const double factor = 100.0 / (srcH + dstH + 0.5);
  TProgressReporter progress(onProgress, sender);

  if (source->Location() != ieFile && dest->Location() != ieFile && UsesShrinkingResample(srcW, srcH, dstW, dstH)) {
    std::vector<const uint8_t*> sourceRows(srcH);
    for (int32_t y = 0; y < srcH; ++y) sourceRows[y] = static_cast<const uint8_t*>(source->GetScanline(y));
    std::vector<uint8_t*> destRows(dstH);
    for (int32_t k = 0; k < dstH; ++k) destRows[k] = static_cast<uint8_t*>(dest->GetScanline(k));
    // Progress runs over the same srcH + dstH steps as the two exact passes.
    auto afterRows = [&](int32_t done) {
      progress.Report(static_cast<int32_t>((int64_t(srcH) + dstH) * done / dstH * factor));
    };
    ShrinkingResample24(sourceRows, srcW, srcH, destRows, dstW, dstH, filter, ResampleShrinkFactor(srcW, dstW),
                        ResampleShrinkFactor(srcH, dstH),
                        progress.Assigned() ? std::function<void(int32_t)>(afterRows) : std::function<void(int32_t)>());
    return;
  }

  TWorkRows work(int64_t(dstW) * 3, srcH);
  {
    const TContributorTable columns(srcW, dstW, filter);
    const THorizontalResampler resampler(columns, 3, TZeroWeightRule::AsWeight256);
    const int32_t workerCount = ResampleWorkerCount(source);
    // Rows of a bitmap in memory are fixed addresses: fetch them here, so that the workers
    // never call into the bitmap.
    std::vector<const uint8_t*> sourceRows;
    if (source->Location() != ieFile) {
      sourceRows.resize(srcH);
      for (int32_t y = 0; y < srcH; ++y) sourceRows[y] = static_cast<const uint8_t*>(source->GetScanline(y));
    }
    ResampleHorizShared shared;
    const ResampleHorizJob job{workerCount, dstW, srcW, &resampler, source,
                               sourceRows.empty() ? nullptr : &sourceRows, work.Row(0), work.Stride(), &shared};
    if (workerCount == 1) {
      // One worker (a source in a temporary file, or one core) works on the calling thread:
      // the file's row views are then never mapped by two threads, and progress comes
      // between rows.
      int32_t done = 0;
      ResampleHorizontalBand(job, 0, srcH, [&] { progress.Report(static_cast<int32_t>(++done * factor)); });
    } else {
      const std::vector<TResampleRowBand> bands = ResampleRowBands(srcH, workerCount);
      int32_t started = 0;
      for (const TResampleRowBand& band : bands)
        if (band.rowCount > 0) ++started;
      shared.running = started;
      {
        TIEThreadPool pool;
        for (int32_t k = 0; k < static_cast<int32_t>(bands.size()); ++k)
          if (bands[k].rowCount > 0)
            pool.Add(new TResampleHorizThread(job, bands[k].firstRow, bands[k].rowCount, k));
        // The progress handler belongs to the calling thread: it reads the workers' count here.
        if (progress.Assigned()) {
          while (shared.finished.WaitFor(kProgressPollMs) != vcl::wrSignaled)
            progress.Report(static_cast<int32_t>(shared.rowsDone.load() * factor));
          progress.Report(static_cast<int32_t>(shared.rowsDone.load() * factor));
        }
        pool.WaitForAll();
      }
      if (shared.failure) std::rethrow_exception(shared.failure);
    }
  }

  progress.Restart();
  const int32_t verticalWorkers = dest->Location() == ieFile ? 1 : std::min(ResampleWorkerCount(source), dstH);
  if (verticalWorkers > 1) {
    // The destination's rows are fixed addresses too: bands of them are mixed on the workers,
    // which only read the work rows. Each row is computed as on the calling thread.
    std::vector<uint8_t*> destRows(dstH);
    for (int32_t k = 0; k < dstH; ++k) destRows[k] = static_cast<uint8_t*>(dest->GetScanline(k));
    const TContributorTable lists(srcH, dstH, filter);
    ResampleHorizShared shared;
    auto band = [&](int32_t first, int32_t count) {
      std::vector<const uint8_t*> rows(static_cast<size_t>(lists.MaxCount()) + 1);
      std::vector<int32_t> weights(static_cast<size_t>(lists.MaxCount()) + 1);
      for (int32_t k = first; k < first + count; ++k) {
        const ResampleContributor* list = lists.List(k);
        const int32_t n = lists.Count(k);
        for (int32_t c = 0; c < n; ++c) {
          rows[c] = work.Row(list[c].index);
          weights[c] = list[c].weight;
        }
        ResampleVerticalRow(rows.data(), weights.data(), n, destRows[k], dstW * 3);
        shared.rowsDone.fetch_add(1, std::memory_order_relaxed);
      }
    };
    const std::vector<TResampleRowBand> bands = ResampleRowBands(dstH, verticalWorkers);
    shared.running = static_cast<int32_t>(bands.size());
    {
      TIEThreadPool pool;
      for (const TResampleRowBand& b : bands)
        pool.Add(new TResampleBandThread([&band, b] { band(b.firstRow, b.rowCount); }, shared));
      if (progress.Assigned()) {
        while (shared.finished.WaitFor(kProgressPollMs) != vcl::wrSignaled)
          progress.Report(static_cast<int32_t>((srcH + shared.rowsDone.load()) * factor));
        progress.Report(static_cast<int32_t>((srcH + shared.rowsDone.load()) * factor));
      }
      pool.WaitForAll();
    }
    if (shared.failure) std::rethrow_exception(shared.failure);
    return;
  }
  RunVerticalPass(work, srcH, dstH, filter, dstW * 3,
                  [&](int32_t k, const uint8_t* const* rows, const int32_t* weights, int32_t count) {
                    ResampleVerticalRow(rows, weights, count, static_cast<uint8_t*>(dest->GetScanline(k)), dstW * 3);
                    progress.Report(static_cast<int32_t>((srcH + k + 1) * factor));
                  });
}

// The kernel-table algorithm on one 8-bit channel, on the calling thread: readRow(y, buffer)
// fills a source row, writeRow(k, grey) takes a destination row.
template <class ReadRow, class WriteRow>
void KernelResampleOneChannel(int32_t srcW, int32_t srcH, int32_t dstW, int32_t dstH, TResampleFilter filter,
                              ReadRow readRow, WriteRow writeRow) {
  if (dstW < 1 || dstH < 1) return;
  TWorkRows work(dstW, srcH);
  {
    const TContributorTable columns(srcW, dstW, filter);
    const THorizontalResampler resampler(columns, 1, TZeroWeightRule::UnsignedShift);
    TWorkRows line(srcW, 1);
    for (int32_t y = 0; y < srcH; ++y) {
      readRow(y, line.Row(0));
      resampler.Run(line.Row(0), work.Row(y));
    }
  }
  TWorkRows out(dstW, 1);
  RunVerticalPass(work, srcH, dstH, filter, dstW,
                  [&](int32_t k, const uint8_t* const* rows, const int32_t* weights, int32_t count) {
                    ResampleVerticalRow(rows, weights, count, out.Row(0), dstW);
                    writeRow(k, out.Row(0));
                  });
}

bool TooSmallForKernel(TIEBitmap* source) {
  const int32_t w = source->Width(), h = source->Height();
  return w == 0 || h == 0 || (w < 2 && h < 2);
}

}  // namespace

// ---- workers ----

TResampleBandThread::TResampleBandThread(std::function<void()> work, ResampleHorizShared& shared)
    : vcl::TThread(true), work_(std::move(work)), shared_(shared) {}

void TResampleBandThread::Execute() {
  try {
    work_();
  } catch (...) {
    shared_.Fail(std::current_exception());
  }
  if (shared_.running.fetch_sub(1) == 1) shared_.finished.SetEvent();
}

TResampleHorizThread::TResampleHorizThread(const ResampleHorizJob& job, int32_t firstRow, int32_t rowCount,
                                           int32_t workerIndex)
    : vcl::TThread(true), job_(job), firstRow_(firstRow), rowCount_(rowCount), workerIndex_(workerIndex) {}

void TResampleHorizThread::Execute() {
  ResampleHorizShared& shared = *job_.shared;
  try {
    ResampleHorizontalBand(job_, firstRow_, rowCount_,
                           [&] { shared.rowsDone.fetch_add(1, std::memory_order_relaxed); });
  } catch (...) {
    shared.Fail(std::current_exception());
  }
  if (shared.running.fetch_sub(1) == 1) shared.finished.SetEvent();
}

// ---- entry points ----

int32_t ResampleWorkerCount(TIEBitmap* source24) {
  if (source24->Location() == ieFile) return 1;
  const int32_t cores = GetProcessorCoreCount();
  return cores < 1 ? 1 : cores;
}

std::vector<TResampleRowBand> ResampleRowBands(int32_t rows, int32_t workerCount) {
  if (workerCount < 1) workerCount = 1;
  const int32_t per = rows / workerCount;
  std::vector<TResampleRowBand> bands(workerCount);
  for (int32_t k = 0; k < workerCount; ++k)
    bands[k] = {k * per, k == workerCount - 1 ? rows - (workerCount - 1) * per : per};
  return bands;
}

void ResampleBitmap(TIEBitmap* source, TIEBitmap* dest, TResampleFilter filter, const TIEProgressEvent& onProgress,
                    vcl::TObject* sender) {
  CheckFilter(filter);
  CheckBitmaps(source, dest);
  if (TooSmallForKernel(source)) return;
  const TIEPixelFormat format = source->PixelFormat();
  if (filter == rfBilinear || filter == rfBicubic) {
    if (format == ie24RGB || format == ie8g) {
      ResampleInterpolated(source, dest, filter == rfBicubic, sender, onProgress);
      return;
    }
    if (format == ie16g || format == ieRGB48) {
      ResampleInterpolated16(source, dest, filter == rfBicubic, sender, onProgress);
      return;
    }
    filter = rfTriangle;
  }
  if (format == ie8g) {
    ResampleGray8(source, dest, filter);
    return;
  }

  std::unique_ptr<TIEBitmap> converted;
  TIEBitmap* source24 = source;
  if (format != ie24RGB) {
    converted = std::make_unique<TIEBitmap>();
    AllocateOrRaise(converted.get(), source->Width(), source->Height(), ie24RGB);
    converted->CopyAndConvertFormat(source);
    source24 = converted.get();
  }
  switch (filter) {
    case rfFastLinear:
      EnsurePixelFormat(dest, ie24RGB);
      ResampleFastLinear24(source24, dest, sender, onProgress);
      break;
    case rfProjectBW:
    case rfProjectWB:
      ProjectResample24(source24, dest, filter == rfProjectWB, sender, onProgress);
      break;
    default:
      EnsurePixelFormat(dest, ie24RGB);
      KernelResample24(source24, dest, filter, onProgress, sender);
      break;
  }
}

void ResampleGray8(TIEBitmap* source, TIEBitmap* dest, TResampleFilter filter) {
  CheckFilter(filter);
  CheckBitmaps(source, dest);
  if (source->BitCount() != 8 || source->PixelFormat() == ie1g)
    throw vcl::EInvalidArgument("ResampleGray8 needs an 8-bit source");
  if (dest->BitCount() != 8) EnsurePixelFormat(dest, ie8g);
  if (filter == rfFastLinear || filter == rfBilinear || filter == rfBicubic || filter == rfProjectBW ||
      filter == rfProjectWB) {
    ResampleFastLinear8(source, dest, nullptr, TIEProgressEvent());
    return;
  }
  if (TooSmallForKernel(source)) return;
  const int32_t srcW = source->Width();
  KernelResampleOneChannel(
      srcW, source->Height(), dest->Width(), dest->Height(), filter,
      [&](int32_t y, uint8_t* buffer) { std::memcpy(buffer, source->GetScanline(y), srcW); },
      [&](int32_t k, const uint8_t* grey) { std::memcpy(dest->GetScanline(k), grey, dest->Width()); });
}

void Resample1Bit(TIEBitmap* source, TIEBitmap* dest, TResampleFilter filter) {
  CheckFilter(filter);
  CheckBitmaps(source, dest);
  if (source->PixelFormat() != ie1g) throw vcl::EInvalidArgument("Resample1Bit needs a 1-bit source");
  switch (filter) {
    case rfFastLinear:
    case rfBilinear:
    case rfBicubic:
      EnsurePixelFormat(dest, ie24RGB);
      ResampleFastLinear1Bit(source, dest, nullptr, TIEProgressEvent());
      return;
    case rfProjectBW:
    case rfProjectWB:
      ProjectResample1Bit(source, dest, filter == rfProjectWB, nullptr, TIEProgressEvent());
      return;
    default:
      break;
  }
  if (TooSmallForKernel(source)) return;
  EnsurePixelFormat(dest, ie24RGB);
  const int32_t srcW = source->Width();
  KernelResampleOneChannel(
      srcW, source->Height(), dest->Width(), dest->Height(), filter,
      [&](int32_t y, uint8_t* buffer) {
        const uint8_t* bits = static_cast<const uint8_t*>(source->GetScanline(y));
        for (int32_t x = 0; x < srcW; ++x) buffer[x] = (bits[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
      },
      [&](int32_t k, const uint8_t* grey) {
        uint8_t* row = static_cast<uint8_t*>(dest->GetScanline(k));
        const int32_t w = dest->Width();
        for (int32_t x = 0; x < w; ++x) row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = grey[x];
      });
}

}  // namespace imaging
