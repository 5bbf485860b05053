#include "imaging/base/stream_copy.h"

#include <algorithm>
#include <vector>

#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

// Compression streams belong to the codecs, which this library does not link, so they are
// recognised by class name.
bool SizeIsNotWhatIsLeft(const vcl::TStream* stream) {
  for (const vcl::TMetaClass* c = stream->ClassType(); c; c = c->ClassParent())
    if (c->ClassNameIs("TZDecompressionStream") || c->ClassNameIs("TZCompressionStream") ||
        c->ClassNameIs("TIEHashStream"))
      return true;
  return false;
}

}  // namespace

int64_t CopyStreamData(vcl::TStream* destination, vcl::TStream* source, int64_t count) {
  if (count < 0) return 0;
  if (count == 0) {
    source->SetPosition(0);
    count = source->Size();
  }
  if (!SizeIsNotWhatIsLeft(source)) count = std::max<int64_t>(0, std::min(count, source->Size() - source->Position()));
  constexpr int64_t kBufferSize = 0x2FFFF;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, kBufferSize)));
  for (int64_t left = count; left > 0;) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(buffer.size()), left));
    source->ReadBuffer(buffer.data(), n);
    destination->WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

}  // namespace imaging
