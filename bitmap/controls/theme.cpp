#include "bitmap/controls/theme.h"

#include "vcl/controls/messages.h"
#include "vcl/controls/utilwindow.h"
#include "vcl/runtime/proc_address.h"

namespace bitmap {

namespace {

// Left to the end of the process unless shut down: freeing it from a static destructor could
// run after the window machinery it uses is gone.
TThemeNexus*& NexusSlot() {
  static TThemeNexus* nexus = nullptr;
  return nexus;
}

template <class F>
void Resolve(HMODULE module, F& entry, const char* name) {
  entry = vcl::GetProcAddressAs<F>(module, name);
}

}  // namespace

TThemeNexus::TThemeNexus() {
  window_ = vcl::AllocateHWnd([this](vcl::TMessage& message) {
    if (message.Msg == WM_THEMECHANGED) ThemesChanged();
    message.Result = DefWindowProcA(window_, message.Msg, message.WParam, message.LParam);
  });
  OpenThemes();
}

TThemeNexus::~TThemeNexus() {
  CloseThemes();
  vcl::DeallocateHWnd(window_);
}

void TThemeNexus::ThemesChanged() {
  CloseThemes();
  OpenThemes();
}

void TThemeNexus::OpenThemes() {
  useThemes_ = false;
  LoadLibrary();
  if (!library_.Module) return;
  useThemes_ = library_.IsAppThemed() != FALSE && library_.IsThemeActive() != FALSE;
  if (!useThemes_) return;
  scrollbarTheme_ = library_.OpenThemeData(window_, reinterpret_cast<LPCWSTR>(u"SCROLLBAR"));
  globalsTheme_ = library_.OpenThemeData(window_, reinterpret_cast<LPCWSTR>(u"GLOBALS"));
}

void TThemeNexus::CloseThemes() {
  // With visual styles switched off there is nothing open to close; the library goes anyway.
  if (library_.Module && library_.IsAppThemed() && library_.IsThemeActive()) {
    for (HTHEME* theme : {&scrollbarTheme_, &globalsTheme_}) {
      if (*theme) library_.CloseThemeData(*theme);
      *theme = nullptr;
    }
  }
  UnloadLibrary();
}

void TThemeNexus::LoadLibrary() {
  if (library_.Module) return;
  HMODULE module = LoadLibraryA("uxtheme.dll");
  if (!module) return;
  library_.Module = module;
  Resolve(module, library_.OpenThemeData, "OpenThemeData");
  Resolve(module, library_.CloseThemeData, "CloseThemeData");
  Resolve(module, library_.DrawThemeBackground, "DrawThemeBackground");
  Resolve(module, library_.DrawThemeEdge, "DrawThemeEdge");
  Resolve(module, library_.GetThemeColor, "GetThemeColor");
  Resolve(module, library_.GetThemeMetric, "GetThemeMetric");
  Resolve(module, library_.GetThemeMargins, "GetThemeMargins");
  Resolve(module, library_.SetWindowTheme, "SetWindowTheme");
  Resolve(module, library_.IsThemeActive, "IsThemeActive");
  Resolve(module, library_.IsAppThemed, "IsAppThemed");
  Resolve(module, library_.EnableTheming, "EnableTheming");
  if (!library_.OpenThemeData || !library_.CloseThemeData || !library_.IsThemeActive ||
      !library_.IsAppThemed || !library_.EnableTheming)
    UnloadLibrary();
}

void TThemeNexus::UnloadLibrary() {
  if (library_.Module) FreeLibrary(library_.Module);
  library_ = TThemeLibrary{};
}

TThemeNexus& ThemeNexus() {
  TThemeNexus*& nexus = NexusSlot();
  if (!nexus) nexus = new TThemeNexus();
  return *nexus;
}

void ShutDownThemeService() {
  delete NexusSlot();
  NexusSlot() = nullptr;
}

void DrawScrollbarThemePart(HDC dc, int part, int state, const RECT& rect) {
  TThemeNexus& nexus = ThemeNexus();
  if (!nexus.UseThemes() || !nexus.ScrollbarTheme() || !nexus.Library().DrawThemeBackground) return;
  nexus.Library().DrawThemeBackground(nexus.ScrollbarTheme(), dc, part, state, &rect, nullptr);
}

}  // namespace bitmap
