#include "imaging/metadata/dicom_tags.h"

#include <cstring>

#include "vcl/runtime/exceptions.h"

namespace imaging {

int32_t TIEDICOMTags::AddTag(uint16_t group, uint16_t element, int32_t length, std::unique_ptr<uint8_t[]> data,
                             const std::string& vr) {
  TIEDICOMTag tag;
  tag.Group = group;
  tag.Element = element;
  if (vr.size() == 2) {
    tag.VR[0] = vr[0];
    tag.VR[1] = vr[1];
  }
  if (length >= 0 && data) {
    tag.Data = std::move(data);
    tag.DataLength = length;
  }
  tags_.push_back(std::move(tag));
  return Count() - 1;
}

void TIEDICOMTags::Assign(const TIEDICOMTags* source) {
  if (source == this) return;
  Clear();
  if (!source) return;
  for (const TIEDICOMTag& from : source->tags_) {
    TIEDICOMTag copy;
    copy.Group = from.Group;
    copy.Element = from.Element;
    std::memcpy(copy.VR, from.VR, 2);
    if (from.DataLength > 0 && from.Data) {
      // The copy gets its own terminating 0 rather than trusting the source's block to have one.
      copy.Data.reset(new uint8_t[from.DataLength + 1]);
      std::memcpy(copy.Data.get(), from.Data.get(), from.DataLength);
      copy.Data[from.DataLength] = 0;
      copy.DataLength = from.DataLength;
    }
    tags_.push_back(std::move(copy));
  }
}

const TIEDICOMTag& TIEDICOMTags::Tags(int32_t index) const {
  if (index < 0 || index >= Count()) throw vcl::EListError("List index out of bounds (" + std::to_string(index) + ")");
  return tags_[index];
}

}  // namespace imaging
