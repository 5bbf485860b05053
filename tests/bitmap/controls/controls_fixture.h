// What the tests of the image controls and bars share: a fixture that collects the exceptions
// reaching the application, a message pump with a safety limit, a shown form to put controls
// on, and form text reading and writing.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "bitmap/controls/theme.h"
#include "bitmap/engine/bitmap32.h"
#include "vcl/controls/forms.h"

namespace controls_fixture {

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A form at (50, 50), shown; freed at the end of the test with everything on it.
  vcl::TForm* ShownForm(int clientWidth = 400, int clientHeight = 300);

  // The messages of the exceptions that reached Application->HandleException.
  std::vector<std::string> errors;
  std::unique_ptr<vcl::TForm> form;
};

// Handles messages until `done` is true; false when it is still not true after `limitMs`
// (only a guard against a hanging test).
bool PumpUntil(const std::function<bool()>& done, int limitMs = 5000);
// Handles whatever is queued now.
void Pump();

// The window's client area as the platform paints it, read into a bitmap.
std::unique_ptr<bitmap::TBitmap32> CaptureClient(vcl::TWinControl* control);

// Form text of a component tree, and a tree read from form text into `root`.
std::string WriteFormText(vcl::TComponent* root);
void ReadFormText(const std::string& text, vcl::TComponent* root);
// The "Data" block of a bitmap as form text writes it: {hex}.
std::string BitmapDataText(const bitmap::TBitmap32& bitmap);

// One part of the platform's "SCROLLBAR" theme class drawn at a rectangle in some state.
struct ThemePart {
  int part, state;
  bitmap::TRect rect;
  friend bool operator==(const ThemePart&, const ThemePart&) = default;
};
std::ostream& operator<<(std::ostream& out, const ThemePart& p);

// Records every part the theme service draws while it lives; each is still drawn by the
// platform's visual style. The service's entry points are plain function pointers, so the spy
// stands in for the drawing one and passes each call on. Made while themes are in use (a
// theme change reloads the entry points and ends the watch).
class ThemeSpy {
 public:
  ThemeSpy();
  ~ThemeSpy();
  ThemeSpy(const ThemeSpy&) = delete;
  ThemeSpy& operator=(const ThemeSpy&) = delete;

  // What the platform draws for `parts`, in order, over a w x h surface of `background`.
  std::unique_ptr<bitmap::TBitmap32> Draw(const std::vector<ThemePart>& parts, int w, int h,
                                          bitmap::TColor32 background) const;

  std::vector<ThemePart> parts;

 private:
  static HRESULT WINAPI Record(bitmap::HTHEME theme, HDC dc, int part, int state, const RECT* rect,
                               const RECT* clip);
  bitmap::TThemeLibrary::TDrawThemeBackground original_ = nullptr;
};

// The client area of a control painted over `background` (the surface is filled first, so
// whatever the control leaves alone keeps that colour).
std::unique_ptr<bitmap::TBitmap32> PaintClientOver(vcl::TWinControl* control, bitmap::TColor32 background);

}  // namespace controls_fixture
