// The CIFF heap walk over heaps made here: texts, dimensions, maker-note records, sub-heaps,
// the smallest embedded JPEG as the thumbnail, the record limit, records past the end and heaps
// that hold themselves.
#include "imaging/codecs/camera_raw/ciff_metadata.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/metadata/maker_notes.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/codec_progress.h"
#include "imaging/params/io_params.h"
#include "tests/support/file_helpers.h"
#include "tests/support/fuzz_driver.h"
#include "tests/support/test_pictures.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using test_files::Bytes;
using test_files::PutLE16;
using test_files::PutLE32;

namespace {

struct TRecord {
  uint16_t type;
  Bytes data;
  int64_t offsetOverride = -1;  // a data offset of its own, for records that point elsewhere
};

// A heap: the records' data, then the table (count and 10-byte records), then the table's
// offset from the heap's start.
Bytes Heap(const std::vector<TRecord>& records) {
  Bytes heap;
  std::vector<uint32_t> offsets;
  for (const TRecord& r : records) {
    offsets.push_back(uint32_t(heap.size()));
    heap.insert(heap.end(), r.data.begin(), r.data.end());
  }
  const uint32_t table = uint32_t(heap.size());
  PutLE16(heap, uint32_t(records.size()));
  for (size_t i = 0; i < records.size(); ++i) {
    PutLE16(heap, records[i].type);
    PutLE32(heap, uint32_t(records[i].data.size()));
    PutLE32(heap, records[i].offsetOverride >= 0 ? uint32_t(records[i].offsetOverride) : offsets[i]);
  }
  PutLE32(heap, table);
  return heap;
}

Bytes File(const Bytes& root) {
  Bytes file = {'I', 'I'};
  PutLE32(file, 26);
  const std::string tag = "HEAPCCDR";
  file.insert(file.end(), tag.begin(), tag.end());
  file.resize(26, 0);
  file.insert(file.end(), root.begin(), root.end());
  return file;
}

Bytes CiffText(const std::string& text) { return Bytes(text.c_str(), text.c_str() + text.size() + 1); }

Bytes JPEG(int32_t w, int32_t h) {
  auto bitmap = test_pictures::Gradient(w, h);
  vcl::TMemoryStream stream;
  TIOParamsVals params(nullptr);
  std::atomic<bool> failed{false};
  TCodecProgress progress;
  progress.Aborting = &failed;
  WriteJPEGStream(&stream, bitmap.get(), params, progress);
  return test_files::StreamBytes(&stream);
}

void Walk(const Bytes& bytes, TIOParamsVals& params) {
  fuzz::Bytes copy = bytes;
  fuzz::TGuardedStream stream(copy.data(), int32_t(copy.size()));
  ReadCIFFMetadata(&stream, params);
  EXPECT_EQ(stream.Position(), 0);
}

}  // namespace

TEST(CiffMetadata, RecordsFillTheExifFields) {
  Bytes dimensions;
  PutLE32(dimensions, 640), PutLE32(dimensions, 480);
  Bytes twelve;
  for (int i = 0; i < 6; ++i) PutLE16(twelve, uint32_t(100 + i));
  const Bytes inner = Heap({{0x0805, CiffText("Inside a heap")}});
  const Bytes root = Heap({
      {0x080A, Bytes{'M', 'a', 'k', 'e', 0, 'M', 'o', 'd', 'e', 'l', 0}},
      {0x080B, CiffText("Firmware 1")},
      {0x1810, dimensions},
      {0x102D, twelve},
      {0x102A, twelve},
      {0x300A, inner},
  });
  TIOParamsVals params(nullptr);
  Walk(File(root), params);
  EXPECT_EQ(params.EXIFMake, "Make");
  EXPECT_EQ(params.EXIFModel, "Model");
  EXPECT_EQ(params.EXIFSoftware, "Firmware 1");
  EXPECT_EQ(params.EXIFImageDescription, "Inside a heap");
  EXPECT_EQ(params.EXIFPixelXDimension, 640);
  EXPECT_EQ(params.EXIFPixelYDimension, 480);
  const auto& entries = params.EXIFMakerNote.Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].Tag, 1);
  EXPECT_EQ(entries[1].Tag, 4);
  for (const TIETagEntry& entry : entries) {
    EXPECT_EQ(entry.Type, 3);
    EXPECT_EQ(entry.Count, 6u);
  }
}

TEST(CiffMetadata, TheSmallestEmbeddedJPEGIsTheThumbnail) {
  // The second is narrower only: the first stays, until one smaller both ways comes.
  TIOParamsVals params(nullptr);
  Walk(File(Heap({{0x2007, JPEG(16, 12)}, {0x2008, JPEG(12, 14)}})), params);
  ASSERT_TRUE(params.EXIFThumbnail);
  EXPECT_EQ(params.EXIFThumbnail->Width(), 16);
  Walk(File(Heap({{0x2007, JPEG(16, 12)}, {0x2008, JPEG(12, 14)}, {0x2007, JPEG(8, 6)}})), params);
  EXPECT_EQ(params.EXIFThumbnail->Width(), 8);
  EXPECT_EQ(params.EXIFThumbnail->Height(), 6);
}

TEST(CiffMetadata, LimitsOfTheWalk) {
  // At most 256 records of a heap are walked.
  std::vector<TRecord> many;
  for (int i = 0; i < 300; ++i) many.push_back({0x080B, CiffText("S" + std::to_string(i))});
  TIOParamsVals params(nullptr);
  Walk(File(Heap(many)), params);
  EXPECT_EQ(params.EXIFSoftware, "S255");
  // A record whose data lies past the end stops its heap's walk.
  TIOParamsVals stopped(nullptr);
  Walk(File(Heap({{0x080B, CiffText("A")}, {0x080B, CiffText("B"), 1 << 30}, {0x0805, CiffText("C")}})), stopped);
  EXPECT_EQ(stopped.EXIFSoftware, "A");
  EXPECT_EQ(stopped.EXIFImageDescription, "");
  // A heap that holds itself is walked once.
  Bytes self = Heap({{0x080B, CiffText("Once")}, {0x300A, Bytes(20, 0), 0}});
  // Make the sub-heap record cover the whole heap from its start.
  const size_t record = self.size() - 4 - 10;
  for (int i = 0; i < 4; ++i) self[record + 2 + i] = uint8_t(self.size() >> (8 * i));
  TIOParamsVals looped(nullptr);
  Walk(File(self), looped);
  EXPECT_EQ(looped.EXIFSoftware, "Once");
  // Not a heap: nothing is taken.
  TIOParamsVals none(nullptr);
  Walk(Bytes{'X', 'Y', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, none);
  EXPECT_EQ(none.EXIFSoftware, "");
}

TEST(CiffMetadata, DamagedHeaps) {
  Bytes dimensions;
  PutLE32(dimensions, 64), PutLE32(dimensions, 48);
  const Bytes valid = File(Heap({{0x080A, CiffText("Make")}, {0x1810, dimensions}, {0x300A, Heap({{0x2007, JPEG(8, 8)}})},
                                 {0x102A, Bytes(12, 1)}}));
  fuzz::Fuzz("ciff", valid, 8100, [](uint8_t* data, int32_t size) {
    fuzz::TGuardedStream stream(data, size);
    TIOParamsVals params(nullptr);
    ReadCIFFMetadata(&stream, params);
  });
}
