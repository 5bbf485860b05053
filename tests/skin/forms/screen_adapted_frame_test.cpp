// The frame of a form whose controls the tests adapt, as the X display shows it: the provider the
// fixture makes is the program's kind of provider, so the display shows the skin's title and
// borders (the provider's frame image), never the platform's title bar or an unpainted frame,
// whether the controls are adapted before the form is shown or after.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "skin/forms/skin_provider.h"
#include "tests/skin/forms/adapter_skin_fixture.h"
#include "tests/support/screen_capture.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/comctrls.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;

namespace {

bool AdaptedFrameNear(uint32_t a, uint32_t b) {
  for (int shift : {0, 8, 16})
    if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > 8) return false;
  return true;
}

// The share of pixels of the title band and the side borders that the display shows as the
// provider's frame image has them.
double ShareOfFrameImageOnDisplay(vcl::TForm* form, const std::string& shotName) {
  TsSkinProvider* provider = TsSkinProvider::FromForm(form);
  if (!provider || !provider->SkinData()->CacheBitmap) return 0.0;
  vcl::TBitmap* image = provider->SkinData()->CacheBitmap.get();
  const screen_test::Capture shown = screen_test::CaptureDisplayWindow(form->Handle());
  screen_test::SaveCapture(shown, shotName);
  if (shown.Empty() || image->PixelFormat() != vcl::pf24bit) return 0.0;
  const int width = std::min(shown.width, image->Width()), height = std::min(shown.height, image->Height());
  const int title = provider->CaptionHeight(true) + provider->WndSysBorderWidth(false);
  const int side = provider->SideBorderWidth(true);
  long total = 0, same = 0;
  GdiFlush();
  for (int y = 0; y < height; ++y) {
    const auto* row = static_cast<const uint8_t*>(image->ScanLine(y));
    for (int x = 0; x < width; ++x) {
      if (y >= title && x >= side && x < width - side && y < height - side) continue;
      const uint32_t expected = uint32_t(row[3 * x + 2]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x];
      ++total;
      same += AdaptedFrameNear(shown.pixels[size_t(y) * size_t(shown.width) + size_t(x)], expected) ? 1 : 0;
    }
  }
  return total ? double(same) / double(total) : 0.0;
}

void PutAdaptedFrameLists(vcl::TForm* form) {
  auto* list = new vcl::TListBox(form);
  list->SetParent(form);
  list->SetBounds(16, 16, 180, 160);
  for (int i = 0; i < 30; ++i) list->Items()->Add("List item " + std::to_string(i));
  auto* view = new vcl::TListView(form);
  view->SetParent(form);
  view->SetBounds(212, 16, 200, 160);
  view->SetViewStyle(vcl::vsReport);
  view->AddColumn("Name", 120);
  view->AddItem("Picture", {"13 KB"});
}

void PutAdaptedFrameButtons(vcl::TForm* form) {
  auto* button = new vcl::TButton(form);
  button->SetParent(form);
  button->SetBounds(16, 16, 96, 28);
  button->SetCaption("Button");
  auto* check = new vcl::TCheckBox(form);
  check->SetParent(form);
  check->SetBounds(16, 56, 120, 20);
  check->SetCaption("Check box");
}

TEST(ScreenAdaptedFrame, DisplayShowsTheSkinnedFrame) {
  if (!screen_test::OnScreen()) GTEST_SKIP() << "needs the X11 driver (tools/x11-test)";
  auto manager = adapter_test::LoadInternalSkin();
  ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
  struct Case {
    const char* what;
    std::function<void(vcl::TForm*)> put;
    bool adaptBeforeShow;
    const char* shotName;
  };
  const Case cases[] = {
      {"lists, adapted after the show", PutAdaptedFrameLists, false, "adapted-frame-lists-after"},
      {"lists, adapted before the show", PutAdaptedFrameLists, true, "adapted-frame-lists-before"},
      {"buttons, adapted after the show", PutAdaptedFrameButtons, false, "adapted-frame-buttons-after"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<vcl::TForm> form(new vcl::TForm(nullptr));
    form->SetBounds(60, 60, 440, 260);
    form->SetCaption("Mergeon - adapted frame");
    c.put(form.get());
    if (c.adaptBeforeShow) adapter_test::AdaptFormControls(form.get(), manager.get());
    form->Show();
    if (!c.adaptBeforeShow) adapter_test::AdaptFormControls(form.get(), manager.get());
    SetForegroundWindow(form->Handle());
    screen_test::Pump(600);
    EXPECT_GT(ShareOfFrameImageOnDisplay(form.get(), c.shotName), 0.9) << "the display does not show the skinned frame";
    form.reset();
    screen_test::Pump(100);
  }
}

}  // namespace
