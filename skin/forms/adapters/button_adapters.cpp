#include "skin/forms/adapters/button_adapters.h"

#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/component_state.h"
#include "skin/engine/graphics/glow_effects.h"
#include "skin/engine/graphics/mask_painting.h"
#include "skin/engine/paint/button_glyph.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/paint/section_text.h"
#include "skin/engine/show_animations.h"
#include "skin/engine/skin_painting.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "vcl/graphics/colours.h"
#include "vcl/stdctrls/buttons.h"

namespace skin {

namespace {

constexpr UINT kAlphaCheckParent = 5;
constexpr UINT kLibraryTextChanged = 0xB012;


bool CursorInside(HWND wnd) {
  vcl::TPoint p;
  GetMouseCursorPos(p);
  RECT r{};
  GetWindowRect(wnd, &r);
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// After the platform's handling of a mouse move: the window becomes the hot one while the
// cursor is over it and stops being it when the cursor leaves.
void TrackHotWindow(HWND wnd) {
  if (!DefaultManager || IsDesigning(DefaultManager) || !IsWindowEnabled(wnd)) return;
  const bool inside = CursorInside(wnd);
  if (inside && DefaultManager->HotWindow() != wnd)
    DefaultManager->SetHotWindow(wnd);
  else if (!inside && DefaultManager->HotWindow() == wnd)
    DefaultManager->SetHotWindow(nullptr);
}

// The disabled look: blended 40 % toward what lies behind the window.
void ApplyDisabledLook(TacMainWnd* adapter, const TsBackgroundInfo& info) {
  vcl::TBitmap* cache = adapter->SkinLink->CacheBitmap.get();
  if (!cache || IsWindowEnabled(adapter->Wnd)) return;
  if (info.Ready && info.Bitmap) {
    const int x = info.X + adapter->PosInParent.x, y = info.Y + adapter->PosInParent.y;
    auto behind = CreateBmp24(cache->Width(), cache->Height());
    BitBlt(behind->Canvas()->Handle(), 0, 0, cache->Width(), cache->Height(), info.Bitmap->Canvas()->Handle(), x, y,
           SRCCOPY);
    BlendBmpByFactor(cache, 0, 0, -1, 0.4, {0, 0, cache->Width() - 1, cache->Height() - 1}, behind.get());
  } else {
    TintBitmap(cache, vcl::ColorToRGB(info.FillColor), SkinKeyColor, 0.4);
  }
}

// Whether painting must wait: an animation that does not capture this window's image runs.
bool AnimationBlocksPaint() { return AnimationInProgress && !AnimImageDC; }

}  // namespace

void SelectWindowFont(vcl::TCanvas* canvas, HWND wnd, vcl::TControl* owner) {
  if (owner && owner->Font()) {
    canvas->Font()->Assign(owner->Font());
    return;
  }
  // The window's font stays the window's (its owner deletes it): the canvas only borrows it.
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(wnd, WM_GETFONT, 0, 0));
  canvas->Font()->BorrowHandle(font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
}

// ---- Push buttons ------------------------------------------------------------------------------

TacBtnWnd::TacBtnWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink)
    : TacMainWnd(wnd, section.empty() ? "BUTTON" : section, manager, skinLink) {}

void TacBtnWnd::Repaint() {
  SkinLink->CacheStale = true;
  SendMessageA(Wnd, WM_PAINT, 0, 0);
}

void TacBtnWnd::PassQuietly(vcl::TMessage& m) {
  SendMessageA(Wnd, WM_SETREDRAW, 0, 0);
  PassOn(m);
  SendMessageA(Wnd, WM_SETREDRAW, 1, 0);
}

void TacBtnWnd::WndProc(vcl::TMessage& m) {
  if (!SkinActive() || Detached) {
    TacMainWnd::WndProc(m);
    return;
  }
  if (m.Msg == SM_ALPHACMD) {
    switch (m.WParamHi()) {
      case cmdRepaint:
        if (SkinLink->UpdatePending) {
          SkinLink->UpdatePending = false;
          SkinLink->UpdatePending = SkinLink->IsUpdating();
          if (!SkinLink->UpdatePending)
            RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
          return;
        }
        break;
      case cmdMouseEnter:
        if (!SkinLink->MouseOver && DefaultManager && DefaultManager->HotWindow() == Wnd) {
          if (!CursorInside(Wnd)) return;
          SkinLink->MouseOver = true;
          SkinLink->SetUpdating(false);
          Repaint();
        }
        break;
      case cmdMouseLeave:
        if (SkinLink->MouseOver) {
          SkinLink->MouseOver = false;
          SkinLink->SetUpdating(false);
          Repaint();
        }
        break;
      default:
        break;
    }
    TacMainWnd::WndProc(m);
    return;
  }
  switch (m.Msg) {
    case WM_MOVE: {
      const TsSkinManager* manager = SkinLink->GetSkinManager();
      if (manager && manager->IsSectionIndexValid(SkinLink->SectionIndex)) {
        const TsGeneralData& s = manager->Sections[size_t(SkinLink->SectionIndex)];
        if (s.Transparency > 0 || (s.HotTransparency > 0 && SkinLink->InHotState())) Repaint();
      }
      break;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (!IsWindowEnabled(Wnd)) {
        // A disabled button takes no focus look.
        if (m.Msg == WM_SETFOCUS) return;
        break;
      }
      PassQuietly(m);
      SkinLink->HasFocus = m.Msg == WM_SETFOCUS;
      Repaint();
      return;
    case WM_ENABLE:
    case WM_SETTEXT:
      if (!IsWindowVisible(Wnd)) break;
      PassQuietly(m);
      if (m.Msg == WM_SETTEXT) CachedText = GetWindowTextAnsi(Wnd);
      Repaint();
      return;
    case BM_SETSTATE:
      if (!IsWindowVisible(Wnd)) break;
      PassQuietly(m);
      Repaint();
      return;
    case WM_PAINT:
      if (!ParamsApplied) ApplySkinParams();
      Paint(reinterpret_cast<HDC>(m.WParam));
      m.Result = 0;
      return;
    case WM_PRINT:
      Paint(reinterpret_cast<HDC>(m.WParam));
      m.Result = 0;
      return;
    case WM_ERASEBKGND:
    case WM_NCPAINT:
    case WM_UPDATEUISTATE:
      m.Result = 1;
      return;
    default:
      break;
  }
  TacMainWnd::WndProc(m);
  if (m.Msg == WM_MOUSEMOVE && !Detached) TrackHotWindow(Wnd);
}

void TacBtnWnd::Paint(HDC given) {
  ReadGeometry();
  PAINTSTRUCT ps{};
  const bool painting = given == nullptr;
  if (painting) BeginPaint(Wnd, &ps);
  if (!AnimationBlocksPaint()) {
    SkinLink->UpdatePending = SkinLink->IsUpdating();
    if (!SkinLink->UpdatePending) {
      HDC dc = given ? given : GetDC(Wnd);
      SkinLink->CacheStale = true;
      PrepareCache();
      vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
      BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
      if (!given) ReleaseDC(Wnd, dc);
    }
  }
  if (painting) EndPaint(Wnd, &ps);
}

int TacBtnWnd::CurrentState() {
  const LRESULT state = SendMessageA(Wnd, BM_GETSTATE, 0, 0);
  if (state & BST_PUSHED) {
    FreeAllGlowEffects();
    return 2;
  }
  if (!IsWindowEnabled(Wnd)) return 0;
  if (GetFocus() == Wnd || (DefaultManager && DefaultManager->HotWindow() == Wnd)) return 1;
  const LONG style = GetWindowLongA(Wnd, GWL_STYLE);
  return (style & 0xF) == BS_DEFPUSHBUTTON ? 1 : 0;
}

void TacBtnWnd::PrepareCache() {
  ReadGeometry();
  TsBackgroundInfo info;
  GetWndParentBgInfo(Wnd, info);
  SizeCacheToWindow(SkinLink, Wnd);
  const int state = CurrentState();
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  PaintSkinDataItem(SkinLink, info, true, false, cache, {PosInParent.x, PosInParent.y},
                    {0, 0, WindowWidth, WindowHeight}, state);
  PaintAdapterCorners(SkinLink, state, this);
  PaintCaption(state);
  DrawGlyph(state);
  ApplyDisabledLook(this, info);
  SkinLink->CacheStale = false;
}

int TacBtnWnd::MaxCaptionWidth() {
  if (CachedText.empty()) return 0;
  const SIZE glyph = GlyphSize();
  return std::max<int>(WindowWidth - 2 - (glyph.cx > 0 ? glyph.cx + 2 : 0), 0);
}

SIZE TacBtnWnd::TextSize(HDC dc) {
  const LONG style = GetWindowLongA(Wnd, GWL_STYLE);
  const UINT flags = DT_CALCRECT | DT_NOPREFIX | DT_CENTER | DT_EXPANDTABS | ((style & BS_MULTILINE) ? 0 : DT_WORDBREAK);
  RECT text{0, 0, MaxCaptionWidth(), 0};
  if (!CachedText.empty()) DrawTextA(dc, CachedText.c_str(), -1, &text, flags);
  return SIZE{text.right - text.left, text.bottom - text.top};
}

RECT TacBtnWnd::CaptionRect(HDC dc, int state) {
  const SIZE text = TextSize(dc);
  const int left = (WindowWidth - text.cx) / 2, top = (WindowHeight - text.cy) / 2;
  RECT r{left - 1, top, WindowWidth - left + 2, WindowHeight - top};
  if (state == 2) OffsetRect(&r, 1, 1);
  return r;
}

void TacBtnWnd::PaintCaption(int state) {
  if (CachedText.empty()) return;
  vcl::TCanvas* canvas = SkinLink->CacheBitmap->Canvas();
  SelectWindowFont(canvas, Wnd, OwnerControl());
  canvas->Brush()->SetStyle(vcl::bsClear);
  const RECT r = CaptionRect(canvas->Handle(), state);
  const LONG style = GetWindowLongA(Wnd, GWL_STYLE);
  const uint32_t flags = (style & BS_MULTILINE) ? DT_CENTER | DT_EXPANDTABS | DT_WORDBREAK : DT_CENTER | DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE;
  WriteSkinDataText(canvas, CachedText, IsWindowEnabled(Wnd) != FALSE, state != 0, SkinLink, flags,
                    {r.left, r.top, r.right, r.bottom});
  const TsSkinManager* manager = SkinLink->GetSkinManager();
  const bool showFocus = manager && manager->IsSectionIndexValid(SkinLink->SectionIndex) &&
                         manager->Sections[size_t(SkinLink->SectionIndex)].ShowFocus;
  if (IsWindowEnabled(Wnd) && (SendMessageA(Wnd, BM_GETSTATE, 0, 0) & BST_FOCUS) && showFocus) {
    RECT focus = r;
    InflateRect(&focus, 1, 1);
    DrawFocusRect(canvas->Handle(), &focus);
  }
}

// ---- Glyph buttons -----------------------------------------------------------------------------

namespace {

// The bitmap a plain button window shows (BS_BITMAP), or null.
HBITMAP ButtonImage(HWND wnd) {
  return reinterpret_cast<HBITMAP>(SendMessageA(wnd, BM_GETIMAGE, IMAGE_BITMAP, 0));
}

}  // namespace

SIZE TacBitBtnWnd::GlyphSize() {
  if (auto* button = dynamic_cast<vcl::TBitBtn*>(OwnerControl())) {
    vcl::TBitmap* glyph = button->Glyph();
    if (!glyph || glyph->Empty()) return SIZE{0, 0};
    return SIZE{glyph->Width() / std::max(button->NumGlyphs(), 1), glyph->Height()};
  }
  // The bitmap's pixel size (its "dimension" is an optional physical size, mostly 0).
  BITMAP info{};
  HBITMAP image = ButtonImage(Wnd);
  if (image && GetObjectA(image, sizeof info, &info) == sizeof info) return SIZE{info.bmWidth, info.bmHeight};
  return SIZE{0, 0};
}

int TacBitBtnWnd::MaxCaptionWidth() {
  auto* button = dynamic_cast<vcl::TBitBtn*>(OwnerControl());
  if (!button) return TacBtnWnd::MaxCaptionWidth();
  if (CachedText.empty()) return 0;
  int width = WindowWidth - 2 * std::max(button->Margin(), 0);
  const SIZE glyph = GlyphSize();
  if (glyph.cx > 0 && (button->Layout() == vcl::blGlyphLeft || button->Layout() == vcl::blGlyphRight))
    width -= glyph.cx + button->Spacing();
  return std::max(width, 0);
}

RECT TacBitBtnWnd::GlyphRect(HDC dc, int state) {
  const SIZE glyph = GlyphSize();
  const int p = state == 2 ? 1 : 0;
  auto* button = dynamic_cast<vcl::TBitBtn*>(OwnerControl());
  if (!button) {
    const RECT caption = TacBtnWnd::CaptionRect(dc, state);
    const int right = CachedText.empty() ? (WindowWidth + glyph.cx) / 2 : caption.left - 2 + glyph.cx / 2 + 1;
    const int top = (WindowHeight - glyph.cy) / 2 + p;
    return RECT{right - glyph.cx, top, right, top + glyph.cy};
  }
  const SIZE text = TextSize(dc);
  const int s = glyph.cx > 0 && !CachedText.empty() ? button->Spacing() : 0;
  const int W = WindowWidth, H = WindowHeight, gw = glyph.cx, gh = glyph.cy, tw = text.cx, th = text.cy;
  int x = 0, y = 0;
  switch (button->Layout()) {
    case vcl::blGlyphRight:
      x = (W + s + tw - gw) / 2;
      y = (H - gh) / 2;
      break;
    case vcl::blGlyphTop:
      x = (W - gw) / 2 + 1;
      y = (H - gh - th - s) / 2;
      break;
    case vcl::blGlyphBottom:
      x = (W - gw) / 2 + 1;
      y = H - (H - gh - th - s) / 2 - gh;
      break;
    default:
      x = (W - gw - tw - s) / 2;
      y = (H - gh) / 2;
      break;
  }
  return RECT{x + p, y + p, x + gw + p, y + gh + p};
}

RECT TacBitBtnWnd::CaptionRect(HDC dc, int state) {
  auto* button = dynamic_cast<vcl::TBitBtn*>(OwnerControl());
  const SIZE glyph = GlyphSize();
  if (!button) {
    RECT r = TacBtnWnd::CaptionRect(dc, state);
    if (glyph.cx > 0) OffsetRect(&r, glyph.cx / 2 + 1, 0);
    return r;
  }
  const SIZE text = TextSize(dc);
  const RECT g = GlyphRect(dc, state);
  const int s = glyph.cx > 0 && !CachedText.empty() ? button->Spacing() : 0;
  const int p = state == 2 ? 1 : 0;
  int x = (WindowWidth - text.cx) / 2 + p, y = (WindowHeight - text.cy) / 2 + p;
  if (glyph.cx > 0) {
    switch (button->Layout()) {
      case vcl::blGlyphRight: x = g.left - s - text.cx; break;
      case vcl::blGlyphTop: y = g.bottom + s; break;
      case vcl::blGlyphBottom: y = g.top - s - text.cy; break;
      default: x = g.right + s; break;
    }
  }
  return RECT{x, y, x + text.cx, y + text.cy};
}

void TacBitBtnWnd::DrawGlyph(int state) {
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  const RECT r = GlyphRect(cache->Canvas()->Handle(), state);
  if (r.right <= r.left) return;
  if (auto* button = dynamic_cast<vcl::TBitBtn*>(OwnerControl())) {
    vcl::TBitmap* glyph = button->Glyph();
    if (!glyph || glyph->Empty()) return;
    if (glyph->PixelFormat() == vcl::pfDevice) glyph->SetHandleType(vcl::bmDIB);
    DrawBtnGlyphBmp(glyph, cache, {r.left, r.top, r.right, r.bottom}, std::max(button->NumGlyphs(), 1),
                    button->Enabled(), TsDisabledGlyphKind{dgBlended}, state, 0, state == 2 ? 1 : 0);
    return;
  }
  if (HBITMAP image = ButtonImage(Wnd)) {
    // The window owns its bitmap: it is only selected for the copy.
    HDC source = CreateCompatibleDC(cache->Canvas()->Handle());
    HGDIOBJ old = SelectObject(source, image);
    BitBlt(cache->Canvas()->Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
  }
}

// ---- Check boxes and radio buttons -------------------------------------------------------------

TacCheckBoxWnd::TacCheckBoxWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink)
    : TacMainWnd(wnd, section.empty() ? "CHECKBOX" : section, manager, skinLink) {}

void TacCheckBoxWnd::WndProc(vcl::TMessage& m) {
  if (!SkinActive() || Detached) {
    TacMainWnd::WndProc(m);
    return;
  }
  if (m.Msg == SM_ALPHACMD && (m.WParamHi() == cmdMouseEnter || m.WParamHi() == cmdMouseLeave)) {
    SkinLink->MouseOver = m.WParamHi() == cmdMouseEnter;
    SkinLink->SetUpdating(false);
    SendMessageA(Wnd, WM_PAINT, 0, 0);
    TacMainWnd::WndProc(m);
    return;
  }
  switch (m.Msg) {
    case WM_ENABLE:
    case BM_SETCHECK:
    case BM_SETSTATE:
    case kLibraryTextChanged:
    case WM_SETTEXT:
      if (!IsWindowVisible(Wnd)) break;
      SendMessageA(Wnd, WM_SETREDRAW, 0, 0);
      PassOn(m);
      SendMessageA(Wnd, WM_SETREDRAW, 1, 0);
      if (m.Msg == WM_SETTEXT) CachedText = GetWindowTextAnsi(Wnd);
      SendMessageA(Wnd, WM_PAINT, 0, 0);
      return;
    case WM_PAINT:
    case WM_PRINT:
      Paint(reinterpret_cast<HDC>(m.WParam));
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
  if (Detached) return;
  switch (m.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      SkinLink->HasFocus = m.Msg == WM_SETFOCUS;
      SendMessageA(Wnd, WM_PAINT, 0, 0);
      break;
    case WM_NCHITTEST:
      if (IsWindowEnabled(Wnd) && DefaultManager && DefaultManager->HotWindow() != Wnd) DefaultManager->SetHotWindow(Wnd);
      break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      // The platform painted the new state itself: the skinned look follows.
      SendMessageA(Wnd, WM_PAINT, 0, 0);
      break;
    default:
      break;
  }
}

void TacCheckBoxWnd::Paint(HDC given) {
  CheckStyle = uint32_t(GetWindowLongA(Wnd, GWL_STYLE));
  if (HWND parent = GetParent(Wnd)) SendMessageA(parent, SM_ALPHACMD, MAKEWPARAM(0, kAlphaCheckParent), 0);
  ReadGeometry();
  PAINTSTRUCT ps{};
  const bool painting = given == nullptr;
  if (painting) BeginPaint(Wnd, &ps);
  if ((IsWindowVisible(Wnd) || given) && !AnimationBlocksPaint()) {
    SkinLink->UpdatePending = SkinLink->IsUpdating();
    if (!SkinLink->UpdatePending) {
      HDC dc = given ? given : GetDC(Wnd);
      PrepareCache();
      vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
      BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
      if (!given) ReleaseDC(Wnd, dc);
    }
  }
  if (painting) EndPaint(Wnd, &ps);
}

int TacCheckBoxWnd::GlyphMask(int checkState) const {
  TsSkinManager* manager = SkinLink->GetSkinManager();
  if (!manager) return -1;
  // Radio buttons are the two radio styles; every other button type shows a box.
  const uint32_t type = uint32_t(GetWindowLongA(Wnd, GWL_STYLE)) & 0xF;
  const bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
  const char* name = checkState >= 2 ? "BOXGRAYED"
                     : checkState == 1 ? (radio ? "RADIOCHECKED" : "BOXCHECKED")
                                       : (radio ? "RADIOUNCHECKED" : "BOXUNCHECKED");
  return manager->FindMaskIndex(manager->CommonIndexes.GlobalInfoIndex, "GLOBALINFO", name);
}

void TacCheckBoxWnd::PrepareCache() {
  SizeCacheToWindow(SkinLink, Wnd);
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  vcl::TCanvas* canvas = cache->Canvas();
  SelectWindowFont(canvas, Wnd, OwnerControl());
  TsBackgroundInfo info;
  GetWndParentBgInfo(Wnd, info);
  const bool hot = SkinLink->MouseOver || SkinLink->HasFocus || GetFocus() == Wnd;
  PaintSkinDataItem(SkinLink, info, true, false, cache, {PosInParent.x, PosInParent.y},
                    {0, 0, WindowWidth, WindowHeight}, hot ? 1 : 0);

  const LONG style = GetWindowLongA(Wnd, GWL_STYLE);
  const LRESULT buttonState = SendMessageA(Wnd, BM_GETSTATE, 0, 0);
  // The check itself is asked for on its own: not every button reports it in its state.
  const LRESULT checkState = SendMessageA(Wnd, BM_GETCHECK, 0, 0);
  const int check = checkState == BST_INDETERMINATE ? 2 : checkState == BST_CHECKED ? 1 : 0;
  TsSkinManager* manager = SkinLink->GetSkinManager();
  const int mask = GlyphMask(check);
  int32_t gw = 16, gh = 16;
  if (manager && manager->IsMaskIndexValid(mask)) manager->MaskFrameSize(mask, gw, gh);
  const bool leftText = (style & BS_LEFTTEXT) != 0;
  const int gx = leftText ? WindowWidth - gw : 0, gy = (WindowHeight - gh) / 2;
  if (manager && manager->IsMaskIndexValid(mask)) {
    const int glyphState = (buttonState & BST_PUSHED) ? 2 : hot ? 1 : 0;
    TsBackgroundInfo own;
    FillBmpBgInfo(cache, 0, 0, own);
    PaintMaskGlyph(cache, {gx, gy}, glyphState, own, manager->Masks[size_t(mask)], kGlyphNormal);
  }

  if (!CachedText.empty()) {
    const bool multi = (style & BS_MULTILINE) != 0;
    const int width = std::max(WindowWidth - gw - 2, 0);
    RECT text{0, 0, width, 0};
    canvas->Brush()->SetStyle(vcl::bsClear);
    DrawTextA(canvas->Handle(), CachedText.c_str(), -1, &text, DT_CALCRECT | (multi ? DT_WORDBREAK : DT_SINGLELINE));
    const int th = text.bottom - text.top;
    const int top = std::max((WindowHeight - th) / 2, 0);
    const int left = leftText ? 2 : WindowWidth - width + 2;
    RECT r{left, top, left + width, top + th};
    if (!leftText) OffsetRect(&r, multi ? -1 : -1, -1);
    WriteSkinDataText(canvas, CachedText, IsWindowEnabled(Wnd) != FALSE, hot, SkinLink,
                      multi ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER, {r.left, r.top, r.right, r.bottom});
    if (buttonState & BST_FOCUS) {
      RECT focus = r;
      InflateRect(&focus, 1, 0);
      DrawFocusRect(canvas->Handle(), &focus);
    }
  }
  ApplyDisabledLook(this, info);
  SkinLink->CacheStale = false;
}

// ---- Group boxes -------------------------------------------------------------------------------

TacGroupBoxWnd::TacGroupBoxWnd(HWND wnd, const std::string& section, TsSkinManager* manager, TsCommonData* skinLink)
    : TacMainWnd(wnd, section.empty() ? "GROUPBOX" : section, manager, skinLink) {}

RECT TacGroupBoxWnd::CaptionBox(HDC dc) {
  RECT text{0, 0, 0, 0};
  if (!CachedText.empty()) DrawTextA(dc, CachedText.c_str(), -1, &text, DT_CALCRECT | DT_CENTER);
  const int th = text.bottom - text.top, tw = text.right - text.left;
  return RECT{6, 0, std::min<LONG>(tw + 14, std::max(WindowWidth - 1, 0)), std::max(4, th) + 2};
}

int32_t TacGroupBoxWnd::CaptionHeight() {
  HDC dc = GetDC(Wnd);
  if (!dc) return 0;
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(Wnd, WM_GETFONT, 0, 0));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  const RECT r = CaptionBox(dc);
  if (old) SelectObject(dc, old);
  ReleaseDC(Wnd, dc);
  return r.bottom;
}

void TacGroupBoxWnd::WndProc(vcl::TMessage& m) {
  if (!SkinActive() || Detached) {
    TacMainWnd::WndProc(m);
    return;
  }
  if (m.Msg == SM_ALPHACMD) {
    if (m.WParamHi() == cmdQueryManager) {
      m.Result = CaptionHeight();
      return;
    }
    TacMainWnd::WndProc(m);
    return;
  }
  switch (m.Msg) {
    case WM_SETTEXT:
      TacMainWnd::WndProc(m);
      SkinLink->CacheStale = true;
      RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
      return;
    case WM_PAINT:
      if (DialogMode) break;
      Paint(reinterpret_cast<HDC>(m.WParam));
      m.Result = 0;
      return;
    case WM_ERASEBKGND:
      if (DialogMode) break;
      if (m.WParam && WPARAM(m.LParam) == m.WParam) {
        if (SkinLink->CacheStale) PrepareCache();
        vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
        BitBlt(reinterpret_cast<HDC>(m.WParam), 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0,
               SRCCOPY);
      }
      m.Result = 1;
      return;
    case WM_NCPAINT:
      if (!DialogMode) break;
      Paint(nullptr);
      m.Result = 1;
      return;
    case WM_PARENTNOTIFY:
      TacMainWnd::WndProc(m);
      if (LOWORD(m.WParam) == WM_CREATE && OwnerControl()) SendControlLoaded(OwnerControl());
      return;
    case WM_PRINT:
      SkinLink->CacheStale = true;
      Paint(reinterpret_cast<HDC>(m.WParam));
      m.Result = 0;
      return;
    default:
      break;
  }
  TacMainWnd::WndProc(m);
}

void TacGroupBoxWnd::Paint(HDC given) {
  ReadGeometry();
  PAINTSTRUCT ps{};
  const bool painting = given == nullptr && !DialogMode;
  if (painting) BeginPaint(Wnd, &ps);
  SkinLink->UpdatePending = SkinLink->IsUpdating();
  if (!SkinLink->UpdatePending && !AnimationBlocksPaint()) {
    HDC dc = given ? given : GetWindowDC(Wnd);
    PrepareCache();
    const int saved = SaveDC(dc);
    if (DialogMode) {
      // Only frame and caption: the client area belongs to the dialog.
      TsSkinManager* manager = SkinLink->GetSkinManager();
      const int mask = SkinLink->BorderMaskIndex;
      if (manager && manager->IsMaskIndexValid(mask))
        ExcludeClipRect(dc, manager->MaskMarginLeft(mask), CaptionHeight(), WindowWidth - manager->MaskMarginRight(mask),
                        WindowHeight - manager->MaskMarginBottom(mask));
    }
    CopyCacheExceptChildWnds(Wnd, SkinLink, {0, 0, WindowWidth, WindowHeight}, {0, 0, WindowWidth, WindowHeight}, dc,
                             false, 0, 0);
    if (auto* owner = dynamic_cast<vcl::TWinControl*>(OwnerControl())) PaintGraphicControlsToDC(dc, owner, {0, 0});
    RestoreDC(dc, saved);
    if (!given) ReleaseDC(Wnd, dc);
    SendRepaintToChildWindows(Wnd);
  }
  if (painting) EndPaint(Wnd, &ps);
}

void TacGroupBoxWnd::PrepareCache() {
  SizeCacheToWindow(SkinLink, Wnd);
  vcl::TBitmap* cache = SkinLink->CacheBitmap.get();
  vcl::TCanvas* canvas = cache->Canvas();
  SelectWindowFont(canvas, Wnd, OwnerControl());
  const RECT caption = CaptionBox(canvas->Handle());
  const int half = caption.bottom / 2;

  // What lies behind the strip above the frame and behind the caption: the parent's image or colour.
  TsBackgroundRequest request;
  HWND parent = GetParent(Wnd);
  if (parent) RequestWndBackground(request, parent, false);
  auto fillFromParent = [&](const RECT& r) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    if (request.Kind == bkBitmap && request.Bitmap)
      BitBlt(canvas->Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, request.Bitmap->Canvas()->Handle(),
             request.OffsetX + PosInParent.x + r.left, request.OffsetY + PosInParent.y + r.top, SRCCOPY);
    else
      PaintSolidRect(canvas->Handle(), {r.left, r.top, r.right, r.bottom},
                     request.Kind == bkColor ? request.Color : GetWindowBgColor(parent));
  };
  fillFromParent(RECT{0, 0, WindowWidth, half});
  TsBackgroundInfo info;
  BgRequestToBgInfo(request, info);
  PaintSkinDataItem(SkinLink, info, true, false, cache, {PosInParent.x, PosInParent.y + half},
                    {0, half, WindowWidth, WindowHeight}, 0);
  if (!CachedText.empty()) {
    fillFromParent(caption);
    canvas->Brush()->SetStyle(vcl::bsClear);
    WriteSkinDataText(canvas, CachedText, IsWindowEnabled(Wnd) != FALSE, false, SkinLink,
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE, {caption.left, caption.top, caption.right, caption.bottom});
  }
  SkinLink->CacheStale = false;
}

}  // namespace skin
