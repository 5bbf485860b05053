// Layer files, vector-object files and files of layers and objects (file types 25, 26, 27):
// read by the view and the vector layer through what they registered (view_formats.h), into
// an attached view of the class the format needs, else flattened into the target.
#include "imaging/io/codec_call.h"
#include "imaging/io/image_io.h"
#include "imaging/io/view_formats.h"

namespace imaging {

namespace {

bool ViewTakes(const TIEViewFormat& format, TIEAttachedView* view) {
  return view && format.TakesView && format.ReadIntoView && format.TakesView(view);
}

}  // namespace

void TImageIO::ReadLayersObjects(vcl::TStream* stream, int32_t fileType, const std::u16string* name) {
  const TIEViewFormat format = FindViewFormat(fileType);
  const bool intoView = ViewTakes(format, attachedImage_);
  if (!intoView && !format.Read) {
    // Nothing above this library has registered a reader for the format.
    SetAborting(true);
    DoFinishWork();
    return;
  }
  auto read = [&](vcl::TStream* source, TIEBitmap* bitmap, TCodecProgress& progress) {
    if (!intoView) {
      CallCodec(progress, [&] { format.Read(source, bitmap, *params_, progress, false); });
      return;
    }
    bool loaded = false;
    CallCodec(progress, [&] { loaded = format.ReadIntoView(attachedImage_, source); });
    if (!loaded) return progress.Abort();
    readIntoView_ = true;
  };
  if (name)
    RunLoadByName(*name, fileType, false, read);
  else
    RunLoad(stream, fileType, nullptr, read);
}

void TImageIO::LoadLayersObjectsFromStream(vcl::TStream* stream, int32_t fileType) {
  // A view is loaded where it lives: only the flattened load may go to a worker.
  if (!ViewTakes(FindViewFormat(fileType), attachedImage_) &&
      HandToWorker([this, stream, fileType] { LoadLayersObjectsFromStream(stream, fileType); }))
    return;
  ReadLayersObjects(stream, fileType, nullptr);
}

void TImageIO::LoadLayersObjectsFromFile(const std::u16string& name, int32_t fileType) {
  if (!ViewTakes(FindViewFormat(fileType), attachedImage_) &&
      HandToWorker([this, name, fileType] { LoadLayersObjectsFromFile(name, fileType); }))
    return;
  ReadLayersObjects(nullptr, fileType, &name);
}

}  // namespace imaging
