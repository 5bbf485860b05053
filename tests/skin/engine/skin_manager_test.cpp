// The manager as the program uses it: its defaults, the choice of a skin's source, the
// broadcasts to skinned windows, and skins that cannot be read.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_notices.h"
#include "tests/skin/engine/test_skin.h"
#include "tests/support/temp_folder.h"
#include "vcl/classes/filer.h"
#include "vcl/controls/forms.h"
#include "vcl/runtime/sysutils.h"

using namespace skin;
using namespace skin_test;

namespace {

// A windowed control that counts as skinned (it answers command 7) and records the other skin
// commands it hears, with whether a skin change was under way.
class TProbe : public vcl::TWinControl {
  VCL_CLASS(TProbe, vcl::TWinControl)
  explicit TProbe(vcl::TComponent* owner) : vcl::TWinControl(owner) {}
  std::vector<std::pair<int, LPARAM>> Commands;
  std::vector<bool> DuringChange;

 protected:
  void WndProc(vcl::TMessage& message) override {
    if (message.Msg == SM_ALPHACMD && HIWORD(message.WParam) == cmdIsSkinned) {
      message.Result = 1;
      return;
    }
    if (message.Msg == SM_ALPHACMD) {
      Commands.push_back({HIWORD(message.WParam), message.LParam});
      DuringChange.push_back(GlobalSkinChanging);
    }
    inherited::WndProc(message);
  }
};

// Collects the skin notices shown while it lives.
struct TNoticeReader {
  TNoticeReader() {
    OnSkinNotice = [this](const std::string& text) { Texts.push_back(text); };
  }
  ~TNoticeReader() { OnSkinNotice = nullptr; }
  std::vector<std::string> Texts;
};

class SkinManager : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteSkinFolder(temp.File("Folder skin"), TestSkinEntries());
    form.reset(new vcl::TForm(nullptr));
    probe = new TProbe(form.get());
    probe->SetParent(form.get());
    probe->HandleNeeded();
  }
  std::vector<int> Heard() {
    std::vector<int> commands;
    for (auto& [command, lParam] : probe->Commands) commands.push_back(command);
    probe->Commands.clear();
    return commands;
  }
  TestTempFolder temp;
  std::unique_ptr<vcl::TForm> form;
  TProbe* probe = nullptr;
};

TEST_F(SkinManager, ANewManagerHasTheDefaultSettings) {
  auto m = skin_test::NewManager();
  EXPECT_TRUE(m->Active());
  EXPECT_FALSE(m->SkinData()->Active);
  EXPECT_EQ(m->SkinDirectory(), "c:\\Skins");
  EXPECT_EQ(m->MenuSupport()->IcoLineSkin, "");  // only Loaded sets it
  EXPECT_EQ(m->MenuSupport()->ExtraLineWidth, 32);
  EXPECT_EQ(m->Version(), "6.55");
  EXPECT_EQ(m->SkinInfo(), "N/A");
  EXPECT_EQ(m->SkinningRules(), AllSkinningRules);
  EXPECT_EQ(m->ThirdParty()->GetByIndex(1), "TButton");
  EXPECT_EQ(m->ThirdPartyLists[1]->Strings(0), "TButton");
  for (int i : {0, 2, 17}) {
    ASSERT_EQ(m->ThirdPartyLists[size_t(i)]->Count(), 1);
    EXPECT_EQ(m->ThirdPartyLists[size_t(i)]->Strings(0), " ");
  }
  EXPECT_EQ(m->AnimEffects()->SkinChanging()->Time, 100);
  EXPECT_EQ(m->AnimEffects()->SkinChanging()->Mode, atFading);
  EXPECT_EQ(m->AnimEffects()->FormShow()->Mode, atAero);
  EXPECT_EQ(m->AnimEffects()->Buttons()->Events, AllBtnEvents);
  EXPECT_EQ(m->AnimEffects()->Buttons()->Manager, m.get());
  EXPECT_EQ(SM_ALPHACMD, 0xA100u);
}

TEST_F(SkinManager, TheFirstManagerIsTheDefaultUntilItGoes) {
  auto first = skin_test::NewManager();
  auto second = skin_test::NewManager();
  EXPECT_EQ(DefaultManager, first.get());
  EXPECT_FALSE(second->IsDefault());
  first.reset();
  EXPECT_EQ(DefaultManager, nullptr);  // no other manager is promoted
  second->SetIsDefault(true);
  EXPECT_EQ(DefaultManager, second.get());
}

TEST_F(SkinManager, ApplyingRefreshingAndRemovingASkinIsBroadcastToSkinnedWindows) {
  auto m = skin_test::NewManager();
  m->SetSkinDirectory(temp.Path());
  m->SetSkinName("Folder skin");
  ASSERT_TRUE(m->SkinData()->Active) << m->LastLoadError();
  EXPECT_EQ(Heard(), (std::vector<int>{cmdSkinSet, cmdStopFade, cmdSkinRefresh}));
  m->SetHueOffset(30);
  EXPECT_EQ(Heard(), (std::vector<int>{cmdStopFade, cmdSkinRefresh}));
  m->SetActive(false);
  EXPECT_EQ(Heard(), (std::vector<int>{cmdSkinRemoved}));
  EXPECT_TRUE(m->Sections.empty());
  EXPECT_EQ(m->CommonIndexes.GlobalInfoIndex, -1);
  m->SetActive(false);  // unchanged: nothing happens
  EXPECT_TRUE(Heard().empty());
  m->SetActive(true);  // reloads the current skin
  EXPECT_EQ(Heard(), (std::vector<int>{cmdSkinSet, cmdStopFade, cmdSkinRefresh}));
  EXPECT_EQ(probe->Commands.size(), 0u);
  EXPECT_FALSE(GlobalSkinApplying || GlobalSkinChanging || GlobalSkinRemoving);
}

TEST_F(SkinManager, TheHotWindowHearsMouseEnterAndThePreviousOneMouseLeave) {
  auto m = skin_test::NewManager();
  m->SetHotWindow(probe->Handle());
  m->SetHotWindow(probe->Handle());  // unchanged: nothing
  m->SetHotWindow(nullptr);
  ASSERT_EQ(probe->Commands.size(), 2u);
  EXPECT_EQ(probe->Commands[0], (std::pair<int, LPARAM>{cmdMouseEnter, LPARAM(m.get())}));
  EXPECT_EQ(probe->Commands[1], (std::pair<int, LPARAM>{cmdMouseLeave, LPARAM(m.get())}));
}

TEST_F(SkinManager, ANameWithNoSourceTakesTheFirstStoredSkinOrEndsInactive) {
  auto m = skin_test::NewManager();
  m->SetSkinDirectory(temp.Path());
  m->SetSkinName("Folder skin");
  Heard();
  m->SetSkinName("Nowhere");
  EXPECT_FALSE(m->Active());
  EXPECT_FALSE(m->SkinData()->Active);
  EXPECT_EQ(Heard(), (std::vector<int>{cmdSkinRemoved}));

  auto withStored = skin_test::NewManager();
  withStored->SetSkinDirectory(temp.Path());
  TsStoredSkin* item = withStored->InternalSkins()->Add();
  item->SetName("First stored");
  std::string packed = PackEntries(TestSkinEntries());
  item->PackedData()->WriteBuffer(packed.data(), int32_t(packed.size()));
  withStored->InternalSkins()->Add()->SetName("Second stored");
  withStored->SetSkinName("Nowhere");
  EXPECT_TRUE(withStored->SkinData()->Active) << withStored->LastLoadError();
  EXPECT_EQ(withStored->SkinName(), "First stored");
  EXPECT_EQ(withStored->Sections.size(), 7u);
}

TEST_F(SkinManager, ASkinThatCannotBeReadLeavesThePreviousOneAndRaisesItsMessageToTheCaller) {
  auto m = skin_test::NewManager();
  m->SetSkinDirectory(temp.Path());
  m->SetSkinName("Folder skin");
  std::string before = DescribeModel(*m);
  Heard();
  vcl::TMemoryStream bad;
  bad.WriteBuffer("ASzF\1\0\0\0", 8);
  bad.SaveToFile(temp.File("Broken.asz"));
  int after = 0;
  m->OnAfterChange = [&](vcl::TObject*) { ++after; };
  try {
    m->SetSkinName("Broken");
    ADD_FAILURE() << "the caller heard nothing";
  } catch (const vcl::Exception& e) {
    EXPECT_EQ(e.Message(), "Loaded data is not packed skin file");
  }
  EXPECT_EQ(m->LastLoadError(), "Loaded data is not packed skin file");
  EXPECT_EQ(m->SkinName(), "Folder skin");
  EXPECT_TRUE(m->SkinData()->Active);
  EXPECT_EQ(DescribeModel(*m), before);
  EXPECT_TRUE(Heard().empty());
  EXPECT_EQ(after, 0);
  EXPECT_FALSE(GlobalSkinChanging);  // fades and animations go on working

  // A malformed number ends the load the same way.
  std::vector<TacPackEntry> entries = TestSkinEntries();
  entries[0].Data = "[GLOBALINFO]\r\nCHECK=@00x0@0000@0016@0016@2@1\r\n";
  WriteSkinFolder(temp.File("Bad number"), entries);
  EXPECT_THROW(m->SetSkinName("Bad number"), vcl::Exception);
  EXPECT_FALSE(m->LastLoadError().empty());
  // A reload for a new hue that cannot read the skin any more reaches its caller too.
  m->SetSkinName("Folder skin");
  WriteSkinFolder(temp.File("Folder skin"), entries);
  EXPECT_THROW(m->SetHueOffset(40), vcl::Exception);
  WriteSkinFolder(temp.File("Folder skin"), TestSkinEntries());
  m->SetHueOffset(0);
  EXPECT_EQ(DescribeModel(*m), before);
  m->SetSkinName("Folder skin");
  EXPECT_TRUE(m->LastLoadError().empty());
}

TEST_F(SkinManager, ADamagedStoredSkinInFormDataLeavesTheFormReadableAndUnskinned) {
  std::string packed = PackEntries(TestSkinEntries());
  packed[20] ^= 0x55;
  packed.resize(packed.size() / 2);
  vcl::TStringStream stream(StoredSkinFormText("Broken (internal)", packed));
  std::vector<std::string> notices;
  OnSkinNotice = [&](const std::string& text) { notices.push_back(text); };
  std::unique_ptr<TsSkinManager> m(static_cast<TsSkinManager*>(vcl::ReadComponent(&stream, nullptr)));
  OnSkinNotice = nullptr;
  ASSERT_TRUE(m);
  EXPECT_FALSE(m->SkinData()->Active);
  EXPECT_TRUE(m->Sections.empty());
  EXPECT_FALSE(m->LastLoadError().empty());
  // No caller to raise it to: the user is told why the skin is missing.
  EXPECT_EQ(notices, std::vector<std::string>{m->LastLoadError()});
  EXPECT_TRUE(Heard().empty());
}

TEST_F(SkinManager, ASkinChangeIsUnderWayUntilTheNewSkinIsAppliedAndRefreshed) {
  auto m = skin_test::NewManager();
  m->SetSkinDirectory(temp.Path());
  m->SetSkinName("Folder skin");
  EXPECT_EQ(Heard(), (std::vector<int>{cmdSkinSet, cmdStopFade, cmdSkinRefresh}));
  EXPECT_EQ(probe->DuringChange, (std::vector<bool>{true, true, true}));
  EXPECT_FALSE(GlobalSkinChanging);
}

// A window skinned by form skinning's hook (a system dialog): no form of the application.
struct TAdapterWindow {
  static inline std::vector<int> Commands;
  static inline int Paints = 0;
  static inline HWND Window = nullptr;
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == SM_ALPHACMD) Commands.push_back(HIWORD(wParam));
    if (msg == WM_PAINT) ++Paints;
    return DefWindowProcA(wnd, msg, wParam, lParam);
  }
  static std::vector<HWND> Windows() { return {Window}; }
  TAdapterWindow() {
    WNDCLASSA cls{};
    cls.lpfnWndProc = Proc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "MergeonAdapterProbe";
    RegisterClassA(&cls);
    Window = CreateWindowExA(0, cls.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                             cls.hInstance, nullptr);
    Commands.clear();
    Paints = 0;
    ThreadHookProcs.AdapterWindows = Windows;
  }
  ~TAdapterWindow() {
    ThreadHookProcs.AdapterWindows = nullptr;
    DestroyWindow(Window);
  }
};

TEST_F(SkinManager, SkinChangesReachTheWindowsSkinnedByTheHookAndRepaintThem) {
  TAdapterWindow adapter;
  auto m = skin_test::NewManager();
  m->SetSkinDirectory(temp.Path());
  m->SetSkinName("Folder skin");
  EXPECT_EQ(TAdapterWindow::Commands, (std::vector<int>{cmdSkinSet, cmdStopFade, cmdSkinRefresh}));
  const int paints = TAdapterWindow::Paints;
  m->SetHueOffset(30);
  EXPECT_GT(TAdapterWindow::Paints, paints);  // repainted at once, not when the queue gets to it
  ShowWindow(TAdapterWindow::Window, SW_HIDE);
  TAdapterWindow::Commands.clear();
  m->SetHueOffset(0);
  EXPECT_TRUE(TAdapterWindow::Commands.empty());  // hidden windows are passed over
}

TEST_F(SkinManager, ANewerSkinThanTheEngineGivesTheVersionNotice) {
  struct Case {
    const char* version;
    bool notice;
  } cases[] = {{"6.5", false}, {"6.99", false}, {"7", true}, {"6.991", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    std::string options = TestOptions;
    options.replace(options.find("VERSION=6.5"), 11, std::string("VERSION=") + c.version);
    WriteSkinFolder(temp.File("Versioned"), TestSkinEntries(options));
    auto m = skin_test::NewManager();
    m->SetSkinDirectory(temp.Path());
    TNoticeReader reader;
    m->SetSkinName("Versioned");
    EXPECT_TRUE(m->SkinData()->Active);
    if (c.notice)
      EXPECT_EQ(reader.Texts, std::vector<std::string>{NewerSkinNotice});
    else
      EXPECT_TRUE(reader.Texts.empty());
  }
}

TEST(SkinNotices, TheEnginesVersionIsShownForAcverOnTheCommandLine) {
  struct Case {
    std::vector<std::string> parameters;
    bool shown;
  } cases[] = {{{"/ACVER"}, true}, {{"x.bmp", "/acver"}, true}, {{"/acver2", "acver"}, false}, {{}, false}};
  for (const Case& c : cases) {
    TNoticeReader reader;
    EXPECT_EQ(ShowVersionOnRequest(c.parameters), c.shown);
    EXPECT_EQ(reader.Texts, c.shown ? std::vector<std::string>{"Skin engine v6.55"} : std::vector<std::string>{});
  }
}

TEST_F(SkinManager, SkinNamesListStoredFolderAndPackedSkins) {
  auto m = skin_test::NewManager();
  m->SetSkinDirectory(temp.Path());
  vcl::TMemoryStream packed;
  std::string bytes = PackEntries(TestSkinEntries());
  packed.WriteBuffer(bytes.data(), int32_t(bytes.size()));
  packed.SaveToFile(temp.File("Blue.v2.asz"));
  packed.SaveToFile(temp.File("Capital.ASZ"));
  CreateDirectoryA(temp.File("Not a skin").c_str(), nullptr);
  m->InternalSkins()->Add()->SetName("Stored one");
  vcl::TStringList list;
  struct Case {
    int kind;
    std::vector<std::string> names;
  } cases[] = {
      {0, {"Folder skin", "Stored one"}},
      {1, {"Blue", "Stored one"}},  // up to the first dot; ".ASZ" in capitals is no packed skin
      {2, {"Blue", "Folder skin", "Stored one"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    EXPECT_EQ(m->ListSkinNames(&list, c.kind), "Stored one");
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i) names.push_back(list.Strings(i));
    EXPECT_EQ(names, c.names);
  }
  auto empty = skin_test::NewManager();
  empty->SetSkinDirectory(temp.File("Not a skin"));
  EXPECT_EQ(empty->ListSkinNames(&list, 2), "");
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(SkinManager, TheSkinDirectoryIsMadeAbsoluteAgainstTheProgramsFolder) {
  auto m = skin_test::NewManager();
  std::string program = vcl::ExtractFilePath(vcl::ParamStr(0));
  struct Case {
    const char* directory;
    std::string full;
  } cases[] = {
      {"c:\\Skins", "c:\\Skins\\"},
      {"c:\\Skins\\", "c:\\Skins\\"},
      {"Skins", program + "Skins\\"},
      {".\\Skins", program + "Skins\\"},
      {"c:/Skins/", "c:/Skins\\"},
  };
  for (const Case& c : cases) {
    m->SetSkinDirectory(c.directory);
    EXPECT_EQ(m->GetFullSkinDirectory(), c.full) << c.directory;
  }
}

}  // namespace
