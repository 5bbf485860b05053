#include "imaging/vect/vect_startup.h"

#include "imaging/base/startup.h"
#include "imaging/vect/vect_io_formats.h"
#include "imaging/vect/vect_object.h"
#include "vcl/runtime/win.h"

namespace imaging {

namespace {

uint32_t vectFormat = 0;
uint32_t textMemoFormat = 0;
vcl::TShortCut shortcuts[tsShortcutCount] = {};

const bool kHooksRegistered = [] {
  IERegisterStaticHooks(ieshVect, IEVectStaticInit, IEVectStaticFinalize);
  IERegisterStaticHooks(ieshTextC, IETextCStaticInit, IETextCStaticFinalize);
  return true;
}();

void MakeShortcuts() {
  static constexpr char kKeys[tsShortcutCount] = {'L', 'E', 'R', 'J', 'C', 'X', 'V', 'F', 'B', 'I', 'U', 'G'};
  vcl::TShiftState ctrl;
  ctrl.Include(vcl::ssCtrl);
  for (int i = 0; i < tsShortcutCount; ++i) shortcuts[i] = vcl::ShortCut(static_cast<WORD>(kKeys[i]), ctrl);
}

}  // namespace

void IEVectStaticInit() {
  (void)kHooksRegistered;
  vectFormat = RegisterClipboardFormatA("IMAGING VECT");
  MakeShortcuts();
  CreateVectExtendedRegistry();
  RegisterVectIOFormats();
}

void IEVectStaticFinalize() { FreeVectExtendedRegistry(); }

void IETextCStaticInit() { textMemoFormat = RegisterClipboardFormatA("IMAGING TEXTMEMO"); }

void IETextCStaticFinalize() {}

uint32_t ClipboardFormatVect() {
  if (!vectFormat) vectFormat = RegisterClipboardFormatA("IMAGING VECT");
  return vectFormat;
}

uint32_t ClipboardFormatTextMemo() {
  if (!textMemoFormat) textMemoFormat = RegisterClipboardFormatA("IMAGING TEXTMEMO");
  return textMemoFormat;
}

vcl::TShortCut TextEditShortcut(TIETextShortcut which) {
  if (which < 0 || which >= tsShortcutCount) return vcl::scNone;
  if (!shortcuts[which]) MakeShortcuts();
  return shortcuts[which];
}

}  // namespace imaging
