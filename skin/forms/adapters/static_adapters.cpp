#include "skin/forms/adapters/static_adapters.h"

#include <algorithm>
#include <cstring>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/skin_painting.h"
#include "skin/forms/adapters/button_adapters.h"
#include "skin/engine/window_messages.h"

namespace skin {

// ---- Static texts ------------------------------------------------------------------------------

TacStaticWnd::TacStaticWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink)
    : TacMainWnd(wnd, section, manager, skinLink) {}

void TacStaticWnd::HandlePaintMessage(vcl::TMessage& m) {
  if (m.Msg == WM_PAINT) {
    if (m.WParam) {
      Paint(reinterpret_cast<HDC>(m.WParam));
    } else {
      EmptyPaintCycle(Wnd);
      Paint(nullptr);
    }
    m.Result = 0;
    return;
  }
  if (IsWindowVisible(Wnd)) Paint(reinterpret_cast<HDC>(m.WParam));
  m.Result = 1;
}

void TacStaticWnd::WndProc(vcl::TMessage& m) {
  const LONG style = GetWindowLongA(Wnd, GWL_STYLE), exStyle = GetWindowLongA(Wnd, GWL_EXSTYLE);
  // Statics that take the focus or have an edge keep their own look.
  if (!SkinActive() || Detached || (style & WS_TABSTOP) || (exStyle & WS_EX_STATICEDGE)) {
    TacMainWnd::WndProc(m);
    return;
  }
  switch (m.Msg) {
    case WM_MOVE:
    case WM_ENABLE:
      SkinLink->CacheStale = true;
      PassOn(m);
      RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
      return;
    case WM_SETTEXT:
      PassOn(m);
      CachedText = GetWindowTextAnsi(Wnd);
      SkinLink->CacheStale = true;
      RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
      return;
    case WM_PAINT:
    case WM_ERASEBKGND:
      HandlePaintMessage(m);
      return;
    case WM_PRINT:
      Paint(reinterpret_cast<HDC>(m.WParam));
      m.Result = 0;
      return;
    case WM_NCPAINT:
      m.Result = 0;
      return;
    default:
      break;
  }
  TacMainWnd::WndProc(m);
}

void TacStaticWnd::Paint(HDC given) {
  ReadGeometry();
  HDC dc = given ? given : GetDC(Wnd);
  if (!dc) return;
  const int saved = SaveDC(dc);
  SkinLink->CacheStale = true;
  SizeCacheToWindow(SkinLink, Wnd);
  PaintWndCache(SkinLink, Wnd, false);
  PaintText();
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
  RestoreDC(dc, saved);
  if (!given) ReleaseDC(Wnd, dc);
}

void TacStaticWnd::PaintText() {
  if (CachedText.empty()) return;
  vcl::TCanvas* canvas = SkinLink->CacheBitmap->Canvas();
  SelectWindowFont(canvas, Wnd, OwnerControl());
  canvas->Brush()->SetStyle(vcl::bsClear);
  const LONG style = GetWindowLongA(Wnd, GWL_STYLE), exStyle = GetWindowLongA(Wnd, GWL_EXSTYLE);
  uint32_t flags = DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP;
  if ((exStyle & WS_EX_RIGHT) || (style & SS_TYPEMASK) == SS_RIGHT) flags |= DT_RIGHT;
  else if ((style & SS_TYPEMASK) == SS_CENTER) flags |= DT_CENTER;
  WriteSkinDataText(canvas, CachedText, IsWindowEnabled(Wnd) != FALSE, false, SkinLink, flags,
                    {0, 0, WindowWidth, WindowHeight});
}

// ---- Static icons and pictures -----------------------------------------------------------------

TacIconWnd::TacIconWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink)
    : TacStaticWnd(wnd, section, manager, skinLink) {
  IsBitmap = (GetWindowLongA(wnd, GWL_STYLE) & SS_TYPEMASK) != SS_ICON;
}

void TacIconWnd::PaintText() {
  HDC dc = SkinLink->CacheBitmap->Canvas()->Handle();
  if (!IsBitmap) {
    if (HICON icon = reinterpret_cast<HICON>(SendMessageA(Wnd, STM_GETICON, 0, 0)))
      DrawIconEx(dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
    return;
  }
  HBITMAP bitmap = reinterpret_cast<HBITMAP>(SendMessageA(Wnd, STM_GETIMAGE, IMAGE_BITMAP, 0));
  BITMAP info{};
  if (!bitmap || GetObjectA(bitmap, sizeof info, &info) != sizeof info) return;
  // The static owns its bitmap: it is only selected for the copy, never freed here.
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, bitmap);
  BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
}

// ---- Link windows ------------------------------------------------------------------------------

void TacLinkWnd::WndProc(vcl::TMessage& m) {
  if (!SkinActive() || Detached || (GetWindowLongA(Wnd, GWL_EXSTYLE) & WS_EX_STATICEDGE)) {
    TacStaticWnd::WndProc(m);
    return;
  }
  switch (m.Msg) {
    case WM_PAINT:
    case WM_ERASEBKGND:
      HandlePaintMessage(m);
      return;
    case WM_NCPAINT:
      m.Result = 0;
      return;
    default:
      break;
  }
  TacStaticWnd::WndProc(m);
}

void TacLinkWnd::PaintText() {
  std::string text = CachedText;
  for (const char* tag : {"<A>", "</A>", "<a>", "</a>"}) {
    for (size_t at = text.find(tag); at != std::string::npos; at = text.find(tag)) text.erase(at, std::strlen(tag));
  }
  if (text.empty()) return;
  vcl::TCanvas* canvas = SkinLink->CacheBitmap->Canvas();
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    metrics.lfMessageFont.lfUnderline = TRUE;
    // The canvas owns the font from here on.
    canvas->Font()->SetHandle(CreateFontIndirectA(&metrics.lfMessageFont));
  } else {
    SelectWindowFont(canvas, Wnd, OwnerControl());
  }
  canvas->Brush()->SetStyle(vcl::bsClear);
  WriteSkinDataText(canvas, text, IsWindowEnabled(Wnd) != FALSE, false, SkinLink,
                    DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP, {0, 0, WindowWidth + 4, WindowHeight});
}

// ---- Nested dialogs and panes ------------------------------------------------------------------

void TacTransPanelWnd::WndProc(vcl::TMessage& m) {
  if (SkinActive() && !Detached) {
    if (m.Msg == WM_ERASEBKGND) {
      PaintWindow();
      m.Result = 1;
      return;
    }
    if (m.Msg == WM_NCPAINT) {
      m.Result = 0;
      return;
    }
  }
  TacMainWnd::WndProc(m);
}

void TacTransPanelWnd::PaintWindow() {
  ReadGeometry();
  PAINTSTRUCT ps{};
  BeginPaint(Wnd, &ps);
  SkinLink->CacheStale = true;
  SendMessageA(Wnd, SM_ALPHACMD, MAKEWPARAM(0, cmdPaintToCache), 0);
  if (HDC dc = GetWindowDC(Wnd)) {
    CopyCacheExceptChildWnds(Wnd, SkinLink, {0, 0, WindowWidth, WindowHeight}, {0, 0, WindowWidth, WindowHeight}, dc,
                             false, 0, 0);
    ReleaseDC(Wnd, dc);
  }
  EndPaint(Wnd, &ps);
}

// ---- Size grips --------------------------------------------------------------------------------

void TacSizerWnd::WndProc(vcl::TMessage& m) {
  if (!SkinActive() || Detached) {
    TacMainWnd::WndProc(m);
    return;
  }
  switch (m.Msg) {
    case WM_PAINT:
      EmptyPaintCycle(Wnd);
      Paint();
      m.Result = 0;
      return;
    case WM_ERASEBKGND:
    case WM_NCPAINT:
      m.Result = 1;
      return;
    default:
      break;
  }
  TacMainWnd::WndProc(m);
  if (m.Msg == WM_NCHITTEST && !Detached) {
    if (Manager && IsWindowEnabled(Wnd)) Manager->SetHotWindow(nullptr);
    m.Result = HTBOTTOMRIGHT;
  }
}

void TacSizerWnd::Paint() {
  ReadGeometry();
  if (!Manager || WindowWidth <= 0 || WindowHeight <= 0) return;
  const int grip = Manager->FindMaskIndex(Manager->CommonIndexes.GlobalInfoIndex, "GLOBALINFO", "GRIPIMAGE");
  if (!Manager->IsMaskIndexValid(grip)) return;
  auto image = CreateBmp24(WindowWidth, WindowHeight);
  TsBackgroundRequest request;
  request.DrawIntoDC = true;
  request.DC = image->Canvas()->Handle();
  request.OffsetX = PosInParent.x;
  request.OffsetY = PosInParent.y;
  request.Rect = {0, 0, WindowWidth, WindowHeight};
  if (HWND parent = GetParent(Wnd)) RequestWndBackground(request, parent, true);
  if (request.Kind == bkBitmap && request.Bitmap)
    BitBlt(image->Canvas()->Handle(), 0, 0, WindowWidth, WindowHeight, request.Bitmap->Canvas()->Handle(),
           request.OffsetX + PosInParent.x, request.OffsetY + PosInParent.y, SRCCOPY);
  else if (request.Kind == bkColor)
    PaintSolidRect(image->Canvas()->Handle(), {0, 0, WindowWidth, WindowHeight}, request.Color);
  int32_t fw = 0, fh = 0;
  Manager->MaskFrameSize(grip, fw, fh);
  PaintMaskGlyph(image.get(), {std::max(WindowWidth - fw, 0), std::max(WindowHeight - fh, 0)}, 0, EmptyBackgroundInfo,
                 Manager->Masks[size_t(grip)], kGlyphNormal);
  if (HDC dc = GetWindowDC(Wnd)) {
    BitBlt(dc, 0, 0, WindowWidth, WindowHeight, image->Canvas()->Handle(), 0, 0, SRCCOPY);
    ReleaseDC(Wnd, dc);
  }
}

}  // namespace skin
