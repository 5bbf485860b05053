#include "imaging/view/view_background.h"

#include <algorithm>

#include "imaging/model/frames_and_shadows.h"
#include "imaging/view/image_view.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/win.h"
#include "vcl/runtime/proc_address.h"

namespace imaging {

namespace {

// msimg32 is loaded on first use and stays for the life of the program.
using TGradientFill = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

TGradientFill GradientFillProc() {
  static TGradientFill proc = [] {
    HMODULE module = LoadLibraryA("MSIMG32.DLL");
    return vcl::GetProcAddressAs<TGradientFill>(module, "GradientFill");
  }();
  return proc;
}

void SolidFill(vcl::TCanvas* canvas, vcl::TColor colour, const vcl::TRect& area) {
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(colour);
  canvas->FillRect(area);
}

// The image rectangle is worth a frame or shadow only from 2 x 2 up.
bool FramedImage(const vcl::TRect& image) {
  return image.right - image.left >= 2 && image.bottom - image.top >= 2;
}

void DrawWallPaper(vcl::TCanvas* canvas, vcl::TPicture* picture, TIEWallPaperStyle style, int32_t width,
                   int32_t height) {
  if (!picture || !picture->Graphic() || picture->Graphic()->Empty()) return;
  vcl::TGraphic* graphic = picture->Graphic();
  switch (style) {
    case iewoNormal:
      canvas->Draw(0, 0, graphic);
      break;
    case iewoStretch:
      canvas->StretchDraw(vcl::TRect{0, 0, width, height}, graphic);
      break;
    case iewoTile: {
      const int32_t gw = graphic->Width(), gh = graphic->Height();
      if (gw <= 0 || gh <= 0) return;
      for (int32_t y = 0; y < height; y += gh)
        for (int32_t x = 0; x < width; x += gw) canvas->Draw(x, y, graphic);
      break;
    }
  }
}

}  // namespace

vcl::TColor InverseColour(vcl::TColor colour) {
  const uint32_t rgb = static_cast<uint32_t>(vcl::ColorToRGB(colour));
  return static_cast<vcl::TColor>((255 - (rgb & 0xFF)) | (255 - ((rgb >> 8) & 0xFF)) << 8 |
                                  (255 - ((rgb >> 16) & 0xFF)) << 16);
}

bool IEGradientFill(HDC dc, const vcl::TRect& rect, vcl::TColor top, vcl::TColor bottom) {
  TGradientFill fill = GradientFillProc();
  if (!fill) return false;
  const uint32_t a = static_cast<uint32_t>(vcl::ColorToRGB(top)), b = static_cast<uint32_t>(vcl::ColorToRGB(bottom));
  TRIVERTEX vertices[2] = {};
  vertices[0].x = rect.left;
  vertices[0].y = rect.top;
  vertices[0].Red = static_cast<COLOR16>((a & 0xFF) << 8);
  vertices[0].Green = static_cast<COLOR16>(((a >> 8) & 0xFF) << 8);
  vertices[0].Blue = static_cast<COLOR16>(((a >> 16) & 0xFF) << 8);
  vertices[1].x = rect.right;
  vertices[1].y = rect.bottom;
  vertices[1].Red = static_cast<COLOR16>((b & 0xFF) << 8);
  vertices[1].Green = static_cast<COLOR16>(((b >> 8) & 0xFF) << 8);
  vertices[1].Blue = static_cast<COLOR16>(((b >> 16) & 0xFF) << 8);
  GRADIENT_RECT mesh{0, 1};
  return fill(dc, vertices, 2, &mesh, 1, GRADIENT_FILL_RECT_V) != FALSE;
}

// The pixel path clips rows and columns to the bitmap: callers such as the thumbnail grid pass
// cells that hang over the client edge. The cell phase stays counted from (x, y).
void PaintChessboard(vcl::TCanvas* canvas, vcl::TBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height,
                     vcl::TColor background, int32_t cellSize, vcl::TBrushStyle brushStyle) {
  if (width <= 0 || height <= 0) return;
  const int32_t c = std::max(cellSize, 1);
  const vcl::TColor inverse = InverseColour(background);
  if (bitmap && brushStyle == vcl::bsSolid && bitmap->PixelFormat() == vcl::pf24bit) {
    const uint32_t b = static_cast<uint32_t>(vcl::ColorToRGB(background)), n = static_cast<uint32_t>(inverse);
    const uint8_t colours[2][3] = {{uint8_t(b >> 16), uint8_t(b >> 8), uint8_t(b)},
                                   {uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)}};
    GdiFlush();  // GDI drawing still queued must land before the rows are written
    const int32_t x1 = std::max(x, 0), x2 = std::min(x + width, bitmap->Width());
    const int32_t y1 = std::max(y, 0), y2 = std::min(y + height, bitmap->Height());
    for (int32_t row = y1; row < y2; ++row) {
      auto* p = static_cast<uint8_t*>(bitmap->ScanLine(row)) + x1 * 3;
      const int32_t band = ((row - y) / c) & 1;
      for (int32_t col = x1; col < x2; ++col, p += 3) {
        const uint8_t* colour = colours[(((col - x) / c) & 1) ^ band];
        p[0] = colour[0];
        p[1] = colour[1];
        p[2] = colour[2];
      }
    }
    return;
  }
  canvas->Brush()->SetStyle(brushStyle);
  bool rowStartsInverse = true;
  for (int32_t top = y; top < y + height; top += c) {
    bool inv = rowStartsInverse;
    for (int32_t left = x; left < x + width; left += c) {
      canvas->Brush()->SetColor(inv ? inverse : background);
      canvas->FillRect(vcl::TRect{left, top, std::min(left + c, x + width), std::min(top + c, y + height)});
      inv = !inv;
    }
    rowStartsInverse = !rowStartsInverse;
  }
}

void PaintViewBackground(vcl::TCanvas* canvas, vcl::TBitmap* bitmap, const TIEBackgroundParams& params, int32_t x,
                         int32_t y, int32_t width, int32_t height, const vcl::TRect& image) {
  const vcl::TRect area{x, y, x + width, y + height};
  switch (params.style) {
    case iebsSolid:
    case iebsHorizontal:
    case iebsVertical:
    case iebsFDiagonal:
    case iebsBDiagonal:
    case iebsCross:
    case iebsDiagCross:
      canvas->Brush()->SetColor(params.background);
      canvas->Brush()->SetStyle(vcl::bsSolid);
      if (params.style != iebsSolid) {
        static const vcl::TBrushStyle kHatches[] = {vcl::bsHorizontal, vcl::bsVertical, vcl::bsFDiagonal,
                                                    vcl::bsBDiagonal,  vcl::bsCross,    vcl::bsDiagCross};
        canvas->Brush()->SetStyle(kHatches[params.style - iebsHorizontal]);
      }
      canvas->FillRect(area);
      break;
    case iebsChessboard:
      PaintChessboard(canvas, bitmap, x, y, width, height, params.background, params.cellSize,
                      params.chessboardBrush);
      break;
    case iebsDiagonals:
      SolidFill(canvas, params.background, area);
      canvas->Pen()->SetStyle(vcl::psSolid);
      canvas->Pen()->SetMode(vcl::pmCopy);
      canvas->Pen()->SetWidth(1);
      canvas->Pen()->SetColor(InverseColour(params.background));
      canvas->MoveTo(x, y);
      canvas->LineTo(x + width, y + height);
      canvas->MoveTo(x + width, y);
      canvas->LineTo(x, y + height);
      break;
    case iebsCropped: {
      if (params.designing) {
        SolidFill(canvas, params.background, area);
        break;
      }
      SolidFill(canvas, vcl::clBtnFace, area);
      if (FramedImage(image)) {
        const TIEDisplayMetrics& m = DisplayMetrics();
        RECT edge{image.left - m.EdgeX, image.top - m.EdgeY, image.right + m.EdgeX, image.bottom + m.EdgeY};
        DrawEdge(canvas->Handle(), &edge, EDGE_SUNKEN, BF_RECT);
      }
      break;
    }
    case iebsCropShadow:
      SolidFill(canvas, params.background, area);
      if (!params.designing && FramedImage(image)) {
        DrawShadowRight(canvas, bitmap, image.right, image.top, image.right + 5, image.bottom + 3, 2);
        DrawShadowBottom(canvas, bitmap, image.left, image.bottom, image.right + 4, image.bottom + 5, 2);
      }
      break;
    case iebsGradient:
      IEGradientFill(canvas->Handle(), area, params.background, params.gradientEnd);
      break;
    case iebsSoftShadow:
      if (params.designing) {
        SolidFill(canvas, params.background, area);
      } else if (bitmap) {
        SolidFill(canvas, params.background, area);
        if (FramedImage(image)) DrawSoftShadow(bitmap, image.left, image.top, image.right, image.bottom);
      }
      break;
    case iebsPhotoLike: {
      TIEBackgroundParams solid = params;
      solid.style = iebsSolid;
      solid.background = 0xB0B0B0;
      solid.wallPaper = nullptr;
      PaintViewBackground(canvas, bitmap, solid, x, y, width, height, image);
      canvas->Pen()->SetColor(vcl::clBlack);
      canvas->Pen()->SetWidth(1);
      canvas->Pen()->SetStyle(vcl::psSolid);
      canvas->Pen()->SetMode(vcl::pmCopy);
      canvas->Brush()->SetStyle(vcl::bsClear);
      canvas->Rectangle(image.left - 1, image.top - 1, image.right + 1, image.bottom + 1);
      PaintChessboard(canvas, bitmap, image.left, image.top, image.right - image.left, image.bottom - image.top,
                      params.background, params.cellSize, params.chessboardBrush);
      break;
    }
  }
  DrawWallPaper(canvas, params.wallPaper, params.wallPaperStyle, width, height);
}

}  // namespace imaging
