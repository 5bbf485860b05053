// The main form as a user drives it: created from its real form data and shown, its buttons
// pressed with BM_CLICK (speed buttons with the mouse), its open, save and colour dialogs
// answered through their windows, its combo boxes and track bar changed through their
// messages. Expected pictures are composed independently by the bitmap engine.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "bitmap/engine/bitmap32.h"
#include "tests/support/temp_folder.h"

namespace app_test {

// A picture of w x h whose pixel (x, y) is colour(x, y), opaque.
using TPixelRule = std::function<bitmap::TColor32(int x, int y)>;
using TPicture32 = std::unique_ptr<bitmap::TBitmap32>;
TPicture32 MakePicture(int32_t w, int32_t h, const TPixelRule& colour);
// Writes an opaque picture as a 24-bit BMP file (a Unix path).
void WriteBmp(const std::string& unixPath, const bitmap::TBitmap32& picture);

// The composition the form must show, made with the engine directly: the overlay stretched
// (Lanczos) or tiled 1:1 over the base, the mask stretched over the overlay as its
// alpha with the mask bitmap's own stretch filter, combined by the blend mode with the opacity as master alpha.
struct TComposition {
  const bitmap::TBitmap32* Base = nullptr;
  const bitmap::TBitmap32* Overlay = nullptr;  // nil or empty: none
  const bitmap::TBitmap32* Mask = nullptr;     // nil or empty: none
  int32_t BlendMode = 0;
  uint32_t Opacity = 255;
  bool Tile = false;
};
TPicture32 Compose(const TComposition& c);

// Where the form differs from `expected`: "" when every pixel's colour matches.
std::string ColourDifference(const bitmap::TBitmap32& actual, const bitmap::TBitmap32& expected);

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A new form from the form data, shown. The settings file is the one in the Windows folder.
  app::TForm1* CreateForm();
  void DestroyForm();
  static std::string SettingsFile();

  // Writes a picture file into the temporary folder; its Windows path.
  std::string PictureFile(const std::string& name, const bitmap::TBitmap32& picture);

  void Click(vcl::TWinControl* button);
  // A press and release of the left button over a control without a window of its own.
  void ClickGraphic(vcl::TControl* control);
  // A press and release of the left button inside a window that is no button.
  void ClickWindow(vcl::TWinControl* control);
  // Presses `button` and answers the file dialog it opens with `fileName` (empty: cancel).
  void ClickAndChooseFile(vcl::TWinControl* button, const std::string& fileName);
  // As a user meets an error: presses `button` (answering its file dialog with `fileName` when
  // one is given), and closes the message box the application shows with OK. The message's
  // text; empty when none showed.
  std::string ClickAndReadErrorBox(vcl::TWinControl* button, const std::string& fileName = {});
  void SelectComboItem(vcl::TCustomComboBox* combo, int index);
  void MoveTrackBar(vcl::TTrackBar* bar, int position);
  void ChooseOverlayMode(int index);
  // Shows the three palettes through their "Edit >>" buttons.
  void OpenPalettes();

  // The result as the view shows it, and as FlattenImg holds it.
  TPicture32 ShownResult();
  void ExpectResult(const bitmap::TBitmap32& expected);
  // Checks the command buttons against the rules: which are enabled.
  void ExpectButtons(bool result, bool zoom, bool load, bool newImage, bool about);

  TestTempFolder folder;
  app::TForm1* form = nullptr;
  std::vector<std::string> errors;
};

}  // namespace app_test
