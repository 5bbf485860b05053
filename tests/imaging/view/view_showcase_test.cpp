// A view of three layers at 133 % with layer 0 moved off the origin, and a navigator that shades
// what the view does not show. The test paints them and checks the shading and the background
// where layer 0 was; with MERGEON_SHOWCASE_SECONDS set the form also stays on screen that long,
// so that a screenshot under a real display shows them:
//   MERGEON_SHOWCASE_SECONDS=8 shared/tools/screenshot out.png 6
//     build-X/tests/imaging_view_tests.exe --gtest_filter=ViewShowcase.*
// (one command line)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/model/ie_bitmap.h"
#include "imaging/view/image_view.h"
#include "tests/support/showcase_form.h"
#include "vcl/controls/application.h"
#include "vcl/graphics/bitmap.h"

using namespace imaging;

namespace {

void Fill(TIEBitmap* bitmap, int32_t w, int32_t h, uint32_t (*colour)(int32_t, int32_t)) {
  bitmap->Allocate(w, h, ie24RGB);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t c = colour(x, y);
      bitmap->SetPixel24(x, y, TRGB{uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
    }
}

TEST(ViewShowcase, LayersAtAFractionalZoomAndAShadingNavigator) {
  TShowcaseForm showcase("Image view", 20, 20, 720, 440);
  vcl::TForm* form = showcase.Form();
  auto* view = new TImageView(form);
  view->SetParent(form);
  view->SetBorderStyle(vcl::bsNone);
  view->SetBounds(0, 0, 460, 400);
  view->SetBackground(0x404040);
  auto* navigator = new TImageView(form);
  navigator->SetParent(form);
  navigator->SetBorderStyle(vcl::bsNone);
  navigator->SetScrollBars(vcl::ssNone);
  navigator->SetBounds(470, 0, 240, 180);
  navigator->SetBackground(0x404040);
  form->Show();

  // Layer 0: a grid of 20-pixel squares, moved 30 pixels right and down.
  Fill(view->GetIEBitmap(), 600, 450, [](int32_t x, int32_t y) -> uint32_t {
    return ((x / 20 + y / 20) & 1) ? 0xF0E0D0 : 0x806040;
  });
  view->CurrentLayer()->PosX = 30;
  view->CurrentLayer()->PosY = 30;
  // Layer 1: a half transparent blue band; layer 2: a red frame of one-pixel lines.
  view->AddLayer();
  Fill(view->GetIEBitmap(), 200, 120, [](int32_t, int32_t) -> uint32_t { return 0x2040C0; });
  view->CurrentLayer()->Transparency = 140;
  view->CurrentLayer()->PosX = 150;
  view->CurrentLayer()->PosY = 90;
  view->AddLayer();
  Fill(view->GetIEBitmap(), 161, 101, [](int32_t x, int32_t y) -> uint32_t {
    return x % 10 == 0 || y % 10 == 0 ? 0xC00000 : 0xFFFFFF;
  });
  view->CurrentLayer()->PosX = 80;
  view->CurrentLayer()->PosY = 260;
  view->SetLayersCurrent(0);
  view->SetZoom(133);
  view->SetViewXY(0, 0);
  view->SetNavigator(navigator, ienoShadeOutside | ienoMouseWheelZoom);
  view->Update();
  view->Repaint();
  navigator->Repaint();
  vcl::Application->ProcessMessages();

  // Where layer 0 is not (left of it, above it), the view shows its background.
  vcl::TBitmap* back = view->GetBackBuffer();
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(0x404040u, static_cast<uint32_t>(back->Canvas()->Pixels(2, 2)));
  EXPECT_TRUE(navigator->IsNavigator());
  showcase.HoldOnScreen();
  const std::vector<std::string>& errors = showcase.Close();
  EXPECT_TRUE(errors.empty()) << errors.front();
}

}  // namespace
