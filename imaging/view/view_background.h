// The background painter the views share: it fills an area around and under an image in one
// of the background styles and draws a wallpaper over it.
#pragma once

#include <cstdint>

#include "vcl/classes/component.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"
#include "vcl/graphics/picture.h"

namespace imaging {

enum TIEBackgroundStyle : uint8_t {
  iebsSolid,
  iebsHorizontal,
  iebsVertical,
  iebsFDiagonal,
  iebsBDiagonal,
  iebsCross,
  iebsDiagCross,
  iebsChessboard,
  iebsDiagonals,
  iebsCropped,
  iebsCropShadow,
  iebsGradient,
  iebsSoftShadow,
  iebsPhotoLike,
};

enum TIEWallPaperStyle : uint8_t { iewoNormal, iewoStretch, iewoTile };

// Everything the painter needs besides the canvas and the area.
struct TIEBackgroundParams {
  bool designing = false;
  TIEBackgroundStyle style = iebsSolid;
  vcl::TColor background = 0;
  int32_t cellSize = 16;
  vcl::TBrushStyle chessboardBrush = vcl::bsSolid;
  vcl::TColor gradientEnd = 0xFF0000;
  vcl::TPicture* wallPaper = nullptr;
  TIEWallPaperStyle wallPaperStyle = iewoNormal;
};

// Fills the area (x, y, x + width, y + height) of canvas. bitmap is nil or the 24-bit platform
// bitmap the canvas belongs to; with it some styles write pixels directly or draw shadows. The
// image rectangle (right and bottom exclusive) says where the image lies inside the area.
void PaintViewBackground(vcl::TCanvas* canvas, vcl::TBitmap* bitmap, const TIEBackgroundParams& params, int32_t x,
                         int32_t y, int32_t width, int32_t height, const vcl::TRect& image);

// A chessboard over the area of cells `cellSize` square counted from (x, y). With a 24-bit
// bitmap and a solid brush the pixels are written into its rows, clipped to the bitmap, and the
// top-left cell is the background colour; otherwise cells are filled through the canvas
// starting with the inverse colour.
void PaintChessboard(vcl::TCanvas* canvas, vcl::TBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height,
                     vcl::TColor background, int32_t cellSize, vcl::TBrushStyle brushStyle);

// The background colour resolved to RGB with each channel replaced by 255 minus itself.
vcl::TColor InverseColour(vcl::TColor colour);

// Vertical gradient from `top` to `bottom` over the rectangle through msimg32's GradientFill;
// false (nothing painted) when the platform has none.
bool IEGradientFill(HDC dc, const vcl::TRect& rect, vcl::TColor top, vcl::TColor bottom);

}  // namespace imaging
