#include "imaging/coding/zlib_streams.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "tests/support/file_helpers.h"

using namespace imaging;
using test_files::Bytes;

namespace {

Bytes Sample(size_t size, bool noisy, uint32_t seed = 1) {
  std::mt19937 random(seed);
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) b[i] = noisy ? static_cast<uint8_t>(random()) : static_cast<uint8_t>(i / 500 % 7);
  return b;
}

Bytes ZlibContents(vcl::TMemoryStream& stream, int64_t from = 0) {
  const auto* p = static_cast<const uint8_t*>(stream.Memory());
  return Bytes(p + from, p + stream.Size());
}

// zlib's own one-call coders, as the independent side.
Bytes ZlibCompress(const Bytes& data, int level = Z_DEFAULT_COMPRESSION) {
  uLongf size = compressBound(data.size());
  Bytes out(size);
  EXPECT_EQ(compress2(out.data(), &size, data.data(), data.size(), level), Z_OK);
  out.resize(size);
  return out;
}

bool ZlibUncompress(const Bytes& coded, size_t expected, Bytes& out) {
  out.assign(expected + 1, 0);
  uLongf size = out.size();
  if (uncompress(out.data(), &size, coded.data(), coded.size()) != Z_OK) return false;
  out.resize(size);
  return true;
}

Bytes Deflate(const Bytes& data, int32_t level) {
  vcl::TMemoryStream destination;
  {
    TZCompressionStream z(&destination, level);
    z.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
    EXPECT_EQ(z.Position(), static_cast<int64_t>(data.size()));
  }
  return ZlibContents(destination);
}

template <class E, class F>
void ExpectError(F&& f, const std::string& message) {
  try {
    f();
    ADD_FAILURE() << "no exception, expected \"" << message << "\"";
  } catch (const E& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

}  // namespace

TEST(ZlibStreams, CompressionStreamWritesWhatZlibReads) {
  struct Case {
    size_t size;
    bool noisy;
    int32_t level;
  } cases[] = {{0, false, 2}, {1, true, 0}, {100000, true, 1}, {300000, false, 2}, {200000, true, 3},
               {70000, false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << " bytes, level index " << c.level);
    const Bytes data = Sample(c.size, c.noisy);
    Bytes back;
    ASSERT_TRUE(ZlibUncompress(Deflate(data, c.level), data.size(), back));
    EXPECT_EQ(back, data);
  }
  // Level index 0 stores, 3 compresses hardest.
  const Bytes runs = Sample(100000, false);
  EXPECT_GT(Deflate(runs, 0).size(), runs.size());
  EXPECT_LE(Deflate(runs, 3).size(), Deflate(runs, 1).size());
}

TEST(ZlibStreams, EmptyDataMakesACompleteStream) {
  const Bytes coded = Deflate({}, 2);
  EXPECT_EQ(coded.size(), 8u);  // header, empty final block, checksum
  Bytes back;
  EXPECT_TRUE(ZlibUncompress(coded, 0, back));
  EXPECT_TRUE(back.empty());
}

TEST(ZlibStreams, TwoCompressionStreamsShareOneDestination) {
  const Bytes first = Sample(300000, true, 1), second = Sample(300000, true, 2);
  vcl::TMemoryStream destination;
  const int64_t secondStart = 1000000;
  {
    TZCompressionStream a(&destination, 2);
    destination.SetPosition(secondStart);
    TZCompressionStream b(&destination, 2);
    for (size_t at = 0; at < first.size(); at += 10000) {
      a.WriteBuffer(first.data() + at, 10000);
      b.WriteBuffer(second.data() + at, 10000);
    }
  }
  const Bytes all = ZlibContents(destination);
  Bytes back;
  ASSERT_TRUE(ZlibUncompress(Bytes(all.begin(), all.begin() + secondStart), first.size(), back));
  EXPECT_EQ(back, first);
  ASSERT_TRUE(ZlibUncompress(Bytes(all.begin() + secondStart, all.end()), second.size(), back));
  EXPECT_EQ(back, second);
}

TEST(ZlibStreams, ProgressFiresPerBlock) {
  vcl::TMemoryStream destination;
  int compressed = 0;
  {
    TZCompressionStream z(&destination, 0);
    z.OnProgress = [&](vcl::TObject* sender) {
      EXPECT_EQ(sender, &z);
      ++compressed;
    };
    const Bytes data = Sample(200000, true);
    z.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
  }
  EXPECT_EQ(compressed, 3);  // three full 64 KB blocks of stored data
  destination.SetPosition(0);
  TZDecompressionStream z(&destination);
  int decompressed = 0;
  z.OnProgress = [&](vcl::TObject*) { ++decompressed; };
  Bytes out(200000);
  EXPECT_EQ(z.Read(out.data(), 200000), 200000);
  EXPECT_EQ(decompressed, 4);  // 200,000 stored bytes plus framing arrive in four reads
}

TEST(ZlibStreams, DecompressionLeavesAContainerRightAfterTheData) {
  const Bytes data = Sample(150000, false);
  const Bytes coded = ZlibCompress(data);
  vcl::TMemoryStream container;
  const Bytes head = {'H', 'E', 'A', 'D'}, tail = {'T', 'A', 'I', 'L'};
  container.WriteBuffer(head.data(), 4);
  container.WriteBuffer(coded.data(), static_cast<int32_t>(coded.size()));
  container.WriteBuffer(tail.data(), 4);
  container.SetPosition(4);
  TZDecompressionStream z(&container);
  Bytes out(data.size() + 100);
  EXPECT_EQ(z.Read(out.data(), static_cast<int32_t>(out.size())), static_cast<int32_t>(data.size()));
  out.resize(data.size());
  EXPECT_EQ(out, data);
  EXPECT_EQ(container.Position(), static_cast<int64_t>(4 + coded.size()));
  EXPECT_EQ(z.Read(out.data(), 10), 0);
  EXPECT_EQ(container.Position(), static_cast<int64_t>(4 + coded.size()));
}

TEST(ZlibStreams, DecompressionSeeks) {
  const Bytes data = Sample(100000, true);
  const Bytes coded = ZlibCompress(data);
  vcl::TMemoryStream container;
  container.WriteBuffer("xyz", 3);
  container.WriteBuffer(coded.data(), static_cast<int32_t>(coded.size()));
  container.SetPosition(3);
  TZDecompressionStream z(&container);
  uint8_t b = 0;
  EXPECT_EQ(z.Seek(1000, vcl::soCurrent), 1000);
  ASSERT_EQ(z.Read(&b, 1), 1);
  EXPECT_EQ(b, data[1000]);
  EXPECT_EQ(z.Seek(5000, vcl::soBeginning), 5000);
  ASSERT_EQ(z.Read(&b, 1), 1);
  EXPECT_EQ(b, data[5000]);
  // Back to the start: decoding begins again where the compressed data begins.
  EXPECT_EQ(z.Seek(0, vcl::soBeginning), 0);
  ASSERT_EQ(z.Read(&b, 1), 1);
  EXPECT_EQ(b, data[0]);
  EXPECT_EQ(z.Seek(0, vcl::soEnd), static_cast<int64_t>(data.size()));
  ExpectError<EZDecompressionError>([&] { z.Seek(10, vcl::soBeginning); }, "Invalid ZStream operation!");
  ExpectError<EZDecompressionError>([&] { z.Seek(-1, vcl::soCurrent); }, "Invalid ZStream operation!");
  ExpectError<EZDecompressionError>([&] { z.Write(&b, 1); }, "Invalid ZStream operation!");
}

TEST(ZlibStreams, CompressionStreamRefusesReading) {
  vcl::TMemoryStream destination;
  TZCompressionStream z(&destination, 2);
  uint8_t b = 0;
  ExpectError<EZCompressionError>([&] { z.Read(&b, 1); }, "Invalid ZStream operation!");
  z.Finish();
  ExpectError<EZCompressionError>([&] { z.Write(&b, 1); }, "Invalid ZStream operation!");
  ExpectError<EZCompressionError>([&] { TZCompressionStream bad(&destination, 4); }, "stream error");
}

TEST(ZlibStreams, DecompressionReportsBadData) {
  Bytes coded = ZlibCompress(Sample(1000, true));
  coded[0] = 0x79;  // not a zlib header
  vcl::TMemoryStream source;
  source.WriteBuffer(coded.data(), static_cast<int32_t>(coded.size()));
  source.SetPosition(0);
  TZDecompressionStream z(&source);
  uint8_t out[100];
  ExpectError<EZDecompressionError>([&] { z.Read(out, 100); }, "data error");
}

TEST(ZlibStreams, DataThatNeedsADictionaryFailsInsteadOfLooping) {
  z_stream s{};
  ASSERT_EQ(deflateInit(&s, Z_DEFAULT_COMPRESSION), Z_OK);
  const Bytes dictionary = Sample(64, true), data = Sample(500, true);
  deflateSetDictionary(&s, dictionary.data(), static_cast<uInt>(dictionary.size()));
  Bytes coded(2000);
  s.next_in = const_cast<Bytef*>(data.data());
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = coded.data();
  s.avail_out = static_cast<uInt>(coded.size());
  ASSERT_EQ(deflate(&s, Z_FINISH), Z_STREAM_END);
  coded.resize(s.total_out);
  deflateEnd(&s);

  std::vector<uint8_t> out;
  ExpectError<EZDecompressionError>(
      [&] { InflateBuffer(coded.data(), static_cast<int32_t>(coded.size()), out, 0, 1 << 20); }, "need dictionary");
  vcl::TMemoryStream source;
  source.WriteBuffer(coded.data(), static_cast<int32_t>(coded.size()));
  source.SetPosition(0);
  TZDecompressionStream z(&source);
  ExpectError<EZDecompressionError>([&] { z.Read(out.data(), 1); }, "need dictionary");
}

TEST(InflateBuffer, InflatesWholeBuffers) {
  struct Case {
    size_t size;
    bool noisy;
    int32_t hint;
  } cases[] = {{0, false, 0}, {1, true, 0}, {100000, false, 0}, {100000, false, 100000}, {50000, true, 10}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << " bytes, hint " << c.hint);
    const Bytes data = Sample(c.size, c.noisy);
    const Bytes coded = ZlibCompress(data);
    std::vector<uint8_t> out = {1, 2, 3};
    InflateBuffer(coded.data(), static_cast<int32_t>(coded.size()), out, c.hint, 1 << 24);
    EXPECT_EQ(out, data);
  }
}

TEST(InflateBuffer, StopsAtTheOutputCap) {
  // 10 MB of zeros packs into about 10 KB: the cap keeps a hostile buffer from claiming it all.
  const Bytes coded = ZlibCompress(Bytes(10 << 20, 0));
  std::vector<uint8_t> out;
  InflateBuffer(coded.data(), static_cast<int32_t>(coded.size()), out, 0, 4000);
  EXPECT_EQ(out, Bytes(4000, 0));
  InflateBuffer(coded.data(), static_cast<int32_t>(coded.size()), out, 0, 0);
  EXPECT_TRUE(out.empty());
}

TEST(InflateBuffer, ReportsTruncatedAndCorruptData) {
  const Bytes data = Sample(20000, true);
  const Bytes coded = ZlibCompress(data);
  std::vector<uint8_t> out;
  ExpectError<EZDecompressionError>(
      [&] { InflateBuffer(coded.data(), static_cast<int32_t>(coded.size() / 2), out, 0, 1 << 20); }, "buffer error");
  EXPECT_TRUE(out.empty());
  Bytes corrupt = coded;
  corrupt[0] = 0;
  ExpectError<EZDecompressionError>(
      [&] { InflateBuffer(corrupt.data(), static_cast<int32_t>(corrupt.size()), out, 0, 1 << 20); }, "data error");
  ExpectError<EZDecompressionError>([&] { InflateBuffer(nullptr, 10, out, 0, 1 << 20); }, "buffer error");
}

TEST(InflateBuffer, DamagedBuffersEndCleanly) {
  const Bytes coded = ZlibCompress(Sample(5000, false));
  test_files::ForEachDamagedCopy(coded, 300, [](const uint8_t* data, int32_t size) {
    std::vector<uint8_t> out;
    try {
      InflateBuffer(data, size, out, 0, 6000);
      EXPECT_LE(out.size(), 6000u);
    } catch (const EZDecompressionError&) {
      EXPECT_TRUE(out.empty());
    }
  });
}
