// A shown form holding one thumbnail grid read from form data, for the grid tests.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/model/ie_bitmap.h"
#include "imaging/view/thumbnail_grid.h"
#include "tests/imaging/view/form_window.h"
#include "vcl/controls/forms.h"

namespace grid_fixture {

class GridWindow : public form_window::FormWindow {
 protected:
  // The message loop and the calls queued for this thread.
  void PumpMessages() override;
  // Reads a form with one TImageMView named Grid (500 x 400, no border, no scroll bars unless
  // `extra` says otherwise) and shows it.
  imaging::TImageMView* MakeGrid(const std::string& extra = "");
  // Appends n images of w x h, image i filled with Colour(i).
  void AddImages(int32_t n, int32_t w = 40, int32_t h = 30);
  // Paints the grid into its back buffer now (as a paint message would).
  void PaintNow();
  // Runs the message loop and the calls queued for this thread until `done` holds, at most a
  // few seconds.
  bool PumpUntil(const std::function<bool()>& done);

  imaging::TImageMView* grid = nullptr;
};

// A distinct opaque colour per number (0x00RRGGBB).
uint32_t Colour(int32_t i);
std::unique_ptr<imaging::TIEBitmap> SolidBitmap(int32_t w, int32_t h, uint32_t colour);
// The colour of the stored image's centre pixel (0x00RRGGBB), or 0xFFFFFFFF when there is none.
uint32_t StoredCentreColour(imaging::TImageMView* grid, int32_t index);
// A back-buffer pixel (0x00RRGGBB) at client coordinates.
uint32_t BufferPixel(imaging::TImageMView* grid, int32_t x, int32_t y);
void Pump();

}  // namespace grid_fixture
