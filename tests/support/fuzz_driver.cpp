#include "tests/support/fuzz_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "tests/support/file_helpers.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/win.h"

namespace fuzz {

namespace {

// Longer than any reader should take over one small input, even under a slow machine.
constexpr DWORD kHangMilliseconds = 20000;

// The input being fed, for the crash handler; nil between inputs.
const Bytes* currentInput = nullptr;
// Inputs fed by this process, over all samples: names the slow ones kept.
size_t inputsFedInProcess = 0;

// Writes the input where it can be replayed: MERGEON_FUZZ_HANG_FILE for a hang, else a file
// under /tmp named for what happened.
void SaveInput(const Bytes& input, const char* what) {
  const char* path = std::string(what) == "hang" ? std::getenv("MERGEON_FUZZ_HANG_FILE") : nullptr;
  const char* folder = std::getenv("MERGEON_FUZZ_SAVE_FOLDER");
  const std::string name =
      path ? path : std::string(folder && *folder ? folder : "/tmp") + "/mergeon-fuzz-" + what + ".bin";
  if (FILE* f = std::fopen(name.c_str(), "wb")) {
    std::fwrite(input.data(), 1, input.size(), f);
    std::fclose(f);
  }
  std::fprintf(stderr, "fuzz input (%s) written to %s\n", what, name.c_str());
  std::fflush(stderr);
}

// A fault in a reader ends the process at once, after keeping the input that caused it (left
// to the platform, an unhandled fault can wait for a debugger instead of ending).
LONG WINAPI SaveInputOnFault(EXCEPTION_POINTERS* pointers) {
  const DWORD code = pointers->ExceptionRecord->ExceptionCode;
  const bool fault = code == EXCEPTION_ACCESS_VIOLATION || code == EXCEPTION_INT_DIVIDE_BY_ZERO ||
                     code == EXCEPTION_ILLEGAL_INSTRUCTION || code == EXCEPTION_STACK_OVERFLOW ||
                     code == EXCEPTION_ARRAY_BOUNDS_EXCEEDED;
  if (!fault || !currentInput) return EXCEPTION_CONTINUE_SEARCH;
  std::fprintf(stderr, "reader fault %08x at %p\n", unsigned(code), pointers->ExceptionRecord->ExceptionAddress);
  SaveInput(*currentInput, "crash");
  ExitProcess(4);
}

// MERGEON_FUZZ_SLOW_MS: inputs that take at least this long are written out (0: none are).
DWORD SlowMilliseconds() {
  const char* text = std::getenv("MERGEON_FUZZ_SLOW_MS");
  return text ? DWORD(std::max(0, std::atoi(text))) : 0;
}

}  // namespace

bool DeepRun() {
  const char* deep = std::getenv("MERGEON_FUZZ_DEEP");
  return deep && *deep && std::string(deep) != "0";
}

int Iterations() {
  const char* text = std::getenv("MERGEON_FUZZ_ITERATIONS");
  const int asked = text ? std::atoi(text) : 40;
  return DeepRun() ? std::max(asked, kDeepIterations) : asked;
}

std::optional<TFuzzShard> Shard() {
  const char* text = std::getenv("MERGEON_FUZZ_SHARD");
  if (!text || !*text) return TFuzzShard{};
  unsigned index = 0, count = 0;
  char rest = 0;
  if (std::sscanf(text, "%u/%u%c", &index, &count, &rest) != 2 || count == 0 || index >= count) return std::nullopt;
  return TFuzzShard{index, count};
}

struct Watchdog::Thread {
  static DWORD WINAPI Run(void* self) {
    auto* dog = static_cast<Watchdog*>(self);
    while (WaitForSingleObject(dog->stop_, 200) == WAIT_TIMEOUT) {
      if (dog->busy_ && GetTickCount() - dog->started_ > kHangMilliseconds) {
        std::fprintf(stderr, "reader ran too long\n");
        SaveInput(dog->current_, "hang");
        // Not ExitProcess: called from this thread while the reader's thread still runs, it
        // can end the process with status 0, and the run would pass as clean.
        TerminateProcess(GetCurrentProcess(), 3);
      }
    }
    return 0;
  }
};

Watchdog::Watchdog() {
  stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, &Thread::Run, this, 0, nullptr);
}

Watchdog::~Watchdog() {
  SetEvent(stop_);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  CloseHandle(stop_);
}

void Watchdog::Start(const Bytes& input) {
  current_ = input;
  started_ = GetTickCount();
  busy_ = 1;
}

void Watchdog::Done() { busy_ = 0; }

Bytes Mutate(const Bytes& valid, std::mt19937& random) {
  Bytes b = valid;
  const int changes = 1 + static_cast<int>(random() % 5);
  for (int i = 0; i < changes && !b.empty(); ++i) {
    const size_t at = random() % b.size();
    switch (random() % 7) {
      case 0: b[at] ^= uint8_t(1u << (random() % 8)); break;
      case 1: {
        static const uint8_t kNasty[] = {0x00, 0xFF, 0x7F, 0x80, 0x01, 0xFE};
        b[at] = kNasty[random() % sizeof kNasty];
        break;
      }
      case 2: b[at] = uint8_t(random()); break;
      case 3: {
        static const uint32_t kLarge[] = {0x7FFFFFFF, 0xFFFFFFFF, 0x80000000, 0x00010000, 0x40000000, 0xFFFF};
        const uint32_t v = kLarge[random() % 6];
        const size_t where = at & ~size_t(1);
        for (size_t k = 0; k < 4 && where + k < b.size(); ++k)
          b[where + k] = (random() & 1) ? uint8_t(v >> (8 * k)) : uint8_t(v >> (8 * (3 - k)));
        break;
      }
      case 4: b.resize(at); break;
      case 5: {
        const size_t len = 1 + random() % std::min<size_t>(64, b.size() - at);
        Bytes range(b.begin() + at, b.begin() + at + len);
        b.insert(b.begin() + at, range.begin(), range.end());
        break;
      }
      default: {
        const size_t len = 1 + random() % std::min<size_t>(64, b.size() - at);
        b.erase(b.begin() + at, b.begin() + at + len);
        break;
      }
    }
  }
  return b;
}

void Fuzz(const char* what, const Bytes& valid, unsigned seed,
          const std::function<void(uint8_t* data, int32_t size)>& reader) {
  ASSERT_FALSE(valid.empty()) << what;
  const std::optional<TFuzzShard> shard = Shard();
  ASSERT_TRUE(shard) << "MERGEON_FUZZ_SHARD is \"" << std::getenv("MERGEON_FUZZ_SHARD")
                     << "\"; it must be K/N with 0 <= K < N";
  Watchdog dog;  // stopped before the test ends: no thread outlives it
  void* faultHandler = AddVectoredExceptionHandler(1, &SaveInputOnFault);
  std::mt19937 random(seed);
  const DWORD slowMilliseconds = SlowMilliseconds();
  auto feed = [&](const Bytes& input) {
    test_files::GuardedBuffer buffer(input);
    dog.Start(input);
    const DWORD started = GetTickCount();
    currentInput = &input;
    try {
      reader(buffer.data(), buffer.size());
    } catch (const vcl::Exception&) {
      // the reader's own error: fine
    } catch (const std::exception& e) {
      SaveInput(input, "exception");
      ADD_FAILURE() << what << ": " << e.what();
    }
    currentInput = nullptr;
    dog.Done();
    // Slow inputs are kept to be looked at: well short of a hang, they still make a deep run
    // take hours.
    const DWORD took = GetTickCount() - started;
    if (slowMilliseconds && took >= slowMilliseconds) {
      std::fprintf(stderr, "fuzz %s: input %zu took %u ms\n", what, inputsFedInProcess, unsigned(took));
      SaveInput(input, ("slow-" + std::to_string(inputsFedInProcess)).c_str());
    }
    ++inputsFedInProcess;
  };
  // Replays one saved input (a hang written by the watchdog, say) instead of the random run.
  if (const char* replay = std::getenv("MERGEON_FUZZ_REPLAY")) {
    feed(test_files::ReadFileBytes(replay));
  } else {
    // A deep run tries every truncation; the short run a few hundred of a long sample.
    const size_t step = valid.size() > 2000 && !DeepRun() ? valid.size() / 500 : 1;
    size_t input = 0, fed = 0;
    for (size_t n = 0; n < valid.size(); n += step, ++input) {
      if (!shard->Feeds(input)) continue;
      feed(Bytes(valid.begin(), valid.begin() + n));
      ++fed;
    }
    // Every shard draws every damaged copy, so that the K-th copy is the same one whichever
    // process feeds it and a shared run feeds what a single run would.
    for (int i = 0, count = Iterations(); i < count; ++i, ++input) {
      Bytes copy = Mutate(valid, random);
      if (!shard->Feeds(input)) continue;
      feed(copy);
      ++fed;
    }
    if (DeepRun())
      std::fprintf(stderr, "fuzz %s: %zu of %zu inputs (shard %u/%u) of a %zu-byte sample, clean\n", what, fed, input,
                   shard->index, shard->count, valid.size());
  }
  RemoveVectoredExceptionHandler(faultHandler);
}

}  // namespace fuzz
