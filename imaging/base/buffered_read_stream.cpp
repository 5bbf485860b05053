#include "imaging/base/buffered_read_stream.h"

#include <algorithm>
#include <cstring>

#include "imaging/base/number_helpers.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

TIEBufferedReadStream::TIEBufferedReadStream(vcl::TStream* source, bool relative, int32_t bufferSize)
    : source_(source) {
  int64_t start = source_->Position();
  origin_ = relative ? start : 0;
  sourceSize_ = source_->Size();
  current_ = start;
  SetBufferSize(bufferSize);
}

TIEBufferedReadStream::~TIEBufferedReadStream() = default;

void TIEBufferedReadStream::SetBufferSize(int32_t size) {
  bufferSize_ = std::max<int32_t>(size, 1);
  buffer_ = std::make_unique<uint8_t[]>(bufferSize_);
  FillBuffer();
}

void TIEBufferedReadStream::FillBuffer() {
  source_->SetPosition(current_);
  int32_t got = source_->Read(buffer_.get(), bufferSize_);
  // Only what actually arrived is served, so a source that delivers less than its size
  // promised never exposes stale buffer bytes.
  filled_ = std::max<int32_t>(got, 0);
  bufferPos_ = 0;
}

int32_t TIEBufferedReadStream::Read(void* buffer, int32_t count) {
  endReached_ = false;
  if (sourceSize_ - current_ < count) {
    endReached_ = true;
    count = static_cast<int32_t>(std::max<int64_t>(sourceSize_ - current_, 0));
  }
  if (count == 1) {
    if (bufferPos_ >= filled_) {
      FillBuffer();
      if (filled_ == 0) {
        endReached_ = true;
        return 0;
      }
    }
    *static_cast<uint8_t*>(buffer) = buffer_[bufferPos_++];
    ++current_;
    return 1;
  }
  if (count < 2) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  int32_t total = 0;
  while (count > 0) {
    int32_t chunk = std::min(count, filled_ - bufferPos_);
    if (chunk > 0) {
      std::memcpy(out, buffer_.get() + bufferPos_, static_cast<size_t>(chunk));
      bufferPos_ += chunk;
      current_ += chunk;
      total += chunk;
      out += chunk;
      count -= chunk;
    }
    if (count == 0) break;
    FillBuffer();
    if (filled_ == 0) {
      endReached_ = true;
      break;
    }
  }
  return total;
}

int32_t TIEBufferedReadStream::Write(const void*, int32_t) {
  throw vcl::EWriteError("TIEBufferedReadStream cannot write!");
}

int64_t TIEBufferedReadStream::Seek(int64_t offset, vcl::TSeekOrigin origin) {
  endReached_ = false;
  int64_t target;
  switch (origin) {
    case vcl::soBeginning: target = AddSaturated(origin_, offset); break;
    case vcl::soCurrent: target = AddSaturated(current_, offset); break;
    // The platform's convention, which the size query and readers of trailers rely on: the
    // offset is added to the size, so Seek(-26, soEnd) lands 26 bytes before the end.
    case vcl::soEnd: target = AddSaturated(sourceSize_, offset); break;
    default: target = current_; break;
  }
  // A relative stream shows nothing before the point where it was wrapped.
  if (target < origin_) target = origin_;
  if (target >= sourceSize_) {
    target = std::max(sourceSize_, origin_);
    endReached_ = true;
  }
  int64_t inWindow = bufferPos_ + (target - current_);
  if (inWindow >= 0 && inWindow < filled_) {
    bufferPos_ = static_cast<int32_t>(inWindow);
    current_ = target;
  } else {
    current_ = target;
    FillBuffer();
  }
  return target - origin_;
}

}  // namespace imaging
