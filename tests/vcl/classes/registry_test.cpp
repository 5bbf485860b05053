#include "vcl/classes/registry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "vcl/runtime/streams.h"
#include "vcl/classes/stringlist.h"

#include "tests/support/test_helpers.h"
#include "tests/vcl/classes/string_lines.h"

using namespace vcl;

namespace {

// Every test works under its own key in HKEY_CURRENT_USER and deletes it at the end.
class RegistryTest : public testing::Test {
 protected:
  void SetUp() override {
    TRegistry reg;
    reg.DeleteKey(kRoot);
  }
  void TearDown() override {
    TRegistry reg;
    reg.DeleteKey(kRoot);
    EXPECT_FALSE(reg.KeyExists(kRoot));
  }

  static constexpr const char* kRoot = "\\Software\\MergeonTests";
};

TEST_F(RegistryTest, OpenKeyWithRelativeAndAbsolutePaths) {
  TRegistry reg;
  EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
  EXPECT_EQ(reg.Access(), static_cast<uint32_t>(KEY_ALL_ACCESS));
  EXPECT_EQ(reg.CurrentKey(), nullptr);

  EXPECT_FALSE(reg.OpenKey("\\Software\\MergeonTests\\A", false));
  EXPECT_FALSE(reg.KeyExists("\\Software\\MergeonTests\\A"));
  ASSERT_TRUE(reg.OpenKey("\\Software\\MergeonTests\\A", true));
  EXPECT_NE(reg.CurrentKey(), nullptr);
  EXPECT_EQ(reg.CurrentPath(), "Software\\MergeonTests\\A");

  // Relative to the open key.
  ASSERT_TRUE(reg.OpenKey("B\\C", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\MergeonTests\\A\\B\\C");
  EXPECT_TRUE(reg.KeyExists("\\Software\\MergeonTests\\A\\B"));
  EXPECT_FALSE(reg.KeyExists("B"));  // relative to ...\C now

  // Absolute again.
  ASSERT_TRUE(reg.OpenKey("\\Software\\MergeonTests\\A", false));
  EXPECT_EQ(reg.CurrentPath(), "Software\\MergeonTests\\A");
  EXPECT_TRUE(reg.KeyExists("B\\C"));
  EXPECT_TRUE(reg.HasSubKeys());

  reg.CloseKey();
  EXPECT_EQ(reg.CurrentKey(), nullptr);
  EXPECT_EQ(reg.CurrentPath(), "");
  // Without an open key a relative path starts at the root.
  EXPECT_TRUE(reg.KeyExists("Software\\MergeonTests\\A"));
}

TEST_F(RegistryTest, TypedValuesRoundTrip) {
  {
    TRegistry reg;
    reg.SetLazyWrite(false);
    ASSERT_TRUE(reg.OpenKey(std::string(kRoot) + "\\Values", true));
    reg.WriteString("Text", "hello");
    reg.WriteString("EmptyText", "");
    reg.WriteExpandString("Expand", "%TEMP%\\x");
    reg.WriteInteger("Int", -123456);
    reg.WriteBool("True", true);
    reg.WriteBool("False", false);
    reg.WriteFloat("Float", 0.1 + 0.2);
    reg.WriteDate("Date", 45351.0);
    reg.WriteDateTime("DateTime", 45351.75);
    reg.WriteTime("Time", 0.5);
    const unsigned char bytes[] = {1, 0, 255, 128};
    reg.WriteBinaryData("Binary", bytes, sizeof bytes);
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly(std::string(kRoot) + "\\Values"));
  EXPECT_EQ(reg.Access(), static_cast<uint32_t>(KEY_READ));
  EXPECT_EQ(reg.ReadString("Text"), "hello");
  EXPECT_EQ(reg.ReadString("EmptyText"), "");
  EXPECT_EQ(reg.ReadString("Expand"), "%TEMP%\\x");
  EXPECT_EQ(reg.ReadInteger("Int"), -123456);
  EXPECT_TRUE(reg.ReadBool("True"));
  EXPECT_FALSE(reg.ReadBool("False"));
  EXPECT_EQ(reg.ReadFloat("Float"), 0.1 + 0.2);
  EXPECT_EQ(reg.ReadDate("Date"), 45351.0);
  EXPECT_EQ(reg.ReadDateTime("DateTime"), 45351.75);
  EXPECT_EQ(reg.ReadTime("Time"), 0.5);
  unsigned char back[8] = {};
  EXPECT_EQ(reg.ReadBinaryData("Binary", back, sizeof back), 4);
  EXPECT_EQ(back[2], 255);
  EXPECT_EQ(back[3], 128);

  struct Case {
    const char* name;
    TRegDataType type;
    int32_t size;
  };
  const Case cases[] = {{"Text", rdString, 6},   {"Expand", rdExpandString, 9},
                        {"Int", rdInteger, 4},   {"Float", rdBinary, 8},
                        {"Binary", rdBinary, 4}, {"Missing", rdUnknown, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(reg.GetDataType(c.name), c.type);
    EXPECT_EQ(reg.GetDataSize(c.name), c.size);
    EXPECT_EQ(reg.ValueExists(c.name), c.size >= 0);
  }
  TRegDataInfo info;
  EXPECT_TRUE(reg.GetDataInfo("Int", info));
  EXPECT_EQ(info.RegData, rdInteger);
  EXPECT_EQ(info.DataSize, 4);

  TStringList names;
  reg.GetValueNames(&names);
  EXPECT_EQ(names.Count(), 11);
  EXPECT_GE(names.IndexOf("Binary"), 0);
}

TEST_F(RegistryTest, ReadingAValueOfAnotherTypeOrAbsentRaises) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kRoot, true));
  reg.WriteString("Text", "12");
  reg.WriteInteger("Int", 12);
  const unsigned char big[16] = {};
  reg.WriteBinaryData("Big", big, sizeof big);
  unsigned char small[4];

  EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadInteger("Text"); }), "Invalid data type for 'Text'");
  EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadString("Int"); }), "Invalid data type for 'Int'");
  EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadFloat("Int"); }), "Invalid data type for 'Int'");
  EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadFloat("Big"); }), "Invalid data type for 'Big'");
  EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadBinaryData("Big", small, sizeof small); }),
            "Invalid data type for 'Big'");
  EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadInteger("Missing"); }), "Failed to get data for 'Missing'");
  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_EQ(reg.ReadBinaryData("Missing", small, sizeof small), 0);

  // A string stored without its terminating zero is read within its bytes.
  const char unterminated[] = {'a', 'b', 'c'};
  RegSetValueExA(reg.CurrentKey(), "Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated), 3);
  EXPECT_EQ(reg.ReadString("Raw"), "abc");

  reg.CloseKey();
  EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.WriteString("NoKey", "x"); }), "Failed to set data for 'NoKey'");
}

TEST_F(RegistryTest, KeysAreCreatedListedAndDeletedWithTheirSubkeys) {
  TRegistry reg;
  EXPECT_TRUE(reg.CreateKey(std::string(kRoot) + "\\Tree\\One\\Deep"));
  EXPECT_TRUE(reg.CreateKey(std::string(kRoot) + "\\Tree\\Two"));
  EXPECT_EQ(reg.CurrentKey(), nullptr);  // CreateKey does not open it
  ASSERT_TRUE(reg.OpenKey(std::string(kRoot) + "\\Tree", false));
  TStringList names;
  reg.GetKeyNames(&names);
  EXPECT_EQ(classes_test::LinesOf(names), (classes_test::TextLines{"One", "Two"}));
  reg.WriteString("v", "1");
  EXPECT_TRUE(reg.DeleteValue("v"));
  EXPECT_FALSE(reg.DeleteValue("v"));

  EXPECT_TRUE(reg.DeleteKey("One"));
  EXPECT_FALSE(reg.KeyExists("One"));
  EXPECT_FALSE(reg.DeleteKey("One"));
  reg.GetKeyNames(&names);
  EXPECT_EQ(classes_test::LinesOf(names), classes_test::TextLines{"Two"});

  // A name the platform refuses.
  std::string tooLong(300, 'k');
  EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.CreateKey(tooLong); }), "Failed to create key " + tooLong);
}

TEST_F(RegistryTest, MoveKeyCopiesTheTreeAndCanDeleteTheOriginal) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(std::string(kRoot) + "\\From\\Sub", true));
  reg.WriteInteger("n", 7);
  ASSERT_TRUE(reg.OpenKey(kRoot, false));

  reg.MoveKey("From", "Copy", false);
  reg.MoveKey("From", "Moved", true);
  EXPECT_FALSE(reg.KeyExists("From"));
  for (const char* name : {"Copy\\Sub", "Moved\\Sub"}) {
    TRegistry check;
    ASSERT_TRUE(check.OpenKey(std::string(kRoot) + "\\" + name, false)) << name;
    EXPECT_EQ(check.ReadInteger("n"), 7);
  }
  EXPECT_THROW(reg.MoveKey("Copy", "Copy\\Inside", false), ERegistryException);
  EXPECT_FALSE(reg.KeyExists("Copy\\Inside"));
}

TEST_F(RegistryTest, ChangingTheRootClosesTheKey) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kRoot, true));
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(reg.CurrentKey(), nullptr);
  EXPECT_EQ(reg.RootKey(), HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(reg.KeyExists(kRoot));
  EXPECT_TRUE(reg.KeyExists("\\Software"));
}

TEST_F(RegistryTest, RegIniFileSectionsAreSubkeys) {
  const std::string fileName = std::string(kRoot + 1) + "\\Placement";
  {
    TRegIniFile ini(fileName);
    EXPECT_EQ(ini.FileName(), fileName);
    ini.WriteString("MainForm", "NormPos", "10,20,300,400");
    ini.WriteInteger("MainForm", "FormVersion", 2);
    ini.WriteBool("MainForm", "Visible", true);
    ini.WriteString("Other", "Hex", "0x1F");
  }
  // The sections are keys under the file's key, holding string values.
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\" + fileName + "\\MainForm", false));
  EXPECT_EQ(reg.GetDataType("FormVersion"), rdString);
  EXPECT_EQ(reg.ReadString("FormVersion"), "2");
  reg.WriteInteger("Number", 5);  // a number value written by someone else

  TRegIniFile ini(fileName, KEY_READ);
  EXPECT_EQ(ini.ReadString("MainForm", "NormPos", ""), "10,20,300,400");
  EXPECT_EQ(ini.ReadInteger("MainForm", "FormVersion", 0), 2);
  EXPECT_EQ(ini.ReadInteger("MainForm", "Number", 0), 5);
  EXPECT_EQ(ini.ReadInteger("Other", "Hex", 0), 31);
  EXPECT_TRUE(ini.ReadBool("MainForm", "Visible", false));
  EXPECT_EQ(ini.ReadString("MainForm", "Missing", "def"), "def");
  EXPECT_EQ(ini.ReadInteger("NoSection", "x", -1), -1);

  TStringList list;
  ini.ReadSections(&list);
  EXPECT_EQ(classes_test::LinesOf(list), (classes_test::TextLines{"MainForm", "Other"}));
  ini.ReadSectionValues("Other", &list);
  EXPECT_EQ(classes_test::LinesOf(list), classes_test::TextLines{"Hex=0x1F"});
  list.Add("stale");
  ini.ReadSection("NoSection", &list);
  EXPECT_EQ(list.Count(), 0);

  TRegIniFile writer(fileName);
  writer.DeleteKey("MainForm", "Visible");
  EXPECT_FALSE(writer.ReadBool("MainForm", "Visible", false));
  writer.EraseSection("Other");
  writer.ReadSections(&list);
  EXPECT_EQ(classes_test::LinesOf(list), classes_test::TextLines{"MainForm"});
}

TEST_F(RegistryTest, RegistryIniFileKeepsTypedValuesBehindTheIniInterface) {
  const std::string fileName = std::string(kRoot + 1) + "\\Typed";
  const TDateTime when = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 30, 0);
  {
    std::unique_ptr<TCustomIniFile> ini = std::make_unique<TRegistryIniFile>(fileName);
    ini->WriteString("S", "Text", "\"quoted\"");
    ini->WriteInteger("S", "Int", -5);
    ini->WriteBool("S", "Flag", true);
    ini->WriteFloat("S", "Float", 2.25);
    ini->WriteDateTime("S", "When", when);
    TMemoryStream stream;
    stream.WriteBuffer("\x01\x02\x03", 3);
    stream.SetPosition(0);
    ini->WriteBinaryStream("S", "Blob", &stream);
    ini->UpdateFile();
  }
  auto ini = std::make_unique<TRegistryIniFile>(fileName);
  TRegIniFile& reg = *ini->RegIniFile();
  ASSERT_TRUE(reg.OpenKey("S", false));
  EXPECT_EQ(reg.GetDataType("Int"), rdInteger);
  EXPECT_EQ(reg.GetDataType("Float"), rdBinary);
  EXPECT_EQ(reg.GetDataType("When"), rdBinary);
  EXPECT_EQ(reg.GetDataType("Blob"), rdBinary);
  EXPECT_EQ(reg.GetDataType("Flag"), rdString);
  // Values written as text read as well.
  reg.WriteString("IntText", "0x10");
  reg.WriteString("FloatText", "1.5");
  reg.WriteString("DateText", "2/29/2024");
  reg.WriteString("BlobText", "0A0B");
  reg.CloseKey();
  ASSERT_TRUE(reg.OpenKey("\\" + fileName, false));

  EXPECT_EQ(ini->ReadString("S", "Text", ""), "\"quoted\"");  // no quotes stripped here
  EXPECT_EQ(ini->ReadInteger("S", "Int", 0), -5);
  EXPECT_EQ(ini->ReadInteger("S", "IntText", 0), 16);
  EXPECT_TRUE(ini->ReadBool("S", "Flag", false));
  EXPECT_EQ(ini->ReadFloat("S", "Float", 0), 2.25);
  EXPECT_EQ(ini->ReadFloat("S", "FloatText", 0), 1.5);
  EXPECT_EQ(ini->ReadDateTime("S", "When", 0), when);
  EXPECT_EQ(ini->ReadDate("S", "DateText", 0), EncodeDate(2024, 2, 29));
  EXPECT_EQ(ini->ReadFloat("S", "Missing", 9.5), 9.5);
  TMemoryStream blob;
  EXPECT_EQ(ini->ReadBinaryStream("S", "Blob", &blob), 3);
  EXPECT_EQ(blob.Position(), 0);
  EXPECT_EQ(std::string(static_cast<char*>(blob.Memory()), 3), "\x01\x02\x03");
  TMemoryStream text;
  EXPECT_EQ(ini->ReadBinaryStream("S", "BlobText", &text), 2);
  EXPECT_EQ(std::string(static_cast<char*>(text.Memory()), 2), "\x0A\x0B");

  EXPECT_TRUE(ini->SectionExists("S"));
  EXPECT_TRUE(ini->ValueExists("S", "Int"));
  ini->DeleteKey("S", "Int");
  EXPECT_FALSE(ini->ValueExists("S", "Int"));
  ini->EraseSection("S");
  EXPECT_FALSE(ini->SectionExists("S"));
}

}  // namespace
