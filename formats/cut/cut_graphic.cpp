#include "formats/cut/cut_graphic.h"

#include <algorithm>
#include <vector>

#include "formats/decoders/run_length_decoders.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

namespace formats {

namespace {

constexpr int kCutHeaderSize = 6;
constexpr int kCutBlockSize = 512;
constexpr int kPaletteHeaderSize = 40;

}  // namespace

TCUTGraphic::TCUTGraphic() = default;
TCUTGraphic::~TCUTGraphic() = default;

bool TCUTGraphic::CanLoadStream(vcl::TStream* stream) { return false; }

bool TCUTGraphic::ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) {
  inherited::ReadImageProperties(stream, imageIndex);
  uint8_t b[4];
  if (stream->Read(b, 4) != 4 || vcl::le::U16(b) == 0 || vcl::le::U16(b + 2) == 0) return false;
  ImageProps.ImageWidth = vcl::le::U16(b);
  ImageProps.ImageHeight = vcl::le::U16(b + 2);
  ImageProps.Scheme = scIndexed;
  ImageProps.SampleBits = 8;
  ImageProps.SampleCount = 1;
  ImageProps.PixelBits = 8;
  ImageProps.Packing = pkRLE;
  return true;
}

void TCUTGraphic::LoadFromFile(const std::string& fileName) {
  CompanionFile = vcl::ChangeFileExt(fileName, ".pal");
  inherited::LoadFromFile(fileName);
}

HPALETTE TCUTGraphic::LoadCompanionPalette() {
  std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
  auto* logical = reinterpret_cast<LOGPALETTE*>(buffer.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = 256;
  for (int i = 0; i < 256; ++i)
    logical->palPalEntry[i] = PALETTEENTRY{BYTE(i), BYTE(i), BYTE(i), 0};
  if (!CompanionFile.empty() && vcl::FileExists(CompanionFile)) {
    vcl::TFileStream file(CompanionFile, vcl::fmOpenRead | vcl::fmShareDenyNone);
    std::vector<uint8_t> data(static_cast<size_t>(std::clamp<int64_t>(file.Size(), 0, 64 * kCutBlockSize)));
    data.resize(static_cast<size_t>(std::max(file.Read(data.data(), static_cast<int32_t>(data.size())), 0)));
    if (data.size() >= kPaletteHeaderSize) {
      // Entries past the 256 a palette holds are left out.
      const uint32_t count = std::min<uint32_t>(vcl::le::U16(data.data() + 12) + 1u, 256);
      size_t at = kPaletteHeaderSize;
      uint32_t i = 0;
      for (; i < count; ++i) {
        // An entry never crosses a block: one that would start after offset 506 starts the next.
        if (at % kCutBlockSize > kCutBlockSize - 6) at = (at / kCutBlockSize + 1) * kCutBlockSize;
        if (at + 6 > data.size()) break;
        logical->palPalEntry[i] = PALETTEENTRY{data[at], data[at + 2], data[at + 4], 0};
        at += 6;
      }
      logical->palNumEntries = static_cast<WORD>(std::max<uint32_t>(i, 1));
    }
  }
  return CreatePalette(logical);
}

void TCUTGraphic::LoadFromStream(vcl::TStream* stream) {
  BeginLoad(stream, "CUT");
  stream->SetPosition(StartOffset + kCutHeaderSize);
  const uint32_t width = ImageProps.ImageWidth, height = ImageProps.ImageHeight;
  const int64_t size = stream->Size() - stream->Position();
  // A row takes at least its count word and its end byte; a packet of 2 bytes gives 127 pixels.
  if (size < int64_t{height} * 3 || uint64_t{width} * height > static_cast<uint64_t>(size) * 64)
    RaiseGraphicErrorFmt(messages::gesStreamReadError, "CUT");
  ProgressArea = vcl::Rect(0, 0, static_cast<int>(width), 0);
  ProgressStarting(messages::gesTransfering);
  std::vector<uint8_t> data(static_cast<size_t>(size));
  stream->ReadBuffer(data.data(), static_cast<int32_t>(size));
  try {
    SetPixelFormat(vcl::pf8bit);
    SetSize(static_cast<int>(width), static_cast<int>(height));
    SetPalette(LoadCompanionPalette());
    TCUTRLEDecoder decoder;
    decoder.DecodeInit();
    const uint8_t* s = data.data();
    const uint8_t* end = data.data() + data.size();
    for (uint32_t y = 0; y < height; ++y) {
      if (s >= end) RaiseGraphicErrorFmt(messages::gesStreamReadError, "CUT");
      auto* t = static_cast<uint8_t*>(ScanLine(static_cast<int>(y)));
      decoder.Decode(s, t, static_cast<int32_t>(end - s), static_cast<int32_t>(width));
      ProgressRow(y);
    }
    ProgressEnding();
  } catch (...) {
    SetHandle(nullptr);
    throw;
  }
}

}  // namespace formats
