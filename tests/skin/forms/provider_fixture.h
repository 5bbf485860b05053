// Skinned forms for the provider tests: the program's internal skin loaded into a default
// manager once per test program, forms with a provider, and pixels read back from 32-bit
// bitmaps.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "skin/engine/skin_manager.h"
#include "skin/forms/skin_provider.h"
#include "vcl/controls/forms.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/win.h"

namespace provider_test {

// The default manager with "ShineWhite (internal)" active; made on first use.
skin::TsSkinManager* InternalSkinManager();

class ProviderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A hidden form of the size and border style, with a provider; freed at the end of the test.
  vcl::TForm* NewSkinnedForm(int width, int height, vcl::TFormBorderStyle style = vcl::bsSizeable);
  // Shows the form and lets it handle what showing brings.
  void ShowForm(vcl::TForm* form);
  // A skinned form that frees itself on closing: the test gives up its ownership, and `freed`
  // turns true when the form is destroyed.
  vcl::TForm* NewSelfFreeingForm(int width, int height, bool& freed);
  // Puts a button on the form and shows it in front, for a screenshot of the skinned frame.
  void ShowWithAButton(vcl::TForm* form);

  skin::TsSkinManager* manager = nullptr;
  std::vector<std::unique_ptr<vcl::TForm>> forms;
  std::vector<std::string> errors;
};

// Handles the messages waiting now.
void ProcessMessages();

// A 32-bit top-down bitmap of the size, cleared to black.
std::unique_ptr<vcl::TBitmap> NewSurface(int width, int height);
// The form printed with its frame, as WM_PRINT draws it from the skin, on a NewSurface.
std::unique_ptr<vcl::TBitmap> PrintedForm(vcl::TForm* form);
// The pixel as 0xRRGGBB... in the platform's colour order (red in the low byte).
uint32_t PixelAt(vcl::TBitmap* bitmap, int x, int y);
// The number of pixels of the rectangle where the two images differ, with the first of them;
// empty where they are the same.
std::string Differences(vcl::TBitmap* got, vcl::TBitmap* want, const RECT& r);

// Keeps handling messages for the seconds (a decimal number), so that a screenshot tool sees
// the windows live.
void KeepOnScreen(const char* seconds);

}  // namespace provider_test
