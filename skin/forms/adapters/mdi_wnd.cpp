#include "skin/forms/adapters/mdi_wnd.h"

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/skin_painting.h"
#include "skin/engine/window_messages.h"
#include "skin/forms/form_skinning.h"
#include "skin/forms/skin_provider.h"

namespace skin {

namespace {

constexpr UINT kAlphaToForm = 5;
// Sent to the client when its children's extent changed and its scroll bars may follow.
constexpr UINT kMdiChildScrollChanged = 0x003F;

bool HasMdiArea(TsSkinManager* manager) { return manager && manager->FindSectionIndex("MDIAREA") >= 0; }

bool IsMdiFormSplitter(const vcl::TControl* control) {
  for (const vcl::TMetaClass* c = control ? control->ClassType() : nullptr; c; c = c->ClassParent())
    if (c->ClassNameIs("TsSplitter")) return true;
  return false;
}

}  // namespace

TacMDIWnd::TacMDIWnd(HWND client, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink)
    : TacBaseWnd(client, section.empty() ? "CHECKBOX" : section, manager, skinLink) {}

TacMDIWnd::~TacMDIWnd() {
  provider_ = nullptr;
  providerLink_ = nullptr;
}

void TacMDIWnd::SetProvider(TsSkinProvider* provider) {
  provider_ = provider;
  providerLink_ = provider ? provider->SkinData() : nullptr;
}

bool TacMDIWnd::Skinned() const { return !Detached && providerLink_ && providerLink_->IsSkinned(); }

HWND TacMDIWnd::FormWnd() const {
  vcl::TCustomForm* form = provider_ ? provider_->Form() : nullptr;
  return form && form->HandleAllocated() ? form->WindowHandle() : GetParent(Wnd);
}

bool TacMDIWnd::ChildMaximized() const {
  BOOL maximized = FALSE;
  return SendMessageA(Wnd, WM_MDIGETACTIVE, 0, LPARAM(&maximized)) && maximized;
}

RECT TacMDIWnd::ClientRectInCache() const {
  RECT r{};
  GetWindowRect(Wnd, &r);
  if (!provider_) return r;
  vcl::TPoint topLeft = provider_->ScreenToFrame(r.left, r.top);
  // With an extended border the frame image starts at the border window's outer corner.
  if (provider_->HasExtBorder()) {
    const vcl::TRect shadow = provider_->GetShadowMargins();
    topLeft.x += shadow.left + provider_->ExtBorderExcess();
    topLeft.y += shadow.top + provider_->ExtTitleExcess();
  }
  OffsetRect(&r, topLeft.x - r.left, topLeft.y - r.top);
  return r;
}

void TacMDIWnd::PaintClientBg(HDC dc, bool printing) {
  if (AnimationInProgress || !dc || !provider_ || !providerLink_) return;
  RECT client{};
  GetClientRect(Wnd, &client);
  if (!providerLink_->CacheRequired() && !HasMdiArea(providerLink_->GetSkinManager())) {
    PaintSolidRect(dc, {0, 0, client.right, client.bottom}, provider_->FormColor());
    return;
  }
  if (!providerLink_->CacheBitmap || providerLink_->CacheStale) provider_->RenderFrameCache();
  vcl::TBitmap* cache = providerLink_->CacheBitmap.get();
  if (!cache) return;
  const int offset = printing ? 0 : (GetWindowLongA(Wnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) ? 2 : 0;
  const RECT r = ClientRectInCache();
  BitBlt(dc, 0, 0, client.right, client.bottom, cache->Canvas()->Handle(), r.left + offset, r.top + offset, SRCCOPY);
}

void TacMDIWnd::PaintClientBorder(HDC windowDC) {
  if (!windowDC || !provider_ || !providerLink_ || !providerLink_->CacheBitmap) return;
  RECT window{};
  GetWindowRect(Wnd, &window);
  const int w = window.right - window.left, h = window.bottom - window.top;
  if (providerLink_->CacheRequired() || HasMdiArea(providerLink_->GetSkinManager())) {
    const RECT r = ClientRectInCache();
    CopyBorderStrips(windowDC, 0, 0, w, h, providerLink_->CacheBitmap->Canvas()->Handle(), r.left, r.top, 2);
    return;
  }
  const int edge = (GetWindowLongA(Wnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) ? 2 : 0;
  if (edge) PaintSolidFrame(windowDC, {0, 0, w, h}, edge, edge, edge, edge, provider_->FormColor());
}

// Under a maximised child the form's splitters lie beside the client, on the form's own
// background: the form paints that background under each of them again.
void TacMDIWnd::RepaintSplitters() {
  vcl::TCustomForm* form = provider_ ? provider_->Form() : nullptr;
  if (!form || !form->HandleAllocated() || form->MDIChildCount() == 0) return;
  vcl::TCustomForm* child = form->ActiveMDIChild();
  if (!child || child->WindowState() != vcl::wsMaximized) return;
  for (int i = 0; i < form->ControlCount(); ++i) {
    vcl::TControl* control = form->Controls(i);
    if (!IsMdiFormSplitter(control)) continue;
    TsBackgroundRequest request;
    request.DrawIntoDC = true;
    request.Rect = control->BoundsRect();
    request.DC = form->Canvas()->Handle();
    SendMessageA(form->Handle(), SM_ALPHACMD, MAKEWPARAM(0, cmdGetBackground), LPARAM(&request));
  }
}

void TacMDIWnd::WndProc(vcl::TMessage& m) {
  if (Detached) {
    TacBaseWnd::WndProc(m);
    return;
  }
  const bool skinned = Skinned();
  switch (m.Msg) {
    case WM_PAINT:
      if (AnimationInProgress) {
        EmptyPaintCycle(Wnd);
        m.Result = 0;
        return;
      }
      break;
    case WM_ERASEBKGND:
      if (!skinned || !m.WParam) break;
      // Under a maximised child nothing of the client shows.
      if (!AnimationInProgress && ChildMaximized()) {
        RepaintSplitters();
      } else if (!AnimationInProgress) {
        HDC dc = reinterpret_cast<HDC>(m.WParam);
        const int saved = SaveDC(dc);
        PaintClientBg(dc, false);
        RestoreDC(dc, saved);
      }
      m.Result = 1;
      return;
    case WM_STYLECHANGED:
      PassOn(m);
      return;
    case WM_NCPAINT:
      if (!skinned) break;
      if (!ChildMaximized() && !AnimationInProgress) {
        if (HDC dc = GetWindowDC(Wnd)) {
          PaintClientBorder(dc);
          PaintScrollBars(dc, -1);
          ReleaseDC(Wnd, dc);
        }
      }
      m.Result = 1;
      return;
    case WM_MDITILE:
    case WM_MDICASCADE: {
      PassOn(m);
      if (provider_) provider_->InvalidateMenuLine();
      // The arranged child is drawn by its own provider: the platform's system menu box stays off.
      vcl::TCustomForm* form = provider_ ? provider_->Form() : nullptr;
      vcl::TCustomForm* child = form && form->FormStyle() == vcl::fsMDIForm ? form->ActiveMDIChild() : nullptr;
      if (child && child->HandleAllocated()) {
        HWND childWnd = child->Handle();
        const LONG_PTR style = GetWindowLongPtrA(childWnd, GWL_STYLE);
        if (style & WS_SYSMENU) SetWindowLongPtrA(childWnd, GWL_STYLE, style & ~LONG_PTR(WS_SYSMENU));
      }
      if (provider_ && provider_->MdiLink()) provider_->MdiLink()->RefreshFrame();
      InvalidateRect(Wnd, nullptr, TRUE);
      if (HWND formWnd = FormWnd()) RedrawWindow(formWnd, nullptr, nullptr, RDW_FRAME | RDW_ALLCHILDREN | RDW_INVALIDATE);
      if (provider_ && provider_->SystemMenu()) provider_->SystemMenu()->UpdateItems(false);
      return;
    }
    case WM_MDISETMENU:
      PassOn(m);
      if (TsSkinProvider* mdiProvider = MdiFormProvider) {
        mdiProvider->InvalidateMenuLine();
        mdiProvider->FullRepaint = true;
      }
      return;
    case WM_PRINT:
      if (!skinned || !m.WParam) break;
      m.Result = 0;
      if (!ChildMaximized() && !(provider_ && provider_->HasExtBorder())) {
        HDC dc = reinterpret_cast<HDC>(m.WParam);
        const int saved = SaveDC(dc);
        PaintClientBg(dc, true);
        RestoreDC(dc, saved);
        PaintScrollBars(dc, -1);
      }
      return;
    default:
      if (m.Msg == SM_ALPHACMD && m.WParamHi() == kAlphaToForm) {
        if (HWND form = FormWnd()) SendMessageA(form, SM_ALPHACMD, MAKEWPARAM(0, kAlphaToForm), 0);
        return;
      }
      break;
  }
  TacBaseWnd::WndProc(m);
  if (Detached || !skinned) return;
  if (m.Msg == SM_ALPHACMD && m.WParamHi() == cmdBeforeScroll) {
    SendMessageA(Wnd, WM_SETREDRAW, 0, 0);
  } else if (m.Msg == SM_ALPHACMD && m.WParamHi() == cmdAfterScroll) {
    SendMessageA(Wnd, WM_SETREDRAW, 1, 0);
    // During thumb tracking the client is redrawn once, when the thumb is let go.
    if (LOWORD(m.LParam) != SB_THUMBTRACK) {
      RedrawWindow(Wnd, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE);
      UpdateScrollInfo(false);
      ReleaseCapture();
    }
  } else if (m.Msg == kMdiChildScrollChanged || m.Msg == WM_PARENTNOTIFY) {
    const LONG style = GetWindowLongA(Wnd, GWL_STYLE);
    if (VertBar) VertBar->Shown = (style & WS_VSCROLL) != 0;
    if (HorzBar) HorzBar->Shown = (style & WS_HSCROLL) != 0;
    UpdateScrollInfo(true);
  } else if (m.Msg == WM_MDIREFRESHMENU && provider_) {
    provider_->RepaintFrame();
  }
}

}  // namespace skin
