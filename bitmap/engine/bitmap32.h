// TBitmap32: the bitmap engine's image. A top-down array of 32-bit TColor32 pixels held in a
// DIB section that is selected into a memory device context of its own, so platform drawing
// (text, lines) and direct pixel access work on the same memory. It carries the settings with
// which it is drawn into another bitmap, signals every change, streams its pixels as the
// binary "Data" property, and offers flips, a 90-degree rotation and fills.
#pragma once

#include <cstdint>
#include <string>

#include "bitmap/engine/colour32.h"
#include "bitmap/engine/custom_map.h"
#include "bitmap/engine/pixel_combine.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace vcl {
class TBitmap;
class TGraphic;
}  // namespace vcl

namespace bitmap {

enum TDrawMode : uint8_t { dmOpaque, dmBlend, dmCustom };
enum TStretchFilter : uint8_t { sfNearest, sfLinear, sfSpline, sfLanczos, sfMitchell };

class TBitmap32 : public TCustomMap {
  VCL_CLASS(TBitmap32, TCustomMap)
  TBitmap32();
  ~TBitmap32() override;

  // Copies another TBitmap32 (pixels and drawing settings, not the events), a platform bitmap
  // (a 32-bit one keeps its alpha bytes, others become opaque), any other platform graphic
  // (drawn, then opaque), a picture's graphic (a picture without one empties this bitmap) or
  // the clipboard's picture (drawn, then opaque); nil empties this bitmap. Brackets the work
  // so that one change is signalled, also when the copy fails (the bitmap may already have
  // been resized or emptied by then). Anything else raises the conversion error.
  void Assign(vcl::TPersistent* source) override;
  // Loads any file the picture loader reads (the graphic class registered for the file's
  // extension). The loader's errors pass through.
  void LoadFromFile(const std::string& fileName);
  // Stores the binary property "Data" when the bitmap differs from the filer's ancestor, or,
  // without one, when it is not empty.
  void DefineProperties(vcl::TFiler* filer) override;

  bool IsEmpty() const override;
  void MakeEmpty() override { SetSize(0, 0); }

  // The storage: nil / none while the bitmap is empty. Pixel (x, y) is Bits()[y * Width + x].
  TColor32* Bits() const { return bits_; }
  HBITMAP Handle() const { return handle_; }
  HDC DC() const { return dc_; }
  const BITMAPINFO& BitmapInfo() const { return bitmapInfo_; }

  // Neither checks its arguments.
  TColor32* ScanLine(int32_t y) const { return bits_ + int64_t(y) * Width(); }
  TColor32* PixelPtr(int32_t x, int32_t y) const { return bits_ + int64_t(y) * Width() + x; }
  // The pixel, or OuterColor outside the bitmap.
  TColor32 GetPixelSafe(int32_t x, int32_t y) const;
  TRect BoundsRect() const { return TRect{0, 0, Width(), Height()}; }

  // Every pixel := value, then a change; an empty bitmap does nothing and signals nothing.
  void FillColor(TColor32 value);
  // Fills columns x1 .. x2 - 1 of rows y1 .. y2 - 1, then signals a change. The rectangle is
  // kept inside the bitmap, so bad coordinates cannot write outside the pixels.
  void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 value);
  // Nothing (and no signal) when the rectangle misses the bitmap; otherwise FillRect of the
  // part inside.
  void FillRectClipped(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 value);
  // Every alpha byte := 255, then a change.
  void ResetAlpha();

  // Copies the pixels 1:1 to a device context at (x, y).
  void DrawToDC(HDC dc, int32_t x, int32_t y) const;
  // Draws the whole bitmap into dstRect of dst with this bitmap's filter, draw mode, master
  // alpha and combiner (clipped to dst), then signals dst's change. Nothing when either
  // bitmap is empty.
  void DrawToRect(TBitmap32* dst, const TRect& dstRect);

  // Dst nil (or this bitmap) works in place.
  void FlipHorizontal(TBitmap32* dst = nullptr);
  void FlipVertical(TBitmap32* dst = nullptr);
  // Clockwise; the result is Height x Width.
  void Rotate90(TBitmap32* dst = nullptr);

  TDrawMode DrawMode() const { return drawMode_; }
  void SetDrawMode(TDrawMode value);
  uint32_t MasterAlpha() const { return masterAlpha_; }
  void SetMasterAlpha(uint32_t value);
  TStretchFilter StretchFilter() const { return stretchFilter_; }
  void SetStretchFilter(TStretchFilter value);
  TColor32 OuterColor() const { return outerColor_; }
  void SetOuterColor(TColor32 value) { outerColor_ = value; }

  // The "Data" stream: int32 width, int32 height, then the pixels, rows top-down.
  virtual void ReadData(vcl::TStream* stream);
  virtual void WriteData(vcl::TStream* stream) const;

  TNotifyEvent OnHandleChanged;
  TPixelCombineEvent OnPixelCombine;

 protected:
  // Into a platform bitmap: a 32-bit DIB of this size with every pixel, alpha included; into
  // a picture: into its bitmap (which replaces any other graphic); onto the clipboard: as
  // such a bitmap.
  void AssignTo(vcl::TPersistent* dest) override;
  void ResizeStorage(int32_t& width, int32_t& height, int32_t newWidth, int32_t newHeight) override;
  virtual void NotifyHandleChanged();

 private:
  void ReleaseStorage();
  // The pieces of Assign and AssignTo, inside the caller's update bracket.
  void AssignFrom(vcl::TPersistent* source);
  void AssignFromPlatformBitmap(vcl::TBitmap* platformBitmap);
  void AssignByDrawing(vcl::TGraphic* graphic, int32_t width, int32_t height);
  void AssignToPlatformBitmap(vcl::TBitmap* platformBitmap);
  // Empty and empty, or the same class, size and pixels.
  bool EqualContent(const TBitmap32& other) const;

  BITMAPINFO bitmapInfo_{};
  TColor32* bits_ = nullptr;
  TDrawMode drawMode_ = dmOpaque;
  HBITMAP handle_ = nullptr;
  HDC dc_ = nullptr;
  uint32_t masterAlpha_ = 255;
  TColor32 outerColor_ = 0;
  TStretchFilter stretchFilter_ = sfNearest;
};

}  // namespace bitmap
