#include "imaging/metadata/tiff_tags.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <set>

#include "imaging/base/number_helpers.h"
#include "imaging/base/text_helpers.h"
#include "imaging/metadata/tiff_types.h"
#include "imaging/base/wide_file.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

constexpr uint16_t kTagStripOffsets = 273;
constexpr uint16_t kTagStripByteCounts = 279;
constexpr uint16_t kTagCompression = 259;
constexpr uint16_t kTagJPEGInterchange = 513;
constexpr uint16_t kTagJPEGInterchangeLength = 514;
constexpr uint16_t kOldJPEGTableTags[] = {519, 520, 521};
constexpr uint16_t kCompressionOldJPEG = 6;
constexpr uint16_t kVersionHDPhoto = 0x01BC;

// Sub-directories deeper than this, or chains longer than this, are not real files.
constexpr int kMaxSubIFDDepth = 4;
constexpr int kMaxPages = 65536;

bool IsSubIFDTag(uint16_t tag) { return tag == 34665 || tag == 34853 || tag == 40965; }

struct TBlockPair {
  uint16_t offsets;
  uint16_t byteCounts;
};

std::vector<TBlockPair> BlockPairs(uint16_t version) {
  std::vector<TBlockPair> pairs = {{kTagStripOffsets, kTagStripByteCounts}, {324, 325},
                                   {kTagJPEGInterchange, kTagJPEGInterchangeLength}};
  if (version == kVersionHDPhoto) {
    pairs.push_back({48320, 48321});
    pairs.push_back({48322, 48323});
  }
  return pairs;
}

int32_t IndexOfTag(const TIETIFFIFD& entries, uint16_t tag) {
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i].Tag == tag) return static_cast<int32_t>(i);
  return -1;
}

// The index-th value of an entry read as an integer, or nothing when the entry has no such
// value (out of count, data missing, or a type without an integer reading).
std::optional<int64_t> EntryInteger(const TIETIFFEntry& entry, uint32_t index, bool bigEndian) {
  if (index >= entry.Count || entry.HasBlocks) return std::nullopt;
  uint32_t size = TIFFTypeSize(entry.Type);
  uint64_t dataSize = TIFFDataSize(entry.Type, entry.Count);
  const uint8_t* base = dataSize <= 4 ? entry.Value : entry.Data.data();
  if (dataSize > 4 && entry.Data.size() < dataSize) return std::nullopt;
  const uint8_t* p = base + uint64_t(index) * size;
  switch (entry.Type) {
    case ttByte: case ttASCII: case ttUndefined: return p[0];
    case ttSByte: return static_cast<int8_t>(p[0]);
    case ttShort: case ttSShort: return ReadTIFF16(p, bigEndian);
    case ttLong: return ReadTIFF32(p, bigEndian);
    case ttSLong: return static_cast<int32_t>(ReadTIFF32(p, bigEndian));
    default: return std::nullopt;
  }
}

void SortByTag(TIETIFFIFD& entries) {
  std::stable_sort(entries.begin(), entries.end(),
                   [](const TIETIFFEntry& a, const TIETIFFEntry& b) { return a.Tag < b.Tag; });
}

// Where the scan data of a JPEG interchange block starts (its start-of-scan marker), or -1.
int64_t FindStartOfScan(const std::vector<uint8_t>& block) {
  for (size_t i = 0; i + 1 < block.size(); ++i)
    if (block[i] == 0xFF && block[i + 1] == 0xDA) return static_cast<int64_t>(i);
  return -1;
}

}  // namespace

// ---- reading ----

class TIETIFFHandler::Reader {
 public:
  Reader(vcl::TStream* stream, bool bigEndian, uint16_t version)
      : stream_(stream), size_(static_cast<uint64_t>(std::max<int64_t>(stream->Size(), 0))),
        bigEndian_(bigEndian), version_(version), budget_(2 * size_ + (1 << 20)) {}

  // Reads the directory at `offset` into entries; false when it cannot be read or was read
  // before (a loop). next receives its next-directory offset (0 when there is none).
  bool ReadIFD(uint64_t offset, int depth, TIETIFFIFD& entries, uint32_t& next) {
    next = 0;
    if (offset + 2 > size_ || !visited_.insert(offset).second) return false;
    uint8_t countBytes[2];
    ReadAt(offset, countBytes, 2);
    uint32_t count = ReadTIFF16(countBytes, bigEndian_);
    const uint64_t fits = (size_ - offset - 2) / 12;
    const bool complete = count <= fits;
    count = static_cast<uint32_t>(std::min<uint64_t>(count, fits));
    std::vector<uint8_t> raw(12 * size_t(count));
    if (count) ReadAt(offset + 2, raw.data(), static_cast<int32_t>(raw.size()));
    uint64_t nextField = offset + 2 + 12 * uint64_t(count);
    if (complete && nextField + 4 <= size_) {
      uint8_t nextBytes[4];
      ReadAt(nextField, nextBytes, 4);
      next = ReadTIFF32(nextBytes, bigEndian_);
    }

    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* e = raw.data() + 12 * size_t(i);
      TIETIFFEntry entry;
      entry.Tag = ReadTIFF16(e, bigEndian_);
      entry.Type = ReadTIFF16(e + 2, bigEndian_);
      entry.Count = ReadTIFF32(e + 4, bigEndian_);
      std::memcpy(entry.Value, e + 8, 4);
      uint64_t dataSize = TIFFDataSize(entry.Type, entry.Count);
      if (dataSize > 4 && !ReadData(ReadTIFF32(entry.Value, bigEndian_), dataSize, entry.Data)) continue;
      if (IsSubIFDTag(entry.Tag)) {
        std::optional<int64_t> at =
            entry.Count >= 1 && dataSize <= 4 ? std::optional<int64_t>(ReadTIFF32(entry.Value, bigEndian_))
                                              : std::nullopt;
        uint32_t ignored = 0;
        if (!at || depth >= kMaxSubIFDDepth || !ReadIFD(static_cast<uint64_t>(*at), depth + 1, entry.SubIFD, ignored))
          continue;
        entry.IsSubIFD = true;
      }
      entries.push_back(std::move(entry));
    }
    ReadBlocks(entries);
    DropOldJPEGStrips(entries);
    SortByTag(entries);
    return true;
  }

 private:
  void ReadAt(uint64_t offset, void* buffer, int32_t count) {
    stream_->SetPosition(static_cast<int64_t>(offset));
    stream_->ReadBuffer(buffer, count);
  }

  // Copies data that lies wholly within the stream, within the handler's memory budget.
  bool ReadData(uint64_t offset, uint64_t size, std::vector<uint8_t>& out) {
    if (offset > size_ || size > size_ - offset || size > budget_ - used_) return false;
    if (size > uint64_t(std::numeric_limits<int32_t>::max())) return false;
    used_ += size;
    out.resize(static_cast<size_t>(size));
    if (size) ReadAt(offset, out.data(), static_cast<int32_t>(size));
    return true;
  }

  // Replaces the offsets of each data-block pair by copies of the blocks. A pair whose counts
  // differ, or one of whose blocks lies outside the stream, is dropped whole: half of it would
  // describe data that is not there.
  void ReadBlocks(TIETIFFIFD& entries) {
    for (const TBlockPair& pair : BlockPairs(version_)) {
      int32_t offsetsIndex = IndexOfTag(entries, pair.offsets);
      if (offsetsIndex < 0) continue;
      int32_t countsIndex = IndexOfTag(entries, pair.byteCounts);
      TIETIFFEntry& offsets = entries[offsetsIndex];
      bool ok = countsIndex >= 0 && entries[countsIndex].Count == offsets.Count;
      std::vector<std::vector<uint8_t>> blocks;
      for (uint32_t i = 0; ok && i < offsets.Count; ++i) {
        std::optional<int64_t> at = EntryInteger(offsets, i, bigEndian_);
        std::optional<int64_t> length = EntryInteger(entries[countsIndex], i, bigEndian_);
        blocks.emplace_back();
        ok = at && length && *at >= 0 && *length >= 0 &&
             ReadData(static_cast<uint64_t>(*at), static_cast<uint64_t>(*length), blocks.back());
      }
      if (!ok) {
        entries.erase(entries.begin() + offsetsIndex);
        countsIndex = IndexOfTag(entries, pair.byteCounts);
        if (countsIndex >= 0) entries.erase(entries.begin() + countsIndex);
        continue;
      }
      offsets.Type = ttLong;
      offsets.Data.clear();
      std::memset(offsets.Value, 0, 4);
      offsets.HasBlocks = true;
      offsets.Blocks = std::move(blocks);
    }
  }

  // Old-style JPEG pages carry both strips and an interchange block; the block alone is kept
  // (the writer points a strip at its scan data), and so are none of the old table tags.
  void DropOldJPEGStrips(TIETIFFIFD& entries) {
    int32_t compression = IndexOfTag(entries, kTagCompression);
    if (compression < 0 || EntryInteger(entries[compression], 0, bigEndian_) != kCompressionOldJPEG) return;
    if (IndexOfTag(entries, kTagStripOffsets) < 0 || IndexOfTag(entries, kTagJPEGInterchange) < 0) return;
    for (uint16_t tag : {kTagStripOffsets, kOldJPEGTableTags[0], kOldJPEGTableTags[1], kOldJPEGTableTags[2]}) {
      int32_t index = IndexOfTag(entries, tag);
      if (index >= 0) entries.erase(entries.begin() + index);
    }
  }

  vcl::TStream* stream_;
  uint64_t size_;
  bool bigEndian_;
  uint16_t version_;
  std::set<uint64_t> visited_;
  uint64_t budget_;
  uint64_t used_ = 0;
};

TIETIFFHandler* TIETIFFHandler::CreateFromFile(const std::string& fileName) {
  auto handler = std::make_unique<TIETIFFHandler>();
  handler->ReadFromFile(fileName);
  return handler.release();
}

TIETIFFHandler* TIETIFFHandler::CreateFromStream(vcl::TStream* stream) {
  auto handler = std::make_unique<TIETIFFHandler>();
  handler->ReadFromStream(stream);
  return handler.release();
}

bool TIETIFFHandler::ReadFromFile(const std::string& fileName) {
  if (!IEFileExists(fileName)) return false;
  vcl::TFileStream stream(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
  return ReadFromStream(&stream);
}

bool TIETIFFHandler::ReadFromStream(vcl::TStream* stream) {
  pages_.clear();
  uint8_t header[8];
  stream->SetPosition(0);
  if (stream->Read(header, 8) != 8) return false;
  bool ii = header[0] == 'I' && header[1] == 'I', mm = header[0] == 'M' && header[1] == 'M';
  if (!ii && !mm) return false;
  bigEndian_ = mm;
  version_ = ReadTIFF16(header + 2, bigEndian_);
  Reader reader(stream, bigEndian_, version_);
  uint64_t offset = ReadTIFF32(header + 4, bigEndian_);
  while (offset != 0 && static_cast<int>(pages_.size()) < kMaxPages) {
    TIETIFFIFD page;
    uint32_t next = 0;
    if (!reader.ReadIFD(offset, 0, page, next)) break;
    pages_.push_back(std::move(page));
    offset = next;
  }
  return true;
}

// ---- writing ----

class TIETIFFHandler::Writer {
 public:
  Writer(vcl::TStream* stream, bool bigEndian) : stream_(stream), bigEndian_(bigEndian) {}

  // Writes a directory at the (even) position and its data after it; returns the position of
  // its next-directory field (written as 0) and leaves the stream after the data.
  int64_t WriteIFD(const TIETIFFIFD& entries) {
    // A page holding only an interchange block gets one strip pointing at its scan data, in
    // its sorted place; without a start-of-scan marker there is nothing to point at.
    std::vector<const TIETIFFEntry*> order;
    for (const TIETIFFEntry& entry : entries) order.push_back(&entry);
    TIETIFFEntry strip;
    int32_t interchange = IndexOfTag(entries, kTagJPEGInterchange);
    int64_t scanOffset = -1;
    if (interchange >= 0 && IndexOfTag(entries, kTagStripOffsets) < 0 && entries[interchange].HasBlocks &&
        entries[interchange].Blocks.size() == 1)
      scanOffset = FindStartOfScan(entries[interchange].Blocks[0]);
    if (scanOffset >= 0) {
      strip.Tag = kTagStripOffsets;
      strip.Type = ttLong;
      strip.Count = 1;
      order.push_back(&strip);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const TIETIFFEntry* a, const TIETIFFEntry* b) { return a->Tag < b->Tag; });

    const int64_t start = stream_->Position();
    const size_t count = order.size();
    std::vector<uint8_t> directory(2 + 12 * count + 4, 0);
    WriteTIFF16(directory.data(), static_cast<uint16_t>(count), bigEndian_);
    stream_->WriteBuffer(directory.data(), static_cast<int32_t>(directory.size()));

    int64_t interchangePosition = -1;
    std::vector<uint8_t> values(4 * count);
    std::vector<uint32_t> counts(count);
    size_t stripSlot = count;
    for (size_t i = 0; i < count; ++i) {
      const TIETIFFEntry& entry = *order[i];
      counts[i] = entry.Count;
      uint8_t* value = values.data() + 4 * i;
      if (&entry == &strip) {
        stripSlot = i;
      } else if (entry.HasBlocks) {
        std::vector<uint32_t> positions;
        for (const std::vector<uint8_t>& block : entry.Blocks) {
          positions.push_back(static_cast<uint32_t>(stream_->Position()));
          Write(block.data(), block.size());
        }
        counts[i] = static_cast<uint32_t>(positions.size());
        if (entry.Tag == kTagJPEGInterchange && !positions.empty()) interchangePosition = positions[0];
        if (positions.size() == 1) {
          WriteTIFF32(value, positions[0], bigEndian_);
        } else if (!positions.empty()) {
          PadToEven();
          WriteTIFF32(value, static_cast<uint32_t>(stream_->Position()), bigEndian_);
          std::vector<uint8_t> array(4 * positions.size());
          for (size_t p = 0; p < positions.size(); ++p) WriteTIFF32(array.data() + 4 * p, positions[p], bigEndian_);
          Write(array.data(), array.size());
        }
      } else if (entry.IsSubIFD) {
        PadToEven();
        WriteTIFF32(value, static_cast<uint32_t>(stream_->Position()), bigEndian_);
        WriteIFD(entry.SubIFD);
      } else if (TIFFDataSize(entry.Type, entry.Count) > 4) {
        PadToEven();
        WriteTIFF32(value, static_cast<uint32_t>(stream_->Position()), bigEndian_);
        Write(entry.Data.data(), entry.Data.size());
      } else {
        std::memcpy(value, entry.Value, 4);
      }
    }
    if (stripSlot < count) WriteTIFF32(values.data() + 4 * stripSlot, static_cast<uint32_t>(interchangePosition + scanOffset), bigEndian_);

    const int64_t end = stream_->Position();
    for (size_t i = 0; i < count; ++i) {
      uint8_t* e = directory.data() + 2 + 12 * i;
      WriteTIFF16(e, order[i]->Tag, bigEndian_);
      WriteTIFF16(e + 2, order[i] == &strip ? uint16_t(ttLong) : order[i]->HasBlocks ? uint16_t(ttLong) : order[i]->Type,
                  bigEndian_);
      WriteTIFF32(e + 4, counts[i], bigEndian_);
      std::memcpy(e + 8, values.data() + 4 * i, 4);
    }
    stream_->SetPosition(start);
    stream_->WriteBuffer(directory.data(), static_cast<int32_t>(directory.size()));
    stream_->SetPosition(end);
    return start + 2 + 12 * static_cast<int64_t>(count);
  }

  void PadToEven() {
    if (stream_->Position() & 1) {
      static const uint8_t kZero = 0;
      stream_->WriteBuffer(&kZero, 1);
    }
  }

  void Write(const uint8_t* data, size_t size) {
    if (size) stream_->WriteBuffer(data, static_cast<int32_t>(size));
  }

  void WriteOffsetAt(int64_t field, uint32_t value) {
    int64_t back = stream_->Position();
    uint8_t bytes[4];
    WriteTIFF32(bytes, value, bigEndian_);
    stream_->SetPosition(field);
    stream_->WriteBuffer(bytes, 4);
    stream_->SetPosition(back);
  }

 private:
  vcl::TStream* stream_;
  bool bigEndian_;
};

void TIETIFFHandler::WriteToStream(vcl::TStream* stream, int32_t page) {
  Writer writer(stream, bigEndian_);
  uint8_t header[8];
  header[0] = header[1] = bigEndian_ ? 'M' : 'I';
  WriteTIFF16(header + 2, version_, bigEndian_);
  const int64_t start = stream->Position();
  WriteTIFF32(header + 4, static_cast<uint32_t>(start + 8), bigEndian_);
  stream->WriteBuffer(header, 8);

  std::vector<TIETIFFIFD*> toWrite;
  if (page < 0 || page >= PageCount())
    for (TIETIFFIFD& p : pages_) toWrite.push_back(&p);
  else
    toWrite.push_back(&pages_[page]);
  if (toWrite.empty()) {
    // No directory at all: an empty one keeps the header's offset pointing at something.
    TIETIFFIFD empty;
    writer.WriteIFD(empty);
    return;
  }
  int64_t previousNext = -1;
  for (TIETIFFIFD* p : toWrite) {
    SortByTag(*p);
    writer.PadToEven();
    if (previousNext >= 0) writer.WriteOffsetAt(previousNext, static_cast<uint32_t>(stream->Position()));
    previousNext = writer.WriteIFD(*p);
  }
}

void TIETIFFHandler::WriteToFile(const std::string& fileName, int32_t page) {
  vcl::TFileStream stream(fileName, vcl::fmCreate);
  WriteToStream(&stream, page);
}

// ---- editing ----

TIETIFFIFD& TIETIFFHandler::Page(int32_t index) {
  if (index < 0 || index >= PageCount()) throw vcl::EListError("List index out of bounds (" + std::to_string(index) + ")");
  return pages_[index];
}

const TIETIFFIFD& TIETIFFHandler::Page(int32_t index) const {
  return const_cast<TIETIFFHandler*>(this)->Page(index);
}

int32_t TIETIFFHandler::FindTag(int32_t page, uint16_t tag) const {
  if (page < 0 || page >= PageCount()) return -1;
  return IndexOfTag(pages_[page], tag);
}

int64_t TIETIFFHandler::GetTagValue(const TIETIFFIFD& entries, uint16_t tag, int32_t index) const {
  int32_t at = IndexOfTag(entries, tag);
  if (at < 0 || index < 0) return 0;
  return EntryInteger(entries[at], static_cast<uint32_t>(index), bigEndian_).value_or(0);
}

void TIETIFFHandler::AddTag(TIETIFFIFD& entries, uint16_t tag, const TIETagValue& value, uint16_t type) {
  TIETIFFEntry entry;
  entry.Tag = tag;
  entry.Type = type;
  entry.Count = 1;
  std::vector<uint8_t> bytes;
  auto asReal = [&]() -> double {
    if (auto* i = std::get_if<int64_t>(&value)) return static_cast<double>(*i);
    if (auto* d = std::get_if<double>(&value)) return *d;
    return std::strtod(std::get<std::string>(value).c_str(), nullptr);
  };
  auto asInteger = [&]() -> int64_t {
    if (auto* i = std::get_if<int64_t>(&value)) return *i;
    double d = asReal();
    return std::isfinite(d) ? static_cast<int64_t>(std::nearbyint(std::clamp(d, -9.2e18, 9.2e18))) : 0;
  };
  switch (type) {
    case ttByte: case ttSByte:
      bytes = {static_cast<uint8_t>(asInteger())};
      break;
    case ttShort: case ttSShort:
      bytes.resize(2);
      WriteTIFF16(bytes.data(), static_cast<uint16_t>(asInteger()), bigEndian_);
      break;
    case ttLong: case ttSLong:
      bytes.resize(4);
      WriteTIFF32(bytes.data(), static_cast<uint32_t>(asInteger()), bigEndian_);
      break;
    case ttFloat: {
      float f = static_cast<float>(asReal());
      uint32_t bits;
      std::memcpy(&bits, &f, 4);
      bytes.resize(4);
      WriteTIFF32(bytes.data(), bits, bigEndian_);
      break;
    }
    case ttDouble: {
      double d = asReal();
      uint64_t bits;
      std::memcpy(&bits, &d, 8);
      bytes.resize(8);
      WriteTIFF32(bytes.data() + (bigEndian_ ? 0 : 4), static_cast<uint32_t>(bits >> 32), bigEndian_);
      WriteTIFF32(bytes.data() + (bigEndian_ ? 4 : 0), static_cast<uint32_t>(bits), bigEndian_);
      break;
    }
    case ttASCII: {
      std::string text;
      if (auto* s = std::get_if<std::string>(&value))
        text = *s;
      else if (auto* i = std::get_if<int64_t>(&value))
        text = std::to_string(*i);
      else
        text = FloatToDotStr(std::get<double>(value));
      bytes.assign(text.begin(), text.end());
      bytes.push_back(0);
      entry.Count = static_cast<uint32_t>(bytes.size());
      break;
    }
    case ttRational: case ttSRational: {
      double d = asReal();
      if (!std::isfinite(d)) d = 0;
      if (type == ttRational && d < 0) d = 0;
      int64_t numerator = static_cast<int64_t>(std::trunc(d * 10000));
      int64_t denominator = 10000;
      const int64_t limit = type == ttRational ? 0xFFFFFFFFLL : 0x7FFFFFFFLL;
      if (std::fabs(d * 10000) > double(limit)) {
        // Too large for four decimals: the closest fraction the fields can hold.
        int32_t n = 0, m = 1;
        FloatToRational(n, m, d, 1e-9L);
        numerator = n;
        denominator = m;
      }
      bytes.resize(8);
      WriteTIFF32(bytes.data(), static_cast<uint32_t>(numerator), bigEndian_);
      WriteTIFF32(bytes.data() + 4, static_cast<uint32_t>(denominator), bigEndian_);
      break;
    }
    default:
      return;  // no way to hold a single value of this type
  }
  DeleteEntry(entries, IndexOfTag(entries, tag));
  if (bytes.size() <= 4)
    std::memcpy(entry.Value, bytes.data(), bytes.size());
  else
    entry.Data = std::move(bytes);
  entries.push_back(std::move(entry));
}

void TIETIFFHandler::DeleteEntry(TIETIFFIFD& entries, int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(entries.size())) return;
  entries.erase(entries.begin() + index);
}

void TIETIFFHandler::DeleteTag(int32_t page, int32_t index) {
  if (page < 0 || page >= PageCount()) return;
  DeleteEntry(pages_[page], index);
}

void TIETIFFHandler::CopyTag(int32_t sourcePage, int32_t sourceIndex, int32_t destinationPage,
                             const TIETIFFHandler* source) {
  if (!source || sourcePage < 0 || sourcePage >= source->PageCount() || destinationPage < 0 ||
      destinationPage >= PageCount() || source->bigEndian_ != bigEndian_)
    return;
  const TIETIFFIFD& from = source->pages_[sourcePage];
  if (sourceIndex < 0 || sourceIndex >= static_cast<int32_t>(from.size())) return;
  TIETIFFEntry copy = from[sourceIndex];  // deep: data, sub-directory and blocks are values
  TIETIFFIFD& to = pages_[destinationPage];
  DeleteEntry(to, IndexOfTag(to, copy.Tag));
  to.push_back(std::move(copy));
}

}  // namespace imaging
