#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/base/stream_encoders.h"
#include "imaging/codecs/bmp/bmp_codec.h"
#include "imaging/codecs/bmp/bmp_rle.h"
#include "imaging/codecs/writer_bitmaps.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/colour_reduction.h"
#include "imaging/model/routines/quantizer.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

int32_t BMPPixelsPerMetre(int32_t dpi) { return static_cast<int32_t>(std::nearbyint(dpi / 2.54 * 100)); }

// One save: the stream with its write check, the headers as they stand, the shared row buffer
// and the progress count.
class TBMPWriter {
 public:
  TBMPWriter(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress, int32_t bits,
             bool core, bool compress)
      : Stream(stream), Bitmap(bitmap), Params(params), Progress(progress), width(bitmap->Width()),
        height(bitmap->Height()), bits(bits), core(core), compress(compress),
        rowLen(((int64_t(width) * bits + 31) / 32) * 4), row(size_t(rowLen) + 4, 0) {}

  // The file header and the information header, both with the sizes still to come.
  void WriteHeaders() {
    start = Stream->Position();
    put(fileHeader, 14);
    headerSize = core ? 12 : Params.BMPVersion == 3 ? 64 : 40;
    vcl::le::Store32(header, headerSize);
    if (core) {
      vcl::le::Store16(header + 4, width), vcl::le::Store16(header + 6, height), vcl::le::Store16(header + 8, 1);
    } else {
      vcl::le::Store32(header + 4, width), vcl::le::Store32(header + 8, height), vcl::le::Store16(header + 12, 1);
      vcl::le::Store32(header + 16, compress ? (bits == 4 ? 2 : 1) : 0);
      vcl::le::Store32(header + 24, BMPPixelsPerMetre(Params.DpiX));
      vcl::le::Store32(header + 28, BMPPixelsPerMetre(Params.DpiY));
      vcl::le::Store32(header + 32, bits <= 8 ? 1u << bits : 0);
      vcl::le::Store32(header + 36, 1u << (bits % 32));
    }
    headerPos = Stream->Position();
    put(header, headerSize);
    Progress.Val = 0;
    Progress.Per1 = 100.0 / height;
  }

  // 4 and 8 bits: the palette (the bitmap's own, or a quantizer's), then the rows of indices,
  // packed or run-length coded.
  void WriteIndexedRows() {
    const int32_t colours = 1 << bits;
    TIEBitmap* source = Bitmap;
    std::unique_ptr<TIEBitmap> copy;
    if (Bitmap->PixelFormat() == ie8p && !IndicesFit(Bitmap, colours)) {
      // Indices past the palette written would point nowhere: the colours are quantized again.
      copy = ConvertedCopy(Bitmap, ie24RGB);
      source = copy.get();
    } else if (Bitmap->PixelFormat() != ie8p && Bitmap->PixelFormat() != ie24RGB) {
      copy = ConvertedCopy(Bitmap, ie24RGB);
      source = copy.get();
    }
    std::vector<TRGB> palette(256, TRGB{0, 0, 0});
    std::unique_ptr<TIEQuantizer> quantizer;
    if (source->PixelFormat() == ie8p) {
      for (int32_t i = 0; i < colours; ++i) palette[i] = source->GetPaletteColor(i);
    } else {
      quantizer = std::make_unique<TIEQuantizer>(source, std::span<TRGB>(palette.data(), colours), colours);
    }
    putPalette(palette.data(), colours);
    paletteEnd = Stream->Position();
    std::vector<uint8_t> indices(static_cast<size_t>(width));
    std::vector<uint8_t> encoded(compress ? size_t(width) * 10 + 2 : 0);
    for (int32_t y = height - 1; y >= 0; --y) {
      if (!step(height - 1 - y, false)) break;
      const auto* in = static_cast<const uint8_t*>(source->GetScanline(y));
      for (int32_t x = 0; x < width; ++x) {
        if (quantizer) {
          const TRGB* c = reinterpret_cast<const TRGB*>(in + x * 3);
          indices[x] = uint8_t(std::max(0, quantizer->GetColorIndex(*c)));
        } else {
          indices[x] = in[x];
        }
      }
      if (compress) {
        const int32_t n = bits == 4 ? EncodeRLE4Row(indices.data(), width, encoded.data())
                                    : EncodeRLE8Row(indices.data(), width, encoded.data());
        put(encoded.data(), n);
        continue;
      }
      std::fill(row.begin(), row.end(), 0);
      if (bits == 8) {
        std::memcpy(row.data(), indices.data(), size_t(width));
      } else {
        for (int32_t x = 0; x < width; ++x) row[x / 2] |= (x & 1) ? indices[x] : uint8_t(indices[x] << 4);
      }
      put(row.data(), rowLen);
    }
    if (compress && !Progress.IsAborting()) {
      const uint8_t end[2] = {0, 1};
      put(end, 2);
    }
  }

  // 1 bit: a picture of two colours keeps them (darker first), any other is thresholded to
  // black and white.
  void WriteBilevelRows() {
    TIEBitmap* source = Bitmap;
    std::unique_ptr<TIEBitmap> copy;
    TRGB palette[2] = {{0, 0, 0}, {255, 255, 255}};
    if (Bitmap->PixelFormat() != ie1g) {
      TRGB dark{}, bright{};
      copy = ConvertToBilevelIfTwoColors(Bitmap, dark, bright);
      if (copy) {
        palette[0] = dark, palette[1] = bright;
      } else {
        copy = ConvertedCopy(Bitmap, ie1g);
      }
      source = copy.get();
    }
    putPalette(palette, 2);
    paletteEnd = Stream->Position();
    const int32_t bytes = (width + 7) / 8;
    for (int32_t y = height - 1; y >= 0; --y) {
      if (!step(height - 1 - y, true)) break;
      std::fill(row.begin(), row.end(), 0);
      std::memcpy(row.data(), source->GetScanline(y), size_t(bytes));
      put(row.data(), rowLen);
    }
  }

  // 24 and 32 bits: the colours as they are, 32-bit rows with the alpha (or 255).
  void WriteColourRows(bool SaveAlpha) {
    Params.FreeColorMap();
    paletteEnd = Stream->Position();
    TIEBitmap* source = Bitmap;
    std::unique_ptr<TIEBitmap> copy;
    if (Bitmap->PixelFormat() != ie24RGB) {
      copy = ConvertedCopy(Bitmap, ie24RGB);
      source = copy.get();
    }
    for (int32_t y = height - 1; y >= 0; --y) {
      if (!step(height - 1 - y, false)) break;
      const auto* in = static_cast<const uint8_t*>(source->GetScanline(y));
      if (bits == 24) {
        // The bitmap's row is the file's: written where it lies, then the padding (the row
        // buffer holds only zeros on this path).
        const int64_t pixelBytes = int64_t(width) * 3;
        put(in, pixelBytes);
        if (rowLen > pixelBytes) put(row.data(), rowLen - pixelBytes);
        continue;
      } else {
        for (int32_t x = 0; x < width; ++x) {
          std::memcpy(&row[size_t(x) * 4], in + x * 3, 3);
          row[size_t(x) * 4 + 3] = SaveAlpha ? Bitmap->GetAlphaAt(x, y) : 255;
        }
      }
      put(row.data(), rowLen);
    }
  }

  // The sizes and offsets are known only now: both headers are written again with them.
  void CompleteHeaders() {
    const int64_t end = Stream->Position();
    Stream->SetPosition(start);
    vcl::le::Store32(fileHeader + 2, uint32_t(end - start));
    vcl::le::Store32(fileHeader + 10, uint32_t(paletteEnd - start));
    put(fileHeader, 14);
    if (core) {
      vcl::le::Store16(header + 10, bits);
    } else {
      vcl::le::Store16(header + 14, bits);
      vcl::le::Store32(header + 20, uint32_t(end - paletteEnd));
    }
    Stream->SetPosition(headerPos);
    put(header, headerSize);
    Stream->SetPosition(end);
  }

  bool error = false;

 private:
  void put(const void* data, int64_t count) { StreamWriteChecked(Stream, error, data, int32_t(count)); }

  void putPalette(const TRGB* colours, int32_t count) {
    const int32_t entrySize = core ? 3 : 4;
    std::vector<uint8_t> entries(size_t(count) * entrySize, 0);
    for (int32_t i = 0; i < count; ++i) std::memcpy(&entries[size_t(i) * entrySize], &colours[i], 3);
    put(entries.data(), int64_t(entries.size()));
    Params.FreeColorMap();
    Params.ColorMap.assign(colours, colours + count);
    Params.ColorMapCount = count;
  }

  bool step(int32_t done, bool onlyChanges) {
    const int32_t percent = static_cast<int32_t>(done * Progress.Per1);
    if (!onlyChanges || percent != lastPercent) Progress.Report(percent);
    lastPercent = percent;
    return !Progress.IsAborting() && !error;
  }

  vcl::TStream* Stream;
  TIEBitmap* Bitmap;
  TIOParamsVals& Params;
  TCodecProgress& Progress;
  const int32_t width, height, bits;
  const bool core, compress;
  const int64_t rowLen;
  std::vector<uint8_t> row;
  uint8_t fileHeader[14] = {'B', 'M'};
  uint8_t header[64] = {};
  int32_t headerSize = 0;
  int64_t start = 0, headerPos = 0, paletteEnd = 0;
  int32_t lastPercent = -1;
};

}  // namespace

void WriteBMPStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                    bool SaveAlpha) {
  const int32_t width = Bitmap->Width();
  const int32_t height = Bitmap->Height();
  if (width <= 0 || height <= 0) return Progress.Abort();
  int32_t bits = Params.BitsPerSample == 1   ? 1
                 : Params.BitsPerSample == 4 ? 4
                 : Params.SamplesPerPixel == 1 ? 8
                 : Bitmap->HasAlphaChannel() ? 32
                                              : 24;
  const bool core = Params.BMPVersion == 2;
  if (core && (width > 0xFFFF || height > 0xFFFF)) return Progress.Abort();
  const bool compress = !core && Params.BMPCompression == 1 && (bits == 4 || bits == 8);

  TBMPWriter writer(Stream, Bitmap, Params, Progress, bits, core, compress);
  writer.WriteHeaders();
  if (bits == 4 || bits == 8)
    writer.WriteIndexedRows();
  else if (bits == 1)
    writer.WriteBilevelRows();
  else
    writer.WriteColourRows(SaveAlpha);
  if (writer.error) Progress.Abort();
  if (Progress.IsAborting()) return;
  writer.CompleteHeaders();
  if (writer.error) Progress.Abort();
}

}  // namespace imaging
