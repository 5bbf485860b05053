#include "skin/forms/adapters/edit_wnd.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/glow_effects.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "vcl/controls/application.h"
#include "vcl/graphics/colours.h"
#include "vcl/stdctrls/stdctrls.h"

namespace skin {

namespace {

// The class library's own message that no adapted window should act on.
constexpr UINT kIgnoredLibraryMessage = 0x2100;

bool OwnManagerMessage(const vcl::TMessage& m, TsCommonData* link) {
  return link && m.LParam == LPARAM(link->GetSkinManager());
}

}  // namespace

bool OwnerIsEmptyListBox(TacMainWnd* adapter) {
  auto* list = adapter ? dynamic_cast<vcl::TCustomListBox*>(adapter->OwnerControl()) : nullptr;
  return list && list->Items()->Count() == 0;
}

// ---- TacBaseWnd --------------------------------------------------------------------------------

void TacBaseWnd::WndProc(vcl::TMessage& m) {
  if (Detached || !SkinLink || !SkinLink->IsSkinned(false)) {
    TacScrollWnd::WndProc(m);
    return;
  }
  if (m.Msg == SM_ALPHACMD) {
    switch (m.WParamHi()) {
      case cmdSkinRefresh:
        if (!OwnManagerMessage(m, SkinLink)) break;
        TacScrollWnd::WndProc(m);
        if (!Detached && IsWindowVisible(Wnd)) SendMessageA(Wnd, WM_NCPAINT, 0, 0);
        return;
      case cmdPaintToCache:
        PaintWndCache(SkinLink, Wnd, false);
        break;
      default:
        break;
    }
  }
  switch (m.Msg) {
    case WM_SIZE:
      SkinLink->CacheStale = true;
      break;
    case WM_SETCURSOR:
      PassOn(m);
      return;
    case kIgnoredLibraryMessage:
      return;
    default:
      break;
  }
  TacScrollWnd::WndProc(m);
  if (Detached) return;
  switch (m.Msg) {
    case WM_SIZE:
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (!Notifying) UpdateScrollInfo(true);
      break;
    case WM_ENABLE:
    case vcl::CM_ENABLEDCHANGED:
      if (IsWindowVisible(Wnd)) SendMessageA(Wnd, WM_NCPAINT, 0, 0);
      break;
    default:
      break;
  }
}

// ---- TacEditWnd --------------------------------------------------------------------------------

TacEditWnd::TacEditWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink)
    : TacBaseWnd(wnd, section.empty() ? "EDIT" : section, manager, skinLink) {
  SkinLink->SetSkinSection(section.empty() ? "EDIT" : section);
  SkinLink->ResolveSkinIndexes();
}

bool TacEditWnd::OwnerHasFocusColor() const {
  vcl::TControl* owner = OwnerControl();
  return owner && ControlHasProp(owner, "FocusColor");
}

void TacEditWnd::SaveInitialState() {
  TacBaseWnd::SaveInitialState();
  if (vcl::TControl* owner = OwnerControl()) {
    SavedColor = owner->Color();
    SavedFontColor = owner->Font()->Color();
    if (OwnerHasFocusColor()) SavedFocusColor = vcl::TColor(GetOrdPropByName(owner, "FocusColor"));
  }
}

void TacEditWnd::RestoreInitialState() {
  TacBaseWnd::RestoreInitialState();
  if (Wnd && IsWindow(Wnd) && IsWindowVisible(Wnd))
    SetWindowPos(Wnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED | SWP_NOACTIVATE);
  vcl::TControl* owner = OwnerControl();
  if (owner && !owner->ComponentState().Contains(vcl::csDestroying)) {
    owner->SetColor(SavedColor);
    owner->Font()->SetColor(SavedFontColor);
    if (OwnerHasFocusColor()) SetOrdPropByName(owner, "FocusColor", SavedFocusColor);
  }
}

void TacEditWnd::ApplySkinParams() {
  StyleChangeLock = true;
  TacBaseWnd::ApplySkinParams();
  TsSkinManager* manager = SkinLink ? SkinLink->GetSkinManager() : nullptr;
  if (vcl::TControl* owner = OwnerControl()) {
    if (!SkinLink->CustomColor()) {
      const vcl::TColor colour = SkinLink->BgColorForState(SkinLink->InHotState() ? 1 : 0, Wnd);
      if (OwnerHasFocusColor()) {
        if (GetOrdPropByName(owner, "Color") != colour) SetOrdPropByName(owner, "Color", colour);
        SetOrdPropByName(owner, "FocusColor", colour);
      } else if (owner->Color() != colour) {
        owner->SetColor(colour);
      }
    }
    if (!SkinLink->CustomFont() && manager && manager->IsSectionIndexValid(SkinLink->SectionIndex)) {
      const vcl::TColor font = manager->Sections[size_t(SkinLink->SectionIndex)].HotFontColor[0];
      if (owner->Font()->Color() != font) owner->Font()->SetColor(font);
    }
  } else {
    ListBgColor = !DialogMode && manager && manager->IsSectionIndexValid(SkinLink->SectionIndex)
                      ? vcl::TColor(manager->Sections[size_t(SkinLink->SectionIndex)].Color)
                      : vcl::clWindow;
    ListFrameColor = 0;
  }
  if (SkinLink) SkinLink->CacheStale = true;
  StyleChangeLock = false;
}

bool TacEditWnd::RecomputeUpdating() {
  SkinLink->UpdatePending = SkinLink->IsUpdating();
  return SkinLink->UpdatePending;
}

void TacEditWnd::RebuildCache() {
  if (!SkinLink->CacheStale) return;
  ApplyOnce();
  SkinLink->CacheStale = true;
  PaintWndCache(SkinLink, Wnd, DialogMode);
}

LRESULT TacEditWnd::PaintBorder(HDC dc) {
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  if (cache && EdgeLeft > 0)
    CopyBorderStrips(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0, EdgeLeft);
  PaintScrollBars(dc, -1);
  return 0;
}

void TacEditWnd::ClipToClient(HDC dc) {
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  const int w = cache ? cache->Width() : WindowWidth, h = cache ? cache->Height() : WindowHeight;
  int cw = w - 2 * EdgeLeft, ch = h - 2 * EdgeLeft;
  if (VertBar && VertBar->Shown) cw -= BarMetric(*VertBar, 1, false);
  if (HorzBar && HorzBar->Shown) ch -= BarMetric(*HorzBar, 1, false);
  OffsetViewportOrgEx(dc, EdgeLeft, EdgeLeft, nullptr);
  IntersectClipRect(dc, 0, 0, std::max(cw, 0), std::max(ch, 0));
}

void TacEditWnd::RedrawOwnerFrame() {
  SkinLink->CacheStale = true;
  RedrawWindow(Wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

void TacEditWnd::PrintWindowImage(HDC dc) {
  ReadGeometry();
  SkinLink->UpdatePending = false;
  SkinLink->CacheStale = true;
  ApplyOnce();
  SkinLink->CacheStale = true;
  PaintWndCache(SkinLink, Wnd, DialogMode);
  if (!DialogMode) PaintAdapterCorners(SkinLink, 0, this);
  PaintBorder(dc);
  const int saved = SaveDC(dc);
  ClipToClient(dc);
  SendMessageA(Wnd, WM_ERASEBKGND, WPARAM(dc), 0);
  if (!OwnerIsEmptyListBox(this)) SendMessageA(Wnd, WM_PAINT, WPARAM(dc), 0);
  SendMessageA(Wnd, WM_PRINTCLIENT, WPARAM(dc), PRF_CLIENT | PRF_OWNED);
  RestoreDC(dc, saved);
}

void TacEditWnd::WndProc(vcl::TMessage& m) {
  if (Detached || !SkinLink || !SkinLink->IsSkinned(false)) {
    TacBaseWnd::WndProc(m);
    return;
  }
  if (m.Msg == SM_ALPHACMD) {
    switch (m.WParamHi()) {
      case cmdSkinRefresh:
        if (!OwnManagerMessage(m, SkinLink)) break;
        TacBaseWnd::WndProc(m);
        if (!Detached) ApplySkinParams();
        return;
      case cmdRepaint:
        if (SkinLink->UpdatePending) {
          SkinLink->UpdatePending = false;
          if (!RecomputeUpdating())
            RedrawWindow(Wnd, nullptr, nullptr,
                         RDW_FRAME | RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        }
        break;
      case cmdIsSkinned:
        m.Result = 1;
        return;
      case cmdPaintToCache:
        ReadGeometry();
        PaintWndCache(SkinLink, Wnd, DialogMode);
        PaintAdapterCorners(SkinLink, 0, this);
        return;
      case cmdGetSectionIndex:
        m.Result = SkinLink->SectionIndex + 1;
        return;
      case cmdGetApplication:
        m.Result = LRESULT(vcl::Application);
        return;
      default:
        break;
    }
    TacBaseWnd::WndProc(m);
    return;
  }

  const bool visible = IsWindowVisible(Wnd) != FALSE;
  switch (m.Msg) {
    case WM_PAINT:
      if (visible) RecomputeUpdating();
      if (SkinLink->UpdatePending || AnimationInProgress) {
        PAINTSTRUCT ps;
        BeginPaint(Wnd, &ps);
        EndPaint(Wnd, &ps);
        m.Result = 0;
        return;
      }
      PaintScrollBars(reinterpret_cast<HDC>(m.WParam), -1);
      ApplyOnce();
      break;
    case WM_ERASEBKGND:
      if (visible && RecomputeUpdating()) {
        m.Result = 1;
        return;
      }
      ApplyOnce();
      if (AnimationInProgress) {
        m.Result = 1;
        return;
      }
      break;
    case WM_NCPAINT:
      if (!visible) break;
      m.Result = 0;
      if (AnimationInProgress) return;
      try {
        ReadGeometry();
        if (RecomputeUpdating()) return;
        RebuildCache();
        HDC dc = GetWindowDC(Wnd);
        if (!dc) return;
        const int saved = SaveDC(dc);
        m.Result = PaintBorder(dc);
        RestoreDC(dc, saved);
        ReleaseDC(Wnd, dc);
      } catch (...) {
        // A half-painted frame is still better than an exception inside the platform.
      }
      return;
    case WM_PRINT:
      if (m.WParam) PrintWindowImage(reinterpret_cast<HDC>(m.WParam));
      m.Result = 0;
      return;
    case vcl::CM_FONTCHANGED:
      if (!SkinLink->UpdatePending) RedrawWindow(Wnd, nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
      break;
    default:
      break;
  }

  TacBaseWnd::WndProc(m);
  if (Detached || !SkinLink) return;

  switch (m.Msg) {
    case WM_SIZE:
      if (IsWindowVisible(Wnd)) SendMessageA(Wnd, WM_NCPAINT, 0, 0);
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      auto* owner = dynamic_cast<vcl::TWinControl*>(OwnerControl());
      if (HasMultiStateBorder(SkinLink) && owner && owner->CanFocus() && owner->TabStop()) {
        SkinLink->HasFocus = m.Msg == WM_SETFOCUS;
        RedrawOwnerFrame();
      }
      return;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case vcl::CN_KEYDOWN:
    case vcl::CN_KEYUP:
      if (!Notifying) UpdateScrollInfo(true);
      return;
    case EM_REPLACESEL:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_SETCURSEL:
    case LB_SETTOPINDEX:
      UpdateScrollInfo(true);
      return;
    case LB_GETTOPINDEX:
      if (m.Result == 0 && OwnerIsEmptyListBox(this)) m.Result = -1;
      return;
    case WM_MOUSEMOVE:
      if (DefaultManager && !DefaultManager->ComponentState().Contains(vcl::csDesigning) && IsWindowEnabled(Wnd) &&
          DefaultManager->HotWindow() != Wnd)
        DefaultManager->SetHotWindow(Wnd);
      if (!SkinLink->UpdatePending && GetCapture()) UpdateScrollInfo(true);
      return;
    case vcl::CM_MOUSEENTER:
    case vcl::CM_MOUSELEAVE:
      if (!HasMultiStateBorder(SkinLink)) return;
      SkinLink->MouseOver = m.Msg == vcl::CM_MOUSEENTER;
      if (m.Msg == vcl::CM_MOUSEENTER && SkinLink->ControlCode == ccAdapterItems) SkinLink->UpdateGlowEffect(false, Wnd);
      if (OwnerControl()) RedrawOwnerFrame();
      if (m.Msg == vcl::CM_MOUSELEAVE) FreeAllGlowEffects();
      return;
    default:
      return;
  }
}

}  // namespace skin
