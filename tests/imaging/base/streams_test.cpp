#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "imaging/base/buffered_read_stream.h"
#include "imaging/base/hash_stream.h"
#include "imaging/base/mem_stream.h"
#include "imaging/base/nul_stream.h"
#include "imaging/base/stream_copy.h"
#include "imaging/base/stream_encoders.h"
#include "imaging/base/string_stream_helpers.h"
#include "vcl/runtime/exceptions.h"

using namespace imaging;

namespace {

// A memory stream holding bytes 0, 1, 2, ... (mod 256), which counts the reads it serves.
class TCountingStream : public vcl::TMemoryStream {
 public:
  explicit TCountingStream(int size) {
    for (int i = 0; i < size; ++i) {
      uint8_t b = static_cast<uint8_t>(i);
      WriteBuffer(&b, 1);
    }
    SetPosition(0);
  }
  int32_t Read(void* buffer, int32_t count) override {
    ++reads;
    return vcl::TMemoryStream::Read(buffer, count);
  }
  int reads = 0;
};

std::string Text(const std::vector<uint8_t>& bytes, size_t n) { return std::string(bytes.begin(), bytes.begin() + n); }

}  // namespace

TEST(StreamEncoders, ASCII85) {
  struct Case {
    std::vector<uint8_t> input;
    std::string expected;
    int32_t digits;
  } cases[] = {
      {{0, 0, 0, 0}, "z~>\r\n", 1},
      {{255}, "rr~>\r\n", 2},
      {{'M', 'a', 'n', ' '}, "9jqo^~>\r\n", 5},
      {{0, 0, 0, 0, 1}, "z!<~>\r\n", 3},
      {{}, "~>\r\n", 0},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> out(64);
    const uint8_t* source = c.input.data();
    uint8_t* destination = out.data();
    int32_t counter = 0;
    int32_t written = EncodeASCII85(source, static_cast<int32_t>(c.input.size()), destination, counter);
    EXPECT_EQ(Text(out, written), c.expected);
    EXPECT_EQ(destination - out.data(), written);
    EXPECT_EQ(source - c.input.data(), static_cast<ptrdiff_t>(c.input.size()));
    EXPECT_EQ(counter, c.digits);
  }
}

TEST(StreamEncoders, ASCII85BreaksLinesAfter75Characters) {
  std::vector<uint8_t> input(64, 0x41);  // 16 groups of 5 digits
  std::vector<uint8_t> out(200);
  const uint8_t* source = input.data();
  uint8_t* destination = out.data();
  int32_t counter = 0;
  int32_t written = EncodeASCII85(source, 64, destination, counter);
  std::string text = Text(out, written);
  EXPECT_EQ(counter, 80);
  EXPECT_EQ(written, 80 + 2 + 4);
  EXPECT_EQ(text.find("\r\n"), 75u);
  EXPECT_EQ(text.substr(text.size() - 4), "~>\r\n");
}

TEST(StreamEncoders, RunLength) {
  struct Case {
    std::vector<uint8_t> input;
    std::vector<uint8_t> expected;
  } cases[] = {
      {{65, 65, 65, 66}, {254, 65, 0, 66, 128}},
      {std::vector<uint8_t>(130, 7), {129, 7, 255, 7, 128}},
      {{1, 2, 3, 3}, {2, 1, 2, 3, 0, 3, 128}},
      {{}, {128}},
      {{9}, {0, 9, 128}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> out(c.input.size() * 2 + 4);
    int32_t n = EncodeRunLength(c.input.data(), static_cast<int32_t>(c.input.size()), out.data());
    out.resize(n);
    EXPECT_EQ(out, c.expected);
  }
  std::vector<uint8_t> distinct(300);
  for (int i = 0; i < 300; ++i) distinct[i] = static_cast<uint8_t>(i * 7);
  std::vector<uint8_t> out(400);
  EXPECT_EQ(EncodeRunLength(distinct.data(), 300, out.data()), 300 + 3 + 1);
  EXPECT_EQ(out[0], 127);
  EXPECT_EQ(out[129], 127);
  // Alternating pairs are the worst case: every two bytes cost three.
  std::vector<uint8_t> pairs(301);
  for (int i = 0; i < 301; ++i) pairs[i] = static_cast<uint8_t>((i + 1) / 2);
  std::vector<uint8_t> room(301 + 151 + 2);
  EXPECT_LE(EncodeRunLength(pairs.data(), 301, room.data()), static_cast<int32_t>(room.size()));
}

TEST(StreamEncoders, CheckedWritesAndLines) {
  TIEMemStream readOnly(nullptr, 0);
  bool error = false;
  StreamWriteChecked(&readOnly, error, "abc", 3);
  EXPECT_TRUE(error);
  vcl::TStringStream text;
  error = false;
  StreamWriteChecked(&text, error, "abc", 3);
  EXPECT_FALSE(error);
  WriteLineCRLFToStream(&text, "line");
  EXPECT_EQ(text.DataString(), "abcline\r\n");
}

TEST(TNulStream, CountsWithoutStoring) {
  TNulStream stream;
  EXPECT_EQ(stream.Write(nullptr, 100), 100);
  EXPECT_EQ(stream.Write(nullptr, 50), 50);
  EXPECT_EQ(stream.Position(), 150);
  EXPECT_EQ(stream.Size(), 150);
  stream.Seek(20, vcl::soBeginning);
  stream.Write(nullptr, 10);
  EXPECT_EQ(stream.Position(), 30);
  EXPECT_EQ(stream.Size(), 150);
  EXPECT_EQ(stream.Seek(0, vcl::soEnd), 150);
  EXPECT_EQ(stream.Seek(-4, vcl::soEnd), 146);
  EXPECT_EQ(stream.Seek(500, vcl::soBeginning), 500);
  EXPECT_EQ(stream.Size(), 500);
  EXPECT_EQ(stream.Read(nullptr, 8), 8);
  EXPECT_EQ(stream.Size(), 508);
  vcl::TMemoryStream source;
  source.WriteBuffer("0123456789", 10);
  EXPECT_EQ(CopyStreamData(&stream, &source, 0), 10);
}

TEST(StringStreamHelpers, RoundTrips) {
  for (const std::string& s : {std::string(), std::string("abc"), std::string("a\0b\0", 4), std::string(70000, 'x')}) {
    vcl::TMemoryStream stream;
    WriteStringToStream(&stream, s);
    EXPECT_EQ(stream.Size(), static_cast<int64_t>(s.size() + 4));
    stream.SetPosition(0);
    std::string back = "old";
    ReadStringFromStream(&stream, back);
    EXPECT_EQ(back, s);
  }
  vcl::TMemoryStream empty;
  WriteStringToStream(&empty, "");
  uint8_t bytes[4];
  empty.SetPosition(0);
  empty.ReadBuffer(bytes, 4);
  EXPECT_EQ(std::memcmp(bytes, "\0\0\0\0", 4), 0);
}

TEST(StringStreamHelpers, DamagedLengthsRaiseAndKeepTheString) {
  struct Case {
    std::string bytes;
  } cases[] = {
      {std::string("\xFF\xFF\xFF\xFF", 4)},           // negative
      {std::string("\xFF\xFF\xFF\x7F" "abc", 7)},     // 2 GiB claimed, 3 bytes there
      {std::string("\x05\x00\x00\x00" "abc", 7)},     // short by 2
      {std::string("\x05\x00", 2)},                   // short length
  };
  for (const Case& c : cases) {
    vcl::TStringStream stream(c.bytes);
    std::string text = "kept";
    EXPECT_THROW(ReadStringFromStream(&stream, text), vcl::EReadError);
    EXPECT_EQ(text, "kept");
  }
}

TEST(TIEBufferedReadStream, AbsoluteAndRelativePositions) {
  TCountingStream source(200);
  source.SetPosition(100);
  {
    TIEBufferedReadStream relative(&source, true, 16);
    EXPECT_EQ(relative.Seek(0, vcl::soBeginning), 0);
    uint8_t b = 0;
    EXPECT_EQ(relative.Read(&b, 1), 1);
    EXPECT_EQ(b, 100);
    EXPECT_EQ(relative.Size(), 100);
    EXPECT_EQ(relative.Seek(-50, vcl::soCurrent), 0);  // held at the wrapping point
    EXPECT_EQ(relative.Read(&b, 1), 1);
    EXPECT_EQ(b, 100);
  }
  source.SetPosition(100);
  TIEBufferedReadStream absolute(&source, false, 16);
  EXPECT_EQ(absolute.Seek(0, vcl::soBeginning), 0);
  uint8_t b = 9;
  absolute.Read(&b, 1);
  EXPECT_EQ(b, 0);
  EXPECT_EQ(absolute.Size(), 200);
}

TEST(TIEBufferedReadStream, SeeksClampAndReportTheEnd) {
  TCountingStream source(50);
  TIEBufferedReadStream stream(&source, false, 8);
  struct Case {
    int64_t offset;
    vcl::TSeekOrigin origin;
    int64_t expected;
    bool end;
  } cases[] = {
      {-10, vcl::soEnd, 40, false}, {10, vcl::soEnd, 50, true},       {-5, vcl::soBeginning, 0, false},
      {60, vcl::soBeginning, 50, true}, {3, vcl::soCurrent, 50, true}, {0, vcl::soEnd, 50, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(stream.Seek(c.offset, c.origin), c.expected) << c.offset << " " << c.origin;
    EXPECT_EQ(stream.EndReached(), c.end) << c.offset << " " << c.origin;
  }
  stream.Seek(45, vcl::soBeginning);
  uint8_t buffer[8] = {};
  EXPECT_EQ(stream.Read(buffer, 8), 5);
  EXPECT_TRUE(stream.EndReached());
  EXPECT_EQ(buffer[0], 45);
  EXPECT_EQ(buffer[4], 49);
  EXPECT_EQ(stream.Read(buffer, 1), 0);
  EXPECT_EQ(stream.Read(buffer, 0), 0);
  EXPECT_EQ(stream.Read(buffer, -3), 0);
}

TEST(TIEBufferedReadStream, ReadsAcrossFillsInOrderAndSeeksInsideTheBuffer) {
  TCountingStream source(100);
  TIEBufferedReadStream stream(&source, false, 16);
  int readsAfterFill = source.reads;
  EXPECT_EQ(stream.Seek(5, vcl::soCurrent), 5);
  EXPECT_EQ(source.reads, readsAfterFill);  // inside the window: no source access
  uint8_t one = 0;
  stream.Read(&one, 1);
  EXPECT_EQ(one, 5);
  std::vector<uint8_t> buffer(40);
  EXPECT_EQ(stream.Read(buffer.data(), 40), 40);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(buffer[i], 6 + i);
  std::vector<uint8_t> rest(60);
  EXPECT_EQ(stream.Read(rest.data(), 60), 54);
  EXPECT_EQ(rest[53], 99);
  EXPECT_THROW(stream.Write("x", 1), vcl::EWriteError);
  try {
    stream.Write("x", 0);
  } catch (const vcl::Exception& e) {
    EXPECT_EQ(e.Message(), "TIEBufferedReadStream cannot write!");
  }
}

// ---- seeking from the end ----
// Both streams follow the platform's convention: from the end the offset is added to the
// size, so a negative offset counts back from the end, exactly as on the platform's own
// memory stream.

TEST(StreamSeekFromTheEnd, LandsWhereThePlatformsMemoryStreamLands) {
  for (int64_t offset : {int64_t(0), int64_t(-1), int64_t(-10), int64_t(-26), int64_t(-49), int64_t(-50)}) {
    TCountingStream platform(50);
    const int64_t expected = platform.Seek(offset, vcl::soEnd);
    ASSERT_EQ(expected, 50 + offset);

    TNulStream nul;
    nul.Write(nullptr, 50);
    EXPECT_EQ(nul.Seek(offset, vcl::soEnd), expected) << offset;
    EXPECT_EQ(nul.Size(), 50) << offset;

    TCountingStream source(50);
    TIEBufferedReadStream absolute(&source, false, 8);
    EXPECT_EQ(absolute.Seek(offset, vcl::soEnd), expected) << offset;
    uint8_t b = 0xEE;
    EXPECT_EQ(absolute.Read(&b, 1), offset < 0 ? 1 : 0) << offset;
    if (offset < 0) {
      EXPECT_EQ(b, expected) << offset;
    }

    // Wrapped at 20: the same byte, at a position counted from the wrapping point; a target
    // before that point is held there.
    source.SetPosition(20);
    TIEBufferedReadStream relative(&source, true, 8);
    EXPECT_EQ(relative.Seek(offset, vcl::soEnd), std::max<int64_t>(expected, 20) - 20) << offset;
    b = 0xEE;
    relative.Read(&b, 1);
    if (offset < 0) {
      EXPECT_EQ(b, std::max<int64_t>(expected, 20)) << offset;
    }
  }
}

// Offsets taken from a file may be anything: sums that would overflow are held at the ends
// instead of wrapping around.
TEST(StreamSeek, HugeOffsetsAreHeldAtTheEnds) {
  const int64_t kMax = std::numeric_limits<int64_t>::max();
  const int64_t kMin = std::numeric_limits<int64_t>::min();
  TNulStream nul;
  nul.Write(nullptr, 50);
  EXPECT_EQ(nul.Seek(kMax, vcl::soCurrent), kMax);
  EXPECT_EQ(nul.Write(nullptr, 10), 10);
  EXPECT_EQ(nul.Position(), kMax);
  EXPECT_EQ(nul.Seek(kMin, vcl::soEnd), -1);
  TCountingStream source(50);
  source.SetPosition(20);
  TIEBufferedReadStream relative(&source, true, 8);
  EXPECT_EQ(relative.Seek(kMax, vcl::soBeginning), 30);
  EXPECT_TRUE(relative.EndReached());
  EXPECT_EQ(relative.Seek(kMin, vcl::soEnd), 0);
  EXPECT_EQ(relative.Seek(kMax, vcl::soEnd), 30);
  EXPECT_EQ(relative.Seek(kMin, vcl::soCurrent), 0);
}

// A reader of a trailer (a TGA 2.0 footer: 26 bytes whose last 18 are the signature) seeks
// 26 bytes back from the end; the parameters-only reads hand it the caller's stream wrapped
// in a buffered stream, absolute or relative to where the image starts.
TEST(StreamSeekFromTheEnd, ATrailerIsFoundThroughTheBufferedStream) {
  std::string footer(8, '\x01');
  footer.append("TRUEVISION-XFILE.\0", 18);
  ASSERT_EQ(footer.size(), 26u);
  vcl::TMemoryStream file;
  file.WriteBuffer(std::string(10, 'x').data(), 10);  // what comes before the image
  file.WriteBuffer(std::string(5000, 'i').data(), 5000);
  file.WriteBuffer(footer.data(), 26);
  for (bool relative : {false, true}) {
    file.SetPosition(10);
    TIEBufferedReadStream stream(&file, relative, 8192);
    const int64_t start = stream.Position();
    EXPECT_EQ(stream.Seek(-26, vcl::soEnd), start + 5000) << relative;
    EXPECT_FALSE(stream.EndReached());
    std::string read(26, '\0');
    EXPECT_EQ(stream.Read(read.data(), 26), 26) << relative;
    EXPECT_EQ(read, footer) << relative;
    EXPECT_EQ(stream.Read(read.data(), 1), 0);
  }
}

// The parameters preview counts what a writer produces with a null stream; a writer that
// goes back from the end to patch what it wrote must not change the count.
TEST(StreamSeekFromTheEnd, PatchingTheEndKeepsTheNullStreamsCount) {
  TNulStream stream;
  stream.Write(nullptr, 100);
  EXPECT_EQ(stream.Seek(-4, vcl::soEnd), 96);
  stream.Write(nullptr, 4);
  EXPECT_EQ(stream.Position(), 100);
  EXPECT_EQ(stream.Size(), 100);
  // Past the end, what is written there ends the count.
  EXPECT_EQ(stream.Seek(6, vcl::soEnd), 106);
  stream.Write(nullptr, 2);
  EXPECT_EQ(stream.Size(), 108);
}

TEST(TIEMemStream, ReadsTheCallersMemoryAndRefusesWrites) {
  char data[] = "hello world";
  TIEMemStream stream(data, 11);
  char buffer[6] = {};
  stream.ReadBuffer(buffer, 5);
  EXPECT_STREQ(buffer, "hello");
  EXPECT_EQ(stream.Write("x", 1), 0);
  EXPECT_THROW(stream.WriteBuffer("x", 1), vcl::EWriteError);
  stream.SetSize(2);
  EXPECT_EQ(stream.Size(), 11);
  EXPECT_EQ(stream.Seek(-5, vcl::soEnd), 6);
  EXPECT_STREQ(data, "hello world");
}

TEST(TIEHashStream, HashesWhatIsWritten) {
  TIEHashStream hash(CALG_MD5);
  hash.WriteBuffer("abc", 3);
  const uint8_t md5abc[16] = {0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0,
                              0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72};
  EXPECT_EQ(hash.HashValue(), std::string(reinterpret_cast<const char*>(md5abc), 16));
  char b;
  EXPECT_THROW(hash.Read(&b, 1), vcl::Exception);
  try {
    hash.Seek(0, vcl::soBeginning);
    FAIL();
  } catch (const vcl::Exception& e) {
    EXPECT_EQ(e.Message(), "Seek error. Hash stream not Buffered, please create Buffered stream.");
  }
  TIEHashStream wrapper(CALG_MD5, new vcl::TStringStream("xyz"));
  EXPECT_EQ(wrapper.Read(&b, 1), 1);
  EXPECT_EQ(b, 'x');
  EXPECT_EQ(wrapper.HashValue(), "");
}

TEST(CopyStreamData, CopiesWhatIsLeftOrTheWholeSource) {
  vcl::TStringStream source("0123456789");
  struct Case {
    int64_t start, count, copied;
    std::string expected;
  } cases[] = {{7, 0, 10, "0123456789"}, {4, 100, 6, "456789"}, {2, 3, 3, "234"}, {10, 5, 0, ""}, {0, -1, 0, ""}};
  for (const Case& c : cases) {
    source.SetPosition(c.start);
    vcl::TStringStream destination;
    EXPECT_EQ(CopyStreamData(&destination, &source, c.count), c.copied) << c.start << "," << c.count;
    EXPECT_EQ(destination.DataString(), c.expected);
  }
  std::string big(0x2FFFF * 2 + 10, 'q');
  vcl::TStringStream large(big);
  vcl::TStringStream destination;
  EXPECT_EQ(CopyStreamData(&destination, &large, 0), static_cast<int64_t>(big.size()));
  EXPECT_EQ(destination.DataString(), big);
}
