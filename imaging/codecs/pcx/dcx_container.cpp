// The DCX container: a magic number, a table of page offsets ended by 0, and the PCX pages.
// Offsets count from the container's start, so that a container inside other data reads too.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/base/stream_copy.h"
#include "imaging/base/stream_encoders.h"
#include "imaging/codecs/pcx/pcx_codec.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/file_formats.h"
#include "imaging/params/io_params.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

constexpr uint32_t kMagic = 0x3ADE68B1;
constexpr int32_t kLargestTable = 1024;

bool ReadMagic(vcl::TStream* stream) {
  uint8_t magic[4];
  return stream->Read(magic, 4) == 4 && vcl::le::U32(magic) == kMagic;
}

// A page runs from its offset to the nearest larger offset, or to the container's end.
std::vector<int64_t> GetDCXPageSizes(const std::vector<int64_t>& offsets, int64_t end) {
  std::vector<int64_t> sizes;
  for (int64_t offset : offsets) {
    int64_t next = end;
    for (int64_t other : offsets)
      if (other > offset) next = std::min(next, other);
    sizes.push_back(next - offset);
  }
  return sizes;
}

void ReadPCX(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress, bool preview) {
  ReadPCXStream(stream, bitmap, params, stream->Size() - stream->Position(), progress, preview);
}

bool TryPCX(vcl::TStream* stream, int32_t) {
  const int64_t start = stream->Position();
  uint8_t head[4];
  const bool found = stream->Read(head, 4) == 4 && head[0] == 10 && head[2] <= 1 && head[3] <= 8;
  stream->SetPosition(start);
  return found;
}

bool TryDCX(vcl::TStream* stream, int32_t) { return IsDCXStream(stream); }

}  // namespace

std::vector<int64_t> ReadDCXPageTable(vcl::TStream* Stream, int64_t Start) {
  std::vector<int64_t> offsets;
  uint8_t entry[4];
  while (int32_t(offsets.size()) < kLargestTable && Stream->Read(entry, 4) == 4) {
    const uint32_t offset = vcl::le::U32(entry);
    if (offset == 0) break;
    offsets.push_back(offset);
  }
  return offsets;
}

bool IsDCXStream(vcl::TStream* Stream) {
  const int64_t start = Stream->Position();
  bool result = false;
  if (ReadMagic(Stream)) {
    const int64_t size = Stream->Size() - start;
    const std::vector<int64_t> offsets = ReadDCXPageTable(Stream, start);
    result = std::all_of(offsets.begin(), offsets.end(), [&](int64_t offset) { return offset < size; });
  }
  Stream->SetPosition(start);
  return result;
}

void ReadDCXStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                   bool Preview) {
  if (!IsDCXStream(Stream)) return Progress.Abort();
  const int64_t start = Stream->Position();
  ReadMagic(Stream);
  const std::vector<int64_t> offsets = ReadDCXPageTable(Stream, start);
  // A container without pages has no image to give.
  if (offsets.empty()) return Progress.Abort();
  const int32_t index = std::clamp(Params.DCXImageIndex, 0, int32_t(offsets.size()) - 1);
  Params.SetImageIndex(index);
  const std::vector<int64_t> sizes = GetDCXPageSizes(offsets, Stream->Size() - start);
  Stream->SetPosition(start + offsets[index]);
  ReadPCXStream(Stream, Bitmap, Params, sizes[index], Progress, Preview);
}

void WriteDCXStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress) {
  const int64_t start = Stream->Position();
  const int64_t end = Stream->Size();
  std::vector<int64_t> offsets;
  if (end > start) {
    if (!IsDCXStream(Stream)) return Progress.Abort();
    ReadMagic(Stream);
    offsets = ReadDCXPageTable(Stream, start);
  }
  const int32_t pages = int32_t(offsets.size());
  // The table has room for 1024 pages; one more would be lost on reading.
  if (pages >= kLargestTable) return Progress.Abort();
  const std::vector<int64_t> sizes = GetDCXPageSizes(offsets, end - start);
  // An index past the last page appends the image rather than dropping it.
  const int32_t index = std::clamp(Params.DCXImageIndex, 0, pages);

  vcl::TMemoryStream built;
  std::vector<uint8_t> table(size_t(pages + 2) * 4 + 4, 0);
  vcl::le::Store32(table.data(), kMagic);
  built.WriteBuffer(table.data(), int32_t(table.size()));
  int32_t slot = 0;
  for (int32_t p = 0; p <= pages; ++p) {
    if (p == index) {
      vcl::le::Store32(table.data() + 4 + 4 * slot++, uint32_t(built.Position()));
      WritePCXStream(&built, Bitmap, Params, Progress);
      if (Progress.IsAborting()) return;
    }
    if (p == pages) break;
    vcl::le::Store32(table.data() + 4 + 4 * slot++, uint32_t(built.Position()));
    Stream->SetPosition(start + offsets[p]);
    if (CopyStreamData(&built, Stream, sizes[p]) != sizes[p]) return Progress.Abort();
  }
  built.SetPosition(0);
  built.WriteBuffer(table.data(), int32_t(table.size()));

  Stream->SetPosition(start);
  Stream->SetSize(start);
  bool error = false;
  StreamWriteChecked(Stream, error, built.Memory(), int32_t(built.Size()));
  if (error) Progress.Abort();
}

void RegisterPCXFormats() {
  if (TIEFileFormatInfo* pcx = GetFileFormatInfo(4)) {
    pcx->ReadFunction = ReadPCX;
    pcx->WriteFunction = WritePCXStream;
    pcx->TryFunction = TryPCX;
  }
  if (TIEFileFormatInfo* dcx = GetFileFormatInfo(19)) {
    dcx->ReadFunction = ReadDCXStream;
    dcx->WriteFunction = WriteDCXStream;
    dcx->TryFunction = TryDCX;
  }
}

}  // namespace imaging
