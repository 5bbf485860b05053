// Readers and writers over the platform's imaging codecs (WIC). They can drive several
// containers (TIFF, GIF, JPEG, BMP, ICO for reading, PNG, HD Photo); the library uses them for
// HD Photo only, and HD Photo goes to the codec of our own (hdphoto_layer.h) instead of the
// platform's, which cannot be trusted with it. Each object initialises OLE on the calling thread for its lifetime, so that
// it can run on the I/O worker threads. Every platform result is checked: a step that fails
// makes the operation fail, and a failed read leaves the bitmap as it was.
#pragma once

#include <cstdint>
#include <vector>

#include "vcl/runtime/system.h"
#include "vcl/runtime/win.h"

#include <wincodec.h>

namespace vcl {
class TStream;
}

namespace imaging {

// The HD Photo file type, which the platform codec layer serves with its own codec.
inline constexpr int32_t kHDPhotoFileType = 29;

class TIEBitmap;
class TIOParamsVals;

class TIEWICReader : public vcl::TObject {
  VCL_CLASS(TIEWICReader, vcl::TObject)
  TIEWICReader();
  ~TIEWICReader() override;

  // Whether the imaging factory could be made.
  bool IsAvailable() const { return factory_ != nullptr; }
  // Opens a decoder over the stream (not owned) for the file type (1 TIFF, 2 GIF, 3 JPEG, 5 BMP,
  // 6 ICO, 8 PNG, 29 HD Photo); false when the type has no container or no decoder takes the data.
  bool Open(vcl::TStream* stream, int32_t fileType);
  void Close();
  // Decodes frame `index` into the bitmap (the thumbnail instead when the block asks for it and
  // the frame has one) and, with a block, fills its size, depth and resolution and reads the
  // TIFF-structured metadata. False when any step fails.
  bool ReadFrame(int32_t index, TIEBitmap* bitmap, TIOParamsVals* params);
  // The size of the last frame read (0 before).
  int32_t GetFrameWidth();
  int32_t GetFrameHeight();

  double DpiX;
  double DpiY;

 private:
  bool CopyFrame(IWICBitmapSource* source, TIEBitmap* bitmap, bool native);

  bool ownCodec_ = false;  // HD Photo: our own codec reads the stream
  int32_t ownWidth_ = 0, ownHeight_ = 0;
  bool oleInitialised_ = false;
  IWICImagingFactory* factory_ = nullptr;
  IWICBitmapDecoder* decoder_ = nullptr;
  IWICBitmapFrameDecode* frame_ = nullptr;
  IWICMetadataQueryReader* metadata_ = nullptr;
  vcl::TStream* stream_ = nullptr;
  int64_t streamPosition_ = 0;
};

class TIEWICWriter : public vcl::TObject {
  VCL_CLASS(TIEWICWriter, vcl::TObject)
  TIEWICWriter();
  // Releases what is open without committing it (Close commits).
  ~TIEWICWriter() override;

  bool IsAvailable() const { return factory_ != nullptr; }
  // Whether the platform has an encoder for the file type (one is made and dropped).
  bool CanEncode(int32_t fileType);
  // Creates an encoder for the file type (1, 2, 3, 5, 8 or 29) over the stream (not owned);
  // false when there is none.
  bool Open(vcl::TStream* stream, int32_t fileType);
  // Writes one frame of the bitmap (ie1g, ie8g, ie16g, ie24RGB, ieCMYK or ieRGB48) with the
  // options below (the block's resolution, HD Photo quality and losslessness when it is given).
  bool WriteFrame(TIEBitmap* bitmap, TIOParamsVals* params);
  // Commits the encoder and releases it; false when the commit fails or nothing was open.
  bool Close();

  double DpiX;
  double DpiY;
  // Encoder options; negative qualities are not passed.
  double ImageQuality = -1;
  double CompressionQuality = -1;
  bool Lossless = false;
  bool UseCodecOptions = false;
  int32_t Quality = 1;
  int32_t Overlap = 1;
  int32_t Subsampling = 3;
  int32_t HorizontalTileSlices = 0;
  int32_t VerticalTileSlices = 0;
  bool FrequencyOrder = true;
  uint8_t TiffCompressionMethod = 1;

 private:
  bool ownCodec_ = false;  // HD Photo: our own codec encodes, Close writes the file
  std::vector<uint8_t> encoded_;
  bool oleInitialised_ = false;
  IWICImagingFactory* factory_ = nullptr;
  IWICBitmapEncoder* encoder_ = nullptr;
  vcl::TStream* stream_ = nullptr;
  int64_t streamPosition_ = 0;
};

}  // namespace imaging
