#include "imaging/model/drawdib.h"

namespace imaging {

HDRAWDIB IEDrawDibOpen() { return DrawDibOpen(); }

bool IEDrawDibClose(HDRAWDIB handle) { return DrawDibClose(handle); }

bool IEDrawDibDraw(HDRAWDIB handle, HDC dc, int32_t x, int32_t y, int32_t width, int32_t height,
                   BITMAPINFOHEADER* header, void* bits, int32_t sourceX, int32_t sourceY, int32_t sourceWidth,
                   int32_t sourceHeight, uint32_t flags) {
  return DrawDibDraw(handle, dc, x, y, width, height, header, bits, sourceX, sourceY, sourceWidth, sourceHeight, flags);
}

int32_t IEDrawDibRealize(HDRAWDIB handle, HDC dc, bool background) { return DrawDibRealize(handle, dc, background); }

}  // namespace imaging
