#include "imaging/codecs/jpeg2000/jpeg2000_codec.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "clib/openjpeg_bridge.h"
#include "imaging/base/stream_encoders.h"
#include "imaging/codecs/writer_bitmaps.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/file_formats.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_settings.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

// Samples of all components together that a file may ask for (1 GB of decoded samples): sizes
// come from the file, and a damaged size must not drive an allocation the machine cannot give.
constexpr unsigned long long kMaxJPEG2000Samples = 1ull << 28;
// Luminance weights (per cent) of the grey images the writer makes from colour ones.
constexpr int32_t kGrayWeightRed = 21;
constexpr int32_t kGrayWeightGreen = 71;
constexpr int32_t kGrayWeightBlue = 8;

// Reads `count` bytes at the position and puts the position back; false when fewer were there.
bool PeekBytes(vcl::TStream* stream, uint8_t* buffer, int32_t count) {
  const int64_t start = stream->Position();
  const bool complete = stream->Read(buffer, count) == count;
  stream->SetPosition(start);
  return complete;
}

// The YCbCr to RGB tables (BT.601 weights), built once in single precision.
struct TYCbCrTables {
  std::array<int32_t, 256> crToRed, cbToBlue, crToGreen, cbToGreen;
};

const TYCbCrTables& YCbCrTables() {
  static const TYCbCrTables tables = [] {
    TYCbCrTables t{};
    const float red = 0.299f, green = 0.587f, blue = 0.114f;
    const float crRed = 2.0f - 2.0f * red;
    const float cbBlue = 2.0f - 2.0f * blue;
    for (int i = 0; i < 256; ++i) {
      const float d = float(i - 128);
      t.crToRed[i] = int32_t(std::nearbyint(crRed * d));
      t.cbToBlue[i] = int32_t(std::nearbyint(cbBlue * d));
      t.crToGreen[i] = -int32_t(std::nearbyint(red * crRed / green * d));
      t.cbToGreen[i] = -int32_t(std::nearbyint(blue * cbBlue / green * d));
    }
    return t;
  }();
  return tables;
}

uint8_t Clamp8(int32_t value) { return uint8_t(std::clamp(value, 0, 255)); }

struct TImageDeleter {
  void operator()(j2k_lib_image* image) const { j2k_lib_image_destroy(image); }
};
using TDecodedImage = std::unique_ptr<j2k_lib_image, TImageDeleter>;

// One component mapped onto the image grid, its samples reduced to 8 bits.
class TComponentReader {
 public:
  TComponentReader(const j2k_lib_image& image, const j2k_lib_component& component, int32_t width, int32_t height)
      : component_(component), columns_(size_t(width)), rows_(size_t(height)) {
    // Image pixel x lies at grid x0 + x; its component sample is the one covering that point.
    for (int32_t x = 0; x < width; ++x) columns_[size_t(x)] = Map(image.x0 + uint32_t(x), component.dx, component.x0, component.w);
    for (int32_t y = 0; y < height; ++y) rows_[size_t(y)] = Map(image.y0 + uint32_t(y), component.dy, component.y0, component.h);
    const int32_t precision = component.precision;
    offset_ = component.is_signed ? int64_t(1) << (precision - 1) : 0;
    maximum_ = (int64_t(1) << precision) - 1;
    shift_ = precision - 8;
  }

  uint8_t Sample(int32_t x, int32_t y) const {
    const size_t index = size_t(rows_[size_t(y)]) * component_.w + columns_[size_t(x)];
    const int64_t value = std::clamp<int64_t>(int64_t(component_.data[index]) + offset_, 0, maximum_);
    // Wider samples keep their top 8 bits; narrower ones move up to them.
    return uint8_t(shift_ >= 0 ? value >> shift_ : value << -shift_);
  }

 private:
  static uint32_t Map(uint32_t grid, uint32_t step, uint32_t origin, uint32_t size) {
    const int64_t index = int64_t(grid / step) - int64_t(origin);
    return (index < 0 || index >= int64_t(size)) ? 0 : uint32_t(index);
  }

  const j2k_lib_component& component_;
  std::vector<uint32_t> columns_;
  std::vector<uint32_t> rows_;
  int64_t offset_ = 0;
  int64_t maximum_ = 255;
  int32_t shift_ = 0;
};

enum class TColourModel { Grey, RGB, YCbCr };

// How the components are to be read; false for colour spaces and layouts the reader does not
// turn into pixels.
bool ColourModelOf(const j2k_lib_image& image, TColourModel& model) {
  const int32_t count = image.component_count;
  switch (image.color_space) {
    case J2K_LIB_GRAY: model = TColourModel::Grey; break;
    case J2K_LIB_SRGB: model = TColourModel::RGB; break;
    case J2K_LIB_SYCC: model = TColourModel::YCbCr; break;
    case J2K_LIB_UNSPECIFIED:
      // Bare code streams name no colour space: three components are colour, subsampled
      // chroma meaning YCbCr.
      if (count < 3)
        model = TColourModel::Grey;
      else if (image.components[1].dx != 1 || image.components[1].dy != 1)
        model = TColourModel::YCbCr;
      else
        model = TColourModel::RGB;
      break;
    default: return false;
  }
  if (model != TColourModel::Grey && count < 3) return false;
  const int32_t used = model == TColourModel::Grey ? 1 : 3;
  for (int32_t i = 0; i < used; ++i)
    if (image.components[i].precision < 1 || image.components[i].precision > 31) return false;
  return true;
}

}  // namespace

bool IsJP2Stream(vcl::TStream* Stream) {
  uint8_t head[12];
  if (!PeekBytes(Stream, head, 12)) return false;
  return vcl::be::U32(head) == 12 && vcl::be::U32(head + 4) == 0x6A502020 &&
         vcl::be::U32(head + 8) == 0x0D0A870A;
}

bool IsJ2KStream(vcl::TStream* Stream) {
  uint8_t head[4];
  if (!PeekBytes(Stream, head, 4)) return false;
  return head[0] == 0xFF && head[1] == 0x4F && head[2] == 0xFF && head[3] == 0x51;
}

void ReadJPEG2000Stream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                        bool Preview) {
  int format = 0;
  if (IsJP2Stream(Stream))
    format = J2K_LIB_JP2;
  else if (IsJ2KStream(Stream))
    format = J2K_LIB_CODESTREAM;
  else
    return Progress.Abort();

  const int64_t remaining = Stream->Size() - Stream->Position();
  if (remaining <= 0 || remaining >= INT32_MAX) return Progress.Abort();
  std::vector<uint8_t> data(static_cast<size_t>(remaining));
  data.resize(static_cast<size_t>(std::max<int32_t>(0, Stream->Read(data.data(), int32_t(remaining)))));

  TDecodedImage image(j2k_lib_decode(data.data(), data.size(), format, Preview ? 1 : 0, kMaxJPEG2000Samples));
  if (!image) return Progress.Abort();
  TColourModel model;
  if (!ColourModelOf(*image, model)) return Progress.Abort();
  const int64_t width64 = int64_t(image->x1) - image->x0;
  const int64_t height64 = int64_t(image->y1) - image->y0;
  if (width64 <= 0 || height64 <= 0 || width64 > INT32_MAX || height64 > INT32_MAX) return Progress.Abort();
  const int32_t width = int32_t(width64), height = int32_t(height64);

  Params.SetImageCount(1);
  Params.BitsPerSample = image->components[0].precision;
  Params.SamplesPerPixel = model == TColourModel::Grey ? 1 : 3;
  Params.SetDpiX(IEDefaultDpiX);
  Params.SetDpiY(IEDefaultDpiY);
  Params.FreeColorMap();
  Params.Width = Params.StoredWidth = width;
  Params.Height = Params.StoredHeight = height;
  if (Preview) return;

  const bool bilevel = Params.BitsPerSample == 1 && Params.SamplesPerPixel == 1;
  TIEBitmap work;
  if (!work.Allocate(width, height, bilevel ? ie1g : ie24RGB)) return Progress.Abort();
  work.Fill(0);
  const int32_t used = model == TColourModel::Grey ? 1 : 3;
  std::vector<std::unique_ptr<TComponentReader>> readers;
  for (int32_t i = 0; i < used; ++i)
    readers.push_back(std::make_unique<TComponentReader>(*image, image->components[i], width, height));
  // An opacity component after the colour ones (as this writer makes them) becomes the alpha
  // channel; further components are not pixels of this image.
  std::unique_ptr<TComponentReader> opacity;
  std::unique_ptr<TIEBitmap> alpha;
  if (model != TColourModel::Grey && image->component_count >= 4 && image->components[3].is_alpha &&
      image->components[3].precision >= 1 && image->components[3].precision <= 31) {
    opacity = std::make_unique<TComponentReader>(*image, image->components[3], width, height);
    alpha = TIEBitmap::CreateAlphaChannel(width, height, ieMemory);
    if (!alpha || alpha->IsEmpty()) return Progress.Abort();
  }

  const TYCbCrTables& tables = YCbCrTables();
  Progress.Per1 = 100.0 / height;
  for (int32_t y = 0; y < height; ++y) {
    if (Progress.IsAborting()) return;
    auto* row = static_cast<uint8_t*>(work.GetScanline(y));
    if (bilevel) {
      for (int32_t x = 0; x < width; ++x)
        if (readers[0]->Sample(x, y)) row[x >> 3] |= uint8_t(0x80 >> (x & 7));
    } else if (model == TColourModel::Grey) {
      for (int32_t x = 0; x < width; ++x) row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = readers[0]->Sample(x, y);
    } else if (model == TColourModel::RGB) {
      for (int32_t x = 0; x < width; ++x) {
        row[3 * x] = readers[2]->Sample(x, y);
        row[3 * x + 1] = readers[1]->Sample(x, y);
        row[3 * x + 2] = readers[0]->Sample(x, y);
      }
    } else {
      for (int32_t x = 0; x < width; ++x) {
        const int32_t luma = readers[0]->Sample(x, y);
        const uint8_t cb = readers[1]->Sample(x, y), cr = readers[2]->Sample(x, y);
        row[3 * x] = Clamp8(luma + tables.cbToBlue[cb]);
        row[3 * x + 1] = Clamp8(luma + tables.cbToGreen[cb] + tables.crToGreen[cr]);
        row[3 * x + 2] = Clamp8(luma + tables.crToRed[cr]);
      }
    }
    if (opacity) {
      auto* alphaRow = static_cast<uint8_t*>(alpha->GetScanline(y));
      for (int32_t x = 0; x < width; ++x) alphaRow[x] = opacity->Sample(x, y);
    }
    Progress.Report(static_cast<int32_t>(y * Progress.Per1));
  }
  if (alpha) {
    alpha->SetIsAlphaChannel(true);
    work.AttachAlphaChannel(std::move(alpha));
  }
  if (Bitmap->Location() == ieTBitmap)
    Bitmap->Assign(&work);
  else
    work.MoveContentTo(Bitmap);
}

void WriteJPEG2000Stream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress,
                         int32_t Format) {
  const int32_t width = Bitmap->Width(), height = Bitmap->Height();
  if (width <= 0 || height <= 0) return Progress.Abort();
  TIEBitmap* source = Bitmap;
  std::unique_ptr<TIEBitmap> copy;
  if (source->PixelFormat() != ie1g && source->PixelFormat() != ie24RGB) {
    copy = ConvertedCopy(Bitmap, ie24RGB);
    source = copy.get();
  }
  const bool bilevel = source->PixelFormat() == ie1g;
  if (bilevel) {
    Params.BitsPerSample = 1;
    Params.J2000ColorSpace = 0;
  }
  // Depths the format cannot carry fall back to 8 bits; colour spaces beyond YCbCr to RGB.
  const int32_t precision = (Params.BitsPerSample >= 1 && Params.BitsPerSample <= 16) ? Params.BitsPerSample : 8;
  const int64_t maximum = (int64_t(1) << precision) - 1;
  const bool grey = Params.J2000ColorSpace == 0;

  bool opaque = true;
  TIEBitmap* alpha = (!grey && Bitmap->HasAlphaChannel()) ? Bitmap->AlphaChannel() : nullptr;
  if (alpha) {
    for (int32_t y = 0; y < height && opaque; ++y) {
      const auto* row = static_cast<const uint8_t*>(alpha->GetScanline(y));
      for (int32_t x = 0; x < width; ++x)
        if (row[x] != 255) {
          opaque = false;
          break;
        }
    }
  }
  const int32_t count = grey ? 1 : (opaque ? 3 : 4);
  const size_t samples = size_t(width) * size_t(height);
  std::vector<std::vector<int>> planes(static_cast<size_t>(count), std::vector<int>(samples));
  // Exact integer scaling: an 8-bit sample written at 8 bits stays the same value.
  auto scale = [maximum](int64_t value) { return int(value * maximum / 255); };

  Progress.Per1 = 100.0 / height;
  Progress.Val = 0;
  for (int32_t y = 0; y < height; ++y) {
    if (Progress.IsAborting()) return;
    const auto* row = static_cast<const uint8_t*>(source->GetScanline(y));
    const size_t base = size_t(y) * size_t(width);
    for (int32_t x = 0; x < width; ++x) {
      if (bilevel) {
        const bool set = row[x >> 3] & (0x80 >> (x & 7));
        if (grey)
          planes[0][base + x] = set ? int(maximum) : 0;
        else
          for (int32_t c = 0; c < 3; ++c) planes[size_t(c)][base + x] = set ? int(maximum) : 0;
      } else {
        const int64_t blue = row[3 * x], green = row[3 * x + 1], red = row[3 * x + 2];
        if (grey) {
          const int64_t level = (red * kGrayWeightRed + green * kGrayWeightGreen + blue * kGrayWeightBlue) / 100;
          planes[0][base + x] = scale(level);
        } else {
          planes[0][base + x] = scale(red);
          planes[1][base + x] = scale(green);
          planes[2][base + x] = scale(blue);
        }
      }
    }
    if (count == 4) {
      const auto* alphaRow = static_cast<const uint8_t*>(alpha->GetScanline(y));
      for (int32_t x = 0; x < width; ++x) planes[3][base + x] = scale(alphaRow[x]);
    }
    Progress.Report(static_cast<int32_t>(y * Progress.Per1));
  }

  std::vector<const int*> planePointers;
  for (const auto& plane : planes) planePointers.push_back(plane.data());
  j2k_lib_encode_params options{};
  options.format = Format == ieJ2KFormatCodeStream ? J2K_LIB_CODESTREAM : J2K_LIB_JP2;
  options.width = unsigned(width);
  options.height = unsigned(height);
  options.component_count = count;
  options.precision = precision;
  options.planes = planePointers.data();
  options.rate = Params.J2000Rate;
  options.progression = Params.J2000ProgressionOrder;
  size_t size = 0;
  std::unique_ptr<unsigned char, void (*)(void*)> encoded(j2k_lib_encode(&options, &size), j2k_lib_free);
  if (!encoded || size > size_t(INT32_MAX)) return Progress.Abort();
  bool error = false;
  StreamWriteChecked(Stream, error, encoded.get(), int32_t(size));
  if (error) Progress.Abort();
}

namespace {

void WriteJP2Row(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress) {
  WriteJPEG2000Stream(stream, bitmap, params, progress, ieJ2KFormatJP2);
}

void WriteJ2KRow(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress) {
  WriteJPEG2000Stream(stream, bitmap, params, progress, ieJ2KFormatCodeStream);
}

bool TryJP2(vcl::TStream* stream, int32_t) { return IsJP2Stream(stream); }
bool TryJ2K(vcl::TStream* stream, int32_t) { return IsJ2KStream(stream); }

}  // namespace

void RegisterJPEG2000Formats() {
  if (TIEFileFormatInfo* row = GetFileFormatInfo(13)) {
    row->ReadFunction = ReadJPEG2000Stream;
    row->WriteFunction = WriteJP2Row;
    row->TryFunction = TryJP2;
  }
  if (TIEFileFormatInfo* row = GetFileFormatInfo(14)) {
    row->ReadFunction = ReadJPEG2000Stream;
    row->WriteFunction = WriteJ2KRow;
    row->TryFunction = TryJ2K;
  }
}

}  // namespace imaging
