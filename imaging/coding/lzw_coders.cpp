#include "imaging/coding/lzw_coders.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/base/bit_helpers.h"
#include "vcl/runtime/streams.h"

namespace imaging {

TGIFLZWDecompressProc IEGIFLZWDecompressProc = GIFDecodeLZW;
TGIFLZWCompressProc IEGIFLZWCompressProc = GIFEncodeLZW;
TTIFFLZWDecompressProc IETIFFLZWDecompressProc = TIFFDecodeLZW;
TTIFFLZWCompressProc IETIFFLZWCompressProc = TIFFEncodeLZW;

namespace {

constexpr int32_t kMaxCodes = 4096;
constexpr int32_t kMaxCodeBits = 12;
constexpr int32_t kHashSize = 5003;  // a prime above 4096, so the table never fills
constexpr int32_t kBlockSize = 254;

// The hash shift both encoders use: 8 minus how often 5003 doubles below 65536.
constexpr int32_t HashShift() {
  int32_t count = 0;
  for (int64_t f = kHashSize; f < 65536; f *= 2) ++count;
  return 8 - count;
}

// The rows of an image in the order its pixels are coded: top-down, or the four GIF interlace
// passes (every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1).
std::vector<int32_t> RowOrder(int32_t height, bool interlaced) {
  std::vector<int32_t> rows;
  rows.reserve(static_cast<size_t>(std::max(height, 0)));
  if (!interlaced) {
    for (int32_t r = 0; r < height; ++r) rows.push_back(r);
    return rows;
  }
  static const int32_t kStart[4] = {0, 4, 2, 1};
  static const int32_t kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int32_t r = kStart[pass]; r < height; r += kStep[pass]) rows.push_back(r);
  return rows;
}

// The open-addressing string table of both encoders: a key (suffix << 12 | prefix) maps to the
// code given to that string.
class THashedTable {
 public:
  THashedTable() : keys_(kHashSize), codes_(kHashSize) { Clear(); }
  void Clear() { std::fill(keys_.begin(), keys_.end(), -1); }
  // Finds the key: true with its code; false with the empty slot where it belongs.
  bool Find(int32_t suffix, int32_t prefix, int32_t& code, int32_t& slot) const {
    const int32_t key = (suffix << kMaxCodeBits) + prefix;
    slot = (suffix << kShift) ^ prefix;
    if (keys_[slot] == key) {
      code = codes_[slot];
      return true;
    }
    if (keys_[slot] >= 0) {
      const int32_t step = slot == 0 ? 1 : kHashSize - slot;
      do {
        slot -= step;
        if (slot < 0) slot += kHashSize;
        if (keys_[slot] == key) {
          code = codes_[slot];
          return true;
        }
      } while (keys_[slot] >= 0);
    }
    return false;
  }
  void Store(int32_t slot, int32_t suffix, int32_t prefix, int32_t code) {
    keys_[slot] = (suffix << kMaxCodeBits) + prefix;
    codes_[slot] = static_cast<uint16_t>(code);
  }

 private:
  static constexpr int32_t kShift = HashShift();
  std::vector<int32_t> keys_;
  std::vector<uint16_t> codes_;
};

// ---------------------------------------------------------------------------------------------
// GIF decoding

class TGIFDecoder {
 public:
  TGIFDecoder(const std::vector<uint8_t>& data, int32_t minSize, int32_t height, int32_t width,
              bool interlaced, uint8_t* const* rows)
      : data_(data), minSize_(minSize), clear_(1 << minSize), end_(clear_ + 1), height_(height),
        width_(width), interlaced_(interlaced), rows_(rows) {
    Reset();
  }

  // False: the data is malformed (the caller restores the stream).
  bool Run() {
    int32_t code;
    if (!ReadCode(code)) return true;
    for (;;) {
      if (code == end_) return true;
      if (code == clear_) {
        Reset();
        do {
          if (!ReadCode(code)) return true;
        } while (code == clear_);
        if (code == end_) return AllDataUsed();
        if (code >= nextFree_) code = 0;
        Put(static_cast<uint8_t>(code));
        previous_ = code;
      } else if (code < nextFree_) {
        if (code > end_ && previous_ < 0) return false;
        const uint8_t first = WriteString(code);
        if (previous_ >= 0) AddEntry(previous_, first);
        previous_ = code;
      } else if (code == nextFree_ && previous_ >= 0 && !tableFull_) {
        const uint8_t first = FirstByte(previous_);
        AddEntry(previous_, first);
        WriteString(code);
        previous_ = code;
      } else {
        return false;
      }
      if (!ReadCode(code)) return true;
    }
  }

  // Whether the data holds nothing past the bits taken so far (whole bytes read ahead into the
  // bit buffer count as not taken).
  bool AllDataUsed() const { return byteIndex_ - bitCount_ / 8 >= data_.size(); }

 private:
  void Reset() {
    codeSize_ = minSize_ + 1;
    nextFree_ = end_ + 1;
    limit_ = 1 << codeSize_;
    tableFull_ = false;
    previous_ = -1;
  }

  bool ReadCode(int32_t& code) {
    if (bitCount_ < codeSize_) {
      const size_t size = data_.size();
      if (byteIndex_ + 8 <= size) {
        // Eight bytes at once (least significant first, as the codes are packed); the bytes
        // that do not fit whole are counted next time, and their bits land where they are.
        uint64_t word;
        std::memcpy(&word, data_.data() + byteIndex_, 8);
        bits_ |= word << bitCount_;
        const int32_t taken = (63 - bitCount_) >> 3;
        byteIndex_ += size_t(taken);
        bitCount_ += taken * 8;
      } else {
        while (bitCount_ < codeSize_) {
          if (byteIndex_ >= size) return false;
          bits_ |= uint64_t(data_[byteIndex_++]) << bitCount_;
          bitCount_ += 8;
        }
      }
    }
    code = static_cast<int32_t>(bits_ & ((1u << codeSize_) - 1));
    bits_ >>= codeSize_;
    bitCount_ -= codeSize_;
    return true;
  }

  uint8_t FirstByte(int32_t code) const {
    while (code > end_) code = prefix_[code];
    return static_cast<uint8_t>(code);
  }

  // Writes the code's string and returns its first byte. A string that ends inside the current
  // row goes straight to its place, last byte first; one that reaches the next row, through the
  // stack one pixel at a time.
  uint8_t WriteString(int32_t code) {
    const int32_t length = code > end_ ? length_[code] : 1;
    if (row_ >= height_ || column_ + length >= width_) {
      const uint8_t first = PushString(code);
      PopStack();
      return first;
    }
    uint8_t* p = rows_[row_] + column_ + length;
    for (; code > end_; code = prefix_[code]) *--p = suffix_[code];
    *--p = static_cast<uint8_t>(code);
    column_ += length;
    return static_cast<uint8_t>(code);
  }

  // Pushes the code's string (last byte first) and returns its first byte.
  uint8_t PushString(int32_t code) {
    while (code > end_ && stackSize_ < kMaxCodes) {
      stack_[stackSize_++] = suffix_[code];
      code = prefix_[code];
    }
    if (stackSize_ < kMaxCodes) stack_[stackSize_++] = static_cast<uint8_t>(code);
    return static_cast<uint8_t>(code);
  }

  // A full table takes no more entries: decoding goes on with 12-bit codes until a clear code,
  // as encoders that defer the clear code expect.
  void AddEntry(int32_t prefix, uint8_t suffix) {
    if (tableFull_ || nextFree_ >= kMaxCodes) return;
    prefix_[nextFree_] = static_cast<uint16_t>(prefix);
    suffix_[nextFree_] = suffix;
    length_[nextFree_] = static_cast<uint16_t>((prefix > end_ ? length_[prefix] : 1) + 1);
    ++nextFree_;
    if (nextFree_ >= limit_) {
      if (codeSize_ < kMaxCodeBits) {
        ++codeSize_;
        limit_ *= 2;
      } else {
        tableFull_ = true;
      }
    }
  }

  void PopStack() {
    while (stackSize_ > 0) Put(stack_[--stackSize_]);
  }

  void Put(uint8_t pixel) {
    if (row_ >= height_) return;
    rows_[row_][column_] = pixel;
    if (++column_ < width_) return;
    NextRow();
  }

  // On to the start of the next row in coded order.
  void NextRow() {
    column_ = 0;
    if (!interlaced_) {
      ++row_;
      return;
    }
    row_ += step_;
    while (row_ >= height_ && pass_ < 3) {
      if (pass_ > 0) step_ /= 2;
      ++pass_;
      row_ = step_ / 2;
    }
  }

 public:
  // Sets the pixels the data did not reach to 0, in coded order from where decoding stopped.
  void ClearUnreached() {
    while (row_ < height_) {
      std::memset(rows_[row_] + column_, 0, static_cast<size_t>(width_ - column_));
      NextRow();
    }
  }

 private:

  const std::vector<uint8_t>& data_;
  size_t byteIndex_ = 0;
  uint64_t bits_ = 0;
  int32_t bitCount_ = 0;

  const int32_t minSize_, clear_, end_;
  int32_t codeSize_ = 0, nextFree_ = 0, limit_ = 0, previous_ = -1;
  bool tableFull_ = false;
  uint16_t prefix_[kMaxCodes] = {};
  uint8_t suffix_[kMaxCodes] = {};
  uint16_t length_[kMaxCodes] = {};  // pixels of each code's string
  uint8_t stack_[kMaxCodes] = {};
  int32_t stackSize_ = 0;

  const int32_t height_, width_;
  const bool interlaced_;
  uint8_t* const* const rows_;
  int32_t row_ = 0, column_ = 0, step_ = 8, pass_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Encoding: the code packing the two formats differ in

class TBlockWriter {
 public:
  TBlockWriter(vcl::TStream* stream, bool countBytes) : stream_(stream), countBytes_(countBytes) {}
  void Add(uint8_t b) {
    block_[size_++] = b;
    if (size_ == kBlockSize) Flush();
  }
  void Flush() {
    if (size_ == 0) return;
    if (countBytes_) {
      uint8_t count = static_cast<uint8_t>(size_);
      stream_->WriteBuffer(&count, 1);
    }
    stream_->WriteBuffer(block_, size_);
    size_ = 0;
  }

 private:
  vcl::TStream* stream_;
  bool countBytes_;  // GIF data sub-blocks start with their length
  uint8_t block_[kBlockSize];
  int32_t size_ = 0;
};

}  // namespace

// ---------------------------------------------------------------------------------------------

void GIFDecodeLZW(vcl::TStream* stream, int32_t height, int32_t width, bool interlaced, uint8_t* pixels) {
  std::vector<uint8_t*> rows;
  if (pixels && width > 0 && height > 0)
    for (int32_t y = 0; y < height; ++y) rows.push_back(pixels + static_cast<size_t>(y) * width);
  GIFDecodeLZWRows(stream, height, width, interlaced, pixels ? rows.data() : nullptr);
}

void GIFDecodeLZWRows(vcl::TStream* stream, int32_t height, int32_t width, bool interlaced, uint8_t* const* rows) {
  const int64_t start = stream->Position();
  uint8_t minSize = 0;
  if (stream->Read(&minSize, 1) != 1 || minSize < 2 || minSize > 9) {
    stream->SetPosition(start);
    return;
  }
  std::vector<uint8_t> data;
  uint8_t block[255];
  for (;;) {
    uint8_t count = 0;
    if (stream->Read(&count, 1) != 1 || count == 0) break;
    int32_t got = stream->Read(block, count);
    if (got <= 0) break;
    data.insert(data.end(), block, block + got);
    if (got < count) break;
  }
  if (!rows || width <= 0 || height <= 0) return;
  auto decoder = std::make_unique<TGIFDecoder>(data, minSize, height, width, interlaced, rows);
  if (!decoder->Run()) {
    stream->SetPosition(start);
    return;
  }
  decoder->ClearUnreached();
}

void GIFEncodeLZW(vcl::TStream* stream, int32_t height, int32_t width, bool interlaced,
                  const uint8_t* pixels, int32_t bitsPerPixel) {
  // Pixels are bytes, so more than 8 bits would only waste codes.
  const int32_t minSize = std::clamp(bitsPerPixel, 2, 8);
  const int32_t initialBits = minSize + 1;
  const int32_t clear = 1 << minSize;
  const int32_t end = clear + 1;
  // Indexes beyond the palette would collide with the control codes.
  const uint8_t pixelMask = static_cast<uint8_t>(clear - 1);

  const uint8_t sizeByte = static_cast<uint8_t>(minSize);
  stream->WriteBuffer(&sizeByte, 1);
  TBlockWriter out(stream, true);
  auto table = std::make_unique<THashedTable>();
  int32_t codeWidth = initialBits, maxCode = (1 << codeWidth) - 1, nextFree = clear + 2;
  bool clearFlag = false;
  uint32_t bits = 0;
  int32_t bitCount = 0;

  auto output = [&](int32_t code) {
    bits |= static_cast<uint32_t>(code) << bitCount;
    bitCount += codeWidth;
    while (bitCount >= 8) {
      out.Add(static_cast<uint8_t>(bits));
      bits >>= 8;
      bitCount -= 8;
    }
    if (nextFree > maxCode || clearFlag) {
      if (clearFlag) {
        codeWidth = initialBits;
        maxCode = (1 << codeWidth) - 1;
        clearFlag = false;
      } else {
        ++codeWidth;
        maxCode = codeWidth == kMaxCodeBits ? kMaxCodes : (1 << codeWidth) - 1;
      }
    }
  };

  output(clear);
  const bool havePixels = pixels && width > 0 && height > 0;
  if (havePixels) {
    const std::vector<int32_t> rows = RowOrder(height, interlaced);
    int32_t prefix = -1;
    for (int32_t row : rows) {
      const uint8_t* p = pixels + static_cast<size_t>(row) * width;
      for (int32_t x = 0; x < width; ++x) {
        const int32_t c = p[x] & pixelMask;
        if (prefix < 0) {
          prefix = c;
          continue;
        }
        int32_t code, slot;
        if (table->Find(c, prefix, code, slot)) {
          prefix = code;
          continue;
        }
        output(prefix);
        if (nextFree < kMaxCodes) {
          table->Store(slot, c, prefix, nextFree++);
        } else {
          table->Clear();
          nextFree = clear + 2;
          clearFlag = true;
          output(clear);
        }
        prefix = c;
      }
    }
    output(prefix);
  }
  output(end);
  if (bitCount > 0) out.Add(static_cast<uint8_t>(bits));
  out.Flush();
  const uint8_t terminator = 0;
  stream->WriteBuffer(&terminator, 1);
}

// ---------------------------------------------------------------------------------------------
// TIFF decoding, incremental across calls

namespace {

constexpr int32_t kClearCode = 256;
constexpr int32_t kEndCode = 257;
constexpr int32_t kFirstFree = 258;

class TTIFFDecoder {
 public:
  TTIFFDecoder(const uint8_t* data, int64_t length, int32_t fillOrder)
      : data_(data), length_(data ? std::max<int64_t>(length, 0) : 0), reversed_(fillOrder == 2) {}

  // The next `count` bytes; nil once the data has proved malformed. Bytes the data does not
  // supply (after the end of information) read as zero.
  uint8_t* Next(int32_t count) {
    if (failed_) return nullptr;
    const int64_t start = delivered_;
    const int64_t target = start + std::max(count, 0);
    MakeRoom(start, target);
    if (!ended_) DecodeUntil(target);
    if (failed_) return nullptr;
    if (held_ < target) {
      std::memset(output_.data() + (held_ - base_), 0, static_cast<size_t>(target - held_));
      held_ = target;
    }
    delivered_ = target;
    return output_.data() + (start - base_);
  }

 private:
  // A string of the table lies in the output already: `length` bytes from absolute position
  // `offset`. Each new string is the previous code's string and one byte more, and that is
  // exactly what the output holds where the previous code's string was written, so a code is
  // decoded by one short copy instead of a walk along its prefixes.
  struct TEntry {
    int64_t offset;
    int32_t length;
  };

  // The longest string the table can hold, and the bytes a copy may write past a string's end.
  static constexpr int64_t kLongestString = kMaxCodes;
  static constexpr int64_t kCopySlack = 16;

  // Makes room for the output up to `target` and the longest string after it. The bytes before
  // `start` were handed out already; they stay only while the table refers to them (the
  // strings since the last clear code), and are dropped only when the buffer is full, so
  // that decoding row by row does not move the table's bytes on every call.
  void MakeRoom(int64_t start, int64_t target) {
    const int64_t end = target + kLongestString + kCopySlack;
    if (end - base_ <= static_cast<int64_t>(output_.size())) return;
    const int64_t keep = std::min(start, windowStart_);
    if (keep > base_) {
      std::memmove(output_.data(), output_.data() + (keep - base_), static_cast<size_t>(held_ - keep));
      base_ = keep;
    }
    if (end - base_ > static_cast<int64_t>(output_.size())) output_.resize(static_cast<size_t>(2 * (end - base_)));
  }

  uint8_t ByteAt(int64_t index) const {
    if (index >= length_) return 0;
    uint8_t b = data_[index];
    if (reversed_) ReverseByteBits(b);
    return b;
  }

  // False at the end of the input: a code that the data cannot hold in full is an end of
  // information.
  bool ReadCode(int64_t& bitPos, int32_t width, int32_t& code) const {
    if (bitPos + width > length_ * 8) return false;
    const int64_t byte = bitPos >> 3;
    if (!reversed_ && byte + 8 <= length_) {
      // Away from the end of the data: eight bytes at once, most significant bit first.
      uint64_t window;
      std::memcpy(&window, data_ + byte, 8);
      window = __builtin_bswap64(window) << (bitPos & 7);
      code = static_cast<int32_t>(window >> (64 - width));
    } else {
      uint32_t window = static_cast<uint32_t>(ByteAt(byte)) << 24 | static_cast<uint32_t>(ByteAt(byte + 1)) << 16 |
                        static_cast<uint32_t>(ByteAt(byte + 2)) << 8;
      window <<= (bitPos & 7);
      code = static_cast<int32_t>(window >> (32 - width));
    }
    bitPos += width;
    return true;
  }

  // Copies a string of the output to its end in words. The source ends before the target
  // starts, so the words read past the string's end carry only bytes that later strings
  // overwrite.
  static void CopyString(uint8_t* to, const uint8_t* from, int32_t length) {
    for (int32_t i = 0; i < length; i += 8) {
      uint64_t word;
      std::memcpy(&word, from + i, 8);
      std::memcpy(to + i, &word, 8);
    }
  }

  // Decodes codes until the output reaches `target` or decoding stops (end of information, end
  // of input, or failure). The state lives in locals meanwhile: every byte stored could
  // otherwise alias it and force it back to memory.
  void DecodeUntil(int64_t target) {
    uint8_t* const out = output_.data();
    const int64_t base = base_;
    int64_t held = held_, bitPos = bitPos_;
    int32_t width = width_, nextFree = nextFree_, previous = previous_;
    int64_t previousAt = previousAt_;
    int32_t previousLength = previousLength_;
    // False: the table cannot take another entry (the data is malformed).
    auto addEntry = [&]() {
      if (nextFree >= kMaxCodes) return false;
      entries_[nextFree] = {previousAt, previousLength + 1};
      ++nextFree;
      // The early change: the width grows one code before the power of two.
      if (nextFree == 511) width = 10;
      else if (nextFree == 1023) width = 11;
      else if (nextFree == 2047) width = 12;
      return true;
    };
    while (held < target) {
      int32_t code;
      if (!ReadCode(bitPos, width, code)) {
        ended_ = true;
        break;
      }
      int32_t length;
      if (code >= kFirstFree) {
        if (code < nextFree) {
          const TEntry entry = entries_[code];
          CopyString(out + (held - base), out + (entry.offset - base), entry.length);
          length = entry.length;
          if (previous >= 0 && !addEntry()) {
            failed_ = true;
            break;
          }
        } else if (code == nextFree && previous >= 0) {
          // The string being defined: the previous one and its own first byte.
          if (!addEntry()) {
            failed_ = true;
            break;
          }
          CopyString(out + (held - base), out + (previousAt - base), previousLength);
          out[held - base + previousLength] = out[previousAt - base];
          length = previousLength + 1;
        } else {
          ended_ = true;
          break;
        }
      } else if (code < kClearCode) {
        out[held - base] = static_cast<uint8_t>(code);
        length = 1;
        if (previous >= 0 && !addEntry()) {
          failed_ = true;
          break;
        }
      } else if (code == kClearCode) {
        do {
          nextFree = kFirstFree;
          width = 9;
          if (!ReadCode(bitPos, width, code)) break;
        } while (code == kClearCode);
        if (code == kClearCode || code == kEndCode) {
          ended_ = true;
          break;
        }
        if (code >= nextFree) {
          failed_ = true;
          break;
        }
        // The strings of the new table all lie from here on.
        windowStart_ = held;
        out[held - base] = static_cast<uint8_t>(code);
        length = 1;
      } else {  // the end of information
        ended_ = true;
        break;
      }
      previousAt = held;
      previousLength = length;
      previous = code;
      held += length;
    }
    held_ = held;
    bitPos_ = bitPos;
    width_ = width;
    nextFree_ = nextFree;
    previous_ = previous;
    previousAt_ = previousAt;
    previousLength_ = previousLength;
  }

  const uint8_t* data_;
  const int64_t length_;
  const bool reversed_;
  int64_t bitPos_ = 0;
  int32_t width_ = 9;
  int32_t nextFree_ = kFirstFree;
  int32_t previous_ = -1;        // the last code decoded, -1 before the first
  int64_t previousAt_ = 0;       // where its string was written, and its length
  int32_t previousLength_ = 0;
  bool failed_ = false;
  bool ended_ = false;
  // Positions are counted from the strip's first decoded byte; output_ holds them from base_.
  std::vector<uint8_t> output_;
  int64_t base_ = 0;
  int64_t held_ = 0;         // the end of the bytes decoded
  int64_t delivered_ = 0;    // the end of the bytes handed out
  int64_t windowStart_ = 0;  // the first byte the table's strings may lie in
  TEntry entries_[kMaxCodes];
};

// TIFF encoding, incremental across calls
class TTIFFEncoder {
 public:
  explicit TTIFFEncoder(vcl::TStream* stream) : out_(stream, false) { Output(kClearCode); }

  void Encode(const uint8_t* data, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
      const int32_t c = data[i];
      if (prefix_ < 0) {
        prefix_ = c;
        continue;
      }
      int32_t code, slot;
      if (table_.Find(c, prefix_, code, slot)) {
        prefix_ = code;
        continue;
      }
      Output(prefix_);
      // Clear before code 4094 would be given, as readers expect.
      if (nextFree_ <= 4093) {
        table_.Store(slot, c, prefix_, nextFree_++);
      } else {
        table_.Clear();
        nextFree_ = kFirstFree;
        clearFlag_ = true;
        Output(kClearCode);
      }
      prefix_ = c;
    }
  }

  void Finish() {
    if (prefix_ >= 0) Output(prefix_);
    Output(kEndCode);
    if (bitCount_ > 0) out_.Add(static_cast<uint8_t>(bits_ >> 24));
    out_.Flush();
  }

 private:
  void Output(int32_t code) {
    bits_ |= static_cast<uint32_t>(code) << (32 - bitCount_ - codeWidth_);
    bitCount_ += codeWidth_;
    while (bitCount_ >= 8) {
      out_.Add(static_cast<uint8_t>(bits_ >> 24));
      bits_ <<= 8;
      bitCount_ -= 8;
    }
    if (clearFlag_) {
      codeWidth_ = 9;
      maxCode_ = 511;
      clearFlag_ = false;
    } else if (nextFree_ >= maxCode_) {
      // The early change: one code before the power of two.
      ++codeWidth_;
      maxCode_ = codeWidth_ == kMaxCodeBits ? 4095 : (1 << codeWidth_) - 1;
    }
  }

  TBlockWriter out_;
  THashedTable table_;
  int32_t codeWidth_ = 9, maxCode_ = 511, nextFree_ = kFirstFree, prefix_ = -1;
  bool clearFlag_ = false;
  uint32_t bits_ = 0;
  int32_t bitCount_ = 0;
};

}  // namespace

uint8_t* TIFFDecodeLZW(const uint8_t* compressed, int32_t count, void*& state, int32_t fillOrder,
                       int64_t compressedLength) {
  if (!compressed) {
    delete static_cast<TTIFFDecoder*>(state);
    state = nullptr;
    return nullptr;
  }
  if (!state) state = new TTIFFDecoder(compressed, compressedLength, fillOrder);
  return static_cast<TTIFFDecoder*>(state)->Next(count);
}

void TIFFEncodeLZW(const uint8_t* data, int32_t count, vcl::TStream* output, void*& state) {
  auto* encoder = static_cast<TTIFFEncoder*>(state);
  if (!data) {
    if (!encoder) return;
    state = nullptr;
    std::unique_ptr<TTIFFEncoder> owned(encoder);
    owned->Finish();
    return;
  }
  if (!encoder) state = encoder = new TTIFFEncoder(output);
  encoder->Encode(data, count);
}

}  // namespace imaging
