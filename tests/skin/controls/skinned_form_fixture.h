// A form under the program's own skin ("ShineWhite (internal)", read from the skin folder the
// build draws), with controls made from form text, and the input a user gives them: keys,
// characters, clicks, the clipboard.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "skin/engine/skin_manager.h"
#include "vcl/classes/filer.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace controls_test {

// The skin folder's parent and name, as Wine paths.
inline std::string SkinFolderPath() {
  std::string path = MERGEON_INTERNAL_SKIN_FOLDER;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

// A manager that has loaded the internal skin (the default manager while it lives).
inline std::unique_ptr<skin::TsSkinManager> LoadInternalSkin() {
  std::unique_ptr<skin::TsSkinManager> manager(vcl::New<skin::TsSkinManager>(nullptr));
  const std::string folder = SkinFolderPath();
  const size_t slash = folder.find_last_of('\\');
  manager->SetSkinDirectory(folder.substr(0, slash));
  manager->SetSkinName(folder.substr(slash + 1));
  return manager;
}

// A form read from form text: `body` holds the objects inside the form.
struct FormFromText {
  std::unique_ptr<vcl::TForm> form{new vcl::TForm(nullptr)};

  explicit FormFromText(const std::string& body) {
    vcl::Application->OnException = [](vcl::TObject*, vcl::Exception* e) {
      ADD_FAILURE() << "unhandled exception: " << e->Message();
    };
    vcl::TStringStream stream("object Form: TForm\n  Left = 40\n  Top = 40\n  Width = 420\n  Height = 300\n" + body +
                              "end\n");
    vcl::ReadComponent(&stream, form.get());
    form->Show();
  }
  ~FormFromText() { form.reset(); }

  template <class T>
  T* Find(const char* name) const {
    auto* found = dynamic_cast<T*>(form->FindComponent(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
};

// ---- Input as a user gives it ----

inline void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// A key press through the window's queue, so that the form sees it as the platform delivers it.
inline void PressKey(HWND wnd, WORD key, bool alt = false) {
  const UINT down = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
  const UINT up = alt ? WM_SYSKEYUP : WM_KEYUP;
  const LPARAM altBit = alt ? (1 << 29) : 0;
  PostMessageA(wnd, down, key, 1 | altBit);
  Pump();
  PostMessageA(wnd, up, key, 1 | altBit | (1u << 30) | (1u << 31));
  Pump();
}

inline void TypeChars(HWND wnd, const std::string& text) {
  for (char c : text) PostMessageA(wnd, WM_CHAR, static_cast<unsigned char>(c), 1);
  Pump();
}

inline void SetClipboardText(const std::string& text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
  GlobalUnlock(block);
  SetClipboardData(CF_TEXT, block);
  CloseClipboard();
}

inline void ClickAt(HWND wnd, int x, int y) {
  SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  Pump();
}

inline std::string TextOf(HWND wnd) {
  char text[256] = {};
  GetWindowTextA(wnd, text, sizeof(text));
  return text;
}

// The pixels of a window (frame included) as WM_PRINT composes them.
inline std::unique_ptr<vcl::TBitmap> PrintWindowImage(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  auto image = std::make_unique<vcl::TBitmap>();
  image->SetPixelFormat(vcl::pf24bit);
  image->SetSize(r.right - r.left, r.bottom - r.top);
  SendMessageA(wnd, WM_PRINT, reinterpret_cast<WPARAM>(image->Canvas()->Handle()),
               PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
  return image;
}

inline uint32_t PixelAt(vcl::TBitmap* image, int x, int y) {
  return static_cast<uint32_t>(GetPixel(image->Canvas()->Handle(), x, y)) & 0xFFFFFF;
}

}  // namespace controls_test
