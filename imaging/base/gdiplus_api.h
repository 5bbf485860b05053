// The GDI+ flat functions the canvas uses, resolved from the loaded library. For the files of
// the canvas only; everything else goes through gdiplus_binding.h.
#pragma once

#include "vcl/runtime/win.h"
// Under WIN32_LEAN_AND_MEAN the COM declarations that gdiplus.h needs come separately.
#include <objidl.h>
#include <gdiplus.h>

namespace imaging::gdiplus {

using namespace Gdiplus;
namespace flat = Gdiplus::DllExports;

#define IMAGING_GDIP_ENTRY(name) decltype(&flat::name) name = nullptr;

struct TGDIPlusApi {
  IMAGING_GDIP_ENTRY(GdipCreateFromHDC)
  IMAGING_GDIP_ENTRY(GdipDeleteGraphics)
  IMAGING_GDIP_ENTRY(GdipSetSmoothingMode)
  IMAGING_GDIP_ENTRY(GdipCreatePen1)
  IMAGING_GDIP_ENTRY(GdipDeletePen)
  IMAGING_GDIP_ENTRY(GdipSetPenWidth)
  IMAGING_GDIP_ENTRY(GdipSetPenColor)
  IMAGING_GDIP_ENTRY(GdipSetPenDashStyle)
  IMAGING_GDIP_ENTRY(GdipSetPenLineJoin)
  IMAGING_GDIP_ENTRY(GdipCreateSolidFill)
  IMAGING_GDIP_ENTRY(GdipCreateHatchBrush)
  IMAGING_GDIP_ENTRY(GdipDeleteBrush)
  IMAGING_GDIP_ENTRY(GdipDrawLine)
  IMAGING_GDIP_ENTRY(GdipFillRectangle)
  IMAGING_GDIP_ENTRY(GdipDrawRectangle)
  IMAGING_GDIP_ENTRY(GdipDrawEllipse)
  IMAGING_GDIP_ENTRY(GdipFillEllipse)
  IMAGING_GDIP_ENTRY(GdipDrawPolygonI)
  IMAGING_GDIP_ENTRY(GdipFillPolygonI)
  IMAGING_GDIP_ENTRY(GdipDrawLinesI)
  IMAGING_GDIP_ENTRY(GdipDrawArc)
  IMAGING_GDIP_ENTRY(GdipCreatePath)
  IMAGING_GDIP_ENTRY(GdipAddPathArc)
  IMAGING_GDIP_ENTRY(GdipAddPathLine)
  IMAGING_GDIP_ENTRY(GdipDrawPath)
  IMAGING_GDIP_ENTRY(GdipFillPath)
  IMAGING_GDIP_ENTRY(GdipDeletePath)
};

#undef IMAGING_GDIP_ENTRY

// The resolved functions; only valid while IsGDIPlusLoaded().
const TGDIPlusApi& Api();

}  // namespace imaging::gdiplus
