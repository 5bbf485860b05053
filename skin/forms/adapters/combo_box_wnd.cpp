#include "skin/forms/adapters/combo_box_wnd.h"

#include <algorithm>
#include <vector>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/skin_utils.h"
#include "skin/forms/adapters/button_adapters.h"
#include "vcl/graphics/colours.h"

namespace skin {

namespace {

// The list box messages that bracket the list's own mouse tracking.
constexpr UINT kListTrackStart = 0x1AE, kListTrackEnd = 0x1AF;
constexpr int kComboSimple = 1;
constexpr int kComboDropDownList = 3;

}  // namespace

std::string ComboItemText(HWND combo, int index) {
  if (index < 0) return std::string();
  const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, WPARAM(index), 0);
  if (length == CB_ERR || length < 0) return std::string();
  std::vector<char> text(size_t(length) + 1, '\0');
  const LRESULT got = SendMessageA(combo, CB_GETLBTEXT, WPARAM(index), LPARAM(text.data()));
  if (got == CB_ERR || got < 0) return std::string();
  return std::string(text.data(), size_t(std::min<LRESULT>(got, length)));
}

// ---- TacComboListWnd ---------------------------------------------------------------------------

TacComboListWnd::TacComboListWnd(HWND wnd, bool simpleStyle, const std::string& section, TsSkinManager* manager)
    : TacEditWnd(wnd, section, manager, nullptr), SimpleStyle(simpleStyle) {
  ReadGeometry();
}

TacComboListWnd* TacComboListWnd::CreateForCombo(HWND list, bool simpleStyle, bool frameRefresh,
                                                 const std::string& section, TsSkinManager* manager) {
  return MakeAdapter<TacComboListWnd>(frameRefresh || !simpleStyle, list, simpleStyle, section, manager);
}

void TacComboListWnd::PrepareListCache() {
  ReadGeometry();
  if (SimpleStyle) {
    SendMessageA(Wnd, SM_ALPHACMD, MAKEWPARAM(0, cmdPaintToCache), 0);
    return;
  }
  SkinLink->ResolveSkinIndexes();
  ApplySkinParams();
  SizeCacheToWindow(SkinLink, Wnd);
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  if (!cache) return;
  HDC dc = cache->Canvas()->Handle();
  HBRUSH brush = CreateSolidBrush(vcl::ColorToRGB(ListBgColor));
  HPEN pen = CreatePen(PS_SOLID, 1, vcl::ColorToRGB(ListFrameColor));
  HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
  Rectangle(dc, 0, 0, cache->Width(), cache->Height());
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
  SkinLink->CacheStale = false;
}

void TacComboListWnd::WndProc(vcl::TMessage& m) {
  if (Detached || !SkinLink || !SkinLink->IsSkinned(false)) {
    TacEditWnd::WndProc(m);
    return;
  }
  switch (m.Msg) {
    case WM_ERASEBKGND:
    case WM_HSCROLL:
    case WM_VSCROLL:
      PassOn(m);
      return;
    case WM_NCCALCSIZE:
      NonClientCalcSize(m);
      return;
    case WM_NCPAINT: {
      if (Notifying) break;
      m.Result = 0;
      if (!IsWindowVisible(Wnd)) return;
      PrepareListCache();
      if (!DialogMode) PaintAdapterCorners(SkinLink, 0, this);
      HDC dc = GetWindowDC(Wnd);
      if (!dc) return;
      const int saved = SaveDC(dc);
      vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
      if (cache)
        CopyBorderStrips(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0,
                         std::min<int32_t>(std::max<int32_t>(EdgeLeft, 1), 2));
      PaintScrollBars(dc, -1);
      RestoreDC(dc, saved);
      ReleaseDC(Wnd, dc);
      return;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: {
      vcl::TMessage hit(WM_NCHITTEST, 0, m.LParam);
      HitTest(hit);
      m.WParam = WPARAM(hit.Result);
      if (hit.Result == HTHSCROLL || hit.Result == HTVSCROLL)
        Press(m);
      else
        m.Result = 0;  // other non-client clicks on the list do nothing
      return;
    }
    case kListTrackStart:
      ListTracking = true;
      break;
    case kListTrackEnd:
      ListTracking = false;
      SkinLink->CacheStale = true;
      break;
    case WM_PRINT:
    case WM_PRINTCLIENT: {
      HDC dc = reinterpret_cast<HDC>(m.WParam);
      if (!dc || !IsWindowVisible(Wnd)) {
        PassOn(m);
        return;
      }
      PrepareListCache();
      PassOn(m);
      if (m.Msg == WM_PRINT && SendMessageA(Wnd, LB_GETCOUNT, 0, 0) >= 1 && ScrollTracking.PressedPart == -1 &&
          !ListTracking) {
        vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
        if (cache)
          CopyBorderStrips(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0,
                           std::min<int32_t>(std::max<int32_t>(EdgeLeft, 1), 3));
        PaintScrollBars(dc, -1);
      }
      return;
    }
    default:
      break;
  }
  TacEditWnd::WndProc(m);
  if (!Detached && m.Msg == WM_WINDOWPOSCHANGED) UpdateScrollInfo(true);
}

// ---- TacComboBoxWnd ----------------------------------------------------------------------------

TacComboBoxWnd::~TacComboBoxWnd() {
  FreeList();
  if (listBrush_) DeleteObject(listBrush_);
}

void TacComboBoxWnd::FreeList() {
  if (ListAdapter) {
    TacMainWnd* list = ListAdapter.release();
    RemoveAdapter(list->Wnd && IsWindow(list->Wnd) ? list->Wnd : nullptr, true, true, list);
  }
  ListWnd = nullptr;
}

void TacComboBoxWnd::RestoreInitialState() {
  FreeList();
  TacEditWnd::RestoreInitialState();
  if (Wnd && IsWindow(Wnd)) InvalidateRect(Wnd, nullptr, TRUE);
}

void TacComboBoxWnd::GetButtonRect(RECT& rect) {
  RECT window{};
  GetWindowRect(Wnd, &window);
  const int w = window.right - window.left, h = window.bottom - window.top;
  const int button = (ComboStyle() & 2) ? GetSystemMetrics(SM_CXVSCROLL) : 0;
  const bool rightToLeft = (GetWindowLongA(Wnd, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
  rect.left = rightToLeft ? 2 : w - button - 2;
  rect.top = 2;
  rect.right = rect.left + button;
  rect.bottom = h - 2;
}

int TacComboBoxWnd::ButtonState() const {
  if (SendMessageA(Wnd, CB_GETDROPPEDSTATE, 0, 0)) return 2;
  if ((SkinLink && SkinLink->InHotState()) || (DefaultManager && DefaultManager->HotWindow() == Wnd)) return 1;
  return 0;
}

void TacComboBoxWnd::PaintButton(HDC dc) {
  vcl::TBitmap* cache = SkinLink ? SkinLink->CacheBitmap.get() : nullptr;
  TsSkinManager* manager = SkinLink ? SkinLink->GetSkinManager() : nullptr;
  if (!dc || !cache || !manager || cache->Width() <= 0) return;
  RECT b{};
  GetButtonRect(b);
  const int bw = b.right - b.left, bh = b.bottom - b.top;
  if (bw <= 0 || bh <= 0) return;
  const int state = ButtonState();
  auto image = CreateBmpLike(cache);
  BitBlt(image->Canvas()->Handle(), 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
  const TacCommonIndexes& common = manager->CommonIndexes;
  if (manager->IsSectionIndexValid(common.ComboBtnSection)) {
    // The button over the box as it is: the copy is the background, the image the target.
    auto background = CreateBmpLike(cache);
    BitBlt(background->Canvas()->Handle(), 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0,
           SRCCOPY);
    TsBackgroundInfo info{background.get(), 0, 0, 0, true};
    PaintSectionItem(common.ComboBtnSection, "COMBOBTN", info, common.ComboBtnHotPattern, common.ComboBtnPattern,
                     manager, image.get(), vcl::TPoint{b.left, b.top}, vcl::TRect{b.left, b.top, b.right, b.bottom},
                     state, true);
  }
  if (manager->IsMaskIndexValid(common.ComboGlyphMask)) {
    const TsMaskData& mask = manager->Masks[size_t(common.ComboGlyphMask)];
    auto background = CreateBmpLike(image.get());
    BitBlt(background->Canvas()->Handle(), 0, 0, image->Width(), image->Height(), image->Canvas()->Handle(), 0, 0,
           SRCCOPY);
    TsBackgroundInfo info{background.get(), 0, 0, 0, true};
    const int x = b.left + (bw - MaskFrameWidth(mask)) / 2;
    const int y = (cache->Height() - MaskFrameHeight(mask)) / 2;
    PaintMaskGlyph(image.get(), vcl::TPoint{x, y}, state, info, mask, kGlyphNormal);
  }
  BitBlt(dc, b.left, b.top, bw, bh, image->Canvas()->Handle(), b.left, b.top, SRCCOPY);
}

void TacComboBoxWnd::PaintText() {
  vcl::TBitmap* cache = SkinLink ? SkinLink->CacheBitmap.get() : nullptr;
  if (!cache) return;
  vcl::TCanvas* canvas = cache->Canvas();
  SelectWindowFont(canvas, Wnd, OwnerControl());
  RECT b{};
  GetButtonRect(b);
  const int w = cache->Width(), h = cache->Height();
  const bool rightToLeft = (GetWindowLongA(Wnd, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
  const vcl::TRect t = rightToLeft ? vcl::TRect{b.right, 3, w - 3, h - 3} : vcl::TRect{3, 3, b.left, h - 3};
  if (t.right <= t.left || t.bottom <= t.top) return;
  const int selected = int(SendMessageA(Wnd, CB_GETCURSEL, 0, 0));
  const std::string text = selected >= 0 ? ComboItemText(Wnd, selected) : GetWindowTextAnsi(Wnd);
  const bool listStyle = ComboStyle() == kComboDropDownList;
  const bool focused = listStyle && GetFocus() == Wnd;
  if (focused) {
    PaintSolidRect(canvas->Handle(), t, vcl::clHighlight);
    canvas->Font()->SetColor(vcl::clHighlightText);
  }
  canvas->Brush()->SetStyle(vcl::bsClear);
  const int shift = listStyle ? 1 : 0;
  canvas->TextRect(t, t.left + shift, t.top + shift, text);
  if (focused) {
    RECT focus{t.left, t.top, t.right, t.bottom};
    DrawFocusRect(canvas->Handle(), &focus);
  }
}

void TacComboBoxWnd::PrepareSimpleCache() {
  if (!SkinLink) return;
  TsSkinManager* manager = SkinLink->GetSkinManager();
  if (!SkinLink->CacheBitmap) SkinLink->CacheBitmap = CreateBmp24(0, 0);
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  RECT window{};
  GetWindowRect(Wnd, &window);
  const int w = window.right - window.left;
  const int h = int(SendMessageA(Wnd, CB_GETITEMHEIGHT, WPARAM(-1), 0)) + 8;
  cache->SetSize(std::max(w, 0), std::max(h, 0));
  const int32_t border = manager && manager->SkinData() ? manager->SkinData()->BorderColor : SkinKeyColor;
  if (DialogMode && border != SkinKeyColor) {
    PaintSolidRect(cache->Canvas()->Handle(), {0, 0, w, h}, vcl::clWindow);
    PaintSolidFrame(cache->Canvas()->Handle(), {0, 0, w, h}, 1, 1, 1, 1, border);
  } else {
    TsBackgroundInfo info;
    GetWndParentBgInfo(Wnd, info);
    ReadGeometry();
    PaintSkinDataItem(SkinLink, info, true, false, cache, {PosInParent.x, PosInParent.y}, {0, 0, w, h},
                      SkinLink->InHotState() ? 1 : 0);
  }
  SkinLink->CacheStale = false;
}

LRESULT TacComboBoxWnd::ListColours(HDC dc) {
  if (!ListAdapter || DialogMode) return 0;
  const LRESULT answer = SendMessageA(ListWnd, SM_ALPHACMD, MAKEWPARAM(0, cmdGetSectionIndex), 0) - 1;
  TsSkinManager* manager = SkinLink->GetSkinManager();
  if (answer < 0 || !manager || !manager->IsSectionIndexValid(int(answer))) return 0;
  const TsGeneralData& section = manager->Sections[size_t(answer)];
  if (section.FontColor[0] >= 0) SetTextColor(dc, vcl::ColorToRGB(section.FontColor[0]));
  SetBkColor(dc, vcl::ColorToRGB(section.Color));
  // One brush, made again only when the skin's colour changes.
  if (!listBrush_ || listBrushColour_ != section.Color) {
    if (listBrush_) DeleteObject(listBrush_);
    listBrush_ = CreateSolidBrush(vcl::ColorToRGB(section.Color));
    listBrushColour_ = section.Color;
  }
  return LRESULT(listBrush_);
}

void TacComboBoxWnd::WndProc(vcl::TMessage& m) {
  if (Detached || !SkinLink || !SkinLink->IsSkinned(false)) {
    TacEditWnd::WndProc(m);
    return;
  }
  if (m.Msg == SM_ALPHACMD) {
    const uint16_t command = m.WParamHi();
    const bool ours = m.LParam == LPARAM(SkinLink->GetSkinManager());
    if (command == cmdSkinRemoved && ours) FreeList();
    // The list is no child of the box: the skin's news reach it from here.
    if ((command == cmdSkinSet || command == cmdSkinRefresh) && ours && ListAdapter && IsWindow(ListWnd))
      SendMessageA(ListWnd, m.Msg, m.WParam, m.LParam);
    TacEditWnd::WndProc(m);
    if (!Detached && (command == cmdMouseEnter || command == cmdMouseLeave)) {
      if (HDC dc = GetWindowDC(Wnd)) {
        PaintButton(dc);
        ReleaseDC(Wnd, dc);
      }
    }
    return;
  }
  switch (m.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_LBUTTONUP:
    case vcl::CM_MOUSEENTER:
    case vcl::CM_MOUSELEAVE:
      TacEditWnd::WndProc(m);
      if (Detached) return;
      if (m.Msg == vcl::CM_MOUSEENTER || m.Msg == vcl::CM_MOUSELEAVE) SkinLink->MouseOver = m.Msg == vcl::CM_MOUSEENTER;
      if (HDC dc = GetWindowDC(Wnd)) {
        PaintButton(dc);
        ReleaseDC(Wnd, dc);
      }
      return;
    case WM_PAINT: {
      ApplyOnce();
      ReadGeometry();
      PassOn(m);
      if (Detached) return;
      HDC dc = reinterpret_cast<HDC>(m.WParam);
      HDC own = dc ? nullptr : GetWindowDC(Wnd);
      HDC target = dc ? dc : own;
      if (target && !RecomputeUpdating()) {
        if (ComboStyle() == kComboSimple) {
          PrepareSimpleCache();
        } else {
          SkinLink->CacheStale = true;
          SendMessageA(Wnd, SM_ALPHACMD, MAKEWPARAM(0, cmdPaintToCache), 0);
        }
        if (vcl::TBitmap* cache = SkinLink->CacheBitmap.get())
          CopyBorderStrips(target, 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0, 3);
        if (ComboStyle() != kComboSimple) PaintButton(target);
      }
      if (own) ReleaseDC(Wnd, own);
      return;
    }
    case WM_ERASEBKGND:
      m.Result = 1;
      return;
    case WM_DRAWITEM:
      PassOn(m);
      return;
    case WM_NCCALCSIZE:
      TacEditWnd::WndProc(m);
      EdgeLeft = 3;
      return;
    case WM_CTLCOLORLISTBOX: {
      TacEditWnd::WndProc(m);
      if (Detached) return;
      if (!ListWnd && m.LParam) {
        ListWnd = HWND(m.LParam);
        if (!ListAdapter && !GetWndAdapter(ListWnd)) {
          // A bare box (a dialog's) hands its dialog mode to the list's adapter.
          const bool bare = OwnerControl() == nullptr;
          const bool saved = CreatingDialogChildren;
          if (bare) CreatingDialogChildren = DialogMode;
          ListAdapter.reset(TacComboListWnd::CreateForCombo(ListWnd, ComboStyle() == kComboSimple,
                                                           SendMessageA(Wnd, CB_GETCOUNT, 0, 0) > 0, "EDIT",
                                                           SkinLink->GetSkinManager()));
          CreatingDialogChildren = saved;
        }
      }
      // Answered at every request, so that the list keeps its colours after its first paint.
      if (const LRESULT brush = ListColours(reinterpret_cast<HDC>(m.WParam))) m.Result = brush;
      return;
    }
    case WM_PRINT: {
      HDC dc = reinterpret_cast<HDC>(m.WParam);
      ReadGeometry();
      SkinLink->UpdatePending = false;
      SkinLink->CacheStale = true;
      ApplyOnce();
      if (ComboStyle() == kComboSimple) {
        PrepareSimpleCache();
      } else {
        SkinLink->CacheStale = true;
        SendMessageA(Wnd, SM_ALPHACMD, MAKEWPARAM(0, cmdPaintToCache), 0);
      }
      vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
      if (dc && cache) {
        PaintText();
        PaintAdapterCorners(SkinLink, 0, this);
        BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
        PaintButton(dc);
      }
      m.Result = 0;
      return;
    }
    default:
      break;
  }
  TacEditWnd::WndProc(m);
}

}  // namespace skin
