// The steps every format method of the I/O object takes around a codec call: the alpha mask a
// reader hands back, and the exceptions a codec may raise.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/params/codec_progress.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

// The read-ahead of the buffered stream put in front of a reader.
inline constexpr int32_t kReaderReadAhead = 8192;

// The mask a reader may create through its `TIEMask*&` argument; freed with this object unless
// it was moved into a bitmap.
class TReaderMask {
 public:
  TReaderMask() = default;
  ~TReaderMask() { delete mask_; }
  TReaderMask(const TReaderMask&) = delete;
  TReaderMask& operator=(const TReaderMask&) = delete;

  TIEMask*& Slot() { return mask_; }
  // A mask with pixels becomes the bitmap's alpha channel.
  void MoveInto(TIEBitmap* bitmap) {
    if (mask_ && mask_->Width() > 0) bitmap->GetAlphaChannel()->CopyFromMask(mask_);
    delete mask_;
    mask_ = nullptr;
  }

 private:
  TIEMask* mask_ = nullptr;
};

// Runs a codec call. What the codec raises for the data (an invalid graphic, a refused image,
// an allocation it could not make) fails the call like the aborting flag does; errors of the
// streams themselves (a file that cannot be read or written) pass out to the caller.
template <class Call>
void CallCodec(TCodecProgress& progress, Call call) {
  try {
    call();
  } catch (const vcl::EStreamError&) {
    throw;
  } catch (const vcl::Exception&) {
    progress.Abort();
  }
}

}  // namespace imaging
