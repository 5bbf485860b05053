// The skinned scroll bars of a skinned form with AutoScroll: they come with the skin, the
// square between them shows the form's colour (not the skin's key colour), and they go with the
// skin.
#include <gtest/gtest.h>

#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/scroll_wnd.h"
#include "skin/forms/skin_provider.h"
#include "tests/skin/forms/provider_fixture.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;

namespace {

class ProviderScroll : public provider_test::ProviderTest {};

TEST_F(ProviderScroll, AFormWithAutoScrollGetsSkinnedBarsWithAPlainCorner) {
  vcl::TForm* form = NewSkinnedForm(300, 200);
  auto* distant = new vcl::TButton(form);
  distant->SetParent(form);
  distant->SetBounds(500, 400, 90, 28);
  ShowForm(form);
  TsSkinProvider* provider = TsSkinProvider::FromForm(form);
  TacScrollWnd* adapter = provider->ScrollAdapter();
  ASSERT_NE(adapter, nullptr);
  ASSERT_TRUE(adapter->HorzBar->Shown && adapter->VertBar->Shown);

  RECT window{};
  GetWindowRect(form->Handle(), &window);
  auto surface = provider_test::NewSurface(window.right - window.left, window.bottom - window.top);
  adapter->PaintScrollBars(surface->Canvas()->Handle(), -1);
  const RECT vert = adapter->VertBarRect(), horz = adapter->HorzBarRect();
  // Just inside the corner square's top-left, away from the size grip's dots.
  const int x = vert.left - window.left + 1, y = horz.top - window.top + 1;
  EXPECT_NE(provider_test::PixelAt(surface.get(), x, y), 0xFF00FFu) << "the key colour shows in the corner";

  provider->SetDrawNonClientArea(false);
  EXPECT_EQ(provider->ScrollAdapter(), nullptr);
  EXPECT_EQ(GetWndAdapter(form->Handle()), nullptr);
}

TEST_F(ProviderScroll, AFormWithoutAutoScrollKeepsThePlatformsBars) {
  vcl::TForm* form = NewSkinnedForm(300, 200);
  form->SetAutoScroll(false);
  ShowForm(form);
  EXPECT_EQ(TsSkinProvider::FromForm(form)->ScrollAdapter(), nullptr);
}

}  // namespace
