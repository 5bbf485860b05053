#include "imaging/coding/ccitt.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "clib/fax_run_codes.h"
#include "imaging/base/bit_helpers.h"
#include "imaging/base/startup.h"
#include "imaging/base/stream_encoders.h"

namespace imaging {

namespace {

using TBitCode = clib::TFaxRunCode;

// A code written as its bits, most significant first.
constexpr TCCITTCode Code(const char* bits, int32_t run) {
  int32_t length = 0;
  uint32_t value = 0;
  for (const char* p = bits; *p; ++p, ++length) value = value << 1 | static_cast<uint32_t>(*p == '1');
  return {length, static_cast<uint16_t>(value), run};
}

constexpr int32_t kEOLIndex = 104;
constexpr int32_t kMakeUpBase = 63;  // index of the make-up code for n x 64 is 63 + n
constexpr int32_t kNoCode = 128;

constexpr TCCITTCodeTable BuildTable(const TBitCode (&terminating)[64], const TBitCode (&makeUp)[27]) {
  TCCITTCodeTable table{};
  for (int i = 0; i < 64; ++i) table[i] = Code(terminating[i].bits, terminating[i].run);
  for (int i = 0; i < 27; ++i) table[64 + i] = Code(makeUp[i].bits, makeUp[i].run);
  for (int i = 0; i < 13; ++i) table[91 + i] = Code(clib::FaxExtendedMakeUp[i].bits, clib::FaxExtendedMakeUp[i].run);
  table[kEOLIndex] = {12, 1, CCITTRunEOL};
  // Stray runs of zeros ending in a one, too short for an end of line: their bits are skipped.
  for (int i = 0; i < 3; ++i) table[105 + i] = {9 + i, 1, CCITTRunSkip};
  // An end of line after 1 to 20 fill bits.
  for (int i = 0; i < 20; ++i) table[108 + i] = {13 + i, 1, CCITTRunEOL};
  return table;
}

}  // namespace

const TCCITTCodeTable CCITTWhiteCodes = BuildTable(clib::FaxWhiteTerminating, clib::FaxWhiteMakeUp);
const TCCITTCodeTable CCITTBlackCodes = BuildTable(clib::FaxBlackTerminating, clib::FaxBlackMakeUp);

namespace {

const TCCITTCodeTable& CodesOf(TCCITTColour colour) {
  return colour == ccittBlack ? CCITTBlackCodes : CCITTWhiteCodes;
}

TCCITTColour Other(TCCITTColour colour) { return colour == ccittBlack ? ccittWhite : ccittBlack; }

// ---------------------------------------------------------------------------------------------
// Decode trees, built once (at start-up or on first use) and shared by all threads

struct TNode {
  int32_t value;  // 128 for an inner node, else the code's index
  int32_t child[2];
};

struct TDecodeTrees {
  std::vector<TNode> tree[2];  // white, black; node 0 is the root
};

TDecodeTrees* BuildTrees() {
  auto* trees = new TDecodeTrees;
  for (int colour = 0; colour < 2; ++colour) {
    std::vector<TNode>& nodes = trees->tree[colour];
    nodes.push_back({kNoCode, {-1, -1}});
    const TCCITTCodeTable& codes = CodesOf(static_cast<TCCITTColour>(colour));
    for (int32_t index = 0; index < CCITTCodeCount; ++index) {
      const TCCITTCode& code = codes[index];
      int32_t node = 0;
      for (int32_t k = code.Length - 1; k >= 0; --k) {
        const int bit = k < 16 ? (code.Value >> k) & 1 : 0;
        if (nodes[node].child[bit] < 0) {
          nodes[node].child[bit] = static_cast<int32_t>(nodes.size());
          nodes.push_back({kNoCode, {-1, -1}});
        }
        node = nodes[node].child[bit];
      }
      nodes[node].value = index;
    }
  }
  return trees;
}

std::atomic<TDecodeTrees*> gTrees{nullptr};
std::mutex gTreesLock;

const TDecodeTrees& Trees() {
  TDecodeTrees* trees = gTrees.load(std::memory_order_acquire);
  if (trees) return *trees;
  std::lock_guard<std::mutex> guard(gTreesLock);
  trees = gTrees.load(std::memory_order_relaxed);
  if (!trees) {
    trees = BuildTrees();
    gTrees.store(trees, std::memory_order_release);
  }
  return *trees;
}

// ---------------------------------------------------------------------------------------------
// Reading coded data

// The 32 bits at bitPos in coding order; bits beyond the data read as zero.
uint32_t Fetch32(const uint8_t* data, int32_t byteLen, int64_t bitPos, int32_t fillOrder) {
  if (bitPos < 0) return 0;
  const int64_t first = bitPos >> 3;
  uint64_t window = 0;
  for (int i = 0; i < 5; ++i) {
    const int64_t index = first + i;
    uint8_t b = index < byteLen ? data[index] : 0;
    if (fillOrder == 2) ReverseByteBits(b);
    window = window << 8 | b;
  }
  return static_cast<uint32_t>(window >> (8 - (bitPos & 7)));
}

int64_t DataBits(int32_t byteLen) { return static_cast<int64_t>(std::max(byteLen, 0)) * 8; }

// ---------------------------------------------------------------------------------------------
// Lines of bits

int BitAt(const uint8_t* line, int32_t pos) { return (line[pos >> 3] >> (7 - (pos & 7))) & 1; }

// Clears (paints black in a decoded line) the pixels from..to-1, whole bytes at a time.
void ClearPixels(uint8_t* line, int64_t from, int64_t to) {
  int32_t a = static_cast<int32_t>(std::max<int64_t>(from, 0));
  const int32_t b = static_cast<int32_t>(std::max<int64_t>(to, 0));
  while (a < b && (a & 7)) {
    line[a >> 3] &= static_cast<uint8_t>(~(0x80 >> (a & 7)));
    ++a;
  }
  if (b - a >= 8) {
    std::memset(line + (a >> 3), 0, (b - a) >> 3);
    a += (b - a) & ~7;
  }
  for (; a < b; ++a) line[a >> 3] &= static_cast<uint8_t>(~(0x80 >> (a & 7)));
}

// The next pixel at or after `from` whose bit differs from `bit`; the width when none. Uniform
// stretches are skipped a word, then a byte at a time.
int32_t CCITTFindChange(const uint8_t* line, int32_t width, int32_t from, int bit) {
  const uint8_t uniform = bit ? 0xFF : 0x00;
  const int32_t fullBytes = width >> 3;
  int32_t pos = std::max(from, 0);
  while (pos < width) {
    if ((pos & 7) == 0) {
      int32_t byte = pos >> 3;
      while ((byte & 3) == 0 && byte + 4 <= fullBytes && line[byte] == uniform && line[byte + 1] == uniform &&
             line[byte + 2] == uniform && line[byte + 3] == uniform)
        byte += 4;
      while (byte < fullBytes && line[byte] == uniform) ++byte;
      pos = byte << 3;
      if (pos >= width) break;
    }
    if (BitAt(line, pos) != bit) return pos;
    ++pos;
  }
  return width;
}

// The first changing element after a0 whose colour is opposite to `colourBit` (b1 on the
// reference line, a1 on the coding line). Before the line an imaginary white pixel stands.
int32_t NextChangingElement(const uint8_t* line, int32_t width, int32_t a0, int colourBit, int whiteBit) {
  const int32_t start = std::min(a0 + 1, width);
  const int previous = start == 0 ? whiteBit : BitAt(line, start - 1);
  int32_t pos = start;
  if (previous != colourBit) pos = CCITTFindChange(line, width, pos, 1 - colourBit);
  return CCITTFindChange(line, width, pos, colourBit);
}

// ---------------------------------------------------------------------------------------------
// Decoding

constexpr int kWhiteBitDecoded = 1;

int ColourBitDecoded(TCCITTColour colour) { return colour == ccittWhite ? 1 : 0; }

// One run in the colour, its make-up codes and the terminating code; -1 when an end of line or
// undecodable bits come instead (an end of line is left for the caller to read).
int64_t DecodeRun(const uint8_t* data, int32_t byteLen, int32_t fillOrder, int64_t& bitPos, TCCITTColour colour) {
  const TCCITTCodeTable& codes = CodesOf(colour);
  int64_t total = 0;
  for (;;) {
    const int32_t index = CCITTDecodeCode(data, byteLen, bitPos, fillOrder, colour);
    if (index == kNoCode) {
      ++bitPos;
      return -1;
    }
    const TCCITTCode& code = codes[index];
    if (code.Run == CCITTRunEOL) return -1;
    bitPos += code.Length;
    if (code.Run == CCITTRunSkip) continue;
    total += code.Run;
    if (index < 64) return total;
  }
}

struct TModeCode {
  int32_t length;
  uint32_t value;
};

enum : int32_t {
  kModeZeros = 0, kModePass = 1, kModeHorizontal = 2, kModeVerticalLeft3 = 3, kModeVerticalRight3 = 9,
  kMode2DExtension = 10, kMode1DExtension = 11, kModeEOL = 12
};

constexpr TModeCode kModeCodes[13] = {
    {12, 0x000}, {4, 0x1},  {3, 0x1},  {7, 0x02}, {6, 0x02},  {3, 0x2},   {1, 0x1},
    {3, 0x3},    {6, 0x03}, {7, 0x03}, {10, 0x0F}, {12, 0x0F}, {12, 0x001}};

int32_t MatchMode(uint32_t window) {
  for (int32_t i = 0; i < 13; ++i)
    if ((window >> (32 - kModeCodes[i].length)) == kModeCodes[i].value) return i;
  return kModeZeros;
}

// Zero bits from bitPos up to the next one bit (or the end of the data).
int64_t CountZeros(const uint8_t* data, int32_t byteLen, int32_t fillOrder, int64_t bitPos) {
  const int64_t end = DataBits(byteLen);
  int64_t count = 0;
  while (bitPos + count < end) {
    const uint32_t window = Fetch32(data, byteLen, bitPos + count, fillOrder);
    if (window) return count + __builtin_clz(window);
    count += 32;
  }
  return end - bitPos;
}

// Uncompressed-mode words from `pos`: returns the pixel position after them and sets the colour
// the exit word names.
int32_t DecodeUncompressed(uint8_t* line, const uint8_t* data, int32_t byteLen, int32_t fillOrder,
                           int64_t& bitPos, int32_t pos, int32_t width, TCCITTColour& colour) {
  const int64_t end = DataBits(byteLen);
  while (pos < width && bitPos < end) {
    const int64_t zeros = CountZeros(data, byteLen, fillOrder, bitPos);
    if (zeros > 10 || bitPos + zeros >= end) break;  // not an uncompressed word: leave it
    bitPos += zeros + 1;
    if (zeros <= 4) {
      pos = std::min<int32_t>(pos + static_cast<int32_t>(zeros), width);
      if (pos < width) {
        ClearPixels(line, pos, pos + 1);
        ++pos;
      }
    } else if (zeros == 5) {
      pos = std::min(pos + 5, width);
    } else {
      pos = std::min<int32_t>(pos + static_cast<int32_t>(zeros) - 6, width);
      const uint32_t tag = Fetch32(data, byteLen, bitPos, fillOrder) >> 31;
      ++bitPos;
      colour = tag ? ccittBlack : ccittWhite;
      break;
    }
  }
  return pos;
}

}  // namespace

int32_t CCITTDecodeCode(const uint8_t* data, int32_t byteLen, int64_t bitPos, int32_t fillOrder,
                        TCCITTColour colour) {
  if (!data || bitPos < 0 || bitPos / 8 >= byteLen) return 127;
  const std::vector<TNode>& tree = Trees().tree[colour == ccittBlack ? 1 : 0];
  const uint32_t window = Fetch32(data, byteLen, bitPos, fillOrder);
  int32_t node = 0;
  for (int k = 31; k >= 0; --k) {
    node = tree[node].child[(window >> k) & 1];
    if (node < 0) return kNoCode;
    if (tree[node].value != kNoCode) return tree[node].value;
  }
  return kNoCode;
}

int64_t CCITTDecodeMHLine(uint8_t* line, const uint8_t* data, int32_t byteLen, int32_t fillOrder,
                          int64_t bitPos, int32_t width) {
  if (width <= 0) return bitPos;
  std::memset(line, 0xFF, (static_cast<size_t>(width) + 7) / 8);
  TCCITTColour colour = ccittWhite;
  int64_t position = 0;
  int64_t lineStart = bitPos;
  bool makeUpLast = false;
  while (position < width || makeUpLast) {
    const int32_t index = CCITTDecodeCode(data, byteLen, bitPos, fillOrder, colour);
    if (index == kNoCode) {
      ++bitPos;
      ++lineStart;
      continue;
    }
    const TCCITTCode& code = CodesOf(colour)[index];
    if (code.Run == CCITTRunEOL) {
      if (bitPos != lineStart) {
        if (colour == ccittBlack) ClearPixels(line, position, width);
        break;
      }
    } else if (code.Run != CCITTRunSkip) {
      if (colour == ccittBlack) ClearPixels(line, position, std::min<int64_t>(position + code.Run, width));
      position += code.Run;
    }
    bitPos += code.Length;
    if (code.Run >= 0) {
      makeUpLast = index >= 64;
      if (!makeUpLast) colour = Other(colour);
    }
  }
  return bitPos;
}

int32_t CCITTDecodeMHRow(uint8_t* line, const uint8_t* data, int32_t byteLen, int32_t fillOrder, int32_t width) {
  const int64_t bits = CCITTDecodeMHLine(line, data, byteLen, fillOrder, 0, width);
  // Never claim more bytes than there are, so a caller stepping through a strip stays inside.
  return static_cast<int32_t>(std::min<int64_t>((bits + 7) / 8, std::max(byteLen, 0)));
}

int64_t CCITTDecode2DLine(uint8_t* line, const uint8_t* data, int32_t byteLen, bool eolHandling,
                          int32_t fillOrder, int64_t bitPos, uint8_t* refLine, int32_t width) {
  if (width <= 0) return bitPos;
  const size_t lineBytes = (static_cast<size_t>(width) + 7) / 8;
  std::memset(line, 0xFF, lineBytes);
  const int64_t end = DataBits(byteLen);
  int32_t a0 = -1;
  TCCITTColour colour = ccittWhite;
  bool firstCode = true;
  while (a0 < width && bitPos < end) {
    const int32_t mode = MatchMode(Fetch32(data, byteLen, bitPos, fillOrder));
    int64_t eolLength = 0;
    if (mode == kModeZeros) {
      if (!eolHandling) {
        bitPos += 12;
        continue;
      }
      const int64_t zeros = CountZeros(data, byteLen, fillOrder, bitPos);
      eolLength = zeros + 1;
    } else if (mode == kModeEOL) {
      eolLength = kModeCodes[kModeEOL].length;
    }
    const int32_t start = std::max(a0, 0);
    const int colourBit = ColourBitDecoded(colour);

    if (eolLength > 0) {
      bitPos += eolLength;
      if (bitPos > end) break;
      if (firstCode) {
        // The tag after a leading end of line: 1 for a one-dimensional line.
        const uint32_t tag = Fetch32(data, byteLen, bitPos, fillOrder) >> 31;
        ++bitPos;
        if (tag) {
          bitPos = CCITTDecodeMHLine(line, data, byteLen, fillOrder, bitPos, width);
          break;
        }
        firstCode = false;
        continue;
      }
      // An end of line inside the line ends it and begins the next one.
      if (colour == ccittBlack) ClearPixels(line, start, width);
      bitPos -= eolLength;
      break;
    }
    firstCode = false;
    bitPos += kModeCodes[mode].length;

    if (mode == kModePass) {
      const int32_t b1 = NextChangingElement(refLine, width, a0, colourBit, kWhiteBitDecoded);
      const int32_t b2 = CCITTFindChange(refLine, width, b1, 1 - colourBit);
      if (colour == ccittBlack) ClearPixels(line, start, b2);
      a0 = b2;
    } else if (mode == kModeHorizontal) {
      const int64_t run1 = std::max<int64_t>(DecodeRun(data, byteLen, fillOrder, bitPos, colour), 0);
      const int64_t run2 = std::max<int64_t>(DecodeRun(data, byteLen, fillOrder, bitPos, Other(colour)), 0);
      const int32_t a1 = static_cast<int32_t>(std::min<int64_t>(start + run1, width));
      const int32_t a2 = static_cast<int32_t>(std::min<int64_t>(a1 + run2, width));
      if (colour == ccittBlack) ClearPixels(line, start, a1);
      else ClearPixels(line, a1, a2);
      a0 = a2;
    } else if (mode >= kModeVerticalLeft3 && mode <= kModeVerticalRight3) {
      const int32_t b1 = NextChangingElement(refLine, width, a0, colourBit, kWhiteBitDecoded);
      // Damaged data may point outside the line or behind a0: keep a1 between them.
      const int32_t a1 = std::clamp(b1 + (mode - kModeVerticalLeft3 - 3), start, width);
      if (colour == ccittBlack) ClearPixels(line, start, a1);
      a0 = a1;
      colour = Other(colour);
    } else if (mode == kMode2DExtension || mode == kMode1DExtension) {
      a0 = DecodeUncompressed(line, data, byteLen, fillOrder, bitPos, start, width, colour);
    }
  }
  std::memcpy(refLine, line, lineBytes);
  return bitPos;
}

// ---------------------------------------------------------------------------------------------
// Encoding

namespace {

constexpr int kWhiteBitRow = 0;  // rows given to the encoders: a clear bit is white

int ColourBitRow(TCCITTColour colour) { return colour == ccittWhite ? 0 : 1; }

// Collects codes into bytes, continuing the pending bits of the previous row.
class TBitWriter {
 public:
  TBitWriter(int32_t fillOrder, int32_t pendingBits, uint8_t pendingByte, int32_t width)
      : reversed_(fillOrder == 2), count_(std::clamp(pendingBits, 0, 7)), current_(pendingByte) {
    if (count_ == 0) current_ = 0;
    bytes_.reserve(std::max<size_t>(4, static_cast<size_t>(std::max(width, 0)) / 8 * 12 + 1));
  }

  void Put(uint32_t value, int32_t length) {
    for (int32_t k = length - 1; k >= 0; --k) {
      const uint32_t bit = (value >> k) & 1;
      if (bit) current_ |= static_cast<uint8_t>(reversed_ ? 1 << count_ : 0x80 >> count_);
      if (++count_ == 8) {
        bytes_.push_back(current_);
        current_ = 0;
        count_ = 0;
      }
    }
  }
  void Put(const TCCITTCode& code) { Put(code.Value, code.Length); }
  void PutEOL() { Put(CCITTWhiteCodes[kEOLIndex]); }

  // Writes the whole bytes and hands back the bits of the unfinished one.
  void WriteWhole(vcl::TStream* stream, bool& aborting, int32_t& pendingBits, uint8_t& pendingByte) {
    Write(stream, aborting);
    pendingBits = count_;
    pendingByte = current_;
  }
  // Writes everything, the last byte padded with zero bits.
  void WriteAll(vcl::TStream* stream, bool& aborting) {
    if (count_ > 0) {
      bytes_.push_back(current_);
      count_ = 0;
      current_ = 0;
    }
    Write(stream, aborting);
  }

 private:
  void Write(vcl::TStream* stream, bool& aborting) {
    if (!bytes_.empty()) StreamWriteChecked(stream, aborting, bytes_.data(), static_cast<int32_t>(bytes_.size()));
    bytes_.clear();
  }

  bool reversed_;
  int32_t count_;
  uint8_t current_;
  std::vector<uint8_t> bytes_;
};

void CCITTPutRun(TBitWriter& out, int32_t run, TCCITTColour colour) {
  const TCCITTCodeTable& codes = CodesOf(colour);
  while (run >= 64) {
    if (run > 2560) {
      out.Put(codes[kMakeUpBase + 40]);
      run -= 2560;
    } else {
      out.Put(codes[kMakeUpBase + run / 64]);
      run -= run / 64 * 64;
    }
  }
  out.Put(codes[run]);
}

// The runs of a row, alternately white and black, starting with white.
void CCITTEncodeRuns(TBitWriter& out, const uint8_t* row, int32_t width) {
  TCCITTColour colour = ccittWhite;
  int32_t pos = 0;
  while (pos < width) {
    const int32_t next = CCITTFindChange(row, width, pos, ColourBitRow(colour));
    CCITTPutRun(out, next - pos, colour);
    pos = next;
    colour = Other(colour);
  }
}

void CCITTEncode2DLine(TBitWriter& out, const uint8_t* row, const uint8_t* ref, int32_t width) {
  static const TCCITTCode kPass = {4, 0x1, 0};
  static const TCCITTCode kHorizontal = {3, 0x1, 0};
  int32_t a0 = -1;
  TCCITTColour colour = ccittWhite;
  while (a0 < width) {
    const int colourBit = ColourBitRow(colour);
    const int32_t a1 = NextChangingElement(row, width, a0, colourBit, kWhiteBitRow);
    const int32_t b1 = NextChangingElement(ref, width, a0, colourBit, kWhiteBitRow);
    const int32_t b2 = CCITTFindChange(ref, width, b1, 1 - colourBit);
    if (b2 < a1) {
      out.Put(kPass);
      a0 = b2;
    } else if (a1 - b1 >= -3 && a1 - b1 <= 3) {
      const TModeCode& code = kModeCodes[kModeVerticalLeft3 + 3 + (a1 - b1)];
      out.Put(code.value, code.length);
      a0 = a1;
      colour = Other(colour);
    } else {
      const int32_t a2 = CCITTFindChange(row, width, a1, 1 - colourBit);
      const int32_t start = std::max(a0, 0);
      out.Put(kHorizontal);
      CCITTPutRun(out, a1 - start, colour);
      CCITTPutRun(out, a2 - a1, Other(colour));
      a0 = a2;
    }
  }
}

size_t RowBytes(int32_t width) { return (static_cast<size_t>(std::max(width, 0)) + 7) / 8; }

}  // namespace

void CCITTEncodeMHRow(const uint8_t* row, int32_t width, vcl::TStream* stream, int32_t fillOrder, bool& aborting) {
  if (!row) return;
  TBitWriter out(fillOrder, 0, 0, width);
  CCITTEncodeRuns(out, row, width);
  out.WriteAll(stream, aborting);
}

void CCITTEncodeT4Row(const uint8_t* row, int32_t width, vcl::TStream* stream, int32_t fillOrder,
                      bool& aborting, int32_t& pendingBits, uint8_t& pendingByte) {
  TBitWriter out(fillOrder, pendingBits, pendingByte, width);
  if (!row) {
    out.WriteAll(stream, aborting);
    pendingBits = 0;
    pendingByte = 0;
    return;
  }
  // Every coded line begins with an end of line: readers of one-dimensional T.4 data find
  // their lines by it.
  out.PutEOL();
  CCITTEncodeRuns(out, row, width);
  out.WriteWhole(stream, aborting, pendingBits, pendingByte);
}

void CCITTEncodeT4_2DRow(const uint8_t* row, int32_t width, vcl::TStream* stream, int32_t fillOrder,
                         bool& aborting, std::vector<uint8_t>& refLine, int32_t& pendingBits,
                         uint8_t& pendingByte) {
  TBitWriter out(fillOrder, pendingBits, pendingByte, width);
  out.PutEOL();
  if (!row) {
    refLine.clear();
    out.WriteAll(stream, aborting);
    pendingBits = 0;
    pendingByte = 0;
    return;
  }
  if (refLine.empty()) {
    out.Put(1, 1);
    CCITTEncodeRuns(out, row, width);
  } else {
    out.Put(0, 1);
    CCITTEncode2DLine(out, row, refLine.data(), width);
  }
  refLine.assign(row, row + RowBytes(width));
  out.WriteWhole(stream, aborting, pendingBits, pendingByte);
}

void CCITTEncodeT6Row(const uint8_t* row, int32_t width, vcl::TStream* stream, int32_t fillOrder,
                      bool& aborting, std::vector<uint8_t>& refLine, int32_t& pendingBits,
                      uint8_t& pendingByte) {
  TBitWriter out(fillOrder, pendingBits, pendingByte, width);
  if (!row) {
    out.PutEOL();
    out.PutEOL();
    refLine.clear();
    out.WriteAll(stream, aborting);
    pendingBits = 0;
    pendingByte = 0;
    return;
  }
  if (refLine.size() != RowBytes(width)) refLine.assign(RowBytes(width), 0);
  CCITTEncode2DLine(out, row, refLine.data(), width);
  refLine.assign(row, row + RowBytes(width));
  out.WriteWhole(stream, aborting, pendingBits, pendingByte);
}

// ---------------------------------------------------------------------------------------------

void TifCCITTStaticInit() { Trees(); }

void TifCCITTStaticFinalize() {
  std::lock_guard<std::mutex> guard(gTreesLock);
  delete gTrees.exchange(nullptr, std::memory_order_acq_rel);
}

namespace {
// The trees belong to the library's start-up like its other tables.
const bool kHooksRegistered = [] {
  IERegisterStaticHooks(ieshTifCCITT, TifCCITTStaticInit, TifCCITTStaticFinalize);
  return true;
}();
}  // namespace

}  // namespace imaging
