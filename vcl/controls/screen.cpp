// TScreen: the program's forms in activation order, cursors by number, the display's size and
// resolution, and the system fonts.
#include "vcl/controls/screen.h"

#include <algorithm>
#include <set>

#include "vcl/runtime/exceptions.h"
#include "vcl/controls/forms.h"

namespace vcl {

TScreen* Screen = nullptr;

namespace {

struct BuiltinCursor {
  TCursor number;
  LPCSTR id;
};
// The built-in cursors: the system's own, and the nearest system cursor for the few that
// the platform's library drew itself (drag, multi-drag, splitters).
const BuiltinCursor BuiltinCursors[] = {
    {crDefault, IDC_ARROW},    {crArrow, IDC_ARROW},       {crCross, IDC_CROSS},       {crIBeam, IDC_IBEAM},
    {crSizeNESW, IDC_SIZENESW}, {crSizeNS, IDC_SIZENS},     {crSizeNWSE, IDC_SIZENWSE}, {crSizeWE, IDC_SIZEWE},
    {crUpArrow, IDC_UPARROW},  {crHourGlass, IDC_WAIT},    {crDrag, IDC_ARROW},        {crNoDrop, IDC_NO},
    {crHSplit, IDC_SIZEWE},    {crVSplit, IDC_SIZENS},     {crMultiDrag, IDC_ARROW},   {crSQLWait, IDC_WAIT},
    {crNo, IDC_NO},            {crAppStart, IDC_APPSTARTING}, {crHelp, IDC_HELP},      {crHandPoint, IDC_HAND},
    {crSizeAll, IDC_SIZEALL},
};

int CALLBACK AddFontFamily(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM param) {
  try {
    auto* names = reinterpret_cast<std::set<std::string>*>(param);
    // Vertical variants ("@Name") are not families of their own.
    if (font->lfFaceName[0] != '@') names->insert(font->lfFaceName);
  } catch (...) {
    return 0;  // nothing may unwind into the platform
  }
  return 1;
}

std::unique_ptr<TFont> FontFromLogFont(const LOGFONTA& lf) {
  auto font = std::make_unique<TFont>();
  if (HFONT handle = CreateFontIndirectA(&lf)) font->SetHandle(handle);
  return font;
}

}  // namespace

TScreen::TScreen(TComponent* owner) : TComponent(owner), pixelsPerInch_(0) {}

TScreen::~TScreen() {
  for (auto& entry : ownedCursors_) DestroyCursor(entry.second);
}

// ---- Forms ------------------------------------------------------------------------------------

int TScreen::FormCount() const {
  return static_cast<int>(std::count_if(customForms_.begin(), customForms_.end(),
                                        [](TCustomForm* f) { return dynamic_cast<TForm*>(f) != nullptr; }));
}

TForm* TScreen::Forms(int index) const {
  if (index >= 0)
    for (TCustomForm* form : customForms_)
      if (auto* plain = dynamic_cast<TForm*>(form); plain && index-- == 0) return plain;
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

TForm* TScreen::ActiveForm() const { return dynamic_cast<TForm*>(activeCustomForm_); }

TCustomForm* TScreen::CustomForms(int index) const {
  if (index < 0 || index >= CustomFormCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return customForms_[static_cast<size_t>(index)];
}

void TScreen::AddForm(TCustomForm* form) { customForms_.push_back(form); }

void TScreen::RemoveForm(TCustomForm* form) {
  std::erase(customForms_, form);
  std::erase(saveFocusedList_, form);
  if (focusedForm_ == form) focusedForm_ = nullptr;
  if (activeCustomForm_ == form) {
    activeCustomForm_ = nullptr;
    activeControl_ = nullptr;
  }
  if (activeControl_ && GetParentForm(activeControl_) == form) activeControl_ = nullptr;
}

void TScreen::ControlDestroyed(TWinControl* control) {
  if (activeControl_ == control) activeControl_ = nullptr;
}

void TScreen::SetActive(TCustomForm* form, TWinControl* control) {
  bool controlChanged = activeControl_ != control;
  bool formChanged = activeCustomForm_ != form;
  activeControl_ = control;
  activeCustomForm_ = form;
  std::erase(customForms_, form);
  customForms_.insert(customForms_.begin(), form);
  if (controlChanged && OnActiveControlChange) OnActiveControlChange(this);
  if (formChanged && OnActiveFormChange) OnActiveFormChange(this);
}

// ---- Cursors ----------------------------------------------------------------------------------

void TScreen::LoadBuiltinCursors() {
  if (!cursors_.empty()) return;
  for (const BuiltinCursor& c : BuiltinCursors) cursors_[c.number] = LoadCursorA(nullptr, c.id);
  cursors_[crNone] = nullptr;
}

HCURSOR TScreen::Cursors(int index) const {
  const_cast<TScreen*>(this)->LoadBuiltinCursors();
  auto it = cursors_.find(index);
  if (it != cursors_.end()) return it->second;
  return cursors_.at(crDefault);
}

void TScreen::SetCursors(int index, HCURSOR cursor) {
  LoadBuiltinCursors();
  auto owned = ownedCursors_.find(index);
  if (owned != ownedCursors_.end()) {
    if (owned->second != cursor) DestroyCursor(owned->second);
    ownedCursors_.erase(owned);
  }
  if (!cursor) {
    // A built-in cursor comes back; a registered one goes.
    cursors_.erase(index);
    for (const BuiltinCursor& c : BuiltinCursors)
      if (c.number == index) cursors_[index] = LoadCursorA(nullptr, c.id);
    return;
  }
  cursors_[index] = cursor;
  ownedCursors_[index] = cursor;
}

void TScreen::SetCursor(TCursor value) {
  if (cursor_ == value) return;
  cursor_ = value;
  if (value != crDefault) {
    ::SetCursor(Cursors(value));
    return;
  }
  // Give the window under the mouse the chance to show its own cursor again.
  POINT p{};
  GetCursorPos(&p);
  HWND wnd = WindowFromPoint(p);
  if (wnd && GetWindowThreadProcessId(wnd, nullptr) == GetCurrentThreadId()) {
    LRESULT hit = SendMessageA(wnd, WM_NCHITTEST, 0, PointToLParam(p.x, p.y));
    SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(LOWORD(hit), WM_MOUSEMOVE));
  }
}

// ---- The display ------------------------------------------------------------------------------

int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

TRect TScreen::DesktopRect() const {
  int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (w <= 0 || h <= 0) return Rect(0, 0, Width(), Height());
  return Bounds(x, y, w, h);
}

TRect TScreen::WorkAreaRect() const {
  RECT r{};
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0)) r = Rect(0, 0, Width(), Height());
  return r;
}

TRect TScreen::MonitorWorkAreaRect(HWND wnd) const {
  HMONITOR monitor = MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (monitor && GetMonitorInfoA(monitor, &info)) return info.rcWork;
  return WorkAreaRect();
}

int TScreen::PixelsPerInch() const {
  if (pixelsPerInch_ == 0) const_cast<TScreen*>(this)->pixelsPerInch_ = ScreenPixelsPerInch();
  return pixelsPerInch_;
}

// ---- Fonts ------------------------------------------------------------------------------------

TStrings* TScreen::Fonts() {
  if (!fonts_) {
    std::set<std::string> names;
    HDC dc = GetDC(nullptr);
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExA(dc, &lf, AddFontFamily, reinterpret_cast<LPARAM>(&names), 0);
    ReleaseDC(nullptr, dc);
    fonts_ = std::make_unique<TStringList>();
    for (const std::string& name : names) fonts_->Add(name);
  }
  return fonts_.get();
}

void TScreen::ResetFonts() {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    hintFont_ = FontFromLogFont(metrics.lfStatusFont);
    menuFont_ = FontFromLogFont(metrics.lfMenuFont);
  } else {
    hintFont_ = std::make_unique<TFont>();
    menuFont_ = std::make_unique<TFont>();
  }
  LOGFONTA icon{};
  if (SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof(icon), &icon, 0))
    iconFont_ = FontFromLogFont(icon);
  else
    iconFont_ = std::make_unique<TFont>();
  fonts_.reset();
}

TFont* TScreen::HintFont() {
  if (!hintFont_) ResetFonts();
  return hintFont_.get();
}

TFont* TScreen::MenuFont() {
  if (!menuFont_) ResetFonts();
  return menuFont_.get();
}

TFont* TScreen::IconFont() {
  if (!iconFont_) ResetFonts();
  return iconFont_.get();
}

}  // namespace vcl
