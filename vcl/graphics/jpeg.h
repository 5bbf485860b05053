// TJPEGImage: a JPEG picture. It keeps the compressed file and decodes it into a bitmap when
// it is drawn or copied (with the decoding settings in force then); a picture assigned from a
// bitmap is compressed when it is saved.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/graphic.h"

namespace vcl {

enum TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
// jf8Bit decodes colour pictures to 256 colours with a palette made for the picture.
enum TJPEGPixelFormat { jf24Bit, jf8Bit };

class TJPEGImage : public TGraphic {
  VCL_GRAPHIC_CLASS(TJPEGImage, TGraphic)
  TJPEGImage();
  ~TJPEGImage() override;

  // From another JPEG picture: its file and settings. From a bitmap: its pixels, compressed
  // when needed.
  void Assign(TPersistent* source) override;

  // Compresses the bitmap with the current settings (the file is made again).
  void Compress();
  // Decodes the file into the bitmap if that has not been done with the current settings.
  void DIBNeeded();
  // Compresses the bitmap if there is no file yet.
  void JPEGNeeded();

  // 1..100, used by Compress.
  int CompressionQuality() const { return quality_; }
  void SetCompressionQuality(int quality);
  // Decode to (and compress as) grey levels.
  bool Grayscale() const { return grayscale_; }
  void SetGrayscale(bool value);
  bool ProgressiveEncoding() const { return progressive_; }
  void SetProgressiveEncoding(bool value) { progressive_ = value; }
  TJPEGScale Scale() const { return scale_; }
  void SetScale(TJPEGScale scale);
  TJPEGPerformance Performance() const { return performance_; }
  void SetPerformance(TJPEGPerformance performance);
  TJPEGPixelFormat PixelFormat() const { return pixelFormat_; }
  void SetPixelFormat(TJPEGPixelFormat format);
  // Smooths the blocks of progressive pictures.
  bool Smoothing() const { return smoothing_; }
  void SetSmoothing(bool value);

  // The size of the decoded picture (after Scale).
  int Width() const override;
  int Height() const override;
  // A JPEG picture's size is that of its file: these change nothing.
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  bool Empty() const override;
  HPALETTE Palette() override;

  // Reads the rest of the stream as a JPEG file and decodes it; a damaged or cut file raises
  // EInvalidGraphic "JPEG error #<code>" and keeps the old picture.
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;
  // Through a bitmap (CF_BITMAP, CF_DIB).
  void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;
  void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) override;
  // Form data keeps a 32-bit byte count followed by the file.
  void ReadData(TStream* stream) override;
  void WriteData(TStream* stream) override;

 protected:
  void Draw(TCanvas* canvas, const TRect& rect) override;
  void AssignTo(TPersistent* dest) override;

 private:
  // The settings that decoding depends on changed: decode again when the file is there.
  void DecodingChanged();
  // Decodes `data` with the current settings into a new bitmap.
  std::unique_ptr<TBitmap> Decode(const std::vector<uint8_t>& data) const;

  std::vector<uint8_t> data_;
  std::unique_ptr<TBitmap> bitmap_;
  int quality_ = 90;
  bool grayscale_ = false;
  bool progressive_ = false;
  TJPEGScale scale_ = jsFullSize;
  TJPEGPerformance performance_ = jpBestQuality;
  TJPEGPixelFormat pixelFormat_ = jf24Bit;
  bool smoothing_ = true;
};

}  // namespace vcl
