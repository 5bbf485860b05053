// Shows a form of standard controls under their adapters for a screenshot; skipped unless
// MERGEON_SHOWCASE_SECONDS says how long to show it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "skin/forms/adapters/control_adapters.h"
#include "skin/forms/adapters/dialogs_hook.h"
#include "tests/skin/forms/adapter_skin_fixture.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/extctrls.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;

namespace {

template <class C>
C* AdapterShowcasePut(vcl::TWinControl* parent, vcl::TComponent* owner, int x, int y, int w, int h, const char* text) {
  auto* control = new C(owner);
  control->SetParent(parent);
  control->SetBounds(x, y, w, h);
  control->SetText(text);
  return control;
}

TEST(AdapterShowcase, StandardControls) {
  const char* seconds = std::getenv("MERGEON_SHOWCASE_SECONDS");
  if (!seconds) GTEST_SKIP() << "set MERGEON_SHOWCASE_SECONDS to show the form";
  auto manager = adapter_test::LoadInternalSkin();
  std::unique_ptr<vcl::TForm> form(new vcl::TForm(nullptr));
  form->SetBounds(40, 40, 520, 360);
  form->SetCaption("Mergeon - adapted controls");
  AdapterShowcasePut<vcl::TButton>(form.get(), form.get(), 16, 16, 96, 28, "Button");
  auto* checked = AdapterShowcasePut<vcl::TCheckBox>(form.get(), form.get(), 16, 56, 120, 20, "Check box");
  checked->SetChecked(true);
  AdapterShowcasePut<vcl::TRadioButton>(form.get(), form.get(), 16, 84, 120, 20, "Radio button");
  AdapterShowcasePut<vcl::TStaticText>(form.get(), form.get(), 16, 112, 120, 20, "Static text");
  auto* group = AdapterShowcasePut<vcl::TGroupBox>(form.get(), form.get(), 150, 16, 160, 110, "Group box");
  AdapterShowcasePut<vcl::TCheckBox>(group, form.get(), 12, 30, 120, 20, "Inside");
  AdapterShowcasePut<vcl::TPanel>(form.get(), form.get(), 330, 16, 160, 110, "Panel");
  auto* list = AdapterShowcasePut<vcl::TListBox>(form.get(), form.get(), 16, 150, 200, 150, "");
  for (int i = 0; i < 50; ++i) list->Items()->Add("Item " + std::to_string(i));
  auto* memo = AdapterShowcasePut<vcl::TMemo>(form.get(), form.get(), 240, 150, 250, 150, "");
  memo->SetScrollBars(vcl::ssBoth);
  for (int i = 0; i < 30; ++i) memo->Lines()->Add("A rather long line of text number " + std::to_string(i));
  form->Show();
  adapter_test::AdaptFormControls(form.get(), manager.get());
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  SetForegroundWindow(form->Handle());
  const DWORD end = GetTickCount() + DWORD(std::atoi(seconds)) * 1000;
  while (GetTickCount() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

void CALLBACK CloseShowcaseBox(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (HWND box = FindWindowA("#32770", "Mergeon")) PostMessageA(box, WM_COMMAND, IDOK, 0);
}

TEST(AdapterShowcase, MessageBox) {
  const char* seconds = std::getenv("MERGEON_SHOWCASE_SECONDS");
  if (!seconds) GTEST_SKIP() << "set MERGEON_SHOWCASE_SECONDS to show the dialog";
  auto manager = adapter_test::LoadInternalSkin();
  InstallDialogsHook();
  SetTimer(nullptr, 0, UINT(std::atoi(seconds)) * 1000, CloseShowcaseBox);
  MessageBoxA(nullptr, "A message box skinned by the thread hook.", "Mergeon", MB_OKCANCEL | MB_ICONINFORMATION);
  RemoveDialogsHook();
}

}  // namespace
