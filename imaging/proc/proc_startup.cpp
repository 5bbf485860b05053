#include "imaging/proc/proc_startup.h"

#include "imaging/model/routines/filter_presets.h"

namespace imaging {

UINT RawClipboardFormat = 0;

void ImageProcStaticInit() {
  InitFilterPresets();
  RawClipboardFormat = RegisterClipboardFormatA("IMAGING RAW FORMAT");
}

void ImageProcStaticFinalize() { FreeFilterPresets(); }

}  // namespace imaging
