// A window of eight views, each playing another effect slowly, for a look at frames mid-run:
// run with --gtest_also_run_disabled_tests under shared/tools/screenshot and take the picture
// a few seconds in, while every run is about half-way.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "imaging/transitions/transition_player.h"
#include "imaging/view/image_view.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"
#include "vcl/runtime/win.h"

using namespace imaging;

namespace {

// A picture a person can tell apart from the other at a glance: a cool gradient with a disc,
// or a warm one with a square.
void DrawPicture(vcl::TBitmap* bitmap, bool target) {
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(200, 150);
  vcl::TCanvas* canvas = bitmap->Canvas();
  for (int32_t y = 0; y < 150; ++y) {
    const int32_t v = 80 + y;
    // TColor keeps red in its low byte.
    canvas->Brush()->SetColor(target ? vcl::TColor((0x30 << 16) | (0x70 << 8) | (v + 26)) : vcl::TColor((v << 16) | 0x4020));
    canvas->FillRect(vcl::Rect(0, y, 200, y + 1));
  }
  canvas->Brush()->SetColor(target ? 0x00E0FF : 0xFFFFFF);
  if (target)
    canvas->Rectangle(60, 35, 140, 115);
  else
    canvas->Ellipse(55, 30, 145, 120);
}

}  // namespace

TEST(TransitionShowcase, DISABLED_EightEffectsMidRun) {
  vcl::TForm form(nullptr);
  form.SetCaption("Transitions");
  form.SetBounds(20, 20, 4 * 210 + 20, 2 * 160 + 50);
  vcl::TBitmap source, target;
  DrawPicture(&source, false);
  DrawPicture(&target, true);
  const int32_t effects[] = {iettCrossDissolve,       iettWipeFromTopLeft,       iettExpandingCircles,
                             iettCircularWipeFromCenter, iettHorizontalBlinds,   iettSpirallingRectangleClockwise,
                             iettRandomBoxes,         iettDiamondWipeFromCenter};
  std::vector<std::unique_ptr<TIETransitionEffects>> players;
  for (size_t i = 0; i < std::size(effects); ++i) {
    auto* view = new TImageView(&form);
    view->SetParent(&form);
    view->SetBounds(5 + int32_t(i % 4) * 210, 5 + int32_t(i / 4) * 160, 200, 150);
  }
  form.Show();
  vcl::Application->ProcessMessages();
  for (size_t i = 0; i < std::size(effects); ++i) {
    auto player = std::make_unique<TIETransitionEffects>(static_cast<TIEView*>(form.Controls(int32_t(i))));
    player->SetDuration(8000);
    ASSERT_TRUE(player->Start(&source, &target, effects[i]));
    players.push_back(std::move(player));
  }
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 10000) {
    vcl::Application->ProcessMessages();
    Sleep(5);
  }
}
