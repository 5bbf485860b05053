#include "imaging/vect/vect_io_formats.h"

#include <algorithm>

#include "imaging/io/view_formats.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/vect/image_vect.h"
#include "imaging/view/view_io_formats.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

constexpr int32_t kObjectsType = 25;
constexpr int32_t kLayersAndObjectsType = 27;

TImageVect* VectOf(TIEAttachedView* view) {
  return view ? dynamic_cast<TImageVect*>(view->ViewComponent()) : nullptr;
}

bool TakesVectorView(TIEAttachedView* view) { return VectOf(view) != nullptr; }

// Drawing objects costs more per pixel than composing layers: their picture is held smaller.
constexpr int64_t kLargestObjectsArea = int64_t(1) << 24;

// Objects alone have no picture under them: a white one just large enough for all of them;
// false (nothing changed) when that would be larger than a picture one can hold.
bool SizeToObjects(TImageVect& vect) {
  const vcl::TRect extent = vect.GetObjectsExtent();
  const int64_t width = std::max<int64_t>(1, extent.right), height = std::max<int64_t>(1, extent.bottom);
  if (!IsComposableSize(width, height, kLargestObjectsArea)) return false;
  TIEBitmap* image = vect.GetIEBitmap();
  image->Allocate(int32_t(width), int32_t(height), ie24RGB);
  image->Fill(static_cast<double>(vcl::clWhite));
  return true;
}

// Loads the data into a vector view of its own and gives its picture with the objects drawn.
template <class Load>
void ReadFlattened(TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress, bool preview, Load load) {
  TImageVect vect(nullptr);
  vect.SetLegacyBitmap(false);
  ReadComposedPicture(bitmap, params, progress, preview, [&vect, &load]() -> TIEBitmap* {
    if (!load(vect)) return nullptr;
    vect.DrawObjectsOnBackground(true);
    return vect.GetIEBitmap();
  });
}

bool TryObjects(vcl::TStream* stream, int32_t) { return IsIEVStream(stream); }

void ReadObjects(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress,
                 bool preview) {
  ReadFlattened(bitmap, params, progress, preview, [stream](TImageVect& vect) {
    return vect.LoadObjectsFromStream(stream) && SizeToObjects(vect);
  });
}

bool ReadObjectsIntoView(TIEAttachedView* view, vcl::TStream* stream) {
  try {
    TImageVect* vect = VectOf(view);
    // Objects too far out for a picture under them are refused before the view takes them.
    {
      TImageVect probe(nullptr);
      probe.SetLegacyBitmap(false);
      const int64_t start = stream->Position();
      if (!probe.LoadObjectsFromStream(stream)) return false;
      const vcl::TRect extent = probe.GetObjectsExtent();
      if (!IsComposableSize(std::max<int64_t>(1, extent.right), std::max<int64_t>(1, extent.bottom),
                            kLargestObjectsArea))
        return false;
      stream->SetPosition(start);
    }
    if (!vect->LoadObjectsFromStream(stream)) return false;
    // The objects are what was loaded: the picture under them is white and wholly transparent.
    SizeToObjects(*vect);
    vect->GetIEBitmap()->GetAlphaChannel()->Fill(0);
    vect->Update();
    return true;
  } catch (const vcl::Exception&) {
    return false;
  }
}

bool TryLayersAndObjects(vcl::TStream* stream, int32_t) { return IsLayersAndObjectsStream(stream); }

void ReadLayersAndObjects(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress,
                          bool preview) {
  ReadFlattened(bitmap, params, progress, preview, [stream](TImageVect& vect) {
    if (!vect.LoadLayersAndObjectsFromStream(stream) || !LayersComposable(vect)) return false;
    vect.FlattenLayers();
    return true;
  });
}

bool ReadLayersAndObjectsIntoView(TIEAttachedView* view, vcl::TStream* stream) {
  try {
    return VectOf(view)->LoadLayersAndObjectsFromStream(stream);
  } catch (const vcl::Exception&) {
    return false;
  }
}

}  // namespace

void RegisterVectIOFormats() {
  TIEViewFormat objects;
  objects.FileType = kObjectsType;
  objects.Test = TryObjects;
  objects.Read = ReadObjects;
  objects.TakesView = TakesVectorView;
  objects.ReadIntoView = ReadObjectsIntoView;
  RegisterViewFormat(objects);

  TIEViewFormat both;
  both.FileType = kLayersAndObjectsType;
  both.Test = TryLayersAndObjects;
  both.Read = ReadLayersAndObjects;
  both.TakesView = TakesVectorView;
  both.ReadIntoView = ReadLayersAndObjectsIntoView;
  RegisterViewFormat(both);
}

}  // namespace imaging
