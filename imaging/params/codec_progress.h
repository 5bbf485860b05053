// The record the I/O object hands to every codec call: where to report progress and the flag
// through which a codec reports a bad or unsupported file. A codec raises nothing for bad
// input; it sets the aborting flag and returns.
#pragma once

#include <atomic>
#include <cstdint>

namespace vcl {
class TObject;
}

namespace imaging {

// The progress method: (its object, sender, per cent).
using TIEProgressCode = void (*)(void* data, vcl::TObject* sender, int32_t percent);

struct TCodecProgress {
  TIEProgressCode OnProgressCode = nullptr;  // nil: no reports
  void* OnProgressData = nullptr;            // the method's object
  vcl::TObject* Sender = nullptr;
  int32_t Val = 0;    // running count kept by the codec
  double Per1 = 0.0;  // per cent = Trunc(Val x Per1)
  double Per2 = 0.0;  // second scale of multi-strip and multi-frame codecs
  // Atomic because a codec on a worker thread reads and sets it while another thread may cancel.
  std::atomic<bool>* Aborting = nullptr;

  // Reports Trunc(Val x Per1) when a progress method is set.
  void Report() const {
    if (OnProgressCode) OnProgressCode(OnProgressData, Sender, static_cast<int32_t>(Val * Per1));
  }
  void Report(int32_t percent) const {
    if (OnProgressCode) OnProgressCode(OnProgressData, Sender, percent);
  }
  bool IsAborting() const { return Aborting && Aborting->load(); }
  // Marks the operation failed. A record without a flag cannot report, so the caller that
  // builds one must give it a flag when it wants to know.
  void Abort() const {
    if (Aborting) Aborting->store(true);
  }
};

}  // namespace imaging
