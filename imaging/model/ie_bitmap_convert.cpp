// Pixel-format conversion of the library bitmap: every source and target pair, in place
// (SetPixelFormat / ConvertTo) or into another bitmap of the same size (CopyAndConvertFormat).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/model/bit_helpers.h"
#include "imaging/model/cmyk_conversion.h"
#include "imaging/model/defs.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_bitmap_detail.h"
#include "imaging/model/temp_block_store.h"
#include "imaging/proc/routines/colour_reduction.h"
#include "imaging/proc/routines/quantizer.h"
#include "imaging/proc/routines/tbitmap_copies.h"
#include "imaging/proc/routines/threshold.h"
#include "vcl/exceptions.h"

namespace imaging {

using bitmap_detail::PackedRGB;

namespace {

// The 8 x 8 ordered-dither matrix, indexed [x mod 8][y mod 8].
constexpr uint8_t kDither[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},   {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},    {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},   {63, 31, 55, 23, 61, 29, 53, 21}};

int32_t Grey8(const TRGB& p) { return GrayLevel(p.r, p.g, p.b); }
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

void SetGreyRamp(TRGB* palette) {
  for (int i = 0; i < 256; ++i) palette[i] = MakeRGB(uint8_t(i), uint8_t(i), uint8_t(i));
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
  const int32_t width = width_, height = height_;

  // Targets that need a whole-image routine.
  if (to == ie1g && convertTo1BitMethod_ == 1) {
    ThresholdTo1Bit(source, this, kThresholdMeanColor, nullptr);
    return;
  }
  if (to == ie8p && from == ie24RGB) {
    QuantizeFrom(source);
    return;
  }

  // Palettes the target needs before its pixels.
  if (to == ie8p) {
    EnsurePalette256();
    if (paletteLength_ < 256) paletteLength_ = 256;
    if (from == ie1g) {
      palette_[0] = TRGB{0, 0, 0};
      palette_[1] = TRGB{255, 255, 255};
    } else {
      SetGreyRamp(palette_.data());
    }
  }

  const TRGB* sourcePalette = source->GetPalette();
  const int32_t sourcePaletteLength = source->GetPaletteLen();
  auto paletteEntry = [&](uint8_t index) {
    return index < sourcePaletteLength ? sourcePalette[index] : TRGB{0, 0, 0};
  };
  const double rangeMin = displayRangeMin_, rangeMax = displayRangeMax_;

  uint8_t sourceAccess = source->access_, ownAccess = access_;
  source->access_ = ieaRead;
  access_ = ieaRead | ieaWrite;
  try {
    for (int32_t y = 0; y < height; ++y) {
      auto* dest = static_cast<uint8_t*>(LockScanline(y));
      const auto* src = static_cast<const uint8_t*>(source->GetScanline(y));
      if (to == ie1g) std::memset(dest, 0, static_cast<size_t>(rowLen_));
      for (int32_t x = 0; x < width; ++x) {
        // Ordered dither level (0 .. 63) or a direct value, by source format.
        switch (from) {
          case ie1g: {
            bool white = GetBitFromBuffer(src, x) != 0;
            switch (to) {
              case ie8p: dest[x] = white ? 1 : 0; break;
              case ie8g: dest[x] = white ? 255 : 0; break;
              case ie16g: PutWord(dest + 2 * x, white ? 65535 : 0); break;
              case ie32f: PutFloat(dest + 4 * x, white ? 1.0f : 0.0f); break;
              case ie24RGB: std::memset(dest + 3 * x, white ? 255 : 0, 3); break;
              case ieRGB48: std::memset(dest + 6 * x, white ? 255 : 0, 6); break;
              case ie32RGB:
                std::memset(dest + 4 * x, white ? 255 : 0, 3);
                dest[4 * x + 3] = 255;
                break;
              default: break;
            }
            break;
          }
          case ie8p:
          case ie8g:
          case ie16g:
          case ie32f:
          case ieRGB48:
          case ie24RGB:
          case ie32RGB:
          case ieCMYK:
          case ieCIELab: {
            // The source pixel as a colour (and, for grey sources, its exact level).
            TRGB colour{0, 0, 0};
            int32_t ditherLevel = 0;
            switch (from) {
              case ie8p:
                colour = paletteEntry(src[x]);
                ditherLevel = Grey8(colour) / 4;
                break;
              case ie8g:
                colour = MakeRGB(src[x], src[x], src[x]);
                ditherLevel = src[x] / 4;
                break;
              case ie16g: {
                uint16_t w = Word(src + 2 * x);
                ditherLevel = w / 1024;
                break;
              }
              case ie32f: ditherLevel = ScaleFloat(Float(src + 4 * x), 255) / 4; break;
              case ieRGB48: {
                colour = MakeRGB(uint8_t(Word(src + 6 * x) >> 8), uint8_t(Word(src + 6 * x + 2) >> 8),
                                 uint8_t(Word(src + 6 * x + 4) >> 8));
                ditherLevel = Grey8(colour) / 4;
                break;
              }
              case ie24RGB:
                std::memcpy(&colour, src + 3 * x, 3);
                ditherLevel = Grey8(colour) / 4;
                break;
              case ie32RGB: std::memcpy(&colour, src + 4 * x, 3); break;
              case ieCMYK: {
                int32_t k;
                std::memcpy(&k, src + 4 * x, 4);
                IECMYKToRGB(k, colour);
                break;
              }
              case ieCIELab: {
                TCIELab lab;
                std::memcpy(&lab, src + 3 * x, 3);
                colour = CIELabToRGB(lab);
                break;
              }
              default: break;
            }
            if (to == ie1g) {
              if (kDither[x & 7][y & 7] < ditherLevel) SetBitInBuffer(dest, x, true);
              break;
            }
            switch (from) {
              case ie16g: {
                uint32_t w = Word(src + 2 * x);
                switch (to) {
                  case ie8p:
                  case ie8g: dest[x] = uint8_t(w >> 8); break;
                  case ie32f: PutFloat(dest + 4 * x, static_cast<float>(w / 65535.0)); break;
                  case ieRGB48:
                    for (int c = 0; c < 3; ++c) PutWord(dest + 6 * x + 2 * c, w);
                    break;
                  case ie32RGB:
                    std::memset(dest + 4 * x, int(w >> 8), 3);
                    dest[4 * x + 3] = 255;
                    break;
                  case ie24RGB: {
                    uint8_t level;
                    if (rangeMax - rangeMin == 0) {
                      level = uint8_t(w >> 8);
                    } else {
                      double lo = std::trunc(rangeMin), hi = std::trunc(rangeMax);
                      double v = w;
                      if (v <= lo) v = lo;
                      if (v >= hi) v = hi;
                      double scaled = (v - lo) / (rangeMax - rangeMin) * 255;
                      // Fractional bounds can push the value past the byte range: clamped.
                      level = uint8_t(std::clamp(std::trunc(scaled), 0.0, 255.0));
                    }
                    std::memset(dest + 3 * x, level, 3);
                    break;
                  }
                  default: break;
                }
                break;
              }
              case ie32f: {
                float f = Float(src + 4 * x);
                switch (to) {
                  case ie8p:
                  case ie8g: dest[x] = uint8_t(ScaleFloat(f, 255)); break;
                  case ie16g: PutWord(dest + 2 * x, uint32_t(ScaleFloat(f, 65535))); break;
                  case ie24RGB: std::memset(dest + 3 * x, ScaleFloat(f, 255), 3); break;
                  case ie32RGB:
                    std::memset(dest + 4 * x, ScaleFloat(f, 255), 3);
                    dest[4 * x + 3] = 255;
                    break;
                  case ieRGB48:
                    for (int c = 0; c < 3; ++c) PutWord(dest + 6 * x + 2 * c, uint32_t(ScaleFloat(f, 65535)));
                    break;
                  default: break;
                }
                break;
              }
              case ieRGB48: {
                uint32_t r = Word(src + 6 * x), g = Word(src + 6 * x + 2), b = Word(src + 6 * x + 4);
                switch (to) {
                  case ie8g: dest[x] = uint8_t(Grey8(colour)); break;
                  case ie16g: PutWord(dest + 2 * x, (r * 212 + g * 713 + b * 75) / 1000); break;
                  case ie32f:
                    PutFloat(dest + 4 * x,
                             static_cast<float>((r * 0.2126L / 256 + g * 0.7152L / 256 + b * 0.0722L / 256) / 255));
                    break;
                  case ie24RGB: std::memcpy(dest + 3 * x, &colour, 3); break;
                  case ie32RGB:
                    std::memcpy(dest + 4 * x, &colour, 3);
                    dest[4 * x + 3] = 255;
                    break;
                  default: break;
                }
                break;
              }
              case ie8g:
                if (to == ie8p) {
                  dest[x] = src[x];
                  break;
                }
                [[fallthrough]];
              default: {
                // Colour sources (and the grey ones that behave like them).
                switch (to) {
                  case ie8g: dest[x] = uint8_t(Grey8(colour)); break;
                  case ie16g:
                    PutWord(dest + 2 * x, from == ie8g ? uint32_t(colour.r) * 257 : uint32_t(Grey16(colour)));
                    break;
                  case ie32f:
                    PutFloat(dest + 4 * x, from == ie8g ? static_cast<float>(colour.r / 255.0) : GreyF(colour));
                    break;
                  case ie24RGB: std::memcpy(dest + 3 * x, &colour, 3); break;
                  case ie32RGB:
                    std::memcpy(dest + 4 * x, &colour, 3);
                    dest[4 * x + 3] = 255;
                    break;
                  case ieRGB48:
                    PutWord(dest + 6 * x, colour.r * 257u);
                    PutWord(dest + 6 * x + 2, colour.g * 257u);
                    PutWord(dest + 6 * x + 4, colour.b * 257u);
                    break;
                  case ieCMYK: {
                    int32_t k = IERGBToCMYK(PackedRGB(colour));
                    std::memcpy(dest + 4 * x, &k, 4);
                    break;
                  }
                  case ieCIELab: {
                    TCIELab lab = RGBToCIELab(colour);
                    std::memcpy(dest + 3 * x, &lab, 3);
                    break;
                  }
                  default: break;
                }
                break;
              }
            }
            break;
          }
          default: break;
        }
      }
      UnlockScanline(y);
    }
  } catch (...) {
    source->access_ = sourceAccess;
    access_ = ownAccess;
    throw;
  }
  source->access_ = sourceAccess;
  access_ = ownAccess;
}

void TIEBitmap::QuantizeFrom(TIEBitmap* source) {
  // The quantizer builds at most PaletteUsed colours; its whole 256-entry buffer becomes the
  // palette.
  std::vector<TRGB> palette(256, TRGB{0, 0, 0});
  TIEQuantizer quantizer(source, palette, std::clamp(paletteUsed_, 1, 256));
  EnsurePalette256();
  std::copy(palette.begin(), palette.end(), palette_.begin());
  paletteLength_ = 256;
  uint8_t sourceAccess = source->access_, ownAccess = access_;
  source->access_ = ieaRead;
  access_ = ieaWrite;
  try {
    for (int32_t y = 0; y < height_; ++y) {
      auto* dest = static_cast<uint8_t*>(LockScanline(y));
      const auto* src = static_cast<const TRGB*>(source->GetScanline(y));
      for (int32_t x = 0; x < width_; ++x) dest[x] = uint8_t(std::max(0, quantizer.GetColorIndex(src[x])));
      UnlockScanline(y);
    }
  } catch (...) {
    source->access_ = sourceAccess;
    access_ = ownAccess;
    throw;
  }
  source->access_ = sourceAccess;
  access_ = ownAccess;
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
