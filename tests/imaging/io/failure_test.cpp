// Failures are reported, never passed off as success: a damaged file sets the aborting flag and
// leaves the target and the parameter block as they were; a save that fails half-way leaves the
// file it was to replace intact; formats without a codec neither read nor write.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/wide_file.h"
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

Bytes Encoded(int32_t fileType) {
  TImageIO io(nullptr);
  io.IEBitmap()->Assign(test_pictures::Gradient(64, 48).get());
  vcl::TMemoryStream stream;
  io.SaveToStream(&stream, fileType);
  return test_files::StreamBytes(&stream);
}

struct TDamage {
  const char* name;
  Bytes (*apply)(Bytes);
};

const TDamage kDamages[] = {
    {"Truncated", [](Bytes b) {
       b.resize(b.size() * 2 / 5);
       return b;
     }},
    {"BodyOverwritten", [](Bytes b) {
       std::fill(b.begin() + static_cast<std::ptrdiff_t>(b.size() / 4), b.end(), uint8_t(0xFF));
       return b;
     }},
};

struct TDamageCase {
  const char* format;
  const char* extension;
  int32_t fileType;
  TDamage damage;
};

std::vector<TDamageCase> DamageCases() {
  std::vector<TDamageCase> cases;
  for (const auto& damage : kDamages) {
    cases.push_back({"TIFF", ".tif", 1, damage});
    cases.push_back({"JPEG", ".jpg", 3, damage});
  }
  return cases;
}

class DamagedFileTest : public IOTest, public ::testing::WithParamInterface<TDamageCase> {};

TEST_P(DamagedFileTest, SetsAbortingAndChangesNothing) {
  const TDamageCase& c = GetParam();
  const Bytes damaged = c.damage.apply(Encoded(c.fileType));
  const std::string unixName = folder_.UnixFile(std::string("damaged") + c.extension);
  test_files::WriteFileBytes(unixName, damaged);
  const std::u16string name = File(std::string("damaged") + c.extension);

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
  io.LoadFromStreamFormat(&stream, c.fileType);
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
  return std::string(info.param.format) + info.param.damage.name;
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

struct TSaveCase {
  const char* format;
  const char* extension;
};

class FailedSaveTest : public IOTest, public ::testing::WithParamInterface<TSaveCase> {};

TEST_P(FailedSaveTest, LeavesTheOldFileIntact) {
  const TSaveCase& c = GetParam();
  const std::string fileName = std::string("kept") + c.extension;
  const Bytes old = test_files::ToBytes("the user's previous file");
  test_files::WriteFileBytes(folder_.UnixFile(fileName), old);

  const int64_t size = static_cast<int64_t>(Encoded(std::string(c.extension) == ".tif" ? 1 : 3).size());
  for (int64_t limit : {int64_t(0), int64_t(8), int64_t(100), size / 2, size - 1}) {
    TFailingSaveIO io(limit);
    TReports reports;
    reports.Attach(io);
    io.IEBitmap()->Assign(test_pictures::Gradient(64, 48).get());
    bool raised = false;
    try {
      io.SaveToFile(File(fileName));
    } catch (const vcl::Exception&) {
      raised = true;
    }
    EXPECT_TRUE(raised || io.Aborting()) << limit;
    EXPECT_EQ(reports.finished, 1) << limit;
    EXPECT_EQ(test_files::ReadFileBytes(folder_.UnixFile(fileName)), old) << limit;
    EXPECT_EQ(FolderFiles(folder_), std::vector<std::string>{fileName}) << limit;
  }

  // The same object and file, with room to write: the file is replaced.
  TImageIO io(nullptr);
  io.IEBitmap()->Assign(test_pictures::Gradient(64, 48).get());
  io.SaveToFile(File(fileName));
  ASSERT_FALSE(io.Aborting());
  EXPECT_NE(test_files::ReadFileBytes(folder_.UnixFile(fileName)), old);
  EXPECT_EQ(FolderFiles(folder_), std::vector<std::string>{fileName});
}

TEST_P(FailedSaveTest, AStreamThatFailsIsAFailedSave) {
  const TSaveCase& c = GetParam();
  TImageIO io(nullptr);
  TReports reports;
  reports.Attach(io);
  io.IEBitmap()->Assign(test_pictures::Gradient(64, 48).get());
  TFailingStream stream(std::make_unique<vcl::TMemoryStream>(), 100);
  bool raised = false;
  try {
    io.SaveToStream(&stream, std::string(c.extension) == ".tif" ? 1 : 3);
  } catch (const vcl::Exception&) {
    raised = true;
  }
  EXPECT_TRUE(raised || io.Aborting());
  EXPECT_EQ(reports.finished, 1);
}

const TSaveCase kSaveCases[] = {{"TIFF", ".tif"}, {"JPEG", ".jpg"}};
INSTANTIATE_TEST_SUITE_P(Formats, FailedSaveTest, ::testing::ValuesIn(kSaveCases),
                         [](const auto& info) { return std::string(info.param.format); });

// ---- names and data that nothing reads or writes ----

using NoCodecTest = IOTest;

TEST_F(NoCodecTest, SavesWithoutAWriterCreateNothingAndReport) {
  // Unknown, read-only formats, and built-in formats whose codecs are not registered.
  for (const char* fileName : {"noext", "picture.xyz", "cursor.cur", "scan.dcm", "drawing.wmf", "photo.cr2",
                               "picture.png", "picture.bmp", "objects.iev", "layers.lyr"}) {
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
  test_files::WriteFileBytes(folder_.UnixFile("kept.png"), old);
  TImageIO io(nullptr);
  io.IEBitmap()->Assign(test_pictures::Gradient(8, 8).get());
  io.SaveToFile(File("kept.png"));
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(test_files::ReadFileBytes(folder_.UnixFile("kept.png")), old);
}

TEST_F(NoCodecTest, AnEmptyImageIsNotSaved) {
  for (const char* fileName : {"empty.tif", "empty.jpg"}) {
    TImageIO io(nullptr);
    TReports reports;
    reports.Attach(io);
    io.SaveToFile(File(fileName));
    EXPECT_TRUE(io.Aborting()) << fileName;
    EXPECT_EQ(reports.finished, 1) << fileName;
    EXPECT_FALSE(WideFileExists(File(fileName))) << fileName;
    vcl::TMemoryStream stream;
    io.SaveToStream(&stream, std::string(fileName) == "empty.tif" ? 1 : 3);
    EXPECT_TRUE(io.Aborting()) << fileName;
    EXPECT_EQ(stream.Size(), 0) << fileName;
  }
}

TEST_F(NoCodecTest, LoadsWithoutAReaderFailVisibly) {
  test_files::WriteFileBytes(folder_.UnixFile("document.ps"), test_files::ToBytes("%!PS"));
  test_files::WriteFileBytes(folder_.UnixFile("picture.gif"), test_files::ToBytes("GIF89a and then nothing"));
  for (const char* fileName : {"document.ps", "picture.gif", "missing.xyz", "movie.avi"}) {
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
