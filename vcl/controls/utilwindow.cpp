// Utility windows: a hidden window per object whose messages go to a method of that object.
#include "vcl/controls/utilwindow.h"

#include <memory>

#include "vcl/controls/application.h"
#include "vcl/runtime/sysutils.h"

namespace vcl {

namespace {

constexpr const char* UtilWindowClassName = "TPUtilWindow";

LRESULT CALLBACK UtilWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* slot = reinterpret_cast<std::shared_ptr<TUtilWindowMethod>*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (!slot || !*slot) return DefWindowProcA(wnd, msg, wParam, lParam);
  // A second owner of the method: DeallocateHWnd inside the method leaves it alive until
  // the call returns.
  std::shared_ptr<TUtilWindowMethod> method = *slot;
  TMessage message(msg, wParam, lParam);
  try {
    (*method)(message);
  } catch (...) {
    try {
      if (Application) Application->HandleException(Application);
    } catch (...) {
    }
  }
  return message.Result;
}

}  // namespace

HWND AllocateHWnd(TUtilWindowMethod method) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (!GetClassInfoA(instance, UtilWindowClassName, &wc)) {
    wc = WNDCLASSA{};
    wc.lpfnWndProc = UtilWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = UtilWindowClassName;
    if (!RegisterClassA(&wc)) RaiseLastOSError();
  }
  HWND wnd = CreateWindowExA(WS_EX_TOOLWINDOW, UtilWindowClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                             instance, nullptr);
  if (!wnd) RaiseLastOSError();
  auto* slot = new std::shared_ptr<TUtilWindowMethod>(std::make_shared<TUtilWindowMethod>(std::move(method)));
  SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(slot));
  return wnd;
}

void DeallocateHWnd(HWND wnd) {
  if (!wnd) return;
  auto* slot = reinterpret_cast<std::shared_ptr<TUtilWindowMethod>*>(SetWindowLongPtrA(wnd, GWLP_USERDATA, 0));
  DestroyWindow(wnd);
  delete slot;
}

}  // namespace vcl
