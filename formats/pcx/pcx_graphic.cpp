#include "formats/pcx/pcx_graphic.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/decoders/run_length_decoders.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace formats {

namespace {

constexpr int kPCXHeaderSize = 128;
constexpr int kTrailerSize = 769;  // the byte 12 and 256 red, green, blue triples

struct TPCXHeader {
  uint8_t manufacturer, version, encoding, bitsPerPixel;
  int32_t width, height;
  uint16_t dpiX, dpiY;
  const uint8_t* palette16;  // 16 red, green, blue triples
  uint8_t planes;
  uint16_t bytesPerLine, paletteInfo;
};

TPCXHeader ParsePCXHeader(const uint8_t* b) {
  TPCXHeader h{};
  h.manufacturer = b[0];
  h.version = b[1];
  h.encoding = b[2];
  h.bitsPerPixel = b[3];
  h.width = int32_t{vcl::le::U16(b + 8)} - vcl::le::U16(b + 4) + 1;
  h.height = int32_t{vcl::le::U16(b + 10)} - vcl::le::U16(b + 6) + 1;
  h.dpiX = vcl::le::U16(b + 12);
  h.dpiY = vcl::le::U16(b + 14);
  h.palette16 = b + 16;
  h.planes = b[65];
  h.bytesPerLine = vcl::le::U16(b + 66);
  h.paletteInfo = vcl::le::U16(b + 68);
  return h;
}

bool IsPCXHeader(const TPCXHeader& h) {
  return (h.manufacturer == 10 || h.manufacturer == 205) &&
         (h.version == 0 || h.version == 2 || h.version == 3 || h.version == 4 || h.version == 5) && h.encoding < 2;
}

// Layouts that have pixels: one plane of 1, 2, 4 or 8 bits, four planes of 1 bit, three of 8.
// Other layouts pass the header test and are refused as a colour format when loaded.
bool SoundSizes(const TPCXHeader& h) {
  if (h.width <= 0 || h.height <= 0 || h.planes == 0) return false;
  if (h.bitsPerPixel != 1 && h.bitsPerPixel != 2 && h.bitsPerPixel != 4 && h.bitsPerPixel != 8) return false;
  // Each plane's line must hold the pixels of a row.
  return h.bytesPerLine >= (static_cast<uint32_t>(h.width) * h.bitsPerPixel + 7) / 8;
}

[[noreturn]] void RaiseShortPCXData() { RaiseGraphicErrorFmt(messages::gesStreamReadError, "PCX"); }

// Bytes the run-length data unpacks to (up to `limit`).
uint64_t UnpackedLength(const uint8_t* data, size_t size, uint64_t limit) {
  uint64_t n = 0;
  for (size_t i = 0; i < size && n < limit; ++i) {
    if (data[i] >= 0xC0) {
      if (++i >= size) break;
      n += data[i - 1] & 0x3F;
    } else {
      ++n;
    }
  }
  return n;
}

}  // namespace

TPCXGraphic::TPCXGraphic() = default;
TPCXGraphic::~TPCXGraphic() = default;

bool TPCXGraphic::CanLoadStream(vcl::TStream* stream) {
  const int64_t at = stream->Position();
  uint8_t b[kPCXHeaderSize];
  const bool ok = stream->Size() - at > kPCXHeaderSize && stream->Read(b, kPCXHeaderSize) == kPCXHeaderSize &&
                  IsPCXHeader(ParsePCXHeader(b));
  stream->SetPosition(at);
  return ok;
}

bool TPCXGraphic::ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) {
  inherited::ReadImageProperties(stream, imageIndex);
  uint8_t b[kPCXHeaderSize];
  if (stream->Read(b, kPCXHeaderSize) != kPCXHeaderSize) return false;
  const TPCXHeader h = ParsePCXHeader(b);
  if (!IsPCXHeader(h) || !SoundSizes(h)) return false;
  ImageProps.ImageWidth = static_cast<uint32_t>(h.width);
  ImageProps.ImageHeight = static_cast<uint32_t>(h.height);
  ImageProps.SampleCount = h.planes;
  ImageProps.SampleBits = h.bitsPerPixel;
  ImageProps.PixelBits = static_cast<uint8_t>(std::min(h.planes * h.bitsPerPixel, 255));
  ImageProps.Scheme = ImageProps.PixelBits <= 8 ? scIndexed : scRGB;
  ImageProps.Packing = h.encoding == 1 ? pkRLE : pkNone;
  ImageProps.DpiX = h.dpiX;
  ImageProps.DpiY = h.dpiY;
  return true;
}

void TPCXGraphic::LoadFromStream(vcl::TStream* stream) {
  BeginLoad(stream, "PCX or SCR");
  stream->SetPosition(StartOffset);
  ProgressArea = vcl::Rect(0, 0, 0, 1);
  ProgressStarting(messages::gesPreparing);
  uint8_t b[kPCXHeaderSize];
  if (stream->Read(b, kPCXHeaderSize) != kPCXHeaderSize) RaiseShortPCXData();
  const TPCXHeader h = ParsePCXHeader(b);
  const uint32_t width = ImageProps.ImageWidth, height = ImageProps.ImageHeight;
  const bool bitPlanes = h.planes == 4 && h.bitsPerPixel == 1;
  const bool rgb = h.planes == 3 && h.bitsPerPixel == 8;
  if (h.planes != 1 && !bitPlanes && !rgb) RaiseGraphicErrorFmt(messages::gesInvalidColorFormat, "PCX");

  TColorManager* cm = ColourConverter();
  cm->SourceOptions = TColorOptions{};
  cm->TargetOptions = TColorOptions{};
  vcl::TPixelFormat format;
  if (bitPlanes) {
    // The planes are put together here; the converter only builds the palette.
    cm->SetSourceScheme(scIndexed);
    cm->SetTargetScheme(scIndexed);
    cm->SetSourceBitsPerSample(4);
    cm->SetTargetBitsPerSample(4);
    cm->SetSourceSampleCount(1);
    cm->SetTargetSampleCount(1);
    format = vcl::pf4bit;
  } else {
    cm->SetSourceScheme(ImageProps.Scheme);
    cm->SetSourceBitsPerSample(h.bitsPerPixel);
    cm->SetSourceSampleCount(h.planes);
    cm->SetTargetScheme(rgb ? scBGR : scIndexed);
    cm->SetTargetBitsPerSample(h.bitsPerPixel == 2 ? 4 : h.bitsPerPixel);
    cm->SetTargetSampleCount(h.planes);
    format = cm->PixelFormatForTarget();
  }

  // An 8-bit image may end with its palette; only then is that block no pixel data.
  const int64_t dataStart = StartOffset + kPCXHeaderSize;
  int64_t dataEnd = stream->Size();
  std::vector<uint8_t> trailer;
  if (format == vcl::pf8bit && dataEnd - kTrailerSize >= dataStart) {
    stream->SetPosition(dataEnd - kTrailerSize);
    trailer.resize(kTrailerSize);
    if (stream->Read(trailer.data(), kTrailerSize) != kTrailerSize || trailer[0] != 12)
      trailer.clear();
    else
      dataEnd -= kTrailerSize;
    stream->SetPosition(dataStart);
  }

  const uint64_t rowSize = uint64_t{h.planes} * h.bytesPerLine;
  const uint64_t imageSize = rowSize * height;
  const int64_t dataSize = dataEnd - dataStart;
  // Checked before anything is allocated: a coded byte pair gives at most 63 bytes.
  if (dataSize <= 0 || imageSize > static_cast<uint64_t>(dataSize) * (ImageProps.Packing == pkRLE ? 63 : 1))
    RaiseShortPCXData();

  try {
    SetPixelFormat(format);
    if (format != vcl::pf24bit) {
      if (format == vcl::pf1bit) {
        SetPalette(cm->BuildGrayPalette(false));
      } else if (format == vcl::pf4bit) {
        if (h.version == 3) {
          SetPalette(vcl::SystemPalette16());
        } else if (h.paletteInfo == 2) {
          SetPalette(cm->BuildGrayPalette(false));
        } else {
          // With 2-bit pixels the converter spreads the indexes over 4 bits, and the palette
          // builder spreads the entries alike.
          const void* planes[] = {h.palette16};
          SetPalette(cm->BuildColorPalette(planes, plPacked8x3, 16, false));
        }
      } else if (!trailer.empty()) {
        const void* planes[] = {trailer.data() + 1};
        SetPalette(cm->BuildColorPalette(planes, plPacked8x3, 256, false));
      } else if (h.paletteInfo == 2) {
        SetPalette(cm->BuildGrayPalette(false));
      }
    }
    SetSize(static_cast<int>(width), static_cast<int>(height));

    std::vector<uint8_t> data(static_cast<size_t>(dataSize));
    if (stream->Read(data.data(), static_cast<int32_t>(dataSize)) != dataSize) RaiseShortPCXData();
    std::vector<uint8_t> pixels;
    if (ImageProps.Packing == pkRLE) {
      if (UnpackedLength(data.data(), data.size(), imageSize) < imageSize) RaiseShortPCXData();
      pixels.assign(static_cast<size_t>(imageSize), 0);
      const uint8_t* s = data.data();
      uint8_t* t = pixels.data();
      TPCXRLEDecoder decoder;
      decoder.DecodeInit();
      decoder.Decode(s, t, static_cast<int32_t>(data.size()), static_cast<int32_t>(imageSize));
      decoder.DecodeEnd();
    } else {
      if (data.size() < imageSize) RaiseShortPCXData();
      data.resize(static_cast<size_t>(imageSize));
      pixels.swap(data);
    }
    ProgressEnding();
    ProgressStarting(messages::gesTransfering);

    for (uint32_t y = 0; y < height; ++y) {
      const uint8_t* row = pixels.data() + y * rowSize;
      auto* line = static_cast<uint8_t*>(ScanLine(static_cast<int>(y)));
      if (bitPlanes) {
        // Pixel x takes bit x of each plane, plane 0 as its lowest bit; two pixels a byte.
        std::memset(line, 0, (width + 1) / 2);
        for (uint32_t x = 0; x < width; ++x) {
          uint8_t v = 0;
          for (uint32_t p = 0; p < 4; ++p)
            v |= static_cast<uint8_t>(((row[p * h.bytesPerLine + x / 8] >> (7 - x % 8)) & 1) << p);
          line[x / 2] |= static_cast<uint8_t>(x % 2 ? v : v << 4);
        }
      } else if (rgb) {
        const void* planes[] = {row, row + h.bytesPerLine, row + 2 * h.bytesPerLine};
        cm->ConvertLine(planes, line, width);
      } else {
        cm->ConvertLine(row, line, width);
      }
      ProgressRow(y);
    }
    ProgressEnding();
  } catch (...) {
    SetHandle(nullptr);
    throw;
  }
}

}  // namespace formats
