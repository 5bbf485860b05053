#include "formats/png/png_graphic.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/decoders/lz77_decoder.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace formats {

namespace {

constexpr uint8_t kPNGSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr uint32_t kNoKey = 0x1FFFFFFF;

// One chunk of a file held in memory: its type and where its data lies.
struct TChunk {
  char ChunkType[5] = {};
  const uint8_t* ChunkData = nullptr;
  uint32_t ChunkLength = 0;
  // Chunk types are compared as they stand: the letters' case carries their properties.
  bool Is(const char* name) const { return std::memcmp(ChunkType, name, 4) == 0; }
  bool Critical() const { return (ChunkType[0] & 0x20) == 0; }
};

// Walks the chunks of a file held in memory; every length is checked against what is left.
class TChunkReader {
 public:
  TChunkReader(const uint8_t* data, size_t size) : at_(data), end_(data + size) {}
  // False at the end of the data or for a chunk that does not fit it.
  bool Next(TChunk& chunk) {
    if (!NextChunkHeader(chunk)) return false;
    ReadChunkData(chunk);
    return true;
  }

 private:
  // Length and type, the length checked against the data left; the running CRC starts over
  // the type.
  bool NextChunkHeader(TChunk& chunk) {
    if (end_ - at_ < 12) return false;
    const uint32_t length = vcl::be::U32(at_);
    if (length > static_cast<size_t>(end_ - at_) - 12) return false;
    std::memcpy(chunk.ChunkType, at_ + 4, 4);
    chunk.ChunkLength = length;
    RunningCRC = crc32(0, at_ + 4, 4);
    at_ += 8;
    return true;
  }

  // The data where it lies and the stored CRC after it, which must match the running one.
  void ReadChunkData(TChunk& chunk) {
    chunk.ChunkData = at_;
    RunningCRC = crc32(RunningCRC, at_, chunk.ChunkLength);
    const uint32_t stored = vcl::be::U32(at_ + chunk.ChunkLength);
    at_ += chunk.ChunkLength + 4;
    if (RunningCRC != stored) RaiseGraphicErrorFmt(messages::gesInvalidCRC, "PNG");
  }

  const uint8_t* at_;
  const uint8_t* end_;
  uLong RunningCRC = 0;
};

uint8_t PaethValue(uint8_t left, uint8_t up, uint8_t upperLeft) {
  const int p = left + up - upperLeft;
  const int pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upperLeft);
  if (pa <= pb && pa <= pc) return left;
  return pb <= pc ? up : upperLeft;
}

// Reverses the filter of one row in place (`row` without its filter byte).
void UnfilterRow(uint8_t filter, uint8_t* row, const uint8_t* previous, size_t size, size_t bpp) {
  switch (filter) {
    case 0: break;
    case 1:
      for (size_t i = bpp; i < size; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - bpp]);
      break;
    case 2:
      for (size_t i = 0; i < size; ++i) row[i] = static_cast<uint8_t>(row[i] + previous[i]);
      break;
    case 3:
      for (size_t i = 0; i < size; ++i) {
        const int left = i >= bpp ? row[i - bpp] : 0;
        row[i] = static_cast<uint8_t>(row[i] + ((left + previous[i]) >> 1));
      }
      break;
    case 4:
      for (size_t i = 0; i < size; ++i) {
        const uint8_t left = i >= bpp ? row[i - bpp] : 0;
        const uint8_t upperLeft = i >= bpp ? previous[i - bpp] : 0;
        row[i] = static_cast<uint8_t>(row[i] + PaethValue(left, previous[i], upperLeft));
      }
      break;
    default: RaiseGraphicErrorFmt(messages::gesInvalidImage, "PNG");
  }
}

struct TPass {
  uint32_t column, columnStep, row, rowStep;
  uint8_t mask;
};
constexpr TPass kAdam7[7] = {{0, 8, 0, 8, 0x80}, {4, 8, 0, 8, 0x08}, {0, 4, 4, 8, 0x88}, {2, 4, 0, 4, 0x22},
                             {0, 2, 2, 4, 0xAA}, {1, 2, 0, 2, 0x55}, {0, 1, 1, 2, 0xFF}};
// 0xRRGGBB as the platform's colour (0x00BBGGRR).
vcl::TColor ToColour(uint32_t rgb) {
  return static_cast<vcl::TColor>((rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16);
}

constexpr TPass kPlain = {0, 1, 0, 1, 0xFF};

// The converter set for the file's colour type and depth (invalid pairs raise); `samples` the
// samples per pixel; answers the bytes per pixel of the file's samples (at least 1), which the
// row filter works in.
uint32_t PrepareColourSetup(TColorManager* cm, uint8_t colourType, uint8_t depth, uint32_t& samples) {
  cm->SourceOptions = TColorOptions{cvoSwapBytes};
  cm->TargetOptions = TColorOptions{};
  auto badFormat = [] { RaiseGraphicErrorFmt(messages::gesInvalidColorFormat, "PNG"); };
  const bool lowDepth = depth == 1 || depth == 2 || depth == 4;
  const bool byteDepth = depth == 8 || depth == 16;
  samples = 1;
  switch (colourType) {
    case 0:
      if (!lowDepth && !byteDepth) badFormat();
      cm->SetSourceScheme(scGray);
      cm->SetTargetScheme(scGray);
      cm->SetTargetBitsPerSample(depth == 2 ? 4 : depth == 16 ? 8 : depth);
      break;
    case 2:
      if (!byteDepth) badFormat();
      cm->SetSourceScheme(scRGB);
      cm->SetTargetScheme(scBGR);
      cm->SetTargetBitsPerSample(8);
      samples = 3;
      break;
    case 3:
      if (!lowDepth && depth != 8) badFormat();
      cm->SetSourceScheme(scIndexed);
      cm->SetTargetScheme(scIndexed);
      cm->SetTargetBitsPerSample(depth == 2 ? 4 : depth);
      break;
    case 4:
      if (!byteDepth) badFormat();
      cm->SetSourceScheme(scGrayAlpha);
      cm->SetTargetScheme(scIndexed);
      cm->SetTargetBitsPerSample(8);
      samples = 2;
      break;
    case 6:
      if (!byteDepth) badFormat();
      cm->SetSourceScheme(scRGBA);
      cm->SetTargetScheme(scBGRA);
      cm->SetTargetBitsPerSample(8);
      samples = 4;
      break;
    default: badFormat();
  }
  cm->SetSourceBitsPerSample(depth);
  cm->SetSourceSampleCount(static_cast<uint8_t>(colourType == 4 ? 1 : samples));
  cm->SetTargetSampleCount(static_cast<uint8_t>(colourType == 4 ? 1 : samples));
  return std::max<uint32_t>(1, depth * samples / 8);
}

// What bKGD and tRNS say: the colour the bitmap is cleared to, the transparent colour, and a
// background palette index (resolved once the palette is known).
struct TPNGColours {
  uint8_t colourType, depth;
  uint32_t clearColour = 0xFFFFFF, keyColour = kNoKey;
  int backgroundIndex = -1;
  // A grey or colour value of the file's depth scaled to 8 bits.
  uint8_t Scale(uint16_t v) const {
    const uint32_t maxSample = (1u << depth) - 1;
    return static_cast<uint8_t>((uint32_t{v} & maxSample) * 255 / maxSample);
  }
  // Three 16-bit values, the first in the low byte.
  uint32_t ScaledRGB(const uint8_t* p) const {
    return uint32_t{Scale(vcl::be::U16(p + 4))} << 16 | uint32_t{Scale(vcl::be::U16(p + 2))} << 8 | Scale(vcl::be::U16(p));
  }
  uint32_t ScaledGrey(const uint8_t* p) const {
    const uint8_t v = Scale(vcl::be::U16(p));
    return uint32_t{v} << 16 | uint32_t{v} << 8 | v;
  }
};

void ReadBackgroundChunk(const TChunk& chunk, TPNGColours& colours) {
  const uint8_t type = colours.colourType;
  if ((type == 0 || type == 4) && chunk.ChunkLength >= 2)
    colours.clearColour = colours.ScaledGrey(chunk.ChunkData);
  else if ((type == 2 || type == 6) && chunk.ChunkLength >= 6)
    colours.clearColour = colours.ScaledRGB(chunk.ChunkData);
  else if (type == 3 && chunk.ChunkLength >= 1)
    colours.backgroundIndex = chunk.ChunkData[0];
}

// A grey or RGB key colour; the alpha values of palette entries are not applied.
void ReadTransparencyChunk(const TChunk& chunk, TPNGColours& colours) {
  if (colours.colourType == 0 && chunk.ChunkLength >= 2)
    colours.keyColour = colours.ScaledGrey(chunk.ChunkData);
  else if (colours.colourType == 2 && chunk.ChunkLength >= 6)
    colours.keyColour = colours.ScaledRGB(chunk.ChunkData);
}

// Inflates the image data a row at a time straight from its chunks where they lie in the file:
// neither the compressed data nor the whole filtered image is ever copied whole (fresh memory
// for a large picture costs more than inflating it).
class TImageDataInflater {
 public:
  explicit TImageDataInflater(const std::vector<TChunk>& imageData) : imageData_(imageData) {
    inflater_.DecodeInit();
    if (!imageData.empty()) ChunkSource = imageData[0].ChunkData, sourceLeft_ = imageData[0].ChunkLength;
  }

  // Exactly `count` bytes into `out`, going on into the next chunk as one runs out; data that
  // ends first raises.
  void InflateRow(uint8_t* out, size_t count) {
    uint8_t* t = out;
    uint8_t* const end = out + count;
    while (t != end) {
      while (sourceLeft_ == 0 && chunkIndex_ + 1 < imageData_.size()) {
        ++chunkIndex_;
        ChunkSource = imageData_[chunkIndex_].ChunkData;
        sourceLeft_ = imageData_[chunkIndex_].ChunkLength;
      }
      const uint8_t* s = ChunkSource;
      uint8_t* const before = t;
      try {
        inflater_.Decode(s, t, static_cast<int32_t>(sourceLeft_), static_cast<int32_t>(end - t));
      } catch (const EGraphicCompression&) {
        RaiseGraphicErrorFmt(messages::gesCompression, "PNG");
      }
      // Neither read nor written: the data has ended before the image.
      if (s == ChunkSource && t == before) RaiseGraphicErrorFmt(messages::gesStreamReadError, "PNG");
      sourceLeft_ -= static_cast<uint32_t>(s - ChunkSource);
      ChunkSource = s;
    }
  }

  void End() { inflater_.DecodeEnd(); }

 private:
  TLZ77Decoder inflater_{1, false};
  const std::vector<TChunk>& imageData_;
  size_t chunkIndex_ = 0;
  const uint8_t* ChunkSource = nullptr;  // the inflater's read position in the current chunk
  uint32_t sourceLeft_ = 0;
};

}  // namespace

TPNGGraphic::TPNGGraphic() = default;
TPNGGraphic::~TPNGGraphic() = default;

bool TPNGGraphic::CanLoadStream(vcl::TStream* stream) {
  const int64_t at = stream->Position();
  uint8_t b[8];
  const bool ok = stream->Size() - at > 8 && stream->Read(b, 8) == 8 && std::memcmp(b, kPNGSignature, 8) == 0;
  stream->SetPosition(at);
  return ok;
}

bool TPNGGraphic::ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) {
  inherited::ReadImageProperties(stream, imageIndex);
  SourceStream = stream;
  uint8_t b[8 + 8 + 13 + 4];
  if (stream->Read(b, sizeof b) != sizeof b || std::memcmp(b, kPNGSignature, 8) != 0) return false;
  if (vcl::be::U32(b + 8) != 13 || std::memcmp(b + 12, "IHDR", 4) != 0) return false;
  if (crc32(0, b + 12, 17) != vcl::be::U32(b + 29)) RaiseGraphicErrorFmt(messages::gesInvalidCRC, "PNG");
  const uint8_t* h = b + 16;
  const uint32_t width = vcl::be::U32(h), height = vcl::be::U32(h + 4);
  if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return false;
  ImageProps.ImageFlags.Include(ifMotorola);
  ImageProps.ImageWidth = width;
  ImageProps.ImageHeight = height;
  ImageProps.Packing = h[10] == 0 ? pkDeflate : pkUnknown;
  ImageProps.SampleBits = h[8];
  ImageProps.SampleCount = 1;
  switch (h[9]) {
    case 0: ImageProps.Scheme = scGray; break;
    case 2: ImageProps.Scheme = scRGB, ImageProps.SampleCount = 3; break;
    case 3: ImageProps.Scheme = scIndexed; break;
    case 4: ImageProps.Scheme = scGrayAlpha; break;
    case 6: ImageProps.Scheme = scRGBA, ImageProps.SampleCount = 4; break;
    default: ImageProps.Scheme = scUnknown; break;
  }
  ImageProps.PixelBits = static_cast<uint8_t>(ImageProps.SampleCount * ImageProps.SampleBits);
  ImageProps.FilterMethod = h[11];
  ImageProps.IsInterlaced = h[12] != 0;
  ImageProps.AlphaPresent = ImageProps.Scheme == scGrayAlpha || ImageProps.Scheme == scRGBA;
  // A gamma chunk comes before the image data; the walk stops there or at damage.
  while (true) {
    uint8_t head[8];
    if (stream->Read(head, 8) != 8) break;
    const uint32_t length = vcl::be::U32(head);
    if (length > stream->Size() - stream->Position()) break;
    if (std::memcmp(head + 4, "IDAT", 4) == 0 || std::memcmp(head + 4, "IEND", 4) == 0) break;
    if (std::memcmp(head + 4, "gAMA", 4) == 0 && length == 4) {
      uint8_t g[4];
      if (stream->Read(g, 4) != 4) break;
      ImageProps.Gamma = static_cast<float>(vcl::be::U32(g)) / 100000.0f;
      break;
    }
    stream->Seek(int64_t{length} + 4, vcl::soCurrent);
  }
  return true;
}

void TPNGGraphic::LoadFromStream(vcl::TStream* stream) {
  BeginLoad(stream, "PNG");
  const uint32_t width = ImageProps.ImageWidth, height = ImageProps.ImageHeight;
  ProgressArea = vcl::Rect(0, 0, static_cast<int>(std::min<uint32_t>(width, 0x7FFFFFFF)), 1);
  ProgressStarting(messages::gesPreparing);
  if (ImageProps.Packing != pkDeflate)
    RaiseGraphicErrorFmt(messages::gesUnsupportedFeature, messages::gesCompressionScheme, "PNG");

  // The file from its signature on, held in memory so that every chunk is checked against it.
  const int64_t size = stream->Size() - StartOffset;
  if (size > 0x7FFFFFFF) RaiseGraphicErrorFmt(messages::gesInvalidImage, "PNG");
  std::vector<uint8_t> file(static_cast<size_t>(size));
  stream->SetPosition(StartOffset);
  stream->ReadBuffer(file.data(), static_cast<int32_t>(size));

  TChunkReader chunks(file.data() + 8, file.size() - 8);
  TChunk chunk;
  chunks.Next(chunk);  // IHDR, checked by ReadImageProperties
  const uint8_t depth = ImageProps.SampleBits;
  const uint8_t colourType = chunk.ChunkData[9];

  // The colour set-up: the file's samples to the bitmap's pixels.
  TColorManager* cm = ColourConverter();
  uint32_t samples = 1;
  const uint32_t bpp = PrepareColourSetup(cm, colourType, depth, samples);
  const vcl::TPixelFormat format = colourType == 4 ? vcl::pf8bit : cm->PixelFormatForTarget();
  TPNGColours colours{colourType, depth};
  // The chunks up to the image data, then all the image data.
  std::vector<uint8_t> palette;  // red, green, blue triples
  // The image data chunks, inflated in turn where they lie in the file.
  std::vector<TChunk> imageData;
  uint64_t compressedSize = 0;
  bool inData = false, dataDone = false, ended = false;
  while (!ended && chunks.Next(chunk)) {
    if (chunk.Is("IDAT")) {
      if (dataDone) RaiseGraphicError(messages::gesUnknownCriticalChunk);  // image data split by another chunk
      inData = true;
      imageData.push_back(chunk);
      compressedSize += chunk.ChunkLength;
      continue;
    }
    if (inData) dataDone = true;
    if (chunk.Is("IEND")) {
      ended = true;
    } else if (chunk.Is("PLTE")) {
      if (chunk.ChunkLength % 3 != 0 || chunk.ChunkLength == 0 || chunk.ChunkLength > 768)
        RaiseGraphicErrorFmt(messages::gesInvalidPalette, "PNG");
      palette.assign(chunk.ChunkData, chunk.ChunkData + chunk.ChunkLength);
    } else if (chunk.Is("gAMA")) {
      if (chunk.ChunkLength == 4 && vcl::be::U32(chunk.ChunkData) != 0) {
        cm->SetGammaValues(static_cast<float>(vcl::be::U32(chunk.ChunkData)) / 100000.0f, 2.2f);
        cm->TargetOptions.Include(cvoApplyGamma);
        ImageProps.ImageFlags.Include(ifGammaGiven);
      }
    } else if (chunk.Is("bKGD")) {
      ReadBackgroundChunk(chunk, colours);
    } else if (chunk.Is("tRNS")) {
      ReadTransparencyChunk(chunk, colours);
    } else if (chunk.Critical()) {
      RaiseGraphicError(messages::gesUnknownCriticalChunk);
    }
  }
  if (colourType == 3 && palette.empty()) RaiseGraphicErrorFmt(messages::gesInvalidPalette, "PNG");
  if (colours.backgroundIndex >= 0 && static_cast<size_t>(colours.backgroundIndex) * 3 + 2 < palette.size()) {
    const uint8_t* p = palette.data() + colours.backgroundIndex * 3;
    colours.clearColour = uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
  }

  // Bytes of the whole filtered image, pass by pass; checked against what inflating the data
  // could give before anything is allocated.
  const bool interlaced = ImageProps.IsInterlaced;
  auto rowBytes = [&](uint64_t pixels) { return (pixels * depth * samples + 7) / 8; };
  auto passWidth = [&](const TPass& p) -> uint64_t {
    return p.column < width ? (uint64_t{width} - p.column + p.columnStep - 1) / p.columnStep : 0;
  };
  auto passHeight = [&](const TPass& p) -> uint64_t {
    return p.row < height ? (uint64_t{height} - p.row + p.rowStep - 1) / p.rowStep : 0;
  };
  const TPass* passes = interlaced ? kAdam7 : &kPlain;
  const int passCount = interlaced ? 7 : 1;
  uint64_t total = 0;
  for (int i = 0; i < passCount; ++i)
    if (passWidth(passes[i])) total += (rowBytes(passWidth(passes[i])) + 1) * passHeight(passes[i]);
  if (total > compressedSize * 1032 + 1024 || total > 0x7FFFFFFF)
    RaiseGraphicErrorFmt(messages::gesStreamReadError, "PNG");

  try {
    SetPixelFormat(format);
    if (format == vcl::pf1bit || format == vcl::pf4bit || format == vcl::pf8bit) {
      if (colourType == 3) {
        const void* planes[] = {palette.data()};
        SetPalette(cm->BuildColorPalette(planes, plPacked8x3, static_cast<uint32_t>(palette.size() / 3), false));
      } else {
        SetPalette(cm->BuildGrayPalette(false));
      }
    }
    SetSize(static_cast<int>(width), static_cast<int>(height));
    ProgressEnding();
    ProgressStarting(messages::gesTransfering);
    // Rows the data does not reach would show the background.
    Canvas()->Brush()->SetColor(ToColour(colours.clearColour));
    Canvas()->FillRect(vcl::Rect(0, 0, static_cast<int>(width), static_cast<int>(height)));
    if (colours.keyColour != kNoKey) {
      SetTransparentColor(ToColour(colours.keyColour));
      SetTransparentMode(vcl::tmFixed);
      SetTransparent(true);
    }

    // The data is inflated a row at a time straight from its chunks: neither the compressed
    // data nor the whole filtered image is ever copied whole. Fresh memory for a large picture
    // costs more than inflating it.
    TImageDataInflater inflater(imageData);
    for (int i = 0; i < passCount; ++i) {
      const TPass& p = passes[i];
      const uint64_t pw = passWidth(p), ph = passHeight(p);
      if (pw == 0 || ph == 0) continue;
      const size_t size = static_cast<size_t>(rowBytes(pw));
      // This row (its filter byte first) and the one above it, unfiltered.
      std::vector<uint8_t> current(size + 1), previous(size + 1, 0);
      for (uint64_t r = 0; r < ph; ++r) {
        inflater.InflateRow(current.data(), size + 1);
        uint8_t* row = current.data() + 1;
        UnfilterRow(current[0], row, previous.data() + 1, size, bpp);
        const uint32_t y = static_cast<uint32_t>(p.row + r * p.rowStep);
        uint8_t* line = static_cast<uint8_t*>(ScanLine(static_cast<int>(y)));
        // The converter places a pass's pixels at the columns its mask names.
        cm->ConvertLine(row, line, width, p.mask);
        if (!interlaced || i == 6) ProgressRow(y);
        current.swap(previous);
      }
    }
    inflater.End();
    ProgressEnding();
  } catch (...) {
    SetHandle(nullptr);
    throw;
  }
}

}  // namespace formats
