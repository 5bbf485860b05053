#include <gtest/gtest.h>

#include <string>

#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

using namespace vcl;

TEST(SysErrorMessageTest, TextWithoutTrailingPeriodOrBreak) {
  const unsigned long codes[] = {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE};
  for (unsigned long code : codes) {
    std::string text = SysErrorMessage(code);
    ASSERT_FALSE(text.empty()) << code;
    EXPECT_NE(text.back(), '.') << text;
    EXPECT_NE(text.back(), '\n') << text;
    EXPECT_NE(text.back(), '\r') << text;
    EXPECT_NE(text.back(), ' ') << text;
  }
  EXPECT_EQ(SysErrorMessage(0x2FFFFFFF), "");
}

TEST(RaiseLastOSErrorTest, MessageAndCode) {
  try {
    RaiseLastOSError(ERROR_ACCESS_DENIED);
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message(), "System Error.  Code: 5.\r\n" + SysErrorMessage(ERROR_ACCESS_DENIED));
    EXPECT_EQ(e.ErrorCode(), 5u);
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  try {
    RaiseLastOSError();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode(), 2u);
  }
  SetLastError(0);
  try {
    RaiseLastOSError();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message(), "A call to an OS function failed");
    EXPECT_EQ(e.ErrorCode(), 0u);
  }
}

TEST(EnvironmentTest, ReadsVariables) {
  ASSERT_TRUE(SetEnvironmentVariableA("MERGEON_SYSUTILS_TEST", "value"));
  EXPECT_EQ(GetEnvironmentVariable("MERGEON_SYSUTILS_TEST"), "value");
  const std::string longValue(5000, 'x');
  ASSERT_TRUE(SetEnvironmentVariableA("MERGEON_SYSUTILS_TEST", longValue.c_str()));
  EXPECT_EQ(GetEnvironmentVariable("MERGEON_SYSUTILS_TEST"), longValue);
  ASSERT_TRUE(SetEnvironmentVariableA("MERGEON_SYSUTILS_TEST", nullptr));
  EXPECT_EQ(GetEnvironmentVariable("MERGEON_SYSUTILS_TEST"), "");
  EXPECT_EQ(GetEnvironmentVariable(""), "");
  EXPECT_EQ(Win32Platform, VER_PLATFORM_WIN32_NT);
}

TEST(OleCheckTest, FailureCodesRaiseWithTheirText) {
  EXPECT_NO_THROW(OleCheck(S_OK));
  EXPECT_NO_THROW(OleCheck(S_FALSE));
  const struct {
    int32_t code;
    std::string message;
  } cases[] = {
      {static_cast<int32_t>(E_OUTOFMEMORY), SysErrorMessage(static_cast<uint32_t>(E_OUTOFMEMORY))},
      // A code the system has no text for.
      {static_cast<int32_t>(0x8004ABCD), "OLE error 8004ABCD"},
  };
  for (const auto& c : cases) {
    try {
      OleCheck(c.code);
      ADD_FAILURE() << "no exception for " << c.code;
    } catch (const EOleSysError& e) {
      EXPECT_FALSE(e.Message().empty());
      EXPECT_EQ(e.Message(), c.message);
      EXPECT_EQ(e.ErrorCode(), c.code);
    }
  }
}

TEST(AbortTest, AbortAndAbstractErrorRaiseTheirExceptions) {
  try {
    Abort();
  } catch (const EAbort& e) {
    EXPECT_EQ(e.Message(), "Operation aborted");
  }
  try {
    AbstractError();
  } catch (const EAbstractError& e) {
    EXPECT_EQ(e.Message(), "Abstract Error");
  }
}
