#include "imaging/base/nul_stream.h"

#include "imaging/base/number_helpers.h"


namespace imaging {

void TNulStream::Advance(int64_t newPosition) {
  position_ = newPosition;
  if (position_ >= size_) size_ = position_;
}

int32_t TNulStream::Read(void* buffer, int32_t count) {
  if (count < 0) return 0;
  Advance(AddSaturated(position_, count));
  return count;
}

int32_t TNulStream::Write(const void* buffer, int32_t count) {
  if (count < 0) return 0;
  Advance(AddSaturated(position_, count));
  return count;
}

int64_t TNulStream::Seek(int64_t offset, vcl::TSeekOrigin origin) {
  switch (origin) {
    case vcl::soBeginning: Advance(offset); break;
    case vcl::soCurrent: Advance(AddSaturated(position_, offset)); break;
    // The platform's convention, which the stream's size query and every writer rely on:
    // the offset is added to the size (Seek(-4, soEnd) is four bytes before the end).
    case vcl::soEnd: position_ = AddSaturated(size_, offset); break;
  }
  return position_;
}

}  // namespace imaging
