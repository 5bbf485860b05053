// A shown form holding one vector view over a white image, and synthetic mouse gestures sent
// to its window, for the vector view tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/vect/image_vect.h"
#include "vcl/controls/forms.h"

namespace vect_test {

// Key flags of a gesture (the MK_ flags the window receives).
constexpr WPARAM kNone = 0, kShift = MK_SHIFT, kCtrl = MK_CONTROL;

class VectWindow : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A 200 x 150 view, no border or scroll bars, showing a white image of w x h.
  imaging::TImageVect* MakeView(int32_t w = 200, int32_t h = 150);

  // Press, moves in `steps` equal steps, release, at client points.
  void Drag(int32_t x1, int32_t y1, int32_t x2, int32_t y2, WPARAM keys = kNone, int32_t steps = 4);
  void Click(int32_t x, int32_t y, WPARAM keys = kNone);
  void DoubleClick(int32_t x, int32_t y, WPARAM keys = kNone);

  std::vector<std::string> errors;
  std::unique_ptr<vcl::TForm> form;
  imaging::TImageVect* view = nullptr;
};

void Pump();

// An application object that stores one number of its own after the record.
class StarObject : public imaging::TIEVectExtendedObject {
  VCL_CLASS(StarObject, imaging::TIEVectExtendedObject)
  explicit StarObject(int32_t points = 5) : points_(points) {}
  std::unique_ptr<imaging::TIEVectExtendedObject> Clone() const override {
    return std::make_unique<StarObject>(points_);
  }
  void SaveToStream(vcl::TStream* stream) override;
  void LoadFromStream(vcl::TStream* stream) override;
  int32_t points_;
};
// Registers StarObject under its class name.
void RegisterStarObject();

// One object of every kind (1 to 12) with values that differ from the template's: two bitmap
// objects sharing one picture, a memo with two character formats, a curved text, a closed
// polyline, an angle, a ruler, a labelled line, user data and a soft shadow.
void AddObjectsOfEveryKind(imaging::TImageVect* view);
// The view's objects as an IEV stream.
std::vector<uint8_t> SavedObjects(imaging::TImageVect* view);
// Every stored field of two records is equal.
void ExpectSameObject(const imaging::TIEVectorObject& a, const imaging::TIEVectorObject& b, const std::string& what);

// The colour of a pixel of a 24-bit bitmap as 0xRRGGBB.
uint32_t PixelAt(imaging::TIEBitmap* bitmap, int32_t x, int32_t y);
// A white 24-bit bitmap.
std::unique_ptr<imaging::TIEBitmap> WhiteBitmap(int32_t w, int32_t h);

}  // namespace vect_test
