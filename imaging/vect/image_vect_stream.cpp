// TImageVect: its objects as an IEV stream, alone or behind the view's layers.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/coding/zlib_streams.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/vect/image_vect.h"
#include "imaging/vect/vect_stream_format.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

// The zlib default level among the compression stream's levels.
constexpr int32_t kDefaultZLevel = 2;
// More table entries than this is no table a writer made (each entry needs at least 4 bytes).
constexpr int32_t kMaxBitmapEntries = 1 << 20;

void WriteInt32(vcl::TStream* stream, int32_t value) {
  const uint32_t u = static_cast<uint32_t>(value);
  const uint8_t b[4] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
                        static_cast<uint8_t>(u >> 24)};
  stream->WriteBuffer(b, 4);
}

int32_t ReadInt32(vcl::TStream* stream) {
  uint8_t b[4];
  stream->ReadBuffer(b, 4);
  return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                              static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
}

bool ValidVersion(uint8_t version) { return version >= kIEVFirstVersion && version <= kIEVCurrentVersion; }

}  // namespace

bool IsIEVStream(vcl::TStream* stream) {
  const int64_t position = stream->Position();
  uint8_t head[4] = {0, 0, 0, 0};
  const bool read = stream->Read(head, 4) == 4;
  stream->SetPosition(position);
  return read && std::memcmp(head, kIEVMagic, 3) == 0 && ValidVersion(head[3]);
}

bool IsLayersAndObjectsStream(vcl::TStream* stream) {
  const int64_t position = stream->Position();
  bool result = false;
  uint8_t b[4];
  if (stream->Read(b, 4) == 4) {
    const int64_t offset = static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                                static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
    if (offset >= 0 && offset <= stream->Size() && IsLayersStream(stream)) {
      stream->SetPosition(offset);
      result = IsIEVStream(stream);
    }
  }
  stream->SetPosition(position);
  return result;
}

void TImageVect::SaveObjectsToStream(vcl::TStream* stream) {
  CompactBitmaps();
  WriteObjects(stream, drawOrder_, false);
}

void TImageVect::WriteObjects(vcl::TStream* stream, const std::vector<int32_t>& handles, bool subset) {
  const int64_t start = stream->Position();
  stream->WriteBuffer(kIEVMagic, 3);
  const uint8_t version = kIEVCurrentVersion;
  stream->WriteBuffer(&version, 1);
  WriteInt32(stream, 0);  // the total length, patched below
  stream->WriteBuffer(&scale_, 8);
  WriteInt32(stream, BitmapTableCount());
  std::vector<int32_t> used(bitmaps_.size(), 0);
  for (int32_t hobj : handles) {
    const int32_t index = storage_[hobj]->BitmapIndex;
    if (index >= 0 && index < BitmapTableCount()) ++used[index];
  }
  for (int32_t i = 0; i < BitmapTableCount(); ++i) {
    // The template's own reference is not an object's: a bitmap only the template keeps is
    // written without image.
    const int32_t count = subset ? used[i] : bitmaps_[i].count - (template_.BitmapIndex == i ? 1 : 0);
    WriteInt32(stream, count);
    if (count > 0) WriteEmbeddedPNG(stream, bitmaps_[i].bitmap.get());
  }
  {
    TZCompressionStream packed(stream, kDefaultZLevel);
    WriteInt32(&packed, static_cast<int32_t>(handles.size()));
    for (int32_t hobj : handles) WriteObjectRecord(&packed, hobj, *storage_[hobj]);
    packed.Finish();
  }
  const int64_t end = stream->Position();
  stream->SetPosition(start + 4);
  WriteInt32(stream, static_cast<int32_t>(end - start));
  stream->SetPosition(end);
}

bool TImageVect::ReadObjectsStream(vcl::TStream* stream, TLoadedObjects& loaded) {
  uint8_t head[4];
  stream->ReadBuffer(head, 4);
  if (std::memcmp(head, kIEVMagic, 3) != 0 || !ValidVersion(head[3])) return false;
  const uint8_t version = head[3];
  ReadInt32(stream);  // the total length
  if (version == '1') {
    loaded.scale = ReadInt32(stream);
  } else {
    stream->ReadBuffer(&loaded.scale, 8);
  }
  if (!std::isfinite(loaded.scale) || loaded.scale <= 0) throw EVectStreamError("Corrupt vector stream: scale");
  const int32_t entries = ReadInt32(stream);
  if (entries < 0 || entries > kMaxBitmapEntries || entries > (stream->Size() - stream->Position()) / 4)
    throw EVectStreamError("Corrupt vector stream: bitmap count");
  for (int32_t i = 0; i < entries; ++i) {
    std::unique_ptr<TIEBitmap> bitmap;
    if (ReadInt32(stream) > 0) {
      bitmap = ReadEmbeddedImage(stream, version <= '2');
      if (version >= '7' && version <= '<') ReadAlphaBlock(stream, bitmap.get());
    }
    loaded.table.push_back(std::move(bitmap));
  }
  TZDecompressionStream packed(stream);
  const int32_t count = ReadInt32(&packed);
  if (count < 0) throw EVectStreamError("Corrupt vector stream: object count");
  TVectReadDefaults defaults{&template_, this};
  // Each record is read before it is kept, so a huge count stops at the end of the data.
  for (int32_t i = 0; i < count; ++i) ReadObjectRecords(&packed, version, defaults, loaded.records);
  return true;
}

std::vector<int32_t> TImageVect::InstallObjects(TLoadedObjects& loaded, bool replace) {
  const bool share = shareBitmaps_;
  std::unique_ptr<TIEBitmap> templateBitmap;
  if (replace) {
    if (TIEBitmap* b = BitmapTableBitmap(template_.BitmapIndex)) {
      templateBitmap = std::make_unique<TIEBitmap>();
      templateBitmap->Assign(b);
    }
    const bool autoUndo = objAutoUndo_;
    objAutoUndo_ = false;  // loading is no edit to undo
    RemoveAllObjects();
    objAutoUndo_ = autoUndo;
    bitmaps_.clear();
    template_.BitmapIndex = -1;
  }
  // The stream's table goes behind the current entries; its indices move with it.
  const int32_t base = BitmapTableCount();
  for (auto& bitmap : loaded.table) bitmaps_.push_back(TBitmapEntry{std::move(bitmap), 0});
  shareBitmaps_ = true;
  std::vector<int32_t> handles;
  for (TIEVectorObject& record : loaded.records) {
    std::vector<uint8_t> userData = std::move(record.UserData);
    if (record.BitmapIndex >= 0 && record.BitmapIndex < static_cast<int32_t>(loaded.table.size()))
      record.BitmapIndex += base;
    else
      record.BitmapIndex = -1;
    const int32_t hobj = AdoptNewObject(std::move(record));
    storage_[hobj]->UserData = std::move(userData);
    handles.push_back(hobj);
  }
  // Entries no object took are not kept: a count of 0 means an empty entry.
  for (TBitmapEntry& entry : bitmaps_)
    if (entry.count == 0) entry.bitmap.reset();
  shareBitmaps_ = share;
  if (templateBitmap) SetObjBitmap(hobjTemplate, templateBitmap.get());
  return handles;
}

bool TImageVect::LoadObjectsFromStream(vcl::TStream* stream) {
  TLoadedObjects loaded;
  if (!ReadObjectsStream(stream, loaded)) return false;
  InstallObjects(loaded, true);
  SetScale(loaded.scale);
  DoVectorialChanged();
  Update();
  return true;
}

bool TImageVect::LoadObjectsFromFile(const std::string& fileName) {
  if (fileName.empty()) return false;
  vcl::TFileStream file(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
  return LoadObjectsFromStream(&file);
}

void TImageVect::SaveLayersAndObjectsToStream(vcl::TStream* stream, int32_t layerFormat) {
  const int64_t start = stream->Position();
  WriteInt32(stream, 0);
  SaveLayersToStream(stream, layerFormat);
  const int64_t objects = stream->Position();
  stream->SetPosition(start);
  WriteInt32(stream, static_cast<int32_t>(objects));
  stream->SetPosition(objects);
  SaveObjectsToStream(stream);
}

bool TImageVect::LoadLayersAndObjectsFromStream(vcl::TStream* stream) {
  const int32_t offset = ReadInt32(stream);
  if (offset < 0 || offset > stream->Size()) return false;
  if (!LoadLayersFromStream(stream)) return false;
  stream->SetPosition(offset);
  return LoadObjectsFromStream(stream);
}

bool TImageVect::LoadLayersAndObjectsFromFile(const std::string& fileName) {
  if (fileName.empty()) return false;
  vcl::TFileStream file(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
  return LoadLayersAndObjectsFromStream(&file);
}

}  // namespace imaging
