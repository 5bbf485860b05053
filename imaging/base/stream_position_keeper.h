// Puts a stream back where it was found when the scope ends, also on an exception: content
// tests and metadata readers must leave the caller's position as it was.
#pragma once

#include <cstdint>

#include "vcl/runtime/streams.h"

namespace imaging {

class TStreamPositionKeeper {
 public:
  explicit TStreamPositionKeeper(vcl::TStream* stream) : stream_(stream), position_(stream->Position()) {}
  ~TStreamPositionKeeper() {
    try {
      stream_->SetPosition(position_);
    } catch (...) {
      // A stream that cannot seek back has nothing more to lose.
    }
  }
  TStreamPositionKeeper(const TStreamPositionKeeper&) = delete;
  TStreamPositionKeeper& operator=(const TStreamPositionKeeper&) = delete;
  int64_t Position() const { return position_; }

 private:
  vcl::TStream* stream_;
  int64_t position_;
};

}  // namespace imaging
