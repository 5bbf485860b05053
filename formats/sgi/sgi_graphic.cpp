#include "formats/sgi/sgi_graphic.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/decoders/run_length_decoders.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace formats {

namespace {

constexpr int kSGIHeaderSize = 512;
constexpr uint16_t kMagic = 474;

[[noreturn]] void RaiseShortSGIData() { RaiseGraphicErrorFmt(messages::gesStreamReadError, "SGI"); }

}  // namespace

TSGIGraphic::TSGIGraphic() = default;
TSGIGraphic::~TSGIGraphic() = default;

bool TSGIGraphic::CanLoadStream(vcl::TStream* stream) {
  const int64_t at = stream->Position();
  uint8_t b[kSGIHeaderSize];
  const bool ok = stream->Size() - at > kSGIHeaderSize && stream->Read(b, kSGIHeaderSize) == kSGIHeaderSize &&
                  vcl::be::U16(b) == kMagic && (b[3] == 1 || b[3] == 2) && vcl::be::U16(b + 4) >= 1 && vcl::be::U16(b + 4) <= 3;
  stream->SetPosition(at);
  return ok;
}

bool TSGIGraphic::ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) {
  inherited::ReadImageProperties(stream, imageIndex);
  SourceStream = stream;
  uint8_t b[kSGIHeaderSize];
  if (stream->Read(b, kSGIHeaderSize) != kSGIHeaderSize || vcl::be::U16(b) != kMagic) return false;
  if (b[2] > 1 || (b[3] != 1 && b[3] != 2)) return false;
  const uint16_t dimension = vcl::be::U16(b + 4);
  const uint32_t width = vcl::be::U16(b + 6);
  // One-dimensional files have one row, two-dimensional ones one channel.
  const uint32_t height = dimension == 1 ? 1 : vcl::be::U16(b + 8);
  const uint32_t channels = dimension < 3 ? 1 : vcl::be::U16(b + 10);
  if (width == 0 || height == 0 || channels == 0) return false;
  ImageProps.ImageFlags.Include(ifMotorola);
  ImageProps.Packing = b[2] == 1 ? pkRLE : pkNone;
  ImageProps.SampleBits = static_cast<uint8_t>(b[3] * 8);
  ImageProps.ChannelTotal = static_cast<uint8_t>(std::min<uint32_t>(channels, 255));
  ImageProps.SampleCount = static_cast<uint8_t>(channels >= 4 ? 4 : channels == 3 ? 3 : 1);
  ImageProps.Scheme = channels >= 4 ? scRGBA : channels == 3 ? scRGB : scIndexed;
  ImageProps.AlphaPresent = channels >= 4;
  ImageProps.PixelBits = static_cast<uint8_t>(ImageProps.SampleBits * ImageProps.SampleCount);
  ImageProps.ImageWidth = width;
  ImageProps.ImageHeight = height;
  ImageProps.RowsBottomUp = true;
  return true;
}

void TSGIGraphic::LoadFromStream(vcl::TStream* stream) {
  BeginLoad(stream, "sgi, bw or rgb(a)");
  const uint32_t width = ImageProps.ImageWidth, height = ImageProps.ImageHeight;
  const uint32_t channels = ImageProps.ChannelTotal, used = ImageProps.SampleCount;
  const uint32_t sampleBytes = ImageProps.SampleBits / 8;
  const uint64_t rowBytes = uint64_t{width} * sampleBytes;
  ProgressArea = vcl::Rect(0, 0, static_cast<int>(width), 1);
  ProgressStarting(messages::gesPreparing);
  const int64_t size = stream->Size() - StartOffset;
  if (size > 0x7FFFFFFF) RaiseShortSGIData();

  // Planes of the channels used, 8 bits a sample, rows in file order (bottom first).
  const size_t plane = size_t{width} * height;
  std::vector<uint8_t> planes;
  auto store = [&](uint32_t k, uint32_t r, const uint8_t* row) {
    uint8_t* out = planes.data() + k * plane + size_t{r} * width;
    if (sampleBytes == 1) {
      std::memcpy(out, row, width);
    } else {
      for (uint32_t x = 0; x < width; ++x)
        out[x] = static_cast<uint8_t>((uint32_t{vcl::be::U16(row + x * 2)} * 255 + 32767) / 65535);
    }
  };
  if (ImageProps.Packing == pkNone) {
    if (kSGIHeaderSize + rowBytes * height * used > static_cast<uint64_t>(size)) RaiseShortSGIData();
    planes.resize(plane * used);
    std::vector<uint8_t> raw(static_cast<size_t>(rowBytes * height * used));
    stream->SetPosition(StartOffset + kSGIHeaderSize);
    stream->ReadBuffer(raw.data(), static_cast<int32_t>(raw.size()));
    for (uint32_t k = 0; k < used; ++k)
      for (uint32_t r = 0; r < height; ++r) store(k, r, raw.data() + (uint64_t{k} * height + r) * rowBytes);
  } else {
    // Two tables of height times channels: where each row starts and its coded bytes.
    const uint64_t entries = uint64_t{height} * channels;
    if (kSGIHeaderSize + entries * 8 > static_cast<uint64_t>(size)) RaiseShortSGIData();
    std::vector<uint8_t> file(static_cast<size_t>(size));
    stream->SetPosition(StartOffset);
    stream->ReadBuffer(file.data(), static_cast<int32_t>(size));
    // Every row yields at most 127 samples from each 2 (or 4) coded bytes.
    if (plane * used > file.size() * 64) RaiseShortSGIData();
    planes.resize(plane * used);
    // Entry k x height + r of each table belongs to row r of channel k.
    std::vector<uint32_t> PackedRowOffsets(static_cast<size_t>(entries)), PackedRowLengths(static_cast<size_t>(entries));
    const uint8_t* tables = file.data() + kSGIHeaderSize;
    for (size_t i = 0; i < PackedRowOffsets.size(); ++i) {
      PackedRowOffsets[i] = vcl::be::U32(tables + i * 4);
      PackedRowLengths[i] = vcl::be::U32(tables + (entries + i) * 4);
    }
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
    TSGIRLEDecoder RowDecoder(static_cast<uint8_t>(ImageProps.SampleBits));
    RowDecoder.DecodeInit();
    for (uint32_t k = 0; k < used; ++k)
      for (uint32_t r = 0; r < height; ++r) {
        const size_t i = size_t{k} * height + r;
        const uint32_t start = PackedRowOffsets[i], length = PackedRowLengths[i];
        if (uint64_t{start} + length > file.size()) RaiseShortSGIData();
        std::fill(row.begin(), row.end(), 0);
        const uint8_t* s = file.data() + start;
        uint8_t* t = row.data();
        RowDecoder.Decode(s, t, static_cast<int32_t>(length), static_cast<int32_t>(rowBytes));
        store(k, r, row.data());
      }
    RowDecoder.DecodeEnd();
  }

  TColorManager* cm = ColourConverter();
  cm->SourceOptions = TColorOptions{};
  cm->TargetOptions = TColorOptions{};
  cm->SetSourceScheme(ImageProps.Scheme);
  cm->SetTargetScheme(used == 4 ? scBGRA : used == 3 ? scBGR : scIndexed);
  cm->SetSourceBitsPerSample(8);
  cm->SetTargetBitsPerSample(8);
  cm->SetSourceSampleCount(static_cast<uint8_t>(used));
  cm->SetTargetSampleCount(static_cast<uint8_t>(used));
  try {
    SetPixelFormat(cm->PixelFormatForTarget());
    if (used == 1) SetPalette(cm->BuildGrayPalette(false));
    SetSize(static_cast<int>(width), static_cast<int>(height));
    ProgressEnding();
    ProgressStarting(messages::gesTransfering);
    for (uint32_t r = 0; r < height; ++r) {
      void* line = ScanLine(static_cast<int>(height - 1 - r));
      const uint8_t* row = planes.data() + size_t{r} * width;
      if (used == 1) {
        std::memcpy(line, row, width);
      } else {
        const void* sources[4] = {row, row + plane, row + 2 * plane, row + 3 * plane};
        cm->ConvertLine(std::span<const void* const>(sources, used), line, width);
      }
      ProgressRow(r);
    }
    ProgressEnding();
  } catch (...) {
    SetHandle(nullptr);
    throw;
  }
}

}  // namespace formats
