// Random damage fed to readers of files and records: every input must end in a result or in the
// reader's own error, never in a crash, a hang or a read past its end. Each input ends at an
// inaccessible page. MERGEON_FUZZ_ITERATIONS sets how many damaged copies of each sample are
// tried (a few by default, many when hunting locally), MERGEON_FUZZ_DEEP makes it a deep run, and
// MERGEON_FUZZ_SHARD=K/N feeds only the K-th of every N inputs (0 <= K < N), so that N processes
// share one long run. An input that runs too long is written to MERGEON_FUZZ_HANG_FILE (or
// mergeon-fuzz-hang.bin) before the process stops, one that faults to mergeon-fuzz-crash.bin and
// one that raises a foreign exception to mergeon-fuzz-exception.bin, those in
// MERGEON_FUZZ_SAVE_FOLDER (or /tmp); MERGEON_FUZZ_REPLAY names a file to feed instead.
// MERGEON_FUZZ_SLOW_MS=N also writes every input that takes N ms or more (mergeon-fuzz-slow-K.bin,
// K counting the inputs the process fed), to find what makes a run long.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <vector>

#include "vcl/runtime/streams.h"

namespace fuzz {

using Bytes = std::vector<uint8_t>;

// A read-only stream over a guarded buffer.
class TGuardedStream : public vcl::TCustomMemoryStream {
 public:
  TGuardedStream(uint8_t* data, int32_t size) { SetPointer(data, size); }
  int32_t Write(const void*, int32_t) override { return 0; }
};

// Damaged copies tried per sample in a deep run (MERGEON_FUZZ_DEEP set): the least every reader
// must survive.
constexpr int kDeepIterations = 20000;

// Whether this is a deep run: MERGEON_FUZZ_DEEP set (tools/fuzz-deep sets it), every
// truncation of each sample and at least kDeepIterations damaged copies.
bool DeepRun();

// Damaged copies tried per sample: MERGEON_FUZZ_ITERATIONS, else a small default; in a deep run
// at least kDeepIterations.
int Iterations();

// This process's part of a run shared by several: it feeds the inputs whose number, counted
// from 0 over each sample's truncations and then its damaged copies, leaves `index` when divided
// by `count`.
struct TFuzzShard {
  unsigned index = 0;
  unsigned count = 1;
  bool Feeds(size_t input) const { return input % count == index; }
};
// MERGEON_FUZZ_SHARD ("K/N"), else the whole run; none when the value is malformed, which fails
// the fuzz test rather than quietly running everything or nothing.
std::optional<TFuzzShard> Shard();

// Stops the process when one input takes far longer than any reader should, after writing
// that input where it can be replayed.
class Watchdog {
 public:
  Watchdog();
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;
  void Start(const Bytes& input);
  void Done();

 private:
  struct Thread;  // the watching thread's procedure
  void* thread_ = nullptr;
  void* stop_ = nullptr;  // an event: set, the thread ends at once
  volatile int32_t busy_ = 0;
  volatile uint32_t started_ = 0;  // tick count
  Bytes current_;
};

// One damaged copy: bit flips, telling byte values, large 32-bit numbers, cuts, and ranges
// repeated or taken out.
Bytes Mutate(const Bytes& valid, std::mt19937& random);

// Runs the reader over the valid sample's truncations (every one for short samples) and over
// damaged copies. It may raise vcl::Exception (the reader's own error); any other exception
// fails the test.
void Fuzz(const char* what, const Bytes& valid, unsigned seed,
          const std::function<void(uint8_t* data, int32_t size)>& reader);

}  // namespace fuzz
