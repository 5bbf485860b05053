#include "skin/engine/png/lz77_decoder.h"

#include <zlib.h>

namespace skin::png {

struct TLZ77Decoder::TState {
  z_stream stream{};
};

namespace {
[[noreturn]] void CompressionError() { throw EGraphicCompression("LZ77 decompression error."); }
}  // namespace

TLZ77Decoder::TLZ77Decoder(int32_t flushMode, bool autoReset)
    : state_(std::make_unique<TState>()), flushMode_(flushMode), autoReset_(autoReset) {}

TLZ77Decoder::~TLZ77Decoder() {
  if (initialised_) inflateEnd(&state_->stream);
}

void TLZ77Decoder::DecodeInit() {
  if (initialised_) return;
  if (inflateInit(&state_->stream) < 0) CompressionError();
  initialised_ = true;
  status_ = Z_OK;
}

void TLZ77Decoder::DecodeEnd() {
  if (!initialised_) return;
  initialised_ = false;
  if (inflateEnd(&state_->stream) < 0) CompressionError();
}

void TLZ77Decoder::Decode(const uint8_t*& source, uint8_t*& dest, uint32_t packedSize, uint32_t unpackedSize) {
  z_stream& z = state_->stream;
  z.next_in = const_cast<Bytef*>(source);
  z.avail_in = packedSize;
  if (autoReset_) status_ = inflateReset(&z);
  if (status_ != Z_OK || !initialised_) return;
  z.next_out = dest;
  z.avail_out = unpackedSize;
  status_ = inflate(&z, flushMode_);
  source = z.next_in;
  dest = z.next_out;
}

uint32_t TLZ77Decoder::AvailableInput() const { return state_->stream.avail_in; }
uint32_t TLZ77Decoder::AvailableOutput() const { return state_->stream.avail_out; }

}  // namespace skin::png
