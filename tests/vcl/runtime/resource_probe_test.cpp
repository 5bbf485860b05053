#include <gtest/gtest.h>
#include <string>

#include "vcl/runtime/win.h"

TEST(ResourceProbe, RcdataCompiledIntoTheTest) {
  HRSRC res = FindResourceA(nullptr, "TESTDATA", MAKEINTRESOURCEA(10));
  ASSERT_NE(res, nullptr);
  HGLOBAL data = LoadResource(nullptr, res);
  std::string text(static_cast<const char*>(LockResource(data)), SizeofResource(nullptr, res));
  EXPECT_EQ(text, "hello resource");
}
