// What the tests of the image controls and bars share: a fixture that collects the exceptions
// reaching the application, a message pump with a safety limit, a shown form to put controls
// on, and form text reading and writing.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bitmap/engine/bitmap32.h"
#include "vcl/controls/forms.h"

namespace controls_fixture {

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A form at (50, 50), shown; freed at the end of the test with everything on it.
  vcl::TForm* ShownForm(int clientWidth = 400, int clientHeight = 300);

  // The messages of the exceptions that reached Application->HandleException.
  std::vector<std::string> errors;
  std::unique_ptr<vcl::TForm> form;
};

// Handles messages until `done` is true; false when it is still not true after `limitMs`
// (only a guard against a hanging test).
bool PumpUntil(const std::function<bool()>& done, int limitMs = 5000);
// Handles whatever is queued now.
void Pump();

// The window's client area as the platform paints it, read into a bitmap.
std::unique_ptr<bitmap::TBitmap32> CaptureClient(vcl::TWinControl* control);

// Form text of a component tree, and a tree read from form text into `root`.
std::string WriteFormText(vcl::TComponent* root);
void ReadFormText(const std::string& text, vcl::TComponent* root);
// The "Data" block of a bitmap as form text writes it: {hex}.
std::string BitmapDataText(const bitmap::TBitmap32& bitmap);

}  // namespace controls_fixture
