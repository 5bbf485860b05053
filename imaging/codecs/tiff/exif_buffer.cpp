#include "imaging/codecs/tiff/exif_buffer.h"

#include <cstring>
#include <memory>

#include "imaging/base/stream_position_keeper.h"
#include "imaging/codecs/tiff/tiff_directory.h"
#include "imaging/codecs/tiff/tiff_reader.h"
#include "imaging/codecs/tiff/tiff_writer.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_settings.h"
#include "imaging/metadata/exif_block.h"
#include "imaging/model/exif_orientation.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/metadata/tiff_types.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

// One TIFF read with a progress record of its own; true when the reader did not abort. Alpha
// is ignored, so the reader makes no mask.
bool ReadTIFF(TIEBitmap* bitmap, vcl::TStream* stream, TIOParamsVals& params, bool preview,
              bool isThumbnail) {
  std::atomic<bool> aborting{false};
  TCodecProgress progress;
  progress.Aborting = &aborting;
  int32_t pages = 0;
  TIEMask* mask = nullptr;
  ReadTIFFStream(bitmap, stream, pages, params, progress, preview, mask,
                 /*RelativeOffsets=*/true, /*IgnoreAlpha=*/true, isThumbnail);
  return !aborting;
}

// The parameter block's thumbnail, created when missing, emptied (alpha included).
TIEBitmap& EmptyThumbnail(TIOParamsVals& params) {
  if (!params.EXIFThumbnail) params.EXIFThumbnail = std::make_unique<TIEBitmap>();
  params.EXIFThumbnail->FreeImage(true);
  return *params.EXIFThumbnail;
}

// True when the stream, from its position, starts with a TIFF header whose first directory
// loads. A parameters-only read cannot tell this by itself: it reports a directory without an
// image size (every Exif block) the same way as an unreadable one.
bool HasReadableFirstDirectory(vcl::TStream* stream) {
  const int64_t start = stream->Position();
  uint8_t header[8];
  const bool complete = stream->Read(header, 8) == 8;
  stream->SetPosition(start);
  if (!complete) return false;
  TTIFFDirectory directory;
  directory.Stream = stream;
  directory.BaseOffset = start;
  if (header[0] == 'I' && header[1] == 'I')
    directory.LittleEndian = 1;
  else if (header[0] == 'M' && header[1] == 'M')
    directory.LittleEndian = 0;
  else
    return false;
  const uint32_t first = ReadTIFF32(header + 4, directory.LittleEndian == 0);
  int32_t count = 0;
  const bool loaded = first != 0 && LoadTIFFDirectory(0, first, directory, count);
  stream->SetPosition(start);
  return loaded;
}

// True when every pixel byte of the bitmap is 0 (an empty preview some cameras store).
bool AllPixelBytesZero(TIEBitmap& bitmap) {
  const int32_t rowBytes = bitmap.RowLen();
  for (int32_t y = 0; y < bitmap.Height(); ++y) {
    const auto* row = static_cast<const uint8_t*>(bitmap.Scanline(y));
    for (int32_t i = 0; i < rowBytes; ++i)
      if (row[i] != 0) return false;
  }
  return true;
}

}  // namespace

void SaveExifToBuffer(TIOParamsVals& params, std::vector<uint8_t>& buffer, bool withHeader) {
  buffer.clear();
  std::atomic<bool> aborting{false};
  TCodecProgress progress;
  progress.Aborting = &aborting;
  vcl::TMemoryStream stream;
  WriteTIFFStream(&stream, false, nullptr, params, progress);
  if (!aborting && params.EXIFThumbnail && !params.EXIFThumbnail->IsEmpty()) {
    stream.SetPosition(0);
    // The thumbnail goes into a second directory as an embedded JPEG, the form every Exif
    // reader knows; a block of its own keeps the caller's compression settings untouched.
    TIOParamsVals thumbnailParams(nullptr);
    thumbnailParams.SetImageIndex(1);
    thumbnailParams.TIFFCompression = 6;
    // A block without owner has no resolution; a zero resolution is not a valid tag value.
    thumbnailParams.SetDpiX(params.DpiX > 0 ? params.DpiX : IEDefaultDpiX);
    thumbnailParams.SetDpiY(params.DpiY > 0 ? params.DpiY : IEDefaultDpiY);
    WriteTIFFStream(&stream, true, params.EXIFThumbnail.get(), thumbnailParams, progress);
  }
  // A block the writer could not finish would be embedded broken: none is better.
  if (aborting) return;
  const size_t size = static_cast<size_t>(stream.Size());
  const size_t header = withHeader ? kExifHeaderSize : 0;
  buffer.resize(header + size);
  if (withHeader) std::memcpy(buffer.data(), "Exif\0\0", kExifHeaderSize);
  if (size) std::memcpy(buffer.data() + header, stream.Memory(), size);
}

bool LoadExifFromBuffer(const uint8_t* data, int32_t length, TIOParamsVals& params) {
  if (!data || !IsExifBlock(data, length)) return false;
  vcl::TMemoryStream stream;
  stream.WriteBuffer(data + kExifHeaderSize, length - kExifHeaderSize);
  stream.SetPosition(0);
  // The temporary block has no owner, so that its defaults never reach the attached view.
  TIOParamsVals temporary(nullptr);
  TIEBitmap scratch;
  // A block whose TIFF structure cannot be read is refused before params is touched.
  if (!HasReadableFirstDirectory(&stream)) return false;
  ReadTIFF(&scratch, &stream, temporary, /*preview=*/true, /*isThumbnail=*/false);
  TIEBitmap& thumbnail = EmptyThumbnail(params);
  CopyExifParams(temporary, params);
  params.EXIFPresent = true;

  temporary.SetImageIndex(1);
  stream.SetPosition(0);
  if (!ReadTIFF(&thumbnail, &stream, temporary, /*preview=*/false, /*isThumbnail=*/true))
    thumbnail.FreeImage(true);
  ApplyExifOrientation(&thumbnail, params.EXIFOrientation);
  return true;
}

void CopyExifParams(TIOParamsVals& source, TIOParamsVals& dest) {
  if (&source == &dest) return;
  dest.AssignEXIFFields(source);
  // The TIFF reader keeps the image description of tag 270 in the TIFF field.
  dest.EXIFImageDescription = source.TIFFImageDescription;
}

bool ReadTIFFExif(vcl::TStream* stream, TIOParamsVals& params) {
  TStreamPositionKeeper keeper(stream);
  EmptyThumbnail(params);
  TIEBitmap scratch;
  ReadTIFF(&scratch, stream, params, /*preview=*/true, /*isThumbnail=*/false);
  return true;
}

bool ReadTIFFExifWithThumbnail(vcl::TStream* stream, TIOParamsVals& params) {
  TStreamPositionKeeper keeper(stream);
  TIOParamsVals temporary(nullptr);
  EmptyThumbnail(params);
  TIEBitmap scratch;
  ReadTIFF(&scratch, stream, temporary, /*preview=*/true, /*isThumbnail=*/false);
  CopyExifParams(temporary, params);
  params.EXIFPresent = true;

  // The first two pictures of the file, each read only when small enough for a thumbnail.
  TIEBitmap pictures[2];
  for (int32_t page = 0; page < 2; ++page) {
    TIOParamsVals pageParams(nullptr);
    pageParams.SetImageIndex(page);
    stream->SetPosition(keeper.Position());
    if (!ReadTIFF(&pictures[page], stream, pageParams, /*preview=*/false, /*isThumbnail=*/true))
      pictures[page].FreeImage(true);
  }
  const int32_t w0 = pictures[0].IsEmpty() ? 0 : pictures[0].Width();
  const int32_t w1 = pictures[1].IsEmpty() ? 0 : pictures[1].Width();
  TIEBitmap* candidate = nullptr;
  if (w0 > 0 && (w0 < w1 || w1 == 0))
    candidate = &pictures[0];
  else if (w1 > 0 && (w1 < w0 || w0 == 0))
    candidate = &pictures[1];
  if (candidate && !AllPixelBytesZero(*candidate)) params.EXIFThumbnail->Assign(candidate);
  return true;
}

}  // namespace imaging
