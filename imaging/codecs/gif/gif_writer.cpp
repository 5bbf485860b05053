#include <algorithm>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "imaging/base/stream_encoders.h"
#include "imaging/codecs/gif/gif_codec.h"
#include "imaging/codecs/writer_bitmaps.h"
#include "imaging/coding/lzw_procs.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/colour_reduction.h"
#include "imaging/model/routines/colour_routines.h"
#include "imaging/model/routines/quantizer.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

namespace imaging {

void WriteGIFStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress) {
  Progress.Report(0);
  if (Progress.IsAborting()) return;
  const int32_t width = Bitmap->Width();
  const int32_t height = Bitmap->Height();
  if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return Progress.Abort();
  const TGIFLZWCompressProc encode = Params.GIFLZWCompress ? Params.GIFLZWCompress : IEGIFLZWCompressProc;
  const bool alpha = Bitmap->HasAlphaChannel();
  // GIF holds at most 256 colours.
  int32_t bits = std::clamp(Params.BitsPerSample, 1, 8);
  // One bit with transparency takes a second bit: black, white and the transparent entry.
  const bool bilevel = bits == 1;
  if (bilevel && alpha) bits = 2;
  int32_t colours = 1 << bits;
  if (alpha) {
    --colours;
    Params.GIFHasTransparentColor = true;
  }
  const int32_t transparentIndex = colours;

  std::vector<TRGB> palette(256, TRGB{0, 0, 0});
  std::vector<uint8_t> indices(size_t(width) * height + 9, 0);
  std::unique_ptr<TIEBitmap> copy;
  std::unique_ptr<TIEQuantizer> quantizer;
  TIEBitmap* source = Bitmap;
  if (bilevel) {
    palette[1] = TRGB{255, 255, 255};
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
    for (int32_t y = 0; y < height; ++y) {
      const auto* in = static_cast<const uint8_t*>(source->GetScanline(y));
      for (int32_t x = 0; x < width; ++x) indices[size_t(y) * width + x] = (in[x / 8] >> (7 - x % 8)) & 1;
    }
  } else {
    const TIEPixelFormat format = Bitmap->PixelFormat();
    if ((format != ie8p && format != ie24RGB) || (format == ie8p && !IndicesFit(Bitmap, colours))) {
      copy = ConvertedCopy(Bitmap, ie24RGB);
      source = copy.get();
    }
    if (source->PixelFormat() == ie8p) {
      for (int32_t i = 0; i < colours; ++i) palette[i] = source->GetPaletteColor(i);
    } else {
      quantizer = std::make_unique<TIEQuantizer>(source, std::span<TRGB>(palette.data(), colours), colours);
    }
    for (int32_t y = 0; y < height; ++y) {
      const auto* in = static_cast<const uint8_t*>(source->GetScanline(y));
      uint8_t* out = indices.data() + size_t(y) * width;
      for (int32_t x = 0; x < width; ++x)
        out[x] = quantizer ? uint8_t(std::max(0, quantizer->GetColorIndex(*reinterpret_cast<const TRGB*>(in + x * 3))))
                           : in[x];
    }
  }
  if (alpha)
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        if (Bitmap->GetAlphaAt(x, y) < 255) indices[size_t(y) * width + x] = uint8_t(transparentIndex);
  Progress.Report(30);
  if (Progress.IsAborting()) return;

  auto indexOf = [&](const TRGB& colour) {
    int32_t index = quantizer ? quantizer->GetColorIndex(colour) : -1;
    if (index < 0) index = FindNearestPaletteIndex(palette.data(), colours, PackRGB(colour));
    return index;
  };
  bool error = false;
  auto put = [&](const void* data, size_t count) { StreamWriteChecked(Stream, error, data, int32_t(count)); };
  uint8_t header[13] = {};
  std::string version = Params.GIFVersion;
  version.resize(6, ' ');
  std::memcpy(header, version.data(), 6);
  vcl::le::Store16(header + 6, width);
  vcl::le::Store16(header + 8, height);
  header[10] = uint8_t(0x80 | ((bits - 1) << 4) | (bits - 1));
  header[11] = uint8_t(indexOf(Params.GIFBackground));
  put(header, 13);
  const int32_t entries = 1 << bits;
  std::vector<uint8_t> table(size_t(entries) * 3);
  for (int32_t i = 0; i < entries; ++i)
    table[i * 3] = palette[i].r, table[i * 3 + 1] = palette[i].g, table[i * 3 + 2] = palette[i].b;
  put(table.data(), table.size());

  uint8_t control[8] = {0x21, 0xF9, 4, 0, 0, 0, 0, 0};
  control[3] = uint8_t(((Params.GIFDisposal & 7) << 2) | (Params.GIFHasTransparentColor ? 1 : 0));
  vcl::le::Store16(control + 4, uint32_t(Params.GIFDelayTime));
  control[6] = uint8_t(alpha ? transparentIndex : indexOf(Params.GIFTransparentColor));
  put(control, 8);
  uint8_t descriptor[10] = {0x2C};
  vcl::le::Store16(descriptor + 1, uint32_t(Params.GIFLeft));
  vcl::le::Store16(descriptor + 3, uint32_t(Params.GIFTop));
  vcl::le::Store16(descriptor + 5, width);
  vcl::le::Store16(descriptor + 7, height);
  descriptor[9] = Params.GIFInterlaced ? 0x40 : 0;
  put(descriptor, 10);
  Progress.Report(70);
  if (Progress.IsAborting()) return;
  if (!encode) return Progress.Abort();
  // The coders write with WriteBuffer: a short write of theirs is a failed save like any other.
  try {
    encode(Stream, height, width, Params.GIFInterlaced, indices.data(), bits);
  } catch (const vcl::EWriteError&) {
    return Progress.Abort();
  }

  // Comments: one sub-block of at most 255 bytes each (longer ones continue in the next
  // sub-block, empty ones would end the extension and are left out).
  const uint8_t comment[2] = {0x21, 0xFE};
  put(comment, 2);
  for (int32_t i = 0; i < Params.GIFComments.Count(); ++i) {
    const std::string text = Params.GIFComments.Strings(i);
    for (size_t at = 0; at < text.size(); at += 255) {
      const uint8_t size = uint8_t(std::min<size_t>(255, text.size() - at));
      put(&size, 1);
      put(text.data() + at, size);
    }
  }
  const uint8_t end[2] = {0, 0x3B};
  put(end, 2);
  if (error) return Progress.Abort();
  Progress.Report(100);
}

}  // namespace imaging
