#include "formats/rla/rla_graphic.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "formats/decoders/run_length_decoders.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace formats {

namespace {

constexpr int kRLAHeaderSize = 740;

// A text field without its padding, in lower case.
std::string Text(const uint8_t* p, size_t size) {
  std::string s(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), size));
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The header's numbers this reader uses, converted from their big-endian fields.
struct TRLAHeader {
  int32_t windowLeft, windowRight, windowBottom, windowTop;
  uint16_t colourChannels, matteChannels, revision, colourBits;
};

TRLAHeader SwapRLAHeader(const uint8_t* b) {
  return TRLAHeader{vcl::be::I16(b),      vcl::be::I16(b + 2),  vcl::be::I16(b + 4),  vcl::be::I16(b + 6),
                    vcl::be::U16(b + 20), vcl::be::U16(b + 22), vcl::be::U16(b + 26), vcl::be::U16(b + 658)};
}

// The revision word of every file of this format.
constexpr uint16_t kRevision = 0xFFFE;

[[noreturn]] void RaiseShortRLAData() { RaiseGraphicErrorFmt(messages::gesStreamReadError, "RLA"); }

}  // namespace

TRLAGraphic::TRLAGraphic() = default;
TRLAGraphic::~TRLAGraphic() = default;

bool TRLAGraphic::CanLoadStream(vcl::TStream* stream) {
  const int64_t at = stream->Position();
  uint8_t b[kRLAHeaderSize];
  bool ok = stream->Size() - at > kRLAHeaderSize && stream->Read(b, kRLAHeaderSize) == kRLAHeaderSize &&
            SwapRLAHeader(b).revision == kRevision;
  if (ok) {
    const std::string space = Text(b + 580, 32);
    ok = space == "rgb" || space == "xyz";
  }
  stream->SetPosition(at);
  return ok;
}

bool TRLAGraphic::ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) {
  inherited::ReadImageProperties(stream, imageIndex);
  uint8_t b[kRLAHeaderSize];
  if (stream->Read(b, kRLAHeaderSize) != kRLAHeaderSize) return false;
  const TRLAHeader h = SwapRLAHeader(b);
  if (h.revision != kRevision) return false;
  const int32_t left = h.windowLeft, right = h.windowRight, bottom = h.windowBottom, top = h.windowTop;
  const uint16_t colours = h.colourChannels, mattes = h.matteChannels, bits = h.colourBits;
  if (right < left || Text(b + 580, 32) != "rgb" || colours != 3 || mattes > 1 || bits == 0 || bits > 8)
    return false;
  ImageProps.ImageFlags.Include(ifMotorola);
  ImageProps.ImageWidth = static_cast<uint32_t>(right - left + 1);
  ImageProps.ImageHeight = static_cast<uint32_t>(std::abs(top - bottom) + 1);
  ImageProps.RowsBottomUp = bottom < top;
  ImageProps.SampleCount = static_cast<uint8_t>(3 + mattes);
  ImageProps.SampleBits = static_cast<uint8_t>(bits);
  ImageProps.PixelBits = static_cast<uint8_t>(ImageProps.SampleCount * bits);
  ImageProps.Scheme = mattes ? scRGBA : scRGB;
  ImageProps.AlphaPresent = mattes == 1;
  ImageProps.Packing = pkRLE;
  const std::string gamma = Text(b + 28, 16);
  char* end = nullptr;
  const double value = std::strtod(gamma.c_str(), &end);
  ImageProps.Gamma = !gamma.empty() && end && *end == 0 && value > 0 && value < 100 ? static_cast<float>(value) : 1.0f;
  return true;
}

void TRLAGraphic::LoadFromStream(vcl::TStream* stream) {
  BeginLoad(stream, "RLA");
  const uint32_t width = ImageProps.ImageWidth, height = ImageProps.ImageHeight;
  const uint32_t channels = ImageProps.SampleCount;
  const int64_t size = stream->Size() - StartOffset;
  // The offset table, and at least a length word for every channel of every row.
  if (size > 0x7FFFFFFF || kRLAHeaderSize + uint64_t{height} * (4 + 2 * channels) > static_cast<uint64_t>(size))
    RaiseShortRLAData();
  std::vector<uint8_t> file(static_cast<size_t>(size));
  stream->SetPosition(StartOffset);
  stream->ReadBuffer(file.data(), static_cast<int32_t>(size));
  ProgressArea = vcl::Rect(0, 0, static_cast<int>(width), 1);
  ProgressStarting(messages::gesTransfering);

  TColorManager* cm = ColourConverter();
  cm->SourceOptions = TColorOptions{};
  cm->TargetOptions = TColorOptions{};
  cm->SetSourceScheme(ImageProps.Scheme);
  cm->SetTargetScheme(channels == 4 ? scBGRA : scBGR);
  cm->SetSourceSampleCount(static_cast<uint8_t>(channels));
  cm->SetTargetSampleCount(static_cast<uint8_t>(channels));
  // Samples of fewer than 8 bits are stored one a byte.
  cm->SetSourceBitsPerSample(8);
  cm->SetTargetBitsPerSample(8);
  if (ImageProps.Gamma != 1.0f) {
    cm->SetGammaValues(ImageProps.Gamma, 2.2f);
    cm->TargetOptions.Include(cvoApplyGamma);
    ImageProps.ImageFlags.Include(ifGammaGiven);
  }
  try {
    SetPixelFormat(cm->PixelFormatForTarget());
    SetSize(static_cast<int>(width), static_cast<int>(height));
    std::vector<std::vector<uint8_t>> planes(channels, std::vector<uint8_t>(width));
    TRLADecoder decoder;
    decoder.DecodeInit();
    for (uint32_t i = 0; i < height; ++i) {
      uint64_t at = vcl::be::U32(file.data() + kRLAHeaderSize + i * 4);
      for (uint32_t k = 0; k < channels; ++k) {
        if (at + 2 > file.size()) RaiseShortRLAData();
        const uint16_t length = vcl::be::U16(file.data() + at);
        at += 2;
        if (at + length > file.size()) RaiseShortRLAData();
        std::fill(planes[k].begin(), planes[k].end(), 0);
        const uint8_t* s = file.data() + at;
        uint8_t* t = planes[k].data();
        decoder.Decode(s, t, length, static_cast<int32_t>(width));
        at += length;
      }
      void* line = ScanLine(static_cast<int>(ImageProps.RowsBottomUp ? height - 1 - i : i));
      const void* sources[4] = {planes[0].data(), planes[1].data(), planes[2].data(),
                                channels == 4 ? planes[3].data() : nullptr};
      cm->ConvertLine(std::span<const void* const>(sources, channels), line, width);
      ProgressRow(i);
    }
    decoder.DecodeEnd();
    ProgressEnding();
  } catch (...) {
    SetHandle(nullptr);
    throw;
  }
}

}  // namespace formats
