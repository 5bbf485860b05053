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
int WritePNGTarget(void* target, const void* buffer, int count) {
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

uint32_t PNGPixelsPerMetre(int32_t dpi) { return dpi > 0 ? uint32_t(std::nearbyint(dpi * 100 / 2.54)) : 0; }

// The file's layout and what its rows are made from.
struct TPNGPlan {
  png_lib_write_info info{};
  std::vector<uint8_t> palette;  // red, green, blue
  std::vector<uint8_t> alphaEntries;
  std::unique_ptr<TIEQuantizer> quantizer;
  std::vector<TRGB> colours = std::vector<TRGB>(256, TRGB{0, 0, 0});
  bool grayQuantized = false;
  int32_t channels = 1;
  size_t sampleBytes = 1;
  std::vector<std::string> keys, values;
  std::vector<const char*> keyPointers, valuePointers;
};

// The source: what the chosen layout can take, as a copy when the bitmap is not so. Two
// colours other than black and white for 1 bit go to `twoColours` with `twoColourPalette` set.
TIEBitmap* ChooseSource(TIEBitmap* Bitmap, const TIOParamsVals& Params, bool transparency,
                        std::unique_ptr<TIEBitmap>& copy, TRGB* twoColours, bool& twoColourPalette) {
  TIEBitmap* source = Bitmap;
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
  return source;
}

// Colour type, depth and palette for the source's format.
void ChooseColourType(TIEBitmap* source, const TIOParamsVals& Params, bool transparency, const TRGB* twoColours,
                      bool twoColourPalette, TPNGPlan& plan) {
  png_lib_write_info& info = plan.info;
  std::vector<uint8_t>& palette = plan.palette;
  std::vector<TRGB>& colours = plan.colours;
  const TIEPixelFormat sourceFormat = source->PixelFormat();
  if (sourceFormat == ie1g) {
    if (twoColourPalette) {
      info.color_type = PNG_LIB_PALETTE;
      for (int32_t i = 0; i < 2; ++i) palette.insert(palette.end(), {twoColours[i].r, twoColours[i].g, twoColours[i].b});
    } else {
      info.color_type = PNG_LIB_GRAY;
    }
    info.bit_depth = 1;
  } else if (sourceFormat == ie16g) {
    info.color_type = PNG_LIB_GRAY, info.bit_depth = 16, plan.sampleBytes = 2;
  } else if (sourceFormat == ie8g) {
    info.color_type = PNG_LIB_GRAY, info.bit_depth = 8;
  } else if (Params.SamplesPerPixel == 1) {
    info.bit_depth = 8;
    info.color_type = PNG_LIB_PALETTE;
    if (transparency) {
      const int32_t count = std::min(1 << std::min(Params.BitsPerSample, 8), 255);
      plan.quantizer = std::make_unique<TIEQuantizer>(source, std::span<TRGB>(colours.data() + 1, count), count);
      colours[0] = Params.PNGBackground;
      for (int32_t i = 0; i <= count; ++i) palette.insert(palette.end(), {colours[i].r, colours[i].g, colours[i].b});
      plan.alphaEntries.push_back(0);
    } else if (sourceFormat == ie8p) {
      for (int32_t i = 0; i < 256; ++i) colours[i] = source->GetPaletteColor(i);
      for (const TRGB& c : colours) palette.insert(palette.end(), {c.r, c.g, c.b});
    } else {
      plan.quantizer = std::make_unique<TIEQuantizer>(source, std::span<TRGB>(colours.data(), 256), 256);
      if (plan.quantizer->IsGray()) {
        info.color_type = PNG_LIB_GRAY;
        plan.grayQuantized = true;
      } else {
        for (const TRGB& c : colours) palette.insert(palette.end(), {c.r, c.g, c.b});
      }
    }
  } else if (sourceFormat == ieRGB48) {
    info.color_type = PNG_LIB_RGB, info.bit_depth = 16, plan.channels = 3, plan.sampleBytes = 2;
  } else {
    info.color_type = transparency ? PNG_LIB_RGB_ALPHA : PNG_LIB_RGB;
    info.bit_depth = 8;
    plan.channels = transparency ? 4 : 3;
  }
  info.palette_count = int(palette.size() / 3);
  info.palette = palette.data();
  info.transparency_count = int(plan.alphaEntries.size());
  info.transparency = plan.alphaEntries.data();
}

// The background, resolution, filter, level and text chunks.
void SetAncillaryChunks(const TIOParamsVals& Params, bool transparency, TPNGPlan& plan) {
  png_lib_write_info& info = plan.info;
  // The background at the file's depth: an index of the palette, or samples.
  const TRGB background = Params.PNGBackground;
  info.has_background = 1;
  if (info.color_type == PNG_LIB_PALETTE) {
    int32_t index = transparency ? 0 : plan.quantizer ? plan.quantizer->GetColorIndex(background) : -1;
    if (index < 0) index = FindNearestPaletteIndex(plan.colours.data(), info.palette_count, PackRGB(background));
    info.background_index = index;
  } else {
    const unsigned top = (1u << info.bit_depth) - 1;
    auto scale = [&](uint8_t v) { return unsigned(v) * top / 255; };
    info.background_gray = scale(uint8_t(RGBToGrayLevel(PackRGB(background))));
    info.background_red = scale(background.r);
    info.background_green = scale(background.g);
    info.background_blue = scale(background.b);
  }
  info.resolution_x = PNGPixelsPerMetre(Params.DpiX);
  info.resolution_y = PNGPixelsPerMetre(Params.DpiY);
  info.filter = Params.PNGFilter <= 2 ? Params.PNGFilter : -1;
  info.compression_level = std::clamp(Params.PNGCompression, 0, 9);
  const int32_t texts = std::min(Params.PNGTextKeys.Count(), Params.PNGTextValues.Count());
  for (int32_t i = 0; i < texts; ++i) {
    plan.keys.push_back(Params.PNGTextKeys.Strings(i));
    plan.values.push_back(Params.PNGTextValues.Strings(i));
  }
  for (int32_t i = 0; i < texts; ++i)
    plan.keyPointers.push_back(plan.keys[i].c_str()), plan.valuePointers.push_back(plan.values[i].c_str());
  info.text_count = texts;
  info.text_keys = plan.keyPointers.data();
  info.text_values = plan.valuePointers.data();
  info.bgr = plan.channels >= 3 && plan.sampleBytes == 1;
  info.swap_16 = plan.sampleBytes == 2;
}

// The rows as libpng takes them. Rows the source already holds so are handed over where they
// lie when they stay put in memory (libpng copies each row before working on it). False when
// the progress aborts.
bool PrepareRows(TIEBitmap* source, const TPNGPlan& plan, bool transparency, TIEMask* AlphaMask,
                 TCodecProgress& Progress, std::vector<uint8_t>& pixels, std::vector<unsigned char*>& rows) {
  const png_lib_write_info& info = plan.info;
  const int32_t width = int32_t(info.width), height = int32_t(info.height), channels = plan.channels;
  auto maskAt = [&](int32_t x, int32_t y) { return uint8_t(AlphaMask->GetPixel(x, y)); };
  const size_t rowBytes =
      info.bit_depth == 1 ? (size_t(width) + 7) / 8 : size_t(width) * channels * plan.sampleBytes;
  const bool asStored = !(info.color_type == PNG_LIB_PALETTE && info.bit_depth == 8) && !plan.grayQuantized &&
                        channels != 4;
  const bool direct = asStored && source->Location() == ieMemory && rowBytes <= size_t(source->RowLen());
  pixels.assign(direct ? 0 : rowBytes * size_t(height), 0);
  rows.assign(static_cast<size_t>(height), nullptr);
  Progress.Val = 0;
  Progress.Per1 = 100.0 / height;
  for (int32_t y = 0; y < height; ++y) {
    const auto* in = static_cast<const uint8_t*>(source->GetScanline(y));
    if (direct) {
      rows[y] = const_cast<uint8_t*>(in);
      ++Progress.Val;
      Progress.Report();
      if (Progress.IsAborting()) return false;
      continue;
    }
    uint8_t* out = rows[y] = pixels.data() + rowBytes * size_t(y);
    if (info.color_type == PNG_LIB_PALETTE && info.bit_depth == 8) {
      for (int32_t x = 0; x < width; ++x) {
        if (!plan.quantizer) {
          out[x] = in[x];
          continue;
        }
        const int32_t index =
            std::max(0, plan.quantizer->GetColorIndex(*reinterpret_cast<const TRGB*>(in + x * 3)));
        out[x] = transparency ? (maskAt(x, y) == 255 ? uint8_t(index + 1) : 0) : uint8_t(index);
      }
    } else if (plan.grayQuantized) {
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
    if (Progress.IsAborting()) return false;
  }
  return true;
}

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

  std::unique_ptr<TIEBitmap> copy;
  TRGB twoColours[2] = {{0, 0, 0}, {255, 255, 255}};
  bool twoColourPalette = false;
  TIEBitmap* source = ChooseSource(Bitmap, Params, transparency, copy, twoColours, twoColourPalette);

  TPNGPlan plan;
  plan.info.width = unsigned(width);
  plan.info.height = unsigned(height);
  plan.info.interlaced = Params.PNGInterlaced;
  ChooseColourType(source, Params, transparency, twoColours, twoColourPalette, plan);
  SetAncillaryChunks(Params, transparency, plan);

  std::vector<uint8_t> pixels;
  std::vector<unsigned char*> rows;
  if (!PrepareRows(source, plan, transparency, AlphaMask, Progress, pixels, rows)) return;
  TWriteTarget target{Stream};
  const int ok = png_lib_write(&target, WritePNGTarget, &plan.info, rows.data());
  if (target.failed) return Progress.Abort();
  if (!ok) throw vcl::EInvalidGraphic("Error on creating PNG");
}

}  // namespace imaging
