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
bool NextBlockHeader(TReader& r, uint32_t version, TBlock& block) {
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
    if (!NextBlockHeader(r, version, block) && r.Position() == kFileHeaderSize) return false;
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

// What one load's steps share: the file, its version and coding, and the planes of the layer
// being read.
struct TPSPGraphic::TPSPLoad {
  TReader Reader;
  uint32_t Version = 0;
  TPackingKind Packing = pkNone;
  bool RGBChannels = false;  // red, green and blue planes, not one composite
  uint64_t RowSize = 0, PlaneBytes = 0;
  std::vector<std::vector<uint8_t>> Planes;  // composite, red, green, blue
  bool Alpha = false;  // a composite channel beside the colour channels: the layer's transparency

  TPSPLoad(const uint8_t* data, size_t size) : Reader(data, size) {}

  // The layer information of a layer block; false for a layer of a kind without a raster
  // (the reader is then at the end of the information).
  bool ReadLayerInformation() {
    uint8_t type;
    if (Version == 3) {
      Reader.Take(256);  // name
      type = Reader.Take(115)[0];
      return type == 0;
    }
    const uint64_t chunkStart = Reader.Position();
    const uint32_t chunkSize = Reader.U32();
    const uint16_t nameLength = Reader.U16();
    Reader.Take(nameLength);
    type = Reader.Take(1)[0];
    Reader.Seek(chunkStart + chunkSize);
    return type <= 1;
  }

  // The bitmap information chunk; answers the layer's channel count.
  uint16_t ReadBitmapInformation() {
    uint64_t bitmapEnd = 0;
    if (Version >= 4) bitmapEnd = Reader.Position() + Reader.U32();
    Reader.U16();  // bitmap count
    const uint16_t channels = Reader.U16();
    if (Version >= 4) Reader.Seek(bitmapEnd);
    return channels;
  }

  // One channel block into its plane; channels of other kinds (masks and the like) are passed
  // over by their length.
  void LoadChannel() {
    TBlock channel;
    if (!NextBlockHeader(Reader, Version, channel)) RaiseInvalidPSP();
    if (Version >= 4) Reader.U32();  // chunk size
    const uint32_t packed = Reader.U32();
    Reader.U32();  // unpacked length
    Reader.U16();  // bitmap type
    const uint16_t channelType = Reader.U16();
    const uint8_t* data = Reader.Take(packed);
    if (channelType <= 3) {
      if (channelType == 0 && RGBChannels) Alpha = true;
      LoadChannelData(data, packed, Planes[channelType]);
    }
    Reader.Seek(channel.end);
  }

  // A channel's coded data decoded into its plane; a later channel of a kind replaces an
  // earlier one, and what the data does not reach stays zero.
  void LoadChannelData(const uint8_t* data, uint32_t packed, std::vector<uint8_t>& plane) const {
    std::fill(plane.begin(), plane.end(), 0);
    const uint8_t* s = data;
    uint8_t* t = plane.data();
    if (Packing == pkNone) {
      std::memcpy(t, s, std::min<size_t>(packed, plane.size()));
    } else if (Packing == pkRLE) {
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
};

void TPSPGraphic::LoadFromStream(vcl::TStream* stream) {
  BeginLoad(stream, "PSP");
  const int64_t size = stream->Size() - StartOffset;
  if (size > 0x7FFFFFFF) RaiseInvalidPSP();
  std::vector<uint8_t> file(static_cast<size_t>(size));
  stream->SetPosition(StartOffset);
  stream->ReadBuffer(file.data(), static_cast<int32_t>(size));
  const uint32_t width = ImageProps.ImageWidth, height = ImageProps.ImageHeight;
  ProgressArea = vcl::Rect(0, 0, static_cast<int>(width), 1);
  ProgressStarting(messages::gesPreparing);

  TPSPLoad load(file.data(), file.size());
  load.Version = ImageProps.FileVersion;
  load.Packing = ImageProps.Packing;
  load.RGBChannels = ImageProps.Scheme == scRGB;
  TReader& r = load.Reader;
  r.Seek(kFileHeaderSize);
  TBlock block;
  if (!NextBlockHeader(r, load.Version, block)) RaiseInvalidPSP();
  r.Seek(block.end);

  switch (ImageProps.SampleBits) {
    case 1: load.RowSize = (width + 7) / 8; break;
    case 4: load.RowSize = (width + 1) / 2; break;
    case 8: load.RowSize = width; break;
    default: RaiseGraphicErrorFmt(messages::gesInvalidColorFormat, "PSP");
  }
  if (load.Packing != pkNone && load.Packing != pkRLE && load.Packing != pkDeflate)
    RaiseGraphicErrorFmt(messages::gesUnsupportedFeature, messages::gesCompressionScheme, "PSP");
  // The planes (composite, red, green, blue) are made when the layer names its size; a plane
  // must not be larger than a coded channel of the file could make.
  load.PlaneBytes = load.RowSize * height;
  const uint64_t limit = load.Packing == pkNone ? file.size() : uint64_t{file.size()} * 1032 + 1024;
  if (load.PlaneBytes > limit) RaiseInvalidPSP();

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
    while (!loaded && NextBlockHeader(r, load.Version, block)) {
      const uint64_t blockEnd = block.end;
      if (block.id == 2 && ImageProps.Scheme == scIndexed) {
        if (load.Version >= 4) r.U32();
        const uint32_t count = std::min<uint32_t>(r.U32(), 256);
        const uint8_t* entries = r.Take(size_t{count} * 4);
        const void* planes[] = {entries};
        SetPalette(cm->BuildColorPalette(planes, plPacked8x4, count, true));
      } else if (block.id == 3) {
        loaded = LoadFirstRasterLayer(load, blockEnd);
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

bool TPSPGraphic::LoadFirstRasterLayer(TPSPLoad& load, uint64_t layerStartEnd) {
  TReader& r = load.Reader;
  TBlock layer;
  while (r.Position() < layerStartEnd && NextBlockHeader(r, load.Version, layer) && layer.id == 4) {
    ProgressStarting(messages::gesLoadingData);
    if (!load.ReadLayerInformation()) {
      r.Seek(layer.end);
      continue;
    }
    const uint16_t channels = load.ReadBitmapInformation();
    load.Alpha = false;
    load.Planes.assign(4, std::vector<uint8_t>(static_cast<size_t>(load.PlaneBytes), 0));
    for (uint16_t c = 0; c < channels; ++c) load.LoadChannel();
    ProgressEnding();
    TransferRows(load);
    return true;
  }
  return false;
}

void TPSPGraphic::TransferRows(TPSPLoad& load) {
  const uint32_t width = ImageProps.ImageWidth, height = ImageProps.ImageHeight;
  TColorManager* cm = ColourConverter();
  if (load.Alpha) {
    cm->SetSourceScheme(scRGBA);
    cm->SetTargetScheme(scBGRA);
    cm->SetSourceSampleCount(4);
    cm->SetTargetSampleCount(4);
    SetPixelFormat(vcl::pf32bit);
  }
  SetSize(static_cast<int>(width), static_cast<int>(height));
  ProgressStarting(messages::gesTransfering);
  const std::vector<std::vector<uint8_t>>& planes = load.Planes;
  for (uint32_t y = 0; y < height; ++y) {
    void* line = ScanLine(static_cast<int>(y));
    const size_t at = static_cast<size_t>(y * load.RowSize);
    if (ImageProps.Scheme == scRGB) {
      const void* sources[4] = {planes[1].data() + at, planes[2].data() + at, planes[3].data() + at,
                                planes[0].data() + at};
      cm->ConvertLine(std::span<const void* const>(sources, load.Alpha ? 4 : 3), line, width);
    } else {
      cm->ConvertLine(planes[0].data() + at, line, width);
    }
    ProgressRow(y);
  }
  ProgressEnding();
}

}  // namespace formats
