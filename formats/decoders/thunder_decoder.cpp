#include "formats/decoders/thunder_decoder.h"

#include <algorithm>

namespace formats {

namespace {

constexpr int kTwoBitDeltas[4] = {0, 1, 0, -1};           // value 2 is skipped
constexpr int kThreeBitDeltas[8] = {0, 1, 2, 3, 0, -3, -2, -1};  // value 4 is skipped

// One row being written, clipped at its width.
struct TRow {
  uint8_t* bytes;
  int32_t width;
  int32_t count = 0;  // pixels written
  int last = 0;
  void Set(int value) {
    last = value & 0x0F;
    if (count >= width) return;
    uint8_t& byte = bytes[count / 2];
    if (count & 1) byte = static_cast<uint8_t>((byte & 0xF0) | last);
    else byte = static_cast<uint8_t>(last << 4 | (byte & 0x0F));
    ++count;
  }
};

}  // namespace

void TThunderDecoder::Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) {
  if (width_ <= 0) return;
  const int32_t rowBytes = static_cast<int32_t>((static_cast<int64_t>(width_) + 1) / 2);
  const uint8_t* s = source;
  const uint8_t* end = s + std::max(packedSize, 0);
  uint8_t* out = target;
  for (int32_t left = unpackedSize; left >= rowBytes && s < end; left -= rowBytes, out += rowBytes) {
    TRow row{out, width_};
    while (row.count < width_ && s < end) {
      const uint8_t code = *s++;
      switch (code >> 6) {
        case 0:  // a run of the last pixel
          for (int n = code & 0x3F; n > 0 && row.count < width_; --n) row.Set(row.last);
          break;
        case 1:
          for (int shift = 4; shift >= 0; shift -= 2) {
            const int field = (code >> shift) & 3;
            if (field != 2) row.Set(row.last + kTwoBitDeltas[field]);
          }
          break;
        case 2:
          for (int shift = 3; shift >= 0; shift -= 3) {
            const int field = (code >> shift) & 7;
            if (field != 4) row.Set(row.last + kThreeBitDeltas[field]);
          }
          break;
        default: row.Set(code); break;
      }
    }
  }
}

}  // namespace formats
