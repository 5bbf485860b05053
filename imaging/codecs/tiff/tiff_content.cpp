#include "imaging/codecs/tiff/tiff_content.h"

#include <cstring>
#include <memory>

#include "imaging/base/stream_position_keeper.h"
#include "imaging/codecs/tiff/tiff_directory.h"
#include "imaging/codecs/tiff/tiff_writer.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/base/buffered_read_stream.h"
#include "imaging/metadata/tiff_tags.h"
#include "imaging/metadata/tiff_types.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

constexpr uint16_t TagImageWidth = 256;
constexpr uint16_t TagImageLength = 257;

// The header of the TIFF structure at `origin`: byte order and first directory. False for a
// stream without a TIFF byte-order mark there.
struct TIFFHeaderInfo {
  bool LittleEndian = true;
  uint32_t FirstOffset = 0;
  uint8_t ByteAfterHeader = 0;
};

bool ReadTIFFHeader(vcl::TStream* stream, int64_t origin, TIFFHeaderInfo& info, bool needNinthByte) {
  uint8_t header[9] = {};
  stream->SetPosition(origin);
  const int32_t wanted = needNinthByte ? 9 : 8;
  if (stream->Read(header, wanted) != wanted) return false;
  if (header[0] == 'I' && header[1] == 'I') info.LittleEndian = true;
  else if (header[0] == 'M' && header[1] == 'M') info.LittleEndian = false;
  else return false;
  info.FirstOffset = ReadTIFF32(header + 4, !info.LittleEndian);
  info.ByteAfterHeader = header[8];
  return true;
}

bool LoadFirstDirectory(vcl::TStream* stream, int64_t origin, const TIFFHeaderInfo& info,
                        TTIFFDirectory& directory) {
  directory.Stream = stream;
  directory.LittleEndian = info.LittleEndian ? 1 : 0;
  directory.BaseOffset = origin;
  int32_t count = 0;
  return LoadTIFFDirectory(0, info.FirstOffset, directory, count);
}

bool HasTags(const TTIFFDirectory& directory, std::initializer_list<uint16_t> tags) {
  for (uint16_t tag : tags)
    if (FindTIFFTag(directory, tag) < 0) return false;
  return true;
}

// Runs a content test on the stream from its position, through a read buffer; malformed data
// and stream errors answer false, and the stream is left where it was.
template <typename Test>
bool RunContentTest(vcl::TStream* stream, bool buffered, Test test) {
  if (!stream) return false;
  try {
    TStreamPositionKeeper keeper(stream);
    const int64_t origin = keeper.Position();
    if (!buffered) return test(stream, origin, stream->Size() - origin);
    TIEBufferedReadStream reader(stream, false, 1024);
    return test(&reader, origin, reader.Size() - origin);
  } catch (...) {
    return false;
  }
}

}  // namespace

bool IsTIFFStream(vcl::TStream* stream) {
  return RunContentTest(stream, true, [](vcl::TStream* s, int64_t origin, int64_t size) {
    if (size <= 8) return false;
    TIFFHeaderInfo info;
    if (!ReadTIFFHeader(s, origin, info, true) || info.FirstOffset >= size) return false;
    // "MM" followed by 0xBA is a camera's own container, not a TIFF.
    if (!info.LittleEndian && info.ByteAfterHeader == 0xBA) return false;
    TTIFFDirectory directory;
    return LoadFirstDirectory(s, origin, info, directory) && HasTags(directory, {TagImageWidth, TagImageLength});
  });
}

bool IsHDPhotoStream(vcl::TStream* stream) {
  return RunContentTest(stream, true, [](vcl::TStream* s, int64_t origin, int64_t size) {
    if (size <= 8) return false;
    TIFFHeaderInfo info;
    if (!ReadTIFFHeader(s, origin, info, false) || !info.LittleEndian) return false;
    TTIFFDirectory directory;
    return LoadFirstDirectory(s, origin, info, directory) && HasTags(directory, {48256, 48257, 48129, 48320, 48321});
  });
}

bool IsTIFFCameraRawStream(vcl::TStream* stream) {
  return RunContentTest(stream, false, [](vcl::TStream* s, int64_t origin, int64_t) {
    TIFFHeaderInfo info;
    if (!ReadTIFFHeader(s, origin, info, false)) return false;
    TTIFFDirectory directory;
    if (!LoadFirstDirectory(s, origin, info, directory)) return false;
    const int32_t dngVersion = FindTIFFTag(directory, 50706);
    if (dngVersion >= 0 && directory.Entries[dngVersion].Type == 1 && directory.Entries[dngVersion].Count == 4)
      return true;
    const int32_t photometric = FindTIFFTag(directory, 262);
    if (photometric >= 0 && directory.Entries[photometric].Type == 3 && directory.Entries[photometric].Count == 1) {
      const int32_t value = GetTIFFTagInt(directory, 262, 0);
      if (value == 32803 || value == 34892) return true;
    }
    // A small preview as the main image, the raw data in sub-directories.
    return HasTags(directory, {330, 37398}) && GetTIFFTagInt(directory, TagImageWidth, 0) <= 199 &&
           GetTIFFTagInt(directory, TagImageLength, 0) <= 199 && HasTags(directory, {TagImageWidth, TagImageLength});
  });
}

bool RewriteTIFFMetadata(vcl::TStream* source, vcl::TStream* dest, const std::string& sourceFileName,
                         const std::string& destFileName, int32_t pageIndex, TIOParamsVals& params) {
  // The block's metadata as a TIFF of its own: a metadata-only directory with the EXIF and
  // GPS directories, written as an EXIF block is (EXIF data present).
  vcl::TMemoryStream metadata;
  {
    const bool exifPresent = params.EXIFPresent;
    params.EXIFPresent = true;
    std::atomic<bool> aborting{false};
    TCodecProgress progress;
    progress.Aborting = &aborting;
    try {
      WriteTIFFStream(&metadata, false, nullptr, params, progress);
    } catch (...) {
      params.EXIFPresent = exifPresent;
      throw;
    }
    params.EXIFPresent = exifPresent;
    if (aborting) return false;
  }
  metadata.SetPosition(0);
  TIETIFFHandler fromParams;
  if (!fromParams.ReadFromStream(&metadata)) return false;

  TIETIFFHandler target;
  int64_t sourcePosition = 0;
  if (source) {
    sourcePosition = source->Position();
    if (!target.ReadFromStream(source)) return false;
  } else if (!target.ReadFromFile(sourceFileName)) {
    return false;
  }

  static const uint16_t CopiedTags[] = {271,   272,   306,   274,   282,   283,   296,   305,
                                        315,   318,   531,   319,   529,   532,   33432, 18246,
                                        40091, 40092, 40093, 40094, 40095, 34665, 34853};
  bool copied = false;
  const bool sameOrder = fromParams.BigEndian() == target.BigEndian();
  if (sameOrder && pageIndex >= 0 && pageIndex < target.PageCount() && fromParams.PageCount() > 0) {
    for (uint16_t tag : CopiedTags) {
      const int32_t index = fromParams.FindTag(0, tag);
      if (index < 0) continue;
      target.CopyTag(0, index, pageIndex, &fromParams);
      copied = true;
    }
  }

  if (dest) {
    if (dest == source) dest->SetPosition(sourcePosition);
    target.WriteToStream(dest, -1);
    // Rewriting a stream in place: what the old, longer file left behind is cut off.
    if (dest == source) dest->SetSize(dest->Position());
  } else {
    target.WriteToFile(destFileName, -1);
  }
  return copied;
}

}  // namespace imaging
