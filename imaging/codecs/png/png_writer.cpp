#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "clib/png_bridge.h"
#include "imaging/codecs/png/png_codec.h"
#include "imaging/codecs/writer_bitmaps.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/model/routines/colour_reduction.h"
#include "imaging/model/routines/colour_routines.h"
#include "imaging/model/routines/quantizer.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

struct TWriteTarget {
  vcl::TStream* stream;
  bool failed = false;
};

// libpng's write callback: no exception may pass through libpng's C frames.
int WriteToStream(void* target, const void* buffer, int count) {
  auto* t = static_cast<TWriteTarget*>(target);
  try {
    const int written = t->stream->Write(buffer, count);
    if (written != count) t->failed = true;
    return written;
  } catch (...) {
    t->failed = true;
    return -1;
  }
}

uint32_t DpiToMetre(int32_t dpi) { return dpi > 0 ? uint32_t(std::nearbyint(dpi * 100 / 2.54)) : 0; }

}  // namespace

void WritePNGStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                    TIEMask* AlphaMask) {
  const int32_t width = Bitmap->Width();
  const int32_t height = Bitmap->Height();
  if (width <= 0 || height <= 0) return Progress.Abort();
  if (Params.SamplesPerPixel == 1 && Params.BitsPerSample != 1 && Params.BitsPerSample != 8 &&
      Params.BitsPerSample != 16)
    Params.BitsPerSample = 8;
  const bool transparency = AlphaMask && !AlphaMask->Full() && AlphaMask->Width() >= width &&
                            AlphaMask->Height() >= height;
  auto maskAt = [&](int32_t x, int32_t y) { return uint8_t(AlphaMask->GetPixel(x, y)); };

  // The source: what the chosen layout can take, as a copy when the bitmap is not so.
  TIEBitmap* source = Bitmap;
  std::unique_ptr<TIEBitmap> copy;
  TRGB twoColours[2] = {{0, 0, 0}, {255, 255, 255}};
  bool twoColourPalette = false;
  const TIEPixelFormat format = Bitmap->PixelFormat();
  if (Params.BitsPerSample == 1) {
    if (format != ie1g) {
      copy = ConvertToBilevelIfTwoColors(Bitmap, twoColours[0], twoColours[1]);
      if (copy)
        twoColourPalette = !(twoColours[0].r == 0 && twoColours[0].g == 0 && twoColours[0].b == 0 &&
                             twoColours[1].r == 255 && twoColours[1].g == 255 && twoColours[1].b == 255);
      else
        copy = ConvertedCopy(Bitmap, ie1g);
      source = copy.get();
    }
  } else if (Params.SamplesPerPixel == 1) {
    // Grey samples are kept as they are; an index image with transparency is quantized anew so
    // that entry 0 can stand for the transparent pixels.
    const bool keep = format == ie8g || format == ie16g || (format == ie8p && !transparency) || format == ie24RGB;
    if (!keep) source = (copy = ConvertedCopy(Bitmap, ie24RGB)).get();
  } else if (!(format == ie24RGB || (format == ieRGB48 && !transparency))) {
    source = (copy = ConvertedCopy(Bitmap, ie24RGB)).get();
  }
  const TIEPixelFormat sourceFormat = source->PixelFormat();

  png_lib_write_info info{};
  info.width = unsigned(width);
  info.height = unsigned(height);
  info.interlaced = Params.PNGInterlaced;
  std::vector<uint8_t> palette;  // red, green, blue
  std::vector<uint8_t> alphaEntries;
  std::unique_ptr<TIEQuantizer> quantizer;
  std::vector<TRGB> colours(256, TRGB{0, 0, 0});
  bool grayQuantized = false;
  int32_t channels = 1;
  size_t sampleBytes = 1;
  if (sourceFormat == ie1g) {
    if (twoColourPalette) {
      info.color_type = PNG_LIB_PALETTE;
      for (const TRGB& c : twoColours) palette.insert(palette.end(), {c.r, c.g, c.b});
    } else {
      info.color_type = PNG_LIB_GRAY;
    }
    info.bit_depth = 1;
  } else if (sourceFormat == ie16g) {
    info.color_type = PNG_LIB_GRAY, info.bit_depth = 16, sampleBytes = 2;
  } else if (sourceFormat == ie8g) {
    info.color_type = PNG_LIB_GRAY, info.bit_depth = 8;
  } else if (Params.SamplesPerPixel == 1) {
    info.bit_depth = 8;
    info.color_type = PNG_LIB_PALETTE;
    if (transparency) {
      const int32_t count = std::min(1 << std::min(Params.BitsPerSample, 8), 255);
      quantizer = std::make_unique<TIEQuantizer>(source, std::span<TRGB>(colours.data() + 1, count), count);
      colours[0] = Params.PNGBackground;
      for (int32_t i = 0; i <= count; ++i) palette.insert(palette.end(), {colours[i].r, colours[i].g, colours[i].b});
      alphaEntries.push_back(0);
    } else if (sourceFormat == ie8p) {
      for (int32_t i = 0; i < 256; ++i) colours[i] = source->GetPaletteColor(i);
      for (const TRGB& c : colours) palette.insert(palette.end(), {c.r, c.g, c.b});
    } else {
      quantizer = std::make_unique<TIEQuantizer>(source, std::span<TRGB>(colours.data(), 256), 256);
      if (quantizer->IsGray()) {
        info.color_type = PNG_LIB_GRAY;
        grayQuantized = true;
      } else {
        for (const TRGB& c : colours) palette.insert(palette.end(), {c.r, c.g, c.b});
      }
    }
  } else if (sourceFormat == ieRGB48) {
    info.color_type = PNG_LIB_RGB, info.bit_depth = 16, channels = 3, sampleBytes = 2;
  } else {
    info.color_type = transparency ? PNG_LIB_RGB_ALPHA : PNG_LIB_RGB;
    info.bit_depth = 8;
    channels = transparency ? 4 : 3;
  }
  info.palette_count = int(palette.size() / 3);
  info.palette = palette.data();
  info.transparency_count = int(alphaEntries.size());
  info.transparency = alphaEntries.data();

  // The background at the file's depth: an index of the palette, or samples.
  const TRGB background = Params.PNGBackground;
  info.has_background = 1;
  if (info.color_type == PNG_LIB_PALETTE) {
    int32_t index = transparency ? 0 : quantizer ? quantizer->GetColorIndex(background) : -1;
    if (index < 0) index = FindNearestPaletteIndex(colours.data(), info.palette_count, PackRGB(background));
    info.background_index = index;
  } else {
    const unsigned top = (1u << info.bit_depth) - 1;
    auto scale = [&](uint8_t v) { return unsigned(v) * top / 255; };
    info.background_gray = scale(uint8_t(RGBToGrayLevel(PackRGB(background))));
    info.background_red = scale(background.r);
    info.background_green = scale(background.g);
    info.background_blue = scale(background.b);
  }
  info.resolution_x = DpiToMetre(Params.DpiX);
  info.resolution_y = DpiToMetre(Params.DpiY);
  info.filter = Params.PNGFilter <= 2 ? Params.PNGFilter : -1;
  info.compression_level = std::clamp(Params.PNGCompression, 0, 9);
  std::vector<std::string> keys, values;
  const int32_t texts = std::min(Params.PNGTextKeys.Count(), Params.PNGTextValues.Count());
  for (int32_t i = 0; i < texts; ++i) {
    keys.push_back(Params.PNGTextKeys.Strings(i));
    values.push_back(Params.PNGTextValues.Strings(i));
  }
  std::vector<const char*> keyPointers, valuePointers;
  for (int32_t i = 0; i < texts; ++i) keyPointers.push_back(keys[i].c_str()), valuePointers.push_back(values[i].c_str());
  info.text_count = texts;
  info.text_keys = keyPointers.data();
  info.text_values = valuePointers.data();
  info.bgr = channels >= 3 && sampleBytes == 1;
  info.swap_16 = sampleBytes == 2;

  // The rows as libpng takes them. Rows the source already holds so are handed over where they
  // lie when they stay put in memory (libpng copies each row before working on it).
  const size_t rowBytes = info.bit_depth == 1 ? (size_t(width) + 7) / 8 : size_t(width) * channels * sampleBytes;
  const bool asStored = !(info.color_type == PNG_LIB_PALETTE && info.bit_depth == 8) && !grayQuantized &&
                        channels != 4;
  const bool direct = asStored && source->Location() == ieMemory && rowBytes <= size_t(source->RowLen());
  std::vector<uint8_t> pixels(direct ? 0 : rowBytes * size_t(height));
  std::vector<unsigned char*> rows(static_cast<size_t>(height));
  Progress.Val = 0;
  Progress.Per1 = 100.0 / height;
  for (int32_t y = 0; y < height; ++y) {
    const auto* in = static_cast<const uint8_t*>(source->GetScanline(y));
    if (direct) {
      rows[y] = const_cast<uint8_t*>(in);
      ++Progress.Val;
      Progress.Report();
      if (Progress.IsAborting()) return;
      continue;
    }
    uint8_t* out = rows[y] = pixels.data() + rowBytes * size_t(y);
    if (info.color_type == PNG_LIB_PALETTE && info.bit_depth == 8) {
      for (int32_t x = 0; x < width; ++x) {
        if (!quantizer) {
          out[x] = in[x];
          continue;
        }
        const int32_t index = std::max(0, quantizer->GetColorIndex(*reinterpret_cast<const TRGB*>(in + x * 3)));
        out[x] = transparency ? (maskAt(x, y) == 255 ? uint8_t(index + 1) : 0) : uint8_t(index);
      }
    } else if (grayQuantized) {
      for (int32_t x = 0; x < width; ++x) out[x] = uint8_t(RGBToGrayLevel(PackRGB(*reinterpret_cast<const TRGB*>(in + x * 3))));
    } else if (channels == 4) {
      for (int32_t x = 0; x < width; ++x) {
        std::memcpy(out + x * 4, in + x * 3, 3);
        out[x * 4 + 3] = maskAt(x, y);
      }
    } else {
      std::memcpy(out, in, rowBytes);
    }
    ++Progress.Val;
    Progress.Report();
    if (Progress.IsAborting()) return;
  }
  TWriteTarget target{Stream};
  const int ok = png_lib_write(&target, WriteToStream, &info, rows.data());
  if (target.failed) return Progress.Abort();
  if (!ok) throw vcl::EInvalidGraphic("Error on creating PNG");
}

}  // namespace imaging
