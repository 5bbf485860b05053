// TsBitBtn: clicks and keys as the platform's bit button, skinned or not; glyph and caption
// placed beside each other; each state composed from the skin section.
#include <gtest/gtest.h>

#include "skin/controls/bit_button.h"
#include "tests/skin/controls/controls_fixture.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;
using controls_test::SkinnedControls;

namespace {

class BitButtons : public SkinnedControls {
 protected:
  static std::unique_ptr<vcl::TBitmap> Glyph(int w, int h) {
    auto glyph = std::make_unique<vcl::TBitmap>();
    glyph->SetPixelFormat(vcl::pf24bit);
    glyph->SetSize(w, h);
    glyph->Canvas()->Brush()->SetColor(vcl::clFuchsia);
    glyph->Canvas()->FillRect(vcl::TRect{0, 0, w, h});
    glyph->Canvas()->Brush()->SetColor(vcl::TColor(0x0000FF));
    glyph->Canvas()->FillRect(vcl::TRect{2, 2, w - 2, h - 2});
    return glyph;
  }
};

TEST_F(BitButtons, ClickAndSpaceFireOnClickOnceSkinnedOrNot) {
  for (bool skinned : {false, true}) {
    if (skinned) ActivateSkin();
    for (bool bySpace : {false, true}) {
      auto* button = Add<TsBitBtn>(nullptr, 10, 10, 100, 30);
      button->SetCaption("Apply");
      auto glyph = Glyph(16, 16);
      button->SetGlyph(glyph.get());
      int clicks = 0;
      button->OnClick = [&](vcl::TObject*) { ++clicks; };
      Pump();
      if (bySpace) {
        button->SetFocus();
        PostMessageA(button->Handle(), WM_KEYDOWN, VK_SPACE, 1);
        PostMessageA(button->Handle(), WM_KEYUP, VK_SPACE, 0xC0000001);
        PumpUntil([&] { return clicks > 0; }, 500);
      } else {
        SendMessageA(button->Handle(), BM_CLICK, 0, 0);
      }
      EXPECT_EQ(clicks, 1) << "skinned " << skinned << " space " << bySpace;
      delete button;
    }
  }
}

TEST_F(BitButtons, GlyphAndCaptionSitSideBySide) {
  ActivateSkin();
  auto* button = Add<TsBitBtn>(nullptr, 10, 10, 120, 30);
  button->SetCaption("Apply");
  auto glyph = Glyph(16, 16);
  button->SetGlyph(glyph.get());
  const vcl::TRect g = button->GlyphRect();
  const vcl::TRect t = button->CaptionRect();
  EXPECT_EQ(g.right - g.left, 16);
  EXPECT_LE(g.right, t.left);  // glyph left of the caption
  button->SetLayout(vcl::blGlyphTop);
  EXPECT_LE(button->GlyphRect().bottom, button->CaptionRect().top);
  // A reflected glyph moves up by a sixth of its height, whatever its width.
  button->SetLayout(vcl::blGlyphLeft);
  auto wide = Glyph(32, 16);
  button->SetGlyph(wide.get());
  const int top = button->GlyphRect().top;
  button->SetReflected(true);
  EXPECT_EQ(button->GlyphRect().top, top - 16 / 6);
}

TEST_F(BitButtons, EachStateIsComposedFromTheSection) {
  ActivateSkin();
  auto* button = Add<TsBitBtn>(nullptr, 10, 10, 100, 30);
  button->SetCaption("State");
  Pump();
  auto look = [&] {
    RedrawWindow(button->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    vcl::TBitmap* cache = button->SkinData()->CacheBitmap.get();
    return GetPixel(cache->Canvas()->Handle(), 8, 15);
  };
  const COLORREF normal = look();
  button->Perform(vcl::CM_MOUSEENTER, 0, 0);
  PumpUntil([&] { return button->CurrentState() == 1; }, 200);
  EXPECT_EQ(button->CurrentState(), 1);
  button->Perform(vcl::CM_MOUSELEAVE, 0, 0);
  button->SetDown(true);
  EXPECT_EQ(button->CurrentState(), 2);
  // The leave fade ends first; then the pressed look is composed.
  const DWORD until = GetTickCount() + 300;
  PumpUntil([&] { return GetTickCount() > until; }, 1000);
  EXPECT_NE(look(), normal);
  button->SetBlend(150);
  EXPECT_EQ(button->Blend(), 100);
}

}  // namespace
