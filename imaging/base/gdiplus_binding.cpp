#include "imaging/base/gdiplus_binding.h"

#include "imaging/base/gdiplus_api.h"
#include "vcl/runtime/proc_address.h"

namespace imaging {

namespace {

using StartupFn = decltype(&Gdiplus::GdiplusStartup);
using ShutdownFn = decltype(&Gdiplus::GdiplusShutdown);

struct TBinding {
  bool useSwitch = true;
  HMODULE module = nullptr;
  int useCount = 0;
  ULONG_PTR token = 0;
  ShutdownFn shutdown = nullptr;
  gdiplus::TGDIPlusApi api;
};

TBinding& Binding() {
  static TBinding binding;
  return binding;
}

template <class Fn>
bool Resolve(HMODULE module, Fn& fn, const char* name) {
  fn = vcl::GetProcAddressAs<Fn>(module, name);
  return fn != nullptr;
}

// Resolves every function the canvas calls; a library that lacks one counts as absent.
bool ResolveAll(HMODULE module, gdiplus::TGDIPlusApi& api) {
#define IMAGING_RESOLVE(name) ok = Resolve(module, api.name, #name) && ok;
  bool ok = true;
  IMAGING_RESOLVE(GdipCreateFromHDC)
  IMAGING_RESOLVE(GdipDeleteGraphics)
  IMAGING_RESOLVE(GdipSetSmoothingMode)
  IMAGING_RESOLVE(GdipCreatePen1)
  IMAGING_RESOLVE(GdipDeletePen)
  IMAGING_RESOLVE(GdipSetPenWidth)
  IMAGING_RESOLVE(GdipSetPenColor)
  IMAGING_RESOLVE(GdipSetPenDashStyle)
  IMAGING_RESOLVE(GdipSetPenLineJoin)
  IMAGING_RESOLVE(GdipCreateSolidFill)
  IMAGING_RESOLVE(GdipCreateHatchBrush)
  IMAGING_RESOLVE(GdipDeleteBrush)
  IMAGING_RESOLVE(GdipDrawLine)
  IMAGING_RESOLVE(GdipFillRectangle)
  IMAGING_RESOLVE(GdipDrawRectangle)
  IMAGING_RESOLVE(GdipDrawEllipse)
  IMAGING_RESOLVE(GdipFillEllipse)
  IMAGING_RESOLVE(GdipDrawPolygonI)
  IMAGING_RESOLVE(GdipFillPolygonI)
  IMAGING_RESOLVE(GdipDrawLinesI)
  IMAGING_RESOLVE(GdipDrawArc)
  IMAGING_RESOLVE(GdipCreatePath)
  IMAGING_RESOLVE(GdipAddPathArc)
  IMAGING_RESOLVE(GdipAddPathLine)
  IMAGING_RESOLVE(GdipDrawPath)
  IMAGING_RESOLVE(GdipFillPath)
  IMAGING_RESOLVE(GdipDeletePath)
#undef IMAGING_RESOLVE
  return ok;
}

}  // namespace

const gdiplus::TGDIPlusApi& gdiplus::Api() { return Binding().api; }

void LoadGDIPlus() {
  TBinding& b = Binding();
  ++b.useCount;
  if (!b.useSwitch || b.module) return;
  HMODULE module = LoadLibraryA("gdiplus.dll");
  if (!module) return;
  StartupFn startup = nullptr;
  ShutdownFn shutdown = nullptr;
  gdiplus::TGDIPlusApi api;
  Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread on
  ULONG_PTR token = 0;
  if (!Resolve(module, startup, "GdiplusStartup") || !Resolve(module, shutdown, "GdiplusShutdown") ||
      !ResolveAll(module, api) || startup(&token, &input, nullptr) != Gdiplus::Ok) {
    FreeLibrary(module);
    return;
  }
  b.module = module;
  b.token = token;
  b.shutdown = shutdown;
  b.api = api;
}

void UnloadGDIPlus() {
  TBinding& b = Binding();
  if (b.useCount > 0) --b.useCount;
  if (!b.module || b.useCount > 0) return;
  b.shutdown(b.token);
  FreeLibrary(b.module);
  b.module = nullptr;
  b.token = 0;
  b.api = {};
}

bool IsGDIPlusLoaded() { return Binding().module != nullptr; }

bool IsGDIPlusAvailable() { return Binding().useSwitch && IsGDIPlusLoaded(); }

void ResetGDIPlusState() {
  TBinding& b = Binding();
  b.useSwitch = true;
  b.module = nullptr;
  b.useCount = 0;
}

}  // namespace imaging
