#include "formats/psd/psd_graphic.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/decoders/run_length_decoders.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace formats {

namespace {

constexpr int kPSDHeaderSize = 26;

struct TPSDHeader {
  uint16_t version, channels;
  uint32_t height, width;
  uint16_t bits, mode;
};

TPSDHeader ParsePSDHeader(const uint8_t* b) {
  return TPSDHeader{vcl::be::U16(b + 4), vcl::be::U16(b + 12), vcl::be::U32(b + 14), vcl::be::U32(b + 18), vcl::be::U16(b + 22), vcl::be::U16(b + 24)};
}

// The channels a mode is drawn from, or 0 when the mode has no pixels this reader can give.
uint32_t UsedChannels(const TPSDHeader& h) {
  switch (h.mode) {
    case 0: return h.bits == 1 ? 1 : 0;                          // bitmap
    case 1:
    case 8: return h.bits == 8 || h.bits == 16 ? 1 : 0;          // grey, duotone
    case 2: return h.bits == 8 ? 1 : 0;                          // indexed
    case 3:
    case 7:  // RGB with or without alpha, multichannel
      return (h.bits == 8 || h.bits == 16) && h.channels >= 3 ? std::min<uint32_t>(h.channels, 4) : 0;
    case 4: return h.bits == 8 || h.bits == 16 ? 4 : 0;          // CMYK
    case 9: return h.bits == 8 || h.bits == 16 ? 3 : 0;          // Lab
    default: return 0;
  }
}

[[noreturn]] void RaiseShortPSDData() { RaiseGraphicErrorFmt(messages::gesStreamReadError, "PSD"); }

// Reads a section length and checks that the section lies inside the stream.
bool ReadSection(vcl::TStream* stream, uint32_t& length) {
  uint8_t b[4];
  if (stream->Read(b, 4) != 4) return false;
  length = vcl::be::U32(b);
  return length <= stream->Size() - stream->Position();
}

}  // namespace

TPSDGraphic::TPSDGraphic() = default;
TPSDGraphic::~TPSDGraphic() = default;

bool TPSDGraphic::CanLoadStream(vcl::TStream* stream) {
  const int64_t at = stream->Position();
  uint8_t b[kPSDHeaderSize];
  bool ok = stream->Size() - at > kPSDHeaderSize && stream->Read(b, kPSDHeaderSize) == kPSDHeaderSize;
  if (ok) {
    char signature[4];
    for (int i = 0; i < 4; ++i) signature[i] = static_cast<char>(std::toupper(b[i]));
    ok = std::memcmp(signature, "8BPS", 4) == 0 && vcl::be::U16(b + 4) == 1;
  }
  stream->SetPosition(at);
  return ok;
}

bool TPSDGraphic::ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) {
  inherited::ReadImageProperties(stream, imageIndex);
  uint8_t b[kPSDHeaderSize];
  if (stream->Read(b, kPSDHeaderSize) != kPSDHeaderSize || std::memcmp(b, "8BPS", 4) != 0) return false;
  const TPSDHeader h = ParsePSDHeader(b);
  const uint32_t used = UsedChannels(h);
  if (h.version != 1 || used == 0 || h.channels < used || h.width == 0 || h.height == 0 || h.width > 300000 ||
      h.height > 300000)
    return false;
  ImageProps.ImageFlags.Include(ifMotorola);
  if (h.mode == 0) ImageProps.ImageFlags.Include(ifMinIsWhite);
  ImageProps.SampleBits = static_cast<uint8_t>(h.bits);
  ImageProps.ChannelTotal = static_cast<uint8_t>(std::min<uint16_t>(h.channels, 255));
  ImageProps.SampleCount = static_cast<uint8_t>(used);
  ImageProps.PixelBits = static_cast<uint8_t>(used * h.bits);
  switch (h.mode) {
    case 2: ImageProps.Scheme = scIndexed; break;
    case 3:
    case 7: ImageProps.Scheme = used == 3 ? scRGB : scRGBA; break;
    case 4: ImageProps.Scheme = scCMYK; break;
    case 9: ImageProps.Scheme = scCIELab; break;
    default: ImageProps.Scheme = scGray; break;
  }
  ImageProps.AlphaPresent = ImageProps.Scheme == scRGBA;
  ImageProps.ImageWidth = h.width;
  ImageProps.ImageHeight = h.height;
  uint32_t length;
  for (int section = 0; section < 3; ++section) {
    if (!ReadSection(stream, length)) return false;
    stream->Seek(length, vcl::soCurrent);
  }
  uint8_t compression[2];
  if (stream->Read(compression, 2) != 2) return false;
  ImageProps.Packing = vcl::be::U16(compression) == 1 ? pkPackBits : pkNone;
  return true;
}

void TPSDGraphic::LoadFromStream(vcl::TStream* stream) {
  BeginLoad(stream, "PSD or PDD");
  stream->SetPosition(StartOffset);
  const uint32_t width = ImageProps.ImageWidth, height = ImageProps.ImageHeight;
  ProgressArea = vcl::Rect(0, 0, static_cast<int>(width), 1);
  ProgressStarting(messages::gesPreparing);
  uint8_t b[kPSDHeaderSize];
  if (stream->Read(b, kPSDHeaderSize) != kPSDHeaderSize) RaiseShortPSDData();
  const TPSDHeader h = ParsePSDHeader(b);
  const TColorSchemeKind scheme = ImageProps.Scheme;
  const uint32_t used = ImageProps.SampleCount;
  const bool bitmapMode = h.bits == 1;

  // 16-bit samples are brought to 8 bits here, so the converter always sees bytes.
  TColorManager* cm = ColourConverter();
  cm->SourceOptions = TColorOptions{};
  cm->TargetOptions = TColorOptions{};
  cm->SetSourceScheme(scheme);
  cm->SetSourceBitsPerSample(bitmapMode ? 1 : 8);
  cm->SetTargetBitsPerSample(bitmapMode ? 1 : 8);
  cm->SetSourceSampleCount(static_cast<uint8_t>(used));
  cm->SetTargetSampleCount(static_cast<uint8_t>(used));
  switch (scheme) {
    case scRGB: cm->SetTargetScheme(scBGR); break;
    case scRGBA: cm->SetTargetScheme(scBGRA); break;
    case scCMYK:
      cm->SetTargetScheme(scBGR);
      cm->SetTargetSampleCount(3);
      break;
    case scCIELab:
      cm->SetTargetScheme(scBGR);
      cm->SourceOptions.Include(cvoLabByteRange);
      cm->SourceOptions.Include(cvoLabChromaOffset);
      break;
    default: cm->SetTargetScheme(scheme); break;
  }
  const vcl::TPixelFormat format = cm->PixelFormatForTarget();

  try {
    SetPixelFormat(format);
    // Colour mode data: the palette of indexed files, three planes of up to 256 entries.
    uint32_t length = 0;
    if (!ReadSection(stream, length)) RaiseShortPSDData();
    if (scheme == scIndexed) {
      const uint32_t entries = std::min<uint32_t>(length / 3, 256);
      std::vector<uint8_t> block(entries * 3);
      if (stream->Read(block.data(), static_cast<int32_t>(block.size())) != static_cast<int32_t>(block.size()))
        RaiseShortPSDData();
      stream->Seek(length - entries * 3, vcl::soCurrent);
      if (entries > 0) {
        const void* planes[] = {block.data(), block.data() + entries, block.data() + 2 * entries};
        SetPalette(cm->BuildColorPalette(planes, plPlanar8x3, entries, false));
      }
    } else {
      stream->Seek(length, vcl::soCurrent);
      if (scheme == scGray) SetPalette(cm->BuildGrayPalette(ImageProps.ImageFlags.Contains(ifMinIsWhite)));
    }
    for (int section = 0; section < 2; ++section) {
      if (!ReadSection(stream, length)) RaiseShortPSDData();
      stream->Seek(length, vcl::soCurrent);
    }
    stream->Seek(2, vcl::soCurrent);  // the compression word, read with the header

    // Planes of the channels used, each height rows of rowBytes.
    const uint32_t sampleBytes = h.bits == 16 ? 2 : 1;
    const uint64_t rowBytes = bitmapMode ? (width + 7) / 8 : uint64_t{width} * sampleBytes;
    const uint64_t planeBytes = rowBytes * height;
    const int64_t left = stream->Size() - stream->Position();
    std::vector<uint8_t> planes;
    if (ImageProps.Packing == pkPackBits) {
      // One packed length per row of every channel; the used channels come first.
      const uint64_t tableBytes = uint64_t{height} * h.channels * 2;
      if (tableBytes > static_cast<uint64_t>(left)) RaiseShortPSDData();
      std::vector<uint8_t> table(static_cast<size_t>(tableBytes));
      stream->ReadBuffer(table.data(), static_cast<int32_t>(tableBytes));
      uint64_t packed = 0;
      for (uint64_t i = 0; i < uint64_t{height} * used; ++i) packed += vcl::be::U16(table.data() + i * 2);
      // A packed pair gives at most 128 bytes.
      if (packed > static_cast<uint64_t>(left) - tableBytes || planeBytes * used > packed * 64 + 64)
        RaiseShortPSDData();
      std::vector<uint8_t> data(static_cast<size_t>(packed));
      stream->ReadBuffer(data.data(), static_cast<int32_t>(packed));
      planes.assign(static_cast<size_t>(planeBytes * used), 0);
      TPackbitsRLEDecoder decoder;
      decoder.DecodeInit();
      const uint8_t* s = data.data();
      for (uint64_t i = 0; i < uint64_t{height} * used; ++i) {
        const uint16_t count = vcl::be::U16(table.data() + i * 2);
        const uint8_t* rowSource = s;
        uint8_t* rowTarget = planes.data() + i * rowBytes;
        decoder.Decode(rowSource, rowTarget, count, static_cast<int32_t>(rowBytes));
        s += count;
      }
      decoder.DecodeEnd();
    } else {
      if (planeBytes * used > static_cast<uint64_t>(left)) RaiseShortPSDData();
      planes.resize(static_cast<size_t>(planeBytes * used));
      stream->ReadBuffer(planes.data(), static_cast<int32_t>(planes.size()));
    }
    if (sampleBytes == 2) {  // big-endian 16-bit samples to bytes, rounded
      const size_t samples = planes.size() / 2;
      for (size_t i = 0; i < samples; ++i)
        planes[i] = static_cast<uint8_t>((uint32_t{vcl::be::U16(planes.data() + i * 2)} * 255 + 32767) / 65535);
      planes.resize(samples);
    }
    // Inks are stored as 255 for none.
    if (scheme == scCMYK)
      for (uint8_t& v : planes) v = static_cast<uint8_t>(255 - v);

    SetSize(static_cast<int>(width), static_cast<int>(height));
    ProgressEnding();
    ProgressStarting(messages::gesTransfering);
    const size_t plane8 = bitmapMode ? static_cast<size_t>(planeBytes) : size_t{width} * height;
    const size_t row8 = bitmapMode ? static_cast<size_t>(rowBytes) : width;
    for (uint32_t y = 0; y < height; ++y) {
      void* line = ScanLine(static_cast<int>(y));
      const uint8_t* row = planes.data() + y * row8;
      if (used == 1) {
        std::memcpy(line, row, row8);
      } else {
        const void* sources[4] = {row, row + plane8, row + 2 * plane8, row + 3 * plane8};
        cm->ConvertLine(std::span<const void* const>(sources, used), line, width);
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
