#include "skin/forms/adapters/tool_bar_adapter.h"

#include <algorithm>
#include <vector>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/component_state.h"
#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/skin_painting.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/button_adapters.h"

namespace skin {

namespace {


}  // namespace

void TacToolBarWnd::WndProc(vcl::TMessage& m) {
  if (!SkinActive() || Detached) {
    TacMainWnd::WndProc(m);
    return;
  }
  switch (m.Msg) {
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
      SkinLink->CacheStale = true;
      TacMainWnd::WndProc(m);
      if (!Detached) SendMessageA(Wnd, WM_NCPAINT, 0, 0);
      return;
    case WM_PAINT:
      if (!IsWindowVisible(Wnd)) break;
      {
        PAINTSTRUCT ps{};
        HDC given = reinterpret_cast<HDC>(m.WParam);
        if (!given) BeginPaint(Wnd, &ps);
        HDC dc = given ? given : GetDC(Wnd);
        PaintToDC(dc);
        if (!given) {
          ReleaseDC(Wnd, dc);
          EndPaint(Wnd, &ps);
        }
      }
      m.Result = 0;
      return;
    case WM_ERASEBKGND:
      m.Result = 1;
      return;
    case WM_NCPAINT:
      PaintNonClient();
      m.Result = 0;
      return;
    case WM_PRINT:
      if (m.WParam) PaintToDC(reinterpret_cast<HDC>(m.WParam));
      m.Result = 0;
      return;
    default:
      if (m.Msg == SM_ALPHACMD && m.WParamHi() == cmdRepaint && SkinLink->UpdatePending) {
        SkinLink->SetUpdating(false);
        RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
        return;
      }
      break;
  }
  TacMainWnd::WndProc(m);
  if (m.Msg == WM_MOUSEMOVE && !Detached && DefaultManager && !IsDesigning(DefaultManager) && IsWindowEnabled(Wnd))
    DefaultManager->SetHotWindow(Wnd);
}

bool TacToolBarWnd::Updating() {
  HWND parent = GetParent(Wnd);
  const bool updating = (parent && SendMessageA(parent, SM_ALPHACMD, MAKEWPARAM(0, cmdGetStale), 0) == 1) ||
                        SkinLink->IsUpdating();
  SkinLink->UpdatePending = updating;
  return updating;
}

void TacToolBarWnd::PrepareCache() {
  ReadGeometry();
  SizeCacheToWindow(SkinLink, Wnd);
  if (!SkinLink->CacheStale) return;
  GetClientRect(Wnd, &ClientBox);
  PaintWndCache(SkinLink, Wnd, false);
  PaintAdapterCorners(SkinLink, 0, this);
  FrameWidth = std::max<int32_t>((WindowHeight - (ClientBox.bottom - ClientBox.top)) / 2, 0);
}

void TacToolBarWnd::PaintNonClient() {
  if (!(GetWindowLongA(Wnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) || Updating()) return;
  PrepareCache();
  const int strip = (WindowWidth - (ClientBox.right - ClientBox.left)) / 2;
  if (strip <= 0) return;
  CopyBorderFromCache(nullptr, WindowWidth, WindowHeight, strip);
}

int TacToolBarWnd::ButtonState(const TBBUTTON& button, const RECT& rect) const {
  if (!(button.fsState & TBSTATE_ENABLED)) return 0;
  if (button.fsState & TBSTATE_PRESSED) return 2;
  POINT cursor{};
  GetCursorPos(&cursor);
  ScreenToClient(Wnd, &cursor);
  return PtInRect(&rect, cursor) ? 1 : 0;
}

void TacToolBarWnd::PaintToDC(HDC dc) {
  if (!dc || Updating()) return;
  PrepareCache();
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  auto image = CreateBmp24(cache->Width(), cache->Height());
  BitBlt(image->Canvas()->Handle(), 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
  const int count = int(SendMessageA(Wnd, TB_BUTTONCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) PaintButton(image.get(), i);
  BitBlt(dc, 0, 0, ClientBox.right - ClientBox.left, ClientBox.bottom - ClientBox.top, image->Canvas()->Handle(),
         FrameWidth, FrameWidth, SRCCOPY);
}

void TacToolBarWnd::PaintButton(vcl::TBitmap* target, int index) {
  TsSkinManager* manager = SkinLink->GetSkinManager();
  TBBUTTON button{};
  RECT r{};
  if (!manager || !SendMessageA(Wnd, TB_GETBUTTON, WPARAM(index), LPARAM(&button)) ||
      !SendMessageA(Wnd, TB_GETITEMRECT, WPARAM(index), LPARAM(&r)) || (button.fsState & TBSTATE_HIDDEN))
    return;
  const RECT client = r;
  OffsetRect(&r, FrameWidth, FrameWidth);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  auto part = CreateBmp24(w, h);
  BitBlt(part->Canvas()->Handle(), 0, 0, w, h, SkinLink->CacheBitmap->Canvas()->Handle(), r.left, r.top, SRCCOPY);
  TsBackgroundInfo behind;
  FillBmpBgInfo(SkinLink->CacheBitmap.get(), 0, 0, behind);

  if (button.fsStyle & BTNS_SEP) {
    const int divider = manager->FindSectionIndex("DIVIDER");
    if (!manager->IsSectionIndexValid(divider) ||
        !manager->IsMaskIndexValid(manager->FindMaskIndex(divider, "DIVIDER", "BORDERSMASK")))
      return;
    const int x = w / 2 - 1;
    PaintSectionItem(divider, "DIVIDER", behind, -1, -1, manager, part.get(), {r.left + x, r.top + 2},
                     {x, 2, x + 4, h - 2}, 0, true);
  } else {
    const int state = ButtonState(button, client);
    const int p = state == 2 ? 1 : 0;
    const int section = manager->FindSectionIndex("TOOLBUTTON");
    PaintSectionItem(section, "TOOLBUTTON", behind, manager->FindTextureMaskIndex(section, "TOOLBUTTON", "HOTPATTERN"),
                     manager->FindTextureMaskIndex(section, "TOOLBUTTON", "PATTERN"), manager, part.get(),
                     {r.left, r.top}, {0, 0, w, h}, state, true);
    // The image: only a real index of the bar's own list, which is drawn and left unchanged.
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(Wnd, TB_GETIMAGELIST, 0, 0));
    int imageW = 0, imageH = 0;
    int availableW = w;
    if (button.fsStyle & BTNS_DROPDOWN) {
      const int glyph = manager->FindMaskIndex(manager->FindSectionIndex("SCROLLBTNBOTTOM"), "SCROLLBTNBOTTOM", "GLYPHMASK");
      if (manager->IsMaskIndexValid(glyph)) {
        int32_t fw = 0, fh = 0;
        manager->MaskFrameSize(glyph, fw, fh);
        PaintMaskGlyph(part.get(), {w - fw - 2, (h - fh) / 2}, state, EmptyBackgroundInfo,
                       manager->Masks[size_t(glyph)], kGlyphNormal);
        availableW = w - fw - 2;
      }
    }
    if (images && button.iBitmap >= 0 && button.iBitmap < ImageList_GetImageCount(images) &&
        ImageList_GetIconSize(images, &imageW, &imageH)) {
      ImageList_Draw(images, button.iBitmap, part->Canvas()->Handle(), (availableW - imageW) / 2 + p, 4 + p,
                     ILD_TRANSPARENT);
    }
    char text[256] = {};
    const LRESULT length = SendMessageA(Wnd, TB_GETBUTTONTEXTA, WPARAM(button.idCommand), LPARAM(text));
    if (length > 0 && length < LRESULT(sizeof text)) {
      vcl::TCanvas* canvas = part->Canvas();
      SelectWindowFont(canvas, Wnd, OwnerControl());
      canvas->Brush()->SetStyle(vcl::bsClear);
      const vcl::TRect textRect{2 + p, (imageH > 0 ? imageH + 2 : 2) + p, w - 2 + p, h - 2 + p};
      const TsGeneralData* own = manager->IsSectionIndexValid(SkinLink->SectionIndex)
                                     ? &manager->Sections[size_t(SkinLink->SectionIndex)]
                                     : nullptr;
      const bool buttonColours = state != 0 && !(own && own->GiveOwnFont);
      WriteSectionText(canvas, text, (button.fsState & TBSTATE_ENABLED) != 0, manager, state != 0,
                       buttonColours ? section : SkinLink->SectionIndex,
                       DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_END_ELLIPSIS, textRect);
    }
    if (!(button.fsState & TBSTATE_ENABLED)) {
      auto plain = CreateBmp24(w, h);
      BitBlt(plain->Canvas()->Handle(), 0, 0, w, h, SkinLink->CacheBitmap->Canvas()->Handle(), r.left, r.top, SRCCOPY);
      BlendBmpByFactor(part.get(), 0, 0, -1, 0.4, {0, 0, w - 1, h - 1}, plain.get());
    }
  }
  BitBlt(target->Canvas()->Handle(), r.left, r.top, w, h, part->Canvas()->Handle(), 0, 0, SRCCOPY);
}

}  // namespace skin
