#include "formats/pnm/ppm_graphic.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace formats {

namespace {

[[noreturn]] void RaiseShortPPMData() { RaiseGraphicErrorFmt(messages::gesStreamReadError, "PPM"); }

bool IsSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// Reads a portable map held in memory.
class TMapReader {
 public:
  TMapReader(const uint8_t* data, size_t size) : at_(data), end_(data + size) {}
  size_t Left() const { return static_cast<size_t>(end_ - at_); }
  const uint8_t* At() const { return at_; }
  void Skip(size_t n) { at_ += std::min(n, Left()); }

  // The next byte without taking it; 0 at the end of the data, which no caller takes for part
  // of a number, a space or a comment.
  uint8_t PeekNextChar() const { return at_ < end_ ? *at_ : 0; }
  // The next byte, taken; 0 at the end of the data.
  uint8_t NextChar() { return at_ < end_ ? *at_++ : 0; }

  // Skips white space and comments (from "#" to the end of the line).
  void SkipSpace() {
    while (true) {
      const uint8_t c = PeekNextChar();
      if (c == '#') {
        while (at_ < end_ && *at_ != '\n' && *at_ != '\r') ++at_;
      } else if (IsSpace(c)) {
        NextChar();
      } else {
        break;
      }
    }
  }
  // A decimal number after white space and comments; false when none is there or it is
  // beyond 32 bits.
  bool ReadNumber(uint32_t& value) {
    SkipSpace();
    if (!IsDigit(PeekNextChar())) return false;
    uint64_t v = 0;
    while (IsDigit(PeekNextChar())) {
      v = v * 10 + (NextChar() - '0');
      if (v > 0xFFFFFFFFu) return false;
    }
    value = static_cast<uint32_t>(v);
    return true;
  }
  // A plain bitmap pixel: one digit, with or without white space between pixels.
  bool Bit(uint32_t& value) {
    SkipSpace();
    const uint8_t c = PeekNextChar();
    if (c != '0' && c != '1') return false;
    value = NextChar() - '0';
    return true;
  }
  // The one white-space byte that ends the header of a binary map.
  bool HeaderEnd() {
    if (at_ >= end_ || !IsSpace(*at_)) return false;
    ++at_;
    return true;
  }

 private:
  const uint8_t* at_;
  const uint8_t* end_;
};

struct THeader {
  int variant = 0;
  uint32_t width = 0, height = 0, maxval = 1;
};

// A "P" line of a variant other than 1 to 6 ("P7", arbitrary maps): a portable map this reader
// has no pixels for.
bool IsOtherVariant(const uint8_t* data, size_t size) {
  return size >= 2 && data[0] == 'P' && data[1] >= '0' && data[1] <= '9' && (data[1] < '1' || data[1] > '6');
}

bool ParsePPMHeader(TMapReader& reader, THeader& h) {
  if (reader.Left() < 2 || reader.At()[0] != 'P' || reader.At()[1] < '1' || reader.At()[1] > '6') return false;
  h.variant = reader.At()[1] - '0';
  reader.Skip(2);
  if (!reader.ReadNumber(h.width) || !reader.ReadNumber(h.height)) return false;
  if (h.variant != 1 && h.variant != 4 && !reader.ReadNumber(h.maxval)) return false;
  if (h.variant >= 4 && !reader.HeaderEnd()) return false;
  return h.width > 0 && h.height > 0 && h.width <= 0x7FFFFFF && h.height <= 0x7FFFFFF && h.maxval >= 1 &&
         h.maxval <= 65535;
}

}  // namespace

TPPMGraphic::TPPMGraphic() = default;
TPPMGraphic::~TPPMGraphic() = default;

bool TPPMGraphic::CanLoadStream(vcl::TStream* stream) {
  const int64_t at = stream->Position();
  uint8_t b[2];
  const bool ok = stream->Size() - at > 10 && stream->Read(b, 2) == 2 && b[0] == 'P' && b[1] >= '1' && b[1] <= '6';
  stream->SetPosition(at);
  return ok;
}

bool TPPMGraphic::ReadImageProperties(vcl::TStream* stream, uint32_t imageIndex) {
  inherited::ReadImageProperties(stream, imageIndex);
  SourceStream = stream;
  // A header is short; comments may make it longer, but not beyond this.
  uint8_t b[4096];
  const int32_t got = stream->Read(b, sizeof b);
  TMapReader reader(b, static_cast<size_t>(std::max(got, 0)));
  // Other variants are portable maps too, of size 0.
  if (IsOtherVariant(b, static_cast<size_t>(std::max(got, 0)))) return true;
  THeader h;
  if (!ParsePPMHeader(reader, h)) return false;
  const bool bits = h.variant == 1 || h.variant == 4, colour = h.variant == 3 || h.variant == 6;
  ImageProps.Packing = pkNone;
  ImageProps.ImageWidth = h.width;
  ImageProps.ImageHeight = h.height;
  ImageProps.SampleCount = colour ? 3 : 1;
  ImageProps.SampleBits = bits ? 1 : h.maxval > 255 ? 16 : 8;
  ImageProps.Scheme = colour ? scRGB : scIndexed;
  ImageProps.PixelBits = static_cast<uint8_t>(ImageProps.SampleCount * ImageProps.SampleBits);
  return true;
}

void TPPMGraphic::LoadFromStream(vcl::TStream* stream) {
  BeginLoad(stream, "PBM, PGM or PPM");
  const int64_t size = stream->Size() - StartOffset;
  if (size > 0x7FFFFFFF) RaiseShortPPMData();
  std::vector<uint8_t> data(static_cast<size_t>(size));
  stream->SetPosition(StartOffset);
  stream->ReadBuffer(data.data(), static_cast<int32_t>(size));
  TMapReader reader(data.data(), data.size());
  if (IsOtherVariant(data.data(), data.size())) return;  // an empty bitmap, without an error
  THeader h;
  if (!ParsePPMHeader(reader, h)) RaiseGraphicErrorFmt(messages::gesInvalidImage, "PBM, PGM or PPM");

  const bool bits = h.variant == 1 || h.variant == 4, colour = h.variant == 3 || h.variant == 6;
  const bool text = h.variant <= 3;
  const uint32_t width = h.width, height = h.height, samples = colour ? 3 : 1;
  const uint32_t sampleBytes = h.maxval > 255 ? 2 : 1;
  // Every pixel takes at least one byte of text (two for numbers with separators) or its bytes
  // of binary data: checked before the bitmap is made.
  const uint64_t pixels = uint64_t{width} * height;
  const uint64_t binaryRow = bits ? (width + 7) / 8 : uint64_t{width} * samples * sampleBytes;
  const uint64_t needed = text ? pixels * samples : binaryRow * height;
  if (needed > reader.Left()) RaiseShortPPMData();

  ProgressArea = vcl::Rect(0, 0, static_cast<int>(width), 1);
  ProgressStarting(messages::gesTransfering);
  // Samples to bytes, rounded, with values above the maximum taken as the maximum.
  auto scale = [&](uint32_t v) {
    return static_cast<uint8_t>((std::min(v, h.maxval) * 255 + h.maxval / 2) / h.maxval);
  };
  try {
    TColorManager* cm = ColourConverter();
    cm->SourceOptions = TColorOptions{};
    cm->TargetOptions = TColorOptions{};
    cm->SetSourceScheme(scGray);
    cm->SetTargetScheme(scGray);
    cm->SetTargetSampleCount(1);
    if (bits) {
      SetPixelFormat(vcl::pf1bit);
      cm->SetTargetBitsPerSample(1);
      SetPalette(cm->BuildGrayPalette(true));  // 1 is black
    } else if (!colour) {
      SetPixelFormat(vcl::pf8bit);
      cm->SetTargetBitsPerSample(8);
      SetPalette(cm->BuildGrayPalette(false));
    } else {
      SetPixelFormat(vcl::pf24bit);
    }
    SetSize(static_cast<int>(width), static_cast<int>(height));
    for (uint32_t y = 0; y < height; ++y) {
      auto* line = static_cast<uint8_t*>(ScanLine(static_cast<int>(y)));
      if (bits) {
        if (text) {
          std::memset(line, 0, (width + 7) / 8);
          for (uint32_t x = 0; x < width; ++x) {
            uint32_t v;
            if (!reader.Bit(v)) RaiseShortPPMData();
            line[x / 8] |= static_cast<uint8_t>(v << (7 - x % 8));
          }
        } else {
          std::memcpy(line, reader.At(), static_cast<size_t>(binaryRow));
          reader.Skip(static_cast<size_t>(binaryRow));
        }
      } else {
        for (uint32_t x = 0; x < width; ++x) {
          uint8_t s[3];
          for (uint32_t k = 0; k < samples; ++k) {
            uint32_t v;
            if (text) {
              if (!reader.ReadNumber(v)) RaiseShortPPMData();
            } else {
              if (reader.Left() < sampleBytes) RaiseShortPPMData();
              const uint8_t* p = reader.At();
              v = sampleBytes == 2 ? uint32_t{p[0]} << 8 | p[1] : p[0];
              reader.Skip(sampleBytes);
            }
            s[k] = scale(v);
          }
          if (colour) {
            line[x * 3] = s[2];
            line[x * 3 + 1] = s[1];
            line[x * 3 + 2] = s[0];
          } else {
            line[x] = s[0];
          }
        }
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
