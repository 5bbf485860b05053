// The program's file name, its command-line parameters and its string table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

using namespace vcl;

TEST(ProgramTest, CommandLinesSplitIntoParameters) {
  struct {
    const char* line;
    std::vector<std::string> params;
  } cases[] = {
      {"prog.exe a  b\tc", {"prog.exe", "a", "b", "c"}},
      {"\"C:\\Program Files\\prog.exe\" /acver", {"C:\\Program Files\\prog.exe", "/acver"}},
      {"p \"a b\"c", {"p", "a bc"}},
      // A folder ending in a backslash keeps it; the quote after it closes the parameter.
      {"p \"C:\\dir\\\" next", {"p", "C:\\dir\\", "next"}},
      // An empty parameter counts, and those after it too.
      {"p \"\" last", {"p", "", "last"}},
      {"p \"tab\tinside\"", {"p", "tab\tinside"}},
      {"p \"unclosed quote", {"p", "unclosed quote"}},
      {"  ", {}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(detail::SplitCommandLine(c.line), c.params) << c.line;
}

TEST(ProgramTest, ParamStrFollowsTheProcessCommandLine) {
  char path[MAX_PATH * 2] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  EXPECT_EQ(ParamStr(0), std::string(path, length));
  EXPECT_EQ(LowerCase(ExtractFileName(ParamStr(0))), "vcl_runtime_tests.exe");

  const std::vector<std::string> params = detail::SplitCommandLine(GetCommandLineA());
  ASSERT_EQ(ParamCount(), static_cast<int>(params.size()) - 1);
  for (int i = 1; i <= ParamCount(); ++i) EXPECT_EQ(ParamStr(i), params[static_cast<size_t>(i)]) << i;
  EXPECT_EQ(ParamStr(-1), "");
  EXPECT_EQ(ParamStr(ParamCount() + 1), "");
}

TEST(ProgramTest, LoadStrReadsAStringTable) {
  EXPECT_EQ(LoadStr(100), "Restore");
  EXPECT_EQ(LoadStr(100, GetModuleHandleA(nullptr)), "Restore");
  // Longer than any fixed buffer a caller might have used.
  const std::string longText = LoadStr(101);
  EXPECT_GT(longText.size(), 256u);
  EXPECT_EQ(longText.substr(0, 14), "A string of th");
  EXPECT_EQ(longText.substr(longText.size() - 4), " end");
  EXPECT_EQ(LoadStr(102), "");
}
