// A control whose section has a glow, left on the screen with the mouse over it, so that a
// screenshot shows the glow as a user sees it. It runs only when MERGEON_SHOWCASE_SECONDS is
// set (for instance under the screenshot tool with the X11 driver); the normal run skips it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/common_data.h"
#include "skin/engine/graphics/glow_effects.h"
#include "skin/engine/skin_manager.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/extctrls.h"

using namespace skin;

namespace {

class TGlowingPanel : public vcl::TPanel, public IacSkinLinked {
 public:
  explicit TGlowingPanel(vcl::TComponent* owner) : vcl::TPanel(owner), link(std::make_unique<TsCommonData>(this, true)) {}
  TsCommonData* SkinLink() const override { return link.get(); }
  void WndProc(vcl::TMessage& message) override {
    if (PreprocessControlMessage(message, link.get())) return;
    vcl::TPanel::WndProc(message);
  }
  std::unique_ptr<TsCommonData> link;
};

// An orange glow, 45 x 45 with margins of 15: opaque at the control's edge, fading outwards.
TsMaskData OrangeGlow(TsSkinManager* manager) {
  TsMaskData mask;
  mask.Image = CreateBmp32(45, 45);
  for (int y = 0; y < 45; ++y)
    for (int x = 0; x < 45; ++x) {
      const int dx = x < 15 ? 15 - x : x > 29 ? x - 29 : 0, dy = y < 15 ? 15 - y : y > 29 ? y - 29 : 0;
      const int d = std::min(15, std::max(dx, dy));
      const uint32_t a = uint32_t(230 * (15 - d) / 15);
      // Premultiplied: the layered window adds the colour as it is.
      static_cast<uint32_t*>(mask.Image->ScanLine(y))[x] = a << 24 | (a * 0xFF / 255) << 16 | (a * 0x90 / 255) << 8 | (a * 0x20 / 255);
    }
  mask.ImageRect = {0, 0, 45, 45};
  mask.ImageCount = 1;
  mask.SectionName = "GLOWING";
  mask.PropertyName = "GLOW0";
  mask.ImgType = itisaGlow;
  mask.Manager = manager;
  mask.WL = mask.WT = mask.WR = mask.WB = 15;
  return mask;
}

TEST(GlowShowcase, AGlowAroundTheControlUnderTheMouse) {
  const char* seconds = std::getenv("MERGEON_SHOWCASE_SECONDS");
  if (!seconds) GTEST_SKIP() << "set MERGEON_SHOWCASE_SECONDS to show the glow";
  std::unique_ptr<TsSkinManager> manager(vcl::New<TsSkinManager>(nullptr));
  TsGeneralData section;
  section.SectionName = "GLOWING";
  section.Color = 0x806040;
  section.GlowCount = 1;
  section.GlowMargin = 2;
  manager->Sections = {section};
  manager->Masks = {OrangeGlow(manager.get())};
  manager->SkinData()->Active = true;
  std::unique_ptr<vcl::TForm> form(new vcl::TForm(nullptr));
  form->SetBounds(200, 150, 420, 260);
  form->SetCaption("Mergeon - glow under the mouse");
  form->SetColor(vcl::TColor(0xF0F0F0));
  auto* hovered = new TGlowingPanel(form.get());
  hovered->SetParent(form.get());
  hovered->SetBounds(60, 70, 120, 40);
  hovered->SetCaption("Hovered");
  hovered->link->SetSkinSection("GLOWING");
  auto* resting = new TGlowingPanel(form.get());
  resting->SetParent(form.get());
  resting->SetBounds(240, 70, 120, 40);
  resting->SetCaption("Resting");
  resting->link->SetSkinSection("GLOWING");
  form->Show();
  vcl::Application->ProcessMessages();
  hovered->Perform(vcl::CM_MOUSEENTER, 0, 0);
  const DWORD end = GetTickCount() + DWORD(std::atoi(seconds)) * 1000;
  while (GetTickCount() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    vcl::Application->ProcessMessages();
  }
  EXPECT_GE(hovered->link->GlowHandle, 0);
  FreeAllGlowEffects();
}

}  // namespace
