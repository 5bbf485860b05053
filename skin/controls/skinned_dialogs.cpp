#include "skin/controls/skinned_dialogs.h"

#include <cctype>

#include "skin/controls/colour_dialog_form.h"
#include "skin/engine/skin_manager.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/runtime/sysutils.h"

namespace skin {

// ---- File dialogs ----------------------------------------------------------------------------

TsOpenDialog::TsOpenDialog(vcl::TComponent* owner) : vcl::TOpenDialog(owner) {}
TsOpenDialog::~TsOpenDialog() = default;

TsSaveDialog::TsSaveDialog(vcl::TComponent* owner) : vcl::TSaveDialog(owner) {}
TsSaveDialog::~TsSaveDialog() = default;

// ---- Custom colour lines ---------------------------------------------------------------------

namespace {

bool IsHexDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

std::string HexByte(uint32_t value) { return vcl::Format("%.2X", static_cast<int32_t>(value & 0xFF)); }

}  // namespace

std::string PlatformColourLineToPalette(const std::string& line) {
  const size_t equals = line.find('=');
  if (equals == std::string::npos) {
    // Already a palette line ("RRGGBB").
    std::string word = vcl::Trim(line);
    return IsHexDigits(word) ? word : "FFFFFF";
  }
  const std::string value = vcl::Trim(line.substr(equals + 1));
  if (!IsHexDigits(value) || value.size() > 8) return "FFFFFF";
  const uint32_t colour = static_cast<uint32_t>(std::stoul(value, nullptr, 16)) & 0xFFFFFF;
  // The platform's value holds red in the low byte; the palette writes red first.
  return HexByte(colour) + HexByte(colour >> 8) + HexByte(colour >> 16);
}

void PlatformCustomColoursToPalette(vcl::TStrings* platform, vcl::TStrings* palette) {
  palette->Clear();
  for (int i = 0; i < platform->Count(); ++i) palette->Add(PlatformColourLineToPalette(platform->Strings(i)));
}

void PaletteToPlatformCustomColours(vcl::TStrings* palette, vcl::TStrings* platform) {
  platform->Clear();
  for (int i = 0; i < palette->Count() && i < 16; ++i) {
    std::string word = vcl::Trim(palette->Strings(i));
    uint32_t rgb = 0xFFFFFF;
    if (IsHexDigits(word) && word.size() <= 6) rgb = static_cast<uint32_t>(std::stoul(word, nullptr, 16));
    const uint32_t colour = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
    platform->Add(std::string("Color") + char('A' + i) + "=" + vcl::Format("%.6x", static_cast<int32_t>(colour)));
  }
}

// ---- TsColorDialog ---------------------------------------------------------------------------

TsColorDialog::TsColorDialog(vcl::TComponent* owner)
    : vcl::TColorDialog(owner), mainColors_(std::make_unique<vcl::TStringList>()) {
  SetOptions(vcl::TColorDialogOptions{vcl::cdFullOpen});
}

TsColorDialog::~TsColorDialog() = default;

void TsColorDialog::DoShow() {
  if (OnShow) OnShow(this);
}

void TsColorDialog::DoClose() {
  if (OnClose) OnClose(this);
}

bool TsColorDialog::Execute(HWND parentWnd) {
  if (standardDlg_ || !DefaultManager) return vcl::TColorDialog::Execute(parentWnd);
  return ExecuteColourDialogForm(this);
}

// ---- Message box -----------------------------------------------------------------------------

std::string MessageDlgCaption(vcl::TMsgDlgType type) {
  switch (type) {
    case vcl::mtWarning: return "Warning";
    case vcl::mtError: return "Error";
    case vcl::mtInformation: return "Information";
    case vcl::mtConfirmation: return "Confirm";
    default: return "";
  }
}

UINT MessageDlgStyle(vcl::TMsgDlgType type, vcl::TMsgDlgButtons buttons) {
  UINT style = MB_SETFOREGROUND | MB_TOPMOST;
  switch (type) {
    case vcl::mtWarning: style |= MB_ICONWARNING; break;
    case vcl::mtError: style |= MB_ICONERROR; break;
    case vcl::mtInformation: style |= MB_ICONINFORMATION; break;
    case vcl::mtConfirmation: style |= MB_ICONQUESTION; break;
    default: break;
  }
  const bool yesOrNo = buttons.Contains(vcl::mbYes) || buttons.Contains(vcl::mbNo);
  if (buttons.Contains(vcl::mbOK) && buttons.Contains(vcl::mbCancel))
    style |= MB_OKCANCEL;
  else if (buttons.Contains(vcl::mbOK))
    style |= MB_OK;
  else if (buttons.Contains(vcl::mbAbort) || buttons.Contains(vcl::mbIgnore))
    style |= MB_ABORTRETRYIGNORE;
  else if (yesOrNo && buttons.Contains(vcl::mbCancel))
    style |= MB_YESNOCANCEL;
  else if (yesOrNo)
    style |= MB_YESNO;
  else if (buttons.Contains(vcl::mbRetry))
    style |= MB_RETRYCANCEL;
  else
    style |= MB_OK;
  if (buttons.Contains(vcl::mbHelp)) style |= MB_HELP;
  return style;
}

int ShowMessageDlg(const std::string& text, vcl::TMsgDlgType type, vcl::TMsgDlgButtons buttons, int helpContext) {
  (void)helpContext;
  const std::string caption = MessageDlgCaption(type);
  const UINT style = MessageDlgStyle(type, buttons);
  if (GetActiveWindow() && vcl::Application) return vcl::Application->MessageBox(text, caption, style);
  // No window of ours is active: the box still belongs to the application window.
  return MessageBoxA(vcl::Application ? vcl::Application->Handle() : nullptr, text.c_str(), caption.c_str(), style);
}

// ---- Published properties --------------------------------------------------------------------

VCL_PUBLISHED(TsOpenDialog, p) {
  p.Enum("ZipShowing", &TsOpenDialog::ZipShowing, &TsOpenDialog::SetZipShowing, {"zsAsFolder", "zsAsFile"},
         zsAsFolder);
}

VCL_PUBLISHED(TsSaveDialog, p) { (void)p; }

VCL_PUBLISHED(TsColorDialog, p) {
  using C = TsColorDialog;
  p.Object("MainColors", &C::MainColors, &C::SetMainColors)
      .Bool("StandardDlg", &C::StandardDlg, &C::SetStandardDlg, false)
      .Set("Options", &C::Options, &C::SetOptions,
           {"cdFullOpen", "cdPreventFullOpen", "cdShowHelp", "cdSolidColor", "cdAnyColor"},
           vcl::TColorDialogOptions{vcl::cdFullOpen});
}

}  // namespace skin
