#include "imaging/metadata/maker_notes.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "imaging/metadata/tiff_types.h"

namespace imaging {

namespace {

// A note has at most this many entries; more means it is not a directory at all.
constexpr uint32_t kMaxEntries = 256;
// Writers drop larger notes: the EXIF block that carries them must fit a JPEG marker.
constexpr size_t kMaxWrittenNote = 65000;

TIEEXIFMakerNoteDeviceInfo Layout(const char* signature, size_t length, uint8_t offsetBase, uint8_t headerKind,
                                  uint8_t byteOrder) {
  TIEEXIFMakerNoteDeviceInfo info;
  info.Signature.assign(signature, length);
  info.OffsetBase = offsetBase;
  info.HeaderKind = headerKind;
  info.ByteOrder = byteOrder;
  return info;
}

void Append16(std::vector<uint8_t>& out, uint16_t value, bool bigEndian) {
  uint8_t b[2];
  WriteTIFF16(b, value, bigEndian);
  out.insert(out.end(), b, b + 2);
}

void Append32(std::vector<uint8_t>& out, uint32_t value, bool bigEndian) {
  uint8_t b[4];
  WriteTIFF32(b, value, bigEndian);
  out.insert(out.end(), b, b + 4);
}

}  // namespace

const std::vector<TIEEXIFMakerNoteDeviceInfo>& MakerNoteLayouts() {
  static const std::vector<TIEEXIFMakerNoteDeviceInfo> layouts = {
      Layout("SONY CAM \0\0\0", 12, 0, 0, 0),
      Layout("SONY DSC \0\0\0", 12, 0, 0, 0),
      Layout("Nikon\0\x02\x10\0\0", 10, 1, 1, 1),
      Layout("QVC\0\0\0", 6, 0, 0, 3),
      Layout("EPSON\0\x01\0", 8, 0, 0, 0),
      Layout("Nikon\0\x01\0", 8, 0, 0, 0),
      Layout("Panasonic\0\0\0", 12, 0, 0, 0),
      Layout("FUJIFILM", 8, 1, 2, 2),
  };
  return layouts;
}

TIETagsHandler::TIETagsHandler() : tagStream_(std::make_unique<vcl::TMemoryStream>()) {}

TIETagsHandler::~TIETagsHandler() = default;

void TIETagsHandler::Clear() {
  raw_.clear();
  raw_.shrink_to_fit();
  device_ = TIEEXIFMakerNoteDeviceInfo{};
  tagStream_->Clear();
  entries_.clear();
  valuesLittleEndian_ = true;
}

void TIETagsHandler::Assign(const TIETagsHandler* source) {
  if (source == this) return;
  Clear();
  if (!source) return;
  vcl::TMemoryStream* from = source->tagStream_.get();
  if (from->Size() > 0) tagStream_->WriteBuffer(from->Memory(), static_cast<int32_t>(from->Size()));
  valuesLittleEndian_ = source->valuesLittleEndian_;
  ParseDirectory();
  raw_ = source->raw_;
  device_ = source->device_;
}

void TIETagsHandler::SetRawData(std::vector<uint8_t> data) { raw_ = std::move(data); }

void TIETagsHandler::IdentifyDevice() {
  device_ = TIEEXIFMakerNoteDeviceInfo{};
  for (const TIEEXIFMakerNoteDeviceInfo& layout : MakerNoteLayouts()) {
    size_t n = std::min(raw_.size(), layout.Signature.size());
    if (std::memcmp(raw_.data(), layout.Signature.data(), n) == 0) {
      device_ = layout;
      return;
    }
  }
}

void TIETagsHandler::ParseDirectory() {
  entries_.clear();
  const int64_t size = tagStream_->Size();
  if (size < 2) return;
  auto* d = static_cast<const uint8_t*>(tagStream_->Memory());
  uint32_t count = ReadTIFF16(d, false);
  count = std::min<uint32_t>(count, static_cast<uint32_t>((size - 2) / 12));
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* e = d + 2 + 12 * i;
    entries_.push_back({ReadTIFF16(e, false), ReadTIFF16(e + 2, false), ReadTIFF32(e + 4, false),
                        ReadTIFF32(e + 8, false)});
  }
}

void TIETagsHandler::ReadFromStream(vcl::TStream* stream, int32_t size, bool littleEndian) {
  Clear();
  if (!stream || size <= 0) return;
  try {
    const int64_t notePosition = stream->Position();
    raw_.resize(static_cast<size_t>(size));
    int32_t got = stream->Read(raw_.data(), size);
    // Only what actually arrived counts as the note.
    raw_.resize(static_cast<size_t>(std::max(got, 0)));
    if (!ReadNote(notePosition, littleEndian)) Clear();
  } catch (const std::exception&) {
    Clear();
  }
}

// Parses raw_ into the tag directory; false when the note is not one this handler can keep.
bool TIETagsHandler::ReadNote(int64_t notePosition, bool littleEndian) {
  const size_t n = raw_.size();
  if (n < 2) return false;
  IdentifyDevice();
  size_t pos = device_.Signature.size();
  size_t headerBase = 0;
  if (device_.HeaderKind == 1) {
    if (pos + 8 > n) return false;
    std::memcpy(device_.TIFFHeader, raw_.data() + pos, 8);
    headerBase = pos;
    pos += 8;
  } else if (device_.HeaderKind == 2) {
    if (pos + 4 > n) return false;
    uint32_t ifdOffset = ReadTIFF32(raw_.data() + pos, false);
    if (ifdOffset >= n) return false;
    pos = ifdOffset;
  }
  bool bigEndian;
  switch (device_.ByteOrder) {
    case 1: bigEndian = !(device_.TIFFHeader[0] == 'I' && device_.TIFFHeader[1] == 'I'); break;
    case 2: bigEndian = false; break;
    case 3: bigEndian = true; break;
    default: bigEndian = !littleEndian;
  }
  if (pos + 2 > n) return false;
  const uint32_t count = ReadTIFF16(raw_.data() + pos, bigEndian);
  pos += 2;
  if (count > kMaxEntries || pos + 12 * size_t(count) > n) return false;

  std::vector<uint8_t> directory(2 + 12 * size_t(count));
  WriteTIFF16(directory.data(), static_cast<uint16_t>(count), false);
  // Entries may share data; copies beyond a few times the note's size mean a hostile note.
  const size_t dataBudget = 4 * n + 65536;
  size_t copied = 0;
  for (uint32_t i = 0; i < count; ++i, pos += 12) {
    const uint8_t* e = raw_.data() + pos;
    uint16_t tag = ReadTIFF16(e, bigEndian);
    uint16_t type = ReadTIFF16(e + 2, bigEndian);
    uint32_t valueCount = ReadTIFF32(e + 4, bigEndian);
    uint32_t value = ReadTIFF32(e + 8, bigEndian);
    uint64_t dataSize = TIFFDataSize(type, valueCount);
    if (dataSize > 4) {
      int64_t at = device_.OffsetBase == 0 ? int64_t(value) - notePosition : int64_t(value) + int64_t(headerBase);
      if (at < 0 || uint64_t(at) + dataSize > n || copied + dataSize > dataBudget) {
        valueCount = 0;
        value = 0;
      } else {
        value = static_cast<uint32_t>(directory.size());
        directory.insert(directory.end(), raw_.begin() + at, raw_.begin() + at + static_cast<size_t>(dataSize));
        copied += static_cast<size_t>(dataSize);
      }
    }
    uint8_t* out = directory.data() + 2 + 12 * size_t(i);
    WriteTIFF16(out, tag, false);
    WriteTIFF16(out + 2, type, false);
    WriteTIFF32(out + 4, valueCount, false);
    WriteTIFF32(out + 8, value, false);
  }
  tagStream_->WriteBuffer(directory.data(), static_cast<int32_t>(directory.size()));
  valuesLittleEndian_ = !bigEndian;
  ParseDirectory();
  return true;
}

int32_t TIETagsHandler::WriteToStream(vcl::TStream* stream, bool littleEndian) {
  if (!stream || tagStream_->Size() == 0) return 0;
  const int64_t notePosition = stream->Position();
  bool bigEndian;
  if (device_.HeaderKind == 1 || device_.ByteOrder == 1)
    bigEndian = !(device_.TIFFHeader[0] == 'I' && device_.TIFFHeader[1] == 'I');
  else if (device_.ByteOrder == 2)
    bigEndian = false;
  else if (device_.ByteOrder == 3)
    bigEndian = true;
  else
    bigEndian = !littleEndian;
  const bool swap = bigEndian == valuesLittleEndian_;

  std::vector<uint8_t> out(device_.Signature.begin(), device_.Signature.end());
  // Where value offsets count from, as a position within `out`.
  size_t offsetBase = 0;
  if (device_.HeaderKind == 1) {
    offsetBase = out.size();
    uint8_t header[8];
    std::memcpy(header, device_.TIFFHeader, 8);
    WriteTIFF32(header + 4, 8, bigEndian);
    out.insert(out.end(), header, header + 8);
  } else if (device_.HeaderKind == 2) {
    Append32(out, static_cast<uint32_t>(out.size() + 4), false);
  }
  const int64_t directorySize = tagStream_->Size();
  auto* directory = static_cast<const uint8_t*>(tagStream_->Memory());
  const size_t count = entries_.size();
  Append16(out, static_cast<uint16_t>(count), bigEndian);
  const size_t entryPos = out.size();
  out.resize(entryPos + 12 * count + 4, 0);  // entries and a next-directory offset of 0

  for (size_t i = 0; i < count; ++i) {
    const TIETagEntry& entry = entries_[i];
    uint64_t dataSize = TIFFDataSize(entry.Type, entry.Count);
    uint32_t valueCount = entry.Count;
    uint8_t value[4];
    if (dataSize > 4) {
      if (uint64_t(entry.Value) + dataSize <= uint64_t(directorySize)) {
        // Every out-of-line block starts at an even offset, counted as the layout counts.
        int64_t absolute = notePosition + int64_t(out.size());
        int64_t relative = device_.OffsetBase == 0 ? absolute : int64_t(out.size() - offsetBase);
        if (relative & 1) {
          out.push_back(0);
          ++relative;
        }
        WriteTIFF32(value, static_cast<uint32_t>(relative), bigEndian);
        size_t at = out.size();
        out.insert(out.end(), directory + entry.Value, directory + entry.Value + dataSize);
        if (swap) SwapTIFFValues(out.data() + at, dataSize, entry.Type);
      } else {
        valueCount = 0;
        std::memset(value, 0, 4);
      }
    } else {
      WriteTIFF32(value, entry.Value, !valuesLittleEndian_);
      if (swap) SwapTIFFValues(value, dataSize, entry.Type);
    }
    uint8_t* e = out.data() + entryPos + 12 * i;
    WriteTIFF16(e, entry.Tag, bigEndian);
    WriteTIFF16(e + 2, entry.Type, bigEndian);
    WriteTIFF32(e + 4, valueCount, bigEndian);
    std::memcpy(e + 8, value, 4);
  }
  if (out.size() & 1) out.push_back(0);
  if (out.size() > kMaxWrittenNote) return 0;
  stream->WriteBuffer(out.data(), static_cast<int32_t>(out.size()));
  return static_cast<int32_t>(out.size());
}

}  // namespace imaging
