// Shared pieces of the control tests: a fixture that collects the exceptions reaching the
// application (instead of a message box), a message pump with a safety limit, and small
// controls that record what happens to them.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vcl/controls/application.h"
#include "vcl/controls/controls.h"
#include "vcl/controls/forms.h"
#include "tests/support/pixel_surface.h"

namespace controls_test {

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The messages of the exceptions that reached Application->HandleException.
  std::vector<std::string> errors;
};

// Handles messages (waiting for them) until `done` is true; false when it is still not true
// after `limitMs` of waiting, which only guards against a hanging test.
bool PumpUntil(const std::function<bool()>& done, int limitMs = 5000);
// The same through Application->HandleMessage, so that the idle work between messages runs
// too (a timer keeps the loop from waiting for ever).
bool HandleMessagesUntil(const std::function<bool()>& done, int limitMs = 5000);

// A form freed at the end of the test.
std::unique_ptr<vcl::TForm> NewTestForm(int width = 400, int height = 300);

// A windowed container that paints nothing of its own: a stand-in for a panel.
class TTestPanel : public vcl::TCustomControl {
  VCL_CLASS(TTestPanel, vcl::TCustomControl)
  explicit TTestPanel(vcl::TComponent* owner);
};

// A windowed control that fills its client area with one colour and counts its paints.
class TSolidControl : public vcl::TCustomControl {
  VCL_CLASS(TSolidControl, vcl::TCustomControl)
  explicit TSolidControl(vcl::TComponent* owner);
  int Paints() const { return paints_; }
  vcl::TColor Fill = vcl::clRed;

 protected:
  void Paint() override;

 private:
  int paints_ = 0;
};

// A windowless control that fills its rectangle with one colour.
class TSolidGraphic : public vcl::TGraphicControl {
  VCL_CLASS(TSolidGraphic, vcl::TGraphicControl)
  explicit TSolidGraphic(vcl::TComponent* owner);
  vcl::TColor Fill = vcl::clBlue;
  int Paints() const { return paints_; }

 protected:
  void Paint() override;

 private:
  int paints_ = 0;
};

// The painted-pixels surface the other test folders use too.
using ::TPixelSurface;

}  // namespace controls_test
