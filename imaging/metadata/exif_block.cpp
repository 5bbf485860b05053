#include "imaging/metadata/exif_block.h"

#include <cstring>
#include <vector>

#include "imaging/metadata/tiff_types.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

constexpr int32_t kTIFFHeaderSearch = 0x20000;

}  // namespace

bool IsExifBlock(const uint8_t* data, int32_t length) {
  return data && length >= kExifHeaderSize && std::memcmp(data, "Exif\0", 5) == 0;
}

int64_t FindTIFFHeaderInStream(vcl::TStream* stream) {
  const int64_t start = stream->Position();
  const int64_t size = stream->Size();
  std::vector<uint8_t> buffer(kTIFFHeaderSearch);
  int32_t got = stream->Read(buffer.data(), kTIFFHeaderSearch);
  stream->SetPosition(start);
  for (int32_t i = 0; i + 8 <= got; ++i) {
    const uint8_t* p = buffer.data() + i;
    bool ii = p[0] == 'I' && p[1] == 'I', mm = p[0] == 'M' && p[1] == 'M';
    if (!ii && !mm) continue;
    uint16_t magic = ReadTIFF16(p + 2, mm);
    uint32_t firstIFD = ReadTIFF32(p + 4, mm);
    if (int64_t(firstIFD) < size && (magic == 42 || magic == 0x4F52 || magic == 0x5352)) return i;
  }
  return -1;
}

}  // namespace imaging
