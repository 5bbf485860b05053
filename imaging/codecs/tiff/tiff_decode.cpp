#include "imaging/codecs/tiff/tiff_decode.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>

#include "imaging/coding/ccitt.h"
#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/coding/zlib_streams.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/colour_conversion.h"
#include "imaging/params/io_params.h"
#include "imaging/model/icc_profile.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

namespace imaging {

const char TIFFTwelveBitScannerSignature[16] = "Mergeon 12-bit ";

namespace {

// The sample layouts the decoder turns into bitmap rows, in the order they are tested.
enum class Layout {
  Unsupported,
  Jpeg,
  Rgb16,          // 3 or 4 samples of 16 bits, a fourth dropped
  Rgb555,         // one 16-bit sample holding 5-5-5 RGB
  RgbExtra,       // RGB followed by more than one extra 8-bit sample
  Palette1,       // 1-bit palette indexes
  PaletteAlpha,   // 8-bit index and alpha
  Palette,        // up to 8-bit indexes
  Grey,           // 8, 4, 2 or 7 bits
  GreyAlpha,      // 8-bit grey and alpha (further samples skipped)
  Grey16,
  Bilevel,
  Cmyk,
  CmykAlpha,      // 8-bit CMYK and extra samples
  Cmyk16,
  Lab,
  YCbCr422,       // 8-bit, Y sampled 2 by 1
  Rgb             // 8-bit RGB, a fourth sample alpha or skipped
};

Layout ClassifyLayout(const TTIFFVars& v) {
  int32_t p = v.Photometric, s = v.SamplesPerPixel, b = v.BitsPerSample;
  if (v.Compression == 7) return Layout::Jpeg;
  if (p == 2 && (s == 3 || s == 4) && b == 16) return Layout::Rgb16;
  if (p == 2 && s == 1 && b == 16) return Layout::Rgb555;
  if (p == 2 && s > 4 && b == 8 && v.ExtraSampleCount > 0) return Layout::RgbExtra;
  if (p == 3 && b == 1 && s == 1) return Layout::Palette1;
  if (p == 3 && s == 2 && b == 8) return Layout::PaletteAlpha;
  if (p == 3 && s == 1 && b <= 8) return Layout::Palette;
  if (p <= 1 && s == 1 && (b == 8 || b == 4 || b == 2 || b == 7)) return Layout::Grey;
  if (p <= 1 && s >= 2 && b == 8) return Layout::GreyAlpha;
  if (p <= 1 && s == 1 && b == 16) return Layout::Grey16;
  if (p <= 1 && s == 1 && b == 1) return Layout::Bilevel;
  if (p == 5 && s == 4 && b == 8) return Layout::Cmyk;
  if (p == 5 && s > 4 && b == 8) return Layout::CmykAlpha;
  if (p == 5 && s == 4 && b == 16) return Layout::Cmyk16;
  if (p == 8 && s == 3 && b == 8) return Layout::Lab;
  if (p == 6 && s == 3 && b == 8 && v.YCbCrSubsampling[0] == 2 && v.YCbCrSubsampling[1] == 1)
    return Layout::YCbCr422;
  if (p == 2 && (s == 3 || s == 4) && b == 8) return Layout::Rgb;
  return Layout::Unsupported;
}

bool IsCCITT(int32_t compression) { return compression >= 2 && compression <= 4; }
bool IsDeflate(int32_t compression) { return compression == 8 || compression == 32946; }

// Whether the row decoders know the compression and it suits the samples: the fax codings
// describe bilevel rows only (taken for wider samples, one coded bit would stand for a whole
// row of pixels).
bool IsRowCompressionKnown(const TTIFFVars& v) {
  if (IsCCITT(v.Compression)) return v.BitsPerSample == 1 && v.SamplesPerPixel == 1;
  return v.Compression == 1 || v.Compression == 5 || IsDeflate(v.Compression) || v.Compression == 32773;
}

bool Predicts(const TTIFFVars& v) { return v.Predictor == 2 && (v.Compression == 5 || IsDeflate(v.Compression)); }

// Bytes of one undecoded row. 4:2:2 YCbCr packs two pixels into four bytes.
int64_t RowBytesOf(const TTIFFVars& v, int32_t width, bool onePlane) {
  if (!onePlane && ClassifyLayout(v) == Layout::YCbCr422) return (int64_t(width) + 1) / 2 * 4;
  int64_t samples = onePlane ? width : int64_t(v.SamplesPerPixel) * width;
  return (samples * v.BitsPerSample + 7) / 8;
}

uint8_t ReverseBits(uint8_t b) {
  b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

uint16_t Word(const uint8_t* p, bool littleEndian) {
  return littleEndian ? vcl::le::U16(p) : vcl::be::U16(p);
}

bool AlphaWanted(const TTIFFVars& v) { return v.AlphaMask && !v.IgnoreAlpha && v.AlphaMask->Bits(); }

// Counts one decoded row and reports when the whole per cent changes.
void StepProgress(TCodecProgress& progress) {
  ++progress.Val;
  if (!progress.OnProgressCode) return;
  int32_t percent = static_cast<int32_t>(progress.Val * progress.Per1);
  if (percent != static_cast<int32_t>((progress.Val - 1) * progress.Per1)) progress.Report(percent);
}

// Produces the decoded rows of one strip or tile (one plane of it for planar data).
class RowDecompressor {
 public:
  RowDecompressor(const TTIFFVars& vars, const uint8_t* data, int64_t length, int32_t width, int32_t rows,
                  bool onePlane)
      : vars_(vars), data_(data), length_(length), width_(width), rows_(rows) {
    rowBytes_ = RowBytesOf(vars, width, onePlane);
    samplesPerRow_ = onePlane ? width : int64_t(vars.SamplesPerPixel) * width;
    row_.assign(std::max<int64_t>(rowBytes_, (width + 7) / 8) + TIFFStripSlack, 0);
    if (vars.BitsPerSample < 8 && vars.BitsPerSample > 1)
      wide_.assign(std::max<int64_t>(samplesPerRow_, rowBytes_ * 2) + TIFFStripSlack, 0);
    if (IsCCITT(vars.Compression)) refLine_.assign((width + 7) / 8 + TIFFStripSlack, 0xFF);
  }
  ~RowDecompressor() {
    if (lzwState_) vars_.LZWDecompress(nullptr, 0, lzwState_, vars_.FillOrder, 0);
  }
  RowDecompressor(const RowDecompressor&) = delete;
  RowDecompressor& operator=(const RowDecompressor&) = delete;

  int64_t RowBytes() const { return rowBytes_; }

  // The next row, decompressed and widened to a byte per sample when samples are narrower
  // than 8 bits (1-bit rows stay packed). Nil at the end of the strip's data; `failed` tells a
  // damaged strip from one that simply ends.
  const uint8_t* Next(bool& failed) {
    failed = false;
    const uint8_t* row = Decompress(failed);
    ++rowIndex_;
    if (!row) return nullptr;
    return Widen(row);
  }

  // Undoes horizontal differencing on a row from Next, in this decompressor's own row buffer
  // (the coder's output stays as it was: its later strings are made of it). Only 8- and 16-bit
  // samples are differenced; other rows come back as they are.
  const uint8_t* Predict(const uint8_t* row, bool onePlane) {
    if (!Predicts(vars_) || (vars_.BitsPerSample != 8 && vars_.BitsPerSample != 16)) return row;
    if (row != row_.data()) std::memcpy(row_.data(), row, static_cast<size_t>(rowBytes_));
    ApplyTIFFPredictor(vars_, row_.data(), width_, onePlane);
    return row_.data();
  }

 private:
  const uint8_t* Decompress(bool& failed) {
    const int32_t compression = vars_.Compression;
    const bool reverse = vars_.FillOrder == 2 && vars_.BitsPerSample <= 8;
    switch (compression) {
      case 1: {
        if (position_ + rowBytes_ > length_) return nullptr;
        const uint8_t* source = data_ + position_;
        position_ += rowBytes_;
        if (!reverse && vars_.BitsPerSample >= 8) return source;  // used in place
        for (int64_t i = 0; i < rowBytes_; ++i) row_[i] = reverse ? ReverseBits(source[i]) : source[i];
        return row_.data();
      }
      case 2: {
        if (position_ >= length_) return nullptr;
        std::fill(row_.begin(), row_.end(), 0);
        int32_t used = CCITTDecodeMHRow(row_.data(), data_ + position_, Remaining(), vars_.FillOrder, width_);
        position_ += std::max(used, 1);
        return row_.data();
      }
      case 3:
      case 4: {
        if (bitPosition_ / 8 >= length_) return nullptr;
        std::fill(row_.begin(), row_.end(), 0);
        int32_t byteLength = static_cast<int32_t>(std::min<int64_t>(length_, INT32_MAX));
        int64_t next;
        if (compression == 3 && (vars_.T4Options & 1) == 0)
          next = CCITTDecodeMHLine(row_.data(), data_, byteLength, vars_.FillOrder, bitPosition_, width_);
        else
          next = CCITTDecode2DLine(row_.data(), data_, byteLength,
                                   compression == 3 || (vars_.T4Options & 4) != 0, vars_.FillOrder, bitPosition_,
                                   refLine_.data(), width_);
        bitPosition_ = std::max(next, bitPosition_ + 1);
        return row_.data();
      }
      case 5: {
        if (!vars_.LZWDecompress) {
          failed = true;
          return nullptr;
        }
        const uint8_t* decoded =
            vars_.LZWDecompress(data_, static_cast<int32_t>(rowBytes_), lzwState_, vars_.FillOrder, length_);
        if (!decoded) {
          failed = true;
          return nullptr;
        }
        std::memcpy(row_.data(), decoded, rowBytes_);
        return row_.data();
      }
      case 8:
      case 32946: {
        if (rowIndex_ == 0) {
          // The whole strip at once, never more than its rows need.
          int64_t expected = rowBytes_ * rows_;
          try {
            InflateBuffer(data_, static_cast<int32_t>(std::min<int64_t>(length_, INT32_MAX)), inflated_,
                          static_cast<int32_t>(std::min<int64_t>(expected, INT32_MAX)), expected);
          } catch (const vcl::Exception&) {
            failed = true;
            return nullptr;
          }
        }
        int64_t start = rowBytes_ * rowIndex_;
        if (start + rowBytes_ > static_cast<int64_t>(inflated_.size())) return nullptr;
        return inflated_.data() + start;
      }
      case 32773:
        return PackBitsRow();
      default:
        failed = true;
        return nullptr;
    }
  }

  int32_t Remaining() const { return static_cast<int32_t>(std::min<int64_t>(length_ - position_, INT32_MAX)); }

  const uint8_t* PackBitsRow() {
    if (position_ >= length_) return nullptr;
    std::fill(row_.begin(), row_.end(), 0);
    const bool reverse = vars_.FillOrder == 2;
    auto next = [&]() -> uint8_t {
      uint8_t b = data_[position_++];
      return reverse ? ReverseBits(b) : b;
    };
    int64_t out = 0;
    while (out < rowBytes_ && position_ < length_) {
      int8_t control = static_cast<int8_t>(next());
      if (control >= 0) {
        for (int32_t i = 0; i <= control && position_ < length_; ++i) {
          uint8_t b = next();
          if (out < rowBytes_) row_[out++] = b;
        }
      } else if (control != -128) {
        if (position_ >= length_) break;
        uint8_t b = next();
        for (int32_t i = 0; i < 1 - control; ++i)
          if (out < rowBytes_) row_[out++] = b;
      }
    }
    return row_.data();
  }

  const uint8_t* Widen(const uint8_t* row) {
    const int32_t bits = vars_.BitsPerSample;
    if (bits >= 8 || bits == 1) return row;
    if (bits == 4) {
      for (int64_t i = 0; i < rowBytes_; ++i) {
        wide_[2 * i] = row[i] >> 4;
        wide_[2 * i + 1] = row[i] & 0x0F;
      }
    } else {
      int64_t bit = 0;
      for (int64_t i = 0; i < samplesPerRow_; ++i) {
        int32_t value = 0;
        for (int32_t k = 0; k < bits; ++k, ++bit) value = value << 1 | ((row[bit >> 3] >> (7 - (bit & 7))) & 1);
        wide_[i] = static_cast<uint8_t>(value);
      }
    }
    if (vars_.Photometric <= 1) {
      int32_t factor = bits == 4 ? 17 : bits == 2 ? 85 : bits == 7 ? 2 : 1;
      if (factor != 1)
        for (int64_t i = 0; i < samplesPerRow_; ++i) wide_[i] = static_cast<uint8_t>(wide_[i] * factor);
    }
    return wide_.data();
  }

  const TTIFFVars& vars_;
  const uint8_t* data_;
  int64_t length_;
  int32_t width_;
  int32_t rows_;
  int64_t rowBytes_ = 0;
  int64_t samplesPerRow_ = 0;
  int64_t position_ = 0;
  int64_t bitPosition_ = 0;
  int32_t rowIndex_ = 0;
  void* lzwState_ = nullptr;
  std::vector<uint8_t> row_;
  std::vector<uint8_t> wide_;
  std::vector<uint8_t> refLine_;
  std::vector<uint8_t> inflated_;
};

// Whether the samples of a pixel lie together. With one sample per pixel the separate-planes
// layout holds the very same bytes, so it is read as interleaved.
bool Interleaved(const TTIFFVars& v) { return v.PlanarConfig == 1 || (v.PlanarConfig == 2 && v.SamplesPerPixel == 1); }

// Where the decoded pixels go: the bitmap row (at a byte offset) and the mask row (at a pixel
// offset), both clipped to their width.
struct Target {
  TIEBitmap* bitmap;
  TIEMask* mask;  // nil: alpha not wanted
  int32_t pixelX;
  int32_t xOffset;
  int32_t width;  // pixels to write, already clipped
};

uint8_t* MaskRow(const Target& t, int32_t y) {
  if (!t.mask || y >= t.mask->Height() || t.pixelX >= t.mask->Width()) return nullptr;
  return static_cast<uint8_t*>(t.mask->GetScanline(y)) + t.pixelX;
}

int32_t MaskWidth(const Target& t) { return t.mask ? std::min(t.width, t.mask->Width() - t.pixelX) : 0; }

TRGB PaletteColour(const TTIFFVars& v, int32_t index) {
  if (v.ColorMapEntries.empty()) return TRGB{0, 0, 0};
  index = std::clamp<int32_t>(index, 0, static_cast<int32_t>(v.ColorMapEntries.size()) - 1);
  return v.ColorMapEntries[index];
}

// Colour rows go through the library's row converter with the parameter block, so that the
// image's own profile applies when colour management is on.
void ConvertColours(const TTIFFVars& v, const uint8_t* source, int32_t sourceFormat, uint8_t* target, int32_t count) {
  IEConvertColorHook(source, sourceFormat, target, kICCFormatBGR, count, v.Params);
}

// The row format of 48-bit RGB samples in the file's byte order.
int32_t RGB48Format(bool littleEndianFile) {
  return littleEndianFile == (std::endian::native == std::endian::little) ? kICCFormatRGB48 : kICCFormatRGB48Swapped;
}

// One decoded row (`src`, a byte per sample below 8 bits except 1-bit data) on its way into
// bitmap row `dst` and its mask row; what the layouts' converters below share.
struct TIFFRowOut {
  const TTIFFVars& v;
  const uint8_t* src;
  uint8_t* dst;
  TRGB* rgb;
  uint8_t* mask;  // nil: no alpha wanted or the row is beyond the mask
  bool maskWanted;
  int32_t maskWidth;
  int32_t w;  // pixels
  int32_t s;  // samples per pixel
  bool le;
  int32_t alphaSample;
  TIEPixelFormat format;
  std::vector<uint8_t>& scratch;  // pixels regrouped for the row converter
};

void ConvertTIFFRGB16Row(const TIFFRowOut& o) {
  if (o.format == ieRGB48) {
    for (int32_t x = 0; x < o.w; ++x) {
      const uint8_t* p = o.src + int64_t(x) * o.s * 2;
      uint16_t* d = reinterpret_cast<uint16_t*>(o.dst) + int64_t(x) * 3;
      d[0] = Word(p, o.le), d[1] = Word(p + 2, o.le), d[2] = Word(p + 4, o.le);
    }
  } else if (o.s == 3) {
    ConvertColours(o.v, o.src, RGB48Format(o.le), o.dst, o.w);
  } else {  // the fourth word dropped
    o.scratch.resize(size_t(o.w) * 6);
    for (int32_t x = 0; x < o.w; ++x) std::memcpy(o.scratch.data() + int64_t(x) * 6, o.src + int64_t(x) * 8, 6);
    ConvertColours(o.v, o.scratch.data(), RGB48Format(o.le), o.dst, o.w);
  }
}

void ConvertTIFFRGB555Row(const TIFFRowOut& o) {
  for (int32_t x = 0; x < o.w; ++x) {
    uint16_t value = Word(o.src + 2 * x, o.le);
    o.rgb[x] = MakeRGB(((value >> 10) & 31) << 3, ((value >> 5) & 31) << 3, (value & 31) << 3);
  }
}

void ConvertTIFFRGBExtraRow(const TIFFRowOut& o) {
  const TTIFFVars& v = o.v;
  bool alpha = false;
  for (int32_t i = 0; i < v.ExtraSampleCount; ++i) alpha |= v.ExtraSamples[i] == 1 || v.ExtraSamples[i] == 2;
  alpha = alpha && o.mask;
  for (int32_t x = 0; x < o.w; ++x) {
    const uint8_t* p = o.src + int64_t(x) * o.s;
    int32_t r = p[0], g = p[1], b = p[2];
    for (int32_t e = 0; alpha && e < o.s - 3 && e < v.ExtraSampleCount; ++e) {
      uint8_t a = p[3 + e];
      if (v.ExtraSamples[e] == 1) {
        // Associated alpha: the colour was multiplied by it.
        double scale = std::max(a / 255.0, 1.0 / 255.0);
        r = std::min(255, static_cast<int32_t>(r / scale));
        g = std::min(255, static_cast<int32_t>(g / scale));
        b = std::min(255, static_cast<int32_t>(b / scale));
      }
      if ((v.ExtraSamples[e] == 1 || v.ExtraSamples[e] == 2) && x < o.maskWidth) o.mask[x] = a;
    }
    o.rgb[x] = MakeRGB(r, g, b);
  }
}

// Palette indexes of 1 bit, of 8 bits, or of 8 bits each followed by an alpha sample.
void ConvertTIFFPaletteRow(const TIFFRowOut& o, Layout layout) {
  for (int32_t x = 0; x < o.w; ++x) {
    if (layout == Layout::PaletteAlpha) {
      o.rgb[x] = PaletteColour(o.v, o.src[2 * x]);
      if (o.mask && o.alphaSample == 1 && x < o.maskWidth) o.mask[x] = o.src[2 * x + 1];
      continue;
    }
    const int32_t index = layout == Layout::Palette1 ? (o.src[x >> 3] >> (7 - (x & 7))) & 1 : o.src[x];
    if (o.format == ie8p)
      o.dst[x] = static_cast<uint8_t>(index);
    else
      o.rgb[x] = PaletteColour(o.v, index);
  }
}

// Grey of 8 bits, alone or with an alpha sample; white-is-zero files are inverted.
void ConvertTIFFGreyRow(const TIFFRowOut& o, Layout layout) {
  for (int32_t x = 0; x < o.w; ++x) {
    const uint8_t* p = layout == Layout::GreyAlpha ? o.src + int64_t(x) * o.s : o.src + x;
    uint8_t value = o.v.Photometric == 0 ? 255 - p[0] : p[0];
    if (layout == Layout::Grey && o.format == ie8g) {
      o.dst[x] = value;
      continue;
    }
    o.rgb[x] = TRGB{value, value, value};
    if (layout == Layout::GreyAlpha && o.mask && o.alphaSample > 0 && x < o.maskWidth) o.mask[x] = p[o.alphaSample];
  }
}

void ConvertTIFFGrey16Row(const TIFFRowOut& o) {
  bool twelveBit = o.v.Software.compare(0, 15, TIFFTwelveBitScannerSignature) == 0;
  for (int32_t x = 0; x < o.w; ++x) {
    uint16_t value = Word(o.src + 2 * x, o.le);
    if (o.format == ie16g) {
      reinterpret_cast<uint16_t*>(o.dst)[x] = o.v.Photometric == 0 ? 65535 - value : value;
    } else {
      uint8_t byte = static_cast<uint8_t>(std::min(255, value >> (twelveBit ? 4 : 8)));
      if (o.v.Photometric == 0) byte = 255 - byte;
      o.rgb[x] = TRGB{byte, byte, byte};
    }
  }
}

void ConvertTIFFBilevelRow(const TIFFRowOut& o) {
  // The fax decoders give a set bit for white; plain data holds 1 for white only when
  // black is zero. The bitmap keeps 1 for white.
  bool invert = (o.v.Photometric == 0) != IsCCITT(o.v.Compression);
  int32_t bytes = (o.w + 7) / 8;
  for (int32_t i = 0; i < bytes; ++i) o.dst[i] = invert ? ~o.src[i] : o.src[i];
}

void ConvertTIFFCMYKRow(const TIFFRowOut& o, Layout layout) {
  bool alpha = layout == Layout::CmykAlpha && o.alphaSample > 0 && o.mask;
  // The bitmap keeps 255 minus the ink, the file the ink.
  o.scratch.resize(size_t(o.w) * 4);
  for (int32_t x = 0; x < o.w; ++x) {
    uint8_t* inks = o.scratch.data() + int64_t(x) * 4;
    if (layout == Layout::Cmyk16) {
      const uint8_t* p = o.src + int64_t(x) * 8;
      for (int32_t k = 0; k < 4; ++k) inks[k] = 255 - (Word(p + 2 * k, o.le) >> 8);
    } else {
      const uint8_t* p = o.src + int64_t(x) * o.s;
      for (int32_t k = 0; k < 4; ++k) inks[k] = 255 - p[k];
      if (alpha && x < o.maskWidth) o.mask[x] = p[o.alphaSample];
    }
  }
  if (o.format == ieCMYK)
    std::memcpy(o.dst, o.scratch.data(), size_t(o.w) * 4);
  else
    ConvertColours(o.v, o.scratch.data(), kICCFormatCMYK, o.dst, o.w);
}

void ConvertTIFFYCbCr422Row(const TIFFRowOut& o) {
  // Each unit Y0 Y1 Cb Cr stands for two pixels sharing the chroma.
  o.scratch.resize(size_t(o.w) * 3);
  for (int32_t x = 0; x < o.w; ++x) {
    const uint8_t* unit = o.src + int64_t(x / 2) * 4;
    uint8_t* pixel = o.scratch.data() + int64_t(x) * 3;
    pixel[0] = unit[x & 1], pixel[1] = unit[2], pixel[2] = unit[3];
  }
  ConvertColours(o.v, o.scratch.data(), kICCFormat3Channel, o.dst, o.w);  // the row format of YCbCr
}

void ConvertTIFFRGBRow(const TIFFRowOut& o) {
  if (o.s == 4 && o.maskWanted && o.alphaSample == 3) {
    for (int32_t x = 0; x < o.w; ++x) {
      const uint8_t* p = o.src + int64_t(x) * 4;
      o.rgb[x] = MakeRGB(p[0], p[1], p[2]);
      if (o.mask && x < o.maskWidth) o.mask[x] = p[3];
    }
  } else if (o.s == 3) {
    ConvertColours(o.v, o.src, kICCFormatRGB, o.dst, o.w);
  } else {  // the fourth sample skipped
    o.scratch.resize(size_t(o.w) * 3);
    for (int32_t x = 0; x < o.w; ++x) std::memcpy(o.scratch.data() + int64_t(x) * 3, o.src + int64_t(x) * 4, 3);
    ConvertColours(o.v, o.scratch.data(), kICCFormatRGB, o.dst, o.w);
  }
}

// Writes one decoded row (`src`, a byte per sample below 8 bits except 1-bit data) of the
// layout into bitmap row y. `scratch` holds pixels regrouped for the row converter.
void ConvertRow(const TTIFFVars& v, Layout layout, const uint8_t* src, const Target& t, int32_t y,
                std::vector<uint8_t>& scratch) {
  uint8_t* dst = static_cast<uint8_t*>(t.bitmap->Scanline(y)) + t.xOffset;
  const TIFFRowOut o{v, src, dst, reinterpret_cast<TRGB*>(dst), MaskRow(t, y), t.mask != nullptr, MaskWidth(t),
                     t.width, v.SamplesPerPixel, v.LittleEndian != 0, TIFFAlphaSample(v), t.bitmap->PixelFormat(),
                     scratch};
  switch (layout) {
    case Layout::Rgb16: ConvertTIFFRGB16Row(o); break;
    case Layout::Rgb555: ConvertTIFFRGB555Row(o); break;
    case Layout::RgbExtra: ConvertTIFFRGBExtraRow(o); break;
    case Layout::Palette1:
    case Layout::PaletteAlpha:
    case Layout::Palette: ConvertTIFFPaletteRow(o, layout); break;
    case Layout::Grey:
    case Layout::GreyAlpha: ConvertTIFFGreyRow(o, layout); break;
    case Layout::Grey16: ConvertTIFFGrey16Row(o); break;
    case Layout::Bilevel: ConvertTIFFBilevelRow(o); break;
    case Layout::Cmyk:
    case Layout::CmykAlpha:
    case Layout::Cmyk16: ConvertTIFFCMYKRow(o, layout); break;
    case Layout::Lab: ConvertColours(v, src, kICCFormatLab, dst, t.width); break;
    case Layout::YCbCr422: ConvertTIFFYCbCr422Row(o); break;
    case Layout::Rgb: ConvertTIFFRGBRow(o); break;
    default: break;
  }
}

// The bitmap formats each layout can write into.
bool FormatFits(Layout layout, TIEPixelFormat format) {
  switch (layout) {
    case Layout::Bilevel:
      return format == ie1g;
    case Layout::Palette1:
    case Layout::Palette:
      return format == ie8p || format == ie24RGB;
    case Layout::Grey:
      return format == ie8g || format == ie24RGB;
    case Layout::Grey16:
      return format == ie16g || format == ie24RGB;
    case Layout::Rgb16:
      return format == ieRGB48 || format == ie24RGB;
    case Layout::Cmyk:
    case Layout::CmykAlpha:
    case Layout::Cmyk16:
      return format == ieCMYK || format == ie24RGB;
    case Layout::Jpeg:
    case Layout::Unsupported:
      return false;
    default:
      return format == ie24RGB;
  }
}

// Bitmap bytes before pixel x of a row.
int64_t ByteOffsetOf(TIEPixelFormat format, int32_t x) {
  if (format == ie1g) return x / 8;
  return int64_t(x) * IEBytesPerPixel(format);
}

// The JPEG reader decodes into a bitmap and a parameter block of its own; only the fields the
// TIFF reader owns are put back afterwards.
struct SavedGeometry {
  explicit SavedGeometry(TIOParamsVals& p)
      : params(p), dpiX(p.DpiX), dpiY(p.DpiY), exifX(p.EXIFXResolution), exifY(p.EXIFYResolution),
        width(p.Width), height(p.Height), storedWidth(p.StoredWidth), storedHeight(p.StoredHeight),
        imageCount(p.ImageCount) {}
  ~SavedGeometry() {
    params.DpiX = dpiX, params.DpiY = dpiY;
    params.EXIFXResolution = exifX, params.EXIFYResolution = exifY;
    params.Width = width, params.Height = height;
    params.StoredWidth = storedWidth, params.StoredHeight = storedHeight;
    params.SetImageCount(imageCount);
  }
  TIOParamsVals& params;
  int32_t dpiX, dpiY;
  double exifX, exifY;
  int32_t width, height, storedWidth, storedHeight, imageCount;
};

// One JPEG-compressed strip or tile.
void DecodeJPEGPiece(TTIFFVars& v, TIEBitmap* bitmap, int32_t firstRow, TCodecProgress& progress, int32_t rows,
                     int32_t width, int32_t byteCount, const uint8_t* data, int32_t pixelX, bool singlePiece) {
  TIOParamsVals& params = *v.Params;
  vcl::TMemoryStream stream;
  stream.WriteBuffer(data, byteCount);
  stream.SetPosition(0);
  std::unique_ptr<vcl::TMemoryStream> tables;
  if (!v.JPEGTables.empty()) {
    tables = std::make_unique<vcl::TMemoryStream>();
    tables->WriteBuffer(v.JPEGTables.data(), static_cast<int32_t>(v.JPEGTables.size()));
    tables->SetPosition(0);
  }
  TIEBitmap piece;
  if (!piece.Allocate(width, rows, ie24RGB)) {
    progress.Abort();
    return;
  }
  TCodecProgress quiet;
  quiet.Aborting = progress.Aborting;
  TCodecProgress& used = singlePiece ? progress : quiet;
  // RGB samples coded without a colour-space marker would be taken for YCbCr and converted;
  // they are read unconverted instead. Data that names RGB itself cannot be read that way, so
  // a refusal is retried with the normal conversion.
  bool keepYCbCr = v.Photometric == 2 && tables;
  for (int32_t attempt = 0; attempt < 2; ++attempt) {
    SavedGeometry saved(params);
    try {
      ReadJPEGStream(&stream, tables.get(), &piece, params, used, false, keepYCbCr, false, true, false, true, -1,
                     params.KeepNativePixelFormat);
    } catch (const vcl::Exception&) {
      if (!tables) throw;
      progress.Abort();
    }
    if (!keepYCbCr || !progress.IsAborting()) break;
    progress.Aborting->store(false);
    keepYCbCr = false;
    stream.SetPosition(0);
    tables->SetPosition(0);
  }
  if (progress.IsAborting()) return;
  if (keepYCbCr && piece.PixelFormat() == ie24RGB)
    for (int32_t y = 0; y < piece.Height(); ++y) SwapRBInRow(static_cast<TRGB*>(piece.Scanline(y)), piece.Width());
  if (piece.PixelFormat() != bitmap->PixelFormat()) piece.ConvertTo(bitmap->PixelFormat());
  piece.CopyRectTo(bitmap, 0, 0, pixelX, firstRow, width, rows);
}

// Reads `count` bytes at base + offset into a zero-filled buffer of at least `minimum` bytes
// plus slack. The count is cut to the stream. False when the offset lies outside the stream.
bool ReadPiece(const TTIFFDirectory& directory, int64_t offset, int64_t count, int64_t minimum,
               std::vector<uint8_t>& buffer, int64_t& bytesRead) {
  vcl::TStream* stream = directory.Stream;
  int64_t size = stream->Size();
  int64_t position = directory.BaseOffset + offset;
  bytesRead = 0;
  if (offset < 0 || position < 0 || position >= size) return false;
  if (count <= 0 || count > size - position) count = size - position;
  count = std::min<int64_t>(count, INT32_MAX - TIFFStripSlack);
  buffer.assign(std::max(count, minimum) + TIFFStripSlack, 0);
  stream->SetPosition(position);
  bytesRead = stream->Read(buffer.data(), static_cast<int32_t>(count));
  return true;
}

}  // namespace

int32_t TIFFAlphaSample(const TTIFFVars& vars) {
  // The extra samples follow the colour samples of the photometric interpretation.
  int32_t colours = 0;
  switch (vars.Photometric) {
    case 0: case 1: case 3: case 4: colours = 1; break;
    case 2: case 6: case 8: colours = 3; break;
    case 5: colours = 4; break;
    default: return -1;
  }
  for (int32_t e = 0; e < vars.ExtraSampleCount && colours + e < vars.SamplesPerPixel; ++e)
    if (vars.ExtraSamples[e] == 1 || vars.ExtraSamples[e] == 2) return colours + e;
  return -1;
}

void ApplyTIFFPredictor(const TTIFFVars& vars, uint8_t* row, int32_t width, bool oneSamplePerPixel) {
  if (!Predicts(vars) || width < 2) return;
  const int32_t samples = oneSamplePerPixel ? 1 : vars.SamplesPerPixel;
  if (vars.BitsPerSample == 8) {
    const int64_t end = int64_t(width) * samples;
    if (samples == 3) {
      // The running sums stay in registers: summing through memory waits on each store.
      uint8_t a = row[0], b = row[1], c = row[2];
      for (int64_t i = 3; i < end; i += 3) {
        row[i] = a = static_cast<uint8_t>(a + row[i]);
        row[i + 1] = b = static_cast<uint8_t>(b + row[i + 1]);
        row[i + 2] = c = static_cast<uint8_t>(c + row[i + 2]);
      }
      return;
    }
    for (int64_t i = samples; i < end; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - samples]);
  } else if (vars.BitsPerSample == 16) {
    // The words are in the file's byte order.
    const bool le = vars.LittleEndian != 0;
    for (int64_t i = samples; i < int64_t(width) * samples; ++i) {
      uint16_t sum = static_cast<uint16_t>(Word(row + 2 * i, le) + Word(row + 2 * (i - samples), le));
      row[2 * i] = le ? sum & 0xFF : sum >> 8;
      row[2 * i + 1] = le ? sum >> 8 : sum & 0xFF;
    }
  }
}

void DecodeTIFFRows(TTIFFVars& vars, TIEBitmap* bitmap, int32_t firstRow, TCodecProgress& progress, int32_t rows,
                    int32_t width, int32_t byteCount, const uint8_t* data, int32_t xOffset) {
  const Layout layout = ClassifyLayout(vars);
  const TIEPixelFormat format = bitmap->PixelFormat();
  int32_t bitsPerPixel = std::max(1, IEBitsPerPixel(format));
  int32_t pixelX = static_cast<int32_t>(int64_t(xOffset) * 8 / bitsPerPixel);
  rows = std::min(rows, bitmap->Height() - firstRow);
  if (rows <= 0 || width <= 0) return;

  if (layout == Layout::Jpeg) {
    bool single = vars.TileOffsets.empty() ? vars.StripOffsets.size() <= 1 : vars.TileOffsets.size() <= 1;
    DecodeJPEGPiece(vars, bitmap, firstRow, progress, rows, width, byteCount, data, pixelX, single);
    return;
  }
  if (!FormatFits(layout, format) || !IsRowCompressionKnown(vars)) {
    progress.Abort();
    return;
  }
  Target target{bitmap, AlphaWanted(vars) ? vars.AlphaMask : nullptr, pixelX, xOffset,
                std::min(width, bitmap->Width() - pixelX)};
  if (target.width <= 0) return;
  if (target.mask) target.mask->SetFull(false);

  RowDecompressor decompressor(vars, data, byteCount, width, rows, false);
  std::vector<uint8_t> scratch;
  for (int32_t r = 0; r < rows && !progress.IsAborting(); ++r) {
    bool failed = false;
    const uint8_t* row = decompressor.Next(failed);
    if (failed) progress.Abort();
    if (!row) break;
    row = decompressor.Predict(row, false);
    ConvertRow(vars, layout, row, target, firstRow + r, scratch);
    StepProgress(progress);
  }
}

void DecodeTIFFPlanarRows(TTIFFVars& vars, TIEBitmap* bitmap, int32_t firstRow, TCodecProgress& progress,
                          int32_t rows, int32_t width, const std::vector<std::vector<uint8_t>>& planes,
                          const std::vector<int32_t>& planeByteCounts) {
  const TIEPixelFormat format = bitmap->PixelFormat();
  const bool rgb = vars.Photometric == 2 && planes.size() == 3;
  const bool cmyk = vars.Photometric == 5 && planes.size() > 3;
  if (vars.BitsPerSample != 8 || (!rgb && !cmyk) || !IsRowCompressionKnown(vars) ||
      planeByteCounts.size() < planes.size() || (format != ie24RGB && !(cmyk && format == ieCMYK))) {
    progress.Abort();
    return;
  }
  rows = std::min(rows, bitmap->Height() - firstRow);
  width = std::min(width, bitmap->Width());
  std::vector<std::unique_ptr<RowDecompressor>> decoders;
  for (size_t g = 0; g < planes.size(); ++g)
    decoders.push_back(std::make_unique<RowDecompressor>(vars, planes[g].data(), planeByteCounts[g], width, rows, true));
  std::vector<uint8_t> plane(width + TIFFStripSlack);
  std::vector<uint8_t> merged(int64_t(width) * 4 + TIFFStripSlack);
  for (int32_t r = 0; r < rows && !progress.IsAborting(); ++r) {
    bool ended = false;
    for (size_t g = 0; g < planes.size() && g < 4; ++g) {
      bool failed = false;
      const uint8_t* row = decoders[g]->Next(failed);
      if (failed) progress.Abort();
      if (!row) {
        ended = true;
        break;
      }
      std::memcpy(plane.data(), row, width);
      ApplyTIFFPredictor(vars, plane.data(), width, true);
      for (int32_t x = 0; x < width; ++x) merged[int64_t(x) * (rgb ? 3 : 4) + g] = plane[x];
    }
    if (ended) break;
    uint8_t* dst = static_cast<uint8_t*>(bitmap->Scanline(firstRow + r));
    if (rgb) {
      for (int32_t x = 0; x < width; ++x) {
        const uint8_t* p = merged.data() + int64_t(x) * 3;
        reinterpret_cast<TRGB*>(dst)[x] = MakeRGB(p[0], p[1], p[2]);
      }
    } else {
      for (int64_t i = 0; i < int64_t(width) * 4; ++i) merged[i] = static_cast<uint8_t>(255 - merged[i]);
      if (format == ieCMYK)
        std::memcpy(dst, merged.data(), size_t(width) * 4);
      else
        ConvertColours(vars, merged.data(), kICCFormatCMYK, dst, width);
    }
    StepProgress(progress);
  }
}

void ReadTIFFStrips(const TTIFFDirectory& directory, TTIFFVars& vars, TIEBitmap* bitmap, TCodecProgress& progress) {
  const int32_t strips = static_cast<int32_t>(vars.StripOffsets.size());
  if (vars.ImageLength <= 0 || strips == 0 || vars.RowsPerStrip <= 0) {
    progress.Abort();
    return;
  }
  progress.Per1 = 100.0 / vars.ImageLength;
  progress.Per2 = 100.0 / strips;
  progress.Val = 0;
  std::vector<uint8_t> buffer;
  int64_t bytesRead = 0;

  if (Interleaved(vars)) {
    const int64_t rowBytes = RowBytesOf(vars, vars.ImageWidth, false);
    int64_t firstRow = 0;
    for (int32_t c = 0; c < strips && firstRow < vars.ImageLength && !progress.IsAborting(); ++c) {
      int32_t rows = static_cast<int32_t>(std::min<int64_t>(vars.RowsPerStrip, vars.ImageLength - firstRow));
      int64_t count = c < static_cast<int32_t>(vars.StripByteCounts.size()) ? vars.StripByteCounts[c] : 0;
      if (vars.Compression == 1 && vars.RowsPerStrip == vars.ImageLength && vars.BitsPerSample == 8 && strips == 1) {
        // One uncompressed strip: row by row, so no whole-image buffer is needed.
        int64_t position = directory.BaseOffset + int64_t(vars.StripOffsets[0]);
        if (vars.StripOffsets[0] < 0 || position >= directory.Stream->Size()) break;
        buffer.assign(rowBytes + TIFFStripSlack, 0);
        for (int32_t r = 0; r < vars.ImageLength && !progress.IsAborting(); ++r) {
          directory.Stream->SetPosition(position + rowBytes * r);
          std::fill(buffer.begin(), buffer.end(), 0);
          directory.Stream->Read(buffer.data(), static_cast<int32_t>(rowBytes));
          DecodeTIFFRows(vars, bitmap, r, progress, 1, vars.ImageWidth, static_cast<int32_t>(rowBytes), buffer.data(), 0);
        }
        break;
      }
      // Uncompressed strips cut short read as zeros past their end.
      int64_t minimum = vars.Compression == 1 ? rowBytes * rows : 0;
      if (ReadPiece(directory, vars.StripOffsets[c], count, minimum, buffer, bytesRead) && bytesRead > 0) {
        int64_t length = vars.Compression == 1 ? std::max(bytesRead, minimum) : bytesRead;
        DecodeTIFFRows(vars, bitmap, static_cast<int32_t>(firstRow), progress, rows, vars.ImageWidth,
                       static_cast<int32_t>(length), buffer.data(), 0);
      }
      firstRow += vars.RowsPerStrip;
    }
  } else if (vars.PlanarConfig == 2) {
    const int32_t planeCount = vars.SamplesPerPixel;
    if (planeCount < 1 || planeCount > 10) {
      progress.Abort();
      return;
    }
    const int32_t stripsPerPlane = strips / planeCount;
    const int64_t rowBytes = RowBytesOf(vars, vars.ImageWidth, true);
    std::vector<std::vector<uint8_t>> planes(planeCount);
    std::vector<int32_t> counts(planeCount);
    int64_t firstRow = 0;
    for (int32_t c = 0; c < stripsPerPlane && firstRow < vars.ImageLength && !progress.IsAborting(); ++c) {
      int32_t rows = static_cast<int32_t>(std::min<int64_t>(vars.RowsPerStrip, vars.ImageLength - firstRow));
      int64_t minimum = vars.Compression == 1 ? rowBytes * rows : 0;
      for (int32_t g = 0; g < planeCount; ++g) {
        size_t entry = size_t(g) * stripsPerPlane + c;
        int64_t count = entry < vars.StripByteCounts.size() ? vars.StripByteCounts[entry] : 0;
        planes[g].clear();
        counts[g] = 0;
        if (ReadPiece(directory, vars.StripOffsets[entry], count, minimum, planes[g], bytesRead))
          counts[g] = static_cast<int32_t>(vars.Compression == 1 ? std::max(bytesRead, minimum) : bytesRead);
        else
          planes[g].assign(minimum + TIFFStripSlack, 0);
      }
      DecodeTIFFPlanarRows(vars, bitmap, static_cast<int32_t>(firstRow), progress, rows, vars.ImageWidth, planes, counts);
      firstRow += vars.RowsPerStrip;
    }
  } else {
    progress.Abort();
  }
}

void ReadTIFFTiles(const TTIFFDirectory& directory, TTIFFVars& vars, TIEBitmap* bitmap, TCodecProgress& progress) {
  const int32_t tiles = static_cast<int32_t>(vars.TileOffsets.size());
  const TIEPixelFormat format = bitmap->PixelFormat();
  if ((vars.PlanarConfig == 2 && !Interleaved(vars)) || vars.TileWidth <= 0 || vars.TileLength <= 0 || tiles == 0 ||
      vars.ImageWidth <= 0 || vars.ImageLength <= 0 || format == ie32f || format == ieNull ||
      (format == ie1g && vars.TileWidth % 8 != 0)) {
    progress.Abort();
    return;
  }
  const int32_t tileIndex = vars.Params->TIFFTileIndex;
  const bool single = tileIndex >= 0;
  if (tileIndex >= tiles) {
    progress.Abort();
    return;
  }
  const int64_t across = (int64_t(vars.ImageWidth) + vars.TileWidth - 1) / vars.TileWidth;
  const int64_t down = (int64_t(vars.ImageLength) + vars.TileLength - 1) / vars.TileLength;
  const int64_t tilesUsed = single ? 1 : std::min<int64_t>(tiles, across * down);
  // Every tile reports its rows: the scale covers the rows of all the tiles read.
  progress.Per1 = 100.0 / (double(tilesUsed) * vars.TileLength);
  progress.Per2 = 100.0 / tiles;
  progress.Val = 0;

  // Edge tiles reach past the image; the bitmap gets room for them and is cut back after.
  bitmap->SetWidth(vars.ImageWidth + vars.TileWidth);
  bitmap->SetHeight(vars.ImageLength + vars.TileLength);
  const int64_t rowBytes = RowBytesOf(vars, vars.TileWidth, false);
  std::vector<uint8_t> buffer;
  int64_t bytesRead = 0;
  int32_t x = 0, y = 0;
  for (int32_t i = single ? tileIndex : 0; i < tiles && y < vars.ImageLength && !progress.IsAborting(); ++i) {
    int64_t count = i < static_cast<int32_t>(vars.TileByteCounts.size()) ? vars.TileByteCounts[i] : 0;
    int64_t minimum = rowBytes * vars.TileLength;
    if (ReadPiece(directory, vars.TileOffsets[i], count, minimum, buffer, bytesRead) && bytesRead > 0) {
      int64_t length = vars.Compression == 1 ? std::max(bytesRead, rowBytes * vars.TileLength) : bytesRead;
      DecodeTIFFRows(vars, bitmap, y, progress, vars.TileLength, vars.TileWidth, static_cast<int32_t>(length),
                     buffer.data(), static_cast<int32_t>(ByteOffsetOf(format, x)));
    }
    if (single) break;
    x += vars.TileWidth;
    if (x >= vars.ImageWidth) {
      x = 0;
      y += vars.TileLength;
    }
  }
  bitmap->SetWidth(vars.ImageWidth);
  bitmap->SetHeight(vars.ImageLength);
}

void ReadTIFFOldJPEG(const TTIFFDirectory& directory, TTIFFVars& vars, TIEBitmap* bitmap, TCodecProgress& progress) {
  vcl::TStream* stream = directory.Stream;
  const int64_t size = stream->Size();
  const int64_t base = directory.BaseOffset;
  // The JPEG reader fills a block of its own so that the real one keeps the TIFF's values.
  TIOParamsVals scratch(nullptr);
  auto copyBytes = [&](vcl::TMemoryStream& target, int64_t offset, int64_t count) {
    int64_t position = base + offset;
    if (offset < 0 || position < 0 || position >= size || count <= 0) return;
    count = std::min(count, size - position);
    stream->SetPosition(position);
    target.CopyFrom(stream, count);
  };

  const size_t strips = std::min(vars.StripOffsets.size(), vars.StripByteCounts.size());
  if (!vars.StripByteCounts.empty()) {
    if (vars.ImageWidth <= 0 || vars.ImageLength <= 0 || !bitmap->Allocate(vars.ImageWidth, vars.ImageLength, ie24RGB)) {
      progress.Abort();
      return;
    }
    bitmap->Fill(0);
    // Later strips lack the tables segment that opens strip 0; it is put in front of each.
    std::vector<uint8_t> firstSegment;
    if (strips > 0 && vars.StripOffsets[0] >= 0) {
      uint8_t head[4];
      int64_t position = base + vars.StripOffsets[0];
      if (position >= 0 && position + 4 <= size) {
        stream->SetPosition(position);
        stream->ReadBuffer(head, 4);
        int64_t length = vcl::be::U16(head + 2) + 2;
        length = std::min<int64_t>({length, vars.StripByteCounts[0], size - position});
        if (length > 0) {
          firstSegment.resize(length);
          stream->SetPosition(position);
          stream->ReadBuffer(firstSegment.data(), static_cast<int32_t>(length));
        }
      }
    }
    const int32_t rowsPerStrip = std::max(1, vars.RowsPerStrip);
    // Every strip is decoded behind a copy of the shared tables block, so a damaged file with
    // many strips naming one large block would decode it again and again: the bytes handed to
    // the decoder stay within a generous multiple of the file.
    const int64_t decodeBudget = std::max<int64_t>(int64_t(16) << 20, size * 64);
    int64_t bytesToDecode = 0;
    for (size_t r = 0; r < strips && !progress.IsAborting(); ++r) {
      int64_t firstRow = int64_t(rowsPerStrip) * r;
      if (firstRow >= vars.ImageLength) break;
      vcl::TMemoryStream piece;
      if (vars.JPEGInterchangeFormatLength > 0)
        copyBytes(piece, vars.JPEGInterchangeFormat, vars.JPEGInterchangeFormatLength);
      if (r > 0 && !firstSegment.empty()) piece.WriteBuffer(firstSegment.data(), static_cast<int32_t>(firstSegment.size()));
      copyBytes(piece, vars.StripOffsets[r], vars.StripByteCounts[r]);
      bytesToDecode += piece.Size();
      if (bytesToDecode > decodeBudget) {
        progress.Abort();
        return;
      }
      piece.SetPosition(0);
      TIEBitmap decoded;
      TCodecProgress quiet;
      quiet.Aborting = progress.Aborting;
      int32_t rows = ReadJPEGStream(&piece, nullptr, &decoded, scratch, strips == 1 ? progress : quiet, false, false,
                                    false, false, true, false, rowsPerStrip, false);
      // A strip that ends early but gave most of its rows is kept.
      if (rows > rowsPerStrip / 2 && progress.IsAborting()) progress.Aborting->store(false);
      if (decoded.PixelFormat() != ie24RGB) decoded.ConvertTo(ie24RGB);
      decoded.CopyRectTo(bitmap, 0, 0, 0, static_cast<int32_t>(firstRow), vars.ImageWidth,
                         static_cast<int32_t>(std::min<int64_t>(rows, rowsPerStrip)));
      progress.Report(static_cast<int32_t>(double(r) / strips * 100));
    }
    return;
  }

  int64_t start = vars.JPEGInterchangeFormat != 0 ? vars.JPEGInterchangeFormat
                                                  : (vars.StripOffsets.empty() ? -1 : vars.StripOffsets[0]);
  int64_t position = base + start;
  if (start < 0 || position < 0 || position >= size) {
    progress.Abort();
    return;
  }
  stream->SetPosition(position);
  int64_t length = JPEGStreamLength(stream);
  if (length < 0 || position + length > size) {
    progress.Abort();
    return;
  }
  vcl::TMemoryStream whole;
  stream->SetPosition(position);
  whole.CopyFrom(stream, length);
  whole.SetPosition(0);
  ReadJPEGStream(&whole, nullptr, bitmap, scratch, progress, false, false, false, false, true, true, -1, false);
}

}  // namespace imaging
