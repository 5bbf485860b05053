#include <algorithm>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "imaging/base/stream_encoders.h"
#include "imaging/codecs/pcx/pcx_codec.h"
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

// Library colours as the file's red, green, blue entries.
void ToFilePalette(const TRGB* palette, int32_t count, uint8_t* entries) {
  for (int32_t i = 0; i < count; ++i) {
    entries[i * 3] = palette[i].r;
    entries[i * 3 + 1] = palette[i].g;
    entries[i * 3 + 2] = palette[i].b;
  }
}

}  // namespace

int32_t PCXEncodeLine(uint8_t* Dest, const uint8_t* Source, int32_t Count, int32_t Stride, int32_t Offset) {
  int32_t written = 0;
  auto sample = [&](int32_t i) { return Source[size_t(i) * Stride + Offset]; };
  for (int32_t i = 0; i < Count;) {
    const uint8_t value = sample(i);
    int32_t run = 1;
    while (i + run < Count && run < 63 && sample(i + run) == value) ++run;
    // A value of 192 or more would read as a run byte: it is written as a run of one.
    if (run > 1 || value >= 192) Dest[written++] = uint8_t(192 + run);
    Dest[written++] = value;
    i += run;
  }
  if (Count & 1) Dest[written++] = 0;
  return written;
}

void WritePCXStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress) {
  const int32_t width = Bitmap->Width(), height = Bitmap->Height();
  if (width <= 0 || height <= 0 || width > 65536 || height > 65536) return Progress.Abort();
  Params.SamplesPerPixel = std::min(Params.SamplesPerPixel, 3);
  const int32_t depth = Params.BitsPerSample == 1 ? 1 : Params.BitsPerSample * Params.SamplesPerPixel;
  // Other depths have no PCX layout: a header without pixels would be a broken file.
  if (depth != 1 && depth != 4 && depth != 8 && depth != 24) return Progress.Abort();

  TIEBitmap* source = Bitmap;
  std::unique_ptr<TIEBitmap> copy;
  TRGB two[2] = {TRGB{0, 0, 0}, TRGB{255, 255, 255}};
  if (depth == 1) {
    if (Bitmap->PixelFormat() != ie1g) {
      copy = ConvertToBilevelIfTwoColors(Bitmap, two[0], two[1]);
      if (!copy) {
        copy = std::make_unique<TIEBitmap>(width, height, ie1g);
        copy->CopyAndConvertFormat(Bitmap);
      }
      source = copy.get();
    }
  } else if (Bitmap->PixelFormat() != ie24RGB) {
    copy = ConvertedCopy(Bitmap, ie24RGB);
    source = copy.get();
  }

  int32_t bitsPerPixel = 8, planes = 1, bytesPerLine = width;
  std::vector<TRGB> palette(256, TRGB{0, 0, 0});
  std::unique_ptr<TIEQuantizer> quantizer;
  uint8_t header[128] = {};
  switch (depth) {
    case 1:
      bitsPerPixel = 1, bytesPerLine = (width + 7) / 8;
      ToFilePalette(two, 2, header + 16);
      break;
    case 4:
      bitsPerPixel = 4, bytesPerLine = (width + 1) / 2;
      quantizer = std::make_unique<TIEQuantizer>(source, std::span<TRGB>(palette.data(), 16), 16);
      ToFilePalette(palette.data(), 16, header + 16);
      break;
    case 8: quantizer = std::make_unique<TIEQuantizer>(source, std::span<TRGB>(palette.data(), 256), 256); break;
    default: planes = 3; break;
  }
  if (bytesPerLine & 1) ++bytesPerLine;
  const bool rle = Params.PCXCompression != 0;
  header[0] = 10;
  header[1] = uint8_t(Params.PCXVersion);
  header[2] = rle ? 1 : 0;
  header[3] = uint8_t(bitsPerPixel);
  vcl::le::Store16(header + 8, uint32_t(width - 1));
  vcl::le::Store16(header + 10, uint32_t(height - 1));
  vcl::le::Store16(header + 12, uint32_t(Params.DpiX));
  vcl::le::Store16(header + 14, uint32_t(Params.DpiY));
  header[65] = uint8_t(planes);
  vcl::le::Store16(header + 66, uint32_t(bytesPerLine));
  vcl::le::Store16(header + 68, depth == 24 ? 0 : 1);
  bool error = false;
  auto put = [&](const void* data, int32_t count) { StreamWriteChecked(Stream, error, data, count); };
  put(header, 128);

  std::vector<uint8_t> encoded(size_t(width) * 3 + 8 + size_t(bytesPerLine) * 2);
  std::vector<uint8_t> line(size_t(bytesPerLine) + 8);
  Progress.Per1 = 100.0 / height;
  for (int32_t y = 0; y < height; ++y) {
    Progress.Report(int32_t(y * Progress.Per1));
    if (Progress.IsAborting() || error) break;
    const auto* row = static_cast<const uint8_t*>(source->GetScanline(y));
    auto writeLine = [&](const uint8_t* samples, int32_t count, int32_t stride, int32_t offset) {
      if (rle) {
        put(encoded.data(), PCXEncodeLine(encoded.data(), samples, count, stride, offset));
        return;
      }
      std::fill(line.begin(), line.end(), 0);
      for (int32_t i = 0; i < count; ++i) line[i] = samples[size_t(i) * stride + offset];
      put(line.data(), bytesPerLine);
    };
    if (depth == 1) {
      writeLine(row, (width + 7) / 8, 1, 0);
    } else if (depth == 24) {
      for (int32_t c = 2; c >= 0; --c) writeLine(row, width, 3, c);
    } else {
      std::vector<uint8_t> indices(size_t(width) + 1, 0);
      const auto* pixels = reinterpret_cast<const TRGB*>(row);
      for (int32_t x = 0; x < width; ++x) indices[x] = uint8_t(std::max(0, quantizer->GetColorIndex(pixels[x])));
      if (depth == 8) {
        writeLine(indices.data(), width, 1, 0);
      } else {
        std::vector<uint8_t> packed(size_t(width + 1) / 2, 0);
        for (int32_t x = 0; x < width; ++x) packed[x / 2] |= (x & 1) ? indices[x] : uint8_t(indices[x] << 4);
        writeLine(packed.data(), int32_t(packed.size()), 1, 0);
      }
    }
  }
  if (depth == 8 && !Progress.IsAborting() && !error) {
    uint8_t tail[1 + 768];
    tail[0] = 12;
    ToFilePalette(palette.data(), 256, tail + 1);
    put(tail, int32_t(sizeof(tail)));
  }
  if (error) Progress.Abort();
}

}  // namespace imaging
