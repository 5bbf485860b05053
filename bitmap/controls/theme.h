// The process-wide theme service through which the engine's bars and size grip draw with the
// platform's visual style. The theme library is loaded at run time and every entry point is
// looked up, so that a platform without visual styles (or with them switched off) simply leaves
// UseThemes false and the controls draw classically. A hidden utility window follows the
// platform's theme-change message and opens the themes again.
#pragma once

#include "vcl/runtime/system.h"
#include "vcl/runtime/win.h"

namespace bitmap {

// The theme library's handle type (an opaque pointer).
using HTHEME = HANDLE;

// The entry points of the theme library; each is nullptr while the library is not loaded.
struct TThemeLibrary {
  using TOpenThemeData = HTHEME(WINAPI*)(HWND, LPCWSTR);
  using TCloseThemeData = HRESULT(WINAPI*)(HTHEME);
  using TDrawThemeBackground = HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*);
  using TDrawThemeEdge = HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, UINT, UINT, RECT*);
  using TGetThemeColor = HRESULT(WINAPI*)(HTHEME, int, int, int, COLORREF*);
  using TGetThemeMetric = HRESULT(WINAPI*)(HTHEME, HDC, int, int, int, int*);
  using TGetThemeMargins = HRESULT(WINAPI*)(HTHEME, HDC, int, int, int, RECT*, void*);
  using TSetWindowTheme = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  using TIsThemeActive = BOOL(WINAPI*)();
  using TIsAppThemed = BOOL(WINAPI*)();
  using TEnableTheming = HRESULT(WINAPI*)(BOOL);

  HMODULE Module = nullptr;
  TOpenThemeData OpenThemeData = nullptr;
  TCloseThemeData CloseThemeData = nullptr;
  TDrawThemeBackground DrawThemeBackground = nullptr;
  TDrawThemeEdge DrawThemeEdge = nullptr;
  TGetThemeColor GetThemeColor = nullptr;
  TGetThemeMetric GetThemeMetric = nullptr;
  TGetThemeMargins GetThemeMargins = nullptr;
  TSetWindowTheme SetWindowTheme = nullptr;
  TIsThemeActive IsThemeActive = nullptr;
  TIsAppThemed IsAppThemed = nullptr;
  TEnableTheming EnableTheming = nullptr;
};

// The one theme service of the process. Made on first use (on the main thread, which paints),
// it lives until ShutDownThemeService or the end of the process.
class TThemeNexus : public vcl::TObject {
  VCL_CLASS(TThemeNexus, vcl::TObject)
  // Makes the utility window, then opens the themes.
  TThemeNexus();
  // Closes the themes and releases the utility window.
  ~TThemeNexus() override;

  // Themed drawing is available now.
  bool UseThemes() const { return useThemes_; }
  // The handle of the "SCROLLBAR" theme class; nullptr while themes are off.
  HTHEME ScrollbarTheme() const { return scrollbarTheme_; }
  const TThemeLibrary& Library() const { return library_; }
  HWND WindowHandle() const { return window_; }

  // What the theme-change message does: close the themes, then open them again.
  void ThemesChanged();

 private:
  void OpenThemes();
  void CloseThemes();
  void LoadLibrary();
  void UnloadLibrary();

  HWND window_ = nullptr;
  TThemeLibrary library_;
  HTHEME scrollbarTheme_ = nullptr;
  HTHEME globalsTheme_ = nullptr;
  bool useThemes_ = false;
};

// The service, made on the first call.
TThemeNexus& ThemeNexus();
// Frees the service (the next ThemeNexus call makes a new one).
void ShutDownThemeService();

// Shorthands the painters read.
inline bool UseThemes() { return ThemeNexus().UseThemes(); }
inline HTHEME ScrollbarTheme() { return ThemeNexus().ScrollbarTheme(); }
// Draws a part of the scroll-bar theme; nothing when themes are off.
void DrawScrollbarThemePart(HDC dc, int part, int state, const RECT& rect);

}  // namespace bitmap
