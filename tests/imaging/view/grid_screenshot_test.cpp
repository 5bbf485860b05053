// Not a test that runs by itself: it shows six grids of 20 thumbnails, one per look, for a
// person to judge on a real display. Run under the X11 driver with
//   MERGEON_SHOW_SECONDS=20 build/tests/imaging_view_tests.exe --gtest_also_run_disabled_tests
//     --gtest_filter='GridLooks.*'
#include <cmath>
#include <cstdlib>
#include <string>

#include "tests/imaging/view/grid_fixture.h"
#include "tests/support/test_pictures.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"
#include "vcl/runtime/win.h"

using namespace imaging;

namespace {

// A picture with a soft round alpha (so that backgrounds show through its corners).
std::unique_ptr<TIEBitmap> Picture(int32_t i, bool withAlpha) {
  const int32_t w = 60 + (i % 5) * 24, h = 50 + (i % 3) * 20;
  auto bitmap = test_pictures::Gradient(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      TRGB p = bitmap->GetPixel24(x, y);
      p.b = static_cast<uint8_t>(p.b ^ (i * 29));
      bitmap->SetPixel24(x, y, p);
    }
  if (withAlpha) {
    auto alpha = TIEBitmap::CreateAlphaChannel(w, h, ieMemory);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const double dx = (x - w / 2.0) / (w / 2.0), dy = (y - h / 2.0) / (h / 2.0);
        const double d = std::sqrt(dx * dx + dy * dy);
        alpha->SetPixel8(x, y, static_cast<uint8_t>(d >= 1 ? 0 : d > 0.8 ? 255 * (1 - d) / 0.2 : 255));
      }
    bitmap->AttachAlphaChannel(std::move(alpha));
  }
  return bitmap;
}

TEST(GridLooks, DISABLED_SixStylesOfTwentyThumbnails) {
  auto form = std::make_unique<vcl::TForm>(nullptr);
  form->SetBounds(10, 10, 1250, 760);
  form->SetCaption("Thumbnail grid looks");
  struct Look {
    const char* name;
    std::function<void(TImageMView*)> setup;
    bool alpha;
  } looks[] = {
      {"flat", [](TImageMView* g) { g->SetStyle(iemsFlat); g->SetThumbnailsBackground(0xFFFFFF); }, false},
      {"3-D frames", [](TImageMView* g) { g->SetStyle(iemsACD); g->SetBottomGap(14); }, false},
      {"soft shadows", [](TImageMView* g) {
         g->SetStyle(iemsFlat);
         g->SetThumbnailsBackground(0xF0F0F0);
         g->SoftShadow().Enabled = true;
       }, false},
      {"photo-like", [](TImageMView* g) {
         g->SetStyle(iemsFlat);
         g->SetThumbnailsBackgroundStyle(iebsPhotoLike);
         g->SetBackground(0xE0E0E0);
       }, true},
      {"chessboard", [](TImageMView* g) {
         g->SetStyle(iemsFlat);
         g->SetThumbnailsBackgroundStyle(iebsChessboard);
         g->SetThumbnailsBackground(0xC0C0C0);
       }, true},
      {"rounded, bordered, highlighted", [](TImageMView* g) {
         g->SetStyle(iemsFlat);
         g->SetThumbnailRoundness(6);
         g->SetThumbnailsBorderWidth(1);
         g->SetThumbnailsBorderColor(0x808080);
         g->SetThumbnailsInternalBorder(true);
         g->SetSelectionStyle(iessACD);
       }, false},
  };
  int32_t n = 0;
  for (const Look& look : looks) {
    auto* grid = new TImageMView(form.get());
    grid->SetParent(form.get());
    grid->SetBounds(8 + (n % 3) * 410, 8 + (n / 3) * 370, 400, 360);
    grid->SetThumbWidth(72);
    grid->SetThumbHeight(72);
    grid->SetGridWidth(-1);
    grid->SetBottomGap(14);
    look.setup(grid);
    grid->LockPaint();
    for (int32_t i = 0; i < 20; ++i) {
      grid->AppendImage();
      grid->SetImageEx(i, Picture(i, look.alpha).get());
      grid->GetImageBottomText(i)->Caption = std::u16string(u"Image ") + char16_t(u'A' + i) + u" of " + std::u16string(look.name, look.name + std::char_traits<char>::length(look.name));
    }
    grid->UnlockPaint();
    grid->SetSelectedImage(6);
    ++n;
  }
  form->Show();
  const char* seconds = std::getenv("MERGEON_SHOW_SECONDS");
  const DWORD end = ::GetTickCount() + (seconds ? std::atoi(seconds) : 0) * 1000;
  do {
    vcl::Application->ProcessMessages();
    ::Sleep(20);
  } while (::GetTickCount() < end);
}

}  // namespace
