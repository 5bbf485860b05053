// The pixel data of a TIFF page: rows in the file's sample layout, compressed strip by strip.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/coding/ccitt.h"
#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/codecs/tiff/tiff_write_entries.h"
#include "imaging/codecs/tiff/tiff_write_state.h"
#include "imaging/codecs/tiff/tiff_writer.h"
#include "imaging/coding/zlib_streams.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/colour_conversion.h"
#include "imaging/params/io_params.h"
#include "imaging/model/icc_profile.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/routines/access_scope.h"
#include "imaging/model/routines/colour_routines.h"
#include "vcl/runtime/streams.h"

namespace imaging {

void PackBitsEncodeRow(const uint8_t* row, int32_t length, std::vector<uint8_t>& output) {
  std::vector<uint8_t> literal;
  auto flushLiteral = [&] {
    if (literal.empty()) return;
    output.push_back(static_cast<uint8_t>(literal.size() - 1));
    output.insert(output.end(), literal.begin(), literal.end());
    literal.clear();
  };
  for (int32_t i = 0; i < length;) {
    int32_t run = 1;
    while (i + run < length && run < 128 && row[i + run] == row[i]) ++run;
    if (run >= 4) {
      flushLiteral();
      output.push_back(static_cast<uint8_t>(1 - run));
      output.push_back(row[i]);
    } else {
      for (int32_t k = 0; k < run; ++k) {
        literal.push_back(row[i + k]);
        if (literal.size() == 128) flushLiteral();
      }
    }
    i += run;
  }
  flushLiteral();
}

namespace {

constexpr int64_t StripTargetBytes = 524288;


// Puts the low `bits` bits of each value into a row, most significant first.
void PackSamples(const std::vector<int32_t>& values, int32_t bits, uint8_t* row, int32_t rowBytes) {
  std::memset(row, 0, static_cast<size_t>(rowBytes));
  int64_t bit = 0;
  for (int32_t value : values) {
    for (int32_t b = bits - 1; b >= 0; --b, ++bit)
      if ((value >> b) & 1) row[bit >> 3] |= static_cast<uint8_t>(0x80 >> (bit & 7));
  }
}

// Produces one file row of the image in the file's sample layout.
class TIFFRowMaker {
 public:
  explicit TIFFRowMaker(TIFFWriterState& state) : state_(state), image_(state.Image) {
    width_ = image_->GetWidth();
    row_.assign(static_cast<size_t>(RowBytes()), 0);
    if (state_.Quantizer) indexes_.resize(static_cast<size_t>(width_));
  }

  int32_t RowBytes() const {
    const int64_t w = width_;
    switch (image_->GetPixelFormat()) {
      case ie1g: return static_cast<int32_t>((w + 7) / 8);
      case ie8p:
      case ie8g: return static_cast<int32_t>(w);
      case ie16g: return static_cast<int32_t>(w * 2);
      case ieCMYK: return static_cast<int32_t>(w * 4);
      case ieRGB48: return static_cast<int32_t>(w * 6);
      default: break;
    }
    if (state_.Quantizer) return static_cast<int32_t>((w * state_.BitsPerSample + 7) / 8);
    if (state_.Photometric == tpCMYK || state_.AlphaWritten) return static_cast<int32_t>(w * 4);
    return static_cast<int32_t>(w * 3);
  }

  const uint8_t* Make(int32_t y) {
    const auto* src = static_cast<const uint8_t*>(image_->GetScanline(y));
    uint8_t* out = row_.data();
    const size_t bytes = row_.size();
    switch (image_->GetPixelFormat()) {
      case ie1g:
        std::memcpy(out, src, bytes);
        if (state_.InvertBits)
          for (size_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(~out[i]);
        return out;
      case ie8p:
      case ie8g:
      case ie16g:
      case ieRGB48:  // words in the machine's order, which is the file's (little-endian)
        std::memcpy(out, src, bytes);
        return out;
      case ieCMYK:  // the bitmap holds 255 minus the ink; the file holds the ink
        for (size_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(255 - src[i]);
        return out;
      default:
        break;
    }
    const auto* pixels = reinterpret_cast<const TRGB*>(src);
    if (state_.Quantizer) {
      MakeIndexRow(pixels);
    } else if (state_.Photometric == tpCMYK) {
      // No parameter block: the colours are written as the bitmap holds them (the embedded
      // profile, when one is written, describes them).
      IEConvertColorHook(pixels, kICCFormatBGR, out, kICCFormatCMYK, width_, nullptr);
      for (int64_t i = 0; i < int64_t(width_) * 4; ++i) out[i] = static_cast<uint8_t>(255 - out[i]);
    } else if (state_.Photometric == tpCIELab) {
      IEConvertColorHook(pixels, kICCFormatBGR, out, kICCFormatLab, width_, nullptr);
    } else if (state_.AlphaWritten) {
      auto* alpha = static_cast<const uint8_t*>(image_->GetAlphaChannel()->GetScanline(y));
      for (int32_t x = 0; x < width_; ++x) {
        out[4 * x] = pixels[x].r;
        out[4 * x + 1] = pixels[x].g;
        out[4 * x + 2] = pixels[x].b;
        out[4 * x + 3] = alpha[x];
      }
    } else {
      for (int32_t x = 0; x < width_; ++x) {
        out[3 * x] = pixels[x].r;
        out[3 * x + 1] = pixels[x].g;
        out[3 * x + 2] = pixels[x].b;
      }
      if (state_.Predictor == 2)  // horizontal differencing, right to left so each uses the original left
        for (int32_t i = 3 * width_ - 1; i >= 3; --i) out[i] = static_cast<uint8_t>(out[i] - out[i - 3]);
    }
    return out;
  }

 private:
  void MakeIndexRow(const TRGB* pixels) {
    uint8_t* out = row_.data();
    for (int32_t x = 0; x < width_; ++x) indexes_[x] = std::max(0, state_.Quantizer->GetColorIndex(pixels[x]));
    if (state_.BitsPerSample == 8) {
      for (int32_t x = 0; x < width_; ++x) out[x] = static_cast<uint8_t>(indexes_[x]);
    } else if (state_.BitsPerSample == 16) {
      for (int32_t x = 0; x < width_; ++x) {
        const uint16_t word = static_cast<uint16_t>(indexes_[x] * 257);
        out[2 * x] = static_cast<uint8_t>(word);
        out[2 * x + 1] = static_cast<uint8_t>(word >> 8);
      }
    } else {
      PackSamples(indexes_, state_.BitsPerSample, out, static_cast<int32_t>(row_.size()));
    }
  }

  TIFFWriterState& state_;
  TIEBitmap* image_;
  int32_t width_ = 0;
  std::vector<uint8_t> row_;
  std::vector<int32_t> indexes_;
};

// The coder of one strip: takes rows, and at the end of the strip flushes what it holds.
class TIFFStripCoder {
 public:
  TIFFStripCoder(TIFFOutput& output, TIFFWriterState& state, int32_t width)
      : output_(output), state_(state), width_(width) {}
  ~TIFFStripCoder() {
    // Only reached with an unfinished strip after an exception: release the coder's state.
    if (lzwState_) state_.LZWCompress(nullptr, 0, &output_, lzwState_);
  }

  void Row(const uint8_t* row, int32_t bytes) {
    switch (state_.Compression) {
      case tcCCITTHuffman:
        CCITTEncodeMHRow(row, width_, &output_, state_.FillOrder, ccittFailed_);
        break;
      case tcCCITTT4:
        if (state_.TwoDimensional)
          CCITTEncodeT4_2DRow(row, width_, &output_, state_.FillOrder, ccittFailed_, refLine_, pendingBits_,
                              pendingByte_);
        else
          CCITTEncodeT4Row(row, width_, &output_, state_.FillOrder, ccittFailed_, pendingBits_, pendingByte_);
        break;
      case tcCCITTT6:
        CCITTEncodeT6Row(row, width_, &output_, state_.FillOrder, ccittFailed_, refLine_, pendingBits_, pendingByte_);
        break;
      case tcLZW:
        state_.LZWCompress(row, bytes, &output_, lzwState_);
        break;
      case tcPackBits:
        packed_.clear();
        PackBitsEncodeRow(row, bytes, packed_);
        output_.Write(packed_.data(), static_cast<int32_t>(packed_.size()));
        break;
      case tcDeflate:
      case tcDeflateOld:
        if (!zstream_) zstream_ = std::make_unique<TZCompressionStream>(&output_, state_.DeflateLevelIndex);
        zstream_->Write(row, bytes);
        break;
      default:
        output_.Write(row, bytes);
        break;
    }
    if (ccittFailed_) output_.Fail();
  }

  void FinishTIFFStrip() {
    switch (state_.Compression) {
      case tcCCITTT4:
        if (state_.TwoDimensional)
          CCITTEncodeT4_2DRow(nullptr, width_, &output_, state_.FillOrder, ccittFailed_, refLine_, pendingBits_,
                              pendingByte_);
        else
          CCITTEncodeT4Row(nullptr, width_, &output_, state_.FillOrder, ccittFailed_, pendingBits_, pendingByte_);
        break;
      case tcCCITTT6:
        CCITTEncodeT6Row(nullptr, width_, &output_, state_.FillOrder, ccittFailed_, refLine_, pendingBits_,
                         pendingByte_);
        break;
      case tcLZW:
        if (lzwState_) state_.LZWCompress(nullptr, 0, &output_, lzwState_);
        break;
      case tcDeflate:
      case tcDeflateOld:
        if (zstream_) zstream_->Finish();
        zstream_.reset();
        break;
      default:
        break;
    }
    if (ccittFailed_) output_.Fail();
    lzwState_ = nullptr;
    refLine_.clear();
    pendingBits_ = 0;
    pendingByte_ = 0;
  }

 private:
  TIFFOutput& output_;
  TIFFWriterState& state_;
  int32_t width_;
  bool ccittFailed_ = false;
  int32_t pendingBits_ = 0;
  uint8_t pendingByte_ = 0;
  std::vector<uint8_t> refLine_;
  void* lzwState_ = nullptr;
  std::unique_ptr<TZCompressionStream> zstream_;
  std::vector<uint8_t> packed_;
};

// The whole image through the JPEG encoder, with the writer's quality and colour space. False
// when the encoder failed. `inkCMYK`: CMYK samples hold the ink amounts, as TIFF's JPEG
// compression stores them, instead of the inverted samples of a JPEG file.
bool EncodeJPEG(const TIFFWriterState& state, vcl::TMemoryStream& jpeg, bool inkCMYK) {
  TIOParamsVals jpegParams(nullptr);
  jpegParams.JPEGQuality = state.JPEGQuality;
  jpegParams.JPEGColorSpace = state.JPEGColorSpace;
  std::atomic<bool> aborting{false};
  TCodecProgress jpegProgress;
  jpegProgress.Aborting = &aborting;
  WriteJPEGStream(&jpeg, state.Image, jpegParams, jpegProgress, inkCMYK);
  return !aborting && jpeg.Size() > 0;
}

void WriteJPEGBytes(TIFFOutput& output, vcl::TMemoryStream& jpeg) {
  const auto* bytes = static_cast<const uint8_t*>(jpeg.Memory());
  for (int64_t done = 0; done < jpeg.Size();) {
    const int32_t chunk = static_cast<int32_t>(std::min<int64_t>(jpeg.Size() - done, 1 << 30));
    output.Write(bytes + done, chunk);
    done += chunk;
  }
}

// Old-style JPEG: the whole interchange stream is stored, and the strip is its scan data.
void WriteTIFFOldJPEG(TIFFOutput& output, TIFFEntryList& entries, TIFFWriterState& state) {
  vcl::TMemoryStream jpeg;
  // The old form keeps a whole JPEG interchange stream, read back as such.
  if (!EncodeJPEG(state, jpeg, false) || jpeg.Size() > int64_t(UINT32_MAX)) {
    output.Fail();
    return;
  }
  const uint32_t start = output.Offset();
  WriteJPEGBytes(output, jpeg);
  const auto* bytes = static_cast<const uint8_t*>(jpeg.Memory());
  const int64_t size = jpeg.Size();
  int64_t scan = 0;
  while (scan + 1 < size && !(bytes[scan] == 0xFF && bytes[scan + 1] == 0xDA)) ++scan;
  if (scan + 1 >= size) {  // no scan: the encoder's output is not a JPEG image
    output.Fail();
    return;
  }
  entries.AddTIFFLongTag(513, start);
  entries.AddTIFFLongTag(514, static_cast<uint32_t>(size));
  entries.AddTIFFLongTag(273, start + static_cast<uint32_t>(scan));
  entries.AddTIFFLongTag(279, static_cast<uint32_t>(size - scan));
  entries.AddTIFFLongTag(278, static_cast<uint32_t>(state.Image->GetHeight()));
  entries.AddTIFFShortTag(512, 1);
  entries.WriteTIFFShortsTag(530, {2, 2});
}

void AddStripTags(TIFFEntryList& entries, int32_t rowsPerStrip, const std::vector<uint32_t>& offsets,
                  const std::vector<uint32_t>& counts) {
  entries.AddTIFFLongTag(278, static_cast<uint32_t>(rowsPerStrip));
  if (offsets.size() == 1) {
    entries.AddTIFFLongTag(273, offsets[0]);
    entries.AddTIFFLongTag(279, counts[0]);
  } else {
    entries.WriteTIFFLongsTag(273, offsets);
    entries.WriteTIFFLongsTag(279, counts);
  }
}

}  // namespace

void WriteTIFFStrips(TIFFOutput& output, TIFFEntryList& entries, TIFFWriterState& state, TCodecProgress& progress) {
  TIEBitmap* image = state.Image;
  TIEAccessScope readOnly(image, 1);
  if (state.Compression == tcOldJPEG) {
    WriteTIFFOldJPEG(output, entries, state);
    return;
  }
  const int32_t width = image->GetWidth();
  const int32_t height = image->GetHeight();
  if (state.Compression == tcJPEG) {
    vcl::TMemoryStream jpeg;
    if (!EncodeJPEG(state, jpeg, true) || jpeg.Size() > int64_t(UINT32_MAX)) {
      output.Fail();
      return;
    }
    const uint32_t offset = output.Offset();
    WriteJPEGBytes(output, jpeg);
    AddStripTags(entries, height, {offset}, {static_cast<uint32_t>(jpeg.Size())});
    return;
  }

  int32_t rowsPerStrip = height;
  if (!state.IsDeflate()) {
    const int64_t strips = std::max<int64_t>(int64_t(height) * image->GetRowLen() / StripTargetBytes, 1);
    rowsPerStrip = static_cast<int32_t>(std::max<int64_t>(height / strips, 1));
  }
  TIFFRowMaker rows(state);
  const int32_t rowBytes = rows.RowBytes();
  TIFFStripCoder coder(output, state, width);
  std::vector<uint32_t> offsets{output.Offset()};
  std::vector<uint32_t> counts;
  progress.Val = 0;
  progress.Per1 = 100.0 / height;
  for (int32_t y = 0; y < height; ++y) {
    if (output.Failed() || progress.IsAborting()) return;
    progress.Val = y;
    progress.Report(static_cast<int32_t>(int64_t(y) * 100 / height));
    coder.Row(rows.Make(y), rowBytes);
    if ((y + 1) % rowsPerStrip == 0 || y + 1 == height) {
      coder.FinishTIFFStrip();
      const uint32_t end = output.Offset();
      counts.push_back(end - offsets.back());
      if (y + 1 < height) offsets.push_back(end);
    }
  }
  if (output.Failed() || progress.IsAborting()) return;
  AddStripTags(entries, rowsPerStrip, offsets, counts);
}

}  // namespace imaging
