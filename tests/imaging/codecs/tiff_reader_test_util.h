// Hand-made TIFF files for the reader's tests: a builder that lays out a header, the pixel
// strips and one or more IFDs in either byte order, and helpers that run the reader over bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/codecs/tiff/tiff_reader.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/streams.h"

namespace tiff_test {

using test_files::Bytes;

struct Entry {
  uint16_t tag;
  uint16_t type;
  std::vector<uint32_t> values;  // numbers (a rational takes two), or
  Bytes raw;                     // the data bytes themselves (ASCII, BYTE, UNDEFINED)
};

class TiffBuilder {
 public:
  explicit TiffBuilder(bool bigEndian = false) : big_(bigEndian) {}

  // A new page; entries added next go to it.
  TiffBuilder& Page() {
    pages_.emplace_back();
    return *this;
  }
  TiffBuilder& Add(uint16_t tag, uint16_t type, std::vector<uint32_t> values) {
    pages_.back().entries.push_back(Entry{tag, type, std::move(values), {}});
    return *this;
  }
  TiffBuilder& AddRaw(uint16_t tag, uint16_t type, const Bytes& raw) {
    pages_.back().entries.push_back(Entry{tag, type, {}, raw});
    return *this;
  }
  TiffBuilder& AddText(uint16_t tag, const std::string& text) {
    Bytes raw(text.begin(), text.end());
    raw.push_back(0);
    return AddRaw(tag, 2, raw);
  }
  // The page's pixel data as strips: StripOffsets and StripByteCounts are added for them.
  TiffBuilder& Strips(const std::vector<Bytes>& strips) {
    pages_.back().strips = strips;
    return *this;
  }

  Bytes Build() const;

 private:
  struct PageData {
    std::vector<Entry> entries;
    std::vector<Bytes> strips;
  };
  void Put16(Bytes& b, uint32_t v) const;
  void Put32(Bytes& b, uint32_t v) const;
  bool big_;
  std::vector<PageData> pages_;
};

// A page of 8-bit samples with the common tags; `samples` holds width x height x spp bytes.
TiffBuilder SimpleImage(int32_t width, int32_t height, int32_t spp, uint32_t photometric, const Bytes& samples,
                        bool bigEndian = false, int32_t rowsPerStrip = 0);

struct ReadResult {
  std::atomic<bool> aborting{false};
  int32_t numImages = 0;
  imaging::TIEMask* mask = nullptr;
  ~ReadResult() { delete mask; }
};

// Runs ReadTIFFStream over the bytes (from stream position `at`, with RelativeOffsets when
// at > 0).
void Read(const Bytes& file, imaging::TIEBitmap& bitmap, imaging::TIOParamsVals& params, ReadResult& result,
          bool preview = false, bool ignoreAlpha = false, int32_t at = 0);

// Runs tiffcp with the options over the file; empty when the tool is missing or fails.
Bytes Tiffcp(const Bytes& file, const std::string& options);

// The bitmap's pixel as red, green, blue (whatever its format).
uint32_t RGBAt(imaging::TIEBitmap& bitmap, int32_t x, int32_t y);

}  // namespace tiff_test
