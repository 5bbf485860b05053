#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "clib/png_bridge.h"
#include "imaging/codecs/png/png_codec.h"
#include "imaging/codecs/reader_limits.h"
#include "imaging/model/icc_profile.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_settings.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

// Deflate never packs more than about 1,032 bytes into one; more than that is damage.
constexpr int64_t kMaxInflation = 1040;

// libpng's read callback: no exception may pass through libpng's C frames.
int ReadPNGSource(void* stream, void* buffer, int count) {
  try {
    return static_cast<vcl::TStream*>(stream)->Read(buffer, count);
  } catch (...) {
    return -1;
  }
}

struct TPNGReader {
  png_lib_reader* reader;
  ~TPNGReader() { png_lib_reader_destroy(reader); }
};

// Whether every chunk up to the end chunk lies inside the stream. libpng takes a chunk's length
// on trust and can spend seconds skipping gigabytes that are not there; the walk only seeks.
// The position is restored.
bool ChunksFitTheStream(vcl::TStream* stream) {
  const int64_t start = stream->Position();
  const int64_t size = stream->Size();
  int64_t at = start + 8;
  bool fits = false;
  while (at + 12 <= size) {
    uint8_t head[8];
    stream->SetPosition(at);
    if (stream->Read(head, 8) != 8) break;
    const uint32_t length = vcl::be::U32(head);
    if (length > 0x7FFFFFFF || at + 12 + int64_t(length) > size) break;
    at += 12 + int64_t(length);
    if (std::memcmp(head + 4, "IEND", 4) == 0) {
      fits = true;
      break;
    }
  }
  stream->SetPosition(start);
  return fits;
}

int32_t PNGDpiOf(unsigned perMetre, int32_t fallback) {
  const int32_t dpi = static_cast<int32_t>(std::nearbyint(perMetre / 100.0 * 2.54));
  return dpi > 0 ? dpi : fallback;
}

}  // namespace

bool IsPNGStream(vcl::TStream* Stream) {
  const int64_t start = Stream->Position();
  uint8_t signature[8] = {};
  const int32_t read = Stream->Read(signature, 8);
  Stream->SetPosition(start);
  return read == 8 && signature[0] == 0x89 && signature[1] == 'P' && signature[2] == 'N' && signature[3] == 'G';
}

void ReadPNGStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                   bool Preview) {
  if (!ChunksFitTheStream(Stream)) return Progress.Abort();
  TPNGReader owner{png_lib_reader_create(Stream, ReadPNGSource)};
  if (!owner.reader) return Progress.Abort();
  png_lib_info info;
  if (!png_lib_read_info(owner.reader, &info)) return Progress.Abort();
  const int depth = info.bit_depth;
  const int type = info.color_type;

  Params.PNGTextKeys.Clear();
  Params.PNGTextValues.Clear();
  for (int i = 0; i < info.text_count; ++i) {
    const char* key = nullptr;
    const char* text = nullptr;
    size_t length = 0;
    if (!png_lib_text(owner.reader, i, &key, &text, &length)) continue;
    Params.PNGTextKeys.Add(key);
    Params.PNGTextValues.Add(std::string(text, length));
  }
  if (info.has_background) {
    // The chunk holds samples of the file's depth, or a palette index.
    TRGB background{0, 0, 0};
    if (type == PNG_LIB_PALETTE) {
      if (info.background_index < info.palette_count) {
        const uint8_t* p = info.palette + info.background_index * 3;
        background = TRGB{p[2], p[1], p[0]};
      }
    } else {
      const unsigned top = (1u << depth) - 1;
      auto scale = [&](unsigned v) { return uint8_t(std::min(v, top) * 255 / top); };
      if (type == PNG_LIB_GRAY || type == PNG_LIB_GRAY_ALPHA) {
        const uint8_t g = scale(info.background_gray);
        background = TRGB{g, g, g};
      } else {
        background = TRGB{scale(info.background_blue), scale(info.background_green), scale(info.background_red)};
      }
    }
    Params.PNGBackground = background;
  }

  // Transparency has no place in the native formats: such files are read as colour and alpha.
  const bool native = Params.KeepNativePixelFormat && (depth == 8 || depth == 16) &&
                      (type == PNG_LIB_PALETTE || type == PNG_LIB_GRAY) && !info.has_transparency;
  const bool bilevel = depth == 1 && type == PNG_LIB_GRAY;
  int transforms = 0;
  if (native) {
    transforms = PNG_LIB_SWAP_16;
  } else if (!bilevel) {
    transforms = PNG_LIB_EXPAND | PNG_LIB_STRIP_16 | PNG_LIB_BGR;
    if (type == PNG_LIB_GRAY || type == PNG_LIB_GRAY_ALPHA) transforms |= PNG_LIB_GRAY_TO_RGB;
  }
  size_t rowBytes = 0;
  int channels = 0;
  if (!png_lib_start_image(owner.reader, transforms, &rowBytes, &channels)) return Progress.Abort();

  const int32_t width = int32_t(std::min<unsigned>(info.width, INT32_MAX));
  const int32_t height = int32_t(std::min<unsigned>(info.height, INT32_MAX));
  Params.SetImageCount(1);
  Params.Width = Params.StoredWidth = width;
  Params.Height = Params.StoredHeight = height;
  Params.BitsPerSample = depth;
  Params.SamplesPerPixel = type == PNG_LIB_RGB ? 3 : type == PNG_LIB_GRAY_ALPHA ? 2 : type == PNG_LIB_RGB_ALPHA ? 4 : 1;
  Params.SetDpiX(info.has_resolution ? PNGDpiOf(info.resolution_x, IEDefaultDpiX) : IEDefaultDpiX);
  Params.SetDpiY(info.has_resolution ? PNGDpiOf(info.resolution_y, IEDefaultDpiY) : IEDefaultDpiY);
  Params.FreeColorMap();
  // Indices past a short palette read black.
  TRGB palette[256] = {};
  for (int i = 0; i < info.palette_count; ++i)
    palette[i] = TRGB{info.palette[i * 3 + 2], info.palette[i * 3 + 1], info.palette[i * 3]};
  if (type == PNG_LIB_PALETTE) {
    Params.ColorMap.assign(palette, palette + info.palette_count);
    Params.ColorMapCount = info.palette_count;
  }
  Params.PNGInterlaced = info.interlaced != 0;
  const unsigned char* profile = nullptr;
  unsigned profileLength = 0;
  if (png_lib_icc_profile(owner.reader, &profile, &profileLength) && profileLength > 0 && profileLength < INT32_MAX)
    Params.GetInputICCProfile()->LoadFromBuffer(profile, int32_t(profileLength));
  if (Preview) return;

  const int64_t remaining = Stream->Size() - Stream->Position();
  if (int64_t(width) * height > kMaxReaderPixels || int64_t(rowBytes) * height > (remaining + 1) * kMaxInflation)
    return Progress.Abort();
  TIEPixelFormat format = ie24RGB;
  if (bilevel) format = ie1g;
  if (native) format = type == PNG_LIB_PALETTE ? ie8p : depth == 8 ? ie8g : ie16g;
  if ((format == ie24RGB && channels != 3 && channels != 4) || (format != ie24RGB && channels != 1))
    return Progress.Abort();

  TIEBitmap work;
  // libpng writes every pixel of every row (a failed read drops the bitmap).
  if (!work.AllocateToOverwrite(width, height, format)) return Progress.Abort();
  // Rows that the bitmap holds as libpng delivers them are decoded straight into it when its
  // rows stay put in memory; others (alpha to split off, storage in a file) go through a buffer.
  const bool direct = channels != 4 && work.Location() == ieMemory && rowBytes <= size_t(work.RowLen());
  std::vector<uint8_t> pixels(direct ? 0 : rowBytes * size_t(height));
  std::vector<unsigned char*> rows(static_cast<size_t>(height));
  for (int32_t y = 0; y < height; ++y)
    rows[y] = direct ? static_cast<unsigned char*>(work.GetScanline(y)) : pixels.data() + rowBytes * size_t(y);
  if (!png_lib_read_image(owner.reader, rows.data())) return Progress.Abort();

  if (format == ie8p) {
    for (int32_t i = 0; i < 256; ++i) work.SetPaletteColor(i, palette[i]);
    work.SetPaletteUsed(1 << depth);
  }
  TIEBitmap* alpha = nullptr;
  if (channels == 4) {
    alpha = work.GetAlphaChannel();
    alpha->SetFull(false);
  }
  Progress.Val = 0;
  Progress.Per1 = 100.0 / height;
  int32_t lastPercent = -1;
  const size_t copyBytes = std::min<size_t>(rowBytes, size_t(work.RowLen()));
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = rows[y];
    auto* out = static_cast<uint8_t*>(work.GetScanline(y));
    if (channels == 4) {
      auto* a = static_cast<uint8_t*>(alpha->GetScanline(y));
      for (int32_t x = 0; x < width; ++x) {
        std::memcpy(out + x * 3, in + x * 4, 3);
        a[x] = in[x * 4 + 3];
      }
    } else if (!direct) {
      std::memcpy(out, in, copyBytes);
    }
    ++Progress.Val;
    const int32_t percent = static_cast<int32_t>(Progress.Val * Progress.Per1);
    if (percent != lastPercent) Progress.Report(percent), lastPercent = percent;
    if (Progress.IsAborting()) return;
  }
  if (Bitmap->Location() == ieTBitmap)
    Bitmap->Assign(&work);
  else
    work.MoveContentTo(Bitmap);
}

}  // namespace imaging
