#include "vcl/classes/inifiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "vcl/runtime/streams.h"
#include "vcl/classes/stringlist.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

#include "tests/support/test_helpers.h"
#include "tests/vcl/classes/string_lines.h"

using namespace vcl;

namespace {

std::string ReadFileText(const std::string& fileName) {
  TStringList lines;
  lines.LoadFromFile(fileName);
  return lines.Text();
}

void WriteFileText(const std::string& fileName, const std::string& text) {
  TStringList lines;
  lines.SetText(text);
  lines.SaveToFile(fileName);
}

// The same behaviour is asked of both kinds of INI file.
struct IniKind {
  const char* name;
  std::function<std::unique_ptr<TCustomIniFile>(const std::string&)> open;
  // TMemIniFile keeps its changes in memory until UpdateFile.
  bool needsUpdate;
};

class IniFileTest : public testing::TestWithParam<IniKind> {
 protected:
  std::unique_ptr<TCustomIniFile> Open() { return GetParam().open(fileName_); }
  // Writes the changes and reads the file again through a new object.
  std::unique_ptr<TCustomIniFile> Reopen(std::unique_ptr<TCustomIniFile> ini) {
    if (GetParam().needsUpdate) ini->UpdateFile();
    ini.reset();
    return Open();
  }

  TestTempFolder folder_;
  std::string fileName_ = folder_.File("test.ini");
};

TEST_P(IniFileTest, EveryKindOfValueRoundTrips) {
  auto ini = Open();
  ini->WriteString("Text", "Plain", "hello world");
  ini->WriteString("Text", "Empty", "");
  ini->WriteInteger("Numbers", "Negative", -2147483647 - 1);
  ini->WriteInteger("Numbers", "Positive", 775);
  ini->WriteBool("Flags", "Yes", true);
  ini->WriteBool("Flags", "No", false);
  ini->WriteFloat("Numbers", "Half", 0.5);
  ini->WriteFloat("Numbers", "Tenth", 0.1);
  ini->WriteFloat("Numbers", "Sum", 0.1 + 0.2);  // needs more than 15 digits
  const TDateTime date = EncodeDate(2024, 2, 29);
  const TDateTime time = EncodeTime(13, 45, 30, 0);
  ini->WriteDate("When", "Date", date);
  ini->WriteTime("When", "Time", time);
  ini->WriteDateTime("When", "DateTime", date + time);
  TMemoryStream bytes;
  const unsigned char data[] = {0x00, 0x7F, 0x80, 0xFF, 0x0A};
  bytes.WriteBuffer(data, sizeof data);
  bytes.SetPosition(1);  // from the position to the end
  ini->WriteBinaryStream("Blob", "Data", &bytes);
  EXPECT_EQ(bytes.Position(), 1);

  ini = Reopen(std::move(ini));
  EXPECT_EQ(ini->ReadString("Text", "Plain", "x"), "hello world");
  EXPECT_EQ(ini->ReadString("Text", "Empty", "x"), "");
  EXPECT_EQ(ini->ReadInteger("Numbers", "Negative", 0), -2147483647 - 1);
  EXPECT_EQ(ini->ReadInteger("Numbers", "Positive", 0), 775);
  EXPECT_TRUE(ini->ReadBool("Flags", "Yes", false));
  EXPECT_FALSE(ini->ReadBool("Flags", "No", true));
  EXPECT_EQ(ini->ReadString("Flags", "Yes", ""), "1");
  EXPECT_EQ(ini->ReadFloat("Numbers", "Half", 0), 0.5);
  EXPECT_EQ(ini->ReadString("Numbers", "Tenth", ""), "0.1");
  EXPECT_EQ(ini->ReadFloat("Numbers", "Sum", 0), 0.1 + 0.2);
  EXPECT_EQ(ini->ReadDate("When", "Date", 0), date);
  EXPECT_EQ(ini->ReadTime("When", "Time", 0), time);
  EXPECT_DOUBLE_EQ(ini->ReadDateTime("When", "DateTime", 0), date + time);
  EXPECT_EQ(ini->ReadString("Blob", "Data", ""), "7F80FF0A");

  TMemoryStream back;
  back.WriteBuffer("ab", 2);
  EXPECT_EQ(ini->ReadBinaryStream("Blob", "Data", &back), 4);
  EXPECT_EQ(back.Position(), 2);  // a memory stream is ready to read what came in
  EXPECT_EQ(back.Size(), 6);
  EXPECT_EQ(std::string(static_cast<char*>(back.Memory()), 6), std::string("ab\x7F\x80\xFF\x0A", 6));
}

TEST_P(IniFileTest, AbsentOrUnreadableValuesGiveTheDefault) {
  auto ini = Open();
  ini->WriteString("S", "Word", "abc");
  ini->WriteString("S", "Hex", "0x1F");
  ini->WriteString("S", "Dollar", "$10");
  ini = Reopen(std::move(ini));

  EXPECT_EQ(ini->ReadString("S", "Missing", "def"), "def");
  EXPECT_EQ(ini->ReadString("Nowhere", "Word", "def"), "def");
  EXPECT_EQ(ini->ReadInteger("S", "Missing", 12), 12);
  EXPECT_EQ(ini->ReadInteger("S", "Word", 12), 12);
  EXPECT_EQ(ini->ReadInteger("S", "Hex", 0), 31);
  EXPECT_EQ(ini->ReadInteger("S", "Dollar", 0), 16);
  EXPECT_TRUE(ini->ReadBool("S", "Missing", true));
  EXPECT_TRUE(ini->ReadBool("S", "Word", true));
  EXPECT_EQ(ini->ReadFloat("S", "Word", 2.5), 2.5);
  EXPECT_EQ(ini->ReadDate("S", "Word", 3.0), 3.0);
  EXPECT_EQ(ini->ReadTime("S", "Word", 0.25), 0.25);
  EXPECT_EQ(ini->ReadDateTime("S", "Missing", 4.0), 4.0);
  TMemoryStream stream;
  EXPECT_EQ(ini->ReadBinaryStream("S", "Missing", &stream), 0);
  EXPECT_EQ(stream.Size(), 0);
}

TEST_P(IniFileTest, BadBinaryTextRaisesAndWritesNothing) {
  auto ini = Open();
  for (const char* text : {"ABC", "ZZ", "12 4"}) {
    SCOPED_TRACE(text);
    ini->WriteString("Blob", "Bad", text);
    TMemoryStream stream;
    EXPECT_THROW(ini->ReadBinaryStream("Blob", "Bad", &stream), EIniFileException);
    EXPECT_EQ(stream.Size(), 0);
  }
}

TEST_P(IniFileTest, SectionsAndKeysAreListedInOrder) {
  auto ini = Open();
  ini->WriteString("Second", "b", "2");
  ini->WriteString("First", "z", "26");
  ini->WriteString("First", "a", "1");
  ini->WriteString("Second", "c", "3");
  ini->WriteString("Second", "b", "two");  // keeps its place
  ini = Reopen(std::move(ini));

  TStringList list;
  ini->ReadSections(&list);
  EXPECT_EQ(classes_test::LinesOf(list), (classes_test::TextLines{"Second", "First"}));
  ini->ReadSection("First", &list);
  EXPECT_EQ(classes_test::LinesOf(list), (classes_test::TextLines{"z", "a"}));
  ini->ReadSectionValues("Second", &list);
  EXPECT_EQ(classes_test::LinesOf(list), (classes_test::TextLines{"b=two", "c=3"}));
  ini->ReadSection("Missing", &list);
  EXPECT_EQ(list.Count(), 0);

  EXPECT_TRUE(ini->SectionExists("First"));
  EXPECT_TRUE(ini->SectionExists("first"));
  EXPECT_FALSE(ini->SectionExists("Third"));
  EXPECT_TRUE(ini->ValueExists("Second", "c"));
  EXPECT_TRUE(ini->ValueExists("SECOND", "C"));
  EXPECT_FALSE(ini->ValueExists("Second", "z"));
  EXPECT_EQ(ini->ReadString("sEcOnD", "B", ""), "two");
}

TEST_P(IniFileTest, EraseSectionAndDeleteKey) {
  auto ini = Open();
  ini->WriteString("Keep", "a", "1");
  ini->WriteString("Keep", "b", "2");
  ini->WriteString("Drop", "c", "3");
  ini->EraseSection("drop");
  ini->DeleteKey("KEEP", "A");
  ini->DeleteKey("Keep", "missing");
  ini->DeleteKey("Missing", "a");
  ini->EraseSection("Missing");
  ini = Reopen(std::move(ini));

  TStringList list;
  ini->ReadSections(&list);
  EXPECT_EQ(classes_test::LinesOf(list), classes_test::TextLines{"Keep"});
  ini->ReadSectionValues("Keep", &list);
  EXPECT_EQ(classes_test::LinesOf(list), classes_test::TextLines{"b=2"});
}

TEST_P(IniFileTest, NamesAndValuesThatWouldBreakTheFileAreRefused) {
  auto ini = Open();
  ini->WriteString("S", "kept", "1");
  struct Case {
    const char* section;
    const char* ident;
    const char* value;
  };
  const Case cases[] = {
      {"S", "k", "two\r\nlines"}, {"S", "k", "[Injected]"  "\n"}, {"S", "a=b", "1"},
      {"S", "[x]", "1"},          {"S", ";note", "1"},             {"A\nB", "k", "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ident);
    EXPECT_THROW(ini->WriteString(c.section, c.ident, c.value), EIniFileException);
  }
  ini = Reopen(std::move(ini));
  TStringList list;
  ini->ReadSections(&list);
  EXPECT_EQ(classes_test::LinesOf(list), classes_test::TextLines{"S"});
  ini->ReadSectionValues("S", &list);
  EXPECT_EQ(classes_test::LinesOf(list), classes_test::TextLines{"kept=1"});
}

INSTANTIATE_TEST_SUITE_P(
    BothKinds, IniFileTest,
    testing::Values(
        IniKind{"TIniFile", [](const std::string& f) { return std::make_unique<TIniFile>(f); }, false},
        IniKind{"TMemIniFile", [](const std::string& f) { return std::make_unique<TMemIniFile>(f); },
                true}),
    [](const testing::TestParamInfo<IniKind>& info) { return std::string(info.param.name); });

TEST(TIniFileTest, TheFileIsWrittenAsItGoesAndQuotesAreStrippedOnReading) {
  TestTempFolder folder;
  std::string fileName = folder.File("direct.ini");
  TIniFile ini(fileName);
  ini.WriteString("User", "Quoted", "\"quoted\"");
  ini.WriteString("User", "Spaced", "  a b  ");
  std::string text = ReadFileText(fileName);
  EXPECT_NE(text.find("[User]"), std::string::npos);
  EXPECT_NE(text.find("Quoted=\"quoted\""), std::string::npos);
  EXPECT_EQ(ini.ReadString("User", "Quoted", ""), "quoted");
  EXPECT_EQ(ini.ReadString("User", "Spaced", ""), "a b");
  EXPECT_EQ(ini.FileName(), fileName);
}

TEST(TIniFileTest, LongValuesAndManyKeysAreNotCut) {
  TestTempFolder folder;
  TIniFile ini(folder.File("long.ini"));
  std::string longest(32766, 'v');
  longest.back() = 'w';
  ini.WriteString("Big", "Value", longest);
  std::string back = ini.ReadString("Big", "Value", "");
  EXPECT_EQ(back.size(), longest.size());
  EXPECT_TRUE(back == longest);
  // The platform would take a longer one and keep it corrupted.
  EXPECT_THROW(ini.WriteString("Big", "Value", longest + "x"), EIniFileException);
  EXPECT_TRUE(ini.ReadString("Big", "Value", "") == longest);

  for (int i = 0; i < 300; ++i) ini.WriteString("Many", "Key" + std::to_string(i), "x");
  TStringList keys;
  ini.ReadSection("Many", &keys);
  ASSERT_EQ(keys.Count(), 300);
  EXPECT_EQ(keys.Strings(299), "Key299");
}

TEST(TIniFileTest, AFileNameWithoutAFolderLivesInTheWindowsFolder) {
  const std::string name = "mergeon-ini-test-" + std::to_string(GetCurrentProcessId()) + ".ini";
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string fullName = std::string(windows) + "\\" + name;
  {
    TIniFile ini(name);
    ini.WriteInteger("Placement", "FormVersion", 3);
    EXPECT_EQ(ini.ReadInteger("Placement", "FormVersion", 0), 3);
  }
  EXPECT_TRUE(FileExists(fullName));
  TMemIniFile check(fullName);
  EXPECT_EQ(check.ReadInteger("Placement", "FormVersion", 0), 3);
  DeleteFileA(fullName.c_str());
}

TEST(TIniFileTest, AWriteThatThePlatformRefusesRaises) {
  TestTempFolder folder;
  std::string missingFolder = folder.File("no-such-folder") + "\\x.ini";
  TIniFile ini(missingFolder);
  EXPECT_EQ(MessageOf<EIniFileException>([&] { ini.WriteString("S", "k", "v"); }),
            "Unable to write to " + missingFolder);
}

TEST(TMemIniFileTest, ReadsAFileWithCommentsBlanksAndRepeatedSections) {
  TestTempFolder folder;
  std::string fileName = folder.File("mem.ini");
  WriteFileText(fileName,
                "; made by hand\n"
                "[Main]\n"
                "  Width = 640 \n"
                "; the height\n"
                "Height=480\n"
                "\n"
                "loose line\n"
                "[Other]\n"
                "Path=C:\\a=b\n"
                "[MAIN]\n"
                "Depth=32\n");
  TMemIniFile ini(fileName);
  EXPECT_EQ(ini.ReadInteger("main", "width", 0), 640);
  EXPECT_EQ(ini.ReadString("Other", "Path", ""), "C:\\a=b");  // everything after the first "="
  EXPECT_EQ(ini.ReadInteger("Main", "Depth", 0), 32);
  TStringList list;
  ini.ReadSection("Main", &list);
  EXPECT_EQ(classes_test::LinesOf(list), (classes_test::TextLines{"Width", "Height", "Depth"}));
  ini.ReadSections(&list);
  EXPECT_EQ(classes_test::LinesOf(list), (classes_test::TextLines{"Main", "Other"}));

  // Comments and other lines come back in place when the file is written.
  ini.WriteString("Main", "Height", "600");
  ini.UpdateFile();
  EXPECT_EQ(ReadFileText(fileName),
            "; made by hand\r\n"
            "[Main]\r\n"
            "Width=640\r\n"
            "; the height\r\n"
            "Height=600\r\n"
            "loose line\r\n"
            "Depth=32\r\n"
            "\r\n"
            "[Other]\r\n"
            "Path=C:\\a=b\r\n"
            "\r\n");
}

TEST(TMemIniFileTest, CaseSensitiveLookUps) {
  TMemIniFile ini("");
  ini.WriteString("Sec", "Key", "1");
  EXPECT_EQ(ini.ReadString("SEC", "KEY", "-"), "1");
  ini.SetCaseSensitive(true);
  EXPECT_TRUE(ini.CaseSensitive());
  EXPECT_EQ(ini.ReadString("SEC", "Key", "-"), "-");
  EXPECT_EQ(ini.ReadString("Sec", "key", "-"), "-");
  ini.WriteString("Sec", "key", "2");
  EXPECT_EQ(ini.ReadString("Sec", "Key", "-"), "1");
  EXPECT_EQ(ini.ReadString("Sec", "key", "-"), "2");
}

TEST(TMemIniFileTest, AListThatRefusesALineIsNotLeftInAnUpdate) {
  // Names that differ in case only, given to a list that holds each line once, without case.
  TMemIniFile ini("");
  ini.SetCaseSensitive(true);
  ini.WriteString("Sec", "Key", "1");
  ini.WriteString("Sec", "KEY", "1");
  ini.WriteString("sec", "Key", "1");
  const std::pair<const char*, std::function<void(TStrings*)>> reads[] = {
      {"ReadSection", [&](TStrings* list) { ini.ReadSection("Sec", list); }},
      {"ReadSectionValues", [&](TStrings* list) { ini.ReadSectionValues("Sec", list); }},
      {"ReadSections", [&](TStrings* list) { ini.ReadSections(list); }},
      {"GetStrings", [&](TStrings* list) { ini.GetStrings(list); }},
  };
  for (const auto& [name, read] : reads) {
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(dupError);
    EXPECT_THROW(read(&list), EStringListError) << name;
    EXPECT_EQ(list.UpdateCount(), 0) << name;
  }
}

TEST(TMemIniFileTest, StringsInAndOutAndNothingOnDiskUntilUpdateFile) {
  TestTempFolder folder;
  std::string fileName = folder.File("lines.ini");
  TMemIniFile ini(fileName);
  TStringList lines;
  lines.SetText("[GLOBALINFO]\nMASTERBITMAP=master.bmp\n[BUTTON]\nGLYPH=0x10\n");
  ini.SetStrings(&lines);
  EXPECT_EQ(ini.ReadString("GlobalInfo", "MasterBitmap", ""), "master.bmp");
  EXPECT_EQ(ini.ReadInteger("Button", "Glyph", 0), 16);
  EXPECT_FALSE(FileExists(fileName));

  TStringList out;
  out.Add("kept");  // GetStrings appends
  ini.GetStrings(&out);
  EXPECT_EQ(classes_test::LinesOf(out), (classes_test::TextLines{"kept", "[GLOBALINFO]", "MASTERBITMAP=master.bmp", "", "[BUTTON]",
                               "GLYPH=0x10", ""}));

  ini.Clear();
  ini.ReadSections(&out);
  EXPECT_EQ(out.Count(), 0);
}

TEST(TMemIniFileTest, RenameWithAndWithoutReload) {
  TestTempFolder folder;
  std::string first = folder.File("first.ini");
  std::string second = folder.File("second.ini");
  WriteFileText(second, "[S]\nFrom=second\n");
  TMemIniFile ini(first);
  ini.WriteString("S", "From", "first");

  ini.Rename(second, false);
  EXPECT_EQ(ini.FileName(), second);
  EXPECT_EQ(ini.ReadString("S", "From", ""), "first");
  ini.Rename(second, true);
  EXPECT_EQ(ini.ReadString("S", "From", ""), "second");
  ini.Rename(first, true);  // does not exist: empty
  EXPECT_FALSE(ini.SectionExists("S"));
}

}  // namespace
