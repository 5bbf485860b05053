#include "imaging/metadata/jpeg_markers.h"

#include <cstring>
#include <string>
#include <utility>

#include "imaging/metadata/exif_block.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

constexpr uint8_t kAPP1 = 0xE1;
constexpr uint8_t kAPP2 = 0xE2;
// "ICC_PROFILE", its zero, the chunk's sequence number and the chunk count.
constexpr char kICCProfileId[] = "ICC_PROFILE";
constexpr size_t kICCSequenceByte = 12;

bool IsICCChunk(const std::vector<uint8_t>& data) {
  return data.size() > kICCSequenceByte + 1 && std::memcmp(data.data(), kICCProfileId, sizeof kICCProfileId) == 0;
}

}  // namespace

void TIEMarkerList::CheckIndex(int32_t index) const {
  if (index < 0 || index >= GetCount()) throw vcl::EListError("List index out of bounds (" + std::to_string(index) + ")");
}

const uint8_t* TIEMarkerList::GetMarkerData(int32_t index) const {
  CheckIndex(index);
  return markers_[index].data.data();
}

uint8_t* TIEMarkerList::GetMarkerData(int32_t index) {
  CheckIndex(index);
  return markers_[index].data.data();
}

uint8_t TIEMarkerList::GetMarkerType(int32_t index) const {
  CheckIndex(index);
  return markers_[index].code;
}

int32_t TIEMarkerList::GetMarkerLength(int32_t index) const {
  CheckIndex(index);
  return static_cast<int32_t>(markers_[index].data.size());
}

int32_t TIEMarkerList::IndexOfType(uint8_t code) const {
  for (size_t i = 0; i < markers_.size(); ++i)
    if (markers_[i].code == code) return static_cast<int32_t>(i);
  return -1;
}

void TIEMarkerList::AddMarker(uint8_t code, const void* data, uint16_t length) {
  auto bytes = static_cast<const uint8_t*>(data);
  markers_.push_back({code, length && bytes ? std::vector<uint8_t>(bytes, bytes + length) : std::vector<uint8_t>()});
}

void TIEMarkerList::SetMarker(int32_t index, uint8_t code, uint16_t length, const void* data) {
  CheckIndex(index);
  auto bytes = static_cast<const uint8_t*>(data);
  markers_[index] = {code, length && bytes ? std::vector<uint8_t>(bytes, bytes + length) : std::vector<uint8_t>()};
}

void TIEMarkerList::DeleteMarker(int32_t index) {
  CheckIndex(index);
  markers_.erase(markers_.begin() + index);
}

void TIEMarkerList::Assign(const TIEMarkerList* source) {
  if (!source || source == this) return;
  Clear();
  for (const TMarker& marker : source->markers_)
    AddMarker(marker.code, marker.data.data(), static_cast<uint16_t>(marker.data.size()));
}

int32_t TIEMarkerList::CompareMarkers(int32_t i, int32_t j) const {
  CheckIndex(i);
  CheckIndex(j);
  const TMarker& a = markers_[i];
  const TMarker& b = markers_[j];
  if (a.code == kAPP2 && b.code == kAPP2 && IsICCChunk(a.data) && IsICCChunk(b.data))
    return int32_t(a.data[kICCSequenceByte]) - int32_t(b.data[kICCSequenceByte]);
  return int32_t(a.code) - int32_t(b.code);
}

void TIEMarkerList::ExchangeMarkers(int32_t i, int32_t j) {
  CheckIndex(i);
  CheckIndex(j);
  std::swap(markers_[i], markers_[j]);
}

void TIEMarkerList::SortMarkers() {
  // An insertion sort through the compare and exchange operations: stable, so that several
  // APP1, APP13 or COM markers keep their order from save to save (the lists are short).
  for (int32_t i = 1; i < GetCount(); ++i)
    for (int32_t j = i; j > 0 && CompareMarkers(j - 1, j) > 0; --j) ExchangeMarkers(j - 1, j);

  // Readers look for Exif in the first APP1: bring the first Exif block there, the APP1
  // markers it passes keep their order.
  int32_t firstAPP1 = IndexOfType(kAPP1);
  if (firstAPP1 < 0 || IsExifBlock(markers_[firstAPP1].data.data(), GetMarkerLength(firstAPP1))) return;
  for (int32_t i = firstAPP1 + 1; i < GetCount(); ++i) {
    if (markers_[i].code == kAPP1 && IsExifBlock(markers_[i].data.data(), GetMarkerLength(i))) {
      for (int32_t j = i; j > firstAPP1; --j) ExchangeMarkers(j - 1, j);
      return;
    }
  }
}

}  // namespace imaging
