#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/metadata/maker_notes.h"
#include "imaging/base/mem_stream.h"
#include "imaging/metadata/tiff_tags.h"
#include "imaging/metadata/tiff_types.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace test_files;

namespace {

// One entry of a test note, with its values as numbers (or a text).
struct TNoteEntry {
  uint16_t tag;
  uint16_t type;
  std::vector<uint32_t> values;
  std::string text;

  uint32_t Count() const {
    if (type == ttASCII) return static_cast<uint32_t>(text.size() + 1);
    // A rational is two of the values.
    return static_cast<uint32_t>(TIFFTypeSize(type) == 8 ? values.size() / 2 : values.size());
  }
  Bytes Encode(bool bigEndian) const {
    Bytes b;
    if (type == ttASCII) {
      b.assign(text.begin(), text.end());
      b.push_back(0);
      return b;
    }
    for (uint32_t v : values) {
      uint8_t tmp[4];
      if (TIFFTypeSize(type) == 2) {
        WriteTIFF16(tmp, static_cast<uint16_t>(v), bigEndian);
        b.insert(b.end(), tmp, tmp + 2);
      } else if (TIFFTypeSize(type) == 1) {
        b.push_back(static_cast<uint8_t>(v));
      } else {
        WriteTIFF32(tmp, v, bigEndian);
        b.insert(b.end(), tmp, tmp + 4);
      }
    }
    return b;
  }
};

const std::vector<TNoteEntry> kEntries = {
    {0x0001, ttUndefined, {'0', '2', '1', '0'}, ""},
    {0x0002, ttShort, {0x1234}, ""},
    {0x0003, ttShort, {100, 200}, ""},
    {0x0004, ttLong, {0x01020304, 0x05060708}, ""},
    {0x0005, ttASCII, {}, "Hello"},
    {0x0006, ttRational, {3, 10}, ""},
};

// A note of the layout holding the entries; `notePosition` is where it will stand in the
// stream (offsets of base 0 count from stream position 0).
Bytes BuildNote(const TIEEXIFMakerNoteDeviceInfo& layout, bool fileBigEndian, int64_t notePosition,
                const std::vector<TNoteEntry>& entries = kEntries) {
  bool bigEndian = layout.ByteOrder == 3 || (layout.ByteOrder == 0 && fileBigEndian) || layout.ByteOrder == 1;
  Bytes note(layout.Signature.begin(), layout.Signature.end());
  size_t base = 0;
  if (layout.HeaderKind == 1) {
    base = note.size();
    Bytes header = {'M', 'M', 0, 42, 0, 0, 0, 8};
    note.insert(note.end(), header.begin(), header.end());
  } else if (layout.HeaderKind == 2) {
    PutLE32(note, static_cast<uint32_t>(note.size() + 4));
  }
  uint8_t tmp[4];
  WriteTIFF16(tmp, static_cast<uint16_t>(entries.size()), bigEndian);
  note.insert(note.end(), tmp, tmp + 2);
  size_t entryPos = note.size();
  note.resize(entryPos + 12 * entries.size() + 4, 0);
  for (size_t i = 0; i < entries.size(); ++i) {
    Bytes data = entries[i].Encode(bigEndian);
    uint8_t* e = note.data() + entryPos + 12 * i;
    WriteTIFF16(e, entries[i].tag, bigEndian);
    WriteTIFF16(e + 2, entries[i].type, bigEndian);
    WriteTIFF32(e + 4, entries[i].Count(), bigEndian);
    if (data.size() <= 4) {
      std::memcpy(e + 8, data.data(), data.size());
    } else {
      size_t at = note.size();
      uint32_t offset = layout.OffsetBase == 0 ? static_cast<uint32_t>(notePosition + at) : static_cast<uint32_t>(at - base);
      WriteTIFF32(note.data() + entryPos + 12 * i + 8, offset, bigEndian);
      note.insert(note.end(), data.begin(), data.end());
    }
  }
  return note;
}

// The handler's entries decoded back into numbers and texts.
std::vector<TNoteEntry> Decode(const TIETagsHandler& handler) {
  std::vector<TNoteEntry> out;
  bool bigEndian = !handler.ValuesLittleEndian();
  auto* directory = static_cast<const uint8_t*>(handler.TagStream()->Memory());
  for (const TIETagEntry& entry : handler.Entries()) {
    TNoteEntry decoded{entry.Tag, entry.Type, {}, ""};
    uint64_t size = TIFFDataSize(entry.Type, entry.Count);
    uint8_t inlineBytes[4];
    WriteTIFF32(inlineBytes, entry.Value, bigEndian);
    const uint8_t* data = size <= 4 ? inlineBytes : directory + entry.Value;
    if (entry.Type == ttASCII) {
      decoded.text.assign(reinterpret_cast<const char*>(data), size ? size - 1 : 0);
    } else {
      uint32_t unit = TIFFTypeSize(entry.Type) == 8 ? 4 : TIFFTypeSize(entry.Type);
      for (uint64_t at = 0; at < size; at += unit)
        decoded.values.push_back(unit == 1 ? data[at] : unit == 2 ? ReadTIFF16(data + at, bigEndian) : ReadTIFF32(data + at, bigEndian));
    }
    out.push_back(decoded);
  }
  return out;
}

std::string MakerDescribe(const std::vector<TNoteEntry>& entries) {
  std::string text;
  for (const TNoteEntry& e : entries) {
    text += std::to_string(e.tag) + "/" + std::to_string(e.type) + ":";
    for (uint32_t v : e.values) text += " " + std::to_string(v);
    text += e.text + "; ";
  }
  return text;
}

::testing::AssertionResult SameEntries(const std::vector<TNoteEntry>& a, const std::vector<TNoteEntry>& b) {
  if (MakerDescribe(a) == MakerDescribe(b)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << MakerDescribe(a) << " <> " << MakerDescribe(b);
}

// Reads a note placed at `position` of a stream.
void ReadNote(TIETagsHandler& handler, const Bytes& note, int64_t position, bool fileLittleEndian) {
  vcl::TMemoryStream stream;
  stream.SetSize(position);
  stream.SetPosition(position);
  stream.WriteBuffer(note.data(), static_cast<int32_t>(note.size()));
  stream.SetPosition(position);
  handler.ReadFromStream(&stream, static_cast<int32_t>(note.size()), fileLittleEndian);
}

}  // namespace

TEST(MakerNotes, IdentifiesTheLayoutBySignature) {
  struct Case {
    std::string start;
    std::string signature;
  } cases[] = {
      {std::string("Nikon\0\x02\x10\0\0MM", 12), std::string("Nikon\0\x02\x10\0\0", 10)},
      {std::string("Nikon\0\x01\0\x01\0", 10), std::string("Nikon\0\x01\0", 8)},
      {"FUJIFILM\x0C\0\0\0", "FUJIFILM"},
      {"Canon has none", ""},
      // A note shorter than a signature matches on what it has.
      {"SO", std::string("SONY CAM \0\0\0", 12)},
  };
  for (const Case& c : cases) {
    TIETagsHandler handler;
    handler.SetRawData(Bytes(c.start.begin(), c.start.end()));
    handler.IdentifyDevice();
    EXPECT_EQ(handler.Device().Signature, c.signature) << c.start;
  }
}

TEST(MakerNotes, NikonNoteIsReadInItsHeaderOrderFromItsHeader) {
  const TIEEXIFMakerNoteDeviceInfo& nikon = MakerNoteLayouts()[2];
  Bytes note = BuildNote(nikon, false, 300);
  ASSERT_EQ(Bytes(note.begin() + 10, note.begin() + 18), (Bytes{'M', 'M', 0, 0x2A, 0, 0, 0, 8}));
  TIETagsHandler handler;
  ReadNote(handler, note, 300, true);
  EXPECT_FALSE(handler.ValuesLittleEndian());
  EXPECT_EQ(handler.RawSize(), static_cast<int32_t>(note.size()));
  EXPECT_TRUE(SameEntries(Decode(handler), kEntries));
}

TEST(MakerNotes, QVCNoteIsBigEndianInsideALittleEndianFile) {
  Bytes note = BuildNote(MakerNoteLayouts()[3], false, 64);
  TIETagsHandler handler;
  ReadNote(handler, note, 64, true);
  EXPECT_FALSE(handler.ValuesLittleEndian());
  EXPECT_TRUE(SameEntries(Decode(handler), kEntries));
}

TEST(MakerNotes, NotesThatAreNotDirectoriesAreNotKept) {
  TIEEXIFMakerNoteDeviceInfo sony = MakerNoteLayouts()[0];
  std::vector<TNoteEntry> many(300, TNoteEntry{1, ttShort, {1}, ""});
  struct Case {
    const char* what;
    Bytes note;
  } cases[] = {
      {"300 entries", BuildNote(sony, false, 0, many)},
      {"one byte", Bytes{0x01}},
      {"signature only", Bytes(sony.Signature.begin(), sony.Signature.end())},
      {"Nikon without its header", Bytes{'N', 'i', 'k', 'o', 'n', 0, 2, 0x10, 0, 0, 'M', 'M'}},
      {"FUJIFILM offset past the end", Bytes{'F', 'U', 'J', 'I', 'F', 'I', 'L', 'M', 0xFF, 0, 0, 0, 0, 0}},
      {"entries past the end", Bytes{5, 0, 1, 0, 3, 0, 1, 0, 0, 0, 7, 0, 0, 0, 0, 0}},
  };
  for (Case& c : cases) {
    TIETagsHandler handler;
    ReadNote(handler, c.note, 0, true);
    EXPECT_EQ(handler.EntryCount(), 0) << c.what;
    EXPECT_EQ(handler.RawSize(), 0) << c.what;
    EXPECT_EQ(handler.TagStream()->Size(), 0) << c.what;
    vcl::TMemoryStream out;
    EXPECT_EQ(handler.WriteToStream(&out), 0) << c.what;
    EXPECT_EQ(out.Size(), 0) << c.what;
  }
}

TEST(MakerNotes, EntryWithDataOutsideTheNoteKeepsItsTagWithCountZero) {
  Bytes note = BuildNote(MakerNoteLayouts()[0], false, 0);
  // Entry 4 (the two LONGs) points far away.
  size_t entry = 12 + 2 + 12 * 3;
  WriteTIFF32(note.data() + entry + 8, 0x7FFFFFF0, false);
  TIETagsHandler handler;
  ReadNote(handler, note, 0, true);
  ASSERT_EQ(handler.EntryCount(), 6);
  EXPECT_EQ(handler.Entries()[3].Tag, 4);
  EXPECT_EQ(handler.Entries()[3].Type, ttLong);
  EXPECT_EQ(handler.Entries()[3].Count, 0u);
  EXPECT_EQ(handler.Entries()[3].Value, 0u);
  EXPECT_EQ(Decode(handler)[4].text, "Hello");
}

TEST(MakerNotes, WrittenNotesReadBackTheSameInEveryLayout) {
  std::vector<TIEEXIFMakerNoteDeviceInfo> layouts = MakerNoteLayouts();
  layouts.push_back(TIEEXIFMakerNoteDeviceInfo{});  // unknown maker: bare directory
  for (const TIEEXIFMakerNoteDeviceInfo& layout : layouts) {
    for (bool readBigEndian : {false, true}) {
      for (bool writeBigEndian : {false, true}) {
        std::string what = layout.Signature.substr(0, 5) + (readBigEndian ? " MM" : " II") + (writeBigEndian ? "->MM" : "->II");
        TIETagsHandler first;
        ReadNote(first, BuildNote(layout, readBigEndian, 40), 40, !readBigEndian);
        ASSERT_EQ(first.EntryCount(), 6) << what;

        // Written at an odd position of another file, in that file's byte order.
        vcl::TMemoryStream out;
        out.SetSize(51);
        out.SetPosition(51);
        int32_t written = first.WriteToStream(&out, !writeBigEndian);
        ASSERT_GT(written, 0) << what;
        ASSERT_EQ(out.Size(), 51 + written) << what;
        Bytes bytes = StreamBytes(&out);
        Bytes note(bytes.begin() + 51, bytes.end());
        EXPECT_EQ(Bytes(note.begin(), note.begin() + layout.Signature.size()),
                  Bytes(layout.Signature.begin(), layout.Signature.end())) << what;

        TIETagsHandler second;
        ReadNote(second, note, 51, !writeBigEndian);
        EXPECT_TRUE(SameEntries(Decode(second), kEntries)) << what;
        EXPECT_EQ(second.Device().Signature, layout.Signature) << what;
      }
    }
  }
}

TEST(MakerNotes, WriterAlignsBlocksAndEndsTheDirectory) {
  std::vector<TNoteEntry> entries = {{1, ttASCII, {}, "odd!"}, {2, ttASCII, {}, "abcdefg"}, {3, ttLong, {1, 2}, ""}};
  TIETagsHandler handler;
  ReadNote(handler, BuildNote(TIEEXIFMakerNoteDeviceInfo{}, false, 0, entries), 0, true);
  vcl::TMemoryStream out;
  int32_t written = handler.WriteToStream(&out);
  Bytes note = StreamBytes(&out);
  ASSERT_EQ(written, static_cast<int32_t>(note.size()));
  ASSERT_EQ(ReadTIFF16(note.data(), false), 3);
  EXPECT_EQ(ReadTIFF32(note.data() + 2 + 36, false), 0u);
  for (int i = 0; i < 3; ++i) {
    uint32_t offset = ReadTIFF32(note.data() + 2 + 12 * i + 8, false);
    EXPECT_EQ(offset % 2, 0u) << i;
    EXPECT_LT(offset, note.size());
  }
}

TEST(MakerNotes, NotesAbove65000BytesAreDropped) {
  std::vector<TNoteEntry> entries = {{1, ttASCII, {}, std::string(66000, 'x')}};
  TIETagsHandler handler;
  ReadNote(handler, BuildNote(TIEEXIFMakerNoteDeviceInfo{}, false, 0, entries), 0, true);
  ASSERT_EQ(handler.EntryCount(), 1);
  vcl::TMemoryStream out;
  EXPECT_EQ(handler.WriteToStream(&out), 0);
  EXPECT_EQ(out.Size(), 0);
}

TEST(MakerNotes, AssignCopiesDirectoryRawNoteAndLayout) {
  TIETagsHandler source;
  ReadNote(source, BuildNote(MakerNoteLayouts()[7], true, 0), 0, false);
  TIETagsHandler copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.RawData(), source.RawData());
  EXPECT_EQ(copy.Device().Signature, "FUJIFILM");
  EXPECT_EQ(StreamBytes(copy.TagStream()), StreamBytes(source.TagStream()));
  EXPECT_TRUE(SameEntries(Decode(copy), kEntries));
  copy.Assign(nullptr);
  EXPECT_EQ(copy.EntryCount(), 0);
}

TEST(MakerNotes, DamagedNotesAreReadSafely) {
  for (int layout : {0, 2, 7}) {
    Bytes valid = BuildNote(MakerNoteLayouts()[layout], layout == 0, 0);
    ForEachDamagedCopy(valid, 400, [](const uint8_t* data, int32_t size) {
      TIEMemStream stream(const_cast<uint8_t*>(data), size);
      TIETagsHandler handler;
      // The caller's size may claim more than the stream holds.
      handler.ReadFromStream(&stream, size + 16, true);
      EXPECT_LE(handler.RawSize(), size);
      vcl::TMemoryStream out;
      handler.WriteToStream(&out);
    });
  }
}

TEST(MakerNotes, AnIndependentReaderDecodesAWrittenNote) {
  if (!HaveTool("exiftool") || !HaveTool("cjpeg")) GTEST_SKIP() << "exiftool or cjpeg is not installed";
  // A camera's note, read from a little-endian file and written back in its own layout.
  std::vector<TNoteEntry> entries = {
      {0x0001, ttUndefined, {'0', '2', '1', '0'}, ""},
      {0x0002, ttShort, {0, 200}, ""},
      {0x0004, ttASCII, {}, "FINE "},
  };
  TIETagsHandler note;
  ReadNote(note, BuildNote(MakerNoteLayouts()[2], false, 0, entries), 0, true);
  ASSERT_EQ(note.EntryCount(), 3);
  vcl::TMemoryStream noteStream;
  ASSERT_GT(note.WriteToStream(&noteStream, true), 0);
  Bytes noteBytes = StreamBytes(&noteStream);

  // The note in the EXIF directory of an Exif block, in the APP1 marker of a small JPEG.
  TIETIFFHandler exif;
  exif.Pages().emplace_back();
  TIETIFFIFD& ifd0 = exif.Pages().back();
  exif.AddTag(ifd0, 271, std::string("NIKON CORPORATION"), ttASCII);
  exif.AddTag(ifd0, 272, std::string("NIKON D70"), ttASCII);
  TIETIFFEntry exifIFD;
  exifIFD.Tag = 34665;
  exifIFD.Type = ttLong;
  exifIFD.Count = 1;
  exifIFD.IsSubIFD = true;
  TIETIFFEntry makerNote;
  makerNote.Tag = 0x927C;
  makerNote.Type = ttUndefined;
  makerNote.Count = static_cast<uint32_t>(noteBytes.size());
  makerNote.Data = noteBytes;
  exifIFD.SubIFD.push_back(makerNote);
  ifd0.push_back(exifIFD);
  vcl::TMemoryStream tiff;
  exif.WriteToStream(&tiff, -1);
  Bytes app1 = ToBytes(std::string("Exif\0\0", 6));
  Bytes tiffBytes = StreamBytes(&tiff);
  app1.insert(app1.end(), tiffBytes.begin(), tiffBytes.end());

  std::string dir = MakeTempDir(), output;
  Bytes plain = SmallJPEG(dir);
  ASSERT_FALSE(plain.empty());
  WriteFileBytes(dir + "/nikon.jpg", WithMarker(plain, 0xE1, app1));

  ASSERT_EQ(RunShell("exiftool -s -Nikon:MakerNoteVersion -Nikon:ISO -Nikon:Quality -warning '" + dir + "/nikon.jpg'", &output), 0);
  EXPECT_NE(output.find("MakerNoteVersion                : 2.10"), std::string::npos) << output;
  EXPECT_NE(output.find("ISO                             : 200"), std::string::npos) << output;
  EXPECT_NE(output.find("Quality                         : Fine"), std::string::npos) << output;
  EXPECT_EQ(output.find("Warning"), std::string::npos) << output;
}
