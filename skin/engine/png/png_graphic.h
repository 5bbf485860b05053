// TPNGGraphic: the skin engine's own PNG reader, a platform bitmap that decodes a PNG stream
// into its own pixels. RGBA images keep their per-pixel alpha in a 32-bit bitmap, which Draw
// blends onto a canvas; the other colour types become palette or 24-bit bitmaps that the
// inherited bitmap drawing handles.
//
// Chunks read: IHDR, PLTE, IDAT, IEND, and gAMA, bKGD, tRNS; other ancillary chunks are skipped
// and any other critical chunk stops the load. Chunk types compare without case; every chunk
// that is read is checked against its CRC. Every length and size taken from the file is checked
// against the stream before it is followed or allocated, and image data that ends before the
// last row is an error, not a picture with stale rows.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "skin/engine/png/colour_manager.h"
#include "skin/engine/png/lz77_decoder.h"
#include "vcl/graphics/bitmap.h"

namespace skin::png {

// What the pre-scan finds in the header.
struct TPNGProperties {
  uint8_t Options = 0;  // bit 0: the header chunk was read; bit 1: a gAMA chunk was applied
  uint32_t Width = 0, Height = 0;
  TacColorScheme ColorScheme = schUnknown;
  uint8_t BitsPerSample = 0;
  uint8_t Compression = 0;  // 2: deflate
  float FileGamma = 1.0f;
  bool Interlaced = false;
  bool HasAlpha = false;
  uint8_t FilterMode = 0;
};

class TPNGGraphic : public vcl::TBitmap {
  VCL_GRAPHIC_CLASS(TPNGGraphic, vcl::TBitmap)
  TPNGGraphic();
  ~TPNGGraphic() override;

  // From another TPNGGraphic its properties come along; the image as for any bitmap.
  void Assign(vcl::TPersistent* source) override;
  // Decodes the PNG at the stream's position; on success the stream stands behind IEND. Bad
  // data raises EInvalidGraphic (or the stream's read error for a file that ends early).
  void LoadFromStream(vcl::TStream* stream) override;

  // A new icon of the image, 0 when the platform refuses; the caller destroys it. With
  // forceMask, or for an image that is not 32-bit, the image becomes 32-bit and its pixels equal
  // to the top-left one (alpha included) are transparent; else the alpha carries transparency.
  HICON CreateIconHandle(bool forceMask);

  const TPNGProperties& ImageProperties() const { return properties_; }
  TColorManager* ColorManager() { return colorManager_.get(); }

  // Draw also paints a reflection below the image.
  bool Reflected = false;

 protected:
  // 32-bit images blend with their alpha over what the canvas holds (stretched when the
  // rectangle is not the image's size); the others draw as bitmaps.
  void Draw(vcl::TCanvas* canvas, const vcl::TRect& rect) override;

 private:
  struct TChunkHeader {
    uint32_t Length = 0;
    uint8_t Type[4] = {};
  };

  bool ScanProperties();
  void ReadChunkHead();
  void ReadChunkBody();
  void SkipChunk();
  bool ChunkIs(const char* type) const;
  int ConfigureColorManager(uint8_t colorType, uint8_t bitDepth);
  void ReadImageData();
  void InflateRow(uint8_t* row, size_t length);
  void ReadTransparencyChunk();
  void ReadBackgroundChunk();
  void LoadBody(uint8_t colorType, uint8_t bitDepth, uint8_t interlace);
  uint32_t TransparentKey() const;

  std::unique_ptr<TColorManager> colorManager_;
  vcl::TRect progressRect_{};
  int64_t basePosition_ = 0;
  vcl::TStream* stream_ = nullptr;
  TPNGProperties properties_;
  std::unique_ptr<TLZ77Decoder> decoder_;
  uint32_t dataSize_ = 0;
  std::vector<uint8_t> chunkData_;
  const uint8_t* inputPosition_ = nullptr;
  TChunkHeader header_;
  uint32_t crc_ = 0;
  int bytesPerPixel_ = 1;
  HPALETTE pendingPalette_ = nullptr;
  bool configured_ = false;
  // tRNS samples as stored, turned into the colour key when the rows are made.
  bool hasTransparency_ = false;
  uint16_t transparency_[3] = {};
  uint32_t fillColor_ = 0xFFFFFF;
  uint8_t colorType_ = 0, bitDepth_ = 0, interlace_ = 0;
};

}  // namespace skin::png
