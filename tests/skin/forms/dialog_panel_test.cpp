// A class-library panel inside a standard dialog: a plain panel takes the skin's global colour
// and the CHECKBOX section, another kind the GROUPBOX section; a theme change gives the panel its
// platform colour back, and the window is given back whole.
#include <gtest/gtest.h>

#include "skin/forms/adapters/panel_adapter.h"
#include "tests/skin/forms/adapter_skin_fixture.h"
#include "vcl/controls/application.h"
#include "vcl/stdctrls/extctrls.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;

namespace {

class DialogPanel : public adapter_test::SkinAndFormTest {
 protected:
  void SetUp() override { LoadSkinAndMakeForm(300, 200); }
};

TEST_F(DialogPanel, APlainPanelTakesTheGlobalColourAndOthersTheGroupBoxSection) {
  auto* panel = new vcl::TPanel(form.get());
  panel->SetParent(form.get());
  panel->SetBounds(10, 10, 120, 80);
  auto* group = new vcl::TGroupBox(form.get());
  group->SetParent(form.get());
  group->SetBounds(140, 10, 120, 80);
  form->Show();
  // The map finds the window's control among the application's components.
  form->SetName("DialogPanelForm");
  vcl::Application->InsertComponent(form.get());
  const adapter_test::WindowState before = adapter_test::StateOf(panel);

  TacMainWnd* plain = MakeAdapter<TacDlgPanelWnd>(true, panel->Handle(), std::string("PANEL"), manager.get(), nullptr);
  TacMainWnd* other = MakeAdapter<TacDlgPanelWnd>(true, group->Handle(), std::string("PANEL"), manager.get(), nullptr);
  EXPECT_EQ(static_cast<TacDlgPanelWnd*>(plain)->PanelControl, panel);
  EXPECT_EQ(plain->SkinLink->SkinSection(), "CHECKBOX");
  EXPECT_EQ(panel->Color(), manager->GetGlobalColor());
  EXPECT_EQ(other->SkinLink->SkinSection(), "GROUPBOX");
  EXPECT_EQ(SendMessageA(panel->Handle(), WM_NCPAINT, 1, 0), 1);
  EXPECT_EQ(SendMessageA(panel->Handle(), WM_UPDATEUISTATE, 0, 0), 1);
  EXPECT_NE(adapter_test::PrintWindowPixels(panel->Handle()).size(), 0u);

  SendMessageA(panel->Handle(), WM_THEMECHANGED, 0, 0);
  EXPECT_EQ(panel->Color(), vcl::clBtnFace);

  RemoveAdapter(panel->Handle(), true, false, plain);
  RemoveAdapter(group->Handle(), true, false, other);
  vcl::Application->RemoveComponent(form.get());
  EXPECT_EQ(adapter_test::StateOf(panel), before);
}

}  // namespace
