// Small helpers between the library and the platform's graphics: font styles of a LOGFONT,
// wide-text measuring and grey colour tables of 8-bit bitmaps.
#pragma once

#include <cstdint>
#include <string>

#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"

namespace imaging {

class TIEBitmap;

// Bold from weight 700 up, italic, underline and strike-out from the flags; empty for nil.
vcl::TFontStyles LogFontToFontStyles(const LOGFONTA* font);
// Extent of the wide text in the canvas's font.
int32_t WideTextWidth(vcl::TCanvas* canvas, const std::u16string& text);
int32_t WideTextHeight(vcl::TCanvas* canvas, const std::u16string& text);
// Gives an 8-bit bitmap the grey ramp (entry i = (i, i, i)) as its colour table.
void SetGrayDIBColorTable(vcl::TBitmap* bitmap);
// Whether every entry i of the bitmap's colour table is (i, i, i); true when it has none.
bool HasGrayDIBColorTable(vcl::TBitmap* bitmap);
// An 8-bit platform bitmap's colour table becomes the palette of an ie8p library bitmap
// (entry i to entry i); any other pair is left alone.
void CopyDIBPaletteToIEBitmap(vcl::TBitmap* bitmap, TIEBitmap* target);

}  // namespace imaging
