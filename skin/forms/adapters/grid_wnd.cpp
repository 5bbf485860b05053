#include "skin/forms/adapters/grid_wnd.h"

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "vcl/graphics/colours.h"
#include "vcl/stdctrls/grids.h"

namespace skin {

namespace {

constexpr vcl::TColor kNoColour = 0x1FFFFFFF;
constexpr vcl::TColor kButtonFace = vcl::TColor(0x8000000F);

// Where each saved colour lives: a property of the grid, or of one of its sub-objects.
enum Holder { onGrid, onTitleFont, onControlLook };
struct GridColour {
  const char* name;
  Holder holder;
};
constexpr std::array<GridColour, 12> kGridColours{{{"FixedColor", onGrid},
                                                   {"FooterColor", onGrid},
                                                   {"FooterCellColor", onGrid},
                                                   {"Color", onTitleFont},
                                                   {"TitleColor", onGrid},
                                                   {"IndicatorIconColor", onGrid},
                                                   {"SelectionColor", onGrid},
                                                   {"SelectionTextColor", onGrid},
                                                   {"GridLineColor", onGrid},
                                                   {"GridFixedLineColor", onGrid},
                                                   {"FixedGradientFrom", onControlLook},
                                                   {"FixedGradientTo", onControlLook}}};

vcl::TObject* ControlLook(vcl::TObject* grid) { return GetObjPropByName(grid, "ControlLook"); }

// The fonts that carry the title colour: "TitleFont", and "FixedFont" under "ControlLook".
std::vector<vcl::TObject*> TitleFonts(vcl::TObject* grid) {
  std::vector<vcl::TObject*> fonts;
  if (vcl::TObject* font = GetObjPropByName(grid, "TitleFont")) fonts.push_back(font);
  if (ControlLook(grid))
    if (vcl::TObject* font = GetObjPropByName(grid, "FixedFont")) fonts.push_back(font);
  return fonts;
}

vcl::TColor ReadColour(vcl::TObject* object, const char* name) {
  if (!object || !ControlHasProp(object, name)) return 0;
  return vcl::TColor(GetOrdPropByName(object, name));
}

void WriteColour(vcl::TObject* object, const char* name, vcl::TColor colour) {
  if (object && ControlHasProp(object, name)) SetOrdPropByName(object, name, colour);
}

}  // namespace

TacGridWnd::TacGridWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink)
    : TacEditWnd(wnd, section, manager, skinLink) {
  // A grid draws its cells itself: its themed look stays.
  if (SetWindowThemeFunc) SetWindowThemeFunc(wnd, nullptr, nullptr);
}

void TacGridWnd::SaveInitialState() {
  TacEditWnd::SaveInitialState();
  vcl::TControl* grid = OwnerControl();
  if (!grid) return;
  for (size_t i = 0; i < kGridColours.size(); ++i) {
    const GridColour& c = kGridColours[i];
    vcl::TColor value = 0;
    if (c.holder == onGrid) {
      value = ReadColour(grid, c.name);
    } else if (c.holder == onTitleFont) {
      value = ReadColour(GetObjPropByName(grid, "TitleFont"), "Color");
      if (ControlLook(grid))
        if (vcl::TObject* fixed = GetObjPropByName(grid, "FixedFont")) value = vcl::ColorToRGB(ReadColour(fixed, "Color"));
    } else {
      value = ReadColour(ControlLook(grid), c.name);
      if (value == kNoColour) value = kButtonFace;
    }
    SavedGridColors[i] = value;
  }
}

void TacGridWnd::RestoreInitialState() {
  TacEditWnd::RestoreInitialState();
  vcl::TControl* grid = OwnerControl();
  if (!grid || grid->ComponentState().Contains(vcl::csDestroying)) return;
  for (size_t i = 0; i < kGridColours.size(); ++i) {
    const GridColour& c = kGridColours[i];
    if (c.holder == onGrid)
      WriteColour(grid, c.name, SavedGridColors[i]);
    else if (c.holder == onTitleFont)
      for (vcl::TObject* font : TitleFonts(grid)) WriteColour(font, "Color", SavedGridColors[i]);
    else
      WriteColour(ControlLook(grid), c.name, SavedGridColors[i]);
  }
}

void TacGridWnd::ApplySkinParams() {
  TacEditWnd::ApplySkinParams();
  vcl::TControl* grid = OwnerControl();
  TsSkinManager* manager = SkinLink ? SkinLink->GetSkinManager() : nullptr;
  if (!grid || !manager) return;
  vcl::TObject* look = ControlLook(grid);
  WriteColour(grid, "FixedColor", manager->GetGlobalColor());
  for (vcl::TObject* font : TitleFonts(grid)) WriteColour(font, "Color", manager->GetGlobalFontColor());
  if (look) {
    if (manager->SkinData()) WriteColour(grid, "GridFixedLineColor", manager->SkinData()->BorderColor);
    WriteColour(grid, "GridLineColor", BlendColors(manager->GetGlobalHotColor(), manager->GetEditHotFontColor(), 0.5));
    WriteColour(look, "FixedGradientFrom", BlendColors(manager->GetGlobalColor(), manager->GetGlobalHotColor(), 0.5));
    WriteColour(look, "FixedGradientTo", manager->GetGlobalColor());
    WriteColour(grid, "SelectionColor", manager->GetMenuHighlightColor());
    WriteColour(grid, "SelectionTextColor", manager->GetMenuHighlightTextColor());
  }
  // Without a GLOBALINFO section the footer and title colours have no source and stay.
  const int global = manager->CommonIndexes.GlobalInfoIndex;
  if (manager->IsSectionIndexValid(global)) {
    const vcl::TColor colour = manager->Sections[size_t(global)].Color;
    for (const char* name : {"FooterColor", "FooterCellColor", "TitleColor"}) WriteColour(grid, name, colour);
  }
  if (manager->IsSectionIndexValid(SkinLink->SectionIndex))
    WriteColour(grid, "IndicatorIconColor", manager->Sections[size_t(SkinLink->SectionIndex)].FontColor[0]);
}

void TacGridWnd::WndProc(vcl::TMessage& m) {
  const bool skinned = !Detached && SkinLink && SkinLink->IsSkinned(false);
  if (skinned && m.Msg == WM_ERASEBKGND) {
    RecomputeUpdating();
    m.Result = 1;
    return;
  }
  const bool removal = m.Msg == SM_ALPHACMD && m.WParamHi() == cmdSkinRemoved && SkinLink &&
                       m.LParam == LPARAM(SkinLink->GetSkinManager());
  TacEditWnd::WndProc(m);
  if (removal) {
    // The grid shows its own scroll bars again.
    if (auto* grid = dynamic_cast<vcl::TCustomGrid*>(OwnerControl())) {
      const vcl::TScrollStyle bars = grid->ScrollBars();
      grid->SetScrollBars(vcl::ssNone);
      grid->SetScrollBars(bars);
    }
    return;
  }
  if (Detached || !skinned) return;
  if (m.Msg == WM_PAINT) UpdateScrollInfo(true);
  if (m.Msg == WM_WINDOWPOSCHANGED && IsWindowVisible(Wnd)) SendMessageA(Wnd, WM_NCPAINT, 0, 0);
}

}  // namespace skin
