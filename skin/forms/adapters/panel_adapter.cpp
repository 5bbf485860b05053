#include "skin/forms/adapters/panel_adapter.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/skin_painting.h"
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

}  // namespace skin
