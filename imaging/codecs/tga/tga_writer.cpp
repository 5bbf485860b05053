#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "imaging/base/stream_encoders.h"
#include "imaging/codecs/tga/tga_codec.h"
#include "imaging/codecs/writer_bitmaps.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/model/routines/colour_reduction.h"
#include "imaging/model/routines/colour_routines.h"
#include "imaging/model/routines/quantizer.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"

namespace imaging {

namespace {

// The image ID length is one byte and holds the text's 0 byte too.
constexpr size_t kLongestComment = 254;

// A ratio as its value x 10000 over 10000, the numerator kept within its 16 bits.
void PutRatio(uint8_t* p, double value) {
  const double scaled = std::trunc(value * 10000);
  vcl::le::Store16(p, uint32_t(std::clamp(scaled, 0.0, 65535.0)));
  vcl::le::Store16(p + 2, 10000);
}

void PutText(uint8_t* p, const std::string& text, size_t longest) {
  std::memcpy(p, text.data(), std::min(text.size(), longest));
}

// What the writer decided before the first byte: the depth, the map, the packing.
struct TTGAWriteLayout {
  int32_t width, height, depth;
  bool grey, rle;
  TIEQuantizer* quantizer;  // nil without a colour map
  int32_t colours;
};

// Every write goes through the checked writer; `error` tells the first short write.
struct TTGAOutput {
  vcl::TStream* stream;
  bool error = false;
  void Put(const void* data, int64_t count) { StreamWriteChecked(stream, error, data, int32_t(count)); }
};

// The 18-byte header, the image ID (the comment and its 0 byte) and the colour map.
void TGAWriteHeader(TTGAOutput& out, const TTGAWriteLayout& layout, const TIOParamsVals& Params) {
  const std::string comment = Params.TGAComment.substr(0, std::min(Params.TGAComment.size(), kLongestComment));
  uint8_t h[18] = {};
  h[0] = uint8_t(comment.size() + 1);
  h[1] = layout.quantizer ? 1 : 0;
  h[2] = uint8_t((layout.depth == 1 || layout.grey ? 3 : layout.quantizer ? 1 : 2) + (layout.rle ? 8 : 0));
  if (layout.quantizer) {
    vcl::le::Store16(h + 5, uint32_t(layout.colours));
    h[7] = 24;
  }
  vcl::le::Store16(h + 8, uint32_t(Params.TGAOriginX));
  vcl::le::Store16(h + 10, uint32_t(Params.TGAOriginY));
  vcl::le::Store16(h + 12, uint32_t(layout.width));
  vcl::le::Store16(h + 14, uint32_t(layout.height));
  h[16] = uint8_t(layout.depth);
  h[17] = layout.depth == 32 ? 0x28 : 0x20;
  out.Put(h, 18);
  out.Put(comment.c_str(), int64_t(comment.size()) + 1);
  if (layout.quantizer) out.Put(Params.ColorMap.data(), int64_t(layout.colours) * 3);
}

// A grey file's indexes are the grey levels of the pixels' colours.
void TGAIndexesToGray(const TRGB* pixels, int32_t width, uint8_t* row) {
  for (int32_t x = 0; x < width; ++x) row[x] = uint8_t(RGBToGrayLevel(PackRGB(pixels[x])));
}

// The rows top first, each converted to the depth and, when packed, run-length encoded.
void TGAWriteRows(TTGAOutput& out, const TTGAWriteLayout& layout, TIEBitmap* source, TIEMask* AlphaMask,
                  TCodecProgress& Progress) {
  const int32_t width = layout.width;
  const int32_t pixelBytes = layout.depth == 1 ? 1 : layout.depth / 8;
  const int32_t rowBytes = layout.depth == 1 ? (width + 7) / 8 : width * pixelBytes;
  std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
  std::vector<uint8_t> encoded(size_t(width) * (pixelBytes + 1) + 8);
  Progress.Per1 = 100.0 / layout.height;
  Progress.Val = 0;
  for (int32_t y = 0; y < layout.height && !out.error && !Progress.IsAborting(); ++y) {
    const auto* in = static_cast<const uint8_t*>(source->GetScanline(y));
    const auto* pixels = reinterpret_cast<const TRGB*>(in);
    switch (layout.depth) {
      case 1: std::memcpy(row.data(), in, row.size()); break;
      case 8:
        if (layout.grey) {
          TGAIndexesToGray(pixels, width, row.data());
        } else {
          for (int32_t x = 0; x < width; ++x) row[x] = uint8_t(std::max(0, layout.quantizer->GetColorIndex(pixels[x])));
        }
        break;
      case 24: std::memcpy(row.data(), in, row.size()); break;
      default:
        for (int32_t x = 0; x < width; ++x) {
          std::memcpy(&row[size_t(x) * 4], &pixels[x], 3);
          const bool inside = x < AlphaMask->Width() && y < AlphaMask->Height();
          row[size_t(x) * 4 + 3] = inside ? uint8_t(AlphaMask->GetPixel(x, y)) : 255;
        }
        break;
    }
    if (layout.rle)
      out.Put(encoded.data(), TGAEncodeRLERow(row.data(), width, pixelBytes, encoded.data()));
    else
      out.Put(row.data(), rowBytes);
    ++Progress.Val;
    Progress.Report();
  }
}

// The TGA 2.0 extension area: author, date, job name, key colour, aspect ratio and gamma.
void TGAWriteExtensionArea(TTGAOutput& out, const TIOParamsVals& Params) {
  uint8_t area[kTGAExtensionSize] = {};
  vcl::le::Store16(area, kTGAExtensionSize);
  PutText(area + 2, Params.TGAAuthor, 40);
  uint16_t year, month, day, hour, minute, second, ms;
  vcl::DecodeDate(Params.TGADate, year, month, day);
  vcl::DecodeTime(Params.TGADate, hour, minute, second, ms);
  vcl::le::Store16(area + 367, month), vcl::le::Store16(area + 369, day), vcl::le::Store16(area + 371, year);
  vcl::le::Store16(area + 373, hour), vcl::le::Store16(area + 375, minute), vcl::le::Store16(area + 377, second);
  PutText(area + 379, Params.TGAImageName, 40);
  area[471] = Params.TGABackground.r;
  area[472] = Params.TGABackground.g;
  area[473] = Params.TGABackground.b;
  PutRatio(area + 474, Params.TGAAspectRatio);
  PutRatio(area + 478, Params.TGAGamma);
  out.Put(area, kTGAExtensionSize);
}

// The extension area, then the footer that points at it (counted from the image's start).
void TGAWriteFooter(TTGAOutput& out, const TIOParamsVals& Params, int64_t start) {
  const int64_t extensionOffset = out.stream->Position() - start;
  TGAWriteExtensionArea(out, Params);
  uint8_t footer[26] = {};
  vcl::le::Store32(footer, uint32_t(extensionOffset));
  std::memcpy(footer + 8, "TRUEVISION-XFILE.", 18);
  out.Put(footer, 26);
}

}  // namespace

int32_t TGAEncodeRLERow(const uint8_t* row, int32_t count, int32_t pixelBytes, uint8_t* dest) {
  auto same = [&](int32_t a, int32_t b) {
    return std::memcmp(row + size_t(a) * pixelBytes, row + size_t(b) * pixelBytes, size_t(pixelBytes)) == 0;
  };
  int32_t written = 0;
  for (int32_t x = 0; x < count;) {
    int32_t run = 1;
    while (x + run < count && run < 128 && same(x, x + run)) ++run;
    if (run >= 2) {
      dest[written++] = uint8_t(128 + run - 1);
      std::memcpy(dest + written, row + size_t(x) * pixelBytes, size_t(pixelBytes));
      written += pixelBytes;
      x += run;
      continue;
    }
    // A raw packet gathers pixels up to the start of the next run.
    int32_t n = 1;
    while (x + n < count && n < 127 && (x + n + 1 >= count || !same(x + n, x + n + 1))) ++n;
    dest[written++] = uint8_t(n - 1);
    std::memcpy(dest + written, row + size_t(x) * pixelBytes, size_t(n) * pixelBytes);
    written += n * pixelBytes;
    x += n;
  }
  return written;
}

void WriteTGAStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                    TIEMask* AlphaMask) {
  const int32_t width = Bitmap->Width(), height = Bitmap->Height();
  const TIEPixelFormat format = Bitmap->PixelFormat();
  // The I/O object hands other formats over as 24-bit copies; anything else is refused.
  if ((format != ie24RGB && format != ie1g) || width <= 0 || height <= 0 || width > 65535 || height > 65535)
    return Progress.Abort();
  const int64_t start = Stream->Position();

  int32_t depth = 24;
  if (Params.SamplesPerPixel == 1 && Params.BitsPerSample == 1)
    depth = 1;
  else if (Params.SamplesPerPixel == 1 && (Params.BitsPerSample == 4 || Params.BitsPerSample == 8))
    depth = 8;
  else if (AlphaMask)
    depth = 32;
  // Few readers take 4-bit pixels: 16 colours are written with 8-bit indexes.
  const int32_t colours = Params.BitsPerSample == 4 ? 16 : 256;
  if (depth == 1 || depth == 32) Params.TGACompressed = false;
  if (colours == 16) Params.TGAGrayscale = false;

  TIEBitmap* source = Bitmap;
  std::unique_ptr<TIEBitmap> copy;
  if (depth == 1 && format != ie1g) {
    TRGB dark, bright;
    copy = ConvertToBilevelIfTwoColors(Bitmap, dark, bright);
    if (!copy) {
      copy = std::make_unique<TIEBitmap>(width, height, ie1g);
      copy->CopyAndConvertFormat(Bitmap);
    }
    source = copy.get();
  } else if (depth != 1 && format == ie1g) {
    copy = ConvertedCopy(Bitmap, ie24RGB);
    source = copy.get();
  }
  std::unique_ptr<TIEQuantizer> quantizer;
  const bool grey = depth == 8 && Params.TGAGrayscale;
  if (depth == 8 && !grey) {
    std::vector<TRGB> palette(size_t(colours), TRGB{0, 0, 0});
    quantizer = std::make_unique<TIEQuantizer>(source, std::span<TRGB>(palette.data(), size_t(colours)), colours);
    Params.FreeColorMap();
    Params.ColorMap = palette;
    Params.ColorMapCount = colours;
  }
  const bool rle = Params.TGACompressed && (depth == 8 || depth == 24);
  const TTGAWriteLayout layout{width, height, depth, grey, rle, quantizer.get(), colours};

  TTGAOutput out{Stream};
  TGAWriteHeader(out, layout, Params);
  TGAWriteRows(out, layout, source, AlphaMask, Progress);
  if (out.error || Progress.IsAborting()) return Progress.Abort();
  TGAWriteFooter(out, Params, start);
  if (out.error) Progress.Abort();
}

}  // namespace imaging
