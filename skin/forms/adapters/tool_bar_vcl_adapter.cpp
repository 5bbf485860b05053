#include "skin/forms/adapters/tool_bar_vcl_adapter.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/component_state.h"
#include "skin/engine/graphics/disabled_look.h"
#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/skin_painting.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "vcl/controls/menus.h"
#include "vcl/graphics/imagelist.h"

namespace skin {

namespace {

// The handlers put into the bar's events: named types, so that the adapter can tell its own
// handlers from the application's when it gives the events back.
struct BarDrawHook {
  TacToolBarVCLWnd* adapter;
  void operator()(vcl::TToolBar* bar, const vcl::TRect& rect, vcl::TCustomDrawStage stage, bool& defaultDraw) const {
    adapter->AdvancedCustomDraw(bar, rect, stage, defaultDraw);
  }
};

struct ButtonDrawHook {
  TacToolBarVCLWnd* adapter;
  void operator()(vcl::TToolBar* bar, vcl::TToolButton* button, vcl::TCustomDrawState state,
                  vcl::TCustomDrawStage stage, vcl::TTBCustomDrawFlags& flags, bool& defaultDraw) const {
    adapter->AdvancedCustomDrawButton(bar, button, state, stage, flags, defaultDraw);
  }
};

constexpr UINT kDropDownClosed = 0x1400;

bool Alive(vcl::TComponent* component) {
  return component && !component->ComponentState().Contains(vcl::csDestroying);
}

}  // namespace

TacToolBarVCLWnd::TacToolBarVCLWnd(HWND wnd, const std::string& section, TsSkinManager* manager,
                                   TsCommonData* skinLink)
    : TacMainWnd(wnd, section.empty() ? "TOOLBAR" : section, manager, skinLink),
      bar_(dynamic_cast<vcl::TToolBar*>(OwnerControl())) {
  if (!bar_) return;
  if (!bar_->OnAdvancedCustomDraw) bar_->OnAdvancedCustomDraw = BarDrawHook{this};
  if (!bar_->OnAdvancedCustomDrawButton) bar_->OnAdvancedCustomDrawButton = ButtonDrawHook{this};
}

TacToolBarVCLWnd::~TacToolBarVCLWnd() { GiveEventsBack(); }

bool TacToolBarVCLWnd::OwnsBarEvents() const {
  const BarDrawHook* hook = bar_ ? bar_->OnAdvancedCustomDraw.target<BarDrawHook>() : nullptr;
  return hook && hook->adapter == this;
}

bool TacToolBarVCLWnd::OwnsButtonEvents() const {
  const ButtonDrawHook* hook = bar_ ? bar_->OnAdvancedCustomDrawButton.target<ButtonDrawHook>() : nullptr;
  return hook && hook->adapter == this;
}

void TacToolBarVCLWnd::GiveEventsBack() {
  // A bar on its way out has already dropped its events.
  if (!Alive(bar_)) {
    bar_ = nullptr;
    return;
  }
  if (OwnsBarEvents()) bar_->OnAdvancedCustomDraw = nullptr;
  if (OwnsButtonEvents()) bar_->OnAdvancedCustomDrawButton = nullptr;
  bar_ = nullptr;
}

void TacToolBarVCLWnd::RestoreInitialState() {
  GiveEventsBack();
  DroppedButton = nullptr;
  HotButton = -1;
}

bool TacToolBarVCLWnd::Skinned() const { return !Detached && SkinActive() && SkinLink && SkinLink->IsSkinned(false); }

int TacToolBarVCLWnd::ButtonAtPoint(POINT point) const {
  if (!bar_) return -1;
  const int count = int(SendMessageA(Wnd, TB_BUTTONCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    RECT r{};
    if (!SendMessageA(Wnd, TB_GETITEMRECT, WPARAM(i), LPARAM(&r)) || !PtInRect(&r, point)) continue;
    if (i >= bar_->ButtonCount()) return -1;
    return bar_->Buttons(i)->Style() < vcl::tbsSeparator ? i : -1;
  }
  return -1;
}

void TacToolBarVCLWnd::PrepareCache() {
  ReadGeometry();
  SizeCacheToWindow(SkinLink, Wnd);
  TsBackgroundInfo parent;
  GetWndParentBgInfo(Wnd, parent);
  PaintSkinDataItem(SkinLink, parent, true, false, SkinLink->CacheBitmap.get(), {PosInParent.x, PosInParent.y},
                    {0, 0, WindowWidth, WindowHeight}, 0);
  SkinLink->CacheStale = false;
}

void TacToolBarVCLWnd::PaintNonClient(HDC given) {
  vcl::TRect client;
  GetClientRectInWindow(Wnd, client);
  ReadGeometry();
  if (client.left == 0 && client.top == 0 && client.right == WindowWidth && client.bottom == WindowHeight) return;
  if (SkinLink->CacheStale || !SkinLink->CacheBitmap || SkinLink->CacheBitmap->Width() != WindowWidth) PrepareCache();
  HDC dc = given ? given : GetWindowDC(Wnd);
  if (!dc) return;
  const int saved = SaveDC(dc);
  ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
  BitBlt(dc, 0, 0, WindowWidth, WindowHeight, SkinLink->CacheBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
  RestoreDC(dc, saved);
  if (!given) ReleaseDC(Wnd, dc);
}

void TacToolBarVCLWnd::AdvancedCustomDraw(vcl::TToolBar* bar, const vcl::TRect& rect, vcl::TCustomDrawStage stage,
                                          bool& defaultDraw) {
  if (!Skinned() || bar != bar_) {
    defaultDraw = true;
    return;
  }
  SkinLink->UpdatePending = SkinLink->IsUpdating();
  if (stage != vcl::cdPrePaint) {
    defaultDraw = false;
    return;
  }
  if (SkinLink->UpdatePending) return;
  if (SkinLink->CacheStale || !SkinLink->CacheBitmap || SkinLink->CacheBitmap->Width() != WindowWidth) PrepareCache();
  vcl::TRect client;
  GetClientRectInWindow(Wnd, client);
  // The platform's pre-paint rectangle may cover only its buttons: the whole client area is
  // filled (the paint DC is clipped to what needs painting anyway).
  (void)rect;
  const vcl::TRect area{0, 0, client.right - client.left, client.bottom - client.top};
  HDC dc = bar->Canvas()->Handle();
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  // Opaque and windowless children paint themselves: their area is left out.
  for (int i = 0; i < bar->ControlCount(); ++i) {
    vcl::TControl* child = bar->Controls(i);
    if (!child || !child->Visible() || dynamic_cast<vcl::TToolButton*>(child)) continue;
    const bool windowless = dynamic_cast<vcl::TWinControl*>(child) == nullptr;
    if (windowless || child->ControlStyle().Contains(vcl::csOpaque))
      ExcludeClipRect(dc, child->Left(), child->Top(), child->Left() + child->Width(), child->Top() + child->Height());
  }
  BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top,
         SkinLink->CacheBitmap->Canvas()->Handle(), client.left + area.left, client.top + area.top, SRCCOPY);
  RestoreDC(dc, saved);
  PaintGraphicControlsToDC(dc, bar, {0, 0});
  SendRepaintToChildren(bar);
  if (client.left != 0 || client.top != 0 || client.right != WindowWidth || client.bottom != WindowHeight)
    SendMessageA(Wnd, WM_NCPAINT, 0, 0);
}

void TacToolBarVCLWnd::AdvancedCustomDrawButton(vcl::TToolBar* bar, vcl::TToolButton* button,
                                                vcl::TCustomDrawState state, vcl::TCustomDrawStage stage,
                                                vcl::TTBCustomDrawFlags& flags, bool& defaultDraw) {
  if (!Skinned() || bar != bar_ || !button) {
    defaultDraw = true;
    return;
  }
  defaultDraw = false;
  if (stage != vcl::cdPrePaint) return;
  TsSkinManager* manager = SkinLink->GetSkinManager();
  if (!manager) return;
  const int index = button->Index();
  if (!bar->Flat() && !IsDesigning(bar) && index == HotButton) state.Include(vcl::cdsHot);
  flags.Include(vcl::tbNoEdges);
  flags.Include(vcl::tbNoEtchedEffect);

  RECT r{};
  if (!SendMessageA(Wnd, TB_GETITEMRECT, WPARAM(index), LPARAM(&r))) return;
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  auto part = CreateBmp24(w, h);
  vcl::TCanvas* canvas = part->Canvas();
  canvas->Font()->Assign(bar->Font());

  vcl::TCustomDrawState onlyDisabled;
  onlyDisabled.Include(vcl::cdsDisabled);
  int drawState = 0;
  const bool pressedLook = state.Contains(vcl::cdsSelected) || state.Contains(vcl::cdsChecked) || button->Marked() ||
                           button->Indeterminate() || button->Down();
  if (button->Marked() || button->Indeterminate() || (!(state == vcl::TCustomDrawState{}) && !(state == onlyDisabled)))
    drawState = pressedLook ? 2 : 1;
  else if (button->Down())
    drawState = 2;

  // The cache behind the button: its place in the client area plus the bar's edges and border.
  const int edges = (bar->EdgeInner() != vcl::esNone ? 1 : 0) + (bar->EdgeOuter() != vcl::esNone ? 1 : 0);
  const int border = bar->BorderWidth() * 2;
  const int ox = bar->EdgeBorders().Contains(vcl::ebLeft) ? edges + border : border;
  const int oy = bar->EdgeBorders().Contains(vcl::ebTop) ? edges + border : border;
  if (SkinLink->CacheStale || !SkinLink->CacheBitmap || SkinLink->CacheBitmap->Width() != WindowWidth) PrepareCache();
  BitBlt(canvas->Handle(), 0, 0, w, h, SkinLink->CacheBitmap->Canvas()->Handle(), r.left + ox, r.top + oy, SRCCOPY);
  TsBackgroundInfo behind;
  FillBmpBgInfo(SkinLink->CacheBitmap.get(), r.left + ox, r.top + oy, behind);

  const int section = manager->FindSectionIndex("TOOLBUTTON");
  const int borderMask = manager->FindMaskIndex(section, "TOOLBUTTON", "BORDERSMASK");
  const int arrowWidth = button->Style() == vcl::tbsDropDown ? GetSystemMetrics(SM_CXVSCROLL) - 2 : 0;
  const int contentWidth = w - arrowWidth;
  PaintSectionItem(section, "TOOLBUTTON", behind, -1, -1, manager, part.get(), {r.left + ox, r.top + oy},
                   {0, 0, w, h}, drawState, true);

  vcl::TCustomImageList* images = bar->Images();
  const bool hasImage = images && button->ImageIndex() >= 0 && button->ImageIndex() < images->Count();
  const int p = drawState == 2 ? 1 : 0;
  const std::string caption = button->Caption();
  if (bar->ShowCaptions() && !caption.empty()) {
    RECT text{};
    if (bar->List()) {
      text = RECT{images ? images->Width() + 6 : 1, 2, contentWidth - 2, h - 2};
    } else {
      const int tw = canvas->TextWidth(caption), th = canvas->TextHeight("A");
      const int m = images ? (h - images->Height() - th - 3) / 2 : (h - th) / 2;
      const int top = images ? m + images->Height() + 3 : m;
      text = RECT{(contentWidth - tw) / 2 - 1, top, contentWidth - (contentWidth - tw) / 2 + 2, h - m};
    }
    OffsetRect(&text, p, p);
    canvas->Brush()->SetStyle(vcl::bsClear);
    WriteSectionText(canvas, caption, button->Enabled(), manager, drawState > 0,
                     GetParentFontSkinIndex(button, section, manager), DT_CENTER | DT_VCENTER | DT_SINGLELINE,
                     {text.left, text.top, text.right, text.bottom});
  }
  if (hasImage) {
    int x = 0, y = 0;
    if (bar->ShowCaptions() && bar->List()) {
      x = 3;
      y = (h - images->Height()) / 2;
    } else if (bar->ShowCaptions() && !caption.empty()) {
      x = (contentWidth - images->Width()) / 2;
      y = std::max((h - images->Height() - canvas->TextHeight("A") - 3) / 2, 0);
    } else {
      x = (contentWidth - images->Width()) / 2;
      y = (h - images->Height()) / 2;
    }
    images->Draw(canvas, x + p, y + p, button->ImageIndex(), button->Enabled());
  }
  if (button->Style() == vcl::tbsDropDown) {
    const int glyph =
        manager->FindMaskIndex(manager->FindSectionIndex("SCROLLBTNBOTTOM"), "SCROLLBTNBOTTOM", "GLYPHMASK");
    if (manager->IsMaskIndexValid(glyph)) {
      const bool open = (button == DroppedButton && button->DropdownMenu()) || button->Down();
      const int arrowState = open ? 2 : (state.Contains(vcl::cdsHot) ? 1 : 0);
      if (manager->IsMaskIndexValid(borderMask)) {
        TsBackgroundInfo partBehind;
        FillBmpBgInfo(part.get(), contentWidth, 0, partBehind);
        PaintSlicedMask(part.get(), {contentWidth, 0, w, h}, false, partBehind, manager->Masks[size_t(borderMask)],
                        arrowState, false);
      }
      int32_t fw = 0, fh = 0;
      manager->MaskFrameSize(glyph, fw, fh);
      PaintMaskGlyph(part.get(), {(arrowWidth - fw - 3) / 2 + contentWidth + 2, (bar->ButtonHeight() - fh) / 2},
                     arrowState, EmptyBackgroundInfo, manager->Masks[size_t(glyph)], kGlyphNormal);
    }
  }
  if (!button->Enabled() || button->Indeterminate()) {
    TsBackgroundInfo parentInfo;
    FillBmpBgInfo(SkinLink->CacheBitmap.get(), r.left + ox, r.top + oy, parentInfo);
    ApplyDisabledKind(part.get(), TsDisabledKind{dkBlended}, nullptr, {0, 0}, parentInfo);
  }
  BitBlt(bar->Canvas()->Handle(), r.left, r.top, w, h, canvas->Handle(), 0, 0, SRCCOPY);
}

void TacToolBarVCLWnd::RepaintButton(int index) {
  if (!bar_ || index < 0 || index >= bar_->ButtonCount()) return;
  vcl::TToolButton* button = bar_->Buttons(index);
  if (!button->Visible()) return;
  HDC dc = GetWindowDC(Wnd);
  if (!dc) return;
  const int saved = SaveDC(dc);
  vcl::TRect client;
  GetClientRectInWindow(Wnd, client);
  SetWindowOrgEx(dc, -client.left, -client.top, nullptr);
  bar_->Canvas()->SetHandle(dc);
  bool defaultDraw = false;
  vcl::TTBCustomDrawFlags flags;
  try {
    AdvancedCustomDrawButton(bar_, button, vcl::TCustomDrawState{}, vcl::cdPrePaint, flags, defaultDraw);
  } catch (...) {
    bar_->Canvas()->SetHandle(nullptr);
    RestoreDC(dc, saved);
    ReleaseDC(Wnd, dc);
    throw;
  }
  bar_->Canvas()->SetHandle(nullptr);
  RestoreDC(dc, saved);
  ReleaseDC(Wnd, dc);
}

void TacToolBarVCLWnd::WndProc(vcl::TMessage& m) {
  if (Detached || !SkinLink) {
    TacMainWnd::WndProc(m);
    return;
  }
  if (m.Msg == SM_ALPHACMD) {
    const uint16_t command = m.WParamHi();
    if ((command == cmdSkinRemoved || command == cmdSkinRefresh) && m.LParam == LPARAM(SkinLink->GetSkinManager()))
      DroppedButton = nullptr;
    if (command == cmdGetBackground && m.LParam) {
      // A child asks: the answer is in window coordinates, the child lies in the client area.
      ReadGeometry();
      auto& request = *reinterpret_cast<TsBackgroundRequest*>(m.LParam);
      SkinLink->ProvideBgInfo(request, 0, Wnd);
      vcl::TRect client;
      GetClientRectInWindow(Wnd, client);
      request.OffsetX += client.left;
      request.OffsetY += client.top;
      return;
    }
  }
  const bool skinned = Skinned();
  if (skinned) {
    switch (m.Msg) {
      case WM_ERASEBKGND:
        m.Result = 1;
        return;
      case WM_NCPAINT:
        if (!AnimationInProgress) PaintNonClient(nullptr);
        m.Result = 0;
        return;
      case WM_PRINT: {
        HDC dc = reinterpret_cast<HDC>(m.WParam);
        if (!dc) break;
        vcl::TRect client;
        GetClientRectInWindow(Wnd, client);
        PaintNonClient(dc);
        const int saved = SaveDC(dc);
        OffsetWindowOrgEx(dc, -client.left, -client.top, nullptr);
        IntersectClipRect(dc, 0, 0, client.right - client.left, client.bottom - client.top);
        SendMessageA(Wnd, WM_PAINT, m.WParam, 0);
        RestoreDC(dc, saved);
        m.Result = 0;
        return;
      }
      case vcl::CN_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(m.LParam);
        if (header && header->code == TBN_DELETINGBUTTON && bar_ && HotButton >= bar_->ButtonCount() - 1)
          HotButton = -1;
        if (header && header->code == TBN_DROPDOWN && bar_) {
          auto* notice = reinterpret_cast<NMTOOLBARA*>(m.LParam);
          const int index = int(SendMessageA(Wnd, TB_COMMANDTOINDEX, WPARAM(notice->iItem), 0));
          if (index >= 0 && index < bar_->ButtonCount()) {
            DroppedButton = bar_->Buttons(index);
            DroppedButton->Repaint();
          }
        }
        break;
      }
      default:
        break;
    }
  }
  TacMainWnd::WndProc(m);
  if (!skinned || Detached || !bar_) return;
  switch (m.Msg) {
    case WM_SIZE:
      RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE);
      break;
    case WM_MOUSEMOVE: {
      if (bar_->Flat() || IsDesigning(bar_)) break;
      const int index = ButtonAtPoint(POINT{int16_t(LOWORD(m.LParam)), int16_t(HIWORD(m.LParam))});
      if (index == HotButton || (index >= 0 && !bar_->Buttons(index)->Enabled())) break;
      const int previous = HotButton;
      HotButton = index;
      if (previous >= 0 && previous < bar_->ButtonCount() && !bar_->Buttons(previous)->Down()) RepaintButton(previous);
      if (index >= 0 && !bar_->Buttons(index)->Down()) RepaintButton(index);
      break;
    }
    case kDropDownClosed:
      if (DroppedButton) {
        vcl::TToolButton* closed = DroppedButton;
        HotButton = -1;
        DroppedButton = nullptr;
        closed->Repaint();
      }
      break;
    case WM_MOUSELEAVE:
    case vcl::CM_MOUSELEAVE: {
      if (bar_->Flat() || IsDesigning(bar_)) break;
      const int previous = HotButton;
      HotButton = -1;
      if (previous >= 0 && previous < bar_->ButtonCount() && !bar_->Buttons(previous)->Down()) RepaintButton(previous);
      break;
    }
    default:
      break;
  }
}

}  // namespace skin
