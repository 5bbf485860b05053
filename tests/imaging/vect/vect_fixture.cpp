#include "tests/imaging/vect/vect_fixture.h"

#include "imaging/model/ie_bitmap.h"
#include "vcl/controls/application.h"

using namespace vcl;

namespace vect_test {

void Pump() { Application->ProcessMessages(); }

void VectWindow::SetUp() {
  errors.clear();
  Application->OnException = [this](TObject*, Exception* e) { errors.push_back(e->Message()); };
}

void VectWindow::TearDown() {
  form.reset();
  Pump();
  Application->OnException = nullptr;
  EXPECT_TRUE(errors.empty()) << errors.front();
}

imaging::TImageVect* VectWindow::MakeView(int32_t w, int32_t h) {
  form = std::make_unique<TForm>(nullptr);
  form->SetBounds(40, 40, 300, 250);
  view = new imaging::TImageVect(form.get());
  view->SetParent(form.get());
  view->SetBorderStyle(bsNone);
  view->SetScrollBars(ssNone);
  view->SetBounds(0, 0, 200, 150);
  form->Show();
  Pump();
  view->GetIEBitmap()->Allocate(w, h, imaging::ie24RGB);
  view->GetIEBitmap()->Fill(0xFFFFFF);
  view->Update();
  Pump();
  return view;
}

void VectWindow::Drag(int32_t x1, int32_t y1, int32_t x2, int32_t y2, WPARAM keys, int32_t steps) {
  HWND window = view->Handle();
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x1, y1));
  for (int32_t step = 1; step <= steps; ++step) {
    const int32_t x = x1 + (x2 - x1) * step / steps, y = y1 + (y2 - y1) * step / steps;
    SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON | keys, MAKELPARAM(x, y));
  }
  SendMessageA(window, WM_LBUTTONUP, keys, MAKELPARAM(x2, y2));
  Pump();
}

void VectWindow::Click(int32_t x, int32_t y, WPARAM keys) {
  HWND window = view->Handle();
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x, y));
  SendMessageA(window, WM_LBUTTONUP, keys, MAKELPARAM(x, y));
  Pump();
}

void VectWindow::DoubleClick(int32_t x, int32_t y, WPARAM keys) {
  HWND window = view->Handle();
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x, y));
  SendMessageA(window, WM_LBUTTONUP, keys, MAKELPARAM(x, y));
  SendMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON | keys, MAKELPARAM(x, y));
  SendMessageA(window, WM_LBUTTONUP, keys, MAKELPARAM(x, y));
  Pump();
}

uint32_t PixelAt(imaging::TIEBitmap* bitmap, int32_t x, int32_t y) {
  const imaging::TRGB p = bitmap->GetPixel24(x, y);
  return (uint32_t{p.r} << 16) | (uint32_t{p.g} << 8) | p.b;
}

std::unique_ptr<imaging::TIEBitmap> WhiteBitmap(int32_t w, int32_t h) {
  auto bitmap = std::make_unique<imaging::TIEBitmap>(w, h, imaging::ie24RGB);
  bitmap->Fill(0xFFFFFF);
  return bitmap;
}

}  // namespace vect_test
