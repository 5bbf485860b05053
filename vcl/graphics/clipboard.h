// TClipboard: the system clipboard with text, handles of any format (registered ones
// included) and pictures. Clipboard() is the process's one instance.
//
// Open and Close nest; while the clipboard is held open, the first thing put on it empties
// it, so that several formats of one item can be offered together.
#pragma once

#include <string>

#include "vcl/runtime/persistent.h"
#include "vcl/runtime/win.h"

namespace vcl {

class TGraphic;

class TClipboard : public TPersistent {
  VCL_CLASS(TClipboard, TPersistent)
  TClipboard();
  ~TClipboard() override;

  // Opens the clipboard, trying again for a while when another program holds it; raises
  // EClipboardException "Cannot open clipboard" when it stays taken.
  void Open();
  void Close();
  void Clear();

  bool HasFormat(UINT format) const;
  int FormatCount() const;
  // The formats on the clipboard; an index out of range raises EListError.
  UINT Formats(int index);

  // Puts a graphic or the graphic of a picture on the clipboard (a bitmap as CF_BITMAP and
  // CF_DIB, with its palette when it has one).
  void Assign(TPersistent* source) override;

  // The clipboard's handle for the format (it stays the clipboard's), 0 when there is none.
  HANDLE GetAsHandle(UINT format);
  // Gives the handle to the clipboard.
  void SetAsHandle(UINT format, HANDLE value);
  // Copies a block of bytes in as the format.
  void SetBuffer(UINT format, const void* buffer, size_t size);

  // CF_TEXT.
  std::string AsText();
  void SetAsText(const std::string& text);

 protected:
  // Into a picture: the first format on the clipboard that pictures take. Into a bitmap or a
  // metafile: the formats of that class. None there raises EInvalidGraphic
  // "Unsupported clipboard format".
  void AssignTo(TPersistent* dest) override;

 private:
  void AssignGraphic(TGraphic* graphic);
  // The first data put on the clipboard while it is open empties it.
  void Adding();

  HWND window_ = nullptr;
  int openCount_ = 0;
  bool emptied_ = false;
};

// The process's clipboard object, made on first use.
TClipboard* Clipboard();
// Replaces it; the previous one is returned to the caller, who frees it.
TClipboard* SetClipboard(TClipboard* clipboard);

}  // namespace vcl
