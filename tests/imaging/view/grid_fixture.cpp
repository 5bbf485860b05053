#include "tests/imaging/view/grid_fixture.h"

#include "vcl/controls/application.h"
#include "vcl/runtime/threads.h"
#include "vcl/runtime/win.h"

using namespace vcl;

namespace grid_fixture {

void Pump() {
  Application->ProcessMessages();
  CheckSynchronize();
}

uint32_t Colour(int32_t i) {
  const uint32_t r = (37 * i + 20) & 0xFF, g = (91 * i + 60) & 0xFF, b = (53 * (i / 7) + 100 + i) & 0xFF;
  return (r << 16) | (g << 8) | b;
}

std::unique_ptr<imaging::TIEBitmap> SolidBitmap(int32_t w, int32_t h, uint32_t colour) {
  auto bitmap = std::make_unique<imaging::TIEBitmap>(w, h, imaging::ie24RGB);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      bitmap->SetPixel24(x, y, imaging::TRGB{static_cast<uint8_t>(colour & 0xFF),
                                             static_cast<uint8_t>((colour >> 8) & 0xFF),
                                             static_cast<uint8_t>(colour >> 16)});
  return bitmap;
}

uint32_t StoredCentreColour(imaging::TImageMView* grid, int32_t index) {
  imaging::TIEBitmap* bitmap = grid->GetTIEBitmap(index);
  if (!bitmap) return 0xFFFFFFFF;
  imaging::TRGB p = bitmap->GetPixelRGB(bitmap->Width() / 2, bitmap->Height() / 2);
  grid->ReleaseBitmap(bitmap, false);
  return (uint32_t(p.r) << 16) | (uint32_t(p.g) << 8) | p.b;
}

uint32_t BufferPixel(imaging::TImageMView* grid, int32_t x, int32_t y) {
  imaging::TRGB p = grid->BackBuffer()->GetPixel24(x, y);
  return (uint32_t(p.r) << 16) | (uint32_t(p.g) << 8) | p.b;
}

void GridWindow::PumpMessages() { Pump(); }

imaging::TImageMView* GridWindow::MakeGrid(const std::string& extra) {
  grid = dynamic_cast<imaging::TImageMView*>(ShowForm(TRect{20, 20, 580, 500}, "TImageMView", "Grid", 500, 400, extra));
  return grid;
}

void GridWindow::AddImages(int32_t n, int32_t w, int32_t h) {
  for (int32_t i = 0; i < n; ++i) {
    const int32_t index = grid->AppendImage();
    auto bitmap = SolidBitmap(w, h, Colour(index));
    grid->SetImageEx(index, bitmap.get());
  }
}

void GridWindow::PaintNow() {
  grid->Invalidate();
  ::UpdateWindow(grid->Handle());
}

bool GridWindow::PumpUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 4000; ++i) {
    Pump();
    if (done()) return true;
    ::Sleep(1);
  }
  return done();
}

}  // namespace grid_fixture
