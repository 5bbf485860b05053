#include "placement/ini_storage.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/placement/placement_test_helpers.h"
#include "tests/placement/stored_components.h"
#include "vcl/controls/controls.h"
#include "vcl/controls/forms.h"
#include "vcl/classes/inifiles.h"
#include "vcl/classes/registry.h"
#include "vcl/runtime/sysutils.h"

using namespace placement;
using namespace vcl;

TEST(IniStorage, DefaultNamesComeFromTheProgramFile) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string program = ExtractFileName(path);  // placement_tests.exe
  std::string base = ChangeFileExt(program, "");
  EXPECT_EQ(DefaultIniFileName(), base + ".INI");
  EXPECT_EQ(DefaultRegistryKey(), "Software\\" + base);
}

TEST(IniStorage, DefaultSections) {
  EXPECT_EQ(DefaultIniSection(nullptr), "");
  auto* form = new TForm(nullptr);
  form->SetName("MainForm");
  auto* panel = new TWinControl(form);
  panel->SetName("Panel1");
  panel->SetParent(form);
  auto* inner = new TWinControl(form);
  inner->SetName("Inner");
  inner->SetParent(panel);
  auto* loose = new TWinControl(form);
  loose->SetName("Loose");
  auto* gadget = new placement_test::TGadget(form);
  gadget->SetName("Gadget1");
  TComponent plainOwner(nullptr);
  auto* orphan = new placement_test::TGadget(&plainOwner);
  orphan->SetName("Orphan");

  EXPECT_EQ(DefaultIniSection(form), "TForm");
  EXPECT_EQ(DefaultIniSection(panel), "TFormPanel1");
  EXPECT_EQ(DefaultIniSection(inner), "TFormInner");
  EXPECT_EQ(DefaultIniSection(loose), "Loose");
  EXPECT_EQ(DefaultIniSection(gadget), "TForm.Gadget1");
  EXPECT_EQ(DefaultIniSection(orphan), "Orphan");
  delete form;
}

TEST(IniStorage, ScreenStringsAreKeptPerScreenSizeAndPlain) {
  std::string suffix = ScreenSizeSuffix();
  EXPECT_EQ(suffix, Format("(%dx%d)", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));

  SettingsFolder folder;
  TIniFile ini(folder.File("screen.ini"));
  IniWriteScreenString(&ini, "User", "NormPos", "1,2,3,4");
  EXPECT_EQ(ini.ReadString("User", "NormPos" + suffix, ""), "1,2,3,4");
  EXPECT_EQ(ini.ReadString("User", "NormPos", ""), "1,2,3,4");
  EXPECT_EQ(IniReadScreenString(&ini, "User", "NormPos"), "1,2,3,4");

  // A file written on another screen size: the plain key serves.
  ini.EraseSection("User");
  ini.WriteString("User", "NormPos(1x1)", "9,9,9,9");
  ini.WriteString("User", "NormPos", "5,6,7,8");
  EXPECT_EQ(IniReadScreenString(&ini, "User", "NormPos"), "5,6,7,8");
  EXPECT_EQ(IniReadScreenString(&ini, "User", "MinMaxPos"), "");
}

TEST(IniStorage, QuotedValuesReadBackUnchangedFromIniFiles) {
  SettingsFolder folder;
  TIniFile ini(folder.File("quotes.ini"));
  const char* values[] = {"\"C:\\My Pictures\"", "'single'", "\"", "plain", "\"half", "", "a \"b\" c"};
  for (const char* v : values) {
    IniWriteString(&ini, "User", "Key", v);
    EXPECT_EQ(IniReadString(&ini, "User", "Key", "?"), v);
    // A missing key gives the default back as it is, quotes and blanks included.
    EXPECT_EQ(IniReadString(&ini, "User", "Missing", v), v);
  }
  EXPECT_EQ(IniReadString(&ini, "User", "Missing", "  padded  "), "  padded  ");
}

TEST(IniStorage, ReadsAndWritesDispatchOnTheStorage) {
  TMemIniFile memory("Z:\\nonexistent\\memory.ini");
  IniWriteString(&memory, "S", "Text", "\"kept\"");
  EXPECT_EQ(memory.ReadString("S", "Text", ""), "\"kept\"");  // only the profile files strip quotes
  IniWriteInteger(&memory, "S", "Number", -12);
  EXPECT_EQ(IniReadInteger(&memory, "S", "Number", 0), -12);
  IniWriteString(&memory, "S", "Bad", "twelve");
  EXPECT_EQ(IniReadInteger(&memory, "S", "Bad", 3), 3);
  IniEraseSection(&memory, "S");
  EXPECT_EQ(IniReadString(&memory, "S", "Text", "gone"), "gone");

  // Anything that is no storage reads as the default and takes no writes.
  TComponent notStorage(nullptr);
  EXPECT_EQ(IniReadString(nullptr, "S", "K", "def"), "def");
  EXPECT_EQ(IniReadString(&notStorage, "S", "K", "def"), "def");
  EXPECT_EQ(IniReadInteger(&notStorage, "S", "K", 7), 7);
  IniWriteString(&notStorage, "S", "K", "v");
  IniWriteInteger(nullptr, "S", "K", 1);
}

TEST(IniStorage, RegistryViewsAreWrittenUnchanged) {
  const std::string key = "Software\\MergeonPlacementTest";
  {
    TRegIniFile registry(key);
    IniWriteString(&registry, "User", "Quoted", "\"as is\"");
    EXPECT_EQ(IniReadString(&registry, "User", "Quoted", ""), "\"as is\"");
    IniWriteInteger(&registry, "User", "Number", 42);
    EXPECT_EQ(IniReadInteger(&registry, "User", "Number", 0), 42);
  }
  TRegistry cleanup;
  cleanup.DeleteKey(key);
}
