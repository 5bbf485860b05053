#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/codecs/tga/tga_codec.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_settings.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"

namespace imaging {

namespace {

constexpr int32_t kTGAHeaderSize = 18;
constexpr int32_t kFooterSize = 26;
constexpr char kSignature[18] = "TRUEVISION-XFILE.";
// A run packet of 128 pixels takes one header and one pixel.
constexpr int64_t kLargestRunExpansion = 128;

bool KnownType(int32_t type) { return type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11; }
bool KnownDepth(int32_t depth) {
  return depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

// The text of a fixed field up to its first 0.
std::string FieldText(const uint8_t* p, int32_t size) {
  int32_t n = 0;
  while (n < size && p[n]) ++n;
  return std::string(reinterpret_cast<const char*>(p), size_t(n));
}

// A 5-5-5 word (red in bits 10 to 14) as a library colour.
TRGB From555(uint32_t word) {
  return TRGB{uint8_t((word & 31) << 3), uint8_t(((word >> 5) & 31) << 3), uint8_t(((word >> 10) & 31) << 3)};
}

// The stream through an 8192-byte buffer; every read fails at the end of the data.
class TBufferedInput {
 public:
  explicit TBufferedInput(vcl::TStream* stream) : stream_(stream) {}
  bool TGAReadBytes(uint8_t* dest, int32_t count) {
    while (count > 0) {
      if (at_ == filled_ && !TGAFillBuffer()) return false;
      const int32_t n = std::min(count, filled_ - at_);
      std::memcpy(dest, buffer_ + at_, size_t(n));
      at_ += n, dest += n, count -= n;
    }
    return true;
  }
  bool TGAReadByte(uint8_t& value) { return TGAReadBytes(&value, 1); }

 private:
  // The next buffer's worth of the stream; false at its end.
  bool TGAFillBuffer() {
    filled_ = stream_->Read(buffer_, sizeof(buffer_));
    at_ = 0;
    if (filled_ > 0) return true;
    filled_ = 0;
    return false;
  }

  vcl::TStream* stream_;
  uint8_t buffer_[8192];
  int32_t filled_ = 0, at_ = 0;
};

struct TPalette {
  TRGB colours[256];
  uint8_t alpha[256];
  bool hasAlpha = false;
};

// rrrgggbb: the colours an index has before (or without) the file's map.
void TGAFillDefaultPalette(TPalette& palette) {
  for (int32_t i = 0; i < 256; ++i) {
    palette.colours[i] = TRGB{uint8_t((i & 3) * 64 + 60), uint8_t(((i >> 2) & 7) * 32 + 28), uint8_t((i >> 5) * 32 + 28)};
    palette.alpha[i] = 255;
  }
}

// Without a colour map, 8-bit pixels are grey levels.
void TGAFillGrayPalette(TPalette& palette) {
  for (int32_t i = 0; i < 256; ++i) palette.colours[i] = TRGB{uint8_t(i), uint8_t(i), uint8_t(i)};
}

void ReadExtensionArea(vcl::TStream* stream, int64_t start, TIOParamsVals& params) {
  params.TGAAuthor.clear();
  params.TGAImageName.clear();
  params.TGADate = vcl::Now();
  params.TGABackground = TRGB{0, 0, 0};
  params.TGAAspectRatio = 1.0;
  params.TGAGamma = 2.2;
  const int64_t end = stream->Size();
  if (end - start < kTGAHeaderSize + kFooterSize) return;
  uint8_t footer[kFooterSize];
  stream->SetPosition(end - kFooterSize);
  if (stream->Read(footer, kFooterSize) != kFooterSize || std::memcmp(footer + 8, kSignature, 18) != 0) return;
  const int64_t offset = vcl::le::U32(footer);
  if (offset == 0 || start + offset + kTGAExtensionSize > end) return;
  uint8_t area[kTGAExtensionSize];
  stream->SetPosition(start + offset);
  if (stream->Read(area, kTGAExtensionSize) != kTGAExtensionSize) return;
  params.TGAAuthor = FieldText(area + 2, 41);
  const uint32_t month = vcl::le::U16(area + 367), day = vcl::le::U16(area + 369), year = vcl::le::U16(area + 371);
  const uint32_t hour = vcl::le::U16(area + 373), minute = vcl::le::U16(area + 375), second = vcl::le::U16(area + 377);
  if (month && day && year && year < 2500 && month < 13 && day < 32 && hour < 24 && minute < 60 && second < 60) {
    vcl::TDateTime date = 0, time = 0;
    // An impossible day of the month keeps today.
    if (vcl::TryEncodeDate(int(year), int(month), int(day), date) &&
        vcl::TryEncodeTime(int(hour), int(minute), int(second), 0, time))
      params.TGADate = date + time;
  }
  params.TGAImageName = FieldText(area + 379, 41);
  params.TGABackground = TRGB{area[473], area[472], area[471]};
  const uint32_t aspectN = vcl::le::U16(area + 474), aspectD = vcl::le::U16(area + 476);
  if (aspectN && aspectD) params.TGAAspectRatio = double(aspectN) / aspectD;
  const uint32_t gammaN = vcl::le::U16(area + 478), gammaD = vcl::le::U16(area + 480);
  if (gammaN && gammaD) params.TGAGamma = double(gammaN) / gammaD;
}

// Rows of pixels from raw or run-length data; a run packet may go on into the next row.
class TRowReader {
 public:
  TRowReader(TBufferedInput& input, int32_t depth, bool rle, const TPalette& palette)
      : input_(input), bytes_((depth + 7) / 8), depth_(depth), rle_(rle), palette_(palette) {}

  // Decodes `width` pixels into 3-byte colours and alpha values; false when the data ends.
  bool TGAReadRow(TRGB* colours, uint8_t* alpha, int32_t width) {
    if (!rle_) return ReadPixels(colours, alpha, width);
    for (int32_t x = 0; x < width;) {
      if (pending_ == 0) {
        uint8_t header;
        if (!input_.TGAReadByte(header)) return false;
        run_ = header & 0x80;
        pending_ = (header & 127) + 1;
        if (run_ && !input_.TGAReadBytes(runValue_, bytes_)) return false;
      }
      const int32_t n = std::min(pending_, width - x);
      if (run_) {
        if (depth_ == 8)
          TGAFillIndexedRun(colours + x, alpha + x, n);
        else
          TGAFillColorRun(colours + x, alpha + x, n);
      } else if (!ReadPixels(colours + x, alpha + x, n)) {
        return false;
      }
      x += n;
      pending_ -= n;
    }
    return true;
  }

 private:
  bool ReadPixels(TRGB* colours, uint8_t* alpha, int32_t count) {
    switch (depth_) {
      case 8: return TGAReadIndexedPixels(colours, alpha, count);
      case 16: return TGAReadRGB555Pixels(colours, alpha, count);
      default: return TGAReadTrueColorPixels(colours, alpha, count);
    }
  }

  // The bytes of `count` pixels in one read, through the buffer.
  const uint8_t* ReadRaw(int32_t count) {
    raw_.resize(size_t(count) * bytes_);
    return input_.TGAReadBytes(raw_.data(), int32_t(raw_.size())) ? raw_.data() : nullptr;
  }

  void IndexedColour(uint8_t index, TRGB& colour, uint8_t& alpha) const {
    colour = palette_.colours[index];
    alpha = palette_.hasAlpha ? palette_.alpha[index] : 255;
  }

  bool TGAReadIndexedPixels(TRGB* colours, uint8_t* alpha, int32_t count) {
    const uint8_t* p = ReadRaw(count);
    if (!p) return false;
    for (int32_t i = 0; i < count; ++i) IndexedColour(p[i], colours[i], alpha[i]);
    return true;
  }

  bool TGAReadRGB555Pixels(TRGB* colours, uint8_t* alpha, int32_t count) {
    const uint8_t* p = ReadRaw(count);
    if (!p) return false;
    for (int32_t i = 0; i < count; ++i) colours[i] = From555(vcl::le::U16(p + 2 * i)), alpha[i] = 255;
    return true;
  }

  // Blue, green, red, and for 32-bit pixels alpha.
  bool TGAReadTrueColorPixels(TRGB* colours, uint8_t* alpha, int32_t count) {
    const uint8_t* p = ReadRaw(count);
    if (!p) return false;
    for (int32_t i = 0; i < count; ++i, p += bytes_) {
      colours[i] = TRGB{p[0], p[1], p[2]};
      alpha[i] = depth_ == 32 ? p[3] : 255;
    }
    return true;
  }

  // A run packet's one index, repeated.
  void TGAFillIndexedRun(TRGB* colours, uint8_t* alpha, int32_t count) const {
    TRGB colour;
    uint8_t a;
    IndexedColour(runValue_[0], colour, a);
    std::fill_n(colours, count, colour);
    std::fill_n(alpha, count, a);
  }

  // A run packet's one colour (a 5-5-5 word or blue, green, red and alpha), repeated.
  void TGAFillColorRun(TRGB* colours, uint8_t* alpha, int32_t count) const {
    const TRGB colour = depth_ == 16 ? From555(vcl::le::U16(runValue_)) : TRGB{runValue_[0], runValue_[1], runValue_[2]};
    std::fill_n(colours, count, colour);
    std::fill_n(alpha, count, depth_ == 32 ? runValue_[3] : uint8_t(255));
  }

  TBufferedInput& input_;
  int32_t bytes_, depth_;
  bool rle_;
  const TPalette& palette_;
  std::vector<uint8_t> raw_;
  int32_t pending_ = 0;
  bool run_ = false;
  uint8_t runValue_[4] = {};
};

// Right-to-left rows turned the right way round, and their alpha with them.
void TGAMirrorRow(std::vector<TRGB>& colours, std::vector<uint8_t>& alpha) {
  std::reverse(colours.begin(), colours.end());
  std::reverse(alpha.begin(), alpha.end());
}

void MirrorBits(uint8_t* row, int32_t width) {
  std::vector<uint8_t> copy(row, row + (width + 7) / 8);
  std::memset(row, 0, copy.size());
  for (int32_t x = 0; x < width; ++x) {
    const int32_t from = width - 1 - x;
    if (copy[from / 8] & (0x80 >> (from % 8))) row[x / 8] |= uint8_t(0x80 >> (x % 8));
  }
}

// The TGA 2.0 fields, the 18-byte header `h`, the image ID and the colour map into the working
// palette and the parameters; false when the header or the map cannot be read.
bool ReadTGAHeader(vcl::TStream* Stream, int64_t start, TBufferedInput& input, uint8_t (&h)[kTGAHeaderSize],
                   TPalette& palette, TIOParamsVals& Params) {
  ReadExtensionArea(Stream, start, Params);
  Stream->SetPosition(start);
  if (!input.TGAReadBytes(h, kTGAHeaderSize)) return false;
  const int32_t type = h[2], depth = h[16], mapType = h[1];
  Params.TGAOriginX = int32_t(vcl::le::U16(h + 8));
  Params.TGAOriginY = int32_t(vcl::le::U16(h + 10));
  if (!KnownType(type) || !KnownDepth(depth)) return false;
  std::string comment(h[0], '\0');
  if (h[0] && !input.TGAReadBytes(reinterpret_cast<uint8_t*>(comment.data()), h[0])) return false;
  Params.TGAComment = comment.substr(0, comment.find('\0'));

  TGAFillDefaultPalette(palette);
  if (mapType == 1) {
    const int32_t first = int32_t(vcl::le::U16(h + 3)), length = int32_t(vcl::le::U16(h + 5)), entryBits = h[7];
    // Other entry sizes have no layout: the data after the map could not be found.
    if (entryBits != 15 && entryBits != 16 && entryBits != 24 && entryBits != 32) return false;
    const int32_t entryBytes = (entryBits + 7) / 8;
    for (int32_t i = 0; i < length; ++i) {
      uint8_t e[4];
      if (!input.TGAReadBytes(e, entryBytes)) return false;
      // The working palette has 256 entries; the rest of a longer map is read past.
      const int32_t index = first + i;
      if (index >= 256) continue;
      if (entryBits <= 16) {
        palette.colours[index] = From555(vcl::le::U16(e));
      } else {
        palette.colours[index] = TRGB{e[0], e[1], e[2]};
        if (entryBits == 32) palette.alpha[index] = e[3], palette.hasAlpha = true;
      }
    }
    Params.FreeColorMap();
    Params.ColorMapCount = std::min(length, 256);
    Params.ColorMap.assign(palette.colours, palette.colours + Params.ColorMapCount);
    Params.TGAGrayscale = false;
  } else if (mapType != 0) {
    return false;
  } else if (depth == 8) {
    TGAFillGrayPalette(palette);
    Params.TGAGrayscale = true;
  } else if (depth == 1) {
    palette.colours[0] = TRGB{0, 0, 0};
    palette.colours[1] = TRGB{255, 255, 255};
  }
  Params.TGACompressed = type >= 9;
  return true;
}

}  // namespace

bool IsTGAStream(vcl::TStream* Stream) {
  const int64_t start = Stream->Position();
  uint8_t h[kTGAHeaderSize];
  const bool complete = Stream->Read(h, kTGAHeaderSize) == kTGAHeaderSize;
  Stream->SetPosition(start);
  return complete && KnownType(h[2]) && KnownDepth(h[16]) && h[1] <= 1 && vcl::le::U16(h + 12) > 0 && vcl::le::U16(h + 14) > 0;
}

void ReadTGAStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                   bool Preview, TIEMask*& AlphaMask, bool IgnoreAlpha) {
  const int64_t start = Stream->Position();
  TBufferedInput input(Stream);
  uint8_t h[kTGAHeaderSize];
  TPalette palette;
  if (!ReadTGAHeader(Stream, start, input, h, palette, Params)) return Progress.Abort();
  const int32_t depth = h[16];
  const int32_t width = int32_t(vcl::le::U16(h + 12)), height = int32_t(vcl::le::U16(h + 14));
  const bool rle = h[2] >= 9;

  if (width <= 0 || height <= 0) return Progress.Abort();
  Params.Width = Params.StoredWidth = width;
  Params.Height = Params.StoredHeight = height;
  Params.SetDpiX(IEDefaultDpiX);
  Params.SetDpiY(IEDefaultDpiY);
  Params.SetImageCount(1);
  switch (depth) {
    case 1: Params.BitsPerSample = 1, Params.SamplesPerPixel = 1; break;
    case 8: Params.BitsPerSample = 8, Params.SamplesPerPixel = 1; break;
    case 16: Params.BitsPerSample = 5, Params.SamplesPerPixel = 3; break;
    case 24: Params.BitsPerSample = 8, Params.SamplesPerPixel = 3; break;
    case 32: Params.BitsPerSample = 8, Params.SamplesPerPixel = 4; break;
  }
  // Four-bit pixels and run-length packed bits have no decoder: nothing would be read.
  if (depth == 4 || (depth == 1 && rle)) return Progress.Abort();
  if (Preview) return;

  const int64_t remaining = Stream->Size() - start;
  const int64_t rowBytes = depth == 1 ? (int64_t(width) + 7) / 8 : int64_t(width) * (depth / 8);
  if (rle ? int64_t(width) * height > (remaining + 1) * kLargestRunExpansion : rowBytes * height > remaining)
    return Progress.Abort();
  if (!Bitmap->Allocate(width, height, depth == 1 ? ie1g : ie24RGB)) return Progress.Abort();
  Bitmap->Fill(0);
  Progress.Per1 = 100.0 / height;
  Progress.Val = 0;

  const bool withAlpha = !IgnoreAlpha && (depth == 32 || (depth == 8 && palette.hasAlpha));
  std::unique_ptr<TIEMask> ownMask;
  TIEMask* mask = nullptr;
  if (withAlpha) {
    if (!AlphaMask) {
      ownMask = std::make_unique<TIEMask>();
      mask = ownMask.get();
    } else {
      mask = AlphaMask;
    }
    mask->Allocate(width, height, 8);
    mask->Fill(255);
    mask->SetFull(false);
  }
  const bool topFirst = h[17] & 0x20;
  const bool mirrored = h[17] & 0x10;
  std::vector<TRGB> colours(static_cast<size_t>(width));
  std::vector<uint8_t> alpha(size_t(width), 255);
  TRowReader rows(input, depth, rle, palette);
  for (int32_t r = 0; r < height; ++r) {
    const int32_t y = topFirst ? r : height - 1 - r;
    auto* out = static_cast<uint8_t*>(Bitmap->GetScanline(y));
    if (depth == 1) {
      if (!input.TGAReadBytes(out, int32_t(rowBytes))) return Progress.Abort();
      if (mirrored) MirrorBits(out, width);
    } else {
      if (!rows.TGAReadRow(colours.data(), alpha.data(), width)) return Progress.Abort();
      if (mirrored) TGAMirrorRow(colours, alpha);
      std::memcpy(out, colours.data(), size_t(width) * 3);
      if (mask) std::memcpy(mask->GetScanline(y), alpha.data(), size_t(width));
    }
    ++Progress.Val;
    Progress.Report();
    if (Progress.IsAborting()) return;
  }
  if (mask) {
    mask->SyncBoundingBox();
    if (mask->IsEmpty()) {
      if (mask == AlphaMask) {
        delete AlphaMask;
        AlphaMask = nullptr;
      }
    } else if (ownMask) {
      AlphaMask = ownMask.release();
    }
  }
}

}  // namespace imaging
