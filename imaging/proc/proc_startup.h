// The image-processing module's one-time work, run by the image library's shared start-up
// (slot ieshImageProc): the filter presets and the library's raw clipboard format.
#pragma once

#include "vcl/runtime/win.h"

namespace imaging {

// The id of the "IMAGING RAW FORMAT" clipboard format; 0 before the start-up.
extern UINT RawClipboardFormat;

void ImageProcStaticInit();
void ImageProcStaticFinalize();

}  // namespace imaging
