// Painting: a custom-painted control paints into its window, its graphic children are painted
// over it in z-order, and PaintTo reproduces the whole on another surface.
#include <gtest/gtest.h>

#include "controls_test_util.h"

using namespace vcl;
using namespace controls_test;

namespace {

class PaintTest : public ControlsTest {};

TEST_F(PaintTest, CustomControlPaintsItsWindowOnWmPaint) {
  auto form = NewTestForm();
  auto* control = new TSolidControl(form.get());
  control->SetParent(form.get());
  control->SetBounds(10, 10, 50, 40);
  form->Show();
  ASSERT_TRUE(PumpUntil([&] { return control->Paints() > 0; }));
  // What the window shows: read back through the window's own DC.
  HDC dc = GetDC(control->Handle());
  COLORREF pixel = GetPixel(dc, 5, 5);
  ReleaseDC(control->Handle(), dc);
  EXPECT_EQ(pixel, RGB(255, 0, 0));
}

}  // namespace
