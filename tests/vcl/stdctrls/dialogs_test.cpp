// The common dialogs and the message dialogs, answered through their real dialog windows.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/vcl/stdctrls/dialog_answerer.h"
#include "vcl/stdctrls/dialogs.h"
#include "vcl/classes/typeinfo.h"

using namespace vcl;

namespace {

// A fresh folder under the temporary path, removed with the files made in it.
class TempFolder {
 public:
  TempFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    for (int attempt = 0; path_.empty(); ++attempt) {
      std::string candidate =
          std::string(base) + "dlg-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
      if (CreateDirectoryA(candidate.c_str(), nullptr)) path_ = candidate;
    }
  }
  ~TempFolder() {
    for (const std::string& file : files_) DeleteFileA(file.c_str());
    RemoveDirectoryA(path_.c_str());
  }
  std::string File(const std::string& name, bool create) {
    files_.push_back(path_ + "\\" + name);
    if (create) {
      HANDLE file = CreateFileA(files_.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      DWORD written = 0;
      WriteFile(file, "x", 1, &written, nullptr);
      CloseHandle(file);
    }
    return files_.back();
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::vector<std::string> files_;
};

// The edit of a file dialog that holds the typed file name.
HWND FileNameEdit(HWND dialog) {
  constexpr int kFileNameCombo = 0x47C;
  constexpr int kFileNameEdit = 0x480;
  if (HWND combo = GetDlgItem(dialog, kFileNameCombo)) {
    if (HWND edit = FindDescendant(combo, "Edit")) return edit;
  }
  return GetDlgItem(dialog, kFileNameEdit);
}

// Types a name into a file dialog and presses its OK button.
void TypeFileNameAndAccept(HWND dialog, const std::string& name) {
  SendMessageA(FileNameEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
  PressDialogButton(dialog, IDOK);
}

}  // namespace

TEST(OpenDialog, ReturnsTheTypedFileAndFiresShowAndClose) {
  TempFolder folder;
  std::string existing = folder.File("picture.bmp", true);
  TOpenDialog dialog(nullptr);
  dialog.SetInitialDir(folder.Path());
  dialog.SetFilter("Bitmaps (*.bmp)|*.bmp|All files|*.*");
  dialog.SetFilterIndex(2);
  dialog.SetTitle("Choose a picture");
  dialog.SetOptions(dialog.Options() + TOpenOptions{ofFileMustExist});
  std::vector<std::string> events;
  HWND shownHandle = nullptr;
  dialog.OnShow = [&](TObject*) {
    events.push_back("show");
    shownHandle = dialog.Handle();
  };
  dialog.OnClose = [&](TObject*) { events.push_back("close"); };

  DialogAnswerer answerer([&](HWND dlg) {
    TypeFileNameAndAccept(dlg, existing);
    return true;
  });
  ASSERT_TRUE(dialog.Execute());

  EXPECT_EQ(lstrcmpiA(dialog.FileName().c_str(), existing.c_str()), 0) << dialog.FileName();
  ASSERT_EQ(dialog.Files()->Count(), 1);
  EXPECT_EQ(dialog.Files()->Strings(0), dialog.FileName());
  EXPECT_EQ(dialog.FilterIndex(), 2);
  EXPECT_EQ(events, (std::vector<std::string>{"show", "close"}));
  ASSERT_EQ(answerer.Captions().size(), 1u);
  EXPECT_EQ(answerer.Captions()[0], "Choose a picture");
  ASSERT_NE(shownHandle, nullptr);
  EXPECT_EQ(dialog.Handle(), nullptr);
}

TEST(OpenDialog, CancelLeavesTheFileNameAlone) {
  TOpenDialog dialog(nullptr);
  dialog.SetFileName("keep.txt");
  DialogAnswerer answerer([](HWND dlg) {
    PressDialogButton(dlg, IDCANCEL);
    return true;
  });
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.FileName(), "keep.txt");
}

TEST(OpenDialog, MultipleFilesComeWithTheirFolder) {
  TempFolder folder;
  std::string a = folder.File("a.txt", true);
  std::string b = folder.File("b.txt", true);
  TOpenDialog dialog(nullptr);
  dialog.SetInitialDir(folder.Path());
  dialog.SetOptions(dialog.Options() + TOpenOptions{ofAllowMultiSelect});
  DialogAnswerer answerer([&](HWND dlg) {
    TypeFileNameAndAccept(dlg, "\"a.txt\" \"b.txt\"");
    return true;
  });
  ASSERT_TRUE(dialog.Execute());
  ASSERT_EQ(dialog.Files()->Count(), 2);
  EXPECT_EQ(lstrcmpiA(dialog.Files()->Strings(0).c_str(), a.c_str()), 0) << dialog.Files()->Strings(0);
  EXPECT_EQ(lstrcmpiA(dialog.Files()->Strings(1).c_str(), b.c_str()), 0) << dialog.Files()->Strings(1);
  EXPECT_EQ(dialog.FileName(), dialog.Files()->Strings(0));
}

TEST(OpenDialog, AnExceptionOfOnShowClosesTheDialogAndReachesTheCaller) {
  TOpenDialog dialog(nullptr);
  dialog.OnShow = [](TObject*) { throw EInvalidOperation("no show"); };
  EXPECT_THROW(dialog.Execute(), EInvalidOperation);
  EXPECT_EQ(dialog.Handle(), nullptr);
}

TEST(SaveDialog, AddsTheDefaultExtensionWrittenAsAPattern) {
  TempFolder folder;
  TSaveDialog dialog(nullptr);
  dialog.SetInitialDir(folder.Path());
  dialog.SetFilter("JPEG Files (*.jpg)|*.jpg");
  dialog.SetDefaultExt("*.jpg");
  DialogAnswerer answerer([&](HWND dlg) {
    TypeFileNameAndAccept(dlg, folder.Path() + "\\merged");
    return true;
  });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(lstrcmpiA(dialog.FileName().c_str(), (folder.Path() + "\\merged.jpg").c_str()), 0)
      << dialog.FileName();
}

TEST(SaveDialog, AsksBeforeOverwritingAnExistingFile) {
  TempFolder folder;
  std::string existing = folder.File("old.jpg", true);
  TSaveDialog dialog(nullptr);
  dialog.SetInitialDir(folder.Path());
  dialog.SetOptions(dialog.Options() + TOpenOptions{ofOverwritePrompt});
  HWND fileDialog = nullptr;
  bool prompted = false;
  DialogAnswerer answerer([&](HWND dlg) {
    if (fileDialog == nullptr) {
      fileDialog = dlg;
      TypeFileNameAndAccept(dlg, existing);
      return false;  // the prompt comes next
    }
    prompted = true;
    PressDialogButton(dlg, IDYES);
    return true;
  });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_TRUE(prompted);
  EXPECT_EQ(lstrcmpiA(dialog.FileName().c_str(), existing.c_str()), 0) << dialog.FileName();
}

TEST(FileDialogHelpers, FilterAndDefaultExtension) {
  EXPECT_EQ(MakeFilterList("A|*.a|B|*.b"), std::string("A\0*.a\0B\0*.b\0\0", 13));
  struct Case {
    const char* given;
    const char* plain;
  } cases[] = {{"*.jpg", "jpg"}, {".png", "png"}, {"bmp", "bmp"}, {"", ""}, {"*", ""}};
  for (const Case& c : cases) EXPECT_EQ(PlainExtension(c.given), c.plain) << c.given;
}

TEST(ColorDialog, ReturnsTheColourAndTheCustomColours) {
  TColorDialog dialog(nullptr);
  dialog.SetColor(0x123456);
  dialog.CustomColors()->Add("ColorB=abcdef");
  bool shown = false;
  dialog.OnShow = [&](TObject*) { shown = true; };
  DialogAnswerer answerer([](HWND dlg) {
    PressDialogButton(dlg, IDOK);
    return true;
  });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_TRUE(shown);
  EXPECT_EQ(dialog.Color(), 0x123456);
  ASSERT_EQ(dialog.CustomColors()->Count(), 16);
  EXPECT_EQ(dialog.CustomColors()->Values("ColorA"), "FFFFFF");
  EXPECT_EQ(dialog.CustomColors()->Values("ColorB"), "ABCDEF");
}

TEST(FontDialog, TakesTheFontChosenInTheDialog) {
  TFontDialog dialog(nullptr);
  dialog.Font()->SetColor(clRed);
  std::string face;
  DialogAnswerer answerer([&](HWND dlg) {
    constexpr int kFaceCombo = 0x470;
    face = WindowText(GetDlgItem(dlg, kFaceCombo));
    PressDialogButton(dlg, IDOK);
    return true;
  });
  ASSERT_TRUE(dialog.Execute());
  ASSERT_FALSE(face.empty());
  EXPECT_EQ(dialog.Font()->Name(), face);
  EXPECT_EQ(dialog.Font()->Color(), clRed);
}

TEST(CommonDialogs, PublishTheirSettings) {
  TSaveDialog dialog(nullptr);
  SetPropValue(&dialog, "DefaultExt", "*.jpg");
  SetPropValue(&dialog, "Filter", "JPEG Files (*.jpg)|*.jpg");
  SetPropValue(&dialog, "InitialDir", "C:\\pictures");
  SetPropValue(&dialog, "Options", "[ofOverwritePrompt,ofEnableSizing]");
  EXPECT_EQ(dialog.DefaultExt(), "*.jpg");
  EXPECT_EQ(dialog.Filter(), "JPEG Files (*.jpg)|*.jpg");
  EXPECT_EQ(GetPropValue(&dialog, "InitialDir"), "C:\\pictures");
  EXPECT_TRUE(dialog.Options().Contains(ofOverwritePrompt));
  EXPECT_FALSE(dialog.Options().Contains(ofHideReadOnly));

  TColorDialog colors(nullptr);
  SetPropValue(&colors, "Color", "255");
  SetPropValue(&colors, "Options", "[cdFullOpen]");
  EXPECT_EQ(colors.Color(), clRed);
  EXPECT_TRUE(colors.Options().Contains(cdFullOpen));
  EXPECT_EQ(GetPropValue(&colors, "Ctl3D"), "True");
}

// ---- Message and input dialogs ---------------------------------------------------------------

TEST(MessageDlg, EachButtonReturnsItsModalResult) {
  struct Case {
    TMsgDlgButtons buttons;
    int press;
    int expected;
  } cases[] = {
      {mbYesNoCancel, IDYES, mrYes},
      {mbYesNoCancel, IDNO, mrNo},
      {mbYesNoCancel, IDCANCEL, mrCancel},
      {mbOKCancel, IDOK, mrOk},
      {mbAbortRetryIgnore, IDRETRY, mrRetry},
      {mbYesAllNoAllCancel, mrYesToAll, mrYesToAll},
      {mbYesAllNoAllCancel, mrNoToAll, mrNoToAll},
  };
  for (const Case& c : cases) {
    DialogAnswerer answerer([&](HWND dlg) {
      PressDialogButton(dlg, c.press);
      return true;
    });
    EXPECT_EQ(MessageDlg("Save the changes?", mtConfirmation, c.buttons, 0), c.expected) << c.press;
    EXPECT_EQ(answerer.Captions(), std::vector<std::string>{"Confirm"});
  }
}

TEST(MessageDlg, ButtonsCarryThePlatformTexts) {
  std::vector<std::string> texts;
  DialogAnswerer answerer([&](HWND dlg) {
    for (int id : {mrYes, mrYesToAll, mrNo, mrNoToAll, mrCancel}) texts.push_back(WindowText(GetDlgItem(dlg, id)));
    PressDialogButton(dlg, IDCANCEL);
    return true;
  });
  MessageDlg("Replace?", mtWarning, mbYesAllNoAllCancel, 0);
  EXPECT_EQ(texts, (std::vector<std::string>{"&Yes", "Yes to &All", "&No", "N&o to All", "Cancel"}));
  EXPECT_EQ(answerer.Captions(), std::vector<std::string>{"Warning"});
}

TEST(MessageDlg, EnterPressesTheDefaultAndEscapeTheCancelButton) {
  struct Case {
    TMsgDlgButtons buttons;
    WPARAM key;
    int expected;
  } cases[] = {
      {TMsgDlgButtons{mbYes, mbNo}, VK_RETURN, mrYes},
      {TMsgDlgButtons{mbYes, mbNo}, VK_ESCAPE, mrNo},
      {mbOKCancel, VK_RETURN, mrOk},
      {mbOKCancel, VK_ESCAPE, mrCancel},
      {TMsgDlgButtons{mbOK}, VK_ESCAPE, mrOk},
  };
  for (const Case& c : cases) {
    DialogAnswerer answerer([&](HWND dlg) {
      // The key goes to the dialog's focused control through the modal loop.
      PostMessageA(GetDlgItem(dlg, c.buttons.Contains(mbYes) ? IDYES : IDOK), WM_KEYDOWN, c.key, 0);
      return true;
    });
    EXPECT_EQ(MessageDlg("Go on?", mtInformation, c.buttons, 0), c.expected) << c.key;
  }
}

TEST(MessageDlg, NoButtonsStillGivesOK) {
  DialogAnswerer answerer([](HWND dlg) {
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDOK)), "OK");
    PressDialogButton(dlg, IDOK);
    return true;
  });
  EXPECT_EQ(MessageDlg("Done", mtError, TMsgDlgButtons{}, 0), mrOk);
  EXPECT_EQ(answerer.Captions(), std::vector<std::string>{"Error"});
}

TEST(ShowMessage, UsesTheApplicationTitle) {
  std::string text;
  DialogAnswerer answerer([&](HWND dlg) {
    HWND label = FindDescendant(dlg, "Static", "Hello");
    text = label ? WindowText(label) : "";
    PressDialogButton(dlg, IDOK);
    return true;
  });
  ShowMessage("Hello");
  EXPECT_EQ(text, "Hello");
  EXPECT_EQ(answerer.Captions(), std::vector<std::string>{ApplicationTitle()});
  EXPECT_FALSE(ApplicationTitle().empty());
}

TEST(InputQuery, ReturnsTheTypedTextOnOK) {
  std::string value = "640";
  DialogAnswerer answerer([](HWND dlg) {
    HWND edit = FindDescendant(dlg, "Edit");
    EXPECT_EQ(WindowText(edit), "640");
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("800"));
    PressDialogButton(dlg, IDOK);
    return true;
  });
  EXPECT_TRUE(InputQuery("New width", "Width:", value));
  EXPECT_EQ(value, "800");
  EXPECT_EQ(answerer.Captions(), std::vector<std::string>{"New width"});
}

TEST(InputQuery, CancelKeepsTheValue) {
  std::string value = "640";
  DialogAnswerer answerer([](HWND dlg) {
    SendMessageA(FindDescendant(dlg, "Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("800"));
    PressDialogButton(dlg, IDCANCEL);
    return true;
  });
  EXPECT_FALSE(InputQuery("New width", "Width:", value));
  EXPECT_EQ(value, "640");
}

TEST(InputBox, GivesTheDefaultWhenCancelled) {
  DialogAnswerer answerer([](HWND dlg) {
    PostMessageA(FindDescendant(dlg, "Edit"), WM_KEYDOWN, VK_ESCAPE, 0);
    return true;
  });
  EXPECT_EQ(InputBox("Name", "Layer name:", "Layer 1"), "Layer 1");
}
