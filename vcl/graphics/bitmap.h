// TBitmap: a picture of pixels held in a DIB section, so that drawing on its canvas and
// writing through ScanLine reach the same memory. Rows are stored bottom-up and padded to
// 32 bits, as BMP files and the platform's DIBs have them.
//
// A bitmap that was never given a pixel format is device-dependent (pfDevice, bmDDB); it keeps
// its pixels in the screen's 32-bit format (or black and white when Monochrome).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "vcl/graphics/bmp_format.h"
#include "vcl/graphics/graphic.h"

namespace vcl {

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TBitmapHandleType { bmDIB, bmDDB };
// tmAuto takes the transparent colour from the bottom-left pixel; tmFixed uses TransparentColor.
enum TTransparentMode { tmAuto, tmFixed };

class TBitmapCanvas;

// The 16 standard colours (those 4-bit bitmaps start with) as a palette the whole program
// shares; nobody deletes it. A bitmap given it takes a copy of its own.
HPALETTE SystemPalette16();

class TBitmap : public TGraphic {
  VCL_GRAPHIC_CLASS(TBitmap, TGraphic)
  TBitmap();
  ~TBitmap() override;

  // From another bitmap: an independent copy of the pixels (32-bit alpha included), the
  // palette and the transparency settings. From another graphic: the graphic drawn on white.
  // nil empties the bitmap.
  void Assign(TPersistent* source) override;

  // The canvas draws into the bitmap's own pixels; OnChange of the bitmap fires after each
  // drawing call.
  TCanvas* Canvas();

  // The DIB section; 0 for an empty bitmap. The bitmap owns it. Its canvas gives it back, so
  // that it can be selected into another DC.
  HBITMAP Handle();
  // Takes over a bitmap made elsewhere (a DIB section keeps its format; a device bitmap is read
  // into a device-format bitmap); 0 empties the bitmap.
  void SetHandle(HBITMAP bitmap);
  // Gives the handle to the caller, who then deletes it; the bitmap becomes empty.
  HBITMAP ReleaseHandle();
  bool HandleAllocated() const { return handle_ != nullptr; }

  TBitmapHandleType HandleType() const { return deviceDependent_ ? bmDDB : bmDIB; }
  // bmDIB keeps the pixels in the DIB's format (pf32bit, or pf1bit when monochrome); bmDDB
  // converts them to the device's format.
  void SetHandleType(TBitmapHandleType type);

  TPixelFormat PixelFormat() const;
  // Converts the pixels: to 1 bit black and white, to 4 bits the 16 standard colours, to 8 bits
  // the halftone palette (each pixel takes the nearest colour); to more bits the colours are
  // expanded (alpha 0 when going to 32 bits); pfDevice makes the bitmap device-dependent.
  // From fewer bits with a colour table, the larger table starts with the old colours, so
  // that no pixel changes colour.
  // pfCustom raises EInvalidGraphic "Invalid pixel format".
  void SetPixelFormat(TPixelFormat format);

  // One bit per pixel.
  bool Monochrome() const { return layout_.bitCount == 1; }
  // true: a black and white device bitmap; false: a device bitmap of the screen's colours.
  void SetMonochrome(bool value);

  // The palette of the bitmap's colour table, made on request for 1, 4 and 8 bits. The bitmap
  // owns it. A colour table set through the canvas's DC (SetDIBColorTable) is the bitmap's
  // from then on: the palette, files, copies and conversions take it.
  HPALETTE Palette() override;
  // Takes over the palette; a bitmap of 8 bits or fewer takes its colour table from it (the
  // pixel indexes stay).
  void SetPalette(HPALETTE palette) override;
  // Gives the palette to the caller; the colour table stays.
  HPALETTE ReleasePalette();

  // Address of pixel row `row` (0 is the top row); raises EInvalidGraphicOperation
  // "Scan line index out of range". Drawing done on the canvas is complete when it returns.
  // The address changes when the size or the pixel format does.
  void* ScanLine(int row);

  int Width() const override { return layout_.width; }
  int Height() const override { return layout_.height; }
  void SetWidth(int width) override { SetSize(width, layout_.height); }
  void SetHeight(int height) override { SetSize(layout_.width, height); }
  // Keeps the pixel format and the pixels at the top left; new area is filled with the
  // canvas brush's colour (white unless changed).
  void SetSize(int width, int height);
  bool Empty() const override { return layout_.width == 0 || layout_.height == 0; }

  // The colour left out when the bitmap is drawn transparently, with 0x02000000 added.
  TColor TransparentColor();
  void SetTransparentColor(TColor color);
  TTransparentMode TransparentMode() const { return transparentMode_; }
  void SetTransparentMode(TTransparentMode mode);

  // Keeps the pixels in memory and gives the GDI bitmap back; it is made again when needed.
  void Dormant();
  // Nothing is cached beside the bitmap itself, so there is nothing to free.
  void FreeImage() {}

  // BMP files: 1, 4, 8, 16, 24 and 32 bits, bit fields, RLE4 and RLE8, OS/2 headers and
  // top-down rows are read; bad or truncated data raises EInvalidGraphic
  // "Bitmap image is not valid" and keeps the old picture. No data at all makes the bitmap
  // empty. Files are written uncompressed (OS/2 files again as OS/2 files).
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;
  // CF_BITMAP or CF_DIB.
  void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;
  // CF_BITMAP: a copy of the bitmap, and a copy of its palette when it has one.
  void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) override;
  // A copy of the pixels as a packed DIB in global memory (CF_DIB); the caller owns it.
  HGLOBAL CreatePackedDib();

  // Form data keeps a bitmap as a 32-bit byte count followed by a BMP file.
  void ReadData(TStream* stream) override;
  void WriteData(TStream* stream) override;

 protected:
  void Draw(TCanvas* canvas, const TRect& rect) override;

 private:
  friend class TBitmapCanvas;

  // Makes the DIB section again after Dormant.
  void HandleNeeded();
  // The canvas gives its DC back (the DIB can be selected in one DC only).
  void FreeContext();
  // Replaces the pixels by a new DIB in `layout` (whose width and height are the new size),
  // copying the old picture to the top left.
  void Reformat(const bmp::DibLayout& layout, bool deviceDependent);
  // Makes the picture of a parsed DIB the bitmap's own.
  void LoadParsedDib(const bmp::ParsedDib& dib);
  // A copy of another GDI bitmap.
  void CopyFromHandle(HBITMAP source);
  // Installs a new DIB section and its layout; the previous one is deleted.
  void InstallImage(HBITMAP handle, uint8_t* bits, const bmp::DibLayout& layout, bool deviceDependent);
  void DeletePalette();
  // Copies the colour table into the live DIB section.
  void UpdateColorTable();
  // Takes the colour table back from the live DIB section, where drawing code may have changed
  // it through a DC (SetDIBColorTable), so that the palette, files, copies and conversions keep
  // the colours the pixels show.
  void ReadColorTable();

  bmp::DibLayout layout_;
  bool deviceDependent_ = true;
  HBITMAP handle_ = nullptr;
  uint8_t* bits_ = nullptr;
  std::vector<uint8_t> dormant_;
  HPALETTE palette_ = nullptr;
  std::unique_ptr<TBitmapCanvas> canvas_;
  TColor transparentColor_ = clDefault;
  TTransparentMode transparentMode_ = tmAuto;
};

}  // namespace vcl
