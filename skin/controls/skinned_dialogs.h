// The skinning toolkit's dialog components and message box: TsOpenDialog and TsSaveDialog are
// the platform's file dialogs (the form-skinning hook gives them their skinned frame), and
// TsColorDialog shows the toolkit's own colour picker while a skin manager exists.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "vcl/classes/stringlist.h"
#include "vcl/stdctrls/dialogs.h"

namespace skin {

enum TsZipShowing : uint8_t { zsAsFolder, zsAsFile };

class TsOpenDialog : public vcl::TOpenDialog {
  VCL_CLASS(TsOpenDialog, vcl::TOpenDialog)
  explicit TsOpenDialog(vcl::TComponent* owner);
  ~TsOpenDialog() override;

  // How packed archives would be listed; kept for form data.
  TsZipShowing ZipShowing() const { return zipShowing_; }
  void SetZipShowing(TsZipShowing value) { zipShowing_ = value; }

 private:
  TsZipShowing zipShowing_ = zsAsFolder;
};

class TsSaveDialog : public vcl::TSaveDialog {
  VCL_CLASS(TsSaveDialog, vcl::TSaveDialog)
  explicit TsSaveDialog(vcl::TComponent* owner);
  ~TsSaveDialog() override;
};

class TsColorDialog : public vcl::TColorDialog {
  VCL_CLASS(TsColorDialog, vcl::TColorDialog)
  explicit TsColorDialog(vcl::TComponent* owner);
  ~TsColorDialog() override;

  using vcl::TColorDialog::Execute;
  // The platform's dialog with StandardDlg or without a skin manager, else the skinned picker.
  // CustomColors holds the platform's "ColorA=..." lines before and after, whichever was shown.
  bool Execute(HWND parentWnd) override;

  // The main palette as lines of six hexadecimal digits (red, green, blue); empty keeps the
  // picker's own palette.
  vcl::TStrings* MainColors() const { return mainColors_.get(); }
  void SetMainColors(vcl::TStrings* value) { mainColors_->Assign(value); }
  bool StandardDlg() const { return standardDlg_; }
  void SetStandardDlg(bool value) { standardDlg_ = value; }

  // Raise OnShow and OnClose (the picker form calls them).
  void DoShow() override;
  void DoClose() override;

 private:
  std::unique_ptr<vcl::TStringList> mainColors_;
  bool standardDlg_ = false;
};

// The custom colours between the platform's lines ("ColorA=bbggrr" in hexadecimal, blue in
// the high byte) and the picker's palette lines ("RRGGBB"). Lines already in the other form,
// and lines that read as no colour (white, an empty slot), are taken as they are meant.
std::string PlatformColourLineToPalette(const std::string& line);
void PlatformCustomColoursToPalette(vcl::TStrings* platform, vcl::TStrings* palette);
void PaletteToPlatformCustomColours(vcl::TStrings* palette, vcl::TStrings* platform);

// The toolkit's message box: the type's caption ("Warning", "Error", "Information", "Confirm",
// none for mtCustom) and icon, the buttons chosen from the set, MB_HELP with mbHelp; returns the
// MessageBox result (IDOK, IDCANCEL, IDYES, ...).
int ShowMessageDlg(const std::string& text, vcl::TMsgDlgType type, vcl::TMsgDlgButtons buttons, int helpContext);
// The MessageBox style for a type and button set (without the caption).
UINT MessageDlgStyle(vcl::TMsgDlgType type, vcl::TMsgDlgButtons buttons);
// The caption of a message box of the type.
std::string MessageDlgCaption(vcl::TMsgDlgType type);

}  // namespace skin
