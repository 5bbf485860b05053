#include "imaging/model/bitmap_render.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "imaging/model/cmyk_conversion.h"
#include "imaging/model/routines/access_scope.h"
#include "imaging/model/routines/resample.h"
#include "imaging/model/routines/resample_fast.h"
#include "imaging/model/temp_block_store.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

// 1.0 in the renderers' 14-bit fixed-point scale steps.
constexpr int32_t kUnitStep = 16384;
constexpr int32_t kNoClip = 2147483646;

struct Rects {
  int64_t xDst, yDst, dxDst, dyDst, xSrc, ySrc, dxSrc, dySrc;
};

void CheckDestination(TIEBitmap* dest) {
  if (!dest || dest->GetPixelFormat() != ie24RGB)
    throw vcl::EInvalidGraphicOperation("The destination of a rendering must be a 24-bit bitmap");
}

// Cuts the rectangles to the destination (moving the source with them) and keeps both within
// their bitmaps. False when nothing is left to draw.
bool ClipRects(Rects& r, int64_t destW, int64_t destH, int64_t srcW, int64_t srcH) {
  auto cutStart = [](int64_t& dst, int64_t& dstSize, int64_t& src, int64_t& srcSize) {
    if (dst >= 0) return;
    int64_t cut = -dst;
    auto shift = static_cast<int64_t>(std::nearbyint(double(cut) * double(srcSize) / double(dstSize)));
    src += shift;
    srcSize -= shift;
    dstSize -= cut;
    dst = 0;
  };
  auto cutEnd = [](int64_t dst, int64_t& dstSize, int64_t& srcSize, int64_t limit) {
    if (dst + dstSize <= limit || dstSize == 0) return;
    int64_t excess = dst + dstSize - limit;
    srcSize -= static_cast<int64_t>(std::trunc(double(excess) * double(srcSize) / double(dstSize)));
    dstSize = limit - dst;
  };
  cutStart(r.yDst, r.dyDst, r.ySrc, r.dySrc);
  cutStart(r.xDst, r.dxDst, r.xSrc, r.dxSrc);
  cutEnd(r.yDst, r.dyDst, r.dySrc, destH);
  cutEnd(r.xDst, r.dxDst, r.dxSrc, destW);
  r.xDst = std::clamp<int64_t>(r.xDst, 0, destW - 1);
  r.yDst = std::clamp<int64_t>(r.yDst, 0, destH - 1);
  r.dxDst = std::clamp<int64_t>(r.dxDst, 0, destW);
  r.dyDst = std::clamp<int64_t>(r.dyDst, 0, destH);
  r.xSrc = std::clamp<int64_t>(r.xSrc, 0, srcW - 1);
  r.ySrc = std::clamp<int64_t>(r.ySrc, 0, srcH - 1);
  r.dxSrc = std::clamp<int64_t>(r.dxSrc, 0, srcW);
  r.dySrc = std::clamp<int64_t>(r.dySrc, 0, srcH);
  return r.dxDst > 0 && r.dyDst > 0 && r.dxSrc > 0 && r.dySrc > 0;
}

// ---- source values ----

// trunc((v limited to trunc(min) .. trunc(max)) - trunc(min)) / (max - min) x 255), kept
// within 0 .. 255 also for fractional or reversed bounds.
uint8_t MapDisplayRange(double v, double min, double max) {
  double lo = std::trunc(min), hi = std::trunc(max);
  double x = std::min(std::max(v, lo), hi);
  double g = std::trunc((x - lo) / (max - min) * 255);
  if (!(g > 0)) return 0;
  return g >= 255 ? 255 : static_cast<uint8_t>(g);
}

uint8_t ClampedGrey(double g) {
  g = std::trunc(g);
  if (!(g > 0)) return 0;
  return g >= 255 ? 255 : static_cast<uint8_t>(g);
}

// The contrast factor in 16.16 fixed point (8-bit sources) and as a real (16-bit sources).
double ContrastFactor(int32_t contrast) {
  return contrast < 0 ? 1 - std::sqrt(-double(contrast)) / 10 : double(contrast) / 10 + 1;
}

// What the renderers need to know of the source, gathered once per call.
struct SourceSetup {
  TIEBitmap* pixels = nullptr;
  TIEPixelFormat format = ieNull;
  int32_t width = 0;
  int32_t height = 0;
  TIEBitmap* alpha = nullptr;  // nil unless blending by the alpha channel
  // 24-bit and 32-bit sources: the adjusted value of each channel (blue, green, red).
  bool adjusted = false;
  uint8_t channel[3][256];
  // 48-bit sources.
  double factor48 = 1;
  int32_t offset48[3] = {0, 0, 0};  // red, green, blue
  // Grey sources.
  bool hasRange = false;
  double rangeMin = 0;
  double rangeMax = 0;
  uint8_t grey8[256];
  // Palette sources; entries past the palette's length are black.
  TRGB palette[256];
};

using FetchRow = void (*)(const SourceSetup& s, const uint8_t* row, const int32_t* cols, int32_t count, TRGB* out);

void FetchCopy24(const SourceSetup&, const uint8_t* row, const int32_t* cols, int32_t count, TRGB* out) {
  const auto* pixels = reinterpret_cast<const TRGB*>(row);
  for (int32_t i = 0; i < count; ++i) out[i] = pixels[cols[i]];
}

// 24-bit (3 bytes a pixel) and 32-bit (4) sources through the channel tables.
template <int BytesPerPixel>
void FetchAdjusted(const SourceSetup& s, const uint8_t* row, const int32_t* cols, int32_t count, TRGB* out) {
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t* p = row + int64_t(cols[i]) * BytesPerPixel;
    out[i] = TRGB{s.channel[0][p[0]], s.channel[1][p[1]], s.channel[2][p[2]]};
  }
}

void FetchCopy32(const SourceSetup&, const uint8_t* row, const int32_t* cols, int32_t count, TRGB* out) {
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t* p = row + int64_t(cols[i]) * 4;
    out[i] = TRGB{p[0], p[1], p[2]};
  }
}

void FetchPlain48(const SourceSetup&, const uint8_t* row, const int32_t* cols, int32_t count, TRGB* out) {
  for (int32_t i = 0; i < count; ++i) {
    uint16_t w[3];
    std::memcpy(w, row + int64_t(cols[i]) * 6, 6);
    out[i] = TRGB{uint8_t(w[2] >> 8), uint8_t(w[1] >> 8), uint8_t(w[0] >> 8)};
  }
}

uint8_t Adjust48(uint16_t w, int32_t offset, double factor) {
  double t = std::trunc((double(w) + offset - 32768) * factor + 32768);
  if (!(t > -1e15 && t < 1e15)) return t > 0 ? 255 : 0;
  auto v = static_cast<int64_t>(t) / 256;
  return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255));
}

void FetchAdjusted48(const SourceSetup& s, const uint8_t* row, const int32_t* cols, int32_t count, TRGB* out) {
  for (int32_t i = 0; i < count; ++i) {
    uint16_t w[3];
    std::memcpy(w, row + int64_t(cols[i]) * 6, 6);
    out[i] = TRGB{Adjust48(w[2], s.offset48[2], s.factor48), Adjust48(w[1], s.offset48[1], s.factor48),
                  Adjust48(w[0], s.offset48[0], s.factor48)};
  }
}

void Fetch1g(const SourceSetup&, const uint8_t* row, const int32_t* cols, int32_t count, TRGB* out) {
  for (int32_t i = 0; i < count; ++i) {
    int32_t c = cols[i];
    uint8_t v = (row[c >> 3] & (0x80 >> (c & 7))) ? 255 : 0;
    out[i] = TRGB{v, v, v};
  }
}

void Fetch8g(const SourceSetup& s, const uint8_t* row, const int32_t* cols, int32_t count, TRGB* out) {
  for (int32_t i = 0; i < count; ++i) {
    uint8_t v = s.grey8[row[cols[i]]];
    out[i] = TRGB{v, v, v};
  }
}

void Fetch8p(const SourceSetup& s, const uint8_t* row, const int32_t* cols, int32_t count, TRGB* out) {
  for (int32_t i = 0; i < count; ++i) out[i] = s.palette[row[cols[i]]];
}

void Fetch16g(const SourceSetup& s, const uint8_t* row, const int32_t* cols, int32_t count, TRGB* out) {
  for (int32_t i = 0; i < count; ++i) {
    uint16_t w;
    std::memcpy(&w, row + int64_t(cols[i]) * 2, 2);
    uint8_t v = s.hasRange ? MapDisplayRange(w, s.rangeMin, s.rangeMax) : uint8_t(w >> 8);
    out[i] = TRGB{v, v, v};
  }
}

void Fetch32f(const SourceSetup& s, const uint8_t* row, const int32_t* cols, int32_t count, TRGB* out) {
  for (int32_t i = 0; i < count; ++i) {
    float f;
    std::memcpy(&f, row + int64_t(cols[i]) * 4, 4);
    uint8_t v;
    if (s.hasRange) {
      double x = std::min(std::max(double(f), s.rangeMin), s.rangeMax);
      v = ClampedGrey((x - s.rangeMin) / (s.rangeMax - s.rangeMin) * 255);
    } else {
      v = ClampedGrey(double(f) * 255);
    }
    out[i] = TRGB{v, v, v};
  }
}

void FetchCMYK(const SourceSetup&, const uint8_t* row, const int32_t* cols, int32_t count, TRGB* out) {
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t* p = row + int64_t(cols[i]) * 4;
    int32_t cmyk = int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
    IECMYKToRGB(cmyk, out[i]);
  }
}

void FetchCIELab(const SourceSetup&, const uint8_t* row, const int32_t* cols, int32_t count, TRGB* out) {
  for (int32_t i = 0; i < count; ++i) {
    TCIELab lab;
    std::memcpy(&lab, row + int64_t(cols[i]) * 3, 3);
    out[i] = CIELabToRGB(lab);
  }
}

// Fills the source facts from `pixels` (whose rows are read) and `settings` (the bitmap the
// caller asked to render, whose adjustments apply). Returns the row fetcher, nil when the
// format draws nothing.
FetchRow PrepareSource(SourceSetup& s, TIEBitmap* pixels, TIEBitmap* settings, uint8_t operation, bool blending,
                       bool alphaUsed) {
  s.pixels = pixels;
  s.format = pixels->GetPixelFormat();
  s.width = pixels->GetWidth();
  s.height = pixels->GetHeight();
  s.alpha = alphaUsed ? pixels->GetAlphaChannel() : nullptr;
  double rangeMin = settings->DisplayRangeMin(), rangeMax = settings->DisplayRangeMax();
  s.hasRange = rangeMax != rangeMin;
  s.rangeMin = rangeMin;
  s.rangeMax = rangeMax;
  const bool adjust = settings->ApplyAdjustments() || settings->Contrast() != 0 || operation != ieopCopy;
  const int32_t offsets[3] = {settings->BlueOffset(), settings->GreenOffset(), settings->RedOffset()};

  switch (s.format) {
    case ie24RGB:
    case ie32RGB: {
      // The display range is applied only by the plain 24-bit renderer.
      const bool withRange = s.format == ie24RGB && !blending && s.hasRange;
      s.adjusted = adjust || withRange;
      if (!s.adjusted) return s.format == ie24RGB ? FetchCopy24 : FetchCopy32;
      auto factor = static_cast<int64_t>(std::trunc(ContrastFactor(settings->Contrast()) * 65536));
      bool identity = true;
      for (int c = 0; c < 3; ++c)
        for (int32_t v = 0; v < 256; ++v) {
          int64_t adjusted = (int64_t(v) + offsets[c] - 128) * factor / 65536 + 128;
          auto value = static_cast<uint8_t>(std::clamp<int64_t>(adjusted, 0, 255));
          if (withRange) value = MapDisplayRange(value, rangeMin, rangeMax);
          s.channel[c][v] = value;
          identity = identity && value == v;
        }
      if (identity) return s.format == ie24RGB ? FetchCopy24 : FetchCopy32;
      return s.format == ie24RGB ? FetchAdjusted<3> : FetchAdjusted<4>;
    }
    case ieRGB48:
      if (!adjust) return FetchPlain48;
      s.factor48 = ContrastFactor(settings->Contrast());
      s.offset48[0] = settings->RedOffset();
      s.offset48[1] = settings->GreenOffset();
      s.offset48[2] = settings->BlueOffset();
      return FetchAdjusted48;
    case ie1g: return Fetch1g;
    case ie8g:
      for (int32_t v = 0; v < 256; ++v)
        s.grey8[v] = s.hasRange ? MapDisplayRange(v, rangeMin, rangeMax) : static_cast<uint8_t>(v);
      return Fetch8g;
    case ie8p: {
      const TRGB* palette = pixels->GetPalette();
      int32_t length = std::clamp(pixels->GetPaletteLen(), 0, 256);
      if (!palette || length == 0) return nullptr;
      std::fill(std::begin(s.palette), std::end(s.palette), TRGB{0, 0, 0});
      std::copy(palette, palette + length, s.palette);
      return Fetch8p;
    }
    case ie16g: return Fetch16g;
    case ie32f: return Fetch32f;
    case ieCMYK: return FetchCMYK;
    case ieCIELab: return FetchCIELab;
    default: return nullptr;
  }
}

// ---- destination rows ----

// Destination rows by number: from the row table, or locked one at a time in a temporary file,
// where a row's address is valid only while it is locked.
class DestRows {
 public:
  DestRows(TIEBitmap* dest, const uint8_t* const* table) : dest_(dest), table_(table) {}
  uint8_t* Acquire(int32_t row) {
    return table_ ? const_cast<uint8_t*>(table_[row]) : static_cast<uint8_t*>(dest_->LockScanline(row));
  }
  void Release(int32_t row) {
    if (!table_) dest_->UnlockScanline(row);
  }
  bool Stable() const { return table_ != nullptr; }

 private:
  TIEBitmap* dest_;
  const uint8_t* const* table_;
};

// Whether a cached row table still describes the destination's rows.
bool RowTableMatches(const TIERowAddressTable& table, TIEBitmap* dest, int32_t height) {
  if (table.size() != static_cast<size_t>(height) || height == 0) return false;
  return table.front() == dest->GetScanline(0) && table.back() == dest->GetScanline(height - 1);
}

void BuildRowTable(TIERowAddressTable& table, TIEBitmap* dest, int32_t height) {
  table.resize(static_cast<size_t>(height));
  for (int32_t y = 0; y < height; ++y) table[y] = static_cast<uint8_t*>(dest->GetScanline(y));
}

// Entry i: the source index of destination index i, clamped to the source.
void BuildIndexTable(TIEIndexTable& table, int32_t destSize, int64_t destStart, int64_t srcStart, double ratio,
                     int32_t srcSize) {
  table.resize(static_cast<size_t>(destSize));
  const double last = srcSize - 1;
  for (int32_t i = 0; i < destSize; ++i) {
    double v = double(i - destStart) * ratio + double(srcStart);
    table[i] = static_cast<int32_t>(std::clamp(v, 0.0, last));
  }
}

// Makes `table` usable for destination indexes first .. last. A cached table keeps the range
// to its entries that lie within the source (a cache made for a larger image stops early); one
// that is too short or addresses outside the source is built again. Returns whether the table
// was built here.
bool PrepareIndexTable(TIEIndexTable& table, int64_t first, int64_t& last, int32_t destSize, int64_t destStart,
                       int64_t srcStart, double ratio, int32_t srcSize) {
  if (!table.empty() && table.size() >= size_t(last + 1)) {
    int64_t usable = last;
    while (usable >= first && table[usable] >= srcSize) --usable;
    bool valid = true;
    for (int64_t i = first; i <= usable && valid; ++i) valid = table[i] >= 0 && table[i] < srcSize;
    if (valid) {
      last = usable;
      return false;
    }
  }
  BuildIndexTable(table, destSize, destStart, srcStart, ratio, srcSize);
  return true;
}

// Blends `count` values into the destination pixels: d += floor(t x (value - d) / 256) with
// t = min(transparency, alpha); an opaque pixel takes the value exactly.
void BlendRow(TRGB* dest, const TRGB* value, int32_t count, int32_t transparency, const uint8_t* alphaRow,
              const int32_t* cols) {
  for (int32_t i = 0; i < count; ++i) {
    int32_t t = alphaRow ? std::min<int32_t>(transparency, alphaRow[cols[i]]) : transparency;
    if (t == 0) continue;
    if (t == 255) {
      dest[i] = value[i];
      continue;
    }
    TRGB& d = dest[i];
    const TRGB v = value[i];
    d.b = static_cast<uint8_t>(d.b + ((t * (v.b - d.b)) >> 8));
    d.g = static_cast<uint8_t>(d.g + ((t * (v.g - d.g)) >> 8));
    d.r = static_cast<uint8_t>(d.r + ((t * (v.r - d.r)) >> 8));
  }
}

struct RowJob {
  SourceSetup* source;
  FetchRow fetch;
  DestRows* dest;
  int32_t firstRow, lastRow, firstCol, lastCol;
  const int32_t* rowTable;
  const int32_t* colTable;
  uint8_t operation;
  bool applyOperation;
  bool blending;
  int32_t transparency;
  bool reuseRows;
};

void RenderRows(const RowJob& job) {
  const int32_t count = job.lastCol - job.firstCol + 1;
  const int32_t* cols = job.colTable + job.firstCol;
  std::vector<TRGB> values(static_cast<size_t>(count));
  const bool direct = !job.blending && !job.applyOperation;
  // A row drawn straight from its source row equals the row above whenever both come from the
  // same source row, so it is copied; otherwise only when the caller allows it.
  const bool reuse = (job.reuseRows || direct) && job.dest->Stable();
  int32_t previousSourceRow = -1;
  TRGB* previous = nullptr;
  for (int32_t y = job.firstRow; y <= job.lastRow; ++y) {
    const int32_t sourceRow = job.rowTable[y];
    auto* target = reinterpret_cast<TRGB*>(job.dest->Acquire(y)) + job.firstCol;
    if (reuse && previous && sourceRow == previousSourceRow) {
      std::memcpy(target, previous, size_t(count) * 3);
    } else {
      const auto* row = static_cast<const uint8_t*>(job.source->pixels->GetScanline(sourceRow));
      if (direct) {
        job.fetch(*job.source, row, cols, count, target);
      } else {
        job.fetch(*job.source, row, cols, count, values.data());
        TRGB* result = job.blending ? values.data() : target;
        if (job.applyOperation) BlendPixels(job.operation, values.data(), target, result, count, y);
        if (job.blending) {
          const uint8_t* alphaRow =
              job.source->alpha ? static_cast<const uint8_t*>(job.source->alpha->GetScanline(sourceRow)) : nullptr;
          BlendRow(target, values.data(), count, job.transparency, alphaRow, cols);
        }
      }
    }
    previous = target;
    previousSourceRow = sourceRow;
    job.dest->Release(y);
  }
}

// Hands a table the call built back to the caller, or frees it.
void SettleCache(std::vector<int32_t>* cache, bool built, bool freeCaches) {
  if (cache && built && freeCaches) TIEIndexTable().swap(*cache);
}

struct RenderCall {
  TIEBitmap* pixels;    // whose rows are read
  TIEBitmap* settings;  // whose adjustments and settings apply
  TIEBitmap* dest;
  TIERowAddressTable* destRows;
  TIEIndexTable* columns;
  TIEIndexTable* rows;
  const RECT* clip;
  Rects rects;
  bool useAlpha;
  bool reuseRows;
  int32_t transparency;
  TResampleFilter filter;
  bool freeCaches;
  uint8_t operation;
};

void Render(const RenderCall& call);

// Scales the source rectangle, which lies within the image, with the filter into `scaled` of
// the destination size (its alpha channel too with withAlpha): a 1-bit image being reduced
// without alpha and without a projection filter becomes the grey of the bits under each pixel;
// otherwise the rectangle is cut out and resampled, a 1-bit one to 1 bit for the projections.
bool ResampleRect(TIEBitmap* source, int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc, int32_t dxDst,
                  int32_t dyDst, TResampleFilter filter, bool withAlpha, TIEBitmap& scaled) {
  const TIEPixelFormat format = source->GetPixelFormat();
  const bool projection = filter == rfProjectBW || filter == rfProjectWB;
  if (dxDst <= dxSrc && format == ie1g && !withAlpha && !projection) {
    if (!scaled.Allocate(dxDst, dyDst, ie24RGB)) return false;
    Resample1BitToGray24(source, xSrc, ySrc, xSrc + dxSrc - 1, ySrc + dySrc - 1, &scaled);
    return true;
  }
  TIEBitmap crop;
  if (!crop.Allocate(dxSrc, dySrc, format)) return false;
  source->CopyRectTo(&crop, xSrc, ySrc, 0, 0, dxSrc, dySrc);
  if (withAlpha) {
    TIEBitmap* sourceAlpha = source->GetAlphaChannel();
    sourceAlpha->CopyRectTo(crop.GetAlphaChannel(), xSrc, ySrc, 0, 0, dxSrc, dySrc);
    crop.GetAlphaChannel()->SetFull(sourceAlpha->Full());
  }
  if (!scaled.Allocate(dxDst, dyDst, format == ie1g && projection ? ie1g : ie24RGB)) return false;
  if (format == ie1g)
    Resample1Bit(&crop, &scaled, filter);
  else
    ResampleBitmap(&crop, &scaled, filter, TIEProgressEvent(), nullptr);
  if (withAlpha) {
    ResampleGray8(crop.GetAlphaChannel(), scaled.GetAlphaChannel(), filter);
    scaled.GetAlphaChannel()->SetFull(crop.GetAlphaChannel()->Full());
  }
  return true;
}

// Scales the source rectangle with the filter into a temporary of the destination size, then
// renders that 1:1.
void RenderResampled(const RenderCall& call, const Rects& r, bool alphaPresent) {
  TIEBitmap scaled;
  if (!ResampleRect(call.pixels, int32_t(r.xSrc), int32_t(r.ySrc), int32_t(r.dxSrc), int32_t(r.dySrc),
                    int32_t(r.dxDst), int32_t(r.dyDst), call.filter, alphaPresent, scaled))
    return;
  TIEBitmap* settings = call.settings;
  scaled.SetRedOffset(settings->RedOffset());
  scaled.SetGreenOffset(settings->GreenOffset());
  scaled.SetBlueOffset(settings->BlueOffset());
  scaled.SetExtraOffset(settings->ExtraOffset());
  scaled.SetApplyAdjustments(settings->ApplyAdjustments());
  scaled.SetContrast(settings->Contrast());

  RenderCall flat = call;
  flat.pixels = &scaled;
  flat.settings = &scaled;
  flat.columns = nullptr;  // tables of the temporary mean nothing to the caller
  flat.rows = nullptr;
  flat.filter = rfNone;
  flat.rects = Rects{r.xDst, r.yDst, r.dxDst, r.dyDst, 0, 0, r.dxDst, r.dyDst};
  Render(flat);
}

void Render(const RenderCall& call) {
  TIEBitmap* source = call.pixels;
  TIEBitmap* dest = call.dest;
  Rects r = call.rects;
  const int32_t destW = dest->GetWidth(), destH = dest->GetHeight();
  const int32_t srcW = source->GetWidth(), srcH = source->GetHeight();
  if (r.dxSrc <= 0 || r.dySrc <= 0 || r.dxDst <= 0 || r.dyDst <= 0) return;
  if (r.xDst > destW - 1 || r.yDst > destH - 1 || srcW < 1 || srcH < 1) return;

  // Scale steps and index ratios come from the rectangles as given, so that clipping does not
  // shift the mapping.
  const double ratioX = double(r.dxSrc) / double(r.dxDst), ratioY = double(r.dySrc) / double(r.dyDst);
  const auto stepX = static_cast<int64_t>(ratioX * kUnitStep), stepY = static_cast<int64_t>(ratioY * kUnitStep);
  if (!ClipRects(r, destW, destH, srcW, srcH)) return;

  TIEBitmap* alphaChannel = source->HasAlphaChannel() ? source->GetAlphaChannel() : nullptr;
  // An alpha channel that does not cover the image is not read.
  const bool alphaFits = alphaChannel && alphaChannel->GetPixelFormat() == ie8g &&
                         alphaChannel->GetWidth() >= srcW && alphaChannel->GetHeight() >= srcH;
  const bool alphaPresent = call.useAlpha && alphaFits;
  const TIEPixelFormat format = source->GetPixelFormat();

  if (call.filter != rfNone && (r.dxSrc != r.dxDst || r.dySrc != r.dyDst) && (format == ie1g || format == ie24RGB) &&
      !(r.dxSrc == 1 && r.dySrc == 1)) {
    // The filter needs a source rectangle that lies within the image.
    r.dxSrc = std::min(r.dxSrc, srcW - r.xSrc);
    r.dySrc = std::min(r.dySrc, srcH - r.ySrc);
    RenderResampled(call, r, alphaPresent);
    return;
  }

  // The rows and columns to draw.
  const int64_t clipX1 = call.clip ? call.clip->left : -kNoClip, clipY1 = call.clip ? call.clip->top : -kNoClip;
  const int64_t clipX2 = call.clip ? call.clip->right : kNoClip, clipY2 = call.clip ? call.clip->bottom : kNoClip;
  int64_t firstCol = std::max(clipX1, r.xDst), lastCol = std::min(clipX2, r.xDst + r.dxDst - 1);
  int64_t firstRow = std::max(clipY1, r.yDst), lastRow = std::min(clipY2, r.yDst + r.dyDst - 1);
  firstCol = std::max<int64_t>(firstCol, 0);
  firstRow = std::max<int64_t>(firstRow, 0);
  lastCol = std::min<int64_t>(lastCol, destW - 1);
  lastRow = std::min<int64_t>(lastRow, destH - 1);
  if (firstCol > lastCol || firstRow > lastRow) return;

  const bool alphaUsed = alphaPresent && !alphaChannel->Full();
  const int32_t transparency = std::clamp(call.transparency, 0, 255);
  const bool blending = transparency < 255 || alphaUsed;

  // Destination rows: a temporary file hands out one valid row address at a time, so its rows
  // are locked one by one instead of being tabled.
  TIERowAddressTable localRows;
  const uint8_t* const* rowAddresses = nullptr;
  bool builtRows = false;
  if (dest->Location() != ieFile) {
    TIERowAddressTable& table = call.destRows ? *call.destRows : localRows;
    if (!RowTableMatches(table, dest, destH)) {
      BuildRowTable(table, dest, destH);
      builtRows = true;
    }
    rowAddresses = table.data();
  }
  DestRows destRows(dest, rowAddresses);
  struct RowCacheSettler {
    TIERowAddressTable* cache;
    bool built, freeCaches;
    ~RowCacheSettler() {
      if (cache && built && freeCaches) TIERowAddressTable().swap(*cache);
    }
  } rowSettler{call.destRows, builtRows, call.freeCaches};

  const bool unadjusted = !call.settings->ApplyAdjustments() && call.settings->Contrast() == 0 &&
                          call.settings->DisplayRangeMin() == 0 && call.settings->DisplayRangeMax() == 0;
  const bool withinSource = r.xSrc + r.dxDst <= srcW && r.ySrc + r.dyDst <= srcH;
  if (stepX == kUnitStep && stepY == kUnitStep && format == ie24RGB && transparency == 255 && !alphaUsed &&
      unadjusted && call.operation == ieopCopy && withinSource) {
    // 1:1 copy of an opaque, unadjusted image: row segments.
    const size_t bytes = size_t(lastCol - firstCol + 1) * 3;
    for (auto y = int32_t(firstRow); y <= lastRow; ++y) {
      uint8_t* target = destRows.Acquire(y) + firstCol * 3;
      const auto* row = static_cast<const uint8_t*>(source->GetScanline(int32_t(y - r.yDst + r.ySrc)));
      std::memcpy(target, row + (firstCol - r.xDst + r.xSrc) * 3, bytes);
      destRows.Release(y);
    }
    return;
  }

  // Index tables: cached ones are used while they cover the range, and the range is kept to the
  // entries that lie within this source.
  TIEIndexTable localColumns, localRowsIndex;
  TIEIndexTable& columns = call.columns ? *call.columns : localColumns;
  TIEIndexTable& rows = call.rows ? *call.rows : localRowsIndex;
  const bool builtColumns = PrepareIndexTable(columns, firstCol, lastCol, destW, r.xDst, r.xSrc, ratioX, srcW);
  const bool builtRowIndex = PrepareIndexTable(rows, firstRow, lastRow, destH, r.yDst, r.ySrc, ratioY, srcH);
  struct IndexCacheSettler {
    TIEIndexTable *columns, *rows;
    bool builtColumns, builtRows, freeCaches;
    ~IndexCacheSettler() {
      SettleCache(columns, builtColumns, freeCaches);
      SettleCache(rows, builtRows, freeCaches);
    }
  } indexSettler{call.columns, call.rows, builtColumns, builtRowIndex, call.freeCaches};
  if (firstCol > lastCol || firstRow > lastRow) return;

  auto setup = std::make_unique<SourceSetup>();
  FetchRow fetch = PrepareSource(*setup, source, call.settings, call.operation, blending, alphaUsed);
  if (!fetch) return;
  const bool displayRangeRows = format == ie24RGB && !blending && setup->rangeMax != setup->rangeMin;
  // Rows of the even/odd operations differ by their number, so no row stands for another.
  const bool rowOperation = call.operation == ieopEvenRows || call.operation == ieopOddRows;
  RowJob job{setup.get(),
             fetch,
             &destRows,
             int32_t(firstRow),
             int32_t(lastRow),
             int32_t(firstCol),
             int32_t(lastCol),
             rows.data(),
             columns.data(),
             call.operation,
             // Every source format combines by the operation: a grey, palette, CMYK, Lab or
             // float image blends like a colour one instead of being copied over.
             call.operation != ieopCopy,
             blending,
             transparency,
             call.reuseRows && (format == ie24RGB || format == ie32RGB) && !displayRangeRows && !rowOperation};
  RenderRows(job);
}

// ---- scaled copy ----

// Scales a 1-bit or 24-bit rectangle into a temporary of the destination size with the filter.
// False when there is nothing to filter (the caller then copies by nearest pixel).
bool ResampleForCopy(TIEBitmap* source, Rects& r, TResampleFilter filter, TIEBitmap& scaled) {
  const int32_t srcW = source->GetWidth(), srcH = source->GetHeight();
  r.xSrc = std::clamp<int64_t>(r.xSrc, 0, srcW - 1);
  r.ySrc = std::clamp<int64_t>(r.ySrc, 0, srcH - 1);
  const auto dxSrc = static_cast<int32_t>(std::min<int64_t>(r.dxSrc, srcW - r.xSrc));
  const auto dySrc = static_cast<int32_t>(std::min<int64_t>(r.dySrc, srcH - r.ySrc));
  // A single pixel has nothing to filter.
  if (dxSrc < 1 || dySrc < 1 || (dxSrc == 1 && dySrc == 1)) return false;
  return ResampleRect(source, int32_t(r.xSrc), int32_t(r.ySrc), dxSrc, dySrc, int32_t(r.dxDst), int32_t(r.dyDst),
                      filter, source->HasAlphaChannel(), scaled);
}

void StretchCopy(TIEBitmap* source, TIEBitmap* dest, Rects r, TResampleFilter filter, int32_t alphaLimit) {
  const int32_t srcW = source->GetWidth(), srcH = source->GetHeight();
  const int32_t destW = dest->GetWidth(), destH = dest->GetHeight();
  if (r.dxDst < 1 || r.dyDst < 1 || r.dxSrc < 1 || r.dySrc < 1 || srcW < 1 || srcH < 1) return;
  const TIEPixelFormat format = source->GetPixelFormat();
  if (filter != rfNone && (r.dxSrc != r.dxDst || r.dySrc != r.dyDst) && (format == ie1g || format == ie24RGB)) {
    TIEBitmap scaled;
    if (ResampleForCopy(source, r, filter, scaled)) {
      StretchCopy(&scaled, dest, Rects{r.xDst, r.yDst, r.dxDst, r.dyDst, 0, 0, r.dxDst, r.dyDst}, rfNone, alphaLimit);
      return;
    }
  }

  const auto stepX = static_cast<int64_t>(double(r.dxSrc) / double(r.dxDst) * kUnitStep);
  const auto stepY = static_cast<int64_t>(double(r.dySrc) / double(r.dyDst) * kUnitStep);
  const auto x1 = static_cast<int32_t>(std::max<int64_t>(r.xDst, 0));
  const auto y1 = static_cast<int32_t>(std::max<int64_t>(r.yDst, 0));
  const auto x2 = static_cast<int32_t>(std::min<int64_t>(r.xDst + r.dxDst - 1, destW - 1));
  const auto y2 = static_cast<int32_t>(std::min<int64_t>(r.yDst + r.dyDst - 1, destH - 1));
  if (x1 > x2 || y1 > y2) return;
  const int32_t count = x2 - x1 + 1;
  auto mapped = [](int64_t i, int64_t start, int64_t step, int64_t srcStart, int32_t size) {
    return static_cast<int32_t>(std::clamp<int64_t>(srcStart + (((i - start) * step) >> 14), 0, size - 1));
  };
  std::vector<int32_t> cols(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) cols[i] = mapped(x1 + i, r.xDst, stepX, r.xSrc, srcW);
  const bool unitScale = stepX == kUnitStep && stepY == kUnitStep && cols.back() - cols.front() == count - 1;

  const int32_t limit = std::clamp(alphaLimit, 0, 255);
  TIEBitmap* destAlpha = dest->GetAlphaChannel();
  TIEBitmap* sourceAlpha = source->HasAlphaChannel() ? source->GetAlphaChannel() : nullptr;
  const bool copyAlpha = sourceAlpha && !sourceAlpha->Full() && sourceAlpha->GetPixelFormat() == ie8g &&
                         sourceAlpha->GetWidth() >= srcW && sourceAlpha->GetHeight() >= srcH;
  if (!copyAlpha) {
    const bool wasFull = destAlpha->Full();
    destAlpha->FillRect(x1, y1, x2, y2, limit);
    destAlpha->SetFull(wasFull && limit == 255);
  } else {
    destAlpha->SetFull(false);
  }
  TIEAccessScope alphaAccess(destAlpha, ieaRead | ieaWrite);

  for (int32_t y = y1; y <= y2; ++y) {
    const int32_t sourceRow = mapped(y, r.yDst, stepY, r.ySrc, srcH);
    if (copyAlpha) {
      auto* target = static_cast<uint8_t*>(destAlpha->GetScanline(y)) + x1;
      const auto* alpha = static_cast<const uint8_t*>(sourceAlpha->GetScanline(sourceRow));
      for (int32_t i = 0; i < count; ++i) target[i] = static_cast<uint8_t>(std::min<int32_t>(alpha[cols[i]], limit));
    }
    if (format != ie1g && format != ie24RGB) continue;
    auto* target = reinterpret_cast<TRGB*>(dest->GetScanline(y)) + x1;
    const auto* row = static_cast<const uint8_t*>(source->GetScanline(sourceRow));
    if (format == ie1g) {
      for (int32_t i = 0; i < count; ++i) {
        int32_t c = cols[i];
        uint8_t v = (row[c >> 3] & (0x80 >> (c & 7))) ? 255 : 0;
        target[i] = TRGB{v, v, v};
      }
    } else if (unitScale) {
      std::memcpy(target, row + int64_t(cols[0]) * 3, size_t(count) * 3);
    } else {
      const auto* pixels = reinterpret_cast<const TRGB*>(row);
      for (int32_t i = 0; i < count; ++i) target[i] = pixels[cols[i]];
    }
  }
}

}  // namespace

void RenderToTIEBitmapFull(TIEBitmap* source, TIEBitmap* dest, TIERowAddressTable* destRows, TIEIndexTable* columns,
                           TIEIndexTable* rows, const RECT* clip, int32_t xDst, int32_t yDst, int32_t dxDst,
                           int32_t dyDst, int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc, bool useAlpha,
                           bool reuseRows, int32_t transparency, TResampleFilter filter, bool freeCaches,
                           uint8_t operation) {
  if (!source) return;
  CheckDestination(dest);
  TIEAccessScope sourceAccess(source, ieaRead);
  TIEAccessScope destAccess(dest, ieaRead | ieaWrite);
  try {
    RenderCall call{source, source, dest, destRows, columns, rows, clip,
                    Rects{xDst, yDst, dxDst, dyDst, xSrc, ySrc, dxSrc, dySrc},
                    useAlpha, reuseRows, transparency, filter, freeCaches, operation};
    // A bitmap drawn onto itself is read from a copy, so that no pixel is read after it was
    // written.
    std::unique_ptr<TIEBitmap> copy;
    if (source == dest) {
      copy = std::make_unique<TIEBitmap>();
      copy->Assign(source);
      call.pixels = copy.get();
    }
    Render(call);
  } catch (...) {
    // A failure of the storage (temporary file, platform bitmap) ends the drawing; the
    // destination keeps what was drawn so far.
  }
}

void RenderToTIEBitmap(TIEBitmap* source, TIEBitmap* dest, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst,
                       int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc, int32_t transparency,
                       TResampleFilter filter, uint8_t operation) {
  RenderToTIEBitmapFull(source, dest, nullptr, nullptr, nullptr, nullptr, xDst, yDst, dxDst, dyDst, xSrc, ySrc, dxSrc,
                        dySrc, true, false, transparency, filter, true, operation);
}

void RenderToVclBitmapFull(TIEBitmap* source, vcl::TBitmap* dest, TIERowAddressTable* destRows,
                           TIEIndexTable* columns, TIEIndexTable* rows, const RECT* clip, int32_t xDst, int32_t yDst,
                           int32_t dxDst, int32_t dyDst, int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc,
                           bool useAlpha, bool reuseRows, int32_t transparency, TResampleFilter filter,
                           bool freeCaches, uint8_t operation) {
  if (!dest || dest->PixelFormat() != vcl::pf24bit)
    throw vcl::EInvalidGraphicOperation("The destination of a rendering must be a 24-bit bitmap");
  TIEBitmap wrapper;
  wrapper.AttachVclBitmap(dest, false);
  RenderToTIEBitmapFull(source, &wrapper, destRows, columns, rows, clip, xDst, yDst, dxDst, dyDst, xSrc, ySrc, dxSrc,
                        dySrc, useAlpha, reuseRows, transparency, filter, freeCaches, operation);
}

void RenderToVclBitmap(TIEBitmap* source, vcl::TBitmap* dest, int32_t xDst, int32_t yDst, int32_t dxDst,
                       int32_t dyDst, int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc, int32_t transparency,
                       TResampleFilter filter, uint8_t operation) {
  RenderToVclBitmapFull(source, dest, nullptr, nullptr, nullptr, nullptr, xDst, yDst, dxDst, dyDst, xSrc, ySrc, dxSrc,
                        dySrc, true, false, transparency, filter, true, operation);
}

}  // namespace imaging

namespace imaging {

void StretchCopyToTIEBitmap(TIEBitmap* source, TIEBitmap* dest, int32_t xDst, int32_t yDst, int32_t dxDst,
                            int32_t dyDst, int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc,
                            TResampleFilter filter, int32_t alphaLimit) {
  if (!source) return;
  CheckDestination(dest);
  TIEAccessScope sourceAccess(source, ieaRead);
  TIEAccessScope destAccess(dest, ieaRead | ieaWrite);
  try {
    std::unique_ptr<TIEBitmap> copy;
    TIEBitmap* pixels = source;
    if (source == dest) {
      copy = std::make_unique<TIEBitmap>();
      copy->Assign(source);
      pixels = copy.get();
    }
    StretchCopy(pixels, dest, Rects{xDst, yDst, dxDst, dyDst, xSrc, ySrc, dxSrc, dySrc}, filter, alphaLimit);
  } catch (...) {
    // As with rendering: a failing store ends the copy, the destination possibly partly written.
  }
}

// ---- the same operations as members of the source bitmap ----

void TIEBitmap::RenderToTIEBitmapFull(TIEBitmap* dest, TIERowAddressTable* destRows, TIEIndexTable* columns,
                                      TIEIndexTable* rows, const RECT* clip, int32_t xDst, int32_t yDst, int32_t dxDst,
                                      int32_t dyDst, int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc,
                                      bool useAlpha, bool reuseRows, int32_t transparency, TResampleFilter filter,
                                      bool freeCaches, uint8_t operation) {
  imaging::RenderToTIEBitmapFull(this, dest, destRows, columns, rows, clip, xDst, yDst, dxDst, dyDst, xSrc, ySrc,
                                 dxSrc, dySrc, useAlpha, reuseRows, transparency, filter, freeCaches, operation);
}

void TIEBitmap::RenderToTIEBitmap(TIEBitmap* dest, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst,
                                  int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc, int32_t transparency,
                                  TResampleFilter filter, uint8_t operation) {
  imaging::RenderToTIEBitmap(this, dest, xDst, yDst, dxDst, dyDst, xSrc, ySrc, dxSrc, dySrc, transparency, filter,
                             operation);
}

void TIEBitmap::RenderToVclBitmapFull(vcl::TBitmap* dest, TIERowAddressTable* destRows, TIEIndexTable* columns,
                                      TIEIndexTable* rows, const RECT* clip, int32_t xDst, int32_t yDst, int32_t dxDst,
                                      int32_t dyDst, int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc,
                                      bool useAlpha, bool reuseRows, int32_t transparency, TResampleFilter filter,
                                      bool freeCaches, uint8_t operation) {
  imaging::RenderToVclBitmapFull(this, dest, destRows, columns, rows, clip, xDst, yDst, dxDst, dyDst, xSrc, ySrc,
                                 dxSrc, dySrc, useAlpha, reuseRows, transparency, filter, freeCaches, operation);
}

void TIEBitmap::RenderToVclBitmap(vcl::TBitmap* dest, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst,
                                  int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc, int32_t transparency,
                                  TResampleFilter filter, uint8_t operation) {
  imaging::RenderToVclBitmap(this, dest, xDst, yDst, dxDst, dyDst, xSrc, ySrc, dxSrc, dySrc, transparency, filter,
                             operation);
}

void TIEBitmap::StretchCopyToTIEBitmap(TIEBitmap* dest, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst,
                                       int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc,
                                       TResampleFilter filter, int32_t alphaLimit) {
  imaging::StretchCopyToTIEBitmap(this, dest, xDst, yDst, dxDst, dyDst, xSrc, ySrc, dxSrc, dySrc, filter, alphaLimit);
}

}  // namespace imaging
