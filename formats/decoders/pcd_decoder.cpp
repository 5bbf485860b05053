#include "formats/decoders/pcd_decoder.h"

#include <memory>
#include <vector>

#include "formats/colour_manager.h"
#include "vcl/runtime/streams.h"

namespace formats {

namespace {

constexpr int kPCDBlockSize = 2048;

struct THuffmanEntry {
  uint8_t length;
  uint32_t code;  // in the top half
  uint32_t mask;  // the top `length` bits
  uint8_t key;    // a signed correction
};

// The coded bits: `sum` is a 32-bit window, new bytes enter below the bits it holds.
class TBits {
 public:
  explicit TBits(vcl::TStream* stream) : stream_(stream) {}
  uint32_t sum = 0;
  void Get(int n) {
    sum <<= n;
    count_ -= n;
    while (count_ <= 24) {
      if (position_ == kPCDBlockSize) {
        stream_->ReadBuffer(block_, kPCDBlockSize);
        position_ = 0;
      }
      sum |= static_cast<uint32_t>(block_[position_++]) << (24 - count_);
      count_ += 8;
    }
  }
  // Bytes until 0x00FFF000, then bits until a sync mark.
  void Synchronise() {
    Get(16);
    Get(16);
    Resynchronise();
  }
  void Resynchronise() {
    while ((sum & 0x00FFF000) != 0x00FFF000) Get(8);
    while ((sum & 0xFFFFFF00) != 0xFFFFFE00) Get(1);
  }

 private:
  vcl::TStream* stream_;
  uint8_t block_[kPCDBlockSize] = {};
  int position_ = kPCDBlockSize;
  int count_ = 32;
};

}  // namespace

void TPCDDecoder::Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) {
  const auto* planes = reinterpret_cast<const TPCDPlanes*>(source);
  const int32_t columns = packedSize, rows = unpackedSize;
  if (!planes || columns <= 0 || rows <= 0) return;
  auto bits = std::make_unique<TBits>(stream_);
  std::vector<THuffmanEntry> tables[3];
  const int tableCount = columns > 1536 ? 3 : 1;
  for (int t = 0; t < tableCount; ++t) {
    bits->Get(8);
    const int entries = static_cast<int>(bits->sum & 0xFF) + 1;
    for (int e = 0; e < entries; ++e) {
      bits->Get(8);
      const int length = static_cast<int>(bits->sum & 0xFF) + 1;
      if (length > 16) return;
      bits->Get(16);
      const uint32_t code = (bits->sum & 0xFFFF) << 16;
      bits->Get(8);
      const auto key = static_cast<uint8_t>(bits->sum & 0xFF);
      tables[t].push_back({static_cast<uint8_t>(length), code, ~0u << (32 - length), key});
    }
  }
  bits->Synchronise();
  // Where corrections go: the plane, the first and the end of the writable run.
  uint8_t* plane = nullptr;
  size_t position = 0, limit = 0;
  const std::vector<THuffmanEntry>* table = nullptr;
  const size_t lumaSize = static_cast<size_t>(rows) * columns;
  const size_t chromaSize = static_cast<size_t>(rows / 2) * columns;
  for (;;) {
    if ((bits->sum & 0xFFFFFF00) == 0xFFFFFE00) {
      bits->Get(16);
      const int32_t row = static_cast<int32_t>((bits->sum >> 9) & 0x1FFF);
      if (row == rows) return;
      bits->Get(8);
      const uint32_t planeCode = bits->sum >> 30;
      bits->Get(16);
      plane = nullptr;
      table = nullptr;
      switch (planeCode) {
        case 0:
          plane = planes->Luminance;
          position = static_cast<size_t>(row) * columns;
          limit = lumaSize;
          table = &tables[0];
          break;
        case 2:
          plane = planes->Chroma1;
          position = static_cast<size_t>(row >> 1) * columns;
          limit = chromaSize;
          table = &tables[1];
          break;
        case 3:
          plane = planes->Chroma2;
          position = static_cast<size_t>(row >> 1) * columns;
          limit = chromaSize;
          table = &tables[2];
          break;
        default: vcl::Abort();
      }
      // A row outside the planes, or a plane without its table: skip to the next sync mark.
      if (!plane || row > rows || table->empty() || position >= limit) {
        plane = nullptr;
        bits->Resynchronise();
      }
      continue;
    }
    const THuffmanEntry* match = nullptr;
    if (plane)
      for (const THuffmanEntry& entry : *table)
        if ((bits->sum & entry.mask) == entry.code) {
          match = &entry;
          break;
        }
    if (!match) {
      bits->Resynchronise();
      continue;
    }
    if (position < limit) {
      const int32_t sample = plane[position];
      const int32_t value = match->key < 128 ? sample + match->key : sample + match->key - 256;
      plane[position] = ClampByte(value);
    }
    ++position;
    bits->Get(match->length);
  }
}

}  // namespace formats
