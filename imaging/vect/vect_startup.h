// The vector layer's part of the image library's shared start-up: its two clipboard formats,
// the text editor's shortcuts and the registry of extended-object classes.
#pragma once

#include <cstdint>

#include "vcl/controls/menus.h"

namespace imaging {

// Start-up and shut-down hooks (run once per process by the shared start-up, in its order).
void IEVectStaticInit();
void IEVectStaticFinalize();
void IETextCStaticInit();
void IETextCStaticFinalize();

// The process-wide ids of "IMAGING VECT" and "IMAGING TEXTMEMO"; registered on first use when
// the shared start-up has not run.
uint32_t ClipboardFormatVect();
uint32_t ClipboardFormatTextMemo();

// The text editor's commands, in this order: Ctrl+L, Ctrl+E, Ctrl+R, Ctrl+J, Ctrl+C, Ctrl+X,
// Ctrl+V, Ctrl+F, Ctrl+B, Ctrl+I, Ctrl+U, Ctrl+G.
enum TIETextShortcut {
  tsAlignLeft, tsAlignCentre, tsAlignRight, tsJustify, tsCopy, tsCut, tsPaste, tsFont, tsBold, tsItalic,
  tsUnderline, tsColour, tsShortcutCount
};
vcl::TShortCut TextEditShortcut(TIETextShortcut which);

}  // namespace imaging
