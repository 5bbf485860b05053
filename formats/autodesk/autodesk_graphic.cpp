#include "formats/autodesk/autodesk_graphic.h"

#include <vector>

#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace formats {

namespace {

constexpr int kAutodeskHeaderSize = 32;
constexpr int kPaletteSize = 256 * 3;

bool IsAutodeskHeader(const uint8_t* b) { return vcl::le::U16(b) == 0x9119 && b[10] == 8 && b[11] == 0; }

}  // namespace

TAutodeskGraphic::TAutodeskGraphic() = default;
TAutodeskGraphic::~TAutodeskGraphic() = default;

bool TAutodeskGraphic::CanLoadStream(vcl::TStream* stream) {
  const int64_t at = stream->Position();
  uint8_t b[kAutodeskHeaderSize];
  const bool ok =
      stream->Size() - at > kAutodeskHeaderSize && stream->Read(b, kAutodeskHeaderSize) == kAutodeskHeaderSize && IsAutodeskHeader(b);
  stream->SetPosition(at);
  return ok;
}

bool TAutodeskGraphic::ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) {
  inherited::ReadImageProperties(stream, imageIndex);
  uint8_t b[kAutodeskHeaderSize];
  if (stream->Read(b, kAutodeskHeaderSize) != kAutodeskHeaderSize || !IsAutodeskHeader(b)) return false;
  if (vcl::le::U16(b + 2) == 0 || vcl::le::U16(b + 4) == 0) return false;
  ImageProps.Scheme = scIndexed;
  ImageProps.ImageWidth = vcl::le::U16(b + 2);
  ImageProps.ImageHeight = vcl::le::U16(b + 4);
  ImageProps.SampleBits = 8;
  ImageProps.SampleCount = 1;
  ImageProps.PixelBits = 8;
  ImageProps.Packing = pkNone;
  return true;
}

void TAutodeskGraphic::LoadFromStream(vcl::TStream* stream) {
  BeginLoad(stream, "Autodesk");
  stream->SetPosition(StartOffset + kAutodeskHeaderSize);
  const uint32_t width = ImageProps.ImageWidth, height = ImageProps.ImageHeight;
  // The whole picture must be there before the bitmap is made.
  if (stream->Size() - stream->Position() < kPaletteSize + int64_t{width} * height)
    RaiseGraphicErrorFmt(messages::gesStreamReadError, "Autodesk");
  ProgressArea = vcl::Rect(0, 0, static_cast<int>(width), 1);
  ProgressStarting(messages::gesTransfering);
  uint8_t palette[kPaletteSize];
  stream->ReadBuffer(palette, kPaletteSize);
  std::vector<uint8_t> entries(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
  auto* logical = reinterpret_cast<LOGPALETTE*>(entries.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = 256;
  // Components run from 0 to 63.
  for (int i = 0; i < 256; ++i)
    logical->palPalEntry[i] = PALETTEENTRY{static_cast<BYTE>(palette[i * 3] * 4),
                                           static_cast<BYTE>(palette[i * 3 + 1] * 4),
                                           static_cast<BYTE>(palette[i * 3 + 2] * 4), 0};
  try {
    SetPixelFormat(vcl::pf8bit);
    SetPalette(CreatePalette(logical));
    SetSize(static_cast<int>(width), static_cast<int>(height));
    for (uint32_t y = 0; y < height; ++y) {
      stream->ReadBuffer(ScanLine(static_cast<int>(y)), static_cast<int32_t>(width));
      ProgressRow(y);
    }
    ProgressEnding();
  } catch (...) {
    SetHandle(nullptr);
    throw;
  }
}

}  // namespace formats
