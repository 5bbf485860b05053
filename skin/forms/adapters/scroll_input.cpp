// The interactive half of the skinned scroll bars: the scroll adapter's message procedure,
// non-client hit testing, hot tracking, pressing arrows and track areas with auto-repeat,
// dragging the thumb, and their translation into WM_HSCROLL / WM_VSCROLL codes.
#include <algorithm>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/scroll_wnd.h"
#include "skin/forms/form_skinning.h"
#include "vcl/controls/application.h"

namespace skin {

namespace {

// The class library's own messages the adapter reacts to.
constexpr UINT kFocusChanged = 0xB007;
constexpr UINT kUIActivate = 0xB029;
constexpr UINT kLibraryMouseWheel = 0xB043;
// The message ranges of list views (0x1000) and tree views (0x1100), which add and remove items.
constexpr UINT kListViewFirst = 0x1000, kTreeViewLast = 0x11FF;

POINT CursorMessagePoint() {
  const DWORD pos = GetMessagePos();
  return POINT{short(LOWORD(pos)), short(HIWORD(pos))};
}

POINT LParamPoint(LPARAM lParam) { return POINT{short(LOWORD(lParam)), short(HIWORD(lParam))}; }

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

}  // namespace

void SendScrollCode(HWND wnd, UINT scrollMsg, int code, int32_t pos) {
  const LPARAM which = MAKELPARAM(code, scrollMsg);
  const WORD high = uint32_t(pos) > 0xFFFF ? 0xFFFF : WORD(pos);
  if (SendMessageA(wnd, SM_ALPHACMD, MAKEWPARAM(0, cmdBeforeScroll), which) == 1) {
    SendMessageA(wnd, scrollMsg, MAKEWPARAM(code, high), pos);
  } else {
    if (code == SB_THUMBTRACK) {
      SCROLLINFO info{};
      info.cbSize = sizeof(info);
      info.fMask = SIF_POS;
      info.nPos = pos;
      SetScrollInfo(wnd, scrollMsg == WM_HSCROLL ? SB_HORZ : SB_VERT, &info, FALSE);
    }
    SendMessageA(wnd, scrollMsg, MAKEWPARAM(code, high), 0);
  }
  if (IsWindow(wnd)) SendMessageA(wnd, SM_ALPHACMD, MAKEWPARAM(0, cmdAfterScroll), which);
}

void TacScrollWnd::RepaintBar(int kind, int pressedPart) {
  TacScrollBar* bar = kind == SB_HORZ ? HorzBar.get() : VertBar.get();
  if (!bar || !IsWindow(Wnd)) return;
  HDC dc = GetWindowDC(Wnd);
  if (!dc) return;
  RECT window{}, r = BarRect(*bar);
  GetWindowRect(Wnd, &window);
  OffsetRect(&r, -window.left, -window.top);
  PaintBar(*bar, dc, -1, pressedPart, r);
  ReleaseDC(Wnd, dc);
}

void TacScrollWnd::WndProc(vcl::TMessage& m) {
  switch (m.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY:
      if (!Detached) {
        TacScrollWnd* self = this;
        // A bare window's adapter stays linked until its owner frees it; the window is gone then.
        if (OwnerControl()) {
          PassOn(m);
          FreeBars();
          Detach(false, false);
          (void)self;
          return;
        }
      }
      PassOn(m);
      return;
    case WM_UPDATEUISTATE:
      m.Result = 0;
      return;
    default:
      break;
  }
  if (Detached) {
    m.Result = 0;
    return;
  }
  if (!SkinLink || !SkinLink->IsSkinned(false)) {
    if (m.Msg == SM_ALPHACMD && m.WParamHi() == cmdSkinSet && SkinLink && m.LParam == LPARAM(SkinLink->GetSkinManager()))
      SkinLink->ResolveSkinIndexes();
    PassOn(m);
    return;
  }
  const LPARAM ours = LPARAM(SkinLink->GetSkinManager());
  if (m.Msg == SM_ALPHACMD) {
    switch (m.WParamHi()) {
      case cmdSkinSet:
        if (m.LParam == ours) {
          SkinLink->ResolveSkinIndexes();
          PassAlphaCmdToChildren(OwnerControl(), Wnd, m);
        }
        break;
      case cmdSkinRemoved:
        if (m.LParam == ours) RestoreInitialState();
        break;
      case cmdSkinRefresh:
        if (m.LParam == ours) {
          SkinLink->ResolveSkinIndexes();
          SkinLink->CacheStale = true;
        }
        break;
      case cmdRepaint:
        if (SkinLink->UpdatePending) {
          SkinLink->UpdatePending = false;
          SkinLink->UpdatePending = SkinLink->IsUpdating();
          if (!SkinLink->UpdatePending)
            RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
        }
        break;
      case cmdIsSkinned:
        m.Result = 1;
        return;
      case cmdSetUpdating:
        SkinLink->SetUpdating(m.WParamLo() == 1);
        break;
      case cmdGetBgColor:
        PassOn(m);
        if (m.Result == 0) m.Result = SkinLink->BgColorForState(0, nullptr);
        return;
      case cmdGetBackground: {
        PassOn(m);
        auto* request = reinterpret_cast<TsBackgroundRequest*>(m.LParam);
        if (request && request->Kind == bkNone) SkinLink->ProvideBgInfo(*request, 0, nullptr);
        return;
      }
      case cmdGetApplication:
        m.Result = LRESULT(vcl::Application);
        return;
      default:
        break;
    }
    PassOn(m);
    return;
  }

  switch (m.Msg) {
    case WM_STYLECHANGED:
      if (StyleChangeLock) {
        m.Result = 0;
        return;
      }
      if (int(m.WParam) == GWL_EXSTYLE && m.LParam)
        LeftScrollBar = (reinterpret_cast<const STYLESTRUCT*>(m.LParam)->styleNew & WS_EX_LEFTSCROLLBAR) != 0;
      PassOn(m);
      return;
    case WM_NCCALCSIZE:
      NonClientCalcSize(m);
      return;
    case WM_PRINT:
      // The platform prints the window; the skinned bars go over its own.
      PassOn(m);
      if ((m.LParam & PRF_NONCLIENT) && m.WParam && !Detached) PaintScrollBars(reinterpret_cast<HDC>(m.WParam), -1);
      return;
    case WM_NCHITTEST:
      HitTest(m);
      return;
    case WM_NCPAINT:
      if (IsWindowVisible(Wnd)) {
        SkinLink->UpdatePending = SkinLink->IsUpdating();
        PassOn(m);
        if (!SkinLink->UpdatePending && !Notifying && !Detached) PaintScrollBars(nullptr, -1);
        return;
      }
      break;
    case WM_NCMOUSEMOVE:
      HotTrack(m);
      return;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (m.WParam == HTHSCROLL || m.WParam == HTVSCROLL) {
        Press(m);
        return;
      }
      break;
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONUP:
      if (m.WParam == HTHSCROLL || m.WParam == HTVSCROLL) {
        m.Result = 0;
        return;
      }
      break;
    case WM_MOUSEMOVE:
      MouseMove(m);
      return;
    case WM_LBUTTONUP:
      Release(m);
      return;
    case WM_TIMER:
      Timer(m);
      if (!Detached && !Notifying && !ThumbTracking) UpdateScrollInfo(true);
      return;
    case WM_SYSCOMMAND:
      if (m.WParam == 0xF077) {
        m.Result = 0;
        return;
      }
      break;
    case kUIActivate:
      if (WindowWidth != 0) {
        PassOn(m);
        SetWindowPos(Wnd, nullptr, 0, 0, WindowWidth, WindowHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOCOPYBITS | SWP_NOOWNERZORDER |
                         SWP_NOSENDCHANGING);
        return;
      }
      break;
    default:
      break;
  }
  PassOn(m);
  if (Detached) return;
  if ((m.Msg == WM_MOUSEWHEEL || m.Msg == kLibraryMouseWheel) && !Notifying) UpdateScrollInfo(true);
  if (m.Msg == kFocusChanged) UpdateScrollInfo(true);
  // Lists, trees and edits change their scroll range and position on keys, text, items and
  // while they paint, and the platform then draws its own bar where the skinned one lies: the
  // skinned bars follow, also at the first paint (the platform's bars are on the screen until
  // then).
  const bool mayScroll = m.Msg == WM_KEYDOWN || m.Msg == WM_CHAR || m.Msg == WM_VSCROLL || m.Msg == WM_HSCROLL ||
                         m.Msg == WM_SETTEXT || m.Msg == WM_PAINT || (m.Msg >= EM_GETSEL && m.Msg <= 0x01FF) ||
                         (m.Msg >= kListViewFirst && m.Msg <= kTreeViewLast);
  if (mayScroll && !Notifying && !ThumbTracking) RefreshBarsIfMoved();
}

void TacScrollWnd::RefreshBarsIfMoved() {
  if (!HorzBar || !VertBar || (SkinLink && SkinLink->UpdatePending)) return;
  SCROLLINFO horz = HorzBar->Info, vert = VertBar->Info;
  GetScrollInfo(Wnd, SB_HORZ, &horz);
  GetScrollInfo(Wnd, SB_VERT, &vert);
  auto same = [](const SCROLLINFO& a, const SCROLLINFO& b) {
    return a.nMin == b.nMin && a.nMax == b.nMax && a.nPage == b.nPage && a.nPos == b.nPos;
  };
  if (same(horz, HorzBar->Info) && same(vert, VertBar->Info) && lastStyle_ == GetWindowLongA(Wnd, GWL_STYLE)) return;
  lastStyle_ = GetWindowLongA(Wnd, GWL_STYLE);
  UpdateScrollInfo(true);
}

void TacScrollWnd::NonClientCalcSize(vcl::TMessage& m) {
  auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam);
  if (!params) {
    PassOn(m);
    return;
  }
  const RECT proposed = params->rgrc[0];
  const LONG style = GetWindowLongA(Wnd, GWL_STYLE);
  if (style & (WS_HSCROLL | WS_VSCROLL)) {
    StyleChangeLock = true;
    SetWindowLongA(Wnd, GWL_STYLE, style & ~(WS_HSCROLL | WS_VSCROLL));
    PassOn(m);
    SetWindowLongA(Wnd, GWL_STYLE, style);
    StyleChangeLock = false;
  } else {
    PassOn(m);
  }
  RECT& client = params->rgrc[0];
  EdgeLeft = client.left - proposed.left;
  EdgeRight = proposed.right - client.right;
  EdgeTop = client.top - proposed.top;
  EdgeBottom = proposed.bottom - client.bottom;
  if (!HorzBar || !VertBar) return;
  const int32_t clientWidth = client.right - client.left;
  HorzBar->StyleBits = (style & WS_HSCROLL) ? 8 : 0;
  const int32_t hThick = BarMetric(*HorzBar, 1, false);
  if (HorzBar->StyleBits && client.bottom - client.top >= hThick) {
    client.bottom -= hThick;
    HorzBar->Shown = true;
  } else {
    HorzBar->Shown = false;
  }
  VertBar->StyleBits = (style & WS_VSCROLL) ? 8 : 0;
  const int32_t vThick = BarMetric(*VertBar, 1, false);
  if (VertBar->StyleBits && clientWidth >= vThick) {
    if (LeftScrollBar)
      client.left += vThick;
    else
      client.right -= vThick;
    VertBar->Shown = true;
  } else {
    VertBar->Shown = false;
  }
}

void TacScrollWnd::HitTest(vcl::TMessage& m) {
  const POINT p = LParamPoint(m.LParam);
  if (HorzBar && VertBar) {
    if (HorzBar->Shown && Inside(HorzBarRect(), p)) {
      m.Result = BarIsActive(*HorzBar) ? HTHSCROLL : 0;
      return;
    }
    if (VertBar->Shown && Inside(VertBarRect(), p)) {
      m.Result = BarIsActive(*VertBar) ? HTVSCROLL : 0;
      return;
    }
    if (HorzBar->Shown && VertBar->Shown) {
      const RECT h = HorzBarRect(), v = VertBarRect();
      const RECT square = LeftScrollBar ? RECT{v.left, h.top, v.right, h.bottom} : RECT{h.right, h.top, v.right, h.bottom};
      if (Inside(square, p) && CornerIsSizeGrip(square)) {
        m.Result = HTBOTTOMRIGHT;
        return;
      }
    }
  }
  PassOn(m);
}

void TacScrollWnd::HotTrack(vcl::TMessage& m) {
  TacScrollTracking& t = ScrollTracking;
  t.HotWnd = Wnd;
  if ((m.WParam == HTHSCROLL || m.WParam == HTVSCROLL) && HorzBar && VertBar) {
    const int kind = m.WParam == HTHSCROLL ? SB_HORZ : SB_VERT;
    if (t.HotBar != kind) {
      t.PrevHotPart = -1;
      t.HotPart = -1;
      t.HotBarRect = kind == SB_HORZ ? HorzBarRect() : VertBarRect();
      t.HotBar = kind;
      t.HotTimer = SetTimer(Wnd, kHotTimerId, 20, nullptr);
      PaintScrollBars(nullptr, -1);
    }
  }
  PassOn(m);
}

void TacScrollWnd::Press(vcl::TMessage& m) {
  TacScrollTracking& t = ScrollTracking;
  if (!HorzBar || !VertBar) return;
  t.HotWnd = Wnd;
  const bool horz = m.WParam == HTHSCROLL;
  t.ScrollMsg = horz ? WM_HSCROLL : WM_VSCROLL;
  t.TrackBar = horz ? SB_HORZ : SB_VERT;
  TacScrollBar& bar = horz ? *HorzBar : *VertBar;
  const RECT rect = horz ? HorzBarRect() : VertBarRect();
  const POINT p = LParamPoint(m.LParam);
  t.PressedPart = HitTestBar(bar, rect, p);
  m.Result = 0;
  switch (t.PressedPart) {
    case kPartLineUp:
    case kPartLineDown:
    case kPartPageUp:
    case kPartPageDown:
      if (BarIsActive(bar)) {
        t.ShownPressedPart = t.PressedPart;
        RepaintBar(t.TrackBar, t.ShownPressedPart);
        SendScrollCode(Wnd, t.ScrollMsg, t.PressedPart, 0);
        if (Detached) return;
        t.RepeatTimer = SetTimer(Wnd, kFirstRepeatTimerId, 300, nullptr);
      }
      break;
    case kPartThumb: {
      if (!BarIsActive(bar)) {
        t.PressedPart = -1;
        break;
      }
      bar.Info.cbSize = sizeof(SCROLLINFO);
      bar.Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
      GetScrollInfo(Wnd, bar.Kind, &bar.Info);
      CalcThumb(bar, rect, t.ThumbSize, t.ThumbStart);
      t.TrackRect = rect;
      t.ShownPressedPart = kPartThumb;
      RepaintBar(t.TrackBar, kPartThumb);
      ThumbTracking = true;
      bar.Info.nTrackPos = bar.Info.nPos;
      t.GrabOffset = (horz ? p.x : p.y) - t.ThumbStart;
      t.LastTrackPos = bar.Info.nPos;
      break;
    }
    default:
      PassOn(m);
      break;
  }
  if (t.PressedPart != -1) SetCapture(Wnd);
}

void TacScrollWnd::MouseMove(vcl::TMessage& m) {
  TacScrollTracking& t = ScrollTracking;
  if (ThumbTracking) {
    Drag(CursorMessagePoint());
    m.Result = 0;
    return;
  }
  if (t.PressedPart == -1 || t.TrackBar == -1 || t.HotWnd != Wnd) {
    PassOn(m);
    return;
  }
  TacScrollBar* bar = t.TrackBar == SB_HORZ ? HorzBar.get() : VertBar.get();
  if (bar) {
    const int part = HitTestBar(*bar, BarRect(*bar), CursorMessagePoint());
    t.ShownPressedPart = part == t.PressedPart ? t.PressedPart : -1;
    RepaintBar(t.TrackBar, t.ShownPressedPart);
  }
  m.Result = 0;
}

void TacScrollWnd::Drag(POINT point) {
  TacScrollTracking& t = ScrollTracking;
  TacScrollBar* bar = t.TrackBar == SB_HORZ ? HorzBar.get() : t.TrackBar == SB_VERT ? VertBar.get() : nullptr;
  if (!bar) return;
  const bool horz = bar->Kind == SB_HORZ;
  const int32_t a = BarMetric(*bar, 0, false);
  const int32_t trackLo = (horz ? t.TrackRect.left : t.TrackRect.top) + a;
  const int32_t trackHi = (horz ? t.TrackRect.right : t.TrackRect.bottom) - a;
  const int32_t room = trackHi - trackLo - t.ThumbSize;
  // A thumb that fills its track cannot move: nothing to send (and nothing to divide by).
  if (room <= 0) return;
  const int32_t e = std::clamp<int32_t>((horz ? point.x : point.y) - t.GrabOffset, trackLo, trackLo + room);

  RECT window{};
  GetWindowRect(Wnd, &window);
  if (HDC dc = GetWindowDC(Wnd)) {
    PaintDraggedBar(*bar, dc, e - (horz ? t.TrackRect.left : t.TrackRect.top));
    ReleaseDC(Wnd, dc);
  }

  // The position the platform's own bar would give: from nMin to the last position that
  // shows a whole page, in proportion to the thumb's place in the track.
  const SCROLLINFO& info = bar->Info;
  const int32_t page = std::max<int32_t>(int32_t(info.nPage), 1);
  const int32_t last = std::max<int32_t>(info.nMax - page + 1, info.nMin);
  const int32_t s = e - trackLo;
  const int32_t position = std::clamp<int32_t>(info.nMin + MulDiv(s, last - info.nMin, room), info.nMin, last);
  if (position != t.LastTrackPos) {
    bar->Info.nTrackPos = position;
    Notifying = true;
    SendScrollCode(Wnd, t.ScrollMsg, SB_THUMBTRACK, position);
    Notifying = false;
  }
  t.LastTrackPos = position;
}

void TacScrollWnd::PaintDraggedBar(TacScrollBar& bar, HDC dc, int32_t thumbPos) {
  if (!bar.Shown || !Manager) return;
  RECT window{}, r = BarRect(bar);
  GetWindowRect(Wnd, &window);
  OffsetRect(&r, -window.left, -window.top);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  auto image = CreateBmp24(w, h);
  ComposeBar(bar, image.get(), r, thumbPos, ScrollTracking.ThumbSize, 0, 0, 0, 0, 2, true, false);
  BitBlt(dc, r.left, r.top, w, h, image->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TacScrollWnd::Release(vcl::TMessage& m) {
  TacScrollTracking& t = ScrollTracking;
  if (t.PressedPart == -1) {
    PassOn(m);
    return;
  }
  if (!KeepsCapture() && GetCapture() == Wnd) ReleaseCapture();
  const int part = t.PressedPart;
  const int kind = t.TrackBar;
  const UINT scrollMsg = t.ScrollMsg;
  if (part >= kPartLineUp && part <= kPartPageDown) {
    if (t.RepeatTimer) KillTimer(Wnd, t.RepeatTimer == kFirstRepeatTimerId ? kFirstRepeatTimerId : kRepeatTimerId);
    KillTimer(Wnd, kFirstRepeatTimerId);
    KillTimer(Wnd, kRepeatTimerId);
    t.RepeatTimer = 0;
    Notifying = true;
    SendScrollCode(Wnd, scrollMsg, SB_ENDSCROLL, 0);
    Notifying = false;
  } else if (part == kPartThumb) {
    if (ThumbTracking) {
      Notifying = true;
      SendScrollCode(Wnd, scrollMsg, SB_THUMBPOSITION, t.LastTrackPos);
      ThumbTracking = false;
      SendScrollCode(Wnd, scrollMsg, SB_ENDSCROLL, t.LastTrackPos);
      Notifying = false;
    }
  }
  ThumbTracking = false;
  t.PressedPart = t.ShownPressedPart = t.TrackBar = -1;
  t.RepeatTimer = 0;
  t.ScrollMsg = 0;
  if (!Detached) {
    UpdateScrollInfo(false);
    RepaintBar(kind, -1);
  }
  if (vcl::TControl* owner = OwnerControl()) {
    if (owner->ClassNameIs("TImageView")) {
      m.Result = 0;
      return;
    }
    PassOn(m);
  } else if (!KeepsCapture()) {
    PassOn(m);
  }
}

void TacScrollWnd::Timer(vcl::TMessage& m) {
  TacScrollTracking& t = ScrollTracking;
  bool passed = false;
  if (!t.RepeatTimer && !t.HotTimer) {
    PassOn(m);
    passed = true;
  }
  switch (m.WParam) {
    case kFirstRepeatTimerId:
      KillTimer(Wnd, kFirstRepeatTimerId);
      t.RepeatTimer = SetTimer(Wnd, kRepeatTimerId, 55, nullptr);
      m.Result = 0;
      return;
    case kRepeatTimerId: {
      TacScrollBar* bar = t.TrackBar == SB_HORZ ? HorzBar.get() : t.TrackBar == SB_VERT ? VertBar.get() : nullptr;
      if (bar && t.PressedPart != -1) {
        const int part = HitTestBar(*bar, BarRect(*bar), CursorMessagePoint());
        t.ShownPressedPart = part == t.PressedPart ? t.PressedPart : -1;
        RepaintBar(t.TrackBar, t.ShownPressedPart);
      }
      if (t.ShownPressedPart != -1) {
        Notifying = true;
        SendScrollCode(Wnd, t.ScrollMsg, t.ShownPressedPart, 0);
        Notifying = false;
      }
      m.Result = 0;
      return;
    }
    case kHotTimerId: {
      if (ThumbTracking) return;
      POINT cursor{};
      GetCursorPos(&cursor);
      TacScrollBar* bar = t.HotBar == SB_HORZ ? HorzBar.get() : t.HotBar == SB_VERT ? VertBar.get() : nullptr;
      if (bar && Inside(t.HotBarRect, cursor)) {
        t.HotPart = HitTestBar(*bar, t.HotBarRect, cursor);
        if (t.HotPart != t.PrevHotPart) RepaintBar(t.HotBar, t.TrackBar == t.HotBar ? t.ShownPressedPart : -1);
        t.PrevHotPart = t.HotPart;
      } else {
        KillTimer(Wnd, kHotTimerId);
        t.HotTimer = 0;
        t.HotBar = t.PrevHotPart = t.HotPart = -1;
        PaintScrollBars(nullptr, -1);
      }
      m.Result = 0;
      return;
    }
    default:
      if (!passed) PassOn(m);
      return;
  }
}

}  // namespace skin
