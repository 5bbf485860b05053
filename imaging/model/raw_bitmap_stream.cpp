// The library bitmap's raw record "TIEBITMAPRAW": the complete state of a bitmap (pixels,
// palette, display settings, alpha channel) as it is stored in layer records.
//
// Layout (little-endian; n = palette length, R = row length, A = alpha row length, H = height):
// signature (12), version int32 (0), n int32, n x 3 palette bytes (blue, green, red), width,
// height int32, pixel format byte, Full byte, PaletteUsed int32, display range 2 x double,
// 4 x int32 channel offsets, ApplyAdjustments byte, Contrast int32, RowAlignment int32 (bits),
// H rows of R bytes (top row first), alpha-present byte, and with alpha H rows of A bytes and
// the alpha's Full byte. A is the row length of 8-bit rows padded to 32 bits.
#include <algorithm>
#include <cstring>
#include <limits>

#include "imaging/base/bit_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_bitmap_detail.h"
#include "imaging/model/temp_block_store.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

constexpr char kSignature[12] = {'T', 'I', 'E', 'B', 'I', 'T', 'M', 'A', 'P', 'R', 'A', 'W'};
constexpr int64_t kFixedHeaderSize = 75;  // without the palette

int64_t AlphaRowLen(int32_t width) { return AlignedRowSize(width, 8, 32); }

// A stream over caller memory: reads and writes stay inside the block.
class BlockStream : public vcl::TCustomMemoryStream {
 public:
  BlockStream(void* block, int64_t size) { SetPointer(block, size); }
  int32_t Write(const void* buffer, int32_t count) override {
    if (count <= 0 || position_ < 0 || position_ >= DataSize()) return 0;
    int64_t n = std::min<int64_t>(count, DataSize() - position_);
    std::memcpy(static_cast<uint8_t*>(Memory()) + position_, buffer, static_cast<size_t>(n));
    position_ += n;
    return static_cast<int32_t>(n);
  }
};

template <typename T>
T ReadValue(vcl::TStream* stream) {
  T value;
  stream->ReadBuffer(&value, sizeof(T));
  return value;
}

template <typename T>
void WriteValue(vcl::TStream* stream, T value) {
  stream->WriteBuffer(&value, sizeof(T));
}

// Bytes left in the stream after its position; -1 when the stream cannot tell.
int64_t Remaining(vcl::TStream* stream) {
  int64_t position = stream->Position();
  int64_t size = stream->Size();
  if (position < 0 || size < 0) return -1;
  return std::max<int64_t>(0, size - position);
}

// Raises the stream's size once for `count` more bytes at the position, so that a memory
// stream does not grow row by row; the position stays where it was.
void Presize(vcl::TStream* stream, int64_t count) {
  try {
    int64_t position = stream->Position();
    int64_t size = stream->Size();
    if (position < 0 || size < 0) return;
    int64_t wanted = position + count;
    if (wanted > size && wanted < GetPhysicalMemorySize(true)) {
      stream->SetSize(wanted);
      stream->Seek(position, vcl::soBeginning);
    }
  } catch (...) {
    // Only a speed-up: the rows are written either way.
  }
}

}  // namespace

// The record's reading and writing, with access to the bitmap's fields.
class RawBitmapRecord {
 public:
  static int64_t Size(TIEBitmap& bitmap) {
    bitmap.SyncFromVclBitmap();
    int64_t size = kFixedHeaderSize + 3 * int64_t(bitmap.paletteLength_) + int64_t(bitmap.height_) * bitmap.rowLen_ + 1;
    if (bitmap.alphaChannel_) size += int64_t(bitmap.height_) * AlphaRowLen(bitmap.width_) + 1;
    return size;
  }

  static void Write(TIEBitmap& bitmap, vcl::TStream* stream) {
    bitmap.SyncFromVclBitmap();
    stream->WriteBuffer(kSignature, sizeof(kSignature));
    WriteValue<int32_t>(stream, 0);
    WriteValue<int32_t>(stream, bitmap.paletteLength_);
    if (bitmap.paletteLength_ > 0) stream->WriteBuffer(bitmap.palette_.data(), 3 * bitmap.paletteLength_);
    WriteValue<int32_t>(stream, bitmap.width_);
    WriteValue<int32_t>(stream, bitmap.height_);
    WriteValue<uint8_t>(stream, static_cast<uint8_t>(bitmap.pixelFormat_));
    WriteValue<uint8_t>(stream, bitmap.full_ ? 1 : 0);
    WriteValue<int32_t>(stream, bitmap.paletteUsed_);
    WriteValue<double>(stream, bitmap.displayRangeMin_);
    WriteValue<double>(stream, bitmap.displayRangeMax_);
    WriteValue<int32_t>(stream, bitmap.redOffset_);
    WriteValue<int32_t>(stream, bitmap.greenOffset_);
    WriteValue<int32_t>(stream, bitmap.blueOffset_);
    WriteValue<int32_t>(stream, bitmap.extraOffset_);
    WriteValue<uint8_t>(stream, bitmap.applyAdjustments_ ? 1 : 0);
    WriteValue<int32_t>(stream, bitmap.contrast_);
    // The alignment the rows really have (a platform bitmap pads to 32 bits).
    WriteValue<int32_t>(stream, bitmap.location_ == ieTBitmap ? 32 : bitmap.rowAlignment_);

    TIEAccessScope access(&bitmap, ieaRead);
    Presize(stream, int64_t(bitmap.height_) * bitmap.rowLen_);
    for (int32_t y = 0; y < bitmap.height_; ++y) stream->WriteBuffer(bitmap.GetScanline(y), bitmap.rowLen_);
    WriteAlpha(bitmap, stream);
  }

  // False, with the bitmap unchanged, for a record that is not one or whose fields are out of
  // range; EReadError when the record is cut short.
  static bool Read(TIEBitmap& bitmap, vcl::TStream* stream) {
    char signature[sizeof(kSignature)];
    stream->ReadBuffer(signature, sizeof(signature));
    if (std::memcmp(signature, kSignature, sizeof(kSignature)) != 0) return false;
    if (ReadValue<int32_t>(stream) < 0) return false;

    int32_t paletteLength = ReadValue<int32_t>(stream);
    if (paletteLength < 0 || paletteLength > 256) return false;
    std::vector<TRGB> palette(static_cast<size_t>(paletteLength));
    if (paletteLength > 0) stream->ReadBuffer(palette.data(), 3 * paletteLength);
    int32_t width = ReadValue<int32_t>(stream);
    int32_t height = ReadValue<int32_t>(stream);
    uint8_t formatByte = ReadValue<uint8_t>(stream);
    bool full = ReadValue<uint8_t>(stream) != 0;
    int32_t paletteUsed = ReadValue<int32_t>(stream);
    double rangeMin = ReadValue<double>(stream);
    double rangeMax = ReadValue<double>(stream);
    int32_t offsets[4];
    for (int32_t& offset : offsets) offset = ReadValue<int32_t>(stream);
    bool applyAdjustments = ReadValue<uint8_t>(stream) != 0;
    int32_t contrast = ReadValue<int32_t>(stream);
    int32_t alignment = ReadValue<int32_t>(stream);

    if (formatByte > ie32RGB) return false;
    auto format = static_cast<TIEPixelFormat>(formatByte);
    if (alignment != 8 && alignment != 16 && alignment != 32 && alignment != 64) return false;
    if (width < 0 || height < 0) return false;
    bool empty = width == 0 || height == 0;
    if (!empty && format == ieNull) return false;
    int64_t rowLen = empty ? 0 : AlignedRowSize(width, IEBitsPerPixel(format), alignment);
    if (rowLen > std::numeric_limits<int32_t>::max()) return false;
    if (empty) height = 0;

    // Nothing is allocated for rows that the stream does not hold.
    int64_t remaining = Remaining(stream);
    if (remaining >= 0 && remaining < height * rowLen + 1) throw vcl::EReadError("Stream read error");

    // The record is read into a bitmap of its own and handed over only when complete, so that
    // a failure half-way leaves this bitmap as it was.
    TIEBitmap image;
    image.memoryThreshold_ = bitmap.memoryThreshold_;
    image.location_ = bitmap.location_ == ieTBitmap ? ieFile : bitmap.location_;
    image.rowAlignment_ = alignment;
    if (!empty && !image.Allocate(width, height, format)) {
      // No room for the image: its bytes are skipped, so that a caller reading further records
      // stays in step.
      stream->Seek(height * rowLen, vcl::soCurrent);
      SkipAlpha(stream, width, height);
      return false;
    }
    {
      TIEAccessScope access(&image, ieaWrite);
      for (int32_t y = 0; y < height; ++y) stream->ReadBuffer(image.GetScanline(y), static_cast<int32_t>(rowLen));
    }

    bool hasAlpha = ReadValue<uint8_t>(stream) != 0;
    if (hasAlpha) {
      int64_t alphaRow = AlphaRowLen(width);
      remaining = Remaining(stream);
      if (remaining >= 0 && remaining < height * alphaRow + 1) throw vcl::EReadError("Stream read error");
      if (!empty) {
        TIEBitmap* alpha = image.GetAlphaChannel();
        if (!alpha || alpha->IsEmpty()) return false;
        TIEAccessScope access(alpha, ieaWrite);
        for (int32_t y = 0; y < height; ++y) stream->ReadBuffer(alpha->GetScanline(y), static_cast<int32_t>(alphaRow));
        alpha->full_ = ReadValue<uint8_t>(stream) != 0;
      } else {
        ReadValue<uint8_t>(stream);
      }
    }

    if (bitmap.location_ == ieTBitmap && !empty) {
      // The platform bitmap keeps its place: the pixels are copied into it.
      bitmap.Assign(&image);
    } else {
      TIELocation location = bitmap.location_;
      image.MoveContentTo(&bitmap);
      if (empty) {
        bitmap.location_ = location;
        bitmap.pixelFormat_ = format;
      }
    }
    if (paletteLength > 0) {
      bitmap.palette_ = palette;
      bitmap.EnsurePalette256();
      bitmap.paletteLength_ = paletteLength;
      bitmap.SyncPaletteToVclBitmap();
    }
    bitmap.full_ = full;
    bitmap.paletteUsed_ = paletteUsed;
    bitmap.displayRangeMin_ = rangeMin;
    bitmap.displayRangeMax_ = rangeMax;
    bitmap.redOffset_ = offsets[0];
    bitmap.greenOffset_ = offsets[1];
    bitmap.blueOffset_ = offsets[2];
    bitmap.extraOffset_ = offsets[3];
    bitmap.applyAdjustments_ = applyAdjustments;
    bitmap.contrast_ = contrast;
    if (!hasAlpha || empty) bitmap.alphaChannel_.reset();
    return true;
  }

 private:
  static void WriteAlpha(TIEBitmap& bitmap, vcl::TStream* stream) {
    TIEBitmap* alpha = bitmap.alphaChannel_.get();
    WriteValue<uint8_t>(stream, alpha ? 1 : 0);
    if (!alpha) return;
    // Every alpha row is written at the image's width padded to 32 bits, whatever the alpha
    // channel's own alignment or size, so that a reader always knows its length.
    int64_t alphaRow = AlphaRowLen(bitmap.width_);
    Presize(stream, int64_t(bitmap.height_) * alphaRow + 1);
    std::vector<uint8_t> row(static_cast<size_t>(alphaRow), 0);
    bool sameLayout = alpha->GetPixelFormat() == ie8g;
    TIEAccessScope access(alpha, ieaRead);
    int32_t alphaHeight = alpha->GetHeight();
    int64_t count = std::min<int64_t>(alphaRow, sameLayout ? alpha->GetRowLen() : 0);
    for (int32_t y = 0; y < bitmap.height_; ++y) {
      std::fill(row.begin(), row.end(), uint8_t(0));
      if (y < alphaHeight && count > 0) std::memcpy(row.data(), alpha->GetScanline(y), static_cast<size_t>(count));
      stream->WriteBuffer(row.data(), static_cast<int32_t>(alphaRow));
    }
    WriteValue<uint8_t>(stream, alpha->full_ ? 1 : 0);
  }

  static void SkipAlpha(vcl::TStream* stream, int32_t width, int32_t height) {
    uint8_t hasAlpha = 0;
    if (stream->Read(&hasAlpha, 1) == 1 && hasAlpha) stream->Seek(height * AlphaRowLen(width) + 1, vcl::soCurrent);
  }
};

void TIEBitmap::SaveRawToStream(vcl::TStream* stream) { RawBitmapRecord::Write(*this, stream); }

int64_t TIEBitmap::RawSize() { return RawBitmapRecord::Size(*this); }

int64_t TIEBitmap::SaveRawToBlock(void* block, int64_t capacity) {
  int64_t size = RawSize();
  if (!block || size > capacity) throw vcl::EWriteError("Stream write error");
  BlockStream stream(block, capacity);
  RawBitmapRecord::Write(*this, &stream);
  return size;
}

bool TIEBitmap::LoadRawFromStream(vcl::TStream* stream) { return RawBitmapRecord::Read(*this, stream); }

bool TIEBitmap::LoadRawFromBlock(const void* block, int64_t size) {
  if (!block || size < 0) return false;
  BlockStream stream(const_cast<void*>(block), size);
  try {
    return RawBitmapRecord::Read(*this, &stream);
  } catch (const vcl::EReadError&) {
    return false;  // the record runs past the block
  }
}

}  // namespace imaging
