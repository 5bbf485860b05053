// Formats whose readers live above this library: layer files (the image view), vector-object
// files and files of layers and objects (the vector view), and the layers of PSD files. Those
// libraries hand their part in at start-up. A registration outlives rebuilds of the format
// registry: its content test and reader go into the format's registry row whenever the
// registry is built, as the codecs put theirs.
#pragma once

#include <cstdint>
#include <functional>

#include "imaging/codecs/psd/psd_codec.h"
#include "imaging/params/file_formats.h"

namespace vcl {
class TStream;
}

namespace imaging {

class TIEAttachedView;
class TIEBitmap;

struct TIEViewFormat {
  int32_t FileType = 0;
  // The registry row's content test, and its reader, which gives the flattened picture (the
  // layers composed, the objects drawn over them) in a bitmap of no view.
  TIETryFunction Test = nullptr;
  TIEReadFunction Read = nullptr;
  // Whether the attached view is of the class that takes the data itself.
  bool (*TakesView)(TIEAttachedView* view) = nullptr;
  // Loads the data at the stream's position into that view; false (the view unchanged) for
  // data it does not recognise. Damaged data raise.
  bool (*ReadIntoView)(TIEAttachedView* view, vcl::TStream* stream) = nullptr;
};

// The part of a view format's reader that every such format shares: `compose` loads the data
// into a view of its own and gives the flattened picture (nullptr, or an empty one, when the
// data make none). The parameter block describes that picture as it would any file's and,
// unless only a preview is read, the bitmap takes it. Damaged data abort the read like any
// other file's, since a format test cannot see every fault a full load finds.
void ReadComposedPicture(TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress, bool preview,
                         const std::function<TIEBitmap*()>& compose);

// Replaces the registration of the same file type; the row is filled at once when the
// registry exists.
void RegisterViewFormat(const TIEViewFormat& format);
// A copy of the registration of the file type; FileType 0 when there is none.
TIEViewFormat FindViewFormat(int32_t fileType);
// Puts every registered test and reader into its registry row.
void ApplyViewFormats();

// How an image view exchanges layers with PSD files.
struct TIEPSDLayerExchange {
  // Whether the attached view holds layers.
  bool (*TakesView)(TIEAttachedView* view) = nullptr;
  // Frees every layer but the first and resets that one as the background layer.
  void (*ClearLayers)(TIEAttachedView* view) = nullptr;
  // Puts the layers read from a file of width x height into the view: from its first layer
  // on with `replace`, else into layers added after its own. The layers are moved from.
  void (*ImportLayers)(TIEAttachedView* view, TPSDLayers& layers, bool replace, int32_t width, int32_t height) =
      nullptr;
  // Copies of the view's layers and their composition, for a save.
  void (*ExportLayers)(TIEAttachedView* view, TPSDLayers& layers, TIEBitmap& merged) = nullptr;
};

void RegisterPSDLayerExchange(const TIEPSDLayerExchange& exchange);
// A copy of the registered exchange; every function nil when there is none.
TIEPSDLayerExchange PSDLayerExchange();

}  // namespace imaging
