#include "imaging/codecs/ico/ico_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/base/stream_encoders.h"
#include "imaging/codecs/writer_bitmaps.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/nearest_stretch.h"
#include "imaging/model/routines/quantizer.h"
#include "imaging/model/routines/resample.h"
#include "imaging/params/codec_progress.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

// The file's own names for the shared byte-order helpers.

// The image at the entry's size, alpha channel included.
std::unique_ptr<TIEBitmap> Resized(TIEBitmap* source, int32_t width, int32_t height) {
  auto out = std::make_unique<TIEBitmap>();
  if (source->Width() == width && source->Height() == height) {
    out->Assign(source);
    return out;
  }
  out->Allocate(width, height, source->PixelFormat());
  // A bilevel image keeps its two levels: nearest pixels, no blending.
  if (source->PixelFormat() == ie1g || source->Width() < 2 || source->Height() < 2)
    ResampleNearest(source, out.get(), nullptr, {});
  else
    ResampleBitmap(source, out.get(), rfFastLinear, {}, nullptr);
  if (source->HasAlphaChannel()) {
    TIEBitmap alpha(width, height, ie8g);
    ResampleNearest(source->AlphaChannel(), &alpha, nullptr, {});
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) out->SetAlphaAt(x, y, alpha.GetPixel8(x, y));
  }
  return out;
}

struct TICOWritten {
  int32_t bits;
  uint32_t offset, size;
};

// The stream being written; a failed write is remembered and ends the save as an abort.
struct TICOOutput {
  vcl::TStream* stream;
  bool error = false;
  void Put(const void* data, size_t bytes) { StreamWriteChecked(stream, error, data, int32_t(bytes)); }
};

// Bytes of one row of `bits` per pixel, padded to 32 bits.
uint32_t ICORowBytes(int32_t width, int32_t bits) { return ((uint32_t(width) * bits + 31) / 32) * 4; }

// The file header, and room for the directory that is written once the images' places are known.
void WriteICOFileHeader(TICOOutput& out, size_t count) {
  uint8_t header[6] = {0, 0, 1, 0};
  vcl::le::Store16(header + 4, uint32_t(count));
  out.Put(header, 6);
  std::vector<uint8_t> emptyDirectory(count * 16, 0);
  out.Put(emptyDirectory.data(), emptyDirectory.size());
}

// The entry's bit count (1, 4, 8, 24 or 32) from the one asked for; 0 asks for the block's depth.
int32_t ICOEntryBitCount(int32_t requested, const TIOParamsVals& params) {
  int32_t samples = 3, bits = 8;
  switch (requested) {
    case 0: samples = params.SamplesPerPixel, bits = params.BitsPerSample; break;
    case 1: samples = 1, bits = 1; break;
    case 4: samples = 1, bits = 4; break;
    case 8: samples = 1, bits = 8; break;
    case 32: samples = 4, bits = 8; break;
  }
  int32_t bitCount = 24;
  if (samples == 1 && (bits == 1 || bits == 4 || bits == 8))
    bitCount = bits;
  else if (samples == 4 && bits == 8)
    bitCount = 32;
  return bitCount;
}

// The working format: bilevel for 1 bit, indices that fit for 4 and 8, else 24 bits.
void ConvertForICOBitCount(TIEBitmap* image, int32_t bitCount) {
  const TIEPixelFormat format = image->PixelFormat();
  if (bitCount == 1 && format != ie1g)
    image->SetPixelFormat(ie1g);
  else if (bitCount != 1 && format != ie24RGB &&
           !(format == ie8p && bitCount <= 8 && IndicesFit(image, 1 << bitCount)))
    image->SetPixelFormat(ie24RGB);
}

void WriteICOInfoHeader(TICOOutput& out, int32_t width, int32_t height, int32_t bitCount,
                        const TIOParamsVals& params) {
  const uint32_t xorRow = ICORowBytes(width, bitCount);
  const uint32_t andRow = ICORowBytes(width, 1);
  uint8_t info[40] = {};
  vcl::le::Store32(info, 40);
  vcl::le::Store32(info + 4, uint32_t(width));
  vcl::le::Store32(info + 8, uint32_t(height) * 2);
  vcl::le::Store16(info + 12, 1);
  vcl::le::Store16(info + 14, uint32_t(bitCount));
  if (bitCount <= 8) vcl::le::Store32(info + 20, uint32_t(height) * (xorRow + andRow));
  vcl::le::Store32(info + 24, uint32_t(std::nearbyint(params.DpiX / 2.54 * 100)));
  vcl::le::Store32(info + 28, uint32_t(std::nearbyint(params.DpiY / 2.54 * 100)));
  out.Put(info, 40);
}

// 24-bit rows as they are; 32-bit rows with the alpha channel (opaque without one).
void WriteICOTrueColourRows(TICOOutput& out, TIEBitmap* image, int32_t bitCount) {
  const int32_t width = image->Width();
  const bool alpha = image->HasAlphaChannel();
  std::vector<uint8_t> row(ICORowBytes(width, bitCount), 0);
  for (int32_t y = image->Height() - 1; y >= 0; --y) {
    std::fill(row.begin(), row.end(), 0);
    const auto* in = static_cast<const uint8_t*>(image->GetScanline(y));
    for (int32_t x = 0; x < width; ++x) {
      if (bitCount == 24) {
        std::memcpy(&row[size_t(x) * 3], in + x * 3, 3);
      } else {
        std::memcpy(&row[size_t(x) * 4], in + x * 3, 3);
        row[size_t(x) * 4 + 3] = alpha ? image->GetAlphaAt(x, y) : 255;
      }
    }
    out.Put(row.data(), row.size());
  }
}

void WriteICOBilevelRows(TICOOutput& out, TIEBitmap* image) {
  const int32_t width = image->Width();
  const uint8_t palette[8] = {0, 0, 0, 0, 255, 255, 255, 0};
  out.Put(palette, 8);
  std::vector<uint8_t> row(ICORowBytes(width, 1), 0);
  for (int32_t y = image->Height() - 1; y >= 0; --y) {
    std::fill(row.begin(), row.end(), 0);
    std::memcpy(row.data(), image->GetScanline(y), (size_t(width) + 7) / 8);
    out.Put(row.data(), row.size());
  }
}

// 4- and 8-bit rows: a palette image keeps its own indices, a 24-bit one is quantized.
void WriteICOIndexedRows(TICOOutput& out, TIEBitmap* image, int32_t bitCount, TIOParamsVals& params) {
  const int32_t width = image->Width();
  const bool alpha = image->HasAlphaChannel();
  const int32_t colours = 1 << bitCount;
  std::vector<TRGB> palette(size_t(colours), TRGB{0, 0, 0});
  std::unique_ptr<TIEQuantizer> quantizer;
  if (image->PixelFormat() == ie8p) {
    for (int32_t c = 0; c < colours; ++c) palette[c] = image->GetPaletteColor(c);
  } else {
    // Entry 0 stays black for the transparent pixels; the quantizer fills the others.
    quantizer = std::make_unique<TIEQuantizer>(image, std::span<TRGB>(palette.data() + 1, colours - 1),
                                               colours - 1);
  }
  std::vector<uint8_t> entries(size_t(colours) * 4, 0);
  for (int32_t c = 0; c < colours; ++c) std::memcpy(&entries[size_t(c) * 4], &palette[c], 3);
  out.Put(entries.data(), entries.size());
  params.ColorMap = palette;
  params.ColorMapCount = colours;
  std::vector<uint8_t> row(ICORowBytes(width, bitCount), 0);
  for (int32_t y = image->Height() - 1; y >= 0; --y) {
    std::fill(row.begin(), row.end(), 0);
    const auto* in = static_cast<const uint8_t*>(image->GetScanline(y));
    for (int32_t x = 0; x < width; ++x) {
      uint8_t index;
      if (!quantizer)
        index = in[x];
      else if (alpha && image->GetAlphaAt(x, y) < 255)
        index = 0;
      else
        index = uint8_t(1 + std::max(0, quantizer->GetColorIndex(*reinterpret_cast<const TRGB*>(in + x * 3))));
      if (bitCount == 8)
        row[x] = index;
      else
        row[x / 2] |= (x & 1) ? index : uint8_t(index << 4);
    }
    out.Put(row.data(), row.size());
  }
}

// The AND mask: a set bit for every pixel that is not opaque.
void WriteICOMask(TICOOutput& out, TIEBitmap* image) {
  const int32_t width = image->Width();
  const bool alpha = image->HasAlphaChannel();
  std::vector<uint8_t> mask(ICORowBytes(width, 1), 0);
  for (int32_t y = image->Height() - 1; y >= 0; --y) {
    std::fill(mask.begin(), mask.end(), 0);
    if (alpha)
      for (int32_t x = 0; x < width; ++x)
        if (image->GetAlphaAt(x, y) != 255) mask[x / 8] |= uint8_t(0x80 >> (x % 8));
    out.Put(mask.data(), mask.size());
  }
}

// One entry's data: its header, its pixels in the chosen depth, then the mask.
void WriteICOImage(TICOOutput& out, TIEBitmap* image, int32_t bitCount, TIOParamsVals& params) {
  WriteICOInfoHeader(out, image->Width(), image->Height(), bitCount, params);
  if (bitCount == 24 || bitCount == 32)
    WriteICOTrueColourRows(out, image, bitCount);
  else if (bitCount == 1)
    WriteICOBilevelRows(out, image);
  else
    WriteICOIndexedRows(out, image, bitCount, params);
  WriteICOMask(out, image);
}

// The directory, once every image's place and size are known; the stream is left at the end.
void WriteICODirectory(TICOOutput& out, int64_t start, std::span<const TIOICOSize> sizes,
                       const std::vector<TICOWritten>& written) {
  const int64_t end = out.stream->Position();
  out.stream->SetPosition(start + 6);
  for (size_t i = 0; i < written.size(); ++i) {
    uint8_t entry[16] = {};
    entry[0] = uint8_t(sizes[i].Width & 255);
    entry[1] = uint8_t(sizes[i].Height & 255);
    if (written[i].bits >= 24) {
      vcl::le::Store16(entry + 4, 1);
      vcl::le::Store16(entry + 6, uint32_t(written[i].bits));
    } else {
      entry[2] = uint8_t(std::min(1 << written[i].bits, 255));
    }
    vcl::le::Store32(entry + 8, written[i].size);
    vcl::le::Store32(entry + 12, written[i].offset);
    out.Put(entry, 16);
  }
  out.stream->SetPosition(end);
}

}  // namespace

void WriteICOStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                    std::span<const TIOICOSize> Sizes, std::span<const int32_t> BitCounts) {
  const size_t count = Sizes.size();
  if (count == 0 || count > 0xFFFF || BitCounts.size() != count || Bitmap->Width() <= 0 || Bitmap->Height() <= 0)
    return Progress.Abort();
  // The directory holds a size in one byte, 0 standing for 256.
  for (const TIOICOSize& size : Sizes)
    if (size.Width <= 0 || size.Height <= 0 || size.Width > 256 || size.Height > 256) return Progress.Abort();
  TICOOutput out{Stream};
  const int64_t start = Stream->Position();
  WriteICOFileHeader(out, count);

  Params.FreeColorMap();
  if (Bitmap->PixelFormat() != ie24RGB) Params.BitsPerSample = Params.SamplesPerPixel = 1;
  Progress.Per1 = 100.0 / double(count);
  std::vector<TICOWritten> written;
  for (size_t i = 0; i < count; ++i) {
    Progress.Report(static_cast<int32_t>(double(i) * Progress.Per1));
    if (Progress.IsAborting() || out.error) break;
    std::unique_ptr<TIEBitmap> image = Resized(Bitmap, Sizes[i].Width, Sizes[i].Height);
    const int64_t offset = Stream->Position();
    const int32_t bitCount = ICOEntryBitCount(BitCounts[i], Params);
    ConvertForICOBitCount(image.get(), bitCount);
    WriteICOImage(out, image.get(), bitCount, Params);
    written.push_back(TICOWritten{bitCount, uint32_t(offset - start), uint32_t(Stream->Position() - offset)});
  }
  if (out.error) Progress.Abort();
  if (Progress.IsAborting()) return;

  WriteICODirectory(out, start, Sizes, written);
  if (out.error) Progress.Abort();
}

}  // namespace imaging
