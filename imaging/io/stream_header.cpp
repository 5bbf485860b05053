#include "imaging/io/stream_header.h"

#include <cstring>

#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace imaging {

TStreamHeader ReadStreamHeader(vcl::TStream* stream, const char* tag, int64_t& dataSize) {
  const int64_t start = stream->Position();
  uint8_t header[kStreamHeaderSize] = {};
  if (stream->Read(header, kStreamHeaderSize) == kStreamHeaderSize && std::memcmp(header, tag, 4) == 0 &&
      header[4] == 0) {
    const int64_t size = vcl::le::I32(header + 8);
    if (size >= 0 && size <= stream->Size() - start - kStreamHeaderSize) {
      dataSize = size;
      return TStreamHeader::Found;
    }
    stream->SetPosition(start);
    return TStreamHeader::Damaged;
  }
  stream->SetPosition(start);
  return TStreamHeader::None;
}

TStreamHeaderWriter::TStreamHeaderWriter(vcl::TStream* stream, const char* tag, bool active)
    : stream_(stream), tag_(tag), active_(active) {
  if (!active_) return;
  start_ = stream_->Position();
  const uint8_t zero[kStreamHeaderSize] = {};
  stream_->WriteBuffer(zero, kStreamHeaderSize);
}

void TStreamHeaderWriter::Finish(bool succeeded) {
  if (!active_ || !succeeded) return;
  const int64_t end = stream_->Position();
  const uint32_t size = static_cast<uint32_t>(end - start_ - kStreamHeaderSize);
  uint8_t header[kStreamHeaderSize] = {};
  std::memcpy(header, tag_, 4);
  for (int i = 0; i < 4; ++i) header[8 + i] = static_cast<uint8_t>(size >> (8 * i));
  stream_->SetPosition(start_);
  stream_->WriteBuffer(header, kStreamHeaderSize);
  stream_->SetPosition(end);
}

}  // namespace imaging
