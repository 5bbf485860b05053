// Pixel-format conversion of the library bitmap: every source and target pair, in place
// (SetPixelFormat / ConvertTo) or into another bitmap of the same size (CopyAndConvertFormat).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/base/bit_helpers.h"
#include "imaging/model/cmyk_conversion.h"
#include "imaging/base/defs.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_bitmap_detail.h"
#include "imaging/model/temp_block_store.h"
#include "imaging/model/routines/colour_reduction.h"
#include "imaging/model/routines/quantizer.h"
#include "imaging/model/routines/tbitmap_copies.h"
#include "imaging/model/routines/threshold.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

using bitmap_detail::PackedRGB;

namespace {

int32_t Grey16(const TRGB& p) { return (p.r * 54484 + p.g * 183241 + p.b * 19275) / 1000; }
float GreyF(const TRGB& p) {
  return static_cast<float>((p.r * 0.2126L + p.g * 0.7152L + p.b * 0.0722L) / 255);
}

// A float sample scaled to 0 .. top and truncated; out-of-range samples (and NaN) are clamped
// instead of wrapping around.
int32_t ScaleFloat(float sample, int32_t top) {
  if (!(sample > 0)) return 0;
  if (sample >= 1) return top;
  return std::min(top, static_cast<int32_t>(static_cast<double>(sample) * top));
}

uint16_t Word(const uint8_t* p) {
  uint16_t w;
  std::memcpy(&w, p, 2);
  return w;
}
void PutWord(uint8_t* p, uint32_t w) {
  auto value = static_cast<uint16_t>(w);
  std::memcpy(p, &value, 2);
}
float Float(const uint8_t* p) {
  float f;
  std::memcpy(&f, p, 4);
  return f;
}
void PutFloat(uint8_t* p, float f) { std::memcpy(p, &f, 4); }

// Whether the pair is converted through ie24RGB rather than directly.
bool GoesVia24(TIEPixelFormat source, TIEPixelFormat target, uint8_t method) {
  switch (source) {
    case ie24RGB: return false;
    case ieCMYK:
    case ieCIELab: return target != ie24RGB && target != ie32RGB;
    case ie32RGB: return target != ie24RGB;
    case ieRGB48:
      return target == ie8p || target == ieCMYK || target == ieCIELab || (target == ie1g && method == 1);
    default: return target == ieCMYK || target == ieCIELab;
  }
}

// One source pixel as every target reads it. Grey and wide sources give some values exactly
// (the has* flags); the others derive them from the 8-bit colour.
struct Sample {
  TRGB colour{0, 0, 0};   // the pixel as an 8-bit colour
  TRGB shown{0, 0, 0};    // the colour a 24-bit target gets (a 16-bit grey's display range)
  int32_t ditherLevel = 0;  // 0 .. 63 against the dither matrix
  uint8_t index = 0;        // the index an ie8p target gets (grey ramp, or black and white)
  bool hasGrey16 = false, hasGreyF = false, hasWide = false;
  uint16_t grey16 = 0;
  float greyF = 0;
  uint16_t wide[3] = {0, 0, 0};  // red, green, blue words

  void SetGrey(uint8_t level) {
    colour = shown = MakeRGB(level, level, level);
    index = level;
    ditherLevel = level / 4;
  }
  void SetWideGrey(uint32_t level) {
    hasGrey16 = hasWide = true;
    grey16 = uint16_t(level);
    wide[0] = wide[1] = wide[2] = uint16_t(level);
  }
};

// Reads pixel x of a source row; `palette` holds `paletteLength` entries (indexes past them
// read as black); the display range stretches 16-bit grey for 24-bit targets.
Sample ReadSample(TIEPixelFormat format, const uint8_t* row, int32_t x, const TRGB* palette, int32_t paletteLength,
                  double rangeMin, double rangeMax) {
  Sample s;
  switch (format) {
    case ie1g: {
      bool white = GetBitFromBuffer(row, x) != 0;
      s.SetGrey(white ? 255 : 0);
      s.index = white ? 1 : 0;
      s.SetWideGrey(white ? 65535 : 0);
      s.hasGreyF = true;
      s.greyF = white ? 1.0f : 0.0f;
      break;
    }
    case ie8p:
      s.colour = s.shown = row[x] < paletteLength ? palette[row[x]] : TRGB{0, 0, 0};
      s.ditherLevel = GrayLevel(s.colour.r, s.colour.g, s.colour.b) / 4;
      break;
    case ie8g:
      s.SetGrey(row[x]);
      s.SetWideGrey(row[x] * 257u);
      s.hasGreyF = true;
      s.greyF = static_cast<float>(row[x] / 255.0);
      break;
    case ie16g: {
      uint16_t w = Word(row + 2 * x);
      s.SetGrey(uint8_t(w >> 8));
      s.ditherLevel = w / 1024;
      s.SetWideGrey(w);
      s.hasGreyF = true;
      s.greyF = static_cast<float>(w / 65535.0);
      if (rangeMax - rangeMin != 0) {
        double lo = std::trunc(rangeMin), hi = std::trunc(rangeMax);
        double v = w;
        if (v <= lo) v = lo;
        if (v >= hi) v = hi;
        // Fractional bounds can push the value past the byte range: it is clamped.
        auto level = uint8_t(std::clamp(std::trunc((v - lo) / (rangeMax - rangeMin) * 255), 0.0, 255.0));
        s.shown = MakeRGB(level, level, level);
      }
      break;
    }
    case ie32f: {
      float f = Float(row + 4 * x);
      s.SetGrey(uint8_t(ScaleFloat(f, 255)));
      s.SetWideGrey(uint32_t(ScaleFloat(f, 65535)));
      break;
    }
    case ieRGB48: {
      uint32_t r = Word(row + 6 * x), g = Word(row + 6 * x + 2), b = Word(row + 6 * x + 4);
      s.colour = s.shown = MakeRGB(uint8_t(r >> 8), uint8_t(g >> 8), uint8_t(b >> 8));
      s.ditherLevel = GrayLevel(s.colour.r, s.colour.g, s.colour.b) / 4;
      s.hasGrey16 = s.hasGreyF = true;
      s.grey16 = uint16_t((r * 212 + g * 713 + b * 75) / 1000);
      s.greyF = static_cast<float>((r * 0.2126L / 256 + g * 0.7152L / 256 + b * 0.0722L / 256) / 255);
      break;
    }
    case ie24RGB:
    case ie32RGB:
      std::memcpy(&s.colour, row + x * (format == ie24RGB ? 3 : 4), 3);
      s.shown = s.colour;
      s.ditherLevel = GrayLevel(s.colour.r, s.colour.g, s.colour.b) / 4;
      break;
    case ieCMYK: {
      int32_t k;
      std::memcpy(&k, row + 4 * x, 4);
      IECMYKToRGB(k, s.colour);
      s.shown = s.colour;
      break;
    }
    case ieCIELab: {
      TCIELab lab;
      std::memcpy(&lab, row + 3 * x, 3);
      s.colour = s.shown = CIELabToRGB(lab);
      break;
    }
    default: break;
  }
  return s;
}

// Writes pixel (x, y) of a target row. 1-bit rows must start cleared.
void WriteSample(TIEPixelFormat format, uint8_t* row, int32_t x, int32_t y, const Sample& s) {
  const TRGB& c = s.colour;
  switch (format) {
    case ie1g:
      if (kOrderedDitherMatrix[x & 7][y & 7] < s.ditherLevel) SetBitInBuffer(row, x, true);
      break;
    case ie8p: row[x] = s.index; break;
    case ie8g: row[x] = uint8_t(GrayLevel(c.r, c.g, c.b)); break;
    case ie16g: PutWord(row + 2 * x, s.hasGrey16 ? s.grey16 : uint32_t(Grey16(c))); break;
    case ie32f: PutFloat(row + 4 * x, s.hasGreyF ? s.greyF : GreyF(c)); break;
    case ie24RGB: std::memcpy(row + 3 * x, &s.shown, 3); break;
    case ie32RGB:
      std::memcpy(row + 4 * x, &c, 3);
      row[4 * x + 3] = 255;
      break;
    case ieRGB48:
      for (int i = 0; i < 3; ++i) {
        uint8_t channel = i == 0 ? c.r : (i == 1 ? c.g : c.b);
        PutWord(row + 6 * x + 2 * i, s.hasWide ? s.wide[i] : channel * 257u);
      }
      break;
    case ieCMYK: {
      int32_t k = IERGBToCMYK(PackedRGB(c));
      std::memcpy(row + 4 * x, &k, 4);
      break;
    }
    case ieCIELab: {
      TCIELab lab = RGBToCIELab(c);
      std::memcpy(row + 3 * x, &lab, 3);
      break;
    }
    default: break;
  }
}

}  // namespace

void TIEBitmap::SetPixelFormat(TIEPixelFormat format) {
  if (format == GetPixelFormat()) return;
  ConvertTo(format);
}

void TIEBitmap::ConvertTo(TIEPixelFormat format) {
  if (format < ieNull || format > ie32RGB) throw vcl::EInvalidArgument("Invalid pixel format");
  if (location_ == ieTBitmap) {
    ConvertVclBitmap(format);
    return;
  }
  // Equal formats copy nothing, so converting a bitmap to its own format through a fresh
  // allocation would leave whatever that memory held: the pixels stay as they are.
  if (format == pixelFormat_) return;
  TIEBitmap temp;
  MoveContentTo(&temp);
  width_ = temp.width_;
  height_ = temp.height_;
  pixelFormat_ = format;
  bool allocated = AllocateImage();
  reallocPending_ = false;
  if (!allocated) {
    if (temp.width_ > 0 && temp.height_ > 0 && format != ieNull) {
      // No room for the converted image: the original stays rather than being lost.
      temp.MoveContentTo(this);
      return;
    }
    ResetDerivedFields();
    alphaChannel_ = std::move(temp.alphaChannel_);
    return;
  }
  if (temp.pixelFormat_ != ieNull) CopyAndConvertFormat(&temp);
}

void TIEBitmap::CopyAndConvertFormat(TIEBitmap* source) {
  if (!source || source == this) return;
  if (location_ == ieTBitmap || source->GetPixelFormat() == ieNull) return;
  if (GetWidth() != source->GetWidth() || GetHeight() != source->GetHeight()) return;
  TIEPixelFormat from = source->GetPixelFormat(), to = GetPixelFormat();
  if (from != to && to != ieNull) {
    if (GoesVia24(from, to, convertTo1BitMethod_)) {
      // Through a 24-bit copy: the caller's source keeps its pixels and format.
      TIEBitmap rgb;
      rgb.memoryThreshold_ = memoryThreshold_;
      rgb.convertTo1BitMethod_ = convertTo1BitMethod_;
      rgb.displayRangeMin_ = displayRangeMin_;
      rgb.displayRangeMax_ = displayRangeMax_;
      if (!rgb.Allocate(width_, height_, ie24RGB)) throw vcl::EOutOfMemory("Out of memory");
      rgb.ConvertPixelsFrom(source);
      ConvertPixelsFrom(&rgb);
    } else {
      ConvertPixelsFrom(source);
    }
  }
  if (source->alphaChannel_ && !isAlphaChannel_) {
    if (!alphaChannel_) {
      alphaChannel_ = std::make_unique<TIEBitmap>();
      alphaChannel_->isAlphaChannel_ = true;
      alphaChannel_->location_ = location_;
    }
    alphaChannel_->Assign(source->alphaChannel_.get());
  }
  SyncPaletteToVclBitmap();
}

void TIEBitmap::ConvertPixelsFrom(TIEBitmap* source) {
  const TIEPixelFormat from = source->GetPixelFormat(), to = GetPixelFormat();

  // Targets that need a whole-image routine.
  if (to == ie1g && convertTo1BitMethod_ == 1) {
    ThresholdTo1Bit(source, this, kThresholdMeanColor, nullptr);
    return;
  }
  if (to == ie8p && from == ie24RGB) {
    QuantizeFrom(source);
    return;
  }
  if (to == ie8p) {
    // Black and white for 1-bit sources, else the grey ramp.
    EnsurePalette256();
    paletteLength_ = 256;
    if (from == ie1g) {
      palette_[0] = TRGB{0, 0, 0};
      palette_[1] = TRGB{255, 255, 255};
    } else {
      for (int i = 0; i < 256; ++i) palette_[i] = MakeRGB(uint8_t(i), uint8_t(i), uint8_t(i));
    }
  }

  const TRGB* palette = source->GetPalette();
  const int32_t paletteLength = source->GetPaletteLen();
  TIEAccessScope sourceAccess(source, ieaRead), ownAccess(this, ieaRead | ieaWrite);
  for (int32_t y = 0; y < height_; ++y) {
    auto* dest = static_cast<uint8_t*>(LockScanline(y));
    const auto* row = static_cast<const uint8_t*>(source->GetScanline(y));
    if (to == ie1g) std::memset(dest, 0, static_cast<size_t>(rowLen_));
    for (int32_t x = 0; x < width_; ++x)
      WriteSample(to, dest, x, y,
                  ReadSample(from, row, x, palette, paletteLength, displayRangeMin_, displayRangeMax_));
    UnlockScanline(y);
  }
}

void TIEBitmap::QuantizeFrom(TIEBitmap* source) {
  // The quantizer builds at most PaletteUsed colours; its whole 256-entry buffer becomes the
  // palette.
  std::vector<TRGB> palette(256, TRGB{0, 0, 0});
  TIEQuantizer quantizer(source, palette, std::clamp(paletteUsed_, 1, 256));
  EnsurePalette256();
  std::copy(palette.begin(), palette.end(), palette_.begin());
  paletteLength_ = 256;
  TIEAccessScope sourceAccess(source, ieaRead), ownAccess(this, ieaWrite);
  for (int32_t y = 0; y < height_; ++y) {
    auto* dest = static_cast<uint8_t*>(LockScanline(y));
    const auto* src = static_cast<const TRGB*>(source->GetScanline(y));
    for (int32_t x = 0; x < width_; ++x) dest[x] = uint8_t(std::max(0, quantizer.GetColorIndex(src[x])));
    UnlockScanline(y);
  }
}

bool TIEBitmap::ConvertVclBitmap(TIEPixelFormat format) {
  SyncFromVclBitmap();
  if (!vclBitmap_) return false;
  TIEPixelFormat held;
  switch (format) {
    case ie1g:
    case ie8p:
    case ie8g:
    case ie24RGB:
    case ie32RGB: held = format; break;
    case ie16g: held = ie8g; break;
    default:
      // The platform bitmap cannot hold the format: nothing changes, and the bitmap goes on
      // reporting the format it really has.
      return false;
  }
  if (held == pixelFormat_ && !IsEmpty()) return true;
  if (vclBitmap_->Empty()) {
    vclBitmap_->SetPixelFormat(held == ie1g ? vcl::pf1bit
                               : held == ie24RGB ? vcl::pf24bit
                               : held == ie32RGB ? vcl::pf32bit
                                                 : vcl::pf8bit);
    pixelFormat_ = held;
    SetFormatFields(held);
    return true;
  }
  if (pixelFormat_ == ie1g && held == ie24RGB) {
    std::unique_ptr<vcl::TBitmap> clone = CloneTBitmap(vclBitmap_);
    Expand1BitTo24BitTBitmap(clone.get(), vclBitmap_, nullptr);
    width_ = -1;  // read everything again
    SyncFromVclBitmap();
    return true;
  }
  if (pixelFormat_ == ie24RGB && held == ie1g) {
    // Converted in place through a bitmap that wraps the platform bitmap.
    TIEBitmap wrapper;
    wrapper.AttachVclBitmap(vclBitmap_, false);
    if (convertTo1BitMethod_ == 0)
      ConvertTo1BitOrderedDither(&wrapper, nullptr);
    else
      ConvertTo1BitThreshold(&wrapper, kThresholdMeanColor, nullptr);
    width_ = -1;
    SyncFromVclBitmap();
    return true;
  }
  // The pixels are converted through a copy in memory and copied back, which re-formats the
  // platform bitmap; its fields then describe what it really holds.
  TIEBitmap temp;
  temp.location_ = ieMemory;
  temp.memoryThreshold_ = memoryThreshold_;
  temp.convertTo1BitMethod_ = convertTo1BitMethod_;
  temp.displayRangeMin_ = displayRangeMin_;
  temp.displayRangeMax_ = displayRangeMax_;
  temp.CopyWithoutAlpha(this);
  temp.SetPixelFormat(held);
  if (temp.GetPixelFormat() != held) return false;
  CopyWithoutAlpha(&temp);
  return true;
}

}  // namespace imaging
