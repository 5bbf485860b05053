#include "imaging/coding/zlib_streams.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace imaging {

namespace {

constexpr int32_t kBufferSize = 65536;
constexpr int32_t kDiscardPiece = 8192;
const char* const kInvalidOperation = "Invalid ZStream operation!";

// zlib's return codes as the library's messages; only negative codes are failures.
const char* ZErrorText(int code) {
  switch (code) {
    case Z_NEED_DICT: return "need dictionary";
    case Z_STREAM_END: return "stream end";
    case Z_ERRNO: return "file error";
    case Z_STREAM_ERROR: return "stream error";
    case Z_DATA_ERROR: return "data error";
    case Z_MEM_ERROR: return "insufficient memory";
    case Z_BUF_ERROR: return "buffer error";
    case Z_VERSION_ERROR: return "incompatible version";
    default: return "";
  }
}

template <class E>
int ZCheck(int code) {
  if (code < 0) throw E(ZErrorText(code));
  return code;
}

// Inflate never finishes on data that asks for a preset dictionary (nobody supplies one), so
// that answer is a failure too, not a code to loop on.
int InflateChecked(z_stream& z, int flush) {
  int code = ZCheck<EZDecompressionError>(inflate(&z, flush));
  if (code == Z_NEED_DICT) throw EZDecompressionError(ZErrorText(Z_NEED_DICT));
  return code;
}

}  // namespace

struct TCustomZStream::TState {
  z_stream z{};
  uint8_t buffer[kBufferSize];
  bool ended = false;          // inflate reported the end of the zlib data
  int64_t sourceStart = 0;     // where the compressed data began in the source
};

TCustomZStream::TCustomZStream(vcl::TStream* stream)
    : stream_(stream), streamPosition_(stream->Position()), state_(std::make_unique<TState>()) {}

TCustomZStream::~TCustomZStream() = default;

void TCustomZStream::Progress(vcl::TObject* sender) {
  if (OnProgress) OnProgress(sender);
}

void TCustomZStream::RestorePosition() {
  if (stream_->Position() != streamPosition_) stream_->SetPosition(streamPosition_);
}

// ---------------------------------------------------------------------------------------------

TZCompressionStream::TZCompressionStream(vcl::TStream* destination, int32_t levelIndex)
    : TCustomZStream(destination) {
  static const int kLevels[4] = {Z_NO_COMPRESSION, Z_BEST_SPEED, Z_DEFAULT_COMPRESSION,
                                 Z_BEST_COMPRESSION};
  if (levelIndex < 0 || levelIndex > 3) throw EZCompressionError(ZErrorText(Z_STREAM_ERROR));
  z_stream& z = state_->z;
  z.next_out = state_->buffer;
  z.avail_out = kBufferSize;
  ZCheck<EZCompressionError>(deflateInit(&z, kLevels[levelIndex]));
}

TZCompressionStream::~TZCompressionStream() {
  // A destructor cannot report; callers that must know call Finish first.
  try {
    Finish();
  } catch (...) {
  }
}

void TZCompressionStream::Finish() {
  if (finished_) return;
  finished_ = true;
  z_stream& z = state_->z;
  z.next_in = nullptr;
  z.avail_in = 0;
  try {
    RestorePosition();
    while (ZCheck<EZCompressionError>(deflate(&z, Z_FINISH)) != Z_STREAM_END) {
      stream_->WriteBuffer(state_->buffer, kBufferSize - static_cast<int32_t>(z.avail_out));
      z.next_out = state_->buffer;
      z.avail_out = kBufferSize;
    }
    if (z.avail_out < static_cast<uInt>(kBufferSize))
      stream_->WriteBuffer(state_->buffer, kBufferSize - static_cast<int32_t>(z.avail_out));
    streamPosition_ = stream_->Position();
  } catch (...) {
    deflateEnd(&z);
    throw;
  }
  deflateEnd(&z);
}

int32_t TZCompressionStream::Read(void*, int32_t) { throw EZCompressionError(kInvalidOperation); }

int32_t TZCompressionStream::Write(const void* buffer, int32_t count) {
  if (finished_) throw EZCompressionError(kInvalidOperation);
  if (count <= 0) return 0;
  z_stream& z = state_->z;
  z.next_in = static_cast<Bytef*>(const_cast<void*>(buffer));
  z.avail_in = static_cast<uInt>(count);
  RestorePosition();
  while (z.avail_in > 0) {
    ZCheck<EZCompressionError>(deflate(&z, Z_NO_FLUSH));
    if (z.avail_out == 0) {
      stream_->WriteBuffer(state_->buffer, kBufferSize);
      z.next_out = state_->buffer;
      z.avail_out = kBufferSize;
      streamPosition_ = stream_->Position();
      Progress(this);
    }
  }
  return count;
}

int64_t TZCompressionStream::Seek(int64_t, vcl::TSeekOrigin) {
  return static_cast<int64_t>(state_->z.total_in);
}

// ---------------------------------------------------------------------------------------------

TZDecompressionStream::TZDecompressionStream(vcl::TStream* source) : TCustomZStream(source) {
  z_stream& z = state_->z;
  z.next_in = state_->buffer;
  z.avail_in = 0;
  state_->sourceStart = streamPosition_;
  ZCheck<EZDecompressionError>(inflateInit(&z));
}

TZDecompressionStream::~TZDecompressionStream() { inflateEnd(&state_->z); }

int32_t TZDecompressionStream::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  TState& s = *state_;
  z_stream& z = s.z;
  z.next_out = static_cast<Bytef*>(buffer);
  z.avail_out = static_cast<uInt>(count);
  RestorePosition();
  while (z.avail_out > 0 && !s.ended) {
    if (z.avail_in == 0) {
      int32_t got = stream_->Read(s.buffer, kBufferSize);
      if (got <= 0) break;
      z.next_in = s.buffer;
      z.avail_in = static_cast<uInt>(got);
      streamPosition_ = stream_->Position();
      Progress(this);
    }
    if (InflateChecked(z, Z_NO_FLUSH) == Z_STREAM_END) s.ended = true;
  }
  // Give back what was read past the compressed data, so a container can read on from there.
  if (s.ended && z.avail_in > 0) {
    stream_->Seek(-static_cast<int64_t>(z.avail_in), vcl::soCurrent);
    streamPosition_ = stream_->Position();
    z.avail_in = 0;
  }
  return count - static_cast<int32_t>(z.avail_out);
}

int32_t TZDecompressionStream::Write(const void*, int32_t) {
  throw EZDecompressionError(kInvalidOperation);
}

int64_t TZDecompressionStream::Seek(int64_t offset, vcl::TSeekOrigin origin) {
  TState& s = *state_;
  z_stream& z = s.z;
  const int64_t done = static_cast<int64_t>(z.total_out);
  int64_t discard = -1;  // bytes to read and drop; -1: up to the end
  if (origin == vcl::soBeginning && offset == 0) {
    // Restart where the compressed data began (for data at the start of its stream that is 0).
    ZCheck<EZDecompressionError>(inflateReset(&z));
    z.next_in = s.buffer;
    z.avail_in = 0;
    s.ended = false;
    stream_->SetPosition(s.sourceStart);
    streamPosition_ = s.sourceStart;
    return 0;
  } else if (origin == vcl::soCurrent && offset >= 0) {
    discard = offset;
  } else if (origin == vcl::soBeginning && offset >= done) {
    discard = offset - done;
  } else if (origin == vcl::soEnd && offset == 0) {
    discard = -1;
  } else {
    throw EZDecompressionError(kInvalidOperation);
  }
  uint8_t piece[kDiscardPiece];
  while (discard != 0) {
    int32_t want = discard < 0 ? kDiscardPiece : static_cast<int32_t>(std::min<int64_t>(discard, kDiscardPiece));
    int32_t got = Read(piece, want);
    if (got <= 0) break;
    if (discard > 0) discard -= got;
  }
  return static_cast<int64_t>(z.total_out);
}

// ---------------------------------------------------------------------------------------------

void InflateBuffer(const uint8_t* data, int32_t dataSize, std::vector<uint8_t>& output,
                   int32_t outputSizeHint, int64_t maxOutput) {
  output.clear();
  if (dataSize < 0 || (dataSize > 0 && !data)) throw EZDecompressionError(ZErrorText(Z_BUF_ERROR));
  if (maxOutput <= 0) return;
  const int64_t step = std::max<int64_t>(256, (static_cast<int64_t>(dataSize) + 255) / 256 * 256);
  int64_t size = std::min<int64_t>(outputSizeHint > 0 ? outputSizeHint : step, maxOutput);
  z_stream z{};
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(dataSize);
  ZCheck<EZDecompressionError>(inflateInit(&z));
  try {
    output.resize(static_cast<size_t>(size));
    int64_t produced = 0;
    for (;;) {
      z.next_out = output.data() + produced;
      z.avail_out = static_cast<uInt>(std::min<int64_t>(size - produced, UINT_MAX));
      uInt before = z.avail_out;
      int code = InflateChecked(z, Z_NO_FLUSH);
      produced += before - z.avail_out;
      if (code == Z_STREAM_END || produced >= maxOutput) break;
      if (produced == size) {
        size = std::min(size + step, maxOutput);
        output.resize(static_cast<size_t>(size));
      }
    }
    inflateEnd(&z);
    output.resize(static_cast<size_t>(produced));
  } catch (...) {
    inflateEnd(&z);
    output.clear();
    throw;
  }
}

}  // namespace imaging
