#include "formats/psp/psp_graphic.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/decoders/lz77_decoder.h"
#include "formats/decoders/run_length_decoders.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

namespace formats {

namespace {

constexpr int kFileHeaderSize = 36;
constexpr int kAttributeSize = 42;
constexpr const char kPSPSignature[] = "Paint Shop Pro Image File";

bool IsPSPHeader(const uint8_t* b) {
  return vcl::SameText(std::string(reinterpret_cast<const char*>(b), 25), kPSPSignature) && vcl::le::U16(b + 32) >= 3;
}

[[noreturn]] void RaiseInvalidPSP() { RaiseGraphicErrorFmt(messages::gesInvalidImage, "PSP"); }

// Reads a file held in memory; every read past its end raises.
class TReader {
 public:
  TReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t Position() const { return at_; }
  size_t Size() const { return size_; }
  void Seek(uint64_t to) {
    if (to > size_) RaiseInvalidPSP();
    at_ = static_cast<size_t>(to);
  }
  const uint8_t* Take(size_t n) {
    if (n > size_ - at_) RaiseInvalidPSP();
    const uint8_t* p = data_ + at_;
    at_ += n;
    return p;
  }
  uint16_t U16() { return vcl::le::U16(Take(2)); }
  uint32_t U32() { return vcl::le::U32(Take(4)); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

struct TBlock {
  uint16_t id = 0;
  uint64_t end = 0;
};

// False at the end of the data or at a marker that is not a block's.
bool NextBlock(TReader& r, uint32_t version, TBlock& block) {
  if (r.Size() - r.Position() < (version == 3 ? 14u : 10u)) return false;
  const uint8_t* marker = r.Take(4);
  if (marker[0] != '~') return false;
  block.id = r.U16();
  if (version == 3) r.U32();  // initial data length
  const uint32_t length = r.U32();
  block.end = uint64_t{r.Position()} + length;
  if (block.end > r.Size()) RaiseInvalidPSP();
  return true;
}

}  // namespace

TPSPGraphic::TPSPGraphic() = default;
TPSPGraphic::~TPSPGraphic() = default;

bool TPSPGraphic::CanLoadStream(vcl::TStream* stream) {
  const int64_t at = stream->Position();
  uint8_t b[kFileHeaderSize];
  const bool ok = stream->Size() - at > kFileHeaderSize && stream->Read(b, kFileHeaderSize) == kFileHeaderSize &&
                  IsPSPHeader(b);
  stream->SetPosition(at);
  return ok;
}

bool TPSPGraphic::ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) {
  inherited::ReadImageProperties(stream, imageIndex);
  uint8_t b[kFileHeaderSize + 14 + 4 + kAttributeSize];
  const int32_t got = stream->Read(b, sizeof b);
  if (got < kFileHeaderSize || !IsPSPHeader(b)) return false;
  const uint32_t version = vcl::le::U16(b + 32);
  TReader r(b, static_cast<size_t>(got));
  r.Seek(kFileHeaderSize);
  try {
    TBlock block;
    if (!NextBlock(r, version, block) && r.Position() == kFileHeaderSize) return false;
  } catch (const vcl::EInvalidGraphic&) {
    // The first block's length reaches beyond these bytes; it is checked against the file later.
  }
  const size_t attributes = kFileHeaderSize + (version == 3 ? 14 : 10) + (version >= 4 ? 4 : 0);
  if (static_cast<size_t>(got) < attributes + kAttributeSize) return false;
  const uint8_t* a = b + attributes;
  ImageProps.FileVersion = version;
  ImageProps.ImageWidth = vcl::le::U32(a);
  ImageProps.ImageHeight = vcl::le::U32(a + 4);
  double resolution;
  std::memcpy(&resolution, a + 8, 8);
  if (a[16] == 2) resolution *= 2.54;
  ImageProps.DpiX = ImageProps.DpiY = static_cast<float>(resolution);
  switch (vcl::le::U16(a + 17)) {
    case 0: ImageProps.Packing = pkNone; break;
    case 1: ImageProps.Packing = pkRLE; break;
    case 2: ImageProps.Packing = pkDeflate; break;
    case 3: ImageProps.Packing = pkJPEG; break;
    default: ImageProps.Packing = pkUnknown; break;
  }
  const uint16_t depth = vcl::le::U16(a + 19);
  if (depth == 24) {
    ImageProps.SampleBits = 8;
    ImageProps.SampleCount = 3;
    ImageProps.Scheme = scRGB;
  } else {
    ImageProps.SampleBits = static_cast<uint8_t>(std::min<uint16_t>(depth, 255));
    ImageProps.SampleCount = 1;
    ImageProps.Scheme = a[27] ? scGray : scIndexed;
  }
  ImageProps.PixelBits = static_cast<uint8_t>(ImageProps.SampleBits * ImageProps.SampleCount);
  return ImageProps.ImageWidth > 0 && ImageProps.ImageHeight > 0 && ImageProps.ImageWidth <= 0x7FFFFFF &&
         ImageProps.ImageHeight <= 0x7FFFFFF;
}

void TPSPGraphic::LoadFromStream(vcl::TStream* stream) {
  BeginLoad(stream, "PSP");
  const int64_t size = stream->Size() - StartOffset;
  if (size > 0x7FFFFFFF) RaiseInvalidPSP();
  std::vector<uint8_t> file(static_cast<size_t>(size));
  stream->SetPosition(StartOffset);
  stream->ReadBuffer(file.data(), static_cast<int32_t>(size));
  const uint32_t width = ImageProps.ImageWidth, height = ImageProps.ImageHeight;
  const uint32_t version = ImageProps.FileVersion;
  ProgressArea = vcl::Rect(0, 0, static_cast<int>(width), 1);
  ProgressStarting(messages::gesPreparing);

  TReader r(file.data(), file.size());
  r.Seek(kFileHeaderSize);
  TBlock block;
  if (!NextBlock(r, version, block)) RaiseInvalidPSP();
  r.Seek(block.end);

  uint64_t rowSize;
  switch (ImageProps.SampleBits) {
    case 1: rowSize = (width + 7) / 8; break;
    case 4: rowSize = (width + 1) / 2; break;
    case 8: rowSize = width; break;
    default: RaiseGraphicErrorFmt(messages::gesInvalidColorFormat, "PSP");
  }
  if (ImageProps.Packing != pkNone && ImageProps.Packing != pkRLE && ImageProps.Packing != pkDeflate)
    RaiseGraphicErrorFmt(messages::gesUnsupportedFeature, messages::gesCompressionScheme, "PSP");
  // The planes (composite, red, green, blue) are made when the layer names its size; a plane
  // must not be larger than a coded channel of the file could make.
  const uint64_t planeBytes = rowSize * height;
  const uint64_t limit = ImageProps.Packing == pkNone ? file.size() : uint64_t{file.size()} * 1032 + 1024;
  if (planeBytes > limit) RaiseInvalidPSP();

  TColorManager* cm = ColourConverter();
  cm->SourceOptions = TColorOptions{};
  cm->TargetOptions = TColorOptions{};
  cm->SetSourceBitsPerSample(ImageProps.SampleBits);
  cm->SetTargetBitsPerSample(ImageProps.SampleBits);
  cm->SetSourceSampleCount(ImageProps.SampleCount);
  cm->SetTargetSampleCount(ImageProps.SampleCount);
  cm->SetSourceScheme(ImageProps.Scheme);
  cm->SetTargetScheme(ImageProps.Scheme == scRGB ? scBGR : ImageProps.Scheme);

  try {
    SetPixelFormat(cm->PixelFormatForTarget());
    if (ImageProps.Scheme == scGray) SetPalette(cm->BuildGrayPalette(false));
    ProgressEnding();
    bool loaded = false;
    while (!loaded && NextBlock(r, version, block)) {
      const uint64_t blockEnd = block.end;
      if (block.id == 2 && ImageProps.Scheme == scIndexed) {
        if (version >= 4) r.U32();
        const uint32_t count = std::min<uint32_t>(r.U32(), 256);
        const uint8_t* entries = r.Take(size_t{count} * 4);
        const void* planes[] = {entries};
        SetPalette(cm->BuildColorPalette(planes, plPacked8x4, count, true));
      } else if (block.id == 3) {
        // The first raster layer inside the layer start block.
        TBlock layer;
        while (!loaded && r.Position() < blockEnd && NextBlock(r, version, layer) && layer.id == 4) {
          ProgressStarting(messages::gesLoadingData);
          uint8_t type;
          if (version == 3) {
            r.Take(256);
            type = r.Take(115)[0];
          } else {
            const uint64_t chunkStart = r.Position();
            const uint32_t chunkSize = r.U32();
            const uint16_t nameLength = r.U16();
            r.Take(nameLength);
            type = r.Take(1)[0];
            r.Seek(chunkStart + chunkSize);
          }
          if ((version == 3 && type != 0) || (version >= 4 && type > 1)) {
            r.Seek(layer.end);
            continue;
          }
          uint64_t bitmapEnd = 0;
          if (version >= 4) bitmapEnd = r.Position() + r.U32();
          r.U16();  // bitmap count
          const uint16_t channels = r.U16();
          if (version >= 4) r.Seek(bitmapEnd);
          // A composite channel beside the colour channels is the layer's transparency: kept as alpha.
          bool alpha = false;
          std::vector<std::vector<uint8_t>> planes(4, std::vector<uint8_t>(static_cast<size_t>(planeBytes), 0));
          for (uint16_t c = 0; c < channels; ++c) {
            TBlock channel;
            if (!NextBlock(r, version, channel)) RaiseInvalidPSP();
            if (version >= 4) r.U32();
            const uint32_t packed = r.U32();
            r.U32();  // unpacked length
            r.U16();  // bitmap type
            const uint16_t channelType = r.U16();
            const uint8_t* data = r.Take(packed);
            // Channels of other kinds (masks and the like) are passed over.
            if (channelType <= 3) {
              if (channelType == 0 && ImageProps.Scheme == scRGB) alpha = true;
              std::vector<uint8_t>& plane = planes[channelType];
              std::fill(plane.begin(), plane.end(), 0);
              const uint8_t* s = data;
              uint8_t* t = plane.data();
              if (ImageProps.Packing == pkNone) {
                std::memcpy(t, s, std::min<size_t>(packed, plane.size()));
              } else if (ImageProps.Packing == pkRLE) {
                TPSPRLEDecoder decoder;
                decoder.Decode(s, t, static_cast<int32_t>(packed), static_cast<int32_t>(plane.size()));
              } else {
                try {
                  // The whole stream, to its check sum, must fit the plane.
                  TLZ77Decoder inflater(4, false);
                  inflater.DecodeInit();
                  inflater.Decode(s, t, static_cast<int32_t>(packed), static_cast<int32_t>(plane.size()));
                  inflater.DecodeEnd();
                } catch (const EGraphicCompression&) {
                  RaiseGraphicErrorFmt(messages::gesCompression, "PSP");
                }
              }
            }
            r.Seek(channel.end);
          }
          ProgressEnding();
          if (alpha) {
            cm->SetSourceScheme(scRGBA);
            cm->SetTargetScheme(scBGRA);
            cm->SetSourceSampleCount(4);
            cm->SetTargetSampleCount(4);
            SetPixelFormat(vcl::pf32bit);
          }
          SetSize(static_cast<int>(width), static_cast<int>(height));
          ProgressStarting(messages::gesTransfering);
          for (uint32_t y = 0; y < height; ++y) {
            void* line = ScanLine(static_cast<int>(y));
            const size_t at = static_cast<size_t>(y * rowSize);
            if (ImageProps.Scheme == scRGB) {
              const void* sources[4] = {planes[1].data() + at, planes[2].data() + at, planes[3].data() + at,
                                        planes[0].data() + at};
              cm->ConvertLine(std::span<const void* const>(sources, alpha ? 4 : 3), line, width);
            } else {
              cm->ConvertLine(planes[0].data() + at, line, width);
            }
            ProgressRow(y);
          }
          ProgressEnding();
          loaded = true;
        }
      }
      r.Seek(blockEnd);
    }
    // A file whose layers are all vector or adjustment layers has no picture to show.
    if (!loaded) RaiseInvalidPSP();
  } catch (...) {
    SetHandle(nullptr);
    throw;
  }
}

}  // namespace formats
