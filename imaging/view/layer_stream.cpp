// The layer stream: every layer's properties and pixels in one stream ("DIDERORODOZID", a
// 25-byte header, the layer records, then one image per layer where its record points). Pixels
// are raw bitmap records, zlib-compressed or not, or any file format the I/O object writes.
//
// Loading reads and checks the whole stream into new layers before the view's layers change:
// every count and size is held against the bytes left before anything is allocated, and a
// damaged stream raises its error with the view exactly as it was.
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/base/string_stream_helpers.h"
#include "imaging/coding/zlib_streams.h"
#include "imaging/io/image_io.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/temp_block_store.h"
#include "imaging/view/image_view.h"
#include "imaging/view/record_fields.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

using namespace record_fields;

constexpr char kSignature[13] = {'D', 'I', 'D', 'E', 'R', 'O', 'R', 'O', 'D', 'O', 'Z', 'I', 'D'};
constexpr int32_t kVersion = 6;
constexpr int32_t kHeaderSize = 25;
constexpr int32_t kRawZlib = -1;
constexpr int32_t kRaw = -2;
// zlib's deflate cannot shrink data by more than about 1032:1; a block that claims to inflate
// further is damaged.
constexpr int64_t kMaxInflateRatio = 1032;

// The smallest record a version can have (an empty name, no user data).
int32_t MinimalRecordSize(int32_t version) {
  int32_t size = 43;
  if (version >= 3) size += 12;
  if (version >= 4) size += 1;
  if (version >= 6) size += 1;
  return size;
}

// One layer record as stored; fields of later versions are flagged by the version read.
struct TLayerRecord {
  bool visible, visibleBox;
  int32_t transparency, x, y;
  bool cropped, locked, magnify;
  double magnifyZoom;
  uint8_t magnifyShape, magnifySource = 1, operation;
  int32_t width, height;
  uint8_t filter = rfNone;
  bool useFilter = false;
  std::string name;
  std::vector<uint8_t> userData;
  bool isMask = false, selectable = true, dimOutside = false;
  int64_t imageOffset = 0;
};

TLayerRecord ReadRecord(vcl::TStream* stream, int32_t version) {
  TLayerRecord r;
  r.visible = Get<uint8_t>(stream) != 0;
  r.visibleBox = Get<uint8_t>(stream) != 0;
  r.transparency = Get<int32_t>(stream);
  r.x = Get<int32_t>(stream);
  r.y = Get<int32_t>(stream);
  r.cropped = Get<uint8_t>(stream) != 0;
  r.locked = Get<uint8_t>(stream) != 0;
  r.magnify = Get<uint8_t>(stream) != 0;
  r.magnifyZoom = Get<double>(stream);
  r.magnifyShape = Get<uint8_t>(stream);
  if (version >= 3) r.magnifySource = Get<uint8_t>(stream);
  r.operation = Get<uint8_t>(stream);
  r.width = Get<int32_t>(stream);
  r.height = Get<int32_t>(stream);
  if (version >= 3) {
    r.filter = Get<uint8_t>(stream);
    if (r.filter > rfProjectWB) Corrupt();
    r.useFilter = Get<uint8_t>(stream) != 0;
    ReadStringFromStream(stream, r.name);
    int32_t size = Get<int32_t>(stream);
    if (size < 0 || size > Remaining(stream)) Corrupt();
    r.userData.resize(static_cast<size_t>(size));
    if (size > 0) stream->ReadBuffer(r.userData.data(), size);
    r.isMask = Get<uint8_t>(stream) != 0;
  }
  if (version >= 4) r.selectable = Get<uint8_t>(stream) != 0;
  if (version >= 6) r.dimOutside = Get<uint8_t>(stream) != 0;
  uint32_t low = Get<uint32_t>(stream);
  uint32_t high = Get<uint32_t>(stream);
  r.imageOffset = static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
  if (r.imageOffset < 0 || r.imageOffset > stream->Size()) Corrupt();
  return r;
}

// Fields absent from older versions keep what the layer had.
void ApplyRecord(TIELayer* layer, const TLayerRecord& r, int32_t version) {
  layer->Visible = r.visible;
  layer->VisibleBox = r.visibleBox;
  layer->Transparency = r.transparency;
  layer->PosX = r.x;
  layer->PosY = r.y;
  layer->Cropped = r.cropped;
  layer->Locked = r.locked;
  layer->Magnify = r.magnify;
  layer->MagnifyZoom = r.magnifyZoom;
  layer->MagnifyShape = r.magnifyShape;
  layer->Operation = r.operation;
  layer->Width = r.width;
  layer->Height = r.height;
  layer->ClientAreaBox = vcl::TRect{0, 0, 0, 0};
  if (version >= 3) {
    layer->MagnifySource = r.magnifySource;
    layer->ResampleFilter = static_cast<TResampleFilter>(r.filter);
    layer->UseResampleFilter = r.useFilter;
    layer->Name = r.name;
    uint8_t* block = layer->AllocateUserData(static_cast<int32_t>(r.userData.size()));
    if (block) std::memcpy(block, r.userData.data(), r.userData.size());
    layer->IsMask = r.isMask;
  }
  if (version >= 4) layer->Selectable = r.selectable;
  if (version >= 6) layer->DimOutside = r.dimOutside;
}

void WriteRecord(vcl::TStream* stream, TIELayer* layer) {
  Put<uint8_t>(stream, layer->Visible);
  Put<uint8_t>(stream, layer->VisibleBox);
  Put<int32_t>(stream, layer->Transparency);
  Put<int32_t>(stream, layer->PosX);
  Put<int32_t>(stream, layer->PosY);
  Put<uint8_t>(stream, layer->Cropped);
  Put<uint8_t>(stream, layer->Locked);
  Put<uint8_t>(stream, layer->Magnify);
  Put<double>(stream, layer->MagnifyZoom);
  Put<uint8_t>(stream, layer->MagnifyShape);
  Put<uint8_t>(stream, layer->MagnifySource);
  Put<uint8_t>(stream, layer->Operation);
  Put<int32_t>(stream, layer->Width);
  Put<int32_t>(stream, layer->Height);
  Put<uint8_t>(stream, static_cast<uint8_t>(layer->ResampleFilter));
  Put<uint8_t>(stream, layer->UseResampleFilter);
  WriteStringToStream(stream, layer->Name);
  int32_t size = layer->UserDataSize() > 0 ? layer->UserDataSize() : 0;
  Put<int32_t>(stream, size);
  if (size > 0) stream->WriteBuffer(layer->UserData(), size);
  Put<uint8_t>(stream, layer->IsMask);
  Put<uint8_t>(stream, layer->Selectable);
  Put<uint8_t>(stream, layer->DimOutside);
}

// A raw image: int32 byte count, then the (compressed) raw bitmap record.
void WriteRawImage(vcl::TStream* stream, TIEBitmap* bitmap, bool compress) {
  vcl::TMemoryStream staging;
  int64_t estimate = int64_t(bitmap->Height()) * bitmap->RowLen() / 2;
  if (bitmap->HasAlphaChannel()) {
    TIEBitmap* alpha = bitmap->GetAlphaChannel();
    estimate += int64_t(alpha->Height()) * alpha->RowLen();
  }
  try {
    if (estimate > 0 && estimate < GetPhysicalMemorySize(true)) staging.SetSize(estimate);
  } catch (...) {
    // Only a speed-up.
  }
  if (compress) {
    TZCompressionStream zip(&staging, 2);
    bitmap->SaveRawToStream(&zip);
    zip.Finish();
  } else {
    bitmap->SaveRawToStream(&staging);
  }
  int64_t count = staging.Position();
  // The count is stored in 32 bits: a larger image cannot be written in this format.
  if (count > INT32_MAX) throw vcl::EWriteError("Layer image too large for the layer stream");
  Put<int32_t>(stream, static_cast<int32_t>(count));
  if (count > 0) stream->WriteBuffer(staging.Memory(), static_cast<int32_t>(count));
}

void ReadRawImage(vcl::TStream* stream, TIEBitmap* bitmap, bool compressed) {
  int32_t count = Get<int32_t>(stream);
  if (count < 0 || count > Remaining(stream)) Corrupt();
  if (count == 0) return;
  std::vector<uint8_t> data(static_cast<size_t>(count));
  stream->ReadBuffer(data.data(), count);
  vcl::TMemoryStream raw;
  if (compressed) {
    std::vector<uint8_t> inflated;
    InflateBuffer(data.data(), count, inflated, 0, std::min<int64_t>(int64_t(count) * kMaxInflateRatio, INT32_MAX));
    if (!inflated.empty()) raw.WriteBuffer(inflated.data(), static_cast<int32_t>(inflated.size()));
  } else {
    raw.WriteBuffer(data.data(), count);
  }
  raw.SetPosition(0);
  if (!bitmap->LoadRawFromStream(&raw)) Corrupt();
}

}  // namespace

bool IsLayersStream(vcl::TStream* stream) {
  int64_t position = stream->Position();
  char header[kHeaderSize];
  bool result = false;
  try {
    if (stream->Read(header, kHeaderSize) == kHeaderSize && std::memcmp(header, kSignature, 13) == 0) {
      int32_t count;
      std::memcpy(&count, header + 21, 4);
      result = count > 0;
    }
  } catch (...) {
    result = false;
  }
  stream->SetPosition(position);
  return result;
}

void TImageView::SaveLayersToStream(vcl::TStream* stream, int32_t imageFormat) {
  int32_t current = layersCurrent_;
  bool skip = skipUnselectable_;
  skipUnselectable_ = false;
  if (imageFormat == 1) imageFormat = 8;
  layers_[layersCurrent_]->StoreBitmap(ieBitmap_);
  try {
    stream->WriteBuffer(kSignature, 13);
    Put<int32_t>(stream, kVersion);
    Put<int32_t>(stream, imageFormat);
    Put<int32_t>(stream, LayersCount());
    std::vector<int64_t> offsetFields;
    for (auto& layer : layers_) {
      WriteRecord(stream, layer.get());
      offsetFields.push_back(stream->Position());
      Put<int64_t>(stream, 0);  // the image offset, filled in below
    }
    for (int32_t i = 0; i < LayersCount(); ++i) {
      int64_t p = stream->Position();
      stream->SetPosition(offsetFields[i]);
      Put<uint32_t>(stream, static_cast<uint32_t>(p & 0xFFFFFFFF));
      Put<uint32_t>(stream, static_cast<uint32_t>(static_cast<uint64_t>(p) >> 32));
      stream->SetPosition(p);
      if (imageFormat == kRawZlib || imageFormat == kRaw) {
        WriteRawImage(stream, layers_[i]->Bitmap(), imageFormat == kRawZlib);
      } else {
        SetLayersCurrent(i);
        TImageIO* io = GetIO();
        TIOParamsVals& params = io->Params();
        switch (ieBitmap_->PixelFormat()) {
          case ie1g:
            params.BitsPerSample = 1;
            params.SamplesPerPixel = 1;
            break;
          case ie8g:
            params.BitsPerSample = 8;
            params.SamplesPerPixel = 1;
            params.JPEGColorSpace = 1;
            break;
          default:
            params.BitsPerSample = 8;
            params.SamplesPerPixel = 3;
            params.JPEGColorSpace = 2;
        }
        io->SaveToStream(stream, imageFormat);
        // The I/O object reports a failed encoding only through its flag.
        if (io->Aborting()) throw vcl::EWriteError("The layer image could not be written");
      }
      stream->Seek(0, vcl::soEnd);
    }
  } catch (...) {
    SetLayersCurrent(current);
    skipUnselectable_ = skip;
    throw;
  }
  SetLayersCurrent(current);
  skipUnselectable_ = skip;
}

bool TImageView::LoadLayersFromStream(vcl::TStream* stream) {
  char header[kHeaderSize];
  int32_t got = stream->Read(header, 13);
  if (got != 13 || std::memcmp(header, kSignature, 13) != 0) return false;
  stream->ReadBuffer(header + 13, kHeaderSize - 13);
  int32_t version, format, count;
  std::memcpy(&version, header + 13, 4);
  std::memcpy(&format, header + 17, 4);
  std::memcpy(&count, header + 21, 4);
  if (version < 1) {
    Update();
    return false;
  }
  if (count > 0 && count > Remaining(stream) / MinimalRecordSize(version)) Corrupt();

  std::vector<TLayerRecord> records;
  std::vector<std::unique_ptr<TIEBitmap>> images;
  for (int32_t k = 0; k < count; ++k) {
    records.push_back(ReadRecord(stream, version));
    int64_t next = stream->Position();
    stream->SetPosition(records.back().imageOffset);
    auto bitmap = std::make_unique<TIEBitmap>();
    if (format == kRawZlib || format == kRaw) {
      ReadRawImage(stream, bitmap.get(), format == kRawZlib);
    } else {
      // The codec reads into a bitmap of this load only; a mask stays 8-bit grey.
      TImageIO* viewIO = GetIO();
      std::unique_ptr<TImageIO> io = TImageIO::CreateFromBitmap(bitmap.get());
      io->SetNativePixelFormat(records.back().isMask || viewIO->GetNativePixelFormat());
      io->LoadFromStreamFormat(stream, format);
      if (io->Aborting()) throw vcl::EReadError("The layer image could not be read");
    }
    images.push_back(std::move(bitmap));
    stream->SetPosition(next);
  }

  // Everything is read: now the view changes. Layer 0's object stays (its rotation too).
  layers_[layersCurrent_]->StoreBitmap(ieBitmap_);
  std::vector<std::unique_ptr<TIELayer>> loaded;
  for (int32_t k = 1; k < count; ++k) {
    auto layer = std::make_unique<TIELayer>(this, true, images[k].release());
    ApplyRecord(layer.get(), records[k], version);
    loaded.push_back(std::move(layer));
  }
  while (LayersCount() > 1) layers_.pop_back();
  if (count > 0) {
    ApplyRecord(layers_[0].get(), records[0], version);
    layers_[0]->Bitmap()->Assign(images[0].get());
    if (!images[0]->HasAlphaChannel()) layers_[0]->Bitmap()->RemoveAlphaChannel(false, Background());
  }
  for (auto& layer : loaded) layers_.push_back(std::move(layer));
  // The last layer read is current, as when each was made current to receive its image.
  layersCurrent_ = -1;
  ieBitmap_ = nullptr;
  vclBitmap_ = nullptr;
  bool skip = skipUnselectable_;
  skipUnselectable_ = false;
  try {
    SetLayersCurrent(LayersCount() - 1);
  } catch (...) {
    skipUnselectable_ = skip;
    throw;
  }
  skipUnselectable_ = skip;
  if (io_) {
    TIEBitmap* base = layers_[0]->Bitmap();
    io_->Params().Width = base->Width();
    io_->Params().Height = base->Height();
    io_->Params().StoredWidth = base->Width();
    io_->Params().StoredHeight = base->Height();
  }
  Update();
  return true;
}

bool TImageView::LoadLayersFromFile(const std::string& fileName) {
  vcl::TFileStream file(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
  return LoadLayersFromStream(&file);
}

}  // namespace imaging
