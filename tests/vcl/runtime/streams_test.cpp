#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/test_helpers.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

using namespace vcl;

namespace {

const char kTen[] = "0123456789";

// Reads up to `count` bytes at the position as a string.
std::string ReadText(TStream& stream, int32_t count) {
  std::string text(count, '\0');
  text.resize(stream.Read(text.data(), count));
  return text;
}

void WriteText(TStream& stream, const std::string& text) {
  stream.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

std::string FileContents(const std::string& name) {
  TFileStream file(name, fmOpenRead | fmShareDenyNone);
  return ReadText(file, static_cast<int32_t>(file.Size()));
}

// A memory stream over the caller's block.
class TBlockStream : public TCustomMemoryStream {
  VCL_CLASS(TBlockStream, TCustomMemoryStream)
  TBlockStream(void* block, int64_t size) { SetPointer(block, size); }
  int32_t Write(const void*, int32_t) override { return 0; }
};

// Accepts at most `room` bytes in all; reports short writes beyond that.
class TSmallSink : public TStream {
  VCL_CLASS(TSmallSink, TStream)
  explicit TSmallSink(int32_t room) : room_(room) {}
  int32_t Read(void*, int32_t) override { return 0; }
  int32_t Write(const void*, int32_t count) override {
    int32_t n = std::max(0, std::min(count, room_));
    room_ -= n;
    return n;
  }
  int64_t Seek(int64_t, TSeekOrigin) override { return 0; }

 private:
  int32_t room_;
};

}  // namespace

// Streams whose positions are free: seeking past the end (and, in memory, before the start)
// is allowed and reads there return nothing.
class FreeSeekTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (std::string(GetParam()) == "file") {
      stream_ = std::make_unique<TFileStream>(folder_.File("ten.bin"), fmCreate);
    } else {
      stream_ = std::make_unique<TMemoryStream>();
    }
    WriteText(*stream_, kTen);
  }
  TestTempFolder folder_;
  std::unique_ptr<TStream> stream_;
};

TEST_P(FreeSeekTest, SeeksFromEveryOrigin) {
  TStream& s = *stream_;
  struct Case {
    int64_t offset;
    TSeekOrigin origin;
    int64_t position;
    const char* read3;
  };
  // Applied one after the other; soCurrent starts where the previous case left (after the read).
  const Case cases[] = {
      {3, soBeginning, 3, "345"},  {-4, soCurrent, 2, "234"}, {0, soCurrent, 5, "567"},
      {-4, soEnd, 6, "678"},       {-1, soEnd, 9, "9"},       {0, soEnd, 10, ""},
      {5, soEnd, 15, ""},          {-20, soCurrent, -5, ""}, {8, soBeginning, 8, "89"},
      {0, soBeginning, 0, "012"},
  };
  int caseNo = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(caseNo++);
    int64_t position = s.Seek(c.offset, c.origin);
    if (c.position < 0) {
      // Only memory goes before the start; a file refuses (-1).
      if (std::string(GetParam()) == "file") {
        EXPECT_EQ(position, -1);
        s.SetPosition(0);
        continue;
      }
    }
    EXPECT_EQ(position, c.position);
    EXPECT_EQ(s.Position(), c.position);
    EXPECT_EQ(ReadText(s, 3), c.read3);
  }
  EXPECT_EQ(s.Size(), 10);
}

TEST_P(FreeSeekTest, SizeRestoresThePositionAndReadBufferRaisesWhenShort) {
  TStream& s = *stream_;
  s.SetPosition(7);
  EXPECT_EQ(s.Size(), 10);
  EXPECT_EQ(s.Position(), 7);
  char buffer[4] = {};
  EXPECT_EQ(MessageOf<EReadError>([&] { s.ReadBuffer(buffer, 4); }), "Stream read error");
  s.SetPosition(6);
  EXPECT_NO_THROW(s.ReadBuffer(buffer, 4));
  EXPECT_EQ(std::string(buffer, 4), "6789");
  EXPECT_NO_THROW(s.ReadBuffer(buffer, 0));
  EXPECT_THROW(s.ReadBuffer(buffer, -1), EReadError);
  EXPECT_EQ(s.Read(buffer, -1), 0);
}

TEST_P(FreeSeekTest, SetSizeGrowsAndCuts) {
  TStream& s = *stream_;
  s.SetSize(4);
  EXPECT_EQ(s.Size(), 4);
  s.SetPosition(0);
  EXPECT_EQ(ReadText(s, 10), "0123");
  s.SetSize(6);
  s.SetPosition(0);
  EXPECT_EQ(ReadText(s, 10), std::string("0123\0\0", 6));  // the new bytes are zeros
}

INSTANTIATE_TEST_SUITE_P(Streams, FreeSeekTest, ::testing::Values("memory", "file"));

TEST(TStreamTest, WriteBufferRaisesOnAShortWrite) {
  TSmallSink sink(5);
  EXPECT_NO_THROW(sink.WriteBuffer(kTen, 3));
  EXPECT_EQ(MessageOf<EWriteError>([&] { sink.WriteBuffer(kTen, 3); }), "Stream write error");
}

TEST(TStreamTest, CopyFromCopiesACountOrTheWholeSource) {
  TStringStream source("abcdefgh");
  TMemoryStream dest;
  source.SetPosition(5);
  EXPECT_EQ(dest.CopyFrom(&source, 0), 8);  // 0: the whole source from its beginning
  source.SetPosition(2);
  EXPECT_EQ(dest.CopyFrom(&source, 3), 3);  // from the source's position
  EXPECT_EQ(source.Position(), 5);
  EXPECT_EQ(std::string(static_cast<char*>(dest.Memory()), dest.Size()), "abcdefghcde");
  EXPECT_THROW(dest.CopyFrom(&source, 4), EReadError);  // only 3 left
  EXPECT_THROW(dest.CopyFrom(&source, -1), EReadError);

  // More than one buffer's worth.
  TMemoryStream big, copy;
  std::vector<uint8_t> data(200000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
  big.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
  EXPECT_EQ(copy.CopyFrom(&big, 0), 200000);
  ASSERT_EQ(copy.Size(), 200000);
  EXPECT_EQ(std::memcmp(copy.Memory(), data.data(), data.size()), 0);
}

TEST(TMemoryStreamTest, WritesGrowTheBlock) {
  TMemoryStream stream;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    std::string piece = std::to_string(i) + ",";
    WriteText(stream, piece);
    expected += piece;
    ASSERT_GE(stream.Capacity(), stream.Size());
  }
  EXPECT_EQ(stream.Size(), static_cast<int64_t>(expected.size()));
  EXPECT_EQ(std::string(static_cast<char*>(stream.Memory()), stream.Size()), expected);

  // Overwriting inside, then writing past the end leaves zeros in the gap.
  stream.SetPosition(0);
  WriteText(stream, "XY");
  stream.Seek(3, soEnd);
  WriteText(stream, "!");
  const char* bytes = static_cast<char*>(stream.Memory());
  EXPECT_EQ(std::string(bytes, 4), "XY1,");
  EXPECT_EQ(std::string(bytes + expected.size(), 4), std::string("\0\0\0!", 4));

  // Nothing is written at a negative position.
  stream.SetPosition(-2);
  EXPECT_EQ(stream.Write("ab", 2), 0);
  EXPECT_EQ(stream.Size(), static_cast<int64_t>(expected.size()) + 4);
}

TEST(TMemoryStreamTest, SizeCapacityAndClear) {
  TMemoryStream stream;
  WriteText(stream, kTen);
  stream.SetPosition(8);
  stream.SetSize(5);  // the position follows the end
  EXPECT_EQ(stream.Position(), 5);
  stream.SetCapacity(1);  // never below the size: the data stays
  EXPECT_EQ(stream.Capacity(), 5);
  EXPECT_EQ(std::string(static_cast<char*>(stream.Memory()), 5), "01234");
  stream.SetCapacity(100000);
  EXPECT_EQ(stream.Capacity(), 100000);
  EXPECT_EQ(stream.Size(), 5);
  EXPECT_EQ(MessageOf<EStreamError>([&] { stream.SetSize(-1); }), "Stream size out of bounds (-1)");
  EXPECT_THROW(stream.SetSize(INT64_MAX), EStreamError);
  EXPECT_EQ(stream.Size(), 5);
  stream.Clear();
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Position(), 0);
  EXPECT_EQ(stream.Capacity(), 0);
  EXPECT_EQ(stream.Memory(), nullptr);
}

TEST(TMemoryStreamTest, LoadReplacesTheContentAndSaveWritesItAll) {
  TestTempFolder folder;
  TMemoryStream stream;
  WriteText(stream, "old content");
  stream.SetPosition(4);
  TStringStream source("new");
  source.SetPosition(2);
  stream.LoadFromStream(&source);  // from the source's beginning
  EXPECT_EQ(stream.Size(), 3);
  EXPECT_EQ(stream.Position(), 3);  // kept, within the new size
  EXPECT_EQ(std::string(static_cast<char*>(stream.Memory()), 3), "new");

  std::string file = folder.File("saved.bin");
  stream.SetPosition(1);
  stream.SaveToFile(file);  // whatever the position
  EXPECT_EQ(FileContents(file), "new");
  TMemoryStream loaded;
  loaded.LoadFromFile(file);
  EXPECT_EQ(std::string(static_cast<char*>(loaded.Memory()), loaded.Size()), "new");
  TStringStream target;
  loaded.SaveToStream(&target);
  EXPECT_EQ(target.DataString(), "new");

  // A failed load keeps what was there.
  EXPECT_THROW(loaded.LoadFromFile(folder.File("missing.bin")), EFOpenError);
  struct TLyingStream : TStringStream {
    using TStringStream::TStringStream;
    int32_t Read(void* buffer, int32_t count) override { return TStringStream::Read(buffer, count / 2); }
  } lying("0123456789");
  EXPECT_THROW(loaded.LoadFromStream(&lying), EReadError);
  EXPECT_EQ(std::string(static_cast<char*>(loaded.Memory()), loaded.Size()), "new");
}

TEST(TCustomMemoryStreamTest, SetPointerReadsTheCallersBlock) {
  char block[] = "caller's memory";
  TBlockStream stream(block, 15);
  EXPECT_EQ(stream.Memory(), block);
  EXPECT_EQ(stream.Size(), 15);
  EXPECT_EQ(ReadText(stream, 8), "caller's");
  EXPECT_EQ(stream.Seek(-6, soEnd), 9);
  EXPECT_EQ(ReadText(stream, 100), "memory");
  stream.Seek(-20, soCurrent);
  EXPECT_EQ(ReadText(stream, 4), "");  // before the start
  TStringStream copy;
  stream.SaveToStream(&copy);
  EXPECT_EQ(copy.DataString(), "caller's memory");
}

TEST(TStringStreamTest, ReadsWritesAndSeeksWithinTheString) {
  TStringStream stream("hello world");
  EXPECT_EQ(stream.ReadString(5), "hello");
  EXPECT_EQ(stream.Seek(100, soCurrent), 11);  // held at the end
  EXPECT_EQ(stream.Seek(-100, soEnd), 0);      // and at the start
  EXPECT_EQ(stream.Seek(-5, soEnd), 6);
  stream.WriteString("W");  // overwrites without cutting the rest
  EXPECT_EQ(stream.DataString(), "hello World");
  stream.Seek(0, soEnd);
  stream.WriteString("!!");
  EXPECT_EQ(stream.DataString(), "hello World!!");
  EXPECT_EQ(stream.ReadString(3), "");
  stream.SetPosition(11);
  EXPECT_EQ(stream.ReadString(-1), "");
  EXPECT_EQ(stream.ReadString(10), "!!");
  stream.SetSize(5);
  EXPECT_EQ(stream.DataString(), "hello");
  EXPECT_EQ(stream.Position(), 5);
  EXPECT_THROW(stream.SetSize(-1), EStreamError);
}

TEST(TFileStreamTest, CreateTruncatesAndOpenModesAllowWhatTheySay) {
  TestTempFolder folder;
  std::string name = folder.File("data.txt");
  {
    TFileStream file(name, fmCreate);
    WriteText(file, "first version");
    EXPECT_EQ(file.FileName(), name);
  }
  {
    TFileStream file(name, fmCreate);
    WriteText(file, "second");
  }
  EXPECT_EQ(FileContents(name), "second");
  {
    TFileStream file(name, fmOpenReadWrite);
    file.Seek(0, soEnd);
    WriteText(file, "+");
  }
  EXPECT_EQ(FileContents(name), "second+");
  {
    TFileStream file(name, fmOpenRead);
    char c;
    EXPECT_EQ(file.Write("x", 1), 0);  // read-only handle
    EXPECT_EQ(file.Read(&c, 1), 1);
  }
  {
    TFileStream file(name, fmOpenWrite);
    char c;
    EXPECT_EQ(file.Read(&c, 1), 0);  // write-only handle
    WriteText(file, "S");
  }
  EXPECT_EQ(FileContents(name), "Second+");
}

TEST(TFileStreamTest, ShareModesDecideWhetherASecondOpenSucceeds) {
  struct Case {
    uint16_t first, second;
    bool opens;
  };
  const Case cases[] = {
      {fmOpenRead | fmShareExclusive, fmOpenRead | fmShareDenyNone, false},
      {fmOpenRead | fmShareCompat, fmOpenRead | fmShareDenyNone, false},
      {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyWrite, true},
      {fmOpenRead | fmShareDenyWrite, fmOpenReadWrite | fmShareDenyNone, false},
      {fmOpenRead | fmShareDenyNone, fmOpenReadWrite | fmShareDenyNone, true},
      {fmOpenWrite | fmShareDenyRead, fmOpenRead | fmShareDenyNone, false},
      {fmOpenWrite | fmShareDenyRead, fmOpenWrite | fmShareDenyNone, true},
      {fmCreate | fmShareDenyWrite, fmOpenRead | fmShareDenyNone, true},
      {fmCreate, fmOpenRead | fmShareDenyNone, false},
  };
  TestTempFolder folder;
  std::string name = folder.File("shared.bin");
  TFileStream(name, fmCreate).WriteBuffer("abc", 3);
  int caseNo = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(caseNo++);
    TFileStream first(name, c.first);
    if (c.opens) {
      EXPECT_NO_THROW(TFileStream(name, c.second));
    } else {
      EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream(name, c.second); }),
                "Cannot open file \"" + name + "\". " + SysErrorMessage(ERROR_SHARING_VIOLATION));
    }
  }
}

TEST(TFileStreamTest, FailuresNameTheFileAndTheReason) {
  TestTempFolder folder;
  std::string missing = folder.File("missing.txt");
  EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream(missing, fmOpenRead); }),
            "Cannot open file \"" + missing + "\". " + SysErrorMessage(ERROR_FILE_NOT_FOUND));
  std::string nowhere = folder.Path() + "\\no such folder\\x.txt";
  EXPECT_EQ(MessageOf<EFCreateError>([&] { TFileStream(nowhere, fmCreate); }),
            "Cannot create file \"" + nowhere + "\". " + SysErrorMessage(ERROR_PATH_NOT_FOUND));
  // Modes that are none of the known ones are refused, not guessed at.
  std::string name = folder.File("exists.txt");
  TFileStream(name, fmCreate).WriteBuffer("x", 1);
  for (uint16_t mode : {uint16_t(3), uint16_t(fmOpenRead | 0x50), uint16_t(fmCreate | 0x70)}) {
    SCOPED_TRACE(mode);
    std::string message = (mode & fmCreate) == fmCreate
                              ? MessageOf<EFCreateError>([&] { TFileStream(name, mode); })
                              : MessageOf<EFOpenError>([&] { TFileStream(name, mode); });
    EXPECT_NE(message.find(SysErrorMessage(ERROR_INVALID_PARAMETER)), std::string::npos) << message;
  }
  EXPECT_EQ(FileContents(name), "x");
}

TEST(THandleStreamTest, WorksOverAHandleItDoesNotOwn) {
  TestTempFolder folder;
  std::string name = folder.File("handle.bin");
  HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  {
    THandleStream stream(reinterpret_cast<intptr_t>(handle));
    EXPECT_EQ(stream.Handle(), reinterpret_cast<intptr_t>(handle));
    WriteText(stream, kTen);
    stream.SetSize(7);
    EXPECT_EQ(stream.Position(), 7);  // left at the new end
    // A negative size raises and leaves the file as it was.
    EXPECT_THROW(stream.SetSize(-1), EOSError);
    EXPECT_EQ(stream.Size(), 7);
  }
  EXPECT_NE(GetFileSize(handle, nullptr), INVALID_FILE_SIZE);  // still open
  CloseHandle(handle);
  EXPECT_EQ(FileContents(name), "0123456");
}

TEST(TResourceStreamTest, ReadsAResourceOfTheExecutable) {
  TResourceStream stream(nullptr, "TESTDATA", MAKEINTRESOURCEA(10));
  EXPECT_EQ(stream.Size(), 14);
  EXPECT_EQ(ReadText(stream, 100), "hello resource");
  stream.Seek(-8, soEnd);
  EXPECT_EQ(ReadText(stream, 100), "resource");
  const char* readOnly = "Can't write to a read-only resource stream";
  EXPECT_EQ(MessageOf<EStreamError>([&] { stream.Write("x", 1); }), readOnly);
  EXPECT_EQ(MessageOf<EStreamError>([&] { stream.SetSize(0); }), readOnly);
  EXPECT_EQ(std::string(static_cast<const char*>(stream.Memory()), 5), "hello");
}

TEST(TResourceStreamTest, AMissingResourceRaises) {
  EXPECT_EQ(MessageOf<EResNotFound>([] { TResourceStream(nullptr, std::string("NOPE"), MAKEINTRESOURCEA(10)); }),
            "Resource NOPE not found");
  EXPECT_EQ(MessageOf<EResNotFound>([] { TResourceStream(nullptr, MAKEINTRESOURCEA(4321), MAKEINTRESOURCEA(10)); }),
            "Resource 4321 not found");
  // The right name under another type is not it.
  EXPECT_THROW(TResourceStream(nullptr, "TESTDATA", MAKEINTRESOURCEA(6)), EResNotFound);
}
