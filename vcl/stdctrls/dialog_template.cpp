#include "vcl/stdctrls/dialog_template.h"

#include "vcl/runtime/exceptions.h"

namespace vcl {

TDialogTemplate::TDialogTemplate(DWORD style, const std::string& caption, short cx, short cy,
                                 const std::string& fontName, WORD pointSize) {
  DWord(style | DS_SETFONT);
  DWord(0);  // extended style
  countOffset_ = words_.size();
  Word(0);  // item count, counted by AddItem
  Word(0);  // x
  Word(0);  // y
  Word(static_cast<WORD>(cx));
  Word(static_cast<WORD>(cy));
  Word(0);  // no menu
  Word(0);  // the dialog class
  Text(caption);
  Word(pointSize);
  Text(fontName);
}

void TDialogTemplate::AddItem(WORD classAtom, WORD id, DWORD style, const std::string& text, short x, short y,
                              short cx, short cy, DWORD exStyle) {
  Align();
  DWord(style | WS_CHILD | WS_VISIBLE);
  DWord(exStyle);
  Word(static_cast<WORD>(x));
  Word(static_cast<WORD>(y));
  Word(static_cast<WORD>(cx));
  Word(static_cast<WORD>(cy));
  Word(id);
  Word(0xFFFF);
  Word(classAtom);
  Text(text);
  Word(0);  // no creation data
  ++words_[countOffset_];
}

const DLGTEMPLATE* TDialogTemplate::Data() { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

INT_PTR TDialogTemplate::Run(HWND owner, DLGPROC proc, LPARAM param) {
  INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), Data(), owner, proc, param);
  if (result == -1) {
    DWORD error = GetLastError();
    throw EOSError("A dialog could not be created", error);
  }
  return result;
}

// Items start on a DWORD boundary; the vector's storage is aligned for DWORDs.
void TDialogTemplate::Align() {
  if (words_.size() % 2 != 0) words_.push_back(0);
}

void TDialogTemplate::Word(WORD value) { words_.push_back(value); }

void TDialogTemplate::DWord(DWORD value) {
  words_.push_back(LOWORD(value));
  words_.push_back(HIWORD(value));
}

void TDialogTemplate::Text(const std::string& text) {
  if (!text.empty()) {
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::size_t start = words_.size();
    words_.resize(start + static_cast<std::size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<WCHAR*>(words_.data() + start), length);
  }
  words_.push_back(0);
}

}  // namespace vcl
