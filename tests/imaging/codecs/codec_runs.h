// Running a codec over memory in the codec tests: a progress with its own aborting flag, a read
// from a guarded copy of the bytes (so that a read past their end faults at once), what such a
// read gave, and a write to a memory stream.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/params/codec_progress.h"
#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"
#include "vcl/runtime/streams.h"

namespace codec_runs {

using test_files::Bytes;

// A codec's progress with its own aborting flag, which the codec raises when it fails.
struct TAbortableProgress : imaging::TCodecProgress {
  std::atomic<bool> aborting{false};
  TAbortableProgress() { Aborting = &aborting; }
};

// Runs read(stream, progress) over a guarded copy of the bytes; true when it did not abort.
template <class Read>
bool ReadGuarded(const Bytes& bytes, Read read) {
  fuzz::Bytes copy = bytes;
  fuzz::TGuardedStream stream(copy.data(), int32_t(copy.size()));
  TAbortableProgress progress;
  read(&stream, progress);
  return !progress.aborting;
}

// What a read gave: whether it succeeded, the picture, and the mask of readers that give one.
struct ReadResult {
  bool ok = false;
  std::unique_ptr<imaging::TIEBitmap> bitmap = std::make_unique<imaging::TIEBitmap>();
  std::unique_ptr<imaging::TIEMask> mask;
};

// Runs write(stream, progress) into memory: the bytes written, none when it aborted.
template <class Write>
Bytes WriteToMemory(Write write) {
  vcl::TMemoryStream stream;
  TAbortableProgress progress;
  write(&stream, progress);
  return progress.aborting ? Bytes() : test_files::StreamBytes(&stream);
}

}  // namespace codec_runs
