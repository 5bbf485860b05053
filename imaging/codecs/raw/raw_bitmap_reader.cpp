#include "imaging/codecs/raw/raw_bitmap_reader.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/base/bit_helpers.h"
#include "imaging/base/buffered_read_stream.h"
#include "imaging/base/text_helpers.h"
#include "imaging/model/colour_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/file_formats.h"
#include "imaging/params/io_params.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

constexpr int32_t kBufferSize = 8192;
// Longer runs of digits are cut here (the rest of the run starts the next sample).
constexpr int32_t kMaxDigits = 34;

enum class TSampleKind { Byte, Word, Float };

TSampleKind SampleKindOf(TIEPixelFormat format) {
  switch (format) {
    case ie16g:
    case ieRGB48: return TSampleKind::Word;
    case ie32f: return TSampleKind::Float;
    default: return TSampleKind::Byte;
  }
}

bool IsDecimalDigit(uint8_t c) { return c >= '0' && c <= '9'; }
bool IsHexDigitUpper(uint8_t c) { return IsDecimalDigit(c) || (c >= 'A' && c <= 'F'); }

// Reads samples from the buffered stream in the block's data format.
class TRawSampleReader {
 public:
  TRawSampleReader(vcl::TStream* stream, uint8_t dataFormat) : stream_(stream), dataFormat_(dataFormat) {}

  // One row: `byteCount` bytes of binary data, or pixelCount x channels text samples stored as
  // `kind` (for ie1g images, one bit per sample). False once the data are exhausted.
  bool ReadRow(uint8_t* destination, int32_t pixelCount, int64_t byteCount, int32_t channels, TSampleKind kind,
               bool bits) {
    if (dataFormat_ == 0) {
      return stream_->Read(destination, int32_t(byteCount)) == int32_t(byteCount);
    }
    const int64_t samples = int64_t(pixelCount) * channels;
    for (int64_t i = 0; i < samples; ++i) {
      std::string digits;
      if (!NextSample(digits)) return false;
      Store(destination, i, digits, kind, bits);
    }
    return true;
  }

  void Skip(int64_t count) {
    if (count > 0) stream_->Seek(count, vcl::soCurrent);
  }

 private:
  bool Hex() const { return dataFormat_ == 2; }
  bool IsSampleCharacter(uint8_t c) const { return Hex() ? IsHexDigitUpper(c) : IsDecimalDigit(c); }

  // The next run of digits, after any separators; false at the end of the data.
  bool NextSample(std::string& digits) {
    uint8_t c = 0;
    // Passes over separators; the first digit read starts the run.
    do {
      if (stream_->Read(&c, 1) != 1) return false;
    } while (!IsSampleCharacter(c));
    digits.assign(1, char(c));
    // The byte that ends the run is consumed with it.
    while (int32_t(digits.size()) <= kMaxDigits && stream_->Read(&c, 1) == 1 && IsSampleCharacter(c))
      digits += char(c);
    if (int32_t(digits.size()) > kMaxDigits) digits.resize(size_t(kMaxDigits));
    return true;
  }

  uint64_t Value(const std::string& digits) const {
    uint64_t value = 0;
    for (char c : digits) {
      const uint64_t digit = c <= '9' ? uint64_t(c - '0') : uint64_t(c - 'A' + 10);
      value = value * (Hex() ? 16 : 10) + digit;
    }
    return value;
  }

  void Store(uint8_t* destination, int64_t index, const std::string& digits, TSampleKind kind, bool bits) {
    if (bits) {
      SetBitInBuffer(destination, index, Value(digits) != 0);
      return;
    }
    switch (kind) {
      case TSampleKind::Byte: destination[index] = uint8_t(Value(digits)); break;
      case TSampleKind::Word: {
        const uint16_t word = uint16_t(Value(digits));
        std::memcpy(destination + 2 * index, &word, 2);
        break;
      }
      case TSampleKind::Float: {
        const float value = float(ParseFloatTolerant(digits, 0));
        std::memcpy(destination + 4 * index, &value, 4);
        break;
      }
    }
  }

  vcl::TStream* stream_;
  uint8_t dataFormat_;
};

// Reports a per-cent value once, when it changes.
class TRawProgress {
 public:
  explicit TRawProgress(TCodecProgress& progress) : progress_(progress) {}
  void Report(int32_t percent) {
    if (percent == last_) return;
    last_ = percent;
    progress_.Report(percent);
  }

 private:
  TCodecProgress& progress_;
  int32_t last_ = -1;
};

void ReadInterleaved(TRawSampleReader& reader, TIEBitmap* bitmap, TIEPixelFormat format, int64_t fileRowSize,
                     const TCodecProgress& progress, TRawProgress& reports) {
  const int32_t width = bitmap->Width(), height = bitmap->Height();
  const int64_t rowLength = bitmap->RowLen();
  const int64_t bytes = std::min(rowLength, fileRowSize);
  for (int32_t y = 0; y < height; ++y) {
    if (progress.IsAborting()) return;
    if (!reader.ReadRow(static_cast<uint8_t*>(bitmap->GetScanline(y)), width, bytes, IEChannelsPerPixel(format),
                        SampleKindOf(format), format == ie1g))
      return;
    reader.Skip(fileRowSize - rowLength);
    reports.Report(static_cast<int32_t>(y * progress.Per1));
  }
}

// One plane of `sampleBytes`-byte samples into channel `channel` of every pixel.
bool ReadPlane(TRawSampleReader& reader, TIEBitmap* bitmap, int32_t channel, int32_t channels, int32_t sampleBytes,
               int32_t rowAlign, const TCodecProgress& progress) {
  const int32_t width = bitmap->Width(), height = bitmap->Height();
  const int64_t planeRow = AlignedRowSize(width, 8 * sampleBytes, rowAlign);
  std::vector<uint8_t> row(static_cast<size_t>(std::max<int64_t>(planeRow, int64_t(width) * sampleBytes)));
  const TSampleKind kind = sampleBytes == 2 ? TSampleKind::Word : TSampleKind::Byte;
  for (int32_t y = 0; y < height; ++y) {
    if (progress.IsAborting()) return false;
    if (!reader.ReadRow(row.data(), width, planeRow, 1, kind, false)) return false;
    auto* pixels = static_cast<uint8_t*>(bitmap->GetScanline(y));
    for (int32_t x = 0; x < width; ++x)
      std::memcpy(pixels + (int64_t(x) * channels + channel) * sampleBytes, row.data() + int64_t(x) * sampleBytes,
                  size_t(sampleBytes));
  }
  return true;
}

// Planes in file order, each into the next channel; `marks[i]` is reported before plane i and
// 100 after the last.
void ReadPlanes(TRawSampleReader& reader, TIEBitmap* bitmap, int32_t channels, int32_t sampleBytes, int32_t rowAlign,
                const TCodecProgress& progress, TRawProgress& reports, const std::vector<int32_t>& marks) {
  for (int32_t plane = 0; plane < channels; ++plane) {
    reports.Report(marks[size_t(plane)]);
    if (!ReadPlane(reader, bitmap, plane, channels, sampleBytes, rowAlign, progress)) return;
  }
  reports.Report(100);
}

void SwapRedBlue48(TIEBitmap* bitmap) {
  for (int32_t y = 0; y < bitmap->Height(); ++y) {
    auto* words = static_cast<uint16_t*>(bitmap->GetScanline(y));
    for (int32_t x = 0; x < bitmap->Width(); ++x) std::swap(words[3 * x], words[3 * x + 2]);
  }
}

void ReadRawRegistryRow(vcl::TStream* stream, TIEBitmap* bitmap, TIOParamsVals& params, TCodecProgress& progress,
                        bool preview) {
  // The data carry nothing to preview: their description is the caller's.
  if (!preview) ReadRawBitmapStream(stream, bitmap, params, progress);
}

}  // namespace

void ReadRawBitmapStream(vcl::TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TCodecProgress& Progress) {
  const TIEPixelFormat format = Bitmap->PixelFormat();
  const int32_t height = Bitmap->Height();
  const int32_t align = Params.RawBitmapRowAlign;
  const bool planar = Params.RawBitmapPlanar == 1;
  const bool planesAllowed = format == ie24RGB || format == ieCMYK || format == ieRGB48;
  const bool known = format == ie1g || format == ie8p || format == ie8g || format == ie16g || format == ie32f ||
                     planesAllowed;
  if (Bitmap->IsEmpty() || !known || align < 8 || align % 8 != 0 || Params.RawBitmapHeaderSize < 0 ||
      Params.RawBitmapPlanar > 1 || (planar && !planesAllowed) || Params.RawBitmapDataFormat > 2)
    return Progress.Abort();
  if (Params.RawBitmapDataFormat == 2 && format == ie32f) throw vcl::Exception("Format unsupported");

  TIEBufferedReadStream buffered(Stream, true, kBufferSize);
  buffered.Seek(Params.RawBitmapHeaderSize, vcl::soBeginning);
  TRawSampleReader reader(&buffered, Params.RawBitmapDataFormat);
  TRawProgress reports(Progress);
  Progress.Per1 = 100.0 / height;
  const int64_t fileRowSize = AlignedRowSize(Bitmap->Width(), IEBitsPerPixel(format), align);

  if (!planar)
    ReadInterleaved(reader, Bitmap, format, fileRowSize, Progress, reports);
  else if (format == ieCMYK)
    ReadPlanes(reader, Bitmap, 4, 1, align, Progress, reports, {0, 25, 50, 75});
  else
    ReadPlanes(reader, Bitmap, 3, format == ieRGB48 ? 2 : 1, align, Progress, reports, {0, 33, 66});

  // The image holds blue first for 24-bit colour and red first for 48-bit colour.
  if (format == ie24RGB && !Params.RawBitmapBGR)
    for (int32_t y = 0; y < height; ++y) SwapRBInRow(static_cast<TRGB*>(Bitmap->GetScanline(y)), Bitmap->Width());
  if (format == ieRGB48 && Params.RawBitmapBGR) SwapRedBlue48(Bitmap);
}

void RegisterRawBitmapFormat() {
  if (TIEFileFormatInfo* row = GetFileFormatInfo(21)) row->ReadFunction = ReadRawRegistryRow;
}

}  // namespace imaging
