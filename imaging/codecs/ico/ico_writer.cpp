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

struct TWritten {
  int32_t bits;
  uint32_t offset, size;
};

}  // namespace

void WriteICOStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                    std::span<const TIOICOSize> Sizes, std::span<const int32_t> BitCounts) {
  const size_t count = Sizes.size();
  if (count == 0 || count > 0xFFFF || BitCounts.size() != count || Bitmap->Width() <= 0 || Bitmap->Height() <= 0)
    return Progress.Abort();
  // The directory holds a size in one byte, 0 standing for 256.
  for (const TIOICOSize& size : Sizes)
    if (size.Width <= 0 || size.Height <= 0 || size.Width > 256 || size.Height > 256) return Progress.Abort();
  bool error = false;
  auto put = [&](const void* data, size_t bytes) { StreamWriteChecked(Stream, error, data, int32_t(bytes)); };
  const int64_t start = Stream->Position();
  uint8_t header[6] = {0, 0, 1, 0};
  vcl::le::Store16(header + 4, uint32_t(count));
  put(header, 6);
  std::vector<uint8_t> emptyDirectory(count * 16, 0);
  put(emptyDirectory.data(), emptyDirectory.size());

  Params.FreeColorMap();
  if (Bitmap->PixelFormat() != ie24RGB) Params.BitsPerSample = Params.SamplesPerPixel = 1;
  Progress.Per1 = 100.0 / double(count);
  std::vector<TWritten> written;
  for (size_t i = 0; i < count; ++i) {
    Progress.Report(static_cast<int32_t>(double(i) * Progress.Per1));
    if (Progress.IsAborting() || error) break;
    const int32_t width = Sizes[i].Width;
    const int32_t height = Sizes[i].Height;
    std::unique_ptr<TIEBitmap> image = Resized(Bitmap, width, height);
    const int64_t offset = Stream->Position();

    int32_t samples = 3, bits = 8;
    switch (BitCounts[i]) {
      case 0: samples = Params.SamplesPerPixel, bits = Params.BitsPerSample; break;
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
    // The working format: bilevel for 1 bit, indices that fit for 4 and 8, else 24 bits.
    const TIEPixelFormat format = image->PixelFormat();
    if (bitCount == 1 && format != ie1g)
      image->SetPixelFormat(ie1g);
    else if (bitCount != 1 && format != ie24RGB &&
             !(format == ie8p && bitCount <= 8 && IndicesFit(image.get(), 1 << bitCount)))
      image->SetPixelFormat(ie24RGB);

    const uint32_t xorRow = ((uint32_t(width) * bitCount + 31) / 32) * 4;
    const uint32_t andRow = ((uint32_t(width) + 31) / 32) * 4;
    uint8_t info[40] = {};
    vcl::le::Store32(info, 40);
    vcl::le::Store32(info + 4, uint32_t(width));
    vcl::le::Store32(info + 8, uint32_t(height) * 2);
    vcl::le::Store16(info + 12, 1);
    vcl::le::Store16(info + 14, uint32_t(bitCount));
    if (bitCount <= 8) vcl::le::Store32(info + 20, uint32_t(height) * (xorRow + andRow));
    vcl::le::Store32(info + 24, uint32_t(std::nearbyint(Params.DpiX / 2.54 * 100)));
    vcl::le::Store32(info + 28, uint32_t(std::nearbyint(Params.DpiY / 2.54 * 100)));
    put(info, 40);

    const bool alpha = image->HasAlphaChannel();
    std::vector<uint8_t> row(xorRow, 0);
    if (bitCount == 24 || bitCount == 32) {
      for (int32_t y = height - 1; y >= 0; --y) {
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
        put(row.data(), row.size());
      }
    } else if (bitCount == 1) {
      const uint8_t palette[8] = {0, 0, 0, 0, 255, 255, 255, 0};
      put(palette, 8);
      for (int32_t y = height - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), 0);
        std::memcpy(row.data(), image->GetScanline(y), (size_t(width) + 7) / 8);
        put(row.data(), row.size());
      }
    } else {
      const int32_t colours = 1 << bitCount;
      std::vector<TRGB> palette(size_t(colours), TRGB{0, 0, 0});
      std::unique_ptr<TIEQuantizer> quantizer;
      if (image->PixelFormat() == ie8p) {
        for (int32_t c = 0; c < colours; ++c) palette[c] = image->GetPaletteColor(c);
      } else {
        // Entry 0 stays black for the transparent pixels; the quantizer fills the others.
        quantizer = std::make_unique<TIEQuantizer>(image.get(), std::span<TRGB>(palette.data() + 1, colours - 1),
                                                   colours - 1);
      }
      std::vector<uint8_t> entries(size_t(colours) * 4, 0);
      for (int32_t c = 0; c < colours; ++c) std::memcpy(&entries[size_t(c) * 4], &palette[c], 3);
      put(entries.data(), entries.size());
      Params.ColorMap = palette;
      Params.ColorMapCount = colours;
      for (int32_t y = height - 1; y >= 0; --y) {
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
        put(row.data(), row.size());
      }
    }
    // The AND mask: a set bit for every pixel that is not opaque.
    std::vector<uint8_t> mask(andRow, 0);
    for (int32_t y = height - 1; y >= 0; --y) {
      std::fill(mask.begin(), mask.end(), 0);
      if (alpha)
        for (int32_t x = 0; x < width; ++x)
          if (image->GetAlphaAt(x, y) != 255) mask[x / 8] |= uint8_t(0x80 >> (x % 8));
      put(mask.data(), mask.size());
    }
    written.push_back(TWritten{bitCount, uint32_t(offset - start), uint32_t(Stream->Position() - offset)});
  }
  if (error) Progress.Abort();
  if (Progress.IsAborting()) return;

  const int64_t end = Stream->Position();
  Stream->SetPosition(start + 6);
  for (size_t i = 0; i < written.size(); ++i) {
    uint8_t entry[16] = {};
    entry[0] = uint8_t(Sizes[i].Width & 255);
    entry[1] = uint8_t(Sizes[i].Height & 255);
    if (written[i].bits >= 24) {
      vcl::le::Store16(entry + 4, 1);
      vcl::le::Store16(entry + 6, uint32_t(written[i].bits));
    } else {
      entry[2] = uint8_t(std::min(1 << written[i].bits, 255));
    }
    vcl::le::Store32(entry + 8, written[i].size);
    vcl::le::Store32(entry + 12, written[i].offset);
    put(entry, 16);
  }
  Stream->SetPosition(end);
  if (error) Progress.Abort();
}

}  // namespace imaging
