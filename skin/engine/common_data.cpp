#include "skin/engine/common_data.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/component_state.h"
#include "skin/engine/graphics/glow_effects.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/stdctrls/comctrls.h"
#include "vcl/stdctrls/extctrls.h"
#include "vcl/stdctrls/stdctrls.h"

namespace skin {

namespace {



bool InheritsFromName(const vcl::TObject* object, const char* name) {
  if (!object) return false;
  for (const vcl::TMetaClass* c = object->ClassType(); c; c = c->ClassParent())
    if (c->ClassNameIs(name)) return true;
  return false;
}

// Transparency T% of a colour is T% of the parent's: one rule for every colour answer.
int32_t MixWithParent(int32_t section, int32_t parent, int32_t transparency) {
  return BlendColors(vcl::TColor(parent), vcl::TColor(section), std::clamp(transparency, 0, 100) / 100.0);
}

void RedrawFrame(vcl::TWinControl* win, UINT extra = 0) {
  if (win && win->HandleAllocated()) RedrawWindow(win->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | extra);
}

}  // namespace

TsCommonData::TsCommonData(vcl::TPersistent* owner, bool makeCache)
    : LinkedControl(dynamic_cast<vcl::TControl*>(owner)), LinkedObject(owner) {
  if (makeCache) CacheBitmap = CreateBmp24(0, 0);
}

TsCommonData::~TsCommonData() {
  BorderMaskIndex = SectionIndex = PatternIndex = HotPatternIndex = -1;
  LinkedControl = nullptr;
  LinkedObject = nullptr;
  ownManager_ = nullptr;
  FreeOwnGlow();
}

void TsCommonData::FreeOwnGlow() {
  if (GlowEffectOf(GlowHandle, this)) FreeGlowEffect(GlowHandle);
  GlowHandle = -1;
}

IacProviderOwner* TsCommonData::Provider() const { return dynamic_cast<IacProviderOwner*>(LinkedObject); }

bool TsCommonData::OwnerDestroying() const { return IsDestroying(dynamic_cast<vcl::TComponent*>(LinkedObject)); }

const TsGeneralData* TsCommonData::Section() const {
  TsSkinManager* m = GetSkinManager();
  return m && m->IsSectionIndexValid(SectionIndex) ? &m->Sections[size_t(SectionIndex)] : nullptr;
}

// ---- Manager and section ----

TsSkinManager* TsCommonData::GetSkinManager() const { return ownManager_ ? ownManager_ : DefaultManager; }

void TsCommonData::RefreshOrRemove(TsSkinManager* manager) {
  bool confirmed = manager && !manager->Sections.empty() && manager->IsSectionIndexValid(SectionIndex);
  LinkedControl->Perform(SM_ALPHACMD, AlphaCmdParam(confirmed ? cmdSkinRefresh : cmdSkinRemoved), LPARAM(manager));
}

void TsCommonData::SetSkinManager(TsSkinManager* manager) {
  if (manager == ownManager_) return;
  ownManager_ = manager == DefaultManager ? nullptr : manager;
  if (IsLoading(LinkedControl)) return;
  if (manager && !manager->Sections.empty())
    ResolveSkinIndexes();
  else
    SectionIndex = -1;
  if (Provider()) return;
  if (LinkedControl && LinkedControl->Parent() && !IsDestroying(LinkedControl)) RefreshOrRemove(manager);
}

void TsCommonData::SetSkinSection(const std::string& name) {
  if (name == skinSection_) return;
  skinSection_ = name.empty() ? "UNKNOWN" : vcl::UpperCase(name);
  TsSkinManager* m = GetSkinManager();
  if (!m || m->Sections.empty())
    SectionIndex = -1;
  else
    ResolveSkinIndexes();
  if (LinkedControl && !IsLoading(LinkedControl) && !IsDestroying(LinkedControl) && LinkedControl->Parent()) {
    RefreshOrRemove(m);
  } else if (IacProviderOwner* provider = Provider()) {
    CacheStale = true;
    provider->DiscardFrameCache();
  }
}

void TsCommonData::ApplyDefaultSection() {
  if (!skinSection_.empty()) {
    ResolveSkinIndexes();
    return;
  }
  std::string section = DefaultSkinSection(ControlCode);
  if (section.empty() && LinkedObject) section = LinkedObject->ClassName();
  SetSkinSection(section);
}

void TsCommonData::ResolveSkinIndexes() {
  auto* component = dynamic_cast<vcl::TComponent*>(LinkedObject);
  if (IsDesigning(component) && GetOwnerFrame(component)) {
    SectionIndex = PatternIndex = HotPatternIndex = -1;
    return;
  }
  CacheStale = true;
  TsSkinManager* m = GetSkinManager();
  SectionIndex = m ? m->FindSectionIndex(skinSection_) : -1;
  BackgroundKinds = 0;
  PaintFlags = 0;
  if (const TsGeneralData* s = Section()) {
    if (s->ImagePercent > 0) BackgroundKinds |= 4;
    if (s->GradientPercent != 0 && !s->GradientArray.empty()) {
      static const uint16_t kinds[3] = {2, 1, 3};
      int32_t mode = s->GradientArray[0].Mode;
      if (mode >= 0 && mode <= 2) BackgroundKinds |= kinds[mode];
    }
    BorderMaskIndex = s->BorderIndex;
    PatternIndex = m->FindTextureMaskIndex(SectionIndex, skinSection_, "PATTERN");
    HotPatternIndex = m->FindTextureMaskIndex(SectionIndex, skinSection_, "HOTPATTERN");
    UpdateFastFlag(false);
  } else {
    // A new skin without the section: no index of the previous skin may be used with it.
    BorderMaskIndex = PatternIndex = HotPatternIndex = -1;
  }
}

void TsCommonData::Loaded() {
  ApplyDefaultSection();
  if (!IsSkinned(false) || !LinkedControl || !LinkedControl->Parent() || IsLoading(LinkedControl)) return;
  if (dynamic_cast<vcl::TWinControl*>(LinkedControl)) SendControlLoaded(LinkedControl);
  ApplyEditColours();
}

void TsCommonData::ApplyEditColours() {
  if (!LinkedControl || !(dynamic_cast<vcl::TCustomEdit*>(LinkedControl) || ControlCode == 97)) return;
  const TsGeneralData* s = Section();
  if (!s) return;
  if (!customColor_ && LinkedControl->Color() != vcl::TColor(s->Color)) LinkedControl->SetColor(vcl::TColor(s->Color));
  if (!customFont_ && LinkedControl->Font()->Color() != vcl::TColor(s->FontColor[0]))
    LinkedControl->Font()->SetColor(vcl::TColor(s->FontColor[0]));
}

void TsCommonData::SetCustomColor(bool value) {
  if (value == customColor_) return;
  customColor_ = value;
  if (IsSkinned() && dynamic_cast<vcl::TCustomEdit*>(LinkedControl) && !IsLoading(LinkedControl)) {
    ApplyEditColours();
    Invalidate();
  }
}

void TsCommonData::SetCustomFont(bool value) {
  if (value == customFont_) return;
  customFont_ = value;
  Invalidate();
}

// ---- Queries ----

bool TsCommonData::IsSkinned(bool requireActive) const {
  TsSkinManager* m = GetSkinManager();
  if (!m || SectionIndex < 0 || OwnerDestroying() || IsDestroying(m)) return false;
  if (requireActive && !m->SkinData()->Active) return false;
  return m->IsSectionIndexValid(SectionIndex);
}

bool TsCommonData::SectionIsTransparent() const {
  const TsGeneralData* s = Section();
  return s && s->Transparency > 0;
}

int32_t TsCommonData::GetBorderWidth() const {
  TsSkinManager* m = GetSkinManager();
  if (!m || !m->IsMaskIndexValid(BorderMaskIndex)) return 0;
  const TsMaskData& mask = m->Masks[size_t(BorderMaskIndex)];
  if (mask.StretchMode & 2) return 0;
  return std::max({mask.WL, mask.WT, mask.WR, mask.WB});
}

bool TsCommonData::CacheRequired() const {
  return AnimationInProgress || AlwaysUseCache || !(PaintFlags & pfFastPaint) || InHotState();
}

bool TsCommonData::NeedsCache() {
  if (AlwaysUseCache) {
    if (!CacheBitmap) CacheBitmap = CreateBmp24(0, 0);
    return true;
  }
  const TsGeneralData* s = Section();
  if (!s) return false;
  TsSkinManager* m = GetSkinManager();
  if (m->IsMaskIndexValid(BorderMaskIndex)) {
    const TsMaskData& mask = m->Masks[size_t(BorderMaskIndex)];
    if (mask.WL + mask.WR > 30 || mask.WT + mask.WB > 30) return true;
  }
  if (s->Transparency == 100) {
    if (!LinkedControl || !LinkedControl->Parent()) return true;
    return !(SendAlphaCmdCtrl(LinkedControl->Parent(), cmdFastFlags, 0) & pfFastPaint);
  }
  if (s->Transparency != 0) return true;
  return s->ImagePercent != 0 || s->GradientPercent != 0;
}

void TsCommonData::UpdateFastFlag(bool recurse) {
  PaintFlags &= uint16_t(~pfFastPaint);
  if (LinkedControl) {
    if (dynamic_cast<vcl::TCustomFrame*>(LinkedControl) || dynamic_cast<vcl::TPanel*>(LinkedControl) ||
        dynamic_cast<vcl::TScrollingWinControl*>(LinkedControl) || dynamic_cast<vcl::TPageControl*>(LinkedControl)) {
      if (!NeedsCache()) PaintFlags |= pfFastPaint;
    }
    auto* win = dynamic_cast<vcl::TWinControl*>(LinkedControl);
    if (recurse && win)
      for (int i = 0; i < win->ControlCount(); ++i) SendAlphaCmdCtrl(win->Controls(i), cmdFastFlags, 1);
  } else if (IacProviderOwner* provider = Provider()) {
    vcl::TCustomForm* form = provider->ProviderForm();
    if (form && form->FormStyle() != vcl::fsMDIForm && !NeedsCache()) PaintFlags |= pfFastPaint;
  }
}

bool TsCommonData::IsUpdating() const {
  TsSkinManager* m = GetSkinManager();
  if (!m || IsDesigning(m)) return false;
  if (!CacheRequired()) return UpdatePending;
  if (!LinkedControl || IsDestroying(LinkedControl)) return UpdatePending;
  if (UpdatePending || !LinkedControl->Parent()) return true;
  return SendAlphaCmdCtrl(LinkedControl->Parent(), cmdGetStale, 0) != 0;
}

bool TsCommonData::InHotState() const {
  if (!LinkedControl || IsDestroying(LinkedControl) || !LinkedControl->Enabled() || IsDesigning(LinkedControl))
    return false;
  if (HasFocus) return true;
  if (auto* win = dynamic_cast<vcl::TWinControl*>(LinkedControl); win && win->HandleAllocated() && win->Focused())
    return true;
  return MouseOver && !CodeInSet(NoHoverCodes, ControlCode);
}

bool TsCommonData::ShowsParentImage() const {
  if (ParentImageForced || !IsSkinned() || InheritsFromName(LinkedControl, "TsTabSheet") || !LinkedControl ||
      LinkedControl->ControlState().Contains(vcl::csCreating) || !LinkedControl->Visible())
    return true;
  const TsGeneralData* s = Section();
  if (!s) return false;
  bool result = !LinkedControl->Enabled() || s->Transparency > 0;
  vcl::TWinControl* parent = LinkedControl->Parent();
  if (result && parent && parent->HandleAllocated())
    result = SendMessageA(parent->Handle(), SM_ALPHACMD, AlphaCmdParam(cmdGetShowsParent), 0) != 0;
  return result;
}

// ---- Cache and updates ----

void TsCommonData::PrepareCacheBmp() {
  if (!CacheBitmap) CacheBitmap = CreateBmp24(0, 0);
  if (CacheBitmap->HandleType() != vcl::bmDIB) CacheBitmap->SetHandleType(vcl::bmDIB);
  if (!LinkedControl) return;
  int w = LinkedControl->Width(), h = LinkedControl->Height();
  if (CacheBitmap->Width() != w || CacheBitmap->Height() != h) CacheBitmap->SetSize(std::max(w, 0), std::max(h, 0));
}

void TsCommonData::InitCacheBmp24() {
  PrepareCacheBmp();
  if (CacheBitmap->PixelFormat() != vcl::pf24bit) CacheBitmap->SetPixelFormat(vcl::pf24bit);
}

void TsCommonData::Invalidate() {
  if (LinkedControl && !IsDestroying(LinkedControl) && !IsLoading(LinkedControl)) {
    CacheStale = true;
    if (ControlReadyToPaint(LinkedControl)) LinkedControl->Invalidate();
  } else if (IacProviderOwner* provider = Provider()) {
    CacheStale = true;
    vcl::TCustomForm* form = provider->ProviderForm();
    if (form && form->HandleAllocated())
      RedrawWindow(form->Handle(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
  }
}

void TsCommonData::AnnounceUpdate(uint16_t command) {
  if (LinkedControl) {
    LinkedControl->Perform(SM_ALPHACMD, AlphaCmdParam(command), 0);
  } else if (IacProviderOwner* provider = Provider()) {
    vcl::TCustomForm* form = provider->ProviderForm();
    if (form && form->HandleAllocated()) SendAlphaCmdWnd(form->Handle(), command, 0);
  }
}

void TsCommonData::BeginUpdate() {
  UpdatePending = true;
  PaintFlags |= pfUpdateAnnounced;
  AnnounceUpdate(cmdBeginUpdate);
}

void TsCommonData::EndUpdate(bool invalidate) {
  UpdatePending = false;
  PaintFlags &= uint16_t(~pfUpdateAnnounced);
  AnnounceUpdate(cmdEndUpdate);
  if (invalidate) Invalidate();
}

void TsCommonData::UpdateGlowEffect(bool remove, HWND window) {
  // Glows are layered windows; while the manager allows none there is nothing to show or
  // free.
  TsSkinManager* m = GetSkinManager();
  const TsGeneralData* s = Section();
  if (!m || !m->GetAllowGlowing() || !s || s->GlowCount < 1) return;
  RECT rect{}, clip{};
  HWND owner = nullptr;
  if (vcl::TControl* control = LinkedControl) {
    const vcl::TPoint origin = control->ClientToScreen(vcl::TPoint{0, 0});
    rect = {origin.x, origin.y, origin.x + control->Width(), origin.y + control->Height()};
    POINT cursor{};
    const bool pressed = GetKeyState(VK_LBUTTON) < 0 && GetCursorPos(&cursor) && PtInRect(&rect, cursor);
    const bool shown = GlowEffectOf(GlowHandle, this) != nullptr;
    if (!MouseOver || pressed || (remove && shown)) {
      FreeOwnGlow();
      return;
    }
    vcl::TCustomForm* form = vcl::GetParentForm(control);
    if (!form || !form->HandleAllocated()) return;
    if (form->FormStyle() == vcl::fsMDIChild && vcl::Application && vcl::Application->MainForm() &&
        vcl::Application->MainForm()->HandleAllocated())
      owner = vcl::Application->MainForm()->Handle();
    else if (auto* parent = form->Parent(); parent && parent->HandleAllocated())
      owner = GetAncestor(parent->Handle(), GA_ROOT);
    else
      owner = form->Handle();
    auto* win = dynamic_cast<vcl::TWinControl*>(control);
    if (win && win->HandleAllocated()) {
      HDC dc = GetWindowDC(win->Handle());
      GetClipBox(dc, &clip);
      ReleaseDC(win->Handle(), dc);
    } else if (vcl::TWinControl* parent = control->Parent(); parent && parent->HandleAllocated()) {
      // The parent's visible part, seen from the control and cut to its size.
      HDC dc = GetDC(parent->Handle());
      GetClipBox(dc, &clip);
      ReleaseDC(parent->Handle(), dc);
      OffsetRect(&clip, -control->Left(), -control->Top());
      RECT own{0, 0, control->Width(), control->Height()};
      IntersectRect(&clip, &clip, &own);
    } else {
      return;
    }
  } else {
    if (!window || !IsWindow(window)) return;
    GetWindowRect(window, &rect);
    HDC dc = GetWindowDC(window);
    GetClipBox(dc, &clip);
    ReleaseDC(window, dc);
    owner = GetAncestor(window, GA_ROOT);
  }
  // One glow per link: a glow still shown goes before its successor comes.
  FreeOwnGlow();
  // A glow is a window of per-pixel alpha: a desktop that does not compose windows (an X
  // desktop without a compositor) would show its clear parts black, over the control itself.
  if (ThreadHookProcs.CompositionEnabled && !ThreadHookProcs.CompositionEnabled()) return;
  GlowHandle = CreateGlowEffect(vcl::TRect{rect.left, rect.top, rect.right, rect.bottom},
                                vcl::TRect{clip.left, clip.top, clip.right, clip.bottom}, SkinSection(), m, owner,
                                s->GlowMargin, "GLOW");
  if (TacGlowEffect* glow = GlowEffectOf(GlowHandle, nullptr)) glow->Creator = this;
}

// ---- Colours and backgrounds ----

int32_t TsCommonData::OwnColor() const {
  if (LinkedControl) return vcl::ColorToRGB(LinkedControl->Color());
  if (IacProviderOwner* provider = Provider())
    if (vcl::TCustomForm* form = provider->ProviderForm()) return vcl::ColorToRGB(form->Color());
  return vcl::ColorToRGB(vcl::clBtnFace);
}

int32_t TsCommonData::BgColorForState(int32_t state, HWND window) const {
  const TsGeneralData* s = Section();
  if (!IsSkinned() || !s) return OwnColor();
  const int32_t colour = state == 0 ? s->Color : s->HotColor;
  const int32_t t = state == 0 ? s->Transparency : s->HotTransparency;
  auto parentColour = [&]() -> int32_t {
    if (LinkedControl) return LinkedControl->Parent() ? GetControlBgColor(LinkedControl->Parent()) : OwnColor();
    if (window && GetParent(window)) return GetWindowBgColor(GetParent(window));
    return vcl::ColorToRGB(vcl::clBtnFace);
  };
  if (t >= 100) return parentColour();
  if (t > 0) return MixWithParent(colour, parentColour(), t);
  return customColor_ ? OwnColor() : colour;
}

int32_t TsCommonData::ChildrenBgColor() const {
  if (!LinkedControl) return SkinKeyColor;
  const TsGeneralData* s = Section();
  if (!IsSkinned() || !s) return vcl::ColorToRGB(LinkedControl->Color());
  if (s->Transparency == 0) return s->Color;
  vcl::TWinControl* parent = LinkedControl->Parent();
  if (s->Transparency >= 100) {
    if (!parent) return vcl::ColorToRGB(LinkedControl->Color());
    int32_t answer = parent->HandleAllocated()
                         ? int32_t(SendMessageA(parent->Handle(), SM_ALPHACMD, AlphaCmdParam(cmdGetBgColor), 0))
                         : int32_t(parent->Perform(SM_ALPHACMD, AlphaCmdParam(cmdGetBgColor), 0));
    // The key colour (or no answer) means an unskinned parent: its own colour.
    if (answer == SkinKeyColor || answer == 0) return vcl::ColorToRGB(parent->Color());
    return answer;
  }
  int32_t p = parent ? GetControlBgColor(parent) : vcl::ColorToRGB(LinkedControl->Color());
  return MixWithParent(s->Color, p, s->Transparency);
}

void TsCommonData::ProvideBgInfo(TsBackgroundRequest& request, int32_t state, HWND window) {
  const TsGeneralData* s = Section();
  if (!IsSkinned() || !s || customColor_) {
    request.Kind = bkColor;
    request.Color = OwnColor();
    return;
  }
  const int32_t t = state == 0 ? s->Transparency : s->HotTransparency;
  const int32_t g = state == 0 ? s->GradientPercent : s->HotGradientPercent;
  const int32_t i = state == 0 ? s->ImagePercent : s->HotImagePercent;
  auto answerFromCache = [&](int32_t fallbackColour) {
    if (!CacheBitmap) {
      request.Kind = bkColor;
      request.Color = fallbackColour;
      return;
    }
    request.Kind = bkBitmap;
    if (request.DrawIntoDC && request.DC) {
      HDC cacheDC = CacheBitmap->Canvas()->Handle();
      BitBlt(request.DC, request.Rect.left, request.Rect.top, request.Rect.right - request.Rect.left,
             request.Rect.bottom - request.Rect.top, cacheDC, request.OffsetX, request.OffsetY, SRCCOPY);
    } else {
      request.Bitmap = CacheBitmap.get();
      request.OffsetX = request.OffsetY = 0;
    }
  };
  if (t == 0 && g <= 0 && i <= 0) {
    request.Kind = bkColor;
    request.Bitmap = CacheBitmap.get();
    request.Color = BgColorForState(state, window);
    if (request.DrawIntoDC && request.DC) PaintSolidRect(request.DC, request.Rect, request.Color);
    return;
  }
  if (t != 100) {
    answerFromCache(SkinKeyColor);
    return;
  }
  TsSkinManager* m = GetSkinManager();
  if (m->IsMaskIndexValid(BorderMaskIndex)) {
    const TsMaskData& mask = m->Masks[size_t(BorderMaskIndex)];
    if (mask.WL + mask.WR > 24 || mask.WT + mask.WB > 24) {
      int32_t fallback = LinkedControl && LinkedControl->Parent() ? GetControlBgColor(LinkedControl->Parent())
                         : DefaultManager                         ? int32_t(DefaultManager->GetGlobalColor())
                                                                  : vcl::ColorToRGB(vcl::clBtnFace);
      answerFromCache(fallback);
      return;
    }
  }
  // See-through: the question goes on to the parent, with this control's place in it.
  vcl::TControl* parent = nullptr;
  vcl::TPoint delta{0, 0};
  if (LinkedControl) {
    parent = LinkedControl->Parent();
    delta = {LinkedControl->Left(), LinkedControl->Top()};
  } else if (IacProviderOwner* provider = Provider()) {
    if (vcl::TCustomForm* form = provider->ProviderForm()) {
      parent = form->Parent();
      delta = {form->Left(), form->Top()};
    }
  }
  if (parent) {
    if (request.DrawIntoDC) {
      request.OffsetX += delta.x;
      request.OffsetY += delta.y;
    }
    RequestCtrlBackground(request, parent, request.DrawIntoDC);
    if (request.Kind == bkBitmap && !request.DrawIntoDC) {
      request.OffsetX += delta.x;
      request.OffsetY += delta.y;
    }
  } else if (window && GetParent(window)) {
    HWND parentWindow = GetParent(window);
    request.DrawIntoDC = false;
    RequestWndBackground(request, parentWindow, false);
    if (request.Kind == bkBitmap) {
      POINT corner{0, 0};
      MapWindowPoints(window, parentWindow, &corner, 1);
      request.OffsetX += corner.x;
      request.OffsetY += corner.y;
    }
  } else {
    request.Kind = bkColor;
    request.Color = DefaultManager ? int32_t(DefaultManager->GetGlobalColor()) : vcl::ColorToRGB(vcl::clBtnFace);
  }
}

void TsCommonData::GetParentBgInfo(TsBackgroundInfo& info) const {
  if (IsSkinned() && LinkedControl && LinkedControl->Parent()) {
    TsBackgroundRequest request;
    RequestCtrlBackground(request, LinkedControl->Parent(), false);
    BgRequestToBgInfo(request, info);
    return;
  }
  info.X = 0;
  info.Y = 0;
  info.FillColor = BgColorForState(0);
  info.Ready = false;
}

int32_t GetParentFontSkinIndex(vcl::TControl* control, int32_t def, TsSkinManager* manager) {
  // Each step goes one parent up, so the walk ends at the top of the tree.
  while (control && manager) {
    vcl::TWinControl* parent = control->Parent();
    if (!parent || !parent->HandleAllocated()) return def;
    LRESULT answer = SendMessageA(parent->Handle(), SM_ALPHACMD, AlphaCmdParam(cmdGetSectionIndex), 0);
    if (answer == 0) return def;
    int32_t s = int32_t(answer) - 1;
    if (!manager->IsSectionIndexValid(s)) return def;
    const TsGeneralData& section = manager->Sections[size_t(s)];
    if (section.Transparency > 50 && parent->Parent()) {
      control = parent;
      continue;
    }
    return section.GiveOwnFont ? s : def;
  }
  return def;
}

void GetWndParentBgInfo(HWND window, TsBackgroundInfo& info) {
  info.Ready = false;
  HWND parent = window ? GetParent(window) : nullptr;
  if (!parent) {
    info = EmptyBackgroundInfo;
    return;
  }
  TsBackgroundRequest request;
  RequestWndBackground(request, parent, false);
  BgRequestToBgInfo(request, info);
}

// ---- Messages ----

bool ProcessAlphaCmd(vcl::TMessage& message, TsCommonData* link) {
  if (!link || message.Msg != SM_ALPHACMD) return false;
  const uint16_t command = HIWORD(message.WParam);
  const uint16_t argument = LOWORD(message.WParam);
  const bool own = LPARAM(link->GetSkinManager()) == message.LParam;
  vcl::TControl* control = link->LinkedControl;
  switch (command) {
    case cmdSkinSet:
      if (!own) return false;
      link->ResolveSkinIndexes();
      link->UpdateFastFlag(false);
      GlobalSkinApplying = false;
      return false;
    case cmdSkinRemoved: {
      if (!own) return false;
      if (link->HasOwnManager() && link->GetSkinManager()->ComponentState().Contains(vcl::csDestroying))
        link->ForgetOwnManager();
      link->SectionIndex = link->BorderMaskIndex = link->PatternIndex = link->HotPatternIndex = -1;
      link->UpdatePending = true;
      if (link->CacheBitmap) link->CacheBitmap->SetSize(0, 0);
      if (auto* edit = dynamic_cast<vcl::TCustomEdit*>(control)) {
        if (!link->CustomColor()) edit->SetColor(vcl::clWindow);
        if (!link->CustomFont()) edit->Font()->SetColor(vcl::clWindowText);
        RedrawFrame(edit);
      } else if (auto* win = dynamic_cast<vcl::TWinControl*>(control)) {
        for (int i = 0; i < win->ControlCount(); ++i)
          if (auto* label = dynamic_cast<vcl::TLabel*>(win->Controls(i))) label->Font()->SetColor(vcl::clWindowText);
      }
      return false;
    }
    case cmdSkinRefresh:
      if (!own) return false;
      link->CacheStale = true;
      link->UpdatePending = false;
      if (auto* edit = dynamic_cast<vcl::TCustomEdit*>(control); edit && link->IsSkinned()) {
        const TsGeneralData& s = link->GetSkinManager()->Sections[size_t(link->SectionIndex)];
        if (!link->CustomColor()) edit->SetColor(vcl::TColor(s.Color));
        if (!link->CustomFont()) edit->Font()->SetColor(vcl::TColor(s.FontColor[0]));
        RedrawFrame(edit);
      }
      link->UpdateFastFlag(false);
      return false;
    case cmdIsSkinned:
      message.Result = 1;
      return true;
    case cmdSetUpdating:
      link->UpdatePending = argument == 1;
      return false;
    case cmdSetParentImage:
      link->ParentImageForced = argument == 1;
      return false;
    case cmdGetStale:
      message.Result = link->CacheStale || link->UpdatePending ? 1 : 0;
      return true;
    case cmdGetPartlyHidden:
      message.Result = link->PartlyHidden ? 1 : 0;
      return true;
    case cmdInvalidateIfTransparent:
      if (argument == 1 && link->SectionIsTransparent()) link->CacheStale = true;
      return false;
    case cmdResetSection:
      if (vcl::UpperCase(link->SkinSection()) == ResetSectionName) {
        GlobalSkinApplying = false;
        link->Invalidate();
      }
      return false;
    case cmdInvalidate:
      link->CacheStale = true;
      return false;
    case cmdGetShowsParent: {
      if (link->SectionIndex < 0 || !link->IsSkinned()) return false;
      const TsGeneralData& s = link->GetSkinManager()->Sections[size_t(link->SectionIndex)];
      LRESULT answer;
      if (s.Transparency == 100 && control && control->Parent()) {
        vcl::TWinControl* parent = control->Parent();
        answer = parent->HandleAllocated() ? SendMessageA(parent->Handle(), SM_ALPHACMD, AlphaCmdParam(cmdGetShowsParent), 0)
                                           : 0;
      } else {
        answer = s.GradientPercent + s.ImagePercent > 0 || link->ShowsParentImage() ? 1 : 0;
      }
      message.LParam = answer;
      message.Result = answer;
      return true;
    }
    case cmdBackgroundMoved: {
      bool shows = link->ShowsParentImage();
      if (shows) link->CacheStale = true;
      if (auto* win = dynamic_cast<vcl::TWinControl*>(control)) {
        if (argument == 1 && win->HandleAllocated())
          RedrawWindow(win->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_NOINTERNALPAINT | RDW_ALLCHILDREN);
        if (shows)
          for (int i = 0; i < win->ControlCount(); ++i)
            if (!IsDestroying(win->Controls(i))) SendAlphaCmdCtrl(win->Controls(i), cmdBackgroundMoved, 0);
      }
      return false;
    }
    case cmdGetBgColor:
      if (!control) return false;
      message.Result = LRESULT(uint32_t(link->ChildrenBgColor()));
      return true;
    case cmdSetPartlyHidden:
      link->PartlyHidden = true;
      return false;
    case cmdGetSectionIndex:
      message.Result = link->SectionIndex + 1;
      return true;
    case cmdGetBackground:
      if (message.LParam) link->ProvideBgInfo(*reinterpret_cast<TsBackgroundRequest*>(message.LParam), 0, nullptr);
      return false;
    case cmdFastFlags:
      if (message.LParam == 1)
        link->UpdateFastFlag(true);
      else
        message.Result = link->PaintFlags;
      return true;
    case cmdGetApplication:
      message.Result = LRESULT(vcl::Application);
      return false;
    default:
      return false;
  }
}

bool PreprocessControlMessage(vcl::TMessage& message, TsCommonData* link) {
  if (!link) return false;
  if (message.Msg == SM_ALPHACMD) return ProcessAlphaCmd(message, link);
  vcl::TControl* control = link->LinkedControl;
  auto* win = dynamic_cast<vcl::TWinControl*>(control);
  const int32_t code = link->ControlCode;
  const bool glowless = CodeInSet(NoGlowCodes, code) || (code >= 92 && code <= 94);
  switch (message.Msg) {
    case WM_MOVE:
      if (link->ShowsParentImage()) {
        link->CacheStale = true;
        if (control) control->Perform(SM_ALPHACMD, AlphaCmdParam(cmdBackgroundMoved, 1), 0);
        link->UpdateGlowEffect(true, nullptr);
      }
      break;
    case WM_SIZE:
      if (link->IsSkinned()) {
        link->CacheStale = true;
        const TsGeneralData& s = link->GetSkinManager()->Sections[size_t(link->SectionIndex)];
        if (win && s.GradientPercent > 0)
          for (int i = 0; i < win->ControlCount(); ++i) {
            vcl::TControl* child = win->Controls(i);
            if (IsDestroying(child) || child->Anchors().Contains(vcl::akRight) || child->Anchors().Contains(vcl::akBottom))
              continue;
            child->Perform(SM_ALPHACMD, AlphaCmdParam(cmdBackgroundMoved, 1), 0);
          }
        link->UpdateGlowEffect(true, nullptr);
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (win && win->CanFocus() && win->TabStop()) {
        link->CacheStale = true;
        link->HasFocus = message.Msg == WM_SETFOCUS;
        if (CodeInSet(EditLikeCodes, code) && (message.Msg == WM_SETFOCUS || win->Visible())) RedrawFrame(win);
      }
      break;
    case WM_FONTCHANGE:
    case vcl::CM_ENABLEDCHANGED:
      link->MouseOver = false;
      link->HasFocus = false;
      if (control && !control->Enabled()) link->UpdateGlowEffect(true, nullptr);
      break;
    case WM_PARENTNOTIFY:
      if (win && LOWORD(message.WParam) == WM_CREATE) SendControlLoaded(control);
      break;
    case vcl::CM_VISIBLECHANGED:
      if (link->CacheBitmap) {
        if (message.WParam == 0) {
          link->CacheBitmap->SetSize(0, 0);
        } else {
          link->UpdatePending = false;
          link->CacheStale = true;
        }
      }
      break;
    case vcl::CM_MOUSEENTER:
      if (IsDesigning(control)) break;
      if (win && DefaultManager) {
        for (int i = 0; i < win->ControlCount(); ++i) {
          vcl::TControl* child = win->Controls(i);
          if (child == control || LPARAM(child) == message.LParam || !InheritsFromName(child, "TsSpeedButton")) continue;
          auto* linked = dynamic_cast<IacSkinLinked*>(child);
          if (linked && linked->SkinLink() && linked->SkinLink()->MouseOver)
            child->Perform(vcl::CM_MOUSELEAVE, 0, LPARAM(child));
        }
        if (!CodeInSet(NoHoverCodes, code)) link->MouseOver = true;
        if (win->HandleAllocated()) DefaultManager->SetHotWindow(win->Handle());
        if (!glowless) link->UpdateGlowEffect(false, nullptr);
        if (CodeInSet(EditLikeCodes, code)) {
          link->CacheStale = true;
          RedrawFrame(win, RDW_UPDATENOW);
        }
      } else if (!CodeInSet(NoHoverCodes, code)) {
        link->MouseOver = true;
      }
      break;
    case vcl::CM_MOUSELEAVE:
      if (IsDesigning(control)) break;
      if (!CodeInSet(NoHoverCodes, code)) link->MouseOver = false;
      if (!glowless) {
        FreeAllGlowEffects();
        link->GlowHandle = -1;
      }
      if (control && control->Visible() && CodeInSet(EditLikeCodes, code)) {
        link->CacheStale = true;
        RedrawFrame(win, RDW_UPDATENOW);
      }
      break;
    default:
      break;
  }
  return false;
}

// ---- Cache copies ----

void CopyCacheExceptChildren(vcl::TWinControl* container, TsCommonData* link, const vcl::TRect& src,
                             const vcl::TRect& dst, HDC dc, bool, int32_t x, int32_t y) {
  if (!link || !link->CacheBitmap || !container) return;
  int saved = SaveDC(dc);
  IntersectClipRect(dc, dst.left, dst.top, dst.right, dst.bottom);
  const bool designing = IsDesigning(container);
  for (int i = 0; i < container->ControlCount(); ++i) {
    vcl::TControl* child = container->Controls(i);
    auto* childWin = dynamic_cast<vcl::TWinControl*>(child);
    if (!child || (!childWin && CacheCoversGraphicChildren) || InheritsFromName(child, "TsSplitter") ||
        !child->Visible())
      continue;
    vcl::TRect r = child->BoundsRect();
    OffsetRect(&r, x, y);
    if (!RectIntersects(dst, r)) continue;
    if (!designing && childWin && !childWin->ControlStyle().Contains(vcl::csOpaque)) continue;
    ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  }
  BitBlt(dc, dst.left, dst.top, dst.right - dst.left, dst.bottom - dst.top, link->CacheBitmap->Canvas()->Handle(),
         src.left, src.top, SRCCOPY);
  RestoreDC(dc, saved);
}

void CopyCacheExceptChildWnds(HWND window, TsCommonData* link, const vcl::TRect& src, const vcl::TRect& dst, HDC dc,
                              bool, int32_t x, int32_t y) {
  if (!link || !link->CacheBitmap || !window) return;
  int saved = SaveDC(dc);
  IntersectClipRect(dc, dst.left, dst.top, dst.right, dst.bottom);
  RECT windowRect{};
  GetWindowRect(window, &windowRect);
  for (HWND child = GetTopWindow(window); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    RECT r{};
    GetWindowRect(child, &r);
    OffsetRect(&r, -windowRect.left - x, -windowRect.top - y);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    LONG exStyle = GetWindowLongA(child, GWL_EXSTYLE);
    if ((style & 0xF) == BS_GROUPBOX && !(exStyle & WS_EX_CLIENTEDGE)) {
      // A group box hides only its frame; its inside shows the cache.
      if (!DefaultManager) continue;
      int32_t top = int32_t(SendMessageA(child, SM_ALPHACMD, AlphaCmdParam(cmdQueryManager), 0));
      int mask = DefaultManager->FindMaskIndexByName("GROUPBOX", "BORDERSMASK");
      int32_t left = DefaultManager->MaskMarginLeft(mask), right = DefaultManager->MaskMarginRight(mask),
              bottom = DefaultManager->MaskMarginBottom(mask);
      ExcludeClipRect(dc, r.left, r.top, r.right, r.top + top);
      ExcludeClipRect(dc, r.left, r.top, r.left + left, r.bottom);
      ExcludeClipRect(dc, r.right - right, r.top, r.right, r.bottom);
      ExcludeClipRect(dc, r.left, r.bottom - bottom, r.right, r.bottom);
    } else {
      ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
  }
  BitBlt(dc, dst.left, dst.top, dst.right - dst.left, dst.bottom - dst.top, link->CacheBitmap->Canvas()->Handle(),
         src.left, src.top, SRCCOPY);
  RestoreDC(dc, saved);
}

VCL_PUBLISHED(TsCommonData, p) {
  using C = TsCommonData;
  p.Bool("CustomColor", &C::CustomColor, &C::SetCustomColor, false)
      .Bool("CustomFont", &C::CustomFont, &C::SetCustomFont, false)
      .Component("SkinManager", &C::SkinManager, &C::SetSkinManager)
      .Stored(&C::HasOwnManager)
      .String("SkinSection", &C::SkinSection, &C::SetSkinSection);
}

}  // namespace skin
