#include "imaging/codecs/page_image_coding.h"

#include "imaging/base/stream_encoders.h"
#include "imaging/coding/ccitt.h"
#include "imaging/model/ie_bitmap.h"
#include "vcl/runtime/streams.h"

namespace imaging {

std::vector<uint8_t> GatherBilevelRows(TIEBitmap* bitmap) {
  const int32_t height = bitmap->Height();
  const size_t rowBytes = size_t((int64_t(bitmap->Width()) + 7) / 8);
  std::vector<uint8_t> rows(rowBytes * size_t(height));
  for (int32_t y = 0; y < height; ++y) {
    const auto* row = static_cast<const uint8_t*>(bitmap->GetScanline(y));
    std::copy(row, row + rowBytes, rows.begin() + ptrdiff_t(rowBytes * size_t(y)));
  }
  return rows;
}

std::vector<uint8_t> RunLengthEncoded(const uint8_t* data, int32_t length) {
  // A literal byte can cost a count byte of its own, so the output may reach twice the input
  // (more than the encoder's documented bound for its destination).
  std::vector<uint8_t> coded(2 * size_t(length) + 2);
  coded.resize(size_t(EncodeRunLength(data, length, coded.data())));
  return coded;
}

std::vector<uint8_t> ASCII85Encoded(const uint8_t* data, int32_t length) {
  std::vector<uint8_t> text(size_t(length) * 5 / 4 + size_t(length) / 30 + 12);
  const uint8_t* source = data;
  uint8_t* destination = text.data();
  int32_t digits = 0;
  text.resize(size_t(EncodeASCII85(source, length, destination, digits)));
  return text;
}

bool CCITTEncodedRows(TIEBitmap* bitmap, bool group3, std::vector<uint8_t>& coded) {
  const int32_t width = bitmap->Width(), height = bitmap->Height();
  vcl::TMemoryStream stream;
  bool failed = false;
  std::vector<uint8_t> reference;
  int32_t pendingBits = 0;
  uint8_t pendingByte = 0;
  auto encode = [&](const uint8_t* row) {
    if (group3)
      CCITTEncodeT4_2DRow(row, width, &stream, 1, failed, reference, pendingBits, pendingByte);
    else
      CCITTEncodeT6Row(row, width, &stream, 1, failed, reference, pendingBits, pendingByte);
  };
  for (int32_t y = 0; y < height && !failed; ++y) encode(static_cast<const uint8_t*>(bitmap->GetScanline(y)));
  if (!failed) encode(nullptr);
  if (failed) return false;
  const auto* bytes = static_cast<const uint8_t*>(stream.Memory());
  coded.assign(bytes, bytes + stream.Size());
  return true;
}

}  // namespace imaging
