// The common dialogs and the message dialogs, answered through their real dialog windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "tests/support/dialog_answerer.h"
#include "vcl/stdctrls/dialogs.h"
#include "vcl/stdctrls/extctrls.h"
#include "vcl/stdctrls/stdctrls.h"
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

// The button of a message dialog with this caption.
HWND MessageButton(HWND dialog, TMsgDlgBtn button) {
  return FindDescendant(dialog, "TButton", MsgDlgButtonCaption(button));
}

TEST(MessageDlg, EachButtonReturnsItsModalResult) {
  struct Case {
    TMsgDlgButtons buttons;
    TMsgDlgBtn press;
    int expected;
  } cases[] = {
      {mbYesNoCancel, mbYes, mrYes},
      {mbYesNoCancel, mbNo, mrNo},
      {mbYesNoCancel, mbCancel, mrCancel},
      {mbOKCancel, mbOK, mrOk},
      {mbAbortRetryIgnore, mbRetry, mrRetry},
      {mbYesAllNoAllCancel, mbYesToAll, mrYesToAll},
      {mbYesAllNoAllCancel, mbNoToAll, mrNoToAll},
  };
  for (const Case& c : cases) {
    DialogAnswerer answerer([&](HWND dlg) {
      PressButton(MessageButton(dlg, c.press));
      return true;
    });
    EXPECT_EQ(MessageDlg("Save the changes?", mtConfirmation, c.buttons, 0), c.expected) << c.press;
    EXPECT_EQ(answerer.Captions(), std::vector<std::string>{"Confirm"});
  }
}

// The window is a form of the class TMessageForm, as code watching for message dialogs by
// class name expects.
TEST(MessageDlg, ShowsAFormOfClassTMessageForm) {
  DialogAnswerer answerer([](HWND dlg) {
    PressButton(MessageButton(dlg, mbOK));
    return true;
  });
  MessageDlg("Done", mtInformation, {mbOK}, 0);
  EXPECT_EQ(answerer.ClassNames(), std::vector<std::string>{"TMessageForm"});
}

TEST(MessageDlg, ButtonsCarryThePlatformTextsInThePlatformsOrder) {
  std::vector<std::string> texts;
  DialogAnswerer answerer([&](HWND dlg) {
    // Left to right as the buttons stand.
    std::vector<std::pair<LONG, std::string>> found;
    for (HWND child = GetWindow(dlg, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      RECT r{};
      GetWindowRect(child, &r);
      if (ClassNameOf(child) == "TButton") found.emplace_back(r.left, WindowText(child));
    }
    std::sort(found.begin(), found.end());
    for (auto& button : found) texts.push_back(button.second);
    PressButton(MessageButton(dlg, mbCancel));
    return true;
  });
  MessageDlg("Replace?", mtWarning, mbYesAllNoAllCancel, 0);
  EXPECT_EQ(texts, (std::vector<std::string>{"&Yes", "&No", "Cancel", "N&o to All", "Yes to &All"}));
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
      {mbAbortRetryIgnore, VK_RETURN, mrRetry},
      {mbAbortRetryIgnore, VK_ESCAPE, mrCancel},  // no cancel button: closed as "Cancel"
  };
  for (const Case& c : cases) {
    DialogAnswerer answerer([&](HWND dlg) {
      // The key goes to the focused button, the default one, through the modal loop.
      HWND focused = MessageButton(dlg, c.buttons.Contains(mbYes)  ? mbYes
                                        : c.buttons.Contains(mbOK) ? mbOK
                                                                   : mbRetry);
      PostMessageA(focused, WM_KEYDOWN, c.key, 0);
      return true;
    });
    EXPECT_EQ(MessageDlg("Go on?", mtInformation, c.buttons, 0), c.expected) << c.key;
  }
}

TEST(MessageDlg, ClosingTheWindowGivesCancelAndHelpDoesNotClose) {
  DialogAnswerer answerer([](HWND dlg) {
    PressButton(MessageButton(dlg, mbHelp));
    PostMessageA(dlg, WM_CLOSE, 0, 0);
    return true;
  });
  EXPECT_EQ(MessageDlg("Stop?", mtWarning, TMsgDlgButtons{mbYes, mbNo, mbHelp}, 0), mrCancel);
}

TEST(MessageDlg, NoButtonsStillGivesOK) {
  DialogAnswerer answerer([](HWND dlg) {
    EXPECT_NE(MessageButton(dlg, mbOK), nullptr);
    PressButton(MessageButton(dlg, mbOK));
    return true;
  });
  EXPECT_EQ(MessageDlg("Done", mtError, TMsgDlgButtons{}, 0), mrOk);
  EXPECT_EQ(answerer.Captions(), std::vector<std::string>{"Error"});
}

TEST(MessageDlg, ComesAtTheGivenPosition) {
  RECT at{};
  DialogAnswerer answerer([&](HWND dlg) {
    GetWindowRect(dlg, &at);
    PressButton(MessageButton(dlg, mbOK));
    return true;
  });
  MessageDlgPos("Here", mtCustom, {mbOK}, 0, 40, 30);
  EXPECT_EQ(at.left, 40);
  EXPECT_EQ(at.top, 30);
}

// The form as the platform lays it out: icon, text beside it, the buttons centred below,
// named for their kind; the default button is the active control.
TEST(CreateMessageDialog, BuildsTheNamedComponentsOfTheDialog) {
  std::unique_ptr<TMessageForm> form(
      CreateMessageDialog("A longer text & more", mtConfirmation, mbYesNoCancel, mbNo));
  EXPECT_EQ(form->ClassName(), "TMessageForm");
  EXPECT_EQ(form->BorderStyle(), bsDialog);
  EXPECT_EQ(form->Caption(), "Confirm");
  auto* image = dynamic_cast<TImage*>(form->FindComponent("Image"));
  auto* message = dynamic_cast<TLabel*>(form->FindComponent("Message"));
  ASSERT_TRUE(image && message);
  EXPECT_FALSE(image->Picture()->Icon()->Empty());
  EXPECT_EQ(message->Caption(), "A longer text & more");
  EXPECT_GT(message->Left(), image->Left() + image->Width());
  std::vector<TButton*> buttons;
  for (const char* name : {"Yes", "No", "Cancel"}) {
    auto* button = dynamic_cast<TButton*>(form->FindComponent(name));
    ASSERT_NE(button, nullptr) << name;
    buttons.push_back(button);
  }
  EXPECT_EQ(buttons[0]->ModalResult(), mrYes);
  EXPECT_TRUE(buttons[1]->Default());
  EXPECT_EQ(form->ActiveControl(), buttons[1]);
  EXPECT_TRUE(buttons[2]->Cancel());
  EXPECT_LT(buttons[0]->Left(), buttons[1]->Left());
  EXPECT_EQ(buttons[0]->Top(), buttons[2]->Top());
  EXPECT_GT(buttons[0]->Top(), message->Top() + message->Height() - 1);
  int groupLeft = buttons[0]->Left();
  int groupRight = form->ClientWidth() - (buttons[2]->Left() + buttons[2]->Width());
  EXPECT_LE(std::abs(groupLeft - groupRight), 1);
  // A custom message has no icon.
  std::unique_ptr<TMessageForm> custom(CreateMessageDialog("x", mtCustom, {mbOK}));
  EXPECT_EQ(custom->FindComponent("Image"), nullptr);
  EXPECT_EQ(custom->Caption(), ApplicationTitle());
}

TEST(ShowMessage, UsesTheApplicationTitle) {
  DialogAnswerer answerer([&](HWND dlg) {
    PressButton(MessageButton(dlg, mbOK));
    return true;
  });
  ShowMessage("Hello");
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
