// Shared pieces of the standard-control tests: a fixture that collects the exceptions reaching
// the application, a message pump with a safety limit, a form freed after the test, and placing
// controls and pressing keys in them.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"

class StdCtrlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    errors.clear();
    vcl::Application->OnException = [this](vcl::TObject*, vcl::Exception* e) { errors.push_back(e->Message()); };
  }
  void TearDown() override {
    vcl::Application->ProcessMessages();
    vcl::Application->OnException = nullptr;
    EXPECT_TRUE(errors.empty()) << errors.front();
  }

  // A shown form of the given client size, freed at the end of the test.
  vcl::TForm* NewForm(int width = 400, int height = 300) {
    forms_.push_back(std::make_unique<vcl::TForm>(nullptr));
    vcl::TForm* form = forms_.back().get();
    form->SetBounds(100, 100, width, height);
    return form;
  }

  // The messages of the exceptions that reached Application->HandleException.
  std::vector<std::string> errors;

 private:
  std::vector<std::unique_ptr<vcl::TForm>> forms_;
};

// Handles messages until `done` is true; false when it is still not true after `limitMs` of
// waiting, which only guards against a hanging test.
inline bool PumpUntil(const std::function<bool()>& done, int limitMs = 5000) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (static_cast<int>(GetTickCount() - start) > limitMs) return false;
    vcl::Application->ProcessMessages();
    if (done()) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

// A control of class T placed on `parent` at the given bounds, owned by the parent.
template <class T>
T* Place(vcl::TWinControl* parent, int left, int top, int width, int height) {
  auto* control = new T(parent);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  return control;
}

// The window class name of a control's window.
inline std::string WindowClass(HWND wnd) {
  char name[64] = {};
  GetClassNameA(wnd, name, sizeof(name));
  return name;
}

// A key pressed and released in a window (the messages only, no character).
inline void PressKey(HWND wnd, WORD key) {
  SendMessageA(wnd, WM_KEYDOWN, key, 1);
  SendMessageA(wnd, WM_KEYUP, key, 0xC0000001);
}

// Handles what is pending now.
inline void Pump() { vcl::Application->ProcessMessages(); }
