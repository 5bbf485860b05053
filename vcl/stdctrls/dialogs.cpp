#include "vcl/stdctrls/dialogs.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "vcl/runtime/sysutils.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {

// ---- TCommonDialog ---------------------------------------------------------------------------

TCommonDialog::TCommonDialog(TComponent* owner) : TComponent(owner) {}

void TCommonDialog::DoShow() {
  if (OnShow) OnShow(this);
}

void TCommonDialog::DoClose() {
  if (OnClose) OnClose(this);
}

HWND TCommonDialog::OwnerWindow(HWND parentWnd) { return parentWnd ? parentWnd : GetActiveWindow(); }

// An exception may not unwind through the platform's dialog code: it is kept, the dialog is
// cancelled, and Execute raises it once the platform call has returned.
void TCommonDialog::Failed(HWND dialogWnd) {
  if (!failure_) failure_ = std::current_exception();
  if (dialogWnd) PostMessageA(dialogWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

UINT_PTR TCommonDialog::HookMessage(HWND dialogWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    switch (msg) {
      case WM_INITDIALOG:
        handle_ = dialogWnd;
        break;
      case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code == CDN_INITDONE && !shown_) {
          shown_ = true;
          DoShow();
        }
        break;
      }
      case WM_DESTROY:
        if (shown_) DoClose();
        handle_ = nullptr;
        break;
      default:
        break;
    }
  } catch (...) {
    Failed(msg == WM_DESTROY ? nullptr : dialogWnd);
  }
  (void)wParam;
  return 0;
}

template <class Call>
bool TCommonDialog::RunDialog(Call call) {
  failure_ = nullptr;
  shown_ = false;
  bool accepted = call();
  handle_ = nullptr;
  if (failure_) {
    std::exception_ptr failure = failure_;
    failure_ = nullptr;
    std::rethrow_exception(failure);
  }
  return accepted;
}

// The dialogs that have no CDN_INITDONE are shown once their WM_INITDIALOG is through.
namespace {
template <class Dialog>
Dialog* DialogOfHook(HWND wnd, UINT msg, LPARAM lParam, LPARAM (*custData)(LPARAM)) {
  if (msg == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<Dialog*>(custData(lParam));
    SetPropA(wnd, "VclCommonDialog", dialog);
    return dialog;
  }
  auto* dialog = static_cast<Dialog*>(GetPropA(wnd, "VclCommonDialog"));
  if (msg == WM_NCDESTROY) RemovePropA(wnd, "VclCommonDialog");
  return dialog;
}
}  // namespace

// ---- TOpenDialog -----------------------------------------------------------------------------

namespace {
// Room for one path, and for the folder plus many names when several files may be chosen.
constexpr std::size_t kSingleFileBuffer = 4096;
constexpr std::size_t kMultiFileBuffer = 65536;

struct TOptionFlag {
  TOpenOption option;
  DWORD flag;
};
constexpr TOptionFlag kOpenOptionFlags[] = {
    {ofReadOnly, OFN_READONLY},
    {ofOverwritePrompt, OFN_OVERWRITEPROMPT},
    {ofHideReadOnly, OFN_HIDEREADONLY},
    {ofNoChangeDir, OFN_NOCHANGEDIR},
    {ofShowHelp, OFN_SHOWHELP},
    {ofNoValidate, OFN_NOVALIDATE},
    {ofAllowMultiSelect, OFN_ALLOWMULTISELECT},
    {ofExtensionDifferent, OFN_EXTENSIONDIFFERENT},
    {ofPathMustExist, OFN_PATHMUSTEXIST},
    {ofFileMustExist, OFN_FILEMUSTEXIST},
    {ofCreatePrompt, OFN_CREATEPROMPT},
    {ofShareAware, OFN_SHAREAWARE},
    {ofNoReadOnlyReturn, OFN_NOREADONLYRETURN},
    {ofNoTestFileCreate, OFN_NOTESTFILECREATE},
    {ofNoNetworkButton, OFN_NONETWORKBUTTON},
    {ofNoLongNames, OFN_NOLONGNAMES},
    {ofNoDereferenceLinks, OFN_NODEREFERENCELINKS},
    {ofEnableIncludeNotify, OFN_ENABLEINCLUDENOTIFY},
    {ofEnableSizing, OFN_ENABLESIZING},
    {ofDontAddToRecent, OFN_DONTADDTORECENT},
    {ofForceShowHidden, OFN_FORCESHOWHIDDEN},
};

LPARAM OpenCustData(LPARAM lParam) { return reinterpret_cast<OPENFILENAMEA*>(lParam)->lCustData; }
}  // namespace

// The explorer-style hook runs in a child dialog of the real one.
UINT_PTR CALLBACK OpenDialogHook(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TOpenDialog* dialog = DialogOfHook<TOpenDialog>(wnd, msg, lParam, OpenCustData);
  if (dialog == nullptr) return 0;
  HWND top = GetParent(wnd);
  return dialog->HookMessage(top ? top : wnd, msg, wParam, lParam);
}

std::string MakeFilterList(const std::string& filter) {
  std::string list = filter;
  std::replace(list.begin(), list.end(), '|', '\0');
  // The list ends with two NULs; an odd last entry (a description without patterns) is kept
  // as the platform reads it: a pair needs both parts.
  list.push_back('\0');
  list.push_back('\0');
  return list;
}

std::string PlainExtension(const std::string& defaultExt) {
  std::size_t start = 0;
  while (start < defaultExt.size() && (defaultExt[start] == '*' || defaultExt[start] == '.')) ++start;
  return defaultExt.substr(start);
}

TOpenDialog::TOpenDialog(TComponent* owner) : TCommonDialog(owner), files_(std::make_unique<TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

bool TOpenDialog::Execute(HWND parentWnd) { return DoExecute(false, parentWnd); }

bool TOpenDialog::DoExecute(bool save, HWND parentWnd) {
  bool multi = options_.Contains(ofAllowMultiSelect);
  std::vector<char> buffer(multi ? kMultiFileBuffer : kSingleFileBuffer, '\0');
  // A proposed name longer than the buffer is cut rather than overrun it.
  std::memcpy(buffer.data(), fileName_.data(), std::min(fileName_.size(), buffer.size() - 1));

  std::string filterList = MakeFilterList(filter_);
  std::string defaultExt = PlainExtension(defaultExt_);

  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = OwnerWindow(parentWnd);
  ofn.hInstance = GetModuleHandleA(nullptr);
  ofn.lpstrFilter = filter_.empty() ? nullptr : filterList.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(std::max(filterIndex_, 0));
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrInitialDir = initialDir_.empty() ? nullptr : initialDir_.c_str();
  ofn.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
  ofn.lpstrDefExt = defaultExt.empty() ? nullptr : defaultExt.c_str();
  ofn.Flags = 0;
  for (const TOptionFlag& entry : kOpenOptionFlags)
    if (options_.Contains(entry.option)) ofn.Flags |= entry.flag;
  if (!options_.Contains(ofOldStyleDialog)) {
    ofn.Flags |= OFN_EXPLORER | OFN_ENABLEHOOK;
    ofn.lpfnHook = OpenDialogHook;
    ofn.lCustData = reinterpret_cast<LPARAM>(this);
  }

  bool accepted = RunDialog([&] { return save ? GetSaveFileNameA(&ofn) != FALSE : GetOpenFileNameA(&ofn) != FALSE; });
  if (!accepted) return false;
  filterIndex_ = static_cast<int>(ofn.nFilterIndex);
  ReadResult(buffer.data(), ofn.Flags);
  return true;
}

void TOpenDialog::ReadResult(const char* buffer, DWORD flags) {
  options_.Exclude(ofReadOnly).Exclude(ofExtensionDifferent);
  if (flags & OFN_READONLY) options_.Include(ofReadOnly);
  if (flags & OFN_EXTENSIONDIFFERENT) options_.Include(ofExtensionDifferent);

  files_->Clear();
  std::string first = buffer;
  const char* next = buffer + first.size() + 1;
  if (options_.Contains(ofAllowMultiSelect) && *next != '\0') {
    // Several files: the folder, then each name, then an empty string.
    std::string folder = first;
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    while (*next != '\0') {
      std::string name = next;
      files_->Add(folder + name);
      next += name.size() + 1;
    }
  } else {
    files_->Add(first);
  }
  fileName_ = files_->Strings(0);
}

// ---- TColorDialog ----------------------------------------------------------------------------

namespace {
LPARAM ColorCustData(LPARAM lParam) { return reinterpret_cast<CHOOSECOLORA*>(lParam)->lCustData; }

std::string CustomColorName(int index) { return std::string("Color") + static_cast<char>('A' + index); }
}  // namespace

UINT_PTR CALLBACK ColorDialogHook(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TColorDialog* dialog = DialogOfHook<TColorDialog>(wnd, msg, lParam, ColorCustData);
  if (dialog == nullptr) return 0;
  dialog->HookMessage(wnd, msg, wParam, lParam);
  if (msg == WM_INITDIALOG) {
    NMHDR done{wnd, 0, static_cast<UINT>(CDN_INITDONE)};
    dialog->HookMessage(wnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&done));
    return TRUE;
  }
  return 0;
}

TColorDialog::TColorDialog(TComponent* owner) : TCommonDialog(owner), customColors_(std::make_unique<TStringList>()) {}

TColorDialog::~TColorDialog() = default;

bool TColorDialog::Execute(HWND parentWnd) {
  COLORREF custom[16];
  for (int i = 0; i < 16; ++i) {
    custom[i] = 0xFFFFFF;
    std::string value = customColors_->Values(CustomColorName(i));
    if (!value.empty()) {
      int64_t number = 0;
      if (TryStrToInt64("$" + value, number)) custom[i] = static_cast<COLORREF>(number) & 0xFFFFFF;
    }
  }

  CHOOSECOLORA cc{};
  cc.lStructSize = sizeof(cc);
  cc.hwndOwner = OwnerWindow(parentWnd);
  cc.rgbResult = static_cast<COLORREF>(ColorToRGB(color_));
  cc.lpCustColors = custom;
  cc.Flags = CC_RGBINIT | CC_ENABLEHOOK;
  if (options_.Contains(cdFullOpen)) cc.Flags |= CC_FULLOPEN;
  if (options_.Contains(cdPreventFullOpen)) cc.Flags |= CC_PREVENTFULLOPEN;
  if (options_.Contains(cdShowHelp)) cc.Flags |= CC_SHOWHELP;
  if (options_.Contains(cdSolidColor)) cc.Flags |= CC_SOLIDCOLOR;
  if (options_.Contains(cdAnyColor)) cc.Flags |= CC_ANYCOLOR;
  cc.lpfnHook = ColorDialogHook;
  cc.lCustData = reinterpret_cast<LPARAM>(this);

  bool accepted = RunDialog([&] { return ChooseColorA(&cc) != FALSE; });
  if (!accepted) return false;
  color_ = static_cast<TColor>(cc.rgbResult);
  TStringsUpdate update(customColors_.get());
  customColors_->Clear();
  for (int i = 0; i < 16; ++i) customColors_->Add(CustomColorName(i) + "=" + Format("%.6x", static_cast<int32_t>(custom[i])));
  return true;
}

// ---- TFontDialog -----------------------------------------------------------------------------

namespace {
LPARAM FontCustData(LPARAM lParam) { return reinterpret_cast<CHOOSEFONTA*>(lParam)->lCustData; }

struct TFontOptionFlag {
  TFontDialogOption option;
  DWORD flag;
};
constexpr TFontOptionFlag kFontOptionFlags[] = {
    {fdAnsiOnly, CF_ANSIONLY},
    {fdTrueTypeOnly, CF_TTONLY},
    {fdEffects, CF_EFFECTS},
    {fdFixedPitchOnly, CF_FIXEDPITCHONLY},
    {fdForceFontExist, CF_FORCEFONTEXIST},
    {fdNoFaceSel, CF_NOFACESEL},
    {fdNoOEMFonts, CF_NOOEMFONTS},
    {fdNoSimulations, CF_NOSIMULATIONS},
    {fdNoSizeSel, CF_NOSIZESEL},
    {fdNoStyleSel, CF_NOSTYLESEL},
    {fdNoVectorFonts, CF_NOVECTORFONTS},
    {fdShowHelp, CF_SHOWHELP},
    {fdWysiwyg, CF_WYSIWYG},
    {fdLimitSize, CF_LIMITSIZE},
    {fdScalableOnly, CF_SCALABLEONLY},
    {fdApplyButton, CF_APPLY},
};
// The "Apply" button of the font dialog.
constexpr int kFontApplyButton = 0x402;
}  // namespace

UINT_PTR CALLBACK FontDialogHook(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TFontDialog* dialog = DialogOfHook<TFontDialog>(wnd, msg, lParam, FontCustData);
  if (dialog == nullptr) return 0;
  dialog->HookMessage(wnd, msg, wParam, lParam);
  if (msg == WM_INITDIALOG) {
    NMHDR done{wnd, 0, static_cast<UINT>(CDN_INITDONE)};
    dialog->HookMessage(wnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&done));
    return TRUE;
  }
  if (msg == WM_COMMAND && LOWORD(wParam) == kFontApplyButton && dialog->OnApply) {
    try {
      LOGFONTA logFont{};
      SendMessageA(wnd, WM_CHOOSEFONT_GETLOGFONT, 0, reinterpret_cast<LPARAM>(&logFont));
      dialog->ApplyLogFont(logFont, static_cast<COLORREF>(ColorToRGB(dialog->font_->Color())));
      dialog->OnApply(dialog, wnd);
    } catch (...) {
      dialog->Failed(wnd);
    }
    return TRUE;
  }
  return 0;
}

TFontDialog::TFontDialog(TComponent* owner) : TCommonDialog(owner), font_(std::make_unique<TFont>()) {}

TFontDialog::~TFontDialog() = default;

void TFontDialog::ApplyLogFont(const LOGFONTA& logFont, COLORREF color) {
  HFONT handle = CreateFontIndirectA(&logFont);
  if (handle == nullptr) return;
  font_->SetHandle(handle);
  font_->SetColor(static_cast<TColor>(color));
}

bool TFontDialog::Execute(HWND parentWnd) {
  LOGFONTA logFont{};
  GetObjectA(font_->Handle(), sizeof(logFont), &logFont);

  CHOOSEFONTA cf{};
  cf.lStructSize = sizeof(cf);
  cf.hwndOwner = OwnerWindow(parentWnd);
  cf.lpLogFont = &logFont;
  cf.rgbColors = static_cast<COLORREF>(ColorToRGB(font_->Color()));
  cf.Flags = CF_INITTOLOGFONTSTRUCT | CF_ENABLEHOOK;
  switch (device_) {
    case fdScreen: cf.Flags |= CF_SCREENFONTS; break;
    case fdPrinter: cf.Flags |= CF_PRINTERFONTS; break;
    case fdBoth: cf.Flags |= CF_BOTH; break;
  }
  for (const TFontOptionFlag& entry : kFontOptionFlags)
    if (options_.Contains(entry.option)) cf.Flags |= entry.flag;
  cf.nSizeMin = minFontSize_;
  cf.nSizeMax = maxFontSize_;
  cf.lpfnHook = FontDialogHook;
  cf.lCustData = reinterpret_cast<LPARAM>(this);

  bool accepted = RunDialog([&] { return ChooseFontA(&cf) != FALSE; });
  if (!accepted) return false;
  ApplyLogFont(logFont, cf.rgbColors);
  return true;
}

// ---- Published properties --------------------------------------------------------------------

VCL_PUBLISHED(TCommonDialog, p) {
  p.Bool("Ctl3D", &TCommonDialog::Ctl3D, &TCommonDialog::SetCtl3D, true)
      .Integer("HelpContext", &TCommonDialog::HelpContext, &TCommonDialog::SetHelpContext, 0)
      .Event("OnClose", &TCommonDialog::OnClose)
      .Event("OnShow", &TCommonDialog::OnShow);
}

VCL_PUBLISHED(TOpenDialog, p) {
  p.String("DefaultExt", &TOpenDialog::DefaultExt, &TOpenDialog::SetDefaultExt)
      .String("FileName", &TOpenDialog::FileName, &TOpenDialog::SetFileName)
      .String("Filter", &TOpenDialog::Filter, &TOpenDialog::SetFilter)
      .Integer("FilterIndex", &TOpenDialog::FilterIndex, &TOpenDialog::SetFilterIndex, 1)
      .String("InitialDir", &TOpenDialog::InitialDir, &TOpenDialog::SetInitialDir)
      .Set("Options", &TOpenDialog::Options, &TOpenDialog::SetOptions,
           {"ofReadOnly", "ofOverwritePrompt", "ofHideReadOnly", "ofNoChangeDir", "ofShowHelp", "ofNoValidate",
            "ofAllowMultiSelect", "ofExtensionDifferent", "ofPathMustExist", "ofFileMustExist", "ofCreatePrompt",
            "ofShareAware", "ofNoReadOnlyReturn", "ofNoTestFileCreate", "ofNoNetworkButton", "ofNoLongNames",
            "ofOldStyleDialog", "ofNoDereferenceLinks", "ofEnableIncludeNotify", "ofEnableSizing",
            "ofDontAddToRecent", "ofForceShowHidden"},
           TOpenOptions{ofHideReadOnly, ofEnableSizing})
      .String("Title", &TOpenDialog::Title, &TOpenDialog::SetTitle);
}

VCL_PUBLISHED(TSaveDialog, p) { (void)p; }

VCL_PUBLISHED(TColorDialog, p) {
  p.Integer("Color", &TColorDialog::Color, &TColorDialog::SetColor, clBlack)
      .Idents(ColorToIdent, IdentToColor)
      .Object("CustomColors", &TColorDialog::CustomColors, &TColorDialog::SetCustomColors)
      .Set("Options", &TColorDialog::Options, &TColorDialog::SetOptions,
           {"cdFullOpen", "cdPreventFullOpen", "cdShowHelp", "cdSolidColor", "cdAnyColor"}, TColorDialogOptions{});
}

VCL_PUBLISHED(TFontDialog, p) {
  p.Object("Font", &TFontDialog::Font, &TFontDialog::SetFont)
      .Enum("Device", &TFontDialog::Device, &TFontDialog::SetDevice, {"fdScreen", "fdPrinter", "fdBoth"}, fdScreen)
      .Integer("MinFontSize", &TFontDialog::MinFontSize, &TFontDialog::SetMinFontSize, 0)
      .Integer("MaxFontSize", &TFontDialog::MaxFontSize, &TFontDialog::SetMaxFontSize, 0)
      .Set("Options", &TFontDialog::Options, &TFontDialog::SetOptions,
           {"fdAnsiOnly", "fdTrueTypeOnly", "fdEffects", "fdFixedPitchOnly", "fdForceFontExist", "fdNoFaceSel",
            "fdNoOEMFonts", "fdNoSimulations", "fdNoSizeSel", "fdNoStyleSel", "fdNoVectorFonts", "fdShowHelp",
            "fdWysiwyg", "fdLimitSize", "fdScalableOnly", "fdApplyButton"},
           TFontDialogOptions{fdEffects})
      .Event("OnApply", &TFontDialog::OnApply);
}

}  // namespace vcl
