// A shown form holding one image view read from form data, for the view tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/view/image_view.h"
#include "tests/imaging/view/form_window.h"
#include "vcl/controls/forms.h"

namespace view_fixture {

class ViewWindow : public form_window::FormWindow {
 protected:
  // Reads a form with one TImageView named View (client 200 x 150, no border, no scroll bars
  // unless `extra` says otherwise) and shows it.
  imaging::TImageView* MakeView(const std::string& extra = "");
  // Gives the current layer a w x h 24-bit image filled with `value`, then updates.
  void SetImage(int32_t w, int32_t h, double value = 0);

  imaging::TImageView* view = nullptr;
};

void Pump();

}  // namespace view_fixture
