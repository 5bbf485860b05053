#include "imaging/codecs/tiff/tiff_directory.h"

#include <algorithm>
#include <unordered_set>

#include "imaging/metadata/tiff_types.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

// A chain longer than this is treated as damaged; real files hold a few hundred pages at most.
constexpr int32_t kMaxDirectories = 65536;
// Text tags longer than this are ignored.
constexpr uint32_t kMaxStringLength = 0xFFFFF;

bool IsBigEndian(const TTIFFDirectory& directory) { return directory.LittleEndian == 0; }

// The IFD type (13, used for sub-directory offsets) reads as LONG.
constexpr uint16_t kTypeIFD = 13;

// The tag's entry, with an IFD type read as LONG; nil when absent.
const TTIFFEntry* FindEntry(const TTIFFDirectory& directory, uint16_t tag, TTIFFEntry& scratch) {
  int32_t index = FindTIFFTag(directory, tag);
  if (index < 0) return nullptr;
  scratch = directory.Entries[index];
  if (scratch.Type == kTypeIFD) scratch.Type = ttLong;
  return &scratch;
}

// Reads `length` bytes at `offset` (relative to the base) when they lie wholly inside the
// stream.
bool ReadDirectoryBytesAt(const TTIFFDirectory& directory, uint64_t offset, uint64_t length, uint8_t* buffer) {
  vcl::TStream* stream = directory.Stream;
  if (!stream || length > INT32_MAX) return false;
  int64_t position = directory.BaseOffset + static_cast<int64_t>(offset);
  if (position < 0 || position + static_cast<int64_t>(length) > stream->Size()) return false;
  stream->SetPosition(position);
  return stream->Read(buffer, static_cast<int32_t>(length)) == static_cast<int32_t>(length);
}

// The value field's four bytes in file order.
void ValueFieldBytes(const TTIFFDirectory& directory, const TTIFFEntry& entry, uint8_t bytes[4]) {
  WriteTIFF32(bytes, entry.Value, IsBigEndian(directory));
}

// The entry's data in file order: the value field when it fits in 4 bytes, else the bytes at
// its offset. False when the data would lie outside the stream or exceeds maxLength.
bool ReadEntryData(const TTIFFDirectory& directory, const TTIFFEntry& entry, uint64_t maxLength,
                   std::vector<uint8_t>& data) {
  data.clear();
  uint64_t length = TIFFDataSize(entry.Type, entry.Count);
  if (length > maxLength) return false;
  if (length <= 4) {
    uint8_t bytes[4];
    ValueFieldBytes(directory, entry, bytes);
    data.assign(bytes, bytes + length);
    return true;
  }
  int64_t position = directory.BaseOffset + int64_t(entry.Value);
  if (!directory.Stream || position < 0 || position + int64_t(length) > directory.Stream->Size()) return false;
  data.resize(length);
  if (!ReadDirectoryBytesAt(directory, entry.Value, length, data.data())) {
    data.clear();
    return false;
  }
  return true;
}

bool IsIntegerType(uint16_t type) {
  return type == ttByte || type == ttShort || type == ttLong || type == ttSByte || type == ttSShort ||
         type == ttSLong || type == ttUndefined;
}

// Value `index` of an integer type from data in file order.
int32_t IntegerValue(const uint8_t* data, uint16_t type, uint32_t index, bool bigEndian) {
  switch (type) {
    case ttSByte:
      return static_cast<int8_t>(data[index]);
    case ttShort:
      return ReadTIFF16(data + 2 * index, bigEndian);
    case ttSShort:
      return static_cast<int16_t>(ReadTIFF16(data + 2 * index, bigEndian));
    case ttLong:
    case ttSLong:
      return static_cast<int32_t>(ReadTIFF32(data + 4 * index, bigEndian));
    default:
      return data[index];
  }
}

}  // namespace

int32_t FindTIFFTag(const TTIFFDirectory& directory, uint16_t tag) {
  for (size_t i = 0; i < directory.Entries.size(); ++i)
    if (directory.Entries[i].Tag == tag) return static_cast<int32_t>(i);
  return -1;
}

int32_t GetTIFFTagInt(const TTIFFDirectory& directory, uint16_t tag, int32_t defaultValue) {
  TTIFFEntry found;
  const TTIFFEntry* entry = FindEntry(directory, tag, found);
  if (!entry) return defaultValue;
  switch (entry->Type) {
    case ttByte:
    case ttSByte:
    case ttShort:
    case ttSShort: {
      uint8_t bytes[4];
      ValueFieldBytes(directory, *entry, bytes);
      return IntegerValue(bytes, entry->Type, 0, IsBigEndian(directory));
    }
    default:
      return static_cast<int32_t>(entry->Value);
  }
}

int32_t GetTIFFTagIntAt(const TTIFFDirectory& directory, uint16_t tag, int32_t index, int32_t defaultValue) {
  TTIFFEntry found;
  const TTIFFEntry* entry = FindEntry(directory, tag, found);
  if (!entry || index < 0 || static_cast<uint32_t>(index) >= entry->Count) return defaultValue;
  if (entry->Type != ttShort && entry->Type != ttLong && entry->Type != ttSShort && entry->Type != ttSLong)
    return defaultValue;
  uint32_t size = TIFFTypeSize(entry->Type);
  uint8_t bytes[4];
  if (TIFFDataSize(entry->Type, entry->Count) <= 4) {
    ValueFieldBytes(directory, *entry, bytes);
    return IntegerValue(bytes, entry->Type, index, IsBigEndian(directory));
  }
  if (!ReadDirectoryBytesAt(directory, static_cast<uint64_t>(entry->Value) + uint64_t(size) * index, size, bytes))
    return defaultValue;
  return IntegerValue(bytes, entry->Type, 0, IsBigEndian(directory));
}

double GetTIFFTagRational(const TTIFFDirectory& directory, uint16_t tag, double defaultValue) {
  return GetTIFFTagRationalAt(directory, tag, 0, defaultValue);
}

double GetTIFFTagRationalAt(const TTIFFDirectory& directory, uint16_t tag, int32_t index, double defaultValue) {
  TTIFFEntry found;
  const TTIFFEntry* entry = FindEntry(directory, tag, found);
  if (!entry || index < 0 || static_cast<uint32_t>(index) >= entry->Count) return defaultValue;
  if (entry->Type != ttRational && entry->Type != ttSRational) {
    // A whole number where a fraction belongs still means that number.
    if (IsIntegerType(entry->Type) && entry->Type != ttUndefined)
      return GetTIFFTagIntAt(directory, tag, index, static_cast<int32_t>(defaultValue));
    return defaultValue;
  }
  uint8_t bytes[8];
  if (!ReadDirectoryBytesAt(directory, static_cast<uint64_t>(entry->Value) + 8ull * index, 8, bytes)) return defaultValue;
  bool bigEndian = IsBigEndian(directory);
  uint32_t numerator = ReadTIFF32(bytes, bigEndian);
  uint32_t denominator = ReadTIFF32(bytes + 4, bigEndian);
  if (entry->Type == ttSRational) {
    double d = static_cast<int32_t>(denominator);
    return static_cast<int32_t>(numerator) / (d == 0 ? 1.0 : d);
  }
  double d = denominator;
  return numerator / (d == 0 ? 1.0 : d);
}

int32_t GetTIFFTagIntArray(const TTIFFDirectory& directory, uint16_t tag, std::vector<int32_t>& values) {
  values.clear();
  TTIFFEntry found;
  const TTIFFEntry* entry = FindEntry(directory, tag, found);
  if (!entry || entry->Count == 0) return 0;
  if (entry->Count == 1) {
    values.push_back(GetTIFFTagInt(directory, tag, 0));
    return 1;
  }
  if (!IsIntegerType(entry->Type)) return 0;
  std::vector<uint8_t> data;
  if (!ReadEntryData(directory, *entry, INT32_MAX, data)) return 0;
  values.resize(entry->Count);
  for (uint32_t i = 0; i < entry->Count; ++i)
    values[i] = IntegerValue(data.data(), entry->Type, i, IsBigEndian(directory));
  return static_cast<int32_t>(entry->Count);
}

bool GetTIFFTagBlock(const TTIFFDirectory& directory, uint16_t tag, std::vector<uint8_t>& block) {
  block.clear();
  TTIFFEntry found;
  const TTIFFEntry* entry = FindEntry(directory, tag, found);
  if (!entry || entry->Count == 0) return false;
  return ReadEntryData(directory, *entry, INT32_MAX, block);
}

std::string GetTIFFTagString(const TTIFFDirectory& directory, uint16_t tag, bool trim) {
  TTIFFEntry found;
  const TTIFFEntry* entry = FindEntry(directory, tag, found);
  if (!entry || entry->Count == 0 || entry->Count > kMaxStringLength) return {};
  std::vector<uint8_t> data;
  if (!ReadEntryData(directory, *entry, kMaxStringLength, data)) return {};
  std::string text(data.begin(), data.end());
  if (trim) {
    size_t end = text.find('\0');
    if (end != std::string::npos) text.resize(end);
  }
  return text;
}

std::string GetTIFFTagInlineBytes(const TTIFFDirectory& directory, uint16_t tag) {
  TTIFFEntry found;
  const TTIFFEntry* entry = FindEntry(directory, tag, found);
  if (!entry || entry->Count == 0) return {};
  std::vector<uint8_t> data;
  if (!ReadEntryData(directory, *entry, kMaxStringLength, data)) return {};
  return std::string(data.begin(), data.end());
}

std::u16string GetTIFFTagWideString(const TTIFFDirectory& directory, uint16_t tag) {
  TTIFFEntry found;
  const TTIFFEntry* entry = FindEntry(directory, tag, found);
  if (!entry || entry->Count == 0) return {};
  std::vector<uint8_t> data;
  if (!ReadEntryData(directory, *entry, kMaxStringLength, data)) return {};
  // The XP tags hold UTF-16 little-endian whatever the file's byte order, closed by a NUL.
  std::u16string text;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

bool LoadTIFFDirectory(int32_t index, int64_t firstOffset, TTIFFDirectory& directory, int32_t& count) {
  count = 0;
  directory.Entries.clear();
  directory.EntryCount = 0;
  vcl::TStream* stream = directory.Stream;
  if (!stream) return false;
  bool bigEndian = IsBigEndian(directory);
  int64_t streamSize = stream->Size();
  int64_t base = directory.BaseOffset;
  std::unordered_set<int64_t> visited;
  int64_t offset = firstOffset;
  bool loaded = false;

  while (offset != 0 && count < kMaxDirectories) {
    int64_t position = base + offset;
    if (offset < 0 || position < 0 || position + 2 > streamSize || !visited.insert(offset).second) break;
    stream->SetPosition(position);
    uint8_t word[4];
    if (stream->Read(word, 2) != 2) break;
    uint16_t entryCount = ReadTIFF16(word, bigEndian);
    if (entryCount == 0) break;

    if (count == index) {
      // A directory cut short by the end of the stream keeps the entries that are whole.
      int64_t available = (streamSize - (position + 2)) / 12;
      uint16_t wholeEntries = static_cast<uint16_t>(std::min<int64_t>(entryCount, available));
      std::vector<uint8_t> raw(size_t(wholeEntries) * 12);
      if (!raw.empty() && stream->Read(raw.data(), static_cast<int32_t>(raw.size())) != static_cast<int32_t>(raw.size()))
        break;
      directory.Entries.resize(wholeEntries);
      for (uint16_t i = 0; i < wholeEntries; ++i) {
        const uint8_t* p = raw.data() + size_t(i) * 12;
        TTIFFEntry& entry = directory.Entries[i];
        entry.Tag = ReadTIFF16(p, bigEndian);
        entry.Type = ReadTIFF16(p + 2, bigEndian);
        entry.Count = ReadTIFF32(p + 4, bigEndian);
        entry.Value = ReadTIFF32(p + 8, bigEndian);
      }
      directory.EntryCount = wholeEntries;
      loaded = wholeEntries > 0;
    }

    int64_t nextPosition = position + 2 + int64_t(entryCount) * 12;
    if (nextPosition + 4 > streamSize) break;  // no room for the next link: this IFD is cut short
    stream->SetPosition(nextPosition);
    if (stream->Read(word, 4) != 4) break;
    int64_t next = ReadTIFF32(word, bigEndian);
    // Links into the header, past the end or back to this IFD end the chain.
    if (next == offset || next < 8 || base + next >= streamSize) next = 0;
    ++count;
    offset = next;
  }
  return loaded;
}

}  // namespace imaging
