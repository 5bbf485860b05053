// The provider as a component: it serves forms only, a form has one provider at a time, form
// data sets its published properties, and its link in the form's window procedure chain leaves
// in any order with the links of other subclassers without leaving anything dangling.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "skin/engine/skin_types.h"
#include "skin/forms/adapters/dialogs_hook.h"
#include "tests/skin/forms/provider_fixture.h"
#include "vcl/classes/filer.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

using namespace skin;
using namespace provider_test;

namespace {

LRESULT AskProvider(vcl::TForm* form) {
  return form->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdGetProvider), 0);
}

TEST_F(ProviderTest, OwnerMustBeAForm) {
  vcl::TComponent module(nullptr);
  try {
    vcl::New<TsSkinProvider>(&module);
    FAIL() << "no error";
  } catch (const vcl::EAbort& e) {
    EXPECT_EQ(e.Message(), "TsSkinProvider component may be used with forms only!");
  }
  EXPECT_EQ(module.ComponentCount(), 0);
}

TEST_F(ProviderTest, FormAnswersWithItsProvider) {
  vcl::TForm* form = NewSkinnedForm(300, 200);
  auto* provider = TsSkinProvider::FromForm(form);
  ASSERT_NE(provider, nullptr);
  EXPECT_EQ(provider->Form(), form);
  EXPECT_EQ(provider->SkinData()->SkinSection(), "FORM");
  EXPECT_EQ(provider->SkinData()->ControlCode, ccSkinProvider);
  EXPECT_TRUE(provider->SkinData()->IsSkinned(true));
  // Skinned or not, the form names its provider, and says it is skinned.
  EXPECT_EQ(form->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdIsSkinned), 0), 1);
  provider->SetDrawNonClientArea(false);
  EXPECT_EQ(AskProvider(form), reinterpret_cast<LRESULT>(static_cast<IacProviderOwner*>(provider)));
}

TEST_F(ProviderTest, UnknownCommandsOfASkinnedFormAreSwallowed) {
  vcl::TForm* form = NewSkinnedForm(300, 200);
  int reached = 0;
  // A link below the provider sees what the provider passes on.
  vcl::TWindowProcLink below;
  {
    auto* provider = TsSkinProvider::FromForm(form);
    delete provider;
    below = form->WindowProc.Install([&](vcl::TMessage& m, const vcl::TWindowProcNext& next) {
      if (m.Msg == SM_ALPHACMD) ++reached;
      next(m);
    });
    vcl::New<TsSkinProvider>(form);
  }
  reached = 0;
  form->Perform(SM_ALPHACMD, MAKEWPARAM(0, 250), 0);
  EXPECT_EQ(reached, 0);
  form->Perform(WM_NULL, 0, 0);
  form->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdSkinRemoved), reinterpret_cast<LPARAM>(&reached));
  EXPECT_EQ(reached, 0) << "a removal by another manager goes to the children only";
}

TEST_F(ProviderTest, SecondProviderStaysPassive) {
  vcl::TForm* form = NewSkinnedForm(300, 200);
  auto* first = TsSkinProvider::FromForm(form);
  int links = form->WindowProc.LinkCount();
  auto* second = vcl::New<TsSkinProvider>(form);
  EXPECT_TRUE(second->Passive());
  EXPECT_EQ(form->WindowProc.LinkCount(), links);
  EXPECT_EQ(TsSkinProvider::FromForm(form), first);
  delete second;
  EXPECT_EQ(TsSkinProvider::FromForm(form), first);
}

TEST_F(ProviderTest, ProviderReplacesAnAutomaticOne) {
  auto* form = vcl::NewForm<vcl::TForm>(nullptr);
  forms.emplace_back(form);
  form->HandleNeeded();
  auto* automatic = TsSkinProvider::CreateForForm(form);
  EXPECT_TRUE(automatic->InitPending());
  EXPECT_EQ(TsSkinProvider::FromForm(form), automatic);
  int components = form->ComponentCount();
  auto* designed = vcl::New<TsSkinProvider>(form);
  EXPECT_FALSE(designed->Passive());
  EXPECT_EQ(TsSkinProvider::FromForm(form), designed);
  EXPECT_EQ(form->ComponentCount(), components) << "the automatic provider is gone";
  EXPECT_EQ(form->WindowProc.LinkCount(), 1);
}

// Providers and two other subclassers come and go in every order; each message still reaches
// every link that is installed, exactly once, and the form keeps working.
TEST_F(ProviderTest, LinksLeaveInAnyOrder) {
  std::array<int, 3> order{0, 1, 2};
  do {
    SCOPED_TRACE(std::to_string(order[0]) + std::to_string(order[1]) + std::to_string(order[2]));
    vcl::TForm* form = NewSkinnedForm(300, 200);
    delete TsSkinProvider::FromForm(form);
    int before = 0, after = 0;
    auto counter = [](int& count) {
      return [&count](vcl::TMessage& m, const vcl::TWindowProcNext& next) {
        if (m.Msg == WM_USER + 7) ++count;
        next(m);
      };
    };
    auto first = std::make_unique<vcl::TWindowProcLink>(form->WindowProc.Install(counter(before)));
    TsSkinProvider* provider = vcl::New<TsSkinProvider>(form);
    // The last stands for a subclass of the window itself, as placement storage hooks forms.
    auto last = std::make_unique<vcl::TWindowProcLink>(form->WindowProc.Install(counter(after), vcl::wlWindow));
    ShowForm(form);
    for (int step : order) {
      if (step == 0) first.reset();
      if (step == 1) {
        delete provider;
        provider = nullptr;
      }
      if (step == 2) last.reset();
      before = after = 0;
      SendMessageA(form->Handle(), WM_USER + 7, 0, 0);
      SendMessageA(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(50, 50));
      EXPECT_EQ(before, first ? 1 : 0);
      EXPECT_EQ(after, last ? 1 : 0);
      EXPECT_EQ(TsSkinProvider::FromForm(form), provider);
    }
    EXPECT_EQ(form->WindowProc.LinkCount(), 0);
    // A provider made again on the same form serves it as the first did.
    auto* again = vcl::New<TsSkinProvider>(form);
    EXPECT_EQ(TsSkinProvider::FromForm(form), again);
    forms.clear();
  } while (std::next_permutation(order.begin(), order.end()));
}

TEST_F(ProviderTest, FreedProviderGivesTheFormItsFrameBack) {
  vcl::TForm* form = NewSkinnedForm(300, 200);
  ShowForm(form);
  HWND wnd = form->Handle();
  EXPECT_EQ(GetWindowLongPtrA(wnd, GWL_STYLE) & WS_SYSMENU, 0) << "the platform paints no buttons";
  delete TsSkinProvider::FromForm(form);
  EXPECT_NE(GetWindowLongPtrA(wnd, GWL_STYLE) & WS_SYSMENU, 0);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(wnd, region), ERROR) << "no window region is left";
  DeleteObject(region);
  EXPECT_FALSE(form->OwnerDrawnFrame());
}

TEST_F(ProviderTest, DrawNonClientAreaOffGivesThePlatformFrame) {
  vcl::TForm* form = NewSkinnedForm(300, 200);
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  provider->SetDrawNonClientArea(false);
  EXPECT_NE(GetWindowLongPtrA(form->Handle(), GWL_STYLE) & WS_SYSMENU, 0);
  provider->SetDrawNonClientArea(true);
  EXPECT_EQ(GetWindowLongPtrA(form->Handle(), GWL_STYLE) & WS_SYSMENU, 0);
}

TEST_F(ProviderTest, UseGlobalColorOffGivesButtonFace) {
  vcl::TForm* form = NewSkinnedForm(300, 200);
  auto* provider = TsSkinProvider::FromForm(form);
  EXPECT_EQ(form->Color(), manager->GetGlobalColor());
  provider->SetUseGlobalColor(false);
  EXPECT_EQ(form->Color(), vcl::clBtnFace);
}

// The main form's provider as its form data gives it.
class TProviderHolder : public vcl::TForm {
  VCL_CLASS(TProviderHolder, vcl::TForm)
  explicit TProviderHolder(vcl::TComponent* owner) : vcl::TForm(owner) {}
  TsSkinProvider* sSkinProvider1 = nullptr;
};

VCL_PUBLISHED(TProviderHolder, p) { p.Field("sSkinProvider1", &TProviderHolder::sSkinProvider1); }

TEST_F(ProviderTest, FormDataSetsThePublishedProperties) {
  const char* text =
      "object ProviderHolder: TProviderHolder\n"
      "  Left = 10\n"
      "  Top = 10\n"
      "  Width = 320\n"
      "  Height = 240\n"
      "  object sSkinProvider1: TsSkinProvider\n"
      "    AddedTitle.Font.Charset = DEFAULT_CHARSET\n"
      "    AddedTitle.Font.Color = clNone\n"
      "    AddedTitle.Font.Height = -11\n"
      "    AddedTitle.Font.Name = 'MS Sans Serif'\n"
      "    AddedTitle.Font.Style = []\n"
      "    CaptionAlignment = taCenter\n"
      "    GripMode = gmRightBottom\n"
      "    SkinData.SkinSection = 'FORM'\n"
      "    SnapBuffer = 12\n"
      "    TitleButtons = <\n"
      "      item\n"
      "        Name = 'Pin'\n"
      "        Hint = 'Keep on top'\n"
      "      end>\n"
      "    TitleIcon.Width = 20\n"
      "    Left = 8\n"
      "    Top = 8\n"
      "  end\n"
      "end\n";
  vcl::TStringStream stream(text);
  auto* form = new TProviderHolder(nullptr);
  forms.emplace_back(form);
  vcl::ReadComponent(&stream, form);
  ASSERT_NE(form->sSkinProvider1, nullptr);
  TsSkinProvider* provider = form->sSkinProvider1;
  EXPECT_EQ(provider->SkinData()->SkinSection(), "FORM");
  EXPECT_EQ(provider->CaptionAlignment(), vcl::taCenter);
  EXPECT_EQ(provider->GripMode(), gmRightBottom);
  EXPECT_EQ(provider->SnapBuffer(), 12);
  EXPECT_EQ(provider->TitleIcon()->Width(), 20);
  EXPECT_EQ(provider->AddedTitle()->Font()->Color(), vcl::clNone);
  ASSERT_EQ(provider->TitleButtons()->Count(), 1);
  EXPECT_EQ(provider->TitleButtons()->Items(0)->Name(), "Pin");
  EXPECT_EQ(provider->TitleButtons()->Items(0)->Hint(), "Keep on top");
  EXPECT_EQ(TsSkinProvider::FromForm(form), provider);
}

TEST(TitleButtons, NewButtonIsNamedForItsClassAndAssignKeepsVisible) {
  TsTitleButtons buttons(nullptr);
  TsTitleButton* a = buttons.Add();
  EXPECT_EQ(a->Name(), "TsTitleButton");
  TsTitleButton* b = buttons.Add();
  a->SetName("A");
  a->SetHint("hint");
  a->SetEnabled(false);
  a->SetUseSkinData(false);
  b->SetVisible(false);
  a->SetVisible(true);
  int downs = 0;
  a->OnMouseDown = [&](vcl::TObject*, vcl::TMouseButton, vcl::TShiftState, int, int) { ++downs; };
  b->Assign(a);
  EXPECT_EQ(b->Name(), "A");
  EXPECT_EQ(b->Hint(), "hint");
  EXPECT_FALSE(b->Enabled());
  EXPECT_FALSE(b->UseSkinData());
  EXPECT_FALSE(b->Visible()) << "Visible is not copied";
  b->FireMouseDown(vcl::mbLeft, vcl::TShiftState{}, 1, 2);
  EXPECT_EQ(downs, 1);
}

}  // namespace

namespace {

TEST_F(ProviderTest, HookGivesFormsWithoutProviderAnAutomaticOne) {
  InstallDialogsHook();
  auto* form = vcl::NewForm<vcl::TForm>(nullptr);
  forms.emplace_back(form);
  form->SetBounds(20, 20, 300, 200);
  // The hook meets the form when it is activated.
  ShowForm(form);
  auto* automatic = TsSkinProvider::FromForm(form);
  ASSERT_NE(automatic, nullptr);
  SendMessageA(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(30, 30));
  EXPECT_FALSE(automatic->InitPending()) << "its first hit test prepared it";
  EXPECT_EQ(GetWindowLongPtrA(form->Handle(), GWL_STYLE) & WS_SYSMENU, 0);
  // A provider made later replaces it; the hook's record no longer points at the freed one.
  auto* designed = vcl::New<TsSkinProvider>(form);
  EXPECT_EQ(TsSkinProvider::FromForm(form), designed);
  for (TacProvider* record : ProviderList)
    if (record) { EXPECT_NE(record->FormProvider, static_cast<vcl::TComponent*>(automatic)); }
  // A form with a provider of its own gets none from the hook.
  vcl::TForm* own = NewSkinnedForm(200, 150);
  EXPECT_FALSE(TsSkinProvider::FromForm(own)->InitPending());
  RemoveDialogsHook();
  forms.clear();
}

}  // namespace

namespace {

TEST_F(ProviderTest, SkinRemovedAndSetAgain) {
  vcl::TForm* form = NewSkinnedForm(300, 200);
  ShowForm(form);
  auto* provider = TsSkinProvider::FromForm(form);
  HWND wnd = form->Handle();
  auto command = [&](uint16_t code) {
    return SendMessageA(wnd, SM_ALPHACMD, MAKEWPARAM(0, code), reinterpret_cast<LPARAM>(manager));
  };
  command(cmdSkinRemoved);
  EXPECT_FALSE(provider->SkinData()->IsSkinned(true));
  EXPECT_NE(GetWindowLongPtrA(wnd, GWL_STYLE) & WS_SYSMENU, 0);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(wnd, region), ERROR);
  EXPECT_EQ(form->Color(), vcl::clBtnFace);
  // Unskinned, the form still names its provider and leaves hit testing to the platform.
  EXPECT_EQ(TsSkinProvider::FromForm(form), provider);
  RECT r;
  GetWindowRect(wnd, &r);
  EXPECT_EQ(SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(r.right - 10, r.top + 10)),
            DefWindowProcA(wnd, WM_NCHITTEST, 0, MAKELPARAM(r.right - 10, r.top + 10)));

  command(cmdSkinSet);
  ProcessMessages();
  EXPECT_TRUE(provider->SkinData()->IsSkinned(true));
  EXPECT_EQ(GetWindowLongPtrA(wnd, GWL_STYLE) & WS_SYSMENU, 0);
  EXPECT_EQ(form->Color(), manager->GetGlobalColor());
  RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  ProcessMessages();
  EXPECT_NE(GetWindowRgn(wnd, region), ERROR) << "the frame's region is back";
  DeleteObject(region);
}

}  // namespace
