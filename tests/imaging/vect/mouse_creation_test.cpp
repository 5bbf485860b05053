// Objects created with synthetic mouse gestures on the real window.
#include <gtest/gtest.h>

#include "imaging/vect/image_vect.h"
#include "tests/imaging/vect/vect_fixture.h"

using namespace imaging;
using namespace vect_test;

namespace {

struct Gesture {
  const char* name;
  TIEVectMouseModes mode;
  int32_t x1, y1, x2, y2;
  WPARAM keys;
  uint8_t kind;
  RECT expected;  // X1, Y1, X2, Y2 of the new object
};

class CreateByDrag : public VectWindow, public ::testing::WithParamInterface<Gesture> {};

TEST_P(CreateByDrag, GivesTheObjectAtTheGesturesBitmapPoints) {
  const Gesture& g = GetParam();
  MakeView();
  view->SetMouseInteractVt(g.mode);
  int32_t created = -99;
  view->OnNewObject = [&](vcl::TObject*, int32_t hobj) { created = hobj; };
  Drag(g.x1, g.y1, g.x2, g.y2, g.keys);
  ASSERT_EQ(view->ObjectsCount(), 1) << g.name;
  EXPECT_EQ(created, 0) << g.name;
  TIEVectorObject* r = view->GetObjectRecord(0);
  EXPECT_EQ(r->Kind, g.kind) << g.name;
  EXPECT_EQ(r->X1, g.expected.left) << g.name;
  EXPECT_EQ(r->Y1, g.expected.top) << g.name;
  EXPECT_EQ(r->X2, g.expected.right) << g.name;
  EXPECT_EQ(r->Y2, g.expected.bottom) << g.name;
  EXPECT_TRUE(view->IsSelObject(0)) << g.name;
  EXPECT_EQ(view->CurrentAction(), 0) << g.name;
}

INSTANTIATE_TEST_SUITE_P(
    Gestures, CreateByDrag,
    ::testing::Values(
        Gesture{"line keeps its direction", vmDrawLine, 100, 80, 20, 30, kNone, vkLine, {100, 80, 20, 30}},
        Gesture{"line with Ctrl snaps to the diagonal", vmDrawLine, 10, 10, 60, 55, kCtrl, vkLine, {10, 10, 60, 60}},
        Gesture{"box corners are ordered", vmDrawBox, 120, 90, 30, 40, kNone, vkBox, {30, 40, 120, 90}},
        Gesture{"box with Ctrl is a square", vmDrawBox, 10, 10, 70, 40, kCtrl, vkBox, {10, 10, 70, 70}},
        Gesture{"ellipse", vmDrawEllipse, 20, 20, 80, 60, kNone, vkEllipse, {20, 20, 80, 60}},
        Gesture{"text", vmDrawText, 15, 25, 95, 45, kNone, vkText, {15, 25, 95, 45}},
        Gesture{"memo", vmDrawMemo, 15, 25, 95, 85, kNone, vkMemo, {15, 25, 95, 85}},
        Gesture{"ruler", vmDrawRuler, 150, 20, 30, 20, kNone, vkRuler, {150, 20, 30, 20}},
        Gesture{"line with label", vmDrawLineLabel, 40, 100, 90, 50, kNone, vkLineLabel, {40, 100, 90, 50}},
        Gesture{"bitmap", vmDrawBitmap, 50, 50, 10, 20, kNone, vkBitmap, {10, 20, 50, 50}},
        Gesture{"drag past the image is clamped", vmDrawBox, 150, 100, 250, 190, kNone, vkBox, {150, 100, 199, 149}}),
    [](const ::testing::TestParamInfo<Gesture>& info) { return "case" + std::to_string(info.index); });

}  // namespace
