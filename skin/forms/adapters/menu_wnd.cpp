#include "skin/forms/adapters/menu_wnd.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/forms/form_skinning.h"
#include "skin/forms/skinned_menus.h"
#include "vcl/controls/application.h"

namespace skin {

bool MenuDrawing = false;
std::vector<TacMnuWnd*> PopupAdapters;

namespace {

constexpr int kMenuFrame = 3;

}  // namespace

TacMnuWnd::TacMnuWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink)
    : TacScrollWnd(wnd, section, manager, skinLink) {}

void TacMnuWnd::PrepareCache() {
  ReadGeometry();
  if (!SkinLink->CacheStale) return;
  SizeCacheToWindow(SkinLink, Wnd);
  const vcl::TPoint offset{WindowBox.left - ParentBox.left, WindowBox.top - ParentBox.top};
  PaintSkinDataItem(SkinLink, EmptyBackgroundInfo, true, false, SkinLink->CacheBitmap.get(), offset,
                    {0, 0, WindowWidth, WindowHeight}, 0);
  PaintAdapterCorners(SkinLink, 0, this);
  SkinLink->CacheStale = false;
}

void TacMnuWnd::WndProc(vcl::TMessage& m) {
  if (m.Msg == WM_DESTROY || m.Msg == WM_NCDESTROY) {
    MenuShown = 0;
    std::replace(PopupAdapters.begin(), PopupAdapters.end(), this, static_cast<TacMnuWnd*>(nullptr));
    PassOn(m);
    if (!Detached) {
      // The adapter goes with its window; nothing of it may be touched afterwards.
      TacMainWnd* self = this;
      RemoveAdapter(Wnd, true, false, self);
    }
    bool any = false;
    for (TacMnuWnd* other : PopupAdapters) {
      if (!other) continue;
      any = true;
      RedrawWindow(other->Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
    }
    if (!any) PopupAdapters.clear();
    TsSkinableMenus::ClearPopupCache();
    MenuDrawing = false;
    return;
  }
  if (m.Msg == SM_ALPHACMD) {
    switch (m.WParamHi()) {
      case cmdIsSkinned:
        m.Result = 1;
        break;
      case cmdSetUpdating:
        // A popup is asked with this number whether it has been shown; answered in the
        // result, where the asker looks.
        m.Result = MenuShown;
        break;
      case cmdMenuDropped:
        if (IsWindowVisible(Wnd)) MenuShown = 1;
        break;
      case cmdGetApplication:
        m.Result = LRESULT(vcl::Application);
        break;
      default:
        break;
    }
    return;
  }
  if (MenuDrawing && !Detached && SkinActive()) {
    if (m.Msg == WM_ERASEBKGND) {
      PrepareCache();
      HDC dc = m.WParam ? reinterpret_cast<HDC>(m.WParam) : GetDC(Wnd);
      vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
      // The client area lies inside the frame: only the inner part of the cache is copied.
      BitBlt(dc, 0, 0, std::max(cache->Width() - 2 * kMenuFrame, 0), std::max(cache->Height() - 2 * kMenuFrame, 0),
             cache->Canvas()->Handle(), kMenuFrame, kMenuFrame, SRCCOPY);
      if (!m.WParam) ReleaseDC(Wnd, dc);
      MenuShown = 0;
      m.Result = 1;
      return;
    }
    if (m.Msg == WM_NCPAINT) {
      // The menu painter's image of this popup is as large as the window; an image of
      // another size belongs to an earlier shape of the popup and the own cache serves.
      PopupImageRecord popup;
      vcl::TBitmap* source = nullptr;
      RECT box{};
      GetWindowRect(Wnd, &box);
      if (TsSkinableMenus::PopupCacheLookup(Wnd, popup) && popup.Image->Width() == box.right - box.left &&
          popup.Image->Height() == box.bottom - box.top) {
        source = popup.Image.get();
      } else {
        PrepareCache();
        source = SkinLink->CacheBitmap.get();
      }
      if (HDC dc = GetWindowDC(Wnd)) {
        CopyBorderStrips(dc, 0, 0, source->Width(), source->Height(), source->Canvas()->Handle(), 0, 0, kMenuFrame);
        ReleaseDC(Wnd, dc);
      }
      m.Result = 0;
      return;
    }
  }
  TacScrollWnd::WndProc(m);
}

void ClearPopupAdapters() {
  std::vector<TacMnuWnd*> adapters;
  adapters.swap(PopupAdapters);
  for (TacMnuWnd* adapter : adapters) {
    if (!adapter || adapter->InDispatch()) continue;
    TacMainWnd* base = adapter;
    RemoveAdapter(IsWindow(adapter->Wnd) ? adapter->Wnd : nullptr, true, false, base);
  }
}

}  // namespace skin
