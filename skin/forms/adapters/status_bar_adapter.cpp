#include "skin/forms/adapters/status_bar_adapter.h"

#include <algorithm>
#include <vector>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/paint/text_routines.h"
#include "skin/engine/skin_painting.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "vcl/stdctrls/comctrls.h"

namespace skin {

TacStatusBarWnd::TacStatusBarWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink)
    : TacMainWnd(wnd, section.empty() ? "STATUSBAR" : section, manager, skinLink),
      bar_(dynamic_cast<vcl::TStatusBar*>(OwnerControl())) {}

bool TacStatusBarWnd::Simple() const { return SendMessageA(Wnd, SB_ISSIMPLE, 0, 0) == 1; }

std::string TacStatusBarWnd::GetPanelText(int index) {
  const int parts = int(SendMessageA(Wnd, SB_GETPARTS, 0, 0));
  if (parts <= 0) return std::string();
  // Simple mode shows one text across the bar: the owner's, or the window's.
  if (Simple()) return bar_ ? bar_->SimpleText() : GetWindowTextAnsi(Wnd);
  if (!bar_) return std::string();
  vcl::TStatusPanels* panels = bar_->Panels();
  if (!panels || panels->Count() == 0) return bar_->SimpleText();
  // The window may hold more parts than the owner has panels (parts set by message, or a
  // change on its way): those have no text.
  if (index < 0 || index >= panels->Count()) return std::string();
  return panels->Items(index)->Text();
}

void TacStatusBarWnd::PrepareCache() {
  ReadGeometry();
  SizeCacheToWindow(SkinLink, Wnd);
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  TsBackgroundInfo parent;
  GetWndParentBgInfo(Wnd, parent);
  PaintSkinDataItem(SkinLink, parent, true, false, cache, {PosInParent.x, PosInParent.y},
                    {0, 0, WindowWidth, WindowHeight}, 0);
  if (Simple()) {
    PaintPanel(-1, RECT{0, 1, WindowWidth - 1, WindowHeight - 1});
  } else {
    const int parts = std::clamp<int>(int(SendMessageA(Wnd, SB_GETPARTS, 0, 0)), 0, 256);
    for (int i = 0; i < parts; ++i) {
      RECT r{};
      if (!SendMessageA(Wnd, SB_GETRECT, WPARAM(i), LPARAM(&r))) continue;
      InflateRect(&r, -1, -1);
      PaintPanel(i, r);
    }
  }
  SkinLink->CacheStale = false;
}

void TacStatusBarWnd::PaintPanel(int index, RECT rect) {
  TsSkinManager* manager = SkinLink->GetSkinManager();
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  if (!manager || !cache) return;
  const bool simple = index < 0;
  if (manager->IsSectionIndexValid(SkinLink->SectionIndex)) {
    const int mask = manager->FindMaskIndex(SkinLink->SectionIndex, SkinLink->SkinSection(), "STATUSPANELMASK");
    TsBackgroundInfo behind;
    FillBmpBgInfo(cache, 0, 0, behind);
    if (manager->IsMaskIndexValid(mask)) {
      const vcl::TRect area = simple ? vcl::TRect{0, 0, WindowWidth, WindowHeight}
                                     : vcl::TRect{rect.left, rect.top, rect.right, rect.bottom};
      PaintSlicedMask(cache, area, true, behind, manager->Masks[size_t(mask)], 0, false);
    } else if (!simple && index < int(SendMessageA(Wnd, SB_GETPARTS, 0, 0)) - 1) {
      const int divider = manager->FindSectionIndex("DIVIDER");
      const int dividerMask = manager->FindMaskIndex(divider, "DIVIDER", "BORDERSMASK");
      if (manager->IsSectionIndexValid(divider) && manager->IsMaskIndexValid(dividerMask)) {
        int32_t fw = 0, fh = 0;
        manager->MaskFrameSize(dividerMask, fw, fh);
        const int w = fw - 1, h = WindowHeight - 2;
        if (w > 0 && h > 0) {
          auto line = CreateBmp24(w, h);
          HDC cacheDC = cache->Canvas()->Handle();
          BitBlt(line->Canvas()->Handle(), 0, 0, w, h, cacheDC, rect.right - w, rect.top, SRCCOPY);
          TsBackgroundInfo lineBehind;
          FillBmpBgInfo(line.get(), 0, 0, lineBehind);
          PaintSectionItem(divider, "DIVIDER", lineBehind, -1, -1, manager, line.get(), {0, 0}, {0, 0, w, h}, 0, true);
          BitBlt(cacheDC, rect.right - w, 1, w, h, line->Canvas()->Handle(), 0, 0, SRCCOPY);
        }
      }
    }
  }
  RECT text = rect;
  InflateRect(&text, -1, -1);
  text.bottom -= 1;
  text.left += 2;
  text.right -= 4;
  if (!bar_ || text.right <= text.left) return;
  vcl::TCanvas* canvas = cache->Canvas();
  canvas->Font()->Assign(bar_->Font());
  canvas->Brush()->SetStyle(vcl::bsClear);
  const std::string caption = CutTextWithEllipsis(canvas, GetPanelText(index), text.right - text.left);
  vcl::TStatusPanels* panels = bar_->Panels();
  const bool aligned = !bar_->SimplePanel() && panels && index >= 0 && index < panels->Count();
  const int32_t align =
      AlignToDrawTextFlags(bar_, aligned ? panels->Items(index)->Alignment() : vcl::taLeftJustify);
  WriteSkinDataText(canvas, caption, bar_->Enabled(), false, SkinLink, uint32_t(align) | DT_VCENTER | DT_SINGLELINE,
                    {text.left, text.top, text.right, text.bottom});
}

void TacStatusBarWnd::PaintClient(HDC dc) {
  if (!dc) return;
  PrepareCache();
  BitBlt(dc, 0, 0, WindowWidth, WindowHeight, SkinLink->CacheBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TacStatusBarWnd::PaintNonClient(HDC given) {
  if (!bar_) return;
  ReadGeometry();
  const int border = bar_->BorderWidth();
  if (border <= 0) return;
  if (SkinLink->CacheStale || !SkinLink->CacheBitmap || SkinLink->CacheBitmap->Width() != WindowWidth) PrepareCache();
  CopyBorderFromCache(given, WindowWidth, WindowHeight, border);
}

void TacStatusBarWnd::WndProc(vcl::TMessage& m) {
  if (Detached || !SkinActive() || !SkinLink->IsSkinned(false)) {
    TacMainWnd::WndProc(m);
    return;
  }
  switch (m.Msg) {
    case WM_PAINT:
      if (m.WParam)
        PaintClient(reinterpret_cast<HDC>(m.WParam));
      else
        EmptyPaintCycle(Wnd, true);
      m.Result = 0;
      return;
    case WM_ERASEBKGND:
    case WM_PRINT:
      PaintClient(reinterpret_cast<HDC>(m.WParam));
      m.Result = 1;
      return;
    case WM_NCPAINT:
      if (!AnimationInProgress) PaintNonClient(nullptr);
      m.Result = 0;
      return;
    default:
      break;
  }
  TacMainWnd::WndProc(m);
  if (m.Msg == WM_SIZE && !Detached) RedrawWindow(Wnd, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE);
}

}  // namespace skin
