#include "formats/decoders/lz77_decoder.h"

#include <zlib.h>

namespace formats {

namespace {

constexpr const char* kLZ77Error = "LZ77 decompression error.";

}  // namespace

struct TLZ77Decoder::TState {
  z_stream stream{};
  bool initialised = false;
};

TLZ77Decoder::TLZ77Decoder(int32_t flushMode, bool autoReset)
    : state_(std::make_unique<TState>()), flushMode_(flushMode), autoReset_(autoReset) {}

TLZ77Decoder::~TLZ77Decoder() {
  if (state_->initialised) inflateEnd(&state_->stream);
}

void TLZ77Decoder::DecodeInit() {
  if (state_->initialised) inflateEnd(&state_->stream);
  state_->stream = z_stream{};
  state_->initialised = false;
  if (inflateInit(&state_->stream) < 0) throw EGraphicCompression(kLZ77Error);
  state_->initialised = true;
  inflateResult_ = Z_OK;
}

void TLZ77Decoder::DecodeEnd() {
  if (!state_->initialised) return;
  state_->initialised = false;
  if (inflateEnd(&state_->stream) < 0) throw EGraphicCompression(kLZ77Error);
}

int32_t TLZ77Decoder::InputLeft() const { return static_cast<int32_t>(state_->stream.avail_in); }
int32_t TLZ77Decoder::OutputLeft() const { return static_cast<int32_t>(state_->stream.avail_out); }

void TLZ77Decoder::Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) {
  if (!state_->initialised) DecodeInit();
  z_stream& z = state_->stream;
  z.next_in = const_cast<Bytef*>(source);
  z.avail_in = static_cast<uInt>(packedSize > 0 ? packedSize : 0);
  if (autoReset_) inflateResult_ = inflateReset(&z);
  // A stream that has ended takes nothing more (an earlier failure has raised already).
  if (inflateResult_ != Z_OK && inflateResult_ != Z_BUF_ERROR) return;
  z.next_out = target;
  z.avail_out = static_cast<uInt>(unpackedSize > 0 ? unpackedSize : 0);
  inflateResult_ = inflate(&z, flushMode_);
  source = z.next_in;
  target = z.next_out;
  const bool failed = inflateResult_ == Z_NEED_DICT || (inflateResult_ < 0 && inflateResult_ != Z_BUF_ERROR);
  // A whole stream (auto reset) or a finishing call must fill the target.
  const bool cutShort = (autoReset_ || flushMode_ == Z_FINISH) && z.avail_out > 0;
  if (failed || cutShort) throw EGraphicCompression(kLZ77Error);
}

}  // namespace formats
