// The progress record that the 1-bit conversions and the threshold conversion take by address:
// the progress event, its sender and the percentage that one row is worth.
#pragma once

#include <cmath>
#include <cstdint>

#include "imaging/base/defs.h"

namespace imaging {

struct ProgressContext {
  TIEProgressEvent OnProgress;
  vcl::TObject* Sender = nullptr;
  double PerRow = 0;  // 100 / (rows + 0.5)

  // Sets the per-row share for an operation over `rows` rows.
  void Start(int32_t rows) { PerRow = 100.0 / (rows + 0.5); }
  // Reports Trunc(finishedRows x PerRow) when an event is assigned.
  void RowsDone(int32_t finishedRows) const {
    if (OnProgress) OnProgress(Sender, static_cast<int32_t>(std::trunc(finishedRows * PerRow)));
  }
};

// The operations' row progress without a record: after r of R rows, Trunc(r x 100 / (R + 0.5)).
inline void ReportRowProgress(const TIEProgressEvent& progress, vcl::TObject* sender, int64_t finishedRows,
                              int64_t rows) {
  if (progress) progress(sender, static_cast<int32_t>(std::trunc(finishedRows * 100.0 / (rows + 0.5))));
}

}  // namespace imaging
