// The I/O module's start-up values, the release of plug-ins and the debug log.
#include "imaging/io/io_startup.h"

#include <gtest/gtest.h>

#include <string>

#include "imaging/io/image_io.h"
#include "imaging/io/wininet_binding.h"
#include "imaging/params/file_formats.h"
#include "imaging/params/io_settings.h"
#include "tests/support/file_helpers.h"
#include "tests/support/temp_folder.h"

using namespace imaging;

namespace {

TEST(IOStartupTest, TheInternetLibraryIsLoadedByTheStartUpAndFreedByTheShutDown) {
  ImageIOStaticInit();
  const HMODULE module = WinInet().Module;
  ASSERT_NE(module, nullptr);
  EXPECT_TRUE(WinInet().Complete());
  // Loading again keeps the one module.
  LoadWinInet();
  EXPECT_EQ(WinInet().Module, module);
  ImageIOStaticFinalize();
  EXPECT_EQ(WinInet().Module, nullptr);
  EXPECT_FALSE(WinInet().Complete());
  // Without it an address fails cleanly.
  TImageIO io(nullptr);
  io.LoadFromFile(u"http://127.0.0.1:1/picture.png");
  EXPECT_TRUE(io.Aborting());
  ImageIOStaticInit();
}

TEST(IOStartupTest, SetsTheSettingsAndBuildsTheRegistry) {
  IEEnableCMS = true;
  IEMetafileMaxSize = 5;
  IEColorReductionAlgorithm = 1;
  IEBufferedReadKeepOrigin = true;
  FreeFileFormats();
  ImageIOStaticInit();
  EXPECT_FALSE(IEEnableCMS);
  EXPECT_EQ(IEMetafileMaxSize, 8000);
  EXPECT_EQ(IEColorReductionAlgorithm, -1);
  EXPECT_EQ(IEColorReductionQuality, -1);
  EXPECT_FALSE(IEBufferedReadKeepOrigin);
  EXPECT_TRUE(IEUseCMYKProfile);
  EXPECT_NE(FindFileFormatByExtension("jpg"), nullptr);

  ImageIOStaticFinalize();
  EXPECT_EQ(GetFileFormatCount(), 0);
  ImageIOStaticInit();
}

TEST(IOStartupTest, FreePluginsRemovesTheirRows) {
  ImageIOStaticInit();
  auto row = std::make_unique<TIEFileFormatInfo>();
  row->FileType = 100;
  row->Extensions = "XYZ";
  RegisterFileFormat(std::move(row));
  auto plugin = std::make_unique<TIEIOPlugin>();
  plugin->FileType = 100;
  plugin->Flags = 0;
  InitializeCriticalSection(&plugin->Lock);
  IEPlugins.push_back(std::move(plugin));
  const int32_t count = GetFileFormatCount();

  FreePlugins();
  EXPECT_TRUE(IEPlugins.empty());
  EXPECT_EQ(GetFileFormatCount(), count - 1);
  EXPECT_EQ(GetFileFormatInfo(100), nullptr);
}

TEST(IOStartupTest, TheDebugLogAppendsDatedLinesAndNeverFails) {
  TestTempFolder folder;
  IEDebugLogFile.clear();
  WriteIODebugLog("nowhere");
  EXPECT_TRUE(test_files::ReadFileBytes(folder.UnixFile("io.log")).empty());

  // A log file that does not exist yet is created.
  IEDebugLogFile = folder.File("io.log");
  WriteIODebugLog("first");
  WriteIODebugLog("second");
  const test_files::Bytes bytes = test_files::ReadFileBytes(folder.UnixFile("io.log"));
  const std::string text(bytes.begin(), bytes.end());
  const size_t firstEnd = text.find("\r\n");
  ASSERT_NE(firstEnd, std::string::npos);
  const std::string first = text.substr(0, firstEnd);
  EXPECT_EQ(first.substr(first.size() - 8), " : first");
  EXPECT_NE(first.find(' '), std::string::npos);
  EXPECT_EQ(text.substr(firstEnd + 2).find(" : second\r\n") + 11, text.size() - firstEnd - 2);

  // A log that cannot be written is skipped silently.
  IEDebugLogFile = folder.File("no-such-folder\\io.log");
  EXPECT_NO_THROW(WriteIODebugLog("lost"));
  IEDebugLogFile.clear();
}

}  // namespace
