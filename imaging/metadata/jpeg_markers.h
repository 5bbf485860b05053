// TIEMarkerList: the JPEG application and comment markers kept with an image, so that a JPEG
// written from it carries them again. Each marker is its code (0xE0-0xEF for APP0-APP15, 0xFE
// for COM) and its payload: the bytes after the segment's 2-byte length field.
#pragma once

#include <cstdint>
#include <vector>

#include "vcl/runtime/system.h"

namespace imaging {

class TIEMarkerList : public vcl::TObject {
  VCL_CLASS(TIEMarkerList, vcl::TObject)
  TIEMarkerList() = default;

  int32_t GetCount() const { return static_cast<int32_t>(markers_.size()); }
  // Index errors raise EListError "List index out of bounds (i)".
  const uint8_t* GetMarkerData(int32_t index) const;
  uint8_t* GetMarkerData(int32_t index);
  uint8_t GetMarkerType(int32_t index) const;
  int32_t GetMarkerLength(int32_t index) const;
  // The index of the first marker with the code, -1 when none.
  int32_t IndexOfType(uint8_t code) const;

  // Appends a copy of `length` bytes (a segment holds at most 65,535).
  void AddMarker(uint8_t code, const void* data, uint16_t length);
  // Replaces code and payload of a marker with a copy.
  void SetMarker(int32_t index, uint8_t code, uint16_t length, const void* data);
  void DeleteMarker(int32_t index);
  void Clear() { markers_.clear(); }
  // Clear, then copies of the source's markers in order (nil does nothing).
  void Assign(const TIEMarkerList* source);

  // Orders the markers for writing: by code, the chunks of an ICC profile (APP2
  // "ICC_PROFILE") by their sequence number, markers that compare equal keeping their order;
  // then an Exif APP1 block, when the first APP1 is not one, moves to the place of the first
  // APP1. Sorting a sorted list changes nothing.
  void SortMarkers();
  // Negative, 0 or positive as marker i goes before, with or after marker j.
  int32_t CompareMarkers(int32_t i, int32_t j) const;
  void ExchangeMarkers(int32_t i, int32_t j);

 private:
  struct TMarker {
    uint8_t code;
    std::vector<uint8_t> data;
  };
  void CheckIndex(int32_t index) const;
  std::vector<TMarker> markers_;
};

}  // namespace imaging
