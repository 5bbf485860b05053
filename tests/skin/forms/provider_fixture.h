// Skinned forms for the provider tests: the program's internal skin loaded into a default
// manager once per test program, forms with a provider, and pixels read back from 32-bit
// bitmaps.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "skin/engine/skin_manager.h"
#include "skin/forms/skin_provider.h"
#include "vcl/controls/forms.h"
#include "vcl/graphics/bitmap.h"

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

  skin::TsSkinManager* manager = nullptr;
  std::vector<std::unique_ptr<vcl::TForm>> forms;
  std::vector<std::string> errors;
};

// Handles the messages waiting now.
void ProcessMessages();

// A 32-bit top-down bitmap of the size, cleared to black.
std::unique_ptr<vcl::TBitmap> NewSurface(int width, int height);
// The pixel as 0xRRGGBB... in the platform's colour order (red in the low byte).
uint32_t PixelAt(vcl::TBitmap* bitmap, int x, int y);

}  // namespace provider_test
