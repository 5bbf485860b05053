// The glyph of a skinned bit button from an alpha image list whose image holds the button's
// state frames side by side: each state shows its own frame, a held-down button one further on.
#include <gtest/gtest.h>

#include "skin/controls/bit_button.h"
#include "skin/engine/graphics/alpha_image_list.h"
#include "tests/skin/controls/controls_fixture.h"

using namespace skin;
using controls_test::SkinnedControls;

namespace {

constexpr int kFrame = 8;
// The frames' colours: normal, hot, pressed.
constexpr COLORREF kFrameColours[3] = {0x0000C0, 0x00C000, 0xC00000};

class BitButtonGlyphs : public SkinnedControls {
 protected:
  void TearDown() override {
    SkinnedControls::TearDown();
    delete list;
  }
  // A list of one image: three solid frames side by side.
  void MakeList() {
    list = vcl::New<TsAlphaImageList>(nullptr);
    list->SetWidth(3 * kFrame);
    list->SetHeight(kFrame);
    vcl::TBitmap strip;
    strip.SetPixelFormat(vcl::pf24bit);
    strip.SetSize(3 * kFrame, kFrame);
    for (int f = 0; f < 3; ++f) {
      strip.Canvas()->Brush()->SetColor(vcl::TColor(kFrameColours[f]));
      strip.Canvas()->FillRect(vcl::TRect{f * kFrame, 0, (f + 1) * kFrame, kFrame});
    }
    // Images added to a list that is in use become opaque (except the key colour).
    list->IconsGenerated = true;
    list->Add(&strip, nullptr);
  }
  TsAlphaImageList* list = nullptr;
};

TEST_F(BitButtonGlyphs, EachStateShowsItsFrameOfTheListImage) {
  ActivateSkin();
  MakeList();
  auto* button = Add<TsBitBtn>(nullptr, 10, 10, 100, 30);
  button->SetNumGlyphs(3);
  button->SetImages(list);
  button->SetImageIndex(0);
  Pump();
  auto glyphColour = [&] {
    button->SkinData()->CacheStale = true;
    RedrawWindow(button->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const vcl::TRect g = button->GlyphRect();
    EXPECT_EQ(g.right - g.left, kFrame);
    vcl::TBitmap* cache = button->SkinData()->CacheBitmap.get();
    return GetPixel(cache->Canvas()->Handle(), (g.left + g.right) / 2, (g.top + g.bottom) / 2);
  };
  auto settle = [] {
    const DWORD until = GetTickCount() + 300;
    PumpUntil([&] { return GetTickCount() > until; }, 1000);
  };
  EXPECT_EQ(glyphColour(), kFrameColours[0]);
  button->Perform(vcl::CM_MOUSEENTER, 0, 0);
  PumpUntil([&] { return button->CurrentState() == 1; }, 200);
  settle();
  EXPECT_EQ(glyphColour(), kFrameColours[1]);
  button->Perform(vcl::CM_MOUSELEAVE, 0, 0);
  settle();
  EXPECT_EQ(glyphColour(), kFrameColours[0]);
  // Held down: state 2 and one frame on, which the last frame serves.
  button->SetDown(true);
  settle();
  EXPECT_EQ(glyphColour(), kFrameColours[2]);
}

}  // namespace
