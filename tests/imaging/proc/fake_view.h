// A view for the processing object's tests: a component with layers (each a bitmap, an
// identifier and a position), a selection mask with its polygon, vector objects (a text) and
// the bitmap-change handlers, implementing the interface the real views implement.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/proc/proc_view.h"
#include "vcl/classes/component.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/streams.h"

namespace proc_test {

using namespace imaging;

struct TFakeLayer {
  TIELayerId id{};
  std::unique_ptr<TIEBitmap> bitmap;
  int32_t posX = 0;
};

class TFakeView : public vcl::TComponent,
                  public TIEProcView,
                  public TIEProcSingleImageView,
                  public TIEProcVectorView {
 public:
  // A view of one layer of width x height (0 x 0: a view that shows a platform bitmap only,
  // when `platform` is given).
  TFakeView(int32_t width, int32_t height, TIEPixelFormat format, bool singleImage = true, bool vector = false)
      : vcl::TComponent(nullptr), singleImage_(singleImage), vector_(vector) {
    AddLayer(width, height, format);
  }
  ~TFakeView() override {
    // As the real views do: every handler hears of the end while the view is still whole.
    auto handlers = handlers_;
    for (auto& [handle, handler] : handlers) handler(true);
    handlers_.clear();
  }

  TFakeLayer& AddLayer(int32_t width, int32_t height, TIEPixelFormat format) {
    auto& layer = layers_.emplace_back();
    layer.id[0] = uint8_t(layers_.size());
    layer.id[15] = 0xA5;
    layer.bitmap = std::make_unique<TIEBitmap>(width, height, format);
    return layer;
  }
  std::vector<TFakeLayer>& Layers() { return layers_; }
  void SetCurrent(int32_t index) {
    current_ = index;
    for (auto& [handle, handler] : std::map(handlers_)) handler(false);
  }
  vcl::TBitmap* platformBitmap = nullptr;
  bool showPlatformBitmapOnly = false;
  vcl::TColor background = 0;
  int32_t updates = 0, imageChanges = 0;
  TIEMask selection;
  bool hasSelection = false;
  std::vector<POINT> polygon;
  std::string objects;
  int32_t HandlerCount() const { return int32_t(handlers_.size()); }

  // ---- TIEProcView ----
  vcl::TComponent* ViewComponent() override { return this; }
  TIEBitmap* GetIEBitmap() override {
    return showPlatformBitmapOnly ? nullptr : layers_[current_].bitmap.get();
  }
  vcl::TBitmap* GetTBitmap() override { return platformBitmap; }
  void Update() override { ++updates; }
  void ImageChange() override { ++imageChanges; }
  vcl::TColor GetBackground() override { return background; }
  void SetBackground(vcl::TColor colour) override { background = colour; }
  int32_t AddBitmapChangeHandler(TIEBitmapChangeHandler handler) override {
    handlers_[++lastHandle_] = std::move(handler);
    return lastHandle_;
  }
  void RemoveBitmapChangeHandler(int32_t handle) override { handlers_.erase(handle); }
  TIEProcSingleImageView* SingleImageView() override { return singleImage_ ? this : nullptr; }
  TIEProcVectorView* VectorView() override { return vector_ ? this : nullptr; }

  // ---- TIEProcSingleImageView ----
  TIEMask* SelectionMask() override { return &selection; }
  bool HasSelection() override { return hasSelection; }
  const POINT* GetSelectionPolygon(int32_t& count) override {
    count = int32_t(polygon.size());
    return polygon.empty() ? nullptr : polygon.data();
  }
  void SaveSelectionToStream(vcl::TStream* stream) override {
    const int32_t header[4] = {selection.Width(), selection.Height(), selection.BitsPerPixel(), hasSelection};
    stream->WriteBuffer(header, sizeof header);
    for (int32_t y = 0; y < selection.Height(); ++y)
      stream->WriteBuffer(selection.GetScanline(y), selection.RowLen());
  }
  void LoadSelectionFromStream(vcl::TStream* stream, int32_t mode) override {
    EXPECT_EQ(mode, 1);
    int32_t header[4];
    stream->ReadBuffer(header, sizeof header);
    if (header[0] > 0) {
      selection.Allocate(header[0], header[1], header[2]);
      for (int32_t y = 0; y < header[1]; ++y) stream->ReadBuffer(selection.GetScanline(y), selection.RowLen());
      selection.SyncBoundingBox();
    } else {
      selection.Clear();
    }
    hasSelection = header[3] != 0;
  }
  int32_t GetLayerCount() override { return int32_t(layers_.size()); }
  int32_t CurrentLayer() override { return current_; }
  TIEBitmap* GetLayerBitmap(int32_t index) override { return layers_[index].bitmap.get(); }
  TIELayerId GetLayerId(int32_t index) override { return layers_[index].id; }
  void SaveLayerToStream(int32_t index, vcl::TStream* stream, bool withPixels) override {
    vcl::TMemoryStream pixels;
    if (withPixels) layers_[index].bitmap->SaveRawToStream(&pixels);
    const int32_t length = damagedLength ? *damagedLength : int32_t(4 + 16 + 4 + pixels.Size());
    stream->WriteBuffer(&length, 4);
    stream->WriteBuffer(layers_[index].id.data(), 16);
    stream->WriteBuffer(&layers_[index].posX, 4);
    if (pixels.Size() > 0) stream->WriteBuffer(pixels.Memory(), int32_t(pixels.Size()));
  }
  void LoadLayerFromStream(int32_t index, vcl::TStream* stream) override {
    const int64_t start = stream->Position();
    int32_t length = 0;
    stream->ReadBuffer(&length, 4);
    stream->ReadBuffer(layers_[index].id.data(), 16);
    stream->ReadBuffer(&layers_[index].posX, 4);
    if (stream->Position() < start + length) layers_[index].bitmap->LoadRawFromStream(stream);
    ++layerLoads;
  }
  void SaveLayersToStream(vcl::TStream* stream, int32_t imageCode) override {
    EXPECT_EQ(imageCode, -2);
    const int32_t count = GetLayerCount();
    stream->WriteBuffer(&count, 4);
    for (int32_t i = 0; i < count; ++i) SaveLayerToStream(i, stream, true);
  }
  void LoadLayersFromStream(vcl::TStream* stream) override {
    int32_t count = 0;
    stream->ReadBuffer(&count, 4);
    layers_.clear();
    for (int32_t i = 0; i < count; ++i) {
      AddLayer(1, 1, ie24RGB);
      LoadLayerFromStream(i, stream);
    }
    current_ = std::min(current_, count - 1);
  }
  int32_t layerLoads = 0;
  // Written as every record's length instead of the true one.
  std::optional<int32_t> damagedLength;

  // ---- TIEProcVectorView ----
  void SaveObjectsToStream(vcl::TStream* stream) override {
    const int32_t size = int32_t(objects.size());
    stream->WriteBuffer(&size, 4);
    if (size) stream->WriteBuffer(objects.data(), size);
  }
  void LoadObjectsFromStream(vcl::TStream* stream) override {
    int32_t size = 0;
    stream->ReadBuffer(&size, 4);
    objects.assign(size, ' ');
    if (size) stream->ReadBuffer(objects.data(), size);
  }
  void SaveLayersAndObjectsToStream(vcl::TStream* stream, int32_t imageCode) override {
    EXPECT_EQ(imageCode, -1);
    const int32_t count = GetLayerCount();
    stream->WriteBuffer(&count, 4);
    for (int32_t i = 0; i < count; ++i) SaveLayerToStream(i, stream, true);
    SaveObjectsToStream(stream);
  }
  void LoadLayersAndObjectsFromStream(vcl::TStream* stream) override {
    LoadLayersFromStream(stream);
    LoadObjectsFromStream(stream);
  }

 private:
  bool singleImage_;
  bool vector_;
  std::vector<TFakeLayer> layers_;
  int32_t current_ = 0;
  std::map<int32_t, TIEBitmapChangeHandler> handlers_;
  int32_t lastHandle_ = 0;
};

}  // namespace proc_test
