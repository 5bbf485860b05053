#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

using namespace vcl;

namespace {

struct NameCase {
  const char* input;
  const char* expected;
};

}  // namespace

TEST(FileNameTest, Extraction) {
  const NameCase paths[] = {{"C:\\a\\b.txt", "C:\\a\\"}, {"C:b.txt", "C:"}, {"b.txt", ""},
                            {"/x/y/z.png", "/x/y/"},     {"dir/sub\\f", "dir/sub\\"}, {"", ""}};
  for (const auto& c : paths) EXPECT_EQ(ExtractFilePath(c.input), c.expected) << c.input;

  const NameCase dirs[] = {{"C:\\a\\b.txt", "C:\\a"}, {"C:\\b.txt", "C:\\"}, {"\\b", "\\"},
                           {"a/b/c", "a/b"},          {"b", ""},             {"C:b", "C:"}};
  for (const auto& c : dirs) EXPECT_EQ(ExtractFileDir(c.input), c.expected) << c.input;

  const NameCase names[] = {{"C:\\a\\b.txt", "b.txt"}, {"C:b", "b"}, {"a/b", "b"}, {"dir\\", ""}, {"plain", "plain"}};
  for (const auto& c : names) EXPECT_EQ(ExtractFileName(c.input), c.expected) << c.input;

  const NameCase exts[] = {{"C:\\a\\b.txt", ".txt"}, {"C:\\a.d\\b", ""}, {"b.tar.gz", ".gz"}, {"noext", ""},
                           {".hidden", ".hidden"},   {"a.", "."},        {"a.d/b", ""},        {"C:.x", ".x"}};
  for (const auto& c : exts) EXPECT_EQ(ExtractFileExt(c.input), c.expected) << c.input;

  const NameCase drives[] = {{"C:\\a", "C:"},
                             {"c:", "c:"},
                             {"\\\\server\\share\\dir\\f", "\\\\server\\share"},
                             {"\\\\server\\share", "\\\\server\\share"},
                             {"//srv/sh/x", "//srv/sh"},
                             {"a\\b", ""},
                             {"\\a", ""}};
  for (const auto& c : drives) EXPECT_EQ(ExtractFileDrive(c.input), c.expected) << c.input;
}

TEST(FileNameTest, ExtensionsAndDelimiters) {
  EXPECT_EQ(ChangeFileExt("a\\b.txt", ".bak"), "a\\b.bak");
  EXPECT_EQ(ChangeFileExt("a.d\\b", ".x"), "a.d\\b.x");
  EXPECT_EQ(ChangeFileExt("b.txt", ""), "b");
  EXPECT_EQ(ChangeFileExt("b", ".png"), "b.png");
  EXPECT_EQ(ChangeFileExt("a.b.c", ".d"), "a.b.d");

  const NameCase include[] = {{"C:\\a", "C:\\a\\"}, {"C:\\a\\", "C:\\a\\"}, {"a/", "a/"}, {"", "\\"}};
  for (const auto& c : include) EXPECT_EQ(IncludeTrailingPathDelimiter(c.input), c.expected) << c.input;
  const NameCase exclude[] = {{"C:\\a\\", "C:\\a"}, {"a/", "a"}, {"a", "a"}, {"", ""}, {"a\\\\", "a\\"}};
  for (const auto& c : exclude) EXPECT_EQ(ExcludeTrailingPathDelimiter(c.input), c.expected) << c.input;
}

// A fresh folder for each test, removed afterwards.
class FilesTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_ + "\\" + name; }

  void WriteFile(const std::string& name, const std::string& content) {
    intptr_t h = FileCreate(Path(name));
    ASSERT_NE(h, -1) << name;
    ASSERT_EQ(FileWrite(h, content.data(), static_cast<int32_t>(content.size())), static_cast<int32_t>(content.size()));
    FileClose(h);
  }

  TestTempFolder folder_;
  std::string dir_ = folder_.Path();
};

TEST_F(FilesTest, HandlesWriteSeekAndRead) {
  intptr_t h = FileCreate(Path("data.bin"));
  ASSERT_NE(h, -1);
  EXPECT_EQ(FileWrite(h, "hello world", 11), 11);
  EXPECT_EQ(FileSeek(h, 0, 1), 11);
  EXPECT_EQ(FileSeek(h, 6, 0), 6);
  char buffer[16] = {};
  EXPECT_EQ(FileRead(h, buffer, 16), 5);
  EXPECT_EQ(std::string(buffer, 5), "world");
  EXPECT_EQ(FileSeek(h, -5, 2), 6);
  EXPECT_EQ(FileRead(h, buffer, -1), 0);  // a negative count reads nothing
  EXPECT_EQ(FileSeek(h, 0, 7), -1);
  FileClose(h);

  h = FileOpen(Path("data.bin"), fmOpenRead | fmShareDenyNone);
  ASSERT_NE(h, -1);
  EXPECT_EQ(FileRead(h, buffer, 5), 5);
  EXPECT_EQ(std::string(buffer, 5), "hello");
  EXPECT_EQ(FileWrite(h, "x", 1), -1);  // opened for reading only
  FileClose(h);

  EXPECT_EQ(FileOpen(Path("missing.bin"), fmOpenRead), -1);
  EXPECT_EQ(FileOpen(Path("data.bin"), 3), -1);     // no such open mode
  EXPECT_EQ(FileOpen(Path("data.bin"), 0x50), -1);  // no such share mode
  EXPECT_EQ(FileCreate(""), -1);
}

TEST_F(FilesTest, ExistenceAnswersFalseForBadNames) {
  WriteFile("a.txt", "a");
  EXPECT_TRUE(FileExists(Path("a.txt")));
  EXPECT_TRUE(FileExists(dir_ + "/a.txt"));
  EXPECT_FALSE(FileExists(dir_));
  EXPECT_TRUE(DirectoryExists(dir_));
  EXPECT_FALSE(DirectoryExists(Path("a.txt")));
  const std::string bad[] = {"", Path("missing.txt"), "c:\\\\Skins\\\\none\\\\x.skn", Path("a.txt") + std::string(1, '\0') + "x",
                             Path("*.txt"), "::::"};
  for (const std::string& name : bad) {
    EXPECT_FALSE(FileExists(name)) << name;
    EXPECT_FALSE(DirectoryExists(name)) << name;
  }
}

TEST_F(FilesTest, RenameDeleteAndFolders) {
  WriteFile("a.txt", "a");
  EXPECT_TRUE(RenameFile(Path("a.txt"), Path("b.txt")));
  EXPECT_FALSE(FileExists(Path("a.txt")));
  EXPECT_TRUE(FileExists(Path("b.txt")));
  EXPECT_FALSE(RenameFile(Path("a.txt"), Path("c.txt")));
  EXPECT_TRUE(DeleteFile(Path("b.txt")));
  EXPECT_FALSE(DeleteFile(Path("b.txt")));

  EXPECT_TRUE(CreateDir(Path("sub")));
  EXPECT_FALSE(CreateDir(Path("sub")));
  EXPECT_TRUE(RemoveDir(Path("sub")));
  EXPECT_FALSE(RemoveDir(Path("sub")));

  EXPECT_TRUE(ForceDirectories(Path("x\\y/z\\")));
  EXPECT_TRUE(DirectoryExists(Path("x\\y\\z")));
  EXPECT_TRUE(ForceDirectories(Path("x\\y")));
  WriteFile("file", "f");
  EXPECT_FALSE(ForceDirectories(Path("file\\sub")));
  EXPECT_THROW(ForceDirectories(""), EInOutError);
}

TEST_F(FilesTest, CurrentFolderAndExpansion) {
  const std::string before = GetCurrentDir();
  ASSERT_TRUE(SetCurrentDir(dir_));
  std::string current = GetCurrentDir(), expanded = ExpandFileName("x.txt"), parent = ExpandFileName("sub\\..\\y");
  ASSERT_TRUE(SetCurrentDir(before));
  EXPECT_TRUE(SameText(current, dir_)) << current;
  EXPECT_TRUE(SameText(expanded, dir_ + "\\x.txt")) << expanded;
  EXPECT_TRUE(SameText(parent, dir_ + "\\y")) << parent;
  EXPECT_FALSE(SetCurrentDir(Path("missing")));
  EXPECT_EQ(ExpandFileName(""), "");
}

TEST_F(FilesTest, AgeAndAttributes) {
  WriteFile("a.txt", "a");
  // Stamp the file with a known local time.
  const TDateTime when = EncodeDate(2021, 6, 15) + EncodeTime(10, 20, 30, 0);
  SYSTEMTIME local = {2021, 6, 2, 15, 10, 20, 30, 0}, utc;
  FILETIME stamp;
  ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc));
  ASSERT_TRUE(SystemTimeToFileTime(&utc, &stamp));
  HANDLE h = CreateFileA(Path("a.txt").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &stamp));
  CloseHandle(h);

  EXPECT_EQ(FileAge(Path("a.txt")), DateTimeToFileDate(when));
  EXPECT_EQ(FileDateToDateTime(FileAge(Path("a.txt"))), when);
  EXPECT_EQ(FileAge(Path("missing.txt")), -1);
  EXPECT_EQ(FileAge(dir_), -1);
  EXPECT_EQ(FileAge(Path("*.txt")), -1);  // wildcards match nothing

  EXPECT_EQ(FileSetAttr(Path("a.txt"), faReadOnly), 0);
  EXPECT_TRUE(FileGetAttr(Path("a.txt")) & faReadOnly);
  EXPECT_FALSE(DeleteFile(Path("a.txt")));
  EXPECT_EQ(FileSetAttr(Path("a.txt"), 0), 0);
  EXPECT_FALSE(FileGetAttr(Path("a.txt")) & faReadOnly);
  EXPECT_TRUE(FileGetAttr(dir_) & faDirectory);
  EXPECT_EQ(FileGetAttr(Path("missing.txt")), -1);
  EXPECT_NE(FileSetAttr(Path("missing.txt"), 0), 0);
}

TEST_F(FilesTest, FindFirstListsWhatTheAttributesAskFor) {
  WriteFile("a.txt", "aaa");
  WriteFile("b.txt", "bbbbbb");
  WriteFile("c.dat", "c");
  WriteFile("h.txt", "h");
  ASSERT_EQ(FileSetAttr(Path("h.txt"), faHidden), 0);
  ASSERT_TRUE(CreateDir(Path("sub")));

  auto list = [&](const std::string& mask, int attr) {
    std::set<std::string> names;
    TSearchRec rec;
    for (int r = FindFirst(Path(mask), attr, rec); r == 0; r = FindNext(rec)) names.insert(rec.Name);
    FindClose(rec);
    return names;
  };
  EXPECT_EQ(list("*.txt", 0), (std::set<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(list("*", faDirectory), (std::set<std::string>{".", "..", "a.txt", "b.txt", "c.dat", "sub"}));
  EXPECT_EQ(list("*", faAnyFile), (std::set<std::string>{".", "..", "a.txt", "b.txt", "c.dat", "h.txt", "sub"}));
  EXPECT_EQ(list("*.txt", faHidden), (std::set<std::string>{"a.txt", "b.txt", "h.txt"}));

  TSearchRec rec;
  ASSERT_EQ(FindFirst(Path("b.txt"), 0, rec), 0);
  EXPECT_EQ(rec.Name, "b.txt");
  EXPECT_EQ(rec.Size, 6);
  EXPECT_FALSE(rec.Attr & faDirectory);
  EXPECT_EQ(rec.Time, FileAge(Path("b.txt")));
  EXPECT_EQ(FindNext(rec), ERROR_NO_MORE_FILES);
  FindClose(rec);
  EXPECT_EQ(FindNext(rec), ERROR_NO_MORE_FILES);  // after FindClose, still safe

  ASSERT_EQ(FindFirst(Path("*"), faDirectory, rec), 0);
  while (rec.Name != "sub") ASSERT_EQ(FindNext(rec), 0);
  EXPECT_TRUE(rec.Attr & faDirectory);
  FindClose(rec);

  EXPECT_NE(FindFirst(Path("*.none"), faAnyFile, rec), 0);
  EXPECT_NE(FindFirst(Path("missing\\*"), faAnyFile, rec), 0);
  EXPECT_NE(FindFirst("", faAnyFile, rec), 0);
}

TEST_F(FilesTest, SearchRecordsCloseThemselves) {
  WriteFile("a.txt", "a");
  WriteFile("b.txt", "b");
  {
    TSearchRec rec;
    ASSERT_EQ(FindFirst(Path("*.txt"), 0, rec), 0);
    TSearchRec moved = std::move(rec);
    EXPECT_EQ(FindNext(rec), ERROR_NO_MORE_FILES);  // the search went with the move
    EXPECT_EQ(FindNext(moved), 0);
    // A second FindFirst on a record in use ends the first search.
    ASSERT_EQ(FindFirst(Path("a.txt"), 0, moved), 0);
    EXPECT_EQ(moved.Name, "a.txt");
  }
  // Nothing is left open: the folder can go.
  EXPECT_TRUE(DeleteFile(Path("a.txt")));
  EXPECT_TRUE(DeleteFile(Path("b.txt")));
}
