// TIEDICOMTags: the raw data elements of a DICOM image (group, element, value representation
// and data) as the DICOM reader found them, kept so that they travel with the image.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vcl/runtime/system.h"

namespace imaging {

struct TIEDICOMTag {
  uint16_t Group = 0;
  uint16_t Element = 0;
  // Two ASCII characters, 0 0 when the element gave none.
  char VR[2] = {0, 0};
  // DataLength bytes followed by one 0 byte (so that text values end); nil when the element
  // has no data.
  std::unique_ptr<uint8_t[]> Data;
  int32_t DataLength = 0;
};

class TIEDICOMTags : public vcl::TObject {
  VCL_CLASS(TIEDICOMTags, vcl::TObject)
  TIEDICOMTags() = default;

  // Appends an element and returns its index. The list takes the data block (at least
  // `length` bytes; the reader allocates length + 1 and ends them with a 0). A negative length
  // stores no data and frees the block. The value representation is kept only when it has
  // exactly two characters.
  int32_t AddTag(uint16_t group, uint16_t element, int32_t length, std::unique_ptr<uint8_t[]> data,
                 const std::string& vr);
  void Clear() { tags_.clear(); }
  // Clear, then a copy of every element of the source (nil: just Clear).
  void Assign(const TIEDICOMTags* source);

  int32_t Count() const { return static_cast<int32_t>(tags_.size()); }
  // Raises EListError for an index outside 0 .. Count - 1.
  const TIEDICOMTag& Tags(int32_t index) const;

 private:
  std::vector<TIEDICOMTag> tags_;
};

}  // namespace imaging
