#include "imaging/model/routines/bit_runs.h"

#include "imaging/base/bit_helpers.h"

namespace imaging {

namespace {

// Byte j of a source run that holds `available` readable bytes; the bytes past them read as 0.
inline uint32_t SourceByte(const uint8_t* source, int64_t available, int64_t j) {
  return j >= 0 && j < available ? source[j] : 0;
}

constexpr std::array<TBitExpandEntry, 256> MakeBitExpandTable() {
  std::array<TBitExpandEntry, 256> table{};
  for (int value = 0; value < 256; ++value)
    for (int bit = 0; bit < 8; ++bit) {
      uint8_t level = (value & (0x80 >> bit)) ? 255 : 0;
      for (int channel = 0; channel < 3; ++channel) table[value][bit * 3 + channel] = level;
    }
  return table;
}

constexpr std::array<TBitExpandEntry, 256> kBitExpandTable = MakeBitExpandTable();

}  // namespace

void CopyBitRun(uint8_t* dest, const uint8_t* source, int32_t destBit, int32_t sourceBit, int32_t count,
                int32_t sourceBytes) {
  if (count < 1 || destBit < 0 || sourceBit < 0) return;
  const uint8_t* runSource = source + sourceBit / 8;
  const int64_t available = int64_t(sourceBytes) - sourceBit / 8;
  uint8_t* runDest = dest + destBit / 8;
  const int32_t destShift = destBit % 8;
  // Destination bit p (counted from runDest) takes source bit p + shift (counted from runSource).
  const int32_t shift = sourceBit % 8 - destShift;
  const int64_t byteCount = (int64_t(count) + destShift + 7) / 8;
  const int32_t endBits = static_cast<int32_t>((int64_t(count) + destShift) % 8);
  for (int64_t k = 0; k < byteCount; ++k) {
    const int64_t firstBit = k * 8 + shift;
    uint32_t value;
    if (firstBit >= 0) {
      const int64_t j = firstBit / 8;
      uint32_t window = (SourceByte(runSource, available, j) << 8) | SourceByte(runSource, available, j + 1);
      value = ((window << (firstBit % 8)) >> 8) & 0xFF;
    } else {
      value = SourceByte(runSource, available, 0) >> -firstBit;
    }
    uint32_t keep = 0;  // destination bits outside the run
    if (k == 0) keep |= (0xFF00u >> destShift) & 0xFF;
    if (k == byteCount - 1 && endBits != 0) keep |= 0xFFu >> endBits;
    runDest[k] = static_cast<uint8_t>((runDest[k] & keep) | (value & ~keep));
  }
}

void CopyBitRunBitwise(uint8_t* dest, const uint8_t* source, int32_t destBit, int32_t count, int32_t sourceBit) {
  for (int64_t i = 0; i < count; ++i)
    SetBitInBuffer(dest, destBit + i, GetBitFromBuffer(source, sourceBit + i) != 0);
}

const std::array<TBitExpandEntry, 256>& BitExpandTable() { return kBitExpandTable; }

void CopySwapRB(TRGB* dest, const TRGB* source, int32_t count) {
  for (int32_t i = 0; i < count; ++i) dest[i] = TRGB{source[i].r, source[i].g, source[i].b};
}

void SwapRB48InRow(uint16_t* row, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    uint16_t t = row[i * 3];
    row[i * 3] = row[i * 3 + 2];
    row[i * 3 + 2] = t;
  }
}

}  // namespace imaging
