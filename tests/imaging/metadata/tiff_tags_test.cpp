#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/mem_stream.h"
#include "imaging/metadata/tiff_tags.h"
#include "imaging/metadata/tiff_types.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace test_files;

namespace {

// A TIFF laid out by hand: entries in the order given (not necessarily sorted), their data
// after each directory, blocks and sub-directories where the entry says.
struct TRawEntry {
  uint16_t tag;
  uint16_t type;
  uint32_t count;
  Bytes data;                          // the value bytes in the file's order (inline when <= 4)
  std::vector<TRawEntry> sub;          // a sub-directory
  bool isSub = false;
  std::vector<Bytes> blocks;           // blocks whose offsets make up this entry's values
};

class TTiffBuilder {
 public:
  explicit TTiffBuilder(bool bigEndian) : be_(bigEndian) {}

  Bytes Value16(uint16_t v) const {
    Bytes b(2);
    WriteTIFF16(b.data(), v, be_);
    return b;
  }
  Bytes Value32(uint32_t v) const {
    Bytes b(4);
    WriteTIFF32(b.data(), v, be_);
    return b;
  }
  TRawEntry Short(uint16_t tag, uint16_t v) const { return {tag, ttShort, 1, Value16(v), {}, false, {}}; }
  TRawEntry Long(uint16_t tag, uint32_t v) const { return {tag, ttLong, 1, Value32(v), {}, false, {}}; }
  TRawEntry Ascii(uint16_t tag, const std::string& text) const {
    Bytes b(text.begin(), text.end());
    b.push_back(0);
    return {tag, ttASCII, static_cast<uint32_t>(b.size()), b, {}, false, {}};
  }
  TRawEntry Rational(uint16_t tag, uint32_t n, uint32_t d) const {
    Bytes b = Value32(n), d4 = Value32(d);
    b.insert(b.end(), d4.begin(), d4.end());
    return {tag, ttRational, 1, b, {}, false, {}};
  }
  TRawEntry Undefined4(uint16_t tag, const char* text) const {
    return {tag, ttUndefined, 4, Bytes(text, text + 4), {}, false, {}};
  }
  TRawEntry Sub(uint16_t tag, std::vector<TRawEntry> entries) const {
    TRawEntry e{tag, ttLong, 1, {}, std::move(entries), true, {}};
    return e;
  }
  TRawEntry Blocks(uint16_t tag, std::vector<Bytes> blocks) const {
    return {tag, ttLong, static_cast<uint32_t>(blocks.size()), {}, {}, false, std::move(blocks)};
  }
  // The byte counts of the blocks, as SHORT or LONG values.
  TRawEntry Counts(uint16_t tag, const std::vector<Bytes>& blocks) const {
    Bytes b;
    for (const Bytes& block : blocks) {
      Bytes v = Value32(static_cast<uint32_t>(block.size()));
      b.insert(b.end(), v.begin(), v.end());
    }
    return {tag, ttLong, static_cast<uint32_t>(blocks.size()), b, {}, false, {}};
  }

  Bytes Build(const std::vector<std::vector<TRawEntry>>& pages) {
    out_ = {static_cast<uint8_t>(be_ ? 'M' : 'I'), static_cast<uint8_t>(be_ ? 'M' : 'I')};
    Bytes v = Value16(42);
    out_.insert(out_.end(), v.begin(), v.end());
    out_.resize(8);
    size_t previousNext = 4;
    for (const auto& page : pages) {
      if (out_.size() & 1) out_.push_back(0);
      WriteTIFF32(out_.data() + previousNext, static_cast<uint32_t>(out_.size()), be_);
      previousNext = WriteIFD(page);
    }
    return out_;
  }

 private:
  size_t WriteIFD(const std::vector<TRawEntry>& entries) {
    size_t start = out_.size();
    out_.resize(start + 2 + 12 * entries.size() + 4, 0);
    WriteTIFF16(out_.data() + start, static_cast<uint16_t>(entries.size()), be_);
    for (size_t i = 0; i < entries.size(); ++i) {
      const TRawEntry& e = entries[i];
      size_t at = start + 2 + 12 * i;
      WriteTIFF16(out_.data() + at, e.tag, be_);
      WriteTIFF16(out_.data() + at + 2, e.type, be_);
      WriteTIFF32(out_.data() + at + 4, e.count, be_);
      if (e.isSub) {
        if (out_.size() & 1) out_.push_back(0);
        WriteTIFF32(out_.data() + at + 8, static_cast<uint32_t>(out_.size()), be_);
        WriteIFD(e.sub);
      } else if (!e.blocks.empty()) {
        Bytes offsets;
        for (const Bytes& block : e.blocks) {
          Bytes v = Value32(static_cast<uint32_t>(out_.size()));
          offsets.insert(offsets.end(), v.begin(), v.end());
          out_.insert(out_.end(), block.begin(), block.end());
        }
        if (offsets.size() <= 4) {
          std::memcpy(out_.data() + at + 8, offsets.data(), 4);
        } else {
          if (out_.size() & 1) out_.push_back(0);
          WriteTIFF32(out_.data() + at + 8, static_cast<uint32_t>(out_.size()), be_);
          out_.insert(out_.end(), offsets.begin(), offsets.end());
        }
      } else if (e.data.size() <= 4) {
        std::memcpy(out_.data() + at + 8, e.data.data(), e.data.size());
      } else {
        if (out_.size() & 1) out_.push_back(0);
        WriteTIFF32(out_.data() + at + 8, static_cast<uint32_t>(out_.size()), be_);
        out_.insert(out_.end(), e.data.begin(), e.data.end());
      }
    }
    return start + 2 + 12 * entries.size();
  }

  bool be_;
  Bytes out_;
};

// A 4 x 2 grey image in two strips, with an EXIF directory and a description; the entries
// stand out of order in the file.
Bytes GreyTiff(bool bigEndian, int pages = 1) {
  TTiffBuilder b(bigEndian);
  std::vector<Bytes> strips = {{10, 20, 30, 40}, {50, 60, 70, 80}};
  std::vector<TRawEntry> page = {
      b.Short(256, 4), b.Short(257, 2), b.Ascii(270, "Grey test image"), b.Short(258, 8), b.Short(259, 1),
      b.Short(262, 1), b.Blocks(273, strips), b.Short(277, 1), b.Short(278, 1), b.Counts(279, strips),
      b.Rational(283, 72, 1), b.Rational(282, 72, 1),
      b.Sub(34665, {b.Rational(33434, 1, 250), b.Short(34855, 400), b.Undefined4(36864, "0230"),
                    b.Ascii(36867, "2024:01:02 03:04:05"), b.Undefined4(40960, "0100"), b.Short(40961, 1)}),
  };
  return b.Build(std::vector<std::vector<TRawEntry>>(pages, page));
}

std::unique_ptr<TIETIFFHandler> Read(const Bytes& bytes) {
  auto handler = std::make_unique<TIETIFFHandler>();
  TIEMemStream stream(const_cast<uint8_t*>(bytes.data()), static_cast<int64_t>(bytes.size()));
  EXPECT_TRUE(handler->ReadFromStream(&stream));
  return handler;
}

Bytes Write(const std::unique_ptr<TIETIFFHandler>& handler, int32_t page = -1) {
  vcl::TMemoryStream stream;
  handler->WriteToStream(&stream, page);
  return StreamBytes(&stream);
}

std::vector<uint16_t> Tags(const TIETIFFIFD& entries) {
  std::vector<uint16_t> tags;
  for (const TIETIFFEntry& e : entries) tags.push_back(e.Tag);
  return tags;
}

}  // namespace

TEST(TIFFHandler, ReadsPagesSubDirectoriesAndBlocks) {
  for (bool bigEndian : {false, true}) {
    auto handler = Read(GreyTiff(bigEndian, 2));
    EXPECT_EQ(handler->BigEndian(), bigEndian);
    EXPECT_EQ(handler->Version(), 42);
    ASSERT_EQ(handler->PageCount(), 2);
    const TIETIFFIFD& page = handler->Page(0);
    EXPECT_EQ(Tags(page), (std::vector<uint16_t>{256, 257, 258, 259, 262, 270, 273, 277, 278, 279, 282, 283, 34665}));
    EXPECT_EQ(handler->GetTagValue(page, 256, 0), 4);
    EXPECT_EQ(handler->GetTagValue(page, 279, 1), 4);
    EXPECT_EQ(handler->GetTagValue(page, 270, 0), 'G');
    EXPECT_EQ(handler->GetTagValue(page, 256, 1), 0);  // beyond the count
    EXPECT_EQ(handler->GetTagValue(page, 999, 0), 0);
    const TIETIFFEntry& strips = page[handler->FindTag(0, 273)];
    ASSERT_TRUE(strips.HasBlocks);
    EXPECT_EQ(strips.Blocks, (std::vector<Bytes>{{10, 20, 30, 40}, {50, 60, 70, 80}}));
    const TIETIFFEntry& exif = page[handler->FindTag(0, 34665)];
    ASSERT_TRUE(exif.IsSubIFD);
    EXPECT_EQ(Tags(exif.SubIFD), (std::vector<uint16_t>{33434, 34855, 36864, 36867, 40960, 40961}));
    EXPECT_EQ(handler->FindTag(5, 256), -1);
  }
}

TEST(TIFFHandler, WrittenBackSortedWithNewOffsetsInTheSameOrder) {
  for (bool bigEndian : {false, true}) {
    Bytes original = GreyTiff(bigEndian, 2);
    auto first = Read(original);
    Bytes written = Write(first);
    EXPECT_EQ(written[0], bigEndian ? 'M' : 'I');
    auto second = Read(written);
    ASSERT_EQ(second->PageCount(), 2);
    EXPECT_EQ(second->BigEndian(), bigEndian);
    for (int p = 0; p < 2; ++p) {
      EXPECT_EQ(Tags(second->Page(p)), Tags(first->Page(p)));
      EXPECT_EQ(second->Page(p)[second->FindTag(p, 273)].Blocks, first->Page(p)[first->FindTag(p, 273)].Blocks);
      EXPECT_EQ(second->Page(p)[second->FindTag(p, 34665)].SubIFD.size(), 6u);
    }
    // Writing again gives the same bytes: the layout depends only on the content.
    EXPECT_EQ(Write(second), written);
    // One page alone.
    auto single = Read(Write(first, 1));
    EXPECT_EQ(single->PageCount(), 1);
  }
}

TEST(TIFFHandler, OldStyleJPEGGetsOneStripAtTheScanData) {
  TTiffBuilder b(false);
  Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xDB, 0, 3, 1, 0xFF, 0xDA, 0, 2, 0x55, 0xFF, 0xD9};
  std::vector<Bytes> oldStrips = {{1, 2, 3}};
  std::vector<TRawEntry> page = {
      b.Short(256, 1), b.Short(257, 1), b.Short(259, 6), b.Blocks(273, oldStrips), b.Counts(279, oldStrips),
      b.Blocks(513, {jpeg}), b.Long(514, static_cast<uint32_t>(jpeg.size())), b.Long(519, 0), b.Long(520, 0),
      b.Long(521, 0),
  };
  auto handler = Read(b.Build({page}));
  EXPECT_EQ(Tags(handler->Page(0)), (std::vector<uint16_t>{256, 257, 259, 279, 513, 514}));
  Bytes written = Write(handler);

  // The directory as written: tags ascending with StripOffsets in its place.
  uint32_t ifd = ReadTIFF32(written.data() + 4, false);
  uint16_t count = ReadTIFF16(written.data() + ifd, false);
  std::vector<uint16_t> tags;
  uint32_t stripOffset = 0, jpegOffset = 0;
  for (int i = 0; i < count; ++i) {
    const uint8_t* e = written.data() + ifd + 2 + 12 * i;
    tags.push_back(ReadTIFF16(e, false));
    if (tags.back() == 273) stripOffset = ReadTIFF32(e + 8, false);
    if (tags.back() == 513) jpegOffset = ReadTIFF32(e + 8, false);
  }
  EXPECT_EQ(tags, (std::vector<uint16_t>{256, 257, 259, 273, 279, 513, 514}));
  EXPECT_EQ(stripOffset, jpegOffset + 7);
  EXPECT_EQ(written[stripOffset], 0xFF);
  EXPECT_EQ(written[stripOffset + 1], 0xDA);
  // Writing leaves the page in memory as it was.
  EXPECT_EQ(handler->FindTag(0, 273), -1);
}

TEST(TIFFHandler, CopyTagCopiesWholeSubDirectories) {
  auto source = Read(GreyTiff(true));
  TTiffBuilder b(true);
  auto destination = Read(b.Build({{b.Short(256, 9), b.Short(257, 9)}}));
  destination->CopyTag(0, source->FindTag(0, 34665), 0, source.get());
  ASSERT_EQ(destination->FindTag(0, 34665), 2);
  auto reread = Read(Write(destination));
  const TIETIFFEntry& exif = reread->Page(0)[reread->FindTag(0, 34665)];
  ASSERT_TRUE(exif.IsSubIFD);
  ASSERT_EQ(exif.SubIFD.size(), 6u);
  const TIETIFFEntry& date = exif.SubIFD[3];
  EXPECT_EQ(date.Tag, 36867);
  EXPECT_EQ(std::string(date.Data.begin(), date.Data.end()), std::string("2024:01:02 03:04:05", 20));

  // Between byte orders nothing is copied.
  auto little = Read(GreyTiff(false));
  destination->CopyTag(0, little->FindTag(0, 270), 0, little.get());
  EXPECT_EQ(destination->FindTag(0, 270), -1);
  // Nor from bad indexes.
  destination->CopyTag(3, 0, 0, source.get());
  destination->CopyTag(0, -1, 0, source.get());
  destination->CopyTag(0, 0, 7, source.get());
  EXPECT_EQ(destination->Page(0).size(), 3u);
}

TEST(TIFFHandler, AddTagAndDelete) {
  TTiffBuilder b(true);
  auto handler = Read(b.Build({{b.Short(256, 9)}}));
  TIETIFFIFD& page = handler->Page(0);
  handler->AddTag(page, 256, int64_t(300), ttShort);
  handler->AddTag(page, 305, std::string("Mergeon"), ttASCII);
  handler->AddTag(page, 282, 72.5, ttRational);
  handler->AddTag(page, 283, -0.25, ttSRational);
  handler->AddTag(page, 284, 1e12, ttRational);
  handler->AddTag(page, 50, 2.5, ttDouble);
  EXPECT_EQ(handler->GetTagValue(page, 256, 0), 300);
  auto reread = Read(Write(handler));
  const TIETIFFIFD& p = reread->Page(0);
  EXPECT_EQ(Tags(p), (std::vector<uint16_t>{50, 256, 282, 283, 284, 305}));
  const TIETIFFEntry& text = p[reread->FindTag(0, 305)];
  EXPECT_EQ(text.Count, 8u);
  EXPECT_EQ(std::string(text.Data.begin(), text.Data.end()), std::string("Mergeon\0", 8));
  auto rational = [&](uint16_t tag) {
    const TIETIFFEntry& e = p[reread->FindTag(0, tag)];
    return std::make_pair(static_cast<int32_t>(ReadTIFF32(e.Data.data(), true)), ReadTIFF32(e.Data.data() + 4, true));
  };
  EXPECT_EQ(rational(282), std::make_pair(725000, 10000u));
  EXPECT_EQ(rational(283), std::make_pair(-2500, 10000u));
  // Too large for four decimals in 32 bits: a whole number over 1.
  auto large = rational(284);
  EXPECT_NEAR(static_cast<uint32_t>(large.first) / double(large.second), 2147483647.0, 1.0);

  handler->DeleteTag(0, handler->FindTag(0, 305));
  handler->DeleteTag(0, -1);
  EXPECT_EQ(handler->FindTag(0, 305), -1);
  EXPECT_EQ(handler->Page(0).size(), 5u);
}

TEST(TIFFHandler, LoopsAndBadOffsetsAreNotFollowed) {
  TTiffBuilder b(false);
  Bytes tiff = b.Build({{b.Short(256, 1)}, {b.Short(256, 2)}});
  // Page 2 points back to page 1: A -> B -> A.
  uint32_t first = ReadTIFF32(tiff.data() + 4, false);
  uint32_t second = ReadTIFF32(tiff.data() + first + 2 + 12, false);
  WriteTIFF32(tiff.data() + second + 2 + 12, first, false);
  EXPECT_EQ(Read(tiff)->PageCount(), 2);

  // An EXIF directory that contains itself.
  Bytes self = b.Build({{b.Short(256, 1), b.Long(34665, 0)}});
  uint32_t ifd = ReadTIFF32(self.data() + 4, false);
  WriteTIFF32(self.data() + ifd + 2 + 12 + 8, ifd, false);
  auto handler = Read(self);
  ASSERT_EQ(handler->PageCount(), 1);
  EXPECT_EQ(handler->FindTag(0, 34665), -1);

  // Strip offsets past the end drop both strip tags; a description past the end is dropped.
  TTiffBuilder c(true);
  std::vector<Bytes> strips = {{1, 2, 3, 4}, {5, 6, 7, 8}};
  Bytes bad = c.Build({{c.Short(256, 4), c.Ascii(270, "long enough text"), c.Blocks(273, strips), c.Counts(279, strips)}});
  uint32_t badIfd = ReadTIFF32(bad.data() + 4, true);
  WriteTIFF32(bad.data() + badIfd + 2 + 12 + 8, 0xFFFFFF00u, true);       // 270's offset
  WriteTIFF32(bad.data() + badIfd + 2 + 12 * 3 + 4, 1, true);             // 279 count 1 against 2 offsets
  auto dropped = Read(bad);
  EXPECT_EQ(Tags(dropped->Page(0)), (std::vector<uint16_t>{256}));
}

TEST(TIFFHandler, RefusesStreamsWithoutAByteOrder) {
  for (Bytes bytes : {Bytes{}, Bytes{'I', 'I', 42}, Bytes{'X', 'X', 0, 42, 8, 0, 0, 0}}) {
    TIETIFFHandler handler;
    TIEMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    EXPECT_FALSE(handler.ReadFromStream(&stream));
    EXPECT_EQ(handler.PageCount(), 0);
  }
  TIETIFFHandler handler;
  EXPECT_FALSE(handler.ReadFromFile("Z:\\no\\such\\file.tif"));
}

TEST(TIFFHandler, FilesRoundTripAndAnIndependentReaderAgrees) {
  std::string dir = MakeTempDir();
  WriteFileBytes(dir + "/in.tif", GreyTiff(true));
  std::unique_ptr<TIETIFFHandler> handler(TIETIFFHandler::CreateFromFile("Z:" + dir + "/in.tif"));
  ASSERT_EQ(handler->PageCount(), 1);
  handler->WriteToFile("Z:" + dir + "/out.tif", -1);
  Bytes written = ReadFileBytes(dir + "/out.tif");
  ASSERT_GT(written.size(), 8u);
  EXPECT_EQ(Read(written)->Page(0).size(), 13u);

  if (!HaveTool("exiftool")) GTEST_SKIP() << "exiftool is not installed";
  std::string output;
  ASSERT_EQ(RunShell("exiftool -s -ImageWidth -ImageDescription -ExposureTime -ISO -DateTimeOriginal -StripOffsets "
                     "-validate -warning '" + dir + "/out.tif'", &output), 0) << output;
  EXPECT_NE(output.find("ImageWidth                      : 4"), std::string::npos) << output;
  EXPECT_NE(output.find("ImageDescription                : Grey test image"), std::string::npos) << output;
  EXPECT_NE(output.find("ExposureTime                    : 1/250"), std::string::npos) << output;
  EXPECT_NE(output.find("ISO                             : 400"), std::string::npos) << output;
  EXPECT_NE(output.find("DateTimeOriginal                : 2024:01:02 03:04:05"), std::string::npos) << output;
  EXPECT_EQ(output.find("Warning"), std::string::npos) << output;
}

TEST(TIFFHandler, DamagedFilesAreReadSafely) {
  Bytes valid = GreyTiff(true, 2);
  ForEachDamagedCopy(valid, 1500, [](const uint8_t* data, int32_t size) {
    TIETIFFHandler handler;
    TIEMemStream stream(const_cast<uint8_t*>(data), size);
    handler.ReadFromStream(&stream);
    vcl::TMemoryStream out;
    handler.WriteToStream(&out, -1);
  });
}
