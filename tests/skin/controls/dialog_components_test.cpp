// The toolkit's dialog components made from form text, answered through their real windows:
// the open and save dialogs return the chosen files, the colour dialog its colour and the
// custom colours in the platform's format, and the message box picks its style from the set.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "skin/controls/skinned_dialogs.h"
#include "tests/skin/controls/skinned_form_fixture.h"
#include "tests/support/dialog_answerer.h"
#include "tests/support/temp_folder.h"

using namespace skin;
using namespace controls_test;

namespace {

const char* const kDialogsForm =
    "  object OpenDialogBase: TsOpenDialog\n"
    "    Filter = 'All Image Files|*.jpg;*.jpeg;*.psd;*.psp;*.bmp;*.rle;*.dib;*.png;*.tga;*.tif;*.tiff;*.pcx;*.pcd'\n"
    "    ZipShowing = zsAsFile\n  end\n"
    "  object SaveDialog: TsSaveDialog\n    DefaultExt = '*.jpg'\n    Filter = 'JPEG Files (*.jpg)|*.jpg'\n  end\n"
    "  object ColorDialogNew: TsColorDialog\n    Ctl3D = True\n  end\n";

void MakeFile(const TestTempFolder& folder, const std::string& name) {
  FILE* file = fopen(folder.UnixFile(name).c_str(), "wb");
  ASSERT_NE(file, nullptr);
  fputs("x", file);
  fclose(file);
}

TEST(FileDialogs, OpenAndSaveReturnTheFilesChosenInTheirWindows) {
  FormFromText form(kDialogsForm);
  auto* open = form.Find<TsOpenDialog>("OpenDialogBase");
  auto* save = form.Find<TsSaveDialog>("SaveDialog");
  EXPECT_EQ(open->ZipShowing(), zsAsFile);
  TestTempFolder folder;
  MakeFile(folder, "base.png");

  open->SetInitialDir(folder.Path());
  DialogAnswerer openAnswer([&](HWND dlg) {
    TypeFileNameAndAccept(dlg, "base.png");
    return true;
  });
  ASSERT_TRUE(open->Execute());
  EXPECT_EQ(lstrcmpiA(open->FileName().c_str(), folder.File("base.png").c_str()), 0) << open->FileName();

  save->SetInitialDir(folder.Path());
  DialogAnswerer saveAnswer([&](HWND dlg) {
    TypeFileNameAndAccept(dlg, folder.File("merged"));
    return true;
  });
  ASSERT_TRUE(save->Execute());
  EXPECT_EQ(lstrcmpiA(save->FileName().c_str(), folder.File("merged.jpg").c_str()), 0) << save->FileName();

  DialogAnswerer cancel([](HWND dlg) {
    PressDialogButton(dlg, IDCANCEL);
    return true;
  });
  EXPECT_FALSE(open->Execute());
}

TEST(ColourDialog, WithoutASkinManagerShowsThePlatformDialog) {
  FormFromText form(kDialogsForm);
  auto* dialog = form.Find<TsColorDialog>("ColorDialogNew");
  EXPECT_TRUE(dialog->Ctl3D());
  EXPECT_TRUE(dialog->Options().Contains(vcl::cdFullOpen));
  dialog->SetColor(0x123456);
  dialog->CustomColors()->Add("ColorB=abcdef");
  DialogAnswerer answerer([](HWND dlg) {
    PressDialogButton(dlg, IDOK);
    return true;
  });
  ASSERT_TRUE(dialog->Execute());
  EXPECT_EQ(answerer.ClassNames().at(0), "#32770");
  EXPECT_EQ(dialog->Color(), 0x123456);
  EXPECT_EQ(dialog->CustomColors()->Values("ColorB"), "ABCDEF");
}

TEST(ColourDialog, CustomColoursConvertBetweenThePlatformAndThePalette) {
  struct Case {
    const char* platform;
    const char* palette;
  } cases[] = {{"ColorA=abcdef", "EFCDAB"}, {"ColorB=0000FF", "FF0000"}, {"ColorC=", "FFFFFF"},
               {"ColorD=zz", "FFFFFF"},      {"80FF00", "80FF00"},        {"junk", "FFFFFF"}};
  for (const Case& c : cases) EXPECT_EQ(PlatformColourLineToPalette(c.platform), c.palette) << c.platform;

  vcl::TStringList palette, platform;
  palette.Add("FF0000");
  palette.Add("not a colour");
  PaletteToPlatformCustomColours(&palette, &platform);
  ASSERT_EQ(platform.Count(), 2);
  EXPECT_EQ(platform.Values("ColorA"), "0000FF");
  EXPECT_EQ(platform.Values("ColorB"), "FFFFFF");
  vcl::TStringList back;
  PlatformCustomColoursToPalette(&platform, &back);
  EXPECT_EQ(back.Strings(0), "FF0000");
}

TEST(MessageBox, StyleFollowsTheTypeAndTheButtonSet) {
  using vcl::TMsgDlgButtons;
  constexpr UINT kAlways = MB_SETFOREGROUND | MB_TOPMOST;
  struct Case {
    vcl::TMsgDlgType type;
    TMsgDlgButtons buttons;
    UINT style;
  } cases[] = {
      {vcl::mtWarning, {vcl::mbOK}, MB_ICONWARNING | MB_OK},
      {vcl::mtError, {vcl::mbOK, vcl::mbCancel}, MB_ICONERROR | MB_OKCANCEL},
      {vcl::mtInformation, {vcl::mbYes, vcl::mbNo, vcl::mbCancel}, MB_ICONINFORMATION | MB_YESNOCANCEL},
      {vcl::mtConfirmation, {vcl::mbYes, vcl::mbNo}, MB_ICONQUESTION | MB_YESNO},
      {vcl::mtCustom, {vcl::mbIgnore}, MB_ABORTRETRYIGNORE},
      {vcl::mtCustom, {vcl::mbRetry}, MB_RETRYCANCEL},
      {vcl::mtCustom, {}, MB_OK},
      {vcl::mtWarning, {vcl::mbOK, vcl::mbHelp}, MB_ICONWARNING | MB_OK | MB_HELP},
  };
  for (const Case& c : cases) EXPECT_EQ(MessageDlgStyle(c.type, c.buttons), c.style | kAlways) << c.style;
  EXPECT_EQ(MessageDlgCaption(vcl::mtConfirmation), "Confirm");
  EXPECT_EQ(MessageDlgCaption(vcl::mtCustom), "");
}

TEST(MessageBox, AnsweredThroughItsWindowReturnsTheButton) {
  DialogAnswerer answerer([](HWND dlg) {
    PressDialogButton(dlg, IDNO);
    return true;
  });
  EXPECT_EQ(ShowMessageDlg("OK to overwrite x.jpg", vcl::mtConfirmation, {vcl::mbYes, vcl::mbNo}, 0), IDNO);
  ASSERT_EQ(answerer.Captions().size(), 1u);
  EXPECT_EQ(answerer.Captions()[0], "Confirm");
}

}  // namespace
