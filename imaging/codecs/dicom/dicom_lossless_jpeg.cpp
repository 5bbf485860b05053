// Lossless JPEG: Huffman-coded differences from one of seven predictors. Tables and their
// codes are checked when they are built, every sample lands inside the caller's array, and
// the entropy-coded data is read from a copy without byte stuffing that ends where the data ends.
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "imaging/codecs/dicom/dicom_decoders.h"
#include "imaging/params/codec_progress.h"
#include "vcl/runtime/byte_order.h"

namespace imaging {

namespace {

struct THuffmanTable {
  bool defined = false;
  // Canonical codes by length: the symbols of each length in order, and the first code.
  std::array<int32_t, 17> firstCode{};
  std::array<int32_t, 17> firstIndex{};
  std::array<int32_t, 17> count{};
  std::vector<uint8_t> symbols;
  int32_t longest = 0;
  // The next 8 bits give the symbol of a code of up to 8 bits (its length in `lengths`), or
  // 255 for a longer code.
  std::array<uint8_t, 256> fast{};
  std::array<uint8_t, 256> fastLength{};
};

// Builds the canonical codes. False for more codes of a length than the length has room for.
bool BuildTable(THuffmanTable& table) {
  int32_t code = 0, index = 0;
  table.fast.fill(255);
  table.fastLength.fill(0);
  for (int32_t length = 1; length <= 16; ++length) {
    table.firstCode[length] = code;
    table.firstIndex[length] = index;
    if (table.count[length]) table.longest = length;
    for (int32_t i = 0; i < table.count[length]; ++i, ++code, ++index) {
      if (code >= (1 << length)) return false;
      if (length <= 8) {
        const int32_t shift = 8 - length;
        for (int32_t e = code << shift; e < ((code + 1) << shift); ++e) {
          table.fast[e] = table.symbols[index];
          table.fastLength[e] = uint8_t(length);
        }
      }
    }
    code <<= 1;
  }
  table.defined = !table.symbols.empty();
  return true;
}

// Bits of the unstuffed data, most significant first. Reading past the end gives zero bits and
// marks the stream as overrun.
class TBitReader {
 public:
  TBitReader(const std::vector<uint8_t>& data, const TCodecProgress* progress) : data_(data), progress_(progress) {}

  int32_t Peek8() {
    int32_t value = 0;
    for (int32_t i = 0; i < 8; ++i) value = (value << 1) | BitAt(bit_ + i);
    return value;
  }
  void Skip(int32_t count) { bit_ += count; }
  int32_t LJReadBit() { return BitAt(bit_++); }
  int32_t LJReadBits(int32_t count) {
    int32_t value = 0;
    for (int32_t i = 0; i < count; ++i) value = (value << 1) | LJReadBit();
    Report();
    return value;
  }
  bool Overrun() const { return bit_ > int64_t(data_.size()) * 8; }
  // Moves to the byte after the next restart marker; false when there is none.
  bool NextRestart() {
    for (int64_t at = std::max<int64_t>(0, (bit_ + 7) / 8 - 1); at + 1 < int64_t(data_.size()); ++at) {
      if (data_[at] == 0xFF && data_[at + 1] >= 0xD0 && data_[at + 1] <= 0xD7) {
        bit_ = (at + 2) * 8;
        return true;
      }
    }
    return false;
  }

 private:
  int32_t BitAt(int64_t bit) const {
    const int64_t byte = bit >> 3;
    if (byte >= int64_t(data_.size())) return 0;
    return (data_[size_t(byte)] >> (7 - (bit & 7))) & 1;
  }
  void Report() {
    if (!progress_ || !progress_->OnProgressCode || data_.empty()) return;
    const int32_t percent = int32_t(bit_ / 8 * 100 / int64_t(data_.size()));
    if (percent != last_) progress_->Report(std::min(percent, 100));
    last_ = percent;
  }

  const std::vector<uint8_t>& data_;
  const TCodecProgress* progress_;
  int64_t bit_ = 0;
  int32_t last_ = -1;
};

// The marker segments' reads at a byte position, which they advance; the caller has checked
// that the bytes are there.
uint8_t LJReadByte(const uint8_t* data, int64_t& at) { return data[at++]; }
// Big-endian.
uint16_t LJReadWord(const uint8_t* data, int64_t& at) {
  const uint16_t word = vcl::be::U16(data + at);
  at += 2;
  return word;
}

int32_t DecodeSymbol(TBitReader& bits, const THuffmanTable& table) {
  const int32_t peek = bits.Peek8();
  if (table.fast[peek] != 255 || table.fastLength[peek] != 0) {
    bits.Skip(table.fastLength[peek]);
    return table.fast[peek];
  }
  bits.Skip(8);
  int32_t code = peek;
  for (int32_t length = 9; length <= table.longest; ++length) {
    code = (code << 1) | bits.LJReadBit();
    const int32_t offset = code - table.firstCode[length];
    if (offset >= 0 && offset < table.count[length]) return table.symbols[table.firstIndex[length] + offset];
  }
  // A code that matches nothing: the last symbol listed.
  return table.symbols.back();
}

int32_t LJDecodeDifference(TBitReader& bits, const THuffmanTable& table) {
  const int32_t s = DecodeSymbol(bits, table);
  if (s == 0) return 0;
  if (s == 16) return 32768;
  const int32_t v = bits.LJReadBits(s);
  return v >= (1 << (s - 1)) ? v : v - ((1 << s) - 1);
}

}  // namespace

bool DecodeDICOMLosslessJPEG(const uint8_t* Data, int64_t Size, uint16_t* Out16, uint8_t* Out8,
                             const TLosslessJPEGShape& Shape, const TCodecProgress* Progress) {
  if (Size <= 31 || (!Out8) == (!Out16)) return false;
  THuffmanTable tables[4];
  int32_t precision = 0, rows = 0, columns = 0, components = 0;
  int32_t selection = 0, transform = 0, restart = 0;
  int32_t tableOf[4] = {0, 0, 0, 0};
  bool lossless = false, scan = false;
  int64_t at = 2;
  while (!scan && at < Size) {
    if (at + 1 >= Size || LJReadByte(Data, at) != 0xFF) return false;
    const uint8_t marker = LJReadByte(Data, at);
    if (marker == 0x00 || marker == 0x01 || marker == 0xFF || (marker >= 0xD0 && marker <= 0xD7)) continue;
    if (at + 2 > Size) return false;
    const int64_t length = LJReadWord(Data, at);
    const int64_t body = length - 2;
    if (length < 2 || at + body > Size) return false;
    const uint8_t* segment = Data + at;
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      if (body < 6) return false;
      if (marker == 0xC3) lossless = true;
      int64_t field = 0;
      precision = LJReadByte(segment, field);
      rows = LJReadWord(segment, field);
      columns = LJReadWord(segment, field);
      components = LJReadByte(segment, field);
    } else if (marker == 0xC4) {
      for (int64_t p = 0; body - p >= 17;) {
        const int32_t id = segment[p] & 15;
        if (id > 3) return false;
        THuffmanTable table;
        int32_t total = 0;
        for (int32_t n = 1; n <= 16; ++n) total += table.count[n] = segment[p + n];
        if (total > 17 || p + 17 + total > body) return false;
        for (int32_t i = 0; i < total; ++i) {
          const uint8_t symbol = segment[p + 17 + i];
          if (symbol > 16) return false;
          table.symbols.push_back(symbol);
        }
        if (!BuildTable(table)) return false;
        tables[id] = table;
        p += 17 + total;
      }
    } else if (marker == 0xDA) {
      if (body < 1) return false;
      const int32_t count = segment[0];
      if (count < 1 || count > 4 || body < 1 + 2 * count + 3) return false;
      for (int32_t k = 0; k < count; ++k) tableOf[k] = (segment[2 + 2 * k] >> 4) & 3;
      selection = segment[1 + 2 * count];
      transform = segment[3 + 2 * count] & 15;
      if (count != components) return false;
      scan = true;
    } else if (marker == 0xDD) {
      if (body < 2) return false;
      int64_t field = 0;
      restart = LJReadWord(segment, field);
    }
    at += body;
  }
  if (!lossless || !scan) return false;
  // The frame must be what the caller's array was made for.
  if (columns != Shape.Columns || rows != Shape.Rows || components != Shape.Samples || columns <= 0 || rows <= 0)
    return false;
  if (precision < 2 || precision > 16 || transform >= precision) return false;
  if (Out8 ? precision > 8 : (precision <= 8 || components != 1)) return false;
  for (int32_t k = 0; k < components; ++k)
    if (!tables[tableOf[k]].defined) return false;

  // The entropy-coded data without its stuffed zero bytes, up to the end marker.
  std::vector<uint8_t> coded;
  coded.reserve(size_t(Size - at));
  for (int64_t i = at; i < Size; ++i) {
    if (Data[i] == 0xFF && i + 1 < Size) {
      if (Data[i + 1] == 0xD9) break;
      coded.push_back(0xFF);
      if (Data[i + 1] == 0x00) ++i;
      continue;
    }
    coded.push_back(Data[i]);
  }

  TBitReader bits(coded, Progress);
  const uint32_t mask = Out8 ? 0xFF : 0xFFFF;
  const int32_t initial = 1 << (precision - transform - 1);
  const int64_t rowSamples = int64_t(columns) * components;
  auto sample = [&](int64_t index) -> int32_t { return Out8 ? Out8[index] : Out16[index]; };
  auto store = [&](int64_t index, int32_t value) {
    if (Out8)
      Out8[index] = uint8_t(uint32_t(value) & mask);
    else
      Out16[index] = uint16_t(uint32_t(value) & mask);
  };
  if (Out16) std::fill(Out16, Out16 + rowSamples * rows, uint16_t(0));
  // The first pixel of the image and of every restart interval is predicted from the
  // initial value, the rest of that row from the left, the first column from above.
  int64_t pixelsSinceRestart = 0;
  int32_t intervalRow = 0;
  bool intervalStart = true;
  for (int32_t y = 0; y < rows; ++y) {
    for (int32_t x = 0; x < columns; ++x) {
      if (restart && pixelsSinceRestart == restart) {
        if (!bits.NextRestart()) return false;
        pixelsSinceRestart = 0;
        intervalStart = true;
        intervalRow = y;
      }
      for (int32_t k = 0; k < components; ++k) {
        const int64_t index = int64_t(y) * rowSamples + int64_t(x) * components + k;
        const int32_t difference = LJDecodeDifference(bits, tables[tableOf[k]]);
        int32_t prediction;
        if (intervalStart || (x == 0 && y == 0)) {
          prediction = initial;
        } else if (x == 0) {
          prediction = sample(index - rowSamples);
        } else if (y == intervalRow) {
          prediction = sample(index - components);
        } else {
          const int32_t ra = sample(index - components), rb = sample(index - rowSamples);
          const int32_t rc = sample(index - rowSamples - components);
          switch (selection) {
            case 2: prediction = rb; break;
            case 3: prediction = rc; break;
            case 4: prediction = ra + rb - rc; break;
            case 5: prediction = ra + ((rb - rc) >> 1); break;
            case 6: prediction = rb + ((ra - rc) >> 1); break;
            case 7: prediction = (ra + rb) / 2; break;
            default: prediction = ra; break;
          }
        }
        store(index, prediction + difference);
      }
      intervalStart = false;
      ++pixelsSinceRestart;
      if (bits.Overrun()) return false;
    }
  }
  return true;
}

}  // namespace imaging
