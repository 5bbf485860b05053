// The PNG reader: the pre-scan, the chunk loop, the image data and the row filters.
#include "skin/engine/png/png_graphic.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "skin/engine/png/png_crc.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace skin::png {

namespace {

using vcl::EInvalidGraphic;

constexpr uint8_t kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
// Deflate cannot expand data by more than about 1032 to 1: an image needs at least this share
// of its pixel bytes in the file, so a header claiming more is rejected before any allocation.
constexpr int64_t kMaxInflateRatio = 1032;
// The largest pixel block a bitmap may hold (the platform's own limit for DIBs).
constexpr int64_t kMaxPixelBytes = 0x7FFFFFFF;

[[noreturn]] void InvalidFormat() {
  throw EInvalidGraphic("Cannot load image. Invalid or unexpected PNG image format.");
}

// A sample of `depth` bits as an 8-bit level (values above the depth's range count as its top).
uint8_t Level8(uint32_t sample, int depth) {
  if (depth >= 16) return uint8_t(sample * 255 / 65535);
  if (depth == 8) return uint8_t(sample & 0xFF);
  const uint32_t top = (1u << depth) - 1;
  return uint8_t(std::min(sample, top) * 255 / top);
}

uint32_t RGBColor(uint8_t r, uint8_t g, uint8_t b) { return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16; }

uint8_t Paeth(uint8_t a, uint8_t b, uint8_t c) {
  const int p = int(a) + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  if (pb <= pc) return b;
  return c;
}

// Undoes the row filter in place; bytes left of the row's start count as 0.
void UnfilterRow(uint8_t filter, uint8_t* row, size_t length, size_t bpp, const uint8_t* previous) {
  switch (filter) {
    case 1:
      for (size_t i = bpp; i < length; ++i) row[i] = uint8_t(row[i] + row[i - bpp]);
      break;
    case 2:
      for (size_t i = 0; i < length; ++i) row[i] = uint8_t(row[i] + previous[i]);
      break;
    case 3:
      for (size_t i = 0; i < length; ++i) {
        const unsigned left = i >= bpp ? row[i - bpp] : 0;
        row[i] = uint8_t(row[i] + ((left + previous[i]) >> 1));
      }
      break;
    case 4:
      for (size_t i = 0; i < length; ++i) {
        const uint8_t left = i >= bpp ? row[i - bpp] : 0, upLeft = i >= bpp ? previous[i - bpp] : 0;
        row[i] = uint8_t(row[i] + Paeth(left, previous[i], upLeft));
      }
      break;
    default:  // 0, and unknown types leave the row as stored
      break;
  }
}

struct Adam7Pass {
  int startRow, startColumn, rowStep, columnStep;
  uint8_t mask;
};
constexpr Adam7Pass kPasses[7] = {{0, 0, 8, 8, 0x80}, {0, 4, 8, 8, 0x08}, {4, 0, 8, 4, 0x88}, {0, 2, 4, 4, 0x22},
                                  {2, 0, 4, 2, 0xAA}, {0, 1, 2, 2, 0x55}, {1, 0, 2, 1, 0xFF}};

}  // namespace

TPNGGraphic::TPNGGraphic() : colorManager_(std::make_unique<TColorManager>()) {}

TPNGGraphic::~TPNGGraphic() {
  if (pendingPalette_) DeleteObject(pendingPalette_);
}

void TPNGGraphic::Assign(vcl::TPersistent* source) {
  if (auto* png = dynamic_cast<TPNGGraphic*>(source)) properties_ = png->properties_;
  inherited::Assign(source);
}

// ---- chunks

void TPNGGraphic::ReadChunkHead() {
  uint8_t head[8];
  stream_->ReadBuffer(head, 8);
  header_.Length = vcl::be::U32(head);
  std::memcpy(header_.Type, head + 4, 4);
  // A length is followed by its data and a 4-byte CRC, which must be in the stream.
  const int64_t remaining = stream_->Size() - stream_->Position();
  if (header_.Length > 0x7FFFFFFFu || int64_t(header_.Length) + 4 > remaining) InvalidFormat();
  crc_ = UpdateCrc32(0, header_.Type, 4);
}

void TPNGGraphic::ReadChunkBody() {
  chunkData_.resize(header_.Length);
  if (header_.Length) stream_->ReadBuffer(chunkData_.data(), int32_t(header_.Length));
  uint8_t stored[4];
  stream_->ReadBuffer(stored, 4);
  crc_ = UpdateCrc32(crc_, chunkData_.data(), chunkData_.size());
  if (crc_ != vcl::be::U32(stored)) throw EInvalidGraphic("Cannot load image. CRC error found in PNG file.");
}

void TPNGGraphic::SkipChunk() { stream_->Seek(int64_t(header_.Length) + 4, vcl::soCurrent); }

bool TPNGGraphic::ChunkIs(const char* type) const {
  uint32_t have, want;
  std::memcpy(&have, header_.Type, 4);
  std::memcpy(&want, type, 4);
  return ((have ^ want) & 0xDFDFDFDFu) == 0;
}

bool TPNGGraphic::ScanProperties() {
  properties_ = TPNGProperties{};
  uint8_t signature[8];
  stream_->ReadBuffer(signature, 8);
  if (std::memcmp(signature, kSignature, 8) != 0) return false;
  ReadChunkHead();
  if (!ChunkIs("IHDR")) return false;
  properties_.Options |= 1;
  ReadChunkBody();
  if (chunkData_.size() < 13) return false;
  const uint8_t* d = chunkData_.data();
  const uint32_t width = vcl::be::U32(d), height = vcl::be::U32(d + 4);
  if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) return false;
  properties_.Width = width;
  properties_.Height = height;
  properties_.BitsPerSample = d[8];
  switch (d[9]) {
    case 0: properties_.ColorScheme = schGray; break;
    case 2: properties_.ColorScheme = schRGB; break;
    case 3: properties_.ColorScheme = schIndexed; break;
    case 4: properties_.ColorScheme = schGrayAlpha; break;
    case 6: properties_.ColorScheme = schRGBA; break;
    default: properties_.ColorScheme = schUnknown; break;
  }
  properties_.Compression = d[10] == 0 ? 2 : 0;
  properties_.FilterMode = d[11];
  properties_.Interlaced = d[12] != 0;
  properties_.HasAlpha =
      properties_.ColorScheme == schGrayAlpha || properties_.ColorScheme == schRGBA || properties_.ColorScheme == schBGRA;
  for (;;) {
    ReadChunkHead();
    if (ChunkIs("gAMA")) {
      ReadChunkBody();
      if (chunkData_.size() >= 4) properties_.FileGamma = float(vcl::be::U32(chunkData_.data()) / 100000.0);
      return true;
    }
    if (ChunkIs("IEND")) return true;
    SkipChunk();
  }
}

// ---- colour set-up

int TPNGGraphic::ConfigureColorManager(uint8_t colorType, uint8_t bitDepth) {
  TColorManager& cm = *colorManager_;
  auto invalid = [] { throw EInvalidGraphic("Invalid color format in PNG file."); };
  auto lowDepthTarget = [](uint8_t depth) -> uint8_t { return depth == 2 ? 4 : depth; };
  int bytesPerPixel = 1;
  bool grayPalette = false;
  switch (colorType) {
    case 0:
      if (bitDepth != 1 && bitDepth != 2 && bitDepth != 4 && bitDepth != 8 && bitDepth != 16) invalid();
      cm.SetSourceColorScheme(schGray), cm.SetTargetColorScheme(schGray);
      cm.SetSourceSamplesPerPixel(1), cm.SetTargetSamplesPerPixel(1);
      cm.SetSourceBitsPerSample(bitDepth), cm.SetTargetBitsPerSample(bitDepth == 16 ? 8 : lowDepthTarget(bitDepth));
      bytesPerPixel = (bitDepth + 7) / 8;
      grayPalette = true;
      break;
    case 2:
      if (bitDepth != 8 && bitDepth != 16) invalid();
      cm.SetSourceColorScheme(schRGB), cm.SetTargetColorScheme(schBGR);
      cm.SetSourceSamplesPerPixel(3), cm.SetTargetSamplesPerPixel(3);
      cm.SetSourceBitsPerSample(bitDepth), cm.SetTargetBitsPerSample(8);
      bytesPerPixel = 3 * bitDepth / 8;
      break;
    case 3:
      if (bitDepth != 1 && bitDepth != 2 && bitDepth != 4 && bitDepth != 8) invalid();
      cm.SetSourceColorScheme(schIndexed), cm.SetTargetColorScheme(schIndexed);
      cm.SetSourceSamplesPerPixel(1), cm.SetTargetSamplesPerPixel(1);
      cm.SetSourceBitsPerSample(bitDepth), cm.SetTargetBitsPerSample(lowDepthTarget(bitDepth));
      bytesPerPixel = 1;
      break;
    case 4:
      if (bitDepth != 8 && bitDepth != 16) invalid();
      cm.SetSourceColorScheme(schGrayAlpha), cm.SetTargetColorScheme(schIndexed);
      cm.SetSourceSamplesPerPixel(1), cm.SetTargetSamplesPerPixel(1);
      cm.SetSourceBitsPerSample(bitDepth), cm.SetTargetBitsPerSample(8);
      bytesPerPixel = 2 * bitDepth / 8;
      grayPalette = true;
      break;
    case 6:
      if (bitDepth != 8 && bitDepth != 16) invalid();
      cm.SetSourceColorScheme(schRGBA), cm.SetTargetColorScheme(schBGRA);
      cm.SetSourceSamplesPerPixel(4), cm.SetTargetSamplesPerPixel(4);
      cm.SetSourceBitsPerSample(bitDepth), cm.SetTargetBitsPerSample(8);
      bytesPerPixel = 4 * bitDepth / 8;
      break;
    default:
      invalid();
  }
  SetPixelFormat(cm.PixelFormatFor(true));
  if (grayPalette) {
    if (pendingPalette_) DeleteObject(pendingPalette_);
    pendingPalette_ = cm.CreateGrayPalette(false);
  }
  configured_ = true;
  return std::max(bytesPerPixel, 1);
}

// ---- ancillary chunks

void TPNGGraphic::ReadTransparencyChunk() {
  // Short chunks are ignored rather than read past their end.
  const uint8_t* d = chunkData_.data();
  if (colorType_ == 0 && chunkData_.size() >= 2) {
    transparency_[0] = vcl::be::U16(d);
    hasTransparency_ = true;
  } else if (colorType_ == 2 && chunkData_.size() >= 6) {
    for (int k = 0; k < 3; ++k) transparency_[k] = vcl::be::U16(d + 2 * k);
    hasTransparency_ = true;
  }
}

void TPNGGraphic::ReadBackgroundChunk() {
  const uint8_t* d = chunkData_.data();
  if ((colorType_ == 0 || colorType_ == 4) && chunkData_.size() >= 2) {
    const uint8_t v = Level8(vcl::be::U16(d), bitDepth_);
    fillColor_ = RGBColor(v, v, v);
  } else if ((colorType_ == 2 || colorType_ == 6) && chunkData_.size() >= 6) {
    fillColor_ = RGBColor(Level8(vcl::be::U16(d), bitDepth_), Level8(vcl::be::U16(d + 2), bitDepth_), Level8(vcl::be::U16(d + 4), bitDepth_));
  } else if (colorType_ == 3 && chunkData_.size() >= 1 && pendingPalette_) {
    PALETTEENTRY e{};
    // 2-bit indexes stand in the palette spread over 16 entries at five times their value.
    const UINT index = bitDepth_ == 2 ? std::min<UINT>(d[0], 3) * 5 : d[0];
    if (GetPaletteEntries(pendingPalette_, index, 1, &e) == 1) fillColor_ = RGBColor(e.peRed, e.peGreen, e.peBlue);
  }
}

// The colour the key samples show in the bitmap: scaled to 8 bits as the rows are, and through
// the gamma table when the rows go through it, so that the key matches the pixels it names.
uint32_t TPNGGraphic::TransparentKey() const {
  const bool gamma = colorManager_->TargetOptions & optGamma;
  auto level = [&](uint16_t sample) {
    const uint8_t v = Level8(sample, bitDepth_);
    return gamma ? colorManager_->GammaTable()[v] : v;
  };
  if (colorType_ == 0) {
    const uint8_t v = level(transparency_[0]);
    return RGBColor(v, v, v);
  }
  return RGBColor(level(transparency_[0]), level(transparency_[1]), level(transparency_[2]));
}

// ---- the load

void TPNGGraphic::LoadFromStream(vcl::TStream* stream) {
  SetHandle(nullptr);
  SetTransparent(false);
  basePosition_ = stream->Position();
  decoder_.reset();
  stream_ = stream;
  // Each load decodes by its own file alone: gamma from an earlier file does not carry over.
  colorManager_->TargetOptions &= ~optGamma;
  colorManager_->SetGamma(1.0f, 2.2f);
  if (!ScanProperties()) InvalidFormat();
  stream->SetPosition(basePosition_ + 8);
  progressRect_ = vcl::Rect(0, 0, int(properties_.Width), 1);
  Progress(this, vcl::psStarting, 0, false, progressRect_, "Preparing...");
  if (pendingPalette_) DeleteObject(pendingPalette_);
  pendingPalette_ = nullptr;
  hasTransparency_ = false;
  fillColor_ = 0xFFFFFF;
  configured_ = false;
  inputPosition_ = nullptr;
  dataSize_ = 0;
  ReadChunkHead();
  colorManager_->SourceOptions = optSwap16;
  try {
    ReadChunkBody();
    if (chunkData_.size() < 13) InvalidFormat();
    const uint8_t* d = chunkData_.data();
    LoadBody(d[9], d[8], d[12]);
  } catch (...) {
    if (decoder_) {
      try {
        decoder_->DecodeEnd();
      } catch (...) {
      }
      decoder_.reset();
    }
    std::vector<uint8_t>().swap(chunkData_);
    if (pendingPalette_) DeleteObject(pendingPalette_);
    pendingPalette_ = nullptr;
    stream_ = nullptr;
    Progress(this, vcl::psEnding, 0, false, progressRect_, "");
    try {
      throw;
    } catch (const std::bad_alloc&) {
      // Sizes are bounded by the stream, but a large image may still not fit in memory.
      throw vcl::EOutOfMemory("Out of memory");
    }
  }
  decoder_->DecodeEnd();
  decoder_.reset();
  std::vector<uint8_t>().swap(chunkData_);
  stream_ = nullptr;
  Progress(this, vcl::psEnding, 0, false, progressRect_, "");
}

void TPNGGraphic::LoadBody(uint8_t colorType, uint8_t bitDepth, uint8_t interlace) {
  colorType_ = colorType;
  bitDepth_ = bitDepth;
  interlace_ = interlace;
  if (properties_.Compression != 2)
    throw EInvalidGraphic("Cannot load image. The compression scheme is not supported for PNG files.");
  decoder_ = std::make_unique<TLZ77Decoder>(1, false);
  decoder_->DecodeInit();
  for (;;) {
    ReadChunkHead();
    if (ChunkIs("IDAT")) {
      Progress(this, vcl::psEnding, 0, false, progressRect_, "");
      ReadImageData();
      // The chunk after the image data is passed over unread, like any unknown chunk.
    } else if (ChunkIs("PLTE")) {
      if (header_.Length % 3 != 0) throw EInvalidGraphic("Cannot load image. Palette in PNG file is invalid.");
      ReadChunkBody();
      if (colorType_ == 3) {
        bytesPerPixel_ = ConfigureColorManager(colorType_, bitDepth_);
        if (pendingPalette_) DeleteObject(pendingPalette_);
        pendingPalette_ = colorManager_->CreateColorPalette({chunkData_.data()}, pdf8Triples,
                                                            int32_t(chunkData_.size() / 3), false);
      }
      continue;
    } else if (ChunkIs("gAMA")) {
      ReadChunkBody();
      if (chunkData_.size() >= 4) {
        colorManager_->SetGamma(float(vcl::be::U32(chunkData_.data()) / 100000.0), 2.2f);
        colorManager_->TargetOptions |= optGamma;
        properties_.Options |= 2;
      }
      continue;
    } else if (ChunkIs("bKGD")) {
      ReadChunkBody();
      ReadBackgroundChunk();
      continue;
    } else if (ChunkIs("tRNS")) {
      ReadChunkBody();
      ReadTransparencyChunk();
      continue;
    }
    SkipChunk();
    if (ChunkIs("IEND")) return;
    if ((header_.Type[0] & 0x20) == 0)
      throw EInvalidGraphic("Cannot load PNG image. Unexpected but critical chunk detected.");
  }
}

void TPNGGraphic::ReadImageData() {
  Progress(this, vcl::psStarting, 0, false, progressRect_, "Transfering...");
  if (!configured_) bytesPerPixel_ = ConfigureColorManager(colorType_, bitDepth_);
  const int sampleBytes = bitDepth_ == 16 ? bytesPerPixel_ / 2 : bytesPerPixel_;
  const int64_t width = properties_.Width, height = properties_.Height;
  auto rowLength = [&](int64_t columns) { return (columns * bitDepth_ + 7) / 8 * sampleBytes + 1; };
  const int64_t fullRow = rowLength(width);

  // The image must fit a bitmap, and the rest of the stream must be able to hold its data.
  int bitCount = 32;
  switch (PixelFormat()) {
    case vcl::pf1bit: bitCount = 1; break;
    case vcl::pf4bit: bitCount = 4; break;
    case vcl::pf8bit: bitCount = 8; break;
    case vcl::pf24bit: bitCount = 24; break;
    default: break;
  }
  const int64_t stride = (width * bitCount + 31) / 32 * 4;
  const int64_t remaining = stream_->Size() - stream_->Position();
  if (stride > kMaxPixelBytes / height || (fullRow - 1) > (remaining + 1) * kMaxInflateRatio / height)
    InvalidFormat();

  if (pendingPalette_) {
    SetPalette(pendingPalette_);
    pendingPalette_ = nullptr;
  }
  SetSize(int(width), int(height));
  Canvas()->Brush()->SetColor(vcl::TColor(fillColor_));
  Canvas()->FillRect(vcl::Rect(0, 0, int(width), int(height)));
  if (hasTransparency_) {
    SetTransparentColor(vcl::TColor(TransparentKey()));
    SetTransparent(true);
  }

  std::vector<uint8_t> current(size_t(fullRow), 0), previous(size_t(fullRow), 0);
  const size_t bpp = size_t(bytesPerPixel_);
  auto onRow = [&](int64_t y, int64_t length, uint8_t mask) {
    InflateRow(current.data(), size_t(length));
    UnfilterRow(current[0], current.data() + 1, size_t(length - 1), bpp, previous.data() + 1);
    colorManager_->ConvertRow(current.data() + 1, ScanLine(int(y)), int32_t(width), mask);
    std::swap(current, previous);
  };
  auto report = [&](int64_t rowsDone) {
    Progress(this, vcl::psRunning, uint8_t(MulDiv(int(std::min(rowsDone, height)), 100, int(height))), true,
             progressRect_, "");
    OffsetRect(&progressRect_, 0, 1);
  };
  if (interlace_ == 1) {
    for (int p = 0; p < 7; ++p) {
      const Adam7Pass& pass = kPasses[p];
      if (pass.startColumn >= width) continue;
      const int64_t columns = (width - pass.startColumn + pass.columnStep - 1) / pass.columnStep;
      const int64_t length = rowLength(columns);
      // The row before a pass's first row counts as zeros.
      std::fill(previous.begin(), previous.end(), 0);
      for (int64_t y = pass.startRow; y < height; y += pass.rowStep) {
        onRow(y, length, pass.mask);
        if (p == 6) report(y + pass.rowStep);
      }
    }
  } else {
    for (int64_t y = 0; y < height; ++y) {
      onRow(y, fullRow, 0xFF);
      report(y);
    }
  }
  // Image data chunks after the last row are checked and dropped.
  while (ChunkIs("IDAT")) {
    ReadChunkBody();
    ReadChunkHead();
  }
}

void TPNGGraphic::InflateRow(uint8_t* row, size_t length) {
  uint8_t* out = row;
  auto left = [&]() -> uint32_t { return dataSize_ - uint32_t(inputPosition_ - chunkData_.data()); };
  while (size_t(out - row) < length) {
    if (!inputPosition_ || left() == 0) {
      // The next image data chunk; empty ones are passed over.
      dataSize_ = 0;
      inputPosition_ = nullptr;
      while (dataSize_ == 0 && ChunkIs("IDAT")) {
        ReadChunkBody();
        inputPosition_ = chunkData_.data();
        dataSize_ = header_.Length;
        ReadChunkHead();
      }
    }
    // Without more input the inflater may still hold output of its own; once it can give none,
    // the image data has ended before the image.
    const bool noInput = !inputPosition_ || left() == 0;
    const uint8_t* in = inputPosition_ ? inputPosition_ : row;
    const uint8_t* before = out;
    decoder_->Decode(in, out, noInput ? 0 : left(), uint32_t(length - size_t(out - row)));
    if (inputPosition_) inputPosition_ = in;
    const int32_t status = decoder_->Status();
    if (status == 1) {
      if (size_t(out - row) < length || decoder_->AvailableInput() > 0)
        throw EInvalidGraphic("Cannot load image. Extra compressed data found in PNG file.");
      return;
    }
    if (noInput && (status == -5 || out == before))
      throw EInvalidGraphic("Cannot load image. Image data in PNG file ends before the image.");
    if (status != 0) throw EInvalidGraphic("Cannot load image. Compression error found in PNG file.");
  }
}

}  // namespace skin::png
