// The resampling engine: scales a bitmap into a destination of another size with one of the
// TResampleFilter filters. The kernel filters run as two separable passes with contributor
// lists built once per axis; the horizontal pass of ResampleBitmap runs on worker threads,
// one per processor core (one when the source lives in a temporary file). Large reductions of
// a source in memory take the shrinking road instead (resample_shrink.h).
//
// The destination always has the wanted width and height before the call; a destination of
// the wrong pixel format for the chosen path is reallocated in the right one at its size.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/model/ie_bitmap.h"
#include "vcl/runtime/threads.h"

namespace imaging {

// Scales any pixel format. rfBilinear and rfBicubic of ie8g, ie24RGB, ie16g and ieRGB48
// sources keep the source's format; ie8g sources otherwise go to ResampleGray8; everything
// else goes through 24 bits (a non-24-bit source is converted, and Dest becomes ie24RGB),
// except the projections, which make Dest 1-bit. Nothing happens for an empty or a 1 x 1
// source. rfNone (or a value outside the enumeration) raises EInvalidArgument: it has no
// kernel, its callers copy by nearest neighbour.
// Progress is reported on the calling thread only, also while the workers run.
void ResampleBitmap(TIEBitmap* source, TIEBitmap* dest, TResampleFilter filter, const TIEProgressEvent& onProgress,
                    vcl::TObject* sender);

// 8-bit single-channel bitmaps (grey images, alpha channels), on the calling thread, without
// progress. The source must have 8 bits per pixel (else EInvalidArgument).
void ResampleGray8(TIEBitmap* source, TIEBitmap* dest, TResampleFilter filter);

// 1-bit sources (else EInvalidArgument): into a 1-bit Dest for the projections, into a
// 24-bit grey Dest for every other filter.
void Resample1Bit(TIEBitmap* source, TIEBitmap* dest, TResampleFilter filter);

// How the horizontal pass of ResampleBitmap splits its rows: the worker count for a 24-bit
// source (1 when its pixels are in a temporary file, else the processor cores), and the bands
// (first row, row count) of n workers over `rows` rows: rows div n each, the rest to the last.
int32_t ResampleWorkerCount(TIEBitmap* source24);
struct TResampleRowBand {
  int32_t firstRow;
  int32_t rowCount;
};
std::vector<TResampleRowBand> ResampleRowBands(int32_t rows, int32_t workerCount);

class THorizontalResampler;
struct ResampleHorizShared;

// What the horizontal workers share; they only read it (the shared counters excepted).
struct ResampleHorizJob {
  int32_t workerCount;
  int32_t destWidth;
  int32_t sourceWidth;
  const THorizontalResampler* lists;
  TIEBitmap* source;  // 24-bit
  // The source's rows when any thread may read them; null when the one worker reads the
  // source through its row access (pixels in a temporary file).
  const std::vector<const uint8_t*>* sourceRows;
  uint8_t* work;  // destWidth x source height, 3 bytes per pixel
  int64_t workStride;
  ResampleHorizShared* shared;  // rows done, workers still running, the first failure
};

// One worker of the horizontal pass: resamples its band of source rows into the same rows of
// the work rows. Created suspended; TIEThreadPool.Add lets it run. A single worker's band
// runs on the calling thread instead.
class TResampleHorizThread : public vcl::TThread {
  VCL_CLASS(TResampleHorizThread, vcl::TThread)
  TResampleHorizThread(const ResampleHorizJob& job, int32_t firstRow, int32_t rowCount, int32_t workerIndex);

 protected:
  void Execute() override;

 private:
  ResampleHorizJob job_;
  int32_t firstRow_;
  int32_t rowCount_;
  int32_t workerIndex_;
};

// A worker of the vertical pass: runs its band of destination rows, keeps the first failure
// in the shared record and signals it when it is the last to end. Created suspended, like the
// horizontal workers.
class TResampleBandThread : public vcl::TThread {
  VCL_CLASS(TResampleBandThread, vcl::TThread)
  TResampleBandThread(std::function<void()> work, ResampleHorizShared& shared);

 protected:
  void Execute() override;

 private:
  std::function<void()> work_;
  ResampleHorizShared& shared_;
};

}  // namespace imaging
