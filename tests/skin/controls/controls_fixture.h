// The skinned-control tests' fixture: the program's own skin loaded from the skin folder the
// build draws, a shown form to put controls on, the exceptions that reached the application,
// and small helpers to pump messages and read the pixels a control shows.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/skin_manager.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"

namespace controls_test {

// The folder of the internal skin as a Windows path, and the parent folder and name that a
// manager loads it by.
inline std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

class SkinnedControls : public ::testing::Test {
 protected:
  void SetUp() override {
    errors.clear();
    vcl::Application->OnException = [this](vcl::TObject*, vcl::Exception* e) { errors.push_back(e->Message()); };
    form = std::make_unique<vcl::TForm>(nullptr);
    form->SetBounds(50, 50, 420, 320);
    form->Show();
  }
  void TearDown() override {
    Pump();
    form.reset();
    manager.reset();
    vcl::Application->OnException = nullptr;
    EXPECT_TRUE(errors.empty()) << errors.front();
  }

  // Loads the internal skin into a new default manager.
  void ActivateSkin() {
    std::string folder = WindowsPath(MERGEON_INTERNAL_SKIN_FOLDER);
    size_t slash = folder.find_last_of('\\');
    manager.reset(vcl::New<skin::TsSkinManager>(nullptr));
    manager->SetSkinDirectory(folder.substr(0, slash));
    manager->SetSkinName(folder.substr(slash + 1));
    ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
  }
  void RemoveSkin() { manager->SetActive(false); }

  // Places a control on the form (or on `parent`) and gives the pending messages a turn.
  template <class T>
  T* Add(vcl::TWinControl* parent, int left, int top, int width, int height) {
    T* control = vcl::New<T>(form.get());
    control->SetParent(parent ? parent : form.get());
    control->SetBounds(left, top, width, height);
    return control;
  }

  static void Pump() { vcl::Application->ProcessMessages(); }
  static bool PumpUntil(const std::function<bool()>& done, int limitMs = 3000) {
    DWORD start = GetTickCount();
    while (!done()) {
      if (int(GetTickCount() - start) > limitMs) return false;
      vcl::Application->ProcessMessages();
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
  }

  // What the form's client area shows at a point, painted now (RGB, red in the high byte).
  uint32_t FormPixel(int x, int y) {
    auto image = skin::CreateBmp24(form->ClientWidth(), form->ClientHeight());
    HDC dc = image->Canvas()->Handle();
    form->PaintTo(dc, 0, 0);
    COLORREF c = GetPixel(dc, x, y);
    return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
  }

  std::vector<std::string> errors;
  std::unique_ptr<skin::TsSkinManager> manager;
  std::unique_ptr<vcl::TForm> form;
};

// RGB of a TColor / COLORREF value (red in the low byte) as 0xRRGGBB.
inline uint32_t Rgb(uint32_t colorRef) {
  return (colorRef & 0xFF) << 16 | (colorRef & 0xFF00) | (colorRef >> 16 & 0xFF);
}

}  // namespace controls_test
