// The end of a scanner connection: the platform's source manager, loaded and asked for its
// sources (none opens without a device), is unloaded with its proxy window, and the log tells
// each step.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/acquire/acquire_startup.h"
#include "imaging/acquire/twain_teardown.h"
#include "imaging/io/image_io.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/params/io_settings.h"
#include "tests/support/temp_folder.h"
#include "vcl/runtime/win.h"
#include "vcl/runtime/proc_address.h"

using namespace imaging;

namespace {

// The messages of the log's lines, without their date and time.
std::vector<std::string> LogMessages(const std::string& unixName) {
  std::ifstream in(unixName);
  std::vector<std::string> messages;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t at = line.find(" : ");
    messages.push_back(at == std::string::npos ? line : line.substr(at + 3));
  }
  return messages;
}

HWND TwainNewWindow() {
  return CreateWindowExW(0, reinterpret_cast<LPCWSTR>(u"STATIC"), nullptr, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         nullptr, nullptr);
}

class TwainTeardownTest : public ::testing::Test {
 protected:
  void SetUp() override { IETwainLogFile = folder_.File("twain.log"); }
  void TearDown() override {
    IETwainLogFile.clear();
    IEAcquireStaticFinalize();
  }
  std::vector<std::string> Log() const { return LogMessages(folder_.UnixFile("twain.log")); }
  TestTempFolder folder_;
};

}  // namespace

TEST_F(TwainTeardownTest, AnEmptyConnectionIsLeftAloneAndLogsNothing) {
  IEAcquireStaticInit();
  TIEBitmap target;
  auto io = TImageIO::CreateFromBitmap(&target);
  io.reset();
  EXPECT_TRUE(Log().empty());
}

TEST_F(TwainTeardownTest, TheSourceManagerOpensNoSourceAndIsUnloadedWithItsWindow) {
  TIETWainParams::TTwainShared shared;
  shared.SourceManager = LoadLibraryA(IETwainSourceManagerName);
  ASSERT_NE(shared.SourceManager, nullptr);
  shared.Entry = GetProcAddress(shared.SourceManager, IETwainEntryName);
  ASSERT_NE(shared.Entry, nullptr);
  shared.ProxyWindow = TwainNewWindow();
  const HWND proxy = shared.ProxyWindow;

  TIETwainSession session = InitTwainSession(shared, nullptr);
  EXPECT_EQ(session.State, 2);
  EXPECT_EQ(session.AppId.ProtocolMajor, 1);
  EXPECT_EQ(session.AppId.ProtocolMinor, 9);
  EXPECT_EQ(session.AppId.SupportedGroups, static_cast<TW_UINT32>(DG_CONTROL | DG_IMAGE));
  auto entry = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(shared.Entry));
  HWND parent = proxy;
  ASSERT_EQ(entry(&session.AppId, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
  // The platform lists its data source drivers; with no scanner or camera attached, none of
  // them opens.
  TW_IDENTITY source{};
  TW_UINT16 listed = entry(&session.AppId, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &source);
  while (listed == TWRC_SUCCESS) {
    SCOPED_TRACE(source.ProductName);
    TW_IDENTITY opened = source;
    const TW_UINT16 open = entry(&session.AppId, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &opened);
    EXPECT_NE(open, TWRC_SUCCESS);
    if (open == TWRC_SUCCESS) entry(&session.AppId, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &opened);
    listed = entry(&session.AppId, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &source);
  }
  EXPECT_EQ(entry(&session.AppId, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent), TWRC_SUCCESS);

  TwainTeardown(shared, nullptr);
  EXPECT_EQ(shared.SourceManager, nullptr);
  EXPECT_EQ(shared.Entry, nullptr);
  EXPECT_EQ(shared.ProxyWindow, nullptr);
  EXPECT_FALSE(IsWindow(proxy));
  EXPECT_EQ(Log(), (std::vector<std::string>{"DestroyProxyWindow", "  DestroyProxyWindow : destroyed",
                                             "IETW_UnloadSourceManager", "  IETW_UnloadSourceManager : Unload OK"}));
}

TEST_F(TwainTeardownTest, WithoutForceTheWindowAndModuleStayForLaterUse) {
  TIETWainParams::TTwainShared shared;
  shared.SourceManager = LoadLibraryA(IETwainSourceManagerName);
  ASSERT_NE(shared.SourceManager, nullptr);
  shared.ProxyWindow = TwainNewWindow();
  TIETwainSession session = InitTwainSession(shared, nullptr);
  DestroyProxyWindow(session, false);
  EXPECT_TRUE(UnloadSourceManager(session, false));
  EXPECT_EQ(session.State, 1);
  EXPECT_EQ(session.Module, nullptr);
  EXPECT_NE(shared.SourceManager, nullptr);
  EXPECT_TRUE(IsWindow(shared.ProxyWindow));
  EXPECT_EQ(Log(), (std::vector<std::string>{"DestroyProxyWindow", "  DestroyProxyWindow : not destroyed, for future uses",
                                             "IETW_UnloadSourceManager",
                                             "  IETW_UnloadSourceManager not Unloaded, for future uses"}));
  TwainTeardown(shared, nullptr);
  EXPECT_EQ(shared.SourceManager, nullptr);
}

TEST_F(TwainTeardownTest, TheLogIsCreatedWhenMissingAndAnUnwritableOneIsNoError) {
  TIETWainParams::TTwainShared shared;
  TIETwainSession session = InitTwainSession(shared, nullptr);
  DestroyProxyWindow(session, true);
  EXPECT_EQ(Log().size(), 2u);
  // A log in a folder that does not exist: the teardown goes on all the same.
  IETwainLogFile = folder_.File("missing\\folder\\twain.log");
  EXPECT_NO_THROW(DestroyProxyWindow(session, true));
  EXPECT_NO_THROW(WriteTwainLog("x"));
}
