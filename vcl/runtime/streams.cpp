// TStream and the streams that live in memory. The streams over platform handles and resources
// are in streams_platform.cpp.
#include "vcl/runtime/streams.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "vcl/runtime/exceptions.h"

namespace vcl {

namespace {

// The largest piece moved by one Read/Write call when a 64-bit amount is transferred.
constexpr int64_t kChunk = 0x40000000;
// Growing memory is reserved in whole blocks of this size.
constexpr int64_t kMemoryDelta = 0x2000;

int64_t RoundUpToDelta(int64_t n) {
  if (n > std::numeric_limits<int64_t>::max() - kMemoryDelta) return n;
  return (n + (kMemoryDelta - 1)) & ~(kMemoryDelta - 1);
}

// base + offset, held within the int64 range instead of overflowing.
int64_t AddClamped(int64_t base, int64_t offset) {
  int64_t result;
  if (__builtin_add_overflow(base, offset, &result))
    return offset > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
  return result;
}

// Where a seek from `origin` lands, or `current` for an origin that is none of the three.
int64_t SeekTarget(int64_t offset, TSeekOrigin origin, int64_t current, int64_t size) {
  switch (origin) {
    case soBeginning: return offset;
    case soCurrent: return AddClamped(current, offset);
    case soEnd: return AddClamped(size, offset);
  }
  return current;
}

[[noreturn]] void RaiseSizeError(int64_t size) {
  throw EStreamError("Stream size out of bounds (" + std::to_string(size) + ")");
}

// Writes `count` bytes to `stream` in pieces that fit one WriteBuffer call.
void WriteAll(TStream* stream, const uint8_t* data, int64_t count) {
  while (count > 0) {
    int32_t n = static_cast<int32_t>(std::min(count, kChunk));
    stream->WriteBuffer(data, n);
    data += n;
    count -= n;
  }
}

// Reads exactly `count` bytes from `stream`, in pieces that fit one ReadBuffer call.
void ReadAll(TStream* stream, uint8_t* data, int64_t count) {
  while (count > 0) {
    int32_t n = static_cast<int32_t>(std::min(count, kChunk));
    stream->ReadBuffer(data, n);
    data += n;
    count -= n;
  }
}

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

}  // namespace

// --- TStream ---------------------------------------------------------------------------------

int64_t TStream::Size() {
  int64_t position = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream* source, int64_t count) {
  constexpr int64_t kBufferSize = 0xF000;
  if (count == 0) {
    source->SetPosition(0);
    count = source->Size();
  }
  // A negative count (or a source that cannot tell its size) has nothing sensible to copy.
  if (count < 0) throw EReadError("Stream read error");
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, kBufferSize)));
  for (int64_t left = count; left > 0;) {
    int32_t n = static_cast<int32_t>(std::min(left, kBufferSize));
    source->ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

// --- TCustomMemoryStream ---------------------------------------------------------------------

void TCustomMemoryStream::SetPointer(void* ptr, int64_t size) {
  memory_ = ptr;
  size_ = size;
}

int32_t TCustomMemoryStream::Read(void* buffer, int32_t count) {
  if (position_ < 0 || count <= 0 || position_ >= size_) return 0;
  int32_t n = static_cast<int32_t>(std::min<int64_t>(size_ - position_, count));
  std::memcpy(buffer, static_cast<const uint8_t*>(memory_) + position_, n);
  position_ += n;
  return n;
}

int64_t TCustomMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  position_ = SeekTarget(offset, origin, position_, size_);
  return position_;
}

void TCustomMemoryStream::SaveToStream(TStream* stream) {
  WriteAll(stream, static_cast<const uint8_t*>(memory_), size_);
}

void TCustomMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(&file);
}

// --- TMemoryStream ---------------------------------------------------------------------------

TMemoryStream::~TMemoryStream() { std::free(Memory()); }

void TMemoryStream::Reallocate(int64_t newCapacity) {
  if (newCapacity == capacity_) return;
  void* memory = nullptr;
  if (newCapacity > 0) {
    if (static_cast<uint64_t>(newCapacity) > std::numeric_limits<size_t>::max() ||
        !(memory = std::realloc(Memory(), static_cast<size_t>(newCapacity))))
      throw EStreamError("Out of memory while expanding memory stream");
  } else {
    std::free(Memory());
  }
  capacity_ = newCapacity;
  SetPointer(memory, std::min(DataSize(), newCapacity));
}

void TMemoryStream::SetCapacity(int64_t newCapacity) {
  Reallocate(std::max(newCapacity, DataSize()));
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (position_ < 0 || count <= 0) return 0;
  int64_t end = AddClamped(position_, count);
  int64_t oldSize = DataSize();
  if (end > oldSize) {
    if (end > capacity_) Reallocate(RoundUpToDelta(std::max(end, capacity_ + capacity_ / 4)));
    // Bytes skipped by a position past the end read as zeros.
    if (position_ > oldSize)
      std::memset(static_cast<uint8_t*>(Memory()) + oldSize, 0, position_ - oldSize);
    SetPointer(Memory(), end);
  }
  std::memcpy(static_cast<uint8_t*>(Memory()) + position_, buffer, count);
  position_ = end;
  return count;
}

void TMemoryStream::SetSize(int64_t newSize) {
  if (newSize < 0) RaiseSizeError(newSize);
  int64_t oldSize = DataSize();
  Reallocate(newSize == 0 ? 0 : RoundUpToDelta(newSize));
  if (newSize > oldSize) std::memset(static_cast<uint8_t*>(Memory()) + oldSize, 0, newSize - oldSize);
  SetPointer(Memory(), newSize);
  if (position_ > newSize) position_ = newSize;
}

void TMemoryStream::Clear() {
  Reallocate(0);
  SetPointer(nullptr, 0);
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream* stream) {
  stream->SetPosition(0);
  int64_t count = stream->Size();
  if (count < 0) throw EReadError("Stream read error");
  // Read into a new block first, so that a short source leaves this stream untouched.
  std::unique_ptr<void, FreeDeleter> block;
  if (count > 0) {
    if (static_cast<uint64_t>(count) <= std::numeric_limits<size_t>::max())
      block.reset(std::malloc(static_cast<size_t>(count)));
    if (!block) throw EStreamError("Out of memory while expanding memory stream");
    ReadAll(stream, static_cast<uint8_t*>(block.get()), count);
  }
  std::free(Memory());
  SetPointer(block.release(), count);
  capacity_ = count;
  if (position_ > count) position_ = count;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

// --- TStringStream ---------------------------------------------------------------------------

int32_t TStringStream::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  int32_t n = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(data_.size()) - position_, count));
  if (n <= 0) return 0;
  std::memcpy(buffer, data_.data() + position_, n);
  position_ += n;
  return n;
}

int32_t TStringStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  size_t end = static_cast<size_t>(position_) + static_cast<size_t>(count);
  if (end > data_.size()) data_.resize(end);
  std::memcpy(data_.data() + position_, buffer, count);
  position_ = static_cast<int64_t>(end);
  return count;
}

int64_t TStringStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t length = static_cast<int64_t>(data_.size());
  position_ = std::clamp<int64_t>(SeekTarget(offset, origin, position_, length), 0, length);
  return position_;
}

void TStringStream::SetSize(int64_t newSize) {
  if (newSize < 0) RaiseSizeError(newSize);
  data_.resize(static_cast<size_t>(newSize));
  if (position_ > newSize) position_ = newSize;
}

std::string TStringStream::ReadString(int32_t count) {
  int64_t n = std::clamp<int64_t>(static_cast<int64_t>(data_.size()) - position_, 0, std::max(count, 0));
  std::string result = data_.substr(static_cast<size_t>(position_), static_cast<size_t>(n));
  position_ += n;
  return result;
}

void TStringStream::WriteString(const std::string& s) {
  WriteAll(this, reinterpret_cast<const uint8_t*>(s.data()), static_cast<int64_t>(s.size()));
}

}  // namespace vcl
