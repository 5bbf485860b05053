#include "skin/forms/adapters/panel_adapter.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/skin_painting.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/window_messages.h"
#include "vcl/controls/application.h"
#include "vcl/stdctrls/extctrls.h"

namespace skin {

TacPanelWnd::TacPanelWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink)
    : TacMainWnd(wnd, section, manager, skinLink) {}

std::string TacPanelWnd::SectionForPanel(vcl::TCustomPanel* panel) {
  if (!panel) return "PANEL";
  switch (panel->BevelOuter()) {
    case vcl::bvLowered:
      return panel->BevelInner() == vcl::bvRaised ? "GROUPBOX" : "PANEL_LOW";
    case vcl::bvRaised:
      return panel->BevelInner() == vcl::bvLowered ? "GROUPBOX" : "PANEL";
    default:
      return panel->BorderStyle() == vcl::bsSingle ? "PANEL_LOW" : "CHECKBOX";
  }
}

vcl::TWinControl* TacPanelWnd::Panel() const { return dynamic_cast<vcl::TWinControl*>(OwnerControl()); }

void TacPanelWnd::WndProc(vcl::TMessage& m) {
  vcl::TWinControl* panel = Panel();
  if (!panel || !panel->ControlStyle().Contains(vcl::csAcceptsControls) || Detached) {
    TacMainWnd::WndProc(m);
    return;
  }
  if (m.Msg == SM_ALPHACMD) {
    switch (m.WParamHi()) {
      case cmdSkinSet:
      case cmdSkinRefresh:
        TacMainWnd::WndProc(m);
        if (!Detached) PassAlphaCmdToChildren(panel, Wnd, m);
        return;
      case cmdSkinRemoved:
        SkinLink->SectionIndex = -1;
        TacMainWnd::WndProc(m);
        return;
      case cmdRepaint:
        SkinLink->SetUpdating(false);
        RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
        return;
      case cmdIsSkinned:
        m.Result = 1;
        return;
      case cmdPaintToCache:
        return;
      case cmdGetApplication:
        m.Result = LRESULT(vcl::Application);
        return;
      default:
        TacMainWnd::WndProc(m);
        return;
    }
  }
  if (!SkinActive() || !SkinLink->IsSkinned(false)) {
    TacMainWnd::WndProc(m);
    return;
  }
  switch (m.Msg) {
    case WM_SETTEXT:
      if (!IsWindowVisible(Wnd)) break;
      SendMessageA(Wnd, WM_SETREDRAW, 0, 0);
      TacMainWnd::WndProc(m);
      SendMessageA(Wnd, WM_SETREDRAW, 1, 0);
      SkinLink->CacheStale = true;
      RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
      return;
    case WM_PAINT:
      if (m.WParam)
        PaintClient(reinterpret_cast<HDC>(m.WParam));
      else
        EmptyPaintCycle(Wnd);
      m.Result = 0;
      return;
    case WM_ERASEBKGND:
      PaintClient(reinterpret_cast<HDC>(m.WParam));
      m.Result = 1;
      return;
    case WM_UPDATEUISTATE:
      m.Result = 1;
      return;
    case WM_NCPAINT:
      PaintNonClient(nullptr);
      m.Result = 0;
      return;
    case WM_PRINT:
      if (m.WParam) {
        HDC dc = reinterpret_cast<HDC>(m.WParam);
        PaintNonClient(dc);
        RECT client{};
        GetClientRectInWindow(Wnd, client);
        POINT origin{};
        OffsetWindowOrgEx(dc, -client.left, -client.top, &origin);
        PaintClient(dc);
        SetWindowOrgEx(dc, origin.x, origin.y, nullptr);
      }
      m.Result = 0;
      return;
    case WM_PARENTNOTIFY:
      TacMainWnd::WndProc(m);
      if (LOWORD(m.WParam) == WM_CREATE && OwnerControl()) SendControlLoaded(OwnerControl());
      return;
    default:
      break;
  }
  TacMainWnd::WndProc(m);
  if (m.Msg == WM_WINDOWPOSCHANGING && !Detached) SendMessageA(Wnd, WM_NCPAINT, 0, 0);
}

void TacPanelWnd::PrepareCache() {
  vcl::TWinControl* panel = Panel();
  SkinLink->InitCacheBmp24();
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  TsBackgroundInfo info;
  SkinLink->GetParentBgInfo(info);
  PaintSkinDataItem(SkinLink, info, true, false, cache, {panel->Left(), panel->Top()},
                    {0, 0, panel->Width(), panel->Height()}, 0);
  const std::string caption = panel->Caption();
  if (!caption.empty()) {
    RECT client{};
    GetClientRectInWindow(Wnd, client);
    int inset = panel->BorderWidth();
    if (auto* custom = dynamic_cast<vcl::TCustomPanel*>(panel)) {
      if (custom->BevelOuter() != vcl::bvNone) inset += custom->BevelWidth();
      if (custom->BevelInner() != vcl::bvNone) inset += custom->BevelWidth();
    }
    InflateRect(&client, -inset, -inset);
    vcl::TCanvas* canvas = cache->Canvas();
    canvas->Font()->Assign(panel->Font());
    canvas->Brush()->SetStyle(vcl::bsClear);
    WriteSkinDataText(canvas, caption, panel->Enabled(), false, SkinLink, DT_CENTER | DT_VCENTER | DT_SINGLELINE,
                      {client.left, client.top, client.right, client.bottom});
  }
  SkinLink->CacheStale = false;
}

void TacPanelWnd::PaintClient(HDC given) {
  vcl::TWinControl* panel = Panel();
  if (!panel || panel->ComponentState().Contains(vcl::csDestroying)) return;
  SkinLink->UpdatePending = SkinLink->IsUpdating();
  if (SkinLink->UpdatePending) return;
  HDC dc = given ? given : GetDC(Wnd);
  if (!dc) return;
  const int saved = SaveDC(dc);
  if (SkinLink->CacheStale || !SkinLink->CacheBitmap || SkinLink->CacheBitmap->Width() != panel->Width() ||
      SkinLink->CacheBitmap->Height() != panel->Height())
    PrepareCache();
  RECT client{};
  GetClientRectInWindow(Wnd, client);
  const int w = client.right - client.left, h = client.bottom - client.top;
  CopyCacheExceptChildren(panel, SkinLink, {client.left, client.top, client.right, client.bottom}, {0, 0, w, h}, dc,
                          false, 0, 0);
  PaintGraphicControlsToDC(dc, panel, {0, 0});
  RestoreDC(dc, saved);
  if (!given) ReleaseDC(Wnd, dc);
  SendRepaintToChildren(panel);
}

void TacPanelWnd::PaintNonClient(HDC given) {
  RECT window{}, client{};
  GetWindowRect(Wnd, &window);
  GetClientRect(Wnd, &client);
  const int W = window.right - window.left, H = window.bottom - window.top;
  const int strip = (W - client.right) / 2;
  if (strip <= 0) return;
  if (SkinLink->CacheStale || !SkinLink->CacheBitmap || SkinLink->CacheBitmap->Width() != W) PrepareCache();
  CopyBorderFromCache(given, W, H, strip);
}

// ---- TacDlgPanelWnd ----

namespace {

// The dialog panel paints its own contents this far inside its skinned background.
constexpr int kDlgPanelInset = 6;

}  // namespace

TacDlgPanelWnd::TacDlgPanelWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink)
    : TacMainWnd(wnd, section, manager, skinLink) {
  PanelControl = FindWinControlByHandle(wnd, vcl::Application);
  SkinLink->SetSkinSection(IsPlainPanel() ? "CHECKBOX" : "GROUPBOX");
  SetPanelColour();
}

bool TacDlgPanelWnd::IsPlainPanel() const { return PanelControl && PanelControl->ClassName() == "TPanel"; }

void TacDlgPanelWnd::SetPanelColour() {
  if (IsPlainPanel() && Manager && PanelControl->Color() != Manager->GetGlobalColor())
    PanelControl->SetColor(Manager->GetGlobalColor());
}

void TacDlgPanelWnd::ApplySkinParams() {
  TacMainWnd::ApplySkinParams();
  SetPanelColour();
}

void TacDlgPanelWnd::WndProc(vcl::TMessage& m) {
  if (Detached || !SkinLink || !SkinLink->IsSkinned(false)) {
    TacMainWnd::WndProc(m);
    return;
  }
  if (m.Msg == SM_ALPHACMD && m.WParamHi() == cmdSkinSet) {
    PassAlphaCmdToChildren(PanelControl, Wnd, m);
    TacMainWnd::WndProc(m);
    return;
  }
  switch (m.Msg) {
    case WM_SETTEXT:
      if (IsWindowVisible(Wnd)) SkinLink->CacheStale = true;
      break;
    case WM_ERASEBKGND: {
      auto dc = reinterpret_cast<HDC>(m.WParam);
      PaintClient(dc);
      if (dc) {
        RECT r{};
        GetClientRect(Wnd, &r);
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, kDlgPanelInset, kDlgPanelInset, r.right - kDlgPanelInset, r.bottom - kDlgPanelInset);
        LPARAM none = 0;
        CallPrevWndProc(WM_PAINT, m.WParam, none);
        RestoreDC(dc, saved);
      }
      m.Result = 1;
      return;
    }
    case WM_PAINT:
      SetPanelColour();
      EmptyPaintCycle(Wnd);
      m.Result = 0;
      return;
    case WM_NCPAINT:
      PaintNonClient(nullptr);
      m.Result = 1;
      return;
    case WM_UPDATEUISTATE:
      m.Result = 1;
      return;
    case WM_PRINT:
      if (m.WParam) {
        auto dc = reinterpret_cast<HDC>(m.WParam);
        PaintClient(dc);
        PaintNonClient(dc);
      }
      m.Result = 0;
      return;
    case WM_PARENTNOTIFY:
      if (LOWORD(m.WParam) == WM_CREATE || LOWORD(m.WParam) == WM_DESTROY) SetPanelColour();
      break;
    case WM_THEMECHANGED:
      if (PanelControl) PanelControl->SetColor(vcl::clBtnFace);
      break;
    default:
      break;
  }
  TacMainWnd::WndProc(m);
}

void TacDlgPanelWnd::PrepareCache() {
  ReadGeometry();
  SizeCacheToWindow(SkinLink, Wnd);
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  if (!cache) return;
  TsBackgroundInfo info;
  TsBackgroundRequest request;
  if (HWND parent = GetParent(Wnd)) {
    RequestWndBackground(request, parent, false);
    BgRequestToBgInfo(request, info);
  }
  PaintSkinDataItem(SkinLink, info, true, false, cache, {PosInParent.x, PosInParent.y},
                    {0, 0, WindowWidth, WindowHeight}, 0);
  SkinLink->CacheStale = false;
}

void TacDlgPanelWnd::PaintClient(HDC given) {
  SkinLink->UpdatePending = SkinLink->IsUpdating();
  if (SkinLink->UpdatePending) return;
  if (SkinLink->CacheStale || !SkinLink->CacheBitmap || SkinLink->CacheBitmap->Width() <= 0) PrepareCache();
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  if (!cache) return;
  HDC dc = given ? given : GetDC(Wnd);
  if (!dc) return;
  RECT window{}, client{};
  GetWindowRect(Wnd, &window);
  GetClientRect(Wnd, &client);
  const int border = (window.right - window.left - client.right) / 2;
  BitBlt(dc, 0, 0, client.right, client.bottom, cache->Canvas()->Handle(), border, border, SRCCOPY);
  if (!given) ReleaseDC(Wnd, dc);
}

void TacDlgPanelWnd::PaintNonClient(HDC given) {
  RECT window{}, client{};
  GetWindowRect(Wnd, &window);
  GetClientRect(Wnd, &client);
  const int W = window.right - window.left, H = window.bottom - window.top;
  SkinLink->CacheStale = true;
  PrepareCache();
  CopyBorderFromCache(given, W, H, (W - client.right) / 2 + kDlgPanelInset);
}

}  // namespace skin
