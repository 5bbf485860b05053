// Thin wrappers over the platform's DrawDib functions, with which the views paint DIBs.
#pragma once

#include <cstdint>

#include "vcl/runtime/win.h"
#include <vfw.h>

namespace imaging {

HDRAWDIB IEDrawDibOpen();
bool IEDrawDibClose(HDRAWDIB handle);
bool IEDrawDibDraw(HDRAWDIB handle, HDC dc, int32_t x, int32_t y, int32_t width, int32_t height,
                   BITMAPINFOHEADER* header, void* bits, int32_t sourceX, int32_t sourceY, int32_t sourceWidth,
                   int32_t sourceHeight, uint32_t flags);
int32_t IEDrawDibRealize(HDRAWDIB handle, HDC dc, bool background);

}  // namespace imaging
