#include "tests/imaging/view/view_fixture.h"

#include "imaging/model/ie_bitmap.h"
#include "vcl/controls/application.h"

using namespace vcl;

namespace view_fixture {

void Pump() { Application->ProcessMessages(); }

imaging::TImageView* ViewWindow::MakeView(const std::string& extra) {
  view = dynamic_cast<imaging::TImageView*>(ShowForm(TRect{40, 40, 340, 290}, "TImageView", "View", 200, 150, extra));
  return view;
}

void ViewWindow::SetImage(int32_t w, int32_t h, double value) {
  view->GetIEBitmap()->Allocate(w, h, imaging::ie24RGB);
  view->GetIEBitmap()->Fill(value);
  view->Update();
}

}  // namespace view_fixture
