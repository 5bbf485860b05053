// The common dialogs and the library's message and input dialogs.
//
// TOpenDialog, TSaveDialog, TColorDialog and TFontDialog are components over the platform's
// common dialogs (GetOpenFileNameA, GetSaveFileNameA, ChooseColorA, ChooseFontA): Execute shows
// the real "#32770" dialog modally and copies the user's choice back into the properties.
// A hook procedure tells the component when the dialog appears (OnShow) and goes (OnClose).
//
// MessageDlg and ShowMessage show a form of class TMessageForm (the type's icon, the text, a
// row of buttons), as the platform does, so that code watching the program's windows knows it
// by its class name; InputQuery and InputBox build a small dialog of the platform's dialog
// manager. Each uses the library's texts ("Warning", "&Yes", "N&o to All", ...) and returns the
// modal result of the button that closed it.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "vcl/classes/component.h"
#include "vcl/controls/controls.h"
#include "vcl/controls/forms.h"
#include "vcl/graphics/gdiobjects.h"
#include "vcl/controls/modalresult.h"
#include "vcl/classes/stringlist.h"
#include "vcl/runtime/win.h"

namespace vcl {

// ---- TCommonDialog ---------------------------------------------------------------------------

class TCommonDialog : public TComponent {
  VCL_CLASS(TCommonDialog, TComponent)
  explicit TCommonDialog(TComponent* owner);

  // Shows the dialog modally, owned by the active window; true when the user accepted it.
  // An exception raised by OnShow or OnClose closes the dialog and is raised again here.
  virtual bool Execute() { return Execute(nullptr); }
  // The same with an explicit owner window (0: the active window).
  virtual bool Execute(HWND parentWnd) = 0;

  // The dialog window while it is shown, 0 otherwise.
  HWND Handle() const { return handle_; }
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool value) { ctl3D_ = value; }
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int value) { helpContext_ = value; }

  TNotifyEvent OnShow;
  TNotifyEvent OnClose;

 protected:
  virtual void DoShow();
  virtual void DoClose();

  // The owner window of a dialog: the given one, else the active window of this thread.
  static HWND OwnerWindow(HWND parentWnd);
  // The hook that every common dialog here installs: records the window, fires OnShow once
  // the dialog is ready and OnClose when it goes. `dialogWnd` is the top dialog window.
  UINT_PTR HookMessage(HWND dialogWnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // Runs one platform dialog call with the exception handling the hooks need.
  template <class Call>
  bool RunDialog(Call call);

 // Keeps the exception of a hook, cancels the dialog; Execute raises it afterwards.
  void Failed(HWND dialogWnd);

 private:
  HWND handle_ = nullptr;
  bool ctl3D_ = true;
  bool shown_ = false;
  int helpContext_ = 0;
  std::exception_ptr failure_;
};

// ---- TOpenDialog / TSaveDialog ---------------------------------------------------------------

enum TOpenOption {
  ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate,
  ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt,
  ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames,
  ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing, ofDontAddToRecent,
  ofForceShowHidden
};
using TOpenOptions = TEnumSet<TOpenOption>;

class TOpenDialog : public TCommonDialog {
  VCL_CLASS(TOpenDialog, TCommonDialog)
  explicit TOpenDialog(TComponent* owner);
  ~TOpenDialog() override;

  using TCommonDialog::Execute;
  bool Execute(HWND parentWnd) override;

  // The extension added to a typed name that has none; a leading "*." or "." is ignored.
  const std::string& DefaultExt() const { return defaultExt_; }
  void SetDefaultExt(const std::string& value) { defaultExt_ = value; }
  // The chosen file (the first one with ofAllowMultiSelect); its initial value is proposed.
  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& value) { fileName_ = value; }
  // Every chosen file with its full path.
  TStrings* Files() const { return files_.get(); }
  // Pairs "description|patterns" separated by '|', e.g. "Bitmaps (*.bmp)|*.bmp|All|*.*".
  const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& value) { filter_ = value; }
  // The chosen filter, counted from 1.
  int FilterIndex() const { return filterIndex_; }
  void SetFilterIndex(int value) { filterIndex_ = value; }
  const std::string& InitialDir() const { return initialDir_; }
  void SetInitialDir(const std::string& value) { initialDir_ = value; }
  TOpenOptions Options() const { return options_; }
  void SetOptions(TOpenOptions value) { options_ = value; }
  // The dialog's caption; empty gives the platform's "Open" or "Save As".
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& value) { title_ = value; }

 protected:
  // Shows the dialog through GetOpenFileNameA or GetSaveFileNameA.
  bool DoExecute(bool save, HWND parentWnd);

 private:
  friend UINT_PTR CALLBACK OpenDialogHook(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void ReadResult(const char* buffer, DWORD flags);

  std::string defaultExt_;
  std::string fileName_;
  std::unique_ptr<TStringList> files_;
  std::string filter_;
  int filterIndex_ = 1;
  std::string initialDir_;
  TOpenOptions options_{ofHideReadOnly, ofEnableSizing};
  std::string title_;
};

class TSaveDialog : public TOpenDialog {
  VCL_CLASS(TSaveDialog, TOpenDialog)
  explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}
  using TCommonDialog::Execute;
  bool Execute(HWND parentWnd) override { return DoExecute(true, parentWnd); }
};

// The filter text turned into the platform's list of NUL-separated pairs.
std::string MakeFilterList(const std::string& filter);
// The default extension as the platform wants it: without a leading "*" or ".".
std::string PlainExtension(const std::string& defaultExt);

// ---- TColorDialog ----------------------------------------------------------------------------

enum TColorDialogOption { cdFullOpen, cdPreventFullOpen, cdShowHelp, cdSolidColor, cdAnyColor };
using TColorDialogOptions = TEnumSet<TColorDialogOption>;

class TColorDialog : public TCommonDialog {
  VCL_CLASS(TColorDialog, TCommonDialog)
  explicit TColorDialog(TComponent* owner);
  ~TColorDialog() override;

  using TCommonDialog::Execute;
  bool Execute(HWND parentWnd) override;

  TColor Color() const { return color_; }
  void SetColor(TColor value) { color_ = value; }
  // The 16 custom colours as "ColorA=RRGGBB-in-hex" .. "ColorP=..." (the value is the colour
  // number in hexadecimal, blue in the high byte); missing entries are white.
  TStrings* CustomColors() const { return customColors_.get(); }
  void SetCustomColors(TStrings* value) { customColors_->Assign(value); }
  TColorDialogOptions Options() const { return options_; }
  void SetOptions(TColorDialogOptions value) { options_ = value; }

 private:
  friend UINT_PTR CALLBACK ColorDialogHook(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

  TColor color_ = clBlack;
  std::unique_ptr<TStringList> customColors_;
  TColorDialogOptions options_;
};

// ---- TFontDialog -----------------------------------------------------------------------------

enum TFontDialogDevice { fdScreen, fdPrinter, fdBoth };
enum TFontDialogOption {
  fdAnsiOnly, fdTrueTypeOnly, fdEffects, fdFixedPitchOnly, fdForceFontExist, fdNoFaceSel,
  fdNoOEMFonts, fdNoSimulations, fdNoSizeSel, fdNoStyleSel, fdNoVectorFonts, fdShowHelp,
  fdWysiwyg, fdLimitSize, fdScalableOnly, fdApplyButton
};
using TFontDialogOptions = TEnumSet<TFontDialogOption>;

class TFontDialog : public TCommonDialog {
  VCL_CLASS(TFontDialog, TCommonDialog)
  explicit TFontDialog(TComponent* owner);
  ~TFontDialog() override;

  using TCommonDialog::Execute;
  bool Execute(HWND parentWnd) override;

  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* value) { font_->Assign(value); }
  TFontDialogDevice Device() const { return device_; }
  void SetDevice(TFontDialogDevice value) { device_ = value; }
  // Point sizes offered with fdLimitSize; 0 is no limit.
  int MinFontSize() const { return minFontSize_; }
  void SetMinFontSize(int value) { minFontSize_ = value; }
  int MaxFontSize() const { return maxFontSize_; }
  void SetMaxFontSize(int value) { maxFontSize_ = value; }
  TFontDialogOptions Options() const { return options_; }
  void SetOptions(TFontDialogOptions value) { options_ = value; }

  // The "Apply" button (fdApplyButton): the font shown in the dialog, and the dialog window.
  std::function<void(TObject* Sender, HWND Wnd)> OnApply;

 private:
  friend UINT_PTR CALLBACK FontDialogHook(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void ApplyLogFont(const LOGFONTA& logFont, COLORREF color);

  std::unique_ptr<TFont> font_;
  TFontDialogDevice device_ = fdScreen;
  int minFontSize_ = 0;
  int maxFontSize_ = 0;
  TFontDialogOptions options_{fdEffects};
};

// ---- Message and input dialogs ---------------------------------------------------------------

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn {
  mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp
};
using TMsgDlgButtons = TEnumSet<TMsgDlgBtn, uint16_t>;

inline constexpr TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline constexpr TMsgDlgButtons mbYesAllNoAllCancel{mbYes, mbYesToAll, mbNo, mbNoToAll, mbCancel};
inline constexpr TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline constexpr TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};
inline constexpr TMsgDlgButtons mbAbortIgnore{mbAbort, mbIgnore};

// The caption of a dialog type ("Warning", "Error", "Information", "Confirm"; the
// application's title for mtCustom) and the caption of a button ("&Yes", "OK", ...).
std::string MsgDlgCaption(TMsgDlgType type);
std::string MsgDlgButtonCaption(TMsgDlgBtn button);
// The modal result a button closes the dialog with (mrNone for mbHelp).
TModalResult MsgDlgButtonResult(TMsgDlgBtn button);
// The title of the program: its executable's name without folder and extension.
std::string ApplicationTitle();

// The form of a message dialog: the components "Image" (the type's icon; none for mtCustom),
// "Message" (a label with the text) and one button per dialog button, named "Yes", "No",
// "OK", "Cancel", "Abort", "Retry", "Ignore", "All", "NoToAll", "YesToAll", "Help". The default
// button has the focus; Escape presses the cancel button, or closes with mrCancel without one.
class TMessageForm : public TForm {
  VCL_CLASS(TMessageForm, TForm)
  explicit TMessageForm(TComponent* owner);
  ~TMessageForm() override;

 protected:
  void KeyDown(WORD& key, TShiftState shift) override;
};

// Builds the message dialog (hidden, owned by the application) without showing it; the
// caller shows it with ShowModal and frees it. Without buttons it has "OK".
TMessageForm* CreateMessageDialog(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons);
TMessageForm* CreateMessageDialog(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons,
                                  TMsgDlgBtn defaultButton);

// Shows a message with the type's icon and caption and the buttons in the platform's order;
// returns the modal result of the button pressed (Escape: the cancel button's, closing the
// window: mrCancel). Without buttons the dialog has "OK".
int MessageDlg(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpCtx);
// The same with `defaultButton` as the default button (when it is among the buttons).
int MessageDlg(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpCtx,
               TMsgDlgBtn defaultButton);
// The same at a screen position (-1 centres the dialog on the screen).
int MessageDlgPos(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpCtx, int x,
                  int y);
// A message with "OK" under the application's title.
void ShowMessage(const std::string& msg);
void ShowMessagePos(const std::string& msg, int x, int y);

// Asks for one line of text; true and `value` changed when the user pressed "OK".
bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);
// The text typed, or `defaultValue` when the user cancelled.
std::string InputBox(const std::string& caption, const std::string& prompt, const std::string& defaultValue);

}  // namespace vcl
