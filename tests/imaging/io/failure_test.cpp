// Failures are reported, never passed off as success: a damaged file sets the aborting flag and
// leaves the target and the parameter block as they were; a save that fails half-way leaves the
// file it was to replace intact; formats without a codec neither read nor write.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/wide_file.h"
#include "tests/imaging/io/format_cases.h"
#include "tests/imaging/io/io_test_support.h"
#include "tests/support/file_helpers.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

using namespace imaging;
using namespace io_test;
using test_files::Bytes;

namespace {

// The files in a folder (Unix names), to see that no temporary file is left behind.
std::vector<std::string> FolderFiles(const TestTempFolder& folder) {
  std::string listing;
  test_files::RunShell("ls -A '" + folder.UnixPath() + "'", &listing);
  std::vector<std::string> names;
  size_t start = 0;
  while (start < listing.size()) {
    size_t end = listing.find('\n', start);
    if (end == std::string::npos) end = listing.size();
    if (end > start) names.push_back(listing.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

Bytes FailureEncoded(const TFormatCase& format) {
  auto source = SourceIO(format);
  return EncodedFile(*source, format);
}

struct TDamage {
  const char* name;
  Bytes (*apply)(Bytes);
  // Whether the damage applies to formats whose body is the plain pixels (BMP, icons, PXM,
  // WBMP): overwriting their pixels only makes another valid picture.
  bool forPlainPixels;
};

const TDamage kDamages[] = {
    {"Truncated", [](Bytes b) {
       b.resize(b.size() * 2 / 5);
       return b;
     }, true},
    {"BodyOverwritten", [](Bytes b) {
       std::fill(b.begin() + static_cast<std::ptrdiff_t>(b.size() / 4), b.end(), uint8_t(0xFF));
       return b;
     }, false},
    // The signature's first bytes stay; what follows them (sizes, counts, offsets) is all ones.
    {"HeadOverwritten", [](Bytes b) {
       std::fill(b.begin() + 2, b.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(b.size() / 4, 40)),
                 uint8_t(0xFF));
       return b;
     }, true},
};

struct TDamageCase {
  TFormatCase format;
  TDamage damage;
};

std::vector<TDamageCase> DamageCases() {
  std::vector<TDamageCase> cases;
  for (const TFormatCase& format : AllFormats()) {
    const bool plainPixels = format.fileType == 5 || format.fileType == 6 || format.fileType == 7 ||
                             format.fileType == 12 || format.fileType == 16;
    for (const auto& damage : kDamages)
      if (!plainPixels || damage.forPlainPixels) cases.push_back({format, damage});
  }
  return cases;
}

class DamagedFileTest : public IOTest, public ::testing::WithParamInterface<TDamageCase> {};

TEST_P(DamagedFileTest, SetsAbortingAndChangesNothing) {
  const TDamageCase& c = GetParam();
  const Bytes damaged = c.damage.apply(FailureEncoded(c.format));
  const std::string unixName = folder_.UnixFile(std::string("damaged") + c.format.extension);
  test_files::WriteFileBytes(unixName, damaged);
  const std::u16string name = File(std::string("damaged") + c.format.extension);

  TImageIO io(nullptr);
  TReports reports;
  reports.Attach(io);
  FillSentinel(*io.IEBitmap());
  io.Params().FileName = u"before";
  io.Params().FileType = 42;
  io.Params().DpiX = 77;

  io.LoadFromFile(name);
  EXPECT_TRUE(io.Aborting());
  EXPECT_TRUE(IsSentinel(*io.IEBitmap()));
  EXPECT_EQ(io.Params().FileName, u"before");
  EXPECT_EQ(io.Params().FileType, 42);
  EXPECT_EQ(io.Params().DpiX, 77);
  EXPECT_EQ(reports.finished, 1);

  // The same through a stream and through detection.
  vcl::TMemoryStream stream;
  stream.WriteBuffer(damaged.data(), static_cast<int32_t>(damaged.size()));
  stream.SetPosition(0);
  io.LoadFromStreamFormat(&stream, c.format.fileType);
  EXPECT_TRUE(io.Aborting());
  EXPECT_TRUE(IsSentinel(*io.IEBitmap()));
  stream.SetPosition(0);
  io.LoadFromStream(&stream);
  EXPECT_TRUE(io.Aborting());
  EXPECT_TRUE(IsSentinel(*io.IEBitmap()));
  EXPECT_EQ(io.Params().FileType, 42);
  EXPECT_EQ(reports.finished, 3);
}

INSTANTIATE_TEST_SUITE_P(Formats, DamagedFileTest, ::testing::ValuesIn(DamageCases()), [](const auto& info) {
  return std::string(info.param.format.name) + info.param.damage.name;
});

// An I/O object whose saves by name write through a stream that fails after `limit` bytes.
class TFailingSaveIO : public TImageIO {
 public:
  explicit TFailingSaveIO(int64_t limit) : TImageIO(nullptr), limit_(limit) {}

 protected:
  std::unique_ptr<vcl::TStream> CreateSaveStream(const std::u16string& tempName) override {
    return std::make_unique<TFailingStream>(TImageIO::CreateSaveStream(tempName), limit_);
  }

 private:
  int64_t limit_;
};

class FailedSaveTest : public IOTest, public ::testing::WithParamInterface<TFormatCase> {};

TEST_P(FailedSaveTest, LeavesTheOldFileIntact) {
  const TFormatCase& format = GetParam();
  const std::string fileName = std::string("kept") + format.extension;
  const Bytes old = test_files::ToBytes("the user's previous file");
  test_files::WriteFileBytes(folder_.UnixFile(fileName), old);

  const int64_t size = static_cast<int64_t>(FailureEncoded(format).size());
  ASSERT_GT(size, 8);
  for (int64_t limit : {int64_t(0), int64_t(8), std::min(int64_t(100), size - 1), size / 2, size - 1}) {
    TFailingSaveIO io(limit);
    TReports reports;
    reports.Attach(io);
    PrepareSource(io, format);
    bool abortingAtFinish = false;
    io.OnFinishWork = [&](vcl::TObject*) {
      ++reports.finished;
      abortingAtFinish = io.Aborting();
    };
    try {
      io.SaveToFile(File(fileName));
    } catch (const vcl::Exception&) {
      // A stream's error may reach the caller; the report below is the same either way.
    }
    EXPECT_TRUE(io.Aborting()) << limit;
    EXPECT_TRUE(abortingAtFinish) << limit;
    EXPECT_EQ(reports.finished, 1) << limit;
    EXPECT_EQ(test_files::ReadFileBytes(folder_.UnixFile(fileName)), old) << limit;
    EXPECT_EQ(FolderFiles(folder_), std::vector<std::string>{fileName}) << limit;
  }

  // The same object and file, with room to write: the file is replaced.
  auto io = SourceIO(format);
  io->SaveToFile(File(fileName));
  ASSERT_FALSE(io->Aborting());
  EXPECT_NE(test_files::ReadFileBytes(folder_.UnixFile(fileName)), old);
  EXPECT_EQ(FolderFiles(folder_), std::vector<std::string>{fileName});
}

TEST_P(FailedSaveTest, AStreamThatFailsIsAFailedSave) {
  const TFormatCase& format = GetParam();
  auto io = SourceIO(format);
  TReports reports;
  reports.Attach(*io);
  TFailingStream stream(std::make_unique<vcl::TMemoryStream>(), std::min<int64_t>(100, FailureEncoded(format).size() - 1));
  bool abortingAtFinish = false;
  io->OnFinishWork = [&](vcl::TObject*) {
    ++reports.finished;
    abortingAtFinish = io->Aborting();
  };
  try {
    io->SaveToStream(&stream, format.fileType);
  } catch (const vcl::Exception&) {
  }
  EXPECT_TRUE(io->Aborting());
  EXPECT_TRUE(abortingAtFinish);
  EXPECT_EQ(reports.finished, 1);
}

INSTANTIATE_TEST_SUITE_P(Formats, FailedSaveTest, ::testing::ValuesIn(WritableFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- a stream that fails part-way, for every format ----

// Every format the object writes, its own and those whose codecs fill registry rows.
struct TWriterCase {
  const char* name;
  int32_t fileType;
  bool readable;
};

const TWriterCase kEveryWriter[] = {
    {"TIFF", 1, true}, {"GIF", 2, true},  {"JPEG", 3, true}, {"PCX", 4, true},  {"BMP", 5, true},
    {"ICO", 6, true},  {"PNG", 8, true},  {"TGA", 11, true}, {"PPM", 12, true}, {"JP2", 13, true},
    {"J2K", 14, true}, {"WBMP", 16, true}, {"PS", 17, false}, {"PDF", 18, false}, {"DCX", 19, true},
    {"PSD", 24, true},
};

// Reads and writes through another stream until `limit` bytes have passed, then raises the
// stream error a failing drive gives.
class TBreakingStream : public vcl::TStream {
 public:
  TBreakingStream(vcl::TStream* inner, int64_t limit) : inner_(inner), limit_(limit) {}
  int32_t Read(void* buffer, int32_t count) override {
    if (passed_ + count > limit_) throw vcl::EReadError("Stream read error");
    passed_ += count;
    return inner_->Read(buffer, count);
  }
  int32_t Write(const void* buffer, int32_t count) override {
    if (passed_ + count > limit_) throw vcl::EWriteError("Stream write error");
    passed_ += count;
    return inner_->Write(buffer, count);
  }
  int64_t Seek(int64_t offset, vcl::TSeekOrigin origin) override { return inner_->Seek(offset, origin); }
  void SetSize(int64_t size) override { inner_->SetSize(size); }

 private:
  vcl::TStream* inner_;
  int64_t limit_;
  int64_t passed_ = 0;
};

// What a failed call reports: the aborting flag, already set when the one finish-work report
// comes.
struct TFailureReport {
  int32_t finished = 0;
  bool abortingAtFinish = false;
  void Attach(TImageIO& io) {
    io.OnFinishWork = [this, &io](vcl::TObject*) {
      ++finished;
      abortingAtFinish = io.Aborting();
    };
  }
};

template <class Call>
void CallIgnoringStreamErrors(Call call) {
  try {
    call();
  } catch (const vcl::EStreamError&) {
    // Whether a stream's error reaches the caller depends on the codec; the report does not.
  }
}

class StreamBreaksTest : public IOTest, public ::testing::WithParamInterface<TWriterCase> {};

TEST_P(StreamBreaksTest, EveryFormatReportsTheSameFailure) {
  const TWriterCase& c = GetParam();
  TImageIO source(nullptr);
  if (c.fileType == 2)
    source.IEBitmap()->Assign(test_pictures::FewColours(64, 48, 6).get());
  else if (c.fileType == 16)
    source.IEBitmap()->Assign(test_pictures::Checker1Bit(64, 48).get());
  else
    source.IEBitmap()->Assign(Smooth(64, 48).get());
  source.Params().BitsPerSample = 8;
  source.Params().SamplesPerPixel = 3;
  source.Params().ICOWriteSizes[0] = imaging::TIOICOSize{64, 48};
  source.Params().ICOWriteBitCounts[0] = 24;
  vcl::TMemoryStream encoded;
  source.SaveToStream(&encoded, c.fileType);
  ASSERT_FALSE(source.Aborting());
  ASSERT_GT(encoded.Size(), 40);

  for (int64_t limit : {int64_t(0), int64_t(20), encoded.Size() / 2}) {
    SCOPED_TRACE(limit);
    vcl::TMemoryStream target;
    TBreakingStream breaking(&target, limit);
    TFailureReport saved;
    saved.Attach(source);
    CallIgnoringStreamErrors([&] { source.SaveToStream(&breaking, c.fileType); });
    EXPECT_TRUE(source.Aborting());
    EXPECT_TRUE(saved.abortingAtFinish);
    EXPECT_EQ(saved.finished, 1);
    if (!c.readable) continue;

    encoded.SetPosition(0);
    TBreakingStream reading(&encoded, limit);
    TImageIO loader(nullptr);
    FillSentinel(*loader.IEBitmap());
    TFailureReport loaded;
    loaded.Attach(loader);
    CallIgnoringStreamErrors([&] { loader.LoadFromStreamFormat(&reading, c.fileType); });
    EXPECT_TRUE(loader.Aborting());
    EXPECT_TRUE(loaded.abortingAtFinish);
    EXPECT_EQ(loaded.finished, 1);
    EXPECT_TRUE(IsSentinel(*loader.IEBitmap()));
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, StreamBreaksTest, ::testing::ValuesIn(kEveryWriter),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- what codecs raise ----

// LZW coders of the parameter block, as a codec's inner parts: one that finds the data
// invalid, and one whose stream fails.
void CoderThatRejects(vcl::TStream*, int32_t, int32_t, bool, const uint8_t*, int32_t) {
  throw vcl::EInvalidGraphic("Invalid image");
}
void DecoderThatRejects(vcl::TStream*, int32_t, int32_t, bool, uint8_t*) {
  throw vcl::EInvalidGraphic("Invalid image");
}
void DecoderWhoseStreamFails(vcl::TStream*, int32_t, int32_t, bool, uint8_t*) {
  throw vcl::EReadError("Stream read error");
}

using CodecExceptionTest = IOTest;

TEST_F(CodecExceptionTest, WhatACodecRaisesAboutTheDataFailsTheCall) {
  const TFormatCase& gif = FormatOf(2);
  const Bytes valid = FailureEncoded(gif);
  test_files::WriteFileBytes(folder_.UnixFile("picture.gif"), valid);

  TImageIO writer(nullptr);
  TReports saved;
  saved.Attach(writer);
  PrepareSource(writer, gif);
  writer.Params().GIFLZWCompress = CoderThatRejects;
  writer.SaveToFile(File("picture.gif"));
  EXPECT_TRUE(writer.Aborting());
  EXPECT_EQ(saved.finished, 1);
  EXPECT_EQ(test_files::ReadFileBytes(folder_.UnixFile("picture.gif")), valid);
  EXPECT_EQ(FolderFiles(folder_), std::vector<std::string>{"picture.gif"});

  TImageIO reader(nullptr);
  TReports loaded;
  loaded.Attach(reader);
  FillSentinel(*reader.IEBitmap());
  reader.Params().GIFLZWDecompress = DecoderThatRejects;
  reader.LoadFromFile(File("picture.gif"));
  EXPECT_TRUE(reader.Aborting());
  EXPECT_TRUE(IsSentinel(*reader.IEBitmap()));
  EXPECT_EQ(loaded.finished, 1);

  // A stream that cannot be read is the caller's to hear of, after the clean-up.
  reader.Params().GIFLZWDecompress = DecoderWhoseStreamFails;
  EXPECT_THROW(reader.LoadFromFile(File("picture.gif")), vcl::EReadError);
  EXPECT_TRUE(IsSentinel(*reader.IEBitmap()));
  EXPECT_EQ(loaded.finished, 2);
}

// ---- names and data that nothing reads or writes ----

using NoCodecTest = IOTest;

TEST_F(NoCodecTest, SavesWithoutAWriterCreateNothingAndReport) {
  // Unknown, read-only formats, and built-in formats whose codecs are not registered.
  for (const char* fileName : {"noext", "picture.xyz", "cursor.cur", "scan.dcm", "drawing.wmf", "photo.cr2",
                               "objects.iev", "layers.lyr"}) {
    TImageIO io(nullptr);
    TReports reports;
    reports.Attach(io);
    io.IEBitmap()->Assign(test_pictures::Gradient(8, 8).get());
    io.SaveToFile(File(fileName));
    EXPECT_TRUE(io.Aborting()) << fileName;
    EXPECT_EQ(reports.finished, 1) << fileName;
    EXPECT_FALSE(WideFileExists(File(fileName))) << fileName;
  }
  EXPECT_TRUE(FolderFiles(folder_).empty());

  // An existing file of such a name stays as it was.
  const Bytes old = test_files::ToBytes("not mine to destroy");
  test_files::WriteFileBytes(folder_.UnixFile("kept.iev"), old);
  TImageIO io(nullptr);
  io.IEBitmap()->Assign(test_pictures::Gradient(8, 8).get());
  io.SaveToFile(File("kept.iev"));
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(test_files::ReadFileBytes(folder_.UnixFile("kept.iev")), old);
}

TEST_F(NoCodecTest, AnEmptyImageIsNotSaved) {
  for (const TFormatCase& format : WritableFormats()) {
    const std::string fileName = std::string("empty") + format.extension;
    TImageIO io(nullptr);
    TReports reports;
    reports.Attach(io);
    io.SaveToFile(File(fileName));
    EXPECT_TRUE(io.Aborting()) << fileName;
    EXPECT_EQ(reports.finished, 1) << fileName;
    EXPECT_FALSE(WideFileExists(File(fileName))) << fileName;
    vcl::TMemoryStream stream;
    io.SaveToStream(&stream, format.fileType);
    EXPECT_TRUE(io.Aborting()) << fileName;
    EXPECT_EQ(stream.Size(), 0) << fileName;
  }
}

TEST_F(NoCodecTest, LoadsWithoutAReaderFailVisibly) {
  test_files::WriteFileBytes(folder_.UnixFile("document.ps"), test_files::ToBytes("%!PS"));
  test_files::WriteFileBytes(folder_.UnixFile("picture.tga"), test_files::ToBytes("a targa file, or so it says"));
  for (const char* fileName : {"document.ps", "picture.tga", "missing.xyz", "movie.avi"}) {
    TImageIO io(nullptr);
    TReports reports;
    reports.Attach(io);
    FillSentinel(*io.IEBitmap());
    io.LoadFromFile(File(fileName));
    EXPECT_TRUE(io.Aborting()) << fileName;
    EXPECT_EQ(reports.finished, 1) << fileName;
    EXPECT_TRUE(IsSentinel(*io.IEBitmap())) << fileName;
  }
  TImageIO io(nullptr);
  io.LoadFromFile(u"http://example.invalid/picture.jpg");
  EXPECT_TRUE(io.Aborting());
}

TEST_F(NoCodecTest, UnrecognisedDataIsAFailedLoad) {
  TImageIO io(nullptr);
  TReports reports;
  reports.Attach(io);
  FillSentinel(*io.IEBitmap());
  io.Params().FileType = 42;
  const Bytes garbage = test_files::ToBytes("nothing any reader knows, long enough for every header test ...");
  vcl::TMemoryStream stream;
  stream.WriteBuffer(garbage.data(), static_cast<int32_t>(garbage.size()));
  stream.SetPosition(3);
  io.LoadFromStream(&stream);
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(stream.Position(), 3);
  EXPECT_TRUE(IsSentinel(*io.IEBitmap()));
  EXPECT_EQ(io.Params().FileType, 42);
  EXPECT_EQ(reports.finished, 1);

  io.LoadFromBuffer(nullptr, 0, 0);
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(reports.finished, 2);
}

TEST_F(NoCodecTest, AnUnopenableFileRaisesAfterReporting) {
  TImageIO io(nullptr);
  TReports reports;
  reports.Attach(io);
  EXPECT_THROW(io.LoadFromFile(File("absent.jpg")), vcl::EFOpenError);
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(reports.finished, 1);
  // A folder that does not exist cannot take a file.
  io.IEBitmap()->Assign(test_pictures::Gradient(8, 8).get());
  EXPECT_THROW(io.SaveToFile(File("no-such-folder\\x.jpg")), vcl::EFCreateError);
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(reports.finished, 2);
}

}  // namespace
