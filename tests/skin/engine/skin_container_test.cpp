// The packed container: entries back to back with only their unpacked sizes stored, and every
// count, length and size checked before it is used.
#include <gtest/gtest.h>

#include <cstring>

#include "skin/engine/skin_convertor.h"
#include "skin/engine/skin_packer.h"
#include "skin/engine/zlib_stream.h"
#include "tests/skin/engine/test_skin.h"

using namespace skin;

namespace {

std::string Pack(const std::vector<TacPackEntry>& entries) { return skin_test::PackEntries(entries); }

// Parses bytes lent by a memory stream, as a stored skin lends its "Data".
void SkinContainerParse(const std::string& bytes, TacSkinConvertor& convertor, vcl::TMemoryStream& stream) {
  stream.Clear();
  stream.WriteBuffer(bytes.data(), int32_t(bytes.size()));
  convertor.SetPackedStream(&stream, false);
  convertor.Parse();
}

std::string Int32(int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

std::string StreamText(vcl::TMemoryStream* s) { return std::string(static_cast<const char*>(s->Memory()), size_t(s->Size())); }

TEST(SkinContainer, ReadsEntriesBackToBackWithoutStoredCompressedLengths) {
  // Entries larger than the inflate stream's 64 KB input block: the source must be put back
  // exactly after each zlib stream.
  std::string big(200000, 'x');
  for (size_t i = 0; i < big.size(); ++i) big[i] = char((i * 2654435761u) >> 13);
  std::vector<TacPackEntry> entries = {{"a.bmp", big}, {"options.dat", "[GLOBALINFO]\r\nVERSION=6.5\r\n"},
                                       {"b.png", "png bytes"}, {"C.Jpg", std::string(70000, 'c')}};
  TacSkinConvertor convertor;
  vcl::TMemoryStream stream;
  SkinContainerParse(Pack(entries), convertor, stream);
  EXPECT_EQ(convertor.ItemCount, 3);
  ASSERT_TRUE(convertor.OptionsStream);  // the options entry is found without case
  EXPECT_EQ(StreamText(convertor.OptionsStream.get()), entries[1].Data);
  ASSERT_EQ(convertor.ImageItems.size(), 3u);
  EXPECT_EQ(convertor.ImageItems[0].Name, "a.bmp");
  EXPECT_TRUE(convertor.ImageItems[0].IsBitmap);  // a lower-case extension still counts
  EXPECT_FALSE(convertor.ImageItems[1].IsBitmap);
  EXPECT_EQ(StreamText(convertor.ImageItems[0].Data.get()), big);
  EXPECT_EQ(StreamText(convertor.ImageItems[2].Data.get()), entries[3].Data);
  EXPECT_EQ(convertor.ImageItems[0].Data->Position(), int64_t(big.size()));
  EXPECT_EQ(convertor.FindImage("B.PNG"), &convertor.ImageItems[1]);
  EXPECT_EQ(convertor.FindImage("missing.bmp"), nullptr);
}

TEST(SkinContainer, RefusesDamagedAndForeignContainersWithTheSignatureMessage) {
  const std::string options = "[GLOBALINFO]\r\n";
  const std::string good = Pack({{"Options.dat", options}, {"a.bmp", "bitmap"}});
  const std::string header = "ASzf";
  auto entry = [](const std::string& name, int32_t unpacked, const std::string& zdata) {
    return Int32(int32_t(name.size())) + name + Int32(unpacked) + zdata;
  };
  // One real zlib stream of the options text, cut out of the good container.
  const std::string optionsZ = good.substr(8 + 4 + 11 + 4, good.size() - (8 + 4 + 11 + 4) - (4 + 5 + 4 + 14));
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"signature in another case", "ASzF" + good.substr(4)},
      {"foreign data", std::string("PK\3\4") + good.substr(4)},
      {"no entries", header + Int32(0)},
      {"negative count", header + Int32(-1)},
      {"a count past the data", header + Int32(0x7FFFFFFF) + good.substr(8)},
      {"negative name length", header + Int32(1) + Int32(-5) + std::string(40, 'A')},
      {"a name past the data", header + Int32(1) + Int32(1000) + std::string(40, 'A')},
      {"unpacked size 0", header + Int32(1) + entry("Options.dat", 0, optionsZ)},
      {"negative unpacked size", header + Int32(1) + entry("Options.dat", -1, optionsZ)},
      {"unpacked size far beyond the data", header + Int32(1) + entry("Options.dat", 0x7FFFFFFF, optionsZ)},
      {"more data than the size says", header + Int32(1) + entry("Options.dat", int32_t(options.size()) - 1, optionsZ)},
      {"no options entry", header + Int32(1) + entry("a.bmp", int32_t(options.size()), optionsZ)},
      {"two options entries", header + Int32(2) + entry("Options.dat", int32_t(options.size()), optionsZ) +
                                  entry("OPTIONS.DAT", int32_t(options.size()), optionsZ)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TacSkinConvertor convertor;
    vcl::TMemoryStream stream;
    try {
      SkinContainerParse(c.bytes, convertor, stream);
      ADD_FAILURE() << "parsed";
    } catch (const zlibex::EZDecompressionError&) {
    } catch (const vcl::EReadError&) {
    } catch (const vcl::Exception& e) {
      EXPECT_EQ(e.Message(), NotPackedSkinMessage);
    }
    // The convertor is cleared, not released: its owner still holds it and frees it once.
    EXPECT_EQ(convertor.ImageItems.size(), 0u);
    EXPECT_FALSE(convertor.OptionsStream);
  }
}

TEST(SkinContainer, RefusesEntriesThatTogetherUnpackPastTheCeiling) {
  // Zeros shrink about a thousand times: a small container, each entry alone within bounds.
  const std::string options = "[GLOBALINFO]\r\n";
  const std::string big(size_t(MaxSkinUnpackedTotal / 2 + 1024), '\0');
  struct Case {
    const char* what;
    std::vector<TacPackEntry> entries;
    bool refused;
  } cases[] = {
      {"one large image", {{"Options.dat", options}, {"a.bmp", big}}, false},
      {"two large images", {{"Options.dat", options}, {"a.bmp", big}, {"b.bmp", big}}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string packed = Pack(c.entries);
    ASSERT_LT(int64_t(packed.size()), MaxSkinUnpackedTotal / 500);
    TacSkinConvertor convertor;
    vcl::TMemoryStream stream;
    if (!c.refused) {
      SkinContainerParse(packed, convertor, stream);
      EXPECT_EQ(convertor.ImageItems.size(), 1u);
      continue;
    }
    try {
      SkinContainerParse(packed, convertor, stream);
      ADD_FAILURE() << "parsed";
    } catch (const vcl::Exception& e) {
      EXPECT_EQ(e.Message(), NotPackedSkinMessage);
    }
    EXPECT_TRUE(convertor.ImageItems.empty());
  }
}

TEST(SkinContainer, TheInflateStreamIsForwardOnly) {
  std::string data = Pack({{"Options.dat", std::string(30000, 'o')}});
  vcl::TMemoryStream source;
  source.WriteBuffer(data.data(), int32_t(data.size()));
  source.SetPosition(8 + 4 + 11 + 4);
  zlibex::TZDecompressionStream inflater(&source);
  char buffer[100];
  EXPECT_THROW(inflater.Write(buffer, 1), zlibex::EZDecompressionError);
  EXPECT_EQ(inflater.Seek(1000, vcl::soCurrent), 1000);
  EXPECT_EQ(inflater.Read(buffer, 100), 100);
  EXPECT_EQ(inflater.Seek(0, vcl::soCurrent), 1100);
  EXPECT_THROW(inflater.Seek(-1, vcl::soCurrent), zlibex::EZDecompressionError);
  EXPECT_EQ(inflater.Seek(0, vcl::soEnd), 30000);
  EXPECT_TRUE(inflater.Finished());
  EXPECT_EQ(source.Position(), int64_t(data.size()));  // put back exactly after the stream
  try {
    inflater.Write(buffer, 1);
  } catch (const zlibex::EZDecompressionError& e) {
    EXPECT_EQ(e.Message(), "Invalid ZStream operation!");
  }
}

TEST(SkinContainer, DamagedZlibDataRaisesTheInflateError) {
  std::string data = Pack({{"Options.dat", std::string(3000, 'o')}});
  data[8 + 4 + 11 + 4] = 0x12;  // no zlib header
  TacSkinConvertor convertor;
  vcl::TMemoryStream stream;
  try {
    SkinContainerParse(data, convertor, stream);
    ADD_FAILURE() << "parsed";
  } catch (const zlibex::EZDecompressionError& e) {
    EXPECT_LT(e.Code(), 0);
    EXPECT_EQ(e.Message(), "data error");  // zlib's text for the code
  }
}

TEST(SkinPacker, RefusesWhatTheContainerCannotHold) {
  vcl::TMemoryStream out;
  EXPECT_THROW(PackSkin({{"a.bmp", "x"}}, &out), vcl::EInvalidArgument);
  EXPECT_THROW(PackSkin({{"Options.dat", "x"}, {"OPTIONS.DAT", "y"}}, &out), vcl::EInvalidArgument);
  EXPECT_THROW(PackSkin({{"Options.dat", "x"}, {"a.bmp", ""}}, &out), vcl::EInvalidArgument);
}

}  // namespace
