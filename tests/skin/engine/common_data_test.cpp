// The per-control skin link on real controls: section and manager changes, the commands of the
// skinning message, background answers through a tree of skinned controls, and the hover,
// focus and cache state the link keeps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/common_data.h"
#include "skin/engine/graphics/glow_effects.h"
#include "skin/engine/skin_manager.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"
#include "vcl/graphics/colours.h"
#include "vcl/stdctrls/extctrls.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;

namespace {

std::vector<uint16_t> commands;  // skinning commands that reached a control's own handling

// A control skinned through a link: the link's pre-handler sees every message first.
template <class Base>
class TLinked : public Base, public IacSkinLinked {
 public:
  TLinked(vcl::TComponent* owner, int32_t code = 0) : Base(owner), link(std::make_unique<TsCommonData>(this, true)) {
    link->ControlCode = code;
  }
  TsCommonData* SkinLink() const override { return link.get(); }
  void WndProc(vcl::TMessage& message) override {
    if (message.Msg == SM_ALPHACMD) commands.push_back(HIWORD(message.WParam));
    if (PreprocessControlMessage(message, link.get())) return;
    Base::WndProc(message);
  }
  std::unique_ptr<TsCommonData> link;
};
using TLinkedPanel = TLinked<vcl::TPanel>;
using TLinkedEdit = TLinked<vcl::TEdit>;

TsGeneralData Section(const char* name, int32_t colour, int32_t transparency = 0, int32_t border = -1) {
  TsGeneralData s;
  s.SectionName = name;
  s.Color = colour;
  s.HotColor = colour;
  s.Transparency = transparency;
  s.HotTransparency = transparency;
  s.BorderIndex = border;
  s.FontColor[0] = 0x0000FF;
  return s;
}

struct TSkinned {
  std::unique_ptr<TsSkinManager> manager{vcl::New<TsSkinManager>(nullptr)};
  std::unique_ptr<vcl::TForm> form{new vcl::TForm(nullptr)};

  TSkinned() {
    manager->Sections = {Section("FORM", 0x101010), Section("PANEL", 0x000000, 50), Section("CLEAR", 0x222222, 100),
                         Section("EDIT", 0x00FF00), Section("GROUPBOX", 0x333333), Section("WIDE", 0x444444, 100, 0)};
    TsMaskData wide;
    wide.Manager = manager.get();
    wide.ImageRect = {0, 0, 60, 20};
    wide.ImageCount = 1;
    wide.WL = 12;
    wide.WR = 13;
    manager->Masks = {wide};
    manager->SkinData()->Active = true;
    form->SetBounds(0, 0, 300, 200);
  }
  ~TSkinned() {
    form.reset();
    manager.reset();
  }
  template <class T>
  T* Add(vcl::TWinControl* parent, const char* section, vcl::TRect bounds, int32_t code = 0) {
    auto* control = new T(form.get(), code);
    control->SetParent(parent);
    control->SetBoundsRect(bounds);
    if (section) control->link->SetSkinSection(section);
    control->link->Loaded();
    return control;
  }
};

TEST(CommonData, SectionNamesAreUpperCaseAndRepeatingOneSendsNothing) {
  TSkinned skin;
  auto* panel = skin.Add<TLinkedPanel>(skin.form.get(), nullptr, {0, 0, 50, 50});
  commands.clear();
  panel->link->SetSkinSection("panel");
  EXPECT_EQ(panel->link->SkinSection(), "PANEL");
  EXPECT_EQ(panel->link->SectionIndex, 1);
  EXPECT_EQ(commands, (std::vector<uint16_t>{cmdSkinRefresh}));
  commands.clear();
  panel->link->SetSkinSection("PANEL");
  EXPECT_TRUE(commands.empty());
  panel->link->SetSkinSection("");
  EXPECT_EQ(panel->link->SkinSection(), "UNKNOWN");
  EXPECT_EQ(panel->link->SectionIndex, -1);
  EXPECT_EQ(commands, (std::vector<uint16_t>{cmdSkinRemoved}));
}

TEST(CommonData, DefaultSectionsAndTheDefaultManagerFollowLaterChanges) {
  TSkinned skin;
  auto* group = skin.Add<TLinkedPanel>(skin.form.get(), nullptr, {0, 0, 50, 50}, ccGroupBox);
  EXPECT_EQ(group->link->SkinSection(), "GROUPBOX");
  EXPECT_EQ(group->link->SectionIndex, 4);
  auto* other = skin.Add<TLinkedPanel>(skin.form.get(), nullptr, {0, 0, 50, 50}, 12345);
  EXPECT_EQ(other->link->SkinSection(), "TPANEL");  // no default: the owner's class name
  // The default manager is not stored as the link's own.
  group->link->SetSkinManager(skin.manager.get());
  EXPECT_FALSE(group->link->HasOwnManager());
  EXPECT_EQ(group->link->GetSkinManager(), skin.manager.get());
  const vcl::TPropInfo* prop = vcl::GetPropInfo(group->link.get(), "SkinManager");
  ASSERT_NE(prop, nullptr);
  EXPECT_FALSE(vcl::IsStoredProp(group->link.get(), prop));
}

TEST(CommonData, CommandsOfAnotherManagerChangeNothing) {
  TSkinned skin;
  auto* panel = skin.Add<TLinkedPanel>(skin.form.get(), "PANEL", {0, 0, 50, 50});
  std::unique_ptr<TsSkinManager> other(vcl::New<TsSkinManager>(nullptr));
  panel->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdSkinRemoved), LPARAM(other.get()));
  EXPECT_EQ(panel->link->SectionIndex, 1);
  EXPECT_FALSE(panel->link->UpdatePending);
  panel->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdSkinRemoved), LPARAM(skin.manager.get()));
  EXPECT_EQ(panel->link->SectionIndex, -1);
  EXPECT_TRUE(panel->link->UpdatePending);
  EXPECT_EQ(panel->link->CacheBitmap->Width(), 0);
  panel->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdSkinSet), LPARAM(skin.manager.get()));
  EXPECT_EQ(panel->link->SectionIndex, 1);
}

TEST(CommonData, QueryCommandsAnswerFromTheLink) {
  TSkinned skin;
  auto* panel = skin.Add<TLinkedPanel>(skin.form.get(), "PANEL", {0, 0, 50, 50});
  TsCommonData& link = *panel->link;
  auto ask = [&](uint16_t command, uint16_t argument = 0, LPARAM lParam = 0) {
    return panel->Perform(SM_ALPHACMD, MAKEWPARAM(argument, command), lParam);
  };
  EXPECT_EQ(ask(cmdIsSkinned), 1);
  EXPECT_EQ(ask(cmdGetSectionIndex), 2);
  link.CacheStale = false;
  link.UpdatePending = false;
  EXPECT_EQ(ask(cmdGetStale), 0);
  ask(cmdSetUpdating, 1);
  EXPECT_EQ(ask(cmdGetStale), 1);
  ask(cmdSetUpdating, 0);
  ask(cmdInvalidateIfTransparent, 1);  // PANEL is half transparent
  EXPECT_TRUE(link.CacheStale);
  ask(cmdSetParentImage, 1);
  EXPECT_TRUE(link.ParentImageForced);
  ask(cmdSetParentImage, 0);
  EXPECT_FALSE(link.ParentImageForced);
  link.PartlyHidden = false;
  EXPECT_EQ(ask(cmdGetPartlyHidden), 0);
  ask(cmdSetPartlyHidden);
  EXPECT_EQ(ask(cmdGetPartlyHidden), 1);
  EXPECT_EQ(ask(cmdGetApplication), LRESULT(vcl::Application));
  EXPECT_EQ(ask(cmdFastFlags), link.PaintFlags);
  EXPECT_EQ(ask(999), 0);
}

TEST(CommonData, ColourAnswersAgreeForAHalfTransparentSection) {
  TSkinned skin;
  auto* back = skin.Add<TLinkedPanel>(skin.form.get(), nullptr, {0, 0, 200, 100});
  back->link->SetSkinSection("EDIT");
  skin.manager->Sections[3].Color = 0xFFFFFF;
  auto* half = skin.Add<TLinkedPanel>(back, "PANEL", {10, 10, 60, 60});  // black, 50 %
  uint32_t answer = uint32_t(half->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdGetBgColor), 0));
  EXPECT_EQ(answer, 0x808080u);  // half of the parent's white, not a 256th-based share
  EXPECT_EQ(uint32_t(half->link->BgColorForState(0)), answer);
  // Fully transparent: the parent's colour; an unskinned parent gives its own colour.
  auto* plain = new vcl::TPanel(skin.form.get());
  plain->SetParent(skin.form.get());
  plain->SetColor(vcl::TColor(0x0000AA));
  auto* clear = skin.Add<TLinkedPanel>(plain, "CLEAR", {0, 0, 20, 20});
  EXPECT_EQ(clear->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdGetBgColor), 0), 0x0000AA);
  EXPECT_EQ(clear->link->BgColorForState(0), 0x0000AA);
}

TEST(CommonData, BackgroundRequestsPassThroughSeeThroughControls) {
  TSkinned skin;
  auto* back = skin.Add<TLinkedPanel>(skin.form.get(), "PANEL", {0, 0, 200, 100});
  back->link->PrepareCacheBmp();
  auto* clear = skin.Add<TLinkedPanel>(back, "CLEAR", {15, 25, 100, 80});
  // A child of the see-through panel gets the half-transparent panel's image, at the see-through
  // panel's place in it.
  TsBackgroundRequest request;
  EXPECT_TRUE(RequestCtrlBackground(request, clear, false));
  EXPECT_EQ(request.Kind, bkBitmap);
  EXPECT_EQ(request.Bitmap, back->link->CacheBitmap.get());
  EXPECT_EQ(request.OffsetX, 15);
  EXPECT_EQ(request.OffsetY, 25);
  TsBackgroundInfo info;
  clear->link->GetParentBgInfo(info);
  EXPECT_TRUE(info.Ready);
  EXPECT_EQ(info.X, 0);  // the back panel answers from its own cache

  // A see-through section with a wide border (12 + 13 > 24) answers from its own cache.
  auto* wide = skin.Add<TLinkedPanel>(back, "WIDE", {0, 0, 40, 40});
  TsBackgroundRequest fromWide;
  RequestCtrlBackground(fromWide, wide, false);
  EXPECT_EQ(fromWide.Kind, bkBitmap);
  EXPECT_EQ(fromWide.Bitmap, wide->link->CacheBitmap.get());
  EXPECT_EQ(wide->link->GetBorderWidth(), 13);

  // An opaque plain section answers with its colour.
  auto* edit = skin.Add<TLinkedPanel>(skin.form.get(), "EDIT", {0, 0, 40, 40});
  TsBackgroundRequest fromEdit;
  RequestCtrlBackground(fromEdit, edit, false);
  EXPECT_EQ(fromEdit.Kind, bkColor);
  EXPECT_EQ(fromEdit.Color, 0x00FF00);
}

TEST(CommonData, HoverFocusAndUpdatingState) {
  TSkinned skin;
  auto* edit = skin.Add<TLinkedEdit>(skin.form.get(), "EDIT", {0, 0, 80, 20}, ccEdit);
  EXPECT_EQ(edit->Color(), vcl::TColor(0x00FF00));  // the section's colours on load
  EXPECT_EQ(edit->Font()->Color(), vcl::TColor(0x0000FF));
  edit->Perform(vcl::CM_MOUSEENTER, 0, 0);
  EXPECT_TRUE(edit->link->MouseOver);
  EXPECT_TRUE(edit->link->InHotState());
  edit->SetEnabled(false);
  edit->link->MouseOver = true;
  EXPECT_FALSE(edit->link->InHotState());  // disabled, whatever the mouse does
  edit->SetEnabled(true);
  edit->Perform(vcl::CM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(edit->link->MouseOver);
  // Containers never take the hover state.
  auto* panel = skin.Add<TLinkedPanel>(skin.form.get(), "PANEL", {0, 0, 50, 50}, ccPanel);
  panel->Perform(vcl::CM_MOUSEENTER, 0, 0);
  EXPECT_FALSE(panel->link->MouseOver);
  // Hiding empties the cache; showing marks it stale and ends the update.
  panel->link->PrepareCacheBmp();
  EXPECT_EQ(panel->link->CacheBitmap->Width(), 50);
  panel->Perform(vcl::CM_VISIBLECHANGED, 0, 0);
  EXPECT_EQ(panel->link->CacheBitmap->Width(), 0);
  panel->link->UpdatePending = true;
  panel->link->CacheStale = false;
  panel->Perform(vcl::CM_VISIBLECHANGED, 1, 0);
  EXPECT_FALSE(panel->link->UpdatePending);
  EXPECT_TRUE(panel->link->CacheStale);
  // A cached control without a parent counts as updating.
  TLinkedPanel loose(nullptr);
  loose.link->SetSkinSection("PANEL");
  EXPECT_TRUE(loose.link->IsUpdating());
  // Removing the skin gives an edit the window colours back.
  edit->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdSkinRemoved), LPARAM(skin.manager.get()));
  EXPECT_EQ(edit->Color(), vcl::clWindow);
  EXPECT_EQ(edit->Font()->Color(), vcl::clWindowText);
}

TEST(CommonData, BeginAndEndUpdateAnnounceThemselves) {
  TSkinned skin;
  auto* panel = skin.Add<TLinkedPanel>(skin.form.get(), "PANEL", {0, 0, 50, 50});
  commands.clear();
  panel->link->BeginUpdate();
  EXPECT_TRUE(panel->link->UpdatePending);
  EXPECT_TRUE(panel->link->PaintFlags & pfUpdateAnnounced);
  panel->link->EndUpdate(false);
  EXPECT_FALSE(panel->link->UpdatePending);
  EXPECT_FALSE(panel->link->PaintFlags & pfUpdateAnnounced);
  EXPECT_EQ(commands, (std::vector<uint16_t>{cmdBeginUpdate, cmdEndUpdate}));
}

TEST(CommonData, ANewSkinWithoutTheSectionDropsEveryIndex) {
  TSkinned skin;
  auto* wide = skin.Add<TLinkedPanel>(skin.form.get(), "WIDE", {0, 0, 50, 50});
  EXPECT_EQ(wide->link->BorderMaskIndex, 0);
  skin.manager->Sections.erase(skin.manager->Sections.begin() + 5);
  skin.manager->Masks.clear();
  wide->Perform(SM_ALPHACMD, MAKEWPARAM(0, cmdSkinSet), LPARAM(skin.manager.get()));
  EXPECT_EQ(wide->link->SectionIndex, -1);
  EXPECT_EQ(wide->link->BorderMaskIndex, -1);
  EXPECT_EQ(wide->link->GetBorderWidth(), 0);
}

TEST(CommonData, CacheCopiesLeaveChildrenOut) {
  TSkinned skin;
  auto* back = skin.Add<TLinkedPanel>(skin.form.get(), "PANEL", {0, 0, 40, 20});
  back->link->InitCacheBmp24();
  PaintSolidRect(back->link->CacheBitmap->Canvas()->Handle(), {0, 0, 40, 20}, 0xFFFFFF);
  auto* bevel = new vcl::TBevel(skin.form.get());
  bevel->SetParent(back);
  bevel->SetBounds(2, 2, 4, 4);
  auto target = CreateBmp24(40, 20);
  HDC dc = target->Canvas()->Handle();
  PaintSolidRect(dc, {0, 0, 40, 20}, 0);
  CopyCacheExceptChildren(back, back->link.get(), {0, 0, 40, 20}, {0, 0, 30, 20}, dc, false, 0, 0);
  GdiFlush();
  auto pixel = [&](int x, int y) {
    const uint8_t* p = static_cast<uint8_t*>(target->ScanLine(y)) + x * 3;
    return p[0] | (p[1] << 8) | (p[2] << 16);
  };
  EXPECT_EQ(pixel(0, 0), 0xFFFFFF);
  EXPECT_EQ(pixel(3, 3), 0);   // the windowless child keeps its place
  EXPECT_EQ(pixel(35, 5), 0);  // outside the destination
}

// A windowless speed button of the skinned family: its link notes the mouse.
class TsSpeedButton : public vcl::TGraphicControl, public IacSkinLinked {
  VCL_CLASS(TsSpeedButton, vcl::TGraphicControl)
  explicit TsSpeedButton(vcl::TComponent* owner) : vcl::TGraphicControl(owner), link(this, false) {
    link.ControlCode = ccSpeedButton;
  }
  TsCommonData* SkinLink() const override { return const_cast<TsCommonData*>(&link); }
  void WndProc(vcl::TMessage& message) override {
    if (PreprocessControlMessage(message, &link)) return;
    inherited::WndProc(message);
  }
  TsCommonData link;
};

TEST(CommonData, EnteringAContainerTakesTheHoverFromItsSpeedButtons) {
  TSkinned skin;
  auto* bar = skin.Add<TLinkedPanel>(skin.form.get(), "PANEL", {0, 0, 100, 30}, 12345);
  bar->HandleNeeded();
  auto* hovered = new TsSpeedButton(skin.form.get());
  hovered->SetParent(bar);
  auto* other = new TsSpeedButton(skin.form.get());
  other->SetParent(bar);
  hovered->link.MouseOver = true;
  other->link.MouseOver = true;
  // The button named in lParam keeps its hover; every other hovered one loses it.
  bar->Perform(vcl::CM_MOUSEENTER, 0, LPARAM(other));
  EXPECT_FALSE(hovered->link.MouseOver);
  EXPECT_TRUE(other->link.MouseOver);
  EXPECT_TRUE(bar->link->MouseOver);
  EXPECT_EQ(skin.manager->HotWindow(), bar->Handle());
}

TEST(CommonData, WindowlessControlsTakeTheFontOfTheSectionThatGivesOne) {
  TSkinned skin;
  skin.manager->Sections[4].GiveOwnFont = true;  // GROUPBOX
  skin.manager->Sections[2].GiveOwnFont = true;  // CLEAR, fully transparent
  auto* group = skin.Add<TLinkedPanel>(skin.form.get(), "GROUPBOX", {0, 0, 200, 100});
  auto* clear = skin.Add<TLinkedPanel>(group, "CLEAR", {10, 10, 100, 60});
  auto* edit = skin.Add<TLinkedPanel>(skin.form.get(), "EDIT", {0, 100, 100, 40});
  for (vcl::TWinControl* w : {static_cast<vcl::TWinControl*>(group), static_cast<vcl::TWinControl*>(clear),
                              static_cast<vcl::TWinControl*>(edit)})
    w->HandleNeeded();
  auto labelOn = [&](vcl::TWinControl* parent) {
    auto* label = new vcl::TLabel(skin.form.get());
    label->SetParent(parent);
    return label;
  };
  // Past the see-through panel to the group box, which gives its font.
  EXPECT_EQ(GetParentFontSkinIndex(labelOn(clear), -7, skin.manager.get()), 4);
  EXPECT_EQ(GetParentFontSkinIndex(labelOn(group), -7, skin.manager.get()), 4);
  // A section that gives no font, and an unskinned parent, leave the default.
  EXPECT_EQ(GetParentFontSkinIndex(labelOn(edit), -7, skin.manager.get()), -7);
  EXPECT_EQ(GetParentFontSkinIndex(labelOn(skin.form.get()), -7, skin.manager.get()), -7);
}

TEST(CommonData, ASectionWithAGlowShowsItWhileTheMouseIsOverAndTheSkinKeepsIt) {
  if (!GlowWindowsAvailable()) GTEST_SKIP() << "no layered windows";
  TSkinned skin;
  ASSERT_EQ(DefaultManager, skin.manager.get());
  TsGeneralData glowing = Section("GLOWING", 0x505050);
  glowing.GlowCount = 1;
  glowing.GlowMargin = 2;
  skin.manager->Sections.push_back(glowing);
  TsMaskData mask;
  mask.Image = CreateBmp32(45, 45);
  mask.ImageRect = {0, 0, 45, 45};
  mask.ImageCount = 1;
  mask.SectionName = "GLOWING";
  mask.PropertyName = "GLOW0";
  mask.ImgType = itisaGlow;
  mask.Manager = skin.manager.get();
  mask.WL = mask.WT = mask.WR = mask.WB = 15;
  skin.manager->Masks.push_back(mask);
  skin.form->Show();
  auto* button = skin.Add<TLinkedPanel>(skin.form.get(), "GLOWING", {20, 30, 100, 40});
  auto* plain = skin.Add<TLinkedPanel>(skin.form.get(), "PANEL", {20, 100, 100, 40});
  auto shownGlows = [] {
    int shown = 0;
    for (auto& glow : GlowEffects) shown += glow && glow->GlowForm && IsWindowVisible(glow->GlowForm->Handle());
    return shown;
  };

  plain->Perform(vcl::CM_MOUSEENTER, 0, 0);
  EXPECT_EQ(shownGlows(), 0);  // no GLOW in its section
  plain->Perform(vcl::CM_MOUSELEAVE, 0, 0);

  button->Perform(vcl::CM_MOUSEENTER, 0, 0);
  ASSERT_EQ(shownGlows(), 1);
  const int32_t handle = button->link->GlowHandle;
  ASSERT_GE(handle, 0);
  RECT control, glow;
  GetWindowRect(button->Handle(), &control);
  GetWindowRect(GlowEffects[size_t(handle)]->GlowForm->Handle(), &glow);
  // The mask's margins of 15 around the control, pulled in by the section's glow margin of 2.
  EXPECT_EQ(glow.left, control.left - 13);
  EXPECT_EQ(glow.top, control.top - 13);
  EXPECT_EQ(glow.right, control.right + 13);
  EXPECT_EQ(glow.bottom, control.bottom + 13);
  button->Perform(vcl::CM_MOUSEENTER, 0, 0);  // entering again keeps one glow
  EXPECT_EQ(shownGlows(), 1);

  button->Perform(vcl::CM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(shownGlows(), 0);
  EXPECT_EQ(button->link->GlowHandle, -1);

  // A skin change takes every glow with it, and the old handle frees nobody else's glow.
  button->Perform(vcl::CM_MOUSEENTER, 0, 0);
  ASSERT_EQ(shownGlows(), 1);
  skin.manager->BroadcastSkinApplied(false);
  EXPECT_EQ(shownGlows(), 0);
  const int32_t other = CreateGlowEffect({0, 0, 10, 10}, {0, 0, 10, 10}, "GLOWING", skin.manager.get(), nullptr, 0, "GLOW");
  button->link->FreeOwnGlow();
  EXPECT_EQ(shownGlows(), 1);
  FreeGlowEffect(other);
  skin.manager->BroadcastSkinRemoved();
  EXPECT_EQ(shownGlows(), 0);
}

}  // namespace
