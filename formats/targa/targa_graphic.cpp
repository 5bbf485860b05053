#include "formats/targa/targa_graphic.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "formats/decoders/run_length_decoders.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace formats {

namespace {

constexpr int kTargaHeaderSize = 18;

struct TTargaHeader {
  uint8_t idLength, mapType, imageType;
  uint16_t mapFirst, mapLength;
  uint8_t mapEntrySize;
  uint16_t width, height;
  uint8_t depth, descriptor;
};

TTargaHeader ParseTargaHeader(const uint8_t* b) {
  return TTargaHeader{b[0], b[1], b[2], vcl::le::U16(b + 3), vcl::le::U16(b + 5), b[7], vcl::le::U16(b + 12),
                      vcl::le::U16(b + 14), b[16], b[17]};
}

bool KnownImageType(uint8_t type) { return (type >= 1 && type <= 3) || (type >= 9 && type <= 11); }
bool KnownDepth(uint8_t depth) { return depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32; }
bool KnownEntrySize(uint8_t size) { return size == 15 || size == 16 || size == 24 || size == 32; }

uint32_t BytesPerPixel(uint8_t depth) { return (depth + 7u) / 8u; }

// Bytes of the colour map stored after the image ID (a map type of 0 stores none).
uint32_t MapBytes(const TTargaHeader& h) {
  return h.mapType == 1 ? static_cast<uint32_t>(h.mapLength) * ((h.mapEntrySize + 7u) / 8u) : 0;
}

[[noreturn]] void RaiseShortTargaData() { RaiseGraphicErrorFmt(messages::gesStreamReadError, "TGA"); }

void ReadExactly(vcl::TStream* stream, void* buffer, int64_t count) {
  if (count > 0 && stream->Read(buffer, static_cast<int32_t>(count)) != count) RaiseShortTargaData();
}

}  // namespace

TTargaGraphic::TTargaGraphic() = default;
TTargaGraphic::~TTargaGraphic() = default;

bool TTargaGraphic::CanLoadStream(vcl::TStream* stream) {
  const int64_t at = stream->Position();
  uint8_t b[kTargaHeaderSize];
  bool ok = stream->Size() - at > kTargaHeaderSize && stream->Read(b, kTargaHeaderSize) == kTargaHeaderSize;
  if (ok) {
    const TTargaHeader h = ParseTargaHeader(b);
    // Files without a colour map usually leave its entry size 0, this program's own included.
    ok = KnownImageType(h.imageType) && h.mapType < 2 && KnownDepth(h.depth) &&
         (KnownEntrySize(h.mapEntrySize) || (h.mapType == 0 && h.mapEntrySize == 0));
  }
  stream->SetPosition(at);
  return ok;
}

bool TTargaGraphic::ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) {
  inherited::ReadImageProperties(stream, imageIndex);
  uint8_t b[kTargaHeaderSize];
  if (stream->Read(b, kTargaHeaderSize) != kTargaHeaderSize) return false;
  const TTargaHeader h = ParseTargaHeader(b);
  if (!KnownImageType(h.imageType) || !KnownDepth(h.depth) || h.width == 0 || h.height == 0) return false;
  // A colour-mapped image needs 8-bit indexes and a map it can read.
  const bool mapped = h.imageType == 1 || h.imageType == 9;
  if (mapped && (h.depth != 8 || h.mapType != 1 || !KnownEntrySize(h.mapEntrySize))) return false;
  if (h.mapType > 1) return false;
  ImageProps.ImageWidth = h.width;
  ImageProps.ImageHeight = h.height;
  ImageProps.SampleBits = 8;
  switch (h.depth) {
    case 8:
      ImageProps.Scheme = (h.imageType == 3 || h.imageType == 11) ? scGray : scIndexed;
      ImageProps.SampleCount = 1;
      break;
    case 15:
    case 16:
      ImageProps.Scheme = scRGB;
      ImageProps.SampleBits = 5;
      ImageProps.SampleCount = 3;
      break;
    case 24:
      ImageProps.Scheme = scRGB;
      ImageProps.SampleCount = 3;
      break;
    default:
      ImageProps.Scheme = scRGBA;
      ImageProps.SampleCount = 4;
      ImageProps.AlphaPresent = true;
      break;
  }
  ImageProps.PixelBits = static_cast<uint8_t>(ImageProps.SampleCount * ImageProps.SampleBits);
  ImageProps.Packing = h.imageType >= 9 ? pkRLE : pkNone;
  ImageProps.RowsBottomUp = (h.descriptor & 0x20) == 0;
  return true;
}

void TTargaGraphic::LoadFromStream(vcl::TStream* stream) {
  BeginLoad(stream, "TGA");
  stream->SetPosition(StartOffset);
  ProgressArea = vcl::Rect(0, 0, static_cast<int>(ImageProps.ImageWidth), 1);
  ProgressStarting(messages::gesPreparing);

  uint8_t b[kTargaHeaderSize];
  ReadExactly(stream, b, kTargaHeaderSize);
  const TTargaHeader h = ParseTargaHeader(b);
  const bool topDown = (h.descriptor & 0x20) != 0;
  stream->Seek(h.idLength, vcl::soCurrent);

  // Targa pixels are the bitmap's own little-endian BGR(A) layout; only the format is chosen.
  const uint32_t pixelBytes = BytesPerPixel(h.depth);
  vcl::TPixelFormat format = vcl::pf8bit;
  if (pixelBytes == 2) format = vcl::pf15bit;
  else if (pixelBytes == 3) format = vcl::pf24bit;
  else if (pixelBytes == 4) format = vcl::pf32bit;

  const uint32_t width = h.width, height = h.height;
  const uint64_t rowBytes = static_cast<uint64_t>(width) * pixelBytes;
  const int64_t mapBytes = MapBytes(h);
  // The pixels must fit the stream before the bitmap is made: raw rows byte for byte, coded
  // ones at most 128 pixels for each packet of at least 2 bytes.
  const int64_t left = stream->Size() - stream->Position() - mapBytes;
  const uint64_t pixels = static_cast<uint64_t>(width) * height;
  if (left <= 0 || (ImageProps.Packing == pkRLE ? pixels > static_cast<uint64_t>(left) * 64
                                                 : pixels * pixelBytes > static_cast<uint64_t>(left)))
    RaiseShortTargaData();

  std::vector<uint8_t> palette;  // 256 blue, green, red triples
  if (h.imageType == 1 || h.imageType == 9) {
    std::vector<uint8_t> map(mapBytes);
    ReadExactly(stream, map.data(), mapBytes);
    // Entry i of the map is colour index first + i; indexes past 255 cannot occur in 8-bit pixels.
    palette.assign(256 * 3, 0);
    const uint32_t entryBytes = (h.mapEntrySize + 7u) / 8u;
    for (uint32_t i = 0; i < h.mapLength && h.mapFirst + i < 256; ++i) {
      const uint8_t* e = map.data() + i * entryBytes;
      uint8_t* p = palette.data() + (h.mapFirst + i) * 3;
      if (entryBytes == 2) {
        const uint16_t w = vcl::le::U16(e);
        p[0] = static_cast<uint8_t>((w & 0x1F) << 3);
        p[1] = static_cast<uint8_t>(((w >> 5) & 0x1F) << 3);
        p[2] = static_cast<uint8_t>(((w >> 10) & 0x1F) << 3);
      } else {
        std::memcpy(p, e, 3);
      }
    }
  } else {
    // A map beside grey or true-colour pixels is not used, but it lies before them.
    stream->Seek(mapBytes, vcl::soCurrent);
  }

  TColorManager* cm = ColourConverter();
  cm->SetSourceScheme(ImageProps.Scheme);
  cm->SetTargetScheme(scBGR);
  cm->SetSourceSampleCount(ImageProps.SampleCount);
  cm->SetTargetSampleCount(ImageProps.SampleCount);
  cm->SetSourceBitsPerSample(8);
  cm->SetTargetBitsPerSample(8);
  cm->SourceOptions = TColorOptions{};
  cm->TargetOptions = TColorOptions{};

  try {
    SetPixelFormat(format);
    if (format == vcl::pf8bit) {
      if (!palette.empty()) {
        const void* planes[] = {palette.data()};
        SetPalette(cm->BuildColorPalette(planes, plPacked8x3, 256, true));
      } else {
        SetPalette(cm->BuildGrayPalette(false));
      }
    }
    SetSize(static_cast<int>(width), static_cast<int>(height));
    ProgressEnding();
    ProgressStarting(messages::gesTransfering);

    auto scanLine = [&](uint32_t r) {
      return static_cast<uint8_t*>(ScanLine(static_cast<int>(topDown ? r : height - 1 - r)));
    };
    if (ImageProps.Packing == pkNone) {
      for (uint32_t r = 0; r < height; ++r) {
        ReadExactly(stream, scanLine(r), static_cast<int64_t>(rowBytes));
        ProgressRow(r);
      }
    } else {
      // The whole coded rest of the stream at once: packets may run from one row into the next,
      // and the decoder carries such a packet over to the following row.
      std::vector<uint8_t> coded(static_cast<size_t>(stream->Size() - stream->Position()));
      ReadExactly(stream, coded.data(), static_cast<int64_t>(coded.size()));
      TTargaRLEDecoder decoder(h.depth);
      decoder.DecodeInit();
      const uint8_t* source = coded.data();
      const uint8_t* end = coded.data() + coded.size();
      for (uint32_t r = 0; r < height; ++r) {
        uint8_t* target = scanLine(r);
        decoder.Decode(source, target, static_cast<int32_t>(end - source), static_cast<int32_t>(width));
        // Rows left over when the data is spent are not in the file.
        if (source == end && r + 1 < height) RaiseShortTargaData();
        ProgressRow(r);
      }
    }
    ProgressEnding();
  } catch (...) {
    SetHandle(nullptr);
    throw;
  }
}

void TTargaGraphic::SaveToStream(vcl::TStream* stream) { SaveTargaToStream(stream, true); }

void TTargaGraphic::SaveTargaToStream(vcl::TStream* stream, bool compressed) {
  ProgressArea = vcl::Rect(0, 0, Width(), 1);
  ProgressStarting(messages::gesPreparing);
  if (Empty()) {
    ProgressEnding();
    return;
  }
  // Formats Targa has no pixels for are written from a converted copy.
  vcl::TBitmap* source = this;
  std::unique_ptr<vcl::TBitmap> copy;
  uint32_t pixelBytes = 0;
  switch (PixelFormat()) {
    case vcl::pf8bit: pixelBytes = 1; break;
    case vcl::pf15bit: pixelBytes = 2; break;
    case vcl::pf24bit: pixelBytes = 3; break;
    case vcl::pf32bit: pixelBytes = 4; break;
    default: {
      copy = std::make_unique<vcl::TBitmap>();
      copy->Assign(this);
      const bool indexed = PixelFormat() == vcl::pf1bit || PixelFormat() == vcl::pf4bit;
      copy->SetPixelFormat(indexed ? vcl::pf8bit : vcl::pf24bit);
      pixelBytes = indexed ? 1 : 3;
      source = copy.get();
    }
  }
  const uint32_t width = static_cast<uint32_t>(source->Width());
  const uint32_t height = static_cast<uint32_t>(source->Height());
  const uint8_t depth = static_cast<uint8_t>(pixelBytes == 2 ? 15 : pixelBytes * 8);

  uint8_t h[kTargaHeaderSize] = {};
  auto put16 = [&](int at, uint32_t v) {
    h[at] = static_cast<uint8_t>(v);
    h[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  const bool mapped = pixelBytes == 1;
  h[1] = mapped ? 1 : 0;
  h[2] = static_cast<uint8_t>(mapped ? (compressed ? 9 : 1) : (compressed ? 10 : 2));
  // Only a colour-mapped file describes a map; the others leave the fields 0.
  if (mapped) {
    put16(5, 256);
    h[7] = 24;
  }
  put16(12, width);
  put16(14, height);
  h[16] = depth;
  // Rows go top row first; 32-bit pixels carry 8 bits of alpha.
  h[17] = static_cast<uint8_t>(0x20 | (pixelBytes == 4 ? 8 : 0));
  stream->WriteBuffer(h, kTargaHeaderSize);

  if (mapped) {
    PALETTEENTRY entries[256] = {};
    if (HPALETTE palette = source->Palette()) GetPaletteEntries(palette, 0, 256, entries);
    uint8_t map[256 * 3];
    for (int i = 0; i < 256; ++i) {
      map[i * 3] = entries[i].peBlue;
      map[i * 3 + 1] = entries[i].peGreen;
      map[i * 3 + 2] = entries[i].peRed;
    }
    stream->WriteBuffer(map, sizeof map);
  }
  ProgressEnding();
  ProgressStarting(messages::gesTransfering);

  const uint32_t rowBytes = width * pixelBytes;
  std::vector<uint8_t> coded(compressed ? static_cast<size_t>(rowBytes) * 2 + 2 : 0);
  TTargaRLEDecoder encoder(depth);
  encoder.EncodeInit();
  for (uint32_t r = 0; r < height; ++r) {
    const auto* row = static_cast<const uint8_t*>(source->ScanLine(static_cast<int>(r)));
    if (compressed) {
      uint32_t stored = 0;
      encoder.Encode(row, coded.data(), width, stored);
      stream->WriteBuffer(coded.data(), static_cast<int32_t>(stored));
    } else {
      stream->WriteBuffer(row, static_cast<int32_t>(rowBytes));
    }
    Progress(this, vcl::psRunning, 0, false, ProgressArea, std::string());
    ++ProgressArea.top;
    ++ProgressArea.bottom;
  }
  encoder.EncodeEnd();
  ProgressEnding();
}

}  // namespace formats
