// The layer record: one layer's properties (and optionally its pixels) as undo stores them.
// The record keeps a 4-byte slot where a user-data address once lay; an address means nothing
// in another run or another process, and a layer restored with one would free a block it never
// allocated, so the slot is written as 0 and ignored when read.
#include <climits>
#include <cstring>
#include <memory>

#include "imaging/base/string_stream_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/view/layer.h"
#include "imaging/view/record_fields.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

using namespace record_fields;

constexpr uint8_t kFilterCount = rfProjectWB + 1;

}  // namespace

void TIELayer::SaveToStream(vcl::TStream* stream, bool withBitmap) {
  int64_t start = stream->Position();
  Put<int32_t>(stream, 0);  // the length, filled in at the end
  stream->WriteBuffer(Guid.data(), 16);
  Put<int32_t>(stream, Width);
  Put<int32_t>(stream, Height);
  Put<uint8_t>(stream, Visible);
  Put<uint8_t>(stream, VisibleBox);
  Put<uint8_t>(stream, Selectable);
  Put<int32_t>(stream, Transparency);
  Put<int32_t>(stream, PosX);
  Put<int32_t>(stream, PosY);
  Put<int32_t>(stream, ClientAreaBox.left);
  Put<int32_t>(stream, ClientAreaBox.top);
  Put<int32_t>(stream, ClientAreaBox.right);
  Put<int32_t>(stream, ClientAreaBox.bottom);
  Put<uint8_t>(stream, Cropped);
  Put<uint8_t>(stream, Locked);
  // The magnifier block keeps its record alignment: flag, 7 pad bytes, factor, shape, source,
  // 6 pad bytes.
  uint8_t magnifier[24] = {};
  magnifier[0] = Magnify;
  std::memcpy(magnifier + 8, &MagnifyZoom, 8);
  magnifier[16] = MagnifyShape;
  magnifier[17] = MagnifySource;
  stream->WriteBuffer(magnifier, sizeof(magnifier));
  Put<uint8_t>(stream, Operation);
  Put<int32_t>(stream, 0);  // user data slot
  Put<uint8_t>(stream, static_cast<uint8_t>(ResampleFilter));
  Put<uint8_t>(stream, UseResampleFilter);
  WriteStringToStream(stream, Name);
  Put<uint8_t>(stream, IsMask);
  Put<uint8_t>(stream, DimOutside);
  Put<double>(stream, rotate_);
  Put<double>(stream, RotateCenterX);
  Put<double>(stream, RotateCenterY);
  Put<uint8_t>(stream, withBitmap && bitmap_);
  if (withBitmap && bitmap_) bitmap_->SaveRawToStream(stream);
  int64_t end = stream->Position();
  int64_t length = end - start;
  if (length > INT32_MAX) throw vcl::EWriteError("Stream write error");
  stream->SetPosition(start);
  Put<int32_t>(stream, static_cast<int32_t>(length));
  stream->SetPosition(end);
}

// Everything is read into locals first: a record cut short or out of range raises EReadError
// and leaves the layer as it was.
void TIELayer::LoadFromStream(vcl::TStream* stream) {
  int32_t length = Get<int32_t>(stream);
  if (length < 123) Corrupt();
  std::array<uint8_t, 16> guid;
  stream->ReadBuffer(guid.data(), 16);
  int32_t width = Get<int32_t>(stream);
  int32_t height = Get<int32_t>(stream);
  bool visible = GetBool(stream);
  bool visibleBox = GetBool(stream);
  bool selectable = GetBool(stream);
  int32_t transparency = Get<int32_t>(stream);
  int32_t x = Get<int32_t>(stream);
  int32_t y = Get<int32_t>(stream);
  vcl::TRect box;
  box.left = Get<int32_t>(stream);
  box.top = Get<int32_t>(stream);
  box.right = Get<int32_t>(stream);
  box.bottom = Get<int32_t>(stream);
  bool cropped = GetBool(stream);
  bool locked = GetBool(stream);
  uint8_t magnifier[24];
  stream->ReadBuffer(magnifier, sizeof(magnifier));
  double magnifyZoom;
  std::memcpy(&magnifyZoom, magnifier + 8, 8);
  uint8_t operation = Get<uint8_t>(stream);
  Get<int32_t>(stream);  // user data slot, ignored
  uint8_t filter = Get<uint8_t>(stream);
  if (filter >= kFilterCount) Corrupt();
  bool useFilter = GetBool(stream);
  std::string name;
  ReadStringFromStream(stream, name);
  bool isMask = GetBool(stream);
  bool dimOutside = GetBool(stream);
  double rotate = Get<double>(stream);
  double centerX = Get<double>(stream);
  double centerY = Get<double>(stream);
  bool hasBitmap = GetBool(stream);
  std::unique_ptr<TIEBitmap> pixels;
  if (hasBitmap) {
    pixels = std::make_unique<TIEBitmap>();
    if (!pixels->LoadRawFromStream(stream)) Corrupt();
  }

  Guid = guid;
  Width = width;
  Height = height;
  Visible = visible;
  VisibleBox = visibleBox;
  Selectable = selectable;
  Transparency = transparency;
  PosX = x;
  PosY = y;
  ClientAreaBox = box;
  Cropped = cropped;
  Locked = locked;
  Magnify = magnifier[0] != 0;
  MagnifyZoom = magnifyZoom;
  MagnifyShape = magnifier[16];
  MagnifySource = magnifier[17];
  Operation = operation;
  ResampleFilter = static_cast<TResampleFilter>(filter);
  UseResampleFilter = useFilter;
  Name = std::move(name);
  IsMask = isMask;
  DimOutside = dimOutside;
  rotate_ = rotate;
  RotateCenterX = centerX;
  RotateCenterY = centerY;
  if (pixels) {
    if (!bitmap_) {
      bitmap_ = pixels.release();
      ownsBitmap_ = true;
    } else {
      bitmap_->Assign(pixels.get());
    }
  }
}

}  // namespace imaging
