#include "imaging/codecs/tiff/tiff_write_entries.h"

#include <algorithm>
#include <cstring>

#include "imaging/base/number_helpers.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

void PutU32(uint8_t* bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

void AppendU16(std::vector<uint8_t>& data, uint16_t value) {
  data.push_back(static_cast<uint8_t>(value));
  data.push_back(static_cast<uint8_t>(value >> 8));
}

void AppendU32(std::vector<uint8_t>& data, uint32_t value) {
  for (int i = 0; i < 4; ++i) data.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

// ---- TIFFOutput ----

int32_t TIFFOutput::Read(void*, int32_t) { throw vcl::EReadError("Stream read error"); }

int32_t TIFFOutput::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  if (target_->Write(buffer, count) < count) failed_ = true;
  return count;
}

int64_t TIFFOutput::Seek(int64_t offset, vcl::TSeekOrigin origin) {
  if (origin == vcl::soBeginning) offset += origin_;
  return target_->Seek(offset, origin) - origin_;
}

uint32_t TIFFOutput::Offset() {
  const int64_t offset = Position();
  if (offset < 0 || offset > int64_t(UINT32_MAX)) {
    failed_ = true;
    return 0;
  }
  return static_cast<uint32_t>(offset);
}

void TIFFOutput::Align() {
  if (Offset() & 1) {
    const uint8_t zero = 0;
    Write(&zero, 1);
  }
}

void TIFFOutput::WriteU16(uint16_t value) {
  const uint8_t bytes[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
  Write(bytes, 2);
}

void TIFFOutput::WriteU32(uint32_t value) {
  uint8_t bytes[4];
  PutU32(bytes, value);
  Write(bytes, 4);
}

// ---- TIFFEntryList ----

TIFFEntry& TIFFEntryList::Add(uint16_t tag, uint16_t type, uint32_t count) {
  auto same = std::find_if(entries_.begin(), entries_.end(), [tag](const TIFFEntry& e) { return e.Tag == tag; });
  TIFFEntry& entry = same != entries_.end() ? *same : entries_.emplace_back();
  entry = TIFFEntry{};
  entry.Tag = tag;
  entry.Type = type;
  entry.Count = count;
  return entry;
}

bool TIFFEntryList::Has(uint16_t tag) const {
  return std::any_of(entries_.begin(), entries_.end(), [tag](const TIFFEntry& e) { return e.Tag == tag; });
}

void TIFFEntryList::AddTIFFLongTag(uint16_t tag, uint32_t value) { PutU32(Add(tag, tiffLong, 1).Value, value); }

void TIFFEntryList::AddTIFFShortTag(uint16_t tag, uint16_t value) {
  TIFFEntry& entry = Add(tag, tiffShort, 1);
  entry.Value[0] = static_cast<uint8_t>(value);
  entry.Value[1] = static_cast<uint8_t>(value >> 8);
}

void TIFFEntryList::AddTIFFByteTag(uint16_t tag, uint8_t value) { Add(tag, tiffByte, 1).Value[0] = value; }

void TIFFEntryList::AddTIFFUndefinedTag(uint16_t tag, uint8_t value) { Add(tag, tiffUndefined, 1).Value[0] = value; }

void TIFFEntryList::AddTIFFInlineAsciiTag(uint16_t tag, const std::string& text) {
  // The closing NUL is part of a TIFF text (readers refuse counts without it) and goes inline
  // with up to 3 characters; a 4-character text fills the field alone.
  const size_t length = std::min<size_t>(text.size(), 4);
  const uint32_t count = static_cast<uint32_t>(length < 4 ? length + 1 : length);
  std::memcpy(Add(tag, tiffAscii, count).Value, text.data(), length);
}

void TIFFEntryList::AddTIFFInlineByteTag(uint16_t tag, const std::string& bytes) {
  const size_t length = std::min<size_t>(bytes.size(), 4);
  std::memcpy(Add(tag, tiffByte, static_cast<uint32_t>(length)).Value, bytes.data(), length);
}

void TIFFEntryList::WriteTIFFAsciiTag(uint16_t tag, const std::string& text) {
  if (text.empty() || text.size() >= UINT32_MAX) return;
  if (text.size() <= 3) {
    AddTIFFInlineAsciiTag(tag, text);
    return;
  }
  std::vector<uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  WriteTIFFDataTag(tag, tiffAscii, static_cast<uint32_t>(data.size()), data.data(), int64_t(data.size()));
}

void TIFFEntryList::WriteTIFFWideTag(uint16_t tag, const std::u16string& text) {
  std::vector<uint8_t> data;
  data.reserve(text.size() * 2 + 2);
  for (char16_t c : text) AppendU16(data, static_cast<uint16_t>(c));
  AppendU16(data, 0);
  if (data.size() >= UINT32_MAX) return;
  WriteTIFFDataTag(tag, tiffByte, static_cast<uint32_t>(data.size()), data.data(), int64_t(data.size()));
}

void TIFFEntryList::WriteTIFFRationalTag(uint16_t tag, double value, bool isSigned) {
  WriteTIFFRationalsTag(tag, {value}, isSigned);
}

void TIFFEntryList::WriteTIFFRationalsTag(uint16_t tag, const std::vector<double>& values, bool isSigned) {
  if (values.empty()) return;
  std::vector<uint8_t> data;
  for (double value : values) {
    int32_t numerator = 0;
    int32_t denominator = 1;
    FloatToRational(numerator, denominator, value, 5e-9L);
    if (denominator < 0) {  // keep the sign on the numerator, as SRATIONAL readers expect
      numerator = -numerator;
      denominator = -denominator;
    }
    AppendU32(data, static_cast<uint32_t>(numerator));
    AppendU32(data, static_cast<uint32_t>(denominator));
  }
  WriteTIFFDataTag(tag, isSigned ? tiffSRational : tiffRational, static_cast<uint32_t>(values.size()), data.data(),
                   int64_t(data.size()));
}

void TIFFEntryList::WriteTIFFShortsTag(uint16_t tag, const std::vector<uint16_t>& values) {
  if (values.empty()) return;
  std::vector<uint8_t> data;
  for (uint16_t value : values) AppendU16(data, value);
  WriteTIFFDataTag(tag, tiffShort, static_cast<uint32_t>(values.size()), data.data(), int64_t(data.size()));
}

void TIFFEntryList::WriteTIFFLongsTag(uint16_t tag, const std::vector<uint32_t>& values) {
  if (values.empty()) return;
  std::vector<uint8_t> data;
  for (uint32_t value : values) AppendU32(data, value);
  WriteTIFFDataTag(tag, tiffLong, static_cast<uint32_t>(values.size()), data.data(), int64_t(data.size()));
}

void TIFFEntryList::WriteTIFFDataTag(uint16_t tag, uint16_t type, uint32_t count, const void* data, int64_t size) {
  if (size <= 4) {
    TIFFEntry& entry = Add(tag, type, count);
    if (size > 0) std::memcpy(entry.Value, data, static_cast<size_t>(size));
    return;
  }
  output_.Align();
  const uint32_t offset = output_.Offset();
  const auto* bytes = static_cast<const uint8_t*>(data);
  for (int64_t done = 0; done < size;) {
    const int32_t chunk = static_cast<int32_t>(std::min<int64_t>(size - done, 1 << 30));
    output_.Write(bytes + done, chunk);
    done += chunk;
  }
  PutU32(Add(tag, type, count).Value, offset);
}

void TIFFEntryList::AddTIFFOffsetTag(uint16_t tag, uint16_t type, uint32_t count, uint32_t offset) {
  PutU32(Add(tag, type, count).Value, offset);
}

uint32_t TIFFEntryList::WriteDirectory(uint32_t nextOffset) {
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const TIFFEntry& a, const TIFFEntry& b) { return a.Tag < b.Tag; });
  output_.Align();
  const uint32_t offset = output_.Offset();
  std::vector<uint8_t> data;
  data.reserve(2 + entries_.size() * 12 + 4);
  AppendU16(data, static_cast<uint16_t>(entries_.size()));
  for (const TIFFEntry& entry : entries_) {
    AppendU16(data, entry.Tag);
    AppendU16(data, entry.Type);
    AppendU32(data, entry.Count);
    data.insert(data.end(), entry.Value, entry.Value + 4);
  }
  AppendU32(data, nextOffset);
  output_.Write(data.data(), static_cast<int32_t>(data.size()));
  return offset;
}

}  // namespace imaging
