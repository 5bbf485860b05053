#include "skin/forms/adapters/spin_adapter.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/skin_painting.h"
#include "skin/engine/window_messages.h"

namespace skin {

TacSpinWnd::TacSpinWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink)
    : TacMainWnd(wnd, section.empty() ? "SPEEDBUTTON_SMALL" : section, manager, skinLink) {}

bool TacSpinWnd::IsVertical() const { return (GetWindowLongA(Wnd, GWL_STYLE) & UDS_HORZ) == 0; }

void TacSpinWnd::WndProc(vcl::TMessage& m) {
  if (!SkinActive() || Detached) {
    TacMainWnd::WndProc(m);
    return;
  }
  switch (m.Msg) {
    case WM_PAINT:
    case WM_PRINT: {
      if (m.Msg == WM_PAINT && !m.WParam) EmptyPaintCycle(Wnd);
      Paint(reinterpret_cast<HDC>(m.WParam));
      m.Result = 0;
      return;
    }
    case WM_ERASEBKGND:
    case WM_NCPAINT:
      m.Result = 1;
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      MouseDown = true;
      break;
    case WM_LBUTTONUP:
      MouseDown = false;
      break;
    case WM_MOUSELEAVE:
      InvalidateRect(Wnd, nullptr, FALSE);
      break;
    default:
      break;
  }
  TacMainWnd::WndProc(m);
  if (Detached) return;
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
      Paint(nullptr);
      break;
    case WM_MOUSEMOVE: {
      if (!DefaultManager || !IsWindowEnabled(Wnd)) break;
      vcl::TPoint p;
      GetMouseCursorPos(p);
      RECT r{};
      GetWindowRect(Wnd, &r);
      const bool inside = p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
      if (inside && DefaultManager->HotWindow() == Wnd)
        Paint(nullptr);
      else if (inside)
        DefaultManager->SetHotWindow(Wnd);
      else if (DefaultManager->HotWindow() == Wnd)
        DefaultManager->SetHotWindow(nullptr);
      break;
    }
    default:
      if (m.Msg == SM_ALPHACMD && (m.WParamHi() == cmdMouseEnter || m.WParamHi() == cmdMouseLeave)) Paint(nullptr);
      break;
  }
}

void TacSpinWnd::Paint(HDC given) {
  ReadGeometry();
  // The button under the cursor is hot, or pressed while the mouse is down; the other normal.
  vcl::TPoint p;
  GetMouseCursorPos(p);
  const bool inside = p.x >= WindowBox.left && p.x < WindowBox.right && p.y >= WindowBox.top && p.y < WindowBox.bottom;
  const bool hot = inside && DefaultManager && DefaultManager->HotWindow() == Wnd;
  const int active = MouseDown || hot ? (MouseDown ? 2 : 1) : 0;
  const bool first = IsVertical() ? p.y < WindowBox.top + WindowHeight - WindowHeight / 2
                                  : p.x < WindowBox.left + WindowWidth - WindowWidth / 2;
  FirstState = inside && first ? active : 0;
  SecondState = inside && !first ? active : 0;
  SkinLink->UpdatePending = SkinLink->IsUpdating();
  if (SkinLink->UpdatePending) return;
  PrepareCache();
  HDC dc = given ? given : GetDC(Wnd);
  if (!dc) return;
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  const int x = IsVertical() ? ButtonOffset : 0;
  BitBlt(dc, x, 0, cache->Width() - x, cache->Height(), cache->Canvas()->Handle(), x, 0, SRCCOPY);
  if (!given) ReleaseDC(Wnd, dc);
}

void TacSpinWnd::PrepareCache() {
  SizeCacheToWindow(SkinLink, Wnd);
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  TsSkinManager* manager = SkinLink->GetSkinManager();
  if (!manager) return;
  std::string section = SkinLink->SkinSection();
  if (!manager->IsSectionIndexValid(manager->FindSectionIndex(section))) section = "BUTTON";
  const int W = WindowWidth, H = WindowHeight;
  const bool vertical = IsVertical();
  const vcl::TRect firstRect = vertical ? vcl::TRect{ButtonOffset, 0, W, (H + 1) / 2} : vcl::TRect{0, 0, (W + 1) / 2, H};
  const vcl::TRect secondRect = vertical ? vcl::TRect{ButtonOffset, H / 2, W, H} : vcl::TRect{W / 2, 0, W, H};
  TsBackgroundRequest request;
  if (HWND parent = GetParent(Wnd)) RequestWndBackground(request, parent, false);
  TsBackgroundInfo info;
  BgRequestToBgInfo(request, info);
  const char* glyphs[2] = {vertical ? "SCROLLBTNTOP" : "SCROLLBTNLEFT", vertical ? "SCROLLBTNBOTTOM" : "SCROLLBTNRIGHT"};
  const vcl::TRect rects[2] = {firstRect, secondRect};
  const int states[2] = {FirstState, SecondState};
  const int sectionIndex = manager->FindSectionIndex(section);
  for (int i = 0; i < 2; ++i) {
    const vcl::TRect& r = rects[i];
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) continue;
    auto part = CreateBmp24(w, h);
    PaintSectionItem(sectionIndex, section, info, manager->FindTextureMaskIndex(sectionIndex, section, "HOTPATTERN"),
                     manager->FindTextureMaskIndex(sectionIndex, section, "PATTERN"), manager, part.get(),
                     {PosInParent.x + r.left, PosInParent.y + r.top}, {0, 0, w, h}, states[i], true);
    const int glyph = manager->FindMaskIndex(manager->FindSectionIndex(glyphs[i]), glyphs[i], "GLYPHMASK");
    if (manager->IsMaskIndexValid(glyph)) {
      int32_t fw = 0, fh = 0;
      manager->MaskFrameSize(glyph, fw, fh);
      PaintMaskGlyph(part.get(), {(w - fw) / 2, (h - fh) / 2}, states[i], EmptyBackgroundInfo,
                     manager->Masks[size_t(glyph)], kGlyphNormal);
    }
    BitBlt(cache->Canvas()->Handle(), r.left, r.top, w, h, part->Canvas()->Handle(), 0, 0, SRCCOPY);
  }
  SkinLink->CacheStale = false;
}

}  // namespace skin
