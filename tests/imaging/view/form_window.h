// A test that shows one form read from form data, holding the control under test. Exceptions
// the application reports while the test runs are collected; the test ends expecting none.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "vcl/controls/forms.h"

namespace form_window {

class FormWindow : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Runs what is queued for this thread after the form shows and after it goes.
  virtual void PumpMessages();
  // Reads a form at `formBounds` holding one control of class `type` named `name` at (0, 0),
  // `width` x `height`, with no border and no scroll bars unless `extra` says otherwise; shows
  // it and returns the control.
  vcl::TComponent* ShowForm(const vcl::TRect& formBounds, const std::string& type, const std::string& name,
                            int32_t width, int32_t height, const std::string& extra);

  std::vector<std::string> errors;
  std::unique_ptr<vcl::TForm> form;
};

}  // namespace form_window
