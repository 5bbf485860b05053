// One frame of DICOM pixel data: found in native or encapsulated data, decoded by transfer
// syntax, and for 16-bit grey mapped through the value transform. Every size comes from the
// data set and is checked against the data before anything is allocated or read.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/text_helpers.h"
#include "imaging/codecs/dicom/dicom_context.h"
#include "imaging/codecs/dicom/dicom_decoders.h"
#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/codecs/jpeg2000/jpeg2000_codec.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "vcl/runtime/byte_order.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

enum class TCoding { Uncompressed, Baseline, JPEG2000, Lossless, RLE, Refused };

TCoding CodingOf(const std::string& syntax) {
  // No transfer syntax: a data set without file meta information, in implicit little endian.
  if (syntax.empty() || syntax == "1.2.840.10008.1.2" || syntax == "1.2.840.10008.1.2.1" ||
      syntax == "1.2.840.10008.1.2.2")
    return TCoding::Uncompressed;
  if (syntax == "1.2.840.10008.1.2.4.50") return TCoding::Baseline;
  // JPEG 2000, lossless only and lossy: the same code stream either way.
  if (syntax == "1.2.840.10008.1.2.4.90" || syntax == "1.2.840.10008.1.2.4.91") return TCoding::JPEG2000;
  if (syntax == "1.2.840.10008.1.2.4.57" || syntax == "1.2.840.10008.1.2.4.70") return TCoding::Lossless;
  if (syntax == "1.2.840.10008.1.2.5") return TCoding::RLE;
  // Every other syntax is compressed (JPEG extended and LS, deflate, MPEG) or
  // unknown: read as raw samples it would show its compressed bytes as a picture.
  return TCoding::Refused;
}

// A frame no data could fill is damage, not a picture to allocate.
constexpr int64_t kMaxDICOMSamples = int64_t(1) << 30;

bool IsPhotometric(const TDICOMContext& c, const char* name) { return UpperCaseString(TrimString(c.Photometric)) == name; }

class TDICOMRowProgress {
 public:
  TDICOMRowProgress(const TCodecProgress& progress, int64_t total) : progress_(progress), total_(std::max<int64_t>(total, 1)) {}
  void Step(int64_t row) {
    if (!progress_.OnProgressCode) return;
    const int32_t percent = int32_t(row * 100 / total_);
    if (percent != last_) progress_.Report(percent);
    last_ = percent;
  }

 private:
  const TCodecProgress& progress_;
  int64_t total_;
  int32_t last_ = -1;
};

// Rescale, window and contrast stretch of 16-bit grey samples. The stretch spans the smallest to
// the largest transformed value; an image of one value keeps its samples.
void ApplyDICOMValueTransform16(const TDICOMContext& c, TIEBitmap* bitmap) {
  const int32_t width = bitmap->Width(), height = bitmap->Height();
  const bool window = c.WindowCenter != -1 && c.WindowWidth != -1;
  const double centre = c.WindowCenter, w = c.WindowWidth;
  const double low = std::trunc(centre - 0.5 - (w - 1) / 2), high = std::trunc(centre - 0.5 + (w - 1) / 2);
  std::vector<double> values(size_t(width) * height);
  double smallest = 0, largest = 0;
  for (int32_t y = 0; y < height; ++y) {
    const auto* row = static_cast<const uint16_t*>(bitmap->GetScanline(y));
    for (int32_t x = 0; x < width; ++x) {
      const double stored = c.PixelRepresentation == 1 ? double(int16_t(row[x])) : double(row[x]);
      double v = stored * c.RescaleSlope + c.RescaleIntercept;
      if (window) {
        // A window one value wide is a step at its centre.
        if (w <= 1)
          v = v < centre - 0.5 ? 0 : 65535;
        else if (v <= low)
          v = 0;
        else if (v >= high)
          v = 65535;
        else
          v = ((v - (centre - 0.5)) / (w - 1) + 0.5) * 65535;
      }
      values[size_t(y) * width + x] = v;
      if ((x == 0 && y == 0) || v < smallest) smallest = v;
      if ((x == 0 && y == 0) || v > largest) largest = v;
    }
  }
  if (largest <= smallest) return;
  for (int32_t y = 0; y < height; ++y) {
    auto* row = static_cast<uint16_t*>(bitmap->GetScanline(y));
    for (int32_t x = 0; x < width; ++x)
      row[x] = uint16_t(std::clamp(std::trunc((values[size_t(y) * width + x] - smallest) / (largest - smallest) * 65535),
                                   0.0, 65535.0));
  }
}

// MONOCHROME1 shows its smallest value white.
void ApplyMonochrome1Inversion16(const TDICOMContext& c, TIEBitmap* bitmap) {
  if (!IsPhotometric(c, "MONOCHROME1")) return;
  for (int32_t y = 0; y < bitmap->Height(); ++y) {
    auto* row = static_cast<uint16_t*>(bitmap->GetScanline(y));
    for (int32_t x = 0; x < bitmap->Width(); ++x) row[x] = uint16_t(65535 - row[x]);
  }
}

void ApplyMonochrome1Inversion8(const TDICOMContext& c, TIEBitmap* bitmap) {
  if (!IsPhotometric(c, "MONOCHROME1")) return;
  for (int32_t y = 0; y < bitmap->Height(); ++y) {
    auto* row = static_cast<uint8_t*>(bitmap->GetScanline(y));
    for (int32_t x = 0; x < bitmap->Width(); ++x) row[x] = uint8_t(255 - row[x]);
  }
}

// A palette colour entry: the table's entry for the index (the last one past its end), grey
// when the file has no table.
uint16_t LookUp(const std::vector<uint16_t>& table, uint32_t index) {
  if (table.empty()) return uint16_t(std::min<uint32_t>(index, 255) * 257);
  return table[std::min<size_t>(index, table.size() - 1)];
}

bool Allocate(TIEBitmap* bitmap, int32_t width, int32_t height, TIEPixelFormat format) {
  if (!bitmap->Allocate(width, height, format)) return false;
  bitmap->Fill(0);
  return true;
}

// Grey samples of up to 8 bits as 8-bit grey; 16-bit grey goes through the value transform.
void FinishGrey(const TDICOMContext& c, TIEBitmap* bitmap) {
  if (bitmap->PixelFormat() == ie16g) {
    ApplyDICOMValueTransform16(c, bitmap);
    ApplyMonochrome1Inversion16(c, bitmap);
  } else {
    ApplyMonochrome1Inversion8(c, bitmap);
  }
}

void FillFromPalette(const TDICOMContext& c, TIEBitmap* bitmap, int32_t y, const uint32_t* indexes) {
  auto* row = static_cast<TRGB*>(bitmap->GetScanline(y));
  for (int32_t x = 0; x < c.Columns; ++x)
    row[x] = TRGB{uint8_t(LookUp(c.BlueLUT, indexes[x]) / 257), uint8_t(LookUp(c.GreenLUT, indexes[x]) / 257),
                  uint8_t(LookUp(c.RedLUT, indexes[x]) / 257)};
}

void DecodeUncompressed(TDICOMContext& c) {
  vcl::TStream* s = c.Stream;
  const int32_t bytes = c.BitsAllocated <= 8 ? 1 : 2;
  const bool wide = c.BitsStored > 8;
  const bool palette = IsPhotometric(c, "PALETTE COLOR");
  const int64_t frameBytes = int64_t(c.Columns) * c.Rows * c.SamplesPerPixel * bytes;
  if (s->Position() + frameBytes > c.StreamSize) return c.Progress.Abort();
  std::vector<uint8_t> data(static_cast<size_t>(frameBytes));
  if (s->Read(data.data(), int32_t(frameBytes)) != int32_t(frameBytes)) return c.Progress.Abort();
  const bool swap = !c.LittleEndian;
  const uint32_t mask = c.BitsStored >= 16 ? 0xFFFF : (1u << c.BitsStored) - 1;
  auto sample = [&](int64_t i) -> uint32_t {
    if (bytes == 1) return data[size_t(i)];
    uint16_t w;
    std::memcpy(&w, &data[size_t(i) * 2], 2);
    return (swap ? vcl::Swap16(w) : w) & mask;
  };
  const int32_t shift = wide ? 0 : 8 - c.BitsStored;
  TIEBitmap* b = c.Bitmap;
  const int64_t plane = int64_t(c.Columns) * c.Rows;
  TDICOMRowProgress progress(c.Progress, c.Rows);
  TIEPixelFormat format = ie8g;
  if (c.SamplesPerPixel == 3) format = ie24RGB;
  else if (palette) format = wide ? ieRGB48 : ie24RGB;
  else if (wide) format = ie16g;
  if (!Allocate(b, c.Columns, c.Rows, format)) return c.Progress.Abort();
  std::vector<uint32_t> indexes(size_t(c.Columns));
  for (int32_t y = 0; y < c.Rows; ++y) {
    progress.Step(y);
    const int64_t first = int64_t(y) * c.Columns;
    if (c.SamplesPerPixel == 3) {
      auto* row = static_cast<TRGB*>(b->GetScanline(y));
      for (int32_t x = 0; x < c.Columns; ++x) {
        auto at = [&](int32_t k) {
          const int64_t i = c.PlanarConfiguration == 1 ? k * plane + first + x : (first + x) * 3 + k;
          return uint8_t(sample(i) << shift);
        };
        row[x] = TRGB{at(2), at(1), at(0)};
      }
    } else if (palette && !wide) {
      for (int32_t x = 0; x < c.Columns; ++x) indexes[x] = sample(first + x);
      FillFromPalette(c, b, y, indexes.data());
    } else if (palette) {
      auto* row = static_cast<uint16_t*>(b->GetScanline(y));
      for (int32_t x = 0; x < c.Columns; ++x) {
        const uint32_t v = sample(first + x);
        row[x * 3] = LookUp(c.RedLUT, v), row[x * 3 + 1] = LookUp(c.GreenLUT, v), row[x * 3 + 2] = LookUp(c.BlueLUT, v);
      }
    } else if (wide) {
      auto* row = static_cast<uint16_t*>(b->GetScanline(y));
      for (int32_t x = 0; x < c.Columns; ++x) row[x] = uint16_t(sample(first + x));
    } else {
      auto* row = static_cast<uint8_t*>(b->GetScanline(y));
      for (int32_t x = 0; x < c.Columns; ++x) row[x] = uint8_t(sample(first + x) << shift);
    }
    if (c.Progress.IsAborting()) return;
  }
  if (c.SamplesPerPixel == 1 && !palette) FinishGrey(c, b);
}

void DecodeBaseline(TDICOMContext& c, const std::vector<uint8_t>& data) {
  vcl::TMemoryStream stream;
  stream.WriteBuffer(data.data(), int32_t(data.size()));
  stream.SetPosition(0);
  TIOParamsVals params(nullptr);
  ReadJPEGStream(&stream, nullptr, c.Bitmap, params, c.Progress, false, false, false, false, false, false, -1, true);
  if (c.Progress.IsAborting()) return;
  if (c.Bitmap->PixelFormat() == ie8g) FinishGrey(c, c.Bitmap);
}

void DecodeJPEG2000(TDICOMContext& c, const std::vector<uint8_t>& data) {
  vcl::TMemoryStream stream;
  stream.WriteBuffer(data.data(), int32_t(data.size()));
  stream.SetPosition(0);
  TIOParamsVals params(nullptr);
  ReadJPEG2000Stream(&stream, c.Bitmap, params, c.Progress, false);
  if (c.Progress.IsAborting()) return;
  if (c.SamplesPerPixel != 1 || c.Bitmap->PixelFormat() != ie24RGB) return;
  // The JPEG 2000 reader gives grey as colour of three equal channels: the grey transforms
  // work on one byte per sample.
  TIEBitmap grey;
  if (!Allocate(&grey, c.Bitmap->Width(), c.Bitmap->Height(), ie8g)) return c.Progress.Abort();
  for (int32_t y = 0; y < grey.Height(); ++y) {
    const auto* in = static_cast<const uint8_t*>(c.Bitmap->GetScanline(y));
    auto* out = static_cast<uint8_t*>(grey.GetScanline(y));
    for (int32_t x = 0; x < grey.Width(); ++x) out[x] = in[x * 3 + 1];
  }
  c.Bitmap->Assign(&grey);
  FinishGrey(c, c.Bitmap);
}

void DecodeLossless(TDICOMContext& c, const std::vector<uint8_t>& data) {
  const int64_t samples = int64_t(c.Columns) * c.Rows * c.SamplesPerPixel;
  // Each sample takes at least one bit of coded data.
  if (samples > int64_t(data.size()) * 8 + 64) return c.Progress.Abort();
  const TLosslessJPEGShape shape{c.Columns, c.Rows, c.SamplesPerPixel};
  TIEBitmap* b = c.Bitmap;
  if (c.SamplesPerPixel == 1 && c.BitsStored > 8) {
    std::vector<uint16_t> out(static_cast<size_t>(samples));
    if (!DecodeDICOMLosslessJPEG(data.data(), int64_t(data.size()), out.data(), nullptr, shape, &c.Progress) ||
        !Allocate(b, c.Columns, c.Rows, ie16g))
      return c.Progress.Abort();
    for (int32_t y = 0; y < c.Rows; ++y)
      std::memcpy(b->GetScanline(y), &out[size_t(y) * c.Columns], size_t(c.Columns) * 2);
    FinishGrey(c, b);
    return;
  }
  if (c.SamplesPerPixel != 1 && c.SamplesPerPixel != 3) return c.Progress.Abort();
  std::vector<uint8_t> out(static_cast<size_t>(samples));
  if (!DecodeDICOMLosslessJPEG(data.data(), int64_t(data.size()), nullptr, out.data(), shape, &c.Progress) ||
      !Allocate(b, c.Columns, c.Rows, c.SamplesPerPixel == 3 ? ie24RGB : ie8g))
    return c.Progress.Abort();
  for (int32_t y = 0; y < c.Rows; ++y) {
    auto* row = static_cast<uint8_t*>(b->GetScanline(y));
    const uint8_t* in = &out[size_t(y) * c.Columns * c.SamplesPerPixel];
    if (c.SamplesPerPixel == 1) {
      std::memcpy(row, in, size_t(c.Columns));
    } else {
      for (int32_t x = 0; x < c.Columns; ++x) row[x * 3] = in[x * 3 + 2], row[x * 3 + 1] = in[x * 3 + 1], row[x * 3 + 2] = in[x * 3];
    }
  }
  if (c.SamplesPerPixel == 1) FinishGrey(c, b);
}

void DecodeDICOMRLE(TDICOMContext& c, const std::vector<uint8_t>& data) {
  const int64_t size = int64_t(data.size());
  if (size < 64) return c.Progress.Abort();
  const uint32_t count = vcl::le::U32(data.data());
  const bool wide = c.BitsStored > 8;
  const uint32_t needed = c.SamplesPerPixel == 3 ? 3 : wide ? 2 : 1;
  if ((c.SamplesPerPixel != 1 && c.SamplesPerPixel != 3) || (c.SamplesPerPixel == 3 && wide) || count < needed ||
      count > 15)
    return c.Progress.Abort();
  const int64_t plane = int64_t(c.Columns) * c.Rows;
  // A run of 128 takes two bytes.
  if (plane * needed > (size + 1) * 64) return c.Progress.Abort();
  // Each segment runs to the next one's start, the last to the end of the data.
  std::vector<std::vector<uint8_t>> planes(needed);
  for (uint32_t k = 0; k < needed; ++k) {
    const int64_t from = vcl::le::U32(data.data() + 4 + 4 * k);
    const int64_t to = k + 1 < count ? int64_t(vcl::le::U32(data.data() + 8 + 4 * k)) : size;
    if (from < 64 || to < from || to > size) return c.Progress.Abort();
    planes[k].assign(size_t(plane), 0);
    int64_t produced = 0;
    DecodeDICOMRLESegment(data.data() + from, to - from, planes[k].data(), plane, &produced);
    if (produced < plane) return c.Progress.Abort();
  }
  TIEBitmap* b = c.Bitmap;
  const bool palette = IsPhotometric(c, "PALETTE COLOR");
  TIEPixelFormat format = c.SamplesPerPixel == 3 || palette ? ie24RGB : wide ? ie16g : ie8g;
  if (wide && palette) format = ieRGB48;
  if (!Allocate(b, c.Columns, c.Rows, format)) return c.Progress.Abort();
  TDICOMRowProgress progress(c.Progress, c.Rows);
  std::vector<uint32_t> indexes(size_t(c.Columns));
  for (int32_t y = 0; y < c.Rows; ++y) {
    progress.Step(y);
    const size_t first = size_t(y) * c.Columns;
    if (c.SamplesPerPixel == 3) {
      auto* row = static_cast<TRGB*>(b->GetScanline(y));
      for (int32_t x = 0; x < c.Columns; ++x)
        row[x] = TRGB{planes[2][first + x], planes[1][first + x], planes[0][first + x]};
    } else if (palette && !wide) {
      for (int32_t x = 0; x < c.Columns; ++x) indexes[x] = planes[0][first + x];
      FillFromPalette(c, b, y, indexes.data());
    } else if (palette) {
      auto* row = static_cast<uint16_t*>(b->GetScanline(y));
      for (int32_t x = 0; x < c.Columns; ++x) {
        const uint32_t v = uint32_t(planes[0][first + x]) << 8 | planes[1][first + x];
        row[x * 3] = LookUp(c.RedLUT, v), row[x * 3 + 1] = LookUp(c.GreenLUT, v), row[x * 3 + 2] = LookUp(c.BlueLUT, v);
      }
    } else if (wide) {
      auto* row = static_cast<uint16_t*>(b->GetScanline(y));
      for (int32_t x = 0; x < c.Columns; ++x) row[x] = uint16_t(planes[0][first + x] << 8 | planes[1][first + x]);
    } else {
      std::memcpy(b->GetScanline(y), &planes[0][first], size_t(c.Columns));
    }
  }
  if (c.SamplesPerPixel == 1 && !palette) FinishGrey(c, b);
}

}  // namespace

void ReadDICOMPixels(TDICOMContext& c) {
  vcl::TStream* s = c.Stream;
  const int32_t frame = std::clamp(c.Params.ImageIndex, 0, std::max(c.FrameCount, 1) - 1);
  c.Params.SetImageIndex(frame);
  const TCoding coding = CodingOf(c.TransferSyntax);
  // The attributes must describe a picture this reader can hold.
  const bool sampleLayout = c.SamplesPerPixel == 1 || (c.SamplesPerPixel == 3 && c.BitsStored <= 8);
  if (coding == TCoding::Refused || c.Columns <= 0 || c.Rows <= 0 || !sampleLayout || c.BitsStored < 1 ||
      c.BitsStored > 16 || c.BitsAllocated > 16 || (c.BitsStored > 8 && c.BitsAllocated <= 8) ||
      int64_t(c.Columns) * c.Rows * c.SamplesPerPixel > kMaxDICOMSamples)
    return c.Progress.Abort();
  const bool swap = !c.LittleEndian;
  auto readItem = [&](uint32_t& length) {
    uint16_t group, element;
    if (!DICOMReadWord(c, swap, group) || !DICOMReadWord(c, swap, element) || !DICOMReadDWord(c, swap, length))
      return false;
    return group == 0xFFFE && element == 0xE000;
  };

  int64_t pixelLength = 0;
  if (coding != TCoding::Uncompressed) {
    const int64_t here = s->Position();
    uint32_t tableLength = 0;
    if (readItem(tableLength)) {
      // The basic offset table: each frame is one item, found by its offset or by counting.
      const int64_t tableStart = s->Position();
      if (tableLength == 0xFFFFFFFF || tableStart + int64_t(tableLength) > c.StreamSize) return c.Progress.Abort();
      const int64_t itemsStart = tableStart + tableLength;
      bool located = false;
      if (tableLength >= uint32_t(frame + 1) * 4) {
        uint32_t offset;
        s->SetPosition(tableStart + int64_t(frame) * 4);
        if (!DICOMReadDWord(c, swap, offset)) return c.Progress.Abort();
        if (itemsStart + int64_t(offset) < c.StreamSize) {
          s->SetPosition(itemsStart + offset);
          located = true;
        }
      }
      if (!located) {
        s->SetPosition(itemsStart);
        for (int32_t i = 0; i < frame; ++i) {
          uint32_t length;
          if (!readItem(length) || length == 0xFFFFFFFF || s->Position() + int64_t(length) > c.StreamSize)
            return c.Progress.Abort();
          s->SetPosition(s->Position() + length);
        }
      }
      uint32_t length;
      if (!readItem(length) || length == 0xFFFFFFFF) return c.Progress.Abort();
      pixelLength = length;
    } else {
      s->SetPosition(here);
    }
  } else {
    const int64_t bytes = c.BitsAllocated <= 8 ? 1 : 2;
    s->SetPosition(s->Position() + int64_t(frame) * c.Columns * c.Rows * c.SamplesPerPixel * bytes);
  }
  if (s->Position() + pixelLength > c.StreamSize) return c.Progress.Abort();

  if (coding == TCoding::Uncompressed) return DecodeUncompressed(c);
  const int64_t length = pixelLength ? pixelLength : c.StreamSize - s->Position();
  std::vector<uint8_t> data(size_t(std::max<int64_t>(length, 0)));
  if (!data.empty() && s->Read(data.data(), int32_t(data.size())) != int32_t(data.size())) return c.Progress.Abort();
  switch (coding) {
    case TCoding::Baseline: return DecodeBaseline(c, data);
    case TCoding::JPEG2000: return DecodeJPEG2000(c, data);
    case TCoding::Lossless: return DecodeLossless(c, data);
    case TCoding::RLE: return DecodeDICOMRLE(c, data);
    default: return c.Progress.Abort();
  }
}

}  // namespace imaging
