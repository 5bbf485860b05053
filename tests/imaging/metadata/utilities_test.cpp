#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/base/base64_text.h"
#include "imaging/base/heap_or_global.h"
#include "imaging/base/sort_callbacks.h"
#include "imaging/base/temp_file_name.h"
#include "imaging/base/text_helpers.h"
#include "imaging/metadata/xmp_packet.h"
#include "vcl/runtime/lists.h"
#include "vcl/runtime/streams.h"

using namespace imaging;

namespace {

std::string Base64Lines(const std::string& bytes, int32_t lineLength, int64_t start = 0) {
  vcl::TStringStream source(bytes), text;
  source.SetPosition(start);
  WriteBase64Text(&source, &text, lineLength);
  return text.DataString();
}

// Restores the decimal separator a test changes.
class SeparatorGuard {
 public:
  explicit SeparatorGuard(char separator) : saved_(vcl::FormatSettings.DecimalSeparator) {
    vcl::FormatSettings.DecimalSeparator = separator;
  }
  ~SeparatorGuard() { vcl::FormatSettings.DecimalSeparator = saved_; }

 private:
  char saved_;
};

}  // namespace

TEST(Base64, GroupsAndLines) {
  char out[5] = {};
  const uint8_t man[3] = {'M', 'a', 'n'};
  Base64EncodeGroup(man, out, 3);
  EXPECT_STREQ(out, "TWFu");
  Base64EncodeGroup(man, out, 2);
  EXPECT_STREQ(out, "TWE=");
  Base64EncodeGroup(man, out, 1);
  EXPECT_STREQ(out, "TQ==");

  EXPECT_EQ(Base64Lines("Man", 76), "TWFu\r\n");
  EXPECT_EQ(Base64Lines("Mane", 4), "TWFu\r\nZQ==\r\n");
  EXPECT_EQ(Base64Lines("", 76), "");
  EXPECT_EQ(Base64Lines("xxMan", 76, 2), "TWFu\r\n");
  EXPECT_EQ(Base64Lines("ManManManMan", 8), "TWFuTWFu\r\nTWFuTWFu\r\n");
  EXPECT_EQ(Base64Lines("ManMan", 6), "TWFuTWFu\r\n");  // 6 / 4 = 1.5 groups per line
  EXPECT_EQ(Base64Lines("ManMan", 0), "TWFu\r\nTWFu\r\n");
}

TEST(SortWithCallbacks, SortsAnIndexedContainer) {
  for (std::vector<int> values : {std::vector<int>{5, 3, 9, 1, 5, 7, 2, 8, 0, 6}, std::vector<int>{1},
                                  std::vector<int>{}, std::vector<int>{2, 2, 2, 1}, std::vector<int>{9, 8, 7, 6, 5, 4}}) {
    std::vector<int> expected = values;
    std::sort(expected.begin(), expected.end());
    SortWithCallbacks(
        static_cast<int32_t>(values.size()), [&](int32_t a, int32_t b) { std::swap(values[a], values[b]); },
        [&](int32_t a, int32_t b) { return values[a] - values[b]; });
    EXPECT_EQ(values, expected);
  }
  int calls = 0;
  SortWithCallbacks(-3, [&](int32_t, int32_t) { ++calls; }, [&](int32_t, int32_t) { return ++calls, 0; });
  EXPECT_EQ(calls, 0);
}

TEST(TextHelpers, FloatsWithDots) {
  EXPECT_EQ(ParseFloatTolerant("1,5", 0), 1.5L);
  EXPECT_EQ(ParseFloatTolerant("abc", 7), 7);
  EXPECT_EQ(ParseFloatTolerant(" 2.25 ", 0), 2.25L);
  EXPECT_EQ(FloatToDotStr(1.5), "1.5");
  {
    SeparatorGuard comma(',');
    EXPECT_EQ(ParseFloatTolerant("1.5", 0), 1.5L);
    EXPECT_EQ(ParseFloatTolerant("1,5", 0), 1.5L);
    EXPECT_EQ(FloatToDotStr(1.5), "1.5");
    std::string text;
    FloatToDotStrDirect(text, -0.25);
    EXPECT_EQ(text, "-0.25");
  }
}

TEST(TextHelpers, URLsExtensionsAndWrappers) {
  struct Case {
    const char* text;
    int32_t expected;
  } cases[] = {{"http://a", 1}, {"HTTPS://a", 2}, {"ftp://x", 3}, {"file://x", 0}, {"http:/", 0}, {"", 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(GetURLProtocol(c.text), c.expected) << c.text;
    std::string s = c.text;
    EXPECT_EQ(GetURLProtocolW(std::u16string(s.begin(), s.end())), c.expected) << c.text;
  }
  EXPECT_EQ(ExtractFileExtLower("Photo.JPG", false), "jpg");
  EXPECT_EQ(ExtractFileExtLower("C:\\A.B\\Photo.JPG", true), ".jpg");
  EXPECT_EQ(ExtractFileExtLower("README", false), "");
  EXPECT_EQ(ExtractFileExtLowerW(u"x.TiFF", false), u"tiff");
  EXPECT_EQ(TrimString("  a b "), "a b");
  EXPECT_EQ(UpperCaseString("aBc"), "ABC");
  EXPECT_EQ(LowerCaseString("aBc"), "abc");
  EXPECT_EQ(IntToString(-42), "-42");
  EXPECT_EQ(IntToHexString(255, 4), "00FF");
  EXPECT_EQ(StringToIntDef("12x", 5), 5);
  EXPECT_EQ(StringToIntDef("12", 5), 12);
  EXPECT_EQ(CopyString("abcdef", 2, 3), "bcd");
  EXPECT_EQ(FindSubString("cd", "abcdef"), 3);
  EXPECT_EQ(FindSubString("x", "abcdef"), 0);
  EXPECT_EQ(FloatToStringFormat(3.14159, vcl::ffFixed, 15, 2), "3.14");
  EXPECT_EQ(DuplicatePChar(nullptr), nullptr);
  char* copy = DuplicatePChar("text");
  EXPECT_STREQ(copy, "text");
  delete[] copy;

  vcl::TList source, destination;
  int a = 1, b = 2;
  source.Add(&a);
  source.Add(&b);
  destination.Add(&b);
  CopyListItems(&source, &destination);
  ASSERT_EQ(destination.Count(), 2);
  EXPECT_EQ(destination.Items(0), &a);
  EXPECT_EQ(destination.Items(1), &b);
}

TEST(HeapOrGlobal, SmallBlocksFromTheHeapLargeFromGlobalMemory) {
  for (int64_t size : {int64_t(0), int64_t(100), int64_t(0xFFFFF), int64_t(0x100000), int64_t(0x300000)}) {
    void* block = AllocHeapOrGlobal(size);
    ASSERT_NE(block, nullptr) << size;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u);
    if (size >= 0x100000) {
      // Global blocks come zero-filled.
      auto* bytes = static_cast<uint8_t*>(block);
      EXPECT_EQ(bytes[0], 0);
      EXPECT_EQ(bytes[size - 1], 0);
    }
    if (size > 0) std::memset(block, 0xAB, static_cast<size_t>(size));
    FreeHeapOrGlobal(block);
    EXPECT_EQ(block, nullptr);
  }
  EXPECT_EQ(AllocHeapOrGlobal(-1), nullptr);
  void* nothing = nullptr;
  FreeHeapOrGlobal(nothing);
  void* heap = reinterpret_cast<void*>(1);
  TryGetMem(heap, 64);
  EXPECT_NE(heap, nullptr);
  std::free(heap);
  TryGetMem(heap, -5);
  EXPECT_EQ(heap, nullptr);
  HGLOBAL g = GlobalAllocZeroed(32);
  EXPECT_NE(g, nullptr);
  GlobalFreeAndNil(g);
  EXPECT_EQ(g, nullptr);
}

TEST(XMPPacket, FindsLoadsAndSaves) {
  std::vector<uint8_t> block = SaveXMPToBuffer("<x:xmpmeta/>");
  ASSERT_EQ(block.size(), 29u + 12u);
  EXPECT_EQ(std::memcmp(block.data(), "http://ns.adobe.com/xap/1.0/\0<x:", 32), 0);
  const uint8_t* packet = FindXMPPacket(block.data(), static_cast<int32_t>(block.size()));
  EXPECT_EQ(packet, block.data() + 29);
  std::string text;
  EXPECT_TRUE(LoadXMPFromBuffer(block.data(), static_cast<int32_t>(block.size()), text));
  EXPECT_EQ(text, "<x:xmpmeta/>");

  struct Case {
    std::string bytes;
  } rejected[] = {
      {std::string("http://ns.adobe.com/xap/1.0/\0", 29)},   // 29 bytes: too short
      {std::string("Exif\0\0" "0123456789012345678901234567890", 36)},
      {std::string("http://ns.adobe.com/xap/1.0/abcdefgh")},  // no terminator within the block
  };
  for (const Case& c : rejected) {
    auto* data = reinterpret_cast<const uint8_t*>(c.bytes.data());
    EXPECT_EQ(FindXMPPacket(data, static_cast<int32_t>(c.bytes.size())), nullptr);
    text = "kept";
    EXPECT_FALSE(LoadXMPFromBuffer(data, static_cast<int32_t>(c.bytes.size()), text));
    EXPECT_EQ(text, "kept");
  }
}

TEST(TempFileName, MakesAFreeNameOfTheLibrarysForm) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  std::string name;
  MakeTempFileName("ILIST", folder, name);
  std::string prefix = std::string(folder) + "ILIST-";
  ASSERT_EQ(name.size(), prefix.size() + 12);
  EXPECT_EQ(name.substr(0, prefix.size()), prefix);
  EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
  std::string hex = name.substr(prefix.size(), 8);
  EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << hex;
  EXPECT_EQ(GetFileAttributesA(name.c_str()), INVALID_FILE_ATTRIBUTES);

  // A name that exists is never handed out: take the next one the generator would give.
  uint32_t seed = vcl::RandSeed;
  std::string first;
  MakeTempFileName("ICACHE", folder, first);
  HANDLE h = CreateFileA(first.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  vcl::RandSeed = seed;
  std::string second;
  MakeTempFileName("ICACHE", folder, second);
  EXPECT_NE(second, first);
  DeleteFileA(first.c_str());
}
