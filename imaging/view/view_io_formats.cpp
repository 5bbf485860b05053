#include "imaging/view/view_io_formats.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "imaging/io/view_formats.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/view/image_view.h"
#include "imaging/view/layer.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

constexpr int32_t kLayersType = 26;

TImageView* ImageViewOf(TIEAttachedView* view) {
  return view ? dynamic_cast<TImageView*>(view->ViewComponent()) : nullptr;
}

bool TakesImageView(TIEAttachedView* view) { return ImageViewOf(view) != nullptr; }

bool TryLayers(vcl::TStream* stream, int32_t) { return IsLayersStream(stream); }

// The layers composed over the background into one picture, in a view of their own.
void ReadLayersComposed(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress,
                        bool preview) {
  TImageView view(nullptr);
  view.SetLegacyBitmap(false);
  ReadComposedPicture(bitmap, params, progress, preview, [&view, stream]() -> TIEBitmap* {
    if (!view.LoadLayersFromStream(stream) || !LayersComposable(view)) return nullptr;
    view.FlattenLayers();
    return view.GetIEBitmap();
  });
}

bool ReadLayersIntoView(TIEAttachedView* view, vcl::TStream* stream) {
  try {
    return ImageViewOf(view)->LoadLayersFromStream(stream);
  } catch (const vcl::Exception&) {
    return false;
  }
}

// ---- PSD layers ----

void ClearViewLayers(TIEAttachedView* view) { ImageViewOf(view)->ClearLayers(); }

// The layer's settings; its pixels go into the view's current bitmap.
void CopyPSDLayer(const TPSDLayer& source, TIELayer* layer) {
  layer->PosX = source.PosX;
  layer->PosY = source.PosY;
  layer->Transparency = source.Transparency;
  layer->Name = source.Name;
  layer->Visible = source.Visible;
  layer->Cropped = source.Cropped;
  layer->IsMask = source.IsMask;
  layer->Width = source.Width;
  layer->Height = source.Height;
  layer->UseResampleFilter = source.UseResampleFilter;
  layer->ResampleFilter = source.ResampleFilter;
}

void ImportPSDLayers(TIEAttachedView* attached, TPSDLayers& layers, bool replace, int32_t width, int32_t height) {
  TImageView* view = ImageViewOf(attached);
  if (!view || layers.empty()) return;
  int32_t index = replace ? 0 : view->AddLayer();
  view->SetLayersCurrent(index);
  if (layers[0].PosX != 0 || layers[0].PosY != 0) {
    // A first layer that does not start at the corner lies over a transparent background of
    // the file's size.
    TIELayer* background = view->GetLayer(index);
    background->ResetDefaults();
    background->VisibleBox = false;
    background->Locked = true;
    TIEBitmap* canvas = view->GetIEBitmap();
    canvas->Allocate(width, height, ie24RGB);
    canvas->Fill(0);
    canvas->GetAlphaChannel()->Fill(0);
    index = view->AddLayer();
  }
  for (size_t i = 0; i < layers.size(); ++i) {
    if (i > 0) index = view->AddLayer();
    view->SetLayersCurrent(index);
    CopyPSDLayer(layers[i], view->GetLayer(index));
    // The current layer's bitmap is the view's.
    if (layers[i].Bitmap) view->GetIEBitmap()->Assign(layers[i].Bitmap.get());
  }
  view->SetLayersCurrent(0);
  view->Update();
}

void ExportPSDLayers(TIEAttachedView* attached, TPSDLayers& layers, TIEBitmap& merged) {
  TImageView* view = ImageViewOf(attached);
  if (!view) return;
  // The composition of the visible layers over the background, in the first layer's pixel
  // format.
  TIEBitmap* base = view->LayersCurrent() == 0 ? view->GetIEBitmap() : view->GetLayer(0)->Bitmap();
  if (!base || base->IsEmpty()) return;
  merged.Allocate(base->Width(), base->Height(), ie24RGB);
  merged.Fill(static_cast<double>(vcl::ColorToRGB(view->Background())));
  view->RenderLayersTo(&merged);
  const int32_t current = view->LayersCurrent();
  for (int32_t i = 0; i < view->LayersCount(); ++i) {
    TIELayer* layer = view->GetLayer(i);
    TIEBitmap* pixels = i == current ? view->GetIEBitmap() : layer->Bitmap();
    TPSDLayer record;
    record.Bitmap = std::make_unique<TIEBitmap>();
    if (pixels) record.Bitmap->Assign(pixels);
    record.PosX = layer->PosX;
    record.PosY = layer->PosY;
    record.Transparency = layer->Transparency;
    record.Name = layer->Name;
    record.Visible = layer->Visible;
    record.Cropped = layer->Cropped;
    record.IsMask = layer->IsMask;
    record.Width = layer->Width;
    record.Height = layer->Height;
    record.UseResampleFilter = layer->UseResampleFilter;
    record.ResampleFilter = layer->ResampleFilter;
    layers.push_back(std::move(record));
  }
  if (!layers.empty() && layers[0].Bitmap && !merged.IsEmpty() &&
      merged.PixelFormat() != layers[0].Bitmap->PixelFormat())
    merged.ConvertTo(layers[0].Bitmap->PixelFormat());
}

}  // namespace

bool IsComposableSize(int64_t width, int64_t height, int64_t largestArea) {
  return width > 0 && height > 0 && width <= kLargestComposedSide && height <= kLargestComposedSide &&
         width * height <= largestArea;
}

bool LayersComposable(TImageView& view) {
  TIELayer* base = view.GetLayer(0);
  int64_t left = std::min<int64_t>(0, base->PosX), top = std::min<int64_t>(0, base->PosY);
  int64_t right = int64_t(base->PosX) + base->GetWidth(), bottom = int64_t(base->PosY) + base->GetHeight();
  for (int32_t i = 1; i < view.LayersCount(); ++i) {
    TIELayer* layer = view.GetLayer(i);
    if (layer->Cropped) continue;
    left = std::min<int64_t>(left, layer->PosX);
    top = std::min<int64_t>(top, layer->PosY);
    right = std::max<int64_t>(right, int64_t(layer->PosX) + layer->GetWidth());
    bottom = std::max<int64_t>(bottom, int64_t(layer->PosY) + layer->GetHeight());
  }
  return IsComposableSize(right - left, bottom - top);
}

void RegisterViewIOFormats() {
  TIEViewFormat layers;
  layers.FileType = kLayersType;
  layers.Test = TryLayers;
  layers.Read = ReadLayersComposed;
  layers.TakesView = TakesImageView;
  layers.ReadIntoView = ReadLayersIntoView;
  RegisterViewFormat(layers);

  TIEPSDLayerExchange psd;
  psd.TakesView = TakesImageView;
  psd.ClearLayers = ClearViewLayers;
  psd.ImportLayers = ImportPSDLayers;
  psd.ExportLayers = ExportPSDLayers;
  RegisterPSDLayerExchange(psd);
}

}  // namespace imaging
