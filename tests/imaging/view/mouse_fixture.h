// A shown view driven by real mouse messages: the cursor is put where each message says, so
// that code polling the cursor during a drag sees what a user's mouse would show.
#pragma once

#include <cstdint>
#include <vector>

#include "tests/imaging/view/view_fixture.h"
#include "vcl/runtime/win.h"

namespace view_fixture {

class MouseView : public ViewWindow {
 protected:
  // A 200 x 150 client showing a 100 x 100 picture at zoom 100: client (x, y) is bitmap
  // (x - 50, y - 25).
  void MakeMouseView(int32_t w = 100, int32_t h = 100);
  // Composes and paints once, so that every layer's drawn rectangle is known.
  void Settle();
  void Send(UINT message, int32_t x, int32_t y, WPARAM keys = 0);
  // Press at the first point, move through the others with the button held, release at the last.
  void Drag(const std::vector<POINT>& path, WPARAM keys = 0, bool right = false);
  void Click(int32_t x, int32_t y, WPARAM keys = 0, bool right = false) { Drag({{x, y}}, keys, right); }
  // The selection's mask box as (x1, y1, x2, y2), inclusive; (-1, -1, -1, -1) for an empty mask.
  RECT MaskBox();
};

}  // namespace view_fixture
