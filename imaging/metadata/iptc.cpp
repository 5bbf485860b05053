#include "imaging/metadata/iptc.h"

#include <cstring>
#include <string>

#include "imaging/metadata/tiff_types.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

constexpr uint8_t kTagMarker = 0x1C;
constexpr char kPhotoshopSignature[] = "Photoshop 3.0";  // followed by a zero byte
constexpr size_t kPhotoshopSignatureSize = 14;
constexpr uint16_t kIPTCResource = 0x0404;
constexpr int32_t kMaxShortLength = 0x7FFF;
// The bare block's own record-version dataset 2:0, version 2.
constexpr uint8_t kBareHeader[] = {0x1C, 0x02, 0x00, 0x00, 0x02, 0x00, 0x02};

void AppendBE(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// The data of the IPTC resource of a Photoshop image-resource block: [begin, end) within the
// buffer, false when there is none. Each resource is "8BIM", a 16-bit id, a name (a length
// byte and the text, padded to an even size), a 32-bit size and the data (padded to even).
bool FindIPTCResource(const uint8_t* buffer, size_t length, size_t& begin, size_t& end) {
  size_t pos = kPhotoshopSignatureSize;
  while (pos + 4 + 2 + 2 + 4 <= length) {
    if (std::memcmp(buffer + pos, "8BIM", 4) != 0) return false;
    uint16_t id = static_cast<uint16_t>((buffer[pos + 4] << 8) | buffer[pos + 5]);
    size_t name = 1 + buffer[pos + 6];
    name += name & 1;
    size_t sizeAt = pos + 6 + name;
    if (sizeAt + 4 > length) return false;
    uint64_t size = ReadTIFF32(buffer + sizeAt, true);
    size_t data = sizeAt + 4;
    if (size > length - data) return false;
    if (id == kIPTCResource) {
      begin = data;
      end = data + static_cast<size_t>(size);
      return true;
    }
    pos = data + static_cast<size_t>(size) + (size & 1);
  }
  return false;
}

}  // namespace

const TIEIPTCItem& TIEIPTCInfoList::Items(int32_t index) const {
  if (index < 0 || index >= GetCount()) throw vcl::EListError("List index out of bounds (" + std::to_string(index) + ")");
  return items_[index];
}

int32_t TIEIPTCInfoList::AddItem(int32_t record, int32_t dataSet, int32_t length, const void* data) {
  TIEIPTCItem item;
  item.RecordNumber = record;
  item.DataSet = dataSet;
  auto bytes = static_cast<const uint8_t*>(data);
  if (length > 0 && bytes) item.Data.assign(bytes, bytes + length);
  items_.push_back(std::move(item));
  UserChanged = true;
  return GetCount() - 1;
}

void TIEIPTCInfoList::Clear() {
  items_.clear();
  UserChanged = true;
}

void TIEIPTCInfoList::Assign(const TIEIPTCInfoList* source) {
  if (!source || source == this) return;
  Clear();
  for (const TIEIPTCItem& item : source->items_)
    AddItem(item.RecordNumber, item.DataSet, static_cast<int32_t>(item.Data.size()), item.Data.data());
  UserChanged = true;
}

std::vector<uint8_t> TIEIPTCInfoList::SaveToBuffer(bool photoshop) const {
  std::vector<uint8_t> out;
  if (items_.empty()) return out;
  if (photoshop) {
    // The signature, then one IPTC resource: id 0x0404, an empty name padded to even, and
    // its size, filled in at the end.
    static const uint8_t kHeader[26] = {'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0,
                                        '8', 'B', 'I', 'M', 0x04, 0x04, 0, 0, 0, 0, 0, 0};
    out.assign(kHeader, kHeader + sizeof kHeader);
  } else {
    out.assign(kBareHeader, kBareHeader + sizeof kBareHeader);
  }
  uint32_t resourceSize = 0;
  for (const TIEIPTCItem& item : items_) {
    if ((item.RecordNumber == 2 && item.DataSet == 0) || item.Data.empty()) continue;
    const uint32_t n = static_cast<uint32_t>(item.Data.size());
    out.push_back(kTagMarker);
    out.push_back(static_cast<uint8_t>(item.RecordNumber));
    out.push_back(static_cast<uint8_t>(item.DataSet));
    if (n <= uint32_t(kMaxShortLength)) {
      AppendBE(out, n, 2);
      resourceSize += 5 + n;
    } else {
      // Top bit: extended form; the other bits: the length field that follows is 4 bytes.
      out.push_back(0x80);
      out.push_back(0x04);
      AppendBE(out, n, 4);
      resourceSize += 9 + n;
    }
    out.insert(out.end(), item.Data.begin(), item.Data.end());
  }
  if (out.size() & 1) out.push_back(0);
  if (photoshop) {
    for (int i = 0; i < 4; ++i) out[22 + i] = static_cast<uint8_t>(resourceSize >> (8 * (3 - i)));
  }
  return out;
}

bool TIEIPTCInfoList::LoadFromBuffer(const uint8_t* buffer, int32_t length) {
  Clear();
  if (!buffer || length <= 0) return false;
  size_t pos = 0, end = static_cast<size_t>(length);
  if (end >= 13 && std::memcmp(buffer, kPhotoshopSignature, 13) == 0) {
    size_t begin = 0;
    if (!FindIPTCResource(buffer, end, begin, end)) {
      UserChanged = false;
      return false;
    }
    pos = begin;
  }
  while (pos < end && buffer[pos] != kTagMarker) ++pos;
  while (pos + 1 < end && buffer[pos + 1] == kTagMarker) ++pos;

  bool result = false;
  while (pos + 5 <= end && buffer[pos] == kTagMarker) {
    const int32_t record = buffer[pos + 1];
    const int32_t dataSet = buffer[pos + 2];
    uint64_t dataLength;
    size_t header;
    if (buffer[pos + 3] & 0x80) {
      if (pos + 9 > end) break;
      dataLength = ReadTIFF32(buffer + pos + 5, true);
      header = 9;
    } else {
      dataLength = (uint32_t(buffer[pos + 3]) << 8) | buffer[pos + 4];
      header = 5;
    }
    if (dataLength > uint64_t(INT32_MAX) || dataLength > end - pos - header) break;
    AddItem(record, dataSet, static_cast<int32_t>(dataLength), buffer + pos + header);
    result = true;
    pos += header + static_cast<size_t>(dataLength);
  }
  UserChanged = false;
  return result;
}

}  // namespace imaging
