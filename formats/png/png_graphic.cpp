#include "formats/png/png_graphic.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/decoders/lz77_decoder.h"
#include "formats/png/png_colour_chunks.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace formats {

namespace {

constexpr uint8_t kPNGSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// One chunk of a file held in memory: its type and where its data lies.
struct TChunk {
  char ChunkType[5] = {};
  const uint8_t* ChunkData = nullptr;
  uint32_t ChunkLength = 0;
  // Chunk types are compared as they stand: the letters' case carries their properties.
  bool ChunkIs(const char* name) const { return std::memcmp(ChunkType, name, 4) == 0; }
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

// Inflates the image data a row at a time straight from its chunks where they lie in the file:
// neither the compressed data nor the whole filtered image is ever copied whole (fresh memory
// for a large picture costs more than inflating it).
class TImageDataInflater {
 public:
  explicit TImageDataInflater(const std::vector<TChunk>& imageData) : imageData_(imageData) {
    Inflater.DecodeInit();
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
        Inflater.Decode(s, t, static_cast<int32_t>(sourceLeft_), static_cast<int32_t>(end - t));
      } catch (const EGraphicCompression&) {
        RaiseGraphicErrorFmt(messages::gesCompression, "PNG");
      }
      // Neither read nor written: the data has ended before the image.
      if (s == ChunkSource && t == before) RaiseGraphicErrorFmt(messages::gesStreamReadError, "PNG");
      sourceLeft_ -= static_cast<uint32_t>(s - ChunkSource);
      ChunkSource = s;
    }
  }

  void End() { Inflater.DecodeEnd(); }

 private:
  TLZ77Decoder Inflater{1, false};
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


// What one load's steps share: the picture's layout and what the chunks before the image data
// said.
struct TPNGGraphic::TPNGLoad {
  uint32_t Width = 0, Height = 0;
  bool ImageInterlaced = false;
  uint8_t ColourType = 0, BitDepth = 0;
  uint32_t Samples = 1;              // samples per pixel in the file
  uint32_t SourceBytesPerPixel = 1;  // what the row filter works in
  vcl::TPixelFormat Format = vcl::pfDevice;
  TPNGColours Colours;
  std::vector<uint8_t> Palette;   // PLTE: red, green, blue triples
  std::vector<TChunk> ImageData;  // the IDAT chunks, where they lie in the file
  uint64_t CompressedSize = 0;

  const TPass* Passes() const { return ImageInterlaced ? kAdam7 : &kPlain; }
  int PassCount() const { return ImageInterlaced ? 7 : 1; }

  uint64_t RowBytes(uint64_t pixels) const { return (pixels * BitDepth * Samples + 7) / 8; }
  uint64_t PassWidth(const TPass& p) const {
    return p.column < Width ? (uint64_t{Width} - p.column + p.columnStep - 1) / p.columnStep : 0;
  }
  uint64_t PassHeight(const TPass& p) const {
    return p.row < Height ? (uint64_t{Height} - p.row + p.rowStep - 1) / p.rowStep : 0;
  }

  // The chunks after IHDR up to IEND: the palette, gamma, background and key colours, and
  // where the image data lies. Image data split by another chunk, an unknown critical chunk or
  // a bad palette raise.
  void ReadChunks(TChunkReader& chunks, TColorManager* cm, TImageFlags& flags) {
    TChunk chunk;
    bool inData = false, dataDone = false;
    while (chunks.Next(chunk)) {
      if (chunk.ChunkIs("IDAT")) {
        if (dataDone) RaiseGraphicError(messages::gesUnknownCriticalChunk);
        inData = true;
        ImageData.push_back(chunk);
        CompressedSize += chunk.ChunkLength;
        continue;
      }
      if (inData) dataDone = true;
      if (chunk.ChunkIs("IEND")) break;
      if (chunk.ChunkIs("PLTE")) {
        if (chunk.ChunkLength % 3 != 0 || chunk.ChunkLength == 0 || chunk.ChunkLength > 768)
          RaiseGraphicErrorFmt(messages::gesInvalidPalette, "PNG");
        Palette.assign(chunk.ChunkData, chunk.ChunkData + chunk.ChunkLength);
      } else if (chunk.ChunkIs("gAMA")) {
        if (chunk.ChunkLength == 4 && vcl::be::U32(chunk.ChunkData) != 0) {
          cm->SetGammaValues(static_cast<float>(vcl::be::U32(chunk.ChunkData)) / 100000.0f, 2.2f);
          cm->TargetOptions.Include(cvoApplyGamma);
          flags.Include(ifGammaGiven);
        }
      } else if (chunk.ChunkIs("bKGD")) {
        Colours.ReadBackgroundChunk(chunk.ChunkData, chunk.ChunkLength);
      } else if (chunk.ChunkIs("tRNS")) {
        Colours.ReadTransparencyChunk(chunk.ChunkData, chunk.ChunkLength);
      } else if (chunk.Critical()) {
        RaiseGraphicError(messages::gesUnknownCriticalChunk);
      }
    }
    if (ColourType == 3 && Palette.empty()) RaiseGraphicErrorFmt(messages::gesInvalidPalette, "PNG");
    Colours.ResolveBackgroundIndex(Palette);
  }

  // Bytes of the whole filtered image, pass by pass, checked against what inflating the data
  // could give before anything is allocated.
  void CheckImageDataSize() const {
    uint64_t total = 0;
    for (int i = 0; i < PassCount(); ++i) {
      const TPass& p = Passes()[i];
      if (PassWidth(p)) total += (RowBytes(PassWidth(p)) + 1) * PassHeight(p);
    }
    if (total > CompressedSize * 1032 + 1024 || total > 0x7FFFFFFF)
      RaiseGraphicErrorFmt(messages::gesStreamReadError, "PNG");
  }
};

void TPNGGraphic::LoadFromStream(vcl::TStream* stream) {
  BeginLoad(stream, "PNG");
  TPNGLoad load;
  load.Width = ImageProps.ImageWidth;
  load.Height = ImageProps.ImageHeight;
  load.ImageInterlaced = ImageProps.IsInterlaced;
  ProgressArea = vcl::Rect(0, 0, static_cast<int>(std::min<uint32_t>(load.Width, 0x7FFFFFFF)), 1);
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
  TChunk ihdr;
  chunks.Next(ihdr);  // checked by ReadImageProperties
  load.BitDepth = ImageProps.SampleBits;
  load.ColourType = ihdr.ChunkData[9];
  load.Colours.ColourType = load.ColourType;
  load.Colours.BitDepth = load.BitDepth;

  // The colour set-up: the file's samples to the bitmap's pixels.
  TColorManager* cm = ColourConverter();
  load.SourceBytesPerPixel = PrepareColourSetup(cm, load.ColourType, load.BitDepth, load.Samples);
  load.Format = load.ColourType == 4 ? vcl::pf8bit : cm->PixelFormatForTarget();
  load.ReadChunks(chunks, cm, ImageProps.ImageFlags);
  load.CheckImageDataSize();
  try {
    ReadImageData(load);
  } catch (...) {
    SetHandle(nullptr);
    throw;
  }
}

void TPNGGraphic::ReadImageData(TPNGLoad& load) {
  const uint32_t width = load.Width, height = load.Height;
  TColorManager* cm = ColourConverter();
  SetPixelFormat(load.Format);
  if (load.Format == vcl::pf1bit || load.Format == vcl::pf4bit || load.Format == vcl::pf8bit) {
    if (load.ColourType == 3) {
      const void* planes[] = {load.Palette.data()};
      SetPalette(cm->BuildColorPalette(planes, plPacked8x3, static_cast<uint32_t>(load.Palette.size() / 3), false));
    } else {
      SetPalette(cm->BuildGrayPalette(false));
    }
  }
  SetSize(static_cast<int>(width), static_cast<int>(height));
  ProgressEnding();
  ProgressStarting(messages::gesTransfering);
  // Rows the data does not reach would show the background.
  Canvas()->Brush()->SetColor(load.Colours.ClearColour);
  Canvas()->FillRect(vcl::Rect(0, 0, static_cast<int>(width), static_cast<int>(height)));
  if (load.Colours.KeyColour != kPNGNoKeyColour) {
    SetTransparentColor(load.Colours.KeyColour);
    SetTransparentMode(vcl::tmFixed);
    SetTransparent(true);
  }

  TImageDataInflater inflater(load.ImageData);
  for (int i = 0; i < load.PassCount(); ++i) {
    const TPass& p = load.Passes()[i];
    const uint64_t pw = load.PassWidth(p), ph = load.PassHeight(p);
    if (pw == 0 || ph == 0) continue;
    const size_t size = static_cast<size_t>(load.RowBytes(pw));
    // This row (its filter byte first) and the one above it, unfiltered.
    std::vector<uint8_t> current(size + 1), previous(size + 1, 0);
    for (uint64_t r = 0; r < ph; ++r) {
      inflater.InflateRow(current.data(), size + 1);
      uint8_t* row = current.data() + 1;
      UnfilterRow(current[0], row, previous.data() + 1, size, load.SourceBytesPerPixel);
      const uint32_t y = static_cast<uint32_t>(p.row + r * p.rowStep);
      uint8_t* line = static_cast<uint8_t*>(ScanLine(static_cast<int>(y)));
      // The converter places a pass's pixels at the columns its mask names.
      cm->ConvertLine(row, line, width, p.mask);
      if (!load.ImageInterlaced || i == 6) ProgressRow(y);
      current.swap(previous);
    }
  }
  inflater.End();
  ProgressEnding();
}

}  // namespace formats
