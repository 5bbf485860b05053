#include "formats/decoders/ccitt_decoders.h"

#include <algorithm>
#include <cstring>

#include "clib/fax_run_codes.h"

namespace formats {

namespace {

using clib::FaxBlackMakeUp;
using clib::FaxBlackTerminating;
using clib::FaxExtendedMakeUp;
using clib::FaxWhiteMakeUp;
using clib::FaxWhiteTerminating;
using clib::TFaxRunCode;

constexpr int16_t kNoCode = -2;
constexpr int16_t kEndOfLine = -1;
constexpr int kLongestCode = 13;

// Lookup by code length and value: entry (1 << length) | code holds the run, kEndOfLine or
// kNoCode. Built once, read by every decoder.
class TRunTables {
 public:
  TRunTables() {
    for (auto& table : tables_) std::fill(std::begin(table), std::end(table), kNoCode);
    Add(0, FaxWhiteTerminating);
    Add(0, FaxWhiteMakeUp);
    Add(1, FaxBlackTerminating);
    Add(1, FaxBlackMakeUp);
    for (int colour = 0; colour < 2; ++colour) {
      Add(colour, FaxExtendedMakeUp);
      tables_[colour][1 << 12 | 1] = kEndOfLine;
    }
  }
  int16_t Lookup(int colour, int length, uint32_t code) const { return tables_[colour][1u << length | code]; }

 private:
  template <size_t N>
  void Add(int colour, const TFaxRunCode (&codes)[N]) {
    for (const TFaxRunCode& c : codes) {
      uint32_t value = 0;
      int length = 0;
      for (const char* p = c.bits; *p; ++p, ++length) value = value << 1 | static_cast<uint32_t>(*p == '1');
      tables_[colour][1u << length | value] = c.run;
    }
  }
  int16_t tables_[2][1 << (kLongestCode + 1)];
};

const TRunTables& RunTables() {
  static const TRunTables tables;
  return tables;
}

uint8_t ReverseBits(uint8_t b) {
  b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

// A run of more pixels than any row holds is damage, not data.
constexpr int32_t kLongestRun = 1 << 24;

// Removes pairs of changes at one position (a zero-length run changes nothing).
void Normalise(std::vector<int32_t>& changes) {
  size_t out = 0;
  for (size_t i = 0; i < changes.size(); ++i) {
    if (out > 0 && changes[out - 1] == changes[i]) --out;
    else changes[out++] = changes[i];
  }
  changes.resize(out);
}

}  // namespace

uint32_t TCCITTDecoder::TBitReader::Peek(int n) const {
  uint32_t value = 0;
  uint64_t p = position;
  int done = 0;
  while (done < n) {
    const uint64_t byteIndex = p >> 3;
    if (p >= bitCount) {
      value <<= (n - done);
      break;
    }
    uint8_t byte = data[byteIndex];
    if (reverse) byte = ReverseBits(byte);
    const int offset = static_cast<int>(p & 7);
    const int take = std::min(8 - offset, n - done);
    value = value << take | ((byte >> (8 - offset - take)) & ((1u << take) - 1));
    done += take;
    p += static_cast<uint64_t>(take);
  }
  return value;
}

TCCITTDecoder::TCCITTDecoder(uint32_t options, bool reverseBitOrder, bool wordAligned, int32_t width)
    : options_(options), reverseBitOrder_(reverseBitOrder), wordAligned_(wordAligned), width_(width) {
  RunTables();
}

int32_t TCCITTDecoder::Begin(const uint8_t* source, uint8_t* target, int32_t packedSize, int32_t unpackedSize) {
  if (unpackedSize <= 0 || width_ <= 0) return 0;
  std::memset(target, 0, static_cast<size_t>(unpackedSize));
  reader_ = TBitReader{};
  reader_.data = source;
  reader_.bitCount = source ? static_cast<uint64_t>(std::max(packedSize, 0)) * 8 : 0;
  reader_.reverse = reverseBitOrder_;
  reference_.clear();
  current_.clear();
  const int32_t rowBytes = (width_ + 7) / 8;
  return unpackedSize / rowBytes;
}

int32_t TCCITTDecoder::DecodeRun(int colour) {
  const TRunTables& tables = RunTables();
  int32_t sum = 0;
  for (;;) {
    if (reader_.Exhausted()) return kNoCode;
    const uint32_t bits = reader_.Peek(kLongestCode);
    int16_t value = kNoCode;
    int length = 1;
    for (; length <= kLongestCode; ++length) {
      value = tables.Lookup(colour, length, bits >> (kLongestCode - length));
      if (value != kNoCode) break;
    }
    if (value == kNoCode) return kNoCode;
    reader_.Skip(length);
    if (value == kEndOfLine) return kEndOfLine;
    sum += value;
    if (sum > kLongestRun) return kNoCode;
    if (value < 64) return sum;
  }
}

TCCITTDecoder::TLineEnd TCCITTDecoder::DecodeLine1D() {
  current_.clear();
  int32_t a0 = 0;
  int colour = 0;
  while (a0 < width_) {
    const int32_t run = DecodeRun(colour);
    if (run < 0) return run == kEndOfLine ? leEndOfLine : leError;
    a0 = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(a0) + run, width_));
    current_.push_back(a0);
    colour ^= 1;
  }
  return leComplete;
}

TCCITTDecoder::TLineEnd TCCITTDecoder::DecodeLine2D() {
  current_.clear();
  const auto& ref = reference_;
  auto change = [&](size_t i) { return i < ref.size() ? ref[i] : width_; };
  int32_t a0 = -1;
  int colour = 0;
  size_t index = 0;  // where the search for b1 starts
  while (a0 < width_) {
    // b1: the first change on the reference line right of a0 to the opposite of a0's colour.
    while (index > 0 && change(index - 1) > a0) --index;
    while (index < ref.size() && (ref[index] <= a0 || static_cast<int>(index & 1) != colour)) ++index;
    const int32_t b1 = change(index), b2 = change(index + 1);
    const uint32_t bits = reader_.Peek(7);
    if (reader_.Exhausted()) return leError;
    const int32_t start = std::max(a0, 0);
    int delta;
    int length;
    if (bits >> 6 == 1) delta = 0, length = 1;
    else if (bits >> 4 == 3) delta = 1, length = 3;
    else if (bits >> 4 == 2) delta = -1, length = 3;
    else if (bits >> 4 == 1) {  // horizontal mode: two runs
      reader_.Skip(3);
      const int32_t r1 = DecodeRun(colour);
      if (r1 < 0) return r1 == kEndOfLine ? leEndOfLine : leError;
      const int32_t r2 = DecodeRun(colour ^ 1);
      if (r2 < 0) return r2 == kEndOfLine ? leEndOfLine : leError;
      const int32_t a1 = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(start) + r1, width_));
      const int32_t a2 = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(a1) + r2, width_));
      current_.push_back(a1);
      current_.push_back(a2);
      a0 = a2;
      if (current_.size() > 2 * static_cast<size_t>(width_) + 4) return leError;
      continue;
    } else if (bits >> 3 == 1) {  // pass mode
      reader_.Skip(4);
      a0 = b2;
      continue;
    } else if (bits >> 1 == 3) delta = 2, length = 6;
    else if (bits >> 1 == 2) delta = -2, length = 6;
    else if (bits == 3) delta = 3, length = 7;
    else if (bits == 2) delta = -3, length = 7;
    else return reader_.Peek(12) == 1 ? (reader_.Skip(12), leEndOfLine) : leError;
    reader_.Skip(length);
    const int32_t a1 = b1 + delta;
    if (a1 < start || a1 > width_) return leError;
    current_.push_back(a1);
    a0 = a1;
    colour ^= 1;
    if (current_.size() > 2 * static_cast<size_t>(width_) + 4) return leError;
  }
  return leComplete;
}

bool TCCITTDecoder::SynchroniseToEOL() {
  int zeros = 0;
  while (!reader_.Exhausted()) {
    const uint32_t bit = reader_.Peek(1);
    reader_.Skip(1);
    if (bit == 0) {
      ++zeros;
    } else {
      if (zeros >= 11) return true;
      zeros = 0;
    }
  }
  return false;
}

void TCCITTDecoder::FinishRow(uint8_t* target, int32_t row) {
  Normalise(current_);
  const int32_t rowBytes = (width_ + 7) / 8;
  uint8_t* line = target + static_cast<size_t>(row) * rowBytes;
  for (size_t i = 0; i < current_.size(); i += 2) {
    const int32_t from = std::clamp(current_[i], 0, width_);
    const int32_t to = i + 1 < current_.size() ? std::clamp(current_[i + 1], from, width_) : width_;
    for (int32_t x = from; x < to; ++x) line[x >> 3] = static_cast<uint8_t>(line[x >> 3] | 0x80 >> (x & 7));
  }
  reference_.swap(current_);
  current_.clear();
}

void TCCITTFax3Decoder::Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) {
  const int32_t rows = Begin(source, target, packedSize, unpackedSize);
  const bool twoDimensional = options_ & 1;
  // An end of line was just read; a one-dimensional strip whose first row lacks its end of line
  // starts at that row's codes.
  bool atLineStart = !twoDimensional && reader_.Peek(11) != 0;
  for (int32_t row = 0; row < rows; ++row) {
    if (!atLineStart && !SynchroniseToEOL()) break;
    atLineStart = false;
    bool oneDimensional = true;
    if (twoDimensional) {
      oneDimensional = reader_.Peek(1) == 1;
      reader_.Skip(1);
    }
    const TLineEnd end = oneDimensional ? DecodeLine1D() : DecodeLine2D();
    atLineStart = end == leEndOfLine;
    FinishRow(target, row);
  }
}

void TCCITTFax4Decoder::Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) {
  const int32_t rows = Begin(source, target, packedSize, unpackedSize);
  for (int32_t row = 0; row < rows && !reader_.Exhausted(); ++row) {
    const TLineEnd end = DecodeLine2D();
    FinishRow(target, row);
    // Without ends of line there is no way back into step after damage (or the end-of-block).
    if (end != leComplete) break;
  }
}

void TCCITTMHDecoder::Decode(const uint8_t*& source, uint8_t*& target, int32_t packedSize, int32_t unpackedSize) {
  const int32_t rows = Begin(source, target, packedSize, unpackedSize);
  for (int32_t row = 0; row < rows && !reader_.Exhausted(); ++row) {
    DecodeLine1D();
    FinishRow(target, row);
    reader_.Align(wordAligned_ ? 16 : 8);
  }
}

}  // namespace formats
