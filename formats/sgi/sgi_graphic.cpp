#include "formats/sgi/sgi_graphic.h"

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

constexpr int kSGIHeaderSize = 512;
constexpr uint16_t kMagic = 474;

[[noreturn]] void RaiseShortSGIData() { RaiseGraphicErrorFmt(messages::gesStreamReadError, "SGI"); }

// The channels a load uses, gathered as planes of 8-bit samples, rows in file order (bottom
// first).
struct TSGIPlanes {
  uint32_t Width = 0, Height = 0, Used = 0, SampleBytes = 1;
  uint64_t RowBytes = 0;  // of one row of one channel in the file
  // Raw files: the planes as stored after the header. Run-length files: the whole file, with
  // the row tables (entry k x height + r of each belongs to row r of channel k).
  const uint8_t* Data = nullptr;
  size_t DataSize = 0;
  std::vector<uint32_t> PackedRowOffsets, PackedRowLengths;
  TSGIRLEDecoder* RowDecoder = nullptr;  // none for raw files
  std::vector<uint8_t> Samples;          // the planes, one after the other
  std::vector<uint8_t> WorkRow;

  size_t PlaneSize() const { return size_t{Width} * Height; }

  // Row r of every used channel, decoded where coded, into its plane.
  void ReadRowPlanes(uint32_t r) {
    for (uint32_t k = 0; k < Used; ++k) {
      const size_t i = size_t{k} * Height + r;
      if (!RowDecoder) {
        StoreRow(k, r, Data + i * RowBytes);
        continue;
      }
      const uint32_t start = PackedRowOffsets[i], length = PackedRowLengths[i];
      if (uint64_t{start} + length > DataSize) RaiseShortSGIData();
      std::fill(WorkRow.begin(), WorkRow.end(), 0);
      const uint8_t* s = Data + start;
      uint8_t* t = WorkRow.data();
      RowDecoder->Decode(s, t, static_cast<int32_t>(length), static_cast<int32_t>(RowBytes));
      StoreRow(k, r, WorkRow.data());
    }
  }

  // One row of a channel as 8-bit samples; 16-bit samples are scaled down with rounding.
  void StoreRow(uint32_t k, uint32_t r, const uint8_t* row) {
    uint8_t* out = Samples.data() + k * PlaneSize() + size_t{r} * Width;
    if (SampleBytes == 1) {
      std::memcpy(out, row, Width);
    } else {
      for (uint32_t x = 0; x < Width; ++x)
        out[x] = static_cast<uint8_t>((uint32_t{vcl::be::U16(row + x * 2)} * 255 + 32767) / 65535);
    }
  }
};

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

  TSGIPlanes planes;
  planes.Width = width, planes.Height = height, planes.Used = used, planes.SampleBytes = sampleBytes;
  planes.RowBytes = rowBytes;
  std::vector<uint8_t> stored;
  std::unique_ptr<TSGIRLEDecoder> RowDecoder;
  if (ImageProps.Packing == pkNone) {
    if (kSGIHeaderSize + rowBytes * height * used > static_cast<uint64_t>(size)) RaiseShortSGIData();
    stored.resize(static_cast<size_t>(rowBytes * height * used));
    stream->SetPosition(StartOffset + kSGIHeaderSize);
    stream->ReadBuffer(stored.data(), static_cast<int32_t>(stored.size()));
  } else {
    // Two tables of height times channels: where each row starts and its coded bytes.
    const uint64_t entries = uint64_t{height} * channels;
    if (kSGIHeaderSize + entries * 8 > static_cast<uint64_t>(size)) RaiseShortSGIData();
    stored.resize(static_cast<size_t>(size));
    stream->SetPosition(StartOffset);
    stream->ReadBuffer(stored.data(), static_cast<int32_t>(size));
    // Every row yields at most 127 samples from each 2 (or 4) coded bytes.
    if (planes.PlaneSize() * used > stored.size() * 64) RaiseShortSGIData();
    planes.PackedRowOffsets.resize(static_cast<size_t>(entries));
    planes.PackedRowLengths.resize(static_cast<size_t>(entries));
    const uint8_t* tables = stored.data() + kSGIHeaderSize;
    for (size_t i = 0; i < planes.PackedRowOffsets.size(); ++i) {
      planes.PackedRowOffsets[i] = vcl::be::U32(tables + i * 4);
      planes.PackedRowLengths[i] = vcl::be::U32(tables + (entries + i) * 4);
    }
    RowDecoder = std::make_unique<TSGIRLEDecoder>(static_cast<uint8_t>(ImageProps.SampleBits));
    RowDecoder->DecodeInit();
    planes.RowDecoder = RowDecoder.get();
    planes.WorkRow.resize(static_cast<size_t>(rowBytes));
  }
  planes.Data = stored.data();
  planes.DataSize = stored.size();
  planes.Samples.resize(planes.PlaneSize() * used);
  for (uint32_t r = 0; r < height; ++r) planes.ReadRowPlanes(r);
  if (RowDecoder) RowDecoder->DecodeEnd();
  const size_t plane = planes.PlaneSize();

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
      const uint8_t* row = planes.Samples.data() + size_t{r} * width;
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
