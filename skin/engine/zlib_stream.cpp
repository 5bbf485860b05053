#include "skin/engine/zlib_stream.h"

#include <zlib.h>

#include <cstring>

namespace skin::zlibex {

namespace {

constexpr int32_t InputBufferSize = 65536;
constexpr int32_t SkipBufferSize = 8192;
const char* const InvalidOperation = "Invalid ZStream operation!";

}  // namespace

struct TCustomZStream::State {
  z_stream zs{};
  std::vector<uint8_t> input = std::vector<uint8_t>(InputBufferSize);
  int lastResult = Z_OK;
  bool initialised = false;
};

int ZDecompressCheck(int code) {
  if (code < 0) {
    const char* text = zError(code);
    throw EZDecompressionError(code, text ? text : "zlib error");
  }
  return code;
}

TCustomZStream::TCustomZStream(vcl::TStream* source)
    : source_(source), sourcePosition_(source->Position()), state_(std::make_unique<State>()) {}

TCustomZStream::~TCustomZStream() = default;

TZDecompressionStream::TZDecompressionStream(vcl::TStream* source) : TCustomZStream(source) {
  state_->zs.next_in = state_->input.data();
  state_->zs.avail_in = 0;
  ZDecompressCheck(inflateInit(&state_->zs));
  state_->initialised = true;
}

TZDecompressionStream::~TZDecompressionStream() {
  if (state_->initialised) inflateEnd(&state_->zs);
}

bool TZDecompressionStream::Finished() const { return state_->lastResult == Z_STREAM_END; }

int32_t TZDecompressionStream::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  z_stream& zs = state_->zs;
  zs.next_out = static_cast<Bytef*>(buffer);
  zs.avail_out = uInt(count);
  if (source_->Position() != sourcePosition_) source_->SetPosition(sourcePosition_);
  while (zs.avail_out > 0 && state_->lastResult != Z_STREAM_END) {
    if (zs.avail_in == 0) {
      int32_t got = source_->Read(state_->input.data(), InputBufferSize);
      if (got <= 0) break;
      zs.next_in = state_->input.data();
      zs.avail_in = uInt(got);
      sourcePosition_ = source_->Position();
      if (OnProgress) OnProgress(this);
    }
    // A call that can make no progress answers Z_BUF_ERROR, which raises: the loop cannot spin.
    state_->lastResult = ZDecompressCheck(inflate(&zs, Z_NO_FLUSH));
  }
  if (state_->lastResult == Z_STREAM_END && zs.avail_in > 0) {
    sourcePosition_ = source_->Position() - int64_t(zs.avail_in);
    source_->SetPosition(sourcePosition_);
    zs.avail_in = 0;
  }
  return count - int32_t(zs.avail_out);
}

int32_t TZDecompressionStream::Write(const void*, int32_t) { throw EZDecompressionError(Z_STREAM_ERROR, InvalidOperation); }

void TZDecompressionStream::Skip(int64_t count) {
  std::vector<uint8_t> scratch(SkipBufferSize);
  while (count > 0) {
    int32_t piece = int32_t(std::min<int64_t>(count, SkipBufferSize));
    ReadBuffer(scratch.data(), piece);
    count -= piece;
  }
}

int64_t TZDecompressionStream::Seek(int64_t offset, vcl::TSeekOrigin origin) {
  z_stream& zs = state_->zs;
  int64_t produced = int64_t(zs.total_out);
  if (origin == vcl::soBeginning && offset == 0) {
    ZDecompressCheck(inflateReset(&zs));
    zs.next_in = state_->input.data();
    zs.avail_in = 0;
    state_->lastResult = Z_OK;
    source_->SetPosition(0);
    sourcePosition_ = 0;
  } else if (origin == vcl::soCurrent && offset >= 0) {
    Skip(offset);
  } else if (origin == vcl::soBeginning && offset > produced) {
    Skip(offset - produced);
  } else if (origin == vcl::soEnd && offset == 0) {
    std::vector<uint8_t> scratch(SkipBufferSize);
    while (Read(scratch.data(), SkipBufferSize) > 0) {
    }
  } else if (!(origin == vcl::soCurrent && offset == 0) && !(origin == vcl::soBeginning && offset == produced)) {
    throw EZDecompressionError(Z_STREAM_ERROR, InvalidOperation);
  }
  return int64_t(zs.total_out);
}

}  // namespace skin::zlibex
