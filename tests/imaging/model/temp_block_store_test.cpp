// The temporary-file block store: views that read and write back, exclusive creation,
// deletion with the handle, copies between stores and the memory figures.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/model/temp_block_store.h"
#include "tests/support/test_helpers.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

using namespace imaging;

namespace {

bool FileExists(const std::string& name) { return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Sets DefaultTempDirectory for one test and restores it after.
class TempDirectoryScope {
 public:
  explicit TempDirectoryScope(std::string folder) : saved_(DefaultTempDirectory) {
    DefaultTempDirectory = std::move(folder);
  }
  ~TempDirectoryScope() { DefaultTempDirectory = saved_; }

 private:
  std::string saved_;
};

}  // namespace

TEST(TempBlockStore, WrittenViewsReachTheFileAndReadOnlyViewsDoNot) {
  for (bool useFile : {true, false}) {
    TIEFileBuffer buffer;
    ASSERT_TRUE(buffer.AllocateFile("TST", useFile, 4096));
    auto* written = static_cast<uint8_t*>(buffer.Map(ieaWrite, 100, 10));
    std::memset(written, 0x5A, 10);
    buffer.Unmap(written);
    auto* readOnly = static_cast<uint8_t*>(buffer.Map(ieaRead, 100, 10));
    EXPECT_EQ(0x5A, readOnly[9]) << useFile;
    readOnly[0] = 1;
    buffer.Unmap(readOnly);
    auto* again = static_cast<uint8_t*>(buffer.Map(ieaRead, 95, 10));
    EXPECT_EQ(0, again[0]);  // never written: zeros
    EXPECT_EQ(0x5A, again[5]) << useFile;
    EXPECT_EQ(1, buffer.MappedCount());
    buffer.Unmap(again);
  }
}

TEST(TempBlockStore, UnmapAllWritesTheWritableViewsBack) {
  TIEFileBuffer buffer;
  ASSERT_TRUE(buffer.AllocateFile("TST", true, 64));
  auto* a = static_cast<uint8_t*>(buffer.Map(ieaRead | ieaWrite, 0, 4));
  auto* b = static_cast<uint8_t*>(buffer.Map(ieaWrite, 8, 4));
  std::memset(a, 1, 4);
  std::memset(b, 2, 4);
  EXPECT_EQ(0, buffer.IndexOfMapped(a));
  EXPECT_EQ(1, buffer.IndexOfMapped(b));
  buffer.UnmapAll();
  EXPECT_EQ(-1, buffer.IndexOfMapped(a));
  auto* check = static_cast<uint8_t*>(buffer.Map(ieaRead, 0, 12));
  EXPECT_EQ(1, check[3]);
  EXPECT_EQ(2, check[11]);
  buffer.Unmap(check);
}

TEST(TempBlockStore, UnmappingAnUnknownAddressIsAListError) {
  TIEFileBuffer buffer;
  ASSERT_TRUE(buffer.AllocateFile("TST", false, 16));
  int local = 0;
  EXPECT_THROW(buffer.Unmap(&local), vcl::EListError);
}

TEST(TempBlockStore, TheFileIsNamedAndDeletedWithTheBuffer) {
  RuntimeTempFolder folder;
  TempDirectoryScope scope(folder.Path() + "\\");
  std::string name;
  {
    TIEFileBuffer buffer;
    ASSERT_TRUE(buffer.AllocateFile("IMG", true, 1000));
    name = buffer.FileName();
    EXPECT_EQ(folder.Path() + "\\IMG-", name.substr(0, name.size() - 12));
    EXPECT_EQ(".tmp", name.substr(name.size() - 4));
    EXPECT_TRUE(FileExists(name));
    buffer.Close();
    EXPECT_FALSE(buffer.IsAllocated());
    EXPECT_FALSE(FileExists(name));
    ASSERT_TRUE(buffer.AllocateFile("IMG", true, 10));
    name = buffer.FileName();
  }
  EXPECT_FALSE(FileExists(name));
}

TEST(TempBlockStore, AnExistingFileIsNeverOpenedOrTruncated) {
  RuntimeTempFolder folder;
  std::string name = folder.File("taken.tmp");
  {
    vcl::TFileStream file(name, vcl::fmCreate);
    file.WriteBuffer("keep", 4);
  }
  try {
    TIETemporaryFileStream stream(name);
    FAIL() << "no error";
  } catch (const vcl::EInOutError& e) {
    EXPECT_EQ("Unable to create " + name, e.Message());
  }
  vcl::TFileStream file(name, vcl::fmOpenRead);
  EXPECT_EQ(4, file.Size());
}

TEST(TempBlockStore, AMissingFolderFailsQuietly) {
  TempDirectoryScope scope("C:\\no such folder here\\");
  TIEFileBuffer buffer;
  EXPECT_FALSE(buffer.AllocateFile("IMG", true, 100));
  EXPECT_FALSE(buffer.IsAllocated());
}

TEST(TempBlockStore, ASizeTheDiskCannotHoldReleasesTheFile) {
  RuntimeTempFolder folder;
  TempDirectoryScope scope(folder.Path() + "\\");
  TIEFileBuffer buffer;
  // 4 EiB: beyond what common file systems allow a file (those that do skip the test).
  if (buffer.AllocateFile("IMG", true, int64_t(1) << 62)) GTEST_SKIP() << "the file system holds 4 EiB files";
  EXPECT_FALSE(buffer.IsAllocated());
  EXPECT_FALSE(FileExists(buffer.FileName()));
}

TEST(TempBlockStore, CopyToMovesTheBytesInChunks) {
  const int64_t count = 3 * 1048576 + 1;
  TIEFileBuffer source, destination;
  ASSERT_TRUE(source.AllocateFile("SRC", true, count + 10));
  ASSERT_TRUE(destination.AllocateFile("DST", true, count + 10));
  auto* data = static_cast<uint8_t*>(source.Map(ieaWrite, 0, count + 10));
  for (int64_t i = 0; i < count + 10; ++i) data[i] = uint8_t(i * 13 + (i >> 20));
  // Pending views of both buffers are written back before the copy.
  auto* pending = static_cast<uint8_t*>(destination.Map(ieaWrite, count + 5, 1));
  *pending = 0xCC;
  source.CopyTo(&destination, 5, count);
  EXPECT_EQ(0, source.MappedCount());
  EXPECT_EQ(0, destination.MappedCount());
  auto* copied = static_cast<uint8_t*>(destination.Map(ieaRead, 0, count + 10));
  EXPECT_EQ(0, copied[4]);
  bool same = true;
  for (int64_t i = 5; i < count + 5; ++i) same = same && copied[i] == uint8_t(i * 13 + (i >> 20));
  EXPECT_TRUE(same);
  EXPECT_EQ(0xCC, copied[count + 5]);
  destination.Unmap(copied);
  TIEFileBuffer idle;
  source.CopyTo(&idle, 0, 10);  // nothing without a store
}

TEST(TempBlockStore, SetSizeGrowsTheStore) {
  TIEFileBuffer buffer;
  buffer.SetSize(10);  // nothing allocated: nothing happens
  ASSERT_TRUE(buffer.AllocateFile("TST", true, 10));
  buffer.SetSize(100000);
  auto* view = static_cast<uint8_t*>(buffer.Map(ieaRead | ieaWrite, 99990, 10));
  view[9] = 3;
  buffer.Unmap(view);
  view = static_cast<uint8_t*>(buffer.Map(ieaRead, 99999, 1));
  EXPECT_EQ(3, view[0]);
  buffer.Unmap(view);
}

TEST(TempBlockStore, PhysicalMemory) {
  int64_t total = GetPhysicalMemorySize(false), available = GetPhysicalMemorySize(true);
  EXPECT_GT(available, 0);
  EXPECT_GE(total, available);
}
