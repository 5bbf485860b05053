#include <algorithm>
#include <cstring>

#include "imaging/codecs/dicom/dicom_decoders.h"

namespace imaging {

int64_t DecodeDICOMRLESegment(const uint8_t* Data, int64_t Size, uint8_t* Dest, int64_t Count, int64_t* Produced) {
  int64_t in = 0, out = 0;
  while (out < Count && in < Size) {
    const int8_t n = static_cast<int8_t>(Data[in++]);
    if (n >= 0) {
      // A literal that runs past the data or the output keeps only what both hold.
      const int64_t length = std::min<int64_t>({int64_t(n) + 1, Size - in, Count - out});
      std::memcpy(Dest + out, Data + in, size_t(length));
      out += length;
      in += std::min<int64_t>(int64_t(n) + 1, Size - in);
    } else if (n != -128) {
      if (in >= Size) break;
      const uint8_t value = Data[in++];
      const int64_t length = std::min<int64_t>(1 - int64_t(n), Count - out);
      std::memset(Dest + out, value, size_t(length));
      out += length;
    }
  }
  if (Produced) *Produced = out;
  return in;
}

}  // namespace imaging
