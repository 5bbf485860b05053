#include "placement/form_storage.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "placement/ini_storage.h"
#include "placement/placement_text.h"
#include "placement/window_placement.h"
#include "tests/placement/placement_test_form.h"
#include "tests/placement/placement_test_helpers.h"
#include "vcl/controls/application.h"
#include "vcl/classes/inifiles.h"
#include "vcl/classes/registry.h"
#include "vcl/controls/screen.h"
#include "vcl/runtime/sysutils.h"

using namespace placement;
using namespace placement_test;
using namespace vcl;

namespace {

class FormStorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    iniFile = folder.File("Mergeon.ini");
    Application->OnException = [this](TObject*, Exception* e) { errors.push_back(e->Message()); };
  }
  void TearDown() override {
    for (TCustomForm* form : forms) delete form;
    Application->ProcessMessages();
    Application->OnException = nullptr;
    EXPECT_TRUE(errors.empty()) << errors.front();
  }

  TPlacementTestForm* MakeForm() {
    auto* form = NewForm<TPlacementTestForm>(nullptr);
    form->FormStorage1->SetIniFileName(iniFile);
    forms.push_back(form);
    return form;
  }
  void Free(TCustomForm* form) {
    std::erase(forms, form);
    delete form;
  }
  std::string Read(const std::string& key, const std::string& section = "User") {
    TIniFile ini(iniFile);
    return ini.ReadString(section, key, "<none>");
  }
  void WriteFile(const std::string& text) { WriteRawFile(iniFile, text); }
  static TRect WindowRect(TCustomForm* form) {
    RECT r{};
    GetWindowRect(form->Handle(), &r);
    return r;
  }
  static RECT WorkArea() {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
  }

  SettingsFolder folder;
  std::string iniFile;
  std::vector<TCustomForm*> forms;
  std::vector<std::string> errors;
};

std::string Section(int pixelsPerInch, const std::string& normPos, const std::string& extra = "") {
  return "[User]\r\nFormVersion=0\r\nFlags=0\r\nShowCmd=1\r\nPixelsPerInch=" + std::to_string(pixelsPerInch) +
         "\r\nMinMaxPos=-1,-1,-1,-1\r\nNormPos=" + normPos + "\r\n" + extra;
}

}  // namespace

TEST_F(FormStorageTest, ASecondInstanceRestoresWhatTheFirstSaved) {
  TPlacementTestForm* first = MakeForm();
  first->Show();
  first->SetBounds(150, 120, 820, 640);
  first->GadgetBase->SetFolder("C:\\Pictures\\Base");
  first->GadgetOverlay->SetFolder("");
  first->GadgetOverlay->SetKind(gkOdd);
  first->Close();
  EXPECT_FALSE(first->Visible());

  std::string suffix = ScreenSizeSuffix();
  EXPECT_EQ(Read("FormVersion"), "0");
  EXPECT_EQ(Read("ShowCmd"), "1");
  EXPECT_EQ(Read("PixelsPerInch"), std::to_string(Screen->PixelsPerInch()));
  EXPECT_EQ(Read("NormPos"), "150,120,970,760");
  EXPECT_EQ(Read("NormPos" + suffix), "150,120,970,760");
  EXPECT_EQ(Read("MinMaxPos" + suffix), Read("MinMaxPos"));
  EXPECT_EQ(Read("Visible"), "0");
  EXPECT_EQ(Read("GadgetBase_Folder"), "C:\\Pictures\\Base");
  EXPECT_EQ(Read("GadgetOverlay_Folder"), "");  // written although empty
  EXPECT_EQ(Read("GadgetOverlay_Kind"), "gkOdd");
  EXPECT_EQ(Read("ActiveControl"), "<none>");   // only with fpActiveControl
  // The keys of a first save, in order.
  std::string text = ReadRawFile(iniFile);
  size_t at = 0;
  const std::vector<std::string> keys = {"FormVersion=", "Flags=", "ShowCmd=", "PixelsPerInch=",
                                         "MinMaxPos" + suffix + "=", "MinMaxPos=", "NormPos" + suffix + "=",
                                         "NormPos=", "Visible=", "GadgetBase_Folder=", "GadgetOverlay_Folder=",
                                         "GadgetOverlay_Kind="};
  for (const std::string& key : keys) {
    size_t found = text.find(key, at);
    ASSERT_NE(found, std::string::npos) << key << " in\n" << text;
    at = found;
  }
  Free(first);

  TPlacementTestForm* second = MakeForm();
  EXPECT_EQ(second->GadgetBase->Folder(), "");
  second->Show();
  EXPECT_EQ(second->BoundsRect(), Bounds(150, 120, 820, 640));
  EXPECT_EQ(WindowRect(second), Bounds(150, 120, 820, 640));
  EXPECT_EQ(second->WindowState(), wsNormal);
  EXPECT_EQ(second->GadgetBase->Folder(), "C:\\Pictures\\Base");
  EXPECT_EQ(second->GadgetOverlay->Kind(), gkOdd);
  EXPECT_TRUE(second->FormStorage1->Restored());
}

TEST_F(FormStorageTest, TheFormsOwnHandlersStillRun) {
  TPlacementTestForm* form = MakeForm();
  int restores = 0, saves = 0;
  form->FormStorage1->OnRestorePlacement = [&](TObject*) { ++restores; };
  form->FormStorage1->OnSavePlacement = [&](TObject*) { ++saves; };
  form->Show();
  EXPECT_EQ(form->shows, 1);
  EXPECT_EQ(restores, 1);

  // A close the form refuses saves nothing.
  form->allowClose = false;
  form->SetBounds(10, 20, 800, 600);
  form->Close();
  EXPECT_EQ(form->closeQueries, 1);
  EXPECT_EQ(saves, 0);
  EXPECT_FALSE(FileExists(iniFile));
  form->allowClose = true;
  form->Close();
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(Read("NormPos"), "10,20,810,620");

  int destroyed = 0;
  form->destroyed = &destroyed;
  Free(form);  // saved already: destroying saves nothing more
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(Read("Visible"), "0");
}

TEST_F(FormStorageTest, AFormDestroyedWithoutClosingSavesOnItsWay) {
  TPlacementTestForm* form = MakeForm();
  form->Show();
  form->SetBounds(30, 40, 800, 600);
  form->GadgetBase->SetFolder("D:\\Last");
  int destroyed = 0;
  form->destroyed = &destroyed;
  Free(form);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(Read("NormPos"), "30,40,830,640");
  EXPECT_EQ(Read("GadgetBase_Folder"), "D:\\Last");
  EXPECT_EQ(Read("Visible"), "1");
}

TEST_F(FormStorageTest, AnInactivePlacementLeavesTheFormAlone) {
  WriteFile(Section(Screen->PixelsPerInch(), "40,50,840,650"));
  TPlacementTestForm* form = MakeForm();
  form->FormStorage1->SetActive(false);
  form->Show();
  EXPECT_EQ(form->shows, 1);
  EXPECT_EQ(form->BoundsRect(), Bounds(100, 80, 400, 300));
  form->Close();
  EXPECT_EQ(Read("NormPos"), "40,50,840,650");
}

TEST_F(FormStorageTest, NoSettingsFileLeavesTheDesignedForm) {
  TPlacementTestForm* form = MakeForm();
  form->GadgetBase->SetFolder("designed");
  form->Show();
  EXPECT_EQ(form->BoundsRect(), Bounds(100, 80, 400, 300));
  EXPECT_EQ(form->GadgetBase->Folder(), "designed");
  EXPECT_FALSE(FileExists(iniFile));  // reading creates nothing
}

// A settings file that is damaged in any way never stops the form: bad values are ignored and
// the form keeps its own placement and properties.
TEST_F(FormStorageTest, MalformedSettingsFilesAreSurvived) {
  struct Case {
    const char* what;
    std::string text;
  };
  const int ppi = Screen->PixelsPerInch();
  const Case cases[] = {
      {"empty", ""},
      {"binary", std::string("\0\xFF\xFE[User\0=\x01\x02\r\n\xFF", 15)},
      {"truncated", "[User]\r\nFormVersion=0\r\nFlags=0\r\nShowCmd=1\r\nPixelsPerInch=" + std::to_string(ppi) +
                        "\r\nNormPos=10"},
      {"no section", "NormPos=1,2,3,4\r\nGadgetBase_Folder=x"},
      {"nonsense numbers",
       "[User]\r\nFormVersion=zero\r\nFlags=lots\r\nShowCmd=99\r\nPixelsPerInch=" + std::to_string(ppi) +
           "\r\nMinMaxPos=a,b,c\r\nNormPos=left,top,right,bottom\r\nGadgetOverlay_Kind=gkNothing\r\n"},
      {"empty rectangle", Section(ppi, "300,300,300,300")},
      {"upside down", Section(ppi, "300,400,700,100")},
      {"huge numbers", Section(ppi, "2147483647,2147483647,-2147483648,-2147483648")},
      {"section names only", "[User]\r\n[User]\r\n[]\r\n="},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(c.text);
    TPlacementTestForm* form = MakeForm();
    form->Show();
    EXPECT_TRUE(form->Visible());
    TRect r = WindowRect(form);
    EXPECT_GT(r.right - r.left, 0);
    EXPECT_GT(r.bottom - r.top, 0);
    EXPECT_EQ(form->GadgetOverlay->Kind(), gkPlain);
    // Closing writes a good file again.
    form->Close();
    EXPECT_EQ(Read("FormVersion"), "0");
    Free(form);
  }
}

TEST_F(FormStorageTest, APositionOffEveryMonitorIsPulledBackOntoTheDesktop) {
  const int ppi = Screen->PixelsPerInch();
  RECT work = WorkArea();
  struct Case {
    const char* what;
    const char* normPos;
  };
  const Case cases[] = {
      {"far left and up", "-5000,-4000,-4200,-3400"},
      {"far right and down", "9000,9000,9800,9600"},
      {"larger than the screen", "-100,-100,20000,15000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(Section(ppi, c.normPos));
    TPlacementTestForm* form = MakeForm();
    form->Show();
    TRect r = WindowRect(form);
    EXPECT_GE(r.left, work.left);
    EXPECT_GE(r.top, work.top);
    EXPECT_LE(r.right, work.right);
    EXPECT_LE(r.bottom, work.bottom);
    EXPECT_GT(r.right - r.left, 0);
    Free(form);
  }
  // A position on the desktop stays exactly where it was.
  WriteFile(Section(ppi, "20,30,820,630"));
  TPlacementTestForm* form = MakeForm();
  form->Show();
  EXPECT_EQ(WindowRect(form), Rect(20, 30, 820, 630));
}

TEST_F(FormStorageTest, FitOntoDesktop) {
  RECT work = WorkArea();
  RECT inside{10, 10, 110, 60};
  EXPECT_EQ(FitOntoDesktop(inside), inside);
  RECT off{work.right + 500, work.bottom + 500, work.right + 600, work.bottom + 550};
  RECT fitted = FitOntoDesktop(off);
  EXPECT_EQ(fitted.right, work.right);
  EXPECT_EQ(fitted.bottom, work.bottom);
  EXPECT_EQ(fitted.right - fitted.left, 100);
  EXPECT_EQ(fitted.bottom - fitted.top, 50);
}

TEST_F(FormStorageTest, ScreenSizeKeysFallBackToThePlainKeys) {
  const int ppi = Screen->PixelsPerInch();
  WriteFile(Section(ppi, "40,50,840,650", "NormPos(1x1)=1,1,900,900\r\n"));
  TPlacementTestForm* form = MakeForm();
  form->Show();
  EXPECT_EQ(form->BoundsRect(), Bounds(40, 50, 800, 600));
}

TEST_F(FormStorageTest, AnotherTextSizeSkipsThePositionButNotTheState) {
  WriteFile(Section(Screen->PixelsPerInch() + 24, "40,50,840,650") + "");
  {
    TIniFile ini(iniFile);
    ini.WriteString("User", "ShowCmd", "3");
  }
  TPlacementTestForm* form = MakeForm();
  form->Show();
  EXPECT_EQ(form->WindowState(), wsMaximized);
  form->SetWindowState(wsNormal);
  // The designed corner (the size grows to the form's minimum tracking size).
  EXPECT_EQ(WindowRect(form).left, 100);
  EXPECT_EQ(WindowRect(form).top, 80);
}

TEST_F(FormStorageTest, AnOlderLayoutVersionIsNotRestoredButReplaced) {
  WriteFile(Section(Screen->PixelsPerInch(), "40,50,840,650", "GadgetBase_Folder=old\r\n"));
  TPlacementTestForm* form = MakeForm();
  form->FormStorage1->SetVersion(2);
  form->Show();
  EXPECT_EQ(form->BoundsRect(), Bounds(100, 80, 400, 300));
  EXPECT_EQ(form->GadgetBase->Folder(), "");
  EXPECT_TRUE(form->FormStorage1->Restored());
  form->Close();
  EXPECT_EQ(Read("FormVersion"), "2");
  EXPECT_EQ(Read("NormPos"), "100,80,500,380");
}

TEST_F(FormStorageTest, SavedMinimizedTheProgramStartsMinimized) {
  WriteFile(Section(Screen->PixelsPerInch(), "40,50,840,650"));
  {
    TIniFile ini(iniFile);
    ini.WriteString("User", "ShowCmd", "2");
  }
  TPlacementTestForm* form = MakeForm();  // no main form yet: the form counts as one
  form->Show();
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_FALSE(IsIconic(form->Handle()));
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, Application->Handle(), WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>(SC_MINIMIZE));
}

TEST_F(FormStorageTest, TheFormCannotBeTrackedSmallerThanItsMinimum) {
  TPlacementTestForm* form = MakeForm();
  form->Show();
  ASSERT_EQ(form->FormStorage1->WindowHook()->WinControl(), form);
  MINMAXINFO info{};
  info.ptMaxTrackSize = {5000, 5000};
  SendMessageA(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 775);
  EXPECT_EQ(info.ptMinTrackSize.y, 585);
  EXPECT_EQ(info.ptMaxTrackSize.x, 5000);  // zero limits leave the platform's values
}

TEST_F(FormStorageTest, PreventResizeFreezesTheSize) {
  TPlacementTestForm* form = MakeForm();
  form->Show();
  form->FormStorage1->SetPreventResize(true);
  EXPECT_FALSE(form->BorderIcons().Contains(biMaximize));
  Application->ProcessMessages();  // a window made again for the new frame is hooked again

  MINMAXINFO info{};
  SendMessageA(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, form->Width());
  EXPECT_EQ(info.ptMaxTrackSize.x, form->Width());
  EXPECT_EQ(info.ptMinTrackSize.y, form->Height());
  EXPECT_EQ(info.ptMaxTrackSize.y, form->Height());

  // Every sizing border answers "nowhere"; the caption still answers as itself.
  TRect r = WindowRect(form);
  int midX = (r.left + r.right) / 2, midY = (r.top + r.bottom) / 2;
  POINT borders[] = {{r.left + 1, midY}, {r.right - 2, midY}, {midX, r.bottom - 2}, {r.right - 2, r.bottom - 2}};
  for (POINT p : borders)
    EXPECT_EQ(SendMessageA(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTNOWHERE) << p.x << "," << p.y;
  LRESULT caption = SendMessageA(form->Handle(), WM_NCHITTEST, 0,
                                 MAKELPARAM(midX, r.top + GetSystemMetrics(SM_CYFRAME) + 4));
  EXPECT_EQ(caption, HTCAPTION);

  HMENU windowMenu = GetSystemMenu(form->Handle(), FALSE);
  ASSERT_NE(windowMenu, nullptr);
  SendMessageA(form->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(windowMenu), MAKELPARAM(0, TRUE));
  EXPECT_TRUE(GetMenuState(windowMenu, SC_SIZE, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_TRUE(GetMenuState(windowMenu, SC_MAXIMIZE, MF_BYCOMMAND) & MF_GRAYED);

  form->FormStorage1->SetPreventResize(false);
  EXPECT_TRUE(form->BorderIcons().Contains(biMaximize));
}

TEST_F(FormStorageTest, AFixedSizeFormRestoresOnlyItsCorner) {
  WriteFile(Section(Screen->PixelsPerInch(), "60,70,900,800"));
  TPlacementTestForm* form = MakeForm();
  form->SetBorderStyle(bsDialog);
  form->SetBounds(100, 80, 400, 300);
  form->Show();
  EXPECT_EQ(form->BoundsRect(), Bounds(60, 70, 400, 300));
}

TEST_F(FormStorageTest, TheActiveControlIsKeptWhenAsked) {
  TPlacementTestForm* form = MakeForm();
  auto* first = new TWinControl(form);
  first->SetName("FirstBox");
  first->SetParent(form);
  first->SetTabStop(true);
  auto* second = new TWinControl(form);
  second->SetName("SecondBox");
  second->SetParent(form);
  second->SetTabStop(true);
  form->FormStorage1->SetOptions(TPlacementOptions{fpState, fpPosition, fpActiveControl});
  form->Show();
  form->SetActiveControl(second);
  form->Close();
  EXPECT_EQ(Read("ActiveControl"), "SecondBox");
  form->FormStorage1->RestoreFormState();
  EXPECT_EQ(form->ActiveControl(), second);
}

TEST_F(FormStorageTest, StoredValuesWithAKeyAreHex) {
  TPlacementTestForm* form = MakeForm();
  TStoredValues* values = form->FormStorage1->StoredValues();
  auto* plain = static_cast<TStoredValue*>(values->Add());
  plain->SetName("LastFile");
  plain->SetValue("\"C:\\a b.png\"");
  auto* secret = static_cast<TStoredValue*>(values->Add());
  secret->SetName("Secret");
  secret->SetKeyString("k");
  secret->SetValue("abc");
  std::string seenOnSave;
  secret->OnSave = [&](TStoredValue*, std::string& v) { seenOnSave = v; };
  form->Show();
  form->Close();
  EXPECT_EQ(seenOnSave, "abc");
  EXPECT_EQ(Read("LastFile"), "\"C:\\a b.png\"");  // quotes survive the INI file
  EXPECT_EQ(Read("Secret"), EncodeKeyedHex("k", "abc"));
  EXPECT_EQ(Read("Secret"), "0a0908");

  // A pair edited into something that is no hex restores a space (before the key applies).
  {
    TIniFile ini(iniFile);
    ini.WriteString("User", "Secret", "0azz08");
  }
  secret->SetValue("");
  std::string seenOnRestore;
  secret->OnRestore = [&](TStoredValue*, std::string& v) { seenOnRestore = v; };
  form->FormStorage1->RestoreFormState();
  EXPECT_EQ(secret->Value(), std::string("a") + char(' ' ^ 'k') + "c");
  EXPECT_EQ(seenOnRestore, secret->Value());
  EXPECT_EQ(plain->Value(), "\"C:\\a b.png\"");
  // The value handlers hold this test's locals, and a form saves again as it goes: it goes now,
  // while they live, not in the tear-down.
  Free(form);
}

TEST_F(FormStorageTest, StoredValueNamesAreUnique) {
  TPlacementTestForm* form = MakeForm();
  TStoredValues* values = form->FormStorage1->StoredValues();
  auto* a = static_cast<TStoredValue*>(values->Add());
  a->SetName("Alpha");
  auto* b = static_cast<TStoredValue*>(values->Add());
  b->SetName("Beta");
  try {
    b->SetName("ALPHA");
    FAIL() << "a duplicate name was accepted";
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "String list does not allow duplicates");
  }
  EXPECT_EQ(b->Name(), "Beta");
  a->SetName("alpha");  // its own name in another case
  EXPECT_EQ(a->Name(), "alpha");
  EXPECT_EQ(values->IndexOf("BETA"), 1);
  EXPECT_EQ(values->IndexOf("Gamma"), -1);
  EXPECT_EQ(b->DisplayName(), "Beta");
}

TEST_F(FormStorageTest, LinesOfAFreedComponentAreDropped) {
  TPlacementTestForm* form = MakeForm();
  TStrings* props = form->FormStorage1->StoredProps();
  ASSERT_EQ(props->Count(), 3);
  EXPECT_EQ(props->Objects(0), form->GadgetBase);
  delete form->GadgetOverlay;
  ASSERT_EQ(props->Count(), 1);
  EXPECT_EQ(props->Strings(0), "GadgetBase.Folder");
}

TEST_F(FormStorageTest, SettingsCanLiveInTheRegistry) {
  const std::string key = "Software\\MergeonPlacementFormTest";
  TPlacementTestForm* first = MakeForm();
  first->FormStorage1->SetUseRegistry(true);
  first->FormStorage1->SetIniFileName(key);
  first->Show();
  first->SetBounds(70, 60, 800, 600);
  first->GadgetBase->SetFolder("\"quoted\"");
  first->Close();
  Free(first);
  {
    TRegIniFile registry(key);
    EXPECT_EQ(registry.ReadString("User", "GadgetBase_Folder", ""), "\"quoted\"");
  }
  TPlacementTestForm* second = MakeForm();
  second->FormStorage1->SetUseRegistry(true);
  second->FormStorage1->SetIniFileName(key);
  second->Show();
  EXPECT_EQ(second->BoundsRect(), Bounds(70, 60, 800, 600));
  EXPECT_EQ(second->GadgetBase->Folder(), "\"quoted\"");
  TRegistry cleanup;
  cleanup.DeleteKey(key);
}

TEST_F(FormStorageTest, ABareFileNameIsPlacedByThePlatformInTheWindowsFolder) {
  // A name without a folder goes to the platform unchanged, which keeps such files in its
  // Windows folder: not beside the program, whose folder may not be writable.
  const std::string name = "MergeonBareNameTest.ini";
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string inWindows = std::string(windows) + "\\" + name;
  const std::string besideProgram = ExtractFilePath(ParamStr(0)) + name;
  DeleteFile(inWindows);
  DeleteFile(besideProgram);
  TPlacementTestForm* form = MakeForm();
  form->FormStorage1->SetIniFileName(name);
  form->Show();
  form->GadgetBase->SetFolder("C:\\bare");
  form->Close();
  Free(form);
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr);
  EXPECT_FALSE(FileExists(besideProgram));
  ASSERT_TRUE(FileExists(inWindows));
  EXPECT_EQ(TIniFile(inWindows).ReadString("User", "GadgetBase_Folder", ""), "C:\\bare");
  // And read back from there.
  form = MakeForm();
  form->FormStorage1->SetIniFileName(name);
  form->Show();
  EXPECT_EQ(form->GadgetBase->Folder(), "C:\\bare");
  Free(form);
  DeleteFile(inWindows);
}

TEST_F(FormStorageTest, SingleValuesOpenTheFileForTheCall) {
  TPlacementTestForm* form = MakeForm();
  TFormStorage* storage = form->FormStorage1;
  EXPECT_EQ(storage->ReadValue("Missing", "fallback"), "fallback");
  storage->WriteIntValue("Count", 17);
  EXPECT_EQ(storage->Storage(), nullptr);
  EXPECT_EQ(storage->ReadIntValue("Count", 0), 17);
  storage->WriteValue("Text", "'single'");
  EXPECT_EQ(storage->ReadValue("Text", ""), "'single'");
  EXPECT_EQ(storage->ReadString("Other", "Text", "none"), "none");
}

TEST(FormPlacementDefaults, OptionsDependOnTheOwner) {
  TForm form(nullptr);
  TFormPlacement onForm(&form);
  EXPECT_EQ(onForm.Options(), (TPlacementOptions{fpState, fpPosition}));
  EXPECT_EQ(onForm.IniSection(), "TForm");
  TComponent plain(nullptr);
  TFormPlacement elsewhere(&plain);
  EXPECT_TRUE(elsewhere.Options().Empty());
  EXPECT_EQ(elsewhere.IniFileName(), DefaultIniFileName());
  elsewhere.SetUseRegistry(true);
  EXPECT_EQ(elsewhere.IniFileName(), DefaultRegistryKey());
  // Without a form there is nothing to freeze.
  elsewhere.SetPreventResize(true);
  EXPECT_FALSE(elsewhere.PreventResize());
}

TEST(FormPlacementDefaults, MinMaxInfoTellsItsPlacement) {
  TForm form(nullptr);
  TFormPlacement placement(&form);
  TWinMinMaxInfo* info = placement.MinMaxInfo();
  EXPECT_TRUE(info->DefaultMinMaxInfo());
  EXPECT_EQ(placement.WindowHook()->WinControl(), nullptr);
  info->SetMinTrackWidth(300);
  EXPECT_FALSE(info->DefaultMinMaxInfo());
  EXPECT_EQ(placement.WindowHook()->WinControl(), &form);
  TWinMinMaxInfo copy(nullptr);
  copy.Assign(info);
  EXPECT_EQ(copy.MinTrackWidth(), 300);
  info->SetMinTrackWidth(0);
  EXPECT_EQ(placement.WindowHook()->WinControl(), nullptr);
}
