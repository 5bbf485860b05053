// Everyday operations of the library bitmap: whole-image copies, rectangles, filling, size
// changes, single pixels and the whole-image tests.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/base/bit_helpers.h"
#include "imaging/model/cmyk_conversion.h"
#include "imaging/model/dib_bitmap.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_bitmap_detail.h"
#include "imaging/base/number_helpers.h"
#include "imaging/model/temp_block_store.h"
#include "imaging/model/vcl_colour_table.h"
#include "imaging/model/routines/bit_runs.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

using bitmap_detail::ColourOfValue;
using bitmap_detail::PackedRGB;
using bitmap_detail::TruncValue;

namespace {

// The format a platform bitmap can hold for an image of `format`.
TIEPixelFormat VclRepresentableFormat(TIEPixelFormat format) {
  switch (format) {
    case ie1g:
    case ie8p:
    case ie8g:
    case ie24RGB:
    case ie32RGB: return format;
    case ie16g: return ie8g;
    default: return ie24RGB;
  }
}

// A rectangle copied from (sx, sy) of a source to (dx, dy) of a destination, in 64 bits so that
// extreme arguments cannot wrap around.
struct CopyArea {
  int64_t sx, sy, dx, dy, w, h;

  // A negative destination start moves the source start by as much and shortens the copy; the
  // source start is clamped to the source; the size is cut to what both bitmaps hold. False
  // when nothing remains.
  bool Clip(int64_t sourceWidth, int64_t sourceHeight, int64_t destWidth, int64_t destHeight) {
    if (sourceWidth < 1 || sourceHeight < 1 || destWidth < 1 || destHeight < 1) return false;
    if (dx < 0) {
      sx -= dx;
      w += dx;
      dx = 0;
    }
    if (dy < 0) {
      sy -= dy;
      h += dy;
      dy = 0;
    }
    if (dx >= destWidth || dy >= destHeight) return false;
    sx = std::clamp<int64_t>(sx, 0, sourceWidth - 1);
    sy = std::clamp<int64_t>(sy, 0, sourceHeight - 1);
    w = std::min({w, sourceWidth - sx, destWidth - dx});
    h = std::min({h, sourceHeight - sy, destHeight - dy});
    return w > 0 && h > 0;
  }
};

// Bytes of a row that hold pixels (without the padding).
int64_t PixelBytes(int32_t width, int32_t bitCount) { return (static_cast<int64_t>(width) * bitCount + 7) / 8; }

}  // namespace

// ---- whole-image copies ----

void TIEBitmap::EnsureVclBitmap() {
  if (vclBitmap_) return;
  vclBitmap_ = new vcl::TBitmap();
  vclBitmapExternal_ = false;
}

bool TIEBitmap::CopyImageIntoVclBitmap(TIEBitmap* source) {
  int32_t width = source->GetWidth(), height = source->GetHeight();
  TIEPixelFormat format = source->GetPixelFormat(), held = VclRepresentableFormat(format);
  EnsureVclBitmap();
  palette_.clear();
  paletteLength_ = 0;
  try {
    SetVclBitmapFormat(held, width, height);
  } catch (const vcl::Exception&) {
    return false;
  }
  if (held == format) {
    CopyRowsFrom(source);
    source->CopyPaletteTo(this);
    return true;
  }
  // The platform bitmap cannot hold the source's format: its pixels are converted through a
  // copy in memory, never copied raw into rows of another layout.
  TIEBitmap converted;
  converted.location_ = ieMemory;
  if (!converted.Allocate(width, height, held)) return false;
  converted.CopyAndConvertFormat(source);
  CopyRowsFrom(&converted);
  converted.CopyPaletteTo(this);
  return true;
}

bool TIEBitmap::CopyImageIntoStorage(TIEBitmap* source, bool freeAlpha) {
  FreeImage(freeAlpha);
  width_ = source->GetWidth();
  height_ = source->GetHeight();
  pixelFormat_ = source->GetPixelFormat();
  bool allocated = AllocateImage();
  reallocPending_ = false;
  if (!allocated) {
    ResetDerivedFields();
    return false;
  }
  TIEAccessScope sourceAccess(source, ieaRead), ownAccess(this, ieaWrite);
  if (location_ == ieFile && source->location_ == ieFile && source->rowLen_ == rowLen_ &&
      source->reversedRows_ == reversedRows_) {
    // Two temporary files of one layout: the bytes go from file to file.
    source->UnmapAllViews();
    UnmapAllViews();
    source->fileBuffer_->CopyTo(fileBuffer_.get(), 0, static_cast<int64_t>(rowLen_) * height_);
  } else {
    CopyRowsFrom(source);
  }
  source->CopyPaletteTo(this);
  return true;
}

void TIEBitmap::Assign(vcl::TObject* source) {
  reallocPending_ = true;
  if (auto* platform = dynamic_cast<vcl::TBitmap*>(source)) {
    CopyFromVclBitmap(platform);
    return;
  }
  auto* bitmap = dynamic_cast<TIEBitmap*>(source);
  if (!bitmap || bitmap == this) return;
  if (location_ == ieTBitmap) {
    if (bitmap->IsEmpty()) return;
    alphaChannel_.reset();
    if (!CopyImageIntoVclBitmap(bitmap)) {
      FreeImage(true);
      return;
    }
  } else {
    rowAlignment_ = bitmap->rowAlignment_;
    if (!CopyImageIntoStorage(bitmap, true)) return;
  }
  full_ = bitmap->full_;

  if (!isAlphaChannel_) {
    if (bitmap->alphaChannel_) {
      if (!alphaChannel_) {
        alphaChannel_ = std::make_unique<TIEBitmap>();
        alphaChannel_->isAlphaChannel_ = true;
        alphaChannel_->location_ = location_ == ieTBitmap ? ieMemory : location_;
      }
      alphaChannel_->Assign(bitmap->alphaChannel_.get());
    } else {
      RemoveAlphaChannel(false, vcl::clWhite);
    }
  }
  convertTo1BitMethod_ = bitmap->convertTo1BitMethod_;
}

void TIEBitmap::CopyWithoutAlpha(TIEBitmap* source) {
  if (!source || source == this || source->IsEmpty()) return;
  reallocPending_ = true;
  bool copied = location_ == ieTBitmap ? CopyImageIntoVclBitmap(source) : CopyImageIntoStorage(source, false);
  if (!copied && location_ == ieTBitmap) FreeImage(false);
  full_ = false;
}

void TIEBitmap::CopyFromVclBitmap(vcl::TBitmap* bitmap) {
  if (!bitmap) return;
  if (location_ == ieTBitmap) {
    EnsureVclBitmap();
    if (vclBitmap_ == bitmap) return;
    alphaChannel_.reset();
    // The caller's bitmap is left as it is: a bitmap of another depth is converted in the copy.
    vclBitmap_->Assign(bitmap);
    if (!VclFormatSupported(vclBitmap_->PixelFormat())) vclBitmap_->SetPixelFormat(vcl::pf24bit);
    width_ = -1;  // makes the next synchronisation read everything again
    SyncFromVclBitmap();
    full_ = false;
    return;
  }

  // A device bitmap (or one of a custom layout) is read through a 24-bit copy.
  std::unique_ptr<vcl::TBitmap> copy;
  vcl::TPixelFormat platformFormat = bitmap->PixelFormat();
  if (platformFormat == vcl::pfDevice || platformFormat == vcl::pfCustom) {
    if (bitmap->Empty()) return;
    copy = std::make_unique<vcl::TBitmap>();
    copy->Assign(bitmap);
    copy->SetPixelFormat(vcl::pf24bit);
    bitmap = copy.get();
    platformFormat = vcl::pf24bit;
  }
  int32_t width = bitmap->Width(), height = bitmap->Height();
  std::vector<TRGB> table;
  if (platformFormat == vcl::pf1bit || platformFormat == vcl::pf4bit || platformFormat == vcl::pf8bit)
    table = ReadVclColourTable(bitmap);
  TIEPixelFormat format;
  switch (platformFormat) {
    case vcl::pf1bit: {
      bool blackAndWhite = table.size() >= 2 && PackedRGB(table[0]) == 0 && PackedRGB(table[1]) == 0xFFFFFF;
      format = blackAndWhite ? ie1g : ie8p;
      break;
    }
    case vcl::pf4bit:
    case vcl::pf8bit: format = ie8p; break;
    case vcl::pf32bit: format = ie32RGB; break;
    default: format = ie24RGB; break;
  }
  if (!Allocate(width, height, format)) return;
  full_ = false;
  if (format == ie8p) {
    std::fill(palette_.begin(), palette_.end(), TRGB{0, 0, 0});
    std::copy(table.begin(), table.begin() + std::min<size_t>(table.size(), 256), palette_.begin());
    paletteLength_ = platformFormat == vcl::pf1bit ? 2 : (platformFormat == vcl::pf4bit ? 16 : 256);
  }
  int64_t platformRow = PixelFormatRowSize(width, platformFormat);
  TIEAccessScope ownAccess(this, ieaWrite);
  for (int32_t y = 0; y < height; ++y) {
    const auto* source = static_cast<const uint8_t*>(bitmap->ScanLine(y));
    auto* dest = static_cast<uint8_t*>(GetScanline(y));
    switch (platformFormat) {
      case vcl::pf1bit:
        if (format == ie1g) {
          std::memcpy(dest, source, static_cast<size_t>(std::min<int64_t>(rowLen_, platformRow)));
        } else {
          for (int32_t x = 0; x < width; ++x) dest[x] = GetBitFromBuffer(source, x) ? 1 : 0;
        }
        break;
      case vcl::pf4bit:
        for (int32_t x = 0; x < width; ++x) dest[x] = (x & 1) ? (source[x >> 1] & 0x0F) : (source[x >> 1] >> 4);
        break;
      case vcl::pf15bit:
      case vcl::pf16bit:
        for (int32_t x = 0; x < width; ++x) {
          uint32_t v = source[2 * x] | (uint32_t(source[2 * x + 1]) << 8);
          TRGB& pixel = reinterpret_cast<TRGB*>(dest)[x];
          if (platformFormat == vcl::pf15bit)
            pixel = MakeRGB(uint8_t(((v >> 10) & 31) * 8), uint8_t(((v >> 5) & 31) * 8), uint8_t((v & 31) * 8));
          else
            pixel = MakeRGB(uint8_t((v >> 11) * 8), uint8_t(((v >> 5) & 63) * 4), uint8_t((v & 31) * 8));
        }
        break;
      default:
        std::memcpy(dest, source, static_cast<size_t>(std::min<int64_t>(rowLen_, platformRow)));
        break;
    }
  }
}

void TIEBitmap::CopyFromDIB(TIEDibbitmap* bitmap) {
  if (!bitmap) return;
  int32_t bits = bitmap->GetBitCount();
  TIEPixelFormat format = bits == 1 ? ie1g : (bits == 8 ? ie8g : (bits == 24 ? ie24RGB : ieNull));
  if (format == ieNull || bitmap->GetWidth() < 1 || bitmap->GetHeight() < 1) return;
  reallocPending_ = true;
  if (!Allocate(bitmap->GetWidth(), bitmap->GetHeight(), format)) return;
  GdiFlush();
  int32_t count = std::min(rowLen_, bitmap->GetRowLen());
  TIEAccessScope ownAccess(this, ieaWrite);
  for (int32_t y = 0; y < height_; ++y) std::memcpy(GetScanline(y), bitmap->GetScanline(y), size_t(count));
}

// ---- rectangles ----

void TIEBitmap::CopyRectTo(TIEBitmap* destination, int32_t sourceX, int32_t sourceY, int32_t destX, int32_t destY,
                           int32_t width, int32_t height) {
  if (!destination) return;
  TIEPixelFormat sourceFormat = GetPixelFormat(), destFormat = destination->GetPixelFormat();
  bool expand1Bit = sourceFormat == ie1g && destFormat == ie24RGB;
  if (sourceFormat == ieNull || (sourceFormat != destFormat && !expand1Bit)) return;
  int32_t sourceWidth = GetWidth(), sourceHeight = GetHeight();
  int32_t destWidth = destination->GetWidth(), destHeight = destination->GetHeight();
  CopyArea area{sourceX, sourceY, destX, destY, width, height};
  if (!area.Clip(sourceWidth, sourceHeight, destWidth, destHeight)) return;
  auto [sx, sy, dx, dy, w, h] = area;

  int32_t bytes = IEBytesPerPixel(sourceFormat);
  const int32_t sourceRowLen = GetRowLen();
  // Within one bitmap the rectangles may overlap. Each source row is read into a copy before
  // its destination row is fetched (in the temporary file that fetch unmaps the source row's
  // view), and a rectangle moving down is copied from its last row up, so that no source row
  // is overwritten before it has been read.
  const bool sameBitmap = destination == this;
  std::vector<uint8_t> rowCopy(sameBitmap ? size_t(sourceRowLen) : 0);
  const bool bottomUp = sameBitmap && dy > sy;
  TIEAccessScope sourceAccess(this, ieaRead), destAccess(destination, ieaRead | ieaWrite);
  for (int64_t i = 0; i < h; ++i) {
    const int64_t row = bottomUp ? h - 1 - i : i;
    const auto* source = static_cast<const uint8_t*>(GetScanline(int32_t(sy + row)));
    if (sameBitmap) {
      std::memcpy(rowCopy.data(), source, rowCopy.size());
      source = rowCopy.data();
    }
    auto* dest = static_cast<uint8_t*>(destination->GetScanline(int32_t(dy + row)));
    if (sourceFormat == ie1g && destFormat == ie1g) {
      CopyBitRun(dest, source, int32_t(dx), int32_t(sx), int32_t(w), sourceRowLen);
    } else if (expand1Bit) {
      for (int64_t x = 0; x < w; ++x)
        std::memset(dest + (dx + x) * 3, GetBitFromBuffer(source, sx + x) ? 255 : 0, 3);
    } else {
      std::memcpy(dest + dx * bytes, source + sx * bytes, static_cast<size_t>(w * bytes));
    }
  }
}

void TIEBitmap::MergeAlphaRect(TIEBitmap* destination, int32_t sourceX, int32_t sourceY, int32_t destX,
                               int32_t destY, int32_t width, int32_t height) {
  if (!destination) return;
  TIEBitmap* sourceAlpha = GetAlphaChannel();
  TIEBitmap* destAlpha = destination->GetAlphaChannel();
  if (!sourceAlpha || !destAlpha || sourceAlpha->GetPixelFormat() != ie8g || destAlpha->GetPixelFormat() != ie8g)
    return;
  CopyArea area{sourceX, sourceY, destX, destY, width, height};
  if (!area.Clip(sourceAlpha->GetWidth(), sourceAlpha->GetHeight(), destAlpha->GetWidth(), destAlpha->GetHeight()))
    return;
  auto [sx, sy, dx, dy, w, h] = area;
  TIEAccessScope sourceAccess(sourceAlpha, ieaRead), destAccess(destAlpha, ieaRead | ieaWrite);
  for (int64_t row = 0; row < h; ++row) {
    auto* dest = static_cast<uint8_t*>(destAlpha->GetScanline(int32_t(dy + row))) + dx;
    const auto* source = static_cast<const uint8_t*>(sourceAlpha->GetScanline(int32_t(sy + row))) + sx;
    for (int64_t x = 0; x < w; ++x) dest[x] = std::max(dest[x], source[x]);
  }
  destAlpha->full_ = false;
}

void TIEBitmap::MoveRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t destX, int32_t destY,
                         double fillValue, bool fill) {
  OrderRectCorners(x1, y1, x2, y2);
  int64_t width = int64_t(x2) - x1 + 1, height = int64_t(y2) - y1 + 1;
  if (width > GetWidth() || height > GetHeight()) {
    // Only the part inside the image can move.
    width = std::min<int64_t>(width, GetWidth());
    height = std::min<int64_t>(height, GetHeight());
  }
  if (width < 1 || height < 1) return;
  TIEBitmap temp;
  if (!temp.Allocate(int32_t(width), int32_t(height), GetPixelFormat())) return;
  CopyRectTo(&temp, x1, y1, 0, 0, int32_t(width), int32_t(height));
  if (fill) FillRect(x1, y1, x2, y2, fillValue);
  temp.CopyRectTo(this, 0, 0, destX, destY, int32_t(width), int32_t(height));
}

// ---- filling ----

namespace {

// Writes one pixel value of `bytes` bytes over `count` pixels.
void RepeatPixel(uint8_t* dest, const uint8_t* pixel, int32_t bytes, int64_t count) {
  for (int64_t i = 0; i < count; ++i) std::memcpy(dest + i * bytes, pixel, size_t(bytes));
}

// The bytes of one pixel of a colour format for a fill value (a platform colour).
void ColourPixel(TIEPixelFormat format, double value, uint8_t* pixel) {
  TRGB colour = ColourOfValue(value);
  switch (format) {
    case ieCMYK: {
      int32_t cmyk = IERGBToCMYK(PackedRGB(colour));
      std::memcpy(pixel, &cmyk, 4);
      break;
    }
    case ieRGB48: {
      uint16_t words[3] = {uint16_t(colour.r * 257), uint16_t(colour.g * 257), uint16_t(colour.b * 257)};
      std::memcpy(pixel, words, 6);
      break;
    }
    case ieCIELab: {
      TCIELab lab = RGBToCIELab(colour);
      std::memcpy(pixel, &lab, 3);
      break;
    }
    default:
      std::memcpy(pixel, &colour, 3);
      break;
  }
}

}  // namespace

void TIEBitmap::Fill(double value) {
  TIEPixelFormat format = GetPixelFormat();
  if (format == ieNull || IsEmpty()) return;
  int64_t v = TruncValue(value);
  // The fourth byte of ie32RGB pixels stays, so those rows are read as well as written.
  TIEAccessScope ownAccess(this, format == ie32RGB ? uint8_t(ieaRead | ieaWrite) : ieaWrite);
  uint8_t pixel[8] = {};
  int32_t bytes = IEBytesPerPixel(format);
  switch (format) {
    case ie1g:
    case ie8p:
    case ie8g: {
      uint8_t byte = format == ie1g ? (v != 0 ? 255 : 0) : uint8_t(v);
      for (int32_t y = 0; y < height_; ++y) std::memset(GetScanline(y), byte, size_t(rowLen_));
      full_ = format == ie1g ? v != 0 : v == 255;
      return;
    }
    case ie16g: {
      uint16_t word = uint16_t(v);
      std::memcpy(pixel, &word, 2);
      full_ = v == 65535;
      break;
    }
    case ie32f: {
      float sample = static_cast<float>(value);
      std::memcpy(pixel, &sample, 4);
      full_ = value == 1.0;
      break;
    }
    default: {
      ColourPixel(format, value, pixel);
      full_ = PackedRGB(ColourOfValue(value)) == 0xFFFFFF;
      break;
    }
  }
  if (format == ie32RGB) {
    for (int32_t y = 0; y < height_; ++y) {
      auto* row = static_cast<uint8_t*>(GetScanline(y));
      for (int32_t x = 0; x < width_; ++x) std::memcpy(row + 4 * x, pixel, 3);
    }
    return;
  }
  // One row is built and copied into every row.
  std::vector<uint8_t> row(static_cast<size_t>(rowLen_), 0);
  RepeatPixel(row.data(), pixel, bytes, width_);
  for (int32_t y = 0; y < height_; ++y) std::memcpy(GetScanline(y), row.data(), row.size());
}

void TIEBitmap::FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, double value) {
  TIEPixelFormat format = GetPixelFormat();
  if (format == ieNull || IsEmpty()) return;
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, width_ - 1);
  y2 = std::min(y2, height_ - 1);
  if (y2 < y1 || x2 < x1) return;
  int64_t v = TruncValue(value);
  uint8_t pixel[8] = {};
  int32_t bytes = IEBytesPerPixel(format);
  switch (format) {
    case ie1g:
    case ie8p:
    case ie8g: pixel[0] = uint8_t(v); break;
    case ie16g: {
      uint16_t word = uint16_t(v);
      std::memcpy(pixel, &word, 2);
      break;
    }
    case ie32f: {
      float sample = static_cast<float>(v);  // the truncated value, unlike Fill
      std::memcpy(pixel, &sample, 4);
      break;
    }
    default: ColourPixel(format, value, pixel); break;
  }
  if (format == ie32RGB) bytes = 3;  // the fourth byte stays
  int32_t step = IEBytesPerPixel(format);
  TIEAccessScope ownAccess(this, ieaRead | ieaWrite);
  for (int32_t y = y1; y <= y2; ++y) {
    auto* row = static_cast<uint8_t*>(GetScanline(y));
    if (format == ie1g) {
      for (int32_t x = x1; x <= x2; ++x) SetBitInBuffer(row, x, v != 0);
    } else {
      for (int32_t x = x1; x <= x2; ++x) std::memcpy(row + int64_t(x) * step, pixel, size_t(bytes));
    }
  }
}

// ---- size ----

void TIEBitmap::SetWidth(int32_t width) {
  if (width == GetWidth()) return;
  ResizeStorage(width, height_);
}

void TIEBitmap::SetHeight(int32_t height) {
  if (height == GetHeight()) return;
  ResizeStorage(width_, height);
}

void TIEBitmap::ResizeStorage(int32_t width, int32_t height) {
  // The alpha channel first, so that the platform bitmap's synchronisation finds it at the
  // new size already.
  if (alphaChannel_) alphaChannel_->ResizeStorage(width, height);
  if (location_ == ieTBitmap) {
    EnsureVclBitmap();
    vclBitmap_->SetSize(std::max(width, 0), std::max(height, 0));
    SyncFromVclBitmap();
  } else if (pixelFormat_ != ieNull && width_ > 0 && height_ > 0) {
    TIEBitmap temp;
    MoveContentTo(&temp);
    if (!Allocate(width, height, temp.pixelFormat_)) {
      if (width > 0 && height > 0) {
        // No storage for the new size: the image stays as it was rather than being lost.
        temp.MoveContentTo(this);
        return;
      }
      alphaChannel_ = std::move(temp.alphaChannel_);
    } else {
      CopyRowsFrom(&temp);
      if (temp.paletteLength_ > 0) temp.CopyPaletteTo(this);
      paletteUsed_ = temp.paletteUsed_;
      alphaChannel_ = std::move(temp.alphaChannel_);
    }
    full_ = false;
  } else {
    width_ = width;
    height_ = height;
  }
}

void TIEBitmap::Resize(int32_t width, int32_t height, double fillValue, int32_t alphaFillValue,
                       uint8_t horizontalAlignment, uint8_t verticalAlignment) {
  int32_t oldWidth = GetWidth(), oldHeight = GetHeight();
  TIEBitmap* alpha = isAlphaChannel_ ? nullptr : alphaChannel_.get();

  // Shrinking: the part to keep moves to the top left first.
  auto shrinkMoves = [&](TIEBitmap* bitmap, double fill) {
    if (width < oldWidth && horizontalAlignment != 0) {
      int32_t from = horizontalAlignment == 1 ? (oldWidth - width) / 2 : oldWidth - width;
      bitmap->MoveRect(from, 0, from + width - 1, oldHeight - 1, 0, 0, fill, true);
    }
    if (height < oldHeight && verticalAlignment != 0) {
      int32_t from = verticalAlignment == 1 ? (oldHeight - height) / 2 : oldHeight - height;
      bitmap->MoveRect(0, from, oldWidth - 1, from + height - 1, 0, 0, fill, true);
    }
  };
  shrinkMoves(this, fillValue);
  if (alpha) shrinkMoves(alpha, alphaFillValue);

  SetWidth(width);
  SetHeight(height);
  alpha = isAlphaChannel_ ? nullptr : alphaChannel_.get();

  // Growing: the new area is filled and the old content moves to its place.
  auto growMoves = [&](TIEBitmap* bitmap, double fill) {
    if (oldWidth < width) {
      bitmap->FillRect(oldWidth, 0, width - 1, height - 1, fill);
      if (horizontalAlignment != 0) {
        int32_t shift = horizontalAlignment == 1 ? (width - oldWidth) / 2 : width - oldWidth;
        bitmap->MoveRect(0, 0, oldWidth - 1, height - 1, shift, 0, fill, true);
      }
    }
    if (oldHeight < height) {
      bitmap->FillRect(0, oldHeight, width - 1, height - 1, fill);
      if (verticalAlignment != 0) {
        int32_t shift = verticalAlignment == 1 ? (height - oldHeight) / 2 : height - oldHeight;
        bitmap->MoveRect(0, 0, width - 1, oldHeight - 1, 0, shift, fill, true);
      }
    }
  };
  growMoves(this, fillValue);
  if (alpha) growMoves(alpha, alphaFillValue);
}

void TIEBitmap::SetRowAlignment(int32_t bits) {
  if (bits != 8 && bits != 16 && bits != 32 && bits != 64)
    throw vcl::EInvalidArgument("Row alignment must be 8, 16, 32 or 64 bits");
  if (bits == rowAlignment_) return;
  reallocPending_ = true;
  // The platform bitmap's rows are always padded to 32 bits.
  if (location_ == ieTBitmap) return;
  if (IsEmpty() || memoryExternal_) {
    if (!memoryExternal_) rowAlignment_ = bits;
    return;
  }
  TIEBitmap temp;
  MoveContentTo(&temp);
  rowAlignment_ = bits;
  if (!Allocate(temp.width_, temp.height_, temp.pixelFormat_)) {
    temp.MoveContentTo(this);
    return;
  }
  CopyRowsFrom(&temp);
  if (temp.paletteLength_ > 0) temp.CopyPaletteTo(this);
  full_ = temp.full_;
  alphaChannel_ = std::move(temp.alphaChannel_);
  isAlphaChannel_ = temp.isAlphaChannel_;
}

// ---- pixels ----

uint8_t* TIEBitmap::PixelAddress(int32_t x, int32_t y, int32_t bytesPerPixel) {
  return static_cast<uint8_t*>(GetScanline(y)) + static_cast<int64_t>(x) * bytesPerPixel;
}

uint8_t TIEBitmap::GetPixel8(int32_t x, int32_t y) { return *PixelAddress(x, y, 1); }

void TIEBitmap::SetPixel8(int32_t x, int32_t y, uint8_t value) {
  *PixelAddress(x, y, 1) = value;
  if (value != 255) full_ = false;
}

uint16_t TIEBitmap::GetPixel16(int32_t x, int32_t y) {
  uint16_t value;
  std::memcpy(&value, PixelAddress(x, y, 2), 2);
  return value;
}

void TIEBitmap::SetPixel16(int32_t x, int32_t y, uint16_t value) {
  std::memcpy(PixelAddress(x, y, 2), &value, 2);
  if (value != 65535) full_ = false;
}

float TIEBitmap::GetPixelFloat(int32_t x, int32_t y) {
  float value;
  std::memcpy(&value, PixelAddress(x, y, 4), 4);
  return value;
}

void TIEBitmap::SetPixelFloat(int32_t x, int32_t y, float value) {
  std::memcpy(PixelAddress(x, y, 4), &value, 4);
  if (!(value >= 1.0f)) full_ = false;
}

int32_t TIEBitmap::GetPixel32(int32_t x, int32_t y) {
  int32_t value;
  std::memcpy(&value, PixelAddress(x, y, 4), 4);
  return value;
}

void TIEBitmap::SetPixel32(int32_t x, int32_t y, int32_t value) { std::memcpy(PixelAddress(x, y, 4), &value, 4); }

TRGB TIEBitmap::GetPixel24(int32_t x, int32_t y) {
  TRGB value;
  std::memcpy(&value, PixelAddress(x, y, 3), 3);
  return value;
}

void TIEBitmap::SetPixel24(int32_t x, int32_t y, const TRGB& value) { std::memcpy(PixelAddress(x, y, 3), &value, 3); }

TRGB* TIEBitmap::GetRGBPixelPtr(int32_t x, int32_t y) { return reinterpret_cast<TRGB*>(PixelAddress(x, y, 3)); }

TIEBitmap::TRGB48 TIEBitmap::GetPixel48(int32_t x, int32_t y) {
  TRGB48 value;
  std::memcpy(&value, PixelAddress(x, y, 6), 6);
  return value;
}

void TIEBitmap::SetPixel48(int32_t x, int32_t y, const TRGB48& value) {
  std::memcpy(PixelAddress(x, y, 6), &value, 6);
  if (value.r != 65535 || value.g != 65535 || value.b != 65535) full_ = false;
}

TRGB TIEBitmap::GetPixelRGB(int32_t x, int32_t y) {
  switch (GetPixelFormat()) {
    case ie1g: {
      uint8_t level = GetBitFromBuffer(static_cast<const uint8_t*>(GetScanline(y)), x) ? 255 : 0;
      return MakeRGB(level, level, level);
    }
    case ie8p: return GetPaletteColor(GetPixel8(x, y));
    case ie8g: {
      uint8_t level = GetPixel8(x, y);
      return MakeRGB(level, level, level);
    }
    case ie16g: {
      auto level = uint8_t(GetPixel16(x, y) >> 8);
      return MakeRGB(level, level, level);
    }
    case ie24RGB: return GetPixel24(x, y);
    case ie32f: {
      float sample = std::clamp(GetPixelFloat(x, y), 0.0f, 1.0f);
      auto level = uint8_t(sample * 255);
      return MakeRGB(level, level, level);
    }
    case ieCMYK: {
      TRGB pixel;
      IECMYKToRGB(GetPixel32(x, y), pixel);
      return pixel;
    }
    case ieRGB48: {
      TRGB48 value = GetPixel48(x, y);
      return MakeRGB(uint8_t(value.r >> 8), uint8_t(value.g >> 8), uint8_t(value.b >> 8));
    }
    case ieCIELab: {
      TCIELab lab;
      std::memcpy(&lab, PixelAddress(x, y, 3), 3);
      return CIELabToRGB(lab);
    }
    case ie32RGB: {
      TRGB value;
      std::memcpy(&value, PixelAddress(x, y, 4), 3);
      return value;
    }
    default: return TRGB{0, 0, 0};
  }
}

uint8_t TIEBitmap::GetAlphaAt(int32_t x, int32_t y) {
  if (isAlphaChannel_) return GetPixel8(x, y);
  return GetAlphaChannel()->GetPixel8(x, y);
}

void TIEBitmap::SetAlphaAt(int32_t x, int32_t y, uint8_t value) {
  if (isAlphaChannel_) {
    SetPixel8(x, y, value);
    return;
  }
  GetAlphaChannel()->SetPixel8(x, y, value);
  if (value != 255) full_ = false;
}

// ---- whole-image tests ----

bool TIEBitmap::EveryPixelByteIs(uint8_t value) {
  int64_t bytes = PixelBytes(width_, bitCount_);
  TIEAccessScope ownAccess(this, ieaRead);
  for (int32_t y = 0; y < height_; ++y) {
    const auto* row = static_cast<const uint8_t*>(GetScanline(y));
    if (std::any_of(row, row + bytes, [value](uint8_t b) { return b != value; })) return false;
  }
  return true;
}

void TIEBitmap::UpdateFullFlag() { full_ = !IsEmpty() && EveryPixelByteIs(255); }

bool TIEBitmap::IsAllZero() { return IsEmpty() || EveryPixelByteIs(0); }

bool TIEBitmap::IsGrayScale() {
  TIEPixelFormat format = GetPixelFormat();
  if (format == ie8p) {
    for (int32_t i = 0; i < paletteLength_; ++i)
      if (palette_[i].r != palette_[i].g || palette_[i].g != palette_[i].b) return false;
    return true;
  }
  if (format != ie24RGB && format != ie32RGB && format != ieRGB48) return true;
  TIEAccessScope ownAccess(this, ieaRead);
  for (int32_t y = 0; y < height_; ++y) {
    const auto* row = static_cast<const uint8_t*>(GetScanline(y));
    for (int32_t x = 0; x < width_; ++x) {
      if (format == ieRGB48) {
        uint16_t w[3];
        std::memcpy(w, row + 6 * int64_t(x), 6);
        if (w[0] != w[1] || w[1] != w[2]) return false;
      } else {
        const uint8_t* p = row + int64_t(x) * (format == ie24RGB ? 3 : 4);
        if (p[0] != p[1] || p[1] != p[2]) return false;
      }
    }
  }
  return true;
}

}  // namespace imaging
