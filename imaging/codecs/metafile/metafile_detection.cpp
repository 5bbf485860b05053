#include "imaging/codecs/metafile/metafile_detection.h"

#include <cstdint>

#include "imaging/params/file_formats.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

// Reads `count` bytes from `offset` past the start; false when the stream has fewer.
bool ReadMetafileBytesAt(vcl::TStream* stream, int64_t start, int64_t offset, uint8_t* buffer, int32_t count) {
  stream->SetPosition(start + offset);
  return stream->Read(buffer, count) == count;
}

constexpr uint32_t kEMFSignature = 0x464D4520;  // " EMF"
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr int64_t kPlaceableHeaderSize = 22;

bool TryEMF(vcl::TStream* stream, int32_t) { return IsEMFStream(stream); }
bool TryWMF(vcl::TStream* stream, int32_t) { return IsWMFStream(stream); }

}  // namespace

bool IsEMFStream(vcl::TStream* Stream) {
  const int64_t start = Stream->Position();
  uint8_t head[44];
  const bool found = ReadMetafileBytesAt(Stream, start, 0, head, 44) && vcl::le::U32(head) == 1 && vcl::le::U32(head + 40) == kEMFSignature;
  Stream->SetPosition(start);
  return found;
}

bool IsWMFStream(vcl::TStream* Stream) {
  const int64_t start = Stream->Position();
  uint8_t key[4];
  uint8_t header[18];
  bool found = false;
  if (ReadMetafileBytesAt(Stream, start, 0, key, 4)) {
    const int64_t headerOffset = vcl::le::U32(key) == kPlaceableKey ? kPlaceableHeaderSize : 0;
    found = ReadMetafileBytesAt(Stream, start, headerOffset, header, 18) && vcl::le::U16(header) == 1 && vcl::le::U16(header + 2) == 9 &&
            vcl::le::U16(header + 16) == 0;
  }
  Stream->SetPosition(start);
  return found;
}

void RegisterMetafileTests() {
  if (TIEFileFormatInfo* row = GetFileFormatInfo(9)) row->TryFunction = TryWMF;
  if (TIEFileFormatInfo* row = GetFileFormatInfo(10)) row->TryFunction = TryEMF;
}

}  // namespace imaging
