// TFormatGraphic: the bitmap every picture format of this library reads into. It carries the
// description of the image header last read (TImageProperties), a colour manager that turns
// file rows into bitmap rows, the content test and the progress protocol the readers share.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formats/colour_manager.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/sysutils.h"

namespace vcl {
class TStream;
}

namespace formats {

enum TImageFlag : uint8_t { ifTiled, ifMotorola, ifMinIsWhite, ifReversedBits, ifGammaGiven };

// A set of TImageFlag, one bit each.
class TImageFlags {
 public:
  constexpr bool Contains(TImageFlag f) const { return (bits_ >> f) & 1; }
  constexpr void Include(TImageFlag f) { bits_ = static_cast<uint8_t>(bits_ | (1u << f)); }
  constexpr void Exclude(TImageFlag f) { bits_ = static_cast<uint8_t>(bits_ & ~(1u << f)); }
  constexpr uint8_t Bits() const { return bits_; }
  constexpr bool operator==(const TImageFlags&) const = default;

 private:
  uint8_t bits_ = 0;
};

enum TPackingKind : uint8_t {
  pkUnknown,
  pkNone,
  pkRLE,
  pkPackBits,
  pkLZW,
  pkFax3,
  pkModifiedHuffman,
  pkFax4,
  pkModifiedHuffmanW,
  pkDeflate,
  pkJPEG,
  pkOldJPEG,
  pkThunderScan,
  pkNeXT,
  pkIT8CTPad,
  pkIT8LW,
  pkIT8MP,
  pkIT8BL,
  pkPixarFilm,
  pkPixarLog,
  pkDCS,
  pkJBIG,
  pkPhotoCD
};

using TCardinalArray = std::vector<uint32_t>;
using TByteArray = std::vector<uint8_t>;
using TFloatArray = std::vector<float>;

// What a reader found in an image header.
struct TImageProperties {
  uint32_t FileVersion = 0;
  TImageFlags ImageFlags;
  uint32_t ImageWidth = 0;
  uint32_t ImageHeight = 0;
  TColorSchemeKind Scheme = scUnknown;
  uint8_t SampleBits = 0;
  uint8_t SampleCount = 0;
  uint8_t PixelBits = 0;
  TPackingKind Packing = pkUnknown;
  float Gamma = 0;
  float DpiX = 0, DpiY = 0;
  bool IsInterlaced = false;
  bool AlphaPresent = false;
  uint32_t FirstDirOffset = 0;
  uint32_t PlanarMode = 0;
  uint32_t RowIndex = 0;
  uint32_t TileCols = 0, TileRows = 0;
  uint32_t RowBytes = 0;
  TCardinalArray StripRows;
  TByteArray ChromaSubsampling;
  TByteArray JpegTableData;
  uint32_t JpegColourMode = 0;
  uint32_t JpegTableMode = 0;
  uint32_t StripIndex = 0;
  uint32_t StripTotal = 0;
  uint32_t PredictorKind = 0;
  bool IsOverview = false;
  uint8_t Rotation = 0;
  uint16_t SubImageCount = 0;
  bool RowsBottomUp = false;
  uint8_t ChannelTotal = 0;
  uint8_t FilterMethod = 0;
};

// The messages of the picture formats.
namespace messages {
constexpr const char* gesInvalidImage = "Cannot load image. Invalid or unexpected %s image format.";
constexpr const char* gesUnsupportedFeature = "Cannot load image. %s not supported for %s files.";
constexpr const char* gesInvalidCRC = "Cannot load image. CRC error found in %s file.";
constexpr const char* gesInvalidPalette = "Cannot load image. Palette in %s file is invalid.";
constexpr const char* gesUnknownCriticalChunk = "Cannot load PNG image. Unexpected but critical chunk detected.";
constexpr const char* gesCompression = "Cannot load image. Compression error found in %s file.";
constexpr const char* gesExtraCompressedData = "Cannot load image. Extra compressed data found in %s file.";
constexpr const char* gesInvalidColorFormat = "Invalid color format in %s file.";
constexpr const char* gesStreamReadError = "Stream read error in %s file.";
constexpr const char* gesCompressionScheme = "The compression scheme is";
constexpr const char* gesPreparing = "Preparing...";
constexpr const char* gesTransfering = "Transfering...";
constexpr const char* gesLoadingData = "Loading data...";
constexpr const char* gesUpsampling = "Upsampling...";
constexpr const char* gesRegistration = "Attempt to register %s twice.";
}  // namespace messages

// Both raise EInvalidGraphic.
[[noreturn]] void RaiseGraphicError(const std::string& message);
template <typename... Args>
[[noreturn]] void RaiseGraphicErrorFmt(std::string_view message, const Args&... args) {
  RaiseGraphicError(vcl::Format(message, args...));
}

class TFormatGraphic : public vcl::TBitmap {
  VCL_GRAPHIC_CLASS(TFormatGraphic, vcl::TBitmap)
  TFormatGraphic();
  ~TFormatGraphic() override;

  // From another format graphic its image properties first; then the pixels as any bitmap.
  void Assign(vcl::TPersistent* source) override;

  // Opens the file read-only (writers shut out) and asks CanLoadStream; open errors propagate.
  bool CanLoadFile(const std::string& fileName);
  // Whether the stream's content is this format; the position is left where it was. The base
  // answers false.
  virtual bool CanLoadStream(vcl::TStream* stream);
  // Reads the header at the stream's position into ImageProps; true when it can be loaded. The
  // base clears ImageProps (Gamma 1.0) and answers false.
  virtual bool ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex);

  TColorManager* ColourConverter() const { return colourConverter_.get(); }
  TImageProperties ImageProps;

 protected:
  // The start every reader shares: the bitmap is emptied, StartOffset recorded and the header
  // read; a header it cannot load raises the "invalid or unexpected" message with `formatName`.
  void BeginLoad(vcl::TStream* stream, const std::string& formatName);
  // Progress of one phase: starting (percent 0, the phase's message), one running step per row
  // delivered (ProgressArea then moves down a row), ending.
  void ProgressStarting(const std::string& message);
  void ProgressRow(uint32_t row);
  void ProgressEnding();

  int64_t StartOffset = 0;
  vcl::TStream* SourceStream = nullptr;
  vcl::TRect ProgressArea{};

 private:
  std::unique_ptr<TColorManager> colourConverter_;
};

}  // namespace formats
