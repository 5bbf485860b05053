// An in-memory dialog template: a "#32770" window made by the platform's dialog manager from
// a description built at run time, for the library's small modal dialogs (message dialogs,
// text input). Items are placed in dialog units; a dialog procedure may move them after
// measuring its texts in pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vcl/runtime/win.h"

namespace vcl {

class TDialogTemplate {
 public:
  // The dialog's own frame: its style (DS_SETFONT is added), caption and size in dialog units.
  TDialogTemplate(DWORD style, const std::string& caption, short cx, short cy,
                  const std::string& fontName = "MS Shell Dlg", WORD pointSize = 8);

  // Predefined control classes by their atoms.
  static constexpr WORD ButtonClass = 0x0080;
  static constexpr WORD EditClass = 0x0081;
  static constexpr WORD StaticClass = 0x0082;

  // Adds a control of a predefined class (WS_CHILD | WS_VISIBLE are added).
  void AddItem(WORD classAtom, WORD id, DWORD style, const std::string& text, short x, short y, short cx,
               short cy, DWORD exStyle = 0);

  // The packed template, valid until the next AddItem.
  const DLGTEMPLATE* Data();

  // Runs the dialog modally; the result is what the procedure passed to EndDialog.
  INT_PTR Run(HWND owner, DLGPROC proc, LPARAM param);

 private:
  void Align();
  void Word(WORD value);
  void DWord(DWORD value);
  void Text(const std::string& text);

  std::vector<WORD> words_;
  std::size_t countOffset_ = 0;
};

}  // namespace vcl
